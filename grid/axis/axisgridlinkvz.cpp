#include "grid/axis/axisgridlinkvz.h"

#include "grid/base/gridsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"

namespace {
constexpr int MaxMapSize = 268435455;
}

TAxisGridDataLinkVz::TAxisGridDataLinkVz(IAxisGridLinkOwnerVz* AGrid) : FGrid(AGrid) { SetVisualControl(true); }

void TAxisGridDataLinkVz::ClearMapping() { FFieldMap.clear(); }

bool TAxisGridDataLinkVz::AddMapping(const String& FieldName) {
    if (static_cast<int>(FFieldMap.size()) >= MaxMapSize)
        throw EInvalidGridOperationVz(QStringLiteral("Too many fields in the grid's field map"));
    TField* f = nullptr;
    if (TDataSet* ds = DataSet()) f = FieldName.isEmpty() ? nullptr : ds->FindField(FieldName);
    if (!f && !FSparseMap) return false;
    FFieldMap.push_back(f);
    return f != nullptr;
}

TField* TAxisGridDataLinkVz::Fields(int I) const {
    return I >= 0 && I < static_cast<int>(FFieldMap.size()) ? FFieldMap[static_cast<size_t>(I)] : nullptr;
}

bool TAxisGridDataLinkVz::DefaultFields() const {
    TDataSet* ds = DataSet();
    return !ds || ds->DefaultFields();
}

void TAxisGridDataLinkVz::ActiveChanged() {
    FModified = false;
    FGrid->DataLinkActiveChanged(Active());
}

void TAxisGridDataLinkVz::CheckBrowseMode() {
    TDataSet* ds = DataSet();
    FWasEditing = ds && dsEditModes.Contains(ds->State());
}

void TAxisGridDataLinkVz::DataSetChanged() {
    FModified = false;
    FGrid->DataLinkDataChanged();
    FGrid->DataLinkRecordChanged(nullptr);
}

void TAxisGridDataLinkVz::DataSetScrolled(int Distance) {
    FModified = false;
    FGrid->DataLinkScrolled(Distance);
    FGrid->DataLinkRecordChanged(nullptr);
}

void TAxisGridDataLinkVz::EditingChanged() { FGrid->DataLinkEditingChanged(); }

void TAxisGridDataLinkVz::LayoutChanged() {
    FModified = false;
    FGrid->DataLinkLayoutChanged();
}

void TAxisGridDataLinkVz::RecordChanged(TField* Field) {
    if (!Field) FModified = false;
    FGrid->DataLinkRecordChanged(Field);
}

void TAxisGridDataLinkVz::UpdateData() {
    if (!FModified || FInUpdateData) return;
    FGrid->DataLinkUpdateData();
    FModified = false;
}
