// Enhanced metafiles: the loader, the record walk, text decoding, playing onto a bitmap and
// re-recording onto a metafile recorder.
#include "fuzz/fuzz_target.h"

#include "platform/gui/metafile.h"

namespace {

void RunMetafile(const std::uint8_t* Data, std::size_t Size) {
    EnsureFuzzApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
    EnumEnhMetaFile(bytes, [](const TEnhMetaRecord& R) {
        TEnhMetaText t;
        DecodeExtTextOutW(R, t);
        return true;
    });
    auto s = NewOwned<TMemoryStream>();
    if (Size) s->WriteBuffer(Data, Integer(Size));
    s->SetPosition(0);
    auto mf = NewOwned<TMetafile>();
    mf->LoadFromStream(s.get());
    auto b = NewOwned<TBitmap>();
    b->SetSize(48, 32);
    b->Canvas()->StretchDraw(Rect(0, 0, 48, 32), mf.get());
    TMetafileDC again(96, 96, TSize(200, 100));
    PlayEnhMetaFile(&again, mf->Data(), TRect(0, 0, 200, 100));
    (void)again.Finish();
    // Images of the picture are bounded in size; small ones are cheap enough to make here.
    if (qint64(mf->Width()) * mf->Height() <= 256 * 256) (void)mf->ToImage();
}

std::vector<QByteArray> MetafileSeeds() {
    EnsureFuzzApplication();
    TMetafileDC rec(96, 96, TSize(200, 100));
    TLogPen pen;
    pen.lopnColor = 0x0000FF;
    pen.lopnWidth = 3;
    rec.SelectPen(pen);
    TLogBrush brush;
    brush.lbColor = 0x00FF00;
    rec.SelectBrush(brush);
    rec.Rectangle(TRect(5, 5, 60, 40));
    rec.MoveTo(TPoint(0, 0));
    rec.LineTo(TPoint(190, 90));
    const TPoint pts[] = {{10, 90}, {60, 70}, {110, 95}, {100000, 5}};
    rec.Polyline(pts, 3);
    rec.Polygon(pts, 4);
    rec.Ellipse(TRect(80, 60, 130, 90));
    rec.RoundRect(TRect(100, 10, 150, 40), 8, 8);
    rec.SaveDC();
    rec.IntersectClipRect(TRect(30, 30, 60, 45));
    rec.FillRect(TRect(0, 0, 200, 100), brush);
    rec.RestoreDC(-1);
    rec.ExcludeClipRect(TRect(190, 0, 200, 100));
    rec.FrameRect(TRect(140, 70, 190, 95), brush);
    rec.InvertRect(TRect(1, 1, 4, 4));
    TLogFont font;
    font.lfFaceName = QStringLiteral("Arial");
    font.lfHeight = -13;
    rec.SelectFont(font);
    rec.SetTextColor(0x800000);
    rec.SetBkMode(TRANSPARENT);
    const TRect clip(10, 50, 90, 70);
    rec.ExtTextOut(12, 52, ETO_CLIPPED, &clip, QStringLiteral("Наряд №5"));
    rec.SetTextAlign(TA_RIGHT | TA_BASELINE);
    rec.ExtTextOut(190, 80, 0, nullptr, QStringLiteral("итого"));
    rec.SetPixel(TPoint(3, 97), 0x123456);
    QImage img(3, 2, QImage::Format_ARGB32);
    img.fill(qRgba(10, 20, 30, 128));
    rec.StretchBlt(TRect(150, 50, 170, 60), img, TRect(0, 0, 3, 2));
    rec.StretchBlt(TRect(150, 62, 170, 70), QImage(), TRect(), WHITENESS);
    rec.AlphaBlend(TRect(170, 50, 190, 60), img, TRect(0, 0, 3, 2), 200);
    std::vector<TRect> rects{TRect(0, 0, 10, 10), TRect(20, 20, 30, 30)};
    TRegion rgn(rects);
    rec.SelectClipRgn(&rgn);
    rec.SelectClipRgn(nullptr);
    rec.SetWindowOrg(TPoint(5, 5));
    rec.SetViewportOrg(TPoint(2, 2));
    rec.LineTo(TPoint(50, 50));
    const TRect frame(0, 0, 5292, 2646);
    return {rec.Finish(&frame)};
}

}  // namespace

SDELKA_FUZZ_TARGET("metafile", RunMetafile, MetafileSeeds)
