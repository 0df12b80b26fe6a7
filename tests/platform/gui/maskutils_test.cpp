#include "platform/gui/maskutils.h"

#include "platform/rtl/formatsettings.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

namespace {

using sdelka::test::S;

// Types each character of Keys as a keystroke; returns the characters that were refused.
String TypeChars(TMaskEngine& e, const String& Keys) {
    String refused;
    for (Char c : Keys)
        if (!e.InputChar(c)) refused += c;
    return refused;
}

void Press(TMaskEngine& e, Word Key, TShiftState Shift = {}) {
    Word k = Key;
    e.KeyDown(k, Shift);
}

// Russian separators for every test; restored afterwards.
class MaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = FormatSettings;
        FormatSettings.DateSeparator = u'.';
        FormatSettings.TimeSeparator = u':';
    }
    void TearDown() override { FormatSettings = saved; }
    TFormatSettings saved;
};

}  // namespace

TEST_F(MaskTest, MaskParts) {
    struct Case { const char* Mask; bool Save; char16_t Blank; int FldSep; };
    const Case cases[] = {
        {"!99/99/0000;1;_", true, u'_', 12},
        {"!90:00;1;_", true, u'_', 7},
        {"000;0;*", false, u'*', 4},
        {"(999)000-0000", true, u'_', -1},
        {"00;0", false, u'_', 3},       // no blank part: the default blank
        {">LL<ll;1; ", true, u' ', 7},
        {"000\\;0", true, u'_', -1},    // an escaped ';' is a literal
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        EXPECT_EQ(MaskGetMaskSave(c.Mask), c.Save);
        EXPECT_EQ(MaskGetMaskBlank(c.Mask), QChar(c.Blank));
        EXPECT_EQ(MaskGetFldSeparator(c.Mask), c.FldSep);
    }
}

TEST_F(MaskTest, CharTypesAndDirectives) {
    const String m = ">LL<>l\\Ll:/!;0;_";
    EXPECT_EQ(MaskGetCharType(m, 1), mcDirective);
    EXPECT_EQ(MaskGetCharType(m, 2), mcMask);
    EXPECT_EQ(MaskGetCharType(m, 6), mcMaskOpt);
    EXPECT_EQ(MaskGetCharType(m, 7), mcDirective);   // the backslash
    EXPECT_EQ(MaskGetCharType(m, 8), mcLiteral);     // escaped L
    EXPECT_EQ(MaskGetCharType(m, 10), mcIntlLiteral);
    EXPECT_EQ(MaskGetCharType(m, 11), mcIntlLiteral);
    EXPECT_EQ(MaskGetCharType(m, 13), mcFieldSeparator);
    EXPECT_EQ(MaskGetCharType(m, 14), mcField);
    EXPECT_EQ(MaskGetCharType(m, 40), mcNone);

    EXPECT_TRUE(MaskGetCurrentDirectives(m, 2).Contains(mdUpperCase));
    EXPECT_TRUE(MaskGetCurrentDirectives(m, 2).Contains(mdReverseDir));
    // "<>" cancels the case.
    const TMaskDirectives d6 = MaskGetCurrentDirectives(m, 6);
    EXPECT_FALSE(d6.Contains(mdUpperCase));
    EXPECT_FALSE(d6.Contains(mdLowerCase));
    EXPECT_TRUE(MaskGetCurrentDirectives(m, 8).Contains(mdLiteralChar));
    EXPECT_TRUE(MaskGetCurrentDirectives("<ll", 2).Contains(mdLowerCase));
    // An escaped '!' is a literal, not the reverse directive.
    EXPECT_FALSE(MaskGetCurrentDirectives("\\!00", 1).Contains(mdReverseDir));

    EXPECT_EQ(MaskIntlLiteralToChar(u'/'), QChar(u'.'));
    EXPECT_EQ(MaskIntlLiteralToChar(u':'), QChar(u':'));
    EXPECT_EQ(MaskIntlLiteralToChar(u'x'), QChar(u'x'));
    FormatSettings.DateSeparator = u'-';
    EXPECT_EQ(MaskIntlLiteralToChar(u'/'), QChar(u'-'));

    EXPECT_EQ(MaskOffsetToOffset("!99/99/0000;1;_", 15), 10);
    EXPECT_EQ(OffsetToMaskOffset("!99/99/0000;1;_", 0), 2);
    EXPECT_EQ(OffsetToMaskOffset("!99/99/0000;1;_", 11), -1);
    EXPECT_TRUE(IsLiteralChar("!99/99/0000;1;_", 2));
    EXPECT_FALSE(IsLiteralChar("!99/99/0000;1;_", 3));
}

TEST_F(MaskTest, FormatMaskText) {
    struct Case { const char* Mask; const char16_t* Value; const char16_t* Expected; };
    const Case cases[] = {
        {"!99/99/0000;1;_", u"01.02.2024", u"01.02.2024"},
        {"!99/99/0000;1;_", u"", u"  .  .    "},
        {"!99/99/0000;1;_", u"1.2.2024", u" 1. 2.2024"},    // right-aligned sub-fields
        {"99/99/0000;1;_", u"1.2.2024", u"1 .2 .2024"},     // left-aligned without '!'
        {"!99/99/0000;1;_", u"1.2", u" 1. 2.    "},        // missing literal supplied
        {"!90:00;1;_", u"9:05", u" 9:05"},
        {"(999)000-0000;0;_", u"5551234567", u"(555)123-4567"},
        {"(999)000-0000;1;_", u"(555)123-4567", u"(555)123-4567"},
        {"00000;0;_", u"123", u"123  "},
        {"!00000;0;_", u"123", u"  123"},
        {"00_00;0;_", u"1234", u"12 34"},                   // '_' in the mask shows a space
        {"\\A-000;0", u"12", u"A-12 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        EXPECT_EQ(S(FormatMaskText(c.Mask, String::fromUtf16(c.Value))), S(String::fromUtf16(c.Expected)));
    }
    // The framework's two routines with a blank of the caller's choice.
    EXPECT_EQ(S(PadInputLiterals("!99/99/0000;1;_", "1.2.2024", u'_')), "_1._2.2024");
    EXPECT_EQ(S(MaskDoFormatText("000-00;0;*", "12", u'*')), "12*-**");
}

TEST_F(MaskTest, TypingTable) {
    struct Case { const char* Mask; const char16_t* Keys; const char16_t* EditText; const char16_t* Text; const char16_t* Refused; };
    const Case cases[] = {
        // the framework's date and time masks
        {"!99/99/0000;1;_", u"01022024", u"01.02.2024", u"01.02.2024", u""},
        {"!99/99/0000;1;_", u"1.2.2024", u"1_.2_.2024", u"1 .2 .2024", u""},   // '.' ends a field
        {"!99/99/0000;1;_", u"12", u"12.__.____", u"12.  .    ", u""},
        {"!99/99/0000;1;_", u"ab3", u"3_.__.____", u"3 .  .    ", u"ab"},
        {"!90:00;1;_", u"0930", u"09:30", u"09:30", u""},
        {"!90:00;1;_", u"9:30", u"9_:30", u"9 :30", u""},
        // character classes
        {"000", u"1a2-", u"12_", u"12 ", u"a-"},      // saved text keeps its width
        {"999;0;_", u"1 2", u"12_", u"12", u" "},
        {"###", u"+-5", u"+-5", u"+-5", u""},
        {"LLL", u"a1бZ", u"aбZ", u"aбZ", u"1"},                 // Cyrillic letters are letters
        {"AAa", u"1b#c", u"1bc", u"1bc", u"#"},
        {"CCc", u"#@ ", u"#@ ", u"#@ ", u""},
        // case directives
        {">LL<ll", u"abCD", u"ABcd", u"ABcd", u""},
        {">L<>l", u"ab", u"Ab", u"Ab", u""},
        {">cc", u"ё1", u"Ё1", u"Ё1", u""},
        // literals
        {"\\A00", u"12", u"A12", u"A12", u""},
        {"\\A00;0", u"12", u"A12", u"12", u""},
        {"00_00", u"1234", u"12 34", u"12 34", u""},
        {"(999)000-0000;0;_", u"5551234567", u"(555)123-4567", u"5551234567", u""},
        {"(999)000-0000;1;*", u"555", u"(555)***-****", u"(555)   -    ", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Mask) + " <- " + S(String::fromUtf16(c.Keys)));
        TMaskEngine e(c.Mask);
        EXPECT_EQ(S(TypeChars(e, String::fromUtf16(c.Keys))), S(String::fromUtf16(c.Refused)));
        EXPECT_EQ(S(e.EditText()), S(String::fromUtf16(c.EditText)));
        EXPECT_EQ(S(e.Text()), S(String::fromUtf16(c.Text)));
    }
}

TEST_F(MaskTest, EmptyTextAndSettingText) {
    TMaskEngine e("!99/99/0000;1;_");
    EXPECT_EQ(S(e.EditText()), "__.__.____");
    EXPECT_EQ(S(e.Text()), "  .  .    ");
    EXPECT_EQ(e.MaxChars(), 10);

    e.SetText("1.2.2024");
    EXPECT_EQ(S(e.EditText()), "_1._2.2024");
    EXPECT_EQ(S(e.Text()), " 1. 2.2024");

    TMaskEngine n("(999)000-0000;0;_");
    EXPECT_EQ(S(n.Text()), "");
    n.SetText("5551234567");
    EXPECT_EQ(S(n.EditText()), "(555)123-4567");

    // The separators come from FormatSettings when the mask is set.
    FormatSettings.DateSeparator = u'/';
    FormatSettings.TimeSeparator = u'.';
    TMaskEngine d("!99/99/0000;1;_");
    EXPECT_EQ(S(d.EditText()), "__/__/____");
    TMaskEngine t("!90:00;1;_");
    TypeChars(t, "1230");
    EXPECT_EQ(S(t.EditText()), "12.30");
    EXPECT_EQ(S(t.Text()), "12.30");

    // A new mask keeps the value.
    TMaskEngine r("000");
    r.SetText("12");
    r.SetEditMask("0-00");
    EXPECT_EQ(S(r.EditText()), "1-2_");
    r.SetEditMask("");
    EXPECT_FALSE(r.IsMasked());
    EXPECT_EQ(S(r.Text()), "12");
}

TEST_F(MaskTest, CaretAndDeleting) {
    TMaskEngine e("000-000");
    EXPECT_EQ(e.SelStart(), 0);
    EXPECT_EQ(e.SelLength(), 1);   // overwrite caret: one character selected
    TypeChars(e, "123456");
    EXPECT_EQ(S(e.EditText()), "123-456");
    EXPECT_EQ(e.SelStart(), 7);    // past the end
    EXPECT_EQ(e.SelLength(), 0);
    EXPECT_FALSE(e.InputChar(u'7'));

    Press(e, VK_BACK);
    EXPECT_EQ(S(e.EditText()), "123-45_");
    Press(e, VK_BACK);
    Press(e, VK_BACK);
    EXPECT_EQ(S(e.EditText()), "123-___");
    EXPECT_EQ(e.SelStart(), 4);
    Press(e, VK_BACK);             // steps over the literal
    EXPECT_EQ(S(e.EditText()), "12_-___");
    EXPECT_EQ(e.SelStart(), 2);

    Press(e, VK_HOME);
    EXPECT_EQ(e.SelStart(), 0);
    Press(e, VK_DELETE);
    EXPECT_EQ(S(e.EditText()), "_2_-___");
    EXPECT_EQ(e.SelStart(), 0);
    Press(e, VK_RIGHT);
    Press(e, VK_RIGHT);
    Press(e, VK_RIGHT);            // 2 -> 4, over '-'
    EXPECT_EQ(e.SelStart(), 4);
    Press(e, VK_LEFT);
    EXPECT_EQ(e.SelStart(), 2);
    Press(e, VK_BACK);
    EXPECT_EQ(S(e.EditText()), "___-___");   // Backspace blanks the position before the caret
    Press(e, VK_END);
    EXPECT_EQ(e.SelStart(), 7);
    Press(e, VK_BACK, {});
    EXPECT_EQ(e.SelStart(), 6);

    // Backspace at the first position does nothing.
    Press(e, VK_HOME);
    Press(e, VK_BACK);
    EXPECT_EQ(S(e.EditText()), "___-___");
    EXPECT_EQ(e.SelStart(), 0);

    // Up and Down are eaten; Shift+Delete and Ctrl+arrows are not the mask's.
    Word k = VK_UP;
    EXPECT_TRUE(e.KeyDown(k, {}));
    EXPECT_EQ(k, 0);
    k = VK_DELETE;
    EXPECT_FALSE(e.KeyDown(k, {ssShift}));
    EXPECT_EQ(k, VK_DELETE);

    // Typing over a wider selection blanks it and starts at its first position.
    TMaskEngine s("000-000");
    s.SetText("123-456");
    s.SetSel(1, 5);
    EXPECT_TRUE(s.InputChar(u'9'));
    EXPECT_EQ(S(s.EditText()), "19_-__6");
    EXPECT_EQ(s.SelStart(), 2);
    EXPECT_TRUE(s.Modified());
}

TEST_F(MaskTest, KeyPressEscapeEnterAndValidation) {
    TMaskEngine e("!99/99/0000;1;_");
    e.SetText("01.02.2024");
    e.Enter();
    Char k = u'5';
    EXPECT_TRUE(e.KeyPress(k));
    EXPECT_TRUE(k.isNull());
    EXPECT_EQ(S(e.EditText()), "51.02.2024");
    k = QChar(27);
    e.KeyPress(k);
    EXPECT_EQ(S(e.EditText()), "01.02.2024");
    EXPECT_FALSE(e.Modified());

    // Ctrl+V passes through to the clipboard handling.
    k = QChar(22);
    EXPECT_FALSE(e.KeyPress(k));
    EXPECT_EQ(k, QChar(22));

    // A required year position left blank: ValidateEdit raises and puts the caret there.
    e.SetSel(8, 2);
    e.ClearSelection();
    EXPECT_EQ(S(e.EditText()), "01.02.20__");
    try {
        e.ValidateEdit();
        FAIL() << "no exception";
    } catch (const EDBEditError& x) {
        EXPECT_EQ(S(x.Message()), "Invalid input value.  Use escape key to abandon changes");
        EXPECT_EQ(S(x.ClassName()), "EDBEditError");
    }
    EXPECT_EQ(e.SelStart(), 8);
    k = QChar(13);
    EXPECT_THROW(e.KeyPress(k), EDBEditError);

    // Optional day and month positions may stay blank; an unmodified text is not checked.
    e.SetEditText("__.__.2024");
    e.SetModified(true);
    EXPECT_NO_THROW(e.ValidateEdit());
    e.SetEditText("__.__.____");
    EXPECT_FALSE(e.Modified());
    EXPECT_NO_THROW(e.ValidateEdit());
    e.SetModified(true);   // a cleared date with a required year does not pass
    EXPECT_THROW(e.ValidateEdit(), EDBEditError);

    // 'C' accepts a space, other required positions do not.
    TMaskEngine c("CC;1;_");
    int pos = -1;
    EXPECT_TRUE(c.Validate("a ", pos));
    TMaskEngine l("LL;1;_");
    EXPECT_FALSE(l.Validate("a ", pos));
    EXPECT_EQ(pos, 1);
    EXPECT_FALSE(l.Validate("a", pos));   // a short text is blank at the end
    EXPECT_EQ(pos, 1);

    // A read-only engine refuses typing.
    TMaskEngine ro("000");
    ro.SetReadOnly(true);
    EXPECT_FALSE(ro.InputChar(u'1'));
    EXPECT_EQ(S(ro.EditText()), "___");
}

TEST_F(MaskTest, Paste) {
    struct Case { const char* Mask; int At; const char16_t* Pasted; const char16_t* EditText; };
    const Case cases[] = {
        {"(999)000-0000;1;_", 0, u"(555)123-4567", u"(555)123-4567"},
        {"(999)000-0000;1;_", 0, u"5551234567", u"(555)123-4567"},     // literals supplied
        {"000-000", 0, u"12a456", u"12_-456"},                           // misfits become blanks
        {"000-000", 4, u"98765", u"___-987"},                            // cut at the end
        {"!99/99/0000;1;_", 0, u"31.12.1999", u"31.12.1999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Mask) + " <- " + S(String::fromUtf16(c.Pasted)));
        TMaskEngine e(c.Mask);
        e.SetCursor(c.At);
        e.Paste(String::fromUtf16(c.Pasted));
        EXPECT_EQ(S(e.EditText()), S(String::fromUtf16(c.EditText)));
        EXPECT_EQ(e.EditText().size(), e.MaxChars());
    }
}

TEST_F(MaskTest, ChangeEventAndPlainMode) {
    TMaskEngine e("00");
    int changes = 0;
    e.OnChange = [&] { ++changes; };
    e.InputChar(u'1');
    e.InputChar(u'x');   // refused: no change
    EXPECT_EQ(changes, 1);

    TMaskEngine p;
    EXPECT_FALSE(p.IsMasked());
    TypeChars(p, "abc");
    EXPECT_EQ(S(p.Text()), "abc");
    Word k = VK_LEFT;
    EXPECT_FALSE(p.KeyDown(k, {}));   // the plain edit's own keys
}
