// The XML Spreadsheet 2003 workbook writer: one worksheet with column widths, rows of typed cells
// and a table of cell styles collected on the fly, so that equal styles are written once. It knows
// nothing of grids.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/rtl/classes.h"

#include <QByteArray>
#include <vector>

class TStream;

enum TSpShHorizontalAlignmentVz { haDefaultVz, haLeftJustifyVz, haRightJustifyVz, haCenterVz };
enum TSpShVerticalAlignmentVz { vaDefaultVz, vaTopVz, vaCenterVz, vaBottomVz };
enum TSpShInteriorPatternVz { ipNoneVz, ipSolidVz };

struct TSpShBorderVz {
    Byte Line = 0;  // 0: no border, otherwise a continuous line
    Integer Weight = 1;
    TColor Color = clDefault;
};

struct TSpShInteriorVz {
    TSpShInteriorPatternVz Pattern = ipNoneVz;
    TColor Color = clDefault;
};

struct TSpShFontVz {
    String Name;
    Integer CharSet = -1;
    String Family = u"Swiss"_S;
    Integer Size = 11;
    TColor Color = clDefault;
    TFontStyles Style;
};

struct TSpShMergeCells {
    Integer ColSpan = 0;
    Integer RowSpan = 0;
};

enum TSpShBorderSideVz { bsLeftVz, bsTopVz, bsRightVz, bsBottomVz };

struct TSpShStyleVz {
    Integer StyleNum = 0;
    String StyleName;
    TSpShHorizontalAlignmentVz AlignmentHorizontal = haDefaultVz;
    TSpShVerticalAlignmentVz AlignmentVertical = vaDefaultVz;
    Integer AlignmentRotate = 0;
    bool AlignmentWrapText = false;
    TSpShBorderVz Border[4];  // left, top, right, bottom
    TSpShInteriorVz Interior;
    TSpShFontVz Font;
    TSpShMergeCells MergeCells;
    String SpShNumberFormat;
};

class TXMLSpreadsheetExportVz : public TObject {
    SDELKA_CLASS(TXMLSpreadsheetExportVz, TObject)
protected:
    // Enters the style "Default" (number 64) as the first style.
    TXMLSpreadsheetExportVz();
    ~TXMLSpreadsheetExportVz() override = default;

public:
    static void InitializeStyle(TSpShStyleVz& Style);
    // Copies the font's name, size, style and colour (charset and family stay).
    static void SetFont(TSpShStyleVz& Style, TFont* Font);

    // Column width in pixels; columns come before the first row.
    void AddColumn(Integer ColumnWidth);
    void BeginRow();
    void EndRow();
    // CellType is "String", "Number" or "DateTime"; ColIndex empty or the 1-based column number.
    void AddCell(const TSpShStyleVz& Style, const String& ColIndex, const String& CellValue, const String& CellType);
    // Writes the whole workbook (UTF-8, no byte-order signature) at the stream's position.
    void ExportToStream(TStream* AStream);

    Integer ColCount() const { return FColCount; }
    Integer RowCount() const { return FRowCount; }

    // Text for element content: "&", "<", ">" escaped, characters XML 1.0 forbids dropped.
    static String EscapeXMLText(const String& Text);
    // Text for an attribute value: as element content, and the double quote escaped too.
    static String EscapeXMLAttr(const String& Text);
    static String ColorToHexRGB(TColor Color);

private:
    String FindOrAddStyle(const TSpShStyleVz& Style);
    void WriteWorkbookHeader(QByteArray& Out);
    void WriteStyles(QByteArray& Out);
    void Line(const String& Text) { Line(FXMLStream, Text); }
    static void Line(QByteArray& Out, const String& Text);

    QByteArray FXMLStream;  // column and row elements, UTF-8
    std::vector<TSpShStyleVz> FStyles;
    Integer FColCount = 0;
    Integer FRowCount = 0;
};
