#include "platform/rtl/currency.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

#include <gtest/gtest.h>

namespace {

class CurrencyTest : public ::testing::Test {
protected:
    // the entry point's guard puts the settings back after each test
    void SetUp() override { FormatSettings = TFormatSettings::Create(); }
};

TEST_F(CurrencyTest, FromFloatRoundsTiesToEvenAtTheFourthDecimal) {
    struct Case { double value; Int64 raw; };
    const Case cases[] = {
        {0.00005, 0},     {0.00015, 2},   {0.00025, 2},     {0.00035, 4},
        {-0.00005, 0},    {-0.00015, -2}, {-0.00025, -2},   {1.23456, 12346},
        {1.23454, 12345}, {0.1, 1000},    {2.5, 25000},     {-1234.56785, -12345678},
        {0.000049999, 0}, {0.0000500001, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(Currency(c.value).Raw(), c.raw) << c.value;
    EXPECT_EQ(Currency(0.00015L).Raw(), 2);
    EXPECT_EQ(Currency(0.00015f).Raw(), 2);
}

TEST_F(CurrencyTest, IntegersAreExact) {
    EXPECT_EQ(Currency(7).Raw(), 70000);
    EXPECT_EQ(Currency(-922337203685477LL).Raw(), -9223372036854770000LL);
    EXPECT_EQ(Currency(3u).Raw(), 30000);
}

TEST_F(CurrencyTest, ProductsAndQuotientsRoundTiesToEven) {
    const Currency half = 0.5;
    EXPECT_EQ((Currency(0.0001) * half).Raw(), 0);   // 0.00005
    EXPECT_EQ((Currency(0.0003) * half).Raw(), 2);   // 0.00015
    EXPECT_EQ((Currency(-0.0003) * half).Raw(), -2);
    EXPECT_EQ((Currency(1.2345) * Currency(1.1)).Raw(), 13580);  // 1.35795 -> 1.3580
    EXPECT_EQ((Currency(1) / Currency(3)).Raw(), 3333);
    EXPECT_EQ((Currency(2) / Currency(3)).Raw(), 6667);
    EXPECT_EQ((Currency(-2) / Currency(3)).Raw(), -6667);
    EXPECT_EQ((Currency(0.0001) / Currency(2)).Raw(), 0);
    EXPECT_EQ((Currency(0.0003) / Currency(2)).Raw(), 2);
    EXPECT_EQ((Currency(0.0003) / Currency(-2)).Raw(), -2);
    EXPECT_EQ(Currency(10.25) + 1, Currency(11.25));
    EXPECT_EQ(Currency(10.25) - 0.25, Currency(10));
    EXPECT_LT(Currency(-0.0001), Currency(0));
    EXPECT_DOUBLE_EQ(Currency(12.5).ToDouble(), 12.5);
}

TEST_F(CurrencyTest, OverflowRaises) {
    EXPECT_THROW(MaxCurrency + Currency::FromRaw(1), EIntOverflow);
    EXPECT_THROW(MinCurrency - Currency::FromRaw(1), EIntOverflow);
    EXPECT_THROW(-MinCurrency, EIntOverflow);
    EXPECT_THROW(Currency(1e15), EOverflow);
    EXPECT_THROW(Currency(-1e15), EOverflow);
    EXPECT_THROW(Currency(922337203685478LL), EOverflow);
    EXPECT_THROW(MaxCurrency * Currency(2), EOverflow);
    EXPECT_THROW(MaxCurrency / Currency(0.5), EOverflow);
    EXPECT_THROW(Currency(1) / Currency(0), EZeroDivide);
}

TEST_F(CurrencyTest, TextToCurrency) {
    struct Case { const char* text; bool ok; Int64 raw; };
    const Case cases[] = {
        {"1,5", true, 15000},       {"-0,00015", true, -2},      {" 12 ", true, 120000},
        {"1,23456", true, 12346},   {"1,23465", true, 12346},    {"1e3", true, 10000000},
        {"1,5E-4", true, 2},        {",5", true, 5000},          {"+3", true, 30000},
        {"abc", false, 0},          {"1.5", false, 0},           {"", false, 0},
        {"1 000", false, 0},        {"1,5x", false, 0},
        {"922337203685477,5807", true, INT64_MAX},
        {"922337203685477,5808", false, 0},
        {"-922337203685477,5808", true, INT64_MIN},
    };
    for (const auto& c : cases) {
        Currency v = Currency(99);
        EXPECT_EQ(TryStrToCurr(QString::fromUtf8(c.text), v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v.Raw(), c.raw) << c.text;
        }
    }
    try {
        StrToCurr(QStringLiteral("abc"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'abc' is not a valid floating point value"));
    }
    TFormatSettings dot = TFormatSettings::Create();
    dot.DecimalSeparator = u'.';
    EXPECT_EQ(StrToCurr(QStringLiteral("2.75"), dot).Raw(), 27500);
}

TEST_F(CurrencyTest, CurrencyToText) {
    EXPECT_EQ(CurrToStr(Currency(1234.5)), QStringLiteral("1234,5"));
    EXPECT_EQ(CurrToStr(Currency(-0.0001)), QStringLiteral("-0,0001"));
    EXPECT_EQ(CurrToStr(Currency(100)), QStringLiteral("100"));
    EXPECT_EQ(CurrToStrF(Currency(1234.5), ffFixed, 2), QStringLiteral("1234,50"));
    EXPECT_EQ(FormatCurr(QStringLiteral("0.00"), Currency(2.5)), QStringLiteral("2,50"));
    // The mask sees the exact value: 0.0005 is not nudged by a binary neighbour.
    EXPECT_EQ(FormatCurr(QStringLiteral("0.000"), Currency(1.0005)), QStringLiteral("1,001"));
}

TEST_F(CurrencyTest, FormatArgumentIsCurrencyKind) {
    TVarRec r = Currency(1.5);
    EXPECT_EQ(r.VType, TVarRec::vtCurrency);
    EXPECT_EQ(r.VInt64, 15000);
}

}  // namespace
