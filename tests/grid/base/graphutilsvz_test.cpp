#include "grid/base/graphutilsvz.h"

#include "platform/gui/imaging.h"

#include <gtest/gtest.h>

namespace {

const String Block = String(QChar(0x2588));  // a glyph whose ink fills its advance

// A white bitmap with a black font, on which the text routines draw.
class GraphUtilsVz : public ::testing::Test {
protected:
    void SetUp() override {
        Bmp = New<TBitmap>();
        Bmp->SetSize(60, 40);
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(TRect(0, 0, 60, 40));
        Canvas()->Font()->SetName(u"DejaVu Sans"_S);
        Canvas()->Font()->SetHeight(-12);
        Canvas()->Font()->SetColor(clBlack);
    }
    void TearDown() override { Bmp->Free(); }
    TCanvas* Canvas() { return Bmp->Canvas(); }
    bool Dark(int X, int Y) { return GetRValue(ColorToRGB(Canvas()->Pixels(X, Y))) < 128; }
    // Leftmost / rightmost column and topmost row with ink inside R (-1: none).
    int InkLeft(const TRect& R) {
        for (int x = R.Left; x < R.Right; ++x)
            for (int y = R.Top; y < R.Bottom; ++y)
                if (Dark(x, y)) return x;
        return -1;
    }
    int InkRight(const TRect& R) {
        for (int x = R.Right - 1; x >= R.Left; --x)
            for (int y = R.Top; y < R.Bottom; ++y)
                if (Dark(x, y)) return x;
        return -1;
    }
    int InkTop(const TRect& R) {
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                if (Dark(x, y)) return y;
        return -1;
    }
    TBitmap* Bmp = nullptr;
};

}  // namespace

TEST_F(GraphUtilsVz, SingleLineHorizontalPlacement) {
    const TRect r(0, 0, 50, 20);
    const int w = Canvas()->TextWidth(Block);
    struct Case { TAlignment Align; int DX; int Left; };
    const Case cases[] = {
        {taLeftJustify, 2, 2},
        {taRightJustify, 2, 50 - w - 2 - 1},  // ends 3 pixels inside the right edge
        {taCenter, 2, 25 - w / 2},            // centred; DX not used
    };
    for (const Case& c : cases) {
        SetUp();
        Canvas()->Brush()->SetColor(clYellow);
        WriteCellTextVz(Canvas(), r, true, c.DX, 0, Block, c.Align, tlTop, false, false, 0, 0, false, true);
        EXPECT_EQ(InkLeft(r), c.Left) << int(c.Align);
        EXPECT_EQ(InkRight(r), c.Left + w - 1) << int(c.Align);
        TearDown();
    }
    SetUp();
}

TEST_F(GraphUtilsVz, SingleLineVerticalPlacementAndTallText) {
    const int h = Canvas()->TextHeight(Block);
    const TRect r(0, 0, 50, 36);
    WriteCellTextVz(Canvas(), r, false, 0, 2, Block, taLeftJustify, tlTop, false, false, 0, 0, false, true);
    const int topInk = InkTop(r);
    SetUp();
    WriteCellTextVz(Canvas(), r, false, 0, 2, Block, taLeftJustify, tlBottom, false, false, 0, 0, false, true);
    EXPECT_EQ(InkTop(r) - topInk, (36 - h - 2) - 2);  // top at R.Top + DY, bottom at R.Bottom - H - DY
    SetUp();
    WriteCellTextVz(Canvas(), r, false, 0, 2, Block, taLeftJustify, tlCenter, false, false, 0, 0, false, true);
    EXPECT_EQ(InkTop(r) - topInk, (36 - h) / 2 - 2);  // centred without DY
    // A cell lower than the text: the bottom layout stays at R.Top + DY.
    SetUp();
    const TRect low(0, 0, 50, h);
    WriteCellTextVz(Canvas(), low, false, 0, 2, Block, taLeftJustify, tlBottom, false, false, 0, 0, false, true);
    EXPECT_EQ(InkTop(low), topInk);
}

TEST_F(GraphUtilsVz, FillFlagAndBrushRestored) {
    const TRect r(5, 5, 40, 25);
    Canvas()->Brush()->SetColor(clRed);
    WriteCellTextVz(Canvas(), r, false, 2, 2, u"x"_S, taLeftJustify, tlTop, false, false, 0, 0, false, true);
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(38, 23)), ColorToRGB(clWhite));  // transparent: cell untouched
    EXPECT_EQ(Canvas()->Brush()->Color(), clRed);
    EXPECT_EQ(Canvas()->Brush()->Style(), bsSolid);
    // The DrawTextEx path (word wrap) with and without filling.
    WriteCellTextVz(Canvas(), r, false, 2, 2, u"x"_S, taLeftJustify, tlTop, true, false, 0, 0, false, false);
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(38, 23)), ColorToRGB(clWhite));
    WriteCellTextVz(Canvas(), r, true, 2, 2, u"x"_S, taLeftJustify, tlTop, true, false, 0, 0, false, false);
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(38, 23)), ColorToRGB(clRed));
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(40, 25)), ColorToRGB(clWhite));  // right and bottom excluded
    EXPECT_EQ(Canvas()->Brush()->Style(), bsSolid);
}

TEST_F(GraphUtilsVz, WordWrapPutsTheSecondWordOnTheNextLine) {
    const int w = Canvas()->TextWidth(Block);
    const int h = Canvas()->TextHeight(Block);
    const TRect r(0, 0, w * 2, 40);
    WriteCellTextVz(Canvas(), r, false, 0, 0, Block + u" "_S + Block, taLeftJustify, tlTop, true, false, 0, 0, false,
                    false);
    const int firstTop = InkTop(TRect(0, 0, w, h));
    EXPECT_GE(firstTop, 0);
    EXPECT_EQ(InkTop(TRect(0, h, w, 40)), firstTop + h);
}

TEST_F(GraphUtilsVz, TallTextInTheDrawTextPathIsClippedToTheCell) {
    const TRect r(0, 10, 50, 14);  // lower than the text
    WriteCellTextVz(Canvas(), r, false, 0, 0, Block, taLeftJustify, tlCenter, true, false, 0, 0, false, false);
    EXPECT_EQ(InkTop(TRect(0, 0, 60, 10)), -1);
    EXPECT_EQ(InkTop(TRect(0, 14, 60, 40)), -1);
    EXPECT_EQ(InkTop(r), 10);
}

TEST_F(GraphUtilsVz, ClippedTextIsOpaqueAndRightAlignedThreeInside) {
    const TRect r(0, 0, 50, 20);
    const int w = Canvas()->TextWidth(Block);
    Canvas()->Brush()->SetColor(clYellow);
    WriteClippedTextVz(Canvas(), r, 7, 0, Block, taRightJustify);
    EXPECT_EQ(InkRight(r), 50 - 3 - 1);
    EXPECT_EQ(InkLeft(r), 50 - w - 3);
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(1, 1)), ColorToRGB(clYellow));
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(50, 1)), ColorToRGB(clWhite));
}

TEST_F(GraphUtilsVz, MeasureWrappedText) {
    TCanvas* c = Canvas();
    const int h = c->TextHeight(u"a"_S);
    TSize s;
    MeasureWrappedTextVz(c, 1000, String(), s, true);
    EXPECT_EQ(s, TSize(0, 0));
    // Breaks behind the blank; the blank counts in the first line's width.
    MeasureWrappedTextVz(c, c->TextWidth(u"aa b"_S), u"aa bb"_S, s, true);
    EXPECT_EQ(s.cx, c->TextWidth(u"aa "_S));
    EXPECT_EQ(s.cy, 2 * h);
    // Without word wrap only the first line counts.
    MeasureWrappedTextVz(c, 1000, u"ab\r\ncd"_S, s, false);
    EXPECT_EQ(s.cy, h);
    // A long word with no blank before it stays on its line.
    MeasureWrappedTextVz(c, 5, u"abcdef gh"_S, s, true);
    EXPECT_EQ(s.cy, 2 * h);
    // A CR LF pair ending the text opens one more line.
    TSize plain;
    MeasureWrappedTextVz(c, 1000, u"ab\r\ncd"_S, plain, true);
    MeasureWrappedTextVz(c, 1000, u"ab\r\ncd\r\n"_S, s, true);
    EXPECT_EQ(plain.cy, 2 * h);
    EXPECT_EQ(s.cy, plain.cy + h);
}

TEST_F(GraphUtilsVz, SearchMatchesArePaintedAndHiddenOnesCounted) {
    const int w = Canvas()->TextWidth(u"xx "_S);
    const TRect r(0, 0, 60, 20);
    int hidden = -1;
    Canvas()->Brush()->SetColor(clYellow);
    PaintSearchMatchesVz(Canvas(), r, 0, 0, u"xx ab"_S, taLeftJustify, false, false, u"ab"_S, false, false, false,
                         clAqua, hidden);
    EXPECT_EQ(hidden, 0);
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(w, 1)), ColorToRGB(clAqua));
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(w - 2, 1)), ColorToRGB(clWhite));
    EXPECT_EQ(Canvas()->Brush()->Color(), clYellow);
    // A hit that starts right of the cell is hidden.
    PaintSearchMatchesVz(Canvas(), TRect(0, 0, 3, 20), 0, 0, u"xx ab"_S, taLeftJustify, false, false, u"ab"_S, false,
                         false, false, clAqua, hidden);
    EXPECT_EQ(hidden, 1);
}

TEST(GraphUtilsVzText, TextDirection) {
    EXPECT_EQ(GetTextDirectionVz(String(), 1), 0);
    EXPECT_EQ(GetTextDirectionVz(u"abc"_S, 1), 0);
    EXPECT_EQ(GetTextDirectionVz(String(QChar(0x05D0)), 0), 1);  // Hebrew alef
    EXPECT_EQ(GetTextDirectionVz(u" x"_S, 1), 1);                  // neutral: the default
}

TEST(GraphUtilsVzColors, Arithmetic) {
    EXPECT_EQ(BlendColorsVz(RGB(0, 100, 255), RGB(255, 0, 0), 128), TColor(RGB(128, 50, 127)));
    EXPECT_EQ(BlendColorsVz(clBlack, clWhite, 300), TColor(RGB(255, 255, 255)));  // clamped
    EXPECT_EQ(MixColorsByPercentVz(RGB(0, 0, 0), RGB(5, 15, 200), 50), TColor(RGB(2, 8, 100)));  // ties to even
    EXPECT_EQ(GetColorLuminanceVz(RGB(255, 255, 255)), 255);
    EXPECT_EQ(GetColorLuminanceVz(RGB(100, 0, 0)), 30);  // 7700 shr 8
    EXPECT_EQ(ColorToGrayVz(RGB(0, 100, 0)), TColor(RGB(58, 58, 58)));
    EXPECT_EQ(ChooseDarkerColorVz(clWhite, clNavy), clNavy);
    EXPECT_EQ(ChooseDarkerColorVz(clNavy, clWhite), clNavy);
    EXPECT_EQ(SetColorLightnessVz(RGB(255, 0, 0), 64), TColor(RGB(128, 0, 0)));
    EXPECT_EQ(SetColorLightnessVz(RGB(10, 10, 10), 128), TColor(RGB(128, 128, 128)));
    EXPECT_EQ(BlendColorsVz(clWindow, clWindow, 10), TColor(ColorToRGB(clWindow)));  // system colours resolve
}

namespace {

// The ink box of the whole bitmap: left, top, right, bottom (inclusive), or -1s when blank.
TRect InkBox(TCanvas* C, int W, int H) {
    TRect b(-1, -1, -1, -1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (GetRValue(ColorToRGB(C->Pixels(x, y))) < 128) {
                if (b.Left < 0 || x < b.Left) b.Left = x;
                if (b.Top < 0) b.Top = y;
                b.Right = std::max(b.Right, x);
                b.Bottom = y;
            }
    return b;
}

}  // namespace

TEST_F(GraphUtilsVz, VerticalTextReadsUpwardInsideTheCell) {
    const int w = Canvas()->TextWidth(Block + Block + Block), h = Canvas()->TextHeight(Block);
    const TRect r(5, 2, 25, 38);
    HDC dc = Canvas()->Handle();
    EXPECT_EQ(WriteVerticalTextVz(Canvas(), r, false, 2, 1, Block + Block + Block, taLeftJustify, tlTop, false, false),
              0);
    // Turned: the text's top lies at the cell's left (plus DY), its start at the cell's bottom (minus DX).
    const TRect ink = InkBox(Canvas(), 60, 40);
    EXPECT_NEAR(ink.Left, r.Left + 1, 1);
    EXPECT_LE(ink.Right, r.Left + 1 + h);
    EXPECT_GE(ink.Right, r.Left + h / 2);
    EXPECT_NEAR(ink.Bottom, r.Bottom - 2 - 1, 1);
    EXPECT_NEAR(ink.Top, r.Bottom - 2 - w, 1);
    // The device context comes back unturned.
    EXPECT_TRUE(dc->WorldTransform().IsIdentity());
    EXPECT_EQ(GetGraphicsMode(dc), GM_COMPATIBLE);

    // Centred both ways in a tall cell; the fill covers exactly the cell.
    Canvas()->Brush()->SetColor(clWhite);
    Canvas()->FillRect(TRect(0, 0, 60, 40));
    Canvas()->Brush()->SetColor(clYellow);
    const TRect c(30, 0, 50, 40);
    WriteVerticalTextVz(Canvas(), c, true, 0, 0, Block, taCenter, tlCenter, false, false);
    const TRect ink2 = InkBox(Canvas(), 60, 40);
    EXPECT_NEAR((ink2.Top + ink2.Bottom + 1) / 2, 20, 1);
    EXPECT_NEAR((ink2.Left + ink2.Right + 1) / 2, 40, 2);
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(30, 0)), ColorToRGB(clYellow));
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(49, 39)), ColorToRGB(clYellow));
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(29, 20)), ColorToRGB(clWhite));
    EXPECT_EQ(ColorToRGB(Canvas()->Pixels(50, 20)), ColorToRGB(clWhite));
    EXPECT_EQ(Canvas()->Brush()->Color(), clYellow);
}

TEST_F(GraphUtilsVz, VerticalTextOverAnExistingTurnIsTurnedAgain) {
    // A half turn already set about the bitmap's centre: the vertical text then reads downward
    // and sits at the mirrored place.
    HDC dc = Canvas()->Handle();
    SetGraphicsMode(dc, GM_ADVANCED);
    XFORM half;
    half.eM11 = -1;
    half.eM22 = -1;
    half.eDx = 60;
    half.eDy = 40;
    ASSERT_TRUE(SetWorldTransform(dc, &half));
    const int w = Canvas()->TextWidth(Block + Block);
    WriteVerticalTextVz(Canvas(), TRect(5, 2, 25, 38), false, 2, 1, Block + Block, taLeftJustify, tlTop, false, false);
    // The caller's transform is back.
    EXPECT_EQ(dc->WorldTransform().eM11, -1);
    EXPECT_EQ(dc->WorldTransform().eDx, 60);
    EXPECT_EQ(SetGraphicsMode(dc, GM_COMPATIBLE), 0);  // refused while a transform is set
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    EXPECT_EQ(SetGraphicsMode(dc, GM_COMPATIBLE), GM_ADVANCED);
    const TRect ink = InkBox(Canvas(), 60, 40);
    // Mirrored through the centre: the start is at 40 - (38 - 2) = 4, running down for w.
    EXPECT_NEAR(ink.Top, 40 - (38 - 2), 1);
    EXPECT_NEAR(ink.Bottom, 40 - (38 - 2) + w - 1, 1);
    EXPECT_GE(ink.Left, 60 - 5 - 1 - Canvas()->TextHeight(Block));
    EXPECT_NEAR(ink.Right, 60 - 5 - 1 - 1, 1);
}
