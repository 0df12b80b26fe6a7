#include "platform/gui/shortcuts.h"

#include <gtest/gtest.h>

TEST(ShortCuts, EncodingAndDecoding) {
    EXPECT_EQ(ShortCut('S', {ssCtrl}), 0x4053);
    EXPECT_EQ(ShortCut(VK_F1 + 4, {ssShift, ssCtrl, ssAlt}), 0x2000 + 0x4000 + 0x8000 + 0x74);
    EXPECT_EQ(ShortCut(0x1FF, {ssCtrl}), 0);   // not a virtual key

    Word key = 0;
    TShiftState shift{ssLeft};
    ShortCutToKey(scAlt | scShift | VK_DELETE, key, shift);
    EXPECT_EQ(key, VK_DELETE);
    EXPECT_TRUE(shift == (TShiftState{ssAlt, ssShift}));
}

TEST(ShortCuts, TextRoundTrip) {
    struct Case { TShortCut Sc; const char* Text; };
    const Case cases[] = {
        {scCtrl | 'C', "Ctrl+C"},
        {scShift | scCtrl | VK_F12, "Shift+Ctrl+F12"},
        {scAlt | VK_BACK, "Alt+BkSp"},
        {VK_F1, "F1"},
        {VK_F24, "F24"},
        {VK_DELETE, "Del"},
        {scShift | VK_INSERT, "Shift+Ins"},
        {VK_RETURN, "Enter"},
        {VK_ESCAPE, "Esc"},
        {scCtrl | VK_TAB, "Ctrl+Tab"},
        {VK_SPACE, "Space"},
        {VK_PRIOR, "PgUp"},
        {VK_NEXT, "PgDn"},
        {VK_HOME, "Home"},
        {VK_END, "End"},
        {scCtrl | VK_LEFT, "Ctrl+Left"},
        {VK_UP, "Up"},
        {VK_RIGHT, "Right"},
        {VK_DOWN, "Down"},
        {scCtrl | '0', "Ctrl+0"},
        {scCtrl | VK_OEM_PLUS, "Ctrl+="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ShortCutToText(c.Sc).toStdString(), c.Text);
        EXPECT_EQ(TextToShortCut(c.Text), c.Sc);
    }
}

TEST(ShortCuts, TextForms) {
    // Modifiers in any order and case, '^' for Ctrl; the text always lists Shift, Ctrl, Alt.
    EXPECT_EQ(TextToShortCut("alt+ctrl+x"), scAlt | scCtrl | 'X');
    EXPECT_EQ(TextToShortCut("^N"), scCtrl | 'N');
    EXPECT_EQ(ShortCutToText(scAlt | scCtrl | 'X').toStdString(), "Ctrl+Alt+X");
    // Keypad digits are named as digits; the text gives the main row.
    EXPECT_EQ(ShortCutToText(VK_NUMPAD0 + 7).toStdString(), "7");
    EXPECT_EQ(TextToShortCut("7"), '7');
    // Unknown names and bare modifiers give no shortcut; a key without a name gives no text.
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+Foo"), 0);
    EXPECT_EQ(TextToShortCut(""), 0);
    EXPECT_EQ(ShortCutToText(scCtrl | VK_SHIFT).toStdString(), "");
    EXPECT_EQ(ShortCutToText(0).toStdString(), "");
}
