#include "grid/memtable/recordsviewvz.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

namespace {

struct ViewEvent {
    TMemoryRecordVz* Rec;
    int Index;
    TRecordsListNotification Action;
    bool operator==(const ViewEvent&) const = default;
};

// The dataset's record comparison: by the sort items, ties by storage position.
int CompareBySortItems(TMemoryRecordVz* a, TMemoryRecordVz* b, TObject* ParamSort) {
    auto* items = static_cast<TOrderByList*>(ParamSort);
    for (int i = 0; i < items->Count(); ++i) {
        TOrderByItemVz* it = items->Items(i);
        Variant va = a->GetDataValue(it->MTFieldIndex, dvvValueVz);
        Variant vb = b->GetDataValue(it->MTFieldIndex, dvvValueVz);
        int c = 0;
        if (VarIsNull(va) || VarIsNull(vb)) c = VarIsNull(va) == VarIsNull(vb) ? 0 : (VarIsNull(va) ? -1 : 1);
        else c = va < vb ? -1 : (vb < va ? 1 : 0);
        if (c != 0) return it->Desc ? -c : c;
    }
    return a->Index() - b->Index();
}

struct ViewFixture : ::testing::Test {
    TMemTableDataVz* Store = New<TMemTableDataVz>(nullptr);
    TRecordsListVz* L = Store->RecordsList();
    TRecordsViewVz* View = nullptr;
    std::vector<ViewEvent> Events;
    std::vector<std::tuple<TMemoryRecordVz*, int, int>> Moves;

    ViewFixture() {
        Store->DataStruct()->BuildDataFieldForDef("Id", ftInteger, 0, 0);
        Store->DataStruct()->BuildDataFieldForDef("Name", ftString, 0, 20);
    }
    ~ViewFixture() override {
        if (View) View->Free();
        if (Store) Store->Free();
    }
    void MakeView() {
        View = New<TRecordsViewVz>(static_cast<TDataSet*>(nullptr));
        View->OnCompareRecords = TCompareRecords(&CompareBySortItems);
        View->OnViewDataEvent = [this](TMemoryRecordVz* r, int i, TRecordsListNotification a) {
            Events.push_back({r, i, a});
        };
        View->OnViewRecordMovedEvent = [this](TMemoryRecordVz* r, int o, int n) { Moves.emplace_back(r, o, n); };
        View->SetMemTableData(Store);
    }
    TMemoryRecordVz* NewRec(int Id, const String& Name) {
        TMemoryRecordVz* r = L->NewRecord();
        r->SetDataValue(0, dvvValueVz, Id);
        r->SetDataValue(1, dvvValueVz, Name);
        return r;
    }
    TMemoryRecordVz* Fetch(int Id, const String& Name) {
        TMemoryRecordVz* r = NewRec(Id, Name);
        L->FetchRecord(r);
        return r;
    }
    void FetchIds(std::initializer_list<int> Ids) {
        for (int id : Ids) Fetch(id, QString::number(id));
    }
    void Rename(TMemoryRecordVz* r, int Id) {
        r->Edit();
        r->SetDataValue(0, dvvValueVz, Id);
        r->Post();
    }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (int i = 0; i < View->Count(); ++i) ids.push_back(View->GetRec(i)->GetDataValue(0, dvvValueVz).AsInteger());
        return ids;
    }
    // The sorted list holds exactly one item per stored record.
    void ExpectSortedListInStep() const {
        ASSERT_EQ(View->SortedListItemCount(), L->Count());
        for (int i = 0; i < L->Count(); ++i) EXPECT_GE(View->IndexOfSortedListRec(L->Rec(i)), 0);
    }
};

using V = std::vector<int>;

TEST_F(ViewFixture, AttachShowsStoredRecordsAndTellsListChanged) {
    FetchIds({3, 1, 2});
    MakeView();
    EXPECT_EQ(Ids(), (V{3, 1, 2}));
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(Events.back(), (ViewEvent{nullptr, -1, rlnListChangedVz}));
    EXPECT_TRUE(View->CatchChanged());
    EXPECT_EQ(Store->NotificatorCount(), 1);
    ExpectSortedListInStep();
}

TEST_F(ViewFixture, InsertsDeletesAndEditsKeepTheUnsortedViewInStorageOrder) {
    FetchIds({10, 20, 30});
    MakeView();
    Events.clear();

    TMemoryRecordVz* r = NewRec(15, "x");
    L->InsertRecord(1, r);
    EXPECT_EQ(Ids(), (V{10, 15, 20, 30}));
    EXPECT_EQ(Events.back(), (ViewEvent{r, 1, rlnRecAddedVz}));

    // Inserting at view position 2 puts the record before the one shown there.
    TMemoryRecordVz* r2 = NewRec(17, "y");
    View->InsertRecord(2, r2);
    EXPECT_EQ(Ids(), (V{10, 15, 17, 20, 30}));
    EXPECT_EQ(r2->Index(), 2);

    TMemoryRecordVz* last = NewRec(40, "z");
    View->InsertRecord(View->Count(), last);  // past the last row: appended
    EXPECT_EQ(Ids(), (V{10, 15, 17, 20, 30, 40}));

    Rename(L->Rec(0), 99);  // an edit without sort order keeps the place
    EXPECT_EQ(Ids(), (V{99, 15, 17, 20, 30, 40}));
    EXPECT_EQ(Events.back(), (ViewEvent{L->Rec(0), 0, rlnRecChangedVz}));
    EXPECT_TRUE(Moves.empty());

    TMemoryRecordVz* gone = View->GetRec(3);
    View->DeleteRecord(3);
    EXPECT_EQ(Ids(), (V{99, 15, 17, 30, 40}));
    EXPECT_EQ(Events.back(), (ViewEvent{gone, 3, rlnRecDeletedVz}));
    ExpectSortedListInStep();

    L->SetValue(1, 0, 16);
    EXPECT_EQ(Ids(), (V{99, 16, 17, 30, 40}));

    L->Clear();
    EXPECT_EQ(View->Count(), 0);
    EXPECT_EQ(Events.back(), (ViewEvent{nullptr, -1, rlnListChangedVz}));
    ExpectSortedListInStep();
}

TEST_F(ViewFixture, SortedViewPlacesNewAndChangedRecordsWithoutResorting) {
    FetchIds({30, 10, 20});
    MakeView();
    View->SetSortOrder("Id");
    EXPECT_EQ(Ids(), (V{10, 20, 30}));
    EXPECT_EQ(Events.back(), (ViewEvent{nullptr, -1, rlnListChangedVz}));
    Events.clear();

    // A new record lands at its sorted place; the view event carries that place.
    TMemoryRecordVz* r = NewRec(15, "n");
    L->AddRecord(r);
    EXPECT_EQ(Ids(), (V{10, 15, 20, 30}));
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0], (ViewEvent{r, 1, rlnRecAddedVz}));
    Events.clear();

    // Changing the sort field moves the record: a moved event, then changed at the new place.
    TMemoryRecordVz* ten = View->GetRec(0);
    Rename(ten, 25);
    EXPECT_EQ(Ids(), (V{15, 20, 25, 30}));
    ASSERT_EQ(Moves.size(), 1u);
    EXPECT_EQ(Moves[0], std::make_tuple(ten, 0, 2));
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0], (ViewEvent{ten, 2, rlnRecChangedVz}));

    // Descending, then back to storage order when the sort order is cleared.
    View->SetSortOrder("Id DESC");
    EXPECT_EQ(Ids(), (V{30, 25, 20, 15}));
    View->SetSortOrder("");
    std::vector<int> storage;
    for (int i = 0; i < L->Count(); ++i) storage.push_back(L->Rec(i)->GetDataValue(0, dvvValueVz).AsInteger());
    EXPECT_EQ(Ids(), storage);
    // ... and later additions still go by storage position.
    L->InsertRecord(0, NewRec(1, "a"));
    EXPECT_EQ(Ids().front(), 1);
    ExpectSortedListInStep();
}

TEST_F(ViewFixture, SortOrderTextIsParsedOnlyWhenChangedAndBadTextKeepsTheOldOrder) {
    FetchIds({2, 1});
    MakeView();
    View->SetSortOrder("Id");
    Events.clear();
    View->SetSortOrder("Id");
    EXPECT_TRUE(Events.empty());

    try {
        View->SetSortOrder("Nope");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), String(" Field - \"Nope\" not found."));
    }
    EXPECT_EQ(View->SortOrder(), String("Id"));
    ASSERT_EQ(View->OrderByList()->Count(), 1);
    EXPECT_EQ(View->OrderByList()->Items(0)->MTFieldIndex, 0);
    L->AddRecord(NewRec(0, "z"));
    EXPECT_EQ(Ids(), (V{0, 1, 2}));
}

TEST_F(ViewFixture, CachedDeleteLeavesTheViewAndCancelBringsItBack) {
    FetchIds({1, 2, 3});
    MakeView();
    L->SetCachedUpdates(true);
    Events.clear();
    TMemoryRecordVz* two = L->Rec(1);
    View->DeleteRecord(1);
    EXPECT_EQ(Ids(), (V{1, 3}));
    EXPECT_EQ(Events.back(), (ViewEvent{two, 1, rlnRecDeletedVz}));
    ExpectSortedListInStep();  // still stored, flagged deleted

    // A status filter that takes deleted records shows it again.
    View->SetStatusFilter({usUnmodified, usModified, usInserted, usDeleted});
    EXPECT_EQ(Ids(), (V{1, 2, 3}));
    View->SetStatusFilter({usUnmodified, usModified, usInserted});

    View->CancelUpdates();
    EXPECT_EQ(Ids(), (V{1, 2, 3}));
    EXPECT_EQ(Events.back(), (ViewEvent{nullptr, -1, rlnListChangedVz}));

    // Only inserted records: a filter on the status alone.
    L->AddRecord(NewRec(4, "new"));
    L->AddRecord(NewRec(5, "new"));
    View->SetStatusFilter({usInserted});
    EXPECT_EQ(Ids(), (V{4, 5}));
    View->MergeChangeLog();  // merged records are unmodified: one list-changed refresh
    EXPECT_EQ(Ids(), (V{}));
    ExpectSortedListInStep();
}

TEST_F(ViewFixture, FilterHandlerDecidesAndChangesCrossTheFilter) {
    FetchIds({1, 2, 3, 4});
    MakeView();
    View->OnFilterRecord = [](TMemoryRecordVz* r, TMemRecViewVz* node) {
        EXPECT_EQ(node, nullptr);
        return r->GetDataValue(0, dvvValueVz).AsInteger() % 2 == 0;
    };
    View->RefreshFilteredRecsList(true);
    EXPECT_EQ(Ids(), (V{2, 4}));
    Events.clear();

    TMemoryRecordVz* one = L->Rec(0);
    Rename(one, 6);  // becomes visible
    EXPECT_EQ(Ids(), (V{6, 2, 4}));
    EXPECT_EQ(Events.back(), (ViewEvent{one, 0, rlnRecAddedVz}));

    TMemoryRecordVz* four = L->Rec(3);
    Rename(four, 5);  // no longer visible
    EXPECT_EQ(Ids(), (V{6, 2}));
    EXPECT_EQ(Events.back(), (ViewEvent{four, 2, rlnRecDeletedVz}));

    Events.clear();
    Rename(four, 7);  // invisible both times: no event
    EXPECT_TRUE(Events.empty());

    L->AddRecord(NewRec(9, "odd"));  // not shown
    EXPECT_TRUE(Events.empty());
    ExpectSortedListInStep();

    // A handler that aborts the refresh leaves the view empty.
    View->OnFilterRecord = [this](TMemoryRecordVz*, TMemRecViewVz*) {
        View->SetFilterAborted(true);
        return true;
    };
    View->RefreshFilteredRecsList(true);
    EXPECT_EQ(View->Count(), 0);
    ExpectSortedListInStep();
}

// Thousands of records (the view's lists then span many blocks): after every insert, delete and
// edit, and after filter and sort changes, the rows are the filtered records in sort order (ties
// by storage position), and every record's row and sorted-list place are found.
TEST_F(ViewFixture, LongSortedFilteredViewStaysInStepWithTheStore) {
    std::mt19937 gen(11);
    for (int i = 0; i < 3000; ++i) Fetch(static_cast<int>(gen() % 500), "r");
    MakeView();
    View->SetSortOrder("Id");
    int threshold = 100;
    View->OnFilterRecord = [&threshold](TMemoryRecordVz* r, TMemRecViewVz*) {
        return r->GetDataValue(0, dvvValueVz).AsInteger() >= threshold;
    };
    View->RefreshFilteredRecsList(true);
    auto check = [&] {
        std::vector<std::pair<int, int>> expected;  // (Id, storage position)
        for (int i = 0; i < L->Count(); ++i) {
            const int id = L->Rec(i)->GetDataValue(0, dvvValueVz).AsInteger();
            if (id >= threshold) expected.emplace_back(id, i);
        }
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(View->Count(), static_cast<int>(expected.size()));
        for (int row = 0; row < View->Count(); ++row) {
            ASSERT_EQ(View->GetRec(row), L->Rec(expected[static_cast<size_t>(row)].second)) << row;
            ASSERT_EQ(View->IndexOfRec(View->GetRec(row)), row);
        }
        for (int i = 0; i < L->Count(); ++i) {
            const int id = L->Rec(i)->GetDataValue(0, dvvValueVz).AsInteger();
            if (id < threshold) {
                ASSERT_EQ(View->IndexOfRec(L->Rec(i)), -1);
            }
        }
        for (int s = 0; s < View->SortedListItemCount(); s += 7)
            ASSERT_EQ(View->GetSortedListItem(s)->InSortedListIndex(), s);
        ExpectSortedListInStep();
    };
    check();
    for (int step = 0; step < 600; ++step) {
        const int n = L->Count();
        switch (gen() % 4) {
            case 0: L->InsertRecord(static_cast<int>(gen() % static_cast<unsigned>(n + 1)), NewRec(static_cast<int>(gen() % 500), "n")); break;
            case 3: L->Move(static_cast<int>(gen() % static_cast<unsigned>(n)), static_cast<int>(gen() % static_cast<unsigned>(n))); break;
            case 1: L->DeleteRecord(static_cast<int>(gen() % static_cast<unsigned>(n))); break;
            default: Rename(L->Rec(static_cast<int>(gen() % static_cast<unsigned>(n))), static_cast<int>(gen() % 500)); break;
        }
        if (step % 100 == 0) check();
    }
    check();
    // The sorted list was kept in order through the changes: a filter change only picks from it.
    for (int i = 1; i < View->SortedListItemCount(); ++i)
        ASSERT_LE(CompareBySortItems(View->GetSortedListItem(i - 1)->Rec(), View->GetSortedListItem(i)->Rec(), View->OrderByList()), 0);
    // A filter change passes over the sorted order once; a sort change and back keeps it too.
    threshold = 300;
    View->RefreshFilteredRecsList(true);
    check();
    View->SetSortOrder(String());
    View->SetSortOrder("Id");
    check();
    threshold = 0;
    View->RefreshFilteredRecsList(true);
    check();
}

// Every item's place, checked against the store through sort, filter and storage-order changes
// with edits, inserts and deletes between them: the item's sorted-list place (storage position
// when unsorted; by Id, ties by storage position, when sorted), its row, its view, and the item
// found from each end. More records than one chunk of items holds, so items of later chunks and
// reused numbers are met.
TEST_F(ViewFixture, ItemsKeepTheirPlacesThroughSortFilterAndOrderChanges) {
    std::mt19937 gen(5);
    for (int i = 0; i < 700; ++i) Fetch(static_cast<int>(gen() % 300), "r");
    MakeView();
    int threshold = -1;        // the filter takes Id >= threshold
    bool compiled = false;     // the filter answers many records at once instead of one by one
    int batchCalls = 0;
    auto passes = [&](TMemoryRecordVz* r) { return r->GetDataValue(0, dvvValueVz).AsInteger() >= threshold; };
    View->OnFilterRecord = [&](TMemoryRecordVz* r, TMemRecViewVz*) { return passes(r); };
    View->OnFilterRecords = [&](TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes) {
        if (!compiled) return rtOneByOneVz;
        if (Count > 0) ++batchCalls;
        for (int i = 0; i < Count; ++i) Passes[i] = passes(Recs[i]) ? 1 : 0;
        return rtTestedVz;
    };
    bool desc = false;
    auto check = [&](const char* Step) {
        SCOPED_TRACE(Step);
        const bool sorted = !View->SortOrder().isEmpty();
        std::vector<int> order(static_cast<size_t>(L->Count()));  // storage positions in view order
        for (int i = 0; i < L->Count(); ++i) order[static_cast<size_t>(i)] = i;
        auto id = [&](int at) { return L->Rec(at)->GetDataValue(0, dvvValueVz).AsInteger(); };
        if (sorted)
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return desc ? id(a) > id(b) : id(a) < id(b); });
        ASSERT_EQ(View->SortedListItemCount(), L->Count());
        int row = 0;
        for (int s = 0; s < static_cast<int>(order.size()); ++s) {
            TMemoryRecordVz* rec = L->Rec(order[static_cast<size_t>(s)]);
            TMemRecViewVz* item = View->ItemOfLiveRec(rec);
            ASSERT_NE(item, nullptr) << s;
            ASSERT_EQ(item->Rec(), rec);
            ASSERT_EQ(item->RecordsView(), View);
            ASSERT_EQ(View->ItemById(item->Id(), rec), item);
            ASSERT_EQ(item->InSortedListIndex(), s);
            ASSERT_EQ(View->GetSortedListItem(s), item);
            const bool shown = passes(rec) && View->StatusFilter().Contains(rec->UpdateStatus());
            ASSERT_EQ(View->IndexOfItem(item), shown ? row : -1) << s;
            ASSERT_EQ(View->IndexOfRec(rec), shown ? row : -1) << s;
            if (shown) {
                ASSERT_EQ(View->GetRecordView(row++), item);
            }
        }
        ASSERT_EQ(View->Count(), row);
    };
    auto churn = [&](int Steps) {
        for (int step = 0; step < Steps; ++step) {
            const int n = L->Count();
            switch (gen() % 3) {
                case 0: L->InsertRecord(static_cast<int>(gen() % static_cast<unsigned>(n + 1)), NewRec(static_cast<int>(gen() % 300), "n")); break;
                case 1: L->DeleteRecord(static_cast<int>(gen() % static_cast<unsigned>(n))); break;
                default: Rename(L->Rec(static_cast<int>(gen() % static_cast<unsigned>(n))), static_cast<int>(gen() % 300)); break;
            }
        }
    };
    check("storage order");
    churn(150);
    check("storage order after changes");
    View->SetSortOrder("Id");
    check("sorted");
    threshold = 100;
    View->RefreshFilteredRecsList(true);
    check("sorted and filtered");
    churn(150);
    check("sorted and filtered after changes");
    desc = true;
    View->SetSortOrder("Id DESC");
    check("sorted again, the other way");
    churn(100);
    check("sorted again after changes");
    desc = false;
    View->SetSortOrder(String());
    check("unsorted and filtered");
    churn(150);
    check("unsorted and filtered after changes");
    compiled = true;
    threshold = 150;
    View->RefreshFilteredRecsList(true);
    EXPECT_GT(batchCalls, 0);
    check("unsorted, many records tested at once");
    // A bulk change makes the items again; those of records still stored keep their numbers.
    std::vector<std::pair<TMemoryRecordVz*, unsigned>> numbers;
    for (int i = 0; i < L->Count(); i += 3) numbers.emplace_back(L->Rec(i), View->ItemOfLiveRec(L->Rec(i))->Id());
    L->BeginUpdate();
    L->DeleteRecord(L->Count() - 1);
    for (int i = 0; i < 300; ++i) L->AddRecord(NewRec(static_cast<int>(gen() % 300), "b"));
    L->EndUpdate();
    check("after a bulk change");
    for (const auto& [rec, number] : numbers)
        if (L->IndexOf(rec) >= 0) {
            ASSERT_EQ(View->ItemOfLiveRec(rec)->Id(), number);
        }
    // Cached deletes stay stored, flagged: the status filter decides whether they show.
    L->SetCachedUpdates(true);
    for (int i = 0; i < 40; ++i) {
        const int at = static_cast<int>(gen() % static_cast<unsigned>(L->Count()));
        if (L->Rec(at)->UpdateStatus() != usDeleted) L->DeleteRecord(at);
    }
    check("with cached deletes");
    View->SetStatusFilter({usUnmodified, usModified, usInserted, usDeleted});
    check("deleted records shown");
    View->SetSortOrder("Id");
    check("deleted records shown, sorted");
}

// A filter that raises part way through the first rebuild leaves no rows, and the next rebuild
// finds every record's item and place.
TEST_F(ViewFixture, AFilterRaisingPartWayLeavesTheViewWhole) {
    for (int i = 0; i < 600; ++i) Fetch(i, "r");
    View = New<TRecordsViewVz>(static_cast<TDataSet*>(nullptr));
    int batches = 0;
    bool raise = true;
    View->OnFilterRecords = [&](TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes) {
        if (Count > 0 && raise && ++batches == 9) throw Exception("bad filter");
        for (int i = 0; i < Count; ++i) Passes[i] = Recs[i]->GetDataValue(0, dvvValueVz).AsInteger() % 2;
        return rtTestedVz;
    };
    EXPECT_THROW(View->SetMemTableData(Store), Exception);
    EXPECT_EQ(View->Count(), 0);
    TMemRecViewVz* shownBefore = View->ItemOfLiveRec(L->Rec(1));  // it passed before the raise
    ASSERT_NE(shownBefore, nullptr);
    EXPECT_EQ(View->IndexOfItem(shownBefore), -1);
    raise = false;
    View->RefreshFilteredRecsList(true);
    ASSERT_EQ(View->Count(), 300);
    for (int i = 0; i < L->Count(); ++i) {
        TMemRecViewVz* item = View->ItemOfLiveRec(L->Rec(i));
        ASSERT_NE(item, nullptr) << i;
        EXPECT_EQ(item->InSortedListIndex(), i);
        EXPECT_EQ(View->IndexOfItem(item), i % 2 ? i / 2 : -1);
    }
}

TEST_F(ViewFixture, PrefilteredListNarrowsTheCandidates) {
    FetchIds({1, 2, 3});
    MakeView();
    auto candidates = NewOwned<TObjectListVz>();
    View->OnGetPrefilteredList = [&]() -> TObjectList* {
        candidates->Clear();
        candidates->Add(View->GetSortedListItem(2));
        return candidates.get();
    };
    View->RefreshFilteredRecsList(true);
    EXPECT_EQ(Ids(), (V{3}));
}

TEST_F(ViewFixture, MovedRecordFollowsItsStoragePlace) {
    FetchIds({1, 2, 3, 4, 5});
    MakeView();
    L->Move(4, 1);
    EXPECT_EQ(Ids(), (V{1, 5, 2, 3, 4}));
    L->Move(0, 3);
    EXPECT_EQ(Ids(), (V{5, 2, 3, 1, 4}));
    EXPECT_EQ(Events.back(), (ViewEvent{nullptr, -1, rlnListChangingVz}));
    // Sorted by Id the storage move does not disturb the order.
    View->SetSortOrder("Id");
    L->Move(4, 0);
    EXPECT_EQ(Ids(), (V{1, 2, 3, 4, 5}));
}

TEST_F(ViewFixture, DisabledFilterIgnoresStoreEventsUntilRefreshed) {
    FetchIds({1});
    MakeView();
    View->InstantDisableFilter();
    L->AddRecord(NewRec(2, "b"));
    EXPECT_EQ(View->Count(), 1);
    View->InstantEnableFilter();
    View->RefreshFilteredRecsList(true);
    EXPECT_EQ(Ids(), (V{1, 2}));
    ExpectSortedListInStep();
}

TEST_F(ViewFixture, ReceiversOfTheViewAndOfTheStoreLetGo) {
    FetchIds({1});
    MakeView();
    auto* r = New<TRecordsListNotificatorVz>(nullptr);
    std::vector<TRecordsListNotification> heard;
    r->OnDataEvent = [&](TMemoryRecordVz*, int, TRecordsListNotification a) { heard.push_back(a); };
    r->SetDataObject(View);
    EXPECT_EQ(heard, (std::vector<TRecordsListNotification>{rlnListChangingVz, rlnListChangedVz}));
    r->SetDataObject(View);  // again: nothing
    EXPECT_EQ(heard.size(), 2u);
    L->AddRecord(NewRec(2, "b"));
    EXPECT_EQ(heard.back(), rlnRecAddedVz);

    // Freeing the store leaves the view detached; freeing the view detaches its receivers.
    Store->Free();
    Store = nullptr;
    EXPECT_EQ(View->DataObject(), nullptr);
    EXPECT_EQ(View->Count(), 0);
    View->Free();
    View = nullptr;
    EXPECT_EQ(r->DataObject(), nullptr);
    r->Free();
}

// Every stored record's item, found through the record and through its number, in both views.
void ExpectItemsFound(TRecordsViewVz* V, TRecordsListVz* L) {
    for (int i = 0; i < L->Count(); ++i) {
        TMemoryRecordVz* rec = L->Rec(i);
        TMemRecViewVz* item = V->ItemOfLiveRec(rec);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Rec(), rec);
        EXPECT_EQ(item->RecordsView(), V);
        EXPECT_EQ(V->ItemById(item->Id(), rec), item);
        const int row = V->IndexOfLiveRec(rec);
        ASSERT_GE(row, 0);
        EXPECT_EQ(V->GetRec(row), rec);
        EXPECT_EQ(V->IndexOfRec(rec), row);
        EXPECT_EQ(V->GetSortedListItem(V->SortedIndexOfLiveRec(rec)), item);
    }
}

TEST_F(ViewFixture, TwoViewsOverOneStoreEachFindTheirItems) {
    FetchIds({4, 2, 6, 1, 5, 3});
    MakeView();
    auto* second = New<TRecordsViewVz>(static_cast<TDataSet*>(nullptr));
    second->OnCompareRecords = TCompareRecords(&CompareBySortItems);
    second->SetMemTableData(Store);
    second->SetSortOrder("Id");
    // The records carry the first view's numbers; the second finds its items another way.
    ExpectItemsFound(View, L);
    ExpectItemsFound(second, L);
    EXPECT_NE(View->ItemOfLiveRec(L->Rec(0)), second->ItemOfLiveRec(L->Rec(0)));

    Rename(L->Rec(0), 7);
    L->DeleteRecord(1);
    L->AddRecord(NewRec(0, "zero"));
    EXPECT_EQ(Ids(), (V{7, 6, 1, 5, 3, 0}));
    ExpectItemsFound(View, L);
    ExpectItemsFound(second, L);
    for (int i = 0; i < second->Count(); ++i) EXPECT_EQ(second->GetRec(i)->Value(0).AsInteger(), (V{0, 1, 3, 5, 6, 7})[i]);

    // With the first view gone a new one takes the records' numbers over; the second keeps going.
    View->Free();
    View = nullptr;
    MakeView();
    ExpectItemsFound(View, L);
    L->DeleteRecord(0);
    ExpectItemsFound(View, L);
    ExpectItemsFound(second, L);
    second->Free();
}

TEST_F(ViewFixture, ItemNumbersNameOnlyTheirRecord) {
    FetchIds({1, 2, 3});
    MakeView();
    TMemoryRecordVz* gone = L->Rec(1);
    const unsigned id = View->ItemOfLiveRec(gone)->Id();
    std::vector<unsigned> ids;
    for (int i = 0; i < L->Count(); ++i) ids.push_back(View->ItemOfLiveRec(L->Rec(i))->Id());
    // Made again over the records, with one put ahead of them unseen, the items keep their numbers.
    L->BeginUpdate();
    L->InsertRecord(0, NewRec(8, "eight"));
    L->EndUpdate();
    EXPECT_EQ(Ids(), (V{8, 1, 2, 3}));
    ExpectItemsFound(View, L);
    for (size_t i = 0; i < ids.size(); ++i) {
        TMemoryRecordVz* rec = L->Rec(static_cast<int>(i) + 1);
        EXPECT_EQ(View->ItemById(ids[i], rec), View->ItemOfLiveRec(rec));
    }
    L->DeleteRecord(0);
    // A deleted record's number goes to the next record: it then names that one only. (The next
    // record is made before the other goes, so it cannot take the freed record's place.)
    TMemoryRecordVz* nine = NewRec(9, "nine");
    L->DeleteRecord(1);
    TMemoryRecordVz* next = L->AddRecord(nine) >= 0 ? L->Rec(L->Count() - 1) : nullptr;
    TMemRecViewVz* item = View->ItemOfLiveRec(next);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Id(), id);
    EXPECT_EQ(View->ItemById(id, gone), nullptr);
    EXPECT_EQ(View->ItemById(id, next), item);
    EXPECT_EQ(View->ItemById(0, next), nullptr);
    EXPECT_EQ(View->ItemById(1u << 30, next), nullptr);
}

TEST_F(ViewFixture, LookupBuffersAreComputedForShownItems) {
    MakeView();
    View->OnCalcLookupBuffer = [](TMemoryRecordVz* r, TMemRecViewVz* item) {
        item->SetLookupBufferLength(1);
        item->LookupBuffer()[0] = r->GetDataValue(1, dvvValueVz);
    };
    Fetch(1, "one");
    ASSERT_EQ(View->Count(), 1);
    EXPECT_EQ(View->GetRecordView(0)->LookupBuffer()[0].AsString(), String("one"));
}

TEST_F(ViewFixture, CachedUpdateLocksSwitchTheList) {
    MakeView();
    View->LockCachedUpdates();
    View->LockCachedUpdates();
    EXPECT_FALSE(L->CachedUpdates());
    View->UnlockCachedUpdates();
    EXPECT_FALSE(L->CachedUpdates());
    View->UnlockCachedUpdates();
    EXPECT_TRUE(L->CachedUpdates());
    View->UnlockCachedUpdates();  // not below zero
    EXPECT_TRUE(L->CachedUpdates());
}

TEST_F(ViewFixture, CalcAggrFieldFunc) {
    MakeView();
    EXPECT_EQ(View->CalcAggrFieldFunc("*", "COUNT").AsInteger(), 0);
    EXPECT_TRUE(VarIsNull(View->CalcAggrFieldFunc("Id", "MIN")));
    EXPECT_EQ(View->CalcAggrFieldFunc("Id", "SUM").AsInteger(), 0);
    Fetch(2, "a");
    Fetch(4, "b");
    L->AddRecord(L->NewRecord());  // all Null
    Fetch(6, "c");
    struct Case {
        const char* Func;
        double Expected;
    } cases[] = {{"SUM", 12}, {"COUNT", 3}, {"MIN", 2}, {"MAX", 6}, {"AVG", 3}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(View->CalcAggrFieldFunc("Id", c.Func).AsDouble(), c.Expected) << c.Func;
    EXPECT_EQ(View->CalcAggrFieldFunc("*", "COUNT").AsInteger(), 4);
    EXPECT_THROW(View->CalcAggrFieldFunc("Nope", "SUM"), Exception);
    try {
        View->CalcAggrFieldFunc("Id", "count");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), String("Unsupported aggrigate function: count"));
    }
}

// ---- sort texts ---------------------------------------------------------------------------------

class TNamesOrderByList : public TOrderByList {
    SDELKA_CLASS(TNamesOrderByList, TOrderByList)
protected:
    TNamesOrderByList() : TOrderByList(true) {}
    ~TNamesOrderByList() override = default;

protected:
    int FindFieldIndex(const String& FieldName) override {
        const QStringList names{"Name", "Other Name", "Third"};
        return names.indexOf(FieldName);
    }
    void SetItemFieldIndex(TOrderByItemVz* Item, int FieldIndex) override { Item->FieldIndex = FieldIndex; }
};

TEST(MemOrderByList, ParsesItemsDirectionsAndBracketedNames) {
    auto l = NewOwned<TNamesOrderByList>();
    l->ParseOrderByStr("Name DESC, [Other Name] asc; Third");
    ASSERT_EQ(l->Count(), 3);
    EXPECT_EQ((*l)[0]->FieldIndex, 0);
    EXPECT_TRUE((*l)[0]->Desc);
    EXPECT_EQ((*l)[1]->FieldIndex, 1);
    EXPECT_FALSE((*l)[1]->Desc);
    EXPECT_EQ((*l)[2]->FieldIndex, 2);

    l->ParseOrderByStr("Name DESC ASC,");
    ASSERT_EQ(l->Count(), 1);
    EXPECT_TRUE((*l)[0]->Desc);

    try {
        l->ParseOrderByStr("Third, Name X");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), String(" Invalid token - \"X\""));
    }
    EXPECT_EQ(l->Count(), 1);  // unchanged after an error

    l->ParseOrderByStr("  ");
    EXPECT_EQ(l->Count(), 0);
}

}  // namespace
