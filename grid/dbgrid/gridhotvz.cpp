// Hot tracking of the data grid: the text bounds of the cell under the mouse, read from the
// record of that cell's row.
#include "grid/dbgrid/dbgridvz.h"

#include "platform/db/datasource.h"

void TCustomDBGridVz::UpdateCellTextBoundsAtPos(int ACol, int ARow) {
    CalcCellTextBounds(TSize(), nullptr);
    if (!DataLink() || !DataLink()->Active()) return;
    const int dataCol = GridColToDataCol(ACol);
    const int dataRow = ARow - TopDataOffset();
    if (dataCol < 0 || dataRow < 0 || dataRow >= InstantReadRecordCount()) return;
    InstantReadEnterRow(dataRow);
    try {
        UpdateCellTextBounds(ACol, ARow, Columns()->Items(dataCol));
    } catch (...) {
        InstantReadLeaveRow();
        throw;
    }
    InstantReadLeaveRow();
}
