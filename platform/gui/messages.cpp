#include "platform/gui/messages.h"

#include "platform/gui/controls.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>

#include <deque>
#include <mutex>
#include <unordered_map>

// ---- key translation ---------------------------------------------------------------------------

namespace {

// The Russian ЙЦУКЕН layout over the physical keys: capital letter -> virtual key.
Word CyrillicVirtualKey(int U) {
    static const struct {
        char16_t Letter;
        Word Key;
    } table[] = {
        {u'Й', 'Q'}, {u'Ц', 'W'}, {u'У', 'E'}, {u'К', 'R'}, {u'Е', 'T'}, {u'Н', 'Y'}, {u'Г', 'U'},
        {u'Ш', 'I'}, {u'Щ', 'O'}, {u'З', 'P'}, {u'Х', VK_OEM_4}, {u'Ъ', VK_OEM_6}, {u'Ф', 'A'},
        {u'Ы', 'S'}, {u'В', 'D'}, {u'А', 'F'}, {u'П', 'G'}, {u'Р', 'H'}, {u'О', 'J'}, {u'Л', 'K'},
        {u'Д', 'L'}, {u'Ж', VK_OEM_1}, {u'Э', VK_OEM_7}, {u'Я', 'Z'}, {u'Ч', 'X'}, {u'С', 'C'},
        {u'М', 'V'}, {u'И', 'B'}, {u'Т', 'N'}, {u'Ь', 'M'}, {u'Б', VK_OEM_COMMA}, {u'Ю', VK_OEM_PERIOD},
        {u'Ё', VK_OEM_3},
    };
    for (auto& e : table)
        if (e.Letter == U) return e.Key;
    return 0;
}

}  // namespace

Word QtKeyToVirtualKey(int QtKey, unsigned Modifiers) {
    bool keypad = (Modifiers & Qt::KeypadModifier) != 0;
    if (keypad) {
        if (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9) return static_cast<Word>(VK_NUMPAD0 + (QtKey - Qt::Key_0));
        switch (QtKey) {
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Slash: return VK_DIVIDE;
        case Qt::Key_Period:
        case Qt::Key_Comma: return VK_DECIMAL;
        default: break;
        }
    }
    if (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z) return static_cast<Word>('A' + (QtKey - Qt::Key_A));
    if (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9) return static_cast<Word>('0' + (QtKey - Qt::Key_0));
    if (QtKey >= 0x400 && QtKey <= 0x42F) {
        if (Word vk = CyrillicVirtualKey(QtKey)) return vk;
    }
    if (QtKey >= 0x430 && QtKey <= 0x45F) {  // a small letter: its capital
        if (Word vk = CyrillicVirtualKey(QChar(static_cast<char16_t>(QtKey)).toUpper().unicode())) return vk;
    }
    switch (QtKey) {  // shifted digits of the US layout
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    default: break;
    }
    if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24) return static_cast<Word>(VK_F1 + (QtKey - Qt::Key_F1));
    switch (QtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_Plus: return VK_OEM_PLUS;
    case Qt::Key_Minus: return VK_OEM_MINUS;
    case Qt::Key_Slash: return VK_OEM_2;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    default: return 0;
    }
}

Char KeyToChar(int QtKey, TShiftState Shift, const String& Text) {
    switch (QtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return Shift.Contains(ssCtrl) ? Char(10) : Char(13);
    case Qt::Key_Escape: return Char(27);
    case Qt::Key_Backspace: return Shift.Contains(ssCtrl) ? Char(127) : Char(8);
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return Char(9);
    default: break;
    }
    if (Shift.Contains(ssAlt)) return Char();  // Alt combinations are system keys: no character
    if (Shift.Contains(ssCtrl)) {
        // Control characters follow the physical key, whatever the layout.
        Word vk = QtKeyToVirtualKey(QtKey);
        if (vk >= 'A' && vk <= 'Z') return Char(1 + (vk - 'A'));
        switch (vk) {
        case VK_OEM_4: return Char(27);
        case VK_OEM_5: return Char(28);
        case VK_OEM_6: return Char(29);
        default: return Char();
        }
    }
    if (Text.isEmpty()) return Char();
    Char c = Text.at(0);
    if (c.unicode() < 32 || c.unicode() == 127) return Char();
    return c;
}

TShiftState QtToShiftState(unsigned Modifiers, unsigned Buttons) {
    TShiftState s;
    if (Modifiers & Qt::ShiftModifier) s.Include(ssShift);
    if (Modifiers & Qt::AltModifier) s.Include(ssAlt);
    if (Modifiers & Qt::ControlModifier) s.Include(ssCtrl);
    if (Buttons & Qt::LeftButton) s.Include(ssLeft);
    if (Buttons & Qt::RightButton) s.Include(ssRight);
    if (Buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

namespace {
bool gAsyncShiftStateFixed = false;
TShiftState gAsyncShiftState;
}  // namespace

TShiftState GetAsyncShiftState() {
    if (gAsyncShiftStateFixed) return gAsyncShiftState;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    return QtToShiftState(static_cast<unsigned>(QGuiApplication::queryKeyboardModifiers().toInt()),
                          static_cast<unsigned>(QGuiApplication::mouseButtons().toInt()));
}

void SetAsyncShiftState(TShiftState Value) {
    gAsyncShiftState = Value;
    gAsyncShiftStateFixed = true;
}

void ResetAsyncShiftState() { gAsyncShiftStateFixed = false; }

// ---- handles and the queue ---------------------------------------------------------------------

namespace {

struct HandleEntry {
    TWinControl* Control;
    std::uint64_t Serial;
};

struct QueuedMessage {
    TMsg Msg;
    std::uint64_t Serial;
};

struct MessageState {
    std::mutex Lock;
    std::unordered_map<HWND, HandleEntry> Handles;
    std::deque<QueuedMessage> Queue;
    std::uint64_t NextSerial = 1;
};

MessageState& State() {
    static MessageState s;
    return s;
}

bool Matches(const QueuedMessage& q, HWND Wnd, UINT Min, UINT Max) {
    if (Wnd && q.Msg.hwnd != Wnd) return false;
    if (Min == 0 && Max == 0) return true;
    return q.Msg.message >= Min && q.Msg.message <= Max;
}

// The control of a handle still registered under the serial the message was posted with.
TWinControl* LiveTarget(HWND Wnd, std::uint64_t Serial) {
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    auto it = s.Handles.find(Wnd);
    if (it == s.Handles.end() || it->second.Serial != Serial) return nullptr;
    return it->second.Control;
}

void DeliverOne() {
    auto& s = State();
    QueuedMessage q;
    {
        std::lock_guard<std::mutex> g(s.Lock);
        if (s.Queue.empty()) return;
        q = s.Queue.front();
        s.Queue.pop_front();
    }
    TWinControl* c = LiveTarget(q.Msg.hwnd, q.Serial);
    if (!c) return;
    GuardedCall(c, [&] { c->Perform(q.Msg.message, q.Msg.wParam, q.Msg.lParam); });
}

}  // namespace

bool IsUIThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void RegisterWindowHandle(HWND Wnd, TWinControl* Control) {
    if (!Wnd) return;
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    s.Handles[Wnd] = HandleEntry{Control, s.NextSerial++};
}

void UnregisterWindowHandle(HWND Wnd) {
    if (!Wnd) return;
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    s.Handles.erase(Wnd);
    // Messages for the gone window are never delivered; drop them now.
    std::erase_if(s.Queue, [Wnd](const QueuedMessage& q) { return q.Msg.hwnd == Wnd; });
}

TWinControl* FindControl(HWND Wnd) {
    if (!Wnd) return nullptr;
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    auto it = s.Handles.find(Wnd);
    return it == s.Handles.end() ? nullptr : it->second.Control;
}

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWinControl* c = FindControl(Wnd);
    return c ? c->Perform(Msg, WParam, LParam) : 0;
}

bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto& s = State();
    {
        std::lock_guard<std::mutex> g(s.Lock);
        auto it = s.Handles.find(Wnd);
        if (it == s.Handles.end()) return false;
        s.Queue.push_back(QueuedMessage{TMsg{Wnd, Msg, WParam, LParam}, it->second.Serial});
    }
    if (auto* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { DeliverOne(); }, Qt::QueuedConnection);
    return true;
}

bool PeekMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax, UINT RemoveMsg) {
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    for (auto it = s.Queue.begin(); it != s.Queue.end(); ++it) {
        if (!Matches(*it, Wnd, MsgFilterMin, MsgFilterMax)) continue;
        Msg = it->Msg;
        if (RemoveMsg & PM_REMOVE) s.Queue.erase(it);
        return true;
    }
    return false;
}

int PurgeMessages(UINT Msg, HWND Wnd) {
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    return static_cast<int>(std::erase_if(s.Queue, [&](const QueuedMessage& q) {
        return q.Msg.message == Msg && (!Wnd || q.Msg.hwnd == Wnd);
    }));
}

int PostedMessageCount() {
    auto& s = State();
    std::lock_guard<std::mutex> g(s.Lock);
    return static_cast<int>(s.Queue.size());
}

void DispatchPostedMessages() {
    if (!IsUIThread()) return;
    for (int n = PostedMessageCount(); n > 0; --n) DeliverOne();
}
