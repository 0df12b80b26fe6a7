#include "platform/rtl/currency.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

using Int128 = __int128;

[[noreturn]] void RaiseOverflow() { throw EOverflow(QStringLiteral("Floating point overflow")); }
[[noreturn]] void RaiseIntOverflow() { throw EIntOverflow(QStringLiteral("Integer overflow")); }

bool FitsRaw(Int128 v) { return v >= Int128(INT64_MIN) && v <= Int128(INT64_MAX); }

// num / den rounded half to even (den != 0).
Int128 DivRoundEven(Int128 num, Int128 den) {
    if (den < 0) { num = -num; den = -den; }
    Int128 q = num / den, r = num % den;  // q towards zero, r has num's sign
    if (r != 0) {
        Int128 twice = (r < 0 ? -r : r) * 2;
        if (twice > den || (twice == den && (q % 2 != 0)))
            q += num < 0 ? -1 : 1;
    }
    return q;
}

}  // namespace

// Exact decimal to raw currency: the value is (negative ? -1 : 1) * digits * 10^exp10, with digits
// an ASCII digit string. Decimals beyond the fourth round half to even. False when out of range.
bool CurrencyDecimalToRaw(bool negative, const std::string& digits, int exp10, Int64& raw) {
    const int shift = exp10 + 4;  // raw = digits * 10^shift
    const int size = int(digits.size());
    const Int128 limit = Int128(INT64_MAX) + 1;
    Int128 v = 0;
    const int keep = shift >= 0 ? size : std::max(size + shift, 0);
    for (int i = 0; i < keep; ++i) {
        v = v * 10 + (digits[i] - '0');
        if (v > limit) return false;
    }
    if (shift > 0) {
        for (int i = 0; i < shift && v != 0; ++i) {
            v *= 10;
            if (v > limit) return false;
        }
    } else if (shift < 0 && -shift <= size) {
        // The first dropped digit decides; a tie (5 and nothing after) goes to the even neighbour.
        const int first = digits[keep] - '0';
        bool restNonZero = false;
        for (int i = keep + 1; i < size; ++i)
            if (digits[i] != '0') { restNonZero = true; break; }
        if (first > 5 || (first == 5 && (restNonZero || (v % 2) != 0))) ++v;
        if (v > limit) return false;
    }
    if (negative) v = -v;
    if (!FitsRaw(v)) return false;
    raw = static_cast<Int64>(v);
    return true;
}

namespace {

// Parses "[+-]digits[sep digits][(e|E)[+-]digits]" after trimming; false on anything else.
bool ParseDecimal(const String& text, QChar sep, bool& negative, std::string& digits, int& exp10) {
    const String s = Trim(text);
    int i = 0, n = int(s.size());
    negative = false;
    digits.clear();
    exp10 = 0;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    bool any = false;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) { digits += char(s[i++].unicode()); any = true; }
    if (i < n && s[i] == sep) {
        ++i;
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) { digits += char(s[i++].unicode()); --exp10; any = true; }
    }
    if (!any) return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool eneg = false;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) eneg = s[i++] == u'-';
        if (i >= n) return false;
        int e = 0;
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
            if (e < 100000) e = e * 10 + (s[i].unicode() - '0');
            ++i;
        }
        exp10 += eneg ? -e : e;
    }
    if (i != n) return false;
    // Strip leading zeros so that huge exponents on zero stay harmless.
    std::size_t nz = digits.find_first_not_of('0');
    digits = nz == std::string::npos ? std::string("0") : digits.substr(nz);
    if (digits == "0") exp10 = 0;
    return true;
}

}  // namespace

Int64 Currency::FromInteger(long long v) {
    if (v > INT64_MAX / Scale || v < INT64_MIN / Scale) RaiseOverflow();
    return v * Scale;
}

Int64 Currency::FromInteger(unsigned long long v) {
    if (v > static_cast<unsigned long long>(INT64_MAX / Scale)) RaiseOverflow();
    return static_cast<Int64>(v) * Scale;
}

// The shortest decimal text that reads back as the same binary value is taken as the value, so
// 0.00015 is a tie (and rounds to 0.0002) although its binary neighbour lies just below.
Int64 Currency::FromFloat(long double v) {
    if (std::isnan(v)) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    if (std::isinf(v)) RaiseOverflow();
    char buf[64];
    std::to_chars_result res;
    if (static_cast<long double>(static_cast<double>(v)) == v)
        res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::scientific);
    else
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string text(buf, res.ptr);
    bool negative = false;
    std::string digits;
    int exp10 = 0;
    ParseDecimal(QString::fromLatin1(text.c_str()), QChar(u'.'), negative, digits, exp10);
    Int64 raw = 0;
    if (!CurrencyDecimalToRaw(negative, digits, exp10, raw)) RaiseOverflow();
    return raw;
}

double Currency::ToDouble() const { return static_cast<double>(static_cast<long double>(FRaw) / 10000.0L); }

Extended Currency::ToExtended() const { return static_cast<long double>(FRaw) / 10000.0L; }

Currency operator+(Currency a, Currency b) {
    Int64 r;
    if (__builtin_add_overflow(a.FRaw, b.FRaw, &r)) RaiseIntOverflow();
    return Currency::FromRaw(r);
}

Currency operator-(Currency a, Currency b) {
    Int64 r;
    if (__builtin_sub_overflow(a.FRaw, b.FRaw, &r)) RaiseIntOverflow();
    return Currency::FromRaw(r);
}

Currency operator*(Currency a, Currency b) {
    Int128 p = DivRoundEven(Int128(a.FRaw) * b.FRaw, Currency::Scale);
    if (!FitsRaw(p)) RaiseOverflow();
    return Currency::FromRaw(static_cast<Int64>(p));
}

Currency operator/(Currency a, Currency b) {
    if (b.FRaw == 0) {
        if (a.FRaw == 0) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
        throw EZeroDivide(QStringLiteral("Floating point division by zero"));
    }
    Int128 q = DivRoundEven(Int128(a.FRaw) * Currency::Scale, b.FRaw);
    if (!FitsRaw(q)) RaiseOverflow();
    return Currency::FromRaw(static_cast<Int64>(q));
}

Currency Currency::operator-() const {
    if (FRaw == INT64_MIN) RaiseIntOverflow();
    return FromRaw(-FRaw);
}

String CurrToStr(Currency Value) { return CurrToStr(Value, FormatSettings); }

String CurrToStr(Currency Value, const TFormatSettings& AFormatSettings) {
    return CurrRawToStrF(Value.Raw(), ffGeneral, 0, AFormatSettings);
}

String CurrToStrF(Currency Value, TFloatFormat Format, int Digits) {
    return CurrToStrF(Value, Format, Digits, FormatSettings);
}

String CurrToStrF(Currency Value, TFloatFormat Format, int Digits, const TFormatSettings& AFormatSettings) {
    return CurrRawToStrF(Value.Raw(), Format, Digits, AFormatSettings);
}

String FormatCurr(const String& Format, Currency Value) { return FormatCurr(Format, Value, FormatSettings); }

String FormatCurr(const String& Format, Currency Value, const TFormatSettings& AFormatSettings) {
    return FormatCurrRaw(Format, Value.Raw(), AFormatSettings);
}

bool TryStrToCurr(const String& S, Currency& Value) { return TryStrToCurr(S, Value, FormatSettings); }

bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& AFormatSettings) {
    bool negative;
    std::string digits;
    int exp10;
    if (!ParseDecimal(S, AFormatSettings.DecimalSeparator, negative, digits, exp10)) return false;
    Int64 raw;
    if (!CurrencyDecimalToRaw(negative, digits, exp10, raw)) return false;
    Value = Currency::FromRaw(raw);
    return true;
}

Currency StrToCurr(const String& S) { return StrToCurr(S, FormatSettings); }

Currency StrToCurr(const String& S, const TFormatSettings& AFormatSettings) {
    Currency c;
    if (!TryStrToCurr(S, c, AFormatSettings))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(S));
    return c;
}

Currency StrToCurrDef(const String& S, Currency Default) {
    Currency c;
    return TryStrToCurr(S, c) ? c : Default;
}
