// The directory lists as pickers and directories, the worker card and the record card, on a
// started client over the demo database.
#include "app/form11.h"
#include "app/form2.h"
#include "app/lists.h"
#include "app/recordcard.h"
#include "app_fixture.h"
#include "platform/gui/dialogs.h"
#include "support/input.h"

#include <QPixmap>
#include <QWidget>
#include <algorithm>

using sdelka::test::Click;
using sdelka::test::DoubleClick;

namespace {

class ListAndCardWindows : public sdelka::test::AppSuite<true> {
protected:
    void SetUp() override {
        AppSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec("delete from accounts_dep.smena where w_id = 15 and data between '2025-06-01' and '2025-06-30';"
                  "delete from accounts_dep.h_dizuv where w_id = 15 and year = 2025 and month = 6");
        Start();
        ASSERT_NE(Form11, nullptr);
    }
    // Shows a list through Action, which runs while the list is shown.
    void WhileShown(std::function<void(TCustomForm*)> Action) { Responder.AnswerModal(std::move(Action)); }

    std::string Cell(int Worker, int Shift, TDateTime Day) {
        Word y, m, d;
        DecodeDate(Day, y, m, d);
        return Db().Value("select d" + std::to_string(d) + " from accounts_dep.h_dizuv where w_id=" +
                          std::to_string(Worker) + " and smena=" + std::to_string(Shift) + " and month=" +
                          std::to_string(m) + " and year=" + std::to_string(y));
    }
};

TEST_F(ListAndCardWindows, WorkerPickerWritesTheRecordCard) {
    WhileShown([](TCustomForm*) {
        EXPECT_EQ(Form5->Tag(), pmRecordCard);
        EXPECT_EQ(Form5->Button2->Caption(), QStringLiteral("Выбрать"));
        EXPECT_TRUE(Form5->Button2->Default());
        EXPECT_FALSE(Form5->Button1->Visible());
        EXPECT_FALSE(Form5->Button3->Visible());
        Form5->Edit1->SetText(QStringLiteral("Соколова"));
        EXPECT_EQ(DataModule6->Workers->RecordCount(), 1);
        Click(Form5->Button2);
    });
    Click(Form11->Button3);
    EXPECT_EQ(Form11->Edit1->Text(), QStringLiteral("Соколова Татьяна Николаевна"));
    EXPECT_EQ(Form11->WorkerId, 7);
    EXPECT_EQ(Form5->PickAccepted, 1);
    EXPECT_FALSE(DataModule6->Workers->Active());
    // a later pick starts on the whole list
    WhileShown([](TCustomForm*) {
        EXPECT_EQ(Form5->Edit1->Text(), String());
        EXPECT_FALSE(DataModule6->Workers->Filtered());
    });
    Click(Form11->Button3);  // closed with "Выход": nothing written
    EXPECT_EQ(Form11->WorkerId, 7);
    EXPECT_EQ(Form5->PickAccepted, 0);
}

TEST_F(ListAndCardWindows, HelperAndAuxiliaryModesOfTheWorkersList) {
    // The receiver the caller passes decides whether a pick stands: a refused one keeps the list.
    std::vector<int> asked;
    bool confirm = false;
    auto helper = [&](int Id, const String&, TDataSet*) {
        asked.push_back(Id);
        return confirm;
    };
    WhileShown([&](TCustomForm* F) {
        Form5->Edit1->SetText(QStringLiteral("Петров"));
        Click(Form5->Button2);  // the hours dialog cancelled: the list stays
        EXPECT_EQ(Form5->PickAccepted, 0);
        EXPECT_EQ(F->ModalResult(), mrNone);
        confirm = true;
        Form5->Edit1->SetText(QStringLiteral("Иванов"));
        Click(Form5->Button2);
        EXPECT_EQ(F->ModalResult(), mrCancel);  // closed
    });
    EXPECT_EQ(Form5->ShowPicker(pmHelper, helper), 1);
    EXPECT_EQ(asked, (std::vector<int>{2, 1}));

    TOwned<TEdit> edit = NewOwned<TEdit>(nullptr);
    int personId = 0;
    WhileShown([](TCustomForm*) {
        Form5->Edit1->SetText(QStringLiteral("Волков"));
        Form5->DBGrid1DblClick(Form5->DBGrid1);
    });
    Form5->ShowPicker(pmAuxCard, PickInto(edit.get(), &personId));
    EXPECT_EQ(edit->Text(), QStringLiteral("Волков Максим Олегович"));
    EXPECT_EQ(personId, 12);
    // a pick nobody receives does not stand
    WhileShown([](TCustomForm* F) {
        Click(Form5->Button2);
        EXPECT_EQ(F->ModalResult(), mrNone);
    });
    EXPECT_EQ(Form5->ShowPicker(pmAuxCard, nullptr), 0);
}

TEST_F(ListAndCardWindows, OperationPickWritesPriceAndTextAndRefusesSpecialRows) {
    Form1->CurrentShift = 4;
    Form1->CBox1->SetChecked(true);
    Form11->SetTag(1);
    double cena = 0;
    WhileShown([&](TCustomForm* F) {
        TDataSet* oper = DataModule6->Oper;
        ASSERT_TRUE(oper->Locate(QStringLiteral("id"), 7777, {}));
        Click(Form4->Button2);  // the auxiliary-works row is not picked
        EXPECT_EQ(F->ModalResult(), mrNone);
        Form4->Edit1->SetText(QStringLiteral("ШМ-2"));  // contains
        ASSERT_TRUE(oper->Locate(QStringLiteral("id"), 16, {}));  // ШМ-2, Покраска
        cena = oper->FieldByName(QStringLiteral("cena"))->AsFloat();
        Form4->DBGrid1DblClick(nullptr);
    });
    Click(Form11->Button4);
    EXPECT_EQ(Form11->OperationId, 16);
    EXPECT_EQ(Form11->ProductId, 3);
    EXPECT_EQ(Form11->ProductKind, 0);
    EXPECT_DOUBLE_EQ(Form11->Price, cena * 3);  // weekend overtime
    EXPECT_EQ(Form11->Edit2->Text(), QStringLiteral("ШМ-2 (шкаф 2-дверный); Покраска; Готовая продукция"));
    EXPECT_TRUE(Form11->Edit5->Enabled());  // a paint operation asks the colour
    EXPECT_TRUE(DataModule6->Oper->Active());
    EXPECT_FALSE(DataModule6->Oper->Filtered());
    EXPECT_EQ(Form11->Edit3->Text(), QStringLiteral("0"));
    EXPECT_EQ(Form11->Edit7->Text(), CardNumberText(cena * 3));
    EXPECT_EQ(Form11->Edit8->Text(), CardNumberText(cena));
    Form1->CBox1->SetChecked(false);
}

TEST_F(ListAndCardWindows, ProductKindAndGroupPickersWriteTheirCallers) {
    TOwned<TEdit> productEdit = NewOwned<TEdit>(nullptr);
    TOwned<TEdit> kindEdit = NewOwned<TEdit>(nullptr);
    TOwned<TEdit> groupEdit = NewOwned<TEdit>(nullptr);
    int productId = 0, kindId = 0, groupId = 0;

    WhileShown([](TCustomForm* F) {
        ASSERT_TRUE(DataModule6->Izdel->Locate(QStringLiteral("id"), 7777, {}));
        Click(Form3->Button2);
        EXPECT_EQ(F->ModalResult(), mrNone);
        Form3->Edit1->SetText(QStringLiteral("ТП-3"));
        Click(Form3->Button2);
    });
    Form3->ShowPicker(PickInto(productEdit.get(), &productId));
    EXPECT_EQ(productEdit->Text(), QStringLiteral("ТП-300 (тележка)"));
    EXPECT_EQ(productId, 8);
    EXPECT_FALSE(Form3->Edit1->Visible());

    WhileShown([](TCustomForm*) {
        EXPECT_TRUE(Form8->Edit1->Visible());
        Form8->Edit1->SetText(QStringLiteral("Сва"));
        Click(Form8->Button2);
    });
    Form8->ShowPicker(PickInto(kindEdit.get(), &kindId));
    EXPECT_EQ(kindEdit->Text(), QStringLiteral("Сварка"));
    EXPECT_EQ(kindId, 3);

    Db().Exec("insert into cmn_classifier.item(id_level, s_caption, b_excluded) values (2, 'Сейфы новые ', 0)");
    WhileShown([](TCustomForm*) {
        EXPECT_EQ(Form26->Button3->Caption(), QStringLiteral("Выбрать"));
        EXPECT_FALSE(Form26->DBGrid1->Columns()->Items(1)->Visible());
        Form26->Edit1->SetText(QStringLiteral("Сейфы"));
        // the excluded "Сейфы" stays out while searching
        EXPECT_EQ(Form26->item->RecordCount(), 1);
        Click(Form26->Button3);
    });
    Form26->ShowPicker(PickInto(groupEdit.get(), &groupId, false));
    EXPECT_EQ(groupEdit->Text(), QStringLiteral("Сейфы новые "));  // not trimmed
    EXPECT_EQ(groupId, std::stoi(Db().Value("select id from cmn_classifier.item where s_caption='Сейфы новые '")));
    EXPECT_FALSE(Form26->item->Filtered());
    EXPECT_TRUE(Form26->DBGrid1->Columns()->Items(1)->Visible());
    Db().Exec("delete from cmn_classifier.item where s_caption='Сейфы новые '");

}

TEST_F(ListAndCardWindows, WorkersDirectoryAddEditDelete) {
    // "Добавить": a name with an apostrophe and blanks around it, the department chosen
    String chosen;
    WhileShown([](TCustomForm*) { Click(Form5->Button1); });
    WhileShown([&chosen](TCustomForm*) {
        EXPECT_EQ(Form2->Caption(), QStringLiteral("Заведение данных нового работника"));
        EXPECT_EQ(Form2->Tag(), 1);
        Form2->Edit1->SetText(QStringLiteral("  О'Нил Джон "));
        Form2->LCB_department->SelectItem(0);
        chosen = Form2->LCB_department->Text();
        Click(Form2->Button1);
        EXPECT_EQ(Form2->ModalResult(), mrOk);
    });
    Form5->ShowDirectory();
    ASSERT_FALSE(chosen.isEmpty());
    ASSERT_EQ(Db().Value("select s_staffpos_hl from accounts_dep.person where fio='О''Нил Джон'"), chosen.toStdString());
    Db().Exec("update accounts_dep.person set s_staffpos_hl='Свой участок' where fio='О''Нил Джон'");

    // "Изменить" without touching the department: the stored position text stays
    WhileShown([](TCustomForm* F) {
        ASSERT_TRUE(DataModule6->Workers->Locate(QStringLiteral("fio"), QStringLiteral("О'Нил Джон"), {}));
        Click(Form5->Button2);
        EXPECT_NE(F->ModalResult(), mrNone);  // the list closes after the card
    });
    WhileShown([](TCustomForm*) {
        EXPECT_EQ(Form2->Edit1->Text(), QStringLiteral("О'Нил Джон"));
        Form2->Edit1->SetText(QStringLiteral("О'Нил Д."));
        Click(Form2->Button1);
    });
    Form5->ShowDirectory();
    EXPECT_EQ(Db().Value("select s_staffpos_hl from accounts_dep.person where fio='О''Нил Д.'"), "Свой участок");

    // an empty name is refused
    Responder.Clear();
    Form2->Edit1->SetText(QStringLiteral("   "));
    Click(Form2->Button1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Ошибка|ФИО нужно заполнить!"));

    // "Удалить" asks and deletes
    Responder.Clear();
    WhileShown([this](TCustomForm*) {
        ASSERT_TRUE(DataModule6->Workers->Locate(QStringLiteral("fio"), QStringLiteral("О'Нил Д."), {}));
        Responder.Answer(IDYES);
        Click(Form5->Button3);
    });
    Form5->ShowDirectory();
    EXPECT_EQ(Messages().back(), QStringLiteral("Удаление|Удалить работника?"));
    EXPECT_EQ(Db().Value("select count(*) from accounts_dep.person where fio like 'О''Нил%'"), "0");
}

TEST_F(ListAndCardWindows, WheelStepsTheFocusedLookupOneRowPerNotch) {
    Form2->ReopenLookups();
    TDBLookupComboBox* lookup = Form2->LCB_department;
    ASSERT_GE(lookup->Items()->Count(), 4);
    Form2->Show();
    Form2->SetActiveControl(lookup);
    ASSERT_EQ(Form2->ActiveControl(), lookup);
    lookup->SelectItem(0);
    const QPointF middle(lookup->Width() / 2.0, lookup->Height() / 2.0);
    sdelka::test::Wheel(lookup->Handle(), middle, -1);  // towards the user: the next row
    EXPECT_EQ(lookup->ItemIndex(), 1);
    EXPECT_EQ(lookup->KeyValue(), lookup->ItemKey(1));
    sdelka::test::Wheel(lookup->Handle(), middle, -2);
    EXPECT_EQ(lookup->ItemIndex(), 3);
    sdelka::test::Wheel(lookup->Handle(), middle, 1);
    EXPECT_EQ(lookup->ItemIndex(), 2);
    sdelka::test::Wheel(lookup->Handle(), middle, 5);  // not past the first row
    EXPECT_EQ(lookup->ItemIndex(), 0);
    Form2->Hide();
}

// The right edge of a grid's last visible column, in the grid's client coordinates.
int LastColumnRight(TDBGrid* Grid) {
    int right = 0;
    for (int c = 0; c < Grid->ColCount(); ++c) right = std::max(right, Grid->CellRect(c, 0).Right);
    return right;
}

TEST_F(ListAndCardWindows, WindowsFitTheirControls) {
    auto save = [](TCustomForm* F, const char* Name) {
        F->Handle()->grab().save(QString::fromStdString(::testing::TempDir()) + QString::fromLatin1(Name));
    };
    auto inside = [](TCustomForm* F, TControl* C) {
        EXPECT_LE(C->Left() + C->Width(), F->ClientWidth()) << C->Name().toStdString();
    };
    // the prices list shows every column, "Нормы (шт.)" too
    WhileShown([&](TCustomForm* F) {
        F->Show();
        TDBGrid* g = Form4->DBGrid1;
        EXPECT_LE(LastColumnRight(g), g->ClientRect().Right);
        EXPECT_GT(g->CellRect(g->ColumnToGridCol(5), 0).Right, 0);  // "Нормы (шт.)" is in sight
        for (TControl* c : std::initializer_list<TControl*>{g, Form4->Edit1, Form4->Button4}) inside(F, c);
        save(F, "sdelka_prices.png");
        F->Hide();
    });
    Form4->ShowDirectory();
    // the group picker keeps "Выход" inside its narrower window
    WhileShown([&](TCustomForm* F) {
        F->Show();
        for (TControl* c : std::initializer_list<TControl*>{Form26->DBGrid1, Form26->Edit1, Form26->Button3, Form26->Button4})
            inside(F, c);
        EXPECT_GE(Form26->Button4->Left(), Form26->Button3->Left() + Form26->Button3->Width());
        save(F, "sdelka_group_picker.png");
        F->Hide();
    });
    Form26->ShowPicker(nullptr);
    // the record card's helper grid shows hours and sum without scrolling
    TDBGrid* helpers = Form11->DBGrid1;
    EXPECT_LE(LastColumnRight(helpers), helpers->ClientRect().Right);
    EXPECT_GT(helpers->CellRect(helpers->ColumnToGridCol(3), 0).Right, 0);  // "Сумма (р.)" is in sight
}

// Every window of the production records, shown at its own size: each control lies inside its
// parent (nothing cut off or out of reach), and a grab of each is left for a look.
TEST_F(ListAndCardWindows, EveryWindowKeepsItsControlsInside) {
    std::function<void(TWinControl*)> check = [&](TWinControl* Parent) {
        const TRect area = Parent->ClientRect();
        for (int i = 0; i < Parent->ControlCount(); ++i) {
            TControl* c = Parent->Controls(i);
            if (!c->Visible()) continue;
            EXPECT_GE(c->Left(), 0) << Parent->Name().toStdString() << "." << c->Name().toStdString();
            EXPECT_GE(c->Top(), 0) << Parent->Name().toStdString() << "." << c->Name().toStdString();
            EXPECT_LE(c->Left() + c->Width(), area.Right) << Parent->Name().toStdString() << "." << c->Name().toStdString();
            EXPECT_LE(c->Top() + c->Height(), area.Bottom) << Parent->Name().toStdString() << "." << c->Name().toStdString();
            if (auto* w = dynamic_cast<TWinControl*>(c)) check(w);
        }
    };
    for (TForm* f : std::initializer_list<TForm*>{Form1, Form2, Form3, Form4, Form5, Form7, Form8, Form9, Form10, Form11,
                                                  Form22, Form24, Form25, Form26, Form29, Form132, Form23}) {
        SCOPED_TRACE(f->Name().toStdString());
        f->Show();
        check(f);
        f->Handle()->grab().save(QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_%1.png").arg(f->Name()));
        f->Hide();
    }
}

TEST_F(ListAndCardWindows, RecordCardSavesMovesAndRefuses) {
    const TDateTime day = EncodeDate(2025, 6, 3), other = EncodeDate(2025, 6, 4);
    Form1->CurrentShift = 2;
    auto fill = [&](TDateTime Date) {
        Form11->WorkerId = 15;
        Form11->Edit1->SetText(QStringLiteral("Семёнова Наталья Игоревна"));
        Form11->OperationId = 1;
        Form11->ProductId = 1;
        Form11->Price = 20;
        Form11->Edit2->SetText(QStringLiteral("СТ-100; Резка; Заготовки"));
        Form11->Edit3->SetText(QStringLiteral("4"));
        Form11->Edit6->SetText(QStringLiteral("5"));
        Form11->DTimeP->SetDate(Date);
    };
    Form11->SetTag(1);
    Form11->FormActivate(nullptr);
    fill(day);
    Form11->Edit1->Clear();
    Click(Form11->Button1);  // the worker missing
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Ошибка|Все поля должны быть заполнены!"));

    fill(day);
    Click(Form11->Button1);
    ASSERT_GT(Form11->RecordKey, 0);
    EXPECT_FALSE(Form11->Button1->Enabled());  // helper stage
    EXPECT_TRUE(Form11->CheckBox1->Enabled());
    EXPECT_EQ(Cell(15, 2, day), "5");
    const int first = Form11->RecordKey;

    // "Новый", the same record again: refused, nothing written
    Click(Form11->Button8);
    EXPECT_EQ(Form11->Tag(), 1);
    EXPECT_EQ(Form11->RecordKey, 0);
    EXPECT_TRUE(Form11->Button1->Enabled());
    fill(day);
    Click(Form11->Button1);
    EXPECT_EQ(Messages().back(), QStringLiteral("Ошибка|Позиция с такими параметрами уже заведена!"));
    EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where w_id=15 and data='2025-06-03'"), "1");

    // another operation the same day: the cell sums both
    fill(day);
    Form11->OperationId = 2;
    Form11->Edit6->SetText(QStringLiteral("3"));
    Click(Form11->Button1);
    EXPECT_EQ(Cell(15, 2, day), "8");

    // edit of the first record to another date moves its hours
    TADOQuery* smena = DataModule6->Smena2;
    smena->Close();
    smena->Parameters()->ParamByName(QStringLiteral("data"))->SetValue(VarFromDateTime(day));
    smena->Parameters()->ParamByName(QStringLiteral("ok"))->SetValue(QStringLiteral("ta"));
    smena->Open();
    ASSERT_TRUE(smena->Locate(QStringLiteral("id"), first, {}));
    Form11->SetTag(2);
    Form11->FormActivate(nullptr);
    fill(other);
    Click(Form11->Button1);
    EXPECT_EQ(Cell(15, 2, day), "3");
    EXPECT_EQ(Cell(15, 2, other), "5");
    // helpers entered after the edit belong to the edited record, not to the last one inserted
    EXPECT_EQ(Form11->RecordKey, first);
    smena->Close();
}

// A pasted text passes the digit filter: the card refuses what its number fields cannot hold
// before anything is written.
TEST_F(ListAndCardWindows, RecordCardRefusesNumberFieldsThatHoldNoNumber) {
    const TDateTime day = EncodeDate(2025, 6, 5);
    Form1->CurrentShift = 1;
    struct Case {
        const char* Quantity;
        const char* Defects;
        const char* Hours;
        const char* Paint;    // the operation text; a painting one takes the colour "1O"
        const char* Message;  // empty: saved
    } const cases[] = {
        {"1O", "0", "5", "СТ-100; Резка; Заготовки", "В поле «Кол-во» должно быть целое число от 0 до 2147483647!"},
        {"4", "40000", "5", "СТ-100; Резка; Заготовки", "В поле «Брак» должно быть целое число от 0 до 32767!"},
        {"4", "0", "-5", "СТ-100; Резка; Заготовки", "В поле «Время» должно быть целое число от 0 до 24!"},
        {"4", "0", "99999999999", "СТ-100; Резка; Заготовки", "В поле «Время» должно быть целое число от 0 до 24!"},
        {"4", "0", "5", "СТ-100; Краска; Заготовки", "В поле «Цвет» должно быть целое число от 0 до 2147483647!"},
        {"4", "0", "5", "СТ-100; Резка; Заготовки", ""},
    };
    for (const auto& c : cases) {
        Responder.Clear();
        Form11->SetTag(1);
        Form11->FormActivate(nullptr);
        Form11->WorkerId = 15;
        Form11->Edit1->SetText(QStringLiteral("Семёнова Наталья Игоревна"));
        Form11->OperationId = 1;
        Form11->ProductId = 1;
        Form11->Price = 20;
        Form11->Edit2->SetText(QString::fromUtf8(c.Paint));
        Form11->Edit3->SetText(QString::fromUtf8(c.Quantity));
        Form11->Edit4->SetText(QString::fromUtf8(c.Defects));
        // the card clears the colour of an operation that is not painting
        Form11->Edit5->SetText(IsPaintOperation(Form11->Edit2->Text()) ? QStringLiteral("1O") : String());
        Form11->Edit6->SetText(QString::fromUtf8(c.Hours));
        Form11->DTimeP->SetDate(day);
        Click(Form11->Button1);
        if (*c.Message) {
            EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|") + QString::fromUtf8(c.Message)}) << c.Quantity;
            EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where w_id=15 and data='2025-06-05'"), "0");
        } else {
            EXPECT_EQ(Messages(), std::vector<String>());
            EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena where w_id=15 and data='2025-06-05'"), "1");
        }
    }
    Db().Exec("delete from accounts_dep.smena where w_id = 15 and data = '2025-06-05';"
              "delete from accounts_dep.h_dizuv where w_id = 15 and year = 2025 and month = 6");
}

TEST_F(ListAndCardWindows, SearchFieldKeysAndCardKeyFilters) {
    TDataSet* workers = DataModule6->Workers;
    workers->Open();
    Form5->ShowDirectory();  // (shown and closed: the query is closed again)
    workers->Open();
    const String first = workers->FieldByName(QStringLiteral("fio"))->AsString();
    Word key = VK_DOWN;
    Form5->Edit1KeyDown(Form5->Edit1, key, {});
    EXPECT_EQ(key, 0);
    EXPECT_EQ(workers->RecNo(), 2);
    key = VK_UP;
    Form5->Edit1KeyDown(Form5->Edit1, key, {});
    EXPECT_EQ(workers->FieldByName(QStringLiteral("fio"))->AsString(), first);
    for (Word k : {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE}) {
        key = k;
        Form5->Edit1KeyDown(Form5->Edit1, key, {});
        EXPECT_EQ(key, 0) << k;   // the workers list discards them
        key = k;
        Form3->Edit1KeyDown(Form3->Edit1, key, {});
        EXPECT_EQ(key, k) << k;   // the products list only Up and Down
    }
    key = VK_BACK;
    Form5->Edit1KeyDown(Form5->Edit1, key, {});
    EXPECT_EQ(key, VK_BACK);
    workers->Close();

    Char c = u'7';
    Form11->Edit3KeyPress(Form11->Edit3, c);
    EXPECT_EQ(c, QChar(u'7'));
    c = u'x';
    Form11->Edit4KeyPress(Form11->Edit4, c);
    EXPECT_EQ(c, QChar(0));
    // a decimal separator stays, so that a fraction is refused by the save, not read as tens
    c = u',';
    Form11->Edit4KeyPress(Form11->Edit4, c);
    EXPECT_EQ(c, QChar(u','));

    // the colour rule: an operation without paint clears and disables the colour field
    Form11->Edit5->SetText(QStringLiteral("1015"));
    Form11->Edit2->SetText(QStringLiteral("СТ-100; Резка; Заготовки"));
    Form11->ApplyColourRule();
    EXPECT_EQ(Form11->Edit5->Text(), String());
    EXPECT_FALSE(Form11->Edit5->Enabled());
    EXPECT_FALSE(Form11->Label6->Enabled());
    Form11->FormActivate(nullptr);  // the entry stage enables it again
    EXPECT_TRUE(Form11->Edit5->Enabled());
}

}  // namespace
