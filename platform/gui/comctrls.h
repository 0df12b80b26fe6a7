// Common controls: TPageControl/TTabSheet, TStatusBar with panels, TProgressBar, TToolBar with
// TToolButton. The page control, the status bar and the tool bar paint themselves; the progress
// bar wraps QProgressBar.
#pragma once

#include "platform/gui/actnlist.h"
#include "platform/gui/controls.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/collections.h"

#include <memory>
#include <vector>

class TPageControl;
class TStatusBar;
class TToolBar;
class TMenuItem;
class TCustomPopupMenu;

// ---- page control ------------------------------------------------------------------------------

class TTabSheet : public TWinControl {
    SDELKA_CLASS(TTabSheet, TWinControl)
protected:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override = default;

public:
    void BeforeDestruction() override;

    TPageControl* PageControl() const { return FPageControl; }
    // Puts the sheet on a page control (its parent) as the last page; nullptr takes it off.
    void SetPageControl(TPageControl* Value);
    // The position among the pages (-1 off a page control).
    int PageIndex() const;
    void SetPageIndex(int Value);
    // The position among the visible tabs (-1 when its tab is hidden).
    int TabIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    void SetParent(TWinControl* AParent) override;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
    int FImageIndex = -1;
};

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TCustomControl {
    SDELKA_CLASS(TPageControl, TCustomControl)
protected:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override = default;

public:
    void BeforeDestruction() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int Index) const;
    TTabSheet* ActivePage() const { return FActivePage; }
    // Shows the page (and hides the one before); fires no OnChanging/OnChange.
    void SetActivePage(TTabSheet* Page);
    int ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }
    void SetActivePageIndex(int Value);
    // The active page's position among the visible tabs.
    int TabIndex() const { return FActivePage ? FActivePage->TabIndex() : -1; }
    int TabHeight() const { return FTabHeight; }
    void SetTabHeight(int Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    // The next (or previous) page with a visible tab after CurPage, wrapping around.
    TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const;
    // Moves to the next page as the user does: OnChanging may refuse, OnChange follows.
    void SelectNextPage(bool GoForward, bool CheckTabVisible = true);
    // The rectangle of a visible tab, in client coordinates.
    TRect TabRect(int TabIndex);
    // The area the pages fill.
    TRect DisplayRect() const;
    TRect AdjustClientRect() const override { return DisplayRect(); }

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The user's change of the page: OnChanging, the change, OnChange.
    bool ChangeActivePage(TTabSheet* Page);

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    void PlacePages();
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    int FTabHeight = 0;
    TCustomImageList* FImages = nullptr;
};

// ---- status bar --------------------------------------------------------------------------------

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
    SDELKA_CLASS(TStatusPanel, TCollectionItem)
protected:
    explicit TStatusPanel(TCollection* Collection) : TCollectionItem(Collection) {}
    ~TStatusPanel() override = default;

public:
    void Assign(TPersistent* Source) override;

    const String& Text() const { return FText; }
    void SetText(const String& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);

protected:
    String GetDisplayName() override { return FText.isEmpty() ? TCollectionItem::GetDisplayName() : FText; }

private:
    String FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelStyle FStyle = psText;
    TStatusPanelBevel FBevel = pbLowered;
};

class TStatusPanels : public TCollection {
    SDELKA_CLASS(TStatusPanels, TCollection)
protected:
    explicit TStatusPanels(TStatusBar* AStatusBar);
    ~TStatusPanels() override = default;

public:
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TStatusPanel* Items(int Index) const { return static_cast<TStatusPanel*>(TCollection::Items(Index)); }
    TStatusPanel* operator[](int Index) const { return Items(Index); }
    TPersistent* GetOwner() override;

protected:
    void Update(TCollectionItem* Item) override;

private:
    TStatusBar* FStatusBar;
};

using TDrawPanelEvent = TEvent<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TCustomControl {
    SDELKA_CLASS(TStatusBar, TCustomControl)
protected:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

public:
    TStatusPanels* Panels() const { return FPanels.get(); }
    bool SimplePanel() const { return FSimplePanel; }
    // One panel across the bar that shows SimpleText.
    void SetSimplePanel(bool Value);
    const String& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const String& Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);
    // The rectangle of a panel in client coordinates (the last panel reaches the right edge).
    TRect PanelRect(int Index);

    TDrawPanelEvent OnDrawPanel;

protected:
    void Paint() override;
    virtual void DrawPanel(TStatusPanel* Panel, const TRect& Rect);

private:
    TOwned<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    String FSimpleText;
    bool FSizeGrip = true;
};

// ---- progress bar ------------------------------------------------------------------------------

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
    SDELKA_CLASS(TProgressBar, TWinControl)
protected:
    explicit TProgressBar(TComponent* AOwner);
    ~TProgressBar() override = default;

public:
    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Kept within Min..Max.
    void SetPosition(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value) { FStep = Value; }
    // Position advances by Step; past Max it starts again from Min, as the common control does.
    void StepIt();
    void StepBy(int Delta);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation Value);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value) { FSmooth = Value; }

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;

private:
    void Apply();
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
    TProgressBarOrientation FOrientation = pbHorizontal;
    bool FSmooth = false;
};

// ---- tool bar ----------------------------------------------------------------------------------

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton;

class TToolButtonActionLink : public TControlActionLink {
    SDELKA_CLASS(TToolButtonActionLink, TControlActionLink)
public:
    explicit TToolButtonActionLink(TObject* AClient) : TControlActionLink(AClient) {}
    void SetChecked(bool Value) override;
    void SetImageIndex(int Value) override;
};

class TToolButton : public TGraphicControl {
    SDELKA_CLASS(TToolButton, TGraphicControl)
protected:
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

public:
    void BeforeDestruction() override;

    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    bool Down() const { return FDown; }
    // A grouped check button going down raises the other down button of its group (the adjacent
    // grouped check buttons); without AllowAllUp the last down one stays down on a click.
    void SetDown(bool Value);
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool Value) { FGrouped = Value; }
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    bool Indeterminate() const { return FIndeterminate; }
    void SetIndeterminate(bool Value);
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value);
    TCustomPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TCustomPopupMenu* Value);
    // The button follows the item (caption, enabled, visible, hint) and clicking it clicks the item.
    TMenuItem* MenuItem() const { return FMenuItem; }
    void SetMenuItem(TMenuItem* Value);
    TToolBar* ToolBar() const;
    int Index() const;

    TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TBasicAction* Value);

    void Click() override;
    // Shows the drop-down menu under the button; true when there is one.
    bool CheckMenuDropdown();
    void SetParent(TWinControl* AParent) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void TextChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TToolBar;
    void UpdateGroup();
    TToolButtonStyle FStyle = tbsButton;
    bool FDown = false;
    bool FGrouped = false;
    bool FAllowAllUp = false;
    int FImageIndex = -1;
    bool FIndeterminate = false;
    bool FWrap = false;
    bool FPressed = false;
    bool FMouseIn = false;
    TCustomPopupMenu* FDropdownMenu = nullptr;
    TMenuItem* FMenuItem = nullptr;
    TOwned<TToolButtonActionLink> FActionLink;
};

class TToolBar : public TCustomControl {
    SDELKA_CLASS(TToolBar, TCustomControl)
protected:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

public:
    void BeforeDestruction() override;

    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    TToolButton* Buttons(int Index) const;
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* Value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool List() const { return FList; }
    void SetList(bool Value);
    // Places the buttons left to right in their order (a Wrap button ends a row).
    void ArrangeButtons();

protected:
    void Paint() override;
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TToolButton;
    void InsertButton(TToolButton* Button);
    void RemoveButton(TToolButton* Button);
    void ImageListChange(TObject*);
    std::vector<TToolButton*> FButtons;
    int FButtonWidth = 23;
    int FButtonHeight = 22;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    TOwned<TChangeLink> FImageChangeLink;
    bool FShowCaptions = false;
    bool FFlat = false;
    bool FList = false;
    bool FArranging = false;
};
