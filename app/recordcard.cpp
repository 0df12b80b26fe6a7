#include "app/recordcard.h"

#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

double PickedPrice(double Cena, bool Weekend, int Shift) {
    double price = Cena;
    if (Weekend) price *= 2;
    if (Shift == 3)
        price *= 1.2;
    else if (Shift == 4)
        price *= 1.5;
    return price;
}

String OperationText(const String& Mark, const String& Kind, int Naimen) {
    return Trim(Mark) + QStringLiteral("; ") + Trim(Kind) + QStringLiteral("; ") +
           (Naimen == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки"));
}

bool IsPaintOperation(const String& OperationText) { return OperationText.toUpper().contains(QStringLiteral("КРАСКА")); }

bool DigitKeyAccepted(Char Key) { return Key == Char(8) || (Key >= u'0' && Key <= u'9'); }

String CardNumberText(double Value) { return FloatToStr(RoundTo(Value, -4)); }

bool TypedNumber(const String& Text, double& Value) {
    String t = Trim(Text);
    t.replace(u'.', FormatSettings.DecimalSeparator);
    t.replace(u',', FormatSettings.DecimalSeparator);
    if (t.isEmpty() || t.contains(FormatSettings.ThousandSeparator)) return false;
    Extended v = 0;
    if (!TextToFloat(t, v)) return false;
    Value = static_cast<double>(v);
    return true;
}

bool RecordCardFilled(const String& Worker, const String& Operation, const String& Quantity, const String& Defects,
                      const String& Colour, const String& Hours) {
    if (Trim(Worker).isEmpty() || Trim(Operation).isEmpty() || Trim(Quantity).isEmpty() || Trim(Defects).isEmpty())
        return false;
    if (IsPaintOperation(Operation) && Trim(Colour).isEmpty()) return false;
    return !Trim(Hours).isEmpty();
}
