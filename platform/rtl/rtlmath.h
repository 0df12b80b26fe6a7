// Rounding and the small math routines of the runtime library.
#pragma once

#include "platform/rtl/system.h"

// Nearest integer, ties to even (banker's rounding): Round(2.5) = 2, Round(3.5) = 4.
Int64 Round(Extended value);
// Round, as an int (a length in pixels or units).
inline int RoundToInt(Extended value) { return static_cast<int>(Round(value)); }
// Integer part, towards zero.
Int64 Trunc(Extended value);
// Integer part as a float, towards zero; Frac is the rest with the sign of the value.
Extended Int(Extended value);
Extended Frac(Extended value);

// RoundTo(value, digit): Round(value / 10^digit) * 10^digit (ties to even), computed in the
// argument's precision: RoundTo(1.2345, -2) = 1.23, RoundTo(0.125, -2) = 0.12,
// RoundTo(1234567, 3) = 1235000.
double RoundTo(double value, Integer digit);
Extended RoundTo(Extended value, Integer digit);
// SimpleRoundTo(value, digit): Trunc(value / 10^digit +- 0.5) * 10^digit, ties away from zero:
// SimpleRoundTo(1.235) = 1.24, SimpleRoundTo(-1.235) = -1.24, SimpleRoundTo(0.125) = 0.13.
double SimpleRoundTo(double value, Integer digit = -2);
Extended SimpleRoundTo(Extended value, Integer digit = -2);

// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0 or the result does
// not fit in an Integer.
Integer MulDiv(Integer a, Integer b, Integer c);

inline Integer Min(Integer a, Integer b) { return a < b ? a : b; }
inline Int64 Min(Int64 a, Int64 b) { return a < b ? a : b; }
inline UInt64 Min(UInt64 a, UInt64 b) { return a < b ? a : b; }
inline Single Min(Single a, Single b) { return a < b ? a : b; }
inline Double Min(Double a, Double b) { return a < b ? a : b; }
inline Extended Min(Extended a, Extended b) { return a < b ? a : b; }
inline Integer Max(Integer a, Integer b) { return a > b ? a : b; }
inline Int64 Max(Int64 a, Int64 b) { return a > b ? a : b; }
inline UInt64 Max(UInt64 a, UInt64 b) { return a > b ? a : b; }
inline Single Max(Single a, Single b) { return a > b ? a : b; }
inline Double Max(Double a, Double b) { return a > b ? a : b; }
inline Extended Max(Extended a, Extended b) { return a > b ? a : b; }

// Smallest integer >= value / largest integer <= value.
Integer Ceil(Extended value);
Integer Floor(Extended value);

// base raised to an integer exponent (repeated squaring; a negative exponent gives the reciprocal).
Extended IntPower(Extended base, Integer exponent);
// base^exponent: 1 for exponent 0, IntPower for integral exponents, otherwise exp(exponent*ln(base))
// (NaN for a negative base).
Extended Power(Extended base, Extended exponent);

// |a| <= epsilon; epsilon 0 means the type's resolution (1E-12 for Double, 1E-16 for Extended).
bool IsZero(Double a, Double epsilon = 0);
bool IsZero(Extended a, Extended epsilon = 0);
// |a - b| <= epsilon; epsilon 0 means max(min(|a|, |b|) * resolution, resolution).
bool SameValue(Double a, Double b, Double epsilon = 0);
bool SameValue(Extended a, Extended b, Extended epsilon = 0);

using TValueSign = Integer;
constexpr TValueSign NegativeValue = -1;
constexpr TValueSign ZeroValue = 0;
constexpr TValueSign PositiveValue = 1;
inline TValueSign Sign(Integer v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
inline TValueSign Sign(Int64 v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
inline TValueSign Sign(Double v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
inline TValueSign Sign(Extended v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

inline bool InRange(Integer v, Integer lo, Integer hi) { return v >= lo && v <= hi; }
inline bool InRange(Int64 v, Int64 lo, Int64 hi) { return v >= lo && v <= hi; }
inline bool InRange(Double v, Double lo, Double hi) { return v >= lo && v <= hi; }
// The value clamped to lo..hi: raised to lo first, then lowered to hi (so hi wins when lo > hi).
template <class T>
inline T EnsureRangeT_(T v, T lo, T hi) { if (v < lo) v = lo; if (v > hi) v = hi; return v; }
inline Integer EnsureRange(Integer v, Integer lo, Integer hi) { return EnsureRangeT_(v, lo, hi); }
inline Int64 EnsureRange(Int64 v, Int64 lo, Int64 hi) { return EnsureRangeT_(v, lo, hi); }
inline Double EnsureRange(Double v, Double lo, Double hi) { return EnsureRangeT_(v, lo, hi); }
