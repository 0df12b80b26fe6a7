// The data-aware axis grid: creation, the update and layout locks, rebuilding the bars and the
// field map, the data link's notifications and component removal.
#include "grid/axis/dbaxisgridvz.h"

#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/dbaxisgridinplacevz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/core/uitextsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/menus.h"
#include "platform/rtl/sysutils.h"

TCustomDBAxisGridVz::TCustomDBAxisGridVz(TComponent* AOwner) : TCustomGridVz(AOwner) {
    FAllowedOperations = TDBGridVzAllowedOperations{alopInsertVz, alopUpdateVz, alopDeleteVz, alopAppendVz};
}

TCustomDBAxisGridVz::~TCustomDBAxisGridVz() = default;

void TCustomDBAxisGridVz::AfterConstruction() {
    TCustomGridVz::AfterConstruction();
    FColumnDefValues = CreateColumnDefValues();
    FColumnDefValues->OnChanged = [this](TObject*) { Invalidate(); };
    FAxisBars = CreateAxisBars();
    SetRowCount(2);
    SetColCount(2);
    FDataLink = CreateDataLink();
    SetColor(clWindow);
    SetParentColor(false);
    FInterlinear = Flat() ? 2 : 4;
    FColCellParamsVz.reset(CreateColCellParams());
    FDynProps = New<TDynVarsVz>(this);
    FInplaceEditorButtonWidth = GetSystemMetrics(SM_CXVSCROLL);
    FInplaceEditorButtonHeight = DefaultRowHeight();
}

void TCustomDBAxisGridVz::BeforeDestruction() {
    // Detach the data source first, so no notification reaches a half-destroyed grid.
    if (FDataLink) FDataLink->SetDataSource(nullptr);
    TCustomGridVz::BeforeDestruction();
    if (FAxisBars) FAxisBars->Free();
    FAxisBars = nullptr;
    FColCellParamsVz.reset();
    if (FColumnDefValues) FColumnDefValues->Free();
    FColumnDefValues = nullptr;
    if (FDataLink) FDataLink->Free();
    FDataLink = nullptr;
    if (FDynProps) FDynProps->Free();
    FDynProps = nullptr;
}

TAxisBarDefValuesVz* TCustomDBAxisGridVz::CreateColumnDefValues() { return New<TAxisBarDefValuesVz>(); }

TGridAxisBarsVz* TCustomDBAxisGridVz::CreateAxisBars() {
    return New<TGridAxisBarsVz>(this, TAxisBarVz::StaticClass());
}

TAxisGridDataLinkVz* TCustomDBAxisGridVz::CreateDataLink() { return New<TAxisGridDataLinkVz>(this); }
GridsVz::TInplaceEdit* TCustomDBAxisGridVz::CreateEditor() { return New<TDBAxisGridInplaceEdit>(this); }

bool TCustomDBAxisGridVz::AxisGridLoading() { return ComponentState().Contains(csLoading); }

void TCustomDBAxisGridVz::SetAxisBars(TGridAxisBarsVz* Value) { FAxisBars->Assign(Value); }

TDataSource* TCustomDBAxisGridVz::DataSource() const { return FDataLink ? FDataLink->DataSource() : nullptr; }

bool TCustomDBAxisGridVz::DataSetActive() const {
    return FDataLink && FDataLink->Active() && FDataLink->DataSet() && FDataLink->DataSet()->Active();
}

void TCustomDBAxisGridVz::SetDataSource(TDataSource* Value) {
    if (Value == DataSource()) return;
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    LayoutChanged();
}

void TCustomDBAxisGridVz::SetAllowedOperations(TDBGridVzAllowedOperations Value) {
    if (FAllowedOperations == Value) return;
    FAllowedOperations = Value;
    if (!ComponentState().Contains(csDestroying)) LayoutChanged();
}

void TCustomDBAxisGridVz::SetReadOnly(bool Value) {
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    Invalidate();
}

void TCustomDBAxisGridVz::SetDrawGraphicData(bool Value) {
    if (FDrawGraphicData == Value) return;
    FDrawGraphicData = Value;
    LayoutChanged();
}

void TCustomDBAxisGridVz::SetDrawMemoText(bool Value) {
    if (FDrawMemoText == Value) return;
    FDrawMemoText = Value;
    LayoutChanged();
}

TAxisBarVz* TCustomDBAxisGridVz::FindFieldColumn(const String& FieldName) const {
    for (int i = 0; i < FAxisBars->Count(); ++i)
        if (AnsiCompareText(FAxisBars->AxisBar(i)->FieldName(), FieldName) == 0) return FAxisBars->AxisBar(i);
    return nullptr;
}

TAxisBarVz* TCustomDBAxisGridVz::GetFieldAxisBars(const String& FieldName) const {
    TAxisBarVz* b = FindFieldColumn(FieldName);
    if (!b) throw EInvalidGridOperationVz(Format(GetViZevLanguageConsts()->FieldNameNotFound(), {FieldName}));
    return b;
}

void TCustomDBAxisGridVz::GetDataSetFields(std::vector<TField*>& List) {
    TDataSet* ds = FDataLink ? FDataLink->DataSet() : nullptr;
    if (!ds) return;
    for (int i = 0; i < ds->FieldCount(); ++i) List.push_back(ds->Fields()->Fields(i));
}

void TCustomDBAxisGridVz::SetSelectedIndex(int) {
    throw Exception(u" TCustomDBAxisGridVz.SetSelectedIndex must be realized in the inherited class."_S);
}

TFont* TCustomDBAxisGridVz::GetTitleFont() {
    throw Exception(u"Write TCustomDBAxisGridVz.GetTitleFont in the inherited class"_S);
}

void TCustomDBAxisGridVz::SetTitleFont(TFont*) {
    throw Exception(u"Write TCustomDBAxisGridVz.SetTitleFont in the inherited class"_S);
}

void TCustomDBAxisGridVz::GetAxisBarCell(TAxisBarVz*, int& Col, int& Row) {
    Col = this->Col();
    Row = this->Row();
}

// ---- update and layout locks -------------------------------------------------------------------

void TCustomDBAxisGridVz::BeginUpdate() {
    if (FUpdateLock == 0) FLayoutChangedInUpdateLock = false;
    ++FUpdateLock;
}

void TCustomDBAxisGridVz::EndUpdate() {
    if (FUpdateLock > 0) --FUpdateLock;
    if (FUpdateLock == 0 && FLayoutChangedInUpdateLock && !ComponentState().Contains(csDestroying)) {
        try {
            LayoutChanged();
        } catch (...) {
            FLayoutChangedInUpdateLock = false;
            throw;
        }
        FLayoutChangedInUpdateLock = false;
    }
}

void TCustomDBAxisGridVz::BeginLayout() {
    BeginUpdate();
    if (FLayoutLock == 0) FAxisBars->BeginUpdate();
    ++FLayoutLock;
}

bool TCustomDBAxisGridVz::TryBeginLayout() {
    if (FUpdateLock != 0 || FLayoutLock != 0) return false;
    BeginLayout();
    return true;
}

void TCustomDBAxisGridVz::EndLayout() {
    if (FLayoutLock == 0) return;
    auto finish = [this] {
        if (FLayoutLock == 1) {
            FAxisBars->EndUpdate();
            FLayoutChangedInUpdateLock = false;
        }
        if (FLayoutLock > 0) --FLayoutLock;
        EndUpdate();
        if (!ComponentState().Contains(csDestroying)) UpdateBoundaries();
    };
    try {
        if (FLayoutLock == 1) InternalLayout();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomDBAxisGridVz::ReleaseLayoutLock() {
    if (FLayoutLock == 0) return;
    if (FLayoutLock == 1) FAxisBars->EndUpdate();
    --FLayoutLock;
    EndUpdate();
}

void TCustomDBAxisGridVz::DeferLayout() {
    if (HandleAllocated()) {
        TMsg m;
        if (!PeekMessage(m, Handle(), WM_AXISGRID_LAYOUT, WM_AXISGRID_LAYOUT, PM_NOREMOVE))
            PostMessage(Handle(), WM_AXISGRID_LAYOUT, 0, 0);
    }
    ReleaseLayoutLock();
}

void TCustomDBAxisGridVz::LayoutChanged() {
    if (TryBeginLayout()) EndLayout();
    else if (FUpdateLock > 0) FLayoutChangedInUpdateLock = true;
}

void TCustomDBAxisGridVz::Loaded() {
    TCustomGridVz::Loaded();
    LayoutChanged();
    DeferLayout();
}

void TCustomDBAxisGridVz::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_AXISGRID_LAYOUT) {
        if (TryBeginLayout()) EndLayout();
        else if (HandleAllocated()) PostMessage(Handle(), WM_AXISGRID_LAYOUT, 0, 0);
        return;
    }
    TCustomGridVz::Dispatch(Message);
    // Unsaved changes: Escape belongs to the grid (it cancels the record's edit), not to the form.
    if (Message.Msg == CM_WANTSPECIALKEY && Message.WParam == VK_ESCAPE && FDataLink && FDataLink->DataSet() &&
        FDataLink->DataSet()->Modified())
        Message.Result = 1;
}

// ---- the rebuild -------------------------------------------------------------------------------

void TCustomDBAxisGridVz::InternalLayout() {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
    if (HandleAllocated()) {
        TMsg m;
        PeekMessage(m, Handle(), WM_AXISGRID_LAYOUT, WM_AXISGRID_LAYOUT, PM_REMOVE);
    }
    LockPaint();
    try {
        // A stored bar after a non-stored one makes every non-stored bar go.
        bool seenDefault = false;
        for (int i = 0; i < FAxisBars->Count(); ++i) {
            TAxisBarVz* b = FAxisBars->AxisBar(i);
            if (!b->Stored()) seenDefault = true;
            else if (seenDefault) {
                for (int j = FAxisBars->Count() - 1; j >= 0; --j)
                    if (!FAxisBars->AxisBar(j)->Stored()) FAxisBars->Delete(j);
                break;
            }
        }
        FDataLink->ClearMapping();
        if (FDataLink->Active()) DefineFieldMap();
        if (FAxisBars->State() == csCustomized) BindBarFields();
        else {
            if (FDataLink->Active() || !FDataLink->DefaultFields()) {
                for (int i = FAxisBars->Count() - 1; i >= 0; --i) {
                    TAxisBarVz* b = FAxisBars->AxisBar(i);
                    bool mapped = false;
                    for (int k = 0; k < FDataLink->FieldCount() && !mapped; ++k)
                        mapped = b->Field() && FDataLink->Fields(k) == b->Field();
                    if (!mapped) FAxisBars->Delete(i);
                }
            } else FAxisBars->Clear();
            if (FAxisBars->IsDefaultState()) {
                int n = FDataLink->FieldCount();
                if (n == 0 && FAxisBars->Count() == 0) n = 1;
                for (int i = 0; i < n; ++i) {
                    TField* f = FDataLink->Fields(i);
                    TAxisBarVz* bar = nullptr;
                    if (f) {
                        for (int j = i; j < FAxisBars->Count() && !bar; ++j)
                            if (FAxisBars->AxisBar(j)->Field() == f) bar = FAxisBars->AxisBar(j);
                        if (!bar) {
                            bar = FAxisBars->Add();
                            bar->SetStored(false);
                            bar->SetFieldRef(f);
                        }
                    } else {
                        bar = FAxisBars->Add();
                        bar->SetStored(false);
                    }
                    bar->TCollectionItem::SetIndex(i);
                }
            } else if (!FAxisBars->KeepBarsOnRebuild()) {
                FAxisBars->Clear();
                for (int i = 0; i < FDataLink->FieldCount(); ++i) {
                    TAxisBarVz* bar = FAxisBars->Add();
                    bar->SetStored(false);
                    bar->SetFieldRef(FDataLink->Fields(i));
                }
            } else if (FAxisBars->Count() == 0) FAxisBars->Add()->SetStored(false);
        }
    } catch (...) {
        UnlockPaint();
        throw;
    }
    UnlockPaint();
}

void TCustomDBAxisGridVz::DefineFieldMap() {
    if (FAxisBars->State() == csCustomized) {
        FDataLink->SetSparseMap(true);
        for (int i = 0; i < FAxisBars->Count(); ++i) FDataLink->AddMapping(FAxisBars->AxisBar(i)->FieldName());
    } else {
        FDataLink->SetSparseMap(false);
        TDataSet* ds = FDataLink->DataSet();
        for (int i = 0; ds && i < ds->FieldCount(); ++i) {
            TField* f = ds->Fields()->Fields(i);
            if (f->Visible()) FDataLink->AddMapping(f->FieldName());
        }
    }
}

void TCustomDBAxisGridVz::BindBarFields() {
    for (int i = 0; i < FAxisBars->Count(); ++i) {
        TAxisBarVz* b = FAxisBars->AxisBar(i);
        if (FDataLink->Active() || !FDataLink->DefaultFields()) b->BindField();
        else b->SetFieldRef(nullptr);
    }
}

// ---- data link notifications -------------------------------------------------------------------

void TCustomDBAxisGridVz::DataLinkActiveChanged(bool Active) {
    if (ComponentState().Contains(csDestroying)) return;
    if (!Active) HideInplaceEditor();
    LayoutChanged();
    if (Active && AllowsAutoShowEditor() && Options().Contains(goAlwaysShowEditorVz)) ShowEditor();
    if (!ComponentState().Contains(csLoading)) FAxisBars->ActiveChanged();
}

void TCustomDBAxisGridVz::DataLinkLayoutChanged() {
    FLayoutFromDataset = true;
    try {
        LayoutChanged();
    } catch (...) {
        FLayoutFromDataset = false;
        throw;
    }
    FLayoutFromDataset = false;
}

bool TCustomDBAxisGridVz::DataLinkFocusControl(TField* Field) {
    SetSelectedField(Field);
    if (SelectedField() != Field || !AcquireFocus()) return false;
    ShowEditor();
    return true;
}

void TCustomDBAxisGridVz::DataLinkEditingChanged() {
    if (ComponentState().Contains(csDestroying) || !DataSource() || !FDataLink->DataSet()) return;
    const bool posted = FDataLink->DataSet()->State() == dsBrowse && FDataLink->WasEditingAtLastBrowseCheck();
    if (!posted) return;
    for (int i = 0; i < FAxisBars->Count(); ++i) FAxisBars->AxisBar(i)->RecordChanged(nullptr);
}

void TCustomDBAxisGridVz::RecordChangedForBars(TField* Field) {
    for (int i = 0; i < FAxisBars->Count(); ++i) FAxisBars->AxisBar(i)->RecordChanged(Field);
}

void TCustomDBAxisGridVz::DataLinkRecordChanged(TField* Field) {
    if (!HandleAllocated()) return;
    if (Field) {
        RecordChangedForBars(Field);
        RepaintRow(Row());
    } else Invalidate();
    TField* sel = SelectedField();
    if ((!Field || Field == sel) && sel && IsEditorVisible()) {
        TAxisBarVz* bar = SelectedBar();
        String fresh;
        if (IsMemoFieldTypeVz(sel->DataType()) && FDrawMemoText) {
            fresh = sel->AsString();
            fresh.replace(u"\r\n"_S, u"\n"_S);
            fresh.replace(u"\n"_S, u"\r\n"_S);
        } else if (bar->GetBarType() == ctKeyPickList) fresh = bar->DisplayText();
        else fresh = bar->EditText();
        if (InplaceEditorText() != fresh) {
            RepaintInplaceEditor();
            if (InplaceEditor()) InplaceEditor()->SetSel(0, 0);
        }
    }
}

// ---- component removal -------------------------------------------------------------------------

void TCustomDBAxisGridVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomGridVz::Notification(AComponent, Operation);
    if (Operation != opRemove || !FAxisBars) return;
    if (auto* menu = dynamic_cast<TPopupMenu*>(AComponent)) {
        for (int i = 0; i < FAxisBars->Count(); ++i)
            if (FAxisBars->AxisBar(i)->PopupMenu() == menu) FAxisBars->AxisBar(i)->SetPopupMenu(nullptr);
    } else if (auto* images = dynamic_cast<TCustomImageList*>(AComponent)) {
        for (int i = 0; i < FAxisBars->Count(); ++i)
            if (FAxisBars->AxisBar(i)->ImageList() == images) FAxisBars->AxisBar(i)->SetImageList(nullptr);
    } else if (auto* src = dynamic_cast<TDataSource*>(AComponent)) {
        if (src == DataSource()) SetDataSource(nullptr);
    } else if (auto* ds = dynamic_cast<TDataSet*>(AComponent)) {
        for (int i = 0; i < FAxisBars->Count(); ++i) {
            TDBLookupDataVz* l = FAxisBars->AxisBar(i)->LookupParams();
            if (!l->LookupInDataField() && l->LookupDataSet() == ds) l->SetLookupDataSet(nullptr);
        }
    } else if (auto* field = dynamic_cast<TField*>(AComponent); field && FDataLink) {
        std::vector<TAxisBarVz*> bound;
        for (int i = 0; i < FAxisBars->Count(); ++i)
            if (FAxisBars->AxisBar(i)->Field() == field) bound.push_back(FAxisBars->AxisBar(i));
        if (bound.empty()) return;
        TDataSet* owner = FDataLink->DataSet();
        if (owner && owner->ControlsDisabled()) {
            for (TAxisBarVz* b : bound) b->ForgetField();
            return;
        }
        BeginLayout();
        try {
            for (TAxisBarVz* b : bound) b->SetFieldRef(nullptr);
        } catch (...) {
            EndLayout();
            throw;
        }
        if (!owner || owner->ControlsDisabled()) DeferLayout();
        else EndLayout();
    }
}

// ---- invalidation ------------------------------------------------------------------------------

void TCustomDBAxisGridVz::Invalidate() {
    if (ComponentState().Contains(csDestroying)) return;
    TCustomGridVz::Invalidate();
    FMouseCellTextBounds.clear();
}

void TCustomDBAxisGridVz::InvalidateRect(const TGridRect& ARect) { TCustomGridVz::InvalidateRect(ARect); }
