#pragma once
// The frame of a report, band or printable: which sides are drawn, in which colour, style and
// width.

#include "platform/gui/graphics.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

class TCanvas;
class TControl;
class TPen;

class TRpFrame : public TPersistent {
    SDELKA_CLASS(TRpFrame, TPersistent)
public:
    TRpFrame() = default;
    static void Published(TPublished<TRpFrame>& P);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TPenStyle Style() const { return FPenStyle; }
    void SetStyle(TPenStyle Value);
    // Line thickness in points (1/72 inch); 0 draws nothing, -1 one-pixel sides.
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    // Sides: index 0 top, 1 bottom, 2 left, 3 right.
    bool GetSide(int Index) const;
    void SetSide(int Index, bool Value);
    bool DrawTop() const { return FTop; }
    void SetDrawTop(bool Value) { SetSide(0, Value); }
    bool DrawBottom() const { return FBottom; }
    void SetDrawBottom(bool Value) { SetSide(1, Value); }
    bool DrawLeft() const { return FLeft; }
    void SetDrawLeft(bool Value) { SetSide(2, Value); }
    bool DrawRight() const { return FRight; }
    void SetDrawRight(bool Value) { SetSide(3, Value); }

    // The control the frame belongs to; writing it only stores it.
    TControl* Parent() const { return FParent; }
    void SetParent(TControl* Value) { FParent = Value; }

    bool AnyFrame() const { return FTop || FBottom || FLeft || FRight; }
    void Assign(TPersistent* Source) override;

    // Pen of width 1 in the frame's style and colour.
    void SetPen(TPen* Pen) const;
    // Side thickness in device pixels for a factor of device pixels per native unit.
    int Thickness(Extended Factor) const;
    // Paints the enabled sides inside Rect. Factors are device pixels per native unit.
    void PaintIt(TCanvas* Canvas, const TRect& Rect, Extended XFactor, Extended YFactor);

private:
    void Changed();

    TColor FColor = clBlack;
    bool FBottom = false;
    bool FLeft = false;
    TControl* FParent = nullptr;
    TPenStyle FPenStyle = psSolid;
    bool FRight = false;
    bool FTop = false;
    int FWidth = 1;
};
