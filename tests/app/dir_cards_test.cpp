// The directory cards on a started client over the demo database: operation kinds, products,
// nomenclature groups, operations with their norms. Each card is opened from its list in
// directory mode, exactly as the user does, with the modal windows scripted.
#include "app/directories.h"
#include "app/excelhelper.h"
#include "platform/gui/dialogs.h"
#include "platform/office/zipfile.h"
#include "app/lists.h"
#include "app_fixture.h"
#include "support/input.h"

#include <string>

#include <QFile>

namespace {

using sdelka::test::AppSuite;
using sdelka::test::Click;

class DirCards : public AppSuite<true> {
protected:
    void SetUp() override {
        AppSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Start();
        ASSERT_NE(Form9, nullptr);
    }
    // The next ShowModal runs Action while that window is shown.
    void WhileShown(std::function<void(TCustomForm*)> Action) { Responder.AnswerModal(std::move(Action)); }
    std::string Count(const std::string& From) { return Db().Value("select count(*) from " + From); }
    // The row of a dataset whose field has the value.
    static void GoTo(TDataSet* DataSet, const char* Field, const Variant& Value) {
        ASSERT_TRUE(DataSet->Locate(QString::fromLatin1(Field), Value, {}));
    }
    String LastMessage() const {
        const auto m = Messages();
        return m.empty() ? String() : m.back();
    }
};

// ---- operation kinds ---------------------------------------------------------------------------

class DirKinds : public DirCards {};

TEST_F(DirKinds, AddRefusesANameTakenInAnyCaseAndStoresANewOne) {
    WhileShown([&](TCustomForm*) {
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Card, Form9);
            EXPECT_EQ(Form9->Caption(), QStringLiteral("Заведение нового вида операций"));
            EXPECT_EQ(Form9->Tag(), 1);
            EXPECT_EQ(Form9->Edit1->Text(), String());
            Click(Form9->Button1);  // empty
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Все поля должны быть заполнены!"));
            Form9->Edit1->SetText(QStringLiteral("  сВАРКА "));
            Click(Form9->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Такая операция уже заведена!"));
            EXPECT_EQ(Card->ModalResult(), mrNone);  // the card stays open
            // a quote in a name is an ordinary character
            Form9->Edit1->SetText(QStringLiteral(" Зачистка 'под ноль' "));
            Click(Form9->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form8->Button1);
        EXPECT_TRUE(DataModule6->Vid_oper->Locate(QStringLiteral("vid"), QStringLiteral("Зачистка 'под ноль'"), {}));
    });
    Form8->ShowDirectory();
    EXPECT_EQ(Count("accounts_dep.vid_oper where vid = 'Зачистка ''под ноль'''"), "1");
    EXPECT_EQ(Count("accounts_dep.vid_oper where upper(vid) = 'СВАРКА'"), "1");
}

TEST_F(DirKinds, EditKeepsItsOwnNameButNotAnothers) {
    WhileShown([&](TCustomForm*) {
        EXPECT_FALSE(Form8->Edit1->Visible());  // no search field in directory mode
        GoTo(DataModule6->Vid_oper, "id", 2);
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Form9->Caption(), QStringLiteral("Изменение данных вида операции"));
            EXPECT_EQ(Form9->Edit1->Text(), QStringLiteral("Гибка"));
            Form9->Edit1->SetText(QStringLiteral("резка"));
            Click(Form9->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Такая операция уже заведена!"));
            Form9->Edit1->SetText(QStringLiteral("ГИБКА"));  // its own name, other case
            Click(Form9->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form8->Button2);
        // the reserved kinds are never edited
        GoTo(DataModule6->Vid_oper, "id", 7777);
        const int calls = Responder.CallCount();
        Click(Form8->Button2);
        Click(Form8->Button3);
        EXPECT_EQ(Responder.CallCount(), calls);
    });
    Form8->ShowDirectory();
    EXPECT_EQ(Db().Value("select vid from accounts_dep.vid_oper where id = 2"), "ГИБКА");
    EXPECT_EQ(Db().Value("select vid from accounts_dep.vid_oper where id = 7777"), "Хоз. работы");
}

TEST_F(DirKinds, LongNamesStopAtTheColumnAndServerErrorsLeadInRussian) {
    const String longName(60, QChar(u'Ж'));
    WhileShown([&](TCustomForm*) {
        WhileShown([&](TCustomForm* Card) {
            Form9->Edit1->SetText(longName);
            EXPECT_EQ(Form9->Edit1->Text().size(), 50);  // the column holds 50
            Click(Form9->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form8->Button1);
    });
    Form8->ShowDirectory();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Count("accounts_dep.vid_oper where vid = '" + longName.left(50).toStdString() + "'"), "1");

    // an error the server still gives: a Russian lead line, then the server's own message
    Db().Exec("create function pg_temp_refuse_kind() returns trigger language plpgsql as $$ begin raise exception "
              "'kind refused by the server'; end $$;"
              "create trigger refuse_kind before insert on accounts_dep.vid_oper for each row execute function "
              "pg_temp_refuse_kind()");
    WhileShown([&](TCustomForm*) {
        WhileShown([&](TCustomForm* Card) {
            Form9->Edit1->SetText(QStringLiteral("Полировка"));
            Click(Form9->Button1);
            EXPECT_EQ(Card->ModalResult(), mrNone);  // the card stays with its input
        });
        Click(Form8->Button1);
    });
    Form8->ShowDirectory();
    Db().Exec("drop trigger refuse_kind on accounts_dep.vid_oper; drop function pg_temp_refuse_kind()");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Ошибка|Ошибка базы данных: действие не выполнено, ничего не записано.\n")))
        << Messages()[0].toStdString();
    EXPECT_NE(Messages()[0].indexOf(QStringLiteral("kind refused by the server")), -1);
    EXPECT_EQ(Count("accounts_dep.vid_oper where vid = 'Полировка'"), "0");
}

TEST_F(DirKinds, DeleteAsksAndDeletesOnYesOnly) {
    Db().Exec("insert into accounts_dep.vid_oper(id, vid) values (900, 'Шлифовка')");
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Vid_oper, "id", 900);
        Responder.Answer(IDNO);
        Click(Form8->Button3);
        EXPECT_EQ(LastMessage(), QStringLiteral("Удаление|Удалить вид операции?"));
        EXPECT_EQ(Count("accounts_dep.vid_oper where id = 900"), "1");
        GoTo(DataModule6->Vid_oper, "id", 900);
        Responder.Answer(IDYES);
        Click(Form8->Button3);
        EXPECT_FALSE(DataModule6->Vid_oper->Locate(QStringLiteral("id"), 900, {}));
    });
    Form8->ShowDirectory();
    EXPECT_EQ(Count("accounts_dep.vid_oper where id = 900"), "0");
}

TEST_F(DirCards, DeletesOfWhatRecordsStillUseAreRefused) {
    // a kind that operations use, an operation and a worker that production records name
    const int operation = std::stoi(Db().Value("select min(o_id) from accounts_dep.smena where o_id not in (7777, 7778)"));
    const int worker = std::stoi(Db().Value("select min(w_id) from accounts_dep.smena"));
    struct Case {
        const char* What;
        TDirectoryList* List;
        TDataSet* DataSet;
        int Id;
        std::function<void()> Delete;
        const char* Message;
        std::string Remains;
    } cases[] = {
        {"kind", Form8, DataModule6->Vid_oper, 1, [] { Click(Form8->Button3); },
         "Удаление|Вид операции используется в расценках.", "accounts_dep.vid_oper where id = 1"},
        {"operation", Form4, DataModule6->Oper, operation, [] { Click(Form4->Button3); },
         "Удаление|По операции есть записи о выработке.", "accounts_dep.oper where id = " + std::to_string(operation)},
        {"worker", Form5, DataModule6->Workers, worker, [] { Click(Form5->Button3); },
         "Удаление|У работника есть записи о выработке.", "accounts_dep.person where id = " + std::to_string(worker)},
    };
    for (const auto& c : cases) {
        Responder.Clear();
        WhileShown([&](TCustomForm*) {
            GoTo(c.DataSet, "id", c.Id);
            Responder.Answer(IDYES);
            c.Delete();
        });
        if (c.List == Form8) Form8->ShowDirectory();
        else if (c.List == Form4) Form4->ShowDirectory();
        else Form5->ShowDirectory();
        EXPECT_EQ(LastMessage(), QString::fromUtf8(c.Message)) << c.What;
        EXPECT_EQ(Count(c.Remains), "1") << c.What;
    }
}

// ---- products ----------------------------------------------------------------------------------

class DirProducts : public DirCards {};

TEST_F(DirProducts, MassaFieldTakesDigitsAndOnePointSign) {
    struct {
        Char In;
        Char Out;
    } cases[] = {{u'7', u'7'}, {u',', u'.'}, {u'.', u'.'}, {Char(u'\b'), Char(u'\b')}, {u'a', Char(u'\0')}, {u'ж', Char(u'\0')},
                 {u'-', Char(u'\0')}};
    for (auto c : cases) {
        Char k = c.In;
        Form7->Edit2KeyPress(nullptr, k);
        EXPECT_EQ(k, c.Out) << int(c.In.unicode());
    }
}

TEST_F(DirProducts, AddChecksFieldsAndMarkAndWritesTheGoodsRow) {
    WhileShown([&](TCustomForm*) {
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Form7->Caption(), QStringLiteral("Заведение нового изделия (7)"));
            EXPECT_TRUE(Form7->item->Active());
            // groups out of use are not offered
            EXPECT_FALSE(Form7->item->Locate(QStringLiteral("id"), 15, {}));
            Form7->Edit1->SetText(QStringLiteral("ст-100 (1000х400х2000)"));
            Form7->Edit2->SetText(QStringLiteral("2.5"));
            Click(Form7->Button1);  // no group
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Все поля должны быть заполнены!"));
            Form7->cb_item->SetKeyValue(12);
            Click(Form7->Button1);  // mark taken, other case
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Такая марка изделия уже заведена!"));
            // a text that is no number is refused before saving; nothing is written, the card stays
            Form7->Edit1->SetText(QStringLiteral("Ящик 'малый'"));
            Form7->Edit2->SetText(QStringLiteral("."));
            Click(Form7->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|В поле «Расценка» должно быть число!"));
            EXPECT_EQ(Card->ModalResult(), mrNone);
            EXPECT_EQ(Count("cmn_gds_and_srv.gds_and_srv where s_caption like 'Ящик%'"), "0");
            Form7->Edit2->SetText(QStringLiteral("2.5"));
            Click(Form7->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form3->Button1);
        EXPECT_FALSE(Form7->item->Active());
    });
    Form3->ShowDirectory();
    EXPECT_EQ(Db().Value("select s_description || '|' || id_msm_bs || '|' || massa || '|' || id_class_item from "
                         "cmn_gds_and_srv.gds_and_srv where s_caption = 'Ящик ''малый'''"),
              "|6|2.500000|12");
}

TEST_F(DirProducts, EditKeepsItsOwnMarkAndChangesMassaAndGroup) {
    Db().Exec("update cmn_gds_and_srv.gds_and_srv set s_description = 'x', id_msm_bs = 1 where id = 8");
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Izdel, "id", 8);
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Form7->Caption(), QStringLiteral("Изменение данных изделия (7)"));
            EXPECT_EQ(Form7->Edit1->Text(), QStringLiteral("ТП-300 (тележка)"));
            EXPECT_EQ(Form7->cb_item->KeyValue().AsInteger(), 13);
            Form7->Edit1->SetText(QStringLiteral("ТП-150 (ТЕЛЕЖКА)"));
            Click(Form7->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Такая марка изделия уже заведена!"));
            Form7->Edit1->SetText(QStringLiteral("тп-300 (тележка)"));
            Form7->Edit2->SetText(QStringLiteral("1.25"));
            Form7->cb_item->SetKeyValue(12);
            Click(Form7->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form3->Button2);
    });
    Form3->ShowDirectory();
    EXPECT_EQ(Db().Value("select s_caption || '|' || s_description || '|' || id_msm_bs || '|' || massa || '|' || "
                         "id_class_item from cmn_gds_and_srv.gds_and_srv where id = 8"),
              "тп-300 (тележка)||6|1.250000|12");
}

TEST_F(DirProducts, EditSavedUnchangedKeepsMassa) {
    // the card shows the stored number in the user's format and stores it back as a number
    for (const char* massa : {"2.5", "0.5", "1"}) {
        Db().Exec(std::string("update cmn_gds_and_srv.gds_and_srv set massa = ") + massa + " where id = 8");
        Responder.Clear();
        WhileShown([&](TCustomForm*) {
            GoTo(DataModule6->Izdel, "id", 8);
            WhileShown([&](TCustomForm* Card) {
                Click(Form7->Button1);
                EXPECT_EQ(Card->ModalResult(), mrOk) << massa;
            });
            Click(Form3->Button2);
        });
        Form3->ShowDirectory();
        EXPECT_EQ(Messages(), std::vector<String>()) << massa;
        EXPECT_EQ(Db().Value("select massa = " + std::string(massa) + " from cmn_gds_and_srv.gds_and_srv where id = 8"),
                  "t")
            << massa;
    }
}

TEST_F(DirProducts, DeleteWithOperationsOnlyCanKeepTheOperations) {
    Db().Exec("insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, s_description, id_msm_bs, massa, id_class_item) "
              "values (500, 'Полка', '', 6, 1, 10);"
              "insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (5000, 1, 0, 500, 0)");
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Izdel, "id", 500);
        Responder.Answer(IDNO).Answer(IDYES);
        Click(Form3->Button3);
    });
    Form3->ShowDirectory();
    const auto m = Messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], QStringLiteral("Удаление|По изделию есть расценки они будут удалены!!!"));
    EXPECT_EQ(m[1], QStringLiteral("Удаление|Удалить изделие? "));
    EXPECT_EQ(Count("cmn_gds_and_srv.gds_and_srv where id = 500"), "0");
    EXPECT_EQ(Count("accounts_dep.oper where id = 5000"), "1");
}

TEST_F(DirProducts, DeleteWithRecordsDropsThemAndTheirDayCells) {
    // a worker's day whose only records are of product 7
    const std::string day = Db().Value(
        "select w_id || ',' || smena || ',' || data from accounts_dep.smena group by w_id, smena, data "
        "having bool_and(i_id = 7) order by data desc limit 1");
    ASSERT_FALSE(day.empty());
    const auto p1 = day.find(','), p2 = day.find(',', p1 + 1);
    const std::string w = day.substr(0, p1), sh = day.substr(p1 + 1, p2 - p1 - 1), dt = day.substr(p2 + 1);
    const std::string dayNo = Db().Value("select extract(day from date '" + dt + "')::int");
    const std::string cellOf = "select d" + dayNo + " from accounts_dep.h_dizuv where w_id=" + w + " and smena=" + sh +
                               " and month=extract(month from date '" + dt + "') and year=extract(year from date '" +
                               dt + "') and i_type=0";
    ASSERT_NE(Db().Value(cellOf), "");
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Izdel, "id", 7);
        Responder.Answer(IDYES).Answer(IDYES);
        Click(Form3->Button3);
    });
    Form3->ShowDirectory();
    const auto m = Messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1], QStringLiteral("Удаление|По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут "
                                   "удалены. Удалить изделие? "));
    EXPECT_EQ(Count("accounts_dep.smena where i_id = 7"), "0");
    EXPECT_EQ(Count("accounts_dep.oper where i_id = 7"), "0");
    EXPECT_EQ(Count("cmn_gds_and_srv.gds_and_srv where id = 7"), "0");
    EXPECT_EQ(Db().Value(cellOf), "");  // the day's hours went with its records
}

TEST_F(DirProducts, AFailingDeleteLeavesEverythingAndShowsTheServersMessage) {
    Db().Exec("create function pg_temp_refuse() returns trigger language plpgsql as $$ begin raise exception "
              "'изделие в документах'; end $$;"
              "create trigger refuse before delete on cmn_gds_and_srv.gds_and_srv for each row execute function "
              "pg_temp_refuse()");
    const std::string records = Count("accounts_dep.smena where i_id = 6");
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Izdel, "id", 6);
        Responder.Answer(IDYES).Answer(IDYES);
        Click(Form3->Button3);
    });
    Form3->ShowDirectory();
    Db().Exec("drop trigger refuse on cmn_gds_and_srv.gds_and_srv; drop function pg_temp_refuse()");
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_NE(Messages()[2].indexOf(QStringLiteral("изделие в документах")), -1);
    EXPECT_EQ(Count("accounts_dep.oper where i_id = 6"), "6");
    EXPECT_EQ(Count("accounts_dep.smena where i_id = 6"), records);
    EXPECT_EQ(Count("cmn_gds_and_srv.gds_and_srv where id = 6"), "1");
}

// ---- nomenclature groups -----------------------------------------------------------------------

class DirGroups : public DirCards {};

TEST_F(DirGroups, AddAndEditRefuseAnEmptyName) {
    WhileShown([&](TCustomForm*) {
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Form29->Caption(), QStringLiteral("Ведение групп (29)"));
            Form29->Edit1->SetText(QStringLiteral(" Двери 'люкс' "));
            Form29->CheckBox1->SetChecked(true);
            Click(Form29->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form26->Button2);
        GoTo(Form26->item, "s_caption", QStringLiteral("Двери 'люкс'"));
        EXPECT_EQ(Form26->item->FieldByName(QStringLiteral("s_excl"))->AsString(), QStringLiteral("V"));
        WhileShown([&](TCustomForm* Card) {
            EXPECT_TRUE(Form29->CheckBox1->Checked());
            Form29->Edit1->SetText(QStringLiteral("  "));  // an empty name is refused
            Click(Form29->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Все поля должны быть заполнены!"));
            EXPECT_EQ(Card->ModalResult(), mrNone);
            Form29->Edit1->SetText(QStringLiteral("Двери"));
            Form29->CheckBox1->SetChecked(false);
            Click(Form29->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form26->Button3);
    });
    Form26->ShowDirectory();
    EXPECT_EQ(Count("cmn_classifier.item where s_caption like 'Двери %'"), "0");
    EXPECT_EQ(Count("cmn_classifier.item where s_caption = 'Двери' and b_excluded = 0 and id_level = 2"), "1");
    EXPECT_EQ(Count("cmn_classifier.item where trim(s_caption) = ''"), "0");
}

TEST_F(DirGroups, DeleteIsRefusedWhileTheGroupIsUsed) {
    Db().Exec("insert into cmn_classifier.item(id, id_level, s_caption) values (60, 2, 'Пустая'), (61, 2, 'Хозяйство');"
              "insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, cnt, price) values (61, 7777, 12, "
              "current_date, 1, 180)");
    struct {
        int Group;
        const char* Message;
    } refused[] = {{10, "Удаление|В номенклатурной группе есть изделия."},
                   {14, "Удаление|В номенклатурной группе есть изделия."},  // also auxiliary work
                   {61, "Удаление|В номенклатурной группе есть операции."}};
    WhileShown([&](TCustomForm*) {
        for (auto r : refused) {
            GoTo(Form26->item, "id", r.Group);
            Click(Form26->Button1);
            EXPECT_EQ(LastMessage(), QString::fromUtf8(r.Message)) << r.Group;
        }
        GoTo(Form26->item, "id", 60);
        Responder.Answer(IDYES);
        Click(Form26->Button1);
        EXPECT_EQ(LastMessage(), QStringLiteral("Удаление|Удалить позицию из списка?"));
    });
    Form26->ShowDirectory();
    EXPECT_EQ(Count("cmn_classifier.item where id in (10, 14, 61)"), "3");
    EXPECT_EQ(Count("cmn_classifier.item where id = 60"), "0");
}

// ---- operations and norms ----------------------------------------------------------------------

class DirOperations : public DirCards {};

TEST_F(DirOperations, NewOperationThroughThePickersAndTheDuplicateCheck) {
    WhileShown([&](TCustomForm*) {
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Form10->Caption(), QStringLiteral("Заведение новой цены за операцию"));
            EXPECT_EQ(Form10->ComboBox1->ItemIndex(), 0);
            Click(Form10->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Все поля должны быть заполнены!"));
            WhileShown([&](TCustomForm*) {
                GoTo(DataModule6->Izdel, "id", 2);
                Click(Form3->Button2);
            });
            Click(Form10->Button3);
            WhileShown([&](TCustomForm*) {
                GoTo(DataModule6->Vid_oper, "id", 1);
                Click(Form8->Button2);
            });
            Click(Form10->Button4);
            EXPECT_EQ(Form10->Edit1->Text(), QStringLiteral("СТ-120 (1200х500х2000)"));
            EXPECT_EQ(Form10->ProductId, 2);
            EXPECT_EQ(Form10->KindId, 1);
            EXPECT_FALSE(Form8->Edit1->Visible());
            Form10->ComboBox1->SetItemIndex(1);  // cutting of product 2 as a blank exists
            Click(Form10->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Операция с такими параметрами уже заведена!"));
            Form10->ComboBox1->SetItemIndex(0);
            Click(Form10->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form4->Button1);
    });
    Form4->ShowDirectory();
    EXPECT_EQ(Count("accounts_dep.oper where i_id = 2 and vid = 1 and naimen = 0 and cena_new = 0"), "1");
}

TEST_F(DirOperations, EditKeepsCenaNewAndItselfIsNoDuplicate) {
    Db().Exec("update accounts_dep.oper set cena_new = 5 where id = 14");  // product 3, bending, blank
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Oper, "id", 14);
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Form10->Caption(), QStringLiteral("Изменение данных о цене за операцию"));
            EXPECT_EQ(Form10->Edit2->Text(), QStringLiteral("Гибка"));
            EXPECT_EQ(Form10->ComboBox1->ItemIndex(), 1);
            EXPECT_EQ(Form10->KindId, 2);
            Click(Form10->Button1);  // unchanged
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Click(Form4->Button2);
        GoTo(DataModule6->Oper, "id", 14);
        WhileShown([&](TCustomForm* Card) {
            Form10->KindId = 1;  // as a pick of "Резка" does
            Form10->Edit2->SetText(QStringLiteral("Резка"));
            Click(Form10->Button1);
            EXPECT_EQ(LastMessage(), QStringLiteral("Ошибка|Операция с такими параметрами уже заведена!"));
            Form10->ComboBox1->SetItemIndex(0);
            Click(Form10->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Form4->DBGrid1DblClick(nullptr);  // "Цены" unchecked: the card
    });
    Form4->ShowDirectory();
    EXPECT_EQ(Db().Value("select vid || '|' || naimen || '|' || i_id || '|' || cena_new from accounts_dep.oper where id = 14"),
              "1|0|3|5");
}

TEST_F(DirOperations, DeleteAsks) {
    Db().Exec("insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (5003, 6, 1, 2, 0);"
              "insert into accounts_dep.norm(o_id, norma, prize, price) values (5003, 10, 0, 1)");
    WhileShown([&](TCustomForm*) {
        GoTo(DataModule6->Oper, "id", 5003);
        Responder.Answer(IDYES);
        Click(Form4->Button3);
        EXPECT_EQ(LastMessage(), QStringLiteral("Удаление|Удалить операцию?"));
    });
    Form4->ShowDirectory();
    EXPECT_EQ(Count("accounts_dep.oper where id = 5003"), "0");
}

TEST_F(DirOperations, PriceListGoesToANewWorkbook) {
    std::vector<String> opened;
    SetExcelFileOpener([&](const String& Name) { opened.push_back(Name); return true; });
    WhileShown([&](TCustomForm*) { Click(Form4->Button5); });
    Form4->ShowDirectory();
    for (;;) {  // the workbook was left open in the spreadsheet application
        try {
            GetActiveOleObject(QStringLiteral("Excel.Application"))->Quit();
        } catch (const EOleSysError&) {
            break;
        }
    }
    ExcelApp.reset();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Microsoft Excel|Книга открыта в Microsoft Excel. Она записана в файл:\n") + opened.back()});  // where the workbook lies
    TZipFile zip;
    zip.Open(opened[0], zmRead);
    const TZipBytes bytes = zip.Read(QStringLiteral("xl/worksheets/sheet1.xml"));
    zip.Close();
    QFile::remove(opened[0]);
    const String xml = String::fromUtf8(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    auto cell = [&](const char* Ref, const String& Text) {
        return xml.contains(QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">%2</t></is></c>")
                                .arg(QString::fromLatin1(Ref), Text));
    };
    EXPECT_TRUE(cell("A1", QStringLiteral("Марка")) && cell("B1", QStringLiteral("Операция")) &&
                cell("C1", QStringLiteral("Цена")) && cell("D1", QStringLiteral("Вид")));
    // one row per operation, in the list's order, with its new price
    const int operations = std::stoi(Count("accounts_dep.oper o join accounts_dep.izdel i on i.id = o.i_id join "
                                           "accounts_dep.vid_oper v on v.id = o.vid"));
    EXPECT_EQ(xml.count(QStringLiteral("<row ")), operations + 1);
    const std::string first = Db().Value(
        "select i.marka || '|' || v.vid || '|' || o.cena_new::float8 || '|' || o.naimen from accounts_dep.oper o join "
        "accounts_dep.izdel i on i.id = o.i_id join accounts_dep.vid_oper v on v.id = o.vid order by i.marka, v.vid, "
        "o.naimen limit 1");
    const QStringList f = QString::fromStdString(first).split(u'|');
    ASSERT_EQ(f.size(), 4);
    EXPECT_TRUE(cell("A2", f[0].trimmed()) || cell("A2", f[0])) << first;
    EXPECT_TRUE(cell("B2", f[1])) << first;
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"C2\"><v>%1</v></c>").arg(f[2]))) << first;
    EXPECT_TRUE(cell("D2", f[3] == u"0" ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки"))) << first;
}

TEST_F(DirOperations, NormsOfAnOperation) {
    Db().Exec("insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (5001, 6, 1, 1, 0);"
              "insert into accounts_dep.norm(o_id, norma, prize, price) values (5001, 10, 0, 3.5)");
    WhileShown([&](TCustomForm*) {
        Form4->CheckBox1->SetChecked(true);
        GoTo(DataModule6->Oper, "id", 5001);
        WhileShown([&](TCustomForm* Card) {
            EXPECT_EQ(Card, Form22);
            TDataSet* norm = Form22->norm;
            EXPECT_EQ(norm->RecordCount(), 1);
            EXPECT_EQ(norm->FieldByName(QStringLiteral("price"))->DisplayText(), QStringLiteral("3,50"));
            Click(Form22->Button2);  // the only norm stays
            EXPECT_EQ(Count("accounts_dep.norm where o_id = 5001"), "1");
            norm->Append();
            norm->FieldByName(QStringLiteral("norma"))->SetAsInteger(20);
            norm->FieldByName(QStringLiteral("price"))->SetAsFloat(2.25);
            norm->FieldByName(QStringLiteral("prize"))->SetAsInteger(5);
            Form22->DBGrid1ColExit(nullptr);
            EXPECT_EQ(Count("accounts_dep.norm where o_id = 5001"), "2");
            Click(Form22->Button1);
            EXPECT_EQ(Card->ModalResult(), mrOk);
        });
        Form4->DBGrid1DblClick(nullptr);
        // the list shows the new count and the lowest price
        EXPECT_EQ(DataModule6->Oper->FieldByName(QStringLiteral("norma"))->AsInteger(), 2);
        EXPECT_DOUBLE_EQ(DataModule6->Oper->FieldByName(QStringLiteral("cena"))->AsFloat(), 2.25);
        Form4->CheckBox1->SetChecked(false);
    });
    Form4->ShowDirectory();
    EXPECT_EQ(Db().Value("select norma || '|' || price || '|' || prize from accounts_dep.norm where o_id = 5001 and "
                         "norma = 20"),
              "20|2.25|5");
}

TEST_F(DirOperations, ANormTypedIntoAnEmptyTableBelongsToTheOperation) {
    Db().Exec("insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (5002, 5, 1, 1, 0)");
    WhileShown([&](TCustomForm*) {
        TDataSet* norm = Form22->norm;
        EXPECT_TRUE(norm->IsEmpty());
        Form22->DBGrid1ColEnter(nullptr);  // the first cell entered starts a new row
        EXPECT_EQ(norm->State(), dsInsert);
        norm->FieldByName(QStringLiteral("norma"))->SetAsInteger(40);
        Form22->DBGrid1ColExit(nullptr);
        Form22->DBGrid1ColEnter(nullptr);  // a stored row is edited
        EXPECT_EQ(norm->State(), dsEdit);
        norm->FieldByName(QStringLiteral("price"))->SetAsFloat(7.5);
        Click(Form22->Button1);
    });
    Form22->ShowNorms(5002);
    EXPECT_EQ(Db().Value("select norma || '|' || price from accounts_dep.norm where o_id = 5002"), "40|7.5");
    EXPECT_EQ(Count("accounts_dep.norm where o_id is null"), "0");
}

}  // namespace
