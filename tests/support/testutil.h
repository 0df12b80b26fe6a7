// Small helpers that test files of several libraries share: a String as a std::string for
// GoogleTest's messages, the message of an expected exception, waiting for and running events.
#pragma once

#include "platform/rtl/system.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <string>

namespace sdelka::test {

// A String as GoogleTest prints it well.
inline std::string S(const String& s) { return s.toStdString(); }

// The message of the exception of class E that f raises, or "<no exception>".
template <class E>
String MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

// Runs the event loop for Ms milliseconds (timers fire, posted events arrive).
inline void Wait(int Ms) {
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Delivers what is pending, three rounds (events that post events).
inline void ProcessEvents() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace sdelka::test
