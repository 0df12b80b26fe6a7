// String and number routines of the runtime library.
#pragma once

#include "platform/rtl/system.h"

// Format(fmt, args): the framework's format language (%d %u %s %f %n %m %g %e %x %p, width,
// precision, "*", argument index "%0:s"); EConvertError on a mismatch.
String Format(const String& fmt, TVarRecs args);
