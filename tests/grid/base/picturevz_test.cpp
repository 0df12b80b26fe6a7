// Pictures placed in a rectangle and pictures read from blob fields: a BMP made by ImageMagick
// (or by our own writer when it is not installed), a PNG where a bitmap is expected, blobs with
// and without the framework's graphic header.
#include "grid/base/picturevz.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

// A 200 x 100 BMP: ImageMagick's when it is installed, else the framework's bitmap writer.
QByteArray Bmp200x100() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.bmp"));
    const QString cmd = QStringLiteral("convert -size 200x100 xc:red BMP3:%1 >/dev/null 2>&1").arg(path);
    if (std::system(cmd.toLocal8Bit().constData()) == 0) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) return f.readAll();
    }
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(200, 100);
    TMemoryStream s;
    b.SaveToStream(&s);
    return QByteArray(static_cast<const char*>(s.Memory()), static_cast<int>(s.Size()));
}

QByteArray Png(int W, int H) {
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return data;
}

TBytes ToBytes(const QByteArray& A) { return TBytes(A.begin(), A.end()); }

class PictureFieldVz : public ::testing::Test {
protected:
    void SetUp() override {
        Ds = New<TTestTableDataSet>(nullptr);
        Ds->FieldDefs()->Add(u"PIC"_S, ftGraphic);
        Ds->FieldDefs()->Add(u"NAME"_S, ftString, 20);
        Ds->CreateDataSet();
    }
    void TearDown() override { Ds->Free(); }
    TField* Store(const QByteArray& Data) {
        Ds->Append();
        Ds->FieldByName(u"PIC"_S)->SetAsBytes(ToBytes(Data));
        Ds->Post();
        return Ds->FieldByName(u"PIC"_S);
    }
    TTestTableDataSet* Ds = nullptr;
};

}  // namespace

TEST(PictureVz, PlacementsInARectangle) {
    TPictureVz pic;
    TBitmap b;
    b.SetSize(200, 100);
    pic.SetGraphic(&b);
    struct Case {
        TImagePlacementVz Placement;
        TRect Box;
        TRect Expected;
    };
    const Case cases[] = {
        {ipFitVz, TRect(0, 0, 100, 100), TRect(0, 25, 100, 75)},
        {ipFitVz, TRect(10, 10, 410, 110), TRect(110, 10, 310, 110)},    // height-bound: centred across
        {ipFillVz, TRect(0, 0, 100, 100), TRect(-50, 0, 150, 100)},       // covers, centred across
        {ipReduceFitVz, TRect(0, 0, 100, 100), TRect(0, 25, 100, 75)},    // larger: fitted
        {ipReduceFitVz, TRect(0, 0, 300, 300), TRect(50, 100, 250, 200)}, // smaller: centred as is
        {ipStretchVz, TRect(5, 5, 25, 15), TRect(5, 5, 25, 15)},
        {ipBottomRightVz, TRect(0, 0, 300, 300), TRect(100, 200, 300, 300)},
        {ipTopCenterVz, TRect(0, 0, 301, 300), TRect(50, 0, 250, 100)},
        {ipTileVz, TRect(7, 8, 50, 50), TRect(7, 8, 207, 108)},
    };
    for (const Case& c : cases) {
        TRect r = pic.GetDestRect(c.Box, c.Placement);
        EXPECT_EQ(r, c.Expected) << "placement " << c.Placement;
    }
    TPictureVz empty;
    EXPECT_EQ(empty.GetDestRect(TRect(0, 0, 40, 30), ipFitVz), TRect(0, 0, 40, 30));
}

TEST(PictureVz, TilePaintsFromThePlacedRectangle) {
    TPictureVz pic;
    TBitmap tile;
    tile.SetSize(10, 10);
    tile.Canvas()->Brush()->SetColor(clRed);
    tile.Canvas()->FillRect(TRect(0, 0, 10, 10));
    pic.SetGraphic(&tile);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(40, 30);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(TRect(0, 0, 40, 30));
    pic.PaintTo(target.Canvas(), TRect(5, 5, 32, 22), ipTileVz);
    QImage img = target.Image();
    EXPECT_EQ(img.pixelColor(4, 4), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(34, 24), QColor(Qt::red));  // the last tiles overhang: the caller clips
    EXPECT_EQ(img.pixelColor(36, 26), QColor(Qt::white));
}

TEST(GraphicProviderVz, BitmapsAreRecognisedByTheirFirstBytes) {
    EXPECT_EQ(GetGraphicProviderCountVz(), 1);
    const Byte bm[] = {'B', 'M', 0, 0};
    const Byte png[] = {0x89, 'P', 'N', 'G'};
    EXPECT_EQ(GetGraphicClassForStreamVz(bm, 4), TBitmap::StaticClass());
    EXPECT_EQ(GetGraphicClassForStreamVz(png, 4), nullptr);
    EXPECT_EQ(GetGraphicClassForStreamVz(bm, 1), nullptr);  // a provider reads no further than given
    EXPECT_EQ(GetGraphicClassForStreamVz(nullptr, 0), nullptr);
    RegisterGraphicProviderVz<TBMPGraphicProviderVz>();  // already there
    EXPECT_EQ(GetGraphicProviderCountVz(), 1);
}

TEST_F(PictureFieldVz, ABmpBlobFittedIntoABoxLandsCentred) {
    TField* f = Store(Bmp200x100());
    TOwned<TGraphic> g = GetGraphicFromFieldVz(f);
    ASSERT_TRUE(g);
    EXPECT_TRUE(g->Is<TBitmap>());
    EXPECT_EQ(g->Width(), 200);
    EXPECT_EQ(g->Height(), 100);
    TPictureVz pic;
    AssignPictureFromFieldVz(f, &pic);
    EXPECT_EQ(pic.GetDestRect(TRect(0, 0, 100, 100), ipFitVz), TRect(0, 25, 100, 75));  // 100x50+0+25
}

TEST_F(PictureFieldVz, UnreadableOrForeignDataGivesAnEmptyPicture) {
    for (const QByteArray& data : {Png(20, 10), QByteArray("BM\x01\x02 broken", 11), QByteArray()}) {
        TField* f = Store(data);
        TOwned<TGraphic> g = GetGraphicFromFieldVz(f);
        ASSERT_TRUE(g);
        EXPECT_TRUE(g->Empty());
        TOwned<TPicture> p = CreatePictureFromFieldVz(f);
        EXPECT_EQ(p->Width(), 0);
    }
    EXPECT_FALSE(GetGraphicFromFieldVz(nullptr));
    EXPECT_FALSE(GetGraphicFromFieldVz(Ds->FieldByName(u"NAME"_S)));  // not a blob
}

TEST_F(PictureFieldVz, TheGraphicHeaderIsSkippedOnlyWhenItsSizeMatches) {
    const QByteArray bmp = Bmp200x100();
    auto header = [](quint32 Size) {
        QByteArray h(8, '\0');
        h[0] = 1;
        h[3] = 1;
        for (int i = 0; i < 4; ++i) h[4 + i] = char((Size >> (8 * i)) & 0xFF);
        return h;
    };
    TOwned<TGraphic> g = GetGraphicFromFieldVz(Store(header(quint32(bmp.size())) + bmp));
    EXPECT_EQ(g->Width(), 200);
    // A header whose size does not match is data: read from the first byte, not a bitmap.
    g = GetGraphicFromFieldVz(Store(header(quint32(bmp.size() + 1)) + bmp));
    EXPECT_TRUE(g->Empty());
}
