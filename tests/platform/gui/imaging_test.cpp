#include "platform/gui/imaging.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A 16x8 bitmap: left half red, right half blue.
void PaintStripes(TBitmap& b) {
    b.SetSize(16, 8);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 8, 8));
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(8, 0, 16, 8));
}

bool Near(TColor a, TColor b, int tol) {
    COLORREF x = ColorToRGB(a), y = ColorToRGB(b);
    return std::abs(GetRValue(x) - GetRValue(y)) <= tol && std::abs(GetGValue(x) - GetGValue(y)) <= tol &&
           std::abs(GetBValue(x) - GetBValue(y)) <= tol;
}

}  // namespace

TEST(ImagingBitmap, ResizeKeepsThePictureAndFillsWhite) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    PaintStripes(b);
    b.SetSize(20, 10);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(15, 7), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(19, 9), clWhite);
    b.Canvas()->SetPixels(19, 9, clLime);  // the canvas draws on the new image
    EXPECT_EQ(b.Canvas()->Pixels(19, 9), clLime);
}

TEST(ImagingBitmap, BmpRoundTripKeepsPixelsAndFormat) {
    QTemporaryDir dir;
    const String file = dir.filePath("pic.bmp");
    for (TPixelFormat pf : {pf24bit, pf32bit}) {
        TBitmap b;
        b.SetPixelFormat(pf);
        PaintStripes(b);
        b.SaveToFile(file);
        TBitmap c;
        c.LoadFromFile(file);
        EXPECT_EQ(c.Width(), 16);
        EXPECT_EQ(c.Height(), 8);
        EXPECT_EQ(c.PixelFormat(), pf);
        EXPECT_EQ(c.Canvas()->Pixels(1, 1), clRed);
        EXPECT_EQ(c.Canvas()->Pixels(9, 7), clBlue);
    }
    TMemoryStream junk;
    junk.Write("nonsense", 8);
    junk.SetPosition(0);
    TBitmap d;
    EXPECT_THROW(d.LoadFromStream(&junk), EInvalidGraphic);
}

TEST(ImagingBitmap, ScanLineWritesAreSeenByTheCanvas) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 2);
    auto* row = static_cast<Byte*>(b.ScanLine(1));
    row[3] = 0x11;  // pixel 1: B, G, R
    row[4] = 0x22;
    row[5] = 0x33;
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), TColor(RGB(0x33, 0x22, 0x11)));
    b.SetPixelFormat(pf8bit);
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
}

TEST(ImagingBitmap, TransparentBitmapLeavesItsKeyColourOut) {
    TBitmap sprite;
    sprite.SetSize(4, 4);
    sprite.Canvas()->Brush()->SetColor(clFuchsia);
    sprite.Canvas()->FillRect(Rect(0, 0, 4, 4));
    sprite.Canvas()->SetPixels(1, 1, clNavy);
    sprite.SetTransparent(true);
    EXPECT_EQ(sprite.TransparentColor(), clFuchsia);  // the bottom-left pixel's colour
    TBitmap dest;
    dest.SetSize(4, 4);
    dest.Canvas()->Draw(0, 0, &sprite);
    EXPECT_EQ(dest.Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(dest.Canvas()->Pixels(1, 1), clNavy);
}

TEST(ImagingJpeg, EncodeDecodeRoundTripAndQuality) {
    TBitmap b;
    b.SetSize(64, 32);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 32, 32));
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(32, 0, 64, 32));
    for (int x = 0; x < 64; x += 2) b.Canvas()->SetPixels(x, 31, clLime);  // detail for the size check

    TJPEGImage j;
    j.Assign(&b);
    j.SetCompressionQuality(95);
    TMemoryStream hi;
    j.SaveToStream(&hi);
    j.SetCompressionQuality(10);
    TMemoryStream lo;
    j.SaveToStream(&lo);
    EXPECT_LT(lo.Size(), hi.Size());

    hi.SetPosition(0);
    TJPEGImage k;
    k.LoadFromStream(&hi);
    EXPECT_EQ(k.Width(), 64);
    EXPECT_EQ(k.Height(), 32);
    TBitmap back;
    back.Assign(&k);
    EXPECT_TRUE(Near(back.Canvas()->Pixels(10, 10), clRed, 12));
    EXPECT_TRUE(Near(back.Canvas()->Pixels(50, 10), clBlue, 12));

    TMemoryStream broken;
    broken.Write("\xFF\xD8\xFF\xE0garbage", 11);
    broken.SetPosition(0);
    TJPEGImage bad;
    EXPECT_THROW(bad.LoadFromStream(&broken), EInvalidGraphic);
}

namespace {

// A noisy picture encoded by our own writer (noise, so the data is not tiny).
QByteArray NoisyJpeg(int W, int H) {
    QImage img(W, H, QImage::Format_RGB32);
    unsigned seed = 12345;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.setPixel(x, y, seed >> 8);
        }
    return TJPEGImage::Encode(img, 90);
}

// The frame header's height and width, big-endian after the marker, length and precision.
QByteArray WithDeclaredSize(QByteArray Jpeg, int W, int H) {
    int sof = Jpeg.indexOf("\xFF\xC0");
    if (sof < 0) return {};
    Jpeg[sof + 5] = char(H >> 8);
    Jpeg[sof + 6] = char(H);
    Jpeg[sof + 7] = char(W >> 8);
    Jpeg[sof + 8] = char(W);
    return Jpeg;
}

void LoadBytes(TGraphic* G, const QByteArray& Bytes) {
    auto ms = NewOwned<TMemoryStream>();
    ms->Write(Bytes.constData(), Integer(Bytes.size()));
    ms->SetPosition(0);
    G->LoadFromStream(ms.get());
}

}  // namespace

// Damaged files are refused before anything is allocated for what they claim, and the picture
// loaded before stays.
TEST(ImagingJpeg, DamagedFilesAreRefusedAndThePictureStays) {
    const QByteArray small = NoisyJpeg(16, 16);
    const QByteArray good = NoisyJpeg(200, 120);
    auto j = NewOwned<TJPEGImage>();
    LoadBytes(j.get(), good);
    ASSERT_EQ(j->Width(), 200);

    struct Case {
        QByteArray Bytes;
        const char* Why;
    } cases[] = {
        {WithDeclaredSize(small, 65000, 65000), "a few hundred bytes declaring 65000 x 65000"},
        {WithDeclaredSize(small, 4000, 4000), "more pixels than the bytes can code"},
        {WithDeclaredSize(good, 30000, 30000), "a sane file size, an insane picture"},
        {good.left(good.size() / 2), "cut in the middle of the scan"},
        {good.left(good.indexOf("\xFF\xDA") + 20), "cut right after the scan header"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.Bytes.isEmpty()) << c.Why;
        EXPECT_THROW(LoadBytes(j.get(), c.Bytes), EInvalidGraphic) << c.Why;
        EXPECT_EQ(j->Width(), 200) << c.Why;
        EXPECT_EQ(j->Height(), 120) << c.Why;
    }
}

TEST(ImagingBitmap, HeaderClaimsBeyondTheFileAreRefused) {
    auto b = NewOwned<TBitmap>();
    PaintStripes(*b);
    auto ms = NewOwned<TMemoryStream>();
    b->SaveToStream(ms.get());
    QByteArray bmp(static_cast<const char*>(ms->Memory()), int(ms->Size()));
    auto withSize = [&](int W, int H) {
        QByteArray x = bmp;
        for (int i = 0; i < 4; ++i) {
            x[18 + i] = char(W >> (8 * i));
            x[22 + i] = char(H >> (8 * i));
        }
        return x;
    };
    for (auto [w, h] : {std::pair{8000, 8000}, {16, 100000}, {-70000, 8}, {100, -100}}) {
        EXPECT_THROW(LoadBytes(b.get(), withSize(w, h)), EInvalidGraphic) << w << " x " << h;
        EXPECT_EQ(b->Width(), 16);
    }
    LoadBytes(b.get(), withSize(16, -8));  // top-down rows are fine
    EXPECT_EQ(b->Height(), 8);
}

TEST(ImagingPicture, LoadChoosesTheKindBySignature) {
    QTemporaryDir dir;
    TBitmap b;
    PaintStripes(b);
    TJPEGImage j;
    j.Assign(&b);
    const String misnamed = dir.filePath("photo.bmp");  // JPEG bytes under a .bmp name
    j.SaveToFile(misnamed);

    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    pic.LoadFromFile(misnamed);
    ASSERT_NE(pic.Graphic(), nullptr);
    EXPECT_TRUE(pic.Graphic()->Is<TJPEGImage>());
    EXPECT_EQ(pic.Width(), 16);
    EXPECT_EQ(changes, 1);

    // Bitmap() turns the picture into a bitmap; drawing on it reports a change.
    TBitmap* pb = pic.Bitmap();
    pb->SetSize(3, 3);
    int before = changes;
    pb->Canvas()->SetPixels(0, 0, clRed);
    EXPECT_GT(changes, before);

    const String unknown = dir.filePath("data.xyz");
    {
        TFileStream fs(unknown, fmCreate);
        fs.Write("hello world", 11);
    }
    try {
        pic.LoadFromFile(unknown);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
    }
}

TEST(ImagingPicture, AssignCopiesAndRegistryAcceptsNewKinds) {
    TBitmap b;
    PaintStripes(b);
    TPicture a, c;
    a.SetGraphic(&b);
    EXPECT_NE(a.Graphic(), &b);  // a copy
    c.Assign(&a);
    EXPECT_TRUE(c.Graphic()->Is<TBitmap>());
    EXPECT_EQ(c.Width(), 16);

    // An icon-like kind registered for a signature of its own.
    TPicture::RegisterFileFormat("tst", "Test", TIcon::StaticClass(), [] { return static_cast<TGraphic*>(New<TIcon>()); },
                                 [](const QByteArray& h) { return h.startsWith("\x89PNG"); });
    EXPECT_TRUE(TPicture::GraphicFilter().contains("*.tst"));
    QTemporaryDir dir;
    const String png = dir.filePath("icon.png");
    ASSERT_TRUE(b.Image().save(png, "PNG"));
    TPicture p;
    p.LoadFromFile(png);
    EXPECT_TRUE(p.Graphic()->Is<TIcon>());
    TPicture::UnregisterGraphicClass(TIcon::StaticClass());
    EXPECT_FALSE(TPicture::GraphicFilter().contains("*.tst"));
    TPicture::RegisterFileFormat("ico", "Icons", TIcon::StaticClass(), [] { return static_cast<TGraphic*>(New<TIcon>()); },
                                 [](const QByteArray& h) { return h.startsWith(QByteArray("\0\0\1\0", 4)); });
}

TEST(ImagingImageList, AddMaskedDrawAndChangeLinks) {
    auto il = NewOwned<TImageList>(nullptr);
    il->SetWidth(4);
    il->SetHeight(4);
    TChangeLink link;
    int notified = 0;
    link.OnChange = [&](TObject*) { ++notified; };
    il->RegisterChanges(&link);

    TBitmap strip;  // two images side by side on a fuchsia background
    strip.SetSize(8, 4);
    strip.Canvas()->Brush()->SetColor(clFuchsia);
    strip.Canvas()->FillRect(Rect(0, 0, 8, 4));
    strip.Canvas()->SetPixels(1, 1, clBlack);
    strip.Canvas()->SetPixels(6, 2, clRed);
    EXPECT_EQ(il->AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(il->Count(), 2);
    EXPECT_EQ(notified, 1);

    TBitmap dest;
    dest.SetSize(10, 10);
    il->Draw(dest.Canvas(), 0, 0, 1);
    EXPECT_EQ(dest.Canvas()->Pixels(2, 2), clRed);
    EXPECT_EQ(dest.Canvas()->Pixels(0, 0), clWhite);  // masked out

    il->Draw(dest.Canvas(), 5, 5, 0, false);  // disabled: embossed shadow and highlight
    EXPECT_EQ(dest.Canvas()->Pixels(6, 6), TColor(GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_EQ(dest.Canvas()->Pixels(7, 7), TColor(GetSysColor(COLOR_BTNHIGHLIGHT)));

    il->Delete(0);
    EXPECT_EQ(il->Count(), 1);
    EXPECT_EQ(notified, 2);
    il->UnRegisterChanges(&link);
    il->Clear();
    EXPECT_EQ(notified, 2);
}
