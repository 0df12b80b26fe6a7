// Named expressions: an environment is a string list of upper-case names, each with its own
// expression and evaluator, that other expressions refer to by name as if they were variables.
// An entry whose expression is a single literal works as a settable constant (GetConstant and
// the Set...Constant operations overwrite it in place, so every expression that names it sees
// the new value). An environment streams its names as the string list does and its expressions
// as the defined property "DATA".
//
// GlobalEnvironment holds AppStartTime, AppStartDate and AppName, fixed on first use.
#pragma once

#include "platform/rtl/lists.h"
#include "report/rpevaluator.h"

class TRpEvEmbeddedFunction;

class TRpEvEnvironment : public TStringList {
    SDELKA_CLASS(TRpEvEnvironment, TStringList)
public:
    TRpEvEnvironment() = default;
    ~TRpEvEnvironment() override;

    // Frees every entry's expression, then empties the list.
    void Clear() override;
    // Deleting an entry frees its expression.
    void Delete(int Index) override;
    void DefineProperties(TFiler* Filer) override;
    // Copies names and expressions into entries of this environment's own (the objects of
    // another list are never shared); the names of a plain string list get empty expressions.
    void Assign(TPersistent* Source) override;

    // Adds AName (upper-cased) with AExpression unless the name exists (then nothing changes).
    // In a prepared environment the new entry is prepared at once.
    void AddFunction(const String& AName, const String& AExpression);
    void DeleteFunction(const String& AName);
    void Update() {}

    // Counted: the first Prepare compiles every entry, the last Unprepare releases them.
    void Prepare();
    void Unprepare();
    bool Prepared() const { return PrepareCount > 0; }

    // Reading without a list creates an empty one of the environment's own.
    TRpDataSetList* Datasets();
    void SetDatasets(TRpDataSetList* Value);

    // A new wrapper of the entry Name, or an error element "Unknown function : %s". The caller
    // owns the element.
    TRpEvElement* Element(const String& Name);
    // The value of the entry Name; resError without a message when there is none.
    void Value(const String& Name, TRpEvResult& Result);
    // The first element of the entry's compiled expression (its literal), or nullptr when there
    // is no such entry or the environment is not prepared.
    TRpEvElement* GetConstant(const String& Name);
    static void SetConstant(TRpEvElement* Constant, const TRpEvResult& Value);
    static void SetStringConstant(TRpEvElement* Constant, const String& Value);
    static void SetIntegerConstant(TRpEvElement* Constant, Integer Value);
    static void SetFloatConstant(TRpEvElement* Constant, double Value);
    static void SetBooleanConstant(TRpEvElement* Constant, bool Value);
    void UpdateConstant(const String& Name, const TRpEvResult& Value);

    // The entry's expression object (nullptr when the entry has none).
    TRpEvEmbeddedFunction* EmbeddedFunction(int Index) const;

    // Given to the evaluators of the entries when they are prepared (the shared environment,
    // function library and separator they compile against; empty: the process-wide ones).
    const TRpEvContext& Context() const { return FContext; }
    void SetContext(const TRpEvContext& Value) { FContext = Value; }

private:
    void PrepareEntry(TRpEvEmbeddedFunction* F);

    Integer PrepareCount = 0;
    TRpDataSetList* OwnDataSets = nullptr;
    TRpDataSetList* FDatasets = nullptr;
    TRpEvContext FContext;
    bool FDestroying = false;
};

// One named expression with its own evaluator.
class TRpEvEmbeddedFunction : public TRpEvElement {
    SDELKA_CLASS(TRpEvEmbeddedFunction, TRpEvElement)
public:
    explicit TRpEvEmbeddedFunction(const String& AExpression);
    ~TRpEvEmbeddedFunction() override;

    // The entry's value; "Recursive calls not allowed" when it is already being evaluated.
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    void Reset() override;
    const String& Expression() const { return FExpression; }
    TRpEvaluator* Evaluator() const { return FEvaluator; }
    // The element at Index of the prepared expression, else nullptr.
    TRpEvElement* Peek(int Index) const;

private:
    TRpEvaluator* FEvaluator = nullptr;
    String FExpression;
    bool FInEvaluate = false;
};

// A reference to a named expression in another expression's queue.
class TRpEvElementWrapper : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementWrapper, TRpEvElement)
public:
    explicit TRpEvElementWrapper(TRpEvEmbeddedFunction* AEmbeddedFunction) : FEmbeddedFunction(AEmbeddedFunction) {}
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    TRpEvEmbeddedFunction* EmbeddedFunction() const { return FEmbeddedFunction; }

private:
    TRpEvEmbeddedFunction* FEmbeddedFunction;
};

// The process-wide environment (created with the function library on first use).
TRpEvEnvironment* GlobalEnvironment();
// The same without creating it: nullptr before the first use and while it is being freed at exit.
TRpEvEnvironment* GlobalEnvironmentIfCreated();
// Set while an environment releases its entries: the shared environment then ignores the
// unprepare requests of their evaluators. One per thread, as a report thread unprepares its own.
extern thread_local bool EnvironmentUnpreparing;
