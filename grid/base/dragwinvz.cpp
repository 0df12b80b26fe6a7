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
// the shared drag box

namespace {
TGridDragBoxVz* GGridDragBox = nullptr;

// Forgets the shared box when the application frees it.
class TGridDragBoxWatch : public TComponent {
    SDELKA_CLASS(TGridDragBoxWatch, TComponent)
protected:
    explicit TGridDragBoxWatch(TComponent* AOwner) : TComponent(AOwner) {}
    ~TGridDragBoxWatch() override = default;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == GGridDragBox) GGridDragBox = nullptr;
    }
};
}  // namespace

TGridDragBoxVz* GetGridDragBox() {
    if (!GGridDragBox && Application) {
        GGridDragBox = New<TGridDragBoxVz>(Application);
        GGridDragBox->SetTransparentColorValue(clNone);
        GGridDragBox->FreeNotification(New<TGridDragBoxWatch>(Application));
    }
    return GGridDragBox;
}
