// Key translation and the posted-message queue.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <thread>
#include <vector>

namespace {

struct KeyCase {
    int QtKey;
    unsigned Modifiers;
    const char16_t* Text;
    Word VK;
    int Ch;  // 0: no KeyPress
};

TEST(KeyTranslation, VirtualKeyAndCharacterFollowKeyAndModifiers) {
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, none = Qt::NoModifier;
    const KeyCase cases[] = {
        {Qt::Key_Return, none, u"\r", VK_RETURN, 13},
        {Qt::Key_Enter, Qt::KeypadModifier, u"\r", VK_RETURN, 13},
        {Qt::Key_Escape, none, u"\x1b", VK_ESCAPE, 27},
        {Qt::Key_Backspace, none, u"\b", VK_BACK, 8},
        {Qt::Key_Tab, none, u"\t", VK_TAB, 9},
        {Qt::Key_Backtab, shift, u"", VK_TAB, 9},
        {Qt::Key_A, none, u"a", 'A', 'a'},
        {Qt::Key_A, shift, u"A", 'A', 'A'},
        {Qt::Key_A, ctrl, u"", 'A', 1},
        {Qt::Key_Z, ctrl, u"\x1a", 'Z', 26},
        {Qt::Key_C, ctrl | shift, u"", 'C', 3},
        {Qt::Key_5, none, u"5", '5', '5'},
        {Qt::Key_Exclam, shift, u"!", '1', '!'},
        {Qt::Key_5, Qt::KeypadModifier, u"5", VK_NUMPAD0 + 5, '5'},
        {Qt::Key_Minus, Qt::KeypadModifier, u"-", VK_SUBTRACT, '-'},
        {Qt::Key_Comma, none, u",", VK_OEM_COMMA, ','},
        {0x419 /* Й */, none, u"й", 'Q', 0x439},
        {0x42E /* Ю */, shift, u"Ю", VK_OEM_PERIOD, 0x42E},
        {0x419 /* Й */, ctrl, u"", 'Q', 17},  // control characters follow the physical key
        {Qt::Key_Left, none, u"", VK_LEFT, 0},
        {Qt::Key_F5, none, u"", VK_F1 + 4, 0},
        {Qt::Key_Delete, none, u"\x7f", VK_DELETE, 0},
        {Qt::Key_A, Qt::AltModifier, u"a", 'A', 0},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(QString::number(c.QtKey, 16).toStdString());
        EXPECT_EQ(QtKeyToVirtualKey(c.QtKey, c.Modifiers), c.VK);
        TShiftState s = QtToShiftState(c.Modifiers, 0);
        EXPECT_EQ(KeyToChar(c.QtKey, s, QString::fromUtf16(c.Text)).unicode(), c.Ch);
    }
}

TEST(KeyTranslation, ShiftStateOfModifiersAndButtons) {
    TShiftState s = QtToShiftState(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton | Qt::MiddleButton);
    EXPECT_EQ(s, (TShiftState{ssShift, ssCtrl, ssLeft, ssMiddle}));
    EXPECT_TRUE(QtToShiftState(Qt::AltModifier, Qt::RightButton) == (TShiftState{ssAlt, ssRight}));
}

// A window that records the user messages it receives.
class TRecorder : public TWinControl {
    SDELKA_CLASS(TRecorder, TWinControl)
protected:
    ~TRecorder() override = default;

private:
public:
    using TWinControl::TWinControl;
    std::vector<std::pair<UINT, WPARAM>> Got;
    bool ThrowOnMessage = false;
    void WndProc(TMessage& M) override {
        if (M.Msg >= WM_USER && M.Msg < WM_APP) {
            Got.emplace_back(M.Msg, M.WParam);
            M.Result = 42;
            if (ThrowOnMessage) throw Exception(u"Сбой обработчика"_S);
            return;
        }
        TWinControl::WndProc(M);
    }
};

class PostedMessages : public ::testing::Test {
protected:
    void SetUp() override {
        W = New<TRecorder>(nullptr);
        W->HandleNeeded();
        DrainQueue();
    }
    void TearDown() override {
        FreeAndNil(W);
        DrainQueue();
    }
    static void DrainQueue() {
        TMsg m;
        while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
        }
        QCoreApplication::processEvents();
    }
    TRecorder* W = nullptr;
};

TEST_F(PostedMessages, SendIsSynchronousAndPostIsQueuedInOrder) {
    EXPECT_EQ(SendMessage(W->Handle(), WM_USER + 1, 7, 0), 42);
    ASSERT_EQ(W->Got.size(), 1u);
    W->Got.clear();

    EXPECT_TRUE(PostMessage(W->Handle(), WM_USER + 1, 1, 0));
    EXPECT_TRUE(PostMessage(W->Handle(), WM_USER + 2, 2, 0));
    EXPECT_TRUE(W->Got.empty());
    EXPECT_EQ(PostedMessageCount(), 2);
    Application->ProcessMessages();
    ASSERT_EQ(W->Got.size(), 2u);
    EXPECT_EQ(W->Got[0], std::make_pair(WM_USER + 1, WPARAM(1)));
    EXPECT_EQ(W->Got[1], std::make_pair(WM_USER + 2, WPARAM(2)));
    EXPECT_EQ(PostedMessageCount(), 0);
}

TEST_F(PostedMessages, PeekAndPurgeByMessageNumber) {
    PostMessage(W->Handle(), WM_USER + 1, 1, 0);
    PostMessage(W->Handle(), WM_USER + 5, 2, 0);
    PostMessage(W->Handle(), WM_USER + 1, 3, 0);

    TMsg m;
    EXPECT_TRUE(PeekMessage(m, W->Handle(), WM_USER + 5, WM_USER + 5, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_EQ(PostedMessageCount(), 3);
    EXPECT_FALSE(PeekMessage(m, W->Handle(), WM_USER + 2, WM_USER + 4, PM_REMOVE));

    EXPECT_EQ(PurgeMessages(WM_USER + 1), 2);
    Application->ProcessMessages();
    ASSERT_EQ(W->Got.size(), 1u);
    EXPECT_EQ(W->Got[0].first, WM_USER + 5);
}

TEST_F(PostedMessages, PostFromOtherThreadsIsDeliveredOnTheUiThread) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([h = W->Handle(), t] {
            for (int i = 0; i < 50; ++i) PostMessage(h, WM_USER + 1, static_cast<WPARAM>(t * 100 + i), 0);
        });
    for (auto& t : threads) t.join();
    Application->ProcessMessages();
    ASSERT_EQ(W->Got.size(), 200u);
    // Each thread's messages keep their order.
    std::vector<int> last(4, -1);
    for (auto& [msg, w] : W->Got) {
        int t = static_cast<int>(w) / 100, i = static_cast<int>(w) % 100;
        EXPECT_GT(i, last[static_cast<size_t>(t)]);
        last[static_cast<size_t>(t)] = i;
    }
}

TEST_F(PostedMessages, MessagesForAGoneWindowAreDropped) {
    HWND h = W->Handle();
    PostMessage(h, WM_USER + 1, 1, 0);
    FreeAndNil(W);
    EXPECT_EQ(PostedMessageCount(), 0);
    EXPECT_FALSE(PostMessage(h, WM_USER + 1, 2, 0));
    EXPECT_EQ(FindControl(h), nullptr);
    Application->ProcessMessages();  // nothing is delivered to freed memory
}

TEST_F(PostedMessages, RecreatedWindowDoesNotReceiveMessagesOfTheOldOne) {
    HWND h = W->Handle();
    PostMessage(h, WM_USER + 1, 1, 0);
    W->RecreateWnd();
    Application->ProcessMessages();
    EXPECT_TRUE(W->Got.empty());
}

TEST_F(PostedMessages, ExceptionInAPostedMessageGoesToTheResponder) {
    TScriptedResponder r;
    TResponderScope scope(&r);
    W->ThrowOnMessage = true;
    PostMessage(W->Handle(), WM_USER + 1, 1, 0);
    PostMessage(W->Handle(), WM_USER + 2, 2, 0);
    Application->ProcessMessages();
    EXPECT_EQ(W->Got.size(), 2u);  // the loop went on
    ASSERT_EQ(r.MessageCount(), 2);
    EXPECT_EQ(r.Calls()[0].Text, u"Сбой обработчика."_S);
    EXPECT_EQ(r.Calls()[0].DlgType, mtError);
}

}  // namespace
