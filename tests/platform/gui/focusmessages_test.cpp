// Entering and leaving a control: the form sends CM_ENTER/CM_EXIT, whose handlers call the virtual
// DoEnter/DoExit, so a descendant may refuse the exit in either (a validating edit), and a window
// procedure sees the messages.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QWidget>

namespace {

QStringList gFocusLog;

// Like a masked or data-aware edit: it checks its text when the focus leaves it.
class TCheckedEdit : public TEdit {
    SDELKA_CLASS(TCheckedEdit, TEdit)
protected:
    ~TCheckedEdit() override = default;

private:
public:
    using TEdit::TEdit;

protected:
    void DoEnter() override {
        gFocusLog << QStringLiteral("DoEnter %1").arg(Name());
        TEdit::DoEnter();
    }
    void DoExit() override {
        gFocusLog << QStringLiteral("DoExit %1").arg(Name());
        if (Text().isEmpty()) throw Exception(u"Поле %s должно быть заполнено"_S, {Name()});
        TEdit::DoExit();
    }
};

// Watches the messages in its window procedure; it can keep CM_ENTER from reaching DoEnter.
class TWatchingEdit : public TEdit {
    SDELKA_CLASS(TWatchingEdit, TEdit)
protected:
    ~TWatchingEdit() override = default;

private:
public:
    using TEdit::TEdit;
    bool SwallowEnter = false;

    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_ENTER) {
            gFocusLog << QStringLiteral("CM_ENTER %1").arg(Name());
            if (SwallowEnter) return;
        }
        if (Message.Msg == CM_EXIT) gFocusLog << QStringLiteral("CM_EXIT %1").arg(Name());
        TEdit::WndProc(Message);
    }
};

class FocusMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        gFocusLog.clear();
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 300, 200);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    template <class T>
    T* Add(const char* Name, int Top) {
        T* c = New<T>(Form);
        c->SetName(QString::fromLatin1(Name));
        c->SetText(u"x"_S);
        c->SetBounds(10, Top, 100, 21);
        c->SetParent(Form);
        c->OnEnter = [Name](TObject*) { gFocusLog << QStringLiteral("OnEnter %1").arg(QString::fromLatin1(Name)); };
        c->OnExit = [Name](TObject*) { gFocusLog << QStringLiteral("OnExit %1").arg(QString::fromLatin1(Name)); };
        return c;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

TEST_F(FocusMessagesTest, AnOverriddenDoExitRefusesAndTheFocusStays) {
    auto* checked = Add<TCheckedEdit>("Checked", 10);
    auto* other = Add<TEdit>("Other", 40);
    Form->Show();
    EXPECT_EQ(gFocusLog, QStringList({"DoEnter Checked", "OnEnter Checked"}));
    gFocusLog.clear();

    // Through the program: SetFocus raises and the focus stays.
    checked->SetText(String());
    try {
        other->SetFocus();
        ADD_FAILURE() << "the exit was not refused";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"Поле Checked должно быть заполнено"_S);
    }
    EXPECT_EQ(Form->ActiveControl(), checked);
    EXPECT_EQ(gFocusLog, QStringList({"DoExit Checked"}));

    // Through the user: a click into the other edit shows the message and the focus comes back.
    gFocusLog.clear();
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(other->Handle(), &in);
    EXPECT_EQ(Form->ActiveControl(), checked);
    ASSERT_EQ(Resp.MessageCount(), 1);
    EXPECT_EQ(Resp.LastCall().Text, u"Поле Checked должно быть заполнено."_S);

    // Filled in: it lets the focus go, and the inherited DoExit still runs OnExit.
    gFocusLog.clear();
    checked->SetText(u"12"_S);
    other->SetFocus();
    EXPECT_EQ(Form->ActiveControl(), other);
    EXPECT_EQ(gFocusLog, QStringList({"DoExit Checked", "OnExit Checked", "OnEnter Other"}));
}

TEST_F(FocusMessagesTest, TheFormSendsCmEnterAndCmExitThroughTheWindowProcedure) {
    auto* a = Add<TWatchingEdit>("A", 10);
    auto* b = Add<TWatchingEdit>("B", 40);
    Form->Show();
    gFocusLog.clear();
    b->SetFocus();
    EXPECT_EQ(gFocusLog, QStringList({"CM_EXIT A", "OnExit A", "CM_ENTER B", "OnEnter B"}));

    // Perform reaches the same handlers.
    gFocusLog.clear();
    a->Perform(CM_EXIT);
    EXPECT_EQ(gFocusLog, QStringList({"CM_EXIT A", "OnExit A"}));

    // A window procedure that keeps CM_ENTER keeps DoEnter (and OnEnter) from running.
    gFocusLog.clear();
    a->SwallowEnter = true;
    a->SetFocus();
    EXPECT_EQ(gFocusLog, QStringList({"CM_EXIT B", "OnExit B", "CM_ENTER A"}));
    EXPECT_EQ(Form->ActiveControl(), a);
}

}  // namespace
