#include "platform/office/excel.h"
#include "platform/office/zipfile.h"
#include "platform/rtl/formatsettings.h"
#include "support/globals_guard.h"
#include "support/safefile_check.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// Every test starts with no spreadsheet application running and records what would be opened.
class Spreadsheet : public ::testing::Test {
protected:
    void SetUp() override {
        QuitAll();
        // the test entry point's guard puts the opener back
        SetExcelFileOpener([this](const String& Name) { Opened.push_back(Name); return true; });
    }
    void TearDown() override {
        QuitAll();
        for (const String& Name : Opened) QFile::remove(Name);
    }
    static void QuitAll() {
        for (;;) {
            try {
                GetActiveOleObject(QStringLiteral("Excel.Application"))->Quit();
            } catch (const EOleSysError&) {
                return;
            }
        }
    }
    static String Part(const String& File, const String& Name) {
        TZipFile Zip;
        Zip.Open(File, zmRead);
        const TZipBytes B = Zip.Read(Name);
        return String::fromUtf8(reinterpret_cast<const char*>(B.data()), static_cast<qsizetype>(B.size()));
    }
    static bool WellFormed(const String& Xml) {
        QXmlStreamReader R(Xml);
        while (!R.atEnd()) R.readNext();
        return !R.hasError();
    }
    std::vector<String> Opened;
    QTemporaryDir Dir;

private:
};

// A fitted column follows its cells' texts when it is fitted again: wider texts, a narrower
// widest text, bold type, cleared cells, other columns untouched.
TEST_F(Spreadsheet, ColumnFitFollowsTheTextsWrittenSinceTheLastFit) {
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    App->Workbooks()->Add();
    TExcelWorksheet* Sheet = App->Worksheets(1);
    auto fit = [&](int Col) {
        Sheet->Columns(Col).AutoFit();
        return Sheet->Columns(Col).ColumnWidth();
    };
    EXPECT_EQ(fit(1), 0);  // nothing in it: the default width
    Sheet->Cells(1, 1).SetValue(QStringLiteral("abc"));
    Sheet->Cells(1, 2).SetValue(QStringLiteral("much wider text"));
    EXPECT_DOUBLE_EQ(fit(1), 3.71);
    Sheet->Cells(2, 1).SetValue(QStringLiteral("abcdef"));
    EXPECT_DOUBLE_EQ(fit(1), 6.71);
    Sheet->Cells(2, 1).SetValue(QStringLiteral("ab"));  // the widest text got narrower
    EXPECT_DOUBLE_EQ(fit(1), 3.71);
    Sheet->Cells(1, 1).Font().SetBold(true);
    EXPECT_DOUBLE_EQ(fit(1), 4.01);
    Sheet->Cells(1, 1).SetValue(Variant());
    EXPECT_DOUBLE_EQ(fit(1), 2.71);
    Sheet->Cells(2, 1).SetValue(Variant());
    EXPECT_EQ(fit(1), 0);
    Sheet->Cells(3, 1).SetValue(12.5);  // a number by its shown text, "12,5"
    EXPECT_DOUBLE_EQ(fit(1), 4.71);
    EXPECT_DOUBLE_EQ(fit(2), 15.71);
}

TEST_F(Spreadsheet, WorkbookIsWrittenAsXlsxAndReadsBack) {
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    TExcelWorkbook* Book = App->Workbooks()->Add();
    TExcelWorksheet* Sheet = App->Worksheets(1);
    Sheet->Cells(1, 1).SetValue(QStringLiteral("Марка"));
    Sheet->Cells(1, 1).Font().SetBold(true);
    Sheet->Cells(1, 2).SetValue(QStringLiteral("Цена"));
    Sheet->Cells(2, 1).SetNumberFormat(QStringLiteral("@"));
    Sheet->Cells(2, 1).SetValue(QStringLiteral("0071"));   // text format: stays text with its zeros
    Sheet->Cells(2, 2).SetValue(QStringLiteral("12,5"));   // local notation: a number
    Sheet->Cells(3, 2).SetValue(7);
    Sheet->Columns(1).AutoFit();
    const String File = Dir.filePath(QStringLiteral("книга.xlsx"));
    Book->SaveAs(File);

    TZipFile Zip;
    Zip.Open(File, zmRead);
    for (const char* P : {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                          "xl/worksheets/sheet1.xml", "xl/styles.xml"}) {
        ASSERT_GE(Zip.IndexOf(QString::fromLatin1(P)), 0) << P;
        EXPECT_TRUE(WellFormed(Part(File, QString::fromLatin1(P)))) << P;
    }
    const String Xml = Part(File, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<c r=\"A1\" s=\"2\" t=\"inlineStr\"><is><t xml:space=\"preserve\">Марка</t></is></c>")));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<c r=\"A2\" s=\"1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">0071</t></is></c>")));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<c r=\"B2\"><v>12.5</v></c>")));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<c r=\"B3\"><v>7</v></c>")));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<col min=\"1\" max=\"1\" width=\"6.21\"")));  // "Марка" bold: 5 × 1.1 + 0.71
    const String Styles = Part(File, QStringLiteral("xl/styles.xml"));
    EXPECT_TRUE(Styles.contains(QStringLiteral("<xf numFmtId=\"49\" fontId=\"0\"")));
    EXPECT_TRUE(Styles.contains(QStringLiteral("<font><b/>")));

    // The same workbook opened again: values, text format and bold type.
    TExcelWorkbook* Again = App->Workbooks()->Open(File);
    TExcelWorksheet* S = Again->Worksheets(1);
    EXPECT_EQ(S->Cells(1, 1).Value(), Variant(QStringLiteral("Марка")));
    EXPECT_TRUE(S->Cells(1, 1).Font().Bold());
    EXPECT_EQ(S->Cells(2, 1).Value(), Variant(QStringLiteral("0071")));
    EXPECT_EQ(S->Cells(2, 1).NumberFormat(), QStringLiteral("@"));
    EXPECT_EQ(S->Cells(2, 2).Value(), Variant(12.5));
    EXPECT_FALSE(S->Cells(2, 2).Font().Bold());
    EXPECT_DOUBLE_EQ(S->Columns(1).ColumnWidth(), 6.21);
    EXPECT_EQ(App->Workbooks()->Count(), 2);
}

TEST_F(Spreadsheet, AFailedSaveKeepsTheOldWorkbook) {
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    TExcelWorkbook* Book = App->Workbooks()->Add();
    TExcelWorksheet* Sheet = App->Worksheets(1);
    for (int r = 1; r <= 30; ++r) Sheet->Cells(r, 1).SetValue(QStringLiteral("Строка %1").arg(r));
    sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) { Book->SaveAs(Name); }, QStringLiteral("book.xlsx"));
}

TEST_F(Spreadsheet, TextIsReadAsTyped) {
    FormatSettings.DecimalSeparator = u',';
    struct Case {
        const char* Typed;
        bool AsText;
        Variant Expected;
    } Cases[] = {
        {"12", false, Variant(12.0)},
        {"-1,25", false, Variant(-1.25)},
        {" 3 ", false, Variant(3.0)},
        {"007", false, Variant(7.0)},
        {"007", true, Variant(QStringLiteral("007"))},
        {"1.5", false, Variant(QStringLiteral("1.5"))},   // not the local notation
        {"1,", false, Variant(QStringLiteral("1,"))},
        {"-", false, Variant(QStringLiteral("-"))},
        {"=1+1", false, Variant(QStringLiteral("=1+1"))},  // formulas are not evaluated
        {"Цена итог", false, Variant(QStringLiteral("Цена итог"))},
    };
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    App->Workbooks()->Add();
    int Row = 1;
    for (const Case& C : Cases) {
        TExcelRange Cell = App->Worksheets(1)->Cells(Row++, 1);
        if (C.AsText) Cell.SetNumberFormat(QStringLiteral("@"));
        Cell.SetValue(QString::fromUtf8(C.Typed));
        EXPECT_EQ(Cell.Value().VType(), C.Expected.VType()) << C.Typed;
        EXPECT_EQ(Cell.Value(), C.Expected) << C.Typed;
    }
}

TEST_F(Spreadsheet, EveryTextIsEscaped) {
    const String Nasty = QStringLiteral("a<b>&\"c\" 'd' ") + QChar(1) + QStringLiteral("_x0041_ \t end") + QChar(0xD800);
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    TExcelWorkbook* Book = App->Workbooks()->Add();
    Book->Worksheets(1)->Cells(1, 1).SetValue(Nasty);
    Book->AddWorksheet(QStringLiteral("Лист <2> & \"кавычки\""));
    const String File = Dir.filePath(QStringLiteral("esc.xlsx"));
    Book->SaveAs(File);
    EXPECT_TRUE(WellFormed(Part(File, QStringLiteral("xl/worksheets/sheet1.xml"))));
    EXPECT_TRUE(WellFormed(Part(File, QStringLiteral("xl/workbook.xml"))));
    TExcelWorkbook* Again = App->Workbooks()->Open(File);
    // Control characters and the lone surrogate travel as "_xHHHH_" escapes.
    EXPECT_EQ(Again->Worksheets(1)->Cells(1, 1).Value().AsString(), Nasty);
    EXPECT_EQ(Again->Worksheets(2)->Name(), QStringLiteral("Лист <2> & \"кавычки\""));
}

TEST_F(Spreadsheet, AddressesOutsideTheWorkbookFail) {
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    EXPECT_THROW(App->Worksheets(1), EOleException);  // no workbook yet
    TExcelWorkbook* Book = App->Workbooks()->Add();
    EXPECT_EQ(Book->Name(), QStringLiteral("Книга1"));
    EXPECT_EQ(Book->Worksheets(1)->Name(), QStringLiteral("Лист1"));
    EXPECT_THROW(App->Worksheets(2), EOleException);
    EXPECT_THROW(App->Worksheets(0), EOleException);
    EXPECT_THROW(App->Worksheets(1)->Cells(0, 1), EOleException);
    EXPECT_THROW(App->Worksheets(1)->Cells(1, TExcelWorksheet::MaxColumns + 1), EOleException);
    EXPECT_THROW(App->Worksheets(1)->Cells(1, 1).SetNumberFormat(QStringLiteral("0.00")), EOleException);
    EXPECT_EQ(XlsxColumnName(1), QStringLiteral("A"));
    EXPECT_EQ(XlsxColumnName(26), QStringLiteral("Z"));
    EXPECT_EQ(XlsxColumnName(27), QStringLiteral("AA"));
    EXPECT_EQ(XlsxColumnName(TExcelWorksheet::MaxColumns), QStringLiteral("XFD"));
    EXPECT_THROW(App->Workbooks()->Open(Dir.filePath(QStringLiteral("none.xlsx"))), EOleException);
    QFile F(Dir.filePath(QStringLiteral("text.xlsx")));
    F.open(QIODevice::WriteOnly);
    F.write("not a workbook");
    F.close();
    EXPECT_THROW(App->Workbooks()->Open(F.fileName()), EOleException);
    EXPECT_EQ(App->Workbooks()->Count(), 1);
}

TEST_F(Spreadsheet, RunningInstanceVisibilityAndQuit) {
    EXPECT_THROW(GetActiveOleObject(QStringLiteral("Excel.Application")), EOleSysError);
    EXPECT_THROW(CreateOleObject(QStringLiteral("Word.Application")), EOleSysError);
    auto App = CreateOleObject(QStringLiteral("Excel.Application"));
    EXPECT_EQ(GetActiveOleObject(QStringLiteral("excel.application")), App);

    TExcelWorkbook* Book = App->Workbooks()->Add();
    App->SetVisible(false);
    EXPECT_TRUE(Opened.empty());
    App->Worksheets(1)->Cells(1, 1).SetValue(QStringLiteral("Итого"));
    App->SetVisible(true);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_TRUE(Opened[0].endsWith(QStringLiteral(".xlsx")));
    EXPECT_EQ(Book->ShownFileName(), Opened[0]);
    EXPECT_TRUE(Part(Opened[0], QStringLiteral("xl/worksheets/sheet1.xml")).contains(QStringLiteral("Итого")));
    App->SetVisible(true);  // nothing changed: not shown again
    EXPECT_EQ(Opened.size(), 1u);
    App->Workbooks()->Add();  // a second export into the same instance shows only the new book
    App->SetVisible(true);
    EXPECT_EQ(Opened.size(), 2u);

    App->Quit();
    EXPECT_TRUE(App->Quitted());
    EXPECT_THROW(App->Workbooks(), EOleSysError);
    EXPECT_THROW(App->SetVisible(true), EOleSysError);
    EXPECT_THROW(GetActiveOleObject(QStringLiteral("Excel.Application")), EOleSysError);

    const bool Was = SetExcelAvailable(false);
    EXPECT_THROW(CreateOleObject(QStringLiteral("Excel.Application")), EOleSysError);
    SetExcelAvailable(Was);
}

}  // namespace

// The test entry point's guard puts back the opener and the availability a test changed.
TEST(SpreadsheetGuard, PutsBackTheOpenerAndTheAvailability) {
    int Calls = 0;
    const TExcelFileOpener Mine = [&Calls](const String&) { ++Calls; return true; };
    const TExcelFileOpener Before = SetExcelFileOpener(Mine);
    {
        sdelka::test::TGlobalsGuard Guard;
        SetExcelFileOpener(nullptr);
        SetExcelAvailable(false);
    }
    EXPECT_TRUE(SetExcelAvailable(true));
    const TExcelFileOpener After = SetExcelFileOpener(Before);
    ASSERT_TRUE(After);
    After(u"x.xlsx"_S);
    EXPECT_EQ(Calls, 1);
}
