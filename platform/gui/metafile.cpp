#include "platform/gui/metafile.h"

#include <QPainter>
#include <QRegion>
#include <cmath>
#include <cstring>
#include <variant>

namespace {

using u32 = std::uint32_t;

constexpr int HeaderSize = 108;  // with the pixel-format and micrometre fields
constexpr int ExtTextOutFixed = 76;
constexpr int StretchDIBitsFixed = 80;
constexpr int AlphaBlendFixed = 108;
constexpr int BitBltFixed = 100;
constexpr u32 AC_SRC_ALPHA = 1;

int RoundDiv(long long Num, long long Den) {
    if (Den == 0) return 0;
    if (Den < 0) Num = -Num, Den = -Den;
    return int(Num >= 0 ? (Num + Den / 2) / Den : -((-Num + Den / 2) / Den));
}

// Bounds-checked little-endian reading of one record; out-of-range reads give 0 and set Bad.
class TEmfReader {
public:
    explicit TEmfReader(QByteArrayView B) : FB(B) {}
    u32 U32(qsizetype Off) const {
        if (Off < 0 || Off + 4 > FB.size()) {
            Bad = true;
            return 0;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(FB.data()) + Off;
        return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24);
    }
    int I32(qsizetype Off) const { return int(std::int32_t(U32(Off))); }
    int I16(qsizetype Off) const {
        if (Off < 0 || Off + 2 > FB.size()) {
            Bad = true;
            return 0;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(FB.data()) + Off;
        return int(std::int16_t(std::uint16_t(p[0] | (p[1] << 8))));
    }
    TPoint Point(qsizetype Off) const { return {I32(Off), I32(Off + 4)}; }
    TSize Size(qsizetype Off) const { return {I32(Off), I32(Off + 4)}; }
    TRect Rect(qsizetype Off) const { return {I32(Off), I32(Off + 4), I32(Off + 8), I32(Off + 12)}; }
    bool Has(qsizetype Off, qsizetype Count) const {
        return Off >= 0 && Count >= 0 && Off <= FB.size() && Count <= FB.size() - Off;
    }
    const char* At(qsizetype Off) const { return FB.data() + Off; }
    qsizetype Length() const { return FB.size(); }
    mutable bool Bad = false;

private:
    QByteArrayView FB;
};

// A DIB (info header and bits) as a QImage; 24- and 32-bit BI_RGB, either row order.
QImage ReadDib(const TEmfReader& R, u32 OffBmi, u32 CbBmi, u32 OffBits, u32 CbBits, bool Alpha) {
    if (CbBmi < 40 || !R.Has(OffBmi, CbBmi) || !R.Has(OffBits, CbBits)) return QImage();
    int w = R.I32(OffBmi + 4), h = R.I32(OffBmi + 8);
    int bits = R.I16(OffBmi + 14);
    u32 compression = R.U32(OffBmi + 16);
    if (w <= 0 || h == 0 || compression != 0 || (bits != 24 && bits != 32)) return QImage();
    bool topDown = h < 0;
    if (w > 0x8000 || h < -0x8000 || h > 0x8000) return QImage();
    h = std::abs(h);
    qsizetype stride = ((qsizetype(w) * bits / 8) + 3) & ~qsizetype(3);
    if (stride * h > qsizetype(CbBits)) return QImage();
    QImage img(w, h, Alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    int bpp = bits / 8;
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const unsigned char*>(R.At(OffBits + (topDown ? y : h - 1 - y) * stride));
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x, src += bpp) {
            int a = Alpha && bpp == 4 ? src[3] : 255;
            dst[x] = qRgba(src[2], src[1], src[0], a);
        }
    }
    return img;
}

TLogPen StockPen(unsigned Index) {
    TLogPen p;
    if (Index == WHITE_PEN) p.lopnColor = 0xFFFFFF;
    if (Index == NULL_PEN) p.lopnStyle = PS_NULL;
    return p;
}

TLogBrush StockBrush(unsigned Index) {
    TLogBrush b;
    static const COLORREF colours[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    if (Index <= BLACK_BRUSH) b.lbColor = colours[Index];
    if (Index == NULL_BRUSH) b.lbStyle = BS_NULL;
    return b;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writing

class TMetafileDC::TWriter {
public:
    // Starts a record of Type; the size is filled in by End.
    void Begin(u32 Type) {
        FRec.clear();
        U32(Type);
        U32(0);
    }
    void U32(u32 V) {
        char b[4] = {char(V & 0xFF), char((V >> 8) & 0xFF), char((V >> 16) & 0xFF), char((V >> 24) & 0xFF)};
        FRec.append(b, 4);
    }
    void I32(int V) { U32(u32(V)); }
    void U16(unsigned V) {
        char b[2] = {char(V & 0xFF), char((V >> 8) & 0xFF)};
        FRec.append(b, 2);
    }
    void Float(float V) {
        u32 x;
        std::memcpy(&x, &V, 4);
        U32(x);
    }
    void Point(const TPoint& P) { I32(P.X); I32(P.Y); }
    void Rect(const TRect& R) { I32(R.Left); I32(R.Top); I32(R.Right); I32(R.Bottom); }
    void Bytes(const char* Data, qsizetype N) { FRec.append(Data, N); }
    void Pad() {
        while (FRec.size() % 4) FRec.append('\0');
    }
    qsizetype Size() const { return FRec.size(); }
    void Patch(qsizetype Off, u32 V) {
        for (int i = 0; i < 4; ++i) FRec[Off + i] = char((V >> (8 * i)) & 0xFF);
    }
    void End() {
        Pad();
        Patch(4, u32(FRec.size()));
        FBody.append(FRec);
        ++FRecords;
    }
    void Simple(u32 Type, std::initializer_list<int> Values) {
        Begin(Type);
        for (int v : Values) I32(v);
        End();
    }
    // RGNDATA: header and rectangles (exclusive right/bottom, as regions keep them).
    void Region(const std::vector<TRect>& Rects) {
        TRect box;
        for (const TRect& r : Rects) UnionRect(box, box, r);
        U32(32);
        U32(1);  // RDH_RECTANGLES
        U32(u32(Rects.size()));
        U32(u32(Rects.size() * 16));
        Rect(box);
        for (const TRect& r : Rects) Rect(r);
    }

    QByteArray FBody;  // every record after the header
    u32 FRecords = 0;

private:
    QByteArray FRec;
};

struct TMetafileDC::TObjects {
    using TValue = std::variant<TLogPen, TLogBrush, TLogFont>;
    std::vector<TValue> Table;  // handle i + 1
    unsigned Pen = ENHMETA_STOCK_OBJECT | BLACK_PEN;
    unsigned Brush = ENHMETA_STOCK_OBJECT | WHITE_BRUSH;
    unsigned Font = ENHMETA_STOCK_OBJECT | SYSTEM_FONT;
    struct TSaved {
        unsigned Pen, Brush, Font;
    };
    std::vector<TSaved> Saved;

    // The handle of an object with this value, or 0 when there is none yet.
    template <class T>
    unsigned Find(const T& V) const {
        for (size_t i = 0; i < Table.size(); ++i)
            if (const T* x = std::get_if<T>(&Table[i]); x && *x == V) return unsigned(i + 1);
        return 0;
    }
};

TMetafileDC::TMetafileDC(int DpiX, int DpiY, TSize ReferenceSize)
    : FDpiX(DpiX > 0 ? DpiX : 96), FDpiY(DpiY > 0 ? DpiY : 96), FSize(ReferenceSize),
      FOut(std::make_unique<TWriter>()), FObj(std::make_unique<TObjects>()) {
    if (FSize.cx <= 0 || FSize.cy <= 0) FSize = TSize(0x7FFF, 0x7FFF);
}

TMetafileDC::~TMetafileDC() = default;

void TMetafileDC::AddBounds(const TRect& LogicalRect) {
    TRect d = LPtoDP(LogicalRect);
    if (d.IsEmpty()) return;
    TRect incl(d.Left, d.Top, d.Right - 1, d.Bottom - 1);
    if (FBounds.Right < FBounds.Left) {
        FBounds = incl;
    } else {
        FBounds = TRect(std::min(FBounds.Left, incl.Left), std::min(FBounds.Top, incl.Top),
                        std::max(FBounds.Right, incl.Right), std::max(FBounds.Bottom, incl.Bottom));
    }
}

unsigned TMetafileDC::PenHandle(const TLogPen& Pen) {
    if (Pen.lopnStyle == PS_NULL) return ENHMETA_STOCK_OBJECT | NULL_PEN;
    if (Pen == TLogPen()) return ENHMETA_STOCK_OBJECT | BLACK_PEN;
    if (unsigned h = FObj->Find(Pen)) return h;
    FObj->Table.emplace_back(Pen);
    unsigned h = unsigned(FObj->Table.size());
    FOut->Begin(EMR_CREATEPEN);
    FOut->U32(h);
    FOut->U32(u32(Pen.lopnStyle));
    FOut->I32(Pen.lopnWidth);
    FOut->I32(0);
    FOut->U32(Pen.lopnColor & 0xFFFFFF);
    FOut->End();
    return h;
}

unsigned TMetafileDC::BrushHandle(const TLogBrush& Brush) {
    if (Brush.lbStyle == BS_NULL) return ENHMETA_STOCK_OBJECT | NULL_BRUSH;
    if (Brush == TLogBrush()) return ENHMETA_STOCK_OBJECT | WHITE_BRUSH;
    if (unsigned h = FObj->Find(Brush)) return h;
    FObj->Table.emplace_back(Brush);
    unsigned h = unsigned(FObj->Table.size());
    FOut->Begin(EMR_CREATEBRUSHINDIRECT);
    FOut->U32(h);
    FOut->U32(u32(Brush.lbStyle));
    FOut->U32(Brush.lbColor & 0xFFFFFF);
    FOut->U32(u32(Brush.lbHatch));
    FOut->End();
    return h;
}

unsigned TMetafileDC::FontHandle(const TLogFont& Font) {
    if (unsigned h = FObj->Find(Font)) return h;
    FObj->Table.emplace_back(Font);
    unsigned h = unsigned(FObj->Table.size());
    FOut->Begin(EMR_EXTCREATEFONTINDIRECTW);
    FOut->U32(h);
    FOut->I32(Font.lfHeight);
    FOut->I32(Font.lfWidth);
    FOut->I32(Font.lfEscapement);
    FOut->I32(Font.lfOrientation);
    FOut->I32(Font.lfWeight);
    const char flags[8] = {char(Font.lfItalic), char(Font.lfUnderline), char(Font.lfStrikeOut), char(Font.lfCharSet),
                           0, 0, char(Font.lfQuality), char(Font.lfPitchAndFamily)};
    FOut->Bytes(flags, 8);
    // LF_FACESIZE (32) UTF-16 units with the terminating zero.
    String face = Font.lfFaceName.left(31);
    for (int i = 0; i < 32; ++i) FOut->U16(i < face.size() ? face[i].unicode() : 0);
    FOut->End();
    return h;
}

void TMetafileDC::Select(unsigned& Current, unsigned Handle) {
    if (Current == Handle) return;
    Current = Handle;
    FOut->Simple(EMR_SELECTOBJECT, {int(Handle)});
}

void TMetafileDC::SelectFont(const TLogFont& Font) {
    TDeviceContext::SelectFont(Font);
    Select(FObj->Font, FontHandle(Font));
}

void TMetafileDC::SelectPen(const TLogPen& Pen) {
    TDeviceContext::SelectPen(Pen);
    Select(FObj->Pen, PenHandle(Pen));
}

void TMetafileDC::SelectBrush(const TLogBrush& Brush) {
    TDeviceContext::SelectBrush(Brush);
    Select(FObj->Brush, BrushHandle(Brush));
}

COLORREF TMetafileDC::SetTextColor(COLORREF Color) {
    COLORREF old = TDeviceContext::SetTextColor(Color);
    if (old != TextColor()) FOut->Simple(EMR_SETTEXTCOLOR, {int(TextColor())});
    return old;
}

COLORREF TMetafileDC::SetBkColor(COLORREF Color) {
    COLORREF old = TDeviceContext::SetBkColor(Color);
    if (old != BkColor()) FOut->Simple(EMR_SETBKCOLOR, {int(BkColor())});
    return old;
}

int TMetafileDC::SetBkMode(int Mode) {
    int old = TDeviceContext::SetBkMode(Mode);
    if (old != BkMode()) FOut->Simple(EMR_SETBKMODE, {BkMode()});
    return old;
}

unsigned TMetafileDC::SetTextAlign(unsigned Align) {
    unsigned old = TDeviceContext::SetTextAlign(Align);
    if (old != Align) FOut->Simple(EMR_SETTEXTALIGN, {int(Align)});
    return old;
}

int TMetafileDC::SetROP2(int Rop) {
    int old = TDeviceContext::SetROP2(Rop);
    if (old != Rop) FOut->Simple(EMR_SETROP2, {Rop});
    return old;
}

TPoint TMetafileDC::SetWindowOrg(const TPoint& P) {
    TPoint old = TDeviceContext::SetWindowOrg(P);
    if (old != P) FOut->Simple(EMR_SETWINDOWORGEX, {P.X, P.Y});
    return old;
}

TPoint TMetafileDC::SetViewportOrg(const TPoint& P) {
    TPoint old = TDeviceContext::SetViewportOrg(P);
    if (old != P) FOut->Simple(EMR_SETVIEWPORTORGEX, {P.X, P.Y});
    return old;
}

int TMetafileDC::SaveDC() {
    int level = TDeviceContext::SaveDC();
    FObj->Saved.push_back({FObj->Pen, FObj->Brush, FObj->Font});
    FOut->Simple(EMR_SAVEDC, {});
    return level;
}

bool TMetafileDC::RestoreDC(int SavedDC) {
    int n = int(FSaved.size());
    int level = SavedDC < 0 ? n + 1 + SavedDC : SavedDC;
    if (!TDeviceContext::RestoreDC(SavedDC)) return false;
    // The record holds the level relative to the current one (always negative).
    FOut->Simple(EMR_RESTOREDC, {level - n - 1});
    TObjects::TSaved s = FObj->Saved[size_t(level - 1)];
    FObj->Saved.resize(size_t(level - 1));
    FObj->Pen = s.Pen;
    FObj->Brush = s.Brush;
    FObj->Font = s.Font;
    return true;
}

int TMetafileDC::IntersectClipRect(const TRect& R) {
    FOut->Simple(EMR_INTERSECTCLIPRECT, {R.Left, R.Top, R.Right, R.Bottom});
    return TDeviceContext::IntersectClipRect(R);
}

int TMetafileDC::ExcludeClipRect(const TRect& R) {
    FOut->Simple(EMR_EXCLUDECLIPRECT, {R.Left, R.Top, R.Right, R.Bottom});
    return TDeviceContext::ExcludeClipRect(R);
}

int TMetafileDC::SelectClipRgn(const TRegion* Rgn) {
    FOut->Begin(EMR_EXTSELECTCLIPRGN);
    if (!Rgn) {
        FOut->U32(0);
        FOut->U32(RGN_COPY);
    } else {
        std::vector<TRect> rects;
        for (const TRect& r : Rgn->Rects())
            rects.emplace_back(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                               std::max(r.Top, r.Bottom));
        FOut->U32(u32(32 + 16 * rects.size()));
        FOut->U32(RGN_COPY);
        FOut->Region(rects);
    }
    FOut->End();
    return TDeviceContext::SelectClipRgn(Rgn);
}

TPoint TMetafileDC::MoveTo(const TPoint& P) {
    FOut->Simple(EMR_MOVETOEX, {P.X, P.Y});
    return TDeviceContext::MoveTo(P);
}

void TMetafileDC::LineTo(const TPoint& P) {
    FOut->Simple(EMR_LINETO, {P.X, P.Y});
    int w = std::max(1, Pen().lopnWidth);
    AddBounds(TRect(SatSub(std::min(PenPos().X, P.X), w / 2), SatSub(std::min(PenPos().Y, P.Y), w / 2),
                    SatAdd(std::max(PenPos().X, P.X), w - w / 2), SatAdd(std::max(PenPos().Y, P.Y), w - w / 2)));
    S.PenPos = P;
}

// Points in the 16-bit form when they all fit, as recorders usually write them.
void TMetafileDC::Poly(unsigned Type16, unsigned Type32, const TPoint* Points, int Count) {
    bool small = true;
    TRect box(Points[0].X, Points[0].Y, Points[0].X, Points[0].Y);
    for (int i = 0; i < Count; ++i) {
        const TPoint& p = Points[i];
        if (p.X < -32768 || p.X > 32767 || p.Y < -32768 || p.Y > 32767) small = false;
        box = TRect(std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X), std::max(box.Bottom, p.Y));
    }
    FOut->Begin(small ? Type16 : Type32);
    TRect b = LPtoDP(TRect(box.Left, box.Top, SatAdd(box.Right, 1), SatAdd(box.Bottom, 1)));
    FOut->Rect(TRect(b.Left, b.Top, SatSub(b.Right, 1), SatSub(b.Bottom, 1)));
    FOut->U32(u32(Count));
    for (int i = 0; i < Count; ++i) {
        if (small) {
            FOut->U16(unsigned(Points[i].X) & 0xFFFF);
            FOut->U16(unsigned(Points[i].Y) & 0xFFFF);
        } else {
            FOut->Point(Points[i]);
        }
    }
    FOut->End();
    int w = std::max(1, Pen().lopnWidth);
    box.Inflate(w / 2, w / 2);
    AddBounds(TRect(box.Left, box.Top, SatAdd(box.Right, 1), SatAdd(box.Bottom, 1)));
}

void TMetafileDC::Polyline(const TPoint* Points, int Count) {
    if (Points && Count >= 2) Poly(EMR_POLYLINE16, EMR_POLYLINE, Points, Count);
}

void TMetafileDC::Polygon(const TPoint* Points, int Count) {
    if (Points && Count >= 2) Poly(EMR_POLYGON16, EMR_POLYGON, Points, Count);
}

void TMetafileDC::Rectangle(const TRect& R) {
    FOut->Simple(EMR_RECTANGLE, {R.Left, R.Top, R.Right, R.Bottom});
    AddBounds(R);
}

void TMetafileDC::RoundRect(const TRect& R, int EllipseWidth, int EllipseHeight) {
    FOut->Simple(EMR_ROUNDRECT, {R.Left, R.Top, R.Right, R.Bottom, EllipseWidth, EllipseHeight});
    AddBounds(R);
}

void TMetafileDC::Ellipse(const TRect& R) {
    FOut->Simple(EMR_ELLIPSE, {R.Left, R.Top, R.Right, R.Bottom});
    AddBounds(R);
}

void TMetafileDC::FillRect(const TRect& R, const TLogBrush& Brush) {
    if (R.IsEmpty() || Brush.lbStyle == BS_NULL) return;
    unsigned h = BrushHandle(Brush);
    FOut->Begin(EMR_FILLRGN);
    FOut->Rect(TRect(R.Left, R.Top, R.Right - 1, R.Bottom - 1));
    FOut->U32(32 + 16);
    FOut->U32(h);
    FOut->Region({R});
    FOut->End();
    AddBounds(R);
}

void TMetafileDC::FrameRect(const TRect& R, const TLogBrush& Brush) {
    if (R.IsEmpty() || Brush.lbStyle == BS_NULL) return;
    unsigned h = BrushHandle(Brush);
    FOut->Begin(EMR_FRAMERGN);
    FOut->Rect(TRect(R.Left, R.Top, R.Right - 1, R.Bottom - 1));
    FOut->U32(32 + 16);
    FOut->U32(h);
    FOut->I32(1);
    FOut->I32(1);
    FOut->Region({R});
    FOut->End();
    AddBounds(R);
}

void TMetafileDC::InvertRect(const TRect& R) {
    if (R.IsEmpty()) return;
    FOut->Begin(EMR_INVERTRGN);
    FOut->Rect(TRect(R.Left, R.Top, R.Right - 1, R.Bottom - 1));
    FOut->U32(32 + 16);
    FOut->Region({R});
    FOut->End();
    AddBounds(R);
}

void TMetafileDC::DrawFocusRect(const TRect&) {}

void TMetafileDC::ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const String& Text, const int* Dx) {
    if (TextAlign() & TA_UPDATECP) {
        X = PenPos().X;
        Y = PenPos().Y;
    }
    int n = int(Text.size());
    // Every character's advance goes into the record; without the caller's, the font's at the
    // reference resolution, rounded along the line so they add up to the text's width.
    std::vector<int> dx(size_t(n), 0);
    if (Dx) {
        for (int i = 0; i < n; ++i) dx[size_t(i)] = Dx[i];
    } else if (n > 0) {
        const QFontMetricsF& fm = FontMetrics();
        qreal pos = 0;
        int prev = 0;
        for (int i = 0; i < n; ++i) {
            if (Text[i].isHighSurrogate() && i + 1 < n && Text[i + 1].isLowSurrogate()) {
                pos += fm.horizontalAdvance(Text.mid(i, 2));
                int at = int(std::lround(pos));
                dx[size_t(i)] = at - prev;
                prev = at;
                ++i;
                continue;
            }
            pos += fm.horizontalAdvance(Text[i]);
            int at = int(std::lround(pos));
            dx[size_t(i)] = at - prev;
            prev = at;
        }
    }
    long long sum = 0;
    for (int d : dx) sum += d;
    const int tw = SatInt(sum);
    TTextMetric tm;
    GetTextMetrics(tm);
    unsigned h = TextAlign() & (TA_CENTER | TA_RIGHT);
    unsigned v = TextAlign() & TA_BASELINE;
    int ox = SatInt(h == TA_CENTER ? -(long long)tw / 2 : h == TA_RIGHT ? -(long long)tw : 0);
    int oy = v == TA_BASELINE ? -tm.tmAscent : v == TA_BOTTOM ? -tm.tmHeight : 0;
    TRect box = ::Bounds(SatAdd(X, ox), SatAdd(Y, oy), tw, tm.tmHeight);
    if (Rect && (Options & ETO_CLIPPED)) IntersectRect(box, box, *Rect);
    if (Rect && (Options & ETO_OPAQUE)) UnionRect(box, box, *Rect);
    TRect dbox = LPtoDP(box);

    FOut->Begin(EMR_EXTTEXTOUTW);
    FOut->Rect(dbox.IsEmpty() ? TRect(0, 0, -1, -1) : TRect(dbox.Left, dbox.Top, dbox.Right - 1, dbox.Bottom - 1));
    FOut->U32(1);  // GM_COMPATIBLE
    FOut->Float(1.0f);
    FOut->Float(1.0f);
    FOut->Point(TPoint(X, Y));
    FOut->U32(u32(n));
    u32 offString = ExtTextOutFixed;
    u32 offDx = offString + u32((n * 2 + 3) & ~3);
    FOut->U32(n ? offString : 0);
    FOut->U32(Options);
    FOut->Rect(Rect ? *Rect : TRect());
    FOut->U32(n ? offDx : 0);
    for (int i = 0; i < n; ++i) FOut->U16(Text[i].unicode());
    FOut->Pad();
    for (int d : dx) FOut->I32(d);
    FOut->End();
    AddBounds(box);

    if (TextAlign() & TA_UPDATECP) S.PenPos.X = SatInt(X + (h == TA_RIGHT ? -(long long)tw : h == TA_CENTER ? 0 : tw));
}

void TMetafileDC::SetPixel(const TPoint& P, COLORREF Color) {
    FOut->Simple(EMR_SETPIXELV, {P.X, P.Y, int(Color & 0xFFFFFF)});
    AddBounds(TRect(P.X, P.Y, SatAdd(P.X, 1), SatAdd(P.Y, 1)));
}

// Bitmaps go in as 32-bit bottom-up DIBs of the source rectangle only.
void TMetafileDC::EmitDib(unsigned Type, const TRect& Dest, const QImage& Src, const TRect& SrcRect, unsigned Rop,
                          int ConstAlpha) {
    TRect sr(std::min(SrcRect.Left, SrcRect.Right), std::min(SrcRect.Top, SrcRect.Bottom),
             std::max(SrcRect.Left, SrcRect.Right), std::max(SrcRect.Top, SrcRect.Bottom));
    TRect Dst = Dest;
    // Only the part of the source inside the picture is recorded, onto the matching part of the
    // destination: a source rectangle as large as the coordinates allow costs nothing.
    TRect cr;
    if (!IntersectRect(cr, sr, TRect(0, 0, Src.width(), Src.height()))) return;
    if (cr != sr) {
        const double fx = double(Dest.Width()) / sr.Width(), fy = double(Dest.Height()) / sr.Height();
        auto at = [](int Base, double Offset) { return SatInt(std::llround(std::clamp(Base + Offset, -2e9, 2e9))); };
        Dst = TRect(at(Dest.Left, (double(cr.Left) - sr.Left) * fx), at(Dest.Top, (double(cr.Top) - sr.Top) * fy),
                    at(Dest.Left, (double(cr.Right) - sr.Left) * fx), at(Dest.Top, (double(cr.Bottom) - sr.Top) * fy));
        if (Dst.Width() == 0 || Dst.Height() == 0) return;
        sr = cr;
    }
    QImage img = Src.copy(sr.ToQRect());
    bool alpha = Type == EMR_ALPHABLEND;
    img = img.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    int w = img.width(), h = img.height();
    if (w == 0 || h == 0) return;
    u32 cbBits = u32(w) * u32(h) * 4;
    u32 fixed = alpha ? AlphaBlendFixed : StretchDIBitsFixed;
    TRect d(std::min(Dst.Left, Dst.Right), std::min(Dst.Top, Dst.Bottom), std::max(Dst.Left, Dst.Right),
            std::max(Dst.Top, Dst.Bottom));
    TRect dd = LPtoDP(d);
    FOut->Begin(Type);
    FOut->Rect(TRect(dd.Left, dd.Top, SatSub(dd.Right, 1), SatSub(dd.Bottom, 1)));
    if (alpha) {
        FOut->I32(Dst.Left);
        FOut->I32(Dst.Top);
        FOut->I32(Dst.Width());
        FOut->I32(Dst.Height());
        FOut->U32(u32(std::clamp(ConstAlpha, 0, 255)) << 16 | (AC_SRC_ALPHA << 24));  // BLENDFUNCTION
        FOut->I32(0);  // xSrc, ySrc
        FOut->I32(0);
        for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) FOut->Float(f);  // xformSrc
        FOut->U32(0);  // crBkColorSrc
        FOut->U32(0);  // DIB_RGB_COLORS
        FOut->U32(fixed);
        FOut->U32(40);
        FOut->U32(fixed + 40);
        FOut->U32(cbBits);
        FOut->I32(w);
        FOut->I32(h);
    } else {
        FOut->I32(Dst.Left);
        FOut->I32(Dst.Top);
        FOut->I32(0);  // xSrc, ySrc, cxSrc, cySrc
        FOut->I32(0);
        FOut->I32(w);
        FOut->I32(h);
        FOut->U32(fixed);
        FOut->U32(40);
        FOut->U32(fixed + 40);
        FOut->U32(cbBits);
        FOut->U32(0);  // DIB_RGB_COLORS
        FOut->U32(Rop);
        FOut->I32(Dst.Width());
        FOut->I32(Dst.Height());
    }
    // BITMAPINFOHEADER
    FOut->U32(40);
    FOut->I32(w);
    FOut->I32(h);
    FOut->U16(1);
    FOut->U16(32);
    FOut->U32(0);  // BI_RGB
    FOut->U32(cbBits);
    FOut->U32(0);
    FOut->U32(0);
    FOut->U32(0);
    FOut->U32(0);
    QByteArray row(w * 4, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[4 * x] = char(qBlue(src[x]));
            row[4 * x + 1] = char(qGreen(src[x]));
            row[4 * x + 2] = char(qRed(src[x]));
            row[4 * x + 3] = char(alpha ? qAlpha(src[x]) : 0);
        }
        FOut->Bytes(row.constData(), row.size());
    }
    FOut->End();
    AddBounds(d);
}

void TMetafileDC::StretchBlt(const TRect& Dest, const QImage& Src, const TRect& SrcRect, unsigned Rop) {
    if (Dest.Width() == 0 || Dest.Height() == 0) return;
    switch (Rop) {
        case BLACKNESS:
        case WHITENESS:
        case DSTINVERT:
        case PATCOPY: {
            // No source: a block transfer with the pattern or the destination only.
            TRect dd = LPtoDP(Dest);
            FOut->Begin(EMR_BITBLT);
            FOut->Rect(TRect(dd.Left, dd.Top, SatSub(dd.Right, 1), SatSub(dd.Bottom, 1)));
            FOut->I32(Dest.Left);
            FOut->I32(Dest.Top);
            FOut->I32(Dest.Width());
            FOut->I32(Dest.Height());
            FOut->U32(Rop);
            FOut->I32(0);
            FOut->I32(0);
            for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) FOut->Float(f);
            for (int i = 0; i < 6; ++i) FOut->U32(0);  // colour, usage, no bitmap
            FOut->End();
            AddBounds(Dest);
            return;
        }
        default: break;
    }
    if (Src.isNull()) return;
    EmitDib(EMR_STRETCHDIBITS, Dest, Src, SrcRect, Rop, 255);
}

void TMetafileDC::AlphaBlend(const TRect& Dest, const QImage& Src, const TRect& SrcRect, int ConstAlpha) {
    if (Src.isNull() || Dest.Width() == 0 || Dest.Height() == 0) return;
    EmitDib(EMR_ALPHABLEND, Dest, Src, SrcRect, 0, ConstAlpha);
}

QByteArray TMetafileDC::Finish(const TRect* Frame) {
    // Objects are deselected and deleted before the end, as a well-behaved recording leaves them.
    if (!FObj->Table.empty()) {
        Select(FObj->Pen, ENHMETA_STOCK_OBJECT | BLACK_PEN);
        Select(FObj->Brush, ENHMETA_STOCK_OBJECT | WHITE_BRUSH);
        Select(FObj->Font, ENHMETA_STOCK_OBJECT | SYSTEM_FONT);
        for (size_t i = 0; i < FObj->Table.size(); ++i) FOut->Simple(EMR_DELETEOBJECT, {int(i + 1)});
    }
    FOut->Simple(EMR_EOF, {0, 16, 20});  // no palette; nSizeLast is this record's size

    const long long umX = (long long)FSize.cx * 25400 / FDpiX, umY = (long long)FSize.cy * 25400 / FDpiY;
    TRect frame;
    if (Frame) {
        frame = *Frame;
    } else if (FBounds.Right >= FBounds.Left) {
        // Pixels to 0.01 mm; the frame's right and bottom are the drawn area's edge.
        auto toX = [&](int px) { return RoundDiv((long long)px * umX, (long long)FSize.cx * 10); };
        auto toY = [&](int px) { return RoundDiv((long long)px * umY, (long long)FSize.cy * 10); };
        frame = TRect(toX(FBounds.Left), toY(FBounds.Top), toX(SatAdd(FBounds.Right, 1)), toY(SatAdd(FBounds.Bottom, 1)));
    }

    TWriter head;
    head.Begin(EMR_HEADER);
    head.Rect(FBounds);
    head.Rect(frame);
    head.U32(ENHMETA_SIGNATURE);
    head.U32(0x10000);
    head.U32(u32(HeaderSize + FOut->FBody.size()));
    head.U32(FOut->FRecords + 1);
    head.U16(unsigned(FObj->Table.size() + 1));
    head.U16(0);
    head.U32(0);  // no description
    head.U32(0);
    head.U32(0);  // no palette
    head.I32(FSize.cx);
    head.I32(FSize.cy);
    head.I32(int((umX + 500) / 1000));
    head.I32(int((umY + 500) / 1000));
    head.U32(0);  // no pixel format
    head.U32(0);
    head.U32(0);  // not OpenGL
    head.I32(int(umX));
    head.I32(int(umY));
    head.End();
    QByteArray out = head.FBody + FOut->FBody;

    FOut = std::make_unique<TWriter>();
    FObj = std::make_unique<TObjects>();
    FBounds = TRect(0, 0, -1, -1);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading

bool GetEnhMetaFileHeader(QByteArrayView Data, TEnhMetaHeader& Header) {
    TEmfReader r(Data);
    if (Data.size() < 88 || r.U32(0) != EMR_HEADER || r.U32(40) != ENHMETA_SIGNATURE) return false;
    u32 size = r.U32(4);
    if (size < 88 || size > u32(Data.size()) || size % 4) return false;
    Header = TEnhMetaHeader();
    Header.rclBounds = r.Rect(8);
    Header.rclFrame = r.Rect(24);
    Header.nBytes = r.U32(48);
    Header.nRecords = r.U32(52);
    Header.nHandles = r.I16(56) & 0xFFFF;
    Header.szlDevice = r.Size(72);
    Header.szlMillimeters = r.Size(80);
    if (size >= HeaderSize) Header.szlMicrometers = r.Size(100);
    return !r.Bad;
}

bool EnumEnhMetaFile(QByteArrayView Data, const TEnhMetaFileProc& Proc) {
    TEnhMetaHeader h;
    if (!GetEnhMetaFileHeader(Data, h) || h.nBytes > u32(Data.size())) return false;
    TEmfReader r(Data);
    qsizetype at = 0, end = qsizetype(h.nBytes);
    while (at + 8 <= end) {
        u32 type = r.U32(at), size = r.U32(at + 4);
        if (size < 8 || size % 4 || qsizetype(size) > end - at) return false;
        if (Proc && !Proc(TEnhMetaRecord{type, Data.sliced(at, size)})) return true;
        at += size;
        if (type == EMR_EOF) return true;
    }
    return false;  // no EOF record
}

bool DecodeExtTextOutW(const TEnhMetaRecord& Record, TEnhMetaText& Text) {
    if (Record.Type != EMR_EXTTEXTOUTW) return false;
    TEmfReader r(Record.Bytes);
    if (r.Length() < ExtTextOutFixed) return false;
    Text = TEnhMetaText();
    Text.Reference = r.Point(36);
    u32 n = r.U32(44), offString = r.U32(48);
    Text.Options = r.U32(52);
    Text.Rect = r.Rect(56);
    u32 offDx = r.U32(72);
    if (n > 0x100000 || (n && !r.Has(offString, qsizetype(n) * 2))) return false;
    Text.Text.resize(qsizetype(n));
    for (u32 i = 0; i < n; ++i) Text.Text[i] = QChar(char16_t(r.I16(offString + 2 * i) & 0xFFFF));
    if (n && offDx && r.Has(offDx, qsizetype(n) * 4)) {
        Text.Dx.resize(n);
        for (u32 i = 0; i < n; ++i) Text.Dx[i] = r.I32(offDx + 4 * i);
    }
    return !r.Bad;
}

// ---------------------------------------------------------------------------------------------
// Playing

namespace {

// Coordinates a record can reach on the target: far beyond any page, and small enough that the
// mapping and the devices' own arithmetic never overflow. Pens and fonts have a limit of their own.
constexpr double CoordLimit = double(1 << 26);
constexpr int SizeLimit = 4096;

int Clamp(double V) {
    if (!(V == V)) return 0;  // NaN
    return int(std::clamp(V, -CoordLimit, CoordLimit));
}

class TPlayer {
public:
    TPlayer(HDC DC, const TEnhMetaHeader& H, const TRect& Dest) : FDC(DC), FDest(Dest) {
        // The frame in reference pixels, through the micrometre size when the header has it.
        double devX = std::max(1, H.szlDevice.cx), devY = std::max(1, H.szlDevice.cy);
        double umX = H.szlMicrometers.cx > 0 ? H.szlMicrometers.cx : (double)H.szlMillimeters.cx * 1000;
        double umY = H.szlMicrometers.cy > 0 ? H.szlMicrometers.cy : (double)H.szlMillimeters.cy * 1000;
        umX = std::max(1.0, umX);
        umY = std::max(1.0, umY);
        auto pxX = [&](int v) { return Clamp(std::round(double(v) * 10 * devX / umX)); };
        auto pxY = [&](int v) { return Clamp(std::round(double(v) * 10 * devY / umY)); };
        FFrame = TRect(pxX(H.rclFrame.Left), pxY(H.rclFrame.Top), pxX(H.rclFrame.Right), pxY(H.rclFrame.Bottom));
        if (FFrame.Width() <= 0 || FFrame.Height() <= 0)
            FFrame = TRect(Clamp(H.rclBounds.Left), Clamp(H.rclBounds.Top), Clamp(H.rclBounds.Right + 1.0),
                           Clamp(H.rclBounds.Bottom + 1.0));
        FSx = FFrame.Width() > 0 ? double(Dest.Width()) / FFrame.Width() : 1.0;
        FSy = FFrame.Height() > 0 ? double(Dest.Height()) / FFrame.Height() : 1.0;
        FObjects.resize(size_t(std::max(1, H.nHandles)));
        FInitialHasClip = DC->HasClip();
        FInitialClip = DC->ClipRegion();
    }

    bool Record(const TEnhMetaRecord& Rec);

private:
    using TObj = std::variant<std::monostate, TLogPen, TLogBrush, TLogFont>;

    // Recorded logical -> target logical, clamped to the coordinate limit.
    int X(int Lx) const { return MapX(double(Lx) - FWinOrg.X + FVpOrg.X); }
    int Y(int Ly) const { return MapY(double(Ly) - FWinOrg.Y + FVpOrg.Y); }
    int MapX(double Dx) const { return Clamp(FDest.Left + std::round((Dx - FFrame.Left) * FSx)); }
    int MapY(double Dy) const { return Clamp(FDest.Top + std::round((Dy - FFrame.Top) * FSy)); }
    TPoint P(const TPoint& Pt) const { return {X(Pt.X), Y(Pt.Y)}; }
    TRect R(const TRect& Rc) const { return {X(Rc.Left), Y(Rc.Top), X(Rc.Right), Y(Rc.Bottom)}; }
    int W(double V) const { return Clamp(std::round(V * FSx)); }
    int H(double V) const { return Clamp(std::round(V * FSy)); }

    TObj* Object(u32 Index) { return Index > 0 && Index < FObjects.size() ? &FObjects[Index] : nullptr; }
    void Store(u32 Index, TObj Obj) {
        if (Index == 0 || Index > 0xFFFF) return;
        if (Index >= FObjects.size()) FObjects.resize(Index + 1);
        FObjects[Index] = std::move(Obj);
    }
    TLogPen ScaledPen(TLogPen P) const {
        if (P.lopnWidth > 1) P.lopnWidth = std::clamp(W(P.lopnWidth), 1, SizeLimit);
        return P;
    }
    TLogFont ScaledFont(TLogFont F) const {
        if (F.lfHeight)
            F.lfHeight = (F.lfHeight < 0 ? -1 : 1) * std::clamp(H(std::fabs(double(F.lfHeight))), 1, SizeLimit);
        if (F.lfWidth) F.lfWidth = std::clamp(W(std::fabs(double(F.lfWidth))), 1, SizeLimit);
        return F;
    }
    std::vector<TRect> RegionRects(const TEmfReader& Rd, qsizetype Off, u32 Cb) const {
        std::vector<TRect> out;
        if (Cb < 32 || !Rd.Has(Off, Cb)) return out;
        u32 n = Rd.U32(Off + 8);
        if (n > (Cb - 32) / 16) return out;
        for (u32 i = 0; i < n; ++i) out.push_back(Rd.Rect(Off + 32 + 16 * i));
        return out;
    }
    // The union of many rectangles by halves: adding them one by one costs the square of their number.
    static QRegion Unite(const std::vector<QRect>& Parts, size_t From, size_t To) {
        if (To - From == 0) return QRegion();
        if (To - From == 1) return QRegion(Parts[From]);
        size_t Mid = From + (To - From) / 2;
        return Unite(Parts, From, Mid).united(Unite(Parts, Mid, To));
    }
    void Clip(const TEmfReader& Rd);
    void Text(const TEnhMetaRecord& Rec);
    void Dib(const TEmfReader& Rd, unsigned Type);

    HDC FDC;
    TRect FDest;
    TRect FFrame;
    double FSx = 1, FSy = 1;
    std::vector<TObj> FObjects;
    TPoint FWinOrg, FVpOrg;
    struct TSaved {
        TPoint WinOrg, VpOrg;
    };
    std::vector<TSaved> FSaved;
    bool FInitialHasClip = false;
    QRegion FInitialClip;
};

void TPlayer::Clip(const TEmfReader& Rd) {
    u32 cb = Rd.U32(8), mode = Rd.U32(12);
    // Region rectangles are reference-device pixels: to the target's device pixels.
    std::vector<QRect> parts;
    for (const TRect& r : RegionRects(Rd, 16, cb))
        parts.push_back(FDC->LPtoDP(TRect(MapX(r.Left), MapY(r.Top), MapX(r.Right), MapY(r.Bottom))).ToQRect());
    QRegion rgn = Unite(parts, 0, parts.size());
    QRegion base = FInitialHasClip ? FInitialClip : QRegion(QRect(0, 0, FDC->DeviceSize().cx, FDC->DeviceSize().cy));
    QRegion current = FDC->HasClip() ? FDC->ClipRegion() : base;
    QRegion result;
    if (cb == 0 && mode == RGN_COPY) {
        if (!FInitialHasClip) {
            FDC->SelectClipRgn(nullptr);
            return;
        }
        result = base;
    } else {
        switch (mode) {
            case RGN_AND: result = current.intersected(rgn); break;
            case RGN_OR: result = current.united(rgn).intersected(base); break;
            case RGN_XOR: result = current.xored(rgn).intersected(base); break;
            case RGN_DIFF: result = current.subtracted(rgn); break;
            default: result = rgn.intersected(base); break;
        }
    }
    std::vector<TRect> rects;
    for (const QRect& q : result) rects.push_back(TRect::FromQRect(q));
    TRegion region(std::move(rects));
    if (region.Empty()) region = TRegion(std::vector<TRect>{TRect(-1, -1, -1, -1)});  // nothing visible
    FDC->SelectClipRgn(&region);
}

void TPlayer::Text(const TEnhMetaRecord& Rec) {
    TEnhMetaText t;
    if (!DecodeExtTextOutW(Rec, t)) return;
    TRect rect = R(t.Rect);
    std::vector<int> dx;
    if (!t.Dx.empty()) {
        // Cumulative positions are scaled, so the rounding does not add up along the line.
        long long pos = 0;
        int prev = 0;
        for (int d : t.Dx) {
            pos += d;
            int at = W(double(pos));
            dx.push_back(at - prev);
            prev = at;
        }
    }
    bool withRect = (t.Options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
    FDC->ExtTextOut(X(t.Reference.X), Y(t.Reference.Y), t.Options, withRect ? &rect : nullptr, t.Text,
                    dx.empty() ? nullptr : dx.data());
}

void TPlayer::Dib(const TEmfReader& Rd, unsigned Type) {
    if (Type == EMR_STRETCHDIBITS) {
        if (Rd.Length() < StretchDIBitsFixed) return;
        int xDest = Rd.I32(24), yDest = Rd.I32(28), xSrc = Rd.I32(32), ySrc = Rd.I32(36);
        int cxSrc = Rd.I32(40), cySrc = Rd.I32(44);
        u32 offBmi = Rd.U32(48), cbBmi = Rd.U32(52), offBits = Rd.U32(56), cbBits = Rd.U32(60);
        u32 rop = Rd.U32(68);
        int cxDest = Rd.I32(72), cyDest = Rd.I32(76);
        TRect dest = R(TRect(xDest, yDest, SatAdd(xDest, cxDest), SatAdd(yDest, cyDest)));
        QImage img = ReadDib(Rd, offBmi, cbBmi, offBits, cbBits, false);
        if (img.isNull()) {
            if (cbBmi == 0) FDC->StretchBlt(dest, QImage(), TRect(), rop);
            return;
        }
        // The source rectangle's y counts from the image's top here (the DIB rows are turned).
        FDC->StretchBlt(dest, img, TRect(xSrc, ySrc, SatAdd(xSrc, cxSrc), SatAdd(ySrc, cySrc)), rop);
    } else if (Type == EMR_BITBLT) {
        if (Rd.Length() < BitBltFixed) return;
        int xDest = Rd.I32(24), yDest = Rd.I32(28), cx = Rd.I32(32), cy = Rd.I32(36);
        u32 rop = Rd.U32(40);
        u32 offBmi = Rd.U32(84), cbBmi = Rd.U32(88), offBits = Rd.U32(92), cbBits = Rd.U32(96);
        TRect dest = R(TRect(xDest, yDest, SatAdd(xDest, cx), SatAdd(yDest, cy)));
        QImage img = ReadDib(Rd, offBmi, cbBmi, offBits, cbBits, false);
        if (cbBmi == 0)
            FDC->StretchBlt(dest, QImage(), TRect(), rop);
        else if (!img.isNull())
            FDC->StretchBlt(dest, img, TRect(Rd.I32(44), Rd.I32(48), SatAdd(Rd.I32(44), cx), SatAdd(Rd.I32(48), cy)), rop);
    } else if (Type == EMR_ALPHABLEND) {
        if (Rd.Length() < AlphaBlendFixed) return;
        int xDest = Rd.I32(24), yDest = Rd.I32(28), cxDest = Rd.I32(32), cyDest = Rd.I32(36);
        u32 blend = Rd.U32(40);
        int xSrc = Rd.I32(44), ySrc = Rd.I32(48);
        u32 offBmi = Rd.U32(84), cbBmi = Rd.U32(88), offBits = Rd.U32(92), cbBits = Rd.U32(96);
        int cxSrc = Rd.I32(100), cySrc = Rd.I32(104);
        QImage img = ReadDib(Rd, offBmi, cbBmi, offBits, cbBits, ((blend >> 24) & AC_SRC_ALPHA) != 0);
        if (img.isNull()) return;
        FDC->AlphaBlend(R(TRect(xDest, yDest, SatAdd(xDest, cxDest), SatAdd(yDest, cyDest))), img,
                        TRect(xSrc, ySrc, SatAdd(xSrc, cxSrc), SatAdd(ySrc, cySrc)), int((blend >> 16) & 0xFF));
    }
}

bool TPlayer::Record(const TEnhMetaRecord& Rec) {
    TEmfReader r(Rec.Bytes);
    switch (Rec.Type) {
        case EMR_SETWINDOWORGEX: FWinOrg = r.Point(8); break;
        case EMR_SETVIEWPORTORGEX: FVpOrg = r.Point(8); break;
        case EMR_SETBKMODE: FDC->SetBkMode(r.I32(8)); break;
        case EMR_SETBKCOLOR: FDC->SetBkColor(r.U32(8)); break;
        case EMR_SETTEXTCOLOR: FDC->SetTextColor(r.U32(8)); break;
        case EMR_SETTEXTALIGN: FDC->SetTextAlign(r.U32(8)); break;
        case EMR_SETROP2: FDC->SetROP2(r.I32(8)); break;
        case EMR_CREATEPEN: {
            TLogPen p;
            p.lopnStyle = r.I32(12) & 0xFF;
            p.lopnWidth = r.I32(16);
            p.lopnColor = r.U32(24) & 0xFFFFFF;
            Store(r.U32(8), p);
            break;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            TLogBrush b;
            b.lbStyle = r.I32(12);
            b.lbColor = r.U32(16) & 0xFFFFFF;
            b.lbHatch = r.I32(20);
            Store(r.U32(8), b);
            break;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            if (r.Length() < 104) break;
            TLogFont f;
            f.lfHeight = r.I32(12);
            f.lfWidth = r.I32(16);
            f.lfEscapement = r.I32(20);
            f.lfOrientation = r.I32(24);
            f.lfWeight = r.I32(28);
            const auto* b = reinterpret_cast<const unsigned char*>(r.At(32));
            f.lfItalic = b[0] != 0;
            f.lfUnderline = b[1] != 0;
            f.lfStrikeOut = b[2] != 0;
            f.lfCharSet = b[3];
            f.lfQuality = b[6];
            f.lfPitchAndFamily = b[7];
            for (int i = 0; i < 32; ++i) {
                int c = r.I16(40 + 2 * i) & 0xFFFF;
                if (!c) break;
                f.lfFaceName += QChar(char16_t(c));
            }
            Store(r.U32(8), f);
            break;
        }
        case EMR_SELECTOBJECT: {
            u32 h = r.U32(8);
            if (h & ENHMETA_STOCK_OBJECT) {
                unsigned i = h & 0x7FFFFFFF;
                if (i <= NULL_BRUSH) FDC->SelectBrush(StockBrush(i));
                else if (i <= NULL_PEN) FDC->SelectPen(StockPen(i));
                else if (i >= 10 && i <= 17 && i != 15) FDC->SelectFont(TLogFont());
            } else if (TObj* o = Object(h)) {
                if (auto* p = std::get_if<TLogPen>(o)) FDC->SelectPen(ScaledPen(*p));
                else if (auto* b = std::get_if<TLogBrush>(o)) FDC->SelectBrush(*b);
                else if (auto* f = std::get_if<TLogFont>(o)) FDC->SelectFont(ScaledFont(*f));
            }
            break;
        }
        case EMR_DELETEOBJECT:
            if (TObj* o = Object(r.U32(8))) *o = std::monostate();
            break;
        case EMR_MOVETOEX: FDC->MoveTo(P(r.Point(8))); break;
        case EMR_LINETO: FDC->LineTo(P(r.Point(8))); break;
        case EMR_RECTANGLE: FDC->Rectangle(R(r.Rect(8))); break;
        case EMR_ROUNDRECT: FDC->RoundRect(R(r.Rect(8)), W(r.I32(24)), H(r.I32(28))); break;
        case EMR_ELLIPSE: FDC->Ellipse(R(r.Rect(8))); break;
        case EMR_POLYLINE16:
        case EMR_POLYGON16:
        case EMR_POLYLINE:
        case EMR_POLYGON: {
            bool small = Rec.Type == EMR_POLYLINE16 || Rec.Type == EMR_POLYGON16;
            u32 n = r.U32(24);
            qsizetype each = small ? 4 : 8;
            if (n > 0x100000 || !r.Has(28, qsizetype(n) * each)) break;
            std::vector<TPoint> pts;
            pts.reserve(n);
            for (u32 i = 0; i < n; ++i) {
                qsizetype at = 28 + i * each;
                pts.push_back(P(small ? TPoint(r.I16(at), r.I16(at + 2)) : r.Point(at)));
            }
            if (Rec.Type == EMR_POLYLINE16 || Rec.Type == EMR_POLYLINE)
                FDC->Polyline(pts.data(), int(n));
            else
                FDC->Polygon(pts.data(), int(n));
            break;
        }
        case EMR_SETPIXELV: FDC->SetPixel(P(r.Point(8)), r.U32(16) & 0xFFFFFF); break;
        case EMR_FILLRGN:
        case EMR_FRAMERGN:
        case EMR_INVERTRGN: {
            u32 cb = r.U32(24);
            if (Rec.Type == EMR_INVERTRGN) {
                for (const TRect& x : RegionRects(r, 28, cb)) FDC->InvertRect(R(x));
                break;
            }
            TObj* o = Object(r.U32(28));
            const TLogBrush* b = o ? std::get_if<TLogBrush>(o) : nullptr;
            TLogBrush brush = b ? *b : TLogBrush();
            u32 h = r.U32(28);
            if (h & ENHMETA_STOCK_OBJECT) brush = StockBrush(h & 0x7FFFFFFF);
            else if (!b) break;
            qsizetype off = Rec.Type == EMR_FILLRGN ? 32 : 40;
            for (const TRect& x : RegionRects(r, off, cb)) {
                if (Rec.Type == EMR_FILLRGN)
                    FDC->FillRect(R(x), brush);
                else
                    FDC->FrameRect(R(x), brush);
            }
            break;
        }
        case EMR_INTERSECTCLIPRECT: FDC->IntersectClipRect(R(r.Rect(8))); break;
        case EMR_EXCLUDECLIPRECT: FDC->ExcludeClipRect(R(r.Rect(8))); break;
        case EMR_EXTSELECTCLIPRGN: Clip(r); break;
        case EMR_SAVEDC:
            FDC->SaveDC();
            FSaved.push_back({FWinOrg, FVpOrg});
            break;
        case EMR_RESTOREDC: {
            int rel = r.I32(8);
            int n = int(FSaved.size());
            // Only levels the metafile itself saved; the caller's state below stays.
            if (rel >= 0 || -rel > n) break;
            int level = n + 1 + rel;
            FDC->RestoreDC(rel);
            FWinOrg = FSaved[size_t(level - 1)].WinOrg;
            FVpOrg = FSaved[size_t(level - 1)].VpOrg;
            FSaved.resize(size_t(level - 1));
            break;
        }
        case EMR_EXTTEXTOUTW: Text(Rec); break;
        case EMR_STRETCHDIBITS:
        case EMR_BITBLT:
        case EMR_ALPHABLEND: Dib(r, Rec.Type); break;
        case EMR_EOF: return false;
        default: break;  // records this system does not write are skipped
    }
    return true;
}

}  // namespace

bool PlayEnhMetaFile(HDC DC, QByteArrayView Data, const TRect& Dest) {
    TEnhMetaHeader h;
    if (!DC || !GetEnhMetaFileHeader(Data, h)) return false;
    int level = DC->SaveDC();
    // The recording started from a fresh context: the same defaults here.
    DC->SelectPen(TLogPen());
    DC->SelectBrush(TLogBrush());
    DC->SelectFont(TLogFont());
    DC->SetTextColor(0);
    DC->SetBkColor(0xFFFFFF);
    DC->SetBkMode(OPAQUE);
    DC->SetTextAlign(TA_LEFT | TA_TOP);
    DC->SetROP2(R2_COPYPEN);
    bool ok;
    {
        TPlayer player(DC, h, Dest);
        ok = EnumEnhMetaFile(Data, [&](const TEnhMetaRecord& Rec) { return player.Record(Rec); });
    }
    DC->RestoreDC(level);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// TMetafile

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* m = dynamic_cast<TMetafile*>(Source)) {
        if (m == this) return;
        FData = m->FData;
        FMMWidth = m->FMMWidth;
        FMMHeight = m->FMMHeight;
        FEnhanced = m->FEnhanced;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

int TMetafile::Width() const { return RoundDiv((long long)FMMWidth * 96, 2540); }
int TMetafile::Height() const { return RoundDiv((long long)FMMHeight * 96, 2540); }
void TMetafile::SetWidth(int Value) { SetMMWidth(RoundDiv((long long)Value * 2540, 96)); }
void TMetafile::SetHeight(int Value) { SetMMHeight(RoundDiv((long long)Value * 2540, 96)); }

void TMetafile::SetMMWidth(int Value) {
    Value = std::max(0, Value);
    if (Value == FMMWidth) return;
    FMMWidth = Value;
    Changed();
}

void TMetafile::SetMMHeight(int Value) {
    Value = std::max(0, Value);
    if (Value == FMMHeight) return;
    FMMHeight = Value;
    Changed();
}

void TMetafile::Clear() {
    FData.clear();
    FMMWidth = FMMHeight = 0;
    Changed();
}

void TMetafile::SetData(const QByteArray& Value) {
    TEnhMetaHeader h;
    if (!GetEnhMetaFileHeader(Value, h) || h.nBytes != u32(Value.size()) || !EnumEnhMetaFile(Value, {}))
        throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
    FData = Value;
    FMMWidth = std::max(0, h.rclFrame.Width());
    FMMHeight = std::max(0, h.rclFrame.Height());
    Changed();
}

void TMetafile::LoadFromStream(TStream* Stream) {
    char head[88];
    if (Stream->Read(head, 88) != 88) throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
    QByteArray data(head, 88);
    // The header's byte count says how much of the stream is this metafile.
    TEmfReader r(data);
    if (r.U32(0) != EMR_HEADER || r.U32(40) != ENHMETA_SIGNATURE || r.U32(48) < 88 || r.U32(48) > 0x7FFFFFF0u)
        throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
    u32 n = r.U32(48);
    // The stream must hold what the header claims before anything is allocated for it.
    if (Int64(n) - 88 > Stream->Size() - Stream->Position()) throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
    data.resize(qsizetype(n));
    if (Stream->Read(data.data() + 88, Integer(n - 88)) != Integer(n - 88))
        throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
    SetData(data);
}

void TMetafile::SaveToStream(TStream* Stream) {
    if (!FData.isEmpty()) Stream->WriteBuffer(FData.constData(), Integer(FData.size()));
}

QImage TMetafile::ToImage() const {
    if (Empty() || Width() <= 0 || Height() <= 0) return QImage();
    // The frame is only a number in the header: a picture larger than a sane image is drawn
    // smaller, keeping its proportions.
    constexpr double MaxSide = 16384, MaxPixels = 32.0 * 1024 * 1024;
    double w = Width(), h = Height();
    double k = std::min({1.0, MaxSide / w, MaxSide / h, std::sqrt(MaxPixels / (w * h))});
    int iw = std::max(1, int(w * k)), ih = std::max(1, int(h * k));
    QImage img(iw, ih, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) return img;
    img.fill(Qt::transparent);
    {
        TPainterDC dc(&img);
        PlayEnhMetaFile(&dc, FData, TRect(0, 0, iw, ih));
    }
    return img;
}

void TMetafile::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    PlayEnhMetaFile(ACanvas->Handle(), FData, Rect);
}

// ---------------------------------------------------------------------------------------------
// TMetafileCanvas

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice) : FMetafile(AMetafile) {
    HDC ref = ReferenceDevice ? ReferenceDevice : ScreenDC();
    FRecorder = std::make_unique<TMetafileDC>(ref->LogPixelsX(), ref->LogPixelsY(), ref->DeviceSize());
    SetHandle(FRecorder.get());
}

TMetafileCanvas::~TMetafileCanvas() {
    SetHandle(nullptr);
    if (!FMetafile) return;
    TRect frame(0, 0, FMetafile->MMWidth(), FMetafile->MMHeight());
    bool sized = frame.Width() > 0 && frame.Height() > 0;
    try {
        FMetafile->SetData(FRecorder->Finish(sized ? &frame : nullptr));
    } catch (...) {
        // A destructor does not throw; the recording is always well-formed.
    }
}
