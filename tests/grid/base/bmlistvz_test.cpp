#include "grid/core/bmlistvz.h"
#include "grid/core/datalinkvz.h"
#include "grid/base/mrulistvz.h"

#include "platform/testing/memdata.h"
#include "platform/gui/controls.h"
#include "platform/gui/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<String> Texts(TStrings* S) {
    std::vector<String> r;
    for (int i = 0; i < S->Count(); ++i) r.push_back(S->Strings(i));
    return r;
}

}  // namespace

// ---- MRU list ---------------------------------------------------------------------------------------

TEST(MRUListVz, AddMovesKnownTextsAndKeepsTheLimit) {
    TMRUListVz mru(nullptr);
    mru.Items()->Add(u"x"_S);
    mru.Items()->Add(u"ABC"_S);
    mru.Items()->Add(u"y"_S);
    mru.Add(u"abc"_S);
    EXPECT_EQ(Texts(mru.Items()), (std::vector<String>{u"x"_S, u"y"_S, u"ABC"_S}));
    mru.Add(u"   "_S);
    EXPECT_EQ(mru.Items()->Count(), 3);
    mru.Add(u" a "_S);
    EXPECT_EQ(mru.Items()->Strings(3), u" a "_S);
    mru.SetCaseSensitive(true);
    mru.Add(u"abc"_S);
    EXPECT_EQ(mru.Items()->Count(), 5);

    TMRUListVz two(nullptr);
    two.SetLimit(2);
    two.Add(u"a"_S);
    two.Add(u"b"_S);
    two.Add(u"c"_S);
    EXPECT_EQ(Texts(two.Items()), (std::vector<String>{u"b"_S, u"c"_S}));
    mru.SetLimit(1);
    EXPECT_EQ(Texts(mru.Items()), (std::vector<String>{u"abc"_S}));
    mru.SetLimit(-1);  // a negative limit keeps nothing instead of failing
    EXPECT_EQ(mru.Items()->Count(), 0);
}

TEST(MRUListVz, FilterItemsTo) {
    TMRUListVz mru(nullptr);
    for (const char16_t* s : {u"Apple", u"apricot", u"Banana"}) mru.Items()->Add(String::fromUtf16(s));
    TStringList out;
    out.Add(u"stale"_S);
    EXPECT_TRUE(mru.FilterItemsTo(&out, u"AP"_S));
    EXPECT_EQ(Texts(&out), (std::vector<String>{u"Apple"_S, u"apricot"_S}));
    EXPECT_TRUE(mru.FilterItemsTo(&out, String()));
    EXPECT_EQ(out.Count(), 3);
    mru.SetCaseSensitive(true);
    mru.FilterItemsTo(&out, u"Ap"_S);
    EXPECT_EQ(Texts(&out), (std::vector<String>{u"Apple"_S}));
    mru.OnFilterItem = [](TObject*, bool& Accept) { Accept = !Accept; };
    mru.FilterItemsTo(&out, u"Ap"_S);
    EXPECT_EQ(Texts(&out), (std::vector<String>{u"apricot"_S, u"Banana"_S}));
}

TEST(MRUListVz, FilterStopsWhenAKeyIsWaiting) {
    auto* form = New<TWinControl>(nullptr);
    TMRUListVz mru(nullptr);
    mru.Items()->Add(u"a"_S);
    TStringList out;
    PostMessage(form->Handle(), WM_KEYDOWN, 65, 0);
    EXPECT_FALSE(mru.FilterItemsTo(&out, String()));
    EXPECT_EQ(out.Count(), 1);  // the item looked at before the check stays
    mru.SetCancelIfKeyInQueue(false);
    EXPECT_TRUE(mru.FilterItemsTo(&out, String()));
    PurgeMessages(WM_KEYDOWN);
    form->Free();
}

TEST(MRUListVz, AssignEventsAndSourceKinds) {
    TMRUListVz a(nullptr), b(nullptr);
    int changes = 0;
    b.OnActiveChanged = [&](TObject*) { ++changes; };
    a.SetActive(true);
    a.SetLimit(5);
    a.SetRows(3);
    a.SetAutoAdd(false);
    a.SetCaseSensitive(true);
    a.Items()->Add(u"q"_S);
    b.Assign(&a);
    EXPECT_TRUE(b.Active());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.Limit(), 5);
    EXPECT_EQ(b.Rows(), 3);
    EXPECT_TRUE(b.AutoAdd());  // not copied
    EXPECT_TRUE(b.CaseSensitive());
    EXPECT_EQ(Texts(b.Items()), (std::vector<String>{u"q"_S}));
    b.SetActive(true);
    EXPECT_EQ(changes, 1);

    b.OnFillAutogenItems = [](TMRUListVz*, TStrings* Items) { Items->Add(u"auto"_S); };
    b.PrepareActiveItems();
    EXPECT_EQ(b.AutogenItems()->Count(), 0);  // only for the data-set values kind
    b.SetListSourceKind(lskDataSetFieldValuesVz);
    b.PrepareActiveItems();
    EXPECT_EQ(b.ActiveItems(), b.AutogenItems());
    EXPECT_EQ(Texts(b.ActiveItems()), (std::vector<String>{u"auto"_S}));
}

// ---- data set fixture ------------------------------------------------------------------------------

namespace {

class BMListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Ds = New<TTestTableDataSet>(nullptr);
        Ds->FieldDefs()->Add(u"ID"_S, ftInteger);
        Ds->FieldDefs()->Add(u"NAME"_S, ftString, 20);
        Ds->CreateDataSet();
        for (int i = 1; i <= 5; ++i) Ds->AppendRecord({i, i % 2 ? u"odd"_S : u"even"_S});
    }
    void TearDown() override { Ds->Free(); }
    TBookmark BookmarkOf(int Id) {
        Ds->Locate(u"ID"_S, Id, {});
        return Ds->GetBookmark();
    }
    TTestTableDataSet* Ds = nullptr;
};

class TTestBMListVz : public TBMListVz {
    SDELKA_CLASS(TTestBMListVz, TBMListVz)
protected:
    explicit TTestBMListVz(TDataSet* DataSet) : FDataSet(DataSet) {}
    ~TTestBMListVz() override = default;

public:
    TDataSet* GetDataSet() override { return FDataSet; }
    void Changed() override {
        ++ChangedCount;
        TBMListVz::Changed();
    }
    int ChangedCount = 0;

private:
    TDataSet* FDataSet;
};

}  // namespace

// ---- data link and value list ------------------------------------------------------------------------

TEST_F(BMListFixture, DataLinkReportsEveryEvent) {
    auto* src = New<TDataSource>(nullptr);
    src->SetDataSet(Ds);
    TDataLinkVz link;
    std::vector<TDataEvent> events;
    link.OnDataEvent = [&](TDataEvent E, NativeInt) { events.push_back(E); };
    link.SetDataSource(src);
    Ds->First();
    Ds->Next();
    EXPECT_NE(std::find(events.begin(), events.end(), deDataSetScroll), events.end());
    events.clear();
    Ds->Edit();
    Ds->FieldByName(u"NAME"_S)->SetAsString(u"z"_S);
    Ds->Post();
    EXPECT_NE(std::find(events.begin(), events.end(), deFieldChange), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), deUpdateState), events.end());
    link.SetDataSource(nullptr);
    src->Free();
}

TEST_F(BMListFixture, FieldValueListRebuildsAfterChanges) {
    TDatasetFieldValueListVz values;
    values.SetFieldName(u"NAME"_S);
    EXPECT_EQ(values.Values()->Count(), 0);  // no data set: empty
    values.SetDataSet(Ds);
    EXPECT_EQ(values.DataSet(), Ds);
    Ds->Locate(u"ID"_S, 4, {});
    EXPECT_EQ(Texts(values.Values()), (std::vector<String>{u"even"_S, u"odd"_S}));
    EXPECT_FALSE(values.DataObsoleted());
    EXPECT_EQ(Ds->FieldByName(u"ID"_S)->AsInteger(), 4);  // the cursor is back
    Ds->Edit();
    Ds->FieldByName(u"NAME"_S)->SetAsString(u"four"_S);
    Ds->Post();
    Ds->Refresh();
    EXPECT_TRUE(values.DataObsoleted());
    EXPECT_EQ(Texts(values.Values()), (std::vector<String>{u"even"_S, u"four"_S, u"odd"_S}));
    values.SetFieldName(u"MISSING"_S);
    EXPECT_EQ(values.Values()->Count(), 0);
    EXPECT_TRUE(values.DataObsoleted());
}

// ---- bookmark list --------------------------------------------------------------------------------

TEST_F(BMListFixture, FindAnswersPositionsAndInsertionPoints) {
    auto* list = New<TTestBMListVz>(Ds);
    list->SetLinkActive(true);
    list->AppendBookmark(BookmarkOf(3));
    list->AppendBookmark(BookmarkOf(1));
    list->AppendBookmark(BookmarkOf(3));  // no duplicate
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0), BookmarkOf(1));
    int index = -1;
    struct Case { int Id; bool Found; int Index; };
    for (const Case& c : {Case{2, false, 1}, Case{0, false, 0}, Case{4, false, 2}, Case{3, true, 1}, Case{1, true, 0}}) {
        TBookmark bm = c.Id == 0 ? TBookmark{0, 0, 0, 0} : BookmarkOf(c.Id);
        if (c.Id == 4) list->AppendItem(BookmarkOf(5)), list->DeleteItem(2);  // empties the cache on the way
        EXPECT_EQ(list->Find(bm, index), c.Found) << c.Id;
        EXPECT_EQ(index, c.Index) << c.Id;
    }
    EXPECT_EQ(list->IndexOf(BookmarkOf(3)), 1);
    EXPECT_EQ(list->IndexOf(BookmarkOf(5)), -1);
    EXPECT_TRUE(list->DeleteBookmark(BookmarkOf(1)));
    EXPECT_FALSE(list->DeleteBookmark(BookmarkOf(1)));
    EXPECT_EQ(list->Count(), 1);
    list->Free();
}

TEST_F(BMListFixture, IndexErrorsLeaveTheListUnchanged) {
    auto* list = New<TTestBMListVz>(Ds);
    list->AppendItem(BookmarkOf(1));
    try {
        list->InsertItem(2, BookmarkOf(2));
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), u"List index out of bounds (2)"_S);
    }
    EXPECT_THROW(list->DeleteItem(1), EListError);
    EXPECT_THROW(list->DeleteItem(-1), EListError);
    EXPECT_EQ(list->Count(), 1);
    list->Free();
}

TEST_F(BMListFixture, CacheNeverAnswersWithAStaleIndexInsideAnUpdate) {
    auto* list = New<TTestBMListVz>(Ds);
    list->SetLinkActive(true);
    const TBookmark b2 = BookmarkOf(2), b4 = BookmarkOf(4);
    list->BeginUpdate();
    int index;
    EXPECT_FALSE(list->Find(b4, index));
    list->AppendBookmark(b2);
    list->AppendBookmark(b4);
    EXPECT_TRUE(list->Find(b4, index));
    EXPECT_EQ(index, 1);
    list->AppendBookmark(b4);
    EXPECT_EQ(list->Count(), 2);
    const int changed = list->ChangedCount;
    list->EndUpdate();
    EXPECT_EQ(list->ChangedCount, changed + 1);
    list->Free();
}

TEST_F(BMListFixture, CurrentRowSelectedNeedsAnActiveLink) {
    auto* list = New<TTestBMListVz>(Ds);
    EXPECT_FALSE(list->CurrentRowSelected());  // an empty list answers without the data set
    try {
        list->SetCurrentRowSelected(true);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Cannot perform this operation on a closed dataset"_S);
    }
    list->SetLinkActive(true);
    Ds->Locate(u"ID"_S, 2, {});
    list->SetCurrentRowSelected(true);
    list->SetCurrentRowSelected(true);
    EXPECT_EQ(list->Count(), 1);
    EXPECT_TRUE(list->CurrentRowSelected());
    Ds->Next();
    EXPECT_FALSE(list->CurrentRowSelected());
    Ds->Prior();
    list->SetCurrentRowSelected(false);
    EXPECT_EQ(list->Count(), 0);
    list->AppendBookmark(BookmarkOf(1));
    list->SetLinkActive(false);  // a change of the link state empties the list
    EXPECT_EQ(list->Count(), 0);
    list->Free();
}

TEST_F(BMListFixture, SelectAllKeepsTheCursorAndSorts) {
    auto* list = New<TTestBMListVz>(Ds);
    list->SelectAll();  // inactive link: nothing
    EXPECT_EQ(list->Count(), 0);
    list->SetLinkActive(true);
    Ds->Locate(u"ID"_S, 3, {});
    list->SelectAll();
    EXPECT_EQ(list->Count(), 5);
    EXPECT_EQ(Ds->FieldByName(u"ID"_S)->AsInteger(), 3);
    EXPECT_FALSE(Ds->ControlsDisabled());
    for (int i = 0; i + 1 < list->Count(); ++i) EXPECT_LT(Ds->CompareBookmarks(list->Items(i), list->Items(i + 1)), 0);
    list->Free();
}

TEST_F(BMListFixture, SortRestoresTheOrderAfterAppends) {
    auto* list = New<TTestBMListVz>(Ds);
    for (int id : {4, 2, 5, 1, 3, 2}) list->AppendItem(BookmarkOf(id));
    list->Sort();
    std::vector<int> ids;
    for (int i = 0; i < list->Count(); ++i) {
        Ds->GotoBookmark(list->Items(i));
        ids.push_back(Ds->FieldByName(u"ID"_S)->AsInteger());
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 2, 3, 4, 5}));
    list->Free();
}

TEST_F(BMListFixture, RefreshDropsBookmarksOfDeletedRecords) {
    auto* list = New<TTestBMListVz>(Ds);
    list->SetLinkActive(true);
    for (int id : {2, 4}) list->AppendBookmark(BookmarkOf(id));
    Ds->Locate(u"ID"_S, 4, {});
    Ds->Delete();
    EXPECT_FALSE(list->Refresh(false));
    EXPECT_EQ(list->Count(), 2);
    EXPECT_TRUE(list->Refresh(true));
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Items(0), BookmarkOf(2));
    EXPECT_FALSE(list->Refresh(true));
    list->Free();
}

TEST_F(BMListFixture, DeleteRemovesTheListedRecords) {
    auto* list = New<TTestBMListVz>(Ds);
    list->SetLinkActive(true);
    for (int id : {1, 3, 5}) list->AppendBookmark(BookmarkOf(id));
    list->Delete();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(Ds->TableRecordCount(), 2);
    EXPECT_FALSE(Ds->ControlsDisabled());
    Ds->First();
    EXPECT_EQ(Ds->FieldByName(u"ID"_S)->AsInteger(), 2);
    list->Free();
}
