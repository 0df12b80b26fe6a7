// The data-aware rich edit over an in-memory dataset and the rich-text editor window: what loads as
// RTF and what as plain text, placeholders that never reach the blob, typing that starts an edit,
// the modal editor writing back, and rich text with Cyrillic, bold and colour stored as RTF that
// the client's reader and an independent Python reader read the same.
#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/editors/dbricheditvz.h"
#include "grid/editors/editbuttonsvz.h"
#include "grid/editors/richeditformvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/forms.h"
#include "platform/gui/rtf.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"
#include "support/input.h"
#include "support/tools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QWidget>

namespace {

using namespace sdelka::test;

const String SampleRtf =
    u"{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
    "\\f0\\fs20 \\'cf\\'f0\\'e8\\b \\cf1 \\'ea\\'e0\\'e7\\b0\\cf0  \\'b9 5}"_S;

// The runs of one format of a document as the client's reader gives them, in rtfruns.py's form.
String RunsOf(const QTextDocument& Doc) {
    struct Run {
        String Text;
        bool Bold;
        String Colour;
    };
    std::vector<Run> runs;
    for (QTextBlock b = Doc.begin(); b.isValid(); b = b.next()) {
        if (b != Doc.begin()) runs.back().Text += u"\n"_S;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat c = f.charFormat();
            const bool bold = c.fontWeight() > QFont::Medium;
            const String colour = c.hasProperty(QTextFormat::ForegroundBrush) && c.foreground().style() != Qt::NoBrush
                                      ? c.foreground().color().name()
                                      : u"auto"_S;
            if (!runs.empty() && runs.back().Bold == bold && runs.back().Colour == colour)
                runs.back().Text += f.text();
            else
                runs.push_back({f.text(), bold, colour});
        }
    }
    String out;
    for (const Run& r : runs)
        out += String(r.Text).replace(u"\n"_S, u"\\n"_S) + u"\t"_S + (r.Bold ? u"b"_S : u"-"_S) + u"\t"_S + r.Colour +
               u"\n"_S;
    return out;
}

String PythonRuns(const String& Rtf) {
    QTemporaryDir dir;
    const String file = dir.filePath(u"text.rtf"_S);
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(Rtf.toLatin1());
    f.close();
    const QByteArray root = qgetenv("SDELKA_SOURCE_DIR");
    const String script = !root.isEmpty() ? QString::fromLocal8Bit(root) + u"/tests/grid/editors/rtfruns.py"_S
                                          : QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() + u"/rtfruns.py"_S;
    const TRun run = RunTool(u"python3"_S, {script, file});
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    return QString::fromUtf8(run.Out);
}

class DBRichEdit : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 400, 200);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"id"_S, ftInteger);
        T->FieldDefs()->Add(u"Note"_S, ftWideMemo);
        T->CreateDataSet();
        T->AppendRecord({Variant(1), Variant(SampleRtf)});
        T->AppendRecord({Variant(2), Variant(u" {\\rtf1 не RTF}"_S)});
        T->AppendRecord({Variant(3), Variant(u"{urtf1\\ansi Hello}"_S)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Ed = New<TDBRichEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 300, 100);
        Other = New<TEdit>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 150, 100, 22);
        Form->Show();
        Other->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Bind() {
        Ed->SetDataSource(Src);
        Ed->SetDataField(u"Note"_S);
    }
    String Note() const { return T->FieldByName(u"Note"_S)->AsString(); }

    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBRichEditVz* Ed = nullptr;
    TEdit* Other = nullptr;
};

TEST_F(DBRichEdit, RtfLoadsAsRtfAndAnythingElseAsPlainText) {
    Bind();
    EXPECT_TRUE(Ed->MemoLoaded());
    EXPECT_EQ(Ed->Text(), u"Приказ № 5"_S);
    EXPECT_EQ(RunsOf(*Ed->Document()), u"При\t-\tauto\nказ\tb\t#ff0000\n № 5\t-\tauto\n"_S);
    T->Next();  // a blank before "{\rtf": plain text
    EXPECT_EQ(Ed->Text(), u" {\\rtf1 не RTF}"_S);
    T->Next();  // "{urtf" is RTF too
    EXPECT_EQ(Ed->Text(), u"Hello"_S);
    EXPECT_TRUE(Ed->EditButtons()->Count() == 0);
}

TEST_F(DBRichEdit, APlaceholderIsShownButNeverWrittenBack) {
    Ed->SetAutoDisplay(false);
    Bind();
    EXPECT_FALSE(Ed->MemoLoaded());
    EXPECT_EQ(Ed->Text(), u"(Note)"_S);
    // Editing and posting the record leaves the blob as it was.
    Ed->SetFocus();
    T->Edit();
    T->FieldByName(u"id"_S)->SetAsInteger(10);
    Other->SetFocus();
    T->Post();
    EXPECT_EQ(Note(), SampleRtf);
    // Typing is refused until the user loads the field with Enter.
    Ed->SetFocus();
    SendKeyToWindow(Ed->Handle(), 0, Qt::NoModifier, u"x"_S);
    EXPECT_EQ(T->State(), dsBrowse);
    SendKeyToWindow(Ed->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    EXPECT_TRUE(Ed->MemoLoaded());
    EXPECT_EQ(Ed->Text(), u"Приказ № 5"_S);
}

TEST_F(DBRichEdit, TypingStartsAnEditWithoutReloadingAndLeavingWritesRtf) {
    Bind();
    Ed->SetFocus();
    Ed->SetSelStart(Ed->GetTextLen());
    SendKeyToWindow(Ed->Handle(), 0, Qt::NoModifier, u"!"_S);
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(Ed->Text(), u"Приказ № 5!"_S);  // the blob was not reloaded over the typing
    Other->SetFocus();
    T->Post();
    EXPECT_TRUE(IsRtf(Note()));
    EXPECT_EQ(RtfToPlainText(Note().toLatin1()), u"Приказ № 5!"_S);
}

TEST_F(DBRichEdit, TheModalEditorWritesBackOnOkAndLeavesTheTextOnCancel) {
    Bind();
    TScriptedResponder resp;
    SetResponder(&resp);
    TEditButtonVz* b = Ed->EditButtons()->Add();
    b->SetStyle(ebsEllipsisVz);
    ASSERT_EQ(Ed->ButtonsBox()->ButtonsCount(), 1);
    TEditButtonControlVz* control = Ed->ButtonsBox()->Entry(0).EditButtonControl;
    EXPECT_TRUE(Ed->ButtonsBox()->Visible());
    EXPECT_TRUE(b->DefaultAction());
    const TRect r = Ed->GetButtonsRect();
    EXPECT_EQ(r.Right, Ed->ClientWidth());

    resp.AnswerModal([](TCustomForm* F) {
        auto* win = static_cast<TRichEditWinVz*>(F);
        EXPECT_EQ(win->Editor()->Text(), u"Приказ № 5"_S);
        win->Editor()->SetText(u"отменено"_S);
        win->CancelButton()->Click();
    });
    control->Click();
    EXPECT_EQ(Ed->Text(), u"Приказ № 5"_S);
    EXPECT_EQ(T->State(), dsBrowse);

    // OK: Cyrillic in bold red, the rest plain, typed into the window's editor with its tool bar.
    resp.AnswerModal([](TCustomForm* F) {
        auto* win = static_cast<TRichEditWinVz*>(F);
        TRichEdit* e = win->Editor();
        e->SetText(u"Смена: норма выполнена"_S);
        e->SetSelStart(7);
        e->SetSelLength(5);
        win->BoldButton()->Click();
        e->SelAttributes()->SetColor(clRed);
        e->SetSelStart(0);
        e->SetSelLength(0);
        win->SelectionChange(nullptr);
        EXPECT_FALSE(win->BoldButton()->Down());
        e->SetSelStart(8);
        win->SelectionChange(nullptr);
        EXPECT_TRUE(win->BoldButton()->Down());
        EXPECT_EQ(win->StatusBar()->Panels()->Items(1)->Text(), u"Line:   1   Col:   9"_S);
        if (const QByteArray dir = qgetenv("SDELKA_SHOTS"); !dir.isEmpty())
            win->Handle()->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(u"richeditwin.png"_S));
        win->OKButton()->Click();
    });
    control->Click();
    SetResponder(nullptr);
    EXPECT_EQ(T->State(), dsEdit);  // written into the field; nothing posts it
    T->Post();

    const String stored = Note();
    ASSERT_TRUE(IsRtf(stored));
    QTextDocument doc;
    RtfToDocument(stored.toLatin1(), doc);
    const String expected = u"Смена: \t-\tauto\nнорма\tb\t#ff0000\n выполнена\t-\tauto\n"_S;
    EXPECT_EQ(RunsOf(doc), expected);
    EXPECT_EQ(PythonRuns(stored), expected);
}

TEST(RichEditWin, SharedWindowStartsEmptyWithoutAValueAndSavesUnderRtf) {
    TRichEditWinVz* win = TRichEditWinVz::GetGlobalRef();
    EXPECT_EQ(TRichEditWinVz::GetGlobalRef(), win);
    EXPECT_EQ(win->Owner(), Application);
    win->Editor()->SetText(u"от прошлого"_S);
    TOwned<TDynVarsVz> params = NewOwned<TDynVarsVz>(nullptr);
    win->InitForm(nullptr, params.get());
    EXPECT_EQ(win->Editor()->Text(), String());
    EXPECT_EQ(win->PassParams(), pspByFieldNamesVz);
    win->ReturnParams(nullptr, params.get());
    EXPECT_EQ(params->Count(), 0);

    struct Case {
        const char16_t* In;
        const char16_t* Out;
    } names[] = {{u"letter", u"letter.rtf"}, {u"letter.RTF", u"letter.RTF"}, {u"notes.txt", u"notes.txt.rtf"}};
    for (const Case& c : names) EXPECT_EQ(RichEditSaveFileNameVz(String::fromUtf16(c.In)), String::fromUtf16(c.Out));

    // Saving over an existing file asks first; only Yes writes.
    QTemporaryDir dir;
    const String file = dir.filePath(u"letter"_S);
    TScriptedResponder resp;
    SetResponder(&resp);
    win->Editor()->SetText(u"первый"_S);
    win->SaveFile(file);
    EXPECT_EQ(RtfToPlainText([&] {
                  QFile f(file + u".rtf"_S);
                  f.open(QIODevice::ReadOnly);
                  return f.readAll();
              }()),
              u"первый"_S);
    win->Editor()->SetText(u"второй"_S);
    resp.Answer(mrNo);
    win->SaveFile(file);
    EXPECT_EQ(resp.LastCall().Text, u"OK to overwrite "_S + file + u".rtf"_S);
    win->OpenFile(file + u".rtf"_S, false);
    EXPECT_EQ(win->Editor()->Text(), u"первый"_S);
    SetResponder(nullptr);
}

TEST(RichEditWin, TheRulerFollowsTheParagraphIndents) {
    TRichEditWinVz* win = TRichEditWinVz::GetGlobalRef();
    win->Editor()->SetText(u"абзац"_S);
    win->Editor()->Paragraph()->SetFirstIndent(30);
    win->Editor()->Paragraph()->SetLeftIndent(15);
    win->Editor()->Paragraph()->SetRightIndent(9);
    win->SelectionChange(nullptr);
    EXPECT_EQ(win->FirstInd()->Left(), 42);        // trunc(30 * 4/3) + 2
    EXPECT_EQ(win->LeftInd()->Left(), 62);         // trunc(45 * 4/3) + 2
    EXPECT_EQ(win->RightInd()->Left(), win->Ruler()->ClientWidth() - 6 - 20);  // trunc(15 * 4/3)
}

}  // namespace

namespace {

TEST_F(DBRichEdit, TheCaptionLabelNamesTheFieldAndFollowsTheControl) {
    Bind();
    TControlLabelVz* label = Ed->ControlLabel();
    label->SetLabelVisible(true);
    EXPECT_EQ(label->Caption(), u"Note"_S);
    Ed->SetBounds(30, 50, 300, 100);
    EXPECT_EQ(label->Left(), 30);
    EXPECT_EQ(label->Top() + label->Height() + 3, 50);
}

}  // namespace
