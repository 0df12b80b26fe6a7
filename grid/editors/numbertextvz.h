// The number edit's value routines, apart from the control: cleaning a typed or pasted text down
// to a number text, and clamping and rounding a value to the editor's limits and decimal places.
#pragma once

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

// Keeps the decimal separators, the alternative separator (when the text has no decimal separator
// and exactly one of it; it becomes the decimal separator), one sign before the first digit, one
// exponent letter and the digits; drops everything else.
String CleanNumberTextVz(const String& Text, Char DecimalSeparator, Char ThousandSeparator, Char AltSeparator);
// The same with the process's separators and the library's alternative separator.
String CleanNumberTextVz(const String& Text);

// A text whose decimal point cannot be told: more than one decimal separator, or none and more
// than one alternative separator ("1.5.2"). Such a text is refused, not read as 152.
bool NumberTextIsAmbiguousVz(const String& Text, Char DecimalSeparator, Char AltSeparator);
bool NumberTextIsAmbiguousVz(const String& Text);

// Clamps X into the limits (equal limits: none; MaxValue below MinValue: only the non-zero one
// applies, or none) and rounds it to DecimalPlaces, halves to even.
Extended ClampAndRoundNumberVz(Extended X, Extended MinValue, Extended MaxValue, unsigned DecimalPlaces);

// Only "+", "-", digits, "E" or "e" and the decimal separator; a lone sign reads as 0; the first
// 127 characters are converted.
bool TryNumberTextToFloatVz(const String& Text, Extended& Value);
// The integer part (before the decimal separator or the exponent) in groups of three digits
// separated by the thousand separator when UseSeparators; a sign stays in front.
String InsertThousandSeparatorsVz(const String& Text, bool UseSeparators);
// ",#." and as many "0" as the currency's decimals.
String DefaultCurrencyFormatVz();
// The format a number is edited in, from the display format's first section: the placeholders
// '#', ',', '.' and '0' stay, quoted text goes, an exponent keeps its letter and sign. With no
// display format and Currency, DefaultCurrencyFormatVz.
String EditFormatFromDisplayFormatVz(const String& DisplayFormat, bool Currency);
