// The rules that enable the grid's edit actions, the keeping of the view position around work on
// the data set (filtering, sorting, searching), the data area and the sort markers.
#include "grid/dbgrid/gridnavvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/gui/clipbrd.h"

#include <algorithm>

// ---- edit actions ------------------------------------------------------------------------------

bool TCustomDBGridVz::CheckCopyAction() { return DataLink() && DataLink()->Active(); }

bool TCustomDBGridVz::CheckPasteAction() {
    if (!CheckCopyAction() || ReadOnly()) return false;
    TDataSet* ds = DataLink()->DataSet();
    if (!ds->CanModify()) return false;
    static const Word exchangeFormat = RegisterClipboardFormat(u"VCLDBIF"_S);
    if (!Clipboard()->HasFormat(exchangeFormat) && !Clipboard()->HasFormat(CF_TEXT)) return false;
    return ds->State() == dsInsert || AllowedOperations().Contains(alopUpdateVz);
}

bool TCustomDBGridVz::CheckCutAction() { return CheckCopyAction() && CheckDeleteAction(); }

bool TCustomDBGridVz::CheckSelectAllAction() {
    return CheckCopyAction() && !DataLink()->DataSet()->IsEmpty() && FAllowedSelections.Contains(gstAll);
}

bool TCustomDBGridVz::CheckDeleteAction() {
    if (!CheckCopyAction() || ReadOnly()) return false;
    TDataSet* ds = DataLink()->DataSet();
    if (ds->IsEmpty() || !ds->CanModify()) return false;
    switch (FSelection->SelectionType()) {
        case gstRecordBookmarks:
        case gstAll: return AllowedOperations().Contains(alopDeleteVz);
        case gstRectangle:
        case gstColumns: return AllowedOperations().Contains(alopUpdateVz);
        case gstNon: return false;
    }
    return false;
}

// ---- kept positions ----------------------------------------------------------------------------

bool TCustomDBGridVz::BookmarkInVisibleView(const TBookmark& Bookmark) {
    if (FIntMemTable) return FIntMemTable->BookmarkInVisibleView(Bookmark);
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    return ds && ds->BookmarkValid(Bookmark);
}

// The current record's distance from the middle of the data link's window.
static int EditMiddleOffset(TAxisGridDataLinkVz* Link) {
    const int count = Link->RecordCount();
    return Link->ActiveRecord() + ((count + 1) % 2) - count / 2;
}

void TCustomDBGridVz::SaveBookmark() {
    TDBGridVzNavStateVz* n = Nav();
    if (!DataLink() || !DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (FIntMemTable) {
        n->LockedBookmark = ds->Bookmark();
        n->LookedOffset = Row() - TopRow();
        return;
    }
    n->LookedOffset = EditMiddleOffset(DataLink());
    const int active = DataLink()->ActiveRecord();
    const int middle = active - n->LookedOffset;
    if (middle >= 1 && middle < DataLink()->RecordCount()) {
        DataLink()->SetActiveRecord(middle);
        try {
            n->LockedBookmark = ds->Bookmark();
        } catch (...) {
            DataLink()->SetActiveRecord(active);
            throw;
        }
        DataLink()->SetActiveRecord(active);
    } else {
        n->LookedOffset = 0;
        n->LockedBookmark = ds->Bookmark();
    }
}

void TCustomDBGridVz::RestoreBookmark() {
    TDBGridVzNavStateVz* n = Nav();
    if (!DataLink() || !DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (ds->IsEmpty() || n->LockedBookmark.empty() || !BookmarkInVisibleView(n->LockedBookmark)) return;
    if (FIntMemTable) {
        // The data set is given back its painting whatever happens on the way.
        LockPaint();
        try {
            ds->GotoBookmark(n->LockedBookmark);
            SafeSetTopRow(std::max(FixedRowCount(), Row() - n->LookedOffset));
        } catch (...) {
            UnlockPaint();
            Invalidate();
            throw;
        }
        UnlockPaint();
        Invalidate();
        return;
    }
    ds->GotoBookmark(n->LockedBookmark);
    MoveBy(n->LookedOffset);
}

void TCustomDBGridVz::SaveVertPos(const String& KeyFieldName) {
    TDBGridVzNavStateVz* n = Nav();
    if (!DataLink() || !DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (FIntMemTable) {
        n->LookedKeyValue = ds->FieldValues(KeyFieldName);
        n->LookedOffset = Row() - TopRow();
        return;
    }
    n->LookedOffset = EditMiddleOffset(DataLink());
    const int moved = ds->MoveBy(-n->LookedOffset);
    try {
        n->LookedKeyValue = ds->FieldValues(KeyFieldName);
    } catch (...) {
        ds->MoveBy(-moved);
        throw;
    }
    ds->MoveBy(-moved);
}

void TCustomDBGridVz::RestoreVertPos(const String& KeyFieldNames) {
    TDBGridVzNavStateVz* n = Nav();
    if (!DataLink() || !DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (!FIntMemTable) {
        if (ds->Locate(KeyFieldNames, n->LookedKeyValue, TLocateOptions{})) MoveBy(n->LookedOffset);
        return;
    }
    LockPaint();
    try {
        if (ds->Locate(KeyFieldNames, n->LookedKeyValue, TLocateOptions{}))
            SafeSetTopRow(std::max(FixedRowCount(), Row() - n->LookedOffset));
    } catch (...) {
        UnlockPaint();
        Invalidate();
        throw;
    }
    UnlockPaint();
    Invalidate();
}

// ---- data area ---------------------------------------------------------------------------------

TGridRect TCustomDBGridVz::DataBox() {
    return TGridRect{FIndicatorOffset, TopDataOffset(), ColCount() + ContraColCount() - 1,
                     RowCount() - 1};
}

int TCustomDBGridVz::DataRowToRecNo(int DataRow) {
    if (!DataLink() || !DataLink()->Active()) return 0;
    if (FIntMemTable) return DataRow + 1;
    const int active = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(DataRow);
    int recNo = 0;
    try {
        recNo = DataLink()->DataSet()->RecNo();
    } catch (...) {
        DataLink()->SetActiveRecord(active);
        throw;
    }
    DataLink()->SetActiveRecord(active);
    return recNo;
}

void TCustomDBGridVz::ClearSortMarkers() {
    Columns()->BeginUpdate();
    try {
        for (int i = 0; i < Columns()->Count(); ++i) {
            Columns()->Items(i)->Title()->SetSortIndex(0);
            Columns()->Items(i)->Title()->SetSortMarker(smNoneVz);
        }
    } catch (...) {
        Columns()->EndUpdate();
        throw;
    }
    Columns()->EndUpdate();
}
