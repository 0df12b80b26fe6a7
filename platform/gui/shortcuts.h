// Keyboard shortcuts as the framework encodes them: a virtual-key code in the low byte and the
// modifier bits scShift, scCtrl, scAlt; and their English texts ("Ctrl+Shift+F5", "Alt+BkSp").
#pragma once

#include "platform/gui/messages.h"
#include "platform/rtl/system.h"

using TShortCut = Word;

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

// The shortcut of a key with modifiers (ssShift, ssCtrl, ssAlt); 0 for a key above 0xFF.
TShortCut ShortCut(Word Key, TShiftState Shift);
// Splits a shortcut into its key and modifiers.
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Shift+", "Ctrl+", "Alt+" (in that order) and the key's name; empty for a key without a name.
// Names: BkSp, Tab, Enter, Esc, Space, PgUp, PgDn, End, Home, Left, Up, Right, Down, Ins, Del,
// the letters and digits (keypad digits as digits), F1..F24, and the punctuation keys by their
// character.
String ShortCutToText(TShortCut ShortCut);
// The reverse: modifiers in any order and case ("ctrl+", "^" for Ctrl), then a key name compared
// case-insensitively. 0 when the text names no key.
TShortCut TextToShortCut(const String& Text);
