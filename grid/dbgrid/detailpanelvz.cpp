// The row detail panel: its settings, its control and the grid's placing of it under the current
// record, the expand sign of the first column and its hit test.
#include "grid/dbgrid/detailpanelvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "platform/db/datasource.h"

#include <algorithm>

namespace {
constexpr int DetailSignWidthVz = 18;
}

// ---- the control -------------------------------------------------------------------------------

TRowDetailPanelControlVz::TRowDetailPanelControlVz(TComponent* AOwner) : TScrollBox(AOwner) {
    SetBounds(0, 0, 185, 41);
    TControlStyle s = ControlStyle();
    s.Include(csCaptureMouse);
    s.Include(csClickEvents);
    s.Include(csSetCaption);
    s.Include(csDoubleClicks);
    s.Include(csReplicatable);
    s.Exclude(csAcceptsControls);
    SetControlStyle(s);
    SetBorderStyle(bsSingle);
}

TCustomDBGridVz* TRowDetailPanelControlVz::Grid() const { return dynamic_cast<TCustomDBGridVz*>(Owner()); }

// ---- the settings ------------------------------------------------------------------------------

TRowDetailPanelVz::TRowDetailPanelVz(TCustomDBGridVz* AGrid) : FGrid(AGrid), FColor(AGrid->FixedColor()) {}

void TRowDetailPanelVz::Published(TPublished<TRowDetailPanelVz>& P) {
    using C = TRowDetailPanelVz;
    P.Boolean("Active", &C::Active, &C::SetActive).Default(false);
    P.Integer("Width", &C::Width, &C::SetWidth).Default(0);
    P.Integer("Height", &C::Height, &C::SetHeight).Default(120);
    P.Integer("MinHeight", &C::MinHeight, &C::SetMinHeight).Default(1);
    P.Integer("MaxHeight", &C::MaxHeight, &C::SetMaxHeight).Default(0);
    P.Integer("BevelWidth", &C::BevelWidth, &C::SetBevelWidth).Default(1);
    P.Boolean("ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
    P.Boolean("VertSizing", &C::VertSizing, &C::SetVertSizing).Default(false);
    P.Integer("SizingBarHeight", &C::SizingBarHeight, &C::SetSizingBarHeight).Default(8);
    P.Boolean("SizingBarBeveled", &C::SizingBarBeveled, &C::SetSizingBarBeveled).Default(true);
}

void TRowDetailPanelVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TRowDetailPanelVz*>(Source)) SetActive(s->Active());
    else TPersistent::Assign(Source);
}

void TRowDetailPanelVz::Relayout() { FGrid->UpdateRowDetailPanelControl(); }

void TRowDetailPanelVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    TControlStyle s = FGrid->RowDetailPanelControl()->ControlStyle();
    if (Value) s.Include(csAcceptsControls);
    else s.Exclude(csAcceptsControls);
    FGrid->RowDetailPanelControl()->SetControlStyle(s);
    if (!Value) FVisible = false;
    Relayout();
    FGrid->LayoutChanged();
}

void TRowDetailPanelVz::SetVisible(bool Value) {
    if (FVisible == Value) return;
    TDataSet* ds = FGrid->DataLink() ? FGrid->DataLink()->DataSet() : nullptr;
    bool allowed = Value ? FActive && FGrid->DataLink()->Active() && ds && !ds->IsEmpty() : true;
    if (!FGrid->ComponentState().Contains(csDestroying)) {
        if (Value && FGrid->OnRowDetailPanelShow) FGrid->OnRowDetailPanelShow(FGrid, allowed);
        if (!Value && FGrid->OnRowDetailPanelHide) FGrid->OnRowDetailPanelHide(FGrid, allowed);
    }
    if (!allowed) return;
    FVisible = Value;
    FGrid->RowDetailPanelVisibleChanged();
}

void TRowDetailPanelVz::SetWidth(int Value) {
    if (FWidth == Value) return;
    FWidth = Value;
    Relayout();
}

void TRowDetailPanelVz::SetHeight(int Value) {
    Value = std::max(Value, FMinHeight);
    if (FMaxHeight > 0) Value = std::min(Value, FMaxHeight);
    if (FHeight == Value) return;
    FHeight = Value;
    Relayout();
}

void TRowDetailPanelVz::SetMinHeight(int Value) {
    if (FMinHeight == Value) return;
    FMinHeight = Value;
    if (FHeight < Value) FHeight = Value;
    Relayout();
}

void TRowDetailPanelVz::SetMaxHeight(int Value) {
    if (FMaxHeight == Value) return;
    FMaxHeight = Value;
    if (Value > 0 && FHeight > Value) FHeight = Value;
    Relayout();
}

void TRowDetailPanelVz::SetActiveControl(TWinControl* Value) {
    FActiveControl = Value;
    if (Value) Value->FreeNotification(FGrid);
}

void TRowDetailPanelVz::SetBevelInner(TBevelCut Value) {
    if (FBevelInner == Value) return;
    FBevelInner = Value;
    Relayout();
}

void TRowDetailPanelVz::SetBevelOuter(TBevelCut Value) {
    if (FBevelOuter == Value) return;
    FBevelOuter = Value;
    Relayout();
}

void TRowDetailPanelVz::SetBevelWidth(int Value) {
    if (FBevelWidth == Value) return;
    FBevelWidth = Value;
    Relayout();
}

void TRowDetailPanelVz::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    Relayout();
}

TColor TRowDetailPanelVz::Color() const { return FParentColor ? FGrid->Color() : FColor; }

void TRowDetailPanelVz::SetColor(TColor Value) {
    if (FColor == Value && !FParentColor) return;
    FColor = Value;
    FParentColor = false;
    Relayout();
}

void TRowDetailPanelVz::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    Relayout();
}

void TRowDetailPanelVz::SetVertSizing(bool Value) {
    if (FVertSizing == Value) return;
    FVertSizing = Value;
    if (FMaxHeight > 0 && FMaxHeight < FHeight) FHeight = FMaxHeight;
    Relayout();
}

void TRowDetailPanelVz::SetSizingBarHeight(int Value) {
    if (FSizingBarHeight == Value) return;
    FSizingBarHeight = Value;
    Relayout();
}

void TRowDetailPanelVz::SetSizingBarBeveled(bool Value) {
    if (FSizingBarBeveled == Value) return;
    FSizingBarBeveled = Value;
    Relayout();
}

// ---- the grid's side ---------------------------------------------------------------------------

void TCustomDBGridVz::SetRowDetailPanel(TRowDetailPanelVz* Value) { FRowDetailPanel->Assign(Value); }

int TCustomDBGridVz::CurrentDetailGridRow() {
    if (!DataLink() || !DataLink()->Active()) return -1;
    return Row();
}

void TCustomDBGridVz::RowDetailPanelVisibleChanged() {
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    FRowDetailBookmark = FRowDetailPanel->Visible() && ds ? ds->GetBookmark() : TBookmark();
    UpdateRowDetailPanelControl();
    if (FRowDetailPanel->Visible() && HandleAllocated()) {
        // The opened panel in view: scroll down so the row's bottom reaches the client bottom,
        // never past the row's top.
        const int row = CurrentDetailGridRow();
        if (row >= 0) {
            const TRect r = CellRect(DataColToGridCol(0) < ColCount() ? DataColToGridCol(0) : 0, row);
            if (r.Bottom > GridClientHeight() && row > TopRow()) {
                int top = TopRow();
                int bottom = r.Bottom;
                while (top < row && bottom > GridClientHeight()) {
                    bottom -= RowHeights(top);
                    ++top;
                }
                if (top != TopRow()) SetTopRow(top);
                UpdateRowDetailPanelControl();
            }
        }
    }
    if (!ComponentState().Contains(csDestroying)) Invalidate();
    UpdateScrollBars();
}

void TCustomDBGridVz::CheckRowDetailPanelRecord() {
    if (!FRowDetailPanel || !FRowDetailPanel->Visible()) return;
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    if (!DataLink()->Active() || !ds || ds->IsEmpty() || ds->GetBookmark() != FRowDetailBookmark)
        FRowDetailPanel->SetVisible(false);
    if (FRowDetailPanel->Visible()) UpdateRowDetailPanelControl();
}

void TCustomDBGridVz::UpdateRowDetailPanelControl() {
    TRowDetailPanelControlVz* c = FRowDetailControl;
    if (!c || !HandleAllocated() || ComponentState().Contains(csDestroying)) return;
    // The enlarged row of the last placing gets its standard height back.
    if (FRowDetailGridRow >= 0 && FRowDetailGridRow < RowCount()) SetRowHeights(FRowDetailGridRow, FStdDefaultRowHeight);
    FRowDetailGridRow = -1;
    const int row = CurrentDetailGridRow();
    const bool show = FRowDetailPanel->Active() && FRowDetailPanel->Visible() && row >= TopRow() && row >= 0;
    if (!show) {
        c->SetVisible(false);
        if (!FRowDetailPanel->Active()) c->SetBounds(0, 0, 0, 0);
        return;
    }
    const int panelHeight = FRowDetailPanel->Height();
    SetRowHeights(row, FStdDefaultRowHeight + panelHeight);
    FRowDetailGridRow = row;
    TColumnVz* first = FirstVisibleColumn();
    const int gc = first ? DataColToGridCol(first->Index()) : FixedColCount();
    TRect ref = CellRect(gc, row);
    ref.Bottom = ref.Top + FStdDefaultRowHeight;
    const int top = ref.Bottom;
    int treeWidth = 0;
    if (TreeViewMode()) {
        InstantReadEnterRow(row - TopDataOffset());
        treeWidth = GetCellTreeElmentsAreaWidth();
        InstantReadLeaveRow();
    }
    const int left = treeWidth + ref.Left + FExtraFirstColumnWidth + DetailSignWidthVz;
    int width = FRowDetailPanel->Width();
    if (width <= 0) {
        const TRect last = CellRect(ColCount() - 1, row);
        width = std::max(0, std::max(last.Right, ref.Right) - left - GridLineWidth());
    }
    int footerTop = GridClientHeight();
    for (int i = 1; i <= GetFullFooterRowCount(); ++i) footerTop -= RowHeights(FullRowCount() - i) + GridLineWidth();
    int height = panelHeight;
    if (height <= 0 || height > footerTop - top) height = std::max(0, footerTop - top);
    c->SetVertSizing(FRowDetailPanel->VertSizing());
    c->SetSizingBarHeight(FRowDetailPanel->SizingBarHeight());
    c->SetSizingBarBeveled(FRowDetailPanel->SizingBarBeveled());
    c->SetBorderStyle(FRowDetailPanel->BorderStyle());
    c->SetColor(FRowDetailPanel->Color());
    c->SetBounds(left, top, width, height);
    c->SetVisible(true);
}

bool TCustomDBGridVz::RowHaveDetailPanel() {
    bool has = FRowDetailPanel->Active();
    if (OnCheckRowHaveDetailPanel) OnCheckRowHaveDetailPanel(this, has);
    return has;
}

int TCustomDBGridVz::DrawRowDetailPanelSign(int DataRow, const TRect& ARect, TGridDrawState State) {
    if (!FRowDetailPanel->Active()) return 0;
    TCanvas* c = Canvas();
    const TColor brush = c->Brush()->Color();
    c->Brush()->SetColor(Color());
    const TRect sign{ARect.Left, ARect.Top, std::min(ARect.Right, ARect.Left + DetailSignWidthVz),
                     ARect.Top + std::min(ARect.Height(), FStdDefaultRowHeight)};
    c->FillRect(TRect{sign.Left, ARect.Top, sign.Right, ARect.Bottom});
    if (RowHaveDetailPanel()) {
        const bool open = FRowDetailPanel->Visible() && IsCurrentDataRow(DataRow);
        DrawTreeElementVz(c, sign, open ? 4 : 9, tvgsClassicVz, true, false);
    }
    c->Brush()->SetColor(brush);
    (void)State;
    return DetailSignWidthVz;
}

bool TCustomDBGridVz::IsPosInRowDetailPanelSign(int InCellX, TColumnVz* Column) {
    if (!FRowDetailPanel->Active() || Column != FirstVisibleColumn()) return false;
    const int start = GetCellTreeElmentsAreaWidth() + FExtraFirstColumnWidth;
    if (InCellX < start || InCellX >= start + DetailSignWidthVz) return false;
    return RowHaveDetailPanel();
}

bool TCustomDBGridVz::RowDetailPanelSignAtPos(int X, int Y) {
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y < TopDataOffset() || cell.X < FIndicatorOffset || cell.Y >= RowCount()) return false;
    const int dataRow = cell.Y - TopDataOffset();
    if (TGroupDataTreeNodeVz* node = GroupDataNodeOfRow(dataRow))
        if (node->NodeType() != dntDataSetRecordVz) return false;
    const int dataCol = GridColToDataCol(cell.X);
    if (dataCol < 0 || dataCol >= Columns()->Count()) return false;
    const TRect r = CellRect(cell.X, cell.Y);
    if (Y >= r.Top + FStdDefaultRowHeight) return false;  // the panel's part of the row
    bool in = false;
    const bool current = IsCurrentDataRow(dataRow);
    if (!current && DataSetActive() && dataRow < InstantReadRecordCount()) InstantReadEnterRow(dataRow);
    try {
        in = IsPosInRowDetailPanelSign(X - r.Left, Columns()->Items(dataCol));
    } catch (...) {
        if (!current && DataSetActive() && dataRow < InstantReadRecordCount()) InstantReadLeaveRow();
        throw;
    }
    if (!current && DataSetActive() && dataRow < InstantReadRecordCount()) InstantReadLeaveRow();
    return in;
}
