// Edit buttons and speed buttons of the grid library: the small buttons at the right edge of an
// edit area (drop-down arrow, ellipsis, up/down, plus, minus, glyph). TEditButtonVz describes one
// button as a collection item, TEditButtonsVz is the collection an editor or a column keeps,
// TEditButtonControlVz (and its public form TSpeedButtonVz) draws and runs one button, and
// TCustomSpeedButtonVz is the auto-repeating button of tool panels.
#pragma once

#include "platform/gui/actnlist.h"
#include "platform/gui/buttons.h"
#include "platform/gui/controls.h"
#include "platform/gui/imaging.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/collections.h"

#include <memory>

enum TEditButtonStyleVz {
    ebsDropDownVz, ebsEllipsisVz, ebsGlyphVz, ebsUpDownVz, ebsPlusVz, ebsMinusVz, ebsAltDropDownVz,
    ebsAltUpDownVz
};
enum TEditButtonStateVz { ebstNormalVz, ebstControlHotVz, ebstHotVz, ebstPressedVz, ebstDisabledVz };
enum TEditButtonDrawBackTimeVz { edbtAlwaysVz, edbtNeverVz, edbtWhenHotVz };

// True for the styles that are split into an upper and a lower half.
inline bool IsUpDownStyleVz(TEditButtonStyleVz Style) { return Style == ebsUpDownVz || Style == ebsAltUpDownVz; }

using TButtonClickEventVz = TEvent<void(TObject* Sender, bool& Handled)>;
using TButtonDownEventVz = TEvent<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;
using TRefComponentNotifyEventVz = TEvent<void(TObject* Sender, TComponent* RefComponent)>;

class TEditButtonVz;
class TEditButtonsVz;

// Image lists and indexes of a button for each of its states. The lists are not owned.
class TButtonImagesVz : public TPersistent {
    SDELKA_CLASS(TButtonImagesVz, TPersistent)
public:
    TButtonImagesVz() = default;
    void Assign(TPersistent* Source) override;

    TCustomImageList* NormalImages() const { return FNormalImages; }
    void SetNormalImages(TCustomImageList* Value) { SetList(FNormalImages, Value); }
    TCustomImageList* HotImages() const { return FHotImages; }
    void SetHotImages(TCustomImageList* Value) { SetList(FHotImages, Value); }
    TCustomImageList* PressedImages() const { return FPressedImages; }
    void SetPressedImages(TCustomImageList* Value) { SetList(FPressedImages, Value); }
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* Value) { SetList(FDisabledImages, Value); }
    int NormalIndex() const { return FNormalIndex; }
    void SetNormalIndex(int Value) { SetIndex(FNormalIndex, Value); }
    int HotIndex() const { return FHotIndex; }
    void SetHotIndex(int Value) { SetIndex(FHotIndex, Value); }
    int PressedIndex() const { return FPressedIndex; }
    void SetPressedIndex(int Value) { SetIndex(FPressedIndex, Value); }
    int DisabledIndex() const { return FDisabledIndex; }
    void SetDisabledIndex(int Value) { SetIndex(FDisabledIndex, Value); }

    // The list of that state, NormalImages when the state has none (ebstControlHotVz never has).
    TCustomImageList* GetStateImages(TEditButtonStateVz State) const;
    // The index of that state; -1 for ebstControlHotVz. Indexes do not fall back.
    int GetStateIndex(TEditButtonStateVz State) const;

protected:
    virtual void Changed() {}
    virtual void RefComponentChanged(TComponent* /*RefComponent*/) {}

private:
    void SetList(TCustomImageList*& Field, TCustomImageList* Value);
    void SetIndex(int& Field, int Value);
    int FNormalIndex = 0;
    TCustomImageList* FHotImages = nullptr;
    int FDisabledIndex = 0;
    TCustomImageList* FPressedImages = nullptr;
    int FHotIndex = 0;
    TCustomImageList* FNormalImages = nullptr;
    int FPressedIndex = 0;
    TCustomImageList* FDisabledImages = nullptr;
};

// The images of an edit button: changes go to the owning button.
class TEditButtonImagesVz : public TButtonImagesVz {
    SDELKA_CLASS(TEditButtonImagesVz, TButtonImagesVz)
public:
    explicit TEditButtonImagesVz(TEditButtonVz* AOwner) : FOwner(AOwner) {}
    TPersistent* GetOwner() override;

protected:
    void Changed() override;
    void RefComponentChanged(TComponent* RefComponent) override;

private:
    TEditButtonVz* FOwner;
};

// The action link of an edit button: Enabled, Hint, ShortCut and Visible follow the action while
// the button's value is the action's.
class TEditButtonActionLinkVz : public TActionLink {
    SDELKA_CLASS(TEditButtonActionLinkVz, TActionLink)
public:
    explicit TEditButtonActionLinkVz(TObject* AClient);
    bool IsEnabledLinked() const override;
    bool IsHintLinked() const override;
    bool IsShortCutLinked() const override;
    bool IsVisibleLinked() const override;
    void SetEnabled(bool Value) override;
    void SetHint(const String& Value) override;
    void SetShortCut(TShortCut Value) override;
    void SetVisible(bool Value) override;

protected:
    TEditButtonVz* FClient;
};

class TEditButtonControlVz;
class TDropDownFormCallParamsVz;

// One edit button as its editor, column or filter row describes it.
class TEditButtonVz : public TCollectionItem {
    SDELKA_CLASS(TEditButtonVz, TCollectionItem)
protected:
    // The collection form (EditControl stays nil); NewEditButtonVz below makes one for a control.
    explicit TEditButtonVz(TCollection* Collection);
    ~TEditButtonVz() override;

public:
    void AfterConstruction() override;
    void Assign(TPersistent* Source) override;

    TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TBasicAction* Value);
    bool DefaultAction() const { return FDefaultActionStored ? FDefaultAction : FParentDefinedDefaultAction; }
    void SetDefaultAction(bool Value);
    bool DefaultActionStored() const { return FDefaultActionStored; }
    // Set by the owning editor or column: the DefaultAction of a button that has none of its own.
    bool ParentDefinedDefaultAction() const { return FParentDefinedDefaultAction; }
    void SetParentDefinedDefaultAction(bool Value) { FParentDefinedDefaultAction = Value; }
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    const String& Hint() const { return FHint; }
    void SetHint(const String& Value);
    TEditButtonImagesVz* Images() const { return FImages.get(); }
    void SetImages(TEditButtonImagesVz* Value);
    // Which drop-down form the button opens (assigning one to another is refused, as for any
    // persistent without an assignment of its own).
    TDropDownFormCallParamsVz* DropDownFormParams() const { return FDropDownFormParams.get(); }
    void SetDropDownFormParams(TDropDownFormCallParamsVz* Value);
    int NumGlyphs() const { return FNumGlyphs; }
    // Clamped to 1..4.
    void SetNumGlyphs(int Value);
    TShortCut ShortCut() const { return FShortCut; }
    // Stored without a change notification.
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    TEditButtonStyleVz Style() const { return FStyle; }
    void SetStyle(TEditButtonStyleVz Value);
    bool Visible() const { return GetVisible(); }
    void SetVisible(bool Value) { DoSetVisible(Value); }
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TEditButtonDrawBackTimeVz DrawBackTime() const;
    void SetDrawBackTime(TEditButtonDrawBackTimeVz Value);
    bool DrawBackTimeStored() const { return GetDrawBackTimeStored(); }
    void SetDrawBackTimeStored(bool Value);
    TWinControl* EditControl() const { return FEditControl; }

    // Runs the button: OnClick alone when assigned, else the action (Handled becomes True).
    virtual void Click(TObject* Sender, bool& Handled);
    // Lets the action update the button.
    virtual void InitiateAction();
    // A referenced component (an image list) changed.
    void RefComponentChanged(TComponent* RefComponent);
    // A new control drawing this button, owned and parented by the edit control.
    virtual TEditButtonControlVz* CreateEditButtonControl();
    // Whether Enabled, Hint, ShortCut and Visible are streamed (not while the action gives them).
    bool IsEnabledStored() const;
    bool IsHintStored() const;
    bool IsShortCutStored() const;
    bool IsVisibleStored() const;

    TButtonClickEventVz OnClick;
    TButtonDownEventVz OnDown;
    TNotifyEvent OnChanged;
    TRefComponentNotifyEventVz OnRefComponentChanged;

    // OnChanged when assigned, else the item's change in its collection.
    void NotifyChanged();
    // A button made for one edit control rather than kept in a collection.
    template <class T = TEditButtonVz>
    static T* CreateFor(TWinControl* EditControl) {
        T* b = New<T>(nullptr);
        static_cast<TEditButtonVz*>(b)->FEditControl = EditControl;
        return b;
    }

protected:
    friend class TEditButtonActionLinkVz;
    virtual TEditButtonDrawBackTimeVz DefaultDrawBackTime() const;
    virtual TDropDownFormCallParamsVz* CreateDropDownFormParams();
    virtual bool GetVisible() const { return FVisible; }
    virtual bool GetDrawBackTimeStored() const { return FDrawBackTimeStored; }
    virtual void DoSetVisible(bool Value);
    virtual TClass GetActionLinkClass() const { return TEditButtonActionLinkVz::StaticClass(); }
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);

    TOwned<TEditButtonActionLinkVz> FActionLink;
    bool FDefaultAction = false;
    bool FDefaultActionStored = false;
    TEditButtonDrawBackTimeVz FDrawBackTime = edbtAlwaysVz;
    bool FDrawBackTimeStored = false;
    TPopupMenu* FDropdownMenu = nullptr;
    TWinControl* FEditControl = nullptr;
    bool FEnabled = true;
    TOwned<TBitmap> FGlyph;
    String FHint;
    TOwned<TEditButtonImagesVz> FImages;
    TOwned<TDropDownFormCallParamsVz> FDropDownFormParams;
    int FNumGlyphs = 1;
    TShortCut FShortCut = 0;
    TEditButtonStyleVz FStyle = ebsDropDownVz;
    bool FVisible = false;
    int FWidth = 0;
    bool FParentDefinedDefaultAction = false;

private:
    void ActionLinkChanged(TObject* Sender);
    void GlyphChanged(TObject* Sender);
    // Watches the drop-down menu so a freed menu is forgotten.
    class TMenuWatch;
    TOwned<TMenuWatch> FMenuWatch;
    TCollection* FCreateCollection = nullptr;
};

// A button made for one edit control rather than kept in a collection.
template <class T = TEditButtonVz>
T* NewEditButtonVz(TWinControl* EditControl) {
    return TEditButtonVz::CreateFor<T>(EditControl);
}

// A drop-down button: Alt+Down by default.
class TDropDownEditButtonVz : public TEditButtonVz {
    SDELKA_CLASS(TDropDownEditButtonVz, TEditButtonVz)
protected:
    ~TDropDownEditButtonVz() override = default;
    explicit TDropDownEditButtonVz(TCollection* Collection);
};

// A drop-down button that is visible by default.
class TVisibleEditButtonVz : public TEditButtonVz {
    SDELKA_CLASS(TVisibleEditButtonVz, TEditButtonVz)
protected:
    ~TVisibleEditButtonVz() override = default;
    explicit TVisibleEditButtonVz(TCollection* Collection);
};

// What an owner of edit buttons answers for the DrawBackTime of buttons that have none.
class IEditButtonsOwnerVz {
public:
    virtual ~IEditButtonsOwnerVz() = default;
    virtual TEditButtonDrawBackTimeVz GetEditButtonsDefaultDrawBackTime() = 0;
};

// The edit buttons of an editor or a column.
class TEditButtonsVz : public TCollection {
    SDELKA_CLASS(TEditButtonsVz, TCollection)
protected:
    TEditButtonsVz(TPersistent* AOwner, TClass EditButtonClass);
    ~TEditButtonsVz() override = default;

public:
    TPersistent* GetOwner() override { return FOwner; }

    TEditButtonVz* Add() { return static_cast<TEditButtonVz*>(TCollection::Add()); }
    TEditButtonVz* Items(int Index) const { return ItemsAs<TEditButtonVz>(Index); }
    void SetItems(int Index, TEditButtonVz* Value) { SetItem(Index, Value); }
    // The owner's answer when it is an IEditButtonsOwnerVz, else edbtAlwaysVz.
    virtual TEditButtonDrawBackTimeVz DefaultDrawBackTime() const;

    // A button changed (nullptr: any may have).
    TNotifyEvent OnChanged;
    TRefComponentNotifyEventVz OnRefComponentChanged;

protected:
    void Update(TCollectionItem* Item) override;

private:
    TPersistent* FOwner;
};

// The auto-repeating speed button of tool panels, painted from its button images.
class TCustomSpeedButtonVz : public TSpeedButton {
    SDELKA_CLASS(TCustomSpeedButtonVz, TSpeedButton)
protected:
    explicit TCustomSpeedButtonVz(TComponent* AOwner);
    ~TCustomSpeedButtonVz() override;

public:
    bool AutoRepeat() const { return FAutoRepeat; }
    void SetAutoRepeat(bool Value) { FAutoRepeat = Value; }
    TEditButtonImagesVz* ExternalEditButtonImages() const { return FExternalEditButtonImages; }
    void SetExternalEditButtonImages(TEditButtonImagesVz* Value);
    TButtonImagesVz* ButtonImages() const { return GetButtonImages(); }
    // The repeat timer, made at the first auto-repeating press (nullptr before).
    TTimer* RepeatTimer() const { return FRepeatTimer; }
    bool MouseInControl() const { return FMouseInControlVz; }

    virtual TButtonImagesVz* GetButtonImages() const;
    virtual TEditButtonStateVz GetState() const;

    TNotifyEvent OnPaint;

protected:
    void Paint() override;
    virtual void DefaultPaint();
    virtual void PaintBackground(TRect& PaintRect, TPoint& PressOffset);
    virtual void PaintForeground(const TRect& PaintRect, const TPoint& PressOffset);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;

private:
    void RepeatTimerTick(TObject* Sender);
    TEditButtonImagesVz* FExternalEditButtonImages = nullptr;
    TOwned<TButtonImagesVz> FInternalEditButtonImages;
    bool FAutoRepeat = false;
    TTimer* FRepeatTimer = nullptr;
    bool FMouseInControlVz = false;
};

// The control that draws and runs one edit button.
class TEditButtonControlVz : public TSpeedButton {
    SDELKA_CLASS(TEditButtonControlVz, TSpeedButton)
protected:
    explicit TEditButtonControlVz(TComponent* AOwner);
    ~TEditButtonControlVz() override;

public:
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // Holds the button down (the drop-down protocol does while its form is open).
    bool AlwaysDown() const { return FAlwaysDown; }
    void SetAlwaysDown(bool Value);
    TEditButtonStyleVz Style() const { return FStyle; }
    void SetStyle(TEditButtonStyleVz Value);
    TEditButtonDrawBackTimeVz DrawBackTime() const { return FDrawBackTime; }
    void SetDrawBackTime(TEditButtonDrawBackTimeVz Value);
    bool AdvancedPaint() const { return FAdvancedPaint; }
    void SetAdvancedPaint(bool Value) { FAdvancedPaint = Value; }
    bool MouseInControl() const { return FMouseInControl; }
    TEditButtonStateVz State() const { return GetState(); }
    TButtonImagesVz* ButtonImages() const { return GetButtonImages(); }
    TEditButtonImagesVz* ExternalEditButtonImages() const { return FExternalEditButtonImages; }
    void SetExternalEditButtonImages(TEditButtonImagesVz* Value);
    // 0 none, 1 the button or its upper half, 2 the lower half.
    int ButtonNum() const { return FButtonNum; }
    // Pressed as the user sees it: down, or held by the mouse over the half that was pressed.
    bool IsPressed() const;
    // The repeat timer, made at the first auto-repeating press (nullptr before).
    TTimer* RepeatTimer() const { return FTimer; }

    void SetState(TButtonState NewState, bool IsActive, int ButtonNum);
    void SetWidthNoNotify(int AWidth);
    void Click() override;

    virtual TButtonImagesVz* GetButtonImages() const;
    virtual bool IsDrawnActive() const;
    virtual TEditButtonStateVz GetState() const;

    TButtonDownEventVz OnDown;
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
    virtual void DefaultPaint();
    virtual void DrawImages(const TRect& ARect);
    virtual void EditButtonDown(int ButtonNum, bool& AutoRepeat);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;

private:
    void UpdateDownButtonNum(int X, int Y);
    void TimerTick(TObject* Sender);
    void PaintCaption();
    TColor BackColor() const;
    bool FActive = false;
    bool FAlwaysDown = false;
    int FButtonNum = 0;
    bool FNoDoClick = false;
    TTimer* FTimer = nullptr;
    TOwned<TButtonImagesVz> FInternalEditButtonImages;
    TEditButtonStyleVz FStyle = ebsDropDownVz;
    TEditButtonDrawBackTimeVz FDrawBackTime = edbtAlwaysVz;
    bool FMouseInControl = false;
    bool FAdvancedPaint = true;
    TEditButtonImagesVz* FExternalEditButtonImages = nullptr;
    // The mouse left the pressed half of an up/down button: drawn and handled as up.
    bool FLeftPressedHalf = false;
    TButtonState FForcedState = bsUp;
    bool FStateForced = false;
};

// The public edit-button control.
class TSpeedButtonVz : public TEditButtonControlVz {
    SDELKA_CLASS(TSpeedButtonVz, TEditButtonControlVz)
protected:
    ~TSpeedButtonVz() override = default;
    explicit TSpeedButtonVz(TComponent* AOwner) : TEditButtonControlVz(AOwner) {}
};

// The width of a flat edit button without a Width of its own: two thirds of the screen font's
// height, odd (no themes here), at most the vertical scroll bar's width. Computed once.
int GetDefaultEditButtonWidthVz();
int DefaultEditButtonWidthVz();
// Round(Width * 4 / 3) for a flat button, else Width.
int GetEditButtonHeightVz(int Width, bool Flat);
