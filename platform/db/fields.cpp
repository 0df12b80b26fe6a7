#include "platform/db/fields.h"

#include "platform/db/db.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace {
const char* const TypeNames[] = {
    "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
    "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
    "FmtMemo", "ParadoxOle", "dBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
    "Largeint", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
    "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd", "FixedWideChar", "WideMemo",
    "OraTimeStamp", "OraInterval", "LongWord", "Shortint", "Byte", "Extended", "Connection",
    "Params", "Stream", "TimeStampOffset", "Object", "Single"};

String S(const char* s) { return QString::fromLatin1(s); }

}  // namespace

String FieldTypeName(TFieldType Type) {
    if (Type < 0 || Type >= FieldTypeCount) return IntToStr(static_cast<int>(Type));
    return S(TypeNames[Type]);
}

TVarType FieldTypeVarMap(TFieldType Type) {
    switch (Type) {
        case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: case ftGuid:
        case ftMemo: case ftWideMemo: case ftFmtMemo: case ftOraClob:
            return varUString;
        case ftSmallint: return varSmallint;
        case ftInteger: case ftAutoInc: return varInteger;
        case ftWord: return varWord;
        case ftLongWord: return varLongWord;
        case ftShortint: return varShortInt;
        case ftByte: return varByte;
        case ftLargeint: return varInt64;
        case ftBoolean: return varBoolean;
        case ftFloat: case ftCurrency: case ftExtended: case ftSingle: return varDouble;
        case ftBCD: return varCurrency;
        case ftFMTBcd: return varFMTBcd;
        case ftDate: case ftTime: case ftDateTime: return varDate;
        case ftTimeStamp: return varSQLTimeStamp;
        case ftTimeStampOffset: return varSQLTimeStampOffset;
        case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftTypedBinary:
        case ftParadoxOle: case ftDBaseOle: case ftOraBlob:
            return varArray | varByte;
        default:
            return varVariant;
    }
}

bool IsStringFieldType(TFieldType Type) {
    switch (Type) {
        case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: case ftMemo:
        case ftFmtMemo: case ftWideMemo: case ftOraClob: case ftGuid:
            return true;
        default:
            return false;
    }
}

bool IsBlobFieldType(TFieldType Type) {
    return (Type >= ftBlob && Type <= ftTypedBinary) || Type == ftOraBlob || Type == ftOraClob || Type == ftWideMemo;
}

// ---- TLookupList -------------------------------------------------------------------------------

void TLookupList::Add(const Variant& AKey, const Variant& AValue) { FList.emplace_back(AKey, AValue); }
void TLookupList::Clear() { FList.clear(); }

Variant TLookupList::ValueOfKey(const Variant& AKey) const {
    if (VarIsNullish(AKey)) return Null();
    for (auto& [k, v] : FList) {
        try {
            if (VarIsArray(AKey) || VarIsArray(k)) {
                if (VarIsArray(AKey) && VarIsArray(k) && VarArrayHighBound(AKey, 1) == VarArrayHighBound(k, 1)) {
                    bool same = true;
                    for (int i = VarArrayLowBound(AKey, 1); i <= VarArrayHighBound(AKey, 1) && same; ++i)
                        same = AKey.GetElement(i) == k.GetElement(i);
                    if (same) return v;
                }
            } else if (k == AKey) {
                return v;
            }
        } catch (const Exception&) {
        }
    }
    return Null();
}

// ---- TField ------------------------------------------------------------------------------------

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() = default;

void TField::BeforeDestruction() {
    if (!FComponentState.Contains(csDestroying)) {
        if (FDataSet) {
            TDataSet* ds = FDataSet;
            FDataSet = nullptr;
            ds->Fields()->Remove(this);
            if (!ds->ComponentState().Contains(csDestroying)) ds->FieldListChanged();
        }
    }
    inherited::BeforeDestruction();
}

void TField::CheckInactive() const {
    if (FDataSet) FDataSet->CheckInactive();
}

void TField::SetDataSet(TDataSet* ADataSet) {
    if (ADataSet == FDataSet) return;
    if (FDataSet) FDataSet->CheckInactive();
    if (ADataSet) {
        ADataSet->CheckInactive();
        if (!FFieldName.isEmpty() && ADataSet->FindField(FFieldName))
            DatabaseErrorFmt(S(DbConsts::SDuplicateFieldName), {DisplayName()}, ADataSet);
    }
    if (FDataSet) {
        TDataSet* old = FDataSet;
        FDataSet = nullptr;
        old->Fields()->Remove(this);
        old->FieldListChanged();
    }
    if (ADataSet) {
        ADataSet->Fields()->Add(this);
        FDataSet = ADataSet;
        ADataSet->FieldListChanged();
    }
}

void TField::SetFieldKind(TFieldKind Value) {
    if (FFieldKind == Value) return;
    CheckInactive();
    FFieldKind = Value;
    if (FDataSet) FDataSet->FieldListChanged();
}

void TField::SetFieldName(const String& Value) {
    if (FDataSet && !SameText(Value, FFieldName) && FDataSet->FindField(Value))
        DatabaseErrorFmt(S(DbConsts::SDuplicateFieldName), {Value}, FDataSet);
    FFieldName = Value;
    if (FDataSet && FDataSet->Fields()->IndexOf(this) >= 0) FDataSet->Fields()->FieldNameChanged();
    PropertyChanged(true);
}

int TField::Index() const { return FDataSet ? FDataSet->Fields()->IndexOf(this) : -1; }

void TField::SetIndex(int Value) {
    if (!FDataSet) return;
    FDataSet->Fields()->SetFieldIndex(this, Value);
    PropertyChanged(true);
}

void TField::SetSize(int Value) {
    CheckInactive();
    FSize = Value;
}

void TField::SetAlignment(TAlignment Value) {
    if (FAlignment != Value) {
        FAlignment = Value;
        PropertyChanged(false);
    }
}

void TField::SetDisplayLabel(const String& Value) {
    FDisplayLabel = Value == FFieldName ? String() : Value;
    PropertyChanged(true);
}

int TField::DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(int Value) {
    if (FDisplayWidth != Value) {
        FDisplayWidth = Value;
        PropertyChanged(true);
    }
}

void TField::SetEditMask(const String& Value) {
    FEditMask = Value;
    PropertyChanged(false);
}

void TField::SetReadOnly(bool Value) {
    if (FReadOnly != Value) {
        FReadOnly = Value;
        PropertyChanged(true);
    }
}

void TField::SetVisible(bool Value) {
    if (FVisible != Value) {
        FVisible = Value;
        PropertyChanged(true);
    }
}

void TField::PropertyChanged(bool LayoutAffected) {
    if (FDataSet && FDataSet->Active()) FDataSet->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLookupDataSet) FLookupDataSet = nullptr;
}

bool TField::IsValidChar(QChar InputChar) const { (void)InputChar; return true; }

bool TField::CanModify() const {
    if (FReadOnly || !FDataSet) return false;
    if (FFieldKind != fkData && FFieldKind != fkInternalCalc) return false;
    return FDataSet->CanModify();
}

bool TField::GetData(Variant& Value) const {
    if (FValidating) {
        Value = FValidateValue;
        return !VarIsNullish(Value);
    }
    if (!FDataSet) DatabaseErrorFmt(S(DbConsts::SFieldHasNoDataSet), {DisplayName()});
    if (FFieldKind == fkAggregate) {
        Value = FDataSet->GetAggregateValue(const_cast<TField*>(this));
        return !VarIsNullish(Value);
    }
    if (Value.VType() != varEmpty) Value = Variant();
    bool r = FDataSet->GetFieldData(const_cast<TField*>(this), Value);
    if (!r) Value = Null();
    return r;
}

void TField::SetData(const Variant& Value) {
    if (!FDataSet) DatabaseErrorFmt(S(DbConsts::SFieldHasNoDataSet), {DisplayName()});
    FDataSet->SetFieldData(this, VarIsNullish(Value) ? Null() : NativeValue(Value));
}

void TField::Validate(const Variant& Value) {
    if (OnValidate) {
        FValidateValue = Value;
        FValidating = true;
        try {
            OnValidate(this);
        } catch (...) {
            FValidating = false;
            FValidateValue = Variant();
            throw;
        }
        FValidating = false;
        FValidateValue = Variant();
    }
}

Variant TField::NativeValue(const Variant& Value) const { return Value; }

void TField::Change() {
    if (OnChange) OnChange(this);
}

void TField::FocusControl() {
    if (FDataSet && FDataSet->Active()) {
        TField* f = this;
        FDataSet->DataEvent(deFocusControl, reinterpret_cast<NativeInt>(&f));
    }
}

void TField::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* f = dynamic_cast<TField*>(Source)) {
        SetAsVariant(f->AsVariant());
        return;
    }
    inherited::Assign(Source);
}

void TField::AssignProps(TField* Source) {
    FAlignment = Source->FAlignment;
    FDisplayLabel = Source->FDisplayLabel;
    FDisplayWidth = Source->FDisplayWidth;
    FEditMask = Source->FEditMask;
    FReadOnly = Source->FReadOnly;
    FRequired = Source->FRequired;
    FVisible = Source->FVisible;
    FDefaultExpression = Source->FDefaultExpression;
    if (auto* n = dynamic_cast<TNumericField*>(this))
        if (auto* s = dynamic_cast<TNumericField*>(Source)) {
            n->SetDisplayFormat(s->DisplayFormat());
            n->SetEditFormat(s->EditFormat());
        }
    if (auto* d = dynamic_cast<TDateTimeField*>(this))
        if (auto* s = dynamic_cast<TDateTimeField*>(Source)) d->SetDisplayFormat(s->DisplayFormat());
}

bool TField::IsNull() const {
    Variant v;
    return !GetData(v);
}

Variant TField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}

void TField::SetAsVariant(const Variant& Value) {
    if (VarIsNullish(Value)) {
        SetData(Null());
        return;
    }
    SetData(NativeValue(Value));
}

void TField::AccessError(const String& TypeName) const {
    DatabaseErrorFmt(S(DbConsts::SFieldAccessError), {DisplayName(), TypeName});
}

void TField::RangeError(Extended Value, Extended Min, Extended Max) const {
    DatabaseErrorFmt(S(DbConsts::SFieldRangeError), {FloatToStr(Value), DisplayName(), FloatToStr(Min), FloatToStr(Max)});
}

String TField::AsString() const {
    Variant v;
    if (!GetData(v) || VarIsNull(v)) return String();
    return std::move(v).AsString();  // a text is moved out, not copied
}
void TField::SetAsString(const String& Value) { SetAsVariant(Value); }
Integer TField::AsInteger() const { AccessError(QStringLiteral("Integer")); }
void TField::SetAsInteger(Integer Value) { (void)Value; AccessError(QStringLiteral("Integer")); }
Int64 TField::AsLargeInt() const { return AsInteger(); }
void TField::SetAsLargeInt(Int64 Value) { SetAsInteger(static_cast<Integer>(Value)); }
double TField::AsFloat() const { AccessError(QStringLiteral("Float")); }
void TField::SetAsFloat(double Value) { (void)Value; AccessError(QStringLiteral("Float")); }
Currency TField::AsCurrency() const { return Currency(AsFloat()); }
void TField::SetAsCurrency(Currency Value) { SetAsFloat(Value.ToDouble()); }
TBcd TField::AsBCD() const { return CurrToBCD(AsCurrency()); }
void TField::SetAsBCD(const TBcd& Value) { SetAsCurrency(BcdToCurrency(Value)); }
bool TField::AsBoolean() const { AccessError(QStringLiteral("Boolean")); }
void TField::SetAsBoolean(bool Value) { (void)Value; AccessError(QStringLiteral("Boolean")); }
TDateTime TField::AsDateTime() const { AccessError(QStringLiteral("DateTime")); }
void TField::SetAsDateTime(TDateTime Value) { (void)Value; AccessError(QStringLiteral("DateTime")); }
TSQLTimeStamp TField::AsSQLTimeStamp() const { return DateTimeToSQLTimeStamp(AsDateTime()); }
void TField::SetAsSQLTimeStamp(const TSQLTimeStamp& Value) { SetAsDateTime(SQLTimeStampToDateTime(Value)); }
TBytes TField::AsBytes() const { AccessError(QStringLiteral("Bytes")); }
void TField::SetAsBytes(const TBytes& Value) { (void)Value; AccessError(QStringLiteral("Bytes")); }

Variant TField::OldValue() const { return FDataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this)); }
Variant TField::CurValue() const { return FDataSet->GetStateFieldValue(dsCurValue, const_cast<TField*>(this)); }
Variant TField::NewValue() const { return FDataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this)); }
void TField::SetNewValue(const Variant& Value) { FDataSet->SetStateFieldValue(dsNewValue, this, Value); }

void TField::GetText(String& Text, bool DisplayText) const {
    (void)DisplayText;
    Text = AsString();
}

String TField::GetTextValue(bool ADisplay) const {
    String r;
    if (OnGetText)
        const_cast<TField*>(this)->OnGetText(const_cast<TField*>(this), r, ADisplay);
    else
        GetText(r, ADisplay);
    return r;
}

void TField::SetText(const String& Value) {
    if (OnSetText)
        OnSetText(this, Value);
    else
        SetTextValue(Value);
}

void TField::SetLookupDataSet(TDataSet* Value) {
    if (FLookupDataSet == Value) return;
    if (FLookupDataSet) FLookupDataSet->RemoveFreeNotification(this);
    FLookupDataSet = Value;
    if (Value) Value->FreeNotification(this);
}

void TField::SetLookupCache(bool Value) {
    FLookupCache = Value;
    if (Value && FDataSet && FDataSet->Active()) RefreshLookupList();
}

void TField::RefreshLookupList() {
    FLookupList.Clear();
    if (!FLookupDataSet || !FLookupDataSet->Active()) return;
    TDataSet* ds = FLookupDataSet;
    std::vector<TField*> keys;
    ds->GetFieldList(keys, FLookupKeyFields);
    TField* result = ds->FieldByName(FLookupResultField);
    TBookmark bm = ds->GetBookmark();
    ds->DisableControls();
    try {
        ds->First();
        while (!ds->Eof()) {
            Variant key = ds->FieldValues(FLookupKeyFields);
            FLookupList.Add(key, result->AsVariant());
            ds->Next();
        }
        if (!bm.empty() && ds->BookmarkValid(bm)) ds->GotoBookmark(bm);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

void TField::CalcLookupValue() {
    Variant v;
    if (FLookupCache)
        v = FLookupList.ValueOfKey(FDataSet->FieldValues(FKeyFields));
    else if (FLookupDataSet && FLookupDataSet->Active())
        v = FLookupDataSet->Lookup(FLookupKeyFields, FDataSet->FieldValues(FKeyFields), FLookupResultField);
    else
        return;
    SetAsVariant(v);
}

// ---- strings -----------------------------------------------------------------------------------

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
    FDataType = ftString;
    FSize = 20;
}

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) { FDataType = ftWideString; }

TGuidField::TGuidField(TComponent* AOwner) : TStringField(AOwner) {
    FDataType = ftGuid;
    FSize = 38;
}

String TStringField::AsString() const {
    Variant v;
    if (!GetData(v) || VarIsNull(v)) return String();
    return std::move(v).AsString();  // a text is moved out, not copied
}

void TStringField::SetAsString(const String& Value) { SetData(NativeValue(Value)); }

Variant TStringField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return Variant(VarToStr(v));
}

Variant TStringField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    String s = VarToStr(Value);
    if (FSize > 0 && s.size() > FSize) s.truncate(FSize);
    return Variant(s);
}

Integer TStringField::AsInteger() const {
    String s = AsString();
    Integer v;
    if (!TryStrToInt(Trim(s), v)) DatabaseErrorFmt(S(DbConsts::SInvalidIntegerValue), {s, DisplayName()});
    return v;
}
void TStringField::SetAsInteger(Integer Value) { SetAsString(IntToStr(Value)); }
Int64 TStringField::AsLargeInt() const {
    String s = AsString();
    Int64 v;
    if (!TryStrToInt64(Trim(s), v)) DatabaseErrorFmt(S(DbConsts::SInvalidIntegerValue), {s, DisplayName()});
    return v;
}
void TStringField::SetAsLargeInt(Int64 Value) { SetAsString(IntToStr(Value)); }
double TStringField::AsFloat() const {
    String s = AsString();
    double v;
    if (!TryStrToFloat(s, v)) DatabaseErrorFmt(S(DbConsts::SInvalidFloatValue), {s, DisplayName()});
    return v;
}
void TStringField::SetAsFloat(double Value) { SetAsString(FloatToStr(Value)); }
bool TStringField::AsBoolean() const {
    String s = AsString();
    if (s.isEmpty()) return false;
    QChar c = s[0].toUpper();
    return c == QLatin1Char('T') || c == QLatin1Char('Y');
}
void TStringField::SetAsBoolean(bool Value) { SetAsString(Value ? QStringLiteral("T") : QStringLiteral("F")); }
TDateTime TStringField::AsDateTime() const {
    String s = AsString();
    TDateTime v;
    if (!TryStrToDateTime(s, v)) DatabaseErrorFmt(S(DbConsts::SInvalidDateTimeValue), {s});
    return v;
}
void TStringField::SetAsDateTime(TDateTime Value) { SetAsString(DateTimeToStr(Value)); }

// ---- numbers -----------------------------------------------------------------------------------

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) { FAlignment = taRightJustify; }

void TNumericField::SetDisplayFormat(const String& Value) {
    FDisplayFormat = Value;
    PropertyChanged(false);
}

void TNumericField::SetEditFormat(const String& Value) {
    FEditFormat = Value;
    PropertyChanged(false);
}

bool TNumericField::IsValidChar(QChar InputChar) const {
    const TFormatSettings& fs = FormatSettings;
    return InputChar.isDigit() || InputChar == QLatin1Char('+') || InputChar == QLatin1Char('-') ||
           InputChar == fs.DecimalSeparator || InputChar == QLatin1Char('E') || InputChar == QLatin1Char('e');
}

TIntegerField::TIntegerField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftInteger; }
TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftSmallint; }
TShortintField::TShortintField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftShortint; }
TByteField::TByteField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftByte; }
TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftWord; }
TLongWordField::TLongWordField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftLongWord; }
TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) {
    FDataType = ftAutoInc;
    FAutoGenerateValue = arAutoInc;
}
TLargeintField::TLargeintField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftLargeint; }

bool TIntegerField::IsValidChar(QChar InputChar) const {
    return InputChar.isDigit() || InputChar == QLatin1Char('+') || InputChar == QLatin1Char('-');
}

void TIntegerField::CheckRange(Int64 Value) const {
    Int64 lo = TypeMin(), hi = TypeMax();
    if (FMinValue != 0 || FMaxValue != 0) {
        lo = std::max(lo, FMinValue);
        hi = std::min(hi, FMaxValue);
    }
    if (Value < lo || Value > hi)
        DatabaseErrorFmt(S(DbConsts::SFieldRangeError), {IntToStr(Value), DisplayName(), IntToStr(lo), IntToStr(hi)});
}

Variant TIntegerField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    Int64 v;
    if (VarIsStr(Value)) {
        String s = Trim(VarToStr(Value));
        if (!TryStrToInt64(s, v)) DatabaseErrorFmt(S(DbConsts::SInvalidIntegerValue), {VarToStr(Value), DisplayName()});
    } else if (VarIsFloat(Value) || VarType(Value) == varDate) {
        v = Round(Value.AsExtended());
    } else {
        v = Value.AsInt64();
    }
    CheckRange(v);
    switch (FDataType) {
        case ftSmallint: return Variant(static_cast<short>(v));
        case ftWord: return Variant(static_cast<unsigned short>(v));
        case ftShortint: return Variant(static_cast<signed char>(v));
        case ftByte: return Variant(static_cast<unsigned char>(v));
        case ftLongWord: return Variant(static_cast<unsigned>(v));
        case ftLargeint: return Variant(static_cast<long long>(v));
        default: return Variant(static_cast<int>(v));
    }
}

Variant TIntegerField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}
Int64 TIntegerField::AsLargeInt() const {
    Variant v;
    if (!GetData(v)) return 0;
    return v.AsInt64();
}
Integer TIntegerField::AsInteger() const { return static_cast<Integer>(AsLargeInt()); }
double TIntegerField::AsFloat() const { return static_cast<double>(AsLargeInt()); }
bool TIntegerField::AsBoolean() const { return AsLargeInt() != 0; }
String TIntegerField::AsString() const {
    Variant v;
    if (!GetData(v)) return String();
    return IntToStr(v.AsInt64());
}
void TIntegerField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TIntegerField::SetAsInteger(Integer Value) { SetData(NativeValue(Variant(Value))); }
void TIntegerField::SetAsLargeInt(Int64 Value) { SetData(NativeValue(Variant(static_cast<long long>(Value)))); }
void TIntegerField::SetAsFloat(double Value) { SetData(NativeValue(Variant(Value))); }

void TIntegerField::GetText(String& Text, bool DisplayText) const {
    Variant v;
    if (!GetData(v)) {
        Text.clear();
        return;
    }
    String fmt = DisplayText || FEditFormat.isEmpty() ? FDisplayFormat : FEditFormat;
    if (fmt.isEmpty())
        Text = IntToStr(v.AsInt64());
    else
        Text = FormatFloat(fmt, static_cast<Extended>(v.AsInt64()));
}

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftFloat; }
TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
    FDataType = ftCurrency;
    FCurrency = true;
}
TExtendedField::TExtendedField(TComponent* AOwner) : TFloatField(AOwner) { FDataType = ftExtended; }
TSingleField::TSingleField(TComponent* AOwner) : TFloatField(AOwner) {
    FDataType = ftSingle;
    FPrecision = 7;
}

void TFloatField::SetCurrency(bool Value) {
    FCurrency = Value;
    PropertyChanged(false);
}

void TFloatField::SetPrecision(int Value) {
    if (Value < 2) Value = 2;
    if (Value > 15) Value = 15;
    FPrecision = Value;
    PropertyChanged(false);
}

Variant TFloatField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    double d;
    if (VarIsStr(Value)) {
        String s = VarToStr(Value);
        if (!TryStrToFloat(s, d)) DatabaseErrorFmt(S(DbConsts::SInvalidFloatValue), {s, DisplayName()});
    } else {
        d = Value.AsDouble();
    }
    if ((FMinValue != 0 || FMaxValue != 0) && (d < FMinValue || d > FMaxValue)) RangeError(d, FMinValue, FMaxValue);
    return Variant(d);
}

Variant TFloatField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return Variant(v.AsDouble());
}
double TFloatField::AsFloat() const {
    Variant v;
    if (!GetData(v)) return 0;
    return v.AsDouble();
}
Integer TFloatField::AsInteger() const { return static_cast<Integer>(Round(AsFloat())); }
Int64 TFloatField::AsLargeInt() const { return Round(AsFloat()); }
::Currency TFloatField::AsCurrency() const { return ::Currency(AsFloat()); }
String TFloatField::AsString() const {
    Variant v;
    if (!GetData(v)) return String();
    return FloatToStrF(v.AsDouble(), ffGeneral, FPrecision, 0);
}
void TFloatField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TFloatField::SetAsFloat(double Value) { SetData(NativeValue(Variant(Value))); }

void TFloatField::GetText(String& Text, bool DisplayText) const {
    Variant v;
    if (!GetData(v)) {
        Text.clear();
        return;
    }
    double d = v.AsDouble();
    String fmt = DisplayText || FEditFormat.isEmpty() ? FDisplayFormat : FEditFormat;
    if (!fmt.isEmpty()) {
        Text = FormatFloat(fmt, d);
    } else if (FCurrency) {
        Text = DisplayText ? FloatToStrF(d, ffCurrency, FPrecision, FormatSettings.CurrencyDecimals)
                           : FloatToStrF(d, ffFixed, FPrecision, FormatSettings.CurrencyDecimals);
    } else {
        Text = FloatToStrF(d, ffGeneral, FPrecision, 0);
    }
}

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
    FDataType = ftBCD;
    FSize = 4;
}

void TBCDField::SetCurrency(bool Value) {
    FCurrency = Value;
    PropertyChanged(false);
}

Variant TBCDField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    ::Currency c;
    if (VarIsStr(Value)) {
        String s = VarToStr(Value);
        if (!TryStrToCurr(s, c)) DatabaseErrorFmt(S(DbConsts::SInvalidFloatValue), {s, DisplayName()});
    } else {
        c = Value.AsCurrency();
    }
    if ((FMinValue != ::Currency() || FMaxValue != ::Currency()) && (c < FMinValue || c > FMaxValue))
        RangeError(c.ToExtended(), FMinValue.ToExtended(), FMaxValue.ToExtended());
    return Variant(c);
}

Variant TBCDField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return Variant(v.AsCurrency());
}
::Currency TBCDField::AsCurrency() const {
    Variant v;
    if (!GetData(v)) return ::Currency();
    return v.AsCurrency();
}
TBcd TBCDField::AsBCD() const { return CurrToBCD(AsCurrency()); }
Integer TBCDField::AsInteger() const { return static_cast<Integer>(AsCurrency().Trunc()); }
Int64 TBCDField::AsLargeInt() const { return AsCurrency().Trunc(); }
double TBCDField::AsFloat() const { return AsCurrency().ToDouble(); }
String TBCDField::AsString() const {
    Variant v;
    if (!GetData(v)) return String();
    return CurrToStr(v.AsCurrency());
}
void TBCDField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TBCDField::SetAsFloat(double Value) { SetData(NativeValue(Variant(Value))); }
void TBCDField::SetAsCurrency(::Currency Value) { SetData(NativeValue(Variant(Value))); }
void TBCDField::SetAsBCD(const TBcd& Value) { SetAsCurrency(BcdToCurrency(Value)); }

void TBCDField::GetText(String& Text, bool DisplayText) const {
    Variant v;
    if (!GetData(v)) {
        Text.clear();
        return;
    }
    ::Currency c = v.AsCurrency();
    String fmt = DisplayText || FEditFormat.isEmpty() ? FDisplayFormat : FEditFormat;
    if (!fmt.isEmpty())
        Text = FormatCurr(fmt, c);
    else if (FCurrency)
        Text = DisplayText ? CurrToStrF(c, ffCurrency, FormatSettings.CurrencyDecimals)
                           : CurrToStrF(c, ffFixed, FormatSettings.CurrencyDecimals);
    else
        Text = CurrToStr(c);
}

TFMTBCDField::TFMTBCDField(TComponent* AOwner) : TNumericField(AOwner) {
    FDataType = ftFMTBcd;
    FSize = 8;
}

void TFMTBCDField::SetCurrency(bool Value) {
    FCurrency = Value;
    PropertyChanged(false);
}

Variant TFMTBCDField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    TBcd b;
    if (VarIsStr(Value)) {
        String s = VarToStr(Value);
        if (!TryStrToBcd(s, b)) DatabaseErrorFmt(S(DbConsts::SInvalidBcdValue), {s});
    } else {
        b = Value.AsBcd();
    }
    return VarFMTBcdCreate(b);
}

Variant TFMTBCDField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}
TBcd TFMTBCDField::AsBCD() const {
    Variant v;
    if (!GetData(v)) return TBcd();
    return v.AsBcd();
}
Integer TFMTBCDField::AsInteger() const { return static_cast<Integer>(BcdToInt64(AsBCD())); }
Int64 TFMTBCDField::AsLargeInt() const { return BcdToInt64(AsBCD()); }
double TFMTBCDField::AsFloat() const { return BcdToDouble(AsBCD()); }
::Currency TFMTBCDField::AsCurrency() const { return BcdToCurrency(AsBCD()); }
String TFMTBCDField::AsString() const {
    Variant v;
    if (!GetData(v)) return String();
    return BcdToStr(v.AsBcd());
}
void TFMTBCDField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TFMTBCDField::SetAsBCD(const TBcd& Value) { SetData(NativeValue(VarFMTBcdCreate(Value))); }

void TFMTBCDField::GetText(String& Text, bool DisplayText) const {
    Variant v;
    if (!GetData(v)) {
        Text.clear();
        return;
    }
    String fmt = DisplayText || FEditFormat.isEmpty() ? FDisplayFormat : FEditFormat;
    if (!fmt.isEmpty())
        Text = FormatFloat(fmt, BcdToDouble(v.AsBcd()));
    else
        Text = BcdToStr(v.AsBcd());
}

// ---- Boolean -----------------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBoolean; }

int TBooleanField::DefaultDisplayWidth() const { return std::max(FTextTrue.size(), FTextFalse.size()); }

void TBooleanField::SetDisplayValues(const String& Value) {
    FDisplayValues = Value;
    int p = Value.indexOf(QLatin1Char(';'));
    if (Value.isEmpty()) {
        FTextTrue = QStringLiteral("True");
        FTextFalse = QStringLiteral("False");
    } else if (p < 0) {
        FTextTrue = Value;
        FTextFalse.clear();
    } else {
        FTextTrue = Value.left(p);
        FTextFalse = Value.mid(p + 1);
    }
    PropertyChanged(true);
}

Variant TBooleanField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    if (VarIsStr(Value)) {
        String s = Trim(VarToStr(Value));
        auto starts = [&](const String& t) { return !t.isEmpty() && AnsiCompareText(s, t.left(s.size())) == 0; };
        if (!s.isEmpty()) {
            if (starts(FTextTrue)) return Variant(true);
            if (starts(FTextFalse)) return Variant(false);
        }
        bool b;
        if (TryStrToBool(s, b)) return Variant(b);
        DatabaseErrorFmt(S(DbConsts::SInvalidBoolValue), {VarToStr(Value), DisplayName()});
    }
    return Variant(Value.AsBoolean());
}

Variant TBooleanField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return Variant(v.AsBoolean());
}
bool TBooleanField::AsBoolean() const {
    Variant v;
    if (!GetData(v)) return false;
    return v.AsBoolean();
}
String TBooleanField::AsString() const {
    Variant v;
    if (!GetData(v)) return String();
    return v.AsBoolean() ? FTextTrue : FTextFalse;
}
void TBooleanField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TBooleanField::SetAsBoolean(bool Value) { SetData(Variant(Value)); }

// ---- dates -------------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { FDataType = ftDateTime; }
TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftDate; }
TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftTime; }

void TDateTimeField::SetDisplayFormat(const String& Value) {
    FDisplayFormat = Value;
    PropertyChanged(false);
}

String TDateTimeField::DefaultFormat() const {
    return FormatSettings.ShortDateFormat + QLatin1Char(' ') + FormatSettings.LongTimeFormat;
}
String TDateField::DefaultFormat() const { return FormatSettings.ShortDateFormat; }
String TTimeField::DefaultFormat() const { return FormatSettings.LongTimeFormat; }

Variant TDateTimeField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    TDateTime d;
    if (VarIsStr(Value)) {
        String s = VarToStr(Value);
        bool ok = FDataType == ftDate ? TryStrToDate(s, d) : FDataType == ftTime ? TryStrToTime(s, d) : TryStrToDateTime(s, d);
        if (!ok) DatabaseErrorFmt(S(DbConsts::SInvalidDateTimeValue), {s});
    } else {
        d = Value.AsDateTime();
    }
    if (FDataType == ftDate) d = DateOf(d);
    if (FDataType == ftTime) d = TimeOf(d);
    return VarFromDateTime(d);
}

Variant TDateTimeField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return VarFromDateTime(v.AsDateTime());
}
TDateTime TDateTimeField::AsDateTime() const {
    Variant v;
    if (!GetData(v)) return 0;
    return v.AsDateTime();
}
String TDateTimeField::AsString() const {
    String r;
    GetText(r, false);
    return r;
}
void TDateTimeField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TDateTimeField::SetAsDateTime(TDateTime Value) { SetData(NativeValue(VarFromDateTime(Value))); }
TSQLTimeStamp TDateTimeField::AsSQLTimeStamp() const { return DateTimeToSQLTimeStamp(AsDateTime()); }
void TDateTimeField::SetAsSQLTimeStamp(const TSQLTimeStamp& Value) { SetAsDateTime(SQLTimeStampToDateTime(Value)); }

void TDateTimeField::GetText(String& Text, bool DisplayText) const {
    Variant v;
    if (!GetData(v)) {
        Text.clear();
        return;
    }
    TDateTime d = v.AsDateTime();
    if (DisplayText && !FDisplayFormat.isEmpty())
        Text = FormatDateTime(FDisplayFormat, d);
    else if (FDataType == ftDateTime)
        Text = DateTimeToStr(d);  // the date alone at midnight, as the framework shows it
    else
        Text = FormatDateTime(DefaultFormat(), d);
}

TSQLTimeStampField::TSQLTimeStampField(TComponent* AOwner) : TField(AOwner) { FDataType = ftTimeStamp; }
TSQLTimeStampOffsetField::TSQLTimeStampOffsetField(TComponent* AOwner) : TSQLTimeStampField(AOwner) {
    FDataType = ftTimeStampOffset;
}

void TSQLTimeStampField::SetDisplayFormat(const String& Value) {
    FDisplayFormat = Value;
    PropertyChanged(false);
}

Variant TSQLTimeStampField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    if (VarIsSQLTimeStamp(Value)) return Value;
    if (VarIsStr(Value)) {
        TDateTime d;
        if (!TryStrToDateTime(VarToStr(Value), d)) DatabaseErrorFmt(S(DbConsts::SInvalidDateTimeValue), {VarToStr(Value)});
        return VarSQLTimeStampCreate(d);
    }
    return VarSQLTimeStampCreate(VarToSQLTimeStamp(Value));
}

Variant TSQLTimeStampOffsetField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    if (VarIsSQLTimeStampOffset(Value)) return Value;
    if (VarIsStr(Value)) {
        TDateTime d;
        if (!TryStrToDateTime(VarToStr(Value), d)) DatabaseErrorFmt(S(DbConsts::SInvalidDateTimeValue), {VarToStr(Value)});
        return VarSQLTimeStampOffsetCreate(d);
    }
    return VarSQLTimeStampOffsetCreate(VarToSQLTimeStampOffset(Value));
}

Variant TSQLTimeStampField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}
TSQLTimeStamp TSQLTimeStampField::AsSQLTimeStamp() const {
    Variant v;
    if (!GetData(v)) return TSQLTimeStamp();
    return VarToSQLTimeStamp(v);
}
TDateTime TSQLTimeStampField::AsDateTime() const {
    Variant v;
    if (!GetData(v)) return 0;
    return v.AsDateTime();
}
String TSQLTimeStampField::AsString() const {
    String r;
    GetText(r, false);
    return r;
}
void TSQLTimeStampField::SetAsString(const String& Value) {
    if (Trim(Value).isEmpty()) {
        Clear();
        return;
    }
    SetData(NativeValue(Value));
}
void TSQLTimeStampField::SetAsDateTime(TDateTime Value) { SetData(NativeValue(VarSQLTimeStampCreate(Value))); }
void TSQLTimeStampField::SetAsSQLTimeStamp(const TSQLTimeStamp& Value) { SetData(NativeValue(VarSQLTimeStampCreate(Value))); }

void TSQLTimeStampField::GetText(String& Text, bool DisplayText) const {
    Variant v;
    if (!GetData(v)) {
        Text.clear();
        return;
    }
    TDateTime d = v.AsDateTime();
    if (DisplayText && !FDisplayFormat.isEmpty())
        Text = FormatDateTime(FDisplayFormat, d);
    else
        Text = DateTimeToStr(d);
}

// ---- binary and blobs --------------------------------------------------------------------------

namespace {
TBytes BytesOf(const Variant& v) {
    if (VarIsNullish(v)) return {};
    if (VarIsArray(v)) {
        QByteArray a = VarByteArrayToBytes(v);
        return TBytes(a.begin(), a.end());
    }
    QByteArray a = VarToStr(v).toUtf8();
    return TBytes(a.begin(), a.end());
}
Variant VarOfBytes(const TBytes& b) {
    return VarByteArrayOf(QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())));
}
}  // namespace

TBinaryField::TBinaryField(TComponent* AOwner) : TField(AOwner) {}
TBytesField::TBytesField(TComponent* AOwner) : TBinaryField(AOwner) {
    FDataType = ftBytes;
    FSize = 16;
}
TVarBytesField::TVarBytesField(TComponent* AOwner) : TBytesField(AOwner) { FDataType = ftVarBytes; }

Variant TBinaryField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    TBytes b = BytesOf(Value);
    if (FSize > 0 && static_cast<int>(b.size()) > FSize) b.resize(FSize);
    if (FDataType == ftBytes && FSize > 0 && static_cast<int>(b.size()) < FSize) b.resize(FSize, 0);
    return VarOfBytes(b);
}
Variant TBinaryField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}
TBytes TBinaryField::AsBytes() const {
    Variant v;
    if (!GetData(v)) return {};
    return BytesOf(v);
}
void TBinaryField::SetAsBytes(const TBytes& Value) { SetData(NativeValue(VarOfBytes(Value))); }
String TBinaryField::AsString() const {
    TBytes b = AsBytes();
    return QString::fromUtf8(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}
void TBinaryField::SetAsString(const String& Value) {
    QByteArray a = Value.toUtf8();
    SetAsBytes(TBytes(a.begin(), a.end()));
}
void TBinaryField::GetText(String& Text, bool DisplayText) const {
    (void)DisplayText;
    Text = QStringLiteral("(%1)").arg(FieldTypeName(FDataType));
}

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBlob; }
TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftMemo; }
TWideMemoField::TWideMemoField(TComponent* AOwner) : TMemoField(AOwner) { FDataType = ftWideMemo; }
TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftGraphic; }

void TBlobField::SetBlobType(TBlobType Value) {
    CheckInactive();
    FDataType = Value;
}

Variant TBlobField::NativeValue(const Variant& Value) const {
    if (VarIsNullish(Value)) return Null();
    if (FieldTypeVarMap(FDataType) == varUString) {
        if (VarIsArray(Value)) {
            QByteArray a = VarByteArrayToBytes(Value);
            return Variant(QString::fromUtf8(a));
        }
        return Variant(VarToStr(Value));
    }
    return VarOfBytes(BytesOf(Value));
}

TBytes TBlobField::ValueBytes() const {
    Variant v;
    if (!GetData(v)) return {};
    return BytesOf(v);
}

void TBlobField::SetValueBytes(const TBytes& Bytes) {
    if (FieldTypeVarMap(FDataType) == varUString)
        SetData(Variant(QString::fromUtf8(reinterpret_cast<const char*>(Bytes.data()), static_cast<qsizetype>(Bytes.size()))));
    else
        SetData(VarOfBytes(Bytes));
}

int TBlobField::BlobSize() const { return static_cast<int>(ValueBytes().size()); }
Variant TBlobField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}
TBytes TBlobField::AsBytes() const { return ValueBytes(); }
void TBlobField::SetAsBytes(const TBytes& Value) { SetValueBytes(Value); }
String TBlobField::AsString() const {
    TBytes b = ValueBytes();
    return QString::fromUtf8(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}
void TBlobField::SetAsString(const String& Value) {
    QByteArray a = Value.toUtf8();
    SetValueBytes(TBytes(a.begin(), a.end()));
}

void TBlobField::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    TBytes b(static_cast<size_t>(Stream->Size()));
    if (!b.empty()) Stream->ReadBuffer(b.data(), static_cast<Integer>(b.size()));
    SetValueBytes(b);
}

void TBlobField::SaveToStream(TStream* Stream) const {
    TBytes b = ValueBytes();
    if (!b.empty()) Stream->WriteBuffer(b.data(), static_cast<Integer>(b.size()));
}

void TBlobField::LoadFromFile(const String& FileName) {
    TMemoryStream* s = New<TMemoryStream>();
    try {
        s->LoadFromFile(FileName);
        LoadFromStream(s);
    } catch (...) {
        s->Free();
        throw;
    }
    s->Free();
}

void TBlobField::SaveToFile(const String& FileName) const {
    TMemoryStream* s = New<TMemoryStream>();
    try {
        SaveToStream(s);
        s->SaveToFile(FileName);
    } catch (...) {
        s->Free();
        throw;
    }
    s->Free();
}

void TBlobField::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBlobField*>(Source)) {
        SetValueBytes(b->ValueBytes());
        return;
    }
    if (auto* l = dynamic_cast<TStrings*>(Source)) {
        SetAsString(l->Text());
        return;
    }
    inherited::Assign(Source);
}

void TBlobField::GetText(String& Text, bool DisplayText) const {
    (void)DisplayText;
    // The type's name in brackets, in capitals when there is something in the field: "(Memo)",
    // "(MEMO)", "(WideMemo)", "(WIDEMEMO)", "(Blob)", "(BLOB)".
    Text = QStringLiteral("(%1)").arg(FieldTypeName(FDataType));
    if (!IsNull() && BlobSize() > 0) Text = Text.toUpper();
}

String TMemoField::AsString() const {
    Variant v;
    if (!GetData(v)) return String();
    return VarIsArray(v) ? QString::fromUtf8(VarByteArrayToBytes(v)) : VarToStr(v);
}
void TMemoField::SetAsString(const String& Value) { SetData(Value.isNull() ? Variant(String()) : Variant(Value)); }
Variant TMemoField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return Variant(AsString());
}

bool HasGraphicHeader(const TBytes& Bytes, int& HeaderSize) {
    // Count 1 (word), type 1 (word), then the size of the rest (dword).
    HeaderSize = 0;
    if (Bytes.size() < 8) return false;
    auto word = [&](size_t i) { return static_cast<unsigned>(Bytes[i]) | (static_cast<unsigned>(Bytes[i + 1]) << 8); };
    unsigned size = word(4) | (word(6) << 16);
    if (word(0) == 1 && word(2) == 1 && size == Bytes.size() - 8) {
        HeaderSize = 8;
        return true;
    }
    return false;
}

TBytes TGraphicField::GraphicData() const {
    TBytes b = ValueBytes();
    int h;
    if (HasGraphicHeader(b, h)) b.erase(b.begin(), b.begin() + h);
    return b;
}

TBlobStream::TBlobStream(TBlobField* Field, TBlobStreamMode Mode) : FField(Field), FMode(Mode) {
    if (Mode != bmRead) {
        if (Field->ReadOnly()) DatabaseErrorFmt(S(DbConsts::SFieldReadOnly), {Field->DisplayName()});
        if (!Field->DataSet() || !dsWriteModes.Contains(Field->DataSet()->State()))
            DatabaseError(S(DbConsts::SNotEditing), Field->DataSet());
    }
    if (Mode == bmWrite) {
        FModified = true;
    } else {
        FData = Field->AsBytes();
    }
}

TBlobStream::~TBlobStream() {
    if (FModified && FMode != bmRead) {
        try {
            FField->SetAsBytes(FData);
            FField->SetModified(true);
        } catch (...) {
            // A destructor must not throw; the value stays as it was.
        }
    }
}

Integer TBlobStream::Write(const void* Buffer, Integer Count) {
    FModified = true;
    return TMemoryStream::Write(Buffer, Count);
}

void TBlobStream::SetSize(Int64 NewSize) {
    FModified = true;
    TMemoryStream::SetSize(NewSize);
}

void TBlobStream::Truncate() { SetSize(Position()); }

// ---- variant, interface, object, aggregate ------------------------------------------------------

TVariantField::TVariantField(TComponent* AOwner) : TField(AOwner) { FDataType = ftVariant; }
Variant TVariantField::AsVariant() const {
    Variant v;
    if (!GetData(v)) return Null();
    return v;
}
String TVariantField::AsString() const { return VarToStr(AsVariant()); }

TInterfaceField::TInterfaceField(TComponent* AOwner) : TField(AOwner) { FDataType = ftInterface; }
TIDispatchField::TIDispatchField(TComponent* AOwner) : TInterfaceField(AOwner) { FDataType = ftIDispatch; }
TObjectField::TObjectField(TComponent* AOwner) : TField(AOwner) { FDataType = ftADT; }

TAggregateField::TAggregateField(TComponent* AOwner) : TField(AOwner) {
    FDataType = ftUnknown;
    FFieldKind = fkAggregate;
}
void TAggregateField::SetExpression(const String& Value) {
    if (Value == FExpression) return;
    FExpression = Value;
    if (FDataSet) FDataSet->ResetAggField(this);
}

void TAggregateField::SetActive(bool Value) {
    if (Value == FActive) return;
    FActive = Value;
    if (FDataSet) FDataSet->ResetAggField(this);
}

Variant TAggregateField::AsVariant() const {
    if (!FDataSet || !FActive) return Null();
    return FDataSet->GetAggregateValue(const_cast<TAggregateField*>(this));
}
String TAggregateField::AsString() const { return VarToStr(AsVariant()); }
void TAggregateField::GetText(String& Text, bool DisplayText) const {
    Variant v = AsVariant();
    if (DisplayText && !FDisplayFormat.isEmpty() && VarIsNumeric(v))
        Text = FormatFloat(FDisplayFormat, v.AsExtended());
    else
        Text = VarToStr(v);
}

// ---- TFields -----------------------------------------------------------------------------------

TField* TFields::Fields(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%d)"), {Index});
    return FList[Index];
}

namespace {

// A hash of a name that equal names ignoring case share (each unit case-folded).
size_t FieldNameHash(const String& Name) {
    size_t h = 1469598103934665603ull;
    for (QChar c : Name) {
        // ASCII folds to lower case; other units through the Unicode table.
        const char16_t u = c.unicode();
        const char16_t f = u < 0x80 ? (u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + 32) : u) : c.toCaseFolded().unicode();
        h = (h ^ f) * 1099511628211ull;
    }
    return h;
}

}  // namespace

void TFields::HashNames() {
    FNameHash.clear();
    FNameHash.reserve(FList.size());
    for (size_t i = 0; i < FList.size(); ++i) FNameHash.emplace_back(FieldNameHash(FList[i]->FieldName()), static_cast<int>(i));
    std::sort(FNameHash.begin(), FNameHash.end());
}

void TFields::Add(TField* Field) {
    FList.push_back(Field);
    HashNames();
}

void TFields::Remove(TField* Field) {
    FList.erase(std::remove(FList.begin(), FList.end(), Field), FList.end());
    HashNames();
}

void TFields::Clear() {
    FList.clear();
    FNameHash.clear();
}

int TFields::IndexOf(const TField* Field) const {
    auto it = std::find(FList.begin(), FList.end(), Field);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TFields::SetFieldIndex(TField* Field, int Value) {
    int cur = IndexOf(Field);
    if (cur < 0) return;
    if (Value < 0) Value = 0;
    if (Value >= Count()) Value = Count() - 1;
    FList.erase(FList.begin() + cur);
    FList.insert(FList.begin() + Value, Field);
    HashNames();
}

TField* TFields::FindField(const String& FieldName) const {
    // Names that differ only in case are found through their hash, the first in the list first
    // (a name lookup per value is common); the collation decides what is left.
    const size_t h = FieldNameHash(FieldName);
    for (auto it = std::lower_bound(FNameHash.begin(), FNameHash.end(), std::make_pair(h, -1));
         it != FNameHash.end() && it->first == h; ++it)
        if (TField* f = FList[static_cast<size_t>(it->second)];
            f->FieldName() == FieldName || f->FieldName().compare(FieldName, Qt::CaseInsensitive) == 0)
            return f;
    for (TField* f : FList)
        if (f->FieldName().compare(FieldName, Qt::CaseInsensitive) == 0) return f;
    for (TField* f : FList)
        if (AnsiSameText(f->FieldName(), FieldName)) return f;
    return nullptr;
}

TField* TFields::FieldByName(const String& FieldName) const {
    TField* f = FindField(FieldName);
    if (!f) DatabaseErrorFmt(S(DbConsts::SFieldNotFound), {FieldName}, FDataSet);
    return f;
}

TField* TFields::FieldByNumber(int FieldNo) const {
    for (TField* f : FList)
        if (f->FieldNo() == FieldNo) return f;
    return nullptr;
}

// ---- TFieldDef / TFieldDefs --------------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* Collection) : TCollectionItem(Collection) {}

TFieldDef::~TFieldDef() {
    if (FChildDefs) {
        FChildDefs->Free();
        FChildDefs = nullptr;
    }
}

void TFieldDef::SetName(const String& Value) {
    auto* defs = static_cast<TFieldDefs*>(Collection());
    if (defs && !SameText(Value, FName) && defs->IndexOf(Value) >= 0)
        DatabaseErrorFmt(S(DbConsts::SDuplicateName), {Value, defs->ClassName()});
    FName = Value;
    Changed(false);
}

void TFieldDef::SetDataType(TFieldType Value) {
    FDataType = Value;
    // Types with a fixed size take their own.
    switch (Value) {
        case ftGuid: FSize = 38; break;
        case ftBCD: if (FSize == 0) FSize = 4; break;
        case ftFMTBcd: if (FSize == 0) FSize = 8; break;
        default: break;
    }
    Changed(false);
}

void TFieldDef::SetRequired(bool Value) {
    if (Value) FAttributes.Include(faRequired); else FAttributes.Exclude(faRequired);
    Changed(false);
}

int TFieldDef::FieldNo() const {
    if (FFieldNo > 0) return FFieldNo;
    return Index() + 1;
}

TFieldDefs* TFieldDef::ChildDefs() {
    if (!FChildDefs) FChildDefs = New<TFieldDefs>(this);
    return FChildDefs;
}

bool TFieldDef::HasChildDefs() const { return FChildDefs && FChildDefs->Count() > 0; }

TFieldDef* TFieldDef::ParentDef() const {
    auto* defs = static_cast<TFieldDefs*>(Collection());
    return defs ? defs->ParentDef() : nullptr;
}

TClass TFieldDef::FieldClass() const {
    auto* defs = static_cast<TFieldDefs*>(Collection());
    if (defs && defs->DataSet()) return defs->DataSet()->GetFieldClass(FDataType);
    return nullptr;
}

TField* TFieldDef::CreateField(TComponent* Owner, TObjectField* ParentField, const String& FieldName, bool CheckType) {
    auto* defs = static_cast<TFieldDefs*>(Collection());
    TDataSet* ds = defs ? defs->DataSet() : nullptr;
    TClass cls = FieldClass();
    if (!cls) {
        if (CheckType) DatabaseErrorFmt(QStringLiteral("Field '%s' is of an unknown type"), {FName}, ds);
        return nullptr;
    }
    TField* f = static_cast<TField*>(cls->CreateComponent(Owner));
    try {
        f->SetSize(FSize);
        f->SetFieldName(FieldName.isEmpty() ? FName : FieldName);
        f->SetRequired(FAttributes.Contains(faRequired));
        f->SetReadOnly(FAttributes.Contains(faReadonly));
        if (FInternalCalcField) f->SetFieldKind(fkInternalCalc);
        if (auto* b = dynamic_cast<TBCDField*>(f)) b->SetPrecision(FPrecision);
        if (auto* b = dynamic_cast<TFMTBCDField*>(f)) b->SetPrecision(FPrecision);
        if (auto* b = dynamic_cast<TBlobField*>(f)) b->SetBlobType(FDataType);
        if (dynamic_cast<TStringField*>(f) && (FDataType == ftFixedChar || FDataType == ftFixedWideChar))
            static_cast<TStringField*>(f)->SetFixedChar(true);
        f->SetDataTypeInternal(FDataType == ftFixedChar ? ftFixedChar : FDataType == ftFixedWideChar ? ftFixedWideChar : f->DataType());
        f->SetParentField(ParentField);
        f->SetDataSet(ds);
    } catch (...) {
        f->Free();
        throw;
    }
    return f;
}

void TFieldDef::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TFieldDef*>(Source)) {
        FName = s->FName;
        FDataType = s->FDataType;
        FSize = s->FSize;
        FPrecision = s->FPrecision;
        FAttributes = s->FAttributes;
        FInternalCalcField = s->FInternalCalcField;
        if (s->HasChildDefs()) ChildDefs()->Assign(s->FChildDefs);
        Changed(false);
        return;
    }
    inherited::Assign(Source);
}

TFieldDefs::TFieldDefs(TPersistent* AOwner) : TOwnedCollection(AOwner, TFieldDef::StaticClass()) {
    if (auto* ds = dynamic_cast<TDataSet*>(AOwner)) {
        FDataSet = ds;
    } else if (auto* pd = dynamic_cast<TFieldDef*>(AOwner)) {
        FParentDef = pd;
        auto* parent = static_cast<TFieldDefs*>(pd->Collection());
        FDataSet = parent ? parent->DataSet() : nullptr;
    }
}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

void TFieldDefs::Add(const String& Name, TFieldType DataType, int Size, bool Required) {
    if (Name.isEmpty()) DatabaseError(QStringLiteral("Field name missing"), FDataSet);
    if (IndexOf(Name) >= 0) DatabaseErrorFmt(S(DbConsts::SDuplicateName), {Name, ClassName()}, FDataSet);
    BeginUpdate();
    try {
        TFieldDef* d = AddFieldDef();
        d->SetName(Name);
        d->SetDataType(DataType);
        if (Size != 0 || (DataType != ftBCD && DataType != ftFMTBcd && DataType != ftGuid)) d->SetSize(Size);
        d->SetRequired(Required);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TFieldDefs::IndexOf(const String& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), Name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(const String& Name) const {
    int i = IndexOf(Name);
    if (i < 0) DatabaseErrorFmt(S(DbConsts::SFieldNotFound), {Name}, FDataSet);
    return Items(i);
}

void TFieldDefs::Update() {
    if (!FUpdated && FDataSet) {
        FDataSet->InitFieldDefs();
        FUpdated = true;
    }
}

void TFieldDefs::Update(TCollectionItem* Item) {
    (void)Item;
    if (FDataSet && !FDataSet->ComponentState().Contains(csLoading)) FDataSet->DataEvent(dePropertyChange, 0);
    FUpdated = true;  // the definitions were set from outside: they are what the dataset has
}

void TFieldDefs::Notify(TCollectionItem* Item, TCollectionNotification Action) { (void)Item; (void)Action; }

void TFieldDefs::GetFlatList(std::vector<std::pair<String, TFieldDef*>>& List) const {
    for (int i = 0; i < Count(); ++i) {
        TFieldDef* d = Items(i);
        List.emplace_back(d->Name(), d);
        if (d->HasChildDefs()) {
            std::vector<std::pair<String, TFieldDef*>> child;
            d->ChildDefs()->GetFlatList(child);
            for (auto& [n, cd] : child) List.emplace_back(d->Name() + QLatin1Char('.') + n, cd);
        }
    }
}

// ---- index definitions -------------------------------------------------------------------------

TIndexDef::TIndexDef(TCollection* Collection) : TCollectionItem(Collection) {}

void TIndexDef::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TIndexDef*>(Source)) {
        FName = s->FName;
        FFields = s->FFields;
        FDescFields = s->FDescFields;
        FCaseInsFields = s->FCaseInsFields;
        FExpression = s->FExpression;
        FSource = s->FSource;
        FOptions = s->FOptions;
        FGroupingLevel = s->FGroupingLevel;
        Changed(false);
        return;
    }
    inherited::Assign(Source);
}

TIndexDefs::TIndexDefs(TDataSet* ADataSet) : TOwnedCollection(ADataSet, TIndexDef::StaticClass()), FDataSet(ADataSet) {}

TIndexDef* TIndexDefs::AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }

void TIndexDefs::Add(const String& Name, const String& Fields, TIndexOptions Options) {
    if (IndexOf(Name) >= 0) DatabaseErrorFmt(S(DbConsts::SDuplicateName), {Name, ClassName()}, FDataSet);
    TIndexDef* d = AddIndexDef();
    d->SetName(Name);
    d->SetFields(Fields);
    d->SetOptions(Options);
}

int TIndexDefs::IndexOf(const String& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), Name)) return i;
    return -1;
}

TIndexDef* TIndexDefs::Find(const String& Name) const {
    int i = IndexOf(Name);
    if (i < 0) DatabaseErrorFmt(S(DbConsts::SIndexNotFound), {Name}, FDataSet);
    return Items(i);
}

TIndexDef* TIndexDefs::GetIndexForFields(const String& Fields, bool CaseInsensitive) const {
    std::vector<String> want = ExtractFieldNames(Fields);
    for (int i = 0; i < Count(); ++i) {
        TIndexDef* d = Items(i);
        if (d->Options().Contains(ixExpression)) continue;
        if (CaseInsensitive != d->Options().Contains(ixCaseInsensitive)) continue;
        std::vector<String> have = ExtractFieldNames(d->Fields());
        if (have.size() != want.size()) continue;
        bool same = true;
        for (size_t k = 0; k < have.size() && same; ++k) same = AnsiSameText(have[k], want[k]);
        if (same) return d;
    }
    return nullptr;
}

void TIndexDefs::Update() {
    if (!FUpdated && FDataSet) FUpdated = true;
}
