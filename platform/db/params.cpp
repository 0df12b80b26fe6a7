#include "platform/db/params.h"

#include "platform/db/db.h"
#include "platform/rtl/sysutils.h"

namespace {
TFieldType TypeOfVariant(const Variant& v) {
    switch (VarType(v) & varTypeMask) {
        case varSmallint: return ftSmallint;
        case varShortInt: return ftShortint;
        case varByte: return ftByte;
        case varWord: return ftWord;
        case varInteger: return ftInteger;
        case varLongWord: return ftLongWord;
        case varInt64: case varUInt64: return ftLargeint;
        case varSingle: case varDouble: return ftFloat;
        case varCurrency: return ftBCD;
        case varFMTBcd: return ftFMTBcd;
        case varDate: return ftDateTime;
        case varSQLTimeStamp: return ftTimeStamp;
        case varSQLTimeStampOffset: return ftTimeStampOffset;
        case varBoolean: return ftBoolean;
        case varOleStr: case varString: case varUString: return ftWideString;
        default: break;
    }
    if (VarIsArray(v)) return ftBlob;
    return ftUnknown;
}
}  // namespace

// ---- TParam ------------------------------------------------------------------------------------

TParam::TParam(TCollection* ACollection) : TCollectionItem(ACollection) { FData = Null(); }

TParam::TParam(TParams* AParams, TParamType AParamType) : TCollectionItem(AParams), FParamType(AParamType) {
    FData = Null();
}

void TParam::SetDataType(TFieldType Value) {
    if (FDataType == Value) return;
    FDataType = Value;
    if (!IsNull()) {
        TVarType vt = FieldTypeVarMap(Value);
        if (vt != varVariant && !(vt & varArray)) {
            try {
                FData = VarAsType(FData, vt);
            } catch (const Exception&) {
                FData = Null();
            }
        }
    }
}

void TParam::SetBound(bool Value) {
    FBound = Value;
    if (!Value) FData = Null();
}

void TParam::SetValue(const Variant& Value) {
    if (FDataType == ftUnknown) FDataType = TypeOfVariant(Value);
    FData = VarIsEmpty(Value) ? Null() : Value;
    FBound = true;
}

void TParam::Clear() { FData = Null(); }

String TParam::AsString() const { return IsNull() ? String() : VarToStr(FData); }
void TParam::SetAsString(const String& Value) { FDataType = ftString; FData = Value; FBound = true; }
void TParam::SetAsWideString(const String& Value) { FDataType = ftWideString; FData = Value; FBound = true; }
Integer TParam::AsInteger() const { return IsNull() ? 0 : FData.AsInteger(); }
void TParam::SetAsInteger(Integer Value) { FDataType = ftInteger; FData = Value; FBound = true; }
void TParam::SetAsSmallInt(Integer Value) { FDataType = ftSmallint; FData = static_cast<short>(Value); FBound = true; }
void TParam::SetAsWord(Integer Value) { FDataType = ftWord; FData = static_cast<unsigned short>(Value); FBound = true; }
Int64 TParam::AsLargeInt() const { return IsNull() ? 0 : FData.AsInt64(); }
void TParam::SetAsLargeInt(Int64 Value) { FDataType = ftLargeint; FData = static_cast<long long>(Value); FBound = true; }
double TParam::AsFloat() const { return IsNull() ? 0 : FData.AsDouble(); }
void TParam::SetAsFloat(double Value) { FDataType = ftFloat; FData = Value; FBound = true; }
::Currency TParam::AsCurrency() const { return IsNull() ? ::Currency() : FData.AsCurrency(); }
void TParam::SetAsCurrency(::Currency Value) { FDataType = ftCurrency; FData = Value; FBound = true; }
void TParam::SetAsBCD(::Currency Value) { FDataType = ftBCD; FData = Value; FBound = true; }
TBcd TParam::AsFMTBCD() const { return IsNull() ? TBcd() : FData.AsBcd(); }
void TParam::SetAsFMTBCD(const TBcd& Value) { FDataType = ftFMTBcd; FData = VarFMTBcdCreate(Value); FBound = true; }
bool TParam::AsBoolean() const { return IsNull() ? false : FData.AsBoolean(); }
void TParam::SetAsBoolean(bool Value) { FDataType = ftBoolean; FData = Value; FBound = true; }
TDateTime TParam::AsDateTime() const { return IsNull() ? 0 : FData.AsDateTime(); }
void TParam::SetAsDateTime(TDateTime Value) { FDataType = ftDateTime; FData = VarFromDateTime(Value); FBound = true; }
void TParam::SetAsDate(TDateTime Value) { FDataType = ftDate; FData = VarFromDateTime(Value); FBound = true; }
void TParam::SetAsTime(TDateTime Value) { FDataType = ftTime; FData = VarFromDateTime(Value); FBound = true; }
TSQLTimeStamp TParam::AsSQLTimeStamp() const { return IsNull() ? TSQLTimeStamp() : VarToSQLTimeStamp(FData); }
void TParam::SetAsSQLTimeStamp(const TSQLTimeStamp& Value) {
    FDataType = ftTimeStamp;
    FData = VarSQLTimeStampCreate(Value);
    FBound = true;
}
TBytes TParam::AsBytes() const {
    if (IsNull()) return {};
    QByteArray a = VarIsArray(FData) ? VarByteArrayToBytes(FData) : VarToStr(FData).toUtf8();
    return TBytes(a.begin(), a.end());
}
void TParam::SetAsBytes(const TBytes& Value) {
    FDataType = ftVarBytes;
    FData = VarByteArrayOf(QByteArray(reinterpret_cast<const char*>(Value.data()), static_cast<qsizetype>(Value.size())));
    FBound = true;
}
void TParam::SetAsMemo(const String& Value) { FDataType = ftMemo; FData = Value; FBound = true; }
void TParam::SetAsBlob(const TBytes& Value) {
    SetAsBytes(Value);
    FDataType = ftBlob;
}

void TParam::AssignField(TField* Field) {
    if (!Field) return;
    FName = Field->FieldName();
    AssignFieldValue(Field, Field->AsVariant());
}

void TParam::AssignFieldValue(TField* Field, const Variant& Value) {
    if (!Field) return;
    TFieldType t = Field->DataType();
    if (t == ftAutoInc) t = ftInteger;
    FDataType = t;
    FSize = Field->Size();
    FData = VarIsEmpty(Value) ? Null() : Value;
    FBound = true;
}

void TParam::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TParam*>(Source)) {
        FName = p->FName;
        FDataType = p->FDataType;
        FParamType = p->FParamType;
        FBound = p->FBound;
        FSize = p->FSize;
        FPrecision = p->FPrecision;
        FNumericScale = p->FNumericScale;
        FData = p->FData;
        return;
    }
    if (auto* f = dynamic_cast<TField*>(Source)) {
        AssignField(f);
        return;
    }
    inherited::Assign(Source);
}

// ---- TParams -----------------------------------------------------------------------------------

TParams::TParams(TPersistent* AOwner) : TOwnedCollection(AOwner, TParam::StaticClass()) {}

TParam* TParams::CreateParam(TFieldType FldType, const String& ParamName, TParamType ParamType) {
    TParam* p = AddParam();
    p->SetName(ParamName);
    p->SetDataType(FldType);
    p->SetParamType(ParamType);
    return p;
}

TParam* TParams::FindParam(const String& Value) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), Value)) return Items(i);
    return nullptr;
}

TParam* TParams::ParamByName(const String& Value) const {
    TParam* p = FindParam(Value);
    if (!p) {
        auto* owner = dynamic_cast<TComponent*>(const_cast<TParams*>(this)->GetOwner());
        DatabaseErrorFmt(QString::fromLatin1(DbConsts::SParameterNotFound), {Value}, owner);
    }
    return p;
}

void TParams::AssignValues(TParams* Value) {
    for (int i = 0; i < Value->Count(); ++i) {
        TParam* src = Value->Items(i);
        if (TParam* p = FindParam(src->Name())) p->Assign(src);
    }
}

void TParams::GetParamList(std::vector<TParam*>& List, const String& ParamNames) const {
    for (const String& n : ExtractFieldNames(ParamNames)) List.push_back(ParamByName(n));
}

Variant TParams::ParamValues(const String& ParamName) const {
    std::vector<TParam*> list;
    GetParamList(list, ParamName);
    if (list.size() == 1) return list[0]->Value();
    Variant r = VarArrayCreate({0, static_cast<int>(list.size()) - 1}, varVariant);
    for (size_t i = 0; i < list.size(); ++i) r.PutElement(static_cast<int>(i), list[i]->Value());
    return r;
}

void TParams::SetParamValues(const String& ParamName, const Variant& Value) {
    std::vector<TParam*> list;
    GetParamList(list, ParamName);
    if (list.size() == 1 && !VarIsArray(Value)) {
        list[0]->SetValue(Value);
        return;
    }
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->SetValue(Value.GetElement(VarArrayLowBound(Value, 1) + static_cast<int>(i)));
}

namespace {
// Values that cannot be compared (a text that is no number against a number, an array against a
// scalar) are simply not the same.
bool SameParamValue(const Variant& A, const Variant& B) {
    try {
        return VarSameValue(A, B);
    } catch (const EVariantError&) {
        return false;
    }
}
}  // namespace

bool TParams::IsEqual(TParams* Value) const {
    if (Count() != Value->Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        TParam* a = Items(i);
        TParam* b = Value->Items(i);
        if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->ParamType() != b->ParamType() ||
            a->Bound() != b->Bound() || !SameParamValue(a->Value(), b->Value()))
            return false;
    }
    return true;
}

std::vector<TSQLParamRef> ScanSQLParams(const String& SQL) {
    std::vector<TSQLParamRef> r;
    const int n = static_cast<int>(SQL.size());
    auto nameChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    int i = 0;
    while (i < n) {
        QChar c = SQL[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            // Quoted text or identifier: skip to the closing quote (doubled quotes stay inside).
            QChar q = c;
            ++i;
            while (i < n) {
                if (SQL[i] == q) {
                    if (i + 1 < n && SQL[i + 1] == q) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && SQL[i + 1] == QLatin1Char('-')) {
            while (i < n && SQL[i] != QLatin1Char('\n')) ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && SQL[i + 1] == QLatin1Char('*')) {
            int end = SQL.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (c == QLatin1Char(':')) {
            if (i + 1 < n && SQL[i + 1] == QLatin1Char(':')) {
                // "::type" cast (or a literal "::"): not a parameter.
                i += 2;
                while (i < n && nameChar(SQL[i])) ++i;
                continue;
            }
            int start = i;
            ++i;
            String name;
            if (i < n && SQL[i] == QLatin1Char('"')) {
                int end = SQL.indexOf(QLatin1Char('"'), i + 1);
                if (end < 0) end = n;
                name = SQL.mid(i + 1, end - i - 1);
                i = end < n ? end + 1 : n;
            } else {
                int s = i;
                while (i < n && nameChar(SQL[i])) ++i;
                name = SQL.mid(s, i - s);
            }
            if (!name.isEmpty()) r.push_back({name, start + 1, i - start});
            continue;
        }
        ++i;
    }
    return r;
}

String TParams::ParseSQL(const String& SQL, bool DoCreate, std::vector<String>* Names) {
    std::vector<TSQLParamRef> refs = ScanSQLParams(SQL);
    String out;
    int pos = 0;
    for (const TSQLParamRef& ref : refs) {
        out += SQL.mid(pos, ref.Start - 1 - pos);
        out += QLatin1Char('?');
        pos = ref.Start - 1 + ref.Length;
        if (Names) Names->push_back(ref.Name);
        if (DoCreate && !FindParam(ref.Name)) {
            TParam* p = AddParam();
            p->SetName(ref.Name);
            p->SetParamType(ptInput);
        }
    }
    out += SQL.mid(pos);
    return out;
}
