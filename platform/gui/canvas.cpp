#include "platform/gui/canvas.h"

#include "platform/gui/imaging.h"
#include "platform/rtl/exceptions.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTransform>
#include <cmath>

namespace {

int RegionKind(const QRegion& R) {
    if (R.isEmpty()) return NULLREGION;
    return R.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QColor ToQColor(COLORREF C) { return QColor(GetRValue(C), GetGValue(C), GetBValue(C)); }
COLORREF FromQRgb(QRgb C) { return RGB(qRed(C), qGreen(C), qBlue(C)); }

TRect Normalized(const TRect& R) {
    return TRect(std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
                 std::max(R.Top, R.Bottom));
}

int CeilMetric(qreal v) { return int(std::ceil(v - 1e-3)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDeviceContext

TDeviceContext::TDeviceContext() = default;
TDeviceContext::~TDeviceContext() = default;

void TDeviceContext::SelectFont(const TLogFont& Font) {
    if (S.Font == Font) return;
    S.Font = Font;
    FQtFont.reset();
    FMetrics.reset();
    FontChanged();
}

void TDeviceContext::SelectPen(const TLogPen& Pen) { S.Pen = Pen; }
void TDeviceContext::SelectBrush(const TLogBrush& Brush) { S.Brush = Brush; }

COLORREF TDeviceContext::SetTextColor(COLORREF Color) { return std::exchange(S.TextColor, Color & 0xFFFFFF); }
COLORREF TDeviceContext::SetBkColor(COLORREF Color) { return std::exchange(S.BkColor, Color & 0xFFFFFF); }
int TDeviceContext::SetBkMode(int Mode) { return std::exchange(S.BkMode, Mode == TRANSPARENT ? TRANSPARENT : OPAQUE); }
unsigned TDeviceContext::SetTextAlign(unsigned Align) { return std::exchange(S.TextAlign, Align); }
int TDeviceContext::SetROP2(int Rop) { return std::exchange(S.Rop2, Rop); }

TPoint TDeviceContext::SetWindowOrg(const TPoint& P) { return std::exchange(S.WindowOrg, P); }
TPoint TDeviceContext::SetViewportOrg(const TPoint& P) { return std::exchange(S.ViewportOrg, P); }
unsigned TDeviceContext::SetLayout(unsigned Layout) { return std::exchange(S.Layout, Layout); }

XFORM CombineXForm(const XFORM& A, const XFORM& B) {
    XFORM r;
    r.eM11 = A.eM11 * B.eM11 + A.eM12 * B.eM21;
    r.eM12 = A.eM11 * B.eM12 + A.eM12 * B.eM22;
    r.eM21 = A.eM21 * B.eM11 + A.eM22 * B.eM21;
    r.eM22 = A.eM21 * B.eM12 + A.eM22 * B.eM22;
    r.eDx = A.eDx * B.eM11 + A.eDy * B.eM21 + B.eDx;
    r.eDy = A.eDx * B.eM12 + A.eDy * B.eM22 + B.eDy;
    return r;
}

int TDeviceContext::SetGraphicsMode(int Mode) {
    if (Mode != GM_COMPATIBLE && Mode != GM_ADVANCED) return 0;
    if (Mode == GM_COMPATIBLE && !S.World.IsIdentity()) return 0;
    return std::exchange(S.GraphicsMode, Mode);
}

bool TDeviceContext::SetWorldTransform(const XFORM& X) {
    if (S.GraphicsMode != GM_ADVANCED) return false;
    if (X.eM11 * X.eM22 - X.eM12 * X.eM21 == 0) return false;
    S.World = X;
    return true;
}

bool TDeviceContext::ModifyWorldTransform(const XFORM* X, unsigned Mode) {
    if (S.GraphicsMode != GM_ADVANCED) return false;
    if (Mode == MWT_IDENTITY) {
        S.World = XFORM();
        return true;
    }
    if (!X || (Mode != MWT_LEFTMULTIPLY && Mode != MWT_RIGHTMULTIPLY)) return false;
    XFORM r = Mode == MWT_LEFTMULTIPLY ? CombineXForm(*X, S.World) : CombineXForm(S.World, *X);
    if (r.eM11 * r.eM22 - r.eM12 * r.eM21 == 0) return false;
    S.World = r;
    return true;
}

namespace {

TPoint WorldToPage(const XFORM& W, long long X, long long Y) {
    if (W.IsIdentity()) return {SatInt(X), SatInt(Y)};
    double x = double(X) * W.eM11 + double(Y) * W.eM21 + W.eDx;
    double y = double(X) * W.eM12 + double(Y) * W.eM22 + W.eDy;
    return {SatInt(std::llround(x)), SatInt(std::llround(y))};
}

TPoint PageToWorld(const XFORM& W, long long X, long long Y) {
    if (W.IsIdentity()) return {SatInt(X), SatInt(Y)};
    double det = W.eM11 * W.eM22 - W.eM12 * W.eM21;
    double px = double(X) - W.eDx, py = double(Y) - W.eDy;
    double x = (px * W.eM22 - py * W.eM21) / det;
    double y = (py * W.eM11 - px * W.eM12) / det;
    return {SatInt(std::llround(x)), SatInt(std::llround(y))};
}

// The bounding box of a rectangle's four corners carried through Map.
template <class F> TRect MapRectCorners(const TRect& R, F Map) {
    TPoint c[4] = {Map(R.Left, R.Top), Map(R.Right, R.Top), Map(R.Left, R.Bottom), Map(R.Right, R.Bottom)};
    TRect b(c[0].X, c[0].Y, c[0].X, c[0].Y);
    for (const TPoint& p : c) {
        b.Left = std::min(b.Left, p.X);
        b.Top = std::min(b.Top, p.Y);
        b.Right = std::max(b.Right, p.X);
        b.Bottom = std::max(b.Bottom, p.Y);
    }
    return b;
}

}  // namespace

TPoint TDeviceContext::LPtoDP(const TPoint& P) const {
    TPoint w = WorldToPage(S.World, P.X, P.Y);
    long long dx = (long long)S.ViewportOrg.X - S.WindowOrg.X, dy = (long long)S.ViewportOrg.Y - S.WindowOrg.Y;
    int x = SatInt(w.X + dx);
    int y = SatInt(w.Y + dy);
    if (S.Layout & LAYOUT_RTL) x = SatInt((long long)DeviceSize().cx - 1 - x);
    return {x, y};
}

TPoint TDeviceContext::DPtoLP(const TPoint& P) const {
    long long x = P.X;
    if (S.Layout & LAYOUT_RTL) x = (long long)DeviceSize().cx - 1 - x;
    long long dx = (long long)S.WindowOrg.X - S.ViewportOrg.X, dy = (long long)S.WindowOrg.Y - S.ViewportOrg.Y;
    return PageToWorld(S.World, x + dx, P.Y + dy);
}

TRect TDeviceContext::LPtoDP(const TRect& R) const {
    TRect n = Normalized(R);
    if (!S.World.IsIdentity())
        n = MapRectCorners(n, [this](long long X, long long Y) { return WorldToPage(S.World, X, Y); });
    long long dx = (long long)S.ViewportOrg.X - S.WindowOrg.X, dy = (long long)S.ViewportOrg.Y - S.WindowOrg.Y;
    TRect d(SatInt(n.Left + dx), SatInt(n.Top + dy), SatInt(n.Right + dx), SatInt(n.Bottom + dy));
    if (S.Layout & LAYOUT_RTL) {
        long long w = DeviceSize().cx;
        d = TRect(SatInt(w - d.Right), d.Top, SatInt(w - d.Left), d.Bottom);
    }
    return d;
}

TRect TDeviceContext::DPtoLP(const TRect& R) const {
    TRect d = Normalized(R);
    if (S.Layout & LAYOUT_RTL) {
        long long w = DeviceSize().cx;
        d = TRect(SatInt(w - d.Right), d.Top, SatInt(w - d.Left), d.Bottom);
    }
    long long dx = (long long)S.WindowOrg.X - S.ViewportOrg.X, dy = (long long)S.WindowOrg.Y - S.ViewportOrg.Y;
    TRect p(SatInt(d.Left + dx), SatInt(d.Top + dy), SatInt(d.Right + dx), SatInt(d.Bottom + dy));
    if (S.World.IsIdentity()) return p;
    return MapRectCorners(p, [this](long long X, long long Y) { return PageToWorld(S.World, X, Y); });
}

QRegion TDeviceContext::DeviceRegion(const TRect& LogicalRect) const {
    return QRegion(LPtoDP(LogicalRect).ToQRect());
}

int TDeviceContext::SaveDC() {
    FSaved.push_back(S);
    return int(FSaved.size());
}

bool TDeviceContext::RestoreDC(int SavedDC) {
    int n = int(FSaved.size());
    int level = SavedDC < 0 ? n + 1 + SavedDC : SavedDC;
    if (level < 1 || level > n) return false;
    TLogFont oldFont = S.Font;
    S = FSaved[size_t(level - 1)];
    FSaved.resize(size_t(level - 1));
    if (!(oldFont == S.Font)) {
        FQtFont.reset();
        FMetrics.reset();
        FontChanged();
    }
    ClipChanged();
    return true;
}

int TDeviceContext::IntersectClipRect(const TRect& R) {
    QRegion r = DeviceRegion(R);
    if (S.HasClip)
        S.Clip = S.Clip.intersected(r);
    else
        S.Clip = r.intersected(QRect(0, 0, DeviceSize().cx, DeviceSize().cy));
    S.HasClip = true;
    ClipChanged();
    return RegionKind(S.Clip);
}

int TDeviceContext::ExcludeClipRect(const TRect& R) {
    QRegion base = S.HasClip ? S.Clip : QRegion(QRect(0, 0, DeviceSize().cx, DeviceSize().cy));
    S.Clip = base.subtracted(DeviceRegion(R));
    S.HasClip = true;
    ClipChanged();
    return RegionKind(S.Clip);
}

int TDeviceContext::SelectClipRgn(const TRegion* Rgn) {
    if (!Rgn) {
        S.HasClip = false;
        S.Clip = QRegion();
        ClipChanged();
        return SIMPLEREGION;
    }
    // The region is in device units, as the window's own rectangles are.
    QRegion r;
    for (const TRect& x : Rgn->Rects()) r += Normalized(x).ToQRect();
    S.Clip = r;
    S.HasClip = true;
    ClipChanged();
    return RegionKind(S.Clip);
}

int TDeviceContext::GetClipBox(TRect& R) const {
    if (!S.HasClip) {
        R = DPtoLP(TRect(0, 0, DeviceSize().cx, DeviceSize().cy));
        return SIMPLEREGION;
    }
    if (S.Clip.isEmpty()) {
        R = TRect();
        return NULLREGION;
    }
    R = DPtoLP(TRect::FromQRect(S.Clip.boundingRect()));
    return RegionKind(S.Clip);
}

bool TDeviceContext::RectVisible(const TRect& R) const {
    QRect d = LPtoDP(R).ToQRect();
    if (d.isEmpty()) return false;
    if (!S.HasClip) return d.intersects(QRect(0, 0, DeviceSize().cx, DeviceSize().cy));
    return S.Clip.intersects(d);
}

TPoint TDeviceContext::MoveTo(const TPoint& P) { return std::exchange(S.PenPos, P); }

const QFont& TDeviceContext::QtFont() const {
    if (!FQtFont) FQtFont = QtFontFromLogFont(S.Font);
    return *FQtFont;
}

const QFontMetricsF& TDeviceContext::FontMetrics() const {
    if (!FMetrics) FMetrics.emplace(QtFont());
    return *FMetrics;
}

TSize TDeviceContext::GetTextExtent(const String& Text) const {
    const QFontMetricsF& fm = FontMetrics();
    int w = Text.isEmpty() ? 0 : int(std::lround(fm.horizontalAdvance(Text)));
    return TSize(w, CeilMetric(fm.ascent()) + CeilMetric(fm.descent()));
}

int TDeviceContext::LineHeight() const {
    const QFontMetricsF& fm = FontMetrics();
    return CeilMetric(fm.ascent()) + CeilMetric(fm.descent());
}

bool TDeviceContext::GetTextMetrics(TTextMetric& TM) const {
    const QFontMetricsF& fm = FontMetrics();
    const QFont& f = QtFont();
    TM = TTextMetric();
    TM.tmAscent = CeilMetric(fm.ascent());
    TM.tmDescent = CeilMetric(fm.descent());
    TM.tmHeight = TM.tmAscent + TM.tmDescent;
    TM.tmInternalLeading = std::max(0, TM.tmHeight - f.pixelSize());
    TM.tmExternalLeading = std::max(0, int(std::lround(fm.leading())));
    TM.tmAveCharWidth = int(std::lround(fm.averageCharWidth()));
    TM.tmMaxCharWidth = CeilMetric(fm.maxWidth());
    TM.tmWeight = S.Font.lfWeight;
    TM.tmItalic = S.Font.lfItalic;
    TM.tmUnderlined = S.Font.lfUnderline;
    TM.tmStruckOut = S.Font.lfStrikeOut;
    TM.tmCharSet = S.Font.lfCharSet;
    // As GDI reports it: the low bit set means a variable-pitch font.
    TM.tmPitchAndFamily = f.fixedPitch() ? 0 : 1;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TPainterDC

TPainterDC::TPainterDC(QPaintDevice* Device) : FDevice(Device) {
    FPainter = new QPainter();
    FOwnsPainter = true;
    if (FDevice) FPainter->begin(FDevice);
    Prepare();
}

TPainterDC::TPainterDC(QPainter* Painter) : FPainter(Painter) {
    FDevice = Painter ? Painter->device() : nullptr;
    Prepare();
}

TPainterDC::~TPainterDC() {
    if (FOwnsPainter) {
        if (FPainter->isActive()) FPainter->end();
        delete FPainter;
    }
}

void TPainterDC::Prepare() {
    if (!FPainter || !FPainter->isActive()) return;
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    FPainter->setRenderHint(QPainter::TextAntialiasing, true);
    FPainter->setBackgroundMode(Qt::TransparentMode);
}

int TPainterDC::LogPixelsX() const { return FDevice ? FDevice->logicalDpiX() : 96; }
int TPainterDC::LogPixelsY() const { return FDevice ? FDevice->logicalDpiY() : 96; }
TSize TPainterDC::DeviceSize() const { return FDevice ? TSize(FDevice->width(), FDevice->height()) : TSize(); }

QImage* TPainterDC::TargetImage() const {
    if (FDevice && FDevice->devType() == QInternal::Image) return static_cast<QImage*>(FDevice);
    return nullptr;
}

void TPainterDC::ClipChanged() {
    if (!FPainter || !FPainter->isActive()) return;
    // Qt ignores a later clip region once clipping was switched off, so "no clip" is the
    // device's whole area.
    if (S.HasClip)
        FPainter->setClipRegion(S.Clip);
    else
        FPainter->setClipRect(QRect(0, 0, DeviceSize().cx, DeviceSize().cy));
}

namespace {

struct RopMode {
    QPainter::CompositionMode Mode = QPainter::CompositionMode_SourceOver;
    bool Skip = false;
    std::optional<QColor> Override;
};

RopMode ModeForROP2(int Rop) {
    RopMode m;
    switch (Rop) {
        case R2_BLACK: m.Override = QColor(0, 0, 0); break;
        case R2_WHITE: m.Override = QColor(255, 255, 255); break;
        case R2_NOP: m.Skip = true; break;
        case R2_NOT: m.Mode = QPainter::RasterOp_NotDestination; break;
        case R2_NOTCOPYPEN: m.Mode = QPainter::RasterOp_NotSource; break;
        case R2_XORPEN: m.Mode = QPainter::RasterOp_SourceXorDestination; break;
        case R2_NOTXORPEN: m.Mode = QPainter::RasterOp_NotSourceXorDestination; break;
        case R2_MERGEPEN: m.Mode = QPainter::RasterOp_SourceOrDestination; break;
        case R2_MASKPEN: m.Mode = QPainter::RasterOp_SourceAndDestination; break;
        case R2_NOTMERGEPEN: m.Mode = QPainter::RasterOp_NotSourceAndNotDestination; break;
        case R2_NOTMASKPEN: m.Mode = QPainter::RasterOp_NotSourceOrNotDestination; break;
        case R2_MASKPENNOT: m.Mode = QPainter::RasterOp_SourceAndNotDestination; break;
        case R2_MASKNOTPEN: m.Mode = QPainter::RasterOp_NotSourceAndDestination; break;
        case R2_MERGEPENNOT: m.Mode = QPainter::RasterOp_SourceOrNotDestination; break;
        case R2_MERGENOTPEN: m.Mode = QPainter::RasterOp_NotSourceOrDestination; break;
        default: break;
    }
    return m;
}

QPainter::CompositionMode ModeForBlt(unsigned Rop) {
    switch (Rop) {
        case SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
        case SRCAND: return QPainter::RasterOp_SourceAndDestination;
        case SRCINVERT: return QPainter::RasterOp_SourceXorDestination;
        case SRCERASE: return QPainter::RasterOp_SourceAndNotDestination;
        case NOTSRCCOPY: return QPainter::RasterOp_NotSource;
        case NOTSRCERASE: return QPainter::RasterOp_NotSourceAndNotDestination;
        case MERGEPAINT: return QPainter::RasterOp_NotSourceOrDestination;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

Qt::BrushStyle HatchStyle(int Hatch) {
    switch (Hatch) {
        case HS_HORIZONTAL: return Qt::HorPattern;
        case HS_VERTICAL: return Qt::VerPattern;
        case HS_FDIAGONAL: return Qt::FDiagPattern;
        case HS_BDIAGONAL: return Qt::BDiagPattern;
        case HS_CROSS: return Qt::CrossPattern;
        default: return Qt::DiagCrossPattern;
    }
}

}  // namespace

// The pen of the current state on the painter: cosmetic for widths 0 and 1, flat caps so a line
// leaves out its last point, GDI's dash lengths for styled cosmetic pens.
void TPainterDC::ApplyPen(bool ForShape) {
    const TLogPen& lp = S.Pen;
    if (lp.lopnStyle == PS_NULL) {
        FPainter->setPen(Qt::NoPen);
        return;
    }
    RopMode rm = ModeForROP2(S.Rop2);
    QColor c = rm.Override ? *rm.Override : ToQColor(lp.lopnColor);
    QPen pen(c);
    if (lp.lopnWidth <= 1) {
        pen.setWidth(0);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        switch (lp.lopnStyle) {
            case PS_DASH: pen.setDashPattern({18, 6}); break;
            case PS_DOT: pen.setDashPattern({3, 3}); break;
            case PS_DASHDOT: pen.setDashPattern({9, 6, 3, 6}); break;
            case PS_DASHDOTDOT: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
            default: break;
        }
    } else {
        pen.setWidth(lp.lopnWidth);
        pen.setCapStyle(ForShape ? Qt::SquareCap : Qt::RoundCap);
        pen.setJoinStyle(ForShape ? Qt::MiterJoin : Qt::RoundJoin);
    }
    FPainter->setPen(pen);
    FPainter->setCompositionMode(rm.Mode);
}

void TPainterDC::ApplyBrush() {
    const TLogBrush& lb = S.Brush;
    RopMode rm = ModeForROP2(S.Rop2);
    if (lb.lbStyle == BS_NULL) {
        FPainter->setBrush(Qt::NoBrush);
        return;
    }
    QColor c = rm.Override ? *rm.Override : ToQColor(lb.lbColor);
    FPainter->setBrush(lb.lbStyle == BS_HATCHED ? QBrush(c, HatchStyle(lb.lbHatch)) : QBrush(c));
}

void TPainterDC::LineTo(const TPoint& P) {
    if (FPainter && FPainter->isActive() && S.Pen.lopnStyle != PS_NULL && !ModeForROP2(S.Rop2).Skip) {
        ApplyPen(false);
        TPoint a = LPtoDP(S.PenPos), b = LPtoDP(P);
        FPainter->drawLine(QPoint(a.X, a.Y), QPoint(b.X, b.Y));
        FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    S.PenPos = P;
}

void TPainterDC::Polyline(const TPoint* Points, int Count) {
    if (!FPainter || !FPainter->isActive() || Count < 2 || S.Pen.lopnStyle == PS_NULL || ModeForROP2(S.Rop2).Skip) return;
    ApplyPen(false);
    QPolygon poly;
    for (int i = 0; i < Count; ++i) {
        TPoint d = LPtoDP(Points[i]);
        poly << QPoint(d.X, d.Y);
    }
    FPainter->drawPolyline(poly);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::Polygon(const TPoint* Points, int Count) {
    if (!FPainter || !FPainter->isActive() || Count < 2 || ModeForROP2(S.Rop2).Skip) return;
    ApplyPen(true);
    ApplyBrush();
    QPolygon poly;
    for (int i = 0; i < Count; ++i) {
        TPoint d = LPtoDP(Points[i]);
        poly << QPoint(d.X, d.Y);
    }
    FPainter->setCompositionMode(ModeForROP2(S.Rop2).Mode);
    FPainter->drawPolygon(poly, Qt::OddEvenFill);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::Rectangle(const TRect& R) {
    if (!FPainter || !FPainter->isActive() || ModeForROP2(S.Rop2).Skip) return;
    TRect d = LPtoDP(R);
    if (d.IsEmpty()) return;
    QPainter::CompositionMode mode = ModeForROP2(S.Rop2).Mode;
    ApplyBrush();
    QBrush brush = FPainter->brush();
    FPainter->setCompositionMode(mode);
    if (S.Pen.lopnStyle == PS_NULL) {
        // Without a pen the filled area is one pixel smaller at the right and bottom.
        if (brush.style() != Qt::NoBrush && d.Width() > 1 && d.Height() > 1)
            FPainter->fillRect(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1), brush);
        FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    int w = std::max(1, S.Pen.lopnWidth);
    int inset = S.Pen.lopnStyle == PS_INSIDEFRAME ? 0 : w / 2;
    // Outline pixels lie inside [Left, Right) x [Top, Bottom) for a one-pixel pen.
    TRect frame(d.Left - inset, d.Top - inset, d.Right + inset, d.Bottom + inset);
    if (w > 1 && S.Pen.lopnStyle == PS_INSIDEFRAME) frame = d;
    TRect inner(frame.Left + w, frame.Top + w, frame.Right - w, frame.Bottom - w);
    if (brush.style() != Qt::NoBrush && !inner.IsEmpty()) FPainter->fillRect(inner.ToQRect(), brush);
    if (w <= 1) {
        ApplyPen(true);
        FPainter->setBrush(Qt::NoBrush);
        if (d.Width() == 1 || d.Height() == 1)
            FPainter->fillRect(d.ToQRect(), FPainter->pen().color());
        else
            FPainter->drawRect(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1));
    } else {
        QColor pc = ModeForROP2(S.Rop2).Override.value_or(ToQColor(S.Pen.lopnColor));
        QRegion ring = QRegion(frame.ToQRect()).subtracted(QRegion(inner.ToQRect()));
        for (const QRect& r : ring) FPainter->fillRect(r, pc);
    }
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::RoundRect(const TRect& R, int EllipseWidth, int EllipseHeight) {
    if (!FPainter || !FPainter->isActive() || ModeForROP2(S.Rop2).Skip) return;
    TRect d = LPtoDP(R);
    if (d.Width() < 2 || d.Height() < 2) return;
    ApplyPen(true);
    ApplyBrush();
    FPainter->setCompositionMode(ModeForROP2(S.Rop2).Mode);
    FPainter->drawRoundedRect(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1), EllipseWidth / 2.0,
                              EllipseHeight / 2.0, Qt::AbsoluteSize);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::Ellipse(const TRect& R) {
    if (!FPainter || !FPainter->isActive() || ModeForROP2(S.Rop2).Skip) return;
    TRect d = LPtoDP(R);
    if (d.Width() < 2 || d.Height() < 2) return;
    ApplyPen(true);
    ApplyBrush();
    FPainter->setCompositionMode(ModeForROP2(S.Rop2).Mode);
    FPainter->drawEllipse(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1));
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::FillRect(const TRect& R, const TLogBrush& Brush) {
    if (!FPainter || !FPainter->isActive() || Brush.lbStyle == BS_NULL) return;
    TRect d = LPtoDP(R);
    if (d.IsEmpty()) return;
    if (Brush.lbStyle == BS_HATCHED) {
        if (S.BkMode == OPAQUE) FPainter->fillRect(d.ToQRect(), ToQColor(S.BkColor));
        FPainter->fillRect(d.ToQRect(), QBrush(ToQColor(Brush.lbColor), HatchStyle(Brush.lbHatch)));
    } else {
        FPainter->fillRect(d.ToQRect(), ToQColor(Brush.lbColor));
    }
}

void TPainterDC::FrameRect(const TRect& R, const TLogBrush& Brush) {
    if (!FPainter || !FPainter->isActive() || Brush.lbStyle == BS_NULL) return;
    TRect d = LPtoDP(R);
    if (d.IsEmpty()) return;
    QColor c = ToQColor(Brush.lbColor);
    QRegion ring = QRegion(d.ToQRect());
    if (d.Width() > 2 && d.Height() > 2) ring -= QRegion(d.Left + 1, d.Top + 1, d.Width() - 2, d.Height() - 2);
    for (const QRect& r : ring) FPainter->fillRect(r, c);
}

void TPainterDC::InvertRect(const TRect& R) {
    if (!FPainter || !FPainter->isActive()) return;
    TRect d = LPtoDP(R);
    if (d.IsEmpty()) return;
    FPainter->setCompositionMode(QPainter::RasterOp_NotDestination);
    FPainter->fillRect(d.ToQRect(), Qt::black);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// Inverts every other pixel of the frame, so drawing it twice restores the picture.
void TPainterDC::DrawFocusRect(const TRect& R) {
    if (!FPainter || !FPainter->isActive()) return;
    TRect d = LPtoDP(R);
    if (d.IsEmpty()) return;
    QPolygon pts;
    auto add = [&](int x, int y) {
        if (((x + y) & 1) == 0) pts << QPoint(x, y);
    };
    for (int x = d.Left; x < d.Right; ++x) {
        add(x, d.Top);
        if (d.Bottom - 1 > d.Top) add(x, d.Bottom - 1);
    }
    for (int y = d.Top + 1; y < d.Bottom - 1; ++y) {
        add(d.Left, y);
        if (d.Right - 1 > d.Left) add(d.Right - 1, y);
    }
    FPainter->setCompositionMode(QPainter::RasterOp_NotDestination);
    QPen pen(Qt::black, 0);
    pen.setCapStyle(Qt::SquareCap);
    FPainter->setPen(pen);
    FPainter->drawPoints(pts);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const String& Text, const int* Dx) {
    if (!FPainter || !FPainter->isActive()) return;
    const QFontMetricsF& fm = FontMetrics();
    TTextMetric tm;
    GetTextMetrics(tm);
    if (S.TextAlign & TA_UPDATECP) {
        X = S.PenPos.X;
        Y = S.PenPos.Y;
    }
    int tw = 0;
    if (Dx) {
        for (int i = 0; i < Text.size(); ++i) tw += Dx[i];
    } else {
        tw = GetTextExtent(Text).cx;
    }
    FPainter->save();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (Rect && (Options & ETO_OPAQUE)) FPainter->fillRect(LPtoDP(*Rect).ToQRect(), ToQColor(S.BkColor));
    if (Rect && (Options & ETO_CLIPPED)) {
        QRegion r(LPtoDP(*Rect).ToQRect());
        if (S.HasClip) r = r.intersected(S.Clip);
        FPainter->setClipRegion(r);
    }
    // The reference point in device units; alignment applies along the baseline from there.
    TPoint ref = LPtoDP(TPoint(X, Y));
    if (S.Layout & LAYOUT_RTL) ref.X += 1;
    unsigned h = S.TextAlign & (TA_CENTER | TA_RIGHT);
    unsigned v = S.TextAlign & TA_BASELINE;
    int ox = h == TA_CENTER ? -tw / 2 : h == TA_RIGHT ? -tw : 0;
    int oy = v == TA_BASELINE ? -tm.tmAscent : v == TA_BOTTOM ? -tm.tmHeight : 0;
    FPainter->translate(ref.X, ref.Y);
    if (!S.World.IsIdentity())
        FPainter->setTransform(QTransform(S.World.eM11, S.World.eM12, S.World.eM21, S.World.eM22, 0, 0), true);
    if (S.Font.lfEscapement % 3600 != 0) FPainter->rotate(-S.Font.lfEscapement / 10.0);
    QRect box(ox, oy, tw, tm.tmHeight);
    if (S.BkMode == OPAQUE && !(Rect && (Options & ETO_OPAQUE))) FPainter->fillRect(box, ToQColor(S.BkColor));
    FPainter->setFont(QtFont());
    FPainter->setPen(ToQColor(S.TextColor));
    bool rtl = (Options & ETO_RTLREADING) || (S.TextAlign & TA_RTLREADING);
    qreal baseline = oy + tm.tmAscent;
    if (Dx) {
        qreal x = ox;
        for (int i = 0; i < Text.size(); ++i) {
            FPainter->drawText(QPointF(x, baseline), QString(Text[i]));
            x += Dx[i];
        }
    } else if (rtl) {
        FPainter->setLayoutDirection(Qt::RightToLeft);
        FPainter->drawText(QRectF(ox, oy, tw + fm.maxWidth(), tm.tmHeight),
                           int(Qt::AlignRight | Qt::AlignTop | Qt::TextForceRightToLeft | Qt::TextDontClip),
                           Text);
    } else {
        FPainter->drawText(QPointF(ox, baseline), Text);
    }
    FPainter->restore();
    if (S.TextAlign & TA_UPDATECP) S.PenPos.X = X + (h == TA_RIGHT ? -tw : h == TA_CENTER ? 0 : tw);
}

void TPainterDC::SetPixel(const TPoint& P, COLORREF Color) {
    if (!FPainter || !FPainter->isActive()) return;
    TPoint d = LPtoDP(P);
    FPainter->fillRect(QRect(d.X, d.Y, 1, 1), ToQColor(Color));
}

COLORREF TPainterDC::GetPixel(const TPoint& P) const {
    const QImage* img = TargetImage();
    if (!img) return CLR_INVALID;
    TPoint d = LPtoDP(P);
    if (!img->valid(d.X, d.Y)) return CLR_INVALID;
    if (S.HasClip && !S.Clip.contains(QPoint(d.X, d.Y))) return CLR_INVALID;
    return FromQRgb(img->pixel(d.X, d.Y));
}

void TPainterDC::StretchBlt(const TRect& Dest, const QImage& Src, const TRect& SrcRect, unsigned Rop) {
    if (!FPainter || !FPainter->isActive()) return;
    TRect d = LPtoDP(Dest);
    if (d.IsEmpty()) return;
    switch (Rop) {
        case BLACKNESS: FPainter->fillRect(d.ToQRect(), Qt::black); return;
        case WHITENESS: FPainter->fillRect(d.ToQRect(), Qt::white); return;
        case DSTINVERT: InvertRect(Dest); return;
        case PATCOPY: FillRect(Dest, S.Brush); return;
        default: break;
    }
    if (Src.isNull()) return;
    // Block transfers ignore the alpha channel.
    QImage src = Src.hasAlphaChannel() ? Src.convertToFormat(QImage::Format_RGB32) : Src;
    FPainter->setCompositionMode(ModeForBlt(Rop));
    FPainter->drawImage(d.ToQRect(), src, Normalized(SrcRect).ToQRect());
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPainterDC::AlphaBlend(const TRect& Dest, const QImage& Src, const TRect& SrcRect, int ConstAlpha) {
    if (!FPainter || !FPainter->isActive() || Src.isNull()) return;
    TRect d = LPtoDP(Dest);
    if (d.IsEmpty()) return;
    FPainter->save();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter->setOpacity(std::clamp(ConstAlpha, 0, 255) / 255.0);
    FPainter->drawImage(d.ToQRect(), Src, Normalized(SrcRect).ToQRect());
    FPainter->restore();
}

QImage TPainterDC::GrabImage(const TRect& R) const {
    const QImage* img = TargetImage();
    if (!img) return QImage();
    return img->copy(LPtoDP(R).ToQRect());
}

// ---------------------------------------------------------------------------------------------

TMeasureDC::TMeasureDC(int Dpi, TSize Size) : FDpi(Dpi > 0 ? Dpi : 96), FSize(Size) {}

HDC ScreenDC() {
    static TMeasureDC* dc = new TMeasureDC();
    return dc;
}

// ---------------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas() : FFont(NewOwned<TFont>()), FPen(NewOwned<TPen>()), FBrush(NewOwned<TBrush>()) {
    FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
    FPen->OnChange = TNotifyEvent(this, &TCanvas::PenChanged);
    FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas() = default;

void TCanvas::FontChanged(TObject*) { FState.Exclude(csFontValid); }
void TCanvas::PenChanged(TObject*) { FState.Exclude(csPenValid); }
void TCanvas::BrushChanged(TObject*) { FState.Exclude(csBrushValid); }

// Code that draws through the handle gets the canvas's font, pen and brush selected.
HDC TCanvas::Handle() {
    RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
    return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
    if (FHandle == Value) return;
    FHandle = Value;
    FState = FHandle ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::DeselectHandles() { FState = FHandle ? TCanvasState{csHandleValid} : TCanvasState{}; }

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::RequiredState(TCanvasState ReqState) {
    TCanvasState needed = ReqState - FState;
    if (needed.Empty()) return;
    if (needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!FHandle) throw EInvalidOperation(QStringLiteral("Canvas does not allow drawing"));
        FState.Include(csHandleValid);
    }
    if (needed.Contains(csFontValid)) {
        FHandle->SelectFont(FFont->LogFont());
        FHandle->SetTextColor(ColorToRGB(FFont->Color()));
        FState.Include(csFontValid);
    }
    if (needed.Contains(csPenValid)) {
        FHandle->SelectPen(FPen->LogPen());
        FHandle->SetROP2(PenModeToROP2(FPen->Mode()));
        FState.Include(csPenValid);
    }
    if (needed.Contains(csBrushValid)) {
        FHandle->SelectBrush(FBrush->LogBrush());
        COLORREF c = ColorToRGB(FBrush->Color());
        if (FBrush->Style() == bsSolid) {
            FHandle->SetBkColor(c);
            FHandle->SetBkMode(OPAQUE);
        } else {
            FHandle->SetBkColor(~c & 0xFFFFFF);
            FHandle->SetBkMode(TRANSPARENT);
        }
        FState.Include(csBrushValid);
    }
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() const { return FHandle ? FHandle->PenPos() : TPoint(); }

TCanvasOrientation TCanvas::CanvasOrientation() {
    RequiredState({csHandleValid});
    return (FHandle->Layout() & LAYOUT_RTL) ? coRightToLeft : coLeftToRight;
}

TRect TCanvas::ClipRect() {
    RequiredState({csHandleValid});
    TRect r;
    FHandle->GetClipBox(r);
    return r;
}

TColor TCanvas::Pixels(int X, int Y) {
    RequiredState({csHandleValid});
    COLORREF c = FHandle->GetPixel(TPoint(X, Y));
    return c == CLR_INVALID ? TColor(-1) : TColor(c);
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    FHandle->SetPixel(TPoint(X, Y), ColorToRGB(Value));
    Changed();
}

void TCanvas::MoveTo(int X, int Y) {
    RequiredState({csHandleValid});
    FHandle->MoveTo(TPoint(X, Y));
}

void TCanvas::LineTo(int X, int Y) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    FHandle->LineTo(TPoint(X, Y));
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    FHandle->Polyline(Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    FHandle->Polygon(Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    FHandle->Rectangle(TRect(X1, Y1, X2, Y2));
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    FHandle->RoundRect(TRect(X1, Y1, X2, Y2), X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    FHandle->Ellipse(TRect(X1, Y1, X2, Y2));
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    FHandle->FillRect(R, FBrush->LogBrush());
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    FHandle->FrameRect(R, FBrush->LogBrush());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    FHandle->DrawFocusRect(R);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const String& Text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    int tw = FHandle->GetTextExtent(Text).cx;
    if (CanvasOrientation() == coRightToLeft) X += tw + 1;
    FHandle->ExtTextOut(X, Y, unsigned(FTextFlags), nullptr, Text);
    FHandle->MoveTo(TPoint(X + tw, Y));
    Changed();
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const String& Text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    unsigned options = ETO_CLIPPED | (unsigned(FTextFlags) & ~unsigned(ETO_OPAQUE));
    if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
    if (CanvasOrientation() == coRightToLeft) X += FHandle->GetTextExtent(Text).cx + 1;
    FHandle->ExtTextOut(X, Y, options, &R, Text);
    Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
    RequiredState({csHandleValid, csFontValid});
    return FHandle->GetTextExtent(Text);
}

int TCanvas::TextWidth(const String& Text) { return TextExtent(Text).cx; }
int TCanvas::TextHeight(const String&) {
    RequiredState({csHandleValid, csFontValid});
    return FHandle->LineHeight();
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, TRect(X, Y, X + Graphic->Width(), Y + Graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, R);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    QImage img = Canvas->Handle()->GrabImage(Source);
    FHandle->StretchBlt(Dest, img, TRect(0, 0, img.width(), img.height()), FCopyMode);
    Changed();
}
