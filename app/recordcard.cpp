#include "app/recordcard.h"

#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

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

bool DigitKeyAccepted(Char Key) {
    return Key == Char(8) || (Key >= u'0' && Key <= u'9') || Key == u',' || Key == u'.';
}

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

String RecordCardNumberError(const String& Operation, const String& Quantity, const String& Defects,
                             const String& Colour, const String& Hours) {
    struct TField {
        const char* Caption;
        const String& Text;
        Integer Max;  // defects go to a small-integer column; hours are those of one shift
        bool Checked;
    } const fields[] = {{"Кол-во", Quantity, 2147483647, true},
                        {"Брак", Defects, 32767, true},
                        {"Цвет", Colour, 2147483647, IsPaintOperation(Operation)},
                        {"Время", Hours, 24, true}};
    Integer values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const TField& f = fields[i];
        if (!f.Checked) continue;
        const String t = Trim(f.Text);
        const bool digits = !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!digits || !TryStrToInt(t, values[i]) || values[i] > f.Max)
            return QStringLiteral("В поле «%1» должно быть целое число от 0 до %2!").arg(QString::fromUtf8(f.Caption)).arg(f.Max);
    }
    if (values[1] > values[0]) return DefectsOverQuantityMessage;
    return String();
}

bool RecordCardFilled(const String& Worker, const String& Operation, const String& Quantity, const String& Defects,
                      const String& Colour, const String& Hours) {
    if (Trim(Worker).isEmpty() || Trim(Operation).isEmpty() || Trim(Quantity).isEmpty() || Trim(Defects).isEmpty())
        return false;
    if (IsPaintOperation(Operation) && Trim(Colour).isEmpty()) return false;
    return !Trim(Hours).isEmpty();
}
