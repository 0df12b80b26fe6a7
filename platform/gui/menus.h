// Menus: TMenuItem, TMenu, TMainMenu and the popup menu, over QMenu/QMenuBar.
//
// A menu item is a component (owned by the form, like any) and a node of its menu's item tree:
// its parent item holds it and frees it with itself. Each item maps to a QAction made when the
// menu is first shown; a change of an item's property reaches its QAction. Captions use "&" for the
// accelerator ("&&" is a literal "&"); a caption "-" makes a separator. Shortcuts are not Qt's: the
// key handling offers each key press to the popup menus of the focused control and its parents,
// then to the main menu of the form and the form's action lists, before the control sees it.
//
// Popup(X, Y) is synchronous: it returns after the user chose an item (whose Click has run) or
// dismissed the menu. Tests install a popup hook that plays the user instead of showing the menu.
#pragma once

#include "platform/gui/actnlist.h"
#include "platform/gui/controls.h"
#include "platform/gui/shortcuts.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TBitmap;
class TCustomImageList;
class TChangeLink;
class TMenu;
class TMenuItem;
class TMainMenu;
class TCustomPopupMenu;
class TCustomForm;

SDELKA_EXCEPTION(EMenuError, Exception)

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

// The link of a menu item to its action: caption, checked, enabled, hint, image, shortcut,
// visible and group index follow the action; Click runs it.
class TMenuActionLink : public TActionLink {
    SDELKA_CLASS(TMenuActionLink, TActionLink)
public:
    explicit TMenuActionLink(TObject* AClient) : TActionLink(AClient) {}
    void SetCaption(const String& Value) override;
    void SetChecked(bool Value) override;
    void SetEnabled(bool Value) override;
    void SetGroupIndex(int Value) override;
    void SetHint(const String& Value) override;
    void SetImageIndex(int Value) override;
    void SetShortCut(TShortCut Value) override;
    void SetVisible(bool Value) override;

private:
    TMenuItem* Item() const;
};

class TMenuItem : public TComponent {
    SDELKA_CLASS(TMenuItem, TComponent)
protected:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

public:
    void BeforeDestruction() override;

    // ---- properties
    const String& Caption() const { return FCaption; }
    void SetCaption(const String& Value);
    bool Checked() const { return FChecked; }
    // Checking a radio item turns off the radio items of the same GroupIndex among its siblings.
    void SetChecked(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value) { FAutoCheck = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    const String& Hint() const { return FHint; }
    void SetHint(const String& Value) { FHint = Value; }
    // The bitmap shown beside the caption (made on first use).
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* Value);
    bool HasBitmap() const;
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // The default item of a menu is drawn bold.
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    // Kept for the designs that set it; Qt's menus have no column breaks, so it does not show.
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak Value) { FBreak = Value; }
    bool IsLine() const { return FCaption == QStringLiteral("-"); }

    TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TBasicAction* Value);

    // ---- the item tree
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    TMenuItem* Parent() const { return FParent; }
    // The menu the tree belongs to (through the root), or nullptr.
    TMenu* GetParentMenu() const;
    int MenuIndex() const;
    void SetMenuIndex(int Value);
    // EMenuError "Menu inserted twice" for an item that already has a parent.
    void Add(TMenuItem* Item);
    void Add(std::initializer_list<TMenuItem*> AItems);
    void Insert(int Index, TMenuItem* Item);
    // Takes the item out of the tree without freeing it.
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    // Frees every child item.
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    // The child whose caption, without accelerator marks, is ACaption (not case-sensitive).
    TMenuItem* Find(const String& ACaption) const;
    // The item (this one or a descendant) with this shortcut, or nullptr.
    TMenuItem* FindShortCut(TShortCut Value);

    // Runs the item: when enabled, AutoCheck toggles Checked, then OnClick or the action.
    virtual void Click();
    // Updates the item's action (what opening the menu does before it shows).
    void InitiateAction();

    // The QAction of the item (made on first use); a parent item's carries its submenu.
    QAction* Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // A popup menu shown through Popup keeps running the clicks of items that ask for it while it
    // stays open; such items answer false here.
    virtual bool CloseMenuOnClickRequested() const { return true; }

    TNotifyEvent OnClick;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The item's look or the tree below it changed.
    void MenuChanged(bool Rebuild);

private:
    friend class TMenu;
    friend class TMainMenu;
    friend class TCustomPopupMenu;
    friend class TMenuActionLink;
    void TurnSiblingsOff();
    void UpdateHandle();
    // Fills a container (QMenu or QMenuBar) with the actions of the visible children.
    void FillContainer(QWidget* Container);
    void RebuildContainer();
    QWidget* Container() const;
    String QtText() const;

    String FCaption;
    bool FChecked = false;
    bool FRadioItem = false;
    int FGroupIndex = 0;
    bool FAutoCheck = false;
    bool FEnabled = true;
    bool FVisible = true;
    TShortCut FShortCut = 0;
    String FHint;
    TOwned<TBitmap> FBitmap;
    int FImageIndex = -1;
    bool FDefault = false;
    TMenuBreak FBreak = mbNone;
    TOwned<TMenuActionLink> FActionLink;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item only
    QAction* FHandle = nullptr;
    QMenu* FSubMenu = nullptr;
};

class TMenu : public TComponent {
    SDELKA_CLASS(TMenu, TComponent)
protected:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

public:
    void BeforeDestruction() override;

    // The root item: the items of the menu are its children.
    TMenuItem* Items() const { return FItems; }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    // Finds an enabled item with this shortcut and clicks it; true when one ran.
    bool IsShortCut(TShortCut ShortCut);
    bool IsShortCut(Word Key, TShiftState Shift) { return IsShortCut(::ShortCut(Key, Shift)); }

    // The Qt container of the root items (a QMenuBar or a QMenu), made on first use.
    virtual QWidget* Handle() = 0;
    bool HandleAllocated() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void ImageListChange(TObject* Sender);
    // The container; a guarded pointer, as the form may take a menu bar into its window.
    QPointer<QWidget> FContainer;

private:
    friend class TMenuItem;
    TMenuItem* FItems = nullptr;
    TCustomImageList* FImages = nullptr;
    TOwned<TChangeLink> FImageChangeLink;
};

class TMainMenu : public TMenu {
    SDELKA_CLASS(TMainMenu, TMenu)
protected:
    explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
    ~TMainMenu() override = default;

public:
    // The menu bar; the form whose Menu this is places it in its window.
    QWidget* Handle() override;
    QMenuBar* MenuBar();
};

using TPopupMenuHook = std::function<TMenuItem*(TCustomPopupMenu* Menu, int X, int Y)>;

// The popup menu. A control's PopupMenu property holds a TCustomPopupMenu; TPopupMenu below is
// the class forms declare.
class TCustomPopupMenu : public TMenu {
    SDELKA_CLASS(TCustomPopupMenu, TMenu)
protected:
    explicit TCustomPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
    ~TCustomPopupMenu() override;

public:
    void BeforeDestruction() override;
    QWidget* Handle() override;
    QMenu* Menu();

    // Shows the menu at the screen point and returns when it is closed: OnPopup first, the
    // actions of the items updated, then the user's choice runs its item's Click.
    virtual void Popup(int X, int Y);
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    // The control the menu was last popped up for (set by the automatic popup on a right click).
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* Value);
    // True while Popup runs.
    bool Showing() const { return FShowing; }
    // Whether items that ask for it (CloseMenuOnClickRequested false) may run while the menu stays
    // open; off for a plain popup menu.
    bool StayOpenItems() const { return FStayOpenItems; }
    void SetStayOpenItems(bool Value) { FStayOpenItems = Value; }
    // A click on an item while the menu is shown: runs the click of an item that keeps the menu
    // open and answers true (the menu stays); false for any other item (the menu closes and the
    // item runs once it has).
    bool ClickWhileOpen(TMenuItem* Item);

    TNotifyEvent OnPopup;

    // The test seam: with a hook installed, Popup calls it instead of showing the menu; it plays
    // the user (it may call ClickWhileOpen) and returns the chosen item, or nullptr to dismiss.
    // Returns the previous hook.
    static TPopupMenuHook SetPopupHook(TPopupMenuHook Hook);

protected:
    virtual void DoPopup(TObject* Sender);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FAutoPopup = true;
    bool FShowing = false;
    bool FStayOpenItems = false;
    TComponent* FPopupComponent = nullptr;
};

class TPopupMenu : public TCustomPopupMenu {
    SDELKA_CLASS(TPopupMenu, TCustomPopupMenu)
protected:
    ~TPopupMenu() override = default;
    explicit TPopupMenu(TComponent* AOwner) : TCustomPopupMenu(AOwner) {}
};

// The popup menu of a control or of its nearest parent that has one (the automatic popup's rule),
// or nullptr.
TCustomPopupMenu* ControlPopupMenu(TControl* Control);

// Offers a key press of a control to the shortcut handling: the popup menus of the control and
// its parents, then the form's main menu and action lists. True when a shortcut ran. The
// application's key handling calls it before the control's KeyDown.
bool IsMenuKey(TWinControl* Control, Word Key, TShiftState Shift);
// Makes the application's key handling call IsMenuKey, and right clicks pop up the automatic
// popup menus (done by the first menu or action list made).
void InstallShortCutHandling();

// Strips "&" accelerator marks ("&&" gives "&").
String StripHotkey(const String& Text);
// The accelerator character of a caption, or a null character.
Char GetHotkey(const String& Text);
// A new item with the given properties (the framework's NewItem).
TMenuItem* NewItem(const String& ACaption, TShortCut AShortCut, bool AChecked, bool AEnabled,
                   TNotifyEvent AOnClick, const String& AName = String());
TMenuItem* NewLine();
