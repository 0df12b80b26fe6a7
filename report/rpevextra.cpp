// The additional expression functions.
#include "report/rpevextra.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"

#include <cmath>
#include <limits>

namespace {

const char* const ExtraVendor = "Sdelka report engine extras";

bool IsText(const TRpEvResult& R) { return R.Kind == resString; }
bool IsInt(const TRpEvResult& R) { return R.Kind == resInt; }

void SetString(TRpEvResult& Result, const String& S) {
    Result.Kind = resString;
    Result.StringVal = S;
}
void SetInt(TRpEvResult& Result, Integer V) {
    Result.Kind = resInt;
    Result.intResult = V;
}

// Runs Body over a fresh error result; an exception inside leaves the error.
template <class F>
void Guarded(TRpEvResult& Result, F Body) {
    SetEmptyErrorResult(Result);
    TRpEvResult r;
    SetEmptyErrorResult(r);
    try {
        Body(r);
    } catch (...) {
        return;
    }
    Result = r;
}

// The components owned by the open forms (and, with DataModules, the data modules) in the
// screen's order.
template <class F>
TComponent* FindOwned(bool DataModules, F Accept) {
    if (!Screen) return nullptr;
    auto search = [&Accept](TComponent* Root) -> TComponent* {
        if (!Root) return nullptr;
        for (int i = 0; i < Root->ComponentCount(); ++i)
            if (TComponent* c = Root->Components(i); Accept(c)) return c;
        return nullptr;
    };
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (TComponent* c = search(Screen->Forms(i))) return c;
    if (DataModules)
        for (int i = 0; i < Screen->DataModuleCount(); ++i)
            if (TComponent* c = search(Screen->DataModules(i))) return c;
    return nullptr;
}

// Day numbers without the 16-bit cut, for range checks.
Int64 DayNumber64(Int64 d, Int64 m, Int64 y) {
    if (y == 1900 && m == 1) return d - 1;
    if (y == 1900 && m == 2) return d + 30;
    if (m > 2) {
        m -= 3;
    } else {
        m += 9;
        y -= 1;
    }
    y -= 1900;
    return d + (153 * m + 2) / 5 + (1461 * y) / 4 + 58;
}

void Date64(Int64 n, Integer& Day, Integer& Month, Integer& Year) {
    if (n <= 58) {
        Year = 1900;
        if (n <= 30) {
            Month = 1;
            Day = static_cast<Integer>(n + 1);
        } else {
            Month = 2;
            Day = static_cast<Integer>(n - 30);
        }
        return;
    }
    const Int64 t = 4 * n - 233;
    Int64 y = t / 1461;
    const Int64 r = (t % 1461) / 4;
    const Int64 v = 5 * r + 2;
    Int64 m = v / 153;
    const Int64 d = (v % 153) / 5 + 1;
    y += 1900;
    if (m < 10) {
        m += 3;
    } else {
        m -= 9;
        y += 1;
    }
    Day = static_cast<Integer>(d);
    Month = static_cast<Integer>(m);
    Year = static_cast<Integer>(y);
}

Int64 FloorDiv(Int64 a, Int64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

Int64 Shift64(Int64 n, Int64 Days, Int64 Months, Int64 Years) {
    Integer d, m, y;
    Date64(n, d, m, y);
    const Int64 k = m + Months - 1;
    const Int64 year = y + Years + FloorDiv(k, 12);
    const Int64 month = ((k % 12) + 12) % 12 + 1;
    return DayNumber64(d, month, year) + Days;
}

bool InDayRange(Int64 n) { return n >= 0 && n <= 65535; }

String PadTo(const String& S, Integer Len, bool Left) {
    if (S.size() >= Len) return S;
    const String pad(static_cast<qsizetype>(Len - S.size()), u' ');
    return Left ? pad + S : S + pad;
}

TDataSet* FindDataSetWithField(const String& Table, const String& FieldName) {
    return static_cast<TDataSet*>(FindNamedComponent(Table, TDataSet::StaticClass(), FieldName, false));
}

}  // namespace

// ---- lookups ----------------------------------------------------------------------------------

TRpEvReportAccess& RpEvReportAccess() {
    static TRpEvReportAccess access;
    return access;
}

TComponent* FindNamedComponent(const String& Name, TClass AClass, const String& FieldName, bool DataModules) {
    if (!AClass) return nullptr;
    return FindOwned(DataModules, [&](TComponent* c) {
        if (!SameText(c->Name(), Name) || !c->InheritsFrom(AClass)) return false;
        if (FieldName.isEmpty()) return true;
        auto* ds = dynamic_cast<TDataSet*>(c);
        return ds && ds->FindField(FieldName);
    });
}

TComponent* FindFirstReport() {
    TClass cls = RpEvReportAccess().ReportClass;
    if (!cls) return nullptr;
    return FindOwned(false, [cls](TComponent* c) { return c->InheritsFrom(cls); });
}

Word DateToDayNumber(Integer Day, Integer Month, Integer Year) {
    return static_cast<Word>(DayNumber64(Day, Month, Year));
}

void DayNumberToDate(Word N, Integer& Day, Integer& Month, Integer& Year) { Date64(N, Day, Month, Year); }

Word ShiftDayNumber(Word N, Integer Days, Integer Months, Integer Years) {
    return static_cast<Word>(Shift64(N, Days, Months, Years));
}

bool HasPublishedProperty(TObject* Obj, const String& PropName) {
    return Obj && GetPropInfo(Obj, PropName) != nullptr;
}

bool PublishedPropertyIsTrue(TObject* Obj, const String& PropName) {
    PPropInfo p = Obj ? GetPropInfo(Obj, PropName) : nullptr;
    return p && p->IsOrdinal() && GetOrdProp(Obj, p) == 1;
}

String PublishedStringProperty(TObject* Obj, const String& PropName) {
    if (!HasPublishedProperty(Obj, PropName)) return String();
    return GetPropText(Obj, PropName);
}

// ---- the functions ----------------------------------------------------------------------------

void TRpEvPageCountFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        const TRpEvReportAccess& a = RpEvReportAccess();
        if (ArgCount() != 0 || !a.PageCount) return;
        if (TComponent* c = FindNamedComponent(QStringLiteral("RpReport"), a.PageCountReportClass, String()))
            SetInt(r, a.PageCount(c));
    });
}

void TRpEvDetailCountFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [](TRpEvResult& r) {
        const TRpEvReportAccess& a = RpEvReportAccess();
        if (TComponent* c = FindFirstReport(); c && a.RecordCount) SetInt(r, a.RecordCount(c));
    });
}

void TRpEvDetailNoFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [](TRpEvResult& r) {
        const TRpEvReportAccess& a = RpEvReportAccess();
        if (TComponent* c = FindFirstReport(); c && a.RecordNumber) SetInt(r, a.RecordNumber(c));
    });
}

void TRpEvColumnNoFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [](TRpEvResult& r) {
        const TRpEvReportAccess& a = RpEvReportAccess();
        if (TComponent* c = FindFirstReport(); c && a.CurrentColumn) SetInt(r, a.CurrentColumn(c));
    });
}

void TRpEvCurrencyFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [](TRpEvResult& r) { SetString(r, FormatSettings.CurrencyString); });
}

void TRpEvQueryParamFunction::Calculate(TRpEvResult& Result) { SetEmptyErrorResult(Result); }

void TRpEvStrToIntFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsText(Arg(0))) SetInt(r, StrToInt(Arg(0).StringVal));
    });
}

void TRpEvStrToNumFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 1 || !IsText(Arg(0))) return;
        r.dblResult = static_cast<double>(StrToFloat(Arg(0).StringVal));
        r.Kind = resDouble;
    });
}

void TRpEvGetCaptionFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 1 || !IsText(Arg(0))) return;
        const TRpEvReportAccess& a = RpEvReportAccess();
        const String name = Arg(0).StringVal;
        auto isExpr = [&a](TComponent* c) { return a.ExprClass && a.ExprCaption && c->InheritsFrom(a.ExprClass); };
        TComponent* c = FindOwned(false, [&](TComponent* x) {
            return SameText(x->Name(), name) && (isExpr(x) || HasPublishedProperty(x, QStringLiteral("Caption")));
        });
        if (!c) return;
        SetString(r, isExpr(c) ? a.ExprCaption(c) : PublishedStringProperty(c, QStringLiteral("Caption")));
    });
}

void TRpEvRecordCountFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 1 || !IsText(Arg(0))) return;
        auto* ds = static_cast<TDataSet*>(FindNamedComponent(Arg(0).StringVal, TDataSet::StaticClass(), String(), false));
        if (ds) SetInt(r, ds->RecordCount());
    });
}

void TRpEvReadINIFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 3 || !IsText(Arg(0)) || !IsText(Arg(1)) || !IsText(Arg(2))) return;
        TIniFile ini(ExpandFileName(Arg(0).StringVal));
        SetString(r, ini.ReadString(Arg(1).StringVal, Arg(2).StringVal, String()));
    });
}

void TRpEvReadRegistryFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 3 || !IsText(Arg(0)) || !IsText(Arg(1)) || !IsText(Arg(2))) return;
        TRegIniFile reg(Arg(0).StringVal, KEY_READ);
        SetString(r, reg.ReadString(Arg(1).StringVal, Arg(2).StringVal, String()));
    });
}

void TRpEvReformatDateFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 2 || !IsText(Arg(0)) || !IsText(Arg(1))) return;
        SetString(r, FormatDateTime(Arg(1).StringVal, StrToDateTime(Arg(0).StringVal)));
    });
}

void TRpEvCalcDateFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 4 || !IsText(Arg(0)) || !IsInt(Arg(1)) || !IsInt(Arg(2)) || !IsInt(Arg(3))) return;
        Word y, m, d;
        DecodeDate(StrToDateTime(Arg(0).StringVal), y, m, d);
        // Outside the day-number range the arithmetic would wrap into another date: refuse.
        const Int64 n = DayNumber64(d, m, y);
        if (!InDayRange(n)) return;
        const Int64 shifted = Shift64(n, Arg(1).intResult, Arg(2).intResult, Arg(3).intResult);
        if (!InDayRange(shifted)) return;
        Integer dd, mm, yy;
        Date64(shifted, dd, mm, yy);
        TDateTime dt;
        if (!TryEncodeDate(static_cast<Word>(yy), static_cast<Word>(mm), static_cast<Word>(dd), dt)) return;
        SetString(r, DateToStr(dt));
    });
}

void TRpEvExtractDayFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsText(Arg(0))) SetInt(r, DayOf(StrToDateTime(Arg(0).StringVal)));
    });
}

void TRpEvExtractMonthFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsText(Arg(0))) SetInt(r, MonthOf(StrToDateTime(Arg(0).StringVal)));
    });
}

void TRpEvExtractYearFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsText(Arg(0))) SetInt(r, YearOf(StrToDateTime(Arg(0).StringVal)));
    });
}

void TRpEvDayOfWeekFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsText(Arg(0))) SetInt(r, DayOfWeek(StrToDateTime(Arg(0).StringVal)));
    });
}

void TRpEvDayStringFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsInt(Arg(0)) && Arg(0).intResult >= 1 && Arg(0).intResult <= 7)
            SetString(r, FormatSettings.LongDayNames[Arg(0).intResult - 1]);
    });
}

void TRpEvMonthStringFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsInt(Arg(0)) && Arg(0).intResult >= 1 && Arg(0).intResult <= 12)
            SetString(r, FormatSettings.LongMonthNames[Arg(0).intResult - 1]);
    });
}

void TRpEvCalcTimeFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 4 || !IsText(Arg(0)) || !IsInt(Arg(1)) || !IsInt(Arg(2)) || !IsInt(Arg(3))) return;
        Word hour, minute, second, msec;
        DecodeTime(StrToTime(Arg(0).StringVal), hour, minute, second, msec);
        // Seconds carry into minutes, minutes into hours; whole days are dropped.
        Int64 s = Int64(second) + Arg(3).intResult;
        Int64 m = Int64(minute) + Arg(2).intResult + FloorDiv(s, 60);
        s -= FloorDiv(s, 60) * 60;
        Int64 h = Int64(hour) + Arg(1).intResult + FloorDiv(m, 60);
        m -= FloorDiv(m, 60) * 60;
        h -= FloorDiv(h, 24) * 24;
        SetString(r, TimeToStr(EncodeTime(static_cast<Word>(h), static_cast<Word>(m), static_cast<Word>(s), msec)));
    });
}

void TRpEvTrimFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 1 || !IsText(Arg(0))) return;
        const String& s = Arg(0).StringVal;
        int b = 0, e = static_cast<int>(s.size());
        while (b < e && s[b] == u' ') ++b;
        while (e > b && s[e - 1] == u' ') --e;
        SetString(r, s.mid(b, e - b));
    });
}

void TRpEvChrFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 1 && IsInt(Arg(0)))
            SetString(r, String(QChar(static_cast<char16_t>(static_cast<std::uint32_t>(Arg(0).intResult) & 0xFFFFu))));
    });
}

void TRpEvIsNullFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 2 || !IsText(Arg(0)) || !IsText(Arg(1))) return;
        if (TDataSet* ds = FindDataSetWithField(Arg(0).StringVal, Arg(1).StringVal)) {
            r.Kind = resBool;
            r.booResult = ds->FindField(Arg(1).StringVal)->IsNull();
        }
    });
}

void TRpEvAbsFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 1) return;
        if (Arg(0).Kind == resInt) {
            const Integer v = Arg(0).intResult;
            SetInt(r, (v < 0 && v != std::numeric_limits<Integer>::min()) ? -v : v);
        } else if (Arg(0).Kind == resDouble) {
            r.Kind = resDouble;
            r.dblResult = std::fabs(Arg(0).dblResult);
        }
    });
}

void TRpEvFieldLenFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() != 2 || !IsText(Arg(0)) || !IsText(Arg(1))) return;
        if (TDataSet* ds = FindDataSetWithField(Arg(0).StringVal, Arg(1).StringVal))
            SetInt(r, ds->FindField(Arg(1).StringVal)->Size());
    });
}

void TRpEvPadLeftFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 2 && IsText(Arg(0)) && IsInt(Arg(1))) SetString(r, PadTo(Arg(0).StringVal, Arg(1).intResult, true));
    });
}

void TRpEvPadRightFunction::Calculate(TRpEvResult& Result) {
    Guarded(Result, [this](TRpEvResult& r) {
        if (ArgCount() == 2 && IsText(Arg(0)) && IsInt(Arg(1))) SetString(r, PadTo(Arg(0).StringVal, Arg(1).intResult, false));
    });
}

// ---- registration -----------------------------------------------------------------------------

void RegisterAdditionalFunction(TRpLibraryItemClass Item, const String& Name, const String& Description,
                                const String& Vendor, const String& Data) {
    if (GlobalFunctionLibrary()->EntryList()->IndexOf(Name) >= 0) return;
    RegisterExprFunction(Item, Name, Description, Vendor, Data);
}

namespace {
template <class T>
void Reg(const char* Name, const char* Data, const char* Description) {
    RegisterAdditionalFunction(T::StaticClass(), QString::fromLatin1(Name), QString::fromLatin1(Description),
                               QString::fromLatin1(ExtraVendor), QString::fromLatin1(Data));
}
}  // namespace

void RegisterAdditionalFunctions() {
    Reg<TRpEvPageCountFunction>("PAGECOUNT", "7", "PAGENUMBER|Returns the total number of pages");
    Reg<TRpEvDetailCountFunction>("DETAILCOUNT", "4", "DETAILCOUNT|Returns the number of detail records");
    Reg<TRpEvDetailNoFunction>("DETAILNO", "4", "DETAILNO|Returns the current record number");
    Reg<TRpEvColumnNoFunction>("COLUMNNO", "4", "COLUMNNO|Returns the current column number");
    Reg<TRpEvCurrencyFunction>("CURRENCY", "7", "CURRENCY|Returns Windows'' default currency ");
    Reg<TRpEvQueryParamFunction>("QUERYPARAM", "7SS", "QUERYPARAM(<Q>,<P>)|Gets parameter value from a query");
    Reg<TRpEvStrToIntFunction>("STRTOINT", "7S", "STRTOINT(<X>)|Converts String to Integer");
    Reg<TRpEvStrToNumFunction>("STRTONUM", "7S", "STRTONUM(<X>)|Converts String to number");
    Reg<TRpEvGetCaptionFunction>("GETCAPTION", "7S", "GETCAPTION(<S>)|Returns a component''s caption");
    Reg<TRpEvRecordCountFunction>("RECORDCOUNT", "7S", "RECORDCOUNT(<DS>)|Returns a dataset's record count");
    Reg<TRpEvReadINIFunction>("READINI", "7SSS", "READINI(<S1>,<S2>,<S3>)|Reads entry S3 in section S2 from INI file S1");
    Reg<TRpEvReadRegistryFunction>("READREGISTRY", "7SSS",
                                   "READREGISTRY(S1,S2,S3)|Reads entry S3 in section S2 from registry key S1");
    Reg<TRpEvReformatDateFunction>("REFORMATDATE", "7SS", "REFORMATDATE(<D>,<F>)|Formats a date (and time)");
    Reg<TRpEvCalcDateFunction>("CALCDATE", "1SNNN", "CALCDATE( DT, D, M, Y )|Adds D days, M months and Y years to a given date DT");
    Reg<TRpEvExtractDayFunction>("EXTRACTDAY", "1S", "EXTRACTDAY(<DATE>)|Gets only the day from a given date.");
    Reg<TRpEvExtractMonthFunction>("EXTRACTMONTH", "1S", "EXTRACTMONTH(<DATE>)|Gets only the month from a given date.");
    Reg<TRpEvExtractYearFunction>("EXTRACTYEAR", "1S", "EXTRACTYEAR(<DATE>)|Gets only the year from a given date.");
    Reg<TRpEvDayOfWeekFunction>("DAYOFWEEK", "1S", "DAYOFWEEK(<DATE>)|Returns the day of the week (1..7) for a given date.");
    Reg<TRpEvDayStringFunction>("DAYSTRING", "1N", "DAYSTRING(<D>)|Returns the day name for the given day (1=Sunday,2=...).");
    Reg<TRpEvMonthStringFunction>("MONTHSTRING", "1N", "MONTHSTRING(<M>)|Returns the month name for the given month (1..12).");
    Reg<TRpEvCalcTimeFunction>("CALCTIME", "1SNNN", "CALCTIME( T, H, M, S )|Adds H hours, M minutes and S seconds to a given time T");
    Reg<TRpEvTrimFunction>("TRIM", "7S", "TRIM(<S>)|Removes leading and trailing blanks from a string");
    Reg<TRpEvChrFunction>("CHR", "7N", "CHR(<I>)|Converts the ordinal ASCII value to a character");
    Reg<TRpEvIsNullFunction>("ISNULL", "4SS", "ISNULL(TABLE,FIELD)|Checks if a table's field contains no data.");
    Reg<TRpEvAbsFunction>("ABS", "2N", "ABS(<I>)|Returns the absolute value of I.");
    Reg<TRpEvFieldLenFunction>("FIELDLEN", "4SS", "FIELDLEN(TABLE,FIELD)|Returns the data field size in characters.");
    Reg<TRpEvPadLeftFunction>("PADLEFT", "7SN", "PADLEFT(<S>,<Len>)|Fills up the string S to Len characters.");
    Reg<TRpEvPadRightFunction>("PADRIGHT", "7SN", "PADRIGHT(<S>,<Len>)|Fills up the string S to Len characters");
}
