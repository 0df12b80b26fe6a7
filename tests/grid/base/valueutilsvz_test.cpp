#include "grid/core/valueutilsvz.h"

#include "grid/base/toolsvz.h"
#include "platform/gui/forms.h"
#include "platform/testing/memdata.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"

#include <gtest/gtest.h>

TEST(ValueUtilsVz, VarEquals) {
    struct Case { Variant A, B; bool Equal; };
    const Variant empty2 = VarArrayCreate({0, -1}, varVariant);
    const Case cases[] = {
        {Unassigned(), Null(), false},
        {Null(), Null(), true},
        {Unassigned(), Unassigned(), true},
        {Unassigned(), 0, false},                 // Empty equals only Empty
        {1, 1.0, true},
        {u"a"_S, u"b"_S, false},
        {VarArrayOf({1}), 1, false},              // an array never equals its element
        {VarArrayOf({1, u"x"_S}), VarArrayOf({1, u"x"_S}), true},
        {VarArrayOf({1, 2}), VarArrayOf({1, 3}), false},
        {empty2, empty2, false},                  // empty arrays are unequal
        {u"abc"_S, 5, false},                     // a failing conversion gives False
    };
    for (const Case& c : cases) EXPECT_EQ(VarEqualsVz(c.A, c.B), c.Equal) << VarArrayToStrVz(c.A).toStdString();
}

TEST(ValueUtilsVz, CompareVarValues) {
    struct Case { Variant A, B; TVariantRelationship R; };
    const Case cases[] = {
        {Null(), 5, vrLessThan},
        {5, Null(), vrGreaterThan},
        {Null(), Null(), vrEqual},
        {3, 5, vrLessThan},
        {VarArrayOf({1, 2}), VarArrayOf({1, 3}), vrLessThan},
        {VarArrayOf({1, Null()}), VarArrayOf({1, 0}), vrLessThan},
        {VarArrayOf({1, 2}), VarArrayOf({1, 2}), vrEqual},
        {VarArrayOf({1}), 1, vrNotEqual},
        {u"abc"_S, 5, vrNotEqual},                // text that is not a number: not comparable
        {VarArrayOf({1, u"Д-240"_S}), VarArrayOf({1, 240}), vrNotEqual},
        {u"12"_S, 5, vrGreaterThan},              // a number in text compares as a number
    };
    for (const Case& c : cases) EXPECT_EQ(CompareVarValuesVz(c.A, c.B), c.R) << VarArrayToStrVz(c.A).toStdString();
}

TEST(ValueUtilsVz, TextsOfValues) {
    EXPECT_EQ(VarArrayToStrVz(VarArrayOf({1, VarArrayOf({2, 3})})), u"[1, [2, 3]]"_S);
    EXPECT_EQ(VarArrayToStrVz(7), u"7"_S);
    EXPECT_EQ(VarToDisplayStrVz(VarFromDateTime(EncodeDate(2024, 3, 5))), DateTimeToStr(EncodeDate(2024, 3, 5)));
    EXPECT_EQ(FloatToStrDotVz(1.5), u"1.5"_S);
    EXPECT_EQ(FormatSettings.DecimalSeparator, u',');
    EXPECT_EQ(VarToInvariantStrVz(2.25), u"2.25"_S);
    EXPECT_EQ(VarToInvariantStrVz(VarFromDateTime(EncodeDate(2024, 3, 5))), u"2024-03-05"_S);
    EXPECT_DOUBLE_EQ(InvariantStrToVarVz(u"2.25"_S, varDouble).AsDouble(), 2.25);
    EXPECT_EQ(FormatSettings.ShortDateFormat, u"dd.mm.yyyy"_S);  // restored
    EXPECT_EQ(FormatSettings.DecimalSeparator, u',');
    EXPECT_TRUE(VarIsNumericVz(5));
    EXPECT_TRUE(VarIsNumericVz(VarFromDateTime(1.0)));
    EXPECT_TRUE(VarIsNumericVz(VarFMTBcdCreate(1.5)));
    EXPECT_FALSE(VarIsNumericVz(u"5"_S));
    EXPECT_FALSE(VarIsNumericVz(true));
}

TEST(ValueUtilsVz, Dates) {
    const TDateTime t = EncodeDateTime(2024, 1, 2, 12, 34, 56, 789);
    EXPECT_EQ(ClearMillisecondsVz(t), EncodeDateTime(2024, 1, 2, 12, 34, 56, 0));
    TDateTime d = -2.25;
    ReplaceTimePartVz(d, 0.75);
    EXPECT_DOUBLE_EQ(d, -2.75);
    d = 10.5;
    ReplaceTimePartVz(d, 3.25);
    EXPECT_DOUBLE_EQ(d, 10.25);
    const TCalendarDateTimeUnitsVz e = GetDateTimeFormatElementsVz(u"dd.mm.yyyy hh:nn 'at' AM/PM"_S);
    EXPECT_EQ(e, TCalendarDateTimeUnitsVz({cdtuDayVz, cdtuMonthVz, cdtuYearVz, cdtuHourVz, cdtuMinuteVz, cdtuAmPmVz}));
    EXPECT_EQ(GetDateTimeFormatElementsVz(u"\"s\"a/p"_S), TCalendarDateTimeUnitsVz({cdtuAmPmVz}));
}

TEST(ValueUtilsVz, FindTextPos) {
    struct Case { const char16_t* Sub; const char16_t* Text; bool NoCase; int Start; bool Whole; int Pos; };
    const Case cases[] = {
        {u"ab", u"xab ab", false, 1, true, 5},   // the glued hit at 2 is rejected
        {u"ab", u"xab", false, 1, true, 0},
        {u"ab", u"xab", false, 1, false, 2},
        {u"AB", u"xab", true, 1, false, 2},
        {u"", u"xab", false, 1, false, 0},
        {u"b-c", u"ab-c b-c", false, 1, true, 6},  // a delimiter inside the search text
        {u"aa", u"xaa aa", false, 1, true, 5},
        {u"ab", u"ab ab", false, 2, true, 4},
        {u"ab", u"(ab)", false, 1, true, 2},
        {u"ОН", u"РОН ОН", false, 1, true, 5},  // the letter Р is a letter, not a word boundary
        {u"он", u"Р он", true, 1, true, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindTextPosVz(String::fromUtf16(c.Sub), String::fromUtf16(c.Text), c.NoCase, c.Start, c.Whole), c.Pos)
            << String::fromUtf16(c.Text).toStdString();
}

TEST(ValueUtilsVz, FindAllTextPos) {
    std::vector<int> pos;
    EXPECT_TRUE(FindAllTextPosVz(u"abcabc"_S, u"BC"_S, pos, true, false, false));
    EXPECT_EQ(pos, (std::vector<int>{1, 4}));
    EXPECT_FALSE(FindAllTextPosVz(u"abcabc"_S, u"bc"_S, pos, false, false, true));  // first hit not at the start
    EXPECT_EQ(pos, (std::vector<int>{1}));
    EXPECT_TRUE(FindAllTextPosVz(u"abcabc"_S, u"ab"_S, pos, false, false, true));
    EXPECT_FALSE(FindAllTextPosVz(u"abc"_S, u"x"_S, pos, false, false, false));
    EXPECT_TRUE(pos.empty());
}

TEST(ValueUtilsVz, LocateInStrings) {
    TStringList list;
    list.Add(u"Alpha"_S);
    list.Add(u"al"_S);
    list.Add(u"Beta"_S);
    EXPECT_EQ(LocateInStringsVz(&list, u"al"_S, {}), 1);
    EXPECT_EQ(LocateInStringsVz(&list, u"AL"_S, {loCaseInsensitive}), 1);
    EXPECT_EQ(LocateInStringsVz(&list, u"Al"_S, {loPartialKey}), 0);
    EXPECT_EQ(LocateInStringsVz(&list, u"bet"_S, {loPartialKey, loCaseInsensitive}), 2);
    EXPECT_EQ(LocateInStringsVz(&list, u"Betamax"_S, {loPartialKey}), -1);
    EXPECT_EQ(LocateInStringsVz(&list, u"Bet"_S, {}), -1);
}

TEST(ValueUtilsVz, ArrayRanges) {
    TVariantArrayVz a{1, 2, 3};
    ArrayInsertRange(a, 1, 2);
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[3], Variant(2));
    EXPECT_EQ(a[4], Variant(3));
    EXPECT_EQ(a[1], Variant(2));  // the opened slots keep their contents
    ArrayInsertRange(a, 5, 1);
    EXPECT_TRUE(VarIsEmpty(a[5]));
    ArrayDeleteRange(a, 0, 3);
    EXPECT_EQ(a, (TVariantArrayVz{2, 3, Unassigned()}));
    const TVariantArrayVz before = a;
    EXPECT_THROW(ArrayInsertRange(a, 0, -1), Exception);
    EXPECT_THROW(ArrayInsertRange(a, 4, 1), Exception);
    EXPECT_THROW(ArrayDeleteRange(a, 2, 2), Exception);
    EXPECT_THROW(ArrayDeleteRange(a, 0, -1), Exception);
    EXPECT_EQ(a, before);
    try {
        ArrayDeleteRange(a, 2, 2);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"ArrayDeleteRange: StartIndex + Amount > Length(Extents)"_S);
    }
}

TEST(ValueUtilsVz, FieldHelpers) {
    auto* ds = New<TTestTableDataSet>(nullptr);
    ds->FieldDefs()->Add(u"ID"_S, ftInteger);
    ds->FieldDefs()->Add(u"NAME"_S, ftString, 20);
    ds->FieldDefs()->Add(u"PRICE"_S, ftFloat);
    ds->CreateDataSet();
    ds->AppendRecord({1, u"a"_S, 2.5});

    TFieldsArrVz arr = GetFieldsArrayByNamesVz(ds, nullptr, u"NAME;ID"_S);
    ASSERT_EQ(arr.size(), 2u);
    EXPECT_EQ(arr[0]->FieldName(), u"NAME"_S);
    EXPECT_EQ(VarArrayToStrVz(GetFieldsValuesVz(arr)), u"[a, 1]"_S);
    EXPECT_EQ(GetFieldsValuesVz({arr[1]}), Variant(1));
    EXPECT_TRUE(FieldsArrayCanModifyVz(arr));

    auto list = NewOwned<TFieldListVz>();
    try {
        GetFieldsListByNamesVz(list.get(), ds, nullptr, u"ID;NOPE;NAME"_S);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Field 'NOPE' not found"_S);
    }
    EXPECT_EQ(list->Count(), 1);  // fields found before the missing one stay

    ds->Edit();
    SetDataSetFieldValuesVz(ds, u"NAME;PRICE"_S, Null());
    EXPECT_TRUE(ds->FieldByName(u"NAME"_S)->IsNull());
    EXPECT_TRUE(ds->FieldByName(u"PRICE"_S)->IsNull());
    SetDataSetFieldValuesVz(ds, u"NAME"_S, u"b"_S);
    EXPECT_EQ(ds->FieldByName(u"NAME"_S)->AsString(), u"b"_S);
    ds->Post();

    EXPECT_EQ(FormatFieldValueVz(Null(), ds->FieldByName(u"ID"_S), String()), String());
    EXPECT_EQ(FormatFieldValueVz(42, ds->FieldByName(u"ID"_S), String()), u"42"_S);
    EXPECT_EQ(FormatFieldValueVz(42, ds->FieldByName(u"ID"_S), u"0.00"_S), u"42,00"_S);
    EXPECT_EQ(FormatFieldValueVz(2.5, ds->FieldByName(u"PRICE"_S), String()), u"2,5"_S);
    EXPECT_EQ(FormatFieldValueVz(u"x"_S, ds->FieldByName(u"NAME"_S), String()), u"x"_S);
    ds->Free();

    EXPECT_TRUE(IsNumericFieldTypeVz(ftBCD));
    EXPECT_FALSE(IsNumericFieldTypeVz(ftAutoInc));
    EXPECT_FALSE(IsNumericFieldTypeVz(ftLargeint));
    EXPECT_TRUE(IsStringFieldTypeVz(ftGuid));
    EXPECT_FALSE(IsStringFieldTypeVz(ftBlob));
}

TEST(ValueUtilsVz, Geometry) {
    EXPECT_EQ(InterpolatePointVz(TPoint(0, 10), TPoint(9, -10), 0.5), TPoint(4, 0));
    EXPECT_TRUE(PointInRectVz(TRect(0, 0, 5, 5), TPoint(0, 4)));
    EXPECT_FALSE(PointInRectVz(TRect(0, 0, 5, 5), TPoint(5, 0)));
    int a = 1, b = 2;
    SwapIntegersVz(a, b);
    EXPECT_EQ(a * 10 + b, 21);
    EXPECT_EQ(IfThenIntVz(false, 1, 2), 2);
}

TEST(ValueUtilsVz, DoubleClickDistanceAndTime) {
    const unsigned t = GetDoubleClickTime();
    const int dx = GetSystemMetrics(SM_CXDOUBLECLK), dy = GetSystemMetrics(SM_CYDOUBLECLK);
    struct {
        TPoint Second;
        unsigned Elapsed;
        bool Within;
    } const cases[] = {
        {TPoint(10, 10), 0, true},           {TPoint(10 + dx, 10 - dy), t, true},
        {TPoint(10 + dx + 1, 10), 0, false}, {TPoint(10, 10 - dy - 1), 0, false},
        {TPoint(10, 10), t + 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWithinDoubleClickVz(TPoint(10, 10), c.Second, c.Elapsed), c.Within) << c.Second.X << "," << c.Elapsed;
}

namespace {

// A panel that counts one test message.
class TCountingPanelVzTest : public TPanel {
public:
    using TPanel::TPanel;
    int Hits = 0;

protected:
    void WndProc(TMessage& M) override {
        if (M.Msg == WM_USER + 7) ++Hits;
        TPanel::WndProc(M);
    }
};

}  // namespace

TEST(ValueUtilsVz, PerformReachesOwnedControlsOfTheClassAtAnyDepth) {
    auto* root = New<TPanel>(nullptr);
    auto* a = New<TCountingPanelVzTest>(root);
    auto* b = New<TCountingPanelVzTest>(a);  // owned by a, not by root
    New<TLabel>(root);                       // not a panel: skipped without harm
    PerformOnComponentsVz(root, TPanel::StaticClass(), WM_USER + 7, 0, 0);
    EXPECT_EQ(a->Hits, 1);
    EXPECT_EQ(b->Hits, 1);
    PerformOnComponentsVz(root, TLabel::StaticClass(), WM_USER + 7, 0, 0);
    EXPECT_EQ(a->Hits, 1);
    root->SetBounds(3, 4, 30, 20);
    const TPoint o = root->ClientOrigin();
    EXPECT_EQ(GetControlScreenRectVz(root), TRect(o.X, o.Y, o.X + 30, o.Y + 20));
    root->Free();
}
