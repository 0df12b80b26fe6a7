// The data link of the data-aware axis grid: it hears its data source, turns the notifications into
// calls on the grid, and keeps the field map, the list of the data set's fields that the grid's
// bars show (a hole where a bar names a field the data set lacks).
#pragma once

#include "platform/db/datasource.h"

#include <vector>

class TField;

// What the link calls on its grid.
class IAxisGridLinkOwnerVz {
public:
    virtual ~IAxisGridLinkOwnerVz() = default;
    virtual void DataLinkActiveChanged(bool Active) = 0;
    virtual void DataLinkDataChanged() = 0;
    virtual void DataLinkScrolled(int Distance) = 0;
    virtual void DataLinkLayoutChanged() = 0;
    virtual void DataLinkEditingChanged() = 0;
    virtual void DataLinkRecordChanged(TField* Field) = 0;
    virtual void DataLinkUpdateData() = 0;
};

class TAxisGridDataLinkVz : public TDataLink {
    SDELKA_CLASS(TAxisGridDataLinkVz, TDataLink)
public:
    explicit TAxisGridDataLinkVz(IAxisGridLinkOwnerVz* AGrid);

    // ---- field map
    void ClearMapping();
    // Maps the data set's field of that name, or a hole when it has none. Returns whether found.
    bool AddMapping(const String& FieldName);
    int FieldCount() const { return static_cast<int>(FFieldMap.size()); }
    // The mapped field at I, nullptr for a hole or outside the map.
    TField* Fields(int I) const;
    bool SparseMap() const { return FSparseMap; }
    void SetSparseMap(bool Value) { FSparseMap = Value; }
    // The data set makes its fields itself (no persistent fields); true without a data set.
    bool DefaultFields() const;

    // ---- update guard
    bool InUpdateData() const { return FInUpdateData; }
    void SetInUpdateData(bool Value) { FInUpdateData = Value; }
    bool Modified() const { return FModified; }
    void SetModified() { FModified = true; }
    void ResetModified() { FModified = false; }
    // The data set was in dsEdit or dsInsert when the link last checked its browse mode.
    bool WasEditingAtLastBrowseCheck() const { return FWasEditing; }

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    IAxisGridLinkOwnerVz* FGrid;
    std::vector<TField*> FFieldMap;
    bool FSparseMap = false;
    bool FInUpdateData = false;
    bool FModified = false;
    bool FWasEditing = false;
};
