// The data-aware combo box: incremental search in a list-only combo (case-sensitive match first,
// Backspace that never deletes), completion in a free combo, stepping with the arrows and the
// wheel, keys that store other values than the texts shown, the drop-down list and its keys.
#include "grid/base/listboxvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLineEdit>
#include <QWidget>

namespace {

using namespace sdelka::test;

class DBComboBox : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 320, 160);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Name"_S, ftString, 30);
        T->FieldDefs()->Add(u"Dept"_S, ftInteger);
        T->CreateDataSet();
        T->AppendRecord({Variant(u"Иванов"_S), Variant(20)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Cb = New<TDBComboBoxVz>(Form);
        Cb->SetParent(Form);
        Cb->SetBounds(10, 10, 200, 24);
        Other = New<TDBComboBoxVz>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 60, 200, 24);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void SetItems(std::initializer_list<const char16_t*> Texts) {
        Cb->Items()->Clear();
        for (const char16_t* s : Texts) Cb->Items()->Add(String::fromUtf16(s));
    }
    void Focus() {
        Cb->SetFocus();
        Application->ProcessMessages();
    }
    void Type(const String& S) {
        for (QChar c : S) SendKeyToWindow(Cb->Handle(), 0, Qt::NoModifier, QString(c));
    }
    void Key(int K, Qt::KeyboardModifiers M = Qt::NoModifier) { SendKeyToWindow(Cb->Handle(), K, M); }
    String Selected() const { return qobject_cast<QLineEdit*>(Cb->Handle())->selectedText(); }
    int Caret() const { return qobject_cast<QLineEdit*>(Cb->Handle())->cursorPosition(); }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBComboBoxVz* Cb = nullptr;
    TDBComboBoxVz* Other = nullptr;
};

TEST_F(DBComboBox, ListOnlySearchPrefersTheExactCaseAndNeverTakesOtherText) {
    SetItems({u"Apple", u"apricot", u"Banana"});
    Cb->SetLimitTextToListValues(true);
    Focus();
    Type(u"a"_S);  // the case-sensitive match wins although Apple comes first
    EXPECT_EQ(Cb->Text(), u"apricot"_S);
    EXPECT_EQ(Cb->ItemIndex(), 1);
    EXPECT_EQ(Selected(), u"pricot"_S);
    EXPECT_EQ(Caret(), 1);  // behind the typed part
    Type(u"x"_S);  // no item: text and selection stay
    EXPECT_EQ(Cb->Text(), u"apricot"_S);
    EXPECT_EQ(Selected(), u"pricot"_S);
    Key(Qt::Key_Backspace);  // widens the selected tail instead of deleting
    EXPECT_EQ(Cb->Text(), u"apricot"_S);
    EXPECT_EQ(Selected(), u"apricot"_S);
    Type(u"b"_S);  // no exact-case match: the case-insensitive retry finds Banana
    EXPECT_EQ(Cb->Text(), u"Banana"_S);
    EXPECT_EQ(Selected(), u"anana"_S);
    EXPECT_EQ(Cb->Value(), Variant(u"Banana"_S));
    Cb->SetCaseInsensitiveTextSearch(false);
    Cb->SelectAll();
    Type(u"b"_S);  // without the retry nothing is found
    EXPECT_EQ(Cb->Text(), u"Banana"_S);
    // A paste selects the item its text completes to, and nothing when there is none.
    Cb->SelectAll();
    QApplication::clipboard()->setText(u"App"_S);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Cb->Text(), u"Apple"_S);
    Cb->SelectAll();
    QApplication::clipboard()->setText(u"Груша"_S);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Cb->Text(), u"Apple"_S);
}

TEST_F(DBComboBox, ArrowsAndWheelStepThroughTheUsableItems) {
    SetItems({u"один", u"два", u"три"});
    Focus();
    EXPECT_EQ(Cb->ItemIndex(), -1);
    Key(Qt::Key_Up);  // from nothing, Up goes to the last item
    EXPECT_EQ(Cb->Text(), u"три"_S);
    Key(Qt::Key_Down);  // on the last item Down stays
    EXPECT_EQ(Cb->ItemIndex(), 2);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);  // and on the first Up stays
    EXPECT_EQ(Cb->Text(), u"один"_S);
    Cb->SetText(String());
    Key(Qt::Key_Down);  // from nothing, Down goes to the first
    EXPECT_EQ(Cb->ItemIndex(), 0);
    Wheel(Cb->Handle(), QPointF(20, 10), -1);  // a turn down steps forward
    EXPECT_EQ(Cb->Text(), u"два"_S);
    Cb->SetReadOnly(true);
    Wheel(Cb->Handle(), QPointF(20, 10), -1);  // a read-only combo keeps its value
    EXPECT_EQ(Cb->Text(), u"два"_S);
}

TEST_F(DBComboBox, FreeComboCompletesTheTypedPrefixAndKeepsOtherText) {
    SetItems({u"Иванов", u"Петров", u"Петрова"});
    Cb->SetDataSource(Src);
    Cb->SetDataField(u"Name"_S);
    EXPECT_FALSE(Cb->LimitTextToListValues());
    Focus();
    Cb->SelectAll();
    Type(u"П"_S);
    EXPECT_EQ(Cb->Text(), u"Петров"_S);
    EXPECT_EQ(Selected(), u"етров"_S);
    EXPECT_EQ(Cb->ItemIndex(), 1);
    Type(u"етрова"_S);
    EXPECT_EQ(Cb->Text(), u"Петрова"_S);
    Type(u"я"_S);  // a text outside the list stays as typed
    EXPECT_EQ(Cb->Text(), u"Петровая"_S);
    EXPECT_EQ(Cb->ItemIndex(), -1);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Cb->Text(), u"Петрова"_S);
    EXPECT_EQ(Cb->ItemIndex(), 2);
    Key(Qt::Key_Return);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Петрова"_S);
}

TEST_F(DBComboBox, KeysAreStoredAndTextsShown) {
    SetItems({u"Цех 1", u"Цех 2"});
    for (const char* k : {"10", "20", "30"}) Cb->KeyItems()->Add(String::fromLatin1(k));
    Cb->SetDataSource(Src);
    Cb->SetDataField(u"Dept"_S);
    EXPECT_TRUE(Cb->KeyBased());
    EXPECT_EQ(Cb->ItemsCount(), 2);  // the third key has no text and is never selectable
    EXPECT_TRUE(Cb->LimitTextToListValues());
    EXPECT_EQ(Cb->Text(), u"Цех 2"_S);
    EXPECT_EQ(Cb->ItemIndex(), 1);
    T->Edit();
    T->FieldByName(u"Dept"_S)->SetAsInteger(30);
    T->Post();
    EXPECT_EQ(Cb->Text(), String());  // a key without a text shows nothing
    EXPECT_EQ(Cb->ItemIndex(), 2);

    Focus();
    Cb->SetItemIndex(0);
    EXPECT_EQ(T->FieldByName(u"Dept"_S)->AsInteger(), 10);
    Cb->SetText(u"нет такого"_S);  // not an item: nothing changes
    EXPECT_EQ(Cb->ItemIndex(), 0);
    EXPECT_EQ(Cb->Value(), Variant(u"10"_S));
    Key(Qt::Key_Down);
    EXPECT_EQ(Cb->Text(), u"Цех 2"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(T->FieldByName(u"Dept"_S)->AsInteger(), 20);
    Key(Qt::Key_Delete);  // clears the value of a list-only combo
    EXPECT_TRUE(VarIsNull(Cb->Value()));
    EXPECT_EQ(Cb->Text(), String());

    Cb->OnNotInList = [](TObject*, const String&, bool&) {};
    EXPECT_FALSE(Cb->LimitTextToListValues());  // a handler for other texts frees the combo
    Cb->SetLimitTextToListValues(true);
    EXPECT_TRUE(Cb->LimitTextToListValuesStored());
    Cb->SetLimitTextToListValuesStored(false);
    EXPECT_FALSE(Cb->LimitTextToListValues());
}

TEST_F(DBComboBox, DropDownListOpensPicksAndCloses) {
    SetItems({u"январь", u"февраль", u"март"});
    Cb->SetDataSource(Src);
    Cb->SetDataField(u"Name"_S);
    Focus();
    bool droppedDown = false;
    std::vector<bool> closed;
    Cb->OnDropDown = [&](TObject*) { droppedDown = true; };
    Cb->OnCloseUp = [&](TObject*, bool Accept) { closed.push_back(Accept); };
    Key(Qt::Key_Down, Qt::AltModifier);  // the main button's short cut
    ASSERT_TRUE(Cb->ListVisible());
    EXPECT_TRUE(droppedDown);
    TPopupListboxFormVz* list = Cb->PopupListbox();
    EXPECT_TRUE(list->Visible());
    EXPECT_EQ(list->RowCount(), 3);  // fewer items than rows
    EXPECT_GE(list->Width(), Cb->Width());
    EXPECT_EQ(list->Top(), Cb->ClientToScreen(TPoint(0, Cb->Height())).Y);
    EXPECT_TRUE(Cb->GetEditButtonControlByEditButton(Cb->EditButton())->AlwaysDown());
    Key(Qt::Key_Down);  // the arrows move in the list, the value stays
    Key(Qt::Key_Down);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(Cb->Text(), u"Иванов"_S);
    Key(Qt::Key_Return);
    EXPECT_FALSE(Cb->ListVisible());
    EXPECT_FALSE(Cb->GetEditButtonControlByEditButton(Cb->EditButton())->AlwaysDown());
    EXPECT_EQ(Cb->Text(), u"февраль"_S);
    EXPECT_EQ(closed, std::vector<bool>{true});

    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Cb->ListVisible());
    Key(Qt::Key_Up);
    Key(Qt::Key_Escape);  // closes without taking
    EXPECT_FALSE(Cb->ListVisible());
    EXPECT_EQ(Cb->Text(), u"февраль"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"февраль"_S);

    Cb->DropDown();
    Other->SetFocus();  // leaving closes without taking
    Application->ProcessMessages();
    EXPECT_FALSE(Cb->ListVisible());
    EXPECT_EQ(closed, (std::vector<bool>{true, false, false}));
}

TEST_F(DBComboBox, ListOnlyComboOpensOnAClickAndPicksWithTheMouse) {
    SetItems({u"первый", u"второй"});
    Cb->SetLimitTextToListValues(true);
    Click(Cb->Handle(), QPointF(20, 10));
    ASSERT_TRUE(Cb->ListVisible());  // the click that opened it does not close it
    EXPECT_EQ(Cb->Cursor(), crArrow);
    TPopupListboxFormVz* list = Cb->PopupListbox();
    const int h = list->ItemHeight();
    Click(list->ListGrid()->Handle(), QPointF(10, h + h / 2));
    Application->ProcessMessages();
    EXPECT_FALSE(Cb->ListVisible());
    EXPECT_EQ(Cb->Text(), u"второй"_S);
    // Width -1 fits the widest text.
    Cb->DropDownBox()->SetWidth(-1);
    Cb->Items()->Add(u"очень длинный пункт списка, шире самого поля со списком"_S);
    Cb->DropDown();
    EXPECT_GT(Cb->PopupListbox()->Width(), Cb->Width());
    Cb->CloseUp(false);
}

}  // namespace

namespace {

TEST_F(DBComboBox, ItemImagesShowInTheListAndTheEdit) {
    SetItems({u"ок", u"брак", u"в работе"});
    TImageList* images = New<TImageList>(Form);
    images->SetWidth(16);
    images->SetHeight(16);
    Cb->SetImages(images);
    Cb->OnGetItemImageIndex = [](TObject*, int Item, int& Image) { Image = Item >= 0 ? 10 + Item : -1; };
    Focus();
    Cb->SetItemIndex(1);
    EXPECT_EQ(Cb->EditImage()->ImageIndex(), 11);  // the edit shows the chosen item's image
    Cb->SetItemIndex(-1);
    EXPECT_EQ(Cb->EditImage()->ImageIndex(), -1);
    Cb->DropDownBox()->SetWidth(-1);
    Cb->Items()->Add(u"очень длинный пункт списка, шире самого поля со списком"_S);
    Cb->DropDown();
    TPopupListboxFormVz* list = Cb->PopupListbox();
    EXPECT_EQ(list->ListGrid()->ImageList(), images);
    const QFontMetrics fm(Cb->Handle()->font());
    const int widest = fm.horizontalAdvance(Cb->Items()->Strings(3));
    EXPECT_EQ(list->ListGrid()->ClientWidth(), widest + 16 + 9);  // the widest text and its image
    Cb->CloseUp(false);
}

}  // namespace
