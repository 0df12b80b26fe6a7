// Data-aware standard controls on the layer's test dataset: edits, labels, check boxes, combo
// boxes and the lookup combo box, shown offscreen and driven by keys and the mouse.
#include "platform/dbctrls/dbctrls.h"
#include "platform/testing/memdata.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/testing/scriptedresponder.h"
#include "support/testutil.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

using sdelka::test::SendKey;

using sdelka::test::ProcessEvents;

void TypeText(QWidget* W, const QString& Text) {
    for (QChar c : Text) SendKey(W, c.isLetter() ? Qt::Key_A : Qt::Key_0, Qt::NoModifier, QString(c));
}

class DBCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        // Workers: ID, NAME, ACTIVE (boolean), SHIFT_KIND (text "Да"/"Нет"), DEPT (key into Depts).
        Workers = New<TTestTableDataSet>(nullptr);
        Workers->FieldDefs()->Add(u"ID"_S, ftInteger);
        Workers->FieldDefs()->Add(u"NAME"_S, ftString, 30);
        Workers->FieldDefs()->Add(u"ACTIVE"_S, ftBoolean);
        Workers->FieldDefs()->Add(u"NIGHT"_S, ftString, 5);
        Workers->FieldDefs()->Add(u"DEPT"_S, ftInteger);
        Workers->CreateDataSet();
        Workers->AppendRecord({1, u"Иванов"_S, true, u"Да"_S, 10});
        Workers->AppendRecord({2, u"Петров"_S, false, u"нет"_S, 20});
        Workers->AppendRecord({3, u"Сидоров"_S, Null(), Null(), 99});
        Workers->First();
        Src = New<TDataSource>(nullptr);
        Src->SetDataSet(Workers);

        Depts = New<TTestTableDataSet>(nullptr);
        Depts->FieldDefs()->Add(u"DEPT_ID"_S, ftInteger);
        Depts->FieldDefs()->Add(u"TITLE"_S, ftString, 30);
        Depts->FieldDefs()->Add(u"CODE"_S, ftString, 5);
        Depts->CreateDataSet();
        Depts->AppendRecord({10, u"Механический цех"_S, u"М"_S});
        Depts->AppendRecord({20, u"Сборочный цех"_S, u"С"_S});
        Depts->AppendRecord({30, u"Склад"_S, u"Ск"_S});
        Depts->First();
        DeptSrc = New<TDataSource>(nullptr);
        DeptSrc->SetDataSet(Depts);

        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override {
        FreeAndNil(Form);
        FreeAndNil(Src);
        FreeAndNil(DeptSrc);
        FreeAndNil(Workers);
        FreeAndNil(Depts);
        SetResponder(nullptr);
        ProcessEvents();
    }
    template <class T>
    T* Add(int L, int T_, int W, int H) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Form);
        return c;
    }

    TScriptedResponder Resp;
    TTestTableDataSet* Workers = nullptr;
    TTestTableDataSet* Depts = nullptr;
    TDataSource* Src = nullptr;
    TDataSource* DeptSrc = nullptr;
    TForm* Form = nullptr;
};

TEST_F(DBCtrlsTest, FieldDataLinkFindsItsFieldAndRefusesAnUnknownOne) {
    TFieldDataLink link;
    std::vector<String> log;
    link.OnDataChange = [&](TObject*) { log.push_back(link.Field() ? link.Field()->AsString() : u"-"_S); };
    link.SetFieldName(u"name"_S);
    EXPECT_EQ(link.Field(), nullptr);  // no source yet
    link.SetDataSource(Src);
    ASSERT_NE(link.Field(), nullptr);
    EXPECT_EQ(link.Field()->FieldName(), u"NAME"_S);
    Workers->Next();
    EXPECT_EQ(log, (std::vector<String>{u"Иванов"_S, u"Петров"_S}));
    Workers->Edit();
    size_t n = log.size();
    Workers->FieldByName(u"ID"_S)->SetAsInteger(22);  // another field: no data change
    EXPECT_EQ(log.size(), n);
    Workers->FieldByName(u"NAME"_S)->SetAsString(u"Петров-2"_S);
    EXPECT_EQ(log.back(), u"Петров-2"_S);
    Workers->Cancel();
    EXPECT_EQ(log.back(), u"Петров"_S);
    EXPECT_THROW(link.SetFieldName(u"NOPE"_S), EDatabaseError);
    link.SetDataSource(nullptr);
    EXPECT_EQ(link.Field(), nullptr);
}

TEST_F(DBCtrlsTest, DBEditShowsTheFieldAndTypingEditsAndPosts) {
    auto* e = Add<TDBEdit>(10, 10, 150, 21);
    e->SetDataSource(Src);
    e->SetDataField(u"NAME"_S);
    EXPECT_EQ(e->Text(), u"Иванов"_S);
    EXPECT_EQ(e->MaxLength(), 30);
    Workers->Next();
    EXPECT_EQ(e->Text(), u"Петров"_S);

    Form->Show();
    e->SetFocus();
    ProcessEvents();
    auto* le = static_cast<QLineEdit*>(e->Handle());
    EXPECT_TRUE(le->isReadOnly());  // browsing: the edit is closed until a key asks for edit state
    le->end(false);
    TypeText(le, u"ин"_S);
    EXPECT_EQ(Workers->State(), dsEdit);
    EXPECT_EQ(e->Text(), u"Петровин"_S);
    EXPECT_EQ(Workers->FieldByName(u"NAME"_S)->AsString(), u"Петров"_S);  // not written yet
    Workers->Post();  // the pending text is written by the post
    EXPECT_EQ(Workers->FieldByName(u"NAME"_S)->AsString(), u"Петровин"_S);
    EXPECT_EQ(Workers->State(), dsBrowse);

    // Esc drops the pending text; Cancel restores the record.
    TypeText(le, u"Х"_S);
    EXPECT_EQ(e->Text(), u"ПетровинХ"_S);
    SendKey(le, Qt::Key_Escape);
    EXPECT_EQ(e->Text(), u"Петровин"_S);
    Workers->Cancel();
    EXPECT_EQ(Workers->State(), dsBrowse);
}

TEST_F(DBCtrlsTest, DBEditRefusesKeysWithoutEditStateAndWritesOnExit) {
    auto* e = Add<TDBEdit>(10, 10, 150, 21);
    auto* other = Add<TEdit>(10, 40, 150, 21);
    e->SetDataSource(Src);
    e->SetDataField(u"ID"_S);
    Form->Show();
    e->SetFocus();
    ProcessEvents();
    auto* le = static_cast<QLineEdit*>(e->Handle());

    Src->SetAutoEdit(false);
    le->end(false);
    TypeText(le, u"7"_S);
    EXPECT_EQ(Workers->State(), dsBrowse);
    EXPECT_EQ(e->Text(), u"1"_S);
    // A character an integer field does not take is swallowed even in edit state.
    Src->SetAutoEdit(true);
    TypeText(le, u"x"_S);
    EXPECT_EQ(e->Text(), u"1"_S);
    TypeText(le, u"7"_S);
    EXPECT_EQ(e->Text(), u"17"_S);
    // Leaving the control writes the value into the field (the record stays in edit state).
    other->SetFocus();
    ProcessEvents();
    EXPECT_EQ(Workers->FieldByName(u"ID"_S)->AsInteger(), 17);
    EXPECT_EQ(Workers->State(), dsEdit);
    Workers->Post();
    EXPECT_EQ(Workers->FieldByName(u"ID"_S)->AsInteger(), 17);

    // A read-only control stays read-only whatever the source says.
    e->SetReadOnly(true);
    e->SetFocus();
    TypeText(le, u"5"_S);
    EXPECT_EQ(Workers->State(), dsBrowse);
    EXPECT_EQ(e->Text(), u"17"_S);
}

TEST_F(DBCtrlsTest, DBTextShowsDisplayTextAndFollowsTheCursor) {
    auto* t = Add<TDBText>(10, 10, 150, 17);
    Workers->FieldByName(u"DEPT"_S)->OnGetText = [](TField* F, String& Text, bool Display) {
        Text = Display ? u"цех "_S + F->AsString() : F->AsString();
    };
    EXPECT_EQ(t->Caption(), String());
    t->SetDataSource(Src);
    t->SetDataField(u"DEPT"_S);
    EXPECT_EQ(t->Caption(), u"цех 10"_S);
    Workers->Last();
    EXPECT_EQ(t->Caption(), u"цех 99"_S);
    Workers->Close();
    EXPECT_EQ(t->Caption(), String());
    EXPECT_EQ(t->Field(), nullptr);
}

TEST_F(DBCtrlsTest, DBCheckBoxReadsBooleanAndTextFieldsAndWritesTheClick) {
    auto* b = Add<TDBCheckBox>(10, 10, 150, 17);
    auto* n = Add<TDBCheckBox>(10, 40, 150, 17);
    b->SetDataSource(Src);
    b->SetDataField(u"ACTIVE"_S);
    n->SetValueChecked(u"Да;Yes"_S);
    n->SetValueUnchecked(u"Нет;No"_S);
    n->SetDataSource(Src);
    n->SetDataField(u"NIGHT"_S);
    struct Case { TCheckBoxState Active, Night; };
    const Case cases[] = {{cbChecked, cbChecked}, {cbUnchecked, cbUnchecked}, {cbGrayed, cbGrayed}};
    for (const Case& c : cases) {
        EXPECT_EQ(b->State(), c.Active) << Workers->RecNo();
        EXPECT_EQ(n->State(), c.Night) << Workers->RecNo();
        Workers->Next();
    }

    Workers->First();
    Form->Show();
    int clicks = 0;
    n->OnClick = [&](TObject*) { ++clicks; };
    static_cast<QCheckBox*>(n->Handle())->click();  // the user unticks "Да"
    EXPECT_EQ(Workers->State(), dsEdit);
    EXPECT_FALSE(n->Checked());
    EXPECT_EQ(clicks, 1);
    static_cast<QCheckBox*>(b->Handle())->click();
    Workers->Post();
    EXPECT_EQ(Workers->FieldByName(u"NIGHT"_S)->AsString(), u"Нет"_S);  // the first of the list
    EXPECT_FALSE(Workers->FieldByName(u"ACTIVE"_S)->AsBoolean());

    // Without AutoEdit the click is refused and the box shows the field again.
    Src->SetAutoEdit(false);
    static_cast<QCheckBox*>(b->Handle())->click();
    EXPECT_EQ(Workers->State(), dsBrowse);
    EXPECT_FALSE(b->Checked());
    EXPECT_FALSE(static_cast<QCheckBox*>(b->Handle())->isChecked());
}

TEST_F(DBCtrlsTest, DBComboBoxWritesThePickedText) {
    auto* c = Add<TDBComboBox>(10, 10, 150, 21);
    c->SetStyle(csDropDownList);
    c->Items()->Add(u"Да"_S);
    c->Items()->Add(u"Нет"_S);
    c->SetDataSource(Src);
    c->SetDataField(u"NIGHT"_S);
    EXPECT_EQ(c->ItemIndex(), 0);
    Workers->Next();  // "нет": items are found without case
    EXPECT_EQ(c->ItemIndex(), 1);
    Workers->Next();  // Null
    EXPECT_EQ(c->ItemIndex(), -1);
    Workers->Prior();
    Workers->Prior();
    Form->Show();
    auto* qc = static_cast<QComboBox*>(c->Handle());
    emit qc->activated(1);  // the user picks "Нет"
    EXPECT_EQ(Workers->State(), dsEdit);
    Workers->Post();
    EXPECT_EQ(Workers->FieldByName(u"NIGHT"_S)->AsString(), u"Нет"_S);

    // Without edit state the pick is undone.
    Src->SetAutoEdit(false);
    emit qc->activated(0);
    EXPECT_EQ(Workers->State(), dsBrowse);
    EXPECT_EQ(c->Text(), u"Нет"_S);
}

class LookupTest : public DBCtrlsTest {
protected:
    TDBLookupComboBox* MakeLookup() {
        auto* lc = Add<TDBLookupComboBox>(10, 10, 200, 21);
        lc->SetListSource(DeptSrc);
        lc->SetKeyField(u"DEPT_ID"_S);
        lc->SetListField(u"TITLE;CODE"_S);
        return lc;
    }
    // Opens the list, highlights Row and presses Enter in it, as the user picks an item.
    void PickWithKeyboard(TDBLookupComboBox* lc, int Row) {
        auto* qc = static_cast<QComboBox*>(lc->Handle());
        lc->SetDroppedDown(true);
        ASSERT_TRUE(lc->DroppedDown());
        qc->view()->setCurrentIndex(qc->model()->index(Row, 0));
        SendKey(qc->view(), Qt::Key_Return);
        ProcessEvents();
    }
};

TEST_F(LookupTest, KeyValueShowsTheListTextOrNothingForAnUnknownKey) {
    auto* lc = MakeLookup();
    EXPECT_TRUE(lc->ListActive());
    EXPECT_EQ(lc->Items()->Count(), 3);
    EXPECT_EQ(lc->Items()->Strings(2), u"Склад"_S);  // the first list field is shown
    EXPECT_TRUE(VarIsNull(lc->KeyValue()));
    EXPECT_EQ(lc->Text(), String());

    int changes = 0;
    lc->OnChange = [&](TObject*) { ++changes; };
    lc->SetKeyValue(20);
    EXPECT_EQ(lc->Text(), u"Сборочный цех"_S);
    EXPECT_EQ(lc->ItemIndex(), 1);
    EXPECT_EQ(Depts->FieldByName(u"DEPT_ID"_S)->AsInteger(), 20);  // the list dataset follows the key
    lc->SetKeyValue(77);
    EXPECT_EQ(lc->Text(), String());
    EXPECT_EQ(lc->ItemIndex(), -1);
    EXPECT_EQ(lc->KeyValue().AsInteger(), 77);
    lc->SetKeyValue(u"не число"_S);  // a key of another kind is unknown, not an error
    EXPECT_EQ(lc->Text(), String());
    lc->SetKeyValue(Null());
    EXPECT_EQ(lc->Text(), String());
    EXPECT_EQ(changes, 4);

    Form->Show();
    lc->SetKeyValue(30);
    EXPECT_EQ(static_cast<QComboBox*>(lc->Handle())->currentText(), u"Склад"_S);
    // The list follows changes of the list dataset.
    Depts->Locate(u"DEPT_ID"_S, 30, {});
    Depts->Edit();
    Depts->FieldByName(u"TITLE"_S)->SetAsString(u"Центральный склад"_S);
    Depts->Post();
    EXPECT_EQ(lc->Items()->Strings(2), u"Центральный склад"_S);
    EXPECT_EQ(lc->Text(), u"Центральный склад"_S);
    // A record being added to the list dataset is not posted by the list.
    Depts->Append();
    EXPECT_EQ(Depts->State(), dsInsert);
    Depts->FieldByName(u"DEPT_ID"_S)->SetAsInteger(40);
    Depts->FieldByName(u"TITLE"_S)->SetAsString(u"ОТК"_S);
    EXPECT_EQ(Depts->State(), dsInsert);
    EXPECT_EQ(lc->Items()->Count(), 3);
    Depts->Post();
    EXPECT_EQ(lc->Items()->Count(), 4);
}

TEST_F(LookupTest, PickingMovesTheListAndFiresCloseUpAlsoForTheSameItem) {
    auto* lc = MakeLookup();
    Form->Show();
    std::vector<std::string> events;
    lc->OnClick = [&](TObject*) { events.push_back("Click " + lc->KeyValue().AsString().toStdString()); };
    lc->OnCloseUp = [&](TObject*) { events.push_back("CloseUp " + lc->Text().toStdString()); };

    PickWithKeyboard(lc, 1);
    EXPECT_EQ(lc->KeyValue().AsInteger(), 20);
    EXPECT_EQ(Depts->FieldByName(u"DEPT_ID"_S)->AsInteger(), 20);
    Depts->First();  // somebody moves the list away; choosing the same item brings it back
    PickWithKeyboard(lc, 1);
    EXPECT_EQ(Depts->FieldByName(u"DEPT_ID"_S)->AsInteger(), 20);
    // Closing with Esc: no choice, still OnCloseUp (after the event loop runs).
    lc->SetDroppedDown(true);
    auto* qc = static_cast<QComboBox*>(lc->Handle());
    qc->view()->setCurrentIndex(qc->model()->index(2, 0));
    SendKey(qc->view(), Qt::Key_Escape);
    ProcessEvents();
    EXPECT_EQ(lc->KeyValue().AsInteger(), 20);
    EXPECT_EQ(events, (std::vector<std::string>{"Click 20", "CloseUp Сборочный цех", "Click 20",
                                                "CloseUp Сборочный цех", "CloseUp Сборочный цех"}));

    // The programmatic close: accepted or not.
    events.clear();
    lc->SetDroppedDown(true);
    qc->view()->setCurrentIndex(qc->model()->index(0, 0));
    lc->CloseUp(true);
    EXPECT_EQ(lc->KeyValue().AsInteger(), 10);
    lc->CloseUp(false);
    EXPECT_EQ(events, (std::vector<std::string>{"Click 10", "CloseUp Механический цех", "CloseUp Механический цех"}));
}

TEST_F(LookupTest, BoundToAFieldItShowsAndWritesTheKey) {
    auto* lc = MakeLookup();
    lc->SetDataSource(Src);
    lc->SetDataField(u"DEPT"_S);
    EXPECT_EQ(lc->Text(), u"Механический цех"_S);
    Workers->Last();  // DEPT 99 is not in the list
    EXPECT_EQ(lc->Text(), String());
    EXPECT_EQ(lc->KeyValue().AsInteger(), 99);
    Workers->First();
    EXPECT_THROW(lc->SetListSource(Src), EDatabaseError);  // circular

    Form->Show();
    PickWithKeyboard(lc, 2);
    EXPECT_EQ(Workers->State(), dsEdit);
    EXPECT_EQ(Workers->FieldByName(u"DEPT"_S)->AsInteger(), 30);  // written at once
    EXPECT_EQ(lc->Text(), u"Склад"_S);
    Workers->Post();
    EXPECT_EQ(Workers->FieldByName(u"DEPT"_S)->AsInteger(), 30);

    // A read-only control or a source without AutoEdit keeps the field as it is.
    Src->SetAutoEdit(false);
    PickWithKeyboard(lc, 0);
    EXPECT_EQ(Workers->FieldByName(u"DEPT"_S)->AsInteger(), 30);
    EXPECT_EQ(lc->Text(), u"Склад"_S);
    EXPECT_EQ(static_cast<QComboBox*>(lc->Handle())->currentIndex(), 2);
}

}  // namespace
