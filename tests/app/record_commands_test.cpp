// The record commands of the main work window ("Добавить", "Изменить", "Копия", "Удалить",
// "Ср.сд./хоз. работы") with the worker's timesheet day cell, and the main menu's dispatch, on a
// started client over the demo database.
#include "app/cards.h"
#include "app/form11.h"
#include "app/lists.h"
#include "app/recorddelete.h"
#include "app_fixture.h"
#include "platform/gui/dialogs.h"
#include "support/input.h"

namespace sdelka::test {
namespace {

constexpr int Worker = 15;

class RecordCommandsTest : public AppSuite<true> {
protected:
    void SetUp() override {
        AppSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec("drop trigger if exists fail_cell on accounts_dep.h_dizuv;"
                  "delete from accounts_dep.smena where data between '2025-06-01' and '2025-06-30';"
                  "delete from accounts_dep.h_dizuv where year = 2025 and month = 6");
        SetClock([] { return June(3) + 10.5 / 24; });
    }

    static TDateTime June(int Day) { return EncodeDate(2025, 6, Day); }
    static TADOQuery* Shift1() { return DataModule6->Smena1; }

    // Day cell of the worker's shift-1 month row of June 2025: "none" without a month row, "" for null.
    std::string Cell(int Day) {
        const std::string where = " from accounts_dep.h_dizuv where w_id=" + std::to_string(Worker) +
                                  " and smena=1 and month=6 and year=2025";
        if (Db().Value("select count(*)" + where) == "0") return "none";
        return Db().Value("select d" + std::to_string(Day) + where);
    }
    std::string Records() {
        return Db().Value("select count(*) from accounts_dep.smena where data between '2025-06-01' and '2025-06-30'");
    }

    // "Добавить" on the working date, the card filled with an operation of product 1 and saved.
    int Add(int Operation, int Hours, TDateTime Day = 0) {
        int id = 0;
        Responder.AnswerModal([&](TCustomForm*) {
            Form11->WorkerId = Worker;
            Form11->Edit1->SetText(QStringLiteral("Семёнова Наталья Игоревна"));
            Form11->OperationId = Operation;
            Form11->ProductId = 1;
            Form11->Price = 20;
            Form11->Edit2->SetText(QStringLiteral("СТ-100; Резка; Заготовки"));
            Form11->Edit3->SetText(QStringLiteral("4"));
            Form11->Edit6->SetText(QString::number(Hours));
            if (Day != 0) Form11->DTimeP->SetDate(Day);
            Click(Form11->Button1);
            id = Form11->RecordKey;
        });
        Click(Form1->Button1);
        EXPECT_GT(id, 0);
        return id;
    }
    // Shows the working date Day and selects the record Id of shift 1.
    void Select(TDateTime Day, int Id) {
        Form1->DateT->SetDate(Day);
        Form1->DateTChange(Form1->DateT);
        ASSERT_TRUE(Shift1()->Locate(QStringLiteral("id"), Id, {})) << Id;
    }
    // "Удалить" answered with Answer.
    void Delete(int Answer) {
        Responder.Answer(Answer);
        Click(Form1->Button3);
    }
};

TEST_F(RecordCommandsTest, AddThenDeleteKeepsTheDayCell) {
    Start();
    SignIn(AdminWord2, [&] {
        // "Добавить" opens the card for a new record of the working date
        Responder.AnswerModal([&](TCustomForm* F) {
            EXPECT_EQ(F, Form11);
            EXPECT_EQ(Form11->Tag(), 1);
            EXPECT_EQ(Form11->Caption(), QStringLiteral("Заведение новой позиции (11)"));
            EXPECT_EQ(Form11->RecordKey, 0);
            EXPECT_EQ(Form11->DTimeP->Date(), June(3));
            EXPECT_EQ(Form11->Edit1->Text(), String());
            EXPECT_EQ(Form11->Edit4->Text(), QStringLiteral("0"));
            EXPECT_EQ(Form11->Edit6->Text(), QStringLiteral("0"));
        });
        Form11->RecordKey = 99;
        Form11->Edit1->SetText(QStringLiteral("прежний"));
        Click(Form1->Button1);
        EXPECT_EQ(Records(), "0");

        const int a = Add(1, 4), b = Add(2, 3), c = Add(1, 2, June(4));
        EXPECT_EQ(Cell(3), "7");
        EXPECT_EQ(Cell(4), "2");
        EXPECT_EQ(Form1->DateT->Date(), June(3));
        EXPECT_EQ(Form1->CurrentShift, 1);

        // one of two records of the day: the cell keeps the other's hours
        Select(June(3), a);
        Responder.Clear();
        Delete(IDYES);
        ASSERT_EQ(Messages(), std::vector<String>{QStringLiteral("Удаление|Удалить позицию из списка?")});
        EXPECT_EQ(Responder.LastCall().DlgType, mtConfirmation);
        EXPECT_TRUE(Responder.LastCall().Buttons.Contains(mbYes) && Responder.LastCall().Buttons.Contains(mbNo));
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where id=" + std::to_string(a)), "0");
        EXPECT_EQ(Cell(3), "3");
        EXPECT_EQ(Shift1()->RecordCount(), 1);

        // the last record of the day: the cell is null, the row stays for the other day's hours
        Select(June(3), b);
        Delete(IDYES);
        EXPECT_EQ(Cell(3), "");
        EXPECT_EQ(Cell(4), "2");
        EXPECT_TRUE(Shift1()->IsEmpty());

        // the last hours of the month: the month row goes
        Select(June(4), c);
        Delete(IDYES);
        EXPECT_EQ(Cell(4), "none");
        EXPECT_EQ(Records(), "0");
        EXPECT_FALSE(DataModule6->ADO_DB->InTransaction());

        // an empty list: nothing asked
        Responder.Clear();
        Click(Form1->Button3);
        EXPECT_EQ(Responder.CallCount(), 0);
    });
}

TEST_F(RecordCommandsTest, DeleteAnsweredNoChangesNothing) {
    Start();
    SignIn(AdminWord2, [&] {
        const int a = Add(1, 4);
        Db().Exec("insert into accounts_dep.person_temp(id_smena, id_person, f_count, f_time) values(" +
                  std::to_string(a) + ", 7, 1.5, 2)");
        Select(June(3), a);
        Delete(IDNO);
        EXPECT_EQ(Records(), "1");
        EXPECT_EQ(Cell(3), "4");
        EXPECT_EQ(Shift1()->FieldByName(QStringLiteral("id"))->AsInteger(), a);
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.person_temp"), "1");

        // Yes: the helper rows still kept under the record go with it
        Delete(IDYES);
        EXPECT_EQ(Records(), "0");
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.person_temp"), "0");
    });
}

TEST_F(RecordCommandsTest, FailingDayCellKeepsTheRecord) {
    Start();
    SignIn(AdminWord2, [&] {
        const int a = Add(1, 4);
        Add(2, 3);
        Db().Exec("create or replace function accounts_dep.fail_cell() returns trigger language plpgsql as "
                  "$$ begin raise exception 'табель закрыт'; end $$;"
                  "create trigger fail_cell before update or delete on accounts_dep.h_dizuv "
                  "for each row execute function accounts_dep.fail_cell();");
        Select(June(3), a);
        Responder.Clear();
        Delete(IDYES);
        const auto messages = Messages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_TRUE(messages[1].contains(QStringLiteral("табель закрыт"))) << messages[1].toStdString();
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where id=" + std::to_string(a)), "1");
        EXPECT_EQ(Cell(3), "7");
        EXPECT_FALSE(DataModule6->ADO_DB->InTransaction());
        EXPECT_EQ(Shift1()->RecordCount(), 2);

        // the cause gone, the same delete goes through
        Db().Exec("drop trigger fail_cell on accounts_dep.h_dizuv");
        Delete(IDYES);
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where id=" + std::to_string(a)), "0");
        EXPECT_EQ(Cell(3), "3");
    });
}

TEST_F(RecordCommandsTest, DeleteOfARecordGoneMeanwhileWritesNothing) {
    Start();
    SignIn(AdminWord2, [&] {
        const int a = Add(1, 4);
        Db().Exec("delete from accounts_dep.smena where id=" + std::to_string(a));
        EXPECT_FALSE(DeleteProductionRecord(DataModule6->ADO_DB, a));
        EXPECT_EQ(Cell(3), "4");  // left for the monthly rebuild
        EXPECT_FALSE(DataModule6->ADO_DB->InTransaction());
    });
}

// Types Text into the focused field of W's window, key by key, as the keyboard gives it.
void Type(QWidget* W, const QString& Text) {
    for (const QChar c : Text) {
        int key = c.unicode();
        if (c == u',') key = Qt::Key_Comma;
        else if (c == u'.') key = Qt::Key_Period;
        SendKeyToWindow(W, key, Qt::NoModifier, QString(c));
    }
}

// Hours and defects typed into the card: a fraction of an hour, more than a shift's hours in one
// record or together with the worker's other records of the date and shift, and defects above the
// quantity are each refused with a message before anything is written.
TEST_F(RecordCommandsTest, TypedHoursAndDefectsThatCannotBeAreRefused) {
    // 20 hours of worker 15 already on June 3, shift 1
    Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, \"time\", vvod, ok, prize) values "
              "(15, 1, 2, 20, 4, 0, '2025-06-03', 1, 0, 20, '2025-06-03', 'no', 0)");
    Start();
    SignIn(AdminWord2, [&] {
        struct Case {
            const char* Quantity;
            const char* Defects;
            const char* Hours;
            const char* Message;  // empty: saved
        } const cases[] = {
            {"4", "0", "7,5", "В поле «Время» должно быть целое число от 0 до 24!"},
            {"4", "0", "7.5", "В поле «Время» должно быть целое число от 0 до 24!"},
            {"4", "0", "75", "В поле «Время» должно быть целое число от 0 до 24!"},
            {"4", "0", "25", "В поле «Время» должно быть целое число от 0 до 24!"},
            {"4", "5", "2", "Брак не может быть больше количества!"},
            {"1,5", "0", "2", "В поле «Кол-во» должно быть целое число от 0 до 2147483647!"},
            {"4", "0", "5", "У работника за эту дату и смену уже записано 20 ч., с этой позицией было бы 25 ч.: больше 24 ч. в смену не бывает!"},
            {"4", "4", "4", ""},
        };
        for (const auto& c : cases) {
            Responder.Clear();
            String shown;
            Responder.AnswerModal([&](TCustomForm*) {
                Form11->WorkerId = Worker;
                Form11->Edit1->SetText(QStringLiteral("Семёнова Наталья Игоревна"));
                Form11->OperationId = 1;
                Form11->ProductId = 1;
                Form11->Price = 20;
                Form11->Edit2->SetText(QStringLiteral("СТ-100; Резка; Заготовки"));
                for (auto [edit, text] : {std::pair{Form11->Edit3, c.Quantity}, {Form11->Edit4, c.Defects}, {Form11->Edit6, c.Hours}}) {
                    edit->SetText(String());
                    Form11->SetActiveControl(edit);
                    Type(edit->Handle(), QString::fromUtf8(text));
                }
                shown = Form11->Edit6->Text();
                ClickWindow(Form11->Button1->Handle());
            });
            Click(Form1->Button1);
            EXPECT_EQ(shown, QString::fromUtf8(c.Hours)) << "what was typed stays as typed";
            const std::string saved = Db().Value("select count(*) from accounts_dep.smena where w_id=15 and data='2025-06-03'");
            if (*c.Message) {
                EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|") + QString::fromUtf8(c.Message)}) << c.Hours;
                EXPECT_EQ(saved, "1") << c.Hours;
                EXPECT_EQ(Cell(3), "none");
            } else {
                EXPECT_EQ(Messages(), std::vector<String>());
                EXPECT_EQ(saved, "2");
                EXPECT_EQ(Db().Value("select time || '/' || kol_vo || '/' || brak from accounts_dep.smena where w_id=15 and "
                                     "data='2025-06-03' and o_id=1"), "4/4/4");
                EXPECT_EQ(Cell(3), "24");
            }
        }
    });
}

TEST_F(RecordCommandsTest, EditFillsTheCardAndKeepsTheRow) {
    // quantity 3 at 1.23456 of a paint operation (16: product 3, "Покраска"), and two other records
    Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, \"time\", vvod, ok, prize) values "
              "(15, 3, 16, 1.23456, 3, 1, '2025-06-03', 1, 1015, 6, '2025-06-03', 'no', 0),"
              "(16, 1, 1, 20, 4, 0, '2025-06-03', 1, 0, 5, '2025-06-03', 'no', 0),"
              "(17, 1, 2, 20, 4, 0, '2025-06-03', 1, 0, 5, '2025-06-03', 'no', 0)");
    const int paint = std::stoi(Db().Value("select id from accounts_dep.smena where o_id=16 and data='2025-06-03'"));
    const int plain = std::stoi(Db().Value("select id from accounts_dep.smena where o_id=1 and data='2025-06-03'"));
    Start();
    SignIn(AdminWord2, [&] {
        TADOQuery* q = Shift1();
        ASSERT_EQ(q->RecordCount(), 3);
        ASSERT_TRUE(q->Locate(QStringLiteral("id"), paint, {}));
        const int row = q->RecNo();
        Responder.AnswerModal([&](TCustomForm*) {
            EXPECT_EQ(Form11->Tag(), 2);
            EXPECT_EQ(Form11->Caption(), QStringLiteral("Изменение данных о позиции (11)"));
            EXPECT_EQ(Form11->Edit7->Text(), QStringLiteral("1,2346"));
            EXPECT_EQ(Form11->Edit9->Text(), QStringLiteral("3,7037"));
            EXPECT_EQ(Form11->Edit3->Text(), QStringLiteral("3"));
            EXPECT_EQ(Form11->Edit4->Text(), QStringLiteral("1"));
            EXPECT_EQ(Form11->Edit6->Text(), QStringLiteral("6"));
            EXPECT_EQ(Form11->Edit5->Text(), QStringLiteral("1015"));
            EXPECT_TRUE(Form11->Edit2->Text().contains(QStringLiteral("Покраска"))) << Form11->Edit2->Text().toStdString();
            EXPECT_EQ(Form11->DTimeP->Date(), June(3));
            EXPECT_EQ(Form11->WorkerId, 15);
            EXPECT_EQ(Form11->ProductId, 3);
            EXPECT_EQ(Form11->OperationId, 16);
            // the hours changed and saved: the list is reopened by the save
            Form11->Edit6->SetText(QStringLiteral("2"));
            Click(Form11->Button1);
        });
        Click(Form1->Button2);
        EXPECT_EQ(Db().Value("select time from accounts_dep.smena where id=" + std::to_string(paint)), "2");
        EXPECT_EQ(Cell(3), "2");
        EXPECT_EQ(q->RecNo(), row);
        EXPECT_EQ(Form1->DateT->Date(), June(3));

        // an operation without paint: no colour
        ASSERT_TRUE(q->Locate(QStringLiteral("id"), plain, {}));
        Form11->SetTag(0);
        String colour = QStringLiteral("x");
        Responder.AnswerModal([&](TCustomForm*) { colour = Form11->Edit5->Text(); });
        Click(Form1->Button2);
        EXPECT_EQ(colour, String());

        // an empty list: nothing opens
        Form1->DateT->SetDate(June(20));
        Form1->DateTChange(Form1->DateT);
        Responder.Clear();
        Click(Form1->Button2);
        Form1->N21Click(Form1->N21);
        EXPECT_EQ(Responder.CallCount(), 0);
    });
}

TEST_F(RecordCommandsTest, CopySavesANewRecordWithTheSameValues) {
    Start();
    SignIn(AdminWord2, [&] {
        const int a = Add(1, 5);
        Select(June(3), a);
        Responder.Clear();
        Responder.AnswerModal([&](TCustomForm*) {
            EXPECT_EQ(Form11->Tag(), 3);
            EXPECT_EQ(Form11->Caption(), QStringLiteral("Изменение данных о позиции (11)"));
            // unchanged, the copy is the same record again: refused
            Click(Form11->Button1);
            EXPECT_EQ(Records(), "1");
            // on the next day it is saved as a new record
            Form11->DTimeP->SetDate(June(4));
            Click(Form11->Button1);
        });
        Form1->N21Click(Form1->N21);
        EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|Позиция с такими параметрами уже заведена!")});
        EXPECT_EQ(Form11->Tag(), 0);
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where w_id=15 and o_id=1 and i_id=1 and "
                             "cena=20 and kol_vo=4 and brak=0 and time=5 and smena=1 and color=0"),
                  "2");
        EXPECT_EQ(Db().Value("select string_agg(data::text, ',' order by data) from accounts_dep.smena where w_id=15 and "
                             "data between '2025-06-01' and '2025-06-30'"),
                  "2025-06-03,2025-06-04");
        EXPECT_EQ(Db().Value("select ok from accounts_dep.smena where data='2025-06-04'"), "no");
        EXPECT_EQ(Cell(3), "5");
        EXPECT_EQ(Cell(4), "5");
    });
}

TEST_F(RecordCommandsTest, ForemenCannotEditOrDeleteButCanCopy) {
    Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, \"time\", vvod, ok, prize) values "
              "(15, 1, 1, 20, 4, 0, '2025-06-03', 1, 0, 5, '2025-06-03', 'no', 0)");
    Start();
    SignIn(ForemenWord, [&] {
        ASSERT_EQ(Shift1()->RecordCount(), 1);
        EXPECT_FALSE(Form1->Button2->Enabled());
        EXPECT_FALSE(Form1->Button3->Enabled());
        Responder.Clear();
        Click(Form1->Button2);
        Click(Form1->Button3);
        EXPECT_EQ(Responder.CallCount(), 0);
        EXPECT_EQ(Records(), "1");

        int mode = -1;
        Responder.AnswerModal([&](TCustomForm*) { mode = Form11->Tag(); });
        Form1->N21Click(Form1->N21);
        EXPECT_EQ(mode, 3);
        EXPECT_EQ(Form11->Edit3->Text(), QStringLiteral("4"));
    });
}

TEST_F(RecordCommandsTest, MenuOpensItsWindows) {
    Start();
    SignIn(AdminWord2, [&] {
        // directories: each opens its list in directory mode
        DataModule6->Vid_oper->SetFilter(QStringLiteral("vid='none'"));
        DataModule6->Vid_oper->SetFiltered(true);
        struct Row {
            void (TForm1::*Click)(TObject*);
            TForm* Form;
        } const rows[] = {{&TForm1::N1Click, Form5}, {&TForm1::N3Click, Form3}, {&TForm1::N4Click, Form4},
                          {&TForm1::N6Click, Form8}, {&TForm1::N8Click, Form26}};
        for (const auto& r : rows) {
            SCOPED_TRACE(r.Form->Name().toStdString());
            bool open = false;
            Responder.AnswerModal([&](TCustomForm* F) {
                EXPECT_EQ(F, r.Form);
                EXPECT_EQ(F->Tag(), 0);
                auto* list = static_cast<TDirectoryList*>(F);
                open = list->ListDataSet()->Active();
                if (F == Form8) {
                    EXPECT_FALSE(list->ListDataSet()->Filtered());
                }
            });
            (Form1->*r.Click)(nullptr);
            EXPECT_TRUE(open);
            EXPECT_FALSE(static_cast<TDirectoryList*>(r.Form)->ListDataSet()->Active());
        }

        // the reports window proposes the previous month
        Responder.AnswerModal([&](TCustomForm* F) {
            EXPECT_EQ(F, Form18);
            EXPECT_EQ(Form18->DTPicker1->Date(), June(1) - 31);
            EXPECT_EQ(Form18->DTPicker2->Date(), June(1));
        });
        Form1->N10Click(Form1->N10);

        // "Табель по сменам" on the working date's month; a year the list lacks still opens it
        Form1->DateT->SetDate(EncodeDate(2024, 3, 15));
        Responder.AnswerModal([&](TCustomForm*) {
            EXPECT_EQ(Form19->ComboBox1->ItemIndex(), 2);
            EXPECT_EQ(Form19->ComboBox2->Items()->Strings(Form19->ComboBox2->ItemIndex()), QStringLiteral("2024"));
        });
        Form1->N13Click(Form1->N13);
        Form1->DateT->SetDate(EncodeDate(2030, 1, 15));
        Responder.AnswerModal([](TCustomForm* F) { EXPECT_EQ(F, Form19); });
        Form1->N13Click(Form1->N13);

        // the timesheet modes open on today's month
        Responder.AnswerModal([&](TCustomForm*) {
            EXPECT_EQ(Form27->Tag(), 17);
            EXPECT_EQ(Form27->Caption(), QStringLiteral("Общий табель (27)"));
            EXPECT_EQ(Form27->ModeQuery, Form27->H_Dizuv_all);
            EXPECT_EQ(Form27->ComboBox1->ItemIndex(), 5);
        });
        Form1->N17Click(Form1->N17);

        // "Ср.сд./хоз. работы" opens the auxiliary-work day list
        Responder.AnswerModal([](TCustomForm* F) { EXPECT_EQ(F, Form25); });
        Click(Form1->Button5);
        EXPECT_EQ(Responder.PendingAnswers(), 0);
    });
}

TEST(ReportPeriod, IsThePreviousCalendarMonth) {
    const struct {
        TDateTime Today, From, To;
    } cases[] = {{EncodeDate(2025, 1, 15), EncodeDate(2024, 12, 1), EncodeDate(2025, 1, 1)},
                 {EncodeDate(2025, 3, 31), EncodeDate(2025, 2, 1), EncodeDate(2025, 3, 1)},
                 {EncodeDate(2025, 12, 1) + 0.75, EncodeDate(2025, 11, 1), EncodeDate(2025, 12, 1)}};
    for (const auto& c : cases) {
        const TReportPeriod p = PreviousMonthPeriod(c.Today);
        EXPECT_EQ(p.From, c.From) << c.Today;
        EXPECT_EQ(p.To, c.To) << c.Today;
    }
}

}  // namespace
}  // namespace sdelka::test
