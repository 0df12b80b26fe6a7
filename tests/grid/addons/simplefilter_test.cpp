// The custom filter dialog: the operator list follows the column's kind, a column filter opens as
// its conditions, and OK writes the conditions back as the filter's text, quotes and all.
#include "grid/addons/simplefiltervz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

namespace {

inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

TEST(SimpleFilterText, ConditionsBecomeFilterTexts) {
    const struct {
        int Tag;
        const char16_t* Value;
        bool Quote;
        const char16_t* Expected;
    } cases[] = {
        {sftEqualsVz, u"abc", true, u"='abc'"},
        {sftBeginsWithVz, u"ab", true, u"~'ab%'"},
        {sftNotContainsVz, u"x", true, u"!~'%x%'"},
        {sftEndsWithVz, u"ов", true, u"~'%ов'"},
        {sftNotEndsWithVz, u"ов", false, u"!~%ов"},
        {sftLikeVz, u"a_c", true, u"~'a_c'"},
        {sftInListVz, u"1,2", true, u"in(1,2)"},
        {sftNotInListVz, u"1,2", false, u"!in(1,2)"},
        {sftIsBlankVz, u"anything", true, u"=Null"},
        {sftIsNotBlankVz, u"", true, u"<>Null"},
        {sftGreaterVz, u"5", false, u">5"},
        {sftNoneVz, u"bare", true, u"bare"},  // no operator: the bare value
        {sftEqualsVz, u"", false, u"="},
        // Quotes inside a value are doubled, so that O'Neil filters for O'Neil.
        {sftEqualsVz, u"O'Neil", true, u"='O''Neil'"},
        {sftContainsVz, u"д'Ар", true, u"~'%д''Ар%'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String::fromUtf16(c.Value).toStdString());
        EXPECT_EQ(SimpleFilterConditionTextVz(c.Tag, String::fromUtf16(c.Value), c.Quote), String::fromUtf16(c.Expected));
    }
}

TEST(SimpleFilterText, LikePatternsOpenAsTheirOperators) {
    const struct {
        TSTFilterOperatorVz Op;
        const char16_t* Operand;
        int Tag;
        const char16_t* Shown;
    } cases[] = {
        {foLike, u"%abc%", sftContainsVz, u"abc"},     {foNotLike, u"%abc%", sftNotContainsVz, u"abc"},
        {foLike, u"%abc", sftEndsWithVz, u"abc"},      {foNotLike, u"abc%", sftNotBeginsWithVz, u"abc"},
        {foLike, u"%%abc", sftLikeVz, u"%%abc"},       {foLike, u"abc%%", sftLikeVz, u"abc%%"},
        {foLike, u"%", sftContainsVz, u""},            {foLike, u"a_c", sftLikeVz, u"a_c"},
        {foEqual, u"x", sftEqualsVz, u"x"},            {foNull, u"", sftIsBlankVz, u""},
        {foNotIn, u"1,2", sftNotInListVz, u"1,2"},     {foValue, u"x", -1, u"x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String::fromUtf16(c.Operand).toStdString());
        String shown = String::fromUtf16(c.Operand);
        EXPECT_EQ(SimpleFilterTagOfOperationVz(c.Op, shown), c.Tag);
        EXPECT_EQ(shown, String::fromUtf16(c.Shown));
    }
}

struct SimpleFilterDialog : ::testing::Test {
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDBGridVz* G = nullptr;
    TDBGridVzSimpleFilterDialog* Dlg = nullptr;

    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 400, 200);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"D"_S, ftDateTime);
        T->CreateDataSet();
        const char16_t* names[] = {u"O'Neil", u"Петров", u"O'Neill", u"Сидоров", u"петрова"};
        for (int i = 0; i < 5; ++i) T->AppendRecord({Variant(i + 1), String::fromUtf16(names[i]), Variant(45000.0 + i)});
        T->First();
        auto* src = New<TDataSource>(Form);
        src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetParent(Form);
        G->SetBounds(0, 0, 400, 200);
        G->SetDataSource(src);
        Form->Show();
        Application->ProcessMessages();
        Dlg = TDBGridVzSimpleFilterDialog::Shared();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
        SetResponder(nullptr);
    }
    TColumnVz* Col(int I) { return G->Columns()->Items(I); }
    std::string Ids() {
        std::string s;
        for (T->First(); !T->Eof(); T->Next()) s += std::to_string(T->FieldByName(u"Id"_S)->AsInteger());
        return s;
    }
    // Opens the dialog for a column; Fill sets the conditions, then the dialog closes with Result.
    bool Run(TColumnVz* Column, std::function<void()> Fill, int Result) {
        Resp.AnswerModal([&](TCustomForm* F) {
            Fill();
            F->SetModalResult(Result);
        });
        return ShowSimpleFilterDialog(Column);
    }
    void Condition(int N, int Tag, const String& Value) {
        Dlg->SelectTag(N == 1 ? Dlg->ComboBox1 : Dlg->ComboBox2, Tag);
        (N == 1 ? Dlg->DBComboBoxVz1 : Dlg->DBComboBoxVz2)->SetText(Value);
    }
};

TEST_F(SimpleFilterDialog, OperatorListFollowsTheColumnKind) {
    Dlg->Column = Col(2);  // a date column: no text-matching operators
    Dlg->Init();
    EXPECT_EQ(Dlg->ComboBox1->Items()->Count(), 11);
    EXPECT_EQ(Dlg->ComboBox1->DropDownCount(), 11);
    EXPECT_EQ(Dlg->ComboBox2->Items()->Strings(10), u"не пустые"_S);
    Dlg->Column = Col(1);
    Dlg->Init();
    EXPECT_EQ(Dlg->ComboBox1->Items()->Count(), 19);
    EXPECT_EQ(Dlg->ComboBox1->Items()->Strings(0), String());
    EXPECT_EQ(Dlg->ComboBox1->Items()->Strings(13), u"подобно"_S);
    // The value box offers the column's values (the grid is over an in-memory table).
    EXPECT_GE(Dlg->DBComboBoxVz1->Items()->IndexOf(u"Сидоров"_S), 0);
    EXPECT_TRUE(Dlg->DBComboBoxVz1->Text().isEmpty());
    EXPECT_TRUE(Dlg->DBComboBoxVz1->Visible());
    EXPECT_EQ(Dlg->DBComboBoxVz1->Left(), Dlg->Edit1->Left());
    EXPECT_EQ(Dlg->DBComboBoxVz2->Top(), Dlg->Edit2->Top());
}

TEST_F(SimpleFilterDialog, OpensWithTheColumnsFilter) {
    Col(1)->STFilter()->SetExpressionStr(u"~%ров% OR =Null"_S);
    Dlg->Column = Col(1);
    Dlg->Init();
    EXPECT_EQ(Dlg->SelectedTag(Dlg->ComboBox1), sftContainsVz);
    EXPECT_EQ(Dlg->DBComboBoxVz1->Text(), u"ров"_S);
    EXPECT_TRUE(Dlg->rbOr->Checked());
    EXPECT_EQ(Dlg->SelectedTag(Dlg->ComboBox2), sftIsBlankVz);
}

TEST_F(SimpleFilterDialog, OkWritesTheConditionsAndCancelChangesNothing) {
    TSTColumnFilterVz* f = Col(1)->STFilter();
    f->SetExpressionStr(u"=x"_S);  // the filter now holds a text condition: values are quoted
    // Cancel leaves the filter as it was.
    EXPECT_FALSE(Run(Col(1), [&] { Condition(1, sftEqualsVz, u"zzz"_S); }, mrCancel));
    EXPECT_EQ(f->ExpressionStr(), u"=x"_S);
    // The second condition empty: the first alone, whatever the radio buttons say.
    EXPECT_TRUE(Run(Col(1), [&] {
        Condition(1, sftBeginsWithVz, u"O'Neil"_S);
        Condition(2, sftNoneVz, String());
        Dlg->rbOr->SetChecked(true);
    }, mrOk));
    EXPECT_EQ(f->ExpressionStr(), u"~'O''Neil%'"_S);
    G->FilterHost()->STFilterApply();
    EXPECT_EQ(Ids(), "13");
    EXPECT_TRUE(Run(Col(1), [&] {
        Condition(1, sftEqualsVz, u"O'Neil"_S);
        Condition(2, sftEndsWithVz, u"ов"_S);
        Dlg->rbOr->SetChecked(true);
    }, mrOk));
    EXPECT_EQ(f->ExpressionStr(), u"='O''Neil' OR ~'%ов'"_S);
    G->FilterHost()->STFilterApply();
    EXPECT_EQ(Ids(), "124");
    // "пустые" drops the typed value.
    EXPECT_TRUE(Run(Col(1), [&] {
        Condition(1, sftIsNotBlankVz, u"ignored"_S);
        Condition(2, sftNoneVz, String());
    }, mrOk));
    EXPECT_EQ(f->ExpressionStr(), u"<>Null"_S);
}

TEST_F(SimpleFilterDialog, ARejectedTextKeepsTheDialogOpen) {
    TSTColumnFilterVz* f = Col(0)->STFilter();
    f->SetExpressionStr(u">2"_S);
    Dlg->Column = Col(0);
    Dlg->Init();
    Condition(1, sftGreaterVz, u"abc"_S);
    Dlg->SetModalResult(mrOk);
    EXPECT_FALSE(Dlg->CloseQuery());
    EXPECT_EQ(f->ExpressionStr(), u">2"_S);  // the previous filter stays in force
    EXPECT_EQ(Dlg->DBComboBoxVz1->Text(), u"abc"_S);  // and the conditions stay for correcting
    EXPECT_GE(Resp.MessageCount(), 1);
}

}  // namespace
