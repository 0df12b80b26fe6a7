// The grid's background picture area leaving titles, indicator and footers out; highlighted texts
// registered with the grid and the columns they name; the tree view settings.
#include "dbgridfixture.h"

namespace {

TEST_F(DBGridFixture, BackgroundAreaLeavesOutTheTitlesIndicatorAndFooters) {
    G->SetFooterRowCount(1);
    Show();
    TDBGridBackgroundDataVz* b = G->DBBackgroundData();
    ASSERT_NE(b, nullptr);
    TRect all;
    b->BoundRect(all);
    const TRect title = G->CellRect(1, 0), indicator = G->CellRect(0, 1);
    const int footerTop = G->VertAxis()->ContraStart();
    ASSERT_LT(footerTop, all.Bottom);
    const struct {
        bool Title, Indicator, Footer;
        TRect Expected;
    } cases[] = {
        {false, false, false, all},
        {true, false, false, TRect(all.Left, title.Bottom, all.Right, all.Bottom)},
        {false, true, false, TRect(indicator.Right, all.Top, all.Right, all.Bottom)},
        {false, false, true, TRect(all.Left, all.Top, all.Right, footerTop)},
        {true, true, true, TRect(indicator.Right, title.Bottom, all.Right, footerTop)},
    };
    for (const auto& c : cases) {
        b->SetExcludeTitle(c.Title);
        b->SetExcludeIndicator(c.Indicator);
        b->SetExcludeFooter(c.Footer);
        TRect r;
        b->BoundRect(r);
        EXPECT_EQ(r, c.Expected) << c.Title << c.Indicator << c.Footer << " got " << r.Left << "," << r.Top << ","
                                 << r.Right << "," << r.Bottom;
    }
}

TEST_F(DBGridFixture, HighlightTextsForgetDeletedColumns) {
    TGridHighlightTextParamsVz h;
    h.SetText(u"4"_S);
    TColumnsVzList cols;
    cols.Add(G->Columns()->Items(1));
    cols.Add(G->Columns()->Items(2));
    h.SetColumnsList(cols);
    G->AddHighlightTextParams(&h);
    G->AddHighlightTextParams(&h);
    ASSERT_EQ(G->HighlightTextParams().size(), 1u);
    Customise(G);  // the columns built from the fields go; stored ones take their place
    EXPECT_EQ(h.ColumnsList().Count(), 0);
    h.ColumnsList().Add(G->Columns()->Items(3));
    G->Columns()->Items(3)->Free();
    EXPECT_EQ(h.ColumnsList().Count(), 0);
    G->RemoveHighlightTextParams(&h);
    EXPECT_TRUE(G->HighlightTextParams().empty());
}

TEST_F(DBGridFixture, TreeViewGlyphStyleFollowsTheClassicLookUntilSet) {
    TGridTreeViewParamsVz* t = G->TreeViewParams();
    EXPECT_EQ(t->GlyphStyle(), tvgsDefaultVz);
    EXPECT_EQ(t->GetActualGlyphStyle(), tvgsClassicVz);
    EXPECT_TRUE(t->ShowTreeLines());
    t->SetGlyphStyle(tvgsExplorerThemedVz);
    EXPECT_EQ(t->GetActualGlyphStyle(), tvgsExplorerThemedVz);
}

}  // namespace
