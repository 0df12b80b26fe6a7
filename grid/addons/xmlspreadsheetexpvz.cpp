#include "grid/addons/xmlspreadsheetexpvz.h"

#include "grid/addons/xmlspreadsheetvz.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

namespace {

TSpShStyleVz CellStyle() {
    TSpShStyleVz Style;
    TXMLSpreadsheetExportVz::InitializeStyle(Style);
    for (TSpShBorderVz& B : Style.Border) B.Line = 1;
    return Style;
}

}  // namespace

TDBGridVzExportAsXMLSpreadsheet::TDBGridVzExportAsXMLSpreadsheet() = default;
TDBGridVzExportAsXMLSpreadsheet::~TDBGridVzExportAsXMLSpreadsheet() = default;

void TDBGridVzExportAsXMLSpreadsheet::ExportToStream(TStream* Stream, IGridExchangeSourceVz* Source) {
    struct TRelease {
        TOwned<TXMLSpreadsheetExportVz>& W;
        ~TRelease() { W.reset(); }
    } Release{XMLSpreadsheet};
    TDBGridVzExport::ExportToStream(Stream, Source);
}

void TDBGridVzExportAsXMLSpreadsheet::BeginExport() {
    XMLSpreadsheet = NewOwned<TXMLSpreadsheetExportVz>();
    for (int Col = 0; Col < FSource->ColCount(); ++Col) XMLSpreadsheet->AddColumn(FSource->ColumnWidth(Col));
}

void TDBGridVzExportAsXMLSpreadsheet::EndExport() {
    XMLSpreadsheet->ExportToStream(FStream);
    XMLSpreadsheet.reset();
}

void TDBGridVzExportAsXMLSpreadsheet::ExportTitleRow() {
    if (FSource->ColCount() == 0) return;
    TSpShStyleVz Style = CellStyle();
    Style.AlignmentVertical = vaCenterVz;
    Style.Font.Style = TFontStyles{fsBold};
    XMLSpreadsheet->BeginRow();
    for (int Col = 0; Col < FSource->ColCount(); ++Col)
        XMLSpreadsheet->AddCell(Style, String(), FSource->Title(Col), u"String"_S);
    XMLSpreadsheet->EndRow();
}

void TDBGridVzExportAsXMLSpreadsheet::ExportRecordRow(int Row) {
    XMLSpreadsheet->BeginRow();
    TDBGridVzExport::ExportRecordRow(Row);
    XMLSpreadsheet->EndRow();
}

void TDBGridVzExportAsXMLSpreadsheet::ExportFooterRow(int FooterRow) {
    XMLSpreadsheet->BeginRow();
    TDBGridVzExport::ExportFooterRow(FooterRow);
    XMLSpreadsheet->EndRow();
}

void TDBGridVzExportAsXMLSpreadsheet::CellValueAndType(const Variant& Value, const String& DisplayText,
                                                       bool PlainNumberFormat, String& CellValue,
                                                       String& CellType, bool& IsDate) {
    IsDate = false;
    CellType = u"String"_S;
    const TFormatSettings Invariant = TFormatSettings::Invariant();
    switch (Value.VType()) {
        case varEmpty: CellValue = DisplayText; return;
        case varNull: CellValue.clear(); return;
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
        case varInt64: case varUInt64:
            CellValue = Value.VType() == varUInt64 ? String::number(Value.AsUInt64()) : String::number(Value.AsInt64());
            break;
        case varSingle: case varDouble:
            CellValue = FloatToStr(Value.AsExtended(), Invariant);
            break;
        case varCurrency:
            CellValue = CurrToStr(Value.AsCurrency(), Invariant);
            break;
        case varDate: {
            TDateTime D = Value.AsDateTime();
            if (D < 2.0) {  // before 1 January 1900: the workbook has no such date
                CellValue = DisplayText;
                return;
            }
            Word Y, M, Dd, H, Mi, S, Ms;
            DecodeDateTime(D, Y, M, Dd, H, Mi, S, Ms);
            CellValue = String::asprintf("%04u-%02u-%02uT%02u:%02u:%02u.%03u", Y, M, Dd, H, Mi, S, Ms);
            CellType = u"DateTime"_S;
            IsDate = true;
            return;
        }
        default:
            // binary data has no place in a cell
            if (Value.VType() & varArray) CellValue.clear();
            else CellValue = Value.AsString();
            return;
    }
    if (PlainNumberFormat) CellType = u"Number"_S;
}

void TDBGridVzExportAsXMLSpreadsheet::ExportDataCell(int Row, int Col) {
    TSpShStyleVz Style = CellStyle();
    String Text = FSource->DisplayText(Row, Col);
    String CellValue, CellType = u"String"_S;
    bool IsDate = false;
    if (FOptions.Contains(xmlssDataAsDisplayTextVz) || FOptions.Contains(xmlssDataAsEditTextVz)) {
        CellValue = Text;
    } else {
        CellValueAndType(FSource->Value(Row, Col), Text, FSource->PlainNumberFormat(Col), CellValue, CellType, IsDate);
        if (CellType == u"Number"_S) Style.AlignmentHorizontal = haRightJustifyVz;
    }
    if (IsDate) Style.SpShNumberFormat = u"Short Date"_S;
    XMLSpreadsheet->AddCell(Style, String(), CellValue, CellType);
}

void TDBGridVzExportAsXMLSpreadsheet::ExportFooterCell(int, int, const String& Text) {
    // Footer texts are the sums as the grid shows them (with the program's separators), so they
    // travel as text.
    TSpShStyleVz Style = CellStyle();
    XMLSpreadsheet->AddCell(Style, String(), Text, u"String"_S);
}
