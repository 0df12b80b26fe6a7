#include "platform/rtl/dateutils.h"

#include "platform/rtl/exceptions.h"

#include <QTime>
#include <cmath>
#include <mutex>

namespace {

constexpr Int64 kMSecsPerDay = MSecsPerDay;
// Day number (TTimeStamp.Date) of 9999-12-31.
constexpr Int64 kMaxDayNumber = 3652059;
// TDateTime of 0001-01-01, the first day that encodes.
constexpr double kFirstDay = -693593.0;

// A moment split the framework's way: the day relative to 1899-12-30 (negative before it) and the
// milliseconds since that day's midnight.
struct TParts {
    Int64 Day = 0;
    Int64 MSec = 0;
    bool Valid = false;
};

TParts Split(TDateTime v) {
    TParts p;
    // Anything this far out is no date at all (and would overflow the arithmetic below).
    if (!std::isfinite(v) || v < kFirstDay - 2 || v > MaxDateTime + 2) return p;
    // Rounded to the millisecond; the integer part counts toward zero, the time is positive.
    const Int64 total = static_cast<Int64>(std::nearbyint(v * kMSecsPerDay));
    p.Day = total / kMSecsPerDay;
    p.MSec = (total < 0 ? -total : total) % kMSecsPerDay;
    p.Valid = true;
    return p;
}

TDateTime Join(Int64 day, Int64 msec) {
    const double t = static_cast<double>(msec) / kMSecsPerDay;
    return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

// Milliseconds since 1899-12-30 00:00 on a straight line.
Int64 Linear(const TParts& p) { return p.Day * kMSecsPerDay + p.MSec; }

TDateTime FromLinear(Int64 ms) {
    Int64 day = ms / kMSecsPerDay;
    Int64 rest = ms % kMSecsPerDay;
    if (rest < 0) {
        rest += kMSecsPerDay;
        --day;
    }
    return Join(day, rest);
}

// The moment in days on a straight line, without rounding: -1.25 (1899-12-29 06:00) is -0.75.
double LinearDays(TDateTime v) {
    if (v >= 0) return v;
    const double day = std::ceil(v);
    return day + (day - v);
}

bool IsLeap(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days since 0001-01-01, that day being 1 (the time stamp's date).
Int64 DayNumber(int y, int m, int d) {
    const Word* table = MonthDays[IsLeap(y)];
    Int64 days = d;
    for (int i = 1; i < m; ++i) days += table[i];
    const Int64 i = y - 1;
    return i * 365 + i / 4 - i / 100 + i / 400 + days;
}

bool ValidDate(int y, int m, int d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= MonthDays[IsLeap(y)][m];
}

struct TYmd {
    int Y = 0, M = 0, D = 0;
};

TYmd FromDayNumber(Int64 t) {
    TYmd r;
    if (t <= 0 || t > kMaxDayNumber) return r;
    constexpr Int64 D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
    --t;
    Int64 y = 1 + (t / D400) * 400;
    t %= D400;
    Int64 i = t / D100, d = t % D100;
    if (i == 4) { --i; d += D100; }
    y += i * 100;
    y += (d / D4) * 4;
    d %= D4;
    i = d / D1;
    d %= D1;
    if (i == 4) { --i; d += D1; }
    y += i;
    const Word* table = MonthDays[IsLeap(static_cast<int>(y))];
    int m = 1;
    while (d >= table[m]) {
        d -= table[m];
        ++m;
    }
    r.Y = static_cast<int>(y);
    r.M = m;
    r.D = static_cast<int>(d) + 1;
    return r;
}

TYmd YmdOf(TDateTime v) {
    const TParts p = Split(v);
    if (!p.Valid) return {};
    return FromDayNumber(p.Day + DateDelta);
}

TDateTime DayToDateTime(Int64 dayNumber) { return static_cast<double>(dayNumber - DateDelta); }

// ISO day of the week of a time-stamp day number: 1 = Monday .. 7 = Sunday.
int IsoDow(Int64 dayNumber) { return static_cast<int>((dayNumber - 1) % 7) + 1; }

String Number(int n, int digits) { return QString::number(n).rightJustified(digits, u'0'); }

}  // namespace

// ---- time stamps -------------------------------------------------------------------------------

TTimeStamp DateTimeToTimeStamp(TDateTime DateTime) {
    TTimeStamp ts;
    const TParts p = Split(DateTime);
    if (!p.Valid) return ts;
    ts.Date = static_cast<Integer>(p.Day + DateDelta);
    ts.Time = static_cast<Integer>(p.MSec);
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& TimeStamp) {
    if (TimeStamp.Time < 0 || TimeStamp.Time >= MSecsPerDay || TimeStamp.Date <= 0)
        throw EConvertError(QStringLiteral("'%s' is not a valid timestamp"),
                            {QStringLiteral("%1.%2").arg(TimeStamp.Date).arg(TimeStamp.Time)});
    return Join(Int64(TimeStamp.Date) - DateDelta, TimeStamp.Time);
}

// ---- encoding and decoding ---------------------------------------------------------------------

bool IsLeapYear(Word Year) { return IsLeap(Year); }

Word DaysInAMonth(Word AYear, Word AMonth) {
    if (AMonth < 1 || AMonth > 12) return 0;
    return MonthDays[IsLeap(AYear)][AMonth];
}

Word DaysInMonth(TDateTime AValue) {
    const TYmd d = YmdOf(AValue);
    return d.M ? DaysInAMonth(static_cast<Word>(d.Y), static_cast<Word>(d.M)) : 0;
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
    if (!ValidDate(Year, Month, Day)) return false;
    Date = DayToDateTime(DayNumber(Year, Month, Day));
    return true;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
    if (Hour >= HoursPerDay || Min >= MinsPerHour || Sec >= SecsPerMin || MSec >= MSecsPerSec) return false;
    Time = static_cast<double>(((Int64(Hour) * 60 + Min) * 60 + Sec) * 1000 + MSec) / kMSecsPerDay;
    return true;
}

bool TryEncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                       Word AMilliSecond, TDateTime& AValue) {
    TDateTime d, t;
    if (!TryEncodeDate(AYear, AMonth, ADay, d) || !TryEncodeTime(AHour, AMinute, ASecond, AMilliSecond, t))
        return false;
    AValue = d >= 0 ? d + t : d - t;
    return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
    TDateTime r;
    if (!TryEncodeDate(Year, Month, Day, r)) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return r;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
    TDateTime r;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, r)) throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return r;
}

TDateTime EncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                         Word AMilliSecond) {
    const TDateTime d = EncodeDate(AYear, AMonth, ADay);
    const TDateTime t = EncodeTime(AHour, AMinute, ASecond, AMilliSecond);
    return d >= 0 ? d + t : d - t;
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day) {
    const TYmd d = YmdOf(Date);
    Year = static_cast<Word>(d.Y);
    Month = static_cast<Word>(d.M);
    Day = static_cast<Word>(d.D);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
    const TParts p = Split(Time);
    Int64 ms = p.Valid ? p.MSec : 0;
    MSec = static_cast<Word>(ms % 1000);
    ms /= 1000;
    Sec = static_cast<Word>(ms % 60);
    ms /= 60;
    Min = static_cast<Word>(ms % 60);
    Hour = static_cast<Word>(ms / 60);
}

void DecodeDateTime(TDateTime AValue, Word& AYear, Word& AMonth, Word& ADay, Word& AHour,
                    Word& AMinute, Word& ASecond, Word& AMilliSecond) {
    DecodeDate(AValue, AYear, AMonth, ADay);
    DecodeTime(AValue, AHour, AMinute, ASecond, AMilliSecond);
}

// ---- parts of a value --------------------------------------------------------------------------

Word DayOfWeek(TDateTime DateTime) {
    const TTimeStamp ts = DateTimeToTimeStamp(DateTime);
    if (ts.Date <= 0) return 0;
    return static_cast<Word>(ts.Date % 7 + 1);
}

Word DayOfTheWeek(TDateTime AValue) {
    const TTimeStamp ts = DateTimeToTimeStamp(AValue);
    if (ts.Date <= 0) return 0;
    return static_cast<Word>(IsoDow(ts.Date));
}

Word YearOf(TDateTime AValue) { return static_cast<Word>(YmdOf(AValue).Y); }
Word MonthOf(TDateTime AValue) { return static_cast<Word>(YmdOf(AValue).M); }
Word DayOf(TDateTime AValue) { return static_cast<Word>(YmdOf(AValue).D); }

Word HourOf(TDateTime AValue) {
    Word h, n, s, z;
    DecodeTime(AValue, h, n, s, z);
    return h;
}
Word MinuteOf(TDateTime AValue) {
    Word h, n, s, z;
    DecodeTime(AValue, h, n, s, z);
    return n;
}
Word SecondOf(TDateTime AValue) {
    Word h, n, s, z;
    DecodeTime(AValue, h, n, s, z);
    return s;
}
Word MilliSecondOf(TDateTime AValue) {
    Word h, n, s, z;
    DecodeTime(AValue, h, n, s, z);
    return z;
}

Word WeekOfTheYear(TDateTime AValue, Word& AYear) {
    const TTimeStamp ts = DateTimeToTimeStamp(AValue);
    AYear = 0;
    if (ts.Date <= 0) return 0;
    // The week belongs to the year of its Thursday.
    const Int64 thursday = ts.Date - IsoDow(ts.Date) + 4;
    const TYmd t = FromDayNumber(thursday);
    if (!t.Y) return 0;
    AYear = static_cast<Word>(t.Y);
    return static_cast<Word>((thursday - DayNumber(t.Y, 1, 1)) / 7 + 1);
}

Word WeekOfTheYear(TDateTime AValue) {
    Word y;
    return WeekOfTheYear(AValue, y);
}

Word WeekOf(TDateTime AValue) { return WeekOfTheYear(AValue); }

TDateTime DateOf(TDateTime AValue) {
    const TParts p = Split(AValue);
    return p.Valid ? static_cast<double>(p.Day) : std::trunc(AValue);
}

TDateTime TimeOf(TDateTime AValue) {
    const TParts p = Split(AValue);
    return p.Valid ? Join(0, p.MSec) : 0.0;
}

TDateTime StartOfTheDay(TDateTime AValue) { return DateOf(AValue); }

TDateTime StartOfTheWeek(TDateTime AValue) {
    const TTimeStamp ts = DateTimeToTimeStamp(AValue);
    if (ts.Date <= 0) return DateOf(AValue);
    return DayToDateTime(ts.Date - IsoDow(ts.Date) + 1);
}

TDateTime StartOfTheMonth(TDateTime AValue) {
    const TYmd d = YmdOf(AValue);
    return EncodeDate(static_cast<Word>(d.Y), static_cast<Word>(d.M), 1);
}

TDateTime EndOfTheMonth(TDateTime AValue) {
    const TYmd d = YmdOf(AValue);
    return EncodeDateTime(static_cast<Word>(d.Y), static_cast<Word>(d.M),
                          DaysInAMonth(static_cast<Word>(d.Y), static_cast<Word>(d.M)), 23, 59, 59, 999);
}

TDateTime StartOfTheYear(TDateTime AValue) { return EncodeDate(YearOf(AValue), 1, 1); }

// ---- arithmetic --------------------------------------------------------------------------------

void IncAMonth(Word& Year, Word& Month, Word& Day, Integer NumberOfMonths) {
    // Months counted from year 0 so that negative steps need no special case.
    const Int64 total = Int64(Year) * 12 + (Month - 1) + NumberOfMonths;
    Int64 y = total / 12, m = total % 12;
    if (m < 0) {
        m += 12;
        --y;
    }
    Year = static_cast<Word>(y);
    Month = static_cast<Word>(m + 1);
    const Word last = MonthDays[IsLeap(static_cast<int>(y))][Month];
    if (Day > last) Day = last;
}

TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths) {
    const TParts p = Split(DateTime);
    const TYmd d = YmdOf(DateTime);
    Word y = static_cast<Word>(d.Y), m = static_cast<Word>(d.M), day = static_cast<Word>(d.D);
    if (!p.Valid || !y) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    IncAMonth(y, m, day, NumberOfMonths);
    const TDateTime date = EncodeDate(y, m, day);
    return Join(static_cast<Int64>(date), p.MSec);
}

TDateTime IncYear(TDateTime AValue, Integer ANumberOfYears) { return IncMonth(AValue, ANumberOfYears * 12); }

TDateTime IncMilliSecond(TDateTime AValue, Int64 ANumberOfMilliSeconds) {
    const TParts p = Split(AValue);
    if (!p.Valid) return AValue;
    return FromLinear(Linear(p) + ANumberOfMilliSeconds);
}

TDateTime IncWeek(TDateTime AValue, Integer ANumberOfWeeks) { return IncMilliSecond(AValue, Int64(ANumberOfWeeks) * 7 * kMSecsPerDay); }
TDateTime IncDay(TDateTime AValue, Integer ANumberOfDays) { return IncMilliSecond(AValue, Int64(ANumberOfDays) * kMSecsPerDay); }
TDateTime IncHour(TDateTime AValue, Int64 ANumberOfHours) { return IncMilliSecond(AValue, ANumberOfHours * 3600000); }
TDateTime IncMinute(TDateTime AValue, Int64 ANumberOfMinutes) { return IncMilliSecond(AValue, ANumberOfMinutes * 60000); }
TDateTime IncSecond(TDateTime AValue, Int64 ANumberOfSeconds) { return IncMilliSecond(AValue, ANumberOfSeconds * 1000); }

Integer DaysBetween(TDateTime ANow, TDateTime AThen) {
    const Int64 diff = Linear(Split(ANow)) - Linear(Split(AThen));
    return static_cast<Integer>((diff < 0 ? -diff : diff) / kMSecsPerDay);
}

Double DaySpan(TDateTime ANow, TDateTime AThen) { return std::fabs(LinearDays(ANow) - LinearDays(AThen)); }

TDateTime RecodeDateTime(TDateTime AValue, Word AYear, Word AMonth, Word ADay, Word AHour,
                         Word AMinute, Word ASecond, Word AMilliSecond) {
    Word f[7];
    DecodeDateTime(AValue, f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
    const Word given[7] = {AYear, AMonth, ADay, AHour, AMinute, ASecond, AMilliSecond};
    for (int i = 0; i < 7; ++i)
        if (given[i] != RecodeLeaveFieldAsIs) f[i] = given[i];
    TDateTime r;
    if (!TryEncodeDateTime(f[0], f[1], f[2], f[3], f[4], f[5], f[6], r)) {
        const TFormatSettings& fs = FormatSettings;
        const String text = QStringLiteral("%1%2%3%4%5 %6%7%8%9%10")
                                .arg(f[0]).arg(fs.DateSeparator).arg(f[1]).arg(fs.DateSeparator).arg(f[2])
                                .arg(f[3]).arg(fs.TimeSeparator).arg(f[4]).arg(fs.TimeSeparator)
                                .arg(QStringLiteral("%1%2%3").arg(f[5]).arg(fs.DecimalSeparator).arg(f[6]));
        throw EConvertError(QStringLiteral("'%s' is not a valid date and time"), {text});
    }
    return r;
}

TDateTime RecodeDate(TDateTime AValue, Word AYear, Word AMonth, Word ADay) {
    constexpr Word k = RecodeLeaveFieldAsIs;
    return RecodeDateTime(AValue, AYear, AMonth, ADay, k, k, k, k);
}

TDateTime RecodeTime(TDateTime AValue, Word AHour, Word AMinute, Word ASecond, Word AMilliSecond) {
    constexpr Word k = RecodeLeaveFieldAsIs;
    return RecodeDateTime(AValue, k, k, k, AHour, AMinute, ASecond, AMilliSecond);
}

TDateTime RecodeYear(TDateTime AValue, Word AYear) {
    constexpr Word k = RecodeLeaveFieldAsIs;
    return RecodeDateTime(AValue, AYear, k, k, k, k, k, k);
}

TDateTime RecodeMonth(TDateTime AValue, Word AMonth) {
    constexpr Word k = RecodeLeaveFieldAsIs;
    return RecodeDateTime(AValue, k, AMonth, k, k, k, k, k);
}

TDateTime RecodeDay(TDateTime AValue, Word ADay) {
    constexpr Word k = RecodeLeaveFieldAsIs;
    return RecodeDateTime(AValue, k, k, ADay, k, k, k, k);
}

bool IsSameDay(TDateTime AValue, TDateTime ABasis) { return CompareDate(AValue, ABasis) == 0; }
bool SameDate(TDateTime A, TDateTime B) { return CompareDate(A, B) == 0; }

Integer CompareDate(TDateTime A, TDateTime B) {
    const Int64 a = Split(A).Day, b = Split(B).Day;
    return a < b ? -1 : (a > b ? 1 : 0);
}

Integer CompareDateTime(TDateTime A, TDateTime B) {
    const double a = LinearDays(A), b = LinearDays(B);
    if (std::fabs(a - b) * kMSecsPerDay < 1.0) return 0;
    return a < b ? -1 : 1;
}

// ---- the clock ---------------------------------------------------------------------------------

namespace {

std::mutex& ClockLock() {
    static std::mutex m;
    return m;
}

TClockFunc& ClockFunc() {
    static TClockFunc f;
    return f;
}

TDateTime SystemNow() { return QDateTimeToDateTime(QDateTime::currentDateTime()); }

}  // namespace

void SetClock(TClockFunc AClock) {
    std::lock_guard<std::mutex> lock(ClockLock());
    ClockFunc() = std::move(AClock);
}

TDateTime Now() {
    TClockFunc f;
    {
        std::lock_guard<std::mutex> lock(ClockLock());
        f = ClockFunc();
    }
    return f ? f() : SystemNow();
}

TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }

// ---- formatting --------------------------------------------------------------------------------

namespace {

class TDateFormatter {
public:
    TDateFormatter(TDateTime v, const TFormatSettings& fs) : FValue(v), FSettings(fs) {
        const TYmd d = YmdOf(v);
        FYear = d.Y;
        FMonth = d.M;
        FDay = d.D;
        Word h, n, s, z;
        DecodeTime(v, h, n, s, z);
        FHour = h;
        FMin = n;
        FSec = s;
        FMSec = z;
    }

    void Append(const String& f) {
        if (FLevel >= 2) return;  // ddddd inside ShortDateFormat and the like: no endless recursion
        ++FLevel;
        QChar lastToken = u' ';
        const qsizetype len = f.size();
        qsizetype i = 0;
        auto count = [&](QChar starter) {
            const QChar up = starter.toUpper();
            int n = 1;
            while (i < len && f[i].toUpper() == up) {
                ++i;
                ++n;
            }
            return n;
        };
        auto matchAt = [&](qsizetype at, const char* word) {
            const String w = QString::fromLatin1(word);
            return f.mid(at, w.size()).compare(w, Qt::CaseInsensitive) == 0;
        };
        while (i < len) {
            const QChar starter = f[i++];
            QChar token = starter.toUpper();
            const bool letter = token >= u'A' && token <= u'Z';
            if (letter) {
                if (token == u'M' && lastToken == u'H') token = u'N';
                lastToken = token;
            }
            switch (token.unicode()) {
                case u'Y': {
                    const int n = count(starter);
                    FOut += n <= 2 ? Number(FYear % 100, 2) : Number(FYear, 4);
                    break;
                }
                case u'M': {
                    const int n = count(starter);
                    if (n <= 2) FOut += Number(FMonth, n);
                    else if (FMonth >= 1 && FMonth <= 12)
                        FOut += n == 3 ? FSettings.ShortMonthNames[FMonth - 1] : FSettings.LongMonthNames[FMonth - 1];
                    break;
                }
                case u'D': {
                    const int n = count(starter);
                    const int dow = DayOfWeek(FValue);
                    if (n <= 2) FOut += Number(FDay, n);
                    else if (n == 3) { if (dow) FOut += FSettings.ShortDayNames[dow - 1]; }
                    else if (n == 4) { if (dow) FOut += FSettings.LongDayNames[dow - 1]; }
                    else if (n == 5) Append(FSettings.ShortDateFormat);
                    else Append(FSettings.LongDateFormat);
                    break;
                }
                case u'H': {
                    int n = count(starter);
                    // Twelve-hour clock when an am/pm marker follows before the next hour.
                    bool twelve = false, quoted = false;
                    for (qsizetype j = i; j < len; ++j) {
                        const QChar c = f[j];
                        if ((c == u'a' || c == u'A') && !quoted) {
                            twelve = matchAt(j, "am/pm") || matchAt(j, "a/p") || matchAt(j, "ampm");
                            break;
                        }
                        if (c == u'h' || c == u'H') break;
                        if (c == u'\'' || c == u'"') quoted = !quoted;
                    }
                    int h = FHour;
                    if (twelve) {
                        if (h == 0) h = 12;
                        else if (h > 12) h -= 12;
                    }
                    FOut += Number(h, std::min(n, 2));
                    break;
                }
                case u'N': FOut += Number(FMin, std::min(count(starter), 2)); break;
                case u'S': FOut += Number(FSec, std::min(count(starter), 2)); break;
                case u'Z': FOut += Number(FMSec, std::min(count(starter), 3)); break;
                case u'T':
                    Append(count(starter) == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat);
                    break;
                case u'A': {
                    const qsizetype at = i - 1;
                    const bool pm = FHour >= 12;
                    if (matchAt(at, "am/pm")) {
                        FOut += f.mid(at + (pm ? 3 : 0), 2);
                        i = at + 5;
                    } else if (matchAt(at, "a/p")) {
                        FOut += f.mid(at + (pm ? 2 : 0), 1);
                        i = at + 3;
                    } else if (matchAt(at, "ampm")) {
                        FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
                        i = at + 4;
                    } else {
                        FOut += starter;
                    }
                    break;
                }
                case u'C':
                    count(starter);
                    Append(FSettings.ShortDateFormat);
                    if (FHour || FMin || FSec || FMSec) {
                        FOut += u' ';
                        Append(FSettings.LongTimeFormat);
                    }
                    break;
                case u'/':
                    if (!FSettings.DateSeparator.isNull()) FOut += FSettings.DateSeparator;
                    break;
                case u':':
                    if (!FSettings.TimeSeparator.isNull()) FOut += FSettings.TimeSeparator;
                    break;
                case u'\'':
                case u'"': {
                    const qsizetype start = i;
                    while (i < len && f[i] != starter) ++i;
                    FOut += f.mid(start, i - start);
                    if (i < len) ++i;
                    break;
                }
                default: FOut += starter; break;
            }
        }
        --FLevel;
    }

    String Result() const { return FOut; }

private:
    TDateTime FValue;
    const TFormatSettings& FSettings;
    int FYear = 0, FMonth = 0, FDay = 0, FHour = 0, FMin = 0, FSec = 0, FMSec = 0;
    int FLevel = 0;
    String FOut;
};

}  // namespace

void DateTimeToString(String& Result, const String& Format, TDateTime DateTime,
                      const TFormatSettings& AFormatSettings) {
    TDateFormatter fmt(DateTime, AFormatSettings);
    fmt.Append(Format.isEmpty() ? QStringLiteral("C") : Format);
    Result = fmt.Result();
}

void DateTimeToString(String& Result, const String& Format, TDateTime DateTime) {
    DateTimeToString(Result, Format, DateTime, FormatSettings);
}

String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& AFormatSettings) {
    String r;
    DateTimeToString(r, Format, DateTime, AFormatSettings);
    return r;
}

String FormatDateTime(const String& Format, TDateTime DateTime) {
    return FormatDateTime(Format, DateTime, FormatSettings);
}

String DateToStr(TDateTime Date, const TFormatSettings& AFormatSettings) {
    return FormatDateTime(AFormatSettings.ShortDateFormat, Date, AFormatSettings);
}
String DateToStr(TDateTime Date) { return DateToStr(Date, FormatSettings); }

String TimeToStr(TDateTime Time, const TFormatSettings& AFormatSettings) {
    return FormatDateTime(AFormatSettings.LongTimeFormat, Time, AFormatSettings);
}
String TimeToStr(TDateTime Time) { return TimeToStr(Time, FormatSettings); }

String DateTimeToStr(TDateTime DateTime, const TFormatSettings& AFormatSettings) {
    return FormatDateTime(QString(), DateTime, AFormatSettings);
}
String DateTimeToStr(TDateTime DateTime) { return DateTimeToStr(DateTime, FormatSettings); }

// ---- parsing -----------------------------------------------------------------------------------

namespace {

enum TDateOrder { doMDY, doDMY, doYMD };

// The order of the fields is that of the first day, month or year letter of the short format.
TDateOrder GetDateOrder(const String& fmt) {
    for (QChar c : fmt) {
        switch (c.toUpper().unicode()) {
            case u'E':
            case u'Y': return doYMD;
            case u'M': return doMDY;
            case u'D': return doDMY;
            default: break;
        }
    }
    return doMDY;
}

class TScanner {
public:
    TScanner(const String& s, const TFormatSettings& fs) : S(s), FS(fs) {}

    bool AtEnd() const { return Pos >= S.size(); }

    void ScanBlanks() {
        while (Pos < S.size() && S[Pos] == u' ') ++Pos;
    }

    bool ScanChar(QChar ch) {
        ScanBlanks();
        if (Pos < S.size() && S[Pos] == ch) {
            ++Pos;
            return true;
        }
        return false;
    }

    bool ScanNumber(int& value, int& digits) {
        ScanBlanks();
        qsizetype i = Pos;
        Int64 n = 0;
        while (i < S.size() && S[i] >= u'0' && S[i] <= u'9') {
            n = n * 10 + (S[i].unicode() - u'0');
            if (n > 99999) return false;  // no field of a date or time is this long
            ++i;
        }
        if (i == Pos) return false;
        digits = static_cast<int>(i - Pos);
        value = static_cast<int>(n);
        Pos = i;
        return true;
    }

    bool ScanWord(const String& w) {
        if (w.isEmpty()) return false;
        ScanBlanks();
        if (S.mid(Pos, w.size()).compare(w, Qt::CaseInsensitive) == 0) {
            Pos += w.size();
            return true;
        }
        return false;
    }

    bool ScanDate(TDateTime& value) {
        const TDateOrder order = GetDateOrder(FS.ShortDateFormat);
        int n1, n2, n3, l1, l2, l3;
        if (!(ScanNumber(n1, l1) && ScanChar(FS.DateSeparator) && ScanNumber(n2, l2))) return false;
        int y, m, d;
        if (ScanChar(FS.DateSeparator)) {
            if (!ScanNumber(n3, l3)) return false;
            int yearLen;
            switch (order) {
                case doMDY: y = n3; yearLen = l3; m = n1; d = n2; break;
                case doDMY: y = n3; yearLen = l3; m = n2; d = n1; break;
                default: y = n1; yearLen = l1; m = n2; d = n3; break;
            }
            if (yearLen <= 2) {
                // Two-digit years fall into the window of TwoDigitYearCenturyWindow years
                // before the current year and the years after it.
                const int base = static_cast<int>(YearOf(Now())) - FS.TwoDigitYearCenturyWindow;
                y += base / 100 * 100;
                if (FS.TwoDigitYearCenturyWindow > 0 && y < base) y += 100;
            }
        } else {
            y = YearOf(Now());
            if (order == doDMY) { d = n1; m = n2; }
            else { m = n1; d = n2; }
        }
        ScanChar(FS.DateSeparator);  // a trailing separator is allowed
        ScanBlanks();
        if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
        return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), value);
    }

    bool ScanAmPm(int& base) {
        if (ScanWord(FS.TimeAMString) || ScanWord(QStringLiteral("AM"))) { base = 0; return true; }
        if (ScanWord(FS.TimePMString) || ScanWord(QStringLiteral("PM"))) { base = 12; return true; }
        return false;
    }

    bool ScanTime(TDateTime& value) {
        int base = -1;
        if (ScanAmPm(base)) ScanBlanks();
        int h, n = 0, s = 0, z = 0, l;
        if (!ScanNumber(h, l)) return false;
        if (ScanChar(FS.TimeSeparator)) {
            if (!ScanNumber(n, l)) return false;
            if (ScanChar(FS.TimeSeparator)) {
                if (!ScanNumber(s, l)) return false;
                if (ScanChar(FS.DecimalSeparator)) {
                    // Fractions of a second: ",5" is half a second; digits past the
                    // millisecond are dropped.
                    if (!ScanFraction(z)) return false;
                }
            }
        }
        if (base < 0) ScanAmPm(base);
        if (base >= 0) {
            if (h == 0 || h > 12) return false;
            if (h == 12) h = 0;
            h += base;
        }
        ScanBlanks();
        if (h > 23 || n > 59 || s > 59) return false;
        return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s),
                             static_cast<Word>(z), value);
    }

    qsizetype Pos = 0;

private:
    bool ScanFraction(int& ms) {
        qsizetype i = Pos;
        int digits = 0;
        ms = 0;
        while (i < S.size() && S[i] >= u'0' && S[i] <= u'9') {
            if (digits < 3) {
                ms = ms * 10 + (S[i].unicode() - u'0');
                ++digits;
            }
            ++i;
        }
        if (i == Pos) return false;
        while (digits < 3) {
            ms *= 10;
            ++digits;
        }
        Pos = i;
        return true;
    }

    const String& S;
    const TFormatSettings& FS;
};

[[noreturn]] void RaiseConvert(const char* fmt, const String& s) {
    throw EConvertError(QString::fromLatin1(fmt), {s});
}

}  // namespace

bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& AFormatSettings) {
    TScanner sc(S, AFormatSettings);
    TDateTime v;
    if (!sc.ScanDate(v) || !sc.AtEnd()) return false;
    Value = v;
    return true;
}
bool TryStrToDate(const String& S, TDateTime& Value) { return TryStrToDate(S, Value, FormatSettings); }

bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& AFormatSettings) {
    TScanner sc(S, AFormatSettings);
    TDateTime v;
    if (!sc.ScanTime(v) || !sc.AtEnd()) return false;
    Value = v;
    return true;
}
bool TryStrToTime(const String& S, TDateTime& Value) { return TryStrToTime(S, Value, FormatSettings); }

bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& AFormatSettings) {
    TScanner sc(S, AFormatSettings);
    TDateTime d, t = 0;
    if (sc.ScanDate(d)) {
        if (sc.AtEnd() || (sc.ScanTime(t) && sc.AtEnd())) {
            Value = d >= 0 ? d + t : d - t;
            return true;
        }
        return false;
    }
    return TryStrToTime(S, Value, AFormatSettings);
}
bool TryStrToDateTime(const String& S, TDateTime& Value) { return TryStrToDateTime(S, Value, FormatSettings); }

TDateTime StrToDate(const String& S, const TFormatSettings& AFormatSettings) {
    TDateTime v;
    if (!TryStrToDate(S, v, AFormatSettings)) RaiseConvert("'%s' is not a valid date", S);
    return v;
}
TDateTime StrToDate(const String& S) { return StrToDate(S, FormatSettings); }

TDateTime StrToTime(const String& S, const TFormatSettings& AFormatSettings) {
    TDateTime v;
    if (!TryStrToTime(S, v, AFormatSettings)) RaiseConvert("'%s' is not a valid time", S);
    return v;
}
TDateTime StrToTime(const String& S) { return StrToTime(S, FormatSettings); }

TDateTime StrToDateTime(const String& S, const TFormatSettings& AFormatSettings) {
    TDateTime v;
    if (!TryStrToDateTime(S, v, AFormatSettings)) RaiseConvert("'%s' is not a valid date and time", S);
    return v;
}
TDateTime StrToDateTime(const String& S) { return StrToDateTime(S, FormatSettings); }

TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& AFormatSettings) {
    TDateTime v;
    return TryStrToDate(S, v, AFormatSettings) ? v : Default;
}
TDateTime StrToDateDef(const String& S, TDateTime Default) { return StrToDateDef(S, Default, FormatSettings); }

TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& AFormatSettings) {
    TDateTime v;
    return TryStrToTime(S, v, AFormatSettings) ? v : Default;
}
TDateTime StrToTimeDef(const String& S, TDateTime Default) { return StrToTimeDef(S, Default, FormatSettings); }

TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& AFormatSettings) {
    TDateTime v;
    return TryStrToDateTime(S, v, AFormatSettings) ? v : Default;
}
TDateTime StrToDateTimeDef(const String& S, TDateTime Default) {
    return StrToDateTimeDef(S, Default, FormatSettings);
}

// ---- Qt value types ----------------------------------------------------------------------------

QDateTime DateTimeToQDateTime(TDateTime AValue) {
    Word y, m, d, h, n, s, z;
    DecodeDateTime(AValue, y, m, d, h, n, s, z);
    if (!y) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return QDateTime(QDate(y, m, d), QTime(h, n, s, z), Qt::UTC);
}

TDateTime QDateTimeToDateTime(const QDateTime& AValue) {
    if (!AValue.isValid()) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    const QDate d = AValue.date();
    const QTime t = AValue.time();
    TDateTime r;
    if (d.year() < 1 || d.year() > 9999 ||
        !TryEncodeDateTime(static_cast<Word>(d.year()), static_cast<Word>(d.month()), static_cast<Word>(d.day()),
                           static_cast<Word>(t.hour()), static_cast<Word>(t.minute()), static_cast<Word>(t.second()),
                           static_cast<Word>(t.msec()), r))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return r;
}

TDateTime QDateToDateTime(const QDate& AValue) {
    if (!AValue.isValid() || AValue.year() < 1 || AValue.year() > 9999)
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return EncodeDate(static_cast<Word>(AValue.year()), static_cast<Word>(AValue.month()),
                      static_cast<Word>(AValue.day()));
}
