// The spreadsheet export: a report's text output as a one-sheet workbook (the package of
// rpxlsxpackage.h). Graphics and page geometry are ignored. Every text line the report hands over
// through TextOutRec becomes one cell: its column is the printable's XLColumn, its row follows
// from the line's vertical position (lines whose tops have the same whole number of report units
// share a row; rows are numbered without gaps, top down). Pages follow each other down the one
// sheet: a page starts below the lowest line of the pages before it.
//
// A filter made with a plain file name puts XLColumn 1 into column B (the sheet's left margin is
// one column); a name starting with "+++" (the preview's save command puts it there) is the file
// name after those three characters and keeps the margin as it is, 0 unless set before. With
// Rp506Compat, XLColumn 0 is accepted, lands in column A, and no margin applies; lines with a column
// of 0 or less are otherwise left out, and so are cells that would fall outside the sheet.
//
// The workbook is written at Finish: to the file name, replacing the file only once it is
// complete, or, without a file name, into the filter's own memory stream (Stream). An export
// without any cell writes an empty sheet. Two lines falling into the same cell show
// "Duplicate cell reference detected - please check 'XLColumn' property of " and the printable's
// name, and nothing is written.
#pragma once

#include "report/rpexportfilter.h"

#include <memory>
#include <vector>

class TRpXLSXPackage;
class TStream;
class TStrings;

// The family base: the output stream and the page-processed flag.
class TRpXLSXAbstractExportFilter : public TRpExportFilter {
    SDELKA_CLASS(TRpXLSXAbstractExportFilter, TRpExportFilter)
protected:
    explicit TRpXLSXAbstractExportFilter(const String& AFilename = String()) : TRpExportFilter(AFilename) {}
    ~TRpXLSXAbstractExportFilter() override = default;

public:
    String GetDescription() override { return String(); }
    String GetFileExtension() override { return QStringLiteral("xlsx"); }
    String GetName() override { return QStringLiteral("RpAbstract"); }

    // Sets Active and asks CreateStream for the output.
    void Start(int PaperWidth, int PaperHeight, TFont* Font) override;
    void NewPage() override;
    void EndPage() override;

    virtual void CreateStream(const String& FileName) {}
    virtual void CloseStream() {}
    virtual void ProcessPage();
    virtual void StorePage() {}

protected:
    TStream* FStream = nullptr;
    int FLineCount = 0;
    int FColCount = 0;
    bool FPageProcessed = false;
};

class TRpXLSXDocumentFilter : public TRpXLSXAbstractExportFilter {
    SDELKA_CLASS(TRpXLSXDocumentFilter, TRpXLSXAbstractExportFilter)
protected:
    explicit TRpXLSXDocumentFilter(const String& AFilename = String());
    ~TRpXLSXDocumentFilter() override;

public:
    String GetDescription() override;
    String GetFileExtension() override { return QStringLiteral("xlsx"); }
    String GetName() override;
    bool GetStreaming() override { return false; }

    void NewPage() override;
    void EndPage() override {}
    void Finish() override;
    void TextOutRec(TExportInfoRec ExportInfo) override;
    bool TakesExportInfo() override { return true; }
    bool TakesGridCells() override { return true; }

    // With a file name the workbook goes to the file; without one into a memory stream of the
    // filter's own, which Stream returns after Finish.
    void CreateStream(const String& FileName) override;
    void ProcessPage() override;

    // Kept for the callers of the other filters; the workbook carries no document properties.
    void SetDocumentProperties(const String& Author, const String& Title, const String& Company) {}
    void NewDocument(TStrings* List, const String& PaperName, const String& Orientation, double PaperHeight,
                     double PaperWidth) {}
    // Ends a concatenation: the reports exported so far are written as one workbook.
    void EndConcat();

    // Columns from startcol to endcol (from 1) get the width cwidth, in characters.
    void SetColWidths(int startcol, int endcol, double cwidth);

    bool Concatenating() const { return FConcatenating; }
    void SetConcatenating(bool Value) { FConcatenating = Value; }
    bool FreeStream() const { return FFreeStream; }
    void SetFreeStream(bool Value) { FFreeStream = Value; }
    // The memory stream holding the workbook of a filter made without a file name (nil otherwise).
    TStream* Stream() const { return FStream; }

    // Document properties, kept but not written into the workbook.
    String Title, LastAuthor, Created, LastSaved, XLStyleURL;
    String XLEncoding = QStringLiteral("UTF-8");

    // Settings shared by every filter of the process.
    static String WorkSheetname();
    static void SetWorkSheetname(const String& Value);
    static int sheetLeftMargin();
    static void SetsheetLeftMargin(int Value);
    static bool Rp506Compat();
    static void SetRp506Compat(bool Value);

    // "A" to "Z" for 0 to 25, "AA" for 26 and on to "XFD" for 16383; empty outside.
    static String XLColumnLetters(int Index);

private:
    // One collected cell.
    struct XLXSTextItem {
        int col = 0;
        Extended X = 0, Y = 0;  // Y with the page's offset
        String text;
        TExportType exportAs = exptText;
        int style = 0;  // index in the cell-format table
        String controlName;
        TXLNumFormat XLNumFormat = nfGeneral;
    };
    void WriteXLSXPackage();

    std::vector<XLXSTextItem> FItems;
    std::unique_ptr<TRpXLSXPackage> FStyles;  // the style tables, filled as cells arrive
    TOwned<TStream> FMemoryStream;
    Extended FPageYOffset = 0;
    Extended FMaxYValue = 0;
    int FPagenumber = 1;
    bool FConcatenating = false;
    bool FFreeStream = false;
};
