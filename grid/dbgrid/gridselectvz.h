// What a data grid has selected: a set of records (bookmarks), a rectangle of cells between two
// (column, record) corners, a set of columns, or everything. Keyboard and mouse change it, painting
// asks it whether a cell is selected, copying reads it.
#pragma once

#include "grid/dbgrid/dbgridvz.h"

class TDBGridVzSelection;

// A cell named by column index (-1 = none) and record bookmark (empty = none).
struct TDBCell {
    int Col = -1;
    TBookmark Row;
};

// The rectangle part: from the anchor (where the rectangle started) to the shift cell (where it
// ends now). Rows are ordered by the data set's bookmark order.
class TDBGridVzSelectionRect : public TObject {
    SDELKA_CLASS(TDBGridVzSelectionRect, TObject)
protected:
    explicit TDBGridVzSelectionRect(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    ~TDBGridVzSelectionRect() override = default;

public:
    TCustomDBGridVz* Grid() const { return FGrid; }
    const TDBCell& Anchor() const { return FAnchor; }
    const TDBCell& ShiftCell() const { return FShiftCell; }
    // The earlier / later row and the smaller / larger column; raise when the grid has no active data.
    TBookmark TopRow();
    TBookmark BottomRow();
    int LeftCol();
    int RightCol();
    void Clear();
    // Anchors a new rectangle at the cell, or (AddSel with an anchor) moves its far corner there.
    void Select(int ACol, const TBookmark& ARow, bool AddSel);
    bool DataCellSelected(int DataCol, const TBookmark& DataRow);
    // The grid cells the rectangle covers among the rows that can be placed; (-1,-1,-1,-1) when none.
    TGridRect SelectionToGridRect();
    void Assign(TDBGridVzSelectionRect* Source);

private:
    void CheckLinkActive(const char* Message) const;
    int CompareRows(const TBookmark& A, const TBookmark& B) const;
    // The client rectangle of a rectangle from A to B (empty when it cannot be placed).
    TRect ClientRectOf(const TDBCell& A, const TDBCell& B);
    TDBCell FAnchor;
    TDBCell FShiftCell;
    TCustomDBGridVz* FGrid;
};

// The column part: the selected columns in ascending index order, with the Shift range's anchor.
class TDBGridVzSelectionCols : public TObject {
    SDELKA_CLASS(TDBGridVzSelectionCols, TObject)
protected:
    explicit TDBGridVzSelectionCols(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    ~TDBGridVzSelectionCols() override = default;

public:
    int Count() const { return FList.Count(); }
    TColumnVz* Items(int Index) const { return FList.Items(Index); }
    int IndexOf(TColumnVz* Column) const { return FList.IndexOf(Column); }
    const TColumnsVzList& List() const { return FList; }
    TColumnVz* Anchor() const { return FAnchor; }
    TColumnVz* ShiftCol() const { return FShiftCol; }
    void AddSorted(TColumnVz* Column);
    virtual void Clear();
    // Selects the column (AddSel keeps the others).
    void Select(TColumnVz* ACol, bool AddSel);
    // Adds the column, or takes it away when it is selected.
    void InvertSelect(TColumnVz* ACol);
    // Extends (or, when the anchor is unselected, unselects) the range from the anchor to the column.
    void SelectShift(TColumnVz* ACol);
    // Drops columns that left the grid and sorts by index.
    void Refresh();
    // A column leaving the grid leaves the selection and its Shift range.
    void ColumnDeleting(TColumnVz* Column);
    TGridRect SelectionToGridRect();
    // Copies the list (used for the search filter's own selection).
    void AssignList(const TColumnsVzList& Source);

private:
    void RepaintColumn(TColumnVz* Column);
    void Changed();
    TColumnsVzList FList;
    TColumnVz* FAnchor = nullptr;
    TColumnVz* FShiftCol = nullptr;
    TColumnsVzList FShiftSelectedCols;
    TCustomDBGridVz* FGrid;
};

class TDBGridVzSelection : public TObject {
    SDELKA_CLASS(TDBGridVzSelection, TObject)
protected:
    // AGrid may be nil: such a selection keeps its own record list.
    explicit TDBGridVzSelection(TCustomDBGridVz* AGrid);
    ~TDBGridVzSelection() override;

public:
    TDBGridVzSelectionCols* Columns() const { return FColumns; }
    TCustomDBGridVz* Grid() const { return FGrid; }
    TDBGridVzSelectionRect* Rect() const { return FRect; }
    TBookmarkListVz* Rows() const;
    TDBGridVzSelectionType SelectionType() const { return FSelectionType; }
    void SetSelectionType(TDBGridVzSelectionType Value);

    void Clear();
    void SelectAll();
    bool DataCellSelected(int DataCol, const TBookmark& DataRow);
    TGridRect SelectionToGridRect();
    void Refresh();
    void UpdateState();
    void LinkActiveChanged(bool Active);
    void Assign(TDBGridVzSelection* Source);
    // As Assign, but records are kept as references to the source's records and a rectangle is not copied.
    void AssignAsBaseRef(TDBGridVzSelection* Source);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    virtual void SelectionChanged();

private:
    TDBGridVzSelectionCols* FColumns = nullptr;
    TCustomDBGridVz* FGrid;
    TDBGridVzSelectionRect* FRect = nullptr;
    TDBGridVzSelectionType FSelectionType = gstRecordBookmarks;
    TBookmarkListVz* FBMList = nullptr;
    int FUpdateCount = 0;
    bool FSelectionChanged = false;
};
