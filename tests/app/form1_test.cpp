// The login window and the main work window: roles, the weekend flag, the shift choice, the
// acceptance toggle and the refresh.
#include "app_fixture.h"
#include "platform/gui/dialogs.h"
#include "support/input.h"

#include <QApplication>
#include <QDateTimeEdit>

namespace sdelka::test {
namespace {

class MainWindowTest : public AppSuite<true> {
protected:
    // The newest day with at least three records of shift 1, as the client's "today".
    TDateTime BusyDay() {
        const std::string day = Db().Value(
            "select data from accounts_dep.smena where smena = 1 and ok is not null "
            "group by data having count(*) >= 3 order by data desc limit 1");
        TDateTime d = 0;
        EXPECT_TRUE(TryPgUserTextToDateTime(QString::fromStdString(day), d)) << day;
        return d;
    }
    void SetToday(TDateTime Day) {
        SetClock([Day] { return Day + 10.5 / 24; });
    }
    std::string OkOf(int Id) { return Db().Value("select coalesce(ok, '<null>') from accounts_dep.smena where id = " + std::to_string(Id)); }
    static TADOQuery* Shift1() { return DataModule6->Smena1; }
    static int CurrentId() { return Shift1()->FieldByName(QStringLiteral("id"))->AsInteger(); }
    static String CurrentOk() { return Shift1()->FieldByName(QStringLiteral("ok"))->AsString(); }
    // A double-click through the grid's window on the row of the current record.
    static void DoubleClickCurrentRow() {
        TDBGrid* g = Form1->DBGrid2;
        const TRect r = g->CellRect(g->Col(), g->Row());
        DoubleClick(g->Handle(), QPointF((r.Left + r.Right) / 2.0, (r.Top + r.Bottom) / 2.0));
    }
};

TEST_F(MainWindowTest, RolesSwitchControlsOff) {
    // What each word leaves usable (true) in the main window and the reports window.
    struct Row {
        const char* Name;
        std::function<bool()> Enabled;
        bool On[4];  // administrator, planning, foremen, storekeeper
    } rows[] = {
        {"Добавить", [] { return Form1->Button1->Enabled(); }, {true, false, true, false}},
        {"Копия", [] { return Form1->N21->Enabled(); }, {true, false, true, false}},
        {"Изменить", [] { return Form1->Button2->Enabled(); }, {true, false, false, false}},
        {"Удалить", [] { return Form1->Button3->Enabled(); }, {true, false, false, false}},
        {"Обновить", [] { return Form1->Button8->Enabled(); }, {true, false, true, true}},
        {"Смена №1", [] { return Form1->RadioButton1->Enabled(); }, {true, false, true, true}},
        {"Переработка", [] { return Form1->RadioButton4->Enabled(); }, {true, false, true, true}},
        {"Выходной", [] { return Form1->CBox1->Enabled(); }, {true, false, true, true}},
        {"date picker", [] { return Form1->DateT->Enabled(); }, {true, false, true, true}},
        {"grid", [] { return Form1->DBGrid2->Enabled(); }, {true, false, true, true}},
        {"Справочники", [] { return Form1->N2->Enabled(); }, {true, false, false, false}},
        {"Табель", [] { return Form1->N11->Enabled(); }, {true, false, false, false}},
        {"Отчеты", [] { return Form1->N7->Enabled(); }, {true, true, true, true}},
        {"Ср.сд./хоз. работы", [] { return Form1->Button5->Enabled(); }, {true, true, true, true}},
        {"Выход", [] { return Form1->Button4->Enabled() && Form1->N5->Enabled(); }, {true, true, true, true}},
        {"Детальный отчет по рабочим", [] { return Form18->Button1->Enabled(); }, {true, true, false, false}},
        {"Отчет по продукции", [] { return Form18->Button2->Enabled(); }, {true, true, false, false}},
        {"Отчет по рабочим", [] { return Form18->Button4->Enabled(); }, {true, true, false, false}},
        {"Excel (0 из 0)", [] { return Form18->Button6->Enabled(); }, {true, true, false, false}},
        {"Вид продукции", [] { return Form18->RadioGroup1->Enabled(); }, {true, true, true, false}},
        {"Вид продукции: все", [] { return Form18->RadioGroup1->ItemIndex() == 0; }, {true, true, true, false}},
    };
    const char* words[] = {"0583", "plavor", " brendik ", "tovik"};
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(words[r]);
        Start();
        bool shown = false;
        SignIn(QString::fromUtf8(words[r]), [&] {
            shown = Form1->Visible();
            EXPECT_EQ(Form1->CurrentShift, 1);
            EXPECT_EQ(Form1->LoginWord, Trim(QString::fromUtf8(words[r])));
            for (const auto& row : rows) EXPECT_EQ(row.Enabled(), row.On[r]) << row.Name;
        });
        EXPECT_TRUE(shown);
        EXPECT_TRUE(Messages().empty());
        // Leaving the main work window closes the login window, which ends the program.
        EXPECT_TRUE(Application->Terminated());
        FreeApplicationForms();
        Application->CancelTerminate();
        Responder.Clear();
    }
}

TEST_F(MainWindowTest, WrongWordThenAdministrator) {
    Start();
    Form23->Edit1->SetText(QStringLiteral("Brendik"));
    Click(Form23->Button1);
    EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|Введены неверные данные.")});
    EXPECT_EQ(Responder.LastCall().DlgType, mtError);
    EXPECT_FALSE(Form1->N11->Enabled());
    EXPECT_TRUE(Form1->Button2->Enabled());
    EXPECT_FALSE(Application->Terminated());

    bool timesheetMenu = false;
    SignIn(QStringLiteral("57203816"), [&] { timesheetMenu = Form1->N11->Enabled(); });
    EXPECT_TRUE(timesheetMenu);
}

TEST_F(MainWindowTest, WeekendFlagFollowsTheDate) {
    const TDateTime saturday = EncodeDate(2026, 12, 12);
    SetToday(saturday);
    Start();
    SignIn(QStringLiteral("0583"), [&] {
        EXPECT_EQ(Form1->DateT->Date(), saturday);
        EXPECT_TRUE(Form1->CBox1->Checked());
        EXPECT_EQ(Form1->CBox1->Color(), WeekendColor);
        EXPECT_TRUE(Form1->CBox1->Font()->Style().Contains(fsBold));
        // A Wednesday chosen in the calendar clears it.
        Form1->DateT->SetDate(EncodeDate(2026, 12, 9));
        Form1->DateTChange(Form1->DateT);
        EXPECT_FALSE(Form1->CBox1->Checked());
        EXPECT_EQ(Form1->CBox1->Color(), clBtnFace);
        EXPECT_FALSE(Form1->CBox1->Font()->Style().Contains(fsBold));
        // Sunday by Enter in the picker.
        Form1->DateT->SetDate(EncodeDate(2026, 12, 13));
        Char enter(13);
        Form1->DateTKeyPress(Form1->DateT, enter);
        EXPECT_TRUE(Form1->CBox1->Checked());
        EXPECT_EQ(Screen->Cursor(), crDefault);
    });
    EXPECT_TRUE(IsWeekendDay(EncodeDate(2026, 12, 12)));
    EXPECT_TRUE(IsWeekendDay(EncodeDate(2026, 12, 13)));
    EXPECT_FALSE(IsWeekendDay(EncodeDate(2026, 12, 14)));
}

// A date typed into the picker (no Enter, no calendar) is the one Обновить shows; the weekend flag
// follows a new date, and a flag set by hand stays while the date does not change.
TEST_F(MainWindowTest, RefreshShowsTheDateTypedIntoThePicker) {
    const TDateTime busy = BusyDay();
    SetToday(busy);
    Start();
    SignIn(QStringLiteral("0583"), [&] {
        TADOQuery* q = Shift1();
        ASSERT_TRUE(q->Active());
        const int busyRows = q->RecordCount();
        ASSERT_GE(busyRows, 3);
        Form1->CBox1->SetChecked(!IsWeekendDay(busy));
        Click(Form1->Button8);
        EXPECT_EQ(q->RecordCount(), busyRows);
        EXPECT_EQ(Form1->CBox1->Checked(), !IsWeekendDay(busy)) << "the flag set by hand was lost";

        // Sunday 05.01.2025, a day without records, typed over the day, month and year
        QApplication::setActiveWindow(Form1->Handle());
        Form1->DateT->SetFocus();
        static_cast<QDateTimeEdit*>(Form1->DateT->Handle())->setCurrentSectionIndex(0);
        for (QChar c : QStringLiteral("05012025")) SendKeyToWindow(Form1->DateT->Handle(), Qt::Key_0 + (c.unicode() - '0'), Qt::NoModifier, QString(c));
        ASSERT_EQ(Form1->DateT->Date(), EncodeDate(2025, 1, 5));
        Click(Form1->Button8);
        EXPECT_EQ(q->RecordCount(), 0);
        EXPECT_EQ(q->Parameters()->ParamByName(QStringLiteral("data"))->Value().AsDateTime(), EncodeDate(2025, 1, 5));
        EXPECT_TRUE(Form1->CBox1->Checked());

        // and back to the busy day
        Form1->DateT->SetDate(busy);
        Click(Form1->Button8);
        EXPECT_EQ(q->RecordCount(), busyRows);
        EXPECT_EQ(Form1->CBox1->Checked(), IsWeekendDay(busy));
    });
}

TEST_F(MainWindowTest, ShiftChoice) {
    Start();
    SignIn(QStringLiteral("0583"), [&] {
        Form1->RadioButton3->SetChecked(true);
        EXPECT_EQ(Form1->CurrentShift, 3);
        EXPECT_EQ(Form1->ShownDataSource(), Form1->DataSource3);
        EXPECT_EQ(Form1->ShownDataSource()->DataSet(), DataModule6->Smena3);
        EXPECT_EQ(Form1->RadioButton3->Color(), ShiftColor);
        EXPECT_TRUE(Form1->RadioButton3->Font()->Style().Contains(fsBold));
        EXPECT_EQ(Form1->RadioButton1->Color(), clBtnFace);
        EXPECT_FALSE(Form1->RadioButton1->Font()->Style().Contains(fsBold));
        Form1->RadioButton4->SetChecked(true);
        EXPECT_EQ(Form1->CurrentShift, 4);
        EXPECT_EQ(Form1->RadioButton3->Color(), clBtnFace);
    });
}

TEST_F(MainWindowTest, AcceptanceToggleKeepsTheRow) {
    SetToday(BusyDay());
    Start();
    SignIn(QStringLiteral("tovik"), [&] {
        TADOQuery* q = Shift1();
        ASSERT_TRUE(q->Active());
        ASSERT_GE(q->RecordCount(), 3);
        q->SetRecNo(2);
        const int id = CurrentId();
        Db().Exec("update accounts_dep.smena set ok = 'да' where id = " + std::to_string(id));
        Click(Form1->Button8);
        ASSERT_TRUE(q->Locate(QStringLiteral("id"), Variant(id), {}));
        const int row = q->RecNo();
        EXPECT_EQ(AcceptanceColor(CurrentOk()), AcceptedColor);

        // "да" -> "no" (red), -> "ok" (green); the selection stays on the row number.
        const char* expected[] = {"no", "ok", "no"};
        for (const char* e : expected) {
            DoubleClickCurrentRow();
            EXPECT_EQ(OkOf(id), e);
            EXPECT_EQ(q->RecNo(), row);
            EXPECT_EQ(CurrentId(), id);
            EXPECT_EQ(CurrentOk(), QString::fromUtf8(e));
            EXPECT_EQ(AcceptanceColor(CurrentOk()), std::string(e) == "ok" ? AcceptedColor : RefusedColor);
        }
        EXPECT_EQ(Form1->CurrentShiftQuery, q);

        // Any other text (an empty one) is red and becomes "ok".
        Db().Exec("update accounts_dep.smena set ok = '' where id = " + std::to_string(id));
        Click(Form1->Button8);
        q->SetRecNo(row);
        EXPECT_EQ(AcceptanceColor(CurrentOk()), RefusedColor);
        DoubleClickCurrentRow();
        EXPECT_EQ(OkOf(id), "ok");

        // On the last row the selection stays on the last row.
        q->Last();
        const int last = q->RecNo();
        DoubleClickCurrentRow();
        EXPECT_EQ(q->RecNo(), last);
    });
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainWindowTest, DoubleClickBelowTheRowsTogglesNothing) {
    SetToday(BusyDay());
    Start();
    SignIn(QStringLiteral("tovik"), [&] {
        TADOQuery* q = Shift1();
        q->First();
        TDBGrid* g = Form1->DBGrid2;
        g->SetHeight(g->TitleOffset() * 40 + (q->RecordCount() + 4) * 40);  // room below the rows
        const std::vector<std::string> before = {OkOf(CurrentId())};
        const int id = CurrentId();
        const TRect last = g->CellRect(g->Col(), g->RowCount() - 1);
        ASSERT_LT(last.Bottom + 10, g->ClientHeight());
        DoubleClick(g->Handle(), QPointF((last.Left + last.Right) / 2.0, last.Bottom + 10));
        EXPECT_EQ(OkOf(id), before[0]);
        // on a row it toggles
        DoubleClickCurrentRow();
        EXPECT_NE(OkOf(id), before[0]);
    });
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainWindowTest, ToggleDoesNothingForForemenOrAnEmptyList) {
    SetToday(BusyDay());
    Start();
    SignIn(QStringLiteral("brendik"), [&] {
        TADOQuery* q = Shift1();
        q->First();
        const int id = CurrentId();
        const std::string before = OkOf(id);
        DoubleClickCurrentRow();
        EXPECT_EQ(OkOf(id), before);
        // An empty list: a day without records.
        Form1->DateT->SetDate(EncodeDate(2001, 1, 3));
        Form1->DateTChange(Form1->DateT);
        EXPECT_TRUE(q->IsEmpty());
        Form1->LoginWord = QStringLiteral("0583");
        DoubleClickCurrentRow();
        EXPECT_TRUE(q->IsEmpty());
    });
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainWindowTest, RefreshShowsRecordsOfOtherClients) {
    const TDateTime day = BusyDay();
    SetToday(day);
    Start();
    SignIn(QStringLiteral("0583"), [&] {
        TADOQuery* q = Shift1();
        const int before = q->RecordCount();
        q->First();
        Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, \"time\", vvod, ok, prize) "
                  "select w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, \"time\", vvod, 'no', 0 "
                  "from accounts_dep.smena where id = " + std::to_string(CurrentId()));
        EXPECT_EQ(q->RecordCount(), before);
        Click(Form1->Button8);
        EXPECT_EQ(q->RecordCount(), before + 1);
        EXPECT_EQ(Screen->Cursor(), crDefault);
    });
}

TEST_F(MainWindowTest, ExitClosesTheMainWindow) {
    Start();
    int result = -1;
    Responder.AnswerModal([&](TCustomForm* F) {
        Click(Form1->Button4);
        result = F->ModalResult();
    });
    Form23->Edit1->SetText(QStringLiteral("plavor"));
    Click(Form23->Button1);
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace sdelka::test
