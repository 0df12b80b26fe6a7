#include "grid/base/buttonpaintvz.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/imaging.h"

#include <algorithm>
#include <cmath>

namespace {

// The classic check-box image is 13 by 13 pixels (the same square DrawFrameControl draws).
constexpr int kCheckBoxSide = 13;

void FillDC(HDC DC, const TRect& R, TColor Color) {
    if (R.IsEmpty()) return;
    TLogBrush b;
    b.lbColor = ColorToRGB(Color);
    DC->FillRect(R, b);
}

void FrameDC(HDC DC, const TRect& R, TColor Color) {
    if (R.IsEmpty()) return;
    TLogBrush b;
    b.lbColor = ColorToRGB(Color);
    DC->FrameRect(R, b);
}

TRect Inset(TRect R, int D) {
    R.Inflate(-D, -D);
    return R;
}

// Shrinks the longer side to the shorter one, centred; an odd extra pixel comes off the right or
// bottom.
TRect SquareIn(const TRect& R) {
    int s = std::min(R.Width(), R.Height());
    int l = R.Left + (R.Width() - s) / 2;
    int t = R.Top + (R.Height() - s) / 2;
    return TRect(l, t, l + s, t + s);
}

TColor GlyphColor(bool Enabled) { return Enabled ? clBtnText : clBtnShadow; }

// The background of the ellipsis, plus, minus and alternative arrow styles; answers the glyph area
// (the rectangle itself when nothing is drawn, GlyphInsetWithoutBack applied then).
TRect DrawGlyphBack(TCanvas* Canvas, const TRect& R, bool Flat, bool Pressed, bool DrawBack,
                    int GlyphInsetWithoutBack) {
    HDC dc = Canvas->Handle();
    if (!DrawBack) return Inset(R, GlyphInsetWithoutBack);
    if (Flat) {
        FillDC(dc, R, clBtnFace);
        return Inset(R, 1);
    }
    TRect e = R;
    DrawEdge(dc, e, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
    return Inset(R, 2);
}

// A solid rectangle of the glyph; disabled glyphs get a highlight copy one pixel right and down
// under the shadow-coloured one.
void GlyphBar(HDC DC, const TRect& R, bool Enabled) {
    if (!Enabled) {
        TRect h = R;
        h.Offset(1, 1);
        FillDC(DC, h, clBtnHighlight);
    }
    FillDC(DC, R, GlyphColor(Enabled));
}

void DrawEllipsis(TCanvas* Canvas, const TRect& A, bool Enabled, bool Pressed) {
    int size = A.Width() > 7 ? 2 : 1;
    int gap = A.Width() < 12 ? 1 : 2;
    int p = Pressed ? 1 : 0;
    int x = A.Left + A.Width() / 2 + p - size / 2;
    int y = A.Top + p + A.Height() / 2 - size / 2;
    HDC dc = Canvas->Handle();
    for (int i = -1; i <= 1; ++i) {
        int dx = x + i * (gap + size);
        GlyphBar(dc, TRect(dx, y, dx + size, y + size), Enabled);
    }
}

void DrawPlusMinus(TCanvas* Canvas, const TRect& A, bool Plus, bool Flat, bool Enabled, bool Pressed) {
    int s = std::min(A.Width(), A.Height());
    int l = std::max(1, s * 4 / 7);
    int t = std::max(1, l / 3);
    if (l % 2 != s % 2) l += Flat ? -1 : 1;
    if (Plus && l % 2 != t % 2) l += s < 12 ? 1 : -1;
    if (l < 1) return;
    int p = Pressed ? 1 : 0;
    int x0 = A.Left + (A.Width() - l) / 2 + p;
    int y0 = A.Top + (A.Height() - t) / 2 + p;
    HDC dc = Canvas->Handle();
    if (!Enabled) {
        FillDC(dc, TRect(x0 + 1, y0 + 1, x0 + 1 + l, y0 + 1 + t), clBtnHighlight);
        if (Plus) {
            int o = l / 2 - t / 2;
            FillDC(dc, TRect(x0 + o + 1, y0 - o + 1, x0 + o + 1 + t, y0 - o + 1 + l), clBtnHighlight);
        }
    }
    TColor c = GlyphColor(Enabled);
    FillDC(dc, TRect(x0, y0, x0 + l, y0 + t), c);
    if (Plus) {
        int o = l / 2 - t / 2;
        FillDC(dc, TRect(x0 + o, y0 - o, x0 + o + t, y0 - o + l), c);
    }
}

// A filled triangle of the alternative arrow styles, centred in A.
void DrawTriangle(TCanvas* Canvas, const TRect& A, bool Down, bool Enabled, bool Pressed) {
    int side = std::min(A.Width(), A.Height());
    int base = side >= 19 ? 9 : side >= 16 ? 7 : side > 11 ? 5 : 3;
    int rows = base / 2 + 1;
    int p = Pressed ? 1 : 0;
    int left = (A.Left + A.Right - base) / 2 + p;
    int top = (A.Top + A.Bottom - rows) / 2 + p;
    TColor c = Enabled ? clWindowText : clGrayText;
    HDC dc = Canvas->Handle();
    for (int i = 0; i < rows; ++i) {
        int w = Down ? base - 2 * i : 2 * i + 1;
        int x = left + (base - w) / 2;
        FillDC(dc, TRect(x, top + i, x + w, top + i + 1), c);
    }
}

// One pixel on, one off, on the checkerboard of the phase.
bool OnDot(int X, int Y, int Phase) { return ((X + Y + Phase) & 1) == 0; }

void DottedHorz(TCanvas* Canvas, int X1, int X2, int Y, TColor C, int Phase) {
    for (int x = X1; x < X2; ++x)
        if (OnDot(x, Y, Phase)) Canvas->SetPixels(x, Y, C);
}

void DottedVert(TCanvas* Canvas, int X, int Y1, int Y2, TColor C, int Phase) {
    for (int y = Y1; y < Y2; ++y)
        if (OnDot(X, y, Phase)) Canvas->SetPixels(X, y, C);
}

}  // namespace

// ================================================================================================

bool ThemesEnabledVz() { return false; }
bool VistaThemesEnabledVz() { return false; }
bool IsCustomStyleActiveVz() { return false; }

std::unique_ptr<TRegion> IntersectCanvasClipRectVz(TCanvas* Canvas, const TRect& ARect) {
    HDC dc = Canvas->Handle();
    std::unique_ptr<TRegion> saved;
    if (dc->HasClip()) {
        saved = std::make_unique<TRegion>();
        for (const QRect& q : dc->ClipRegion()) saved->Add(TRect::FromQRect(q));
    }
    dc->IntersectClipRect(ARect);
    return saved;
}

void RestoreCanvasClipRgnVz(TCanvas* Canvas, std::unique_ptr<TRegion>& Rgn) {
    Canvas->Handle()->SelectClipRgn(Rgn.get());
    Rgn.reset();
}

// ================================================================================================

void DrawEditButtonGlyphVz(TCanvas* Canvas, TDrawButtonControlStyleVz Style, const TRect& ARect, bool Enabled,
                           bool Flat, bool Active, bool Pressed, int Half, bool DrawBack) {
    HDC dc = Canvas->Handle();
    TRect r = ARect;
    bool classicFlatFrame = Flat && Active && !ThemesEnabledVz();
    std::unique_ptr<TRegion> saved;
    if (classicFlatFrame) saved = IntersectCanvasClipRectVz(Canvas, Inset(r, 1));
    int grow = 0;
    if (Flat && !ThemesEnabledVz()) grow = Active ? 1 : 2;
    r.Inflate(grow, grow);

    unsigned frameFlags = (Pressed ? DFCS_PUSHED : 0) | (Flat ? DFCS_FLAT : 0) | (Enabled ? 0 : DFCS_INACTIVE);
    switch (Style) {
    case bcsDropDownVz:
        if (DrawBack) DrawFrameControl(dc, r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | frameFlags);
        else Canvas->FillRect(r);
        break;
    case bcsUpDownVz:
        if (DrawBack) DrawFrameControl(dc, r, DFC_SCROLL, (Half == 0 ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) | frameFlags);
        else Canvas->FillRect(r);
        break;
    case bcsEllipsisVz:
        DrawEllipsis(Canvas, DrawGlyphBack(Canvas, r, Flat, Pressed, DrawBack, 0), Enabled, Pressed);
        break;
    case bcsPlusVz:
    case bcsMinusVz: {
        TRect a = DrawGlyphBack(Canvas, r, Flat, Pressed, DrawBack, Flat ? 1 : 2);
        DrawPlusMinus(Canvas, a, Style == bcsPlusVz, Flat, Enabled, Pressed);
        break;
    }
    case bcsAltDropDownVz:
        DrawGlyphBack(Canvas, r, Flat, Pressed, DrawBack, 0);
        DrawTriangle(Canvas, r, true, Enabled, Pressed);
        break;
    case bcsAltUpDownVz:
        DrawGlyphBack(Canvas, r, Flat, Pressed, DrawBack, 0);
        DrawTriangle(Canvas, r, Half != 0, Enabled, Pressed);
        break;
    case bcsCheckboxVz: break;  // painted by PaintEditButtonVz
    }

    r.Inflate(-grow, -grow);
    if (classicFlatFrame) {
        RestoreCanvasClipRgnVz(Canvas, saved);
        if (DrawBack) {
            TRect e = r;
            DrawEdge(dc, e, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
    }
}

void PaintEditButtonVz(TCanvas* Canvas, const TRect& ARect, TColor LineColor, TDrawButtonControlStyleVz Style,
                       int DownButton, bool Flat, bool Active, bool Enabled, TCheckBoxState State,
                       double /*Scale*/, bool DrawBack) {
    HDC dc = Canvas->Handle();
    bool pressed = DownButton != 0;
    bool themed = ThemesEnabledVz();

    const bool cached = UseButtonsBitmapCacheVz();
    auto fromCache = [&](TDrawButtonControlStyleVz S, const TRect& R, bool P, bool Down) {
        TButtonBitmapInfoVz info;
        info.Size = TPoint(R.Width(), R.Height());
        info.BitmapType = S;
        info.Flat = Flat;
        info.Pressed = P;
        info.Active = Active;
        info.Enabled = Enabled;
        info.DownDirect = Down;
        info.CheckState = State;
        info.DrawBack = DrawBack;
        Canvas->Draw(R.Left, R.Top, ButtonsBitmapCacheVz()->GetButtonBitmap(info));
    };

    if (Style == bcsCheckboxVz) {
        TRect sq = SquareIn(ARect);
        if (Flat && !themed) sq = Inset(sq, 1);
        if (cached) fromCache(Style, sq, pressed, false);
        else DrawCheckBoxVz(dc, sq, State, Enabled, Flat, pressed, Active);
        if (!Flat) return;
        if (!themed) sq.Inflate(1, 1);
        if (Active && !themed) {
            DrawEdge(dc, sq, BDR_SUNKENOUTER, BF_RECT);
            return;
        }
        if (LineColor != clNone) FrameDC(dc, sq, LineColor);
        return;
    }

    TRect r = ARect;
    bool frameClip = Flat && !Active && !themed;
    std::unique_ptr<TRegion> saved;
    if (frameClip) {
        r = Inset(r, 1);
        if (!cached) saved = IntersectCanvasClipRectVz(Canvas, r);
    }

    if (Style == bcsUpDownVz || Style == bcsAltUpDownVz) {
        int half = r.Height() / 2;
        TRect upper(r.Left, r.Top, r.Right, r.Top + half);
        TRect lower(r.Left, r.Bottom - half, r.Right, r.Bottom);
        if (frameClip) {
            upper = Inset(upper, 1);
            lower = Inset(lower, 1);
        }
        if (cached) {
            fromCache(Style, upper, DownButton == 1, false);
            fromCache(Style, lower, DownButton == 2, true);
        } else {
            DrawEditButtonGlyphVz(Canvas, Style, upper, Enabled, Flat, Active, DownButton == 1, 0, DrawBack);
            DrawEditButtonGlyphVz(Canvas, Style, lower, Enabled, Flat, Active, DownButton == 2, 1, DrawBack);
        }
        if (LineColor != clNone && (r.Height() % 2 == 1 || frameClip)) {
            TRect mid(r.Left, r.Top + half, r.Right, r.Bottom - half);
            if (frameClip) {
                mid.Top -= 1;
                mid.Bottom += 1;
            }
            FillDC(dc, mid, LineColor);
        }
    } else if (cached) {
        fromCache(Style, r, pressed, false);
    } else {
        DrawEditButtonGlyphVz(Canvas, Style, r, Enabled, Flat, Active, pressed, 0, DrawBack);
    }

    if (frameClip) {
        r.Inflate(1, 1);
        if (!cached) RestoreCanvasClipRgnVz(Canvas, saved);
        if (LineColor != clNone) FrameDC(dc, r, LineColor);
    }
}

// ================================================================================================

TSize CheckBoxSizeVz() { return TSize(kCheckBoxSide, kCheckBoxSide); }

bool DrawCheckBoxVz(HDC DC, const TRect& ARect, TCheckBoxState State, bool Enabled, bool Flat, bool Pressed,
                    bool Active) {
    TRect sq = SquareIn(ARect);
    TRect draw = sq;
    bool hadClip = DC->HasClip();
    QRegion oldClip = DC->ClipRegion();
    if (Flat) {
        DC->IntersectClipRect(Inset(sq, 1));
        draw.Inflate(1, 1);
    }
    unsigned flags = DFCS_BUTTONCHECK;
    if (State == cbChecked) flags |= DFCS_CHECKED;
    if (State == cbGrayed) flags |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (!Enabled) flags |= DFCS_INACTIVE;
    if (Pressed) flags |= DFCS_PUSHED;
    bool result = DrawFrameControl(DC, draw, DFC_BUTTON, flags);
    if (Flat) {
        if (hadClip) {
            TRegion rgn;
            for (const QRect& q : oldClip) rgn.Add(TRect::FromQRect(q));
            DC->SelectClipRgn(&rgn);
        } else {
            DC->SelectClipRgn(nullptr);
        }
        FrameDC(DC, Inset(sq, 1), Active ? clBtnFace : clBtnShadow);
    }
    return result;
}

TRect GetCheckBoxRectVz(const TRect& ARect, TAlignment Alignment, TTextLayout Layout) {
    TSize size = CheckBoxSizeVz();
    int w = std::min<int>(size.cx, ARect.Width());
    int h = std::min<int>(size.cy, ARect.Height());
    int left = ARect.Left;
    if (w < ARect.Width()) {
        if (Alignment == taRightJustify) left = ARect.Right - w;
        else if (Alignment == taCenter) left = ARect.Left + ARect.Width() / 2 - w / 2;
    }
    int top = ARect.Top;
    if (h < ARect.Height()) {
        if (Layout == tlCenter) top = ARect.Top + ARect.Height() / 2 - h / 2;
        else if (Layout == tlBottom) top = ARect.Bottom - h;
    }
    return TRect(left, top, left + w, top + h);
}

void DrawButtonFaceVz(TCanvas* Canvas, const TRect& ARect, TColor /*FillColor*/, bool /*Enabled*/, bool Hot,
                      bool Flat, bool Pressed) {
    // The fill colour only applies under themed faces; classic faces are clBtnFace.
    HDC dc = Canvas->Handle();
    TRect r = ARect;
    if (Flat) {
        if (Hot) {
            DrawEdge(dc, r, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        } else {
            FillDC(dc, r, clBtnFace);
        }
        return;
    }
    DrawEdge(dc, r, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

// ================================================================================================

void DrawTreeElementVz(TCanvas* Canvas, const TRect& ARect, int Element, TTreeViewGlyphStyleVz GlyphStyle,
                       bool SysColors, bool LeftShift, double VScale, double HScale, int DotPhase) {
    if (Element < 0 || Element > 14) return;
    int midX = (ARect.Left + ARect.Right) / 2;
    int midY = (ARect.Top + ARect.Bottom) / 2;
    TColor oldBrush = Canvas->Brush()->Color();
    if (SysColors) {
        Canvas->Pen()->SetStyle(psSolid);
        Canvas->Pen()->SetColor(clBtnShadow);
    }
    int phase = DotPhase & 1;

    if (Element >= 10) {
        TColor c = Canvas->Pen()->Color();
        if (Element == 10 || Element == 13) DottedVert(Canvas, midX, ARect.Top, ARect.Bottom, c, phase);
        if (Element != 13) DottedHorz(Canvas, midX, ARect.Right, midY, c, phase);
        if (Element == 12) DottedVert(Canvas, midX, midY, ARect.Bottom, c, phase);
        if (Element == 11) DottedVert(Canvas, midX, ARect.Top, midY, c, phase);
        return;
    }

    bool collapsed = Element >= 5;
    int hx = static_cast<int>(std::trunc(4 * HScale));
    int vy = static_cast<int>(std::trunc(4 * VScale));
    TRect box(midX - hx, midY - vy, midX + hx + 1, midY + vy + 1);
    if (SysColors) Canvas->Brush()->SetColor(clWindow);
    TColor lineColor = Canvas->Pen()->Color();
    if (GlyphStyle == tvgsClassicVz) {
        TRect b = box;
        if (LeftShift) b.Offset(-1, 0);
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Rectangle(b);
    }
    // Classic, default and (with themes off) the themed styles draw the bars.
    {
        TColor pen = Canvas->Pen()->Color();
        Canvas->Pen()->SetColor(clWindowText);
        int bx = static_cast<int>(std::trunc(2 * HScale));
        int by = static_cast<int>(std::trunc(2 * VScale));
        Canvas->MoveTo(box.Left + bx, midY);
        Canvas->LineTo(box.Right - bx, midY);
        if (collapsed) {
            Canvas->MoveTo(midX, box.Top + by);
            Canvas->LineTo(midX, box.Bottom - by);
        }
        Canvas->Pen()->SetColor(SysColors ? clBtnShadow : pen);
    }
    int k = Element % 5;
    if (k != 4) DottedHorz(Canvas, box.Right, ARect.Right, midY, lineColor, phase);
    if (k == 0 || k == 1) DottedVert(Canvas, midX, ARect.Top, box.Top, lineColor, phase);
    if (k == 0 || k == 2) DottedVert(Canvas, midX, box.Bottom, ARect.Bottom, lineColor, phase);
    if (SysColors) Canvas->Brush()->SetColor(oldBrush);
}

// ================================================================================================
// images and gradients

void DrawImageCenteredVz(TCanvas* Canvas, const TRect& ARect, TCustomImageList* ImageList, int ImageIndex,
                         bool Selected) {
    if (!ImageList || ImageIndex < 0 || ImageIndex >= ImageList->Count()) return;
    const int w = ImageList->Width(), h = ImageList->Height();
    const int x = (ARect.Left + ARect.Right - w) / 2, y = (ARect.Top + ARect.Bottom - h) / 2;
    const bool fits = x >= ARect.Left && y >= ARect.Top && x + w <= ARect.Right && y + h <= ARect.Bottom;
    std::unique_ptr<TRegion> saved;
    if (!fits) saved = IntersectCanvasClipRectVz(Canvas, ARect);
    ImageList->Draw(Canvas, x, y, ImageIndex, Selected ? dsSelected : dsNormal, itImage, true);
    if (!fits) RestoreCanvasClipRgnVz(Canvas, saved);
}

void DrawImageCenteredDCVz(HDC DC, const TRect& ARect, TCustomImageList* ImageList, int ImageIndex, bool Selected) {
    if (!DC) return;
    TCanvas canvas;
    canvas.SetHandle(DC);
    DrawImageCenteredVz(&canvas, ARect, ImageList, ImageIndex, Selected);
    canvas.SetHandle(nullptr);
}

void DrawClippedImageVz(TCustomImageList* ImageList, TBitmap* Bitmap, TCanvas* Canvas, const TRect& Cell,
                        int ImageIndex, int DX, int DY, TAlignment Alignment, const TRect& ClipRect, double Zoom,
                        bool Enabled) {
    if (!ImageList && !Bitmap) return;
    TRect inter;
    if (!IntersectRect(inter, Cell, ClipRect)) return;
    int w = ImageList ? ImageList->Width() : Bitmap->Width();
    int h = ImageList ? ImageList->Height() : Bitmap->Height();
    if (Zoom != 1.0) {
        w = static_cast<int>(w * Zoom);
        h = static_cast<int>(h * Zoom);
    }
    int x;
    switch (Alignment) {
    case taRightJustify: x = Cell.Right - w + DX; break;
    case taCenter: x = (Cell.Left + Cell.Right - w) / 2 + DX; break;
    default: x = Cell.Left + DX; break;
    }
    const int y = (Cell.Top + Cell.Bottom - h) / 2 + DY;
    const TRect r(x, y, x + w, y + h);
    const bool inside = r.Left >= Cell.Left && r.Top >= Cell.Top && r.Right <= Cell.Right && r.Bottom <= Cell.Bottom;
    std::unique_ptr<TRegion> saved;
    if (!inside) saved = IntersectCanvasClipRectVz(Canvas, Cell);
    if (Zoom == 1.0) {
        if (ImageList) ImageList->Draw(Canvas, x, y, ImageIndex, Enabled);
        else Canvas->Draw(x, y, Bitmap);
    } else if (ImageList) {
        TBitmap tmp;
        ImageList->GetBitmap(ImageIndex, &tmp);
        Canvas->StretchDraw(r, &tmp);
    } else {
        Canvas->StretchDraw(r, Bitmap);
    }
    if (!inside) RestoreCanvasClipRgnVz(Canvas, saved);
}

void FillGradientVz(TCanvas* Canvas, const TRect& ARect, TColor TopColor, TColor BottomColor) {
    const int H = ARect.Height();
    if (H <= 0) return;
    const TColor a = ColorToRGB(TopColor), b = ColorToRGB(BottomColor);
    const int ar = GetRValue(a), ag = GetGValue(a), ab = GetBValue(a);
    const int br = GetRValue(b), bg = GetGValue(b), bb = GetBValue(b);
    const TColor oldPen = Canvas->Pen()->Color();
    const int oldWidth = Canvas->Pen()->Width();
    Canvas->Pen()->SetWidth(1);
    for (int i = 0; i < H; ++i) {
        auto mix = [&](int from, int to) {
            return H == 1 ? from : static_cast<int>(std::lround(from - double(from - to) * i / (H - 1)));
        };
        const TColor c = RGB(mix(ar, br), mix(ag, bg), mix(ab, bb));
        const int y = ARect.Top + i;
        if (ARect.Width() <= 1) {
            Canvas->Handle()->SetPixel(TPoint(ARect.Left, y), c);
        } else {
            Canvas->Pen()->SetColor(c);
            Canvas->MoveTo(ARect.Left, y);
            Canvas->LineTo(ARect.Right, y);
        }
    }
    Canvas->Pen()->SetColor(oldPen);
    Canvas->Pen()->SetWidth(oldWidth);
}

namespace {
TOwned<TCacheAlphaBitmapVz>& SharedAlphaBitmap() {
    static TOwned<TCacheAlphaBitmapVz> bitmap;
    return bitmap;
}
TCacheAlphaBitmapVz* CapturedAlphaBitmap() {
    TCacheAlphaBitmapVz* b = SharedAlphaBitmap().get();
    return b && b->Captured() ? b : nullptr;
}
}  // namespace

void DrawGradientLinesVz(TCanvas* Canvas, const TPoint& Origin, const std::vector<TPoint>& Points, TColor Color1,
                         TColor Color2) {
    const int n = static_cast<int>(Points.size()) / 2;
    if (n == 0) return;
    const TColor c1 = ColorToRGB(Color1), c2 = ColorToRGB(Color2);
    const int div = std::max(1, (n + 1) / 2 - 1);
    const TColor oldPen = Canvas->Pen()->Color();
    for (int k = 0; k < n; ++k) {
        auto ch = [&](int v2, int v1) { return static_cast<int>(std::lround(v2 - double(v2 - v1) * k / div)); };
        const TColor c = RGB(std::clamp(ch(GetRValue(c2), GetRValue(c1)), 0, 255),
                             std::clamp(ch(GetGValue(c2), GetGValue(c1)), 0, 255),
                             std::clamp(ch(GetBValue(c2), GetBValue(c1)), 0, 255));
        const TPoint a = Points[2 * k] + Origin, b = Points[2 * k + 1] + Origin;
        if (TCacheAlphaBitmapVz* alpha = CapturedAlphaBitmap()) {
            alpha->DrawHorzLine(a, b.X - a.X, c);
            continue;
        }
        Canvas->Pen()->SetColor(c);
        Canvas->Polyline({a, b});
    }
    Canvas->Pen()->SetColor(oldPen);
}

// ================================================================================================
// the shared alpha bitmap and the button-bitmap cache

TCacheAlphaBitmapVz::TCacheAlphaBitmapVz() { SetPixelFormat(pf32bit); }

void TCacheAlphaBitmapVz::Capture() {
    if (FCapture) throw Exception(QStringLiteral("CacheAlphaBitmap have captured"));
    FCapture = true;
}

void TCacheAlphaBitmapVz::DrawHorzLine(const TPoint& Point, int LineWidth, TColor Color) {
    if (Point.Y < 0 || Point.Y >= Height() || Point.X >= Width()) return;
    const int start = std::max(0, Point.X);
    const int end = std::min(Width() - 1, Point.X + LineWidth - 1);
    if (end < start) return;
    const COLORREF c = ColorToRGB(Color);
    auto* row = static_cast<Byte*>(ScanLine(Point.Y));
    for (int x = start; x <= end; ++x) {
        Byte* px = row + 4 * x;
        px[0] = static_cast<Byte>(GetBValue(c));
        px[1] = static_cast<Byte>(GetGValue(c));
        px[2] = static_cast<Byte>(GetRValue(c));
        px[3] = 255;
    }
}

TCacheAlphaBitmapVz* GetCacheAlphaBitmapVz(int AWidth, int AHeight) {
    auto& b = SharedAlphaBitmap();
    if (!b) b = NewOwned<TCacheAlphaBitmapVz>();
    if (b->Width() < AWidth || b->Height() < AHeight)
        b->SetSize(std::max(b->Width(), AWidth), std::max(b->Height(), AHeight));
    return b.get();
}

TBitmap* TButtonsBitmapCache::GetButtonBitmap(TButtonBitmapInfoVz Info) {
    Info.Size.X = std::max(0, Info.Size.X);
    Info.Size.Y = std::max(0, Info.Size.Y);
    for (TItem& i : FItems)
        if (i.Info == Info) return i.Bitmap.get();
    TOwned<TBitmap> bmp = NewOwned<TBitmap>();
    bmp->SetSize(Info.Size.X, Info.Size.Y);
    const TRect r(0, 0, Info.Size.X, Info.Size.Y);
    if (Info.Size.X > 0 && Info.Size.Y > 0) {
        TCanvas* c = bmp->Canvas();
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(r);
        if (Info.BitmapType == bcsCheckboxVz)
            DrawCheckBoxVz(c->Handle(), r, Info.CheckState, Info.Enabled, Info.Flat, Info.Pressed, Info.Active);
        else
            DrawEditButtonGlyphVz(c, Info.BitmapType, r, Info.Enabled, Info.Flat, Info.Active, Info.Pressed,
                                  Info.DownDirect ? 1 : 0, Info.DrawBack);
    }
    FItems.push_back(TItem{Info, std::move(bmp)});
    return FItems.back().Bitmap.get();
}

namespace {
bool gUseButtonsBitmapCache = false;
}  // namespace

TButtonsBitmapCache* ButtonsBitmapCacheVz() {
    static TButtonsBitmapCache cache;
    return &cache;
}

void ClearButtonsBitmapCacheVz() { ButtonsBitmapCacheVz()->Clear(); }
bool UseButtonsBitmapCacheVz() { return gUseButtonsBitmapCache; }
void SetUseButtonsBitmapCacheVz(bool Value) { gUseButtonsBitmapCache = Value; }
