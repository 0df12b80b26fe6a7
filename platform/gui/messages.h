// Window messages: TMessage, the WM_*/CM_* numbers the code handles, virtual-key codes, shift
// states, and the posted-message queue.
//
// A window handle (HWND) is the QWidget of a TWinControl. Handles are registered while the
// widget exists, so a message posted to a handle whose window has gone is dropped, never
// delivered to a stale object. Posted messages go through our own queue (thread-safe), which can
// be peeked and purged by message number; each post wakes the Qt event loop once.
#pragma once

#include "platform/rtl/system.h"

#include <cstdint>

class QWidget;
class TObject;
class TWinControl;

using HWND = QWidget*;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// A queued message as PeekMessage returns it.
struct TMsg {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// ---- message numbers ---------------------------------------------------------------------------
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
// The look of controls changed: open windows repaint.
constexpr UINT WM_THEMECHANGED = 0x031A;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// Dialog codes answered to WM_GETDLGCODE: which keys a control keeps for itself.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;

// The framework's component messages.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 11;
constexpr UINT CM_COLORCHANGED = CM_BASE + 12;
constexpr UINT CM_FONTCHANGED = CM_BASE + 13;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 14;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 17;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 24;
constexpr UINT CM_ENTER = CM_BASE + 25;
constexpr UINT CM_EXIT = CM_BASE + 26;
constexpr UINT CM_CANCELMODE = CM_BASE + 28;
constexpr UINT CM_DIALOGKEY = CM_BASE + 30;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 31;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 36;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 62;

// ---- virtual-key codes -------------------------------------------------------------------------
constexpr Word VK_LBUTTON = 0x01;
constexpr Word VK_RBUTTON = 0x02;
constexpr Word VK_CANCEL = 0x03;
constexpr Word VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08;
constexpr Word VK_TAB = 0x09;
constexpr Word VK_CLEAR = 0x0C;
constexpr Word VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10;
constexpr Word VK_CONTROL = 0x11;
constexpr Word VK_MENU = 0x12;
constexpr Word VK_PAUSE = 0x13;
constexpr Word VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B;
constexpr Word VK_SPACE = 0x20;
constexpr Word VK_PRIOR = 0x21;
constexpr Word VK_NEXT = 0x22;
constexpr Word VK_END = 0x23;
constexpr Word VK_HOME = 0x24;
constexpr Word VK_LEFT = 0x25;
constexpr Word VK_UP = 0x26;
constexpr Word VK_RIGHT = 0x27;
constexpr Word VK_DOWN = 0x28;
constexpr Word VK_SNAPSHOT = 0x2C;
constexpr Word VK_INSERT = 0x2D;
constexpr Word VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A.
constexpr Word VK_LWIN = 0x5B;
constexpr Word VK_RWIN = 0x5C;
constexpr Word VK_APPS = 0x5D;
constexpr Word VK_NUMPAD0 = 0x60;
constexpr Word VK_NUMPAD1 = 0x61;
constexpr Word VK_NUMPAD2 = 0x62;
constexpr Word VK_NUMPAD3 = 0x63;
constexpr Word VK_NUMPAD4 = 0x64;
constexpr Word VK_NUMPAD5 = 0x65;
constexpr Word VK_NUMPAD6 = 0x66;
constexpr Word VK_NUMPAD7 = 0x67;
constexpr Word VK_NUMPAD8 = 0x68;
constexpr Word VK_NUMPAD9 = 0x69;
constexpr Word VK_MULTIPLY = 0x6A;
constexpr Word VK_ADD = 0x6B;
constexpr Word VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D;
constexpr Word VK_DECIMAL = 0x6E;
constexpr Word VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70;
constexpr Word VK_F2 = 0x71;
constexpr Word VK_F3 = 0x72;
constexpr Word VK_F4 = 0x73;
constexpr Word VK_F5 = 0x74;
constexpr Word VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76;
constexpr Word VK_F8 = 0x77;
constexpr Word VK_F9 = 0x78;
constexpr Word VK_F10 = 0x79;
constexpr Word VK_F11 = 0x7A;
constexpr Word VK_F12 = 0x7B;
constexpr Word VK_F13 = 0x7C;
constexpr Word VK_F14 = 0x7D;
constexpr Word VK_F15 = 0x7E;
constexpr Word VK_F16 = 0x7F;
constexpr Word VK_F17 = 0x80;
constexpr Word VK_F18 = 0x81;
constexpr Word VK_F19 = 0x82;
constexpr Word VK_F20 = 0x83;
constexpr Word VK_F21 = 0x84;
constexpr Word VK_F22 = 0x85;
constexpr Word VK_F23 = 0x86;
constexpr Word VK_F24 = 0x87;
constexpr Word VK_NUMLOCK = 0x90;
constexpr Word VK_SCROLL = 0x91;
constexpr Word VK_OEM_1 = 0xBA;       // ;:
constexpr Word VK_OEM_PLUS = 0xBB;    // =+
constexpr Word VK_OEM_COMMA = 0xBC;   // ,<
constexpr Word VK_OEM_MINUS = 0xBD;   // -_
constexpr Word VK_OEM_PERIOD = 0xBE;  // .>
constexpr Word VK_OEM_2 = 0xBF;       // /?
constexpr Word VK_OEM_3 = 0xC0;       // `~
constexpr Word VK_OEM_4 = 0xDB;       // [{
constexpr Word VK_OEM_5 = 0xDC;       // \|
constexpr Word VK_OEM_6 = 0xDD;       // ]}
constexpr Word VK_OEM_7 = 0xDE;       // '"

// ---- shift state and mouse buttons -------------------------------------------------------------
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Key translation, as one Qt key event becomes KeyDown then KeyPress. The virtual-key code of a
// Qt key (0 when it has none); the character KeyPress receives for it, computed from the key and
// the modifiers (Enter #13, Esc #27, Backspace #8, Tab #9, Ctrl+letter 1..26) and otherwise the
// first character of the typed text; a null character means no KeyPress.
// Letters of the Russian layout give the virtual key of their physical key (Й is 'Q'), shifted
// digits and symbols that of their unshifted key (! is '1'); keypad keys (Modifiers has
// Qt::KeypadModifier) give VK_NUMPAD0.. and the keypad operators.
Word QtKeyToVirtualKey(int QtKey, unsigned Modifiers = 0);
Char KeyToChar(int QtKey, TShiftState Shift, const String& Text);
// Shift state of Qt keyboard modifiers and mouse buttons (Qt flag values).
TShiftState QtToShiftState(unsigned Modifiers, unsigned Buttons);
// The keyboard modifiers and mouse buttons down right now, asked of the window system (not taken
// from the message being handled). SetAsyncShiftState fixes the answer (tests);
// ResetAsyncShiftState asks the window system again.
TShiftState GetAsyncShiftState();
void SetAsyncShiftState(TShiftState Value);
void ResetAsyncShiftState();

// ---- window handles and posted messages --------------------------------------------------------

// Handle registry: TWinControl registers its widget while it exists.
void RegisterWindowHandle(HWND Wnd, TWinControl* Control);
void UnregisterWindowHandle(HWND Wnd);
// The control that owns a live handle, or nullptr. UI thread only.
TWinControl* FindControl(HWND Wnd);

// Synchronous: the control's Perform. 0 for a dead handle.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Queued, from any thread; false when the handle is not a live window.
bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
// Looks for a queued message for Wnd (nullptr: any window) with a number in
// [MsgFilterMin, MsgFilterMax] (both 0: any); removes it with PM_REMOVE.
bool PeekMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax, UINT RemoveMsg);
// Removes every queued message with this number (for Wnd, or any window when nullptr); returns
// how many were removed.
int PurgeMessages(UINT Msg, HWND Wnd = nullptr);
// Number of messages waiting in the queue.
int PostedMessageCount();
// Delivers the queued messages that are due now (the event loop does this by itself).
void DispatchPostedMessages();

// Called inside a catch block of a call from Qt into the framework: hands the current exception
// to Application->HandleException (the message box shows it, EAbort stays silent).
void HandleGuardedException(TObject* Sender);

// Runs F as a call from Qt into the framework: no exception escapes.
template <class F>
void GuardedCall(TObject* Sender, F&& Fn) {
    try {
        Fn();
    } catch (...) {
        HandleGuardedException(Sender);
    }
}

// True on the thread that runs the Qt event loop (or before a Qt application exists).
bool IsUIThread();
