// The lookup definition of an axis bar: which fields of the grid's data set hold the key, which data
// set holds the list, and which of its fields are the key and the text shown. A bar bound to a lookup
// field takes the definition from the field. The definition watches the list data set through a data
// link of its own and keeps a cache of key/display pairs, rebuilt whenever the list changes.
#pragma once

#include "grid/axis/lookuplistvz.h"
#include "platform/db/datasource.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/variant.h"

#include <vector>

class TDataSet;
class TDataSource;
class TField;
class TDBLookupDataVz;

// What the lookup definition asks of its bar.
class ILookupDataOwnerVz {
public:
    virtual ~ILookupDataOwnerVz() = default;
    virtual TDataSet* LookupOwnerDataSet() = 0;
    virtual TField* LookupOwnerField() = 0;
    virtual void LookupStateChanged() = 0;
};

// The definition's link to the list data set: opening, closing, a new layout or changed data.
class TListSourceLinkVz : public TDataLink {
    SDELKA_CLASS(TListSourceLinkVz, TDataLink)
public:
    explicit TListSourceLinkVz(TDBLookupDataVz* ALookupData) : FLookupData(ALookupData) { SetVisualControl(true); }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void LayoutChanged() override;

private:
    TDBLookupDataVz* FLookupData;
};

class TDBLookupDataVz : public TPersistent {
    SDELKA_CLASS(TDBLookupDataVz, TPersistent)
public:
    explicit TDBLookupDataVz(ILookupDataOwnerVz* AOwner);
    ~TDBLookupDataVz() override;
    void Assign(TPersistent* Source) override;

    // Own settings, used when the bar's field is not a lookup field. Writers raise while the
    // definition comes from the bar's lookup field.
    const String& KeyFieldNames() const;
    void SetKeyFieldNames(const String& Value);
    TDataSet* LookupDataSet() const;
    void SetLookupDataSet(TDataSet* Value);
    const String& LookupKeyFieldNames() const;
    void SetLookupKeyFieldNames(const String& Value);
    const String& LookupDisplayFieldName() const;
    void SetLookupDisplayFieldName(const String& Value);
    // Display values are answered from the cache (the default) or by searching the list data set.
    bool LookupCache() const { return FLookupCache; }
    void SetLookupCache(bool Value);
    // The settings are stored only when they are the definition's own.
    bool LookupDataIsStored() const { return !LookupInDataField(); }

    // The definition comes from the bar's lookup field.
    bool LookupInDataField() const;
    // Set up: a list data set and every name given.
    bool Active() const { return FActive; }
    bool LookupIsSetUp() const { return FActive; }
    // Usable now: key, list-key and display fields bound on open data sets.
    bool LookupActive() const { return FLookupActive; }
    // The list's key and display fields are bound on an open list data set (the cache is filled).
    bool LookupListActive() const { return FLookupListActive; }
    // The internal source on the list data set.
    TDataSource* LookupListSource() const { return FInternalLookupSource; }
    // Rebinds both sides after the bar's field, the grid's data set or a setting changed.
    void LookupStateChanged();
    void UpdateLookupState() { LookupStateChanged(); }

    // The key fields in the grid's data set (empty when a name is missing).
    std::vector<TField*> KeyFields() const;
    // The bound key fields of the list data set.
    const std::vector<TField*>& LookupKeyFields() const { return FLookupKeyFields; }
    // The grid data set's values of the key fields (one value, or an array for several).
    Variant KeyValues() const;
    bool KeyValuesAreNull() const;
    // The display value for the current record's key: Null without a key or an open list,
    // Unassigned for a key the cache does not hold.
    Variant GetLookupValue() const;
    TField* LookupDisplayField() const;
    // Finds Text in the display field of the list (case-insensitive); the key values when found.
    bool LocateDisplayText(const String& Text, Variant& KeyValues) const;

    // Rereads the list into the cache (empty when the list is inactive or the cache is off).
    void RefreshLookupListCache();
    const TLookupListVz& LookupListCache() const { return FLookupListCache; }

protected:
    friend class TListSourceLinkVz;
    // The list data set opened, closed or changed its layout: rebind its fields and reread the cache.
    virtual void UpdateListFields();
    // The list data set's records changed (a post, a delete, a refresh): reread the cache.
    virtual void ListDataChanged();

private:
    void CheckPropertyChangeAllowed() const;
    void CheckNotCircular() const;
    void CheckLookupActive();
    bool ComputeLookupActive() const;
    void SyncListSource();

    ILookupDataOwnerVz* FOwner;
    TDataSource* FInternalLookupSource = nullptr;
    TListSourceLinkVz* FLookupLink = nullptr;
    TLookupListVz FLookupListCache;
    std::vector<TField*> FLookupKeyFields;
    TField* FLookupDisplayField = nullptr;
    bool FActive = false;
    bool FLookupActive = false;
    bool FLookupListActive = false;
    bool FLookupCache = true;
    bool FRefreshingCache = false;
    bool FUpdatingList = false;
    String FKeyFieldNames;
    TDataSet* FLookupDataSet = nullptr;
    String FLookupKeyFieldNames;
    String FLookupDisplayFieldName;
};
