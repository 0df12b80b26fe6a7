#include "grid/base/graphutilsvz.h"

#include "grid/base/toolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "platform/gui/drawtext.h"
#include "platform/rtl/rtlmath.h"

#include <algorithm>
#include <cmath>

namespace {

// Restores the canvas brush on scope exit (also when drawing fails).
class TBrushKeeperVz {
public:
    explicit TBrushKeeperVz(TCanvas* Canvas)
        : FCanvas(Canvas), FColor(Canvas->Brush()->Color()), FStyle(Canvas->Brush()->Style()) {}
    ~TBrushKeeperVz() {
        FCanvas->Brush()->SetColor(FColor);
        FCanvas->Brush()->SetStyle(FStyle);
    }
    TBrushKeeperVz(const TBrushKeeperVz&) = delete;
    TBrushKeeperVz& operator=(const TBrushKeeperVz&) = delete;

private:
    TCanvas* FCanvas;
    TColor FColor;
    TBrushStyle FStyle;
};

unsigned AlignmentFlagVz(TAlignment Alignment) {
    switch (Alignment) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
    }
}

void DrawCellTextExVz(TCanvas* ACanvas, const TRect& ARect, int DX, int DY, const String& Text, TAlignment Alignment,
                      TTextLayout Layout, bool MultyL, bool EndEllipsis, int LeftMarg, int RightMarg,
                      bool RightToLeftReading, bool SingleLine) {
    unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | AlignmentFlagVz(Alignment);
    if (MultyL) flags |= DT_WORDBREAK;
    else if (SingleLine) flags |= DT_SINGLELINE;
    if (EndEllipsis) flags |= DT_END_ELLIPSIS;
    if (RightToLeftReading) flags |= DT_RTLREADING;

    TDrawTextParams params;
    params.iLeftMargin = LeftMarg;
    params.iRightMargin = RightMarg;

    HDC dc = ACanvas->Handle();
    TRect t = ARect;
    if (Alignment == taLeftJustify) t.Left += DX;
    else if (Alignment == taCenter) t.Right -= DX;
    if (Layout == tlTop) {
        t.Top += DY;
    } else {
        TRect calc = t;
        TDrawTextParams calcParams = params;
        DrawTextEx(dc, Text, calc, flags | DT_CALCRECT, &calcParams);
        const int h = calc.Bottom - calc.Top;
        if (Layout == tlCenter) t.Top = (t.Top + t.Bottom - h) / 2;
        else t.Top = t.Bottom - h - DY;
    }
    if (Alignment == taRightJustify) params.iRightMargin += DX;

    // A text taller than the cell starts above it: keep it inside the cell. The device contexts
    // here have no world transform, so the clip always applies.
    const bool clip = t.Top < ARect.Top;
    int saved = 0;
    if (clip) {
        saved = SaveDC(dc);
        dc->IntersectClipRect(ARect);
    }
    try {
        DrawTextEx(dc, Text, t, flags, &params);
    } catch (...) {
        if (clip) RestoreDC(dc, saved);
        throw;
    }
    if (clip) RestoreDC(dc, saved);
}

}  // namespace

void WriteCellTextVz(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, const String& Text,
                     TAlignment Alignment, TTextLayout Layout, bool MultyL, bool EndEllipsis, int LeftMarg,
                     int RightMarg, bool RightToLeftReading, bool SingleLine) {
    // Every device context of this system is true-colour: a brush colour is always one the device
    // shows as it is, so the text is drawn directly (no dithered-colour detour through a bitmap).
    const TRect& r = ARect;
    TBrushKeeperVz keep(ACanvas);
    const bool simple = !MultyL && !EndEllipsis && LeftMarg == 0 && RightMarg == 0 && Text.size() <= 0x8000 &&
                        SingleLine;
    if (simple) {
        int w;
        if (Alignment != taLeftJustify &&
            (ACanvas->Font()->Style().Contains(fsBold) || ACanvas->Font()->Style().Contains(fsItalic))) {
            TRect calc(0, 0, 1, 0);
            DrawText(ACanvas->Handle(), Text, calc, DT_CALCRECT | DT_NOPREFIX);
            w = calc.Right - calc.Left;
        } else {
            w = ACanvas->TextWidth(Text);
        }
        int x;
        switch (Alignment) {
        case taRightJustify: x = r.Right - w - DX - 1; break;
        case taCenter: x = r.Left < r.Right ? r.Left + (r.Right - r.Left) / 2 - w / 2 : 0; break;
        default: x = r.Left + DX; break;
        }
        int y = r.Top;
        if (Layout != tlTop) {
            const int h = ACanvas->TextHeight(Text);
            if (h < r.Bottom - r.Top - DY) {
                if (Layout == tlCenter) y = (r.Top + r.Bottom - h) / 2 - DY;
                else y = r.Bottom - h - 2 * DY;
            }
        }
        if (!FillRect) ACanvas->Brush()->SetStyle(bsClear);
        ACanvas->TextRect(r, x, y + DY, Text);
        return;
    }
    if (FillRect) ACanvas->FillRect(r);
    else ACanvas->Brush()->SetStyle(bsClear);
    DrawCellTextExVz(ACanvas, r, DX, DY, Text, Alignment, Layout, MultyL, EndEllipsis, LeftMarg, RightMarg,
                     RightToLeftReading, SingleLine);
}

int WriteVerticalTextVz(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, const String& Text,
                        TAlignment Alignment, TTextLayout Layout, bool MultyL, bool EndEllipsis) {
    HDC dc = ACanvas->Handle();
    const int saved = SaveDC(dc);
    try {
        // cos and sin of -90 degrees
        XFORM turn;
        turn.eM11 = 0;
        turn.eM12 = -1;
        turn.eM21 = 1;
        turn.eM22 = 0;
        XFORM current;
        GetWorldTransform(dc, &current);
        if (current.eM11 == 1 && current.eM12 == 0 && current.eM21 == 0 && current.eM22 == 1) {
            SetGraphicsMode(dc, GM_ADVANCED);
            SetWorldTransform(dc, &turn);
        } else {
            ModifyWorldTransform(dc, &turn, MWT_LEFTMULTIPLY);
        }
        const int w = ARect.Right - ARect.Left, h = ARect.Bottom - ARect.Top;
        const TRect turned(-(ARect.Top + h), ARect.Left, -ARect.Top, ARect.Left + w);
        WriteCellTextVz(ACanvas, turned, FillRect, DX, DY, Text, Alignment, Layout, MultyL, EndEllipsis, 0, 0, false,
                        false);
    } catch (...) {
        RestoreDC(dc, saved);
        throw;
    }
    RestoreDC(dc, saved);
    return 0;
}

void WriteClippedTextVz(TCanvas* ACanvas, const TRect& ARect, int DX, int DY, const String& Text,
                        TAlignment Alignment) {
    int x;
    switch (Alignment) {
    case taRightJustify: x = ARect.Right - ACanvas->TextWidth(Text) - 3; break;
    case taCenter: x = ARect.Left + (ARect.Right - ARect.Left) / 2 - ACanvas->TextWidth(Text) / 2; break;
    default: x = ARect.Left + DX; break;
    }
    HDC dc = ACanvas->Handle();
    const COLORREF oldBk = SetBkColor(dc, ColorToRGB(ACanvas->Brush()->Color()));
    ExtTextOut(dc, x, ARect.Top + DY, ETO_CLIPPED | ETO_OPAQUE, &ARect, Text);
    SetBkColor(dc, oldBk);
}

// ---- measuring -----------------------------------------------------------------------------------

std::vector<TTextLineVz> SplitTextLinesVz(TCanvas* ACanvas, int MaxWidth, const String& Text, bool WordWrap,
                                          int MinRest) {
    std::vector<TTextLineVz> lines;
    const int n = static_cast<int>(Text.size());
    if (n == 0) return lines;
    TSize size;
    std::vector<int> extents;
    GetTextExtentExPointVz(ACanvas, Text, size, extents);
    std::vector<int> widths(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n && i < static_cast<int>(extents.size()); ++i)
        widths[static_cast<std::size_t>(i)] = extents[static_cast<std::size_t>(i)] - (i > 0 ? extents[static_cast<std::size_t>(i - 1)] : 0);
    const int height = size.cy;

    int start = 0;
    for (;;) {
        int sum = 0;
        int breakAt = -1, breakWidth = 0;
        int end = n, next = n, width = 0;
        bool hardBreak = false;
        int i = start;
        for (; i < n; ++i) {
            const Char c = Text[i];
            sum += widths[static_cast<std::size_t>(i)];
            if (c == u' ') {
                breakAt = i + 1;
                breakWidth = sum;
            }
            if (WordWrap && (c == u'\r' || c == u'\n')) {
                end = i;
                width = sum;
                next = (c == u'\r' && i + 1 < n && Text[i + 1] == u'\n') ? i + 2 : i + 1;
                hardBreak = c == u'\r' && next == i + 2;
                break;
            }
            if (sum > MaxWidth && breakAt >= 0) {
                if (WordWrap) {
                    end = next = breakAt;
                    width = breakWidth;
                } else {
                    end = next = i + 1;
                    width = sum;
                }
                break;
            }
        }
        if (i >= n) {
            end = next = n;
            width = sum;
        }
        lines.push_back(TTextLineVz{start, end - start, width, height});
        if (!WordWrap) break;
        if (next >= n) {
            // A CR LF pair that ends the text opens one more, empty line.
            if (hardBreak && next == n) lines.push_back(TTextLineVz{n, 0, 0, height});
            break;
        }
        if (n - next < MinRest) break;
        start = next;
    }
    return lines;
}

void MeasureWrappedTextVz(TCanvas* ACanvas, int MaxWidth, const String& Text, TSize& Size, bool WordWrap) {
    Size = TSize(0, 0);
    const std::vector<TTextLineVz> lines = SplitTextLinesVz(ACanvas, MaxWidth, Text, WordWrap);
    for (const TTextLineVz& l : lines) {
        Size.cx = std::max(Size.cx, l.Width);
        Size.cy += l.Height;
    }
}

// ---- search hits ---------------------------------------------------------------------------------

void PaintSearchMatchesVz(TCanvas* ACanvas, const TRect& ARect, int DX, int DY, const String& CellText,
                          TAlignment Alignment, bool LayoutCenter, bool WordWrap, const String& SearchText,
                          bool CaseInsensitive, bool WholeWord, bool FromBeginning, TColor HighlightColor,
                          int& HiddenCount) {
    HiddenCount = 0;
    std::vector<int> hits;
    FindAllTextPosVz(CellText, SearchText, hits, CaseInsensitive, WholeWord, FromBeginning);
    if (hits.empty()) return;
    const bool rtl = GetTextDirectionVz(CellText, 0) == 1;
    const int cellWidth = ARect.Right - ARect.Left;
    const int cellHeight = ARect.Bottom - ARect.Top;

    int top = DY;
    if (LayoutCenter) {
        TRect calc(0, 0, cellWidth, 0);
        DrawText(ACanvas->Handle(), CellText, calc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        top = cellHeight / 2 - (calc.Bottom - calc.Top) / 2;
    }
    const std::vector<TTextLineVz> lines = SplitTextLinesVz(ACanvas, cellWidth - DX, CellText, WordWrap, 2);
    TSize size;
    std::vector<int> extents;
    GetTextExtentExPointVz(ACanvas, CellText, size, extents);
    auto extentAt = [&](int Index) {  // width of the text before code unit Index
        return Index <= 0 ? 0 : extents[static_cast<std::size_t>(std::min<int>(Index, static_cast<int>(extents.size())) - 1)];
    };

    const TColor oldBrush = ACanvas->Brush()->Color();
    const TColor oldFont = ACanvas->Font()->Color();
    try {
        ACanvas->Brush()->SetColor(HighlightColor);
        ACanvas->Font()->SetColor(clWindowText);
        const int len = static_cast<int>(SearchText.size());
        for (const int hit : hits) {
            int lineIndex = -1;
            for (int li = 0; li < static_cast<int>(lines.size()); ++li) {
                const TTextLineVz& l = lines[static_cast<std::size_t>(li)];
                if (hit >= l.Start && (hit < l.Start + l.Length || li + 1 == static_cast<int>(lines.size()))) {
                    lineIndex = li;
                    break;
                }
            }
            // Every line that does not hold the hit counts it as hidden there.
            HiddenCount += static_cast<int>(lines.size()) - (lineIndex >= 0 ? 1 : 0);
            if (lineIndex < 0) continue;
            const TTextLineVz& l = lines[static_cast<std::size_t>(lineIndex)];
            int offset;
            switch (Alignment) {
            case taRightJustify: offset = cellWidth - l.Width - DX - 1; break;
            case taCenter: offset = (cellWidth - l.Width) / 2; break;
            default: offset = DX; break;
            }
            const int xIn = extentAt(hit) - extentAt(l.Start);
            const int w = extentAt(hit + len) - extentAt(hit);
            TRect hr;
            if (rtl) hr.Right = ARect.Left + offset + l.Width - xIn, hr.Left = hr.Right - w;
            else hr.Left = ARect.Left + offset + xIn, hr.Right = hr.Left + w;
            hr.Top = ARect.Top + top + lineIndex * size.cy;
            hr.Bottom = hr.Top + size.cy;
            if (hr.Left > ARect.Right || hr.Top > ARect.Bottom) {
                ++HiddenCount;
                continue;
            }
            DrawTextInRectVz(ACanvas, CellText.mid(hit, len), hr);
        }
    } catch (...) {
        ACanvas->Brush()->SetColor(oldBrush);
        ACanvas->Font()->SetColor(oldFont);
        throw;
    }
    ACanvas->Brush()->SetColor(oldBrush);
    ACanvas->Font()->SetColor(oldFont);
}

int GetTextDirectionVz(const String& Text, int Default) {
    if (Text.isEmpty()) return 0;
    switch (Text.at(0).direction()) {
    case QChar::DirL: return 0;
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirAN: return 1;
    default: return Default;
    }
}

// ---- colours -------------------------------------------------------------------------------------

namespace {

int ClampByteVz(long long V) { return static_cast<int>(std::clamp<long long>(V, 0, 255)); }

TColor MakeColorVz(int R, int G, int B) { return static_cast<TColor>(RGB(R, G, B)); }

}  // namespace

TColor BlendColorsVz(TColor Color1, TColor Color2, double Weight) {
    const COLORREF c1 = ColorToRGB(Color1), c2 = ColorToRGB(Color2);
    auto ch = [Weight](int A, int B) {
        return ClampByteVz(A + static_cast<long long>(std::trunc((B - A) / 255.0 * Weight)));
    };
    return MakeColorVz(ch(GetRValue(c1), GetRValue(c2)), ch(GetGValue(c1), GetGValue(c2)),
                       ch(GetBValue(c1), GetBValue(c2)));
}

TColor MixColorsByPercentVz(TColor Color1, TColor Color2, int Percent) {
    const COLORREF c1 = ColorToRGB(Color1), c2 = ColorToRGB(Color2);
    auto ch = [Percent](int A, int B) { return ClampByteVz(Round(A + Percent * (B - A) / 100.0L)); };
    return MakeColorVz(ch(GetRValue(c1), GetRValue(c2)), ch(GetGValue(c1), GetGValue(c2)),
                       ch(GetBValue(c1), GetBValue(c2)));
}

int GetColorLuminanceVz(TColor Color) {
    const COLORREF c = ColorToRGB(Color);
    return (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) >> 8;
}

TColor ColorToGrayVz(TColor Color) {
    const int l = GetColorLuminanceVz(Color);
    return MakeColorVz(l, l, l);
}

TColor ChooseDarkerColorVz(TColor Color1, TColor Color2) {
    return GetColorLuminanceVz(Color2) < GetColorLuminanceVz(Color1) ? Color2 : Color1;
}

namespace {

double HueToRgbVz(double M1, double M2, double H) {
    if (H < 0) H += 1;
    if (H > 1) H -= 1;
    if (6 * H < 1) return M1 + (M2 - M1) * H * 6;
    if (2 * H < 1) return M2;
    if (3 * H < 2) return M1 + (M2 - M1) * (2.0 / 3 - H) * 6;
    return M1;
}

}  // namespace

TColor SetColorLightnessVz(TColor Color, int Value) {
    const COLORREF c = ColorToRGB(Color);
    const double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double h = 0, s = 0;
    const double d = mx - mn;
    if (d > 0) {
        const double l0 = (mx + mn) / 2;
        s = l0 <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx) h = (g - b) / d;
        else if (g == mx) h = 2 + (b - r) / d;
        else h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0) h += 1;
    }
    const double l = Value / 256.0;
    double nr, ng, nb;
    if (s == 0) {
        nr = ng = nb = l;
    } else {
        const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
        const double m1 = 2 * l - m2;
        nr = HueToRgbVz(m1, m2, h + 1.0 / 3);
        ng = HueToRgbVz(m1, m2, h);
        nb = HueToRgbVz(m1, m2, h - 1.0 / 3);
    }
    auto ch = [](double V) { return ClampByteVz(Round(V * 255)); };
    return MakeColorVz(ch(nr), ch(ng), ch(nb));
}
