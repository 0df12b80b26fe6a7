#include "platform/rtl/bcd.h"

#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// currency.cpp: exact decimal digits * 10^exp10 to a raw Currency, ties to even.
bool CurrencyDecimalToRaw(bool negative, const std::string& digits, int exp10, Int64& raw);

namespace {

constexpr int MaxDigits = 64;
constexpr int MaxPlaces = 63;  // six bits of SignSpecialPlaces

// A decimal as digits (ASCII, most significant first, no leading zeros; "0" for zero) and the
// number of them that are decimals (digits may be shorter than scale: "5" scale 2 is 0.05).
struct Dec {
    bool neg = false;
    std::string digits = "0";
    int scale = 0;
};

void StripLeading(std::string& d) {
    std::size_t nz = d.find_first_not_of('0');
    d = nz == std::string::npos ? std::string("0") : d.substr(nz);
}

bool IsZero(const Dec& d) { return d.digits == "0"; }

Dec FromBcd(const TBcd& b) {
    Dec d;
    const int prec = std::min<int>(b.Precision, MaxDigits);
    d.digits.clear();
    for (int i = 0; i < prec; ++i) d.digits += char('0' + std::min(b.Digit(i), 9));
    StripLeading(d.digits);
    d.scale = std::min(b.Places(), prec);
    d.neg = b.IsNegative() && !IsZero(d);
    return d;
}

// Integer digits of a value (without leading zeros; 0 for values below one).
int IntDigits(const Dec& d) {
    int n = int(d.digits.size()) - d.scale;
    return n > 0 && !IsZero(d) ? n : 0;
}

// Rounds (half away from zero) or pads to exactly newScale decimals.
Dec Rescale(const Dec& d, int newScale) {
    Dec r = d;
    if (newScale >= d.scale) {
        if (!IsZero(r)) r.digits.append(std::size_t(newScale - d.scale), '0');
        r.scale = newScale;
        return r;
    }
    const int drop = d.scale - newScale;
    std::string kept;
    int first = 0;
    if (drop < int(d.digits.size())) {
        kept = d.digits.substr(0, d.digits.size() - drop);
        first = d.digits[d.digits.size() - drop] - '0';
    } else if (drop == int(d.digits.size())) {
        first = d.digits[0] - '0';
    }
    if (kept.empty()) kept = "0";
    if (first >= 5) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9') kept[i--] = '0';
        if (i >= 0) ++kept[i];
        else kept.insert(kept.begin(), '1');
    }
    StripLeading(kept);
    r.digits = kept;
    r.scale = newScale;
    if (IsZero(r)) r.neg = false;
    return r;
}

Dec StripTrailingDecimals(Dec d) {
    while (d.scale > 0 && d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
        --d.scale;
    }
    if (IsZero(d)) d.scale = 0;
    return d;
}

// Fits the value into 64 digits and 63 decimals (rounding decimals away); false when the integer
// part alone is too long.
bool Fit(Dec& d) {
    const int intDigits = IntDigits(d);
    if (intDigits > MaxDigits) return false;
    int maxScale = std::min(MaxPlaces, MaxDigits - intDigits);
    if (d.scale > maxScale) {
        d = Rescale(d, maxScale);
        if (IntDigits(d) > MaxDigits) return false;
        if (IntDigits(d) + d.scale > MaxDigits) d = Rescale(d, d.scale - 1);  // 99.99 -> 100.0
    }
    return true;
}

// The value as a TBcd with exactly prec digits (leading zeros added as needed).
TBcd Pack(const Dec& d, int prec) {
    TBcd b;
    std::string digits = d.digits;
    if (IsZero(d)) digits = "0";
    if (int(digits.size()) < prec) digits.insert(0, std::size_t(prec - int(digits.size())), '0');
    b.Precision = Byte(prec);
    b.SignSpecialPlaces = Byte((d.neg ? 0x80 : 0) | (d.scale & 0x3F));
    for (int i = 0; i < prec; ++i) {
        int v = digits[digits.size() - prec + i] - '0';
        if (i % 2) b.Fraction[i / 2] |= Byte(v);
        else b.Fraction[i / 2] |= Byte(v << 4);
    }
    return b;
}

// Minimal precision: the integer digits plus the decimals, at least one digit.
TBcd ToBcd(Dec d) {
    if (!Fit(d)) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    if (IsZero(d)) d.neg = false;
    return Pack(d, std::max(1, IntDigits(d) + d.scale));
}

// ---- unsigned digit-string arithmetic ----------------------------------------------------------

int CmpAbs(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string AddAbs(const std::string& a, const std::string& b) {
    std::string r;
    int carry = 0;
    for (int i = int(a.size()) - 1, j = int(b.size()) - 1; i >= 0 || j >= 0 || carry; --i, --j) {
        int s = carry + (i >= 0 ? a[i] - '0' : 0) + (j >= 0 ? b[j] - '0' : 0);
        r += char('0' + s % 10);
        carry = s / 10;
    }
    std::reverse(r.begin(), r.end());
    StripLeading(r);
    return r;
}

// a - b with a >= b.
std::string SubAbs(const std::string& a, const std::string& b) {
    std::string r;
    int borrow = 0;
    for (int i = int(a.size()) - 1, j = int(b.size()) - 1; i >= 0; --i, --j) {
        int s = (a[i] - '0') - borrow - (j >= 0 ? b[j] - '0' : 0);
        borrow = s < 0;
        r += char('0' + (s + 10) % 10);
    }
    std::reverse(r.begin(), r.end());
    StripLeading(r);
    return r;
}

std::string MulAbs(const std::string& a, const std::string& b) {
    std::vector<int> acc(a.size() + b.size(), 0);
    for (int i = int(a.size()) - 1; i >= 0; --i)
        for (int j = int(b.size()) - 1; j >= 0; --j) acc[i + j + 1] += (a[i] - '0') * (b[j] - '0');
    for (int k = int(acc.size()) - 1; k > 0; --k) {
        acc[k - 1] += acc[k] / 10;
        acc[k] %= 10;
    }
    std::string r;
    for (int v : acc) r += char('0' + v);
    StripLeading(r);
    return r;
}

// Long division: quotient of a / b (b != 0), truncated.
std::string DivAbs(const std::string& a, const std::string& b) {
    std::string q, rem = "0";
    for (char c : a) {
        rem = rem == "0" ? std::string(1, c) : rem + c;
        StripLeading(rem);
        int digit = 0;
        while (CmpAbs(rem, b) >= 0) {
            rem = SubAbs(rem, b);
            ++digit;
        }
        q += char('0' + digit);
    }
    StripLeading(q);
    return q;
}

void Align(Dec& a, Dec& b) {
    const int s = std::max(a.scale, b.scale);
    a = Rescale(a, s);
    b = Rescale(b, s);
}

Dec Add(Dec a, Dec b) {
    Align(a, b);
    Dec r;
    r.scale = a.scale;
    if (a.neg == b.neg) {
        r.digits = AddAbs(a.digits, b.digits);
        r.neg = a.neg;
    } else if (CmpAbs(a.digits, b.digits) >= 0) {
        r.digits = SubAbs(a.digits, b.digits);
        r.neg = a.neg;
    } else {
        r.digits = SubAbs(b.digits, a.digits);
        r.neg = b.neg;
    }
    if (IsZero(r)) r.neg = false;
    return r;
}

int Compare(Dec a, Dec b) {
    if (IsZero(a)) a.neg = false;
    if (IsZero(b)) b.neg = false;
    if (a.neg != b.neg) return a.neg ? -1 : 1;
    Align(a, b);
    int c = CmpAbs(a.digits, b.digits);
    return a.neg ? -c : c;
}

// Parses "[+-]digits[sep digits]" (and an exponent when allowed).
bool Parse(const String& text, QChar sep, bool allowExponent, Dec& out) {
    const String s = Trim(text);
    int i = 0, n = int(s.size());
    Dec d;
    d.digits.clear();
    if (i < n && (s[i] == u'+' || s[i] == u'-')) d.neg = s[i++] == u'-';
    auto isDigit = [&](int k) { return k < n && s[k].unicode() >= '0' && s[k].unicode() <= '9'; };
    bool any = false;
    while (isDigit(i)) { d.digits += char(s[i++].unicode()); any = true; }
    if (i < n && s[i] == sep) {
        ++i;
        while (isDigit(i)) { d.digits += char(s[i++].unicode()); ++d.scale; any = true; }
    }
    if (!any) return false;
    if (allowExponent && i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool eneg = false;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) eneg = s[i++] == u'-';
        if (!isDigit(i)) return false;
        int e = 0;
        while (isDigit(i)) { if (e < 10000) e = e * 10 + (s[i].unicode() - '0'); ++i; }
        d.scale += eneg ? e : -e;
    }
    if (i != n) return false;
    StripLeading(d.digits);
    if (d.scale < 0) {
        if (!IsZero(d)) d.digits.append(std::size_t(-d.scale), '0');
        d.scale = 0;
    }
    if (IsZero(d)) d.neg = false;
    out = d;
    return true;
}

}  // namespace

// ---- text ----------------------------------------------------------------------------------------

String BcdToStr(const TBcd& Bcd) { return BcdToStr(Bcd, FormatSettings); }

String BcdToStr(const TBcd& Bcd, const TFormatSettings& AFormatSettings) {
    Dec d = StripTrailingDecimals(FromBcd(Bcd));
    std::string digits = d.digits;
    if (int(digits.size()) <= d.scale) digits.insert(0, std::size_t(d.scale - int(digits.size()) + 1), '0');
    String s;
    if (d.neg) s += u'-';
    s += QString::fromLatin1(digits.substr(0, digits.size() - d.scale).c_str());
    if (d.scale > 0) {
        s += AFormatSettings.DecimalSeparator;
        s += QString::fromLatin1(digits.substr(digits.size() - d.scale).c_str());
    }
    return s;
}

bool TryStrToBcd(const String& AValue, TBcd& Bcd) { return TryStrToBcd(AValue, Bcd, FormatSettings); }

bool TryStrToBcd(const String& AValue, TBcd& Bcd, const TFormatSettings& AFormatSettings) {
    Dec d;
    if (!Parse(AValue, AFormatSettings.DecimalSeparator, false, d)) return false;
    if (!Fit(d)) return false;
    Bcd = ToBcd(d);
    return true;
}

TBcd StrToBcd(const String& AValue) { return StrToBcd(AValue, FormatSettings); }

TBcd StrToBcd(const String& AValue, const TFormatSettings& AFormatSettings) {
    Dec d;
    if (!Parse(AValue, AFormatSettings.DecimalSeparator, false, d))
        throw EBcdException(QStringLiteral("'%1' is not a valid BCD value").arg(AValue));
    return ToBcd(d);
}

// ---- numbers -------------------------------------------------------------------------------------

double BcdToDouble(const TBcd& Bcd) {
    Dec d = FromBcd(Bcd);
    std::string text = (d.neg ? "-" : "") + d.digits + "e-" + std::to_string(d.scale);
    return std::strtod(text.c_str(), nullptr);
}

void DoubleToBcd(double Value, TBcd& Bcd) { Bcd = DoubleToBcd(Value); }

TBcd DoubleToBcd(double Value) {
    if (!std::isfinite(Value)) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", Value);  // 15 significant digits
    Dec d;
    Parse(QString::fromLatin1(buf), QChar(u'.'), true, d);
    return ToBcd(StripTrailingDecimals(d));
}

TBcd IntegerToBcd(Int64 Value) {
    Dec d;
    UInt64 mag = Value < 0 ? UInt64(0) - UInt64(Value) : UInt64(Value);
    d.digits = std::to_string(mag);
    d.neg = Value < 0;
    return ToBcd(d);
}

bool CurrToBCD(Currency Curr, TBcd& BCD, int Precision, int Decimals) {
    Dec d;
    const Int64 raw = Curr.Raw();
    d.digits = std::to_string(raw < 0 ? UInt64(0) - UInt64(raw) : UInt64(raw));
    d.neg = raw < 0;
    d.scale = 4;
    return NormalizeBcd(ToBcd(d), BCD, Word(std::clamp(Precision, 1, MaxDigits)),
                        Word(std::clamp(Decimals, 0, MaxPlaces)));
}

TBcd CurrToBCD(Currency Curr) {
    TBcd b;
    CurrToBCD(Curr, b);
    return b;
}

bool BCDToCurr(const TBcd& BCD, Currency& Curr) {
    Dec d = FromBcd(BCD);
    Int64 raw;
    if (!CurrencyDecimalToRaw(d.neg, d.digits, -d.scale, raw)) return false;
    Curr = Currency::FromRaw(raw);
    return true;
}

Currency BcdToCurrency(const TBcd& BCD) {
    Currency c;
    if (!BCDToCurr(BCD, c)) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    return c;
}

Int64 BcdToInt64(const TBcd& Bcd) {
    Dec d = FromBcd(Bcd);
    std::string ip = int(d.digits.size()) > d.scale ? d.digits.substr(0, d.digits.size() - d.scale) : "0";
    const std::string limit = d.neg ? "9223372036854775808" : "9223372036854775807";
    if (CmpAbs(ip, limit) > 0) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    UInt64 mag = std::stoull(ip);
    return d.neg ? Int64(UInt64(0) - mag) : Int64(mag);
}

// ---- normalising, comparing, arithmetic ---------------------------------------------------------

bool NormalizeBcd(const TBcd& InBcd, TBcd& OutBcd, Word Prec, Word Scale) {
    if (Prec < 1 || Prec > MaxDigits || Scale > Prec || Scale > MaxPlaces) return false;
    Dec d = Rescale(FromBcd(InBcd), Scale);
    if (IntDigits(d) > Prec - Scale) return false;
    OutBcd = Pack(d, Prec);
    return true;
}

int BcdCompare(const TBcd& bcd1, const TBcd& bcd2) { return Compare(FromBcd(bcd1), FromBcd(bcd2)); }

void BcdAdd(const TBcd& bcdIn1, const TBcd& bcdIn2, TBcd& bcdOut) {
    bcdOut = ToBcd(Add(FromBcd(bcdIn1), FromBcd(bcdIn2)));
}

void BcdSubtract(const TBcd& bcdIn1, const TBcd& bcdIn2, TBcd& bcdOut) {
    Dec b = FromBcd(bcdIn2);
    if (!IsZero(b)) b.neg = !b.neg;
    bcdOut = ToBcd(Add(FromBcd(bcdIn1), b));
}

void BcdMultiply(const TBcd& bcdIn1, const TBcd& bcdIn2, TBcd& bcdOut) {
    Dec a = FromBcd(bcdIn1), b = FromBcd(bcdIn2), r;
    r.digits = MulAbs(a.digits, b.digits);
    r.scale = a.scale + b.scale;
    r.neg = a.neg != b.neg && !IsZero(r);
    bcdOut = ToBcd(r);
}

void BcdDivide(const TBcd& Dividend, const TBcd& Divisor, TBcd& bcdOut) {
    Dec a = FromBcd(Dividend), b = FromBcd(Divisor);
    if (IsZero(b)) throw EZeroDivide(QStringLiteral("Division by zero"));
    // a/b = (A * 10^k / B) * 10^-(sa - sb + k); the quotient is taken with 65 decimals (one more
    // than can be kept) and then rounded to fit.
    constexpr int ResultScale = MaxDigits + 1;
    const int k = ResultScale - a.scale + b.scale;  // >= 2 since scales are at most 63
    Dec r;
    r.digits = DivAbs(a.digits + std::string(std::size_t(k), '0'), b.digits);
    r.scale = ResultScale;
    r.neg = a.neg != b.neg && !IsZero(r);
    if (!Fit(r)) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    bcdOut = ToBcd(StripTrailingDecimals(r));
}

Word BcdPrecision(const TBcd& Bcd) {
    Dec d = FromBcd(Bcd);
    return Word(std::max(1, IntDigits(d) + d.scale));
}

Word BcdScale(const TBcd& Bcd) { return Word(Bcd.Places()); }

bool IsBcdNegative(const TBcd& Bcd) { return Bcd.IsNegative() && !IsZero(FromBcd(Bcd)); }
