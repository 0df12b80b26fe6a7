// Fields of a dataset: TField and its family, field and index definitions.
//
// Value storage. A field never holds its value: it asks its dataset (GetFieldData/SetFieldData,
// see the protocol at the top of db.h). Values travel as Variants of one fixed kind per field
// type, the "native" form a descendant dataset stores:
//
//   ftString ftFixedChar ftWideString ftFixedWideChar ftGuid
//   ftMemo ftWideMemo ftFmtMemo ftOraClob                      varUString
//   ftSmallint varSmallint   ftInteger ftAutoInc varInteger    ftWord varWord
//   ftLongWord varLongWord   ftShortint varShortInt            ftByte varByte
//   ftLargeint varInt64      ftBoolean varBoolean
//   ftFloat ftCurrency ftExtended ftSingle                     varDouble
//   ftBCD varCurrency        ftFMTBcd varFMTBcd
//   ftDate ftTime ftDateTime varDate
//   ftTimeStamp varSQLTimeStamp   ftTimeStampOffset varSQLTimeStampOffset
//   ftBytes ftVarBytes ftBlob ftGraphic ftTypedBinary ftParadoxOle ftDBaseOle ftOraBlob
//                                                              byte array (varArray | varByte)
//   ftVariant ftInterface ftIDispatch                          any Variant as given
//
// No value is Null (GetFieldData answers false). A field converts what it is given to its kind
// before it calls SetFieldData (NativeValue), so a dataset stores exactly these kinds.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

#include <memory>
#include <vector>

class TDataSet;
class TField;
class TFields;
class TFieldDefs;
class TObjectField;

// The framework's field types, in its order (code compares ranges of it).
enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo,
    ftOraTimeStamp, ftOraInterval, ftLongWord, ftShortint, ftByte, ftExtended, ftConnection,
    ftParams, ftStream, ftTimeStampOffset, ftObject, ftSingle
};
inline constexpr int FieldTypeCount = ftSingle + 1;
using TFieldTypes = TSet<TFieldType>;

// "String", "Integer" ... the framework's names of the types (FieldTypeNames).
String FieldTypeName(TFieldType Type);
// The Variant kind a field type stores (see the table above); varVariant for ftVariant.
TVarType FieldTypeVarMap(TFieldType Type);
// ftString ftFixedChar ftWideString ftFixedWideChar ftMemo ftFmtMemo ftWideMemo ftOraClob ftGuid.
bool IsStringFieldType(TFieldType Type);
bool IsBlobFieldType(TFieldType Type);  // ftBlob .. ftTypedBinary, ftOraBlob, ftOraClob, ftWideMemo

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
using TFieldKinds = TSet<TFieldKind>;

enum TProviderFlag { pfInUpdate, pfInWhere, pfInKey, pfHidden, pfRefreshOnInsert, pfRefreshOnUpdate };
using TProviderFlags = TSet<TProviderFlag>;

enum TAutoRefreshFlag { arNone, arAutoInc, arDefault };

using TFieldNotifyEvent = TEvent<void(TField* Sender)>;
using TFieldGetTextEvent = TEvent<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const String& Text)>;

// ---- lookup list -----------------------------------------------------------------------------
// The cache of a lookup field: key value to result value.
class TLookupList {
public:
    void Add(const Variant& AKey, const Variant& AValue);
    void Clear();
    // The value of the first entry whose key equals AKey (Variant comparison), else Null.
    Variant ValueOfKey(const Variant& AKey) const;
    int Count() const { return static_cast<int>(FList.size()); }

private:
    std::vector<std::pair<Variant, Variant>> FList;
};

// ---- TField ----------------------------------------------------------------------------------
class TField : public TComponent {
    SDELKA_CLASS(TField, TComponent)
protected:
    explicit TField(TComponent* AOwner);
    ~TField() override;

public:
    void BeforeDestruction() override;

    // Binding to a dataset (joins its Fields list at the end; nullptr leaves it). A dataset that
    // is open refuses: "Cannot perform this operation on an open dataset".
    TDataSet* DataSet() const { return FDataSet; }
    virtual void SetDataSet(TDataSet* ADataSet);
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind Value);
    bool Calculated() const { return FFieldKind == fkCalculated; }
    void SetCalculated(bool Value) { SetFieldKind(Value ? fkCalculated : fkData); }
    bool Lookup() const { return FFieldKind == fkLookup; }
    void SetLookup(bool Value) { SetFieldKind(Value ? fkLookup : fkData); }
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    // The name with parents for child fields of object fields; here the field name.
    String FullName() const { return FFieldName; }
    // 1-based number of the data field in its dataset's definitions; -1 for calculated fields,
    // 0 when unbound.
    int FieldNo() const { return FFieldNo; }
    // Position in the dataset's Fields list; setting it moves the field.
    int Index() const;
    void SetIndex(int Value);
    int Size() const { return FSize; }
    virtual void SetSize(int Value);
    // The storage size the field's native form takes (the framework's DataSize).
    virtual int DataSize() const { return 0; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    String DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const String& Value);
    String DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int Value);
    const String& EditMask() const { return FEditMask; }
    void SetEditMask(const String& Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Required() const { return FRequired; }
    void SetRequired(bool Value) { FRequired = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    const String& DefaultExpression() const { return FDefaultExpression; }
    void SetDefaultExpression(const String& Value) { FDefaultExpression = Value; }
    const String& Origin() const { return FOrigin; }
    void SetOrigin(const String& Value) { FOrigin = Value; }
    const String& CustomConstraint() const { return FCustomConstraint; }
    void SetCustomConstraint(const String& Value) { FCustomConstraint = Value; }
    const String& ConstraintErrorMessage() const { return FConstraintErrorMessage; }
    void SetConstraintErrorMessage(const String& Value) { FConstraintErrorMessage = Value; }
    TProviderFlags ProviderFlags() const { return FProviderFlags; }
    void SetProviderFlags(TProviderFlags Value) { FProviderFlags = Value; }
    TAutoRefreshFlag AutoGenerateValue() const { return FAutoGenerateValue; }
    void SetAutoGenerateValue(TAutoRefreshFlag Value) { FAutoGenerateValue = Value; }
    // Characters the field accepts while typing (the default: every character).
    virtual bool IsValidChar(QChar InputChar) const;
    virtual bool IsBlob() const { return false; }
    bool CanModify() const;
    // The value was changed in the current edit.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    // Values. Reading needs a dataset with a current record ("No current record" otherwise is
    // answered as Null); writing goes through Validate and the dataset.
    bool IsNull() const;
    virtual Variant AsVariant() const;
    Variant Value() const { return AsVariant(); }
    virtual void SetAsVariant(const Variant& Value);
    void SetValue(const Variant& V) { SetAsVariant(V); }
    virtual String AsString() const;
    virtual void SetAsString(const String& Value);
    virtual Integer AsInteger() const;
    virtual void SetAsInteger(Integer Value);
    virtual Int64 AsLargeInt() const;
    virtual void SetAsLargeInt(Int64 Value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double Value);
    virtual Extended AsExtended() const { return AsFloat(); }
    virtual void SetAsExtended(Extended Value) { SetAsFloat(static_cast<double>(Value)); }
    virtual Currency AsCurrency() const;
    virtual void SetAsCurrency(Currency Value);
    virtual TBcd AsBCD() const;
    virtual void SetAsBCD(const TBcd& Value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool Value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime Value);
    virtual TSQLTimeStamp AsSQLTimeStamp() const;
    virtual void SetAsSQLTimeStamp(const TSQLTimeStamp& Value);
    virtual TBytes AsBytes() const;
    virtual void SetAsBytes(const TBytes& Value);
    // Old and current values of the record being edited (the dataset's dsOldValue/dsCurValue).
    Variant OldValue() const;
    Variant CurValue() const;
    Variant NewValue() const;
    void SetNewValue(const Variant& Value);
    void Clear() { SetData(Null()); }

    // Texts: Text is the edit text, DisplayText the shown one; both go through OnGetText.
    String Text() const { return GetTextValue(false); }
    void SetText(const String& Value);
    String DisplayText() const { return GetTextValue(true); }

    // The native value (see the table at the top): false for Null or no current record.
    bool GetData(Variant& Value) const;
    // Stores a native value through the dataset (Null clears); Validate runs in the dataset.
    void SetData(const Variant& Value);
    // The framework's validation step: Required is checked at post; here OnValidate sees the
    // new value through the field (Value reads it while the handler runs).
    virtual void Validate(const Variant& Value);
    // Converts a value to the field's native kind (EConvertError / database error when it cannot).
    virtual Variant NativeValue(const Variant& Value) const;
    // Change: OnChange.
    virtual void Change();
    // Focuses the control that shows this field (deFocusControl).
    void FocusControl();
    virtual void Assign(TPersistent* Source) override;
    // Copies the display properties (label, width, alignment, formats, visibility ...).
    virtual void AssignProps(TField* Source);

    // Lookup fields.
    TDataSet* LookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* Value);
    const String& KeyFields() const { return FKeyFields; }
    void SetKeyFields(const String& Value) { FKeyFields = Value; }
    const String& LookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const String& Value) { FLookupKeyFields = Value; }
    const String& LookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const String& Value) { FLookupResultField = Value; }
    bool LookupCache() const { return FLookupCache; }
    void SetLookupCache(bool Value);
    TLookupList* LookupList() { return &FLookupList; }
    // Fills the cache from the lookup dataset (every record's key and result).
    void RefreshLookupList();
    // The lookup value for the dataset's current key values (writes it into the field).
    virtual void CalcLookupValue();

    // Events.
    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Used by the dataset while binding.
    void SetFieldNo(int Value) { FFieldNo = Value; }
    void SetDataTypeInternal(TFieldType Value) { FDataType = Value; }
    void SetParentField(TObjectField* Value) { FParentField = Value; }
    TObjectField* ParentField() const { return FParentField; }
    bool Validating() const { return FValidating; }

protected:
    // The texts: the default is AsString for both; numeric and date fields format.
    virtual void GetText(String& Text, bool DisplayText) const;
    virtual void SetTextValue(const String& Value) { SetAsString(Value); }
    String GetTextValue(bool ADisplay) const;
    virtual int DefaultDisplayWidth() const { return 10; }
    // Raises the framework's conversion error "'%s' is not a valid %s value" / the type
    // mismatch "Invalid type conversion for field '%s'"-like errors.
    [[noreturn]] void AccessError(const String& TypeName) const;
    [[noreturn]] void RangeError(Extended Value, Extended Min, Extended Max) const;
    void CheckInactive() const;
    // Tells the dataset's controls that a property shown by them changed.
    void PropertyChanged(bool LayoutAffected);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TDataSet* FDataSet = nullptr;
    TFieldType FDataType = ftUnknown;
    TFieldKind FFieldKind = fkData;
    String FFieldName;
    int FFieldNo = 0;
    int FSize = 0;
    TAlignment FAlignment = taLeftJustify;
    String FDisplayLabel;
    int FDisplayWidth = 0;
    String FEditMask;
    bool FReadOnly = false;
    bool FRequired = false;
    bool FVisible = true;
    bool FModified = false;
    String FDefaultExpression;
    String FOrigin;
    String FCustomConstraint;
    String FConstraintErrorMessage;
    TProviderFlags FProviderFlags{pfInUpdate, pfInWhere};
    TAutoRefreshFlag FAutoGenerateValue = arNone;
    TDataSet* FLookupDataSet = nullptr;
    String FKeyFields;
    String FLookupKeyFields;
    String FLookupResultField;
    bool FLookupCache = false;
    TLookupList FLookupList;
    TObjectField* FParentField = nullptr;
    bool FValidating = false;
    Variant FValidateValue;
};

// ---- strings ---------------------------------------------------------------------------------
class TStringField : public TField {
    SDELKA_CLASS(TStringField, TField)
protected:
    explicit TStringField(TComponent* AOwner);
    ~TStringField() override = default;

public:
    int DataSize() const override { return FSize + 1; }
    String AsString() const override;
    void SetAsString(const String& Value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer Value) override;
    Int64 AsLargeInt() const override;
    void SetAsLargeInt(Int64 Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool Value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime Value) override;
    Variant AsVariant() const override;
    // Texts longer than Size are cut (the framework's fixed-width storage).
    Variant NativeValue(const Variant& Value) const override;
    bool FixedChar() const { return FFixedChar; }
    void SetFixedChar(bool Value) { FFixedChar = Value; }
    bool Transliterate() const { return FTransliterate; }
    void SetTransliterate(bool Value) { FTransliterate = Value; }

protected:
    int DefaultDisplayWidth() const override { return FSize; }
    bool FFixedChar = false;
    bool FTransliterate = true;
};

class TWideStringField : public TStringField {
    SDELKA_CLASS(TWideStringField, TStringField)
protected:
    explicit TWideStringField(TComponent* AOwner);
    ~TWideStringField() override = default;

public:
    int DataSize() const override { return (FSize + 1) * 2; }
};

class TGuidField : public TStringField {
    SDELKA_CLASS(TGuidField, TStringField)
protected:
    ~TGuidField() override = default;
    explicit TGuidField(TComponent* AOwner);
};

// ---- numbers ---------------------------------------------------------------------------------
class TNumericField : public TField {
    SDELKA_CLASS(TNumericField, TField)
protected:
    explicit TNumericField(TComponent* AOwner);
    ~TNumericField() override = default;

public:
    // FormatFloat masks ("#,##0.00"); empty: the field's own default text.
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    const String& EditFormat() const { return FEditFormat; }
    void SetEditFormat(const String& Value);
    // Digits, the sign, the decimal separator and E/e (integers: digits and signs).
    bool IsValidChar(QChar InputChar) const override;

protected:
    String FDisplayFormat;
    String FEditFormat;
};

class TIntegerField : public TNumericField {
    SDELKA_CLASS(TIntegerField, TNumericField)
protected:
    explicit TIntegerField(TComponent* AOwner);
    ~TIntegerField() override = default;

public:
    int DataSize() const override { return 4; }
    Int64 MinValue() const { return FMinValue; }
    void SetMinValue(Int64 Value) { FMinValue = Value; }
    Int64 MaxValue() const { return FMaxValue; }
    void SetMaxValue(Int64 Value) { FMaxValue = Value; }
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer Value) override;
    Int64 AsLargeInt() const override;
    void SetAsLargeInt(Int64 Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool Value) override { SetAsInteger(Value ? 1 : 0); }
    Variant NativeValue(const Variant& Value) const override;
    bool IsValidChar(QChar InputChar) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 10; }
    // The type's own range (the framework's limits of the storage); MinValue/MaxValue narrow it.
    virtual Int64 TypeMin() const { return INT32_MIN; }
    virtual Int64 TypeMax() const { return INT32_MAX; }
    void CheckRange(Int64 Value) const;
    Int64 FMinValue = 0;
    Int64 FMaxValue = 0;
};

class TSmallintField : public TIntegerField {
    SDELKA_CLASS(TSmallintField, TIntegerField)
protected:
    explicit TSmallintField(TComponent* AOwner);
    ~TSmallintField() override = default;

public:
    int DataSize() const override { return 2; }
protected:
    Int64 TypeMin() const override { return -32768; }
    Int64 TypeMax() const override { return 32767; }
    int DefaultDisplayWidth() const override { return 6; }
};

class TShortintField : public TIntegerField {
    SDELKA_CLASS(TShortintField, TIntegerField)
protected:
    explicit TShortintField(TComponent* AOwner);
    ~TShortintField() override = default;

public:
    int DataSize() const override { return 1; }
protected:
    Int64 TypeMin() const override { return -128; }
    Int64 TypeMax() const override { return 127; }
    int DefaultDisplayWidth() const override { return 4; }
};

class TByteField : public TIntegerField {
    SDELKA_CLASS(TByteField, TIntegerField)
protected:
    explicit TByteField(TComponent* AOwner);
    ~TByteField() override = default;

public:
    int DataSize() const override { return 1; }
protected:
    Int64 TypeMin() const override { return 0; }
    Int64 TypeMax() const override { return 255; }
    int DefaultDisplayWidth() const override { return 3; }
};

class TWordField : public TIntegerField {
    SDELKA_CLASS(TWordField, TIntegerField)
protected:
    explicit TWordField(TComponent* AOwner);
    ~TWordField() override = default;

public:
    int DataSize() const override { return 2; }
protected:
    Int64 TypeMin() const override { return 0; }
    Int64 TypeMax() const override { return 65535; }
    int DefaultDisplayWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
    SDELKA_CLASS(TAutoIncField, TIntegerField)
protected:
    ~TAutoIncField() override = default;
    explicit TAutoIncField(TComponent* AOwner);
};

class TLongWordField : public TIntegerField {
    SDELKA_CLASS(TLongWordField, TIntegerField)
protected:
    explicit TLongWordField(TComponent* AOwner);
    ~TLongWordField() override = default;

public:
protected:
    Int64 TypeMin() const override { return 0; }
    Int64 TypeMax() const override { return UINT32_MAX; }
};

class TLargeintField : public TIntegerField {
    SDELKA_CLASS(TLargeintField, TIntegerField)
protected:
    explicit TLargeintField(TComponent* AOwner);
    ~TLargeintField() override = default;

public:
    int DataSize() const override { return 8; }
protected:
    Int64 TypeMin() const override { return INT64_MIN; }
    Int64 TypeMax() const override { return INT64_MAX; }
    int DefaultDisplayWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
    SDELKA_CLASS(TFloatField, TNumericField)
protected:
    explicit TFloatField(TComponent* AOwner);
    ~TFloatField() override = default;

public:
    int DataSize() const override { return 8; }
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value);
    // Significant digits of the default text (15).
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);
    double MinValue() const { return FMinValue; }
    void SetMinValue(double Value) { FMinValue = Value; }
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double Value) { FMaxValue = Value; }
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer Value) override { SetAsFloat(Value); }
    Int64 AsLargeInt() const override;
    void SetAsLargeInt(Int64 Value) override { SetAsFloat(static_cast<double>(Value)); }
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    ::Currency AsCurrency() const override;
    void SetAsCurrency(::Currency Value) override { SetAsFloat(Value.ToDouble()); }
    Variant NativeValue(const Variant& Value) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
    bool FCurrency = false;
    int FPrecision = 15;
    double FMinValue = 0;
    double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
    SDELKA_CLASS(TCurrencyField, TFloatField)
protected:
    ~TCurrencyField() override = default;
    explicit TCurrencyField(TComponent* AOwner);
};

class TExtendedField : public TFloatField {
    SDELKA_CLASS(TExtendedField, TFloatField)
protected:
    ~TExtendedField() override = default;
    explicit TExtendedField(TComponent* AOwner);
};

class TSingleField : public TFloatField {
    SDELKA_CLASS(TSingleField, TFloatField)
protected:
    explicit TSingleField(TComponent* AOwner);
    ~TSingleField() override = default;

public:
    int DataSize() const override { return 4; }
};

// BCD: the value is a Currency (four decimals); Size is the number of decimals, Precision the
// number of digits (0: any).
class TBCDField : public TNumericField {
    SDELKA_CLASS(TBCDField, TNumericField)
protected:
    explicit TBCDField(TComponent* AOwner);
    ~TBCDField() override = default;

public:
    int DataSize() const override { return 34; }
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value);
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }
    ::Currency MinValue() const { return FMinValue; }
    void SetMinValue(::Currency Value) { FMinValue = Value; }
    ::Currency MaxValue() const { return FMaxValue; }
    void SetMaxValue(::Currency Value) { FMaxValue = Value; }
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer Value) override { SetAsCurrency(Value); }
    Int64 AsLargeInt() const override;
    void SetAsLargeInt(Int64 Value) override { SetAsCurrency(Value); }
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    ::Currency AsCurrency() const override;
    void SetAsCurrency(::Currency Value) override;
    TBcd AsBCD() const override;
    void SetAsBCD(const TBcd& Value) override;
    Variant NativeValue(const Variant& Value) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
    bool FCurrency = false;
    int FPrecision = 0;
    ::Currency FMinValue;
    ::Currency FMaxValue;
};

class TFMTBCDField : public TNumericField {
    SDELKA_CLASS(TFMTBCDField, TNumericField)
protected:
    explicit TFMTBCDField(TComponent* AOwner);
    ~TFMTBCDField() override = default;

public:
    int DataSize() const override { return static_cast<int>(sizeof(TBcd)); }
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value);
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer Value) override { SetAsBCD(IntegerToBcd(Value)); }
    Int64 AsLargeInt() const override;
    void SetAsLargeInt(Int64 Value) override { SetAsBCD(IntegerToBcd(Value)); }
    double AsFloat() const override;
    void SetAsFloat(double Value) override { SetAsBCD(DoubleToBcd(Value)); }
    ::Currency AsCurrency() const override;
    void SetAsCurrency(::Currency Value) override { SetAsBCD(CurrToBCD(Value)); }
    TBcd AsBCD() const override;
    void SetAsBCD(const TBcd& Value) override;
    Variant NativeValue(const Variant& Value) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
    bool FCurrency = false;
    int FPrecision = 15;
};

// ---- Boolean ---------------------------------------------------------------------------------
class TBooleanField : public TField {
    SDELKA_CLASS(TBooleanField, TField)
protected:
    explicit TBooleanField(TComponent* AOwner);
    ~TBooleanField() override = default;

public:
    int DataSize() const override { return 2; }
    // "True;False": the texts of the two values (the first of each part is used to read text too).
    const String& DisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const String& Value);
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool Value) override;
    Integer AsInteger() const override { return AsBoolean() ? 1 : 0; }
    void SetAsInteger(Integer Value) override { SetAsBoolean(Value != 0); }
    Variant NativeValue(const Variant& Value) const override;

protected:
    int DefaultDisplayWidth() const override;
    String FDisplayValues;
    String FTextTrue = QStringLiteral("True");
    String FTextFalse = QStringLiteral("False");
};

// ---- dates -----------------------------------------------------------------------------------
class TDateTimeField : public TField {
    SDELKA_CLASS(TDateTimeField, TField)
protected:
    explicit TDateTimeField(TComponent* AOwner);
    ~TDateTimeField() override = default;

public:
    int DataSize() const override { return 8; }
    // FormatDateTime pattern of DisplayText; empty: the type's default (date, time or both).
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime Value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double Value) override { SetAsDateTime(Value); }
    TSQLTimeStamp AsSQLTimeStamp() const override;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& Value) override;
    Variant NativeValue(const Variant& Value) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 18; }
    // The default pattern: short date + long time (date-time), short date, long time.
    virtual String DefaultFormat() const;
    String FDisplayFormat;
};

class TDateField : public TDateTimeField {
    SDELKA_CLASS(TDateField, TDateTimeField)
protected:
    explicit TDateField(TComponent* AOwner);
    ~TDateField() override = default;

public:
protected:
    String DefaultFormat() const override;
    int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
    SDELKA_CLASS(TTimeField, TDateTimeField)
protected:
    explicit TTimeField(TComponent* AOwner);
    ~TTimeField() override = default;

public:
protected:
    String DefaultFormat() const override;
    int DefaultDisplayWidth() const override { return 10; }
};

class TSQLTimeStampField : public TField {
    SDELKA_CLASS(TSQLTimeStampField, TField)
protected:
    explicit TSQLTimeStampField(TComponent* AOwner);
    ~TSQLTimeStampField() override = default;

public:
    int DataSize() const override { return static_cast<int>(sizeof(TSQLTimeStamp)); }
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime Value) override;
    TSQLTimeStamp AsSQLTimeStamp() const override;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& Value) override;
    Variant NativeValue(const Variant& Value) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 20; }
    String FDisplayFormat;
};

class TSQLTimeStampOffsetField : public TSQLTimeStampField {
    SDELKA_CLASS(TSQLTimeStampOffsetField, TSQLTimeStampField)
protected:
    explicit TSQLTimeStampOffsetField(TComponent* AOwner);
    ~TSQLTimeStampOffsetField() override = default;

public:
    Variant NativeValue(const Variant& Value) const override;
};

// ---- binary and blobs ------------------------------------------------------------------------
class TBinaryField : public TField {
    SDELKA_CLASS(TBinaryField, TField)
protected:
    explicit TBinaryField(TComponent* AOwner);
    ~TBinaryField() override = default;

public:
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    TBytes AsBytes() const override;
    void SetAsBytes(const TBytes& Value) override;
    Variant NativeValue(const Variant& Value) const override;

protected:
    void GetText(String& Text, bool DisplayText) const override;
};

class TBytesField : public TBinaryField {
    SDELKA_CLASS(TBytesField, TBinaryField)
protected:
    explicit TBytesField(TComponent* AOwner);
    ~TBytesField() override = default;

public:
    int DataSize() const override { return FSize; }
};

class TVarBytesField : public TBytesField {
    SDELKA_CLASS(TVarBytesField, TBytesField)
protected:
    explicit TVarBytesField(TComponent* AOwner);
    ~TVarBytesField() override = default;

public:
    int DataSize() const override { return FSize + 2; }
};

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
using TBlobType = TFieldType;  // ftBlob .. ftTypedBinary, ftOraBlob, ftOraClob, ftWideMemo

class TBlobField : public TField {
    SDELKA_CLASS(TBlobField, TField)
protected:
    explicit TBlobField(TComponent* AOwner);
    ~TBlobField() override = default;

public:
    bool IsBlob() const override { return true; }
    TBlobType BlobType() const { return FDataType; }
    void SetBlobType(TBlobType Value);
    // Bytes of the value.
    int BlobSize() const;
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override;
    TBytes AsBytes() const override;
    void SetAsBytes(const TBytes& Value) override;
    Variant NativeValue(const Variant& Value) const override;
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream) const;
    void LoadFromFile(const String& FileName);
    void SaveToFile(const String& FileName) const;
    void Assign(TPersistent* Source) override;
    // The type's name in brackets: "(Memo)" when empty, "(MEMO)" with text; "(WideMemo)", "(Blob)" alike.
    void GetText(String& Text, bool DisplayText) const override;

protected:
    // The raw bytes of the native value (memo text as UTF-8 for memo types) and back.
    TBytes ValueBytes() const;
    void SetValueBytes(const TBytes& Bytes);
};

class TMemoField : public TBlobField {
    SDELKA_CLASS(TMemoField, TBlobField)
protected:
    explicit TMemoField(TComponent* AOwner);
    ~TMemoField() override = default;

public:
    String AsString() const override;
    void SetAsString(const String& Value) override;
    Variant AsVariant() const override;
};

class TWideMemoField : public TMemoField {
    SDELKA_CLASS(TWideMemoField, TMemoField)
protected:
    ~TWideMemoField() override = default;
    explicit TWideMemoField(TComponent* AOwner);
};

// A graphic field stores the picture's bytes. The framework wrote a small header before the
// bitmap bytes of a graphic field; GraphicHeader strips it when present (see fields.cpp).
class TGraphicField : public TBlobField {
    SDELKA_CLASS(TGraphicField, TBlobField)
protected:
    explicit TGraphicField(TComponent* AOwner);
    ~TGraphicField() override = default;

public:
    // The picture's bytes without the framework's graphic header (when it has one).
    TBytes GraphicData() const;
};
// The header the framework puts before a bitmap in a graphic field: true when Bytes start with
// it; HeaderSize receives its length (8 bytes: count 1, type 1, size).
bool HasGraphicHeader(const TBytes& Bytes, int& HeaderSize);

// A stream over a blob field's value: reading gets the value at creation; writing collects
// bytes and stores them in the field when the stream is freed (bmWrite starts empty).
class TBlobStream : public TMemoryStream {
    SDELKA_CLASS(TBlobStream, TMemoryStream)
public:
    TBlobStream(TBlobField* Field, TBlobStreamMode Mode);
    ~TBlobStream() override;
    Integer Write(const void* Buffer, Integer Count) override;
    void SetSize(Int64 NewSize) override;
    void Truncate();

private:
    TBlobField* FField;
    TBlobStreamMode FMode;
    bool FModified = false;
};

// ---- variant, interface, aggregate ------------------------------------------------------------
class TVariantField : public TField {
    SDELKA_CLASS(TVariantField, TField)
protected:
    explicit TVariantField(TComponent* AOwner);
    ~TVariantField() override = default;

public:
    int DataSize() const override { return 16; }
    Variant AsVariant() const override;
    String AsString() const override;
    void SetAsString(const String& Value) override { SetAsVariant(Value); }
    Variant NativeValue(const Variant& Value) const override { return Value; }
};

class TInterfaceField : public TField {
    SDELKA_CLASS(TInterfaceField, TField)
protected:
    explicit TInterfaceField(TComponent* AOwner);
    ~TInterfaceField() override = default;

public:
    Variant NativeValue(const Variant& Value) const override { return Value; }
};

class TIDispatchField : public TInterfaceField {
    SDELKA_CLASS(TIDispatchField, TInterfaceField)
protected:
    ~TIDispatchField() override = default;
    explicit TIDispatchField(TComponent* AOwner);
};

// Object fields (ADT, array, reference, dataset) are listed for completeness of the family; a
// field of such a type has no value of its own here.
class TObjectField : public TField {
    SDELKA_CLASS(TObjectField, TField)
protected:
    ~TObjectField() override = default;
    explicit TObjectField(TComponent* AOwner);
};

// A field whose value is an aggregate the dataset computes (GetAggregateValue).
class TAggregateField : public TField {
    SDELKA_CLASS(TAggregateField, TField)
protected:
    explicit TAggregateField(TComponent* AOwner);
    ~TAggregateField() override = default;

public:
    const String& Expression() const { return FExpression; }
    // A change tells the dataset (ResetAggField), which recomputes the aggregate.
    void SetExpression(const String& Value);
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value) { FDisplayFormat = Value; }
    // A handle the dataset keeps for its own aggregate object.
    void* Handle() const { return FHandle; }
    void SetHandle(void* Value) { FHandle = Value; }
    Variant AsVariant() const override;
    String AsString() const override;
    Variant NativeValue(const Variant& Value) const override { return Value; }

protected:
    void GetText(String& Text, bool DisplayText) const override;
    String FExpression;
    bool FActive = false;
    String FDisplayFormat;
    void* FHandle = nullptr;
};

// ---- TFields ---------------------------------------------------------------------------------
// The dataset's list of fields (not owning: fields belong to their owner component).
class TFields {
public:
    explicit TFields(TDataSet* ADataSet) : FDataSet(ADataSet) {}
    int Count() const { return static_cast<int>(FList.size()); }
    TField* Fields(int Index) const;
    TField* operator[](int Index) const { return Fields(Index); }
    void Add(TField* Field);
    void Remove(TField* Field);
    void Clear();
    int IndexOf(const TField* Field) const;
    void SetFieldIndex(TField* Field, int Value);
    // Case-insensitive search by field name: through a hash of the names ignoring case, then,
    // for what that does not find, by the collation.
    TField* FindField(const String& FieldName) const;
    // A field of the list was renamed.
    void FieldNameChanged() { HashNames(); }
    // "Field '%s' not found" (EDatabaseError) when missing.
    TField* FieldByName(const String& FieldName) const;
    TField* FieldByNumber(int FieldNo) const;
    TDataSet* DataSet() const { return FDataSet; }
    std::vector<TField*>::const_iterator begin() const { return FList.begin(); }
    std::vector<TField*>::const_iterator end() const { return FList.end(); }

private:
    void HashNames();

    TDataSet* FDataSet;
    std::vector<TField*> FList;
    // (hash of the name ignoring case, position in FList), by hash and then position; made again
    // on every change of the list or of a name, so that a search only reads it.
    std::vector<std::pair<size_t, int>> FNameHash;
};

// ---- field definitions ------------------------------------------------------------------------
enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = TSet<TFieldAttribute>;

class TFieldDef : public TCollectionItem {
    SDELKA_CLASS(TFieldDef, TCollectionItem)
protected:
    explicit TFieldDef(TCollection* Collection);
    ~TFieldDef() override;

public:
    const String& Name() const { return FName; }
    void SetName(const String& Value);
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType Value);
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; Changed(false); }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; Changed(false); }
    TFieldAttributes Attributes() const { return FAttributes; }
    void SetAttributes(TFieldAttributes Value) { FAttributes = Value; Changed(false); }
    bool Required() const { return FAttributes.Contains(faRequired); }
    void SetRequired(bool Value);
    bool InternalCalcField() const { return FInternalCalcField; }
    void SetInternalCalcField(bool Value) { FInternalCalcField = Value; Changed(false); }
    // 1-based number; by default the position in the flat list + 1.
    int FieldNo() const;
    void SetFieldNo(int Value) { FFieldNo = Value; }
    // Child definitions of object types (created on first use).
    TFieldDefs* ChildDefs();
    bool HasChildDefs() const;
    TFieldDef* ParentDef() const;
    // The field class the dataset makes for this definition.
    TClass FieldClass() const;
    // Makes the field (owner Owner, bound to the dataset of the definitions).
    TField* CreateField(TComponent* Owner, TObjectField* ParentField = nullptr,
                        const String& FieldName = String(), bool CheckType = true);
    void Assign(TPersistent* Source) override;

protected:
    String GetDisplayName() override { return FName; }

private:
    String FName;
    TFieldType FDataType = ftUnknown;
    int FSize = 0;
    int FPrecision = 0;
    TFieldAttributes FAttributes;
    bool FInternalCalcField = false;
    int FFieldNo = 0;
    TFieldDefs* FChildDefs = nullptr;
};

class TFieldDefs : public TOwnedCollection {
    SDELKA_CLASS(TFieldDefs, TOwnedCollection)
protected:
    // AOwner: the dataset, or the parent definition for child definitions.
    explicit TFieldDefs(TPersistent* AOwner);
    ~TFieldDefs() override = default;

public:
    TFieldDef* AddFieldDef();
    // Add(Name, DataType, Size, Required); a duplicate name raises "Duplicate name '%s' in %s".
    void Add(const String& Name, TFieldType DataType, int Size = 0, bool Required = false);
    TFieldDef* Find(const String& Name) const;  // "Field '%s' not found"
    int IndexOf(const String& Name) const;      // case-insensitive, -1
    TFieldDef* Items(int Index) const { return ItemsAs<TFieldDef>(Index); }
    TFieldDef* operator[](int Index) const { return Items(Index); }
    bool Updated() const { return FUpdated; }
    void SetUpdated(bool Value) { FUpdated = Value; }
    // Asks the dataset to fill the definitions when they are not up to date.
    void Update();
    bool HiddenFields() const { return FHiddenFields; }
    void SetHiddenFields(bool Value) { FHiddenFields = Value; }
    TDataSet* DataSet() const { return FDataSet; }
    TFieldDef* ParentDef() const { return FParentDef; }
    // All definitions, children after their parent, with names joined by ".".
    void GetFlatList(std::vector<std::pair<String, TFieldDef*>>& List) const;

protected:
    void Update(TCollectionItem* Item) override;
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    TDataSet* FDataSet = nullptr;
    TFieldDef* FParentDef = nullptr;
    bool FUpdated = false;
    bool FHiddenFields = false;
};

// ---- index definitions ------------------------------------------------------------------------
enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TSet<TIndexOption>;

class TIndexDef : public TCollectionItem {
    SDELKA_CLASS(TIndexDef, TCollectionItem)
protected:
    explicit TIndexDef(TCollection* Collection);
    ~TIndexDef() override = default;

public:
    const String& Name() const { return FName; }
    void SetName(const String& Value) { FName = Value; Changed(false); }
    // ";"-separated field names.
    const String& Fields() const { return FFields; }
    void SetFields(const String& Value) { FFields = Value; Changed(false); }
    TIndexOptions Options() const { return FOptions; }
    void SetOptions(TIndexOptions Value) { FOptions = Value; Changed(false); }
    const String& DescFields() const { return FDescFields; }
    void SetDescFields(const String& Value) { FDescFields = Value; Changed(false); }
    const String& CaseInsFields() const { return FCaseInsFields; }
    void SetCaseInsFields(const String& Value) { FCaseInsFields = Value; Changed(false); }
    const String& Expression() const { return FExpression; }
    void SetExpression(const String& Value) { FExpression = Value; Changed(false); }
    const String& Source() const { return FSource; }
    void SetSource(const String& Value) { FSource = Value; }
    int GroupingLevel() const { return FGroupingLevel; }
    void SetGroupingLevel(int Value) { FGroupingLevel = Value; }
    void Assign(TPersistent* Source) override;

protected:
    String GetDisplayName() override { return FName; }

private:
    String FName, FFields, FDescFields, FCaseInsFields, FExpression, FSource;
    TIndexOptions FOptions;
    int FGroupingLevel = 0;
};

class TIndexDefs : public TOwnedCollection {
    SDELKA_CLASS(TIndexDefs, TOwnedCollection)
protected:
    explicit TIndexDefs(TDataSet* ADataSet);
    ~TIndexDefs() override = default;

public:
    TIndexDef* AddIndexDef();
    void Add(const String& Name, const String& Fields, TIndexOptions Options);
    TIndexDef* Find(const String& Name) const;  // "Index '%s' not found"
    int IndexOf(const String& Name) const;
    TIndexDef* Items(int Index) const { return ItemsAs<TIndexDef>(Index); }
    TIndexDef* operator[](int Index) const { return Items(Index); }
    // The index over exactly these fields (case-insensitive names, ";" separated), or nullptr;
    // CaseInsensitive asks for an index with ixCaseInsensitive.
    TIndexDef* GetIndexForFields(const String& Fields, bool CaseInsensitive) const;
    bool Updated() const { return FUpdated; }
    void SetUpdated(bool Value) { FUpdated = Value; }
    void Update();
    TDataSet* DataSet() const { return FDataSet; }

private:
    TDataSet* FDataSet;
    bool FUpdated = false;
};
