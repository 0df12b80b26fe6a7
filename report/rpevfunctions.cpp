// The function registry, the function element protocol, the built-in functions and the start of
// the expression unit (the registry, the built-ins, the additional functions and the global
// environment, made together on first use and freed at the end of the process).
#include "report/rpevfunctions.h"

#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"
#include "report/rpevenvironment.h"
#include "report/rpevextra.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>

// ---- the unit ---------------------------------------------------------------------------------

thread_local bool EnvironmentUnpreparing = false;

namespace {

const char* const BuiltInVendor = "Sdelka report engine";

std::atomic<bool> GStarted{false};
bool GStarting = false;
TRpFunctionLibrary* GLibrary = nullptr;
TRpEvEnvironment* GGlobalEnvironment = nullptr;

void RegisterBuiltInFunctions();

// Frees the environment and the registry at the end of the process. The entries' evaluators
// unprepare while the environment goes: they find no global environment to report to.
struct TRpEvUnitEnd {
    ~TRpEvUnitEnd() {
        TRpEvEnvironment* env = GGlobalEnvironment;
        GGlobalEnvironment = nullptr;
        if (env) env->Free();
        TRpFunctionLibrary* lib = GLibrary;
        GLibrary = nullptr;
        if (lib) lib->Free();
    }
};

// The start of the expression unit, once per process: the registry, the built-in functions, the
// additional functions, the global environment. The registrations reach the registry through
// GlobalFunctionLibrary while the start is under way.
void StartUnit() {
    if (GStarted.load(std::memory_order_acquire)) return;
    static std::recursive_mutex lock;
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (GStarted.load(std::memory_order_relaxed) || GStarting) return;
    GStarting = true;
    static TRpEvUnitEnd end;
    EnvironmentUnpreparing = false;
    ArgumentSeparator = u',';
    GLibrary = New<TRpFunctionLibrary>();
    RegisterBuiltInFunctions();
    RegisterAdditionalFunctions();
    TRpEvEnvironment* env = New<TRpEvEnvironment>();
    const TDateTime now = Now();
    env->AddFunction(QStringLiteral("AppStartTime"), u'\'' + FormatDateTime(FormatSettings.LongTimeFormat, now) + u'\'');
    env->AddFunction(QStringLiteral("AppStartDate"), u'\'' + FormatDateTime(FormatSettings.ShortDateFormat, now) + u'\'');
    env->AddFunction(QStringLiteral("AppName"), u'\'' + (Application ? Application->Title() : String()) + u'\'');
    GGlobalEnvironment = env;
    GStarting = false;
    GStarted.store(true, std::memory_order_release);
}

}  // namespace

TRpFunctionLibrary* GlobalFunctionLibrary() {
    StartUnit();
    return GLibrary;
}

TRpEvEnvironment* GlobalEnvironment() {
    StartUnit();
    return GGlobalEnvironment;
}

TRpEvEnvironment* GlobalEnvironmentIfCreated() { return GGlobalEnvironment; }

void RegisterExprFunction(TRpLibraryItemClass Item, const String& Name, const String& Description,
                          const String& Vendor, const String& Data) {
    GlobalFunctionLibrary()->Add(Item, Name, Description, Vendor, Data);
}

// ---- the registry -----------------------------------------------------------------------------

TRpLibrary::TRpLibrary() : Entries(NewOwned<TStringList>(true)) {}

TRpLibrary::~TRpLibrary() = default;

void TRpLibrary::Add(TRpLibraryItemClass aItem, const String& AName, const String& ADescription,
                     const String& AVendor, const String& AData) {
    Entries->AddObject(AName, New<TRpLibraryEntry>(aItem, AName, ADescription, AVendor, AData));
}

TRpLibraryEntry* TRpLibrary::GetEntry(int Index) { return static_cast<TRpLibraryEntry*>(Entries->Objects(Index)); }

TRpEvElement* TRpFunctionLibrary::GetFunction(const String& Name) {
    const int i = Entries->IndexOf(Name);
    if (i >= 0) {
        TObject* o = GetEntry(i)->Item()->Create();
        if (auto* e = dynamic_cast<TRpEvElement*>(o)) return e;
        if (o) o->Free();
    }
    return New<TRpEvElementError>(Format(QStringLiteral("Unknown function : %s"), {Name}));
}

// ---- the function element ---------------------------------------------------------------------

void SetEmptyErrorResult(TRpEvResult& Result) { SetErrorResult(String(), Result); }

void TRpEvElementFunction::CollectArguments(TRpFiFo* FiFo) {
    // Every argument starts from an empty result, as the functions read the text of a result of
    // any kind (UPPER of a number answers with it as its error).
    ArgList.clear();
    for (;;) {
        TRpEvElement* e = FiFo->Get();
        if (!e || e->IsArgumentEnd()) break;
        TRpEvResult r;
        e->Value(FiFo, r);
        ArgList.push_back(std::move(r));
    }
}

void TRpEvElementFunction::Value(TRpFiFo* FiFo, TRpEvResult& Result) {
    CollectArguments(FiFo);
    try {
        if (FiFo->Aggreg()) Aggregate();
        Calculate(Result);
    } catch (...) {
        ReleaseArguments();
        throw;
    }
    ReleaseArguments();
}

void TRpEvElementFunction::Calculate(TRpEvResult& Result) { SetEmptyErrorResult(Result); }

// ---- built-in functions -----------------------------------------------------------------------

namespace {

bool IsNumeric(const TRpEvResult& R) { return R.Kind == resInt || R.Kind == resDouble; }
double NumberOf(const TRpEvResult& R) { return R.Kind == resInt ? R.intResult : R.dblResult; }

void SetString(TRpEvResult& Result, const String& S) {
    Result.Kind = resString;
    Result.StringVal = S;
}

void WrongArguments(const char* Name, TRpEvResult& Result) {
    SetErrorResult(Format(QStringLiteral("Wrong arguments for %s"), {Name}), Result);
}

// UPPER, LOWER and PRETTY: one text argument.
template <class F>
void CaseFunction(const std::vector<TRpEvResult>& Args, const char* Name, F Map, TRpEvResult& Result) {
    if (Args.size() != 1) {
        SetErrorResult(Format(QStringLiteral("Missing argument for %s"), {Name}), Result);
        return;
    }
    if (Args[0].Kind != resString) {
        SetErrorResult(Args[0].StringVal, Result);
        return;
    }
    SetString(Result, Map(Args[0].StringVal));
}

}  // namespace

void TRpEvTrue::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 0) return SetErrorResult(QStringLiteral("Too many arguments"), Result);
    Result.Kind = resBool;
    Result.booResult = true;
}

void TRpEvFalse::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 0) return SetErrorResult(QStringLiteral("Too many arguments"), Result);
    Result.Kind = resBool;
    Result.booResult = false;
}

void TRpEvIfFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 3 || Arg(0).Kind != resBool) return WrongArguments("IF", Result);
    // The arguments are released after the call: the chosen one is moved, not copied.
    Result = std::move(ArgList[Arg(0).booResult ? 1 : 2]);
}

void TRpEvTypeOfFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 1) return WrongArguments("TypeOf", Result);
    static const char* const Names[] = {"INTEGER", "FLOAT", "STRING", "BOOLEAN", "ERROR"};
    const int k = Arg(0).Kind <= resError ? Arg(0).Kind : resError;
    SetString(Result, QString::fromLatin1(Names[k]));
}

void TRpEvIntFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 1 || !IsNumeric(Arg(0))) return WrongArguments("INT", Result);
    Result.Kind = resInt;
    Result.intResult = Arg(0).Kind == resInt ? Arg(0).intResult
                                             : TruncToInteger(Arg(0).dblResult);
}

void TRpEvFracFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 1 || !IsNumeric(Arg(0))) return SetEmptyErrorResult(Result);
    Result.Kind = resDouble;
    Result.dblResult = Arg(0).Kind == resInt ? 0.0 : Arg(0).dblResult - std::trunc(Arg(0).dblResult);
}

void TRpEvSQRTFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 1 || !IsNumeric(Arg(0)) || NumberOf(Arg(0)) < 0)
        return SetErrorResult(QStringLiteral("Invalid argument to SQRT function"), Result);
    Result.Kind = resDouble;
    Result.dblResult = std::sqrt(NumberOf(Arg(0)));
}

void TRpEvDivFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 2 || !IsNumeric(Arg(0)) || !IsNumeric(Arg(1))) return WrongArguments("DIV", Result);
    auto whole = [](const TRpEvResult& R) -> Integer {
        return R.Kind == resInt ? R.intResult : RoundToInteger(R.dblResult);
    };
    const Integer x = whole(Arg(0)), y = whole(Arg(1));
    if (y == 0) return SetErrorResult(QStringLiteral("Division by Zero"), Result);
    Result.Kind = resInt;
    // The one quotient that does not fit wraps, as the other integer operations do.
    Result.intResult = (x == std::numeric_limits<Integer>::min() && y == -1) ? x : x / y;
}

void TRpEvStrFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 1 || Arg(0).Kind == resString || Arg(0).Kind == resError)
        return SetErrorResult(QStringLiteral("Conversion error"), Result);
    SetString(Result, ResultAsText(Arg(0)));
}

void TRpEvUpperFunction::Calculate(TRpEvResult& Result) {
    CaseFunction(ArgList, "UPPER", [](const String& s) { return AnsiUpperCase(s); }, Result);
}

void TRpEvLowerFunction::Calculate(TRpEvResult& Result) {
    CaseFunction(ArgList, "LOWER", [](const String& s) { return AnsiLowerCase(s); }, Result);
}

void TRpEvPrettyFunction::Calculate(TRpEvResult& Result) {
    CaseFunction(ArgList, "PRETTY", [](const String& s) {
        if (s.isEmpty()) return s;
        // A character outside the basic plane takes two code units: both belong to the head.
        const int head = (s.size() > 1 && s[0].isHighSurrogate()) ? 2 : 1;
        return AnsiUpperCase(s.left(head)) + AnsiLowerCase(s.mid(head));
    }, Result);
}

void TRpEvTimeFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 0) return SetEmptyErrorResult(Result);
    SetString(Result, FormatDateTime(FormatSettings.LongTimeFormat, Now()));
}

void TRpEvDateFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 0) return SetEmptyErrorResult(Result);
    SetString(Result, FormatDateTime(FormatSettings.ShortDateFormat, Now()));
}

void TRpEvCopyFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 3 || Arg(0).Kind != resString || Arg(1).Kind != resInt || Arg(2).Kind != resInt)
        return SetEmptyErrorResult(Result);
    const String& x = Arg(0).StringVal;
    const Int64 n = x.size();
    Int64 st = Arg(1).intResult, len = Arg(2).intResult;
    if (st == 0) st = 1;
    // Never cut a character outside the basic plane in half.
    if (st >= 1 && st <= n && x[st - 1].isLowSurrogate() && len > 0) {
        ++st;
        --len;
    }
    const Int64 last = (st < 1 ? 1 : st) + len - 1;
    if (len > 0 && last >= 1 && last <= n && x[last - 1].isHighSurrogate()) --len;
    if (st < 1) st = 1;
    if (st > n || len <= 0) return SetString(Result, String());
    SetString(Result, x.mid(static_cast<qsizetype>(st - 1), static_cast<qsizetype>(std::min<Int64>(len, n - st + 1))));
}

void TRpEvFormatNumericFunction::Calculate(TRpEvResult& Result) {
    if (ArgCount() != 2 || Arg(0).Kind != resString || !IsNumeric(Arg(1))) return SetEmptyErrorResult(Result);
    const String& mask = Arg(0).StringVal;
    try {
        if (Arg(1).Kind == resDouble && mask.contains(QStringLiteral("%m")))
            SetString(Result, Format(mask, {static_cast<Extended>(Arg(1).dblResult)}));
        else
            SetString(Result, FormatFloat(mask, static_cast<Extended>(NumberOf(Arg(1)))));
    } catch (const Exception&) {
        SetErrorResult(QStringLiteral("Invalid format or value specified"), Result);
    }
}

// ---- aggregates -------------------------------------------------------------------------------

TRpEvSumFunction::TRpEvSumFunction() { FIsAggreg = true; }

void TRpEvSumFunction::Reset() { ResAssigned = false; }

void TRpEvSumFunction::Aggregate() {
    if (ArgCount() != 1) {
        SumResult.Kind = resError;
        return;
    }
    const TRpEvResult& v = Arg(0);
    if (!ResAssigned) {
        SumResult = TRpEvResult();
        SumResult.Kind = IsNumeric(v) ? v.Kind : resError;
        SumResult.intResult = v.intResult;
        SumResult.dblResult = v.dblResult;
    } else if (SumResult.Kind == resInt || SumResult.Kind == resDouble) {
        if (IsNumeric(v)) {
            if (SumResult.Kind == resInt)
                SumResult.intResult = static_cast<Integer>(static_cast<std::uint32_t>(SumResult.intResult) +
                    static_cast<std::uint32_t>(v.Kind == resInt ? v.intResult
                                                                : RoundToInteger(v.dblResult)));
            else
                SumResult.dblResult += NumberOf(v);
        } else if (v.Kind == resString) {
            SumResult.Kind = resError;
        }
    }
    ResAssigned = true;
}

void TRpEvSumFunction::Calculate(TRpEvResult& Result) {
    if (ResAssigned) {
        Result = SumResult;
    } else {
        Result.Kind = resInt;
        Result.intResult = 0;
    }
}

TRpEvAverageFunction::TRpEvAverageFunction() {
    aResult.Kind = resInt;
    aResult.intResult = 0;
}

void TRpEvAverageFunction::Reset() {
    TRpEvSumFunction::Reset();
    aResult = TRpEvResult();
    aResult.Kind = resDouble;
    aResult.dblResult = 0.0;
    Count = 0;
    FIsAggreg = true;
}

void TRpEvAverageFunction::Aggregate() {
    TRpEvSumFunction::Aggregate();
    ++Count;
    aResult = TRpEvResult();
    if (SumResult.Kind == resInt || SumResult.Kind == resDouble) {
        aResult.Kind = resDouble;
        aResult.dblResult = NumberOf(SumResult) / Count;
    } else {
        aResult.Kind = resError;
    }
}

void TRpEvAverageFunction::Calculate(TRpEvResult& Result) { Result = aResult; }

namespace {
// -1, 0, 1 as V compares with the stored value S; 2 when they cannot be compared.
int CompareToStored(const TRpEvResult& V, const TRpEvResult& S) {
    switch (S.Kind) {
        case resInt: case resDouble: {
            if (!IsNumeric(V)) return 2;
            const double a = NumberOf(V), b = NumberOf(S);
            return a < b ? -1 : (a > b ? 1 : 0);
        }
        case resString: {
            if (V.Kind != resString) return 2;
            const int c = CompareStr(V.StringVal, S.StringVal);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        case resBool:
            if (V.Kind != resBool) return 2;
            return V.booResult == S.booResult ? 0 : (V.booResult ? 1 : -1);
        default:
            return 2;
    }
}

void TakeValue(const TRpEvResult& V, TRpEvResult& S) {
    switch (S.Kind) {
        case resInt:
            S.intResult = V.Kind == resInt ? V.intResult : RoundToInteger(V.dblResult);
            break;
        case resDouble: S.dblResult = NumberOf(V); break;
        case resString: S.StringVal = V.StringVal; break;
        default: S.booResult = V.booResult; break;
    }
}

// MAX (Sign 1) and MIN (Sign -1).
void AggregateExtreme(const std::vector<TRpEvResult>& Args, int Sign, TRpEvResult& Stored, bool& Assigned) {
    if (Args.size() != 1) {
        Stored.Kind = resError;
        return;
    }
    const TRpEvResult& v = Args[0];
    if (!Assigned) {
        Stored = v;
        Assigned = true;
        return;
    }
    const int c = CompareToStored(v, Stored);
    if (c == Sign) TakeValue(v, Stored);
}

void CalculateExtreme(const TRpEvResult& Stored, bool Assigned, TRpEvResult& Result) {
    if (Assigned) {
        Result = Stored;
    } else {
        Result.Kind = resInt;
        Result.intResult = 0;
    }
}
}  // namespace

TRpEvMaxFunction::TRpEvMaxFunction() { FIsAggreg = true; }
void TRpEvMaxFunction::Reset() { ResAssigned = false; }
void TRpEvMaxFunction::Aggregate() { AggregateExtreme(ArgList, 1, MaxResult, ResAssigned); }
void TRpEvMaxFunction::Calculate(TRpEvResult& Result) { CalculateExtreme(MaxResult, ResAssigned, Result); }

TRpEvMinFunction::TRpEvMinFunction() { FIsAggreg = true; }
void TRpEvMinFunction::Reset() { ResAssigned = false; }
void TRpEvMinFunction::Aggregate() { AggregateExtreme(ArgList, -1, MinResult, ResAssigned); }
void TRpEvMinFunction::Calculate(TRpEvResult& Result) { CalculateExtreme(MinResult, ResAssigned, Result); }

TRpEvCountFunction::TRpEvCountFunction() { FIsAggreg = true; }

void TRpEvCountFunction::Reset() { FCount = 0; }

void TRpEvCountFunction::Value(TRpFiFo* FiFo, TRpEvResult& Result) {
    CollectArguments(FiFo);
    if (ArgCount() == 0) {
        if (FiFo->Aggreg()) ++FCount;
        Result.Kind = resInt;
        Result.intResult = FCount;
    } else {
        SetErrorResult(QStringLiteral("COUNT - ") + QStringLiteral("Too many arguments"), Result);
    }
    ReleaseArguments();
}

// ---- registration -----------------------------------------------------------------------------

namespace {
template <class T>
void Reg(const char* Name, const char* Data, const char* Syntax, const char* Description) {
    RegisterExprFunction(T::StaticClass(), QString::fromLatin1(Name),
                         QString::fromLatin1(Syntax) + QString::fromLatin1(Description),
                         QString::fromLatin1(BuiltInVendor), QString::fromLatin1(Data));
}

void RegisterBuiltInFunctions() {
    Reg<TRpEvIfFunction>("IF", "5BVV", "IF(<Exp>, <X>, <Y>)|", "Returns <X> or <Y> depending on the boolean expression <Exp>");
    Reg<TRpEvStrFunction>("STR", "7N", "STR(<X>)|", "Convert a numeric <X> to a string");
    Reg<TRpEvUpperFunction>("UPPER", "7S", "UPPER(<X>)|", "Converts a string to upper case letters");
    Reg<TRpEvLowerFunction>("LOWER", "7S", "LOWER(<X>)|", "Converts a string to lower case letters");
    Reg<TRpEvPrettyFunction>("PRETTY", "7S", "PRETTY(<X>)|", "Makes the first character upper case and the rest lower case");
    Reg<TRpEvTimeFunction>("TIME", "1", "TIME|", "Return current time as a string");
    Reg<TRpEvDateFunction>("DATE", "1", "DATE|", "Return current date as a string");
    Reg<TRpEvCopyFunction>("COPY", "7SNN", "COPY(<X>, <St>,<Len>)|", "Returns a substring of string X");
    Reg<TRpEvSumFunction>("SUM", "3N", "SUM(<X>)|", "Sums the numeric <X>");
    Reg<TRpEvCountFunction>("COUNT", "3", "COUNT|", "Increments for each iteration");
    Reg<TRpEvMaxFunction>("MAX", "3V", "MAX(<X>)|", "Returns the highest <X>");
    Reg<TRpEvMinFunction>("MIN", "3V", "MIN(<X>)|", "Returns the lowest <X>");
    Reg<TRpEvAverageFunction>("AVERAGE", "3N", "AVERAGE(<X>)|", "Returns the average of numeric <X>");
    Reg<TRpEvTrue>("TRUE", "5", "TRUE|", "boolean value");
    Reg<TRpEvFalse>("FALSE", "5", "FALSE|", "boolean value");
    Reg<TRpEvIntFunction>("INT", "2N", "INT(<X>)|", "Returns the integer part of <X>");
    Reg<TRpEvFracFunction>("FRAC", "2N", "FRAC(<X>)|", "Returns the fractional part of <X>");
    Reg<TRpEvSQRTFunction>("SQRT", "2N", "SQRT(<X>)|", "Returns square root of <X>");
    Reg<TRpEvDivFunction>("DIV", "2NN", "DIV(<X>, <Y>) | ", "Integer division of <X> by <Y>");
    Reg<TRpEvTypeOfFunction>("TYPEOF", "6N", "TYPEOF(<Exp>)|", "Returns the data type of <Exp>");
    Reg<TRpEvFormatNumericFunction>("FORMATNUMERIC", "7SN", "FORMATNUMERIC(<F>,<N>)|", "Formats numeric <N> using the mask in <F>");
}
}  // namespace
