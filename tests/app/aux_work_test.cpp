// The auxiliary-work card and its day list (rows of accounts_dep.fatigue with their auxiliary
// timesheet day cells, the average piece rate) and the helper additional pay of the record card,
// on a started client over the demo database.
#include "app/auxwork.h"
#include "app/cards.h"
#include "app/form11.h"
#include "app/helperpay.h"
#include "app/lists.h"
#include "app/roles.h"
#include "app_fixture.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <QPixmap>
#include <QWidget>

namespace sdelka::test {
namespace {

constexpr int W = 3, W2 = 4;       // demo workers
constexpr int G = 10, G2 = 11;     // demo nomenclature groups

TDateTime Day(int Month, int D, int Year = 2031) { return EncodeDate(Year, Month, D); }
std::string S(int V) { return std::to_string(V); }
// A click on a button, through its window: what the card wired to it runs.
void Press(TButton* B) { Click(B); }

class AuxWorkTest : public AppSuite<true> {
protected:
    void SetUp() override {
        AppSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec("drop trigger if exists fail_cell on accounts_dep.h_dizuv;"
                  "delete from accounts_dep.fatigue where i_year >= 2031;"
                  "delete from accounts_dep.smena where data >= '2031-01-01';"
                  "delete from accounts_dep.person_temp;"
                  "delete from accounts_dep.h_dizuv where year >= 2031");
        SetClock([] { return Day(3, 3) + 0.4; });
    }

    // The day cell of an auxiliary month row: "none" without the row, "" for null.
    std::string Cell(int Worker, int Kind, int Group, int Night, TDateTime Date) {
        const std::string where = " from accounts_dep.h_dizuv where w_id=" + S(Worker) + " and i_type=" + S(Kind) +
                                  " and id_nom=" + S(Group) + " and i_night=" + S(Night) +
                                  " and month=" + S(MonthOf(Date)) + " and year=" + S(YearOf(Date));
        if (Db().Value("select count(*)" + where) == "0") return "none";
        return Db().Value("select d" + S(DayOf(Date)) + where);
    }
    std::string Rows() { return Db().Value("select count(*) from accounts_dep.fatigue where i_year >= 2031"); }

    // The day list opened by the main window on Date; Action runs while it is shown.
    void InDayList(TDateTime Date, std::function<void()> Action) {
        Form1->DateT->SetDate(Date);
        Responder.AnswerModal([=](TCustomForm* F) {
            ASSERT_EQ(F, Form25);
            EXPECT_EQ(Form25->DTPcker1->Date(), Date);
            Form25->FormActivate(Form25);
            Action();
        });
        Click(Form1->Button5);
    }

    // "Добавить" (or "Изменить" with Edit) of the day list, the card filled and saved.
    void Enter(bool Edit, int Person, int Group, int Kind, const String& Hours, bool Night = false) {
        Responder.AnswerModal([=](TCustomForm* F) {
            ASSERT_EQ(F, Form24);
            EXPECT_EQ(Form24->Tag(), Edit ? 1 : 0);
            EXPECT_EQ(Form24->CBox1->Enabled(), !Edit);
            Form24->PersonId = Person;
            Form24->GroupId = Group;
            Form24->SetKind(Kind);
            Form24->Edit6->SetText(Hours);
            if (!Edit) Form24->CBox1->SetChecked(Night);
            Click(Form24->Button1);
        });
        if (Edit)
            Click(Form25->Button6);
        else
            Click(Form25->Button5);
    }
};

TEST_F(AuxWorkTest, KindHoursPriceAndSumShareOneRow) {
    Start();
    const std::vector<TControl*> row = {Form24->cb_type_work, Form24->Edit6, Form24->Label8,
                                        Form24->DBEdit1, Form24->Label3, Form24->DBEdit2};
    for (std::size_t i = 0; i < row.size(); ++i) {
        SCOPED_TRACE(row[i]->Name().toStdString());
        EXPECT_LT(std::abs(row[i]->Top() - Form24->Edit6->Top()), 4);  // the same line
        if (i > 0) {
            EXPECT_GE(row[i]->Left(), row[i - 1]->Left() + row[i - 1]->Width());  // left to right, apart
        }
        EXPECT_LE(row[i]->Left() + row[i]->Width(), Form24->GroupBox1->ClientWidth());
    }
    Form24->Show();
    Form24->Handle()->grab().save(QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_form24.png"));
    Form24->Hide();
}

TEST_F(AuxWorkTest, CardSavesTheRowAndKeepsTheDayCellsInStep) {
    Start();
    SignIn(AdminWord2, [&] {
        InDayList(Day(3, 5), [&] {
            EXPECT_EQ(Form25->ShiftNo, 1);
            EXPECT_TRUE(Form25->fatigue->IsEmpty());
            // the weekend and night factors: 7778 with norm price 220 gives 220 x 2 x 1.2
            Form25->CBox1->SetChecked(true);
            Enter(false, W, G, AveragePieceKind, QStringLiteral("8"), true);
            EXPECT_EQ(Db().Value("select id_nom||' '||id_o||' '||id_p||' '||d_date||' '||i_mnth||' '||i_year||' '||"
                                 "i_smena||' '||cnt||' '||price||' '||i_holiday||' '||i_night from accounts_dep.fatigue "
                                 "where i_year=2031"),
                      "10 7778 3 2031-03-05 3 2031 1 8 528.0000 1 1");
            EXPECT_EQ(Cell(W, AveragePieceKind, G, 1, Day(3, 5)), "8");
            EXPECT_EQ(Form25->fatigue->RecordCount(), 1);
            EXPECT_EQ(Form25->fatigue->FieldByName(QStringLiteral("s_holiday"))->AsString(), QStringLiteral("+"));

            // the same worker, kind, group and night flag adds to the cell; the day flag has its own row
            Form25->CBox1->SetChecked(false);
            Enter(false, W, G, AveragePieceKind, QStringLiteral("3"), true);
            Enter(false, W, G, AveragePieceKind, QStringLiteral("2"), false);
            EXPECT_EQ(Cell(W, AveragePieceKind, G, 1, Day(3, 5)), "11");
            EXPECT_EQ(Cell(W, AveragePieceKind, G, 0, Day(3, 5)), "2");
            EXPECT_EQ(Db().Value("select price from accounts_dep.fatigue where cnt=3 and i_year=2031"), "264.0000");

            // an edit to another group: the cell it leaves keeps only the hours that stay there;
            // the weekend flag and the price are taken again, the night flag and the day stay
            const std::string first = Db().Value("select id from accounts_dep.fatigue where cnt=8 and i_year=2031");
            ASSERT_TRUE(Form25->fatigue->Locate(QStringLiteral("id"), std::stoi(first), {}));
            Enter(true, W, G2, AveragePieceKind, QStringLiteral("4"));
            EXPECT_EQ(Db().Value("select id_nom||' '||cnt||' '||price||' '||i_holiday||' '||i_night||' '||d_date from "
                                 "accounts_dep.fatigue where id=" + first),
                      "11 4 264.0000 0 1 2031-03-05");
            EXPECT_EQ(Cell(W, AveragePieceKind, G, 1, Day(3, 5)), "3");
            EXPECT_EQ(Cell(W, AveragePieceKind, G2, 1, Day(3, 5)), "4");
            EXPECT_EQ(Rows(), "3");
        });
    });
}

TEST_F(AuxWorkTest, CardPicksAndRefusesAnIncompleteEntry) {
    Start();
    SignIn(AdminWord2, [&] {
        InDayList(Day(3, 6), [&] {
            Responder.AnswerModal([&](TCustomForm*) {
                // worker and group through their lists
                Responder.AnswerModal([&](TCustomForm* F) {
                    ASSERT_EQ(F, Form5);
                    ASSERT_TRUE(DataModule6->Workers->Locate(QStringLiteral("id"), W2, {}));
                    Click(Form5->Button2);
                });
                Click(Form24->Button3);
                Responder.AnswerModal([&](TCustomForm* F) {
                    ASSERT_EQ(F, Form26);
                    ASSERT_TRUE(Form26->item->Locate(QStringLiteral("id"), G2, {}));
                    Click(Form26->Button3);
                });
                Click(Form24->Button4);
                EXPECT_EQ(Form24->PersonId, W2);
                EXPECT_EQ(Form24->GroupId, G2);
                EXPECT_EQ(Form24->Edit1->Text(), QStringLiteral("Кузнецов Дмитрий Андреевич"));
                EXPECT_EQ(Form24->Edit2->Text(), QStringLiteral("Шкафы металлические"));
                EXPECT_EQ(Form24->Kind(), AuxWorkKind);
                EXPECT_EQ(Form24->DBEdit1->Text(), QStringLiteral("180"));

                struct Case {
                    int Person, Group;
                    const char* Hours;
                    const char* Message;
                } const cases[] = {{0, G2, "4", "Все поля должны быть заполнены!"},
                                   {W2, 0, "4", "Все поля должны быть заполнены!"},
                                   {W2, G2, "0", "Нужно завести количество!"},
                                   {W2, G2, "", "Нужно завести количество!"}};
                for (const auto& c : cases) {
                    Form24->PersonId = c.Person;
                    Form24->GroupId = c.Group;
                    Form24->Edit6->SetText(QString::fromLatin1(c.Hours));
                    Responder.Clear();
                    Click(Form24->Button1);
                    EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|") + QString::fromUtf8(c.Message)})
                        << c.Hours;
                    EXPECT_EQ(Rows(), "0");
                }
                // the sum follows the hours
                Form24->PersonId = W2;
                Form24->GroupId = G2;
                Form24->Edit6->SetText(QStringLiteral("5"));
                EXPECT_EQ(Form24->DBEdit2->Text(), QStringLiteral("900"));
                EXPECT_EQ(Form24->Kind(), AuxWorkKind);
                Click(Form24->Button1);
            });
            Click(Form25->Button5);
            EXPECT_EQ(Db().Value("select id_p||' '||id_nom||' '||id_o||' '||cnt||' '||price from accounts_dep.fatigue "
                                 "where i_year=2031"),
                      "4 11 7777 5 180.0000");
        });
    });
}

TEST_F(AuxWorkTest, FailedSaveWritesNothingAndShowsTheServersMessage) {
    Start();
    SignIn(AdminWord2, [&] {
        Db().Exec("create or replace function accounts_dep.fail_cell() returns trigger language plpgsql as "
                  "$$ begin raise exception 'табель закрыт'; end $$;"
                  "create trigger fail_cell before insert on accounts_dep.h_dizuv "
                  "for each row execute function accounts_dep.fail_cell();");
        InDayList(Day(3, 7), [&] {
            Responder.Clear();
            Enter(false, W, G, AuxWorkKind, QStringLiteral("4"));
            const auto messages = Messages();
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].contains(QStringLiteral("табель закрыт"))) << messages[0].toStdString();
            EXPECT_EQ(Rows(), "0");
            EXPECT_EQ(Cell(W, AuxWorkKind, G, 0, Day(3, 7)), "none");
        });
        Db().Exec("drop trigger fail_cell on accounts_dep.h_dizuv");
    });
}

TEST_F(AuxWorkTest, DayListWeekendBoxAndDelete) {
    Start();
    SignIn(AdminWord2, [&] {
        InDayList(Day(3, 7), [&] {
            // 8 March 2031 is a Saturday
            Form25->DTPcker1->SetDate(Day(3, 8));
            Form25->DTPcker1Change(Form25->DTPcker1);
            EXPECT_TRUE(Form25->CBox1->Checked());
            EXPECT_EQ(Form25->CBox1->Color(), clRed);
            EXPECT_TRUE(Form25->CBox1->Font()->Style().Contains(fsBold));
            Form25->DTPcker1->SetDate(Day(3, 10));
            Form25->DTPcker1Change(Form25->DTPcker1);
            EXPECT_FALSE(Form25->CBox1->Checked());
            EXPECT_EQ(Form25->CBox1->Color(), clBtnFace);
            EXPECT_FALSE(Form25->CBox1->Font()->Style().Contains(fsBold));

            Enter(false, W, G, AuxWorkKind, QStringLiteral("4"));
            Enter(false, W, G, AuxWorkKind, QStringLiteral("3"));
            Enter(false, W, G2, AuxWorkKind, QStringLiteral("5"));
            Form25->DTPcker1->SetDate(Day(3, 11));
            Form25->DTPcker1Change(Form25->DTPcker1);
            Enter(false, W, G, AuxWorkKind, QStringLiteral("6"));
            Form25->DTPcker1->SetDate(Day(3, 10));
            Form25->DTPcker1Change(Form25->DTPcker1);
            EXPECT_EQ(Cell(W, AuxWorkKind, G, 0, Day(3, 10)), "7");
            EXPECT_EQ(Form25->fatigue->RecordCount(), 3);

            // "No" leaves the list as it is
            ASSERT_TRUE(Form25->fatigue->Locate(QStringLiteral("cnt"), 4, {}));
            Responder.Clear();
            Responder.Answer(IDNO);
            Click(Form25->Button7);
            EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Удаление|Удалить позицию из списка?")});
            EXPECT_EQ(Form25->fatigue->RecordCount(), 3);

            // one of two rows of the cell: the other's hours stay; the other group's cell is untouched
            Responder.Answer(IDYES);
            Click(Form25->Button7);
            EXPECT_EQ(Form25->fatigue->RecordCount(), 2);
            EXPECT_EQ(Cell(W, AuxWorkKind, G, 0, Day(3, 10)), "3");
            EXPECT_EQ(Cell(W, AuxWorkKind, G2, 0, Day(3, 10)), "5");

            // the last row of the cell: the day is empty, the month row keeps the other day
            ASSERT_TRUE(Form25->fatigue->Locate(QStringLiteral("cnt"), 3, {}));
            Responder.Answer(IDYES);
            Click(Form25->Button7);
            EXPECT_EQ(Cell(W, AuxWorkKind, G, 0, Day(3, 10)), "");
            EXPECT_EQ(Cell(W, AuxWorkKind, G, 0, Day(3, 11)), "6");
            EXPECT_EQ(Cell(W, AuxWorkKind, G2, 0, Day(3, 10)), "5");
        });
    });
}

TEST_F(AuxWorkTest, AveragePieceRateOfTheMonth) {
    // piece work: (10 - 0) x 50 in 4 hours and (20 - 2) x 30 in 6 hours give 1040 / 10 = 104 an hour
    const auto piece = [&](const char* Date, int Worker, int Qty, int Brak, double Cena, int Time) {
        Db().Exec("insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, ok)"
                  " values(" + S(Worker) + ", 1, 1, " + std::to_string(Cena) + ", " + S(Qty) + ", " + S(Brak) +
                  ", '" + Date + "', 1, 0, " + S(Time) + ", 'no')");
    };
    const auto row = [&](const char* Date, int Worker, int Kind, int Holiday, int Night) {
        Db().Exec("insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, "
                  "i_holiday, i_night) values(10, " + S(Kind) + ", " + S(Worker) + ", '" + Date +
                  "', extract(month from date '" + Date + "'), extract(year from date '" + Date + "'), 1, 8, 1, " +
                  S(Holiday) + ", " + S(Night) + ")");
    };
    piece("2031-03-02", W, 10, 0, 50, 4);
    piece("2031-03-31", W, 20, 2, 30, 6);
    piece("2031-04-01", W, 100, 0, 100, 1);   // next month: not counted
    piece("2031-03-02", W2, 10, 0, 50, 0);    // no hours: rate 0
    row("2031-03-05", W, 7778, 0, 0);
    row("2031-03-06", W, 7778, 0, 1);
    row("2031-03-08", W, 7778, 1, 0);
    row("2031-03-09", W, 7778, 1, 1);
    row("2031-03-10", W, 7777, 0, 0);
    row("2031-03-10", W2, 7778, 0, 0);
    row("2031-03-10", 5, 7778, 0, 0);         // no piece work at all
    row("2031-04-10", W, 7778, 0, 0);         // another month
    // December: from 1 December up to but excluding 1 January
    piece("2031-11-30", 6, 1, 0, 1000, 1);
    piece("2031-12-01", 6, 4, 0, 25, 2);
    piece("2032-01-01", 6, 1, 0, 1000, 1);
    row("2031-12-15", 6, 7778, 0, 0);

    Start();
    SignIn(AdminWord2, [&] {
        InDayList(Day(3, 10), [&] {
            Click(Form25->Button1);
            EXPECT_EQ(Form25->fatigue->RecordCount(), 3);
        });
        EXPECT_EQ(Db().Value("select string_agg(d_date||':'||price, ' ' order by d_date) from accounts_dep.fatigue "
                             "where id_p=3 and id_o=7778"),
                  "2031-03-05:104.0000 2031-03-06:124.8000 2031-03-08:208.0000 2031-03-09:249.6000 "
                  "2031-04-10:1.0000");
        EXPECT_EQ(Db().Value("select price from accounts_dep.fatigue where id_o=7777 and i_year=2031"), "1.0000");
        EXPECT_EQ(Db().Value("select string_agg(id_p||':'||price, ' ' order by id_p) from accounts_dep.fatigue "
                             "where id_p in (4, 5) and i_year=2031"),
                  "4:0.0000 5:0.0000");
        InDayList(Day(12, 15), [&] { Click(Form25->Button1); });
        EXPECT_EQ(Db().Value("select price from accounts_dep.fatigue where id_p=6 and i_year=2031"), "50.0000");
    });
}

// ---- helper additional pay ---------------------------------------------------------------------

TEST(HelperPayRules, RatePerHour) {
    struct Case {
        int Kind;
        double Price;
        int Qty, Brak, Hours;
        double Rate;
    } const cases[] = {{0, 10, 100, 4, 8, 84}, {1, 10, 100, 4, 8, 144}, {0, 1, 1, 0, 3, 0.23},
                       {1, 2.5, 7, 0, 3, 7}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(HelperRate(c.Kind, c.Price, c.Qty, c.Brak, c.Hours), c.Rate) << c.Kind << ' ' << c.Price;
}

class HelperPayTest : public AuxWorkTest {
protected:
    // "Добавить" of the helper section: the worker picked from the list, Hours entered.
    void AddHelperOf(int Worker, const String& Hours) {
        Responder.AnswerModal([=, this](TCustomForm* F) {
            ASSERT_EQ(F, Form5);
            EXPECT_EQ(Form5->Tag(), pmHelper);
            ASSERT_TRUE(DataModule6->Workers->Locate(QStringLiteral("id"), Worker, {}));
            Responder.AnswerModal([=](TCustomForm* D) {
                ASSERT_EQ(D, Form132);
                EXPECT_EQ(Form132->Edit1->Text(), String());
                Form132->Edit1->SetText(Hours);
                Click(Form132->Button1);
            });
            Click(Form5->Button2);
        });
        Press(Form11->Button5);
    }
    // A new record saved on the card (price 10, 100 pieces, 4 defects, 8 hours); Action runs in
    // its helper stage.
    void InHelperStage(std::function<void()> Action, int Worker = 1, const char* Hours = "8") {
        Responder.AnswerModal([=, this](TCustomForm*) {
            Form11->WorkerId = Worker;
            Form11->Edit1->SetText(QStringLiteral("Рабочий"));
            Form11->OperationId = 1;
            Form11->ProductId = 1;
            Form11->Price = 10;
            Form11->Edit2->SetText(QStringLiteral("СТ-100; Резка; Заготовки"));
            Form11->Edit3->SetText(QStringLiteral("100"));
            Form11->Edit4->SetText(QStringLiteral("4"));
            Form11->Edit6->SetText(QString::fromLatin1(Hours));
            Form11->DTimeP->SetDate(Day(3, 3));
            Click(Form11->Button1);
            ASSERT_GT(Form11->RecordKey, 0) << (Messages().empty() ? std::string() : Messages().back().toStdString());
            Action();
        });
        Click(Form1->Button1);
    }
    std::string Temps() { return Db().Value("select count(*) from accounts_dep.person_temp"); }
};

TEST_F(HelperPayTest, HoursDialogRefusesNoHours) {
    Start();
    for (const char* text : {"0", "", "4"}) {
        Responder.Clear();
        Form132->SetModalResult(mrNone);
        Form132->Edit1->SetText(QString::fromLatin1(text));
        Click(Form132->Button1);
        const bool ok = std::string(text) == "4";
        EXPECT_EQ(Form132->ModalResult(), ok ? mrOk : mrCancel) << text;
        EXPECT_EQ(Messages().size(), ok ? 0u : 1u) << text;
        if (!ok) {
            EXPECT_EQ(Messages()[0], QStringLiteral("Ошибка|Значение должно быть больше 0!"));
            EXPECT_EQ(Responder.LastCall().DlgType, mtError);
        }
    }
}

TEST_F(HelperPayTest, HelpersBecomeRecordRows) {
    Start();
    Form1->DateT->SetDate(Day(3, 3));
    SignIn(AdminWord2, [&] {
        InHelperStage([&] {
            EXPECT_FALSE(Form11->Button5->Enabled());
            Form11->CheckBox1->SetChecked(true);
            EXPECT_TRUE(Form11->Button5->Enabled() && Form11->Button6->Enabled() && Form11->RadioGroup1->Enabled());

            // auxiliary worker: 0.7 x 10 x 96 / 8 = 84 an hour; a paint operator 144
            Form11->RadioGroup1->SetItemIndex(0);
            AddHelperOf(5, QStringLiteral("4"));
            AddHelperOf(5, QStringLiteral("4"));
            Form11->RadioGroup1->SetItemIndex(1);
            AddHelperOf(6, QStringLiteral("2"));
            EXPECT_EQ(Db().Value("select string_agg(id_person||':'||f_count||'x'||f_time, ' ' order by id) from "
                                 "accounts_dep.person_temp where id_smena=" + S(Form11->RecordKey)),
                      "5:84x4 5:84x4 6:144x2");
            EXPECT_EQ(Form11->person->RecordCount(), 3);
            ASSERT_TRUE(Form11->person->Locate(QStringLiteral("id"), 6, {}));
            EXPECT_EQ(Form11->person->FieldByName(QStringLiteral("f_count"))->AsFloat(), 288);

            // the hours dialog cancelled: nothing added
            Responder.AnswerModal([&](TCustomForm*) {
                Responder.AnswerModal([](TCustomForm*) {}, mrCancel);
                Click(Form5->Button2);
            });
            Press(Form11->Button5);
            EXPECT_EQ(Form11->person->RecordCount(), 3);

            // delete asks first
            Responder.Answer(IDNO);
            Press(Form11->Button7);
            EXPECT_EQ(Form11->person->RecordCount(), 3);
            Responder.Answer(IDYES);
            Press(Form11->Button7);
            EXPECT_EQ(Form11->person->RecordCount(), 2);

            Press(Form11->Button6);
            EXPECT_FALSE(Form11->person->Active());
            EXPECT_TRUE(Form11->Button1->Enabled());
        });
        EXPECT_EQ(Temps(), "0");
        EXPECT_EQ(Db().Value("select string_agg(w_id||' '||i_id||' '||cena||' '||kol_vo||' '||brak||' '||data||' '||"
                             "smena||' '||time||' '||ok, ', ' order by id) from accounts_dep.smena where o_id=7779 "
                             "and data='2031-03-03'"),
                  "5 1 336 1 0 2031-03-03 1 4 no, 5 1 336 1 0 2031-03-03 1 4 no");
        // no day cell is written for helper rows
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.h_dizuv where w_id=5 and year=2031"), "0");

        // a card closed without "Сохранить" leaves no helper behind and writes no record row
        InHelperStage([&] {
            Form11->CheckBox1->SetChecked(true);
            AddHelperOf(7, QStringLiteral("3"));
            EXPECT_EQ(Temps(), "1");
        }, 2);
        EXPECT_EQ(Temps(), "0");
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where o_id=7779 and w_id=7"), "0");
    });
}

TEST_F(HelperPayTest, ARecordWithoutHoursRefusesBeforeAWorkerIsPicked) {
    Start();
    Form1->DateT->SetDate(Day(3, 3));
    SignIn(AdminWord2, [&] {
        InHelperStage([&] {
            Form11->CheckBox1->SetChecked(true);
            Responder.Clear();
            Press(Form11->Button5);
            EXPECT_EQ(Messages(), (std::vector<String>{QStringLiteral("Ошибка|Время по позиции должно быть больше 0!")}));
            for (const auto& c : Responder.Calls()) EXPECT_NE(c.Kind, TScriptedResponder::ckShowModal);
            EXPECT_EQ(Temps(), "0");
        }, 1, "0");
    });
}

TEST_F(HelperPayTest, AHelperTheServerRefusesIsShownWithTheServersMessage) {
    Db().Exec("create function pg_temp_refuse_helper() returns trigger language plpgsql as $$ begin raise exception "
              "'helper refused by the server'; end $$;"
              "create trigger refuse_helper before insert on accounts_dep.person_temp for each row execute function "
              "pg_temp_refuse_helper()");
    Start();
    Form1->DateT->SetDate(Day(3, 3));
    SignIn(AdminWord2, [&] {
        InHelperStage([&] {
            Form11->CheckBox1->SetChecked(true);
            Responder.Clear();
            AddHelperOf(2, QStringLiteral("4"));
            const auto m = Messages();
            ASSERT_EQ(m.size(), 1u);
            EXPECT_TRUE(m[0].startsWith(QStringLiteral("Ошибка|Невозможно сохранить данные в БД!\n"))) << m[0].toStdString();
            EXPECT_TRUE(m[0].contains(QStringLiteral("helper refused by the server"))) << m[0].toStdString();
            EXPECT_EQ(Temps(), "0");
        });
    });
    Db().Exec("drop trigger refuse_helper on accounts_dep.person_temp; drop function pg_temp_refuse_helper()");
}

}  // namespace
}  // namespace sdelka::test
