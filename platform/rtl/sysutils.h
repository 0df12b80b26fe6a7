// String and number routines of the runtime library: 1-based string helpers, case mapping and
// comparison, integer and float conversion, FormatFloat/FloatToStrF and the Format language.
// Every routine that depends on the locale has an overload taking explicit settings and one that
// uses the global FormatSettings.
#pragma once

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/system.h"

// ---- 1-based string routines -------------------------------------------------------------------

// Copy(s, index, count): up to count characters from position index (1-based). An index below 1
// counts from 1; an index past the end or a count <= 0 gives the empty text.
String Copy(const String& s, Integer index, Integer count);
// Copy(s, index): the rest of the text from position index.
String Copy(const String& s, Integer index);
// Position (1-based) of the first occurrence of sub in s, 0 when absent or sub is empty.
Integer Pos(const String& sub, const String& s);
// Pos starting at offset (1-based); 0 when offset is below 1 or past the end.
Integer PosEx(const String& sub, const String& s, Integer offset = 1);
// Removes count characters from position index (1-based); nothing when index is out of range.
void Delete(String& s, Integer index, Integer count);
// Inserts src into s before position index; an index below 1 inserts at the start, past the end
// appends.
void Insert(const String& src, String& s, Integer index);
inline Integer Length(const String& s) { return static_cast<Integer>(s.size()); }

// Trimming removes every character <= ' ' (blanks and control characters).
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);

// ASCII-only case mapping (other characters unchanged).
String UpperCase(const String& s);
String LowerCase(const String& s);
// Full Unicode case mapping (Cyrillic included).
String AnsiUpperCase(const String& s);
String AnsiLowerCase(const String& s);

// Ordinal comparison: < 0, 0, > 0.
Integer CompareStr(const String& s1, const String& s2);
bool SameStr(const String& s1, const String& s2);
// Ordinal comparison with ASCII letters folded to upper case.
Integer CompareText(const String& s1, const String& s2);
bool SameText(const String& s1, const String& s2);
// The word sort of the Russian locale (platform/rtl/collation.h): case-sensitive (lower case
// before upper case of the same letter) and case-insensitive. Results are < 0, 0, > 0.
Integer AnsiCompareStr(const String& s1, const String& s2);
Integer AnsiCompareText(const String& s1, const String& s2);
bool AnsiSameStr(const String& s1, const String& s2);
bool AnsiSameText(const String& s1, const String& s2);

// 'text' with embedded quotes doubled.
String QuotedStr(const String& s);
String AnsiQuotedStr(const String& s, Char quote);
// Reads a quoted text from the start of src: returns the text between the quotes with doubled
// quotes undone and leaves in src what follows the closing quote. When src does not start with
// the quote, returns "" and src is unchanged. A missing closing quote takes the rest of src.
String AnsiExtractQuotedStr(String& src, Char quote);
// The text without its enclosing quotes when it is quoted; otherwise s unchanged.
String AnsiDequotedStr(const String& s, Char quote);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag, 2>;
// Replaces the first (or with rfReplaceAll every) occurrence of oldPattern. rfIgnoreCase compares
// with full case folding.
String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags = {});
String StringOfChar(Char ch, Integer count);

// ---- integers -----------------------------------------------------------------------------------

String IntToStr(Integer value);
String IntToStr(Int64 value);
String UIntToStr(UInt64 value);
// The other integer types (qint64 is long long, sizes are unsigned) without ambiguity.
inline String IntToStr(long long value) { return IntToStr(static_cast<Int64>(value)); }
inline String IntToStr(unsigned value) { return IntToStr(static_cast<Int64>(value)); }
inline String IntToStr(unsigned long value) { return UIntToStr(value); }
inline String IntToStr(unsigned long long value) { return UIntToStr(value); }
// Upper-case hex, at least digits digits. The Integer overload shows negative values as their
// 32-bit pattern, the Int64 overload as the 64-bit pattern.
String IntToHex(Integer value, Integer digits);
String IntToHex(Int64 value, Integer digits);
inline String IntToHex(long long value, Integer digits) { return IntToHex(static_cast<Int64>(value), digits); }

// Integer text: leading blanks, optional sign, decimal digits or hex after "$", "0x" or "0X".
// Trailing characters, overflow and empty text are errors: EConvertError
// "'%s' is not a valid integer value".
Integer StrToInt(const String& s);
Integer StrToIntDef(const String& s, Integer def);
bool TryStrToInt(const String& s, Integer& value);
Int64 StrToInt64(const String& s);
Int64 StrToInt64Def(const String& s, Int64 def);
bool TryStrToInt64(const String& s, Int64& value);

// "True"/"False" (or "-1"/"0" when useBoolStrs is false).
String BoolToStr(bool b, bool useBoolStrs = false);
// Accepts "True"/"False" in any case and numbers (non-zero is true); EConvertError
// "'%s' is not a valid boolean value".
bool StrToBool(const String& s);
bool StrToBoolDef(const String& s, bool def);
bool TryStrToBool(const String& s, bool& value);

// ---- floating-point formatting ------------------------------------------------------------------

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// A value as decimal digits: value = 0.Digits * 10^Exponent. Digits holds up to 20 ASCII digits
// with no trailing zeros and ends with '\0'; zero has no digits. Exponent is 0x7FFF for
// infinities and -0x8000 for NaN.
struct TFloatRec {
    SmallInt Exponent = 0;
    bool Negative = false;
    char Digits[21] = {};
};

// The decimal digits of value rounded to at most precision significant digits (at most 18) and
// at most decimals digits after the decimal point, half away from zero. The digits are taken from
// the value's 18 significant digits, as the framework's FloatToDecimal does.
void FloatToDecimal(TFloatRec& result, Extended value, Integer precision, Integer decimals);
// The same for a currency value given as its raw Int64 (scaled by 10 000), exact.
void CurrToDecimal(TFloatRec& result, Int64 currencyRaw, Integer decimals);

// FloatToStr: ffGeneral with 15 significant digits.
String FloatToStr(Extended value);
String FloatToStr(Extended value, const TFormatSettings& settings);
String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits);
String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                   const TFormatSettings& settings);
// FormatFloat: sections "positive;negative;zero", placeholders 0 and #, "." decimal point,
// "," thousands, E+ E- e+ e- exponent, '...' and "..." literals. An empty format is FloatToStr.
String FormatFloat(const String& format, Extended value);
String FormatFloat(const String& format, Extended value, const TFormatSettings& settings);

// The same formatters for a currency value given as its raw Int64 (scaled by 10 000): exact
// decimal digits, no detour through a float. The currency routines build on these.
String CurrRawToStrF(Int64 currencyRaw, TFloatFormat format, Integer digits,
                     const TFormatSettings& settings);
String FormatCurrRaw(const String& format, Int64 currencyRaw, const TFormatSettings& settings);

// ---- floating-point parsing ---------------------------------------------------------------------

// Float text: leading and trailing blanks, optional sign, digits with the settings' decimal
// separator, optional exponent (E or e, optional sign, digits); also INF, -INF and NAN.
// Thousand separators are not accepted. Returns false on malformed text.
bool TextToFloat(const String& s, Extended& value);
bool TextToFloat(const String& s, Extended& value, const TFormatSettings& settings);
// EConvertError "'%s' is not a valid floating point value" on malformed text.
Extended StrToFloat(const String& s);
Extended StrToFloat(const String& s, const TFormatSettings& settings);
Extended StrToFloatDef(const String& s, Extended def);
Extended StrToFloatDef(const String& s, Extended def, const TFormatSettings& settings);
bool TryStrToFloat(const String& s, Extended& value);
bool TryStrToFloat(const String& s, Extended& value, const TFormatSettings& settings);
bool TryStrToFloat(const String& s, Double& value);
bool TryStrToFloat(const String& s, Double& value, const TFormatSettings& settings);

// ---- Format -------------------------------------------------------------------------------------

// Format(fmt, args): "%" [index ":"] ["-"] [width] ["." precision] type, with type one of
// d u e f g n m p s x (either case); index, width and precision may be "*" (taken from the
// arguments); "%%" is a percent sign. d, u, x take integers; e f g n m take floats and
// currencies; s takes strings and characters; p takes pointers. A mismatch raises EConvertError
// "Format '%s' invalid or incompatible with argument", a missing argument
// "No argument for format '%s'".
String Format(const String& fmt, TVarRecs args);
String Format(const String& fmt, TVarRecs args, const TFormatSettings& settings);
