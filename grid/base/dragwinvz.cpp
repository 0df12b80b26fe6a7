#include "grid/base/dragwinvz.h"

#include "platform/gui/popupwnd.h"

// ================================================================================================
// TGridDragWinVz

TGridDragWinVz::TGridDragWinVz(TComponent* AOwner) : TCustomControl(AOwner) {
    FColor = cl3DDkShadow;
    FParentColor = false;
    FVisible = false;
}

void TGridDragWinVz::InitWidget() {
    TCustomControl::InitWidget();
    if (Parent()) return;
    MakePopupWindow(this);
    if (FAlphaBlendValue != 255) SetWindowAlpha(this, FAlphaBlendValue);
}

void TGridDragWinVz::Show() { throw Exception(QStringLiteral("Show is not supported. Use StartShow")); }

void TGridDragWinVz::StartShow(const TPoint& Pos, int AWidth, int AHeight) {
    SetBounds(Pos.X, Pos.Y, AWidth, AHeight);
    SetVisible(true);
    if (!Parent()) ShowPopupWindow(this);
}

void TGridDragWinVz::BoundsChanged() {
    TCustomControl::BoundsChanged();
    if (!Parent()) PlacePopupWindow(this);
}

void TGridDragWinVz::VisibleChanged() {
    if (Parent()) {
        TCustomControl::VisibleChanged();
        return;
    }
    if (FVisible) ShowPopupWindow(this);
    else HidePopupWindow(this);
}

void TGridDragBoxVz::Paint() {
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(128, 128, 128)));
    Canvas()->FillRect(ClientRect());
}

// ================================================================================================
// TGridDragFormVz

void TGridDragFormVz::SetAlphaBlendValue(int Value) {
    FAlphaBlendValue = Value;
    if (Value != 255) FAlphaBlend = true;
    if (FAlphaBlend && HandleAllocated()) SetWindowAlpha(this, Value);
}

void TGridDragFormVz::InitWidget() {
    TPopupInactiveFormVz::InitWidget();
    if (FAlphaBlend) SetWindowAlpha(this, FAlphaBlendValue);
}

void TGridDragFormVz::StartShow(const TPoint& Pos, int AWidth, int AHeight) {
    SetBounds(Pos.X, Pos.Y, AWidth, AHeight);
    TPopupInactiveFormVz::Show();
}

// ================================================================================================
// TGridMoveLineVz

TGridMoveLineVz::TGridMoveLineVz(TComponent* AOwner) : TGridDragFormVz(AOwner) {
    // The window shows only the line: it is filled in the line colour and cut to the line's shape.
    SetDropShadow(false);
    SetColor(FLineColor);
    SetBounds(Left(), Top(), 7, 7);
    SetAlphaBlendValue(255);
}

void TGridMoveLineVz::SetLineColor(TColor Value) {
    if (Value == FLineColor) return;
    FLineColor = Value;
    SetColor(Value);
}

void TGridMoveLineVz::StartShow(const TPoint& Pos, bool AIsVert, int Size, TWinControl*) {
    FIsVert = AIsVert;
    if (FIsVert) SetBounds(Pos.X - 3, Pos.Y - 4, 7, Size + 8);
    else SetBounds(Pos.X - 3, Pos.Y - 4, Size + 8, 7);
    HandleNeeded();
    UpdateShape();
    TPopupInactiveFormVz::Show();
}

void TGridMoveLineVz::MoveToFor(const TPoint& NewPos) { SetBounds(NewPos.X - 3, NewPos.Y - 4, Width(), Height()); }

void TGridMoveLineVz::Resize() {
    TGridDragFormVz::Resize();
    UpdateShape();
}

std::vector<TRect> TGridMoveLineVz::LineShape() const {
    // Each stroke is a two-point line whose end point is not drawn: an arrow head at each end
    // pointing inward and the shaft between them.
    const int W = Width(), H = Height();
    std::vector<TRect> r;
    if (FIsVert) {
        for (int i = 0; i < 4; ++i) r.emplace_back(i, i, 7 - i, i + 1);  // (i,i)-(7-i,i)
        r.emplace_back(3, 4, 4, H - 4);                                  // the shaft (3,4)-(3,H-4)
        r.emplace_back(3, H - 4, 4, H - 3);                              // (3,H-4)-(4,H-4)
        for (int i = 2; i >= 0; --i) r.emplace_back(i, H - 1 - i, 7 - i, H - i);
    } else {
        for (int i = 0; i < 4; ++i) r.emplace_back(i, i, i + 1, 7 - i);
        r.emplace_back(4, 3, W - 4, 4);
        r.emplace_back(W - 4, 3, W - 3, 4);
        for (int i = 2; i >= 0; --i) r.emplace_back(W - 1 - i, i, W - i, 7 - i);
    }
    return r;
}

void TGridMoveLineVz::UpdateShape() {
    if (HandleAllocated()) SetWindowRectsRegion(this, LineShape());
}

namespace {
TGridMoveLineVz* GGridMoveLine = nullptr;

// Calls Forget when the watched component is freed.
class TSharedInstanceWatchVz : public TComponent {
    SDELKA_CLASS(TSharedInstanceWatchVz, TComponent)
protected:
    TSharedInstanceWatchVz(TComponent* AOwner, TComponent* AInstance, std::function<void()> AForget)
        : TComponent(AOwner), FInstance(AInstance), FForget(std::move(AForget)) {}
    ~TSharedInstanceWatchVz() override = default;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FInstance) {
            FInstance = nullptr;
            FForget();
        }
    }

private:
    TComponent* FInstance;
    std::function<void()> FForget;
};
}  // namespace

void ForgetWhenFreedVz(TComponent* Instance, std::function<void()> Forget) {
    Instance->FreeNotification(New<TSharedInstanceWatchVz>(Application, Instance, std::move(Forget)));
}

TGridMoveLineVz* GetGridMoveLine() {
    if (!GGridMoveLine && Application) {
        GGridMoveLine = New<TGridMoveLineVz>(Application);
        ForgetWhenFreedVz(GGridMoveLine, [] { GGridMoveLine = nullptr; });
    }
    return GGridMoveLine;
}

// ================================================================================================
// the shared drag box

namespace {
TGridDragBoxVz* GGridDragBox = nullptr;

}  // namespace

TGridDragBoxVz* GetGridDragBox() {
    if (!GGridDragBox && Application) {
        GGridDragBox = New<TGridDragBoxVz>(Application);
        GGridDragBox->SetTransparentColorValue(clNone);
        ForgetWhenFreedVz(GGridDragBox, [] { GGridDragBox = nullptr; });
    }
    return GGridDragBox;
}
