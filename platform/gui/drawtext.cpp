#include "platform/gui/drawtext.h"

#include <algorithm>
#include <vector>

namespace {

const String kEllipsis = QStringLiteral("...");

// A run of text with the characters to underline (the "&x" prefixes).
struct TRun {
    String Text;
    std::vector<bool> Underline;

    TRun Mid(int Pos, int Len = -1) const {
        TRun r;
        if (Len < 0) Len = int(Text.size()) - Pos;
        r.Text = Text.mid(Pos, Len);
        r.Underline.assign(Underline.begin() + Pos, Underline.begin() + Pos + Len);
        return r;
    }
    void Append(const TRun& o) {
        Text += o.Text;
        Underline.insert(Underline.end(), o.Underline.begin(), o.Underline.end());
    }
    void Append(const String& s) {
        Text += s;
        Underline.insert(Underline.end(), size_t(s.size()), false);
    }
    // Without the trailing spaces.
    TRun TrimmedRight() const {
        int n = int(Text.size());
        while (n > 0 && Text[n - 1] == QLatin1Char(' ')) --n;
        return Mid(0, n);
    }
};

class TLayout {
public:
    TLayout(HDC DC, unsigned Format, int TabWidth) : FDC(DC), FFormat(Format), FTabWidth(std::max(1, TabWidth)) {}

    int Width(const String& S) const {
        if (!(FFormat & DT_EXPANDTABS) || !S.contains(QLatin1Char('\t'))) return Extent(S);
        int pos = 0;
        const QStringList segs = S.split(QLatin1Char('\t'));
        for (int i = 0; i < segs.size(); ++i) {
            pos += Extent(segs[i]);
            if (i + 1 < segs.size()) pos = (pos / FTabWidth + 1) * FTabWidth;
        }
        return pos;
    }

    // The lines of one paragraph broken to fit Avail.
    std::vector<TRun> Wrap(const TRun& P, int Avail) const {
        std::vector<TRun> lines;
        // Tokens: leading spaces of the paragraph with the first word, then each word with its
        // trailing spaces.
        std::vector<TRun> tokens;
        int n = int(P.Text.size()), i = 0;
        while (i < n) {
            int start = i;
            if (tokens.empty())
                while (i < n && P.Text[i] == QLatin1Char(' ')) ++i;
            while (i < n && P.Text[i] != QLatin1Char(' ')) ++i;
            while (i < n && P.Text[i] == QLatin1Char(' ')) ++i;
            tokens.push_back(P.Mid(start, i - start));
        }
        if (tokens.empty()) return {P};
        TRun line;
        bool lineEmpty = true;
        for (size_t t = 0; t < tokens.size(); ++t) {
            TRun tok = tokens[t];
            for (;;) {
                if (lineEmpty) {
                    if (Width(tok.TrimmedRight().Text) <= Avail || !(FFormat & DT_EDITCONTROL)) {
                        line = tok;
                        lineEmpty = false;
                        break;
                    }
                    // An edit control breaks a word that is longer than the line.
                    int k = 1;
                    while (k < int(tok.Text.size()) && Width(tok.Text.left(k + 1)) <= Avail) ++k;
                    lines.push_back(tok.Mid(0, k));
                    tok = tok.Mid(k);
                    if (tok.Text.isEmpty()) break;
                    continue;
                }
                TRun candidate = line;
                candidate.Append(tok);
                if (Width(candidate.TrimmedRight().Text) <= Avail) {
                    line = candidate;
                    break;
                }
                lines.push_back(line.TrimmedRight());
                lineEmpty = true;
            }
        }
        if (!lineEmpty) lines.push_back(line.TrimmedRight());
        return lines;
    }

    TRun EndEllipsis(const TRun& L, int Avail) const {
        if (Width(L.Text) <= Avail) return L;
        int k = int(L.Text.size());
        while (k > 0 && Width(L.Text.left(k) + kEllipsis) > Avail) --k;
        TRun r = L.Mid(0, k);
        r.Append(kEllipsis);
        return r;
    }

    TRun WordEllipsis(const TRun& L, int Avail) const {
        if (Width(L.Text) <= Avail) return L;
        for (int k = int(L.Text.size()) - 1; k > 0; --k) {
            if (L.Text[k] != QLatin1Char(' ')) continue;
            TRun head = L.Mid(0, k).TrimmedRight();
            if (Width(head.Text + kEllipsis) <= Avail) {
                head.Append(kEllipsis);
                return head;
            }
        }
        return EndEllipsis(L, Avail);
    }

    // Keeps the last path element and as much of the start as fits: "C:\Work\...\file.txt".
    TRun PathEllipsis(const TRun& L, int Avail) const {
        if (Width(L.Text) <= Avail) return L;
        int sep = int(std::max(L.Text.lastIndexOf(QLatin1Char('\\')), L.Text.lastIndexOf(QLatin1Char('/'))));
        if (sep < 0) return EndEllipsis(L, Avail);
        TRun tail = L.Mid(sep);
        int k = sep;
        while (k > 0 && Width(L.Text.left(k) + kEllipsis + tail.Text) > Avail) --k;
        if (k == 0 && Width(kEllipsis + tail.Text) > Avail) {
            TRun t;
            t.Append(kEllipsis);
            t.Append(tail);
            return EndEllipsis(t, Avail);
        }
        TRun r = L.Mid(0, k);
        r.Append(kEllipsis);
        r.Append(tail);
        return r;
    }

    // Draws a line with its left edge at X, the top at Y.
    void DrawLine(const TRun& L, int X, int Y, const TTextMetric& TM, unsigned EtoOptions) const {
        int lw = Width(L.Text);
        bool mirrored = FDC->Layout() & LAYOUT_RTL;
        if (!(FFormat & DT_PREFIXONLY)) {
            if (!(FFormat & DT_EXPANDTABS) || !L.Text.contains(QLatin1Char('\t'))) {
                FDC->ExtTextOut(mirrored ? X + lw : X, Y, EtoOptions, nullptr, L.Text);
            } else {
                int pos = 0;
                const QStringList segs = L.Text.split(QLatin1Char('\t'));
                for (int i = 0; i < segs.size(); ++i) {
                    int sw = Extent(segs[i]);
                    if (!segs[i].isEmpty()) FDC->ExtTextOut(mirrored ? X + pos + sw : X + pos, Y, EtoOptions, nullptr, segs[i]);
                    pos += sw;
                    if (i + 1 < segs.size()) pos = (pos / FTabWidth + 1) * FTabWidth;
                }
            }
        }
        if (FFormat & DT_HIDEPREFIX) return;
        TLogBrush b;
        b.lbColor = FDC->TextColor();
        for (int i = 0; i < int(L.Underline.size()); ++i) {
            if (!L.Underline[size_t(i)]) continue;
            int x0 = Width(L.Text.left(i));
            int x1 = Width(L.Text.left(i + 1));
            int uy = Y + TM.tmAscent + 1;
            FDC->FillRect(TRect(X + x0, uy, X + x1, uy + 1), b);
        }
    }

private:
    int Extent(const String& S) const { return S.isEmpty() ? 0 : FDC->GetTextExtent(S).cx; }

    HDC FDC;
    unsigned FFormat;
    int FTabWidth;
};

// "&x" marks x to underline, "&&" is "&", a lone "&" at the end is left out.
TRun ParsePrefixes(const String& Text, bool NoPrefix) {
    TRun r;
    if (NoPrefix) {
        r.Append(Text);
        return r;
    }
    int n = int(Text.size());
    for (int i = 0; i < n; ++i) {
        QChar c = Text[i];
        if (c == QLatin1Char('&')) {
            if (i + 1 >= n) break;
            ++i;
            r.Text += Text[i];
            r.Underline.push_back(Text[i] != QLatin1Char('&'));
            continue;
        }
        r.Text += c;
        r.Underline.push_back(false);
    }
    return r;
}

std::vector<TRun> SplitParagraphs(const TRun& R, bool SingleLine) {
    std::vector<TRun> out;
    int n = int(R.Text.size()), start = 0;
    if (SingleLine) {
        TRun line;
        for (int i = 0; i < n; ++i)
            if (R.Text[i] != QLatin1Char('\r') && R.Text[i] != QLatin1Char('\n')) line.Append(R.Mid(i, 1));
        out.push_back(line);
        return out;
    }
    for (int i = 0; i < n; ++i) {
        QChar c = R.Text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        out.push_back(R.Mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && R.Text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    out.push_back(R.Mid(start));
    return out;
}

}  // namespace

int DrawText(HDC DC, const String& Text, TRect& Rect, unsigned Format) {
    return DrawTextEx(DC, Text, Rect, Format, nullptr);
}

int DrawTextEx(HDC DC, const String& Text, TRect& Rect, unsigned Format, TDrawTextParams* Params) {
    if (!DC) return 0;
    if (Params) Params->uiLengthDrawn = unsigned(Text.size());
    if (Text.isEmpty()) {
        if (Format & DT_CALCRECT) {
            Rect.Right = Rect.Left;
            Rect.Bottom = Rect.Top;
        }
        return 0;
    }
    TTextMetric tm;
    DC->GetTextMetrics(tm);
    int lineH = tm.tmHeight + ((Format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    int tabChars = 8;
    if (Params && Params->iTabLength > 0)
        tabChars = Params->iTabLength;
    else if ((Format & DT_TABSTOP) && ((Format >> 8) & 0xFF))
        tabChars = int((Format >> 8) & 0xFF);
    if (Format & DT_TABSTOP) Format &= ~0xFF00u;
    TLayout layout(DC, Format, tabChars * std::max(1, tm.tmAveCharWidth));

    int lm = Params ? Params->iLeftMargin : 0;
    int rm = Params ? Params->iRightMargin : 0;
    int left = Rect.Left + lm, right = Rect.Right - rm;
    int avail = right - left;
    bool single = Format & DT_SINGLELINE;

    std::vector<TRun> lines;
    for (const TRun& p : SplitParagraphs(ParsePrefixes(Text, Format & DT_NOPREFIX), single)) {
        if ((Format & DT_WORDBREAK) && !single) {
            for (TRun& l : layout.Wrap(p, avail)) lines.push_back(std::move(l));
        } else {
            lines.push_back(p);
        }
    }
    for (TRun& l : lines) {
        if (Format & DT_PATH_ELLIPSIS)
            l = layout.PathEllipsis(l, avail);
        else if (Format & DT_END_ELLIPSIS)
            l = layout.EndEllipsis(l, avail);
        else if (Format & DT_WORD_ELLIPSIS)
            l = layout.WordEllipsis(l, avail);
    }

    int total = int(lines.size()) * lineH;
    if (Format & DT_CALCRECT) {
        int maxW = 0;
        for (const TRun& l : lines) maxW = std::max(maxW, layout.Width(l.Text));
        Rect.Right = Rect.Left + lm + maxW + rm;
        Rect.Bottom = Rect.Top + total;
        return total;
    }

    int y = Rect.Top;
    if (single) {
        if (Format & DT_VCENTER)
            y = Rect.Top + (Rect.Height() - lineH) / 2;
        else if (Format & DT_BOTTOM)
            y = Rect.Bottom - lineH;
    }
    int result = y + total - Rect.Top;

    DC->SaveDC();
    DC->SetTextAlign(TA_LEFT | TA_TOP);
    if (!(Format & DT_NOCLIP)) DC->IntersectClipRect(Rect);
    unsigned eto = (Format & DT_RTLREADING) ? ETO_RTLREADING : 0;
    for (const TRun& l : lines) {
        if (DC->RectVisible(TRect(Rect.Left, y, Rect.Right, y + lineH)) || (Format & DT_NOCLIP)) {
            int lw = layout.Width(l.Text);
            int x = left;
            if (Format & DT_CENTER)
                x = left + (avail - lw) / 2;
            else if (Format & DT_RIGHT)
                x = right - lw;
            layout.DrawLine(l, x, y, tm, eto);
        }
        y += lineH;
    }
    DC->RestoreDC(-1);
    return result;
}

// ---------------------------------------------------------------------------------------------
// DrawEdge

namespace {

void Fill(HDC DC, const TRect& R, COLORREF C) {
    if (R.IsEmpty()) return;
    TLogBrush b;
    b.lbColor = C;
    DC->FillRect(R, b);
}

// One ring: top and left in TL, bottom and right in BR (the corners top-right and bottom-left
// belong to BR). Returns the sides drawn.
void Ring(HDC DC, const TRect& R, unsigned Sides, COLORREF TL, COLORREF BR) {
    if (Sides & BF_TOP) Fill(DC, TRect(R.Left, R.Top, R.Right - 1, R.Top + 1), TL);
    if (Sides & BF_LEFT) Fill(DC, TRect(R.Left, R.Top, R.Left + 1, R.Bottom - 1), TL);
    if (Sides & BF_RIGHT) Fill(DC, TRect(R.Right - 1, R.Top, R.Right, R.Bottom), BR);
    if (Sides & BF_BOTTOM) Fill(DC, TRect(R.Left, R.Bottom - 1, R.Right, R.Bottom), BR);
}

TRect Shrink(const TRect& R, unsigned Sides) {
    TRect r = R;
    if (Sides & BF_LEFT) ++r.Left;
    if (Sides & BF_TOP) ++r.Top;
    if (Sides & BF_RIGHT) --r.Right;
    if (Sides & BF_BOTTOM) --r.Bottom;
    return r;
}

}  // namespace

bool DrawEdge(HDC DC, TRect& Rect, unsigned Edge, unsigned Flags) {
    if (!DC) return false;
    unsigned sides = Flags & BF_RECT;
    TRect r = Rect;
    unsigned outer = Edge & BDR_OUTER, inner = Edge & BDR_INNER;
    if (Flags & (BF_FLAT | BF_MONO)) {
        COLORREF outerC = (Flags & BF_MONO) ? GetSysColor(COLOR_WINDOWFRAME) : GetSysColor(COLOR_BTNSHADOW);
        COLORREF innerC = (Flags & BF_MONO) ? GetSysColor(COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE);
        if (outer) {
            Ring(DC, r, sides, outerC, outerC);
            r = Shrink(r, sides);
        }
        if (inner) {
            Ring(DC, r, sides, innerC, innerC);
            r = Shrink(r, sides);
        }
        if (Flags & BF_MIDDLE) Fill(DC, r, (Flags & BF_MONO) ? GetSysColor(COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE));
    } else {
        if (outer) {
            if (outer & BDR_RAISEDOUTER)
                Ring(DC, r, sides, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
            else
                Ring(DC, r, sides, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
            r = Shrink(r, sides);
        }
        if (inner) {
            if (inner & BDR_RAISEDINNER)
                Ring(DC, r, sides, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
            else
                Ring(DC, r, sides, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
            r = Shrink(r, sides);
        }
        if (Flags & BF_MIDDLE) Fill(DC, r, GetSysColor(COLOR_BTNFACE));
    }
    if (Flags & BF_ADJUST) Rect = r;
    return true;
}

// ---------------------------------------------------------------------------------------------
// DrawFrameControl

namespace {

// The 13-pixel square of a check or radio mark, centred in R.
TRect MarkBox(const TRect& R) {
    int size = std::min({13, R.Width(), R.Height()});
    int x = R.Left + (R.Width() - size) / 2, y = R.Top + (R.Height() - size) / 2;
    return Bounds(x, y, size, size);
}

void CheckMark(HDC DC, const TRect& Box, COLORREF C) {
    // Seven columns, each three pixels tall, forming the tick.
    static constexpr int tops[7] = {2, 3, 4, 3, 2, 1, 0};
    int x0 = Box.Left + (Box.Width() - 7) / 2, y0 = Box.Top + (Box.Height() - 7) / 2;
    for (int i = 0; i < 7; ++i) Fill(DC, TRect(x0 + i, y0 + tops[i], x0 + i + 1, y0 + tops[i] + 3), C);
}

// A solid triangle pointing in Dir (0 up, 1 down, 2 left, 3 right), centred at (CX, CY).
void Arrow(HDC DC, int CX, int CY, int Rows, unsigned Dir, COLORREF C) {
    for (int i = 0; i < Rows; ++i) {
        int half = (Dir == DFCS_SCROLLUP || Dir == DFCS_SCROLLLEFT) ? i : Rows - 1 - i;
        int off = i - Rows / 2;
        if (Dir == DFCS_SCROLLUP || Dir == DFCS_SCROLLDOWN || Dir == DFCS_SCROLLCOMBOBOX)
            Fill(DC, TRect(CX - half, CY + off, CX + half + 1, CY + off + 1), C);
        else
            Fill(DC, TRect(CX + off, CY - half, CX + off + 1, CY + half + 1), C);
    }
}

}  // namespace

bool DrawFrameControl(HDC DC, const TRect& Rect, unsigned Type, unsigned State) {
    if (!DC) return false;
    TRect r = Rect;
    bool inactive = State & DFCS_INACTIVE, pushed = State & DFCS_PUSHED, checked = State & DFCS_CHECKED;
    if (Type == DFC_BUTTON) {
        unsigned kind = State & 0xFF;
        if (kind & DFCS_BUTTONPUSH) {
            if (State & DFCS_FLAT)
                DrawEdge(DC, r, pushed || checked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_MIDDLE | BF_ADJUST);
            else if (pushed)
                DrawEdge(DC, r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST | BF_FLAT);
            else
                DrawEdge(DC, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
            if (checked && !pushed) Fill(DC, r, GetSysColor(COLOR_BTNHIGHLIGHT));
            return true;
        }
        TRect box = MarkBox(r);
        // A three-state box that is checked shows its third state: a grey mark on the button face.
        const bool third = (kind & DFCS_BUTTON3STATE) && checked;
        COLORREF face = GetSysColor(inactive || pushed || third ? COLOR_BTNFACE : COLOR_WINDOW);
        COLORREF mark = GetSysColor(inactive || third ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        if (kind & DFCS_BUTTONRADIO) {
            // A circle: shadow on the upper-left half, highlight on the lower-right, then the face.
            DC->SaveDC();
            TLogPen pen;
            TLogBrush brush;
            pen.lopnColor = GetSysColor((State & DFCS_MONO) ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW);
            brush.lbColor = face;
            DC->SelectPen(pen);
            DC->SelectBrush(brush);
            DC->SetROP2(R2_COPYPEN);
            DC->Ellipse(box);
            if (checked) {
                pen.lopnColor = mark;
                brush.lbColor = mark;
                DC->SelectPen(pen);
                DC->SelectBrush(brush);
                TPoint c = box.CenterPoint();
                DC->Ellipse(TRect(c.X - 2, c.Y - 2, c.X + 2, c.Y + 2));
            }
            DC->RestoreDC(-1);
            return true;
        }
        if (State & (DFCS_FLAT | DFCS_MONO)) {
            TRect b = box;
            DrawEdge(DC, b, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MONO);
            Fill(DC, b, face);
        } else {
            TRect b = box;
            DrawEdge(DC, b, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
            Fill(DC, b, face);
        }
        if (checked) CheckMark(DC, box, mark);
        return true;
    }
    if (Type == DFC_SCROLL) {
        unsigned kind = State & 0xFF;
        if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
            if (!(State & DFCS_TRANSPARENT)) Fill(DC, r, GetSysColor(COLOR_BTNFACE));
            // Three diagonal groups from the bottom-right corner: highlight, then two of shadow.
            int size = std::min(r.Width(), r.Height());
            for (int d = 0; d + 3 < size; d += 4) {
                for (int k = 0; k < 3; ++k) {
                    COLORREF c = GetSysColor(k == 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
                    int len = d + k + 1;
                    for (int i = 0; i < len && i < size; ++i) {
                        int x = r.Right - len + i, y = r.Bottom - 1 - i;
                        Fill(DC, TRect(x, y, x + 1, y + 1), c);
                    }
                }
            }
            return true;
        }
        if (State & DFCS_FLAT)
            DrawEdge(DC, r, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_MIDDLE | BF_ADJUST);
        else if (pushed)
            DrawEdge(DC, r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST | BF_FLAT);
        else
            DrawEdge(DC, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
        int size = std::min(r.Width(), r.Height());
        int rows = std::max(2, (size + 2) / 4);
        TPoint c = r.CenterPoint();
        if (pushed) c = c + TPoint(1, 1);
        unsigned dir = kind == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : kind;
        if (inactive) {
            Arrow(DC, c.X + 1, c.Y + 1, rows, dir, GetSysColor(COLOR_BTNHIGHLIGHT));
            Arrow(DC, c.X, c.Y, rows, dir, GetSysColor(COLOR_BTNSHADOW));
        } else {
            Arrow(DC, c.X, c.Y, rows, dir, GetSysColor(COLOR_BTNTEXT));
        }
        return true;
    }
    return false;
}
