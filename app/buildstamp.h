// The build stamp: the date and time this program was built, as the compiler fixed them, turned
// into the two numbers that the database's stamp row keeps (date as yyyymmdd, time as seconds
// since midnight), and the order of two stamps.
#pragma once

#include "platform/rtl/system.h"

// The texts of this build's date and time, in the compiler's forms ("Dec  5 2026", "14:03:27").
// They live in a translation unit that the build writes again whenever the client's code
// changes, so they never lag behind the program, and a build with nothing to do keeps them.
const char* BuildDateText();
const char* BuildTimeText();

struct TBuildStamp {
    Integer Date = 0;     // yyyymmdd
    Integer Seconds = 0;  // 0 .. 86399
};

// The build date from a text of the form "Mmm dd yyyy" (a day below 10 has a space for its first
// digit); a date text starting with "?" (no date known) gives 1900-01-01.
Integer BuildDateOf(const char* DateText);
// Seconds since midnight of a text "hh:mm:ss".
Integer BuildSecondsOf(const char* TimeText);
TBuildStamp BuildStampOf(const char* DateText, const char* TimeText);
// This program's stamp.
TBuildStamp CurrentBuildStamp();

// < 0 when A is older than B, 0 when equal, > 0 when newer (date first, then seconds).
int CompareBuildStamps(const TBuildStamp& A, const TBuildStamp& B);
