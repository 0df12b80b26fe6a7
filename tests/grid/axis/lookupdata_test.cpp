// The lookup definition and its cache without a grid: sorting and halving over the cache, the
// display value for the grid's current record, the list following opens, closes and new records.
#include "grid/axis/lookupdatavz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"

#include <gtest/gtest.h>

namespace {

TEST(LookupCache, SortsByKeyAndFindsByHalving) {
    TLookupListVz l;
    for (int k : {5, 1, 4, 1, 3, 9, 2, 6}) l.Add(Variant(k), Variant(QString::number(k * 10)));
    l.Add(Null(), Variant(u"none"_S));
    l.SortData();
    for (int i = 1; i < l.Count(); ++i)
        EXPECT_NE(CompareVarValuesVz(l.Items(i - 1).KeyValue, l.Items(i).KeyValue), vrGreaterThan) << i;
    EXPECT_EQ(l.ValueOfKey(Variant(4)).AsString(), u"40"_S);
    EXPECT_EQ(l.ValueOfKey(Variant(1)).AsString(), u"10"_S);
    EXPECT_EQ(l.ValueOfKey(Null()).AsString(), u"none"_S);
    // A key that is not there answers Unassigned, not Null; the index is where it would go.
    EXPECT_TRUE(VarIsEmpty(l.ValueOfKey(Variant(7))));
    int at = -1;
    EXPECT_FALSE(l.FindKeyIndex(Variant(7), at));
    EXPECT_EQ(CompareVarValuesVz(l.Items(at).KeyValue, Variant(9)), vrEqual);
    TLookupListVz empty;
    EXPECT_FALSE(empty.FindKeyIndex(Variant(1), at));
    EXPECT_EQ(at, 0);
}

TEST(LookupCache, TwoFieldKeysCompareElementByElementAndIncomparableKeysRaiseOnSearchOnly) {
    TLookupListVz l;
    l.Add(VarArrayOf({Variant(2), Variant(u"a"_S)}), Variant(u"2a"_S));
    l.Add(VarArrayOf({Variant(1), Variant(u"b"_S)}), Variant(u"1b"_S));
    l.Add(VarArrayOf({Variant(1), Variant(u"a"_S)}), Variant(u"1a"_S));
    l.SortData();
    EXPECT_EQ(l.ValueOfKey(VarArrayOf({Variant(1), Variant(u"b"_S)})).AsString(), u"1b"_S);
    EXPECT_EQ(l.Items(0).DisplayValue.AsString(), u"1a"_S);
    // An array key against a single value cannot be compared: sorting goes on, the search raises.
    l.Add(Variant(3), Variant(u"3"_S));
    EXPECT_NO_THROW(l.SortData());
    TLookupListVz m;
    m.Add(VarArrayOf({Variant(1), Variant(2)}), Variant(1));
    try {
        m.ValueOfKey(Variant(1));
        FAIL() << "an incomparable key was searched without raising";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"TMTIndexVz.FindKeyValueIndex: values is not comparable."_S);
    }
}

struct Owner : ILookupDataOwnerVz {
    TDataSet* DataSet = nullptr;
    TField* Field = nullptr;
    int Changes = 0;
    TDataSet* LookupOwnerDataSet() override { return DataSet; }
    TField* LookupOwnerField() override { return Field; }
    void LookupStateChanged() override { ++Changes; }
};

struct LookupFixture : ::testing::Test {
    TOwned<TMemTableVz> Orders = NewOwned<TMemTableVz>(nullptr);
    TOwned<TMemTableVz> Kinds = NewOwned<TMemTableVz>(nullptr);
    Owner O;
    TOwned<TDBLookupDataVz> L;

    LookupFixture() {
        Orders->FieldDefs()->Add(u"ID"_S, ftInteger);
        Orders->FieldDefs()->Add(u"Kind"_S, ftInteger);
        Orders->CreateDataSet();
        Orders->AppendRecord({Variant(1), Variant(2)});
        Orders->AppendRecord({Variant(2), Variant(7)});
        Orders->AppendRecord({Variant(3), Null()});
        Orders->First();
        Kinds->FieldDefs()->Add(u"Code"_S, ftInteger);
        Kinds->FieldDefs()->Add(u"Title"_S, ftWideString, 20);
        Kinds->CreateDataSet();
        Kinds->AppendRecord({Variant(1), Variant(u"Резка"_S)});
        Kinds->AppendRecord({Variant(2), Variant(u"Сварка"_S)});
        Kinds->First();
        O.DataSet = Orders.get();
        L.reset(New<TDBLookupDataVz>(&O));
        L->SetKeyFieldNames(u"Kind"_S);
        L->SetLookupKeyFieldNames(u"Code"_S);
        L->SetLookupDisplayFieldName(u"Title"_S);
        L->SetLookupDataSet(Kinds.get());
    }
    ~LookupFixture() override { L.reset(); }
};

TEST_F(LookupFixture, AnswersTheListTextForTheCurrentRecordFromTheCache) {
    EXPECT_TRUE(L->LookupIsSetUp());
    EXPECT_TRUE(L->LookupActive());
    EXPECT_EQ(L->LookupListCache().Count(), 2);
    EXPECT_EQ(L->GetLookupValue().AsString(), u"Сварка"_S);
    Orders->Next();  // kind 7 is not in the list
    EXPECT_TRUE(VarIsEmpty(L->GetLookupValue()));
    // Without the cache the list data set is searched instead.
    L->SetLookupCache(false);
    EXPECT_EQ(L->LookupListCache().Count(), 0);
    EXPECT_EQ(L->GetLookupValue().AsString(), String());
    Orders->First();
    EXPECT_EQ(L->GetLookupValue().AsString(), u"Сварка"_S);
    L->SetLookupCache(true);
    EXPECT_EQ(L->LookupListCache().Count(), 2);
}

TEST_F(LookupFixture, TheCacheFollowsTheListTableAndAClosedListAnswersNull) {
    Kinds->AppendRecord({Variant(7), Variant(u"Покраска"_S)});
    Orders->Next();
    EXPECT_EQ(L->GetLookupValue().AsString(), u"Покраска"_S);
    Kinds->Locate(u"Code"_S, Variant(2), {});
    Kinds->Edit();
    Kinds->FieldByName(u"Title"_S)->SetAsString(u"Сварка шва"_S);
    Kinds->Post();
    Orders->First();
    EXPECT_EQ(L->GetLookupValue().AsString(), u"Сварка шва"_S);
    Kinds->Delete();
    EXPECT_TRUE(VarIsEmpty(L->GetLookupValue()));
    // The rebuild leaves the list's cursor where it was.
    Kinds->First();
    Kinds->Next();
    Kinds->AppendRecord({Variant(9), Variant(u"Сборка"_S)});
    EXPECT_EQ(Kinds->FieldByName(u"Code"_S)->AsInteger(), 9);
    const int changes = O.Changes;
    Kinds->Close();
    EXPECT_FALSE(L->LookupActive());
    EXPECT_GT(O.Changes, changes);
    EXPECT_EQ(L->LookupListCache().Count(), 0);
    EXPECT_TRUE(VarIsNull(L->GetLookupValue()));
    Kinds->Open();
    EXPECT_TRUE(L->LookupActive());
    EXPECT_EQ(L->LookupListCache().Count(), Kinds->RecordCount());
}

TEST_F(LookupFixture, SettingsCheckTheirNamesAndRefuseChangesOnALookupField) {
    const int changes = O.Changes;
    L->SetKeyFieldNames(u"Kind"_S);  // the same value: nothing happens
    EXPECT_EQ(O.Changes, changes);
    EXPECT_THROW(L->SetLookupDisplayFieldName(u"Nope"_S), EDatabaseError);
    EXPECT_FALSE(L->LookupActive());
    L->SetLookupDisplayFieldName(u"Title"_S);
    EXPECT_TRUE(L->LookupActive());
    // The list cannot be the grid's own data set.
    EXPECT_THROW(L->SetLookupDataSet(Orders.get()), EDatabaseError);
    L->SetLookupDataSet(Kinds.get());

    TField* look = New<TWideStringField>(Orders.get());
    look->SetFieldName(u"KindTitle"_S);
    look->SetFieldKind(fkLookup);
    O.Field = look;
    try {
        L->SetKeyFieldNames(u"ID"_S);
        FAIL() << "a lookup field's definition was changed";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"SPropDefByLookup"_S);
    }
    O.Field = nullptr;
    EXPECT_EQ(L->KeyFieldNames(), u"Kind"_S);
}

TEST_F(LookupFixture, AListDataSetThatIsFreedIsForgotten) {
    Kinds.reset();
    EXPECT_EQ(L->LookupDataSet(), nullptr);
    EXPECT_FALSE(L->LookupActive());
    EXPECT_TRUE(VarIsNull(L->GetLookupValue()));
}

}  // namespace
