#include "platform/testing/scriptedresponder.h"
#include "report/export/rpxlsxfilter.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/dialogs.h"
#include "platform/office/zipfile.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/streams.h"
#include "report/export/rpexportfilters.h"
#include "report/export/rpxlsxpackage.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rpreport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/tools.h"
#include "support/report_page.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

const QStringList PartOrder{u"[Content_Types].xml"_s,       u"_rels/.rels"_s,    u"xl/_rels/workbook.xml.rels"_s,
                            u"xl/workbook.xml"_s, u"xl/styles.xml"_s, u"xl/worksheets/sheet.xml"_s};

// The filter's settings shared by the process are put back after each test.
struct XlsxSharedSettings {
    String Name = TRpXLSXDocumentFilter::WorkSheetname();
    int Margin = TRpXLSXDocumentFilter::sheetLeftMargin();
    bool Compat = TRpXLSXDocumentFilter::Rp506Compat();
    ~XlsxSharedSettings() {
        TRpXLSXDocumentFilter::SetWorkSheetname(Name);
        TRpXLSXDocumentFilter::SetsheetLeftMargin(Margin);
        TRpXLSXDocumentFilter::SetRp506Compat(Compat);
    }
};

// The parts of the workbook a filter without a file name wrote into its stream.
struct Workbook {
    TZipFile Zip;
    explicit Workbook(TRpXLSXDocumentFilter* F) {
        TStream* S = F->Stream();
        if (!S || S->Size() == 0) return;
        const Byte* P = static_cast<const Byte*>(static_cast<TMemoryStream*>(S)->Memory());
        Zip.Open(TZipBytes(P, P + S->Size()));
    }
    bool Written() const { return Zip.Mode() == zmRead; }
    String Part(const String& Name) const {
        const TZipBytes B = Zip.Read(Name);
        return String::fromUtf8(reinterpret_cast<const char*>(B.data()), qsizetype(B.size()));
    }
    QStringList Lines(const String& Name) const {
        String S = Part(Name);
        if (S.startsWith(QChar(0xFEFF))) S.remove(0, 1);  // the byte-order signature
        QStringList L = S.split(u"\r\n"_s);
        L.removeLast();
        return L;
    }
    // The sheet's cell lines.
    QStringList Cells() const {
        QStringList R;
        for (const String& L : Lines(u"xl/worksheets/sheet.xml"_s))
            if (L.startsWith(u"    <x:c "_s)) R << L.trimmed();
        return R;
    }
    // "r" attributes of the cells, rows separated by "|".
    String Layout() const {
        String R;
        for (const String& L : Lines(u"xl/worksheets/sheet.xml"_s)) {
            if (L == u"   </x:row>"_s) R += u'|';
            const qsizetype At = L.indexOf(u"r=\""_s);
            if (L.startsWith(u"    <x:c "_s) && At > 0) R += L.mid(At + 3, L.indexOf(u'"', At + 3) - At - 3) + u' ';
        }
        return R;
    }
};

struct Line {
    Extended Y;
    int Column;
    const char16_t* Text;
    TExportType As = exptText;
    TXLNumFormat Format = nfGeneral;
    const char* Name = "";
};

// Hands lines to the filter the way a label does.
void Out(TRpXLSXDocumentFilter* F, TFont* Font, const Line& L, TColor BG = clWindow) {
    TExportInfoRec R;
    R.Ypos = L.Y;
    R.Xpos = 100;
    R.Font = Font;
    R.BGColor = BG;
    R.Text = String::fromUtf16(L.Text);
    R.Column = L.Column;
    R.ExportAs = L.As;
    R.XLNumFormat = L.Format;
    R.ControlName = QString::fromLatin1(L.Name);
    F->TextOutRec(R);
}

TOwned<TRpXLSXDocumentFilter> Export(std::initializer_list<Line> Lines, const String& Name = String()) {
    auto F = NewOwned<TRpXLSXDocumentFilter>(Name);
    TFont Font;
    Font.SetName(u"Arial"_s);
    Font.SetSize(10);
    F->Start(2100, 2970, &Font);
    F->NewPage();
    for (const Line& L : Lines) Out(F.get(), &Font, L);
    F->EndPage();
    F->Finish();
    return F;
}

TEST(RpXLSXFilter, CellsArePlacedByColumnAndByTheWholeUnitsOfTheirTop) {
    XlsxSharedSettings Keep;
    auto F = Export({{205.9, 2, u"c"}, {200.2, 1, u"b"}, {210, 1, u"next"}, {210.7, 3, u"same row"}, {50, 0, u"left out"}});
    Workbook W(F.get());
    ASSERT_TRUE(W.Written());
    EXPECT_EQ(W.Layout(), u"B1 |C2 |B3 D3 |"_s);
    EXPECT_EQ(W.Cells()[0], u"<x:c r=\"B1\" t=\"inlineStr\" s=\"1\"><x:is><x:t>b</x:t> </x:is></x:c>"_s);
    EXPECT_FALSE(F->Active());
}

TEST(RpXLSXFilter, TheLeftMarginAndTheCompatibleMode) {
    XlsxSharedSettings Keep;
    // The preview's "+++" keeps the shared margin (0 here): column 1 is A; the name loses the prefix.
    TRpXLSXDocumentFilter::SetsheetLeftMargin(0);
    auto Plus = NewOwned<TRpXLSXDocumentFilter>(u"+++/tmp/a+++b.xlsx"_s);
    EXPECT_EQ(Plus->Filename(), u"/tmp/a+++b.xlsx"_s);
    EXPECT_EQ(TRpXLSXDocumentFilter::sheetLeftMargin(), 0);
    // "+++" elsewhere in the name is a plain name: the margin becomes one column.
    auto Plain = NewOwned<TRpXLSXDocumentFilter>(u"/tmp/a+++b.xlsx"_s);
    EXPECT_EQ(Plain->Filename(), u"/tmp/a+++b.xlsx"_s);
    EXPECT_EQ(TRpXLSXDocumentFilter::sheetLeftMargin(), 1);

    TRpXLSXDocumentFilter::SetsheetLeftMargin(0);
    auto F = Export({{0, 1, u"a"}, {0, 0, u"dropped"}}, u"+++"_s);
    EXPECT_EQ(F->Filename(), String());
    EXPECT_EQ(Workbook(F.get()).Layout(), u"A1 |"_s);

    TRpXLSXDocumentFilter::SetRp506Compat(true);
    TRpXLSXDocumentFilter::SetsheetLeftMargin(5);
    F = Export({{0, 0, u"zero"}, {0, 2, u"two"}, {10, -1, u"outside the sheet"}});
    EXPECT_EQ(Workbook(F.get()).Layout(), u"A1 C1 |"_s);
}

TEST(RpXLSXFilter, TwoLinesInOneCellWriteNothingAndNameThePrintable) {
    XlsxSharedSettings Keep;
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"dup.xlsx"_s);
    Export({{0, 1, u"a", exptText, nfGeneral, "First"}, {0, 1, u"b", exptText, nfGeneral, "Second"}}, Name);
    ASSERT_EQ(Responder.MessageCount(), 1);
    EXPECT_EQ(Responder.LastCall().Text, u"Duplicate cell reference detected - please check 'XLColumn' property of Second"_s);
    EXPECT_FALSE(QFile::exists(Name));
}

TEST(RpXLSXFilter, AnExportWithoutCellsWritesAnEmptySheet) {
    XlsxSharedSettings Keep;
    auto F = Export({{0, 0, u"no column"}});
    Workbook W(F.get());
    ASSERT_TRUE(W.Written());
    EXPECT_EQ(W.Zip.FileNames(), std::vector<String>(PartOrder.begin(), PartOrder.end()));
    EXPECT_EQ(W.Lines(u"xl/worksheets/sheet.xml"_s),
              (QStringList{u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"_s,
                           u"<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"_s,
                           u"    <x:sheetData>"_s, u" </x:sheetData>"_s, u" </x:worksheet>"_s}));
}

TEST(RpXLSXFilter, ASecondPageContinuesBelowTheFirst) {
    XlsxSharedSettings Keep;
    auto F = NewOwned<TRpXLSXDocumentFilter>();
    TFont Font;
    F->Start(2100, 2970, &Font);
    F->EndPage();  // the engine ends a page before the first one
    F->NewPage();
    Out(F.get(), &Font, {0, 1, u"page 1 top"});
    Out(F.get(), &Font, {2700, 1, u"page 1 bottom"});
    F->EndPage();
    F->NewPage();
    Out(F.get(), &Font, {0, 1, u"page 2 top"});
    Out(F.get(), &Font, {100, 1, u"page 2 next"});
    F->EndPage();
    F->Finish();
    const QStringList C = Workbook(F.get()).Cells();
    ASSERT_EQ(C.size(), 4);
    EXPECT_TRUE(C[2].contains(u"r=\"B3\""_s) && C[2].contains(u"page 2 top"_s)) << C[2].toStdString();
    EXPECT_TRUE(C[3].contains(u"r=\"B4\""_s) && C[3].contains(u"page 2 next"_s)) << C[3].toStdString();
}

TEST(RpXLSXFilter, StylesAreSharedAndColoursResolved) {
    XlsxSharedSettings Keep;
    auto F = NewOwned<TRpXLSXDocumentFilter>();
    TFont Font;
    Font.SetName(u"Arial"_s);
    Font.SetSize(10);
    TFont Bold;
    Bold.SetName(u"Times New Roman"_s);
    Bold.SetSize(12);
    Bold.SetStyle({fsBold, fsItalic});
    Bold.SetColor(clRed);
    F->Start(2100, 2970, &Font);
    F->NewPage();
    Out(F.get(), &Font, {0, 1, u"window"}, clWindow);        // a system colour that is white
    Out(F.get(), &Font, {0, 2, u"white"}, clWhite);
    Out(F.get(), &Font, {0, 3, u"silver"}, TColor(0xC0C0C0));
    Out(F.get(), &Font, {0, 4, u"silver again"}, TColor(0xC0C0C0));
    Out(F.get(), &Bold, {0, 5, u"blue"}, TColor(0xFF0000));   // BGR: blue
    Out(F.get(), &Font, {0, 6, u"face"}, clBtnFace);
    F->Finish();
    Workbook W(F.get());
    const QStringList S = W.Lines(u"xl/styles.xml"_s);
    const String All = S.join(u'\n');
    EXPECT_TRUE(S.contains(u"<fonts count=\"2\" >"_s)) << All.toStdString();  // Arial 10 black is the seed
    EXPECT_TRUE(S.contains(u"<font><sz val=\"10\"/><name val=\"Arial\"/><color rgb=\"FF000000\"/></font>"_s));
    EXPECT_TRUE(
        S.contains(u"<font><b/><i/><sz val=\"12\"/><name val=\"Times New Roman\"/><color rgb=\"FFFF0000\"/></font>"_s));
    EXPECT_TRUE(S.contains(u"<fills count=\"6\" >"_s)) << All.toStdString();
    EXPECT_TRUE(S.contains(u"<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFC0C0C0\"/></patternFill></fill>"_s));
    EXPECT_TRUE(S.contains(u"<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FF0000FF\"/></patternFill></fill>"_s));
    EXPECT_TRUE(S.contains(u"<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFD4D0C8\"/></patternFill></fill>"_s))
        << All.toStdString();
    // window and white share one format, the two silvers another.
    EXPECT_TRUE(S.contains(u"<cellXfs count=\"5\" >"_s)) << All.toStdString();
    const QStringList C = W.Cells();
    EXPECT_TRUE(C[0].contains(u"s=\"1\""_s) && C[1].contains(u"s=\"1\""_s));
    EXPECT_TRUE(C[2].contains(u"s=\"2\""_s) && C[3].contains(u"s=\"2\""_s));
}

TEST(RpXLSXFilter, NumberCellsHoldInvariantNumbersAndFormatsTheirIds) {
    XlsxSharedSettings Keep;
    FormatSettings = TFormatSettings::Create();
    struct Case {
        const char16_t* Text;
        TXLNumFormat Format;
        const char16_t* Cell;
    } Cases[] = {
        {u"1\u00a0234,50", nfDec2, u"<x:v>1234.5</x:v>"},
        {u"-0,25", nfGeneral, u"<x:v>-0.25</x:v>"},
        {u"7.5", nfGeneral, u"<x:v>7.5</x:v>"},
        {u"12%", nfPercent, u"<x:v>0.12</x:v>"},
        {u"1 500 ₽", nfCurrency, u"<x:v>1500</x:v>"},
        {u"10.12.2026", nfDate1, u"<x:v>46366</x:v>"},
        {u"10.12.2026 12:00", nfDateTime, u"<x:v>46366.5</x:v>"},
        {u"06:00", nfTime4, u"<x:v>0.25</x:v>"},
        {u"15.02.1900", nfDate1, u"<x:v>46</x:v>"},  // before the 1900 date system's false leap day
        {u"нет данных", nfInteger, u"t=\"inlineStr\""},
    };
    auto F = NewOwned<TRpXLSXDocumentFilter>();
    TFont Font;
    F->Start(2100, 2970, &Font);
    F->NewPage();
    Extended Y = 0;
    for (const Case& C : Cases) Out(F.get(), &Font, {Y += 10, 1, C.Text, exptNumeric, C.Format});
    Out(F.get(), &Font, {Y += 10, 1, u"=SUM(B1:B2)", exptFormula});
    F->Finish();
    Workbook W(F.get());
    const QStringList Cells = W.Cells();
    ASSERT_EQ(Cells.size(), qsizetype(std::size(Cases)) + 1);
    for (std::size_t i = 0; i < std::size(Cases); ++i)
        EXPECT_TRUE(Cells[qsizetype(i)].contains(String::fromUtf16(Cases[i].Cell))) << Cells[qsizetype(i)].toStdString();
    EXPECT_TRUE(Cells.back().endsWith(u"<x:f>SUM(B1:B2)</x:f></x:c>"_s)) << Cells.back().toStdString();

    // Built-in ids where they mean the format, explicit ones for the currency formats.
    const std::pair<TXLNumFormat, int> Ids[] = {{nfGeneral, 0},   {nfDec2, 2},      {nfCurrencyNS, 4}, {nfCurrency, 164},
                                                {nfCurrencyDec2, 167}, {nfPercentDec2, 10}, {nfFraction, 12},
                                                {nfDate1, 14},    {nfDate4, 17},    {nfTime1, 18},     {nfTime4, 21},
                                                {nfDateTime, 22}};
    for (const auto& [Format, Id] : Ids) EXPECT_EQ(XLSXNumFmtId(Format), Id) << int(Format);
    const String Styles = W.Lines(u"xl/styles.xml"_s).join(u'\n');
    EXPECT_TRUE(Styles.contains(u"<numFmt numFmtId=\"164\" formatCode=\"#,##0 &quot;₽&quot;\"/>"_s)) << Styles.toStdString();
}

TEST(RpXLSXFilter, TextsSheetNamesAndColumnLetters) {
    XlsxSharedSettings Keep;
    TRpXLSXDocumentFilter::SetWorkSheetname(u"Табель [март] <1>"_s);
    auto F = Export({{0, 1, u"Цена & \"кол-во\" <b>"}, {10, 1, u" отступ"}, {20, 1, u"a\u0001b"}});
    Workbook W(F.get());
    const QStringList C = W.Cells();
    EXPECT_TRUE(C[0].contains(u"<x:t>Цена &amp; &quot;кол-во&quot; &lt;b&gt;</x:t>"_s)) << C[0].toStdString();
    EXPECT_TRUE(C[1].contains(u"<x:t xml:space=\"preserve\"> отступ</x:t>"_s)) << C[1].toStdString();
    EXPECT_TRUE(C[2].contains(u"<x:t>a_x0001_b</x:t>"_s)) << C[2].toStdString();
    EXPECT_TRUE(W.Lines(u"xl/workbook.xml"_s).contains(u"        <x:sheet name=\"Табель _март_ &lt;1&gt;\" sheetId=\"1\" r:id=\"rId1\"/>"_s));

    EXPECT_EQ(XLSXValidSheetName(String()), u"Untitled Sheet"_s);
    EXPECT_EQ(XLSXValidSheetName(u"'a/b'"_s), u"_a_b_"_s);
    EXPECT_EQ(XLSXValidSheetName(String(40, u'x')).size(), 31);

    const std::pair<int, const char16_t*> Letters[] = {{0, u"A"},   {25, u"Z"},    {26, u"AA"},   {51, u"AZ"},
                                                       {52, u"BA"}, {701, u"ZZ"},  {702, u"AAA"}, {16383, u"XFD"},
                                                       {16384, u""}, {-1, u""}};
    for (const auto& [I, L] : Letters) EXPECT_EQ(TRpXLSXDocumentFilter::XLColumnLetters(I), String::fromUtf16(L)) << I;
}

TEST(RpXLSXFilter, PartsAreSignedCrLfTextInTheirOrder) {
    XlsxSharedSettings Keep;
    auto F = Export({{0, 1, u"x"}});
    Workbook W(F.get());
    ASSERT_EQ(W.Zip.FileNames(), std::vector<String>(PartOrder.begin(), PartOrder.end()));
    for (int i = 0; i < W.Zip.FileCount(); ++i) {
        EXPECT_EQ(W.Zip.Compression(i), zcDeflate);
        const TZipBytes B = W.Zip.Read(i);
        ASSERT_GT(B.size(), 5u);
        EXPECT_TRUE(B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF) << i;
        EXPECT_TRUE(B[B.size() - 2] == '\r' && B[B.size() - 1] == '\n') << i;
    }
    EXPECT_EQ(W.Lines(u"[Content_Types].xml"_s)[2],
              u"    <Default Extension=\"xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"_s);
    // A report with only the default font: one font, three fills, two cell formats.
    const QStringList S = W.Lines(u"xl/styles.xml"_s);
    EXPECT_TRUE(S.contains(u"<fonts count=\"1\" >"_s));
    EXPECT_TRUE(S.contains(u"<fills count=\"3\" >"_s));
    EXPECT_TRUE(S.contains(u"<cellXfs count=\"2\" >"_s));
    EXPECT_TRUE(S.contains(
        u"<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"><alignment vertical=\"center\" horizontal=\"left\"/></xf>"_s));
}

TEST(RpXLSXFilter, IsRegisteredForTheSaveCommand) {
    XlsxSharedSettings Keep;
    RpRegisterExportFilters();
    TRpExportFilterLibraryEntry* E = RpExportFilterLibrary()->GetFilterByExtension(u"XLSX"_s);
    ASSERT_NE(E, nullptr);
    EXPECT_EQ(E->FilterName, u"XLSX spreadsheet"_s);
    EXPECT_TRUE(RpExportFilterLibrary()->SaveDialogFilterString().contains(u"|XLSX spreadsheet (*.xlsx)|*.xlsx"_s));
    // The save command's way: the class made with "+++" and the chosen name.
    TOwned<TRpExportFilter> F(E->ExportFilterClass->Create(u"+++/tmp/out.xlsx"_s));
    EXPECT_TRUE(F->Is<TRpXLSXDocumentFilter>());
    EXPECT_EQ(F->Filename(), u"/tmp/out.xlsx"_s);
}

// ---- a real report, read back by Python's zipfile and openpyxl -------------------------------------

String Python() { return QFile::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s; }

const char* const WorkbookReader = R"PY(
import datetime, json, sys, zipfile
import xml.dom.minidom
import openpyxl
z = zipfile.ZipFile(sys.argv[1])
out = {"bad": z.testzip(), "names": z.namelist(), "cells": {}}
for n in z.namelist():
    xml.dom.minidom.parseString(z.read(n))
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.active
out["title"] = ws.title
for row in ws.iter_rows():
    for c in row:
        v = c.value
        if v is None:
            continue
        if isinstance(v, datetime.datetime):
            out["cells"][c.coordinate] = ["date", v.isoformat()]
        elif isinstance(v, (int, float)) and not isinstance(v, bool):
            out["cells"][c.coordinate] = ["number", v]
        else:
            out["cells"][c.coordinate] = ["text", str(v)]
print(json.dumps(out, ensure_ascii=False))
)PY";

TEST(RpXLSXFilter, AReportReadsBackWithTextsNumbersAndDatesInTheirCells) {
    XlsxSharedSettings Keep;
    FormatSettings = TFormatSettings::Create();
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = NewReportOnCustomPage(Root.get(), -1);
    auto* Data = New<TTestTableDataSet>(Root.get());
    Data->FieldDefs()->Add(u"FIO"_s, ftString, 40);
    Data->FieldDefs()->Add(u"KOL"_s, ftInteger);
    Data->FieldDefs()->Add(u"SUMMA"_s, ftFloat);
    Data->FieldDefs()->Add(u"DATA"_s, ftDate);
    Data->CreateDataSet();
    const int Records = 12;  // more than one page holds
    for (int i = 1; i <= Records; ++i)
        Data->AppendRecord({u"Рабочий №%1"_s.arg(i), i * 10, 1234.5 + i, VarFromDateTime(EncodeDate(2026, 12, i))});
    Data->First();
    Report->SetDataSet(Data);

    auto Place = [](TRpPrintable* P, int Left) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(Left);
        P->Size()->SetTop(0);
        P->Size()->SetWidth(400);
        P->Size()->SetHeight(80);
    };
    TRpBand* Title = Report->CreateBand(rbTitle);
    Title->SetNativeHeight(100);
    auto* Caption = New<TRpLabel>(Root.get());
    Caption->SetParent(Title);
    Place(Caption, 0);
    Caption->SetCaption(u"Выработка за декабрь <script>"_s);
    Caption->SetXLColumn(1);
    TRpBand* Detail = Report->CreateBand(rbDetail);
    Detail->SetNativeHeight(100);
    const struct {
        const char16_t* Field;
        TExportType As;
        TXLNumFormat Format;
    } Columns[] = {{u"FIO", exptText, nfGeneral}, {u"KOL", exptNumeric, nfInteger}, {u"SUMMA", exptNumeric, nfDec2},
                   {u"DATA", exptNumeric, nfDate1}};
    int Col = 1;
    for (const auto& C : Columns) {
        auto* T = New<TRpDBText>(Root.get());
        T->SetParent(Detail);
        Place(T, 420 * (Col - 1));
        T->SetDataSet(Data);
        T->SetDataField(String::fromUtf16(C.Field));
        T->SetExportAs(C.As);
        T->SetXLNumFormat(C.Format);
        T->SetXLColumn(Col++);
    }

    QTemporaryDir Dir;
    const String File = Dir.filePath(u"выработка.xlsx"_s);
    {
        auto F = NewOwned<TRpXLSXDocumentFilter>(File);
        Report->ExportToFilter(F.get());
    }
    ASSERT_TRUE(QFile::exists(File));

    const sdelka::test::TRun R = sdelka::test::RunTool(Python(), {u"-c"_s, QString::fromLatin1(WorkbookReader), File}, 120000);
    ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
    const QJsonObject J = QJsonDocument::fromJson(R.Out).object();
    EXPECT_TRUE(J[u"bad"_s].isNull());
    QStringList Names;
    for (const auto& N : J[u"names"_s].toArray()) Names << N.toString();
    EXPECT_EQ(Names, PartOrder);
    EXPECT_EQ(J[u"title"_s].toString(), u"Untitled Sheet"_s);
    const QJsonObject Cells = J[u"cells"_s].toObject();
    EXPECT_EQ(Cells.size(), 1 + 4 * Records);
    EXPECT_EQ(Cells[u"B1"_s].toArray(), (QJsonArray{u"text"_s, u"Выработка за декабрь <script>"_s}));
    for (int i = 1; i <= Records; ++i) {
        const String Row = String::number(i + 1);
        EXPECT_EQ(Cells[u"B"_s + Row].toArray(), (QJsonArray{u"text"_s, u"Рабочий №%1"_s.arg(i)})) << i;
        EXPECT_EQ(Cells[u"C"_s + Row].toArray(), (QJsonArray{u"number"_s, i * 10})) << i;
        EXPECT_EQ(Cells[u"D"_s + Row].toArray(), (QJsonArray{u"number"_s, 1234.5 + i})) << i;
        EXPECT_EQ(Cells[u"E"_s + Row].toArray(), (QJsonArray{u"date"_s, u"2026-12-%1T00:00:00"_s.arg(i, 2, 10, QChar(u'0'))}))
            << i;
    }
}

}  // namespace
