// Currency: a fixed-point number, a 64-bit integer scaled by 10 000 (four decimals), as the
// framework's Currency type. Conversions from floating point round half to even at the fourth
// decimal; products and quotients round the same way. Sums and differences that leave the range
// raise EIntOverflow; conversions, products and quotients that leave it raise EOverflow.
#pragma once

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"  // TFloatFormat
#include "platform/rtl/system.h"

#include <compare>
#include <concepts>
#include <type_traits>

class Currency {
public:
    static constexpr Int64 Scale = 10000;

    constexpr Currency() = default;
    // From an integer: exact; EOverflow when |v| exceeds 922 337 203 685 477.
    template <std::integral T>
        requires(!std::same_as<T, bool>)
    Currency(T v)
        : FRaw(FromInteger(static_cast<std::conditional_t<std::is_signed_v<T>, long long, unsigned long long>>(v))) {}
    // From floating point: rounded half to even at the fourth decimal; EOverflow out of range
    // (and for NaN or infinity).
    template <std::floating_point T>
    Currency(T v) : FRaw(FromFloat(static_cast<long double>(v))) {}

    // The value whose scaled integer is raw (1.5 is raw 15000).
    static constexpr Currency FromRaw(Int64 raw) { Currency c; c.FRaw = raw; return c; }
    constexpr Int64 Raw() const { return FRaw; }

    double ToDouble() const;
    Extended ToExtended() const;
    // The integer part, towards zero (the framework's Trunc of a Currency).
    constexpr Int64 Trunc() const { return FRaw / Scale; }

    // Format argument: the vtCurrency kind.
    operator TVarRec() const { return TVarRec::FromCurrencyRaw(FRaw); }

    friend Currency operator+(Currency a, Currency b);
    friend Currency operator-(Currency a, Currency b);
    friend Currency operator*(Currency a, Currency b);
    friend Currency operator/(Currency a, Currency b);
    Currency operator-() const;
    Currency& operator+=(Currency o) { return *this = *this + o; }
    Currency& operator-=(Currency o) { return *this = *this - o; }
    Currency& operator*=(Currency o) { return *this = *this * o; }
    Currency& operator/=(Currency o) { return *this = *this / o; }

    friend constexpr bool operator==(Currency a, Currency b) { return a.FRaw == b.FRaw; }
    friend constexpr std::strong_ordering operator<=>(Currency a, Currency b) { return a.FRaw <=> b.FRaw; }

private:
    static Int64 FromInteger(long long v);
    static Int64 FromInteger(unsigned long long v);
    static Int64 FromFloat(long double v);
    Int64 FRaw = 0;
};

// Limits of the type: ±922 337 203 685 477,5807.
inline constexpr Currency MaxCurrency = Currency::FromRaw(INT64_MAX);
inline constexpr Currency MinCurrency = Currency::FromRaw(INT64_MIN);

// "1234,5": the shortest text (no trailing zeros), with the decimal separator.
String CurrToStr(Currency Value);
String CurrToStr(Currency Value, const TFormatSettings& AFormatSettings);
// ffGeneral: as CurrToStr; ffFixed: Digits decimals (0..4 are exact); ffNumber: with thousand
// separators; ffCurrency: CurrencyString placed by CurrencyFormat/NegCurrFormat with Digits
// decimals; ffExponent: as FloatToStrF of the value.
String CurrToStrF(Currency Value, TFloatFormat Format, int Digits);
String CurrToStrF(Currency Value, TFloatFormat Format, int Digits, const TFormatSettings& AFormatSettings);
// The FormatFloat masks ("#,##0.00", sections with ";"), applied to the exact value.
String FormatCurr(const String& Format, Currency Value);
String FormatCurr(const String& Format, Currency Value, const TFormatSettings& AFormatSettings);
// Text to Currency: optional sign, digits, the decimal separator, an optional exponent; spaces
// around are ignored; more than four decimals round half to even. StrToCurr raises
// EConvertError "'%s' is not a valid floating point value".
Currency StrToCurr(const String& S);
Currency StrToCurr(const String& S, const TFormatSettings& AFormatSettings);
Currency StrToCurrDef(const String& S, Currency Default);
bool TryStrToCurr(const String& S, Currency& Value);
bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& AFormatSettings);
