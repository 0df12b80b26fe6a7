// The data grid object: its option sets and the rules that tie them together, construction and
// destruction, the mapping of columns to grid columns and the event relays.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/dbgrid/groupsgridvz.h"

#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridfilterhostvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/sumlistvz.h"
#include "grid/dbgrid/gridnavvz.h"
#include "platform/rtl/rtlmath.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"

TColumnVzRestoreParams GridToColumnRestoreParamsVz(TDBGridVzRestoreParams P) {
    TColumnVzRestoreParams r;
    if (P.Contains(grpColIndexVz)) r.Include(crpColIndexVz);
    if (P.Contains(grpColWidthsVz)) r.Include(crpColWidthsVz);
    if (P.Contains(grpSortMarkerVz)) r.Include(crpSortMarkerVz);
    if (P.Contains(grpColVisibleVz)) r.Include(crpColVisibleVz);
    if (P.Contains(grpDropDownRowsVz)) r.Include(crpDropDownRowsVz);
    if (P.Contains(grpDropDownWidthVz)) r.Include(crpDropDownWidthVz);
    if (P.Contains(grpRowPanelColPlacementVz)) r.Include(crpRowPanelColPlacementVz);
    return r;
}

// ---- construction ------------------------------------------------------------------------------

TCustomDBGridVz::TCustomDBGridVz(TComponent* AOwner) : TCustomDBAxisGridVz(AOwner) {
    FOptions = TDBGridOptions{dgEditing,   dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                              dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
    FOptionsVz = TDBGridVzOptions{dghFixed3D,      dghHighlightFocus, dghClearSelection, dghDialogFind,
                                  dghColumnResize, dghColumnMove,     dghExtendVertLines};
    FIndicatorOptions = TDBGridVzIndicatorOptions{gioShowRowIndicatorVz};
    FAllowedSelections = TDBGridVzAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll};
    // The appearance objects exist before the axis grid asks for its title font and colour.
    FTitleParams = NewOwned<TDBGridTitleParamsVz>(this);
    FIndicatorParams = NewOwned<TDBGridIndicatorParamsVz>(this);
    FFooterParams = NewOwned<TDBGridFooterParamsVz>(this);
    FEmptyDataInfo = NewOwned<TGridEmptyDataInfoVz>(this);
    FLoadingStatusText = GetViZevLanguageConsts()->GridLoadingModeTextVz();
}

TCustomDBGridVz::~TCustomDBGridVz() = default;

void TCustomDBGridVz::AfterConstruction() {
    TCustomDBAxisGridVz::AfterConstruction();
    UseGlobalStyle();
    FHeadTree = New<TDBGridMultiTitleTreeListVz>();
    FSelectedRows = New<TBookmarkListVz>(this);
    FSelection = New<TDBGridVzSelection>(this);
    FFilterHost = std::make_unique<TDBGridFilterHostVz>(this);
    FSTFilter = New<TSTDBGridVzFilter>(FFilterHost.get());
    FDataGrouping = New<TDBGridVzDataGroupsVz>(this);
    FSumList = New<TDBGridVzSumList>(this);
    FRowDetailControl = New<TRowDetailPanelControlVz>(this);
    FRowDetailControl->SetName(u"RowDetailData"_S);
    FRowDetailControl->SetVisible(false);
    FRowDetailControl->SetParent(this);
    FRowDetailPanel = New<TRowDetailPanelVz>(this);
    FRowPanel = New<TGridRowPanelVz>(this);
    FSumList->SumListChanged = [this](TObject* Sender) { SumListChanged(Sender); };
    FSumList->OnRecalcAll = [this](TObject* Sender) { SumListRecalcAll(Sender); };
    FSumList->OnAfterRecalcAll = [this](TObject* Sender) { SumListAfterRecalcAll(Sender); };
    DBGridVzCenter()->AddChangeNotification(FFilterHost.get());
    TCustomGridVz::SetOptions(TGridOptionsVz{goColSizingVz, goColMovingVz, goEditingVz, goTabsVz, goThumbTrackingVz,
                                             goExtendVertLinesVz, goContraVertBoundaryLineVz,
                                             goContraHorzBoundaryLineVz});
    UpdateEngineOptions();
    FIndicatorOffset = 1;
    SetFixedColCount(1);
    SetFixedRowCount(1);
    SetRowCount(2);
    SetColCount(2);
    CalcStdDataRowHeight();
    CalcTitleRowHeight();
    FIndicatorWidth = CalcIndicatorColWidth();
    SetColWidths(0, FIndicatorWidth);
    HideInplaceEditor();
}

void TCustomDBGridVz::BeforeDestruction() {
    if (FSumList) {
        FSumList->SumListChanged.Clear();
        FSumList->OnRecalcAll.Clear();
        FSumList->OnAfterRecalcAll.Clear();
        FSumList->SetActive(false);
    }
    if (FStyle) FStyle->RemoveChangeNotification(this);
    FStyle = nullptr;
    if (FFilterHost && !FFilterHost->CenterGone()) DBGridVzCenter()->RemoveChangeNotification(FFilterHost.get());
    if (FFilterEdit) FFilterEdit->Free();
    FFilterEdit = nullptr;
    if (DataLink()) SetDataSource(nullptr);
    if (FIntMemTable) {
        FIntMemTable->UnregisterEventReceiver(this);
        if (FDataGrouping) FDataGrouping->MemTableChanged(FIntMemTable, nullptr);
        FIntMemTable = nullptr;
    }
    TCustomDBAxisGridVz::BeforeDestruction();
    FSortMarkedColumns.Clear();
    FLeafFieldArr.clear();
    if (FHeadTree) FHeadTree->Free();
    FHeadTree = nullptr;
    if (FSelection) FSelection->Free();
    FSelection = nullptr;
    if (FSelectedRows) FSelectedRows->Free();
    FSelectedRows = nullptr;
    if (FSTFilter) FSTFilter->Free();
    FSTFilter = nullptr;
    FFilterHost.reset();
    FInstantReadDataNodes.clear();
    if (FDataGrouping) FDataGrouping->Free();
    FDataGrouping = nullptr;
    if (FRowDetailPanel) FRowDetailPanel->Free();
    FRowDetailPanel = nullptr;
    if (FRowPanel) FRowPanel->Free();
    FRowPanel = nullptr;
    // The columns and their footers' sum definitions are gone by now.
    if (FSumList) FSumList->Free();
    FSumList = nullptr;
}

TGridAxisBarsVz* TCustomDBGridVz::CreateAxisBars() {
    return New<TDBGridColumnsVz>(this, TDBGridColumnVz::StaticClass());
}

TAxisBarDefValuesVz* TCustomDBGridVz::CreateColumnDefValues() {
    auto* d = New<TColumnDefValuesVz>();
    d->ColumnTitle()->OnChanged = [this](TObject*) { Invalidate(); };
    return d;
}

ISTFilterGridVz* TCustomDBGridVz::FilterHost() const { return FFilterHost.get(); }

TColumnDefValuesVz* TCustomDBGridVz::ColumnDefValues() const {
    return static_cast<TColumnDefValuesVz*>(const_cast<TCustomDBGridVz*>(this)->AxisBarDefValues());
}

// ---- style -------------------------------------------------------------------------------------

void TCustomDBGridVz::SetStyle(TDBGridVzStyle* Value) {
    if (!Value) {
        UseGlobalStyle();
        return;
    }
    if (FStyle == Value) return;
    if (FStyle) FStyle->RemoveChangeNotification(this);
    FStyle = Value;
    FStyle->AddChangeNotification(this);
    DrawStyleChanged();
}

void TCustomDBGridVz::UseGlobalStyle() {
    TDBGridVzStyle* g = DBGridVzDefaultStyle();
    if (g == FStyle) return;
    if (FStyle) FStyle->RemoveChangeNotification(this);
    FStyle = g;
    if (g) g->AddChangeNotification(this);
    else DrawStyleChanged();
}

// ---- option sets -------------------------------------------------------------------------------

void TCustomDBGridVz::UpdateEngineOptions() {
    TGridOptionsVz e{goThumbTrackingVz};
    if (FOptions.Contains(dgRowLines)) e.Include(goContraHorzBoundaryLineVz);
    if (FOptions.Contains(dgColLines)) e.Include(goContraVertBoundaryLineVz);
    if (FOptions.Contains(dgRowLines)) e += TGridOptionsVz{goHorzLineVz, goFixedHorzLineVz};
    if (FOptions.Contains(dgColLines)) e += TGridOptionsVz{goVertLineVz, goFixedVertLineVz};
    if (FRowSizingAllowed) e.Include(goRowSizingVz);
    if (FOptionsVz.Contains(dghExtendVertLines)) e.Include(goExtendVertLinesVz);
    if (FOptions.Contains(dgTabs)) e.Include(goTabsVz);
    if (FOptions.Contains(dgRowSelect)) e.Include(goRowSelectVz);
    if (FOptions.Contains(dgEditing)) e.Include(goEditingVz);
    if (FOptions.Contains(dgAlwaysShowEditor)) e.Include(goAlwaysShowEditorVz);
    if (FOptionsVz.Contains(dghColumnResize)) e.Include(goColSizingVz);
    if (FOptionsVz.Contains(dghColumnMove)) e.Include(goColMovingVz);
    TCustomGridVz::SetOptions(e);
}

void TCustomDBGridVz::ApplyColumnResizeRule(TDBGridOptions O, TDBGridVzOptions E) {
    const bool was = FOptions.Contains(dgColumnResize), now = O.Contains(dgColumnResize);
    const bool both = E.Contains(dghColumnResize) && E.Contains(dghColumnMove);
    const bool storedBoth = FOptionsVz.Contains(dghColumnResize) && FOptionsVz.Contains(dghColumnMove);
    if (now && !was) FOptionsVz += TDBGridVzOptions{dghColumnResize, dghColumnMove};
    else if (!now && was) FOptionsVz -= TDBGridVzOptions{dghColumnResize, dghColumnMove};
    else if (both && !storedBoth) FOptions.Include(dgColumnResize);
    else if (!both && storedBoth) FOptions.Exclude(dgColumnResize);
}

void TCustomDBGridVz::SetOptions(TDBGridOptions Value) {
    if (Value.Contains(dgRowSelect)) Value -= TDBGridOptions{dgEditing, dgAlwaysShowEditor};
    if (Value == FOptions) return;
    const TDBGridOptions old = FOptions;
    if (!ComponentState().Contains(csLoading)) {
        ApplyColumnResizeRule(Value, FOptionsVz);
        // The rule acts on the stored sets; the column-resize flags of OptionsVz follow the new value.
        if (Value.Contains(dgColumnResize) != old.Contains(dgColumnResize)) {
            if (Value.Contains(dgColumnResize)) FOptionsVz += TDBGridVzOptions{dghColumnResize, dghColumnMove};
            else FOptionsVz -= TDBGridVzOptions{dghColumnResize, dghColumnMove};
        }
    }
    FOptions = Value;
    if (FOptions.Contains(dgIndicator)) FIndicatorOptions.Include(gioShowRowIndicatorVz);
    else FIndicatorOptions.Exclude(gioShowRowIndicatorVz);
    UpdateEngineOptions();
    const TDBGridOptions layoutSet{dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColLines,
                                   dgRowLines, dgRowSelect, dgAlwaysShowSelection};
    if (!((((old - FOptions) + (FOptions - old)) * layoutSet).Empty())) {
        const int sel = SelectedIndex();
        if (old.Contains(dgRowLines) != FOptions.Contains(dgRowLines)) CalcStdDataRowHeight();
        CheckIndicatorColWidthChanged();
        LayoutChanged();
        AdjustColForIndicator(old);
        if (sel >= 0 && SelectedIndex() != sel && sel < Columns()->Count()) SetSelectedIndex(sel);
    }
    if (IsEditorVisible()) RepaintInplaceEditor();
}

void TCustomDBGridVz::SetOptionsVz(TDBGridVzOptions Value) {
    if (Value == FOptionsVz) return;
    if (FOptionsVz.Contains(dghMultiSortMarking) && !Value.Contains(dghMultiSortMarking)) {
        for (int i = FSortMarkedColumns.Count() - 1; i >= 1; --i)
            FSortMarkedColumns.Items(i)->Title()->SetSortMarker(smNoneVz);
    }
    if (!ComponentState().Contains(csLoading)) {
        ApplyColumnResizeRule(FOptions, Value);
        const bool both = Value.Contains(dghColumnResize) && Value.Contains(dghColumnMove);
        if (both) FOptions.Include(dgColumnResize);
        else FOptions.Exclude(dgColumnResize);
    }
    FOptionsVz = Value;
    if (FOptionsVz.Contains(dghShowRecNo)) FIndicatorOptions.Include(gioShowRecNoVz);
    else FIndicatorOptions.Exclude(gioShowRecNoVz);
    UpdateEngineOptions();
    CheckIndicatorColWidthChanged();
    LayoutChanged();
}

void TCustomDBGridVz::SetIndicatorOptions(TDBGridVzIndicatorOptions Value) {
    if (Value == FIndicatorOptions) return;
    const TDBGridOptions old = FOptions;
    FIndicatorOptions = Value;
    if (Value.Contains(gioShowRowIndicatorVz)) FOptions.Include(dgIndicator);
    else FOptions.Exclude(dgIndicator);
    if (Value.Contains(gioShowRecNoVz)) FOptionsVz.Include(dghShowRecNo);
    else FOptionsVz.Exclude(dghShowRecNo);
    CheckIndicatorColWidthChanged();
    LayoutChanged();
    if (old != FOptions) AdjustColForIndicator(old);
}

void TCustomDBGridVz::AdjustColForIndicator(TDBGridOptions OldOptions) {
    const bool was = OldOptions.Contains(dgIndicator), now = FOptions.Contains(dgIndicator);
    if (was == now) return;
    // The layout already moved the column map; the current grid column keeps the same data column.
    if (now && !was) {
        if (Col() < ColCount() - ContraColCount() - 1) SetCol(Col() + 1);
    } else if (!now && was) {
        if (Col() > FixedColCount()) SetCol(Col() - 1);
    }
}

// ---- plain properties --------------------------------------------------------------------------

void TCustomDBGridVz::SetAutoFitColWidths(bool Value) {
    if (FAutoFitColWidths == Value) return;
    FAutoFitColWidths = Value;
    if (ComponentState().Contains(csDesigning)) return;
    if (!Value) {
        BeginLayout();
        try {
            for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetWidth(Columns()->Items(i)->InitWidth());
        } catch (...) {
            EndLayout();
            throw;
        }
        EndLayout();
    } else if (!ComponentState().Contains(csLoading)) {
        for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetInitWidth(Columns()->Items(i)->Width());
    }
    if (FAutoFitColWidths && FixedColCount() < ColCount()) SetLeftCol(FixedColCount());
    LayoutChanged();
}

bool TCustomDBGridVz::CanAutoFitColWidths() {
    return FAutoFitColWidths && !ComponentState().Contains(csDesigning);
}

void TCustomDBGridVz::SetMinAutoFitWidth(int Value) {
    if (FMinAutoFitWidth == Value) return;
    FMinAutoFitWidth = Value;
    LayoutChanged();
}

void TCustomDBGridVz::SetRowHeight(int Value) {
    if (Value < 0) Value = 0;
    if (FRowHeight == Value) return;
    FRowHeight = Value;
    CalcStdDataRowHeight();
    LayoutChanged();
}

void TCustomDBGridVz::SetRowLines(int Value) {
    if (Value < 0) Value = 0;
    if (FRowLines == Value) return;
    FRowLines = Value;
    CalcStdDataRowHeight();
    LayoutChanged();
}

void TCustomDBGridVz::SetRowSizingAllowed(bool Value) {
    if (FRowSizingAllowed == Value) return;
    FRowSizingAllowed = Value;
    UpdateEngineOptions();
}

void TCustomDBGridVz::SetFooterRowCount(int Value) {
    if (Value < 0 || FFooterRowCount == Value) return;
    FFooterRowCount = Value;
    LayoutChanged();
}

void TCustomDBGridVz::SetFrozenCols(int Value) {
    if (Value < 0 || Value == FFrozenCols) return;
    const bool free = ComponentState().Contains(csLoading) ||
                      ((!DataLink() || !DataLink()->Active()) && Columns()->State() == csDefault);
    if (!free && Value >= ColCount() - FIndicatorOffset)
        throw EInvalidGridOperationVz(u"Frozen column count must be less than scrollable column count"_S);
    FFrozenCols = Value;
    LayoutChanged();
}

void TCustomDBGridVz::SetTryUseMemTableInt(bool Value) {
    if (FTryUseMemTableInt == Value) return;
    FTryUseMemTableInt = Value;
    LayoutChanged();
}

void TCustomDBGridVz::SetTitleFont(TFont* Value) { FTitleParams->SetFont(Value); }

// ---- columns -----------------------------------------------------------------------------------

int TCustomDBGridVz::GridColToDataCol(int ACol) const {
    const int i = ACol - FIndicatorOffset;
    return i >= 0 && i < Columns()->Count() ? i : -1;
}

int TCustomDBGridVz::GetSelectedIndex() { return GridColToDataCol(Col()); }

void TCustomDBGridVz::SetSelectedIndex(int Value) {
    const int c = DataColToGridCol(Value);
    if (c >= FixedColCount() && c < ColCount()) SetCol(c);
}

void TCustomDBGridVz::GetAxisBarCell(TAxisBarVz* Bar, int& ACol, int& ARow) {
    ACol = DataColToGridCol(Bar->Index());
    ARow = Row();
}

bool TCustomDBGridVz::IsBarEditable(int Index) {
    return Index >= 0 && Index < Columns()->Count() && Columns()->Items(Index)->CanModify(false) &&
           FOptions.Contains(dgEditing);
}

bool TCustomDBGridVz::CanModifyCellText() {
    TColumnVz* c = GetSelectedIndex() >= 0 ? Columns()->Items(GetSelectedIndex()) : nullptr;
    if (c && c->GetBarType() == ctCheckboxes) return false;
    return TryEditSelectedField();
}

void TCustomDBGridVz::AxisBarChanged(TAxisBarVz*) { LayoutChanged(); }

TColumnsVzList TCustomDBGridVz::VisibleColumns() const {
    TColumnsVzList l;
    for (int i = 0; i < Columns()->Count(); ++i)
        if (Columns()->Items(i)->Visible()) l.Add(Columns()->Items(i));
    return l;
}

TColumnVz* TCustomDBGridVz::FirstVisibleColumn() const {
    for (int i = 0; Columns() && i < Columns()->Count(); ++i)
        if (Columns()->Items(i)->Visible()) return Columns()->Items(i);
    return nullptr;
}

void TCustomDBGridVz::SetSortMarkedColumns() {
    FSortMarkedColumns.Clear();
    std::vector<TColumnVz*> marked;
    for (int i = 0; i < Columns()->Count(); ++i)
        if (Columns()->Items(i)->Title()->SortIndex() > 0) marked.push_back(Columns()->Items(i));
    std::stable_sort(marked.begin(), marked.end(), [](TColumnVz* a, TColumnVz* b) {
        return a->Title()->SortIndex() < b->Title()->SortIndex();
    });
    for (TColumnVz* c : marked) FSortMarkedColumns.Add(c);
}

void TCustomDBGridVz::ColumnSortMarkerChanged(TColumnVz* Column) {
    if (const int gc = DataColToGridCol(Column->Index()); HandleAllocated() && gc < ColCount() && TitleRowCount() > 0)
        InvalidateRect(TGridRect{gc, 0, gc, 0});
    Invalidate();
}

// ---- event relays ------------------------------------------------------------------------------

void TCustomDBGridVz::CellClick(TColumnVz* Column) {
    if (OnCellClick) OnCellClick(Column);
}

void TCustomDBGridVz::TitleClick(TColumnVz* Column) {
    if (OnTitleClick) OnTitleClick(Column);
}

void TCustomDBGridVz::TitleBtnClick(int ACol, TColumnVz* Column) {
    if (OnTitleBtnClick) OnTitleBtnClick(this, ACol, Column);
}

void TCustomDBGridVz::CheckButton(int ACol, bool& Enabled) {
    if (ACol < 0 || ACol >= Columns()->Count()) {
        Enabled = false;
        return;
    }
    if (OnCheckButton) OnCheckButton(this, ACol, Columns()->Items(ACol), Enabled);
}

void TCustomDBGridVz::ColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridVz::ColExit() {
    if (OnColExit) OnColExit(this);
}

void TCustomDBGridVz::SortMarkingChanged() {
    if (!FOptionsVz.Contains(dghAutoSortMarking)) return;
    if (OnSortMarkingChanged) OnSortMarkingChanged(this);
    else if (TDBGridVzCenter* c = FFilterHost ? FFilterHost->STFilterCenter() : nullptr) c->ApplySorting(FFilterHost.get());
}

void TCustomDBGridVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomDBAxisGridVz::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (FNav) FNav->IndicatorTitle->MenuRemoved(AComponent);
    if (FIntMemTable && dynamic_cast<IMemTableVz*>(AComponent) == FIntMemTable) {
        FIntMemTable = nullptr;
        // The table is going: the grouping's receiver must not reach it any more.
        if (FDataGrouping) FDataGrouping->MemTableChanged(nullptr, nullptr);
    }
}

void TCustomDBGridVz::FontChanged() {
    TCustomDBAxisGridVz::FontChanged();
    if (FTitleParams) FTitleParams->RefreshDefaultFont();
    if (FIndicatorParams) FIndicatorParams->RefreshDefaultFont();
    if (FFooterParams) FFooterParams->RefreshDefaultFont();
    if (FEmptyDataInfo) FEmptyDataInfo->RefreshDefaultFont();
    CalcStdDataRowHeight();
    LayoutChanged();
}

// ---- selected rows -----------------------------------------------------------------------------

TDataSet* TBookmarkListVz::GetDataSet() {
    return FGrid && FGrid->DataLink() ? FGrid->DataLink()->DataSet() : nullptr;
}

void TBookmarkListVz::SetCurrentRowSelected(bool Value) {
    TDataSet* ds = GetDataSet();
    if (!ds || !ds->Active() || ds->IsEmpty()) return;
    TBMListVz::SetCurrentRowSelected(Value);
    FGrid->RepaintRow(FGrid->Row());
}

void TBookmarkListVz::Invalidate() {
    if (FGrid) FGrid->Invalidate();
}

void TBookmarkListVz::Changed() {
    TBMListVz::Changed();
    // Marking records makes the grid's selection a record selection.
    if (TDBGridVzSelection* sel = FGrid ? FGrid->Selection() : nullptr) {
        if (sel->SelectionType() != gstRecordBookmarks && Count() > 0) {
            sel->Clear();
            sel->SetSelectionType(gstRecordBookmarks);
        }
        sel->UpdateState();
        sel->SelectionChanged();
    }
    Invalidate();
}

void TBookmarkListVz::UpdateState() {
    if (TDBGridVzSelection* sel = FGrid ? FGrid->Selection() : nullptr) sel->UpdateState();
}

void TBookmarkListVz::ItemChanged(const TBookmark& Item, TListNotification Action) {
    if (FGrid && !FGrid->ComponentState().Contains(csDestroying) && FGrid->OnSelectedRowsItemChanged)
        FGrid->OnSelectedRowsItemChanged(FGrid, Item, Action);
}

void TBookmarkListVz::AppendItem(const TBookmark& Item) {
    TBMListVz::AppendItem(Item);
    ItemChanged(Item, lnAdded);
}

void TBookmarkListVz::InsertItem(int Index, const TBookmark& Item) {
    TBMListVz::InsertItem(Index, Item);
    ItemChanged(Item, lnAdded);
}

void TBookmarkListVz::DeleteItem(int Index) {
    const TBookmark item = Items(Index);
    TBMListVz::DeleteItem(Index);
    ItemChanged(item, lnDeleted);
}

void TBookmarkListVz::Assign(TBookmarkListVz* Rows) {
    Clear();
    for (int i = 0; i < Rows->Count(); ++i) AppendItem(Rows->Items(i));
}

void TCustomDBGridVz::SetDataSource(TDataSource* Value) {
    if (Value == DataSource()) return;
    if (FSelectedRows && FOptions.Contains(dgMultiSelect)) FSelectedRows->Clear();
    TCustomDBAxisGridVz::SetDataSource(Value);
    if (FSumList) FSumList->SetDataSet(Value ? Value->DataSet() : nullptr);
}

// The current cell takes the selection colour while the grid has the focus; the rows of a
// multi-selection keep theirs, in the inactive colour, when the focus is elsewhere.
bool TCustomDBGridVz::HighlightDataCellColor(int, int, const String&, TGridDrawState AState, TColor& AColor,
                                             TFont* AFont) {
    if (!AState.Contains(gdSelected)) return false;
    const bool focus = Focused() || ContainsFocus();
    const bool rowSelected = AState.Contains(gdRowSelected);
    if (!focus && !rowSelected && !FOptions.Contains(dgAlwaysShowSelection)) return false;
    if (focus) {
        AColor = FStyle ? FStyle->GetSelectionColor() : clHighlight;
        if (AFont) AFont->SetColor(FStyle ? FStyle->GetSelectionFontColor() : clHighlightText);
    } else {
        AColor = FStyle ? FStyle->GetSelectionInactiveColor() : clBtnFace;
        if (AFont) AFont->SetColor(FStyle ? FStyle->GetSelectionFontColor() : clHighlightText);
    }
    return true;
}

void TCustomDBGridVz::DoExit() {
    TDataSet* ds = DataLink() && DataLink()->Active() ? DataLink()->DataSet() : nullptr;
    if (ds) {
        try {
            // A new record nobody typed into is dropped when the focus leaves; anything else is posted.
            if (FOptions.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !DataLink()->Modified())
                ds->Cancel();
            else
                DataLink()->UpdateRecord();
        } catch (...) {
            SetFocus();
            throw;
        }
    }
    TCustomDBAxisGridVz::DoExit();
}
