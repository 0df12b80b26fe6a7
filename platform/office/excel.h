// The spreadsheet automation object "Excel.Application" as the application drives it: attach to a
// running instance or start one, add or open a workbook, write cell values with the text number
// format and bold type, auto-fit a column, and make it visible. The "spreadsheet application" here
// is in-process: a workbook lives in memory and, when the application becomes visible, is written
// as an Office Open XML workbook (.xlsx) into a temporary file that the desktop's handler opens.
//
// A text written into a cell is read as the user would type it: without the text format a number
// in the local notation (decimal separator of FormatSettings) becomes a number; with the text format
// "@" it stays text. Formulas are not evaluated: a text starting with "=" stays text.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"
#include "platform/rtl/variant.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

SDELKA_EXCEPTION(EOleError, Exception)
SDELKA_EXCEPTION(EOleSysError, EOleError)
SDELKA_EXCEPTION(EOleException, EOleSysError)

class TExcelApplication;
class TExcelWorkbook;
class TExcelWorksheet;

// One stored cell.
struct TExcelCellData {
    Variant Value;       // Empty, a number (double), a boolean or a string
    bool TextFormat = false;  // NumberFormat "@"
    bool Bold = false;
};

// Font of one cell (Cells[r, c].Font).
class TExcelFont {
public:
    TExcelFont(TExcelWorksheet* Sheet, int Row, int Col) : FSheet(Sheet), FRow(Row), FCol(Col) {}
    bool Bold() const;
    void SetBold(bool Value);

private:
    TExcelWorksheet* FSheet;
    int FRow, FCol;
};

// One cell (Cells[r, c]); a light reference into its sheet.
class TExcelRange {
public:
    TExcelRange(TExcelWorksheet* Sheet, int Row, int Col) : FSheet(Sheet), FRow(Row), FCol(Col) {}
    Variant Value() const;
    // A string is read as typed (see above); numbers and booleans are stored as they are; Empty
    // or Null clears the value.
    void SetValue(const Variant& V);
    // "General" or "@".
    String NumberFormat() const;
    // Only "General" and the text format "@" are known; another format raises EOleException.
    void SetNumberFormat(const String& Format);
    TExcelFont Font() const { return TExcelFont(FSheet, FRow, FCol); }
    int Row() const { return FRow; }
    int Column() const { return FCol; }

private:
    TExcelWorksheet* FSheet;
    int FRow, FCol;
};

// One column (Columns.Item[c]).
class TExcelColumn {
public:
    TExcelColumn(TExcelWorksheet* Sheet, int Col) : FSheet(Sheet), FCol(Col) {}
    // Sets the width to fit the longest value of the column now (as the spreadsheet does: once,
    // not kept up as values change).
    void AutoFit();
    // The width in characters; 0 means the default width.
    double ColumnWidth() const;

private:
    TExcelWorksheet* FSheet;
    int FCol;
};

class TExcelWorksheet {
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;

    TExcelWorksheet(TExcelWorkbook* Book, const String& Name) : FBook(Book), FName(Name) {}
    const String& Name() const { return FName; }
    // EOleException when the row or column lies outside the sheet.
    TExcelRange Cells(int Row, int Col);
    TExcelColumn Columns(int Col);

    // Stored cells, by (row, column), and fitted column widths.
    const std::map<std::pair<int, int>, TExcelCellData>& CellData() const { return FCells; }
    const std::map<int, double>& ColumnWidths() const { return FWidths; }

private:
    friend class TExcelRange;
    friend class TExcelFont;
    friend class TExcelColumn;
    friend class TExcelWorkbook;
    TExcelCellData* Find(int Row, int Col);
    TExcelCellData& Cell(int Row, int Col);
    void Changed();
    // Keeps the widest text of a column fitted before (one in FFits) as its cells are written: a
    // cell of the column went from a text of width Before to After.
    void Refit(int Col, double Before, double After);
    // The width the texts of a column need (0 for none): kept since the column was first fitted,
    // found by a walk over the cells otherwise.
    double FitWidth(int Col);
    TExcelWorkbook* FBook;
    String FName;
    std::map<std::pair<int, int>, TExcelCellData> FCells;
    std::map<int, double> FWidths;
    // Per column fitted once: its widest text, or Stale when that cell became narrower.
    struct TFit {
        double Widest = 0;
        bool Stale = false;
    };
    std::map<int, TFit> FFits;
};

class TExcelWorkbook {
public:
    TExcelWorkbook(TExcelApplication* App, const String& Name);
    ~TExcelWorkbook();
    const String& Name() const { return FName; }
    // Worksheets[Index], from 1; EOleException "Invalid index." outside.
    TExcelWorksheet* Worksheets(int Index);
    int WorksheetCount() const { return static_cast<int>(FSheets.size()); }
    TExcelWorksheet* AddWorksheet(const String& Name);

    // Writes the workbook as an .xlsx file (EOleException when it cannot be written).
    void SaveAs(const String& FileName);
    // Reads an .xlsx file: the sheets with their values, text format and bold type.
    void LoadFromFile(const String& FileName);
    // The file last written for showing (empty until then), and whether something showed it.
    const String& ShownFileName() const { return FShownFile; }
    bool ShownFileOpened() const { return FShownOpened; }

private:
    friend class TExcelWorksheet;
    friend class TExcelApplication;
    TExcelApplication* FApp;
    String FName;
    std::vector<std::unique_ptr<TExcelWorksheet>> FSheets;
    bool FDirty = true;
    String FShownFile;
    bool FShownOpened = false;
};

class TExcelWorkbooks {
public:
    explicit TExcelWorkbooks(TExcelApplication* App) : FApp(App) {}
    // A new workbook with one sheet ("Книга1", "Лист1"); it becomes the active workbook.
    TExcelWorkbook* Add();
    // Opens an .xlsx file; EOleException when it does not exist or cannot be read.
    TExcelWorkbook* Open(const String& FileName);
    int Count() const;
    TExcelWorkbook* Item(int Index);

private:
    TExcelApplication* FApp;
};

class TExcelApplication {
public:
    TExcelApplication();
    ~TExcelApplication();
    TExcelApplication(const TExcelApplication&) = delete;
    TExcelApplication& operator=(const TExcelApplication&) = delete;

    // All of these raise EOleSysError once the application has quit.
    TExcelWorkbooks* Workbooks();
    // The active workbook; EOleException when there is none.
    TExcelWorkbook* ActiveWorkbook();
    // Worksheets of the active workbook.
    TExcelWorksheet* Worksheets(int Index);
    bool Visible() const { return FVisible; }
    // Becoming visible shows each workbook changed since it was last shown: it is written to a new
    // temporary .xlsx file and handed to the file opener.
    void SetVisible(bool Value);
    // The workbooks the last SetVisible(true) wrote and handed to the opener (none when nothing had
    // changed): what the application tells its user about them.
    const std::vector<TExcelWorkbook*>& LastShown() const { return FLastShown; }
    // Closes the application and its workbooks (unsaved); it leaves the running-object table, and
    // every later call on it fails.
    void Quit();
    bool Quitted() const { return FQuit; }

private:
    friend class TExcelWorkbooks;
    friend class TExcelWorkbook;
    friend class TExcelWorksheet;
    void CheckRunning() const;
    void ShowWorkbooks();
    std::vector<std::unique_ptr<TExcelWorkbook>> FBooks;
    TExcelWorkbook* FActive = nullptr;
    std::vector<TExcelWorkbook*> FLastShown;
    std::unique_ptr<TExcelWorkbooks> FWorkbooks;
    int FNextBook = 1;
    bool FVisible = false;
    bool FQuit = false;
};

// An automation reference: the caller and the running-object table share the application.
using TExcelApplicationRef = std::shared_ptr<TExcelApplication>;

// CreateOleObject: starts a new instance of "Excel.Application" (registered as running).
// EOleSysError "Invalid class string" for any other class, and when the spreadsheet application is
// not available on this computer.
TExcelApplicationRef CreateOleObject(const String& ClassName);
// GetActiveOleObject: the running instance; EOleSysError "Operation unavailable" when none runs.
TExcelApplicationRef GetActiveOleObject(const String& ClassName);

// What shows a written workbook: true when something opened it. The default hands the file to the
// desktop's handler (false when the desktop has none for it), and opens nothing without a display
// (offscreen or minimal platform).
using TExcelFileOpener = std::function<bool(const String& FileName)>;
// Installs an opener (an empty one puts the default back); returns the previous one.
TExcelFileOpener SetExcelFileOpener(TExcelFileOpener Opener);
// Whether the spreadsheet application can be started at all (true unless switched off, e.g. by a
// test that plays a computer without it). Returns the previous setting.
bool SetExcelAvailable(bool Available);

// Office Open XML text escaping: XML's five characters, and characters XML cannot carry as the
// "_xHHHH_" escape (a literal "_x" that would read as one is escaped itself).
String XlsxEscape(const String& S);
// "A", "Z", "AA", ... for a column from 1.
String XlsxColumnName(int Col);
