#include "platform/rtl/sysutils.h"

#include "platform/rtl/collation.h"

#include "platform/rtl/exceptions.h"

#include <QList>
#include <QLocale>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>

// ---- 1-based string routines -------------------------------------------------------------------

String Copy(const String& s, Integer index, Integer count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > s.size()) return String();
    return s.mid(index - 1, count);
}

String Copy(const String& s, Integer index) { return Copy(s, index, std::numeric_limits<Integer>::max()); }

Integer Pos(const String& sub, const String& s) { return PosEx(sub, s, 1); }

Integer PosEx(const String& sub, const String& s, Integer offset) {
    if (sub.isEmpty() || offset < 1 || offset > s.size()) return 0;
    return static_cast<Integer>(s.indexOf(sub, offset - 1, Qt::CaseSensitive)) + 1;
}

void Delete(String& s, Integer index, Integer count) {
    if (index < 1 || index > s.size() || count <= 0) return;
    s.remove(index - 1, count);
}

void Insert(const String& src, String& s, Integer index) {
    if (index < 1) index = 1;
    if (index > s.size()) index = static_cast<Integer>(s.size()) + 1;
    s.insert(index - 1, src);
}

String Trim(const String& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= u' ') ++b;
    while (e > b && s[e - 1].unicode() <= u' ') --e;
    return s.mid(b, e - b);
}

String TrimLeft(const String& s) {
    qsizetype b = 0;
    while (b < s.size() && s[b].unicode() <= u' ') ++b;
    return s.mid(b);
}

String TrimRight(const String& s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1].unicode() <= u' ') --e;
    return s.left(e);
}

String UpperCase(const String& s) {
    String r = s;
    for (QChar& c : r)
        if (c.unicode() >= u'a' && c.unicode() <= u'z') c = QChar(c.unicode() - 32);
    return r;
}

String LowerCase(const String& s) {
    String r = s;
    for (QChar& c : r)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z') c = QChar(c.unicode() + 32);
    return r;
}

String AnsiUpperCase(const String& s) { return s.toUpper(); }
String AnsiLowerCase(const String& s) { return s.toLower(); }

static Integer SignOf(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

Integer CompareStr(const String& s1, const String& s2) { return SignOf(QString::compare(s1, s2, Qt::CaseSensitive)); }
bool SameStr(const String& s1, const String& s2) { return s1 == s2; }

Integer CompareText(const String& s1, const String& s2) { return CompareStr(UpperCase(s1), UpperCase(s2)); }
bool SameText(const String& s1, const String& s2) { return CompareText(s1, s2) == 0; }

Integer AnsiCompareStr(const String& s1, const String& s2) { return SignOf(CollateCompare(s1, s2, false)); }
Integer AnsiCompareText(const String& s1, const String& s2) { return SignOf(CollateCompare(s1, s2, true)); }
bool AnsiSameStr(const String& s1, const String& s2) { return AnsiCompareStr(s1, s2) == 0; }
bool AnsiSameText(const String& s1, const String& s2) { return AnsiCompareText(s1, s2) == 0; }

String QuotedStr(const String& s) { return AnsiQuotedStr(s, u'\''); }

String AnsiQuotedStr(const String& s, Char quote) {
    String r;
    r.reserve(s.size() + 2);
    r += quote;
    for (QChar c : s) {
        r += c;
        if (c == quote) r += c;
    }
    r += quote;
    return r;
}

String AnsiExtractQuotedStr(String& src, Char quote) {
    if (src.isEmpty() || src[0] != quote) return String();
    String r;
    qsizetype i = 1;
    while (i < src.size()) {
        if (src[i] == quote) {
            if (i + 1 < src.size() && src[i + 1] == quote) {
                r += quote;
                i += 2;
                continue;
            }
            src = src.mid(i + 1);
            return r;
        }
        r += src[i++];
    }
    src.clear();
    return r;
}

String AnsiDequotedStr(const String& s, Char quote) {
    String rest = s;
    String r = AnsiExtractQuotedStr(rest, quote);
    // The framework's rule: the extracted text stands unless nothing (or everything) was taken
    // and the text is not enclosed in quotes at both ends.
    if ((r.isEmpty() || rest.isEmpty()) && !s.isEmpty() && (s[0] != quote || s[s.size() - 1] != quote)) return s;
    return r;
}

String StringReplace(const String& s, const String& oldPattern, const String& newPattern, TReplaceFlags flags) {
    if (oldPattern.isEmpty()) return s;
    const Qt::CaseSensitivity cs = flags.Contains(rfIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    String r;
    qsizetype from = 0;
    while (true) {
        qsizetype at = s.indexOf(oldPattern, from, cs);
        if (at < 0) break;
        r += QStringView(s).mid(from, at - from);
        r += newPattern;
        from = at + oldPattern.size();
        if (!flags.Contains(rfReplaceAll)) break;
    }
    r += QStringView(s).mid(from);
    return r;
}

String StringOfChar(Char ch, Integer count) { return count <= 0 ? String() : String(count, ch); }

// ---- integers -----------------------------------------------------------------------------------

String IntToStr(Integer value) { return QString::number(value); }
String IntToStr(Int64 value) { return QString::number(static_cast<qlonglong>(value)); }
String UIntToStr(UInt64 value) { return QString::number(static_cast<qulonglong>(value)); }

static String HexDigits(UInt64 v, Integer digits) {
    String r = QString::number(static_cast<qulonglong>(v), 16).toUpper();
    if (r.size() < digits) r = String(digits - r.size(), u'0') + r;
    return r;
}

String IntToHex(Integer value, Integer digits) { return HexDigits(static_cast<std::uint32_t>(value), digits); }
String IntToHex(Int64 value, Integer digits) { return HexDigits(static_cast<UInt64>(value), digits); }

namespace {
// The framework's integer scanner: leading blanks, sign, decimal or hex ("$", "x", "0x").
// Decimal values must fit the signed range; hex values the unsigned range of the same width
// (and wrap into the signed type).
bool ScanInteger(const String& s, int bits, Int64& out) {
    qsizetype i = 0, n = s.size();
    while (i < n && s[i] == u' ') ++i;
    bool neg = false;
    if (i < n && (s[i] == u'-' || s[i] == u'+')) neg = s[i++] == u'-';
    bool hex = false;
    if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;
    const UInt64 umax = bits == 64 ? ~UInt64(0) : 0xFFFFFFFFull;
    const UInt64 smax = bits == 64 ? UInt64(std::numeric_limits<Int64>::max()) : UInt64(0x7FFFFFFF);
    UInt64 v = 0;
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        unsigned d;
        if (c >= u'0' && c <= u'9') d = c - u'0';
        else if (hex && c >= u'a' && c <= u'f') d = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F') d = c - u'A' + 10;
        else return false;
        const unsigned base = hex ? 16 : 10;
        const UInt64 limit = hex ? umax : smax + (neg ? 1 : 0);
        if (v > (limit - d) / base) return false;
        v = v * base + d;
    }
    if (hex) {
        Int64 sv = bits == 64 ? static_cast<Int64>(v) : static_cast<Int64>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        out = neg ? static_cast<Int64>(0 - static_cast<UInt64>(sv)) : sv;
        if (bits == 32) out = static_cast<std::int32_t>(static_cast<std::uint32_t>(out));
    } else {
        out = neg ? static_cast<Int64>(0 - v) : static_cast<Int64>(v);
    }
    return true;
}

[[noreturn]] void RaiseInvalidInteger(const String& s) {
    throw EConvertError(QStringLiteral("'") + s + QStringLiteral("' is not a valid integer value"));
}
}  // namespace

bool TryStrToInt(const String& s, Integer& value) {
    Int64 v;
    if (!ScanInteger(s, 32, v)) return false;
    value = static_cast<Integer>(v);
    return true;
}

Integer StrToInt(const String& s) {
    Integer v;
    if (!TryStrToInt(s, v)) RaiseInvalidInteger(s);
    return v;
}

Integer StrToIntDef(const String& s, Integer def) {
    Integer v;
    return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(const String& s, Int64& value) { return ScanInteger(s, 64, value); }

Int64 StrToInt64(const String& s) {
    Int64 v;
    if (!TryStrToInt64(s, v)) RaiseInvalidInteger(s);
    return v;
}

Int64 StrToInt64Def(const String& s, Int64 def) {
    Int64 v;
    return TryStrToInt64(s, v) ? v : def;
}

String BoolToStr(bool b, bool useBoolStrs) {
    if (useBoolStrs) return b ? QStringLiteral("True") : QStringLiteral("False");
    return b ? QStringLiteral("-1") : QStringLiteral("0");
}

bool TryStrToBool(const String& s, bool& value) {
    if (AnsiSameText(s, QStringLiteral("True"))) { value = true; return true; }
    if (AnsiSameText(s, QStringLiteral("False"))) { value = false; return true; }
    Extended f;
    if (TryStrToFloat(s, f)) { value = f != 0; return true; }
    return false;
}

bool StrToBool(const String& s) {
    bool b;
    if (!TryStrToBool(s, b)) throw EConvertError(QStringLiteral("'") + s + QStringLiteral("' is not a valid boolean value"));
    return b;
}

bool StrToBoolDef(const String& s, bool def) {
    bool b;
    return TryStrToBool(s, b) ? b : def;
}

// ---- decimal digits of a value ------------------------------------------------------------------

namespace {
constexpr SmallInt ExpInf = 0x7FFF;
constexpr SmallInt ExpNaN = -0x8000;

// Rounds the digit string (value 0.digits * 10^exp) to at most count digits, half away from zero,
// and stores it without trailing zeros.
void StoreRounded(TFloatRec& rec, std::string digits, int exp, int count, bool negative) {
    rec = TFloatRec();
    if (count < 0 || digits.empty()) return;
    if (count < static_cast<int>(digits.size())) {
        const bool up = digits[count] >= '5';
        digits.resize(count);
        if (up) {
            int k = count - 1;
            while (k >= 0 && digits[k] == '9') digits[k--] = '0';
            if (k >= 0) ++digits[k];
            else {
                digits.insert(digits.begin(), '1');
                digits.resize(count > 0 ? count : 1);
                ++exp;
            }
        }
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return;
    if (digits.size() > 20) digits.resize(20);
    std::memcpy(rec.Digits, digits.data(), digits.size());
    rec.Exponent = static_cast<SmallInt>(exp);
    rec.Negative = negative;
}
}  // namespace

void FloatToDecimal(TFloatRec& result, Extended value, Integer precision, Integer decimals) {
    result = TFloatRec();
    if (std::isnan(value)) { result.Exponent = ExpNaN; return; }
    if (std::isinf(value)) { result.Exponent = ExpInf; result.Negative = value < 0; return; }
    if (value == 0) return;
    if (precision > 18) precision = 18;
    if (precision < 1) precision = 1;
    // The value's 18 significant digits, correctly rounded from its exact binary value; the
    // radix character of the C library's locale is skipped, not interpreted.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", std::fabs(value));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    const int exp = (*p ? std::atoi(p + 1) : 0) + 1;
    const long long byDecimals = static_cast<long long>(exp) + decimals;
    const int count = static_cast<int>(byDecimals < precision ? byDecimals : precision);
    StoreRounded(result, digits, exp, count, std::signbit(value));
}

void CurrToDecimal(TFloatRec& result, Int64 currencyRaw, Integer decimals) {
    result = TFloatRec();
    if (currencyRaw == 0) return;
    const bool neg = currencyRaw < 0;
    const UInt64 mag = neg ? 0 - static_cast<UInt64>(currencyRaw) : static_cast<UInt64>(currencyRaw);
    std::string digits = std::to_string(mag);
    const int exp = static_cast<int>(digits.size()) - 4;
    if (decimals > 4) decimals = 4;
    StoreRounded(result, digits, exp, exp + decimals, neg);
}

// ---- FloatToText --------------------------------------------------------------------------------

namespace {
// The value to format: a float or a raw currency. Rounds on demand.
struct TValueSource {
    bool IsCurrency = false;
    Extended Value = 0;
    Int64 Raw = 0;
    TFloatRec Make(int precision, int decimals) const {
        TFloatRec r;
        if (IsCurrency) {
            CurrToDecimal(r, Raw, decimals);
            // A currency value has at most 19 significant digits, all exact; apply precision.
            const int len = static_cast<int>(std::strlen(r.Digits));
            if (precision < len) StoreRounded(r, std::string(r.Digits), r.Exponent, precision, r.Negative);
        } else {
            FloatToDecimal(r, Value, precision, decimals);
        }
        return r;
    }
    int MaxPrecision() const { return IsCurrency ? 19 : 18; }
    int SignOfValue() const {
        if (IsCurrency) return Raw < 0 ? -1 : (Raw > 0 ? 1 : 0);
        return Value < 0 ? -1 : (Value > 0 ? 1 : 0);
    }
};

bool IsSpecial(const TFloatRec& r, String& text) {
    if (r.Exponent == ExpNaN) { text = QStringLiteral("NAN"); return true; }
    if (r.Exponent == ExpInf) { text = r.Negative ? QStringLiteral("-INF") : QStringLiteral("INF"); return true; }
    return false;
}

// Digit at position k (0-based) of the record, '0' beyond its digits.
char DigitAt(const TFloatRec& r, int k) {
    if (k < 0) return '0';
    const int len = static_cast<int>(std::strlen(r.Digits));
    return k < len ? r.Digits[k] : '0';
}

// Integer part digits with optional thousands separators.
String IntegerDigits(const TFloatRec& r, bool thousands, const TFormatSettings& fs) {
    String out;
    if (r.Exponent <= 0) return QStringLiteral("0");
    for (int k = 0; k < r.Exponent; ++k) {
        out += QChar(DigitAt(r, k));
        const int pos = r.Exponent - k;  // position of this digit counted from the point
        if (thousands && pos > 1 && (pos - 1) % 3 == 0) out += fs.ThousandSeparator;
    }
    return out;
}

String ExponentText(int e, bool alwaysSign, int minDigits) {
    String t = QString::number(e < 0 ? -e : e);
    if (t.size() < minDigits) t = String(minDigits - t.size(), u'0') + t;
    if (e < 0) return QStringLiteral("-") + t;
    return alwaysSign ? QStringLiteral("+") + t : t;
}

String FormatGeneral(const TValueSource& src, int precision, int digits, const TFormatSettings& fs) {
    const TFloatRec r = src.Make(precision, 9999);
    String special;
    if (IsSpecial(r, special)) return special;
    if (r.Digits[0] == 0) return QStringLiteral("0");
    const int len = static_cast<int>(std::strlen(r.Digits));
    String out = r.Negative ? QStringLiteral("-") : String();
    if (r.Exponent > precision || r.Exponent < -3) {
        out += QChar(r.Digits[0]);
        if (len > 1) {
            out += fs.DecimalSeparator;
            for (int k = 1; k < len; ++k) out += QChar(r.Digits[k]);
        }
        out += u'E';
        out += ExponentText(r.Exponent - 1, false, qBound(0, digits, 4));
        return out;
    }
    if (r.Exponent <= 0) {
        out += u'0';
        out += fs.DecimalSeparator;
        for (int k = r.Exponent; k < 0; ++k) out += u'0';
        for (int k = 0; k < len; ++k) out += QChar(r.Digits[k]);
        return out;
    }
    for (int k = 0; k < r.Exponent; ++k) out += QChar(DigitAt(r, k));
    if (len > r.Exponent) {
        out += fs.DecimalSeparator;
        for (int k = r.Exponent; k < len; ++k) out += QChar(r.Digits[k]);
    }
    return out;
}

String FormatExponent(const TValueSource& src, int precision, int digits, const TFormatSettings& fs) {
    const TFloatRec r = src.Make(precision, 9999);
    String special;
    if (IsSpecial(r, special)) return special;
    String out = r.Negative ? QStringLiteral("-") : String();
    out += QChar(DigitAt(r, 0));
    if (precision > 1) {
        out += fs.DecimalSeparator;
        for (int k = 1; k < precision; ++k) out += QChar(DigitAt(r, k));
    }
    out += u'E';
    out += ExponentText(r.Digits[0] ? r.Exponent - 1 : 0, true, qBound(0, digits, 4));
    return out;
}

String CurrencyText(const String& number, bool negative, const TFormatSettings& fs) {
    const String& c = fs.CurrencyString;
    if (!negative) {
        switch (fs.CurrencyFormat) {
            case 0: return c + number;
            case 1: return number + c;
            case 2: return c + u' ' + number;
            default: return number + u' ' + c;
        }
    }
    switch (fs.NegCurrFormat) {
        case 0: return u'(' + c + number + u')';
        case 1: return u'-' + c + number;
        case 2: return c + u'-' + number;
        case 3: return c + number + u'-';
        case 4: return u'(' + number + c + u')';
        case 5: return u'-' + number + c;
        case 6: return number + u'-' + c;
        case 7: return number + c + u'-';
        case 8: return u'-' + number + u' ' + c;
        case 9: return u'-' + c + u' ' + number;
        case 10: return number + u' ' + c + u'-';
        case 11: return c + u' ' + number + u'-';
        case 12: return c + u' ' + u'-' + number;
        case 13: return number + u'-' + u' ' + c;
        case 14: return u'(' + c + u' ' + number + u')';
        default: return u'(' + number + u' ' + c + u')';
    }
}

String FloatToText(const TValueSource& src, TFloatFormat format, int precision, int digits,
                   const TFormatSettings& fs) {
    const int maxP = src.MaxPrecision();
    if (src.IsCurrency || precision > maxP) precision = maxP;
    if (precision < 1) precision = 1;
    switch (format) {
        case ffGeneral: return FormatGeneral(src, precision, digits, fs);
        case ffExponent: return FormatExponent(src, precision, digits, fs);
        default: break;
    }
    digits = qBound(0, digits, 18);
    const TFloatRec r = src.Make(precision, digits);
    String special;
    if (IsSpecial(r, special)) return special;
    if (r.Exponent > precision) return FormatGeneral(src, precision, 0, fs);
    String number = IntegerDigits(r, format != ffFixed, fs);
    if (digits > 0) {
        number += fs.DecimalSeparator;
        for (int k = 0; k < digits; ++k) number += QChar(DigitAt(r, r.Exponent + k));
    }
    const bool negative = r.Negative && r.Digits[0];
    if (format == ffCurrency) return CurrencyText(number, negative, fs);
    return negative ? QStringLiteral("-") + number : number;
}

// ---- FormatFloat --------------------------------------------------------------------------------

struct TSectionScan {
    int IntCount = 0;       // placeholders before the decimal point
    int FracCount = 0;      // placeholders after it
    int FirstIntZero = -1;  // index of the first '0' among the integer placeholders
    int LastFracZero = 0;   // 1-based index of the last '0' after the point
    bool HasPoint = false;
    bool Thousands = false;
    bool Scientific = false;
};

// Splits the format into at most three sections at ';' outside quotes.
QList<String> SplitSections(const String& format) {
    QList<String> sections;
    String cur;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            cur += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            cur += c;
        } else if (c == u';' && sections.size() < 2) {
            sections << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    sections << cur;
    return sections;
}

bool IsExponentAt(const String& s, qsizetype i) {
    return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-');
}

TSectionScan ScanSection(const String& s) {
    TSectionScan sc;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype end = s.indexOf(c, i + 1);
            i = end < 0 ? s.size() : end;
        } else if (c == u'0' || c == u'#') {
            if (sc.HasPoint) {
                ++sc.FracCount;
                if (c == u'0') sc.LastFracZero = sc.FracCount;
            } else {
                if (c == u'0' && sc.FirstIntZero < 0) sc.FirstIntZero = sc.IntCount;
                ++sc.IntCount;
            }
        } else if (c == u'.') {
            sc.HasPoint = true;
        } else if (c == u',') {
            sc.Thousands = true;
        } else if (IsExponentAt(s, i)) {
            sc.Scientific = true;
            i += 1;
            while (i + 1 < s.size() && s[i + 1] == u'0') ++i;
        }
    }
    return sc;
}

// Applies one section to rounded digits. intDigits are the integer digits ("" for none),
// fracDigits the significant fraction digits; exp10 is the exponent shown by E+/E- markers.
String ApplySection(const String& s, const TSectionScan& sc, const std::string& intDigits,
                    const std::string& fracDigits, int exp10, bool minus, const TFormatSettings& fs) {
    String out;
    if (minus) out += u'-';
    const int intLen = static_cast<int>(intDigits.size());
    const int required = sc.FirstIntZero < 0 ? 0 : sc.IntCount - sc.FirstIntZero;
    int intIdx = 0, fracIdx = 0;
    bool intDone = false, pointDone = false;
    auto putInt = [&](int pos) {  // pos: 1-based place left of the point
        if (pos <= intLen) out += QChar(intDigits[intLen - pos]);
        else if (pos <= required) out += u'0';
        else return;
        if (sc.Thousands && pos > 1 && (pos - 1) % 3 == 0) out += fs.ThousandSeparator;
    };
    auto flushInt = [&](int downTo) {  // every digit left of place downTo
        for (int pos = intLen; pos > downTo; --pos) putInt(pos);
    };
    auto putPoint = [&]() {
        if (pointDone) return;
        pointDone = true;
        if (!intDone) { flushInt(0); intDone = true; }
        if (static_cast<int>(fracDigits.size()) > 0 || sc.LastFracZero > 0) out += fs.DecimalSeparator;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            qsizetype end = s.indexOf(c, i + 1);
            if (end < 0) end = s.size();
            out += QStringView(s).mid(i + 1, end - i - 1);
            i = end;
        } else if (c == u'0' || c == u'#') {
            if (intIdx < sc.IntCount) {
                const int pos = sc.IntCount - intIdx;
                if (intIdx == 0) flushInt(pos);
                putInt(pos);
                if (++intIdx == sc.IntCount) intDone = true;
            } else {
                putPoint();
                ++fracIdx;
                if (fracIdx <= static_cast<int>(fracDigits.size())) out += QChar(fracDigits[fracIdx - 1]);
                else if (fracIdx <= sc.LastFracZero) out += u'0';
            }
        } else if (c == u'.') {
            if (!pointDone) {
                if (!intDone) { flushInt(0); intDone = true; }
                if (sc.FracCount == 0) pointDone = true;  // "0." shows no separator
                else putPoint();
            }
        } else if (c == u',') {
            // thousands flag only
        } else if (IsExponentAt(s, i)) {
            if (!intDone) { flushInt(0); intDone = true; }
            int zeros = 0;
            const bool alwaysSign = s[i + 1] == u'+';
            out += c;
            i += 1;
            while (i + 1 < s.size() && s[i + 1] == u'0') { ++i; ++zeros; }
            out += ExponentText(exp10, alwaysSign, qMin(zeros, 4));
        } else {
            out += c;
        }
    }
    return out;
}

String FormatFloatText(const String& format, const TValueSource& src, const TFormatSettings& fs) {
    if (format.isEmpty()) return FloatToText(src, ffGeneral, 15, 0, fs);
    {
        TFloatRec probe = src.Make(src.MaxPrecision(), 9999);
        String special;
        if (IsSpecial(probe, special)) return special;
    }
    const QList<String> sections = SplitSections(format);
    auto sectionFor = [&](int index) -> int {
        if (index < sections.size() && !sections[index].isEmpty()) return index;
        return 0;
    };
    const int sign = src.SignOfValue();
    int index = sectionFor(sign < 0 ? 1 : (sign == 0 ? 2 : 0));
    bool zero = sign == 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const String& s = sections[index];
        const TSectionScan sc = ScanSection(s);
        TFloatRec r;
        if (!zero) {
            if (sc.Scientific) {
                r = src.Make(qBound(1, sc.IntCount + sc.FracCount, src.MaxPrecision()), 9999);
            } else {
                r = src.Make(src.MaxPrecision(), qMin(sc.FracCount, 18));
                if (r.Exponent > 18) return FloatToText(src, ffGeneral, 15, 0, fs);
            }
            if (r.Digits[0] == 0) {
                // Rounds to zero: the zero section when there is one, else the first; no minus.
                zero = true;
                const int zi = sectionFor(2);
                if (zi != index) { index = zi; continue; }
            }
        }
        if (zero) r = TFloatRec();
        const int len = static_cast<int>(std::strlen(r.Digits));
        std::string intDigits, fracDigits;
        int exp10 = 0;
        if (sc.Scientific) {
            if (len > 0) {
                for (int k = 0; k < sc.IntCount; ++k) intDigits += DigitAt(r, k);
                for (int k = sc.IntCount; k < len; ++k) fracDigits += r.Digits[k];
                exp10 = r.Exponent - sc.IntCount;
            }
        } else {
            for (int k = 0; k < r.Exponent; ++k) intDigits += DigitAt(r, k);
            for (int k = r.Exponent; k < len; ++k) fracDigits += DigitAt(r, k);
        }
        const bool minus = !zero && r.Negative && index == 0;
        return ApplySection(s, sc, intDigits, fracDigits, exp10, minus, fs);
    }
    return String();
}

TValueSource FloatSource(Extended v) {
    TValueSource s;
    s.Value = v;
    return s;
}

TValueSource CurrSource(Int64 raw) {
    TValueSource s;
    s.IsCurrency = true;
    s.Raw = raw;
    return s;
}
}  // namespace

String FloatToStr(Extended value) { return FloatToStr(value, FormatSettings); }
String FloatToStr(Extended value, const TFormatSettings& settings) {
    return FloatToText(FloatSource(value), ffGeneral, 15, 0, settings);
}

String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings);
}
String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                   const TFormatSettings& settings) {
    return FloatToText(FloatSource(value), format, precision, digits, settings);
}

String FormatFloat(const String& format, Extended value) { return FormatFloat(format, value, FormatSettings); }
String FormatFloat(const String& format, Extended value, const TFormatSettings& settings) {
    return FormatFloatText(format, FloatSource(value), settings);
}

String CurrRawToStrF(Int64 currencyRaw, TFloatFormat format, Integer digits, const TFormatSettings& settings) {
    return FloatToText(CurrSource(currencyRaw), format, 19, digits, settings);
}

String FormatCurrRaw(const String& format, Int64 currencyRaw, const TFormatSettings& settings) {
    return FormatFloatText(format, CurrSource(currencyRaw), settings);
}

// ---- floating-point parsing ---------------------------------------------------------------------

namespace {
locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}
}  // namespace

bool TextToFloat(const String& s, Extended& value) { return TextToFloat(s, value, FormatSettings); }

bool TextToFloat(const String& s, Extended& value, const TFormatSettings& settings) {
    qsizetype i = 0, n = s.size();
    while (i < n && s[i] == u' ') ++i;
    while (n > i && s[n - 1] == u' ') --n;
    std::string text;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-') text += '-';
        ++i;
    }
    const QStringView rest = QStringView(s).mid(i, n - i);
    if (rest.compare(u"INF", Qt::CaseInsensitive) == 0) {
        value = text.empty() ? std::numeric_limits<Extended>::infinity() : -std::numeric_limits<Extended>::infinity();
        return true;
    }
    if (text.empty() && rest.compare(u"NAN", Qt::CaseInsensitive) == 0) {
        value = std::numeric_limits<Extended>::quiet_NaN();
        return true;
    }
    int mantissaDigits = 0;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = s[i];
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            text += static_cast<char>(c.unicode());
            ++mantissaDigits;
        } else if (c == settings.DecimalSeparator && !point) {
            point = true;
            text += '.';
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (s[i] == u'E' || s[i] == u'e')) {
        text += 'e';
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) text += static_cast<char>(s[i++].unicode());
        int expDigits = 0;
        for (; i < n && s[i].unicode() >= u'0' && s[i].unicode() <= u'9'; ++i, ++expDigits)
            text += static_cast<char>(s[i].unicode());
        if (expDigits == 0) return false;
    }
    if (i != n) return false;
    const Extended v = strtold_l(text.c_str(), nullptr, CLocale());
    if (std::isinf(v)) return false;  // out of range
    value = v;
    return true;
}

namespace {
[[noreturn]] void RaiseInvalidFloat(const String& s) {
    throw EConvertError(QStringLiteral("'") + s + QStringLiteral("' is not a valid floating point value"));
}
}  // namespace

Extended StrToFloat(const String& s) { return StrToFloat(s, FormatSettings); }
Extended StrToFloat(const String& s, const TFormatSettings& settings) {
    Extended v;
    if (!TextToFloat(s, v, settings)) RaiseInvalidFloat(s);
    return v;
}

Extended StrToFloatDef(const String& s, Extended def) { return StrToFloatDef(s, def, FormatSettings); }
Extended StrToFloatDef(const String& s, Extended def, const TFormatSettings& settings) {
    Extended v;
    return TextToFloat(s, v, settings) ? v : def;
}

bool TryStrToFloat(const String& s, Extended& value) { return TextToFloat(s, value, FormatSettings); }
bool TryStrToFloat(const String& s, Extended& value, const TFormatSettings& settings) {
    return TextToFloat(s, value, settings);
}
bool TryStrToFloat(const String& s, Double& value) { return TryStrToFloat(s, value, FormatSettings); }
bool TryStrToFloat(const String& s, Double& value, const TFormatSettings& settings) {
    Extended v;
    if (!TextToFloat(s, v, settings)) return false;
    if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<Double>::max()) return false;
    value = static_cast<Double>(v);
    return true;
}

// ---- Format -------------------------------------------------------------------------------------

namespace {
class TFormatter {
public:
    TFormatter(const String& fmt, TVarRecs args, const TFormatSettings& fs)
        : fmt_(fmt), args_(args.begin()), count_(args.size()), fs_(fs) {}

    String Run() {
        String out;
        const qsizetype n = fmt_.size();
        for (i_ = 0; i_ < n; ++i_) {
            const QChar c = fmt_[i_];
            if (c != u'%') { out += c; continue; }
            if (++i_ >= n) Invalid();
            if (fmt_[i_] == u'%') { out += u'%'; continue; }
            out += Spec();
        }
        return out;
    }

private:
    const String& fmt_;
    const TVarRec* args_;
    std::size_t count_;
    const TFormatSettings& fs_;
    qsizetype i_ = 0;
    std::size_t next_ = 0;

    [[noreturn]] void Invalid() const {
        throw EConvertError(QStringLiteral("Format '") + fmt_ + QStringLiteral("' invalid or incompatible with argument"));
    }
    [[noreturn]] void Missing() const {
        throw EConvertError(QStringLiteral("No argument for format '") + fmt_ + QStringLiteral("'"));
    }
    QChar Peek() const {
        if (i_ >= fmt_.size()) Invalid();
        return fmt_[i_];
    }
    const TVarRec& NextArg() {
        if (next_ >= count_) Missing();
        return args_[next_++];
    }
    // A number, "*" (an integer argument) or nothing (-1).
    int Number() {
        if (Peek() == u'*') {
            ++i_;
            const TVarRec& a = NextArg();
            if (a.VType != TVarRec::vtInteger) Invalid();
            return static_cast<int>(a.VInt64);
        }
        int v = -1;
        while (Peek().unicode() >= u'0' && Peek().unicode() <= u'9') {
            const int d = Peek().unicode() - u'0';
            v = (v < 0 ? 0 : v);
            if (v > (std::numeric_limits<int>::max() - d) / 10) Invalid();
            v = v * 10 + d;
            ++i_;
        }
        return v;
    }

    String Spec() {
        int n = Number();
        if (Peek() == u':') {
            ++i_;
            next_ = n < 0 ? 0 : static_cast<std::size_t>(n);
            n = -1;
        }
        bool left = false;
        if (n < 0) {
            if (Peek() == u'-') { left = true; ++i_; }
            n = Number();
        }
        const int width = n;
        int prec = -1;
        if (Peek() == u'.') {
            ++i_;
            prec = Number();
            if (prec < 0) prec = 0;
        }
        const char16_t type = QChar::toUpper(Peek().unicode());
        String text = Convert(type, prec);
        if (width > text.size()) {
            const String pad(width - text.size(), u' ');
            text = left ? text + pad : pad + text;
        }
        return text;
    }

    static String ZeroPad(String digits, int prec) {
        if (prec > digits.size()) digits = String(prec - digits.size(), u'0') + digits;
        return digits;
    }

    String Convert(char16_t type, int prec) {
        switch (type) {
            case u'D': case u'U': case u'X': return IntegerArg(type, prec);
            case u'E': case u'F': case u'G': case u'N': case u'M': return FloatArg(type, prec);
            case u'S': {
                const TVarRec& a = NextArg();
                String s;
                switch (a.VType) {
                    case TVarRec::vtUnicodeString: case TVarRec::vtString: case TVarRec::vtChar: s = a.VString; break;
                    case TVarRec::vtWideChar: s = QChar(a.VWideChar); break;
                    default: Invalid();
                }
                if (prec >= 0 && prec < s.size()) s.truncate(prec);
                return s;
            }
            case u'P': {
                const TVarRec& a = NextArg();
                if (a.VType != TVarRec::vtPointer) Invalid();
                return HexDigits(reinterpret_cast<std::uintptr_t>(a.VPointer), static_cast<int>(sizeof(void*) * 2));
            }
            default: Invalid();
        }
    }

    String IntegerArg(char16_t type, int prec) {
        const TVarRec& a = NextArg();
        bool neg = false;
        UInt64 mag = 0;   // magnitude for %d
        UInt64 bits = 0;  // unsigned pattern for %u and %x
        switch (a.VType) {
            case TVarRec::vtInteger: {
                const auto v = static_cast<std::int32_t>(a.VInt64);
                neg = v < 0;
                mag = neg ? 0 - static_cast<UInt64>(static_cast<Int64>(v)) : static_cast<UInt64>(v);
                bits = static_cast<std::uint32_t>(v);
                break;
            }
            case TVarRec::vtInt64:
                neg = a.VInt64 < 0;
                mag = neg ? 0 - static_cast<UInt64>(a.VInt64) : static_cast<UInt64>(a.VInt64);
                bits = static_cast<UInt64>(a.VInt64);
                break;
            case TVarRec::vtUInt64:
                mag = bits = a.VUInt64;
                break;
            default: Invalid();
        }
        if (type == u'X') return ZeroPad(HexDigits(bits, 0), prec);
        if (type == u'U') return ZeroPad(UIntToStr(bits), prec);
        const String d = ZeroPad(UIntToStr(mag), prec);
        return neg ? QStringLiteral("-") + d : d;
    }

    String FloatArg(char16_t type, int prec) {
        const TVarRec& a = NextArg();
        TValueSource src;
        if (a.VType == TVarRec::vtExtended) src = FloatSource(a.VExtended);
        else if (a.VType == TVarRec::vtCurrency) src = CurrSource(a.VInt64);
        else Invalid();
        if (prec > 18) prec = 18;  // wider requests are capped rather than refused
        switch (type) {
            case u'E': return FloatToText(src, ffExponent, prec < 0 ? 15 : prec, 3, fs_);
            case u'G': return FloatToText(src, ffGeneral, prec < 0 ? 15 : prec, 3, fs_);
            case u'F': return FloatToText(src, ffFixed, 18, prec < 0 ? 2 : prec, fs_);
            case u'N': return FloatToText(src, ffNumber, 18, prec < 0 ? 2 : prec, fs_);
            default: return FloatToText(src, ffCurrency, 18, prec < 0 ? fs_.CurrencyDecimals : prec, fs_);
        }
    }
};
}  // namespace

String Format(const String& fmt, TVarRecs args) { return Format(fmt, args, FormatSettings); }

String Format(const String& fmt, TVarRecs args, const TFormatSettings& settings) {
    return TFormatter(fmt, args, settings).Run();
}
