// The grid's answers about sorting outside the data set and the column under a title point.
#include "dbgridfixture.h"

namespace {

using GridOverridesTest = DBGridFixture;

TEST_F(GridOverridesTest, SortingByShownValuesAndTitleColumns) {
    Customise(G);
    Show();
    TColumnVz* plain = G->Columns()->Items(2);
    TColumnVz* keyed = G->Columns()->Items(3);
    for (int k = 0; k < 50; ++k) {
        keyed->KeyList()->Add(IntToStr(k));
        keyed->PickList()->Add(u"знач. "_S + IntToStr(k));
    }
    ASSERT_EQ(keyed->GetBarType(), ctKeyPickList);
    G->SetOptionsVz(G->OptionsVz() + TDBGridVzOptions{dghMultiSortMarking});
    plain->Title()->SetSortMarker(smDownVz);
    EXPECT_FALSE(G->RequireExternalSorting());
    keyed->Title()->SetSortMarker(smUpVz);
    EXPECT_TRUE(G->RequireExternalSorting());
    T->SetRecNo(2);
    Variant v;
    G->GetSortValue(v, 0);
    EXPECT_EQ(v.AsInteger(), 12);

    const TRect title = G->CellRect(G->DataColToGridCol(3), 0);
    EXPECT_EQ(G->GetTitleBarAtPos(TPoint{title.Left + 3, title.Top + 3}), keyed);
    const TRect data = G->CellRect(G->DataColToGridCol(3), 1);
    EXPECT_EQ(G->GetTitleBarAtPos(TPoint{data.Left + 3, data.Top + 3}), nullptr);
}

}  // namespace
