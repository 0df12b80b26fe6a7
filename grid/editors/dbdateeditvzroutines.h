// The date/time routines behind the date/time edit: an edit format ("DD/MM/YYYY HH:NN:SS") gives
// the edit mask, the display format for FormatDateTime and the layout of the elements in the
// text; a text is read element by element, two-digit years are expanded in a 60-year window,
// values are corrected (a day past the month's end becomes its last day) and merged into an old
// value, and the element under the caret is stepped with wrap-around. Element positions are
// 1-based text positions.
#pragma once

#include "platform/rtl/system.h"
#include "platform/rtl/variant.h"

enum TDateTimeKindVz { dtkDateVz, dtkTimeVz, dtkDateTimeVz, dtkCustomVz };

struct TElementMaskPosVz {
    int Pos = -1;
    int Length = -1;
    bool Present = false;
};

struct TDateTimeElementsMaskPosVz {
    TElementMaskPosVz Year, Month, Day, Hour, Min, Sec;
};

// -1: absent or unreadable.
struct TDateTimeElementValuesVz {
    int Year = -1, Month = -1, Day = -1, Hour = -1, Min = -1, Sec = -1;
};

// Order of day, month and year in the locale's short date: 0 day first, 1 month first, 2 year first.
enum TLocaleDateOrderVz { ldoDMYVz, ldoMDYVz, ldoYMDVz };
TLocaleDateOrderVz GetLocaleDateOrderVz();
// The locale's short date shows the year with four digits (three Y or more in a row).
bool LocaleFourDigitYearVz();
// The edit format a kind stands for (dtkCustomVz: empty).
String DefaultEditFormatVz(TDateTimeKindVz Kind, bool FourDigitYear);

// The edit mask of an edit format ("!99/99/9999;1; " for "DD/MM/YYYY") and where each element
// stands in the text. A bad format raises Exception with the element in question.
String EditFormatToEditMaskVz(const String& EditFormat, TDateTimeElementsMaskPosVz& MaskPos);
// The FormatDateTime format of an edit format: literals quoted, separators kept.
String EditFormatToDisplayFormatVz(const String& EditFormat);
// One character per text position: the element letter, "/" or ":", a blank for other literals.
String EditFormatToElementLayoutVz(const String& EditFormat);

// A number typed into an element: leading and inner blanks ignored, -1 when blank or not digits.
int ElementTextToIntVz(const String& Text);
// 0..99 into the 60-year window that ends 40 years after the current year; 100 and more stay.
int ExpandTwoDigitYearVz(int Year);
// True when every element of the mask was read.
bool TextToElementsVz(const String& Text, const TDateTimeElementsMaskPosVz& MaskPos, TDateTimeElementValuesVz& Values);
void CorrectDatePartsVz(int& Year, int& Month, int& Day);
void CorrectTimePartsVz(int& Hour, int& Min, int& Sec);
// Merges the elements the mask shows into Value (Null: into 1900-01-01 00:00). With Correct the
// elements are corrected first; a set that still forms no date-time makes Value Null and
// answers False. All elements absent gives Null and True.
bool ElementsToValueVz(TDateTimeElementValuesVz Values, const TDateTimeElementsMaskPosVz& MaskPos, Variant& Value,
                       bool Correct);
// The six parts of a date-time (all -1 for Null).
TDateTimeElementValuesVz ValueToElementsVz(const Variant& Value);

// Finds the element at 1-based Pos of the layout (a separator position means the element after
// it): its letter, start and length; False when there is none.
bool FindLayoutElementVz(const String& Layout, int Pos, Char& Letter, int& Start, int& Length);
// Steps the element at Pos of Text by one with wrap-around (the day wraps at 31 whatever the
// month; a two-digit year wraps within 00..99). False when Pos holds no element.
bool IncrementTextElementVz(String& Text, const String& Layout, int Pos, bool Increment, int& Start, int& Length);
