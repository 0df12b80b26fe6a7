// Painting of the data grid's cells: data cells through the reading window, titles with their sort
// markers (on one level or as a tree of super-titles over the column titles), the indicator column
// with the current-row arrow and row numbers, the empty-data text and the loading overlay.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/grouptreevz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/gui/drawtext.h"

#include <algorithm>

namespace {
// The clip of a title cell, restored when the painter leaves it.
class TTitleClipVz {
public:
    TTitleClipVz(TCanvas* C, const TRect& R) : FCanvas(C), FDC(C->Handle()) {
        FSaved = FDC->SaveDC();
        FDC->IntersectClipRect(R);
    }
    ~TTitleClipVz() {
        FDC->RestoreDC(FSaved);
        FCanvas->Refresh();
    }
    TTitleClipVz(const TTitleClipVz&) = delete;
    TTitleClipVz& operator=(const TTitleClipVz&) = delete;

private:
    TCanvas* FCanvas;
    HDC FDC;
    int FSaved;
};

TDBGridMultiTitleNodeVz* FirstLeafOf(TDBGridMultiTitleNodeVz* N) {
    while (N->Count() > 0) N = N->Child(0);
    return N;
}

TDBGridMultiTitleNodeVz* LastLeafOf(TDBGridMultiTitleNodeVz* N) {
    while (N->Count() > 0) N = N->Child(N->Count() - 1);
    return N;
}
}  // namespace

// A row is entered once for all of its cells: it stays entered from its first cell until a cell of
// another row, a group row or the end of the paint.
void TCustomDBGridVz::ReleasePaintHeldRow() {
    if (FPaintHeldRow < 0) return;
    FPaintHeldRow = -1;
    InstantReadLeaveRow();
}

void TCustomDBGridVz::Paint() {
    if (FHeadTree) FHeadTree->ResetDrawnFlags();
    try {
        TCustomDBAxisGridVz::Paint();
    } catch (...) {
        ReleasePaintHeldRow();
        throw;
    }
    ReleasePaintHeldRow();
    TCanvas* c = Canvas();
    if (FEmptyDataInfo->Showing()) FEmptyDataInfo->PaintEmptyDataInfo(c);
    if (FLoadingStatusCount > 0) {
        // The grid shows through a grey veil with the loading text in a framed box in the middle.
        const TRect cr = ClientRect();
        for (int y = cr.Top; y < cr.Bottom; y += 2) {
            c->Pen()->SetColor(TColor(0x808080));
            c->MoveTo(cr.Left + (y / 2) % 2, y);
            c->LineTo(cr.Right, y);
        }
        c->Font()->Assign(Font());
        const int tw = c->TextWidth(FLoadingStatusText), th = c->TextHeight(FLoadingStatusText) + 2;
        TRect r{(cr.Width() - tw) / 2, (cr.Height() - th) / 2, (cr.Width() - tw) / 2 + tw, (cr.Height() - th) / 2 + th};
        TRect box{r.Left - 5, r.Top - 5, r.Right + 5, r.Bottom + 5};
        c->Brush()->SetColor(Color());
        c->FillRect(box);
        c->Brush()->SetColor(BlendColorsVz(Font()->Color(), Color(), 128));
        c->FrameRect(TRect{box.Left - 1, box.Top - 1, box.Right + 1, box.Bottom + 1});
        WriteCellTextVz(c, r, false, 0, 0, FLoadingStatusText, taCenter, tlCenter, false, false, 0, 0, false, true);
    }
}

bool TCustomDBGridVz::IsCellDraw3D(int ACol, int ARow, TGridDrawState State) {
    if (ARow < TitleRowCount() || ACol < FIndicatorOffset) return FOptionsVz.Contains(dghFixed3D);
    if (ACol < FixedColCount()) return FOptionsVz.Contains(dghFrozen3D);
    if (ARow >= RowCount()) return FOptionsVz.Contains(dghFooter3D);
    return FOptionsVz.Contains(dghData3D) && !State.Contains(gdSelected);
}

bool TCustomDBGridVz::GetCellBorder(int ACol, int ARow, TGridCellBorderTypeVz BorderType, bool& Extends,
                                    TColor& Color) {
    const bool vert = BorderType == cbtLeftVz || BorderType == cbtRightVz;
    const int dataCol = GridColToDataCol(ACol);
    if (vert && dataCol >= 0 && Columns()->Items(dataCol)->Visible() == false) return false;
    // Title cells of multi-level titles draw their own vertical lines.
    if (vert && ARow < TitleRowCount() && IsUseMultiTitle() && dataCol >= 0) return false;
    const bool v = TCustomDBAxisGridVz::GetCellBorder(ACol, ARow, BorderType, Extends, Color);
    if (ARow < TitleRowCount()) {
        Color = vert ? FTitleParams->GetVertLineColor() : FTitleParams->GetHorzLineColor();
        return vert ? FTitleParams->VertLines() || ACol < FIndicatorOffset : true;
    }
    if (ACol < FIndicatorOffset)
        Color = vert ? FIndicatorParams->GetVertLineColor() : FIndicatorParams->GetHorzLineColor();
    return v;
}

void TCustomDBGridVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    const int top = TopDataOffset();
    const int heldRow = FPaintHeldRow;
    // Only the held row's own data cells read it; every other cell sees the table as it is.
    if (ACol < FIndicatorOffset || ARow - top != heldRow) ReleasePaintHeldRow();
    if (IsFilterRow(ARow)) {
        DrawFilterRowCell(ACol, ARow, ARect, State);
        return;
    }
    if (ACol < FIndicatorOffset) {
        DefaultDrawIndicatorCell(ARow, ARect, State);
        return;
    }
    if (RowPanelMode()) {
        DrawRowPanelCell(ACol, ARow, State, ARect);
        return;
    }
    const int dataCol = GridColToDataCol(ACol);
    TColumnVz* col = dataCol >= 0 ? Columns()->Items(dataCol) : nullptr;
    if (ARow < TitleRowCount()) {
        if (TitlePressed(ACol)) State += gdPressed;
        DefaultDrawTitleCell(ACol, ARect, col, State);
        return;
    }
    TCanvas* c = Canvas();
    const int dataRow = ARow - top;
    const bool footer = ARow >= RowCount();  // footer rows lie past the rows, pinned at the bottom
    if (footer) {
        DrawFooterAreaCell(ACol, ARow, ARect, State);
        return;
    }
    if (!col || !DataSetActive() || dataRow < 0 || dataRow >= InstantReadRecordCount() ||
        DataLink()->DataSet()->IsEmpty()) {
        c->Brush()->SetColor(Color());
        c->FillRect(ARect);
        return;
    }
    TGroupDataTreeNodeVz* node = GroupDataNodeOfRow(dataRow);
    if (node) ReleasePaintHeldRow();
    if (node && node->NodeType() != dntDataSetRecordVz) {
        InstantReadEnterRow(dataRow);
        TGroupFinallyVz leave([this] { InstantReadLeaveRow(); });
        if (node->NodeType() == dntDataGroupVz) DrawGroupRowCell(ACol, ARow, ARect, node, State);
        else DrawGroupFooterRowCell(dataCol, ARect, node, State);
        return;
    }
    if (node && col == FirstVisibleColumn() && FExtraFirstColumnWidth > 0) ARect = DrawDataRowGroupIndent(ARect, node);
    // A record row outside grouping stays entered for the rest of its cells (the current record
    // is read where it is); a group-tree record is entered per cell.
    bool leave = false;
    if (node) {
        InstantReadEnterRow(dataRow);
        leave = true;
    } else if (FPaintHeldRow != dataRow) {
        ReleasePaintHeldRow();
        if (!IsCurrentDataRow(dataRow)) {
            InstantReadEnterRow(dataRow);
            FPaintHeldRow = dataRow;
        }
    }
    try {
        if (FRowDetailPanel->Visible() && ARow == FRowDetailGridRow && ARect.Height() > FStdDefaultRowHeight) {
            // Under the record's cells the panel's control; the strip left of it takes the grid colour.
            c->Brush()->SetColor(Color());
            c->FillRect(TRect{ARect.Left, ARect.Top + FStdDefaultRowHeight, ARect.Right, ARect.Bottom});
            ARect.Bottom = ARect.Top + FStdDefaultRowHeight;
        }
        if (col == FirstVisibleColumn() && TreeViewMode()) ARect = DrawCellTreeArea(ARect, State);
        if (col == FirstVisibleColumn() && FRowDetailPanel->Active())
            ARect.Left += DrawRowDetailPanelSign(dataRow, ARect, State);
        TColCellParamsVz p;
        col->FillColCellParams(&p);
        p.FCol = ACol;
        p.FRow = ARow;
        p.FState = State;
        if (DataCellSelectedForPaint(dataCol)) p.FState += TGridDrawState{gdSelected, gdRowSelected};
        col->GetColCellParams(false, &p);
        DefaultDrawDataCell(TGridCoord{ACol, ARow}, TGridCoord{dataCol, dataRow}, col, ARect, &p);
        if (OnDrawColumnCell) OnDrawColumnCell(this, ARect, dataCol, col, State);
    } catch (...) {
        if (leave) InstantReadLeaveRow();
        ReleasePaintHeldRow();
        throw;
    }
    if (leave) InstantReadLeaveRow();
}

// ---- titles ------------------------------------------------------------------------------------

namespace {
// One title box: fill, optional raised frame, text (word-wrapped when it has room) and the sort marker.
void PaintTitleBoxVz(TCustomDBGridVz* G, TCanvas* C, TRect R, const String& Text, TColumnVz* Column, bool Leaf,
                     bool Pressed) {
    TFont* font = Column && Leaf ? Column->Title()->Font() : G->TitleFont();
    TColor back = Column && Leaf ? Column->Title()->Color() : G->TitleParams()->Color();
    TSortMarkerVz marker = Column && Leaf ? Column->Title()->SortMarker() : smNoneVz;
    C->Font()->Assign(font);
    if (Leaf && Column && G->OnGetBtnParams) G->OnGetBtnParams(G, Column, C->Font(), back, marker, Pressed);
    C->Brush()->SetColor(back);
    C->FillRect(R);
    if (G->OptionsVz().Contains(dghFixed3D) && !G->Flat()) {
        // Raised edge: light top-left, shadow bottom-right.
        C->Pen()->SetColor(Pressed ? clBtnShadow : clBtnHighlight);
        C->MoveTo(R.Left, R.Bottom - 1);
        C->LineTo(R.Left, R.Top);
        C->LineTo(R.Right - 1, R.Top);
        C->Pen()->SetColor(Pressed ? clBtnHighlight : clBtnShadow);
        C->MoveTo(R.Right - 1, R.Top);
        C->LineTo(R.Right - 1, R.Bottom - 1);
        C->LineTo(R.Left - 1, R.Bottom - 1);
    }
    TRect tr = R;
    if (marker != smNoneVz && Column) {
        TDBGridVzStyle* st = G->Style();
        const TSize sz = st->GetSortMarkerSize(G->TitleParams()->SortMarkerStyle());
        const int mw = Column->Title()->GetSortMarkingWidth();
        if (mw > 0) {
            const int idx = Column->Title()->SortIndex();
            int x = R.Right - mw + (16 - sz.cx) / 2 - 1;
            const int y = R.Top + (R.Height() - sz.cy) / 2;
            st->DrawSortMarker(C, G->TitleParams()->SortMarkerStyle(), TRect{x, y, x + sz.cx - 1, y + sz.cy - 1},
                               false, marker, G->GridLineColors()->GetDarkColor(), G->GridLineColors()->GetBrightColor());
            if (G->SortMarkedColumns().Count() >= 2 && mw > 16) {
                TFont f;
                f.SetName(u"Arial"_S);
                f.SetHeight(-7);
                f.SetColor(C->Font()->Color());
                TFont keep;
                keep.Assign(C->Font());
                C->Font()->Assign(&f);
                C->Brush()->SetStyle(bsClear);
                C->TextOut(x + sz.cx + 1, y - 1, IntToStr(idx));
                C->Brush()->SetStyle(bsSolid);
                C->Font()->Assign(&keep);
            }
            tr.Right -= mw;
        }
    }
    const TAlignment al = Column && Leaf ? Column->Title()->Alignment() : taCenter;
    const bool ellipsis = Column && Leaf ? Column->Title()->EndEllipsis() : false;
    C->Brush()->SetColor(back);
    WriteCellTextVz(C, tr, false, 2, 2, Text, al, tlCenter, true, ellipsis, 0, 0, false, false);
}
}  // namespace

void TCustomDBGridVz::DefaultDrawTitleCell(int ACol, const TRect& ARect, TColumnVz* Column, TGridDrawState State) {
    TCanvas* c = Canvas();
    const bool pressed = State.Contains(gdPressed);
    if (!Column) {
        c->Brush()->SetColor(FTitleParams->Color());
        c->FillRect(ARect);
        return;
    }
    const int dataCol = Column->Index();
    if (!IsUseMultiTitle() || dataCol >= static_cast<int>(FLeafFieldArr.size()) || !FLeafFieldArr[static_cast<std::size_t>(dataCol)]) {
        PaintTitleBoxVz(this, c, ARect, Column->Title()->Caption(), Column, true, pressed);
        return;
    }
    TDBGridMultiTitleNodeVz* leaf = FLeafFieldArr[static_cast<std::size_t>(dataCol)];
    std::vector<TDBGridMultiTitleNodeVz*> chain;
    for (TDBGridMultiTitleNodeVz* n = leaf->ParentNode(); n && n->NodeType != gmtnRootVz; n = n->ParentNode())
        chain.insert(chain.begin(), n);
    TTitleClipVz clip(c, ARect);
    const bool vlines = FTitleParams->VertLines();
    const TColor lineColor = FTitleParams->GetVertLineColor();
    int y = ARect.Top;
    auto rightLine = [&](const TRect& r) {
        if (!vlines) return;
        c->Pen()->SetColor(lineColor);
        c->MoveTo(r.Right - 1, r.Top);
        c->LineTo(r.Right - 1, r.Bottom);
    };
    for (TDBGridMultiTitleNodeVz* n : chain) {
        // A super-title spans the cells of its first through its last column.
        const TRect a = CellRectAbs(DataColToGridCol(FirstLeafOf(n)->Column->Index()), 0);
        const TRect b = CellRectAbs(DataColToGridCol(LastLeafOf(n)->Column->Index()), 0);
        TRect r{a.Left, y, b.Right, y + n->Height};
        TRect box = r;
        if (FOptions.Contains(dgRowLines)) box.Bottom -= 1;
        if (vlines) box.Right -= 1;
        PaintTitleBoxVz(this, c, box, n->Text(), nullptr, false, false);
        if (FOptions.Contains(dgRowLines)) {
            c->Pen()->SetColor(FTitleParams->GetHorzLineColor());
            c->MoveTo(r.Left, r.Bottom - 1);
            c->LineTo(r.Right, r.Bottom - 1);
        }
        rightLine(r);
        y = r.Bottom;
    }
    TRect r{ARect.Left, y, ARect.Right, ARect.Bottom};
    TRect box = r;
    if (vlines) box.Right -= 1;
    PaintTitleBoxVz(this, c, box, leaf->Text(), Column, true, pressed);
    rightLine(r);
}

void TCustomDBGridVz::DrawColumnTitleTo(TCanvas* C, const TRect& ARect, TColumnVz* Column) {
    const int dataCol = Column->Index();
    const bool multi = IsUseMultiTitle() && dataCol < static_cast<int>(FLeafFieldArr.size()) &&
                       FLeafFieldArr[static_cast<std::size_t>(dataCol)];
    const String text = multi ? FLeafFieldArr[static_cast<std::size_t>(dataCol)]->Text() : Column->Title()->Caption();
    PaintTitleBoxVz(this, C, ARect, text, Column, true, false);
}

// ---- indicator ---------------------------------------------------------------------------------

void TCustomDBGridVz::DefaultDrawIndicatorCell(int ARow, const TRect& ARect, TGridDrawState) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(ARow < TitleRowCount() ? FTitleParams->Color() : FIndicatorParams->Color());
    c->FillRect(ARect);
    if (FOptionsVz.Contains(dghFixed3D) && !Flat()) {
        c->Pen()->SetColor(clBtnHighlight);
        c->MoveTo(ARect.Left, ARect.Bottom - 1);
        c->LineTo(ARect.Left, ARect.Top);
        c->LineTo(ARect.Right - 1, ARect.Top);
        c->Pen()->SetColor(clBtnShadow);
        c->MoveTo(ARect.Right - 1, ARect.Top);
        c->LineTo(ARect.Right - 1, ARect.Bottom - 1);
        c->LineTo(ARect.Left - 1, ARect.Bottom - 1);
    }
    const int dataRow = ARow - TopDataOffset();
    if (ARow < TopDataOffset() || ARow >= RowCount() || !DataSetActive() ||
        dataRow >= InstantReadRecordCount() || DataLink()->DataSet()->IsEmpty())
        return;
    int textRight = ARect.Right;
    if (FOptions.Contains(dgIndicator) && IsCurrentDataRow(dataRow)) {
        // The current-row arrow: a small black triangle pointing right.
        const int cy = (ARect.Top + ARect.Bottom) / 2;
        const int x = ARect.Right - 9;
        c->Pen()->SetColor(clBlack);
        for (int i = 0; i < 4; ++i) {
            c->MoveTo(x + i, cy - 3 + i);
            c->LineTo(x + i, cy + 4 - i);
        }
        textRight -= 11;
    }
    if (FOptionsVz.Contains(dghShowRecNo)) {
        const int recNo = dataRow + 1;
        if (recNo % FIndicatorParams->RecNoShowStep() == 0) {
            c->Font()->Assign(Font());
            c->Font()->SetSize(Font()->Size() - 1);
            c->Brush()->SetColor(FIndicatorParams->Color());
            WriteCellTextVz(c, TRect{ARect.Left, ARect.Top, textRight, ARect.Bottom}, false, 2, 2, IntToStr(recNo),
                            taRightJustify, tlCenter, false, false, 0, 0, false, true);
        }
    }
}

// ---- the empty-data text -----------------------------------------------------------------------

TGridEmptyDataInfoVz::TGridEmptyDataInfoVz(TCustomDBGridVz* AGrid) : FGrid(AGrid) {
    RefreshDefaultFont();
    FFont.SetColor(clGray);
    FFont.OnChange = [this](TObject*) {
        if (FFontSyncing) return;
        FParentFont = false;
        FGrid->Invalidate();
    };
}

void TGridEmptyDataInfoVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    FGrid->Invalidate();
}

void TGridEmptyDataInfoVz::SetText(const String& Value) {
    if (FText == Value) return;
    FText = Value;
    FGrid->Invalidate();
}

void TGridEmptyDataInfoVz::SetParentFont(bool Value) {
    FParentFont = Value;
    RefreshDefaultFont();
    FGrid->Invalidate();
}

void TGridEmptyDataInfoVz::RefreshDefaultFont() {
    if (!FParentFont) return;
    FFontSyncing = true;
    FFont.SetSize(FGrid->Font()->Size());
    FFont.SetName(FGrid->Font()->Name());
    FFont.SetCharset(FGrid->Font()->Charset());
    FFontSyncing = false;
}

String TGridEmptyDataInfoVz::TextToShow() const {
    return FText.isEmpty() ? GetViZevLanguageConsts()->NoDataVz() : FText;
}

bool TGridEmptyDataInfoVz::Showing() {
    if (!FActive || TextToShow().isEmpty()) return false;
    TDataSet* ds = FGrid->DataLink() ? FGrid->DataLink()->DataSet() : nullptr;
    return ds && ds->Active() && ds->IsEmpty();
}

TRect TGridEmptyDataInfoVz::GetDrawRect(TCanvas* Canvas) {
    Canvas->Font()->Assign(&FFont);
    const String text = TextToShow();
    const TRect client = FGrid->ClientRect();
    int left = 10, top = 10;
    for (int i = 0; i < FGrid->FixedColCount() - FGrid->FrozenColCount(); ++i) left += FGrid->ColWidths(i);
    for (int i = 0; i < FGrid->FixedRowCount() - FGrid->FrozenRowCount(); ++i) top += FGrid->RowHeights(i);
    const TRect area{left, top, client.Right - 10, client.Bottom - 10};
    int w = Canvas->TextWidth(text), h = Canvas->TextHeight(text) + 2;
    if (w > area.Width()) {
        TRect r{0, 0, std::max(1, area.Width()), 0};
        DrawText(Canvas->Handle(), text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        w = area.Width();
        h = r.Height() + 2;
    }
    const int x = area.Left + (area.Width() - w) / 2, y = area.Top + (area.Height() - h) / 2;
    return TRect{x, y, x + w, y + h};
}

void TGridEmptyDataInfoVz::PaintEmptyDataInfo(TCanvas* Canvas) {
    const TRect r = GetDrawRect(Canvas);
    const TRect box{r.Left - 5, r.Top - 5, r.Right + 5, r.Bottom + 5};
    Canvas->Brush()->SetColor(FGrid->Color());
    Canvas->FillRect(box);
    WriteCellTextVz(Canvas, r, false, 0, 0, TextToShow(), taCenter, tlTop, true, false, 0, 0, false, false);
    if (FGrid->OptionsVz().Contains(dghExtendVertLines)) {
        Canvas->Brush()->SetColor(BlendColorsVz(FFont.Color(), FGrid->Color(), 192));
        Canvas->FrameRect(TRect{box.Left - 1, box.Top - 1, box.Right + 1, box.Bottom + 1});
    }
}
