// The data-aware in-place editor of the axis grid: the editor the grid shows over its current cell,
// loaded from the selected bar. Beside the base editor's text it carries the bar's edit style and
// edit buttons, the pick-list, calendar and calculator drop-downs, the bar's MRU list, an image in
// front of the text and word wrap. Typed characters complete a value from the bar's pick list or its
// lookup list; Delete, Backspace and the clipboard keep bars that limit their text to the list
// values inside the list; Enter and Escape close an open list, accepting or not, and the accepted
// value goes to the grid's edit text and key and through the grid's UpdateData into the field.
//
// The editor stands on the base grid's editor, not on the editors' edit base, so it lives with the
// axis grid. The edit buttons are controls of the editor itself, laid out at its right edge (left
// for right-to-left); the data grid box of lookup and data-list bars belongs to the grid add-ons, so
// their lists do not drop down here, while typing still completes from the list data set.
#pragma once

#include "grid/axis/axiseditstylevz.h"
#include "grid/base/gridsvz.h"
#include "platform/gui/shortcuts.h"

#include <vector>

class TAxisBarVz;
class TCustomDBAxisGridVz;
class TEditButtonControlVz;
class TEditButtonVz;
class TMRUListVz;
class TMRUListboxVz;
class TPopupListboxFormVz;

class TDBAxisGridInplaceEdit;

// The text control of the editor.
class TDBAxisGridnplaceEditCoreControl : public GridsVz::TInplaceEditCoreControl {
    SDELKA_CLASS(TDBAxisGridnplaceEditCoreControl, GridsVz::TInplaceEditCoreControl)
protected:
    explicit TDBAxisGridnplaceEditCoreControl(TComponent* AOwner);
    ~TDBAxisGridnplaceEditCoreControl() override = default;

public:
    TDBAxisGridInplaceEdit* ParentEdit() const;
    TAxisBarVz* AxisBar() const;

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void Change() override;

private:
    friend class TDBAxisGridInplaceEdit;
    // Lists first, then the MRU popup; true when the key went no further.
    bool RouteListKey(bool IsChar, Word& Key, TShiftState Shift);
    // The shift state of the last key press (its character follows it).
    TShiftState FLastShift;
    // The key's press was taken: its character goes no further.
    bool FSwallowChar = false;
};

class TDBAxisGridInplaceEdit : public GridsVz::TInplaceEdit {
    SDELKA_CLASS(TDBAxisGridInplaceEdit, GridsVz::TInplaceEdit)
protected:
    explicit TDBAxisGridInplaceEdit(TComponent* AOwner);
    ~TDBAxisGridInplaceEdit() override = default;

public:
    void AfterConstruction() override;

    TCustomDBAxisGridVz* AxisGrid() const;
    TAxisBarVz* AxisBar() const;
    TEditStyle EditStyle() const { return FEditStyle; }
    TEditStyle EditButtonStyle() const { return FEditButtonStyle; }
    void SetEditButtonStyle(TEditStyle Value);
    void UpdateEditStyle();
    TWinControl* ActiveList() const { return FActiveList; }
    TPopupListboxFormVz* PickList() const { return FPickList; }
    bool ListVisible() const { return FListVisible; }
    bool DroppedDown() const { return FDroppedDown; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    int ImageIndex() const { return FImageIndex; }
    bool ReadOnlyStored() const { return FReadOnlyStored; }
    bool LockCloseList() const { return FLockCloseList; }
    void SetLockCloseList(bool Value) { FLockCloseList = Value; }
    TMRUListVz* MRUList() const { return FMRUList; }
    TMRUListboxVz* GetMRUListControl();

    // ---- loading and lists
    void UpdateContents() override;
    void Hide() override;
    TRect GetEditCoreRect() override;
    void BoundsChangedCore() override;
    void EditCoreKillFocus() override;
    virtual TRect CalcEditRect();
    virtual void UpdateImageIndex();
    virtual void DropDown();
    virtual void CloseUp(bool Accept);
    void DropDownMRUList();
    void CloseUpMRUList(bool Accept);
    virtual void GetEditorValue(Variant& Value);
    virtual void SetEditorValue(const Variant& Value);
    virtual void UserTextChange();
    virtual void FilterMRUItem(const String& Text, bool& Accept);
    // The grid's edit text and key after the text changed by a deletion.
    void UpdateEditKeyValue();

    // ---- keys, completion and the clipboard
    virtual void ListKeyDown(Word& Key, TShiftState Shift);
    virtual void EditKeyDown(Word& Key, TShiftState Shift);
    virtual void EditKeyUp(Word& Key, TShiftState Shift);
    virtual void EditKeyPress(Char& Key);
    void ProcessCharKey(Char& Key);
    virtual void AutoCompleteText(String& Text);
    bool HandlePaste() override;
    bool HandleCut() override;
    bool HandleClear() override;
    String GetTextWithoutSelection();

    // ---- edit buttons
    void UpdateEditButtons();
    void UpdateEditButtonsState();
    int ButtonsWidth() const { return FButtonsWidth; }
    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    TEditButtonControlVz* ButtonControl(int Index) const { return FButtons[Index].Control; }
    TEditButtonVz* ButtonOfControl(TEditButtonControlVz* Control) const;
    int FirstVisibleButtonIndex() const;
    TEditButtonVz* FindEditButtonByShortCut(TShortCut ShortCut);
    bool GetMainButtonAlwaysDown() const;
    void SetMainButtonAlwaysDown(bool Value);
    virtual void EditButtonClick(TObject* Sender);
    virtual void EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    virtual void EditButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DoEditButtonDefaultAction(bool Down, bool& Handled);
    void SpinValue(bool Down);
    // A drop-down form of the button (or of the editor, without one) has just closed.
    virtual bool CloseUpMessagePending(TEditButtonControlVz* Control, TEditButtonVz* EditButton);

protected:
    GridsVz::TInplaceEditCoreControl* CreateEditCoreControl() override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    virtual TMRUListboxVz* CreateMRUListControl();
    bool ListMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);

private:
    friend class TDBAxisGridnplaceEditCoreControl;
    struct TButtonEntry {
        TEditButtonControlVz* Control = nullptr;
        TEditButtonVz* EditButton = nullptr;
    };
    TDBAxisGridnplaceEditCoreControl* Core() const;
    bool IsCalculatorStyle();
    void PickListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void MRUListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Puts the grid's data set into edit through its link; true when it is editing (and marked).
    bool EditThroughLink();
    // Locates Typed in the bar's list field of its list data set; Display and Key of the found row.
    bool LocateInList(const String& Typed, String& Display, Variant& Key);
    void SetTextSelectingCompletion(const String& Text, int TypedLength, bool Found);
    void SyncListToEditKey();
    void CheckUserTextChanged();

    TWinControl* FActiveList = nullptr;
    std::vector<TButtonEntry> FButtons;
    int FButtonsWidth = 0;
    String FCharKeyStr;
    bool FDroppedDown = false;
    TEditStyle FEditButtonStyle = esSimple;
    TEditStyle FEditStyle = esSimple;
    int FImageIndex = -1;
    bool FLockCloseList = false;
    TMRUListVz* FMRUList = nullptr;
    TMRUListboxVz* FMRUListControl = nullptr;
    bool FNoClickCloseUp = false;
    TPopupListboxFormVz* FPickList = nullptr;
    bool FUserTextChanged = false;
    bool FWordWrap = false;
    int FFixedDownButton = -1;
    bool FListVisible = false;
    bool FVisibleListWantFocus = false;
    bool FReadOnlyStored = false;
    bool FInternalChange = false;
};
