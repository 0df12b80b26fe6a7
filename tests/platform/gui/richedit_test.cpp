// The rich edit: attributes set on a selection survive an RTF save and load into another rich
// edit; Lines read and write paragraphs and take RTF text as RTF; selection, change events and
// search; the same with a window.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/richedit.h"
#include "platform/gui/rtf.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/streams.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTextDocument>
#include <QWidget>

namespace {

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    TRichEdit* Make() { return New<TRichEdit>(Form); }
    static QByteArray Save(TRichEdit* R) {
        TMemoryStream s;
        R->Lines()->SaveToStream(&s);
        QByteArray b(static_cast<qsizetype>(s.Size()), '\0');
        s.SetPosition(0);
        s.ReadBuffer(b.data(), static_cast<Integer>(b.size()));
        return b;
    }
    static void Load(TRichEdit* R, const QByteArray& Bytes) {
        TMemoryStream s;
        s.WriteBuffer(Bytes.constData(), static_cast<Integer>(Bytes.size()));
        s.SetPosition(0);
        R->Lines()->LoadFromStream(&s);
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

// Sets attributes on a selection and on paragraphs, saves RTF, loads it into a second rich edit.
void Decorate(TRichEdit* R) {
    R->Lines()->SetText("Наряд на работы\r\nпервый пункт\r\nвторой пункт\r\nИтого");
    R->SetSelStart(0);
    R->SetSelLength(5);  // "Наряд"
    R->SelAttributes()->SetStyle({fsBold, fsUnderline});
    R->SelAttributes()->SetColor(clRed);
    R->SelAttributes()->SetSize(14);
    R->SelAttributes()->SetName("Arial");
    R->Paragraph()->SetAlignment(taCenter);

    int second = R->Lines()->Strings(0).size() + 1;
    R->SetSelStart(second);
    R->SetSelLength(R->Lines()->Strings(1).size() + 1 + 3);  // into the third paragraph
    R->Paragraph()->SetNumbering(nsBullet);
    R->Paragraph()->SetFirstIndent(12);
    R->Paragraph()->SetLeftIndent(6);
    R->Paragraph()->SetRightIndent(30);
    R->SelAttributes()->SetStyle({fsItalic});

    R->SetSelStart(R->GetTextLen() - 5);  // in "Итого"
    R->Paragraph()->SetAlignment(taRightJustify);
}

struct Expect {
    int Pos;  // a character position (the selection starts there, one character long)
    TFontStyles Style;
    TColor Color;
    int Size;
    TAlignment Align;
    TNumberingStyle Numbering;
    int FirstIndent, LeftIndent, RightIndent;
};

void Check(TRichEdit* R, const Expect& E) {
    R->SetSelStart(E.Pos);
    R->SetSelLength(1);
    SCOPED_TRACE(E.Pos);
    EXPECT_EQ(R->SelAttributes()->Style(), E.Style);
    EXPECT_EQ(R->SelAttributes()->Color(), E.Color);
    EXPECT_EQ(R->SelAttributes()->Size(), E.Size);
    EXPECT_EQ(R->Paragraph()->Alignment(), E.Align);
    EXPECT_EQ(R->Paragraph()->Numbering(), E.Numbering);
    EXPECT_EQ(R->Paragraph()->FirstIndent(), E.FirstIndent);
    EXPECT_EQ(R->Paragraph()->LeftIndent(), E.LeftIndent);
    EXPECT_EQ(R->Paragraph()->RightIndent(), E.RightIndent);
}

TEST_F(RichEditTest, AttributesSurviveRtfSaveAndLoad) {
    TRichEdit* a = Make();
    Decorate(a);
    const int defSize = a->DefAttributes()->Size();
    const int second = 16;  // "Наряд на работы" + the paragraph end
    const Expect table[] = {
        {0, {fsBold, fsUnderline}, clRed, 14, taCenter, nsNone, 0, 0, 0},
        {4, {fsBold, fsUnderline}, clRed, 14, taCenter, nsNone, 0, 0, 0},
        {6, {}, clWindowText, defSize, taCenter, nsNone, 0, 0, 0},
        {second, {fsItalic}, clWindowText, defSize, taLeftJustify, nsBullet, 12, 6, 30},
        {second + 13 + 1, {fsItalic}, clWindowText, defSize, taLeftJustify, nsBullet, 12, 6, 30},
        {second + 13 + 5, {}, clWindowText, defSize, taLeftJustify, nsBullet, 12, 6, 30},
        {a->GetTextLen() - 3, {}, clWindowText, defSize, taRightJustify, nsNone, 0, 0, 0},
    };
    for (const Expect& e : table) Check(a, e);
    a->SetSelStart(0);
    a->SetSelLength(1);
    EXPECT_EQ(a->SelAttributes()->Name(), "Arial");

    QByteArray rtf = Save(a);
    ASSERT_TRUE(IsRtf(rtf));
    TRichEdit* b = Make();
    Load(b, rtf);
    EXPECT_EQ(b->Text(), a->Text());
    EXPECT_EQ(b->Lines()->Count(), 4);
    EXPECT_EQ(b->Lines()->Strings(2), "второй пункт");
    for (const Expect& e : table) Check(b, e);
    b->SetSelStart(0);
    b->SetSelLength(1);
    EXPECT_EQ(b->SelAttributes()->Name(), "Arial");
    EXPECT_EQ(b->SelAttributes()->Height(), 19);  // 14 points at 96 pixels per inch
}

TEST_F(RichEditTest, AssignCopiesAttributesBetweenFontsAndSelections) {
    TRichEdit* r = Make();
    r->SetText("abc def");
    TFont f;
    f.SetName("Courier New");
    f.SetSize(16);
    f.SetStyle({fsItalic});
    f.SetColor(clBlue);
    r->SetSelStart(4);
    r->SetSelLength(3);
    int changes = 0;
    r->OnChange = [&](TObject*) { ++changes; };
    r->SetModified(false);
    r->SelAttributes()->Assign(&f);
    r->Paragraph()->SetAlignment(taRightJustify);
    EXPECT_EQ(changes, 0);  // formatting marks the text modified but does not change it
    EXPECT_TRUE(r->Modified());
    r->OnChange = nullptr;
    EXPECT_EQ(r->SelAttributes()->Name(), "Courier New");
    EXPECT_EQ(r->SelAttributes()->Size(), 16);
    EXPECT_EQ(r->SelAttributes()->Style(), TFontStyles{fsItalic});
    EXPECT_EQ(r->SelAttributes()->Color(), clBlue);

    TFont back;
    back.Assign(r->SelAttributes());
    EXPECT_EQ(back.Name(), "Courier New");
    EXPECT_EQ(back.Size(), 16);
    EXPECT_EQ(back.Color(), clBlue);

    // With nothing selected, the attributes are those typing uses.
    r->SetSelStart(r->GetTextLen());
    r->SelAttributes()->SetStyle({fsBold});
    r->SetSelText("!");
    r->SetSelStart(r->GetTextLen() - 1);
    r->SetSelLength(1);
    EXPECT_EQ(r->SelText(), "!");
    EXPECT_TRUE(r->SelAttributes()->Style().Contains(fsBold));
    r->SetSelStart(0);
    r->SetSelLength(1);
    EXPECT_FALSE(r->SelAttributes()->Style().Contains(fsBold));
}

// ---- lines -------------------------------------------------------------------------------------

TEST_F(RichEditTest, LinesAreTheParagraphs) {
    TRichEdit* r = Make();
    EXPECT_EQ(r->Lines()->Count(), 0);
    r->Lines()->Add("один");
    r->Lines()->Add("два");
    r->Lines()->Insert(1, "полтора");
    EXPECT_EQ(r->Lines()->Count(), 3);
    EXPECT_EQ(r->Text(), "один\r\nполтора\r\nдва");
    r->Lines()->SetStrings(0, "ноль");
    r->Lines()->Delete(1);
    EXPECT_EQ(r->Lines()->Text(), "ноль\r\nдва\r\n");
    r->Lines()->Delete(1);
    EXPECT_EQ(r->Lines()->Count(), 1);
    EXPECT_EQ(r->Text(), "ноль");
    r->Lines()->Clear();
    EXPECT_EQ(r->Lines()->Count(), 0);
    EXPECT_EQ(r->Text(), "");
    // A final paragraph end starts no line.
    r->Lines()->SetText("a\r\nb\r\n");
    EXPECT_EQ(r->Lines()->Count(), 2);
}

TEST_F(RichEditTest, RtfTextLoadsAsRtfUnlessPlainText) {
    const String rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green128\\blue0;}"
                       "\\pard\\qc\\f0\\fs20 \\b \\'cf\\'eb\\'e0\\'ed\\b0\\par \\cf1 green\\par}";
    TRichEdit* r = Make();
    int changes = 0;
    r->OnChange = [&](TObject*) { ++changes; };
    r->Lines()->SetText(rtf);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(r->Lines()->Count(), 2);
    EXPECT_EQ(r->Lines()->Strings(0), "План");
    r->SetSelStart(0);
    r->SetSelLength(1);
    EXPECT_EQ(r->SelAttributes()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(r->Paragraph()->Alignment(), taCenter);
    r->SetSelStart(6);
    r->SetSelLength(1);
    EXPECT_EQ(r->SelAttributes()->Color(), RGB(0, 128, 0));

    // The same text through Text, and a plain-text rich edit that keeps it as it is.
    TRichEdit* t = Make();
    t->SetText(rtf);
    EXPECT_EQ(t->Text(), "План\r\ngreen\r\n");  // the final paragraph mark leaves an empty paragraph
    TRichEdit* p = Make();
    p->SetPlainText(true);
    p->Lines()->SetText(rtf);
    EXPECT_EQ(p->Text(), rtf);

    // Saving: RTF unless PlainText.
    EXPECT_TRUE(IsRtf(Save(t)));
    QByteArray plain = Save(p);
    EXPECT_FALSE(IsRtf(QByteArray("x") + plain));
    EXPECT_EQ(String::fromUtf8(plain), rtf + "\r\n");

    // A plain text stream loads as plain text even when PlainText is off.
    TRichEdit* q = Make();
    Load(q, QByteArray("строка 1\r\nстрока 2\r\n"));
    EXPECT_EQ(q->Lines()->Count(), 2);
    EXPECT_EQ(q->Lines()->Strings(1), "строка 2");
}

// ---- selection, events, search -----------------------------------------------------------------

TEST_F(RichEditTest, SelectionCountsAParagraphEndAsOneCharacter) {
    TRichEdit* r = Make();
    int selChanges = 0;
    r->OnSelectionChange = [&](TObject*) { ++selChanges; };
    r->SetText("ab\r\ncd");
    EXPECT_EQ(r->GetTextLen(), 5);
    r->SetSelStart(1);
    r->SetSelLength(3);
    EXPECT_EQ(r->SelText(), "b\r\nc");
    EXPECT_GE(selChanges, 2);
    r->SetSelText("X");
    EXPECT_EQ(r->Text(), "aXd");
    r->SelectAll();
    EXPECT_EQ(r->SelLength(), 3);
    r->SetSelStart(100);
    EXPECT_EQ(r->SelStart(), 3);

    r->SetText("Смена 1, смена 2, СМЕНА 3");
    EXPECT_EQ(r->FindText("смена", 0, r->GetTextLen(), {}), 0);
    EXPECT_EQ(r->FindText("смена", 0, r->GetTextLen(), {stMatchCase}), 9);
    EXPECT_EQ(r->FindText("СМЕНА", 1, r->GetTextLen(), {}), 9);
    EXPECT_EQ(r->FindText("СМЕНА", 10, 5, {}), -1);  // past the range
    EXPECT_EQ(r->FindText("мена", 0, r->GetTextLen(), {stWholeWord}), -1);
}

TEST_F(RichEditTest, WorksTheSameWithAWindowAndKeepsTheDocumentWhenItGoes) {
    TRichEdit* r = Make();
    r->SetBounds(10, 10, 200, 100);
    r->SetParent(Form);
    Form->Show();
    r->SetText("первая\r\nвторая");
    r->SetSelStart(0);
    r->SetSelLength(6);
    r->SelAttributes()->SetStyle({fsBold});
    r->SetReadOnly(true);
    QApplication::processEvents();

    r->DestroyHandle();
    EXPECT_EQ(r->Text(), "первая\r\nвторая");
    EXPECT_EQ(r->SelStart(), 0);
    EXPECT_EQ(r->SelLength(), 6);
    EXPECT_EQ(r->SelAttributes()->Style(), TFontStyles{fsBold});
    r->HandleNeeded();
    EXPECT_EQ(r->SelLength(), 6);

    // Typing into the widget changes the text (and fires OnChange) unless read-only.
    int changes = 0;
    r->OnChange = [&](TObject*) { ++changes; };
    r->SetReadOnly(false);
    r->SetSelStart(r->GetTextLen());
    QKeyEvent k(QEvent::KeyPress, Qt::Key_Exclam, Qt::NoModifier, "!");
    QCoreApplication::sendEvent(r->Handle(), &k);
    EXPECT_EQ(r->Text(), "первая\r\nвторая!");
    EXPECT_EQ(changes, 1);
}

TEST_F(RichEditTest, EditMessagesAnswerLinesSelectionUndoAndTheEventMask) {
    TRichEdit* r = Make();
    r->SetText("первая\r\nвторая строка\r\nтретья");
    // Lines: "первая" 0..6, "вторая строка" 7..20, "третья" 21..
    struct {
        int Pos, Line;
    } table[] = {{0, 0}, {6, 0}, {7, 1}, {20, 1}, {21, 2}, {100, 2}};
    for (auto& t : table) EXPECT_EQ(r->Perform(EM_EXLINEFROMCHAR, 0, t.Pos), t.Line) << t.Pos;
    EXPECT_EQ(r->Perform(EM_GETLINECOUNT), 3);
    EXPECT_EQ(r->Perform(EM_LINEINDEX, 1), 7);
    EXPECT_EQ(r->Perform(EM_LINEINDEX, 2), 21);
    EXPECT_EQ(r->Perform(EM_LINEINDEX, 3), -1);
    r->SetSelStart(9);
    EXPECT_EQ(r->Perform(EM_LINEINDEX, static_cast<WPARAM>(-1)), 7);  // the caret's line
    EXPECT_EQ(r->Perform(EM_LINELENGTH, 9), 13);

    TCharRange set{7, 13};
    r->Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&set));
    EXPECT_EQ(r->SelText(), "вторая");
    TCharRange got;
    r->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(got.cpMin, 7);
    EXPECT_EQ(got.cpMax, 13);

    // With the change bit off, changes fire no OnChange (but still mark the text modified).
    int changes = 0, selChanges = 0;
    r->OnChange = [&](TObject*) { ++changes; };
    r->OnSelectionChange = [&](TObject*) { ++selChanges; };
    LRESULT mask = r->Perform(EM_GETEVENTMASK);
    EXPECT_EQ(mask, ENM_CHANGE | ENM_SELCHANGE);
    r->Perform(EM_SETEVENTMASK, 0, mask & ~ENM_CHANGE);
    r->SetModified(false);
    r->SetSelText("1-я");
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(r->Modified());
    EXPECT_GT(selChanges, 0);
    r->Perform(EM_SETEVENTMASK, 0, mask);
    r->SetSelText("!");
    EXPECT_EQ(changes, 1);

    // Undo takes back an edit.
    r->Perform(EM_EMPTYUNDOBUFFER);
    EXPECT_EQ(r->Perform(EM_CANUNDO), 0);
    r->SetSelStart(0);
    r->SetSelText("X");
    EXPECT_EQ(r->Lines()->Strings(0), "Xпервая");
    EXPECT_EQ(r->Perform(EM_CANUNDO), 1);
    r->Perform(EM_UNDO);
    EXPECT_EQ(r->Lines()->Strings(0), "первая");

    TRect rc(6, 0, 100, 50);
    r->Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rc));
    TRect back;
    r->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(back, rc);
}

TEST_F(RichEditTest, TabAndEnterFollowWantTabsAndWantReturns) {
    TRichEdit* r = Make();
    r->SetBounds(10, 10, 200, 100);
    r->SetParent(Form);
    auto* next = New<TEdit>(Form);
    next->SetBounds(10, 120, 100, 24);
    next->SetParent(Form);
    Form->Show();
    r->SetFocus();
    auto key = [&](int K, const QString& T) {
        QKeyEvent e(QEvent::KeyPress, K, Qt::NoModifier, T);
        QCoreApplication::sendEvent(r->Handle(), &e);
    };
    key(Qt::Key_A, "a");
    key(Qt::Key_Return, "\r");
    key(Qt::Key_B, "b");
    EXPECT_EQ(r->Text(), "a\r\nb");
    key(Qt::Key_Tab, "\t");
    EXPECT_EQ(r->Text(), "a\r\nb");
    EXPECT_EQ(Form->ActiveControl(), next);

    r->SetFocus();
    r->SetWantTabs(true);
    key(Qt::Key_Tab, "\t");
    EXPECT_EQ(r->Text(), "a\r\nb\t");
    EXPECT_EQ(Form->ActiveControl(), r);
}

}  // namespace
