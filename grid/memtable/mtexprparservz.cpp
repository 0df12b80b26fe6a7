#include "grid/memtable/mtexprparservz.h"

#include "grid/memtable/memtabledatavz.h"
#include "grid/memtable/recordsviewvz.h"
#include "platform/db/fields.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <cmath>
#include <cstring>

namespace {

// Code -> field type of constants.
TFieldType ExprCodeFieldType(int Code) {
    static const TFieldType map[] = {
        ftUnknown, ftString, ftDate, ftBlob, ftBoolean, ftSmallint, ftInteger, ftFloat, ftBCD, ftBytes,
        ftTime, ftDateTime, ftWord, ftInteger, ftUnknown, ftVarBytes, ftUnknown, ftUnknown, ftLargeint, ftLargeint,
        ftADT, ftArray, ftReference, ftDataSet, ftTimeStamp, ftFMTBcd, ftWideString, ftSingle, ftShortint, ftByte};
    return Code >= 0 && Code < static_cast<int>(std::size(map)) ? map[Code] : ftUnknown;
}

bool ExprIsNull(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }

bool ExprIsDateTime(const Variant& V) {
    return VarType(V) == varDate || VarIsSQLTimeStamp(V) || VarIsSQLTimeStampOffset(V);
}

// A date-time without its milliseconds (a whole day has none).
TDateTime ExprNoMilliseconds(TDateTime D) {
    if (D == std::floor(D)) return D;
    Word y, m, dd, h, mi, s, ms;
    DecodeDateTime(D, y, m, dd, h, mi, s, ms);
    if (y == 0) return D;
    return EncodeDateTime(y, m, dd, h, mi, s, 0);
}

Variant ExprNoMilliseconds(const Variant& V) { return VarFromDateTime(ExprNoMilliseconds(V.AsDateTime())); }

// The stored value of the record at a structure position in Out; false for a position the record
// does not hold. The one place the evaluation reads a record's values.
bool StoredValue(const TMemoryRecordVz* Rec, int Pos, Variant& Out) {
    if (Pos < 0 || Pos >= Rec->ValueCount()) return false;
    Out = Rec->Value(Pos);
    return true;
}

bool ExprIsNumber(const Variant& V) {
    switch (VarType(V)) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varBoolean: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
        return true;
    default:
        return false;
    }
}

String ExprTrim(const String& S, QChar C, bool Left, bool Right) {
    int b = 0, e = static_cast<int>(S.size());
    if (Left)
        while (b < e && S[b] == C) ++b;
    if (Right)
        while (e > b && S[e - 1] == C) --e;
    return S.mid(b, e - b);
}

// The dataset's cursor is open (also while it opens).
bool ExprCursorOpen(TDataSet* DataSet) { return DataSet && DataSet->State() != dsInactive; }

}  // namespace

// The compiled filter's pieces, complete before the constructor, whose members hold them.
// A value as the compiled filter compares it; each class compares as the general rules compare
// the Variant it stands for.
struct TDataSetExprParserVz::TFastVal {
    enum TClass : unsigned char { fvOther, fvNull, fvInt, fvCurr, fvFloat, fvDate, fvText };
    TClass Cls = fvOther;
    Int64 I = 0;                // fvInt (a Boolean as -1 or 0), fvCurr (the raw value, scaled by 10 000)
    double F = 0;               // fvFloat, fvDate
    const String* S = nullptr;  // fvText: the stored text itself, or a text kept by whoever read it
};

struct TDataSetExprParserVz::TFastOperand {
    int Node = 0;                // the field's or the constant's node
    int Pos = -1;                // a field's structure position; -1 for a constant
    TVarType Kind = varVariant;  // the kind the field is read as (varVariant: as stored)
    TFastVal Const;
    String ConstText;            // a text constant's text (Const.S points here)
};

struct TDataSetExprParserVz::TFastNode {
    enum TKind : unsigned char { fnGeneral, fnAnd, fnOr, fnNot, fnCmp, fnIn, fnBlank, fnLike, fnPartial };
    TKind Kind = fnGeneral;
    int Op = 0;                       // the operator of the byte form
    int Node = 0;                     // the node of the byte form (what the general evaluation runs)
    int A = -1, B = -1;               // children (AND, OR, NOT) or operands
    int ListFrom = 0, ListCount = 0;  // IN: the list's operands in FLists
    int Len = 0;                      // partial compare: the prefix length
    bool CaseInsens = false;          // partial compare: ignores case
    // A comparison of a stored field with a constant number: 1 when the field is A, -1 when it
    // is B (0 otherwise); the usual values are then compared without building either side.
    signed char FieldConst = 0;
};

struct TDataSetExprParserVz::TEvalCtx {
    TMemoryRecordVz* Rec = nullptr;
    TRecordsViewVz* View = nullptr;
    int AggrPos = 0;
    int ValueCount = 0;  // the compiled filter's: Rec's number of values
};

TDataSetExprParserVz::TDataSetExprParserVz(TDataSet* ADataSet, TDataSetExprParserTypeVz ExprParserType)
    : FDataSet(ADataSet), FExprParserType(ExprParserType) {}

TDataSetExprParserVz::~TDataSetExprParserVz() = default;

const TFieldMap& TDataSetExprParserVz::FieldTypeCodeMap() {
    static const TFieldMap map = [] {
        TFieldMap m{};
        auto set = [&](std::initializer_list<TFieldType> types, int code) {
            for (TFieldType t : types) m[static_cast<size_t>(t)] = code;
        };
        set({ftUnknown, ftVariant, ftInterface, ftIDispatch, ftConnection, ftParams, ftStream, ftObject}, 0);
        set({ftString, ftFixedChar, ftWideString, ftGuid, ftOraInterval}, 1);
        set({ftDate}, 2);
        set({ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftOraBlob, ftOraClob, ftWideMemo}, 3);
        set({ftBoolean}, 4);
        set({ftSmallint}, 5);
        set({ftInteger, ftAutoInc, ftLongWord}, 6);
        set({ftFloat, ftCurrency, ftExtended}, 7);
        set({ftBCD}, 8);
        set({ftBytes}, 9);
        set({ftTime}, 10);
        set({ftDateTime}, 11);
        set({ftWord}, 12);
        set({ftVarBytes}, 15);
        set({ftCursor}, 17);
        set({ftLargeint}, 18);
        set({ftADT}, 20);
        set({ftArray}, 21);
        set({ftReference}, 22);
        set({ftDataSet}, 23);
        set({ftTimeStamp, ftOraTimeStamp}, 24);
        set({ftFMTBcd}, 25);
        set({ftFixedWideChar}, 26);
        set({ftSingle}, 27);
        set({ftShortint}, 28);
        set({ftByte}, 29);
        set({ftTimeStampOffset}, 36);
        return m;
    }();
    return map;
}

void TDataSetExprParserVz::ParseExpression(const String& Expr) {
    TParserOptions options{poExtSyntax};
    if (FExprParserType == dsptAggregateVz) options.Include(poAggregate);
    TExprParser parser(FDataSet, Expr, FDataSet ? FDataSet->FilterOptions() : TFilterOptions(), options, String(),
                       nullptr, FieldTypeCodeMap());
    FExprData = parser.FilterData();
    FExprDataSize = parser.DataSize();
    FLiteralArea = FExprDataSize >= ExprHeaderSize ? (FExprData[8] | (FExprData[9] << 8)) : 0;
    FConsts.assign(FExprData.size(), Variant());
    FConstDone.assign(FExprData.size(), 0);
    FFields.assign(FExprData.size(), TFieldRef());
    FProgBuilt = false;
    FProgRoot = -1;
}

// ---- reading the bytes --------------------------------------------------------------------------

int TDataSetExprParserVz::NodeClass(int Node) const {
    const size_t at = ExprHeaderSize + static_cast<size_t>(Node);
    if (at + 8 > FExprData.size()) throw Exception(QStringLiteral("Operator <%1:%2> not supported.").arg(0).arg(0));
    return FExprData[at] & 0x7F;
}

int TDataSetExprParserVz::NodeOperator(int Node) const { return FExprData[ExprHeaderSize + static_cast<size_t>(Node) + 4]; }

int TDataSetExprParserVz::Operand(int Node, int Index) const {
    const size_t at = ExprHeaderSize + static_cast<size_t>(Node) + 8 + 2 * static_cast<size_t>(Index);
    if (at + 2 > FExprData.size()) return 0;
    return FExprData[at] | (FExprData[at + 1] << 8);
}

String TDataSetExprParserVz::Literal(int Offset) const {
    const size_t from = static_cast<size_t>(FLiteralArea + Offset);
    size_t end = from;
    while (end < FExprData.size() && FExprData[end] != 0) ++end;
    if (from >= FExprData.size()) return String();
    return QString::fromUtf8(reinterpret_cast<const char*>(FExprData.data() + from), static_cast<int>(end - from));
}

Variant TDataSetExprParserVz::DecodeConst(int Node) const {
    const int code = Operand(Node, 0);
    const int size = Operand(Node, 1);
    const size_t at = static_cast<size_t>(FLiteralArea + Operand(Node, 2));
    if (at + static_cast<size_t>(std::max(size, 0)) > FExprData.size()) return Null();
    const unsigned char* p = FExprData.data() + at;
    auto le = [&](int bytes) {
        unsigned long long v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
        return v;
    };
    auto f64 = [&] {
        const unsigned long long raw = le(8);
        double d;
        std::memcpy(&d, &raw, 8);
        return d;
    };
    if (code == ExprUnicodeTextCode) {
        const int bytes = static_cast<int>(le(2));
        String s;
        s.reserve(bytes / 2);
        for (int i = 0; i < bytes / 2; ++i) s += QChar(static_cast<char16_t>(p[2 + 2 * i] | (p[3 + 2 * i] << 8)));
        return s;
    }
    if (code > ExprUnicodeTextCode || (code >= 30 && code < ExprUnicodeTextCode)) return Null();
    const TFieldType type = ExprCodeFieldType(code);
    switch (type) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid:
        return QString::fromLatin1(reinterpret_cast<const char*>(p), std::max(size - 1, 0));
    case ftSmallint: return Variant(static_cast<short>(le(2)));
    case ftInteger: case ftAutoInc: return Variant(static_cast<int>(static_cast<int32_t>(le(4))));
    case ftWord: return Variant(static_cast<unsigned short>(le(2)));
    case ftBoolean: return Variant(le(2) != 0);
    case ftFloat: case ftCurrency: return Variant(f64());
    case ftDate: return VarFromDateTime(static_cast<double>(static_cast<int32_t>(le(4))) - 693594.0);
    case ftTime: return VarFromDateTime(static_cast<double>((static_cast<int32_t>(le(4)) / 1000) * 1000) / 86400000.0);
    case ftDateTime: {
        const double ms = std::floor(f64() / 1000.0) * 1000.0;
        return VarFromDateTime(ms / 86400000.0 - 693594.0);
    }
    case ftLargeint: return Variant(static_cast<long long>(le(8)));
    case ftShortint: return Variant(static_cast<signed char>(p[0]));
    case ftByte: return Variant(static_cast<unsigned char>(p[0]));
    case ftSingle: {
        const auto raw = static_cast<uint32_t>(le(4));
        float f;
        std::memcpy(&f, &raw, 4);
        return Variant(f);
    }
    default:
        throw Exception(QStringLiteral("Unsupported data type: [%1].").arg(static_cast<int>(type)));
    }
}

// ---- evaluation ---------------------------------------------------------------------------------

bool TDataSetExprParserVz::CaseInsensitive() const {
    return FDataSet && FDataSet->FilterOptions().Contains(foCaseInsensitive);
}

const String& TDataSetExprParserVz::FieldName(int Node) {
    TFieldRef& ref = FFields[static_cast<size_t>(Node)];
    if (!ref.Named) {
        ref.Name = Literal(Operand(Node, 1));
        ref.Named = true;
    }
    return ref.Name;
}

void TDataSetExprParserVz::ResolveField(TFieldRef& Ref, int Node, TMTDataStructVz* Struct) {
    const String& name = FieldName(Node);
    Ref.Struct = Struct;
    Ref.Pos = Struct ? Struct->FieldIndex(name) : -1;
    TField* f = FDataSet ? FDataSet->FindField(name) : nullptr;
    Ref.Type = f ? f->DataType() : ftUnknown;
}

Variant TDataSetExprParserVz::EvalField(int Node, TEvalCtx& Ctx) {
    TMemoryRecordVz* rec = Ctx.Rec;
    if (!rec && Ctx.View && Ctx.AggrPos >= 0 && Ctx.AggrPos < Ctx.View->AccountableItemsCount())
        rec = Ctx.View->GetAccountableRecord(Ctx.AggrPos);
    TFieldRef& ref = FFields[static_cast<size_t>(Node)];
    if (rec) {
        TMTDataStructVz* st = rec->DataStruct();
        if (ref.Pos == -2 || ref.Struct != st) ResolveField(ref, Node, st);
        Variant v;
        if (StoredValue(rec, ref.Pos, v)) {
            if (ExprIsNull(v)) return Null();
            if (ref.Type == ftUnknown) return v;
            const TVarType kind = FieldTypeVarMap(ref.Type);
            if (kind == varVariant || v.VType() == kind || VarIsArray(v)) return v;
            return VarAsType(v, kind);
        }
    }
    // A field the store does not hold (calculated, lookup): the dataset shows it for the record.
    if (!FDataSet) return Null();
    return FDataSet->FieldByName(FieldName(Node))->AsVariant();
}

// Negative, zero or positive; Null first. DateEq: two date-times compare without milliseconds.
int TDataSetExprParserVz::CompareForOp(const Variant& A, const Variant& B, bool DateEq) const {
    const bool na = ExprIsNull(A), nb = ExprIsNull(B);
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    if (VarIsStr(A) || VarIsStr(B)) {
        const int c = CaseInsensitive() ? AnsiCompareText(VarToStr(A), VarToStr(B)) : AnsiCompareStr(VarToStr(A), VarToStr(B));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (DateEq && ExprIsDateTime(A) && ExprIsDateTime(B)) {
        const Variant a = ExprNoMilliseconds(A), b = ExprNoMilliseconds(B);
        return a == b ? 0 : (a < b ? -1 : 1);
    }
    return A == B ? 0 : (A < B ? -1 : 1);
}

void TDataSetExprParserVz::EvalList(int Element, TEvalCtx& Ctx, std::vector<Variant>& Into) {
    while (Element != 0) {
        if (NodeClass(Element) != nodeLISTELEM)
            throw Exception(QStringLiteral("Operator <%1:%2> not supported.").arg(NodeClass(Element)).arg(NodeOperator(Element)));
        Into.push_back(Eval(Operand(Element, 0), Ctx));
        const int next = Operand(Element, 1);
        if (next <= Element) break;  // the chain only runs forward
        Element = next;
    }
}

Variant TDataSetExprParserVz::Eval(int Node, TEvalCtx& Ctx) {
    const int cls = NodeClass(Node);
    const int op = NodeOperator(Node);
    auto unsupported = [&]() -> Variant {
        throw Exception(QStringLiteral("Operator <%1:%2> not supported.").arg(cls).arg(op));
    };
    switch (cls) {
    case nodeFIELD:
        if (op != coFIELD2) return unsupported();
        return EvalField(Node, Ctx);
    case nodeCONST: {
        if (op != coCONST2) return unsupported();
        const size_t at = static_cast<size_t>(Node);
        if (!FConstDone[at]) {
            FConsts[at] = DecodeConst(Node);
            FConstDone[at] = 1;
        }
        return FConsts[at];
    }
    case nodeUNARY: {
        const Variant v = Eval(Operand(Node, 0), Ctx);
        switch (op) {
        case coISBLANK: return VarIsStr(v) ? v.AsString().isEmpty() : ExprIsNull(v);
        case coNOTBLANK: return VarIsStr(v) ? !v.AsString().isEmpty() : !ExprIsNull(v);
        case coNOT:
            // Null stays Null (the filter then rejects); other values by their Boolean content.
            if (ExprIsNull(v)) return Null();
            return !v.AsBoolean();
        case coUPPER: return ExprIsNull(v) ? Null() : Variant(AnsiUpperCase(VarToStr(v)));
        case coLOWER: return ExprIsNull(v) ? Null() : Variant(AnsiLowerCase(VarToStr(v)));
        default: return unsupported();
        }
    }
    case nodeBINARY: {
        if (op == coIN) {
            const Variant l = Eval(Operand(Node, 0), Ctx);
            std::vector<Variant> items;
            EvalList(Operand(Node, 1), Ctx, items);
            for (const Variant& v : items)
                if (CompareForOp(l, v, true) == 0) return true;
            return false;
        }
        const Variant l = Eval(Operand(Node, 0), Ctx);
        const Variant r = Eval(Operand(Node, 1), Ctx);
        switch (op) {
        case coEQ: return CompareForOp(l, r, true) == 0;
        case coNE: return CompareForOp(l, r, true) != 0;
        case coGT: return CompareForOp(l, r, false) > 0;
        case coLT: return CompareForOp(l, r, false) < 0;
        case coGE: return CompareForOp(l, r, false) >= 0;
        case coLE: return CompareForOp(l, r, false) <= 0;
        case coAND:
            if (ExprIsNull(l) || ExprIsNull(r)) return Null();
            return l.AsBoolean() && r.AsBoolean();
        case coOR:
            if (ExprIsNull(l) || ExprIsNull(r)) return Null();
            return l.AsBoolean() || r.AsBoolean();
        case coADD:
            if (ExprIsNull(l) && ExprIsNull(r)) return Null();
            if (VarIsStr(l) || VarIsStr(r)) return VarToStr(l) + VarToStr(r);
            return l + r;
        case coSUB: return l - r;
        case coMUL: return l * r;
        case coDIV: return l / r;
        case coLIKE:
            if (ExprIsNull(l) || ExprIsNull(r)) return false;
            return MatchLike(VarToStr(l), VarToStr(r), CaseInsensitive());
        default: return unsupported();
        }
    }
    case nodeCOMPARE: {
        const bool ci = Operand(Node, 0) == 1;
        const int len = Operand(Node, 1);
        const Variant l = Eval(Operand(Node, 2), Ctx);
        const Variant r = Eval(Operand(Node, 3), Ctx);
        if (op == coLIKE) return MatchLike(VarToStr(l), VarToStr(r), ci);
        if (op != coEQ && op != coNE) return unsupported();
        String a = VarToStr(l), b = VarToStr(r);
        if (len > 0) {
            a = a.left(len);
            b = b.left(len);
        }
        const bool eq = (ci ? AnsiCompareText(a, b) : AnsiCompareStr(a, b)) == 0;
        return op == coEQ ? eq : !eq;
    }
    case nodeLISTELEM:
        return unsupported();  // lists are read by their owner (IN, a function)
    case nodeFUNC:
        if (op != coFUNC2) return unsupported();
        return EvalFunction(Node, Ctx);
    default:
        return unsupported();
    }
}

Variant TDataSetExprParserVz::EvalFunction(int Node, TEvalCtx& Ctx) {
    // The name as written, and in capitals, read from the literals once per node.
    TFieldRef& ref = FFields[static_cast<size_t>(Node)];
    if (!ref.Named) {
        ref.Name = Literal(Operand(Node, 0));
        ref.Upper = ref.Name.toUpper();
        ref.Named = true;
    }
    const String& written = ref.Name;
    const String& name = ref.Upper;
    const int argList = Operand(Node, 1);
    auto count = [&](int n) {
        int c = 0;
        for (int e = argList; e != 0; e = Operand(e, 1) > e ? Operand(e, 1) : 0) ++c;
        return c == n;
    };
    auto needs = [&](std::initializer_list<int> counts) {
        for (int n : counts)
            if (count(n)) return;
        throw Exception(QStringLiteral("Incorrect number of arguments in function <%1>").arg(written));
    };
    static const char* const aggregates[] = {"SUM", "MIN", "MAX", "AVG", "COUNT"};
    for (int k = 0; k < 5; ++k)
        if (name == QLatin1String(aggregates[k])) {
            if (k == 4 && argList == 0) {
                if (!Ctx.View) return 0;
                return Ctx.View->AccountableItemsCount();
            }
            needs({1});
            return EvalAggregate(k, argList, Ctx);
        }
    // Each call has its own argument list.
    std::vector<Variant> args;
    auto evalArgs = [&] { EvalList(argList, Ctx, args); };
    if (name == QLatin1String("GETDATE")) {
        needs({0});
        return VarFromDateTime(Now());
    }
    if (name == QLatin1String("SUBSTRING")) {
        needs({2, 3});
        evalArgs();
        // A Null text, position or length gives Null.
        for (const Variant& a : args)
            if (ExprIsNull(a)) return Null();
        const String s = VarToStr(args[0]);
        const int from = args[1].AsInteger();
        return args.size() > 2 ? Copy(s, from, args[2].AsInteger()) : Copy(s, from);
    }
    if (name == QLatin1String("UPPER") || name == QLatin1String("LOWER")) {
        needs({1});
        evalArgs();
        if (ExprIsNull(args[0])) return Null();
        return name == QLatin1String("UPPER") ? AnsiUpperCase(VarToStr(args[0])) : AnsiLowerCase(VarToStr(args[0]));
    }
    if (name == QLatin1String("TRIM") || name == QLatin1String("TRIMLEFT") || name == QLatin1String("TRIMRIGHT")) {
        needs({1, 2});
        evalArgs();
        if (ExprIsNull(args[0])) return Null();
        QChar c = QLatin1Char(' ');
        if (args.size() > 1) {
            const String t = VarToStr(args[1]);
            if (!t.isEmpty()) c = t[0];
        }
        const bool left = name != QLatin1String("TRIMRIGHT"), right = name != QLatin1String("TRIMLEFT");
        return ExprTrim(VarToStr(args[0]), c, left, right);
    }
    static const char* const parts[] = {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND", "DATE", "TIME"};
    for (int k = 0; k < 8; ++k)
        if (name == QLatin1String(parts[k])) {
            needs({1});
            evalArgs();
            if (ExprIsNull(args[0])) return Null();
            const TDateTime d = VarToDateTime(args[0]);
            switch (k) {
            case 0: return Variant(static_cast<unsigned short>(YearOf(d)));
            case 1: return Variant(static_cast<unsigned short>(MonthOf(d)));
            case 2: return Variant(static_cast<unsigned short>(DayOf(d)));
            case 3: return Variant(static_cast<unsigned short>(HourOf(d)));
            case 4: return Variant(static_cast<unsigned short>(MinuteOf(d)));
            case 5: return Variant(static_cast<unsigned short>(SecondOf(d)));
            case 6: return VarFromDateTime(DateOf(d));
            default: return VarFromDateTime(TimeOf(d));
            }
        }
    throw Exception(QStringLiteral("Unsupported function: %1").arg(written));
}

// SUM 0, MIN 1, MAX 2, AVG 3, COUNT 4 over the accountable records of the view.
Variant TDataSetExprParserVz::EvalAggregate(int Kind, int ArgList, TEvalCtx& Ctx) {
    if (!Ctx.View) return Null();
    const int n = Ctx.View->AccountableItemsCount();
    const int arg = Operand(ArgList, 0);
    TEvalCtx at{nullptr, Ctx.View, 0};
    Variant acc = Null();
    int values = 0;
    for (int i = 0; i < n; ++i) {
        at.AggrPos = i;
        const Variant v = Eval(arg, at);
        if (ExprIsNull(v)) continue;
        switch (Kind) {
        case 0: case 3:
            if (!ExprIsNumber(v)) break;
            acc = values == 0 ? (VarType(v) == varDate ? Variant(v.AsDouble()) : v) : acc + v;
            ++values;
            break;
        case 1: case 2: {
            if (values++ == 0) {
                acc = v;
                break;
            }
            int c;
            if (VarIsStr(v) || VarIsStr(acc)) c = AnsiCompareStr(VarToStr(v), VarToStr(acc));
            else c = v == acc ? 0 : (v < acc ? -1 : 1);
            if ((Kind == 1 && c < 0) || (Kind == 2 && c > 0)) acc = v;
            break;
        }
        default:
            ++values;
            break;
        }
    }
    if (Kind == 4) return values;
    if (values == 0) return Null();
    if (Kind == 3) return acc / Variant(values);
    return acc;
}

// ---- the compiled filter ------------------------------------------------------------------------

namespace {

constexpr int kFalse = 0, kTrue = 1, kNull = 2;

template <class T>
int Sign3(T A, T B) { return static_cast<int>(B < A) - static_cast<int>(A < B); }

// The answer of a comparison operator for a three-way result.
int CompareAnswer(int Op, int C) {
    switch (Op) {
    case coEQ: return C == 0;
    case coNE: return C != 0;
    case coGT: return C > 0;
    case coLT: return C < 0;
    case coGE: return C >= 0;
    default: return C <= 0;
    }
}

}  // namespace

bool TDataSetExprParserVz::Classify(const Variant& V, TFastVal& Out, String& Text) {
    switch (V.VType()) {
    case varEmpty: case varNull: Out.Cls = TFastVal::fvNull; return true;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
        Out.Cls = TFastVal::fvInt;
        Out.I = V.AsInt64();
        return true;
    case varBoolean:
        Out.Cls = TFastVal::fvInt;
        Out.I = V.AsBoolean() ? -1 : 0;
        return true;
    case varCurrency:
        Out.Cls = TFastVal::fvCurr;
        Out.I = V.AsCurrency().Raw();
        return true;
    case varSingle: case varDouble:
        Out.Cls = TFastVal::fvFloat;
        Out.F = V.AsDouble();
        return true;
    case varDate:
        Out.Cls = TFastVal::fvDate;
        Out.F = V.AsDouble();
        return true;
    case varOleStr: case varString: case varUString:
        Out.Cls = TFastVal::fvText;
        Text = V.AsString();
        Out.S = &Text;
        return true;
    default:
        Out.Cls = TFastVal::fvOther;
        return false;
    }
}

// CompareForOp over two read values; false where the general rules must decide (a text against a
// number, a value of another class).
bool TDataSetExprParserVz::CompareFast(const TFastVal& A, const TFastVal& B, bool DateEq, bool CaseInsens, bool EqOnly,
                                       int& Result) {
    using V = TFastVal;
    if (A.Cls == V::fvOther || B.Cls == V::fvOther) return false;
    if (A.Cls == V::fvNull || B.Cls == V::fvNull) {
        Result = A.Cls == B.Cls ? 0 : (A.Cls == V::fvNull ? -1 : 1);
        return true;
    }
    if (A.Cls == V::fvText || B.Cls == V::fvText) {
        if (A.Cls != B.Cls) return false;
        // A case-sensitive comparison ties only for equal texts.
        if (EqOnly && !CaseInsens) Result = *A.S == *B.S ? 0 : 1;
        else {
            const int c = CollateCompare(*A.S, *B.S, CaseInsens);
            Result = c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        return true;
    }
    if (A.Cls == V::fvInt && B.Cls == V::fvInt) {
        Result = Sign3(A.I, B.I);
        return true;
    }
    if ((A.Cls == V::fvCurr || A.Cls == V::fvInt) && (B.Cls == V::fvCurr || B.Cls == V::fvInt)) {
        // Currency against an integer: the integer scaled to the currency's raw value.
        const __int128 a = A.Cls == V::fvCurr ? __int128(A.I) : __int128(A.I) * 10000;
        const __int128 b = B.Cls == V::fvCurr ? __int128(B.I) : __int128(B.I) * 10000;
        Result = Sign3(a, b);
        return true;
    }
    auto asFloat = [](const TFastVal& X) -> long double {
        switch (X.Cls) {
        case V::fvInt: return static_cast<long double>(X.I);
        case V::fvCurr: return static_cast<long double>(X.I) / 10000.0L;
        default: return X.F;
        }
    };
    if (DateEq && A.Cls == V::fvDate && B.Cls == V::fvDate) {
        Result = Sign3<long double>(ExprNoMilliseconds(A.F), ExprNoMilliseconds(B.F));
        return true;
    }
    Result = Sign3(asFloat(A), asFloat(B));
    return true;
}

// The operand's value for the record: a constant's own, or the field's read into Scratch;
// nullptr where the general evaluation must read it.
const TDataSetExprParserVz::TFastVal* TDataSetExprParserVz::ReadOperand(int Index, const TEvalCtx& Ctx,
                                                                         TFastVal& Scratch, String& Text) const {
    const TFastOperand& o = FOperands[static_cast<size_t>(Index)];
    if (o.Pos < 0) return o.Const.Cls != TFastVal::fvOther ? &o.Const : nullptr;
    if (o.Pos >= Ctx.ValueCount) return nullptr;
    const TMemoryRecordVz* Rec = Ctx.Rec;
    // The value is read in place, with no Variant made.
    TVarType vt;
    Int64 iv = 0;
    double fv = 0;
    const TMTValueClassVz cls = Rec->NumberValue(o.Pos, vt, iv, fv);
    if (cls == mvcNullVz || cls == mvcEmptyVz) {
        Scratch.Cls = TFastVal::fvNull;
        return &Scratch;
    }
    // A value of another kind than its field's is converted by the general evaluation.
    if (o.Kind != varVariant && vt != o.Kind) return nullptr;
    switch (cls) {
    case mvcIntegerVz: case mvcBooleanVz:
        Scratch.Cls = TFastVal::fvInt;
        Scratch.I = iv;
        return &Scratch;
    case mvcCurrencyVz:
        Scratch.Cls = TFastVal::fvCurr;
        Scratch.I = iv;
        return &Scratch;
    case mvcFloatVz: case mvcDateVz:
        Scratch.Cls = cls == mvcDateVz ? TFastVal::fvDate : TFastVal::fvFloat;
        Scratch.F = fv;
        return &Scratch;
    case mvcTextVz:
        Scratch.Cls = TFastVal::fvText;
        Scratch.S = &Rec->TextValue(o.Pos);
        return &Scratch;
    default:
        return Classify(Rec->Value(o.Pos), Scratch, Text) ? &Scratch : nullptr;
    }
}

bool TDataSetExprParserVz::OfFieldKind(const TFastOperand& Operand, const TEvalCtx& Ctx) {
    if (Operand.Pos < 0 || Operand.Pos >= Ctx.ValueCount) return false;
    TVarType vt;
    Ctx.Rec->ValueClass(Operand.Pos, vt);
    return Operand.Kind == varVariant || vt == Operand.Kind;
}

int TDataSetExprParserVz::AddGeneral(int Node) {
    TFastNode n;
    n.Kind = TFastNode::fnGeneral;
    n.Node = Node;
    FProg.push_back(n);
    return static_cast<int>(FProg.size()) - 1;
}

// A field the store holds or a constant: its operand index; -1 for anything else.
int TDataSetExprParserVz::CompileOperand(int Node) {
    const int cls = NodeClass(Node);
    TFastOperand o;
    o.Node = Node;
    if (cls == nodeCONST && NodeOperator(Node) == coCONST2) {
        Variant c;
        try {
            c = DecodeConst(Node);
        } catch (...) {
            return -1;  // the general evaluation raises it
        }
        if (!Classify(c, o.Const, o.ConstText)) return -1;
    } else if (cls == nodeFIELD && NodeOperator(Node) == coFIELD2) {
        TFieldRef ref;
        ResolveField(ref, Node, FProgStruct);
        if (ref.Pos < 0) return -1;
        o.Pos = ref.Pos;
        o.Kind = ref.Type == ftUnknown ? varVariant : FieldTypeVarMap(ref.Type);
    } else {
        return -1;
    }
    FOperands.push_back(o);
    return static_cast<int>(FOperands.size()) - 1;
}

// A node whose value is a Boolean or Null: its program index; -1 for a node of another value.
int TDataSetExprParserVz::CompileBool(int Node) {
    const int cls = NodeClass(Node);
    const int op = NodeOperator(Node);
    TFastNode n;
    n.Node = n.A = Node;
    n.Op = op;
    auto add = [&] {
        FProg.push_back(n);
        return static_cast<int>(FProg.size()) - 1;
    };
    auto operands = [&](int L, int R) {
        n.A = CompileOperand(L);
        n.B = n.A >= 0 ? CompileOperand(R) : -1;
        return n.B >= 0;
    };
    switch (cls) {
    case nodeUNARY:
        if (op == coNOT) {
            const int a = CompileBool(Operand(Node, 0));
            if (a < 0) return AddGeneral(Node);
            n.Kind = TFastNode::fnNot;
            n.A = a;
            return add();
        }
        if (op == coISBLANK || op == coNOTBLANK) {
            n.A = CompileOperand(Operand(Node, 0));
            if (n.A < 0) return AddGeneral(Node);
            n.Kind = TFastNode::fnBlank;
            return add();
        }
        return -1;
    case nodeBINARY:
        switch (op) {
        case coAND: case coOR: {
            const int a = CompileBool(Operand(Node, 0));
            const int b = a >= 0 ? CompileBool(Operand(Node, 1)) : -1;
            if (b < 0) return AddGeneral(Node);
            n.Kind = op == coAND ? TFastNode::fnAnd : TFastNode::fnOr;
            n.A = a;
            n.B = b;
            return add();
        }
        case coEQ: case coNE: case coGT: case coLT: case coGE: case coLE: {
            if (!operands(Operand(Node, 0), Operand(Node, 1))) return AddGeneral(Node);
            n.Kind = TFastNode::fnCmp;
            auto number = [this](int I) {
                const TFastOperand& o = FOperands[static_cast<size_t>(I)];
                return o.Pos < 0 && (o.Const.Cls == TFastVal::fvInt || o.Const.Cls == TFastVal::fvFloat);
            };
            auto field = [this](int I) { return FOperands[static_cast<size_t>(I)].Pos >= 0; };
            if (field(n.A) && number(n.B)) n.FieldConst = 1;
            else if (number(n.A) && field(n.B)) n.FieldConst = -1;
            return add();
        }
        case coLIKE:
            if (!operands(Operand(Node, 0), Operand(Node, 1))) return AddGeneral(Node);
            n.Kind = TFastNode::fnLike;
            return add();
        case coIN: {
            n.A = CompileOperand(Operand(Node, 0));
            if (n.A < 0) return AddGeneral(Node);
            n.ListFrom = static_cast<int>(FLists.size());
            for (int e = Operand(Node, 1); e != 0;) {
                if (NodeClass(e) != nodeLISTELEM) return AddGeneral(Node);
                const int item = CompileOperand(Operand(e, 0));
                if (item < 0) return AddGeneral(Node);
                FLists.push_back(item);
                const int next = Operand(e, 1);
                if (next <= e) break;
                e = next;
            }
            n.ListCount = static_cast<int>(FLists.size()) - n.ListFrom;
            n.Kind = TFastNode::fnIn;
            return add();
        }
        default:
            return -1;
        }
    case nodeCOMPARE:
        if (op != coEQ && op != coNE && op != coLIKE) return AddGeneral(Node);
        if (!operands(Operand(Node, 2), Operand(Node, 3))) return AddGeneral(Node);
        n.Kind = TFastNode::fnPartial;
        n.CaseInsens = Operand(Node, 0) == 1;
        n.Len = Operand(Node, 1);
        return add();
    default:
        return -1;
    }
}

void TDataSetExprParserVz::Compile(TMTDataStructVz* Struct) {
    FProg.clear();
    FOperands.clear();
    FLists.clear();
    FProgStruct = Struct;
    FProgFieldCount = Struct ? Struct->Count() : 0;
    FProgCaseInsensitive = CaseInsensitive();
    FProgBuilt = true;
    FProgRoot = -1;
    try {
        FProgRoot = CompileBool(0);
    } catch (...) {
        FProgRoot = -1;  // a damaged expression: the general evaluation reports it
    }
    // The constants' texts are read where they now lie.
    for (TFastOperand& o : FOperands)
        if (o.Pos < 0 && o.Const.Cls == TFastVal::fvText) o.Const.S = &o.ConstText;
    // A program that only hands its root to the general evaluation gains nothing.
    if (FProgRoot >= 0 && FProg[static_cast<size_t>(FProgRoot)].Kind == TFastNode::fnGeneral) FProgRoot = -1;
}

// A comparison of a stored field with a constant number for the usual values: kTrue or kFalse,
// or -1 where the comparison must read its operands in full.
inline int TDataSetExprParserVz::RunFieldConst(const TFastNode& N, const TEvalCtx& Ctx) const {
    const bool fieldA = N.FieldConst > 0;
    const TFastOperand& f = FOperands[static_cast<size_t>(fieldA ? N.A : N.B)];
    if (f.Pos >= Ctx.ValueCount) return -1;
    const TFastVal& k = FOperands[static_cast<size_t>(fieldA ? N.B : N.A)].Const;
    TVarType vt;
    Int64 iv = 0;
    double fv = 0;
    const TMTValueClassVz cls = Ctx.Rec->NumberValue(f.Pos, vt, iv, fv);
    int c;
    if (cls == mvcNullVz || cls == mvcEmptyVz) {
        c = -1;  // Null sorts before any value
    } else if (f.Kind != varVariant && vt != f.Kind) {
        return -1;
    } else if (cls == mvcIntegerVz) {
        const Int64 v = iv;
        c = k.Cls == TFastVal::fvInt ? Sign3(v, k.I) : Sign3(static_cast<long double>(v), static_cast<long double>(k.F));
    } else if (cls == mvcFloatVz) {
        const long double v = fv;
        c = Sign3(v, k.Cls == TFastVal::fvInt ? static_cast<long double>(k.I) : static_cast<long double>(k.F));
    } else {
        return -1;
    }
    if (!fieldA) c = -c;
    return CompareAnswer(N.Op, c);
}

int TDataSetExprParserVz::RunGeneral(const TFastNode& N, TEvalCtx& Ctx) {
    const Variant v = Eval(N.Node, Ctx);
    if (ExprIsNull(v)) return kNull;
    return v.AsBoolean() ? kTrue : kFalse;
}

int TDataSetExprParserVz::Run(int Index, TEvalCtx& Ctx) {
    const TFastNode& n = FProg[static_cast<size_t>(Index)];
    switch (n.Kind) {
    case TFastNode::fnAnd: case TFastNode::fnOr: {
        // Both sides are evaluated, as the general evaluation does (its errors come in order).
        const int a = Run(n.A, Ctx);
        const int b = Run(n.B, Ctx);
        if (a == kNull || b == kNull) return kNull;
        return n.Kind == TFastNode::fnAnd ? (a && b ? kTrue : kFalse) : (a || b ? kTrue : kFalse);
    }
    case TFastNode::fnNot: {
        const int a = Run(n.A, Ctx);
        return a == kNull ? kNull : (a ? kFalse : kTrue);
    }
    case TFastNode::fnCmp: {
        if (n.FieldConst != 0)
            if (const int r = RunFieldConst(n, Ctx); r >= 0) return r;
        TFastVal sa, sb;
        String ta, tb;
        int c = 0;
        const bool eqOp = n.Op == coEQ || n.Op == coNE;
        const TFastVal* a = ReadOperand(n.A, Ctx, sa, ta);
        const TFastVal* b = a ? ReadOperand(n.B, Ctx, sb, tb) : nullptr;
        if (!b || !CompareFast(*a, *b, eqOp, FProgCaseInsensitive, eqOp, c)) return RunGeneral(n, Ctx);
        return CompareAnswer(n.Op, c);
    }
    case TFastNode::fnIn: {
        TFastVal sa, sb;
        String ta, tb;
        const TFastVal* a = ReadOperand(n.A, Ctx, sa, ta);
        if (!a) return RunGeneral(n, Ctx);
        for (int i = 0; i < n.ListCount; ++i) {
            int c = 0;
            const TFastVal* b = ReadOperand(FLists[static_cast<size_t>(n.ListFrom + i)], Ctx, sb, tb);
            if (!b || !CompareFast(*a, *b, true, FProgCaseInsensitive, true, c)) return RunGeneral(n, Ctx);
            if (c == 0) return kTrue;
        }
        return kFalse;
    }
    case TFastNode::fnBlank: {
        TFastVal sa;
        String ta;
        const TFastOperand& o = FOperands[static_cast<size_t>(n.A)];
        // Only Null or a text is blank: any other value of the field's own kind is not.
        bool blank;
        if (const TFastVal* a = ReadOperand(n.A, Ctx, sa, ta))
            blank = a->Cls == TFastVal::fvNull || (a->Cls == TFastVal::fvText && a->S->isEmpty());
        else if (OfFieldKind(o, Ctx))
            blank = false;
        else return RunGeneral(n, Ctx);
        return (n.Op == coISBLANK) == blank ? kTrue : kFalse;
    }
    case TFastNode::fnLike: {
        TFastVal sa, sb;
        String ta, tb;
        const TFastVal* a = ReadOperand(n.A, Ctx, sa, ta);
        const TFastVal* b = a ? ReadOperand(n.B, Ctx, sb, tb) : nullptr;
        if (!b) return RunGeneral(n, Ctx);
        if (a->Cls == TFastVal::fvNull || b->Cls == TFastVal::fvNull) return kFalse;
        if (a->Cls != TFastVal::fvText || b->Cls != TFastVal::fvText) return RunGeneral(n, Ctx);
        return MatchLike(*a->S, *b->S, FProgCaseInsensitive) ? kTrue : kFalse;
    }
    case TFastNode::fnPartial: {
        TFastVal scratchA, scratchB;
        String ta, tb;
        const TFastVal* a = ReadOperand(n.A, Ctx, scratchA, ta);
        const TFastVal* b = a ? ReadOperand(n.B, Ctx, scratchB, tb) : nullptr;
        if (!b) return RunGeneral(n, Ctx);
        // Null reads as an empty text here.
        auto text = [](const TFastVal& X, bool& Ok) -> const String* {
            static const String empty;
            if (X.Cls == TFastVal::fvNull) return &empty;
            Ok = Ok && X.Cls == TFastVal::fvText;
            return X.S;
        };
        bool ok = true;
        const String* sa = text(*a, ok);
        const String* sb = text(*b, ok);
        if (!ok) return RunGeneral(n, Ctx);
        if (n.Op == coLIKE) return MatchLike(*sa, *sb, n.CaseInsens) ? kTrue : kFalse;
        const qsizetype la = n.Len > 0 ? std::min<qsizetype>(n.Len, sa->size()) : sa->size();
        const qsizetype lb = n.Len > 0 ? std::min<qsizetype>(n.Len, sb->size()) : sb->size();
        const bool eq = n.CaseInsens ? CollateCompare(sa->constData(), la, sb->constData(), lb, true) == 0
                                     : QStringView(sa->constData(), la) == QStringView(sb->constData(), lb);
        return (n.Op == coEQ) == eq ? kTrue : kFalse;
    }
    default:
        return RunGeneral(n, Ctx);
    }
}

bool TDataSetExprParserVz::IsCurRecordInFilter(TMemoryRecordVz* Rec) {
    if (!HasData()) return false;
    if (Rec && FExprParserType == dsptFilterVz) {
        TMTDataStructVz* st = Rec->DataStruct();
        if (!FProgBuilt || FProgStruct != st || (st && FProgFieldCount != st->Count()) ||
            FProgCaseInsensitive != CaseInsensitive())
            Compile(st);
        if (FProgRoot >= 0) {
            TEvalCtx ctx{Rec, nullptr, 0, Rec->ValueCount()};
            return Run(FProgRoot, ctx) == kTrue;
        }
    }
    const Variant v = Evaluate(Rec);
    if (ExprIsNull(v)) return false;
    return v.AsBoolean();
}

void TDataSetExprParserVz::FilterRecords(TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes, int& At) {
    if (!HasData() || FExprParserType != dsptFilterVz) {
        for (; At < Count; ++At) Passes[At] = IsCurRecordInFilter(Recs[At]) ? 1 : 0;
        return;
    }
    const bool caseInsensitive = CaseInsensitive();
    // The program is checked against a record's structure once per structure met.
    TMTDataStructVz* checked = nullptr;
    bool anyChecked = false;
    // Records of one layout share their structure and value count: both are read once a layout.
    const TMTRecLayoutVz* layout = nullptr;
    int valueCount = 0;
    for (; At < Count; ++At) {
        TMemoryRecordVz* rec = Recs[At];
        if (!anyChecked || rec->Layout() != layout) {
            TMTDataStructVz* st = rec->DataStruct();
            if (!anyChecked || st != checked) {
                if (!FProgBuilt || FProgStruct != st || (st && FProgFieldCount != st->Count()) ||
                    FProgCaseInsensitive != caseInsensitive)
                    Compile(st);
                checked = st;
                anyChecked = true;
            }
            layout = rec->Layout();
            valueCount = rec->ValueCount();
        }
        if (FProgRoot >= 0) {
            TEvalCtx ctx{rec, nullptr, 0, valueCount};
            const TFastNode& root = FProg[static_cast<size_t>(FProgRoot)];
            int r = root.FieldConst != 0 ? RunFieldConst(root, ctx) : -1;
            if (r < 0) r = Run(FProgRoot, ctx);
            Passes[At] = r == kTrue ? 1 : 0;
        } else {
            const Variant v = Evaluate(rec);
            Passes[At] = !ExprIsNull(v) && v.AsBoolean() ? 1 : 0;
        }
    }
}

Variant TDataSetExprParserVz::Evaluate(TMemoryRecordVz* Rec) {
    if (!HasData()) return Null();
    TEvalCtx ctx{Rec, nullptr, 0};
    return Eval(0, ctx);
}

Variant TDataSetExprParserVz::CalcAggregateValue(TRecordsViewVz* RecordsView) {
    if (!HasData()) return false;
    TEvalCtx ctx{nullptr, RecordsView, 0};
    return Eval(0, ctx);
}

// ---- aggregates ---------------------------------------------------------------------------------

TMTAggregateVz::TMTAggregateVz(TCollection* Collection) : TCollectionItem(Collection) {
    if (auto* c = dynamic_cast<TMTAggregatesVz*>(Collection)) FDataSet = c->DataSet();
}

TMTAggregateVz::~TMTAggregateVz() = default;

void TMTAggregateVz::BeforeDestruction() {
    // An aggregate field that points here forgets it.
    if (FDataSet)
        for (int i = 0; i < FDataSet->Fields()->Count(); ++i) {
            TField* f = FDataSet->Fields()->Fields(i);
            if (auto* a = dynamic_cast<TAggregateField*>(f); a && a->Handle() == this) a->SetHandle(nullptr);
        }
    TCollectionItem::BeforeDestruction();
}

void TMTAggregateVz::Published(TPublished<TMTAggregateVz>& P) {
    P.Boolean("Active", &TMTAggregateVz::Active, &TMTAggregateVz::SetActive);
    P.String("Expression", &TMTAggregateVz::Expression, &TMTAggregateVz::SetExpression);
}

TMTAggregatesVz* TMTAggregateVz::Aggregates() const { return dynamic_cast<TMTAggregatesVz*>(Collection()); }

String TMTAggregateVz::GetDisplayName() {
    return FExpression.isEmpty() ? TCollectionItem::GetDisplayName() : FExpression;
}

void TMTAggregateVz::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TMTAggregateVz*>(Source)) {
        SetActive(a->Active());
        SetExpression(a->Expression());
        return;
    }
    if (auto* f = dynamic_cast<TAggregateField*>(Source)) {
        SetActive(f->Active());
        SetExpression(f->Expression());
        return;
    }
    TCollectionItem::Assign(Source);
}

void TMTAggregateVz::SetActive(bool Value) {
    if (Value == FActive) return;
    FActive = Value;
    TMTAggregatesVz* c = Aggregates();
    if (FDataSet && !(c && c->UpdateCount() > 0)) {
        try {
            Reset();
            Recalc();
        } catch (...) {
            FActive = false;
            FInUse = false;
            FValue = Null();
            throw;
        }
    }
}

void TMTAggregateVz::SetExpression(const String& Value) {
    if (Value == FExpression) return;
    FExpression = Value;
    TMTAggregatesVz* c = Aggregates();
    if (c && c->UpdateCount() > 0) return;
    Reset();
    Recalc();
}

void TMTAggregateVz::Reset() {
    FInUse = false;
    TMTAggregatesVz* c = Aggregates();
    if (ExprCursorOpen(FDataSet) && FActive && !FExpression.isEmpty() && c && c->Active()) {
        if (!FAggrExpr) FAggrExpr = NewOwned<TDataSetExprParserVz>(FDataSet, dsptAggregateVz);
        FAggrExpr->ParseExpression(FExpression);
        FDataType = ftFloat;
        FInUse = true;
    } else {
        FValue = Null();
    }
}

void TMTAggregateVz::Recalc() {
    TMTAggregatesVz* c = Aggregates();
    if (FInUse && FAggrExpr && c && c->RecordsView()) FValue = FAggrExpr->CalcAggregateValue(c->RecordsView());
    else FValue = Null();
}

TMTAggregatesVz::TMTAggregatesVz(TRecordsViewVz* AOwner) : TCollection(TMTAggregateVz::StaticClass()), FOwner(AOwner) {}

TPersistent* TMTAggregatesVz::GetOwner() { return FOwner; }

TDataSet* TMTAggregatesVz::DataSet() const { return FOwner ? FOwner->DataSet() : nullptr; }

TMTAggregateVz* TMTAggregatesVz::Add() {
    auto* a = static_cast<TMTAggregateVz*>(TCollection::Add());
    a->SetDataSet(DataSet());
    return a;
}

void TMTAggregatesVz::SetActive(bool Value) {
    if (Value == FActive) return;
    FActive = Value;
    Reset();
}

void TMTAggregatesVz::Reset() {
    TDataSet* ds = DataSet();
    BeginUpdate();
    try {
        Clear();
        if (ds)
            for (int i = 0; i < ds->Fields()->Count(); ++i) {
                auto* f = dynamic_cast<TAggregateField*>(ds->Fields()->Fields(i));
                if (!f) continue;
                TMTAggregateVz* a = Add();
                a->Assign(f);
                a->Reset();
                f->SetHandle(a);
            }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    Recalc();
}

void TMTAggregatesVz::Recalc() {
    if (Count() == 0) return;
    TDataSet* ds = DataSet();
    const bool idle = !ExprCursorOpen(ds) || ds->ComponentState().Contains(TComponentStateItem::csLoading) || UpdateCount() > 0;
    for (int i = 0; i < Count(); ++i) {
        TMTAggregateVz* a = Items(i);
        if (idle) a->FValue = Null();
        else a->Recalc();
    }
}
