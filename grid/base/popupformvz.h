// The windows that drop-downs stand on: TPopupInactiveFormVz, a borderless stay-on-top form that
// never takes the activation from the editor that opened it; TSizeGripVz, the grip in a corner of
// a popup that resizes it within the monitor's work area; the placement of a drop-down below or
// above its owner (CalcDropDownPosForRectVz), which also tells the drop-down where its grip
// belongs; and THintWindowVz, a hint window whose font comes with the hint.
#pragma once

#include "grid/base/gridtoolctrlsvz.h"
#include "grid/base/toolsvz.h"
#include "platform/gui/forms.h"
#include "platform/gui/hints.h"

class TFont;

// How a drop-down lines up with its owner.
enum TDropDownAlign : int { daLeft, daRight, daCenter };

// Where a drop-down was placed, sent as WParam of WM_USER + 100 to the drop-down.
enum TSizeGripChangePosition { sgcpToLeft, sgcpToRight, sgcpToTop, sgcpToBottom };
constexpr UINT CM_SIZEGRIPCHANGEPOSITIONVz = WM_USER + 100;

// The grip position after the drop-down was placed in that direction: the grip stays in the
// corner away from the owner.
TSizeGripPosition ChangeSizeGripPositionVz(TSizeGripPosition Position, TSizeGripChangePosition Change);
// Mirrors a grip position for right-to-left layouts.
TSizeGripPosition FlipSizeGripPositionVz(TSizeGripPosition Position);

// A borderless popup form above every window that a click never activates; keys typed while it
// has the mouse go to MasterActionsControl first.
class TPopupInactiveFormVz : public TForm {
    SDELKA_CLASS(TPopupInactiveFormVz, TForm)
protected:
    explicit TPopupInactiveFormVz(TComponent* AOwner);
    ~TPopupInactiveFormVz() override = default;

public:
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool Value) { FDropShadow = Value; }
    TWinControl* MasterActionsControl() const { return FMasterActionsControl; }
    void SetMasterActionsControl(TWinControl* Value);
    TWinControl* MasterFocusControl() const { return FMasterFocusControl; }
    void SetMasterFocusControl(TWinControl* Value);
    // 2 when the form has a border, else 0.
    int BorderWidth() const { return BorderStyle() != bsNone ? 2 : 0; }
    // Shows the form at its bounds without taking the activation.
    void Show();
    TRect AdjustClientRect() const override;

protected:
    void InitWidget() override;
    void VisibleChanged() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FDropShadow = true;
    TWinControl* FMasterActionsControl = nullptr;
    TWinControl* FMasterFocusControl = nullptr;
};

// The grip in a corner of a host control (a popup list or form) that resizes the host, keeping
// the opposite edges and staying inside the monitor's work area.
class TSizeGripVz : public TCustomControlVz {
    SDELKA_CLASS(TSizeGripVz, TCustomControlVz)
protected:
    explicit TSizeGripVz(TComponent* AOwner);
    ~TSizeGripVz() override = default;

public:
    TWinControl* HostControl() const { return FHostControl ? FHostControl : Parent(); }
    void SetHostControl(TWinControl* Value) { FHostControl = Value; }
    TSizeGripPosition Position() const { return FPosition; }
    void SetPosition(TSizeGripPosition Value);
    bool TriangleWindow() const { return FTriangleWindow; }
    void SetTriangleWindow(bool Value);
    // Moves the grip into its corner of the host's client area.
    void UpdatePosition();
    void ChangePosition(TSizeGripChangePosition NewPosition);
    void UpdateWindowRegion();
    // The triangle the window is cut to (client points), empty without TriangleWindow.
    std::vector<TPoint> RegionPolygon() const;

    TNotifyEvent OnParentResized;

protected:
    void InitWidget() override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;

private:
    TPoint FInitScreenMousePos;
    bool FInternalMove = false;
    TPoint FOldMouseMovePos{-1, -1};
    TRect FParentRect;
    TSizeGripPosition FPosition = sgpBottomRight;
    bool FTriangleWindow = true;
    TWinControl* FHostControl = nullptr;
};

// Places a drop-down D under the owner rectangle R (screen coordinates), or above it when it does
// not fit below but above, or when there is more room above; cuts its height and width to the
// work area, and sends it CM_SIZEGRIPCHANGEPOSITIONVz with the directions taken. The answer is
// the drop-down's top-left point (its height may have changed).
TPoint CalcDropDownPosForRectVz(const TRect& R, TControl* DropDown, TDropDownAlign Align);
TPoint CalcDropDownPosForControlVz(TControl* Owner, TControl* DropDown, TDropDownAlign Align);

// A hint window whose hint data, when given, is the font to write the hint in.
class THintWindowVz : public THintWindow {
    SDELKA_CLASS(THintWindowVz, THintWindow)
protected:
    explicit THintWindowVz(TComponent* AOwner) : THintWindow(AOwner) {}
    ~THintWindowVz() override = default;

public:
    TRect CalcHintRect(int MaxWidth, const String& AHint, TFont* AData);
    TRect CalcHintRect(int MaxWidth, const String& AHint) override { return CalcHintRect(MaxWidth, AHint, nullptr); }
    void ActivateHintData(const TRect& Rect, const String& AHint, TFont* AData);

protected:
    void Paint() override;
};
