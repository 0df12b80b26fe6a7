// The data grid's mouse: title buttons and sorting by a title click, selection of records in the
// indicator (or in a row-select grid), of cell rectangles by dragging or Shift+click, of columns in
// the strip at the bottom of the titles, scrolling while a selection is dragged outside the data
// area, and copying the selection. Column sizing and moving are the base grid's.
#include "grid/dbgrid/dbgridvz.h"

#include "grid/axis/axisgridlinkvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/dbgridfilterhostvz.h"
#include "grid/dbgrid/detailpanelvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/titledragwinvz.h"
#include "platform/db/datasource.h"
#include "platform/gui/clipbrd.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A move counts as a drag once the pointer is this far from the press.
constexpr int MouseDragThresholdVz = 3;
// The strip at the bottom of a title cell that selects columns.
constexpr int ColSelectionStripHeightVz = 7;

}  // namespace

// ---- selection helpers --------------------------------------------------------------------------

void TCustomDBGridVz::ClearSelectionIfAllowed() {
    if (FOptionsVz.Contains(dghClearSelection)) FSelection->Clear();
    FSelecting = false;
}

void TCustomDBGridVz::MoveAndSelect(bool Select, int Distance, bool RowMode, bool ToEnd) {
    if (!DataLink() || !DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (RowMode || FOptions.Contains(dgRowSelect)) {
        const bool extending = Select && IsSelectionTypeAllowed(gstRecordBookmarks);
        const int step = Distance >= 0 ? 1 : -1;
        int left = std::abs(Distance);
        const bool disable = extending && (ToEnd || left >= DataLink()->RecordCount());
        BeginUpdate();
        FSelectedRows->BeginUpdate();
        ++FLockRowPosFromDatasetPos;
        if (disable) ds->DisableControls();
        bool early = false;
        try {
            while (ToEnd || left > 0) {
                bool reachSelected = false;
                if (FOptions.Contains(dgMultiSelect)) {
                    if (!extending) {
                        ClearSelectionIfAllowed();
                    } else if (FSelecting) {
                        // Stepping back toward the anchor gives the row left behind its state from
                        // before the range; stepping away marks the row reached.
                        const int order = ds->CompareBookmarks(ds->Bookmark(), FSelectionAnchor);
                        if (order != 0 && (order > 0) != (step > 0)) {
                            FSelectedRows->SetCurrentRowSelected(FAntiSelection ? FSelectionAnchorSelected : false);
                        } else {
                            reachSelected = true;
                        }
                    } else {
                        FSelectionAnchor = ds->Bookmark();
                        FSelectionAnchorSelected = FSelectedRows->CurrentRowSelected();
                        FSelectedRows->SetCurrentRowSelected(FAntiSelection ? !FSelectionAnchorSelected : true);
                        FSelecting = true;
                        reachSelected = true;
                    }
                }
                if (ds->MoveBy(step) == 0) {
                    early = true;
                    break;
                }
                if (reachSelected)
                    FSelectedRows->SetCurrentRowSelected(FAntiSelection ? !FSelectionAnchorSelected : true);
                if (!ToEnd) --left;
            }
        } catch (...) {
            if (disable) ds->EnableControls();
            --FLockRowPosFromDatasetPos;
            FSelectedRows->EndUpdate();
            EndUpdate();
            throw;
        }
        if (disable) ds->EnableControls();
        --FLockRowPosFromDatasetPos;
        FSelectedRows->EndUpdate();
        EndUpdate();
        if (early) return;
    } else if (Select && IsSelectionTypeAllowed(gstRectangle)) {
        BeginUpdate();
        try {
            const int col = std::max(0, GetSelectedIndex());
            if (FSelection->SelectionType() != gstRectangle) FSelection->Rect()->Select(col, ds->Bookmark(), false);
            if (!ToEnd) ds->MoveBy(Distance);
            else if (Distance == 1) ds->Last();
            else ds->First();
            FSelection->Rect()->Select(col, ds->Bookmark(), true);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    } else {
        ds->MoveBy(Distance);
    }
    if (UpdateLock() == 0 && HandleAllocated()) Update();
}

void TCustomDBGridVz::CopySelectionToClipboard() {
    if (!DataLink() || !DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    TColumnsVzList cols;
    const TDBGridVzSelectionType kind = FOptions.Contains(dgMultiSelect) ? FSelection->SelectionType() : gstNon;
    if (kind == gstNon) {
        const int i = GetSelectedIndex();
        if (i < 0 || i >= Columns()->Count() || ds->IsEmpty()) return;
        Clipboard()->SetAsText(Columns()->Items(i)->DisplayText());
        return;
    }
    int lo = 0;
    int hi = Columns()->Count() - 1;
    if (kind == gstRectangle) {
        lo = FSelection->Rect()->LeftCol();
        hi = FSelection->Rect()->RightCol();
    }
    for (int i = std::max(0, lo); i <= hi && i < Columns()->Count(); ++i) {
        TColumnVz* c = Columns()->Items(i);
        if (c->Visible() && (kind != gstColumns || FSelection->Columns()->IndexOf(c) >= 0)) cols.Add(c);
    }
    String text;
    auto line = [&] {
        for (int i = 0; i < cols.Count(); ++i) {
            if (i > 0) text += u'\t';
            text += cols.Items(i)->DisplayText();
        }
        text += u"\r\n"_S;
    };
    const TBookmark back = ds->Bookmark();
    ds->DisableControls();
    try {
        if (kind == gstRecordBookmarks) {
            for (int i = 0; i < FSelectedRows->Count(); ++i) {
                if (!ds->BookmarkValid(FSelectedRows->Items(i))) continue;
                ds->GotoBookmark(FSelectedRows->Items(i));
                line();
            }
        } else if (kind == gstRectangle) {
            const TBookmark bottom = FSelection->Rect()->BottomRow();
            ds->GotoBookmark(FSelection->Rect()->TopRow());
            while (!ds->Eof()) {
                line();
                if (ds->CompareBookmarks(ds->Bookmark(), bottom) >= 0) break;
                ds->Next();
            }
        } else {
            for (ds->First(); !ds->Eof(); ds->Next()) line();
        }
    } catch (...) {
        if (!back.empty() && ds->BookmarkValid(back)) ds->GotoBookmark(back);
        ds->EnableControls();
        throw;
    }
    if (!back.empty() && ds->BookmarkValid(back)) ds->GotoBookmark(back);
    ds->EnableControls();
    Clipboard()->SetAsText(text);
}

// ---- hit tests ---------------------------------------------------------------------------------

bool TCustomDBGridVz::InColumnSelectionStrip(int X, int Y) {
    if (!FOptions.Contains(dgTitles) || FOptions.Contains(dgRowSelect) || !IsSelectionTypeAllowed(gstColumns))
        return false;
    const TGridCoord c = MouseCoord(X, Y);
    if (c.Y != 0 || GridColToDataCol(c.X) < 0) return false;
    const TRect r = CellRect(c.X, 0);
    return Y >= std::max(r.Top, r.Bottom - ColSelectionStripHeightVz) && Y < r.Bottom;
}

TCursor TCustomDBGridVz::GetCursorAt(const TPoint& P) {
    const TCursor base = TCustomDBAxisGridVz::GetCursorAt(P);
    if (base != crDefault || GridState() != gsNormalVz || FDBGridVzState != dgsNormal) return base;
    if (InColumnSelectionStrip(P.X, P.Y)) return crUpArrow;
    return base;
}

void TCustomDBGridVz::UpdateCellTextBoundsAtPos(int ACol, int ARow) {
    const int dataCol = GridColToDataCol(ACol);
    const int dataRow = ARow - TopDataOffset();
    if (!DataSetActive() || dataCol < 0 || dataCol >= Columns()->Count() || dataRow < 0 ||
        dataRow >= InstantReadRecordCount() || ARow >= RowCount())
        return;
    InstantReadEnterRow(dataRow);
    try {
        UpdateCellTextBounds(ACol, ARow, Columns()->Items(dataCol));
    } catch (...) {
        InstantReadLeaveRow();
        throw;
    }
    InstantReadLeaveRow();
}

// ---- press -------------------------------------------------------------------------------------

void TCustomDBGridVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FStartShiftState = Shift;
    FPressedDataCol = -1;
    FDownMousePos = TPoint(X, Y);
    FMoveMousePos = TPoint(X, Y);
    if (FilterRowMouseDown(Button, Shift, X, Y)) return;
    if (GroupRowSignMouseDown(Button, Shift, X, Y)) return;
    if (Button == mbLeft && CellTreeElementMouseDown(X, Y, false)) return;
    if (Button == mbLeft && RowDetailPanelSignAtPos(X, Y)) {
        // The sign opens the panel under its row (made current first) or closes it.
        const bool wasCurrent = MouseCoord(X, Y).Y == Row();
        if (!wasCurrent) TCustomDBAxisGridVz::MouseDown(Button, Shift, X, Y);
        FRowDetailPanel->SetVisible(!(wasCurrent && FRowDetailPanel->Visible()));
        return;
    }
    if (!ComponentState().Contains(csDesigning) && CanFocus() && !Focused()) {
        SetFocus();
        if (!Focused()) return;
    }
    const TGridCoord cell = MouseCoord(X, Y);
    TGridStateVz sizing = gsNormalVz;
    {
        int index = 0, pos = 0, ofs = 0;
        DetectSizingAt(X, Y, sizing, index, pos, ofs);
    }
    // Double clicks and presses at a sizing position are the base grid's (it sizes the column).
    if (Shift.Contains(ssDouble) || sizing != gsNormalVz || cell.X < 0 || cell.Y < 0) {
        TCustomDBAxisGridVz::MouseDown(Button, Shift, X, Y);
        return;
    }
    const int dataCol = GridColToDataCol(cell.X);
    TColumnVz* column = dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->Items(dataCol) : nullptr;

    // Titles: the column-selection strip, then the title button; elsewhere the base grid moves columns.
    if (cell.Y < TitleRowCount()) {
        if (Button == mbLeft && column && InColumnSelectionStrip(X, Y)) {
            FDBGridVzState = dgsColSelecting;
            SetGridTimer(true, 60);
            if (Shift.Contains(ssShift)) FSelection->Columns()->SelectShift(column);
            else if (Shift.Contains(ssCtrl)) FSelection->Columns()->InvertSelect(column);
            else FSelection->Columns()->Select(column, false);
            Invalidate();
            return;
        }
        if (Button == mbLeft && column && cell.Y == 0) {
            bool enabled = column->Title()->TitleButton();
            if (enabled) CheckButton(dataCol, enabled);
            if (enabled) {
                FTracking = true;
                FTitlePressedLook = true;
                FPressedCol = cell.X;
                FPressedDataCol = dataCol;
                RepaintCell(cell.X, 0);
                return;
            }
        }
        TCustomDBAxisGridVz::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (cell.Y >= RowCount() || !DataLink() || !DataLink()->Active()) {
        TCustomDBAxisGridVz::MouseDown(Button, Shift, X, Y);
        return;
    }

    // Data rows.
    TDataSet* ds = DataLink()->DataSet();
    const bool indicator = cell.X < FIndicatorOffset;
    const bool multi = FOptions.Contains(dgMultiSelect);
    const bool shift = Shift.Contains(ssShift);
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool rectAllowed = IsSelectionTypeAllowed(gstRectangle);
    const bool checkBoxes = FIndicatorOptions.Contains(gioShowRowselCheckboxesVz);
    const int rowDiff = cell.Y - Row();
    const int oldCol = GetSelectedIndex();
    const TBookmark oldBookmark = ds->Bookmark();
    const bool wasCurrent = cell.X == Col() && cell.Y == Row();
    BeginUpdate();
    try {
        HideEdit();
        // A Shift+click that extends a record selection steps there itself.
        const bool stepLater = shift && multi && (FOptions.Contains(dgRowSelect) || indicator);
        if (!stepLater || rowDiff == 0) MoveCurrentCell(indicator ? Col() : cell.X, cell.Y, true, true);
        else if (!indicator) MoveCurrentCell(cell.X, Row(), true, true);

        // Dragging in the data area: a rectangle of cells.
        if (!indicator && (!multi || !FOptions.Contains(dgRowSelect))) {
            FTracking = true;
            FDataTracking = true;
            if (!ctrl && !shift && FOptionsVz.Contains(dghClearSelection)) {
                const bool keep = Button == mbRight && column && FSelection->DataCellSelected(dataCol, ds->Bookmark());
                if (!keep) ClearSelectionIfAllowed();
            }
            if (column && rectAllowed && Button == mbLeft && !ds->IsEmpty()) {
                if (shift) {
                    if (FSelection->SelectionType() != gstRectangle)
                        FSelection->Rect()->Select(std::max(0, oldCol), oldBookmark, false);
                    FSelection->Rect()->Select(dataCol, ds->Bookmark(), true);
                } else if (FOptionsVz.Contains(dghClearSelection)) {
                    FSelection->Clear();
                    FSelection->Rect()->Select(dataCol, ds->Bookmark(), false);
                } else {
                    FSelection->Rect()->Select(dataCol, ds->Bookmark(), false);
                }
                FDBGridVzState = dgsRectSelecting;
            }
        }

        // Marking records: in the indicator, in a row-select grid, or where rectangles are not allowed.
        if (IsSelectionTypeAllowed(gstRecordBookmarks) && Button == mbLeft &&
            ((FOptions.Contains(dgRowSelect) && !checkBoxes) || indicator || (!rectAllowed && !checkBoxes))) {
            if (shift && rowDiff != 0 && !FSelectionAnchor.empty()) {
                // The range runs from the anchor of the earlier press to the row clicked.
                FSelecting = true;
                FAntiSelection = true;
                MoveAndSelect(true, rowDiff, true, false);
            } else {
                FSelecting = false;
                if (ctrl || !FOptionsVz.Contains(dghClearSelection) || checkBoxes) {
                    FSelectedRows->SetCurrentRowSelected(!FSelectedRows->CurrentRowSelected());
                } else {
                    FSelection->BeginUpdate();
                    try {
                        FSelection->Clear();
                        FSelectedRows->SetCurrentRowSelected(true);
                    } catch (...) {
                        FSelection->EndUpdate();
                        throw;
                    }
                    FSelection->EndUpdate();
                }
                FSelectionAnchor = ds->Bookmark();
                FSelectionAnchorSelected = !FSelectedRows->CurrentRowSelected();
                FAntiSelection = ctrl || !FOptionsVz.Contains(dghClearSelection) || checkBoxes;
            }
            if (FOptions.Contains(dgRowSelect) || !rectAllowed || indicator) {
                FIndicatorPressed = true;
                FTracking = true;
                FSelecting = true;
                FDBGridVzState = dgsRowSelecting;
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    // A press on the current cell of an editable grid opens the editor, as the base grid does.
    if (Button == mbLeft && !indicator && !shift && !ctrl && (wasCurrent || FOptions.Contains(dgAlwaysShowEditor)) &&
        AllowsAutoShowEditor() && FDBGridVzState != dgsRectSelecting)
        ShowEditor();
    TCustomControlVz::MouseDown(Button, Shift, X, Y);
}

// ---- move --------------------------------------------------------------------------------------

void TCustomDBGridVz::MouseMove(TShiftState Shift, int X, int Y) {
    const TPoint before = FMoveMousePos;
    FMoveMousePos = TPoint(X, Y);

    // A held title button: the pressed look follows the pointer; a drag moves the column.
    if (FTracking && FPressedCol >= 0) {
        const TGridCoord c = MouseCoord(X, Y);
        const bool look = c.X == FPressedCol && c.Y == 0;
        if (look != FTitlePressedLook) {
            FTitlePressedLook = look;
            RepaintCell(FPressedCol, 0);
        }
        if (std::abs(X - FDownMousePos.X) > MouseDragThresholdVz ||
            std::abs(Y - FDownMousePos.Y) > MouseDragThresholdVz) {
            if (!FOptionsVz.Contains(dghColumnMove)) return;
            FTracking = false;
            FTitlePressedLook = false;
            RepaintCell(FPressedCol, 0);
            FPressedCol = -1;
            // The base grid takes the press from where it happened and moves the column.
            TCustomDBAxisGridVz::MouseDown(mbLeft, FStartShiftState, FDownMousePos.X, FDownMousePos.Y);
        } else {
            return;
        }
    }

    if (FIndicatorPressed || FDataTracking || FDBGridVzState == dgsRectSelecting) {
        const TRect data = DataRect();
        const int cx = std::clamp(X, data.Left, std::max(data.Left, data.Right - 1));
        const int cy = std::clamp(Y, data.Top, std::max(data.Top, data.Bottom - 1));
        const TGridCoord c = MouseCoord(cx, cy);
        const bool moved = before.X != X || before.Y != Y;
        const bool left = Shift.Contains(ssLeft);
        if (Y > data.Top && Y < data.Bottom && c.Y >= TopDataOffset() && c.Y < RowCount() && c.Y != Row())
            MoveAndSelect(left && moved, c.Y - Row(), FDBGridVzState != dgsRectSelecting, false);
        if (FDataTracking && X > data.Left && X < data.Right && c.X >= FIndicatorOffset && c.X != Col()) {
            MoveCurrentCell(c.X, Row(), true, true);
            if (FDBGridVzState == dgsRectSelecting && left)
                FSelection->Rect()->Select(GridColToDataCol(c.X), DataLink()->DataSet()->Bookmark(), moved);
        }
        if (FDBGridVzState == dgsRectSelecting && left && FSelection->SelectionType() != gstRectangle &&
            FSelection->Rect()->Anchor().Col >= 0 && GridColToDataCol(c.X) >= 0)
            FSelection->Rect()->Select(GridColToDataCol(c.X), DataLink()->DataSet()->Bookmark(), true);
        FDownMousePos = TPoint(X, Y);
        FMouseShift = Shift;
        AutoScrollSelecting();
        return;
    }

    if (FDBGridVzState == dgsColSelecting) {
        const TRect data = DataRect();
        const TGridCoord c = MouseCoord(X, std::max(0, data.Top - 1));
        const int dc = GridColToDataCol(c.X);
        if (X >= data.Left && X < data.Right && dc >= 0 && dc < Columns()->Count())
            FSelection->Columns()->SelectShift(Columns()->Items(dc));
        else AutoScrollSelecting();
        return;
    }
    TCustomDBAxisGridVz::MouseMove(Shift, X, Y);
}

TRect TCustomDBGridVz::DataRect() {
    // From the first scrolling data pixel to the end of the last data row or column shown.
    const TRect cr = ClientRect();
    int left = 0;
    for (int i = 0; i < FixedColCount() && i < ColCount(); ++i) left += ColWidths(i) + GridLineWidth();
    int top = 0;
    for (int i = 0; i < TopDataOffset() && i < RowCount(); ++i) top += RowHeights(i) + GridLineWidth();
    const TRect last = CellRect(std::max(FixedColCount(), LastFullVisibleCol()), std::max(TopDataOffset(), LastFullVisibleRow()));
    return TRect(left, top, std::min(cr.Right, std::max(left + 1, last.Right)), std::min(cr.Bottom, std::max(top + 1, last.Bottom)));
}

void TCustomDBGridVz::AutoScrollSelecting() {
    const TRect data = DataRect();
    if (FDBGridVzState == dgsColSelecting) {
        const TPoint p = FMoveMousePos;
        if (p.X >= data.Right) {
            if (LastFullVisibleCol() < ColCount() - 1) SetLeftCol(LeftCol() + 1);
            const int dc = GridColToDataCol(std::min(LastFullVisibleCol(), ColCount() - 1));
            if (dc >= 0) FSelection->Columns()->SelectShift(Columns()->Items(dc));
            SetGridTimer(true, std::max(0, 200 - 10 * (p.X - data.Right)));
        } else if (p.X < data.Left) {
            if (LeftCol() > FixedColCount()) SetLeftCol(LeftCol() - 1);
            const int dc = GridColToDataCol(LeftCol());
            if (dc >= 0) FSelection->Columns()->SelectShift(Columns()->Items(dc));
            SetGridTimer(true, std::max(0, 200 - 10 * (data.Left - p.X)));
        }
        return;
    }
    const TPoint p = FDownMousePos;
    int vdir = 0, vdist = 0, hdir = 0, hdist = 0;
    if (p.Y < data.Top) vdir = -1, vdist = data.Top - p.Y;
    else if (p.Y >= data.Bottom) vdir = 1, vdist = p.Y - data.Bottom + 1;
    if (p.X < data.Left) hdir = -1, hdist = data.Left - p.X;
    else if (p.X >= data.Right) hdir = 1, hdist = p.X - data.Right + 1;
    const int distance = std::max(vdist, hdist);
    if (distance == 0) {
        SetGridTimer(false, 0);
        return;
    }
    const int rows = std::min(distance / 6, 8);
    BeginUpdate();
    try {
        if (vdir != 0 && FDBGridVzState != dgsRectSelecting)
            MoveAndSelect(FMouseShift.Contains(ssLeft), vdir * std::max(1, rows), true, false);
        if (hdir != 0 && FDataTracking && FDBGridVzState != dgsRowSelecting) {
            const int to = std::clamp(Col() + hdir, FIndicatorOffset, ColCount() - 1);
            if (to != Col()) MoveCurrentCell(to, Row(), true, true);
        }
        if (FDBGridVzState == dgsRectSelecting && FMouseShift.Contains(ssLeft)) {
            if (vdir != 0) DataLink()->DataSet()->MoveBy(vdir * std::max(1, rows));
            FSelection->Rect()->Select(std::max(0, GetSelectedIndex()), DataLink()->DataSet()->Bookmark(), true);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (HandleAllocated()) Update();
    SetGridTimer(true, std::max(0, 200 - 15 * distance));
}

void TCustomDBGridVz::GridTimerEvent(TObject* Sender) {
    if (FIndicatorPressed || FDataTracking || FDBGridVzState == dgsColSelecting) {
        AutoScrollSelecting();
        return;
    }
    TCustomDBAxisGridVz::GridTimerEvent(Sender);
}

// ---- release -----------------------------------------------------------------------------------

void TCustomDBGridVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TDBGridVzState oldState = FDBGridVzState;
    const TGridStateVz baseState = GridState();
    FDBGridVzState = dgsNormal;
    const TGridCoord cell = MouseCoord(X, Y);
    const bool inClient = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();

    // A held title button: a release on the same title is a click; it sorts.
    if (FTracking && FPressedCol >= 0) {
        const int pressed = FPressedCol;
        const int dataCol = FPressedDataCol;
        const bool counts = inClient && cell.Y == 0 && cell.X == pressed;
        FTracking = false;
        FTitlePressedLook = false;
        FPressedCol = -1;
        RepaintCell(pressed, 0);
        if (oldState != dgsNormal) SetGridTimer(false, 0);
        TCustomDBAxisGridVz::MouseUp(Button, Shift, X, Y);
        if (!counts || dataCol < 0 || dataCol >= Columns()->Count()) return;
        TColumnVz* column = Columns()->Items(dataCol);
        TitleBtnClick(dataCol, column);
        const bool ctrl = Shift.Contains(ssCtrl);
        FSortMarking = ctrl;
        if (!DBGridVzCenter()->ColumnValueTypeIsComparable(FilterHost(), FilterHost()->STFilterColumn(dataCol)))
            throw Exception(GetViZevLanguageConsts()->SortingByThisColumnIsNotPossibleVz());
        if (FOptionsVz.Contains(dghAutoSortMarking)) column->Title()->SetNextSortMarkerValue(ctrl);
        if (!ctrl) SortMarkingChanged();
        TitleClick(column);
        return;
    }

    FSelecting = false;
    const bool wasTracking = FTracking || FIndicatorPressed || FDataTracking;
    FTracking = false;
    FDataTracking = false;
    FIndicatorPressed = false;
    if (oldState != dgsNormal || wasTracking) SetGridTimer(false, 0);
    TCustomDBAxisGridVz::MouseUp(Button, Shift, X, Y);
    if (baseState != gsNormalVz || Button != mbLeft || !inClient) return;
    const int dataCol = GridColToDataCol(cell.X);
    if (dataCol < 0 || dataCol >= Columns()->Count() || cell.Y < 0) return;
    if (cell.Y < TitleRowCount()) {
        if (oldState != dgsColSelecting) TitleClick(Columns()->Items(dataCol));
    } else if (cell.Y < RowCount()) {
        CellClick(Columns()->Items(dataCol));
    }
}

void TCustomDBGridVz::CancelMode() {
    const TDBGridVzState old = FDBGridVzState;
    if (FTracking && FPressedCol >= 0) RepaintCell(FPressedCol, 0);
    FTracking = false;
    FTitlePressedLook = false;
    FPressedCol = -1;
    FDataTracking = false;
    FIndicatorPressed = false;
    FSelecting = false;
    FDBGridVzState = dgsNormal;
    if (old != dgsNormal) SetGridTimer(false, 0);
    TCustomDBAxisGridVz::CancelMode();
}

// ---- the floating title of a moved column ------------------------------------------------------

void TCustomDBGridVz::DrawMove() {
    TCustomDBAxisGridVz::DrawMove();  // the marker line at the destination
    if (GridState() != gsColMovingVz || !HandleAllocated()) return;
    const int dataCol = GridColToDataCol(FMoveFromIndex);
    if (dataCol < 0 || dataCol >= Columns()->Count()) return;
    TColumnVz* column = Columns()->Items(dataCol);
    TDBGridTitleDragWin* win = TDBGridTitleDragWin::GetTitleDragWin();
    if (!win) return;
    const TRect cell = CellRect(FMoveFromIndex, 0);
    const int w = column->Width(), h = cell.Height();
    // One title height plus 5 pixels above the titles, at the grab offset from the pointer.
    const TPoint pos = ClientToScreen(TPoint(FMouseMovePos.X - FMoveFromCellOriginDistance, cell.Top - h - 5));
    const int idx = std::min(FMoveToIndex, ColCount() - 1);
    const TRect dest = CellRect(idx, 0);
    const bool after = FMovePosRightSite || FMoveToIndex > idx;
    const int markerX = ClientToScreen(TPoint(after ? dest.Right : dest.Left, 0)).X;
    const int markerSize = std::max(0, ClientHeight() - cell.Top);
    if (!FTitleDragShown) {
        FTitleDragShown = true;
        const TPoint from = ClientToScreen(TPoint(cell.Left, cell.Top));
        win->StartShowAnimated(column->Title(), TRect(from.X, from.Y, from.X + cell.Width(), from.Y + h), pos, w, h,
                               markerX, markerSize);
    } else {
        win->SetBounds(pos.X, pos.Y, w, h, markerX, markerSize);
    }
}

void TCustomDBGridVz::HideMove() {
    if (FTitleDragShown) {
        FTitleDragShown = false;
        if (TDBGridTitleDragWin* win = TDBGridTitleDragWin::GetTitleDragWin()) {
            // Into the destination cell, as wide as the moved column.
            const int idx = std::clamp(std::min(FMoveToIndex, ColCount() - 1), 0, std::max(0, ColCount() - 1));
            TRect r = CellRect(idx, 0);
            const int w = win->Width();
            if (FMoveToIndex > FMoveFromIndex) r.Left = r.Right - w;
            else r.Right = r.Left + w;
            const TPoint tl = ClientToScreen(TPoint(r.Left, r.Top));
            win->HideAnimated(TRect(tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height()));
        }
    }
    TCustomDBAxisGridVz::HideMove();
}
