#include "platform/rtl/formatsettings.h"

TFormatSettings FormatSettings;

TFormatSettings TFormatSettings::Invariant() {
    TFormatSettings s;
    s.CurrencyFormat = 0;
    s.NegCurrFormat = 0;
    s.ThousandSeparator = u',';
    s.DecimalSeparator = u'.';
    s.CurrencyDecimals = 2;
    s.DateSeparator = u'/';
    s.TimeSeparator = u':';
    s.ListSeparator = u',';
    s.CurrencyString = QStringLiteral("\u00A4");
    s.ShortDateFormat = QStringLiteral("MM/dd/yyyy");
    s.LongDateFormat = QStringLiteral("dddd, dd MMMMM yyyy HH:mm:ss");
    s.ShortTimeFormat = QStringLiteral("HH:mm");
    s.LongTimeFormat = QStringLiteral("HH:mm:ss");
    const char* sm[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* lm[12] = {"January", "February", "March",     "April",   "May",      "June",
                          "July",    "August",   "September", "October", "November", "December"};
    const char* sd[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* ld[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    for (int i = 0; i < 12; ++i) {
        s.ShortMonthNames[i] = QString::fromLatin1(sm[i]);
        s.LongMonthNames[i] = QString::fromLatin1(lm[i]);
    }
    for (int i = 0; i < 7; ++i) {
        s.ShortDayNames[i] = QString::fromLatin1(sd[i]);
        s.LongDayNames[i] = QString::fromLatin1(ld[i]);
    }
    s.TwoDigitYearCenturyWindow = 50;
    return s;
}
