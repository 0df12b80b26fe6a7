#include "grid/base/gridtoolctrlsvz.h"

#include "grid/base/gridsvz.h"
#include "platform/gui/forms.h"
#include "platform/gui/popupwnd.h"

#include <algorithm>

// ================================================================================================
// TControlScrollBarVz

void TControlScrollBarVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // The grid takes the focus before the bar acts on the press.
    if (auto* panel = dynamic_cast<TGridScrollBarPanelControlVz*>(Parent())) panel->ScrollBarPressed(this);
    TScrollBar::MouseDown(Button, Shift, X, Y);
}

void TControlScrollBarVz::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_CANCELMODE) {
        auto* panel = dynamic_cast<TGridScrollBarPanelControlVz*>(Parent());
        if (panel && panel->IgnoreCancelMode()) return;
    }
    TScrollBar::Dispatch(Message);
}

// ================================================================================================
// TGridScrollBarPanelControlVz

TGridScrollBarPanelControlVz::TGridScrollBarPanelControlVz(TComponent* AOwner, TScrollBarKind AKind)
    : TPanel(AOwner), FKind(AKind) {
    FControlStyle.Exclude(csAcceptsControls);
    FControlStyle.Exclude(csSetCaption);
    FScrollBar = New<TControlScrollBarVz>(this);
    FScrollBar->SetKind(AKind);
    FScrollBar->SetTabStop(false);
    FScrollBar->SetParent(this);
    FScrollBar->OnScroll = [this](TObject* S, TScrollCode C, int& P) { ScrollBarScroll(S, C, P); };
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
}

TCustomGridVz* TGridScrollBarPanelControlVz::Grid() const { return dynamic_cast<TCustomGridVz*>(Owner()); }

void TGridScrollBarPanelControlVz::SetKeepMaxSizeInDefault(bool Value) {
    if (Value == FKeepMaxSizeInDefault) return;
    FKeepMaxSizeInDefault = Value;
    Realign();
}

void TGridScrollBarPanelControlVz::ScrollBarScroll(TObject*, TScrollCode ScrollCode, int& ScrollPos) {
    int pos = ScrollPos;
    if (FKind == sbHorizontal && UseRightToLeftAlignment()) pos = FScrollBar->Max() - pos;
    if (TCustomGridVz* g = Grid()) g->ModifyScrollBar(FKind == sbHorizontal ? SB_HORZ : SB_VERT, ScrollCode, pos, true);
    ScrollPos = FScrollBar->Position();
}

void TGridScrollBarPanelControlVz::SetParams(int APosition, int AMin, int AMax, int APageSize) {
    TScrollBar* b = FScrollBar;
    b->SetEnabled(true);
    if (AMax < b->PageSize()) b->SetPageSize(0);
    if (AMax < AMin) AMax = AMin;
    b->SetPageSize(0);
    b->SetParams(APosition, AMin, AMax);
    b->SetPageSize(std::clamp(APageSize, 0, AMax - AMin + 1));
    if (AMin >= AMax || APageSize > AMax - AMin) {
        FIgnoreCancelMode = true;
        try {
            b->SetEnabled(false);
        } catch (...) {
            FIgnoreCancelMode = false;
            throw;
        }
        FIgnoreCancelMode = false;
    }
}

int TGridScrollBarPanelControlVz::MaxSizeForExtraPanel() const { return Width() - 2 * GetSystemMetrics(SM_CYHSCROLL); }

bool TGridScrollBarPanelControlVz::ScrollBarPressed(TControlScrollBarVz*) {
    TCustomGridVz* g = Grid();
    return g ? g->ScrollBarPressed() : true;
}

void TGridScrollBarPanelControlVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TPanel::SetBounds(ALeft, ATop, std::max(0, AWidth), std::max(0, AHeight));
}

void TGridScrollBarPanelControlVz::Invalidate() {
    TPanel::Invalidate();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

void TGridScrollBarPanelControlVz::Resize() {
    TPanel::Resize();
    if (!FScrollBar) return;
    TCustomGridVz* g = Grid();
    int w, h;
    if (FKind == sbVertical) {
        w = g ? g->VertScrollBar()->ActualScrollBarBoxSize() : Width();
        h = Height();
    } else {
        w = Width();
        h = g ? g->HorzScrollBar()->ActualScrollBarBoxSize() : Height();
    }
    FScrollBar->SetBounds(Width() - w, Height() - h, w, h);
}

// ================================================================================================
// TSizeGripPanelVz

std::vector<TPoint> SizeGripTriangleVz(TSizeGripPosition Position, int W, int H) {
    switch (Position) {
    case sgpBottomRight: return {TPoint(0, H), TPoint(W, H), TPoint(W, 0)};
    case sgpBottomLeft: return {TPoint(W, H), TPoint(0, H), TPoint(0, 0)};
    case sgpTopLeft: return {TPoint(W - 1, 0), TPoint(0, 0), TPoint(0, H - 1)};
    case sgpTopRight: return {TPoint(W, H - 1), TPoint(W, 0), TPoint(1, 0)};
    }
    return {};
}

void TSizeGripPanelVz::UpdateRegion() {
    if (!HandleAllocated()) return;
    SetWindowPolygonRegion(this, FTriangleWindow ? SizeGripTriangleVz(FPosition, Width(), Height())
                                                 : std::vector<TPoint>());
}

void TSizeGripPanelVz::InitWidget() {
    TPanel::InitWidget();
    UpdateRegion();
}

void TSizeGripPanelVz::Resize() {
    TPanel::Resize();
    UpdateRegion();
}

TSizeGripPanelVz::TSizeGripPanelVz(TComponent* AOwner) : TPanel(AOwner) {
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
}

void TSizeGripPanelVz::SetTriangleWindow(bool Value) {
    if (Value == FTriangleWindow) return;
    FTriangleWindow = Value;
    UpdateRegion();
    UpdateCursor();
    Invalidate();
}

void TSizeGripPanelVz::SetGripActiveStatus(TGripActiveStatusVz Value) {
    if (Value == FGripActiveStatus) return;
    FGripActiveStatus = Value;
    UpdateCursor();
    Invalidate();
}

void TSizeGripPanelVz::SetPosition(TSizeGripPosition Value) {
    if (Value == FPosition) return;
    FPosition = Value;
    UpdateRegion();
    UpdateCursor();
    Invalidate();
}

void TSizeGripPanelVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TPanel::SetBounds(ALeft, ATop, std::max(0, AWidth), std::max(0, AHeight));
    UpdateCursor();
}

TWinControl* TSizeGripPanelVz::FindHost() const {
    // The window the grip sits in: the first control up from the panel that has no parent (a form,
    // or a popup list that is a window of its own).
    TWinControl* host = Parent();
    while (host && host->Parent()) host = host->Parent();
    if (!host) return nullptr;
    if (auto* f = dynamic_cast<TCustomForm*>(host); f && f->WindowState() != wsNormal) return nullptr;
    return host;
}

bool TSizeGripPanelVz::GripActive() const {
    switch (FGripActiveStatus) {
    case gasNeverVz: return false;
    case gasAlwaysVz: return true;
    default: break;
    }
    auto* host = dynamic_cast<TCustomForm*>(FindHost());
    // A popup window has no sizing frame: only a sizable form's grip is active of itself.
    if (!host || (host->BorderStyle() != bsSizeable && host->BorderStyle() != bsSizeToolWin)) return false;
    const bool rtl = UseRightToLeftAlignment();
    TPoint mine = ClientToScreen(TPoint(rtl ? 0 : Width(), Height()));
    TPoint hosts = host->ClientToScreen(TPoint(rtl ? 0 : host->ClientWidth(), host->ClientHeight()));
    return std::abs(mine.X - hosts.X) < 4 && std::abs(mine.Y - hosts.Y) < 4;
}

void TSizeGripPanelVz::UpdateCursor() {
    TCursor c = crDefault;
    if (GripActive()) c = FPosition == sgpTopLeft || FPosition == sgpBottomRight ? crSizeNWSE : crSizeNESW;
    if (c != Cursor()) SetCursor(c);
}

void TSizeGripPanelVz::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(ClientRect());
    if (!GripActive()) return;
    // Three pairs of diagonal grip lines toward the grip's corner.
    const int w = Width(), h = Height();
    const bool right = FPosition == sgpBottomRight || FPosition == sgpTopRight;
    const bool bottom = FPosition == sgpBottomRight || FPosition == sgpBottomLeft;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 2; ++k) {
            int d = 4 * i + 3 + k;
            c->Pen()->SetColor(k == 0 ? clBtnHighlight : clBtnShadow);
            int x1 = right ? w - d : d, y1 = bottom ? h - 1 : 0;
            int x2 = right ? w - 1 : 0, y2 = bottom ? h - d : d;
            c->MoveTo(x1, y1);
            c->LineTo(x2, y2);
        }
    }
}

void TSizeGripPanelVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseDown(Button, Shift, X, Y);
    TWinControl* host = FindHost();
    if (Button != mbLeft || !GripActive() || !host) return;
    FInitFormSize = TPoint(host->Width(), host->Height());
    FInitFormPos = TPoint(host->Left(), host->Top());
    FMouseMousePos = ClientToScreen(TPoint(X, Y));
}

void TSizeGripPanelVz::MouseMove(TShiftState Shift, int X, int Y) {
    TPanel::MouseMove(Shift, X, Y);
    TWinControl* host = FindHost();
    if (FMouseMousePos.X == -1 || !host || !Shift.Contains(ssLeft)) return;
    TPoint p = ClientToScreen(TPoint(X, Y));
    if (p == FMouseMousePos) return;
    const int dx = p.X - FMouseMousePos.X, dy = p.Y - FMouseMousePos.Y;
    const int W0 = FInitFormSize.X, H0 = FInitFormSize.Y, L0 = FInitFormPos.X, T0 = FInitFormPos.Y;
    int w = W0, h = H0, l = L0, t = T0;
    switch (FPosition) {
    case sgpBottomRight: w = W0 + dx; h = H0 + dy; break;
    case sgpTopLeft: w = W0 - dx; h = H0 - dy; l = L0 + W0 - w; t = T0 + H0 - h; break;
    case sgpTopRight: w = W0 + dx; h = H0 - dy; t = T0 + H0 - h; break;
    case sgpBottomLeft: w = W0 - dx; h = H0 + dy; l = L0 + W0 - w; break;
    }
    host->SetBounds(l, t, w, h);
    host->Update();
}

void TSizeGripPanelVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseUp(Button, Shift, X, Y);
    FMouseMousePos = TPoint(-1, -1);
}
