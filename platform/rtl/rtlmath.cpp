#include "platform/rtl/rtlmath.h"

#include "platform/rtl/exceptions.h"

#include <cmath>
#include <limits>

namespace {
[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp(QStringLiteral("Invalid floating point operation")); }

// An integral long double as Int64; out of range and NaN raise as the FPU's invalid operation.
Int64 ToInt64(Extended v) {
    // 2^63 is exact in long double; valid values lie in [-2^63, 2^63).
    constexpr Extended lim = 9223372036854775808.0L;
    if (!(v >= -lim && v < lim)) RaiseInvalidOp();
    return static_cast<Int64>(v);
}

Integer ToInteger(Extended v) {
    if (!(v >= -2147483648.0L && v <= 2147483647.0L)) RaiseInvalidOp();
    return static_cast<Integer>(v);
}

// Nearest integral value, ties to even, independent of the FPU's rounding mode.
Extended RoundEven(Extended v) {
    const Extended t = std::trunc(v);
    const Extended diff = std::fabs(v - t);
    if (diff < 0.5L) return t;
    const Extended away = t + (v < 0 ? -1 : 1);
    if (diff > 0.5L) return away;
    return std::fmod(t, 2.0L) == 0 ? t : away;
}

}  // namespace

Int64 Round(Extended value) { return ToInt64(RoundEven(value)); }
Int64 Trunc(Extended value) { return ToInt64(std::trunc(value)); }
Extended Int(Extended value) { return std::trunc(value); }
Extended Frac(Extended value) { return value - std::trunc(value); }

// RoundTo and SimpleRoundTo follow the framework's formula in the argument's own precision:
// factor = 10^digit (IntPower, so 10^-2 is 1/100), then the quotient value/factor is rounded and
// multiplied back. A Double argument is computed in double arithmetic throughout, which decides
// the near-ties the way the framework does (1.005 stays 1.00, 12.345 divides to exactly 1234.5).
namespace {
template <class T>
T RoundToT(T value, Integer digit) {
    const T factor = static_cast<T>(IntPower(10, digit));
    const T q = value / factor;
    return static_cast<T>(Round(q)) * factor;
}

template <class T>
T SimpleRoundToT(T value, Integer digit) {
    const T factor = static_cast<T>(IntPower(10, digit));
    const T q = value / factor;
    const T r = value < 0 ? std::trunc(q - T(0.5)) : std::trunc(q + T(0.5));
    return r * factor;
}
}  // namespace

Extended RoundTo(Extended value, Integer digit) { return RoundToT<Extended>(value, digit); }
double RoundTo(double value, Integer digit) { return RoundToT<double>(value, digit); }
Extended SimpleRoundTo(Extended value, Integer digit) { return SimpleRoundToT<Extended>(value, digit); }
double SimpleRoundTo(double value, Integer digit) { return SimpleRoundToT<double>(value, digit); }

Integer MulDiv(Integer a, Integer b, Integer c) {
    if (c == 0) return -1;
    const Int64 p = static_cast<Int64>(a) * b;
    Int64 q = p / c;
    const Int64 r = p % c;
    // |r| * 2 >= |c|: half or more rounds away from zero
    if (r != 0 && 2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<Int64>(c) : static_cast<Int64>(c)))
        q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q < std::numeric_limits<Integer>::min() || q > std::numeric_limits<Integer>::max()) return -1;
    return static_cast<Integer>(q);
}

Integer Ceil(Extended value) { return ToInteger(std::ceil(value)); }
Integer Floor(Extended value) { return ToInteger(std::floor(value)); }

Extended IntPower(Extended base, Integer exponent) {
    long long e = exponent;
    const bool inv = e < 0;
    if (inv) e = -e;
    Extended result = 1, b = base;
    while (e > 0) {
        if (e & 1) result *= b;
        b *= b;
        e >>= 1;
    }
    return inv ? 1 / result : result;
}

Extended Power(Extended base, Extended exponent) {
    if (exponent == 0) return 1;
    if (base == 0 && exponent > 0) return 0;
    if (std::trunc(exponent) == exponent && std::fabs(exponent) <= std::numeric_limits<Integer>::max())
        return IntPower(base, static_cast<Integer>(exponent));
    if (base < 0) return std::numeric_limits<Extended>::quiet_NaN();
    return std::exp(exponent * std::log(base));
}

namespace {
constexpr Double DoubleResolution = 1E-15 * 1000;
constexpr Extended ExtendedResolution = 1E-19L * 1000;

template <class T>
bool SameValueT(T a, T b, T epsilon, T resolution) {
    if (epsilon == 0) {
        const T m = std::fabs(a) < std::fabs(b) ? std::fabs(a) : std::fabs(b);
        epsilon = m * resolution > resolution ? m * resolution : resolution;
    }
    return a > b ? (a - b) <= epsilon : (b - a) <= epsilon;
}
}  // namespace

bool IsZero(Double a, Double epsilon) { return std::fabs(a) <= (epsilon == 0 ? DoubleResolution : epsilon); }
bool IsZero(Extended a, Extended epsilon) { return std::fabs(a) <= (epsilon == 0 ? ExtendedResolution : epsilon); }
bool SameValue(Double a, Double b, Double epsilon) { return SameValueT(a, b, epsilon, DoubleResolution); }
bool SameValue(Extended a, Extended b, Extended epsilon) { return SameValueT(a, b, epsilon, ExtendedResolution); }
