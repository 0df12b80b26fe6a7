// The number edit over an in-memory dataset and unbound: typing with the alternative separator,
// refused input, limits and rounding, thousand separators while editing, stepping, an ambiguous
// text that keeps the old value, and the popup calculator that hands its result back.
#include "grid/base/buttonsvz.h"
#include "grid/editors/calculatorvz.h"
#include "grid/editors/editbuttonsvz.h"
#include "grid/editors/dbnumbereditvz.h"
#include "grid/editors/numbertextvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/forms.h"
#include "support/input.h"

#include <gtest/gtest.h>

namespace {

using namespace sdelka::test;

class DBNumberEdit : public ::testing::Test {
protected:
    void SetUp() override {
        FormatSettings.DecimalSeparator = u',';
        FormatSettings.ThousandSeparator = u' ';
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 120);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Price"_S, ftFloat);
        T->CreateDataSet();
        T->AppendRecord({Variant(12.5)});
        T->AppendRecord({Variant::Null()});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Ed = New<TDBNumberEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 150, 22);
        Other = New<TDBNumberEditVz>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 40, 150, 22);
        Form->Show();
        Other->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Bind() {
        Ed->SetDataSource(Src);
        Ed->SetDataField(u"Price"_S);
    }
    void Type(const String& S) {
        for (QChar c : S) SendKeyToWindow(Ed->Handle(), 0, Qt::NoModifier, QString(c));
    }
    void Key(int K, Qt::KeyboardModifiers M = Qt::NoModifier) { SendKeyToWindow(Ed->Handle(), K, M); }
    void Retype(const String& S) {
        Ed->SetFocus();
        Ed->SelectAll();
        Type(S);
    }
    Variant Price() const { return T->FieldByName(u"Price"_S)->AsVariant(); }

    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBNumberEditVz* Ed = nullptr;
    TDBNumberEditVz* Other = nullptr;
};

TEST_F(DBNumberEdit, TypingUsesEitherSeparatorAndWritesTheValueOnExit) {
    Bind();
    EXPECT_EQ(Ed->Text(), u"12,5"_S);
    Retype(u"1.5"_S);
    EXPECT_EQ(Ed->Text(), u"1,5"_S);
    EXPECT_EQ(Ed->Value(), Variant(1.5));
    EXPECT_EQ(T->State(), dsEdit);
    Other->SetFocus();
    T->Post();
    EXPECT_EQ(Price(), Variant(1.5));
    // A second separator is refused while typing; a third decimal digit too (DecimalPlaces 2).
    Retype(u"1,5.2"_S);
    EXPECT_EQ(Ed->Text(), u"1,52"_S);
    Type(u"7"_S);
    EXPECT_EQ(Ed->Text(), u"1,52"_S);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Ed->Text(), u"1,5"_S);
}

TEST_F(DBNumberEdit, AnAmbiguousTextKeepsTheOldValue) {
    Bind();
    EXPECT_THROW(Ed->SetText(u"1.5.2"_S), EConvertError);
    EXPECT_EQ(Ed->Value(), Variant(12.5));
    T->Cancel();
    EXPECT_EQ(Price(), Variant(12.5));
    // Pasted, it restores the text instead of raising.
    Ed->SetFocus();
    Clipboard()->SetAsText(u"1.5.2"_S);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Ed->Value(), Variant(12.5));
    Clipboard()->SetAsText(u"  3 456,789 руб."_S);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Ed->Value(), Variant(3456.79));
    EXPECT_EQ(Price(), Variant(3456.79));  // a paste writes at once
}

TEST_F(DBNumberEdit, LimitsAndRounding) {
    struct Case {
        Extended Min, Max;
        unsigned Places;
        Extended In, Out;
    } cases[] = {
        {0, 100, 2, 150, 100},   {0, 100, 2, -5, 0},    {5, 0, 2, 1, 5},      {5, 0, 2, 1000, 1000},
        {0, 10, 2, 0.125, 0.12}, {0, 0, 2, 0.375, 0.38}, {0, 0, 0, 2.5, 2},   {0, 0, 0, 3.5, 4},
        {7, 7, 2, 1e6, 1e6},     {10, 5, 2, 1, 1},
    };
    for (const Case& c : cases) {
        Ed->SetMinValue(c.Min);
        Ed->SetMaxValue(c.Max);
        Ed->SetDecimalPlaces(c.Places);
        EXPECT_DOUBLE_EQ(static_cast<double>(Ed->ClampAndRound(c.In)), static_cast<double>(c.Out))
            << c.Min << " " << c.Max << " " << c.In;
    }
    // With MinValue 0 and MaxValue 100 a negative number cannot be typed: a lone sign reads as 0.
    Ed->SetMinValue(0);
    Ed->SetMaxValue(100);
    Ed->SetDecimalPlaces(2);
    Ed->SetFocus();
    Type(u"-5"_S);
    EXPECT_EQ(Ed->Text(), u"-"_S);
    EXPECT_EQ(Ed->Value(), Variant(0.0));
}

TEST_F(DBNumberEdit, ArrowsStepAndAnEmptyValueStartsAtTheIncrement) {
    Bind();
    T->Next();
    Ed->SetFocus();
    EXPECT_TRUE(VarIsNull(Ed->Value()));
    Key(Qt::Key_Down);
    EXPECT_EQ(Ed->Value(), Variant(1.0));
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    EXPECT_EQ(Ed->Value(), Variant(3.0));
    Wheel(Ed->Handle(), QPointF(5, 5), -1);
    EXPECT_EQ(Ed->Value(), Variant(2.0));
    Other->SetFocus();
    EXPECT_EQ(Price(), Variant(2.0));
}

TEST_F(DBNumberEdit, TheDisplayFormatShowsUnfocusedAndItsPlaceholdersEdit) {
    Ed->SetDisplayFormat(u",0.00 'кг'"_S);
    EXPECT_EQ(Ed->EditFormat(), u",0.00"_S);
    Ed->SetValue(Variant(1234567.5));
    EXPECT_EQ(Ed->Text(), u"1 234 567,50 кг"_S);
    Ed->SetFocus();
    Ed->SelectAll();
    Type(u"98765"_S);
    EXPECT_EQ(Ed->Text(), u"98 765"_S);
    EXPECT_EQ(Ed->Value(), Variant(98765.0));
    Other->SetFocus();
    EXPECT_EQ(Ed->Text(), u"98 765,00 кг"_S);

    // A currency without a display format edits in the currency edit format.
    Ed->SetDisplayFormat(String());
    Ed->SetCurrency(true);
    EXPECT_EQ(Ed->EditFormat(), u",#.00"_S);
    Ed->SetValue(Variant(1500.0));
    EXPECT_EQ(Ed->Text(), FloatToStrF(1500, ffCurrency, 15, 2));
    Ed->SetFocus();
    EXPECT_EQ(Ed->Text(), u"1 500,00"_S);
}

TEST_F(DBNumberEdit, TheCalculatorDropsDownWithTheValueAndHandsTheResultBack) {
    Bind();
    Ed->SetFocus();
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Ed->CalculatorVisible());
    auto* popup = dynamic_cast<TPopupCalculatorFormVz*>(Ed->GetDropDownCalculator());
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->Visible());
    EXPECT_EQ(popup->Calculator()->DisplayText(), u"12,5"_S);
    // Keys typed into the editor go to the calculator.
    Type(u"*2"_S);
    Key(Qt::Key_Return);   // shows the result
    EXPECT_TRUE(Ed->CalculatorVisible());
    Key(Qt::Key_Return);   // closes and accepts
    EXPECT_FALSE(Ed->CalculatorVisible());
    EXPECT_FALSE(popup->Visible());
    EXPECT_EQ(Ed->Value(), Variant(25.0));
    Other->SetFocus();
    EXPECT_EQ(Price(), Variant(25.0));

    // Esc closes without taking the value. The main button opens the calculator too, and stays
    // down while it is open.
    Ed->SetFocus();
    Ed->EditButton()->SetVisible(true);
    Application->ProcessMessages();
    TEditButtonControlVz* c = Ed->GetEditButtonControlByEditButton(Ed->EditButton());
    ASSERT_NE(c, nullptr);
    Click(Ed->ButtonsBox()->Handle(), QPointF(c->Left() + c->Width() / 2, c->Top() + c->Height() / 2));
    ASSERT_TRUE(Ed->CalculatorVisible());
    EXPECT_TRUE(c->AlwaysDown());
    Type(u"9"_S);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Ed->CalculatorVisible());
    EXPECT_FALSE(c->AlwaysDown());
    EXPECT_EQ(Ed->Value(), Variant(25.0));
}

TEST(NumberTexts, ThousandSeparatorsAndTheEditFormat) {
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ThousandSeparator = u' ';
    FormatSettings.CurrencyDecimals = 2;
    struct Case {
        const char16_t* In;
        const char16_t* Out;
    } groups[] = {{u"1234567,891", u"1 234 567,891"}, {u"-1234", u"-1 234"}, {u"123", u"123"},
                  {u"12345E3", u"12 345E3"},        {u"", u""},             {u"+1000", u"+1 000"}};
    for (const Case& c : groups)
        EXPECT_EQ(InsertThousandSeparatorsVz(String::fromUtf16(c.In), true), String::fromUtf16(c.Out));
    EXPECT_EQ(InsertThousandSeparatorsVz(u"1234"_S, false), u"1234"_S);
    EXPECT_EQ(EditFormatFromDisplayFormatVz(u"#,##0.00;(#,##0.00)"_S, false), u"#,##0.00"_S);
    EXPECT_EQ(EditFormatFromDisplayFormatVz(u"\"Итого: \"0.0"_S, false), u"0.0"_S);
    EXPECT_EQ(EditFormatFromDisplayFormatVz(String(), true), u",#.00"_S);
    Extended v = 0;
    EXPECT_TRUE(TryNumberTextToFloatVz(u"-"_S, v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(TryNumberTextToFloatVz(u"1,5E2"_S, v));
    EXPECT_EQ(v, 150);
    EXPECT_FALSE(TryNumberTextToFloatVz(u"1.5"_S, v));
    EXPECT_FALSE(TryNumberTextToFloatVz(u"E"_S, v));
}

}  // namespace
