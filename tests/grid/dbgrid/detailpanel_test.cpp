// The row detail panel: opened under the current record (or refused), placed past the expand sign,
// cut to the room above the footer rows, closed when the record changes unless a handler refuses.
#include "dbgridfixture.h"

#include "platform/gui/stdctrls.h"

namespace {

class DetailPanelTest : public DBGridFixture {
protected:
    void SetUp() override {
        DBGridFixture::SetUp();
        Customise(G);
        G->RowDetailPanel()->SetActive(true);
        Show();
    }
    TRowDetailPanelVz* Panel() { return G->RowDetailPanel(); }
    TRowDetailPanelControlVz* Control() { return G->RowDetailPanelControl(); }
};

TEST_F(DetailPanelTest, OpensUnderTheCurrentRecordPastItsSign) {
    T->SetRecNo(2);
    Application->ProcessMessages();
    Panel()->SetVisible(true);
    ASSERT_TRUE(Panel()->Visible());
    ASSERT_TRUE(Control()->Visible());
    const int row = G->Row();
    const TRect first = G->CellRect(G->DataColToGridCol(0), row);
    EXPECT_EQ(G->RowHeights(row), G->StdDataRowHeight() + 120);
    EXPECT_EQ(Control()->Top(), first.Top + G->StdDataRowHeight());
    EXPECT_EQ(Control()->Left(), first.Left + 18);
    EXPECT_EQ(Control()->Height(), 120);
    EXPECT_GT(Control()->Width(), 400);  // to the end of the scrolling cells
    EXPECT_EQ(Control()->Name().toStdString(), "RowDetailData");

    auto* edit = New<TEdit>(Form);
    edit->SetParent(Control());
    edit->SetBounds(8, 8, 160, 22);
    edit->SetText(u"Деталь записи 20"_S);
    Application->ProcessMessages();
    const QImage img = Form->Handle()->grab().toImage();
    Save(img, "detailpanel.png");

    // Another record closes it; the enlarged row gets its height back.
    T->Next();
    Application->ProcessMessages();
    EXPECT_FALSE(Panel()->Visible());
    EXPECT_FALSE(Control()->Visible());
    EXPECT_EQ(G->RowHeights(row), G->StdDataRowHeight());
}

TEST_F(DetailPanelTest, HandlersAndEmptyDataDecide) {
    bool arrived = true;
    G->OnRowDetailPanelShow = [&](TCustomDBGridVz*, bool& CanShow) { arrived = CanShow; };
    bool canHide = false;
    G->OnRowDetailPanelHide = [&](TCustomDBGridVz*, bool& CanHide) { CanHide = canHide; };
    T->EmptyTable();
    Panel()->SetVisible(true);
    EXPECT_FALSE(arrived);
    EXPECT_FALSE(Panel()->Visible());

    T->AppendRecord({Variant(1)});
    Panel()->SetVisible(true);
    EXPECT_TRUE(Panel()->Visible());
    Panel()->SetVisible(false);  // refused
    EXPECT_TRUE(Panel()->Visible());
    canHide = true;
    Panel()->SetVisible(false);
    EXPECT_FALSE(Panel()->Visible());
}

TEST_F(DetailPanelTest, HeightKeepsItsBoundsAndTheRoomAboveTheFooters) {
    Panel()->SetMinHeight(30);
    Panel()->SetHeight(10);
    EXPECT_EQ(Panel()->Height(), 30);
    Panel()->SetMaxHeight(200);
    Panel()->SetHeight(500);
    EXPECT_EQ(Panel()->Height(), 200);

    G->SetFooterRowCount(1);
    Panel()->SetMaxHeight(0);
    Panel()->SetHeight(1000);
    T->First();
    Panel()->SetVisible(true);
    ASSERT_TRUE(Control()->Visible());
    const TRect footer = G->CellRect(G->DataColToGridCol(0), G->FullRowCount() - 1);
    EXPECT_LE(Control()->Top() + Control()->Height(), footer.Top);
    EXPECT_GT(Control()->Height(), 50);
}

}  // namespace
