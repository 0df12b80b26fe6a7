#include "grid/dbgrid/titledragwinvz.h"

#include "grid/core/coretoolsvz.h"
#include "grid/dbgrid/columnsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/gridstylevz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/popupwnd.h"

#include <cmath>

// ================================================================================================
// TDBGridMovePointVz

TDBGridMovePointVz::TDBGridMovePointVz(TComponent* AOwner) : TGridMoveLineVz(AOwner) {
    SetColor(FForePaintColor);
    SetBounds(Left(), Top(), 7, 9);
}

void TDBGridMovePointVz::SetForePaintColor(TColor Value) {
    FForePaintColor = Value;
    SetColor(Value);
}

std::vector<TRect> TDBGridMovePointVz::PointShape() const {
    // The head: (0,0)-(7,0), (1,1)-(6,1), (2,2)-(5,2), (3,3)-(4,3); the stem from (3,4) down.
    std::vector<TRect> r;
    for (int i = 0; i < 4; ++i) r.emplace_back(i, i, 7 - i, i + 1);
    if (Height() > 4) r.emplace_back(3, 4, 4, Height());
    return r;
}

void TDBGridMovePointVz::Resize() {
    TGridDragFormVz::Resize();
    UpdatePointShape();
}

void TDBGridMovePointVz::VisibleChanged() {
    TGridMoveLineVz::VisibleChanged();
    UpdatePointShape();
}

void TDBGridMovePointVz::UpdatePointShape() {
    if (HandleAllocated()) SetWindowRectsRegion(this, PointShape());
}

// ================================================================================================
// TDBGridTitleDragWin

namespace {

TDBGridTitleDragWin* GTitleDragWin = nullptr;

TPoint RectTopLeft(const TRect& R) { return {R.Left, R.Top}; }
TPoint RectBottomRight(const TRect& R) { return {R.Right, R.Bottom}; }

}  // namespace

TDBGridTitleDragWin::TDBGridTitleDragWin(TComponent* AOwner) : TGridDragFormVz(AOwner), FCanvas(New<TCanvas>()) {
    FMovePoint = New<TDBGridMovePointVz>(this);
    FMovePoint->SetBounds(7, 4, FMovePoint->Width(), FMovePoint->Height());
    SetAlphaBlendValue(255);
    SetColor(clWindow);
}

TDBGridTitleDragWin* TDBGridTitleDragWin::GetTitleDragWin() {
    if (!GTitleDragWin && Application) {
        GTitleDragWin = New<TDBGridTitleDragWin>(Application);
        ForgetWhenFreedVz(GTitleDragWin, [] { GTitleDragWin = nullptr; });
    }
    return GTitleDragWin;
}

TCustomDBGridVz* TDBGridTitleDragWin::DragGrid() const {
    TColumnVz* column = FDrawObject ? FDrawObject->Column() : nullptr;
    return column ? column->Grid() : nullptr;
}

void TDBGridTitleDragWin::StartShow(TColumnTitleVz* ADrawObject, const TPoint& Pos, int AWidth, int AHeight,
                                    int AMovePointPos, int AMoveSize) {
    FMovePointPos = AMovePointPos;
    FMovePointSize = AMoveSize;
    FDrawObject = ADrawObject;
    TGridDragFormVz::StartShow(Pos, AWidth, AHeight);
    PlaceMovePoint();
}

void TDBGridTitleDragWin::SetAlphaAndRepaint(int Alpha) {
    SetAlphaBlendValue(Alpha);
    if (HandleAllocated()) Repaint();
    if (FMovePoint->Visible() && FMovePoint->HandleAllocated()) FMovePoint->Repaint();
}

void TDBGridTitleDragWin::StartShowAnimated(TColumnTitleVz* ADrawObject, const TRect& ASourceBounds, const TPoint& APos,
                                            int AWidth, int AHeight, int AMovePointPos, int AMoveSize) {
    FMovePointPos = AMovePointPos;
    FMovePointSize = AMoveSize;
    FDrawObject = ADrawObject;
    TCustomDBGridVz* grid = DragGrid();
    TDBGridVzStyle* style = grid && grid->Style() ? grid->Style() : DBGridVzDefaultStyle();
    const Int64 T = style ? style->TitleStartColumnMovingAnimationTime() : 0;
    const Int64 t0 = GetTickCountVz();
    const TPoint targetBR{APos.X + AWidth, APos.Y + AHeight};
    if (T > 0) {
        SetAlphaBlendValue(0);
        TGridDragFormVz::StartShow(APos, AWidth, AHeight);
        PlaceMovePoint();
        SetAlphaAndRepaint(0);
        for (Int64 now = GetTickCountVz(); now < t0 + T; now = GetTickCountVz()) {
            const double f = static_cast<double>(now - t0) / static_cast<double>(T);
            const TPoint tl = InterpolatePointVz(RectTopLeft(ASourceBounds), APos, f);
            const TPoint br = InterpolatePointVz(RectBottomRight(ASourceBounds), targetBR, f);
            SetBounds(tl.X, tl.Y, br.X - tl.X, br.Y - tl.Y, FMovePointPos, FMovePointSize);
            SetAlphaAndRepaint(static_cast<int>(std::trunc(f * 255)));
        }
    } else {
        TGridDragFormVz::StartShow(APos, AWidth, AHeight);
    }
    SetBounds(APos.X, APos.Y, AWidth, AHeight, FMovePointPos, FMovePointSize);
    SetAlphaAndRepaint(255);
}

void TDBGridTitleDragWin::SetBounds(int X, int Y, int AWidth, int AHeight, int AMovePointPos, int AMoveSize) {
    const int oldLeft = Left(), oldTop = Top();
    FMovePointPos = AMovePointPos;
    FMovePointSize = AMoveSize;
    // The arrow goes under the window where it now stands (placed from the old bounds it would
    // trail one move behind and end off the window after an animation).
    TGridDragFormVz::SetBounds(X, Y, AWidth, AHeight);
    PlaceMovePoint();
    if (oldLeft != X || oldTop != Y) Invalidate();
}

void TDBGridTitleDragWin::HideAnimated(const TRect& ATargetBounds) {
    TCustomDBGridVz* grid = DragGrid();
    TDBGridVzStyle* style = grid && grid->Style() ? grid->Style() : DBGridVzDefaultStyle();
    const Int64 T = style ? style->TitleFinishColumnMovingAnimationTime() : 0;
    const Int64 t0 = GetTickCountVz();
    const TRect start = BoundsRect();
    for (Int64 now = GetTickCountVz(); T > 0 && now < t0 + T; now = GetTickCountVz()) {
        const double f = static_cast<double>(now - t0) / static_cast<double>(T);
        const TPoint tl = InterpolatePointVz(RectTopLeft(start), RectTopLeft(ATargetBounds), f);
        const TPoint br = InterpolatePointVz(RectBottomRight(start), RectBottomRight(ATargetBounds), f);
        SetBounds(tl.X, tl.Y, br.X - tl.X, br.Y - tl.Y, FMovePointPos, FMovePointSize);
        SetAlphaAndRepaint(static_cast<int>(std::trunc((1 - f) * 255)));
    }
    Hide();
    SetAlphaBlendValue(255);
}

void TDBGridTitleDragWin::PlaceMovePoint() {
    // Just under the window, its arrow at the insertion point.
    FMovePoint->SetBounds(FMovePointPos - 3, Top() + Height(), FMovePoint->Width(), FMovePointSize + 5);
    if (Visible() && !FMovePoint->Visible()) FMovePoint->TPopupInactiveFormVz::Show();
    else if (!Visible() && FMovePoint->Visible()) FMovePoint->Hide();
}

void TDBGridTitleDragWin::VisibleChanged() {
    TGridDragFormVz::VisibleChanged();
    PlaceMovePoint();
    FMovePoint->SetForePaintColor(cl3DDkShadow);
    FMovePoint->SetLineColor(cl3DDkShadow);
    if (FDrawObject) FMovePoint->SetBackPaintColor(FDrawObject->Color());
}

void TDBGridTitleDragWin::PaintWindow(HDC DC) {
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    try {
        TCanvas* c = FCanvas.get();
        const TRect client = ClientRect();
        TCustomDBGridVz* grid = DragGrid();
        if (grid && FDrawObject) {
            TRect inner = client;
            InflateRect(inner, -1, -1);
            grid->DrawColumnTitleTo(c, inner, FDrawObject->Column());
        }
        // The frame.
        c->Brush()->SetStyle(bsClear);
        c->Pen()->SetColor(cl3DDkShadow);
        c->Pen()->SetStyle(psSolid);
        c->Rectangle(client);
        // How many columns move together, in a small box at the top right.
        const int selected = grid && grid->Selection() ? grid->Selection()->Columns()->Count() : 0;
        if (selected > 0) {
            c->Font()->Assign(Font());
            c->Font()->SetSize(6);
            const String text = String::number(selected);
            const int w = c->TextWidth(text) + 4, h = c->TextHeight(text) + 2;
            const TRect box{client.Right - 2 - w, client.Top + 2, client.Right - 2, client.Top + 2 + h};
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(clWindow);
            c->Pen()->SetColor(cl3DDkShadow);
            c->Rectangle(box);
            c->Brush()->SetStyle(bsClear);
            c->TextOut(box.Left + (w - c->TextWidth(text)) / 2, box.Top + 1, text);
        }
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}
