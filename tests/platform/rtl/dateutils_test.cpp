#include "platform/rtl/dateutils.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TDateTime DT(Word y, Word m, Word d, Word h = 0, Word n = 0, Word s = 0, Word z = 0) {
    return EncodeDateTime(y, m, d, h, n, s, z);
}

// Renders a value field by field so failures show the date, not a bare double.
std::string Show(TDateTime v) {
    Word y, m, d, h, n, s, z;
    DecodeDateTime(v, y, m, d, h, n, s, z);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", y, m, d, h, n, s, z);
    return buf;
}

// Russian defaults and a clock pinned to 2026-06-15 10:00 for every test; both restored after.
class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = FormatSettings;
        FormatSettings = TFormatSettings::Create();
        PinClock(DT(2026, 6, 15, 10, 0, 0));
    }
    void TearDown() override {
        SetClock(nullptr);
        FormatSettings = FSaved;
    }
    static void PinClock(TDateTime v) {
        SetClock([v] { return v; });
    }

private:
    TFormatSettings FSaved;
};

template <class F>
String ConvertErrorOf(F f) {
    try {
        f();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return QStringLiteral("<no EConvertError>");
}

}  // namespace

// ---- calendar ----------------------------------------------------------------------------------

TEST_F(DateTimeTest, LeapYearsAndMonthLengths) {
    struct Case { Word year; bool leap; };
    for (const Case c : {Case{1900, false}, Case{2000, true}, Case{2024, true}, Case{2100, false},
                         Case{2023, false}, Case{1600, true}}) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(IsLeapYear(c.year), c.leap);
        EXPECT_EQ(DaysInAMonth(c.year, 2), c.leap ? 29 : 28);
        EXPECT_EQ(MonthDays[c.leap][2], c.leap ? 29 : 28);
        TDateTime v;
        EXPECT_EQ(TryEncodeDate(c.year, 2, 29, v), c.leap);
    }
    EXPECT_EQ(DaysInMonth(DT(2024, 4, 30, 23, 59)), 30);
    EXPECT_EQ(DaysInMonth(DT(1899, 12, 29)), 31);
}

TEST_F(DateTimeTest, EncodeKnownDays) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2024, 3, 5), 45356.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(100, 1, 1), MinDateTime);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), 1.0 - OneMillisecond);
}

TEST_F(DateTimeTest, ValuesBeforeTheEpochKeepAPositiveTimeOfDay) {
    struct Case { Word y, m, d, h, n, s, z; TDateTime value; };
    const Case cases[] = {
        {1899, 12, 29, 6, 0, 0, 0, -1.25},
        {1899, 12, 29, 0, 0, 0, 0, -1.0},
        {1899, 12, 28, 18, 0, 0, 0, -2.75},
        {1899, 12, 30, 6, 0, 0, 0, 0.25},
        {1899, 12, 31, 18, 0, 0, 0, 1.75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_DOUBLE_EQ(EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.z), c.value);
        Word y, m, d, h, n, s, z;
        DecodeDateTime(c.value, y, m, d, h, n, s, z);
        EXPECT_EQ((std::array<Word, 7>{y, m, d, h, n, s, z}),
                  (std::array<Word, 7>{c.y, c.m, c.d, c.h, c.n, c.s, c.z}));
    }
}

TEST_F(DateTimeTest, EveryEraRoundTripsThroughDecodeAndEncode) {
    // Days across the whole range, before and after 1899-12-30, each with some time of day.
    for (Int64 day = -693593; day <= 2958465; day += 997) {
        const Int64 ms = (day * 7919 % MSecsPerDay + MSecsPerDay) % MSecsPerDay;
        const TDateTime v = day >= 0 ? day + double(ms) / MSecsPerDay : day - double(ms) / MSecsPerDay;
        Word y, m, d, h, n, s, z;
        DecodeDateTime(v, y, m, d, h, n, s, z);
        ASSERT_EQ(EncodeDate(y, m, d), double(day)) << Show(v);
        ASSERT_EQ(((Int64(h) * 60 + n) * 60 + s) * 1000 + z, ms) << Show(v);
        ASSERT_DOUBLE_EQ(EncodeDateTime(y, m, d, h, n, s, z), v) << Show(v);
    }
}

TEST_F(DateTimeTest, InvalidArgumentsRaiseConvertError) {
    struct Case { Word y, m, d; };
    for (const Case c : {Case{2023, 2, 29}, Case{2024, 13, 1}, Case{2024, 0, 1}, Case{2024, 4, 31},
                         Case{0, 1, 1}, Case{10000, 1, 1}, Case{2024, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
        EXPECT_EQ(ConvertErrorOf([&] { EncodeDate(c.y, c.m, c.d); }), "Invalid argument to date encode");
    }
    struct TCase { Word h, n, s, z; };
    for (const TCase c : {TCase{24, 0, 0, 0}, TCase{0, 60, 0, 0}, TCase{0, 0, 60, 0}, TCase{0, 0, 0, 1000}}) {
        EXPECT_EQ(ConvertErrorOf([&] { EncodeTime(c.h, c.n, c.s, c.z); }), "Invalid argument to time encode");
    }
    EXPECT_EQ(ConvertErrorOf([] { EncodeDateTime(2024, 2, 30, 0, 0, 0, 0); }), "Invalid argument to date encode");
    EXPECT_EQ(ConvertErrorOf([] { EncodeDateTime(2024, 2, 3, 25, 0, 0, 0); }), "Invalid argument to time encode");
}

TEST_F(DateTimeTest, DaysOfTheWeek) {
    struct Case { TDateTime v; Word dow, iso; };
    const Case cases[] = {
        {DT(2024, 3, 5, 14), 3, 2},      // Tuesday
        {DT(2024, 3, 10), 1, 7},         // Sunday
        {0.0, 7, 6},                     // 1899-12-30, Saturday
        {-1.25, 6, 5},                   // 1899-12-29 06:00, Friday
        {EncodeDate(1, 1, 1), 2, 1},     // Monday
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.v));
        EXPECT_EQ(DayOfWeek(c.v), c.dow);
        EXPECT_EQ(DayOfTheWeek(c.v), c.iso);
    }
}

TEST_F(DateTimeTest, IsoWeeksAtYearBoundaries) {
    struct Case { TDateTime v; Word week, year; };
    const Case cases[] = {
        {DT(2021, 1, 1), 53, 2020},  {DT(2021, 1, 3), 53, 2020},  {DT(2021, 1, 4), 1, 2021},
        {DT(2024, 12, 30), 1, 2025}, {DT(2024, 12, 29), 52, 2024}, {DT(2026, 12, 31), 53, 2026},
        {DT(2027, 1, 1), 53, 2026},  {DT(2008, 12, 29), 1, 2009},  {DT(2010, 1, 3), 53, 2009},
        {DT(2024, 3, 5, 23, 59), 10, 2024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.v));
        Word year;
        EXPECT_EQ(WeekOfTheYear(c.v, year), c.week);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(WeekOf(c.v), c.week);
    }
}

TEST_F(DateTimeTest, PartsOfAValue) {
    const TDateTime v = DT(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(YearOf(v), 2024);
    EXPECT_EQ(MonthOf(v), 3);
    EXPECT_EQ(DayOf(v), 5);
    EXPECT_EQ(HourOf(v), 14);
    EXPECT_EQ(MinuteOf(v), 7);
    EXPECT_EQ(SecondOf(v), 9);
    EXPECT_EQ(MilliSecondOf(v), 45);
    // A value a hair below a whole millisecond rounds instead of losing a second.
    EXPECT_EQ(Show(EncodeDate(2024, 3, 5) + 0.5 - 1e-12), "2024-03-05 12:00:00.000");
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_DOUBLE_EQ(TimeOf(-1.25), 0.25);
    EXPECT_EQ(DateOf(v), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StartOfTheDay(v), EncodeDate(2024, 3, 5));
}

TEST_F(DateTimeTest, StartAndEndOfPeriods) {
    EXPECT_EQ(Show(StartOfTheWeek(DT(2024, 3, 7, 15))), "2024-03-04 00:00:00.000");
    EXPECT_EQ(Show(StartOfTheWeek(DT(2024, 3, 10, 23))), "2024-03-04 00:00:00.000");
    EXPECT_EQ(Show(StartOfTheWeek(DT(2024, 3, 4))), "2024-03-04 00:00:00.000");
    EXPECT_EQ(Show(StartOfTheWeek(DT(1899, 12, 31, 12))), "1899-12-25 00:00:00.000");
    EXPECT_EQ(Show(StartOfTheMonth(DT(2024, 2, 10, 12))), "2024-02-01 00:00:00.000");
    EXPECT_EQ(Show(EndOfTheMonth(DT(2024, 2, 10, 12))), "2024-02-29 23:59:59.999");
    EXPECT_EQ(Show(EndOfTheMonth(DT(1899, 12, 3))), "1899-12-31 23:59:59.999");
    EXPECT_EQ(Show(StartOfTheYear(DT(2024, 7, 10, 12))), "2024-01-01 00:00:00.000");
}

// ---- arithmetic --------------------------------------------------------------------------------

TEST_F(DateTimeTest, IncMonthClipsToTheMonthEndAndKeepsTheTime) {
    struct Case { TDateTime from; Integer months; const char* expected; };
    const Case cases[] = {
        {DT(2024, 1, 31, 10, 30), 1, "2024-02-29 10:30:00.000"},
        {DT(2023, 1, 31, 10, 30), 1, "2023-02-28 10:30:00.000"},
        {DT(2024, 1, 31), 13, "2025-02-28 00:00:00.000"},
        {DT(2024, 1, 31), 3, "2024-04-30 00:00:00.000"},
        {DT(2024, 3, 31, 8), -1, "2024-02-29 08:00:00.000"},
        {DT(2024, 3, 31), -14, "2023-01-31 00:00:00.000"},
        {DT(2024, 1, 15), -1, "2023-12-15 00:00:00.000"},
        {DT(2024, 12, 15), 1, "2025-01-15 00:00:00.000"},
        {DT(2024, 1, 15), -12, "2023-01-15 00:00:00.000"},
        {-1.25, 1, "1900-01-29 06:00:00.000"},
        {DT(1900, 1, 29, 6), -1, "1899-12-29 06:00:00.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.from) + " + " + std::to_string(c.months));
        EXPECT_EQ(Show(IncMonth(c.from, c.months)), c.expected);
    }
    EXPECT_DOUBLE_EQ(IncMonth(DT(1900, 1, 29, 6), -1), -1.25);
    EXPECT_EQ(Show(IncYear(DT(2024, 2, 29, 9))), "2025-02-28 09:00:00.000");
    EXPECT_EQ(Show(IncYear(DT(2024, 2, 29), -4)), "2020-02-29 00:00:00.000");

    Word y = 2024, m = 1, d = 31;
    IncAMonth(y, m, d);
    EXPECT_EQ((std::array<Word, 3>{y, m, d}), (std::array<Word, 3>{2024, 2, 29}));
}

TEST_F(DateTimeTest, IncrementsCrossTheEpochOnTheTimeLine) {
    // -1.25 is 1899-12-29 06:00: adding must move along the calendar, not along the double.
    EXPECT_EQ(Show(IncDay(-1.25, 2)), "1899-12-31 06:00:00.000");
    EXPECT_DOUBLE_EQ(IncDay(-1.25, 2), 1.25);
    EXPECT_DOUBLE_EQ(IncDay(0.25, -1), -1.25);
    EXPECT_EQ(Show(IncHour(-1.25, 20)), "1899-12-30 02:00:00.000");
    EXPECT_EQ(Show(IncMinute(0.0, -1)), "1899-12-29 23:59:00.000");
    EXPECT_EQ(Show(IncSecond(-1.25, -3600)), "1899-12-29 05:00:00.000");
    EXPECT_EQ(Show(IncMilliSecond(DT(2024, 12, 31, 23, 59, 59, 999))), "2025-01-01 00:00:00.000");
    EXPECT_EQ(Show(IncWeek(DT(2024, 2, 26, 12), 1)), "2024-03-04 12:00:00.000");
    EXPECT_EQ(Show(IncHour(DT(2024, 3, 5, 23), 25)), "2024-03-07 00:00:00.000");
}

TEST_F(DateTimeTest, SpansAndComparisons) {
    EXPECT_EQ(DaysBetween(DT(2024, 3, 5, 10), DT(2024, 3, 7, 9, 59)), 1);
    EXPECT_EQ(DaysBetween(DT(2024, 3, 7, 10), DT(2024, 3, 5, 10)), 2);
    EXPECT_EQ(DaysBetween(-1.25, 1.25), 2);
    EXPECT_DOUBLE_EQ(DaySpan(-1.25, 1.25), 2.0);
    EXPECT_DOUBLE_EQ(DaySpan(1.25, -1.5), 1.75);  // -1.5 is 1899-12-29 12:00
    // A day computed with a rounding error still counts as a whole day.
    EXPECT_EQ(DaysBetween(0.1 + 0.2, 1.3), 1);

    // On 1899-12-29, 06:00 (-1.25) is earlier than 12:00 (-1.5) although the double is larger.
    EXPECT_EQ(CompareDateTime(-1.25, -1.5), -1);
    EXPECT_EQ(CompareDateTime(-1.5, -1.25), 1);
    EXPECT_EQ(CompareDate(-1.25, -1.5), 0);
    EXPECT_EQ(CompareDate(-1.25, 0.5), -1);
    EXPECT_EQ(CompareDateTime(1.0, 1.0 + OneMillisecond / 3), 0);
    EXPECT_EQ(CompareDateTime(1.0, 1.0 + 2 * OneMillisecond), -1);
    EXPECT_TRUE(SameDate(DT(2024, 3, 5, 1), DT(2024, 3, 5, 23)));
    EXPECT_FALSE(IsSameDay(DT(2024, 3, 5, 23, 59, 59, 999), DT(2024, 3, 6)));
}

TEST_F(DateTimeTest, RecodeReplacesFieldsAndRejectsImpossibleResults) {
    const TDateTime v = DT(2024, 2, 10, 12, 30, 15, 5);
    EXPECT_EQ(Show(RecodeDay(v, 29)), "2024-02-29 12:30:15.005");
    EXPECT_EQ(Show(RecodeMonth(v, 12)), "2024-12-10 12:30:15.005");
    EXPECT_EQ(Show(RecodeYear(v, 1899)), "1899-02-10 12:30:15.005");
    EXPECT_EQ(Show(RecodeDate(v, 1899, 12, 29)), "1899-12-29 12:30:15.005");
    EXPECT_EQ(Show(RecodeTime(-1.25, 18, 0, 0, 0)), "1899-12-29 18:00:00.000");
    EXPECT_EQ(Show(RecodeDateTime(v, RecodeLeaveFieldAsIs, 3, RecodeLeaveFieldAsIs, 0, RecodeLeaveFieldAsIs,
                                  RecodeLeaveFieldAsIs, RecodeLeaveFieldAsIs)),
              "2024-03-10 00:30:15.005");
    EXPECT_EQ(ConvertErrorOf([&] { RecodeDay(v, 30); }), "'2024.2.30 12:30:15,5' is not a valid date and time");
    EXPECT_THROW(RecodeYear(DT(2024, 2, 29), 2023), EConvertError);
    EXPECT_THROW(RecodeTime(v, 24, 0, 0, 0), EConvertError);
}

TEST_F(DateTimeTest, TimeStamps) {
    const TTimeStamp ts = DateTimeToTimeStamp(-1.25);
    EXPECT_EQ(ts.Date, DateDelta - 1);
    EXPECT_EQ(ts.Time, 6 * 3600 * 1000);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(ts), -1.25);
    EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(DateTimeToTimeStamp(DT(2024, 3, 5, 14, 7, 9, 45))),
                     DT(2024, 3, 5, 14, 7, 9, 45));
    EXPECT_EQ(ConvertErrorOf([] { TimeStampToDateTime(TTimeStamp{-1, 5}); }), "'5.-1' is not a valid timestamp");
    EXPECT_THROW(TimeStampToDateTime(TTimeStamp{0, 0}), EConvertError);
}

// ---- clock -------------------------------------------------------------------------------------

TEST_F(DateTimeTest, ClockIsInjectable) {
    PinClock(DT(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(Show(Now()), "2024-03-05 14:07:09.000");
    EXPECT_EQ(Date(), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(Time(), EncodeTime(14, 7, 9, 0));

    SetClock(nullptr);
    const QDateTime before = QDateTime::currentDateTime();
    const TDateTime now = Now();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_GE(CompareDateTime(now, IncSecond(QDateTimeToDateTime(before), -1)), 0);
    EXPECT_LE(CompareDateTime(now, IncSecond(QDateTimeToDateTime(after))), 0);
}

// ---- formatting --------------------------------------------------------------------------------

TEST_F(DateTimeTest, FormatDateTimePatterns) {
    const TDateTime v = DT(2024, 3, 5, 14, 7, 9, 45);  // a Tuesday
    struct Case { const char16_t* format; const char16_t* expected; };
    const Case cases[] = {
        {u"dd.mm.yyyy", u"05.03.2024"},
        {u"d/m/yy", u"5.3.24"},
        {u"y", u"24"},
        {u"ddd, dddd", u"Вт, вторник"},
        {u"mmm|mmmm", u"мар|Март"},
        {u"ddddd", u"05.03.2024"},
        {u"dddddd", u"5 Март 2024 г."},
        {u"c", u"05.03.2024 14:07:09"},
        {u"", u"05.03.2024 14:07:09"},
        {u"h:mm", u"14:07"},                 // m after h is minutes
        {u"h:m", u"14:7"},
        {u"hh 'ч' mm", u"14 ч 07"},          // quoted text does not break the hour-minute pair
        {u"mm hh", u"03 14"},
        {u"dd.mm hh:mm:ss", u"05.03 14:07:09"},
        {u"hh:nn:ss.zzz", u"14:07:09.045"},
        {u"s z", u"9 45"},
        {u"t", u"14:07"},
        {u"tt", u"14:07:09"},
        {u"'Дата:' dd \"mm\" yyyy", u"Дата: 05 mm 2024"},
        {u"'unterminated", u"unterminated"},
        {u"h:nn am/pm", u"2:07 pm"},
        {u"h:nn AM/PM", u"2:07 PM"},
        {u"h a/p", u"2 p"},
        {u"hh ampm", u"02 PM"},
        {u"hh 'am/pm'", u"14 am/pm"},        // a quoted marker does not switch to 12 hours
        {u"DD.MM.YYYY HH:NN", u"05.03.2024 14:07"},
        {u"HH:MM", u"14:07"},
        {u"yyyy-mm-dd\\x", u"2024-03-05\\x"},
        {u"ab", u"ab"},
    };
    for (const Case& c : cases) {
        const String format = QString::fromUtf16(c.format);
        SCOPED_TRACE(format.toStdString());
        EXPECT_EQ(FormatDateTime(format, v), QString::fromUtf16(c.expected));
    }
}

TEST_F(DateTimeTest, FormatDateTimeEdgeValuesAndSettings) {
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(0, 5, 0, 0)), "12:05 am");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(12, 5, 0, 0)), "12:05 pm");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn", -1.25), "29.12.1899 06:00");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", EncodeDate(5, 1, 2)), "02.01.0005");

    // Separators and names come from the settings, not the host.
    TFormatSettings fs = TFormatSettings::Invariant();
    const TDateTime v = DT(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(FormatDateTime("c", v, fs), "03/05/2024 14:07:09");
    EXPECT_EQ(FormatDateTime("dddddd", v, fs), "Tuesday, 05 March 2024 14:07:09");
    fs.DateSeparator = u'-';
    fs.TimeSeparator = u'.';
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", v, fs), "05-03-2024 14.07");
    FormatSettings.TimeAMString = "утра";
    FormatSettings.TimePMString = "вечера";
    EXPECT_EQ(FormatDateTime("h ampm", v), "2 вечера");

    // A short date format that refers to itself does not recurse forever.
    FormatSettings.ShortDateFormat = "ddddd|dd";
    EXPECT_EQ(FormatDateTime("ddddd", v), "|05");
}

TEST_F(DateTimeTest, DateTimeToStrLeavesOutMidnight) {
    // The Russian long time format is "h:nn:ss": hours without a leading zero.
    EXPECT_EQ(FormatSettings.LongTimeFormat, "h:nn:ss");
    EXPECT_EQ(DateToStr(DT(2024, 3, 5, 14, 7)), "05.03.2024");
    EXPECT_EQ(TimeToStr(DT(2024, 3, 5, 9, 5)), "9:05:00");
    EXPECT_EQ(TimeToStr(DT(2024, 3, 5, 14, 7, 9)), "14:07:09");
    EXPECT_EQ(DateTimeToStr(DT(2024, 3, 5, 4, 7, 9)), "05.03.2024 4:07:09");
    EXPECT_EQ(DateTimeToStr(DT(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(DateTimeToStr(DT(2024, 3, 5, 0, 0, 0, 1)), "05.03.2024 0:00:00");
    EXPECT_EQ(FormatDateTime("tt", DT(2024, 3, 5, 9, 5)), "9:05:00");
    const TFormatSettings inv = TFormatSettings::Invariant();
    EXPECT_EQ(DateToStr(DT(2024, 3, 5), inv), "03/05/2024");
}

// ---- parsing -----------------------------------------------------------------------------------

TEST_F(DateTimeTest, StrToDateAcceptsShortForms) {
    // The clock says 2026-06-15; two-digit years fall into 1976..2075.
    struct Case { const char* text; Word y, m, d; };
    const Case cases[] = {
        {"05.03.2024", 2024, 3, 5},  {"5.3.2024", 2024, 3, 5},  {"  5.3.2024  ", 2024, 3, 5},
        {"5 . 3 . 2024", 2024, 3, 5}, {"05.03.2024.", 2024, 3, 5}, {"5.3", 2026, 3, 5},
        {"5.3.24", 2024, 3, 5},      {"5.3.0", 2000, 3, 5},      {"5.3.75", 2075, 3, 5},
        {"5.3.76", 1976, 3, 5},      {"5.3.99", 1999, 3, 5},     {"29.02.2024", 2024, 2, 29},
        {"29.12.1899", 1899, 12, 29}, {"1.1.0001", 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TDateTime v = -999;
        ASSERT_TRUE(TryStrToDate(c.text, v));
        EXPECT_EQ(v, EncodeDate(c.y, c.m, c.d));
        EXPECT_EQ(StrToDate(c.text), EncodeDate(c.y, c.m, c.d));
    }
}

TEST_F(DateTimeTest, StrToDateRejectsMalformedInput) {
    for (const char* text : {"", " ", "5", "5.", "5.3.", "32.01.2024", "29.02.2023", "5.13.2024", "0.3.2024",
                             "5/3/2024", "05.03.2024x", "aa.bb.cccc", "05.03.20245", "05.03.2024 12:00",
                             "05.-3.2024", "1.1.0000", "５.3.2024"}) {
        SCOPED_TRACE(text);
        TDateTime v = 7;
        EXPECT_FALSE(TryStrToDate(QString::fromUtf8(text), v));
        EXPECT_EQ(v, 7.0);  // untouched on failure
        EXPECT_EQ(ConvertErrorOf([&] { StrToDate(QString::fromUtf8(text)); }),
                  QStringLiteral("'%1' is not a valid date").arg(QString::fromUtf8(text)));
        EXPECT_EQ(StrToDateDef(QString::fromUtf8(text), 7), 7.0);
    }
}

TEST_F(DateTimeTest, TwoDigitYearsFollowTheClockAndTheWindow) {
    PinClock(DT(2080, 1, 1));  // window 2030..2129
    EXPECT_EQ(YearOf(StrToDate("5.3.24")), 2124);
    EXPECT_EQ(YearOf(StrToDate("5.3.30")), 2030);
    EXPECT_EQ(YearOf(StrToDate("5.3")), 2080);
    PinClock(DT(2026, 6, 15));
    FormatSettings.TwoDigitYearCenturyWindow = 0;  // no window: the current century
    EXPECT_EQ(YearOf(StrToDate("5.3.99")), 2099);
    FormatSettings.TwoDigitYearCenturyWindow = 10;  // 2016..2115
    EXPECT_EQ(YearOf(StrToDate("5.3.15")), 2115);
    EXPECT_EQ(YearOf(StrToDate("5.3.16")), 2016);
    // Three digits are a year as written.
    EXPECT_EQ(YearOf(StrToDate("5.3.024")), 24);
}

TEST_F(DateTimeTest, DateOrderFollowsTheShortDateFormat) {
    TFormatSettings ymd = TFormatSettings::Create();
    ymd.ShortDateFormat = "yyyy-mm-dd";
    ymd.DateSeparator = u'-';
    EXPECT_EQ(StrToDate("2024-3-5", ymd), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("3-5", ymd), EncodeDate(2026, 3, 5));
    EXPECT_EQ(StrToDate("24-3-5", ymd), EncodeDate(2024, 3, 5));
    const TFormatSettings mdy = TFormatSettings::Invariant();
    EXPECT_EQ(StrToDate("03/05/2024", mdy), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("3/5", mdy), EncodeDate(2026, 3, 5));
    EXPECT_THROW(StrToDate("13/05/2024", mdy), EConvertError);
}

TEST_F(DateTimeTest, StrToTimeForms) {
    struct Case { const char* text; Word h, n, s, z; };
    const Case cases[] = {
        {"14:07", 14, 7, 0, 0},     {"14:07:09", 14, 7, 9, 0}, {"4:7", 4, 7, 0, 0},
        {"14", 14, 0, 0, 0},        {" 14 : 07 ", 14, 7, 0, 0}, {"14:07:09,045", 14, 7, 9, 45},
        {"14:07:09,5", 14, 7, 9, 500}, {"14:07:09,1239", 14, 7, 9, 123},
        {"2:07 PM", 14, 7, 0, 0},   {"2:07 pm", 14, 7, 0, 0},   {"12:00 AM", 0, 0, 0, 0},
        {"12 PM", 12, 0, 0, 0},     {"PM 2:07", 14, 7, 0, 0},   {"23:59:59,999", 23, 59, 59, 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TDateTime v = -1;
        ASSERT_TRUE(TryStrToTime(c.text, v));
        EXPECT_DOUBLE_EQ(v, EncodeTime(c.h, c.n, c.s, c.z));
    }
    for (const char* text : {"", "24:00", "14:60", "14:07:60", "13 PM", "0 AM", "14:", ":30", "14:07x",
                             "14.07", "14:07:09,", "-1:00"}) {
        SCOPED_TRACE(text);
        TDateTime v;
        EXPECT_FALSE(TryStrToTime(text, v));
        EXPECT_EQ(ConvertErrorOf([&] { StrToTime(text); }),
                  QStringLiteral("'%1' is not a valid time").arg(QString::fromLatin1(text)));
    }
    EXPECT_EQ(StrToTimeDef("bad", 0.5), 0.5);
}

TEST_F(DateTimeTest, StrToDateTimeForms) {
    struct Case { const char* text; const char* expected; };
    const Case cases[] = {
        {"05.03.2024 14:07", "2024-03-05 14:07:00.000"},
        {"5.3.2024  14:07:09", "2024-03-05 14:07:09.000"},
        {"05.03.2024", "2024-03-05 00:00:00.000"},
        {"5.3 8:15", "2026-03-05 08:15:00.000"},
        {"14:07", "1899-12-30 14:07:00.000"},
        {"29.12.1899 06:00", "1899-12-29 06:00:00.000"},
        {"05.03.2024 2:07 PM", "2024-03-05 14:07:00.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Show(StrToDateTime(c.text)), c.expected);
    }
    EXPECT_DOUBLE_EQ(StrToDateTime("29.12.1899 06:00"), -1.25);
    for (const char* text : {"", "05.03.2024 25:00", "05.03.2024 14:07 x", "05.03.202414:07", "x 05.03.2024",
                             "31.02.2024 10:00"}) {
        SCOPED_TRACE(text);
        TDateTime v;
        EXPECT_FALSE(TryStrToDateTime(text, v));
        EXPECT_EQ(ConvertErrorOf([&] { StrToDateTime(text); }),
                  QStringLiteral("'%1' is not a valid date and time").arg(QString::fromLatin1(text)));
        EXPECT_EQ(StrToDateTimeDef(text, 3), 3.0);
    }
    const TFormatSettings inv = TFormatSettings::Invariant();
    EXPECT_EQ(Show(StrToDateTime("03/05/2024 2:07 pm", inv)), "2024-03-05 14:07:00.000");
}

TEST_F(DateTimeTest, FormatAndParseRoundTrip) {
    for (TDateTime v : {DT(2024, 3, 5, 14, 7, 9), DT(1899, 12, 29, 6), DT(1, 1, 1), DT(9999, 12, 31, 23, 59, 59),
                        DT(2024, 2, 29)}) {
        SCOPED_TRACE(Show(v));
        EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(v)), v);
    }
}

// ---- Qt value types ----------------------------------------------------------------------------

TEST_F(DateTimeTest, QtConversions) {
    const QDateTime q = DateTimeToQDateTime(DT(2024, 3, 5, 14, 7, 9, 45));
    EXPECT_EQ(q.date(), QDate(2024, 3, 5));
    EXPECT_EQ(q.time(), QTime(14, 7, 9, 45));
    EXPECT_EQ(QDateTimeToDateTime(q), DT(2024, 3, 5, 14, 7, 9, 45));

    const QDateTime old = DateTimeToQDateTime(-1.25);
    EXPECT_EQ(old.date(), QDate(1899, 12, 29));
    EXPECT_EQ(old.time(), QTime(6, 0));
    EXPECT_DOUBLE_EQ(QDateTimeToDateTime(old), -1.25);

    // The wall-clock fields are taken as they are, whatever the zone of the value.
    const QDateTime local(QDate(2024, 3, 5), QTime(1, 30), Qt::LocalTime);
    EXPECT_EQ(Show(QDateTimeToDateTime(local)), "2024-03-05 01:30:00.000");
    const QDateTime offset(QDate(2024, 3, 5), QTime(1, 30), Qt::OffsetFromUTC, 3 * 3600);
    EXPECT_EQ(Show(QDateTimeToDateTime(offset)), "2024-03-05 01:30:00.000");

    EXPECT_EQ(QDateToDateTime(QDate(1899, 12, 29)), -1.0);
    EXPECT_EQ(QDateToDateTime(QDate(2024, 3, 5)), 45356.0);
    EXPECT_THROW(QDateTimeToDateTime(QDateTime()), EConvertError);
    EXPECT_THROW(QDateToDateTime(QDate()), EConvertError);
    EXPECT_THROW(QDateToDateTime(QDate(-5, 1, 1)), EConvertError);
    EXPECT_THROW(DateTimeToQDateTime(std::nan("")), EConvertError);
    EXPECT_THROW(DateTimeToQDateTime(MaxDateTime + 10), EConvertError);
}
