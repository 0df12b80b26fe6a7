#include "grid/editors/editbuttonsvz.h"

#include "platform/gui/extctrls.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <cmath>
#include <limits>

int& FlatEditButtonWidthVz() {
    static int width = GetDefaultEditButtonWidthVz();
    return width;
}

void UpdateEditButtonControlVz(TEditButtonControlLineRec& Rec, bool Flat, int& ButtonHeight, int MaxButtonHeight) {
    TEditButtonVz* b = Rec.EditButton;
    TEditButtonControlVz* c = Rec.EditButtonControl;
    c->SetVisible(b->Visible());
    c->SetEnabled(b->Enabled());
    c->SetStyle(b->Style());
    c->SetGlyph(b->Glyph());
    c->SetNumGlyphs(static_cast<TNumGlyphs>(b->NumGlyphs()));
    c->SetHint(b->Hint());
    c->SetDrawBackTime(b->DrawBackTime());
    c->SetExternalEditButtonImages(b->Images());
    c->SetFlat(Flat);
    int width = 0;
    if (b->Visible()) {
        width = b->Width() >= 1 ? b->Width() : Flat ? FlatEditButtonWidthVz() : GetSystemMetrics(SM_CXVSCROLL);
        int wanted = MaxButtonHeight;
        if (MaxButtonHeight > static_cast<int>(std::lround(width * 3.0 / 2.0))) wanted = GetEditButtonHeightVz(width, Flat);
        ButtonHeight = std::min(ButtonHeight, wanted);
    }
    c->SetWidthNoNotify(width);
    // A flat button is set off from the next by a line.
    const bool line = b->Visible() && Flat;
    Rec.ButtonLine->SetVisible(line);
    Rec.ButtonLine->SetWidth(line ? 1 : 0);
}

TEditButtonsBoxVz::TEditButtonsBoxVz(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle.Include(csReplicatable);
    FControlStyle.Include(csParentBackground);
    FCursor = crArrow;
}

void TEditButtonsBoxVz::EndLayout() {
    if (FLayoutCount > 0) --FLayoutCount;
    if (FLayoutCount == 0) UpdateEditButtonControlList();
}

void TEditButtonsBoxVz::SetButtonsCount(int Value) {
    Value = std::max(0, Value);
    while (ButtonsCount() > Value) {
        TEditButtonControlLineRec r = FBtnCtlList.back();
        FBtnCtlList.pop_back();
        if (r.EditButtonControl) r.EditButtonControl->Free();
        if (r.ButtonLine) r.ButtonLine->Free();
    }
    while (ButtonsCount() < Value) {
        TEditButtonControlLineRec r;
        r.EditButtonControl = OnCreateEditButtonControl ? OnCreateEditButtonControl() : New<TEditButtonControlVz>(this);
        r.EditButtonControl->SetParent(this);
        r.ButtonLine = New<TShape>(this);
        r.ButtonLine->SetParent(this);
        r.ButtonLine->SetWidth(0);
        FBtnCtlList.push_back(r);
    }
    if (FLayoutCount == 0) UpdateEditButtonControlList();
}

void TEditButtonsBoxVz::SetBorderActive(bool Value) {
    if (FBorderActive == Value) return;
    FBorderActive = Value;
    Invalidate();
}

int TEditButtonsBoxVz::IndexOfControl(TObject* Control) const {
    for (size_t i = 0; i < FBtnCtlList.size(); ++i)
        if (FBtnCtlList[i].EditButtonControl == Control) return static_cast<int>(i);
    return -1;
}

void TEditButtonsBoxVz::UpdateEditButtonControlList() {
    int height = std::numeric_limits<int>::max();
    int width = 0;
    bool anyVisible = false;
    for (size_t i = 0; i < FBtnCtlList.size(); ++i) {
        TEditButtonControlLineRec& r = FBtnCtlList[i];
        if (!r.EditButton) continue;
        UpdateEditButtonControlVz(r, FFlat, height, FMaxButtonHeight);
        TEditButtonControlVz* c = r.EditButtonControl;
        c->OnDown = OnDown;
        c->OnClick = OnClick;
        c->OnMouseMove = OnMouseMove;
        c->OnMouseUp = OnMouseUp;
        c->SetTag(static_cast<NativeInt>(i));
        width += c->Width() + r.ButtonLine->Width();
        if (r.EditButton->Visible()) anyVisible = true;
    }
    FButtonHeight = anyVisible ? height : 0;
    FButtonsWidth = width;
    if (anyVisible) {
        const bool rtl = UseRightToLeftAlignment();
        int x = rtl ? width : 0;
        for (TEditButtonControlLineRec& r : FBtnCtlList) {
            if (!r.EditButton) continue;
            const int cw = r.EditButtonControl->Width();
            const int lw = r.ButtonLine->Width();
            if (rtl) {
                r.EditButtonControl->SetBounds(x - cw, 0, cw, height);
                r.ButtonLine->SetBounds(x - cw - lw, 0, lw, height);
                x -= cw + lw;
            } else {
                r.EditButtonControl->SetBounds(x, 0, cw, height);
                r.ButtonLine->SetBounds(x + cw, 0, lw, height);
                x += cw + lw;
            }
        }
    }
    // A flat row ends without its last line.
    if (FFlat && FButtonsWidth > 0) FButtonsWidth -= 1;
}

void TEditButtonsBoxVz::UpdateEditButtonControlsState() {
    for (TEditButtonControlLineRec& r : FBtnCtlList) {
        if (!r.EditButton) continue;
        r.EditButtonControl->SetEnabled(Enabled() && r.EditButton->Enabled());
        r.EditButtonControl->SetActive(FBorderActive);
        r.ButtonLine->Pen()->SetColor(FBorderActive ? clBtnFace : Color());
    }
}

void TEditButtonsBoxVz::EnabledChanged() {
    TWinControl::EnabledChanged();
    UpdateEditButtonControlsState();
}
