#include "grid/axis/axisgridlinkvz.h"

#include "grid/base/gridsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"

#include <algorithm>

namespace {
constexpr int MaxFieldMapSize = 268435455;
}

TAxisGridDataLinkVz::TAxisGridDataLinkVz(IAxisGridLinkOwnerVz* AGrid) : FGrid(AGrid) { SetVisualControl(true); }

TAxisGridDataLinkVz::~TAxisGridDataLinkVz() { ClearMapping(); }

void TAxisGridDataLinkVz::ClearMapping() {
    FFieldMap.clear();
    FFieldMap.shrink_to_fit();
    FFieldCount = 0;
}

bool TAxisGridDataLinkVz::AddMapping(const String& FieldName) {
    if (FFieldCount >= MaxFieldMapSize)
        throw EInvalidGridOperationVz(QStringLiteral("Grid requested to display more than 256 columns"));
    TDataSet* ds = DataSet();
    TField* f = nullptr;
    if (FSparseMap) f = ds && !FieldName.isEmpty() ? ds->FindField(FieldName) : nullptr;
    else if (ds) f = ds->FieldByName(FieldName);
    else DatabaseError(QStringLiteral("Field '%1' not found").arg(FieldName));
    if (FieldMapSize() == FFieldCount) {
        Int64 grown = FFieldMap.empty() ? 8 : Int64(FFieldMap.size()) * 2;
        if (grown < FFieldCount) grown = FFieldCount + 1;
        FFieldMap.resize(static_cast<size_t>(std::min<Int64>(grown, MaxFieldMapSize)), -1);
    }
    FFieldMap[static_cast<size_t>(FFieldCount)] = f ? f->Index() : -1;
    if (f && FGrid->DataLinkNotifiedComponent()) f->FreeNotification(FGrid->DataLinkNotifiedComponent());
    ++FFieldCount;
    return true;
}

int TAxisGridDataLinkVz::GetMappedFieldIndex(int I) const {
    return I >= 0 && I < FFieldCount ? FFieldMap[static_cast<size_t>(I)] : -1;
}

TField* TAxisGridDataLinkVz::Fields(int I) const {
    const int index = GetMappedFieldIndex(I);
    TDataSet* ds = DataSet();
    if (index < 0 || !ds || index >= ds->Fields()->Count()) return nullptr;
    return ds->Fields()->Fields(index);
}

bool TAxisGridDataLinkVz::DefaultFields() const {
    TDataSet* ds = DataSet();
    if (!ds) return true;
    if (!ds->DefaultFields()) return false;
    if (FSparseMap)
        for (int i = 0; i < FFieldCount; ++i)
            if (FFieldMap[static_cast<size_t>(i)] < 0) return false;
    return true;
}

void TAxisGridDataLinkVz::Reset() {
    if (FModified) RecordChanged(nullptr);
    else FGrid->DataLinkCancelEditing();
}

void TAxisGridDataLinkVz::TakeBookmark() {
    TDataSet* ds = DataSet();
    FLastBookmark = Active() && ds && ds->Active() ? ds->GetBookmark() : TBookmark();
}

void TAxisGridDataLinkVz::ActiveChanged() {
    FGrid->DataLinkActiveChanged(Active());
    FModified = false;
    TakeBookmark();
}

void TAxisGridDataLinkVz::CheckBrowseMode() {
    TDataSet* ds = DataSet();
    FLastDataSetState = ds ? ds->State() : dsInactive;
}

void TAxisGridDataLinkVz::DataSetChanged() {
    FGrid->DataLinkDataChanged();
    FGrid->DataLinkRecordChanged(nullptr);
    FModified = false;
    TakeBookmark();
}

void TAxisGridDataLinkVz::DataSetScrolled(int Distance) {
    FGrid->DataLinkScrolled(Distance);
    FGrid->DataLinkRecordChanged(nullptr);
    TakeBookmark();
}

void TAxisGridDataLinkVz::EditingChanged() {
    TDataSet* ds = DataSet();
    if (ds && ds->State() == dsBrowse) FModified = false;
    FGrid->DataLinkEditingChanged();
}

void TAxisGridDataLinkVz::FocusControl(TField** Field) {
    if (!Field || !*Field) return;
    if (FGrid->DataLinkFocusControl(*Field)) *Field = nullptr;
}

void TAxisGridDataLinkVz::LayoutChanged() {
    FGrid->DataLinkLayoutChanged();
    FModified = false;
}

void TAxisGridDataLinkVz::RecordChanged(TField* Field) {
    FGrid->DataLinkRecordChanged(Field);
    FModified = false;
}

void TAxisGridDataLinkVz::UpdateData() {
    if (FInUpdateData || !Active()) return;
    FInUpdateData = true;
    try {
        if (FModified) FGrid->DataLinkUpdateData();
    } catch (...) {
        FInUpdateData = false;
        throw;
    }
    FModified = false;
    FInUpdateData = false;
}
