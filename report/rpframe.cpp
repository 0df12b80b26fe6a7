#include "report/rpframe.h"

#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/rtl/rtlmath.h"

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

void TRpFrame::PaintIt(TCanvas* Canvas, const TRect& Rect, Extended XFactor, Extended YFactor) {
    int TX = Thickness(XFactor);
    int TY = Thickness(YFactor);
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
    Canvas->Brush()->SetStyle(bsClear);
}
