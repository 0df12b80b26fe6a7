// The record card's rules that do not need the window: the price an operation pick gives, the
// operation text, the paint rule, the digit filter, the amounts shown, typed numbers and the
// validation.
#pragma once

#include "platform/rtl/system.h"

// The operation's lowest norm price, doubled on a weekend, then times 1.2 in shift 3 and 1.5 in
// overtime (shift 4): weekend overtime gives three times the price.
double PickedPrice(double Cena, bool Weekend, int Shift);
// "mark; kind; Готовая продукция" (naimen 0) or "…; Заготовки" (any other), mark and kind trimmed.
String OperationText(const String& Mark, const String& Kind, int Naimen);
// Painting operations carry "КРАСКА" in their upper-cased text; only they need a colour.
bool IsPaintOperation(const String& OperationText);
// The key filter of the number fields: backspace, 0..9 and the decimal separators pass, every other
// key is swallowed. A separator is kept so that "7,5" stays what was typed and the save refuses it
// as no whole number, rather than the field silently reading 75.
bool DigitKeyAccepted(Char Key);
// A number as the card shows it: rounded to 4 decimals (ties to even), general number text with
// up to 15 significant digits and the system's decimal separator.
String CardNumberText(double Value);
// A number typed or shown in the user's format (blanks around it ignored; a point or a comma as
// the decimal separator, whichever the system uses): false when the text is not a number.
bool TypedNumber(const String& Text, double& Value);
// The card's validation: the trimmed texts of worker, operation, quantity, defects, colour (only
// for a paint operation) and hours must not be empty ("0" is filled).
bool RecordCardFilled(const String& Worker, const String& Operation, const String& Quantity, const String& Defects,
                      const String& Colour, const String& Hours);
// The card's number fields hold whole numbers the record's columns take (a fraction or a pasted
// text passes the key filter), hours at most those of one shift (24), and defects no more than the
// quantity: the message for the first field that does not, or an empty text. Colour counts only
// for a paint operation.
String RecordCardNumberError(const String& Operation, const String& Quantity, const String& Defects,
                             const String& Colour, const String& Hours);
// The message of defects above the quantity.
inline const String DefectsOverQuantityMessage = QStringLiteral("Брак не может быть больше количества!");
// The message of a refused card.
inline const String CardNotFilledMessage = QStringLiteral("Все поля должны быть заполнены!");
