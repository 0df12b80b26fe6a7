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
