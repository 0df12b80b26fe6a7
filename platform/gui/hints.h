// Hints: THintWindow, the small borderless window that shows a control's hint, and the hint
// manager that shows it.
//
// The manager watches the mouse over the framework's windows. The hint control under the mouse is
// the control itself or its nearest parent with ShowHint set; once the mouse has rested over it
// for Application->HintPause, the control's hint (the part before "|") is shown under the cursor.
// The control may adjust the hint through CM_HINTSHOW (LParam: a THintInfo*; a non-zero result
// cancels the hint). The hint goes when the mouse leaves the control, on a click or a key, and
// after HintHidePause.
#pragma once

#include "platform/gui/controls.h"

class THintWindow : public TCustomControl {
    SDELKA_CLASS(THintWindow, TCustomControl)
protected:
    explicit THintWindow(TComponent* AOwner);
    ~THintWindow() override = default;

public:
    // Shows the hint text in Rect (screen coordinates).
    virtual void ActivateHint(const TRect& Rect, const String& AHint);
    // The size the text needs, wrapped at MaxWidth: the text's rectangle plus 6 pixels across and
    // 2 down, at (0, 0).
    virtual TRect CalcHintRect(int MaxWidth, const String& AHint);
    // Hides the window.
    void ReleaseHandle();
    // True while the window is shown.
    bool IsHintShowing() const;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void Paint() override;
};

// What CM_HINTSHOW hands the control (as LParam).
struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint HintPos;           // screen point of the hint window's top-left corner
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect;         // client coordinates of HintControl: the hint stays while the mouse is inside
    TPoint CursorPos;         // client coordinates of HintControl
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    String HintStr;
    void* HintData = nullptr;
};

// The hint text of a hint: the part before "|" (GetShortHint) and after it (GetLongHint; the whole
// hint when it has no "|").
String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);

// The hint control for a control under the mouse: the control or its nearest parent with
// ShowHint, or nullptr.
TControl* GetHintControl(TControl* Control);

// The manager (the application's hint handling; these stand for Application->ActivateHint and
// Application->CancelHint).
// Shows at once the hint of the control under the screen point CursorPos, as if the pause had
// passed.
void ActivateHint(const TPoint& CursorPos);
// Hides the hint and forgets the hint control.
void CancelHint();
// The manager's window (made on first use).
THintWindow* HintWindow();
// How long a hint stays shown (ms); 2500 by default.
int HintHidePause();
void SetHintHidePause(int Value);
// Starts watching the mouse (done by the first THintWindow made).
void InstallHintHandling();
