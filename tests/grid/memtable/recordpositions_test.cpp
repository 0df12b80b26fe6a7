// Record positions in the store after many single inserts and deletes at scattered places: the
// list renumbers lazily, and every record must still answer its true position (also across the
// point where the pending changes are settled at once, and through a sort of the list).
#include "grid/memtable/memtabledatavz.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct PositionsFixture : ::testing::Test {
    TMemTableDataVz* Store = New<TMemTableDataVz>(nullptr);
    TRecordsListVz* L = Store->RecordsList();
    ~PositionsFixture() override { Store->Free(); }

    TMemoryRecordVz* Make(int Id) {
        TMemoryRecordVz* r = L->NewRecord();
        r->SetDataValue(0, dvvValueVz, Id);
        return r;
    }
    // Every record's Index() against where it really is; the first wrong one is reported.
    void ExpectPositionsTrue(const char* When) {
        for (int i = 0; i < L->Count(); ++i) {
            ASSERT_EQ(L->Rec(i)->Index(), i) << When << ", record " << i << " of " << L->Count();
        }
    }
};

TEST_F(PositionsFixture, ScatteredInsertsAndDeletesKeepEveryPositionTrue) {
    Store->DataStruct()->BuildDataFieldForDef("Id", ftInteger, 0, 0);
    for (int i = 0; i < 5000; ++i) L->FetchRecord(Make(i));
    std::mt19937 gen(3);
    int next = 5000;
    // Rounds of a few changes (inside the window searched) and of many (past the point where the
    // list is renumbered at once); positions are read in between and at random records.
    for (int changes : {1, 3, 40, 200, 7, 500}) {
        for (int k = 0; k < changes; ++k) {
            const int at = static_cast<int>(gen() % static_cast<unsigned>(L->Count()));
            if (gen() % 2) L->InsertRecord(at, Make(next++));
            else L->DeleteRecord(at);
            const int probe = static_cast<int>(gen() % static_cast<unsigned>(L->Count()));
            ASSERT_EQ(L->Rec(probe)->Index(), probe) << "after change " << k << " of " << changes;
        }
        ExpectPositionsTrue("after a round");
    }
    // A sort reads positions while records trade places.
    L->SortData(nullptr, [](TMemoryRecordVz* A, TMemoryRecordVz* B, TObject*) {
        return A->Value(0).AsInteger() % 7 - B->Value(0).AsInteger() % 7;
    });
    ExpectPositionsTrue("after a sort");
    L->InsertRecord(0, Make(next++));
    L->DeleteRecord(L->Count() - 1);
    ExpectPositionsTrue("after an insert at the top and a delete at the bottom");
}

}  // namespace
