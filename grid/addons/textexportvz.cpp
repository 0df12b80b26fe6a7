#include "grid/addons/textexportvz.h"

#include "platform/rtl/codepages.h"
#include "platform/rtl/streams.h"

QChar DefaultCsvSeparator = u';';
QChar DefaultCsvQuoteChar = u'"';

void TDBGridVzExportAsText::ExportToStream(TStream* Stream, IGridExchangeSourceVz* Source) {
    FirstRec = true;
    TDBGridVzExport::ExportToStream(Stream, Source);
}

void TDBGridVzExportAsText::WriteText(const String& Text) { WriteBytes(StringToCodePage(Text, GridExchangeCodePageVz)); }

void TDBGridVzExportAsText::WriteRecordSeparator() {
    if (FirstRec) FirstRec = false;
    else WriteText(u"\r\n"_S);
}

void TDBGridVzExportAsText::WriteCellSeparator() {
    if (FirstCell) FirstCell = false;
    else WriteText(u"\t"_S);
}

void TDBGridVzExportAsText::ExportTitleRow() {
    WriteRecordSeparator();
    for (int Col = 0; Col < FSource->ColCount(); ++Col) {
        WriteText(FSource->Title(Col));
        if (Col + 1 < FSource->ColCount()) WriteText(u"\t"_S);
    }
}

void TDBGridVzExportAsText::ExportRecordRow(int Row) {
    WriteRecordSeparator();
    FirstCell = true;
    TDBGridVzExport::ExportRecordRow(Row);
}

void TDBGridVzExportAsText::ExportFooterRow(int FooterRow) {
    WriteRecordSeparator();
    FirstCell = true;
    TDBGridVzExport::ExportFooterRow(FooterRow);
}

void TDBGridVzExportAsText::ExportDataCell(int Row, int Col) {
    WriteCellSeparator();
    WriteText(FSource->DisplayText(Row, Col));
}

void TDBGridVzExportAsText::ExportFooterCell(int, int, const String& Text) {
    WriteCellSeparator();
    WriteText(Text);
}

void TDBGridVzExportAsUnicodeText::WriteText(const String& Text) { WriteBytes(StringToUtf16LEVz(Text)); }

TDBGridVzExportAsCSV::TDBGridVzExportAsCSV() : FSeparator(DefaultCsvSeparator), FQuoteChar(DefaultCsvQuoteChar) {}

String TDBGridVzExportAsCSV::Quoted(const String& Text) const {
    if (FQuoteChar.isNull()) return Text;
    String Doubled = Text;
    Doubled.replace(FQuoteChar, String(2, FQuoteChar));
    return FQuoteChar + Doubled + FQuoteChar;
}

void TDBGridVzExportAsCSV::WriteRecordSeparator() {
    if (FirstRec) FirstRec = false;
    else FStringValue += u"\r\n"_S;
}

void TDBGridVzExportAsCSV::WriteCellSeparator() {
    if (FirstCell) FirstCell = false;
    else if (!FSeparator.isNull()) FStringValue += FSeparator;
}

void TDBGridVzExportAsCSV::ExportTitleRow() {
    WriteRecordSeparator();
    for (int Col = 0; Col < FSource->ColCount(); ++Col) {
        FStringValue += Quoted(FSource->Title(Col));
        if (Col + 1 < FSource->ColCount() && !FSeparator.isNull()) FStringValue += FSeparator;
    }
}

void TDBGridVzExportAsCSV::ExportDataCell(int Row, int Col) {
    WriteCellSeparator();
    FStringValue += Quoted(FSource->DisplayText(Row, Col));
}

void TDBGridVzExportAsCSV::ExportFooterCell(int, int, const String& Text) {
    WriteCellSeparator();
    FStringValue += Quoted(Text);
}

void TDBGridVzExportAsCSV::EndExport() { WriteBytes(StringToCodePage(FStringValue, GridExchangeCodePageVz)); }
