// The hint window and the hint manager: measuring, showing after the pause over a control (or its
// parent) with ShowHint, CM_HINTSHOW adjusting or refusing, hiding on a click.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/hints.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

namespace {

using sdelka::test::Wait;

void MoveMouse(QWidget* W, QPointF P) {
    QMouseEvent e(QEvent::MouseMove, P, W->mapToGlobal(P), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(W, &e);
}

// A panel that answers CM_HINTSHOW: it names the spot under the mouse, or refuses on the left.
class THintPanel : public TPanel {
    SDELKA_CLASS(THintPanel, TPanel)
protected:
    using TPanel::TPanel;
    ~THintPanel() override = default;

public:
    int Asked = 0;

protected:
    void CMHintShow(TMessage& Message) override {
        ++Asked;
        auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
        if (info->CursorPos.X < 20) {
            Message.Result = 1;
            return;
        }
        info->HintStr = QStringLiteral("x=%1").arg(info->CursorPos.X);
    }
};

class HintsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        OldPause = Application->HintPause();
        Application->SetHintPause(20);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
    }
    void TearDown() override {
        CancelHint();
        FreeAndNil(Form);
        Application->SetHintPause(OldPause);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    int OldPause = 500;
};

TEST_F(HintsTest, CalcHintRectMeasuresAndWraps) {
    THintWindow* hw = HintWindow();
    TRect one = hw->CalcHintRect(300, u"Сохранить"_S);
    TMeasureDC dc(96);
    dc.SelectFont(hw->Font()->LogFont());
    TSize ext = dc.GetTextExtent(u"Сохранить"_S);
    EXPECT_EQ(one, Rect(0, 0, ext.cx + 6, ext.cy + 2));
    TRect wrapped = hw->CalcHintRect(80, u"Сохранить изменения в карточке работника"_S);
    EXPECT_LE(wrapped.Width(), 80 + 6);
    EXPECT_GE(wrapped.Height(), 3 * ext.cy);
    EXPECT_EQ(GetShortHint(u"Печать|Печать отчёта"_S), u"Печать"_S);
    EXPECT_EQ(GetLongHint(u"Печать|Печать отчёта"_S), u"Печать отчёта"_S);
    EXPECT_EQ(GetLongHint(u"Печать"_S), u"Печать"_S);
}

TEST_F(HintsTest, HintShowsAfterThePauseOverAControlOrItsParentAndHidesOnClick) {
    auto* panel = New<TPanel>(Form);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetParent(Form);
    panel->SetHint(u"Панель|Подробно"_S);
    panel->SetShowHint(true);
    auto* label = New<TLabel>(Form);  // a graphic child without ShowHint: the panel's hint shows
    label->SetBounds(10, 10, 50, 15);
    label->SetParent(panel);
    auto* other = New<TPanel>(Form);
    other->SetBounds(0, 120, 200, 100);
    other->SetParent(Form);
    other->SetHint(u"Без подсказки"_S);
    Form->Show();

    MoveMouse(panel->Handle(), QPointF(20, 15));
    EXPECT_FALSE(HintWindow()->IsHintShowing()) << "not before the pause";
    Wait(80);
    ASSERT_TRUE(HintWindow()->IsHintShowing());
    EXPECT_EQ(HintWindow()->Caption(), u"Панель"_S);
    EXPECT_EQ(HintWindow()->Color(), clInfoBk);
    // A click hides it.
    QPointF p(20, 15);
    QMouseEvent press(QEvent::MouseButtonPress, p, panel->Handle()->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(panel->Handle(), &press);
    EXPECT_FALSE(HintWindow()->IsHintShowing());
    // A control with ShowHint off (and no parent with it) shows nothing.
    MoveMouse(other->Handle(), QPointF(20, 20));
    Wait(80);
    EXPECT_FALSE(HintWindow()->IsHintShowing());
}

TEST_F(HintsTest, ControlAdjustsOrRefusesItsHintThroughCMHintShow) {
    auto* panel = New<THintPanel>(Form);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetParent(Form);
    panel->SetHint(u"Исходная"_S);
    panel->SetShowHint(true);
    Form->Show();
    MoveMouse(panel->Handle(), QPointF(50, 10));
    Wait(80);
    ASSERT_TRUE(HintWindow()->IsHintShowing());
    EXPECT_EQ(HintWindow()->Caption(), u"x=50"_S);
    CancelHint();
    EXPECT_FALSE(HintWindow()->IsHintShowing());
    MoveMouse(panel->Handle(), QPointF(5, 10));
    Wait(80);
    EXPECT_EQ(panel->Asked, 2);
    EXPECT_FALSE(HintWindow()->IsHintShowing());
}

}  // namespace
