#include "platform/rtl/exceptions.h"

String Format(const String& fmt, TVarRecs args);  // format.cpp

Exception::Exception(const String& msg) : FMessage(msg), FUtf8(msg.toStdString()) {}

Exception::Exception(const String& fmt, TVarRecs args) : Exception(Format(fmt, args)) {}

Exception::~Exception() = default;

void Exception::SetMessage(const String& m) {
    FMessage = m;
    FUtf8 = m.toStdString();
}

void Abort() { throw EAbort(QStringLiteral("Operation aborted")); }
