// The expression compiler and the evaluation of operators and fields.
//
// The compiler is a recursive descent over the text that splits it at its operators: a
// comparison, then "+", "-" and "or", then "*", "/" and "and", then the factors. It appends the
// elements in prefix order (an operator first, then its left operand, then its right operand);
// evaluation reads the queue in the same order, every element taking its own operands.
#include "report/rpevaluator.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"
#include "report/rpevenvironment.h"
#include "report/rpevfunctions.h"
#include "report/rperror.h"

#include <cmath>
#include <cstdint>

Char ArgumentSeparator = u',';

TRpEvEnvironment* TRpEvContext::ResolvedEnvironment() const {
    return SharedEnvironment ? SharedEnvironment : GlobalEnvironment();
}

TRpFunctionLibrary* TRpEvContext::ResolvedLibrary() const {
    return FunctionLibrary ? FunctionLibrary : GlobalFunctionLibrary();
}

Char TRpEvContext::ResolvedSeparator() const {
    if (!ArgumentSeparator.isNull()) return ArgumentSeparator;
    GlobalFunctionLibrary();  // the start of the expression unit sets the process-wide one
    return ::ArgumentSeparator;
}

namespace {

const char* const OperatorSymbols[] = {"<", "<=", ">", ">=", "=", "<>", "+", "-", "OR", "*", "/", "AND"};

inline Integer WrapAdd(Integer a, Integer b) {
    return static_cast<Integer>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline Integer WrapSub(Integer a, Integer b) {
    return static_cast<Integer>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline Integer WrapMul(Integer a, Integer b) {
    return static_cast<Integer>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Scanner state shared by the operator levels and SwapTopLevelChars: quotes (not inside
// brackets), parenthesis depth and brackets (both outside quotes).
struct TScanState {
    bool Quote = false;
    int Depth = 0;
    bool Bracket = false;
    void Step(QChar c) {
        if (c == u'\'') {
            if (!Bracket) Quote = !Quote;
        } else if (c == u'(') {
            if (!Quote && !Bracket) ++Depth;
        } else if (c == u')') {
            if (!Quote && !Bracket) --Depth;
        } else if (c == u'[') {
            if (!Quote && !Bracket) Bracket = true;
        } else if (c == u']') {
            if (!Quote) Bracket = false;
        }
    }
    bool TopLevel() const { return Depth == 0 && !Quote && !Bracket; }
};

// Blanks (U+0020 only) off both ends; a text of blanks keeps one.
String TrimBlanks(const String& S) {
    int b = 0, e = static_cast<int>(S.size());
    while (b < e && S[b] == u' ') ++b;
    while (e > b && S[e - 1] == u' ') --e;
    if (b == e && !S.isEmpty()) return QStringLiteral(" ");
    return S.mid(b, e - b);
}

bool IsAsciiLetter(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Evaluates the next element of the queue; a queue that ends early gives an error result.
void EvalNext(TRpFiFo* FiFo, TRpEvResult& Result) {
    TRpEvElement* e = FiFo ? FiFo->Get() : nullptr;
    if (!e) {
        SetErrorResult(String(), Result);
        return;
    }
    e->Value(FiFo, Result);
}

void MatchKinds(TRpEvResult& L, TRpEvResult& R) {
    if (L.Kind == resError || R.Kind == resError || L.Kind == R.Kind) return;
    if (L.Kind == resInt && R.Kind == resDouble) {
        L.Kind = resDouble;
        L.dblResult = L.intResult;
        return;
    }
    if (L.Kind == resDouble && R.Kind == resInt) {
        R.Kind = resDouble;
        R.dblResult = R.intResult;
        return;
    }
    L.StringVal = ResultAsText(L);
    L.Kind = resString;
    R.StringVal = ResultAsText(R);
    R.Kind = resString;
}

template <class T>
bool Compare(TRpEvOperator Op, const T& a, const T& b) {
    switch (Op) {
        case opLess: return a < b;
        case opLessOrEqual: return a <= b;
        case opGreater: return a > b;
        case opGreaterOrEqual: return a >= b;
        case opEqual: return a == b;
        default: return !(a == b);
    }
}

void SetBool(TRpEvResult& Result, bool Value) {
    Result.Kind = resBool;
    Result.booResult = Value;
}

void IncompatibleError(TRpEvOperator Op, const char* What, TRpEvResult& Result) {
    SetErrorResult(Format(QStringLiteral("Operator %s is not compatible with %s expressions"),
                          {QString::fromLatin1(OperatorSymbols[Op]), What}),
                   Result);
}

void CannotError(const char* Verb, const char* What, TRpEvResult& Result) {
    SetErrorResult(Format(QStringLiteral("Cannot %s %s expressions"), {Verb, What}), Result);
}

const char* VerbOf(TRpEvOperator Op) {
    switch (Op) {
        case opPlus: return "add";
        case opMinus: return "subtract";
        case opMul: return "multiply";
        default: return "divide";
    }
}

}  // namespace

// ---- unit routines ----------------------------------------------------------------------------

String ResultAsText(const TRpEvResult& Result) {
    switch (Result.Kind) {
        case resInt: return IntToStr(Result.intResult);
        case resDouble: return FloatToStr(static_cast<Extended>(Result.dblResult));
        case resString: return Result.StringVal;
        case resBool: return Result.booResult ? QStringLiteral("True") : QStringLiteral("False");
        default: throw Exception(QStringLiteral("Error in expression : %s"), {Result.StringVal});
    }
}

void SetErrorResult(const String& Text, TRpEvResult& Result) {
    Result.Kind = resError;
    Result.StringVal = Text;
}

namespace {
// The range of Round and Trunc, [-2^63, 2^63): both ends are exact in a double.
constexpr double WholeLimit = 9223372036854775808.0;
}  // namespace

Integer RoundToInteger(double Value) {
    if (!(Value >= -WholeLimit && Value < WholeLimit)) return static_cast<Integer>(Round(static_cast<Extended>(Value)));
    // Every step is exact in a double, so this is Round's nearest value, ties to even.
    const double t = std::trunc(Value);
    const double diff = std::fabs(Value - t);
    double r = t;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(t, 2.0) != 0)) r = t + (Value < 0 ? -1 : 1);
    if (!(r >= -WholeLimit && r < WholeLimit)) return static_cast<Integer>(Round(static_cast<Extended>(Value)));
    return static_cast<Integer>(static_cast<Int64>(r));
}

Integer TruncToInteger(double Value) {
    if (!(Value >= -WholeLimit && Value < WholeLimit)) return static_cast<Integer>(Trunc(static_cast<Extended>(Value)));
    return static_cast<Integer>(static_cast<Int64>(Value));
}

String SwapTopLevelChars(const String& Text, Char A, Char B) {
    String r = Text;
    TScanState st;
    for (int i = 0; i < r.size(); ++i) {
        st.Step(r[i]);
        if (!st.TopLevel()) continue;
        if (r[i] == A) r[i] = B;
        else if (r[i] == B) r[i] = A;
    }
    return r;
}

// ---- elements ---------------------------------------------------------------------------------

void TRpEvElement::Value(TRpFiFo*, TRpEvResult&) {}

void TRpEvElementOperator::Value(TRpFiFo* FiFo, TRpEvResult& Result) {
    TRpEvResult L, R;
    EvalNext(FiFo, L);
    EvalNext(FiFo, R);
    MatchKinds(L, R);
    if (L.Kind == resError) {
        Result = L;
        return;
    }
    if (R.Kind == resError) {
        Result = R;
        return;
    }
    const TRpEvResultType kind = L.Kind;
    switch (FOpCode) {
        case opLess: case opLessOrEqual: case opGreater: case opGreaterOrEqual:
        case opEqual: case opUnequal:
            switch (kind) {
                case resInt: SetBool(Result, Compare(FOpCode, L.intResult, R.intResult)); break;
                case resDouble: SetBool(Result, Compare(FOpCode, L.dblResult, R.dblResult)); break;
                case resString: SetBool(Result, Compare(FOpCode, CompareStr(L.StringVal, R.StringVal), 0)); break;
                default:
                    if (FOpCode == opEqual) SetBool(Result, L.booResult == R.booResult);
                    else if (FOpCode == opUnequal) SetBool(Result, L.booResult != R.booResult);
                    else IncompatibleError(FOpCode, "boolean", Result);
                    break;
            }
            break;
        case opPlus: case opMinus: case opMul:
            if (kind == resInt) {
                Result.Kind = resInt;
                Result.intResult = FOpCode == opPlus ? WrapAdd(L.intResult, R.intResult)
                                   : FOpCode == opMinus ? WrapSub(L.intResult, R.intResult)
                                                        : WrapMul(L.intResult, R.intResult);
            } else if (kind == resDouble) {
                Result.Kind = resDouble;
                Result.dblResult = FOpCode == opPlus ? L.dblResult + R.dblResult
                                   : FOpCode == opMinus ? L.dblResult - R.dblResult
                                                        : L.dblResult * R.dblResult;
            } else if (kind == resString && FOpCode == opPlus) {
                Result.Kind = resString;
                Result.StringVal = L.StringVal + R.StringVal;
            } else {
                CannotError(VerbOf(FOpCode), kind == resString ? "string" : "boolean", Result);
            }
            break;
        case opDiv:
            if (kind == resInt || kind == resDouble) {
                const double a = kind == resInt ? L.intResult : L.dblResult;
                const double b = kind == resInt ? R.intResult : R.dblResult;
                if (b == 0.0) {
                    SetErrorResult(QStringLiteral("Cannot divide by 0"), Result);
                } else {
                    Result.Kind = resDouble;
                    Result.dblResult = a / b;
                }
            } else {
                CannotError("divide", kind == resString ? "string" : "boolean", Result);
            }
            break;
        case opOr: case opAnd:
            if (kind == resInt) {
                Result.Kind = resInt;
                Result.intResult = FOpCode == opOr ? (L.intResult | R.intResult) : (L.intResult & R.intResult);
            } else if (kind == resBool) {
                SetBool(Result, FOpCode == opOr ? (L.booResult || R.booResult) : (L.booResult && R.booResult));
            } else {
                IncompatibleError(FOpCode, kind == resDouble ? "numeric" : "string", Result);
            }
            break;
    }
}

void TRpEvElementNot::Value(TRpFiFo* FiFo, TRpEvResult& Result) {
    TRpEvResult v;
    EvalNext(FiFo, v);
    if (v.Kind == resBool) SetBool(Result, !v.booResult);
    else SetErrorResult(QStringLiteral("Invalid use of NOT"), Result);
}

void TRpEvElementConstant::Value(TRpFiFo*, TRpEvResult& Result) { Result = FValue; }

void TRpEvElementString::Value(TRpFiFo*, TRpEvResult& Result) {
    Result.Kind = resString;
    Result.StringVal = FValue;
}

void TRpEvElementError::Value(TRpFiFo*, TRpEvResult& Result) { SetErrorResult(FErrorMessage, Result); }

TRpEvElementDataField::TRpEvElementDataField(TField* AField)
    : FDataSet(AField->DataSet()), FField(AField) {
    FFieldNo = FDataSet ? FDataSet->Fields()->IndexOf(AField) : -1;
}

TRpEvElementDataField::TReadKind TRpEvElementDataField::ReadKindOf(TField* f) {
    if (f->InheritsFrom(TStringField::StaticClass())) return rkString;
    if (f->InheritsFrom(TIntegerField::StaticClass())) return rkInteger;
    if (f->InheritsFrom(TBCDField::StaticClass()) || f->InheritsFrom(TFMTBCDField::StaticClass()) ||
        f->InheritsFrom(TFloatField::StaticClass()) || f->DataType() == ftFMTBcd)
        return rkFloat;
    if (f->InheritsFrom(TBooleanField::StaticClass())) return rkBoolean;
    if (f->InheritsFrom(TDateTimeField::StaticClass()) || f->DataType() == ftTimeStamp) return rkDateTime;
    return rkUnknown;
}

void TRpEvElementDataField::Value(TRpFiFo*, TRpEvResult& Result) {
    // Fields that the dataset makes itself are made again when it reopens: fetch by position.
    TField* f = FField;
    if (FDataSet && FDataSet->DefaultFields()) f = FDataSet->Fields()->Fields(FFieldNo);
    // Decide how to read the field once, not on every evaluation.
    if (f != FKindOf || static_cast<int>(f->DataType()) != FKindType) {
        FKind = ReadKindOf(f);
        FKindOf = f;
        FKindType = static_cast<int>(f->DataType());
    }
    switch (FKind) {
        case rkString:
        case rkDateTime:
            Result.Kind = resString;
            Result.StringVal = f->AsString();
            break;
        case rkInteger:
            Result.Kind = resInt;
            Result.intResult = f->AsInteger();
            break;
        case rkFloat:
            Result.Kind = resDouble;
            Result.dblResult = f->AsFloat();
            break;
        case rkBoolean:
            Result.Kind = resBool;
            Result.booResult = f->AsBoolean();
            break;
        default:
            SetErrorResult(Format(QStringLiteral("Field %s is of unknown type"), {f->FieldName()}), Result);
            break;
    }
}

// ---- the queue --------------------------------------------------------------------------------

TRpFiFo::~TRpFiFo() {
    std::vector<TRpEvElement*> items;
    items.swap(FiFo);
    for (TRpEvElement* e : items) e->Free();
}

TRpEvElement* TRpFiFo::GetAndFree() {
    if (FiFo.empty()) return nullptr;
    TRpEvElement* e = FiFo.front();
    FiFo.erase(FiFo.begin());
    return e;
}

// ---- the evaluator ----------------------------------------------------------------------------

TRpEvaluator::~TRpEvaluator() {
    if (FPrepared) UnPrepare();
    if (OwnDataSets) OwnDataSets->Free();
}

TRpDataSetList* TRpEvaluator::DataSets() {
    if (!FDataSets) {
        OwnDataSets = New<TRpDataSetList>();
        FDataSets = OwnDataSets;
    }
    return FDataSets;
}

void TRpEvaluator::SetDataSets(TRpDataSetList* Value) {
    if (OwnDataSets && FDataSets == OwnDataSets && Value != OwnDataSets) {
        OwnDataSets->Free();
        OwnDataSets = nullptr;
    }
    FDataSets = Value;
}

bool TRpEvaluator::IsAggreg() const {
    if (!FFiFo) return false;
    for (int i = 0; i < FFiFo->Count(); ++i)
        if (FFiFo->Items(i)->IsAggreg()) return true;
    return false;
}

bool TRpEvaluator::Aggregate() const {
    if (!FFiFo) throw Exception(QStringLiteral("Evaluator not prepared"));
    return FFiFo->Aggreg();
}

void TRpEvaluator::SetAggregate(bool Value) {
    if (!FFiFo) throw Exception(QStringLiteral("Evaluator not prepared"));
    FFiFo->SetAggreg(Value);
}

void TRpEvaluator::Prepare(const String& StrExpr) {
    if (FPrepared) UnPrepare();
    FPreparedShared = FContext.ResolvedEnvironment();
    FSharedIsGlobal = !FContext.SharedEnvironment;
    FPreparedShared->Prepare();
    FFiFo = New<TRpFiFo>();
    FPrepared = true;
    TRpEvResult scratch;
    try {
        ParseComparison(StrExpr.isEmpty() ? QStringLiteral("' '") : StrExpr, scratch);
    } catch (...) {
        UnPrepare();
        throw;
    }
}

void TRpEvaluator::UnPrepare() {
    TRpFiFo* q = FFiFo;
    FFiFo = nullptr;
    if (q) q->Free();
    if (FPrepared) {
        FPrepared = false;
        TRpEvEnvironment* shared = FPreparedShared;
        const bool global = FSharedIsGlobal;
        FPreparedShared = nullptr;
        FSharedIsGlobal = false;
        // The process-wide environment is gone at the end of the process; while an environment
        // releases its entries, their evaluators leave the shared environment prepared.
        if (global) shared = GlobalEnvironmentIfCreated();
        if (shared && !EnvironmentUnpreparing) shared->Unprepare();
    }}

void TRpEvaluator::Value(TRpEvResult& Result) {
    if (!FPrepared || !FFiFo) throw Exception(QStringLiteral("Evaluator not prepared"));
    FFiFo->Start();
    TRpEvElement* e = FFiFo->Get();
    if (!e) {
        SetErrorResult(String(), Result);
        return;
    }
    e->Value(FFiFo, Result);
}

void TRpEvaluator::Reset() {
    if (!FFiFo) throw Exception(QStringLiteral("Evaluator not prepared"));
    for (int i = 0; i < FFiFo->Count(); ++i) FFiFo->Items(i)->Reset();
}

void TRpEvaluator::DoAggregate() {
    TRpEvResult scratch;
    SetAggregate(true);
    try {
        Value(scratch);
    } catch (...) {
        SetAggregate(false);
        throw;
    }
    SetAggregate(false);
}

void TRpEvaluator::Calculate(const String& StrExpr, TRpEvResult& Result) {
    Prepare(StrExpr);
    try {
        Value(Result);
    } catch (...) {
        UnPrepare();
        throw;
    }
    UnPrepare();
}

String TRpEvaluator::AsString() {
    TRpEvResult r;
    Value(r);
    return ResultAsText(r);
}

Integer TRpEvaluator::AsInteger() {
    TRpEvResult r;
    Value(r);
    if (r.Kind == resInt) return r.intResult;
    if (r.Kind == resDouble) return RoundToInteger(r.dblResult);
    throw Exception(QStringLiteral("Not a %s value"), {"numeric"});
}

double TRpEvaluator::AsFloat() {
    TRpEvResult r;
    Value(r);
    if (r.Kind == resInt) return r.intResult;
    if (r.Kind == resDouble) return r.dblResult;
    throw Exception(QStringLiteral("Not a %s value"), {"numeric"});
}

bool TRpEvaluator::AsBoolean() {
    TRpEvResult r;
    Value(r);
    if (r.Kind == resBool) return r.booResult;
    if (r.Kind == resString) {
        const String u = r.StringVal.toUpper();
        if (u == u"TRUE") return true;
        if (u == u"FALSE") return false;
    }
    throw Exception(QStringLiteral("Not a %s value"), {"boolean"});
}

Variant TRpEvaluator::AsVariant() {
    TRpEvResult r;
    Value(r);
    switch (r.Kind) {
        case resInt: return Variant(r.intResult);
        case resDouble: return Variant(r.dblResult);
        case resString: return Variant(r.StringVal);
        case resBool: return Variant(r.booResult);
        default: throw Exception(QStringLiteral("Error in expression : %s"), {r.StringVal});
    }
}

// ---- the compiler -----------------------------------------------------------------------------

void TRpEvaluator::PutError(const String& Message) { FFiFo->Put(New<TRpEvElementError>(Message)); }

namespace {

// Parentheses, operators and calls nest the compiler's calls and the evaluation of the result:
// an expression nested deeper than any report needs is refused before it exhausts the stack.
constexpr int MaxParseDepth = 512;

class TParseDepth {
public:
    explicit TParseDepth(int& Depth) : FDepth(Depth) {
        if (FDepth >= MaxParseDepth) throw ERpError(QStringLiteral("Expression nested too deeply"));
        ++FDepth;
    }
    ~TParseDepth() { --FDepth; }

private:
    int& FDepth;
};

}  // namespace

void TRpEvaluator::ParseComparison(const String& Text, TRpEvResult& Result) {
    TParseDepth depth(FParseDepth);
    TScanState st;
    const int n = static_cast<int>(Text.size());
    for (int i = 0; i + 1 < n; ++i) {
        const QChar c = Text[i];
        st.Step(c);
        if (!st.TopLevel() || i < 1) continue;
        TRpEvOperator op;
        int len = 1;
        if (c == u'<') {
            if (Text[i + 1] == u'>') op = opUnequal, len = 2;
            else if (Text[i + 1] == u'=') op = opLessOrEqual, len = 2;
            else op = opLess;
        } else if (c == u'=') {
            op = opEqual;
        } else if (c == u'>') {
            if (Text[i + 1] == u'=') op = opGreaterOrEqual, len = 2;
            else op = opGreater;
        } else {
            continue;
        }
        FFiFo->Put(New<TRpEvElementOperator>(op));
        ParseSum(Text.left(i), Result);
        ParseSum(Text.mid(i + len), Result);
        return;
    }
    ParseSum(Text, Result);
}

void TRpEvaluator::ParseSum(const String& Text, TRpEvResult& Result) {
    TParseDepth depth(FParseDepth);
    TScanState st;
    const int n = static_cast<int>(Text.size());
    for (int i = 0; i + 1 < n; ++i) {
        const QChar c = Text[i];
        st.Step(c);
        if (!st.TopLevel() || i < 1) continue;
        if (c == u'+' || c == u'-') {
            const TRpEvOperator op = c == u'+' ? opPlus : opMinus;
            FFiFo->Put(New<TRpEvElementOperator>(op));
            ParseProduct(Text.left(i), Result);
            String right = Text.mid(i + 1);
            if (op == opMinus) right = SwapTopLevelChars(right, u'+', u'-');
            ParseSum(right, Result);
            return;
        }
        if (c == u' ' && QStringView(Text).mid(i + 1, 3).compare(u"or ", Qt::CaseInsensitive) == 0) {
            FFiFo->Put(New<TRpEvElementOperator>(opOr));
            ParseProduct(Text.left(i + 1), Result);
            ParseSum(Text.mid(i + 3), Result);
            return;
        }
    }
    ParseProduct(Text, Result);
}

void TRpEvaluator::ParseProduct(const String& Text, TRpEvResult& Result) {
    TParseDepth depth(FParseDepth);
    TScanState st;
    const int n = static_cast<int>(Text.size());
    for (int i = 0; i + 1 < n; ++i) {
        const QChar c = Text[i];
        st.Step(c);
        if (!st.TopLevel() || i < 1) continue;
        if (c == u'*' || c == u'/') {
            const TRpEvOperator op = c == u'*' ? opMul : opDiv;
            FFiFo->Put(New<TRpEvElementOperator>(op));
            ParseFactor(Text.left(i), Result);
            String right = Text.mid(i + 1);
            if (op == opDiv) right = SwapTopLevelChars(right, u'*', u'/');
            ParseProduct(right, Result);
            return;
        }
        if (c == u' ' && QStringView(Text).mid(i + 1, 4).compare(u"and ", Qt::CaseInsensitive) == 0) {
            FFiFo->Put(New<TRpEvElementOperator>(opAnd));
            ParseFactor(Text.left(i + 1), Result);
            ParseProduct(Text.mid(i + 4), Result);
            return;
        }
    }
    ParseFactor(Text, Result);
}

void TRpEvaluator::ParseFactor(const String& AText, TRpEvResult& Result) {
    TParseDepth depth(FParseDepth);
    const String Text = TrimBlanks(AText);
    const int n = static_cast<int>(Text.size());
    if (n >= 3 && Text.left(3).toLower() == u"not") {
        FFiFo->Put(New<TRpEvElementNot>());
        ParseSum(Text.mid(3), Result);
        return;
    }
    const QChar c = n > 0 ? Text[0] : QChar();
    if (n > 0 && c == u'\'') {
        if (Text[n - 1] == u'\'') {
            TRpEvResult lit;
            lit.Kind = resString;
            lit.StringVal = n > 1 ? Text.mid(1, n - 2) : String();
            FFiFo->Put(New<TRpEvElementString>(lit));
        } else {
            PutError(Format(QStringLiteral("Missing %s"), {"'"}));
        }
    } else if (n > 0 && c == u'(') {
        if (Text[n - 1] == u')' && n > 1) ParseComparison(Text.mid(1, n - 2), Result);
        else PutError(Format(QStringLiteral("Missing %s"), {")"}));
    } else if (n > 0 && c == u'+') {
        ParseFactor(Text.mid(1), Result);
    } else if (n > 0 && c == u'-') {
        ParseSum(QStringLiteral("0-") + Text.mid(1), Result);
    } else if (n > 0 && IsDigit(c)) {
        ParseNumber(Text, Result);
    } else if (n > 0 && IsAsciiLetter(c)) {
        ParseNameOrCall(Text, Result);
    } else if (n > 0 && c == u'[') {
        if (Text[n - 1] == u']' && n > 1) ResolveName(Text.mid(1, n - 2), Result);
        else PutError(Format(QStringLiteral("Missing %s"), {"]"}));
    } else {
        PutError(Format(QStringLiteral("Error in expression : %s"), {Text}));
    }
}

void TRpEvaluator::ParseNumber(const String& Text, TRpEvResult& Result) {
    const int n = static_cast<int>(Text.size());
    int i = 0;
    while (i < n && IsDigit(Text[i])) ++i;
    const int digits = i;
    while (i < n && (IsDigit(Text[i]) || Text[i] == u'+' || Text[i] == u'-' || Text[i] == u'.' ||
                     Text[i] == u'E' || Text[i] == u'e'))
        ++i;
    const String error = Format(QStringLiteral("Illegal character in numeric contant \"%s\""), {Text});
    if (i < n) {
        PutError(error);
        return;
    }
    TRpEvResult v;
    if (digits == n) {
        Integer iv = 0;
        if (TryStrToInt(Text, iv)) {
            v.Kind = resInt;
            v.intResult = iv;
            FFiFo->Put(New<TRpEvElementConstant>(v));
            return;
        }
    }
    // The text of an expression always writes its fractions with a point, whatever the locale.
    static const TFormatSettings PointSettings = [] {
        TFormatSettings f = TFormatSettings::Create();
        f.DecimalSeparator = u'.';
        return f;
    }();
    Extended d = 0;
    if (!TextToFloat(Text, d, PointSettings)) {
        PutError(error);
        return;
    }
    v.Kind = resDouble;
    v.dblResult = static_cast<double>(d);
    FFiFo->Put(New<TRpEvElementConstant>(v));
    (void)Result;
}

void TRpEvaluator::ParseNameOrCall(const String& Text, TRpEvResult& Result) {
    const int p = static_cast<int>(Text.indexOf(u'('));
    if (p < 0) {
        ParseFunctionCall(Text, String(), Result);
    } else if (Text.endsWith(u')')) {
        ParseFunctionCall(Text.left(p), Text.mid(p + 1, Text.size() - p - 2), Result);
    } else {
        ParseFunctionCall(String(), String(), Result);
    }
}

namespace {
// 1-based position of the first argument separator outside quotes at depth 0, looking at all
// but the last character; 0 when there is none.
int FindArgumentSeparator(const String& Text, Char ArgumentSeparator) {
    bool quote = false;
    int depth = 0;
    for (int i = 0; i + 1 < Text.size(); ++i) {
        const QChar c = Text[i];
        if (c == u'\'') quote = !quote;
        else if (!quote && c == u'(') ++depth;
        else if (!quote && c == u')') --depth;
        else if (!quote && depth == 0 && c == ArgumentSeparator) return i + 1;
    }
    return 0;
}
}  // namespace

void TRpEvaluator::ParseFunctionCall(const String& Name, const String& Args, TRpEvResult& Result) {
    const String upper = Name.toUpper();
    TRpEvElement* e = FContext.ResolvedLibrary()->GetFunction(upper);
    if (e->InheritsFrom(TRpEvElementError::StaticClass())) {
        if (Args.isEmpty()) {
            e->Free();
            ResolveName(upper, Result);
        } else {
            FFiFo->Put(e);
        }
        return;
    }
    FFiFo->Put(e);
    const Char separator = FContext.ResolvedSeparator();
    String rest = Args;
    for (;;) {
        const int p = FindArgumentSeparator(rest, separator);
        if (p > 0) {
            ParseComparison(rest.left(p - 1), Result);
            rest.remove(0, p);
        } else {
            if (!rest.isEmpty()) ParseComparison(rest, Result);
            break;
        }
    }
    FFiFo->Put(New<TRpEvElementArgumentEnd>());
}

void TRpEvaluator::ResolveName(const String& Name, TRpEvResult& Result) {
    if (!FDataSets) {
        ResolveInEnvironment(Name, Result);
        return;
    }
    const int dot = static_cast<int>(Name.indexOf(u'.'));
    const String dsPart = dot >= 0 ? Name.left(dot).toUpper() : String();
    const String fieldPart = (dot >= 0 ? Name.mid(dot + 1) : Name).toUpper();
    TField* field = nullptr;
    for (int i = 0; i < FDataSets->Count() && !field; ++i) {
        TDataSet* ds = FDataSets->Items(i);
        if (!ds) continue;
        if (dsPart.isEmpty()) {
            field = ds->FindField(fieldPart);
        } else if (ds->Name().toUpper() == dsPart) {
            field = ds->FindField(fieldPart);
            break;
        }
    }
    if (field) FFiFo->Put(New<TRpEvElementDataField>(field));
    else ResolveInEnvironment(Name, Result);
}

void TRpEvaluator::ResolveInEnvironment(const String& Name, TRpEvResult&) {
    TRpEvElement* e = nullptr;
    if (FEnvironment) {
        e = FEnvironment->Element(Name);
        if (e->InheritsFrom(TRpEvElementError::StaticClass())) {
            e->Free();
            e = nullptr;
        }
    }
    if (!e) e = (FPreparedShared ? FPreparedShared : FContext.ResolvedEnvironment())->Element(Name);
    FFiFo->Put(e);
}
