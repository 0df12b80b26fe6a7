#include "grid/dbgrid/groupsvz.h"

#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/controls.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace {

[[noreturn]] void RaiseGroupLevelIndex(int Index) {
    throw EListError(Format(u"List index out of bounds (%d)"_S, {Index}));
}

String GroupsGridName(TComponent* Grid) { return Grid ? Grid->Name() : String(); }

}  // namespace

// ---- TGridGroupLinePenVz ----

void TGridGroupLinePenVz::Published(TPublished<TGridGroupLinePenVz>& P) {
    using C = TGridGroupLinePenVz;
    GroupColorIdentsVz(P.Integer("Color", &C::Color, &C::SetColor).Default(clDefault));
    P.Integer("Width", &C::Width, &C::SetWidth).Default(1);
}

void TGridGroupLinePenVz::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TGridGroupLinePenVz*>(Source)) {
        SetColor(S->GetColor());
        SetWidth(S->GetWidth());
        return;
    }
    inherited::Assign(Source);
}

TPersistent* TGridGroupLinePenVz::GetOwner() { return FOwner; }

void TGridGroupLinePenVz::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    if (FOwner && FOwner->DataGroups()) FOwner->DataGroups()->InvalidateGrid();
}

void TGridGroupLinePenVz::SetWidth(Integer Value) {
    if (FWidth == Value) return;
    FWidth = Value;
    if (FOwner && FOwner->DataGroups()) FOwner->DataGroups()->InvalidateGrid();
}

// ---- TGridDataGroupRowDefValuesVz ----

void TGridDataGroupRowDefValuesVz::Published(TPublished<TGridDataGroupRowDefValuesVz>& P) {
    using C = TGridDataGroupRowDefValuesVz;
    P.Object("BottomLine", &C::BottomLine, &C::SetBottomLine);
    P.Boolean("FooterInGroupRow", &C::FooterInGroupRow, &C::SetFooterInGroupRow).Default(false);
    P.Integer("RowHeight", &C::RowHeight, &C::SetRowHeight).Default(0);
    P.Integer("RowLines", &C::RowLines, &C::SetRowLines).Default(0);
}

TGridDataGroupRowDefValuesVz::TGridDataGroupRowDefValuesVz(TGridDataGroupsVz* ADataGroups)
    : FDataGroups(ADataGroups), FBottomLine(NewOwned<TGridGroupLinePenVz>(this)) {}

void TGridDataGroupRowDefValuesVz::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TGridDataGroupRowDefValuesVz*>(Source)) {
        FBottomLine->Assign(S->BottomLine());
        SetFooterInGroupRow(S->FooterInGroupRow());
        SetRowHeight(S->RowHeight());
        SetRowLines(S->RowLines());
        return;
    }
    inherited::Assign(Source);
}

TPersistent* TGridDataGroupRowDefValuesVz::GetOwner() { return FDataGroups; }

void TGridDataGroupRowDefValuesVz::SetFooterInGroupRow(bool Value) {
    if (FFooterInGroupRow == Value) return;
    FFooterInGroupRow = Value;
    FDataGroups->FooterStructureChanged();
}

void TGridDataGroupRowDefValuesVz::SetRowHeight(Integer Value) {
    if (FRowHeight == Value) return;
    FRowHeight = Value;
    FDataGroups->FooterStructureChanged();
}

void TGridDataGroupRowDefValuesVz::SetRowLines(Integer Value) {
    if (FRowLines == Value) return;
    FRowLines = Value;
    FDataGroups->FooterStructureChanged();
}

// ---- TGridDataGroupLevelVz ----

TGridDataGroupLevelVz::TGridDataGroupLevelVz(TCollection* Collection)
    : TCollectionItem(Collection), FLook([this] { InvalidateGrid(); }) {
    FFooters = NewOwned<TGridDataGroupFootersVz>(this, TGridDataGroupFooterVz::StaticClass());
}

TColor TGridDataGroupLevelVz::Color() const { return FLook.Color(DataGroups() ? DataGroups()->Color() : FLook.OwnColor()); }

TFont* TGridDataGroupLevelVz::Font() { return FLook.Font(DataGroups() ? DataGroups()->Font() : nullptr); }

void TGridDataGroupLevelVz::SetParentFont(bool Value) { FLook.SetParentFont(Value, DataGroups() ? DataGroups()->Font() : nullptr); }

TGridDataGroupLevelVz::~TGridDataGroupLevelVz() = default;

void TGridDataGroupLevelVz::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TGridDataGroupLevelVz*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    TCollection* C = Collection();
    if (C) C->BeginUpdate();
    TGroupFinallyVz End([C] {
        if (C) C->EndUpdate();
    });
    FColumn = S->FColumn;
    FSortOrder = S->FSortOrder;
    FLook.Assign(S->FLook);
    FParentFooters = S->FParentFooters;
    FFooters->Assign(S->FFooters.get());
    FFooterInGroupRow = S->FFooterInGroupRow;
    FFooterInGroupRowStored = S->FFooterInGroupRowStored;
    FRowHeight = S->FRowHeight;
    FRowHeightStored = S->FRowHeightStored;
    FRowLines = S->FRowLines;
    FRowLinesStored = S->FRowLinesStored;
    Changed(false);
}

TGridDataGroupLevelsVz* TGridDataGroupLevelVz::GridDataGroupLevels() const {
    return static_cast<TGridDataGroupLevelsVz*>(Collection());
}

TGridDataGroupsVz* TGridDataGroupLevelVz::DataGroups() const {
    return GridDataGroupLevels() ? GridDataGroupLevels()->DataGroup() : nullptr;
}

void TGridDataGroupLevelVz::SetColumn(TPersistent* Value) {
    if (FColumn == Value) return;
    FColumn = Value;
    Changed(false);
}

bool TGridDataGroupLevelVz::FooterInGroupRow() const {
    if (FFooterInGroupRowStored || !DataGroups()) return FFooterInGroupRow;
    return DataGroups()->GroupRowDefValues()->FooterInGroupRow();
}

void TGridDataGroupLevelVz::SetFooterInGroupRow(bool Value) {
    if (FFooterInGroupRowStored && FFooterInGroupRow == Value) return;
    FFooterInGroupRow = Value;
    FFooterInGroupRowStored = true;
    if (DataGroups()) DataGroups()->FooterStructureChanged();
}

void TGridDataGroupLevelVz::SetFooterInGroupRowStored(bool Value) {
    if (FFooterInGroupRowStored == Value) return;
    FFooterInGroupRowStored = Value;
    if (DataGroups()) FFooterInGroupRow = DataGroups()->GroupRowDefValues()->FooterInGroupRow();
}

Integer TGridDataGroupLevelVz::RowHeight() const {
    if (FRowHeightStored || !DataGroups()) return FRowHeight;
    return DataGroups()->GroupRowDefValues()->RowHeight();
}

void TGridDataGroupLevelVz::SetRowHeight(Integer Value) {
    if (FRowHeightStored && FRowHeight == Value) return;
    FRowHeight = Value;
    FRowHeightStored = true;
    if (DataGroups()) DataGroups()->FooterStructureChanged();
}

void TGridDataGroupLevelVz::SetRowHeightStored(bool Value) {
    if (FRowHeightStored == Value) return;
    FRowHeightStored = Value;
    if (DataGroups()) FRowHeight = DataGroups()->GroupRowDefValues()->RowHeight();
}

Integer TGridDataGroupLevelVz::RowLines() const {
    if (FRowLinesStored || !DataGroups()) return FRowLines;
    return DataGroups()->GroupRowDefValues()->RowLines();
}

void TGridDataGroupLevelVz::SetRowLines(Integer Value) {
    if (FRowLinesStored && FRowLines == Value) return;
    FRowLines = Value;
    FRowLinesStored = true;
    if (DataGroups()) DataGroups()->FooterStructureChanged();
}

void TGridDataGroupLevelVz::SetRowLinesStored(bool Value) {
    if (FRowLinesStored == Value) return;
    FRowLinesStored = Value;
    if (DataGroups()) FRowLines = DataGroups()->GroupRowDefValues()->RowLines();
}

void TGridDataGroupLevelVz::SetSortOrder(TSortOrderVz Value) {
    if (FSortOrder == Value) return;
    FSortOrder = Value;
    if (GridDataGroupLevels()) GridDataGroupLevels()->SortOrderChanged(this);
}

TGridDataGroupFootersVz* TGridDataGroupLevelVz::UsedFooters() const {
    if (FParentFooters && DataGroups()) return DataGroups()->Footers();
    return FFooters.get();
}

int TGridDataGroupLevelVz::VisibleFootersCount() const { return UsedFooters()->Count(); }

TGridDataGroupFooterVz* TGridDataGroupLevelVz::GetVisibleFooter(int Index) const { return UsedFooters()->Items(Index); }

void TGridDataGroupLevelVz::SetNodesExpanded(bool Value) {
    TGridDataGroupsVz* G = DataGroups();
    if (!G) return;
    for (int I = 0; I < G->ActiveGroupLevelsCount(); ++I)
        if (G->ActiveGroupLevels(I) == this) {
            G->GroupDataTree()->SetLevelExpanded(I + 1, Value);
            return;
        }
}

void TGridDataGroupLevelVz::CollapseNodes() { SetNodesExpanded(false); }
void TGridDataGroupLevelVz::ExpandNodes() { SetNodesExpanded(true); }

TColor TGridDataGroupLevelVz::GetDefaultFooterColor() const {
    return DataGroups() ? DataGroups()->GetDefaultFooterColor() : clWindow;
}

TFont* TGridDataGroupLevelVz::GetDefaultFooterFont() const {
    return DataGroups() ? DataGroups()->GetDefaultFooterFont() : nullptr;
}

void TGridDataGroupLevelVz::InvalidateGrid() {
    if (DataGroups()) DataGroups()->InvalidateGrid();
}

String TGridDataGroupLevelVz::GetGroupRowText(TGroupDataTreeNodeVz*) { return String(); }

Variant TGridDataGroupLevelVz::GetKeyValue() {
    if (OnGetKeyValue) {
        OnGetKeyValue(this);
        return Null();
    }
    IDataGroupsColumnVz* C = DataGroupsColumnVz(FColumn);
    TField* F = C ? C->GroupingField() : nullptr;
    if (F && F->DataSet() && F->DataSet()->Active()) return F->AsVariant();
    return Null();
}

String TGridDataGroupLevelVz::GetKeyValueAsText(TGroupDataTreeNodeVz* GroupDataTreeNode) {
    return GroupDataTreeNode ? VarToStr(GroupDataTreeNode->KeyValue()) : String();
}

String TGridDataGroupLevelVz::GetDisplayName() {
    TGridDataGroupsVz* G = DataGroups();
    if (!G) return inherited::GetDisplayName();
    String S = GroupsGridName(G->Grid()) + u".DataGrouping"_S;
    IDataGroupsColumnVz* C = DataGroupsColumnVz(FColumn);
    if (C && !C->GroupingFieldName().isEmpty()) S += u"['"_S + C->GroupingFieldName() + u"']"_S;
    return S;
}

// ---- TGridDataGroupLevelsVz ----

TPersistent* TGridDataGroupLevelsVz::GetOwner() { return FDataGroup; }

TComponent* TGridDataGroupLevelsVz::Grid() const { return FDataGroup ? FDataGroup->Grid() : nullptr; }

void TGridDataGroupLevelsVz::Update(TCollectionItem* Item) {
    inherited::Update(Item);
    if (!FDataGroup) return;
    FDataGroup->GroupLevelsChanged();
    FDataGroup->GridDesignerModified();
}

void TGridDataGroupLevelsVz::SortOrderChanged(TGridDataGroupLevelVz* Level) {
    if (!FDataGroup) return;
    for (int I = 0; I < FDataGroup->ActiveGroupLevelsCount(); ++I)
        if (FDataGroup->ActiveGroupLevels(I) == Level) {
            FDataGroup->ResortLevel(I, Level->SortOrder());
            return;
        }
}

// ---- TGridDataGroupsVz ----

void TGridDataGroupsVz::Published(TPublished<TGridDataGroupsVz>& P) {
    using C = TGridDataGroupsVz;
    P.Boolean("Active", &C::Active, &C::SetActive).Default(false);
    GroupColorIdentsVz(P.Integer("Color", &C::Color, &C::SetColor).Stored(TGroupStoredFnVz([](TObject* O) {
        return !static_cast<C*>(O)->ParentColor();
    })));
    P.Boolean("DefaultStateExpanded", &C::DefaultStateExpanded, &C::SetDefaultStateExpanded).Default(false);
    P.Object("Font", &C::Font, &C::SetFont).Stored(TGroupStoredFnVz([](TObject* O) { return !static_cast<C*>(O)->ParentFont(); }));
    P.Object("Footers", &C::Footers, &C::SetFooters).Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->Footers()->Count() > 0; }));
    P.Object("FootersDefValues", &C::FootersDefValues, &C::SetFootersDefValues);
    P.Object("GroupLevels", &C::GroupLevels, &C::SetGroupLevels).Stored(TGroupStoredFnVz([](TObject* O) {
        return static_cast<C*>(O)->GroupLevels()->Count() > 0;
    }));
    P.Boolean("GroupPanelVisible", &C::GroupPanelVisible, &C::SetGroupPanelVisible).Default(false);
    P.Object("GroupRowDefValues", &C::GroupRowDefValues, &C::SetGroupRowDefValues);
    P.Boolean("ParentColor", &C::ParentColor, &C::SetParentColor).Default(true);
    P.Boolean("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    P.Boolean("ShiftFolldataGroupRow", &C::ShiftFolldataGroupRow, &C::SetShiftFolldataGroupRow).Default(true);
}

TGridDataGroupsVz::TGridDataGroupsVz(TComponent* AGrid) : FLook([this] { InvalidateGrid(); }), FGrid(AGrid) {
    FFootersDefValues = NewOwned<TGridDataGroupFootersDefValuesVz>(this);
    FGroupRowDefValues = NewOwned<TGridDataGroupRowDefValuesVz>(this);
}

TGridDataGroupsVz::~TGridDataGroupsVz() = default;

void TGridDataGroupsVz::AfterConstruction() {
    inherited::AfterConstruction();
    FGroupLevels.reset(CreateGroupLevels());
    FGroupDataTree = NewOwned<TGridGroupDataTreeVz>(this, TGroupDataTreeNodeVz::StaticClass());
    FFooters = NewOwned<TGridDataGroupFootersVz>(this, TGridDataGroupFooterVz::StaticClass());
    Font();
}

void TGridDataGroupsVz::BeforeDestruction() {
    if (FGroupDataTree) FGroupDataTree->Clear();
    // Notifications of the parts freed below find no tree and no levels.
    FGroupLevels.reset();
    FGroupDataTree.reset();
    FFooters.reset();
    FActiveGroupColumns.clear();
    FActiveGroupLevels.clear();
    FFootersDefValues.reset();
    FGroupRowDefValues.reset();
    inherited::BeforeDestruction();
}

void TGridDataGroupsVz::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TGridDataGroupsVz*>(Source)) {
        SetActive(S->Active());
        FGroupLevels->Assign(S->GroupLevels());
        SetGroupPanelVisible(S->GroupPanelVisible());
        return;
    }
    inherited::Assign(Source);
}

TPersistent* TGridDataGroupsVz::GetOwner() { return FGrid; }

void TGridDataGroupsVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    ActiveChanged();
}

void TGridDataGroupsVz::SetGroupPanelVisible(bool Value) {
    if (FGroupPanelVisible == Value) return;
    FGroupPanelVisible = Value;
    GridGroupPanelChanged();
}

void TGridDataGroupsVz::SetShiftFolldataGroupRow(bool Value) {
    if (FShiftFolldataGroupRow == Value) return;
    FShiftFolldataGroupRow = Value;
    GridLayoutChanged();
}

TGridDataGroupLevelVz* TGridDataGroupsVz::ActiveGroupLevels(int Index) const {
    if (Index < 0 || Index >= ActiveGroupLevelsCount()) RaiseGroupLevelIndex(Index);
    return FActiveGroupLevels[std::size_t(Index)];
}

int TGridDataGroupsVz::ActiveGroupLevelsCount() const { return static_cast<int>(FActiveGroupLevels.size()); }

TPersistent* TGridDataGroupsVz::ActiveGroupColumns(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(FActiveGroupColumns.size())) RaiseGroupLevelIndex(Index);
    return FActiveGroupColumns[std::size_t(Index)];
}

Variant TGridDataGroupsVz::GetKeyValueForViewRecNo(int ViewRecNo) {
    IMemTableVz* MT = GridMemTable();
    bool Entered = false;
    if (MT && MT->GetInstantReadCurRow() != ViewRecNo) {
        MT->InstantReadEnter(ViewRecNo);
        Entered = true;
    }
    TGroupFinallyVz Leave([MT, Entered] {
        if (Entered) MT->InstantReadLeave();
    });
    const int N = ActiveGroupLevelsCount();
    Variant Key = VarArrayCreate({0, N}, varVariant);
    for (int I = 0; I < N; ++I) Key.PutElement(I, FActiveGroupLevels[std::size_t(I)]->GetKeyValue());
    Key.PutElement(N, Variant(ViewRecNo));
    return Key;
}

TGridDataGroupLevelsVz* TGridDataGroupsVz::CreateGroupLevels() {
    return New<TGridDataGroupLevelsVz>(this, TGridDataGroupLevelVz::StaticClass());
}

TColor TGridDataGroupsVz::GetDefaultColor() const {
    if (auto* C = dynamic_cast<TControl*>(FGrid)) return C->Color();
    return FLook.OwnColor();
}

TFont* TGridDataGroupsVz::GetDefaultFont() const {
    if (auto* C = dynamic_cast<TControl*>(FGrid)) return C->Font();
    return FLook.OwnFont();
}

void TGridDataGroupsVz::InvalidateGrid() {
    if (auto* C = dynamic_cast<TControl*>(FGrid)) C->Invalidate();
}

void TGridDataGroupsVz::RebuildActiveGroupLevels() {
    FActiveGroupLevels.clear();
    FActiveGroupColumns.clear();
    if (!FGroupLevels) return;
    for (int I = 0; I < FGroupLevels->Count(); ++I) {
        TGridDataGroupLevelVz* L = FGroupLevels->Items(I);
        if (!L->Column()) continue;
        FActiveGroupLevels.push_back(L);
        FActiveGroupColumns.push_back(L->Column());
    }
}

void TGridDataGroupsVz::GroupLevelsChanged() {
    if (!FGroupLevels || !FGroupDataTree) return;
    const int Current = ActiveGroupLevelsCount();
    int Matching = 0;
    int WithColumn = 0;
    bool StillMatching = true;
    for (int I = 0; I < FGroupLevels->Count(); ++I) {
        TGridDataGroupLevelVz* L = FGroupLevels->Items(I);
        if (!L->Column()) continue;
        ++WithColumn;
        if (StillMatching && Matching < Current && FActiveGroupLevels[std::size_t(Matching)] == L &&
            FActiveGroupColumns[std::size_t(Matching)] == L->Column())
            ++Matching;
        else
            StillMatching = false;
    }
    if (StillMatching && WithColumn == Current) return;

    FGroupDataTree->DeleteRecordNodesUpToLevel(Matching + 1);
    {
        IMemTableVz* MT = GridMemTable();
        FGroupDataTree->BeginUpdate();
        if (MT) MT->MTDisableControls();
        TGroupFinallyVz End([this, MT] {
            if (MT) MT->MTEnableControls(true);
            FGroupDataTree->EndUpdate();
        });
        RebuildActiveGroupLevels();
    }
    if (FActive) ActiveGroupingStructChanged();
}

void TGridDataGroupsVz::ResortLevel(int LevelIndex, TSortOrderVz SortOrder) {
    if (FGroupDataTree) FGroupDataTree->ResortLevel(LevelIndex, SortOrder);
}

void TGridDataGroupsVz::FooterStructureChanged() {
    if (FGroupDataTree) FGroupDataTree->RebuildFooters();
}

void TGridDataGroupsVz::FooterValuesChanged() {
    if (!FGroupDataTree || !IsGroupingWorks()) return;
    FGroupDataTree->RecalculateFootersValues();
    FGroupDataTree->UpdateAllDataRowHeights();
}

bool TGridDataGroupsVz::GridLoading() const {
    return FGrid && FGrid->ComponentState().Contains(csLoading);
}
