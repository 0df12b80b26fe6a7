#include "platform/gui/controls.h"
#include "platform/gui/qthost.h"

#include "platform/gui/menus.h"

#include "platform/gui/forms.h"
#include "platform/gui/cursors.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace {

int gHostDepth = 0;

// A plain host: a widget that paints through its control.
class THostWidget : public TQtHost<QWidget> {
public:
    THostWidget(TWinControl* C, QWidget* Parent) : TQtHost<QWidget>(C, Parent) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        SelfPainted = true;
    }
};

TMouseButton ToMouseButton(Qt::MouseButton B) {
    switch (B) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

bool IsSelfPainted(QWidget* W) {
    THostLink* link = HostLink(W);
    return link && link->SelfPainted;
}

}  // namespace

THostDepthScope::THostDepthScope() { ++gHostDepth; }
THostDepthScope::~THostDepthScope() { --gHostDepth; }
int HostEventDepth() { return gHostDepth; }

bool HostWidgetEvent(THostLink* Link, QEvent* Event) {
    TWinControl* c = Link->Control;
    if (!c) return false;
    bool consumed = false, finished = false;
    GuardedCall(c, [&] {
        consumed = c->HostEvent(Event);
        finished = true;
    });
    // An event whose handling raised has been handled (the error was shown): Qt must not hand it
    // on to the parent widget, which would run it again (Enter on a default button that raises
    // would click it once per level of parents).
    return consumed || !finished;
}

int CursorToQtShape(TCursor Cursor) {
    switch (Cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

TCustomForm* GetParentForm(const TControl* Control) {
    const TControl* c = Control;
    while (c && c->Parent()) c = c->Parent();
    if (c && c->Is<TCustomForm>()) return const_cast<TCustomForm*>(static_cast<const TCustomForm*>(c));
    return nullptr;
}

// ================================================================================================
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(New<TFont>()) {
    FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FFont->OnChange = TNotifyEvent(this, &TControl::FontChangedHandler);
}

TControl::~TControl() {
    if (FParent) FParent->RemoveControl(this);
}

void TControl::BeforeDestruction() {
    Destroying();
    inherited::BeforeDestruction();
    if (FParent) FParent->RemoveControl(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    bool resized = AWidth != FWidth || AHeight != FHeight;
    if (FParent && FVisible) InvalidateControl(true, false);
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    BoundsChanged();
    if (FParent && FVisible) InvalidateControl(true, false);
    bool byParent = FParent && FParent->FAligning;
    if (!byParent) {
        UpdateAnchorRules();
        RequestAlign();
    }
    if (resized) Resize();
}

TRect TControl::ClientRect() const { return TRect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(int Value) { SetHeight(FHeight - ClientHeight() + Value); }

TPoint TControl::ClientOrigin() const {
    if (!FParent) return TPoint(FLeft, FTop);
    TPoint p = FParent->ClientOrigin();
    return TPoint(p.X + FLeft, p.Y + FTop);
}

TPoint TControl::ClientToScreen(const TPoint& P) const { return P + ClientOrigin(); }
TPoint TControl::ScreenToClient(const TPoint& P) const { return P - ClientOrigin(); }

void TControl::SetParent(TWinControl* AParent) {
    if (FParent == AParent) return;
    if (AParent == this) throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetVisible(bool Value) {
    if (FVisible == Value) return;
    VisibleChanging();
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
    RequestAlign();
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value) {
    if (FColor == Value) {
        FParentColor = false;
        return;
    }
    FColor = Value;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    if (FParent && Value) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::FontChangedHandler(TObject*) {
    FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (FParent && Value) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetHint(const String& Value) {
    FHint = Value;
    HintChanged();
}

void TControl::SetShowHint(bool Value) {
    FShowHint = Value;
    HintChanged();
}

void TControl::SetPopupMenu(TCustomPopupMenu* Value) {
    FPopupMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TControl::SetBiDiMode(TBiDiMode Value) {
    if (FBiDiMode == Value) return;
    FBiDiMode = Value;
    Invalidate();
}

void TControl::SetAlign(TAlign Value) {
    if (FAlign == Value) return;
    FAlign = Value;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::SetText(const String& Value) {
    if (GetText() == Value) return;
    SetTextValue(Value);
    Perform(CM_TEXTCHANGED);
}

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(csOpaque)); }

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    if (!IsVisible || !FParent || !FParent->HandleAllocated()) return;
    TPoint o = FParent->ClientOffset();
    FParent->Handle()->update(BoundsRect().ToQRect().translated(o.X, o.Y));
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
    TPoint o = FParent->ClientOffset();
    FParent->Handle()->repaint(BoundsRect().ToQRect().translated(o.X, o.Y));
}

void TControl::BringToFront() {
    if (!FParent) return;
    auto& v = FParent->FControls;
    v.erase(std::find(v.begin(), v.end(), this));
    v.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) w->Handle()->raise();
    Invalidate();
}

void TControl::SendToBack() {
    if (!FParent) return;
    auto& v = FParent->FControls;
    v.erase(std::find(v.begin(), v.end(), this));
    v.insert(v.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) w->Handle()->lower();
    Invalidate();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message) { Dispatch(Message); }

void TControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_FONTCHANGED: FontChanged(); break;
    case CM_COLORCHANGED: ColorChanged(); break;
    case CM_ENABLEDCHANGED: EnabledChanged(); break;
    case CM_VISIBLECHANGED: VisibleChanged(); break;
    case CM_CURSORCHANGED: CursorChanged(); break;
    case CM_TEXTCHANGED: TextChanged(); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case CM_HINTSHOW: CMHintShow(Message); break;
    case CM_CANCELMODE: CMCancelMode(Message); break;
    default: DefaultHandler(Message); break;
    }
}

void TControl::FontChanged() { Invalidate(); }
void TControl::ColorChanged() { Invalidate(); }
void TControl::EnabledChanged() { Invalidate(); }
void TControl::VisibleChanged() {
    if (FParent) InvalidateControl(true, false);
}

void TControl::CMParentFontChanged(TMessage&) {
    if (!FParentFont || !FParent) return;
    FFont->Assign(FParent->Font());
    FParentFont = true;  // Assign fired OnChange, which cleared it
}

void TControl::CMParentColorChanged(TMessage&) {
    if (!FParentColor || !FParent) return;
    SetColor(FParent->Color());
    FParentColor = true;
}

void TControl::CMMouseEnter(TMessage&) {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage&) {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Shift.Contains(ssDouble) && !FControlStyle.Contains(csDoubleClicks)) Shift.Exclude(ssDouble);
    if (Button == mbLeft) {
        if (Shift.Contains(ssDouble)) {
            if (FControlStyle.Contains(csClickEvents)) DblClick();
        } else if (FControlStyle.Contains(csClickEvents)) {
            FControlState.Include(csClicked);
        }
    }
    MouseDown(Button, Shift, X, Y);
}

void TControl::DoMouseMove(TShiftState Shift, int X, int Y) { MouseMove(Shift, X, Y); }

void TControl::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && FControlState.Contains(csClicked)) {
        FControlState.Exclude(csClicked);
        if (ClientRect().Contains(TPoint(X, Y))) Click();
    }
    MouseUp(Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

bool TControl::IsControlAt(const TPoint& P) const { return FVisible && BoundsRect().Contains(P); }

void TControl::RequestAlign() {
    if (FParent) FParent->AlignChildren();
}

void TControl::UpdateAnchorRules() {
    if (!FParent) return;
    TRect pr = FParent->AdjustClientRect();
    FAnchorRight = pr.Right - (FLeft + FWidth);
    FAnchorBottom = pr.Bottom - (FTop + FHeight);
    FAnchorCenterX = (FLeft + FWidth / 2) - (pr.Left + pr.Right) / 2;
    FAnchorCenterY = (FTop + FHeight / 2) - (pr.Top + pr.Bottom) / 2;
    FAnchorsSet = !pr.IsEmpty();
}

// ================================================================================================
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(New<TCanvas>()) {}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC DC) {
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    try {
        Paint();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}

// ================================================================================================
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // Free ran the destruction steps while the whole object was alive; here only what a failed
    // constructor leaves: this level's widget (TWinControl::DestroyWnd, since the derived parts
    // are gone) and the children's link to this parent.
    if (FHandle) TWinControl::DestroyWnd();
    for (TControl* c : FControls) c->FParent = nullptr;
    FControls.clear();
    FTabList.clear();
}

void TWinControl::BeforeDestruction() {
    Destroying();
    if (TCustomForm* f = GetParentForm(this); f && f != this) f->DefocusControl(this, true);
    DestroyHandle();
    inherited::BeforeDestruction();
    // The parent does not free its children: those still here belong to other owners.
    for (TControl* c : FControls) c->FParent = nullptr;
    FControls.clear();
    FTabList.clear();
}

QWidget* TWinControl::Handle() {
    if (!FHandle) {
        if (FParent) FParent->Handle();
        if (!FHandle) CreateWnd();
    }
    return FHandle;
}

QWidget* TWinControl::CreateWidget(QWidget* ParentWidget) { return new THostWidget(this, ParentWidget); }

void TWinControl::CreateWnd() {
    FControlState.Include(csCreating);
    QWidget* pw = FParent ? FParent->FHandle : nullptr;
    FHandle = CreateWidget(pw);
    RegisterWindowHandle(FHandle, this);
    InitWidget();
    FControlState.Exclude(csCreating);
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && !w->FHandle) w->CreateWnd();
    // Qt stacks siblings in creation order; keep control order.
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle) w->FHandle->raise();
}

void TWinControl::InitWidget() {
    QWidget* w = FHandle;
    if (FParent) {
        TPoint o = FParent->ClientOffset();
        w->setGeometry(FLeft + o.X, FTop + o.Y, FWidth, FHeight);
    }
    w->setEnabled(FEnabled);
    w->setFont(FFont->QtFont(Screen ? Screen->PixelsPerInch() : 96));
    ApplyPalette();
    if (FCursor != crDefault) w->setCursor(CursorToQCursor(FCursor));
    if (FShowHint && !FHint.isEmpty()) w->setToolTip(FHint);
    w->setMouseTracking(true);  // moves without a button are reported, as the framework does
    // Qt widgets take the focus as usual; a self-painted control only when it is a tab stop
    // (a panel clicked does not take the focus; a grid sets it itself).
    w->setFocusPolicy(FTabStop || !IsSelfPainted(w) ? Qt::StrongFocus : Qt::NoFocus);
    if (FParent) w->setVisible(FVisible);
}

void TWinControl::ApplyPalette() {
    if (!FHandle) return;
    QPalette pal = FHandle->palette();
    QColor bg = ColorToQColor(FColor);
    QColor fg = ColorToQColor(FFont->Color());
    pal.setColor(QPalette::Window, bg);
    pal.setColor(QPalette::Base, bg);
    pal.setColor(QPalette::Button, bg);
    // The font's colour while enabled; a disabled control writes in the grey text colour, as in
    // the classic look (setting a role for every group would make disabled controls look enabled).
    const QColor grey = ColorToQColor(clGrayText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        pal.setColor(QPalette::Active, role, fg);
        pal.setColor(QPalette::Inactive, role, fg);
        pal.setColor(QPalette::Disabled, role, grey);
    }
    FHandle->setPalette(pal);
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    FControlState.Include(csDestroyingHandle);
    DestroyWnd();
    FControlState.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyWnd() {
    QWidget* w = FHandle;
    // Children's widgets go with ours; only detach them.
    for (TControl* c : FControls)
        if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->FHandle) {
            wc->FControlState.Include(csDestroyingHandle);
            wc->DestroyWnd();
            wc->FControlState.Exclude(csDestroyingHandle);
        }
    UnregisterWindowHandle(w);
    if (THostLink* link = HostLink(w)) link->Control = nullptr;
    w->disconnect();
    FHandle = nullptr;
    FMouseCapture = nullptr;
    FMouseOver = nullptr;
    // A child whose parent keeps its window: delete our widget alone. A widget whose parent goes
    // as well is deleted with the parent's.
    bool parentGoing = FParent && FParent->FControlState.Contains(csDestroyingHandle);
    if (parentGoing) return;
    if (HostEventDepth() > 0) {
        w->hide();
        w->deleteLater();
    } else {
        delete w;
    }
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    bool wasVisible = FHandle->isVisible();
    DestroyHandle();
    Handle();
    if (!FParent && wasVisible) FHandle->show();
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FControls[static_cast<size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (const TControl* c = Control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!AllowWinControls && c->Is<TWinControl>()) continue;
        if (!c->Visible() || (!AllowDisabled && !c->Enabled())) continue;
        if (c->BoundsRect().Contains(Pos)) return c;
    }
    return nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
    if (ContainsControl(this) && AControl->Is<TWinControl>() &&
        static_cast<TWinControl*>(AControl)->ContainsControl(this))
        throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        FTabList.push_back(w);
        if (FHandle) w->Handle();
    }
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->UpdateAnchorRules();
    AControl->Invalidate();
    AlignChildren();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end()) return;
    AControl->Invalidate();
    if (TCustomForm* f = GetParentForm(this))
        if (auto* w = dynamic_cast<TWinControl*>(AControl)) f->DefocusControl(w, true);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        w->DestroyHandle();
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
    }
    FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
    if (FMouseCapture == AControl) FMouseCapture = nullptr;
    if (FMouseOver == AControl) FMouseOver = nullptr;
    AControl->FParent = nullptr;
    AlignChildren();
}

void TWinControl::EnableAlign() {
    if (--FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() {
    FControlState.Include(csAlignmentNeeded);
    AlignChildren();
}

void TWinControl::AlignChildren() {
    if (FAlignLevel > 0 || FAligning || ComponentState().Contains(csDestroying)) {
        if (!FAligning) FControlState.Include(csAlignmentNeeded);
        return;
    }
    FControlState.Exclude(csAlignmentNeeded);
    FAligning = true;
    try {
        TRect r = AdjustClientRect();
        AlignControls(nullptr, r);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    // Top, bottom, left, right, then client; within each kind in the order of their position.
    static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->FAlign == a && c->FVisible) list.push_back(c);
        std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
            switch (a) {
            case alTop: return x->FTop < y->FTop;
            case alBottom: return x->FTop + x->FHeight > y->FTop + y->FHeight;
            case alLeft: return x->FLeft < y->FLeft;
            case alRight: return x->FLeft + x->FWidth > y->FLeft + y->FWidth;
            default: return false;
            }
        });
        for (TControl* c : list) {
            int w = c->FWidth, h = c->FHeight;
            switch (a) {
            case alTop:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), h);
                Rect.Top += h;
                break;
            case alBottom:
                c->SetBounds(Rect.Left, Rect.Bottom - h, Rect.Width(), h);
                Rect.Bottom -= h;
                break;
            case alLeft:
                c->SetBounds(Rect.Left, Rect.Top, w, Rect.Height());
                Rect.Left += w;
                break;
            case alRight:
                c->SetBounds(Rect.Right - w, Rect.Top, w, Rect.Height());
                Rect.Right -= w;
                break;
            case alClient: c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height()); break;
            default: break;
            }
        }
    }
    // Anchors of the controls that are not aligned: keep the distances to the anchored edges.
    TRect pr = AdjustClientRect();
    for (TControl* c : FControls) {
        if (c->FAlign != alNone) continue;
        if (!c->FAnchorsSet) {
            c->UpdateAnchorRules();
            continue;
        }
        TAnchors an = c->FAnchors;
        int l = c->FLeft, t = c->FTop, w = c->FWidth, h = c->FHeight;
        if (an.Contains(akRight)) {
            if (an.Contains(akLeft)) w = pr.Right - c->FAnchorRight - l;
            else l = pr.Right - c->FAnchorRight - w;
        } else if (!an.Contains(akLeft)) {
            l = (pr.Left + pr.Right) / 2 + c->FAnchorCenterX - w / 2;
        }
        if (an.Contains(akBottom)) {
            if (an.Contains(akTop)) h = pr.Bottom - c->FAnchorBottom - t;
            else t = pr.Bottom - c->FAnchorBottom - h;
        } else if (!an.Contains(akTop)) {
            t = (pr.Top + pr.Bottom) / 2 + c->FAnchorCenterY - h / 2;
        }
        c->SetBounds(l, t, w, h);
    }
}

void TWinControl::SetTabStop(bool Value) {
    FTabStop = Value;
    if (FHandle && IsSelfPainted(FHandle) && FParent) FHandle->setFocusPolicy(Value ? Qt::StrongFocus : Qt::NoFocus);
}

int TWinControl::TabOrder() const {
    if (!FParent) return -1;
    auto& v = FParent->FTabList;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!FParent) return;
    auto& v = FParent->FTabList;
    auto it = std::find(v.begin(), v.end(), this);
    if (it == v.end()) return;
    v.erase(it);
    Value = std::clamp(Value, 0, static_cast<int>(v.size()));
    v.insert(v.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const {
    for (TWinControl* c : FTabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    int n = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), CurControl);
    int start = it == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == CurControl) break;
        bool ok = c->CanFocus() && (!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this);
        // Containers that accept controls take the focus only when they have no focusable child.
        if (ok) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
    if (next) next->SetFocus();
}

bool TWinControl::CanFocus() const {
    TCustomForm* f = GetParentForm(this);
    if (!f) return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const {
    TCustomForm* f = GetParentForm(this);
    return f && f->ActiveControl() == this && f->Active();
}

void TWinControl::SetFocus() {
    TCustomForm* f = GetParentForm(this);
    if (!CanFocus()) throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    if (f) f->FocusControl(this);
}

TCustomForm* TWinControl::ParentForm() const { return GetParentForm(this); }

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

bool TWinControl::WantsKey(Word Key) {
    LRESULT mask = 0;
    switch (Key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: return true;
    }
    if (Perform(CM_WANTSPECIALKEY, Key) != 0) return true;
    return (Perform(WM_GETDLGCODE) & (mask | DLGC_WANTALLKEYS)) != 0;
}

bool TWinControl::DoKeyDown(Word& Key, TShiftState Shift) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview()) {
        static_cast<TWinControl*>(f)->KeyDown(Key, Shift);
        if (Key == 0) return true;
    }
    KeyDown(Key, Shift);
    return Key == 0;
}

bool TWinControl::DoKeyPress(Char& Key) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview()) {
        static_cast<TWinControl*>(f)->KeyPress(Key);
        if (Key.isNull()) return true;
    }
    KeyPress(Key);
    return Key.isNull();
}

bool TWinControl::DoKeyUp(Word& Key, TShiftState Shift) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview()) {
        static_cast<TWinControl*>(f)->KeyUp(Key, Shift);
        if (Key == 0) return true;
    }
    KeyUp(Key, Shift);
    return Key == 0;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(Char& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = 0; return;
    case CM_ENTER: CMEnter(Message); return;
    case CM_EXIT: CMExit(Message); return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        // Offered to every child until one takes it.
        for (TControl* c : std::vector<TControl*>(FControls)) {
            if (!c->Visible()) continue;
            c->WndProc(Message);
            if (Message.Result != 0) return;
        }
        return;
    case CM_PARENTFONTCHANGED:
    case CM_PARENTCOLORCHANGED:
        TControl::Dispatch(Message);
        return;
    default: TControl::Dispatch(Message); return;
    }
}

void TWinControl::FontChanged() {
    if (FHandle) FHandle->setFont(FFont->QtFont(Screen ? Screen->PixelsPerInch() : 96));
    ApplyPalette();
    for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTFONTCHANGED);
    Invalidate();
}

void TWinControl::ColorChanged() {
    ApplyPalette();
    for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCOLORCHANGED);
    Invalidate();
}

void TWinControl::EnabledChanged() {
    if (FHandle) FHandle->setEnabled(FEnabled);
    Invalidate();
}

void TWinControl::VisibleChanged() {
    if (FHandle && FParent) FHandle->setVisible(FVisible);
}

void TWinControl::CursorChanged() {
    if (!FHandle) return;
    if (FCursor == crDefault) FHandle->unsetCursor();
    else FHandle->setCursor(CursorToQCursor(FCursor));
}

void TWinControl::HintChanged() {
    if (FHandle) FHandle->setToolTip(FShowHint ? FHint : String());
}

void TWinControl::BoundsChanged() {
    if (FHandle && FParent) {
        TPoint o = FParent->ClientOffset();
        FHandle->setGeometry(FLeft + o.X, FTop + o.Y, FWidth, FHeight);
    }
}

void TWinControl::ClientOffsetChanged() {
    if (!FHandle) return;
    TPoint o = ClientOffset();
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
            w->FHandle->setGeometry(w->FLeft + o.X, w->FTop + o.Y, w->FWidth, w->FHeight);
    Invalidate();
}

void TWinControl::Resize() {
    AlignChildren();
    TControl::Resize();
}

void TWinControl::Invalidate() {
    if (FHandle) FHandle->update();
}

void TWinControl::InvalidateRect(const TRect& R) {
    if (!FHandle || R.IsEmpty()) return;
    TPoint o = ClientOffset();
    FHandle->update(QRect(R.Left + o.X, R.Top + o.Y, R.Width(), R.Height()));
}

void TWinControl::ScrollRect(int DX, int DY, const TRect& R) {
    if (!FHandle || R.IsEmpty()) return;
    TPoint o = ClientOffset();
    FHandle->scroll(DX, DY, QRect(R.Left + o.X, R.Top + o.Y, R.Width(), R.Height()));
}

void TWinControl::Update() {
    if (FHandle) FHandle->repaint();
}

void TWinControl::Repaint() {
    if (FHandle) FHandle->repaint();
}

bool TWinControl::Showing() const {
    if (!FParent) return FVisible && FHandle && FHandle->isVisible();
    return FVisible && FParent->Showing();
}

TPoint TWinControl::ClientOrigin() const {
    if (FHandle && FHandle->isVisible()) return TPoint::FromQPoint(FHandle->mapToGlobal(ClientOffset().ToQPoint()));
    return TControl::ClientOrigin();
}

// ---- Qt events ---------------------------------------------------------------------------------

bool TWinControl::HostEvent(QEvent* Event) {
    switch (Event->type()) {
    case QEvent::KeyPress: return HostKeyPress(static_cast<QKeyEvent*>(Event));
    case QEvent::KeyRelease: return HostKeyRelease(static_cast<QKeyEvent*>(Event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return HostMouse(static_cast<QMouseEvent*>(Event));
    case QEvent::Wheel: return HostWheel(static_cast<QWheelEvent*>(Event));
    case QEvent::FocusIn:
        HostFocusIn();
        return false;
    case QEvent::Enter:
        Perform(CM_MOUSEENTER);
        return false;
    case QEvent::Leave:
        if (FMouseOver) {
            TControl* c = FMouseOver;
            FMouseOver = nullptr;
            c->Perform(CM_MOUSELEAVE);
        }
        Perform(CM_MOUSELEAVE);
        return false;
    case QEvent::Paint:
        if (!IsSelfPainted(FHandle)) return false;
        PaintHandler(Event);
        return true;
    default: return false;
    }
}

bool TWinControl::HostKeyPress(QKeyEvent* E) {
    Word key = QtKeyToVirtualKey(E->key(), E->modifiers());
    TShiftState shift = QtToShiftState(E->modifiers(), 0);
    if (E->key() == Qt::Key_Backtab) shift.Include(ssShift);
    Char ch = KeyToChar(E->key(), shift, E->text());
    bool selfPainted = IsSelfPainted(FHandle);

    // Dialog keys (Tab, arrows, Enter, Esc) go to the form first unless the control keeps them.
    if (key != 0 && !WantsKey(key)) {
        TCustomForm* f = GetParentForm(this);
        if (f && f->Perform(CM_DIALOGKEY, key, static_cast<LPARAM>(shift.ToBits())) != 0) return true;
    }
    // A handler may free this control or its window: the widget outlives the event (its
    // deletion is deferred), so its link tells whether we are still there.
    THostLink* link = HostLink(FHandle);
    auto gone = [&] { return !link || link->Control != this; };
    Word key2 = key;
    bool handled = key != 0 && DoKeyDown(key2, shift);
    if (gone()) return true;
    Char ch2 = ch;
    if (!ch.isNull() && DoKeyPress(ch2)) ch2 = Char();
    if (gone()) return true;
    if (selfPainted) return true;
    if (key == VK_TAB && !WantsKey(VK_TAB)) return true;  // never Qt's own focus chain
    if (!ch.isNull()) {
        if (ch2.isNull()) return true;
        if (handled && ch2.unicode() < 32) return true;
        if (ch2 == ch && !handled) return false;
        // The handler replaced the character: the widget gets the new one.
        QKeyEvent copy(E->type(), handled ? 0 : E->key(), E->modifiers(), String(ch2), E->isAutoRepeat());
        link->Control = nullptr;  // the copy goes straight to the widget's own handling
        QCoreApplication::sendEvent(FHandle, &copy);
        link->Control = this;
        return true;
    }
    return handled;
}

bool TWinControl::HostKeyRelease(QKeyEvent* E) {
    Word key = QtKeyToVirtualKey(E->key(), E->modifiers());
    if (key == 0) return false;
    TShiftState shift = QtToShiftState(E->modifiers(), 0);
    bool handled = DoKeyUp(key, shift);
    return handled || IsSelfPainted(FHandle);
}

TControl* TWinControl::MouseTarget(const TPoint& P) const {
    if (TControl* c = ControlAtPos(P, false, false)) return c;
    return const_cast<TWinControl*>(this);
}

bool TWinControl::HostMouse(QMouseEvent* E) {
    TPoint p = WidgetToClient(TPoint::FromQPoint(E->position().toPoint()));
    TShiftState shift = QtToShiftState(E->modifiers(), E->buttons());
    bool selfPainted = IsSelfPainted(FHandle);
    auto local = [&](TControl* t) { return t == this ? p : TPoint(p.X - t->Left(), p.Y - t->Top()); };

    switch (E->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        TControl* t = FMouseCapture ? FMouseCapture : MouseTarget(p);
        if (t != this && t->ControlStyle().Contains(csCaptureMouse)) FMouseCapture = t;
        if (E->type() == QEvent::MouseButtonDblClick) shift.Include(ssDouble);
        if (E->button() == Qt::LeftButton) shift.Include(ssLeft);
        TPoint lp = local(t);
        t->DoMouseDown(ToMouseButton(E->button()), shift, lp.X, lp.Y);
        return selfPainted;
    }
    case QEvent::MouseMove: {
        TControl* t = FMouseCapture ? FMouseCapture : MouseTarget(p);
        TControl* over = t == this ? nullptr : t;
        if (!FMouseCapture && over != FMouseOver) {
            TControl* old = FMouseOver;
            FMouseOver = over;
            if (old) old->Perform(CM_MOUSELEAVE);
            if (over) over->Perform(CM_MOUSEENTER);
        }
        TPoint lp = local(t);
        t->DoMouseMove(shift, lp.X, lp.Y);
        return selfPainted;
    }
    case QEvent::MouseButtonRelease: {
        TControl* t = FMouseCapture ? FMouseCapture : MouseTarget(p);
        if (E->buttons() == Qt::NoButton) FMouseCapture = nullptr;
        TPoint lp = local(t);
        t->DoMouseUp(ToMouseButton(E->button()), shift, lp.X, lp.Y);
        return selfPainted;
    }
    default: return false;
    }
}

bool TWinControl::HostWheel(QWheelEvent* E) {
    TShiftState shift = QtToShiftState(E->modifiers(), E->buttons());
    int delta = E->angleDelta().y();
    TPoint pos = TPoint::FromQPoint(E->globalPosition().toPoint());
    for (TControl* c = this; c; c = c->Parent())
        if (c->DoMouseWheel(shift, delta, pos)) return true;
    return IsSelfPainted(FHandle);
}

void TWinControl::HostFocusIn() {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this) f->SetFocusedControl(this);
}

void TWinControl::PaintHandler(QEvent*) {
    TPainterDC dc(FHandle);
    TLogBrush b;
    b.lbColor = ColorToRGB(FColor);
    TPoint o = ClientOffset();
    if (o.X != 0 || o.Y != 0) {
        // The band above the client area (under a form's menu bar) is the window's as well.
        dc.FillRect(TRect(0, 0, FHandle->width(), o.Y), b);
        dc.SetViewportOrg(o);
    }
    if (!FControlStyle.Contains(csOpaque)) dc.FillRect(ClientRect(), b);
    PaintWindow(&dc);
    PaintControls(&dc);
}

void TWinControl::PaintTo(HDC DC) {
    int saved = DC->SaveDC();
    try {
        TLogBrush b;
        b.lbColor = ColorToRGB(FColor);
        DC->FillRect(TRect(0, 0, FWidth, FHeight), b);
        PaintWindow(DC);
        PaintControls(DC);
    } catch (...) {
        DC->RestoreDC(saved);
        throw;
    }
    DC->RestoreDC(saved);
}

void TWinControl::PaintControls(HDC DC) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible() || g->Width() <= 0 || g->Height() <= 0) continue;
        if (!DC->RectVisible(g->BoundsRect())) continue;
        int saved = DC->SaveDC();
        TPoint vo = DC->ViewportOrg();
        DC->SetViewportOrg(TPoint(vo.X + g->Left(), vo.Y + g->Top()));
        DC->IntersectClipRect(TRect(0, 0, g->Width(), g->Height()));
        try {
            g->PaintTo(DC);
        } catch (...) {
            DC->RestoreDC(saved);
            throw;
        }
        DC->RestoreDC(saved);
    }
}

// ================================================================================================
// TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(New<TCanvas>()) {}
TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC DC) {
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    try {
        Paint();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}
