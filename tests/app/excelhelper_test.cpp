// The Excel helper over the platform's spreadsheet application.
#include "app/excelhelper.h"
#include "platform/gui/dialogs.h"
#include "platform/office/zipfile.h"
#include "platform/testing/scriptedresponder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class ExcelHelper : public ::testing::Test {
protected:
    void SetUp() override {
        QuitAll();
        ExcelApp.reset();
        // the test entry point's guard puts the opener back
        SetExcelFileOpener([this](const String& Name) { Opened.push_back(Name); return true; });
    }
    void TearDown() override {
        QuitAll();
        ExcelApp.reset();
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
    void ExpectMessages(std::initializer_list<std::pair<const char*, const char*>> Expected) {
        ASSERT_EQ(Responder.CallCount(), static_cast<int>(Expected.size()));
        int i = 0;
        for (const auto& [Text, Caption] : Expected) {
            EXPECT_EQ(Responder.Calls()[i].Text, QString::fromUtf8(Text));
            EXPECT_EQ(Responder.Calls()[i].Caption, QString::fromUtf8(Caption));
            EXPECT_EQ(Responder.Calls()[i].DlgType, mtError);
            ++i;
        }
    }
    TScriptedResponder Responder;
    TResponderScope Scope{&Responder};
    std::vector<String> Opened;

private:
};

TEST_F(ExcelHelper, PriceListExportReachesTheFile) {
    ASSERT_EQ(ExcelOpen(String()), 1);
    EXPECT_EQ(ExcelShow(false), 1);
    const char* Header[] = {"Марка", "Операция", "Цена", "Вид"};
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(ExcelWriteCell(1, c, 1, QString::fromUtf8(Header[c - 1])), 1);
    EXPECT_EQ(ExcelWriteCell(1, 1, 2, QStringLiteral("КР-12")), 1);
    EXPECT_EQ(ExcelWriteCell(1, 3, 2, QStringLiteral("12,5")), 1);
    EXPECT_EQ(ExcelWriteCell(1, 4, 2, QStringLiteral("Готовая продукция")), 1);
    EXPECT_TRUE(Opened.empty());
    EXPECT_EQ(ExcelShow(true), 1);
    ASSERT_EQ(Opened.size(), 1u);
    // the user is told where the workbook lies
    ASSERT_EQ(Responder.CallCount(), 1);
    EXPECT_EQ(Responder.LastCall().Text, QStringLiteral("Книга открыта в Microsoft Excel. Она записана в файл:\n") + Opened[0]);
    EXPECT_EQ(Responder.LastCall().DlgType, mtInformation);
    EXPECT_EQ(ExcelShow(true), 1);  // nothing new to show: nothing said
    EXPECT_EQ(Responder.CallCount(), 1);

    TZipFile Zip;
    Zip.Open(Opened[0], zmRead);
    const TZipBytes B = Zip.Read(QStringLiteral("xl/worksheets/sheet1.xml"));
    const String Xml = String::fromUtf8(reinterpret_cast<const char*>(B.data()), static_cast<qsizetype>(B.size()));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<c r=\"D1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">Вид</t></is></c>")));
    EXPECT_TRUE(Xml.contains(QStringLiteral("<c r=\"C2\"><v>12.5</v></c>")));
    EXPECT_FALSE(Xml.contains(QStringLiteral("B2")));
}

// With nothing on the computer that opens a workbook, the user is asked where to save it: the
// workbook is written there; a cancel leaves it in its temporary file, which the user is told.
TEST_F(ExcelHelper, AWorkbookNothingCanOpenIsSavedWhereTheUserSays) {
    SetExcelFileOpener([this](const String& Name) { Opened.push_back(Name); return false; });
    const QString target = QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_прайс.xlsx");
    QFile::remove(target);
    for (const bool save : {true, false}) {
        Responder.Clear();
        ASSERT_EQ(ExcelOpen(String()), 1);
        EXPECT_EQ(ExcelWriteCell(1, 1, 1, QStringLiteral("Марка")), 1);
        String asked;
        Responder.AnswerDialog([&](TCommonDialog* D) {
            auto* dialog = dynamic_cast<TSaveDialog*>(D);
            if (!dialog) return false;
            asked = dialog->FileName();
            EXPECT_TRUE(dialog->Options().Contains(ofOverwritePrompt));
            dialog->SetFileName(target);
            return save;
        });
        EXPECT_EQ(ExcelShow(true), 1);
        ASSERT_FALSE(Opened.empty());
        EXPECT_TRUE(Opened.back().endsWith(asked)) << asked.toStdString();
        ASSERT_EQ(Responder.CallCount(), 2);
        EXPECT_EQ(Responder.Calls()[0].Kind, TScriptedResponder::ckDialog);
        EXPECT_EQ(Responder.Calls()[1].Text, save ? QStringLiteral("Книга сохранена в файл:\n") + target
                                                  : QStringLiteral("Книгу нечем открыть. Она осталась в файле:\n") + Opened.back());
        EXPECT_TRUE(QFile::exists(Opened.back()));
        if (save) {
            TZipFile Zip;
            Zip.Open(target, zmRead);
            const TZipBytes B = Zip.Read(QStringLiteral("xl/worksheets/sheet1.xml"));
            EXPECT_TRUE(String::fromUtf8(reinterpret_cast<const char*>(B.data()), static_cast<qsizetype>(B.size()))
                            .contains(QStringLiteral("Марка")));
            QFile::remove(target);
        }
    }
}

TEST_F(ExcelHelper, OpenAttachesToTheRunningInstance) {
    ASSERT_EQ(ExcelOpen(String()), 1);
    const TExcelApplicationRef First = ExcelApp;
    ExcelApp.reset();  // another screen's export: the same running application gets a second book
    ASSERT_EQ(ExcelOpen(String()), 1);
    EXPECT_EQ(ExcelApp, First);
    EXPECT_EQ(ExcelApp->Workbooks()->Count(), 2);
}

TEST_F(ExcelHelper, OpenFailures) {
    SetExcelAvailable(false);
    EXPECT_EQ(ExcelOpen(String()), -1);
    ExpectMessages({{"Невозможно открыть Microsoft Excel.", "Ошибка"},
                    {"Ошибка открытия файла Microsoft Excel.", "Ошибка"}});
    EXPECT_FALSE(ExcelApp);
    EXPECT_EQ(ExcelShow(true), 1);  // before any successful open: nothing happens
    EXPECT_TRUE(Opened.empty());

    SetExcelAvailable(true);
    Responder.Clear();
    EXPECT_EQ(ExcelOpen(QStringLiteral("/nonexistent/прайс.xlsx")), -1);
    ExpectMessages({{"Ошибка открытия файла Microsoft Excel.", "Ошибка"}});
}

TEST_F(ExcelHelper, ClosedApplicationAndNoStart) {
    ASSERT_EQ(ExcelOpen(String()), 1);
    const TExcelApplicationRef Earlier = ExcelApp;
    ExcelApp->Quit();  // the user closed it after the export
    // The next export starts a fresh instance.
    ASSERT_EQ(ExcelOpen(String()), 1);
    EXPECT_NE(ExcelApp, Earlier);
    EXPECT_EQ(Responder.CallCount(), 0);
    // Closed again, and it cannot be started: the earlier object stays and fails the workbook step.
    ExcelApp->Quit();
    SetExcelAvailable(false);
    EXPECT_EQ(ExcelOpen(String()), -1);
    ExpectMessages({{"Невозможно открыть Microsoft Excel.", "Ошибка"},
                    {"Ошибка открытия файла Microsoft Excel.", "Ошибка"}});
}

TEST_F(ExcelHelper, WriteCellErrorsAndEmptyText) {
    EXPECT_EQ(ExcelWriteCell(1, 1, 1, QStringLiteral("x")), -1);  // nothing opened yet
    ExpectMessages({{"Ошибка при записи: лист 1, столбец 1, строка 1", "Ошибочный номер листа Microsoft Excel"}});
    Responder.Clear();

    ASSERT_EQ(ExcelOpen(String()), 1);
    TExcelWorksheet* Sheet = ExcelApp->Worksheets(1);
    EXPECT_EQ(ExcelWriteCell(1, 2, 3, QStringLiteral("старое")), 1);
    EXPECT_EQ(ExcelWriteCell(1, 2, 3, String()), 1);  // an empty text leaves the cell as it was
    EXPECT_EQ(Sheet->Cells(3, 2).Value(), Variant(QStringLiteral("старое")));
    EXPECT_EQ(ExcelWriteCell(1, 5, 5, String()), 1);
    EXPECT_EQ(Sheet->CellData().count({5, 5}), 0u);
    EXPECT_EQ(Responder.CallCount(), 0);

    EXPECT_EQ(ExcelWriteCell(2, 1, 1, QStringLiteral("x")), -1);  // a new book has one sheet
    ExpectMessages({{"Ошибка при записи: лист 2, столбец 1, строка 1", "Ошибочный номер листа Microsoft Excel"}});
    Responder.Clear();
    EXPECT_EQ(ExcelWriteCell(1, 0, 7, QStringLiteral("x")), -1);
    ExpectMessages({{"Ошибка при записи: лист 1, столбец 0, строка 7", "Ошибка Microsoft Excel"}});
}

TEST_F(ExcelHelper, FormattedCellsOnTheCallersApplication) {
    TExcelApplicationRef App;  // the caller's, not the short routines' one
    ASSERT_EQ(ExcelOpen(App, String()), 1);
    EXPECT_FALSE(ExcelApp);
    TExcelWorksheet* Sheet = App->Worksheets(1);
    const struct {
        int Col;
        const char* Text;
        bool AsText, AutoFit, Bold;
        Variant Value;
    } cells[] = {{1, "12,5", true, false, false, Variant(QStringLiteral("12,5"))},  // the text format keeps it text
                 {2, "12,5", false, false, true, Variant(12.5)},                    // without it a number
                 {3, "Фамилия Имя Отчество", true, true, true, Variant(QStringLiteral("Фамилия Имя Отчество"))}};
    for (const auto& c : cells) {
        SCOPED_TRACE(c.Col);
        EXPECT_EQ(ExcelWriteCellFormatted(App, 1, c.Col, 2, QString::fromUtf8(c.Text), c.AsText, c.AutoFit, c.Bold), 1);
        EXPECT_EQ(Sheet->Cells(2, c.Col).Value(), c.Value);
        EXPECT_EQ(Sheet->Cells(2, c.Col).NumberFormat(), c.AsText ? QStringLiteral("@") : QStringLiteral("General"));
        EXPECT_EQ(Sheet->Cells(2, c.Col).Font().Bold(), c.Bold);
        EXPECT_EQ(Sheet->Columns(c.Col).ColumnWidth() > 0, c.AutoFit);
    }
    // bold is set also when it is off; an empty text touches nothing, not even the bold type
    EXPECT_EQ(ExcelWriteCellFormatted(App, 1, 2, 2, QStringLiteral("7"), false, false, false), 1);
    EXPECT_FALSE(Sheet->Cells(2, 2).Font().Bold());
    EXPECT_EQ(ExcelWriteCellFormatted(App, 1, 3, 2, String(), false, false, false), 1);
    EXPECT_TRUE(Sheet->Cells(2, 3).Font().Bold());
    EXPECT_EQ(Responder.CallCount(), 0);
    EXPECT_EQ(ExcelWriteCellFormatted(App, 1, 1, 0, QStringLiteral("x"), true, true, true), -1);
    ExpectMessages({{"Ошибка при записи: лист 1, столбец 1, строка 0", "Ошибка Microsoft Excel"}});
    EXPECT_EQ(ExcelShow(App, true), 1);
    EXPECT_EQ(Opened.size(), 1u);
}

}  // namespace
