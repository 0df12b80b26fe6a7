#include "grid/base/gridsvz.h"

#include "grid/base/dragwinvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/graphutilsvz.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/filer.h"

#include <algorithm>
#include <limits>

using GridsVz::TInplaceEdit;
using GridsVz::TInplaceEditCoreControl;

namespace {

constexpr int MaxClient = 0x3FFFFFFF;

int ClampToClient(Int64 V) { return static_cast<int>(std::clamp<Int64>(V, -MaxClient, MaxClient)); }

[[noreturn]] void GridIndexError() { throw EInvalidGridOperationVz(QStringLiteral("Grid index out of range")); }

// Sum of the lengths of Count cells from absolute index Start.
Int64 SumLens(TGridAxisDataVz* A, int Start, int Count) {
    Int64 s = 0;
    for (int i = 0; i < Count; ++i) s += A->GetCelLens(Start + i);
    return s;
}

// The rolling cell and its offset at a position (cell 0 for an empty rolling zone).
void CellAt(TGridAxisDataVz* A, Int64 Pos, int& Cel, Int64& Ofs) {
    A->RolCellAtPos(Pos, Cel, Ofs);
    if (Cel < 0) Cel = 0;
}

}  // namespace

TGridCoord MakeGridCoord(int X, int Y) { return TGridCoord{X, Y}; }

TGridRect GridRectFromCoords(const TGridCoord& C1, const TGridCoord& C2) {
    return TGridRect{std::min(C1.X, C2.X), std::min(C1.Y, C2.Y), std::max(C1.X, C2.X), std::max(C1.Y, C2.Y)};
}

bool PointInGridRect(int Col, int Row, const TGridRect& Rect) { return Rect.Contains(Col, Row); }

// ================================================================================================
// TGridScrollBarVz

TGridScrollBarVz::TGridScrollBarVz(TCustomGridVz* AGrid, TScrollBarKind AKind) : FGrid(AGrid), FKind(AKind) {}

void TGridScrollBarVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridScrollBarVz*>(Source)) {
        FTracking = s->FTracking;
        return;
    }
    TPersistent::Assign(Source);
}

void TGridScrollBarVz::SetSize(int Value) {
    if (Value == FSize) return;
    FSize = Value;
    if (FGrid) FGrid->ScrollBarSizeChanged();
}

void TGridScrollBarVz::SetSmoothStep(bool Value) {
    if (Value == FSmoothStep) return;
    FSmoothStep = Value;
    SmoothStepChanged();
}

void TGridScrollBarVz::SetVisibleMode(TScrollBarVisibleModeVz Value) {
    if (Value == FVisibleMode) return;
    FVisibleMode = Value;
    if (FGrid) FGrid->UpdateBoundaries();
}

bool TGridScrollBarVz::CalcScrollBarShowing() {
    switch (FVisibleMode) {
    case sbAlwaysShowVz: return true;
    case sbNeverShowVz: return false;
    default: break;
    }
    if (!FGrid) return false;
    int pos, mn, mx, pg;
    if (FKind == sbHorizontal) FGrid->GetHorzScrollBarParams(pos, mn, mx, pg);
    else FGrid->GetVertScrollBarParams(pos, mn, mx, pg);
    return mx > mn && mx - mn >= pg;
}

void TGridScrollBarVz::Changed() {
    if (FGrid) FGrid->UpdateScrollBars();
}

int TGridScrollBarVz::ActualSize() {
    if (FSize > 0) return FSize;
    return FGrid ? FGrid->ScrollBarSize() : GetSystemMetrics(SM_CYHSCROLL);
}

int TGridScrollBarVz::ActualScrollBarBoxSize() {
    int s = ActualSize();
    if (IsKeepMaxSizeInDefault()) s = std::min(s, GetSystemMetrics(SM_CYHSCROLL));
    return s;
}

TGridScrollBarPanelControlVz* TGridScrollBarVz::Panel() const {
    if (!FGrid) return nullptr;
    return FKind == sbHorizontal ? FGrid->HorzScrollBarPanelControl() : FGrid->VertScrollBarPanelControl();
}

void TGridScrollBarVz::GetScrollBarParams(int& Position, int& Min, int& Max, int& PageSize) {
    Position = Min = Max = PageSize = 0;
    if (auto* p = Panel()) {
        TScrollBar* b = p->ScrollBar();
        Position = b->Position();
        Min = b->Min();
        Max = b->Max();
        PageSize = b->PageSize();
    }
}

void TGridScrollBarVz::SetScrollBarParams(int Position, int Min, int Max, int PageSize) {
    if (auto* p = Panel()) p->SetParams(Position, Min, Max, PageSize);
}

// ================================================================================================
// TGridLineColorsVz

TGridLineColorsVz::TGridLineColorsVz(TCustomGridVz* AGrid) : FGrid(AGrid) {}

void TGridLineColorsVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridLineColorsVz*>(Source)) {
        FBrightColor = s->FBrightColor;
        FDarkColor = s->FDarkColor;
        FDataHorzColor = s->FDataHorzColor;
        FDataVertColor = s->FDataVertColor;
        if (FGrid) FGrid->Invalidate();
        return;
    }
    TPersistent::Assign(Source);
}

void TGridLineColorsVz::Store(TColor& Field, TColor Value) {
    if (Field == Value) return;
    Field = Value;
    if (FGrid) FGrid->Invalidate();
}

void TGridLineColorsVz::SetBrightColor(TColor Value) { Store(FBrightColor, Value); }
void TGridLineColorsVz::SetDarkColor(TColor Value) { Store(FDarkColor, Value); }
void TGridLineColorsVz::SetDataHorzColor(TColor Value) { Store(FDataHorzColor, Value); }
void TGridLineColorsVz::SetDataVertColor(TColor Value) { Store(FDataVertColor, Value); }

TColor TGridLineColorsVz::GetDarkColor() { return Pick(FDarkColor, clGray); }

TColor TGridLineColorsVz::GetBrightColor() {
    if (FBrightColor != clDefault) return FBrightColor;
    if (FGrid && ColorToRGB(FGrid->Color()) == ColorToRGB(clSilver)) return clGray;
    return clSilver;
}

TColor TGridLineColorsVz::GetDataHorzColor() { return Pick(FDataHorzColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetDataVertColor() { return Pick(FDataVertColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetFixedVertColor() { return Pick(FFixedVertColor, GetDarkColor()); }
TColor TGridLineColorsVz::GetFixedHorzColor() { return Pick(FFixedHorzColor, GetDarkColor()); }
TColor TGridLineColorsVz::GetHorzAreaContraBorderColor() { return Pick(FHorzAreaContraBorderColor, GetDarkColor()); }
TColor TGridLineColorsVz::GetHorzAreaContraHorzColor() { return Pick(FHorzAreaContraHorzColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetHorzAreaContraVertColor() { return Pick(FHorzAreaContraVertColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetHorzAreaFrozenBorderColor() { return Pick(FHorzAreaFrozenBorderColor, GetDarkColor()); }
TColor TGridLineColorsVz::GetHorzAreaFrozenHorzColor() { return Pick(FHorzAreaFrozenHorzColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetHorzAreaFrozenVertColor() { return Pick(FHorzAreaFrozenVertColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetVertAreaContraBorderColor() { return Pick(FVertAreaContraBorderColor, GetDarkColor()); }
TColor TGridLineColorsVz::GetVertAreaContraHorzColor() { return Pick(FVertAreaContraHorzColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetVertAreaContraVertColor() { return Pick(FVertAreaContraVertColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetVertAreaFrozenBorderColor() { return Pick(FVertAreaFrozenBorderColor, GetDarkColor()); }
TColor TGridLineColorsVz::GetVertAreaFrozenHorzColor() { return Pick(FVertAreaFrozenHorzColor, GetBrightColor()); }
TColor TGridLineColorsVz::GetVertAreaFrozenVertColor() { return Pick(FVertAreaFrozenVertColor, GetBrightColor()); }

TColor TGridLineColorsVz::GetCellAreaLineColor(int ACol, int ARow) {
    TCustomGridVz* g = FGrid;
    if (ARow >= g->RowCount()) return GetVertAreaContraVertColor();
    if (ACol >= g->ColCount()) return GetHorzAreaContraHorzColor();
    if (ACol < g->FixedColCount() - g->FrozenColCount() || ARow < g->FixedRowCount() - g->FrozenRowCount())
        return GetDarkColor();
    return GetBrightColor();
}

TColor TGridLineColorsVz::GetColBoundaryLineColor(int ACol) {
    return ACol == FGrid->ColCount() ? GetVertAreaContraBorderColor() : GetBrightColor();
}

TColor TGridLineColorsVz::GetRowBoundaryLineColor(int ARow) {
    return ARow == FGrid->RowCount() ? GetHorzAreaContraBorderColor() : GetBrightColor();
}

TColor TGridLineColorsVz::GetFrozenColBoundaryLineColor(int ACol) {
    if (FGrid->FrozenColCount() > 0 && ACol == FGrid->FixedColCount() - 1) return GetVertAreaFrozenBorderColor();
    return GetBrightColor();
}

TColor TGridLineColorsVz::GetFrozenRowBoundaryLineColor(int ARow) {
    if (FGrid->FrozenRowCount() > 0 && ARow == FGrid->FixedRowCount() - 1) return GetDarkColor();
    return GetBrightColor();
}

// ================================================================================================
// TGridDrawStyleVz

namespace {
TGridDrawStyleVz* GDefaultDrawStyle = nullptr;
bool GDefaultDrawStyleMade = false;
}  // namespace

TGridDrawStyleVz* GetGridDefaultDrawStyle() {
    if (!GDefaultDrawStyle && !GDefaultDrawStyleMade && Application) {
        GDefaultDrawStyleMade = true;
        GDefaultDrawStyle = New<TGridDrawStyleVz>(Application);
    }
    return GDefaultDrawStyle;
}

TGridDrawStyleVz::TGridDrawStyleVz(TComponent* AOwner) : TComponent(AOwner) {}

void TGridDrawStyleVz::BeforeDestruction() {
    if (GDefaultDrawStyle == this) GDefaultDrawStyle = nullptr;
    std::vector<TCustomGridVz*> grids;
    grids.swap(FGrids);
    for (TCustomGridVz* g : grids) g->SetDrawStyle(nullptr);
    TComponent::BeforeDestruction();
}

void TGridDrawStyleVz::AddChangeNotification(TCustomGridVz* Grid) {
    if (!GridInChangeNotification(Grid)) FGrids.push_back(Grid);
}

void TGridDrawStyleVz::RemoveChangeNotification(TCustomGridVz* Grid) {
    FGrids.erase(std::remove(FGrids.begin(), FGrids.end(), Grid), FGrids.end());
}

bool TGridDrawStyleVz::GridInChangeNotification(TCustomGridVz* Grid) const {
    return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

void TGridDrawStyleVz::Changed() {
    for (TCustomGridVz* g : std::vector<TCustomGridVz*>(FGrids)) g->DrawStyleChanged();
}

void TGridDrawStyleVz::SetSelectionStyle(TGridSelectionDrawStyleVz Value) {
    FSelectionStyle = Value;
    Changed();
}

bool TGridDrawStyleVz::IsCustomStyleActive() const { return IsCustomStyleActiveVz(); }

TGridSelectionDrawStyleVz TGridDrawStyleVz::GetDefaultActualSelectionStyle() {
    if (ThemesEnabledVz() && IsCustomStyleActive()) return gsdsGridThemedVz;
    if (VistaThemesEnabledVz()) return gsdsListViewThemedVz;
    return gsdsClassicVz;
}

TGridSelectionDrawStyleVz TGridDrawStyleVz::GetActualSelectionStyle() {
    if (FSelectionStyle == gsdsDefaultVz || (FSelectionStyle == gsdsListViewThemedVz && !VistaThemesEnabledVz()))
        return GetDefaultActualSelectionStyle();
    return FSelectionStyle;
}

bool TGridDrawStyleVz::DefaultDrawFocusFrame() {
    return GetActualSelectionStyle() == gsdsClassicVz && !IsCustomStyleActive();
}

bool TGridDrawStyleVz::DrawFocusFrame() { return FDrawFocusFrameStored ? FDrawFocusFrame : DefaultDrawFocusFrame(); }

void TGridDrawStyleVz::SetDrawFocusFrame(bool Value) {
    if (FDrawFocusFrameStored && Value == FDrawFocusFrame) return;
    SetDrawFocusFrameStored(true);
    FDrawFocusFrame = Value;
    Changed();
}

void TGridDrawStyleVz::SetDrawFocusFrameStored(bool Value) {
    if (Value == FDrawFocusFrameStored) return;
    FDrawFocusFrameStored = Value;
    FDrawFocusFrame = DefaultDrawFocusFrame();
    Changed();
}

// ================================================================================================
// TGridSelectionDrawParamsVz

void TGridSelectionDrawParamsVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridSelectionDrawParamsVz*>(Source)) {
        FSelectionStyle = s->FSelectionStyle;
        FDrawFocusFrame = s->FDrawFocusFrame;
        FDrawFocusFrameStored = s->FDrawFocusFrameStored;
        if (FGrid) FGrid->Invalidate();
        return;
    }
    TPersistent::Assign(Source);
}

void TGridSelectionDrawParamsVz::SetSelectionStyle(TGridSelectionDrawStyleVz Value) {
    if (Value == FSelectionStyle) return;
    FSelectionStyle = Value;
    if (FGrid) FGrid->Invalidate();
}

TGridSelectionDrawStyleVz TGridSelectionDrawParamsVz::GetActualSelectionStyle() {
    if (FSelectionStyle == gsdsDefaultVz || (FSelectionStyle == gsdsListViewThemedVz && !VistaThemesEnabledVz()))
        return FGrid ? FGrid->GetDefaultSelectionStyle() : gsdsClassicVz;
    return FSelectionStyle;
}

bool TGridSelectionDrawParamsVz::DefaultDrawFocusFrame() {
    if (FSelectionStyle != gsdsDefaultVz) return GetActualSelectionStyle() == gsdsClassicVz;
    return FGrid ? FGrid->GetDefaultDrawFocusFrame() : true;
}

bool TGridSelectionDrawParamsVz::DrawFocusFrame() {
    return FDrawFocusFrameStored ? FDrawFocusFrame : DefaultDrawFocusFrame();
}

void TGridSelectionDrawParamsVz::SetDrawFocusFrame(bool Value) {
    if (FDrawFocusFrameStored && Value == FDrawFocusFrame) return;
    FDrawFocusFrameStored = true;
    FDrawFocusFrame = Value;
    if (FGrid) FGrid->Invalidate();
}

void TGridSelectionDrawParamsVz::SetDrawFocusFrameStored(bool Value) {
    if (Value == FDrawFocusFrameStored) return;
    FDrawFocusFrameStored = Value;
    FDrawFocusFrame = DefaultDrawFocusFrame();
    if (FGrid) FGrid->Invalidate();
}

// ================================================================================================
// TGridOutBoundaryDataVz

void TGridOutBoundaryDataVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridOutBoundaryDataVz*>(Source)) {
        FBottomIndent = s->FBottomIndent;
        FLeftIndent = s->FLeftIndent;
        FRightIndent = s->FRightIndent;
        FTopIndent = s->FTopIndent;
        FLeftBottomDrawPriority = s->FLeftBottomDrawPriority;
        FLeftTopDrawPriority = s->FLeftTopDrawPriority;
        FRightBottomDrawPriority = s->FRightBottomDrawPriority;
        FRightTopDrawPriority = s->FRightTopDrawPriority;
        if (FGrid) FGrid->OutBoundaryDataChanged();
        return;
    }
    TPersistent::Assign(Source);
}

template <class T>
void TGridOutBoundaryDataVz::Store(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    if (FGrid) FGrid->OutBoundaryDataChanged();
}
template void TGridOutBoundaryDataVz::Store<int>(int&, int);
template void TGridOutBoundaryDataVz::Store<TCornerDrawPriorityVz>(TCornerDrawPriorityVz&, TCornerDrawPriorityVz);

bool TGridOutBoundaryDataVz::GetOutBoundaryRect(TRect& ARect, TGridCellBorderTypeVz Side) const {
    const int cw = FGrid->ClientWidth(), ch = FGrid->ClientHeight();
    const int t = FTopIndent, l = FLeftIndent, b = FBottomIndent, r = FRightIndent;
    const auto V = crpVerticalDataPriorityVz;
    switch (Side) {
    case cbtTopVz:
        if (t <= 0) return false;
        ARect = TRect(FLeftTopDrawPriority == V ? l : 0, 0, FRightTopDrawPriority == V ? cw - r : cw, t);
        return true;
    case cbtBottomVz:
        if (b <= 0) return false;
        ARect = TRect(FLeftBottomDrawPriority == V ? l : 0, ch - b, FRightBottomDrawPriority == V ? cw - r : cw, ch);
        return true;
    case cbtLeftVz:
        if (l <= 0) return false;
        ARect = TRect(0, FLeftTopDrawPriority == V ? 0 : t, l, FLeftBottomDrawPriority == V ? ch : ch - b);
        return true;
    case cbtRightVz:
        if (r <= 0) return false;
        ARect = TRect(cw - r, FRightTopDrawPriority == V ? 0 : t, cw, FRightBottomDrawPriority == V ? ch : ch - b);
        return true;
    }
    return false;
}

void TGridOutBoundaryDataVz::InvalidateOutBoundary(TGridCellBorderTypeVz Side) {
    TRect r;
    if (GetOutBoundaryRect(r, Side)) FGrid->TWinControl::InvalidateRect(r);
}

// ================================================================================================
// TGridBackgroundDataVz

TGridBackgroundDataVz::TGridBackgroundDataVz(TCustomGridVz* AGrid) : FGrid(AGrid), FPicture(NewOwned<TPicture>()) {
    FPicture->OnChange = [this](TObject* S) { PictureChanged(S); };
}

TGridBackgroundDataVz::~TGridBackgroundDataVz() = default;

void TGridBackgroundDataVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridBackgroundDataVz*>(Source)) {
        FImageHorzMargin = s->FImageHorzMargin;
        FImageVertMargin = s->FImageVertMargin;
        FImagePlacement = s->FImagePlacement;
        FVisible = s->FVisible;
        FPicture->Assign(s->FPicture.get());
        PictureChanged();
        return;
    }
    TPersistent::Assign(Source);
}

void TGridBackgroundDataVz::PictureChanged(TObject*) {
    if (FGrid) FGrid->Invalidate();
}

void TGridBackgroundDataVz::SetHorzMargin(int Value) {
    if (Value == FImageHorzMargin) return;
    FImageHorzMargin = Value;
    PictureChanged();
}

void TGridBackgroundDataVz::SetVertMargin(int Value) {
    if (Value == FImageVertMargin) return;
    FImageVertMargin = Value;
    PictureChanged();
}

void TGridBackgroundDataVz::SetPlacement(TImagePlacementVz Value) {
    if (Value == FImagePlacement) return;
    FImagePlacement = Value;
    PictureChanged();
}

void TGridBackgroundDataVz::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    PictureChanged();
}

void TGridBackgroundDataVz::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

void TGridBackgroundDataVz::BoundRect(TRect& Rect) {
    Rect = TRect(FGrid->HorzAxis()->GridClientStart(), FGrid->VertAxis()->GridClientStart(),
                 FGrid->HorzAxis()->GridClientStop(), FGrid->VertAxis()->GridClientStop());
}

void TGridBackgroundDataVz::CalcPictureRect(TRect& Rect) {
    TRect r;
    BoundRect(r);
    const int aw = r.Width(), ah = r.Height();
    r.Left += FImageHorzMargin;
    r.Top += FImageVertMargin;
    const int pw = FPicture->Width(), ph = FPicture->Height();
    int w = pw, h = ph;
    const double ratio = ph != 0 ? double(pw) / double(ph) : 0.0;
    switch (FImagePlacement) {
    case ipFillVz:
        if (pw <= 0 || ph <= 0) {
            w = aw;
            h = ah;
        } else {
            h = ah;
            w = static_cast<int>(ah * ratio);
            if (w < aw) {
                w = aw;
                h = static_cast<int>(aw / ratio);
            }
        }
        break;
    case ipFitVz:
        if (pw <= 0 || ph <= 0) {
            w = aw;
            h = ah;
        } else {
            w = aw;
            h = static_cast<int>(aw / ratio);
            if (h > ah) {
                h = ah;
                w = static_cast<int>(ah * ratio);
            }
        }
        break;
    case ipStretchVz:
        w = aw;
        h = ah;
        break;
    default: break;
    }
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
    const int dx = aw - w, dy = ah - h;
    int sx = 0, sy = 0;
    switch (FImagePlacement) {
    case ipTopCenterVz: sx = dx / 2; break;
    case ipTopRightVz: sx = dx; break;
    case ipCenterLeftVz: sy = dy / 2; break;
    case ipCenterCenterVz: sx = dx / 2; sy = dy / 2; break;
    case ipCenterRightVz: sx = dx; sy = dy / 2; break;
    case ipBottomLeftVz: sy = dy; break;
    case ipBottomCenterVz: sx = dx / 2; sy = dy; break;
    case ipBottomRightVz: sx = dx; sy = dy; break;
    case ipFillVz:
        if (h == ah) sx = dx / 2;
        else sy = dy / 2;
        break;
    case ipFitVz:
        if (w != aw) sx = dx / 2;
        else sy = dy / 2;
        break;
    default: break;
    }
    r.Left += sx;
    r.Right += sx;
    r.Top += sy;
    r.Bottom += sy;
    Rect = r;
}

void TGridBackgroundDataVz::PaintBackgroundData(TCanvas* Canvas) {
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(FGrid->Color());
    Canvas->FillRect(TRect(0, 0, FGrid->Width(), FGrid->Height()));
    TRect r;
    CalcPictureRect(r);
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty()) return;
    const int pw = FPicture->Width(), ph = FPicture->Height();
    if (FImagePlacement == ipTileVz) {
        if (pw <= 0 || ph <= 0) return;
        const int cw = FGrid->ClientWidth(), ch = FGrid->ClientHeight();
        for (int y = r.Top; y < ch; y += ph)
            for (int x = r.Left; x < cw; x += pw) Canvas->StretchDraw(TRect(x, y, x + pw, y + ph), g);
        return;
    }
    Canvas->StretchDraw(r, g);
}

// ================================================================================================
// TGridHotTrackSpotVz

void TGridHotTrackSpotVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridHotTrackSpotVz*>(Source)) {
        FCol = s->FCol;
        FRow = s->FRow;
        FInCellX = s->FInCellX;
        FInCellY = s->FInCellY;
        return;
    }
    TPersistent::Assign(Source);
}

// ================================================================================================
// TCustomGridVz: construction, counts and options

TCustomGridVz::TCustomGridVz(TComponent* AOwner)
    : TCustomControlVz(AOwner), FHorzAxis(NewOwned<TGridAxisDataVz>(this)), FVertAxis(NewOwned<TGridAxisDataVz>(this)) {
    FControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks};
    FOptions = TGridOptionsVz::FromBits(DefaultGridOptionsVzBits);
    FDesignOptionsBoost = TGridOptionsVz{goRowSizingVz, goColSizingVz, goColMovingVz};
    FColor = clWindow;
    FParentColor = false;
    FTabStop = true;
}

void TCustomGridVz::AfterConstruction() {
    TCustomControlVz::AfterConstruction();
    BeginBoundariesUpdate();
    AssignDefaultDrawStyle();
    FHorzScrollBar = CreateScrollBar(sbHorizontal);
    FVertScrollBar = CreateScrollBar(sbVertical);
    FScrollBarSize = GetSystemMetrics(SM_CYHSCROLL);
    FHorzAxis->SetDefaultCelLen(50);
    FVertAxis->SetDefaultCelLen(20);
    FGridLineColors = CreateGridLineColors();
    FOutBoundaryData = New<TGridOutBoundaryDataVz>(this);
    FGridTimer = New<TTimer>(nullptr);
    FGridTimer->SetEnabled(false);
    FGridTimer->OnTimer = [this](TObject* S) { GridTimerEvent(S); };
    FNewHotTrackSpot = CreateHotTrackSpot();
    FOldHotTrackSpot = CreateHotTrackSpot();
    FBackgroundData = CreateBackgroundData();
    auto panel = [this](TWinControl* P, const char* Name) {
        P->SetName(QString::fromLatin1(Name));
        P->SetVisible(false);
        P->SetBounds(0, 0, 0, 0);
        P->SetParent(this);
    };
    FHorzScrollBarPanelControl = CreateHorzScrollBarPanel();
    panel(FHorzScrollBarPanelControl, "HorzScrollBarPanelControl");
    FVertScrollBarPanelControl = CreateVertScrollBarPanel();
    panel(FVertScrollBarPanelControl, "VertScrollBarPanelControl");
    FCornerScrollBarPanelControl = CreateCornerScrollBarPanel();
    panel(FCornerScrollBarPanelControl, "CornerScrollBarPanelControl");
    FExtraSizeGripControl = New<TSizeGripPanelVz>(this);
    FExtraSizeGripControl->SetGripActiveStatus(gasNeverVz);
    panel(FExtraSizeGripControl, "ExtraSizeGripControl");
    FHorzAxis->SetRolCelCount(5);
    FVertAxis->SetRolCelCount(5);
    FHorzAxis->SetFixedCelCount(1);
    FVertAxis->SetFixedCelCount(1);
    FSelectionDrawParams = New<TGridSelectionDrawParamsVz>(this);
    FCurCell = FAnchorCell = TGridCoord{1, 1};
    EndBoundariesUpdate();
    SetBounds(FLeft, FTop, ColCount() * DefaultColWidth(), RowCount() * DefaultRowHeight());
    UpdateFixedLineColor();
    UpdateBoundaries();
}

TCustomGridVz::~TCustomGridVz() = default;

void TCustomGridVz::BeforeDestruction() {
    if (FDrawStyle) FDrawStyle->RemoveChangeNotification(this);
    FDrawStyle = nullptr;
    if (FGridTimer) FGridTimer->SetEnabled(false);
    if (FGridState == gsColMovingVz || FGridState == gsRowMovingVz) HideMove();
    BeginBoundariesUpdate();  // nothing lays itself out any more
    TCustomControlVz::BeforeDestruction();  // frees the owned editor and panels
    FInplaceEdit = nullptr;
    FreeAndNil(FSelectionDrawParams);
    FreeAndNil(FGridTimer);
    FreeAndNil(FOutBoundaryData);
    FreeAndNil(FHorzScrollBar);
    FreeAndNil(FVertScrollBar);
    FreeAndNil(FGridLineColors);
    FreeAndNil(FNewHotTrackSpot);
    FreeAndNil(FOldHotTrackSpot);
    FreeAndNil(FBackgroundData);
}

TGridScrollBarVz* TCustomGridVz::CreateScrollBar(TScrollBarKind Kind) { return New<TGridScrollBarVz>(this, Kind); }
TGridLineColorsVz* TCustomGridVz::CreateGridLineColors() { return New<TGridLineColorsVz>(this); }
TGridBackgroundDataVz* TCustomGridVz::CreateBackgroundData() { return New<TGridBackgroundDataVz>(this); }
TGridHotTrackSpotVz* TCustomGridVz::CreateHotTrackSpot() { return New<TGridHotTrackSpotVz>(); }
TInplaceEdit* TCustomGridVz::CreateEditor() { return New<TInplaceEdit>(this); }
TGridScrollBarPanelControlVz* TCustomGridVz::CreateHorzScrollBarPanel() {
    return New<TGridScrollBarPanelControlVz>(this, sbHorizontal);
}
TGridScrollBarPanelControlVz* TCustomGridVz::CreateVertScrollBarPanel() {
    return New<TGridScrollBarPanelControlVz>(this, sbVertical);
}
TSizeGripPanelVz* TCustomGridVz::CreateCornerScrollBarPanel() { return New<TSizeGripPanelVz>(this); }

void TCustomGridVz::AssignDefaultDrawStyle() {
    FDrawStyle = GetGridDefaultDrawStyle();
    if (FDrawStyle) FDrawStyle->AddChangeNotification(this);
    else DrawStyleChanged();
}

void TCustomGridVz::SetDrawStyle(TGridDrawStyleVz* Style) {
    if (FDrawStyle) FDrawStyle->RemoveChangeNotification(this);
    FDrawStyle = nullptr;
    if (!Style) {
        AssignDefaultDrawStyle();
        return;
    }
    FDrawStyle = Style;
    Style->AddChangeNotification(this);
    DrawStyleChanged();
}

TGridSelectionDrawStyleVz TCustomGridVz::GetDefaultSelectionStyle() {
    return FDrawStyle ? FDrawStyle->GetActualSelectionStyle() : gsdsClassicVz;
}

bool TCustomGridVz::GetDefaultDrawFocusFrame() { return FDrawStyle ? FDrawStyle->DrawFocusFrame() : true; }

int TCustomGridVz::ColWidths(int Index) const {
    if (Index < 0 || Index >= FHorzAxis->FullCelCount()) GridIndexError();
    return FHorzAxis->GetCelLens(Index);
}

void TCustomGridVz::SetColWidths(int Index, int Value) {
    if (Index < 0 || Index >= FHorzAxis->FullCelCount()) GridIndexError();
    FHorzAxis->SetCelLens(Index, Value);
}

int TCustomGridVz::RowHeights(int Index) const {
    if (Index < 0 || Index >= FVertAxis->FullCelCount()) GridIndexError();
    return FVertAxis->GetCelLens(Index);
}

void TCustomGridVz::SetRowHeights(int Index, int Value) {
    if (Index < 0 || Index >= FVertAxis->FullCelCount()) GridIndexError();
    FVertAxis->SetCelLens(Index, Value);
}

void TCustomGridVz::SetCol(int Value) {
    if (Value != FCurCell.X) MoveFocusToCell(Value, FCurCell.Y, true);
}

void TCustomGridVz::SetRow(int Value) {
    if (Value != FCurCell.Y) MoveFocusToCell(FCurCell.X, Value, true);
}

int TCustomGridVz::VisibleColCount() { return FHorzAxis->RolLastFullVisCel() - FHorzAxis->RolStartVisCel() + 1; }
int TCustomGridVz::VisibleRowCount() { return FVertAxis->RolLastFullVisCel() - FVertAxis->RolStartVisCel() + 1; }

void TCustomGridVz::SetOptions(TGridOptionsVz Value) {
    if (Value == FOptions) return;
    if (Value.Contains(goRowSelectVz)) Value.Exclude(goAlwaysShowEditorVz);
    FOptions = Value;
    if (!FEditorMode) {
        if (FOptions.Contains(goAlwaysShowEditorVz)) ShowEditor();
        else HideEdit();
    }
    if (FOptions.Contains(goRowSelectVz)) MoveCurrentCell(FCurCell.X, FCurCell.Y, true, false);
    if (HandleAllocated()) UpdateBoundaries();
    Invalidate();
}

void TCustomGridVz::SetFixedColor(TColor Value) {
    if (Value == FFixedColor) return;
    FFixedColor = Value;
    Invalidate();
}

void TCustomGridVz::SetFlat(bool Value) {
    if (Value == FFlat) return;
    FFlat = Value;
    UpdateFixedLineColor();
    FlatChanged();
    Invalidate();
}

void TCustomGridVz::UpdateFixedLineColor() { FFixedLineColor = FFlat ? clGray : clBlack; }

void TCustomGridVz::SetGridLineWidth(int Value) {
    if (Value == FGridLineWidth) return;
    FGridLineWidth = Value;
    UpdateBoundaries();
    Invalidate();
}

void TCustomGridVz::SetBorderStyle(TFormBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomGridVz::SetSizeGripAlwaysShow(bool Value) {
    if (Value == FSizeGripAlwaysShow) return;
    FSizeGripAlwaysShow = Value;
    UpdateScrollBarPanels();
}

void TCustomGridVz::SetSizeGripPostion(TSizeGripPosition Value) {
    if (Value == FSizeGripPostion) return;
    FSizeGripPostion = Value;
    UpdateScrollBarPanels();
}

int TCustomGridVz::GetVertLineWidth() {
    return FOptions.Contains(goFixedVertLineVz) || FOptions.Contains(goVertLineVz) ? FGridLineWidth : 0;
}

int TCustomGridVz::GetHorzLineWidth() {
    return FOptions.Contains(goFixedHorzLineVz) || FOptions.Contains(goHorzLineVz) ? FGridLineWidth : 0;
}

bool TCustomGridVz::LinesVisible(bool Horz) {
    return Horz ? FOptions.Contains(goFixedHorzLineVz) || FOptions.Contains(goHorzLineVz)
                : FOptions.Contains(goFixedVertLineVz) || FOptions.Contains(goVertLineVz);
}

void TCustomGridVz::UnlockPaint() {
    if (FLockPaint > 0) --FLockPaint;
}

void TCustomGridVz::RemoveColumn(int Index) {
    MoveColumn(Index, ColCount() - 1);
    SetColCount(ColCount() - 1);
}

void TCustomGridVz::RemoveRow(int Index) {
    LockPaint();
    try {
        FVertAxis->DeleteRolCels(Index - FixedRowCount(), 1);
    } catch (...) {
        UnlockPaint();
        throw;
    }
    UnlockPaint();
    Invalidate();
}

// ---- notifications from the axes ---------------------------------------------------------------

void TCustomGridVz::ClampCurrentToCounts() {
    int loC = std::max(0, FixedColCount() - FrozenColCount()), loR = std::max(0, FixedRowCount() - FrozenRowCount());
    FCurCell.X = std::max(std::min(FCurCell.X, ColCount() - 1), loC);
    FCurCell.Y = std::max(std::min(FCurCell.Y, RowCount() - 1), loR);
    FAnchorCell = FCurCell;
}

void TCustomGridVz::CellCountsChanged() {
    Invalidate();
    ClampCurrentToCounts();
}

void TCustomGridVz::AxisCelLenChanged(TGridAxisDataVz* Axis, Integer Index, Integer OldLen) {
    if (Index < Axis->FixedCelCount() || Index >= Axis->CelCount()) UpdateBoundaries();
    if (Axis == FHorzAxis.get()) ColumnWidthsChanged();
    else RowHeightsAdjusted();
}

void TCustomGridVz::ColumnWidthsChanged() {
    if (RolCelPosArrsActual()) RefreshInplaceEditor();
}

void TCustomGridVz::RowHeightsAdjusted() {
    if (RolCelPosArrsActual()) RefreshInplaceEditor();
}

void TCustomGridVz::AxisCelMoved(TGridAxisDataVz* Axis, Integer FromIndex, Integer ToIndex) {
    Invalidate();
    if (Axis == FHorzAxis.get()) NotifyColumnMoved(FromIndex, ToIndex);
    else NotifyRowMoved(FromIndex, ToIndex);
}

void TCustomGridVz::NotifyColumnMoved(int FromIndex, int ToIndex) {
    bool anchorOnCurrent = FAnchorCell == FCurCell;
    int c = FCurCell.X;
    if (c == FromIndex) c = ToIndex;
    else if (FromIndex < c && c <= ToIndex) --c;
    else if (ToIndex <= c && c < FromIndex) ++c;
    FCurCell.X = c;
    if (anchorOnCurrent) FAnchorCell = FCurCell;
}

void TCustomGridVz::UpdateRolCelPosArrs() {
    FHorzAxis->CheckUpdateRolCelPosArr();
    FVertAxis->CheckUpdateRolCelPosArr();
}

bool TCustomGridVz::RolCelPosArrsActual() const {
    return !FHorzAxis->RolLocCelPosArrObsolete() && !FVertAxis->RolLocCelPosArrObsolete();
}

void TCustomGridVz::AxisRolStartVisPosChanged(TGridAxisDataVz* Axis, Int64 OldPos) {
    if (Axis == FHorzAxis.get()) StartVisPosChanged(OldPos, FVertAxis->RolStartVisPos());
    else StartVisPosChanged(FHorzAxis->RolStartVisPos(), OldPos);
}

// ---- layout ------------------------------------------------------------------------------------

void TCustomGridVz::UpdateBoundaries() {
    if (BoundariesUpdating() || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying))
        return;
    if (!FHorzScrollBar || !FVertScrollBar || !FOutBoundaryData) return;
    BeginBoundariesUpdate();
    try {
        UpdateRolCelPosArrs();
        FWinClientBoundary = TRect(0, 0, ClientWidth(), ClientHeight());
        TGridAxisDataVz* h = FHorzAxis.get();
        TGridAxisDataVz* v = FVertAxis.get();
        h->SetWinClientBoundSta(FWinClientBoundary.Left);
        h->SetWinClientBoundSto(FWinClientBoundary.Right);
        v->SetWinClientBoundSta(FWinClientBoundary.Top);
        v->SetWinClientBoundSto(FWinClientBoundary.Bottom);
        h->SetGridClientStart(FWinClientBoundary.Left + FOutBoundaryData->LeftIndent());
        h->SetGridClientStop(FWinClientBoundary.Right - FOutBoundaryData->RightIndent());
        v->SetGridClientStart(FWinClientBoundary.Top + FOutBoundaryData->TopIndent());
        v->SetGridClientStop(FWinClientBoundary.Bottom - FOutBoundaryData->BottomIndent());
        auto contra = [this](TGridAxisDataVz* A, TGridOptionVz LineOption) {
            int len = static_cast<int>(SumLens(A, A->CelCount(), A->ContraCelCount()));
            if (A->ContraCelCount() > 0 && FOptions.Contains(LineOption)) len += FGridLineWidth;
            A->SetContraLen(len);
            A->SetContraStart(A->GridClientStop() - len);
            A->SetFixedBoundary(A->GridClientStart() + static_cast<int>(SumLens(A, 0, A->FixedCelCount())));
            int fz = std::min(A->FrozenCelCount(), A->FixedCelCount());
            A->SetFrozenLen(static_cast<int>(SumLens(A, A->FixedCelCount() - fz, fz)));
        };
        contra(h, goContraVertBoundaryLineVz);
        contra(v, goContraHorzBoundaryLineVz);
        auto shrink = [](TGridAxisDataVz* A, int Size) {
            A->SetGridClientStop(A->GridClientStop() - Size);
            A->SetContraStart(A->ContraStart() - Size);
        };
        if (FHorzScrollBar->IsScrollBarShowing()) {
            shrink(v, FHorzScrollBar->ActualSize());
            if (FVertScrollBar->IsScrollBarShowing()) shrink(h, FVertScrollBar->ActualSize());
        } else {
            if (FVertScrollBar->IsScrollBarShowing()) shrink(h, FVertScrollBar->ActualSize());
            if (FHorzScrollBar->IsScrollBarShowing()) shrink(v, FHorzScrollBar->ActualSize());
        }
        ClampScrollPositions(!IsSmoothHorzScroll(), !IsSmoothVertScroll());
        h->UpdateVisCells();
        v->UpdateVisCells();
        UpdateScrollBars();
        if (FInplaceEdit) RefreshInplaceEditor();
    } catch (...) {
        EndBoundariesUpdate();
        throw;
    }
    EndBoundariesUpdate();
    Invalidate();
}

void TCustomGridVz::Resize() {
    TCustomControlVz::Resize();
    UpdateBoundaries();
}

void TCustomGridVz::Loaded() {
    TCustomControlVz::Loaded();
    UpdateBoundaries();
}

void TCustomGridVz::DefineProperties(TFiler* Filer) {
    TCustomControlVz::DefineProperties(Filer);
    if (!FSaveCellExtents) return;
    auto* anc = dynamic_cast<TCustomGridVz*>(Filer->Ancestor());
    auto define = [&](const char* Name, bool Cols) {
        TGridAxisDataVz* mine = Cols ? FHorzAxis.get() : FVertAxis.get();
        const bool has = !anc || !AxisCelLensEqual(Cols ? anc->HorzAxis() : anc->VertAxis(), mine);
        Filer->DefineProperty(
            QString::fromLatin1(Name),
            [this, Cols](TReader* R) {
                R->ReadListBegin();
                for (int i = 0; !R->EndOfList(); ++i) {
                    const int v = static_cast<int>(R->ReadInteger());
                    if (Cols) SetColWidths(i, v);
                    else SetRowHeights(i, v);
                }
                R->ReadListEnd();
            },
            [this, Cols](TWriter* W) {
                W->WriteListBegin();
                const int n = Cols ? ColCount() : RowCount();
                for (int i = 0; i < n; ++i) W->WriteInteger(Cols ? ColWidths(i) : RowHeights(i));
                W->WriteListEnd();
            },
            has);
    };
    define("ColWidths", true);
    define("RowHeights", false);
}

void TCustomGridVz::FontChanged() {
    TCustomControlVz::FontChanged();
    if (FInplaceEdit) FInplaceEdit->SetFont(Font());
}

// ---- geometry ----------------------------------------------------------------------------------

Int64 TCustomGridVz::CalcColsLen(int Start, int Count) { return Count <= 0 ? 0 : SumLens(FHorzAxis.get(), Start, Count); }
Int64 TCustomGridVz::CalcRowsLen(int Start, int Count) { return Count <= 0 ? 0 : SumLens(FVertAxis.get(), Start, Count); }

namespace {
// One axis of a cell range in client coordinates; false when the range is scrolled out.
bool AxisSpan(TGridAxisDataVz* A, int Lo, int Hi, bool Clip, int& S, int& E) {
    const int f = A->FixedCelCount(), cc = A->CelCount();
    const int gcs = A->GridClientStart(), fb = A->FixedBoundary(), cs = A->ContraStart();
    const Int64 sp = A->RolStartVisPos();
    if (Lo < f) S = gcs + static_cast<int>(SumLens(A, 0, Lo));
    else if (Lo < cc) {
        Int64 d = A->GetRolLocCelPosArr(Lo - f) - sp;
        S = (!Clip || d >= 0) ? ClampToClient(fb + d) : fb;
    } else S = cs + static_cast<int>(SumLens(A, cc, Lo - cc));
    if (Hi < f) E = std::min<Int64>(gcs + SumLens(A, 0, Hi + 1), cs);
    else if (Hi < cc) {
        Int64 d = A->GetRolLocCelPosArr(Hi - f) + A->GetRolCelLens(Hi - f) - sp;
        E = (!Clip || d >= 0) ? ClampToClient(fb + d) : fb - 1;
        if (Clip) E = std::min(E, cs);
    } else E = cs + static_cast<int>(SumLens(A, cc, Hi - cc + 1));
    return E >= S;
}
}  // namespace

TRect TCustomGridVz::GridRectToScreenRect(const TGridRect& ARect, bool Clip, bool Reflect) {
    if (ARect.Right < ARect.Left || ARect.Bottom < ARect.Top) return TRect();
    TRect r;
    if (!AxisSpan(FHorzAxis.get(), ARect.Left, ARect.Right, Clip, r.Left, r.Right)) return TRect();
    if (!AxisSpan(FVertAxis.get(), ARect.Top, ARect.Bottom, Clip, r.Top, r.Bottom)) return TRect();
    if (Reflect && UseRightToLeftAlignment() && !FCanvasRightToLeftReflected) FHorzAxis->SwapRightToLeftPoses(r.Left, r.Right);
    return r;
}

TRect TCustomGridVz::CellRangeRect(int Left, int Top, int Right, int Bottom) {
    return GridRectToScreenRect(TGridRect{Left, Top, Right, Bottom}, true, true);
}

TRect TCustomGridVz::CellDataRect(int ACol, int ARow) {
    TRect r = CellRect(ACol, ARow);
    if (r.IsEmpty()) return r;
    bool ext;
    TColor c;
    if (GetCellBorder(ACol, ARow, cbtRightVz, ext, c) && r.Width() >= FHorzAxis->GetCelLens(ACol)) {
        if (UseRightToLeftAlignment()) r.Left += FGridLineWidth;
        else r.Right -= FGridLineWidth;
    }
    if (GetCellBorder(ACol, ARow, cbtBottomVz, ext, c)) r.Bottom -= FGridLineWidth;
    return r;
}

namespace {
// The cell along one axis at a client coordinate (see CalcCoordFromPoint); ContraAtStart: a
// point exactly on ContraStart belongs to the contra zone.
int AxisCellAt(TGridAxisDataVz* A, int X, bool ContraAtStart) {
    const int gcs = A->GridClientStart(), fb = A->FixedBoundary(), cs = A->ContraStart(), stop = A->GridClientStop();
    if (X < gcs) return -1;
    if (X < fb) {
        int pos = gcs;
        for (int i = 0; i < A->FixedCelCount(); ++i) {
            pos += A->GetFixedCelLens(i);
            if (pos > X) return i;
        }
        return -1;
    }
    if (X > cs || (ContraAtStart && X == cs && A->ContraCelCount() > 0)) {
        if (X >= stop) return A->FullCelCount();
        int pos = cs;
        for (int i = 0; i < A->ContraCelCount(); ++i) {
            pos += A->GetContraCelLens(i);
            if (pos > X) return A->CelCount() + i;
        }
        return -1;
    }
    Int64 pos = fb - A->RolStartVisCelOfst();
    for (int c = A->RolStartVisCel(); c < A->RolCelCount(); ++c) {
        pos += A->GetRolCelLens(c);
        if (pos > X) return A->FixedCelCount() + c;
    }
    return A->FullCelCount();
}
}  // namespace

TGridCoord TCustomGridVz::CalcCoordFromPoint(int X, int Y) {
    if (UseRightToLeftAlignment()) X = ClientWidth() - X;
    return TGridCoord{AxisCellAt(FHorzAxis.get(), X, false), AxisCellAt(FVertAxis.get(), Y, true)};
}

TGridCoord TCustomGridVz::MouseCoord(int X, int Y) {
    TGridCoord c = CalcCoordFromPoint(X, Y);
    if (c.X < 0 || c.X >= FullColCount()) c.X = -1;
    if (c.Y < 0 || c.Y >= FullRowCount()) c.Y = -1;
    return c;
}

void TCustomGridVz::ClampCoord(TGridCoord& Coord) {
    Coord.X = std::clamp(Coord.X, 0, FullColCount() - 1);
    Coord.Y = std::clamp(Coord.Y, 0, FullRowCount() - 1);
}

void TCustomGridVz::ValidateCoord(TGridCoord& Coord) {
    if (Coord.X < 0 || Coord.X >= FullColCount() || Coord.Y < 0 || Coord.Y >= FullRowCount()) Coord = TGridCoord{-1, -1};
}

// ---- current cell and selection -----------------------------------------------------------------

void TCustomGridVz::MoveCurrentCell(int ACol, int ARow, bool ScrollHorz, bool ScrollVert) {
    InternalMoveCurrent(ACol, ARow, ScrollHorz, ScrollVert);
}

void TCustomGridVz::InternalMoveCurrent(int ACol, int ARow, bool ScrollHorz, bool ScrollVert) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) GridIndexError();
    if (!CanSelectCell(ACol, ARow)) return;
    TGridRect oldSel = GetSelection();
    TGridCoord oldCur = FCurCell;
    bool wasMulti = IsMultiCellSelection();
    if (!FOptions.Contains(goAlwaysShowEditorVz)) HideInplaceEditor();
    FCurCell = FAnchorCell = TGridCoord{ACol, ARow};
    if (ScrollHorz || ScrollVert) ScrollCellIntoView(FCurCell, ScrollHorz, ScrollVert);
    if (wasMulti != IsMultiCellSelection()) Invalidate();
    else {
        if (FOptions.Contains(goRowSelectVz)) {
            RepaintRow(oldCur.Y);
            RepaintRow(ARow);
        }
        RepaintCell(oldCur.X, oldCur.Y);
        RepaintCell(ACol, ARow);
    }
    SelectionChanged(oldSel);
    CurrentCellMoved(oldCur);
}

void TCustomGridVz::MoveFocusToCell(int ACol, int ARow, bool MoveAnchor) {
    MoveCurrentCell(ACol, ARow, true, true);
    RefreshInplaceEditor();
}

void TCustomGridVz::SetAnchorCell(int ACol, int ARow, bool Show) {
    if (FAnchorCell == TGridCoord{ACol, ARow}) return;
    if (ACol < 0 || ARow < 0 || ACol >= FullColCount() || ARow >= FullRowCount())
        throw EInvalidGridOperationVz(QStringLiteral("TCustomGridVz.SetAnchorCell: Grid index out of range"));
    TGridRect oldSel = GetSelection();
    FAnchorCell = TGridCoord{ACol, ARow};
    ScrollCellIntoView(FAnchorCell, true, true);
    SelectionChanged(oldSel);
}

void TCustomGridVz::SelectionChanged(const TGridRect& OldSelection) {
    InvalidateRect(OldSelection);
    InvalidateRect(GetSelection());
}

void TCustomGridVz::FindNextSelectableCell(int CurCol, int CurRow, TGridCoord& NewCell, int TargetRow, int TargetCol) {
    NewCell = TGridCoord{TargetCol, TargetRow};
    if (TargetCol > CurCol) {
        for (int c = TargetCol; c <= ColCount() - 1; ++c)
            if (CanSelectCell(c, TargetRow)) {
                NewCell.X = c;
                break;
            }
    } else if (TargetCol < CurCol) {
        for (int c = TargetCol; c >= 0; --c)
            if (CanSelectCell(c, TargetRow)) {
                NewCell.X = c;
                break;
            }
    }
    if (TargetRow > CurRow) {
        for (int r = TargetRow; r <= RowCount() - 1; ++r)
            if (CanSelectCell(TargetCol, r)) {
                NewCell.Y = r;
                break;
            }
    } else if (TargetRow < CurRow) {
        for (int r = TargetRow; r >= 0; --r)
            if (CanSelectCell(TargetCol, r)) {
                NewCell.Y = r;
                break;
            }
    }
}

// ================================================================================================
// Painting

void TCustomGridVz::InvalidateRect(const TGridRect& ARect) {
    if (!HandleAllocated() || PaintLocked()) return;
    TRect r = GridRectToScreenRect(ARect, true, true);
    if (!r.IsEmpty()) TWinControl::InvalidateRect(r);
}

void TCustomGridVz::RepaintColumn(int ACol) {
    InvalidateRect(TGridRect{ACol, 0, ACol, FixedRowCount() + FVertAxis->RolLastVisCel()});
    if (ContraRowCount() > 0) InvalidateRect(TGridRect{ACol, RowCount(), ACol, FullRowCount() - 1});
}

void TCustomGridVz::RepaintRow(int ARow) {
    InvalidateRect(TGridRect{0, ARow, std::min(FixedColCount() + FHorzAxis->RolLastVisCel(), ColCount() - 1), ARow});
    if (ContraColCount() > 0) InvalidateRect(TGridRect{ColCount(), ARow, FullColCount() - 1, ARow});
}

void TCustomGridVz::CalcInternalColors() {
    FInternalColor = Color();
    FInternalFontColor = Font()->Color();
    FInternalFixedColor = FFixedColor;
    FInternalFixedFontColor = Font()->Color();
}

bool TCustomGridVz::NeedBufferedPaint() { return ThemesEnabledVz(); }
bool TCustomGridVz::IsBackgroundShowing() { return FBackgroundData && FBackgroundData->Showing(); }
bool TCustomGridVz::InvalidateOnScroll() { return IsBackgroundShowing(); }

bool TCustomGridVz::CellUsesThemedSelection(TGridDrawState State) {
    if (!ThemesEnabledVz()) return false;
    TGridSelectionDrawStyleVz s = FSelectionDrawParams->GetActualSelectionStyle();
    if (s == gsdsGridThemedVz && State.Contains(gdFocused)) return true;
    if (s == gsdsListViewThemedVz && (State.Contains(gdFocused) || State.Contains(gdCurrent))) return true;
    return (s == gsdsGridThemedVz || s == gsdsListViewThemedVz) && FOptions.Contains(goRowSelectVz) &&
           (State.Contains(gdSelected) || State.Contains(gdRowSelected));
}

void TCustomGridVz::SetCanvasOrientation(TCanvas* ACanvas, bool RightToLeft) {
    HDC dc = ACanvas->Handle();
    unsigned layout = dc->Layout();
    dc->SetLayout(RightToLeft ? (layout | LAYOUT_RTL) : (layout & ~LAYOUT_RTL));
    FCanvasRightToLeftReflected = RightToLeft;
}

void TCustomGridVz::DrawPolyline(TCanvas* ACanvas, const TPoint* Points, int Count) {
    std::vector<TPoint> pts(Points, Points + Count);
    if (FCanvasRightToLeftReflected)
        for (TPoint& p : pts) p.X += 1;
    ACanvas->Polyline(pts);
}

void TCustomGridVz::DrawThickLine(int X1, int Y1, int X2, int Y2, int Width) {
    TCanvas* c = Canvas();
    TColor old = c->Brush()->Color();
    c->Brush()->SetColor(c->Pen()->Color());
    if (X1 == X2) {
        if (Y1 == Y2) return;
        c->FillRect(TRect(X1, std::min(Y1, Y2), X1 + Width, std::max(Y1, Y2)));
    } else c->FillRect(TRect(std::min(X1, X2), Y1, std::max(X1, X2), Y1 + Width));
    c->Brush()->SetColor(old);
}

bool TCustomGridVz::GetCellBorder(int ACol, int ARow, TGridCellBorderTypeVz BorderType, bool& Extends, TColor& Color) {
    const bool fixedCell = ACol < FixedColCount() || ARow < FixedRowCount();
    const bool vertSide = BorderType == cbtLeftVz || BorderType == cbtRightVz;
    bool visible = vertSide ? FOptions.Contains(fixedCell ? goFixedVertLineVz : goVertLineVz)
                            : FOptions.Contains(fixedCell ? goFixedHorzLineVz : goHorzLineVz);
    Extends = true;
    const bool nearSide = BorderType == cbtTopVz || BorderType == cbtLeftVz;
    if (nearSide && ((BorderType == cbtLeftVz && ACol == ColCount()) || (BorderType == cbtTopVz && ARow == RowCount())))
        Color = FGridLineColors->GetDarkColor();
    else if (ACol < FixedColCount() - FrozenColCount() || ARow < FixedRowCount() - FrozenRowCount())
        Color = FGridLineColors->GetDarkColor();
    else if ((BorderType == cbtRightVz && ACol == FixedColCount() - 1) ||
             (BorderType == cbtBottomVz && ARow == FixedRowCount() - 1))
        Color = FGridLineColors->GetDarkColor();
    else Color = FGridLineColors->GetBrightColor();
    return visible;
}

bool TCustomGridVz::IsCellBorderVisible(int ACol, int ARow, TGridCellBorderTypeVz BorderType) {
    bool e;
    TColor c;
    return GetCellBorder(ACol, ARow, BorderType, e, c);
}

void TCustomGridVz::PaintCell(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    DrawCellBorder(ACol, ARow, TGridCellBorderTypesVz{cbtBottomVz, cbtRightVz}, State, ARect);
    DrawCellData(ACol, ARow, State, ARect);
}

void TCustomGridVz::DrawCellBorder(int ACol, int ARow, TGridCellBorderTypesVz Borders, TGridDrawState State,
                                   TRect& ARect) {
    bool rE = false, bE = false, rV = false, bV = false;
    TColor rC = clNone, bC = clNone;
    if (Borders.Contains(cbtRightVz)) rV = GetCellBorder(ACol, ARow, cbtRightVz, rE, rC);
    if (Borders.Contains(cbtBottomVz)) bV = GetCellBorder(ACol, ARow, cbtBottomVz, bE, bC);
    bool rKeeps = rV, bKeeps = bV;
    if (rV && bV && rE && bE && ColorToRGB(rC) != ColorToRGB(bC)) {
        if (GetColorLuminanceVz(bC) < GetColorLuminanceVz(rC)) rKeeps = false;
        else bKeeps = false;
    }
    TCanvas* c = Canvas();
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    const TRect r = ARect;
    if (rV) {
        c->Pen()->SetColor(rC);
        TPoint pts[2] = {TPoint(r.Right - 1, r.Top), TPoint(r.Right - 1, rKeeps ? r.Bottom : r.Bottom - 1)};
        DrawPolyline(c, pts, 2);
        ARect.Right -= 1;
    }
    if (bV) {
        c->Pen()->SetColor(bC);
        TPoint pts[2] = {TPoint(r.Left, r.Bottom - 1), TPoint(bKeeps ? r.Right : r.Right - 1, r.Bottom - 1)};
        DrawPolyline(c, pts, 2);
        ARect.Bottom -= 1;
    }
}

void TCustomGridVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    TCanvas* c = Canvas();
    c->Font()->SetColor(clWindowText);
    bool fixedPart = ACol < FixedColCount() - FrozenColCount() || ARow < FixedRowCount() - FrozenRowCount();
    c->Brush()->SetColor(fixedPart ? clMoneyGreen : clWindow);
    if (State.Contains(gdSelected)) {
        c->Font()->SetColor(clHighlightText);
        c->Brush()->SetColor(IsActiveControl() ? clHighlight : clBtnShadow);
    }
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ARect);
    c->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, QString::number(ACol) + QLatin1Char(':') + QString::number(ARow));
}

void TCustomGridVz::DrawEmptyAreaCell(int ACol, int ARow, TRect ARect) {
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(FInternalColor);
    Canvas()->FillRect(ARect);
}

void TCustomGridVz::PaintOutBoundary() {
    static const TGridCellBorderTypeVz order[] = {cbtTopVz, cbtLeftVz, cbtBottomVz, cbtRightVz};
    for (TGridCellBorderTypeVz side : order) {
        TRect r;
        if (!FOutBoundaryData->GetOutBoundaryRect(r, side)) continue;
        switch (side) {
        case cbtTopVz: DrawTopOutBoundary(r); break;
        case cbtLeftVz: DrawLeftOutBoundary(r); break;
        case cbtBottomVz: DrawBottomOutBoundary(r); break;
        case cbtRightVz: DrawRightOutBoundary(r); break;
        }
    }
}

namespace {
void FillWith(TCanvas* C, const TRect& R, TColor Color) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color);
    C->FillRect(R);
}

// Clips the canvas to a rectangle for the life of the object. Restoring the device context also
// brings back the objects selected when it was saved, so the canvas selects its own again.
class TClipScope {
public:
    TClipScope(TCanvas* C, const TRect& R) : FCanvas(C), FDC(C->Handle()) {
        FSaved = FDC->SaveDC();
        FDC->IntersectClipRect(R);
    }
    ~TClipScope() {
        FDC->RestoreDC(FSaved);
        FCanvas->Refresh();
    }

private:
    TCanvas* FCanvas;
    HDC FDC;
    int FSaved;
};
}  // namespace

void TCustomGridVz::DrawTopOutBoundary(TRect ARect) { FillWith(Canvas(), ARect, FFixedColor); }
void TCustomGridVz::DrawLeftOutBoundary(TRect ARect) { FillWith(Canvas(), ARect, FFixedColor); }
void TCustomGridVz::DrawBottomOutBoundary(TRect ARect) { FillWith(Canvas(), ARect, FFixedColor); }
void TCustomGridVz::DrawRightOutBoundary(TRect ARect) { FillWith(Canvas(), ARect, FFixedColor); }

void TCustomGridVz::PaintBlock(int StartCol, int StartRow, int StartX, int StartY, int StopX, int StopY,
                               TGridDrawState BaseState, const TGridRect& Selection) {
    // The column and row limits of the block's zones: fixed blocks stop at the fixed count,
    // rolling ones at the count, contra ones at the full count.
    auto zoneEnd = [](TGridAxisDataVz* A, int Start) {
        if (Start < A->FixedCelCount()) return A->FixedCelCount();
        if (Start < A->CelCount()) return A->CelCount();
        return A->FullCelCount();
    };
    const int colEnd = zoneEnd(FHorzAxis.get(), StartCol), rowEnd = zoneEnd(FVertAxis.get(), StartRow);
    HDC dc = Canvas()->Handle();
    const bool focused = Focused();
    const bool rowSelect = FOptions.Contains(goRowSelectVz);
    int y = StartY;
    for (int row = StartRow; row < rowEnd && y < StopY; ++row) {
        const int h = FVertAxis->GetCelLens(row);
        int x = StartX;
        for (int col = StartCol; col < colEnd && x < StopX; ++col) {
            const int w = FHorzAxis->GetCelLens(col);
            if (w > 0 && h > 0) {
                TRect r(x, y, x + w, y + h);
                if (dc->RectVisible(r)) {
                    TGridDrawState st = BaseState;
                    const bool current = col == FCurCell.X && row == FCurCell.Y;
                    if (current) st += TGridDrawState{gdCurrent, gdSelected};
                    if (col == FHotTrackCell.X && row == FHotTrackCell.Y) st.Include(gdHotTrack);
                    if (focused && current) st.Include(gdFocused);
                    if (rowSelect && row == FCurCell.Y) st.Include(gdRowSelected);
                    if (Selection.Contains(col, row)) st.Include(gdSelected);
                    PaintCell(col, row, st, r);
                }
            }
            x += w;
        }
        y += h;
    }
}

void TCustomGridVz::DrawContraVertLine(int StartRow, int StartY, int StopY) {
    const int x = FHorzAxis->ContraStart();
    const int rowEnd = StartRow < FixedRowCount() ? FixedRowCount() : StartRow < RowCount() ? RowCount() : FullRowCount();
    int y = StartY;
    for (int row = StartRow; row < rowEnd && y < StopY; ++row) {
        const int h = FVertAxis->GetCelLens(row);
        bool ext;
        TColor c;
        if (h > 0 && GetCellBorder(ColCount(), row, cbtLeftVz, ext, c)) FillWith(Canvas(), TRect(x, y, x + 1, y + h), c);
        y += h;
    }
}

void TCustomGridVz::DrawContraHorzLine(int StartCol, int StartX, int StopX) {
    const int y = FVertAxis->ContraStart();
    const int colEnd = StartCol < FixedColCount() ? FixedColCount() : StartCol < ColCount() ? ColCount() : FullColCount();
    int x = StartX;
    for (int col = StartCol; col < colEnd && x < StopX; ++col) {
        const int w = FHorzAxis->GetCelLens(col);
        bool ext;
        TColor c;
        if (w > 0 && GetCellBorder(col, RowCount(), cbtTopVz, ext, c)) FillWith(Canvas(), TRect(x, y, x + w, y + 1), c);
        x += w;
    }
}

void TCustomGridVz::Paint() {
    if (PaintLocked()) return;
    TCanvas* canvas = Canvas();
    const bool mirror = UseRightToLeftAlignment();
    if (mirror) SetCanvasOrientation(canvas, true);
    const TGridRect sel = GetSelection();
    UpdateRolCelPosArrs();
    CalcInternalColors();
    if (IsBackgroundShowing()) FBackgroundData->PaintBackgroundData(canvas);
    PaintOutBoundary();

    TGridAxisDataVz* h = FHorzAxis.get();
    TGridAxisDataVz* v = FVertAxis.get();
    const int hGCS = h->GridClientStart(), hFB = h->FixedBoundary(), hCS = h->ContraStart(), hStop = h->GridClientStop();
    const int vGCS = v->GridClientStart(), vFB = v->FixedBoundary(), vCS = v->ContraStart(), vStop = v->GridClientStop();
    const int hOfs = h->RolStartVisCelOfst(), vOfs = v->RolStartVisCelOfst();
    const int hStartCol = h->StartVisCel(), vStartRow = v->StartVisCel();
    const TGridDrawState fixed{gdFixed};

    // Fixed corner, fixed rows over the rolling columns, fixed columns over the rolling rows, data.
    PaintBlock(0, 0, hGCS, vGCS, hFB, vFB, fixed, sel);
    {
        TClipScope clip(canvas, TRect(hFB, 0, hCS, vCS));
        PaintBlock(hStartCol, 0, hFB - hOfs, vGCS, hCS, vFB, fixed, sel);
    }
    {
        TClipScope clip(canvas, TRect(0, vFB, hCS, vCS));
        PaintBlock(0, vStartRow, hGCS, vFB - vOfs, hFB, vCS, fixed, sel);
    }
    {
        TClipScope clip(canvas, TRect(hFB, vFB, hCS, vCS));
        PaintBlock(hStartCol, vStartRow, hFB - hOfs, vFB - vOfs, hCS, vCS, TGridDrawState(), sel);
    }
    const bool vLine = FOptions.Contains(goContraVertBoundaryLineVz);
    const bool hLine = FOptions.Contains(goContraHorzBoundaryLineVz);
    const int x0 = hCS + (vLine ? 1 : 0), y0 = vCS + (hLine ? 1 : 0);
    // Contra columns.
    if (ContraColCount() > 0) {
        if (vLine) DrawContraVertLine(0, vGCS, vFB);
        PaintBlock(ColCount(), 0, x0, vGCS, hStop, vFB, fixed, sel);
        TClipScope clip(canvas, TRect(hCS, vFB, hStop, vCS));
        if (vLine) DrawContraVertLine(vStartRow, vFB - vOfs, vCS);
        PaintBlock(ColCount(), vStartRow, x0, vFB - vOfs, hStop, vCS, fixed, sel);
    }
    // Contra rows.
    if (ContraRowCount() > 0) {
        if (hLine) DrawContraHorzLine(0, hGCS, hFB);
        PaintBlock(0, RowCount(), hGCS, y0, hFB, vStop, fixed, sel);
        TClipScope clip(canvas, TRect(hFB, vCS, hCS, vStop));
        if (hLine) DrawContraHorzLine(hStartCol, hFB - hOfs, hCS);
        PaintBlock(hStartCol, RowCount(), hFB - hOfs, y0, hCS, vStop, fixed, sel);
    }
    // The contra corner.
    if (ContraColCount() > 0 && ContraRowCount() > 0) {
        if (vLine) DrawContraVertLine(RowCount(), y0, vStop);
        if (hLine) DrawContraHorzLine(ColCount(), x0, hStop);
        if (vLine && hLine) FillWith(canvas, TRect(hCS, vCS, hCS + 1, vCS + 1), FGridLineColors->GetDarkColor());
        PaintBlock(ColCount(), RowCount(), x0, y0, hStop, vStop, fixed, sel);
    }
    // Empty area right of the rolling columns, one piece per row band.
    const int hRIB = h->RolInClientBoundary();
    if (hRIB < hCS) {
        int y = vGCS;
        for (int row = 0; row < FixedRowCount(); ++row) {
            int rh = v->GetCelLens(row);
            DrawEmptyAreaCell(-1, row, TRect(hRIB, y, hCS, y + rh));
            y += rh;
        }
        {
            TClipScope clip(canvas, TRect(hRIB, vFB, hCS, vCS));
            y = vFB - vOfs;
            for (int row = vStartRow; row < RowCount() && y < vCS; ++row) {
                int rh = v->GetCelLens(row);
                DrawEmptyAreaCell(-1, row, TRect(hRIB, y, hCS, y + rh));
                y += rh;
            }
        }
        if (y < vCS) DrawEmptyAreaCell(-1, -1, TRect(hRIB, std::max(y, vFB), hCS, vCS));
        // The first contra row's piece also covers the boundary line's place, where no cell
        // line runs beside the empty area.
        y = vCS;
        for (int row = RowCount(); row < FullRowCount(); ++row) {
            int rh = v->GetCelLens(row) + (row == RowCount() ? y0 - vCS : 0);
            DrawEmptyAreaCell(-1, row, TRect(hRIB, y, hCS, y + rh));
            y += rh;
        }
    }
    // Empty area below the rolling rows, one piece per column band.
    const int vRIB = v->RolInClientBoundary();
    if (vRIB < vCS) {
        int x = hGCS;
        for (int col = 0; col < FixedColCount(); ++col) {
            int cw = h->GetCelLens(col);
            DrawEmptyAreaCell(col, -1, TRect(x, vRIB, x + cw, vCS));
            x += cw;
        }
        {
            TClipScope clip(canvas, TRect(hFB, vRIB, std::min(hCS, hRIB), vCS));
            x = hFB - hOfs;
            for (int col = hStartCol; col < ColCount() && x < hCS; ++col) {
                int cw = h->GetCelLens(col);
                DrawEmptyAreaCell(col, -1, TRect(x, vRIB, x + cw, vCS));
                x += cw;
            }
        }
        x = hCS;
        for (int col = ColCount(); col < FullColCount(); ++col) {
            int cw = h->GetCelLens(col) + (col == ColCount() ? x0 - hCS : 0);
            DrawEmptyAreaCell(col, -1, TRect(x, vRIB, x + cw, vCS));
            x += cw;
        }
    }
    if (mirror) SetCanvasOrientation(canvas, false);
    if (FGridState == gsRowSizingVz || FGridState == gsColSizingVz) PaintSizingLines();
}

// ================================================================================================
// Scrolling

Int64 TCustomGridVz::ScrollBarScale(TGridAxisDataVz* Axis) {
    // A scroll bar holds 32-bit positions; longer axes are shown in units of several pixels.
    const Int64 limit = 0x3FFFFFFF;
    Int64 len = Axis->RolLen();
    return len <= limit ? 1 : (len + limit - 1) / limit;
}

void TCustomGridVz::GetHorzScrollBarParams(int& Position, int& Min, int& Max, int& PageSize) {
    Int64 k = ScrollBarScale(FHorzAxis.get());
    Int64 len = FHorzAxis->RolLen();
    Position = static_cast<int>(FHorzAxis->RolStartVisPos() / k);
    Min = 0;
    Max = len == 0 ? 0 : static_cast<int>((len - 1) / k);
    PageSize = static_cast<int>(FHorzAxis->RolClientLen() / k);
    if (k > 1 && FHorzAxis->RolClientLen() > 0) PageSize = std::max(PageSize, 1);
    if (UseRightToLeftAlignment()) Position += PageSize;
}

void TCustomGridVz::GetVertScrollBarParams(int& Position, int& Min, int& Max, int& PageSize) {
    Int64 k = ScrollBarScale(FVertAxis.get());
    Int64 len = FVertAxis->RolLen();
    Position = static_cast<int>(FVertAxis->RolStartVisPos() / k);
    Min = 0;
    Max = len == 0 ? 0 : static_cast<int>((len - 1) / k);
    PageSize = static_cast<int>(FVertAxis->RolClientLen() / k);
    if (k > 1 && FVertAxis->RolClientLen() > 0) PageSize = std::max(PageSize, 1);
}

void TCustomGridVz::UpdateScrollBars() {
    if (!FHorzScrollBar || !FVertScrollBar || !FHorzScrollBarPanelControl || !FVertScrollBarPanelControl) return;
    int p, mn, mx, pg;
    GetHorzScrollBarParams(p, mn, mx, pg);
    FHorzScrollBar->SetScrollBarParams(p, mn, mx, pg);
    GetVertScrollBarParams(p, mn, mx, pg);
    FVertScrollBar->SetScrollBarParams(p, mn, mx, pg);
    UpdateScrollBarPanels();
}

void TCustomGridVz::UpdateScrollBarPanels() {
    if (!HandleAllocated() || !FCornerScrollBarPanelControl || !FExtraSizeGripControl) return;
    const bool vShow = FVertScrollBar->IsScrollBarShowing(), hShow = FHorzScrollBar->IsScrollBarShowing();
    const int a = vShow ? FVertScrollBar->ActualSize() : 0;
    const int b = hShow ? FHorzScrollBar->ActualSize() : 0;
    const int cw = ClientWidth(), ch = ClientHeight();
    const bool rtl = UseRightToLeftAlignment();
    int cornerW = 0, cornerH = 0, topGripH = 0, topRightGripW = 0, bottomLeftGripW = 0;
    if (FSizeGripPostion == sgpBottomRight) {
        FExtraSizeGripControl->SetVisible(false);
        FCornerScrollBarPanelControl->SetGripActiveStatus(FSizeGripAlwaysShow ? gasAlwaysVz : gasAutoVz);
        if ((vShow && hShow) || FSizeGripAlwaysShow) {
            cornerW = FVertScrollBar->ActualSize();
            cornerH = FHorzScrollBar->ActualScrollBarBoxSize();
        }
        FCornerScrollBarPanelControl->SetPosition(rtl ? sgpBottomLeft : sgpBottomRight);
    } else {
        FCornerScrollBarPanelControl->SetGripActiveStatus(gasNeverVz);
        if (vShow && hShow) {
            cornerW = FVertScrollBar->ActualSize();
            cornerH = FHorzScrollBar->ActualScrollBarBoxSize();
        }
        const int s = FScrollBarSize;
        TSizeGripPanelVz* g = FExtraSizeGripControl;
        g->SetGripActiveStatus(gasAlwaysVz);
        g->SetPosition(FSizeGripPostion);
        TRect r;
        switch (FSizeGripPostion) {
        case sgpTopLeft: r = TRect(0, 0, s, s); g->SetTriangleWindow(true); break;
        case sgpTopRight:
            r = TRect(cw - s, 0, cw, s);
            topGripH = s;
            topRightGripW = vShow ? 0 : s;
            g->SetTriangleWindow(!vShow);
            break;
        default:
            r = TRect(0, ch - s, s, ch);
            bottomLeftGripW = s;
            g->SetTriangleWindow(!hShow);
            break;
        }
        if (rtl) FHorzAxis->SwapRightToLeftPoses(r.Left, r.Right);
        g->SetBoundsRect(r);
        g->SetVisible(true);
        g->BringToFront();
    }
    if (!rtl) {
        FVertScrollBarPanelControl->SetBounds(cw - a, topGripH, a, std::max(0, ch - cornerH - topGripH));
        FHorzScrollBarPanelControl->SetBounds(bottomLeftGripW, ch - b,
                                              std::max(0, cw - cornerW - topRightGripW - bottomLeftGripW), b);
        FCornerScrollBarPanelControl->SetBounds(cw - cornerW, ch - cornerH, cornerW, cornerH);
    } else {
        FVertScrollBarPanelControl->SetBounds(0, topGripH, a, std::max(0, ch - cornerH - topGripH));
        FHorzScrollBarPanelControl->SetBounds(a, ch - b, std::max(0, cw - a), b);
        FCornerScrollBarPanelControl->SetBounds(0, ch - cornerH, cornerW, cornerH);
    }
    FVertScrollBarPanelControl->SetVisible(true);
    FHorzScrollBarPanelControl->SetVisible(true);
    FCornerScrollBarPanelControl->SetVisible(true);
    FHorzScrollBarPanelControl->SetKeepMaxSizeInDefault(FHorzScrollBar->IsKeepMaxSizeInDefault());
    FVertScrollBarPanelControl->SetKeepMaxSizeInDefault(FVertScrollBar->IsKeepMaxSizeInDefault());
    FCornerScrollBarPanelControl->SetTriangleWindow(!vShow && !hShow && FSizeGripAlwaysShow);
    if (vShow != FVertScrollBarIsShowing || hShow != FHorzScrollBarIsShowing) {
        FVertScrollBarIsShowing = vShow;
        FHorzScrollBarIsShowing = hShow;
        ScrollBarShowingChanged();
    }
}

void TCustomGridVz::ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft) {
    if (ScrollBar == SB_VERT) {
        VertScrollBarMessage(ScrollCode, Pos);
        return;
    }
    if (UseRightToLeft && UseRightToLeftAlignment()) {
        switch (ScrollCode) {
        case SB_LINEUP: ScrollCode = SB_LINEDOWN; break;
        case SB_LINEDOWN: ScrollCode = SB_LINEUP; break;
        case SB_PAGEUP: ScrollCode = SB_PAGEDOWN; break;
        case SB_PAGEDOWN: ScrollCode = SB_PAGEUP; break;
        case SB_TOP: ScrollCode = SB_BOTTOM; break;
        case SB_BOTTOM: ScrollCode = SB_TOP; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: {
            int p, mn, mx, pg;
            GetHorzScrollBarParams(p, mn, mx, pg);
            Pos = mx - Pos - pg + 1;
            break;
        }
        default: break;
        }
    }
    HorzScrollBarMessage(ScrollCode, Pos);
}

void TCustomGridVz::HorzScrollBarMessage(int ScrollCode, int Pos) {
    if (FHorzScrollBar->SmoothStep()) ScrollAxisByPixels(ScrollCode, Pos, FHorzAxis.get(), FHorzScrollBar);
    else ScrollAxisByCells(ScrollCode, Pos, FHorzAxis.get(), FHorzScrollBar);
}

void TCustomGridVz::VertScrollBarMessage(int ScrollCode, int Pos) {
    if (FVertScrollBar->SmoothStep()) ScrollAxisByPixels(ScrollCode, Pos, FVertAxis.get(), FVertScrollBar);
    else ScrollAxisByCells(ScrollCode, Pos, FVertAxis.get(), FVertScrollBar);
}

namespace {
// The pixel position of a thumb position; a thumb at its end means the exact end of the axis.
Int64 ThumbToPixels(TGridAxisDataVz* A, Int64 Scale, int Pos) {
    const Int64 end = std::max<Int64>(0, A->RolLen() - A->RolClientLen());
    if (Scale <= 1) return Pos;
    Int64 px = Int64(Pos) * Scale;
    Int64 maxThumb = (A->RolLen() == 0 ? 0 : (A->RolLen() - 1) / Scale) - A->RolClientLen() / Scale + 1;
    if (Pos >= maxThumb) px = end;
    return std::min(px, end);
}
}  // namespace

void TCustomGridVz::ScrollAxisByPixels(int ScrollCode, int Pos, TGridAxisDataVz* Axis, TGridScrollBarVz* ScrollBar) {
    const Int64 cur = Axis->RolStartVisPos();
    Int64 delta = 0;
    switch (ScrollCode) {
    case SB_LINEUP: delta = -Axis->GetScrollStep(); break;
    case SB_LINEDOWN: delta = Axis->GetScrollStep(); break;
    case SB_PAGEUP: delta = -Axis->RolClientLen(); break;
    case SB_PAGEDOWN: delta = Axis->RolClientLen(); break;
    case SB_TOP: delta = -cur; break;
    case SB_BOTTOM: delta = Axis->RolLen(); break;
    case SB_THUMBTRACK:
        if (!ScrollBar->Tracking()) return;
        [[fallthrough]];
    case SB_THUMBPOSITION: delta = ThumbToPixels(Axis, ScrollBarScale(Axis), Pos) - cur; break;
    default: return;
    }
    Axis->SetRolStartVisPos(Axis->CheckRolStartVisPos(cur + delta));
}

void TCustomGridVz::ScrollAxisByCells(int ScrollCode, int Pos, TGridAxisDataVz* Axis, TGridScrollBarVz* ScrollBar) {
    int target = 0;
    switch (ScrollCode) {
    case SB_LINEUP:
        target = Axis->RolStartVisCelOfst() >= 1 ? Axis->RolStartVisCel() : Axis->RolStartVisCel() - 1;
        break;
    case SB_LINEDOWN: target = Axis->RolStartVisCel() + 1; break;
    case SB_PAGEUP: {
        // From the shown position: the bar's own page request carries no useful position.
        int c;
        Int64 ofs;
        CellAt(Axis, Axis->RolStartVisPos() - Axis->RolClientLen(), c, ofs);
        target = ofs > 0 ? c + 1 : c;
        break;
    }
    case SB_PAGEDOWN: {
        int last = Axis->RolLastVisCel();
        target = last == Axis->RolLastFullVisCel() ? last + 1 : last;
        break;
    }
    case SB_TOP: target = 0; break;
    case SB_BOTTOM: target = Axis->RolCelCount(); break;
    case SB_THUMBTRACK:
        if (!ScrollBar->Tracking()) return;
        [[fallthrough]];
    case SB_THUMBPOSITION: {
        Int64 px = ThumbToPixels(Axis, ScrollBarScale(Axis), Pos);
        if (px >= Axis->RolLen() - Axis->RolClientLen()) target = Axis->RolCelCount() - 1;
        else {
            int c;
            Int64 ofs;
            CellAt(Axis, px, c, ofs);
            target = ofs > Axis->GetRolCelLens(c) / 2 ? c + 1 : c;
        }
        break;
    }
    default: return;
    }
    Axis->SafeSetRolStartVisCel(std::clamp(target, 0, Axis->RolCelCount() - 1), sstByPixelVz);
}

bool TCustomGridVz::ScrollBarPressed() {
    if (CanFocus() && !ComponentState().Contains(csDesigning)) SetFocus();
    return true;
}

void TCustomGridVz::SetLeftPos(Int64 Pos) { FHorzAxis->SetRolStartVisPos(FHorzAxis->CheckRolStartVisPos(Pos)); }
void TCustomGridVz::SetTopPos(Int64 Pos) { FVertAxis->SetRolStartVisPos(FVertAxis->CheckRolStartVisPos(Pos)); }

void TCustomGridVz::SetLeftCol(int ACol) {
    int r = ACol - FixedColCount();
    if (r < 0 || r >= RolColCount()) GridIndexError();
    FHorzAxis->SetRolStartVisPos(FHorzAxis->GetRolLocCelPosArr(r));
}

void TCustomGridVz::SetTopRow(int ARow) {
    int r = ARow - FixedRowCount();
    if (r < 0 || r >= RolRowCount()) GridIndexError();
    FVertAxis->SetRolStartVisPos(FVertAxis->GetRolLocCelPosArr(r));
}

void TCustomGridVz::SafeSetTopRow(int ARow) { FVertAxis->SafeSetRolStartVisCel(ARow - FixedRowCount(), sstByPixelVz); }

void TCustomGridVz::ScrollCellIntoView(const TGridCoord& Cell, bool ScrollHorz, bool ScrollVert) {
    if (!HandleAllocated()) return;
    Int64 H = FHorzAxis->RolStartVisPos(), V = FVertAxis->RolStartVisPos();
    auto bring = [](TGridAxisDataVz* A, int Index, Int64& S) {
        int r = Index - A->FixedCelCount();
        if (r < 0 || r >= A->RolCelCount()) return false;
        Int64 p = A->GetRolLocCelPosArr(r), l = A->GetRolCelLens(r), w = A->ContraStart() - A->FixedBoundary();
        if (p < S) S = p;
        else if (p + l > S + w) S = std::min(p + l - w, p);
        return true;
    };
    if (ScrollHorz && bring(FHorzAxis.get(), Cell.X, H) && !IsSmoothHorzScroll()) {
        int c;
        Int64 ofs;
        CellAt(FHorzAxis.get(), H, c, ofs);
        H = FHorzAxis->GetRolLocCelPosArr(c);
    }
    if (ScrollVert && bring(FVertAxis.get(), Cell.Y, V) && !IsSmoothVertScroll()) {
        int c;
        Int64 ofs;
        CellAt(FVertAxis.get(), V, c, ofs);
        if (ofs > 0 && c + 1 < FVertAxis->RolCelCount()) V = FVertAxis->GetRolLocCelPosArr(c + 1);
    }
    FHorzAxis->SetRolStartVisPos(H);
    FVertAxis->SetRolStartVisPos(V);
}

void TCustomGridVz::CalcMaxTopLeft(Int64& H, Int64& V, bool SnapHorz, bool SnapVert) {
    auto calc = [](TGridAxisDataVz* A, bool Snap) {
        Int64 m = std::max<Int64>(0, A->RolLen() - A->RolClientLen());
        if (Snap && A->RolCelCount() > 0) {
            int c;
            Int64 ofs;
            CellAt(A, m, c, ofs);
            if (ofs > 0 && c < A->RolCelCount() - 1) m = A->GetRolLocCelPosArr(c + 1);
        }
        return m;
    };
    H = calc(FHorzAxis.get(), SnapHorz);
    V = calc(FVertAxis.get(), SnapVert);
}

void TCustomGridVz::ClampScrollPositions(bool SnapHorz, bool SnapVert) {
    Int64 h, v;
    CalcMaxTopLeft(h, v, SnapHorz, SnapVert);
    if (FHorzAxis->RolStartVisPos() > h) FHorzAxis->SetRolStartVisPos(h);
    if (FVertAxis->RolStartVisPos() > v) FVertAxis->SetRolStartVisPos(v);
}

void TCustomGridVz::StartVisPosChanged(Int64 OldHorzPos, Int64 OldVertPos) {
    UpdateScrollBars();
    if (!HandleAllocated()) return;
    if (FEditorMode && FInplaceEdit && CanShowInplaceEditor()) RefreshInplaceEditor();
    if (!PaintLocked() && !BoundariesUpdating() && FMouseInControl && FGridState == gsNormalVz)
        UpdateHotTrackInfo(FMouseMovePos.X, FMouseMovePos.Y);
    if (BoundariesUpdating()) return;  // the layout repaints everything when it is done
    if (InvalidateOnScroll()) {
        Invalidate();
        return;
    }
    const Int64 dh = OldHorzPos - FHorzAxis->RolStartVisPos(), dv = OldVertPos - FVertAxis->RolStartVisPos();
    const int cw = ClientWidth();
    if (dh != 0 && dv == 0) {
        TRect r(FHorzAxis->FixedBoundary(), FVertAxis->GridClientStart(), FHorzAxis->RolInClientBoundary(),
                FVertAxis->GridClientStop());
        int d = ClampToClient(dh);
        if (UseRightToLeftAlignment()) {
            r = TRect(cw - r.Right, r.Top, cw - r.Left, r.Bottom);
            d = -d;
        }
        if (std::abs(dh) >= r.Width()) TWinControl::InvalidateRect(r);
        else ScrollRect(d, 0, r);
    } else if (dv != 0 && dh == 0) {
        TRect r(FHorzAxis->GridClientStart(), FVertAxis->FixedBoundary(), FHorzAxis->GridClientStop(),
                FVertAxis->ContraStart());
        if (UseRightToLeftAlignment()) r = TRect(cw - r.Right, r.Top, cw - r.Left, r.Bottom);
        if (std::abs(dv) >= r.Height()) TWinControl::InvalidateRect(r);
        else ScrollRect(0, ClampToClient(dv), r);
    } else if (dh != 0 || dv != 0) Invalidate();
    ScrollOriginChanged();
}

bool TCustomGridVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (WheelDelta == 0) return false;
    const int notches = std::max(1, std::abs(WheelDelta) / 120);
    bool handled = false;
    for (int i = 0; i < notches; ++i)
        handled = (WheelDelta < 0 ? DoMouseWheelDown(Shift, MousePos) : DoMouseWheelUp(Shift, MousePos)) || handled;
    return handled;
}

bool TCustomGridVz::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelDown) {
        OnMouseWheelDown(this, Shift, -120, MousePos, handled);
        if (handled) return true;
    }
    TGridAxisDataVz* v = FVertAxis.get();
    const bool ctrl = Shift.Contains(ssCtrl);
    if (IsSmoothVertScroll()) SetTopPos(v->RolStartVisPos() + (ctrl ? v->RolClientLen() : GetVertScrollStep()));
    else {
        int cell;
        if (ctrl) {
            int last = v->RolLastVisCel();
            cell = last == v->RolLastFullVisCel() ? last + 1 : last;
        } else cell = v->RolStartVisCel() + 1;
        v->SafeSetRolStartVisCel(cell, sstByCellVz);
    }
    return true;
}

bool TCustomGridVz::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelUp) {
        OnMouseWheelUp(this, Shift, 120, MousePos, handled);
        if (handled) return true;
    }
    TGridAxisDataVz* v = FVertAxis.get();
    const bool ctrl = Shift.Contains(ssCtrl);
    if (IsSmoothVertScroll()) SetTopPos(v->RolStartVisPos() - (ctrl ? v->RolClientLen() : GetVertScrollStep()));
    else {
        int cell;
        if (ctrl) {
            Int64 ofs;
            CellAt(v, v->RolStartVisPos() - v->RolClientLen(), cell, ofs);
            if (ofs > 0) ++cell;
        } else cell = v->RolStartVisCelOfst() >= 1 ? v->RolStartVisCel() : v->RolStartVisCel() - 1;
        v->SafeSetRolStartVisCel(std::max(0, cell), sstByPixelVz);
    }
    return true;
}

void TCustomGridVz::PanGesture(bool Begin, const TPoint& Point) {
    if (Begin) {
        FPanPoint = Point;
        return;
    }
    const int dy = Point.Y - FPanPoint.Y, dx = Point.X - FPanPoint.X;
    if (std::abs(dy) > 1) {
        // A zero row height would divide by zero: such a row counts as one pixel.
        int rh = std::max(1, FVertAxis->GetCelLens(TopRow()));
        int n = std::abs(dy) / rh;
        if (n == 0) return;
        for (int i = 0; i < n; ++i) ModifyScrollBar(SB_VERT, dy <= 0 ? SB_LINEDOWN : SB_LINEUP, 0, true);
        FPanPoint = TPoint(Point.X, Point.Y - (dy % rh));
    } else if (std::abs(dx) >= 2) {
        int cw = std::max(1, FHorzAxis->GetCelLens(LeftCol()));
        int n = std::abs(dx) / cw;
        if (n == 0) return;
        for (int i = 0; i < n; ++i) ModifyScrollBar(SB_HORZ, dx <= 0 ? SB_LINEDOWN : SB_LINEUP, 0, true);
        FPanPoint = TPoint(Point.X - (dx % cw), Point.Y);
    }
}

// ================================================================================================
// Keyboard

void TCustomGridVz::ScrollByPage(bool Down, int& Target) {
    TGridAxisDataVz* v = FVertAxis.get();
    const Int64 V = v->RolStartVisPos(), P = v->RolClientLen();
    if (Down) {
        const Int64 E = V + P;
        if (E < v->RolLen()) {
            int c;
            Int64 ofs;
            CellAt(v, E, c, ofs);
            Target = c;
            for (int r = c; r < v->RolCelCount(); ++r) {
                if (v->GetRolLocCelPosArr(r) + v->GetRolCelLens(r) > E + P) break;
                Target = r;
            }
        } else Target = v->RolCelCount() - 1;
    } else {
        Int64 ofs;
        CellAt(v, V - P, Target, ofs);
        if (ofs > 0) ++Target;
    }
}

void TCustomGridVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControlVz::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (!CanGridAcceptKey(Key, Shift)) {
        Key = 0;
        return;
    }
    const int dir = UseRightToLeftAlignment() ? -1 : 1;
    TGridCoord N = FCurCell;
    int pageDown = 0, pageUp = 0;
    ScrollByPage(true, pageDown);
    ScrollByPage(false, pageUp);
    pageDown += FixedRowCount();
    if (pageDown <= FCurCell.Y && FCurCell.Y + 1 < RowCount()) pageDown = FCurCell.Y + 1;
    pageUp += FixedRowCount();
    if (pageUp >= FCurCell.Y && pageUp > 0) pageUp = FCurCell.Y - 1;

    if (Shift.Contains(ssShift) && FOptions.Contains(goRangeSelectVz)) {
        TGridCoord a = FAnchorCell;
        switch (Key) {
        case VK_LEFT: --a.X; break;
        case VK_UP: --a.Y; break;
        case VK_RIGHT: ++a.X; break;
        case VK_DOWN: ++a.Y; break;
        default: return;
        }
        a.X = std::clamp(a.X, std::max(0, FixedColCount() - FrozenColCount()), FullColCount() - 1);
        a.Y = std::clamp(a.Y, std::max(0, FixedRowCount() - FrozenRowCount()), FullRowCount() - 1);
        // The anchor stays in the cells that can be current.
        a.X = std::min(a.X, ColCount() - 1);
        a.Y = std::min(a.Y, RowCount() - 1);
        SetAnchorCell(a.X, a.Y, true);
        return;
    }
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_PRIOR: N.Y = TopRow(); break;
        case VK_END: N = TGridCoord{ColCount() - 1, RowCount() - 1}; break;
        case VK_HOME: N = TGridCoord{FixedColCount(), FixedRowCount()}; break;
        default: return;
        }
    } else {
        switch (Key) {
        case VK_TAB:
            if (Shift.Contains(ssAlt)) break;
            {
                TShiftState s = Shift;
                do {
                    if (s.Contains(ssShift)) {
                        if (--N.X < FixedColCount()) {
                            N.X = ColCount() - 1;
                            if (--N.Y < FixedRowCount()) N.Y = RowCount() - 1;
                        }
                        s.Exclude(ssShift);
                    } else if (++N.X > ColCount() - 1) {
                        N.X = FixedColCount();
                        if (++N.Y > RowCount() - 1) N.Y = FixedRowCount();
                    }
                } while (!IsColTabStop(N.X) && N.X != FCurCell.X);
            }
            break;
        case VK_PRIOR: N.Y = pageUp; break;
        case VK_NEXT: N.Y = pageDown; break;
        case VK_END: N.X = ColCount() - 1; break;
        case VK_HOME: N.X = FixedColCount(); break;
        case VK_LEFT:
        case VK_RIGHT:
            if (FOptions.Contains(goRowSelectVz)) {
                HorzScrollBarMessage(Key == VK_LEFT ? SB_LINEUP : SB_LINEDOWN, 0);
                return;
            } else {
                TGridCoord c;
                FindNextSelectableCell(FCurCell.X, FCurCell.Y, c, FCurCell.Y, FCurCell.X + (Key == VK_LEFT ? -dir : dir));
                N.X = c.X;
            }
            break;
        case VK_UP:
        case VK_DOWN: {
            TGridCoord c;
            FindNextSelectableCell(FCurCell.X, FCurCell.Y, c, FCurCell.Y + (Key == VK_UP ? -1 : 1), FCurCell.X);
            N.Y = c.Y;
            break;
        }
        case VK_F2: SetEditorMode(true); break;
        default: break;
        }
    }
    N.X = std::clamp(N.X, std::max(0, FixedColCount() - FrozenColCount()), ColCount() - 1);
    N.Y = std::clamp(N.Y, std::max(0, FixedRowCount() - FrozenRowCount()), RowCount() - 1);
    if (N != FCurCell) MoveFocusToCell(N.X, N.Y, !Shift.Contains(ssShift));
    if (Shift.Contains(ssCtrl) && (Key == VK_HOME || Key == VK_END) && UseRightToLeftAlignment()) Invalidate();
}

void TCustomGridVz::KeyPress(Char& Key) {
    TCustomControlVz::KeyPress(Key);
    if (Key.isNull()) return;
    if (!FOptions.Contains(goAlwaysShowEditorVz) && FOptions.Contains(goEditingVz) && Key == Char(13)) {
        if (FEditorMode) HideInplaceEditor();
        else ShowEditor();
        Key = Char();
        return;
    }
    // A character typed on the grid itself opens the editor with it (the editor's own keys come
    // here through GridKeyPress and stop above).
    if (!FKeyFromEditor && FOptions.Contains(goEditingVz) && (Key == Char(8) || Key.unicode() >= 32) &&
        CanModifyCellText()) {
        Char ch = Key;
        Key = Char();
        ShowEditorChar(ch);
    }
}

void TCustomGridVz::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        if (FOptions.Contains(goRowSelectVz)) return;
        if (FOptions.Contains(goTabsVz)) Message.Result |= DLGC_WANTTAB;
        if (FOptions.Contains(goEditingVz)) Message.Result |= DLGC_WANTCHARS;
        return;
    case CM_WANTSPECIALKEY:
        if (Message.WParam == VK_RETURN && FOptions.Contains(goEditingVz)) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        ModifyScrollBar(Message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, static_cast<int>(Message.WParam & 0xFFFF),
                        static_cast<int>((Message.WParam >> 16) & 0xFFFF), true);
        Message.Result = 0;
        return;
    case WM_CANCELMODE:
        TCustomControlVz::Dispatch(Message);
        CancelMode();
        return;
    case CM_CANCELMODE:
        if (FInplaceEdit) FInplaceEdit->Perform(CM_CANCELMODE, Message.WParam, Message.LParam);
        TCustomControlVz::Dispatch(Message);
        if (reinterpret_cast<TControl*>(Message.LParam) != this) CancelMode();
        return;
    case CM_MOUSEENTER: FMouseInControl = true; break;
    case CM_MOUSELEAVE:
        FMouseInControl = false;
        UpdateHotTrackInfo(-1, -1);
        break;
    default: break;
    }
    TCustomControlVz::Dispatch(Message);
}

// ================================================================================================
// Focus

bool TCustomGridVz::Focused() const { return TCustomControlVz::Focused(); }

bool TCustomGridVz::IsActiveControl() {
    if (TCustomForm* f = GetParentForm(this)) return f->ActiveControl() == this;
    return Focused() || (FInplaceEdit && FInplaceEdit->Focused());
}

void TCustomGridVz::InternalSetFocus(TWinControl* Control) {
    const bool old = FInternalFocusResetting;
    FInternalFocusResetting = true;
    try {
        Control->SetFocus();
    } catch (...) {
        FInternalFocusResetting = old;
        throw;
    }
    FInternalFocusResetting = old;
}

void TCustomGridVz::DoEnter() {
    TCustomControlVz::DoEnter();
    FFocused = true;
    if (!FInternalFocusResetting) {
        Invalidate();
        RefreshInplaceEditor();
    }
}

void TCustomGridVz::DoExit() {
    TCustomControlVz::DoExit();
    FFocused = false;
    Invalidate();
    if (FInternalFocusResetting) return;
    if (!FOptions.Contains(goAlwaysShowEditorVz)) HideInplaceEditor();
    else UpdateText();
}

bool TCustomGridVz::HostEvent(QEvent* Event) {
    // The grid window's own focus changes repaint the current cell (its focused state).
    bool wasFocused = Focused();
    bool r = TCustomControlVz::HostEvent(Event);
    if (Focused() != wasFocused) RepaintCell(FCurCell.X, FCurCell.Y);
    return r;
}

// ================================================================================================
// Mouse

void TCustomGridVz::CellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                  const TPoint& InCellPos, const TPoint& MousePos) {
    bool processed = false;
    if (OnCellMouseDown) OnCellMouseDown(this, Cell, Button, Shift, InCellPos.X, InCellPos.Y, processed);
    if (!processed) DefaultCellMouseDown(Cell, Button, Shift, InCellPos, MousePos);
}

void TCustomGridVz::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                   const TPoint& InCellPos, const TPoint& MousePos) {
    bool processed = false;
    if (OnCellMouseClick) OnCellMouseClick(this, Cell, Button, Shift, InCellPos.X, InCellPos.Y, processed);
    if (!processed) DefaultCellMouseClick(Cell, Button, Shift, InCellPos, MousePos);
}

void TCustomGridVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // A double click the cell refuses arrives as a plain press.
    if (Shift.Contains(ssDouble)) {
        TGridCoord c = MouseCoord(X, Y);
        if (c.X >= 0 && c.Y >= 0) {
            TRect r = CellRect(c.X, c.Y);
            if (!CellAcceptsDblClick(c, Button, TPoint(X - r.Left, Y - r.Top), TPoint(X, Y), Shift))
                Shift.Exclude(ssDouble);
        }
    }
    const TGridStateVz stateBefore = FGridState;
    InternalMouseDown(Button, Shift, X, Y);
    // Per-cell press; a double click counts as a click of the cell pressed before it.
    if (FInplaceEdit) FInplaceEdit->SetClickTime(static_cast<unsigned>(GetTickCountVz()));
    TGridCoord cell = MouseCoord(X, Y);
    auto inCell = [&](const TGridCoord& C) {
        TRect r = CellRect(C.X, C.Y);
        return TPoint(X - r.Left, Y - r.Top);
    };
    if (Shift.Contains(ssDouble)) {
        bool counts = (stateBefore == gsNormalVz || stateBefore == gsSelectingVz) && X >= 0 && Y >= 0;
        if (counts && cell == FMouseDownCell && cell.X >= 0 && cell.Y >= 0)
            CellMouseClick(cell, Button, Shift, inCell(cell), TPoint(X, Y));
        return;
    }
    FMouseDownCell = cell;
    if (cell.X >= 0 || cell.Y >= 0) CellMouseDown(cell, Button, Shift, inCell(cell), TPoint(X, Y));
    else FMouseDownCell = TGridCoord{-1, -1};
}

void TCustomGridVz::InternalMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    HideEdit();
    if (!ComponentState().Contains(csDesigning) && CanFocus()) {
        if (!Focused() && !(FInplaceEdit && FInplaceEdit->Focused())) SetFocus();
        if (!IsActiveControl()) return;
    }
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
        TCustomControlVz::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (Button == mbLeft) {
        TGridStateVz st;
        int index, pos, ofs;
        DetectSizingAt(X, Y, st, index, pos, ofs);
        if (st != gsNormalVz) {
            FGridState = st;
            FSizingIndex = index;
            FSizingPos = pos;
            FSizingOfs = ofs;
            if (st == gsColSizingVz && UseRightToLeftAlignment()) FSizingPos = ClientWidth() - FSizingPos;
            StartSizingLine();
            DrawSizingLine();
            return;
        }
    }
    TGridCoord cell = MouseCoord(X, Y);
    const bool selectable = cell.X >= std::max(0, FixedColCount() - FrozenColCount()) && cell.X <= ColCount() - 1 &&
                            cell.Y >= std::max(0, FixedRowCount() - FrozenRowCount()) && cell.Y <= RowCount() - 1;
    if (Button == mbLeft && selectable) {
        if (FOptions.Contains(goEditingVz)) {
            if (cell == FCurCell) ShowEditor();
            else if (FOptions.Contains(goRangeSelectVz)) {
                FGridState = gsSelectingVz;
                SetGridTimer(true, 60);
                if (Shift.Contains(ssShift)) SetAnchorCell(cell.X, cell.Y, true);
                else MoveCurrentCell(cell.X, cell.Y, true, true);
            } else MoveCurrentCell(cell.X, cell.Y, true, true);
            RefreshInplaceEditor();
            Click();
        } else {
            if (FOptions.Contains(goRangeSelectVz)) FGridState = gsSelectingVz;
            SetGridTimer(true, 60);
            if (Shift.Contains(ssShift) && FOptions.Contains(goRangeSelectVz)) SetAnchorCell(cell.X, cell.Y, true);
            else MoveCurrentCell(cell.X, cell.Y, true, true);
        }
    } else if (Button == mbLeft && cell.X >= 0 && cell.Y >= 0) {
        if (FOptions.Contains(goRowMovingVz) && cell.X < FixedColCount() && cell.Y >= FixedRowCount() &&
            cell.Y < RowCount()) {
            int from = cell.Y, to = cell.Y;
            TRect r = CellRect(cell.X, cell.Y);
            FMoveFromCellOriginDistance = X - r.Left;
            if (BeginRowDrag(from, to, TPoint(X, Y))) StartRowMoving(from);
        } else if (FOptions.Contains(goColMovingVz) && cell.Y < FixedRowCount() && cell.X >= FixedColCount() &&
                   cell.X < ColCount()) {
            int from = cell.X, to = cell.X;
            if (BeginColumnDrag(from, to, TPoint(X, Y))) StartColMoving(from, X, Y);
        }
    }
    try {
        TCustomControlVz::MouseDown(Button, Shift, X, Y);
    } catch (...) {
        if (FGridState == gsColMovingVz || FGridState == gsRowMovingVz) HideMove();
        throw;
    }
}

void TCustomGridVz::MouseMove(TShiftState Shift, int X, int Y) {
    FMouseMovePos = TPoint(X, Y);
    switch (FGridState) {
    case gsColSizingVz:
    case gsRowSizingVz:
        DrawSizingLine();
        FSizingPos = (FGridState == gsRowSizingVz ? Y : X) + FSizingOfs;
        DrawSizingLine();
        break;
    case gsNormalVz: {
        UpdateHotTrackInfo(X, Y);
        // The sizing cursors over sizable lines.
        const TCursor want = GetCursorAt(TPoint(X, Y));
        if (want != Cursor()) SetCursor(want);
        break;
    }
    case gsSelectingVz: {
        TGridCoord c = MouseCoord(X, Y);
        const int loC = std::max(0, FixedColCount() - FrozenColCount()), loR = std::max(0, FixedRowCount() - FrozenRowCount());
        const int hiC = std::min(FixedColCount() + FHorzAxis->RolLastFullVisCel(), ColCount() - 1);
        const int hiR = std::min(FixedRowCount() + FVertAxis->RolLastFullVisCel(), RowCount() - 1);
        const bool colIn = c.X >= loC && c.X <= hiC, rowIn = c.Y >= loR && c.Y <= hiR;
        if (colIn && !rowIn) c.Y = FAnchorCell.Y;
        else if (!colIn && rowIn) c.X = FAnchorCell.X;
        else if (!colIn && !rowIn) break;
        if (c != FAnchorCell) SetAnchorCell(c.X, c.Y, true);
        break;
    }
    default: break;
    }
    TCustomControlVz::MouseMove(Shift, X, Y);
}

void TCustomGridVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool counts = (FGridState == gsNormalVz || FGridState == gsSelectingVz) && X >= 0 && Y >= 0;
    try {
        switch (FGridState) {
        case gsSelectingVz:
            MouseMove(Shift, X, Y);
            SetGridTimer(false, 0);
            RefreshInplaceEditor();
            Click();
            break;
        case gsColSizingVz:
        case gsRowSizingVz: {
            DrawSizingLine();
            if (FGridState == gsColSizingVz && UseRightToLeftAlignment()) FSizingPos = ClientWidth() - FSizingPos;
            const bool cols = FGridState == gsColSizingVz;
            int len = CalcSizingCelLen(cols ? FHorzAxis.get() : FVertAxis.get());
            FDrawenSizingPos1 = -1;
            if (len > 1) {
                if (cols) ApplyColSizing(FSizingIndex, len);
                else ApplyRowSizing(FSizingIndex, len);
                UpdateDesigner();
            }
            break;
        }
        case gsColMovingVz:
        case gsRowMovingVz: {
            HideMove();
            SetGridTimer(false, 0);
            int from = FMoveFromIndex, to = FMoveToIndex;
            if (FGridState == gsRowMovingVz) {
                if (EndRowDrag(from, to, TPoint(X, Y)) && from != to) {
                    MoveRow(from, to);
                    UpdateDesigner();
                }
            } else if (EndColumnDrag(from, to, TPoint(X, Y)) && from != to) {
                MoveColumn(from, to);
                UpdateDesigner();
            }
            RefreshInplaceEditor();
            break;
        }
        default:
            SetGridTimer(false, 0);
            RefreshInplaceEditor();
            break;
        }
        TCustomControlVz::MouseUp(Button, Shift, X, Y);
    } catch (...) {
        if (FGridState != gsNormalVz) {
            FGridState = gsNormalVz;
            Invalidate();
        }
        throw;
    }
    if (FGridState != gsNormalVz) {
        FGridState = gsNormalVz;
        Invalidate();
    }
    TGridCoord cell = MouseCoord(X, Y);
    if (counts && cell == FMouseDownCell && cell.X >= 0 && cell.Y >= 0) {
        TRect r = CellRect(cell.X, cell.Y);
        CellMouseClick(cell, Button, Shift, TPoint(X - r.Left, Y - r.Top), TPoint(X, Y));
    }
}

void TCustomGridVz::StepSelectionAnchor(int Directions) {
    TGridCoord a = FAnchorCell;
    if (Directions & 1) a.X = std::max(a.X - 1, FixedColCount());
    if (Directions & 2) a.X = std::min(a.X + 1, ColCount() - 1);
    if (Directions & 4) a.Y = std::max(a.Y - 1, FixedRowCount());
    if (Directions & 8) a.Y = std::min(a.Y + 1, RowCount() - 1);
    if (a != FAnchorCell) SetAnchorCell(a.X, a.Y, true);
}

void TCustomGridVz::SetGridTimer(bool Enabled, int Interval) {
    if (Enabled) FGridTimer->SetInterval(static_cast<unsigned>(std::max(1, Interval)));
    FGridTimer->SetEnabled(Enabled);
}

void TCustomGridVz::GridTimerEvent(TObject* Sender) {
    const TPoint p = FMouseMovePos;
    switch (FGridState) {
    case gsSelectingVz: {
        int d = 0;
        const int hFB = FHorzAxis->FixedBoundary(), hCS = FHorzAxis->ContraStart(), cw = ClientWidth();
        if (!UseRightToLeftAlignment()) {
            if (p.X < hFB) d |= 1;
            else if (p.X > hCS) d |= 2;
        } else {
            if (p.X < cw - hCS) d |= 2;
            else if (p.X > cw - hFB) d |= 1;
        }
        if (p.Y < FVertAxis->FixedBoundary()) d |= 4;
        else if (p.Y > FVertAxis->ContraStart()) d |= 8;
        if (d) StepSelectionAnchor(d);
        break;
    }
    case gsColMovingVz: {
        TPoint mp = p;
        const int oldLeft = LeftCol();
        const Int64 oldPos = FHorzAxis->RolStartVisPos();
        TGridCoord c = MouseCoord(p.X, p.Y);
        UpdateMoveTarget(p.X, c.X, mp, gsColMovingVz, FHorzAxis.get());
        const bool scrolledForward = LeftCol() > oldLeft || FHorzAxis->RolStartVisPos() > oldPos;
        FMovedForwardThisTick = scrolledForward;
        AdjustColMovingTimer(p.X, FHorzAxis.get(), mp);
        break;
    }
    case gsRowMovingVz: {
        TPoint mp = p;
        TGridCoord c = MouseCoord(p.X, p.Y);
        UpdateMoveTarget(p.Y, c.Y, mp, gsRowMovingVz, FVertAxis.get());
        break;
    }
    default: break;
    }
}

void TCustomGridVz::CancelMode() {
    try {
        switch (FGridState) {
        case gsSelectingVz: SetGridTimer(false, 0); break;
        case gsColSizingVz:
        case gsRowSizingVz:
            DrawSizingLine();
            FDrawenSizingPos1 = -1;
            break;
        case gsColMovingVz:
        case gsRowMovingVz:
            HideMove();
            SetGridTimer(false, 0);
            break;
        default: break;
        }
    } catch (...) {
        FGridState = gsNormalVz;
        Invalidate();
        throw;
    }
    FGridState = gsNormalVz;
    Invalidate();
}

TGridStateVz TCustomGridVz::GetGridStateAt(int X, int Y) {
    if (FGridState != gsNormalVz) return FGridState;
    TGridStateVz st;
    int i, p, o;
    DetectSizingAt(X, Y, st, i, p, o);
    return st;
}

TCursor TCustomGridVz::GetCursorAt(const TPoint& P) {
    switch (GetGridStateAt(P.X, P.Y)) {
    case gsRowSizingVz: return crVSplit;
    case gsColSizingVz: return crHSplit;
    default: return crDefault;
    }
}

// ================================================================================================
// Hot tracking

void TCustomGridVz::UpdateHotTrackInfo(int X, int Y) {
    if (ComponentState().Contains(csDesigning)) return;
    TGridCoord c = MouseCoord(X, Y);
    auto inFull = [this](const TGridCoord& C) {
        return C.X >= 0 && C.Y >= 0 && C.X < FullColCount() && C.Y < FullRowCount();
    };
    if (IsCellHotTrackable(c.X, c.Y)) {
        if (c != FHotTrackCell) {
            if (inFull(FHotTrackCell)) RepaintCell(FHotTrackCell.X, FHotTrackCell.Y);
            FHotTrackCell = c;
            if (c.X >= 0 && c.Y >= 0) RepaintCell(c.X, c.Y);
        }
    } else if (FHotTrackCell != TGridCoord{-1, -1}) {
        if (inFull(FHotTrackCell)) RepaintCell(FHotTrackCell.X, FHotTrackCell.Y);
        FHotTrackCell = TGridCoord{-1, -1};
    }
    if (FHotTrackCell.X >= 0 && FHotTrackCell.Y >= 0) {
        TRect r = CellRect(FHotTrackCell.X, FHotTrackCell.Y);
        FHotTrackInCellPos = TPoint(X - r.Left, Y - r.Top);
    }
    FillHotTrackSpot(FNewHotTrackSpot, X, Y);
    if (!HotTrackSpotsEqual(FOldHotTrackSpot, FNewHotTrackSpot)) {
        if (FNewHotTrackSpot->Col() >= 0 && FNewHotTrackSpot->Row() >= 0) InvalidateHotTrackSpot(FNewHotTrackSpot);
        if (FOldHotTrackSpot->Col() >= 0 && FOldHotTrackSpot->Row() >= 0) InvalidateHotTrackSpot(FOldHotTrackSpot);
        FOldHotTrackSpot->Assign(FNewHotTrackSpot);
    }
}

void TCustomGridVz::FillHotTrackSpot(TGridHotTrackSpotVz* Spot, int X, int Y) {
    if (ComponentState().Contains(csDesigning)) return;
    TGridCoord c = MouseCoord(X, Y);
    if (!IsCellHotTrackable(c.X, c.Y)) {
        Spot->SetCol(-1);
        Spot->SetRow(-1);
        return;
    }
    Spot->SetCol(c.X);
    Spot->SetRow(c.Y);
    if (c.X < 0 || c.Y < 0) return;
    TRect r = CellRect(c.X, c.Y);
    int x = X - r.Left, y = Y - r.Top;
    if (c.X == FHorzAxis->StartVisCel()) x += FHorzAxis->RolStartVisCelOfst();
    if (c.Y == FVertAxis->StartVisCel()) y += FVertAxis->RolStartVisCelOfst();
    Spot->SetInCellX(x);
    Spot->SetInCellY(y);
}

bool TCustomGridVz::HotTrackSpotsEqual(TGridHotTrackSpotVz* Spot1, TGridHotTrackSpotVz* Spot2) {
    return Spot1->Col() == Spot2->Col() && Spot1->Row() == Spot2->Row();
}

void TCustomGridVz::InvalidateHotTrackSpot(TGridHotTrackSpotVz* Spot) {
    if (Spot->Col() < FullColCount() && Spot->Row() < FullRowCount()) RepaintCell(Spot->Col(), Spot->Row());
}

// ================================================================================================
// Sizing

namespace {
// Searches one axis for a sizable line near Pos (see DetectSizingAt); answers the cell and the
// line's position.
bool AxisSizingHit(TGridAxisDataVz* A, int Pos, int Tolerance, bool FixedSizable, int& Index, int& LinePos) {
    const int H = Tolerance <= 0 ? 0 : Tolerance / 2;
    auto hit = [&](int E) { return E - H <= Pos && Pos <= E - H + Tolerance; };
    const int gcs = A->GridClientStart(), stop = A->GridClientStop(), fb = A->FixedBoundary(), cs = A->ContraStart();
    // Fixed cells.
    int e, first;
    if (FixedSizable) {
        e = gcs;
        first = 0;
    } else {
        e = fb - A->FrozenLen();
        first = A->FixedCelCount() - std::min(A->FrozenCelCount(), A->FixedCelCount());
    }
    for (int i = first; i < A->FixedCelCount() && e < stop; ++i) {
        e += A->GetFixedCelLens(i);
        if (hit(e)) {
            Index = i;
            LinePos = e;
            return true;
        }
    }
    // Visible rolling cells.
    Int64 pe = fb - A->RolStartVisCelOfst();
    for (int c = A->RolStartVisCel(); c < A->RolCelCount() && pe < cs; ++c) {
        pe += A->GetRolCelLens(c);
        if (pe >= cs) break;
        if (hit(static_cast<int>(pe))) {
            Index = A->FixedCelCount() + c;
            LinePos = static_cast<int>(pe);
            return true;
        }
    }
    const int rib = A->RolInClientBoundary();
    if (rib == cs && Pos >= rib - H && Pos <= rib && A->RolCelCount() > 0) {
        Index = A->FixedCelCount() + A->RolLastVisCel();
        LinePos = rib;
        return true;
    }
    if (A->ContraCelCount() > 0) {
        if (Pos >= cs && Pos <= cs + H) {
            Index = A->CelCount();
            LinePos = cs;
            return true;
        }
        int ce = cs;
        for (int i = 0; i < A->ContraCelCount() - 1 && ce < stop; ++i) {
            ce += A->GetContraCelLens(i);
            if (hit(ce)) {
                Index = A->CelCount() + i + 1;
                LinePos = ce;
                return true;
            }
        }
    }
    return false;
}
}  // namespace

void TCustomGridVz::DetectSizingAt(int X, int Y, TGridStateVz& State, int& Index, int& SizingPos, int& SizingOfs) {
    State = gsNormalVz;
    Index = -1;
    TGridOptionsVz opts = FOptions;
    if (ComponentState().Contains(csDesigning)) opts += FDesignOptionsBoost;
    if (!opts.Contains(goRowSizingVz) && !opts.Contains(goColSizingVz)) return;
    TGridAxisDataVz* h = FHorzAxis.get();
    TGridAxisDataVz* v = FVertAxis.get();
    const int xl = UseRightToLeftAlignment() ? ClientWidth() - X : X;
    const int hNonFrozen = h->FixedBoundary() - h->FrozenLen(), vNonFrozen = v->FixedBoundary() - v->FrozenLen();
    int line = 0;
    if (opts.Contains(goColSizingVz) && xl > (FixedColsSizable() ? h->GridClientStart() : hNonFrozen) &&
        v->GridClientStart() <= Y && Y < vNonFrozen) {
        if (AxisSizingHit(h, xl, 7, FixedColsSizable(), Index, line)) {
            State = gsColSizingVz;
            SizingPos = line;
            SizingOfs = line - xl;
            return;
        }
    }
    if (opts.Contains(goRowSizingVz) && Y > (FixedRowsSizable() ? v->GridClientStart() : vNonFrozen) &&
        h->GridClientStart() <= xl && xl < hNonFrozen) {
        if (AxisSizingHit(v, Y, 5, FixedRowsSizable(), Index, line)) {
            State = gsRowSizingVz;
            SizingPos = line;
            SizingOfs = line - Y;
            return;
        }
    }
    Index = -1;
}

void TCustomGridVz::StartSizingLine() {
    FDrawenSizingPos2 = FSizingPos;
    TGridAxisDataVz* A = FGridState == gsColSizingVz ? FHorzAxis.get() : FVertAxis.get();
    int edge;
    if (FSizingIndex < A->FixedCelCount()) edge = -1;
    else if (FSizingIndex < A->CelCount())
        edge = ClampToClient(A->FixedBoundary() + A->GetRolLocCelPosArr(FSizingIndex - A->FixedCelCount()) -
                             A->RolStartVisPos());
    else edge = A->ContraStart() + static_cast<int>(SumLens(A, A->CelCount(), FSizingIndex - A->CelCount() + 1));
    if (edge < A->FixedBoundary()) edge = -1;
    FDrawenSizingPos1 = edge;
    Invalidate();
}

void TCustomGridVz::InvalidateSizingLine() {
    const bool cols = FGridState == gsColSizingVz;
    auto strip = [&](int P) {
        TRect r = cols ? TRect(P - 1, 0, P + 1, ClientHeight()) : TRect(0, P - 1, ClientWidth(), P + 1);
        TWinControl::InvalidateRect(r);
    };
    strip(FDrawenSizingPos2);
    strip(FSizingPos);
    Update();
    FDrawenSizingPos2 = FSizingPos;
}

void TCustomGridVz::GetSizingLineExtent(int& Start, int& Stop) {
    TGridAxisDataVz* A = FGridState == gsColSizingVz ? FVertAxis.get() : FHorzAxis.get();
    Start = A->GridClientStart();
    Stop = A->GridClientStop();
}

void TCustomGridVz::PaintSizingLines() {
    int s, e;
    GetSizingLineExtent(s, e);
    TCanvas* c = Canvas();
    c->Pen()->SetColor(cl3DDkShadow);
    c->Pen()->SetWidth(1);
    const bool cols = FGridState == gsColSizingVz;
    auto line = [&](int P) {
        TPoint pts[2] = {cols ? TPoint(P, s) : TPoint(s, P), cols ? TPoint(P, e) : TPoint(e, P)};
        c->Polyline(std::vector<TPoint>(pts, pts + 2));
    };
    line(FSizingPos - 1);
    if (FDrawenSizingPos1 >= 0) line(FDrawenSizingPos1 - 1);
}

int TCustomGridVz::CalcSizingCelLen(TGridAxisDataVz* Axis) {
    const int i = FSizingIndex;
    if (i < Axis->FixedCelCount()) return FSizingPos - (Axis->GridClientStart() + Axis->GetFixedCelPos(i));
    if (i < Axis->CelCount()) {
        Int64 start = Axis->FixedBoundary() - Axis->RolStartVisCelOfst();
        for (int c = Axis->RolStartVisCel(); c < i - Axis->FixedCelCount(); ++c) start += Axis->GetRolCelLens(c);
        return ClampToClient(FSizingPos - start);
    }
    const int right = Axis->ContraStart() + static_cast<int>(SumLens(Axis, Axis->CelCount(), i - Axis->CelCount() + 1));
    return right - FSizingPos;
}

// ================================================================================================
// Moving

bool TCustomGridVz::EndColumnDrag(int& Origin, int& Destination, const TPoint& MousePt) {
    if (Origin < Destination && !FMovePosRightSite) --Destination;
    return true;
}

void TCustomGridVz::StartColMoving(int FromIndex, int X, int Y) {
    FMoveFromIndex = FromIndex;
    TGridCoord c = MouseCoord(X, Y);
    int to = c.X;
    if (to >= 0 && to < FullColCount()) {
        TRect r = CellRect(to, std::max(0, c.Y));
        const bool farHalf = UseRightToLeftAlignment() ? X < (r.Left + r.Right) / 2 : X >= (r.Left + r.Right) / 2;
        if (farHalf) ++to;
        FMoveFromCellOriginDistance = X - r.Left;
    }
    if (c.X < 0 && X > FHorzAxis->RolInClientBoundary()) to = ColCount() - 1;
    if (to >= FixedColCount() && to < LeftCol()) to = LeftCol();
    FMoveToIndex = std::clamp(to, FixedColCount(), ColCount());
    FMovePosRightSite = false;
    FGridState = gsColMovingVz;
    Update();
    DrawMove();
    SetGridTimer(true, 60);
}

void TCustomGridVz::StartRowMoving(int FromIndex) {
    FMoveFromIndex = FMoveToIndex = FromIndex;
    FGridState = gsRowMovingVz;
    Update();
    DrawMove();
    SetGridTimer(true, 60);
}

void TCustomGridVz::UpdateMoveTarget(int Pos, int CellIndex, TPoint& MousePt, TGridStateVz Kind, TGridAxisDataVz* Axis) {
    const bool cols = Kind == gsColMovingVz;
    if (cols && UseRightToLeftAlignment()) Pos = ClientWidth() - Pos;
    const bool rightSite = FMoveFromIndex < FMoveToIndex;
    const int firstRolling = Axis->FixedCelCount();
    if (Axis->RolStartVisPos() == 0 && FMoveToIndex == firstRolling && Pos < Axis->FixedBoundary()) return;
    int cand = CellIndex;
    if (Pos < Axis->FixedBoundary()) {
        if (FMoveToIndex > firstRolling || Axis->RolStartVisCelOfst() > 0) {
            ModifyScrollBar(cols ? SB_HORZ : SB_VERT, SB_LINEUP, 0, false);
            Update();
        }
        cand = Axis->StartVisCel();
    } else if (Pos < Axis->GridClientStop()) {
        if (cand < 0 || cand >= Axis->CelCount()) {
            if (Pos >= Axis->RolInClientBoundary()) cand = Axis->CelCount() - 1;
            else cand = -1;
        }
    } else {
        if (!Axis->InEndOfRol()) {
            ModifyScrollBar(cols ? SB_HORZ : SB_VERT, SB_LINEDOWN, 0, false);
            Update();
        }
        cand = Axis->FixedCelCount() + Axis->RolLastFullVisCel();
    }
    if (cand >= 0) {
        cand = std::clamp(cand, firstRolling, Axis->CelCount() - 1);
        if (cols) {
            int from = FMoveFromIndex, to = cand;
            if (CheckColumnDrag(from, to, MousePt)) {
                TRect r = CellRect(cand, 0);
                const int mid = (r.Left + r.Right) / 2;
                const int x = UseRightToLeftAlignment() ? ClientWidth() - Pos : Pos;
                const bool nearHalf = UseRightToLeftAlignment() ? x >= mid : x < mid;
                FMoveToIndex = nearHalf ? cand : cand + 1;
                FMovePosRightSite = false;
            }
        } else {
            int from = FMoveFromIndex, to = cand;
            if (CheckRowDrag(from, to, MousePt)) {
                FMoveToIndex = cand;
                FMovePosRightSite = rightSite;
            }
        }
    }
    DrawMove();
}

void TCustomGridVz::AdjustColMovingTimer(int X, TGridAxisDataVz* Axis, const TPoint& MousePt) {
    auto formula = [](int M, int D) {
        double q = double(M) / double(D > 10 ? D - 10 : 1) * 1.5;
        return 60 + static_cast<int>(q);
    };
    int interval = 60;
    if (FMoveToIndex < FixedColCount()) interval = 60;
    else if (X < Axis->FixedBoundary()) {
        int sx = ClientToScreen(TPoint(Axis->FixedBoundary(), 0)).X;
        int M = std::min(sx, 200);
        int D = std::min(sx - ClientToScreen(TPoint(X, 0)).X, M);
        interval = formula(M, D);
    } else if (X < Axis->ContraStart()) interval = FMovedForwardThisTick ? 360 : 60;
    else if (X > Axis->ContraStart()) {
        int sx = ClientToScreen(TPoint(Axis->ContraStart(), 0)).X;
        int M = std::min(Screen ? Screen->Width() - sx : 200, 200);
        int D = std::min(ClientToScreen(TPoint(X, 0)).X - sx, M);
        interval = formula(M, D);
    }
    SetGridTimer(true, interval);
}

void TCustomGridVz::DrawMove() {
    if (FGridState != gsColMovingVz && FGridState != gsRowMovingVz) return;
    TGridMoveLineVz* line = GetGridMoveLine();
    if (!line) return;
    if (FGridState == gsRowMovingVz) {
        TRect r = CellRectAbs(0, FMoveToIndex);
        int y = FMoveFromIndex < FMoveToIndex ? r.Bottom : r.Top;
        line->StartShow(ClientToScreen(TPoint(FHorzAxis->GridClientStart(), y)), false, FHorzAxis->GridClientLen(), this);
    } else {
        const int idx = std::min(FMoveToIndex, ColCount() - 1);
        TRect r = CellRectAbs(idx, 0);
        int x;
        const bool after = FMovePosRightSite || FMoveToIndex > idx;
        if (!UseRightToLeftAlignment()) x = after ? r.Right : r.Left - 1;
        else x = after ? r.Left : r.Right;
        int len = FOptions.Contains(goExtendVertLinesVz) ? FVertAxis->RolInClientBoundary() - FVertAxis->GridClientStart()
                                                          : FVertAxis->GridClientLen();
        line->StartShow(ClientToScreen(TPoint(x, FVertAxis->GridClientStart())), true, len, this);
    }
}

void TCustomGridVz::HideMove() {
    if (TGridMoveLineVz* line = GetGridMoveLine()) line->Hide();
}

// ================================================================================================
// Editing, grid side

bool TCustomGridVz::CanShowInplaceEditor() {
    return FOptions.Contains(goEditingVz) && !FOptions.Contains(goRowSelectVz) && FEditorMode &&
           !ComponentState().Contains(csDesigning) && HandleAllocated() &&
           (FOptions.Contains(goAlwaysShowEditorVz) || IsActiveControl());
}

bool TCustomGridVz::EnsureInplaceEdit() {
    if (FInplaceEdit) return false;
    FInplaceEdit = CreateEditor();
    FInplaceEdit->SetGrid(this);
    FInplaceEdit->SetParent(this);
    FInplaceEdit->SetAutoSelect(false);
    FInplaceEdit->SetFont(Font());
    return true;
}

void TCustomGridVz::ShowEditor() {
    FEditorMode = true;
    RefreshInplaceEditor();
}

void TCustomGridVz::HideInplaceEditor() {
    if (!FEditorMode) return;
    FEditorMode = false;
    HideEdit();
}

void TCustomGridVz::SetEditorMode(bool Value) {
    if (Value) {
        ShowEditor();
        if (FInplaceEdit) FInplaceEdit->Deselect();
    } else HideInplaceEditor();
}

void TCustomGridVz::ShowEditorChar(Char Ch) {
    ShowEditor();
    if (FInplaceEdit && FInplaceEdit->Visible()) FInplaceEdit->TypeChar(Ch);
}

void TCustomGridVz::RefreshInplaceEditor() {
    if (ComponentState().Contains(csDestroying)) return;
    if (!CanShowInplaceEditor()) {
        HideEdit();
        return;
    }
    auto load = [this] {
        FInplaceCol = FCurCell.X;
        FInplaceRow = FCurCell.Y;
        FInplaceEdit->UpdateContents();
        FCanEditModify = FInplaceEdit->MaxLength() != -1;
        FInplaceEdit->SetReadOnly(!FCanEditModify);
        FInplaceEdit->SelectAll();
    };
    if (EnsureInplaceEdit()) load();
    else if (FCurCell.X != FInplaceCol || FCurCell.Y != FInplaceRow) {
        HideEdit();
        load();
    }
    if (CanShowInplaceEditor()) FInplaceEdit->Move(CellDataRect(FCurCell.X, FCurCell.Y));
}

void TCustomGridVz::HideEdit() {
    if (!FInplaceEdit) return;
    try {
        UpdateText();
    } catch (...) {
        FInplaceCol = FInplaceRow = -1;
        FInplaceEdit->Hide();
        throw;
    }
    FInplaceCol = FInplaceRow = -1;
    FInplaceEdit->Hide();
}

void TCustomGridVz::UpdateText() {
    if (FInplaceEdit && FInplaceCol != -1 && FInplaceRow != -1)
        SetCellEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}

void TCustomGridVz::RepaintInplaceEditor() {
    FInplaceCol = FInplaceRow = -1;
    RefreshInplaceEditor();
}

bool TCustomGridVz::GridHandlesEditorKey(Word Key, TShiftState Shift) {
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool always = FOptions.Contains(goAlwaysShowEditorVz);
    switch (Key) {
    case VK_TAB: return !Shift.Contains(ssAlt);
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN: return true;
    case VK_INSERT: return Shift.Empty();
    case VK_DELETE: return ctrl;
    default: break;
    }
    if (!always || !FInplaceEdit) return false;
    const int len = FInplaceEdit->GetTextLen();
    const int ss = FInplaceEdit->SelStart(), sl = FInplaceEdit->SelLength();
    const bool allSelected = sl == len && len > 0;
    switch (Key) {
    case VK_END:
    case VK_RIGHT: return ctrl || (ss == len && sl == 0) || allSelected;
    case VK_HOME:
    case VK_LEFT: return ctrl || (ss == 0 && sl == 0) || allSelected;
    default: return false;
    }
}

void TCustomGridVz::GridKeyPress(Char& Key) {
    const bool old = FKeyFromEditor;
    FKeyFromEditor = true;
    try {
        KeyPress(Key);
    } catch (...) {
        FKeyFromEditor = old;
        throw;
    }
    FKeyFromEditor = old;
}

// ================================================================================================
// The in-place editor

namespace GridsVz {

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = false;
    FVisible = false;
    FParentColor = false;
    FColor = clWindow;
}

void TInplaceEdit::AfterConstruction() {
    TCustomControl::AfterConstruction();
    FEditCoreControl = CreateEditCoreControl();
    FEditCoreControl->FParentEdit = this;
    FEditCoreControl->SetParent(this);
    FEditCoreControl->SetVisible(true);
    FEditCoreControl->SetParentColor(true);
}

TInplaceEditCoreControl* TInplaceEdit::CreateEditCoreControl() { return New<TInplaceEditCoreControl>(this); }

bool TInplaceEdit::Visible() const { return TControl::Visible() && HandleAllocated(); }

bool TInplaceEdit::Focused() const {
    return TCustomControl::Focused() || (FEditCoreControl && FEditCoreControl->Focused());
}

void TInplaceEdit::SetFocus() {
    if (Visible() && FEditCoreControl) FEditCoreControl->SetFocus();
}

void TInplaceEdit::Reset() { FEditCoreControl->Reset(); }

void TInplaceEdit::Hide() {
    if (!HandleAllocated() || !TControl::Visible()) return;
    const bool hadFocus = Focused();
    Invalidate();
    SetVisible(false);
    if (hadFocus && FGrid && FGrid->CanFocus()) FGrid->InternalSetFocus(FGrid);
}

void TInplaceEdit::InternalMove(const TRect& Loc, bool Redraw) {
    if (Loc.IsEmpty()) {
        Hide();
        return;
    }
    HandleNeeded();
    SetBoundsRect(Loc);
    SetVisible(true);
    BringToFront();
    if (Redraw) Invalidate();
    BoundsChangedCore();
    if (FGrid && FGrid->Focused()) FGrid->InternalSetFocus(FEditCoreControl);
}

TRect TInplaceEdit::GetEditCoreRect() {
    TRect r = ClientRect();
    return TRect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
}

void TInplaceEdit::BoundsChangedCore() {
    if (FEditCoreControl) FEditCoreControl->SetBoundsRect(GetEditCoreRect());
}

bool TInplaceEdit::EditCanModify() { return FEditCoreControl->EditCanModify(); }

void TInplaceEdit::UpdateContents() {
    if (!FGrid) return;
    const int c = FGrid->Col(), r = FGrid->Row();
    SetEditMask(FGrid->GetCellEditMask(c, r));
    SetText(FGrid->GetCellEditText(c, r));
    SetMaxLength(FGrid->GetCellEditMaxLength(c, r));
}

void TInplaceEdit::TypeChar(Char Key) {
    TInplaceEditCoreControl* e = FEditCoreControl;
    Char k = Key;
    e->KeyPress(k);
    if (k.isNull() || e->IsMasked()) return;
    if (k == Char(8)) {
        if (e->SelLength() > 0) e->SetSelText(String());
        else if (e->SelStart() > 0) {
            e->SetSelStart(e->SelStart() - 1);
            e->SetSelLength(1);
            e->SetSelText(String());
        }
        return;
    }
    const int max = e->CellMaxLength();
    if (max > 0 && static_cast<int>(e->Text().size()) - e->SelLength() >= max) return;
    e->SetSelText(String(k));
}

int TInplaceEdit::MaxLength() const { return FEditCoreControl->CellMaxLength(); }
void TInplaceEdit::SetMaxLength(int Value) { FEditCoreControl->SetCellMaxLength(Value); }
bool TInplaceEdit::ReadOnly() const { return FEditCoreControl->ReadOnly(); }
void TInplaceEdit::SetReadOnly(bool Value) { FEditCoreControl->SetReadOnly(Value); }
String TInplaceEdit::SelText() const { return FEditCoreControl->SelText(); }
void TInplaceEdit::SetSelText(const String& Value) { FEditCoreControl->SetSelText(Value); }
String TInplaceEdit::Text() const { return FEditCoreControl->Text(); }
void TInplaceEdit::SetText(const String& Value) {
    FInternalTextSetting = true;
    try {
        FEditCoreControl->SetText(Value);
    } catch (...) {
        FInternalTextSetting = false;
        throw;
    }
    FInternalTextSetting = false;
}
int TInplaceEdit::SelLength() const { return FEditCoreControl->SelLength(); }
void TInplaceEdit::SetSelLength(int Value) { FEditCoreControl->SetSelLength(Value); }
int TInplaceEdit::SelStart() const { return FEditCoreControl->SelStart(); }
void TInplaceEdit::SetSelStart(int Value) { FEditCoreControl->SetSelStart(Value); }
String TInplaceEdit::EditMask() const { return FEditCoreControl->EditMask(); }
void TInplaceEdit::SetEditMask(const String& Value) { FEditCoreControl->SetEditMask(Value); }
bool TInplaceEdit::IsMasked() const { return FEditCoreControl->IsMasked(); }
String TInplaceEdit::EditText() const { return FEditCoreControl->EditText(); }
void TInplaceEdit::SetEditText(const String& Value) { FEditCoreControl->SetEditText(Value); }
bool TInplaceEdit::Modified() const { return FEditCoreControl->Modified(); }
void TInplaceEdit::SetModified(bool Value) { FEditCoreControl->SetModified(Value); }
bool TInplaceEdit::AutoSelect() const { return FEditCoreControl->AutoSelect(); }
void TInplaceEdit::SetAutoSelect(bool Value) { FEditCoreControl->SetAutoSelect(Value); }
void TInplaceEdit::SelectAll() { FEditCoreControl->SelectAll(); }
void TInplaceEdit::SetSel(int Start, int Length) {
    FEditCoreControl->SetSelStart(Start);
    FEditCoreControl->SetSelLength(Length);
}

void TInplaceEdit::Paint() {
    // The core covers the host; what shows around it is the editor's own colour.
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(FEditCoreControl ? FEditCoreControl->Color() : Color());
    Canvas()->FillRect(ClientRect());
}

void TInplaceEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (FGrid && FGrid->Options().Contains(goTabsVz)) Message.Result |= DLGC_WANTTAB;
        return;
    }
    if (Message.Msg == CM_SHOWINGCHANGED) return;
    TCustomControl::Dispatch(Message);
}

// ---- the core edit -----------------------------------------------------------------------------

TInplaceEditCoreControl::TInplaceEditCoreControl(TComponent* AOwner) : TCustomMaskEdit(AOwner) { FTabStop = false; }

TCustomGridVz* TInplaceEditCoreControl::Grid() const { return FParentEdit ? FParentEdit->Grid() : nullptr; }

void TInplaceEditCoreControl::Deselect() {
    SetSelStart(0);
    SetSelLength(0);
}

void TInplaceEditCoreControl::UpdateContents() {
    TCustomGridVz* g = Grid();
    if (!g) return;
    SetEditMask(g->GetCellEditMask(g->Col(), g->Row()));
    SetText(g->GetCellEditText(g->Col(), g->Row()));
    SetCellMaxLength(g->GetCellEditMaxLength(g->Col(), g->Row()));
}

void TInplaceEditCoreControl::SetCellMaxLength(int Value) {
    FCellMaxLength = Value;
    SetMaxLength(std::max(0, Value));
}

bool TInplaceEditCoreControl::EditCanModify() {
    TCustomGridVz* g = Grid();
    return g ? g->CanModifyCellText() : true;
}

void TInplaceEditCoreControl::Change() {
    TCustomMaskEdit::Change();
    TCustomGridVz* g = Grid();
    if (g && FParentEdit->Visible()) g->UpdateText();
    if (FParentEdit) FParentEdit->EditCoreChange();
}

void TInplaceEditCoreControl::KeyDown(Word& Key, TShiftState Shift) {
    TCustomGridVz* g = Grid();
    if (!g) {
        TCustomMaskEdit::KeyDown(Key, Shift);
        return;
    }
    if (g->GridHandlesEditorKey(Key, Shift)) {
        g->GridKeyDown(Key, Shift);
        Key = 0;
        return;
    }
    const bool onlyShift = Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
    const bool onlyCtrl = Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt);
    // Clipboard and deleting commands: refused on a read-only cell, offered to the host first.
    const bool paste = (Key == VK_INSERT && onlyShift) || (Key == 'V' && onlyCtrl);
    const bool cut = (Key == VK_DELETE && onlyShift) || (Key == 'X' && onlyCtrl);
    const bool clear = Key == VK_DELETE && Shift.Empty();
    if ((paste || cut || clear) && !EditCanModify()) {
        Key = 0;
        return;
    }
    if ((paste && FParentEdit->HandlePaste()) || (cut && FParentEdit->HandleCut()) ||
        (clear && SelLength() > 0 && FParentEdit->HandleClear())) {
        Key = 0;
        return;
    }
    if (Key == 'A' && onlyCtrl) {
        SelectAll();
        Key = 0;
        return;
    }
    if (Key == VK_F2) {
        if (g->OnKeyDown) g->OnKeyDown(g, Key, Shift);
        if (Key == VK_F2) {
            Deselect();
            Key = 0;
        }
        return;
    }
    if (g->OnKeyDown) g->OnKeyDown(g, Key, Shift);
    if (Key == 0) return;
    TCustomMaskEdit::KeyDown(Key, Shift);
}

void TInplaceEditCoreControl::KeyPress(Char& Key) {
    TCustomGridVz* g = Grid();
    if (g) {
        g->GridKeyPress(Key);
        if (Key.isNull()) return;
        if (Key.unicode() > 31 && !g->CanEditAcceptKey(Key)) {
            Key = Char();
            return;
        }
    }
    const ushort k = Key.unicode();
    if (k == 13) {
        const int len = static_cast<int>(Text().size());
        if (SelStart() != 0) SelectAll();
        else if (SelStart() + SelLength() == len) Deselect();
        else SelectAll();
        Key = Char();
        return;
    }
    if (k == 9 || k == 27) {
        Key = Char();
        return;
    }
    const bool passes = k <= 7 || (k >= 10 && k <= 12) || (k >= 14 && k <= 21) || k == 23 || k == 25 || k == 26 ||
                        (k >= 28 && k <= 31);
    if (!passes && g && !g->CanModifyCellText()) {
        Key = Char();
        return;
    }
    TCustomMaskEdit::KeyPress(Key);
}

void TInplaceEditCoreControl::KeyUp(Word& Key, TShiftState Shift) {
    TCustomMaskEdit::KeyUp(Key, Shift);
    if (Key != 0)
        if (TCustomGridVz* g = Grid()) g->DoKeyUp(Key, Shift);
}

void TInplaceEditCoreControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // A press that closely follows the press on the grid that opened the editor is its second click.
    if (Button == mbLeft && FParentEdit && FParentEdit->ClickTime() != 0) {
        const unsigned now = static_cast<unsigned>(GetTickCountVz());
        const bool dbl = now - FParentEdit->ClickTime() < GetDoubleClickTime();
        FParentEdit->SetClickTime(0);
        if (dbl) {
            if (TCustomGridVz* g = Grid()) g->DblClick();
            Shift.Include(ssDouble);
        }
    }
    TCustomMaskEdit::MouseDown(Button, Shift, X, Y);
}

bool TInplaceEditCoreControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomGridVz* g = Grid()) return g->DoMouseWheel(Shift, WheelDelta, MousePos);
    return false;
}

void TInplaceEditCoreControl::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        TCustomMaskEdit::Dispatch(Message);
        Message.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (TCustomGridVz* g = Grid(); g && g->Options().Contains(goTabsVz)) Message.Result |= DLGC_WANTTAB;
        return;
    }
    if (Message.Msg == CM_WANTSPECIALKEY && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
        Message.Result = 1;
        return;
    }
    TCustomMaskEdit::Dispatch(Message);
}

void TInplaceEditCoreControl::HostFocusIn() {
    // The grid stays the form's active control while its editor holds the keyboard focus.
    TCustomGridVz* g = Grid();
    TCustomForm* f = GetParentForm(this);
    if (g && f) {
        f->SetFocusedControl(g);
        return;
    }
    TCustomMaskEdit::HostFocusIn();
}

void TInplaceEditCoreControl::DoExit() {
    TCustomMaskEdit::DoExit();
    if (FParentEdit) FParentEdit->EditCoreKillFocus();
}

}  // namespace GridsVz
