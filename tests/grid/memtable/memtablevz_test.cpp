#include "grid/memtable/memtablevz.h"

#include "grid/core/coretoolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/memtable/memtableindexesvz.h"
#include "grid/memtable/recordsviewvz.h"
#include "platform/db/datasource.h"
#include "platform/testing/memdata.h"
#include "platform/rtl/apphooks.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "support/safefile_check.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A table of (Id integer, Name string, Price float) made through CreateDataSet.
struct MemTableFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);

    MemTableFixture() {
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"Price"_S, ftFloat);
        T->CreateDataSet();
    }
    void Add(int Id, const Variant& Name, const Variant& Price = Null()) { T->AppendRecord({Variant(Id), Name, Price}); }
    // The Id column in cursor order.
    std::vector<int> Ids() {
        std::vector<int> r;
        TBookmark bm = T->GetBookmark();
        T->First();
        while (!T->Eof()) {
            r.push_back(T->FieldByName(u"Id"_S)->AsInteger());
            T->Next();
        }
        if (!bm.empty() && T->BookmarkValid(bm)) T->GotoBookmark(bm);
        return r;
    }
};

TEST_F(MemTableFixture, AppendNavigateAndRecNo) {
    Add(1, u"a"_S, 1.5);
    Add(2, u"b"_S);
    Add(3, Null(), 3.0);
    EXPECT_EQ(T->RecordCount(), 3);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
    T->First();
    EXPECT_EQ(T->RecNo(), 1);
    T->Next();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"b"_S);
    EXPECT_TRUE(T->FieldByName(u"Price"_S)->IsNull());
    T->SetRecNo(3);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 3);
    EXPECT_TRUE(T->FieldByName(u"Name"_S)->IsNull());
    T->Last();
    EXPECT_TRUE(T->Eof());
    EXPECT_EQ(T->RecNo(), 3);
    // Closing keeps the records; reopening shows them again.
    T->Close();
    T->Open();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
}

TEST_F(MemTableFixture, OpenWithoutStructureFails) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    EXPECT_THROW(t->Open(), EDatabaseError);
    EXPECT_FALSE(t->Active());
}

TEST_F(MemTableFixture, EditInsertDeleteCancel) {
    for (int i = 1; i <= 4; ++i) Add(i, String(QChar(u'a' + i - 1)));
    T->SetRecNo(2);
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"B"_S);
    // The edit is the buffer's own until posted.
    EXPECT_EQ(T->MemTableData()->RecordsList()->Rec(1)->Value(1).AsString(), u"b"_S);
    T->Post();
    EXPECT_EQ(T->MemTableData()->RecordsList()->Rec(1)->Value(1).AsString(), u"B"_S);
    EXPECT_EQ(T->RecNo(), 2);

    T->SetRecNo(3);
    T->Insert();
    T->FieldByName(u"Id"_S)->SetAsInteger(99);
    T->Post();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 4}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 99);

    T->Insert();
    T->FieldByName(u"Id"_S)->SetAsInteger(100);
    T->Cancel();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 4}));

    T->Edit();
    T->FieldByName(u"Id"_S)->SetAsInteger(7);
    T->Cancel();
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 99);

    T->Delete();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 3);
    T->Last();
    T->Delete();
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 3);
    EXPECT_EQ(T->RecordCount(), 3);
}

// Without a sort order the stored order is the view's order: bookmarks compare by storage place
// through inserts, deletes, a filter that hides some, and a sort order set and taken away again.
TEST_F(MemTableFixture, UnsortedBookmarksCompareByStoragePlace) {
    for (int i = 1; i <= 5; ++i) Add(i, String(QChar(u'e' - i + 1)));
    std::vector<TBookmark> bm;
    T->First();
    while (!T->Eof()) {
        bm.push_back(T->GetBookmark());
        T->Next();
    }
    ASSERT_EQ(bm.size(), 5u);
    auto inOrder = [&](const std::vector<TBookmark>& Marks) {
        for (size_t i = 1; i < Marks.size(); ++i) {
            if (T->CompareBookmarks(Marks[i - 1], Marks[i]) != -1 || T->CompareBookmarks(Marks[i], Marks[i - 1]) != 1)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(inOrder(bm));
    T->SetRecNo(3);
    T->Insert();
    T->FieldByName(u"Id"_S)->SetAsInteger(99);
    T->Post();
    const TBookmark b99 = T->GetBookmark();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 4, 5}));
    EXPECT_TRUE(inOrder({bm[0], bm[1], b99, bm[2], bm[3], bm[4]}));

    // Hidden records keep their place.
    T->SetFilter(u"Id <> 2 and Id <> 99"_S);
    T->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4, 5}));
    EXPECT_TRUE(inOrder({bm[0], bm[1], b99, bm[2], bm[3], bm[4]}));
    T->SetFiltered(false);

    T->SetRecNo(5);  // Id 4
    T->Delete();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 5}));
    EXPECT_FALSE(T->BookmarkValid(bm[3]));
    EXPECT_TRUE(inOrder({bm[0], bm[1], b99, bm[2], bm[4]}));

    T->SetSortOrder(u"Name"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{99, 5, 3, 2, 1}));  // no name sorts first
    EXPECT_TRUE(inOrder({b99, bm[4], bm[2], bm[1], bm[0]}));
    T->SetSortOrder(String());
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 5}));
    EXPECT_TRUE(inOrder({bm[0], bm[1], b99, bm[2], bm[4]}));
    Add(6, u"z"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 99, 3, 5, 6}));
    T->GotoBookmark(b99);
    EXPECT_EQ(T->RecNo(), 3);
}

TEST_F(MemTableFixture, BookmarksSurviveSortAndFilter) {
    Add(1, u"c"_S);
    Add(2, u"a"_S);
    Add(3, u"b"_S);
    T->SetRecNo(3);
    TBookmark bm = T->GetBookmark();
    T->SetRecNo(1);
    TBookmark first = T->GetBookmark();
    EXPECT_EQ(T->CompareBookmarks(first, bm), -1);
    T->SetSortOrder(u"Name"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 1}));
    ASSERT_TRUE(T->BookmarkValid(bm));
    T->GotoBookmark(bm);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 3);
    EXPECT_EQ(T->RecNo(), 2);
    EXPECT_EQ(T->CompareBookmarks(first, bm), 1);

    T->SetFilter(u"Id <> 3"_S);
    T->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 1}));
    EXPECT_EQ(T->BookmarkToRecNo(bm), 0);
    EXPECT_FALSE(T->BookmarkInVisibleView(bm));
    EXPECT_THROW(T->GotoBookmark(bm), EDatabaseError);
}

// Rows move under bookmarks (a re-sort, edits that move rows in a sorted view, deletes in front):
// every bookmark still goes to its record; a deleted record's bookmark to none, even when its
// view item's number went to a new record.
TEST_F(MemTableFixture, BookmarksFollowRowsThatMoved) {
    T->SetCachedUpdates(false);
    const int n = 600;
    for (int i = 0; i < n; ++i) Add(i, String::number((i * 7919) % 1000));
    std::vector<TBookmark> bms;
    for (int i = 1; i <= n; ++i) {
        T->SetRecNo(i);
        bms.push_back(T->GetBookmark());
    }
    auto expectAll = [&](const char* When) {
        for (int i = 0; i < n; ++i) {
            if (i % 50 == 7) continue;  // deleted below
            T->GotoBookmark(bms[static_cast<size_t>(i)]);
            ASSERT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), i) << When;
            ASSERT_EQ(T->BookmarkToRecNo(bms[static_cast<size_t>(i)]), T->RecNo()) << When;
        }
    };
    T->SetSortOrder(u"Name; Id"_S);
    expectAll("sorted");
    for (int k = 0; k < 200; ++k) {
        T->SetRecNo(1 + (k * 37) % n);
        T->Edit();
        T->FieldByName(u"Name"_S)->SetAsString(String::number((k * 611) % 1000));
        T->Post();
    }
    // Delete a few records first, then check all the bookmarks.
    TMemoryRecordVz* gone = nullptr;
    TBookmark goneBm;
    for (int i = 7; i < n; i += 50) {
        T->GotoBookmark(bms[static_cast<size_t>(i)]);
        gone = T->Rec();
        goneBm = bms[static_cast<size_t>(i)];
        T->Delete();
    }
    expectAll("edited and deleted");
    Add(n, u"new"_S);  // may take the number of a deleted record's view item
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), n);
    if (T->Rec() != gone) {
        EXPECT_FALSE(T->BookmarkInVisibleView(goneBm));
        EXPECT_THROW(T->GotoBookmark(goneBm), EDatabaseError);
    }
    T->SetSortOrder(String());
    expectAll("storage order");
}

// Locate through an index in a view that shows every record in storage order (the row is then
// the record's position), while records go in and out in the middle, and after a filter hides some.
TEST_F(MemTableFixture, IndexedLocateFindsTheRowAsRecordsComeAndGo) {
    T->SetCachedUpdates(false);
    for (int i = 0; i < 300; ++i) Add(i, u"x"_S);
    TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
    ix->SetFields(u"Id"_S);
    ix->SetActive(true);
    auto expectRows = [&](const char* When) {
        const std::vector<int> ids = Ids();
        for (size_t row = 0; row < ids.size(); row += 7) {
            ASSERT_TRUE(T->Locate(u"Id"_S, Variant(ids[row]), {})) << When;
            ASSERT_EQ(T->RecNo(), static_cast<int>(row) + 1) << When;
        }
    };
    expectRows("loaded");
    for (int k = 0; k < 40; ++k) {
        T->SetRecNo(1 + (k * 53) % T->RecordCount());
        T->InsertRecord({Variant(1000 + k), u"y"_S, Null()});
        T->SetRecNo(1 + (k * 31) % T->RecordCount());
        T->Delete();
    }
    expectRows("inserted and deleted in the middle");
    T->SetFilter(u"Id > 100"_S);
    T->SetFiltered(true);
    expectRows("filtered");
    EXPECT_FALSE(T->Locate(u"Id"_S, Variant(50), {}));
}

// With repeated integer keys an index answers what the walk over the rows answers: the first row
// of the view holding the key, in storage order, in a sorted view, in a filtered one and after
// records moved, went and came in the middle of the store.
TEST_F(MemTableFixture, IndexedLocateWithRepeatedKeysFindsTheFirstRow) {
    T->SetCachedUpdates(false);
    const char16_t* names[] = {u"в", u"а", u"б", u"г"};
    for (int i = 0; i < 60; ++i) Add(i % 9, String::fromUtf16(names[i % 4]), i);
    TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
    ix->SetFields(u"Id"_S);
    auto expectSame = [&](const char* When) {
        for (int key = -1; key <= 10; ++key) {
            ix->SetActive(false);
            T->First();
            const int want = T->Locate(u"Id"_S, Variant(key), {}) ? T->RecNo() : 0;
            ix->SetActive(true);
            T->First();
            const int got = T->Locate(u"Id"_S, Variant(key), {}) ? T->RecNo() : 0;
            ASSERT_EQ(got, want) << When << ", key " << key;
            if (key >= 0 && key < 9) {
                ASSERT_GT(got, 0) << When << ", key " << key;
                ASSERT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), key) << When;
            }
        }
    };
    ix->SetActive(true);
    expectSame("storage order");
    T->SetSortOrder(u"Name DESC; Price"_S);
    expectSame("sorted");
    T->SetSortOrder(String());
    ix->SetActive(true);
    for (int k = 0; k < 12; ++k) {
        T->SetRecNo(1 + (k * 17) % T->RecordCount());
        T->InsertRecord({Variant(k % 5), u"д"_S, Variant(100 + k)});
        T->SetRecNo(1 + (k * 29) % T->RecordCount());
        T->Delete();
    }
    T->MoveRecord(3, 40, 0, false);
    T->MoveRecord(50, 1, 0, false);
    expectSame("inserted, deleted and moved");
    T->SetFilter(u"Price > 20"_S);
    T->SetFiltered(true);
    expectSame("filtered");
    T->SetSortOrder(u"Name; Price DESC"_S);
    expectSame("filtered and sorted");
}

TEST_F(MemTableFixture, SortOrderTexts) {
    Add(1, u"b"_S);
    Add(2, u"a"_S);
    Add(3, u"b"_S);
    Add(4, Null());
    Add(5, u"B"_S);
    struct Case {
        const char16_t* Order;
        std::vector<int> Expected;
    } cases[] = {
        {u"Name DESC; Id", {5, 1, 3, 2, 4}},
        {u"Name ASC DESC, Id DESC", {5, 3, 1, 2, 4}},
        {u"Name", {4, 2, 1, 3, 5}},
        {u"", {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        T->SetSortOrder(String::fromUtf16(c.Order));
        EXPECT_EQ(Ids(), c.Expected) << String::fromUtf16(c.Order).toStdString();
    }
    EXPECT_ANY_THROW(T->SetSortOrder(u"Name Id"_S));
    EXPECT_ANY_THROW(T->SetSortOrder(u"Nope"_S));
    // Case-insensitive texts sort as equal, then by storage position.
    T->SetOptions({mtoTextFieldsCaseInsensitive});
    T->SetSortOrder(u"Name"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{4, 2, 1, 3, 5}));
    T->SetSortOrder(u"Name DESC"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 5, 2, 4}));
}

TEST_F(MemTableFixture, MaintainedOrderFollowsEdits) {
    Add(1, u"a"_S);
    Add(2, u"b"_S);
    Add(3, u"c"_S);
    T->SetSortOrder(u"Name"_S);
    T->SetRecNo(1);
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"z"_S);
    T->Post();
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 1);
    EXPECT_EQ(T->RecNo(), 3);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 1}));
    T->Append();
    T->FieldByName(u"Id"_S)->SetAsInteger(4);
    T->FieldByName(u"Name"_S)->SetAsString(u"a"_S);
    T->Post();
    EXPECT_EQ(T->RecNo(), 1);
    EXPECT_EQ(Ids(), (std::vector<int>{4, 2, 3, 1}));
}

TEST_F(MemTableFixture, FilterTextEventAndNullResult) {
    for (int i = 1; i <= 6; ++i) Add(i, i % 2 ? u"odd"_S : u"even"_S, i <= 3 ? Variant(i * 10.0) : Null());
    T->SetFilter(u"Price > 15"_S);
    T->SetFiltered(true);
    // A Null price makes the comparison Null: the record is left out, without an error.
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3}));
    T->SetFilter(u"Name = 'odd' and Id > 1"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{3, 5}));
    T->SetOnFilterRecord([](TDataSet* DS, bool& Accept) { Accept = Accept && DS->FieldByName(u"Id"_S)->AsInteger() != 5; });
    EXPECT_EQ(Ids(), (std::vector<int>{3}));
    T->SetFiltered(false);
    EXPECT_EQ(T->RecordCount(), 6);
    // A record that no longer passes leaves the view when posted.
    T->SetOnFilterRecord({});
    T->SetFilter(u"Name = 'odd'"_S);
    T->SetFiltered(true);
    T->First();
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"even"_S);
    T->Post();
    EXPECT_EQ(Ids(), (std::vector<int>{3, 5}));
}

// A filter pass tests many records at once when only the filter text decides; with an event in
// the chain it goes record by record. Both give the same rows in storage and in sorted order,
// under every status filter, and a record whose test raises is reported and shown either way.
TEST_F(MemTableFixture, FilterOverManyRecordsMatchesOneByOne) {
    for (int i = 1; i <= 300; ++i)
        Add(i, i % 7 == 0 ? Null() : Variant(i % 3 == 0 ? u"True"_S : (i % 2 ? u"odd"_S : u"even"_S)),
            i % 5 == 0 ? Null() : Variant((i * 37) % 200 + 0.5));
    // Changes in the log: modified, deleted and inserted records.
    T->SetRecNo(10);
    T->Edit();
    T->FieldByName(u"Price"_S)->SetAsFloat(150.5);
    T->Post();
    T->SetRecNo(20);
    T->Delete();
    T->Append();
    T->FieldByName(u"Id"_S)->SetAsInteger(1000);
    T->FieldByName(u"Price"_S)->SetAsFloat(199);
    T->Post();

    static int reported = 0;
    auto* const oldHook = ApplicationHandleException;
    ApplicationHandleException = [](TObject*) { ++reported; };
    auto rows = [&](bool OneByOne, int& Reported) {
        if (OneByOne) T->SetOnFilterRecord([](TDataSet*, bool&) {});
        reported = 0;
        T->SetFiltered(true);
        Reported = reported;
        std::vector<int> r = Ids();
        T->SetFiltered(false);
        T->SetOnFilterRecord({});
        return r;
    };
    const TUpdateStatusSet statuses[] = {{usUnmodified, usModified, usInserted}, {usModified, usInserted}, {usDeleted},
                                         {usUnmodified, usModified, usInserted, usDeleted}};
    const char16_t* texts[] = {u"Price > 100", u"150 < Price", u"Price <= 50 OR Id >= 290", u"Name = 'odd' AND Price IS NOT NULL",
                               u"NOT (Id IN (3, 9, 1000))", u"UPPER(Name) = 'EVEN'", u"Name"};
    for (const String& order : {String(), u"Price;Id"_S}) {
        T->SetSortOrder(order);
        for (const TUpdateStatusSet& status : statuses) {
            T->SetStatusFilter(status);
            for (const char16_t* text : texts) {
                T->SetFilter(String::fromUtf16(text));
                int atOnce = 0, oneByOne = 0;
                const std::vector<int> want = rows(true, oneByOne);
                EXPECT_EQ(rows(false, atOnce), want) << String::fromUtf16(text).toStdString() << " sorted by '"
                                                     << order.toStdString() << "'";
                EXPECT_EQ(atOnce, oneByOne) << String::fromUtf16(text).toStdString();
            }
        }
    }

    // Pinned: the rows a plain loop picks, and the records whose test raised shown.
    T->SetSortOrder(String());
    T->SetStatusFilter({usUnmodified, usModified, usInserted});
    T->SetFilter(u"Price > 100"_S);
    std::vector<int> want;
    for (int i = 1; i <= 300; ++i) {
        const double price = i == 10 ? 150.5 : (i * 37) % 200 + 0.5;
        if (i != 20 && (i == 10 || i % 5 != 0) && price > 100) want.push_back(i);
    }
    want.push_back(1000);
    int count = 0;
    EXPECT_EQ(rows(false, count), want);
    T->SetFilter(u"Name"_S);
    const std::vector<int> named = rows(false, count);
    EXPECT_GT(count, 0);
    EXPECT_EQ(named.size(), 300u - 300u / 7 - 1) << "every record but the Nulls and the deleted one";
    ApplicationHandleException = oldHook;
}

TEST_F(MemTableFixture, LocateLookupAndLookupAll) {
    Add(1, u"Иванов"_S, 10.0);
    Add(2, u"Петров"_S, 12.0);
    Add(12, u"Иванов"_S, 5.0);
    Add(4, u"Сидоров"_S);
    EXPECT_TRUE(T->Locate(u"Name"_S, u"Петров"_S, {}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 2);
    EXPECT_TRUE(T->Locate(u"Name"_S, u"сид"_S, {loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 4);
    EXPECT_FALSE(T->Locate(u"Name"_S, u"Нет"_S, {}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 4);
    // Partial keys compare texts, also for numbers: 12 matches 1 only after 1 itself.
    T->SetRecNo(1);
    EXPECT_TRUE(T->Locate(u"Price"_S, Variant(u"1"_S), {loPartialKey}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 1);
    EXPECT_TRUE(T->Locate(u"Id;Name"_S, VarArrayOf({Variant(12), Variant(u"Иванов"_S)}), {}));
    EXPECT_EQ(T->RecNo(), 3);

    T->SetRecNo(1);
    EXPECT_EQ(T->Lookup(u"Id"_S, Variant(4), u"Name"_S).AsString(), u"Сидоров"_S);
    EXPECT_EQ(T->RecNo(), 1);
    EXPECT_TRUE(VarIsEmpty(T->Lookup(u"Id"_S, Variant(77), u"Name"_S)));
    Variant all = T->LookupAll(u"Name"_S, u"Иванов"_S, u"Id"_S);
    ASSERT_TRUE(VarIsArray(all));
    EXPECT_EQ(all.GetElement(0).AsInteger(), 1);
    EXPECT_EQ(all.GetElement(1).AsInteger(), 12);
    EXPECT_EQ(T->LookupAll(u"Name"_S, u"Петров"_S, u"Id"_S).AsInteger(), 2);

    // With an index on the key the lookup takes it and finds the same record.
    TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
    ix->SetFields(u"Id"_S);
    ix->SetActive(true);
    EXPECT_TRUE(T->Locate(u"Id"_S, Variant(12), {}));
    EXPECT_EQ(T->RecNo(), 3);
}

// Without an index Locate walks the stored values: the key's kind is read once, and each row
// answers as the general equality does (integers of any kind as numbers, texts exactly, Null
// never, other kinds by the general rule).
TEST_F(MemTableFixture, LocateWithoutIndexMatchesTheGeneralEquality) {
    T->AppendRecord({Null(), u"Иванов"_S, 12.0});
    Add(12, Null(), 3.0);
    Add(7, u"иванов"_S, Null());
    Add(12, u"12"_S, 12.5);
    const Variant keys[] = {Variant(12), Variant(static_cast<short>(12)), Variant(12LL), Variant(12.0), Variant(u"12"_S),
                            Variant(u"Иванов"_S), Variant(u"иванов"_S), Variant(u"ИВАНОВ"_S), Null(), Variant(),
                            Variant(7), Variant(12.5), Variant(3)};
    for (const String& field : {u"Id"_S, u"Name"_S, u"Price"_S}) {
        const int pos = T->FieldByName(field)->FieldNo() - 1;
        for (const Variant& key : keys) {
            int want = 0;
            for (int i = 0; i < T->MemTableData()->RecordsList()->Count() && want == 0; ++i)
                if (VarEqualsVz(T->MemTableData()->RecordsList()->Rec(i)->Value(pos), key)) want = i + 1;
            T->First();
            const bool found = T->Locate(field, key, {});
            EXPECT_EQ(found ? T->RecNo() : 0, want) << field.toStdString() << " = " << VarToStr(key).toStdString();
        }
    }
    // The key fields are resolved again once the dataset has made new fields.
    EXPECT_TRUE(T->Locate(u"Id"_S, Variant(7), {}));
    T->Close();
    T->Open();
    EXPECT_TRUE(T->Locate(u"id"_S, Variant(7), {}));
    EXPECT_EQ(T->RecNo(), 3);
}

// The mend to the index shift: records 1..5, cached updates, delete the first two, insert Id 99
// at position 4 of the store, look up 5.
TEST_F(MemTableFixture, IndexLookupAfterCachedDeletesAndInsert) {
    for (int i = 1; i <= 5; ++i) Add(i, u"x"_S);
    TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
    ix->SetFields(u"Id"_S);
    ix->SetActive(true);
    T->SetCachedUpdates(true);
    T->First();
    T->Delete();
    T->Delete();
    EXPECT_EQ(Ids(), (std::vector<int>{3, 4, 5}));
    T->SetRecNo(2);  // Id 4, store position 3
    T->Insert();
    T->FieldByName(u"Id"_S)->SetAsInteger(99);
    T->Post();
    EXPECT_EQ(Ids(), (std::vector<int>{3, 99, 4, 5}));
    EXPECT_EQ(T->Lookup(u"Id"_S, Variant(5), u"Id"_S).AsInteger(), 5);
    EXPECT_EQ(T->Lookup(u"Id"_S, Variant(4), u"Id"_S).AsInteger(), 4);
    EXPECT_EQ(T->Lookup(u"Id"_S, Variant(99), u"Id"_S).AsInteger(), 99);
}

TEST_F(MemTableFixture, CachedUpdatesApplyCancelRevert) {
    for (int i = 1; i <= 3; ++i) Add(i, u"x"_S);
    T->SetCachedUpdates(true);
    EXPECT_FALSE(T->HasCachedChanges());
    T->First();
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"y"_S);
    T->Post();
    EXPECT_EQ(T->UpdateStatus(), usModified);
    EXPECT_TRUE(T->HasCachedChanges());
    T->Append();
    T->FieldByName(u"Id"_S)->SetAsInteger(4);
    T->Post();
    EXPECT_EQ(T->UpdateStatus(), usInserted);
    T->SetRecNo(2);
    T->Delete();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4}));
    T->CancelUpdates();
    EXPECT_FALSE(T->HasCachedChanges());
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
    T->First();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"x"_S);

    // A modified record that is then deleted keeps its oldest values for the writer.
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"z"_S);
    T->Post();
    TMemoryRecordVz* rec = T->Rec();
    T->Delete();
    EXPECT_EQ(rec->UpdateStatus(), usDeleted);
    EXPECT_EQ(rec->GetDataValue(1, dvvOldestValue).AsString(), u"x"_S);
    T->SetStatusFilter({usDeleted});
    EXPECT_EQ(Ids(), (std::vector<int>{1}));
    T->RevertRecord();
    T->SetStatusFilter({usUnmodified, usModified, usInserted});
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
    T->First();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"x"_S);

    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"w"_S);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 0);  // no driver: the log is merged
    EXPECT_FALSE(T->HasCachedChanges());
    EXPECT_EQ(T->UpdateStatus(), usUnmodified);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"w"_S);
}

// A driver that records what reaches it and can fail.
class TRecordingDriver : public TDataDriverVz {
    SDELKA_CLASS(TRecordingDriver, TDataDriverVz)
protected:
    explicit TRecordingDriver(TComponent* AOwner) : TDataDriverVz(AOwner) {}
    ~TRecordingDriver() override = default;

public:
    std::vector<std::pair<TUpdateStatus, int>> Applied;
    bool Fail = false;
    int ApplyUpdates(TMemTableDataVz* Store) override {
        if (Fail) throw EDatabaseError(u"server said no"_S);
        TObjectListVz* log = Store->RecordsList()->DeltaList();
        for (int i = 0; i < log->Count(); ++i)
            if (auto* r = static_cast<TMemoryRecordVz*>(log->Items(i)))
                Applied.push_back({r->UpdateStatus(), r->GetDataValue(0, dvvOldestValue).AsInteger()});
        Store->RecordsList()->MergeChangeLog();
        return 0;
    }
};

TEST_F(MemTableFixture, WithoutCachedUpdatesEachChangeReachesTheDriverAtOnce) {
    Add(1, u"x"_S);
    Add(2, u"x"_S);
    auto drv = NewOwned<TRecordingDriver>(nullptr);
    T->SetDataDriver(drv.get());
    T->First();
    T->Edit();
    T->FieldByName(u"Id"_S)->SetAsInteger(10);
    T->Post();
    T->Append();
    T->FieldByName(u"Id"_S)->SetAsInteger(3);
    T->Post();
    T->First();
    T->Delete();
    using P = std::pair<TUpdateStatus, int>;
    EXPECT_EQ(drv->Applied, (std::vector<P>{{usModified, 1}, {usInserted, 3}, {usDeleted, 10}}));
    EXPECT_FALSE(T->HasCachedChanges());
    // A failing write leaves the store as it was.
    drv->Fail = true;
    T->Edit();
    T->FieldByName(u"Id"_S)->SetAsInteger(20);
    EXPECT_THROW(T->Post(), EDatabaseError);
    T->Cancel();
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3}));
    EXPECT_THROW(T->Delete(), EDatabaseError);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3}));
    EXPECT_FALSE(T->HasCachedChanges());
    T->SetDataDriver(nullptr);
}

TEST_F(MemTableFixture, LoadFromDataSetAndSaveToDataSet) {
    auto src = NewOwned<TTestTableDataSet>(nullptr);
    src->FieldDefs()->Add(u"Id"_S, ftInteger);
    src->FieldDefs()->Add(u"Name"_S, ftString, 20);
    src->FieldDefs()->Add(u"Qty"_S, ftInteger);
    src->CreateDataSet();
    for (int i = 1; i <= 5; ++i) src->AppendRecord({Variant(i), Variant(u"n"_S + String::number(i)), Variant(i * 2)});
    src->Close();

    EXPECT_EQ(T->LoadFromDataSet(src.get(), 0, lmCopy, false), 5);
    EXPECT_FALSE(src->Active());
    EXPECT_EQ(T->FieldCount(), 3);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(T->FieldByName(u"Qty"_S)->AsInteger(), 2);
    EXPECT_EQ(T->UpdateStatus(), usUnmodified);

    // A positive count starts at the source's current record.
    src->Open();
    src->SetRecNo(4);
    EXPECT_EQ(T->LoadFromDataSet(src.get(), 10, lmAppend, false), 2);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5, 4, 5}));

    auto dest = NewOwned<TTestTableDataSet>(nullptr);
    dest->FieldDefs()->Add(u"Qty"_S, ftInteger);
    dest->FieldDefs()->Add(u"Id"_S, ftInteger);
    dest->CreateDataSet();
    EXPECT_EQ(T->SaveToDataSet(dest.get(), 0), 7);
    dest->Last();
    EXPECT_EQ(dest->FieldByName(u"Id"_S)->AsInteger(), 5);
    EXPECT_EQ(dest->FieldByName(u"Qty"_S)->AsInteger(), 10);
}

// A loader copies a field's value into a record by the field's kind (SetFieldValue): every kind of
// source field, with a value and Null, stores what the field's AsVariant would, into a field of the
// same kind, of another kind (the casts and their errors) and into whole Variant fields; a copy of
// the whole dataset reads back as the source.
TEST_F(MemTableFixture, FieldValuesCopiedByKindAgreeWithTheirVariants) {
    struct Col {
        const char16_t* Name;
        TFieldType Type;
        int Size;
        Variant Value;
    };
    Variant bytes = VarArrayCreate({0, 2}, varByte);
    for (int i = 0; i < 3; ++i) bytes.PutElement(i, Variant(static_cast<unsigned char>(1 + i)));
    const std::vector<Col> cols = {
        {u"Int", ftInteger, 0, Variant(-7)},
        {u"Auto", ftAutoInc, 0, Variant(5)},
        {u"Small", ftSmallint, 0, Variant(static_cast<short>(300))},
        {u"Word", ftWord, 0, Variant(static_cast<unsigned short>(65535))},
        {u"Large", ftLargeint, 0, Variant(static_cast<long long>(1) << 40)},
        {u"Float", ftFloat, 0, Variant(2.5)},
        {u"Money", ftCurrency, 0, Variant(12.34)},
        {u"Single", ftSingle, 0, Variant(1.5)},
        {u"Bcd", ftBCD, 4, Variant(Currency::FromRaw(123456))},
        {u"Fmt", ftFMTBcd, 4, VarFMTBcdCreate(12345.6789, 18, 4)},
        {u"Day", ftDate, 0, VarFromDateTime(45000.0)},
        {u"Hour", ftTime, 0, VarFromDateTime(0.5)},
        {u"Moment", ftDateTime, 0, VarFromDateTime(45000.75)},
        {u"Stamp", ftTimeStamp, 0, VarSQLTimeStampCreate(TSQLTimeStamp{2024, 2, 29, 13, 5, 7, 120})},
        {u"Flag", ftBoolean, 0, Variant(true)},
        {u"Text", ftString, 20, Variant(u"12"_S)},
        {u"Wide", ftWideString, 20, Variant(u"широкий"_S)},
        {u"Memo", ftMemo, 0, Variant(u"заметка"_S)},
        {u"WideMemo", ftWideMemo, 0, Variant(u"длинная заметка"_S)},
        {u"Blob", ftBlob, 0, bytes},
        {u"Any", ftVariant, 0, Variant(42)},
    };
    const int n = static_cast<int>(cols.size());
    auto src = NewOwned<TTestTableDataSet>(nullptr);
    for (const Col& c : cols) src->FieldDefs()->Add(String::fromUtf16(c.Name), c.Type, c.Size);
    src->CreateDataSet();
    src->Append();
    for (int i = 0; i < n; ++i)
        if (cols[static_cast<size_t>(i)].Type != ftAutoInc) src->Fields()->Fields(i)->SetAsVariant(cols[static_cast<size_t>(i)].Value);
    src->Post();
    src->Append();
    src->Post();  // every value Null but the counter

    // Destinations: the source's own kinds, each field the kind of the next source field, every
    // field a whole Variant, every field an integer.
    std::vector<std::vector<TFieldType>> dests(4);
    for (int i = 0; i < n; ++i) {
        dests[0].push_back(cols[static_cast<size_t>(i)].Type);
        dests[1].push_back(cols[static_cast<size_t>((i + 1) % n)].Type);
        dests[2].push_back(ftVariant);
        dests[3].push_back(ftInteger);
    }
    auto outcome = [](TMemoryRecordVz* r, int i, const std::function<void()>& w) {
        std::string error;
        try {
            w();
        } catch (const Exception& e) {
            error = e.ClassName().toStdString() + ": " + e.Message().toStdString();
        }
        return std::make_pair(r->Value(i), error);
    };
    int errors = 0;
    for (const std::vector<TFieldType>& kinds : dests) {
        auto store = NewOwned<TMemTableDataVz>(nullptr);
        for (int i = 0; i < n; ++i) store->DataStruct()->BuildDataFieldForDef(u"F"_S + String::number(i), kinds[static_cast<size_t>(i)], 4, 20);
        TMemoryRecordVz* viaVariant = store->RecordsList()->NewRecord();
        TMemoryRecordVz* byKind = store->RecordsList()->NewRecord();
        for (src->First(); !src->Eof(); src->Next())
            for (int i = 0; i < n; ++i) {
                TField* f = src->Fields()->Fields(i);
                SCOPED_TRACE(f->FieldName().toStdString() + " -> " + FieldTypeName(kinds[static_cast<size_t>(i)]).toStdString() +
                             (f->IsNull() ? " (Null)" : ""));
                viaVariant->SetDataValue(i, dvvValueVz, Unassigned());
                byKind->SetDataValue(i, dvvValueVz, Unassigned());
                const auto [want, wantError] = outcome(viaVariant, i, [&] { viaVariant->SetDataValue(i, dvvValueVz, f->AsVariant()); });
                const auto [got, gotError] = outcome(byKind, i, [&] { byKind->SetFieldValue(i, f); });
                EXPECT_EQ(gotError, wantError);
                ASSERT_EQ(got.VType(), want.VType());
                if (!VarIsArray(want)) {
                    EXPECT_TRUE(VarSameValue(got, want) || (VarIsNull(got) && VarIsNull(want)) || (VarIsEmpty(got) && VarIsEmpty(want)));
                } else {
                    EXPECT_EQ(VarByteArrayToBytes(got), VarByteArrayToBytes(want));
                }
                if (!wantError.empty()) ++errors;
            }
        viaVariant->Free();
        byKind->Free();
    }
    EXPECT_GE(errors, 5);

    // The copy of the whole dataset reads as the source, kinds and all.
    T->LoadFromDataSet(src.get(), 0, lmCopy, false);
    ASSERT_EQ(T->RecordCount(), 2);
    src->First();
    for (T->First(); !T->Eof(); T->Next(), src->Next())
        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(src->Fields()->Fields(i)->FieldName().toStdString());
            const Variant want = src->Fields()->Fields(i)->AsVariant(), got = T->Fields()->Fields(i)->AsVariant();
            ASSERT_EQ(got.VType(), want.VType());
            if (VarIsArray(want)) EXPECT_EQ(VarByteArrayToBytes(got), VarByteArrayToBytes(want));
            else EXPECT_TRUE(VarIsNull(want) || VarSameValue(got, want));
        }
}

TEST_F(MemTableFixture, AutoIncrementNumbersNewRecords) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftAutoInc);
    t->FieldDefs()->Add(u"Name"_S, ftString, 10);
    t->CreateDataSet();
    t->AppendRecord({Variant(), Variant(u"a"_S)});
    t->AppendRecord({Variant(), Variant(u"b"_S)});
    t->First();
    EXPECT_EQ(t->FieldByName(u"Id"_S)->AsInteger(), -1);
    t->Next();
    EXPECT_EQ(t->FieldByName(u"Id"_S)->AsInteger(), -2);
    t->AutoIncrement()->SetInitValue(1);  // numbers were handed out: the counter stays
    EXPECT_EQ(t->AutoIncrement()->CurValue(), -3);
}

TEST_F(MemTableFixture, RangeAggregates) {
    Add(1, u"a"_S, 10.0);
    Add(2, u"b"_S, Null());
    Add(3, u"c"_S, 2.5);
    Add(4, u"d"_S, 7.5);
    TAggrResultsVz r;
    const TAggrFunctionsVz all{agfSumVz, agfCountVz, agfAvg, agfMin, agfMax};
    T->GetAggregatedValuesForRange({}, {}, u"Price"_S, r, all);
    EXPECT_DOUBLE_EQ(r[agfSumVz].AsDouble(), 20.0);
    EXPECT_EQ(r[agfCountVz].AsInteger(), 3);
    EXPECT_NEAR(r[agfAvg].AsDouble(), 20.0 / 3, 1e-12);
    EXPECT_DOUBLE_EQ(r[agfMin].AsDouble(), 2.5);
    EXPECT_DOUBLE_EQ(r[agfMax].AsDouble(), 10.0);
    T->SetRecNo(2);
    TBookmark from = T->GetBookmark();
    T->SetRecNo(3);
    TBookmark to = T->GetBookmark();
    T->GetAggregatedValuesForRange(from, to, u"Price"_S, r, all);
    EXPECT_DOUBLE_EQ(r[agfSumVz].AsDouble(), 2.5);
    EXPECT_EQ(r[agfCountVz].AsInteger(), 1);
    // Only Nulls: count 0 with a field, the row count without.
    T->GetAggregatedValuesForRange(from, from, u"Price"_S, r, all);
    EXPECT_EQ(r[agfCountVz].AsInteger(), 0);
    EXPECT_TRUE(VarIsNull(r[agfSumVz]));
    T->GetAggregatedValuesForRange(from, to, String(), r, {agfCountVz});
    EXPECT_EQ(r[agfCountVz].AsInteger(), 2);
    T->GetAggregatedValuesForRange(from, to, u"Nope"_S, r, all);
    EXPECT_EQ(r[agfCountVz].AsInteger(), 0);
}

// A grid stand-in that records the view events it hears.
class TEventGrid : public TComponent, public IMTEventReceiverVz {
    SDELKA_CLASS(TEventGrid, TComponent)
protected:
    explicit TEventGrid(TComponent* AOwner) : TComponent(AOwner) {}
    ~TEventGrid() override = default;

public:
    std::vector<std::tuple<int, TMTViewEventTypeVz, int>> Events;
    void MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int OldRowNum) override {
        Events.emplace_back(RowNum, Event, OldRowNum);
    }
};

TEST_F(MemTableFixture, ViewEventsAndInstantReads) {
    for (int i = 1; i <= 3; ++i) Add(i, u"x"_S);
    TEventGrid* grid = New<TEventGrid>(nullptr);
    T->RegisterEventReceiver(grid);
    using E = std::tuple<int, TMTViewEventTypeVz, int>;
    T->SetRecNo(2);
    T->Insert();
    EXPECT_EQ(grid->Events, (std::vector<E>{{1, mtRowInsertedVz, -1}}));
    T->FieldByName(u"Id"_S)->SetAsInteger(50);
    // The grid reads the row being typed and the rows around it through instant reads.
    EXPECT_EQ(T->InstantReadRowCount(), 4);
    T->InstantReadEnter(1);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 50);
    T->InstantReadLeave();
    T->InstantReadEnter(2);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 2);
    EXPECT_EQ(T->InstantReadViewRow(), 2);
    T->InstantReadLeave();
    T->Cancel();
    EXPECT_EQ(grid->Events.back(), (E{1, mtRowDeletedVz, -1}));
    EXPECT_THROW(T->InstantReadLeave(), Exception);

    grid->Events.clear();
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"y"_S);
    T->Post();
    EXPECT_EQ(grid->Events, (std::vector<E>{{1, mtRowChangedVz, -1}}));

    // Held back while controls are disabled: one change stays itself, more become one rebuild.
    grid->Events.clear();
    T->DisableControls();
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"z"_S);
    T->Post();
    T->EnableControls();
    EXPECT_EQ(grid->Events, (std::vector<E>{{1, mtRowChangedVz, -1}}));
    grid->Events.clear();
    T->DisableControls();
    T->First();
    T->Delete();
    T->Delete();
    T->EnableControls();
    EXPECT_EQ(grid->Events, (std::vector<E>{{-1, mtViewDataChangedVz, -1}}));

    // A receiver that goes away is forgotten.
    grid->Free();
    T->Append();
    T->FieldByName(u"Id"_S)->SetAsInteger(9);
    T->Post();
    EXPECT_EQ(T->UnregisterEventReceiver(grid), -1);
}

TEST_F(MemTableFixture, AFailingReceiverDoesNotSilenceTheOthers) {
    Add(1, u"a"_S);
    auto failing = NewOwned<TRecordsListNotificatorVz>(nullptr);
    auto listening = NewOwned<TRecordsListNotificatorVz>(nullptr);
    int heard = 0;
    failing->OnDataEvent = [](TMemoryRecordVz* r, int, TRecordsListNotification a) {
        if (r && a == rlnRecChangedVz) throw Exception(u"receiver failed"_S);
    };
    listening->OnDataEvent = [&heard](TMemoryRecordVz* r, int, TRecordsListNotification a) {
        if (r && a == rlnRecChangedVz) ++heard;
    };
    failing->SetDataObject(T->MemTableData());
    listening->SetDataObject(T->MemTableData());
    TMemoryRecordVz* rec = T->MemTableData()->RecordsList()->Rec(0);
    EXPECT_THROW(T->MemTableData()->RecordsList()->SetValue(0, 1, Variant(u"b"_S)), Exception);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(rec->Value(1).AsString(), u"b"_S);
    failing->SetDataObject(nullptr);
    listening->SetDataObject(nullptr);
}

TEST_F(MemTableFixture, FieldValueLists) {
    Add(10, u"b"_S, 2.0);
    Add(9, u"a"_S, 1.0);
    Add(100, u"b"_S, 2.0);
    Add(9, u"c"_S, Null());
    TFieldValueListPtrVz ids = T->GetFieldValueList(u"Id"_S);
    ASSERT_TRUE(ids);
    // Numbers in numeric order, texts in text order, each once.
    EXPECT_EQ(ids->GetValues()->CommaText(), u"9,10,100"_S);
    TFieldValueListPtrVz names = T->GetFieldValueList(u"Name"_S);
    EXPECT_EQ(names->GetValues()->CommaText(), u"a,b,c"_S);
    names->SetFilter(u"Id > 9"_S);
    EXPECT_EQ(names->GetValues()->CommaText(), u"b"_S);
    // A change of the data makes the list read the records again.
    Add(1, u"z"_S);
    EXPECT_EQ(ids->GetValues()->CommaText(), u"1,9,10,100"_S);
    EXPECT_FALSE(T->GetFieldValueList(u"Nope"_S));
}

TEST_F(MemTableFixture, ExtraFiltersCombineWithTheFilter) {
    for (int i = 1; i <= 6; ++i) Add(i, i % 2 ? u"odd"_S : u"even"_S);
    TMemTableFilterItemVz* byText = T->AddFilter(u"Id > 2"_S, {});
    EXPECT_EQ(Ids(), (std::vector<int>{3, 4, 5, 6}));
    T->SetFilter(u"Name = 'odd'"_S);
    T->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{3, 5}));
    // An event that refuses every record empties the view; deleting it brings the rows back.
    TMemTableFilterItemVz* none = T->AddFilter(String(), [](TDataSet*, bool& Accept) { Accept = false; });
    EXPECT_EQ(T->RecordCount(), 0);
    EXPECT_TRUE(T->DeleteFilter(none));
    EXPECT_EQ(Ids(), (std::vector<int>{3, 5}));
    EXPECT_TRUE(T->UpdateFilter(byText, u"Id > 4"_S, {}));
    EXPECT_EQ(Ids(), (std::vector<int>{5}));
    byText->SetActive(false);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 5}));
    EXPECT_FALSE(T->DeleteFilter(none));
}

TEST_F(MemTableFixture, CalculatedFieldsBlobsAndBcdValues) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Price"_S, ftFloat);
    t->FieldDefs()->Add(u"Sum"_S, ftBCD, 2);
    t->FieldDefs()->Items(1)->SetPrecision(5);
    t->FieldDefs()->Add(u"Note"_S, ftWideMemo);
    t->CreateDataSet();
    t->Close();
    for (int i = 0; i < t->FieldDefs()->Count(); ++i) t->FieldDefs()->Items(i)->CreateField(t.get());
    TFloatField* total = New<TFloatField>(t.get());
    total->SetFieldName(u"Total"_S);
    total->SetFieldKind(fkCalculated);
    total->SetDataSet(t.get());
    t->OnCalcFields = [](TDataSet* d) {
        d->FieldByName(u"Total"_S)->SetAsFloat(d->FieldByName(u"Price"_S)->AsFloat() * 10);
    };
    t->Open();
    t->AppendRecord({Variant(1.5)});
    t->AppendRecord({Variant(4.0)});
    t->First();
    EXPECT_DOUBLE_EQ(total->AsFloat(), 15);
    t->Next();
    EXPECT_DOUBLE_EQ(total->AsFloat(), 40);
    t->Edit();
    t->FieldByName(u"Price"_S)->SetAsFloat(7);
    EXPECT_DOUBLE_EQ(total->AsFloat(), 70);
    t->Post();
    EXPECT_DOUBLE_EQ(total->AsFloat(), 70);
    t->SetFilter(u"Total > 50"_S);
    t->SetFiltered(true);
    EXPECT_EQ(t->RecordCount(), 1);
    t->SetFiltered(false);

    // BCD with precision 5 and 2 decimals: 1000.5 overflows; 12.345 and 12.355 round half to even.
    TField* sum = t->FieldByName(u"Sum"_S);
    t->First();
    t->Edit();
    EXPECT_ANY_THROW(sum->SetAsFloat(1000.5));
    sum->SetAsFloat(12.345);
    EXPECT_EQ(sum->AsCurrency(), Currency(12.34));
    sum->SetAsFloat(12.355);
    EXPECT_EQ(sum->AsCurrency(), Currency(12.36));
    // A wide memo written through a blob stream reads back the same text.
    t->FieldByName(u"Note"_S)->SetAsString(u"Примечание O'Hara"_S);
    t->Post();
    EXPECT_EQ(t->FieldByName(u"Note"_S)->AsString(), u"Примечание O'Hara"_S);
    EXPECT_EQ(sum->AsCurrency(), Currency(12.36));
}

TEST_F(MemTableFixture, DetailFollowsItsMaster) {
    for (int i = 1; i <= 3; ++i) Add(i, String(QChar(u'a' + i - 1)));
    auto src = NewOwned<TDataSource>(nullptr);
    src->SetDataSet(T.get());
    auto d = NewOwned<TMemTableVz>(nullptr);
    d->FieldDefs()->Add(u"Id"_S, ftInteger);
    d->FieldDefs()->Add(u"MasterId"_S, ftInteger);
    d->CreateDataSet();
    for (auto [id, m] : std::vector<std::pair<int, int>>{{10, 1}, {11, 2}, {12, 1}, {13, 3}, {14, 1}})
        d->AppendRecord({Variant(id), Variant(m)});
    d->SetDetailFields(u"MasterId"_S);
    d->SetMasterFields(u"Id"_S);
    d->SetMasterSource(src.get());
    EXPECT_TRUE(d->DetailMode());
    T->First();
    EXPECT_EQ(d->RecordCount(), 3);
    T->Next();
    EXPECT_EQ(d->RecordCount(), 1);
    EXPECT_EQ(d->FieldByName(u"Id"_S)->AsInteger(), 11);
    // A new detail record takes the master's key.
    d->Append();
    d->FieldByName(u"Id"_S)->SetAsInteger(15);
    d->Post();
    EXPECT_EQ(d->FieldByName(u"MasterId"_S)->AsInteger(), 2);
    EXPECT_EQ(d->RecordCount(), 2);
    T->Last();
    EXPECT_EQ(d->RecordCount(), 1);
    d->SetMasterSource(nullptr);
    EXPECT_FALSE(d->DetailMode());
    EXPECT_EQ(d->RecordCount(), 6);
}

TEST_F(MemTableFixture, MoveRecordKeepsRangeChecks) {
    for (int i = 1; i <= 4; ++i) Add(i, u"x"_S);
    EXPECT_TRUE(T->MoveRecord(0, 2, 0, false));
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 1, 4}));
    EXPECT_TRUE(T->MoveRecord(-1, 2, 0, false));
    EXPECT_TRUE(T->MoveRecord(1, 4, 0, false));
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 1, 4}));
}

TEST_F(MemTableFixture, EmptyTableKeepsStructure) {
    Add(1, u"a"_S);
    Add(2, u"b"_S);
    T->EmptyTable();
    EXPECT_EQ(T->RecordCount(), 0);
    EXPECT_TRUE(T->Eof());
    Add(3, u"c"_S);
    EXPECT_EQ(Ids(), (std::vector<int>{3}));
    T->Close();
    T->EmptyTable();  // inactive: nothing
    T->Open();
    EXPECT_EQ(T->RecordCount(), 1);
}

TEST_F(MemTableFixture, ExternalStoreShowsAnotherTablesRecords) {
    for (int i = 1; i <= 3; ++i) Add(i, String(QChar(u'a' + i - 1)), Variant(i * 1.5));
    auto view = NewOwned<TMemTableVz>(nullptr);
    EXPECT_THROW(view->SetExternalMemData(view.get()), Exception);
    view->SetExternalMemData(T.get());
    view->Open();
    EXPECT_EQ(view->RecordCount(), 3);
    // Each keeps its own cursor, filter and order over the one store; a change shows in both.
    view->SetSortOrder(u"Id DESC"_S);
    view->First();
    EXPECT_EQ(view->FieldByName(u"Id"_S)->AsInteger(), 3);
    T->SetRecNo(2);
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"B"_S);
    T->Post();
    ASSERT_TRUE(view->Locate(u"Id"_S, Variant(2), {}));
    EXPECT_EQ(view->FieldByName(u"Name"_S)->AsString(), u"B"_S);
    view->Append();
    view->FieldByName(u"Id"_S)->SetAsInteger(4);
    view->Post();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4}));
    // No driver beside an external store, either way round.
    auto drv = NewOwned<TRecordingDriver>(nullptr);
    EXPECT_THROW(view->SetDataDriver(drv.get()), Exception);
    // The other table freed: the view is detached (its own store is empty: it stays closed).
    T.reset();
    EXPECT_EQ(view->ExternalMemData(), nullptr);
    EXPECT_FALSE(view->Active());
    view->SetDataDriver(drv.get());
    EXPECT_THROW(view->SetExternalMemData(view.get()), Exception);
    view->SetDataDriver(nullptr);
    T = NewOwned<TMemTableVz>(nullptr);
}

TEST_F(MemTableFixture, IndexDefsBecomeStoreIndexes) {
    T->Close();
    T->IndexDefs()->Add(u"ByName"_S, u"Name"_S, {});
    T->IndexDefs()->Add(u"ById"_S, u"Id"_S, {ixUnique, ixPrimary});
    T->CreateDataSet();
    // Made once, however often the table opens.
    T->Close();
    T->Open();
    TMTIndexesVz* ix = T->MemTableData()->RecordsList()->Indexes();
    ASSERT_EQ(ix->Count(), 2);
    EXPECT_EQ(ix->Items(1)->Fields(), u"Id"_S);
    EXPECT_TRUE(ix->Items(1)->Unical());
    EXPECT_TRUE(ix->Items(1)->Primary());
    EXPECT_TRUE(ix->Items(0)->Active() && ix->Items(1)->Active());
    Add(2, Variant(u"b"_S));
    Add(1, Variant(u"a"_S));
    int at = -1;
    EXPECT_TRUE(ix->Items(1)->FindRecordIndexByKey(Variant(1), at));
    EXPECT_EQ(at, 1);
}

TEST_F(MemTableFixture, SortWithExternalProcOrdersByComputedKeys) {
    for (auto [id, name] : std::vector<std::pair<int, const char16_t*>>{{1, u"bb"}, {2, u"A"}, {3, u"ccc"}, {4, u"b"}, {5, u"a"}})
        Add(id, Variant(String::fromUtf16(name)));
    // Length of the name descending, then the name itself (lower case first, as the collation
    // orders it).
    T->SortWithExternalProc({true, false}, [&](Variant& V, int Index) {
        const String n = T->FieldByName(u"Name"_S)->AsString();
        V = Index == 0 ? Variant(static_cast<int>(n.size())) : Variant(n);
    });
    EXPECT_EQ(Ids(), (std::vector<int>{3, 1, 5, 2, 4}));
    // One key; texts without case: equal keys keep the store order (which the sort above made).
    T->SetOptions({mtoTextFieldsCaseInsensitive});
    T->SortWithExternalProc({false}, [&](Variant& V, int) { V = Variant(T->FieldByName(u"Name"_S)->AsString()); });
    EXPECT_EQ(Ids(), (std::vector<int>{5, 2, 4, 1, 3}));
    T->InstantReadEnter(0);
    EXPECT_THROW(T->SortWithExternalProc({false}, [](Variant&, int) {}), Exception);
    T->InstantReadLeave();
}

TEST(SortedVarlist, KeepsValuesInOrderAndFindsTheFirstEqual) {
    auto l = NewOwned<TSortedVarlistVz>();
    for (int v : {5, 1, 3, 3, 9}) l->Add(New<TSortedVarItemVz>(Variant(v)));
    l->Insert(0, New<TSortedVarItemVz>(Null()));
    std::vector<String> got;
    for (int i = 0; i < l->Count(); ++i) got.push_back(VarToStr(l->Items(i)->Value));
    EXPECT_EQ(got, (std::vector<String>{String(), u"1"_S, u"3"_S, u"3"_S, u"5"_S, u"9"_S}));
    int at = -1;
    EXPECT_TRUE(l->FindKeyValueIndex(Variant(3), at));
    EXPECT_EQ(at, 2);
    EXPECT_FALSE(l->FindKeyValueIndex(Variant(4), at));
    EXPECT_EQ(at, 4);
    EXPECT_THROW(l->FindKeyValueIndex(Variant(u"x"_S), at), Exception);
}

TEST_F(MemTableFixture, ADriverServesOneTable) {
    auto drv = NewOwned<TRecordingDriver>(nullptr);
    auto other = NewOwned<TMemTableVz>(nullptr);
    other->SetDataDriver(drv.get());
    T->SetDataDriver(drv.get());
    EXPECT_EQ(other->DataDriver(), nullptr);
    IDataDriverConsumerVz* c = drv.get();
    EXPECT_EQ(c->GetDataDriverConsumer(), T.get());
    T->SetDataDriver(nullptr);
    EXPECT_EQ(c->GetDataDriverConsumer(), nullptr);
}

// ---- tree mode ------------------------------------------------------------------------------------

struct MemTreeFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    MemTreeFixture() {
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Parent"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 10);
        T->CreateDataSet();
        // 1 -> {2 -> {3}, 4}; 5 names a parent that does not exist; 6 -> {7}.
        for (auto [id, parent, name] : std::vector<std::tuple<int, int, const char16_t*>>{
                 {1, 0, u"a"}, {2, 1, u"d"}, {3, 2, u"x"}, {4, 1, u"b"}, {5, 99, u"e"}, {6, 0, u"c"}, {7, 6, u"y"}})
            T->AppendRecord({Variant(id), parent ? Variant(parent) : Null(), Variant(String::fromUtf16(name))});
        T->TreeList()->SetKeyFieldName(u"Id"_S);
        T->TreeList()->SetRefParentFieldName(u"Parent"_S);
    }
    // Id and level of every row.
    std::vector<std::pair<int, int>> Rows() {
        std::vector<std::pair<int, int>> r;
        T->First();
        while (!T->Eof()) {
            r.emplace_back(T->FieldByName(u"Id"_S)->AsInteger(), T->TreeNodeLevel());
            T->Next();
        }
        return r;
    }
};

using IdLevel = std::vector<std::pair<int, int>>;

TEST_F(MemTreeFixture, RowsAreVisibleExpandedNodesDepthFirst) {
    T->TreeList()->SetDefaultNodeExpanded(true);
    T->TreeList()->SetActive(true);
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 1}, {6, 1}, {7, 2}}));
    T->TreeList()->FullCollapse();
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {5, 1}, {6, 1}}));
    T->First();
    EXPECT_TRUE(T->TreeNodeHasChildren());
    EXPECT_EQ(T->TreeNodeChildCount(), 2);
    T->SetTreeNodeExpanded(true);
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {2, 2}, {4, 2}, {5, 1}, {6, 1}}));
    // Collapsing the parent of the current row answers the parent's row.
    T->SetRecNo(3);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 4);
    EXPECT_TRUE(T->AncestorHasPriorSibling(2));
    EXPECT_FALSE(T->AncestorHasNextSibling(2));
    EXPECT_TRUE(T->AncestorHasNextSibling(1));
    EXPECT_EQ(T->SetRowTreeNodeExpanded(0, false), 1);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 1);
    // Locate finds a record in a collapsed branch and opens the way to it.
    EXPECT_TRUE(T->TreeList()->Locate(u"Id"_S, Variant(3), {}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 3);
    EXPECT_EQ(T->TreeNodeLevel(), 3);
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 1}, {6, 1}}));
    // A refused expansion keeps the node collapsed.
    T->OnTreeNodeExpanding = [](TObject*, int, bool& Allow) { Allow = false; };
    T->SetRecNo(6);
    T->SetTreeNodeExpanded(true);
    EXPECT_FALSE(T->TreeNodeExpanded());
    T->TreeList()->SetActive(false);
    EXPECT_EQ(T->RecordCount(), 7);
}

TEST_F(MemTreeFixture, SortFilterAndReferenceLoops) {
    T->TreeList()->SetDefaultNodeExpanded(true);
    T->TreeList()->SetActive(true);
    T->SetSortOrder(u"Name DESC"_S);
    EXPECT_EQ(Rows(), (IdLevel{{5, 1}, {6, 1}, {7, 2}, {1, 1}, {2, 2}, {3, 3}, {4, 2}}));
    T->SetSortOrder(String());
    // A filter that accepts a leaf shows its ancestors.
    T->SetFilter(u"Id = 3"_S);
    T->SetFiltered(true);
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {2, 2}, {3, 3}}));
    T->SetFilter(u"Id = 1"_S);
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}}));
    T->TreeList()->SetFilterNodeIfParentVisible(false);
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {4, 2}}));
    T->SetFiltered(false);
    // Naming a descendant as parent is refused and changes nothing; naming itself is accepted.
    T->First();
    T->Edit();
    T->FieldByName(u"Parent"_S)->SetAsInteger(3);
    EXPECT_THROW(T->Post(), Exception);
    T->Cancel();
    EXPECT_TRUE(T->FieldByName(u"Parent"_S)->IsNull());
    T->Edit();
    T->FieldByName(u"Parent"_S)->SetAsInteger(1);
    T->Post();
    // Moving a subtree: 2 goes under 6.
    T->TreeList()->Locate(u"Id"_S, Variant(2), {});
    T->Edit();
    T->FieldByName(u"Parent"_S)->SetAsInteger(6);
    T->Post();
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {4, 2}, {5, 1}, {6, 1}, {2, 2}, {3, 3}, {7, 2}}));
    // Deleting a parent lifts its children to the top.
    T->TreeList()->Locate(u"Id"_S, Variant(6), {});
    T->Delete();
    EXPECT_EQ(Rows(), (IdLevel{{1, 1}, {4, 2}, {2, 1}, {3, 2}, {5, 1}, {7, 1}}));
}

// Ids and levels of the view's rows as they are now, and after the whole tree is built again from
// the records: an expand, a collapse or a move that changes only part of the rows must leave the
// same rows as a rebuild.
struct TreeRows {
    TMemTableVz* T;
    IdLevel Now() const {
        IdLevel r;
        TRecordsViewVz* v = T->RecordsView();
        for (int i = 0; i < v->Count(); ++i)
            r.emplace_back(v->GetRecordView(i)->Rec()->Value(0).AsInteger(), v->GetRecordView(i)->NodeLevel());
        return r;
    }
    IdLevel Checked() const {
        const IdLevel now = Now();
        T->RecordsView()->RefreshFilteredRecsList(true);
        EXPECT_EQ(Now(), now) << "rows differ from a rebuilt tree";
        return now;
    }
};

TEST_F(MemTreeFixture, ExpandAndCollapseChangeTheNodesRowsAsARebuildWould) {
    T->TreeList()->SetActive(true);
    TreeRows rows{T.get()};
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {5, 1}, {6, 1}}));
    T->SetRowTreeNodeExpanded(0, true);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {4, 2}, {5, 1}, {6, 1}}));
    T->SetRowTreeNodeExpanded(1, true);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 1}, {6, 1}}));
    // Collapsing the top node hides its whole subtree; expanding it again shows the expanded
    // child's rows too.
    T->SetRowTreeNodeExpanded(0, false);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {5, 1}, {6, 1}}));
    T->SetRowTreeNodeExpanded(0, true);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 1}, {6, 1}}));
    // A node under a collapsed parent changes no row.
    T->SetRowTreeNodeExpanded(0, false);
    T->RecordsView()->SetNodeExpanded(T->RecordsView()->TreeFlatItems()[1], false);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {5, 1}, {6, 1}}));
    T->SetRowTreeNodeExpanded(0, true);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {4, 2}, {5, 1}, {6, 1}}));
    // With a filter the hidden nodes stay hidden.
    T->SetFilter(u"Id <> 4"_S);
    T->SetFiltered(true);
    T->SetRowTreeNodeExpanded(0, false);
    T->SetRowTreeNodeExpanded(0, true);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {5, 1}, {6, 1}}));
}

TEST_F(MemTreeFixture, TheGridInterfaceAnswersForTheCurrentRow) {
    T->TreeList()->SetDefaultNodeExpanded(true);
    T->TreeList()->SetActive(true);
    IMemTableVz* m = T.get();
    T->SetRecNo(2);  // node 2: level 2, child 3
    EXPECT_EQ(m->GetRec()->Value(0).AsInteger(), 2);
    EXPECT_EQ(m->GetTreeNodeLevel(), 2);
    EXPECT_TRUE(m->GetTreeNodeExpanded());
    EXPECT_TRUE(m->GetTreeNodeHasVisibleChildren());
    EXPECT_EQ(m->GetPriorRowTreeNodeLevel(), 1);
    EXPECT_EQ(m->GetNextRowTreeNodeLevel(), 3);
    EXPECT_TRUE(m->GetViewAsTreeList());
    EXPECT_EQ(m->InstantReadRowCount(), 7);
    m->InstantReadEnter(6);
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 7);
    m->InstantReadLeave();
    EXPECT_EQ(m->GetLikeWildcardOneChar(), u"_"_S);
    EXPECT_EQ(m->GetLikeWildcardAnyChars(), u"%"_S);
    EXPECT_FALSE(m->GetReservedFlagA());
    EXPECT_TRUE(m->GetReservedFlagB());
    EXPECT_EQ(m->SetRowTreeNodeExpanded(0, false), 1);
    EXPECT_EQ(m->GetRec()->Value(0).AsInteger(), 1);
}

TEST_F(MemTreeFixture, ExpandingEventsSeeTheNodeBeingExpanded) {
    T->TreeList()->SetActive(true);
    T->First();  // the current record is 1; node 6 expands
    std::vector<std::string> seen;
    T->OnRecordsViewTreeNodeExpanding = [&](TObject*, TMemRecViewVz* Node, bool& Allow) {
        seen.push_back("node " + std::to_string(Node->Rec()->Value(0).AsInteger()));
        Allow = true;
    };
    T->OnTreeNodeExpanding = [&](TObject*, int RecNo, bool&) {
        seen.push_back("row " + std::to_string(RecNo) + " " + T->FieldByName(u"Name"_S)->AsString().toStdString());
    };
    T->OnRecordsViewTreeNodeExpanded = [&](TObject*, TMemRecViewVz* Node) {
        seen.push_back("expanded " + std::to_string(Node->Rec()->Value(0).AsInteger()));
    };
    T->SetRowTreeNodeExpanded(2, true);
    EXPECT_EQ(seen, (std::vector<std::string>{"node 6", "row 3 c", "expanded 6"}));
    EXPECT_EQ(T->FieldByName(u"Id"_S)->AsInteger(), 1);  // the cursor did not move
    // The current record's own node is read as it stands.
    seen.clear();
    T->SetTreeNodeExpanded(true);
    EXPECT_EQ(seen, (std::vector<std::string>{"node 1", "row 1 a", "expanded 1"}));
}

TEST_F(MemTreeFixture, TreeMovesPlaceTheNodeByLevelAndMatchARebuild) {
    T->TreeList()->SetDefaultNodeExpanded(true);
    T->TreeList()->SetActive(true);
    TreeRows rows{T.get()};
    auto parentOf = [&](int Id) {
        EXPECT_TRUE(T->Lookup(u"Id"_S, Variant(Id), u"Parent"_S).VType() != varEmpty);
        const Variant v = T->Lookup(u"Id"_S, Variant(Id), u"Parent"_S);
        return VarIsNull(v) ? 0 : v.AsInteger();
    };
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 1}, {6, 1}, {7, 2}}));
    // Up to the first row at level 1: before node 1, on the top level.
    EXPECT_TRUE(T->MoveRecord(6, 0, 1, false));
    EXPECT_EQ(rows.Checked(), (IdLevel{{7, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 1}, {6, 1}}));
    EXPECT_EQ(parentOf(7), 0);
    // Down below node 3, one level deeper than it: its child.
    EXPECT_TRUE(T->MoveRecord(0, 3, 4, false));
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {7, 4}, {4, 2}, {5, 1}, {6, 1}}));
    EXPECT_EQ(parentOf(7), 3);
    // Node 2 under its own descendant 7: refused, asked or done, and nothing changes.
    EXPECT_FALSE(T->MoveRecord(1, 3, 5, true));
    EXPECT_FALSE(T->MoveRecord(1, 3, 5, false));
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {7, 4}, {4, 2}, {5, 1}, {6, 1}}));
    // Node 5 up between 3 and 7 at level 2: the rows there are deeper, so it follows their
    // ancestor on level 2 (node 2), as 2's next sibling.
    EXPECT_TRUE(T->MoveRecord(5, 3, 2, false));
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {7, 4}, {5, 2}, {4, 2}, {6, 1}}));
    EXPECT_EQ(parentOf(5), 1);
    // The check event sees the node, the parent it would get and its place, and may refuse.
    int asked = 0;
    T->OnRecordsViewCheckMoveNode = [&](TObject*, TMemRecViewVz* Source, TMemRecViewVz* Parent, int) {
        ++asked;
        EXPECT_EQ(Source->Rec()->Value(0).AsInteger(), 6);
        EXPECT_EQ(Parent->Rec()->Value(0).AsInteger(), 1);
        return false;
    };
    EXPECT_FALSE(T->MoveRecord(6, 1, 2, false));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {2, 2}, {3, 3}, {7, 4}, {5, 2}, {4, 2}, {6, 1}}));
    T->OnRecordsViewCheckMoveNode = {};
    // Moving a node takes its subtree along: 2 (with 3 and 7) dropped on the last row at level 1
    // follows node 6 on the top level.
    EXPECT_TRUE(T->MoveRecord(1, 6, 1, false));
    EXPECT_EQ(rows.Checked(), (IdLevel{{1, 1}, {5, 2}, {4, 2}, {6, 1}, {2, 1}, {3, 2}, {7, 3}}));
    EXPECT_EQ(parentOf(2), 0);
}

// A store field of the unknown type is an object-reference field: it keeps the object itself (not
// a copy, not owned), finds rows by the object and obeys the dataset's write rules.
TEST(MemTableRefObjectField, KeepsFindsAndWritesObjectReferences) {
    TObject a, b, c;
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Ref"_S, ftUnknown);
    t->CreateDataSet();
    auto* ref = dynamic_cast<TRefObjectField*>(t->FieldByName(u"Ref"_S));
    ASSERT_NE(ref, nullptr);
    auto objVar = [](TObject* o) {
        Variant v;
        RefObjectToVarVz(o, v);
        return v;
    };
    t->AppendRecord({Variant(1), objVar(&a)});
    t->AppendRecord({Variant(2), Null()});
    t->AppendRecord({Variant(3), objVar(&b)});

    t->First();
    EXPECT_EQ(ref->Value(), &a);
    EXPECT_EQ(VarToRefObjectVz(ref->AsVariant()), &a);
    TObject* got = &c;
    EXPECT_TRUE(t->GetFieldDataAsObject(ref, got));
    EXPECT_EQ(got, &a);
    t->Next();
    EXPECT_EQ(ref->Value(), nullptr);
    EXPECT_TRUE(ref->IsNull());
    EXPECT_FALSE(t->GetFieldDataAsObject(ref, got));
    EXPECT_EQ(got, nullptr);

    // Rows are found by the object they reference.
    EXPECT_TRUE(t->Locate(u"Ref"_S, objVar(&b), {}));
    EXPECT_EQ(t->FieldByName(u"Id"_S)->AsInteger(), 3);
    EXPECT_FALSE(t->Locate(u"Ref"_S, objVar(&c), {}));

    // Writes need an edit state; the write skips the field's validation but not OnSetFieldValue,
    // and a cancel brings the old object back.
    EXPECT_THROW(ref->SetValue(&c), EDatabaseError);
    int validated = 0;
    ref->OnValidate = [&](TField*) { ++validated; };
    std::vector<TObject*> seen;
    t->OnSetFieldValue = [&](TCustomMemTableVz*, TField*, Variant& V) {
        seen.push_back(VarIsNull(V) ? nullptr : VarToRefObjectVz(V));
    };
    t->Edit();
    ref->SetValue(&c);
    EXPECT_EQ(ref->Value(), &c);
    t->Cancel();
    EXPECT_EQ(ref->Value(), &b);
    t->Edit();
    ref->SetAsVariant(objVar(&a));
    t->Post();
    t->Edit();
    ref->SetValue(nullptr);
    EXPECT_TRUE(ref->IsNull());
    t->Post();
    EXPECT_EQ(seen, (std::vector<TObject*>{&c, &a, nullptr}));
    EXPECT_EQ(validated, 0);
    EXPECT_TRUE(t->Locate(u"Id"_S, Variant(3), {}));
    EXPECT_EQ(ref->Value(), nullptr);

    // A read may be replaced on its way out.
    t->OnGetFieldValue = [&](TCustomMemTableVz*, TField* F, Variant& V) {
        if (F == ref) RefObjectToVarVz(&c, V);
    };
    EXPECT_EQ(ref->Value(), &c);
    t->OnGetFieldValue = {};
    // A Variant that holds no object is refused.
    t->Edit();
    EXPECT_THROW(ref->SetAsVariant(Variant(5)), EInvalidCast);
    t->Cancel();

    // A field that belongs to no dataset says so.
    auto loose = NewOwned<TRefObjectField>(nullptr);
    loose->SetFieldName(u"Loose"_S);
    try {
        (void)loose->Value();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Field 'Loose' has no dataset"_S);
    }
    EXPECT_THROW(loose->SetValue(&a), EDatabaseError);
}

// Calculated, internal-calculated and lookup fields sort and filter as stored ones do.
TEST(MemTableComputedFields, SortAndFilterByCalculatedInternalAndLookupFields) {
    auto cats = NewOwned<TMemTableVz>(nullptr);
    cats->FieldDefs()->Add(u"Id"_S, ftInteger);
    cats->FieldDefs()->Add(u"Title"_S, ftString, 10);
    cats->CreateDataSet();
    cats->AppendRecord({Variant(1), Variant(u"zeta"_S)});
    cats->AppendRecord({Variant(2), Variant(u"alpha"_S)});
    cats->AppendRecord({Variant(3), Variant(u"Mid"_S)});

    auto t = NewOwned<TMemTableVz>(nullptr);
    auto field = [&](TField* f, const char16_t* Name, TFieldKind Kind) {
        f->SetFieldName(String::fromUtf16(Name));
        f->SetFieldKind(Kind);
        f->SetDataSet(t.get());
        return f;
    };
    field(New<TIntegerField>(t.get()), u"Id", fkData);
    field(New<TFloatField>(t.get()), u"Price", fkData);
    field(New<TIntegerField>(t.get()), u"CatId", fkData);
    field(New<TFloatField>(t.get()), u"Neg", fkCalculated);
    field(New<TFloatField>(t.get()), u"Tax", fkInternalCalc);
    auto* title = static_cast<TStringField*>(field(New<TStringField>(t.get()), u"Cat", fkLookup));
    title->SetSize(10);
    title->SetLookupDataSet(cats.get());
    title->SetKeyFields(u"CatId"_S);
    title->SetLookupKeyFields(u"Id"_S);
    title->SetLookupResultField(u"Title"_S);
    int taxRuns = 0;
    t->OnCalcFields = [&](TDataSet* d) {
        d->FieldByName(u"Neg"_S)->SetAsFloat(-d->FieldByName(u"Price"_S)->AsFloat());
        if (d->State() == dsInternalCalc || d->FieldByName(u"Tax"_S)->IsNull()) ++taxRuns;
        d->FieldByName(u"Tax"_S)->SetAsFloat(d->FieldByName(u"Price"_S)->AsFloat() * 10 + d->FieldByName(u"CatId"_S)->AsInteger());
    };
    t->CreateDataSet();
    t->SetOptions({mtoTextFieldsCaseInsensitive});
    for (auto [id, price, cat] : std::vector<std::tuple<int, double, int>>{{1, 5, 1}, {2, 9, 2}, {3, 10, 3}, {4, 100, 2}, {5, 1, 1}})
        t->AppendRecord({Variant(id), Variant(price), Variant(cat)});
    auto ids = [&] {
        std::vector<int> r;
        t->First();
        while (!t->Eof()) {
            r.push_back(t->FieldByName(u"Id"_S)->AsInteger());
            t->Next();
        }
        return r;
    };
    // The internal-calculated values are in the store, as stored values.
    const int taxField = t->MemTableData()->DataStruct()->FieldIndex(u"Tax"_S);
    ASSERT_GE(taxField, 0);
    EXPECT_DOUBLE_EQ(t->MemTableData()->RecordsList()->Rec(3)->Value(taxField).AsDouble(), 1002);
    EXPECT_GT(taxRuns, 0);

    t->SetSortOrder(u"Neg"_S);
    EXPECT_EQ(ids(), (std::vector<int>{4, 3, 2, 1, 5}));
    t->SetSortOrder(u"Tax DESC"_S);
    EXPECT_EQ(ids(), (std::vector<int>{4, 3, 2, 1, 5}));
    // Lookup texts sort without case (alpha, Mid, zeta), ties by the store's order.
    t->SetSortOrder(u"Cat; Id DESC"_S);
    EXPECT_EQ(ids(), (std::vector<int>{4, 2, 3, 5, 1}));
    // An edit moves the row by its computed values.
    ASSERT_TRUE(t->Locate(u"Id"_S, Variant(3), {}));
    t->Edit();
    t->FieldByName(u"CatId"_S)->SetAsInteger(1);
    t->Post();
    EXPECT_EQ(ids(), (std::vector<int>{4, 2, 5, 3, 1}));
    t->SetSortOrder(u"Tax"_S);
    EXPECT_EQ(ids(), (std::vector<int>{5, 1, 2, 3, 4}));
    t->SetSortOrder(String());
    t->SortByFields(u"Neg"_S);
    EXPECT_EQ(ids(), (std::vector<int>{4, 3, 2, 1, 5}));

    t->SetFilter(u"Tax > 60"_S);
    t->SetFiltered(true);
    EXPECT_EQ(t->RecordCount(), 3);
    t->SetFilter(u"Neg < -9.5"_S);
    EXPECT_EQ(t->RecordCount(), 2);
    t->SetFilter(u"Cat = 'alpha'"_S);
    EXPECT_EQ(ids(), (std::vector<int>{4, 2}));
    t->SetFiltered(false);
    t->SetFilter(String());
    EXPECT_TRUE(t->Locate(u"Tax"_S, Variant(1002.0), {}));
    EXPECT_EQ(t->FieldByName(u"Id"_S)->AsInteger(), 4);
    // Records loaded in bulk get their values too.
    t->Close();
    TRecordsListVz* list = t->MemTableData()->RecordsList();
    list->BeginUpdate();
    TMemoryRecordVz* r = list->NewRecord();
    r->SetIntegerValue(0, 6);
    r->SetFloatValue(1, 2);
    r->SetIntegerValue(2, 3);
    list->FetchRecord(r);
    list->EndUpdate();
    t->Open();
    EXPECT_DOUBLE_EQ(r->Value(taxField).AsDouble(), 23);
}

// ---- the stream ---------------------------------------------------------------------------------

QByteArray StreamBytes(TMemTableVz* T, TDfmStreamFormatVz Format) {
    auto s = NewOwned<TMemoryStream>();
    T->SaveToStream(s.get(), Format);
    return QByteArray(static_cast<const char*>(s->Memory()), static_cast<int>(s->Size()));
}

TEST(MemTableStream, OneIntegerFieldWritesTheExactRecordBytes) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"N"_S, ftInteger);
    t->CreateDataSet();
    t->AppendRecord({Variant(5)});
    t->AppendRecord({Null()});
    t->AppendRecord({Variant(300)});
    const QByteArray bytes = StreamBytes(t.get(), dfmBinaryVz);
    const QByteArray data = QByteArray("\x04" "Data", 5) +
                            QByteArray("\x01" "\x01\x02\x05\x00" "\x01\x0D\x00" "\x01\x03\x2C\x01\x00" "\x00", 14);
    ASSERT_TRUE(bytes.startsWith("TPF0"));
    EXPECT_TRUE(bytes.contains(QByteArray("\x0FTMemTableDataVz\x0CMemTableData", 29)));
    EXPECT_TRUE(bytes.contains(data)) << bytes.toHex().toStdString();
    // A counter never used writes no current value.
    EXPECT_FALSE(bytes.contains("AutoIncCurValue"));
    // The field's stored properties, in the text form.
    const QByteArray text = StreamBytes(t.get(), dfmTextVz);
    for (const char* line : {"FieldName = 'N'", "NumericDataType = fdtIntegerVz", "AutoIncrement = False",
                             "currency = False", "Precision = 15"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("Alignment")) << text.toStdString();
    EXPECT_FALSE(text.contains("Scale")) << text.toStdString();
}

TEST(MemTableStream, AFailedSaveKeepsTheOldFile) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
    t->CreateDataSet();
    for (int i = 0; i < 50; ++i) t->AppendRecord({Variant(i), Variant(u"Работник %1"_S.arg(i))});
    for (TDfmStreamFormatVz fmt : {dfmBinaryVz, dfmTextVz})
        sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) { t->SaveToFile(Name, fmt); }, u"table.dat"_S);
}

TEST(MemTableStream, RoundTripInBothFormsAndBadFilesKeepTheRecords) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
    t->FieldDefs()->Add(u"When"_S, ftDateTime);
    t->FieldDefs()->Add(u"Sum"_S, ftBCD, 2);
    t->FieldDefs()->Add(u"Pic"_S, ftBlob);
    t->CreateDataSet();
    t->AppendRecord({Variant(1), Variant(u"Пётр О'Нил"_S), VarFromDateTime(45000.5), Variant(Currency(12.34)), Null()});
    t->AppendRecord({Variant(2), Null(), Null(), Null(), Null()});
    QTemporaryDir dir;
    for (TDfmStreamFormatVz fmt : {dfmBinaryVz, dfmTextVz}) {
        const String file = dir.filePath(fmt == dfmTextVz ? u"t.txt"_S : u"t.bin"_S);
        t->SaveToFile(file, fmt);
        auto u = NewOwned<TMemTableVz>(nullptr);
        u->LoadFromFile(file);
        u->Open();
        ASSERT_EQ(u->RecordCount(), 2);
        EXPECT_EQ(u->FieldByName(u"Name"_S)->AsString(), u"Пётр О'Нил"_S);
        EXPECT_DOUBLE_EQ(u->FieldByName(u"When"_S)->AsDateTime(), 45000.5);
        EXPECT_EQ(u->FieldByName(u"Sum"_S)->AsCurrency(), Currency(12.34));
        EXPECT_EQ(u->FieldByName(u"Name"_S)->DataType(), ftWideString);
        u->Next();
        EXPECT_TRUE(u->FieldByName(u"Name"_S)->IsNull());
        EXPECT_TRUE(u->FieldByName(u"Sum"_S)->IsNull());

        // A truncated file fails and leaves the loaded records as they were.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QByteArray all = f.readAll();
        f.close();
        const String cut = dir.filePath(u"cut"_S);
        QFile c(cut);
        ASSERT_TRUE(c.open(QIODevice::WriteOnly));
        c.write(all.left(all.size() - 12));
        c.close();
        EXPECT_ANY_THROW(u->LoadFromFile(cut));
        EXPECT_TRUE(u->Active());
        EXPECT_EQ(u->RecordCount(), 2);
    }
    auto bad = NewOwned<TMemTableVz>(nullptr);
    const String junk = dir.filePath(u"junk"_S);
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write("hello");
    j.close();
    EXPECT_THROW(bad->LoadFromFile(junk), Exception);
}

}  // namespace
