// The function library of the expression language: the registry of function classes
// (GlobalFunctionLibrary), the function element protocol and the built-in functions.
//
// A function is a class derived from TRpEvElementFunction, made by the registry through its
// class reference (it needs a public default constructor). At evaluation it collects its
// arguments (all of them, left to right), lets aggregates accumulate in an aggregation pass and
// computes its result in Calculate. Functions never raise for bad arguments: they return errors.
#pragma once

#include "platform/rtl/lists.h"
#include "report/rpevaluator.h"

#include <memory>
#include <vector>

// A function element class (derived from TRpEvElementFunction).
using TRpLibraryItemClass = TClass;

// One registered function: name, "syntax|description", argument description (a category
// digit and one letter per argument: N numeric, S text, B logical, V any), supplier.
class TRpLibraryEntry : public TObject {
    SDELKA_CLASS(TRpLibraryEntry, TObject)
public:
    TRpLibraryEntry(TRpLibraryItemClass AItem, const String& AName, const String& ADescription,
                    const String& AVendor, const String& AData)
        : FDescription(ADescription), FData(AData), FItem(AItem), FName(AName), FVendor(AVendor) {}
    const String& Description() const { return FDescription; }
    const String& Data() const { return FData; }
    TRpLibraryItemClass Item() const { return FItem; }
    const String& Name() const { return FName; }
    const String& Vendor() const { return FVendor; }

private:
    String FDescription;
    String FData;
    TRpLibraryItemClass FItem;
    String FName;
    String FVendor;
};

class TRpLibrary : public TObject {
    SDELKA_CLASS(TRpLibrary, TObject)
public:
    TRpLibrary();
    ~TRpLibrary() override;
    // Appends an entry (no duplicate check; registration order is kept).
    void Add(TRpLibraryItemClass aItem, const String& AName, const String& ADescription,
             const String& AVendor, const String& AData);
    virtual TRpLibraryEntry* GetEntry(int Index);
    // The names, each with its entry as the object (lookups not case-sensitive).
    TStringList* EntryList() const { return Entries.get(); }

protected:
    TOwned<TStringList> Entries;
};

class TRpFunctionLibrary : public TRpLibrary {
    SDELKA_CLASS(TRpFunctionLibrary, TRpLibrary)
public:
    TRpFunctionLibrary() = default;
    // A new element of the first entry named Name (not case-sensitive), or an error element
    // "Unknown function : %s". The caller owns the element.
    TRpEvElement* GetFunction(const String& Name);
};

// The process-wide registry, filled with the built-in and the additional functions on first use.
TRpFunctionLibrary* GlobalFunctionLibrary();
void RegisterExprFunction(TRpLibraryItemClass Item, const String& Name, const String& Description,
                          const String& Vendor, const String& Data);

// ---- the function element ------------------------------------------------------------------------

class TRpEvElementFunction : public TRpEvElement {
    SDELKA_CLASS(TRpEvElementFunction, TRpEvElement)
public:
    TRpEvElementFunction() = default;
    // CollectArguments, Aggregate in an aggregation pass, Calculate, ReleaseArguments.
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    // Accumulates the current arguments (aggregates only).
    virtual void Aggregate() {}
    // Computes the result from ArgList; the base gives an error.
    virtual void Calculate(TRpEvResult& Result);

protected:
    // Evaluates the elements of the queue into ArgList up to (and consuming) the argument end.
    void CollectArguments(TRpFiFo* FiFo);
    // Empties ArgList; its storage stays for the next call, so a call allocates nothing once the
    // element has been evaluated.
    void ReleaseArguments() { ArgList.clear(); }
    void ArgumentValue(int Index, TRpEvResult& Result) const { Result = ArgList[static_cast<std::size_t>(Index)]; }
    int ArgCount() const { return static_cast<int>(ArgList.size()); }
    const TRpEvResult& Arg(int Index) const { return ArgList[static_cast<std::size_t>(Index)]; }

    // The arguments evaluated for the current call.
    std::vector<TRpEvResult> ArgList;
};

// An error result without a message (the text is cleared, so no earlier text shows through).
void SetEmptyErrorResult(TRpEvResult& Result);

// ---- built-in functions ------------------------------------------------------------------------

#define RP_EV_FUNCTION(Cls)                                   \
    class Cls : public TRpEvElementFunction {                 \
        SDELKA_CLASS(Cls, TRpEvElementFunction)               \
    public:                                                   \
        Cls() = default;                                      \
        void Calculate(TRpEvResult& Result) override;         \
    };

RP_EV_FUNCTION(TRpEvTrue)
RP_EV_FUNCTION(TRpEvFalse)
RP_EV_FUNCTION(TRpEvIfFunction)
RP_EV_FUNCTION(TRpEvTypeOfFunction)
RP_EV_FUNCTION(TRpEvIntFunction)
RP_EV_FUNCTION(TRpEvFracFunction)
RP_EV_FUNCTION(TRpEvSQRTFunction)
RP_EV_FUNCTION(TRpEvDivFunction)
RP_EV_FUNCTION(TRpEvStrFunction)
RP_EV_FUNCTION(TRpEvUpperFunction)
RP_EV_FUNCTION(TRpEvLowerFunction)
RP_EV_FUNCTION(TRpEvPrettyFunction)
RP_EV_FUNCTION(TRpEvTimeFunction)
RP_EV_FUNCTION(TRpEvDateFunction)
RP_EV_FUNCTION(TRpEvCopyFunction)
RP_EV_FUNCTION(TRpEvFormatNumericFunction)

// SUM(X): the running sum of a numeric value over the aggregation passes. The sum keeps the kind
// of the first value taken; a later value of the other numeric kind is converted to it (a float
// is rounded to the nearest integer, halves to even, when the sum is an integer).
class TRpEvSumFunction : public TRpEvElementFunction {
    SDELKA_CLASS(TRpEvSumFunction, TRpEvElementFunction)
public:
    TRpEvSumFunction();
    void Reset() override;
    void Aggregate() override;
    void Calculate(TRpEvResult& Result) override;

protected:
    TRpEvResult SumResult;
    bool ResAssigned = false;
};

class TRpEvAverageFunction : public TRpEvSumFunction {
    SDELKA_CLASS(TRpEvAverageFunction, TRpEvSumFunction)
public:
    TRpEvAverageFunction();
    void Reset() override;
    void Aggregate() override;
    void Calculate(TRpEvResult& Result) override;

protected:
    Integer Count = 0;
    TRpEvResult aResult;
};

// MAX(X) and MIN(X): the largest or smallest value taken. The first value decides the kind;
// later values are compared when they are of that kind (integers and floats compare with each
// other as numbers), other values are skipped.
class TRpEvMaxFunction : public TRpEvElementFunction {
    SDELKA_CLASS(TRpEvMaxFunction, TRpEvElementFunction)
public:
    TRpEvMaxFunction();
    void Reset() override;
    void Aggregate() override;
    void Calculate(TRpEvResult& Result) override;

protected:
    TRpEvResult MaxResult;
    bool ResAssigned = false;
};

class TRpEvMinFunction : public TRpEvElementFunction {
    SDELKA_CLASS(TRpEvMinFunction, TRpEvElementFunction)
public:
    TRpEvMinFunction();
    void Reset() override;
    void Aggregate() override;
    void Calculate(TRpEvResult& Result) override;

protected:
    TRpEvResult MinResult;
    bool ResAssigned = false;
};

class TRpEvCountFunction : public TRpEvElementFunction {
    SDELKA_CLASS(TRpEvCountFunction, TRpEvElementFunction)
public:
    TRpEvCountFunction();
    void Value(TRpFiFo* FiFo, TRpEvResult& Result) override;
    void Reset() override;

protected:
    Integer FCount = 0;
};
