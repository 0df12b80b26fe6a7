// The grid's selection: records, a rectangle of cells, columns or everything.
#include "grid/dbgrid/gridselectvz.h"

#include "grid/axis/axisgridlinkvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"

#include <algorithm>

namespace {

// The data row (0-based, below the title rows) that shows a record, or -1 when the record cannot be
// placed: the memory table's row of the bookmark (through the group tree when the grid groups), or
// the position among the records the data link holds.
int SelDataRowOfBookmarkVz(TCustomDBGridVz* G, const TBookmark& Bm) {
    if (Bm.empty()) return -1;
    if (IMemTableVz* t = G->MemTableInt()) {
        const int at = t->InstantReadIndexOfBookmark(Bm);
        if (at < 0 || !G->GroupingWorks()) return at;
        return G->DataGrouping()->GroupDataTree()->IndexOfVisibleRecordViewNo(at);
    }
    return -1;
}

// Runs Body(i, bookmark) over the records the data link holds; the active record is put back after.
template <typename F> void SelScanLinkRecordsVz(TCustomDBGridVz* G, F Body) {
    TAxisGridDataLinkVz* link = G->DataLink();
    TDataSet* ds = link->DataSet();
    const int saved = link->ActiveRecord();
    try {
        for (int i = 0; i < link->RecordCount(); ++i) {
            link->SetActiveRecord(i);
            if (!Body(i, ds->Bookmark())) break;
        }
    } catch (...) {
        link->SetActiveRecord(saved);
        throw;
    }
    link->SetActiveRecord(saved);
}

bool SelLinkActiveVz(TCustomDBGridVz* G) {
    return G && G->DataLink() && G->DataLink()->DataSet() && G->DataLink()->Active();
}

}  // namespace

// ---- rectangle ---------------------------------------------------------------------------------

void TDBGridVzSelectionRect::CheckLinkActive(const char* Message) const {
    if (!FGrid || !FGrid->DataSource() || !FGrid->DataSource()->DataSet() || !FGrid->DataLink()->Active())
        throw Exception(String::fromLatin1(Message));
}

int TDBGridVzSelectionRect::CompareRows(const TBookmark& A, const TBookmark& B) const {
    return FGrid->DataLink()->DataSet()->CompareBookmarks(A, B);
}

TBookmark TDBGridVzSelectionRect::TopRow() {
    CheckLinkActive("Error in TDBGridVzSelectionRect.GetBottomRow");
    return CompareRows(FAnchor.Row, FShiftCell.Row) <= 0 ? FAnchor.Row : FShiftCell.Row;
}

TBookmark TDBGridVzSelectionRect::BottomRow() {
    CheckLinkActive("Error in TDBGridVzSelectionRect.GetBottomRow");
    return CompareRows(FAnchor.Row, FShiftCell.Row) >= 0 ? FAnchor.Row : FShiftCell.Row;
}

int TDBGridVzSelectionRect::LeftCol() {
    CheckLinkActive("Error in TDBGridVzSelectionRect.GetBottomRow");
    return std::min(FAnchor.Col, FShiftCell.Col);
}

int TDBGridVzSelectionRect::RightCol() {
    CheckLinkActive("Error in TDBGridVzSelectionRect.GetBottomRow");
    return std::max(FAnchor.Col, FShiftCell.Col);
}

void TDBGridVzSelectionRect::Clear() {
    FAnchor = TDBCell{};
    FShiftCell = TDBCell{};
    if (FGrid) {
        FGrid->Invalidate();
        FGrid->Selection()->SelectionChanged();
    }
}

TRect TDBGridVzSelectionRect::ClientRectOf(const TDBCell& A, const TDBCell& B) {
    if (A.Col < 0 || B.Col < 0 || !SelLinkActiveVz(FGrid)) return TRect{};
    const bool aFirst = CompareRows(A.Row, B.Row) <= 0;
    const TBookmark& top = aFirst ? A.Row : B.Row;
    const TBookmark& bottom = aFirst ? B.Row : A.Row;
    int topRow = -1;
    int bottomRow = -1;
    if (FGrid->MemTableInt()) {
        topRow = SelDataRowOfBookmarkVz(FGrid, top);
        bottomRow = SelDataRowOfBookmarkVz(FGrid, bottom);
    } else {
        // A top row before the first record held counts as the first, one not found as the count;
        // a bottom row after the last counts as the last visible data row.
        const int count = FGrid->DataLink()->RecordCount();
        topRow = count;
        SelScanLinkRecordsVz(FGrid, [&](int i, const TBookmark& bm) {
            if (topRow == count && CompareRows(bm, top) >= 0) topRow = i;
            if (CompareRows(bm, bottom) <= 0) bottomRow = i;
            return true;
        });
        bottomRow = std::min(bottomRow, FGrid->VisibleDataRowCount() - 1);
    }
    if (topRow < 0 || bottomRow < 0) return TRect{};
    const int rows = FGrid->TopDataOffset();
    return FGrid->CellRangeRect(FGrid->DataColToGridCol(std::min(A.Col, B.Col)), topRow + rows,
                                FGrid->DataColToGridCol(std::max(A.Col, B.Col)), bottomRow + rows);
}

void TDBGridVzSelectionRect::Select(int ACol, const TBookmark& ARow, bool AddSel) {
    TDBGridVzSelection* sel = FGrid->Selection();
    if (sel->SelectionType() != gstRectangle) sel->Clear();
    const TDBCell oldAnchor = FAnchor;
    const TDBCell oldShift = FShiftCell;
    if (FAnchor.Col != -1 && AddSel) {
        FShiftCell.Col = ACol;
    } else {
        FAnchor = TDBCell{ACol, ARow};
        FShiftCell.Col = ACol;
    }
    FShiftCell.Row = ARow;
    const bool oneCell = FAnchor.Col == FShiftCell.Col && FAnchor.Row == FShiftCell.Row;
    sel->SetSelectionType(oneCell ? gstNon : gstRectangle);
    if (FGrid->HandleAllocated()) {
        // Repaint what the rectangle covered and what it covers now; a row spanning rectangle
        // growing from one cell is repainted across the whole row.
        TRect was = ClientRectOf(oldAnchor, oldShift);
        const TRect now = ClientRectOf(FAnchor, FShiftCell);
        if (oldAnchor.Col == oldShift.Col && oldAnchor.Row == oldShift.Row && !was.IsEmpty()) {
            was.Left = 0;
            was.Right = FGrid->ClientWidth();
        }
        if (!was.IsEmpty()) FGrid->TWinControl::InvalidateRect(was);
        if (!now.IsEmpty()) FGrid->TWinControl::InvalidateRect(now);
    }
    if (oldAnchor.Col != FAnchor.Col || oldAnchor.Row != FAnchor.Row || oldShift.Col != FShiftCell.Col ||
        oldShift.Row != FShiftCell.Row)
        sel->SelectionChanged();
}

bool TDBGridVzSelectionRect::DataCellSelected(int DataCol, const TBookmark& DataRow) {
    CheckLinkActive("Error in function TDBGridVzSelectionRect.CellSelected");
    if (DataCol < std::min(FAnchor.Col, FShiftCell.Col) || DataCol > std::max(FAnchor.Col, FShiftCell.Col))
        return false;
    const bool anchorFirst = CompareRows(FAnchor.Row, FShiftCell.Row) <= 0;
    const TBookmark& top = anchorFirst ? FAnchor.Row : FShiftCell.Row;
    const TBookmark& bottom = anchorFirst ? FShiftCell.Row : FAnchor.Row;
    return CompareRows(top, DataRow) <= 0 && CompareRows(DataRow, bottom) <= 0;
}

TGridRect TDBGridVzSelectionRect::SelectionToGridRect() {
    // The data link is looked at before the corners, so a grid without data says so itself.
    if (!FGrid) throw EInvalidGridOperationVz(u"Selection rectangle: the selection belongs to no grid"_S);
    if (!FGrid->DataSource() || !FGrid->DataSource()->DataSet())
        throw EInvalidGridOperationVz(u"Selection rectangle: the grid has no data set"_S);
    if (!FGrid->DataLink()->Active())
        throw EInvalidGridOperationVz(u"Selection rectangle: the grid's data set is not open"_S);
    const TGridRect none{-1, -1, -1, -1};
    if (FAnchor.Col < 0 || FAnchor.Row.empty() || FShiftCell.Row.empty()) return none;
    const int left = FGrid->DataColToGridCol(LeftCol());
    const int right = FGrid->DataColToGridCol(RightCol());
    const TBookmark top = TopRow();
    const TBookmark bottom = BottomRow();
    int topRow = -1;
    int bottomRow = -1;
    if (FGrid->MemTableInt()) {
        topRow = SelDataRowOfBookmarkVz(FGrid, top);
        bottomRow = SelDataRowOfBookmarkVz(FGrid, bottom);
    } else {
        SelScanLinkRecordsVz(FGrid, [&](int i, const TBookmark& bm) {
            if (topRow < 0 && CompareRows(bm, top) >= 0) topRow = i;
            if (CompareRows(bm, bottom) <= 0) bottomRow = i;
            return true;
        });
    }
    if (topRow < 0 || bottomRow < 0 || bottomRow < topRow) return none;
    const int rows = FGrid->TopDataOffset();
    return TGridRect{left, topRow + rows, right, bottomRow + rows};
}

void TDBGridVzSelectionRect::Assign(TDBGridVzSelectionRect* Source) {
    Clear();
    FAnchor = Source->FAnchor;
    FShiftCell = Source->FShiftCell;
}

// ---- columns -----------------------------------------------------------------------------------

void TDBGridVzSelectionCols::RepaintColumn(TColumnVz* Column) {
    if (FGrid && Column && FGrid->HandleAllocated()) FGrid->RepaintColumn(FGrid->DataColToGridCol(Column->Index()));
}

void TDBGridVzSelectionCols::Changed() {
    if (FGrid) FGrid->Selection()->SelectionChanged();
}

void TDBGridVzSelectionCols::AddSorted(TColumnVz* Column) {
    int at = 0;
    while (at < FList.Count() && FList.Items(at)->Index() <= Column->Index()) ++at;
    FList.Insert(at, Column);
    Changed();
}

void TDBGridVzSelectionCols::Clear() {
    if (!FGrid || FGrid->ComponentState().Contains(csDestroying)) {
        FList.Clear();
        FShiftSelectedCols.Clear();
        return;
    }
    const bool hadAny = FList.Count() > 0;
    for (TColumnVz* c : FList.Vector()) RepaintColumn(c);
    FList.Clear();
    FShiftSelectedCols.Clear();
    FAnchor = nullptr;
    FShiftCol = nullptr;
    TDBGridVzSelection* sel = FGrid->Selection();
    if (sel->SelectionType() != gstNon) sel->SetSelectionType(gstNon);
    else if (hadAny) sel->SelectionChanged();
}

void TDBGridVzSelectionCols::Select(TColumnVz* ACol, bool AddSel) {
    TDBGridVzSelection* sel = FGrid->Selection();
    if (sel->SelectionType() != gstColumns) sel->Clear();
    if (!AddSel) Clear();
    if (IndexOf(ACol) < 0) AddSorted(ACol);
    FAnchor = ACol;
    FShiftCol = ACol;
    sel->SetSelectionType(gstColumns);
    FShiftSelectedCols.Clear();
    RepaintColumn(ACol);
}

void TDBGridVzSelectionCols::InvertSelect(TColumnVz* ACol) {
    TDBGridVzSelection* sel = FGrid->Selection();
    if (sel->SelectionType() != gstColumns) sel->Clear();
    if (IndexOf(ACol) < 0) {
        AddSorted(ACol);
    } else {
        FList.Remove(ACol);
        Changed();
    }
    FAnchor = ACol;
    FShiftCol = ACol;
    sel->SetSelectionType(FList.Count() > 0 ? gstColumns : gstNon);
    FShiftSelectedCols.Clear();
    RepaintColumn(ACol);
}

void TDBGridVzSelectionCols::SelectShift(TColumnVz* ACol) {
    TDBGridVzSelection* sel = FGrid->Selection();
    if (sel->SelectionType() != gstColumns) sel->Clear();
    if (!FAnchor) {
        Select(ACol, true);
        FAnchor = ACol;
    } else {
        const int a = FAnchor->Index();
        const int s = FShiftCol ? FShiftCol->Index() : a;
        const int n = ACol->Index();
        // The walk: from Start to Stop with a step of +-1, widening or narrowing the range, switching
        // mode when it passes the anchor at Flip.
        int start = s, stop = n, flip = -1;
        bool widen = true;
        if (n == s && s != a) {
            stop = s;
        } else if (s > a) {
            if (n < s) {
                widen = false;
                if (n < a) flip = a;
                else stop = n + 1;
            }
        } else if (s < a) {
            if (n > s) {
                widen = false;
                if (n > a) flip = a;
                else stop = n - 1;
            }
        } else {
            start = a;
        }
        const int step = stop >= start ? 1 : -1;
        const bool anchorListed = IndexOf(FAnchor) >= 0;
        TDBGridColumnsVz* cols = FGrid->Columns();
        for (int i = start;; i += step) {
            if (i == flip) widen = !widen;
            if (i >= 0 && i < cols->Count()) {
                TColumnVz* k = cols->Items(i);
                const bool listed = IndexOf(k) >= 0;
                if (widen) {
                    if (anchorListed && !listed && k->Visible()) {
                        AddSorted(k);
                        FShiftSelectedCols.Add(k);
                        RepaintColumn(k);
                    } else if (!anchorListed && listed && k != FAnchor) {
                        FList.Remove(k);
                        FShiftSelectedCols.Add(k);
                        RepaintColumn(k);
                        Changed();
                    }
                } else if (anchorListed && listed && k != FAnchor) {
                    if (FShiftSelectedCols.IndexOf(k) >= 0) {
                        FList.Remove(k);
                        FShiftSelectedCols.Remove(k);
                    }
                    RepaintColumn(k);
                    Changed();
                } else if (!anchorListed && !listed && k->Visible()) {
                    if (FShiftSelectedCols.IndexOf(k) >= 0) {
                        AddSorted(k);
                        FShiftSelectedCols.Remove(k);
                    }
                    RepaintColumn(k);
                    Changed();
                }
            }
            if (i == stop) break;
        }
    }
    FShiftCol = ACol;
    sel->SetSelectionType(FList.Count() > 0 ? gstColumns : gstNon);
}

void TDBGridVzSelectionCols::Refresh() {
    // Columns are matched by address only: one that left the grid may be gone already.
    TDBGridColumnsVz* cols = FGrid ? FGrid->Columns() : nullptr;
    auto inGrid = [cols](TColumnVz* c) {
        for (int i = 0; cols && i < cols->Count(); ++i)
            if (cols->Items(i) == c) return true;
        return false;
    };
    std::vector<TColumnVz*> v;
    for (TColumnVz* c : FList.Vector())
        if (inGrid(c)) v.push_back(c);
    std::stable_sort(v.begin(), v.end(), [](TColumnVz* x, TColumnVz* y) { return x->Index() < y->Index(); });
    FList.Clear();
    for (TColumnVz* c : v) FList.Add(c);
    if (FAnchor && !inGrid(FAnchor)) FAnchor = nullptr;
    if (FShiftCol && !inGrid(FShiftCol)) FShiftCol = nullptr;
    for (int i = FShiftSelectedCols.Count() - 1; i >= 0; --i)
        if (!inGrid(FShiftSelectedCols.Items(i))) FShiftSelectedCols.Delete(i);
}

void TDBGridVzSelectionCols::ColumnDeleting(TColumnVz* Column) {
    FList.Remove(Column);
    FShiftSelectedCols.Remove(Column);
    if (FAnchor == Column) FAnchor = nullptr;
    if (FShiftCol == Column) FShiftCol = nullptr;
}

TGridRect TDBGridVzSelectionCols::SelectionToGridRect() {
    if (FList.Count() == 0 || !FGrid) return TGridRect{-1, -1, -1, -1};
    return TGridRect{FGrid->DataColToGridCol(FList.Items(0)->Index()), 0,
                     FGrid->DataColToGridCol(FList.Items(FList.Count() - 1)->Index()), FGrid->RowCount() - 1};
}

void TDBGridVzSelectionCols::AssignList(const TColumnsVzList& Source) {
    FList.Clear();
    for (TColumnVz* c : Source.Vector()) FList.Add(c);
    FShiftSelectedCols.Clear();
}

// ---- the selection -----------------------------------------------------------------------------

TDBGridVzSelection::TDBGridVzSelection(TCustomDBGridVz* AGrid) : FGrid(AGrid) {
    FColumns = New<TDBGridVzSelectionCols>(AGrid);
    FRect = New<TDBGridVzSelectionRect>(AGrid);
    if (!AGrid) FBMList = New<TBookmarkListVz>(nullptr);
}

TDBGridVzSelection::~TDBGridVzSelection() {
    FColumns->Free();
    FRect->Free();
    if (FBMList) FBMList->Free();
}

TBookmarkListVz* TDBGridVzSelection::Rows() const { return FGrid ? FGrid->SelectedRows() : FBMList; }

void TDBGridVzSelection::SetSelectionType(TDBGridVzSelectionType Value) {
    if (Value == FSelectionType) return;
    FSelectionType = Value;
    SelectionChanged();
    if (FGrid) FGrid->RepaintInplaceEditor();
}

void TDBGridVzSelection::Clear() {
    const TDBGridVzSelectionType old = FSelectionType;
    FSelectionType = gstNon;
    auto showEditor = [this] {
        if (FGrid && FGrid->Options().Contains(dgAlwaysShowEditor) && FGrid->AllowsAutoShowEditor() &&
            !FGrid->ComponentState().Contains(csDestroying) && FGrid->HandleAllocated())
            FGrid->ShowEditor();
    };
    try {
        switch (old) {
        case gstRecordBookmarks: Rows()->Clear(); break;
        case gstRectangle: FRect->Clear(); break;
        case gstColumns: FColumns->Clear(); break;
        case gstAll:
            if (FGrid) {
                FGrid->SelectionChanged();
                FGrid->Invalidate();
            }
            break;
        case gstNon: break;
        }
    } catch (...) {
        showEditor();
        throw;
    }
    showEditor();
}

void TDBGridVzSelection::SelectAll() {
    if (FSelectionType == gstAll) return;
    if (FSelectionType != gstNon) Clear();
    FSelectionType = gstAll;
    if (FGrid) {
        FGrid->Invalidate();
        FGrid->SelectionChanged();
    }
}

bool TDBGridVzSelection::DataCellSelected(int DataCol, const TBookmark& DataRow) {
    switch (FSelectionType) {
    case gstRecordBookmarks: {
        int at = 0;
        return Rows()->Find(DataRow, at);
    }
    case gstRectangle: return DataCol >= 0 && FRect->DataCellSelected(DataCol, DataRow);
    case gstColumns:
        return DataCol >= 0 && FGrid && DataCol < FGrid->Columns()->Count() &&
               FColumns->IndexOf(FGrid->Columns()->Items(DataCol)) >= 0;
    case gstAll: return true;
    case gstNon: break;
    }
    return false;
}

TGridRect TDBGridVzSelection::SelectionToGridRect() {
    switch (FSelectionType) {
    case gstRecordBookmarks: {
        TGridRect r{-1, -1, -1, -1};
        if (FGrid) r = FGrid->SelectedRowsToGridRect();
        return r;
    }
    case gstRectangle: return FRect->SelectionToGridRect();
    case gstColumns: return FColumns->SelectionToGridRect();
    case gstAll:
        // The last column and row indexes, so the rectangle can be used as it stands.
        if (FGrid) return TGridRect{0, 0, FGrid->ColCount() - 1, FGrid->RowCount() - 1};
        break;
    case gstNon: break;
    }
    return TGridRect{-1, -1, -1, -1};
}

void TDBGridVzSelection::Refresh() {
    if (FSelectionType == gstRecordBookmarks) {
        if (FGrid) Rows()->Refresh(true);
    } else if (FSelectionType == gstColumns && FColumns->Count() == 0) {
        FSelectionType = gstNon;
        if (FGrid) FGrid->Invalidate();
    }
}

void TDBGridVzSelection::UpdateState() {
    if ((FSelectionType == gstRecordBookmarks && Rows()->Count() == 0) ||
        (FSelectionType == gstColumns && FColumns->Count() == 0)) {
        FSelectionType = gstNon;
        if (FGrid) FGrid->Invalidate();
    }
}

void TDBGridVzSelection::LinkActiveChanged(bool Active) {
    if (FGrid) FGrid->SelectedRows()->SetLinkActive(Active);
    Clear();
}

void TDBGridVzSelection::Assign(TDBGridVzSelection* Source) {
    if (Source->FSelectionType != FSelectionType) Clear();
    switch (Source->FSelectionType) {
    case gstRecordBookmarks: Rows()->Assign(Source->Rows()); break;
    case gstRectangle: FRect->Assign(Source->FRect); break;
    case gstColumns: FColumns->AssignList(Source->FColumns->List()); break;
    case gstAll: SelectAll(); break;
    case gstNon: break;
    }
    FSelectionType = Source->FSelectionType;
}

void TDBGridVzSelection::AssignAsBaseRef(TDBGridVzSelection* Source) {
    if (Source->FSelectionType != FSelectionType) Clear();
    switch (Source->FSelectionType) {
    case gstRecordBookmarks: Rows()->Assign(Source->Rows()); break;
    case gstColumns: FColumns->AssignList(Source->FColumns->List()); break;
    case gstAll: SelectAll(); break;
    case gstRectangle:
    case gstNon: break;
    }
    FSelectionType = Source->FSelectionType;
}

void TDBGridVzSelection::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0 && FSelectionChanged) SelectionChanged();
}

void TDBGridVzSelection::SelectionChanged() {
    if (FGrid && FUpdateCount == 0) {
        FGrid->SelectionChanged();
        FSelectionChanged = false;
    } else {
        FSelectionChanged = true;
    }
}

// ---- the grid's side ---------------------------------------------------------------------------

bool TCustomDBGridVz::IsSelectionTypeAllowed(TDBGridVzSelectionType Kind) const {
    if (Kind == gstNon) return true;
    if (!FOptions.Contains(dgMultiSelect) || !FAllowedSelections.Contains(Kind)) return false;
    if ((Kind == gstRectangle || Kind == gstColumns) && FOptions.Contains(dgRowSelect)) return false;
    return true;
}

void TCustomDBGridVz::SetAllowedSelections(TDBGridVzAllowedSelections Value) {
    if (Value == FAllowedSelections) return;
    FAllowedSelections = Value;
    if (FSelection && FSelection->SelectionType() != gstNon && !Value.Contains(FSelection->SelectionType()))
        FSelection->Clear();
}

void TCustomDBGridVz::SelectionChanged() {
    if (ComponentState().Contains(csDestroying)) return;
    if (FSelection && FSelection->SelectionType() == gstRecordBookmarks && GroupingWorks()) Invalidate();
    if (OnSelectionChanged) OnSelectionChanged(this);
}

TGridRect TCustomDBGridVz::SelectedRowsToGridRect() {
    // The selected records among the rows the grid can place: the span from the first to the last.
    TGridRect r{-1, -1, -1, -1};
    if (!FSelectedRows || FSelectedRows->Count() == 0 || !SelLinkActiveVz(this)) return r;
    int lo = -1;
    int hi = -1;
    auto take = [&](int DataRow) {
        if (DataRow < 0) return;
        lo = lo < 0 ? DataRow : std::min(lo, DataRow);
        hi = std::max(hi, DataRow);
    };
    if (MemTableInt()) {
        for (int i = 0; i < FSelectedRows->Count(); ++i) take(SelDataRowOfBookmarkVz(this, FSelectedRows->Items(i)));
    } else {
        SelScanLinkRecordsVz(this, [&](int i, const TBookmark& bm) {
            int at = 0;
            if (FSelectedRows->Find(bm, at)) take(i);
            return true;
        });
    }
    if (lo < 0) return r;
    const int first = FIndicatorOffset;
    return TGridRect{first, lo + TopDataOffset(), ColCount() - 1, hi + TopDataOffset()};
}

bool TCustomDBGridVz::DataCellSelectedForPaint(int DataCol) {
    if (!FSelection || !FOptions.Contains(dgMultiSelect)) return false;
    switch (FSelection->SelectionType()) {
    case gstNon: return false;
    case gstAll: return true;
    case gstColumns: return FSelection->DataCellSelected(DataCol, TBookmark());
    case gstRecordBookmarks:
        if (FSelectedRows->Count() == 0) return false;
        break;
    case gstRectangle: break;
    }
    return FSelection->DataCellSelected(DataCol, DataLink()->DataSet()->Bookmark());
}
