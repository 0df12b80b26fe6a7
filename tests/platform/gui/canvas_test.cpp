#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"

#include <gtest/gtest.h>

namespace {

// A white bitmap to draw on; P(x, y) reads a pixel as $00BBGGRR.
class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        bmp.SetSize(40, 30);
        c = bmp.Canvas();
    }
    COLORREF P(int x, int y) { return COLORREF(c->Pixels(x, y)); }
    // Pixels of colour Col inside [0,40)x[0,30): their bounding box.
    TRect Ink(COLORREF Col) {
        TRect r(1000, 1000, -1, -1);
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (P(x, y) == Col) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.Right < 0 ? TRect() : r;
    }
    TBitmap bmp;
    TCanvas* c = nullptr;
    static constexpr COLORREF White = 0xFFFFFF, Red = 0x0000FF, Blue = 0xFF0000, Black = 0;
};

}  // namespace

TEST_F(CanvasTest, FillRectAndRectangleExcludeRightAndBottom) {
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(2, 3, 6, 8));
    EXPECT_EQ(Ink(Red), Rect(2, 3, 6, 8));

    c->Brush()->SetColor(clBlue);
    c->Pen()->SetColor(clBlack);
    c->Rectangle(10, 10, 20, 15);
    EXPECT_EQ(Ink(Black), Rect(10, 10, 20, 15));  // outline on the edge pixels inside the rect
    EXPECT_EQ(Ink(Blue), Rect(11, 11, 19, 14));
    EXPECT_EQ(P(20, 12), White);
    EXPECT_EQ(P(15, 15), White);
}

TEST_F(CanvasTest, RectangleWithoutPenIsOnePixelSmaller) {
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clRed);
    c->Rectangle(5, 5, 10, 10);
    EXPECT_EQ(Ink(Red), Rect(5, 5, 9, 9));
}

TEST_F(CanvasTest, LinesLeaveOutTheirLastPoint) {
    c->Pen()->SetColor(clRed);
    c->MoveTo(2, 2);
    c->LineTo(10, 2);
    EXPECT_EQ(Ink(Red), Rect(2, 2, 10, 3));
    EXPECT_EQ(c->PenPos(), Point(10, 2));

    c->Pen()->SetColor(clBlue);
    c->Polyline({Point(2, 10), Point(8, 10), Point(8, 16)});
    EXPECT_EQ(P(8, 10), Blue);  // the corner is drawn
    EXPECT_EQ(P(8, 15), Blue);
    EXPECT_EQ(P(8, 16), White);  // the last point is not
}

TEST_F(CanvasTest, XorPenTwiceRestoresThePicture) {
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 40, 30));
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(0, 5);
    c->LineTo(20, 5);
    EXPECT_EQ(P(3, 5), 0xFFFF00u);  // red xor white
    c->MoveTo(0, 5);
    c->LineTo(20, 5);
    EXPECT_EQ(P(3, 5), Red);
}

TEST_F(CanvasTest, ClipRegionsLimitDrawingAndAreSavedAndRestored) {
    HDC dc = c->Handle();
    c->Brush()->SetColor(clRed);
    int saved = SaveDC(dc);
    EXPECT_EQ(IntersectClipRect(dc, 5, 5, 15, 15), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(dc, 5, 5, 10, 15), SIMPLEREGION);
    EXPECT_EQ(c->ClipRect(), Rect(10, 5, 15, 15));
    EXPECT_TRUE(RectVisible(dc, Rect(0, 0, 11, 6)));
    EXPECT_FALSE(RectVisible(dc, Rect(0, 0, 10, 30)));
    c->FillRect(Rect(0, 0, 40, 30));
    EXPECT_EQ(Ink(Red), Rect(10, 5, 15, 15));
    RestoreDC(dc, saved);
    EXPECT_EQ(c->ClipRect(), Rect(0, 0, 40, 30));

    TRegion rgn;
    rgn.Add(Rect(0, 20, 2, 22));
    rgn.Add(Rect(30, 20, 32, 22));
    EXPECT_EQ(SelectClipRgn(dc, &rgn), COMPLEXREGION);
    c->Brush()->SetColor(clBlue);
    c->FillRect(Rect(0, 0, 40, 30));
    EXPECT_EQ(c->Pixels(10, 21), TColor(-1));  // outside the clip region: CLR_INVALID
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(c->ClipRect(), Rect(0, 0, 40, 30));
    EXPECT_EQ(Ink(Blue), Rect(0, 20, 32, 22));
    EXPECT_EQ(P(10, 21), White);
}

TEST_F(CanvasTest, WindowOriginAndMirroringMapCoordinates) {
    HDC dc = c->Handle();
    c->Brush()->SetColor(clRed);
    SaveDC(dc);
    SetWindowOrgEx(dc, -10, -5);
    c->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(c->Pixels(0, 0), clRed);  // reading maps the same way
    RestoreDC(dc, -1);
    EXPECT_EQ(Ink(Red), Rect(10, 5, 12, 7));

    SetLayout(dc, LAYOUT_RTL);
    EXPECT_EQ(c->CanvasOrientation(), coRightToLeft);
    c->Brush()->SetColor(clBlue);
    c->FillRect(Rect(0, 20, 3, 21));
    SetLayout(dc, 0);
    EXPECT_EQ(Ink(Blue), Rect(37, 20, 40, 21));
}

TEST_F(CanvasTest, TextMeasuresFollowGdiMeaning) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-20);
    TTextMetric tm;
    ASSERT_TRUE(GetTextMetrics(c->Handle(), tm));
    EXPECT_EQ(c->TextHeight("Wg"), tm.tmHeight);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_EQ(c->TextWidth(""), 0);
    EXPECT_GT(c->TextWidth("WWW"), c->TextWidth("iii"));
    // A measuring context at the same resolution gives the same numbers as the bitmap.
    TMeasureDC m;
    m.SelectFont(c->Font()->LogFont());
    EXPECT_EQ(m.GetTextExtent("Hello").cx, c->TextWidth("Hello"));
    TTextMetric mt;
    m.GetTextMetrics(mt);
    EXPECT_EQ(mt.tmHeight, tm.tmHeight);
    // The canvas realises a changed font before measuring again.
    int h = c->TextHeight("X");
    c->Font()->SetHeight(-30);
    EXPECT_GT(c->TextHeight("X"), h);
}

TEST_F(CanvasTest, TextOutFillsItsBoxWithASolidBrushAndHonoursAlignment) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    c->Font()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);
    c->TextOut(3, 4, "Ab");
    TSize ext = c->TextExtent("Ab");
    EXPECT_EQ(P(3, 4), Red);
    EXPECT_EQ(P(2, 4), White);
    EXPECT_EQ(P(3 + ext.cx, 4), White);
    EXPECT_EQ(P(3, 4 + ext.cy), White);
    EXPECT_EQ(c->PenPos(), Point(3 + ext.cx, 4));

    // Right alignment: the box ends at the reference point; a clear brush leaves the background.
    c->Brush()->SetColor(clBlue);
    SetTextAlign(c->Handle(), TA_RIGHT | TA_TOP);
    c->TextOut(38, 10, "Ab");
    EXPECT_EQ(Ink(Blue), Rect(38 - ext.cx, 10, 38, 10 + ext.cy));
}

TEST_F(CanvasTest, TextRectClipsToItsRectangle) {
    c->Font()->SetHeight(-16);
    c->Brush()->SetColor(clRed);
    c->TextRect(Rect(5, 5, 12, 10), 5, 5, "WWWWWW");
    EXPECT_EQ(P(5, 5), Red);  // opaque fill of the rect (its top row is above the glyphs)
    EXPECT_EQ(P(11, 5), Red);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if (!Rect(5, 5, 12, 10).Contains(Point(x, y))) {
                ASSERT_EQ(P(x, y), White) << x << "," << y;
            }
}

TEST_F(CanvasTest, FocusRectIsErasedByDrawingItAgain) {
    c->DrawFocusRect(Rect(2, 2, 12, 8));
    EXPECT_EQ(P(2, 2), Black);
    EXPECT_EQ(P(3, 2), White);  // dotted
    EXPECT_EQ(P(5, 5), White);  // not filled
    c->DrawFocusRect(Rect(2, 2, 12, 8));
    EXPECT_EQ(Ink(Black), TRect());
}

TEST_F(CanvasTest, PixelsCopyRectAndStretchDraw) {
    c->SetPixels(1, 1, clRed);
    EXPECT_EQ(c->Pixels(1, 1), clRed);
    c->CopyRect(Rect(20, 20, 22, 22), c, Rect(0, 0, 2, 2));
    EXPECT_EQ(P(21, 21), Red);
    EXPECT_EQ(P(20, 20), White);

    TBitmap small;
    small.SetSize(2, 2);
    small.Canvas()->SetPixels(0, 0, clBlue);
    c->StretchDraw(Rect(30, 0, 34, 4), &small);
    EXPECT_EQ(Ink(Blue), Rect(30, 0, 32, 2));
    c->Draw(10, 10, &small);
    EXPECT_EQ(P(10, 10), Blue);
    EXPECT_EQ(P(11, 11), White);
}

TEST_F(CanvasTest, ChangeEventsSurroundDrawing) {
    std::vector<String> log;
    c->OnChanging = [&](TObject*) { log.push_back("changing"); };
    c->OnChange = [&](TObject*) { log.push_back("change"); };
    c->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(log, (std::vector<String>{"changing", "change"}));
    TCanvas bare;
    EXPECT_THROW(bare.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}
