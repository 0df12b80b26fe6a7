#include "grid/core/valueutilsvz.h"

#include "grid/core/coretoolsvz.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <cmath>

TTextPosFuncVz TextPosFuncVz = nullptr;

const String& WholeWordDelimitersVz() {
    static const String delimiters = String::fromUtf16(
        u" .;,:(){}\"'/\\<>!?[]-+*=\t\u2018\u2019\u201C\u201D\u00A0\u201E");
    return delimiters;
}

// ---- Variants ----------------------------------------------------------------------------------------

namespace {

bool SameArrayShapeVz(const Variant& V1, const Variant& V2) {
    return VarArrayDimCount(V1) == VarArrayDimCount(V2) && VarArrayLowBound(V1, 1) == VarArrayLowBound(V2, 1) &&
           VarArrayHighBound(V1, 1) == VarArrayHighBound(V2, 1);
}

TVariantRelationship CompareScalarVz(const Variant& V1, const Variant& V2) {
    const bool n1 = VarIsNull(V1), n2 = VarIsNull(V2);
    if (n1 && n2) return vrEqual;
    if (n1) return vrLessThan;
    if (n2) return vrGreaterThan;
    try {
        return VarCompareValue(V1, V2);
    } catch (const EVariantTypeCastError&) {
        return vrNotEqual;  // text that is not a number against a number: not comparable
    }
}

}  // namespace

bool VarEqualsVz(const Variant& V1, const Variant& V2) {
    const bool a1 = VarIsArray(V1), a2 = VarIsArray(V2);
    if (a1 != a2) return false;
    try {
        if (a1 && SameArrayShapeVz(V1, V2)) {
            const int lo = VarArrayLowBound(V1, 1), hi = VarArrayHighBound(V1, 1);
            if (hi < lo) return false;
            for (int i = lo; i <= hi; ++i)
                if (!(V1.GetElement(i) == V2.GetElement(i))) return false;
            return true;
        }
        if (VarIsEmpty(V1) != VarIsEmpty(V2)) return false;
        return V1 == V2;
    } catch (...) {
        return false;
    }
}

TVariantRelationship CompareVarValuesVz(const Variant& V1, const Variant& V2) {
    const bool a1 = VarIsArray(V1), a2 = VarIsArray(V2);
    if (a1 != a2) return vrNotEqual;
    if (a1 && SameArrayShapeVz(V1, V2)) {
        const int lo = VarArrayLowBound(V1, 1), hi = VarArrayHighBound(V1, 1);
        if (hi < lo) return vrNotEqual;
        for (int i = lo; i <= hi; ++i) {
            const TVariantRelationship r = CompareScalarVz(V1.GetElement(i), V2.GetElement(i));
            if (r != vrEqual) return r;
        }
        return vrEqual;
    }
    return CompareScalarVz(V1, V2);
}

String VarToDisplayStrVz(const Variant& V) {
    if (VarType(V) == varDate) return DateTimeToStr(V.AsDateTime());
    return VarToStr(V);
}

String VarArrayToStrVz(const Variant& V) {
    if (!VarIsArray(V)) return VarToStr(V);
    String s = u"["_S;
    const int lo = VarArrayLowBound(V, 1), hi = VarArrayHighBound(V, 1);
    for (int i = lo; i <= hi; ++i) {
        if (i > lo) s += u", "_S;
        s += VarArrayToStrVz(V.GetElement(i));
    }
    return s + u"]"_S;
}

String FormatFieldValueVz(const Variant& Value, TField* Field, const String& Format) {
    if (VarIsEmpty(Value) || VarIsNull(Value)) return String();
    switch (Field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        if (!Format.isEmpty()) return FormatFloat(Format, Value.AsExtended());
        auto* nf = dynamic_cast<TNumericField*>(Field);
        if (nf && !nf->DisplayFormat().isEmpty()) return FormatFloat(nf->DisplayFormat(), Value.AsExtended());
        return IntToStr(Value.AsInt64());
    }
    case ftFloat:
    case ftCurrency: {
        if (!Format.isEmpty()) return FormatFloat(Format, Value.AsExtended());
        auto* ff = dynamic_cast<TFloatField*>(Field);
        if (ff && !ff->DisplayFormat().isEmpty()) return FormatFloat(ff->DisplayFormat(), Value.AsExtended());
        const bool cur = ff && ff->Currency();
        const int precision = ff ? ff->Precision() : 15;
        return cur ? FloatToStrF(Value.AsExtended(), ffCurrency, precision, FormatSettings.CurrencyDecimals)
                   : FloatToStrF(Value.AsExtended(), ffGeneral, precision, 0);
    }
    case ftBCD:
    case ftFMTBcd: {
        if (!Format.isEmpty()) return FormatFloat(Format, Value.AsExtended());
        auto* nf = dynamic_cast<TNumericField*>(Field);
        const Currency c = Value.AsCurrency();
        if (nf && !nf->DisplayFormat().isEmpty()) return FormatCurr(nf->DisplayFormat(), c);
        bool cur = false;
        if (auto* bf = dynamic_cast<TBCDField*>(Field)) cur = bf->Currency();
        else if (auto* fb = dynamic_cast<TFMTBCDField*>(Field)) cur = fb->Currency();
        return cur ? CurrToStrF(c, ffCurrency, FormatSettings.CurrencyDecimals) : CurrToStrF(c, ffGeneral, 0);
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        String fmt = Format;
        if (fmt.isEmpty()) {
            if (Field->DataType() == ftDate) fmt = FormatSettings.ShortDateFormat;
            else if (Field->DataType() == ftTime) fmt = FormatSettings.LongTimeFormat;
        }
        String s;
        DateTimeToString(s, fmt, Value.AsDateTime());
        return s;
    }
    default: return VarToStr(Value);
    }
}

namespace {

// The culture-independent settings: dot, ISO dates, 24-hour times. A copy of its own, so the
// process-wide settings are never touched (another caller may read them meanwhile).
const TFormatSettings& InvariantSettingsVz() {
    static const TFormatSettings fs = [] {
        TFormatSettings f;
        f.DecimalSeparator = u'.';
        f.ThousandSeparator = u',';
        f.DateSeparator = u'-';
        f.ShortDateFormat = u"YYYY/MM/DD"_S;
        f.TimeSeparator = u':';
        f.ShortTimeFormat = u"HH:NN:SS"_S;
        f.LongTimeFormat = u"HH:NN:SS"_S;
        return f;
    }();
    return fs;
}

}  // namespace

String VarToInvariantStrVz(const Variant& V) {
    const TFormatSettings& fs = InvariantSettingsVz();
    switch (VarType(V)) {
    case varCurrency: return CurrToStr(V.AsCurrency(), fs);
    case varDate: return DateTimeToStr(V.AsDateTime(), fs);
    case varSingle:
    case varDouble: return FloatToStr(V.AsDouble(), fs);
    default: return VarToStr(V);
    }
}

Variant InvariantStrToVarVz(const String& S, TVarType VarType) {
    const TFormatSettings& fs = InvariantSettingsVz();
    switch (VarType) {
    case varSingle: return Variant(static_cast<float>(StrToFloat(S, fs)));
    case varDouble: return Variant(static_cast<double>(StrToFloat(S, fs)));
    case varCurrency: return Variant(StrToCurr(S, fs));
    case varDate: return VarFromDateTime(StrToDateTime(S, fs));
    default: return VarAsType(Variant(S), VarType);
    }
}

String FloatToStrDotVz(Extended Value) { return FloatToStr(Value, InvariantSettingsVz()); }


bool VarIsNumericVz(const Variant& V) {
    const TVarType t = VarType(V) & varTypeMask;
    return (t >= varSmallint && t <= varDate) || (t >= varShortInt && t <= varInt64) || t == varFMTBcd;
}

// ---- dates ------------------------------------------------------------------------------------------

TDateTime ClearMillisecondsVz(TDateTime Value) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(Value, y, m, d, h, n, s, ms);
    return EncodeDateTime(y, m, d, h, n, s, 0);
}

void ReplaceTimePartVz(TDateTime& DateTime, TDateTime Source) {
    const double day = std::trunc(DateTime);
    const double time = std::fabs(Source - std::trunc(Source));
    DateTime = day < 0 ? day - time : day + time;
}

TCalendarDateTimeUnitsVz GetDateTimeFormatElementsVz(const String& Format) {
    TCalendarDateTimeUnitsVz result;
    const String f = Format.toUpper();
    const int n = static_cast<int>(f.size());
    Char quote;
    bool quoted = false;
    for (int i = 0; i < n; ++i) {
        const Char c = f[i];
        if (quoted) {
            if (c == quote) quoted = false;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            quoted = true;
            continue;
        }
        if (c == u'A') {
            for (const char16_t* tag : {u"AM/PM", u"A/P", u"AMPM"}) {
                const String t = String::fromUtf16(tag);
                if (f.mid(i, t.size()) == t) {
                    result.Include(cdtuAmPmVz);
                    i += static_cast<int>(t.size()) - 1;
                    break;
                }
            }
            continue;
        }
        switch (c.unicode()) {
        case u'Y': result.Include(cdtuYearVz); break;
        case u'M': result.Include(cdtuMonthVz); break;
        case u'D': result.Include(cdtuDayVz); break;
        case u'H': result.Include(cdtuHourVz); break;
        case u'N': result.Include(cdtuMinuteVz); break;
        case u'S': result.Include(cdtuSecondVz); break;
        default: break;
        }
    }
    return result;
}

void GetLocaleTimeFormatVz(bool& Is24Hour, bool& IsAmPmFirst) {
    // The clock of the short time format (the Russian one has 24 hours and no designator).
    const String f = FormatSettings.ShortTimeFormat.toUpper();
    const int ampm = std::max(f.indexOf(u"AM/PM"_S), std::max(f.indexOf(u"A/P"_S), f.indexOf(u"AMPM"_S)));
    Is24Hour = ampm < 0;
    IsAmPmFirst = ampm >= 0 && ampm < f.indexOf(u'H');
}

// ---- texts ------------------------------------------------------------------------------------------

Integer FindTextPosVz(const String& SubText, const String& Text, bool CaseInsensitive, Integer StartPos,
                      bool WholeWord) {
    if (SubText.isEmpty()) return 0;
    const String sub = CaseInsensitive ? AnsiUpperCaseVz(SubText) : SubText;
    const String text = CaseInsensitive ? AnsiUpperCaseVz(Text) : Text;
    if (!WholeWord) return PosEx(sub, text, StartPos);
    const String& delims = WholeWordDelimitersVz();
    const Integer len = static_cast<Integer>(sub.size()), n = static_cast<Integer>(text.size());
    Integer offset = StartPos;
    for (;;) {
        const Integer p = PosEx(sub, text, offset);
        if (p == 0) return 0;
        const bool beforeOk = p == 1 || delims.contains(text[p - 2]);
        const bool afterOk = p + len - 1 >= n || delims.contains(text[p + len - 1]);
        if (beforeOk && afterOk) return p;
        if (p + len - 1 >= n) return 0;
        // The next try starts one character behind the rejected hit, so overlapping hits are seen.
        offset = p + 1;
    }
}

bool FindAllTextPosVz(const String& Text, const String& SubText, std::vector<int>& Positions, bool CaseInsensitive,
                      bool WholeWord, bool FromBeginning) {
    Positions.clear();
    String text = Text, sub = SubText;
    if (CaseInsensitive) {
        text = AnsiUpperCaseVz(text);
        sub = AnsiUpperCaseVz(sub);
    }
    auto find = [&](Integer Start) {
        if (CaseInsensitive && TextPosFuncVz) return TextPosFuncVz(sub, text, false, Start, WholeWord);
        return FindTextPosVz(sub, text, false, Start, WholeWord);
    };
    Integer start = 1;
    for (;;) {
        const Integer h = find(start);
        if (h == 0) break;
        Positions.push_back(h - 1);
        if (FromBeginning) return h == 1;
        start = h + 1;
    }
    return !Positions.empty();
}

int LocateInStringsVz(TStrings* Strings, const String& Text, TLocateOptions Options) {
    const bool partial = Options.Contains(loPartialKey);
    const bool noCase = Options.Contains(loCaseInsensitive);
    const int len = static_cast<int>(Text.size());
    for (int i = 0; i < Strings->Count(); ++i) {
        String item = Strings->Strings(i);
        if (partial) {
            if (item.size() < len) continue;
            item = item.left(len);
        } else if (item.size() != len) {
            continue;
        }
        if ((noCase ? AnsiCompareText(item, Text) : CompareStr(item, Text)) == 0) return i;
    }
    return -1;
}

// ---- Variant arrays -------------------------------------------------------------------------------

void ArrayInsertRange(TVariantArrayVz& Extents, int StartIndex, int Amount) {
    if (Amount < 0) throw Exception(u"ArrayInsertRange: (Amount < 0)"_S);
    const int n = static_cast<int>(Extents.size());
    if (StartIndex > n) throw Exception(u"ArrayInsertRange: StartIndex > Length(Extents)"_S);
    if (StartIndex < 0) throw Exception(u"ArrayInsertRange: StartIndex < 0"_S);
    Extents.resize(static_cast<std::size_t>(n + Amount));
    if (StartIndex == n) return;
    for (int i = n - 1; i >= StartIndex; --i)
        Extents[static_cast<std::size_t>(i + Amount)] = Extents[static_cast<std::size_t>(i)];
}

void ArrayDeleteRange(TVariantArrayVz& Extents, int StartIndex, int Amount) {
    if (Amount < 0) throw Exception(u"ArrayDeleteRange: (Amount < 0)"_S);
    const int n = static_cast<int>(Extents.size());
    if (StartIndex + Amount > n) throw Exception(u"ArrayDeleteRange: StartIndex + Amount > Length(Extents)"_S);
    if (StartIndex < 0) throw Exception(u"ArrayDeleteRange: StartIndex < 0"_S);
    for (int i = StartIndex; i + Amount < n; ++i)
        Extents[static_cast<std::size_t>(i)] = Extents[static_cast<std::size_t>(i + Amount)];
    Extents.resize(static_cast<std::size_t>(n - Amount));
}

// ---- data-set fields ------------------------------------------------------------------------------

void GetFieldsListByNamesVz(TFieldListVz* List, TDataSet* DataSet, TComponent* Component, const String& Names) {
    for (const String& name : ExtractFieldNames(Names)) {
        TField* f = DataSet->FindField(name);
        if (!f) DatabaseErrorFmt(String::fromLatin1(DbConsts::SFieldNotFound), {name}, Component);
        if (List) List->Add(f);
    }
}

TFieldsArrVz GetFieldsArrayByNamesVz(TDataSet* DataSet, TComponent* Component, const String& Names) {
    TFieldsArrVz result;
    for (const String& name : ExtractFieldNames(Names)) {
        TField* f = DataSet->FindField(name);
        if (!f) DatabaseErrorFmt(String::fromLatin1(DbConsts::SFieldNotFound), {name}, Component);
        result.push_back(f);
    }
    return result;
}

void SetDataSetFieldValuesVz(TDataSet* DataSet, const String& Names, const Variant& Value) {
    if (VarEqualsVz(Value, Null())) {
        std::vector<TField*> fields;
        DataSet->GetFieldList(fields, Names);
        for (TField* f : fields) f->Clear();
    } else {
        DataSet->SetFieldValues(Names, Value);
    }
}

Variant GetFieldsValuesVz(const TFieldsArrVz& Fields) {
    if (Fields.empty()) throw Exception(u"GetFieldsValuesVz: no fields"_S);
    if (Fields.size() == 1) return Fields[0]->AsVariant();
    Variant a = VarArrayCreate({0, static_cast<int>(Fields.size()) - 1}, varVariant);
    for (std::size_t i = 0; i < Fields.size(); ++i) a.PutElement(static_cast<int>(i), Fields[i]->AsVariant());
    return a;
}

bool FieldListCanModifyVz(TFieldListVz* Fields) {
    for (int i = 0; i < Fields->Count(); ++i)
        if (!Fields->Items(i)->CanModify()) return false;
    return true;
}

bool FieldsArrayCanModifyVz(const TFieldsArrVz& Fields) {
    for (TField* f : Fields)
        if (!f->CanModify()) return false;
    return true;
}

bool IsNumericFieldTypeVz(TFieldType FieldType) {
    switch (FieldType) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
    case ftLongWord: case ftShortint: case ftByte: case ftExtended: case ftSingle: return true;
    default: return false;
    }
}

bool IsStringFieldTypeVz(TFieldType FieldType) {
    switch (FieldType) {
    case ftString: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftWideString: case ftOraClob:
    case ftVariant: case ftGuid: case ftFixedWideChar: case ftWideMemo: return true;
    default: return false;
    }
}
