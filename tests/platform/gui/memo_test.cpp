// Memos (lines bound to the text, CR LF positions, keys the memo keeps or gives to the form) and
// masked edits (typing through the mask engine, Text versus EditText, validation).
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/memo.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using sdelka::test::SendKey;

// Types text character by character as key events.
void TypeLetters(QWidget* W, const QString& S) {
    for (QChar c : S) {
        int key = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode();
        if (c.isDigit()) key = Qt::Key_0 + (c.unicode() - '0');
        SendKey(W, key, Qt::NoModifier, QString(c));
    }
}

class MemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Saved = FormatSettings;
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
    }
    void TearDown() override {
        FreeAndNil(Form);
        FormatSettings = Saved;
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    template <class T>
    T* Add(int L, int T_, int W, int H) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Form);
        return c;
    }
    TScriptedResponder Resp;
    TFormatSettings Saved;
    TForm* Form = nullptr;
};

// ---- memo --------------------------------------------------------------------------------------

TEST_F(MemoTest, LinesAndTextAgreeWithOrWithoutWindow) {
    for (bool shown : {false, true}) {
        auto* m = Add<TMemo>(10, 10, 200, 100);
        if (shown) Form->Show();
        int changes = 0;
        m->OnChange = [&](TObject*) { ++changes; };
        m->Lines()->Add(u"Цех 1"_S);
        m->Lines()->Add(u"Цех 2"_S);
        EXPECT_EQ(m->Text(), u"Цех 1\r\nЦех 2\r\n"_S);
        EXPECT_EQ(m->Lines()->Count(), 2);
        m->Lines()->Insert(0, u"Итого"_S);
        m->Lines()->SetStrings(2, u"Цех 3"_S);
        m->Lines()->Delete(1);
        EXPECT_EQ(m->Lines()->CommaText(), u"Итого,\"Цех 3\""_S);
        m->SetText(u"a\nb\rc"_S);  // any break is a line break, shown as CR LF
        EXPECT_EQ(m->Lines()->Count(), 3);
        EXPECT_EQ(m->Text(), u"a\r\nb\r\nc"_S);
        m->Lines()->Add(u"d"_S);  // after a last line without a break
        EXPECT_EQ(m->Text(), u"a\r\nb\r\nc\r\nd"_S);
        m->Lines()->Clear();
        EXPECT_EQ(m->Lines()->Count(), 0);
        EXPECT_EQ(changes, 8) << "shown " << shown;
        m->Free();
    }
}

TEST_F(MemoTest, SelectionCountsLineBreaksAsTwoCharacters) {
    auto* m = Add<TMemo>(10, 10, 200, 100);
    m->SetText(u"ab\r\ncd"_S);
    m->SetSelStart(4);
    m->SetSelLength(2);
    EXPECT_EQ(m->SelText(), u"cd"_S);
    Form->Show();
    EXPECT_EQ(m->SelStart(), 4);
    EXPECT_EQ(m->SelText(), u"cd"_S);
    m->SetSelStart(1);
    m->SetSelLength(4);
    EXPECT_EQ(m->SelText(), u"b\r\nc"_S);
    m->SetSelText(u"X"_S);
    EXPECT_EQ(m->Text(), u"aXd"_S);
    EXPECT_EQ(m->CaretPos(), TPoint(2, 0));
    m->SelectAll();
    m->CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), u"aXd"_S);
    m->SetSelStart(3);
    m->PasteFromClipboard();
    EXPECT_EQ(m->Text(), u"aXdaXd"_S);
}

TEST_F(MemoTest, TypingReturnsTabsAndMaxLength) {
    auto* m = Add<TMemo>(10, 10, 200, 100);
    auto* ok = Add<TButton>(10, 150, 75, 25);
    ok->SetDefault(true);
    int okClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    Form->Show();
    m->SetFocus();
    TypeLetters(m->Handle(), u"ab"_S);
    SendKey(m->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);  // the memo keeps Enter
    TypeLetters(m->Handle(), u"c"_S);
    EXPECT_EQ(m->Text(), u"ab\r\nc"_S);
    EXPECT_EQ(okClicks, 0);
    m->SetWantReturns(false);  // now Enter is the form's
    SendKey(m->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    EXPECT_EQ(m->Text(), u"ab\r\nc"_S);
    EXPECT_EQ(okClicks, 1);
    m->SetWantTabs(true);
    SendKey(m->Handle(), Qt::Key_Tab, Qt::NoModifier, u"\t"_S);
    EXPECT_EQ(m->Text(), u"ab\r\nc\t"_S);
    m->SetMaxLength(7);
    TypeLetters(m->Handle(), u"xyz"_S);
    EXPECT_EQ(m->Text(), u"ab\r\nc\tx"_S);
    m->SetText(u"longer than seven"_S);  // code is not limited
    EXPECT_EQ(m->Text().size(), 17);
    m->SetReadOnly(true);
    TypeLetters(m->Handle(), u"q"_S);
    EXPECT_EQ(m->Text(), u"longer than seven"_S);
}

// ---- masked edit -------------------------------------------------------------------------------

TEST_F(MemoTest, MaskedEditTypingTable) {
    FormatSettings.DateSeparator = u'.';
    FormatSettings.TimeSeparator = u':';
    struct Case {
        const char* Mask;
        const char* Typed;
        const char* EditText;
        const char* Text;
    } cases[] = {
        {"!99/99/0000;1;_", "01012024", "01.01.2024", "01.01.2024"},  // the framework's date mask
        {"!99/99/00;1;_", "311224", "31.12.24", "31.12.24"},
        {"!90:00;1;_", "0930", "09:30", "09:30"},                     // its short time mask
        {"!\\(999\\)000-0000;1;_", "4951234567", "(495)123-4567", "(495)123-4567"},
        {">LL-000;0;_", "ab123", "AB-123", "AB123"},
        {"000000;0;_", "12a3", "123___", "123"},                      // a letter is refused
        {"L0L", "1", "___", "   "},                                   // nothing fits
        {"!99/99/0000;1;_", "01x", "01.__.____", "01.  .    "},
    };
    for (const Case& c : cases) {
        auto* e = Add<TMaskEdit>(10, 10, 120, 21);
        e->SetEditMask(QString::fromUtf8(c.Mask));
        Form->Show();
        e->SetFocus();
        TypeLetters(e->Handle(), QString::fromUtf8(c.Typed));
        EXPECT_EQ(e->EditText(), QString::fromUtf8(c.EditText)) << c.Mask;
        EXPECT_EQ(static_cast<QLineEdit*>(e->Handle())->text(), QString::fromUtf8(c.EditText)) << c.Mask;
        EXPECT_EQ(e->Text(), QString::fromUtf8(c.Text)) << c.Mask;
        e->Free();
    }
}

TEST_F(MemoTest, MaskedEditEventsValidationAndEscape) {
    FormatSettings.DateSeparator = u'.';
    auto* e = Add<TMaskEdit>(10, 10, 120, 21);
    e->SetEditMask(u"!99/99/0000;1;_"_S);
    QStringList changes;
    e->OnChange = [&](TObject*) { changes << e->EditText(); };
    e->SetText(u"05.03.2024"_S);
    EXPECT_EQ(e->EditText(), u"05.03.2024"_S);
    Form->Show();
    e->SetFocus();
    static_cast<QLineEdit*>(e->Handle())->setCursorPosition(0);
    TypeLetters(e->Handle(), u"1"_S);
    EXPECT_EQ(e->EditText(), u"15.03.2024"_S);
    SendKey(e->Handle(), Qt::Key_Escape, Qt::NoModifier, u"\x1b"_S);  // back to the text it had
    EXPECT_EQ(e->EditText(), u"05.03.2024"_S);
    EXPECT_EQ(changes, QStringList({"05.03.2024", "15.03.2024", "05.03.2024"}));
    // A required position left blank: Enter validates, the error is shown and the loop goes on.
    static_cast<QLineEdit*>(e->Handle())->setSelection(6, 4);
    SendKey(e->Handle(), Qt::Key_Delete);
    EXPECT_EQ(e->EditText(), u"05.03.____"_S);
    EXPECT_THROW(e->ValidateEdit(), EDBEditError);
    SendKey(e->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    EXPECT_EQ(Resp.MessageCount(), 1);
    // Without a mask it is a plain edit: the value keeps its characters, not the literals.
    e->SetText(u"05.03.2024"_S);
    e->SetEditMask(String());
    EXPECT_FALSE(e->IsMasked());
    EXPECT_EQ(e->Text(), u"05032024"_S);
    static_cast<QLineEdit*>(e->Handle())->end(false);
    TypeLetters(e->Handle(), u"x"_S);
    EXPECT_EQ(e->Text(), u"05032024x"_S);
}

}  // namespace
