#include "platform/gui/popupwnd.h"

#include <QPolygon>
#include <QRegion>
#include <QWidget>

void MakePopupWindow(TWinControl* Control) {
    QWidget* w = Control->Handle();
    const bool visible = w->isVisible();
    // A window of the tool-tip kind: no frame, no task-bar entry, placed by us and not by the
    // window manager, never activated when shown or clicked (the window system is told it takes
    // no input focus).
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setFocusPolicy(Qt::NoFocus);
    PlacePopupWindow(Control);
    if (visible) w->show();
}

void PlacePopupWindow(TWinControl* Control) {
    if (!Control->HandleAllocated()) return;
    QWidget* w = Control->Handle();
    w->setGeometry(Control->Left(), Control->Top(), std::max(0, Control->Width()), std::max(0, Control->Height()));
}

void ShowPopupWindow(TWinControl* Control) {
    QWidget* w = Control->Handle();
    PlacePopupWindow(Control);
    w->show();
    w->raise();
    w->update();
}

void HidePopupWindow(TWinControl* Control) {
    if (Control->HandleAllocated()) Control->Handle()->hide();
}

void SetWindowTakesNoFocus(TWinControl* Control) { Control->Handle()->setFocusPolicy(Qt::NoFocus); }

bool PopupWindowShowing(const TWinControl* Control) {
    return Control->HandleAllocated() && const_cast<TWinControl*>(Control)->Handle()->isVisible();
}

void SetWindowPolygonRegion(TWinControl* Control, const std::vector<TPoint>& Points) {
    if (!Control->HandleAllocated()) return;
    QWidget* w = Control->Handle();
    if (Points.empty()) {
        w->clearMask();
        return;
    }
    QPolygon p;
    for (const TPoint& pt : Points) p << QPoint(pt.X, pt.Y);
    w->setMask(QRegion(p, Qt::WindingFill));
}

void SetWindowRectsRegion(TWinControl* Control, const std::vector<TRect>& Rects) {
    if (!Control->HandleAllocated()) return;
    QWidget* w = Control->Handle();
    if (Rects.empty()) {
        w->clearMask();
        return;
    }
    QRegion region;
    for (const TRect& r : Rects)
        if (!r.IsEmpty()) region += QRect(r.Left, r.Top, r.Width(), r.Height());
    w->setMask(region);
}

void SetWindowAlpha(TWinControl* Control, int Alpha) {
    Control->Handle()->setWindowOpacity(std::clamp(Alpha, 0, 255) / 255.0);
}
