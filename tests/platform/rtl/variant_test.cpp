#include "platform/rtl/variant.h"

#include "platform/rtl/classes.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using sdelka::test::MessageOf;

class VariantTest : public ::testing::Test {
protected:
    // the entry point's guard puts the settings back after each test
    void SetUp() override { FormatSettings = TFormatSettings::Create(); }
};

TEST_F(VariantTest, ConstructionPicksTheFrameworkKinds) {
    struct Case { Variant v; TVarType type; };
    const Case cases[] = {
        {Variant(), varEmpty},
        {Variant::Null(), varNull},
        {Variant(true), varBoolean},
        {Variant(static_cast<signed char>(1)), varShortInt},
        {Variant(static_cast<unsigned char>(1)), varByte},
        {Variant(short(1)), varSmallint},
        {Variant(static_cast<unsigned short>(1)), varWord},
        {Variant(1), varInteger},
        {Variant(1u), varLongWord},
        {Variant(Int64(1)), varInt64},
        {Variant(1LL), varInt64},
        {Variant(UInt64(1)), varUInt64},
        {Variant(1.5f), varSingle},
        {Variant(1.5), varDouble},
        {Variant(1.5L), varDouble},
        {Variant(Currency(1.5)), varCurrency},
        {Variant(StrToBcd(QStringLiteral("1,5"))), varFMTBcd},
        {Variant(QStringLiteral("x")), varUString},
        {Variant("x"), varUString},
        {Variant(u"ж"), varUString},
        {Variant(QChar(u'ж')), varUString},
        {Variant(u'ж'), varUString},
        {VarFromDateTime(45000.5), varDate},
        {VarSQLTimeStampCreate(45000.5), varSQLTimeStamp},
        {VarSQLTimeStampOffsetCreate(45000.5), varSQLTimeStampOffset},
        {VarFMTBcdCreate(1.25), varFMTBcd},
        {VarArrayOf({1, 2}), TVarType(varArray | varVariant)},
    };
    for (const auto& c : cases) EXPECT_EQ(VarType(c.v), c.type) << VarTypeAsText(c.type).toStdString();
    EXPECT_EQ(VarType(Unassigned()), varEmpty);
    EXPECT_EQ(VarType(Null()), varNull);
}

TEST_F(VariantTest, EmptyAndNullStayApart) {
    const Variant e, n = Null();
    EXPECT_TRUE(VarIsEmpty(e));
    EXPECT_FALSE(VarIsNull(e));
    EXPECT_TRUE(VarIsClear(e));
    EXPECT_TRUE(VarIsNull(n));
    EXPECT_FALSE(VarIsEmpty(n));
    EXPECT_FALSE(VarIsClear(n));
    EXPECT_FALSE(e == n);
    EXPECT_EQ(VarCompareValue(e, n), vrNotEqual);
    EXPECT_FALSE(VarSameValue(e, n));
    EXPECT_TRUE(VarSameValue(n, Null()));
    // Copies keep the kind.
    Variant copy = n;
    EXPECT_TRUE(VarIsNull(copy));
    Variant moved = std::move(copy);
    EXPECT_TRUE(VarIsNull(moved));
    // Empty converts to the default of a type; Null converts to nothing.
    EXPECT_EQ(e.AsInteger(), 0);
    EXPECT_EQ(e.AsString(), QString());
    EXPECT_FALSE(e.AsBoolean());
    EXPECT_THROW(n.AsInteger(), EVariantTypeCastError);
    EXPECT_THROW(n.AsString(), EVariantTypeCastError);
    // A text taken from a Variant about to go leaves the copies sharing it as they were.
    Variant text(QStringLiteral("ёлка"));
    const Variant sharing = text;
    EXPECT_EQ(std::move(text).AsString(), QStringLiteral("ёлка"));
    EXPECT_EQ(sharing.AsString(), QStringLiteral("ёлка"));
    EXPECT_EQ(Variant(12).AsString(), QStringLiteral("12"));
    EXPECT_EQ(VarToStr(n), QString());
    EXPECT_EQ(VarToStrDef(n, QStringLiteral("-")), QStringLiteral("-"));
    EXPECT_EQ(VarToStrDef(e, QStringLiteral("-")), QString());
    EXPECT_TRUE(VarIsNull(VarAsType(n, varNull)));
    EXPECT_TRUE(VarIsEmpty(VarAsType(n, varEmpty)));
}

TEST_F(VariantTest, TypeInspection) {
    EXPECT_TRUE(VarIsNumeric(Variant(1)) && VarIsNumeric(Variant(true)) && VarIsNumeric(Variant(Currency(1))));
    EXPECT_TRUE(VarIsNumeric(VarFMTBcdCreate(1.0)));
    EXPECT_FALSE(VarIsNumeric(Variant("1")) || VarIsNumeric(VarFromDateTime(1)) || VarIsNumeric(Null()));
    EXPECT_TRUE(VarIsOrdinal(Variant(UInt64(1))) && VarIsOrdinal(Variant(false)));
    EXPECT_FALSE(VarIsOrdinal(Variant(1.0)));
    EXPECT_TRUE(VarIsFloat(Variant(1.0)) && VarIsFloat(Variant(1.0f)) && VarIsFloat(Variant(Currency(1))));
    EXPECT_FALSE(VarIsFloat(Variant(1)));
    EXPECT_TRUE(VarIsStr(Variant("a")) && VarIsStr(VarAsType(Variant(1), varOleStr)));
    EXPECT_TRUE(VarIsType(Variant(1), {varSmallint, varInteger}));
    EXPECT_FALSE(VarIsType(Variant(1), varInt64));
    EXPECT_EQ(VarTypeAsText(varUString), QStringLiteral("UnicodeString"));
    EXPECT_EQ(VarTypeAsText(varArray | varVariant), QStringLiteral("Array Variant"));
    EXPECT_EQ(VarTypeAsText(varFMTBcd), QStringLiteral("FMTBcdVariantType"));
}

TEST_F(VariantTest, ConversionTable) {
    struct Case { Variant v; TVarType to; Variant expected; };
    const Case cases[] = {
        {Variant("12"), varInteger, Variant(12)},
        {Variant(" 12 "), varInteger, Variant(12)},
        {Variant("2,5"), varInteger, Variant(2)},      // ties to even
        {Variant("3,5"), varInteger, Variant(4)},
        {Variant(2.5), varInteger, Variant(2)},
        {Variant(-2.5), varInteger, Variant(-2)},
        {Variant(Currency(1.5)), varInteger, Variant(2)},
        {Variant(true), varInteger, Variant(-1)},
        {Variant(false), varInteger, Variant(0)},
        {Variant("True"), varInteger, Variant(-1)},
        {Variant(), varInteger, Variant(0)},
        {Variant("1,5"), varDouble, Variant(1.5)},
        {Variant("-1,5E2"), varDouble, Variant(-150.0)},
        {Variant(true), varDouble, Variant(-1.0)},
        {Variant("1,23456"), varCurrency, Variant(Currency::FromRaw(12346))},
        {Variant(0.00015), varCurrency, Variant(Currency::FromRaw(2))},
        {Variant(2), varBoolean, Variant(true)},
        {Variant(0.0), varBoolean, Variant(false)},
        {Variant("false"), varBoolean, Variant(false)},
        {Variant("0"), varBoolean, Variant(false)},
        {Variant(true), varUString, Variant("True")},
        {Variant(false), varOleStr, Variant("False")},
        {Variant(1.5), varUString, Variant("1,5")},
        {Variant(-7), varUString, Variant("-7")},
        {Variant(Currency(2.5)), varUString, Variant("2,5")},
        {Variant(StrToBcd(QStringLiteral("-3,25"))), varUString, Variant("-3,25")},
        {Variant("12,345"), varFMTBcd, Variant(StrToBcd(QStringLiteral("12,345")))},
        {Variant(200), varByte, Variant(static_cast<unsigned char>(200))},
        {Variant("9000000000"), varInt64, Variant(Int64(9000000000LL))},
        {Variant(1e19), varUInt64, Variant(UInt64(10000000000000000000ULL))},
    };
    for (const auto& c : cases) {
        Variant r = VarAsType(c.v, c.to);
        EXPECT_EQ(VarType(r), c.to) << VarToStr(c.v).toStdString();
        EXPECT_TRUE(VarSameValue(r, c.expected)) << VarToStr(c.v).toStdString() << " -> " << VarToStr(r).toStdString();
    }
    EXPECT_EQ(Variant("42").AsInt64(), 42);
    EXPECT_DOUBLE_EQ(Variant("0,25").AsDouble(), 0.25);
    EXPECT_EQ(Variant("0,1").AsExtended(), 0.1L);
    EXPECT_EQ(Variant(1.25).AsCurrency(), Currency(1.25));
    EXPECT_EQ(BcdToStr(Variant(Currency(7.5)).AsBcd()), QStringLiteral("7,5"));
    EXPECT_EQ(VarToStr(Variant(UInt64(18446744073709551615ULL))), QStringLiteral("18446744073709551615"));
}

TEST_F(VariantTest, TextUsesTheGlobalDecimalSeparator) {
    FormatSettings.DecimalSeparator = u'.';
    EXPECT_DOUBLE_EQ(Variant("1.5").AsDouble(), 1.5);
    EXPECT_THROW(Variant("1,5").AsDouble(), EVariantTypeCastError);
    EXPECT_EQ(VarToStr(Variant(0.5)), QStringLiteral("0.5"));
    EXPECT_EQ(VarToStr(Variant(Currency(0.5))), QStringLiteral("0.5"));
}

TEST_F(VariantTest, DatesAndTimeStamps) {
    const TDateTime dt = EncodeDateTime(2024, 3, 15, 10, 30, 0, 0);
    Variant d = VarFromDateTime(dt);
    EXPECT_EQ(VarToStr(d), DateTimeToStr(dt));
    EXPECT_EQ(VarToDateTime(d), dt);
    EXPECT_EQ(Variant(DateTimeToStr(dt)).AsDateTime(), dt);
    EXPECT_EQ(VarToDateTime(Variant(45000.25)), 45000.25);
    EXPECT_EQ(VarType(VarToDateTimeVariant(Variant("15.03.2024"))), varDate);

    Variant ts = VarSQLTimeStampCreate(dt);
    TSQLTimeStamp st = VarToSQLTimeStamp(ts);
    EXPECT_EQ(st.Year, 2024);
    EXPECT_EQ(st.Month, 3);
    EXPECT_EQ(st.Day, 15);
    EXPECT_EQ(st.Hour, 10);
    EXPECT_EQ(st.Minute, 30);
    EXPECT_EQ(VarToDateTime(ts), dt);
    EXPECT_TRUE(ts == d);
    EXPECT_EQ(VarToDateTime(VarAsType(d, varSQLTimeStamp)), dt);
    EXPECT_EQ(SQLTimeStampToDateTime(TSQLTimeStamp()), 0.0);
    EXPECT_THROW(SQLTimeStampToDateTime(TSQLTimeStamp{2024, 2, 30, 0, 0, 0, 0}), EConvertError);

    Variant off = VarSQLTimeStampOffsetCreate(VarToSQLTimeStampOffset(VarFromDateTime(dt)));
    EXPECT_EQ(VarToDateTime(off), dt);
    EXPECT_THROW(VarSQLTimeStampCreate(QStringLiteral("not a date")), EConvertError);
}

TEST_F(VariantTest, TheThreeFailuresCarryTheFrameworkMessages) {
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)Null().AsInteger(); }),
              QStringLiteral("Could not convert variant of type (Null) into type (Integer)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)Variant("abc").AsInteger(); }),
              QStringLiteral("Could not convert variant of type (UnicodeString) into type (Integer)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)Variant("abc").AsDouble(); }),
              QStringLiteral("Could not convert variant of type (UnicodeString) into type (Double)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)Variant("yesterday").AsDateTime(); }),
              QStringLiteral("Could not convert variant of type (UnicodeString) into type (Date)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)Variant("maybe").AsBoolean(); }),
              QStringLiteral("Could not convert variant of type (UnicodeString) into type (Boolean)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)Null().AsString(); }),
              QStringLiteral("Could not convert variant of type (Null) into type (UnicodeString)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)VarToStr(VarArrayOf({1})); }),
              QStringLiteral("Could not convert variant of type (Array Variant) into type (UnicodeString)"));
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { (void)VarAsType(Variant(1), varOleStr | varArray); }),
              QStringLiteral("Could not convert variant of type (Integer) into type (Array OleStr)"));

    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)Variant(1e10).AsInteger(); }),
              QStringLiteral("Overflow while converting variant of type (Double) into type (Integer)"));
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)Variant(Int64(1) << 40).AsInteger(); }),
              QStringLiteral("Overflow while converting variant of type (Int64) into type (Integer)"));
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)VarAsType(Variant(300), varByte); }),
              QStringLiteral("Overflow while converting variant of type (Integer) into type (Byte)"));
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)VarAsType(Variant(-1), varLongWord); }),
              QStringLiteral("Overflow while converting variant of type (Integer) into type (LongWord)"));
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)Variant(1e300).AsCurrency(); }),
              QStringLiteral("Overflow while converting variant of type (Double) into type (Currency)"));
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)Variant("1e300").AsCurrency(); }),
              QStringLiteral("Overflow while converting variant of type (UnicodeString) into type (Currency)"));
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { (void)Variant("99999999999").AsInteger(); }),
              QStringLiteral("Overflow while converting variant of type (UnicodeString) into type (Integer)"));

    // Both derive from EVariantError; the object kind refuses numbers.
    EXPECT_THROW(Variant("abc").AsInt64(), EVariantError);
    EXPECT_THROW(VarFromObject(nullptr).AsInteger(), EVariantTypeCastError);
}

TEST_F(VariantTest, EqualityTable) {
    struct Case { Variant a, b; bool equal; };
    const Case cases[] = {
        {Variant(), Variant(0), true},
        {Variant(), Variant(""), true},
        {Variant(), Variant(false), true},
        {Variant(), Variant(), true},
        {Variant(), Variant(1), false},
        {Variant(), Variant("x"), false},
        {Null(), Null(), true},
        {Null(), Variant(0), false},
        {Null(), Variant(), false},
        {Null(), Variant(""), false},
        {Variant("10"), Variant(10), true},
        {Variant("10,0"), Variant(10), true},
        {Variant("1,5"), Variant(1.5), true},
        {Variant("abc"), Variant("abc"), true},
        {Variant("abc"), Variant("ABC"), false},
        {Variant(true), Variant(-1), true},
        {Variant(true), Variant(1), false},
        {Variant(false), Variant(0), true},
        {Variant("True"), Variant(true), true},
        {Variant("false"), Variant(true), false},
        {Variant(Currency(1.5)), Variant(1.5), true},
        {Variant(Currency(1.5)), Variant(short(1)), false},
        {Variant(StrToBcd(QStringLiteral("1,50"))), Variant(1.5), true},
        {Variant(StrToBcd(QStringLiteral("1,50"))), Variant(Currency(1.5)), true},
        {Variant(Int64(-1)), Variant(UInt64(18446744073709551615ULL)), false},
        {Variant(1.0f), Variant(1), true},
        {VarFromDateTime(45000), Variant(45000), true},
        {VarFromDateTime(EncodeDate(2024, 3, 15)), Variant("15.03.2024"), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << VarToStr(c.a).toStdString() << " = " << VarToStr(c.b).toStdString();
        EXPECT_EQ(c.b == c.a, c.equal) << VarToStr(c.b).toStdString() << " = " << VarToStr(c.a).toStdString();
        EXPECT_EQ(c.a != c.b, !c.equal);
    }
}

TEST_F(VariantTest, OrderingTable) {
    struct Case { Variant a, b; TVariantRelationship rel; };
    const Case cases[] = {
        {Variant(1), Variant(2), vrLessThan},
        {Variant(2.5), Variant(2), vrGreaterThan},
        {Variant("10"), Variant(9), vrGreaterThan},       // as numbers, not as text
        {Variant("b"), Variant("a"), vrGreaterThan},
        {Variant("а"), Variant("б"), vrLessThan},         // Cyrillic
        {Variant("Zeta"), Variant(QStringLiteral("Альфа")), vrLessThan},  // the word sort: Latin first,
        {Variant(QStringLiteral("Петрова")), Variant(QStringLiteral("Петров-Водкин")), vrLessThan},  // the hyphen light
        {Variant(true), Variant(0), vrLessThan},          // True is -1
        {Variant(Currency(-0.0001)), Variant(0), vrLessThan},
        {Variant(UInt64(18446744073709551615ULL)), Variant(Int64(-1)), vrGreaterThan},
        {Variant(Int64(9007199254740993LL)), Variant(9007199254740992.0), vrGreaterThan},
        {Variant(StrToBcd(QStringLiteral("12345678901234567890,1"))), Variant(StrToBcd(QStringLiteral("12345678901234567890,2"))), vrLessThan},
        {Variant(3), Variant("3"), vrEqual},
        {Variant("12345678901234567890,1"), Variant(StrToBcd(QStringLiteral("12345678901234567890,2"))), vrLessThan},
        // VarCompareValue: Null or Empty against anything else is "not equal".
        {Variant(), Variant(0), vrNotEqual},
        {Variant(0), Variant(), vrNotEqual},
        {Variant(), Variant(), vrEqual},
        {Null(), Null(), vrEqual},
        {Null(), Variant(1), vrNotEqual},
        {Variant(1), Null(), vrNotEqual},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VarCompareValue(c.a, c.b), c.rel) << VarToStr(c.a).toStdString() << " ? " << VarToStr(c.b).toStdString();

    EXPECT_TRUE(Variant(1) < Variant(2));
    EXPECT_TRUE(Variant(2) >= Variant(2));
    EXPECT_TRUE(Variant("9") < Variant(10));
    EXPECT_TRUE(Variant("9") > Variant("10"));  // text against text stays text
    // Null orders before every other value and equals only Null.
    EXPECT_TRUE(Null() < Variant(-1000));
    EXPECT_TRUE(Null() < Variant());
    EXPECT_FALSE(Variant(-1000) < Null());
    EXPECT_TRUE(Null() <= Null());
    EXPECT_FALSE(Null() < Null());
    // Arrays do not compare.
    EXPECT_THROW((void)(VarArrayOf({1}) == VarArrayOf({1})), EVariantInvalidOpError);
}

// Text that does not read as the other value's kind cannot be compared with it, as in the
// framework; the grid library's comparison answers "not equal" for such keys instead.
TEST_F(VariantTest, TextThatIsNotANumberDoesNotCompareWithANumber) {
    struct Case { Variant a, b; };
    const Case cases[] = {
        {Variant("abc"), Variant(1)},
        {Variant(QStringLiteral("Д-240")), Variant(240.5)},
        {Variant("maybe"), Variant(true)},
        {Variant("32.13.2024"), VarFromDateTime(45000)},
        {Variant("x"), Variant(Currency(1.5))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(VarToStr(c.a).toStdString());
        EXPECT_THROW((void)(c.a == c.b), EVariantTypeCastError);
        EXPECT_THROW((void)(c.b < c.a), EVariantTypeCastError);
        EXPECT_THROW(VarCompareValue(c.a, c.b), EVariantTypeCastError);
    }
    try {
        (void)(Variant("abc") == Variant(1));
    } catch (const EVariantTypeCastError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Could not convert variant of type ("))) << e.Message().toStdString();
    }
    // Text against text and Null against anything stay comparable.
    EXPECT_FALSE(Variant("abc") == Null());
    EXPECT_TRUE(Variant("abc") > Variant("ab"));
}

TEST_F(VariantTest, Arithmetic) {
    Variant r = Variant(1) + Variant(2);
    EXPECT_EQ(VarType(r), varInteger);
    EXPECT_EQ(r.AsInteger(), 3);
    r = Variant(INT32_MAX) + Variant(1);
    EXPECT_EQ(VarType(r), varInt64);
    EXPECT_EQ(r.AsInt64(), Int64(INT32_MAX) + 1);
    EXPECT_THROW(Variant(INT64_MAX) * Variant(INT64_MAX), EIntOverflow);
    // Products past even 128 bits raise the same (they once wrapped unchecked).
    EXPECT_THROW(Variant(UINT64_MAX) * Variant(UINT64_MAX), EIntOverflow);
    EXPECT_THROW(Variant(UINT64_MAX) * Variant(INT64_MIN), EIntOverflow);
    r = Variant(UInt64(1) << 32) * Variant(UInt64(1) << 31);  // past Int64: UInt64
    EXPECT_EQ(VarType(r), varUInt64);
    EXPECT_EQ(r.AsUInt64(), UInt64(1) << 63);

    r = Variant("a") + Variant("b");
    EXPECT_EQ(VarType(r), varUString);
    EXPECT_EQ(r.AsString(), QStringLiteral("ab"));
    r = Variant("1") + Variant(2);  // text in arithmetic counts as Double
    EXPECT_EQ(VarType(r), varDouble);
    EXPECT_EQ(r.AsInteger(), 3);
    r = Variant("1,5") + Variant(1);
    EXPECT_EQ(VarType(r), varDouble);
    EXPECT_DOUBLE_EQ(r.AsDouble(), 2.5);
    EXPECT_DOUBLE_EQ((Variant("3") - Variant("1,5")).AsDouble(), 1.5);
    EXPECT_THROW(Variant("abc") + Variant(1), EVariantTypeCastError);

    EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
    EXPECT_TRUE(VarIsNull(Variant("x") + Null()));
    EXPECT_TRUE(VarIsNull(Null() / Variant(0)));
    EXPECT_TRUE(VarIsNull(-Null()));
    EXPECT_EQ((Variant() + Variant(1)).AsInteger(), 1);
    EXPECT_EQ((Variant() + Variant("x")).AsString(), QStringLiteral("x"));

    r = Variant(6) / Variant(3);
    EXPECT_EQ(VarType(r), varDouble);
    EXPECT_DOUBLE_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
    EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
    EXPECT_EQ(VarIntDiv(Variant(7), Variant(2)).AsInteger(), 3);
    EXPECT_EQ(VarIntDiv(Variant(-7), Variant(2)).AsInteger(), -3);
    EXPECT_EQ(VarMod(Variant(7), Variant(3)).AsInteger(), 1);
    EXPECT_EQ((Variant(-7) % Variant(3)).AsInteger(), -1);
    EXPECT_THROW(VarIntDiv(Variant(1), Variant(0)), EDivByZero);
    EXPECT_THROW(VarMod(Variant(1), Variant(0)), EDivByZero);

    r = Variant(Currency(0.0003)) * Variant(Currency(0.5));
    EXPECT_EQ(VarType(r), varCurrency);
    EXPECT_EQ(r.AsCurrency().Raw(), 2);
    r = Variant(Currency(1.5)) * Variant(2);
    EXPECT_EQ(VarType(r), varCurrency);
    EXPECT_EQ(r.AsCurrency(), Currency(3));
    r = Variant(StrToBcd(QStringLiteral("0,1"))) + Variant(StrToBcd(QStringLiteral("0,2")));
    EXPECT_EQ(VarType(r), varFMTBcd);
    EXPECT_EQ(VarToStr(r), QStringLiteral("0,3"));

    r = VarFromDateTime(45000.5) + Variant(1);
    EXPECT_EQ(VarType(r), varDate);
    EXPECT_DOUBLE_EQ(r.AsDateTime(), 45001.5);
    r = VarFromDateTime(45001) - VarFromDateTime(45000.5);
    EXPECT_EQ(VarType(r), varDouble);
    EXPECT_DOUBLE_EQ(r.AsDouble(), 0.5);

    r = -Variant(5);
    EXPECT_EQ(r.AsInteger(), -5);
    EXPECT_EQ(VarType(-Variant(INT32_MIN)), varInt64);
    EXPECT_DOUBLE_EQ((-Variant("2,5")).AsDouble(), -2.5);

    Variant acc = 1;
    acc += 2;
    acc *= Variant("3");
    EXPECT_EQ(acc.AsInteger(), 9);
}

TEST_F(VariantTest, Logic) {
    Variant r = VarAnd(true, false);
    EXPECT_EQ(VarType(r), varBoolean);
    EXPECT_FALSE(r.AsBoolean());
    EXPECT_TRUE(VarOr(false, true).AsBoolean());
    EXPECT_TRUE(VarXor(true, false).AsBoolean());
    EXPECT_TRUE(VarAnd(Variant("True"), true).AsBoolean());
    EXPECT_EQ((Variant(6) & Variant(3)).AsInteger(), 2);
    EXPECT_EQ((Variant(6) | Variant(3)).AsInteger(), 7);
    EXPECT_EQ((Variant(6) ^ Variant(3)).AsInteger(), 5);
    EXPECT_EQ(VarAnd(true, Variant(6)).AsInteger(), 6);  // True is all bits set
    EXPECT_FALSE(VarNot(true).AsBoolean());
    EXPECT_EQ(VarNot(0).AsInteger(), -1);
    EXPECT_TRUE(VarIsNull(VarOr(Null(), true)));
    EXPECT_TRUE(VarIsNull(VarNot(Null())));
}

TEST_F(VariantTest, ArraysWithBounds) {
    Variant a = VarArrayCreate({1, 3}, varInteger);
    EXPECT_TRUE(VarIsArray(a));
    EXPECT_EQ(VarType(a), varArray | varInteger);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 3);
    EXPECT_EQ(VarType(a.GetElement(1)), varInteger);
    EXPECT_EQ(a.GetElement(1).AsInteger(), 0);
    a.PutElement(2, Variant("5"));  // converted to the element type
    EXPECT_EQ(VarType(a.GetElement(2)), varInteger);
    EXPECT_EQ(a.GetElement(2).AsInteger(), 5);
    EXPECT_THROW(a.PutElement(3, Variant("x")), EVariantTypeCastError);
    EXPECT_THROW(a.GetElement(0), EVariantBadIndexError);
    EXPECT_THROW(a.GetElement(4), EVariantBadIndexError);
    EXPECT_THROW(VarArrayLowBound(a, 2), EVariantBadIndexError);

    VarArrayRedim(a, 5);
    EXPECT_EQ(VarArrayHighBound(a, 1), 5);
    EXPECT_EQ(a.GetElement(2).AsInteger(), 5);
    EXPECT_EQ(a.GetElement(5).AsInteger(), 0);
    VarArrayRedim(a, 1);
    EXPECT_THROW(a.GetElement(2), EVariantBadIndexError);

    // Copies are values of their own.
    Variant b = VarArrayOf({1, "a", Null()});
    Variant c = b;
    c.PutElement(0, Variant(99));
    EXPECT_EQ(b.GetElement(0).AsInteger(), 1);
    EXPECT_EQ(VarType(b.GetElement(1)), varUString);
    EXPECT_TRUE(VarIsNull(b.GetElement(2)));
    EXPECT_EQ(VarArrayHighBound(b, 1), 2);

    Variant m = VarArrayCreate({0, 1, 10, 12}, varVariant);
    EXPECT_EQ(VarArrayDimCount(m), 2);
    EXPECT_EQ(VarArrayLowBound(m, 2), 10);
    VarArrayPut(m, Variant("x"), {1, 11});
    VarArrayPut(m, Variant(7), {0, 12});
    EXPECT_EQ(VarToStr(VarArrayGet(m, {1, 11})), QStringLiteral("x"));
    EXPECT_EQ(VarArrayGet(m, {0, 12}).AsInteger(), 7);
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(m, {0, 11})));
    EXPECT_THROW(VarArrayGet(m, {1}), EVariantBadIndexError);

    Variant empty = VarArrayOf({});
    EXPECT_EQ(VarArrayHighBound(empty, 1), -1);

    EXPECT_THROW(Variant(1).GetElement(0), EVariantNotAnArrayError);
    EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);
    EXPECT_THROW(VarArrayCreate({1}, varInteger), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({5, 1}, varInteger), EVariantArrayCreateError);
}

TEST_F(VariantTest, ByteArraysForBlobsAndBookmarks) {
    Variant a = VarArrayCreate({0, 3}, varByte);
    auto* p = static_cast<Byte*>(VarArrayLock(a));
    std::memcpy(p, "\x01\x02\xFE\x00", 4);
    EXPECT_THROW(VarArrayRedim(a, 10), EVariantArrayLockedError);
    VarArrayUnlock(a);
    EXPECT_EQ(VarByteArrayToBytes(a), QByteArray("\x01\x02\xFE\x00", 4));
    EXPECT_EQ(VarType(a.GetElement(2)), varByte);
    EXPECT_EQ(a.GetElement(2).AsInteger(), 254);
    EXPECT_THROW(a.PutElement(0, Variant(256)), EVariantOverflowError);
    VarArrayRedim(a, 5);
    EXPECT_EQ(VarByteArrayToBytes(a), QByteArray("\x01\x02\xFE\x00\x00\x00", 6));

    const QByteArray blob("blob\0data", 9);
    Variant v = VarByteArrayOf(blob);
    EXPECT_EQ(VarType(v), varArray | varByte);
    EXPECT_EQ(VarArrayHighBound(v, 1), 8);
    EXPECT_EQ(VarByteArrayToBytes(v), blob);
    EXPECT_EQ(VarByteArrayToBytes(VarByteArrayOf(QByteArray())), QByteArray());
    Variant vi = VarArrayOf({1, 2});
    EXPECT_THROW(VarArrayLock(vi), EVariantInvalidArgError);
}

// What a Variant holds, as text: kind, value, and for arrays their bounds and elements.
String Describe(const Variant& v) {
    String s = VarTypeAsText(VarType(v));
    if (VarIsArray(v)) {
        s += QStringLiteral(" %1..%2:").arg(VarArrayLowBound(v, 1)).arg(VarArrayHighBound(v, 1));
        for (int i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i) s += u' ' + Describe(v.GetElement(i));
    } else if (VarIsSQLTimeStampOffset(v)) {
        const TSQLTimeStampOffset t = VarToSQLTimeStampOffset(v);
        s += QStringLiteral(" %1 %2:%3 %4").arg(VarToStr(v)).arg(t.TimeZoneHour).arg(t.TimeZoneMinute).arg(t.Fractions);
    } else if (VarType(v) == varObject) {
        s += v.AsObject() ? QStringLiteral(" object") : QStringLiteral(" nil");
    } else {
        s += u' ' + VarToStr(v);
    }
    return s;
}

// Every kind of payload (in place, a shared text, a block of its own) survives being copied,
// moved and assigned over every other kind, and the source of a move is left Empty.
TEST_F(VariantTest, CopiesMovesAndAssignmentsKeepEveryKindWhole) {
    TComponent* owner = New<TComponent>(nullptr);
    TSQLTimeStampOffset stamp{2024, 3, 15, 10, 20, 30, 456, 3, 30};
    const std::vector<std::function<Variant()>> makers = {
        [] { return Variant(); },
        [] { return Null(); },
        [] { return Variant(true); },
        [] { return Variant(-7); },
        [] { return Variant(UInt64(18446744073709551615ULL)); },
        [] { return Variant(2.5f); },
        [] { return Variant(1e300); },
        [] { return Variant(Currency(12.3456)); },
        [] { return VarFromDateTime(EncodeDate(2024, 2, 29)); },
        [owner] { return VarFromObject(owner); },
        [] { return VarSQLTimeStampCreate(TSQLTimeStamp{1999, 12, 31, 23, 59, 58, 999}); },
        [stamp] { return VarSQLTimeStampOffsetCreate(stamp); },
        [] { return Variant(String(1000, u'ж')); },  // a text on the heap, shared by copies
        [] { return Variant(""); },
        [] { return VarFMTBcdCreate(QStringLiteral("-12345678901234567890,123"), 32, 3); },
        [] { return VarArrayOf({1, "a", Null(), VarArrayOf({2.5})}); },
        [] { return VarByteArrayOf(QByteArray("\x01\xFF", 2)); },
    };
    for (const auto& makeA : makers) {
        const String a = Describe(makeA());
        for (const auto& makeB : makers) {
            const String b = Describe(makeB());
            SCOPED_TRACE((a + QStringLiteral(" <- ") + b).toStdString());
            Variant x = makeA(), y = makeB();
            x = y;  // copy over
            EXPECT_EQ(Describe(x), b);
            EXPECT_EQ(Describe(y), b);
            Variant z = makeA();
            z = std::move(y);  // move over
            EXPECT_EQ(Describe(z), b);
            EXPECT_TRUE(VarIsEmpty(y));
            Variant w(std::move(z));
            EXPECT_EQ(Describe(w), b);
            EXPECT_TRUE(VarIsEmpty(z));
            Variant copy(w);
            EXPECT_EQ(Describe(copy), b);
        }
        Variant self = makeA();
        const Variant& alias = self;
        self = alias;
        EXPECT_EQ(Describe(self), a);
        self = std::move(self);
        EXPECT_EQ(Describe(self), a);
    }

    // A copy's text and number are the copy's own: changing the source leaves it be.
    Variant text("abc"), bcd = VarFMTBcdCreate(QStringLiteral("1,5"), 10, 2);
    Variant textCopy = text, bcdCopy = bcd;
    text += Variant("def");
    bcd = bcd * Variant(2);
    EXPECT_EQ(VarToStr(textCopy), QStringLiteral("abc"));
    EXPECT_EQ(VarToStr(text), QStringLiteral("abcdef"));
    EXPECT_EQ(VarToStr(bcdCopy), QStringLiteral("1,5"));
    EXPECT_EQ(VarToStr(bcd), QStringLiteral("3"));

    // A copy of a locked array is not locked.
    Variant bytes = VarByteArrayOf(QByteArray("ab", 2));
    VarArrayLock(bytes);
    Variant bytesCopy = bytes;
    EXPECT_NO_THROW(VarArrayRedim(bytesCopy, 3));
    EXPECT_THROW(VarArrayRedim(bytes, 3), EVariantArrayLockedError);
    VarArrayUnlock(bytes);
    owner->Free();
}

TEST_F(VariantTest, ObjectReferences) {
    TComponent* owner = New<TComponent>(nullptr);
    Variant v = VarFromObject(owner);
    EXPECT_EQ(VarType(v), varObject);
    EXPECT_EQ(v.AsObject(), owner);
    EXPECT_TRUE(v == VarFromObject(owner));
    EXPECT_FALSE(v == VarFromObject(nullptr));
    EXPECT_EQ(Null().AsObject(), nullptr);
    EXPECT_THROW(Variant(1).AsObject(), EVariantTypeCastError);
    Variant list = VarArrayCreate({0, 1}, varObject);
    EXPECT_EQ(list.GetElement(1).AsObject(), nullptr);
    list.PutElement(1, v);
    EXPECT_EQ(list.GetElement(1).AsObject(), owner);
    owner->Free();
}

TEST_F(VariantTest, CustomKindsForDatasets) {
    Variant b = VarFMTBcdCreate(QStringLiteral("12,345"), 10, 2);
    EXPECT_TRUE(VarIsFMTBcd(b));
    EXPECT_EQ(VarToStr(b), QStringLiteral("12,35"));
    EXPECT_EQ(BcdScale(b.AsBcd()), 2);
    EXPECT_EQ(b.AsCurrency(), Currency(12.35));
    EXPECT_DOUBLE_EQ(b.AsDouble(), 12.35);
    EXPECT_EQ(b.AsInteger(), 12);
    EXPECT_THROW(VarFMTBcdCreate(QStringLiteral("12345"), 4, 1), EBcdOverflowException);
    EXPECT_EQ(VarToStr(VarFMTBcdCreate(2.5, 18, 4)), QStringLiteral("2,5"));
    Variant big = Variant(StrToBcd(QStringLiteral("123456789012345678901234567890")));
    EXPECT_THROW(big.AsInt64(), EVariantOverflowError);
    EXPECT_EQ(VarToStr(VarAsType(Variant("98765432109876543210,5"), varFMTBcd)), QStringLiteral("98765432109876543210,5"));
}

TEST_F(VariantTest, FormatArguments) {
    EXPECT_EQ(Format(QStringLiteral("%s %d %s %s|%s"),
                     {Variant("x"), Variant(5), Variant(true), Variant(Currency(1.5)).AsString(), Null()}),
              QStringLiteral("x 5 True 1,5|"));
    TVarRec r = Variant(2.5);
    EXPECT_EQ(r.VType, TVarRec::vtExtended);
    r = Variant(Currency(2.5));
    EXPECT_EQ(r.VType, TVarRec::vtCurrency);
    EXPECT_EQ(r.VInt64, 25000);
    r = Variant(Int64(1) << 40);
    EXPECT_EQ(r.VType, TVarRec::vtInt64);
    r = VarFromDateTime(EncodeDate(2024, 3, 15));
    EXPECT_EQ(r.VType, TVarRec::vtUnicodeString);
    EXPECT_EQ(r.VString, QStringLiteral("15.03.2024"));
}

}  // namespace
