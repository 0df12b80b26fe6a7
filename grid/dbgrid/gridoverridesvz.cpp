// The data grid's answers to its base classes' questions that depend on its own settings, and the
// values a data set handler sorts by when the data set cannot sort by what the grid shows.
#include "grid/dbgrid/dbgridvz.h"

#include "grid/axis/lookupdatavz.h"

bool TCustomDBGridVz::RequireExternalSorting() {
    // Lookup and key-pick-list columns show values the data set does not have.
    for (int i = 0; i < FSortMarkedColumns.Count(); ++i) {
        TColumnVz* c = FSortMarkedColumns.Items(i);
        if ((c->LookupParams() && c->LookupParams()->Active()) || c->GetBarType() == ctKeyPickList) return true;
    }
    return false;
}

void TCustomDBGridVz::GetSortValue(Variant& VarValue, int Index) {
    VarValue = FSortMarkedColumns.Items(Index)->EditValue();
}

bool TCustomDBGridVz::IsFixed3D() { return FOptionsVz.Contains(dghFixed3D); }

TAxisBarVz* TCustomDBGridVz::GetTitleBarAtPos(const TPoint& Pos) {
    if (Columns()->IsDefaultState() || !FOptions.Contains(dgTitles)) return nullptr;
    const TGridCoord cell = MouseCoord(Pos.X, Pos.Y);
    if (cell.Y != 0 || cell.X < FIndicatorOffset) return nullptr;
    if (RowPanelMode()) {
        const TRect r = CellRect(cell.X, cell.Y);
        return GetColumnInRowPanelAtPos(TPoint{Pos.X - r.Left, Pos.Y - r.Top}, true);
    }
    const int dataCol = GridColToDataCol(cell.X);
    return dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->Items(dataCol) : nullptr;
}
