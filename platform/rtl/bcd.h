// TBcd: the framework's packed binary-coded decimal of up to 64 digits, used by FMT-BCD fields
// and parameters (numeric columns of any precision).
//
// Layout as the framework's: Precision digits are packed two per byte in Fraction (the first digit
// in the high nibble of Fraction[0]); the last (SignSpecialPlaces & 0x3F) of them are decimals;
// bit 0x80 of SignSpecialPlaces is the sign. Values built here carry no leading zeros in the integer
// part (0.5 has Precision 1, Places 1; zero is Precision 1, one digit 0).
//
// Rounding: NormalizeBcd and the arithmetic round half away from zero when they drop decimals;
// BCDToCurr rounds half to even as every conversion to Currency does.
#pragma once

#include "platform/rtl/currency.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/system.h"

struct TBcd {
    Byte Precision = 1;          // 1..64 digits
    Byte SignSpecialPlaces = 0;  // bit 7: negative; bit 6: special; bits 0..5: decimals
    Byte Fraction[32] = {};      // packed digits

    // Digit i (0-based from the first of Precision digits).
    int Digit(int i) const { return i % 2 ? Fraction[i / 2] & 0x0F : Fraction[i / 2] >> 4; }
    bool IsNegative() const { return SignSpecialPlaces & 0x80; }
    int Places() const { return SignSpecialPlaces & 0x3F; }
};

inline constexpr int MaxFMTBcdFractionSize = 64;

SDELKA_EXCEPTION(EBcdException, Exception)
SDELKA_EXCEPTION(EBcdOverflowException, EBcdException)

// "-1234,5678": the digits with the decimal separator, no trailing decimal zeros, no leading zeros.
String BcdToStr(const TBcd& Bcd);
String BcdToStr(const TBcd& Bcd, const TFormatSettings& AFormatSettings);
// Text to BCD: optional sign, digits, optional decimal separator and decimals; spaces around are
// ignored. Precision and scale follow the text ("12,50" is precision 4, scale 2). Beyond 64 digits
// the decimals are rounded; more than 64 integer digits is an overflow. StrToBcd raises
// EBcdException "'%s' is not a valid BCD value" (EBcdOverflowException "BCD overflow").
TBcd StrToBcd(const String& AValue);
TBcd StrToBcd(const String& AValue, const TFormatSettings& AFormatSettings);
bool TryStrToBcd(const String& AValue, TBcd& Bcd);
bool TryStrToBcd(const String& AValue, TBcd& Bcd, const TFormatSettings& AFormatSettings);

double BcdToDouble(const TBcd& Bcd);
// The value's 15 significant digits (as FloatToStr shows it).
TBcd DoubleToBcd(double Value);
void DoubleToBcd(double Value, TBcd& Bcd);
TBcd IntegerToBcd(Int64 Value);
// Exact, normalised to Precision digits with Decimals decimals (the framework's defaults 32 and 4,
// so trailing decimal zeros are kept); false when the value does not fit them.
bool CurrToBCD(Currency Curr, TBcd& BCD, int Precision = 32, int Decimals = 4);
TBcd CurrToBCD(Currency Curr);
// False when the value is out of Currency's range; more than four decimals round half to even.
bool BCDToCurr(const TBcd& BCD, Currency& Curr);
Currency BcdToCurrency(const TBcd& BCD);
Int64 BcdToInt64(const TBcd& Bcd);  // truncated towards zero; EBcdOverflowException out of range

// The value with exactly Prec digits of which Scale are decimals: extra decimals are rounded
// half away from zero, missing ones padded with zeros. False (OutBcd unchanged) when the integer
// part does not fit in Prec - Scale digits.
bool NormalizeBcd(const TBcd& InBcd, TBcd& OutBcd, Word Prec, Word Scale);

// -1, 0 or 1 by value (scale and precision do not matter: 1,50 equals 1,5).
int BcdCompare(const TBcd& bcd1, const TBcd& bcd2);
// Exact sums, differences and products (decimals rounded away only beyond 64 digits);
// quotients carry 64 significant digits, trailing zeros dropped. EZeroDivide on division by zero,
// EBcdOverflowException when the integer part needs more than 64 digits.
void BcdAdd(const TBcd& bcdIn1, const TBcd& bcdIn2, TBcd& bcdOut);
void BcdSubtract(const TBcd& bcdIn1, const TBcd& bcdIn2, TBcd& bcdOut);
void BcdMultiply(const TBcd& bcdIn1, const TBcd& bcdIn2, TBcd& bcdOut);
void BcdDivide(const TBcd& Dividend, const TBcd& Divisor, TBcd& bcdOut);

// Significant digits: integer digits without leading zeros plus the decimals (123,45 -> 5).
Word BcdPrecision(const TBcd& Bcd);
// Number of decimals.
Word BcdScale(const TBcd& Bcd);
bool IsBcdNegative(const TBcd& Bcd);
