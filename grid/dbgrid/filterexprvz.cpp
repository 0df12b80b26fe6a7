#include "grid/dbgrid/filterexprvz.h"

#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "platform/db/db.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

#include <vector>

const std::array<const char16_t*, FilterOperatorCount> FilterOperatorSymbols = {
    u"", u"=", u"<>", u">", u"<", u">=", u"<=", u"~", u"!~", u"In", u"!In", u"Null", u"Null", u"AND", u"OR", u"",
    u"Null", u"Null"};
const std::array<const char16_t*, FilterOperatorCount> FilterOperatorSQLTexts = {
    u"", u"=", u"<>", u">", u"<", u">=", u"<=", u"LIKE", u"NOT LIKE", u"IN", u"NOT IN", u"IS NULL", u"IS NOT NULL",
    u"AND", u"OR", u"", u"= NULL", u"<> NULL"};
String FilterFieldNameOpen = QStringLiteral("[");
String FilterFieldNameClose = QStringLiteral("]");

TSTOperandTypeVz FieldTypeOperandType(TFieldType Type) {
    switch (Type) {
        case ftString: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
        case ftTypedBinary: case ftCursor: case ftFixedChar: case ftWideString: case ftADT: case ftArray:
        case ftOraBlob: case ftOraClob: case ftVariant: case ftGuid: case ftFixedWideChar: case ftWideMemo:
        case ftOraInterval:
            return botString;
        case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
        case ftLargeint: case ftFMTBcd: case ftLongWord: case ftShortint: case ftByte: case ftExtended: case ftSingle:
            return botNumber;
        case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
            return botDateTime;
        case ftBoolean:
            return botBoolean;
        default:
            return botNon;
    }
}

void ClearFilterExpression(TSTFilterExpressionVz& Expression) {
    Expression.Operator1 = foNon;
    Expression.Operand1 = Null();
    Expression.Relation = foNon;
    Expression.Operator2 = foNon;
    Expression.Operand2 = Null();
}

namespace {

// The keywords of the language, beside the English words: the language texts for Not, AND, OR,
// LIKE, In and Null (an empty text is no keyword).
enum TFilterKeywordVz { fkNotVz, fkAndVz, fkOrVz, fkLikeVz, fkInVz, fkNullVz, fkNoneVz };
const std::array<const char16_t*, 6> FilterKeywordWordsVz = {u"NOT", u"AND", u"OR", u"LIKE", u"IN", u"NULL"};
const std::array<const char16_t*, 6> FilterKeywordLanguageTextsVz = {u"Not", u"AND", u"OR", u"", u"In", u"Null"};

Variant FilterArrayOfVz(const std::vector<Variant>& Values) {
    Variant A = VarArrayCreate({0, int(Values.size()) - 1}, varVariant);
    for (int i = 0; i < int(Values.size()); ++i) VarArrayPut(A, Values[size_t(i)], {i});
    return A;
}

std::vector<Variant> FilterArrayElementsVz(const Variant& A) {
    std::vector<Variant> r;
    if (!VarIsArray(A)) {
        r.push_back(A);
        return r;
    }
    for (int i = VarArrayLowBound(A, 1); i <= VarArrayHighBound(A, 1); ++i) r.push_back(VarArrayGet(A, {i}));
    return r;
}

[[noreturn]] void RaiseFilterTextError(const String& LanguageText, const String& Text) {
    throw Exception(LanguageText + Text);
}

// What the token reader found at a position.
struct TFilterTokenVz {
    bool Found = false;          // False: nothing (end of text, or no operator and no value)
    TSTFilterOperatorVz Op = foNon;
    bool NullKeyword = false;    // the keyword NULL itself (Op is foNull)
    Variant Value;               // the value of foValue / foIn
};

class TFilterTextReaderVz {
public:
    explicit TFilterTextReaderVz(const String& AText) : S(AText), N(int(AText.size())) {}

    const String& S;
    int N;
    int P = 0;

    bool AtEnd() const { return P >= N; }
    void SkipBlanks() {
        while (P < N && S[P] == u' ') ++P;
    }
    static bool IsWordChar(QChar c) {
        if (c.unicode() < 0x20 || c == u' ') return false;
        switch (c.unicode()) {
            case u'!': case u'"': case u'&': case u'\'': case u'(': case u')': case u'+': case u',': case u'-':
            case u'.': case u'<': case u'=': case u'>': case u'|': case u'~':
                return false;
            default:
                return true;
        }
    }
    // The keyword of the word at At and its length (fkNoneVz when the word is none).
    TFilterKeywordVz KeywordAt(int At, int& Len) const {
        int e = At;
        while (e < N && IsWordChar(S[e])) ++e;
        Len = e - At;
        if (Len == 0) return fkNoneVz;
        const String w = AnsiUpperCase(S.mid(At, Len));
        for (int k = 0; k < 6; ++k) {
            if (w == QStringView(FilterKeywordWordsVz[size_t(k)])) return TFilterKeywordVz(k);
            const String lt = String::fromUtf16(FilterKeywordLanguageTextsVz[size_t(k)]);
            if (!lt.isEmpty() && w == AnsiUpperCase(lt)) return TFilterKeywordVz(k);
        }
        return fkNoneVz;
    }
    // The operator that starts at At, without consuming anything (for the end of an unquoted
    // value): True when one of the operators, AND, OR, LIKE, NULL, IN or a negation starts there.
    bool OperatorStartsAt(int At) const {
        if (At >= N) return false;
        const QChar c = S[At];
        if (c == u'=' || c == u'<' || c == u'>' || c == u'~' || c == u'&' || c == u'|') return true;
        if (c == u'!') {
            if (At + 1 < N && (S[At + 1] == u'=' || S[At + 1] == u'~')) return true;
            int q = At + 1;
            while (q < N && S[q] == u' ') ++q;
            return NegatedAt(q);
        }
        int len = 0;
        switch (KeywordAt(At, len)) {
            case fkAndVz: case fkOrVz: case fkLikeVz: case fkNullVz:
                return true;
            case fkInVz: {
                int q = At + len;
                while (q < N && S[q] == u' ') ++q;
                if (q >= N || S[q] != u'(') RaiseFilterTextError(GetViZevLanguageConsts()->LeftBracketExpectedVz(), S);
                return true;
            }
            case fkNotVz: {
                int q = At + len;
                while (q < N && S[q] == u' ') ++q;
                return NegatedAt(q);
            }
            default:
                return false;
        }
    }
    bool NegatedAt(int At) const {
        if (At >= N) return false;
        if (S[At] == u'~') return true;
        int len = 0;
        const TFilterKeywordVz k = KeywordAt(At, len);
        return k == fkLikeVz || k == fkInVz || k == fkNullVz;
    }

    // A quoted value; the position is on the opening quote.
    String ReadQuoted() {
        String r;
        int i = P + 1;
        for (;;) {
            if (i >= N) RaiseFilterTextError(GetViZevLanguageConsts()->QuoteIsAbsentVz(), S);
            if (S[i] == u'\'') {
                if (i + 1 < N && S[i + 1] == u'\'') {
                    r += u'\'';
                    i += 2;
                    continue;
                }
                break;
            }
            r += S[i++];
        }
        P = i + 1;
        return r;
    }
    // An unquoted value (Null for the text NULL, unless it runs to the end of the text).
    Variant ReadUnquoted(bool InList) {
        const int start = P;
        int i = P;
        while (i < N) {
            const QChar c = S[i];
            if (c == u'(' || c == u')') break;
            if (InList && c == u',') break;
            if (c == u' ') {
                int q = i;
                while (q < N && S[q] == u' ') ++q;
                if (OperatorStartsAt(q)) break;
            }
            ++i;
        }
        P = i;
        if (i >= N) return S.mid(start);
        const String v = S.mid(start, i - start);
        if (AnsiUpperCase(v) == u"NULL") return Null();
        return v;
    }
    Variant ReadOneValue(bool InList) {
        SkipBlanks();
        if (P < N && S[P] == u'\'') return ReadQuoted();
        return ReadUnquoted(InList);
    }
    // A value, or in an IN list all values up to the end of the list.
    Variant ReadValues(bool InList) {
        std::vector<Variant> values;
        values.push_back(ReadOneValue(InList));
        if (InList) {
            for (;;) {
                int q = P;
                while (q < N && S[q] == u' ') ++q;
                if (q >= N || S[q] != u',') break;
                P = q + 1;
                values.push_back(ReadOneValue(true));
            }
        }
        return values.size() == 1 ? values.front() : FilterArrayOfVz(values);
    }

    // The next token. InList: the previous operator was IN / NOT IN, so a value list follows.
    TFilterTokenVz ReadToken(bool InList) {
        TFilterTokenVz t;
        SkipBlanks();
        if (AtEnd()) return t;
        if (InList || S[P] == u'\'') {
            t.Value = ReadValues(InList);
            t.Found = true;
            t.Op = VarIsArray(t.Value) ? foIn : foValue;
            return t;
        }
        const QChar c = S[P];
        const QChar d = P + 1 < N ? S[P + 1] : QChar();
        auto op = [&](TSTFilterOperatorVz o, int len) {
            t.Found = true;
            t.Op = o;
            P += len;
            return t;
        };
        if (c == u'=') return op(foEqual, 1);
        if (c == u'<') return d == u'>' ? op(foNotEqual, 2) : d == u'=' ? op(foLessOrEqual, 2) : op(foLessThan, 1);
        if (c == u'>') return d == u'=' ? op(foGreaterOrEqual, 2) : op(foGreaterThan, 1);
        if (c == u'!' && d == u'=') return op(foNotEqual, 2);
        if (c == u'~') return op(foLike, 1);
        if (c == u'&') return op(foAND, 1);
        if (c == u'|') return op(foOR, 1);
        if (c == u'(') return t;
        if (c == u'!') {
            ++P;
            return ReadNegated();
        }
        int len = 0;
        switch (KeywordAt(P, len)) {
            case fkNotVz:
                P += len;
                return ReadNegated();
            case fkAndVz: return op(foAND, len);
            case fkOrVz: return op(foOR, len);
            case fkLikeVz: return op(foLike, len);
            case fkNullVz:
                t.NullKeyword = true;
                return op(foNull, len);
            case fkInVz:
                P += len;
                return ReadIn(foIn);
            default:
                break;
        }
        // No operator: a value.
        t.Value = ReadValues(false);
        if (VarIsNull(t.Value)) return TFilterTokenVz();
        t.Found = true;
        t.Op = foValue;
        return t;
    }

private:
    TFilterTokenVz ReadIn(TSTFilterOperatorVz Op) {
        SkipBlanks();
        if (AtEnd() || S[P] != u'(') RaiseFilterTextError(GetViZevLanguageConsts()->LeftBracketExpectedVz(), S);
        ++P;
        TFilterTokenVz t;
        t.Found = true;
        t.Op = Op;
        return t;
    }
    TFilterTokenVz ReadNegated() {
        SkipBlanks();
        TFilterTokenVz t;
        if (AtEnd()) return t;
        if (S[P] == u'~') {
            ++P;
            t.Found = true;
            t.Op = foNotLike;
            return t;
        }
        int len = 0;
        switch (KeywordAt(P, len)) {
            case fkLikeVz:
                P += len;
                t.Found = true;
                t.Op = foNotLike;
                return t;
            case fkNullVz:
                P += len;
                t.Found = true;
                t.Op = foNotNull;
                return t;
            case fkInVz:
                P += len;
                return ReadIn(foNotIn);
            default:
                return t;
        }
    }
};

bool IsNullWordVz(const Variant& V) { return VarIsStr(V) && V.AsString().compare(u"Null", Qt::CaseInsensitive) == 0; }

Variant ConvertFilterOperandElement(const Variant& V, TSTOperandTypeVz Type) {
    if (VarIsNull(V)) return V;
    switch (Type) {
        case botNumber: {
            if (IsNullWordVz(V)) return Null();
            const String s = VarToStr(V);
            Extended x = 0;
            if (TryStrToFloat(s, x, TFormatSettings::Invariant())) return double(x);
            return double(StrToFloat(s));
        }
        case botDateTime: {
            if (IsNullWordVz(V)) return Null();
            const String s = VarToStr(V);
            if (s.compare(u"NOW", Qt::CaseInsensitive) == 0) return s;
            return VarFromDateTime(StrToDateTime(s));
        }
        default:
            return V;
    }
}

Variant ConvertFilterOperand(TSTFilterOperatorVz Op, const Variant& V, TSTOperandTypeVz Type) {
    if (Op < foEqual || Op > foNotIn) return Null();
    if (!VarIsArray(V)) return ConvertFilterOperandElement(V, Type);
    std::vector<Variant> e = FilterArrayElementsVz(V);
    for (Variant& x : e) x = ConvertFilterOperandElement(x, Type);
    return FilterArrayOfVz(e);
}

String WrapPatternVz(const String& Text, TSTFilterDefaultOperatorVz D) {
    String s = Text;
    const bool appendPct = D == fdoBeginsWith || D == fdoDoesntBeginWith || D == fdoContains || D == fdoDoesntContain;
    const bool prependPct = D == fdoEndsWith || D == fdoDoesntEndWith || D == fdoContains || D == fdoDoesntContain;
    const bool startsWithPct = s.startsWith(u'%');
    if (appendPct && !startsWithPct) s += u'%';
    if (prependPct && !s.startsWith(u'%')) s.prepend(u'%');
    return s;
}

TSTFilterOperatorVz DefaultOperatorToFilterOperator(TSTFilterDefaultOperatorVz D) {
    switch (D) {
        case fdoEqual: return foEqual;
        case fdoNotEqual: return foNotEqual;
        case fdoGreaterThan: return foGreaterThan;
        case fdoLessThan: return foLessThan;
        case fdoGreaterOrEqual: return foGreaterOrEqual;
        case fdoLessOrEqual: return foLessOrEqual;
        case fdoLike: case fdoBeginsWith: case fdoEndsWith: case fdoContains: return foLike;
        case fdoNotLike: case fdoDoesntBeginWith: case fdoDoesntEndWith: case fdoDoesntContain: return foNotLike;
        case fdoIn: return foIn;
        case fdoNotIn: return foNotIn;
        default: return foEqual;
    }
}

TSTFilterOperatorVz AutoOperatorForValue(const Variant& V, TSTOperandTypeVz Type) {
    if (VarIsArray(V)) return foIn;
    return Type == botString ? foLike : foEqual;
}

}  // namespace

void ParseColumnFilterText(const String& Text, TSTFilterExpressionVz& Expression,
                           TSTFilterDefaultOperatorVz DefaultOperator) {
    TSTFilterExpressionVz E;
    E.ExpressionType = Expression.ExpressionType;
    const String text = Trim(Text);
    if (text.isEmpty()) {
        Expression = E;
        return;
    }
    auto fallBack = [&] {
        ClearFilterExpression(E);
        E.Operator1 = foLike;
        E.Operand1 = text;
        Expression = E;
    };
    const auto* texts = GetViZevLanguageConsts();
    TFilterTextReaderVz r(text);

    TFilterTokenVz t = r.ReadToken(false);
    if (t.Found && t.Op == foValue) {
        if (DefaultOperator == fdoAuto) {
            E.Operator1 = AutoOperatorForValue(t.Value, E.ExpressionType);
            E.Operand1 = t.Value;
        } else {
            E.Operator1 = DefaultOperatorToFilterOperator(DefaultOperator);
            E.Operand1 = DefaultOperator >= fdoBeginsWith ? Variant(WrapPatternVz(VarToStr(t.Value), DefaultOperator))
                                                          : t.Value;
        }
    } else {
        if (!t.Found) RaiseFilterTextError(texts->ErrorInExpressionVz(), text);
        E.Operator1 = t.Op;
        const bool inList = t.Op == foIn || t.Op == foNotIn;
        const TFilterTokenVz v = r.ReadToken(inList);
        if (v.Found && v.NullKeyword) {
            if (E.Operator1 == foEqual) E.Operator1 = foNull;
            else if (E.Operator1 == foNotEqual) E.Operator1 = foNotNull;
            else return fallBack();
        } else if (v.Found && (v.Op == foValue || v.Op == foIn)) {
            E.Operand1 = v.Value;
        } else {
            RaiseFilterTextError(texts->UnexpectedExpressionAfterOperatorVz(), text);
        }
        if (inList) {
            r.SkipBlanks();
            if (r.AtEnd() || r.S[r.P] != u')') return fallBack();
            ++r.P;
        }
    }

    // A relation and a second operation.
    r.SkipBlanks();
    const int beforeRelation = r.P;
    const TFilterTokenVz rel = r.ReadToken(false);
    if (!rel.Found) {
        if (beforeRelation < r.N) return fallBack();
    } else {
        if (rel.Op != foAND && rel.Op != foOR) RaiseFilterTextError(texts->UnexpectedANDorORVz(), text);
        E.Relation = rel.Op;
        r.SkipBlanks();
        const int beforeSecond = r.P;
        const TFilterTokenVz t2 = r.ReadToken(false);
        if (!t2.Found) {
            if (beforeSecond < r.N) RaiseFilterTextError(texts->IncorrectExpressionVz(), text);
        } else if (t2.Op == foValue) {
            E.Operator2 = AutoOperatorForValue(t2.Value, E.ExpressionType);
            E.Operand2 = t2.Value;
        } else {
            E.Operator2 = t2.Op;
            const TFilterTokenVz v2 = r.ReadToken(t2.Op == foIn || t2.Op == foNotIn);
            if (v2.Found && v2.NullKeyword) {
                if (E.Operator2 == foEqual) E.Operator2 = foNull;
                else if (E.Operator2 == foNotEqual) E.Operator2 = foNotNull;
                else RaiseFilterTextError(texts->UnexpectedExpressionBeforeNullVz(), text);
            } else if (v2.Found && (v2.Op == foValue || v2.Op == foIn)) {
                E.Operand2 = v2.Value;
            } else {
                RaiseFilterTextError(texts->UnexpectedExpressionAfterOperatorVz(), text);
            }
        }
        if (E.Operator2 == foNon) RaiseFilterTextError(texts->ErrorInExpressionVz(), text);
    }

    E.Operand1 = ConvertFilterOperand(E.Operator1, E.Operand1, E.ExpressionType);
    E.Operand2 = ConvertFilterOperand(E.Operator2, E.Operand2, E.ExpressionType);
    Expression = E;
}

// ---- text form -------------------------------------------------------------------------------

String FilterOperandText(const Variant& Value) {
    const TVarType t = VarType(Value);
    if (t == varDate) return DateTimeToStr(VarToDateTime(Value));
    if (VarIsFloat(Value) || (VarIsOrdinal(Value) && t != varBoolean))
        return FloatToStr(Value.AsExtended(), TFormatSettings::Invariant());
    return QuotedStr(VarToStr(Value));
}

namespace {

String FilterOperationAsTextVz(TSTFilterOperatorVz Op, const Variant& Operand) {
    if (Op == foNull) return QStringLiteral("=Null");
    if (Op == foNotNull) return QStringLiteral("<>Null");
    if (Op == foIn || Op == foNotIn) {
        String s = String::fromUtf16(FilterOperatorSymbols[Op]) + QStringLiteral(" (");
        const std::vector<Variant> e = FilterArrayElementsVz(Operand);
        for (size_t i = 0; i < e.size(); ++i) {
            if (i) s += u',';
            s += VarIsNull(e[i]) ? QStringLiteral("Null") : FilterOperandText(e[i]);
        }
        return s + u')';
    }
    return String::fromUtf16(FilterOperatorSymbols[Op]) + u' ' + FilterOperandText(Operand);
}

}  // namespace

String FilterExpressionAsText(const TSTFilterExpressionVz& Expression) {
    if (Expression.ExpressionType == botNon || Expression.Operator1 == foNon) return String();
    String s = FilterOperationAsTextVz(Expression.Operator1, Expression.Operand1);
    if (Expression.Relation != foNon)
        s += u' ' + String::fromUtf16(FilterOperatorSymbols[Expression.Relation]) + u' ' +
             FilterOperationAsTextVz(Expression.Operator2, Expression.Operand2);
    return s;
}

// ---- dataset filter strings ------------------------------------------------------------------

String FilterOperandLiteral(const Variant& Value, TDataSet* DataSet, const DateValueToTextProc& DateValueToText) {
    const TVarType t = VarType(Value);
    if (t == varDate) {
        if (DateValueToText) return DateValueToText(DataSet, Value);
        return QuotedStr(DateTimeToStr(VarToDateTime(Value)));
    }
    if (VarIsFloat(Value) || (VarIsOrdinal(Value) && t != varBoolean))
        return FloatToStr(Value.AsExtended(), TFormatSettings::Invariant());
    return QuotedStr(VarToStr(Value));
}

namespace {

String FilterFieldRefVz(const String& FieldName) { return FilterFieldNameOpen + FieldName + FilterFieldNameClose; }

bool IsNullOperatorVz(TSTFilterOperatorVz Op) {
    return Op == foNull || Op == foNotNull || Op == foEqualToNull || Op == foNotEqualToNull;
}

}  // namespace

String BuildMultiFieldFilterText(TSTFilterOperatorVz Operator, const Variant& Operand, const String& FieldNames,
                                 TDataSet* DataSet, const DateValueToTextProc& DateValueToText) {
    const std::vector<String> names = ExtractFieldNames(FieldNames);
    const std::vector<Variant> values = FilterArrayElementsVz(Operand);
    String s = QStringLiteral("( ");
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) s += QStringLiteral(" AND ");
        s += u' ' + FilterFieldRefVz(names[i]) + u' ' + String::fromUtf16(FilterOperatorSQLTexts[Operator]);
        if (!IsNullOperatorVz(Operator))
            s += u' ' + FilterOperandLiteral(i < values.size() ? values[i] : Null(), DataSet, DateValueToText);
    }
    return s + QStringLiteral(" )");
}

String BuildFilterOperationText(TSTFilterOperatorVz Operator, const Variant& Operand, const String& FieldName,
                                TDataSet* DataSet, const DateValueToTextProc& DateValueToText, bool SupportsLike,
                                bool NullAsEqualsNull, bool UseInSyntax) {
    if (NullAsEqualsNull) {
        if (Operator == foNull) Operator = foEqualToNull;
        else if (Operator == foNotNull) Operator = foNotEqualToNull;
    }
    const String F = FilterFieldRefVz(FieldName);
    const bool multi = FieldName.contains(u';');
    if (Operator == foIn || Operator == foNotIn) {
        const bool isArray = VarIsArray(Operand);
        const std::vector<Variant> elements = FilterArrayElementsVz(Operand);
        if (!multi) {
            bool allNull = true;
            for (const Variant& e : elements) allNull = allNull && VarIsNullish(e);
            // A list of nothing but Nulls is the plain Null test (an empty IN list reads nowhere).
            if (allNull)
                return BuildFilterOperationText(Operator == foIn ? foNull : foNotNull, Null(), FieldName, DataSet,
                                                DateValueToText, SupportsLike, NullAsEqualsNull, UseInSyntax);
        }
        const bool inSyntax = UseInSyntax && isArray && !multi;
        String s = QStringLiteral(" (");
        if (inSyntax) s += F + (Operator == foIn ? QStringLiteral(" In(") : QStringLiteral(" Not In("));
        else if (Operator == foNotIn) s = QStringLiteral(" NOT") + s;
        bool skippedNull = false;
        for (const Variant& e : elements) {
            if (multi) {
                s += BuildMultiFieldFilterText(foEqual, e, FieldName, DataSet, DateValueToText) + QStringLiteral(" OR ");
            } else if (inSyntax) {
                if (VarIsNullish(e)) skippedNull = true;
                else s += FilterOperandLiteral(e, DataSet, DateValueToText) + QStringLiteral(" ,  ");
            } else if (VarIsNullish(e)) {
                s += F + QStringLiteral(" Is Null OR ");
            } else {
                s += F + QStringLiteral(" = ") + FilterOperandLiteral(e, DataSet, DateValueToText) + QStringLiteral(" OR ");
            }
        }
        s.chop(4);
        if (inSyntax) s += QStringLiteral(") ");
        // NOT IN with a Null in its list also leaves out the empty values.
        if (skippedNull)
            s += Operator == foIn ? QStringLiteral(" OR ") + F + QStringLiteral(" Is Null ")
                                  : QStringLiteral(" AND ") + F + QStringLiteral(" Is Not Null ");
        return s + u')';
    }
    if (Operator == foLike || Operator == foNotLike) {
        String s;
        if (SupportsLike)
            s = Operator == foLike ? u' ' + F + QStringLiteral(" Like ") : QStringLiteral(" Not ( ") + F + QStringLiteral(" Like ");
        else
            s = u' ' + F + (Operator == foLike ? QStringLiteral(" = ") : QStringLiteral(" <> "));
        s += FilterOperandLiteral(Operand, DataSet, DateValueToText);
        if (SupportsLike && Operator == foNotLike) s += u')';
        return s;
    }
    if (multi) return BuildMultiFieldFilterText(Operator, Operand, FieldName, DataSet, DateValueToText);
    String s = u' ' + F + u' ' + String::fromUtf16(FilterOperatorSQLTexts[Operator]);
    if (!IsNullOperatorVz(Operator)) s += u' ' + FilterOperandLiteral(Operand, DataSet, DateValueToText);
    return s;
}

String BuildGridFilterText(ISTFilterGridVz* Grid, const TBuildFilterOperationTextProc& Builder,
                           const DateValueToTextProc& DateValueToText, bool UseFieldOrigin, bool SupportsLike,
                           bool NullAsEqualsNull, bool UseInSyntax) {
    String text;
    if (!Grid) return text;
    TDataSet* ds = Grid->STFilterDataSet();
    if (!ds) return text;
    for (int i = 0; i < Grid->STFilterColumnCount(); ++i) {
        ISTFilterColumnVz* col = Grid->STFilterColumn(i);
        TSTColumnFilterVz* cf = col->STFilter();
        TField* field = col->STFilterField();
        TField* filterField = field;
        if (col->STFilterLookupActive()) {
            const std::vector<String> keys = ExtractFieldNames(col->STFilterLookupKeyFieldNames());
            filterField = keys.empty() ? nullptr : ds->FindField(keys.front());
        }
        if (!filterField) continue;
        String name;
        if (UseFieldOrigin && !filterField->Origin().isEmpty() && cf->DataField().isEmpty() && field)
            name = field->Origin();
        else
            name = cf->GetFilterFieldName();
        const TSTFilterExpressionVz& e = cf->Expression();
        if (e.ExpressionType == botNon || e.Operator1 == foNon) continue;
        String columnText = Builder(e.Operator1, cf->GetOperand1(), name, ds, DateValueToText, SupportsLike,
                                    NullAsEqualsNull, UseInSyntax);
        if (e.Relation != foNon) {
            columnText += u' ' + String::fromUtf16(FilterOperatorSQLTexts[e.Relation]) +
                          Builder(e.Operator2, cf->GetOperand2(), name, ds, DateValueToText, SupportsLike,
                                  NullAsEqualsNull, false);
            if (e.Relation == foOR) columnText = u'(' + columnText + u')';
        }
        if (!columnText.isEmpty()) text += columnText + QStringLiteral(" AND ");
    }
    if (!text.isEmpty()) text.chop(4);
    return text;
}
