// The axis grid's in-place editor driven by keys as the user gives them: the pick list opened,
// walked, closed with Escape and with Enter, completion from a lookup list and from a pick list,
// Delete and Backspace in list columns, the clipboard, the edit buttons and the MRU list.
#include "testaxisgrid.h"

#include "grid/axis/dbaxisgridinplacevz.h"
#include "grid/base/listboxvz.h"
#include "grid/base/mrulistvz.h"
#include "grid/core/valueutilsvz.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/forms.h"
#include "platform/testing/scriptedresponder.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

using namespace sdelka::test;

class AxisInplace : public ::testing::Test {
protected:
    void SetUp() override {
        Scope = std::make_unique<TResponderScope>(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 640, 300);
        Depts = New<TMemTableVz>(Form);
        Depts->FieldDefs()->Add(u"Code"_S, ftString, 5);
        Depts->FieldDefs()->Add(u"Title"_S, ftWideString, 20);
        Depts->CreateDataSet();
        Depts->AppendRecord({Variant(u"1"_S), Variant(u"Резка"_S)});
        Depts->AppendRecord({Variant(u"2"_S), Variant(u"Сварка"_S)});
        Depts->AppendRecord({Variant(u"3"_S), Variant(u"Сборка"_S)});
        Depts->AppendRecord({Variant(u"4"_S), Variant(u"Abacus"_S)});
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"ID"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
        T->FieldDefs()->Add(u"Price"_S, ftFloat);
        T->FieldDefs()->Add(u"Kind"_S, ftString, 5);
        T->FieldDefs()->Add(u"Dept"_S, ftString, 5);
        for (int i = 0; i < T->FieldDefs()->Count(); ++i) T->FieldDefs()->Items(i)->CreateField(T);
        TField* look = New<TWideStringField>(T);
        look->SetFieldName(u"DeptTitle"_S);
        look->SetFieldKind(fkLookup);
        look->SetSize(20);
        look->SetKeyFields(u"Dept"_S);
        look->SetLookupDataSet(Depts);
        look->SetLookupKeyFields(u"Code"_S);
        look->SetLookupResultField(u"Title"_S);
        look->SetDataSet(T);
        T->CreateDataSet();
        T->FieldByName(u"Dept"_S)->SetVisible(false);
        T->AppendRecord({Variant(1), Variant(u"Болт"_S), Variant(1.0), Variant(u"1"_S), Variant(u"1"_S)});
        T->AppendRecord({Variant(2), Variant(u"Гайка"_S), Variant(2.0), Variant(u"2"_S), Variant(u"2"_S)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TTestAxisGridVz>(Form);
        G->SetBounds(0, 0, 640, 300);
        G->SetParent(Form);
        G->SetDataSource(Src);
        G->AxisBars()->AddAllBars(true);
        Form->Show();
        G->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        if (T->State() != dsBrowse) T->Cancel();
        FreeAndNil(Form);
        Application->ProcessMessages();
        // Every error the editor raised would have reached the user as a message box.
        for (const TScriptedResponder::TCall& c : Resp.Calls()) ADD_FAILURE() << c.Text.toStdString();
        Scope.reset();
    }
    TAxisBarVz* Bar(const char16_t* Field) { return G->FindFieldColumn(String::fromUtf16(Field)); }
    TDBAxisGridInplaceEdit* Edit() { return dynamic_cast<TDBAxisGridInplaceEdit*>(G->InplaceEditor()); }
    // Selects the bar's column and answers the editor's text window.
    QWidget* Enter(TAxisBarVz* B) {
        G->SetCol(B->Index() + 1);
        Application->ProcessMessages();
        QWidget* w = QApplication::focusWidget();
        EXPECT_TRUE(Edit() && Edit()->Visible());
        EXPECT_EQ(w, Edit()->EditCoreControl()->Handle());
        return w;
    }
    static void Type(QWidget* W, const String& Text) {
        for (QChar c : Text) SendKey(W, Qt::Key_unknown, Qt::NoModifier, QString(c));
    }
    String Selected() { return Edit()->SelText(); }

    TScriptedResponder Resp;
    std::unique_ptr<TResponderScope> Scope;
    TForm* Form = nullptr;
    TMemTableVz* Depts = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TTestAxisGridVz* G = nullptr;
};

// Ten pick-list items and four keys: the list shows four. Escape gives back the text the cell had,
// Enter writes the chosen item's key through the data link.
TEST_F(AxisInplace, APickListWalkedWithArrowsClosesWithEscapeUnchangedAndWithEnterIntoTheField) {
    TAxisBarVz* kind = Bar(u"Kind");
    for (const char16_t* s : {u"Сталь", u"Медь", u"Латунь", u"Бронза", u"Олово", u"Цинк", u"Никель", u"Хром",
                              u"Титан", u"Свинец"})
        kind->PickList()->Add(String::fromUtf16(s));
    for (const char16_t* s : {u"1", u"2", u"3", u"4"}) kind->KeyList()->Add(String::fromUtf16(s));
    QWidget* w = Enter(kind);
    EXPECT_EQ(Edit()->EditStyle(), esPickList);
    EXPECT_EQ(Edit()->Text(), u"Сталь"_S);
    ASSERT_GE(Edit()->ButtonCount(), 1);
    EXPECT_TRUE(Edit()->ButtonControl(0)->Visible());
    EXPECT_GT(Edit()->ButtonsWidth(), 0);

    SendKey(w, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Edit()->ListVisible());
    TPopupListboxFormVz* list = Edit()->PickList();
    EXPECT_EQ(list->Items()->Count(), 4);
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_TRUE(Edit()->ButtonControl(0)->AlwaysDown());
    SendKey(w, Qt::Key_Down);
    SendKey(w, Qt::Key_Down);
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(Edit()->Text(), u"Латунь"_S);
    SendKey(w, Qt::Key_Escape);
    EXPECT_FALSE(Edit()->ListVisible());
    EXPECT_FALSE(list->Visible());
    EXPECT_FALSE(Edit()->ButtonControl(0)->AlwaysDown());
    EXPECT_EQ(Edit()->Text(), u"Сталь"_S);
    EXPECT_EQ(G->EditText(), u"Сталь"_S);
    EXPECT_EQ(T->State(), dsBrowse);

    SendKey(w, Qt::Key_Down, Qt::AltModifier);
    SendKey(w, Qt::Key_Down);
    SendKey(w, Qt::Key_Down);
    SendKey(w, Qt::Key_Down);
    SendKey(w, Qt::Key_Return);
    EXPECT_FALSE(Edit()->ListVisible());
    EXPECT_EQ(Edit()->Text(), u"Бронза"_S);
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"4"_S);
    EXPECT_EQ(Edit()->Text(), u"Бронза"_S);
}

TEST_F(AxisInplace, APickListResizedByItsGripKeepsItsWholeRowsAndWidthOnTheBar) {
    TAxisBarVz* name = Bar(u"Name");
    for (int i = 0; i < 12; ++i) name->PickList()->Add(QStringLiteral("Деталь %1").arg(i));
    QWidget* w = Enter(name);
    SendKey(w, Qt::Key_Down, Qt::AltModifier);
    TPopupListboxFormVz* list = Edit()->PickList();
    ASSERT_TRUE(list->Visible());
    EXPECT_EQ(list->ClientHeight() / list->ItemHeight(), 7);
    // The user's grip: 7.6 rows tall.
    list->SetSizeGripResized(true);
    list->TPopupInactiveFormVz::SetBounds(list->Left(), list->Top(), 240,
                                          list->ItemHeight() * 76 / 10 + list->GetBorderSize());
    SendKey(w, Qt::Key_Escape);
    EXPECT_EQ(name->DropDownRows(), 7u);
    EXPECT_EQ(name->DropDownWidth(), 240);
}

// Typed letters complete the name from the lookup list; the completion is selected and the key of
// the found row is the grid's edit key, written when the user moves off the record.
TEST_F(AxisInplace, TypingInALookupColumnCompletesACyrillicNameAndWritesItsKey) {
    TAxisBarVz* dept = Bar(u"DeptTitle");
    ASSERT_NE(dept, nullptr);
    QWidget* w = Enter(dept);
    EXPECT_EQ(Edit()->EditStyle(), esLookupDataList);
    EXPECT_EQ(Edit()->Text(), u"Резка"_S);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    Type(w, u"с"_S);
    EXPECT_EQ(Edit()->Text(), u"Сварка"_S);
    EXPECT_EQ(Selected(), u"варка"_S);
    EXPECT_EQ(G->EditKeyValue().AsString(), u"2"_S);
    Type(w, u"б"_S);
    EXPECT_EQ(Edit()->Text(), u"Сборка"_S);
    EXPECT_EQ(Selected(), u"орка"_S);
    EXPECT_EQ(G->EditKeyValue().AsString(), u"3"_S);
    // A letter that no name continues with changes nothing in a column limited to its list.
    Type(w, u"ж"_S);
    EXPECT_EQ(Edit()->Text(), u"Сборка"_S);
    EXPECT_EQ(G->EditKeyValue().AsString(), u"3"_S);
    SendKey(w, Qt::Key_Down);
    EXPECT_EQ(T->RecNo(), 2);
    T->First();
    EXPECT_EQ(T->FieldByName(u"Dept"_S)->AsString(), u"3"_S);
    EXPECT_EQ(T->FieldByName(u"DeptTitle"_S)->AsString(), u"Сборка"_S);
}

TEST_F(AxisInplace, CompletionFindsOtherCaseOnlyWhenTheBarSearchesCaseInsensitively) {
    struct Case {
        bool Insensitive, Limit;
        const char16_t* Text;
        const char16_t* Selection;
        bool KeyNull;
    };
    const Case cases[] = {
        {true, true, u"Abacus", u"acus", false},
        {false, true, u"", u"", true},
        {false, false, u"ab", u"", true},
    };
    TAxisBarVz* dept = Bar(u"DeptTitle");
    for (const Case& c : cases) {
        SCOPED_TRACE(String::fromUtf16(c.Text).toStdString());
        dept->SetCaseInsensitiveTextSearch(c.Insensitive);
        dept->SetLimitTextToListValues(c.Limit);
        QWidget* w = Enter(dept);
        SendKey(w, Qt::Key_A, Qt::ControlModifier);
        SendKey(w, Qt::Key_Delete);
        EXPECT_EQ(Edit()->Text(), u""_S);
        Type(w, u"ab"_S);
        EXPECT_EQ(Edit()->Text(), String::fromUtf16(c.Text));
        EXPECT_EQ(Selected(), String::fromUtf16(c.Selection));
        EXPECT_EQ(VarIsNull(G->EditKeyValue()), c.KeyNull);
        T->Cancel();
        G->SetCol(1);
    }
}

TEST_F(AxisInplace, DeleteAndBackspaceKeepAListColumnInsideItsList) {
    TAxisBarVz* dept = Bar(u"DeptTitle");
    QWidget* w = Enter(dept);
    // Delete with the whole text selected clears both the text and the key.
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    SendKey(w, Qt::Key_Delete);
    EXPECT_EQ(Edit()->Text(), u""_S);
    EXPECT_TRUE(VarIsNull(G->EditKeyValue()));
    EXPECT_EQ(T->State(), dsEdit);
    T->Cancel();

    // Backspace in a limited pick list only moves the caret.
    TAxisBarVz* name = Bar(u"Name");
    name->PickList()->Add(u"Болт"_S);
    name->PickList()->Add(u"Гайка"_S);
    name->SetLimitTextToListValues(true);
    w = Enter(name);
    Edit()->SetSel(4, 0);
    SendKey(w, Qt::Key_Backspace);
    EXPECT_EQ(Edit()->Text(), u"Болт"_S);
    EXPECT_EQ(Edit()->SelStart(), 3);
    // Delete of a part of the text is refused without a not-in-list handler.
    Edit()->SetSel(1, 2);
    SendKey(w, Qt::Key_Delete);
    EXPECT_EQ(Edit()->Text(), u"Болт"_S);
    // Typing completes from the pick list.
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    Type(w, u"г"_S);
    EXPECT_EQ(Edit()->Text(), u"Гайка"_S);
    EXPECT_EQ(Selected(), u"айка"_S);
}

TEST_F(AxisInplace, PasteCompletesInListColumnsAndCopyTakesTheCellText) {
    TAxisBarVz* dept = Bar(u"DeptTitle");
    QWidget* w = Enter(dept);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    SendKey(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), u"Резка"_S);

    Clipboard()->SetAsText(u"Сва"_S);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    SendKey(w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->Text(), u"Сварка"_S);
    EXPECT_EQ(Selected(), u"рка"_S);
    EXPECT_EQ(G->EditKeyValue().AsString(), u"2"_S);
    // A text that names no row is not pasted into a limited lookup column.
    Clipboard()->SetAsText(u"Покраска"_S);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    SendKey(w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->Text(), u"Сварка"_S);
    T->Cancel();

    // A key pick list that does not limit its text takes the pasted text and keeps its key.
    TAxisBarVz* kind = Bar(u"Kind");
    kind->PickList()->Add(u"Да"_S);
    kind->PickList()->Add(u"Нет"_S);
    kind->KeyList()->Add(u"1"_S);
    kind->KeyList()->Add(u"2"_S);
    kind->SetLimitTextToListValues(false);
    w = Enter(kind);
    EXPECT_EQ(Edit()->Text(), u"Да"_S);
    const Variant key = G->EditKeyValue();
    Clipboard()->SetAsText(u"Может быть"_S);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    SendKey(w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->Text(), u"Может быть"_S);
    EXPECT_TRUE(VarEqualsVz(G->EditKeyValue(), key));
    Clipboard()->SetAsText(u"не"_S);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    SendKey(w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->Text(), u"Нет"_S);
    EXPECT_EQ(G->EditKeyValue().AsString(), u"2"_S);
    T->Cancel();

    // An ordinary column pastes within its length.
    w = Enter(Bar(u"Name"));
    Clipboard()->SetAsText(u"Шайба"_S);
    Edit()->SetSel(4, 0);
    SendKey(w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->Text(), u"БолтШайба"_S);
    EXPECT_EQ(G->EditText(), u"БолтШайба"_S);
}

TEST_F(AxisInplace, AnUpDownButtonStepsByTheIncrementAndOnlyTheFirstFreeButtonCarriesTheDefault) {
    TAxisBarVz* price = Bar(u"Price");
    price->SetButtonStyle(cbsUpDown);
    price->SetIncrement(0.5);
    price->EditButtons()->Add();
    price->EditButtons()->Add();
    Enter(price);
    EXPECT_EQ(Edit()->EditStyle(), esUpDown);
    ASSERT_EQ(Edit()->ButtonCount(), 3);
    EXPECT_TRUE(price->EditButton()->ParentDefinedDefaultAction());
    EXPECT_FALSE(price->EditButtons()->Items(0)->ParentDefinedDefaultAction());
    EXPECT_FALSE(price->EditButtons()->Items(1)->ParentDefinedDefaultAction());
    bool autoRepeat = false, handled = false;
    Edit()->EditButtonDown(Edit()->ButtonControl(0), true, autoRepeat, handled);
    EXPECT_TRUE(handled);
    EXPECT_DOUBLE_EQ(T->FieldByName(u"Price"_S)->AsFloat(), 1.5);
    Edit()->EditButtonDown(Edit()->ButtonControl(0), false, autoRepeat, handled);
    Edit()->EditButtonDown(Edit()->ButtonControl(0), false, autoRepeat, handled);
    EXPECT_DOUBLE_EQ(T->FieldByName(u"Price"_S)->AsFloat(), 0.5);
    // A handler on the main button passes the default to the first additional button.
    price->EditButton()->OnEditButtonClick = [](TObject*, bool&) {};
    Edit()->UpdateEditButtonsState();
    EXPECT_FALSE(price->EditButton()->ParentDefinedDefaultAction());
    EXPECT_TRUE(price->EditButtons()->Items(0)->ParentDefinedDefaultAction());
    EXPECT_FALSE(price->EditButtons()->Items(1)->ParentDefinedDefaultAction());
}

TEST_F(AxisInplace, ThePressThatOpensTheListIsNotUndoneByItsClickAndTheNextClickClosesIt) {
    TAxisBarVz* name = Bar(u"Name");
    name->PickList()->Add(u"Болт"_S);
    name->PickList()->Add(u"Гайка"_S);
    Enter(name);
    TEditButtonControlVz* main = Edit()->ButtonControl(0);
    bool autoRepeat = false, handled = false;
    Edit()->EditButtonDown(main, true, autoRepeat, handled);
    EXPECT_TRUE(handled);
    Edit()->EditButtonClick(main);
    EXPECT_TRUE(Edit()->ListVisible());
    Edit()->EditButtonClick(main);
    EXPECT_FALSE(Edit()->ListVisible());
    // A drop-down of the editor that has just closed keeps the press from opening it again.
    PostMessage(Edit()->Handle(), WM_USER, reinterpret_cast<WPARAM>(Edit()->Handle()),
                reinterpret_cast<LPARAM>(static_cast<TObject*>(name->EditButton())));
    EXPECT_TRUE(Edit()->CloseUpMessagePending(nullptr, name->EditButton()));
    main->SetAlwaysDown(true);
    EXPECT_FALSE(Edit()->CloseUpMessagePending(main, name->EditButton()));
    main->SetAlwaysDown(false);
    PurgeMessages(WM_USER);
}

TEST_F(AxisInplace, TheMRUListDropsDownWithTheTypedPrefixAndEnterTakesItsItem) {
    TAxisBarVz* name = Bar(u"Name");
    name->MRUList()->SetActive(true);
    name->MRUList()->Items()->Add(u"Винт М6"_S);
    name->MRUList()->Items()->Add(u"Винт М8"_S);
    name->MRUList()->Items()->Add(u"Шпилька"_S);
    QWidget* w = Enter(name);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    Type(w, u"вин"_S);
    ASSERT_TRUE(name->MRUList()->DroppedDown());
    TMRUListboxVz* mru = Edit()->GetMRUListControl();
    EXPECT_TRUE(mru->Visible());
    EXPECT_EQ(mru->Items()->Count(), 2);
    SendKey(w, Qt::Key_Down);
    SendKey(w, Qt::Key_Down);
    SendKey(w, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_FALSE(name->MRUList()->DroppedDown());
    EXPECT_FALSE(mru->Visible());
    EXPECT_EQ(Edit()->Text(), u"Винт М8"_S);
    EXPECT_EQ(G->EditText(), u"Винт М8"_S);
}

}  // namespace
