// Reading the record of any data row without moving the data set, and the memory-table row mode:
// a data set that offers the memory-table interface gets one grid row per record, and painting
// reads each row on screen through the table's instant reads.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"

#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"

#include <algorithm>

void TCustomDBGridVz::UpdateIntMemTable() {
    IMemTableVz* t = nullptr;
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    if (FTryUseMemTableInt && DataLink() && DataLink()->Active() && ds &&
        !ds->ComponentState().Contains(csDestroying))
        t = dynamic_cast<IMemTableVz*>(ds);
    if (t == FIntMemTable) return;
    if (FIntMemTable) FIntMemTable->UnregisterEventReceiver(this);
    IMemTableVz* old = FIntMemTable;
    FIntMemTable = t;
    if (t) t->RegisterEventReceiver(this);
    if (FDataGrouping) FDataGrouping->MemTableChanged(old, t);
}

void TCustomDBGridVz::InstantReadEnterRow(int DataRow) {
    // With grouping a data row is a node of the group tree: a record, a group (read on the record
    // that started it) or a footer (no record to read).
    if (TGroupDataTreeNodeVz* node = GroupDataNodeOfRow(DataRow)) {
        FInstantReadDataNodes.push_back(node);
        if (node->NodeType() != dntDataGroupFooterVz) FIntMemTable->InstantReadEnter(node->DataSetRecordViewNo());
        return;
    }
    if (FIntMemTable) {
        FSavedReadRows.push_back(FIntMemTable->GetInstantReadCurRow());
        FIntMemTable->InstantReadEnter(DataRow);
    } else {
        FSavedReadRows.push_back(DataLink()->ActiveRecord());
        DataLink()->SetActiveRecord(DataRow);
    }
}

void TCustomDBGridVz::InstantReadLeaveRow() {
    if (!FInstantReadDataNodes.empty()) {
        TGroupDataTreeNodeVz* node = FInstantReadDataNodes.back();
        FInstantReadDataNodes.pop_back();
        if (node->NodeType() != dntDataGroupFooterVz && FIntMemTable) FIntMemTable->InstantReadLeave();
        return;
    }
    if (FSavedReadRows.empty()) return;
    const int saved = FSavedReadRows.back();
    FSavedReadRows.pop_back();
    if (FIntMemTable) FIntMemTable->InstantReadLeave();
    else DataLink()->SetActiveRecord(saved);
}

int TCustomDBGridVz::InstantReadRecordCount() {
    if (GroupingWorks()) return FDataGrouping->GroupDataTree()->FlatVisibleCount();
    if (FIntMemTable && DataSetActive()) return FIntMemTable->InstantReadRowCount();
    return DataLink() ? DataLink()->RecordCount() : 0;
}

bool TCustomDBGridVz::IsCurrentDataRow(int DataRow) {
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    if (!ds || !ds->Active() || ds->IsEmpty()) return false;
    if (GroupingWorks()) return DataRow == Row() - TopDataOffset();
    if (FIntMemTable) return DataRow == FIntMemTable->GetInstantReadCurRow();
    return DataRow == DataLink()->ActiveRecord();
}

void TCustomDBGridVz::UpdateMemTableRowCount() {
    if (!DataLink()) return;
    DataLink()->SetBufferCount(1);
    const int top = TopDataOffset();
    SetFrozenRowCount(0);
    if (RowCount() <= top) SetRowCount(top + 1);
    SetFixedRowCount(top);
    SetFrozenRowCount(FilterRowCount());
    SetDefaultRowHeight(FStdDefaultRowHeight);
    if (TitleRowCount() > 0) SetRowHeights(0, FTitleRowHeight);
    if (FilterRowCount() > 0) SetRowHeights(TitleRowCount(), CalcFilterRowHeight());
    SetContraRowCount(FullFooterRowCount());
    const int rows = GroupingWorks() ? std::max(1, FDataGrouping->GroupDataTree()->FlatVisibleCount())
                     : FIntMemTable ? std::max(1, FIntMemTable->InstantReadRowCount())
                                    : 1;
    const int want = top + rows;
    if (Row() >= want) MoveCurrentCell(Col(), std::max(top, want - 1), false, false);
    SetRowCount(want);
    if (HandleAllocated() && FIntMemTable && DataLink()->Active()) {
        SyncCurrentCellWithData(0);
        FetchRecordsForView();
    }
    if (FRowDetailPanel && FRowDetailPanel->Visible()) UpdateRowDetailPanelControl();
    UpdateScrollBars();
}

void TCustomDBGridVz::FetchRecordsForView() {
    if (!HandleAllocated() || !FIntMemTable) return;
    const int shown = VisibleRowCount() + TopRow();
    if (shown >= RowCount()) FIntMemTable->FetchRecords(1);
}

void TCustomDBGridVz::SyncCurrentCellWithData(int Distance) {
    if (!FIntMemTable || !DataLink()->Active() || !HandleAllocated() || ComponentState().Contains(csLoading)) return;
    if (Distance != 0) RepaintRow(Row());
    const int top = TopDataOffset();
    int target = FIntMemTable->GetInstantReadCurRow() + top;
    if (GroupingWorks()) {
        // The current record's row in the group tree; a record inside a collapsed group keeps
        // the grid where it is.
        const int cur = FIntMemTable->GetInstantReadCurRow();
        TGroupDataTreeNodeVz* here = CurGroupDataNode();
        if (here && here->NodeType() != dntDataGroupFooterVz && here->DataSetRecordViewNo() == cur) {
            target = Row();  // a group row and its first record share the record: stay
        } else {
            const int at = FDataGrouping->GroupDataTree()->IndexOfVisibleRecordViewNo(cur);
            target = at >= 0 ? at + top : Row();
        }
    }
    if (target < top || target >= RowCount()) target = top;
    const int col = std::max(Col(), FixedColCount());
    if (target != Row() || col != Col()) {
        const bool was = FSyncing;
        FSyncing = true;
        try {
            if (!FOptions.Contains(dgAlwaysShowEditor)) HideInplaceEditor();
            MoveCurrentCell(col, target, false, true);
        } catch (...) {
            FSyncing = was;
            throw;
        }
        FSyncing = was;
        RepaintRow(Row());
    }
}
