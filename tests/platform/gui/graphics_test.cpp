#include "platform/gui/graphics.h"

#include <gtest/gtest.h>

TEST(GraphicsColor, ColorToRGBResolvesSystemColoursThroughTheClassicTable) {
    struct Case { TColor In; COLORREF Out; };
    const Case cases[] = {
        {clRed, 0x0000FF}, {clBlue, 0xFF0000}, {clMoneyGreen, 0xC0DCC0},
        {clBtnFace, RGB(212, 208, 200)}, {clBtnShadow, RGB(128, 128, 128)},
        {clHighlight, RGB(10, 36, 106)}, {clWindow, RGB(255, 255, 255)},
        {clWindowText, 0}, {clInfoBk, RGB(255, 255, 225)}, {clMenuBar, RGB(212, 208, 200)},
        {clNone, 0}, {clDefault, 0}, {TColor(0x02123456), 0x123456},
    };
    for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.In), c.Out) << std::hex << c.In;
    EXPECT_EQ(clScrollBar, TColor(0xFF000000u));
    EXPECT_EQ(clMenuBar, TColor(0xFF00001Eu));
}

TEST(GraphicsColor, StringConversionsRoundTrip) {
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(TColor(0x00123456)), "$00123456");
    EXPECT_EQ(StringToColor("clRed"), clRed);
    EXPECT_EQ(StringToColor("$00123456"), 0x123456);
    EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
    EXPECT_THROW(StringToColor("nonsense"), EConvertError);
}

TEST(GraphicsFont, SizeAndHeightFollowPixelsPerInch) {
    TFont f;
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Size(), 8);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    TFont printer;
    printer.SetPixelsPerInch(600);
    printer.Assign(&f);  // keeps the size in points
    EXPECT_EQ(printer.Size(), 10);
    EXPECT_EQ(printer.Height(), -83);
    EXPECT_EQ(f.QtFont(600).pixelSize(), 81);  // 13 px at 96 dpi scaled to 600 dpi
}

TEST(GraphicsFont, OnChangeFiresPerChangeAndOnceInAnUpdate) {
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetName("Arial");
    f.SetName("Arial");  // same value: no change
    f.SetStyle({fsBold});
    EXPECT_EQ(changes, 2);
    f.BeginUpdate();
    f.SetColor(clRed);
    f.SetSize(12);
    EXPECT_EQ(changes, 2);
    f.EndUpdate();
    EXPECT_EQ(changes, 3);
    TLogFont lf = f.LogFont();
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -16);
}

TEST(GraphicsFont, WindowsNamesMapToInstalledFonts) {
    EXPECT_EQ(MapFontName("Arial"), "Liberation Sans");
    EXPECT_EQ(MapFontName("times new roman"), "Liberation Serif");
    EXPECT_EQ(MapFontName("Courier New"), "Liberation Mono");
    EXPECT_EQ(MapFontName("Tahoma"), "Liberation Sans");
    EXPECT_EQ(MapFontName("Verdana"), "DejaVu Sans");
    EXPECT_EQ(MapFontName("Some Font"), "Some Font");
    TLogFont lf;
    lf.lfFaceName = "Arial";
    lf.lfHeight = -20;
    QFont q = QtFontFromLogFont(lf);
    EXPECT_EQ(q.family(), "Liberation Sans");
    EXPECT_EQ(q.pixelSize(), 20);
}

TEST(GraphicsBrushPen, BrushColourAndStyleInteract) {
    TBrush b;
    b.SetStyle(bsClear);
    b.SetColor(clRed);
    EXPECT_EQ(b.Style(), bsSolid);
    b.SetColor(clNone);
    EXPECT_EQ(b.Style(), bsClear);
    EXPECT_EQ(b.LogBrush().lbStyle, BS_NULL);
    TPen p;
    p.SetMode(pmXor);
    EXPECT_EQ(PenModeToROP2(p.Mode()), R2_XORPEN);
    p.SetColor(clBtnShadow);
    EXPECT_EQ(p.LogPen().lopnColor, RGB(128, 128, 128));
}
