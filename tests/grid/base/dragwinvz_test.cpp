// The drag feedback windows: shown above everything without activation, emptied and shown again,
// and the refused plain Show.
#include "grid/base/dragwinvz.h"

#include "platform/gui/dialogs.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>
#include <QWidget>

TEST(GridDragWinVz, TheSharedBoxIsGreyTranslucentAndNeverActivated) {
    auto* form = New<TForm>(nullptr);
    form->Show();
    TGridDragBoxVz* box = GetGridDragBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(GetGridDragBox(), box);
    EXPECT_EQ(box->Owner(), Application);
    EXPECT_EQ(box->AlphaBlendValue(), 200);
    EXPECT_EQ(box->TransparentColorValue(), clNone);
    EXPECT_THROW(box->Show(), Exception);
    EXPECT_FALSE(box->Visible());

    box->StartShow(TPoint(100, 120), 60, 20);
    QWidget* w = box->Handle();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->geometry(), QRect(100, 120, 60, 20));
    EXPECT_NEAR(w->windowOpacity(), 200 / 255.0, 0.01);
    EXPECT_EQ(w->grab().toImage().pixelColor(5, 5), QColor(128, 128, 128));
    EXPECT_EQ(Screen->ActiveForm(), form);

    box->TemporaryHide();
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(box->Width(), 0);
    EXPECT_EQ(box->Left(), 100);
    box->MoveToFor(TPoint(140, 130), 50, 18);
    EXPECT_EQ(w->geometry(), QRect(140, 130, 50, 18));
    box->StartShow(TPoint(10, 10), 30);  // keeps the width
    EXPECT_EQ(box->Width(), 50);
    EXPECT_EQ(box->Height(), 30);
    box->SetVisible(false);
    EXPECT_FALSE(w->isVisible());
    form->Free();
}

TEST(GridDragWinVz, ADragWindowOfItsOwnKeepsBlackAsItsTransparentColour) {
    auto win = NewOwned<TGridDragBoxVz>(nullptr);
    EXPECT_EQ(win->TransparentColorValue(), clBlack);
    auto form = NewOwned<TGridDragFormVz>(nullptr);
    form->SetAlphaBlendValue(120);
    form->StartShow(TPoint(30, 40), 70, 25);
    EXPECT_TRUE(form->Handle()->isVisible());
    EXPECT_EQ(form->Width(), 70);
    EXPECT_NEAR(form->Handle()->windowOpacity(), 120 / 255.0, 0.01);
    form->TemporaryHide();
    EXPECT_EQ(form->Width(), 70);
    form->Hide();
    EXPECT_FALSE(form->Handle()->isVisible());
}

TEST(GridMoveLineVz, TheInsertionLineShowsOnlyItsLineAboveEverything) {
    auto* form = New<TForm>(nullptr);
    form->Show();
    TGridMoveLineVz* line = GetGridMoveLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(GetGridMoveLine(), line);
    EXPECT_EQ(line->LineColor(), clRed);
    line->StartShow(TPoint(100, 20), true, 50, form);
    QWidget* w = line->Handle();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->geometry(), QRect(97, 16, 7, 58));  // x 97..103, y 16..73
    EXPECT_EQ(Screen->ActiveForm(), form);
    const QRegion shape = w->mask();
    EXPECT_TRUE(shape.contains(QPoint(0, 0)));    // the arrow head's base
    EXPECT_TRUE(shape.contains(QPoint(6, 0)));
    EXPECT_FALSE(shape.contains(QPoint(0, 1)));   // beside the arrow head: not part of the window
    EXPECT_TRUE(shape.contains(QPoint(3, 30)));   // the shaft
    EXPECT_FALSE(shape.contains(QPoint(2, 30)));
    EXPECT_TRUE(shape.contains(QPoint(0, 57)));   // the other arrow head
    EXPECT_FALSE(shape.contains(QPoint(0, 56)));
    const QImage img = w->grab().toImage();
    EXPECT_EQ(img.pixelColor(3, 30), QColor(Qt::red));

    line->MoveToFor(TPoint(150, 20));
    EXPECT_EQ(w->geometry().topLeft(), QPoint(147, 16));
    line->StartShow(TPoint(10, 40), false, 30, form);  // horizontal
    EXPECT_FALSE(line->IsVert());
    EXPECT_EQ(w->geometry(), QRect(7, 36, 38, 7));
    EXPECT_TRUE(w->mask().contains(QPoint(20, 3)));
    EXPECT_FALSE(w->mask().contains(QPoint(20, 2)));
    line->Hide();
    EXPECT_FALSE(w->isVisible());
    form->Free();
}
