// Pictures chosen by their signature in the registry: bitmaps, JPEG images and icons.
#include "fuzz/fuzz_target.h"

#include "platform/gui/imaging.h"

namespace {

void RunPicture(const std::uint8_t* Data, std::size_t Size) {
    EnsureFuzzApplication();
    auto s = NewOwned<TMemoryStream>();
    if (Size) s->WriteBuffer(Data, Integer(Size));
    s->SetPosition(0);
    auto p = NewOwned<TPicture>();
    p->LoadFromStream(s.get());
    if (p->Graphic()) (void)p->Graphic()->ToImage();
}

std::vector<QByteArray> PictureSeeds() {
    EnsureFuzzApplication();
    std::vector<QByteArray> seeds;
    auto b = NewOwned<TBitmap>();
    b->SetSize(7, 5);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(Rect(0, 0, 3, 5));
    b->Canvas()->SetPixels(6, 4, clBlue);
    for (TPixelFormat f : {pf1bit, pf8bit, pf24bit, pf32bit}) {
        b->SetPixelFormat(f);
        auto s = NewOwned<TMemoryStream>();
        b->SaveToStream(s.get());
        seeds.emplace_back(static_cast<const char*>(s->Memory()), int(s->Size()));
    }
    seeds.push_back(TJPEGImage::Encode(b->Image(), 75));
    auto i = NewOwned<TIcon>();
    i->SetImage(b->Image());
    auto s = NewOwned<TMemoryStream>();
    i->SaveToStream(s.get());
    seeds.emplace_back(static_cast<const char*>(s->Memory()), int(s->Size()));
    return seeds;
}

}  // namespace

SDELKA_FUZZ_TARGET("picture", RunPicture, PictureSeeds)
