#include "grid/base/picturevz.h"

#include "platform/db/fields.h"
#include "platform/gui/canvas.h"
#include "platform/rtl/streams.h"

#include <cstring>
#include <vector>

// ================================================================================================
// TPictureVz

TRect TPictureVz::GetDestRect(const TRect& S, TImagePlacementVz Placement) {
    const int W = Width(), H = Height();
    const int SW = S.Width(), SH = S.Height();
    if (Placement == ipReduceFitVz) Placement = W > SW || H > SH ? ipFitVz : ipCenterCenterVz;
    int w = W, h = H;
    switch (Placement) {
    case ipFitVz:
        if (W <= 0 || H <= 0) {
            w = SW;
            h = SH;
        } else {
            w = SW;
            h = static_cast<int>(static_cast<Int64>(SW) * H / W);
            if (h > SH) {
                h = SH;
                w = static_cast<int>(static_cast<Int64>(SH) * W / H);
            }
        }
        break;
    case ipFillVz:
        if (W <= 0 || H <= 0) {
            w = SW;
            h = SH;
        } else {
            h = SH;
            w = static_cast<int>(static_cast<Int64>(SH) * W / H);
            if (w < SW) {
                w = SW;
                h = static_cast<int>(static_cast<Int64>(SW) * H / W);
            }
        }
        break;
    case ipStretchVz:
        w = SW;
        h = SH;
        break;
    default: break;
    }
    const int dx = SW - w, dy = SH - h;
    int sx = 0, sy = 0;
    switch (Placement) {
    case ipTopCenterVz: sx = dx / 2; break;
    case ipTopRightVz: sx = dx; break;
    case ipCenterLeftVz: sy = dy / 2; break;
    case ipCenterCenterVz: sx = dx / 2; sy = dy / 2; break;
    case ipCenterRightVz: sx = dx; sy = dy / 2; break;
    case ipBottomLeftVz: sy = dy; break;
    case ipBottomCenterVz: sx = dx / 2; sy = dy; break;
    case ipBottomRightVz: sx = dx; sy = dy; break;
    case ipFillVz:
        if (h != SH) sy = dy / 2;
        else sx = dx / 2;
        break;
    case ipFitVz:
        if (w == SW) sy = dy / 2;
        else sx = dx / 2;
        break;
    default: break;
    }
    return TRect(S.Left + sx, S.Top + sy, S.Left + sx + w, S.Top + sy + h);
}

void TPictureVz::PaintTo(TCanvas* Canvas, const TRect& DestRect, TImagePlacementVz Placement, const TPoint&,
                         const TRect&) {
    TGraphic* g = Graphic();
    if (!g || g->Empty()) return;
    const TRect r = GetDestRect(DestRect, Placement);
    const int W = Width(), H = Height();
    if (Placement == ipTileVz && W > 0 && H > 0) {
        for (int y = r.Top; y < DestRect.Bottom; y += H)
            for (int x = r.Left; x < DestRect.Right; x += W) Canvas->StretchDraw(TRect(x, y, x + W, y + H), g);
        return;
    }
    Canvas->StretchDraw(r, g);
}

// ================================================================================================
// graphic providers

namespace {

struct TProviderEntry {
    TClass Class;
    TGraphicProviderFuncVz Func;
};

std::vector<TProviderEntry>& Providers() {
    static std::vector<TProviderEntry> list = [] {
        std::vector<TProviderEntry> l;
        l.push_back({TBMPGraphicProviderVz::StaticClass(), &TBMPGraphicProviderVz::GetImageClassForStream});
        return l;
    }();
    return list;
}

// A graphic of the class: the picture kinds the framework knows, a bitmap for anything else.
TOwned<TGraphic> NewGraphicOfClass(TClass Class) {
    if (Class && Class->InheritsFrom(TJPEGImage::StaticClass())) return NewOwned<TJPEGImage>();
    if (Class && Class->InheritsFrom(TIcon::StaticClass())) return NewOwned<TIcon>();
    return NewOwned<TBitmap>();
}

}  // namespace

TClass TBMPGraphicProviderVz::GetImageClassForStream(const Byte* Start, int Size) {
    if (!Start || Size < 2) return nullptr;
    return Start[0] == 'B' && Start[1] == 'M' ? TBitmap::StaticClass() : nullptr;
}

void RegisterGraphicProviderVz(TClass ProviderClass, TGraphicProviderFuncVz GetImageClass) {
    auto& l = Providers();
    for (const TProviderEntry& e : l)
        if (e.Class == ProviderClass) return;
    l.insert(l.begin(), TProviderEntry{ProviderClass, GetImageClass});
}

TClass GetGraphicClassForStreamVz(const Byte* Start, int Size) {
    for (const TProviderEntry& e : Providers())
        if (TClass c = e.Func(Start, Size)) return c;
    return nullptr;
}

int GetGraphicProviderCountVz() { return static_cast<int>(Providers().size()); }

TOwned<TGraphic> GetGraphicFromFieldVz(TField* Field) {
    auto* blob = dynamic_cast<TBlobField*>(Field);
    if (!blob) return nullptr;
    TMemoryStream stream;
    blob->SaveToStream(&stream);
    stream.SetPosition(0);
    const Int64 size = stream.Size();
    const Byte* data = static_cast<const Byte*>(stream.Memory());
    Int64 start = 0;
    TClass cls = nullptr;
    if (GetGraphicProviderCountVz() > 0) {
        // The framework's graphic header: count 1, type 0x0100, then the size of what follows.
        if (blob->Is<TGraphicField>() && size > 7) {
            std::uint16_t count, type;
            std::uint32_t len;
            std::memcpy(&count, data, 2);
            std::memcpy(&type, data + 2, 2);
            std::memcpy(&len, data + 4, 4);
            if (count == 1 && type == 0x0100 && static_cast<Int64>(len) == size - 8) start = 8;
        }
        cls = GetGraphicClassForStreamVz(data + start, static_cast<int>(std::min<Int64>(size - start, 1 << 20)));
    }
    stream.SetPosition(start);
    TOwned<TGraphic> g = NewGraphicOfClass(cls);
    try {
        g->LoadFromStream(&stream);
    } catch (const EInvalidGraphic&) {
        // Unreadable data: the graphic stays empty.
    }
    return g;
}

void AssignPictureFromFieldVz(TField* Field, TPicture* Picture) {
    TOwned<TGraphic> g = GetGraphicFromFieldVz(Field);
    Picture->SetGraphic(g.get());
}

TOwned<TPicture> CreatePictureFromFieldVz(TField* Field) {
    TOwned<TPicture> p = NewOwned<TPicture>();
    AssignPictureFromFieldVz(Field, p.get());
    return p;
}
