// Windows that pop up over the others without ever taking the activation from the window the user
// works in: drop-down lists, popup forms, drag feedback. Such a window stays on top, has no frame
// and is not in the task bar; a click in it leaves the keyboard focus where it was, so the editor
// that opened it keeps its caret. The control has no parent: its Left and Top are screen points.
#pragma once

#include "platform/gui/controls.h"

#include <algorithm>
#include <vector>

// Makes the control's window (created here when it has none) such a popup window, frameless (a
// popup draws its own border).
void MakePopupWindow(TWinControl* Control);
// Places the popup window at the control's bounds (screen coordinates); nothing without a window.
void PlacePopupWindow(TWinControl* Control);
// Shows the popup window at the control's bounds without activating it, above the other windows.
void ShowPopupWindow(TWinControl* Control);
void HidePopupWindow(TWinControl* Control);
// A click in the control's window does not move the keyboard focus to it (a control inside a
// popup window).
void SetWindowTakesNoFocus(TWinControl* Control);
bool PopupWindowShowing(const TWinControl* Control);
// Cuts the control's window to a polygon of client points (an empty polygon: the whole rectangle).
void SetWindowPolygonRegion(TWinControl* Control, const std::vector<TPoint>& Points);
// Cuts the control's window to the union of rectangles (client coordinates); none: the whole window.
void SetWindowRectsRegion(TWinControl* Control, const std::vector<TRect>& Rects);
// The window's opacity, 0 (invisible) .. 255 (opaque).
void SetWindowAlpha(TWinControl* Control, int Alpha);
