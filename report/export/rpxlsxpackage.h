// The workbook package the spreadsheet export writes: a minimal Office Open XML package of six
// parts in a zip archive, in this order: "[Content_Types].xml", "_rels/.rels",
// "xl/_rels/workbook.xml.rels", "xl/workbook.xml", "xl/styles.xml", "xl/worksheets/sheet.xml".
// Cells carry their text inline (no shared strings); there is no theme and no document properties.
// Every part is UTF-8 with a byte-order signature, its lines ended by CR LF.
//
// The package keeps the style tables (fonts, fills, cell formats, column widths; an entry is one
// line of text and equal entries share one index) and the sheet's rows as they are added. Cell
// values are written as the format wants them: a number cell holds an invariant number (a date or
// time as its serial number), never the text the report printed; a value that reads as no number
// stays a text cell, so the file always opens.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/rtl/system.h"
#include "report/rpexportfilter.h"

#include <QStringList>

#include <vector>

class TStream;

// The number-format id a cell format refers to: the built-in ids of the format for the general,
// number, percent, fraction, date and time formats; the currency formats (their built-in ids
// depend on the reader's locale) get explicit formats from 164 on with the local currency.
int XLSXNumFmtId(TXLNumFormat Format);
// Reads the text a report printed as a cell value: a number in the local or the invariant notation
// (group separators and the currency sign left out, a trailing "%" divides by 100), or under a date
// or time format a date and time in the local notation as its serial day number. False when the
// text is none of these.
bool XLSXNumberValue(const String& Text, TXLNumFormat Format, double& Value);
// The invariant text of a number as a cell holds it.
String XLSXNumberText(double Value);
// A sheet name a spreadsheet accepts: no []:*?/\ or control characters (each becomes "_"), no
// apostrophe at either end, at most 31 characters; an empty name becomes "Untitled Sheet".
String XLSXValidSheetName(const String& Name);
// "FF" + red, green, blue in upper-case hex of a colour; system colours are resolved first.
String XLSXColorToARGB(TColor Color);

class TRpXLSXPackage {
public:
    TRpXLSXPackage();

    // Style table entries; each returns the entry's index (an equal entry is shared).
    int FontIndex(const String& Name, bool Bold, bool Italic, int Size, const String& ARGB);
    int FillIndex(const String& ARGB);
    int CellFormatIndex(TXLNumFormat Format, int FontId, int FillId, TAlignment Alignment);
    // Columns from StartCol to EndCol (from 1) get the width in characters.
    void AddColumnWidth(int StartCol, int EndCol, double Width);

    int FontCount() const { return int(FFonts.size()); }
    int FillCount() const { return int(FFills.size()); }
    int CellFormatCount() const { return int(FCellFormats.size()); }

    // The sheet's rows, top down; a cell goes into the last row begun. The reference is "B3" form.
    void BeginRow();
    void AddTextCell(const String& Ref, const String& Text, int Style);
    // A number cell when Text reads as a number (see XLSXNumberValue), else a text cell.
    void AddNumberCell(const String& Ref, const String& Text, TXLNumFormat Format, int Style);
    // The formula without a leading "=".
    void AddFormulaCell(const String& Ref, const String& Text, int Style);
    void EndRow();

    // The parts' lines, in the package's order.
    QStringList ContentTypes() const;
    QStringList Rels() const;
    QStringList WorkbookRels() const;
    QStringList Workbook(const String& SheetName) const;
    QStringList Styles() const;
    QStringList Sheet() const;

    // Writes the package to a file (created or replaced only once complete) or into a stream.
    void SaveToFile(const String& FileName, const String& SheetName) const;
    void SaveToStream(TStream* Stream, const String& SheetName) const;

private:
    QStringList FFonts, FFills, FCellFormats, FColWidths;
    std::vector<int> FUsedNumFmts;  // explicit formats referred to, in order of first use
    QStringList FRows;              // the sheet data lines
};
