// The report engine's exception class: a plain exception with a message.
#pragma once

#include "platform/rtl/exceptions.h"

SDELKA_EXCEPTION(ERpError, Exception)
