// The data-aware edit over an in-memory dataset and unbound: what it shows focused and not,
// typing that starts an edit, Esc, writing on Enter and on exit, read-only, a refused write and
// the empty-data hint.
#include "grid/editors/dbeditvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/hints.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace {

using namespace sdelka::test;

class DBEdit : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 120);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"Qty"_S, ftInteger);
        T->CreateDataSet();
        T->AppendRecord({Variant(u"Иванов"_S), Variant(5)});
        T->AppendRecord({Variant(u"Петров"_S), Variant(7)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Ed = New<TDBEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 150, 22);
        Other = New<TDBEditVz>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 40, 150, 22);
        Form->Show();
        Other->SetFocus();  // the form focuses its first control
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Bind(const String& FieldName) {
        Ed->SetDataSource(Src);
        Ed->SetDataField(FieldName);
    }
    void Type(const String& S) {
        for (QChar c : S) SendKeyToWindow(Ed->Handle(), 0, Qt::NoModifier, QString(c));
    }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBEditVz* Ed = nullptr;
    TDBEditVz* Other = nullptr;
};

TEST_F(DBEdit, ShowsTheFieldFollowsTheCursorAndTakesTheStringSize) {
    Bind(u"Name"_S);
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);
    EXPECT_EQ(Ed->MaxLength(), 20);
    T->Next();
    EXPECT_EQ(Ed->Text(), u"Петров"_S);
    auto* line = qobject_cast<QLineEdit*>(Ed->Handle());
    EXPECT_TRUE(line->alignment() & Qt::AlignLeft);
    Ed->SetDataField(u"Qty"_S);  // the length taken from Name goes
    EXPECT_EQ(Ed->MaxLength(), 0);
    EXPECT_EQ(Ed->Text(), u"7"_S);
    EXPECT_TRUE(line->alignment() & Qt::AlignRight);  // a number stands at the right, as its field says
    Ed->SetAlignment(taCenter);
    EXPECT_TRUE(line->alignment() & Qt::AlignHCenter);
}

TEST_F(DBEdit, FocusedShowsEditTextOtherwiseDisplayText) {
    auto* qty = static_cast<TNumericField*>(T->FieldByName(u"Qty"_S));
    qty->SetDisplayFormat(u"000"_S);
    qty->SetEditFormat(u"0"_S);
    Bind(u"Qty"_S);
    EXPECT_EQ(Ed->Text(), u"005"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    EXPECT_TRUE(Ed->Focused());
    EXPECT_EQ(Ed->Text(), u"5"_S);
    Other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Ed->Text(), u"005"_S);
}

TEST_F(DBEdit, TypingEditsTheDatasetAndLeavingWritesTheValue) {
    Bind(u"Name"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(T->State(), dsBrowse);
    auto* line = qobject_cast<QLineEdit*>(Ed->Handle());
    EXPECT_TRUE(line->isReadOnly());  // the line edit's own menu cannot change a browsed record
    Type(u"Сидоров"_S);  // all was selected on entry
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_FALSE(line->isReadOnly());
    EXPECT_EQ(Ed->Text(), u"Сидоров"_S);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Иванов"_S);  // not written yet
    Other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Сидоров"_S);
    T->Post();
    T->First();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Сидоров"_S);
}

TEST_F(DBEdit, EnterWritesAndEscapeRevertsTheText) {
    Bind(u"Name"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    Type(u"Кузнецов"_S);
    SendKeyToWindow(Ed->Handle(), Qt::Key_Escape);
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);
    EXPECT_FALSE(Ed->Modified());
    Type(u"Орлов"_S);
    SendKeyToWindow(Ed->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Орлов"_S);
    EXPECT_FALSE(Ed->Modified());
}

TEST_F(DBEdit, ReadOnlyEditorOrDatasetRefusesTyping) {
    Bind(u"Name"_S);
    Ed->SetReadOnly(true);
    Ed->SetFocus();
    Application->ProcessMessages();
    Type(u"X"_S);
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);
    EXPECT_EQ(T->State(), dsBrowse);

    Ed->SetReadOnly(false);
    T->SetReadOnly(true);
    Type(u"X"_S);
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);
    EXPECT_EQ(T->State(), dsBrowse);
}

TEST_F(DBEdit, AnInvalidCharacterIsDroppedAndAFailingWriteRestoresTheStoredValue) {
    Bind(u"Qty"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    Type(u"1x2"_S);  // an integer field refuses the letter
    EXPECT_EQ(Ed->Text(), u"12"_S);
    EXPECT_THROW(Ed->SetText(u"99999999999999"_S), Exception);
    EXPECT_EQ(Ed->Text(), u"5"_S);
    EXPECT_EQ(T->FieldByName(u"Qty"_S)->AsInteger(), 5);
}

TEST_F(DBEdit, UnboundKeepsItsOwnValueAndOnUpdateDataCanTakeTheWrite) {
    Ed->SetFocus();
    Application->ProcessMessages();
    Type(u"abc"_S);
    Other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(SafeVarToStrVz(Ed->DataLink()->DataIndependentValue), u"abc"_S);

    Bind(u"Name"_S);
    int calls = 0;
    Ed->OnUpdateData = [&](TObject*, bool& Handled) {
        ++calls;
        Handled = true;
    };
    Ed->SetText(u"Лебедев"_S);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Иванов"_S);
    EXPECT_FALSE(Ed->Modified());
}

TEST_F(DBEdit, PastedLinesBecomeOneLineWithinTheLengthAndOnlyWhenEditable) {
    Bind(u"Name"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    SendKeyToWindow(Ed->Handle(), Qt::Key_End);
    QApplication::clipboard()->setText(u"\r\nСын\nОтец\r\n"_S);
    SendKeyToWindow(Ed->Handle(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Ed->Text(), u"Иванов Сын Отец"_S);
    EXPECT_EQ(Ed->SelStart(), 15);
    EXPECT_EQ(T->State(), dsEdit);
    QApplication::clipboard()->setText(u"0123456789\n"_S);  // 20 characters at most
    SendKeyToWindow(Ed->Handle(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Ed->Text(), u"Иванов Сын Отец01234"_S);
    T->Cancel();
    T->SetReadOnly(true);
    SendKeyToWindow(Ed->Handle(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);
}

TEST_F(DBEdit, TooltipsShowAClippedTextWholeUnderTheEditor) {
    Bind(u"Name"_S);
    Ed->SetTooltips(true);
    EXPECT_TRUE(Ed->TControl::ShowHint());
    const auto hint = [&](THintInfo& Info) { return Ed->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&Info)); };
    THintInfo fits;
    EXPECT_NE(hint(fits), 0);  // fits, and ShowHint is off: no hint
    Ed->SetShowHint(true);
    fits.HintStr = u"подсказка"_S;
    EXPECT_EQ(hint(fits), 0);
    EXPECT_EQ(fits.HintStr, u"подсказка"_S);

    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"Константинопольский"_S);
    Ed->SetBounds(10, 10, 60, 22);
    THintInfo clipped;
    EXPECT_EQ(hint(clipped), 0);
    EXPECT_EQ(clipped.HintStr, u"Константинопольский"_S);
    const TPoint corner = Ed->ClientToScreen(TPoint(0, Ed->Height()));
    EXPECT_EQ(clipped.HintPos.X, corner.X);
    EXPECT_EQ(clipped.HintPos.Y, corner.Y);
}

TEST_F(DBEdit, AMaskedEditorKeepsTheEditTextUnboundAndTheTextBound) {
    Ed->SetEditMask(u"000-00;0;_"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    Type(u"12345"_S);
    EXPECT_EQ(Ed->EditText(), u"123-45"_S);
    Other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(SafeVarToStrVz(Ed->DataLink()->DataIndependentValue), u"123-45"_S);

    Bind(u"Name"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    Type(u"67890"_S);
    Other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"67890"_S);
}

TEST_F(DBEdit, UndoTakesBackTypingAndOnGetFieldDataSuppliesTheShownValue) {
    Bind(u"Name"_S);
    Ed->SetFocus();
    Application->ProcessMessages();
    SendKeyToWindow(Ed->Handle(), Qt::Key_End);
    Type(u"а"_S);
    EXPECT_EQ(Ed->Text(), u"Иванова"_S);
    Ed->Undo();
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);

    Ed->OnGetFieldData = [](TObject*, Variant& Value, bool& Handled) {
        Value = Variant(u"скрыто"_S);
        Handled = true;
    };
    T->Next();
    EXPECT_EQ(Ed->Text(), u"скрыто"_S);
}

TEST_F(DBEdit, EmptyEditorShowsTheHint) {
    Ed->EmptyDataInfo()->SetText(u"Фамилия"_S);
    Bind(u"Name"_S);
    T->Edit();
    T->FieldByName(u"Name"_S)->Clear();
    EXPECT_TRUE(Ed->IsEmpty());
    auto* line = qobject_cast<QLineEdit*>(Ed->Handle());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->placeholderText(), u"Фамилия"_S);
    EXPECT_TRUE(Ed->EmptyDataInfo()->Showing());
}

}  // namespace
