// The windows by nomenclature group against the demo database: the wage summary's rows and group
// footers compared with the month summed by hand from the two views; a December of hand-made rows
// (the month's bounds, two groups of one caption, two workers of one name, the same amount in both
// views); the timesheet by nomenclature group, its day colours and both workbooks read back with
// openpyxl.
#include "app/timesheetdata.h"
#include "app/wagesummary.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/office/excel.h"
#include "platform/rtl/dateutils.h"
#include "client_suite.h"
#include "support/input.h"
#include "workbook.h"

#include <QFile>

#include <algorithm>

namespace sdelka::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> V) {
    std::sort(V.begin(), V.end());
    return V;
}

// The grid's rows: a group row as "# <its text>", a record row as the texts of Cols joined by "|",
// a footer row as "= " and the footer texts of Cols.
std::vector<std::string> GridLines(TDBGridVz* G, std::initializer_list<int> Cols) {
    std::vector<std::string> lines;
    const int n = G->GroupingWorks() ? G->DataGrouping()->GroupDataTree()->FlatVisibleCount() : 0;
    for (int r = 0; r < n; ++r) {
        TGroupDataTreeNodeVz* node = G->GroupDataNodeOfRow(r);
        std::string s;
        switch (node->NodeType()) {
        case dntDataGroupVz: s = "# " + node->DataGroupLevel()->GetGroupRowText(node).toStdString(); break;
        case dntDataGroupFooterVz:
            s = "=";
            for (int c : Cols) {
                auto* item = node->DataGroupFooter()->ColumnItems()->Items(c);
                s += " " + item->ConvertToDisplayText(node->FooterValues(c)).toStdString();
            }
            break;
        case dntDataSetRecordVz:
            G->InstantReadEnterRow(r);
            for (int c : Cols) s += (s.empty() ? "" : "|") + G->Columns()->Items(c)->Field()->DisplayText().toStdString();
            G->InstantReadLeaveRow();
            break;
        }
        lines.push_back(s);
    }
    return lines;
}

std::string Iso(TDateTime D) { return FormatDateTime(QStringLiteral("yyyy-mm-dd"), D).toStdString(); }

class NomGroupWindowTest : public ClientSuite<true> {
public:
    static void TearDownTestSuite() {
        G1.clear();
        ClientSuite<true>::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        ClientSuite<true>::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Start();
    }
    void TearDown() override {
        SetExcelFileOpener(nullptr);
        for (const String& f : Opened) QFile::remove(f);
        ClientSuite<true>::TearDown();
    }
    // Shows a month in a window as its month box and year box do.
    static void ShowMonth(TNomGroupForm* Form, int Month, int Year) {
        Form->q_year->Open();
        Form->ComboBox1->SetItemIndex(Month - 1);
        Form->cb_year->SetKeyValue(Year);
        Form->ComboBox1Change(Form->ComboBox1);
    }
    // Writes the window's workbook and reads it back (Cols columns).
    std::vector<std::string> Export(TNomGroupForm* Form, int Cols) {
        Opened.clear();
        SetExcelFileOpener([this, Form](const String& Name) {
            Opened.push_back(Name);
            // the workbook is shown at the end of the export: the window is still locked
            BusyWhileShown = Form->Busy() && !Form->Button2->Enabled() && !Form->ComboBox1->Enabled() &&
                             !Form->DBGridVz1->Enabled() && !Form->CloseQuery();
            return true;
        });
        Responder.Clear();
        Form->Button2Click(Form->Button2);
        EXPECT_EQ(Opened.size(), 1u);
        if (Opened.empty()) return {};
        return ReadWorkbook(PythonProgram(), Opened[0], Cols);
    }

    // December 2025, made by hand: groups "Двойник" (G1 < G2, one caption), worker A, and two
    // workers "Тёзкин Т.Т." (B1 < B2). A has 200.00 in G1 on 1 December in both views (the
    // auxiliary hours and a production record) and 50.50 in G2 on 31 December; B1 and B2 have
    // 10.00 each in G1; A also has hours in G1 on 30 November and on 1 January, outside the month.
    // The timesheet rows of the month carry A's and B's hours. Made once for the suite's database.
    static void MakeDecember() {
        if (!G1.empty()) return;
        G1 = Db().Value("insert into cmn_classifier.item (s_caption) values ('Двойник') returning id");
        G2 = Db().Value("insert into cmn_classifier.item (s_caption) values ('Двойник') returning id");
        A = Db().Value("insert into accounts_dep.person (fio) values ('Азбукин А.А.') returning id");
        B1 = Db().Value("insert into accounts_dep.person (fio) values ('Тёзкин Т.Т.') returning id");
        B2 = Db().Value("insert into accounts_dep.person (fio) values ('Тёзкин Т.Т.') returning id");
        const std::string product =
            Db().Value("insert into cmn_gds_and_srv.gds_and_srv (s_caption, id_class_item) values ('Д-1', " + G1 + ") returning id");
        auto hours = [](const std::string& Group, const std::string& Worker, const char* Day, int Count, const char* Price) {
            Db().Exec("insert into accounts_dep.fatigue (id_nom, id_o, id_p, d_date, cnt, price, i_night) values (" + Group +
                      ", 7777, " + Worker + ", '" + Day + "', " + std::to_string(Count) + ", " + Price + ", 0)");
        };
        hours(G1, A, "2025-12-01", 2, "100");
        hours(G2, A, "2025-12-31", 1, "50.5");
        hours(G1, B1, "2025-12-05", 1, "10");
        hours(G1, B2, "2025-12-06", 1, "10");
        hours(G1, A, "2025-11-30", 7, "1000");
        hours(G1, A, "2026-01-01", 7, "1000");
        Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, \"time\") values (" + A +
                  ", " + product + ", 1, 20, 10, 0, '2025-12-01', 1, 8)");
        auto row = [](const std::string& Group, const std::string& Worker, int Day, int Hours) {
            Db().Exec("insert into accounts_dep.h_dizuv (w_id, month, year, i_type, i_night, id_nom, d" + std::to_string(Day) +
                      ") values (" + Worker + ", 12, 2025, 7777, 0, " + Group + ", " + std::to_string(Hours) + ")");
        };
        row(G1, A, 1, 2);
        row(G2, A, 31, 1);
        row(G1, B1, 5, 1);
        row(G1, B2, 6, 1);
    }

    std::vector<String> Opened;
    bool BusyWhileShown = false;
    static inline std::string G1, G2, A, B1, B2;
};

// The wage summary of the demo's current month against the two views summed by hand: one line per
// group and worker (by their ids), and per group its caption, count and footer sums.
TEST_F(NomGroupWindowTest, WageSummaryShowsTheSumsOfTheViews) {
    const int y = std::stoi(Db().Value("select extract(year from current_date)"));
    const int m = std::stoi(Db().Value("select extract(month from current_date)"));
    ShowMonth(Form30, m, y);
    ASSERT_TRUE(Form30->H_Dizuv_Mem->Active());
    const std::string month = "d_date>='" + Iso(MonthStart(m, y)) + "' and d_date<'" + Iso(NextMonthStart(m, y)) + "'";
    const std::string perWorker =
        "select i.id gid, i.s_caption cap, p.id pid, p.fio, sum(v.f_sum) s from (select id_nom, id_p, f_sum from "
        "accounts_dep.v_nom_f where " + month + " union all select id_nom, id_p, f_sum from accounts_dep.v_nom_s where " + month +
        ") v join cmn_classifier.item i on i.id=v.id_nom join accounts_dep.person p on p.id=v.id_p group by i.id, i.s_caption, p.id, p.fio";
    const std::vector<std::string> expected = TextLines(Db().Value(
        "select string_agg(cap || '|' || fio || '|' || s::numeric(15,2) || '|' || (s/1.2)::numeric(15,2), E'\\n') from (" + perWorker + ") w"));
    ASSERT_GT(expected.size(), 3u) << "the demo month has pay in several groups";

    std::vector<std::string> rows;
    TMemTableVz* t = Form30->H_Dizuv_Mem;
    for (t->First(); !t->Eof(); t->Next()) {
        auto f = [t](const char* Name) { return t->FieldByName(QString::fromLatin1(Name))->AsString().toStdString(); };
        rows.push_back(f("s_nom") + "|" + f("fio") + "|" + QString::number(t->FieldByName(u"sum_all"_S)->AsFloat(), 'f', 2).toStdString() +
                       "|" + QString::number(t->FieldByName(u"sum_all_12"_S)->AsFloat(), 'f', 2).toStdString());
    }
    EXPECT_EQ(Sorted(rows), Sorted(expected));

    // the grid: every group expanded, its workers, then "ИТОГО:" with the sums of its rows
    const std::vector<std::string> groups = TextLines(Db().Value(
        "select string_agg('# Номенкл. гр.: ' || cap || ' (' || n || ')|= ИТОГО: ' || s || '  ' || s12, E'\\n' order by cap, gid) from "
        "(select gid, cap, count(*) n, sum(s::numeric(15,2)) s, sum((s/1.2)::numeric(15,2)) s12 from (" + perWorker + ") w group by gid, cap) g"));
    std::vector<std::string> shown;
    for (const std::string& l : GridLines(Form30->DBGridVz1, {0, 1, 3})) {
        if (l[0] == '#') shown.push_back(l);
        else if (l[0] == '=') shown.back() += "|" + l;
    }
    ASSERT_EQ(shown.size(), groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        const QString w = QString::fromStdString(groups[i]);
        // the footer writes the local decimal comma
        const QString s = QString::fromStdString(shown[i]).replace(u',', u'.');
        EXPECT_EQ(s.section(u'|', 0, 0), w.section(u'|', 0, 0));
        const QStringList ws = w.section(u'|', 1).split(u' ', Qt::SkipEmptyParts), ss = s.section(u'|', 1).split(u' ', Qt::SkipEmptyParts);
        ASSERT_EQ(ss.size(), 4) << shown[i];
        EXPECT_EQ(ss[1], u"ИТОГО:"_S);
        EXPECT_DOUBLE_EQ(ss[2].toDouble(), ws[2].toDouble()) << shown[i];
        EXPECT_DOUBLE_EQ(ss[3].toDouble(), ws[3].toDouble()) << shown[i];
    }
}

// December: 1 December to 1 January; groups of one caption and workers of one name stay apart;
// the same amount on the same day in both views counts twice. The workbook holds the same
// numbers, a total line per group and the grand total; the window is locked while it is written.
TEST_F(NomGroupWindowTest, WageSummaryOfDecemberAndItsWorkbook) {
    MakeDecember();
    ShowMonth(Form30, 12, 2025);
    EXPECT_EQ(GridLines(Form30->DBGridVz1, {0, 1, 3}),
              (std::vector<std::string>{"# Номенкл. гр.: Двойник (3)", "Азбукин А.А.|400|333,33", "Тёзкин Т.Т.|10|8,33",
                                        "Тёзкин Т.Т.|10|8,33", "= ИТОГО: 420 349,99", "# Номенкл. гр.: Двойник (1)",
                                        "Азбукин А.А.|50,5|42,08", "= ИТОГО: 50,5 42,08"}));
    // the first group is G1, the lower id
    Form30->H_Dizuv_Mem->First();
    EXPECT_EQ(Form30->H_Dizuv_Mem->FieldByName(u"id_nom"_S)->AsString().toStdString(), G1);

    Form30->H_Dizuv->SetRecNo(2);
    const std::vector<std::string> sheet = Export(Form30, 4);
    EXPECT_EQ(sheet, (std::vector<std::string>{"Декабрь 2025|||", "Общая ЗП|Фамилия И.О.|Сумма (р.)|Сумма без РК (р.)",
                                                "Двойник|||", "|Азбукин А.А.|400|333.33", "|Тёзкин Т.Т.|10|8.33",
                                                "|Тёзкин Т.Т.|10|8.33", "|ИТОГО:|420|349.99", "Двойник|||",
                                                "|Азбукин А.А.|50.5|42.08", "|ИТОГО:|50.5|42.08", "ИТОГО:||470.5|392.07",
                                                "bold:A1,A2,B2,C2,D2,A3,B7,C7,D7,A8,B10,C10,D10,A11,C11,D11",
                                                "text:A1,A2,B2,C2,D2,A3,B4,B5,B6,B7,A8,B9,B10,A11"}));
    EXPECT_TRUE(BusyWhileShown);
    EXPECT_FALSE(Form30->Busy());
    EXPECT_TRUE(Form30->Button2->Enabled());
    // the progress (sheet rows past the caption of the first group) stays on the button; the query
    // is back on its record
    EXPECT_EQ(Form30->Button2->Caption(), u"Excel (7 из ...)"_S);
    EXPECT_EQ(Form30->H_Dizuv->RecNo(), 2);
    EXPECT_EQ(Messages().size(), 1u);  // the workbook's place, nothing else

    // another month: the groups are made anew, none left from December
    ShowMonth(Form30, 11, 2025);
    EXPECT_EQ(GridLines(Form30->DBGridVz1, {0, 1, 3}), (std::vector<std::string>{"# Номенкл. гр.: Двойник (1)",
                                                                               "Азбукин А.А.|7000|5833,33",
                                                                               "= ИТОГО: 7000 5833,33"}));
}

// Excel cannot be started: the helper's two messages, then the window is live again with its
// grid, rows and place unchanged.
TEST_F(NomGroupWindowTest, AnExportWithoutExcelLeavesTheWindowAsItWas) {
    MakeDecember();
    ShowMonth(Form30, 12, 2025);
    const std::vector<std::string> before = GridLines(Form30->DBGridVz1, {0, 1, 3});
    Form30->H_Dizuv->SetRecNo(3);
    // no spreadsheet application runs, and none can be started
    for (int i = 0; i < 10; ++i) {
        try {
            GetActiveOleObject(u"Excel.Application"_S)->Quit();
        } catch (const Exception&) {
            break;
        }
    }
    SetExcelFileOpener([this](const String& Name) {
        Opened.push_back(Name);
        return true;
    });
    SetExcelAvailable(false);
    Responder.Clear();
    Form30->Button2Click(Form30->Button2);
    SetExcelAvailable(true);
    EXPECT_EQ(Messages(), (std::vector<String>{u"Ошибка|Невозможно открыть Microsoft Excel."_S,
                                               u"Ошибка|Ошибка открытия файла Microsoft Excel."_S}));
    EXPECT_FALSE(Form30->Busy());
    EXPECT_TRUE(Form30->Button2->Enabled() && Form30->DBGridVz1->Enabled() && Form30->ComboBox1->Enabled());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(Form30->H_Dizuv->RecNo(), 3);
    EXPECT_EQ(GridLines(Form30->DBGridVz1, {0, 1, 3}), before);
    EXPECT_TRUE(Opened.empty());
}

// A month without pay: an empty grid; the sheet's row 3 stays empty, then the two total lines of 0.
TEST_F(NomGroupWindowTest, WageSummaryOfAnEmptyMonth) {
    ShowMonth(Form30, 1, 2011);
    ASSERT_TRUE(Form30->H_Dizuv_Mem->Active());
    EXPECT_EQ(Form30->H_Dizuv_Mem->RecordCount(), 0);
    EXPECT_TRUE(GridLines(Form30->DBGridVz1, {0, 1, 3}).empty());
    const std::vector<std::string> sheet = Export(Form30, 4);
    EXPECT_EQ(sheet, (std::vector<std::string>{"Январь 2011|||", "Общая ЗП|Фамилия И.О.|Сумма (р.)|Сумма без РК (р.)", "|||",
                                                "|ИТОГО:|0|0", "ИТОГО:||0|0", "bold:A1,A2,B2,C2,D2,B4,C4,D4,A5,C5,D5",
                                                "text:A1,A2,B2,C2,D2,B4,A5"}));
}

// The timesheet by nomenclature group: the rows of December by group id, the group footer summing
// the group's earnings, and the workbook with each group's earnings of everybody and the grand
// total.
TEST_F(NomGroupWindowTest, GroupTimesheetOfDecemberAndItsWorkbook) {
    MakeDecember();
    Form31->SetTag(7777);
    Form31->SetShownQuery(Form31->H_Dizuv_7777);
    ShowMonth(Form31, 12, 2025);
    EXPECT_EQ(GridLines(Form31->DBGridVz1, {1, 2, 3, 7, 8, 33, 34, 35, 36}),
              (std::vector<std::string>{"# Номенкл. гр.: Двойник (3)", "Азбукин А.А.|дн.|2||||200|2|83,5",
                                        "Тёзкин Т.Т.|дн.||1|||10|1|10", "Тёзкин Т.Т.|дн.|||1||10|1|10",
                                        "= ИТОГО:      220  ", "# Номенкл. гр.: Двойник (1)",
                                        "Азбукин А.А.|дн.||||1|50,5|1|83,5", "= ИТОГО:      50,5  "}));

    const std::vector<std::string> sheet = Export(Form31, 37);
    ASSERT_EQ(sheet.size(), 13u);
    // columns A, B, C, D (day 1), H, I (days 5, 6), AH (day 31), AI..AK
    auto pick = [](const std::string& Line) {
        const QStringList c = QString::fromStdString(Line).split(u'|');
        return QStringList{c[0], c[1], c[2], c[3], c[7], c[8], c[33], c[34], c[35], c[36]}.join(u'|').toStdString();
    };
    std::vector<std::string> picked;
    for (size_t i = 0; i < 11; ++i) picked.push_back(pick(sheet[i]));
    EXPECT_EQ(picked, (std::vector<std::string>{"Декабрь 2025|||||||||", "ХОЗ. РАБОТЫ|Фамилия И.О.||1|5|6|31|Итого (ч.)|Итого (р.)|Час (р.)",
                                                 "Двойник|||||||||", "|Азбукин А.А.|дн.|2||||2|200|83.5",
                                                 "|Тёзкин Т.Т.|дн.||1|||1|10|10", "|Тёзкин Т.Т.|дн.|||1||1|10|10",
                                                 "|ИТОГО:|||||||220|", "Двойник|||||||||", "|Азбукин А.А.|дн.||||1|1|50.5|83.5",
                                                 "|ИТОГО:|||||||50.5|", "ИТОГО:||||||||270.5|"}));
    EXPECT_TRUE(BusyWhileShown);
    EXPECT_EQ(Form31->Button2->Caption(), u"Excel (7 из ...)"_S);
}

// Day columns of a month starting on a Saturday (February 2025): weekends red, the days past the
// 28th with blank values and silver titles, no column hidden.
TEST_F(NomGroupWindowTest, GroupTimesheetMarksWeekendsAndMissingDays) {
    ShowMonth(Form31, 2, 2025);
    TDBGridColumnsVz* columns = Form31->DBGridVz1->Columns();
    for (int d = 1; d <= 31; ++d) {
        SCOPED_TRACE(d);
        TColumnVz* c = columns->Items(d + 2);
        EXPECT_TRUE(c->Visible());
        if (d > 28) {
            EXPECT_EQ(c->Font()->Color(), clWindow);
            EXPECT_EQ(c->Title()->Font()->Color(), clSilver);
        } else {
            const bool weekend = d % 7 == 1 || d % 7 == 2;  // 1 February 2025 is a Saturday
            EXPECT_EQ(c->Font()->Color(), weekend ? clRed : clWindowText);
            EXPECT_EQ(c->Title()->Font()->Color(), weekend ? clRed : clWindowText);
        }
    }
}

}  // namespace
}  // namespace sdelka::test
