// The calculator's state machine through its keys and buttons, and the popup calculator closing
// on Enter only when no operation is pending.
#include "grid/base/buttonsvz.h"
#include "grid/base/vizevmanagervz.h"
#include "grid/editors/calculatorvz.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QWidget>

namespace {

class Calculator : public ::testing::Test {
protected:
    void SetUp() override {
        FormatSettings.DecimalSeparator = u',';
        form = New<TForm>(nullptr);
        calc = New<TCalculatorVz>(form);
        calc->SetParent(form);
    }
    void TearDown() override { form->Free(); }

    // Each character is one key: '\r' Enter, '\x1b' Esc, '\b' Backspace.
    String Keys(const char16_t* Keys) {
        for (const char16_t* k = Keys; *k; ++k) calc->ProcessKey(Char(*k));
        return calc->DisplayText();
    }

    TForm* form = nullptr;
    TCalculatorVz* calc = nullptr;
};

TEST_F(Calculator, KeySequencesGiveTheDisplay) {
    struct Case {
        const char16_t* Keys;
        const char16_t* Display;
    } cases[] = {
        {u"2+3=", u"5"},
        {u"200+10%", u"220"},       // a percentage of the left operand
        {u"50*10%", u"5"},          // a percentage as a factor
        {u"200-10%", u"180"},
        {u"50/10%", u"500"},
        {u"2+3*4=", u"20"},         // no precedence: each operator applies the pending one
        {u"7\r", u"7"},
        {u"9s", u"3"},              // keys are upper-cased
        {u"4is", u"Error"},         // the root of a negative number
        {u"4r", u"0,25"},
        {u"0r", u"Error"},
        {u"1/0=", u"Error"},
        {u"1..5", u"1,5"},          // one separator only
        {u",5", u"0,5"},
        {u"1234567890123456", u"123456789012345"},  // fifteen digits at most
        {u"5i", u"-5"},
        {u"5i\b", u"0"},            // Backspace on "-5"
        {u"12\b", u"1"},
        {u"5\b", u"0"},
        {u"5+3\x1b", u"0"},
        {u"0007", u"7"},
        {u"1/3=", u"0,333333333333333"},
        {u"1/3=*3=", u"0,999999999999999"},  // the display holds 15 digits
    };
    for (const Case& c : cases) {
        calc->ProcessKey(Char(u'C'));
        EXPECT_EQ(Keys(c.Keys), String::fromUtf16(c.Display)) << String::fromUtf16(c.Keys).toStdString();
    }
}

TEST_F(Calculator, OnlyClearLeavesTheErrorState) {
    Keys(u"1/0=");
    EXPECT_EQ(calc->Status(), csErrorVz);
    EXPECT_EQ(calc->DisplayValue(), 0);
    EXPECT_EQ(Keys(u"12+\x1bi\b,s"), u"Error"_S);
    EXPECT_EQ(Keys(u"C"), u"0"_S);
    EXPECT_EQ(calc->Status(), csFirstVz);
    EXPECT_EQ(Keys(u"2*3="), u"6"_S);
}

TEST_F(Calculator, SixteenCharactersFitWithALeadingMinus) {
    Keys(u"1i");
    EXPECT_EQ(Keys(u"234567890123456789"), u"-123456789012345"_S);
}

TEST_F(Calculator, ButtonsSendTheirKeysAndTheEqualButtonShowsAPendingOperation) {
    form->Show();
    auto click = [&](const char16_t* Caption) {
        for (int tag = 1; tag <= TCalculatorVz::ButtonCount; ++tag)
            if (calc->Button(tag)->Caption() == String::fromUtf16(Caption)) {
                calc->Button(tag)->Click();
                return;
            }
        FAIL() << "no button " << String::fromUtf16(Caption).toStdString();
    };
    click(u"3");
    EXPECT_EQ(calc->spEqual()->Caption(), u"Ok"_S);
    click(u"+");
    EXPECT_EQ(calc->spEqual()->Caption(), u"Ok"_S);  // no second operand yet
    click(u"4");
    EXPECT_EQ(calc->spEqual()->Caption(), u"="_S);
    click(u".");
    click(u"5");
    calc->spEqual()->Click();
    EXPECT_EQ(calc->DisplayText(), u"7,5"_S);
    EXPECT_EQ(calc->spEqual()->Caption(), u"Ok"_S);
    click(u"sqrt");
    click(u"<-");
    click(u"C");
    EXPECT_EQ(calc->DisplayText(), u"0"_S);
    // Delete clears, as 'C' does.
    Keys(u"42");
    sdelka::test::SendKey(calc->Handle(), Qt::Key_Delete);
    EXPECT_EQ(calc->DisplayText(), u"0"_S);
}

TEST_F(Calculator, PasteTakesANumberAndRefusesText) {
    Clipboard()->SetAsText(u" 12,5 "_S);
    EXPECT_EQ(Keys(u"\x16"), u"12,5"_S);
    Keys(u"\x03");
    EXPECT_EQ(Clipboard()->AsText(), u"12,5"_S);
    Clipboard()->SetAsText(u"abc"_S);
    EXPECT_THROW(Keys(u"\x16"), EConvertError);
    EXPECT_EQ(calc->DisplayText(), u"12,5"_S);
}

TEST(PopupCalculator, EnterClosesOnlyWithoutAPendingOperation) {
    FormatSettings.DecimalSeparator = u',';
    TForm* owner = New<TForm>(nullptr);
    owner->SetBounds(100, 100, 200, 100);
    owner->Show();
    EXPECT_EQ(GetViZevManager()->PopupCalculatorClass(), TPopupCalculatorFormVz::StaticClass());
    auto* popup = static_cast<TPopupCalculatorFormVz*>(
        GetViZevManager()->PopupCalculatorClass()->CreateComponent(owner));
    IPopupCalculatorVz* intf = popup;
    intf->SetValue(Variant(12.5));
    EXPECT_EQ(popup->Calculator()->DisplayText(), u"12,5"_S);
    EXPECT_EQ(popup->ClientWidth(), popup->Calculator()->Width() + 4);  // the calculator inside the border

    int closes = 0;
    bool accepted = false;
    intf->Show(TPoint(120, 150), [&](TObject*, bool Accept) {
        ++closes;
        accepted = Accept;
    });
    EXPECT_TRUE(popup->Visible());
    for (char16_t k : {u'*', u'2'}) popup->Calculator()->ProcessKey(Char(k));
    if (const QByteArray dir = qgetenv("SDELKA_SHOTS"); !dir.isEmpty())
        popup->Handle()->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(u"calculator.png"_S));
    EXPECT_FALSE(intf->GetEnterCanClose());
    popup->Calculator()->ProcessKey(Char(u'\r'));  // shows the result, stays open
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(intf->GetValue(), Variant(25.0));
    popup->Calculator()->ProcessKey(Char(u'\r'));
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(popup->Visible());

    // Esc closes without accepting; the error state gives no number.
    intf->SetValue(Variant(1.0));
    intf->Show(TPoint(120, 150), [&](TObject*, bool Accept) {
        ++closes;
        accepted = Accept;
    });
    for (char16_t k : {u'/', u'0', u'='}) popup->Calculator()->ProcessKey(Char(k));
    EXPECT_TRUE(VarIsNull(intf->GetValue()));
    popup->Calculator()->ProcessKey(Char(u'\x1b'));
    EXPECT_EQ(closes, 2);
    EXPECT_FALSE(accepted);

    // A larger text height scales the calculator and the form with it.
    const int w = popup->Calculator()->Width();
    intf->SetCurTextHeight(Variant(26));
    EXPECT_EQ(popup->Calculator()->Width(), w * 2);
    EXPECT_EQ(popup->ClientWidth(), w * 2 + 4);
    owner->Free();
}

}  // namespace
