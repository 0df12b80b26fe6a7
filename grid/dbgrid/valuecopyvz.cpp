// Two services of the data grid: copying the current column's value from the previous record into
// the current one, and fitting column widths to their titles, data and footers.
#include "grid/dbgrid/dbgridvz.h"

#include "grid/base/toolsvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"

#include <QElapsedTimer>

#include <algorithm>

// ---- value copy --------------------------------------------------------------------------------

int TCustomDBGridVz::CurrentRecordPosition() {
    if (!FIntMemTable) return DataLink()->ActiveRecord();
    if (GroupingWorks()) {
        TGroupDataTreeNodeVz* node = CurGroupDataNode();
        return node && node->NodeType() == dntDataSetRecordVz ? node->DataSetRecordViewNo() : -1;
    }
    return FIntMemTable->GetInstantReadCurRow();
}

void TCustomDBGridVz::SetValueFromPrevRecord() {
    if (!DataLink() || !DataLink()->Active()) return;
    const int pos = CurrentRecordPosition();
    const int index = SelectedIndex();
    if (pos <= 0 || index < 0 || index >= Columns()->Count()) return;
    TColumnVz* col = Columns()->Items(index);
    if (!col->CanModify(true)) return;
    TField* f = col->Field();
    if (!f) return;
    TDataSet* ds = DataLink()->DataSet();
    Variant value;
    String text;
    // The previous record is the one before the current record in the table's view, also under
    // grouping, where the row above may be a group row or a record of another group.
    if (FIntMemTable) FIntMemTable->InstantReadEnter(pos - 1);
    else InstantReadEnterRow(pos - 1);
    try {
        value = f->Lookup() ? ds->FieldValues(f->KeyFields()) : f->AsVariant();
        text = VarToStr(f->AsVariant());
    } catch (...) {
        if (FIntMemTable) FIntMemTable->InstantReadLeave();
        else InstantReadLeaveRow();
        throw;
    }
    if (FIntMemTable) FIntMemTable->InstantReadLeave();
    else InstantReadLeaveRow();
    if (f->Lookup() && !(col->LookupParams() && col->LookupParams()->Active())) {
        // The key fields take the copied key; the lookup's text follows from them.
        if (!ds->Modified() && ds->State() == dsBrowse) ds->Edit();
        ds->SetFieldValues(f->KeyFields(), value);
    } else {
        col->UpdateDataValues(text, value, false);
    }
    ShowEditor();
    if (InplaceEditor() && InplaceEditor()->Visible()) InplaceEditor()->SelectAll();
}

// ---- column widths -----------------------------------------------------------------------------

namespace {

int CopyTextWidthVz(TCanvas* C, TFont* Font, const String& Text) {
    C->Font()->Assign(Font);
    return C->TextWidth(Text);
}

int CopyAlignMarginVz(TColumnVz* Column) { return Column->Alignment() == taLeftJustify ? 5 : 6; }

}  // namespace

void TCustomDBGridVz::OptimizeColsWidth(const TColumnsVzList& ColumnsList, int CheckRowCount, int MaxWaitingTime) {
    if (!DataLink() || !DataLink()->Active() || ColumnsList.Count() == 0) return;
    // Measured on the screen's canvas: the grid's own draws only while it paints.
    TCanvas* c = GetScreenCanvasVz();
    const int n = ColumnsList.Count();
    std::vector<int> widths(size_t(n), 0);
    auto capped = [&](int I) {
        TColumnVz* col = ColumnsList.Items(I);
        return col->MaxWidth() > 0 && widths[size_t(I)] >= col->MaxWidth();
    };
    auto raise = [&](int I, int W) {
        TColumnVz* col = ColumnsList.Items(I);
        widths[size_t(I)] = std::max(widths[size_t(I)], W);
        if (col->MaxWidth() > 0) widths[size_t(I)] = std::min(widths[size_t(I)], col->MaxWidth());
    };
    // Titles.
    if (FOptions.Contains(dgTitles))
        for (int i = 0; i < n; ++i) {
            TColumnVz* col = ColumnsList.Items(i);
            const int mw = col->Title()->GetSortMarkingWidth();
            const int marking = mw >= 3 ? mw + 3 : 5;
            raise(i, marking + CopyTextWidthVz(c, col->Title()->Font(), col->Title()->Caption()));
        }
    // Data, read from the first record on with the controls off and the position kept.
    TDataSet* ds = DataLink()->DataSet();
    TColumnVz* firstVisible = FirstVisibleColumn();
    const TBookmark saved = ds->IsEmpty() ? TBookmark() : ds->GetBookmark();
    const int recordCount = ds->IsSequenced() ? ds->RecordCount() : -1;
    QElapsedTimer clock;
    clock.start();
    ds->DisableControls();
    try {
        ds->First();
        int recNo = 0;
        while (!ds->Eof()) {
            bool all = true;
            for (int i = 0; i < n; ++i) {
                if (capped(i)) continue;
                all = false;
                TColumnVz* col = ColumnsList.Items(i);
                TFont font;
                font.Assign(col->Font());
                TColor back = col->Color();
                GetCellParams(col, &font, back, TGridDrawState{});
                int w = CopyAlignMarginVz(col) + CopyTextWidthVz(c, &font, col->DisplayText());
                if (col->AlwaysShowEditButton()) w += col->EditButtonsWidth();
                if (col == firstVisible) w += FExtraFirstColumnWidth;
                raise(i, w);
            }
            ++recNo;
            if (all) break;
            if (CheckRowCount >= 0 && recNo >= CheckRowCount) break;
            if (recordCount >= 0 && recNo >= recordCount) break;
            if (MaxWaitingTime > 0 && clock.elapsed() > MaxWaitingTime) break;
            ds->Next();
        }
    } catch (...) {
        if (!saved.empty() && ds->BookmarkValid(saved)) ds->GotoBookmark(saved);
        ds->EnableControls();
        throw;
    }
    if (!saved.empty() && ds->BookmarkValid(saved)) ds->GotoBookmark(saved);
    ds->EnableControls();
    // Footers, then the widths, with one relayout at the end.
    const bool bracket = !FAutoFitColWidths;
    if (bracket) BeginLayout();
    try {
        for (int i = 0; i < n; ++i) {
            TColumnVz* col = ColumnsList.Items(i);
            for (int r = 0; r < FFooterRowCount; ++r) {
                TColumnFooterVz* footer = col->UsedFooter(r);
                TFont font;
                font.Assign(footer->Font());
                TColor back = footer->Color();
                TAlignment align = footer->Alignment();
                String text = GetFooterValue(r, col);
                DoGetFooterParams(col->Index(), r, col, &font, back, align, TGridDrawState{}, text);
                raise(i, CopyAlignMarginVz(col) + CopyTextWidthVz(c, &font, text));
            }
            col->SetWidth(widths[size_t(i)]);
        }
    } catch (...) {
        if (bracket) EndLayout();
        throw;
    }
    if (bracket) EndLayout();
}

void TCustomDBGridVz::OptimizeAllColsWidth(int CheckRowCount, int MaxWaitingTime) {
    TColumnsVzList all;
    for (int i = 0; i < Columns()->Count(); ++i) all.Add(Columns()->Items(i));
    OptimizeColsWidth(all, CheckRowCount, MaxWaitingTime);
}
