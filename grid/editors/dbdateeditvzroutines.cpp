#include "grid/editors/dbdateeditvzroutines.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

namespace {

bool IsElementLetter(Char C) {
    switch (C.toUpper().unicode()) {
    case u'D': case u'M': case u'Y': case u'H': case u'N': case u'S': return true;
    default: return false;
    }
}

TElementMaskPosVz* ElementOf(TDateTimeElementsMaskPosVz& MaskPos, Char Letter) {
    switch (Letter.toUpper().unicode()) {
    case u'Y': return &MaskPos.Year;
    case u'M': return &MaskPos.Month;
    case u'D': return &MaskPos.Day;
    case u'H': return &MaskPos.Hour;
    case u'N': return &MaskPos.Min;
    default: return &MaskPos.Sec;
    }
}

bool IsMaskCommandChar(Char C) {
    static const String commands = QStringLiteral("!#09;<>aAcClL");
    return commands.contains(C);
}

// Walks an edit format: Element(letter, start position, run length) for every run of an element
// letter, Literal(character, escaped) for every other character that takes a text position.
template <typename TElement, typename TLiteral>
void WalkEditFormat(const String& EditFormat, TElement Element, TLiteral Literal) {
    Char runLetter;
    int runStart = 0, runLength = 0, textPos = 1;
    bool escaped = false;
    auto endRun = [&] {
        if (runLength == 0) return;
        Element(runLetter, runStart, runLength);
        runLength = 0;
    };
    for (int i = 0; i < EditFormat.size(); ++i) {
        const Char c = EditFormat[i];
        if (!escaped && IsElementLetter(c)) {
            const Char letter = c.toUpper();
            if (runLength > 0 && letter == runLetter) {
                ++runLength;
                if (runLength > (letter == u'Y' ? 4 : 2))
                    throw Exception(QStringLiteral("Element in EditFormat: \"%1\" is too long. Pos: %2")
                                        .arg(EditFormat)
                                        .arg(i + 1));
            } else {
                endRun();
                runLetter = letter;
                runStart = textPos;
                runLength = 1;
            }
            ++textPos;
            continue;
        }
        endRun();
        if (!escaped && c == u'\\') {
            escaped = true;
            continue;
        }
        Literal(c, escaped);
        escaped = false;
        ++textPos;
    }
    endRun();
}

int DaysIn(int Year, int Month) { return DaysInAMonth(Word(Year), Word(Month)); }

} // namespace

TLocaleDateOrderVz GetLocaleDateOrderVz() {
    const String f = FormatSettings.ShortDateFormat.toUpper();
    for (const Char c : f) {
        if (c == u'D') return ldoDMYVz;
        if (c == u'M') return ldoMDYVz;
        if (c == u'Y') return ldoYMDVz;
    }
    return ldoDMYVz;
}

bool LocaleFourDigitYearVz() { return FormatSettings.ShortDateFormat.toUpper().contains(QStringLiteral("YYY")); }

String DefaultEditFormatVz(TDateTimeKindVz Kind, bool FourDigitYear) {
    const String y = FourDigitYear ? QStringLiteral("YYYY") : QStringLiteral("YY");
    String date;
    switch (GetLocaleDateOrderVz()) {
    case ldoDMYVz: date = QStringLiteral("DD/MM/") + y; break;
    case ldoMDYVz: date = QStringLiteral("MM/DD/") + y; break;
    case ldoYMDVz: date = y + QStringLiteral("/MM/DD"); break;
    }
    switch (Kind) {
    case dtkDateVz: return date;
    case dtkTimeVz: return QStringLiteral("HH:NN:SS");
    case dtkDateTimeVz: return date + QStringLiteral(" HH:NN:SS");
    default: return String();
    }
}

String EditFormatToEditMaskVz(const String& EditFormat, TDateTimeElementsMaskPosVz& MaskPos) {
    MaskPos = TDateTimeElementsMaskPosVz();
    String mask;
    WalkEditFormat(
        EditFormat,
        [&](Char Letter, int Start, int Length) {
            if (Letter == u'Y' ? (Length != 2 && Length != 4) : Length != 2)
                throw Exception(QStringLiteral("Invalid datetime format element length: \"%1\"").arg(Letter));
            TElementMaskPosVz* e = ElementOf(MaskPos, Letter);
            if (e->Present) throw Exception(QStringLiteral("Duplicating datetime format element: \"%1\"").arg(Letter));
            e->Pos = Start;
            e->Length = Length;
            e->Present = true;
            mask += String(Length, u'9');
        },
        [&](Char C, bool) {
            if (IsMaskCommandChar(C)) mask += u'\\';
            mask += C;
        });
    return QStringLiteral("!") + mask + QStringLiteral(";1; ");
}

String EditFormatToDisplayFormatVz(const String& EditFormat) {
    String result, quoted;
    auto flush = [&] {
        if (quoted.isEmpty()) return;
        result += u'\'' + String(quoted).replace(QStringLiteral("'"), QStringLiteral("''")) + u'\'';
        quoted.clear();
    };
    WalkEditFormat(
        EditFormat,
        [&](Char Letter, int, int Length) {
            flush();
            result += String(Length, Letter);
        },
        [&](Char C, bool Escaped) {
            if (!Escaped && (C == u'/' || C == u':')) {
                flush();
                result += C;
            } else {
                quoted += C;
            }
        });
    flush();
    return result;
}

String EditFormatToElementLayoutVz(const String& EditFormat) {
    String result;
    WalkEditFormat(
        EditFormat, [&](Char Letter, int, int Length) { result += String(Length, Letter); },
        [&](Char C, bool Escaped) { result += (!Escaped && (C == u'/' || C == u':')) ? C : Char(u' '); });
    return result;
}

int ElementTextToIntVz(const String& Text) {
    String digits;
    for (const Char c : Text) {
        if (c == u' ') continue;
        if (c < u'0' || c > u'9') return -1;
        digits += c;
    }
    if (digits.isEmpty()) return -1;
    bool ok = false;
    const int v = digits.toInt(&ok);
    return ok ? v : -1;
}

int ExpandTwoDigitYearVz(int Year) {
    if (Year >= 100) return Year;
    const int currentYear = YearOf(Date());
    const int windowStart = currentYear - 60;
    int y = Year + (windowStart / 100) * 100;
    if (y < windowStart) y += 100;
    return y;
}

bool TextToElementsVz(const String& Text, const TDateTimeElementsMaskPosVz& MaskPos, TDateTimeElementValuesVz& Values) {
    bool all = true;
    auto read = [&](const TElementMaskPosVz& E, int& Value) {
        Value = -1;
        if (!E.Present) return;
        Value = ElementTextToIntVz(Text.mid(E.Pos - 1, E.Length));
        if (Value < 0) all = false;
    };
    read(MaskPos.Year, Values.Year);
    read(MaskPos.Month, Values.Month);
    read(MaskPos.Day, Values.Day);
    read(MaskPos.Hour, Values.Hour);
    read(MaskPos.Min, Values.Min);
    read(MaskPos.Sec, Values.Sec);
    if (Values.Year >= 0) Values.Year = ExpandTwoDigitYearVz(Values.Year);
    return all;
}

void CorrectDatePartsVz(int& Year, int& Month, int& Day) {
    Word ty, tm, td;
    DecodeDate(Date(), ty, tm, td);
    if (Year < 1) Year = ty;
    if (Month < 1) Month = tm;
    if (Day < 1) Day = td;
    if (Month > 12) Month = 12;
    if (Year > 9999) Year = 9999;
    Year = ExpandTwoDigitYearVz(Year);
    if (Day > DaysIn(Year, Month)) Day = DaysIn(Year, Month);
}

void CorrectTimePartsVz(int& Hour, int& Min, int& Sec) {
    Hour = std::clamp(Hour, 0, 23);
    Min = std::clamp(Min, 0, 59);
    Sec = std::clamp(Sec, 0, 59);
}

bool ElementsToValueVz(TDateTimeElementValuesVz V, const TDateTimeElementsMaskPosVz& MaskPos, Variant& Value,
                       bool Correct) {
    if (V.Year == -1 && V.Month == -1 && V.Day == -1 && V.Hour == -1 && V.Min == -1 && V.Sec == -1) {
        Value = Null();
        return true;
    }
    if (Correct) {
        CorrectDatePartsVz(V.Year, V.Month, V.Day);
        CorrectTimePartsVz(V.Hour, V.Min, V.Sec);
    } else {
        if (!MaskPos.Year.Present && V.Year < 1) V.Year = 1;
        if (!MaskPos.Month.Present && V.Month < 1) V.Month = 1;
        if (!MaskPos.Day.Present && V.Day < 1) V.Day = 1;
        if (!MaskPos.Hour.Present && V.Hour < 0) V.Hour = 0;
        if (!MaskPos.Min.Present && V.Min < 0) V.Min = 0;
        if (!MaskPos.Sec.Present && V.Sec < 0) V.Sec = 0;
    }
    const bool noDate = V.Year < 0 && V.Month < 0 && V.Day < 0;
    TDateTime check = 0;
    const bool dateOk = noDate || (V.Year >= 1 && V.Month >= 1 && V.Day >= 1 && V.Year <= 9999 && V.Month <= 12 &&
                                   TryEncodeDate(Word(V.Year), Word(V.Month), Word(V.Day), check));
    const bool timeOk = V.Hour >= 0 && V.Min >= 0 && V.Sec >= 0 && V.Hour < 24 && V.Min < 60 && V.Sec < 60;
    if (!dateOk || !timeOk) {
        Value = Null();
        return false;
    }
    Word by = 1900, bm = 1, bd = 1, bh = 0, bn = 0, bs = 0, bms = 0;
    if (!VarIsNullish(Value)) DecodeDateTime(VarToDateTime(Value), by, bm, bd, bh, bn, bs, bms);
    if (MaskPos.Year.Present && V.Year > 0) by = Word(V.Year);
    if (MaskPos.Month.Present && V.Month > 0) bm = Word(V.Month);
    if (MaskPos.Day.Present && V.Day > 0) bd = Word(V.Day);
    if (MaskPos.Hour.Present && V.Hour >= 0) bh = Word(V.Hour);
    if (MaskPos.Min.Present && V.Min >= 0) bn = Word(V.Min);
    if (MaskPos.Sec.Present && V.Sec >= 0) bs = Word(V.Sec);
    // A base day kept from the old value may not exist in a month taken from the text.
    if (by >= 1 && bm >= 1 && bm <= 12 && bd > DaysIn(by, bm)) {
        if (!Correct) {
            Value = Null();
            return false;
        }
        bd = Word(DaysIn(by, bm));
    }
    TDateTime result = 0;
    if (by == 0 && bm == 0 && bd == 0) {
        if (!TryEncodeTime(bh, bn, bs, bms, result)) {
            Value = Null();
            return false;
        }
    } else if (!TryEncodeDateTime(by, bm, bd, bh, bn, bs, bms, result)) {
        Value = Null();
        return false;
    }
    Value = VarFromDateTime(result);
    return true;
}

TDateTimeElementValuesVz ValueToElementsVz(const Variant& Value) {
    TDateTimeElementValuesVz v;
    if (VarIsNullish(Value)) return v;
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(VarToDateTime(Value), y, m, d, h, n, s, ms);
    v.Year = y;
    v.Month = m;
    v.Day = d;
    v.Hour = h;
    v.Min = n;
    v.Sec = s;
    return v;
}

bool FindLayoutElementVz(const String& Layout, int Pos, Char& Letter, int& Start, int& Length) {
    if (Layout.isEmpty()) return false;
    int p = std::clamp(Pos, 1, int(Layout.size()));
    if (Layout[p - 1] == u'/' || Layout[p - 1] == u':') {
        ++p;
        if (p > Layout.size()) return false;
    }
    const Char c = Layout[p - 1].toUpper();
    if (!IsElementLetter(c)) return false;
    const int first = Layout.indexOf(c);
    int last = first;
    while (last + 1 < Layout.size() && Layout[last + 1] == c) ++last;
    Letter = c;
    Start = first + 1;
    Length = last - first + 1;
    return true;
}

bool IncrementTextElementVz(String& Text, const String& Layout, int Pos, bool Increment, int& Start, int& Length) {
    Char letter;
    if (!FindLayoutElementVz(Layout, Pos, letter, Start, Length)) return false;
    int v = StrToIntDef(Text.mid(Start - 1, Length).trimmed(), 0);
    int low = 1, high = 31;
    switch (letter.unicode()) {
    case u'D': break;
    case u'M': high = 12; break;
    // A two-digit year keeps its two positions: it wraps within 00..99.
    case u'Y': low = Length == 2 ? 0 : 1; high = Length == 2 ? 99 : 9999; break;
    case u'H': low = 0; high = 23; break;
    default: low = 0; high = 59; break;
    }
    if (Increment) v = v >= high ? low : std::max(v + 1, low);
    else v = v <= low ? high : std::min(v - 1, high);
    String digits = FormatFloat(String(Length, u'0'), v);
    while (Text.size() < Start - 1 + Length) Text += u' ';
    Text.replace(Start - 1, Length, digits);
    return true;
}
