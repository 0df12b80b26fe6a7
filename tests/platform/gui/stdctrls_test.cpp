// Standard controls: edits, buttons, check and radio boxes, labels, panels, timers, and a form with
// all of them shown, driven and grabbed.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

namespace {

using sdelka::test::Wait;

using sdelka::test::Click;
using sdelka::test::SendKey;

class StdCtrlsTest : public ::testing::Test {
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
    T* Add(int L, int T_, int W, int H, TWinControl* Parent = nullptr) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Parent ? Parent : Form);
        return c;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

TEST_F(StdCtrlsTest, EditOnChangeFiresForCodeAndTypingWithOrWithoutWindow) {
    auto* e = Add<TEdit>(10, 10, 100, 21);
    QStringList changes;
    e->OnChange = [&](TObject*) { changes << e->Text(); };
    e->SetText(u"12"_S);       // no window yet
    e->SetText(u"12"_S);       // no change, no event
    EXPECT_EQ(changes, QStringList({"12"}));
    Form->Show();
    EXPECT_EQ(e->Text(), u"12"_S);
    e->SetText(u"12,5"_S);     // with a window
    static_cast<QLineEdit*>(e->Handle())->end(false);
    SendKey(e->Handle(), Qt::Key_0, Qt::NoModifier, u"0"_S);  // typed
    EXPECT_EQ(changes, QStringList({"12", "12,5", "12,50"}));
    EXPECT_TRUE(e->Modified());
}

TEST_F(StdCtrlsTest, EditMaxLengthSelectionAndReadOnly) {
    auto* e = Add<TEdit>(10, 10, 100, 21);
    e->SetMaxLength(5);
    e->SetText(u"Иванов И.И."_S);
    EXPECT_EQ(e->Text(), u"Ивано"_S);
    e->SetSelStart(1);
    e->SetSelLength(3);
    EXPECT_EQ(e->SelText(), u"ван"_S);
    e->SetSelText(u"ВАН"_S);
    EXPECT_EQ(e->Text(), u"ИВАНо"_S);
    Form->Show();  // the window takes over text and selection
    e->SelectAll();
    EXPECT_EQ(e->SelLength(), 5);
    e->SetSelStart(2);
    e->SetSelLength(2);
    EXPECT_EQ(e->SelText(), u"АН"_S);
    e->SetReadOnly(true);
    SendKey(e->Handle(), Qt::Key_X, Qt::NoModifier, u"x"_S);
    EXPECT_EQ(e->Text(), u"ИВАНо"_S);
    e->SetPasswordChar(u'*');
    EXPECT_EQ(static_cast<QLineEdit*>(e->Handle())->echoMode(), QLineEdit::Password);
}

TEST_F(StdCtrlsTest, CheckBoxCheckedByCodeOrMouseFiresOnClick) {
    auto* c = Add<TCheckBox>(10, 10, 100, 17);
    c->SetCaption(u"Выходной"_S);
    int clicks = 0;
    c->OnClick = [&](TObject*) { ++clicks; };
    c->SetChecked(true);
    c->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    Form->Show();
    EXPECT_TRUE(static_cast<QAbstractButton*>(c->Handle())->isChecked());
    Click(c->Handle());
    EXPECT_FALSE(c->Checked());
    EXPECT_EQ(clicks, 2);
    c->SetAllowGrayed(true);
    c->SetState(cbGrayed);
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(c->Checked());
}

TEST_F(StdCtrlsTest, RadioButtonsOfOneParentExcludeEachOther) {
    auto* p = Add<TPanel>(0, 0, 200, 100);
    auto* r1 = Add<TRadioButton>(5, 5, 100, 17, p);
    auto* r2 = Add<TRadioButton>(5, 25, 100, 17, p);
    auto* other = Add<TRadioButton>(5, 120, 100, 17);  // another group (the form)
    QStringList log;
    r1->OnClick = [&](TObject*) { log << "r1"; };
    r2->OnClick = [&](TObject*) { log << "r2"; };
    other->SetChecked(true);
    r1->SetChecked(true);
    r2->SetChecked(true);
    EXPECT_FALSE(r1->Checked());
    EXPECT_TRUE(other->Checked());
    Form->Show();
    Click(r1->Handle(), QPointF(7, 8));  // on the round box
    Click(r1->Handle(), QPointF(7, 8));  // a checked one stays checked and does not click again
    EXPECT_TRUE(r1->Checked());
    EXPECT_FALSE(r2->Checked());
    EXPECT_TRUE(static_cast<QAbstractButton*>(r1->Handle())->isChecked());
    EXPECT_FALSE(static_cast<QAbstractButton*>(r2->Handle())->isChecked());
    EXPECT_EQ(log, QStringList({"r1", "r2", "r1"}));
}

TEST_F(StdCtrlsTest, ButtonSetsTheFormsModalResult) {
    auto* b = Add<TButton>(10, 10, 75, 25);
    b->SetModalResult(mrYes);
    Resp.AnswerModal([&](TCustomForm*) { b->Click(); }, mrNo);
    EXPECT_EQ(Form->ShowModal(), mrYes);
}

TEST_F(StdCtrlsTest, LabelAutoSizesToItsText) {
    auto* l = Add<TLabel>(10, 10, 10, 10);
    l->Font()->SetName(u"Arial"_S);
    l->SetCaption(u"Работник"_S);
    int w1 = l->Width();
    EXPECT_GT(w1, 20);
    EXPECT_GT(l->Height(), 8);
    l->SetCaption(u"Работник цеха"_S);
    EXPECT_GT(l->Width(), w1);
    l->SetAlignment(taRightJustify);
    int right = l->Left() + l->Width();
    l->SetCaption(u"Р"_S);
    EXPECT_EQ(l->Left() + l->Width(), right);  // right-aligned labels keep their right edge
}

TEST_F(StdCtrlsTest, TimerFiresInModalLoopsAndItsExceptionsAreShown) {
    auto* t = New<TTimer>(Form);
    t->SetInterval(15);
    int ticks = 0;
    t->OnTimer = [&](TObject*) {
        ++ticks;
        if (ticks == 1) throw Exception(u"Сбой таймера"_S);
        if (ticks == 3) Form->SetModalResult(mrOk);
    };
    // Message boxes scripted, the modal loop real.
    struct TRealModal : TScriptedResponder {
        void ShowModal(TCustomForm* F) override { F->RunModalLoop(); }
    } real;
    SetResponder(&real);
    ASSERT_EQ(Form->ShowModal(), mrOk);
    SetResponder(&Resp);
    EXPECT_EQ(ticks, 3);
    ASSERT_EQ(real.MessageCount(), 1);
    EXPECT_EQ(real.LastCall().Text, u"Сбой таймера."_S);
    t->SetEnabled(false);
}

TEST_F(StdCtrlsTest, TimerHasAFloorAndMayFreeItselfWhenFiring) {
    auto* t = New<TTimer>(nullptr);
    t->SetInterval(1);
    int ticks = 0;
    t->OnTimer = [&](TObject*) { ++ticks; };
    QElapsedTimer clock;
    clock.start();
    Wait(100);
    qint64 elapsed = clock.elapsed();
    EXPECT_GT(ticks, 0);
    EXPECT_LE(ticks, elapsed / 10 + 1);
    t->OnTimer = [&](TObject*) {
        ++ticks;
        t->Free();
    };
    ticks = 0;
    Wait(50);
    EXPECT_EQ(ticks, 1);
}

TEST_F(StdCtrlsTest, FormWithControlsIsShownDrivenAndGrabbed) {
    Form->SetColor(clBtnFace);
    auto* panel = Add<TPanel>(0, 0, 320, 40);
    panel->SetAlign(alTop);
    panel->SetCaption(u"Табель"_S);
    auto* label = Add<TLabel>(10, 55, 60, 17);
    label->SetCaption(u"Количество:"_S);
    auto* edit = Add<TEdit>(100, 52, 120, 21);
    auto* check = Add<TCheckBox>(10, 85, 150, 17);
    check->SetCaption(u"Ночные"_S);
    auto* radio = Add<TRadioButton>(10, 110, 150, 17);
    radio->SetCaption(u"Подсобный рабочий"_S);
    auto* ok = Add<TButton>(150, 200, 75, 25);
    ok->SetCaption(u"Сохранить"_S);
    ok->SetDefault(true);
    int saved = 0;
    ok->OnClick = [&](TObject*) { ++saved; };
    Form->Show();

    SendKey(edit->Handle(), Qt::Key_4, Qt::NoModifier, u"4"_S);
    SendKey(edit->Handle(), Qt::Key_2, Qt::NoModifier, u"2"_S);
    Click(check->Handle(), QPointF(7, 8));
    Click(radio->Handle(), QPointF(7, 8));
    SendKey(edit->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    EXPECT_EQ(edit->Text(), u"42"_S);
    EXPECT_TRUE(check->Checked());
    EXPECT_TRUE(radio->Checked());
    EXPECT_EQ(saved, 1);

    QImage img = Form->Handle()->grab().toImage();
    ASSERT_EQ(img.size(), QSize(320, 240));
    img.save(QStringLiteral("/tmp/gui-c-form.png"));
    // The raised panel: highlight at its top-left, shadow at its bottom-right, face inside.
    EXPECT_EQ(QColorToColor(img.pixelColor(0, 0)), TColor(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(QColorToColor(img.pixelColor(319, 39)), TColor(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(QColorToColor(img.pixelColor(3, 20)), TColor(ColorToRGB(clBtnFace)));
    // The label painted dark text somewhere in its box.
    bool dark = false;
    for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
        for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
            if (img.pixelColor(x, y).lightness() < 100) dark = true;
    EXPECT_TRUE(dark);
}

}  // namespace
