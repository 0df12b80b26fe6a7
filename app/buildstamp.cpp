#include "app/buildstamp.h"

#include <cstring>

namespace {

int Digit(char C) { return C >= '0' && C <= '9' ? C - '0' : 0; }

// Character Index (1-based) of Text, or a space past its end.
char At(const char* Text, int Index) {
    return Index >= 1 && static_cast<size_t>(Index) <= std::strlen(Text) ? Text[Index - 1] : ' ';
}

int MonthOf(const char* Text) {
    const char c1 = At(Text, 1), c2 = At(Text, 2), c3 = At(Text, 3);
    switch (c3) {
    case 'n': return c2 == 'a' ? 1 : 6;
    case 'b': return 2;
    case 'r': return c1 == 'M' ? 3 : 4;
    case 'y': return 5;
    case 'l': return 7;
    case 'g': return 8;
    case 'p': return 9;
    case 't': return 10;
    case 'v': return 11;
    default: return 12;
    }
}

}  // namespace

Integer BuildDateOf(const char* DateText) {
    if (!DateText) DateText = "";
    int month = 1, day = 1, year = 1900;
    if (At(DateText, 1) != '?') {
        month = MonthOf(DateText);
        day = Digit(At(DateText, 5)) * 10 + Digit(At(DateText, 6));
        year = Digit(At(DateText, 8)) * 1000 + Digit(At(DateText, 9)) * 100 + Digit(At(DateText, 10)) * 10 +
               Digit(At(DateText, 11));
    }
    return year * 10000 + month * 100 + day;
}

Integer BuildSecondsOf(const char* TimeText) {
    if (!TimeText) TimeText = "";
    return Digit(At(TimeText, 1)) * 36000 + Digit(At(TimeText, 2)) * 3600 + Digit(At(TimeText, 4)) * 600 +
           Digit(At(TimeText, 5)) * 60 + Digit(At(TimeText, 7)) * 10 + Digit(At(TimeText, 8));
}

TBuildStamp BuildStampOf(const char* DateText, const char* TimeText) {
    return TBuildStamp{BuildDateOf(DateText), BuildSecondsOf(TimeText)};
}

TBuildStamp CurrentBuildStamp() { return BuildStampOf(BuildDateText(), BuildTimeText()); }

int CompareBuildStamps(const TBuildStamp& A, const TBuildStamp& B) {
    if (A.Date != B.Date) return A.Date < B.Date ? -1 : 1;
    if (A.Seconds != B.Seconds) return A.Seconds < B.Seconds ? -1 : 1;
    return 0;
}
