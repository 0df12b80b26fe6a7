#include "platform/gui/shortcuts.h"

namespace {

const char* const KeyCaps[] = {"BkSp", "Tab", "Esc", "Enter", "Space", "PgUp", "PgDn", "End", "Home",
                               "Left", "Up",  "Right", "Down", "Ins", "Del"};
enum { mkcBkSp, mkcTab, mkcEsc, mkcEnter, mkcSpace, mkcPgUp, mkcPgDn, mkcEnd, mkcHome,
       mkcLeft, mkcUp, mkcRight, mkcDown, mkcIns, mkcDel };

const String SmkcShift = QStringLiteral("Shift+");
const String SmkcCtrl = QStringLiteral("Ctrl+");
const String SmkcAlt = QStringLiteral("Alt+");

// The names of the keys that have no caption of their own: as the keyboard shows them.
String SpecialName(Word Key) {
    switch (Key) {
        case VK_MULTIPLY: return QStringLiteral("Num *");
        case VK_ADD: return QStringLiteral("Num +");
        case VK_SUBTRACT: return QStringLiteral("Num -");
        case VK_DECIMAL: return QStringLiteral("Num Del");
        case VK_DIVIDE: return QStringLiteral("Num /");
        case VK_OEM_1: return QStringLiteral(";");
        case VK_OEM_PLUS: return QStringLiteral("=");
        case VK_OEM_COMMA: return QStringLiteral(",");
        case VK_OEM_MINUS: return QStringLiteral("-");
        case VK_OEM_PERIOD: return QStringLiteral(".");
        case VK_OEM_2: return QStringLiteral("/");
        case VK_OEM_3: return QStringLiteral("`");
        case VK_OEM_4: return QStringLiteral("[");
        case VK_OEM_5: return QStringLiteral("\\");
        case VK_OEM_6: return QStringLiteral("]");
        case VK_OEM_7: return QStringLiteral("'");
        default: return String();
    }
}

String KeyName(Word Key) {
    if (Key == VK_BACK || Key == VK_TAB) return QString::fromLatin1(KeyCaps[mkcBkSp + Key - VK_BACK]);
    if (Key == VK_RETURN) return QString::fromLatin1(KeyCaps[mkcEnter]);
    if (Key == VK_ESCAPE) return QString::fromLatin1(KeyCaps[mkcEsc]);
    if (Key >= VK_SPACE && Key <= VK_DOWN) return QString::fromLatin1(KeyCaps[mkcSpace + Key - VK_SPACE]);
    if (Key == VK_INSERT || Key == VK_DELETE) return QString::fromLatin1(KeyCaps[mkcIns + Key - VK_INSERT]);
    if (Key >= 0x30 && Key <= 0x39) return QString(QChar(u'0' + (Key - 0x30)));
    if (Key >= 0x41 && Key <= 0x5A) return QString(QChar(u'A' + (Key - 0x41)));
    if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD0 + 9) return QString(QChar(u'0' + (Key - VK_NUMPAD0)));
    if (Key >= VK_F1 && Key <= VK_F24) return QStringLiteral("F%1").arg(Key - VK_F1 + 1);
    return SpecialName(Key);
}

bool CompareFront(String& Text, const String& Front) {
    if (Text.size() >= Front.size() && Text.startsWith(Front, Qt::CaseInsensitive)) {
        Text.remove(0, Front.size());
        return true;
    }
    return false;
}

}  // namespace

TShortCut ShortCut(Word Key, TShiftState Shift) {
    if (Key > 0xFF) return 0;
    TShortCut result = Key;
    if (Shift.Contains(ssShift)) result += scShift;
    if (Shift.Contains(ssCtrl)) result += scCtrl;
    if (Shift.Contains(ssAlt)) result += scAlt;
    return result;
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift) {
    Key = ShortCut & ~(scShift | scCtrl | scAlt);
    Shift = {};
    if (ShortCut & scShift) Shift.Include(ssShift);
    if (ShortCut & scCtrl) Shift.Include(ssCtrl);
    if (ShortCut & scAlt) Shift.Include(ssAlt);
}

String ShortCutToText(TShortCut ShortCut) {
    const String name = KeyName(ShortCut & 0xFF);
    if (name.isEmpty()) return String();
    String result;
    if (ShortCut & scShift) result += SmkcShift;
    if (ShortCut & scCtrl) result += SmkcCtrl;
    if (ShortCut & scAlt) result += SmkcAlt;
    return result + name;
}

TShortCut TextToShortCut(const String& Text) {
    String text = Text;
    TShortCut shift = 0;
    for (;;) {
        if (CompareFront(text, SmkcShift))
            shift |= scShift;
        else if (CompareFront(text, QStringLiteral("^")))
            shift |= scCtrl;
        else if (CompareFront(text, SmkcCtrl))
            shift |= scCtrl;
        else if (CompareFront(text, SmkcAlt))
            shift |= scAlt;
        else
            break;
    }
    if (text.isEmpty()) return 0;
    // The first key whose name matches: the main digits come before the keypad ones.
    for (Word key = 0x08; key <= 0xFF; ++key) {
        const String name = KeyName(key);
        if (!name.isEmpty() && name.compare(text, Qt::CaseInsensitive) == 0) return key | shift;
    }
    return 0;
}
