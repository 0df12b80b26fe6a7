#include "platform/gui/maskutils.h"

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

namespace {

// The character at a 1-based index, or #0 outside the string.
Char At(const String& s, int i) { return (i >= 1 && i <= s.size()) ? s[i - 1] : Char(); }

bool IsDigit(Char c) { return c >= u'0' && c <= u'9'; }

}  // namespace

String SMaskEditErr() { return QStringLiteral("Invalid input value.  Use escape key to abandon changes"); }
String SMaskErr() { return QStringLiteral("Invalid input value"); }

TMaskCharType MaskGetCharType(const String& EditMask, int MaskOffset) {
    const int len = static_cast<int>(EditMask.size());
    if (MaskOffset < 1 || MaskOffset > len) return mcNone;
    const Char c = EditMask[MaskOffset - 1];
    // Escaped by a backslash that is not itself escaped.
    if (MaskOffset > 1 && At(EditMask, MaskOffset - 1) == mDirLiteral &&
        !(MaskOffset > 2 && At(EditMask, MaskOffset - 2) == mDirLiteral))
        return mcLiteral;
    if (c == MaskFieldSeparator && len >= 4 && MaskOffset > len - 4) return mcFieldSeparator;
    if (len >= 4 && MaskOffset > len - 4 && MaskOffset > 1 && At(EditMask, MaskOffset - 1) == MaskFieldSeparator &&
        !(MaskOffset > 2 && At(EditMask, MaskOffset - 2) == mDirLiteral))
        return mcField;
    if (c == mMskTimeSeparator || c == mMskDateSeparator) return mcIntlLiteral;
    if (c == mDirReverse || c == mDirUpperCase || c == mDirLowerCase || c == mDirLiteral) return mcDirective;
    if (c == mMskAlphaOpt || c == mMskAlphaNumOpt || c == mMskAsciiOpt || c == mMskNumSymOpt || c == mMskNumericOpt)
        return mcMaskOpt;
    if (c == mMskAlpha || c == mMskAlphaNum || c == mMskAscii || c == mMskNumeric) return mcMask;
    return mcLiteral;
}

TMaskDirectives MaskGetCurrentDirectives(const String& EditMask, int MaskOffset) {
    TMaskDirectives result;
    const int len = static_cast<int>(EditMask.size());
    for (int i = 1; i <= len; ++i) {
        const Char c = EditMask[i - 1];
        // An escaped '!', '>' or '<' is a literal, not a directive.
        if (c != mDirReverse && c != mDirUpperCase && c != mDirLowerCase) continue;
        if (MaskGetCharType(EditMask, i) != mcDirective) continue;
        if (c == mDirReverse) {
            result.Include(mdReverseDir);
        } else if (c == mDirUpperCase && i < MaskOffset) {
            result.Exclude(mdLowerCase);
            if (!(i > 1 && At(EditMask, i - 1) == mDirLowerCase)) result.Include(mdUpperCase);
        } else if (c == mDirLowerCase && i < MaskOffset) {
            result.Exclude(mdUpperCase);
            result.Include(mdLowerCase);
        }
    }
    if (MaskGetCharType(EditMask, MaskOffset) == mcLiteral) result.Include(mdLiteralChar);
    return result;
}

Char MaskIntlLiteralToChar(Char IChar) {
    if (IChar == mMskTimeSeparator) return FormatSettings.TimeSeparator;
    if (IChar == mMskDateSeparator) return FormatSettings.DateSeparator;
    return IChar;
}

Char MaskLiteralChar(const String& EditMask, int MaskOffset) {
    const Char c = At(EditMask, MaskOffset);
    const bool escaped = MaskOffset > 1 && At(EditMask, MaskOffset - 1) == mDirLiteral &&
                         MaskGetCharType(EditMask, MaskOffset - 1) == mcDirective;
    if (escaped) return c;
    if (c == mMskBlank) return u' ';
    return MaskIntlLiteralToChar(c);
}

int MaskGetFldSeparator(const String& EditMask) {
    const int len = static_cast<int>(EditMask.size());
    if (len < 4) return -1;
    for (int i = len - 4; i <= len; ++i)
        if (MaskGetCharType(EditMask, i) == mcFieldSeparator) return i;
    return -1;
}

bool MaskGetMaskSave(const String& EditMask) {
    const int len = static_cast<int>(EditMask.size());
    if (len < 4) return true;
    int sep1 = -1, sep2 = -1;
    int i = len;
    while (sep2 < 0) {
        if (MaskGetCharType(EditMask, i) == mcFieldSeparator) {
            if (sep1 < 0)
                sep1 = i;
            else
                sep2 = i;
        }
        --i;
        if (i <= 0 || i < len - 4) break;
    }
    if (sep2 < 0) sep2 = sep1;
    if (sep2 > 0 && sep2 != len) return At(EditMask, sep2 + 1) != MaskNoSave;
    return true;
}

Char MaskGetMaskBlank(const String& EditMask) {
    const int len = static_cast<int>(EditMask.size());
    if (len < 4) return DefaultBlank;
    // The blank field counts only after a save field.
    if (MaskGetCharType(EditMask, len - 1) == mcFieldSeparator &&
        (MaskGetCharType(EditMask, len - 2) == mcFieldSeparator || MaskGetCharType(EditMask, len - 3) == mcFieldSeparator))
        return EditMask[len - 1];
    return DefaultBlank;
}

int MaskOffsetToOffset(const String& EditMask, int MaskOffset) {
    int result = 0;
    const int last = std::min<int>(MaskOffset, static_cast<int>(EditMask.size()));
    for (int i = 1; i <= last; ++i) {
        const TMaskCharType t = MaskGetCharType(EditMask, i);
        if (t != mcDirective && t != mcField && t != mcFieldSeparator) ++result;
    }
    return result;
}

int OffsetToMaskOffset(const String& EditMask, int Offset) {
    const int maxChars = MaskOffsetToOffset(EditMask, static_cast<int>(EditMask.size()));
    if (Offset > maxChars || Offset < 0) return -1;
    int result = 0;
    int count = Offset;
    for (int i = 1; i <= EditMask.size(); ++i) {
        ++result;
        if (MaskGetCharType(EditMask, i) != mcDirective) {
            --count;
            if (count < 0) return result;
        }
    }
    return result;
}

bool IsLiteralChar(const String& EditMask, int Offset) {
    const int maskOffset = OffsetToMaskOffset(EditMask, Offset);
    if (maskOffset < 0) return false;
    const TMaskCharType t = MaskGetCharType(EditMask, maskOffset);
    return t == mcLiteral || t == mcIntlLiteral;
}

String MaskDoFormatText(const String& EditMask, const String& Value, Char Blank) {
    String result = Value;
    const int maskLen = static_cast<int>(EditMask.size());
    if (!MaskGetCurrentDirectives(EditMask, 1).Contains(mdReverseDir)) {
        // From the start: literals go in, blanks pad the end.
        int offset = 1;
        for (int m = 1; m <= maskLen; ++m) {
            const TMaskCharType t = MaskGetCharType(EditMask, m);
            if (t == mcLiteral || t == mcIntlLiteral) {
                result.insert(std::min<int>(offset - 1, static_cast<int>(result.size())), MaskLiteralChar(EditMask, m));
                ++offset;
            } else if (t == mcMask || t == mcMaskOpt) {
                if (offset > result.size()) result += Blank;
                ++offset;
            }
        }
    } else {
        // From the end: literals go in, blanks pad the start.
        int offset = static_cast<int>(result.size());
        for (int m = maskLen; m >= 1; --m) {
            const TMaskCharType t = MaskGetCharType(EditMask, m);
            if (t == mcLiteral || t == mcIntlLiteral) {
                result.insert(std::max(offset, 0), MaskLiteralChar(EditMask, m));
            } else if (t == mcMask || t == mcMaskOpt) {
                if (offset < 1)
                    result.prepend(Blank);
                else
                    --offset;
            }
        }
    }
    return result;
}

namespace {

// Pads or cuts the sub-field Value[StartFld .. StopFld-1] to Len characters.
String PadSubField(const String& EditMask, const String& Value, int StartFld, int StopFld, int Len, Char Blank) {
    const bool reverse = MaskGetCurrentDirectives(EditMask, 1).Contains(mdReverseDir);
    if (StopFld - StartFld < Len) {
        const int startPad = reverse ? StartFld - 1 : StopFld - 1;
        return Copy(Value, 1, startPad) + String(Len - (StopFld - StartFld), Blank) + Copy(Value, startPad + 1);
    }
    if (StopFld - StartFld > Len) {
        if (reverse) return Copy(Value, 1, StartFld - 1) + Copy(Value, StopFld - Len);
        return Copy(Value, 1, StartFld + Len - 1) + Copy(Value, StopFld);
    }
    return Value;
}

}  // namespace

String PadInputLiterals(const String& EditMask, const String& Value, Char Blank) {
    int lastLiteral = 0;
    String result = Value;
    const int maskLen = static_cast<int>(EditMask.size());
    for (int m = 1; m <= maskLen; ++m) {
        const TMaskCharType t = MaskGetCharType(EditMask, m);
        if (t == mcLiteral || t == mcIntlLiteral) {
            const int offset = MaskOffsetToOffset(EditMask, m);
            const Char lit = MaskLiteralChar(EditMask, m);
            int endSubFld = static_cast<int>(result.size()) + 1;
            for (int j = lastLiteral + 1; j <= result.size(); ++j) {
                if (result[j - 1] == lit) {
                    endSubFld = j;
                    break;
                }
            }
            // A sub-field without its closing literal gets one.
            if (endSubFld > result.size()) result += lit;
            result = PadSubField(EditMask, result, lastLiteral + 1, endSubFld, offset - (lastLiteral + 1), Blank);
            lastLiteral = offset;
        } else if (t == mcFieldSeparator || t == mcField) {
            break;
        }
    }
    const int maxChars = MaskOffsetToOffset(EditMask, maskLen);
    if (result.size() != maxChars)
        result = PadSubField(EditMask, result, lastLiteral + 1, static_cast<int>(result.size()) + 1, maxChars - lastLiteral,
                             Blank);
    // Spaces in positions that take input show the blank; literal spaces stay.
    for (int j = 0; j < result.size(); ++j)
        if (result[j] == u' ' && !IsLiteralChar(EditMask, j)) result[j] = Blank;
    return result;
}

String FormatMaskText(const String& EditMask, const String& Value) {
    if (MaskGetMaskSave(EditMask)) return PadInputLiterals(EditMask, Value, u' ');
    return MaskDoFormatText(EditMask, Value, u' ');
}

// ---- TMaskEngine -------------------------------------------------------------------------------

void TMaskEngine::SetEditMask(const String& Value) {
    if (Value == FEditMask) return;
    const String oldText = RemoveEditFormat(FEditText);
    FEditMask = Value;
    FMaxChars = MaskOffsetToOffset(FEditMask, static_cast<int>(FEditMask.size()));
    FMaskSave = MaskGetMaskSave(FEditMask);
    FMaskBlank = MaskGetMaskBlank(FEditMask);
    SetEditText(AddEditFormat(oldText, true));
}

void TMaskEngine::SetEditText(const String& Value) {
    String v = Value;
    if (IsMasked()) {
        // A masked text always has one character per position: cut, or complete with blanks and
        // the literals of the missing positions.
        if (v.size() > FMaxChars) v.truncate(FMaxChars);
        for (int i = static_cast<int>(v.size()); i < FMaxChars; ++i) {
            const int m = OffsetToMaskOffset(FEditMask, i);
            const TMaskCharType t = MaskGetCharType(FEditMask, m);
            v += (t == mcLiteral || t == mcIntlLiteral) ? MaskLiteralChar(FEditMask, m) : FMaskBlank;
        }
    }
    const bool changed = v != FEditText;
    FEditText = v;
    FOldValue = v;
    FModified = false;
    if (IsMasked())
        SetCursor(0);
    else
        SetSel(static_cast<int>(v.size()), 0);
    if (changed && OnChange) OnChange();
}

String TMaskEngine::Text() const {
    if (!IsMasked()) return FEditText;
    String result = RemoveEditFormat(FEditText);
    if (FMaskSave) result = AddEditFormat(result, false);
    return result;
}

void TMaskEngine::SetText(const String& Value) {
    if (!IsMasked()) {
        SetEditText(Value);
        return;
    }
    SetEditText(FMaskSave ? PadInputLiterals(FEditMask, Value, FMaskBlank) : AddEditFormat(Value, true));
}

String TMaskEngine::RemoveEditFormat(const String& Value) const {
    String result = Value;
    int offset = 1;
    for (int m = 1; m <= FEditMask.size(); ++m) {
        const TMaskCharType t = MaskGetCharType(FEditMask, m);
        if (t == mcLiteral || t == mcIntlLiteral) Delete(result, offset, 1);
        if (t == mcMask || t == mcMaskOpt) ++offset;
    }
    if (MaskGetCurrentDirectives(FEditMask, 1).Contains(mdReverseDir)) {
        int n = 0;
        while (n < result.size() && result[n] == FMaskBlank) ++n;
        result.remove(0, n);
    } else {
        while (!result.isEmpty() && result.back() == FMaskBlank) result.chop(1);
    }
    if (FMaskBlank != u' ') result.replace(FMaskBlank, u' ');
    return result;
}

String TMaskEngine::AddEditFormat(const String& Value, bool Active) const {
    return MaskDoFormatText(FEditMask, Value, Active ? FMaskBlank : Char(u' '));
}

void TMaskEngine::SetSel(int AStart, int ALength) {
    const int len = static_cast<int>(FEditText.size());
    AStart = std::clamp(AStart, 0, len);
    ALength = std::clamp(ALength, 0, len - AStart);
    FSelStart = AStart;
    FSelLength = ALength;
}

void TMaskEngine::SetCursor(int Pos) {
    if (!IsMasked()) {
        SetSel(Pos, 0);
        return;
    }
    int start = std::max(Pos, 0);
    if (start >= FMaxChars)
        SetSel(FMaxChars, 0);
    else
        SetSel(start, 1);
}

void TMaskEngine::SetModified(bool Value) {
    FModified = Value;
    if (!Value) FOldValue = FEditText;
}

int TMaskEngine::GetNextEditChar(int Offset) const {
    int result = Offset;
    while (result < FMaxChars && IsLiteralChar(FEditMask, result)) ++result;
    return result;
}

int TMaskEngine::GetPriorEditChar(int Offset) const {
    int result = Offset;
    while (result >= 0 && IsLiteralChar(FEditMask, result)) --result;
    if (result < 0) result = GetNextEditChar(result + 1);
    return result;
}

void TMaskEngine::CursorInc(int CursorPos, int Incr) {
    int nuPos = GetNextEditChar(CursorPos + Incr);
    if (IsLiteralChar(FEditMask, nuPos)) nuPos = CursorPos;
    SetCursor(nuPos);
}

void TMaskEngine::CursorDec(int CursorPos) { SetCursor(GetPriorEditChar(CursorPos - 1)); }

void TMaskEngine::ChangeText(const String& Value) {
    if (Value == FEditText) return;
    FEditText = Value;
    FModified = true;
    if (OnChange) OnChange();
}

bool TMaskEngine::DoInputChar(Char& NewChar, int MaskOffset) const {
    const TMaskCharType t = MaskGetCharType(FEditMask, MaskOffset);
    if (t == mcLiteral || t == mcIntlLiteral) {
        NewChar = MaskLiteralChar(FEditMask, MaskOffset);
        return true;
    }
    const TMaskDirectives dir = MaskGetCurrentDirectives(FEditMask, MaskOffset);
    auto applyCase = [&] {
        if (dir.Contains(mdUpperCase))
            NewChar = String(NewChar).toUpper().at(0);
        else if (dir.Contains(mdLowerCase))
            NewChar = String(NewChar).toLower().at(0);
    };
    const Char m = FEditMask[MaskOffset - 1];
    if (m == mMskNumeric || m == mMskNumericOpt) return IsDigit(NewChar);
    if (m == mMskNumSymOpt) return IsDigit(NewChar) || NewChar == u' ' || NewChar == u'+' || NewChar == u'-';
    if (m == mMskAscii || m == mMskAsciiOpt) {
        if (NewChar.isLetter()) applyCase();
        return true;
    }
    if (m == mMskAlpha || m == mMskAlphaOpt || m == mMskAlphaNum || m == mMskAlphaNumOpt) {
        if (!NewChar.isLetter()) return (m == mMskAlphaNum || m == mMskAlphaNumOpt) && NewChar.isLetterOrNumber();
        applyCase();
        return true;
    }
    return false;
}

bool TMaskEngine::FindLiteralChar(int MaskOffset, Char InChar, int& LiteralOffset) const {
    while (MaskOffset < FEditMask.size()) {
        ++MaskOffset;
        const TMaskCharType t = MaskGetCharType(FEditMask, MaskOffset);
        if (t == mcLiteral || t == mcIntlLiteral) {
            LiteralOffset = MaskOffsetToOffset(FEditMask, MaskOffset) - 1;
            return MaskLiteralChar(FEditMask, MaskOffset) == InChar;
        }
        if (t == mcFieldSeparator) return false;
    }
    return false;
}

void TMaskEngine::BlankRange(String& Value, int Offset, int Len) const {
    for (int i = Offset; i < Offset + Len && i < Value.size(); ++i) {
        const int m = OffsetToMaskOffset(FEditMask, i);
        const TMaskCharType t = MaskGetCharType(FEditMask, m);
        if (t == mcMask || t == mcMaskOpt) Value[i] = FMaskBlank;
    }
}

bool TMaskEngine::InputChar(Char Ch) {
    if (FReadOnly) return false;
    // Control characters are keys, never text.
    if (Ch.unicode() < 0x20) return false;
    if (!IsMasked()) {
        String s = FEditText;
        s.replace(FSelStart, FSelLength, String(Ch));
        ChangeText(s);
        SetSel(FSelStart + 1, 0);
        return true;
    }
    if (FSelLength > 1) {
        const int start = FSelStart;
        ClearSelection();
        SetSel(GetNextEditChar(start), 0);
    }
    int offset = FSelStart;
    if (offset >= FMaxChars) return false;
    int maskOffset = OffsetToMaskOffset(FEditMask, offset);
    TMaskCharType t = MaskGetCharType(FEditMask, maskOffset);
    if (t == mcLiteral || t == mcIntlLiteral) {
        // The caret rests on a literal: typing that literal steps over it, anything else goes
        // to the next position that takes input.
        if (MaskLiteralChar(FEditMask, maskOffset) == Ch) {
            CursorInc(offset, 1);
            return true;
        }
        offset = GetNextEditChar(offset);
        if (offset >= FMaxChars || IsLiteralChar(FEditMask, offset)) return false;
        maskOffset = OffsetToMaskOffset(FEditMask, offset);
    }
    Char c = Ch;
    if (!DoInputChar(c, maskOffset)) {
        int literalOffset = -1;
        if (FindLiteralChar(maskOffset, Ch, literalOffset)) {
            // The separator that ends this field: the rest of the field stays empty.
            String s = FEditText;
            BlankRange(s, offset, literalOffset - offset);
            ChangeText(s);
            CursorInc(literalOffset, 1);
            return true;
        }
        return false;
    }
    String s = FEditText;
    s[offset] = c;
    ChangeText(s);
    CursorInc(offset + 1, 0);
    return true;
}

void TMaskEngine::ClearSelection() {
    if (FReadOnly || FSelLength < 1) return;
    const int start = FSelStart;
    String s = FEditText;
    if (IsMasked())
        BlankRange(s, start, FSelLength);
    else
        s.remove(start, FSelLength);
    ChangeText(s);
    if (IsMasked())
        SetCursor(start);
    else
        SetSel(start, 0);
}

void TMaskEngine::DeleteKeys(Word CharCode) {
    if (FReadOnly) return;
    if (FSelLength <= 1 && CharCode == VK_BACK) {
        const int before = FSelStart;
        CursorDec(FSelStart);
        if (FSelStart == before) return;
    }
    if (FSelLength < 1) return;
    const int start = FSelStart;
    const int len = FSelLength;
    String s = FEditText;
    BlankRange(s, start, len);
    ChangeText(s);
    SetCursor(len != 1 ? GetNextEditChar(start) : start);
}

void TMaskEngine::ArrowKeys(Word CharCode, TShiftState Shift) {
    if (Shift.Contains(ssCtrl)) return;
    if (Shift.Contains(ssShift)) {
        if (CharCode == VK_RIGHT)
            SetSel(FSelStart, FSelLength + 1);
        else if (FSelLength > 1)
            SetSel(FSelStart, FSelLength - 1);
        else if (FSelStart > 0)
            SetSel(FSelStart - 1, FSelLength + 1);
        return;
    }
    if (FSelLength > 1) {
        // A wider selection collapses onto its first (Left) or last (Right) character.
        SetCursor(CharCode == VK_LEFT ? FSelStart : FSelStart + FSelLength - 1);
    } else if (CharCode == VK_LEFT) {
        CursorDec(FSelStart);
    } else if (FSelLength == 0) {
        SetCursor(FSelStart);
    } else {
        CursorInc(FSelStart, 1);
    }
}

bool TMaskEngine::KeyDown(Word& Key, TShiftState Shift) {
    if (!IsMasked() || Key == 0 || Shift.Contains(ssAlt)) return false;
    if (Key == VK_LEFT || Key == VK_RIGHT) {
        ArrowKeys(Key, Shift);
        if (!Shift.Contains(ssCtrl)) {
            Key = 0;
            return true;
        }
        return false;
    }
    if (Key == VK_UP || Key == VK_DOWN) {
        Key = 0;
        return true;
    }
    if (Key == VK_HOME || Key == VK_END) {
        const bool home = Key == VK_HOME;
        if (Shift.Contains(ssShift)) {
            if (home)
                SetSel(0, FSelStart + std::max(FSelLength, 1));
            else
                SetSel(FSelStart, FMaxChars - FSelStart);
        } else {
            SetCursor(home ? 0 : FMaxChars);
        }
        Key = 0;
        return true;
    }
    if ((Key == VK_DELETE && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl)) || Key == VK_BACK) {
        DeleteKeys(Key);
        Key = 0;
        return true;
    }
    return false;
}

bool TMaskEngine::KeyPress(Char& Key) {
    if (!IsMasked() || Key.isNull()) return false;
    const ushort k = Key.unicode();
    if (k == 3 || k == 22 || k == 24) return false;  // Ctrl+C, Ctrl+V, Ctrl+X: the clipboard's
    Key = Char();
    if (k == VK_ESCAPE) {
        Reset();
        return true;
    }
    if (FReadOnly || k == VK_BACK) return true;
    if (k == VK_RETURN) {
        ValidateEdit();
        return true;
    }
    InputChar(Char(k));
    return true;
}

void TMaskEngine::Paste(const String& Value) {
    if (FReadOnly) return;
    if (!IsMasked()) {
        String s = FEditText;
        s.replace(FSelStart, FSelLength, Value);
        ChangeText(s);
        SetSel(FSelStart + static_cast<int>(Value.size()), 0);
        return;
    }
    const int offset = FSelStart;
    String str = FEditText;
    BlankRange(str, offset, FSelLength);
    if (Value.isEmpty() || offset >= FMaxChars) {
        ChangeText(str);
        SetCursor(offset);
        return;
    }
    // Fit the pasted characters position by position; a missing literal is supplied.
    String newVal = Value;
    int newOffset = 0;  // 0-based into newVal
    for (int m = OffsetToMaskOffset(FEditMask, offset); m <= FEditMask.size(); ++m) {
        const TMaskCharType t = MaskGetCharType(FEditMask, m);
        if (t == mcLiteral || t == mcIntlLiteral || t == mcMask || t == mcMaskOpt) {
            const Char given = newVal[newOffset];
            Char c = given;
            if (!DoInputChar(c, m)) c = FMaskBlank;
            if ((t == mcLiteral || t == mcIntlLiteral) && c != given)
                newVal.insert(newOffset, c);
            else
                newVal[newOffset] = c;
            ++newOffset;
        }
        if (newOffset + offset >= FMaxChars) break;
        if (newOffset >= newVal.size()) break;
    }
    if (newVal.size() > FMaxChars - offset) newVal.truncate(FMaxChars - offset);
    str = str.left(offset) + newVal + str.mid(offset + newVal.size());
    ChangeText(str);
    const int next = GetNextEditChar(offset + static_cast<int>(newVal.size()));
    SetCursor(next);
}

void TMaskEngine::Reset() {
    if (!FModified) return;
    const bool changed = FEditText != FOldValue;
    FEditText = FOldValue;
    FModified = false;
    if (IsMasked())
        SetCursor(0);
    else
        SetSel(static_cast<int>(FEditText.size()), 0);
    if (changed && OnChange) OnChange();
}

bool TMaskEngine::Validate(const String& Value, int& Pos) const {
    int offset = 1;
    for (int m = 1; m <= FEditMask.size(); ++m) {
        const TMaskCharType t = MaskGetCharType(FEditMask, m);
        if (t == mcLiteral || t == mcIntlLiteral || t == mcMaskOpt) {
            ++offset;
        } else if (t == mcMask && !Value.isEmpty()) {
            // A position past the end of a short text counts as blank.
            const Char c = At(Value, offset);
            if (c.isNull() || c == FMaskBlank || (c == u' ' && FEditMask[m - 1] != mMskAscii)) {
                Pos = offset - 1;
                return false;
            }
            ++offset;
        }
    }
    return true;
}

void TMaskEngine::ValidateEdit() {
    if (!IsMasked() || !FModified) return;
    int pos = 0;
    if (!Validate(FEditText, pos)) {
        SetCursor(pos);
        throw EDBEditError(SMaskEditErr());
    }
}
