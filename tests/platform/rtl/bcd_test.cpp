#include "platform/rtl/bcd.h"

#include "platform/rtl/formatsettings.h"

#include <gtest/gtest.h>

namespace {

class BcdTest : public ::testing::Test {
protected:
    // the entry point's guard puts the settings back after each test
    void SetUp() override { FormatSettings = TFormatSettings::Create(); }
};

TBcd B(const char* s) { return StrToBcd(QString::fromUtf8(s)); }
String S(const TBcd& b) { return BcdToStr(b); }

TEST_F(BcdTest, TextRoundTripKeepsEveryDigit) {
    const char* texts[] = {
        "0", "-0,5", "123,45", "1", "-1",
        "12345678901234567890123456789012345678901234567890,12345678901234",  // 64 digits
    };
    for (const char* t : texts) EXPECT_EQ(S(B(t)), QString::fromUtf8(t)) << t;
    const String widest[] = {
        u'-' + QString(64, u'9'),                       // 64 integer digits
        QStringLiteral("0,") + QString(62, u'0') + u'1',  // 63 decimals
    };
    for (const String& t : widest) EXPECT_EQ(S(StrToBcd(t)), t) << t.toStdString();

    TBcd big = B("12345678901234567890123456789012345678901234567890,12345678901234");
    EXPECT_EQ(big.Precision, 64);
    EXPECT_EQ(BcdScale(big), 14);
    EXPECT_EQ(big.Digit(0), 1);
    EXPECT_EQ(big.Fraction[0], 0x12);
    EXPECT_EQ(big.Fraction[31], 0x34);
}

TEST_F(BcdTest, TextShapes) {
    TBcd b = B(" 000123,4500 ");
    EXPECT_EQ(S(b), QStringLiteral("123,45"));
    EXPECT_EQ(BcdScale(b), 4);
    EXPECT_EQ(BcdPrecision(b), 7);
    EXPECT_EQ(BcdPrecision(B("0,05")), 2);
    EXPECT_FALSE(IsBcdNegative(B("-0")));
    EXPECT_EQ(S(B("-0,000")), QStringLiteral("0"));

    const char* bad[] = {"", "abc", "1,2,3", "1.5", "--1", "1e5", "1 000", ","};
    for (const char* t : bad) {
        TBcd out;
        EXPECT_FALSE(TryStrToBcd(QString::fromUtf8(t), out)) << t;
    }
    try {
        B("abc");
        FAIL();
    } catch (const EBcdException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'abc' is not a valid BCD value"));
    }
    // 65 integer digits do not fit; decimals beyond 64 digits are rounded away.
    const String tooLong = QString(65, u'9');
    TBcd out;
    EXPECT_FALSE(TryStrToBcd(tooLong, out));
    EXPECT_THROW(StrToBcd(tooLong), EBcdOverflowException);
    // 1 integer digit leaves room for 63 decimals: the 64th and 65th round half away from zero.
    EXPECT_EQ(S(StrToBcd(QStringLiteral("1,") + QString(62, u'0') + QStringLiteral("151"))),
              QStringLiteral("1,") + QString(62, u'0') + u'2');

    TFormatSettings dot = TFormatSettings::Create();
    dot.DecimalSeparator = u'.';
    EXPECT_EQ(BcdToStr(StrToBcd(QStringLiteral("-7.25"), dot), dot), QStringLiteral("-7.25"));
}

TEST_F(BcdTest, NormalizeRoundsHalfAwayFromZero) {
    struct Case { const char* in; Word prec, scale; bool ok; const char* out; };
    const Case cases[] = {
        {"1,2345", 5, 3, true, "1,235"},   {"-1,2345", 5, 3, true, "-1,235"},
        {"1,2344", 5, 3, true, "1,234"},   {"2,5", 2, 0, true, "3"},
        {"-2,5", 2, 0, true, "-3"},        {"3,5", 2, 0, true, "4"},
        {"99,95", 4, 1, true, "100"},      {"99,95", 3, 1, false, ""},
        {"0,0049", 3, 2, true, "0"},       {"1,5", 10, 4, true, "1,5"},
        {"12345", 4, 0, false, ""},        {"-0,004", 3, 2, true, "0"},
    };
    for (const auto& c : cases) {
        TBcd out = B("42");
        EXPECT_EQ(NormalizeBcd(B(c.in), out, c.prec, c.scale), c.ok) << c.in;
        if (!c.ok) {
            EXPECT_EQ(S(out), QStringLiteral("42")) << c.in;
            continue;
        }
        EXPECT_EQ(S(out), QString::fromUtf8(c.out)) << c.in;
        EXPECT_EQ(out.Precision, c.prec) << c.in;
        EXPECT_EQ(BcdScale(out), c.scale) << c.in;
    }
    TBcd padded;
    ASSERT_TRUE(NormalizeBcd(B("1,5"), padded, 6, 3));
    const int digits[] = {0, 0, 1, 5, 0, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(padded.Digit(i), digits[i]) << i;
}

TEST_F(BcdTest, CompareAndArithmetic) {
    EXPECT_EQ(BcdCompare(B("1,50"), B("1,5")), 0);
    EXPECT_EQ(BcdCompare(B("-1"), B("0,5")), -1);
    EXPECT_EQ(BcdCompare(B("-0"), B("0")), 0);
    EXPECT_EQ(BcdCompare(B("10"), B("9,99")), 1);
    EXPECT_EQ(BcdCompare(B("-10"), B("-9,99")), -1);

    TBcd r;
    BcdAdd(B("0,1"), B("0,2"), r);
    EXPECT_EQ(S(r), QStringLiteral("0,3"));
    BcdAdd(B("99999999999999999999999999999999,9999"), B("0,0001"), r);
    EXPECT_EQ(S(r), QStringLiteral("100000000000000000000000000000000"));
    BcdSubtract(B("1"), B("1,5"), r);
    EXPECT_EQ(S(r), QStringLiteral("-0,5"));
    BcdSubtract(B("-2"), B("-2"), r);
    EXPECT_EQ(S(r), QStringLiteral("0"));
    EXPECT_FALSE(IsBcdNegative(r));
    BcdMultiply(B("1,5"), B("-2,25"), r);
    EXPECT_EQ(S(r), QStringLiteral("-3,375"));
    EXPECT_EQ(BcdScale(r), 3);
    BcdMultiply(B("123456789012345678901234567890"), B("987654321098765432109876543210"), r);
    EXPECT_EQ(S(r), QStringLiteral("121932631137021795226185032733622923332237463801111263526900"));
    BcdDivide(B("10"), B("4"), r);
    EXPECT_EQ(S(r), QStringLiteral("2,5"));
    BcdDivide(B("1"), B("3"), r);
    EXPECT_EQ(S(r), QStringLiteral("0,") + QString(63, u'3'));
    BcdDivide(B("-2"), B("3"), r);
    EXPECT_EQ(S(r), QStringLiteral("-0,") + QString(62, u'6') + u'7');
    EXPECT_THROW(BcdDivide(B("1"), B("0,00"), r), EZeroDivide);
    EXPECT_THROW(BcdMultiply(B(QString(40, u'9').toLatin1().constData()), B(QString(30, u'9').toLatin1().constData()), r),
                 EBcdOverflowException);
}

TEST_F(BcdTest, NumbersAndCurrency) {
    EXPECT_EQ(S(DoubleToBcd(0.1)), QStringLiteral("0,1"));
    EXPECT_EQ(S(DoubleToBcd(1e20)), QStringLiteral("100000000000000000000"));
    EXPECT_EQ(S(DoubleToBcd(-1.5e-5)), QStringLiteral("-0,000015"));
    EXPECT_EQ(S(DoubleToBcd(0)), QStringLiteral("0"));
    EXPECT_DOUBLE_EQ(BcdToDouble(B("123,456")), 123.456);
    EXPECT_DOUBLE_EQ(BcdToDouble(B("-0,001")), -0.001);
    EXPECT_EQ(S(IntegerToBcd(INT64_MIN)), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(BcdToInt64(B("-12,9")), -12);
    EXPECT_THROW(BcdToInt64(B("9223372036854775808")), EBcdOverflowException);

    TBcd c;
    ASSERT_TRUE(CurrToBCD(Currency(12.3456), c));
    EXPECT_EQ(S(c), QStringLiteral("12,3456"));
    EXPECT_EQ(c.Precision, 32);
    EXPECT_EQ(BcdScale(c), 4);
    EXPECT_EQ(S(CurrToBCD(MinCurrency)), QStringLiteral("-922337203685477,5808"));

    Currency cur;
    ASSERT_TRUE(BCDToCurr(B("1,00005"), cur));
    EXPECT_EQ(cur.Raw(), 10000);  // tie to even
    ASSERT_TRUE(BCDToCurr(B("-1,00015"), cur));
    EXPECT_EQ(cur.Raw(), -10002);
    EXPECT_FALSE(BCDToCurr(B("1000000000000000"), cur));
}

}  // namespace
