// The filter drop-down of a column: a check list of the column's values with a search box above it
// and OK / Cancel below. The caller fills the base list, the form keeps one tick per base-list
// entry and shows the entries that contain the search text, each row drawn by an item object
// (a select-all row on top, a data item per value). TDBGridFilterDropDownForm is the data grid's
// variant: menu-like command buttons above the list sort by the column, clear the filters and
// open the custom filter dialog; a command runs at once and closes the form with Cancel.
#pragma once

#include "grid/base/listboxvz.h"
#include "grid/dbgrid/columnfilterhostvz.h"
#include "grid/dbgrid/columnsvz.h"
#include "grid/editors/dropdownformvz.h"
#include "platform/gui/stdctrls.h"

#include <vector>

class TButton;
class TColumnVz;
class TDBEditVz;
class TFilterDropDownForm;
class TPanel;

// The common base of the list's item objects: finds its form through the list box's owner; the
// column filter tells values from commands through ISTFilterListItemVz.
class TDDFormFilterPopupListboxItemVz : public TCustomListboxItemVz, public ISTFilterListItemVz {
    SDELKA_CLASS(TDDFormFilterPopupListboxItemVz, TCustomListboxItemVz)
protected:
    TDDFormFilterPopupListboxItemVz() = default;
    ~TDDFormFilterPopupListboxItemVz() override = default;

public:
    bool IsDefaultItem() override { return false; }
    using TCustomListboxItemVz::IsDataItem;
    bool IsDataItem() const override { return const_cast<TDDFormFilterPopupListboxItemVz*>(this)->IsDataItem(); }
    static TFilterDropDownForm* FormOf(TCustomListboxVz* Sender);
};

// A value row: a check box and the value ("(Пустые)" for an empty one).
class TDDFormListboxItemVzData : public TDDFormFilterPopupListboxItemVz {
    SDELKA_CLASS(TDDFormListboxItemVzData, TDDFormFilterPopupListboxItemVz)
protected:
    TDDFormListboxItemVzData() = default;
    ~TDDFormListboxItemVzData() override = default;

public:
    String GetDisplayText(TCustomListboxVz* Sender, int Index) override;
    void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) override;
    void MouseDown(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton Button,
                   TShiftState Shift) override;
    void MouseMove(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;
    void MouseUp(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton Button,
                 TShiftState Shift) override;
    void KeyPress(TCustomListboxVz*, int, Char&, TShiftState, bool&) override {}
    bool IsDataItem() override { return true; }
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;
};

// The select-all row on top: unchecked, checked or grayed as the shown values are ticked.
class TDDFormListboxItemVzSelectAll : public TDDFormListboxItemVzData {
    SDELKA_CLASS(TDDFormListboxItemVzSelectAll, TDDFormListboxItemVzData)
protected:
    TDDFormListboxItemVzSelectAll() = default;
    ~TDDFormListboxItemVzSelectAll() override = default;

public:
    String GetDisplayText(TCustomListboxVz* Sender, int Index) override { return Sender->GetItemText(Index); }
    void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) override;
    void MouseMove(TCustomListboxVz*, int, const TPoint&, TShiftState) override {}
    void MouseUp(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton Button,
                 TShiftState Shift) override;
    bool IsDataItem() override { return false; }
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;
};

// The shared item objects.
TDDFormListboxItemVzData* FilterListDataItemVz();
TDDFormListboxItemVzSelectAll* FilterListSelectAllItemVz();

// A flat menu-like button; "-" as caption makes it a separator line.
class TMenuButtonVz : public TCustomControl {
    SDELKA_CLASS(TMenuButtonVz, TCustomControl)
protected:
    explicit TMenuButtonVz(TComponent* AOwner);
    ~TMenuButtonVz() override = default;

public:
    TCustomListboxItemVz* ActionItem() const { return FActionItem; }
    void SetActionItem(TCustomListboxItemVz* Value) { FActionItem = Value; }
    int CaptionMargin() const { return FCaptionMargin; }
    void SetCaptionMargin(int Value) { FCaptionMargin = Value; }
    TFilterDropDownForm* DropDownForm() const { return FDropDownForm; }
    void SetDropDownForm(TFilterDropDownForm* Value) { FDropDownForm = Value; }
    bool MouseInControl() const { return FMouseInControl; }
    bool IsLine() const { return Caption() == u"-"; }
    TNotifyEvent OnClick;

protected:
    void Paint() override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TCustomListboxItemVz* FActionItem = nullptr;
    bool FMouseInControl = false;
    int FCaptionMargin = 0;
    TFilterDropDownForm* FDropDownForm = nullptr;
};

class TFilterDropDownForm : public TCustomDropDownFormVz {
    SDELKA_CLASS(TFilterDropDownForm, TCustomDropDownFormVz)
protected:
    explicit TFilterDropDownForm(TComponent* AOwner);
    ~TFilterDropDownForm() override;

public:
    TStringList* BaseList() const { return FBaseList.get(); }
    TCustomListboxVz* FilterList() const { return FFilterList; }
    TDBEditVz* SearchEdit() const { return FSearchEdit; }
    std::vector<bool>& ListValuesCheckingState() { return FListValuesCheckingState; }
    // For each shown row, its base-list entry (-1 for the select-all row).
    const std::vector<int>& ListRefCheckingState() const { return FListRefCheckingState; }
    TCheckBoxState SelectAllState() const { return FSelectAllState; }
    void SetSelectAllState(TCheckBoxState Value) { FSelectAllState = Value; }
    int MenuItemHeight() const { return FMenuItemHeight; }
    int LeftMargin() const { return FLeftMargin; }
    int PopupListboxDownIndex = -1;
    int PopupListboxDragHoverIndex = -1;

    // Every entry without an item object gets the data item; the ticks are cleared.
    void InitDataForBaseList();
    // Fills the shown rows from the base list and the search text. A key-down waiting for the
    // search edit stops the fill; the list is filled again once that key has been handled.
    virtual void UpdateFilterList();
    void UpdateSelectAllState();
    void ListValuesCheckingStateChanged() { UpdateSelectAllState(); }
    void SearchEditButtonClick();
    void FilterListKeyPress(Char& Key);
    virtual void Init();
    virtual void RealignControls();
    void InitForm(TComponent* Host, TDynVarsVz* DynParams) override;

    TPanel* Panel1 = nullptr;
    TButton* bOk = nullptr;
    TButton* bCancel = nullptr;

protected:
    void DrawBorder() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void Dispatch(TMessage& Message) override;

private:
    void SearchEditChange(TObject* Sender);
    void SearchButtonClick(TObject* Sender, bool& Handled);
    void bOkClick(TObject* Sender);
    void bCancelClick(TObject* Sender);

    TOwned<TStringList> FBaseList;
    TCustomListboxVz* FFilterList = nullptr;
    std::vector<int> FListRefCheckingState;
    std::vector<bool> FListValuesCheckingState;
    TDBEditVz* FSearchEdit = nullptr;
    TCheckBoxState FSelectAllState = cbUnchecked;
    int FMenuItemHeight = 0;
    int FLeftMargin = 0;
    bool FRefillPending = false;
};

// The shared plain filter drop-down, made with the application as owner on first use.
TFilterDropDownForm* GetFilterDropDownForm();

// ---- the data grid's variant

class TDBGridFilterDropDownForm;

class TDBGridMenuButtonVz : public TMenuButtonVz {
    SDELKA_CLASS(TDBGridMenuButtonVz, TMenuButtonVz)
protected:
    explicit TDBGridMenuButtonVz(TComponent* AOwner) : TMenuButtonVz(AOwner) {}
    ~TDBGridMenuButtonVz() override = default;

public:
    TSortMarkerVz SortState() const { return FSortState; }
    void SetSortState(TSortMarkerVz Value) { FSortState = Value; }
    void DrawSortMarker(const TRect& ARect);

protected:
    void Paint() override;

private:
    TSortMarkerVz FSortState = smNoneVz;
};

enum TPopupListboxItemVzSpecType {
    ptFilterSpecItemClearFilter, ptFilterSpecItemClearColumnFilter, ptFilterSpecItemDialog, ptFilterApply
};

// The column the command items act on: the grid variant's Column.
class TDDFormGridFilterPopupListboxItemVz : public TDDFormFilterPopupListboxItemVz {
    SDELKA_CLASS(TDDFormGridFilterPopupListboxItemVz, TDDFormFilterPopupListboxItemVz)
protected:
    TDDFormGridFilterPopupListboxItemVz() = default;
    ~TDDFormGridFilterPopupListboxItemVz() override = default;

public:
    bool IsDataItem() override { return false; }
    static TColumnVz* ColumnOf(TCustomListboxVz* Sender);
};

class TDDFormListboxItemVzSort : public TDDFormGridFilterPopupListboxItemVz {
    SDELKA_CLASS(TDDFormListboxItemVzSort, TDDFormGridFilterPopupListboxItemVz)
protected:
    explicit TDDFormListboxItemVzSort(TSortMarkerVz State) : FSortState(State) {}
    ~TDDFormListboxItemVzSort() override = default;

public:
    TSortMarkerVz SortState() const { return FSortState; }
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;

private:
    TSortMarkerVz FSortState;
};

class TDDFormListboxItemVzSpec : public TDDFormGridFilterPopupListboxItemVz {
    SDELKA_CLASS(TDDFormListboxItemVzSpec, TDDFormGridFilterPopupListboxItemVz)
protected:
    explicit TDDFormListboxItemVzSpec(TPopupListboxItemVzSpecType Type) : FType(Type) {}
    ~TDDFormListboxItemVzSpec() override = default;

public:
    TPopupListboxItemVzSpecType Type() const { return FType; }
    void Execute(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TShiftState Shift) override;

private:
    TPopupListboxItemVzSpecType FType;
};

class TDBGridFilterDropDownForm : public TFilterDropDownForm {
    SDELKA_CLASS(TDBGridFilterDropDownForm, TFilterDropDownForm)
protected:
    explicit TDBGridFilterDropDownForm(TComponent* AOwner);
    ~TDBGridFilterDropDownForm() override = default;

public:
    TColumnVz* Column() const { return FColumn; }
    void SetColumn(TColumnVz* Value) { FColumn = Value; }
    void MenuButtonClick(TObject* Sender);
    void RealignControls() override;
    // Shows the column's values, ticked as its filter names them; OK makes the ticked values
    // the column's filter and applies the grid's filter.
    void FillForColumn(TColumnVz* AColumn);
    void ApplyCheckedValues();

    TDBGridMenuButtonVz* SortButton1 = nullptr;
    TDBGridMenuButtonVz* SortButton2 = nullptr;
    TDBGridMenuButtonVz* LineMenuButton1 = nullptr;
    TDBGridMenuButtonVz* ClearFilterButton = nullptr;
    TDBGridMenuButtonVz* ClearColumnFilterButton = nullptr;
    TDBGridMenuButtonVz* CustomFilterButton = nullptr;
    TDBGridMenuButtonVz* LineMenuButton2 = nullptr;

private:
    TDBGridMenuButtonVz* MakeButton(const String& Caption, TCustomListboxItemVz* Item, TSortMarkerVz Sort);
    TColumnVz* FColumn = nullptr;
};

// The shared grid filter drop-down, made with the application as owner on first use.
TDBGridFilterDropDownForm* GetDBGridFilterDropDownForm();
