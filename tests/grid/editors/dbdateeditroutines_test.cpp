// The date/time edit's routines: edit formats into masks, display formats and layouts (and the
// bad formats), reading typed texts around month ends, leap years and two-digit years, the
// merge into an old value, and stepping the element under the caret.
#include "grid/editors/dbdateeditvzroutines.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

#include <gtest/gtest.h>

namespace {

class DateEditRoutines : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = FormatSettings;
        SetClock([] { return EncodeDateTime(2026, 12, 11, 14, 30, 0, 0); });
    }
    void TearDown() override {
        FormatSettings = Saved;
        SetClock(nullptr);
    }
    TFormatSettings Saved;
};

TEST_F(DateEditRoutines, FormatsGiveMaskDisplayFormatAndLayout) {
    struct Case {
        const char* format;
        const char* mask;
        const char* display;
        const char* layout;
    };
    const Case cases[] = {
        {"DD/MM/YYYY", "!99/99/9999;1; ", "DD/MM/YYYY", "DD/MM/YYYY"},
        {"dd/mm/yy hh:nn:ss", "!99/99/99 99:99:99;1; ", "DD/MM/YY' 'HH:NN:SS", "DD/MM/YY HH:NN:SS"},
        {"YYYY-MM-DD", "!9999-99-99;1; ", "YYYY'-'MM'-'DD", "YYYY MM DD"},
        // An escaped letter is a literal; mask command characters are escaped in the mask.
        {"HH\\h NN", "!99h 99;1; ", "HH'h 'NN", "HH  NN"},
        {"DD#MM 'YYYY", "!99\\#99 '9999;1; ", "DD'#'MM' '''YYYY", "DD MM  YYYY"},
    };
    for (const Case& c : cases) {
        TDateTimeElementsMaskPosVz pos;
        EXPECT_EQ(EditFormatToEditMaskVz(c.format, pos), String(c.mask)) << c.format;
        EXPECT_EQ(EditFormatToDisplayFormatVz(c.format), String(c.display)) << c.format;
        EXPECT_EQ(EditFormatToElementLayoutVz(c.format), String(c.layout)) << c.format;
    }
    TDateTimeElementsMaskPosVz pos;
    EditFormatToEditMaskVz("DD/MM/YYYY HH:NN", pos);
    EXPECT_EQ(pos.Day.Pos, 1);
    EXPECT_EQ(pos.Month.Pos, 4);
    EXPECT_EQ(pos.Year.Pos, 7);
    EXPECT_EQ(pos.Year.Length, 4);
    EXPECT_EQ(pos.Hour.Pos, 12);
    EXPECT_EQ(pos.Min.Pos, 15);
    EXPECT_FALSE(pos.Sec.Present);
}

TEST_F(DateEditRoutines, BadFormatsRaiseNamingTheElement) {
    struct Case {
        const char* format;
        const char* message;
    };
    const Case cases[] = {
        {"DD/MM/YYY", "Invalid datetime format element length: \"Y\""},
        {"DD/MM/DD", "Duplicating datetime format element: \"D\""},
        {"DDD", "Element in EditFormat: \"DDD\" is too long. Pos: 3"},
        {"D/MM/YY", "Invalid datetime format element length: \"D\""},
    };
    for (const Case& c : cases) {
        TDateTimeElementsMaskPosVz pos;
        try {
            EditFormatToEditMaskVz(c.format, pos);
            ADD_FAILURE() << c.format << " was accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), String(c.message)) << c.format;
        }
    }
}

TEST_F(DateEditRoutines, DefaultFormatsFollowTheLocale) {
    FormatSettings.ShortDateFormat = "dd.MM.yyyy";
    EXPECT_TRUE(LocaleFourDigitYearVz());
    EXPECT_EQ(DefaultEditFormatVz(dtkDateVz, true), String("DD/MM/YYYY"));
    EXPECT_EQ(DefaultEditFormatVz(dtkDateTimeVz, false), String("DD/MM/YY HH:NN:SS"));
    EXPECT_EQ(DefaultEditFormatVz(dtkTimeVz, true), String("HH:NN:SS"));
    FormatSettings.ShortDateFormat = "M/d/yy";
    EXPECT_FALSE(LocaleFourDigitYearVz());
    EXPECT_EQ(DefaultEditFormatVz(dtkDateVz, false), String("MM/DD/YY"));
    FormatSettings.ShortDateFormat = "yyyy-MM-dd";
    EXPECT_EQ(DefaultEditFormatVz(dtkDateVz, true), String("YYYY/MM/DD"));
}

TEST_F(DateEditRoutines, TwoDigitYearsFallIntoTheSixtyYearWindow) {
    const int cases[][2] = {{0, 2000}, {26, 2026}, {65, 2065}, {66, 1966}, {99, 1999}, {25, 2025}, {100, 100},
                            {1999, 1999}};
    for (auto& c : cases) EXPECT_EQ(ExpandTwoDigitYearVz(c[0]), c[1]) << c[0];
}

// Typing (no correction) and leaving the control (correction) over the same texts.
TEST_F(DateEditRoutines, TypedTextsAroundMonthEndsAndLeapYears) {
    struct Case {
        const char* format;
        const char* text;
        const char* typed;   // value while typing ("" = Null)
        const char* left;    // value after validation ("" = Null)
    };
    const Case cases[] = {
        {"DD/MM/YYYY", "29.02.2024", "2024-02-29", "2024-02-29"},
        {"DD/MM/YYYY", "29.02.2025", "", "2025-02-28"},
        {"DD/MM/YYYY", "31.02.2024", "", "2024-02-29"},
        {"DD/MM/YYYY", "31.04.2026", "", "2026-04-30"},
        {"DD/MM/YYYY", "31.12.2026", "2026-12-31", "2026-12-31"},
        {"DD/MM/YYYY", "15.13.2026", "", "2026-12-15"},
        {"DD/MM/YYYY", "31.  .2026", "", "2026-12-31"},     // empty month: the current one
        {"DD/MM/YYYY", "  .  .    ", "", ""},               // empty text: Null
        {"DD/MM/YYYY", "01.01.0025", "2025-01-01", "2025-01-01"},
        {"DD/MM/YY", "29.02.00", "2000-02-29", "2000-02-29"},
        {"DD/MM/YY", "29.02.66", "", "1966-02-28"},
        {"DD/MM/YY", "01.03.65", "2065-03-01", "2065-03-01"},
        {"DD/MM/YY", "3 .1 .9 ", "2009-01-03", "2009-01-03"},
        {"DD/MM/YY", "0a.01.26", "", "2026-01-11"},          // unreadable day: today's
        {"MM/DD/YYYY", "02/30/2023", "", "2023-02-28"},
    };
    FormatSettings.DateSeparator = u'.';
    for (const Case& c : cases) {
        TDateTimeElementsMaskPosVz pos;
        EditFormatToEditMaskVz(c.format, pos);
        for (bool correct : {false, true}) {
            TDateTimeElementValuesVz v;
            TextToElementsVz(c.text, pos, v);
            Variant value = Null();
            ElementsToValueVz(v, pos, value, correct);
            const String expected = correct ? c.left : c.typed;
            const String got = VarIsNull(value) ? String() : FormatDateTime("yyyy-mm-dd", VarToDateTime(value));
            EXPECT_EQ(got, expected) << c.format << " " << c.text << (correct ? " corrected" : " typed");
        }
    }
}

TEST_F(DateEditRoutines, ElementsMergeIntoTheOldValueKeepingWhatTheMaskHides) {
    TDateTimeElementsMaskPosVz datePos, timePos;
    EditFormatToEditMaskVz("DD/MM/YYYY", datePos);
    EditFormatToEditMaskVz("HH:NN:SS", timePos);
    Variant v = VarFromDateTime(EncodeDateTime(2024, 1, 31, 17, 45, 12, 250));
    TDateTimeElementValuesVz e;
    TextToElementsVz("29.02.2024", datePos, e);
    ASSERT_TRUE(ElementsToValueVz(e, datePos, v, true));
    EXPECT_EQ(VarToDateTime(v), EncodeDateTime(2024, 2, 29, 17, 45, 12, 250));
    TextToElementsVz("08:05:00", timePos, e);
    ASSERT_TRUE(ElementsToValueVz(e, timePos, v, true));
    EXPECT_EQ(VarToDateTime(v), EncodeDateTime(2024, 2, 29, 8, 5, 0, 250));
    // Out-of-range times are corrected only on leaving.
    TextToElementsVz("24:60:61", timePos, e);
    Variant t = Null();
    EXPECT_FALSE(ElementsToValueVz(e, timePos, t, false));
    EXPECT_TRUE(VarIsNull(t));
    ASSERT_TRUE(ElementsToValueVz(e, timePos, t, true));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", VarToDateTime(t)), String("1900-01-01 23:59:59"));
}

TEST_F(DateEditRoutines, SteppingWrapsEachElementWithinItsRange) {
    struct Case {
        const char* format;
        const char* text;
        int pos;       // 1-based caret position
        bool up;
        const char* result;
        int start, length;
    };
    const Case cases[] = {
        {"DD/MM/YYYY", "31.02.2024", 1, true, "01.02.2024", 1, 2},   // the month is not consulted
        {"DD/MM/YYYY", "01.02.2024", 2, false, "31.02.2024", 1, 2},
        {"DD/MM/YYYY", "31.12.2024", 3, true, "31.01.2024", 4, 2},   // separator: the next element
        {"DD/MM/YYYY", "31.01.2024", 5, false, "31.12.2024", 4, 2},
        {"DD/MM/YYYY", "31.01.9999", 8, true, "31.01.0001", 7, 4},
        {"DD/MM/YYYY", "31.01.0001", 10, false, "31.01.9999", 7, 4},
        {"DD/MM/YY", "31.01.99", 7, true, "31.01.00", 7, 2},          // two digits stay two digits
        {"DD/MM/YY", "31.01.00", 8, false, "31.01.99", 7, 2},
        {"DD/MM/YY", "31.01.  ", 8, false, "31.01.99", 7, 2},
        {"HH:NN:SS", "00:59:59", 1, false, "23:59:59", 1, 2},
        {"HH:NN:SS", "23:59:59", 4, true, "23:00:59", 4, 2},
        {"HH:NN:SS", "23:59:00", 99, false, "23:59:59", 7, 2},        // caret past the end: last
        {"DD/MM/YYYY", "  .02.2024", 1, true, "01.02.2024", 1, 2},
    };
    FormatSettings.DateSeparator = u'.';
    for (const Case& c : cases) {
        String text = c.text;
        int start = 0, length = 0;
        ASSERT_TRUE(IncrementTextElementVz(text, EditFormatToElementLayoutVz(c.format), c.pos, c.up, start, length))
            << c.text;
        EXPECT_EQ(text, String(c.result)) << c.text << " at " << c.pos;
        EXPECT_EQ(start, c.start) << c.text;
        EXPECT_EQ(length, c.length) << c.text;
    }
    String text = "01 02";
    int s, l;
    EXPECT_FALSE(IncrementTextElementVz(text, EditFormatToElementLayoutVz("DD\\xMM"), 3, true, s, l));
}

} // namespace
