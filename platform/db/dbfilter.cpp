#include "platform/db/dbfilter.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace {

// Parentheses, NOT, signs and calls nest the parser's calls, and operators stack up the tree the
// evaluation walks: both stop at a depth no filter needs, before the stack does.
constexpr int MaxFilterDepth = 256;

enum TTokenKind { tkEnd, tkName, tkNumber, tkText, tkSymbol };

struct TToken {
    TTokenKind Kind = tkEnd;
    String Text;
    int Pos = 0;  // 1-based
};

class TFilterParser {
public:
    TFilterParser(const String& Text, std::vector<String>& FieldNames, bool Aggregate = false)
        : FText(Text), FFieldNames(FieldNames), FAggregate(Aggregate) {
        Next();
    }

    std::unique_ptr<TExprNode> Parse() {
        auto n = ParseOr();
        if (FTok.Kind != tkEnd) Error();
        return n;
    }

private:
    [[noreturn]] void Error() {
        String at = FTok.Kind == tkEnd ? QStringLiteral("end of expression") : QStringLiteral("'%1'").arg(FTok.Text);
        DatabaseError(QStringLiteral("Filter expression incorrectly terminated or invalid: %1 at %2").arg(at).arg(FTok.Pos));
    }

    bool IsKeyword(const char* kw) const { return FTok.Kind == tkName && SameText(FTok.Text, QString::fromLatin1(kw)); }
    bool IsSymbol(const char* s) const { return FTok.Kind == tkSymbol && FTok.Text == QString::fromLatin1(s); }
    void Expect(const char* s) {
        if (!IsSymbol(s)) Error();
        Next();
    }

    void Next() {
        const int n = static_cast<int>(FText.size());
        while (FPos < n && FText[FPos].isSpace()) ++FPos;
        FTok = TToken();
        FTok.Pos = FPos + 1;
        if (FPos >= n) return;
        QChar c = FText[FPos];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QChar q = c;
            String s;
            ++FPos;
            for (;;) {
                if (FPos >= n) DatabaseError(QStringLiteral("Unterminated string constant at %1").arg(FTok.Pos));
                if (FText[FPos] == q) {
                    if (FPos + 1 < n && FText[FPos + 1] == q) {
                        s += q;
                        FPos += 2;
                        continue;
                    }
                    ++FPos;
                    break;
                }
                s += FText[FPos++];
            }
            FTok.Kind = tkText;
            FTok.Text = s;
            return;
        }
        if (c == QLatin1Char('[')) {
            int end = FText.indexOf(QLatin1Char(']'), FPos + 1);
            if (end < 0) DatabaseError(QStringLiteral("Missing ']' at %1").arg(FTok.Pos));
            FTok.Kind = tkName;
            FTok.Text = FText.mid(FPos + 1, end - FPos - 1);
            FBracketed = true;
            FPos = end + 1;
            return;
        }
        FBracketed = false;
        if (c.isDigit() || (c == QLatin1Char('.') && FPos + 1 < n && FText[FPos + 1].isDigit())) {
            int s = FPos;
            while (FPos < n && (FText[FPos].isDigit() || FText[FPos] == QLatin1Char('.'))) ++FPos;
            if (FPos < n && (FText[FPos] == QLatin1Char('e') || FText[FPos] == QLatin1Char('E'))) {
                int save = FPos;
                ++FPos;
                if (FPos < n && (FText[FPos] == QLatin1Char('+') || FText[FPos] == QLatin1Char('-'))) ++FPos;
                if (FPos < n && FText[FPos].isDigit())
                    while (FPos < n && FText[FPos].isDigit()) ++FPos;
                else
                    FPos = save;
            }
            FTok.Kind = tkNumber;
            FTok.Text = FText.mid(s, FPos - s);
            return;
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            int s = FPos;
            while (FPos < n && (FText[FPos].isLetterOrNumber() || FText[FPos] == QLatin1Char('_') || FText[FPos] == QLatin1Char('.')))
                ++FPos;
            FTok.Kind = tkName;
            FTok.Text = FText.mid(s, FPos - s);
            return;
        }
        FTok.Kind = tkSymbol;
        String two = FText.mid(FPos, 2);
        if (two == QLatin1String("<>") || two == QLatin1String("<=") || two == QLatin1String(">=") || two == QLatin1String("!=")) {
            FTok.Text = two == QLatin1String("!=") ? QStringLiteral("<>") : two;
            FPos += 2;
            return;
        }
        if (QStringLiteral("=<>()+-*/,").contains(c)) {
            FTok.Text = String(c);
            ++FPos;
            return;
        }
        Error();
    }

    [[noreturn]] void TooDeep() {
        DatabaseError(QStringLiteral("Filter expression nested too deeply at %1").arg(FTok.Pos));
    }

    // One level of the parser's own nesting.
    class TNest {
    public:
        explicit TNest(TFilterParser& P) : FP(P) {
            if (FP.FNest >= MaxFilterDepth) FP.TooDeep();
            ++FP.FNest;
        }
        ~TNest() { --FP.FNest; }

    private:
        TFilterParser& FP;
    };

    // The height of the tree below a node with children, checked against the limit.
    void Track(const TExprNode* N) {
        int h = 1;
        for (const auto& a : N->Args) {
            auto it = FHeight.find(a.get());
            h = std::max(h, 1 + (it == FHeight.end() ? 1 : it->second));
        }
        if (h > MaxFilterDepth) TooDeep();
        FHeight[N] = h;
    }

    std::unique_ptr<TExprNode> Op(TCANOperator op, std::unique_ptr<TExprNode> a, std::unique_ptr<TExprNode> b = nullptr) {
        auto n = std::make_unique<TExprNode>();
        n->Kind = enOperator;
        n->Operator = op;
        n->Args.push_back(std::move(a));
        if (b) n->Args.push_back(std::move(b));
        Track(n.get());
        return n;
    }

    // A run of ORs or of ANDs as a balanced tree: the same result (both are associative and the
    // operands are still read from left to right), and a long generated list stays shallow.
    std::unique_ptr<TExprNode> Balanced(TCANOperator op, std::vector<std::unique_ptr<TExprNode>>& Items, size_t From,
                                        size_t To) {
        if (To - From == 1) return std::move(Items[From]);
        size_t mid = From + (To - From) / 2;
        auto l = Balanced(op, Items, From, mid);
        return Op(op, std::move(l), Balanced(op, Items, mid, To));
    }

    std::unique_ptr<TExprNode> ParseOr() {
        std::vector<std::unique_ptr<TExprNode>> items;
        items.push_back(ParseAnd());
        while (IsKeyword("OR")) {
            Next();
            items.push_back(ParseAnd());
        }
        return Balanced(coOR, items, 0, items.size());
    }

    std::unique_ptr<TExprNode> ParseAnd() {
        std::vector<std::unique_ptr<TExprNode>> items;
        items.push_back(ParseNot());
        while (IsKeyword("AND")) {
            Next();
            items.push_back(ParseNot());
        }
        return Balanced(coAND, items, 0, items.size());
    }

    std::unique_ptr<TExprNode> ParseNot() {
        if (IsKeyword("NOT")) {
            TNest nest(*this);
            Next();
            return Op(coNOT, ParseNot());
        }
        return ParseCompare();
    }

    static bool IsNullConst(const TExprNode* n) { return n->Kind == enConst && !n->TextConst && VarIsNull(n->Value); }

    std::unique_ptr<TExprNode> ParseCompare() {
        auto l = ParseSum();
        static const struct { const char* s; TCANOperator op; } ops[] = {
            {"=", coEQ}, {"<>", coNE}, {"<", coLT}, {">", coGT}, {"<=", coLE}, {">=", coGE}};
        for (auto& o : ops)
            if (IsSymbol(o.s)) {
                Next();
                auto r = ParseSum();
                if ((o.op == coEQ || o.op == coNE) && (IsNullConst(r.get()) || IsNullConst(l.get())))
                    return Op(o.op == coEQ ? coISBLANK : coNOTBLANK, IsNullConst(r.get()) ? std::move(l) : std::move(r));
                return Op(o.op, std::move(l), std::move(r));
            }
        if (IsKeyword("IS")) {
            Next();
            bool neg = false;
            if (IsKeyword("NOT")) {
                neg = true;
                Next();
            }
            if (!IsKeyword("NULL")) Error();
            Next();
            return Op(neg ? coNOTBLANK : coISBLANK, std::move(l));
        }
        bool neg = false;
        if (IsKeyword("NOT")) {
            neg = true;
            Next();
            if (!IsKeyword("LIKE") && !IsKeyword("IN")) Error();
        }
        if (IsKeyword("LIKE")) {
            Next();
            auto n = Op(coLIKE, std::move(l), ParseSum());
            return neg ? Op(coNOT, std::move(n)) : std::move(n);
        }
        if (IsKeyword("IN")) {
            Next();
            Expect("(");
            auto list = std::make_unique<TExprNode>();
            list->Kind = enList;
            list->Operator = coLIST2;
            list->Args.push_back(ParseSum());
            while (IsSymbol(",")) {
                Next();
                list->Args.push_back(ParseSum());
            }
            Expect(")");
            Track(list.get());
            auto n = Op(coIN, std::move(l), std::move(list));
            return neg ? Op(coNOT, std::move(n)) : std::move(n);
        }
        return l;
    }

    std::unique_ptr<TExprNode> ParseSum() {
        auto l = ParseProduct();
        while (IsSymbol("+") || IsSymbol("-")) {
            TCANOperator op = IsSymbol("+") ? coADD : coSUB;
            Next();
            l = Op(op, std::move(l), ParseProduct());
        }
        return l;
    }

    std::unique_ptr<TExprNode> ParseProduct() {
        auto l = ParseUnary();
        while (IsSymbol("*") || IsSymbol("/")) {
            TCANOperator op = IsSymbol("*") ? coMUL : coDIV;
            Next();
            l = Op(op, std::move(l), ParseUnary());
        }
        return l;
    }

    std::unique_ptr<TExprNode> ParseUnary() {
        TNest nest(*this);
        if (IsSymbol("-")) {
            Next();
            return Op(coMINUS, ParseUnary());
        }
        if (IsSymbol("+")) {
            Next();
            return ParseUnary();
        }
        return ParsePrimary();
    }

    std::unique_ptr<TExprNode> ParsePrimary() {
        auto n = std::make_unique<TExprNode>();
        switch (FTok.Kind) {
            case tkNumber: {
                n->Kind = enConst;
                n->Operator = coCONST2;
                Int64 i;
                if (!FTok.Text.contains(QLatin1Char('.')) && !FTok.Text.contains(QLatin1Char('e'), Qt::CaseInsensitive) &&
                    TryStrToInt64(FTok.Text, i)) {
                    n->Value = i >= INT32_MIN && i <= INT32_MAX ? Variant(static_cast<int>(i)) : Variant(static_cast<long long>(i));
                } else {
                    bool ok = false;
                    double d = FTok.Text.toDouble(&ok);
                    if (!ok) Error();
                    n->Value = d;
                }
                Next();
                return n;
            }
            case tkText:
                n->Kind = enConst;
                n->Operator = coCONST2;
                n->Value = FTok.Text;
                n->TextConst = true;
                Next();
                return n;
            case tkName: {
                bool bracketed = FBracketed;
                String name = FTok.Text;
                Next();
                if (!bracketed && IsSymbol("(")) {
                    n->Kind = enFunc;
                    n->Operator = coFUNC2;
                    n->Name = name.toUpper();
                    TNest nest(*this);
                    Next();
                    if (FAggregate && n->Name == QLatin1String("COUNT") && IsSymbol("*")) {
                        Next();  // COUNT(*): no argument
                    } else if (!IsSymbol(")")) {
                        n->Args.push_back(ParseOr());
                        while (IsSymbol(",")) {
                            Next();
                            n->Args.push_back(ParseOr());
                        }
                    }
                    Expect(")");
                    Track(n.get());
                    static const char* const known[] = {"UPPER", "LOWER", "SUBSTRING", "TRIM", "TRIMLEFT", "TRIMRIGHT", "YEAR",
                                                        "MONTH", "DAY", "HOUR", "MINUTE", "SECOND", "GETDATE", "DATE", "TIME"};
                    static const char* const aggregates[] = {"SUM", "MIN", "MAX", "AVG", "COUNT"};
                    auto named = [&](const char* k) { return n->Name == QLatin1String(k); };
                    if (std::none_of(std::begin(known), std::end(known), named) &&
                        !(FAggregate && std::any_of(std::begin(aggregates), std::end(aggregates), named)))
                        DatabaseError(QStringLiteral("Function '%1' is not supported in filter expressions").arg(name));
                    return n;
                }
                if (!bracketed && SameText(name, QStringLiteral("NULL"))) {
                    n->Kind = enConst;
                    n->Operator = coCONST2;
                    n->Value = Null();
                    return n;
                }
                if (!bracketed && (SameText(name, QStringLiteral("TRUE")) || SameText(name, QStringLiteral("FALSE")))) {
                    n->Kind = enConst;
                    n->Operator = coCONST2;
                    n->Value = SameText(name, QStringLiteral("TRUE"));
                    return n;
                }
                n->Kind = enField;
                n->Operator = coFIELD2;
                n->Name = name;
                if (std::none_of(FFieldNames.begin(), FFieldNames.end(), [&](const String& f) { return SameText(f, name); }))
                    FFieldNames.push_back(name);
                return n;
            }
            case tkSymbol:
                if (IsSymbol("(")) {
                    TNest nest(*this);
                    Next();
                    auto e = ParseOr();
                    Expect(")");
                    return e;
                }
                break;
            default:
                break;
        }
        Error();
    }

    String FText;
    std::vector<String>& FFieldNames;
    int FPos = 0;
    TToken FTok;
    bool FBracketed = false;
    bool FAggregate = false;
    int FNest = 0;
    std::unordered_map<const TExprNode*, int> FHeight;
};

bool Truth(const Variant& v) {
    if (VarIsNull(v) || VarIsEmpty(v)) return false;
    try {
        return v.AsBoolean();
    } catch (const Exception&) {
        return false;
    }
}

bool IsNullish(const Variant& v) { return VarIsNull(v) || VarIsEmpty(v); }

}  // namespace

bool MatchLike(const String& Text, const String& Pattern, bool CaseInsensitive) {
    String t = CaseInsensitive ? AnsiUpperCase(Text) : Text;
    String p = CaseInsensitive ? AnsiUpperCase(Pattern) : Pattern;
    // Iterative wildcard match with back-tracking to the last '%'.
    int ti = 0, pi = 0, star = -1, mark = 0;
    const int tn = static_cast<int>(t.size()), pn = static_cast<int>(p.size());
    while (ti < tn) {
        if (pi + 1 < pn && p[pi] == QLatin1Char('\\')) {
            // an escaped character stands for itself, as in SQL's LIKE
            if (p[pi + 1] == t[ti]) {
                ++ti;
                pi += 2;
                continue;
            }
        } else if (pi < pn && (p[pi] == QLatin1Char('_') || p[pi] == t[ti])) {
            ++ti;
            ++pi;
            continue;
        }
        if (pi < pn && p[pi] == QLatin1Char('%')) {
            star = pi++;
            mark = ti;
        } else if (star >= 0) {
            pi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < pn && p[pi] == QLatin1Char('%')) ++pi;
    return pi == pn;
}

TFilterExpr::TFilterExpr(TDataSet* DataSet, const String& Text, TFilterOptions Options)
    : FDataSet(DataSet), FText(Text), FOptions(Options) {
    if (!Trim(Text).isEmpty()) {
        TFilterParser p(Text, FFieldNames);
        FRoot = p.Parse();
    }
}

TFilterExpr::~TFilterExpr() = default;

Variant TFilterExpr::FieldValue(const String& Name) const {
    if (GetFieldValue) return GetFieldValue(Name);
    return FDataSet->FieldByName(Name)->AsVariant();
}

TFieldType TFilterExpr::FieldTypeOf(const TExprNode* Node) const {
    if (Node->Kind != enField || !FDataSet) return ftUnknown;
    TField* f = FDataSet->FindField(Node->Name);
    return f ? f->DataType() : ftUnknown;
}

Variant TFilterExpr::Evaluate() const {
    if (!FRoot) return Variant(true);
    return Eval(FRoot.get());
}

bool TFilterExpr::Accept() const { return !FRoot || Truth(Evaluate()); }

namespace {
// A text constant read as the type of the field it is compared with.
Variant Coerce(const Variant& Text, TFieldType Type) {
    String s = VarToStr(Text);
    switch (Type) {
        case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: case ftTimeStampOffset: {
            TDateTime d;
            bool ok = Type == ftTime ? TryStrToTime(s, d) : TryStrToDateTime(s, d);
            if (!ok) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SInvalidDateTimeValue), {s});
            return VarFromDateTime(d);
        }
        case ftBoolean: {
            bool b;
            if (!TryStrToBool(s, b)) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SInvalidBoolText), {s});
            return Variant(b);
        }
        case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: case ftLongWord:
        case ftShortint: case ftByte: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle: {
            Extended e;
            if (!TryStrToFloat(s, e)) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SInvalidFloatText), {s});
            return Variant(static_cast<double>(e));
        }
        default:
            return Text;
    }
}
}  // namespace

bool TFilterExpr::Compare(TCANOperator Op, const TExprNode* L, const TExprNode* R) const {
    Variant a = Eval(L), b = Eval(R);
    if (IsNullish(a) || IsNullish(b)) return false;
    if (R->Kind == enConst && R->TextConst && L->Kind == enField) b = Coerce(b, FieldTypeOf(L));
    if (L->Kind == enConst && L->TextConst && R->Kind == enField) a = Coerce(a, FieldTypeOf(R));
    if (VarType(a) == varSQLTimeStamp || VarType(a) == varSQLTimeStampOffset) a = VarFromDateTime(a.AsDateTime());
    if (VarType(b) == varSQLTimeStamp || VarType(b) == varSQLTimeStampOffset) b = VarFromDateTime(b.AsDateTime());
    int c;
    if (VarIsStr(a) && VarIsStr(b)) {
        String sa = a.AsString(), sb = b.AsString();
        bool ci = FOptions.Contains(foCaseInsensitive);
        if ((Op == coEQ || Op == coNE) && !FOptions.Contains(foNoPartialCompare)) {
            const TExprNode* cn = R->Kind == enConst ? R : L->Kind == enConst ? L : nullptr;
            if (cn && cn->TextConst) {
                String pat = VarToStr(cn->Value);
                if (pat.endsWith(QLatin1Char('*'))) {
                    String text = cn == R ? sa : sb;
                    String prefix = pat.left(pat.size() - 1);
                    String head = text.left(prefix.size());
                    bool eq = ci ? AnsiCompareText(head, prefix) == 0 : head == prefix;
                    return Op == coEQ ? eq : !eq;
                }
            }
        }
        c = ci ? AnsiCompareText(sa, sb) : CompareStr(sa, sb);
    } else {
        try {
            c = a == b ? 0 : (a < b ? -1 : 1);
        } catch (const Exception&) {
            return false;
        }
    }
    switch (Op) {
        case coEQ: return c == 0;
        case coNE: return c != 0;
        case coLT: return c < 0;
        case coGT: return c > 0;
        case coLE: return c <= 0;
        case coGE: return c >= 0;
        default: return false;
    }
}

Variant TFilterExpr::Eval(const TExprNode* Node) const {
    switch (Node->Kind) {
        case enConst:
            return Node->Value;
        case enField:
            return FieldValue(Node->Name);
        case enList:
            return Null();
        case enFunc: {
            std::vector<Variant> a;
            for (auto& x : Node->Args) a.push_back(Eval(x.get()));
            auto arg = [&](size_t i) { return i < a.size() ? a[i] : Null(); };
            const String& f = Node->Name;
            if (f == QLatin1String("GETDATE")) return VarFromDateTime(Now());
            if (IsNullish(arg(0))) return Null();
            if (f == QLatin1String("UPPER")) return AnsiUpperCase(VarToStr(arg(0)));
            if (f == QLatin1String("LOWER")) return AnsiLowerCase(VarToStr(arg(0)));
            if (f == QLatin1String("TRIM")) return Trim(VarToStr(arg(0)));
            if (f == QLatin1String("TRIMLEFT")) return TrimLeft(VarToStr(arg(0)));
            if (f == QLatin1String("TRIMRIGHT")) return TrimRight(VarToStr(arg(0)));
            if (f == QLatin1String("SUBSTRING")) {
                String s = VarToStr(arg(0));
                int from = IsNullish(arg(1)) ? 1 : arg(1).AsInteger();
                return a.size() > 2 && !IsNullish(arg(2)) ? Copy(s, from, arg(2).AsInteger()) : Copy(s, from);
            }
            TDateTime d = VarToDateTime(arg(0));
            if (f == QLatin1String("YEAR")) return static_cast<int>(YearOf(d));
            if (f == QLatin1String("MONTH")) return static_cast<int>(MonthOf(d));
            if (f == QLatin1String("DAY")) return static_cast<int>(DayOf(d));
            if (f == QLatin1String("HOUR")) return static_cast<int>(HourOf(d));
            if (f == QLatin1String("MINUTE")) return static_cast<int>(MinuteOf(d));
            if (f == QLatin1String("SECOND")) return static_cast<int>(SecondOf(d));
            if (f == QLatin1String("DATE")) return VarFromDateTime(DateOf(d));
            if (f == QLatin1String("TIME")) return VarFromDateTime(TimeOf(d));
            return Null();
        }
        case enOperator:
            break;
    }
    const auto& args = Node->Args;
    switch (Node->Operator) {
        case coAND: return Truth(Eval(args[0].get())) && Truth(Eval(args[1].get()));
        case coOR: return Truth(Eval(args[0].get())) || Truth(Eval(args[1].get()));
        case coNOT: return !Truth(Eval(args[0].get()));
        case coISBLANK: return IsNullish(Eval(args[0].get()));
        case coNOTBLANK: return !IsNullish(Eval(args[0].get()));
        case coEQ: case coNE: case coLT: case coGT: case coLE: case coGE:
            return Compare(Node->Operator, args[0].get(), args[1].get());
        case coLIKE: {
            Variant a = Eval(args[0].get()), b = Eval(args[1].get());
            if (IsNullish(a) || IsNullish(b)) return false;
            return MatchLike(VarToStr(a), VarToStr(b), FOptions.Contains(foCaseInsensitive));
        }
        case coIN: {
            for (auto& item : args[1]->Args)
                if (Compare(coEQ, args[0].get(), item.get())) return true;
            return false;
        }
        case coMINUS: {
            Variant a = Eval(args[0].get());
            return IsNullish(a) ? Null() : -a;
        }
        case coADD: case coSUB: case coMUL: case coDIV: {
            Variant a = Eval(args[0].get()), b = Eval(args[1].get());
            if (IsNullish(a) || IsNullish(b)) return Null();
            switch (Node->Operator) {
                case coADD: return a + b;
                case coSUB: return a - b;
                case coMUL: return a * b;
                default:
                    if (b.AsDouble() == 0) return Null();
                    return a / b;
            }
        }
        default:
            return Null();
    }
}

// ---- parsed-expression bytes ---------------------------------------------------------------------

namespace {

class TExprWriter {
public:
    TExprWriter(TDataSet* DataSet, TFilterOptions Options, const TFieldMap& FieldMap)
        : FDataSet(DataSet), FOptions(Options), FMap(FieldMap) {}

    TExprData Write(const TExprNode* Root) {
        Node(Root);
        TExprData data(ExprHeaderSize, 0);
        const size_t lit = ExprHeaderSize + FNodes.size();
        if (lit > 0xFFFF || FLits.size() > 0xFFFF) DatabaseError(QStringLiteral("Filter expression too long"));
        data[8] = static_cast<unsigned char>(lit & 0xFF);
        data[9] = static_cast<unsigned char>(lit >> 8);
        data.insert(data.end(), FNodes.begin(), FNodes.end());
        data.insert(data.end(), FLits.begin(), FLits.end());
        return data;
    }

private:
    static void Put(TExprData& To, unsigned long long V, int Bytes) {
        for (int i = 0; i < Bytes; ++i) To.push_back(static_cast<unsigned char>((V >> (8 * i)) & 0xFF));
    }
    void Patch(size_t At, int V) {
        FNodes[At] = static_cast<unsigned char>(V & 0xFF);
        FNodes[At + 1] = static_cast<unsigned char>((V >> 8) & 0xFF);
    }
    // A node with Operands 16-bit operands; answers its offset.
    int NewNode(TExprNodeClass Class, TCANOperator Op, int Operands) {
        const size_t at = FNodes.size();
        if (at > 0xFFFF) DatabaseError(QStringLiteral("Filter expression too long"));
        Put(FNodes, static_cast<unsigned>(Class), 4);
        Put(FNodes, static_cast<unsigned>(Op), 4);
        for (int i = 0; i < Operands; ++i) Put(FNodes, 0, 2);
        return static_cast<int>(at);
    }
    void SetOperand(int NodeAt, int Index, int Value) { Patch(static_cast<size_t>(NodeAt) + 8 + 2 * static_cast<size_t>(Index), Value); }
    int NameLiteral(const String& Name) {
        const int at = static_cast<int>(FLits.size());
        const QByteArray b = Name.toUtf8();
        FLits.insert(FLits.end(), b.begin(), b.end());
        FLits.push_back(0);
        return at;
    }

    int Const(const Variant& V) {
        TExprData bytes;
        int code;
        if (VarIsNull(V) || VarIsEmpty(V)) {
            code = ExprNullCode;
        } else if (VarIsStr(V)) {
            code = ExprUnicodeTextCode;
            const String s = V.AsString();
            Put(bytes, static_cast<unsigned>(s.size() * 2), 2);
            for (QChar c : s) Put(bytes, c.unicode(), 2);
        } else if (VarType(V) == varBoolean) {
            code = FMap[ftBoolean];
            Put(bytes, V.AsBoolean() ? 1 : 0, 2);
        } else if (VarType(V) == varDate || VarIsSQLTimeStamp(V) || VarIsSQLTimeStampOffset(V)) {
            code = FMap[ftDateTime];
            const double ms = std::round((V.AsDateTime() + 693594.0) * 86400000.0);
            unsigned long long raw;
            std::memcpy(&raw, &ms, 8);
            Put(bytes, raw, 8);
        } else if (VarIsOrdinal(V) && V.AsInt64() >= INT32_MIN && V.AsInt64() <= INT32_MAX) {
            code = FMap[ftInteger];
            Put(bytes, static_cast<unsigned long long>(static_cast<long long>(V.AsInteger())), 4);
        } else if (VarIsOrdinal(V)) {
            code = FMap[ftLargeint];
            Put(bytes, static_cast<unsigned long long>(V.AsInt64()), 8);
        } else {
            code = FMap[ftFloat];
            const double d = V.AsDouble();
            unsigned long long raw;
            std::memcpy(&raw, &d, 8);
            Put(bytes, raw, 8);
        }
        const int n = NewNode(nodeCONST, coCONST2, 3);
        SetOperand(n, 0, code);
        SetOperand(n, 1, static_cast<int>(bytes.size()));
        SetOperand(n, 2, static_cast<int>(FLits.size()));
        FLits.insert(FLits.end(), bytes.begin(), bytes.end());
        return n;
    }

    TFieldType FieldTypeOf(const TExprNode* N) const {
        if (N->Kind != enField || !FDataSet) return ftUnknown;
        TField* f = FDataSet->FindField(N->Name);
        return f ? f->DataType() : ftUnknown;
    }

    // A constant operand compared with a field, read as the field's type.
    int Operand(const TExprNode* N, const TExprNode* Other) {
        if (N->Kind == enConst && N->TextConst && Other && Other->Kind == enField) {
            const TFieldType t = FieldTypeOf(Other);
            if (t != ftUnknown) return Const(Coerce(N->Value, t));
        }
        return Node(N);
    }

    // A chain of list elements over Items; 0 when there is none.
    int List(const std::vector<std::unique_ptr<TExprNode>>& Items, const TExprNode* Other) {
        int first = 0, prev = -1;
        for (const auto& item : Items) {
            const int e = NewNode(nodeLISTELEM, coLISTELEM2, 2);
            SetOperand(e, 0, Operand(item.get(), Other));
            if (prev >= 0) SetOperand(prev, 1, e);
            else first = e;
            prev = e;
        }
        return first;
    }

    int Node(const TExprNode* N) {
        switch (N->Kind) {
        case enConst:
            return Const(N->Value);
        case enField: {
            TField* f = FDataSet ? FDataSet->FindField(N->Name) : nullptr;
            int no = 0;
            if (f) no = f->FieldNo() > 0 ? f->FieldNo() : FDataSet->Fields()->IndexOf(f) + 1;
            const int n = NewNode(nodeFIELD, coFIELD2, 2);
            SetOperand(n, 0, no);
            SetOperand(n, 1, NameLiteral(N->Name));
            return n;
        }
        case enFunc: {
            const int n = NewNode(nodeFUNC, coFUNC2, 2);
            SetOperand(n, 0, NameLiteral(N->Name));
            SetOperand(n, 1, List(N->Args, nullptr));
            return n;
        }
        case enList:
            return List(N->Args, nullptr);
        case enOperator:
            break;
        }
        const auto& a = N->Args;
        switch (N->Operator) {
        case coMINUS: {
            const TExprNode* x = a[0].get();
            if (x->Kind == enConst && VarIsNumeric(x->Value)) return Const(-x->Value);
            const int n = NewNode(nodeBINARY, coSUB, 2);
            SetOperand(n, 0, Const(Variant(0)));
            SetOperand(n, 1, Node(x));
            return n;
        }
        case coISBLANK: case coNOTBLANK: case coNOT: case coUPPER: case coLOWER: {
            const int n = NewNode(nodeUNARY, N->Operator, 1);
            SetOperand(n, 0, Node(a[0].get()));
            return n;
        }
        case coEQ: case coNE: {
            const TExprNode* l = a[0].get();
            const TExprNode* r = a[1].get();
            const TExprNode* c = r->Kind == enConst && r->TextConst ? r : (l->Kind == enConst && l->TextConst ? l : nullptr);
            const TExprNode* other = c == r ? l : r;
            if (c && !FOptions.Contains(foNoPartialCompare) &&
                (other->Kind != enField || IsTextType(FieldTypeOf(other)) || FieldTypeOf(other) == ftUnknown)) {
                const String pat = VarToStr(c->Value);
                if (pat.endsWith(QLatin1Char('*'))) {
                    const String prefix = pat.left(pat.size() - 1);
                    const int n = NewNode(nodeCOMPARE, N->Operator, 4);
                    SetOperand(n, 0, FOptions.Contains(foCaseInsensitive) ? 1 : 0);
                    SetOperand(n, 1, static_cast<int>(prefix.size()));
                    SetOperand(n, 2, Node(other));
                    SetOperand(n, 3, Const(Variant(prefix)));
                    return n;
                }
            }
            [[fallthrough]];
        }
        case coGT: case coLT: case coGE: case coLE: {
            const int n = NewNode(nodeBINARY, N->Operator, 2);
            SetOperand(n, 0, Operand(a[0].get(), a[1].get()));
            SetOperand(n, 1, Operand(a[1].get(), a[0].get()));
            return n;
        }
        case coIN: {
            const int n = NewNode(nodeBINARY, coIN, 2);
            SetOperand(n, 0, Node(a[0].get()));
            SetOperand(n, 1, List(a[1]->Args, a[0].get()));
            return n;
        }
        case coAND: case coOR: case coADD: case coSUB: case coMUL: case coDIV: case coLIKE: {
            const int n = NewNode(nodeBINARY, N->Operator, 2);
            SetOperand(n, 0, Node(a[0].get()));
            SetOperand(n, 1, Node(a[1].get()));
            return n;
        }
        default:
            DatabaseError(QStringLiteral("Operator not supported in filter expressions"));
        }
    }

    static bool IsTextType(TFieldType T) {
        return T == ftString || T == ftFixedChar || T == ftWideString || T == ftFixedWideChar || T == ftMemo ||
               T == ftWideMemo || T == ftFmtMemo || T == ftGuid;
    }

    TDataSet* FDataSet;
    TFilterOptions FOptions;
    const TFieldMap& FMap;
    TExprData FNodes;
    TExprData FLits;
};

}  // namespace

TExprParser::TExprParser(TDataSet* DataSet, const String& Text, TFilterOptions Options, TParserOptions ParserOptions,
                         const String& /*FieldName*/, void* /*DepFields*/, const TFieldMap& FieldMap) {
    if (Trim(Text).isEmpty()) return;
    std::vector<String> names;
    TFilterParser p(Text, names, ParserOptions.Contains(poAggregate));
    std::unique_ptr<TExprNode> root = p.Parse();
    FData = TExprWriter(DataSet, Options, FieldMap).Write(root.get());
}
