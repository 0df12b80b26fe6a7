// Locale settings of every formatting routine. Never read from the host: one process-wide
// FormatSettings with the Russian defaults, and every routine also takes explicit settings.
#pragma once

#include "platform/rtl/system.h"

struct TFormatSettings {
    Byte CurrencyFormat = 3;      // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    Byte NegCurrFormat = 8;       // "-1 $"
    Char ThousandSeparator = QChar(0x00A0);
    Char DecimalSeparator = u',';
    Byte CurrencyDecimals = 2;
    Char DateSeparator = u'.';
    Char TimeSeparator = u':';
    Char ListSeparator = u';';
    String CurrencyString = QStringLiteral("₽");
    String ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    String LongDateFormat = QStringLiteral("d mmmm yyyy 'г.'");
    String TimeAMString = QStringLiteral("AM");
    String TimePMString = QStringLiteral("PM");
    String ShortTimeFormat = QStringLiteral("h:nn");
    String LongTimeFormat = QStringLiteral("h:nn:ss");
    String ShortMonthNames[12] = {"янв", "фев", "мар", "апр", "май", "июн",
                                  "июл", "авг", "сен", "окт", "ноя", "дек"};
    String LongMonthNames[12] = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                 "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    String ShortDayNames[7] = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    String LongDayNames[7] = {"воскресенье", "понедельник", "вторник", "среда",
                              "четверг",     "пятница",     "суббота"};
    Word TwoDigitYearCenturyWindow = 50;
    Byte FirstDayOfWeek = 1;  // Monday (0 = Sunday in the framework's LOCALE_IFIRSTDAYOFWEEK is 6)

    // The settings with Russian defaults.
    static TFormatSettings Create() { return TFormatSettings(); }
    // Invariant settings ("." decimal, "MM/dd/yyyy", English names), as the framework's
    // TFormatSettings.Invariant.
    static TFormatSettings Invariant();
};

// The process-wide settings. Tests set what they need and restore it.
extern TFormatSettings FormatSettings;
