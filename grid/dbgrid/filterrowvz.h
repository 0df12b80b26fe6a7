// The data grid's filter row as the user edits it: the editor that sits over a filter cell (a
// combo box whose list holds the column's commands and values with check boxes) and the item
// objects of that list. The grid side (which cell is edited, the keys that move between cells,
// applying and clearing) is in filterrowgridvz.cpp as members of the grid.
#pragma once

#include "grid/base/listboxvz.h"
#include "grid/dbgrid/columnfilterhostvz.h"
#include "grid/editors/dbcomboboxvz.h"

class TCustomDBGridVz;
class TColumnVz;
class TGridDataGroupLevelVz;
enum TSortMarkerVz : int;

// An item of a filter list: it finds the column (and the group level) the list belongs to.
class TDBGridFilterPopupListboxItemVz : public TPopupListboxItemVz, public ISTFilterListItemVz {
    SDELKA_CLASS(TDBGridFilterPopupListboxItemVz, TPopupListboxItemVz)
protected:
    TDBGridFilterPopupListboxItemVz() = default;
    ~TDBGridFilterPopupListboxItemVz() override = default;

public:
    bool IsDataItem() override { return false; }
    bool IsDataItem() const override { return const_cast<TDBGridFilterPopupListboxItemVz*>(this)->IsDataItem(); }
    // The column whose filter list Listbox shows, nil when none.
    virtual TColumnVz* GetColumn(TCustomListboxVz* Listbox);
    // The group level whose title list Listbox shows, nil when none.
    virtual TGridDataGroupLevelVz* GetGroupLevel(TCustomListboxVz* Listbox);
    // The grid the list belongs to, nil when none.
    static TCustomDBGridVz* GridOfListbox(TCustomListboxVz* Listbox);

protected:
    // Room at the left of each item: a check box's width and 2 pixels.
    static int LeftMargin();
    // Fills the item and writes Text right of the left margin; answers the margin's rectangle.
    static TRect DrawItemText(TCustomListboxVz* Sender, const TRect& ARect, TGridDrawState State, const String& Text,
                              bool Pressed = false);
};

// A separator line.
class TPopupListboxItemVzLine : public TDBGridFilterPopupListboxItemVz {
    SDELKA_CLASS(TPopupListboxItemVzLine, TDBGridFilterPopupListboxItemVz)
protected:
    TPopupListboxItemVzLine() = default;
    ~TPopupListboxItemVzLine() override = default;

public:
    void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) override;
    bool CloseOnExecute(TCustomListboxVz*, int) override { return false; }
    void ListboxMouseUp(TCustomListboxVz*, int, bool& IsCloseListbox, TMouseButton, TShiftState) override {
        IsCloseListbox = false;
    }
};

// Sorts the column (or the group level) by its marker.
class TPopupListboxItemVzSort : public TDBGridFilterPopupListboxItemVz {
    SDELKA_CLASS(TPopupListboxItemVzSort, TDBGridFilterPopupListboxItemVz)
protected:
    explicit TPopupListboxItemVzSort(TSortMarkerVz ASortState) : FSortState(ASortState) {}
    ~TPopupListboxItemVzSort() override = default;

public:
    TSortMarkerVz SortState() const { return FSortState; }
    void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) override;
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;

private:
    TSortMarkerVz FSortState;
};

enum TPopupListboxItemVzSpecType {
    ptFilterSpecItemClearFilter, ptFilterSpecItemAll, ptFilterSpecItemEmpties, ptFilterSpecItemNotEmties,
    ptFilterSpecItemDialog, ptFilterApply
};

// A command: clear the filters, all, empty, not empty, the condition dialog, apply.
class TPopupListboxItemVzSpec : public TDBGridFilterPopupListboxItemVz {
    SDELKA_CLASS(TPopupListboxItemVzSpec, TDBGridFilterPopupListboxItemVz)
protected:
    explicit TPopupListboxItemVzSpec(TPopupListboxItemVzSpecType AType) : FType(AType) {}
    ~TPopupListboxItemVzSpec() override = default;

public:
    TPopupListboxItemVzSpecType Type() const { return FType; }
    void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) override;
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;

private:
    TPopupListboxItemVzSpecType FType;
};

// A value of the column: a click checks or unchecks it, a drag over several sets them all.
class TPopupListboxItemVzData : public TDBGridFilterPopupListboxItemVz {
    SDELKA_CLASS(TPopupListboxItemVzData, TDBGridFilterPopupListboxItemVz)
protected:
    TPopupListboxItemVzData() = default;
    ~TPopupListboxItemVzData() override = default;

public:
    bool IsDataItem() override { return true; }
    bool CloseOnExecute(TCustomListboxVz*, int) override { return false; }
    String GetDisplayText(TCustomListboxVz* Sender, int Index) override;
    void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) override;
    void MouseDown(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton Button,
                   TShiftState Shift) override;
    void MouseMove(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;
    void MouseUp(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton Button,
                 TShiftState Shift) override;
    // The popup list hands its release here: the list stays open.
    void ListboxMouseUp(TCustomListboxVz* Sender, int ItemIndex, bool& IsCloseListbox, TMouseButton Button,
                        TShiftState Shift) override;
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;
};

// The process's shared item objects (made on first use, freed at exit).
TPopupListboxItemVzLine* STFilterListItemLineVz();
TPopupListboxItemVzSort* STFilterListItemSortVz(TSortMarkerVz State);
TPopupListboxItemVzSpec* STFilterListItemSpecVz(TPopupListboxItemVzSpecType Type);
TPopupListboxItemVzData* STFilterListItemDataVz();

// The filter row's editor: a combo box over the filter cell of one column, owned by the grid.
class TInplaceFilterEditVz : public TDBComboBoxVz {
    SDELKA_CLASS(TInplaceFilterEditVz, TDBComboBoxVz)
protected:
    explicit TInplaceFilterEditVz(TComponent* AOwner);
    ~TInplaceFilterEditVz() override = default;

public:
    TCustomDBGridVz* Grid() const;
    TColumnVz* Column() const { return FColumn; }
    void SetColumn(TColumnVz* Value) { FColumn = Value; }
    void DropDown(TEditButtonVz* AEditButton = nullptr) override;
    void CloseUp(bool Accept) override;
    void SelectNextValue(bool IsPrior) override;
    // The filter's column, or nil when the column has none.
    TSTColumnFilterVz* ColumnFilter() const;

    // The list takes the grid's colour and font.
    TColor GetListColor() override;
    TFont* GetListFont() override;

protected:
    bool ProcessSearchKey(const String&) override { return false; }
    void UpdateItemIndex() override {}
    void UpdateListItemIndex() override {}
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    // The editor keeps the arrows, and Tab when the grid moves by it.
    void Dispatch(TMessage& Message) override;

private:
    TColumnVz* FColumn = nullptr;
};
