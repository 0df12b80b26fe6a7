// Popup menus of the grid library whose items may run their click while the menu stays open, so
// the user can tick options one after another (column menus, the search panel's options).
#pragma once

#include "platform/gui/menus.h"

// A menu item that, with CloseMenuOnClick False, runs its click and leaves its menu open when the
// menu was shown by a TPopupMenuVz. In any other menu it closes the menu like every item.
class TMenuItemVz : public TMenuItem {
    SDELKA_CLASS(TMenuItemVz, TMenuItem)
protected:
    explicit TMenuItemVz(TComponent* AOwner) : TMenuItem(AOwner) {}
    ~TMenuItemVz() override = default;

public:
    bool CloseMenuOnClick() const { return FCloseMenuOnClick; }
    void SetCloseMenuOnClick(bool Value) { FCloseMenuOnClick = Value; }
    bool CloseMenuOnClickRequested() const override { return FCloseMenuOnClick; }

private:
    bool FCloseMenuOnClick = true;
};

// The popup menu that watches its items' CloseMenuOnClick while it is shown.
class TPopupMenuVz : public TPopupMenu {
    SDELKA_CLASS(TPopupMenuVz, TPopupMenu)
protected:
    ~TPopupMenuVz() override = default;
    explicit TPopupMenuVz(TComponent* AOwner) : TPopupMenu(AOwner) { SetStayOpenItems(true); }
};
