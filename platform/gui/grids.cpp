#include "platform/gui/grids.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"

#include <QEvent>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace {

// The scroll bars' scale: positions 0..127 over what can be scrolled.
constexpr int MaxShortInt = 127;

const String SIndexOutOfRange = QStringLiteral("Grid index out of range");
const String SFixedColTooBig = QStringLiteral("Fixed column count must be less than column count");
const String SFixedRowTooBig = QStringLiteral("Fixed row count must be less than row count");
const String SGridStringsOp = QStringLiteral("Operation not supported on a grid's strings");

// A * B / C, rounded to the nearest, as MulDiv does; 0 when C is 0.
int LongMulDiv(int A, int B, int C) {
    if (C == 0) return 0;
    long long p = static_cast<long long>(A) * B;
    long long h = (C > 0 ? C : -C) / 2;
    return static_cast<int>(p >= 0 ? (p + h) / C : (p - h) / C);
}

TGridRect GridRect(TGridCoord A, TGridCoord B) {
    return {std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
}

void Restrict(TGridCoord& C, int MinX, int MinY, int MaxX, int MaxY) {
    C.X = std::max(MinX, std::min(C.X, MaxX));
    C.Y = std::max(MinY, std::min(C.Y, MaxY));
}

template <class T>
void MoveItem(std::vector<T>& V, int From, int To) {
    if (From == To || From < 0 || To < 0 || From >= static_cast<int>(V.size()) || To >= static_cast<int>(V.size()))
        return;
    T item = std::move(V[static_cast<size_t>(From)]);
    V.erase(V.begin() + From);
    V.insert(V.begin() + To, std::move(item));
}

}  // namespace

// ================================================================================================
// Axis layout

int TGridAxisDrawInfo::GetExtent(int Index) const {
    if (!Extents || Index < 0 || Index >= static_cast<int>(Extents->size())) return 0;
    return (*Extents)[static_cast<size_t>(Index)];
}

int TGridAxisDrawInfo::Span(int Index) const {
    int e = GetExtent(Index);
    return e < 0 ? 0 : e + EffectiveLineWidth;
}

// ================================================================================================
// TInplaceEdit

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
    FVisible = false;
    FTabStop = false;
    SetAutoSelect(false);
    OnChange = [this](TObject*) {
        if (FUpdating || !FGrid) return;
        if (FGrid->FInplaceCol < 0 || FGrid->FInplaceRow < 0) return;
        FGrid->SetEditText(FGrid->FInplaceCol, FGrid->FInplaceRow, Text());
    };
}

void TInplaceEdit::UpdateContents() {
    if (!FGrid) return;
    ++FUpdating;
    try {
        SetEditMask(String());
        SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
        SetEditMask(FGrid->GetEditMask(FGrid->Col(), FGrid->Row()));
        SetMaxLength(FGrid->GetEditLimit());
        SetReadOnly(!FGrid->CanEditModify());
    } catch (...) {
        --FUpdating;
        throw;
    }
    --FUpdating;
    SelectAll();
}

void TInplaceEdit::Move(const TRect& Loc) {
    SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
    if (!Visible()) Show();
}

void TInplaceEdit::TypeChar(Char Key) {
    Char k = Key;
    KeyPress(k);
    if (k.isNull() || IsMasked()) return;
    if (k == Char(8)) {
        if (SelLength() > 0) SetSelText(String());
        return;
    }
    SetSelText(String(k));
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    auto sendToParent = [&] {
        if (FGrid) FGrid->KeyDown(Key, Shift);
        Key = 0;
    };
    // Left/Right leave the text at its ends; Home/End move in it.
    auto atEdge = [&](bool Forward) {
        int len = static_cast<int>(EditText().size());
        if (SelLength() == len && len > 0) return false;  // everything selected: moves in the text
        return Forward ? SelStart() + SelLength() >= len : SelStart() == 0 && SelLength() == 0;
    };
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: sendToParent(); break;
    case VK_INSERT:
        if (Shift.Empty()) sendToParent();
        else if (Shift == TShiftState{ssShift} && FGrid && !FGrid->CanEditModify()) Key = 0;
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
        if (Shift.Contains(ssCtrl)) sendToParent();
        else if ((Key == VK_LEFT && atEdge(false)) || (Key == VK_RIGHT && atEdge(true))) sendToParent();
        break;
    case VK_DELETE:
        if (Shift.Contains(ssCtrl)) sendToParent();
        else if (FGrid && !FGrid->CanEditModify()) Key = 0;
        break;
    case VK_TAB:
        if (!Shift.Contains(ssAlt)) sendToParent();
        break;
    default: break;
    }
    if (Key != 0) TCustomMaskEdit::KeyDown(Key, Shift);
}

void TInplaceEdit::KeyPress(Char& Key) {
    if (FGrid) FGrid->KeyPress(Key);
    if (Key.isNull()) return;
    if (Key.unicode() >= 32 && FGrid && !FGrid->CanEditAcceptKey(Key)) {
        Key = Char();
        return;
    }
    switch (Key.unicode()) {
    case 9:
    case 13:
    case 27: Key = Char(); return;
    case 8:
    case 22:  // Ctrl+V
    case 24:  // Ctrl+X
        if (FGrid && !FGrid->CanEditModify()) Key = Char();
        break;
    default:
        if (Key.unicode() >= 32 && FGrid && !FGrid->CanEditModify()) Key = Char();
        break;
    }
    if (!Key.isNull()) TCustomMaskEdit::KeyPress(Key);
}

void TInplaceEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
        if (FGrid && FGrid->Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
        return;
    }
    TCustomMaskEdit::Dispatch(Message);
}

// ================================================================================================
// TCustomGrid

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
    FColor = clWindow;
    FParentColor = false;
    FTabStop = true;
    FWidth = 320;
    FHeight = 120;
    FColWidths.assign(static_cast<size_t>(FColCount), FDefaultColWidth);
    FRowHeights.assign(static_cast<size_t>(FRowCount), FDefaultRowHeight);
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid() = default;

QWidget* TCustomGrid::CreateWidget(QWidget* ParentWidget) {
    QWidget* w = TCustomControl::CreateWidget(ParentWidget);
    FHBar = new QScrollBar(Qt::Horizontal, w);
    FVBar = new QScrollBar(Qt::Vertical, w);
    for (QScrollBar* b : {FHBar, FVBar}) {
        b->hide();
        b->setRange(0, MaxShortInt);
        b->setSingleStep(1);
        b->setPageStep(8);
        b->setFocusPolicy(Qt::NoFocus);
        bool vertical = b == FVBar;
        QObject::connect(b, &QAbstractSlider::actionTriggered, w, [this, vertical](int Action) {
            GuardedCall(this, [&] { BarAction(vertical, Action); });
        });
        QObject::connect(b, &QAbstractSlider::sliderReleased, w, [this, vertical] {
            GuardedCall(this, [&] {
                QScrollBar* bar = vertical ? FVBar : FHBar;
                if (bar && !FBarSyncing) ModifyScrollBar(vertical ? SB_VERT : SB_HORZ, SB_THUMBPOSITION, bar->sliderPosition());
            });
        });
    }
    return w;
}

void TCustomGrid::InitWidget() {
    TCustomControl::InitWidget();
    UpdateScrollRange();
}

void TCustomGrid::DestroyWnd() {
    FHBar = nullptr;
    FVBar = nullptr;
    TCustomControl::DestroyWnd();
}

void TCustomGrid::BarAction(bool Vertical, int Action) {
    if (FBarSyncing) return;
    QScrollBar* bar = Vertical ? FVBar : FHBar;
    if (!bar) return;
    int code = -1;
    switch (Action) {
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    default: return;
    }
    int pos = bar->sliderPosition();
    ModifyScrollBar(Vertical ? SB_VERT : SB_HORZ, code, pos);
    // The bar shows where the grid went (for a drag without tracking: where the thumb is).
    if (code != SB_THUMBTRACK && (Vertical ? FVBar : FHBar)) {
        ++FBarSyncing;
        UpdateScrollPos();
        bar->setSliderPosition(bar->value());
        --FBarSyncing;
    }
}

TRect TCustomGrid::ClientRect() const {
    int w = FWidth, h = FHeight;
    if (FVertShown) w -= GetSystemMetrics(SM_CXVSCROLL);
    if (FHorzShown) h -= GetSystemMetrics(SM_CYHSCROLL);
    return TRect(0, 0, std::max(0, w), std::max(0, h));
}

void TCustomGrid::PlaceBars() {
    if (!FHandle || !FHBar) return;
    TRect cr = ClientRect();
    ++FBarSyncing;
    FHBar->setGeometry(0, cr.Bottom, cr.Width(), FHeight - cr.Bottom);
    FVBar->setGeometry(cr.Right, 0, FWidth - cr.Right, cr.Height());
    FHBar->setVisible(FHorzShown);
    FVBar->setVisible(FVertShown);
    --FBarSyncing;
    UpdateScrollPos();
}

void TCustomGrid::Resize() {
    UpdateScrollRange();
    UpdateEdit();
    TCustomControl::Resize();
}

// ---- size --------------------------------------------------------------------------------------

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount) {
    int oldCols = FColCount, oldRows = FRowCount;
    FColCount = NewColCount;
    FRowCount = NewRowCount;
    FColWidths.resize(static_cast<size_t>(NewColCount), FDefaultColWidth);
    FRowHeights.resize(static_cast<size_t>(NewRowCount), FDefaultRowHeight);
    if (FFixedCols > NewColCount) FFixedCols = NewColCount - 1;
    if (FFixedRows > NewRowCount) FFixedRows = NewRowCount - 1;
    auto clamp = [&](TGridCoord& c) {
        c.X = std::max(FFixedCols, std::min(c.X, NewColCount - 1));
        c.Y = std::max(FFixedRows, std::min(c.Y, NewRowCount - 1));
    };
    clamp(FCurrent);
    clamp(FAnchor);
    clamp(FTopLeft);
    if (FOptions.Contains(goRowSelect)) {
        FCurrent.X = FFixedCols;
        FAnchor.X = FColCount - 1;
    }
    // An edited cell that went with the size takes its text along.
    if (FInplaceCol >= NewColCount || FInplaceRow >= NewRowCount) {
        FInplaceCol = FInplaceRow = -1;
        if (FInplaceEdit) FInplaceEdit->Hide();
    }
    SizeChanged(oldCols, oldRows);
    UpdateScrollRange();
    // The top-left cell may now leave space unused at the end.
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord maxTL = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di);
    if (FTopLeft.X > maxTL.X || FTopLeft.Y > maxTL.Y)
        MoveTopLeft(std::min(FTopLeft.X, maxTL.X), std::min(FTopLeft.Y, maxTL.Y));
    if (FEditorMode || FOptions.Contains(goAlwaysShowEditor)) UpdateEdit();
    Invalidate();
}

void TCustomGrid::SetColCount(int Value) {
    if (Value < 1) Value = 1;
    if (Value == FColCount) return;
    if (Value <= FFixedCols) FFixedCols = Value - 1;
    ChangeSize(Value, FRowCount);
}

void TCustomGrid::SetRowCount(int Value) {
    if (Value < 1) Value = 1;
    if (Value == FRowCount) return;
    if (Value <= FFixedRows) FFixedRows = Value - 1;
    ChangeSize(FColCount, Value);
}

void TCustomGrid::SetFixedCols(int Value) {
    if (Value == FFixedCols) return;
    if (Value < 0) throw EInvalidGridOperation(SIndexOutOfRange);
    if (Value >= FColCount) throw EInvalidGridOperation(SFixedColTooBig);
    FFixedCols = Value;
    HideEditor();
    FTopLeft.X = Value;
    FCurrent.X = std::max(FCurrent.X, Value);
    FAnchor = FOptions.Contains(goRowSelect) ? TGridCoord{FColCount - 1, FCurrent.Y} : FCurrent;
    if (FOptions.Contains(goRowSelect)) FCurrent.X = Value;
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
    if (Value == FFixedRows) return;
    if (Value < 0) throw EInvalidGridOperation(SIndexOutOfRange);
    if (Value >= FRowCount) throw EInvalidGridOperation(SFixedRowTooBig);
    FFixedRows = Value;
    HideEditor();
    FTopLeft.Y = Value;
    FCurrent.Y = std::max(FCurrent.Y, Value);
    FAnchor = FOptions.Contains(goRowSelect) ? TGridCoord{FColCount - 1, FCurrent.Y} : FCurrent;
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    if (Value == FFixedColor) return;
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
    FDefaultColWidth = Value;
    std::fill(FColWidths.begin(), FColWidths.end(), Value);
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
    FDefaultRowHeight = Value;
    std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
    RowHeightsChanged();
}

int TCustomGrid::ColWidths(int Index) const {
    if (Index < 0 || Index >= FColCount) return FDefaultColWidth;
    return FColWidths[static_cast<size_t>(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value) {
    if (Index < 0 || Index >= FColCount) throw EInvalidGridOperation(SIndexOutOfRange);
    if (FColWidths[static_cast<size_t>(Index)] == Value) return;
    FColWidths[static_cast<size_t>(Index)] = Value;
    ColWidthsChanged();
}

int TCustomGrid::RowHeights(int Index) const {
    if (Index < 0 || Index >= FRowCount) return FDefaultRowHeight;
    return FRowHeights[static_cast<size_t>(Index)];
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
    if (Index < 0 || Index >= FRowCount) throw EInvalidGridOperation(SIndexOutOfRange);
    if (FRowHeights[static_cast<size_t>(Index)] == Value) return;
    FRowHeights[static_cast<size_t>(Index)] = Value;
    RowHeightsChanged();
}

void TCustomGrid::ColWidthsChanged() {
    UpdateScrollRange();
    UpdateEdit();
    Invalidate();
}

void TCustomGrid::RowHeightsChanged() {
    UpdateScrollRange();
    UpdateEdit();
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value) {
    Value = std::max(0, Value);
    if (Value == FGridLineWidth) return;
    FGridLineWidth = Value;
    ColWidthsChanged();
}

int TCustomGrid::GridWidth() const {
    TGridDrawInfo di;
    CalcFixedInfo(di);
    int w = 0;
    for (int i = 0; i < FColCount; ++i) w += di.Horz.Span(i);
    return w;
}

int TCustomGrid::GridHeight() const {
    TGridDrawInfo di;
    CalcFixedInfo(di);
    int h = 0;
    for (int i = 0; i < FRowCount; ++i) h += di.Vert.Span(i);
    return h;
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    if (Value == FOptions) return;
    if (!Value.Contains(goEditing)) HideEditor();
    FOptions = Value;
    if (FOptions.Contains(goRowSelect)) {
        HideEditor();
        FCurrent.X = FFixedCols;
        FAnchor = {FColCount - 1, FCurrent.Y};
    } else if (!FOptions.Contains(goRangeSelect)) {
        FAnchor = FCurrent;
    }
    if (FOptions.Contains(goAlwaysShowEditor)) SetEditorMode(true);
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars) return;
    FScrollBars = Value;
    UpdateScrollRange();
    Invalidate();
}

// ---- layout ------------------------------------------------------------------------------------

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& DrawInfo) const {
    auto fixed = [](TGridAxisDrawInfo& A, int LineWidth, int FixedCount, int First, int Count,
                    const std::vector<int>& Extents) {
        A.EffectiveLineWidth = LineWidth;
        A.FixedCellCount = FixedCount;
        A.FirstGridCell = First;
        A.GridCellCount = Count;
        A.Extents = &Extents;
        A.FixedBoundary = 0;
        for (int i = 0; i < FixedCount; ++i) A.FixedBoundary += A.Span(i);
    };
    int hl = FOptions.Contains(goVertLine) || FOptions.Contains(goFixedVertLine) ? FGridLineWidth : 0;
    int vl = FOptions.Contains(goHorzLine) || FOptions.Contains(goFixedHorzLine) ? FGridLineWidth : 0;
    fixed(DrawInfo.Horz, hl, FFixedCols, FTopLeft.X, FColCount, FColWidths);
    fixed(DrawInfo.Vert, vl, FFixedRows, FTopLeft.Y, FRowCount, FRowHeights);
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo& A, int Extent) const {
    A.GridExtent = Extent;
    A.GridBoundary = A.FixedBoundary;
    A.FullVisBoundary = A.FixedBoundary;
    A.LastFullVisibleCell = A.FirstGridCell;
    for (int i = A.FirstGridCell; i < A.GridCellCount; ++i) {
        A.GridBoundary += A.Span(i);
        if (A.GridBoundary > A.GridExtent + A.EffectiveLineWidth) {
            A.GridBoundary = A.GridExtent;
            break;
        }
        A.LastFullVisibleCell = i;
        A.FullVisBoundary = A.GridBoundary;
    }
    if (A.GridBoundary > A.GridExtent) A.GridBoundary = A.GridExtent;
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight) const {
    CalcFixedInfo(DrawInfo);
    CalcAxis(DrawInfo.Horz, UseWidth);
    CalcAxis(DrawInfo.Vert, UseHeight);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& DrawInfo) const {
    TRect cr = ClientRect();
    CalcDrawInfoXY(DrawInfo, cr.Width(), cr.Height());
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) const {
    auto calcMaxCell = [](const TGridAxisDrawInfo& A, int Start) {
        int result = Start;
        int line = A.GridExtent + A.EffectiveLineWidth;
        for (int i = Start; i >= A.FixedCellCount; --i) {
            line -= A.Span(i);
            if (line < A.FixedBoundary) {
                if (result == Start && A.GetExtent(Start) <= 0) result = i;
                break;
            }
            if (A.GetExtent(i) > 0) result = i;
        }
        return std::max(result, A.FixedCellCount);
    };
    return {calcMaxCell(DrawInfo.Horz, Coord.X), calcMaxCell(DrawInfo.Vert, Coord.Y)};
}

TGridCoord TCustomGrid::CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) const {
    auto calc = [](const TGridAxisDrawInfo& A, int N) {
        if (N < 0 || N >= A.GridBoundary) return -1;
        int start = 0;
        if (N < A.FixedBoundary) {
            for (int i = 0; i < A.FixedCellCount; ++i) {
                start += A.Span(i);
                if (N < start) return i;
            }
            return -1;
        }
        start = A.FixedBoundary;
        for (int i = A.FirstGridCell; i < A.GridCellCount; ++i) {
            start += A.Span(i);
            if (N < start) return i;
        }
        return -1;
    };
    return {calc(DrawInfo.Horz, X), calc(DrawInfo.Vert, Y)};
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord c = CalcCoordFromPoint(X, Y, di);
    if (c.X < 0) c.Y = -1;
    else if (c.Y < 0) c.X = -1;
    return c;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

void TCustomGrid::GridRectToScreenRect(const TGridRect& GridRect, TRect& ScreenRect, bool IncludeLine) const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    auto linePos = [](const TGridAxisDrawInfo& A, int Line) {
        int start = 0;
        if (Line < A.FixedCellCount) {
            for (int i = 0; i < Line; ++i) start += A.Span(i);
            return start;
        }
        start = A.FixedBoundary;
        for (int i = A.FirstGridCell; i < Line; ++i) start += A.Span(i);
        return start;
    };
    auto calcAxis = [&](const TGridAxisDrawInfo& A, int Min, int Max, int& SMin, int& SMax) {
        if (Min >= A.FixedCellCount && Min < A.FirstGridCell) {
            if (Max < A.FirstGridCell) return false;
            Min = A.FirstGridCell;
        }
        if (Max > A.LastFullVisibleCell) {
            Max = A.LastFullVisibleCell;
            if (Max < A.GridCellCount - 1) ++Max;
        }
        if (Min > Max) return false;
        SMin = linePos(A, Min);
        if (SMin >= A.GridExtent && Min >= A.FixedCellCount) return false;
        SMax = linePos(A, Max) + std::max(0, A.GetExtent(Max));
        if (SMax > A.GridExtent) SMax = A.GridExtent;
        if (IncludeLine) SMax += A.EffectiveLineWidth;
        return SMax > SMin;
    };
    TRect r;
    if (GridRect.Left > GridRect.Right || GridRect.Top > GridRect.Bottom ||
        !calcAxis(di.Horz, GridRect.Left, GridRect.Right, r.Left, r.Right) ||
        !calcAxis(di.Vert, GridRect.Top, GridRect.Bottom, r.Top, r.Bottom)) {
        ScreenRect = TRect();
        return;
    }
    ScreenRect = r;
}

TRect TCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom) const {
    TRect r;
    GridRectToScreenRect({ALeft, ATop, ARight, ABottom}, r, false);
    return r;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const { return BoxRect(ACol, ARow, ACol, ARow); }

int TCustomGrid::VisibleColCount() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return std::max(1, di.Horz.LastFullVisibleCell - FTopLeft.X + 1);
}

int TCustomGrid::VisibleRowCount() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return std::max(1, di.Vert.LastFullVisibleCell - FTopLeft.Y + 1);
}

int TCustomGrid::FixedBoundaryX() const {
    TGridDrawInfo di;
    CalcFixedInfo(di);
    return di.Horz.FixedBoundary;
}

// ---- scroll bars -------------------------------------------------------------------------------

void TCustomGrid::UpdateScrollRange() {
    bool oldH = FHorzShown, oldV = FVertShown;
    bool wantH = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    bool wantV = FScrollBars == ssVertical || FScrollBars == ssBoth;
    int sx = GetSystemMetrics(SM_CXVSCROLL), sy = GetSystemMetrics(SM_CYHSCROLL);
    auto need = [&](bool Vertical, int W, int H) {
        TGridDrawInfo di;
        CalcDrawInfoXY(di, W, H);
        // Can anything be scrolled: is the last cell's top-left beyond the first scrolling cell?
        TGridDrawInfo from = di;
        from.Horz.FirstGridCell = FFixedCols;
        from.Vert.FirstGridCell = FFixedRows;
        TGridCoord m = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, from);
        return Vertical ? m.Y > FFixedRows : m.X > FFixedCols;
    };
    bool h = false, v = false;
    // Each bar takes room from the other direction: settle in a few passes.
    for (int pass = 0; pass < 3; ++pass) {
        v = wantV && need(true, FWidth - (v ? sx : 0), FHeight - (h ? sy : 0));
        h = wantH && need(false, FWidth - (v ? sx : 0), FHeight - (h ? sy : 0));
    }
    FHorzShown = h;
    FVertShown = v;
    if (FHandle && FHBar) PlaceBars();
    if (oldH != h || oldV != v) Invalidate();
}

void TCustomGrid::UpdateScrollPos() {
    if (!FHandle || !FHBar) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord maxTL = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di);
    ++FBarSyncing;
    auto pos = [](int Value, int Min, int Max) {
        return std::min(MaxShortInt, std::max(0, LongMulDiv(Value - Min, MaxShortInt, Max - Min)));
    };
    if (FHorzShown) FHBar->setValue(pos(FTopLeft.X, FFixedCols, maxTL.X));
    if (FVertShown) FVBar->setValue(pos(FTopLeft.Y, FFixedRows, maxTL.Y));
    --FBarSyncing;
}

void TCustomGrid::ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos, bool) {
    if (!Visible() || ScrollCode == SB_ENDSCROLL) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord maxTL = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di);
    bool vertical = ScrollBar == SB_VERT;
    int value = vertical ? FTopLeft.Y : FTopLeft.X;
    int minv = vertical ? FFixedRows : FFixedCols;
    int maxv = vertical ? maxTL.Y : maxTL.X;
    int page = vertical ? std::max(1, di.Vert.LastFullVisibleCell - FTopLeft.Y + 1)
                        : std::max(1, di.Horz.LastFullVisibleCell - FTopLeft.X + 1);
    int result = value;
    switch (ScrollCode) {
    case SB_LINEUP: result = value - 1; break;
    case SB_LINEDOWN: result = value + 1; break;
    case SB_PAGEUP: result = value - page; break;
    case SB_PAGEDOWN: result = value + page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        if (FOptions.Contains(goThumbTracking) || ScrollCode == SB_THUMBPOSITION)
            result = minv + LongMulDiv(Pos, maxv - minv, MaxShortInt);
        break;
    case SB_TOP: result = minv; break;
    case SB_BOTTOM: result = maxv; break;
    default: break;
    }
    result = std::max(minv, std::min(result, maxv));
    if (result != value) {
        if (vertical) MoveTopLeft(FTopLeft.X, result);
        else MoveTopLeft(result, FTopLeft.Y);
    } else if (ScrollCode == SB_THUMBPOSITION) {
        UpdateScrollPos();
    }
}

// ---- moving ------------------------------------------------------------------------------------

TGridRect TCustomGrid::Selection() const { return GridRect(FCurrent, FAnchor); }

void TCustomGrid::SetSelection(const TGridRect& Value) {
    TGridRect old = Selection();
    FAnchor = Value.TopLeft();
    FCurrent = Value.BottomRight();
    if (FOptions.Contains(goRowSelect)) {
        FCurrent.X = FFixedCols;
        FAnchor.X = FColCount - 1;
    }
    SelectionMoved(old);
}

void TCustomGrid::SetCol(int Value) {
    if (Value != FCurrent.X) FocusCell(Value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int Value) {
    if (Value != FCurrent.Y) FocusCell(FCurrent.X, Value, true);
}

void TCustomGrid::SetTopRow(int Value) {
    if (Value != FTopLeft.Y) MoveTopLeft(FTopLeft.X, Value);
}

void TCustomGrid::SetLeftCol(int Value) {
    if (Value != FTopLeft.X) MoveTopLeft(Value, FTopLeft.Y);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    UpdateEdit();
    Click();
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show) {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        throw EInvalidGridOperation(SIndexOutOfRange);
    if (!SelectCell(ACol, ARow)) return;
    TGridRect oldSel = Selection();
    if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
    FCurrent = {ACol, ARow};
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
    }
    if (FOptions.Contains(goRowSelect)) FCurrent.X = FFixedCols;
    if (Show) ClampInView(FCurrent);
    SelectionMoved(oldSel);
}

void TCustomGrid::MoveAnchor(const TGridCoord& NewAnchor) {
    if (!FOptions.Contains(goRangeSelect) || FOptions.Contains(goEditing)) {
        MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
        return;
    }
    TGridRect oldSel = Selection();
    FAnchor = NewAnchor;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
    ClampInView(NewAnchor);
    SelectionMoved(oldSel);
}

void TCustomGrid::SelectionMoved(const TGridRect& OldSel) {
    if (!FHandle) return;
    InvalidateGridRect(OldSel);
    InvalidateGridRect(Selection());
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::InvalidateGridRect(const TGridRect& R) {
    if (!FHandle) return;
    TRect sr;
    GridRectToScreenRect(R, sr, true);
    if (!sr.IsEmpty()) FHandle->update(sr.ToQRect());
}

void TCustomGrid::ClampInView(const TGridCoord& Coord) {
    if (FColCount == 0 || FRowCount == 0) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord maxTL = CalcMaxTopLeft(Coord, di);
    TGridCoord oldTL = FTopLeft;
    TGridCoord tl = FTopLeft;
    if (Coord.X >= FFixedCols) {
        if (Coord.X > di.Horz.LastFullVisibleCell) tl.X = std::max(tl.X, maxTL.X);
        else if (Coord.X < tl.X) tl.X = Coord.X;
    }
    if (Coord.Y >= FFixedRows) {
        if (Coord.Y > di.Vert.LastFullVisibleCell) tl.Y = std::max(tl.Y, maxTL.Y);
        else if (Coord.Y < tl.Y) tl.Y = Coord.Y;
    }
    if (tl != oldTL) MoveTopLeft(tl.X, tl.Y);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
    // Code may put any cell first (the keys and the bars stop where the last cell shows whole).
    ALeft = std::max(FFixedCols, std::min(ALeft, FColCount - 1));
    ATop = std::max(FFixedRows, std::min(ATop, FRowCount - 1));
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
    FTopLeft = {ALeft, ATop};
    UpdateScrollPos();
    Invalidate();
    UpdateEdit();
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::DeleteColumn(int ACol) {
    MoveColumn(ACol, FColCount - 1);
    SetColCount(FColCount - 1);
}

void TCustomGrid::DeleteRow(int ARow) {
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
}

void TCustomGrid::MoveColRow(bool IsColumn, int FromIndex, int ToIndex) {
    int count = IsColumn ? FColCount : FRowCount;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= count || ToIndex >= count)
        throw EInvalidGridOperation(SIndexOutOfRange);
    if (FromIndex == ToIndex) return;
    HideEditor();
    if (IsColumn) {
        MoveItem(FColWidths, FromIndex, ToIndex);
        ColumnMoved(FromIndex, ToIndex);
        ColWidthsChanged();
    } else {
        MoveItem(FRowHeights, FromIndex, ToIndex);
        RowMoved(FromIndex, ToIndex);
        RowHeightsChanged();
    }
    Invalidate();
}

void TCustomGrid::ColumnMoved(int FromIndex, int ToIndex) {
    if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TCustomGrid::RowMoved(int FromIndex, int ToIndex) {
    if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

// ---- invalidation ------------------------------------------------------------------------------

void TCustomGrid::InvalidateCell(int ACol, int ARow) { InvalidateGridRect({ACol, ARow, ACol, ARow}); }
void TCustomGrid::InvalidateCol(int ACol) { InvalidateGridRect({ACol, 0, ACol, FRowCount - 1}); }
void TCustomGrid::InvalidateRow(int ARow) { InvalidateGridRect({0, ARow, FColCount - 1, ARow}); }

void TCustomGrid::InvalidateEditor() {
    FInplaceCol = -1;
    FInplaceRow = -1;
    UpdateEdit();
}

// ---- the editor --------------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor() { return New<TInplaceEdit>(this); }

bool TCustomGrid::IsActiveControl() const {
    if (Focused()) return true;
    return FInplaceEdit && FInplaceEdit->Focused();
}

bool TCustomGrid::CanEditShow() {
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode && FHandle != nullptr;
}

void TCustomGrid::SetEditorMode(bool Value) {
    if (!Value) {
        HideEditor();
    } else {
        ShowEditor();
    }
}

void TCustomGrid::ShowEditor() {
    FEditorMode = true;
    UpdateEdit();
}

void TCustomGrid::ShowEditorChar(Char Ch) {
    ShowEditor();
    if (FInplaceEdit && FInplaceEdit->Visible()) FInplaceEdit->TypeChar(Ch);
}

void TCustomGrid::UpdateText() {
    if (FInplaceCol >= 0 && FInplaceRow >= 0 && FInplaceEdit) SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}

void TCustomGrid::HideEditor() {
    FEditorMode = false;
    if (!FInplaceEdit || FInplaceCol < 0) {
        FInplaceCol = FInplaceRow = -1;
        return;
    }
    bool hadFocus = FInplaceEdit->Focused();
    UpdateText();
    FInplaceCol = FInplaceRow = -1;
    FInplaceEdit->Hide();
    if (hadFocus && CanFocus()) SetFocus();
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::CancelEdit() {
    if (!FInplaceEdit || FInplaceCol < 0) {
        FEditorMode = false;
        return;
    }
    ++FInplaceEdit->FUpdating;
    FInplaceEdit->SetEditMask(String());
    FInplaceEdit->SetText(FEditStartText);
    --FInplaceEdit->FUpdating;
    HideEditor();
}

void TCustomGrid::UpdateEdit() {
    if (!CanEditShow()) {
        if (FInplaceEdit && FInplaceCol >= 0 && !FEditorMode) HideEditor();
        return;
    }
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        FInplaceEdit->FreeNotification(this);
        FInplaceEdit->SetGrid(this);
        FInplaceEdit->SetParent(this);
    }
    bool focus = IsActiveControl();
    if (FInplaceCol != FCurrent.X || FInplaceRow != FCurrent.Y) {
        if (FInplaceCol >= 0) UpdateText();
        FInplaceCol = -1;  // no SetEditText while the new cell's text is read
        FInplaceEdit->UpdateContents();
        FEditStartText = FInplaceEdit->Text();
        FInplaceCol = FCurrent.X;
        FInplaceRow = FCurrent.Y;
    }
    TRect r = CellRect(FCurrent.X, FCurrent.Y);
    if (r.IsEmpty()) {
        FInplaceEdit->Hide();
        if (focus && CanFocus()) SetFocus();
        return;
    }
    FInplaceEdit->Move(r);
    if (focus && FInplaceEdit->CanFocus()) FInplaceEdit->SetFocus();
}

void TCustomGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FInplaceEdit) {
        FInplaceEdit = nullptr;
        FInplaceCol = FInplaceRow = -1;
    }
}

// ---- painting ----------------------------------------------------------------------------------

TColor TCustomGrid::GridLineColor() const {
    return ColorToRGB(FColor) == ColorToRGB(clSilver) ? clGray : clSilver;
}

void TCustomGrid::DrawLines(HDC DC, bool DoHorz, bool DoVert, int StartCol, int StartRow, const TRect& Area,
                            TColor LineColor, const TGridDrawInfo& DrawInfo) {
    if (Area.IsEmpty()) return;
    TLogBrush b;
    b.lbColor = ColorToRGB(LineColor);
    bool fixedCols = Area.Left == 0, fixedRows = Area.Top == 0;
    if (DoVert && DrawInfo.Horz.EffectiveLineWidth > 0) {
        int x = Area.Left;
        int endCol = fixedCols ? DrawInfo.Horz.FixedCellCount : DrawInfo.Horz.GridCellCount;
        for (int c = StartCol; c < endCol && x < Area.Right; ++c) {
            int e = DrawInfo.Horz.GetExtent(c);
            if (e < 0) continue;
            x += e;
            DC->FillRect(TRect(x, Area.Top, std::min(x + DrawInfo.Horz.EffectiveLineWidth, Area.Right), Area.Bottom), b);
            x += DrawInfo.Horz.EffectiveLineWidth;
        }
    }
    if (DoHorz && DrawInfo.Vert.EffectiveLineWidth > 0) {
        int y = Area.Top;
        int endRow = fixedRows ? DrawInfo.Vert.FixedCellCount : DrawInfo.Vert.GridCellCount;
        for (int r = StartRow; r < endRow && y < Area.Bottom; ++r) {
            int e = DrawInfo.Vert.GetExtent(r);
            if (e < 0) continue;
            y += e;
            DC->FillRect(TRect(Area.Left, y, Area.Right, std::min(y + DrawInfo.Vert.EffectiveLineWidth, Area.Bottom)), b);
            y += DrawInfo.Vert.EffectiveLineWidth;
        }
    }
}

void TCustomGrid::DrawCells(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor AColor,
                            TGridDrawState IncludeDrawState, const TGridDrawInfo& DrawInfo) {
    TCanvas* cv = Canvas();
    TGridRect sel = Selection();
    bool focused = IsActiveControl();
    bool fixedArea = IncludeDrawState.Contains(gdFixed);
    int lastCol = StartX == 0 && StopX == DrawInfo.Horz.FixedBoundary ? DrawInfo.Horz.FixedCellCount : FColCount;
    int lastRow = StartY == 0 && StopY == DrawInfo.Vert.FixedBoundary ? DrawInfo.Vert.FixedCellCount : FRowCount;
    int y = StartY;
    for (int row = ARow; row < lastRow && y < StopY; ++row) {
        int h = DrawInfo.Vert.GetExtent(row);
        if (h < 0) continue;
        int x = StartX;
        for (int col = ACol; col < lastCol && x < StopX; ++col) {
            int w = DrawInfo.Horz.GetExtent(col);
            if (w < 0) continue;
            TRect where(x, y, x + w, y + h);
            x += w + DrawInfo.Horz.EffectiveLineWidth;
            if (where.IsEmpty() || !cv->Handle()->RectVisible(where)) continue;
            TGridDrawState state = IncludeDrawState;
            if (!fixedArea) {
                if (focused && row == FCurrent.Y && col == FCurrent.X) state.Include(gdFocused);
                if (sel.Contains(col, row)) state.Include(gdSelected);
                if (FOptions.Contains(goRowSelect) && sel.Contains(col, row)) state.Include(gdRowSelected);
            }
            if (FDefaultDrawing) {
                cv->SetFont(Font());
                if (state.Contains(gdSelected) &&
                    (!state.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                     FOptions.Contains(goRowSelect))) {
                    cv->Brush()->SetColor(clHighlight);
                    cv->Font()->SetColor(clHighlightText);
                } else {
                    cv->Brush()->SetColor(AColor);
                }
                cv->Brush()->SetStyle(bsSolid);
                cv->FillRect(where);
            }
            int saved = cv->Handle()->SaveDC();
            try {
                DrawCell(col, row, where, state);
            } catch (...) {
                cv->Handle()->RestoreDC(saved);
                throw;
            }
            cv->Handle()->RestoreDC(saved);
            cv->Refresh();
            if (FDefaultDrawing && fixedArea) {
                unsigned flags = 0;
                if (FOptions.Contains(goFixedVertLine)) flags |= BF_LEFT | BF_RIGHT;
                if (FOptions.Contains(goFixedHorzLine)) flags |= BF_TOP | BF_BOTTOM;
                if (flags) {
                    TRect r = where;
                    DrawEdge(cv->Handle(), r, BDR_RAISEDINNER, flags);
                }
            }
            if (FDefaultDrawing && state.Contains(gdFocused) && !FOptions.Contains(goRowSelect) &&
                !(FOptions.Contains(goEditing) && FOptions.Contains(goAlwaysShowEditor))) {
                cv->Brush()->SetColor(FColor);
                cv->Font()->SetColor(clWindowText);
                cv->DrawFocusRect(where);
            }
        }
        y += h + DrawInfo.Vert.EffectiveLineWidth;
    }
}

void TCustomGrid::Paint() {
    TCanvas* cv = Canvas();
    TGridDrawInfo di;
    CalcDrawInfo(di);
    HDC dc = cv->Handle();
    const auto& H = di.Horz;
    const auto& V = di.Vert;
    // The fixed bands under their lines, whatever lines are drawn.
    TLogBrush fixedBrush;
    fixedBrush.lbColor = ColorToRGB(FFixedColor);
    if (V.FixedBoundary > 0) dc->FillRect(TRect(0, 0, H.GridBoundary, V.FixedBoundary), fixedBrush);
    if (H.FixedBoundary > 0) dc->FillRect(TRect(0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary), fixedBrush);
    if (H.EffectiveLineWidth > 0 || V.EffectiveLineWidth > 0) {
        bool fh = FOptions.Contains(goFixedHorzLine), fv = FOptions.Contains(goFixedVertLine);
        DrawLines(dc, fh, fv, 0, 0, TRect(0, 0, H.FixedBoundary, V.FixedBoundary), clBlack, di);
        DrawLines(dc, fh, fv, FTopLeft.X, 0, TRect(H.FixedBoundary, 0, H.GridBoundary, V.FixedBoundary), clBlack, di);
        DrawLines(dc, fh, fv, 0, FTopLeft.Y, TRect(0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary), clBlack, di);
        TLogBrush bg;
        bg.lbColor = ColorToRGB(FColor);
        TRect cells(H.FixedBoundary, V.FixedBoundary, H.GridBoundary, V.GridBoundary);
        if (!cells.IsEmpty()) dc->FillRect(cells, bg);
        DrawLines(dc, FOptions.Contains(goHorzLine), FOptions.Contains(goVertLine), FTopLeft.X, FTopLeft.Y, cells,
                  GridLineColor(), di);
    }
    DrawCells(0, 0, 0, 0, H.FixedBoundary, V.FixedBoundary, FFixedColor, {gdFixed}, di);
    DrawCells(FTopLeft.X, 0, H.FixedBoundary, 0, H.GridBoundary, V.FixedBoundary, FFixedColor, {gdFixed}, di);
    DrawCells(0, FTopLeft.Y, 0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary, FFixedColor, {gdFixed}, di);
    DrawCells(FTopLeft.X, FTopLeft.Y, H.FixedBoundary, V.FixedBoundary, H.GridBoundary, V.GridBoundary, FColor, {},
              di);

    if (FOptions.Contains(goRowSelect) && FDefaultDrawing && IsActiveControl()) {
        TRect focRect;
        GridRectToScreenRect(Selection(), focRect, false);
        if (!focRect.IsEmpty()) {
            cv->Brush()->SetColor(FColor);
            cv->DrawFocusRect(focRect);
        }
    }

    // The area past the last cells, and the corner between the scroll bars.
    cv->Brush()->SetColor(FColor);
    cv->Brush()->SetStyle(bsSolid);
    if (H.GridBoundary < H.GridExtent) cv->FillRect(TRect(H.GridBoundary, 0, H.GridExtent, V.GridBoundary));
    if (V.GridBoundary < V.GridExtent) cv->FillRect(TRect(0, V.GridBoundary, H.GridExtent, V.GridExtent));
    if (FHorzShown && FVertShown) {
        TRect cr = ClientRect();
        cv->Brush()->SetColor(clBtnFace);
        cv->FillRect(TRect(cr.Right, cr.Bottom, FWidth, FHeight));
    }

    // The line a column or row follows while it is sized.
    if (FGridState == gsColSizing || FGridState == gsRowSizing) {
        cv->Brush()->SetColor(clBlack);
        if (FGridState == gsColSizing) cv->FillRect(TRect(FSizingPos, 0, FSizingPos + 1, V.GridExtent));
        else cv->FillRect(TRect(0, FSizingPos, H.GridExtent, FSizingPos + 1));
    }
}

// ---- keys --------------------------------------------------------------------------------------

void TCustomGrid::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        if (FOptions.Contains(goRowSelect)) return;
        if (FOptions.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
        if (FOptions.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
        return;
    case WM_VSCROLL:
    case WM_HSCROLL:
        ModifyScrollBar(Message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, static_cast<int>(Message.WParam & 0xFFFF),
                        static_cast<int>((Message.WParam >> 16) & 0xFFFF));
        Message.Result = 0;
        return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
        if (FGridState != gsNormal) {
            FGridState = gsNormal;
            Invalidate();
        }
        break;
    default: break;
    }
    TCustomControl::Dispatch(Message);
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (!CanGridAcceptKey(Key, Shift)) {
        Key = 0;
        return;
    }
    if (Key == VK_ESCAPE) {
        if (FEditorMode || (FInplaceEdit && FInplaceCol >= 0)) {
            CancelEdit();
            if (FOptions.Contains(goAlwaysShowEditor)) ShowEditor();
            Key = 0;
        }
        return;
    }
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int pageWidth = std::max(1, di.Horz.LastFullVisibleCell - FTopLeft.X + 1);
    int pageHeight = std::max(1, di.Vert.LastFullVisibleCell - FTopLeft.Y + 1);
    TGridCoord newTopLeft = FTopLeft, newCurrent = FCurrent;
    bool rowSelect = FOptions.Contains(goRowSelect);
    bool handled = true;
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_UP: --newTopLeft.Y; break;
        case VK_DOWN: ++newTopLeft.Y; break;
        case VK_LEFT:
            if (!rowSelect) {
                newCurrent.X -= pageWidth;
                newTopLeft.X -= pageWidth;
            }
            break;
        case VK_RIGHT:
            if (!rowSelect) {
                newCurrent.X += pageWidth;
                newTopLeft.X += pageWidth;
            }
            break;
        case VK_PRIOR: newCurrent.Y = FTopLeft.Y; break;
        case VK_NEXT: newCurrent.Y = di.Vert.LastFullVisibleCell; break;
        case VK_HOME:
            newCurrent.X = FFixedCols;
            newCurrent.Y = FFixedRows;
            break;
        case VK_END:
            newCurrent.X = FColCount - 1;
            newCurrent.Y = FRowCount - 1;
            break;
        default: handled = false; break;
        }
    } else {
        switch (Key) {
        case VK_UP: --newCurrent.Y; break;
        case VK_DOWN: ++newCurrent.Y; break;
        case VK_LEFT:
            if (rowSelect) --newCurrent.Y;
            else --newCurrent.X;
            break;
        case VK_RIGHT:
            if (rowSelect) ++newCurrent.Y;
            else ++newCurrent.X;
            break;
        case VK_NEXT:
            newCurrent.Y += pageHeight;
            newTopLeft.Y += pageHeight;
            break;
        case VK_PRIOR:
            newCurrent.Y -= pageHeight;
            newTopLeft.Y -= pageHeight;
            break;
        case VK_HOME:
            if (rowSelect) newCurrent.Y = FFixedRows;
            else newCurrent.X = FFixedCols;
            break;
        case VK_END:
            if (rowSelect) newCurrent.Y = FRowCount - 1;
            else newCurrent.X = FColCount - 1;
            break;
        case VK_TAB:
            if (Shift.Contains(ssAlt) || !FOptions.Contains(goTabs)) {
                handled = false;
                break;
            }
            if (Shift.Contains(ssShift)) {
                --newCurrent.X;
                if (newCurrent.X < FFixedCols) {
                    newCurrent.X = FColCount - 1;
                    --newCurrent.Y;
                    if (newCurrent.Y < FFixedRows) newCurrent.Y = FRowCount - 1;
                }
                Shift = {};
            } else {
                ++newCurrent.X;
                if (newCurrent.X >= FColCount) {
                    newCurrent.X = FFixedCols;
                    ++newCurrent.Y;
                    if (newCurrent.Y >= FRowCount) newCurrent.Y = FFixedRows;
                }
            }
            break;
        case VK_F2:
            if (FOptions.Contains(goEditing)) ShowEditor();
            else handled = false;
            break;
        default: handled = false; break;
        }
    }
    if (!handled) return;
    TGridCoord maxTL = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, di);
    Restrict(newTopLeft, FFixedCols, FFixedRows, std::max(FFixedCols, maxTL.X), std::max(FFixedRows, maxTL.Y));
    if (newTopLeft != FTopLeft) MoveTopLeft(newTopLeft.X, newTopLeft.Y);
    Restrict(newCurrent, FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1);
    if (newCurrent != FCurrent) FocusCell(newCurrent.X, newCurrent.Y, !Shift.Contains(ssShift));
    Key = 0;
}

void TCustomGrid::KeyPress(Char& Key) {
    TCustomControl::KeyPress(Key);
    if (Key.isNull()) return;
    if (Key == Char(13) && !FOptions.Contains(goAlwaysShowEditor)) {
        if (FEditorMode) HideEditor();
        else if (FOptions.Contains(goEditing)) ShowEditor();
        Key = Char();
        return;
    }
    // A character typed on the grid opens the editor with it.
    bool typing = Key.unicode() == 8 || Key.unicode() >= 32;
    if (typing && FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && !(FInplaceEdit && FInplaceEdit->Focused()) &&
        !(FInplaceEdit && FInplaceCol >= 0 && FInplaceEdit->Visible())) {
        Char ch = Key;
        Key = Char();
        if (CanEditModify()) ShowEditorChar(ch);
    }
}

// ---- mouse -------------------------------------------------------------------------------------

void TCustomGrid::SizingState(int X, int Y, const TGridDrawInfo& DrawInfo) {
    auto axisState = [&](const TGridAxisDrawInfo& A, int Pos, TGridState NewState) {
        int range = std::max(A.EffectiveLineWidth, 7);
        int back = (range - A.EffectiveLineWidth) / 2;
        int line = 0;
        for (int i = 0; i < A.GridCellCount; ++i) {
            if (i >= A.FixedCellCount && i < A.FirstGridCell) continue;
            int e = A.GetExtent(i);
            if (e < 0) continue;
            line += e;
            if (line > A.GridBoundary) break;
            if (Pos >= line - back && Pos <= line - back + range) {
                FGridState = NewState;
                FSizingPos = line;
                FSizingOfs = line - Pos;
                FSizingIndex = i;
                return;
            }
            line += A.EffectiveLineWidth;
        }
    };
    FGridState = gsNormal;
    if (Y >= 0 && Y < DrawInfo.Vert.FixedBoundary && FOptions.Contains(goColSizing))
        axisState(DrawInfo.Horz, X, gsColSizing);
    else if (X >= 0 && X < DrawInfo.Horz.FixedBoundary && FOptions.Contains(goRowSizing))
        axisState(DrawInfo.Vert, Y, gsRowSizing);
}

void TCustomGrid::ResizeLine(const TGridDrawInfo& DrawInfo) {
    bool col = FGridState == gsColSizing;
    const TGridAxisDrawInfo& A = col ? DrawInfo.Horz : DrawInfo.Vert;
    int start = 0;
    if (FSizingIndex < A.FixedCellCount) {
        for (int i = 0; i < FSizingIndex; ++i) start += A.Span(i);
    } else {
        start = A.FixedBoundary;
        for (int i = A.FirstGridCell; i < FSizingIndex; ++i) start += A.Span(i);
    }
    int newSize = FSizingPos - start;
    FGridState = gsNormal;
    if (newSize > 1) {
        if (col) SetColWidths(FSizingIndex, newSize);
        else SetRowHeights(FSizingIndex, newSize);
    }
    Invalidate();
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (CanFocus() && !Focused() && !(FInplaceEdit && FInplaceEdit->Focused())) {
        SetFocus();
        if (!FHandle) return;
    }
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
    } else if (Button == mbLeft) {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        SizingState(X, Y, di);
        if (FGridState != gsNormal) {
            Invalidate();
        } else {
            TGridCoord hit = CalcCoordFromPoint(X, Y, di);
            if (hit.X >= FFixedCols && hit.Y >= FFixedRows) {
                if (FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect)) {
                    if (hit == FCurrent) {
                        ShowEditor();
                    } else {
                        MoveCurrent(hit.X, hit.Y, true, true);
                        UpdateEdit();
                    }
                    Click();
                } else if (Shift.Contains(ssShift)) {
                    FGridState = gsSelecting;
                    MoveAnchor(hit);
                } else {
                    MoveCurrent(hit.X, hit.Y, true, true);
                    // A cell OnSelectCell refused starts no drag: the range would reach it.
                    if (FCurrent.Y == hit.Y && (FCurrent.X == hit.X || FOptions.Contains(goRowSelect)))
                        FGridState = gsSelecting;
                }
            } else if (FOptions.Contains(goRowMoving) && hit.X >= 0 && hit.X < FFixedCols && hit.Y >= FFixedRows) {
                FMoveIndex = hit.Y;
                FMovePos = hit.Y;
                if (BeginRowDrag(FMoveIndex, FMovePos, TPoint(X, Y))) FGridState = gsRowMoving;
            } else if (FOptions.Contains(goColMoving) && hit.Y >= 0 && hit.Y < FFixedRows && hit.X >= FFixedCols) {
                FMoveIndex = hit.X;
                FMovePos = hit.X;
                if (BeginColumnDrag(FMoveIndex, FMovePos, TPoint(X, Y))) FGridState = gsColMoving;
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    switch (FGridState) {
    case gsSelecting: {
        TGridCoord hit = CalcCoordFromPoint(X, Y, di);
        if (hit.X >= FFixedCols && hit.Y >= FFixedRows && hit.X < FColCount && hit.Y < FRowCount &&
            (hit.X != FAnchor.X || hit.Y != FAnchor.Y))
            MoveAnchor(hit);
        break;
    }
    case gsColSizing:
    case gsRowSizing:
        FSizingPos = (FGridState == gsColSizing ? X : Y) + FSizingOfs;
        Invalidate();
        break;
    case gsColMoving: {
        TGridCoord hit = CalcCoordFromPoint(X, Y, di);
        if (hit.X >= FFixedCols && hit.X < FColCount) FMovePos = hit.X;
        break;
    }
    case gsRowMoving: {
        TGridCoord hit = CalcCoordFromPoint(X, Y, di);
        if (hit.Y >= FFixedRows && hit.Y < FRowCount) FMovePos = hit.Y;
        break;
    }
    default: {
        // The sizing cursor over a line of the fixed area.
        TGridState saved = FGridState;
        int idx = FSizingIndex, pos = FSizingPos, ofs = FSizingOfs;
        SizingState(X, Y, di);
        TGridState s = FGridState;
        FGridState = saved;
        FSizingIndex = idx;
        FSizingPos = pos;
        FSizingOfs = ofs;
        if (FHandle) {
            if (s == gsColSizing) FHandle->setCursor(Qt::SplitHCursor);
            else if (s == gsRowSizing) FHandle->setCursor(Qt::SplitVCursor);
            else if (FCursor == crDefault) FHandle->unsetCursor();
        }
        break;
    }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    switch (FGridState) {
    case gsSelecting:
        MouseMove(Shift, X, Y);
        FGridState = gsNormal;
        UpdateEdit();
        Click();
        break;
    case gsColSizing:
    case gsRowSizing:
        FSizingPos = (FGridState == gsColSizing ? X : Y) + FSizingOfs;
        ResizeLine(di);
        break;
    case gsColMoving:
    case gsRowMoving: {
        bool col = FGridState == gsColMoving;
        FGridState = gsNormal;
        bool ok = col ? EndColumnDrag(FMoveIndex, FMovePos, TPoint(X, Y)) : EndRowDrag(FMoveIndex, FMovePos, TPoint(X, Y));
        if (ok && FMoveIndex != FMovePos) {
            MoveColRow(col, FMoveIndex, FMovePos);
            if (col) FocusCell(FMovePos, FCurrent.Y, true);
            else FocusCell(FCurrent.X, FMovePos, true);
        }
        break;
    }
    default: break;
    }
    FGridState = gsNormal;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (WheelDelta == 0) return false;
    // A notch moves the current row by one, as the framework's grid does.
    int row = FCurrent.Y + (WheelDelta < 0 ? 1 : -1);
    row = std::max(FFixedRows, std::min(row, FRowCount - 1));
    if (row != FCurrent.Y) FocusCell(FCurrent.X, row, true);
    return true;
}

bool TCustomGrid::HostEvent(QEvent* Event) {
    bool r = TCustomControl::HostEvent(Event);
    if (Event->type() == QEvent::FocusIn || Event->type() == QEvent::FocusOut) {
        InvalidateGridRect(Selection());
        if (Event->type() == QEvent::FocusIn && FOptions.Contains(goAlwaysShowEditor)) ShowEditor();
    }
    return r;
}

// ================================================================================================
// TDrawGrid

void TDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(int ACol, int ARow) {
    bool can = true;
    if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
    return can;
}

String TDrawGrid::GetEditText(int ACol, int ARow) {
    String s;
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, s);
    return s;
}

void TDrawGrid::SetEditText(int ACol, int ARow, const String& Value) {
    if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

String TDrawGrid::GetEditMask(int ACol, int ARow) {
    String s;
    if (OnGetEditMask) OnGetEditMask(this, ACol, ARow, s);
    return s;
}

// ================================================================================================
// TStringGridStrings

String TStringGridStrings::Get(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    return FGrid->Cells(ColOf(Index), RowOf(Index));
}

int TStringGridStrings::GetCount() const { return FIsCol ? FGrid->RowCount() : FGrid->ColCount(); }

TObject* TStringGridStrings::GetObject(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    return FGrid->Objects(ColOf(Index), RowOf(Index));
}

void TStringGridStrings::Put(int Index, const String& S) {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    FGrid->SetCells(ColOf(Index), RowOf(Index), S);
}

void TStringGridStrings::PutObject(int Index, TObject* AObject) {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    FGrid->SetObjects(ColOf(Index), RowOf(Index), AObject);
}

int TStringGridStrings::Add(const String& S) { return AddObject(S, nullptr); }

int TStringGridStrings::AddObject(const String& S, TObject* AObject) {
    for (int i = 0; i < GetCount(); ++i) {
        if (Get(i).isEmpty() && !GetObject(i)) {
            // An empty string would leave the cell looking free: it holds a space instead.
            Put(i, S.isEmpty() ? QStringLiteral(" ") : S);
            PutObject(i, AObject);
            return i;
        }
    }
    return -1;
}

void TStringGridStrings::Insert(int, const String&) { throw EInvalidGridOperation(SGridStringsOp); }
void TStringGridStrings::Delete(int) { throw EInvalidGridOperation(SGridStringsOp); }

void TStringGridStrings::Clear() {
    for (int i = 0; i < GetCount(); ++i) {
        Put(i, String());
        PutObject(i, nullptr);
    }
}

void TStringGridStrings::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TStrings*>(Source)) {
        int n = GetCount();
        for (int i = 0; i < n; ++i) {
            if (i < src->Count()) {
                Put(i, src->Strings(i));
                PutObject(i, src->Objects(i));
            } else {
                Put(i, String());
                PutObject(i, nullptr);
            }
        }
        return;
    }
    TStrings::Assign(Source);
}

// ================================================================================================
// TStringGrid

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {
    FData.assign(static_cast<size_t>(RowCount()), std::vector<TCell>(static_cast<size_t>(ColCount())));
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::CheckCell(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation(SIndexOutOfRange);
}

TStringGrid::TCell* TStringGrid::CellAt(int ACol, int ARow) const {
    CheckCell(ACol, ARow);
    return &FData[static_cast<size_t>(ARow)][static_cast<size_t>(ACol)];
}

String TStringGrid::Cells(int ACol, int ARow) const { return CellAt(ACol, ARow)->Text; }

void TStringGrid::SetCells(int ACol, int ARow, const String& Value) {
    TCell* c = CellAt(ACol, ARow);
    if (c->Text == Value) return;
    c->Text = Value;
    InvalidateCell(ACol, ARow);
    // The editor of this cell shows the new text, unless the text comes from it.
    if (!FEditUpdate && FInplaceEdit && FInplaceCol == ACol && FInplaceRow == ARow) InvalidateEditor();
}

TObject* TStringGrid::Objects(int ACol, int ARow) const { return CellAt(ACol, ARow)->Object; }

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) { CellAt(ACol, ARow)->Object = Value; }

TStrings* TStringGrid::Cols(int Index) {
    if (Index < 0 || Index >= ColCount()) throw EInvalidGridOperation(SIndexOutOfRange);
    if (FColViews.size() < static_cast<size_t>(ColCount())) FColViews.resize(static_cast<size_t>(ColCount()));
    auto& v = FColViews[static_cast<size_t>(Index)];
    if (!v) v = NewOwned<TStringGridStrings>(this, true, Index);
    return v.get();
}

TStrings* TStringGrid::Rows(int Index) {
    if (Index < 0 || Index >= RowCount()) throw EInvalidGridOperation(SIndexOutOfRange);
    if (FRowViews.size() < static_cast<size_t>(RowCount())) FRowViews.resize(static_cast<size_t>(RowCount()));
    auto& v = FRowViews[static_cast<size_t>(Index)];
    if (!v) v = NewOwned<TStringGridStrings>(this, false, Index);
    return v.get();
}

void TStringGrid::SizeChanged(int OldColCount, int OldRowCount) {
    FData.resize(static_cast<size_t>(RowCount()));
    for (auto& row : FData) row.resize(static_cast<size_t>(ColCount()));
    TDrawGrid::SizeChanged(OldColCount, OldRowCount);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
    for (auto& row : FData) MoveItem(row, FromIndex, ToIndex);
    TDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TStringGrid::RowMoved(int FromIndex, int ToIndex) {
    MoveItem(FData, FromIndex, ToIndex);
    TDrawGrid::RowMoved(FromIndex, ToIndex);
}

String TStringGrid::GetEditText(int ACol, int ARow) {
    String s = Cells(ACol, ARow);
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, s);
    return s;
}

void TStringGrid::SetEditText(int ACol, int ARow, const String& Value) {
    ++FEditUpdate;
    try {
        SetCells(ACol, ARow, Value);
    } catch (...) {
        --FEditUpdate;
        throw;
    }
    --FEditUpdate;
    TDrawGrid::SetEditText(ACol, ARow, Value);
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}
