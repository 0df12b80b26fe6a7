// Controls: TControl, TWinControl, TCustomControl, TGraphicControl.
//
// TControl is a plain component with bounds, a parent, colours, a font and input events.
// TWinControl owns a QWidget, made on demand (its window handle): a layout on a form that is never
// shown costs no widget. Qt events reach the framework through the host widget's event(), which
// turns them into the framework's calls (KeyDown then KeyPress with virtual-key codes, MouseDown/
// Move/Up with shift state, focus with DoEnter/DoExit, paint with Paint and a canvas) and wraps
// every call so an escaping exception goes to Application->HandleException.
//
// The owner frees a control; the parent does not. A control freed while parented removes itself
// from its parent; a parent freed before its children (owned elsewhere) orphans them.
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/messages.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

#include <memory>
#include <vector>

class QWidget;
class QEvent;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class TWinControl;
class TCustomForm;
// The popup menu classes live in menus.h; a control holds any popup menu (TPopupMenu is the
// published class of it).
class TCustomPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = TSet<TAlign, 8>;
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind, 4>;
// TBiDiMode, TAlignment and TVerticalAlignment live in platform/rtl/classes.h.

enum TControlStyleItem {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
    csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
    csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents, csParentBackground
};
using TControlStyle = TSet<TControlStyleItem, 32>;

enum TControlStateItem {
    csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
    csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = TSet<TControlStateItem, 16>;

using TCursor = SmallInt;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;
// The Qt cursor shape (Qt::CursorShape value) of a cursor; crDefault gives the arrow.
int CursorToQtShape(TCursor Cursor);

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    TEvent<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TKeyEvent = TEvent<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, Char& Key)>;

class TControl : public TComponent {
    SDELKA_CLASS(TControl, TComponent)
protected:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

public:
    void BeforeDestruction() override;

    // ---- position and size
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    // The client area in client coordinates (0, 0, ClientWidth, ClientHeight).
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int Value);
    void SetClientHeight(int Value);
    // The client origin in screen coordinates.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& P) const;
    TPoint ScreenToClient(const TPoint& P) const;

    // ---- parent, visibility
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a shown top-level window visible.
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    // ---- look
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    const String& Hint() const { return FHint; }
    void SetHint(const String& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    TCustomPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TCustomPopupMenu* Value);
    // A right click or the menu key on the control (MousePos in client coordinates): a control that
    // picks its menu by what lies under the pointer shows it here and sets Handled; otherwise its
    // PopupMenu (or a parent's) pops up.
    virtual void DoContextPopup(const TPoint& MousePos, bool& Handled) {}
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
    bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }

    // ---- alignment
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);

    // ---- text
    String Text() const { return GetText(); }
    void SetText(const String& Value);
    String Caption() const { return GetText(); }
    void SetCaption(const String& Value) { SetText(Value); }

    // ---- style and state
    const TControlStyle& ControlStyle() const { return FControlStyle; }
    void SetControlStyle(const TControlStyle& Value) { FControlStyle = Value; }
    const TControlState& ControlState() const { return FControlState; }
    void SetControlState(const TControlState& Value) { FControlState = Value; }

    // ---- painting
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // ---- messages
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    virtual void WndProc(TMessage& Message);
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message) {}

    // ---- actions
    virtual void Click();
    virtual void DblClick();

    // Input entry points, as a parent routes them to a graphic control or the host calls them.
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DoMouseMove(TShiftState Shift, int X, int Y);
    void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Returns Handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);

    // ---- events
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    // Helpers for descendants and the parent.
    bool IsControlAt(const TPoint& ClientPoint) const;
    // Font and colour the control inherits when ParentFont/ParentColor: the parent's.
    void UpdateAnchorRules();

protected:
    virtual String GetText() const { return FText; }
    virtual void SetTextValue(const String& Value) { FText = Value; }
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Resize();
    virtual void Changed() {}
    virtual void VisibleChanging() {}
    // The bounds changed (after FLeft..FHeight are set): windows move their widget.
    virtual void BoundsChanged() {}
    // Applies Font/Color/Enabled/Cursor/Hint to the widget, if any.
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    virtual void CursorChanged() {}
    virtual void HintChanged() {}
    virtual void TextChanged() {}
    // Message handlers of CM_* notifications.
    virtual void CMParentFontChanged(TMessage& Message);
    virtual void CMParentColorChanged(TMessage& Message);
    virtual void CMMouseEnter(TMessage& Message);
    virtual void CMMouseLeave(TMessage& Message);
    virtual void CMHintShow(TMessage& Message) {}
    virtual void CMCancelMode(TMessage& Message) {}
    // The parent's area where this control's changes must be repainted.
    void InvalidateControl(bool IsVisible, bool IsOpaque);

    void RequestAlign();

    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TWinControl* FParent = nullptr;
    TControlStyle FControlStyle;
    TControlState FControlState;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    bool FParentFont = true;
    TOwned<TFont> FFont;
    TCursor FCursor = crDefault;
    String FHint;
    bool FShowHint = false;
    TCustomPopupMenu* FPopupMenu = nullptr;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    String FText;
    // Anchor rules: distances to the parent's right and bottom edges when last placed.
    int FAnchorRight = 0, FAnchorBottom = 0;
    int FAnchorCenterX = 0, FAnchorCenterY = 0;
    bool FAnchorsSet = false;

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void FontChangedHandler(TObject*);
    friend class TWinControl;
};

class TGraphicControl : public TControl {
    SDELKA_CLASS(TGraphicControl, TControl)
protected:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;

public:
    // The canvas while painting (the parent's paint, offset and clipped to this control).
    TCanvas* Canvas() const { return FCanvas.get(); }
    // Called by the parent's paint with a device context whose origin is this control's corner.
    void PaintTo(HDC DC);

protected:
    virtual void Paint() {}

private:
    TOwned<TCanvas> FCanvas;
};

class TWinControl : public TControl {
    SDELKA_CLASS(TWinControl, TControl)
protected:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

public:
    void BeforeDestruction() override;

    // Paints the control as it looks (background, its own painting, graphic children) into DC
    // with the control's corner at the DC's origin; works for a hidden control too.
    void PaintTo(HDC DC);
    // ---- window handle
    bool HandleAllocated() const { return FHandle != nullptr; }
    // The widget, created (with its parents') when needed.
    QWidget* Handle();
    void HandleNeeded() { Handle(); }
    void RecreateWnd();
    void DestroyHandle();

    // ---- children
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const;
    bool ContainsControl(const TControl* Control) const;
    TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled = false, bool AllowWinControls = false) const;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    void Realign();
    // The area children align in (ClientRect less borders).
    virtual TRect AdjustClientRect() const { return ClientRect(); }
    void SetChildOrder(TComponent* Child, int Order) override {}

    // ---- focus and tab order
    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    // Tab-order list of the children that are windows.
    void GetTabOrderList(std::vector<TWinControl*>& List) const;
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent) const;
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    virtual bool CanFocus() const;
    virtual bool Focused() const;
    virtual void SetFocus();

    // ---- keys (entry points; the host calls them for each Qt key event: dialog keys first
    // (Tab, arrows, Enter, Esc go to the form's CM_DIALOGKEY unless WM_GETDLGCODE keeps them),
    // then DoKeyDown, then DoKeyPress with the character). Each offers the key to the form first
    // when its KeyPreview is on, and returns true when a handler consumed it (Key set to 0).
    bool DoKeyDown(Word& Key, TShiftState Shift);
    bool DoKeyPress(Char& Key);
    bool DoKeyUp(Word& Key, TShiftState Shift);

    // The focus entered or leaves the control (the form sends CM_ENTER/CM_EXIT, whose handlers
    // call these). Descendants override them; an exception from DoExit refuses the exit and the
    // focus stays where it was.
    virtual void DoEnter();
    virtual void DoExit();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // Called by the host widget for each Qt event; true when the event is consumed.
    virtual bool HostEvent(QEvent* Event);

    void Invalidate() override;
    // Marks a client rectangle for repainting (nothing without a window).
    void InvalidateRect(const TRect& R);
    // Shifts the pixels inside a client rectangle by (DX, DY); the part uncovered is repainted.
    void ScrollRect(int DX, int DY, const TRect& R);
    void Update() override;
    void Repaint() override;
    bool Showing() const override;
    TPoint ClientOrigin() const override;

    // The form this control belongs to (its top-level parent form), or nullptr.
    TCustomForm* ParentForm() const;

    // Where the client area's (0, 0) lies in the widget: (0, 0) but for a window whose widget
    // holds something above its client area (a form's menu bar). Child widgets, the painting of
    // graphic children and the mouse positions given to them are in client coordinates, so they
    // are shifted by it between the widget and the framework.
    virtual TPoint ClientOffset() const { return TPoint(0, 0); }
    // A widget position as a client point.
    TPoint WidgetToClient(const TPoint& P) const { return P - ClientOffset(); }

protected:
    // Makes the widget. The default is a plain host widget that paints through PaintWindow.
    virtual QWidget* CreateWidget(QWidget* ParentWidget);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // After the widget exists: copy properties to it.
    virtual void InitWidget();
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(Char& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void PaintWindow(HDC DC) {}
    // Paints the background (Color), then PaintWindow, then graphic children.
    virtual void PaintHandler(QEvent* Event);
    void PaintControls(HDC DC);
    virtual void CMEnter(TMessage& Message);
    virtual void CMExit(TMessage& Message);
    // True when the control keeps this key for itself (dialog codes, CM_WANTSPECIALKEY).
    bool WantsKey(Word Key);
    void Dispatch(TMessage& Message) override;
    void BoundsChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void CursorChanged() override;
    void HintChanged() override;
    void Resize() override;
    // Handles the key as Qt delivered it; returns true when consumed.
    virtual bool HostKeyPress(QKeyEvent* E);
    virtual bool HostKeyRelease(QKeyEvent* E);
    virtual bool HostMouse(QMouseEvent* E);
    virtual bool HostWheel(QWheelEvent* E);
    virtual void HostFocusIn();
    // Applies the palette colour/font of the control to the widget.
    void ApplyPalette();
    // ClientOffset changed: the child widgets move with the client area, and the window repaints.
    void ClientOffsetChanged();

    QWidget* FHandle = nullptr;
    bool FTabStop = false;

private:
    friend class TControl;
    void AlignChildren();
    TControl* MouseTarget(const TPoint& P) const;
    std::vector<TControl*> FControls;   // children in control (z) order
    std::vector<TWinControl*> FTabList; // window children in tab order
    int FAlignLevel = 0;
    bool FAligning = false;
    TControl* FMouseCapture = nullptr;  // graphic child that has the mouse
    TControl* FMouseOver = nullptr;     // graphic child under the mouse
};

class TCustomControl : public TWinControl {
    SDELKA_CLASS(TCustomControl, TWinControl)
protected:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

public:
    // The canvas on the widget while painting.
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    TOwned<TCanvas> FCanvas;
};

// The form a control sits on (its top-level parent), or nullptr.
TCustomForm* GetParentForm(const TControl* Control);

// Number of Qt events of host widgets being handled right now (widgets are not deleted under
// their own event; they go by deleteLater).
int HostEventDepth();

// Builds one control of a form laid out in code (what a form resource does when it is loaded):
// creates it owned by Owner, names it, places it and gives it its parent.
template <class T>
T* NewControl(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top, int Width,
              int Height) {
    T* c = New<T>(Owner);
    c->SetName(QString::fromLatin1(Name));
    c->SetBounds(Left, Top, Width, Height);
    c->SetParent(Parent);
    return c;
}
