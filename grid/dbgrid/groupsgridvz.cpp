// The data grid's grouping object and levels, and the grid's side of grouping: its row count
// over the group tree's visible rows, the node of a row and the group indent's width.
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/gridselectvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"

namespace {

constexpr int GroupIndentStepVz = 18;

// Passes the in-memory table's view events to the group tree of one grid.
class TDBGridGroupEventsVz : public TComponent, public IMTEventReceiverVz {
    SDELKA_CLASS(TDBGridGroupEventsVz, TComponent)
protected:
    explicit TDBGridGroupEventsVz(TComponent* AOwner) : TComponent(AOwner) {}

public:
    TDBGridVzDataGroupsVz* Groups = nullptr;

    void MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int) override {
        if (!Groups || !Groups->IsGroupingWorks()) return;
        TGridGroupDataTreeVz* tree = Groups->GroupDataTree();
        switch (Event) {
        case mtRowInsertedVz: tree->RecordInserted(RowNum); break;
        case mtRowChangedVz: tree->RecordChanged(RowNum); break;
        case mtRowDeletedVz: tree->RecordDeleted(RowNum); break;
        default:
            if (tree->UpdateCount() == 0) tree->RebuildDataTreeEx(Groups->GridMemTable());
            break;
        }
    }
};

}  // namespace

// ---- levels ------------------------------------------------------------------------------------

TColumnVz* TDBGridVzDataGroupLevelVz::GridColumn() const { return dynamic_cast<TColumnVz*>(Column()); }

TCustomDBGridVz* TDBGridVzDataGroupLevelVz::Grid() const {
    TGridDataGroupsVz* g = DataGroups();
    return g ? dynamic_cast<TCustomDBGridVz*>(g->Grid()) : nullptr;
}

String TDBGridVzDataGroupLevelVz::ColumnName() const {
    TColumnVz* c = GridColumn();
    return c ? c->Name() : String();
}

void TDBGridVzDataGroupLevelVz::SetColumnName(const String& Value) {
    TCustomDBGridVz* g = Grid();
    SetColumn(g ? g->Columns()->FindColumnByName(Value) : nullptr);
}

void TDBGridVzDataGroupLevelVz::InvalidateGrid() {
    if (TCustomDBGridVz* g = Grid()) g->Invalidate();
}

String TDBGridVzDataGroupLevelVz::GetGroupRowText(TGroupDataTreeNodeVz* GroupDataTreeNode) {
    if (!GroupDataTreeNode) return String();
    String s;
    if (TColumnVz* c = GridColumn()) s = c->Title()->Caption() + u": "_S;
    return s + GroupDataTreeNode->DisplayValue() + u" ("_S + IntToStr(GroupDataTreeNode->Count()) + u")"_S;
}

Variant TDBGridVzDataGroupLevelVz::GetKeyValue() {
    Variant key = inherited::GetKeyValue();
    if (OnGetKeyValue && GridColumn()) OnGetKeyValue(Grid(), this, key);
    return key;
}

String TDBGridVzDataGroupLevelVz::GetKeyValueAsText(TGroupDataTreeNodeVz* GroupDataTreeNode) {
    if (TColumnVz* c = GridColumn()) return c->DisplayText();
    return inherited::GetKeyValueAsText(GroupDataTreeNode);
}

// ---- the grouping object -----------------------------------------------------------------------

TDBGridVzDataGroupsVz::TDBGridVzDataGroupsVz(TCustomDBGridVz* AGrid) : TGridDataGroupsVz(AGrid) {}

TDBGridVzDataGroupsVz::~TDBGridVzDataGroupsVz() = default;

void TDBGridVzDataGroupsVz::BeforeDestruction() {
    MemTableChanged(FMemTable, nullptr);
    if (FReceiver) FReceiver->Free();
    FReceiver = nullptr;
    inherited::BeforeDestruction();
}

TCustomDBGridVz* TDBGridVzDataGroupsVz::DBGrid() const { return static_cast<TCustomDBGridVz*>(Grid()); }

TDBGridVzDataGroupLevelVz* TDBGridVzDataGroupsVz::Level(int Index) const {
    return static_cast<TDBGridVzDataGroupLevelVz*>(GroupLevels()->Items(Index));
}

bool TDBGridVzDataGroupsVz::IsGroupingWorks() {
    TCustomDBGridVz* g = DBGrid();
    return Active() && g && g->MemTableInt() && g->DataLink() && g->DataLink()->Active();
}

bool TDBGridVzDataGroupsVz::IsGroupingWorksWithLevel() { return IsGroupingWorks() && ActiveGroupLevelsCount() > 0; }

TGroupDataTreeNodeVz* TDBGridVzDataGroupsVz::CurDataNode() {
    TCustomDBGridVz* g = DBGrid();
    return g ? g->CurGroupDataNode() : nullptr;
}

void TDBGridVzDataGroupsVz::ClearColumnReferences(TColumnVz* Column) {
    for (int i = 0; i < GroupLevels()->Count(); ++i)
        if (GroupLevels()->Items(i)->Column() == Column) GroupLevels()->Items(i)->SetColumn(nullptr);
}

void TDBGridVzDataGroupsVz::MemTableChanged(IMemTableVz* Old, IMemTableVz* NewTable) {
    if (Old && FReceiver && Old == FMemTable) Old->UnregisterEventReceiver(FReceiver);
    FMemTable = NewTable;
    if (!NewTable) return;
    if (!FReceiver) {
        auto* r = New<TDBGridGroupEventsVz>(nullptr);
        r->Groups = this;
        FReceiver = r;
    }
    NewTable->RegisterEventReceiver(FReceiver);
    if (IsGroupingWorks()) GroupDataTree()->RebuildDataTreeEx(NewTable);
}

TGridDataGroupLevelsVz* TDBGridVzDataGroupsVz::CreateGroupLevels() {
    return New<TGridDataGroupLevelsVz>(this, TDBGridVzDataGroupLevelVz::StaticClass());
}

TColor TDBGridVzDataGroupsVz::GetDefaultFooterColor() const { return DBGrid()->FooterParams()->Color(); }

TFont* TDBGridVzDataGroupsVz::GetDefaultFooterFont() const { return DBGrid()->FooterParams()->Font(); }

void TDBGridVzDataGroupsVz::ActiveChanged() {
    if (IsGroupingWorks()) GroupDataTree()->RebuildDataTreeEx(FMemTable);
    GridLayoutChanged();
}

void TDBGridVzDataGroupsVz::ActiveGroupingStructChanged() {
    if (IsGroupingWorks()) GroupDataTree()->RebuildDataTreeEx(FMemTable);
    GridLayoutChanged();
}

void TDBGridVzDataGroupsVz::InvalidateGrid() {
    if (TCustomDBGridVz* g = DBGrid()) g->Invalidate();
}

IMemTableVz* TDBGridVzDataGroupsVz::GridMemTable() { return DBGrid()->MemTableInt(); }

TDataSet* TDBGridVzDataGroupsVz::GridDataSet() {
    TCustomDBGridVz* g = DBGrid();
    return g->DataLink() ? g->DataLink()->DataSet() : nullptr;
}

TCollection* TDBGridVzDataGroupsVz::GridColumns() { return DBGrid()->Columns(); }

bool TDBGridVzDataGroupsVz::GridLoading() const { return DBGrid()->ComponentState().Contains(csLoading); }

void TDBGridVzDataGroupsVz::GridLayoutChanged() {
    TCustomDBGridVz* g = DBGrid();
    if (!g->ComponentState().Contains(csDestroying)) g->LayoutChanged();
}

void TDBGridVzDataGroupsVz::UpdateGroupingRowCount() { DBGrid()->UpdateGroupingRowCount(); }

Integer TDBGridVzDataGroupsVz::GroupRowHeight(TGroupDataTreeNodeVz* Node) {
    return DBGrid()->CalcGroupDataNodeRowHeight(Node);
}

Integer TDBGridVzDataGroupsVz::CalcStdDataRowHeight() { return DBGrid()->StdDataRowHeight(); }

// ---- the grid's side ---------------------------------------------------------------------------

void TCustomDBGridVz::SetDataGrouping(TDBGridVzDataGroupsVz* Value) { FDataGrouping->Assign(Value); }

bool TCustomDBGridVz::GroupingWorks() const {
    return FDataGrouping && FDataGrouping->IsGroupingWorksWithLevel();
}

void TCustomDBGridVz::UpdateGroupingRowCount() {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || !GroupingWorks()) return;
    UpdateMemTableRowCount();
    Invalidate();
}

TGroupDataTreeNodeVz* TCustomDBGridVz::GroupDataNodeOfRow(int DataRow) const {
    if (!GroupingWorks()) return nullptr;
    TGridGroupDataTreeVz* tree = FDataGrouping->GroupDataTree();
    if (DataRow < 0 || DataRow >= tree->FlatVisibleCount()) return nullptr;
    return tree->FlatVisibleItem(DataRow);
}

TGroupDataTreeNodeVz* TCustomDBGridVz::InstantReadCurDataNode() const {
    return FInstantReadDataNodes.empty() ? nullptr : FInstantReadDataNodes.back();
}

TGroupDataTreeNodeVz* TCustomDBGridVz::CurGroupDataNode() const {
    return GroupDataNodeOfRow(Row() - const_cast<TCustomDBGridVz*>(this)->TopDataOffset());
}

int TCustomDBGridVz::CalcGroupDataNodeRowHeight(TGroupDataTreeNodeVz*) { return FStdDefaultRowHeight; }

int TCustomDBGridVz::CalcExtraFirstColumnWidth() const {
    if (!GroupingWorks()) return 0;
    const int n = FDataGrouping->ActiveGroupLevelsCount();
    return GroupIndentStepVz * (FDataGrouping->ShiftFolldataGroupRow() ? n : n - 1);
}

void TCustomDBGridVz::AxisBarDeleting(TAxisBarVz* Bar) {
    TCustomDBAxisGridVz::AxisBarDeleting(Bar);
    if (FSelection) FSelection->Columns()->ColumnDeleting(static_cast<TColumnVz*>(Bar));
    if (FDataGrouping && !ComponentState().Contains(csDestroying))
        FDataGrouping->ClearColumnReferences(dynamic_cast<TColumnVz*>(Bar));
}

bool TCustomDBGridVz::GroupRowKeyDown(Word& Key, TShiftState Shift) {
    TGroupDataTreeNodeVz* node = CurGroupDataNode();
    if (node && node->NodeType() == dntDataGroupVz && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) &&
        !Shift.Contains(ssAlt)) {
        if ((Key == VK_RIGHT || Key == VK_ADD) && !node->Expanded()) {
            node->SetExpanded(true);
            Key = 0;
            return true;
        }
        if ((Key == VK_LEFT || Key == VK_SUBTRACT) && node->Expanded()) {
            node->SetExpanded(false);
            Key = 0;
            return true;
        }
    }
    return false;
}

bool TCustomDBGridVz::GroupRowSignMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && GroupingWorks()) {
        const TGridCoord cell = MouseCoord(X, Y);
        const int dataCol = GridColToDataCol(cell.X);
        TGroupDataTreeNodeVz* node = dataCol >= 0 ? GroupDataNodeOfRow(cell.Y - TopDataOffset()) : nullptr;
        TColumnVz* first = FirstVisibleColumn();
        if (node && first && node->NodeType() == dntDataGroupVz) {
            // The sign lies one indent step per enclosing group right of the row's left edge.
            int depth = 0;
            for (TGroupDataTreeNodeVz* p = node->Parent(); p && p->Parent(); p = p->Parent()) ++depth;
            const TRect r = CellRect(DataColToGridCol(first->Index()), cell.Y);
            const int signLeft = r.Left + GroupIndentStepVz * depth;
            if (r.Right > r.Left && X >= signLeft && X <= signLeft + GroupIndentStepVz) {
                TGridDataGroupLevelVz* level = node->DataGroupLevel();
                if (Shift.Contains(ssCtrl) && level) {
                    if (node->Expanded()) level->CollapseNodes();
                    else level->ExpandNodes();
                } else {
                    node->SetExpanded(!node->Expanded());
                }
                return true;
            }
        }
    }
    return false;
}
