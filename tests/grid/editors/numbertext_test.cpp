// The number edit's text cleaning, the refusal of ambiguous texts, and clamping with rounding.
#include "grid/editors/numbertextvz.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberText, CleaningKeepsOnlyWhatMakesANumber) {
    // Decimal ',', thousands non-breaking space, alternative '.'.
    const Char dec = u',', thou = QChar(0x00A0), alt = u'.';
    struct Case {
        const char16_t* text;
        const char16_t* clean;
    };
    const Case cases[] = {
        {u"1.5", u"1,5"},            {u"1,5", u"1,5"},           {u"1\u00A0234,5", u"1234,5"},
        {u"-12 р.", u"-12,"},        {u"1-2", u"12"},            {u"--3", u"-3"},
        {u"1e-5", u"1e5"},           {u"2E3e4", u"2E34"},        {u"1,5.2", u"1,52"},
        {u"abc", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CleanNumberTextVz(String::fromUtf16(c.text), dec, thou, alt), String::fromUtf16(c.clean))
            << String::fromUtf16(c.text).toStdString();
}

TEST(NumberText, TextsWithMoreThanOnePointAreAmbiguous) {
    EXPECT_TRUE(NumberTextIsAmbiguousVz(u"1.5.2"_S, u',', u'.'));
    EXPECT_TRUE(NumberTextIsAmbiguousVz(u"1,5,2"_S, u',', u'.'));
    EXPECT_FALSE(NumberTextIsAmbiguousVz(u"1.5"_S, u',', u'.'));
    EXPECT_FALSE(NumberTextIsAmbiguousVz(u"1,5"_S, u',', u'.'));
    EXPECT_FALSE(NumberTextIsAmbiguousVz(u"1,5.2"_S, u',', u'.'));  // the decimal separator decides
    EXPECT_FALSE(NumberTextIsAmbiguousVz(u"152"_S, u',', u'.'));
}

TEST(NumberText, ClampingAndRoundingHalvesToEven) {
    struct Case {
        Extended x, min, max;
        unsigned places;
        Extended result;
    };
    const Case cases[] = {
        {5, 0, 10, 2, 5},        {-1, 0, 10, 2, 0},      {11, 0, 10, 2, 10},
        {-5, 3, 0, 0, 3},        {50, 3, 0, 0, 50},      // max below min, max 0: only the lower limit
        {50, 0, -3, 0, -3},      {-50, 0, -3, 0, -50},   // max below min, min 0: only the upper limit
        {50, 7, 7, 0, 50},       {2.5, 0, 0, 0, 2},      {3.5, 0, 0, 0, 4},
        {1.125, 0, 0, 2, 1.12},  {1.135, 0, 0, 2, 1.14}, {1.23456, 0, 0, 40, 1.23456},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(static_cast<double>(ClampAndRoundNumberVz(c.x, c.min, c.max, c.places)),
                    static_cast<double>(c.result), 1e-12)
            << static_cast<double>(c.x) << " " << c.places;
}

}  // namespace
