// Speed buttons in groups, driven by the mouse, and bit buttons with a kind and an action.
#include "platform/gui/buttons.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

namespace {

class ButtonsTest : public ::testing::Test {
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
    // A left click at the centre of a graphic control, through its parent's window.
    void ClickAt(TControl* C) {
        QWidget* w = C->Parent()->Handle();
        QPointF p(C->Left() + C->Width() / 2.0, C->Top() + C->Height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &release);
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

TEST_F(ButtonsTest, SpeedButtonGroupWithAndWithoutAllowAllUp) {
    std::vector<TSpeedButton*> b;
    int clicks = 0;
    for (int i = 0; i < 3; ++i) {
        auto* s = New<TSpeedButton>(Form);
        s->SetBounds(10 + 30 * i, 10, 25, 25);
        s->SetParent(Form);
        s->SetGroupIndex(1);
        s->OnClick = [&](TObject*) { ++clicks; };
        b.push_back(s);
    }
    auto* lone = New<TSpeedButton>(Form);
    lone->SetBounds(200, 10, 25, 25);
    lone->SetParent(Form);
    Form->Show();

    ClickAt(b[0]);
    EXPECT_TRUE(b[0]->Down());
    ClickAt(b[1]);
    EXPECT_FALSE(b[0]->Down());
    EXPECT_TRUE(b[1]->Down());
    // Without AllowAllUp the last down button stays down, and the click still fires.
    ClickAt(b[1]);
    EXPECT_TRUE(b[1]->Down());
    EXPECT_EQ(clicks, 3);
    // AllowAllUp set on one is shared by the group: now the down button comes up.
    b[2]->SetAllowAllUp(true);
    EXPECT_TRUE(b[0]->AllowAllUp());
    ClickAt(b[1]);
    EXPECT_FALSE(b[1]->Down());
    EXPECT_FALSE(b[0]->Down() || b[2]->Down());
    // A button outside any group never stays down.
    ClickAt(lone);
    lone->SetDown(true);
    EXPECT_FALSE(lone->Down());
    // A disabled button does not react.
    b[0]->SetEnabled(false);
    ClickAt(b[0]);
    EXPECT_FALSE(b[0]->Down());
    EXPECT_EQ(clicks, 4);
}

TEST_F(ButtonsTest, SpeedButtonFollowsItsAction) {
    auto* act = New<TAction>(Form);
    act->SetCaption(u"Жирный"_S);
    act->SetGroupIndex(5);  // the button takes its group from the action
    int runs = 0;
    act->OnExecute = [&](TObject*) { ++runs; };
    auto* s = New<TSpeedButton>(Form);
    s->SetParent(Form);
    s->SetAction(act);
    EXPECT_EQ(s->Caption(), u"Жирный"_S);
    act->SetChecked(true);
    EXPECT_TRUE(s->Down());
    act->SetEnabled(false);
    EXPECT_FALSE(s->Enabled());
    act->SetEnabled(true);
    s->Click();
    EXPECT_EQ(runs, 1);
}

TEST_F(ButtonsTest, BitBtnKindsGiveCaptionResultAndDefaults) {
    struct Case {
        TBitBtnKind Kind;
        const char16_t* Caption;
        int Result;
        bool Default, Cancel;
    };
    const Case cases[] = {
        {bkOK, u"OK", mrOk, true, false},
        {bkCancel, u"Отмена", mrCancel, false, true},
        {bkYes, u"&Да", mrYes, true, false},
        {bkNo, u"&Нет", mrNo, false, true},
        {bkRetry, u"П&овторить", mrRetry, false, false},
    };
    for (const Case& c : cases) {
        auto* b = New<TBitBtn>(Form);
        b->SetKind(c.Kind);
        EXPECT_EQ(b->Caption(), QString::fromUtf16(c.Caption));
        EXPECT_EQ(b->ModalResult(), c.Result);
        EXPECT_EQ(b->Default(), c.Default);
        EXPECT_EQ(b->Cancel(), c.Cancel);
    }
}

TEST_F(ButtonsTest, BitBtnGlyphBecomesTheButtonIconWithItsTransparentColour) {
    auto* b = New<TBitBtn>(Form);
    b->SetParent(Form);
    TBitmap* g = New<TBitmap>();
    g->SetSize(16, 16);
    g->Canvas()->Brush()->SetColor(clFuchsia);
    g->Canvas()->FillRect(Rect(0, 0, 16, 16));
    g->Canvas()->Brush()->SetColor(clNavy);
    g->Canvas()->FillRect(Rect(4, 4, 12, 12));
    b->SetGlyph(g);
    g->Free();
    EXPECT_EQ(b->NumGlyphs(), 1);
    Form->Show();
    EXPECT_EQ(b->Glyph()->Width(), 16);
    EXPECT_FALSE(static_cast<QPushButton*>(b->Handle())->icon().isNull());
}

}  // namespace
