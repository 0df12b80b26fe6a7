// The floating title of a column being moved: one window for the whole process that shows the
// dragged title, flies out of the title cell fading in when the move starts and into the target
// cell fading out when the column is dropped, with a small arrow under it at the insertion point.
// All coordinates are screen coordinates. The animations run in the user-interface thread for the
// draw style's start and finish times (120 and 150 ms by default).
#pragma once

#include "grid/base/dragwinvz.h"

class TColumnTitleVz;
class TCustomDBGridVz;

// The arrow under the floating title: a head 7 pixels wide and a stem down to its bottom.
class TDBGridMovePointVz : public TGridMoveLineVz {
    SDELKA_CLASS(TDBGridMovePointVz, TGridMoveLineVz)
protected:
    explicit TDBGridMovePointVz(TComponent* AOwner);
    ~TDBGridMovePointVz() override = default;

public:
    TColor ForePaintColor() const { return FForePaintColor; }
    void SetForePaintColor(TColor Value);
    TColor BackPaintColor() const { return FBackPaintColor; }
    void SetBackPaintColor(TColor Value) { FBackPaintColor = Value; }
    // The pixels of the arrow, as rows of the window (the window's shape).
    std::vector<TRect> PointShape() const;

protected:
    void Resize() override;
    void VisibleChanged() override;

private:
    void UpdatePointShape();
    TColor FForePaintColor = cl3DDkShadow;
    TColor FBackPaintColor = clBtnFace;
};

class TDBGridTitleDragWin : public TGridDragFormVz {
    SDELKA_CLASS(TDBGridTitleDragWin, TGridDragFormVz)
protected:
    explicit TDBGridTitleDragWin(TComponent* AOwner);
    ~TDBGridTitleDragWin() override = default;

public:
    // The process's window, made on first use and owned by the application.
    static TDBGridTitleDragWin* GetTitleDragWin();

    TColumnTitleVz* DrawObject() const { return FDrawObject; }
    TDBGridMovePointVz* MovePoint() const { return FMovePoint; }
    int MovePointPos() const { return FMovePointPos; }
    int MovePointSize() const { return FMovePointSize; }

    // Shows the title at Pos with that size at once.
    void StartShow(TColumnTitleVz* ADrawObject, const TPoint& Pos, int AWidth, int AHeight, int AMovePointPos,
                   int AMoveSize);
    // Flies from the title cell (ASourceBounds) to APos, fading in.
    void StartShowAnimated(TColumnTitleVz* ADrawObject, const TRect& ASourceBounds, const TPoint& APos, int AWidth,
                           int AHeight, int AMovePointPos, int AMoveSize);
    // Moves the window and its arrow.
    void SetBounds(int X, int Y, int AWidth, int AHeight, int AMovePointPos, int AMoveSize);
    using TGridDragFormVz::SetBounds;
    // Flies into ATargetBounds fading out, then hides.
    void HideAnimated(const TRect& ATargetBounds);

protected:
    void PaintWindow(HDC DC) override;
    void VisibleChanged() override;

private:
    TCustomDBGridVz* DragGrid() const;
    void PlaceMovePoint();
    void SetAlphaAndRepaint(int Alpha);
    TColumnTitleVz* FDrawObject = nullptr;
    TDBGridMovePointVz* FMovePoint = nullptr;
    int FMovePointPos = 5;
    int FMovePointSize = 4;
    TOwned<TCanvas> FCanvas;
};
