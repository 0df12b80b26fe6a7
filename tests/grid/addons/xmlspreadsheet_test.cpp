#include "grid/addons/xmlspreadsheetexpvz.h"
#include "grid/addons/xmlspreadsheetvz.h"
#include "exchangesource.h"
#include "support/tools.h"

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/streams.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

String Workbook(TXMLSpreadsheetExportVz* W) {
    TBytesStream Out;
    W->ExportToStream(&Out);
    return String::fromUtf8(reinterpret_cast<const char*>(Out.Bytes().data()), qsizetype(Out.Bytes().size()));
}

String GridWorkbook(TTableSource& S, TExportAsXMLSpShOptionsVz Options = {}) {
    auto E = NewOwned<TDBGridVzExportAsXMLSpreadsheet>();
    E->SetOptions(Options);
    TBytesStream Out;
    E->ExportToStream(&Out, &S);
    return String::fromUtf8(reinterpret_cast<const char*>(Out.Bytes().data()), qsizetype(Out.Bytes().size()));
}

TEST(XMLSpreadsheetWriter, EmptyWorkbookHasTheDefaultStyleOnly) {
    auto W = NewOwned<TXMLSpreadsheetExportVz>();
    String X = Workbook(W.get());
    EXPECT_TRUE(X.startsWith(u"<?xml version=\"1.0\"?>\r\n<?mso-application progid=\"Excel.Sheet\"?>\r\n"_S));
    EXPECT_TRUE(X.contains(u"  <Styles>\r\n  <Style ss:ID=\"Default\">\r\n    <Font ss:Size=\"11\"/>\r\n  </Style>\r\n  </Styles>\r\n"_S)) << X.toStdString();
    EXPECT_TRUE(X.contains(u"<Table ss:ExpandedColumnCount=\"0\" ss:ExpandedRowCount=\"0\" x:FullColumns=\"1\" x:FullRows=\"1\">"_S));
    EXPECT_TRUE(X.endsWith(u"  </Table>\r\n  </Worksheet>\r\n</Workbook>\r\n"_S));
}

TEST(XMLSpreadsheetWriter, CellsShareStylesAndAreEscaped) {
    auto W = NewOwned<TXMLSpreadsheetExportVz>();
    W->AddColumn(64);
    W->AddColumn(50);
    TSpShStyleVz Plain, Bold, BoldMerged;
    TXMLSpreadsheetExportVz::InitializeStyle(Plain);
    Bold = Plain;
    Bold.Font.Style = TFontStyles{fsBold};
    Bold.Border[bsLeftVz].Line = 1;  // colour left at the default
    Bold.Font.Name = u"Arial \"Narrow\""_S;
    BoldMerged = Bold;
    BoldMerged.MergeCells.ColSpan = 1;
    W->BeginRow();
    W->AddCell(Plain, String(), u"a<b & c"_S, u"String"_S);
    W->AddCell(Bold, u"2"_S, u"x\x01y\xFFFE"_S, u"String"_S);
    W->EndRow();
    W->BeginRow();
    W->AddCell(BoldMerged, String(), u"1.5"_S, u"Number"_S);
    W->EndRow();
    String X = Workbook(W.get());
    EXPECT_TRUE(X.contains(u"    <Column ss:Width=\"48\" ss:AutoFitWidth=\"0\"/>\r\n    <Column ss:Width=\"37.5\" ss:AutoFitWidth=\"0\"/>\r\n"_S));
    EXPECT_TRUE(X.contains(u"      <Cell><Data ss:Type=\"String\">a&lt;b &amp; c</Data></Cell>\r\n"_S)) << X.toStdString();
    EXPECT_TRUE(X.contains(u"      <Cell ss:Index=\"2\" ss:StyleID=\"s65\"><Data ss:Type=\"String\">xy</Data></Cell>\r\n"_S));
    EXPECT_TRUE(X.contains(u"      <Cell ss:StyleID=\"s65\" ss:MergeAcross=\"1\"><Data ss:Type=\"Number\">1.5</Data></Cell>\r\n"_S));
    EXPECT_FALSE(X.contains(u"s66"_S));
    EXPECT_TRUE(X.contains(u"<Border ss:LineStyle=\"Continuous\" ss:Weight=\"1\" ss:Position=\"Left\" ss:Color=\"#000000\"/>"_S));
    EXPECT_TRUE(X.contains(u"<Font ss:FontName=\"Arial &quot;Narrow&quot;\" ss:Bold=\"1\" ss:Size=\"11\"/>"_S));
    EXPECT_TRUE(X.contains(u"ss:ExpandedColumnCount=\"2\" ss:ExpandedRowCount=\"2\""_S));
}

TEST(XMLSpreadsheetGridExport, CellTypesAndNumbersWithAPointWhateverTheSettings) {
    TTableSource S;
    S.Titles = {u"Int"_S, u"Float"_S, u"Date"_S, u"Old"_S, u"Null"_S, u"Text"_S};
    S.Rows = {{Variant(42), Variant(1234.5), VarFromDateTime(EncodeDateTime(2024, 7, 25, 16, 55, 6, 0)),
               VarFromDateTime(EncodeDate(1899, 12, 31)), Variant::Null(), Variant(u"Цех №1"_S)}};
    S.Texts = {{u"42"_S, u"1 234,50"_S, u"25.07.2024"_S, u"31.12.1899"_S, String(), u"Цех №1"_S}};
    const QChar Separator = FormatSettings.DecimalSeparator;
    ASSERT_EQ(Separator, u',');
    String X = GridWorkbook(S);
    EXPECT_EQ(FormatSettings.DecimalSeparator, Separator);
    EXPECT_TRUE(X.contains(u"<Data ss:Type=\"Number\">42</Data>"_S));
    EXPECT_TRUE(X.contains(u"<Data ss:Type=\"Number\">1234.5</Data>"_S));
    EXPECT_TRUE(X.contains(u"<Data ss:Type=\"DateTime\">2024-07-25T16:55:06.000</Data>"_S));
    EXPECT_TRUE(X.contains(u"<NumberFormat ss:Format=\"Short Date\"/>"_S));
    EXPECT_TRUE(X.contains(u"<Data ss:Type=\"String\">31.12.1899</Data>"_S));
    EXPECT_TRUE(X.contains(u"<Data ss:Type=\"String\"></Data>"_S));
    EXPECT_TRUE(X.contains(u"<Data ss:Type=\"String\">Цех №1</Data>"_S));

    String Texts = GridWorkbook(S, {xmlssDataAsDisplayTextVz});
    EXPECT_TRUE(Texts.contains(u"<Data ss:Type=\"String\">1 234,50</Data>"_S));
    EXPECT_FALSE(Texts.contains(u"\"Number\""_S));
}

TEST(XMLSpreadsheetGridExport, ThousandRecordWorkbookIsWellFormed) {
    TTableSource S = PayGridSource();
    S.Rows[1][0] = Variant(u"управляющий\x02символ <b>"_S);
    S.Footers = {{u"Итого"_S, String(), u"6 172 839,50"_S, u"1000"_S}};
    QTemporaryDir Dir;
    String File = Dir.filePath(u"pay.xml"_S);
    auto E = NewOwned<TDBGridVzExportAsXMLSpreadsheet>();
    E->ExportToFile(File, &S);
    sdelka::test::TRun R = sdelka::test::RunTool(u"xmllint"_S, {u"--noout"_S, File});
    EXPECT_EQ(R.Code, 0) << R.Err.constData();
    sdelka::test::TRun Count = sdelka::test::RunTool(
        u"xmllint"_S, {u"--xpath"_S, u"count(//*[local-name()='Row'])"_S, File});
    EXPECT_EQ(Count.Out.trimmed(), QByteArray("1002"));

    // the cells read back as the grid holds them: names and counts as texts, Nulls empty
    const char* Script =
        "import sys, xml.etree.ElementTree as ET\n"
        "ns = {'ss': 'urn:schemas-microsoft-com:office:spreadsheet'}\n"
        "rows = ET.parse(sys.argv[1]).getroot().findall('.//ss:Row', ns)\n"
        "for r in rows[1:-1]:\n"
        "    d = [c.find('ss:Data', ns) for c in r.findall('ss:Cell', ns)]\n"
        "    print((d[0].text or '') + '|' + (d[3].text or ''))\n";
    sdelka::test::TRun Cells = sdelka::test::RunTool(u"python3"_S, {u"-c"_S, String::fromUtf8(Script), File});
    ASSERT_EQ(Cells.Code, 0) << Cells.Err.constData();
    QStringList Lines = String::fromUtf8(Cells.Out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(Lines.size(), 1000);
    for (int R = 0; R < 1000; ++R) {
        String Name = R == 1 ? u"управляющийсимвол <b>"_S : S.Texts[R][0];
        ASSERT_EQ(Lines[R], Name + u'|' + S.Texts[R][3]) << R;
    }
}

}  // namespace
