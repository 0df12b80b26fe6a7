// Edit masks: the mask syntax of masked edits, the routines that format a value by a mask, and
// TMaskEngine, the state machine behind a masked edit (edit text, caret, typing, deleting,
// pasting, validation). The control wrapper only forwards keys and shows EditText().
//
// A mask has up to three parts separated by ';': the mask itself, the save-literals flag ('0' do
// not keep literal characters in Text, anything else keeps them; default keep) and the blank
// character shown in empty positions (default '_'). Mask characters:
//   !  drop leading blanks of the value instead of trailing ones (the value is right-aligned)
//   >  upper case for the following characters until <     <  lower case     <>  no case change
//   \  the next character is a literal
//   L  letter required          l  letter optional
//   A  letter or digit required a  letter or digit optional
//   C  any character required   c  any character optional
//   0  digit required           9  digit optional          #  digit, '+', '-' or blank optional
//   :  the time separator of FormatSettings    /  the date separator of FormatSettings
//   _  a literal shown as a space
// Any other character is a literal. Offsets into the mask ("mask offsets") count from 1; offsets
// into the edit text count from 0, as the framework's routines do.
#pragma once

#include "platform/gui/messages.h"
#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"

SDELKA_EXCEPTION(EDBEditError, Exception)

constexpr Char mDirReverse = u'!';
constexpr Char mDirUpperCase = u'>';
constexpr Char mDirLowerCase = u'<';
constexpr Char mDirLiteral = u'\\';
constexpr Char mMskAlpha = u'L';
constexpr Char mMskAlphaOpt = u'l';
constexpr Char mMskAlphaNum = u'A';
constexpr Char mMskAlphaNumOpt = u'a';
constexpr Char mMskAscii = u'C';
constexpr Char mMskAsciiOpt = u'c';
constexpr Char mMskNumeric = u'0';
constexpr Char mMskNumericOpt = u'9';
constexpr Char mMskNumSymOpt = u'#';
constexpr Char mMskTimeSeparator = u':';
constexpr Char mMskDateSeparator = u'/';
constexpr Char mMskBlank = u'_';
constexpr Char DefaultBlank = u'_';
constexpr Char MaskFieldSeparator = u';';
constexpr Char MaskNoSave = u'0';

enum TMaskCharType { mcNone, mcLiteral, mcIntlLiteral, mcDirective, mcMask, mcMaskOpt, mcFieldSeparator, mcField };
enum TMaskDirective { mdReverseDir, mdUpperCase, mdLowerCase, mdLiteralChar };
using TMaskDirectives = TSet<TMaskDirective>;

// The message ValidateEdit raises for a required position left blank.
String SMaskEditErr();
// The message a Text assignment raises at design time.
String SMaskErr();

// What the mask character at MaskOffset (1-based) is; mcNone past the end.
TMaskCharType MaskGetCharType(const String& EditMask, int MaskOffset);
// The directives in force at MaskOffset ('!' anywhere counts; case directives before MaskOffset),
// plus mdLiteralChar when the character there is a literal.
TMaskDirectives MaskGetCurrentDirectives(const String& EditMask, int MaskOffset);
// ':' and '/' become the separators of FormatSettings; other characters stay.
Char MaskIntlLiteralToChar(Char IChar);
// The character a literal or international literal at MaskOffset shows in the edit text
// (an unescaped '_' shows as a space).
Char MaskLiteralChar(const String& EditMask, int MaskOffset);
// The mask offset of the first field separator (-1 when the mask has none).
int MaskGetFldSeparator(const String& EditMask);
// False when the save field is '0' (literals are not stored in Text).
bool MaskGetMaskSave(const String& EditMask);
// The blank character (default '_'); it needs a save field before it.
Char MaskGetMaskBlank(const String& EditMask);
// Number of edit-text characters up to and including MaskOffset.
int MaskOffsetToOffset(const String& EditMask, int MaskOffset);
// The mask offset of the edit-text position Offset (0-based); -1 past the end.
int OffsetToMaskOffset(const String& EditMask, int Offset);
// True when the edit-text position Offset (0-based) holds a literal.
bool IsLiteralChar(const String& EditMask, int Offset);

// Inserts the literals of the mask into a value that does not have them and pads it with Blank
// (at the end, or at the start with '!').
String MaskDoFormatText(const String& EditMask, const String& Value, Char Blank);
// Aligns a value that carries its literals to the mask: each sub-field between literals is
// padded or cut to its width, missing literals are added, spaces become Blank.
String PadInputLiterals(const String& EditMask, const String& Value, Char Blank);
// The value formatted by the mask with blanks shown as spaces: PadInputLiterals for a mask that
// saves its literals, MaskDoFormatText for one that does not.
String FormatMaskText(const String& EditMask, const String& Value);

// The engine of a masked edit. Without a mask it is a plain text holder (typing inserts).
// With a mask the edit text always has MaxChars() characters; the caret is a selection of one
// character (typing overwrites it), or an empty selection at the end.
class TMaskEngine {
public:
    TMaskEngine() = default;
    explicit TMaskEngine(const String& AEditMask) { SetEditMask(AEditMask); }

    const String& EditMask() const { return FEditMask; }
    // Changes the mask, keeping the value: the old edit text loses its format and gets the new one.
    void SetEditMask(const String& Value);
    bool IsMasked() const { return !FEditMask.isEmpty(); }
    int MaxChars() const { return FMaxChars; }
    bool MaskSave() const { return FMaskSave; }
    Char MaskBlank() const { return FMaskBlank; }

    // The text as shown, with literals and blanks.
    const String& EditText() const { return FEditText; }
    // Sets the shown text as is (a masked edit text is cut or padded with blanks to MaxChars());
    // the caret goes to the first position and the text becomes the unmodified original
    // (Modified() false, as a window-text assignment leaves an edit).
    void SetEditText(const String& Value);
    // The value: blanks removed (trailing, or leading with '!'), other blanks as spaces, literals
    // kept (as spaces for blank positions) only when the mask saves them.
    String Text() const;
    // Sets the value: a value with literals (save mask) is aligned by PadInputLiterals, one without
    // is formatted by MaskDoFormatText.
    void SetText(const String& Value);

    int SelStart() const { return FSelStart; }
    int SelLength() const { return FSelLength; }
    void SetSel(int AStart, int ALength);
    // The caret as the framework puts it: the character at Pos selected, or the end.
    void SetCursor(int Pos);

    bool Modified() const { return FModified; }
    void SetModified(bool Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }

    // KeyDown of the masked edit: Left/Right move over literals, Home/End, Up/Down are eaten,
    // Delete and Backspace blank characters. Returns true and sets Key to 0 when it consumed it.
    bool KeyDown(Word& Key, TShiftState Shift);
    // KeyPress: Esc resets, Enter validates (may raise EDBEditError), any other character is
    // typed. Ctrl+C/V/X pass through. Returns true when consumed (Key becomes #0).
    bool KeyPress(Char& Key);
    // Types one character at the caret. A selection wider than one character is blanked first.
    // False when the character does not fit the position (the keystroke is refused). Typing the
    // next literal of the mask at an optional or required position blanks the positions up to it
    // and moves the caret past it.
    bool InputChar(Char Ch);
    // Pastes text at the caret: characters are fitted position by position, those that do not fit
    // become blanks, literals missing from the text are supplied.
    void Paste(const String& Value);
    // Blanks the selected positions (literals stay); the caret goes to the first one.
    void ClearSelection();
    // The control got the focus: the current text becomes the one Esc restores.
    void Enter() { FOldValue = FEditText; }
    // Esc: a modified text goes back to the one saved by Enter (or the last SetEditText/SetText).
    void Reset();

    // Checks that no required position is blank; Pos receives the offending position.
    bool Validate(const String& Value, int& Pos) const;
    // The framework's ValidateEdit: a modified masked text that fails Validate puts the caret on
    // the offending position and raises EDBEditError.
    void ValidateEdit();

    // The value part of an edit text (literals taken out, blanks trimmed as the mask directs).
    String RemoveEditFormat(const String& Value) const;
    // A value formatted for display (Active: with the mask's blank) or as Text (spaces).
    String AddEditFormat(const String& Value, bool Active) const;

    // Called after every change of the edit text made by the engine.
    TEvent<void()> OnChange;

private:
    int GetNextEditChar(int Offset) const;
    int GetPriorEditChar(int Offset) const;
    void CursorInc(int CursorPos, int Incr);
    void CursorDec(int CursorPos);
    bool DoInputChar(Char& NewChar, int MaskOffset) const;
    bool FindLiteralChar(int MaskOffset, Char InChar, int& LiteralOffset) const;
    void BlankRange(String& Value, int Offset, int Len) const;
    void DeleteKeys(Word CharCode);
    void ArrowKeys(Word CharCode, TShiftState Shift);
    void ChangeText(const String& Value);

    String FEditMask;
    String FEditText;
    String FOldValue;
    int FMaxChars = 0;
    bool FMaskSave = true;
    Char FMaskBlank = DefaultBlank;
    int FSelStart = 0;
    int FSelLength = 0;
    bool FModified = false;
    bool FReadOnly = false;
};
