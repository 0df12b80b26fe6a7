// Query parameters: TParam and TParams, and the ":name" scan of SQL text (ParseSQL).
#pragma once

#include "platform/db/fields.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/variant.h"

#include <vector>

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
using TParamTypes = TSet<TParamType>;

class TParams;

class TParam : public TCollectionItem {
    SDELKA_CLASS(TParam, TCollectionItem)
protected:
    explicit TParam(TCollection* ACollection);
    TParam(TParams* AParams, TParamType AParamType);
    ~TParam() override = default;

public:
    const String& Name() const { return FName; }
    void SetName(const String& Value) { FName = Value; Changed(false); }
    TFieldType DataType() const { return FDataType; }
    // Changing the type converts a value that is set (Null stays Null).
    void SetDataType(TFieldType Value);
    TParamType ParamType() const { return FParamType; }
    void SetParamType(TParamType Value) { FParamType = Value; }
    // A parameter is bound once a value was assigned to it.
    bool Bound() const { return FBound; }
    void SetBound(bool Value);
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }
    int NumericScale() const { return FNumericScale; }
    void SetNumericScale(int Value) { FNumericScale = Value; }

    const Variant& Value() const { return FData; }
    // Assigning a Variant sets the data type from the Variant's kind when it is ftUnknown.
    void SetValue(const Variant& Value);
    bool IsNull() const { return VarIsNull(FData) || VarIsEmpty(FData); }
    void Clear();

    String AsString() const;
    void SetAsString(const String& Value);
    void SetAsWideString(const String& Value);
    Integer AsInteger() const;
    void SetAsInteger(Integer Value);
    void SetAsSmallInt(Integer Value);
    void SetAsWord(Integer Value);
    Int64 AsLargeInt() const;
    void SetAsLargeInt(Int64 Value);
    double AsFloat() const;
    void SetAsFloat(double Value);
    ::Currency AsCurrency() const;
    void SetAsCurrency(::Currency Value);
    void SetAsBCD(::Currency Value);
    TBcd AsFMTBCD() const;
    void SetAsFMTBCD(const TBcd& Value);
    bool AsBoolean() const;
    void SetAsBoolean(bool Value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime Value);
    void SetAsDate(TDateTime Value);
    void SetAsTime(TDateTime Value);
    TSQLTimeStamp AsSQLTimeStamp() const;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& Value);
    TBytes AsBytes() const;
    void SetAsBytes(const TBytes& Value);
    void SetAsMemo(const String& Value);
    void SetAsBlob(const TBytes& Value);

    // Takes name, type, size and value of a field (AssignField) or its value only.
    void AssignField(TField* Field);
    void AssignFieldValue(TField* Field, const Variant& Value);
    void Assign(TPersistent* Source) override;

protected:
    String GetDisplayName() override { return FName.isEmpty() ? inherited::GetDisplayName() : FName; }

private:
    String FName;
    TFieldType FDataType = ftUnknown;
    TParamType FParamType = ptUnknown;
    bool FBound = false;
    int FSize = 0;
    int FPrecision = 0;
    int FNumericScale = 0;
    Variant FData;
};

class TParams : public TOwnedCollection {
    SDELKA_CLASS(TParams, TOwnedCollection)
protected:
    explicit TParams(TPersistent* AOwner = nullptr);
    ~TParams() override = default;

public:
    TParam* Items(int Index) const { return ItemsAs<TParam>(Index); }
    TParam* operator[](int Index) const { return Items(Index); }
    TParam* AddParam() { return static_cast<TParam*>(Add()); }
    TParam* CreateParam(TFieldType FldType, const String& ParamName, TParamType ParamType);
    // Case-insensitive; ParamByName raises "Parameter '%s' not found".
    TParam* FindParam(const String& Value) const;
    TParam* ParamByName(const String& Value) const;
    // Copies the values of the parameters of Value whose names are found here.
    void AssignValues(TParams* Value);
    // The values of the ";"-separated names: one value, or a Variant array.
    Variant ParamValues(const String& ParamName) const;
    void SetParamValues(const String& ParamName, const Variant& Value);
    // Finds the ":name" parameters of SQL (adds one per name when DoCreate; a name used twice
    // is one parameter). Texts in quotes and "::type" casts are skipped; "::" is kept. Names
    // may be quoted (:"my name"). Returns SQL with each parameter replaced by "?" (the
    // framework's form); the names in order of appearance go to Names when given.
    String ParseSQL(const String& SQL, bool DoCreate, std::vector<String>* Names = nullptr);
    bool IsEqual(TParams* Value) const;
    void GetParamList(std::vector<TParam*>& List, const String& ParamNames) const;
};

// The ":name" parameters of SQL, in order of appearance (a repeated name each time), with the
// character range of each (1-based start of the ':' and the length of ":name").
struct TSQLParamRef {
    String Name;
    int Start = 0;
    int Length = 0;
};
std::vector<TSQLParamRef> ScanSQLParams(const String& SQL);
