// List controls: TListBox over QListWidget and TComboBox over QComboBox.
//
// The items live in a TControlStrings that the control owns: strings and objects outlive the
// window, and every change is mirrored into the widget when it exists. Owner-drawn styles paint
// each item through the control's Canvas and OnDrawItem, as the framework's WM_DRAWITEM does.
#pragma once

#include "platform/gui/controls.h"
#include "platform/rtl/lists.h"

#include <functional>
#include <memory>
#include <vector>

class QListWidget;
class QComboBox;

enum TOwnerDrawStateItem {
    odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive, odNoAccel,
    odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem, 16>;
using TDrawItemEvent = TEvent<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// Routes the mouse input of a wrapped scroll area's viewport (where Qt delivers it) to the control
// of the host widget, in viewport (client) coordinates.
void RouteViewportMouse(QWidget* Host, QWidget* Viewport, TWinControl* Control);

// The items of a list control. Add on a sorted list puts the string in its place (AnsiCompareText);
// Insert puts it where asked, as the list controls do.
class TControlStrings : public TStrings {
    SDELKA_CLASS(TControlStrings, TStrings)
public:
    enum TChange { chInsert, chDelete, chPut, chReset };
    TControlStrings() = default;

    int Add(const String& S) override { return AddObject(S, nullptr); }
    int AddObject(const String& S, TObject* AObject) override;
    void Insert(int Index, const String& S) override { InsertObject(Index, S, nullptr); }
    void InsertObject(int Index, const String& S, TObject* AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
    int IndexOf(const String& S) const override;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    void Sort();

    // Each change after it is made: the index (chReset: the whole list changed).
    std::function<void(TChange Change, int Index)> OnItemsChange;
    // The outermost BeginUpdate (true) and EndUpdate (false).
    std::function<void(bool Updating)> OnUpdateState;

protected:
    String Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(FItems.size()); }
    TObject* GetObject(int Index) const override;
    void Put(int Index, const String& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;

private:
    struct TItem {
        String S;
        TObject* Obj = nullptr;
    };
    void CheckIndex(int Index) const;
    void Notify(TChange C, int Index) {
        if (OnItemsChange) OnItemsChange(C, Index);
    }
    std::vector<TItem> FItems;
    bool FSorted = false;
};

// ---- list box ----------------------------------------------------------------------------------

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };

class TCustomListBox : public TWinControl {
    SDELKA_CLASS(TCustomListBox, TWinControl)
protected:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

public:
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    int Count() const { return FItems->Count(); }
    // -1 when nothing is current. Setting it selects that item alone (no OnClick).
    int ItemIndex() const;
    void SetItemIndex(int Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value);
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;  // -1 when not MultiSelect, as the framework answers
    void SelectAll();
    void ClearSelection();
    void DeleteSelected();
    bool Sorted() const { return FItems->Sorted(); }
    void SetSorted(bool Value) { FItems->SetSorted(Value); }
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value);
    int ItemHeight() const;
    void SetItemHeight(int Value);
    int TopIndex() const;
    void SetTopIndex(int Value);
    // The item under a client point; -1 when none (Existing) or else the would-be index past the end.
    int ItemAtPos(const TPoint& Pos, bool Existing) const;
    TRect ItemRect(int Index) const;
    void Clear() { FItems->Clear(); }
    TCanvas* Canvas() const { return FCanvas.get(); }

    TDrawItemEvent OnDrawItem;

    // Paints one owner-drawn item into DC (client coordinates): the delegate's entry.
    void DrawItemTo(HDC DC, int Index, const TRect& Rect, TOwnerDrawState State);

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& Message) override;
    virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);

private:
    QListWidget* List() const;
    void ItemsChanged(TControlStrings::TChange C, int Index);
    void FillWidget();
    void ApplySelectionMode();
    void UserSelectionChanged();

    TOwned<TControlStrings> FItems;
    TOwned<TCanvas> FCanvas;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    TListBoxStyle FStyle = lbStandard;
    int FItemHeight = 16;
    int FItemIndex = -1;            // without a window
    std::vector<int> FSavedSelected;  // selected items without a window (multi-select)
    int FTopIndex = 0;
    int FSyncing = 0;               // >0 while the widget is changed by code
};

class TListBox : public TCustomListBox {
    SDELKA_CLASS(TListBox, TCustomListBox)
protected:
    ~TListBox() override = default;

private:
public:
    using TCustomListBox::TCustomListBox;
};

// ---- combo box ---------------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
    SDELKA_CLASS(TCustomComboBox, TWinControl)
protected:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

public:
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    // Setting ItemIndex shows that item's text and fires no OnChange.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value);
    bool Sorted() const { return FItems->Sorted(); }
    void SetSorted(bool Value) { FItems->SetSorted(Value); }
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    // Selection of the edit part (0-based).
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    String SelText() const;
    void SelectAll();
    void Clear();
    TCanvas* Canvas() const { return FCanvas.get(); }

    // OnChange: the user edited the text, or picked an item (when OnSelect is not assigned).
    TNotifyEvent OnChange;
    // The user picked an item from the list.
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;

    // The user path: the list is about to open / has closed, an item was picked.
    void DoDropDown();
    void DoCloseUp();
    void DoSelectItem(int Index);
    void DrawItemTo(HDC DC, int Index, const TRect& Rect, TOwnerDrawState State);

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void DestroyWnd() override;
    String GetText() const override;
    void SetTextValue(const String& Value) override;
    void Dispatch(TMessage& Message) override;
    void KeyPress(Char& Key) override;
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);

private:
    QComboBox* Combo() const;
    bool Editable() const { return FStyle == csDropDown || FStyle == csSimple; }
    void ItemsChanged(TControlStrings::TChange C, int Index);
    void FillWidget();
    String ApplyCase(const String& S) const;

    TOwned<TControlStrings> FItems;
    TOwned<TCanvas> FCanvas;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    TEditCharCase FCharCase = ecNormal;
    int FMaxLength = 0;
    int FItemHeight = 16;
    int FItemIndex = -1;  // without a window
    int FSyncing = 0;
    bool FDroppedDown = false;
};

class TComboBox : public TCustomComboBox {
    SDELKA_CLASS(TComboBox, TCustomComboBox)
protected:
    ~TComboBox() override = default;

private:
public:
    using TCustomComboBox::TCustomComboBox;
};
