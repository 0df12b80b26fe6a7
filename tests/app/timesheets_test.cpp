// The monthly and per-shift timesheet windows against the demo database: what each mode shows
// for a month, compared with the same month summed by hand from the daily records; the rebuild
// from the window; the sheets written to a spreadsheet, read back with openpyxl; a grab of the
// window.
#include "app/timesheetdata.h"
#include "app/timesheetexcel.h"
#include "app_fixture.h"
#include "grid/memtable/memtablevz.h"
#include "workbook.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "support/tools.h"
#include "support/windowcheck.h"

#include <QFile>

#include <algorithm>

namespace sdelka::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> V) {
    std::sort(V.begin(), V.end());
    return V;
}

// "fio|label|d1,...,d31|hours|sum|rate" of the dataset's rows; a field the dataset lacks reads as
// "-", a null as "", a sum and a rate with two decimals.
std::vector<std::string> DataRows(TDataSet* Data) {
    auto text = [Data](const char* Name) -> std::string {
        TField* f = Data->FindField(QString::fromLatin1(Name));
        return f ? f->AsString().toStdString() : "-";
    };
    auto money = [Data](const char* Name) -> std::string {
        TField* f = Data->FindField(QString::fromLatin1(Name));
        if (!f) return "-";
        return f->IsNull() ? "" : QString::number(f->AsFloat(), 'f', 2).toStdString();
    };
    std::vector<std::string> rows;
    for (Data->First(); !Data->Eof(); Data->Next()) {
        std::string days;
        for (int d = 1; d <= 31; ++d) days += (d > 1 ? "," : "") + text(("d" + std::to_string(d)).c_str());
        rows.push_back(text("fio") + "|" + text("s_night") + "|" + days + "|" + text("i_time") + "|" + money("f_price") +
                       "|" + money("average_price"));
    }
    return rows;
}

// The hand-written month: per worker (and label) the hours per day, the hours, the sum (each
// source's sum rounded to kopecks) and the rate, from rows (w, label, day, h, m, kind) of the
// month.
std::string HandWritten(const std::string& Source, bool Rate) {
    return "with src as (" + Source + "),"
           " k as (select w, label, sum(h) t, sum(m) raw, "
           "coalesce(round((sum(m) filter (where kind='s'))::numeric, 2), 0) + "
           "coalesce(round((sum(m) filter (where kind='f'))::numeric, 2), 0) fp from src group by w, label) "
           "select string_agg(line, E'\\n') from (select p.s_caption || '|' || k.label || '|' || "
           "(select string_agg(coalesce((select sum(h) from src where src.w=k.w and src.label=k.label and src.dd=g)::text, ''), ',' order by g) "
           "from generate_series(1,31) g) || '|' || k.t || '|' || k.fp::numeric(10,2)::text || '|' || " +
           std::string(Rate ? "(case when coalesce(k.t,0)=0 then 0 else (k.raw/k.t)::numeric(10,2) end)::numeric(10,2)::text"
                            : "'-'") +
           " line from k join cmn_contractor.person p on p.id=k.w) z";
}

std::string Month(TDateTime First, TDateTime Next, const std::string& Column) {
    const auto iso = [](TDateTime D) { return FormatDateTime(QStringLiteral("yyyy-mm-dd"), D).toStdString(); };
    return Column + ">='" + iso(First) + "' and " + Column + "<'" + iso(Next) + "'";
}

std::string ExpectedRows(int Mode, TDateTime First, TDateTime Next) {
    const std::string smena = "select s.w_id w, %L label, extract(day from s.data)::int dd, s.time h, "
                              "(s.kol_vo-s.brak)*s.cena m, 's' kind from accounts_dep.smena s where " +
                              Month(First, Next, "s.data");
    auto fatigue = [&](const std::string& Kind, const std::string& Label) {
        return "select f.id_p::int w, " + Label + " label, extract(day from f.d_date)::int dd, f.cnt h, "
               "f.cnt*f.price m, 'f' kind from accounts_dep.fatigue f where " + Month(First, Next, "f.d_date") + Kind;
    };
    auto label = [](std::string S, const std::string& L) { return S.replace(S.find("%L"), 2, L); };
    switch (Mode) {
    case tmPieceWork: return HandWritten(label(smena, "'-'"), true);
    case tmAuxiliary:
    case tmAverageRate: {
        const std::string kind = Mode == tmAuxiliary ? "7777" : "7778";
        return HandWritten(fatigue(" and f.id_o=" + kind, "case when f.i_night=0 then 'дн.' else 'ноч.' end"), true);
    }
    default: return HandWritten(label(smena, "'-'") + " union all " + fatigue("", "'-'"), false);
    }
}

class TimesheetWindowTest : public AppSuite<true> {
protected:
    // The first days of the current month of the database and of the month before.
    TDateTime CurrentMonth() {
        const int y = std::stoi(Db().Value("select extract(year from current_date)"));
        const int m = std::stoi(Db().Value("select extract(month from current_date)"));
        return MonthStart(m, y);
    }
    TDateTime PreviousMonth() {
        const TDateTime c = CurrentMonth();
        return MonthStart(MonthOf(c - 1), YearOf(c - 1));
    }
    void SetToday(TDateTime Day) {
        SetClock([Day] { return Day + 0.5; });
    }
    std::string Python() const { return PythonProgram(); }
};

TEST_F(TimesheetWindowTest, EveryModeShowsTheMonthOfTheRecords) {
    Start();
    SignIn(AdminWord2, [&] {
        struct {
            void (TForm1::*Click)(TObject*);
            int Mode;
            const char* Caption;
            int NameWidth;
            bool Night, Rate;
        } const modes[] = {{&TForm1::N9Click, tmPieceWork, "Табель сделка (27)", 238, false, true},
                           {&TForm1::N20Click, tmAuxiliary, "Табель хоз. работы (27)", 208, true, true},
                           {&TForm1::N18Click, tmAverageRate, "Табель ср. сдельная (27)", 208, true, true},
                           {&TForm1::N17Click, tmTotal, "Общий табель (27)", 304, false, false}};
        for (const TDateTime first : {PreviousMonth(), CurrentMonth()}) {
            const TDateTime next = NextMonthStart(MonthOf(first), YearOf(first));
            const int days = static_cast<int>(next - first);
            SetToday(next - 1);
            for (const auto& m : modes) {
                SCOPED_TRACE(std::string(m.Caption) + " " + FormatDateTime(QStringLiteral("mm.yyyy"), first).toStdString());
                bool shown = false;
                Responder.AnswerModal([&](TCustomForm* F) {
                    shown = true;
                    ASSERT_EQ(F, Form27);
                    EXPECT_EQ(Form27->Tag(), m.Mode);
                    EXPECT_EQ(Form27->Caption(), QString::fromUtf8(m.Caption));
                    EXPECT_EQ(Form27->ComboBox1->ItemIndex(), MonthOf(first) - 1);
                    EXPECT_EQ(Form27->ShownYear(), YearOf(first));
                    Form27->FormActivate(Form27);
                    EXPECT_EQ(Form27->DataSource1->DataSet(), Form27->ModeQuery);
                    const std::vector<std::string> rows = DataRows(Form27->ModeQuery);
                    EXPECT_FALSE(rows.empty());
                    EXPECT_EQ(Sorted(rows), Sorted(TextLines(Db().Value(ExpectedRows(m.Mode, first, next)))));
                    // the columns of the mode and the month
                    TDBGridColumns* c = Form27->DBGrid->Columns();
                    EXPECT_EQ(c->Items(0)->Width(), m.NameWidth + 20 * (31 - days));
                    EXPECT_EQ(c->Items(1)->Visible(), m.Night);
                    EXPECT_EQ(c->Items(35)->Visible(), m.Rate);
                    for (int d = 1; d <= 31; ++d) {
                        TColumn* day = c->Items(d + 1);
                        EXPECT_EQ(day->Visible(), d <= days) << d;
                        if (d <= days) {
                            EXPECT_EQ(day->Title()->Font()->Color(),
                                      IsWeekendDayOfMonth(MonthOf(first), YearOf(first), d) ? clRed : clWindowText);
                        }
                    }
                });
                (Form1->*m.Click)(nullptr);
                EXPECT_TRUE(shown);
                // back for the next mode
                EXPECT_FALSE(Form27->ModeQuery->Active());
                EXPECT_FALSE(Form27->q_year->Active());
                EXPECT_EQ(Form27->DBGrid->Columns()->Items(0)->Width(), 208);
                EXPECT_TRUE(Form27->DBGrid->Columns()->Items(1)->Visible());
                EXPECT_TRUE(Form27->DBGrid->Columns()->Items(35)->Visible());
            }
        }
    });
}

TEST_F(TimesheetWindowTest, GroupTimesheetAndWageSummaryOpenOnTodaysMonth) {
    Start();
    SignIn(AdminWord2, [&] {
        const TDateTime first = CurrentMonth();
        SetToday(first + 1);
        struct {
            void (TForm1::*Click)(TObject*);
            TNomGroupForm* Form;
            int Tag;
        } const items[] = {{&TForm1::N22Click, Form31, 7777}, {&TForm1::N19Click, Form31, 7778}, {&TForm1::N23Click, Form30, -1}};
        for (const auto& i : items) {
            SCOPED_TRACE(i.Tag);
            Responder.AnswerModal([&](TCustomForm* F) {
                ASSERT_EQ(F, i.Form);
                if (F == Form31) {
                    EXPECT_EQ(Form31->Tag(), i.Tag);
                    EXPECT_EQ(Form31->ShownQuery, i.Tag == 7777 ? Form31->H_Dizuv_7777 : Form31->H_Dizuv_7778);
                }
                EXPECT_EQ(i.Form->ComboBox1->ItemIndex(), MonthOf(first) - 1);
                EXPECT_EQ(i.Form->cb_year->Text(), QString::number(YearOf(first)));
                // the month is read: its rows are in the grid's table
                EXPECT_TRUE(i.Form->MonthQuery()->Active());
                EXPECT_TRUE(i.Form->MonthTable()->Active());
                EXPECT_EQ(i.Form->MonthTable()->RecordCount(), i.Form->MonthQuery()->RecordCount());
                TButton* exit = i.Form->Button1;
                EXPECT_EQ(exit->Caption(), QStringLiteral("Выход"));
                EXPECT_TRUE(exit->Cancel());
                F->Handle()->grab().save(QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_%1.png").arg(F->Name()));
                ClickWindow(exit->Handle());
                EXPECT_EQ(F->ModalResult(), mrCancel);
            });
            (Form1->*i.Click)(nullptr);
            EXPECT_FALSE(i.Form->q_year->Active());
            EXPECT_FALSE(i.Form->MonthQuery()->Active());
            EXPECT_FALSE(i.Form->MonthTable()->Active());
        }
    });
}

TEST_F(TimesheetWindowTest, SumsLineAndShortMonths) {
    Start();
    SignIn(AdminWord2, [&] {
        const TDateTime first = PreviousMonth();
        const TDateTime next = NextMonthStart(MonthOf(first), YearOf(first));
        SetToday(first);
        Responder.AnswerModal([&](TCustomForm*) {
            const std::string period = Month(first, next, "s.data");
            const std::string fperiod = Month(first, next, "f.d_date");
            const std::string piece = Db().Value(
                "select sum((s.kol_vo-s.brak)*s.cena)::numeric(20,2) from accounts_dep.smena s where s.cena>0 and s.kol_vo>0 and " + period);
            const std::string aux = Db().Value("select sum(f.cnt*f.price)::numeric(20,2) from accounts_dep.fatigue f where "
                                               "f.cnt>0 and f.price>0 and f.id_o=7777 and " + fperiod);
            auto shown = [](TADOQuery* Q) {
                return QString::number(Q->FieldByName(QStringLiteral("price"))->AsFloat(), 'f', 2).toStdString();
            };
            EXPECT_EQ(shown(Form27->price), piece);
            EXPECT_EQ(shown(Form27->price7), aux);
            EXPECT_EQ(Form27->DBText3->Caption(), Form27->price->FieldByName(QStringLiteral("price"))->DisplayText());
            // "Итого:" with no auxiliary hours at all still shows the production records
            // (the prices come back afterwards: the later tests of the suite read the same month)
            Db().Exec("create table fatigue_prices as select id, price from accounts_dep.fatigue where " + Month(first, next, "d_date"));
            Db().Exec("update accounts_dep.fatigue set price=0 where " + Month(first, next, "d_date"));
            Form27->ComboBox1Change(Form27->ComboBox1);
            EXPECT_EQ(shown(Form27->all_price), piece);
            EXPECT_TRUE(Form27->price7->FieldByName(QStringLiteral("price"))->IsNull());
            Db().Exec("update accounts_dep.fatigue f set price=k.price from fatigue_prices k where k.id=f.id; drop table fatigue_prices");

            // choosing a year refreshes on close-up, also the year already shown
            Form27->ModeQuery->Close();
            Form27->cb_year->SelectItem(0);
            Form27->cb_year->CloseUp(true);
            EXPECT_TRUE(Form27->ModeQuery->Active());

            // February of a leap year: 29 day columns, the name column 40 wider; back and forth
            // between short and long months it does not grow further
            Form27->cb_year->SetKeyValue(2024);
            Form27->ComboBox1->SetItemIndex(1);
            Form27->ComboBox1Change(Form27->ComboBox1);
            EXPECT_EQ(Form27->DBGrid->Columns()->Items(0)->Width(), 238 + 40);
            EXPECT_FALSE(Form27->DBGrid->Columns()->Items(31)->Visible());
            EXPECT_TRUE(Form27->DBGrid->Columns()->Items(30)->Visible());
            Form27->ComboBox1->SetItemIndex(3);  // April: 30 days
            Form27->ComboBox1Change(Form27->ComboBox1);
            Form27->ComboBox1->SetItemIndex(1);
            Form27->ComboBox1Change(Form27->ComboBox1);
            EXPECT_EQ(Form27->DBGrid->Columns()->Items(0)->Width(), 238 + 40);
            // a month starting on a Saturday (June 2024): days 1, 2, 8, 9 red
            Form27->ComboBox1->SetItemIndex(5);
            Form27->ComboBox1Change(Form27->ComboBox1);
            for (int d : {1, 2, 8, 9, 30}) EXPECT_EQ(Form27->DBGrid->Columns()->Items(d + 1)->Font()->Color(), clRed) << d;
            for (int d : {3, 7, 10, 28}) EXPECT_EQ(Form27->DBGrid->Columns()->Items(d + 1)->Font()->Color(), clWindowText) << d;
            // December reaches into January of the next year
            Form27->ComboBox1->SetItemIndex(11);
            Form27->ComboBox1Change(Form27->ComboBox1);
            EXPECT_EQ(Form27->all_price->Parameters()->ParamByName(QStringLiteral("d_date1"))->Value().AsDateTime(),
                      EncodeDate(2025, 1, 1));
            EXPECT_EQ(Form27->all_price->Parameters()->ParamByName(QStringLiteral("d_date2"))->Value().AsDateTime(),
                      EncodeDate(2024, 12, 1));
        });
        Form1->N9Click(nullptr);
    });
}

TEST_F(TimesheetWindowTest, ShiftTimesheetShowsEachShiftOfTheRecords) {
    Start();
    SignIn(AdminWord2, [&] {
        for (const TDateTime first : {PreviousMonth(), CurrentMonth()}) {
            const TDateTime next = NextMonthStart(MonthOf(first), YearOf(first));
            Form1->DateT->SetDate(first + 3);
            Responder.AnswerModal([&](TCustomForm* F) {
                ASSERT_EQ(F, Form19);
                EXPECT_EQ(Form19->ShownYear(), YearOf(first));
                EXPECT_EQ(Form19->ShownMonth(), MonthOf(first));
                for (int s = 1; s <= 3; ++s) {
                    SCOPED_TRACE(s);
                    TDataSet* q = Form19->ShiftGrid(s)->DataSource()->DataSet();
                    std::vector<std::string> rows;
                    for (q->First(); !q->Eof(); q->Next()) {
                        std::string line = q->FieldByName(QStringLiteral("fio"))->AsString().toStdString() + "|";
                        for (int d = 1; d <= 31; ++d)
                            line += (d > 1 ? "," : "") + q->FieldByName(QStringLiteral("d%1").arg(d))->AsString().toStdString();
                        rows.push_back(line + "|" + q->FieldByName(QStringLiteral("summ"))->AsString().toStdString());
                    }
                    const std::string src = "select s.w_id w, extract(day from s.data)::int dd, s.time h from "
                                            "accounts_dep.smena s where s.smena=" + std::to_string(s) + " and " +
                                            Month(first, next, "s.data");
                    const std::string expected = Db().Value(
                        "with src as (" + src + ") select string_agg(p.s_caption || '|' || "
                        "(select string_agg(coalesce((select sum(h) from src where src.w=k.w and src.dd=g)::text, ''), ',' order by g) "
                        "from generate_series(1,31) g) || '|' || (select sum(h) from src where src.w=k.w), E'\\n') "
                        "from (select distinct w from src) k join cmn_contractor.person p on p.id=k.w");
                    EXPECT_FALSE(rows.empty());
                    EXPECT_EQ(Sorted(rows), Sorted(TextLines(expected)));
                }
            });
            Form1->N13Click(nullptr);
            EXPECT_FALSE(DataModule6->H_Dizuv_1->Active());
        }
    });
}

TEST_F(TimesheetWindowTest, RebuildFromTheWindows) {
    Start();
    SignIn(AdminWord2, [&] {
        const TDateTime first = PreviousMonth();
        const std::string month = "month=" + std::to_string(MonthOf(first)) + " and year=" + std::to_string(YearOf(first));
        const std::string rows = "select string_agg(concat_ws('|', w_id, smena, i_type, i_night, id_nom, d1, d2, d3, d4, "
                                 "d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, d18, d19, d20, d21, d22, d23, "
                                 "d24, d25, d26, d27, d28, d29, d30, d31), ';' order by w_id, smena, i_type, i_night, id_nom) "
                                 "from accounts_dep.h_dizuv where " + month;
        const std::string before = Db().Value(rows);
        SetToday(first);
        Responder.AnswerModal([&](TCustomForm*) {
            // the auxiliary rows drifted: a lost row and a wrong cell
            Db().Exec("delete from accounts_dep.h_dizuv where smena=0 and w_id=12 and " + month);
            Db().Exec("update accounts_dep.h_dizuv set d1=99 where smena=0 and " + month);
            Click(Form27->Button3);
            EXPECT_TRUE(Messages().empty());
            EXPECT_EQ(Db().Value(rows), before);
            EXPECT_TRUE(Form27->ModeQuery->Active());
            EXPECT_FALSE(Form27->PB->Visible());
            EXPECT_TRUE(Form27->Button3->Enabled());
            EXPECT_EQ(Form27->PB->Max(), DaysOfMonth(MonthOf(first), YearOf(first)));

            // a server error half-way, on one of the month's last days: the server's message, the
            // month as it was, the window usable
            const int last = DaysOfMonth(MonthOf(first), YearOf(first));
            Db().Exec("update accounts_dep.h_dizuv set d" + std::to_string(last - 6) + "=77 where smena=0 and d" +
                      std::to_string(last - 6) + " is not null and " + month);
            const std::string drifted = Db().Value(rows);
            Db().Exec("create function fail_late() returns trigger language plpgsql as $$ begin "
                      "if coalesce(new.d" + std::to_string(last - 2) + ", new.d" + std::to_string(last - 1) + ", new.d" +
                      std::to_string(last) + ") is not null then raise exception 'диск заполнен'; end if; "
                      "return new; end $$; "
                      "create trigger fail_late before insert or update on accounts_dep.h_dizuv for each row execute "
                      "function fail_late()");
            Click(Form27->Button3);
            ASSERT_EQ(Messages().size(), 1u);
            EXPECT_TRUE(Messages()[0].contains(QStringLiteral("диск заполнен"))) << Messages()[0].toStdString();
            EXPECT_EQ(Db().Value(rows), drifted);
            EXPECT_FALSE(DataModule6->ADO_DB->InTransaction());
            EXPECT_TRUE(Form27->ModeQuery->Active());
            EXPECT_FALSE(Form27->PB->Visible());
            EXPECT_TRUE(Form27->Button3->Enabled() && Form27->Button2->Enabled() && Form27->ComboBox1->Enabled());
            Db().Exec("drop trigger fail_late on accounts_dep.h_dizuv; drop function fail_late()");
            Click(Form27->Button3);
            EXPECT_EQ(Db().Value(rows), before);

            // a year without timesheet rows is refused, nothing runs
            Responder.Clear();
            Form27->cb_year->SetKeyValue(2011);
            Click(Form27->Button3);
            EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|Нет табеля за выбранный год: выберите год из списка.")});
        });
        Form1->N20Click(nullptr);

        // the shift rows from the per-shift window
        Responder.Clear();
        Form1->DateT->SetDate(first);
        Responder.AnswerModal([&](TCustomForm*) {
            Db().Exec("delete from accounts_dep.h_dizuv where smena>0 and w_id in (1, 2) and " + month);
            Db().Exec("update accounts_dep.h_dizuv set d3=1 where smena=2 and " + month);
            Click(Form19->Button1);
            EXPECT_TRUE(Messages().empty());
            EXPECT_EQ(Db().Value(rows), before);
            EXPECT_TRUE(DataModule6->H_Dizuv_1->Active() && DataModule6->H_Dizuv_3->Active());
            EXPECT_FALSE(Form19->PB->Visible());
        });
        Form1->N13Click(nullptr);
    });
}

TEST_F(TimesheetWindowTest, ShiftCellsStandOut) {
    Start();
    SignIn(AdminWord2, [&] {
        // a long day and a full day of worker 5 (shift 3) on two weekdays of March 2024
        Db().Exec("insert into accounts_dep.smena(w_id, smena, data, time, kol_vo, brak, cena, o_id) values "
                  "(5, 3, '2024-03-05', 10, 1, 0, 1, 1), (5, 3, '2024-03-06', 8, 1, 0, 1, 1), "
                  "(6, 3, '2024-03-05', 2, 1, 0, 1, 1)");
        Form1->DateT->SetDate(EncodeDate(2024, 3, 5));
        Responder.AnswerModal([&](TCustomForm*) {
            Click(Form19->Button1);  // the month's rows from the records
            EXPECT_TRUE(Messages().empty());
            Form19->PageControl1->SetActivePage(Form19->TabSheet3);
            TDBGrid* grid = Form19->DBGrid3;
            TDataSet* q = grid->DataSource()->DataSet();
            int row = 0;
            for (q->First(); !q->Eof(); q->Next())
                if (q->FieldByName(QStringLiteral("d5"))->AsInteger() == 10) row = q->RecNo();
            ASSERT_GT(row, 1);  // not the selected first row
            q->First();
            // a 30-day month after March: day 31 stays, read-only and with a grey title
            Form19->Show();
            const QImage image = grid->Handle()->grab().toImage();
            auto pixel = [&](int Day) {
                const TRect r = grid->CellRect(grid->IndicatorOffset() + Day, grid->TitleOffset() + row - 1);
                return image.pixel(r.Left + 2, r.Top + 2) & 0xFFFFFF;
            };
            EXPECT_EQ(pixel(5), 0xC0DCC0u);  // more than a full day: light green
            EXPECT_EQ(pixel(6), 0xFFFFFFu);  // a full day keeps the window's background, in bold
            EXPECT_EQ(pixel(4), 0xFFFFFFu);
            Form19->Hide();
            Form19->ComboBox1->SetItemIndex(3);
            Form19->ComboBox1Change(Form19->ComboBox1);
            TColumn* day31 = grid->Columns()->Items(31);
            EXPECT_TRUE(day31->Visible());
            EXPECT_TRUE(day31->ReadOnly());
            EXPECT_EQ(day31->Title()->Font()->Color(), clSilver);
            EXPECT_EQ(grid->Columns()->Items(6)->Title()->Font()->Color(), clRed);  // 6 April 2024, a Saturday
            EXPECT_FALSE(grid->Columns()->Items(30)->ReadOnly());
        });
        Form1->N13Click(nullptr);
    });
}

std::string Num(TField* F) {
    if (F->IsNull()) return "";
    const double v = F->AsFloat();
    if (v == static_cast<long long>(v)) return std::to_string(static_cast<long long>(v));
    String s = QString::number(v, 'f', 2);
    while (s.endsWith(u'0')) s.chop(1);
    return s.toStdString();
}

TEST_F(TimesheetWindowTest, MonthlySheetReadsBackWithTheSameNumbers) {
    std::vector<String> opened;
    // while the sheet is written (the workbook is shown at its end) the window takes no other
    // command and does not close
    int busy = 0;
    SetExcelFileOpener([&](const String& Name) {
        opened.push_back(Name);
        if (Form27->Busy() && !Form27->Button2->Enabled() && !Form27->Button3->Enabled() &&
            !Form27->ComboBox1->Enabled() && !Form27->CloseQuery())
            ++busy;
        return true;
    });
    Start();
    SignIn(AdminWord2, [&] {
        const TDateTime first = PreviousMonth();
        SetToday(first);
        for (const int mode : {tmAverageRate, tmTotal}) {
            SCOPED_TRACE(mode);
            for (const String& f : opened) QFile::remove(f);
            opened.clear();
            Responder.AnswerModal([&](TCustomForm*) {
                TADOQuery* q = Form27->ModeQuery;
                q->SetRecNo(2);
                Responder.Clear();
                Click(Form27->Button2);
                ASSERT_FALSE(opened.empty());
                EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Microsoft Excel|Книга открыта в Microsoft Excel. Она записана в файл:\n") + opened.back()});
                EXPECT_EQ(q->RecNo(), 2);
                EXPECT_TRUE(Form27->Button2->Enabled());
                const int n = q->RecordCount();
                EXPECT_EQ(Form27->Button2->Caption(), QStringLiteral("Excel (%1 из %1)").arg(n));
                ASSERT_EQ(opened.size(), 1u);
                const std::vector<std::string> sheet = ReadWorkbook(Python(), opened[0], 36);
                ASSERT_EQ(sheet.size(), static_cast<size_t>(n + 4));
                const std::string title = (MonthNames()[MonthOf(first) - 1] + u' ' + QString::number(YearOf(first))).toStdString();
                EXPECT_EQ(sheet[0], title + std::string(35, '|'));
                std::string header = "Фамилия И.О.||";
                for (int d = 1; d <= 31; ++d) header += std::to_string(d) + "|";
                header += mode == tmTotal ? "Итого (ч.)|Итого (р.)|" : "Итого (ч.)|Итого (р.)|Час (р.)";
                EXPECT_EQ(sheet[1], header);
                int r = 2;
                for (q->First(); !q->Eof(); q->Next(), ++r) {
                    std::string line = q->FieldByName(QStringLiteral("fio"))->AsString().toStdString() + "|";
                    line += mode == tmTotal ? "" : q->FieldByName(QStringLiteral("s_night"))->AsString().toStdString();
                    for (int d = 1; d <= 31; ++d) line += "|" + Num(q->FieldByName(QStringLiteral("d%1").arg(d)));
                    line += "|" + Num(q->FieldByName(QStringLiteral("i_time"))) + "|" + Num(q->FieldByName(QStringLiteral("f_price")));
                    line += "|" + (mode == tmTotal ? std::string() : Num(q->FieldByName(QStringLiteral("average_price"))));
                    EXPECT_EQ(sheet[static_cast<size_t>(r)], line);
                }
                // title and header bold; names and labels in the text format, numbers not
                EXPECT_EQ(sheet[static_cast<size_t>(n + 2)].rfind("bold:A1,A2,C2,", 0), 0u) << sheet[static_cast<size_t>(n + 2)];
                const std::string text = sheet[static_cast<size_t>(n + 3)];
                EXPECT_NE(text.find("A3"), std::string::npos) << text;
                EXPECT_EQ(text.find("C3"), std::string::npos) << text;
                EXPECT_EQ(text.find("C2"), std::string::npos) << text;
                EXPECT_NE(text.find("AH2"), std::string::npos) << text;
            });
            (Form1->*(mode == tmTotal ? &TForm1::N17Click : &TForm1::N18Click))(nullptr);
            EXPECT_EQ(Form27->Button2->Caption(), QStringLiteral("Excel"));  // reset on close
        }
        EXPECT_EQ(busy, 2);

        // an empty timesheet: the title and the header only
        for (const String& f : opened) QFile::remove(f);
        opened.clear();
        Responder.AnswerModal([&](TCustomForm*) {
            Form27->cb_year->SetKeyValue(2011);
            Form27->ComboBox1Change(Form27->ComboBox1);
            Click(Form27->Button2);
            EXPECT_EQ(Form27->Button2->Caption(), QStringLiteral("Excel (0 из 0)"));
            ASSERT_EQ(opened.size(), 1u);
            const std::vector<std::string> sheet = ReadWorkbook(Python(), opened[0], 36);
            ASSERT_EQ(sheet.size(), 4u);
            EXPECT_EQ(sheet[0].rfind(MonthNames()[MonthOf(first) - 1].toStdString() + " 2011|", 0), 0u) << sheet[0];
        });
        Form1->N9Click(nullptr);
    });
    for (const String& f : opened) QFile::remove(f);
}

TEST_F(TimesheetWindowTest, AllShiftSheetAndAStoppedExport) {
    std::vector<String> opened;
    SetExcelFileOpener([&](const String& Name) { opened.push_back(Name); return true; });
    Start();
    SignIn(AdminWord2, [&] {
        const TDateTime first = PreviousMonth();
        const TDateTime next = NextMonthStart(MonthOf(first), YearOf(first));
        Form1->DateT->SetDate(first);
        Responder.AnswerModal([&](TCustomForm*) {
            Form19->FormActivate(Form19);
            Click(Form19->Button2);
            ASSERT_FALSE(opened.empty());
            EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Microsoft Excel|Книга открыта в Microsoft Excel. Она записана в файл:\n") + opened.back()});
            EXPECT_FALSE(Form15->H_Dizuv->Active());
            ASSERT_EQ(opened.size(), 1u);
            const std::vector<std::string> sheet = ReadWorkbook(Python(), opened[0], 33);
            // every worker's hours of the month, from the records and the auxiliary hours
            const std::string src = "select s.w_id w, extract(day from s.data)::int dd, s.time h from accounts_dep.smena s where " +
                                    Month(first, next, "s.data") + " union all select f.id_p::int, extract(day from f.d_date)::int, "
                                    "f.cnt from accounts_dep.fatigue f where " + Month(first, next, "f.d_date");
            const std::vector<std::string> expected = TextLines(Db().Value(
                "with src as (" + src + ") select string_agg(line, E'\\n' order by fio, w) from (select p.s_caption fio, k.w, "
                "p.s_caption || '|' || (select string_agg(coalesce((select sum(h) from src where src.w=k.w and src.dd=g)::text, ''), '|' order by g) "
                "from generate_series(1,31) g) || '|' || (select sum(h) from src where src.w=k.w) line "
                "from (select distinct w from src) k join cmn_contractor.person p on p.id=k.w) z"));
            ASSERT_EQ(sheet.size(), expected.size() + 4);
            std::string header = "Фамилия И.О.|";
            for (int d = 1; d <= 31; ++d) header += std::to_string(d) + "|";
            EXPECT_EQ(sheet[1], header + "Итого");
            EXPECT_EQ(std::vector<std::string>(sheet.begin() + 2, sheet.begin() + 2 + static_cast<long>(expected.size())), expected);
            EXPECT_EQ(Form19->Button2->Caption(), QStringLiteral("Excel (%1 из %1)").arg(expected.size()));
            Form19->FormActivate(Form19);
            EXPECT_EQ(Form19->Button2->Caption(), QStringLiteral("Excel"));
        });
        Form1->N13Click(nullptr);

        // the spreadsheet application closed while a sheet is written: one message, the rest is
        // not tried, and the showing of what was written finds nothing to show
        for (const String& f : opened) QFile::remove(f);
        opened.clear();
        Responder.Clear();
        TOwned<TADOQuery> q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(DataModule6->ADO_DB);
        q->SQL()->SetText(MonthTimesheetSql(tmPieceWork));
        BindMonth(q->Parameters(), MonthOf(first), YearOf(first));
        q->Open();
        TExcelApplicationRef app;
        int calls = 0;
        EXPECT_FALSE(WriteMonthlySheet(app, q.get(), tmPieceWork, QStringLiteral("x"), [&](int Done, int) {
            ++calls;
            if (Done == 2) app->Quit();
        }));
        EXPECT_EQ(calls, 3);
        EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral(
                                  "Ошибочный номер листа Microsoft Excel|Ошибка при записи: лист 1, столбец 1, строка 5")});
        EXPECT_TRUE(opened.empty());
    });
    for (const String& f : opened) QFile::remove(f);
}

TEST_F(TimesheetWindowTest, TheWindowsArePaintedWholeWithTheirControlsInside) {
    Start();
    SignIn(AdminWord2, [&] {
        SetToday(PreviousMonth());
        Responder.AnswerModal([&](TCustomForm*) {
            Form27->Show();
            Application->ProcessMessages();
            ExpectWindowPaintedWhole(Form27, QStringLiteral("sdelka_form27"));
            Form27->Hide();
        });
        Form1->N9Click(nullptr);
        Form1->DateT->SetDate(PreviousMonth());
        Responder.AnswerModal([&](TCustomForm*) {
            Form19->Show();
            Application->ProcessMessages();
            ExpectWindowPaintedWhole(Form19, QStringLiteral("sdelka_form19"));
            Form19->Hide();
        });
        Form1->N13Click(nullptr);
    });
}

}  // namespace
}  // namespace sdelka::test
