// The grid's text search, the dataset-handler registry and the search panel settings.
#include "grid/dbgrid/searchpanelparamsvz.h"
#include "grid/dbgrid/textsearchvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/testing/memdata.h"

#include "filtergrid.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct TextSearchFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    std::unique_ptr<TTestFilterGrid> G;
    TextSearchFixture() {
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"Kind"_S, ftString, 5);
        T->CreateDataSet();
        const char16_t* names[] = {u"x ABC y", u"xabc", u"abc", u"cab", u"ab"};
        for (int i = 0; i < 5; ++i) T->AppendRecord({Variant(i + 1), String::fromUtf16(names[i]), u"k"_S + QString::number(i + 1)});
        G = std::make_unique<TTestFilterGrid>(T.get(), std::initializer_list<const char16_t*>{u"Id", u"Name", u"Kind"});
        G->Selected = 1;
    }
    void GoTo(int Id) { ASSERT_TRUE(T->Locate(u"Id"_S, Id, {})); }
    int Current() { return T->FieldByName(u"Id"_S)->AsInteger(); }
};

TEST_F(TextSearchFixture, FindsByMatchingFromTheCellAfterTheCurrentOne) {
    const TLocateTextOptionsVz ci = {ltoCaseInsensitiveVz};
    const TLocateTextOptionsVz words = {ltoCaseInsensitiveVz, ltoWholeWordsVz};
    const struct {
        int Start;
        const char16_t* Text;
        TLocateTextOptionsVz Options;
        TLocateTextDirectionVz Direction;
        TLocateTextMatchingVz Matching;
        int Found;  // 0: not found (the position stays at Start)
    } cases[] = {
        {5, u"xabc", {}, ltdDownVz, ltmWholeVz, 2},          // past the last record the search wraps
        {2, u"xabc", {}, ltdDownVz, ltmWholeVz, 2},          // the start cell is tested last
        {1, u"abc", words, ltdDownVz, ltmAnyPartVz, 3},      // "xabc" is no whole word
        {4, u"abc", words, ltdDownVz, ltmAnyPartVz, 1},      // "x ABC y" is
        {3, u"ab", {}, ltdDownVz, ltmFromBegingVz, 5},       // "cab" does not begin with it
        {1, u"ab", {}, ltdDownVz, ltmWholeVz, 5},
        {3, u"ABC", {}, ltdDownVz, ltmAnyPartVz, 1},         // case-sensitive
        {3, u"ABC", ci, ltdUpVz, ltmAnyPartVz, 2},           // upwards
        {1, u"ab", ci, ltdUpVz, ltmWholeVz, 5},              // upwards past the first record
        {3, u"zzz", ci, ltdDownVz, ltmAnyPartVz, 0},
        {3, u"zzz", ci, ltdUpVz, ltmAnyPartVz, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String::fromUtf16(c.Text).toStdString() + " from " + std::to_string(c.Start));
        GoTo(c.Start);
        const bool found = LocateTextInGrid(G.get(), String(), String::fromUtf16(c.Text), c.Options, c.Direction,
                                            c.Matching, 0, nullptr);
        EXPECT_EQ(found, c.Found != 0);
        EXPECT_EQ(Current(), c.Found ? c.Found : c.Start);
        EXPECT_EQ(G->Selected, 1);
    }
}

TEST_F(TextSearchFixture, AllFieldsFromTheFirstCellAndInsideSelectedRows) {
    // ltdAllVz starts at the first column of the first record; the hit's column is selected.
    GoTo(3);
    EXPECT_TRUE(LocateTextInGrid(G.get(), String(), u"k"_S, {ltoAllFieldsVz}, ltdAllVz, ltmAnyPartVz, 0, nullptr));
    EXPECT_EQ(Current(), 1);
    EXPECT_EQ(G->Selected, 2);
    // With the search panel active the hit goes to its found column instead.
    G->PanelActive = true;
    G->FoundColumn = 2;
    EXPECT_TRUE(LocateTextInGrid(G.get(), String(), u"xabc"_S, {ltoAllFieldsVz}, ltdDownVz, ltmWholeVz, 0, nullptr));
    EXPECT_EQ(Current(), 2);
    EXPECT_EQ(G->FoundColumn, 1);
    EXPECT_EQ(G->Selected, 2);
    G->PanelActive = false;

    // Inside a row selection only the selected records are visited, in the list's order.
    G->Selection = ISTFilterGridVz::gskRowsVz;
    for (int id : {4, 2}) {
        GoTo(id);
        G->Rows.push_back(T->GetBookmark());
    }
    GoTo(4);
    G->Selected = 1;
    std::vector<int> visited;
    const TLocateTextCheckCellVz visit = [&](int Column, bool& Found) {
        visited.push_back(Current() * 10 + Column);
        Found = false;
    };
    EXPECT_FALSE(LocateTextInGrid(G.get(), String(), u"abc"_S, {ltoInsideSelectionVz}, ltdDownVz, ltmAnyPartVz, 0, visit));
    // Record 3 between them is never visited; past the end the scope restarts once.
    EXPECT_EQ(visited, (std::vector<int>{21, 41, 21}));
    EXPECT_EQ(Current(), 4);
    EXPECT_TRUE(LocateTextInGrid(G.get(), String(), u"abc"_S, {ltoInsideSelectionVz, ltoCaseInsensitiveVz}, ltdDownVz,
                                 ltmAnyPartVz, 0, nullptr));
    EXPECT_EQ(Current(), 2);
}

TEST_F(TextSearchFixture, NothingToSearch) {
    for (auto& c : G->Columns) c->Visible = false;
    EXPECT_FALSE(LocateTextInGrid(G.get(), String(), u"ab"_S, {ltoAllFieldsVz}, ltdAllVz, ltmAnyPartVz, 0, nullptr));
    T->Close();
    EXPECT_FALSE(LocateTextInGrid(G.get(), String(), u"ab"_S, {}, ltdAllVz, ltmAnyPartVz, 0, nullptr));
    EXPECT_FALSE(LocateTextInGrid(nullptr, String(), u"ab"_S, {}, ltdAllVz, ltmAnyPartVz, 0, nullptr));
}

class TTestDataSetHandler : public TDataSetHandlerVz {
    SDELKA_CLASS(TTestDataSetHandler, TDataSetHandlerVz)
protected:
    explicit TTestDataSetHandler(TClass C = nullptr) : TDataSetHandlerVz(C) {}
};

TEST(DataSetHandlerTest, TheNearestRegisteredAncestorServes) {
    EXPECT_EQ(ClassNameInheritanceDistance(TMemTableVz::StaticClass(), u"TMemTableVz"_S), 0);
    EXPECT_EQ(ClassNameInheritanceDistance(TMemTableVz::StaticClass(), u"tdataset"_S), 2);
    EXPECT_EQ(ClassNameInheritanceDistance(TMemTableVz::StaticClass(), u"TStrings"_S), INT_MAX);

    // The in-memory table's own handler serves it and its descendants; other datasets have none.
    TDataSetHandlerVz* table = FindDataSetHandlerForClass(TMemTableVz::StaticClass());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->DataSetClass(), TCustomMemTableVz::StaticClass());
    EXPECT_EQ(FindDataSetHandlerForClass(TTestTableDataSet::StaticClass()), nullptr);

    auto* forDataSet = New<TTestDataSetHandler>(TDataSet::StaticClass());
    auto* forTable = New<TTestDataSetHandler>(TMemTableVz::StaticClass());
    RegisterDataSetHandler(forDataSet);
    RegisterDataSetHandler(forTable);
    EXPECT_EQ(FindDataSetHandlerForClass(TMemTableVz::StaticClass()), forTable);
    EXPECT_EQ(FindDataSetHandlerForClass(TCustomMemTableVz::StaticClass()), table);
    EXPECT_EQ(FindDataSetHandlerForClass(TTestTableDataSet::StaticClass()), forDataSet);
    EXPECT_THROW(RegisterDataSetHandler(New<TTestDataSetHandler>(TDataSet::StaticClass())), EListError);
    UnregisterDataSetHandler(forTable);
    UnregisterDataSetHandler(forDataSet);
    EXPECT_EQ(FindDataSetHandlerForClass(TMemTableVz::StaticClass()), table);
}

// The grid side of the search panel: what it was asked.
struct TTestSearchPanelGrid : ISearchPanelGridVz {
    void SearchPanelInvalidate() override { ++Repaints; }
    void SearchPanelInvalidateRow() override {}
    void SearchPanelReplaceControl() override {}
    void SearchPanelResetVisibleControls() override {}
    bool SearchEditorMode() override { return Mode; }
    void SetSearchEditorMode(bool Value) override { Mode = Value; }
    bool SearchPanelControlShowing() override { return true; }
    bool SearchPanelEditorFocused() override { return Mode; }
    void SearchPanelFocusEditor() override {}
    void SearchPanelSetEditorText(const String& Text, bool) override { EditorText = Text; }
    int SearchPanelControlHeight() override { return 26; }
    void SearchPanelFocusGrid() override {}
    void SearchPanelShowColumn(int) override {}
    bool SearchPanelLocateText(const String&, const String& Text, TLocateTextOptionsVz Options,
                               TLocateTextDirectionVz Direction, TLocateTextMatchingVz Matching,
                               TLocateTextTreeFindRangeVz, int TimeOut) override {
        LastText = Text;
        LastOptions = Options;
        LastDirection = Direction;
        LastMatching = Matching;
        LastTimeOut = TimeOut;
        return true;
    }
    void ApplySearchFilter(const String&) override {}
    void ClearSearchFilter() override {}

    int Repaints = 0;
    bool Mode = false;
    String EditorText, LastText;
    TLocateTextOptionsVz LastOptions;
    TLocateTextDirectionVz LastDirection = ltdAllVz;
    TLocateTextMatchingVz LastMatching = ltmWholeVz;
    int LastTimeOut = -1;
};

TEST(SearchPanelTest, ShowsWhenEnabledPersistentOrSearching) {
    TTestSearchPanelGrid g;
    auto p = NewOwned<TDBGridSearchPanelVz>(nullptr, &g);
    EXPECT_FALSE(p->Enabled());
    EXPECT_FALSE(p->Visible());
    EXPECT_TRUE(p->PersistentShowing());
    EXPECT_TRUE(p->FilterEnabled());
    EXPECT_EQ(p->SearchScope(), gssEntireGridVz);
    EXPECT_EQ(p->ShortCut(), TShortCut(scCtrl | 'F'));
    EXPECT_FALSE(p->IsShortCutStored());
    p->SetEnabled(true);
    EXPECT_TRUE(p->Visible());
    EXPECT_EQ(p->InGridVertCaptureSize(), 26);
    p->SetLocation(splHorzScrollBarExtraPanelVz);
    EXPECT_EQ(p->InGridVertCaptureSize(), 0);

    auto q = NewOwned<TDBGridSearchPanelVz>(nullptr, &g);
    q->SetPersistentShowing(false);
    q->SetEnabled(true);
    EXPECT_FALSE(q->Visible());
    q->SetActiveState(true);  // as the grid's search editor mode does when it switches on
    EXPECT_TRUE(q->Visible());
    g.Mode = true;            // the find editor has the focus
    q->SetActiveState(false);
    EXPECT_FALSE(q->Visible());  // not persistent and no text: hidden again
    q->SetSearchingText(u"ab"_S);
    EXPECT_EQ(g.EditorText, u"ab"_S);
    EXPECT_TRUE(q->Visible());
    g.Mode = true;
    q->SetActiveState(false);
    EXPECT_TRUE(q->Visible());   // it holds text
}

TEST(SearchPanelTest, FindsWithItsScopeAndOptions) {
    TTestSearchPanelGrid g;
    auto p = NewOwned<TDBGridSearchPanelVz>(nullptr, &g);
    p->SetSearchingText(u"ab"_S);
    p->SetWholeWords(true);
    EXPECT_TRUE(p->FindNext());
    EXPECT_EQ(g.LastDirection, ltdDownVz);
    EXPECT_EQ(g.LastMatching, ltmAnyPartVz);
    EXPECT_TRUE(g.LastOptions.Contains(ltoAllFieldsVz));
    EXPECT_TRUE(g.LastOptions.Contains(ltoWholeWordsVz));
    p->SetSearchScope(gssCurrentColumnVz);
    p->FindPrev();
    EXPECT_EQ(g.LastDirection, ltdUpVz);
    EXPECT_FALSE(g.LastOptions.Contains(ltoAllFieldsVz));
    EXPECT_FALSE(g.LastOptions.Contains(ltoWholeWordsVz));
    p->RestartFind(100);
    EXPECT_EQ(g.LastDirection, ltdAllVz);
    EXPECT_EQ(g.LastTimeOut, 100);
}

}  // namespace
