#include "platform/gui/metafile.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::vector<unsigned> Types(const QByteArray& Data) {
    std::vector<unsigned> t;
    EXPECT_TRUE(EnumEnhMetaFile(Data, [&](const TEnhMetaRecord& R) {
        t.push_back(R.Type);
        return true;
    }));
    return t;
}

std::vector<TEnhMetaText> Texts(const QByteArray& Data) {
    std::vector<TEnhMetaText> out;
    EnumEnhMetaFile(Data, [&](const TEnhMetaRecord& R) {
        TEnhMetaText t;
        if (DecodeExtTextOutW(R, t)) out.push_back(t);
        return true;
    });
    return out;
}

TLogFont Arial(int Height) {
    TLogFont f;
    f.lfFaceName = QStringLiteral("Arial");
    f.lfHeight = Height;
    f.lfCharSet = RUSSIAN_CHARSET;
    return f;
}

// A drawing that uses every kind of shape and state the recorder writes, through a canvas and
// its handle. Text is left out: its pixels depend on the glyph-by-glyph placement.
void PaintScene(TCanvas* C) {
    C->Brush()->SetColor(clYellow);
    C->FillRect(Rect(0, 0, 200, 100));
    C->Pen()->SetColor(clRed);
    C->MoveTo(5, 5);
    C->LineTo(150, 60);
    C->Pen()->SetWidth(3);
    C->Pen()->SetColor(clGreen);
    C->Polyline({Point(10, 90), Point(60, 70), Point(110, 95)});
    C->Pen()->SetWidth(1);
    C->Pen()->SetColor(clBlack);
    C->Brush()->SetColor(clBlue);
    C->Rectangle(20, 20, 70, 50);
    C->Brush()->SetColor(clLime);
    C->Polygon({Point(120, 10), Point(190, 10), Point(160, 45)});
    C->Brush()->SetStyle(bsClear);
    C->Ellipse(80, 60, 130, 90);
    C->Brush()->SetColor(clFuchsia);
    C->FrameRect(Rect(140, 70, 190, 95));
    HDC dc = C->Handle();
    // State saved and restored around a clipped fill.
    dc->SaveDC();
    dc->IntersectClipRect(TRect(30, 30, 60, 45));
    TLogBrush teal;
    teal.lbColor = ColorToRGB(clTeal);
    dc->FillRect(TRect(0, 0, 200, 100), teal);
    dc->RestoreDC(-1);
    dc->ExcludeClipRect(TRect(170, 0, 200, 30));
    TLogBrush navy;
    navy.lbColor = ColorToRGB(clNavy);
    dc->FillRect(TRect(160, 20, 200, 40), navy);
    dc->SelectClipRgn(nullptr);
    TBitmap pic;
    pic.SetSize(8, 4);
    pic.Canvas()->Brush()->SetColor(clMaroon);
    pic.Canvas()->FillRect(Rect(0, 0, 4, 4));
    C->StretchDraw(Rect(172, 50, 188, 58), &pic);
}

QImage Direct() {
    TBitmap b;
    b.SetSize(200, 100);
    PaintScene(b.Canvas());
    return b.Image();
}

// The drawing recorded at 96 dpi over a 200 x 100 frame.
void Record(TMetafile& Mf) {
    TMeasureDC ref(96, TSize(200, 100));
    Mf.SetWidth(200);
    Mf.SetHeight(100);
    TMetafileCanvas c(&Mf, &ref);
    PaintScene(&c);
}

}  // namespace

TEST(Metafile, RecordsStateAndShapesInOrderWithUtf16Text) {
    TMetafileDC dc(96, 96, TSize(400, 300));
    dc.SelectFont(Arial(-13));
    dc.SetTextColor(0x0000FF);
    dc.SetBkMode(TRANSPARENT);
    dc.Rectangle(TRect(1, 2, 30, 40));
    const String text = QStringLiteral("Итого: 42 ₽");
    dc.ExtTextOut(10, 20, 0, nullptr, text);
    const int dx[] = {7, 8, 9};
    const TRect clip(100, 100, 120, 115);
    dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
    dc.ExtTextOut(110, 112, ETO_CLIPPED, &clip, QStringLiteral("Цех"), dx);
    QByteArray emf = dc.Finish();

    std::vector<unsigned> expected = {EMR_HEADER,      EMR_EXTCREATEFONTINDIRECTW, EMR_SELECTOBJECT,
                                      EMR_SETTEXTCOLOR, EMR_SETBKMODE,             EMR_RECTANGLE,
                                      EMR_EXTTEXTOUTW, EMR_SETTEXTALIGN,           EMR_EXTTEXTOUTW,
                                      EMR_SELECTOBJECT, EMR_DELETEOBJECT,          EMR_EOF};
    EXPECT_EQ(Types(emf), expected);

    std::vector<TEnhMetaText> t = Texts(emf);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].Text, text);
    EXPECT_EQ(t[0].Reference, TPoint(10, 20));
    ASSERT_EQ(int(t[0].Dx.size()), int(text.size()));
    int sum = 0;
    for (int d : t[0].Dx) sum += d;
    EXPECT_NEAR(sum, dc.GetTextExtent(text).cx, 1);  // the font was measured, not left at zero
    EXPECT_EQ(t[1].Text, QStringLiteral("Цех"));
    EXPECT_EQ(t[1].Reference, TPoint(110, 112));
    EXPECT_EQ(t[1].Options, ETO_CLIPPED);
    EXPECT_EQ(t[1].Rect, clip);
    EXPECT_EQ(t[1].Dx, (std::vector<int>{7, 8, 9}));
}

TEST(Metafile, HeaderAgreesWithTheContent) {
    TMetafileDC dc(300, 300, TSize(2480, 3508));  // A4 at 300 dpi
    TLogPen red;
    red.lopnColor = 0x0000FF;
    dc.SelectPen(red);
    dc.Rectangle(TRect(100, 200, 300, 400));
    dc.SelectPen(TLogPen());  // back to the stock black pen: one object only
    dc.Ellipse(TRect(50, 60, 70, 80));
    const TRect frame(0, 0, 21000, 29700);
    QByteArray emf = dc.Finish(&frame);

    TEnhMetaHeader h;
    ASSERT_TRUE(GetEnhMetaFileHeader(emf, h));
    EXPECT_EQ(h.nBytes, std::uint32_t(emf.size()));
    EXPECT_EQ(h.nRecords, Types(emf).size());
    EXPECT_EQ(h.nHandles, 2);
    EXPECT_EQ(h.rclBounds, TRect(50, 60, 299, 399));
    EXPECT_EQ(h.rclFrame, frame);
    EXPECT_EQ(h.szlDevice, TSize(2480, 3508));
    EXPECT_EQ(h.szlMillimeters, TSize(210, 297));
    EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));

    TMetafile mf;
    mf.SetData(emf);
    EXPECT_EQ(mf.MMWidth(), 21000);
    EXPECT_EQ(mf.Width(), 794);  // 210 mm at 96 per inch

    // A cut-off or damaged metafile is refused, not half-read.
    EXPECT_THROW(mf.SetData(emf.left(emf.size() - 20)), EInvalidGraphic);
    QByteArray bad = emf;
    bad[108 + 4] = 3;  // first record's size not a multiple of four
    EXPECT_FALSE(EnumEnhMetaFile(bad, {}));
    EXPECT_THROW(mf.SetData(bad), EInvalidGraphic);
    EXPECT_EQ(mf.Data(), emf);
}

TEST(Metafile, ReplayMatchesDirectDrawing) {
    TMetafile mf;
    Record(mf);
    ASSERT_FALSE(mf.Empty());
    EXPECT_EQ(mf.Width(), 200);
    EXPECT_EQ(mf.Height(), 100);

    TBitmap b;
    b.SetSize(200, 100);
    b.Canvas()->Draw(0, 0, &mf);
    QImage direct = Direct(), played = b.Image();
    int differ = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (direct.pixel(x, y) != played.pixel(x, y)) ++differ;
    EXPECT_EQ(differ, 0);
    // Spot checks that the drawing is really there.
    EXPECT_EQ(b.Canvas()->Pixels(40, 25), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(40, 40), clTeal);   // the clipped fill
    EXPECT_EQ(b.Canvas()->Pixels(40, 47), clBlue);   // outside its clip
    EXPECT_EQ(b.Canvas()->Pixels(165, 25), clNavy);
    EXPECT_EQ(b.Canvas()->Pixels(195, 25), clYellow);  // excluded
    EXPECT_EQ(b.Canvas()->Pixels(174, 54), clMaroon);
    EXPECT_EQ(b.Canvas()->Pixels(185, 54), clWhite);
}

TEST(Metafile, ReplayScalesTheFrameOntoTheDestination) {
    TMetafile mf;
    Record(mf);
    TBitmap b;
    b.SetSize(420, 220);
    b.Canvas()->StretchDraw(Rect(10, 10, 410, 210), &mf);  // twice the size, moved by 10
    EXPECT_EQ(b.Canvas()->Pixels(5, 5), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(10 + 2 * 40, 10 + 2 * 25), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(10 + 2 * 40, 10 + 2 * 40), clTeal);
    EXPECT_EQ(b.Canvas()->Pixels(10 + 2 * 195, 10 + 2 * 25), clYellow);
    EXPECT_EQ(b.Canvas()->Pixels(409, 209), clYellow);
    EXPECT_EQ(b.Canvas()->Pixels(411, 211), clWhite);

    // Text lands where it was recorded, scaled the same way.
    TMetafile t;
    {
        TMeasureDC ref(96, TSize(200, 100));
        t.SetWidth(200);
        t.SetHeight(100);
        TMetafileCanvas c(&t, &ref);
        c.Font()->SetColor(clBlack);
        c.Brush()->SetStyle(bsClear);
        c.TextOut(50, 40, QStringLiteral("Ж"));
    }
    TBitmap tb;
    tb.SetSize(400, 200);
    tb.Canvas()->StretchDraw(Rect(0, 0, 400, 200), &t);
    QImage img = tb.Image();
    QRect ink;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x)
            if (qGray(img.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.left(), 100, 4);
    EXPECT_GE(ink.top(), 80);
    EXPECT_LT(ink.bottom(), 80 + 2 * 16);
}

TEST(Metafile, StreamRoundTripIsByteIdentical) {
    TMetafile mf;
    Record(mf);
    TMemoryStream s;
    s.Write("xx", 2);  // the metafile starts inside the stream
    mf.SaveToStream(&s);
    s.Write("tail", 4);  // and is followed by other data
    s.SetPosition(2);
    TMetafile back;
    back.LoadFromStream(&s);
    EXPECT_EQ(back.Data(), mf.Data());
    EXPECT_EQ(s.Position(), 2 + mf.Data().size());
    EXPECT_EQ(back.MMWidth(), mf.MMWidth());
    EXPECT_EQ(back.MMHeight(), mf.MMHeight());
    TMemoryStream again;
    back.SaveToStream(&again);
    QByteArray bytes(static_cast<const char*>(again.Memory()), qsizetype(again.Size()));
    EXPECT_EQ(bytes, mf.Data());

    TMemoryStream junk;
    junk.Write("not a metafile at all, just some text that is long enough for a header "
               "to be read from it without running short",
               110);
    junk.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(&junk), EInvalidGraphic);
    EXPECT_EQ(back.Data(), mf.Data());  // unchanged by the failed load
}

TEST(Metafile, CanvasWithoutSizeTakesTheDrawnBoundsAsFrame) {
    TMetafile mf;
    {
        TMetafileCanvas c(&mf, nullptr);
        c.Brush()->SetColor(clRed);
        c.FillRect(Rect(10, 20, 58, 44));
    }
    EXPECT_EQ(mf.Width(), 48);
    EXPECT_EQ(mf.Height(), 24);
    TBitmap b;
    b.SetSize(48, 24);
    b.Canvas()->Draw(0, 0, &mf);  // the frame starts at the drawing's corner
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(47, 23), clRed);
    QImage img = mf.ToImage();
    ASSERT_EQ(img.size(), QSize(48, 24));
    EXPECT_EQ(img.pixel(3, 3), qRgb(255, 0, 0));
}

namespace {

void Put32(QByteArray& B, qsizetype At, std::uint32_t V) {
    for (int i = 0; i < 4; ++i) B[At + i] = char(V >> (8 * i));
}

// Offset of the first record of Type in Data, -1 when there is none.
qsizetype RecordAt(const QByteArray& Data, unsigned Type) {
    qsizetype at = -1;
    EnumEnhMetaFile(Data, [&](const TEnhMetaRecord& R) {
        if (R.Type != Type) return true;
        at = R.Bytes.data() - Data.constData();
        return false;
    });
    return at;
}

}  // namespace

// A header whose byte count the stream cannot hold is refused before the buffer is sized by it.
TEST(MetafileDamaged, ByteCountBeyondTheStreamIsRefused) {
    auto mf = NewOwned<TMetafile>();
    Record(*mf);
    QByteArray bytes = mf->Data();
    const QByteArray kept = bytes;
    for (std::uint32_t claim : {0x7FFFFFF0u, 0x10000000u, std::uint32_t(bytes.size() + 4)}) {
        QByteArray bad = bytes.left(88);
        Put32(bad, 48, claim);
        auto s = NewOwned<TMemoryStream>();
        s->Write(bad.constData(), Integer(bad.size()));
        s->SetPosition(0);
        EXPECT_THROW(mf->LoadFromStream(s.get()), EInvalidGraphic) << claim;
        EXPECT_EQ(mf->Data(), kept);
    }
}

// Playing a bitmap record whose source rectangle reaches far outside its bitmap onto a recorder
// records only the bitmap's pixels, not a copy as large as the rectangle.
TEST(MetafileDamaged, ReRecordedBitmapKeepsToItsPixels) {
    QImage px(4, 4, QImage::Format_RGB32);
    px.fill(Qt::red);
    TMetafileDC rec(96, 96, TSize(200, 100));
    rec.StretchBlt(TRect(0, 0, 40, 40), px, TRect(0, 0, 4, 4));
    QByteArray data = rec.Finish();
    const qsizetype at = RecordAt(data, EMR_STRETCHDIBITS);
    ASSERT_GT(at, 0);
    struct Case {
        int X, Y, Cx, Cy;
    } cases[] = {{0, 0, 30000, 30000}, {-20000, -20000, 30000, 30000}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                 {1, 1, 2, 2}};
    for (const Case& c : cases) {
        QByteArray bad = data;
        Put32(bad, at + 32, std::uint32_t(c.X));
        Put32(bad, at + 36, std::uint32_t(c.Y));
        Put32(bad, at + 40, std::uint32_t(c.Cx));
        Put32(bad, at + 44, std::uint32_t(c.Cy));
        TMetafileDC again(96, 96, TSize(200, 100));
        EXPECT_TRUE(PlayEnhMetaFile(&again, bad, TRect(0, 0, 200, 100)));
        const QByteArray out = again.Finish();
        EXPECT_LT(out.size(), 1024) << c.X << " " << c.Cx;
    }
}

// Coordinates at the ends of the int range, in the recorder, in the records and in the frame:
// no arithmetic overflows (the sanitizers would stop the test), and an image of the picture has
// a sane size.
TEST(MetafileDamaged, CoordinatesAtTheEndsOfTheRangeAreClamped) {
    const int lo = INT_MIN, hi = INT_MAX;
    TMetafileDC rec(96, 96, TSize(200, 100));
    TLogPen wide;
    wide.lopnWidth = hi;
    rec.SelectPen(wide);
    rec.Rectangle(TRect(lo, lo, hi, hi));
    rec.MoveTo(TPoint(lo, lo));
    rec.LineTo(TPoint(hi, hi));
    const TPoint pts[] = {{lo, hi}, {hi, lo}, {hi, hi}};
    rec.Polyline(pts, 3);
    rec.Polygon(pts, 3);
    rec.SetPixel(TPoint(hi, hi), 0);
    rec.RoundRect(TRect(lo, lo, hi, hi), hi, hi);
    rec.Ellipse(TRect(hi - 1, hi - 1, hi, hi));
    const int dx[] = {hi, hi, hi};
    rec.SetTextAlign(TA_CENTER | TA_BOTTOM);
    rec.ExtTextOut(hi, hi, ETO_OPAQUE, nullptr, QStringLiteral("abc"), dx);
    rec.SetWindowOrg(TPoint(lo, lo));
    rec.SetViewportOrg(TPoint(hi, hi));
    rec.LineTo(TPoint(hi, lo));
    rec.FillRect(TRect(lo, lo, hi, hi), TLogBrush());
    QImage px(2, 2, QImage::Format_RGB32);
    px.fill(Qt::blue);
    rec.StretchBlt(TRect(lo, lo, hi, hi), px, TRect(lo, lo, hi, hi));
    const TRect frame(lo, lo, hi, hi);
    QByteArray data = rec.Finish(&frame);

    auto mf = NewOwned<TMetafile>();
    mf->SetData(data);
    EXPECT_EQ(mf->MMWidth(), hi);
    const QImage img = mf->ToImage();
    EXPECT_LE(qint64(img.width()) * img.height(), 32 * 1024 * 1024);
    EXPECT_LE(img.width(), 16384);

    auto b = NewOwned<TBitmap>();
    b->SetSize(100, 100);
    EXPECT_TRUE(PlayEnhMetaFile(b->Canvas()->Handle(), data, TRect(0, 0, 100, 100)));
    EXPECT_TRUE(PlayEnhMetaFile(b->Canvas()->Handle(), data, TRect(lo, lo, hi, hi)));
    TMetafileDC again(96, 96, TSize(200, 100));
    EXPECT_TRUE(PlayEnhMetaFile(&again, data, TRect(lo, lo, hi, hi)));
    EXPECT_FALSE(again.Finish().isEmpty());

    // A frame so small that the scale becomes enormous.
    QByteArray tiny = data;
    for (int i = 0; i < 4; ++i) Put32(tiny, 24 + 4 * i, std::uint32_t(i < 2 ? 0 : 1));
    EXPECT_TRUE(PlayEnhMetaFile(b->Canvas()->Handle(), tiny, TRect(0, 0, 100, 100)));
}
