// Qt host widgets: the Qt widget classes that the framework's windowed controls create as their
// window, with their events routed to the control first. Private to the framework: only the
// sources in platform/ that make widgets include this header (it brings Qt's widget headers).
#pragma once

#include "platform/gui/controls.h"

#include <QWidget>

// The link from a host widget to its control. The control clears it when its window goes, so
// late events of a widget waiting for deleteLater reach nobody.
struct THostLink {
    TWinControl* Control = nullptr;
    bool SelfPainted = false;  // painted by the control (PaintHandler), not by the Qt widget
    virtual ~THostLink() = default;
};

// Routes one Qt event of a host widget to its control: true when consumed. Counts the depth.
bool HostWidgetEvent(THostLink* Link, QEvent* Event);

class THostDepthScope {
public:
    THostDepthScope();
    ~THostDepthScope();
};

// A Qt widget class made into a host: its events go to the control first.
template <class Q>
class TQtHost : public Q, public THostLink {
public:
    template <class... A>
    explicit TQtHost(TWinControl* C, A&&... Args) : Q(std::forward<A>(Args)...) {
        Control = C;
    }

protected:
    bool event(QEvent* E) override {
        THostDepthScope scope;
        if (Control && HostWidgetEvent(this, E)) return true;
        return Q::event(E);
    }
};

// The link of a widget, if it is a host.
inline THostLink* HostLink(QWidget* W) { return dynamic_cast<THostLink*>(W); }

// Owner windows. A top-level window shown while a modal window runs belongs to the innermost
// modal window: it becomes transient for it, so that a window manager keeps it above its owner,
// and Qt lets input reach it. A window that is modal itself (a modal form, a message box, a
// common dialog) belongs to the active window when no modal window runs. Call it before the
// window is shown; it returns the owner (nullptr: none). ReleaseOwnerWindow undoes it when the
// window hides.
QWidget* AttachToOwnerWindow(QWidget* Window, bool Modal);
void ReleaseOwnerWindow(QWidget* Window);
