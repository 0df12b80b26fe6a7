// Actions: linked clients follow the action, the list's and the action's handlers, shortcuts of
// action lists, and the edit actions routed to the focused edit.
#include "platform/gui/actnlist.h"
#include "platform/gui/buttons.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

class ActnListTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
        List = New<TActionList>(Form);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    template <class T>
    T* NewAction() {
        T* a = New<T>(Form);
        a->SetActionList(List);
        return a;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TActionList* List = nullptr;
};

TEST_F(ActnListTest, EnablingAnActionEnablesEveryLinkedClient) {
    auto* act = NewAction<TAction>();
    act->SetCaption(u"Записать"_S);
    act->SetHint(u"Записать карточку"_S);
    int runs = 0;
    act->OnExecute = [&](TObject*) { ++runs; };
    auto* menu = New<TMainMenu>(Form);
    auto* item = New<TMenuItem>(Form);
    menu->Items()->Add(item);
    item->SetAction(act);
    auto* bit = New<TBitBtn>(Form);
    bit->SetParent(Form);
    bit->SetAction(act);
    auto* speed = New<TSpeedButton>(Form);
    speed->SetParent(Form);
    speed->SetAction(act);
    auto* tb = New<TToolBar>(Form);
    tb->SetParent(Form);
    auto* tool = New<TToolButton>(Form);
    tool->SetParent(tb);
    tool->SetAction(act);
    EXPECT_EQ(act->ClientCount(), 4);
    for (TControl* c : std::initializer_list<TControl*>{bit, speed, tool}) {
        EXPECT_EQ(c->Caption(), u"Записать"_S);
        EXPECT_EQ(c->Hint(), u"Записать карточку"_S);
    }
    act->SetEnabled(false);
    EXPECT_FALSE(item->Enabled());
    EXPECT_FALSE(bit->Enabled());
    EXPECT_FALSE(speed->Enabled());
    EXPECT_FALSE(tool->Enabled());
    act->SetVisible(false);
    EXPECT_FALSE(item->Visible());
    EXPECT_FALSE(tool->Visible());
    act->SetVisible(true);
    act->SetEnabled(true);
    EXPECT_TRUE(item->Enabled() && bit->Enabled() && speed->Enabled() && tool->Enabled());
    Form->Show();
    bit->Click();
    speed->Click();
    tool->Click();
    item->Click();
    EXPECT_EQ(runs, 4);
    // A client freed first leaves the action; the action freed first leaves its clients.
    speed->Free();
    EXPECT_EQ(act->ClientCount(), 3);
    act->Free();
    EXPECT_EQ(bit->Action(), nullptr);
    EXPECT_EQ(tool->Action(), nullptr);
    EXPECT_TRUE(bit->Enabled());
}

TEST_F(ActnListTest, UpdateRunsOnUpdateAndDisablesActionsNobodyHandles) {
    auto* withUpdate = NewAction<TAction>();
    bool allow = false;
    withUpdate->OnExecute = [](TObject*) {};
    withUpdate->OnUpdate = [&](TObject* s) { static_cast<TAction*>(s)->SetEnabled(allow); };
    auto* orphan = NewAction<TAction>();  // no handler at all
    auto* viaList = NewAction<TAction>();
    QStringList log;
    List->OnExecute = [&](TBasicAction* a, bool& handled) {
        if (a == viaList) {
            log << "list";
            handled = true;
        }
    };
    UpdateAllActions();
    EXPECT_FALSE(withUpdate->Enabled());
    EXPECT_FALSE(orphan->Enabled());
    allow = true;
    List->UpdateActions();
    EXPECT_TRUE(withUpdate->Enabled());
    // The list's OnExecute comes first and may take the action.
    viaList->SetDisableIfNoHandler(false);
    viaList->SetEnabled(true);  // the update before disabled it
    EXPECT_TRUE(viaList->Execute());
    EXPECT_EQ(log, QStringList({"list"}));
    EXPECT_FALSE(orphan->Execute());
}

TEST_F(ActnListTest, IdleUpdatesTheActionsOfShownFormsOnly) {
    auto* act = NewAction<TAction>();
    int updates = 0;
    act->OnUpdate = [&](TObject*) { ++updates; };
    auto wait = [] {
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    };
    wait();
    EXPECT_EQ(updates, 0) << "the form is hidden";
    Form->Show();
    wait();
    EXPECT_GT(updates, 0);
}

TEST_F(ActnListTest, ActionListShortCutRunsThroughTheFormKeysAndGroupsCheck) {
    auto* a = NewAction<TAction>();
    auto* b = NewAction<TAction>();
    int runs = 0;
    for (TAction* x : {a, b}) {
        x->SetGroupIndex(3);
        x->SetAutoCheck(true);
        x->OnExecute = [&](TObject*) { ++runs; };
    }
    a->SetShortCut(ShortCut(VK_F5, {}));
    auto* edit = New<TEdit>(Form);
    edit->SetParent(Form);
    Form->Show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(edit->Handle(), &press);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(a->Checked());
    b->Execute();
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked()) << "one checked action per group";
    // A disabled action lets its key go on to the control.
    a->SetEnabled(false);
    Word seen = 0;
    edit->OnKeyDown = [&](TObject*, Word& k, TShiftState) { seen = k; };
    QKeyEvent again(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(edit->Handle(), &again);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(seen, VK_F5);
}

TEST_F(ActnListTest, EditActionsWorkOnTheFocusedEdit) {
    auto* copy = NewAction<TEditCopy>();
    auto* cut = NewAction<TEditCut>();
    auto* paste = NewAction<TEditPaste>();
    auto* selectAll = NewAction<TEditSelectAll>();
    auto* del = NewAction<TEditDelete>();
    auto* edit = New<TEdit>(Form);
    edit->SetBounds(10, 10, 100, 21);
    edit->SetParent(Form);
    auto* other = New<TEdit>(Form);
    other->SetBounds(10, 40, 100, 21);
    other->SetParent(Form);
    edit->SetText(u"наряд 15"_S);
    Form->Show();
    Form->SetActiveControl(edit);
    ASSERT_EQ(Screen->ActiveForm(), Form);
    ASSERT_EQ(Screen->ActiveControl(), edit);

    edit->SetSelStart(0);
    edit->SetSelLength(0);
    UpdateAllActions();
    EXPECT_FALSE(copy->Enabled()) << "nothing selected";
    EXPECT_FALSE(cut->Enabled());
    EXPECT_TRUE(selectAll->Enabled());
    selectAll->Execute();
    EXPECT_EQ(edit->SelText(), u"наряд 15"_S);
    UpdateAllActions();
    EXPECT_TRUE(copy->Enabled());
    EXPECT_FALSE(selectAll->Enabled()) << "all selected already";
    QGuiApplication::clipboard()->clear();
    copy->Execute();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"наряд 15"_S);
    edit->SetSelStart(0);
    edit->SetSelLength(6);
    cut->Execute();
    EXPECT_EQ(edit->Text(), u"15"_S);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"наряд "_S);
    static_cast<QLineEdit*>(edit->Handle())->end(false);
    UpdateAllActions();
    EXPECT_TRUE(paste->Enabled());
    paste->Execute();
    EXPECT_EQ(edit->Text(), u"15наряд "_S);
    edit->SetSelStart(0);
    edit->SetSelLength(2);
    del->Execute();
    EXPECT_EQ(edit->Text(), u"наряд "_S);
    // A read-only edit: copy yes, cut and paste no.
    edit->SetReadOnly(true);
    edit->SetSelStart(0);
    edit->SetSelLength(3);
    UpdateAllActions();
    EXPECT_TRUE(copy->Enabled());
    EXPECT_FALSE(cut->Enabled());
    EXPECT_FALSE(paste->Enabled());
    // Bound to another control, the action does not touch the focused one.
    copy->SetControl(other);
    UpdateAllActions();
    EXPECT_FALSE(copy->Enabled());
    other->Free();
    EXPECT_EQ(copy->Control(), nullptr);
    // No focused edit: the edit actions are disabled.
    copy->SetControl(nullptr);
    auto* button = New<TButton>(Form);
    button->SetParent(Form);
    Form->SetActiveControl(button);
    UpdateAllActions();
    EXPECT_FALSE(copy->Enabled());
    EXPECT_FALSE(selectAll->Enabled());
}

}  // namespace
