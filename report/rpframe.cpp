#include "report/rpframe.h"

#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <cmath>
#include <vector>

void TRpFrame::Published(TPublished<TRpFrame>& P) {
    P.Integer("Color", &TRpFrame::Color, &TRpFrame::SetColor)
        .Default(clBlack)
        .Idents([](Int64 V, String& Ident) { return ColorToIdent(TColor(V), Ident); },
                [](const String& Ident, Int64& V) {
                    TColor C;
                    if (!IdentToColor(Ident, C)) return false;
                    V = C;
                    return true;
                });
    P.Boolean("DrawBottom", &TRpFrame::DrawBottom, &TRpFrame::SetDrawBottom).Default(0);
    P.Boolean("DrawLeft", &TRpFrame::DrawLeft, &TRpFrame::SetDrawLeft).Default(0);
    P.Enum("Style", &TRpFrame::Style, &TRpFrame::SetStyle,
           {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame", "psUserStyle",
            "psAlternate"})
        .Default(psSolid);
    P.Boolean("DrawRight", &TRpFrame::DrawRight, &TRpFrame::SetDrawRight).Default(0);
    P.Boolean("DrawTop", &TRpFrame::DrawTop, &TRpFrame::SetDrawTop).Default(0);
    P.Integer("Width", &TRpFrame::Width, &TRpFrame::SetWidth).Default(1);
}

void TRpFrame::Changed() {
    if (FParent) FParent->Invalidate();
}

void TRpFrame::SetColor(TColor Value) {
    FColor = Value;
    Changed();
}

void TRpFrame::SetStyle(TPenStyle Value) {
    FPenStyle = Value;
    Changed();
}

void TRpFrame::SetWidth(int Value) {
    FWidth = Value;
    Changed();
}

bool TRpFrame::GetSide(int Index) const {
    switch (Index) {
        case 0: return FTop;
        case 1: return FBottom;
        case 2: return FLeft;
        default: return FRight;
    }
}

void TRpFrame::SetSide(int Index, bool Value) {
    switch (Index) {
        case 0: FTop = Value; break;
        case 1: FBottom = Value; break;
        case 2: FLeft = Value; break;
        default: FRight = Value; break;
    }
    Changed();
}

void TRpFrame::Assign(TPersistent* Source) {
    if (Source && Source->Is<TRpFrame>()) {
        auto S = static_cast<TRpFrame*>(Source);
        FColor = S->FColor;
        FPenStyle = S->FPenStyle;
        FWidth = S->FWidth;
        FTop = S->FTop;
        FBottom = S->FBottom;
        FLeft = S->FLeft;
        FRight = S->FRight;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

void TRpFrame::SetPen(TPen* Pen) const {
    Pen->SetWidth(1);
    Pen->SetStyle(FPenStyle);
    Pen->SetColor(FColor);
}

int TRpFrame::Thickness(Extended Factor) const {
    if (FWidth == -1) return 1;
    if (FWidth <= 0) return 0;
    int T = int(Round(Factor / 72 * 254 * FWidth));
    return T < 1 ? 1 : T;
}

namespace {

// A guide of the band's frame: where it runs, how thick, in which colour.
struct TFrameLine {
    int X;
    int Thickness;
    TColor Color;
};

// The frame lines of a band for a frame rectangle: each enabled TRpFrameline (its own frame's
// width and colour) and each enabled vertical-line shape tagged 1000 (its pen), at the guide's
// horizontal centre scaled from band pixels to the rectangle.
std::vector<TFrameLine> BandFrameLines(TRpCustomBand* Band, const TRect& Rect, Extended XFactor) {
    std::vector<TFrameLine> Lines;
    const int BandWidth = Band->Width();
    if (BandWidth <= 0) return Lines;
    for (int i = 0; i < Band->ControlCount(); ++i) {
        TControl* C = Band->Controls(i);
        if (!C->Enabled()) continue;
        TFrameLine L{};
        if (auto* FL = dynamic_cast<TRpFrameline*>(C)) {
            L.Thickness = FL->Frame()->Thickness(XFactor);
            L.Color = FL->Frame()->Color();
        } else if (auto* S = dynamic_cast<TRpShape*>(C); S && S->Tag() == 1000 && S->Shape() == rpsVertLine) {
            L.Thickness = std::max(S->Pen()->Width(), 1);
            L.Color = S->Pen()->Color();
        } else {
            continue;
        }
        if (L.Thickness <= 0) continue;
        L.X = Rect.Left + int(Round(Extended(Rect.Right - Rect.Left) * (C->Left() + C->Width() / 2) / BandWidth));
        Lines.push_back(L);
    }
    return Lines;
}

// Hands a temporary shape to the filter at its device position. Sizes are screen pixels (device
// pixels divided by the scale), as the filters read a control's size.
void ExportShape(TRpExportFilter* Filter, TRpShapeType Type, int X, int Y, int W, int H, int PenWidth, TColor Color) {
    TOwned<TRpShape> Shape = NewOwned<TRpShape>(nullptr);
    Shape->SetShape(Type);
    Shape->Brush()->SetStyle(bsClear);
    Shape->Pen()->SetStyle(psSolid);
    Shape->Pen()->SetWidth(PenWidth);
    Shape->Pen()->SetColor(Color);
    Shape->SetBounds(X, Y, std::max(W, 0), std::max(H, 0));
    Filter->AcceptGraphic(X, Y, Shape.get());
}

}  // namespace

void TRpFrame::PaintIt(TCanvas* Canvas, const TRect& Rect, Extended XFactor, Extended YFactor) {
    const int TX = Thickness(XFactor);
    const int TY = Thickness(YFactor);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(FColor);
    SetPen(Canvas->Pen());
    if (TY > 0) {
        if (FTop) Canvas->FillRect(TRect(Rect.Left, Rect.Top, Rect.Right, Rect.Top + TY));
        if (FBottom) Canvas->FillRect(TRect(Rect.Left, Rect.Bottom - TY, Rect.Right, Rect.Bottom));
    }
    if (TX > 0) {
        if (FLeft) Canvas->FillRect(TRect(Rect.Left, Rect.Top, Rect.Left + TX, Rect.Bottom));
        if (FRight) Canvas->FillRect(TRect(Rect.Right - TX, Rect.Top, Rect.Right, Rect.Bottom));
    }

    // The report the frame prints in, and for a band its frame lines.
    IRpReport* Report = nullptr;
    std::vector<TFrameLine> Lines;
    if (auto* Pr = dynamic_cast<TRpPrintable*>(FParent)) {
        Report = Pr->ParentReport();
    } else if (auto* Band = dynamic_cast<TRpCustomBand*>(FParent)) {
        Report = Band->ParentReport();
        Lines = BandFrameLines(Band, Rect, XFactor);
        for (const TFrameLine& L : Lines) {
            Canvas->Brush()->SetColor(L.Color);
            const int X0 = L.X - L.Thickness / 2;
            Canvas->FillRect(TRect(X0, Rect.Top, X0 + L.Thickness, Rect.Bottom));
        }
    } else if (auto* R = dynamic_cast<TCustomRpReport*>(FParent)) {
        Report = R;
    }
    Canvas->Brush()->SetStyle(bsClear);
    if (!Report || !Report->Exporting() || !Report->ExportFilter()) return;

    // The export: the sides and frame lines as shapes. A shape's size is read in screen pixels,
    // so device sizes are divided by the page printer's scale over the screen.
    TRpExportFilter* Filter = Report->ExportFilter();
    Extended S = 1;
    if (TRpPrinter* P = Report->RpPrinter(); P && P->XFactor() > 0) S = P->XFactor() / (ScreenDC()->LogPixelsX() / 254.0L);
    auto Screen = [S](int Device) { return int(std::trunc(Device / S)); };
    const int W = Screen(Rect.Right - Rect.Left), H = Screen(Rect.Bottom - Rect.Top);
    if (TX > 0 && TY > 0 && FTop && FBottom && FLeft && FRight) {
        // The outline runs through the middle of the painted sides.
        ExportShape(Filter, rpsRectangle, Rect.Left + TX / 2, Rect.Top + TY / 2, Screen(Rect.Right - Rect.Left - TX),
                    Screen(Rect.Bottom - Rect.Top - TY), TX, FColor);
    } else {
        if (FTop && TY > 0) ExportShape(Filter, rpsHorLine, Rect.Left, Rect.Top, W, Screen(TY), TY, FColor);
        if (FBottom && TY > 0) ExportShape(Filter, rpsHorLine, Rect.Left, Rect.Bottom - TY, W, Screen(TY), TY, FColor);
        if (FLeft && TX > 0) ExportShape(Filter, rpsVertLine, Rect.Left, Rect.Top, Screen(TX), H, TX, FColor);
        if (FRight && TX > 0) ExportShape(Filter, rpsVertLine, Rect.Right - TX, Rect.Top, Screen(TX), H, TX, FColor);
    }
    for (const TFrameLine& L : Lines)
        ExportShape(Filter, rpsVertLine, L.X - L.Thickness / 2, Rect.Top, Screen(L.Thickness), H, L.Thickness, L.Color);
}
