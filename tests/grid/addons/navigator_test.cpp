// The grid's navigator panel: layout, button states, the buttons' actions (delete with its
// question through the scripted responder), focus keys and hints; and its info boxes: the record
// count with the marked rows and the aggregates over the selected cells.
#include "grid/addons/navigatorvz.h"
#include "grid/base/toolsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/messages.h"
#include "platform/gui/dialogs.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

namespace {

struct Navigator : ::testing::Test {
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
    TDBGridVzNavigatorPanel* N = nullptr;

    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 640, 220);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"Qty"_S, ftInteger);
        T->CreateDataSet();
        // Qty: 100, 400, 1000, 0, Null, 7; Name: one empty string and one Null.
        T->AppendRecord({Variant(1), u"Болт"_S, Variant(100)});
        T->AppendRecord({Variant(2), u"Гайка"_S, Variant(400)});
        T->AppendRecord({Variant(3), u"Шайба"_S, Variant(1000)});
        T->AppendRecord({Variant(4), u""_S, Variant(0)});
        T->AppendRecord({Variant(5), Variant::Null(), Variant::Null()});
        T->AppendRecord({Variant(6), u"Винт"_S, Variant(7)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 640, 200);
        G->SetParent(Form);
        G->SetOptions(G->Options() + dgMultiSelect);
        G->SetDataSource(Src);
        N = New<TDBGridVzNavigatorPanel>(Form);
        N->SetParent(Form);
        N->SetBounds(0, 200, 400, 20);
        N->SetGrid(G);
        N->SetDataSource(Src);
        Form->Show();
        Application->ProcessMessages();
        N->UpdateButtons();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
        SetResponder(nullptr);
    }
    int Current() { return T->FieldByName(u"Id"_S)->AsInteger(); }
    void Mark(std::initializer_list<int> Ids) {
        for (int id : Ids) {
            ASSERT_TRUE(T->Locate(u"Id"_S, id, {}));
            G->SelectedRows()->SetCurrentRowSelected(true);
        }
        N->GridSelectionChanged();
    }
    bool On(TNavigateBtnVz B) { return N->NavButtons(B)->Enabled(); }
};

TEST_F(Navigator, LaysTheItemsOutAndKeysSkipHiddenButtons) {
    const int records = N->RecordsInfoPanel()->Width();
    EXPECT_GT(records, 0);
    EXPECT_EQ(N->RecordsInfoPanel()->Left(), 0);
    EXPECT_EQ(N->NavButtonsDivider()->Left(), records);
    EXPECT_EQ(N->NavButtonsDivider()->Width(), 7);
    for (int i = 0; i < NavButtonCountVz; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(N->NavButtons(i)->Left(), records + 7 + 19 * i);
        EXPECT_EQ(N->NavButtons(i)->Width(), 19);
        EXPECT_EQ(N->NavButtons(i)->Height(), 19);
    }
    EXPECT_FALSE(N->SelectionInfoPanel()->Visible());  // nothing selected
    EXPECT_EQ(N->Width(), records + 7 + 10 * 20);      // the client height for each button

    N->SetVisibleButtons({nbFirstVz, nbNextVz, nbLastVz});
    EXPECT_GT(N->NavButtons(nbPriorVz)->Left(), N->Width());  // parked beyond the right edge
    EXPECT_EQ(N->NavButtons(nbNextVz)->Left(), records + 7 + 19);
    Word key = VK_RIGHT;
    N->DoKeyDown(key, {});
    EXPECT_EQ(N->FocusedButton(), nbNextVz);
    key = VK_RIGHT;
    N->DoKeyDown(key, {});
    EXPECT_EQ(N->FocusedButton(), nbLastVz);
    key = VK_RIGHT;
    N->DoKeyDown(key, {});
    EXPECT_EQ(N->FocusedButton(), nbLastVz);  // nothing visible after it
    key = VK_LEFT;
    N->DoKeyDown(key, {});
    EXPECT_EQ(N->FocusedButton(), nbNextVz);
    key = VK_SPACE;
    N->DoKeyDown(key, {});
    EXPECT_EQ(Current(), 2);
}

TEST_F(Navigator, ButtonStatesFollowThePositionTheEditStateAndTheGrid) {
    EXPECT_FALSE(On(nbFirstVz));
    EXPECT_FALSE(On(nbPriorVz));
    EXPECT_TRUE(On(nbNextVz));
    EXPECT_TRUE(On(nbInsertVz));
    EXPECT_TRUE(On(nbDeleteVz));
    EXPECT_TRUE(On(nbEditVz));
    EXPECT_FALSE(On(nbPostVz));
    T->Last();
    EXPECT_TRUE(On(nbPriorVz));
    EXPECT_FALSE(On(nbNextVz));
    EXPECT_FALSE(On(nbLastVz));
    T->Edit();
    EXPECT_TRUE(On(nbPostVz));
    EXPECT_TRUE(On(nbCancelVz));
    EXPECT_FALSE(On(nbEditVz));
    T->Cancel();
    G->SetReadOnly(true);
    N->UpdateButtonStates();
    for (TNavigateBtnVz b : {nbInsertVz, nbDeleteVz, nbEditVz, nbPostVz, nbCancelVz}) EXPECT_FALSE(On(b)) << b;
    EXPECT_TRUE(On(nbRefreshVz));
    G->SetReadOnly(false);
    G->SetAllowedOperations({alopUpdateVz});
    N->UpdateButtonStates();
    EXPECT_FALSE(On(nbInsertVz));
    EXPECT_FALSE(On(nbDeleteVz));
    EXPECT_TRUE(On(nbEditVz));
    // An empty dataset without insert rights leaves nothing to edit.
    while (!T->IsEmpty()) T->Delete();
    N->UpdateButtonStates();
    EXPECT_FALSE(On(nbEditVz));
}

TEST_F(Navigator, ButtonsMoveInsertPostAndDeleteWithTheQuestion) {
    N->NavBtnClick(nbNextVz);
    N->NavBtnClick(nbNextVz);
    EXPECT_EQ(Current(), 3);
    N->NavBtnClick(nbLastVz);
    EXPECT_EQ(Current(), 6);
    N->NavBtnClick(nbPriorVz);
    EXPECT_EQ(Current(), 5);
    N->NavBtnClick(nbInsertVz);
    ASSERT_EQ(T->State(), dsInsert);
    T->FieldByName(u"Id"_S)->SetAsInteger(7);
    N->NavBtnClick(nbPostVz);
    EXPECT_EQ(T->RecordCount(), 7);

    // With the question on: Cancel keeps the record, OK deletes it.
    G->SetOptions(G->Options() + dgConfirmDelete);
    ASSERT_TRUE(T->Locate(u"Id"_S, 2, {}));
    Resp.Answer(mrCancel);
    N->NavBtnClick(nbDeleteVz);
    EXPECT_EQ(T->RecordCount(), 7);
    EXPECT_EQ(Resp.LastCall().Text, u"Delete record?"_S);
    Resp.Answer(mrOk);
    N->NavBtnClick(nbDeleteVz);
    EXPECT_EQ(T->RecordCount(), 6);
    EXPECT_FALSE(T->Locate(u"Id"_S, 2, {}));
    // Marked records go together, without the question.
    const int asked = Resp.CallCount();
    Mark({1, 3, 6});
    N->NavBtnClick(nbDeleteVz);
    EXPECT_EQ(Resp.CallCount(), asked);
    EXPECT_EQ(T->RecordCount(), 3);
    EXPECT_EQ(G->SelectedRows()->Count(), 0);
    // Without the question one record goes at once.
    G->SetOptions(G->Options() - dgConfirmDelete);
    N->NavBtnClick(nbDeleteVz);
    EXPECT_EQ(T->RecordCount(), 2);
    EXPECT_EQ(Resp.CallCount(), asked);
}

TEST_F(Navigator, ClickEventsAndHints) {
    std::vector<int> before, after;
    N->BeforeAction = [&](TObject*, TNavigateBtnVz B) { before.push_back(B); };
    N->OnNavClick = [&](TObject*, TNavigateBtnVz B) { after.push_back(B); };
    N->OnGridButtonClick = [&](TObject*, TNavigateBtnVz B, bool& Handled) { Handled = B == nbLastVz; };
    N->NavBtnClick(nbLastVz);
    EXPECT_EQ(Current(), 1);  // the grid handled it
    N->NavBtnClick(nbNextVz);
    EXPECT_EQ(Current(), 2);
    EXPECT_EQ(before, (std::vector<int>{nbLastVz, nbNextVz}));
    EXPECT_EQ(after, before);

    N->Hints()->SetText(u"Начало\n\nДальше"_S);
    EXPECT_EQ(N->NavButtons(nbFirstVz)->Hint(), u"Начало"_S);
    EXPECT_EQ(N->NavButtons(nbPriorVz)->Hint(), GetViZevLanguageConsts()->PriorRecordVz());
    EXPECT_EQ(N->NavButtons(nbNextVz)->Hint(), u"Дальше"_S);
    EXPECT_EQ(N->NavButtons(nbRefreshVz)->Hint(), GetViZevLanguageConsts()->RefreshRecordVz());
}

TEST_F(Navigator, InfoBoxesCountRecordsAndAggregateMarkedRows) {
    EXPECT_EQ(N->RecordsInfoText(), u"6"_S);
    EXPECT_TRUE(N->SelectionInfoPanelText().isEmpty());
    Mark({1, 2, 3});
    EXPECT_EQ(N->RecordsInfoText(), u"6 (3)"_S);
    // Id and Qty are numbers; Name counts as text only.
    EXPECT_EQ(N->SelectionInfoPanelText(),
              u" Sum: 1506    Count: 9    Average: 251    Min: 1    Max: 1000 "_S);
    ASSERT_EQ(N->SelectionInfoPanelDataVz().size(), 5u);
    EXPECT_EQ(N->SelectionInfoPanelDataVz()[0].Text, u"1506"_S);
    EXPECT_TRUE(N->SelectionInfoPanel()->Visible());
    EXPECT_LT(N->SelectionInfoPanelDataVz()[0].Start, N->SelectionInfoPanelDataVz()[0].Finish);
    EXPECT_LT(N->SelectionInfoPanelDataVz()[0].Finish, N->SelectionInfoPanelDataVz()[1].Start);

    // A click on a value finds it; between two values or on a label nothing is found.
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(G->Font());
    const int textWidth = c->TextWidth(N->SelectionInfoPanelText());
    const int origin = (N->SelectionInfoPanel()->Width() - textWidth) / 2;
    const auto& items = N->SelectionInfoPanelDataVz();
    EXPECT_EQ(N->SelectionItemAt(origin + (items[1].Start + items[1].Finish) / 2), 1);
    EXPECT_EQ(N->SelectionItemAt(origin + (items[0].Finish + items[1].Start) / 2), -1);
    EXPECT_EQ(N->SelectionItemAt(origin + 1), -1);

    const QImage shot = Form->Handle()->grab().toImage();
    const QString dir = QDir::temp().filePath(QStringLiteral("sdelka-addons"));
    QDir().mkpath(dir);
    shot.save(dir + QStringLiteral("/navigator.png"));
}

TEST_F(Navigator, AggregatesCountNonEmptyCellsAndSumNumbersOnly) {
    std::array<Variant, 5> r;
    auto bookmarksOf = [this](std::initializer_list<int> Ids) {
        TGridAggrSelectionVz s;
        s.Kind = gstRecordBookmarks;
        for (int id : Ids) {
            EXPECT_TRUE(T->Locate(u"Id"_S, id, {}));
            s.Bookmarks.push_back(T->GetBookmark());
        }
        return s;
    };
    // Only the Name column: text cells give a count and nothing else; "" and Null are not counted.
    G->Columns()->Items(0)->SetVisible(false);
    G->Columns()->Items(2)->SetVisible(false);
    TDBGridVzNavigatorPanel::AggregateSelection(G, bookmarksOf({1, 4, 5}), r);
    EXPECT_EQ(VarToStr(r[1]), u"1"_S);
    EXPECT_TRUE(VarIsNull(r[0]));
    EXPECT_TRUE(VarIsNull(r[3]));
    // The Qty column: 0 counts and adds; Null does not.
    G->Columns()->Items(1)->SetVisible(false);
    G->Columns()->Items(2)->SetVisible(true);
    TDBGridVzNavigatorPanel::AggregateSelection(G, bookmarksOf({4, 5, 6}), r);
    EXPECT_EQ(VarToStr(r[0]), u"7"_S);
    EXPECT_EQ(VarToStr(r[1]), u"2"_S);
    EXPECT_EQ(VarToStr(r[2]), u"3,5"_S);  // the program's decimal separator
    EXPECT_EQ(VarToStr(r[3]), u"0"_S);
    EXPECT_EQ(VarToStr(r[4]), u"7"_S);
    // A marked record that has left the view takes no part; the others still count.
    TGridAggrSelectionVz s = bookmarksOf({2, 3, 6});
    ASSERT_TRUE(T->Locate(u"Id"_S, 3, {}));
    T->Delete();
    TDBGridVzNavigatorPanel::AggregateSelection(G, s, r);
    EXPECT_EQ(VarToStr(r[0]), u"407"_S);
    EXPECT_EQ(VarToStr(r[1]), u"2"_S);
    EXPECT_EQ(VarToStr(r[4]), u"400"_S);
    // All rows and a rectangle.
    s = TGridAggrSelectionVz{};
    s.Kind = gstAll;
    TDBGridVzNavigatorPanel::AggregateSelection(G, s, r);
    EXPECT_EQ(VarToStr(r[0]), u"507"_S);
    s.Kind = gstRectangle;
    s.RectTop = bookmarksOf({1}).Bookmarks[0];
    s.RectBottom = bookmarksOf({2}).Bookmarks[0];
    s.RectLeft = 0;
    s.RectRight = 0;
    TDBGridVzNavigatorPanel::AggregateSelection(G, s, r);
    EXPECT_EQ(VarToStr(r[0]), u"3"_S);  // the Id column, though hidden, is the rectangle's first
}

}  // namespace
