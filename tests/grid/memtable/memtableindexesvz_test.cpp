#include "grid/memtable/memtableindexesvz.h"

#include "grid/core/valueutilsvz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct IndexFixture : ::testing::Test {
    TMemTableDataVz* Store = New<TMemTableDataVz>(nullptr);
    TMTDataStructVz* S = Store->DataStruct();
    TRecordsListVz* L = Store->RecordsList();
    IndexFixture() {
        S->BuildDataFieldForDef("Id", ftInteger, 0, 0);
        S->BuildDataFieldForDef("Name", ftString, 0, 20);
    }
    ~IndexFixture() override { Store->Free(); }

    TMemoryRecordVz* Make(const Variant& Id, const String& Name = String()) {
        TMemoryRecordVz* r = L->NewRecord();
        r->SetDataValue(0, dvvValueVz, Id);
        r->SetDataValue(1, dvvValueVz, Name);
        return r;
    }
    TMemoryRecordVz* Fetch(const Variant& Id, const String& Name = String()) {
        TMemoryRecordVz* r = Make(Id, Name);
        L->FetchRecord(r);
        return r;
    }
    TMTIndexVz* Index(const String& Fields, bool Unique = false) {
        TMTIndexVz* idx = L->Indexes()->Add();
        idx->SetFields(Fields);
        idx->SetUnical(Unique);
        idx->SetActive(true);
        return idx;
    }
    // (key, record position) of every entry in index order.
    static std::vector<std::pair<Variant, int>> Entries(const TMTIndexVz* Idx) {
        std::vector<std::pair<Variant, int>> e;
        for (int i = 0; i < Idx->Count(); ++i) e.emplace_back(Idx->Items(i)->Value, Idx->Items(i)->RecIndex);
        return e;
    }
    // The index answers what a fresh build over the list answers: sorted, one entry per
    // non-deleted record, each entry's key equal to its record's values.
    void ExpectInStep(const TMTIndexVz* Idx) {
        std::vector<int> seen(static_cast<size_t>(L->Count()), 0);
        int live = 0;
        for (int i = 0; i < L->Count(); ++i)
            if (L->Rec(i)->UpdateStatus() != usDeleted) ++live;
        ASSERT_EQ(Idx->Count(), live);
        for (int i = 0; i < Idx->Count(); ++i) {
            const TIndexItemVz* e = Idx->Items(i);
            ASSERT_GE(e->RecIndex, 0);
            ASSERT_LT(e->RecIndex, L->Count());
            ++seen[static_cast<size_t>(e->RecIndex)];
            EXPECT_TRUE(VarEqualsVz(e->Value, L->Rec(e->RecIndex)->GetDataValues(Idx->Fields(), dvvValueVz)))
                << "entry " << i;
            if (i > 0) {
                EXPECT_NE(CompareVarValuesVz(Idx->Items(i - 1)->Value, e->Value), vrGreaterThan) << "entry " << i;
            }
            // A search by an integer key (held apart with the record positions) names the entry's
            // record among those it visits.
            const TVarType t = e->Value.VType();
            if (t == varInteger || t == varInt64 || t == varSmallint) {
                bool named = false;
                Idx->ForEachMatchedRecIndex(e->Value, [&](int RecIndex) { named = named || RecIndex == e->RecIndex; });
                EXPECT_TRUE(named) << "entry " << i;
            }
        }
        for (int i = 0; i < L->Count(); ++i)
            if (L->Rec(i)->UpdateStatus() != usDeleted) {
                EXPECT_EQ(seen[static_cast<size_t>(i)], 1) << "record " << i;
            }
    }
    static String ErrorOf(const std::function<void()>& F) {
        try {
            F();
        } catch (const EDatabaseError& E) {
            return E.Message();
        }
        return String();
    }
};

// ---- building and lookups -----------------------------------------------------------------------

TEST_F(IndexFixture, BuildsSortedEntriesWithNullFirstAndFindsKeys) {
    for (const Variant& v : {Variant(30), Variant(10), Null(), Variant(20), Variant(10)}) Fetch(v);
    TMTIndexVz* idx = Index("Id");
    ASSERT_EQ(idx->Count(), 5);
    EXPECT_TRUE(VarIsNull(idx->GetKeyValue(0)));
    EXPECT_EQ(idx->Items(0)->RecIndex, 2);
    EXPECT_EQ(idx->GetKeyValue(4).AsInteger(), 30);
    EXPECT_EQ(idx->Items(4)->RecIndex, 0);
    ExpectInStep(idx);

    struct Case {
        Variant Key;
        bool Found;
        int Pos;  // entry position, or insertion position when not found
    };
    for (const Case& c : {Case{20, true, 3}, Case{30, true, 4}, Case{25, false, 4}, Case{40, false, 5},
                          Case{5, false, 1}, Case{Null(), true, 0}}) {
        int pos = -1;
        EXPECT_EQ(idx->FindKeyValueIndex(c.Key, pos), c.Found) << VarToStr(c.Key).toStdString();
        EXPECT_EQ(pos, c.Pos) << VarToStr(c.Key).toStdString();
    }
    int rec = -1;
    ASSERT_TRUE(idx->FindRecordIndexByKey(20, rec));
    EXPECT_EQ(rec, 3);
    int pos = -1;
    ASSERT_TRUE(idx->FindKeyValueIndex(10, pos));
    EXPECT_EQ(idx->GetKeyValue(pos).AsInteger(), 10);
}

TEST_F(IndexFixture, SeveralFieldsMakeArrayKeysComparedElementByElement) {
    Fetch(2, "b");
    Fetch(1, "z");
    Fetch(2, "a");
    TMTIndexVz* idx = Index("Id;Name");
    std::vector<int> order;
    for (const auto& e : Entries(idx)) order.push_back(e.second);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 0}));
    Variant key = VarArrayCreate({0, 1}, varVariant);
    key.PutElement(0, 2);
    key.PutElement(1, u"b"_S);
    int rec = -1;
    ASSERT_TRUE(idx->FindRecordIndexByKey(key, rec));
    EXPECT_EQ(rec, 0);
}

TEST_F(IndexFixture, FillMatchedListsReturnEveryRecordWithTheKey) {
    for (int v : {7, 3, 7, 9, 7, 1}) Fetch(v);
    TMTIndexVz* idx = Index("Id");
    auto recs = NewOwned<TList>();
    idx->FillMatchedRecsList(7, recs.get());
    std::vector<int> got;
    for (int i = 0; i < recs->Count(); ++i) got.push_back(static_cast<TMemoryRecordVz*>(recs->Items(i))->Index());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<int>{0, 2, 4}));
    auto keys = NewOwned<TList>();
    idx->FillMatchedKeyList(8, keys.get());
    EXPECT_EQ(keys->Count(), 0);
    idx->FillMatchedKeyList(1, keys.get());
    ASSERT_EQ(keys->Count(), 1);
    EXPECT_EQ(static_cast<TIndexItemVz*>(keys->Items(0))->RecIndex, 5);
}

TEST_F(IndexFixture, IncomparableLookupKeyRaises) {
    Fetch(1);
    Fetch(2);
    TMTIndexVz* idx = Index("Id");
    // An array key against the scalar keys of a one-field index cannot be ordered.
    Variant arr = VarArrayCreate({0, 1}, varVariant);
    arr.PutElement(0, 1);
    arr.PutElement(1, 2);
    int pos = 0;
    try {
        idx->FindKeyValueIndex(arr, pos);
        FAIL() << "no error";
    } catch (const EDatabaseError&) {
        FAIL() << "plain exception expected";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"TMTIndexVz.FindKeyValueIndex: values is not comparable."_S);
    }
    EXPECT_THROW(idx->FindRecordIndexByKey(arr, pos), Exception);
}

TEST_F(IndexFixture, InactiveOrFieldlessIndexHasNoEntriesAndFollowsNothing) {
    Fetch(1);
    TMTIndexVz* idx = L->Indexes()->Add();
    idx->SetFields("Id");
    EXPECT_EQ(idx->Count(), 0);
    Fetch(2);
    EXPECT_EQ(idx->Count(), 0);
    idx->SetActive(true);
    EXPECT_EQ(idx->Count(), 2);
    idx->SetFields(String());
    EXPECT_EQ(idx->Count(), 0);
    idx->SetFields("Name");
    EXPECT_EQ(idx->Count(), 2);
    idx->SetActive(false);
    EXPECT_EQ(idx->Count(), 0);
}

TEST_F(IndexFixture, GetIndexForFieldsIgnoresAsciiCaseButNotOrder) {
    TMTIndexVz* ab = L->Indexes()->Add();
    ab->SetFields("Id;Name");
    TMTIndexVz* n = L->Indexes()->Add();
    n->SetFields("Name");
    EXPECT_EQ(L->Indexes()->GetIndexForFields("id;name"), ab);
    EXPECT_EQ(L->Indexes()->GetIndexForFields("NAME"), n);
    EXPECT_EQ(L->Indexes()->GetIndexForFields("Name;Id"), nullptr);
    EXPECT_EQ(L->Indexes()->GetIndexForFields("Id"), nullptr);
    EXPECT_EQ(L->Indexes()->GetIndexForFields("Id;Name "), nullptr);
}

// ---- uniqueness ---------------------------------------------------------------------------------

TEST_F(IndexFixture, UniqueIndexOverDuplicatesFailsToActivateAndNamesTheKey) {
    for (int v : {1, 2, 2}) Fetch(v);
    TMTIndexVz* idx = L->Indexes()->Add();
    idx->SetFields("Id");
    idx->SetUnical(true);
    EXPECT_EQ(ErrorOf([&] { idx->SetActive(true); }),
              u"Unique key violation \r\n FieldNames: Id\r\n Value: \"2\""_S);
    EXPECT_FALSE(idx->Active());
    EXPECT_EQ(idx->Count(), 0);
    // Adding now is not refused: the failed index follows nothing.
    EXPECT_NO_THROW(Fetch(1));
}

TEST_F(IndexFixture, UniqueIndexAllowsRepeatedNullKeysAndNamesArrayKeys) {
    Fetch(1, "x");
    Fetch(Null(), "y");
    Fetch(Null(), "z");
    TMTIndexVz* idx = Index("Id", true);
    EXPECT_TRUE(idx->Active());
    EXPECT_EQ(idx->Count(), 3);
    // Another Null key is accepted on add as on a rebuild.
    EXPECT_NO_THROW(Fetch(Null(), "w"));
    ExpectInStep(idx);

    idx->SetActive(false);
    TMTIndexVz* pair = L->Indexes()->Add();
    pair->SetFields("Name;Id");
    pair->SetPrimary(true);
    pair->SetActive(true);
    TMemoryRecordVz* dup = Make(1, "x");
    EXPECT_EQ(ErrorOf([&] { L->FetchRecord(dup); }),
              u"Unique key violation \r\n FieldNames: Name;Id\r\n Value: \"[x, 1]\""_S);
    EXPECT_FALSE(dup->Attached());
    dup->Free();
}

TEST_F(IndexFixture, AddingAnExistingKeyIsRefusedBeforeTheRecordIsAttached) {
    Fetch(10);
    Fetch(20);
    TMTIndexVz* idx = Index("Id", true);
    TMemoryRecordVz* dup = Make(20);
    EXPECT_EQ(ErrorOf([&] { L->InsertRecord(0, dup); }), u"Unique key violation \r\n FieldNames: Id\r\n Value: \"20\""_S);
    EXPECT_FALSE(dup->Attached());
    EXPECT_EQ(L->Count(), 2);
    ExpectInStep(idx);
    dup->SetDataValue(0, dvvValueVz, 15);
    L->InsertRecord(0, dup);
    // The new entry sits between 10 and 20; the records after it moved one place on.
    EXPECT_EQ(Entries(idx), (std::vector<std::pair<Variant, int>>{{10, 1}, {15, 0}, {20, 2}}));
    ExpectInStep(idx);
}

TEST_F(IndexFixture, ChangingToAnExistingKeyIsRefusedAndTheRecordStaysInEdit) {
    Fetch(1);
    TMemoryRecordVz* r = Fetch(2);
    TMTIndexVz* idx = Index("Id", true);
    r->Edit();
    r->SetDataValue(0, dvvValueVz, 1);
    EXPECT_EQ(ErrorOf([&] { r->Post(); }), u"Unique key violation \r\n FieldNames: Id\r\n Value: \"1\""_S);
    EXPECT_EQ(r->EditState(), resEditVz);
    r->Cancel();
    ExpectInStep(idx);
    // Posting an edit that keeps the key is no violation.
    r->Edit();
    r->SetDataValue(1, dvvValueVz, u"n"_S);
    EXPECT_NO_THROW(r->Post());
    ExpectInStep(idx);
}

// ---- following the record list ------------------------------------------------------------------

TEST_F(IndexFixture, EditsInsertsDeletesAndMovesKeepTheIndexInStep) {
    for (int v : {50, 10, 40, 20, 30}) Fetch(v);
    TMTIndexVz* idx = Index("Id");
    TMTIndexVz* byName = Index("Name");

    TMemoryRecordVz* r = L->Rec(1);
    r->Edit();
    r->SetDataValue(0, dvvValueVz, 45);
    r->Post();
    ExpectInStep(idx);
    EXPECT_EQ(idx->Items(3)->RecIndex, 1);

    L->SetValue(4, 0, Variant(5));
    ExpectInStep(idx);
    EXPECT_EQ(idx->Items(0)->RecIndex, 4);

    L->InsertRecord(2, Make(25));
    ExpectInStep(idx);
    L->AddRecord(Make(60));
    ExpectInStep(idx);

    L->DeleteRecord(0);
    ExpectInStep(idx);
    L->DeleteRecord(L->Count() - 1);
    ExpectInStep(idx);

    L->Move(0, 3);
    ExpectInStep(idx);
    L->Move(3, 1);
    ExpectInStep(idx);

    L->PersistDeleteRecords({{0, 1}});
    ExpectInStep(idx);
    ExpectInStep(byName);
    L->Clear();
    EXPECT_EQ(idx->Count(), 0);
}

// Integer keys are searched as numbers; a Null key among them, or a search value of another
// kind, falls back to the general comparison. Either way every search answers as a walk over the
// entries does, through inserts, edits, moves and deletes with repeated keys.
TEST_F(IndexFixture, IntegerKeysAnswerAsTheGeneralComparisonThroughEveryChange) {
    unsigned seed = 17;
    auto next = [&seed](unsigned Mod) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % Mod);
    };
    for (int i = 0; i < 40; ++i) Fetch(next(30));
    TMTIndexVz* idx = Index("Id");
    auto expectSearches = [&](int Step) {
        ExpectInStep(idx);
        for (const Variant& key : {Variant(-1), Variant(0), Variant(7), Variant(29), Variant(31), Variant(7LL),
                                   Variant(static_cast<short>(12)), Variant(12.0), Variant(12.5)}) {
            int want = 0;
            for (int i = 0; i < idx->Count(); ++i)
                if (VarEqualsVz(idx->Items(i)->Value, key)) ++want;
            int pos = -1;
            const bool found = idx->FindKeyValueIndex(key, pos);
            EXPECT_EQ(found, want > 0) << "step " << Step << " key " << VarToStr(key).toStdString();
            if (found) {
                EXPECT_TRUE(VarEqualsVz(idx->Items(pos)->Value, key)) << "step " << Step;
            } else if (pos < idx->Count()) {
                EXPECT_EQ(CompareVarValuesVz(idx->Items(pos)->Value, key), vrGreaterThan) << "step " << Step;
            }
            auto matched = NewOwned<TList>();
            idx->FillMatchedRecsList(key, matched.get());
            EXPECT_EQ(matched->Count(), want) << "step " << Step;
        }
    };
    expectSearches(0);
    for (int step = 1; step <= 120; ++step) {
        switch (next(5)) {
        case 0: L->InsertRecord(next(static_cast<unsigned>(L->Count()) + 1), Make(next(30))); break;
        case 1:
            if (L->Count() > 5) L->DeleteRecord(next(static_cast<unsigned>(L->Count())));
            break;
        case 2: L->SetValue(next(static_cast<unsigned>(L->Count())), 0, Variant(next(30))); break;
        case 3: L->Move(next(static_cast<unsigned>(L->Count())), next(static_cast<unsigned>(L->Count()))); break;
        default:
            // Now and then a Null key: the numbers are set aside until the next rebuild.
            L->SetValue(next(static_cast<unsigned>(L->Count())), 0, step % 20 == 0 ? Null() : Variant(next(30)));
            if (step % 30 == 0) idx->RebuildIndex();
            break;
        }
        expectSearches(step);
    }
}

TEST_F(IndexFixture, DuplicateKeysChangeAndDeleteTheRecordsOwnEntry) {
    for (int v : {7, 7, 7}) Fetch(v);
    TMTIndexVz* idx = Index("Id");
    TMemoryRecordVz* r = L->Rec(2);
    r->Edit();
    r->SetDataValue(0, dvvValueVz, 8);
    r->Post();
    ExpectInStep(idx);
    L->DeleteRecord(0);
    ExpectInStep(idx);
    L->DeleteRecord(0);
    ExpectInStep(idx);
    ASSERT_EQ(idx->Count(), 1);
    EXPECT_EQ(idx->GetKeyValue(0).AsInteger(), 8);
}

TEST_F(IndexFixture, BulkChangesRebuildAndUpdateBracketDefersToItsEnd) {
    for (int v : {3, 1, 2}) Fetch(v);
    TMTIndexVz* idx = Index("Id");
    L->BeginUpdate();
    L->AddRecord(Make(0));
    L->SetValue(0, 0, Variant(9));
    EXPECT_EQ(idx->Count(), 3);
    L->EndUpdate();
    ExpectInStep(idx);
    L->SortData(nullptr, TCompareRecords([](TMemoryRecordVz* A, TMemoryRecordVz* B, TObject*) {
        return A->GetDataValue(0, dvvValueVz).AsInteger() - B->GetDataValue(0, dvvValueVz).AsInteger();
    }));
    ExpectInStep(idx);
    EXPECT_EQ(idx->Items(0)->RecIndex, 0);
    // A unique violation that arises inside a bracket is reported when the bracket ends.
    Index("Id", true);
    L->BeginUpdate();
    L->AddRecord(Make(1));
    EXPECT_THROW(L->EndUpdate(), EDatabaseError);
}

TEST_F(IndexFixture, RefreshEditWithoutChangingNoticeStillRekeysTheEntry) {
    Fetch(1);
    TMemoryRecordVz* r = Fetch(2);
    TMTIndexVz* idx = Index("Id");
    r->EditForRefresh();
    r->SetDataValue(0, dvvValueVz, 0);
    r->Post();
    ExpectInStep(idx);
    EXPECT_EQ(idx->Items(0)->RecIndex, 1);
}

// ---- cached updates -----------------------------------------------------------------------------

TEST_F(IndexFixture, RecordsFlaggedDeletedHaveNoEntryUntilReverted) {
    for (int v : {1, 2, 3}) Fetch(v);
    TMTIndexVz* idx = Index("Id", true);
    L->SetCachedUpdates(true);
    L->DeleteRecord(1);
    ASSERT_EQ(L->Count(), 3);
    ExpectInStep(idx);
    int pos = 0;
    EXPECT_FALSE(idx->FindKeyValueIndex(2, pos));
    // A rebuild answers the same as before it.
    L->Indexes()->UpdateIndexes();
    ExpectInStep(idx);
    EXPECT_FALSE(idx->FindKeyValueIndex(2, pos));
    // A value written into the flagged record does not bring its entry back.
    L->SetValue(1, 1, Variant(u"x"_S));
    ExpectInStep(idx);

    L->RevertRecord(1);
    ExpectInStep(idx);
    EXPECT_TRUE(idx->FindKeyValueIndex(2, pos));
}

TEST_F(IndexFixture, RevertingADeletedRecordWhoseKeyWasTakenIsRefused) {
    Fetch(1);
    Fetch(2);
    TMTIndexVz* idx = Index("Id", true);
    L->SetCachedUpdates(true);
    L->DeleteRecord(1);
    L->AddRecord(Make(2));
    ExpectInStep(idx);
    EXPECT_THROW(L->RevertRecord(1), EDatabaseError);
    EXPECT_EQ(L->Rec(1)->UpdateStatus(), usDeleted);
    ExpectInStep(idx);
}

TEST_F(IndexFixture, MergingADeletedRecordKeepsTheEntryOfAnotherWithTheSameKey) {
    Fetch(5);
    Fetch(5);
    Fetch(6);
    TMTIndexVz* idx = Index("Id");
    L->SetCachedUpdates(true);
    L->DeleteRecord(0);
    L->Rec(0)->MergeChanges();
    ASSERT_EQ(L->Count(), 2);
    ExpectInStep(idx);
    int rec = -1;
    ASSERT_TRUE(idx->FindRecordIndexByKey(5, rec));
    EXPECT_EQ(rec, 0);
}

TEST_F(IndexFixture, IndexMadeApartFollowsWhatItIsHanded) {
    for (int v : {2, 1}) Fetch(v);
    TMTIndexVz* idx = TMTIndexVz::CreateApart(L);
    EXPECT_EQ(idx->RecordsList(), L);
    EXPECT_EQ(L->Indexes()->Count(), 0);
    idx->SetFields("Id");
    idx->SetActive(true);
    ExpectInStep(idx);
    TMemoryRecordVz* r = Make(0);
    idx->Notify(r, 2, rlnRecAddingVz);
    L->AddRecord(r);
    idx->Notify(r, 2, rlnRecAddedVz);
    ExpectInStep(idx);
    idx->Free();
}

}  // namespace

namespace {

// The search over integer keys guesses a place from the keys' spread before it searches: whatever
// the keys (without gaps, with gaps, repeated, negative, spread over the whole range), a key
// visits exactly the records that hold it.
TEST_F(IndexFixture, IntegerSearchVisitsExactlyTheRecordsOfTheKey) {
    std::vector<std::vector<int>> sets = {
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
        {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 1, 1, 10},
        {0, 5, 6, 7, 100, 101, 5000, 5001},
        {-40, -3, -2, -1, 0, 1, 2, 900},
        {INT32_MIN, -1, 0, 1, INT32_MAX, INT32_MAX},
        {7, 7, 7, 7},
        {42},
    };
    for (size_t s = 0; s < sets.size(); ++s) {
        L->Clear();
        for (int k : sets[s]) Fetch(k);
        TMTIndexVz* idx = Index("Id");
        std::vector<Int64> probes = {INT64_MIN, INT64_MAX, static_cast<Int64>(INT32_MIN) - 1, -41, -4, 0, 1, 3, 4, 6, 8, 11, 99, 102, 4999, 5002};
        for (int k : sets[s]) probes.push_back(k);
        for (Int64 key : probes) {
            std::vector<int> want, got;
            for (int i = 0; i < L->Count(); ++i)
                if (L->Rec(i)->Value(0).AsInt64() == key) want.push_back(i);
            idx->ForEachMatchedRecIndex(Variant(static_cast<long long>(key)), [&](int RecIndex) { got.push_back(RecIndex); });
            std::sort(got.begin(), got.end());
            EXPECT_EQ(got, want) << "set " << s << " key " << key;
        }
        idx->Collection()->Delete(idx->Index());
    }
}

}  // namespace
