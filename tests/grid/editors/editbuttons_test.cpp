// The edit's buttons over an in-memory dataset: their row at the right edge, which buttons take
// the default action, what a press and a click of each style run (the shared memo window as a
// drop-down and as a dialog, a drop-down menu, the editor's and the buttons' own events, short
// cuts), the buttons of a flat editor, and the edit hosted in place by a grid.
#include "grid/base/listboxvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/editors/dbeditvz.h"
#include "grid/editors/memoeditwinvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/memo.h"
#include "platform/gui/menus.h"
#include "platform/testing/scriptedresponder.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include "platform/rtl/dateutils.h"

#include <QLineEdit>

#include <cmath>

namespace {

using namespace sdelka::test;

class EditButtons : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 320, 140);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Name"_S, ftString, 40);
        T->CreateDataSet();
        T->AppendRecord({Variant(u"Иванов"_S)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Ed = New<TDBEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 200, 24);
        Ed->SetDataSource(Src);
        Ed->SetDataField(u"Name"_S);
        Form->Show();
        Ed->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        if (TMemoEditWinVz::Shared()->Visible()) TMemoEditWinVz::Shared()->Close();
        FreeAndNil(Form);
        Application->ProcessMessages();
        SetResponder(nullptr);
    }
    TEditButtonControlVz* Control(TEditButtonVz* B) { return Ed->GetEditButtonControlByEditButton(B); }
    // Presses and releases the button's control with the mouse.
    void ClickButton(TEditButtonVz* B) {
        TEditButtonControlVz* c = Control(B);
        ASSERT_NE(c, nullptr);
        Click(Ed->ButtonsBox()->Handle(), QPointF(c->Left() + c->Width() / 2, c->Top() + c->Height() / 2));
        Application->ProcessMessages();
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBEditVz* Ed = nullptr;
};

TEST_F(EditButtons, TheRowStandsAtTheRightEdgeAndTheTextEndsBeforeIt) {
    auto* line = qobject_cast<QLineEdit*>(Ed->Handle());
    EXPECT_FALSE(Ed->ButtonsBox()->Visible());  // the main button is hidden by default
    EXPECT_EQ(line->textMargins().right(), 0);

    Ed->EditButton()->SetVisible(true);
    TEditButtonVz* second = Ed->EditButtons()->Add();
    second->SetWidth(20);
    TEditButtonVz* hidden = Ed->EditButtons()->Add();
    hidden->SetVisible(false);
    const int scroll = GetSystemMetrics(SM_CXVSCROLL);
    TEditButtonsBoxVz* box = Ed->ButtonsBox();
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(box->ButtonsCount(), 3);
    EXPECT_EQ(box->ButtonsWidth(), scroll + 20);
    const int h = Ed->Height() - 4;  // within the frame
    EXPECT_EQ(box->BoundsRect(), TRect(200 - 2 - scroll - 20, 2, 198, 2 + h));
    EXPECT_EQ(Control(Ed->EditButton())->BoundsRect(), TRect(0, 0, scroll, h));
    EXPECT_EQ(Control(second)->BoundsRect(), TRect(scroll, 0, scroll + 20, h));
    EXPECT_EQ(Control(hidden)->Width(), 0);
    EXPECT_EQ(line->textMargins().right(), scroll + 20);
    EXPECT_EQ(Ed->EditRect().Right, box->Left());

    // A flat row: buttons of the flat width, each followed by a one-pixel line, less the last one.
    second->SetWidth(0);
    Ed->SetFlat(true);
    const int flat = FlatEditButtonWidthVz();
    EXPECT_EQ(box->ButtonsWidth(), 2 * (flat + 1) - 1);
    EXPECT_EQ(Control(second)->Left(), flat + 1);

    // Removing the buttons hides the row again.
    Ed->EditButtons()->Clear();
    Ed->EditButton()->SetVisible(false);
    EXPECT_FALSE(box->Visible());
    EXPECT_EQ(box->ButtonsCount(), 1);
}

TEST_F(EditButtons, DefaultActionGoesToButtonsWithoutAHandlerOfTheirOwn) {
    TEditButtonVz* withClick = Ed->EditButtons()->Add();
    withClick->OnClick = [](TObject*, bool&) {};
    TEditButtonVz* plain = Ed->EditButtons()->Add();
    Ed->UpdateEditButtonsState();
    EXPECT_FALSE(withClick->DefaultAction());
    EXPECT_TRUE(plain->DefaultAction());
    EXPECT_FALSE(Ed->EditButton()->DefaultAction());  // hidden main button
    EXPECT_EQ(Ed->GetFirstDefaultActionEditButton(), plain);
    Ed->EditButton()->SetVisible(true);
    Ed->UpdateEditButtonsState();
    EXPECT_EQ(Ed->GetFirstDefaultActionEditButton(), Ed->EditButton());
    plain->SetDefaultAction(false);  // given explicitly, it wins
    Ed->UpdateEditButtonsState();
    EXPECT_FALSE(plain->DefaultAction());
}

TEST_F(EditButtons, DropDownButtonOpensTheMemoWindowAndOkWritesTheText) {
    Ed->EditButton()->SetVisible(true);
    ClickButton(Ed->EditButton());
    TMemoEditWinVz* memo = TMemoEditWinVz::Shared();
    ASSERT_TRUE(memo->Visible());
    EXPECT_EQ(memo->Memo1()->Text(), u"Иванов"_S);
    EXPECT_TRUE(Control(Ed->EditButton())->AlwaysDown());  // held down while the form is open
    memo->Memo1()->SetText(u"Иванов-Петров"_S);
    memo->sbOk()->Click();
    Application->ProcessMessages();
    EXPECT_FALSE(memo->Visible());
    EXPECT_FALSE(Control(Ed->EditButton())->AlwaysDown());
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Иванов-Петров"_S);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(Ed->Text(), u"Иванов-Петров"_S);

    // Cancel leaves the record as it was.
    ClickButton(Ed->EditButton());
    ASSERT_TRUE(memo->Visible());
    memo->Memo1()->SetText(u"другое"_S);
    memo->sbCancel()->Click();
    Application->ProcessMessages();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Иванов-Петров"_S);
}

TEST_F(EditButtons, EllipsisButtonEditsTheTextInTheMemoDialog) {
    Ed->EditButton()->SetVisible(true);
    Ed->EditButton()->SetStyle(ebsEllipsisVz);
    String seen;
    Resp.AnswerModal([&](TCustomForm* F) {
        auto* memo = static_cast<TMemoEditWinVz*>(F);
        seen = memo->Memo1()->Text();
        memo->Memo1()->SetText(u"Сидоров"_S);
        memo->SetModalResult(mrOk);
    });
    ClickButton(Ed->EditButton());
    EXPECT_EQ(seen, u"Иванов"_S);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Сидоров"_S);

    Resp.AnswerModal([&](TCustomForm* F) { static_cast<TMemoEditWinVz*>(F)->Memo1()->SetText(u"x"_S); }, mrCancel);
    ClickButton(Ed->EditButton());
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Сидоров"_S);
}

TEST_F(EditButtons, EventsRunBeforeTheDefaultActionAndCanTakeItOver) {
    Ed->EditButton()->SetVisible(true);
    Ed->EditButton()->SetStyle(ebsGlyphVz);
    std::vector<std::string> calls;
    Ed->OnButtonDown = [&](TObject*, bool, bool&, bool&) { calls.push_back("editor down"); };
    Ed->OnButtonClick = [&](TObject*, bool& Handled) {
        calls.push_back("editor click");
        Handled = true;  // no memo dialog
    };
    TEditButtonVz* second = Ed->EditButtons()->Add();
    second->OnDown = [&](TObject*, bool, bool&, bool&) { calls.push_back("second down"); };
    second->OnClick = [&](TObject*, bool& Handled) {
        calls.push_back("second click");
        Handled = true;
    };
    Ed->UpdateEditButtonsState();  // as after loading: a button with handlers has no default action
    EXPECT_FALSE(second->DefaultAction());
    ClickButton(Ed->EditButton());
    ClickButton(second);
    EXPECT_EQ(calls, (std::vector<std::string>{"editor down", "editor click", "second down", "second click"}));
    EXPECT_EQ(Resp.CallCount(), 0);

    // A short cut presses and clicks its button, visible or not.
    calls.clear();
    second->SetShortCut(ShortCut(VK_F4, {}));
    SendKeyToWindow(Ed->Handle(), Qt::Key_F4);
    EXPECT_EQ(calls, (std::vector<std::string>{"second down", "second click"}));
}

TEST_F(EditButtons, DropDownMenuOpensUnderTheButtonWhichDoesNotStayDown) {
    auto* menu = New<TPopupMenu>(Form);
    TMenuItem* item = New<TMenuItem>(menu);
    item->SetCaption(u"Очистить"_S);
    menu->Items()->Add(item);
    bool clicked = false;
    item->OnClick = [&](TObject*) { clicked = true; };
    TEditButtonVz* b = Ed->EditButtons()->Add();
    b->SetDropdownMenu(menu);
    TPoint at(-1, -1);
    TPopupMenuHook old = TPopupMenu::SetPopupHook([&](TCustomPopupMenu*, int X, int Y) {
        at = TPoint(X, Y);
        return item;
    });
    ClickButton(b);
    TPopupMenu::SetPopupHook(old);
    TEditButtonControlVz* c = Control(b);
    EXPECT_EQ(at, c->ClientToScreen(TPoint(0, c->Height())));
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(c->IsPressed());
    EXPECT_EQ(Resp.CallCount(), 0);  // no memo dialog either
}

}  // namespace

namespace {

// A grid stand-in: it sees the editor's keys and messages first and may let it write.
class TTestHolder : public TCustomControl, public IInplaceEditHolderVz {
    SDELKA_CLASS(TTestHolder, TCustomControl)
protected:
    explicit TTestHolder(TComponent* AOwner) : TCustomControl(AOwner) {}
    ~TTestHolder() override = default;

public:
    std::vector<std::string> Seen;
    Word EatKey = 0;
    bool CanModify = false;
    UINT AnswerMessage = 0;

    bool CheckEditorCanModify(TWinControl*) override { return CanModify; }
    TPoint DownPos;
    unsigned DownTime = 0;
    void TakeMouseDownPoint(TPoint& Pos, unsigned& Time) override {
        Pos = DownPos;
        Time = DownTime;
        DownTime = 0;
    }
    void HandleEditorMessage(TWinControl*, TMessage& Message) override {
        if (AnswerMessage && Message.Msg == AnswerMessage) {
            Seen.push_back("message");
            Message.Result = 1;
        }
    }
    void HandleEditorKeyDown(TWinControl*, Word& Key, TShiftState) override {
        Seen.push_back("down " + std::to_string(Key));
        if (Key == EatKey) Key = 0;
    }
    void HandleEditorKeyPress(TWinControl*, Char& Key) override {
        Seen.push_back("press " + QString(Key).toStdString());
    }
    void HandleEditorKeyUp(TWinControl*, Word& Key, TShiftState) override {
        Seen.push_back("up " + std::to_string(Key));
    }
};

TEST(InplaceEdit, TheHolderSeesKeysFirstAndPlacesTheEditor) {
    TForm* form = New<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* holder = New<TTestHolder>(form);
    holder->SetParent(form);
    holder->SetBounds(0, 0, 300, 200);
    TDBEditVz* ed = New<TDBEditVz>(form);
    ed->SetParent(holder);
    EXPECT_THROW(ed->SetInplaceEditHolder(form), Exception);  // a form is no holder
    EXPECT_FALSE(ed->InplaceMode());
    ed->SetInplaceEditHolder(holder);
    EXPECT_TRUE(ed->InplaceMode());
    ed->SetBorderStyle(bsNone);
    form->Show();
    holder->SetFocus();
    Application->ProcessMessages();

    ed->Move(TRect(20, 30, 120, 48));  // shows over the cell and takes the holder's focus
    EXPECT_TRUE(ed->Visible());
    EXPECT_EQ(ed->BoundsRect(), TRect(20, 30, 120, 48));
    EXPECT_TRUE(ed->TWinControl::Focused());

    ed->SetReadOnly(false);
    SendKeyToWindow(ed->Handle(), 0, Qt::NoModifier, u"ж"_S);
    EXPECT_EQ(ed->Text(), u"ж"_S);
    holder->EatKey = VK_LEFT;
    holder->Seen.clear();
    SendKeyToWindow(ed->Handle(), Qt::Key_Left);
    EXPECT_EQ(holder->Seen, (std::vector<std::string>{"down 37", "up 37"}));
    EXPECT_EQ(qobject_cast<QLineEdit*>(ed->Handle())->cursorPosition(), 1);  // the grid took the key

    holder->AnswerMessage = WM_USER + 7;  // a message the holder answers goes no further
    holder->Seen.clear();
    ed->Perform(WM_USER + 7, 0, 0);
    EXPECT_EQ(holder->Seen, std::vector<std::string>{"message"});

    // A press right after the grid's own press on the cell is a double click: it selects a word.
    ed->SetText(u"два слова"_S);
    const TPoint at = ed->ClientToScreen(TPoint(10, 9));
    holder->DownPos = at;
    holder->DownTime = static_cast<unsigned>(std::fmod(Now() * 86400000.0, 4294967296.0));
    Click(ed->Handle(), QPointF(10, 9));
    EXPECT_EQ(qobject_cast<QLineEdit*>(ed->Handle())->selectedText().trimmed(), u"два"_S);
    EXPECT_EQ(holder->DownTime, 0u);  // taken
    Click(ed->Handle(), QPointF(10, 9));  // no grid press before it: an ordinary click
    EXPECT_FALSE(qobject_cast<QLineEdit*>(ed->Handle())->hasSelectedText());

    ed->Move(TRect());  // an empty place hides it and the focus goes back to the grid
    EXPECT_FALSE(ed->Visible());
    EXPECT_TRUE(holder->TWinControl::Focused());
    FreeAndNil(form);
}

TEST(InplaceEdit, TheHolderMayLetAReadOnlyLinkWrite) {
    TForm* form = New<TForm>(nullptr);
    auto* holder = New<TTestHolder>(form);
    holder->SetParent(form);
    TMemTableVz* t = New<TMemTableVz>(form);
    t->FieldDefs()->Add(u"Name"_S, ftString, 10);
    t->CreateDataSet();
    t->AppendRecord({Variant(u"a"_S)});
    TDataSource* src = New<TDataSource>(form);
    src->SetDataSet(t);
    TDBEditVz* ed = New<TDBEditVz>(form);
    ed->SetParent(holder);
    ed->SetDataSource(src);
    ed->SetDataField(u"Name"_S);
    ed->HandleNeeded();
    auto* line = qobject_cast<QLineEdit*>(ed->Handle());
    EXPECT_TRUE(line->isReadOnly());  // browsing: the link is not editing
    holder->CanModify = true;
    ed->SetInplaceEditHolder(holder);
    EXPECT_FALSE(line->isReadOnly());
    FreeAndNil(form);
}

}  // namespace
