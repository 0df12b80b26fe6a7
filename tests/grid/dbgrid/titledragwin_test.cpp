// The floating title of a column being moved: where the window and its arrow stand after the
// animations (also with no animation time), and what it paints: the title and the badge counting
// the columns moved together.
#include "dbgridfixture.h"
#include "grid/dbgrid/columnsvz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/gridstylevz.h"
#include "grid/dbgrid/titledragwinvz.h"

#include <QColor>

namespace {

class TitleDragWin : public DBGridFixture {
protected:
    void SetUp() override {
        DBGridFixture::SetUp();
        Customise(G);
        G->SetOptions(G->Options() + dgMultiSelect);
        Show();
        Win = TDBGridTitleDragWin::GetTitleDragWin();
        Style = DBGridVzDefaultStyle();
        OldStart = Style->TitleStartColumnMovingAnimationTime();
        OldFinish = Style->TitleFinishColumnMovingAnimationTime();
    }
    void TearDown() override {
        Style->SetTitleStartColumnMovingAnimationTime(OldStart);
        Style->SetTitleFinishColumnMovingAnimationTime(OldFinish);
        if (Win->Visible()) Win->Hide();
        DBGridFixture::TearDown();
    }
    // Dark pixels (the frame colour or darker) in the rectangle.
    static int Dark(const QImage& Img, const TRect& R) {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                if (QColor(Img.pixel(x, y)).lightness() < 110) ++n;
        return n;
    }

    TDBGridTitleDragWin* Win = nullptr;
    TDBGridVzStyle* Style = nullptr;
    unsigned OldStart = 0, OldFinish = 0;
};

TEST_F(TitleDragWin, EndsWhereTheGridAsksWithOrWithoutAnimation) {
    EXPECT_EQ(TDBGridTitleDragWin::GetTitleDragWin(), Win);  // one window for the process
    for (unsigned time : {0u, 40u}) {
        Style->SetTitleStartColumnMovingAnimationTime(time);
        Style->SetTitleFinishColumnMovingAnimationTime(time);
        TColumnTitleVz* title = G->Columns()->Items(2)->Title();
        Win->StartShowAnimated(title, TRect{100, 100, 164, 120}, TPoint{300, 200}, 80, 22, 320, 30);
        EXPECT_TRUE(Win->Visible()) << time;
        EXPECT_EQ(Win->BoundsRect(), (TRect{300, 200, 380, 222})) << time;
        EXPECT_EQ(Win->AlphaBlendValue(), 255) << time;
        EXPECT_EQ(Win->DrawObject(), title);
        // The arrow stands just under the window at the insertion point, as long as the window.
        TDBGridMovePointVz* arrow = Win->MovePoint();
        EXPECT_TRUE(arrow->Visible());
        EXPECT_EQ(arrow->Left(), 317);
        EXPECT_EQ(arrow->Top(), 222);
        EXPECT_EQ(arrow->Height(), 35);

        Win->SetBounds(340, 200, 80, 22, 360, 30);
        EXPECT_EQ(Win->Left(), 340);
        EXPECT_EQ(arrow->Left(), 357);

        Win->HideAnimated(TRect{400, 100, 464, 120});
        EXPECT_FALSE(Win->Visible()) << time;
        EXPECT_FALSE(arrow->Visible()) << time;
        EXPECT_EQ(Win->AlphaBlendValue(), 255) << time;
    }
    // The arrow's head is 7, 5, 3 and 1 pixels wide, its stem one pixel down to the bottom.
    const std::vector<TRect> shape = Win->MovePoint()->PointShape();
    ASSERT_EQ(shape.size(), 5u);
    EXPECT_EQ(shape[0], (TRect{0, 0, 7, 1}));
    EXPECT_EQ(shape[3], (TRect{3, 3, 4, 4}));
    EXPECT_EQ(shape[4], (TRect{3, 4, 4, Win->MovePoint()->Height()}));
}

TEST_F(TitleDragWin, PaintsTheTitleAndCountsTheColumnsMovedTogether) {
    Style->SetTitleStartColumnMovingAnimationTime(0);
    G->Columns()->Items(2)->Title()->SetCaption(u"Сумма"_S);
    Win->StartShow(G->Columns()->Items(2)->Title(), TPoint{200, 200}, 90, 24, 210, 20);
    const QImage plain = Win->Handle()->grab().toImage();
    Save(plain, "titledrag-plain.png");
    const TRect badge{60, 2, 88, 16};
    const int inkWithout = Dark(plain, badge);
    // The caption is written inside the frame.
    EXPECT_GT(Dark(plain, TRect{4, 4, 60, 20}), 10);

    G->Selection()->Columns()->Select(G->Columns()->Items(1), true);
    G->Selection()->Columns()->Select(G->Columns()->Items(2), true);
    G->Selection()->Columns()->Select(G->Columns()->Items(3), true);
    ASSERT_EQ(G->Selection()->Columns()->Count(), 3);
    Win->Invalidate();
    const QImage badged = Win->Handle()->grab().toImage();
    Save(badged, "titledrag-badge.png");
    EXPECT_GT(Dark(badged, badge), inkWithout + 10);
}

}  // namespace
