// List boxes and combo boxes: items bound to the widget, selection by code and by the user, the
// events each path fires, owner drawing.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/listctrls.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

namespace {

using sdelka::test::Click;
using sdelka::test::SendKey;

class ListCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    template <class T>
    T* Add(int L, int T_, int W, int H) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Form);
        return c;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

const QStringList Months = {"Январь", "Февраль", "Март", "Апрель"};

void Fill(TStrings* S, const QStringList& L) {
    for (const auto& s : L) S->Add(s);
}

// ---- combo box ---------------------------------------------------------------------------------

TEST_F(ListCtrlsTest, ComboItemIndexByCodeFiresNoChangeBeforeAndAfterTheWindowExists) {
    auto* cb = Add<TComboBox>(10, 10, 120, 21);
    cb->SetStyle(csDropDownList);
    Fill(cb->Items(), Months);
    int changes = 0;
    cb->OnChange = [&](TObject*) { ++changes; };
    cb->SetItemIndex(2);
    EXPECT_EQ(cb->Text(), u"Март"_S);
    Form->Show();
    EXPECT_EQ(cb->ItemIndex(), 2);
    EXPECT_EQ(cb->Text(), u"Март"_S);
    cb->SetItemIndex(0);
    EXPECT_EQ(cb->Text(), u"Январь"_S);
    cb->SetItemIndex(99);  // out of range: nothing selected
    EXPECT_EQ(cb->ItemIndex(), -1);
    // A drop-down list's text selects the item that has it; unknown text changes nothing.
    cb->SetText(u"Апрель"_S);
    EXPECT_EQ(cb->ItemIndex(), 3);
    cb->SetText(u"Май"_S);
    EXPECT_EQ(cb->ItemIndex(), 3);
    EXPECT_EQ(changes, 0);
}

TEST_F(ListCtrlsTest, ComboUserPickFiresClickThenSelectOrChange) {
    auto* cb = Add<TComboBox>(10, 10, 120, 21);
    cb->SetStyle(csDropDownList);
    Fill(cb->Items(), Months);
    QStringList log;
    cb->OnChange = [&](TObject*) { log << "change:" + cb->Text(); };
    cb->OnClick = [&](TObject*) { log << "click:" + QString::number(cb->ItemIndex()); };
    Form->Show();
    cb->SetItemIndex(0);
    SendKey(cb->Handle(), Qt::Key_Down);  // the user steps to the next month
    EXPECT_EQ(log, QStringList({"click:1", "change:Февраль"}));
    log.clear();
    cb->OnSelect = [&](TObject*) { log << "select:" + cb->Text(); };
    SendKey(cb->Handle(), Qt::Key_Down);
    EXPECT_EQ(log, QStringList({"click:2", "select:Март"}));  // OnSelect replaces OnChange
}

TEST_F(ListCtrlsTest, ComboTypingFiresChangeWithCharCaseAndSetTextDoesNot) {
    auto* cb = Add<TComboBox>(10, 10, 120, 21);
    Fill(cb->Items(), {"2024", "2025"});
    QStringList changes;
    cb->OnChange = [&](TObject*) { changes << cb->Text(); };
    cb->SetText(u"20"_S);
    Form->Show();
    EXPECT_EQ(cb->Text(), u"20"_S);
    cb->SetCharCase(ecUpperCase);
    static_cast<QComboBox*>(cb->Handle())->lineEdit()->end(false);
    SendKey(cb->Handle(), Qt::Key_A, Qt::NoModifier, u"a"_S);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0], u"20A"_S);
    cb->SetText(u"x"_S);
    EXPECT_EQ(cb->Text(), u"X"_S);
    EXPECT_EQ(changes.size(), 1);
    cb->SetItemIndex(1);
    EXPECT_EQ(cb->Text(), u"2025"_S);
    EXPECT_EQ(changes.size(), 1);
}

TEST_F(ListCtrlsTest, ComboSortedItemsAndDropDownEvents) {
    auto* cb = Add<TComboBox>(10, 10, 120, 21);
    cb->SetSorted(true);
    Fill(cb->Items(), {"Токарь", "Слесарь", "Маляр"});
    EXPECT_EQ(cb->Items()->CommaText(), u"Маляр,Слесарь,Токарь"_S);
    cb->Items()->Insert(0, u"Я"_S);  // Insert keeps the place asked for
    EXPECT_EQ(cb->Items()->Strings(0), u"Я"_S);
    QStringList log;
    cb->OnDropDown = [&](TObject*) { log << "drop"; };
    cb->OnCloseUp = [&](TObject*) { log << "close"; };
    Form->Show();
    auto* q = static_cast<QComboBox*>(cb->Handle());
    EXPECT_EQ(q->count(), 4);
    EXPECT_EQ(q->itemText(1), u"Маляр"_S);
    cb->Items()->Delete(0);
    cb->Items()->SetStrings(0, u"Маляр-штукатур"_S);
    EXPECT_EQ(q->itemText(0), u"Маляр-штукатур"_S);
    cb->SetDroppedDown(true);
    EXPECT_TRUE(cb->DroppedDown());
    cb->SetDroppedDown(false);
    EXPECT_FALSE(cb->DroppedDown());
    EXPECT_EQ(log, QStringList({"drop", "close"}));
}

TEST_F(ListCtrlsTest, ComboStateSurvivesRecreatingTheWindow) {
    auto* cb = Add<TComboBox>(10, 10, 120, 21);
    Fill(cb->Items(), Months);
    Form->Show();
    cb->SetItemIndex(1);
    cb->SetStyle(csDropDownList);  // recreates the window
    EXPECT_EQ(cb->ItemIndex(), 1);
    EXPECT_EQ(cb->Text(), u"Февраль"_S);
    EXPECT_FALSE(static_cast<QComboBox*>(cb->Handle())->isEditable());
}

// ---- list box ----------------------------------------------------------------------------------

TEST_F(ListCtrlsTest, ListBoxSelectionByCodeAndByUser) {
    auto* lb = Add<TListBox>(10, 10, 150, 120);
    Fill(lb->Items(), Months);
    lb->SetItemIndex(1);
    lb->Items()->Insert(0, u"Декабрь"_S);  // the current item follows its string
    EXPECT_EQ(lb->ItemIndex(), 2);
    QStringList log;
    lb->OnClick = [&](TObject*) { log << "click:" + QString::number(lb->ItemIndex()); };
    lb->OnDblClick = [&](TObject*) { log << "dbl"; };
    Form->Show();
    auto* q = static_cast<QListWidget*>(lb->Handle());
    EXPECT_EQ(lb->ItemIndex(), 2);
    EXPECT_TRUE(lb->Selected(2));
    lb->SetItemIndex(0);  // by code: no OnClick
    EXPECT_TRUE(log.isEmpty());
    SendKey(q, Qt::Key_Down);
    QRect r3 = q->visualItemRect(q->item(3));
    Click(q->viewport(), r3.center());
    EXPECT_EQ(lb->ItemAtPos(TPoint::FromQPoint(r3.center()), true), 3);
    EXPECT_EQ(lb->ItemAtPos(TPoint(5, 110), true), -1);
    EXPECT_EQ(lb->ItemAtPos(TPoint(5, 110), false), 5);
    Click(q->viewport(), r3.center(), true);
    EXPECT_EQ(log, QStringList({"click:1", "click:3", "dbl"}));
    lb->SetItemIndex(-1);
    EXPECT_EQ(lb->ItemIndex(), -1);
    EXPECT_EQ(lb->SelCount(), -1);
}

TEST_F(ListCtrlsTest, ListBoxMultiSelectKeepsSelectionAcrossTheWindow) {
    auto* lb = Add<TListBox>(10, 10, 150, 120);
    lb->SetMultiSelect(true);
    Fill(lb->Items(), Months);
    lb->SetSelected(1, true);
    lb->SetSelected(3, true);
    EXPECT_EQ(lb->SelCount(), 2);
    Form->Show();
    EXPECT_EQ(lb->SelCount(), 2);
    EXPECT_TRUE(lb->Selected(3));
    EXPECT_FALSE(lb->Selected(0));
    lb->DeleteSelected();
    EXPECT_EQ(lb->Items()->CommaText(), u"Январь,Март"_S);
    lb->SelectAll();
    EXPECT_EQ(lb->SelCount(), 2);
    EXPECT_THROW(lb->Selected(5), EListError);
}

TEST_F(ListCtrlsTest, ListBoxOwnerDrawPaintsThroughOnDrawItem) {
    auto* lb = Add<TListBox>(10, 10, 150, 120);
    lb->SetStyle(lbOwnerDrawFixed);
    lb->SetItemHeight(20);
    Fill(lb->Items(), Months);
    lb->SetItemIndex(1);
    std::vector<std::pair<int, TOwnerDrawState>> drawn;
    lb->OnDrawItem = [&](TWinControl* C, int Index, TRect R, TOwnerDrawState State) {
        drawn.emplace_back(Index, State);
        auto* box = static_cast<TListBox*>(C);
        box->Canvas()->Brush()->SetColor(Index == 2 ? clRed : box->Canvas()->Brush()->Color());
        box->Canvas()->FillRect(R);
    };
    Form->Show();
    EXPECT_EQ(lb->ItemHeight(), 20);
    QImage img = lb->Handle()->grab().toImage();
    auto* q = static_cast<QListWidget*>(lb->Handle());
    QRect r2 = q->visualItemRect(q->item(2));
    QPoint p2 = q->viewport()->mapTo(q, r2.center());
    EXPECT_EQ(img.pixelColor(p2), QColor(255, 0, 0));
    QRect r1 = q->visualItemRect(q->item(1));
    QPoint p1 = q->viewport()->mapTo(q, r1.center());
    EXPECT_EQ(img.pixelColor(p1), ColorToQColor(clHighlight));  // the selected item's brush
    bool sawSelected = false;
    for (auto& [i, s] : drawn)
        if (i == 1 && s.Contains(odSelected)) sawSelected = true;
    EXPECT_TRUE(sawSelected);
}

}  // namespace
