// The data-aware combo box: the edit with a list of texts to choose from. Items are the texts
// shown; KeyItems, when filled, are the values stored (the key at the chosen position), otherwise
// the stored value is the text itself. Typing completes the text from the list (a list-only combo
// takes no other text), the arrows, the wheel and up-down buttons step through the list, and the
// drop-down list opens from the main button, Alt+Down, or a click into a list-only combo.
#pragma once

#include "grid/base/listboxvz.h"
#include "grid/base/popupformvz.h"
#include "grid/editors/dbeditvz.h"

class QEvent;
class TPopupListboxFormVz;

// How the drop-down list of a combo box is sized and placed.
class TDropDownBoxVz : public TPersistent {
    SDELKA_CLASS(TDropDownBoxVz, TPersistent)
public:
    TDropDownBoxVz() = default;
    // Align, Rows, Width and Sizable (not AutoDrop).
    void Assign(TPersistent* Source) override;

    TDropDownAlign Align() const { return FAlign; }
    void SetAlign(TDropDownAlign Value) { FAlign = Value; }
    // Typing a printable character opens the list.
    bool AutoDrop() const { return FAutoDrop; }
    void SetAutoDrop(bool Value) { FAutoDrop = Value; }
    int Rows() const { return FRows; }
    void SetRows(int Value) { FRows = Value; }
    bool Sizable() const { return FSizable; }
    void SetSizable(bool Value) { FSizable = Value; }
    // -1 fits the widest text, below 1 the edit's width.
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }

private:
    TDropDownAlign FAlign = daLeft;
    bool FAutoDrop = false;
    int FRows = 7;
    bool FSizable = false;
    int FWidth = 0;
};

using TCloseUpEventVz = TEvent<void(TObject* Sender, bool Accept)>;
using TAcceptEventVz = TEvent<void(TObject* Sender, bool& Accept)>;
using TNotInListEventVz = TEvent<void(TObject* Sender, const String& NewText, bool& RecheckInList)>;

class TCustomDBComboBoxVz : public TCustomDBEditVz {
    SDELKA_CLASS(TCustomDBComboBoxVz, TCustomDBEditVz)
protected:
    explicit TCustomDBComboBoxVz(TComponent* AOwner);
    ~TCustomDBComboBoxVz() override;

public:
    void BeforeDestruction() override;

    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    TStrings* KeyItems() const { return FKeyItems.get(); }
    void SetKeyItems(TStrings* Value) { FKeyItems->Assign(Value); }
    TDropDownBoxVz* DropDownBox() const { return FDropDownBox.get(); }
    void SetDropDownBox(TDropDownBoxVz* Value) { FDropDownBox->Assign(Value); }
    bool CaseInsensitiveTextSearch() const { return FCaseInsensitiveTextSearch; }
    // Items compare texts case-sensitively exactly when the search is not case-insensitive.
    void SetCaseInsensitiveTextSearch(bool Value);
    // While not given explicitly: on for a key-based combo without OnNotInList.
    bool LimitTextToListValues() const;
    void SetLimitTextToListValues(bool Value);
    bool LimitTextToListValuesStored() const { return FLimitTextToListValuesStored; }
    void SetLimitTextToListValuesStored(bool Value);
    bool KeyBased() const { return FKeyBased; }
    // Items usable: all, or as many as there are keys when key-based.
    int ItemsCount() const { return FItemsCount; }
    int ItemIndex() const { return FItemIndex; }
    // Selects the item and writes it (a bound combo puts its dataset into edit first); a failing
    // write makes the combo read the data again and raises.
    void SetItemIndex(int Value);
    bool ListVisible() const { return FListVisible; }
    // The drop-down list, made on first use.
    TPopupListboxFormVz* PopupListbox();

    // Opens the list (under the combo, above when there is no room below).
    virtual void DropDown(TEditButtonVz* AEditButton = nullptr);
    // Closes the list; with Accept its selected item becomes the combo's.
    void CloseUp(bool Accept) override;
    // One step back (IsPrior) or forward through the usable items.
    virtual void SelectNextValue(bool IsPrior);
    // Key-based: the value becomes Null; else the text is cleared.
    void Clear() override;
    void UpdateData() override;
    // A list-only combo takes the item the clipboard's text completes to.
    void PasteFromClipboard() override;

    TCloseUpEventVz OnCloseUp;
    TAcceptEventVz OnClosingUp;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnGetItemsList;
    TNotInListEventVz OnNotInList;
    // The image of an item in the list and, for the chosen item, in the edit.
    TListGetImageIndexEventVz OnGetItemImageIndex;

protected:
    TEditButtonVz* CreateEditButton() override;
    TAlignment DefaultAlignment() const override;
    bool IsValidChar(Char InputChar) const override;
    Variant InternalGetValue() const override;
    void InternalSetText(const String& AText) override;
    void InternalSetValue(const Variant& AValue) override;
    void InternalUpdateData() override;
    void DataLinkDataChanged() override;
    void UpdateControlReadOnly() override;
    void ResetMaxLength() override;
    String GetDisplayTextForPaintCopy() override;
    int DefaultImageIndex() const override { return FDefaultItemIndex; }
    void UpdateImageIndex() override;
    void EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) override;
    void EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl, bool& Handled) override;
    void EditButtonDefaultActionClick(TEditButtonVz*, TEditButtonControlVz*, bool&) override {}

    virtual TColor GetListColor() { return Color(); }
    virtual TFont* GetListFont() { return Font(); }
    // Whether the position found for Text differs from the one selected before.
    virtual bool LocateText(const String& AText, bool Partial);
    // One step of incremental search with the typed Key (Backspace widens the selected tail).
    virtual bool ProcessSearchKey(const String& Key);
    virtual void RequestItemsList();
    virtual void InternalSetItemIndex(int Index);
    virtual void UpdateItemIndex();
    virtual void UpdateListItemIndex();

    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Click() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void DoExit() override;
    void CMCancelMode(TMessage& Message) override;
    bool HostEvent(QEvent* Event) override;

private:
    void ItemsChanged(TObject* Sender);
    void KeyItemsChanged(TObject* Sender);
    void Recount();
    void ListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // A selection that may run backwards: the caret stands at Start + Length.
    void SetSelection(int Start, int Length);
    bool PasteSearch();

    bool FCaseInsensitiveTextSearch = true;
    TOwned<TDropDownBoxVz> FDropDownBox;
    TOwned<TStringList> FItems;
    TOwned<TStringListVz> FKeyItems;
    bool FLimitTextToListValues = false;
    bool FLimitTextToListValuesStored = false;
    bool FListVisible = false;
    TPopupListboxFormVz* FPopupListbox = nullptr;
    int FItemIndex = -1;
    int FDefaultItemIndex = -1;
    int FItemsCount = 0;
    bool FKeyBased = false;
    Variant FVarValue;
    // A typed character waiting for the text change it makes (completion runs after it).
    Char FTypedChar;
    bool FSettingItem = false;
};

class TDBComboBoxVz : public TCustomDBComboBoxVz {
    SDELKA_CLASS(TDBComboBoxVz, TCustomDBComboBoxVz)
protected:
    explicit TDBComboBoxVz(TComponent* AOwner) : TCustomDBComboBoxVz(AOwner) {}
    ~TDBComboBoxVz() override = default;
};
