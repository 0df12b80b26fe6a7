// Input as a user gives it: key presses, mouse clicks and wheel turns sent to a window as the
// window system sends them, so they reach a control's own handling and its wiring (a click on a
// button whose click handler was never assigned does nothing, as for the user).
#pragma once

#include "platform/gui/controls.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace sdelka::test {

// A press and a release of Key.
inline void SendKey(QWidget* W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = QString()) {
    QKeyEvent press(QEvent::KeyPress, Key, Mods, Text);
    QCoreApplication::sendEvent(W, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Mods, Text);
    QCoreApplication::sendEvent(W, &release);
}

// One mouse event at P; a move carries no button, a release none held.
inline void SendMouse(QWidget* W, QEvent::Type Type, QPointF P, Qt::MouseButton B = Qt::LeftButton,
                      Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    Qt::MouseButtons held = Type == QEvent::MouseButtonRelease || Type == QEvent::MouseMove ? Qt::NoButton
                                                                                           : Qt::MouseButtons(B);
    QMouseEvent e(Type, P, W->mapToGlobal(P), Type == QEvent::MouseMove ? Qt::NoButton : B, held, Mods);
    QCoreApplication::sendEvent(W, &e);
}

// A click at P (the middle of the widget when P is left out); Double adds the second press as a
// double click, as the window system reports one.
inline void Click(QWidget* W, QPointF P = QPointF(-1, -1), bool Double = false,
                  Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    if (P.x() < 0) P = QPointF(W->width() / 2.0, W->height() / 2.0);
    SendMouse(W, QEvent::MouseButtonPress, P, Qt::LeftButton, Mods);
    SendMouse(W, QEvent::MouseButtonRelease, P, Qt::LeftButton, Mods);
    if (Double) {
        SendMouse(W, QEvent::MouseButtonDblClick, P, Qt::LeftButton, Mods);
        SendMouse(W, QEvent::MouseButtonRelease, P, Qt::LeftButton, Mods);
    }
}

inline void DoubleClick(QWidget* W, QPointF P = QPointF(-1, -1)) { Click(W, P, true); }

// Clicks the middle of a windowed control (a button, a check box ...).
inline void Click(TWinControl* C) { Click(C->Handle()); }

// Turns the wheel at P by Notches (positive: away from the user, one notch 120).
inline void Wheel(QWidget* W, QPointF P, int Notches, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QWheelEvent e(P, W->mapToGlobal(P), QPoint(), QPoint(0, 120 * Notches), Qt::NoButton, Mods, Qt::NoScrollPhase,
                  false);
    QCoreApplication::sendEvent(W, &e);
}

// ---- through the top-level window, as the window system delivers input ----------------------
// The window finds the widget under the point (or its focused widget for keys), and a window that
// a modal box or form blocks gets nothing, as for the user.

inline void SendMouseToWindow(QWidget* W, QEvent::Type Type, QPointF P, Qt::MouseButton B = Qt::LeftButton) {
    QWidget* top = W->window();
    const QPointF local = W->mapTo(top, P);
    Qt::MouseButtons held = Type == QEvent::MouseButtonRelease || Type == QEvent::MouseMove ? Qt::NoButton
                                                                                           : Qt::MouseButtons(B);
    QMouseEvent e(Type, local, local, W->mapToGlobal(P), Type == QEvent::MouseMove ? Qt::NoButton : B, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(top->windowHandle(), &e);
}

// A click in the middle of W, delivered to its window.
inline void ClickWindow(QWidget* W) {
    const QPointF p(W->width() / 2.0, W->height() / 2.0);
    SendMouseToWindow(W, QEvent::MouseButtonPress, p);
    SendMouseToWindow(W, QEvent::MouseButtonRelease, p);
}

// A press and a release of Key at the window of W (its focused widget gets them).
inline void SendKeyToWindow(QWidget* W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier,
                            const QString& Text = QString()) {
    QWindow* window = W->window()->windowHandle();
    QKeyEvent press(QEvent::KeyPress, Key, Mods, Text);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Mods, Text);
    QCoreApplication::sendEvent(window, &release);
}

}  // namespace sdelka::test
