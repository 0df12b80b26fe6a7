#include "grid/base/popupformvz.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/popupwnd.h"

#include <algorithm>

// ================================================================================================
// grip positions

TSizeGripPosition ChangeSizeGripPositionVz(TSizeGripPosition Position, TSizeGripChangePosition Change) {
    switch (Change) {
    case sgcpToLeft:
        if (Position == sgpTopRight) return sgpTopLeft;
        if (Position == sgpBottomRight) return sgpBottomLeft;
        break;
    case sgcpToRight:
        if (Position == sgpTopLeft) return sgpTopRight;
        if (Position == sgpBottomLeft) return sgpBottomRight;
        break;
    case sgcpToTop:
        if (Position == sgpBottomRight) return sgpTopRight;
        if (Position == sgpBottomLeft) return sgpTopLeft;
        break;
    case sgcpToBottom:
        if (Position == sgpTopRight) return sgpBottomRight;
        if (Position == sgpTopLeft) return sgpBottomLeft;
        break;
    }
    return Position;
}

TSizeGripPosition FlipSizeGripPositionVz(TSizeGripPosition Position) {
    switch (Position) {
    case sgpTopLeft: return sgpTopRight;
    case sgpTopRight: return sgpTopLeft;
    case sgpBottomRight: return sgpBottomLeft;
    case sgpBottomLeft: return sgpBottomRight;
    }
    return Position;
}

// ================================================================================================
// TPopupInactiveFormVz

TPopupInactiveFormVz::TPopupInactiveFormVz(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsNone);
    SetPosition(poDesigned);
    SetFormStyle(fsStayOnTop);
}

void TPopupInactiveFormVz::SetMasterActionsControl(TWinControl* Value) {
    if (Value == FMasterActionsControl) return;
    if (FMasterActionsControl && FMasterActionsControl != FMasterFocusControl)
        FMasterActionsControl->RemoveFreeNotification(this);
    FMasterActionsControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TPopupInactiveFormVz::SetMasterFocusControl(TWinControl* Value) {
    if (Value == FMasterFocusControl) return;
    if (FMasterFocusControl && FMasterFocusControl != FMasterActionsControl)
        FMasterFocusControl->RemoveFreeNotification(this);
    FMasterFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TPopupInactiveFormVz::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FMasterActionsControl) FMasterActionsControl = nullptr;
    if (AComponent == FMasterFocusControl) FMasterFocusControl = nullptr;
}

void TPopupInactiveFormVz::InitWidget() {
    TForm::InitWidget();
    MakePopupWindow(this);
}

void TPopupInactiveFormVz::Show() { SetVisible(true); }

void TPopupInactiveFormVz::VisibleChanged() {
    // Shown and hidden as a popup: the form never becomes the active form, so the form that
    // opened it keeps the activation and its focused control.
    if (FVisible) {
        HandleNeeded();
        DoShow();
        if (!FVisible) return;
        ShowPopupWindow(this);
    } else if (PopupWindowShowing(this)) {
        DoHide();
        HidePopupWindow(this);
    }
}

TRect TPopupInactiveFormVz::AdjustClientRect() const {
    TRect r = TForm::AdjustClientRect();
    const int b = BorderWidth();
    r.Inflate(-b, -b);
    return r;
}

void TPopupInactiveFormVz::KeyDown(Word& Key, TShiftState Shift) {
    // The editor that owns the popup sees the key first (with its own copy of it).
    if (FMasterActionsControl) {
        Word k = Key;
        FMasterActionsControl->DoKeyDown(k, Shift);
    }
    TForm::KeyDown(Key, Shift);
}

// ================================================================================================
// TSizeGripVz

TSizeGripVz::TSizeGripVz(TComponent* AOwner) : TCustomControlVz(AOwner) {
    FControlStyle.Include(csCaptureMouse);
    FControlStyle.Include(csReplicatable);
    FControlStyle.Include(csParentBackground);
    FWidth = GetSystemMetrics(SM_CXVSCROLL);
    FHeight = GetSystemMetrics(SM_CYVSCROLL);
    FColor = clBtnFace;
    FParentColor = false;
    FCursor = crSizeNWSE;
}

void TSizeGripVz::InitWidget() {
    TCustomControlVz::InitWidget();
    UpdateWindowRegion();
}

void TSizeGripVz::SetPosition(TSizeGripPosition Value) {
    if (Value == FPosition) return;
    FPosition = Value;
    UpdateWindowRegion();
    Invalidate();
}

void TSizeGripVz::SetTriangleWindow(bool Value) {
    if (Value == FTriangleWindow) return;
    FTriangleWindow = Value;
    UpdateWindowRegion();
}

void TSizeGripVz::ChangePosition(TSizeGripChangePosition NewPosition) {
    SetPosition(ChangeSizeGripPositionVz(FPosition, NewPosition));
}

std::vector<TPoint> TSizeGripVz::RegionPolygon() const {
    return FTriangleWindow ? SizeGripTriangleVz(FPosition, Width(), Height()) : std::vector<TPoint>();
}

void TSizeGripVz::UpdateWindowRegion() {
    if (!HandleAllocated()) return;
    SetWindowPolygonRegion(this, RegionPolygon());
    UpdatePosition();
    SetCursor(FPosition == sgpTopLeft || FPosition == sgpBottomRight ? crSizeNWSE : crSizeNESW);
}

void TSizeGripVz::UpdatePosition() {
    TWinControl* host = HostControl();
    if (!HandleAllocated() || !host) return;
    FInternalMove = true;
    try {
        TRect r;
        GetControlClientRectVz(host, r);
        switch (FPosition) {
        case sgpTopLeft: SetBounds(r.Left, r.Top, Width(), Height()); break;
        case sgpTopRight: SetBounds(r.Right - Width(), r.Top, Width(), Height()); break;
        case sgpBottomRight: SetBounds(r.Right - Width(), r.Bottom - Height(), Width(), Height()); break;
        case sgpBottomLeft: SetBounds(r.Left, r.Bottom - Height(), Width(), Height()); break;
        }
    } catch (...) {
        FInternalMove = false;
        throw;
    }
    FInternalMove = false;
}

void TSizeGripVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControlVz::MouseDown(Button, Shift, X, Y);
    TWinControl* host = HostControl();
    if (!host) return;
    FInitScreenMousePos = ClientToScreen(TPoint(X, Y));
    FOldMouseMovePos = FInitScreenMousePos;
    FParentRect = TRect(host->ClientWidth(), host->ClientHeight(), host->Width(), host->Height());
}

void TSizeGripVz::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControlVz::MouseMove(Shift, X, Y);
    TWinControl* host = HostControl();
    if (!host || !Shift.Contains(ssLeft) || FInternalMove) return;
    const TPoint P = ClientToScreen(TPoint(X, Y));
    if (P == FOldMouseMovePos) return;
    const TPoint origin = host->Parent() ? host->Parent()->ClientToScreen(TPoint(host->Left(), host->Top()))
                                         : TPoint(host->Left(), host->Top());
    const TRect hostRect(origin.X, origin.Y, origin.X + host->Width(), origin.Y + host->Height());
    const TRect wa = Screen->WorkAreaRect();
    const int oldClientW = host->ClientWidth(), oldClientH = host->ClientHeight();
    int left = host->Left(), top = host->Top(), width = host->Width(), height = host->Height();
    if (FPosition == sgpTopRight || FPosition == sgpBottomRight) {
        int w = FParentRect.Right + (P.X - FInitScreenMousePos.X);
        const int over = hostRect.Left + w - wa.Right;
        if (over > 0) w -= over;
        width = w;
    } else {
        int w = FParentRect.Right + (FInitScreenMousePos.X - P.X);
        const int over = wa.Left - (hostRect.Right - w);
        if (over > 0) w -= over;
        left = left + width - w;
        width = w;
    }
    if (FPosition == sgpBottomLeft || FPosition == sgpBottomRight) {
        int h = FParentRect.Bottom + (P.Y - FInitScreenMousePos.Y);
        const int over = hostRect.Top + h - wa.Bottom;
        if (over > 0) h -= over;
        height = h;
    } else {
        int h = FParentRect.Bottom + (FInitScreenMousePos.Y - P.Y);
        const int over = wa.Top - (hostRect.Bottom - h);
        if (over > 0) h -= over;
        top = top + height - h;
        height = h;
    }
    host->SetBounds(left, top, std::max(0, width), std::max(0, height));
    FOldMouseMovePos = P;
    if ((host->ClientWidth() != oldClientW || host->ClientHeight() != oldClientH) && OnParentResized)
        OnParentResized(this);
    UpdatePosition();
}

void TSizeGripVz::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(ClientRect());
    // Diagonal stripes toward the grip's corner: four lines in highlight, shadow, shadow and face
    // for every fourth column.
    const int W = Width(), H = Height();
    const bool right = FPosition == sgpBottomRight || FPosition == sgpTopRight;
    const bool bottom = FPosition == sgpBottomRight || FPosition == sgpBottomLeft;
    const TColor colours[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
    for (int i = 1; i < W; i += 4) {
        for (int k = 0; k < 4 && i + k < W; ++k) {
            const int d = i + k;  // distance of the line from the far corner
            // The line joins (d, far edge) and (far edge, d) measured from the grip's corner.
            int x1 = right ? d : W - 1 - d, y1 = bottom ? H : -1;
            int x2 = right ? W : -1, y2 = bottom ? d : H - 1 - d;
            c->Pen()->SetColor(colours[k]);
            c->MoveTo(x1, y1);
            c->LineTo(x2, y2);
        }
    }
}

namespace {
// Made by name when a stream names it.
const bool SizeGripRegistered = [] {
    RegisterClass(TSizeGripVz::StaticClass());
    return true;
}();
}  // namespace

// ================================================================================================
// drop-down placement

TPoint CalcDropDownPosForRectVz(const TRect& R, TControl* D, TDropDownAlign Align) {
    const TRect wa = Screen->WorkAreaRect();
    auto* wd = dynamic_cast<TWinControl*>(D);
    auto tell = [wd](TSizeGripChangePosition c) {
        if (wd) wd->Perform(CM_SIZEGRIPCHANGEPOSITIONVz, static_cast<WPARAM>(c), 0);
    };
    int top;
    const bool fitsBelow = wa.Bottom >= R.Bottom + D->Height();
    const bool fitsAbove = R.Top - D->Height() >= wa.Top;
    const bool above = (!fitsBelow && fitsAbove) || (!fitsBelow && !fitsAbove && wa.Bottom - R.Bottom < R.Top - wa.Top);
    if (above) {
        if (!fitsAbove) D->SetHeight(R.Top - wa.Top);
        top = R.Top - D->Height();
        tell(sgcpToTop);
    } else {
        if (!fitsBelow) D->SetHeight(wa.Bottom - R.Bottom);
        top = R.Bottom;
        tell(sgcpToBottom);
    }
    int left = R.Left;
    if (Align == daRight) left = R.Right - D->Width();
    else if (Align == daCenter) left = R.Left - (D->Width() - R.Width()) / 2;
    if (D->Width() > wa.Width()) D->SetWidth(wa.Width());
    if (left + D->Width() > wa.Right) {
        left = wa.Right - D->Width();
        tell(sgcpToLeft);
    } else if (left < wa.Left) {
        left = wa.Left;
        tell(sgcpToRight);
    } else {
        tell(Align == daRight ? sgcpToLeft : sgcpToRight);
    }
    return TPoint(left, top);
}

TPoint CalcDropDownPosForControlVz(TControl* Owner, TControl* DropDown, TDropDownAlign Align) {
    TPoint p(Owner->Left(), Owner->Top());
    if (Owner->Parent()) p = Owner->Parent()->ClientToScreen(p);
    return CalcDropDownPosForRectVz(TRect(p.X, p.Y, p.X + Owner->Width(), p.Y + Owner->Height()), DropDown, Align);
}

// ================================================================================================
// THintWindowVz

TRect THintWindowVz::CalcHintRect(int MaxWidth, const String& AHint, TFont* AData) {
    if (AData) Font()->Assign(AData);
    Font()->SetColor(clWindowText);
    return THintWindow::CalcHintRect(MaxWidth, AHint);
}

void THintWindowVz::ActivateHintData(const TRect& Rect, const String& AHint, TFont* AData) {
    if (AData) Font()->Assign(AData);
    ActivateHint(Rect, AHint);
}

void THintWindowVz::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
    Canvas()->Brush()->SetColor(clWindowFrame);
    Canvas()->FrameRect(r);
    dc->SelectFont(Font()->LogFont());
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(ColorToRGB(Font()->Color()));
    TRect t = r;
    t.Offset(2, 2);
    unsigned flags = DT_WORDBREAK | DT_NOPREFIX;
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    DrawText(dc, Caption(), t, flags);
}
