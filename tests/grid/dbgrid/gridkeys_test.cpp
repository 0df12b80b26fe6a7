// The data grid's keyboard as a user meets it (key presses sent to its window), the in-place search,
// the kept view position and the arithmetic of the layout recalculation.
#include "dbgridfixture.h"

#include "grid/dbgrid/gridnavvz.h"
#include "grid/dbgrid/gridrecalcvz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "platform/testing/scriptedresponder.h"
#include "tests/support/input.h"

using sdelka::test::SendKey;

namespace {

class GridKeys : public DBGridFixture {
protected:
    void SetUp() override {
        Records = 30;
        SetResponder(&Resp);
        DBGridFixture::SetUp();
        Show();
        G->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        DBGridFixture::TearDown();
        SetResponder(nullptr);
    }
    void Key(int K, Qt::KeyboardModifiers M = Qt::NoModifier, const QString& Text = QString()) {
        SendKey(G->Handle(), K, M, Text);
    }
    int SelectedCount() { return G->SelectedRows()->Count(); }
    TScriptedResponder Resp;
};

TEST_F(GridKeys, ArrowsPagesAndCtrlKeysMoveTheRecord) {
    const int page = G->VisibleDataRowCount();
    ASSERT_GT(page, 3);
    struct Case {
        int Key;
        Qt::KeyboardModifiers Mods;
        int RecNo;
    } Cases[] = {
        {Qt::Key_Down, Qt::NoModifier, 2},
        {Qt::Key_Down, Qt::NoModifier, 3},
        {Qt::Key_Up, Qt::NoModifier, 2},
        {Qt::Key_PageDown, Qt::NoModifier, 2 + page},
        {Qt::Key_PageUp, Qt::NoModifier, 2},
        {Qt::Key_End, Qt::ControlModifier, 30},
        {Qt::Key_Home, Qt::ControlModifier, 1},
        // Ctrl+Down goes to the last row in view, Ctrl+Up back to the first, not one row.
        {Qt::Key_Down, Qt::ControlModifier, page},
        {Qt::Key_Up, Qt::ControlModifier, 1},
    };
    for (const Case& c : Cases) {
        Key(c.Key, c.Mods);
        EXPECT_EQ(T->RecNo(), c.RecNo) << c.Key << " " << int(c.Mods);
        // One grid row per record: the current row follows.
        EXPECT_EQ(G->Row() - G->TopDataOffset(), T->RecNo() - 1);
    }
    EXPECT_EQ(T->State(), dsBrowse);
}

TEST_F(GridKeys, ShiftArrowsGrowAndShrinkARangeOfRecords) {
    G->SetOptions(G->Options() + TDBGridOptions{dgMultiSelect, dgRowSelect});
    Key(Qt::Key_Down);
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedCount(), 4);
    EXPECT_EQ(T->RecNo(), 5);
    // The step back toward the anchor unmarks the record it leaves.
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedCount(), 3);
    EXPECT_TRUE(G->SelectedRows()->CurrentRowSelected());
    T->SetRecNo(5);
    EXPECT_FALSE(G->SelectedRows()->CurrentRowSelected());
    // Past the anchor the range goes on the other side.
    T->SetRecNo(4);
    for (int i = 0; i < 4; ++i) Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(T->RecNo(), 1);
    EXPECT_EQ(SelectedCount(), 2);  // records 1 and 2: the anchor and the one above it
    // A plain arrow drops the range; Shift+Ctrl+End marks to the end.
    Key(Qt::Key_Down);
    EXPECT_EQ(SelectedCount(), 0);
    Key(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(T->RecNo(), 30);
    EXPECT_EQ(SelectedCount(), 29);
    // Ctrl+A with Ctrl alone selects everything (every record where "everything" is not allowed);
    // with Shift as well it does nothing.
    Key(Qt::Key_Escape);
    EXPECT_EQ(SelectedCount(), 0);
    Key(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(G->Selection()->SelectionType(), gstNon);
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(G->Selection()->SelectionType(), gstAll);
    Key(Qt::Key_Escape);
    G->SetAllowedSelections(G->AllowedSelections() - TDBGridVzAllowedSelections{gstAll});
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedCount(), 30);
}

TEST_F(GridKeys, DownAtTheEndAppendsOnlyWhenTheGridMayAndKeepsAnUntouchedNewRecord) {
    T->Last();
    G->SetAllowedOperations(TDBGridVzAllowedOperations{alopInsertVz, alopUpdateVz, alopDeleteVz});
    Key(Qt::Key_Down);
    EXPECT_EQ(T->State(), dsBrowse);
    G->SetAllowedOperations(TDBGridVzAllowedOperations{alopInsertVz, alopUpdateVz, alopDeleteVz, alopAppendVz});
    G->SetReadOnly(true);
    Key(Qt::Key_Down);
    EXPECT_EQ(T->State(), dsBrowse);
    G->SetReadOnly(false);
    Key(Qt::Key_Down);
    ASSERT_EQ(T->State(), dsInsert);
    // Down on the new record nobody typed into keeps it; Up drops it.
    Key(Qt::Key_Down);
    EXPECT_EQ(T->State(), dsInsert);
    Key(Qt::Key_Up);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->RecordCount(), 30);
}

TEST_F(GridKeys, TabOnTheLastColumnGoesToTheFirstColumnOfTheNextRecord) {
    G->SetSelectedIndex(8);
    Key(Qt::Key_Tab);
    EXPECT_EQ(G->SelectedIndex(), 9);
    EXPECT_EQ(T->RecNo(), 1);
    Key(Qt::Key_Tab);
    EXPECT_EQ(G->SelectedIndex(), 0);
    EXPECT_EQ(T->RecNo(), 2);
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(G->SelectedIndex(), 9);
    EXPECT_EQ(T->RecNo(), 1);
    // Home and End go to the first and last column; Ctrl+Left and Ctrl+Right as well.
    Key(Qt::Key_Home);
    EXPECT_EQ(G->SelectedIndex(), 0);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(G->SelectedIndex(), 9);
}

TEST_F(GridKeys, DeletingAsksUnlessConfirmationIsOff) {
    Resp.Answer(mrCancel);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(T->RecordCount(), 30);
    ASSERT_EQ(Resp.Calls().size(), 1u);
    EXPECT_EQ(Resp.Calls()[0].Text, u"Delete record?"_S);
    Resp.Answer(mrOk);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(T->RecordCount(), 29);
    G->SetOptions(G->Options() - TDBGridOptions{dgConfirmDelete});
    EXPECT_TRUE(G->ConfirmDelete());
    EXPECT_EQ(Resp.Calls().size(), 2u);
}

// A grid over names, searched by typing on a column that cannot be edited.
class GridSearch : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 400, 240);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
        T->CreateDataSet();
        for (const char16_t* s : {u"Петров", u"Иванов", u"Ивашкин", u"Сидоров", u"иволгин"})
            T->AppendRecord({Variant(String::fromUtf16(s))});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 400, 240);
        G->SetParent(Form);
        G->SetDataSource(Src);
        G->SetOptionsVz(G->OptionsVz() + TDBGridVzOptions{dghIncSearch});
        G->SetOptions(G->Options() - TDBGridOptions{dgEditing});
        Form->Show();
        G->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Type(const String& S) {
        for (QChar c : S) SendKey(G->Handle(), 0, Qt::NoModifier, QString(c));
    }
    String Name() { return T->FieldByName(u"Name"_S)->AsString(); }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(GridSearch, TypedLettersFindTheRecordAndTakeItsCase) {
    Type(u"ив"_S);
    EXPECT_TRUE(G->InplaceSearching());
    EXPECT_EQ(Name(), u"Иванов"_S);
    EXPECT_EQ(G->InplaceSearchText(), u"Ив"_S);
    EXPECT_FALSE(G->IsEditorVisible());
    Type(u"аш"_S);
    EXPECT_EQ(Name(), u"Ивашкин"_S);
    EXPECT_EQ(G->InplaceSearchText(), u"Иваш"_S);
    // A letter that matches nothing is dropped and the search goes on.
    Type(u"я"_S);
    EXPECT_EQ(G->InplaceSearchText(), u"Иваш"_S);
    EXPECT_TRUE(G->InplaceSearching());
    // Backspace shortens the text; Ctrl+Enter goes to the next match of what is left.
    SendKey(G->Handle(), Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    SendKey(G->Handle(), Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(G->InplaceSearchText(), u"Ив"_S);
    SendKey(G->Handle(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Name(), u"иволгин"_S);
    // Enter ends the search.
    SendKey(G->Handle(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_FALSE(G->InplaceSearching());
    EXPECT_TRUE(G->InplaceSearchText().isEmpty());
    EXPECT_EQ(T->State(), dsBrowse);
}

TEST_F(GridSearch, CtrlFStartsASearchWithoutTimeOutAndASecondOneOpensTheFindDialog) {
    int dialogs = 0;
    DBGridVzShowFindDialogRoutine = [&](TCustomDBGridVz*) { ++dialogs; };
    SendKey(G->Handle(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(G->InplaceSearching());
    EXPECT_EQ(dialogs, 0);
    SendKey(G->Handle(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(G->InplaceSearching());
    EXPECT_EQ(dialogs, 1);
    DBGridVzShowFindDialogRoutine = nullptr;
}

TEST_F(GridKeys, KeptBookmarkComesBackToItsRowAndAFailedKeepLeavesTheRecord) {
    G->SetFocus();
    T->SetRecNo(12);
    Application->ProcessMessages();
    const int offset = G->Row() - G->TopRow();
    G->SaveBookmark();
    T->First();
    G->RestoreBookmark();
    EXPECT_EQ(T->RecNo(), 12);
    EXPECT_EQ(G->Row() - G->TopRow(), offset);
    // Over the data link's window (no memory-table rows): a key field that does not exist raises,
    // and the data set stays on its record.
    G->SetTryUseMemTableInt(false);
    Application->ProcessMessages();
    T->SetRecNo(7);
    EXPECT_THROW(G->SaveVertPos(u"NOPE"_S), Exception);
    EXPECT_EQ(T->RecNo(), 7);
    G->SaveVertPos(u"C0"_S);
    EXPECT_EQ(T->RecNo(), 7);
    T->First();
    G->RestoreVertPos(u"C0"_S);
    EXPECT_EQ(T->RecNo(), 7);
}

TEST(GridRecalc, RowHeightsFitWholeTextLinesAndScaledWidthsKeepTheirSum) {
    struct Case {
        int Height, Text, Border, Fitted;
    } Cases[] = {{27, 13, 3, 29}, {18, 13, 3, 16}, {16, 13, 3, 16}, {10, 13, 3, 16}, {22, 13, 3, 16}, {23, 13, 3, 29}};
    for (const Case& c : Cases) EXPECT_EQ(FitRowHeightToTextVz(c.Height, c.Text, c.Border), c.Fitted) << c.Height;
    std::vector<int> w{33, 33, 33};
    ScaleWidthsCumulativeVz(w, 3, 2);
    EXPECT_EQ(w, (std::vector<int>{50, 49, 50}));
}

TEST_F(GridKeys, TitleFilterButtonTakesAtMostHalfTheCell) {
    TRect button;
    const TRect cell{100, 0, 140, 20};
    EXPECT_TRUE(G->GetTitleFilterButtonRect(TPoint{138, 10}, cell, button));
    EXPECT_LE(button.Right - button.Left, 20);
    EXPECT_EQ(button.Right, G->OptionsVz().Contains(dghFixed3D) ? 139 : 140);
    EXPECT_FALSE(G->GetTitleFilterButtonRect(TPoint{102, 10}, cell, button));
}

}  // namespace
