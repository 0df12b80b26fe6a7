#include "grid/editors/editlabelvz.h"

#include "grid/base/toolsvz.h"

// ---- position

TPoint CalcLabelPosVz(const TRect& E, int LW, int LH, const TControlLabelLocationVz* L, int BL) {
    const int S = L->Spacing();
    const int O = L->Offset();
    const TLabelPositionVz p = L->Position();
    const bool vertical = p <= lpBelowRightVz;
    const int B = L->LabelSpacingBound() == sbNearBoundVz ? 0 : vertical ? LH : LW;
    const int w = E.Width();
    const int h = E.Height();
    const int above = E.Top - LH - S + B;
    const int below = E.Top + h + S + B;
    const int left = E.Left - LW - S + B;
    const int right = E.Left + w + S + B;
    switch (p) {
    case lpAboveLeftVz: return TPoint(E.Left + O, above);
    case lpAboveCenterVz: return TPoint(E.Left + (w - LW) / 2 + O, above);
    case lpAboveRightVz: return TPoint(E.Left + w - LW + O, above);
    case lpBelowLeftVz: return TPoint(E.Left + O, below);
    case lpBelowCenterVz: return TPoint(E.Left + (w - LW) / 2 + O, below);
    case lpBelowRightVz: return TPoint(E.Left + w - LW + O, below);
    case lpLeftTopVz: return TPoint(left, E.Top + O);
    case lpLeftTextBaselineVz: return TPoint(left, E.Top + BL - LH + O);
    case lpLeftCenterVz: return TPoint(left, E.Top + (h - LH) / 2 + O);
    case lpLeftBottomVz: return TPoint(left, E.Top + h - LH + O);
    case lpRightTopVz: return TPoint(right, E.Top + O);
    case lpRightTextBaselineVz: return TPoint(right, E.Top + BL - LH + O);
    case lpRightCenterVz: return TPoint(right, E.Top + (h - LH) / 2 + O);
    case lpRightBottomVz: return TPoint(right, E.Top + h - LH + O);
    }
    return TPoint(E.Left, above);
}

// ---- location

void TControlLabelLocationVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TControlLabelLocationVz*>(Source)) {
        FSpacing = s->FSpacing;
        FOffset = s->FOffset;
        FPosition = s->FPosition;
        FLabelSpacingBound = s->FLabelSpacingBound;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TControlLabelLocationVz::Changed() {
    if (FOwner) FOwner->LabelLocationChanged();
}

void TControlLabelLocationVz::SetSpacing(int Value) {
    if (FSpacing == Value) return;
    FSpacing = Value;
    Changed();
}

void TControlLabelLocationVz::SetOffset(int Value) {
    if (FOffset == Value) return;
    FOffset = Value;
    Changed();
}

void TControlLabelLocationVz::SetPosition(TLabelPositionVz Value) {
    if (FPosition == Value) return;
    FPosition = Value;
    Changed();
}

void TControlLabelLocationVz::SetLabelSpacingBound(TSpacingBoundVz Value) {
    if (FLabelSpacingBound == Value) return;
    FLabelSpacingBound = Value;
    Changed();
}

// ---- label

TControlLabelVz::TControlLabelVz(TWinControl* AEditControl, IControlLabelOwnerVz* ALabelOwner)
    : TLabel(AEditControl), FEditControl(AEditControl), FLabelOwner(ALabelOwner) {
    SetName(u"SubLabel"_S);
    SetFocusControl(AEditControl);
    FVisible = false;
}

void TControlLabelVz::SetLabelVisible(bool Value) {
    if (FLabelVisible == Value) return;
    FLabelVisible = Value;
    UpdateParent();
    UpdateVisibility();
    if (FLabelVisible) {
        UpdateCaption();
        AdjustLabelBounds();
    }
}

void TControlLabelVz::SetCaption(const String& Value) {
    if (!Value.isEmpty()) {
        FCaptionStored = true;
        SetText(Value);
        Invalidate();
    } else {
        FCaptionStored = false;
        UpdateCaption();
    }
}

void TControlLabelVz::UpdateCaption() {
    if (FCaptionStored || !FLabelOwner || !FocusControl()) return;
    String caption;
    FLabelOwner->GetControlLabelCaption(caption);
    FUpdatingCaption = true;
    SetText(caption);
    FUpdatingCaption = false;
}

void TControlLabelVz::UpdateParent() {
    const bool loading = FEditControl->ComponentState().Contains(csLoading);
    SetParent(FLabelVisible && FocusControl() && !loading ? FEditControl->Parent() : nullptr);
}

void TControlLabelVz::UpdateVisibility() {
    SetVisible(FLabelVisible && FEditControl->Visible());
}

void TControlLabelVz::AdjustLabelBounds() {
    if (FAdjusting) return;
    FAdjusting = true;
    try {
        AdjustBounds();
        if (FLabelOwner) FLabelOwner->AdjustLabelBounds();
    } catch (...) {
        FAdjusting = false;
        throw;
    }
    FAdjusting = false;
}

void TControlLabelVz::TextChanged() {
    TLabel::TextChanged();
    AdjustLabelBounds();
}

void TControlLabelVz::FontChanged() {
    TLabel::FontChanged();
    AdjustLabelBounds();
}

void PlaceControlLabelVz(TControl* Editor, TControlLabelVz* Label, const TControlLabelLocationVz* Location,
                         int BaseLine) {
    if (!Label || !Location) return;
    const TPoint p = CalcLabelPosVz(Editor->BoundsRect(), Label->Width(), Label->Height(), Location, BaseLine);
    Label->SetBounds(p.X, p.Y, Label->Width(), Label->Height());
}

int ControlTextBaseLineVz(TFont* Font) {
    return 2 * GetSystemMetrics(SM_CYBORDER) + 1 + GetFontTextHeightVz(nullptr, Font, false);
}
