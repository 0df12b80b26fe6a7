#include "grid/axis/axisgridroutinesvz.h"

#include "platform/db/fields.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

TEditMemoRoutineVz& EditMemoRoutine() {
    static TEditMemoRoutineVz routine;
    return routine;
}

TEditPictureRoutineVz& EditPictureRoutine() {
    static TEditPictureRoutineVz routine;
    return routine;
}

double CalculatorStartValueVz(const String& Text) {
    Double value = 0;
    if (Text.trimmed().isEmpty() || !TryStrToFloat(Text.trimmed(), value)) return 0;
    return value;
}

TColor MixAndLightenColor(TColor Color1, TColor Color2, bool Ungray) {
    const COLORREF a = ColorToRGB(Color1), b = ColorToRGB(Color2);
    int channels[3];
    for (int i = 0; i < 3; ++i) {
        const double p = (a >> (8 * i)) & 0xFF, q = (b >> (8 * i)) & 0xFF;
        double v = p + (q - p) * 0.5;
        v = v + (225 - v) * 0.6;
        if (Ungray) v = v - (122 - v) * 0.25;
        channels[i] = std::clamp(static_cast<int>(Round(v)), 0, 255);
    }
    return static_cast<TColor>(channels[2] * 65536 + channels[1] * 256 + channels[0]);
}

int GetFieldIntegerValueVz(TField* Field, int Default) {
    if (!Field) return Default;
    auto fits = [](double V) { return V >= -2147483648.0 && V <= 2147483647.0; };
    switch (Field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord: return Field->AsInteger();
    case ftFloat:
    case ftSingle:
    case ftCurrency: return fits(Field->AsFloat()) ? Field->AsInteger() : Default;
    case ftBCD:
    case ftFMTBcd: return !Field->IsNull() && fits(Field->AsFloat()) ? Field->AsInteger() : Default;
    default: break;
    }
    if (dynamic_cast<TLargeintField*>(Field)) {
        const Int64 v = Field->AsLargeInt();
        return v >= -2147483648LL && v <= 2147483647LL ? static_cast<int>(v) : Default;
    }
    return Default;
}
