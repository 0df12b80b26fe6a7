#include "grid/axis/lookupdatavz.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"

void TDBLookupDataVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TDBLookupDataVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FKeyFieldNames = s->FKeyFieldNames;
    FLookupDataSet = s->FLookupDataSet;
    FLookupKeyFieldNames = s->FLookupKeyFieldNames;
    FLookupDisplayFieldName = s->FLookupDisplayFieldName;
    LookupStateChanged();
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

void TDBLookupDataVz::SetKeyFieldNames(const String& Value) {
    FKeyFieldNames = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupDataSet(TDataSet* Value) {
    FLookupDataSet = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupKeyFieldNames(const String& Value) {
    FLookupKeyFieldNames = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::SetLookupDisplayFieldName(const String& Value) {
    FLookupDisplayFieldName = Value;
    LookupStateChanged();
}

void TDBLookupDataVz::LookupStateChanged() {
    const bool active = LookupDataSet() && !KeyFieldNames().isEmpty() && !LookupKeyFieldNames().isEmpty() &&
                        !LookupDisplayFieldName().isEmpty();
    if (active == FActive) return;
    FActive = active;
    if (FOwner) FOwner->LookupStateChanged();
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
    TDataSet* l = LookupDataSet();
    return l ? l->FindField(LookupDisplayFieldName()) : nullptr;
}

Variant TDBLookupDataVz::GetLookupValue() const {
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
