#include "grid/editors/numbertextvz.h"

#include "grid/base/vizevmanagervz.h"
#include "platform/rtl/rtlmath.h"

String CleanNumberTextVz(const String& Text, Char DecimalSeparator, Char ThousandSeparator, Char AltSeparator) {
    const bool altCounts = !Text.contains(DecimalSeparator) && Text.count(AltSeparator) == 1;
    String r;
    bool digitSeen = false, signSeen = false, expSeen = false;
    for (Char c : Text) {
        if (c == DecimalSeparator || (altCounts && c == AltSeparator)) {
            r += c;
        } else if (c.isDigit() && c.unicode() < 128) {
            digitSeen = true;
            r += c;
        } else if ((c == u'+' || c == u'-') && !digitSeen && !signSeen && !expSeen) {
            signSeen = true;
            r += c;
        } else if ((c == u'E' || c == u'e') && !expSeen) {
            expSeen = true;
            r += c;
        }
    }
    if (ThousandSeparator != DecimalSeparator) r.remove(ThousandSeparator);
    if (altCounts && AltSeparator != DecimalSeparator && AltSeparator != ThousandSeparator)
        r.replace(AltSeparator, DecimalSeparator);
    return r;
}

String CleanNumberTextVz(const String& Text) {
    return CleanNumberTextVz(Text, FormatSettings.DecimalSeparator, FormatSettings.ThousandSeparator,
                             GetViZevManager()->AltDecimalSeparator());
}

bool NumberTextIsAmbiguousVz(const String& Text, Char DecimalSeparator, Char AltSeparator) {
    const int decimals = static_cast<int>(Text.count(DecimalSeparator));
    if (decimals > 1) return true;
    return decimals == 0 && AltSeparator != DecimalSeparator && Text.count(AltSeparator) > 1;
}

bool NumberTextIsAmbiguousVz(const String& Text) {
    return NumberTextIsAmbiguousVz(Text, FormatSettings.DecimalSeparator, GetViZevManager()->AltDecimalSeparator());
}

Extended ClampAndRoundNumberVz(Extended X, Extended MinValue, Extended MaxValue, unsigned DecimalPlaces) {
    if (MinValue != MaxValue) {
        if (MaxValue > MinValue) {
            if (X < MinValue) X = MinValue;
            if (X > MaxValue) X = MaxValue;
        } else if (MaxValue == 0) {
            if (X < MinValue) X = MinValue;
        } else if (MinValue == 0) {
            if (X > MaxValue) X = MaxValue;
        }
    }
    if (DecimalPlaces > 37) return X;
    if (DecimalPlaces == 0) return static_cast<Extended>(Round(X));
    Extended p = 1;
    for (unsigned i = 0; i < DecimalPlaces; ++i) p *= 10;
    return static_cast<Extended>(Round(X * p)) / p;
}

bool TryNumberTextToFloatVz(const String& Text, Extended& Value) {
    const Char decimal = FormatSettings.DecimalSeparator;
    for (Char c : Text)
        if (!(c == u'+' || c == u'-' || (c.isDigit() && c.unicode() < 128) || c == u'E' || c == u'e' || c == decimal))
            return false;
    if (Text == u"+"_S || Text == u"-"_S) {
        Value = 0;
        return true;
    }
    return TextToFloat(Text.left(127), Value);
}

String InsertThousandSeparatorsVz(const String& Text, bool UseSeparators) {
    if (!UseSeparators) return Text;
    int end = static_cast<int>(Text.size());
    for (int i = 0; i < static_cast<int>(Text.size()); ++i)
        if (Text[i] == FormatSettings.DecimalSeparator || Text[i] == u'E' || Text[i] == u'e') {
            end = i;
            break;
        }
    int start = 0;
    if (end > 0 && (Text[0] == u'+' || Text[0] == u'-')) start = 1;
    const String digits = Text.mid(start, end - start);
    String grouped;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) grouped += FormatSettings.ThousandSeparator;
        grouped += digits[i];
    }
    return Text.left(start) + grouped + Text.mid(end);
}

String DefaultCurrencyFormatVz() { return u",#."_S + String(FormatSettings.CurrencyDecimals, u'0'); }

String EditFormatFromDisplayFormatVz(const String& DisplayFormat, bool Currency) {
    if (DisplayFormat.isEmpty() && Currency) return DefaultCurrencyFormatVz();
    String r;
    int droppedZeros = 0;
    bool exponent = false;
    const int n = static_cast<int>(DisplayFormat.size());
    for (int i = 0; i < n; ++i) {
        const Char c = DisplayFormat[i];
        if (c == u';') break;
        if (c == u'\'' || c == u'"') {
            const int close = static_cast<int>(DisplayFormat.indexOf(c, i + 1));
            if (close < 0) break;
            i = close;
        } else if ((c == u'E' || c == u'e') && i + 1 < n && DisplayFormat[i + 1] == u'+') {
            exponent = true;
            ++i;
        } else if (exponent && c == u'0') {
            // The exponent's digits are not edited.
            exponent = false;
            if (++droppedZeros >= 5) break;
        } else if (c == u'#' || c == u',' || c == u'.' || c == u'0') {
            r += c;
        }
    }
    return r;
}
