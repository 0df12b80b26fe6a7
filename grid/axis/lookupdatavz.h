// The lookup definition of an axis bar: which fields of the grid's data set hold the key, which data
// set holds the list, and which of its fields are the key and the text shown. A bar bound to a lookup
// field takes the definition from the field.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/variant.h"

#include <vector>

class TDataSet;
class TField;

// What the lookup definition asks of its bar.
class ILookupDataOwnerVz {
public:
    virtual ~ILookupDataOwnerVz() = default;
    virtual TDataSet* LookupOwnerDataSet() = 0;
    virtual TField* LookupOwnerField() = 0;
    virtual void LookupStateChanged() = 0;
};

class TDBLookupDataVz : public TPersistent {
    SDELKA_CLASS(TDBLookupDataVz, TPersistent)
public:
    explicit TDBLookupDataVz(ILookupDataOwnerVz* AOwner) : FOwner(AOwner) {}
    void Assign(TPersistent* Source) override;

    // Own settings, used when the bar's field is not a lookup field.
    const String& KeyFieldNames() const;
    void SetKeyFieldNames(const String& Value);
    TDataSet* LookupDataSet() const;
    void SetLookupDataSet(TDataSet* Value);
    const String& LookupKeyFieldNames() const;
    void SetLookupKeyFieldNames(const String& Value);
    const String& LookupDisplayFieldName() const;
    void SetLookupDisplayFieldName(const String& Value);

    // The definition comes from the bar's lookup field.
    bool LookupInDataField() const;
    // Set up: a list data set and every name given.
    bool Active() const { return FActive; }
    void LookupStateChanged();

    // The key fields in the grid's data set (empty when a name is missing).
    std::vector<TField*> KeyFields() const;
    // The grid data set's values of the key fields (one value, or an array for several).
    Variant KeyValues() const;
    bool KeyValuesAreNull() const;
    // The display value for the current record's key.
    Variant GetLookupValue() const;
    TField* LookupDisplayField() const;
    // Finds Text in the display field of the list (case-insensitive); the key values when found.
    bool LocateDisplayText(const String& Text, Variant& KeyValues) const;

private:
    ILookupDataOwnerVz* FOwner;
    bool FActive = false;
    String FKeyFieldNames;
    TDataSet* FLookupDataSet = nullptr;
    String FLookupKeyFieldNames;
    String FLookupDisplayFieldName;
};
