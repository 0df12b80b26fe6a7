// The grid's find dialog: its settings become the text search's parameters, "find next" steps
// through the grid's cells both ways, Enter searches and Esc closes the dialog.
#include "grid/addons/finddialogvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/editors/dbcheckboxvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/dialogs.h"
#include "platform/testing/scriptedresponder.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

struct FindDialog : ::testing::Test {
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
    TDBGridVzFindDlg* Dlg = nullptr;

    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 400, 200);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->CreateDataSet();
        const char16_t* names[] = {u"Иванов", u"Петров", u"Сидоров", u"петрова", u"Козлов"};
        for (int i = 0; i < 5; ++i) T->AppendRecord({Variant(i + 1), String::fromUtf16(names[i])});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 400, 200);
        G->SetParent(Form);
        G->SetDataSource(Src);
        Form->Show();
        Application->ProcessMessages();
        Dlg = TDBGridVzFindDlg::Shared();
    }
    void TearDown() override {
        if (Dlg->Showing()) Dlg->Close();
        FreeAndNil(Form);
        Application->ProcessMessages();
        SetResponder(nullptr);
    }
    int Current() { return T->FieldByName(u"Id"_S)->AsInteger(); }
    void Open(const String& Text) {
        DefaultExecuteFindDialog(G, Text, String(), {}, false);
        Application->ProcessMessages();
    }
};

TEST_F(FindDialog, SettingsBecomeTheSearchParameters) {
    Open(u"петров"_S);
    Dlg->cbFindIn->SetItemIndex(Dlg->cbFindIn->Items()->Count() - 1);
    const struct {
        int Direction;  // item of the direction box: Up, Down, All
        bool FirstTry;
        bool Ctrl;
        TLocateTextDirectionVz Expected;
    } cases[] = {
        {2, true, false, ltdAllVz},  {2, false, false, ltdDownVz},  // "All" goes down after a hit
        {0, true, false, ltdUpVz},   {1, true, false, ltdDownVz},
        {0, false, true, ltdDownVz}, {1, false, true, ltdUpVz},     // Ctrl turns the direction round
        {2, true, true, ltdUpVz},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Direction) + (c.FirstTry ? " first" : " next") + (c.Ctrl ? " ctrl" : ""));
        Dlg->cbFindDirection->SetItemIndex(c.Direction);
        Dlg->IsFirstTry = c.FirstTry;
        EXPECT_EQ(Dlg->SearchParams(c.Ctrl).Direction, c.Expected);
    }
    TFindDialogSearchVz p = Dlg->SearchParams(false);
    EXPECT_TRUE(p.FieldName.isEmpty());
    EXPECT_EQ(p.Options, (TLocateTextOptionsVz{ltoCaseInsensitiveVz, ltoMatchFormatVz, ltoAllFieldsVz}));
    Dlg->cbFindIn->SetItemIndex(1);  // the "Name" column
    Dlg->cbCharCase->SetChecked(true);
    Dlg->cbUseFormat->SetChecked(false);
    Dlg->cbMatchinType->SetItemIndex(2);
    p = Dlg->SearchParams(false);
    EXPECT_EQ(p.FieldName, u"Name"_S);
    EXPECT_EQ(p.Options, TLocateTextOptionsVz{});
    EXPECT_EQ(p.Matching, ltmFromBegingVz);
    EXPECT_EQ(p.TreeFindRange, lttInAllNodesVz);
    Dlg->cbCharCase->SetChecked(false);
    Dlg->cbUseFormat->SetChecked(true);
    Dlg->cbMatchinType->SetItemIndex(0);
}

TEST_F(FindDialog, FindsForwardAndBackwardAndStartsOverAfterAChange) {
    Open(u"петров"_S);
    Dlg->cbFindIn->SetItemIndex(Dlg->cbFindIn->Items()->Count() - 1);
    Dlg->cbFindDirection->SetItemIndex(2);
    // All: the first search covers the whole grid, the next ones go down and wrap round.
    EXPECT_TRUE(Dlg->FindNext(false));
    EXPECT_EQ(Current(), 2);
    EXPECT_FALSE(Dlg->IsFirstTry);
    EXPECT_TRUE(Dlg->FindNext(false));
    EXPECT_EQ(Current(), 4);
    EXPECT_TRUE(Dlg->FindNext(false));
    EXPECT_EQ(Current(), 2);
    EXPECT_TRUE(Dlg->FindNext(true));  // Ctrl: upwards, past the first record
    EXPECT_EQ(Current(), 4);
    // A new text starts over from the top.
    Dlg->cbText->SetText(u"ов"_S);
    EXPECT_TRUE(Dlg->IsFirstTry);
    EXPECT_TRUE(Dlg->FindNext(false));
    EXPECT_EQ(Current(), 1);
    // Case-sensitive: "Петров" is not "петров"; a failed search leaves the position alone.
    Dlg->cbText->SetText(u"петрова"_S);
    Dlg->cbCharCase->SetChecked(true);
    Dlg->cbMatchinType->SetItemIndex(1);
    EXPECT_TRUE(Dlg->FindNext(false));
    EXPECT_EQ(Current(), 4);
    Dlg->cbText->SetText(u"ПЕТРОВА"_S);
    EXPECT_FALSE(Dlg->FindNext(false));
    EXPECT_EQ(Current(), 4);
    EXPECT_GE(Dlg->cbText->Items()->IndexOf(u"ПЕТРОВА"_S), 0);  // searched texts join the history
    Dlg->cbCharCase->SetChecked(false);
    Dlg->cbMatchinType->SetItemIndex(0);
}

TEST_F(FindDialog, EnterSearchesAndEscapeClosesTheDialog) {
    Open(u"Сидоров"_S);
    EXPECT_TRUE(Dlg->Showing());
    EXPECT_EQ(Dlg->FormStyle(), fsStayOnTop);
    // Not a tree: the tree row is cut off; the grid's selected column is listed and selected.
    EXPECT_FALSE(Dlg->dbcTreeFindRange->Visible());
    EXPECT_EQ(Dlg->ClientHeight(), Dlg->dbcTreeFindRange->Top());
    EXPECT_EQ(Dlg->cbFindIn->Items()->Count(), 3);
    EXPECT_EQ(Dlg->cbFindIn->Items()->Strings(2), u"<Все>"_S);
    EXPECT_EQ(Dlg->cbFindIn->ItemIndex(), G->SelectedIndex());

    const QImage shot = Dlg->Handle()->grab().toImage();
    const QString dir = QDir::temp().filePath(QStringLiteral("sdelka-addons"));
    QDir().mkpath(dir);
    shot.save(dir + QStringLiteral("/finddialog.png"));

    Dlg->cbFindIn->SetItemIndex(1);
    sdelka::test::SendKey(Dlg->cbText->Handle(), Qt::Key_Return);
    Application->ProcessMessages();
    EXPECT_EQ(Current(), 3);
    EXPECT_TRUE(Dlg->Showing());
    sdelka::test::SendKey(Dlg->cbText->Handle(), Qt::Key_Escape);
    Application->ProcessMessages();
    EXPECT_FALSE(Dlg->Showing());
    EXPECT_EQ(Current(), 3);
}

}  // namespace
