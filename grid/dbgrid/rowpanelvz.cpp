// Row panel mode: the switch, the layout of the columns inside a panel (lines, scaling, auto-fit),
// the painting of title, record and footer panels and the hit tests inside a panel.
#include "grid/dbgrid/rowpanelvz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/base/toolsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "platform/db/datasource.h"

#include <algorithm>
#include <cmath>

// ---- the switch --------------------------------------------------------------------------------

void TGridRowPanelVz::Published(TPublished<TGridRowPanelVz>& P) {
    using C = TGridRowPanelVz;
    P.Boolean("Active", &C::Active, &C::SetActive).Default(false);
    P.Enum("NavKeysNavigationType", &C::NavKeysNavigationType, &C::SetNavKeysNavigationType,
           {"rpntRowToRowVz", "rpntCellToCellVz"})
        .Default(rpntRowToRowVz);
    P.Enum("TabNavigationType", &C::TabNavigationType, &C::SetTabNavigationType,
           {"rpntUpToDownPriorityVz", "rpntLeftToRightPriorityVz"})
        .Default(rpntUpToDownPriorityVz);
}

void TGridRowPanelVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridRowPanelVz*>(Source)) SetActive(s->Active());
    else TPersistent::Assign(Source);
}

void TGridRowPanelVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (Value && FGrid->ColCount() > FGrid->IndicatorOffset()) FGrid->SetCol(FGrid->IndicatorOffset());
    FGrid->LayoutChanged();
}

// ---- the layout --------------------------------------------------------------------------------

namespace {
int PanelLinePosVz(TColumnVz* C) { return std::max(0, C->InRowLinePos()); }
int PanelLineHeightVz(TColumnVz* C) { return std::max(1, C->InRowLineHeight()); }
}  // namespace

void TDBGridColumnsVz::RelayoutCellsInRowPanel() {
    TCustomDBGridVz* g = FGrid;
    if (!g) return;
    const int h = g->InRowPanelLineHeight();
    const int line = g->GridLineWidth();
    const bool rowLines = g->Options().Contains(dgRowLines), colLines = g->Options().Contains(dgColLines);
    const int pitch = h + (rowLines ? line : 0);
    std::vector<int> ends(1, 0);
    int masterWidth = 0, masterHeight = 0;
    for (int i = 0; i < Count(); ++i) {
        TColumnVz* c = Items(i);
        const int p = PanelLinePosVz(c), n = PanelLineHeightVz(c);
        if (static_cast<int>(ends.size()) < p + n) ends.resize(size_t(p + n), 0);
        int left = 0;
        for (int k = p; k < p + n; ++k) left = std::max(left, ends[size_t(k)]);
        TColumnVzInRowPanelPlacement& pl = c->RowPlacement();
        pl.Left = left;
        pl.Top = p * pitch;
        pl.Height = n * pitch - (rowLines ? line : 0);
        const int width = c->Visible() ? c->Width() : 0;
        pl.Width = width;
        pl.DataCellLeft = left;
        pl.DataCellWidth = width;
        if (left == 0 && c->Visible()) {
            pl.Width += g->ExtraFirstColumnWidth();
            pl.DataCellLeft += g->ExtraFirstColumnWidth();
        }
        for (int k = p; k < p + n; ++k) ends[size_t(k)] = c->Visible() ? left + pl.Width + (colLines ? line : 0) : left;
        if (c->Visible()) {
            masterWidth = std::max(masterWidth, left + width);
            masterHeight = std::max(masterHeight, pl.Top + pl.Height);
        }
    }
    g->SetRowPanelMasterCellSize(masterWidth, std::max(masterHeight, h));
}

void TDBGridColumnsVz::ScaleWidths(int Divisor, int Denominator) {
    if (Divisor == 0 || !FGrid) return;
    const int vline = FGrid->GetVertLineWidth();
    BeginUpdate();
    try {
        for (int i = 0; i < Count(); ++i) {
            TColumnVz* c = Items(i);
            const int left = c->RowPlacement().Left;
            const long right = std::lrint(double(c->Width() + left + vline) / Divisor * Denominator);
            const long newLeft = std::lrint(double(left) / Divisor * Denominator);
            c->SetWidth(int(right - newLeft) - vline);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    RelayoutCellsInRowPanel();
}

void TDBGridColumnsVz::FixupAutoFitColWidths(int GridWidth) {
    if (!FGrid) return;
    const int line = FGrid->GridLineWidth();
    int lastLine = 0;
    for (int i = 0; i < Count(); ++i) lastLine = std::max(lastLine, PanelLinePosVz(Items(i)));
    for (int ln = 0; ln <= lastLine; ++ln) {
        int s = 0, w = GridWidth;
        std::vector<TColumnVz*> fit;
        for (int i = 0; i < Count(); ++i) {
            TColumnVz* c = Items(i);
            if (PanelLinePosVz(c) != ln) continue;
            if (c->AutoFitColWidth()) {
                s += c->Width() + line;
                fit.push_back(c);
            } else {
                w -= c->Width() + line;
            }
        }
        if (s <= 0) continue;
        long a = 0;
        for (TColumnVz* c : fit) {
            const int old = c->Width();
            const long nw = std::lrint(double(w) * double(a + old) / s) - std::lrint(double(w) * double(a) / s);
            c->SetFittedWidth(std::max(1, int(nw)));
            a += old;
        }
    }
    RelayoutCellsInRowPanel();
}

// ---- the grid ----------------------------------------------------------------------------------

void TCustomDBGridVz::SetRowPanel(TGridRowPanelVz* Value) {
    if (!Value && ComponentState().Contains(csLoading)) FRowPanel->SetActive(true);
    else if (Value) FRowPanel->Assign(Value);
}

bool TCustomDBGridVz::RowPanelMode() const { return FRowPanel && FRowPanel->Active(); }

int TCustomDBGridVz::InRowPanelLineHeight() {
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(TitleFont());
    return c->TextHeight(u"Wg"_S) + 4 + (Flat() ? 0 : 1);
}

void TCustomDBGridVz::SetRowPanelMasterCellSize(int Width, int Height) {
    FGridMasterCellWidth = Width;
    FGridMasterCellHeight = Height;
}

// The grid has one scrolling column as wide as a panel, and rows as high as one.
void TCustomDBGridVz::LayoutRowPanel() {
    Columns()->RelayoutCellsInRowPanel();
    SetFrozenColCount(0);
    SetFixedColCount(FIndicatorOffset);
    SetColCount(FIndicatorOffset + 1);
    const int line = Options().Contains(dgColLines) ? GridLineWidth() : 0;
    SetColWidths(FIndicatorOffset, FGridMasterCellWidth + FExtraFirstColumnWidth + line);
    const int rowLine = Options().Contains(dgRowLines) ? GridLineWidth() : 0;
    FStdDefaultRowHeight = FGridMasterCellHeight + rowLine;
    FTitleRowHeight = FGridMasterCellHeight + rowLine;
}

void TCustomDBGridVz::DrawRowPanelCell(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    if (ARow < TitleRowCount()) DrawRowPanelTitleAreaCell(ARect, State);
    else if (ARow >= RowCount()) DrawRowPanelFooterAreaCell(ACol, ARow, ARect, State);
    else DrawRowPanelDataAreaCell(ACol, ARow, ARect, State);
}

namespace {
// The lines under and right of a cell inside a panel, where the cell ends inside the panel.
void PanelCellLinesVz(TCanvas* C, const TRect& Cell, const TRect& Panel, bool Bottom, bool Right, TColor Color) {
    C->Brush()->SetColor(Color);
    if (Bottom && Cell.Bottom < Panel.Bottom) C->FillRect(TRect{Cell.Left, Cell.Bottom, Cell.Right + 1, Cell.Bottom + 1});
    if (Right && Cell.Right < Panel.Right) C->FillRect(TRect{Cell.Right, Cell.Top, Cell.Right + 1, Cell.Bottom + 1});
}
}  // namespace

TRect TCustomDBGridVz::RowPanelCellRect(TColumnVz* Column, const TRect& Panel, bool Data) {
    const TColumnVzInRowPanelPlacement& p = Column->RowPlacement();
    const int left = Data ? p.DataCellLeft : p.Left, width = Data ? p.DataCellWidth : p.Width;
    return TRect{Panel.Left + left, Panel.Top + p.Top, Panel.Left + left + width, Panel.Top + p.Top + p.Height};
}

void TCustomDBGridVz::DrawRowPanelTitleAreaCell(const TRect& ARect, TGridDrawState State) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(FTitleParams->Color());
    c->FillRect(ARect);
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnVz* col = Columns()->Items(i);
        if (!col->Visible()) continue;
        const TRect r = RowPanelCellRect(col, ARect, false);
        PanelCellLinesVz(c, r, ARect, FOptions.Contains(dgRowLines), FOptions.Contains(dgColLines),
                         FTitleParams->GetVertLineColor());
        DefaultDrawTitleCell(DataColToGridCol(i), r, col, State - TGridDrawState{gdSelected, gdFocused});
    }
}

void TCustomDBGridVz::DrawRowPanelDataAreaCell(int ACol, int ARow, const TRect& ARect, TGridDrawState State) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ARect);
    const int dataRow = ARow - TopDataOffset();
    if (!DataSetActive() || dataRow < 0 || dataRow >= InstantReadRecordCount() || DataLink()->DataSet()->IsEmpty())
        return;
    const bool current = IsCurrentDataRow(dataRow);
    const bool singleLine = FGridMasterCellHeight / std::max(1, InRowPanelLineHeight()) <= 1;
    const TColor bright = clSilver;
    const TColor lines = current || singleLine ? bright : MixColorsByPercentVz(bright, clWindow, 66);
    if (!current) InstantReadEnterRow(dataRow);
    try {
        for (int i = 0; i < Columns()->Count(); ++i) {
            TColumnVz* col = Columns()->Items(i);
            if (!col->Visible()) continue;
            const TRect r = RowPanelCellRect(col, ARect, true);
            PanelCellLinesVz(c, r, ARect, FOptions.Contains(dgRowLines), FOptions.Contains(dgColLines), lines);
            TGridDrawState st = State - TGridDrawState{gdSelected, gdFocused};
            if (current && i == SelectedIndex()) {
                st += TGridDrawState{gdSelected};
                if (Focused()) st += TGridDrawState{gdFocused};
            }
            TColCellParamsVz p;
            col->FillColCellParams(&p);
            p.FCol = ACol;
            p.FRow = ARow;
            p.FState = st;
            col->GetColCellParams(false, &p);
            DefaultDrawDataCell(TGridCoord{ACol, ARow}, TGridCoord{i, dataRow}, col, r, &p);
            if (OnDrawColumnCell) OnDrawColumnCell(this, r, i, col, st);
        }
    } catch (...) {
        if (!current) InstantReadLeaveRow();
        throw;
    }
    if (!current) InstantReadLeaveRow();
}

void TCustomDBGridVz::DrawRowPanelFooterAreaCell(int ACol, int ARow, const TRect& ARect, TGridDrawState State) {
    (void)ACol;
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ARect);
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnVz* col = Columns()->Items(i);
        if (!col->Visible()) continue;
        const TRect r = RowPanelCellRect(col, ARect, false);
        PanelCellLinesVz(c, r, ARect, FOptions.Contains(dgRowLines), FOptions.Contains(dgColLines), clSilver);
        DrawFooterAreaCell(DataColToGridCol(i), ARow, r, State);
    }
}

TColumnVz* TCustomDBGridVz::GetColumnInRowPanelAtPos(const TPoint& InCellPos, bool IsTitleTypeCell) {
    const int line = GridLineWidth();
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnVz* col = Columns()->Items(i);
        TRect r = RowPanelCellRect(col, TRect{0, 0, 0, 0}, !IsTitleTypeCell);
        if (FOptions.Contains(dgColLines)) r.Right += line;
        if (FOptions.Contains(dgRowLines)) r.Bottom += line;
        if (InCellPos.X >= r.Left && InCellPos.X < r.Right && InCellPos.Y >= r.Top && InCellPos.Y < r.Bottom) return col;
    }
    return nullptr;
}

void TCustomDBGridVz::SortColumnsByRowPanelPlacement() {
    if (!RowPanelMode()) return;
    std::vector<TColumnVz*> cols;
    for (int i = 0; i < Columns()->Count(); ++i) cols.push_back(Columns()->Items(i));
    std::stable_sort(cols.begin(), cols.end(), [](TColumnVz* A, TColumnVz* B) {
        const TColumnVzInRowPanelPlacement &a = A->RowPlacement(), &b = B->RowPlacement();
        if (a.Left != b.Left) return a.Left < b.Left;
        if (a.Top != b.Top) return a.Top < b.Top;
        return !A->Visible() && B->Visible();
    });
    Columns()->BeginUpdate();
    try {
        for (int i = 0; i < int(cols.size()); ++i) cols[size_t(i)]->SetIndex(i);
    } catch (...) {
        Columns()->EndUpdate();
        throw;
    }
    Columns()->EndUpdate();
}
