#include "platform/db/datasource.h"

#include <algorithm>

// ---- TDataSource -------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
    // Deleted without Free: the same detaching as BeforeDestruction.
    while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
    if (FDataSet) SetDataSet(nullptr);
}

void TDataSource::BeforeDestruction() {
    // Links outlive their source: detach them (each sees its source become inactive). An owner
    // that is being destroyed has already marked its children csDestroying, so this must not
    // depend on that flag.
    FComponentState.Include(csDestroying);
    while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
    SetDataSet(nullptr);
    inherited::BeforeDestruction();
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDataSet) SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* ADataSet) {
    if (ADataSet == FDataSet) return;
    if (ADataSet && ADataSet->IsLinkedTo(this)) DatabaseError(QString::fromLatin1(DbConsts::SCircularDataLink), this);
    if (FDataSet) {
        FDataSet->RemoveFreeNotification(this);
        FDataSet->RemoveDataSource(this);
    }
    if (ADataSet) {
        ADataSet->FreeNotification(this);
        ADataSet->AddDataSource(this);
    }
}

void TDataSource::SetEnabled(bool Value) {
    FEnabled = Value;
    UpdateState();
}

void TDataSource::Edit() {
    if (FAutoEdit && FState == dsBrowse && FDataSet) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
    // True when DataSet is this source's dataset or a master of it through detail links.
    const TDataSource* src = this;
    int guard = 0;
    while (src && guard++ < 1000) {
        if (!src->FDataSet) return false;
        if (src->FDataSet == DataSet) return true;
        src = src->FDataSet->DataSource();
    }
    return false;
}

void TDataSource::UpdateState() {
    if (FEnabled && FDataSet)
        SetState(FDataSet->State());
    else
        SetState(dsInactive);
}

void TDataSource::SetState(TDataSetState Value) {
    if (FState == Value) return;
    TDataSetState prior = FState;
    FState = Value;
    NotifyDataLinks(deUpdateState, 0);
    if (!FComponentState.Contains(csDestroying)) {
        if (OnStateChange) OnStateChange(this);
        if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
    }
}

void TDataSource::NotifyLinkTypes(TDataEvent Event, NativeInt Info, bool LinkType) {
    for (int i = static_cast<int>(FDataLinks.size()) - 1; i >= 0; --i) {
        if (i >= static_cast<int>(FDataLinks.size())) continue;
        TDataLink* l = FDataLinks[i];
        if (l->FVisualControl == LinkType) l->DataEvent(Event, Info);
    }
}

void TDataSource::NotifyDataLinks(TDataEvent Event, NativeInt Info) {
    // Detail datasets hear an event before the controls.
    NotifyLinkTypes(Event, Info, false);
    NotifyLinkTypes(Event, Info, true);
}

void TDataSource::DataEvent(TDataEvent Event, NativeInt Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (Event == deDisabledStateChange) {
        // The dataset changed state while its controls were disabled: the links are told
        // whatever the state this source last saw.
        NotifyDataLinks(Event, Info);
        return;
    }
    if (FState == dsInactive) return;
    NotifyDataLinks(Event, Info);
    switch (Event) {
        case deFieldChange:
            if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(Info));
            break;
        case deRecordChange:
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange:
            if (OnDataChange) OnDataChange(this, nullptr);
            break;
        case deUpdateRecord:
            if (OnUpdateData) OnUpdateData(this);
            break;
        default:
            break;
    }
}

void TDataSource::AddDataLink(TDataLink* DataLink) {
    FDataLinks.push_back(DataLink);
    DataLink->FDataSource = this;
    if (FDataSet) FDataSet->UpdateBufferCount();
    DataLink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* DataLink) {
    DataLink->FDataSource = nullptr;
    FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), DataLink), FDataLinks.end());
    DataLink->UpdateState();
    if (FDataSet) FDataSet->UpdateBufferCount();
}

// ---- TDataLink ---------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    FDataSourceFixed = false;
    if (FDataSource) {
        // No virtual calls from here on: detach quietly.
        TDataSource* src = FDataSource;
        FDataSource = nullptr;
        src->FDataLinks.erase(std::remove(src->FDataLinks.begin(), src->FDataLinks.end(), this), src->FDataLinks.end());
        if (src->FDataSet) src->FDataSet->UpdateBufferCount();
    }
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* ADataSource) {
    if (FDataSource == ADataSource) return;
    if (FDataSourceFixed) DatabaseError(QStringLiteral("Operation not allowed in a DBCtrlGrid"));
    if (FDataSource) FDataSource->RemoveDataLink(this);
    if (ADataSource) ADataSource->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool Value) {
    if (FReadOnly != Value) {
        FReadOnly = Value;
        UpdateState();
    }
}

void TDataLink::UpdateState() {
    SetActive(FDataSource && FDataSource->State() != dsInactive);
    SetEditing(FDataSource && dsEditModes.Contains(FDataSource->State()) && !FReadOnly);
}

void TDataLink::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (Value)
        UpdateRange();
    else
        FFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
    if (FEditing == Value) return;
    FEditing = Value;
    EditingChanged();
}

void TDataLink::UpdateRange() {
    TDataSet* ds = DataSet();
    int minFirst = ds->FActiveRecord - FBufferCount + 1;
    if (minFirst < 0) minFirst = 0;
    int maxFirst = ds->FBufferCount - FBufferCount;
    if (maxFirst < 0) maxFirst = 0;
    if (maxFirst > ds->FActiveRecord) maxFirst = ds->FActiveRecord;
    if (FFirstRecord < minFirst) FFirstRecord = minFirst;
    if (FFirstRecord > maxFirst) FFirstRecord = maxFirst;
    if (FFirstRecord != 0 && ds->FActiveRecord - FFirstRecord < FBufferCount - 1) --FFirstRecord;
}

int TDataLink::ActiveRecord() const {
    if (!FDataSource || !FDataSource->DataSet()) return 0;
    if (FDataSource->State() == dsSetKey) return 0;
    return FDataSource->DataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int Value) {
    if (!FDataSource || !FDataSource->DataSet()) return;
    if (FDataSource->State() != dsSetKey) FDataSource->DataSet()->FActiveRecord = Value + FFirstRecord;
}

void TDataLink::SetBufferCount(int Value) {
    if (FBufferCount == Value) return;
    FBufferCount = Value;
    if (FActive) {
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::RecordCount() const {
    if (!FDataSource || !FDataSource->DataSet()) return 0;
    if (FDataSource->State() == dsSetKey) return 1;
    int r = FDataSource->DataSet()->FRecordCount;
    return r > FBufferCount ? FBufferCount : r;
}


bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

int TDataLink::MoveBy(int Distance) { return DataSet()->MoveBy(Distance); }

void TDataLink::DataEvent(TDataEvent Event, NativeInt Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (Event) {
        case deFieldChange:
        case deRecordChange:
            if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(Info));
            break;
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange: {
            int count = 0;
            if (FDataSource->State() != dsSetKey) {
                int active = DataSet()->FActiveRecord;
                int first = FFirstRecord + static_cast<int>(Info);
                int last = first + FBufferCount - 1;
                if (active > last)
                    count = active - last;
                else if (active < first)
                    count = active - first;
                FFirstRecord = first + count;
            }
            if (Event == deDataSetChange)
                DataSetChanged();
            else if (Event == deDataSetScroll)
                DataSetScrolled(count);
            else
                LayoutChanged();
            break;
        }
        case deUpdateRecord:
            UpdateRecord();
            break;
        case deCheckBrowseMode:
            CheckBrowseMode();
            break;
        case deFocusControl:
            FocusControl(reinterpret_cast<TField**>(Info));
            break;
        default:
            break;
    }
}

// ---- TMasterDataLink ---------------------------------------------------------------------------

void TMasterDataLink::SetFieldNames(const String& Value) {
    if (FFieldNames == Value) return;
    FFieldNames = Value;
    ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
    FFields.clear();
    if (Active()) {
        try {
            DataSet()->GetFieldList(FFields, FFieldNames);
        } catch (...) {
            FFields.clear();
            throw;
        }
    }
    if (FDataSet->Active() && !FDataSet->ComponentState().Contains(csDestroying)) {
        if (Active()) {
            if (OnMasterChange) OnMasterChange(this);
        } else if (OnMasterDisable) {
            OnMasterDisable(this);
        }
    }
}

void TMasterDataLink::CheckBrowseMode() {
    if (FDataSet->Active()) FDataSet->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* Field) {
    if (DataSource()->State() != dsSetKey && FDataSet->Active() &&
        (!Field || std::find(FFields.begin(), FFields.end(), Field) != FFields.end()))
        if (OnMasterChange) OnMasterChange(this);
}
