// The data grid's popup menus: the choice by the cell under the pointer and the group footer's
// aggregate menu.
#include "grid/dbgrid/gridmenusvz.h"

#include "grid/dbgrid/groupfootersvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "platform/db/fields.h"

bool CanApplyAggregateFunctionVz(TField* Field, TGroupFooterValueTypeVz ValueType) {
    if (!Field || ValueType == gfvNonVz) return false;
    bool number = false;
    switch (Field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint: case ftFMTBcd: case ftLongWord: case ftShortint: case ftByte: case ftExtended: case ftSingle:
        number = true;
        break;
    default: break;
    }
    if (ValueType == gfvSumVz) return number || Field->DataType() == ftBoolean;
    if (ValueType == gfvAvgVz) return number;
    return true;
}

TGridDataGroupFooterColumnItemVz* TCustomDBGridVz::CustomizableFooterItemAt(TColumnVz* AColumn,
                                                                             TGroupDataTreeNodeVz* Node) {
    if (!AColumn || !Node || Node->NodeType() != dntDataGroupFooterVz || !Node->DataGroupFooter()) return nullptr;
    TGridDataGroupFooterColumnItemsVz* items = Node->DataGroupFooter()->ColumnItems();
    const int i = items->ItemIndexByColumn(AColumn);
    if (i < 0) return nullptr;
    TGridDataGroupFooterColumnItemVz* item = items->Items(i);
    return item->RunTimeCustomizable() ? item : nullptr;
}

TCustomPopupMenu* TCustomDBGridVz::GetCellPopupMenu(const TGridCoord& Cell, TColumnVz* AColumn,
                                                    TGroupDataTreeNodeVz* AGroupDataNode) {
    return InternalGetCellPopupMenu(Cell, AColumn, AGroupDataNode);
}

TCustomPopupMenu* TCustomDBGridVz::InternalGetCellPopupMenu(const TGridCoord& Cell, TColumnVz* AColumn,
                                                            TGroupDataTreeNodeVz* AGroupDataNode) {
    if (TGridDataGroupFooterColumnItemVz* item = CustomizableFooterItemAt(AColumn, AGroupDataNode))
        return BuildGroupFooterPopupMenu(item, nullptr);
    if (AColumn) {
        if (Cell.Y >= 0 && Cell.Y < TitleRowCount())
            if (TPopupMenu* m = AColumn->Title()->PopupMenu()) return m;
        if (TPopupMenu* m = AColumn->PopupMenu()) return m;
    }
    return PopupMenu();
}

TPopupMenu* TCustomDBGridVz::BuildGroupFooterPopupMenu(TGridDataGroupFooterColumnItemVz* FooterColumnItem,
                                                       TPopupMenu* PopupMenu) {
    if (!PopupMenu) {
        if (!FGroupFooterMenu) FGroupFooterMenu = New<TPopupMenu>(this);
        FGroupFooterMenu->Items()->Clear();
        PopupMenu = FGroupFooterMenu;
    }
    if (PopupMenu->Items()->Count() > 0) PopupMenu->Items()->Add(NewLine());
    struct Entry { const char16_t* Caption; TGroupFooterValueTypeVz Type; };
    const Entry entries[] = {{u"Sum", gfvSumVz},     {u"Max", gfvMaxVz},         {u"Min", gfvMinVz},
                             {u"Count", gfvCountVz}, {u"Average", gfvAvgVz},     {u"(Empty)", gfvNonVz}};
    for (const Entry& e : entries) {
        if (e.Type != gfvNonVz && !CanApplyAggregateFunctionVz(FooterColumnItem->Field(), e.Type)) continue;
        auto* item = New<TDBGridVzFooterMenuItemVz>(PopupMenu);
        item->SetCaption(String::fromUtf16(e.Caption));
        item->SetTag(e.Type);
        item->Grid = this;
        item->FooterItem = FooterColumnItem;
        item->OnClick = [this](TObject* Sender) { GroupFooterMenuItemClick(Sender); };
        PopupMenu->Items()->Add(item);
    }
    return PopupMenu;
}

void TCustomDBGridVz::GroupFooterMenuItemClick(TObject* Sender) {
    auto* item = dynamic_cast<TDBGridVzFooterMenuItemVz*>(Sender);
    if (!item || !item->FooterItem) return;
    item->FooterItem->SetValueType(static_cast<TGroupFooterValueTypeVz>(item->Tag()));
}

void TCustomDBGridVz::DoContextPopup(const TPoint& MousePos, bool& Handled) {
    // The menu key gives (-1, -1): the menu of the current cell, at its middle.
    TPoint at = MousePos;
    TGridCoord cell{-1, -1};
    if (at.X == -1 && at.Y == -1) {
        cell = TGridCoord{Col(), Row()};
        const TRect r = CellRect(cell.X, cell.Y);
        at = TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    } else {
        cell = MouseCoord(at.X, at.Y);
    }
    TColumnVz* column = nullptr;
    TGroupDataTreeNodeVz* node = nullptr;
    if (cell.X >= 0 && cell.Y >= 0) {
        const int dataCol = GridColToDataCol(cell.X);
        if (dataCol >= 0 && dataCol < Columns()->Count()) column = Columns()->Items(dataCol);
        if (column && cell.Y >= TopDataOffset() && cell.Y < RowCount())
            node = GroupDataNodeOfRow(cell.Y - TopDataOffset());
    }
    TCustomPopupMenu* menu = GetCellPopupMenu(cell, column, node);
    if (Handled || !menu || !menu->AutoPopup()) return;
    CancelMode();
    menu->SetPopupComponent(this);
    const TPoint p = ClientToScreen(at);
    menu->Popup(p.X, p.Y);
    Handled = true;
}
