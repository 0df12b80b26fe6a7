// The tree area of a data grid over an in-memory table viewed as a tree: one 18-pixel step per node
// level at the left of the first visible column, with the tree lines and the node's expand button;
// a press on the button expands or collapses the node. Moving records to another place through the
// table, the application's event or the behaviour centre.
#include "grid/dbgrid/dbgridvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/core/bmlistvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"

#include <algorithm>

namespace {
constexpr int TreeStepVz = 18;

// The element of the node's own step: with children a button (expanded 0.., collapsed 5..), else
// lines; at level 1 the siblings on both sides count, deeper only the following one.
int OwnTreeElementVz(int Level, bool HasChildren, bool Expanded, bool Next, bool Prior) {
    if (HasChildren) {
        const int base = Expanded ? 0 : 5;
        if (Level == 1) return base + (Next && Prior ? 0 : Prior ? 1 : Next ? 2 : 3);
        return base + (Next ? 0 : 1);
    }
    if (Level == 1) return Next && Prior ? 10 : Prior ? 11 : Next ? 12 : 14;
    return Next ? 10 : 11;
}
}  // namespace

bool TCustomDBGridVz::TreeViewMode() const {
    return FIntMemTable && FIntMemTable->GetViewAsTreeList() && !GroupingWorks();
}

int TCustomDBGridVz::GetCellTreeElmentsAreaWidth() {
    if (!FIntMemTable || !FIntMemTable->GetViewAsTreeList()) return 0;
    return TreeStepVz * std::max(0, FIntMemTable->GetTreeNodeLevel());
}

TRect TCustomDBGridVz::DrawCellTreeArea(const TRect& ARect, TGridDrawState State) {
    if (!TreeViewMode()) return ARect;
    TCanvas* c = Canvas();
    const TColor brush = c->Brush()->Color(), pen = c->Pen()->Color();
    c->Brush()->SetColor(Color());
    c->Pen()->SetColor(Color());
    const int right = DrawTreeArea(c, ARect, false, true);
    c->Brush()->SetColor(brush);
    c->Pen()->SetColor(pen);
    (void)State;
    TRect rest = ARect;
    rest.Left = std::min(right, ARect.Right);
    return rest;
}

int TCustomDBGridVz::DrawTreeArea(TCanvas* C, const TRect& ARect, bool LinesOnly, bool WithRowLines) {
    IMemTableVz* mt = FIntMemTable;
    const int level = mt->GetTreeNodeLevel();
    if (level < 1) return ARect.Left;
    const bool showLines = true;
    const int nextLevel = mt->GetNextRowTreeNodeLevel();
    const bool rowLines = FOptions.Contains(dgRowLines) && WithRowLines;
    const int phase = (FStdDefaultRowHeight % 2 == 1 && TopRow() % 2 == 1) ? 1 : 0;
    const TRect clip = ARect;
    auto fillStep = [&](const TRect& S, int StepLevel) {
        const TRect r{S.Left, S.Top, std::min(S.Right, clip.Right), S.Bottom};
        if (r.Left >= r.Right) return;
        C->FillRect(r);
        // The tree runs on into the next row: no row line under the steps it shares with it.
        if (rowLines && (StepLevel == 1 || nextLevel < 0 || StepLevel <= nextLevel))
            C->FillRect(TRect{r.Left, r.Bottom, r.Right, r.Bottom + 1});
    };
    auto element = [&](const TRect& S, int Kind) {
        if (S.Left >= clip.Right) return;
        if (S.Right > clip.Right) {
            // Narrower than the area: the element is drawn clipped to the cell.
            HDC dc = C->Handle();
            const int saved = dc->SaveDC();
            dc->IntersectClipRect(clip);
            DrawTreeElementVz(C, S, Kind, tvgsClassicVz, true, false, 1.0, 1.0, phase);
            dc->RestoreDC(saved);
        } else {
            DrawTreeElementVz(C, S, Kind, tvgsClassicVz, true, false, 1.0, 1.0, phase);
        }
    };
    TRect step{ARect.Left, ARect.Top, ARect.Left + TreeStepVz, ARect.Bottom};
    for (int i = 1; i < level; ++i) {
        fillStep(step, i);
        if (showLines && mt->AncestorHasNextSibling(i)) element(step, 13);
        step.Left += TreeStepVz;
        step.Right += TreeStepVz;
    }
    fillStep(step, level);
    int kind = OwnTreeElementVz(level, mt->GetTreeNodeHasVisibleChildren(), mt->GetTreeNodeExpanded(),
                                mt->AncestorHasNextSibling(level), mt->AncestorHasPriorSibling(level));
    if (LinesOnly) kind = (kind == 0 || kind == 5 || kind == 10) ? 13 : -1;
    if (kind >= 0) element(step, kind);
    return step.Right;
}

bool TCustomDBGridVz::CellTreeElementMouseDown(int X, int Y, bool CheckOnly) {
    if (!TreeViewMode() || !DataSetActive()) return false;
    const TGridCoord cell = MouseCoord(X, Y);
    const int dataRow = cell.Y - TopDataOffset();
    TColumnVz* first = FirstVisibleColumn();
    if (!first || dataRow < 0 || dataRow >= InstantReadRecordCount() || cell.X != DataColToGridCol(first->Index()))
        return false;
    const TRect r = CellRect(cell.X, cell.Y);
    const bool current = IsCurrentDataRow(dataRow);
    if (!current) InstantReadEnterRow(dataRow);
    int area = 0;
    bool expanded = false;
    try {
        area = GetCellTreeElmentsAreaWidth();
        expanded = FIntMemTable->GetTreeNodeExpanded();
    } catch (...) {
        if (!current) InstantReadLeaveRow();
        throw;
    }
    if (!current) InstantReadLeaveRow();
    if (X < r.Left || X >= r.Left + area) return false;
    if (CheckOnly) return true;
    TDataSet* ds = DataLink()->DataSet();
    DataLink()->UpdateRecord();
    ds->CheckBrowseMode();
    if (X < r.Left + area - TreeStepVz) return true;  // a line step only takes the click
    const int before = ds->RecNo();
    const int top = TopRow();
    ds->DisableControls();
    int moveTo = -1;
    try {
        moveTo = FIntMemTable->SetRowTreeNodeExpanded(dataRow, !expanded);
        if (moveTo > 0 && moveTo != before) ds->SetRecNo(moveTo);
        else if (ds->RecNo() != before && before <= ds->RecordCount()) ds->SetRecNo(before);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    UpdateMemTableRowCount();
    const int newTop = std::max(TopDataOffset(), std::min(top, RowCount() - 1));
    if (newTop != TopRow()) SetTopRow(newTop);
    Invalidate();
    DataLinkDataChanged();
    return true;
}

void TCustomDBGridVz::CenterCurRowInView() {
    if (!FIntMemTable) return;
    SetTopRow(std::max(TopDataOffset(), Row() - VisibleDataRowCount() / 2));
}

// ---- moving records ----------------------------------------------------------------------------

bool TCustomDBGridVz::MoveDataRows(TBMListVz* BookmarkList, int DataRow, int TreeLevel, bool CheckOnly) {
    // The table's rows are its view's records; a data link's rows are its buffer's.
    int toRecNo = DataRow + 1;
    if (!FIntMemTable && DataSetActive())
        toRecNo = DataLink()->DataSet()->RecNo() - DataLink()->ActiveRecord() + DataRow;
    if (OnMoveRecords) return OnMoveRecords(this, BookmarkList, toRecNo, TreeLevel, CheckOnly);
    return DefaultMoveDataRows(BookmarkList, toRecNo, TreeLevel, CheckOnly);
}

bool TCustomDBGridVz::DefaultMoveDataRows(TBMListVz* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) {
    if (FIntMemTable && DataSetActive()) return FIntMemTable->MoveRecords(BookmarkList, ToRecNo, TreeLevel, CheckOnly);
    // No dataset handler of this system moves records of other datasets.
    return false;
}
