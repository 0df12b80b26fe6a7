// Feedback windows shown above everything while the user drags a column or reorders rows: a
// translucent box (TGridDragWinVz and its grey TGridDragBoxVz, or the same on a popup form,
// TGridDragFormVz). They never take the activation. One drag box is shared by the process.
#pragma once

#include "grid/base/popupformvz.h"

#include <functional>

class TGridDragWinVz : public TCustomControl {
    SDELKA_CLASS(TGridDragWinVz, TCustomControl)
protected:
    explicit TGridDragWinVz(TComponent* AOwner);
    ~TGridDragWinVz() override = default;

public:
    // 0 (invisible) .. 255 (opaque); taken by a window made afterwards.
    int AlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(int Value) { FAlphaBlendValue = Value; }
    // clNone: no transparent colour.
    TColor TransparentColorValue() const { return FTransparentColorValue; }
    void SetTransparentColorValue(TColor Value) { FTransparentColorValue = Value; }

    // Shows the window at Pos (screen) with that size, above the others.
    virtual void StartShow(const TPoint& Pos, int AWidth, int AHeight);
    virtual void StartShow(const TPoint& Pos, int AHeight) { StartShow(Pos, Width(), AHeight); }
    virtual void MoveToFor(const TPoint& NewPos) { SetBounds(NewPos.X, NewPos.Y, Width(), Height()); }
    virtual void MoveToFor(const TPoint& NewPos, int NewWidth, int NewHeight) {
        SetBounds(NewPos.X, NewPos.Y, NewWidth, NewHeight);
    }
    // Keeps the window shown but empty (0 x 0) at its place.
    void TemporaryHide() { SetBounds(Left(), Top(), 0, 0); }
    // Refused: "Show is not supported. Use StartShow".
    void Show();

protected:
    void InitWidget() override;
    void BoundsChanged() override;
    void VisibleChanged() override;

private:
    int FAlphaBlendValue = 200;
    TColor FTransparentColorValue = clBlack;
};

// The grey box.
class TGridDragBoxVz : public TGridDragWinVz {
    SDELKA_CLASS(TGridDragBoxVz, TGridDragWinVz)
protected:
    explicit TGridDragBoxVz(TComponent* AOwner) : TGridDragWinVz(AOwner) {}
    ~TGridDragBoxVz() override = default;

protected:
    void Paint() override;
};

// The same operations on a popup form.
class TGridDragFormVz : public TPopupInactiveFormVz {
    SDELKA_CLASS(TGridDragFormVz, TPopupInactiveFormVz)
protected:
    explicit TGridDragFormVz(TComponent* AOwner) : TPopupInactiveFormVz(AOwner) {}
    ~TGridDragFormVz() override = default;

public:
    int AlphaBlendValue() const { return FAlphaBlendValue; }
    // Switches the form's translucency on when the value is not 255 (never off).
    void SetAlphaBlendValue(int Value);
    virtual void StartShow(const TPoint& Pos, int AWidth, int AHeight);
    virtual void StartShow(const TPoint& Pos, int AHeight) { StartShow(Pos, Width(), AHeight); }
    virtual void MoveToFor(const TPoint& NewPos) { SetBounds(NewPos.X, NewPos.Y, Width(), Height()); }
    virtual void MoveToFor(const TPoint& NewPos, int NewWidth, int NewHeight) {
        SetBounds(NewPos.X, NewPos.Y, NewWidth, NewHeight);
    }
    void TemporaryHide() {}

protected:
    void InitWidget() override;

private:
    int FAlphaBlendValue = 255;
    bool FAlphaBlend = false;
};

// The red insertion line with arrow heads shown while a row or a column is dragged: a popup form
// cut to the shape of the line, so only the line shows. One shared instance.
class TGridMoveLineVz : public TGridDragFormVz {
    SDELKA_CLASS(TGridMoveLineVz, TGridDragFormVz)
protected:
    explicit TGridMoveLineVz(TComponent* AOwner);
    ~TGridMoveLineVz() override = default;

public:
    TColor LineColor() const { return FLineColor; }
    void SetLineColor(TColor Value);
    bool IsVert() const { return FIsVert; }
    // Shows the line with its start at the screen point Pos over Size pixels: the window is placed
    // at (Pos.X - 3, Pos.Y - 4), 7 wide and Size + 8 high (vertical) or the other way round.
    // ACaptureControl is not used.
    virtual void StartShow(const TPoint& Pos, bool AIsVert, int Size, TWinControl* ACaptureControl);
    void MoveToFor(const TPoint& NewPos) override;
    // The pixels of the line and its arrow heads, as rows of the window (the window's shape).
    std::vector<TRect> LineShape() const;

protected:
    void Resize() override;

private:
    void UpdateShape();
    TColor FLineColor = clRed;
    bool FIsVert = true;
};

// The process-wide windows are owned by the application: Forget runs when the application (or
// anyone) frees Instance, so the getter makes a new one next time.
void ForgetWhenFreedVz(TComponent* Instance, std::function<void()> Forget);

// The process's insertion line, made on the first call and freed with the application.
TGridMoveLineVz* GetGridMoveLine();

// The process's drag box (grey, alpha 200, no transparent colour), made on the first call and
// freed with the application.
TGridDragBoxVz* GetGridDragBox();
