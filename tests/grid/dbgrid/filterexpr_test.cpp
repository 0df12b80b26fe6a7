// The filter-row language: texts parsed into expressions, the text form read back, the dataset
// filter strings built from expressions.
#include "grid/dbgrid/filterexprvz.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

#include <gtest/gtest.h>

namespace {

// An operand as the tests write it: numbers with ".", texts quoted, Null, arrays in (…).
std::string Show(const Variant& V) {
    if (VarIsArray(V)) {
        std::string s = "(";
        for (int i = VarArrayLowBound(V, 1); i <= VarArrayHighBound(V, 1); ++i) {
            if (i > VarArrayLowBound(V, 1)) s += ",";
            s += Show(VarArrayGet(V, {i}));
        }
        return s + ")";
    }
    if (VarIsNull(V)) return "Null";
    if (VarType(V) == varDate) return "D" + DateTimeToStr(VarToDateTime(V)).toStdString();
    if (VarIsFloat(V)) return FloatToStr(V.AsExtended(), TFormatSettings::Invariant()).toStdString();
    return "'" + VarToStr(V).toStdString() + "'";
}

std::string Show(const TSTFilterExpressionVz& E) {
    std::string s = std::to_string(int(E.Operator1)) + " " + Show(E.Operand1);
    if (E.Relation != foNon) s += " " + std::to_string(int(E.Relation)) + " " + std::to_string(int(E.Operator2)) + " " + Show(E.Operand2);
    return s;
}

TSTFilterExpressionVz Parse(const String& Text, TSTOperandTypeVz Type, TSTFilterDefaultOperatorVz D = fdoAuto) {
    TSTFilterExpressionVz e;
    e.ExpressionType = Type;
    ParseColumnFilterText(Text, e, D);
    return e;
}

std::string Expect(TSTFilterOperatorVz Op1, const std::string& Operand1, TSTFilterOperatorVz Rel = foNon,
                   TSTFilterOperatorVz Op2 = foNon, const std::string& Operand2 = "Null") {
    std::string s = std::to_string(int(Op1)) + " " + Operand1;
    if (Rel != foNon) s += " " + std::to_string(int(Rel)) + " " + std::to_string(int(Op2)) + " " + Operand2;
    return s;
}

TEST(FilterExprTest, ParsesTheLanguage) {
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ShortDateFormat = u"dd.mm.yyyy"_S;
    FormatSettings.DateSeparator = u'.';
    struct Case {
        const char16_t* Text;
        TSTOperandTypeVz Type;
        TSTFilterDefaultOperatorVz Default;
        std::string Expected;
    };
    const Case cases[] = {
        {u"", botString, fdoAuto, Expect(foNon, "Null")},
        {u"5", botNumber, fdoAuto, Expect(foEqual, "5")},
        {u"abc", botString, fdoAuto, Expect(foLike, "'abc'")},
        {u"abc def", botString, fdoAuto, Expect(foLike, "'abc def'")},
        {u"=Null", botNumber, fdoAuto, Expect(foNull, "Null")},
        {u"<>null", botString, fdoAuto, Expect(foNotNull, "Null")},
        {u"!= 7", botNumber, fdoAuto, Expect(foNotEqual, "7")},
        {u"in ('a','it''s')", botString, fdoAuto, Expect(foIn, "('a','it's')")},
        {u"in (1,null,3)", botNumber, fdoAuto, Expect(foIn, "(1,Null,3)")},
        {u"not in (5)", botNumber, fdoAuto, Expect(foNotIn, "5")},
        // Blanks after a comma of a list are skipped.
        {u"in ('a', 'b',  c)", botString, fdoAuto, Expect(foIn, "('a','b','c')")},
        {u"in (1,2", botNumber, fdoAuto, Expect(foLike, "'in (1,2'")},
        {u">=10 AND <20", botNumber, fdoAuto, Expect(foGreaterOrEqual, "10", foAND, foLessThan, "20")},
        {u">=10 &<20", botNumber, fdoAuto, Expect(foGreaterOrEqual, "10", foAND, foLessThan, "20")},
        {u"=1 or =Null", botNumber, fdoAuto, Expect(foEqual, "1", foOR, foNull, "Null")},
        {u"~ab%", botString, fdoAuto, Expect(foLike, "'ab%'")},
        {u"!~ab%", botString, fdoAuto, Expect(foNotLike, "'ab%'")},
        {u"not like ab%", botString, fdoAuto, Expect(foNotLike, "'ab%'")},
        {u"abc", botString, fdoContains, Expect(foLike, "'%abc%'")},
        {u"abc", botString, fdoDoesntBeginWith, Expect(foNotLike, "'abc%'")},
        {u"abc", botString, fdoEndsWith, Expect(foLike, "'%abc'")},
        {u"%abc", botString, fdoBeginsWith, Expect(foLike, "'%abc'")},
        {u"5", botNumber, fdoGreaterThan, Expect(foGreaterThan, "5")},
        {u"=NOW", botDateTime, fdoAuto, Expect(foEqual, "'NOW'")},
        {u"Иванов", botString, fdoAuto, Expect(foLike, "'Иванов'")},
        {u"= 'O''Brien' OR ~ 'Ёж%'", botString, fdoAuto, Expect(foEqual, "'O'Brien'", foOR, foLike, "'Ёж%'")},
        // Numbers read invariantly; a decimal comma is taken outside lists.
        {u"=2.5", botNumber, fdoAuto, Expect(foEqual, "2.5")},
        {u"=-2,5", botNumber, fdoAuto, Expect(foEqual, "-2.5")},
        {u"in (1.5,2.25)", botNumber, fdoAuto, Expect(foIn, "(1.5,2.25)")},
        {u">= 01.02.2024 10:30:00 AND < 02.02.2024", botDateTime, fdoAuto,
         Expect(foGreaterOrEqual, "D01.02.2024 10:30:00", foAND, foLessThan, "D02.02.2024")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Show(Parse(String::fromUtf16(c.Text), c.Type, c.Default)), c.Expected)
            << String::fromUtf16(c.Text).toStdString();
}

TEST(FilterExprTest, TextErrorsNameTheTextAndKeepThePreviousExpression) {
    struct Case {
        const char16_t* Text;
        const char16_t* Message;
    };
    const Case cases[] = {
        {u"Null", u"Пропущено выражение после оператора: Null"},
        {u"NOT NULL", u"Пропущено выражение после оператора: NOT NULL"},
        {u"=", u"Пропущено выражение после оператора: ="},
        {u"in 1,2", u"'(' пропущена: in 1,2"},
        {u"=1 OR", u"Ошибка в выражении: =1 OR"},
        {u"=1 =2", u"Пропущен AND или OR: =1 =2"},
        {u"'abc", u"Отсутствует кавычка: 'abc"},
        {u"(abc)", u"Ошибка в выражении: (abc)"},
        {u"=1 OR >Null", u"Пропущено выражение перед Null: =1 OR >Null"},
        {u"=1 AND (", u"Неверное выражение: =1 AND ("},
    };
    for (const Case& c : cases) {
        TSTFilterExpressionVz e = Parse(u"=7"_S, botNumber);
        try {
            ParseColumnFilterText(String::fromUtf16(c.Text), e, fdoAuto);
            ADD_FAILURE() << "no error for " << String::fromUtf16(c.Text).toStdString();
        } catch (const Exception& x) {
            EXPECT_EQ(x.Message(), String::fromUtf16(c.Message));
        }
        EXPECT_EQ(Show(e), Expect(foEqual, "7")) << String::fromUtf16(c.Text).toStdString();
    }
    // A number that does not convert raises the conversion error itself.
    TSTFilterExpressionVz e = Parse(u"=7"_S, botNumber);
    EXPECT_THROW(ParseColumnFilterText(u"=xyz"_S, e, fdoAuto), EConvertError);
    EXPECT_EQ(Show(e), Expect(foEqual, "7"));
}

TEST(FilterExprTest, TextFormReadsBackToTheSameExpression) {
    FormatSettings.DecimalSeparator = u',';
    const struct {
        const char16_t* Text;
        TSTOperandTypeVz Type;
        const char16_t* Form;
    } cases[] = {
        {u"=5", botNumber, u"= 5"},
        {u"=-2.75", botNumber, u"= -2.75"},
        {u"abc%", botString, u"~ 'abc%'"},
        {u"in (1,2)", botNumber, u"In (1,2)"},
        {u"not in (1,null)", botNumber, u"!In (1,Null)"},
        {u">=10 and <=20", botNumber, u">= 10 AND <= 20"},
        {u"=null or =O'Brien", botString, u"=Null OR = 'O''Brien'"},
        {u"in ('Иванов','д''Артаньян')", botString, u"In ('Иванов','д''Артаньян')"},
        {u">=01.02.2024 10:30:00", botDateTime, u">= 01.02.2024 10:30:00"},
        {u"<>31.12.2023", botDateTime, u"<> 31.12.2023"},
    };
    for (const auto& c : cases) {
        const TSTFilterExpressionVz e = Parse(String::fromUtf16(c.Text), c.Type);
        const String form = FilterExpressionAsText(e);
        EXPECT_EQ(form, String::fromUtf16(c.Form));
        EXPECT_EQ(Show(Parse(form, c.Type)), Show(e)) << form.toStdString();
    }
}

TEST(FilterExprTest, BuildsDatasetFilterOperations) {
    auto build = [](TSTFilterOperatorVz Op, const Variant& V, bool Like, bool NullEq, bool InSyntax) {
        return BuildFilterOperationText(Op, V, u"F"_S, nullptr, nullptr, Like, NullEq, InSyntax);
    };
    const Variant ab = VarArrayOf({u"a"_S, u"b"_S});
    const Variant aNull = VarArrayOf({u"a"_S, Null()});
    const Variant nulls = VarArrayOf({Null(), Null()});
    EXPECT_EQ(build(foIn, ab, true, false, true), u" ([F] In('a' ,  'b') )"_S);
    EXPECT_EQ(build(foIn, ab, true, false, false), u" ([F] = 'a' OR [F] = 'b')"_S);
    EXPECT_EQ(build(foIn, aNull, true, false, true), u" ([F] In('a')  OR [F] Is Null )"_S);
    EXPECT_EQ(build(foNotIn, ab, true, false, false), u" NOT ([F] = 'a' OR [F] = 'b')"_S);
    // NOT IN with a Null: neither the values nor the empty ones; only Nulls: the Null test.
    EXPECT_EQ(build(foNotIn, aNull, true, false, true), u" ([F] Not In('a')  AND [F] Is Not Null )"_S);
    EXPECT_EQ(build(foIn, nulls, true, false, true), u" [F] IS NULL"_S);
    EXPECT_EQ(build(foNotIn, Null(), true, false, true), u" [F] IS NOT NULL"_S);
    EXPECT_EQ(build(foNotLike, u"x%"_S, true, false, false), u" Not ( [F] Like 'x%')"_S);
    EXPECT_EQ(build(foNotLike, u"x%"_S, false, false, false), u" [F] <> 'x%'"_S);
    EXPECT_EQ(build(foNull, Null(), true, false, false), u" [F] IS NULL"_S);
    EXPECT_EQ(build(foNull, Null(), true, true, false), u" [F] = NULL"_S);
    EXPECT_EQ(build(foEqual, u"O'Brien"_S, true, false, false), u" [F] = 'O''Brien'"_S);
    // Numbers are written with "." whatever the decimal separator of the settings.
    FormatSettings.DecimalSeparator = u',';
    EXPECT_EQ(build(foGreaterThan, 2.5, true, false, false), u" [F] > 2.5"_S);
    EXPECT_EQ(BuildFilterOperationText(foEqual, VarArrayOf({1.0, u"x"_S}), u"A;B"_S, nullptr, nullptr, true, false, false),
              u"(  [A] = 1 AND  [B] = 'x' )"_S);
}

}  // namespace
