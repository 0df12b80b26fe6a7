#include "grid/base/buttonpaintvz.h"

#include "platform/gui/imaging.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

namespace {

// A white bitmap to paint on; pixels are read back as RGB values.
class ButtonPaintVz : public ::testing::Test {
protected:
    void SetUp() override { Size(15, 17); }
    void TearDown() override { Bmp->Free(); }
    void Size(int W, int H) {
        if (Bmp) Bmp->Free();
        Bmp = New<TBitmap>();
        Bmp->SetSize(W, H);
        C()->Brush()->SetColor(clWhite);
        C()->FillRect(TRect(0, 0, W, H));
    }
    TCanvas* C() { return Bmp->Canvas(); }
    COLORREF At(int X, int Y) { return ColorToRGB(C()->Pixels(X, Y)); }
    // Expected colours at points: {x, y, colour}.
    struct P {
        int X, Y;
        TColor Color;
    };
    void Expect(const std::vector<P>& Points, const std::string& What) {
        for (const P& p : Points)
            EXPECT_EQ(At(p.X, p.Y), ColorToRGB(p.Color)) << What << " at " << p.X << "," << p.Y;
    }
    int CountNot(TColor Color) {
        int n = 0;
        for (int y = 0; y < Bmp->Height(); ++y)
            for (int x = 0; x < Bmp->Width(); ++x) n += At(x, y) != ColorToRGB(Color);
        return n;
    }
    TBitmap* Bmp = nullptr;
};

const TRect kButton(0, 0, 15, 17);

}  // namespace

// ---- edit buttons -------------------------------------------------------------------------------

TEST_F(ButtonPaintVz, UpDownHalvesLeaveTheOddMiddleRowToTheLineColour) {
    PaintEditButtonVz(C(), kButton, clRed, bcsUpDownVz, 0, false, false, true, cbUnchecked);
    for (int x = 0; x < 15; ++x) EXPECT_EQ(At(x, 8), ColorToRGB(clRed)) << x;
    // Row 7 ends the upper half's raised edge, row 9 starts the lower half's.
    EXPECT_NE(At(5, 7), ColorToRGB(clRed));
    EXPECT_NE(At(5, 7), ColorToRGB(clWhite));
    EXPECT_NE(At(5, 9), ColorToRGB(clRed));
    EXPECT_NE(At(5, 9), ColorToRGB(clWhite));
    // Without a line colour the middle row is left alone.
    Size(15, 17);
    PaintEditButtonVz(C(), kButton, clNone, bcsUpDownVz, 0, false, false, true, cbUnchecked);
    EXPECT_EQ(At(5, 8), ColorToRGB(clWhite));
}

TEST_F(ButtonPaintVz, DropDownDrawsTheComboArrowOnlyWithItsBack) {
    PaintEditButtonVz(C(), kButton, clNone, bcsDropDownVz, 0, false, false, true, cbUnchecked);
    Expect({{2, 2, clBtnFace}, {5, 7, clBtnText}, {9, 7, clBtnText}, {7, 9, clBtnText}, {6, 9, clBtnFace}},
           "raised");
    PaintEditButtonVz(C(), kButton, clNone, bcsDropDownVz, 1, false, false, true, cbUnchecked);
    Expect({{6, 8, clBtnText}, {8, 10, clBtnText}, {5, 7, clBtnFace}}, "pressed: the arrow moves by one");
    // Without the back: only a fill with the canvas brush.
    Size(15, 17);
    C()->Brush()->SetColor(clYellow);
    PaintEditButtonVz(C(), kButton, clNone, bcsDropDownVz, 0, false, false, true, cbUnchecked, 1.0, false);
    EXPECT_EQ(CountNot(clYellow), 0);
}

TEST_F(ButtonPaintVz, EllipsisDotsTheirSizeGapAndStates) {
    // Glyph area inset by 2 (11 x 13): 2-pixel dots, 1-pixel gaps, the middle one at 6, 7.
    PaintEditButtonVz(C(), kButton, clNone, bcsEllipsisVz, 0, false, false, true, cbUnchecked);
    Expect({{3, 7, clBtnText}, {4, 8, clBtnText}, {6, 7, clBtnText}, {7, 8, clBtnText}, {9, 7, clBtnText},
            {10, 8, clBtnText}, {5, 7, clBtnFace}, {8, 7, clBtnFace}, {6, 9, clBtnFace}, {11, 7, clBtnFace}},
           "normal");
    PaintEditButtonVz(C(), kButton, clNone, bcsEllipsisVz, 1, false, false, true, cbUnchecked);
    Expect({{7, 8, clBtnText}, {8, 9, clBtnText}, {6, 7, clBtnFace}}, "pressed");
    PaintEditButtonVz(C(), kButton, clNone, bcsEllipsisVz, 0, false, false, false, cbUnchecked);
    Expect({{6, 7, clBtnShadow}, {8, 9, clBtnHighlight}, {11, 9, clBtnHighlight}}, "disabled");
    // Without the back the dots sit in the whole rectangle: 15 wide means gaps of 2.
    Size(15, 17);
    PaintEditButtonVz(C(), kButton, clNone, bcsEllipsisVz, 0, false, false, true, cbUnchecked, 1.0, false);
    Expect({{6, 7, clBtnText}, {2, 7, clBtnText}, {10, 7, clBtnText}, {12, 8, clWhite}, {5, 7, clWhite}},
           "no back");
}

TEST_F(ButtonPaintVz, PlusAndMinusBarsFollowTheAreaParity) {
    // Area 11 x 13: minus L = 7, T = 2 at (4, 7); plus L = 8 (parity of T), bars crossing at 6..7.
    PaintEditButtonVz(C(), kButton, clNone, bcsMinusVz, 0, false, false, true, cbUnchecked);
    Expect({{4, 7, clBtnText}, {10, 8, clBtnText}, {3, 7, clBtnFace}, {11, 7, clBtnFace}, {7, 6, clBtnFace},
            {7, 9, clBtnFace}},
           "minus");
    PaintEditButtonVz(C(), kButton, clNone, bcsPlusVz, 0, false, false, true, cbUnchecked);
    Expect({{3, 7, clBtnText}, {10, 8, clBtnText}, {6, 4, clBtnText}, {7, 11, clBtnText}, {6, 3, clBtnFace},
            {7, 12, clBtnFace}, {5, 5, clBtnFace}, {11, 7, clBtnFace}},
           "plus");
    PaintEditButtonVz(C(), kButton, clNone, bcsMinusVz, 0, false, false, false, cbUnchecked);
    Expect({{4, 7, clBtnShadow}, {11, 9, clBtnHighlight}}, "disabled minus");
}

TEST_F(ButtonPaintVz, AlternativeArrowsAreCentredTriangles) {
    // 15 x 17: base 5, three rows from (5, 7).
    PaintEditButtonVz(C(), kButton, clNone, bcsAltDropDownVz, 0, false, false, true, cbUnchecked, 1.0, false);
    Expect({{5, 7, clWindowText}, {9, 7, clWindowText}, {6, 8, clWindowText}, {7, 9, clWindowText},
            {4, 7, clWhite}, {10, 7, clWhite}, {5, 8, clWhite}, {6, 9, clWhite}, {7, 10, clWhite}},
           "down");
    EXPECT_EQ(CountNot(clWhite), 9);
    Size(15, 17);
    PaintEditButtonVz(C(), kButton, clNone, bcsAltDropDownVz, 1, false, false, false, cbUnchecked, 1.0, false);
    Expect({{6, 8, clGrayText}, {8, 10, clGrayText}, {5, 7, clWhite}}, "pressed and disabled");
    // Up/down: halves 0..7 and 9..16, base 3 each.
    Size(15, 17);
    PaintEditButtonVz(C(), kButton, clNone, bcsAltUpDownVz, 0, false, false, true, cbUnchecked, 1.0, false);
    Expect({{7, 3, clWindowText}, {6, 4, clWindowText}, {8, 4, clWindowText}, {6, 3, clWhite},
            {6, 12, clWindowText}, {8, 12, clWindowText}, {7, 13, clWindowText}, {6, 13, clWhite}},
           "up/down");
    EXPECT_EQ(CountNot(clWhite), 8);
}

TEST_F(ButtonPaintVz, AFlatInactiveButtonIsClippedInsideAndFramedInTheLineColour) {
    PaintEditButtonVz(C(), kButton, clRed, bcsEllipsisVz, 0, true, false, true, cbUnchecked);
    for (int x = 0; x < 15; ++x) {
        EXPECT_EQ(At(x, 0), ColorToRGB(clRed)) << x;
        EXPECT_EQ(At(x, 16), ColorToRGB(clRed)) << x;
    }
    for (int y = 0; y < 17; ++y) EXPECT_EQ(At(0, y), ColorToRGB(clRed)) << y;
    Expect({{1, 1, clBtnFace}, {13, 15, clBtnFace}}, "flat face");
    EXPECT_FALSE(C()->Handle()->HasClip());
    // Without a line colour the outer ring keeps what was there: the face stayed inside the clip.
    Size(15, 17);
    PaintEditButtonVz(C(), kButton, clNone, bcsPlusVz, 0, true, false, true, cbUnchecked);
    Expect({{0, 0, clWhite}, {14, 16, clWhite}, {7, 0, clWhite}, {0, 8, clWhite}, {1, 1, clBtnFace}}, "clipped");
    // A clip region in force before stays as it was.
    C()->Handle()->IntersectClipRect(TRect(0, 0, 10, 10));
    QRegion before = C()->Handle()->ClipRegion();
    PaintEditButtonVz(C(), kButton, clRed, bcsUpDownVz, 2, true, false, true, cbUnchecked);
    PaintEditButtonVz(C(), kButton, clRed, bcsPlusVz, 1, true, true, true, cbUnchecked);
    PaintEditButtonVz(C(), kButton, clRed, bcsCheckboxVz, 0, true, false, true, cbChecked);
    EXPECT_TRUE(C()->Handle()->HasClip());
    EXPECT_EQ(C()->Handle()->ClipRegion(), before);
}

TEST_F(ButtonPaintVz, AFlatActiveButtonGetsARaisedOrSunkenBorder) {
    PaintEditButtonVz(C(), kButton, clRed, bcsEllipsisVz, 0, true, true, true, cbUnchecked);
    Expect({{0, 0, clBtnHighlight}, {14, 16, clBtnShadow}, {1, 1, clBtnFace}}, "raised");
    PaintEditButtonVz(C(), kButton, clRed, bcsEllipsisVz, 1, true, true, true, cbUnchecked);
    Expect({{0, 0, clBtnShadow}, {14, 16, clBtnHighlight}}, "sunken");
}

// ---- check boxes --------------------------------------------------------------------------------

TEST_F(ButtonPaintVz, ACheckBoxButtonIsSquaredAndCentred) {
    Size(20, 14);
    PaintEditButtonVz(C(), TRect(0, 0, 20, 14), clNone, bcsCheckboxVz, 0, false, false, true, cbChecked);
    EXPECT_EQ(At(2, 5), ColorToRGB(clWhite));
    EXPECT_NE(At(3, 5), ColorToRGB(clWhite));
    EXPECT_EQ(At(17, 5), ColorToRGB(clWhite));
    EXPECT_EQ(At(6, 6), ColorToRGB(clWindowText));  // the tick's first column
}

TEST_F(ButtonPaintVz, CheckBoxStates) {
    Size(13, 13);
    struct Case {
        TCheckBoxState State;
        bool Enabled;
        TColor Face, Tick;
    } cases[] = {
        {cbUnchecked, true, clWindow, clWindow},
        {cbChecked, true, clWindow, clWindowText},
        {cbGrayed, true, clBtnFace, clGrayText},
        {cbChecked, false, clBtnFace, clGrayText},
        {cbUnchecked, false, clBtnFace, clBtnFace},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(DrawCheckBoxVz(C()->Handle(), TRect(0, 0, 13, 13), c.State, c.Enabled, false, false, false));
        EXPECT_EQ(At(3, 3), ColorToRGB(c.Face)) << c.State << c.Enabled;
        EXPECT_EQ(At(3, 6), ColorToRGB(c.Tick)) << c.State << c.Enabled;
    }
    // Flat: framed one pixel inside in the shadow colour, or the face colour when active.
    DrawCheckBoxVz(C()->Handle(), TRect(0, 0, 13, 13), cbChecked, true, true, false, false);
    Expect({{1, 1, clBtnShadow}, {11, 11, clBtnShadow}, {3, 6, clWindowText}}, "flat");
    DrawCheckBoxVz(C()->Handle(), TRect(0, 0, 13, 13), cbChecked, true, true, false, true);
    Expect({{1, 1, clBtnFace}, {11, 6, clBtnFace}}, "flat active");
    EXPECT_FALSE(C()->Handle()->HasClip());
}

TEST(CheckBoxRectVz, AlignmentAndLayout) {
    struct Case {
        TRect Cell;
        TAlignment Align;
        TTextLayout Layout;
        TRect Expected;
    } cases[] = {
        {TRect(0, 0, 40, 20), taLeftJustify, tlTop, TRect(0, 0, 13, 13)},
        {TRect(0, 0, 40, 20), taCenter, tlCenter, TRect(14, 4, 27, 17)},
        {TRect(0, 0, 40, 20), taRightJustify, tlBottom, TRect(27, 7, 40, 20)},
        {TRect(5, 5, 10, 8), taCenter, tlCenter, TRect(5, 5, 10, 8)},  // smaller than a check box
    };
    for (const Case& c : cases) {
        TRect r = GetCheckBoxRectVz(c.Cell, c.Align, c.Layout);
        EXPECT_EQ(r.Left, c.Expected.Left);
        EXPECT_EQ(r.Top, c.Expected.Top);
        EXPECT_EQ(r.Right, c.Expected.Right);
        EXPECT_EQ(r.Bottom, c.Expected.Bottom);
    }
}

TEST_F(ButtonPaintVz, ButtonFaces) {
    DrawButtonFaceVz(C(), kButton, clNone, true, false, false, false);
    Expect({{1, 1, clBtnHighlight}, {14, 16, cl3DDkShadow}, {13, 15, clBtnShadow}, {5, 5, clBtnFace}}, "raised");
    Size(15, 17);
    DrawButtonFaceVz(C(), kButton, clNone, true, true, true, false);
    Expect({{0, 0, clBtnHighlight}, {14, 16, clBtnShadow}, {5, 5, clWhite}}, "flat hot: border only");
    DrawButtonFaceVz(C(), kButton, clNone, true, false, true, false);
    Expect({{0, 0, clBtnFace}, {5, 5, clBtnFace}}, "flat: filled");
}

// ---- tree lines ---------------------------------------------------------------------------------

class TreeElementVz : public ButtonPaintVz {
protected:
    void SetUp() override { Size(20, 20); }
    void Draw(int Code, TTreeViewGlyphStyleVz Style = tvgsClassicVz, int Phase = 0) {
        Size(20, 20);
        DrawTreeElementVz(C(), TRect(0, 0, 20, 20), Code, Style, true, false, 1.0, 1.0, Phase);
    }
};

TEST_F(TreeElementVz, AStraightLineIsDottedOnTheCheckerboardOfThePhase) {
    Draw(13);
    Expect({{10, 0, clBtnShadow}, {10, 1, clWhite}, {10, 18, clBtnShadow}, {10, 19, clWhite}}, "phase 0");
    EXPECT_EQ(CountNot(clWhite), 10);
    Draw(13, tvgsClassicVz, 1);
    Expect({{10, 0, clWhite}, {10, 1, clBtnShadow}}, "phase 1");
    EXPECT_EQ(CountNot(clWhite), 10);
    Draw(11);  // end corner: top to the middle, then right
    Expect({{10, 8, clBtnShadow}, {10, 12, clWhite}, {12, 10, clBtnShadow}, {18, 10, clBtnShadow}, {8, 10, clWhite}},
           "corner");
}

TEST_F(TreeElementVz, ButtonsWithAndWithoutLines) {
    Draw(9);  // bare collapsed button: box 6..14, plus of five pixels
    Expect({{6, 6, clBtnShadow}, {14, 14, clBtnShadow}, {7, 7, clWindow}, {8, 10, clWindowText},
            {12, 10, clWindowText}, {10, 8, clWindowText}, {10, 12, clWindowText}, {13, 10, clWindow},
            {10, 13, clWindow}, {16, 10, clWhite}, {10, 2, clWhite}, {10, 18, clWhite}},
           "collapsed, no lines");
    Draw(4);
    Expect({{8, 10, clWindowText}, {10, 8, clWindow}}, "expanded: no vertical bar");
    Draw(5);  // tee with a collapsed button
    Expect({{16, 10, clBtnShadow}, {18, 10, clBtnShadow}, {15, 10, clWhite}, {10, 0, clBtnShadow},
            {10, 4, clBtnShadow}, {10, 16, clBtnShadow}, {10, 18, clBtnShadow}},
           "tee");
    Draw(3);
    Expect({{16, 10, clBtnShadow}, {10, 0, clWhite}, {10, 16, clWhite}}, "right line only");
    Size(20, 20);
    DrawTreeElementVz(C(), TRect(0, 0, 20, 20), 9, tvgsClassicVz, true, true);
    Expect({{5, 6, clBtnShadow}, {13, 10, clBtnShadow}, {14, 6, clWhite}, {10, 8, clWindowText}}, "left shift: box only");
    Draw(9, tvgsDefaultVz);
    Expect({{6, 6, clWhite}, {7, 7, clWhite}, {8, 10, clWindowText}, {10, 8, clWindowText}}, "default: bars only");
}

TEST_F(TreeElementVz, TheBrushComesBack) {
    C()->Brush()->SetColor(clYellow);
    DrawTreeElementVz(C(), TRect(0, 0, 20, 20), 7, tvgsClassicVz, true, false);
    EXPECT_EQ(C()->Brush()->Color(), clYellow);
}

// ---- clip region --------------------------------------------------------------------------------

TEST_F(ButtonPaintVz, ClipRegionIsSavedAndRestored) {
    auto none = IntersectCanvasClipRectVz(C(), TRect(2, 2, 5, 5));
    EXPECT_EQ(none, nullptr);
    C()->Brush()->SetColor(clRed);
    C()->FillRect(TRect(0, 0, 15, 17));
    RestoreCanvasClipRgnVz(C(), none);
    EXPECT_FALSE(C()->Handle()->HasClip());
    EXPECT_EQ(CountNot(clWhite), 9);

    C()->Handle()->IntersectClipRect(TRect(0, 0, 8, 8));
    QRegion before = C()->Handle()->ClipRegion();
    auto saved = IntersectCanvasClipRectVz(C(), TRect(4, 4, 12, 12));
    ASSERT_NE(saved, nullptr);
    EXPECT_NE(C()->Handle()->ClipRegion(), before);
    RestoreCanvasClipRgnVz(C(), saved);
    EXPECT_EQ(saved, nullptr);
    EXPECT_EQ(C()->Handle()->ClipRegion(), before);
}

// ---- images, gradients, the alpha bitmap and the bitmap cache ---------------------------------------

TEST_F(ButtonPaintVz, GradientsRunFromTheTopColourToTheBottomColour) {
    Size(4, 5);
    FillGradientVz(C(), TRect(0, 0, 4, 5), static_cast<TColor>(RGB(0, 0, 0)), static_cast<TColor>(RGB(200, 100, 40)));
    Expect({{0, 0, static_cast<TColor>(RGB(0, 0, 0))},
            {3, 2, static_cast<TColor>(RGB(100, 50, 20))},
            {2, 4, static_cast<TColor>(RGB(200, 100, 40))}},
           "gradient");
    Size(1, 3);  // one pixel wide
    FillGradientVz(C(), TRect(0, 0, 1, 3), clBlack, clWhite);
    Expect({{0, 0, clBlack}, {0, 2, clWhite}}, "narrow gradient");

    // Graded segments: the first in colour 2, each drawn up to one pixel before its end.
    Size(10, 4);
    DrawGradientLinesVz(C(), TPoint(1, 1), {TPoint(0, 0), TPoint(4, 0), TPoint(0, 1), TPoint(4, 1)}, clBlack, clRed);
    Expect({{1, 1, clRed}, {4, 1, clRed}, {5, 1, clWhite}, {1, 2, clBlack}}, "graded lines");
}

TEST_F(ButtonPaintVz, ImagesAreCentredAndClippedToTheirCell) {
    auto* list = New<TImageList>(nullptr);
    list->SetWidth(6);
    list->SetHeight(6);
    TBitmap img;
    img.SetSize(6, 6);
    img.Canvas()->Brush()->SetColor(clBlue);
    img.Canvas()->FillRect(TRect(0, 0, 6, 6));
    list->Add(&img, nullptr);
    Size(20, 10);
    DrawImageCenteredVz(C(), TRect(0, 0, 20, 10), list, 0, false);
    Expect({{7, 2, clBlue}, {12, 7, clBlue}, {6, 2, clWhite}, {13, 2, clWhite}}, "centred");
    DrawImageCenteredVz(C(), TRect(0, 0, 20, 10), list, 5, false);  // no such image: nothing
    Size(20, 10);
    DrawImageCenteredDCVz(C()->Handle(), TRect(0, 0, 10, 10), list, 0, false);
    Expect({{2, 2, clBlue}, {7, 7, clBlue}, {8, 2, clWhite}}, "centred on a device context");

    Size(20, 10);
    // Right-aligned, 2 pixels further right: sticks out of the cell and is clipped to it.
    DrawClippedImageVz(list, nullptr, C(), TRect(0, 0, 10, 10), 0, 2, 0, taRightJustify, TRect(0, 0, 20, 10), 1.0, true);
    Expect({{6, 2, clBlue}, {9, 7, clBlue}, {5, 2, clWhite}, {10, 2, clWhite}, {11, 2, clWhite}}, "clipped");
    Size(20, 20);
    DrawClippedImageVz(list, nullptr, C(), TRect(0, 0, 20, 20), 0, 0, 0, taCenter, TRect(0, 0, 20, 20), 2.0, true);
    Expect({{4, 4, clBlue}, {15, 15, clBlue}, {3, 4, clWhite}, {16, 16, clWhite}}, "zoomed");
    // A cell outside the clip rectangle draws nothing.
    Size(20, 20);
    DrawClippedImageVz(list, nullptr, C(), TRect(0, 0, 10, 10), 0, 0, 0, taLeftJustify, TRect(12, 12, 20, 20), 1.0,
                       true);
    EXPECT_EQ(CountNot(clWhite), 0);
    list->Free();
}

TEST(CacheAlphaBitmapVz, OnePainterAtATimeAndLinesInsideTheBitmap) {
    TCacheAlphaBitmapVz* a = GetCacheAlphaBitmapVz(8, 4);
    EXPECT_EQ(GetCacheAlphaBitmapVz(4, 2), a);
    EXPECT_EQ(a->Width(), 8);  // never shrinks
    GetCacheAlphaBitmapVz(10, 3);
    EXPECT_EQ(a->Width(), 10);
    EXPECT_EQ(a->Height(), 4);
    a->Capture();
    EXPECT_THROW(a->Capture(), Exception);
    EXPECT_TRUE(a->Captured());
    a->DrawHorzLine(TPoint(-3, 1), 5, clRed);  // clipped at 0: pixels 0..1
    a->DrawHorzLine(TPoint(2, 9), 5, clRed);   // below the bitmap: nothing
    auto* row = static_cast<Byte*>(a->ScanLine(1));
    EXPECT_EQ(row[4 * 1 + 2], 255);
    EXPECT_EQ(row[4 * 1 + 3], 255);
    EXPECT_NE(row[4 * 2 + 2] == 255 && row[4 * 2 + 1] == 0, true);
    // While captured, graded lines go into the alpha bitmap and not onto the canvas.
    TBitmap target;
    target.SetSize(6, 6);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(TRect(0, 0, 6, 6));
    DrawGradientLinesVz(target.Canvas(), TPoint(0, 3), {TPoint(0, 0), TPoint(3, 0)}, clBlue, clBlue);
    EXPECT_EQ(ColorToRGB(target.Canvas()->Pixels(1, 3)), ColorToRGB(clWhite));
    EXPECT_EQ(static_cast<Byte*>(a->ScanLine(3))[4 * 1 + 0], 255);  // blue byte
    a->Release();
    EXPECT_FALSE(a->Captured());
}

TEST_F(ButtonPaintVz, TheBitmapCacheKeepsOneBitmapPerRequestAndPaintsTheSame) {
    ClearButtonsBitmapCacheVz();
    TButtonBitmapInfoVz a;
    a.Size = TPoint(15, 17);
    a.BitmapType = bcsEllipsisVz;
    TButtonBitmapInfoVz b = a;
    b.DrawBack = false;
    TBitmap* ba = ButtonsBitmapCacheVz()->GetButtonBitmap(a);
    EXPECT_EQ(ButtonsBitmapCacheVz()->GetButtonBitmap(a), ba);
    EXPECT_NE(ButtonsBitmapCacheVz()->GetButtonBitmap(b), ba);
    TButtonBitmapInfoVz negative = a;
    negative.Size = TPoint(-4, 17);
    EXPECT_EQ(ButtonsBitmapCacheVz()->GetButtonBitmap(negative)->Width(), 0);
    EXPECT_EQ(ButtonsBitmapCacheVz()->Count(), 3);

    // The same face painted directly and through the cache.
    PaintEditButtonVz(C(), TRect(0, 0, 15, 17), clWindow, bcsEllipsisVz, 0, false, false, true, cbUnchecked);
    QImage direct = Bmp->Image();
    Size(15, 17);
    SetUseButtonsBitmapCacheVz(true);
    PaintEditButtonVz(C(), TRect(0, 0, 15, 17), clWindow, bcsEllipsisVz, 0, false, false, true, cbUnchecked);
    SetUseButtonsBitmapCacheVz(false);
    EXPECT_EQ(Bmp->Image(), direct);
    ClearButtonsBitmapCacheVz();
    EXPECT_EQ(ButtonsBitmapCacheVz()->Count(), 0);
}
