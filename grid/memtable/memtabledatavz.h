// Record store of the in-memory dataset: the structure (typed field descriptions), the stored
// records with their value versions and update status, and the record list with its change log
// and notifications.
#pragma once

#include "platform/rtl/blocklistvz.h"
#include "grid/core/coretoolsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/variant.h"

#include <cassert>
#include <climits>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class TMTDataStructVz;
class TMTDataFieldVz;
struct TMTRecLayoutVz;
class TMemoryRecordVz;
class TRecordsListVz;
class TMemTableDataVz;
class TMTIndexesVz;

using TMTDataFieldClassVz = TClass;
using TIntArrayVz = std::vector<int>;

// The Variant kind of a one-dimensional byte array (blobs, bytes).
inline constexpr TVarType varByteArrayVz = varArray | varByte;

// ---- field sub-types ----------------------------------------------------------------------------
enum TStringDataFieldTypesVz {
    fdtStringVz, fdtFixedCharVz, fdtWideStringVz, fdtGuidVz, fdtFixedWideCharVz, fdtOraIntervalVz
};
enum TNumericDataFieldTypesVz {
    fdtSmallintVz, fdtIntegerVz, fdtWordVz, fdtFloatVz, fdtCurrencyVz, fdtBCDVz, fdtAutoIncVz,
    fdtLargeintVz, fdtFMTBcdVz, fdtLongWordVz, fdtShortintVz, fdtByteVz, fdtExtendedVz, fdtSingleVz
};
enum TDateTimeDataFieldTypesVz { fdtDateVz, fdtTimeVz, fdtDateTimeVz };
enum TInterfaceDataFieldTypesVz { fdtInterfaceVz, fdtIDispatchVz };
enum TVariantDataFieldTypesVz { fdtVariant, fdtBytes, fdtVarBytes };
enum TSQLTimeStampDataFieldTypesVz { fdtTimeStampVz, fdtOraTimeStampVz, fdtTimeStampOffsetVz };

// The Variant kind in which values of a field type are stored (varError for types no store field
// can be built for).
TVarType MTFieldTypeVarTypeVz(TFieldType DataType);
// The store field class for a framework field type, or nullptr (ftCursor, ftADT ...).
TMTDataFieldClassVz DataFieldClassForFieldTypeVz(TFieldType DataType);
// Casts a value to the Variant kind of a field: Null stays Null, Empty stays Unassigned, a
// varVariant kind keeps the value, a byte array becomes the text of its bytes for 8-bit text;
// anything else is cast (the Variant conversion errors propagate).
Variant CastValueToVarTypeVz(const Variant& Value, TVarType VarType);

// ---- structure ----------------------------------------------------------------------------------
class TMTDataStructVz : public TComponent {
    SDELKA_CLASS(TMTDataStructVz, TComponent)
protected:
    explicit TMTDataStructVz(TMemTableDataVz* AMemTableData);
    ~TMTDataStructVz() override;

public:
    void BeforeDestruction() override;

    int Count() const { return FList->Count(); }
    TMTDataFieldVz* GetDataField(int Index) const;
    TMTDataFieldVz* operator[](int Index) const { return GetDataField(Index); }
    TMemTableDataVz* MemTableData() const { return FMemTableData; }
    TNotifyEvent OnStructChanged;

    void Clear();
    TMTDataFieldVz* CreateField(TMTDataFieldClassVz FieldClass);
    template <class T>
    T* CreateField() { return static_cast<T*>(CreateField(T::StaticClass())); }
    void InsertField(TMTDataFieldVz* Field);
    void RemoveField(TMTDataFieldVz* Field);
    int IndexOfField(const TMTDataFieldVz* Field) const;
    void MoveField(TMTDataFieldVz* Field, int NewIndex);

    TMTDataFieldVz* FindField(const String& FieldName) const;
    TMTDataFieldVz* FieldByName(const String& FieldName) const;
    int FieldIndex(const String& FieldName) const;
    TIntArrayVz FieldsIndex(const String& FieldNames) const;
    void GetFieldList(std::vector<TMTDataFieldVz*>* List, const String& FieldNames) const;
    TMTDataFieldVz* FindFieldByGIUD(const String& GUID) const;
    void CheckFieldName(const String& FieldName) const;
    TMTDataFieldVz* ChangeFieldType(const String& FieldName, TMTDataFieldClassVz FieldClass);

    void BuildStructFromFieldDefs(TFieldDefs* FieldDefs);
    TMTDataFieldVz* BuildDataFieldForFieldDef(TFieldDef* FieldDef);
    TMTDataFieldVz* BuildDataFieldForDef(const String& Name, TFieldType DataType, int Precision, int Size);
    TMTDataFieldVz* BuildDataFieldForField(TField* Field);
    TMTDataFieldVz* BuildAndCopyDataFieldForField(TField* Field);
    void BuildStructFromFields(TFields* Fields);
    void BuildFieldDefsFromStruct(TFieldDefs* FieldDefs) const;

    void Assign(TPersistent* Source) override;
    TMTDataStructVz* GetCopy() const;
    TMTDataStructVz* BeginRestructure() const { return GetCopy(); }
    void EndRestructure(TMTDataStructVz* NewStructure, bool ApplyNewStructure);

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate(bool AStructChanged);
    int UpdateCount() const { return FUpdateCount; }
    void StructChanged();
    bool IsStructChanged() const { return FStructChanged; }
    void ClearStructChanged() { FStructChanged = false; }

    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    TComponent* GetChildOwner() override { return this; }

private:
    friend class TMTDataFieldVz;
    friend class TRecordsListVz;
    TMTDataFieldVz* BuildFieldOfType(TFieldType DataType);
    void RelayoutRecords(const TMTDataStructVz* Source);
    void FreeFields();
    // The value block layout for new records, made again when the fields' kinds changed (every
    // change of the field list or of a field's kind drops it, so a layout still held fits).
    const TMTRecLayoutVz* RecordLayout() {
        assert(!FLayout || LayoutFits());
        return FLayout ? FLayout : MakeRecordLayout();
    }
    const TMTRecLayoutVz* MakeRecordLayout();
    bool LayoutFits() const;
    void ReleaseLayout();

    const TMTRecLayoutVz* FLayout = nullptr;

    TOwned<TObjectListVz> FList = NewOwned<TObjectListVz>();
    TMemTableDataVz* FMemTableData = nullptr;
    Int64 FNextFieldId = 0;
    bool FStructChanged = false;
    int FUpdateCount = 0;
};

// ---- field description --------------------------------------------------------------------------
class TMTDataFieldVz : public TComponent {
    SDELKA_CLASS(TMTDataFieldVz, TComponent)
protected:
    explicit TMTDataFieldVz(TComponent* AOwner);
    ~TMTDataFieldVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TMTDataFieldVz>& P);

    TMTDataStructVz* DataStruct() const { return FDataStruct; }
    const String& GUID() const { return FGUID; }
    Int64 FieldId() const { return FFieldId; }
    TVarType VarDataType() const { return FVarDataType; }
    int Index() const;
    void SetIndex(int Value);

    virtual int GetDefaultSize() const { return 0; }
    virtual TAlignment GetDefaultAlignment() const { return taLeftJustify; }
    virtual int GetDefaultWidth() const { return 10; }
    virtual TFieldType DataType() const { return ftUnknown; }
    virtual bool CanDinaSize() const { return false; }
    virtual TVarType GetVarDataType() const { return MTFieldTypeVarTypeVz(DataType()); }
    virtual void AssignDataType(TFieldType FieldType);
    virtual void AssignProps(TField* Field);
    virtual void AssignPropsTo(TField* Field) const;
    void Assign(TPersistent* Source) override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoIncrement() const { return FAutoIncrement; }
    void SetAutoIncrement(bool Value);
    bool Calculated() const { return FCalculated; }
    void SetCalculated(bool Value);
    const String& DefaultExpression() const { return FDefaultExpression; }
    void SetDefaultExpression(const String& Value);
    const String& DisplayLabel() const { return FDisplayLabel; }
    void SetDisplayLabel(const String& Value);
    // Below 1 the class default width is answered.
    int DisplayWidth() const { return FDisplayWidth < 1 ? GetDefaultWidth() : FDisplayWidth; }
    bool DisplayWidthStored() const { return FDisplayWidth > 0; }
    void SetDisplayWidth(int Value);
    const String& EditMask() const { return FEditMask; }
    void SetEditMask(const String& Value);
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Required() const { return FRequired; }
    void SetRequired(bool Value);
    int Size() const { return FSize; }
    void SetSize(int Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }
    // A field read from a stream attaches itself to the structure being read.
    void ReadState(TReader* Reader) override;

protected:
    void SetParentComponent(TComponent* Value) override;
    // Signals a structure change to the structure the field is attached to.
    void Changed();
    // Recomputes the Variant kind after a sub-type change.
    void DataTypeChanged();
    // Sets the size without the CanDinaSize check (sub-type defaults).
    void SetSizeInternal(int Value);
    void CopyGUIDFrom(const TMTDataFieldVz* Source) { FGUID = Source->FGUID; }
    friend class TMTDataStructVz;

private:
    void UpdateComponentName();

    TAlignment FAlignment = taLeftJustify;
    bool FAutoIncrement = false;
    TMTDataStructVz* FDataStruct = nullptr;
    String FDefaultExpression;
    String FDisplayLabel;
    int FDisplayWidth = 0;
    String FEditMask;
    Int64 FFieldId = 0;
    String FFieldName;
    String FGUID;
    bool FReadOnly = false;
    bool FRequired = false;
    int FSize = 0;
    bool FVisible = true;
    bool FCalculated = false;
    TVarType FVarDataType = varEmpty;
};

class TMTStringDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTStringDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTStringDataFieldVz(TComponent* AOwner);
    ~TMTStringDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTStringDataFieldVz>& P);
    int GetDefaultSize() const override { return FStringDataType == fdtGuidVz ? 38 : 20; }
    int GetDefaultWidth() const override { return Size() > 100 ? 100 : Size(); }
    TFieldType DataType() const override;
    bool CanDinaSize() const override { return true; }
    void AssignDataType(TFieldType FieldType) override;
    void AssignProps(TField* Field) override;
    void AssignPropsTo(TField* Field) const override;
    void Assign(TPersistent* Source) override;

    TStringDataFieldTypesVz StringDataType() const { return FStringDataType; }
    void SetStringDataType(TStringDataFieldTypesVz Value);
    bool FixedChar() const { return FFixedChar; }
    void SetFixedChar(bool Value);
    bool Transliterate() const { return FTransliterate; }
    void SetTransliterate(bool Value);

private:
    TStringDataFieldTypesVz FStringDataType = fdtStringVz;
    bool FFixedChar = false;
    bool FTransliterate = false;
};

class TMTNumericDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTNumericDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTNumericDataFieldVz(TComponent* AOwner);
    ~TMTNumericDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTNumericDataFieldVz>& P);
    int GetDefaultSize() const override { return IsBCD() ? 4 : 0; }
    TAlignment GetDefaultAlignment() const override { return taRightJustify; }
    int GetDefaultWidth() const override;
    TFieldType DataType() const override;
    bool CanDinaSize() const override { return IsBCD(); }
    void AssignDataType(TFieldType FieldType) override;
    void AssignProps(TField* Field) override;
    void AssignPropsTo(TField* Field) const override;
    void Assign(TPersistent* Source) override;

    TNumericDataFieldTypesVz NumericDataType() const { return FNumericDataType; }
    void SetNumericDataType(TNumericDataFieldTypesVz Value);
    int Scale() const { return Size(); }
    void SetScale(int Value) { SetSize(Value); }
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    const String& EditFormat() const { return FEditFormat; }
    void SetEditFormat(const String& Value);
    bool currency() const { return FCurrency; }
    void Setcurrency(bool Value);
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double Value);
    double MinValue() const { return FMinValue; }
    void SetMinValue(double Value);
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);

private:
    bool IsBCD() const { return FNumericDataType == fdtBCDVz || FNumericDataType == fdtFMTBcdVz; }

    TNumericDataFieldTypesVz FNumericDataType = fdtIntegerVz;
    String FDisplayFormat;
    String FEditFormat;
    bool FCurrency = false;
    double FMaxValue = 0;
    double FMinValue = 0;
    int FPrecision = 15;
};

class TMTDateTimeDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTDateTimeDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTDateTimeDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTDateTimeDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTDateTimeDataFieldVz>& P);
    int GetDefaultWidth() const override { return 18; }
    TFieldType DataType() const override;
    void AssignDataType(TFieldType FieldType) override;
    void AssignProps(TField* Field) override;
    void AssignPropsTo(TField* Field) const override;
    void Assign(TPersistent* Source) override;

    TDateTimeDataFieldTypesVz DateTimeDataType() const { return FDateTimeDataType; }
    void SetDateTimeDataType(TDateTimeDataFieldTypesVz Value);
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);

private:
    TDateTimeDataFieldTypesVz FDateTimeDataType = fdtDateTimeVz;
    String FDisplayFormat;
};

class TMTBooleanDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTBooleanDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTBooleanDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTBooleanDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTBooleanDataFieldVz>& P);
    int GetDefaultWidth() const override;
    TFieldType DataType() const override { return ftBoolean; }
    void AssignDataType(TFieldType FieldType) override;
    void AssignProps(TField* Field) override;
    void AssignPropsTo(TField* Field) const override;
    void Assign(TPersistent* Source) override;

    const String& DisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const String& Value);

private:
    String FDisplayValues;
};

class TMTBlobDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTBlobDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTBlobDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTBlobDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTBlobDataFieldVz>& P);
    TFieldType DataType() const override { return FBlobType; }
    void AssignDataType(TFieldType FieldType) override;
    void AssignProps(TField* Field) override;
    void AssignPropsTo(TField* Field) const override;
    void Assign(TPersistent* Source) override;

    TFieldType BlobType() const { return FBlobType; }
    void SetBlobType(TFieldType Value);
    bool GraphicHeader() const { return FGraphicHeader; }
    void SetGraphicHeader(bool Value);
    bool Transliterate() const { return FTransliterate; }
    void SetTransliterate(bool Value);

private:
    TFieldType FBlobType = ftBlob;
    bool FGraphicHeader = true;
    bool FTransliterate = false;
};

class TMTInterfaceDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTInterfaceDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTInterfaceDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTInterfaceDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTInterfaceDataFieldVz>& P);
    TFieldType DataType() const override { return FInterfaceDataType == fdtInterfaceVz ? ftInterface : ftIDispatch; }
    void AssignDataType(TFieldType FieldType) override;
    void Assign(TPersistent* Source) override;

    TInterfaceDataFieldTypesVz InterfaceDataType() const { return FInterfaceDataType; }
    void SetInterfaceDataType(TInterfaceDataFieldTypesVz Value);

private:
    TInterfaceDataFieldTypesVz FInterfaceDataType = fdtInterfaceVz;
};

class TMTVariantDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTVariantDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTVariantDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTVariantDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTVariantDataFieldVz>& P);
    int GetDefaultWidth() const override { return 15; }
    TFieldType DataType() const override;
    bool CanDinaSize() const override { return FVariantDataType != fdtVariant; }
    void AssignDataType(TFieldType FieldType) override;
    void Assign(TPersistent* Source) override;

    TVariantDataFieldTypesVz VariantDataType() const { return FVariantDataType; }
    void SetVariantDataType(TVariantDataFieldTypesVz Value);

private:
    TVariantDataFieldTypesVz FVariantDataType = fdtVariant;
};

// Values are object references kept in Variants (RefObjectToVarVz).
class TMTRefObjectFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTRefObjectFieldVz, TMTDataFieldVz)
protected:
    explicit TMTRefObjectFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTRefObjectFieldVz() override = default;

public:
    static void Published(TPublished<TMTRefObjectFieldVz>& P);
    TFieldType DataType() const override { return ftUnknown; }
    bool CanDinaSize() const override { return true; }
    TVarType GetVarDataType() const override { return varUnknown; }
    void AssignDataType(TFieldType FieldType) override;
};

class TMTSQLTimeStampDataFieldVz : public TMTDataFieldVz {
    SDELKA_CLASS(TMTSQLTimeStampDataFieldVz, TMTDataFieldVz)
protected:
    explicit TMTSQLTimeStampDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) {}
    ~TMTSQLTimeStampDataFieldVz() override = default;

public:
    static void Published(TPublished<TMTSQLTimeStampDataFieldVz>& P);
    TFieldType DataType() const override;
    void AssignDataType(TFieldType FieldType) override;
    void AssignProps(TField* Field) override;
    void AssignPropsTo(TField* Field) const override;
    void Assign(TPersistent* Source) override;

    TSQLTimeStampDataFieldTypesVz SQLTimeStampDataFieldType() const { return FSQLTimeStampDataFieldType; }
    void SetSQLTimeStampDataFieldType(TSQLTimeStampDataFieldTypesVz Value);
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);

private:
    TSQLTimeStampDataFieldTypesVz FSQLTimeStampDataFieldType = fdtTimeStampVz;
    String FDisplayFormat;
};

// ---- stored records -----------------------------------------------------------------------------
using TRecDataValues = std::vector<Variant>;

enum TRecordEditStateVz { resBrowseVz, resEditVz, resInsertVz, resEditForRefresh };
enum TDataValueVersionVz {
    dvvOldValueVz, dvvCurValueVz, dvvEditValueVz, dvvValueVz, dvvOldestValue, dvvRefreshValue
};
enum TRecordsListNotification {
    rlnRecAddingVz, rlnRecAddedVz, rlnRecChangingVz, rlnRecChangedVz, rlnRecDeletingVz, rlnRecDeletedVz,
    rlnListChangingVz, rlnListChangedVz, rlnRecMarkingForDelVz, rlnRecMarkedForDelVz
};

// The error of a failed apply of one record; owns the exception object.
class TUpdateErrorVz : public TPersistent {
    SDELKA_CLASS(TUpdateErrorVz, TPersistent)
public:
    explicit TUpdateErrorVz(std::unique_ptr<Exception> AException) : FException(std::move(AException)) {}
    Exception* ExceptionObject() const { return FException.get(); }

private:
    std::unique_ptr<Exception> FException;
};

// The values of a record live in one block laid out by the structure (TMTRecLayoutVz, private
// to the store): each field has a slot of its Variant kind (integers, floats and dates, currency,
// booleans and texts packed as such, every other kind as a whole Variant) and a state byte that
// tells a value, Null and Unassigned apart. Reading a value gives back a Variant of the field's
// kind. A change of the fields gives new records a new layout; the records already stored keep
// theirs (and their values) until a restructure moves them over. The old values of a changed
// record and the values saved when an edit began are blocks of the record's layout, kept with the
// update error in a side part that exists only while the record is edited or has changes.

// How a stored value reads without a Variant (TMemoryRecordVz::ValueClass).
enum TMTValueClassVz : unsigned char {
    mvcNullVz,      // Null
    mvcEmptyVz,     // Unassigned
    mvcIntegerVz,   // an integer kind up to Int64: IntValue
    mvcCurrencyVz,  // IntValue is the raw value, scaled by 10 000
    mvcBooleanVz,   // IntValue is -1 for True, 0 for False
    mvcFloatVz,     // Single or Double: FloatValue
    mvcDateVz,      // a date-time: FloatValue
    mvcTextVz,      // TextValue
    mvcVariantVz    // any other kind, or a value kept as a whole Variant: read Value
};

class TMemoryRecordVz : public TPersistent {
    SDELKA_CLASS(TMemoryRecordVz, TPersistent)
public:
    TMemoryRecordVz() = default;
    ~TMemoryRecordVz() override;

    // The record's position in its list (-1 when not attached).
    int Index() const;
    bool Attached() const { return FIndex != -1; }
    // The value layout the record is in (records of one layout share structure and value count).
    const TMTRecLayoutVz* Layout() const { return FLayout; }
    TMTDataStructVz* DataStruct() const;
    LongWord HashCode() const { return FHashCode; }
    // A word a view keeps in the record to find its own item for it at once (the view checks it;
    // one view over a store writes them, see TMemTableDataVz::ClaimViewTags).
    unsigned ViewTag() const { return FViewTag; }
    void SetViewTag(unsigned Value) { FViewTag = Value; }
    // The number of values (the structure's field count when the record was made or laid out).
    int ValueCount() const;
    // The current value of a field (what an edit writes); raises a list index error out of range.
    Variant Value(int FieldIndex) const;
    // The current value read in place, as Value would give it: ValueClass tells how, and VarType
    // receives the kind Value's result has (varNull, varEmpty, the field's kind, or whatever a
    // field kept as a whole Variant holds). Then IntValue,
    // FloatValue or TextValue per the class (what they give for another class means nothing).
    // All raise a list index error out of range.
    TMTValueClassVz ValueClass(int FieldIndex, TVarType& VarType) const;
    Int64 IntValue(int FieldIndex) const;
    double FloatValue(int FieldIndex) const;
    const String& TextValue(int FieldIndex) const;
    // ValueClass with the number read in the same call: Int for the integer, currency and Boolean
    // classes, Float for the float and date classes (a pass over many records reads so).
    TMTValueClassVz NumberValue(int FieldIndex, TVarType& VarType, Int64& Int, double& Float) const;
    // Ask the processor for the record (its header may span two cache lines) and for its values
    // ahead of reading them: a walk over many records calls them some records before it reaches
    // this one, PrefetchValues once the record itself has arrived.
    void Prefetch() const {
        __builtin_prefetch(this);
        __builtin_prefetch(reinterpret_cast<const char*>(this) + sizeof(*this) - 1);
    }
    void PrefetchValues() const { __builtin_prefetch(InlineValues()); }
    // The old value of a field (valid while HasOldData).
    Variant OldValue(int FieldIndex) const;
    // The old values (valid while HasOldData).
    TRecDataValues OldData() const;
    bool HasOldData() const;
    // The list of the store that made the record (its layout knows it).
    TRecordsListVz* RecordsList() const;
    TUpdateErrorVz* UpdateError() const;
    // Takes ownership of the error (the previous one is freed).
    void SetUpdateError(TUpdateErrorVz* Value);
    int UpdateIndex() const;
    void SetUpdateIndex(int Value);
    TUpdateStatus UpdateStatus() const { return static_cast<TUpdateStatus>(FUpdateStatus); }
    void SetUpdateStatus(TUpdateStatus Value) { FUpdateStatus = static_cast<unsigned char>(Value); }
    TRecordEditStateVz EditState() const { return static_cast<TRecordEditStateVz>(FEditState); }

    void Edit();
    void EditForRefresh();
    void Post();
    // From insert state the record frees itself.
    void Cancel();
    void MergeChanges();
    void RevertRecord();
    void RefreshRecord(TMemoryRecordVz* FromRec);

    Variant GetDataValue(int FieldIndex, TDataValueVersionVz DataValueVersion) const;
    void SetDataValue(int FieldIndex, TDataValueVersionVz DataValueVersion, const Variant& Value);
    // The same from a value about to go (a fetch's fresh Variant): its text is moved in, not copied.
    void SetDataValue(int FieldIndex, TDataValueVersionVz DataValueVersion, Variant&& Value);
    // Typed writes of the current values, for a driver that knows the kinds of its values: each
    // stores what SetDataValue(FieldIndex, dvvValueVz, <the Variant named>) stores, with the same
    // casts and errors, and makes no Variant when the field keeps that kind.
    void SetIntegerValue(int FieldIndex, int Value);         // Variant(int): varInteger
    void SetLargeIntValue(int FieldIndex, Int64 Value);      // Variant(Int64): varInt64
    void SetFloatValue(int FieldIndex, double Value);        // Variant(double): varDouble
    void SetDateTimeValue(int FieldIndex, TDateTime Value);  // VarFromDateTime: varDate
    void SetCurrencyValue(int FieldIndex, Currency Value);   // varCurrency
    void SetBooleanValue(int FieldIndex, bool Value);        // varBoolean
    void SetTextValue(int FieldIndex, String Value);         // varUString; the text is moved in
    void SetNullValue(int FieldIndex);                       // Null()
    // The value of Field (a field of another dataset, on its current record) into the current
    // values: what SetDataValue(FieldIndex, dvvValueVz, Field->AsVariant()) stores. The framework's
    // own number, text, Boolean and date fields are read once and written by their kind; any
    // other field through its AsVariant.
    void SetFieldValue(int FieldIndex, const TField* Field);
    Variant GetDataValues(const String& FieldNames, TDataValueVersionVz DataValueVersion) const;
    void SetDataValues(const String& FieldNames, TDataValueVersionVz DataValueVersion, const Variant& VarValue);
    Variant GetDataIndexValues(const TIntArrayVz& FieldIndexes, TDataValueVersionVz DataValueVersion) const;
    void SetDataIndexValues(const TIntArrayVz& FieldIndexes, TDataValueVersionVz DataValueVersion,
                            const Variant& VarValue);

private:
    friend class TRecordsListVz;
    friend class TMTDataStructVz;
    struct TSideVz;
    // The merge step of a whole change log: a deleted record leaves its list slot as nil.
    void MergeChangesDeferred();
    void DoMergeChanges(bool Immediate);
    void LeaveChangeLog();
    void SetLayout(const TMTRecLayoutVz* Layout);
    const std::byte* ReadValues(TDataValueVersionVz Version) const;
    void CheckValueIndex(int FieldIndex) const;
    // Stores a value in the current values, cast to the field's kind.
    void StoreValue(int FieldIndex, const Variant& Value);
    // The current values for a typed write of FieldIndex (a list index error out of range).
    std::byte* WriteValues(int FieldIndex) const;
    // A typed write the field's slot does not keep: the value's Variant the general way (V is
    // the value's Variant kind: Variant, or a date made through VarFromDateTime).
    template <class V, class T>
    void StoreAsVariant(int FieldIndex, T Value);
    TSideVz& Side();
    // Drops the side part once it holds nothing.
    void TrimSide();
    // The old values become a copy of the current ones.
    void KeepOldData();
    // The current values go back to the old ones (if any); the old ones are dropped.
    void RestoreOldData();
    void DropOldData();
    void DropTmpOldData();
    // Frees a block of old values and sets B to nil.
    void FreeValues(std::byte*& B);
    // The current values (nil when the record has no layout or its layout no values).
    std::byte* Values() const { return FInlineValues ? InlineValues() : SideValues(); }
    std::byte* SideValues() const;
    // Ends the current values' lives; the record then holds none.
    void DropValues();

    // A record its list makes carries its value block right after itself: one piece from the
    // pool of its layout (FPooled). After a restructure the values are a block of their own that
    // the side part holds. A record made otherwise comes from the heap.
    struct TInlineValuesVz {};
    static void* operator new(std::size_t Size) { return ::operator new(Size); }
    static void* operator new(std::size_t Size, TInlineValuesVz, const TMTRecLayoutVz* Layout);
    // Frees the record: its piece goes back where it came from, which the record tells.
    static void operator delete(TMemoryRecordVz* P, std::destroying_delete_t);
    static void operator delete(void* P) { ::operator delete(P); }
    static void operator delete(void* P, TInlineValuesVz, const TMTRecLayoutVz* Layout);
    std::byte* InlineValues() const {
        return const_cast<std::byte*>(reinterpret_cast<const std::byte*>(this)) + sizeof(TMemoryRecordVz);
    }

    // The small fields first: they fill the space after the object's header.
    unsigned char FEditState = resInsertVz;
    unsigned char FUpdateStatus = usUnmodified;
    bool FInlineValues : 1 = false;  // the current values are the block carried after the record
    bool FPooled : 1 = false;        // the record's piece is from its first layout's pool
    LongWord FHashCode = 0;
    mutable int FIndex = -1;  // the position, or where it was before the list's pending shifts
    unsigned FViewTag = 0;    // fills the space before the pointers
    const TMTRecLayoutVz* FLayout = nullptr;
    TBlockVz* FListBlock = nullptr;  // the block of the records list that holds the record
    friend struct TRecordsListTrackerVz;
    TSideVz* FSide = nullptr;
};

// ---- record list --------------------------------------------------------------------------------
// ParamSort is the caller's sort description, handed through to Compare untouched.
using TCompareRecords = TEvent<int(TMemoryRecordVz* Rec1, TMemoryRecordVz* Rec2, TObject* ParamSort)>;
// Pairs of first and last position, both inclusive.
using TRecordsRangesVz = std::vector<std::pair<int, int>>;

struct TRecordsListTrackerVz {
    static constexpr bool Tracks = true;
    static void Placed(TMemoryRecordVz* Rec, TBlockVz* Block) { Rec->FListBlock = Block; }
    static TBlockVz* Block(const TMemoryRecordVz* Rec) { return Rec->FListBlock; }
};

class TRecordsListVz : public TComponent {
    SDELKA_CLASS(TRecordsListVz, TComponent)
protected:
    // AOwner: the store or nothing; any other owner raises an exception naming its class.
    explicit TRecordsListVz(TComponent* AOwner);
    ~TRecordsListVz() override;

public:
    void BeforeDestruction() override;

    bool CachedUpdates() const { return FCachedUpdates; }
    void SetCachedUpdates(bool Value) { FCachedUpdates = Value; }
    int Count() const { return FRecList->Count(); }
    TMTDataStructVz* DataStruct() const;
    TObjectListVz* DeltaList() { return FDeltaList.get(); }
    TObjectListVz* DeletedList() { return FDeletedList.get(); }
    // The indexes kept over the records (memtableindexesvz.h).
    TMTIndexesVz* Indexes() const { return FIndexes; }
    TMemTableDataVz* MemTableData() const { return FMemTableData; }
    int RecValCount() const;

    TMemoryRecordVz* NewRecord();
    int AddRecord(TMemoryRecordVz* Rec);
    void InsertRecord(int Index, TMemoryRecordVz* Rec);
    int FetchRecord(TMemoryRecordVz* Rec);
    void DeleteRecord(int Index);
    void DeleteRecords(const TRecordsRangesVz& RecordsRanges);
    void PersistDeleteRecord(int Index);
    void PersistDeleteRecords(const TRecordsRangesVz& RecordsRanges);
    void PersistRemoveRecord(int Index);
    Variant GetValue(int RecNo, int ValNo) const;
    void SetValue(int RecNo, int ValNo, const Variant& Value);
    void Clear();
    TMemoryRecordVz* Rec(int Index) const { return FRecList->Items(Index); }
    // Calls Fn(record, ahead) for every slot in order, ahead being the record Distance slots on
    // (slots may be nil; ahead is nil near the end).
    template <class F>
    void ForEachRecAhead(int Distance, F&& Fn) const { FRecList->ForEachAhead(Distance, std::forward<F>(Fn)); }
    TMemoryRecordVz* operator[](int Index) const { return Rec(Index); }
    void SetRec(int Index, TMemoryRecordVz* Value) { FRecList->SetItems(Index, Value); }
    int IndexOf(TMemoryRecordVz* Item) const {
        return Item && Item->FIndex >= 0 && Item->RecordsList() == this ? FRecList->IndexOf(Item) : -1;
    }
    void Move(int CurIndex, int NewIndex);
    virtual void QuickSort(int L, int R, TObject* ParamSort, const TCompareRecords& Compare);
    void SortData(TObject* ParamSort, const TCompareRecords& Compare);
    void RevertRecord(int Index);
    void RefreshRecord(int Index, TMemoryRecordVz* FromRec);
    bool HasCachedChanges() const { return FDeltaList->Count() > 0; }
    void CancelUpdates();
    void MergeChangeLog();
    void CleanupChangedRecs();
    virtual void BeginUpdate() { ++FUpdateCount; }
    virtual void EndUpdate();
    void SetAutoIncValue(TMemoryRecordVz* Rec);
    // Brings every record's position up to date at once (before walks that read many of them).
    void SettlePositions() {
        if (FStaleFrom != INT_MAX) RenumberFrom(FStaleFrom);
    }
    // Moves every record of Source (same structure) to the end of this list as fetched records.
    void TakeRecordsFrom(TRecordsListVz* Source);
    // The records as the stream property "Data": a list of records, each a list of values.
    void DefineProperties(TFiler* Filer) override;
    void ReadData(TReader* Reader);
    void WriteData(TWriter* Writer);

    virtual void Notify(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);

private:
    friend class TMemoryRecordVz;
    friend class TMTDataStructVz;
    void AttachRecord(int Index, TMemoryRecordVz* Rec, bool Append, bool Fetched);
    void AppendToChangeLog(TMemoryRecordVz* Rec);
    // Sets every record's position from Index on (and from wherever positions are pending).
    void RenumberFrom(int Index);
    // A record came or went at Index: the positions of the records after it are found through
    // their block from now on.
    void Shifted(int Index);
    int PositionOf(const TMemoryRecordVz* Rec) const;
    void FreeDeletedRecords();

    bool FCachedUpdates = false;
    TOwned<TObjectListVz> FDeletedList = NewOwned<TObjectListVz>();
    TOwned<TObjectListVz> FDeltaList = NewOwned<TObjectListVz>();
    TMTIndexesVz* FIndexes = nullptr;
    TMemTableDataVz* FMemTableData = nullptr;
    LongWord FNewHashCode = 1;
    // The records in blocks: an insert or delete in the middle moves one block's slots only, and
    // a record knows its block, so its position is found in O(log n).
    std::unique_ptr<TBlockListVz<TMemoryRecordVz, TRecordsListTrackerVz>> FRecList =
        std::make_unique<TBlockListVz<TMemoryRecordVz, TRecordsListTrackerVz>>();
    int FUpdateCount = 0;
    // Positions from FStaleFrom on may be off since a record came or went there: they are then
    // found through the record's block (and numbered again before walks over many of them).
    // a record's position is then searched for in that window around its old one.
    int FStaleFrom = INT_MAX;
    // Lookups through blocks since the last numbering: after many, the list is numbered again
    // (a walk that reads every position then pays O(1) a record again).
    mutable int FBlockLookups = 0;
    friend int TMemoryRecordVz::Index() const;
};

inline int TMemoryRecordVz::Index() const {
    if (FIndex < 0) return FIndex;
    const TRecordsListVz* list = RecordsList();
    if (!list || FIndex < list->FStaleFrom) return FIndex;
    return list->PositionOf(this);
}

// ---- change receivers ---------------------------------------------------------------------------
using TRecordsListNotificatorDataEventVz =
    TEvent<void(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action)>;
using TRecordsListApplyUpdatesEventVz = TEvent<void(TMemTableDataVz* AMemTableData)>;
using TRecordsListRecordMovedEventVz = TEvent<void(TMemoryRecordVz* Item, int OldIndex, int NewIndex)>;

// A receiver of the changes of a store's records (or of a records view's visible rows): attach it
// by setting DataObject. Attaching and detaching send the receiver itself list-changing and
// list-changed events without a record.
class TRecordsListNotificatorVz : public TComponent {
    SDELKA_CLASS(TRecordsListNotificatorVz, TComponent)
protected:
    explicit TRecordsListNotificatorVz(TComponent* AOwner) : TComponent(AOwner) {}
    ~TRecordsListNotificatorVz() override = default;

public:
    void BeforeDestruction() override;

    TComponent* DataObject() const { return FDataObject; }
    void SetDataObject(TComponent* Value);

    TRecordsListNotificatorDataEventVz OnAfterDataEvent;
    TRecordsListNotificatorDataEventVz OnDataEvent;
    TRecordsListRecordMovedEventVz OnRecordMoved;
    TRecordsListApplyUpdatesEventVz OnStructChanged;
    TEvent<int(int Count)> OnFetchRecords;

    // The handler's answer, 0 without one.
    virtual int DoFetchRecords(int Count) { return OnFetchRecords.Assigned() ? OnFetchRecords(Count) : 0; }

    virtual void DoAfterDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void DoDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void RecordAdded(TMemoryRecordVz* /*MemRec*/, int /*Index*/) {}
    virtual void RecordChanged(TMemoryRecordVz* /*MemRec*/, int /*Index*/) {}
    virtual void RecordDeleted(TMemoryRecordVz* /*MemRec*/, int /*Index*/) {}
    virtual void ListChanged() {}
    virtual void DoRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);
    virtual void DoStructChanged(TMemTableDataVz* AMemTableData);

    // A receiver that other receivers can attach to (the records view) keeps them here; a plain
    // receiver keeps none, so one set as another's DataObject is stored but not attached.
    virtual bool RegisterNotificator(TRecordsListNotificatorVz* /*Receiver*/) { return false; }
    virtual void UnregisterNotificator(TRecordsListNotificatorVz* /*Receiver*/) {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void Detach();
    void Attach(TComponent* Value);

    TComponent* FDataObject = nullptr;
};

// ---- auto-increment counter ---------------------------------------------------------------------
// Numbers new records: the next value is CurValue, then CurValue moves by Step (-1, -2, ... by
// default).
class TAutoIncrementVz : public TPersistent {
    SDELKA_CLASS(TAutoIncrementVz, TPersistent)
public:
    TAutoIncrementVz() = default;
    static void Published(TPublished<TAutoIncrementVz>& P);

    int InitValue() const { return FInitValue; }
    // CurValue follows while it still equals the old InitValue.
    void SetInitValue(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value) { FStep = Value; }
    int CurValue() const { return FCurValue; }
    void SetCurValue(int Value) { FCurValue = Value; }
    // True once a number was handed out since the last Reset.
    bool Used() const { return FCurValue != FInitValue; }
    void Reset() { FCurValue = FInitValue; }
    // The current value; CurValue moves on by Step.
    int Promote();
    void Assign(TPersistent* Source) override;

private:
    int FStep = -1;
    int FInitValue = -1;
    int FCurValue = -1;
};

// ---- store --------------------------------------------------------------------------------------
// The record store: the structure and the record list of one in-memory dataset. This is the part
// the structure and the record list lean on (change signals, notifications, auto-increment
// values, dropping the table); receivers, indexes and streaming build on it.
class TMemTableDataVz : public TComponent {
    SDELKA_CLASS(TMemTableDataVz, TComponent)
protected:
    explicit TMemTableDataVz(TComponent* AOwner) : TComponent(AOwner) {}
    ~TMemTableDataVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TMTDataStructVz* DataStruct() const { return FDataStruct; }
    TRecordsListVz* RecordsList() const { return FRecordsList; }

    TAutoIncrementVz* AutoIncrement() const { return FAutoIncrement.get(); }
    void SetAutoIncrement(TAutoIncrementVz* Value) { FAutoIncrement->Assign(Value); }
    // The structure has no fields.
    bool IsEmpty() const { return !FDataStruct || FDataStruct->Count() == 0; }
    bool StoreStructInStream() const { return FStoreStructInStream; }
    void SetStoreStructInStream(bool Value) { FStoreStructInStream = Value; }
    bool StoreRecordsInStream() const { return FStoreRecordsInStream; }
    void SetStoreRecordsInStream(bool Value) { FStoreRecordsInStream = Value; }

    // Drops the records and the structure (and resets the counter).
    void DestroyTable();
    // Drops the records and resets the counter; the structure stays.
    void ResetRecords();
    // The restructure mode: BeginRestruct hands out a working copy of the structure for the
    // caller to change ("MemTableData already in RestructMode." when the mode is on);
    // CommitRestruct gives the store that structure, the stored records keeping their values
    // field by field (as EndRestructure does); CancelRestruct drops the copy.
    TMTDataStructVz* BeginRestruct();
    void CancelRestruct();
    void CommitRestruct();
    bool RestructMode() const { return FRestructStruct != nullptr; }
    // The sum of what every receiver's DoFetchRecords answers.
    virtual int FetchRecords(int Count);
    // Each of these tells every attached receiver, in attach order.
    virtual void DataStructChanged();
    virtual void NotifyDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);
    // Used by TRecordsListNotificatorVz::SetDataObject only.
    virtual void RegisterNotificator(TRecordsListNotificatorVz* Receiver);
    virtual void UnregisterNotificator(TRecordsListNotificatorVz* Receiver);
    int NotificatorCount() const { return FNotificators->Count(); }
    // Fills the auto-increment fields of a record about to be attached: every such field gets
    // the same number, drawn once.
    virtual void SetAutoIncValue(TMemoryRecordVz* Rec);

    // Computes the internal-calculated fields (those whose Calculated is set): given a record and
    // one empty value per field, it fills the calculated ones (an element left empty stores
    // Null). It runs before anyone hears of a record added or changed, and over every record
    // when a bulk update ends and when the handler is set, so the values are stored values that
    // filters, sorts and indexes read.
    using TFieldCalculationEventVz = TEvent<void(TMemoryRecordVz* MemRec, std::vector<Variant>& FieldValues)>;
    const TFieldCalculationEventVz& OnFieldCalculation() const { return FOnFieldCalculation; }
    void SetOnFieldCalculation(const TFieldCalculationEventVz& Value);
    void CalcRecordFields(TMemoryRecordVz* MemRec);
    void CalcAllRecordFields();

    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

    void DefineProperties(TFiler* Filer) override;

    // The records' view tags (TMemoryRecordVz::ViewTag) belong to one view: the first that asks.
    // Answers whether they are View's; ReleaseViewTags gives them up (a view going away).
    bool ClaimViewTags(const void* View) {
        if (!FViewTagOwner) FViewTagOwner = View;
        return FViewTagOwner == View;
    }
    void ReleaseViewTags(const void* View) {
        if (FViewTagOwner == View) FViewTagOwner = nullptr;
    }

private:
    TFieldCalculationEventVz FOnFieldCalculation;
    TMTDataStructVz* FRestructStruct = nullptr;  // the working structure of the restructure mode
    const void* FViewTagOwner = nullptr;  // only compared, never read through
    TOwned<TAutoIncrementVz> FAutoIncrement = NewOwned<TAutoIncrementVz>();
    bool FStoreStructInStream = false;
    bool FStoreRecordsInStream = false;
    TMTDataStructVz* FDataStruct = nullptr;
    TOwned<TObjectListVz> FNotificators = NewOwned<TObjectListVz>();
    TRecordsListVz* FRecordsList = nullptr;
};
