// The library's list boxes are one-column grids whose rows are the items of a string list, drawn
// with an optional image per item in the grid's selection style, and optionally handed to item
// objects (kept in the list's Objects) that draw themselves and react to mouse and keys.
// On this base stand the drop-down lists of editors, filter and pick lists:
// - TPopupListboxVz, a list box that is itself a popup window above the others;
// - TPopupListboxFormVz, a popup form that never takes the activation, holding a
//   TPopupListboxGridVz over its whole client area; TMRUListboxVz is the one for recent values.
// The popup variants select the item under the mouse as it moves, size themselves in whole items,
// can show an outside string list without copying it, and tell their owner whether a click should
// close the list (IsMouseUpCloseListbox). ItemIndex is -1 until an item is selected, although the
// grid's current row is 0.
#pragma once

#include "grid/base/gridsvz.h"
#include "grid/base/popupformvz.h"

class TCustomImageList;
class TCustomListboxVz;

using TLBGetDataEvent = TEvent<void(TWinControl* Control, int Index, String& Data)>;
using TLBGetDataObjectEvent = TEvent<void(TWinControl* Control, int Index, TObject*& DataObject)>;
using TListGetImageIndexEventVz = TEvent<void(TObject* Sender, int ItemIndex, int& ImageIndex)>;

// An item object stored in a list box's Objects. Pos is the mouse point in the list box's client
// coordinates.
class TCustomListboxItemVz : public TObject {
    SDELKA_CLASS(TCustomListboxItemVz, TObject)
protected:
    TCustomListboxItemVz() = default;
    ~TCustomListboxItemVz() override = default;

public:
    virtual bool IsDefaultItem() { return true; }
    virtual String GetDisplayText(TCustomListboxVz* Sender, int Index);
    virtual void DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State);
    virtual void MouseDown(TCustomListboxVz*, int, const TPoint&, TMouseButton, TShiftState) {}
    virtual void MouseMove(TCustomListboxVz*, int, const TPoint&, TShiftState) {}
    virtual void MouseUp(TCustomListboxVz*, int, const TPoint&, TMouseButton, TShiftState) {}
    virtual void KeyPress(TCustomListboxVz*, int, Char&, TShiftState, bool&) {}
    virtual bool IsDataItem() { return true; }
    virtual void Execute(TCustomListboxVz*, int, const TPoint&, TShiftState) {}
};

// An item of a popup list that decides whether a click on it closes the list.
class TPopupListboxItemVz : public TCustomListboxItemVz {
    SDELKA_CLASS(TPopupListboxItemVz, TCustomListboxItemVz)
protected:
    TPopupListboxItemVz() = default;
    ~TPopupListboxItemVz() override = default;

public:
    virtual void ListboxMouseUp(TCustomListboxVz* Sender, int ItemIndex, bool& IsCloseListbox, TMouseButton Button,
                                TShiftState Shift);
    virtual bool CloseOnExecute(TCustomListboxVz*, int) { return true; }
};

// The process's shared plain popup item.
TPopupListboxItemVz* GetPopupListboxItemVz();

class TCustomListboxVz : public TCustomGridVz {
    SDELKA_CLASS(TCustomListboxVz, TCustomGridVz)
protected:
    explicit TCustomListboxVz(TComponent* AOwner);
    ~TCustomListboxVz() override;

public:
    void AfterConstruction() override;

    // The virtual count in virtual mode, else the number of GetItems entries.
    int Count();
    // Only in virtual mode ("Can't assign Count when list is not virtual" otherwise).
    void SetCount(int Value);
    int ItemIndex() const;
    void SetItemIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    bool VirtualItems() const { return FVirtualItems; }
    void SetVirtualItems(bool Value);
    TStrings* Items() { return GetItems(); }
    void SetItemsList(TStrings* Value) { SetItems(Value); }
    TCustomImageList* ImageList() const { return FImageList; }
    void SetImageList(TCustomImageList* Value) { FImageList = Value; }
    TAlignment ItemAlignment() const { return FItemAlignment; }
    void SetItemAlignment(TAlignment Value) { FItemAlignment = Value; }
    bool UseItemObjects() const { return FUseItemObjects; }
    void SetUseItemObjects(bool Value) { FUseItemObjects = Value; }
    // A flag only: the list box never sorts.
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value) { FSorted = Value; }
    int TopIndex() const { return TopRow(); }
    void SetTopIndex(int Value);
    // The row under a client point, -1 when none.
    int ItemAtPos(const TPoint& Pos, bool Existing = true);
    TRect ItemRect(int Index) { return CellRect(0, Index); }
    void InvalidateIndex(int AItemIndex);
    // The row at a point, with points outside the client area taken to its nearest edge.
    int StrictIndexToClient(int X, int Y);
    virtual int GetTextHeight();
    // The item object of an item when item objects are in use, else nullptr.
    TCustomListboxItemVz* ItemObject(int Index);

    virtual TStrings* GetItems();
    virtual String GetDisplayItemText(int Index);
    virtual void DrawItem(int Index, const TRect& Rect, TGridDrawState State);
    virtual String GetItemText(int Index);
    virtual void SetItems(TStrings* Value);
    virtual void DefaultDrawItem(int Index, const TRect& ARect, TGridDrawState State);

    TLBGetDataEvent OnData;
    TLBGetDataObjectEvent OnDataObject;
    TListGetImageIndexEventVz OnGetImageIndex;

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void MoveFocusToCell(int ACol, int ARow, bool MoveAnchor) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;
    void UpdateRowCount();
    void ItemsChange(TObject* Sender);
    bool RowSelected() const { return FRowSeleced; }

private:
    void UpdateColWidth();

    TOwned<TStringList> FItems;
    TCustomImageList* FImageList = nullptr;
    TAlignment FItemAlignment = taLeftJustify;
    int FItemHeight = 0;
    bool FRowSeleced = false;
    bool FSorted = false;
    bool FUseItemObjects = false;
    bool FVirtualItems = false;
    int FVirtualRowCount = 0;
};

// What the two popup lists share: hover selection, sizing memory, outside items, the close flag.
class TCustomPopupListboxVz : public TCustomListboxVz {
    SDELKA_CLASS(TCustomPopupListboxVz, TCustomListboxVz)
protected:
    explicit TCustomPopupListboxVz(TComponent* AOwner);
    ~TCustomPopupListboxVz() override = default;

public:
    void AfterConstruction() override;

    int BorderWidth() const { return FBorderWidth; }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    TStrings* ExtItems() const { return FExtItems; }
    void SetExtItems(TStrings* Value);
    bool IsMouseUpCloseListbox() const { return FIsMouseUpCloseListbox; }
    // Whole items that fit (shadows the grid's row count).
    int RowCount() const { return FRowCount; }
    virtual void SetRowCount(int Value);
    int ResizedRowCount() const { return FResizedRowCount; }
    int ResizedWidth() const { return FResizedWidth; }
    bool SizeGripResized() const { return FSizeGripResized; }
    void SetSizeGripResized(bool Value) { FSizeGripResized = Value; }
    bool InternalResizing() const { return FInternalResizing; }
    void SetInternalResizing(bool Value) { FInternalResizing = Value; }
    int MouseIndex() const { return FMouseIndex; }
    virtual int GetBorderSize();
    // A wheel turn the owner hands on.
    bool WheelFromOwner(TShiftState Shift, int WheelDelta, TPoint MousePos) {
        return DoMouseWheel(Shift, WheelDelta, MousePos);
    }

    TStrings* GetItems() override;
    String GetItemText(int Index) override;
    void SetItems(TStrings* Value) override;
    virtual void GetExtItemObject(TWinControl* Control, int Index, TObject*& DataObject);

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void Resize() override;
    void InitWidget() override;
    void Dispatch(TMessage& Message) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void CMHintShow(TMessage& Message) override { Message.Result = 1; }
    virtual void UpdateBorderWidth();

    int FBorderWidth = 0;
    bool FCtl3D = true;
    TStrings* FExtItems = nullptr;
    int FMouseIndex = -1;
    TPoint FMousePos{-1, -1};
    int FRowCount = 0;
    bool FSizeGripResized = false;
    int FResizedRowCount = 0;
    int FResizedWidth = 0;
    bool FInternalResizing = false;
    bool FIsMouseUpCloseListbox = false;
};

// A list box that is itself a popup window: shown without taking the activation, its Left and Top
// in screen coordinates; it paints as focused and never takes the focus.
class TPopupListboxVz : public TCustomPopupListboxVz {
    SDELKA_CLASS(TPopupListboxVz, TCustomPopupListboxVz)
protected:
    explicit TPopupListboxVz(TComponent* AOwner);
    ~TPopupListboxVz() override = default;

public:
    void AfterConstruction() override;
    // Sizes in whole items: the height becomes border + ItemHeight x the rows that fit (at least one).
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetRowCount(int Value) override;
    void Show();
    void Hide();
    bool Focused() const override { return true; }
    bool CanFocus() const override { return false; }
    virtual void DrawBorder();

protected:
    void InitWidget() override;
    void BoundsChanged() override;
    void VisibleChanged() override;
    void Paint() override;
    void UpdateBorderWidth() override;
};

// The list inside a TPopupListboxFormVz: a child control, not a window of its own.
class TPopupListboxGridVz : public TCustomPopupListboxVz {
    SDELKA_CLASS(TPopupListboxGridVz, TCustomPopupListboxVz)
protected:
    explicit TPopupListboxGridVz(TComponent* AOwner);
    ~TPopupListboxGridVz() override = default;

public:
    bool CanFocus() const override { return false; }

protected:
    void UpdateBorderWidth() override {}
};

// A popup form that never takes the activation, holding a list over its whole client area.
class TPopupListboxFormVz : public TPopupInactiveFormVz {
    SDELKA_CLASS(TPopupListboxFormVz, TPopupInactiveFormVz)
protected:
    explicit TPopupListboxFormVz(TComponent* AOwner);
    ~TPopupListboxFormVz() override = default;

public:
    TPopupListboxGridVz* ListGrid() const { return FListGrid; }
    int Count() { return FListGrid->Count(); }
    void SetCount(int Value) { FListGrid->SetCount(Value); }
    TStrings* Items() { return FListGrid->Items(); }
    int ItemHeight() const { return FListGrid->ItemHeight(); }
    void SetItemHeight(int Value) { FListGrid->SetItemHeight(Value); }
    int ItemIndex() const { return FListGrid->ItemIndex(); }
    void SetItemIndex(int Value) { FListGrid->SetItemIndex(Value); }
    TStrings* ExtItems() const { return FListGrid->ExtItems(); }
    void SetExtItems(TStrings* Value) { FListGrid->SetExtItems(Value); }
    bool IsMouseUpCloseListbox() const { return FListGrid->IsMouseUpCloseListbox(); }
    bool UseItemObjects() const { return FListGrid->UseItemObjects(); }
    void SetUseItemObjects(bool Value) { FListGrid->SetUseItemObjects(Value); }
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int ResizedRowCount() const { return FResizedRowCount; }
    int ResizedWidth() const { return FResizedWidth; }
    bool SizeGripResized() const { return FSizeGripResized; }
    void SetSizeGripResized(bool Value) { FSizeGripResized = Value; }
    bool InternalResizing() const { return FInternalResizing; }
    void SetInternalResizing(bool Value) { FInternalResizing = Value; }
    // Creates the form's window and then the inner list's.
    void HandleNeeded();
    virtual void ListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual int GetTextHeight() { return FListGrid->GetTextHeight(); }
    virtual int GetBorderSize() { return FListGrid->GetBorderSize(); }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void Resize() override;

private:
    bool FInternalResizing = false;
    TPopupListboxGridVz* FListGrid = nullptr;
    int FResizedRowCount = 0;
    int FResizedWidth = 0;
    int FRowCount = 0;
    bool FSizeGripResized = false;
};

// The popup of most-recently-used values.
class TMRUListboxVz : public TPopupListboxFormVz {
    SDELKA_CLASS(TMRUListboxVz, TPopupListboxFormVz)
protected:
    explicit TMRUListboxVz(TComponent* AOwner) : TPopupListboxFormVz(AOwner) {}
    ~TMRUListboxVz() override = default;
};
