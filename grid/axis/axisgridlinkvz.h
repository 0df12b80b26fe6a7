// The data link of the data-aware axis grid: it hears its data source, turns the notifications into
// calls on the grid, keeps the "modified" state of the value being edited, and holds the field map:
// the data set's fields that the grid's bars show, by their index in the data set's field list (-1
// where, in sparse mode, a bar names a field the data set lacks).
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
    // A control asked the data set to focus Field: select it and show the editor; true when done.
    virtual bool DataLinkFocusControl(TField* Field) {
        (void)Field;
        return false;
    }
    // Nothing was modified: the grid drops its own editing state.
    virtual void DataLinkCancelEditing() {}
    // The component that hears of the destruction of mapped fields (none by default).
    virtual TComponent* DataLinkNotifiedComponent() { return nullptr; }
};

class TAxisGridDataLinkVz : public TDataLink {
    SDELKA_CLASS(TAxisGridDataLinkVz, TDataLink)
public:
    explicit TAxisGridDataLinkVz(IAxisGridLinkOwnerVz* AGrid);
    ~TAxisGridDataLinkVz() override;

    // ---- field map
    void ClearMapping();
    // Maps the data set's field of that name. In sparse mode a missing name maps to -1; otherwise it
    // raises the data set's error and the map stays as it was. Answers true.
    bool AddMapping(const String& FieldName);
    int FieldCount() const { return FFieldCount; }
    // Allocated entries: 8 at first, doubling as the map grows.
    int FieldMapSize() const { return static_cast<int>(FFieldMap.size()); }
    // The mapped field at I, nullptr for a hole or outside the map.
    TField* Fields(int I) const;
    // The raw entry at I: the field's index in the data set, -1 for a hole or outside the map.
    int GetMappedFieldIndex(int I) const;
    bool SparseMap() const { return FSparseMap; }
    void SetSparseMap(bool Value) { FSparseMap = Value; }
    // The data set makes its fields itself (no persistent fields) and, in sparse mode, every bar
    // found its field; true without a data set.
    bool DefaultFields() const;
    IAxisGridLinkOwnerVz* Grid() const { return FGrid; }

    // ---- edit state
    bool InUpdateData() const { return FInUpdateData; }
    void SetInUpdateData(bool Value) { FInUpdateData = Value; }
    bool Modified() const { return FModified; }
    // A new value or text was put in place for the current record and is not yet written.
    void SetModified() { FModified = true; }
    void ResetModified() { FModified = false; }
    // A pending modification re-reads the record; without one the grid cancels its editing.
    void Reset();
    // The data set's state when the link last checked its browse mode, and whether it was editing.
    TDataSetState LastDataSetState() const { return FLastDataSetState; }
    bool WasEditingAtLastBrowseCheck() const { return dsEditModes.Contains(FLastDataSetState); }
    // The current record's bookmark after activation, a data change or a scroll.
    const TBookmark& LastBookmark() const { return FLastBookmark; }

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void EditingChanged() override;
    void FocusControl(TField** Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    void TakeBookmark();

    IAxisGridLinkOwnerVz* FGrid;
    std::vector<int> FFieldMap;
    int FFieldCount = 0;
    bool FSparseMap = false;
    bool FInUpdateData = false;
    bool FModified = false;
    TBookmark FLastBookmark;
    TDataSetState FLastDataSetState = dsInactive;
};
