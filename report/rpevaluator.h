// The report engine's expression language: the result record, the compiled elements, the element
// queue and the evaluator that compiles an expression text once (Prepare) and evaluates it as
// often as needed (Value), with aggregation passes (DoAggregate) for SUM, COUNT and the like.
//
// Failures of an expression are results of kind resError carrying an English message; only
// misuse (evaluating an evaluator that is not prepared, converting an error result) raises.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/system.h"
#include "platform/rtl/variant.h"

#include <vector>

class TDataSet;
class TField;
class TRpFiFo;
class TRpEvEnvironment;
class TRpFunctionLibrary;

// ---- results -----------------------------------------------------------------------------------

enum TRpEvResultType : Byte { resInt, resDouble, resString, resBool, resError };

// One value of an expression. StringVal is the value of a resString result and the message of a
// resError result; the other kinds keep it as it was. The value members are kept apart (not
// overlaid), so a value read under the wrong kind is never a reinterpretation of other bits.
struct TRpEvResult {
    Word CodePage = 0;  // code page tag of a compiled string literal; no operation reads it
    String StringVal;
    TRpEvResultType Kind = resError;
    Integer intResult = 0;
    double dblResult = 0.0;
    bool booResult = false;
};

enum TRpEvOperator : Byte {
    opLess, opLessOrEqual, opGreater, opGreaterOrEqual, opEqual, opUnequal, opPlus, opMinus, opOr,
    opMul, opDiv, opAnd
};

// The character that separates the arguments of a function call, for evaluators that are given
// none of their own.
extern Char ArgumentSeparator;

// What an evaluator reaches besides its text, its datasets and its own environment: the shared
// environment asked for names its own environment does not know (and prepared once per Prepare),
// the function library, and the argument separator. A report gives its evaluators its own, so a
// report generated on a report thread shares nothing with the UI thread; members left empty stand
// for the process-wide ones (GlobalEnvironment, GlobalFunctionLibrary, ArgumentSeparator).
struct TRpEvContext {
    TRpEvEnvironment* SharedEnvironment = nullptr;
    TRpFunctionLibrary* FunctionLibrary = nullptr;
    Char ArgumentSeparator = Char();

    // The members resolved: the given ones, else the process-wide ones (created on first use).
    TRpEvEnvironment* ResolvedEnvironment() const;
    TRpFunctionLibrary* ResolvedLibrary() const;
    Char ResolvedSeparator() const;
};

// resInt as digits, resDouble in the general format (15 significant digits, the locale's decimal
// separator), resString as is, resBool as "True"/"False"; an error result raises
// "Error in expression : %s".
String ResultAsText(const TRpEvResult& Result);
void SetErrorResult(const String& Text, TRpEvResult& Result);
// A double as the language's whole numbers take it: Round (halves to even) or Trunc of the value,
// cut to 32 bits. Computed on the double itself, which gives what Round and Trunc give on it and
// spares the extended arithmetic; a value outside their range raises as they do.
Integer RoundToInteger(double Value);
Integer TruncToInteger(double Value);
// Text with every A changed to B and every B to A where they stand outside quotes, parentheses
// and square brackets.
String SwapTopLevelChars(const String& Text, Char A, Char B);

// ---- elements ----------------------------------------------------------------------------------

// Base of every compiled element. Value takes the element's operands from the queue.
class TRpEvElement : public TObject {
    SDELKA_CLASS(TRpEvElement, TObject)
public:
    TRpEvElement() = default;
    virtual void Value(TRpFiFo* FiFo, TRpEvResult& Result);
    // Clears accumulated state (aggregates).
    virtual void Reset() {}
    bool IsAggreg() const { return FIsAggreg; }
    void SetIsAggreg(bool Value) { FIsAggreg = Value; }
    // True for the element that closes a function's argument list (read on every call, so it is
    // a flag rather than a class test).
    bool IsArgumentEnd() const { return FIsArgumentEnd; }

protected:
    bool FIsAggreg = false;
    bool FIsArgumentEnd = false;
};

class TRpEvElementOperator : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementOperator, TRpEvElement)
public:
    explicit TRpEvElementOperator(TRpEvOperator OpCode) : FOpCode(OpCode) {}
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    TRpEvOperator OpCode() const { return FOpCode; }

private:
    TRpEvOperator FOpCode;
};

// "not" before a factor: the opposite of a boolean operand.
class TRpEvElementNot : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementNot, TRpEvElement)
public:
    TRpEvElementNot() = default;
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
};

// A number (or any whole result): keeps a copy of the record.
class TRpEvElementConstant : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementConstant, TRpEvElement)
public:
    explicit TRpEvElementConstant(const TRpEvResult& AValue) : FValue(AValue) {}
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    const TRpEvResult& Constant() const { return FValue; }
    void SetConstant(const TRpEvResult& AValue) { FValue = AValue; }

private:
    TRpEvResult FValue;
};

// A string literal: keeps only the text.
class TRpEvElementString : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementString, TRpEvElement)
public:
    explicit TRpEvElementString(const TRpEvResult& AValue) : FValue(AValue.StringVal) {}
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    const String& Text() const { return FValue; }
    void SetText(const String& AValue) { FValue = AValue; }

private:
    String FValue;
};

// A field of a dataset, bound when the expression is compiled.
class TRpEvElementDataField : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementDataField, TRpEvElement)
public:
    explicit TRpEvElementDataField(TField* AField);
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    TField* Field() const { return FField; }

private:
    // How a field's value becomes a result, decided by its class.
    enum TReadKind : Byte { rkUnknown, rkString, rkInteger, rkFloat, rkBoolean, rkDateTime };
    static TReadKind ReadKindOf(TField* F);

    TDataSet* FDataSet = nullptr;
    Integer FFieldNo = 0;  // index in the dataset's field list
    TField* FField = nullptr;
    // The field (and its type) FKind was decided for: a dataset that makes its own fields makes
    // them again when it reopens, perhaps of other types.
    TField* FKindOf = nullptr;
    int FKindType = -1;
    TReadKind FKind = rkUnknown;
};

// A fault found while compiling; evaluates to its message.
class TRpEvElementError : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementError, TRpEvElement)
public:
    explicit TRpEvElementError(const String& ErrorMessage) : FErrorMessage(ErrorMessage) {}
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    const String& ErrorMessage() const { return FErrorMessage; }

private:
    String FErrorMessage;
};

// Closes the argument list of a function in the queue; the function consumes it.
class TRpEvElementArgumentEnd : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementArgumentEnd, TRpEvElement)
public:
    TRpEvElementArgumentEnd() { FIsArgumentEnd = true; }
};

// ---- the queue ---------------------------------------------------------------------------------

// The compiled expression: elements in prefix order, owned. Evaluation reads it from the start
// with Get; every element takes its own operands.
class TRpFiFo : public TObject {
    SDELKA_CLASS(TRpFiFo, TObject)
public:
    TRpFiFo() = default;
    ~TRpFiFo() override;

    bool Aggreg() const { return FAggreg; }
    void SetAggreg(bool Value) { FAggreg = Value; }
    void Put(TRpEvElement* Value) { FiFo.push_back(Value); }
    void Start() { FNextItem = 0; }
    // The element at the cursor (the cursor moves on), or nullptr past the end.
    TRpEvElement* Get() {
        if (FNextItem >= static_cast<int>(FiFo.size())) return nullptr;
        return FiFo[static_cast<std::size_t>(FNextItem++)];
    }
    // Removes the first element and returns it without freeing it (nullptr when empty).
    TRpEvElement* GetAndFree();
    int Count() const { return static_cast<int>(FiFo.size()); }
    TRpEvElement* Items(int Index) const { return FiFo[static_cast<std::size_t>(Index)]; }

private:
    bool FAggreg = false;
    std::vector<TRpEvElement*> FiFo;
    int FNextItem = 0;
};

// ---- the evaluator -----------------------------------------------------------------------------

// The datasets whose fields the names of an expression may refer to.
using TRpDataSetList = TListT<TDataSet>;

class TRpEvaluator : public TObject {
    SDELKA_CLASS(TRpEvaluator, TObject)
public:
    TRpEvaluator() = default;
    ~TRpEvaluator() override;

    // Compiles StrExpr (an empty text is the literal ' '). A text that does not compile still
    // prepares: its faults become error elements that show at evaluation.
    void Prepare(const String& StrExpr);
    void UnPrepare();
    // Raises "Evaluator not prepared" when not prepared.
    void Value(TRpEvResult& Result);
    // Clears the aggregates of every element.
    void Reset();
    // One aggregation pass over the current record.
    void DoAggregate();
    // Prepare, Value, UnPrepare.
    void Calculate(const String& StrExpr, TRpEvResult& Result);

    // Conversions of the value. AsString and AsVariant raise "Error in expression : %s" for an
    // error; AsInteger and AsFloat raise "Not a numeric value" for other kinds, AsBoolean
    // "Not a boolean value" (texts TRUE and FALSE in any case are accepted).
    String AsString();
    Integer AsInteger();
    double AsFloat();
    bool AsBoolean();
    Variant AsVariant();

    TRpEvEnvironment* Environment() const { return FEnvironment; }
    void SetEnvironment(TRpEvEnvironment* Value) { FEnvironment = Value; }
    // Like DataSets and Environment, read when the text is compiled (set it before Prepare).
    const TRpEvContext& Context() const { return FContext; }
    void SetContext(const TRpEvContext& Value) { FContext = Value; }
    // Reading without a list creates an empty one of the evaluator's own.
    TRpDataSetList* DataSets();
    void SetDataSets(TRpDataSetList* Value);
    bool Prepared() const { return FPrepared; }
    void SetPrepared(bool Value) { FPrepared = Value; }
    bool IsAggreg() const;
    bool Aggregate() const;
    void SetAggregate(bool Value);
    // The compiled queue (nullptr when not prepared).
    TRpFiFo* FiFo() const { return FFiFo; }

protected:
    // Compiler hooks: a name with its argument text (empty: none), and a name that is not a
    // function. Result is a scratch record of the compiler; evaluation does not read it.
    virtual void ParseFunctionCall(const String& Name, const String& Args, TRpEvResult& Result);
    virtual void ResolveName(const String& Name, TRpEvResult& Result);

    void ParseComparison(const String& Text, TRpEvResult& Result);
    void ParseSum(const String& Text, TRpEvResult& Result);
    void ParseProduct(const String& Text, TRpEvResult& Result);
    void ParseFactor(const String& Text, TRpEvResult& Result);
    void ParseNumber(const String& Text, TRpEvResult& Result);
    void ParseNameOrCall(const String& Text, TRpEvResult& Result);
    void ResolveInEnvironment(const String& Name, TRpEvResult& Result);
    void PutError(const String& Message);

private:
    TRpDataSetList* OwnDataSets = nullptr;
    TRpDataSetList* FDataSets = nullptr;
    TRpFiFo* FFiFo = nullptr;
    bool FPrepared = false;
    int FParseDepth = 0;  // nesting of the compiler's calls while preparing
    TRpEvEnvironment* FEnvironment = nullptr;
    TRpEvContext FContext;
    // The shared environment this evaluator prepared (unprepared once by UnPrepare).
    TRpEvEnvironment* FPreparedShared = nullptr;
    bool FSharedIsGlobal = false;
};
