// Row panel mode: the columns' places inside a panel, scaling and auto-fit per line, and the grid
// painting panels of titles, records and footers.
#include "grid/dbgrid/sumlistvz.h"

#include "dbgridfixture.h"

namespace {

class RowPanelTest : public DBGridFixture {
protected:
    void SetUp() override {
        DBGridFixture::SetUp();
        Customise(G);
    }
    TColumnVz* Col(int I) { return G->Columns()->Items(I); }
    void Place(int I, int Width, int Pos, int Height, bool Visible = true) {
        Col(I)->SetWidth(Width);
        Col(I)->SetInRowLinePos(Pos);
        Col(I)->SetInRowLineHeight(Height);
        Col(I)->SetVisible(Visible);
    }
};

TEST_F(RowPanelTest, ColumnsFillTheirLinesInCollectionOrder) {
    const int l = G->GridLineWidth();
    const int pitch = G->InRowPanelLineHeight() + l;
    // C0 and C1 on line 0, C2 two lines high after them, C3 hidden on line 0, C4 on line 1,
    // C5 with a negative line and no height (line 0, one line), the rest hidden.
    Place(0, 50, 0, 1);
    Place(1, 60, 0, 1);
    Place(2, 40, 0, 2);
    Place(3, 100, 0, 1, false);
    Place(4, 30, 1, 1);
    Place(5, 20, -3, 0);
    for (int i = 6; i < 10; ++i) Place(i, 10, 0, 1, false);
    G->Columns()->RelayoutCellsInRowPanel();
    const struct {
        int Left, Top, Width, Height;
    } want[] = {
        {0, 0, 50, pitch - l},
        {51, 0, 60, pitch - l},
        {112, 0, 40, 2 * pitch - l},
        {153, 0, 0, pitch - l},  // hidden: no width, moves nothing
        {153, pitch, 30, pitch - l},
        {153, 0, 20, pitch - l},
    };
    for (int i = 0; i < 6; ++i) {
        const TColumnVzInRowPanelPlacement& p = Col(i)->RowPlacement();
        EXPECT_EQ(p.Left, want[i].Left) << i;
        EXPECT_EQ(p.Top, want[i].Top) << i;
        EXPECT_EQ(p.Width, want[i].Width) << i;
        EXPECT_EQ(p.Height, want[i].Height) << i;
    }
    EXPECT_EQ(G->GridMasterCellWidth(), 183);  // C4: 153 + 30
    EXPECT_EQ(G->GridMasterCellHeight(), 2 * pitch - l);
}

TEST_F(RowPanelTest, ScalingAndAutoFitKeepEveryPixel) {
    for (int i = 1; i < 10; ++i) Place(i, 10, 5, 1, false);  // out of the way, on line 5
    Place(0, 100, 0, 1);
    G->Columns()->RelayoutCellsInRowPanel();
    G->Columns()->ScaleWidths(96, 144);  // Round(151.5) = 152, less the 1-pixel line
    EXPECT_EQ(Col(0)->Width(), 151);

    // Line 0: a fixed 100 and two auto-fit columns (30 and 10) share 400 pixels; line 1 is all fixed.
    Place(0, 100, 0, 1);
    Col(0)->SetAutoFitColWidth(false);
    Place(1, 30, 0, 1);
    Place(2, 10, 0, 1);
    Place(3, 70, 1, 1);
    Col(3)->SetAutoFitColWidth(false);
    G->Columns()->FixupAutoFitColWidths(400);
    const int l = G->GridLineWidth();
    const int room = 400 - (100 + l);
    // The shares are of the room in proportion to width plus line, so the lines' part stays over.
    EXPECT_EQ(Col(1)->Width() + Col(2)->Width(), int(std::lrint(room * 40.0 / (40 + 2 * l))));
    EXPECT_EQ(Col(1)->Width(), int(std::lrint(room * 30.0 / (30 + l + 10 + l))));
    EXPECT_EQ(Col(0)->Width(), 100);
    EXPECT_EQ(Col(3)->Width(), 70);
    // A tiny share never becomes 0.
    Place(2, 1, 0, 1);
    Place(1, 5000, 0, 1);
    G->Columns()->FixupAutoFitColWidths(150);
    EXPECT_GE(Col(2)->Width(), 1);
}

TEST_F(RowPanelTest, TheGridShowsOnePanelPerRecord) {
    // Three lines: C0 C1 C2 / C3 (two lines high) C4 / C5.
    const int widths[] = {70, 90, 120, 60, 150, 150, 0, 0, 0, 0};
    const int pos[] = {0, 0, 0, 1, 1, 2, 0, 0, 0, 0};
    const int height[] = {1, 1, 1, 2, 1, 1, 1, 1, 1, 1};
    for (int i = 0; i < 10; ++i) Place(i, widths[i] ? widths[i] : 10, pos[i], height[i], widths[i] > 0);
    G->SetFooterRowCount(1);
    Col(1)->Footer()->SetValueType(fvtStaticText);
    Col(1)->Footer()->SetValue(u"Итого"_S);
    Col(2)->Footer()->SetValueType(fvtSum);
    G->SumList()->SetActive(true);
    G->RowPanel()->SetActive(true);
    Show();
    ASSERT_TRUE(G->RowPanelMode());
    EXPECT_EQ(G->ColCount(), G->IndicatorOffset() + 1);
    const int h = G->InRowPanelLineHeight() + G->GridLineWidth();
    EXPECT_EQ(G->GridMasterCellHeight(), 3 * h - G->GridLineWidth());
    EXPECT_EQ(G->RowHeights(G->TopDataOffset()), G->GridMasterCellHeight() + G->GridLineWidth());
    EXPECT_EQ(G->GetColumnInRowPanelAtPos(TPoint{75, 2}, false), Col(1));
    EXPECT_EQ(G->GetColumnInRowPanelAtPos(TPoint{5, h + 2}, false), Col(3));
    EXPECT_EQ(G->GetColumnInRowPanelAtPos(TPoint{5, 2 * h + 2}, false), Col(3));
    EXPECT_EQ(G->GetColumnInRowPanelAtPos(TPoint{75, 2 * h + 2}, false), Col(5));
    EXPECT_EQ(G->GetColumnInRowPanelAtPos(TPoint{400, 2}, false), nullptr);
    const QImage img = Grab(G);
    Save(img, "rowpanel.png");
    G->RowPanel()->SetActive(false);
    Application->ProcessMessages();
    EXPECT_EQ(G->ColCount(), G->IndicatorOffset() + 10);
}

}  // namespace
