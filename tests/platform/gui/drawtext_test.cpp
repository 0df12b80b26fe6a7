#include "platform/gui/drawtext.h"
#include "platform/gui/imaging.h"

#include <gtest/gtest.h>

namespace {

// A measuring context that records the text and rectangles DrawText puts out.
class RecordingDC : public TMeasureDC {
public:
    struct Out {
        int X, Y;
        String Text;
        bool operator==(const Out&) const = default;
    };
    std::vector<Out> Texts;
    std::vector<TRect> Fills;
    void ExtTextOut(int X, int Y, unsigned, const TRect*, const String& Text, const int* = nullptr) override {
        Texts.push_back({X, Y, Text});
    }
    void FillRect(const TRect& R, const TLogBrush&) override { Fills.push_back(R); }
};

std::ostream& operator<<(std::ostream& os, const RecordingDC::Out& o) {
    return os << "(" << o.X << "," << o.Y << ",\"" << o.Text.toStdString() << "\")";
}

class DrawTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        TFont f;
        f.SetName("Arial");
        f.SetHeight(-13);
        dc.SelectFont(f.LogFont());
        dc.GetTextMetrics(tm);
    }
    int W(const String& s) { return dc.GetTextExtent(s).cx; }
    RecordingDC dc;
    TTextMetric tm;
};

}  // namespace

TEST_F(DrawTextTest, SingleLineAlignment) {
    struct Case { unsigned Format; int X; int Y; };
    const TRect box(10, 20, 210, 60);
    const int w = W("Hello"), h = tm.tmHeight;
    const Case cases[] = {
        {DT_SINGLELINE | DT_LEFT | DT_TOP, 10, 20},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, 10 + (200 - w) / 2, 20 + (40 - h) / 2},
        {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 210 - w, 60 - h},
        {DT_RIGHT | DT_BOTTOM, 210 - w, 20},  // vertical alignment needs a single line
    };
    for (const Case& c : cases) {
        dc.Texts.clear();
        TRect r = box;
        int ret = DrawText(&dc, "Hello", r, c.Format);
        ASSERT_EQ(dc.Texts.size(), 1u);
        EXPECT_EQ(dc.Texts[0], (RecordingDC::Out{c.X, c.Y, "Hello"})) << c.Format;
        EXPECT_EQ(ret, c.Y + h - 20);
        EXPECT_EQ(r, box);
    }
}

TEST_F(DrawTextTest, WordBreakFillsLinesAtSpaces) {
    const String text = "aaa bbb ccc";
    const int h = tm.tmHeight;
    // Exactly "aaa bbb" fits: the third word goes to the next line.
    TRect r(0, 0, W("aaa bbb"), 100);
    EXPECT_EQ(DrawText(&dc, text, r, DT_WORDBREAK), 2 * h);
    EXPECT_EQ(dc.Texts, (std::vector<RecordingDC::Out>{{0, 0, "aaa bbb"}, {0, h, "ccc"}}));

    // One pixel less: "aaa" alone, then "bbb ccc" if it fits.
    dc.Texts.clear();
    r = TRect(0, 0, W("aaa bbb") - 1, 100);
    DrawText(&dc, text, r, DT_WORDBREAK | DT_CENTER);
    ASSERT_EQ(dc.Texts.size(), 2u);
    EXPECT_EQ(dc.Texts[0].Text, "aaa");
    EXPECT_EQ(dc.Texts[0].X, (r.Width() - W("aaa")) / 2);
    EXPECT_EQ(dc.Texts[1].Text, "bbb ccc");
}

TEST_F(DrawTextTest, LongWordOverflowsUnlessEditControlBreaksIt) {
    const int h = tm.tmHeight;
    TRect r(0, 0, W("abcd"), 100);
    DrawText(&dc, "abcdefgh xy", r, DT_WORDBREAK);
    EXPECT_EQ(dc.Texts, (std::vector<RecordingDC::Out>{{0, 0, "abcdefgh"}, {0, h, "xy"}}));

    dc.Texts.clear();
    DrawText(&dc, "abcdefgh", r, DT_WORDBREAK | DT_EDITCONTROL);
    ASSERT_GE(dc.Texts.size(), 2u);
    EXPECT_EQ(dc.Texts[0].Text, "abcd");
    String joined;
    for (const auto& o : dc.Texts) {
        EXPECT_LE(W(o.Text), r.Width());
        joined += o.Text;
    }
    EXPECT_EQ(joined, "abcdefgh");
}

TEST_F(DrawTextTest, LineBreaksAndSingleLine) {
    const int h = tm.tmHeight;
    TRect r(0, 0, 300, 100);
    EXPECT_EQ(DrawText(&dc, "one\r\ntwo\nthree\rfour", r, 0), 4 * h);
    EXPECT_EQ(dc.Texts.size(), 4u);
    EXPECT_EQ(dc.Texts[3], (RecordingDC::Out{0, 3 * h, "four"}));
    dc.Texts.clear();
    DrawText(&dc, "one\r\ntwo", r, DT_SINGLELINE);
    EXPECT_EQ(dc.Texts, (std::vector<RecordingDC::Out>{{0, 0, "onetwo"}}));
}

TEST_F(DrawTextTest, EllipsisKeepsTheLongestPrefixThatFits) {
    const String text = "Piece-rate calculation";
    TRect r(0, 0, W("Piece-rate c..."), 20);
    DrawText(&dc, text, r, DT_SINGLELINE | DT_END_ELLIPSIS);
    ASSERT_EQ(dc.Texts.size(), 1u);
    const String out = dc.Texts[0].Text;
    EXPECT_TRUE(out.endsWith("..."));
    EXPECT_LE(W(out), r.Width());
    const String kept = out.chopped(3);
    EXPECT_TRUE(text.startsWith(kept));
    EXPECT_GT(W(text.left(kept.size() + 1) + "..."), r.Width());  // one more character would not fit

    dc.Texts.clear();
    r = TRect(0, 0, 300, 20);
    DrawText(&dc, text, r, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(dc.Texts[0].Text, text);  // fits: unchanged
}

TEST_F(DrawTextTest, PathEllipsisKeepsTheFileName) {
    const String path = "/home/master/reports/2024/naryad.xml";
    TRect r(0, 0, W("/home/...") + W("/naryad.xml"), 20);
    DrawText(&dc, path, r, DT_SINGLELINE | DT_PATH_ELLIPSIS);
    ASSERT_EQ(dc.Texts.size(), 1u);
    EXPECT_EQ(dc.Texts[0].Text, "/home/.../naryad.xml");
}

TEST_F(DrawTextTest, CalcRectMeasuresWithoutDrawing) {
    const int h = tm.tmHeight;
    TRect r(5, 7, 500, 8);
    EXPECT_EQ(DrawText(&dc, "Hello", r, DT_SINGLELINE | DT_CALCRECT), h);
    EXPECT_EQ(r, Rect(5, 7, 5 + W("Hello"), 7 + h));
    EXPECT_TRUE(dc.Texts.empty());

    r = TRect(0, 0, W("aaa bbb"), 0);
    EXPECT_EQ(DrawText(&dc, "aaa bbb ccc", r, DT_WORDBREAK | DT_CALCRECT), 2 * h);
    EXPECT_EQ(r, Rect(0, 0, W("aaa bbb"), 2 * h));
    // A word wider than the rectangle widens it.
    r = TRect(0, 0, 5, 0);
    DrawText(&dc, "wide word", r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(r.Right, std::max(W("wide"), W("word")));
    // Empty text is zero-sized.
    r = TRect(3, 3, 50, 50);
    EXPECT_EQ(DrawText(&dc, "", r, DT_CALCRECT), 0);
    EXPECT_EQ(r, Rect(3, 3, 3, 3));
}

TEST_F(DrawTextTest, PrefixesUnderlineAndDoubleAmpersandIsLiteral) {
    TRect r(10, 0, 300, 20);
    DrawText(&dc, "&File && Edit", r, DT_SINGLELINE);
    ASSERT_EQ(dc.Texts.size(), 1u);
    EXPECT_EQ(dc.Texts[0].Text, "File & Edit");
    ASSERT_EQ(dc.Fills.size(), 1u);
    const int uy = tm.tmAscent + 1;
    EXPECT_EQ(dc.Fills[0], Rect(10, uy, 10 + W("F"), uy + 1));

    dc.Texts.clear();
    dc.Fills.clear();
    DrawText(&dc, "Save &as", r, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_EQ(dc.Texts[0].Text, "Save as");
    EXPECT_TRUE(dc.Fills.empty());

    dc.Texts.clear();
    DrawText(&dc, "&File", r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(dc.Texts[0].Text, "&File");
}

TEST_F(DrawTextTest, MarginsAndTabs) {
    TDrawTextParams p;
    p.iLeftMargin = 4;
    p.iRightMargin = 6;
    TRect r(0, 0, 100, 20);
    DrawTextEx(&dc, "x", r, DT_SINGLELINE | DT_RIGHT, &p);
    EXPECT_EQ(dc.Texts[0].X, 100 - 6 - W("x"));
    r = TRect(0, 0, 100, 20);
    DrawTextEx(&dc, "ab", r, DT_SINGLELINE | DT_CALCRECT, &p);
    EXPECT_EQ(r.Right, 4 + W("ab") + 6);

    dc.Texts.clear();
    r = TRect(0, 0, 300, 20);
    DrawText(&dc, "a\tb", r, DT_SINGLELINE | DT_EXPANDTABS);
    const int tab = 8 * tm.tmAveCharWidth;
    EXPECT_EQ(dc.Texts, (std::vector<RecordingDC::Out>{{0, 0, "a"}, {tab, 0, "b"}}));
}

TEST(DrawTextPixels, ClipsToTheRectangleUnlessNoClip) {
    TBitmap bmp;
    bmp.SetSize(60, 20);
    TCanvas* c = bmp.Canvas();
    c->Font()->SetHeight(-16);
    c->Font()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);  // opaque background in the rectangle's clip
    TRect r(0, 0, 10, 20);
    DrawText(c->Handle(), "WWWWWW", r, DT_SINGLELINE);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 60; ++x) ASSERT_EQ(c->Pixels(x, y), clWhite) << x << "," << y;
    DrawText(c->Handle(), "WWWWWW", r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(c->Pixels(12, 0), clRed);
}

TEST(DrawEdgePixels, ClassicColoursAndAdjust) {
    TBitmap bmp;
    bmp.SetSize(20, 20);
    HDC dc = bmp.Canvas()->Handle();
    auto px = [&](int x, int y) { return COLORREF(bmp.Canvas()->Pixels(x, y)); };
    TRect r(0, 0, 10, 10);
    DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(px(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(px(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(px(9, 9), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(px(9, 0), GetSysColor(COLOR_3DDKSHADOW));  // the top-right corner belongs to the dark side
    EXPECT_EQ(px(8, 8), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(px(5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(px(10, 5), 0xFFFFFFu);
    EXPECT_EQ(r, Rect(2, 2, 8, 8));

    r = TRect(10, 10, 20, 20);
    DrawEdge(dc, r, EDGE_SUNKEN, BF_TOP | BF_LEFT);
    EXPECT_EQ(px(10, 10), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(px(11, 11), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(px(19, 19), 0xFFFFFFu);
}

TEST(DrawFrameControlPixels, CheckMarkOnlyWhenChecked) {
    TBitmap bmp;
    bmp.SetSize(13, 26);
    HDC dc = bmp.Canvas()->Handle();
    DrawFrameControl(dc, Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK);
    DrawFrameControl(dc, Rect(0, 13, 13, 26), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    auto count = [&](int top, COLORREF col) {
        int n = 0;
        for (int y = top + 2; y < top + 11; ++y)
            for (int x = 2; x < 11; ++x) n += COLORREF(bmp.Canvas()->Pixels(x, y)) == col;
        return n;
    };
    EXPECT_EQ(count(0, GetSysColor(COLOR_WINDOWTEXT)), 0);
    EXPECT_EQ(count(0, GetSysColor(COLOR_WINDOW)), 81);
    EXPECT_EQ(count(13, GetSysColor(COLOR_WINDOWTEXT)), 21);  // seven columns of three
    EXPECT_EQ(COLORREF(bmp.Canvas()->Pixels(0, 13)), GetSysColor(COLOR_BTNSHADOW));

    TBitmap arrow;
    arrow.SetSize(16, 16);
    DrawFrameControl(arrow.Canvas()->Handle(), Rect(0, 0, 16, 16), DFC_SCROLL, DFCS_SCROLLDOWN);
    int ink = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ink += COLORREF(arrow.Canvas()->Pixels(x, y)) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(ink, 3);
}
