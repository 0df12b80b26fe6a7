// Date and time routines of the runtime library: encoding and decoding of TDateTime, calendar
// arithmetic, the clock, FormatDateTime and the date/time parsers.
//
// A TDateTime counts days since 1899-12-30. For values before that day the integer part is the
// (negative) day and the fraction is still a positive time of day: -1.25 is 1899-12-29 06:00.
// Every routine here decodes the way DateTimeToTimeStamp does, so such values keep
// their meaning; arithmetic (IncHour, IncDay, DaysBetween, CompareDateTime ...) runs on a linear
// millisecond count, never on the raw double.
#pragma once

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/system.h"

#include <QDate>
#include <QDateTime>
#include <functional>

// ---- constants ---------------------------------------------------------------------------------

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerHour = 60;
inline constexpr Integer SecsPerMin = 60;
inline constexpr Integer MSecsPerSec = 1000;
inline constexpr Integer MinsPerDay = HoursPerDay * MinsPerHour;
inline constexpr Integer SecsPerDay = MinsPerDay * SecsPerMin;
inline constexpr Integer MSecsPerDay = SecsPerDay * MSecsPerSec;
// Days between 0001-01-01 (day 1 of a time stamp) and 1899-12-30, minus one.
inline constexpr Integer DateDelta = 693594;
// Days between 1899-12-30 and 1970-01-01.
inline constexpr Integer UnixDateDelta = 25569;
// The range the framework advertises; encoding and decoding work from 0001-01-01 (-693593).
inline constexpr TDateTime MinDateTime = -657434.0;                // 0100-01-01 00:00
inline constexpr TDateTime MaxDateTime = 2958465.99999999;         // 9999-12-31 23:59:59.999
inline constexpr TDateTime OneHour = 1.0 / HoursPerDay;
inline constexpr TDateTime OneMinute = 1.0 / MinsPerDay;
inline constexpr TDateTime OneSecond = 1.0 / SecsPerDay;
inline constexpr TDateTime OneMillisecond = 1.0 / MSecsPerDay;
// Day numbers of DayOfWeek (1 = Sunday) and of DayOfTheWeek (ISO, 1 = Monday).
inline constexpr Word DayMonday = 1, DayTuesday = 2, DayWednesday = 3, DayThursday = 4,
                      DayFriday = 5, DaySaturday = 6, DaySunday = 7;
// RecodeDateTime: a field given as this value keeps its current value.
inline constexpr Word RecodeLeaveFieldAsIs = 0xFFFF;

// Days in each month, indexed [IsLeapYear(year)][month] with month 1..12 (index 0 unused).
inline constexpr Word MonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Milliseconds since midnight and days since 0001-01-01 (that day being 1).
struct TTimeStamp {
    Integer Time = 0;
    Integer Date = 0;
};

TTimeStamp DateTimeToTimeStamp(TDateTime DateTime);
// EConvertError "'%d.%d' is not a valid timestamp" for a negative time or a date below 1.
TDateTime TimeStampToDateTime(const TTimeStamp& TimeStamp);

// ---- encoding and decoding ---------------------------------------------------------------------

bool IsLeapYear(Word Year);
Word DaysInAMonth(Word AYear, Word AMonth);
Word DaysInMonth(TDateTime AValue);

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
bool TryEncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                       Word AMilliSecond, TDateTime& AValue);
// EConvertError "Invalid argument to date encode" / "Invalid argument to time encode".
TDateTime EncodeDate(Word Year, Word Month, Word Day);
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
TDateTime EncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                         Word AMilliSecond);
// A value outside 0001-01-01 .. 9999-12-31 decodes to zeros.
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
void DecodeDateTime(TDateTime AValue, Word& AYear, Word& AMonth, Word& ADay, Word& AHour,
                    Word& AMinute, Word& ASecond, Word& AMilliSecond);

// ---- parts of a value --------------------------------------------------------------------------

Word DayOfWeek(TDateTime DateTime);     // 1 = Sunday .. 7 = Saturday
Word DayOfTheWeek(TDateTime AValue);    // ISO: 1 = Monday .. 7 = Sunday
Word YearOf(TDateTime AValue);
Word MonthOf(TDateTime AValue);
Word DayOf(TDateTime AValue);
Word HourOf(TDateTime AValue);
Word MinuteOf(TDateTime AValue);
Word SecondOf(TDateTime AValue);
Word MilliSecondOf(TDateTime AValue);
// ISO 8601 week (weeks start on Monday, week 1 holds the year's first Thursday). AYear receives
// the year the week belongs to, which differs from the calendar year around 1 January.
Word WeekOfTheYear(TDateTime AValue);
Word WeekOfTheYear(TDateTime AValue, Word& AYear);
Word WeekOf(TDateTime AValue);

TDateTime DateOf(TDateTime AValue);     // midnight of the value's day
TDateTime TimeOf(TDateTime AValue);     // the time of day, 0 <= result < 1

TDateTime StartOfTheDay(TDateTime AValue);
TDateTime StartOfTheWeek(TDateTime AValue);   // Monday 00:00
TDateTime StartOfTheMonth(TDateTime AValue);
TDateTime EndOfTheMonth(TDateTime AValue);    // last day 23:59:59.999
TDateTime StartOfTheYear(TDateTime AValue);

// ---- arithmetic --------------------------------------------------------------------------------

// Moves Year/Month by NumberOfMonths and clips Day to the length of the new month.
void IncAMonth(Word& Year, Word& Month, Word& Day, Integer NumberOfMonths = 1);
// Same day in another month (clipped to the month's end), same time of day.
TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths = 1);
TDateTime IncYear(TDateTime AValue, Integer ANumberOfYears = 1);
TDateTime IncWeek(TDateTime AValue, Integer ANumberOfWeeks = 1);
TDateTime IncDay(TDateTime AValue, Integer ANumberOfDays = 1);
TDateTime IncHour(TDateTime AValue, Int64 ANumberOfHours = 1);
TDateTime IncMinute(TDateTime AValue, Int64 ANumberOfMinutes = 1);
TDateTime IncSecond(TDateTime AValue, Int64 ANumberOfSeconds = 1);
TDateTime IncMilliSecond(TDateTime AValue, Int64 ANumberOfMilliSeconds = 1);

// Whole days between two moments (partial days do not count) and the exact span in days.
Integer DaysBetween(TDateTime ANow, TDateTime AThen);
Double DaySpan(TDateTime ANow, TDateTime AThen);

// Replace some fields; RecodeLeaveFieldAsIs keeps a field. EConvertError
// "'%s' is not a valid date and time" when the result does not exist.
TDateTime RecodeDateTime(TDateTime AValue, Word AYear, Word AMonth, Word ADay, Word AHour,
                         Word AMinute, Word ASecond, Word AMilliSecond);
TDateTime RecodeDate(TDateTime AValue, Word AYear, Word AMonth, Word ADay);
TDateTime RecodeTime(TDateTime AValue, Word AHour, Word AMinute, Word ASecond, Word AMilliSecond);
TDateTime RecodeYear(TDateTime AValue, Word AYear);
TDateTime RecodeMonth(TDateTime AValue, Word AMonth);
TDateTime RecodeDay(TDateTime AValue, Word ADay);

// Comparisons return -1, 0 or 1 (LessThanValue, EqualsValue, GreaterThanValue).
bool IsSameDay(TDateTime AValue, TDateTime ABasis);
bool SameDate(TDateTime A, TDateTime B);
Integer CompareDate(TDateTime A, TDateTime B);
// Moments closer than a millisecond are equal.
Integer CompareDateTime(TDateTime A, TDateTime B);

// ---- the clock ---------------------------------------------------------------------------------

using TClockFunc = std::function<TDateTime()>;
// Replaces the clock behind Now/Date/Time (and the current year of two-digit year parsing);
// nullptr restores the system clock in local time.
void SetClock(TClockFunc AClock);
TDateTime Now();
TDateTime Date();
TDateTime Time();

// ---- formatting --------------------------------------------------------------------------------

// The framework's date/time pattern language: c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy
// h hh n nn s ss z zzz t tt am/pm a/p ampm / : and quoted text; m after h means minutes.
// Letters are case-insensitive; an empty format means "c".
String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& AFormatSettings);
String FormatDateTime(const String& Format, TDateTime DateTime);
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime,
                      const TFormatSettings& AFormatSettings);
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime);

String DateToStr(TDateTime Date, const TFormatSettings& AFormatSettings);
String DateToStr(TDateTime Date);
String TimeToStr(TDateTime Time, const TFormatSettings& AFormatSettings);
String TimeToStr(TDateTime Time);
// The date, then the long time unless the value is at midnight.
String DateTimeToStr(TDateTime DateTime, const TFormatSettings& AFormatSettings);
String DateTimeToStr(TDateTime DateTime);

// ---- parsing -----------------------------------------------------------------------------------
// Dates follow the order of ShortDateFormat (day first for "dd.mm.yyyy") with DateSeparator;
// leading zeros are optional, the year may be left out (current year) or given in two digits
// (placed by TwoDigitYearCenturyWindow around the current year). Times are h[:n[:s[<decimal>z]]]
// with an optional AM/PM. A date may be followed by a time after a blank.

bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& AFormatSettings);
bool TryStrToDate(const String& S, TDateTime& Value);
bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& AFormatSettings);
bool TryStrToTime(const String& S, TDateTime& Value);
bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& AFormatSettings);
bool TryStrToDateTime(const String& S, TDateTime& Value);

// EConvertError "'%s' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(const String& S, const TFormatSettings& AFormatSettings);
TDateTime StrToDate(const String& S);
TDateTime StrToTime(const String& S, const TFormatSettings& AFormatSettings);
TDateTime StrToTime(const String& S);
TDateTime StrToDateTime(const String& S, const TFormatSettings& AFormatSettings);
TDateTime StrToDateTime(const String& S);

TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& AFormatSettings);
TDateTime StrToDateDef(const String& S, TDateTime Default);
TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& AFormatSettings);
TDateTime StrToTimeDef(const String& S, TDateTime Default);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& AFormatSettings);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default);

// ---- Qt value types ----------------------------------------------------------------------------

// The wall-clock fields as they are, in a zone-less (UTC) QDateTime so that no daylight-saving
// gap of the host's zone moves them. EConvertError for a value outside 0001..9999.
QDateTime DateTimeToQDateTime(TDateTime AValue);
// The QDateTime's own date and time fields (no zone conversion). EConvertError when invalid.
TDateTime QDateTimeToDateTime(const QDateTime& AValue);
TDateTime QDateToDateTime(const QDate& AValue);
