#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Texts compared as UTF-8 so failures print readably.
std::string U(const String& s) { return s.toStdString(); }
String Q(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const NB = "\u00A0";  // the Russian thousands separator
std::string Nb(const std::string& s) {  // "1 234" with the separator written as a blank
    std::string r;
    for (char c : s) r += c == ' ' ? std::string(NB) : std::string(1, c);
    return r;
}

TFormatSettings Ru() { return TFormatSettings::Create(); }

// Runs f and returns the EConvertError message, or "<no error>".
template <class F>
std::string ConvertErrorText(F f) {
    try {
        f();
    } catch (const EConvertError& e) {
        return U(e.Message());
    }
    return "<no error>";
}

// ---- strings ------------------------------------------------------------------------------------

TEST(SysUtilsStrings, CopyPosDeleteInsertAreOneBased) {
    EXPECT_EQ(U(Copy(Q("Привет"), 2, 3)), "рив");
    EXPECT_EQ(U(Copy("abc", 0, 2)), "ab");    // index below 1 counts from 1
    EXPECT_EQ(U(Copy("abc", 2, 100)), "bc");
    EXPECT_EQ(U(Copy("abc", 4, 1)), "");
    EXPECT_EQ(U(Copy("abc", 1, -1)), "");
    EXPECT_EQ(U(Copy("abcdef", 3)), "cdef");

    EXPECT_EQ(Pos(Q("в"), Q("Привет")), 4);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(PosEx("a", "banana", 3), 4);
    EXPECT_EQ(PosEx("a", "banana", 7), 0);
    EXPECT_EQ(PosEx("a", "banana", 0), 0);

    String s = "abcdef";
    Delete(s, 2, 3);
    EXPECT_EQ(U(s), "aef");
    s = "abcdef";
    Delete(s, 0, 2);
    EXPECT_EQ(U(s), "abcdef");
    Delete(s, 5, 100);
    EXPECT_EQ(U(s), "abcd");
    Delete(s, 5, 1);
    EXPECT_EQ(U(s), "abcd");

    s = "abc";
    Insert("XY", s, 2);
    EXPECT_EQ(U(s), "aXYbc");
    Insert("!", s, 100);
    EXPECT_EQ(U(s), "aXYbc!");
    Insert(">", s, 0);
    EXPECT_EQ(U(s), ">aXYbc!");
}

TEST(SysUtilsStrings, TrimRemovesControlCharactersButNotNoBreakSpace) {
    EXPECT_EQ(U(Trim(Q("\t  a b \r\n"))), "a b");
    EXPECT_EQ(U(TrimLeft(Q("\x01 a "))), "a ");
    EXPECT_EQ(U(TrimRight(Q(" a \x1F"))), " a");
    EXPECT_EQ(U(Trim(Q("\u00A0a\u00A0"))), "\u00A0a\u00A0");
    EXPECT_EQ(U(Trim("   ")), "");
}

TEST(SysUtilsStrings, CaseMapping) {
    EXPECT_EQ(U(UpperCase(Q("abcЖж"))), "ABCЖж");
    EXPECT_EQ(U(LowerCase(Q("ABCЖж"))), "abcЖж");
    EXPECT_EQ(U(AnsiUpperCase(Q("абвёж abc"))), "АБВЁЖ ABC");
    EXPECT_EQ(U(AnsiLowerCase(Q("ЁЛКА"))), "ёлка");
}

TEST(SysUtilsStrings, OrdinalComparison) {
    EXPECT_GT(CompareStr("a", "B"), 0);  // code units: 'a' > 'B'
    EXPECT_LT(CompareText("a", "B"), 0);
    EXPECT_GT(CompareText("_", "a"), 0);  // letters fold to upper case: '_' > 'A'
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_FALSE(SameText(Q("Ж"), Q("ж")));  // ASCII only
    EXPECT_LT(CompareStr("ab", "abc"), 0);
}

TEST(SysUtilsStrings, RussianCollation) {
    // ё sorts with е, not after я as its code does.
    EXPECT_GT(CompareStr(Q("ёлка"), Q("ель")), 0);
    EXPECT_LT(AnsiCompareText(Q("ёлка"), Q("ель")), 0);
    EXPECT_LT(AnsiCompareStr(Q("ё"), Q("ж")), 0);
    EXPECT_LT(AnsiCompareStr("a", "B"), 0);
    EXPECT_LT(AnsiCompareStr(Q("а"), Q("А")), 0);  // lower case first
    EXPECT_NE(AnsiCompareStr(Q("Привет"), Q("привет")), 0);
    EXPECT_EQ(AnsiCompareText(Q("Привет"), Q("ПРИВЕТ")), 0);
    EXPECT_TRUE(AnsiSameText(Q("Ёлка"), Q("ёЛКА")));
    EXPECT_FALSE(AnsiSameText(Q("ёж"), Q("еж")));
    EXPECT_FALSE(AnsiSameStr(Q("Ёж"), Q("ёж")));
    EXPECT_GT(AnsiCompareText(Q("ЯБЛОКО"), Q("арбуз")), 0);

    QStringList words{Q("яблоко"), Q("Арбуз"), Q("ёж"), Q("еда"), Q("Жук"), Q("вишня")};
    std::sort(words.begin(), words.end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
    EXPECT_EQ(U(words.join(',')), "Арбуз,вишня,еда,ёж,Жук,яблоко");
}

TEST(SysUtilsStrings, WordSortOrder) {
    // s1 < s2 by both comparisons (case-sensitive and not), and the reverse answers the opposite.
    struct { const char* s1; const char* s2; } less[] = {
        {"Zeta", "Альфа"}, {"alpha", "Zeta"}, {"zzz", "ааа"}, {"Петрова", "Петров-Водкин"},
        {"coop", "co-op"}, {"co-op", "coopa"}, {"Д-240", "Д-241"}, {"Д240", "Д-240"}, {"Д-240", "Д241"},
        {"Д-240а", "ДТ-75"}, {"O'Neil", "Oneill"}, {"Oneil", "O'Neil"}, {"еда", "ёж"}, {"ёлка", "ель"},
        {"е", "ё"}, {"ёж", "жук"}, {"ѐ", "ж"}, {"1", "a"}, {"10a", "9"}, {" x", "!x"}, {"!", "0"},
        {"a", "b"}, {"resume", "résumé"}, {"résumé", "resumes"}, {"и", "й"}, {"й", "к"},
        {"Иванов", "Иванова"}, {"Иванов Пётр", "Иванова"}, {"ь", "э"}, {"", "-"}, {"", "a"},
        {"ab-c", "abc-"}, {"a'b", "a-b"},
    };
    for (const auto& c : less) {
        const String a = Q(c.s1), b = Q(c.s2);
        EXPECT_LT(AnsiCompareText(a, b), 0) << c.s1 << " < " << c.s2;
        EXPECT_GT(AnsiCompareText(b, a), 0) << c.s2 << " > " << c.s1;
        EXPECT_LT(AnsiCompareStr(a, b), 0) << c.s1 << " < " << c.s2;
        EXPECT_GT(AnsiCompareStr(b, a), 0) << c.s2 << " > " << c.s1;
    }
    // Case: ignored by the text comparison, lower case first in the other; letters decide first.
    struct { const char* s1; const char* s2; } caseOnly[] = {
        {"abc", "ABC"}, {"иванов", "Иванов"}, {"ёлка", "Ёлка"}, {"д-240", "Д-240"}, {"résumé", "RÉSUMÉ"},
    };
    for (const auto& c : caseOnly) {
        EXPECT_EQ(AnsiCompareText(Q(c.s1), Q(c.s2)), 0) << c.s1;
        EXPECT_LT(AnsiCompareStr(Q(c.s1), Q(c.s2)), 0) << c.s1;
        EXPECT_GT(AnsiCompareStr(Q(c.s2), Q(c.s1)), 0) << c.s2;
    }
    EXPECT_LT(AnsiCompareStr(Q("Ab"), Q("ac")), 0);  // the letter outranks the case before it
    EXPECT_LT(AnsiCompareText(Q("Ёж"), Q("ежи")), 0);
    // Texts that differ are never equal by the case-sensitive comparison.
    EXPECT_NE(AnsiCompareStr(Q("a\u00A0b"), Q("a b")), 0);
    EXPECT_EQ(AnsiCompareStr(Q("Д-240"), Q("Д-240")), 0);

    QStringList names{Q("Петров-Водкин"), Q("Zeta"), Q("Петрова"), Q("alpha"), Q("Петров"), Q("Ёлкин"),
                      Q("Елисеев"), Q("Д-240"), Q("ДТ-75"), Q("Альфа"), Q("D-240"), Q("Ельцов")};
    std::sort(names.begin(), names.end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
    EXPECT_EQ(U(names.join(',')),
              "alpha,D-240,Zeta,Альфа,Д-240,ДТ-75,Елисеев,Ёлкин,Ельцов,Петров,Петрова,Петров-Водкин");
}

TEST(SysUtilsStrings, Quoting) {
    EXPECT_EQ(U(QuotedStr("it's")), "'it''s'");
    EXPECT_EQ(U(QuotedStr("")), "''");
    EXPECT_EQ(U(AnsiQuotedStr("a\"b", u'"')), "\"a\"\"b\"");

    String src = "'it''s' rest";
    EXPECT_EQ(U(AnsiExtractQuotedStr(src, u'\'')), "it's");
    EXPECT_EQ(U(src), " rest");
    src = "abc";
    EXPECT_EQ(U(AnsiExtractQuotedStr(src, u'\'')), "");
    EXPECT_EQ(U(src), "abc");
    src = "'open";
    EXPECT_EQ(U(AnsiExtractQuotedStr(src, u'\'')), "open");
    EXPECT_EQ(U(src), "");

    struct { const char* in; const char* out; } cases[] = {
        {"'abc'", "abc"}, {"abc", "abc"}, {"'abc", "'abc"}, {"''", ""}, {"", ""},
        {"'a''b'", "a'b"}, {"'ab'c", "ab"},  // the framework keeps the quoted head here
    };
    for (const auto& c : cases) EXPECT_EQ(U(AnsiDequotedStr(c.in, u'\'')), c.out) << c.in;
}

TEST(SysUtilsStrings, StringReplaceAndStringOfChar) {
    EXPECT_EQ(U(StringReplace("a-b-c", "-", "+")), "a+b-c");
    EXPECT_EQ(U(StringReplace("a-b-c", "-", "+", {rfReplaceAll})), "a+b+c");
    EXPECT_EQ(U(StringReplace(Q("Привет ПРИВЕТ привет"), Q("привет"), "x", {rfReplaceAll})), "Привет ПРИВЕТ x");
    EXPECT_EQ(U(StringReplace(Q("Привет ПРИВЕТ"), Q("привет"), "x", {rfReplaceAll, rfIgnoreCase})), "x x");
    EXPECT_EQ(U(StringReplace("aa", "a", "aa", {rfReplaceAll})), "aaaa");  // no rescanning of the new text
    EXPECT_EQ(U(StringReplace("abc", "", "x", {rfReplaceAll})), "abc");
    EXPECT_EQ(U(StringOfChar(u'-', 3)), "---");
    EXPECT_EQ(U(StringOfChar(u'-', 0)), "");
    EXPECT_EQ(U(StringOfChar(u'-', -2)), "");
}

// ---- integers -----------------------------------------------------------------------------------

TEST(SysUtilsIntegers, ToText) {
    EXPECT_EQ(U(IntToStr(-5)), "-5");
    EXPECT_EQ(U(IntToStr(Int64(1) << 40)), "1099511627776");
    EXPECT_EQ(U(IntToStr(std::numeric_limits<Int64>::min())), "-9223372036854775808");
    EXPECT_EQ(U(IntToStr(qint64(-3))), "-3");
    EXPECT_EQ(U(IntToStr(4294967295u)), "4294967295");
    EXPECT_EQ(U(IntToStr(std::numeric_limits<UInt64>::max())), "18446744073709551615");
    EXPECT_EQ(U(IntToHex(255, 4)), "00FF");
    EXPECT_EQ(U(IntToHex(0, 0)), "0");
    EXPECT_EQ(U(IntToHex(-1, 2)), "FFFFFFFF");
    EXPECT_EQ(U(IntToHex(Int64(-1), 0)), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(U(BoolToStr(true)), "-1");
    EXPECT_EQ(U(BoolToStr(false, true)), "False");
}

TEST(SysUtilsIntegers, StrToIntAcceptsDecimalAndHex) {
    struct { const char* in; Integer out; } ok[] = {
        {"123", 123}, {" 42", 42}, {"-17", -17}, {"+8", 8}, {"$1F", 31}, {"0x1f", 31}, {"-$10", -16},
        {"$FFFFFFFF", -1}, {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<Integer>::min()},
        {"007", 7},
    };
    for (const auto& c : ok) EXPECT_EQ(StrToInt(c.in), c.out) << c.in;

    for (const char* bad : {"", " ", "12 ", "2147483648", "-2147483649", "1.5", "abc", "$", "-", "0x", "$100000000", "1 000"}) {
        EXPECT_EQ(ConvertErrorText([&] { StrToInt(bad); }), "'" + std::string(bad) + "' is not a valid integer value") << bad;
        Integer v = 99;
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
        EXPECT_EQ(v, 99) << bad;
    }
    EXPECT_EQ(StrToIntDef("x", 5), 5);

    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), Int64(1) << 32);
    EXPECT_EQ(StrToInt64Def("9223372036854775808", 3), 3);
}

TEST(SysUtilsIntegers, StrToBool) {
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_FALSE(StrToBool("FALSE"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_TRUE(StrToBool("-1"));
    EXPECT_EQ(ConvertErrorText([] { StrToBool("yes"); }), "'yes' is not a valid boolean value");
    EXPECT_TRUE(StrToBoolDef("?", true));
}

// ---- FloatToStr / FloatToStrF -------------------------------------------------------------------

TEST(SysUtilsFloat, FloatToStrGeneralFormat) {
    const auto ru = Ru();
    struct { Extended v; const char* out; } cases[] = {
        {0.1 + 0.2, "0,3"},
        {1e15, "1E15"},
        {999999999999999.0, "999999999999999"},
        {123456789012345678.0, "1,23456789012346E17"},
        {0.0001, "0,0001"},
        {0.00001, "1E-5"},
        {0.00012345, "0,00012345"},
        {-1.5, "-1,5"},
        {0.0, "0"},
        {-0.0, "0"},
        {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"},
        {100, "100"},
        {123.456, "123,456"},
        {1e-300, "1E-300"},
        {1.7976931348623157e308, "1,79769313486232E308"},
        {-2.5e-7, "-2,5E-7"},
        {std::numeric_limits<Extended>::infinity(), "INF"},
        {-std::numeric_limits<Extended>::infinity(), "-INF"},
        {std::numeric_limits<Extended>::quiet_NaN(), "NAN"},
    };
    for (const auto& c : cases) EXPECT_EQ(U(FloatToStr(c.v, ru)), c.out) << static_cast<double>(c.v);
    EXPECT_EQ(U(FloatToStr(1.5L, TFormatSettings::Invariant())), "1.5");
}

TEST(SysUtilsFloat, FloatToStrUsesGlobalSettings) {
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DecimalSeparator = u'.';
    EXPECT_EQ(U(FloatToStr(2.25)), "2.25");
    EXPECT_EQ(U(FormatFloat("0.0", 2.25)), "2.3");
    FormatSettings = saved;
    EXPECT_EQ(U(FloatToStr(2.25)), "2,25");
}

TEST(SysUtilsFloat, FloatToStrF) {
    const auto ru = Ru();
    struct { Extended v; TFloatFormat f; int prec, digits; std::string out; } cases[] = {
        {1234.5, ffExponent, 4, 2, "1,235E+03"},
        {1, ffExponent, 4, 2, "1,000E+00"},
        {0, ffExponent, 3, 2, "0,00E+00"},
        {-0.000123, ffExponent, 2, 0, "-1,2E-4"},
        {1234.5, ffGeneral, 3, 0, "1,23E3"},
        {0.00001234, ffGeneral, 15, 2, "1,234E-05"},
        {1234567.891, ffFixed, 15, 2, "1234567,89"},
        {1234567.891, ffNumber, 15, 2, Nb("1 234 567,89")},
        {-1234567.891, ffNumber, 15, 0, Nb("-1 234 568")},
        {0.125, ffFixed, 15, 2, "0,13"},    // exact tie: half away from zero
        {-0.125, ffFixed, 15, 2, "-0,13"},
        {2.5, ffFixed, 15, 0, "3"},
        {-0.001, ffFixed, 15, 2, "0,00"},   // never "-0,00"
        {0.5, ffFixed, 15, 3, "0,500"},
        {1e20, ffFixed, 15, 2, "1E20"},     // more integer digits than the precision
        {123.456, ffFixed, 4, 2, "123,50"},  // precision caps the significant digits
        {999.999, ffNumber, 15, 2, Nb("1 000,00")},
        {1234.5, ffCurrency, 15, 2, Nb("1 234,50") + " ₽"},
        {-1234.5, ffCurrency, 15, 2, Nb("-1 234,50") + " ₽"},
        {0.004, ffCurrency, 15, 2, "0,00 ₽"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U(FloatToStrF(c.v, c.f, c.prec, c.digits, ru)), c.out) << static_cast<double>(c.v) << " format " << c.f;
}

TEST(SysUtilsFloat, CurrencyFormatsFollowSettings) {
    auto fs = Ru();
    fs.CurrencyString = "$";
    fs.ThousandSeparator = u',';
    fs.DecimalSeparator = u'.';
    const char* pos[] = {"$1,234.50", "1,234.50$", "$ 1,234.50", "1,234.50 $"};
    for (int i = 0; i < 4; ++i) {
        fs.CurrencyFormat = static_cast<Byte>(i);
        EXPECT_EQ(U(FloatToStrF(1234.5, ffCurrency, 15, 2, fs)), pos[i]) << i;
    }
    const char* neg[] = {"($1.50)", "-$1.50", "$-1.50", "$1.50-", "(1.50$)", "-1.50$", "1.50-$", "1.50$-",
                         "-1.50 $", "-$ 1.50", "1.50 $-", "$ 1.50-", "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
    for (int i = 0; i < 16; ++i) {
        fs.NegCurrFormat = static_cast<Byte>(i);
        EXPECT_EQ(U(FloatToStrF(-1.5, ffCurrency, 15, 2, fs)), neg[i]) << i;
    }
}

TEST(SysUtilsFloat, FloatToDecimalRoundsFromEighteenDigits) {
    TFloatRec r;
    FloatToDecimal(r, 1.005, 18, 2);  // the double is 1.00499999999999989...
    EXPECT_STREQ(r.Digits, "1");
    EXPECT_EQ(r.Exponent, 1);
    FloatToDecimal(r, 9.9996, 4, 9999);
    EXPECT_STREQ(r.Digits, "1");
    EXPECT_EQ(r.Exponent, 2);
    FloatToDecimal(r, -0.0049, 18, 2);
    EXPECT_STREQ(r.Digits, "");
    EXPECT_FALSE(r.Negative);
    FloatToDecimal(r, -0.005, 18, 2);  // 0.005000000000000000104 in binary
    EXPECT_STREQ(r.Digits, "1");
    EXPECT_EQ(r.Exponent, -1);
    EXPECT_TRUE(r.Negative);
    CurrToDecimal(r, 12345678, 2);  // 1234.5678
    EXPECT_STREQ(r.Digits, "123457");
    EXPECT_EQ(r.Exponent, 4);
    CurrToDecimal(r, std::numeric_limits<Int64>::min(), 4);
    EXPECT_STREQ(r.Digits, "9223372036854775808");
    EXPECT_EQ(r.Exponent, 15);
}

// ---- FormatFloat ---------------------------------------------------------------------------------

TEST(SysUtilsFormatFloat, Masks) {
    const auto ru = Ru();
    struct { const char* mask; Extended v; std::string out; } cases[] = {
        {"0.00", 1234.5, "1234,50"},
        {"#,##0.00", 1234567.891, Nb("1 234 567,89")},
        {"#,##0.00", -1234.5, Nb("-1 234,50")},
        {"#,##0", 999.5, Nb("1 000")},
        {"#,##0", 12, "12"},
        {",0", 1234567, Nb("1 234 567")},
        {"0.##", 1, "1"},
        {"0.##", 1.5, "1,5"},
        {"0.##", 1.005, "1"},
        {"0.00", 1.005, "1,00"},     // binary value below the tie
        {"0.00", 0.125, "0,13"},     // exact tie: away from zero
        {"0.00", -0.125, "-0,13"},
        {"0.00", 2.675, "2,67"},
        {"0", 0.5, "1"},
        {"0", 1.5, "2"},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"0", -0.4, "0"},            // no "-0"
        {"0.000", -0.0004, "0,000"},
        {"#.##", 0.5, ",5"},
        {"#.##", 0, ""},
        {"0.#0", 1.5, "1,50"},       // placeholders up to the last 0 always show
        {"#0.0#", 0.25, "0,25"},
        {"00000", 42, "00042"},
        {"0-00", 12345, "123-45"},
        {"0.", 3.7, "4"},
        {"\"$\"#,##0.00", 1234.5, Nb("$1 234,50")},
        {"'Итого: '0.00' руб.'", 5, "Итого: 5,00 руб."},
        {"'Итого: '0.00", -5, "-Итого: 5,00"},  // the minus of a one-section mask leads the text
        {"0 '#0.0'", 7, "7 #0.0"},
        {"0", 1e20, "1E20"},         // too many digits for a mask: general format
        {"", 1.5, "1,5"},
        {"0.00", std::numeric_limits<Extended>::infinity(), "INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U(FormatFloat(Q(c.mask), c.v, ru)), c.out) << c.mask << " / " << static_cast<double>(c.v);
    EXPECT_EQ(U(FormatFloat("#,##0.00", 1234.5, TFormatSettings::Invariant())), "1,234.50");
}

TEST(SysUtilsFormatFloat, Sections) {
    const auto ru = Ru();
    struct { const char* mask; Extended v; const char* out; } cases[] = {
        {"0.0;(0.0);'ноль'", 1.25, "1,3"},
        {"0.0;(0.0);'ноль'", -1.25, "(1,3)"},
        {"0.0;(0.0);'ноль'", 0, "ноль"},
        {"0.0;(0.0);'ноль'", -0.01, "ноль"},  // rounds to zero: the zero section
        {"0.0;(0.0)", -0.01, "0,0"},           // no zero section: the first, without minus
        {"0.0;;'ноль'", -2, "-2,0"},           // empty negative section: the first with minus
        {"0.0;(0.0);", 0, "0,0"},              // empty zero section: the first
        {"'a;b' 0;-0", -3, "-3"},              // ';' inside quotes does not split
        {"'a;b' 0;-0", 3, "a;b 3"},
    };
    for (const auto& c : cases) EXPECT_EQ(U(FormatFloat(Q(c.mask), c.v, ru)), c.out) << c.mask << " / " << static_cast<double>(c.v);
}

TEST(SysUtilsFormatFloat, Exponents) {
    const auto ru = Ru();
    struct { const char* mask; Extended v; const char* out; } cases[] = {
        {"0.00E+00", 12345, "1,23E+04"},
        {"0.00E-00", 12345, "1,23E04"},
        {"0.00e-0", 0.00012345, "1,23e-4"},
        {"0.00E+00", -12355, "-1,24E+04"},
        {"00.0E+0", 0.0012345, "12,3E-4"},
        {"0.00E+00", 0, "0,00E+00"},
        {"0.###E+0", 1.5, "1,5E+0"},
        {"0E+0", 9.7, "1E+1"},
    };
    for (const auto& c : cases) EXPECT_EQ(U(FormatFloat(Q(c.mask), c.v, ru)), c.out) << c.mask << " / " << static_cast<double>(c.v);
}

TEST(SysUtilsFormatFloat, CurrencyValuesAreExact) {
    const auto ru = Ru();
    EXPECT_EQ(U(FormatCurrRaw("0.00", 50, ru)), "0,01");  // 0.005 exactly: away from zero
    EXPECT_EQ(U(FormatCurrRaw("0.00", -50, ru)), "-0,01");
    EXPECT_EQ(U(FormatCurrRaw("0.00", 49, ru)), "0,00");
    EXPECT_EQ(U(FormatCurrRaw("#,##0.0000", 9223372036854775807, ru)), Nb("922 337 203 685 477,5807"));
    EXPECT_EQ(U(CurrRawToStrF(12345678, ffFixed, 2, ru)), "1234,57");
    EXPECT_EQ(U(CurrRawToStrF(12345678, ffCurrency, 2, ru)), Nb("1 234,57") + " ₽");
    EXPECT_EQ(U(CurrRawToStrF(-12345678, ffGeneral, 0, ru)), "-1234,5678");
    EXPECT_EQ(U(CurrRawToStrF(0, ffGeneral, 0, ru)), "0");
}

// ---- StrToFloat ----------------------------------------------------------------------------------

TEST(SysUtilsStrToFloat, Accepts) {
    const auto ru = Ru();
    struct { const char* in; Extended out; } cases[] = {
        {"1,5", 1.5L}, {" 1,5 ", 1.5L}, {"-1,5E3", -1500.0L}, {"1,5e-3", 0.0015L}, {"+2", 2.0L},
        {",5", 0.5L}, {"5,", 5.0L}, {"1E+2", 100.0L}, {"0", 0.0L}, {"1E400", 1e400L},
        {"0,1", 0.1L},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToFloat(c.in, ru), c.out) << c.in;
    EXPECT_EQ(StrToFloat("1.5", TFormatSettings::Invariant()), 1.5L);
    EXPECT_TRUE(std::isinf(StrToFloat("-INF", ru)));
    EXPECT_TRUE(std::isnan(StrToFloat("nan", ru)));
}

TEST(SysUtilsStrToFloat, RejectsMalformedText) {
    const auto ru = Ru();
    for (const char* bad : {"", "  ", "1.5", "1 000", "1,5E", "E5", "1,5x", ",", "-", "1,2,3", "1E5000", "0x10", "1e+"}) {
        EXPECT_EQ(ConvertErrorText([&] { StrToFloat(bad, ru); }), "'" + std::string(bad) + "' is not a valid floating point value") << bad;
        Extended v = 7;
        EXPECT_FALSE(TryStrToFloat(bad, v, ru)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }
    EXPECT_EQ(StrToFloatDef("x", 7, ru), 7);
}

TEST(SysUtilsStrToFloat, DoubleOverloadRefusesOutOfRange) {
    const auto ru = Ru();
    double d = 1;
    EXPECT_FALSE(TryStrToFloat("1E400", d, ru));
    EXPECT_EQ(d, 1);
    EXPECT_TRUE(TryStrToFloat("0,1", d, ru));
    EXPECT_EQ(d, 0.1);  // correctly rounded to the nearest double
}

TEST(SysUtilsStrToFloat, RoundTripsFifteenDigits) {
    const auto ru = Ru();
    for (double v : {0.1, 1.0 / 3, 123456.789, 1e-10, 6.02214076e23, -42.0, 0.3}) {
        const double back = static_cast<double>(StrToFloat(FloatToStr(v, ru), ru));
        EXPECT_EQ(FloatToStr(back, ru), FloatToStr(v, ru)) << v;
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
}

// ---- Format --------------------------------------------------------------------------------------

TEST(SysUtilsFormat, Integers) {
    const auto ru = Ru();
    struct { const char* fmt; TVarRec arg; const char* out; } cases[] = {
        {"%d", 42, "42"},
        {"%5d|", 42, "   42|"},
        {"%-5d|", 42, "42   |"},
        {"%.3d", -5, "-005"},
        {"%d", Int64(1) << 40, "1099511627776"},
        {"%u", -1, "4294967295"},
        {"%x", 255, "FF"},
        {"%.4x", 255, "00FF"},
        {"%x", -1, "FFFFFFFF"},
        {"%x", Int64(-1), "FFFFFFFFFFFFFFFF"},
        {"%D", 7, "7"},
        {"%2d", 12345, "12345"},  // width never truncates
    };
    for (const auto& c : cases) EXPECT_EQ(U(Format(c.fmt, {c.arg}, ru)), c.out) << c.fmt;
}

TEST(SysUtilsFormat, StringsIndexesAndStars) {
    const auto ru = Ru();
    EXPECT_EQ(U(Format("%s и %s", {"a", Q("б")}, ru)), "a и б");
    EXPECT_EQ(U(Format("%1:s %0:s", {"a", "b"}, ru)), "b a");
    EXPECT_EQ(U(Format("%1:s %s %0:s", {"a", "b", "c"}, ru)), "b c a");  // an index moves the cursor
    EXPECT_EQ(U(Format("%.2s|%-4s|%4s", {"abcdef", "x", "y"}, ru)), "ab|x   |   y");
    EXPECT_EQ(U(Format("%*d", {5, 42}, ru)), "   42");
    EXPECT_EQ(U(Format("%-*.*f|", {8, 1, 2.25}, ru)), "2,3     |");
    EXPECT_EQ(U(Format("%s%s", {'c', QChar(u'ж')}, ru)), "cж");
    EXPECT_EQ(U(Format("100%%", {}, ru)), "100%");
    EXPECT_EQ(U(Format("%p", {nullptr}, ru)), "0000000000000000");
}

TEST(SysUtilsFormat, Floats) {
    const auto ru = Ru();
    struct { const char* fmt; TVarRec arg; std::string out; } cases[] = {
        {"%f", 1234.5, "1234,50"},
        {"%.0f", 2.5, "3"},
        {"%.3f", -0.0001, "0,000"},
        {"%n", 1234567.891, Nb("1 234 567,89")},
        {"%.0n", 1234567.891, Nb("1 234 568")},
        {"%m", 1234.5, Nb("1 234,50") + " ₽"},
        {"%m", -5.0, "-5,00 ₽"},
        {"%.0m", 5.0, "5 ₽"},
        {"%e", 1234.5, "1,23450000000000E+003"},
        {"%.3e", 1234.5, "1,23E+003"},
        {"%g", 0.1 + 0.2, "0,3"},
        {"%g", 1e20, "1E020"},
        {"%.3g", 1234.5, "1,23E003"},
        {"%8.2f|", 3.14159, "    3,14|"},
        {"%m", TVarRec::FromCurrencyRaw(12345678), Nb("1 234,57") + " ₽"},
        {"%.4f", TVarRec::FromCurrencyRaw(12345678), "1234,5678"},
        {"%f", TVarRec::FromCurrencyRaw(50), "0,01"},
    };
    for (const auto& c : cases) EXPECT_EQ(U(Format(c.fmt, {c.arg}, ru)), c.out) << c.fmt;
    EXPECT_EQ(U(Format("%.2f", {1.5}, TFormatSettings::Invariant())), "1.50");
}

TEST(SysUtilsFormat, MismatchRaisesConvertError) {
    const auto ru = Ru();
    auto invalid = [](const char* fmt) { return "Format '" + std::string(fmt) + "' invalid or incompatible with argument"; };
    EXPECT_EQ(ConvertErrorText([&] { Format("%d", {"x"}, ru); }), invalid("%d"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%d", {1.5}, ru); }), invalid("%d"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%d", {TVarRec::FromCurrencyRaw(10000)}, ru); }), invalid("%d"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%s", {1}, ru); }), invalid("%s"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%f", {1}, ru); }), invalid("%f"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%x", {true}, ru); }), invalid("%x"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%z", {1}, ru); }), invalid("%z"));
    EXPECT_EQ(ConvertErrorText([&] { Format("a %", {1}, ru); }), invalid("a %"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%5", {1}, ru); }), invalid("%5"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%*d", {"5", 1}, ru); }), invalid("%*d"));
    EXPECT_EQ(ConvertErrorText([&] { Format("%d %d", {1}, ru); }), "No argument for format '%d %d'");
    EXPECT_EQ(ConvertErrorText([&] { Format("%2:d", {1, 2}, ru); }), "No argument for format '%2:d'");
}

TEST(SysUtilsFormat, ExceptionCreateFmtUsesFormat) {
    const Exception e(Q("'%s' не найдено в строке %d"), {Q("Цех"), 3});
    EXPECT_EQ(U(e.Message()), "'Цех' не найдено в строке 3");
}

}  // namespace
