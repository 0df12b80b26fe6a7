#include "grid/axis/lookupdatavz.h"

#include "grid/core/coretoolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"

// ---- the list link ---------------------------------------------------------------------------------

void TListSourceLinkVz::ActiveChanged() { FLookupData->UpdateListFields(); }

void TListSourceLinkVz::LayoutChanged() { FLookupData->UpdateListFields(); }

void TListSourceLinkVz::DataSetChanged() { FLookupData->ListDataChanged(); }

// ---- the definition --------------------------------------------------------------------------------

TDBLookupDataVz::TDBLookupDataVz(ILookupDataOwnerVz* AOwner) : FOwner(AOwner) {
    FInternalLookupSource = New<TDataSource>(nullptr);
    FInternalLookupSource->SetName(u"FInternalLookupSource"_S);
    FLookupLink = New<TListSourceLinkVz>(this);
    FLookupLink->SetDataSource(FInternalLookupSource);
}

TDBLookupDataVz::~TDBLookupDataVz() {
    FLookupLink->SetDataSource(nullptr);
    FreeObjectVz(FLookupLink);
    FreeObjectVz(FInternalLookupSource);
}

void TDBLookupDataVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TDBLookupDataVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    SetKeyFieldNames(s->KeyFieldNames());
    SetLookupCache(s->LookupCache());
    SetLookupDataSet(s->LookupDataSet());
    SetLookupDisplayFieldName(s->LookupDisplayFieldName());
    SetLookupKeyFieldNames(s->LookupKeyFieldNames());
}

bool TDBLookupDataVz::LookupInDataField() const {
    TField* f = FOwner ? FOwner->LookupOwnerField() : nullptr;
    return f && f->FieldKind() == fkLookup;
}

const String& TDBLookupDataVz::KeyFieldNames() const {
    return LookupInDataField() ? FOwner->LookupOwnerField()->KeyFields() : FKeyFieldNames;
}

TDataSet* TDBLookupDataVz::LookupDataSet() const {
    return LookupInDataField() ? FOwner->LookupOwnerField()->LookupDataSet() : FLookupDataSet;
}

const String& TDBLookupDataVz::LookupKeyFieldNames() const {
    return LookupInDataField() ? FOwner->LookupOwnerField()->LookupKeyFields() : FLookupKeyFieldNames;
}

const String& TDBLookupDataVz::LookupDisplayFieldName() const {
    return LookupInDataField() ? FOwner->LookupOwnerField()->LookupResultField() : FLookupDisplayFieldName;
}

void TDBLookupDataVz::CheckPropertyChangeAllowed() const {
    if (LookupInDataField()) DatabaseError(u"SPropDefByLookup"_S);
}

void TDBLookupDataVz::CheckNotCircular() const {
    TDataSet* list = FLookupLink->DataSet();
    TDataSet* grid = FOwner ? FOwner->LookupOwnerDataSet() : nullptr;
    if (list && grid && list == grid) DatabaseError(QString::fromLatin1(DbConsts::SCircularDataLink));
}

void TDBLookupDataVz::SetKeyFieldNames(const String& Value) {
    CheckPropertyChangeAllowed();
    if (Value == FKeyFieldNames) return;
    FKeyFieldNames = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupDataSet(TDataSet* Value) {
    CheckPropertyChangeAllowed();
    if (Value == FLookupDataSet) return;
    FLookupDataSet = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupKeyFieldNames(const String& Value) {
    CheckPropertyChangeAllowed();
    if (Value == FLookupKeyFieldNames) return;
    FLookupKeyFieldNames = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupDisplayFieldName(const String& Value) {
    CheckPropertyChangeAllowed();
    if (Value == FLookupDisplayFieldName) return;
    FLookupDisplayFieldName = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupCache(bool Value) {
    if (Value == FLookupCache) return;
    FLookupCache = Value;
    RefreshLookupListCache();
}

// The internal source follows the list data set of the definition (the field's in lookup-field mode).
void TDBLookupDataVz::SyncListSource() {
    TDataSet* list = LookupDataSet();
    if (FInternalLookupSource->DataSet() == list) return;
    FUpdatingList = true;
    try {
        FInternalLookupSource->SetDataSet(list);
    } catch (...) {
        FUpdatingList = false;
        throw;
    }
    FUpdatingList = false;
}

void TDBLookupDataVz::LookupStateChanged() {
    SyncListSource();
    UpdateListFields();
}

bool TDBLookupDataVz::ComputeLookupActive() const {
    TDataSet* grid = FOwner ? FOwner->LookupOwnerDataSet() : nullptr;
    return FLookupListActive && grid && grid->Active() && !KeyFields().empty();
}

// Both flags are brought up to date and the bar hears of any change.
void TDBLookupDataVz::CheckLookupActive() {
    const bool setUp = LookupDataSet() && !KeyFieldNames().isEmpty() && !LookupKeyFieldNames().isEmpty() &&
                       !LookupDisplayFieldName().isEmpty();
    const bool active = ComputeLookupActive();
    if (setUp == FActive && active == FLookupActive) return;
    FActive = setUp;
    FLookupActive = active;
    if (FOwner) FOwner->LookupStateChanged();
}

void TDBLookupDataVz::UpdateListFields() {
    if (FUpdatingList) return;
    // A list data set being destroyed closes first: it is forgotten here.
    if (!LookupInDataField() && FLookupDataSet && FLookupDataSet->ComponentState().Contains(csDestroying))
        FLookupDataSet = nullptr;
    FLookupDisplayField = nullptr;
    FLookupKeyFields.clear();
    FLookupListActive = false;
    FLookupListCache.Clear();
    TDataSet* list = FLookupLink->DataSet();
    try {
        if (FLookupLink->Active() && list && !LookupKeyFieldNames().isEmpty()) {
            CheckNotCircular();
            FLookupKeyFields = GetFieldsArrayByNamesVz(list, nullptr, LookupKeyFieldNames());
            if (!LookupDisplayFieldName().isEmpty())
                FLookupDisplayField = list->FieldByName(LookupDisplayFieldName());
            FLookupListActive = !FLookupKeyFields.empty() && FLookupDisplayField;
        }
        RefreshLookupListCache();
    } catch (...) {
        FLookupDisplayField = nullptr;
        FLookupKeyFields.clear();
        FLookupListActive = false;
        FLookupListCache.Clear();
        CheckLookupActive();
        throw;
    }
    CheckLookupActive();
}

void TDBLookupDataVz::ListDataChanged() {
    // Records added, changed or deleted in the list reach the cache at once.
    if (!FRefreshingCache) RefreshLookupListCache();
}

void TDBLookupDataVz::RefreshLookupListCache() {
    if (FRefreshingCache) return;
    FLookupListCache.Clear();
    TDataSet* list = FLookupLink->DataSet();
    if (!FLookupListActive || !FLookupCache || !list || !list->Active()) return;
    // A record being edited in the list is read once it is posted (moving would post it).
    if (list->State() != dsBrowse) return;
    FRefreshingCache = true;
    list->DisableControls();
    try {
        const TBookmark mark = list->GetBookmark();
        try {
            list->First();
            while (!list->Eof()) {
                FLookupListCache.Add(GetFieldsValuesVz(FLookupKeyFields), FLookupDisplayField->Value());
                list->Next();
            }
        } catch (...) {
            if (DataSetBookmarkValidVz(list, mark)) list->GotoBookmark(mark);
            throw;
        }
        if (DataSetBookmarkValidVz(list, mark)) list->GotoBookmark(mark);
    } catch (...) {
        list->EnableControls();
        FRefreshingCache = false;
        FLookupListCache.Clear();
        throw;
    }
    list->EnableControls();
    FRefreshingCache = false;
    FLookupListCache.SortData();
}

std::vector<TField*> TDBLookupDataVz::KeyFields() const {
    std::vector<TField*> list;
    TDataSet* ds = FOwner ? FOwner->LookupOwnerDataSet() : nullptr;
    if (!ds || KeyFieldNames().isEmpty()) return list;
    try {
        ds->GetFieldList(list, KeyFieldNames());
    } catch (const EDatabaseError&) {
        list.clear();
    }
    return list;
}

Variant TDBLookupDataVz::KeyValues() const {
    TDataSet* ds = FOwner ? FOwner->LookupOwnerDataSet() : nullptr;
    if (!ds || KeyFieldNames().isEmpty()) return Variant::Null();
    return ds->FieldValues(KeyFieldNames());
}

bool TDBLookupDataVz::KeyValuesAreNull() const {
    for (TField* f : KeyFields())
        if (!f->IsNull()) return false;
    return true;
}

TField* TDBLookupDataVz::LookupDisplayField() const {
    if (FLookupDisplayField) return FLookupDisplayField;
    TDataSet* l = LookupDataSet();
    return l ? l->FindField(LookupDisplayFieldName()) : nullptr;
}

Variant TDBLookupDataVz::GetLookupValue() const {
    if (FLookupActive && FLookupCache) {
        TDataSet* grid = FOwner->LookupOwnerDataSet();
        if (!grid || !grid->Active()) return Variant::Null();
        return FLookupListCache.ValueOfKey(GetFieldsValuesVz(KeyFields()));
    }
    if (LookupInDataField()) return FOwner->LookupOwnerField()->AsVariant();
    TDataSet* l = LookupDataSet();
    if (!FActive || !l || !l->Active() || KeyValuesAreNull()) return Variant::Null();
    return l->Lookup(LookupKeyFieldNames(), KeyValues(), LookupDisplayFieldName());
}

bool TDBLookupDataVz::LocateDisplayText(const String& Text, Variant& Values) const {
    TDataSet* l = LookupDataSet();
    if (!FActive || !l || !l->Active()) return false;
    if (!l->Locate(LookupDisplayFieldName(), Variant(Text), TLocateOptions{loCaseInsensitive})) return false;
    Values = l->FieldValues(LookupKeyFieldNames());
    return true;
}
