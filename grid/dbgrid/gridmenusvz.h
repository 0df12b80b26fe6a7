// The data grid's popup menus: which menu a right click on a cell shows, and the aggregate menu of
// a group footer cell whose value type the user may choose.
#pragma once

#include "grid/dbgrid/dbgridvz.h"
#include "platform/gui/menus.h"

class TGridDataGroupFooterColumnItemVz;

// An item of the group footer menu: the footer column item it sets and the value type (Tag).
class TDBGridVzFooterMenuItemVz : public TMenuItem {
    SDELKA_CLASS(TDBGridVzFooterMenuItemVz, TMenuItem)
protected:
    explicit TDBGridVzFooterMenuItemVz(TComponent* AOwner) : TMenuItem(AOwner) {}
    ~TDBGridVzFooterMenuItemVz() override = default;

public:
    TCustomDBGridVz* Grid = nullptr;
    TGridDataGroupFooterColumnItemVz* FooterItem = nullptr;
};

// Whether a footer of the value type can be shown over the field: sums over numbers and Booleans,
// averages over numbers, counts, extremes, texts and custom values over any field; never without one.
bool CanApplyAggregateFunctionVz(TField* Field, TGroupFooterValueTypeVz ValueType);
