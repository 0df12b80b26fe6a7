// Editing a cell of the data grid with keys as the user gives them: typing opens the grid's own
// editor over the cell, Enter writes the text into the field, moving off the row posts it, Escape
// first gives the cell its value back and then cancels the record; Enter as Tab, and a value the
// field refuses shown to the user with the record left in edit.
#include "dbgridfixture.h"

#include "grid/dbgrid/gridinplacevz.h"
#include "platform/testing/scriptedresponder.h"
#include "support/input.h"

#include <QApplication>

#include <memory>

namespace {

using namespace sdelka::test;

class GridInplace : public DBGridFixture {
protected:
    void SetUp() override {
        Scope = std::make_unique<TResponderScope>(&Resp);
        DBGridFixture::SetUp();
        Show();
        G->SetFocus();
        G->SetSelectedIndex(1);
        Application->ProcessMessages();
    }
    void TearDown() override {
        if (T->State() != dsBrowse) T->Cancel();
        DBGridFixture::TearDown();
        Scope.reset();
    }
    TDBGridInplaceEdit* Edit() { return dynamic_cast<TDBGridInplaceEdit*>(G->InplaceEditor()); }
    bool EditorShown() { return Edit() && Edit()->Visible(); }
    void Key(int K, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        SendKey(QApplication::focusWidget(), K, Mods);
        Application->ProcessMessages();
    }
    void Type(const String& Text) {
        for (QChar c : Text) SendKey(QApplication::focusWidget(), Qt::Key_unknown, Qt::NoModifier, QString(c));
        Application->ProcessMessages();
    }
    int C1() { return T->FieldByName(u"C1"_S)->AsInteger(); }

    TScriptedResponder Resp;
    std::unique_ptr<TResponderScope> Scope;
};

TEST_F(GridInplace, TypingEditsTheCellEnterWritesTheFieldAndMovingOffPosts) {
    Type(u"73"_S);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Edit()->Text(), u"73"_S);
    EXPECT_EQ(QApplication::focusWidget(), Edit()->EditCoreControl()->Handle());
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(C1(), 1);  // not in the field before Enter
    // The editor stands inside the current cell, right of the indicator and under the titles.
    const TRect cell = G->CellRect(G->Col(), G->Row());
    const TRect ed = Edit()->BoundsRect();
    EXPECT_TRUE(ed.Left >= cell.Left && ed.Right <= cell.Right && ed.Top >= cell.Top && ed.Bottom <= cell.Bottom)
        << ed.Left << "," << ed.Top << "," << ed.Right << "," << ed.Bottom;
    Save(G->Handle()->grab().toImage(), "inplace-editor.png");
    Key(Qt::Key_Return);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(C1(), 73);
    EXPECT_EQ(T->State(), dsEdit);
    Key(Qt::Key_Down);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->RecNo(), 2);
    T->First();
    EXPECT_EQ(C1(), 73);
    EXPECT_EQ(Resp.CallCount(), 0);
}

// The first Escape takes back what was typed, the second cancels the record's edit; a value that
// went into the field with Enter is taken back by the cancel.
TEST_F(GridInplace, EscapeGivesTheValueBackThenCancelsTheRecord) {
    Type(u"55"_S);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(G->EditText(), u"1"_S);
    EXPECT_EQ(C1(), 1);
    Key(Qt::Key_Escape);
    EXPECT_EQ(T->State(), dsBrowse);

    Type(u"66"_S);
    Key(Qt::Key_Return);
    ASSERT_EQ(C1(), 66);
    Key(Qt::Key_Escape);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(C1(), 1);
    EXPECT_EQ(T->RecNo(), 1);
}

TEST_F(GridInplace, EnterAsTabMovesToTheNextColumnKeepingTheText) {
    G->SetOptionsVz(G->OptionsVz() + dghEnterAsTab);
    Type(u"8"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(G->SelectedIndex(), 2);
    Key(Qt::Key_Down);
    T->First();
    EXPECT_EQ(C1(), 8);
    // Without the option Enter stays in the column.
    G->SetOptionsVz(G->OptionsVz() - dghEnterAsTab);
    G->SetSelectedIndex(1);
    Type(u"9"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(G->SelectedIndex(), 1);
}

// A value the field cannot hold is shown to the user as the error's message; the record stays in
// edit with the field unchanged, and the user can type again.
TEST_F(GridInplace, ARefusedValueIsShownAndTheRecordStaysInEdit) {
    Type(u"99999999999"_S);
    Key(Qt::Key_Return);
    ASSERT_EQ(Resp.CallCount(), 1);
    EXPECT_EQ(Resp.LastCall().Kind, TScriptedResponder::ckMessage);
    EXPECT_TRUE(Resp.LastCall().Text.contains(u"99999999999"_S)) << Resp.LastCall().Text.toStdString();
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(C1(), 1);
    Resp.Clear();
    Key(Qt::Key_Escape);
    Type(u"5"_S);
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    T->First();
    EXPECT_EQ(C1(), 5);
    EXPECT_EQ(Resp.CallCount(), 0);
}

}  // namespace

namespace {

// Tab and Shift+Tab leave the column with its text written into its own field, never into the
// column they arrive at.
TEST_F(GridInplace, LeavingTheColumnWritesTheTextIntoItsOwnField) {
    const struct {
        Qt::KeyboardModifiers Mods;
        const char16_t* Text;
        int Arrives;
    } cases[] = {{Qt::NoModifier, u"41", 2}, {Qt::ShiftModifier, u"42", 0}};
    for (const auto& c : cases) {
        G->SetSelectedIndex(1);
        Type(String::fromUtf16(c.Text));
        Key(Qt::Key_Tab, c.Mods);
        EXPECT_EQ(G->SelectedIndex(), c.Arrives);
        EXPECT_EQ(T->FieldByName(u"C1"_S)->AsString(), String::fromUtf16(c.Text));
        EXPECT_EQ(T->Fields()->Fields(c.Arrives)->AsInteger(), c.Arrives);
    }
}

}  // namespace
