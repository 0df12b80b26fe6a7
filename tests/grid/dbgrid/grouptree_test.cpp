// The group tree over an in-memory table: building, following the table's changes, expansion,
// re-sorting and changes of the level structure.
#include "groupstestgrid.h"

#include "grid/core/valueutilsvz.h"
#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

#include <random>

using namespace groupstest;

namespace {

struct GroupTreeFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    std::vector<TOwned<TTestGroupGrid>> Grids;

    GroupTreeFixture() {
        FormatSettings.DecimalSeparator = u'.';
        T->FieldDefs()->Add(u"Shop"_S, ftString, 20);
        T->FieldDefs()->Add(u"Kind"_S, ftInteger);
        T->FieldDefs()->Add(u"Amount"_S, ftFloat);
        T->FieldDefs()->Add(u"Qty"_S, ftInteger);
        T->CreateDataSet();
    }
    void Add(const Variant& Shop, const Variant& Kind, const Variant& Amount, const Variant& Qty) {
        T->AppendRecord({Shop, Kind, Amount, Qty});
    }
    void AddSample() {
        Add(u"B"_S, 1, 10.0, 1);
        Add(u"A"_S, 2, 5.0, Null());
        Add(Null(), 1, 1.5, 2);
        Add(u"B"_S, Null(), Null(), 3);
        Add(u"A"_S, 2, 2.5, 4);
        Add(u"B"_S, 1, 4.0, 5);
    }
    // A grid grouped by Shop, then Kind, with one visible footer: a fixed text under Shop, the
    // sum of Amount and the count of Qty.
    TTestGroupGrid* MakeGrid(bool Expanded = true) {
        Grids.push_back(NewOwned<TTestGroupGrid>(nullptr));
        TTestGroupGrid* G = Grids.back().get();
        for (const char16_t* F : {u"Shop", u"Kind", u"Amount", u"Qty"}) G->Columns->Add(T.get(), String::fromUtf16(F));
        G->Bind(T.get());
        G->Groups->SetDefaultStateExpanded(Expanded);
        TGridDataGroupFooterVz* F = G->Groups->Footers()->Add();
        F->SetVisible(true);
        F->ColumnItems()->Items(0)->SetValueType(gfvStaticTextVz);
        F->ColumnItems()->Items(0)->SetText(u"ИТОГО:"_S);
        F->ColumnItems()->Items(2)->SetValueType(gfvSumVz);
        F->ColumnItems()->Items(3)->SetValueType(gfvCountVz);
        G->Groups->GroupLevels()->Add()->SetColumn(G->Columns->Items(0));
        G->Groups->GroupLevels()->Add()->SetColumn(G->Columns->Items(1));
        G->Groups->SetActive(true);
        return G;
    }
    std::string Fresh() { return Dump(MakeGrid()->Tree()); }
    // A new grid's level changes make every grid over the table rebuild: the tree is read first.
    void ExpectSameAsFresh(TGridGroupDataTreeVz* Tr) {
        const std::string Incremental = Dump(Tr);
        EXPECT_EQ(Incremental, Fresh());
        Grids.resize(1);
    }
};

TEST_F(GroupTreeFixture, BuildsGroupsRecordsAndFootersFromTheView) {
    AddSample();
    TTestGroupGrid* G = MakeGrid();
    // Null keys first, records by view number, footers last, the grand totals at the root.
    EXPECT_EQ(Dump(G->Tree()),
              "{1{r2 [ИТОГО:||1.5|1]} [ИТОГО:||1.5|1]} "
              "A{2{r1 r4 [ИТОГО:||7.5|1]} [ИТОГО:||7.5|1]} "
              "B{{r3 [ИТОГО:|||1]} 1{r0 r5 [ИТОГО:||14|2]} [ИТОГО:||14|3]} "
              "[ИТОГО:||23|5]");
    EXPECT_EQ(DumpFlat(G->Tree()), "G: G:1 r2 F F G:A G:2 r1 r4 F F G:B G: r3 F G:1 r0 r5 F F");
    // A group carries the view number of the record that made it.
    TGroupDataTreeNodeVz* B = G->Tree()->Root()->Items(2);
    EXPECT_EQ(B->DataSetRecordViewNo(), 0);
    EXPECT_EQ(B->Items(0)->DataSetRecordViewNo(), 3);
    EXPECT_EQ(G->Tree()->IndexOfVisibleRecordViewNo(3), G->Tree()->IndexOfVisibleNode(B->Items(0)));
    // The full key of a record: every level's key, then its view number.
    TGroupDataTreeNodeVz* R = G->Tree()->GetNodeByRecordViewNo(5);
    EXPECT_EQ(VarArrayToStrVz(R->FullKey()), u"[B, 1, 5]"_S);
    EXPECT_TRUE(R->RecordNodeLastInGroup());
    EXPECT_EQ(G->Tree()->GetNodeByRecordViewNo(6), nullptr);
}

TEST_F(GroupTreeFixture, WithoutLevelsTheRootHoldsEveryRecord) {
    AddSample();
    TTestGroupGrid* G = MakeGrid();
    G->Groups->GroupLevels()->Clear();
    EXPECT_EQ(G->Groups->ActiveGroupLevelsCount(), 0);
    EXPECT_EQ(Dump(G->Tree()), "r0 r1 r2 r3 r4 r5 [ИТОГО:||23|5]");
    // The grand totals are not a row of the flat list.
    EXPECT_EQ(DumpFlat(G->Tree()), "r0 r1 r2 r3 r4 r5");
}

TEST_F(GroupTreeFixture, DescendingLevelReversesItsGroupsOnly) {
    AddSample();
    TTestGroupGrid* G = MakeGrid();
    G->Groups->GroupLevels()->Items(0)->SetSortOrder(soDescVz);
    const std::string Resorted = Dump(G->Tree());
    EXPECT_EQ(Resorted,
              "B{{r3 [ИТОГО:|||1]} 1{r0 r5 [ИТОГО:||14|2]} [ИТОГО:||14|3]} "
              "A{2{r1 r4 [ИТОГО:||7.5|1]} [ИТОГО:||7.5|1]} "
              "{1{r2 [ИТОГО:||1.5|1]} [ИТОГО:||1.5|1]} "
              "[ИТОГО:||23|5]");
    // Descending on the inner level: Null goes last.
    G->Groups->GroupLevels()->Items(1)->SetSortOrder(soDescVz);
    EXPECT_NE(Dump(G->Tree()).find("B{1{r0 r5 [ИТОГО:||14|2]} {r3 [ИТОГО:|||1]}"), std::string::npos) << Dump(G->Tree());
    // A rebuild places new records by the same order.
    G->Tree()->RebuildDataTreeEx(T.get());
    EXPECT_NE(Dump(G->Tree()).find("B{1{r0 r5 [ИТОГО:||14|2]} {r3 [ИТОГО:|||1]}"), std::string::npos) << Dump(G->Tree());
    // A level without a column takes no part: its sort order changes nothing.
    const std::string Before = Dump(G->Tree());
    G->Groups->GroupLevels()->Add()->SetSortOrder(soDescVz);
    EXPECT_EQ(Dump(G->Tree()), Before);
}

// Every change of the table reaches the tree one record at a time; after each the tree equals a
// tree built from scratch over the same rows, and an edit that keeps the keys keeps every node.
// The footers are summed again along the changed paths, or, with an aggregate event, all of them.
class GroupTreeChanges : public GroupTreeFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(GroupTreeChanges, MatchAFullRebuild) {
    AddSample();
    TTestGroupGrid* G = MakeGrid();
    G->Groups->AggregateEvents = GetParam();
    std::mt19937 Rnd(55);
    auto Pick = [&](int N) { return int(Rnd() % unsigned(N)); };
    const Variant Shops[] = {Variant(u"A"_S), Variant(u"B"_S), Variant(u"C"_S), Null()};
    const Variant Kinds[] = {Variant(1), Variant(2), Null()};
    for (int Step = 0; Step < 120; ++Step) {
        const int Rows = T->RecordCount();
        const int Op = Rows < 3 ? 0 : Pick(6);
        std::string What;
        if (Op == 0) {
            Add(Shops[Pick(4)], Kinds[Pick(3)], double(Pick(100)) / 4, Pick(5) ? Variant(Pick(9)) : Null());
            What = "append";
        } else if (Op == 1) {
            T->SetRecNo(1 + Pick(Rows));
            T->Insert();
            T->FieldByName(u"Shop"_S)->SetValue(Shops[Pick(4)]);
            T->FieldByName(u"Kind"_S)->SetValue(Kinds[Pick(3)]);
            T->FieldByName(u"Amount"_S)->SetValue(Variant(double(Pick(40))));
            T->Post();
            What = "insert";
        } else if (Op == 2) {
            T->SetRecNo(1 + Pick(Rows));
            T->Delete();
            What = "delete";
        } else if (Op == 3) {
            T->SetRecNo(1 + Pick(Rows));
            T->Edit();
            if (Pick(2))
                T->FieldByName(u"Shop"_S)->SetValue(Shops[Pick(4)]);
            else
                T->FieldByName(u"Kind"_S)->SetValue(Kinds[Pick(3)]);
            T->Post();
            What = "edit key";
        } else {
            // An edit inside a group: no node is made or freed, the sums follow.
            const int Row = Pick(Rows);
            T->SetRecNo(Row + 1);
            std::vector<TGroupDataTreeNodeVz*> Before;
            for (TGroupDataTreeNodeVz* N = G->Tree()->GetFirst(); N; N = G->Tree()->GetNext(N)) Before.push_back(N);
            const int Rebuilds = G->FullRebuilds;
            T->Edit();
            T->FieldByName(u"Amount"_S)->SetValue(Pick(3) ? Variant(double(Pick(1000)) / 8) : Null());
            T->FieldByName(u"Qty"_S)->SetValue(Pick(3) ? Variant(Pick(9)) : Null());
            T->Post();
            std::vector<TGroupDataTreeNodeVz*> After;
            for (TGroupDataTreeNodeVz* N = G->Tree()->GetFirst(); N; N = G->Tree()->GetNext(N)) After.push_back(N);
            EXPECT_EQ(Before, After) << "step " << Step;
            EXPECT_EQ(G->FullRebuilds, Rebuilds) << "step " << Step;
            What = "edit value";
        }
        ExpectSameAsFresh(G->Tree());
        ASSERT_FALSE(HasFailure()) << "step " << Step << ": " << What;
    }
}

INSTANTIATE_TEST_SUITE_P(Footers, GroupTreeChanges, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& I) { return I.param ? "SummedOverAll" : "SummedAlongPaths"; });

TEST_F(GroupTreeFixture, FlatListFollowsExpansionAndFooterSettings) {
    AddSample();
    TTestGroupGrid* G = MakeGrid(false);
    TGridGroupDataTreeVz* Tr = G->Tree();
    // New groups start collapsed: only the outer group rows show.
    EXPECT_EQ(DumpFlat(Tr), "G: G:A G:B");
    Tr->Root()->Items(2)->SetExpanded(true);
    EXPECT_EQ(DumpFlat(Tr), "G: G:A G:B G: G:1 F");
    TGridDataGroupLevelVz* Inner = G->Groups->GroupLevels()->Items(1);
    Inner->ExpandNodes();
    EXPECT_EQ(DumpFlat(Tr), "G: G:A G:B G: r3 F G:1 r0 r5 F F");
    // The first footer of a level that shows it in the group row, and invisible footers, are no rows.
    Inner->SetFooterInGroupRow(true);
    EXPECT_EQ(DumpFlat(Tr), "G: G:A G:B G: r3 G:1 r0 r5 F");
    Inner->SetFooterInGroupRowStored(false);
    G->Groups->Footers()->Items(0)->SetVisible(false);
    EXPECT_EQ(DumpFlat(Tr), "G: G:A G:B G: r3 G:1 r0 r5");
    // An invisible footer still has its nodes and values.
    EXPECT_NE(Dump(Tr).find("} [ИТОГО:||23|5]"), std::string::npos);
    Inner->CollapseNodes();
    EXPECT_EQ(DumpFlat(Tr), "G: G:A G:B G: G:1");
    // New groups stay shut, except the groups of the row the user is inserting.
    G->Groups->Footers()->Items(0)->SetVisible(true);
    T->Append();
    EXPECT_EQ(DumpFlat(Tr), "G: G: r6 F G:1 F G:A G:B G: G:1 F");
    T->FieldByName(u"Shop"_S)->SetValue(Variant(u"C"_S));
    T->Post();
    EXPECT_EQ(DumpFlat(Tr), "G: G:1 F G:A G:B G: G:1 F G:C");
}

TEST_F(GroupTreeFixture, LevelChangesKeepTheUnchangedUpperLevels) {
    AddSample();
    TTestGroupGrid* G = MakeGrid(false);
    TGridGroupDataTreeVz* Tr = G->Tree();
    TGroupDataTreeNodeVz* A = Tr->Root()->Items(1);
    A->SetExpanded(true);
    // A third level below two unchanged ones: the outer groups survive with their expansion.
    G->Columns->Add(T.get(), u"Qty"_S);
    G->Groups->GroupLevels()->Add()->SetColumn(G->Columns->Items(3));
    EXPECT_EQ(Tr->Root()->Items(1), A);
    EXPECT_TRUE(A->Expanded());
    EXPECT_EQ(A->Items(0)->Level(), 2);
    EXPECT_NE(Dump(Tr).find("A{2{{r1 [ИТОГО:||5|0]} 4{r4 [ИТОГО:||2.5|1]} [ИТОГО:||7.5|1]} [ИТОГО:||7.5|1]}"), std::string::npos)
        << Dump(Tr);
    // A level without a column is no active level; giving it one inserts it at its place.
    TGridDataGroupLevelVz* Loose = G->Groups->GroupLevels()->Add();
    Loose->SetIndex(0);
    EXPECT_EQ(G->Groups->ActiveGroupLevelsCount(), 3);
    EXPECT_EQ(Tr->Root()->Items(1), A);
    Loose->SetColumn(G->Columns->Items(1));
    EXPECT_EQ(G->Groups->ActiveGroupLevels(0), Loose);
    EXPECT_EQ(Dump(Tr).substr(0, 3), "{B{");
    // Swapping the two first levels leaves no group node of before.
    G->Groups->GroupLevels()->Items(1)->SetIndex(0);
    EXPECT_EQ(VarToStr(Tr->Root()->Items(0)->KeyValue()), u""_S);
    EXPECT_FALSE(Tr->Root()->Items(0)->Expanded());
    EXPECT_THROW(G->Groups->ActiveGroupLevels(4), EListError);
}

TEST_F(GroupTreeFixture, InsertIntoAGroupTakesItsKeyAndStandsLast) {
    AddSample();
    TTestGroupGrid* G = MakeGrid();
    TGridGroupDataTreeVz* Tr = G->Tree();
    TGroupDataTreeNodeVz* A2 = Tr->Root()->Items(1)->Items(0);
    ASSERT_TRUE(A2->CanAppendDataRec());
    EXPECT_TRUE(A2->FooterItems(0)->CanAppendDataRec());
    EXPECT_FALSE(Tr->Root()->Items(1)->CanAppendDataRec());
    EXPECT_FALSE(A2->Items(0)->CanAppendDataRec());
    A2->AppendDataRec(T.get(), T.get());
    ASSERT_EQ(T->State(), dsInsert);
    EXPECT_EQ(T->FieldByName(u"Shop"_S)->AsString(), u"A"_S);
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsInteger(), 2);
    EXPECT_TRUE(VarIsEmpty(G->Groups->InsertingKeyValue()));
    T->FieldByName(u"Amount"_S)->SetValue(Variant(1.25));
    T->Post();
    EXPECT_NE(Dump(Tr).find("A{2{r1 r4 r5 [ИТОГО:||8.75|1]}"), std::string::npos) << Dump(Tr);
    ExpectSameAsFresh(Tr);

    // The last record of the view: the new one is appended.
    TGroupDataTreeNodeVz* B1 = Tr->Root()->Items(2)->Items(1);
    B1->FooterItems(0)->AppendDataRec(T.get(), T.get());
    T->Post();
    EXPECT_NE(Dump(Tr).find("1{r0 r6 r7 [ИТОГО:||14|2]}"), std::string::npos) << Dump(Tr);

    // A key prepared for an insert that never happens does not reach a later insert.
    T->BeforeInsert = [](TDataSet*) { Abort(); };
    EXPECT_THROW(Tr->Root()->Items(1)->Items(0)->AppendDataRec(T.get(), T.get()), EAbort);
    EXPECT_TRUE(VarIsEmpty(G->Groups->InsertingKeyValue()));
    T->BeforeInsert = nullptr;
    T->Append();
    T->FieldByName(u"Shop"_S)->SetValue(Variant(u"C"_S));
    T->Post();
    T->Last();
    EXPECT_EQ(T->FieldByName(u"Shop"_S)->AsString(), u"C"_S);
    EXPECT_TRUE(T->FieldByName(u"Kind"_S)->IsNull());
    ExpectSameAsFresh(Tr);
}

}  // namespace
