// The edit buttons and cell buttons an axis bar keeps: the main edit button (which carries the
// bar's button style and click events), the additional edit buttons, and the in-cell buttons
// placed left or right of the cell text.
#pragma once

#include "grid/base/buttonsvz.h"

class TAxisBarVz;

enum TCellButtonStyleVz { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown, cbsAltUpDown, cbsAltDropDown };
enum TEditButtonHorzPlacementVz { ebhpRightVz, ebhpLeftVz };

using TAxisBarEditButtonClickEventVz = TEvent<void(TObject* Sender, bool& Handled)>;
using TAxisBarEditButtonDownEventVz =
    TEvent<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;

// The main edit button: its style follows the bar's ButtonStyle.
class TAxisBarMainEditButtonVz : public TEditButtonVz {
    SDELKA_CLASS(TAxisBarMainEditButtonVz, TEditButtonVz)
protected:
    explicit TAxisBarMainEditButtonVz(TCollection* Collection) : TEditButtonVz(Collection) {}
    ~TAxisBarMainEditButtonVz() override = default;

public:
    void Assign(TPersistent* Source) override;
    TCellButtonStyleVz ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TCellButtonStyleVz Value);

    TAxisBarEditButtonClickEventVz OnEditButtonClick;
    TAxisBarEditButtonDownEventVz OnEditButtonDown;

private:
    TCellButtonStyleVz FButtonStyle = cbsAuto;
};

// The additional edit buttons of a bar (visible by default).
class TAxisBarEditButtonsVz : public TEditButtonsVz {
    SDELKA_CLASS(TAxisBarEditButtonsVz, TEditButtonsVz)
protected:
    TAxisBarEditButtonsVz(TPersistent* AOwner, TClass ItemClass) : TEditButtonsVz(AOwner, ItemClass) {}
    ~TAxisBarEditButtonsVz() override = default;
};

// One in-cell button of a bar.
class TCellButtonVz : public TEditButtonVz {
    SDELKA_CLASS(TCellButtonVz, TEditButtonVz)
protected:
    explicit TCellButtonVz(TCollection* Collection) : TEditButtonVz(Collection) { FVisible = true; }
    ~TCellButtonVz() override = default;

public:
    void Assign(TPersistent* Source) override;
    TEditButtonHorzPlacementVz HorzPlacement() const { return FHorzPlacement; }
    void SetHorzPlacement(TEditButtonHorzPlacementVz Value);

private:
    TEditButtonHorzPlacementVz FHorzPlacement = ebhpRightVz;
};

class TCellButtonsVz : public TEditButtonsVz {
    SDELKA_CLASS(TCellButtonsVz, TEditButtonsVz)
protected:
    TCellButtonsVz(TPersistent* AOwner, TClass ItemClass) : TEditButtonsVz(AOwner, ItemClass) {}
    ~TCellButtonsVz() override = default;

public:
    TCellButtonVz* Items(int Index) const { return ItemsAs<TCellButtonVz>(Index); }
};
