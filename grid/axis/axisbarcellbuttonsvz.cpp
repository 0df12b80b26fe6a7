// The axis bar's in-cell buttons: their widths and heights, which buttons a cell draws, and what a
// click or press on one of them does.
#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisbarsvz.h"
#include "grid/base/buttonpaintvz.h"
#include "platform/gui/forms.h"

bool TAxisBarVz::UseInCellEditButtons() { return GetBarType() == ctGraphicData && !TextEditing(); }

int TAxisBarVz::EditButtonWidth(TEditButtonVz* Button) {
    if (Button->Width() != 0) return Button->Width();
    const bool flat = FGrid && FGrid->AxisGridFlat();
    if (!flat) return GetSystemMetrics(SM_CXVSCROLL);
    return DefaultEditButtonWidthVz() + (ThemesEnabledVz() ? 0 : 1);
}

int TAxisBarVz::GetMainEditButtonWidth() { return EditButtonWidth(FEditButton); }

int TAxisBarVz::EditButtonsWidth() {
    int w = 0;
    if (FEditButton->Visible()) w += EditButtonWidth(FEditButton);
    const bool flatNoThemes = FGrid && FGrid->AxisGridFlat() && !ThemesEnabledVz();
    for (int i = 0; i < FEditButtons->Count(); ++i) {
        TEditButtonVz* b = FEditButtons->Items(i);
        if (b->Visible()) w += EditButtonWidth(b) + (flatNoThemes ? 1 : 0);
    }
    return w;
}

int TAxisBarVz::GetCellEditorLeftMargin() {
    int w = 0;
    for (int i = 0; i < FCellButtons->Count(); ++i) {
        TCellButtonVz* b = FCellButtons->Items(i);
        if (b->Visible() && b->HorzPlacement() == ebhpLeftVz) w += EditButtonWidth(b);
    }
    return w;
}

int TAxisBarVz::GetCellEditorRightMargin() {
    int w = 0;
    for (int i = 0; i < FCellButtons->Count(); ++i) {
        TCellButtonVz* b = FCellButtons->Items(i);
        if (b->Visible() && b->HorzPlacement() == ebhpRightVz) w += EditButtonWidth(b);
    }
    return w;
}

int TAxisBarVz::CalcEditButtonHeight() {
    const int gridHeight = FGrid ? FGrid->InplaceEditorButtonHeight() : 0;
    bool allZero = FEditButton->Width() == 0;
    for (int i = 0; i < FEditButtons->Count(); ++i)
        if (FEditButtons->Items(i)->Width() != 0) allZero = false;
    if (allZero) return gridHeight;
    auto roundHalfEven = [](int W) {
        const int twice = W * 3;  // W * 3 / 2, halves to even
        int q = twice / 2;
        if (twice % 2 != 0 && q % 2 != 0) ++q;
        return q;
    };
    int h = roundHalfEven(FEditButton->Width());
    for (int i = 0; i < FEditButtons->Count(); ++i) h = std::min(h, roundHalfEven(FEditButtons->Items(i)->Width()));
    if (h >= gridHeight) return FGrid ? std::min(h, FGrid->AxisGridDefaultRowHeight()) : h;
    return gridHeight;
}

TEditButtonDrawBackTimeVz TAxisBarVz::GetDefaultEditButtonDrawBackTime() {
    return FGrid && FGrid->AxisBarDefValues() ? FGrid->AxisBarDefValues()->EditButtonDrawBackTime() : edbtWhenHotVz;
}

void TAxisBarVz::CellEditButtonClick(TEditButtonVz* Button, TEditButtonControlVz* Control) {
    if (!Button) return;
    bool handled = false;
    if (Button == FEditButton) {
        const TCellButtonStyleVz st = ButtonStyle();
        if ((st == cbsEllipsis || st == cbsDropDown || st == cbsAltDropDown) && FGrid) FGrid->DoEditButtonClick();
        if (FEditButton->OnEditButtonClick) FEditButton->OnEditButtonClick(Control, handled);
        if (!handled && FEditButton->DefaultAction() && FGrid)
            FGrid->EditButtonDefaultAction(this, FEditButton, Control, false, handled);
        return;
    }
    Button->Click(Control, handled);
    if (!handled && Button->DefaultAction() && FGrid) FGrid->EditButtonDefaultAction(this, Button, Control, false, handled);
}

void TAxisBarVz::CellEditButtonDown(TEditButtonVz* Button, TEditButtonControlVz* Control, bool TopButton,
                                    bool& AutoRepeat, bool& Handled) {
    Handled = false;
    if (!Button) return;
    if (FGrid) FGrid->AxisGridTakeFocus();
    if (Button == FEditButton) {
        if (FEditButton->OnEditButtonDown) FEditButton->OnEditButtonDown(Control, TopButton, AutoRepeat, Handled);
        if (!Handled && FEditButton->DefaultAction() && FGrid)
            FGrid->EditButtonDefaultAction(this, FEditButton, Control, true, Handled);
        return;
    }
    if (Button->OnDown) Button->OnDown(Control, TopButton, AutoRepeat, Handled);
    if (!Handled && Button->DefaultAction() && FGrid) FGrid->EditButtonDefaultAction(this, Button, Control, true, Handled);
}

void TAxisBarVz::DoCellDataLinkClick() {
    if (OnCellDataLinkClick && FGrid) OnCellDataLinkClick(FGrid->AxisGridComponent(), this);
}
