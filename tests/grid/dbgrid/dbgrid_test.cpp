// The data grid object and its columns: the rules that tie the option sets together, sort markers
// on one or several columns, width bounds and auto-fit, the current cell following the table.
#include "dbgridfixture.h"

namespace {

TEST_F(DBGridFixture, DefaultsAndColumnsFromFields) {
    EXPECT_TRUE(G->Options().Contains(dgIndicator));
    EXPECT_TRUE(G->OptionsVz().Contains(dghColumnResize));
    EXPECT_TRUE(G->IndicatorOptions().Contains(gioShowRowIndicatorVz));
    ASSERT_EQ(G->Columns()->Count(), 10);
    EXPECT_EQ(G->Columns()->Items(3)->FieldName(), u"C3"_S);
    EXPECT_EQ(G->ColCount(), 11);  // the indicator column and one grid column per column
    EXPECT_EQ(G->IndicatorOffset(), 1);
    // One grid row per record under the title row.
    EXPECT_EQ(G->RowCount(), 1 + Records);
    EXPECT_NE(G->MemTableInt(), nullptr);
}

TEST_F(DBGridFixture, OptionSetsMoveTogether) {
    // Options without dgColumnResize clears both flags of OptionsVz.
    G->SetOptions(G->Options() - dgColumnResize);
    EXPECT_FALSE(G->OptionsVz().Contains(dghColumnResize));
    EXPECT_FALSE(G->OptionsVz().Contains(dghColumnMove));
    EXPECT_FALSE(G->EngineOptions().Contains(goColSizingVz));
    // OptionsVz with both flags brings dgColumnResize back; with only one it goes again.
    G->SetOptionsVz(G->OptionsVz() + dghColumnResize + dghColumnMove);
    EXPECT_TRUE(G->Options().Contains(dgColumnResize));
    G->SetOptionsVz(G->OptionsVz() - dghColumnMove);
    EXPECT_FALSE(G->Options().Contains(dgColumnResize));
    EXPECT_TRUE(G->EngineOptions().Contains(goColSizingVz));
    EXPECT_FALSE(G->EngineOptions().Contains(goColMovingVz));
    // Row select drops editing from the stored value.
    G->SetOptions(G->Options() + dgRowSelect + dgAlwaysShowEditor);
    EXPECT_FALSE(G->Options().Contains(dgEditing));
    EXPECT_FALSE(G->Options().Contains(dgAlwaysShowEditor));
    EXPECT_TRUE(G->EngineOptions().Contains(goRowSelectVz));
    // Row numbers follow dghShowRecNo both ways.
    G->SetOptionsVz(G->OptionsVz() + dghShowRecNo);
    EXPECT_TRUE(G->IndicatorOptions().Contains(gioShowRecNoVz));
    G->SetIndicatorOptions(G->IndicatorOptions() - gioShowRecNoVz);
    EXPECT_FALSE(G->OptionsVz().Contains(dghShowRecNo));
}

TEST_F(DBGridFixture, HidingTheIndicatorKeepsTheCurrentDataColumn) {
    Show();
    G->SetSelectedIndex(4);
    ASSERT_EQ(G->Col(), 5);
    G->SetIndicatorOptions(G->IndicatorOptions() - gioShowRowIndicatorVz);
    EXPECT_FALSE(G->Options().Contains(dgIndicator));
    EXPECT_EQ(G->IndicatorOffset(), 0);
    EXPECT_EQ(G->ColCount(), 10);
    EXPECT_EQ(G->SelectedIndex(), 4);
    G->SetOptions(G->Options() + dgIndicator);
    EXPECT_EQ(G->SelectedIndex(), 4);
}

TEST_F(DBGridFixture, SortMarkersOnSeveralColumns) {
    G->SetOptionsVz(G->OptionsVz() + dghMultiSortMarking);
    TDBGridColumnsVz* c = G->Columns();
    c->Items(2)->Title()->SetSortMarker(smDownVz);
    c->Items(5)->Title()->SetSortMarker(smUpVz);
    c->Items(7)->Title()->SetSortMarker(smDownVz);
    EXPECT_EQ(c->Items(2)->Title()->SortIndex(), 1);
    EXPECT_EQ(c->Items(5)->Title()->SortIndex(), 2);
    EXPECT_EQ(c->Items(7)->Title()->SortIndex(), 3);
    ASSERT_EQ(G->SortMarkedColumns().Count(), 3);
    // A change between down and up keeps the place.
    c->Items(5)->Title()->SetSortMarker(smDownVz);
    EXPECT_EQ(c->Items(5)->Title()->SortIndex(), 2);
    // Removing the first renumbers the others to 1..n-1.
    c->Items(2)->Title()->SetSortMarker(smNoneVz);
    EXPECT_EQ(c->Items(2)->Title()->SortIndex(), 0);
    EXPECT_EQ(c->Items(5)->Title()->SortIndex(), 1);
    EXPECT_EQ(c->Items(7)->Title()->SortIndex(), 2);
    EXPECT_EQ(G->SortMarkedColumns().Items(0), c->Items(5));
    // Writing an index another marked column holds swaps the two.
    c->Items(7)->Title()->SetSortIndex(1);
    EXPECT_EQ(c->Items(7)->Title()->SortIndex(), 1);
    EXPECT_EQ(c->Items(5)->Title()->SortIndex(), 2);
    EXPECT_EQ(G->SortMarkedColumns().Items(0), c->Items(7));
    // Turning multi-sort off keeps only the first sort-marked column's marker.
    G->SetOptionsVz(G->OptionsVz() - dghMultiSortMarking);
    EXPECT_EQ(c->Items(7)->Title()->SortMarker(), smDownVz);
    EXPECT_EQ(c->Items(5)->Title()->SortMarker(), smNoneVz);
    // Without multi-sort a marker clears every other one.
    c->Items(1)->Title()->SetSortMarker(smUpVz);
    EXPECT_EQ(c->Items(7)->Title()->SortMarker(), smNoneVz);
    EXPECT_EQ(c->Items(1)->Title()->SortIndex(), 1);
    ASSERT_EQ(G->SortMarkedColumns().Count(), 1);
}

TEST_F(DBGridFixture, TitleClickCyclesTheMarker) {
    TColumnTitleVz* t = G->Columns()->Items(0)->Title();
    G->SetOptionsVz(G->OptionsVz() + dghMultiSortMarking);
    std::vector<TSortMarkerVz> seen;
    for (int i = 0; i < 4; ++i) {
        t->SetNextSortMarkerValue(true);
        seen.push_back(t->SortMarker());
    }
    EXPECT_EQ(seen, (std::vector<TSortMarkerVz>{smDownVz, smUpVz, smNoneVz, smDownVz}));
    // A plain click toggles after the first state and clears the other columns.
    G->Columns()->Items(3)->Title()->SetSortMarker(smUpVz);
    t->SetNextSortMarkerValue(false);
    EXPECT_EQ(t->SortMarker(), smUpVz);
    EXPECT_EQ(G->Columns()->Items(3)->Title()->SortMarker(), smNoneVz);
    t->SetNextSortMarkerValue(false);
    EXPECT_EQ(t->SortMarker(), smDownVz);
}

TEST_F(DBGridFixture, WidthBounds) {
    TColumnVz* c = G->Columns()->Items(0);
    c->SetWidth(80);
    EXPECT_EQ(c->Width(), 80);
    c->SetWidth(-1);
    EXPECT_EQ(c->Width(), 80);
    c->SetMaxWidth(50);
    EXPECT_EQ(c->Width(), 50);
    c->SetMinWidth(60);  // the minimum wins over a smaller maximum
    EXPECT_EQ(c->Width(), 60);
    c->SetWidth(10);
    EXPECT_EQ(c->Width(), 60);
    // The grid column is the width plus the line.
    EXPECT_EQ(G->ColWidths(1), 61);
}

TEST_F(DBGridFixture, AutoFitSharesTheWidthAndGivesItBack) {
    Show();
    for (int i = 0; i < 10; ++i) G->Columns()->Items(i)->SetWidth(40 + 4 * i);
    std::vector<int> before;
    for (int i = 0; i < 10; ++i) before.push_back(G->Columns()->Items(i)->Width());
    G->SetAutoFitColWidths(true);
    int sum = G->ColWidths(0);
    for (int i = 1; i < G->ColCount(); ++i) sum += G->ColWidths(i);
    EXPECT_EQ(sum, G->GridClientWidth());
    EXPECT_LT(G->Columns()->Items(0)->Width(), G->Columns()->Items(9)->Width());
    G->SetAutoFitColWidths(false);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(G->Columns()->Items(i)->Width(), before[static_cast<std::size_t>(i)]) << i;
}

TEST_F(DBGridFixture, FrozenColumnsAndBadValues) {
    ASSERT_TRUE(G->DataLink()->Active());
    ASSERT_EQ(G->ColCount(), 11);
    G->SetFrozenCols(2);
    EXPECT_EQ(G->FrozenCols(), 2);
    EXPECT_EQ(G->FixedColCount(), 3);
    EXPECT_EQ(G->FrozenColCount(), 2);
    EXPECT_THROW(G->SetFrozenCols(10), EInvalidGridOperationVz);
    EXPECT_EQ(G->FrozenCols(), 2);
    G->SetFrozenCols(-1);
    EXPECT_EQ(G->FrozenCols(), 2);
    G->SetRowHeight(-5);
    EXPECT_EQ(G->RowHeight(), 0);
    G->SetFooterRowCount(-1);
    EXPECT_EQ(G->FooterRowCount(), 0);
    // A record-number step of 0 would divide by zero when numbers are picked.
    G->IndicatorParams()->SetRecNoShowStep(0);
    EXPECT_EQ(G->IndicatorParams()->RecNoShowStep(), 1);
    EXPECT_THROW(G->FinishLoadingStatus(), Exception);
    G->StartLoadingStatus();
    G->StartLoadingStatus();
    G->FinishLoadingStatus();
    EXPECT_TRUE(G->LoadingStatusShown());
    G->FinishLoadingStatus();
    EXPECT_FALSE(G->LoadingStatusShown());
    EXPECT_THROW(G->FinishLoadingStatus(), Exception);
}

TEST_F(DBGridFixture, CurrentCellFollowsTheTableAndBack) {
    Show();
    T->SetRecNo(4);
    Application->ProcessMessages();
    EXPECT_EQ(G->Row(), 4);  // title row + data row 3
    G->SetRow(2);
    EXPECT_EQ(T->RecNo(), 2);
    EXPECT_TRUE(G->IsCurrentDataRow(1));
    // Reading another row leaves the table where it is.
    G->InstantReadEnterRow(4);
    EXPECT_EQ(T->FieldByName(u"C0"_S)->AsInteger(), 40);
    G->InstantReadLeaveRow();
    EXPECT_EQ(T->FieldByName(u"C0"_S)->AsInteger(), 10);
    EXPECT_EQ(T->RecNo(), 2);
}

TEST_F(DBGridFixture, EmptyTableKeepsOneDataRow) {
    T->EmptyTable();
    Application->ProcessMessages();
    EXPECT_EQ(G->RowCount(), 2);
    G->EmptyDataInfo()->SetActive(true);
    EXPECT_TRUE(G->EmptyDataInfo()->Showing());
    EXPECT_EQ(G->EmptyDataInfo()->TextToShow(), GetViZevLanguageConsts()->NoDataVz());
    // A colour of its own turns ParentFont off: the grid's font no longer reaches it.
    G->EmptyDataInfo()->Font()->SetColor(clRed);
    EXPECT_FALSE(G->EmptyDataInfo()->ParentFont());
    G->Font()->SetSize(20);
    EXPECT_NE(G->EmptyDataInfo()->Font()->Size(), 20);
}

TEST_F(DBGridFixture, AppearanceFollowsTheGridUntilSet) {
    TDBGridTitleParamsVz* t = G->TitleParams();
    G->SetFixedColor(clSilver);
    EXPECT_EQ(t->Color(), clSilver);
    t->SetColor(clAqua);
    G->SetFixedColor(clGray);
    EXPECT_EQ(t->Color(), clAqua);
    t->SetColorStored(false);
    EXPECT_EQ(t->Color(), clGray);
    // Lines follow the grid's options until set.
    EXPECT_TRUE(G->IndicatorParams()->HorzLines());
    G->SetOptions(G->Options() - dgRowLines);
    EXPECT_FALSE(G->IndicatorParams()->HorzLines());
    G->IndicatorParams()->SetHorzLines(true);
    EXPECT_TRUE(G->IndicatorParams()->HorzLines());
    // The title font follows the grid's font until it is changed on its own.
    G->Font()->SetSize(11);
    EXPECT_EQ(t->Font()->Size(), 11);
    EXPECT_TRUE(t->ParentFont());
    const int before = G->TitleRowHeight();
    t->Font()->SetSize(16);
    EXPECT_FALSE(t->ParentFont());
    EXPECT_GT(G->TitleRowHeight(), before);
    G->Font()->SetSize(9);
    EXPECT_EQ(t->Font()->Size(), 16);
}

TEST_F(DBGridFixture, StyleRegistrationLeavesNothingBehind) {
    TDBGridVzStyle* st = DBGridVzDefaultStyle();
    EXPECT_TRUE(st->GridInChangeNotification(G));
    TDBGridVz* g = G;
    G->Free();
    G = nullptr;
    EXPECT_FALSE(st->GridInChangeNotification(g));
}

}  // namespace
