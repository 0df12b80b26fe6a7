// The data grid's geometry: the grid columns that show the columns, the indicator column, the title
// row (one level or several), the row count, and the reactions to the data link that keep them in
// step with the data set; the loading overlay.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/gridrecalcvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/dbgrid/sumlistvz.h"
#include "platform/rtl/rtlmath.h"

#include "grid/base/toolsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/gui/drawtext.h"

#include <algorithm>

namespace {
int LineWidthOf(TCustomDBGridVz* G, bool Horz) {
    return G->Options().Contains(Horz ? dgRowLines : dgColLines) ? G->GridLineWidth() : 0;
}
}  // namespace

// ---- sizes -------------------------------------------------------------------------------------

void TCustomDBGridVz::CalcStdDataRowHeight() {
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(Font());
    const int th = c->TextHeight(u"Wg"_S);
    int h = th + (Flat() ? 1 : 3);
    if (FRowHeight > 0 || FRowLines > 0) h = std::max(FRowHeight, FRowLines * th + (Flat() ? 1 : 3));
    FStdDefaultRowHeight = h + LineWidthOf(this, true);
    if (FOptionsVz.Contains(dghFitRowHeightToText))
        FStdDefaultRowHeight = FitRowHeightToTextVz(FStdDefaultRowHeight, th, (Flat() ? 1 : 3) + LineWidthOf(this, true));
}

void TCustomDBGridVz::CalcTitleRowHeight() {
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(TitleFont());
    const int th = c->TextHeight(u"Wg"_S);
    int h = th + (Flat() ? 1 : 3);
    if (FTitleParams->RowLines() > 0) h = std::max(h, FTitleParams->RowLines() * th + (Flat() ? 1 : 3));
    h = std::max(h, FTitleParams->RowHeight());
    FTitleRowHeight = h + LineWidthOf(this, true);
}

int TCustomDBGridVz::CalcMultiTitleHeight(TDBGridMultiTitleNodeVz* Node) {
    if (!Node || Node->Count() == 0) return 0;
    TCanvas* c = GetScreenCanvasVz();
    int best = 0;
    std::vector<int> subs(static_cast<std::size_t>(Node->Count()), 0);
    for (int i = 0; i < Node->Count(); ++i) {
        TDBGridMultiTitleNodeVz* ch = Node->Child(i);
        const int s = ch->Count() > 0 ? CalcMultiTitleHeight(ch) : 0;
        subs[static_cast<std::size_t>(i)] = s;
        c->Font()->Assign(ch->Column ? ch->Column->Title()->Font() : TitleFont());
        int t = 0;
        const int w = std::max(1, ch->Width - 4 - ch->Indent);
        if (ch->Width > 0) {
            TRect r{0, 0, w, 0};
            const String text = ch->Text().isEmpty() ? u" "_S : ch->Text();
            DrawText(c->Handle(), text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            t = r.Bottom - r.Top + FTitleParams->VTitleMargin();
        }
        best = std::max(best, t <= 0 ? s : t + s);
    }
    for (int i = 0; i < Node->Count(); ++i) {
        TDBGridMultiTitleNodeVz* ch = Node->Child(i);
        ch->Height = ch->Count() > 0 ? best - subs[static_cast<std::size_t>(i)] : best;
    }
    Node->Height = best;
    return best;
}

bool TCustomDBGridVz::IsIndicatorColumnShown() {
    return FOptions.Contains(dgIndicator) || FOptionsVz.Contains(dghShowRecNo) ||
           FIndicatorOptions.Contains(gioShowRowselCheckboxesVz);
}

int TCustomDBGridVz::DefaultCalcIndicatorRowNumAreaWidth() {
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    const int n = ds && ds->Active() ? ds->RecordCount() : 0;
    const int digits = std::clamp(static_cast<int>(IntToStr(n).size()), 1, 102);
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(Font());
    c->Font()->SetSize(Font()->Size() - 1);
    int w = c->TextWidth(String(digits, u'0'));
    if (!FOptions.Contains(dgIndicator)) w += 2;
    return w < 9 ? 11 : w + 2;
}

int TCustomDBGridVz::CalcIndicatorColWidth() {
    int w = FOptions.Contains(dgIndicator) ? 11 : 0;
    if (FOptionsVz.Contains(dghShowRecNo) && DataLink() && DataLink()->DataSet()) w += DefaultCalcIndicatorRowNumAreaWidth();
    return w;
}

bool TCustomDBGridVz::CheckIndicatorColWidthChanged() {
    const int w = CalcIndicatorColWidth();
    if (w == FIndicatorWidth) return false;
    FIndicatorWidth = w;
    return true;
}

int TCustomDBGridVz::VisibleDataRowCount() {
    const int rows = RowCount() - TopDataOffset();
    return std::max(0, std::min(rows, VisibleRowCount()));
}

// ---- the layout pass ---------------------------------------------------------------------------

void TCustomDBGridVz::InternalLayout() {
    TCustomDBAxisGridVz::InternalLayout();
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
    if (FSyncing) return;
    FSyncing = true;
    try {
        UpdateIntMemTable();
        if (FSelectedRows) FSelectedRows->SetLinkActive(DataLink()->Active());
        if (FSelection && FSelection->SelectionType() == gstColumns) FSelection->Columns()->Refresh();
        FIndicatorOffset = IsIndicatorColumnShown() ? 1 : 0;
        const int n = std::max(1, Columns()->Count());
        // Frozen columns never take the last column: the grid keeps one that scrolls. The fixed
        // count goes first: the grid's count is the fixed cells plus the scrolling ones.
        const int frozen = std::clamp(FFrozenCols, 0, n - 1);
        SetFrozenColCount(0);
        SetFixedColCount(FIndicatorOffset + frozen);
        SetFrozenColCount(frozen);
        SetColCount(FIndicatorOffset + n);
        CalcStdDataRowHeight();
        CalcTitleRowHeight();
        UpdateBarExtents();
        if (RowPanelMode()) LayoutRowPanel();
        if (IsUseMultiTitle() && TitleRowCount() > 0 && !RowPanelMode()) {
            FHeadTree->CreateFieldTree(this, FLeafFieldArr);
            FTitleRowHeight = std::max(FTitleRowHeight, CalcMultiTitleHeight(FHeadTree->Root()));
        } else {
            FHeadTree->Clear();
            FLeafFieldArr.clear();
        }
        UpdateRowCount();
        SyncDataRowHeights();
    } catch (...) {
        FSyncing = false;
        throw;
    }
    FSyncing = false;
}

// Rows made before the standard height changed (entering or leaving row panel mode) keep the
// height they were made with: they take the new one, the detail panel's row keeping its own.
void TCustomDBGridVz::SyncDataRowHeights() {
    const int top = TopDataOffset();
    if (RowCount() <= top || RowHeights(top) == FStdDefaultRowHeight && RowHeights(FullRowCount() - 1) == FStdDefaultRowHeight)
        return;
    for (int r = top; r < FullRowCount(); ++r)
        if (r != FRowDetailGridRow && RowHeights(r) != FStdDefaultRowHeight) SetRowHeights(r, FStdDefaultRowHeight);
}

void TCustomDBGridVz::UpdateBarExtents() {
    const bool wasChanging = FColumnWidthsChanging;
    FColumnWidthsChanging = true;
    try {
        FExtraFirstColumnWidth = CalcExtraFirstColumnWidth();
        const int line = LineWidthOf(this, false);
        TColumnVz* first = FirstVisibleColumn();
        // Auto-fit: visible columns share the client width in proportion to their initial widths.
        if (CanAutoFitColWidths() && Columns()->Count() > 0) {
            int avail = std::max(GridClientWidth(), FMinAutoFitWidth) - (FIndicatorOffset ? FIndicatorWidth + line : 0);
            std::vector<TColumnVz*> fit;
            int weight = 0;
            for (int i = 0; i < Columns()->Count(); ++i) {
                TColumnVz* c = Columns()->Items(i);
                if (!c->Visible()) continue;
                avail -= line;
                if (c->AutoFitColWidth()) {
                    fit.push_back(c);
                    weight += std::max(1, c->InitWidth());
                } else avail -= c->Width();
            }
            if (!fit.empty() && avail > 0 && weight > 0) {
                int used = 0;
                std::vector<int> w(fit.size());
                for (std::size_t i = 0; i < fit.size(); ++i) {
                    w[i] = MulDiv(avail, std::max(1, fit[i]->InitWidth()), weight);
                    used += w[i];
                }
                // Pixels lost to rounding go to the rightmost columns one by one.
                for (std::size_t k = 0; used < avail && k < fit.size(); ++k, ++used) ++w[fit.size() - 1 - k];
                for (std::size_t i = 0; i < fit.size(); ++i) fit[i]->SetFittedWidth(w[i]);
            }
        }
        for (int i = 0; i < Columns()->Count(); ++i) {
            TColumnVz* c = Columns()->Items(i);
            int w = c->Visible() ? c->Width() : 0;
            if (c == first) w += FExtraFirstColumnWidth;
            if (c->Visible()) w += line;
            const int gc = DataColToGridCol(i);
            if (gc < ColCount() && ColWidths(gc) != w) SetColWidths(gc, w);
        }
        if (FIndicatorOffset) {
            FIndicatorWidth = CalcIndicatorColWidth();
            SetColWidths(0, FIndicatorWidth + line);
        }
    } catch (...) {
        FColumnWidthsChanging = wasChanging;
        throw;
    }
    FColumnWidthsChanging = wasChanging;
}

void TCustomDBGridVz::UpdateRowCount() {
    if (!DataLink()) return;
    if (MemTableRowMode()) {
        UpdateMemTableRowCount();
        return;
    }
    const int top = TopDataOffset();
    const int old = RowCount();
    if (RowCount() <= top) SetRowCount(top + 1);
    SetFixedRowCount(top);
    SetFrozenRowCount(FilterRowCount());
    SetDefaultRowHeight(FStdDefaultRowHeight);
    if (TitleRowCount() > 0) SetRowHeights(0, FTitleRowHeight);
    if (FilterRowCount() > 0) SetRowHeights(TitleRowCount(), CalcFilterRowHeight());
    const int above = (TitleRowCount() > 0 ? FTitleRowHeight : 0);
    const int below = FullFooterRowCount() * FStdDefaultRowHeight;
    if (DataLink()->Active() && DataLink()->DataSet() && HandleAllocated()) {
        const int buf = std::max(1, (GridClientHeight() - above - below) / std::max(1, FStdDefaultRowHeight));
        DataLink()->SetBufferCount(buf);
        const int recs = std::max(1, DataLink()->RecordCount());
        SetRowCount(top + recs);
        SetContraRowCount(FullFooterRowCount());
        SyncActiveRecord();
    } else {
        SetRowCount(top + 1);
        SetContraRowCount(FullFooterRowCount());
    }
    if (FRowDetailPanel && FRowDetailPanel->Visible()) UpdateRowDetailPanelControl();
    if (old != RowCount()) Invalidate();
}

void TCustomDBGridVz::SyncActiveRecord() {
    if (!DataLink() || !DataLink()->Active() || ComponentState().Contains(csLoading)) return;
    if (MemTableRowMode()) {
        SyncCurrentCellWithData(0);
        return;
    }
    const int target = DataLink()->ActiveRecord() + TopDataOffset();
    if (target < RowCount() && target != Row()) {
        const bool was = FSyncing;
        FSyncing = true;
        MoveCurrentCell(std::max(Col(), FixedColCount()), target, false, true);
        FSyncing = was;
    }
}

void TCustomDBGridVz::Resize() {
    TCustomDBAxisGridVz::Resize();
    if (DataLink() && Columns() && !ComponentState().Contains(csLoading) && (CanAutoFitColWidths() || DataLink()->Active()))
        LayoutChanged();
}

// ---- user sizing and moving --------------------------------------------------------------------

void TCustomDBGridVz::ColumnWidthsChanged() {
    TCustomDBAxisGridVz::ColumnWidthsChanged();
    // Widths the grid writes itself (inside its layout) are no sizing by the user.
    if (FColumnWidthsChanging || FSyncing || LayoutLock() != 0 || UpdateLock() != 0 || !DataLink() || !Columns())
        return;
    if (!(DataLink()->Active() || Columns()->State() == csCustomized)) return;
    FColumnWidthsChanging = true;
    try {
        const int line = LineWidthOf(this, false);
        for (int i = 0; i < Columns()->Count(); ++i) {
            TColumnVz* c = Columns()->Items(i);
            const int gc = DataColToGridCol(i);
            if (!c->Visible() || gc >= ColCount()) continue;
            int w = ColWidths(gc) - line - (c == FirstVisibleColumn() ? FExtraFirstColumnWidth : 0);
            if (c->MaxWidth() > 0 && w > c->MaxWidth()) w = c->MaxWidth();
            if (c->MinWidth() > 0 && w < c->MinWidth()) w = c->MinWidth();
            if (w == c->Width()) continue;
            if (!CanAutoFitColWidths() || !c->AutoFitColWidth()) {
                Columns()->BeginUpdate();
                c->SetWidth(w);
                Columns()->EndUpdate();
            } else {
                const int oldInit = c->InitWidth();
                const int newInit = MulDiv(oldInit, w, std::max(1, c->Width()));
                c->SetInitWidth(newInit);
                for (int j = i + 1; j < Columns()->Count(); ++j)
                    if (Columns()->Items(j)->Visible()) {
                        TColumnVz* next = Columns()->Items(j);
                        next->SetInitWidth(std::max(0, next->InitWidth() + oldInit - newInit));
                        break;
                    }
            }
        }
    } catch (...) {
        FColumnWidthsChanging = false;
        throw;
    }
    FColumnWidthsChanging = false;
    LayoutChanged();
    if (OnColWidthsChanged) OnColWidthsChanged(this);
}

void TCustomDBGridVz::NotifyColumnMoved(int FromIndex, int ToIndex) {
    TCustomDBAxisGridVz::NotifyColumnMoved(FromIndex, ToIndex);
    if (FSyncing) return;
    const int from = FromIndex - FIndicatorOffset, to = ToIndex - FIndicatorOffset;
    if (from < 0 || to < 0 || from >= Columns()->Count() || to >= Columns()->Count()) return;
    Columns()->Items(from)->SetIndex(to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

// ---- data link reactions -----------------------------------------------------------------------

void TCustomDBGridVz::CreateWnd() {
    BeginUpdate();
    try {
        TCustomDBAxisGridVz::CreateWnd();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    // The window's size now decides the row count and what the current record scrolls to.
    LayoutChanged();
    SyncActiveRecord();
}

void TCustomDBGridVz::DataLinkActiveChanged(bool Active) {
    if (FSelection) FSelection->LinkActiveChanged(Active);
    TCustomDBAxisGridVz::DataLinkActiveChanged(Active);
    if (!Active && FIntMemTable) UpdateIntMemTable();
    if (!Active && FRowDetailPanel) FRowDetailPanel->SetVisible(false);
    if (FSumList) FSumList->SetDataSet(DataSource() ? DataSource()->DataSet() : nullptr);
}

void TCustomDBGridVz::DataLinkDataChanged() {
    TCustomDBAxisGridVz::DataLinkDataChanged();
    if (FSyncing || ComponentState().Contains(csDestroying)) return;
    if (CheckIndicatorColWidthChanged()) LayoutChanged();
    else UpdateRowCount();
    if (UpdateLock() == 0 && LayoutLock() == 0) SyncActiveRecord();
    CheckRowDetailPanelRecord();
    Invalidate();
}

void TCustomDBGridVz::DataLinkScrolled(int Distance) {
    CheckRowDetailPanelRecord();
    if (MemTableRowMode()) {
        SyncCurrentCellWithData(Distance);
        return;
    }
    if (!HandleAllocated()) return;
    if (DataLink()->ActiveRecord() >= RowCount() - TopDataOffset()) UpdateRowCount();
    SyncActiveRecord();
    Invalidate();
}

void TCustomDBGridVz::DataLinkRecordChanged(TField* Field) {
    TCustomDBAxisGridVz::DataLinkRecordChanged(Field);
}

void TCustomDBGridVz::CurrentCellMoved(const TGridCoord& Old) {
    TCustomDBAxisGridVz::CurrentCellMoved(Old);
    if (Col() != Old.X) {
        ColExit();
        ColEnter();
    }
    if (FSyncing || Row() == Old.Y || !DataLink() || !DataLink()->Active()) return;
    const int dataRow = Row() - TopDataOffset();
    if (dataRow < 0) return;
    TDataSet* ds = DataLink()->DataSet();
    FSyncing = true;
    try {
        if (TGroupDataTreeNodeVz* node = GroupDataNodeOfRow(dataRow)) {
            // A group row stands on the record that started the group; a footer row moves nothing.
            if (node->NodeType() != dntDataGroupFooterVz) ds->SetRecNo(node->DataSetRecordViewNo() + 1);
        } else if (MemTableRowMode()) {
            if (dataRow < FIntMemTable->InstantReadRowCount()) ds->SetRecNo(dataRow + 1);
        } else {
            ds->MoveBy(dataRow - DataLink()->ActiveRecord());
        }
    } catch (...) {
        FSyncing = false;
        SyncActiveRecord();
        throw;
    }
    FSyncing = false;
}

// ---- loading status ----------------------------------------------------------------------------

void TCustomDBGridVz::StartLoadingStatus(const String& LoadingCaption, int, bool) {
    FLoadingStatusText = LoadingCaption.isEmpty() ? String(FLoadingStatusText) : LoadingCaption;
    ++FLoadingStatusCount;
    Invalidate();
}

void TCustomDBGridVz::FinishLoadingStatus(int) {
    if (FLoadingStatusCount == 0) throw Exception(u"FinishLoadingStatus occurred before StartLoadingStatus"_S);
    if (--FLoadingStatusCount == 0) {
        Invalidate();
        UpdateScrollBars();
    }
}
