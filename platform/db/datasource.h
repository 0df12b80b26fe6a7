// TDataSource and the data links: how controls and detail datasets listen to a dataset.
#pragma once

#include "platform/db/db.h"

#include <vector>

using TDataChangeEvent = TEvent<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
    SDELKA_CLASS(TDataSource, TComponent)
protected:
    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

public:
    void BeforeDestruction() override;

    TDataSet* DataSet() const { return FDataSet; }
    // Switches datasets at run time: the links see the old one go and the new one come.
    // "Circular datalinks are not allowed" when the dataset is linked back to this source.
    void SetDataSet(TDataSet* ADataSet);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool Value) { FAutoEdit = Value; }
    TDataSetState State() const { return FState; }
    // Edit when AutoEdit and the dataset is browsing.
    void Edit();
    bool IsLinkedTo(TDataSet* DataSet) const;
    int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }
    TDataLink* DataLinks(int Index) const { return FDataLinks[Index]; }

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

protected:
    friend class TDataSet;
    friend class TDataLink;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DataEvent(TDataEvent Event, NativeInt Info);
    void UpdateState();
    void SetState(TDataSetState Value);
    void NotifyDataLinks(TDataEvent Event, NativeInt Info);
    void NotifyLinkTypes(TDataEvent Event, NativeInt Info, bool LinkType);
    void AddDataLink(TDataLink* DataLink);
    void RemoveDataLink(TDataLink* DataLink);

private:
    TDataSet* FDataSet = nullptr;
    std::vector<TDataLink*> FDataLinks;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataSetState FState = dsInactive;
};

// A link between one listener (control, grid, detail dataset) and a data source. The link's
// window is BufferCount records of the dataset's ring starting at its own first record;
// ActiveRecord and RecordCount are seen through that window.
class TDataLink : public TPersistent {
    SDELKA_CLASS(TDataLink, TPersistent)
public:
    TDataLink();
    ~TDataLink() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* ADataSource);
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // The index of the active record in the link's window, and moving it (the grids' row reads).
    int ActiveRecord() const;
    void SetActiveRecord(int Value);
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int Value);
    // Records of the window that hold data (at most BufferCount).
    int RecordCount() const;
    // Puts the dataset in edit state through the source (AutoEdit); answers Editing.
    bool Edit();
    // Writes pending edits of the control (UpdateData guarded against re-entry).
    void UpdateRecord();
    virtual int MoveBy(int Distance);
    bool DataSourceFixed() const { return FDataSourceFixed; }
    void SetDataSourceFixed(bool Value) { FDataSourceFixed = Value; }
    // Visual controls hear events after the non-visual links (details) of the same source.
    bool VisualControl() const { return FVisualControl; }
    void SetVisualControl(bool Value) { FVisualControl = Value; }
    bool Updating() const { return FUpdating; }

    // Every event reaches this first (the framework's DataEvent); deDisabledStateChange is
    // delivered to every link and ignored here.
    virtual void DataEvent(TDataEvent Event, NativeInt Info);

protected:
    friend class TDataSource;
    friend class TDataSet;
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int Distance) { (void)Distance; DataSetChanged(); }
    virtual void EditingChanged() {}
    // Field is a TField** the handler may clear when it took the focus.
    virtual void FocusControl(TField** Field) { (void)Field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* Field) { (void)Field; }
    virtual void UpdateData() {}
    virtual TDataSet* GetDetailDataSet() { return nullptr; }

    void UpdateState();
    void SetActive(bool Value);
    void SetEditing(bool Value);
    void UpdateRange();

    TDataSource* FDataSource = nullptr;
    int FFirstRecord = 0;
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
    bool FDataSourceFixed = false;
    bool FVisualControl = false;
};

// The link a detail dataset keeps to its master's data source.
class TDetailDataLink : public TDataLink {
    SDELKA_CLASS(TDetailDataLink, TDataLink)
public:
    TDataSet* DetailDataSet() { return GetDetailDataSet(); }
};

// A detail link that resolves MasterFields on the master and calls OnMasterChange when the
// master scrolls or one of those fields changes, OnMasterDisable when the master closes.
class TMasterDataLink : public TDetailDataLink {
    SDELKA_CLASS(TMasterDataLink, TDetailDataLink)
public:
    explicit TMasterDataLink(TDataSet* ADataSet) : FDataSet(ADataSet) {}
    const String& FieldNames() const { return FFieldNames; }
    void SetFieldNames(const String& Value);
    const std::vector<TField*>& Fields() const { return FFields; }
    TNotifyEvent OnMasterChange;
    TNotifyEvent OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override { ActiveChanged(); }
    void RecordChanged(TField* Field) override;
    TDataSet* GetDetailDataSet() override { return FDataSet; }

private:
    TDataSet* FDataSet;
    String FFieldNames;
    std::vector<TField*> FFields;
};
