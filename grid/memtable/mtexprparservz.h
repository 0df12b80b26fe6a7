// Filter and aggregate expressions of the in-memory dataset, evaluated on stored records without
// the dataset's record buffers. A text is parsed once by the framework's expression parser into
// its parsed-expression bytes (platform/db/dbfilter.h); evaluation walks those bytes over one
// stored record (a filter) or over the accountable records of a records view (an aggregate).
//
// Rules of evaluation:
// - a field reads the record's current value (a field the store does not hold, such as a
//   calculated one, reads the dataset's field, which the dataset fills for the record first);
// - comparisons: a text operand makes both texts, compared by the collation (ignoring case with
//   foCaseInsensitive); Null equals Null and is less than any other value; = and <> (and IN)
//   compare two date-times without their milliseconds;
// - every function call has its own argument list, so calls nest anywhere;
// - a filter whose value is Null rejects the record; any other value is converted strictly to a
//   Boolean (a text that is no Boolean word raises the Variant conversion error);
// - aggregates SUM, MIN, MAX, AVG skip Nulls and give Null when no value is left (AVG divides by
//   the number of values it added); COUNT counts non-Null values, COUNT(*) the records.
//
// A filter is also compiled, on its first record, into a small program over the record's stored
// values: AND, OR, NOT, comparisons, IN, LIKE, partial compares and IS [NOT] NULL whose operands
// are fields and constants read numbers, dates and texts in place, with no Variant made. Any other
// part (functions, arithmetic, a field the store does not hold) and any stored value of another
// kind than its field's are handed to the evaluation above, so both give the same answers and the
// same errors. A comparison of a stored number with a constant number reads the value and compares
// it without branching on the answer. FilterRecords runs the program over many records in a loop
// (a filter pass of the dataset), checking it against each record structure met once.
#pragma once

#include "platform/db/dbfilter.h"
#include "platform/rtl/collections.h"

#include <vector>

class TDataSet;
class TMemoryRecordVz;
class TRecordsViewVz;
class TMTDataStructVz;

enum TDataSetExprParserTypeVz { dsptFilterVz, dsptAggregateVz };

// How the dataset's filter answered for many records at once (TRecordsViewVz::OnFilterRecords).
enum TRecordsTestVz : unsigned char {
    rtOneByOneVz,  // nothing tested: each record must go through OnFilterRecord
    rtTestedVz,    // every record tested
    rtAllPassVz    // nothing tested: the filter takes every record
};

class TDataSetExprParserVz : public TObject {
    SDELKA_CLASS(TDataSetExprParserVz, TObject)
protected:
    TDataSetExprParserVz(TDataSet* ADataSet, TDataSetExprParserTypeVz ExprParserType);
    ~TDataSetExprParserVz() override;

public:
    TDataSet* DataSet() const { return FDataSet; }
    TDataSetExprParserTypeVz ExprParserType() const { return FExprParserType; }
    // Parses Expr with the dataset's filter options (parser errors propagate); an empty text
    // leaves no data.
    void ParseExpression(const String& Expr);
    bool HasData() const { return FExprDataSize > 0; }
    const TExprData& ExprData() const { return FExprData; }
    // False without data; a Null value rejects.
    bool IsCurRecordInFilter(TMemoryRecordVz* Rec);
    bool IsCurRecordBufInFilter(void* /*Buffer*/) { return true; }
    // IsCurRecordInFilter for Recs[At..Count) (none nil), written to Passes[At..Count); At moves
    // on past each record tested, so when a test raises it names the record that raised.
    void FilterRecords(TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes, int& At);
    // The aggregate over the view's accountable records (False without data).
    Variant CalcAggregateValue(TRecordsViewVz* RecordsView);
    // The value of the expression for one record (no view).
    Variant Evaluate(TMemoryRecordVz* Rec);

    // The constant code of each field type that the parser writes.
    static const TFieldMap& FieldTypeCodeMap();

private:
    struct TEvalCtx;
    struct TFastVal;
    struct TFastOperand;
    struct TFastNode;
    struct TFieldRef {
        TMTDataStructVz* Struct = nullptr;  // the structure Pos was resolved in
        int Pos = -2;                       // -2 unresolved, -1 not in the store
        TFieldType Type = ftUnknown;
        String Name;                        // read from the literals once (a field's or a function's)
        String Upper;                       // a function's name in capitals
        bool Named = false;
    };
    int NodeClass(int Node) const;
    int NodeOperator(int Node) const;
    int Operand(int Node, int Index) const;
    String Literal(int Offset) const;
    Variant Eval(int Node, TEvalCtx& Ctx);
    Variant EvalField(int Node, TEvalCtx& Ctx);
    Variant DecodeConst(int Node) const;
    Variant EvalFunction(int Node, TEvalCtx& Ctx);
    Variant EvalAggregate(int Kind, int ArgList, TEvalCtx& Ctx);
    void EvalList(int Element, TEvalCtx& Ctx, std::vector<Variant>& Into);
    int CompareForOp(const Variant& A, const Variant& B, bool DateEq) const;
    bool CaseInsensitive() const;
    const String& FieldName(int Node);
    void ResolveField(TFieldRef& Ref, int Node, TMTDataStructVz* Struct);

    // The compiled filter (see the header's note). Tri-state results: 0 false, 1 true, 2 Null.
    void Compile(TMTDataStructVz* Struct);
    int CompileBool(int Node);
    int CompileOperand(int Node);
    int AddGeneral(int Node);
    // Text keeps a text that is not read in place.
    const TFastVal* ReadOperand(int Operand, const TEvalCtx& Ctx, TFastVal& Scratch, String& Text) const;
    static bool Classify(const Variant& V, TFastVal& Out, String& Text);
    // True when the operand is a stored field whose value in the record is of the field's kind.
    static bool OfFieldKind(const TFastOperand& Operand, const TEvalCtx& Ctx);
    static bool CompareFast(const TFastVal& A, const TFastVal& B, bool DateEq, bool CaseInsens, bool EqOnly, int& Result);
    int RunGeneral(const TFastNode& N, TEvalCtx& Ctx);
    int RunFieldConst(const TFastNode& N, const TEvalCtx& Ctx) const;
    int Run(int Index, TEvalCtx& Ctx);

    TDataSet* FDataSet;
    TExprData FExprData;
    int FExprDataSize = 0;
    TDataSetExprParserTypeVz FExprParserType;
    int FLiteralArea = 0;
    // Decoded constants, resolved fields and function names, by node offset.
    std::vector<Variant> FConsts;
    std::vector<char> FConstDone;
    std::vector<TFieldRef> FFields;
    std::vector<TFastNode> FProg;
    std::vector<TFastOperand> FOperands;
    std::vector<int> FLists;  // operand indexes of IN lists
    int FProgRoot = -1;       // -1: the whole expression goes to the general evaluation
    bool FProgBuilt = false;
    bool FProgCaseInsensitive = false;
    TMTDataStructVz* FProgStruct = nullptr;
    int FProgFieldCount = 0;
};

class TMTAggregatesVz;

// One aggregate of a records view: an expression folded over the view's records, kept as a value.
class TMTAggregateVz : public TCollectionItem {
    SDELKA_CLASS(TMTAggregateVz, TCollectionItem)
protected:
    explicit TMTAggregateVz(TCollection* Collection);
    ~TMTAggregateVz() override;

public:
    void BeforeDestruction() override;
    // Copies Active, then Expression, from another item or from an aggregate field.
    void Assign(TPersistent* Source) override;

    TMTAggregatesVz* Aggregates() const;
    bool Active() const { return FActive; }
    // A different value is stored and, when the collection is not updating, the value is
    // recalculated; a failure there leaves the aggregate inactive and propagates.
    void SetActive(bool Value);
    const String& Expression() const { return FExpression; }
    // A different text (case-sensitive) is stored, the aggregate reset and recalculated unless
    // the collection is updating.
    void SetExpression(const String& Value);
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value) { FDataSet = Value; }
    TFieldType DataType() const { return FDataType; }
    bool InUse() const { return FInUse; }
    const Variant& Value() const { return FValue; }

    void Recalc();
    void Reset();

    static void Published(TPublished<TMTAggregateVz>& P);

protected:
    String GetDisplayName() override;

private:
    friend class TMTAggregatesVz;
    bool FActive = false;
    TOwned<TDataSetExprParserVz> FAggrExpr;
    TDataSet* FDataSet = nullptr;
    TFieldType FDataType = ftUnknown;
    String FExpression;
    bool FInUse = false;
    Variant FValue = Variant::Null();
};

class TMTAggregatesVz : public TCollection {
    SDELKA_CLASS(TMTAggregatesVz, TCollection)
protected:
    explicit TMTAggregatesVz(TRecordsViewVz* AOwner);
    ~TMTAggregatesVz() override = default;

public:
    TPersistent* GetOwner() override;
    TRecordsViewVz* RecordsView() const { return FOwner; }
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    // A different value resets the collection.
    void SetActive(bool Value);
    TMTAggregateVz* Add();
    TMTAggregateVz* Items(int Index) const { return ItemsAs<TMTAggregateVz>(Index); }
    // One item per aggregate field of the dataset, linked both ways, then Recalc.
    void Reset();
    // Null for every item while the dataset is closed or loading or the collection updating;
    // otherwise every item recalculates.
    void Recalc();

private:
    bool FActive = false;
    TRecordsViewVz* FOwner;
};
