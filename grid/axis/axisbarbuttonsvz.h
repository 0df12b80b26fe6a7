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

// The main edit button: its visibility and style make the bar's ButtonStyle. Until its visibility is
// set (VisibleStored) it is visible exactly when the bar has something to drop down or step.
class TAxisBarMainEditButtonVz : public TEditButtonVz {
    SDELKA_CLASS(TAxisBarMainEditButtonVz, TEditButtonVz)
protected:
    explicit TAxisBarMainEditButtonVz(TCollection* Collection) : TEditButtonVz(Collection) {}
    ~TAxisBarMainEditButtonVz() override = default;

public:
    void Assign(TPersistent* Source) override;
    TAxisBarVz* AxisBar() const { return FAxisBar; }
    void SetAxisBar(TAxisBarVz* Value) { FAxisBar = Value; }
    // cbsAuto while the visibility follows the bar, cbsNone when hidden, else by the button's style.
    TCellButtonStyleVz ButtonStyle() const;
    void SetButtonStyle(TCellButtonStyleVz Value);
    TCellButtonStyleVz AxisBarButtonStyle() const { return ButtonStyle(); }
    void SetAxisBarButtonStyle(TCellButtonStyleVz Value) { SetButtonStyle(Value); }
    bool VisibleStored() const { return FVisibleStored; }
    // Either way the stored visibility becomes the default one, without notification.
    void SetVisibleStored(bool Value);
    // A lookup, an editable pick list, a data list, an editable date, or a drop-down form to open.
    virtual bool DefaultVisible() const;

    TAxisBarEditButtonClickEventVz OnEditButtonClick;
    TAxisBarEditButtonDownEventVz OnEditButtonDown;

protected:
    bool GetVisible() const override { return FVisibleStored ? FVisible : DefaultVisible(); }
    void DoSetVisible(bool Value) override;
    TEditButtonDrawBackTimeVz DefaultDrawBackTime() const override;

private:
    TAxisBarVz* FAxisBar = nullptr;
    bool FVisibleStored = false;
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
