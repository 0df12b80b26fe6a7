#include "platform/gui/menus.h"
#include "platform/gui/qthost.h"

#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

namespace {

TMenuItem* ItemOfAction(QAction* A) {
    if (!A) return nullptr;
    return reinterpret_cast<TMenuItem*>(A->data().value<quintptr>());
}

TPopupMenuHook& PopupHook() {
    static TPopupMenuHook hook;
    return hook;
}

// The popup menu being shown by Popup (the innermost one).
TCustomPopupMenu* gShowingPopup = nullptr;

// Key presses and context-menu requests of the framework's windows, seen before the windows do:
// shortcuts of menus and action lists, and the automatic popup menus.
class TMenuEventFilter : public QObject {
public:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        switch (Event->type()) {
        case QEvent::KeyPress:
            if (qobject_cast<QMenu*>(Watched)) return MenuKey(static_cast<QMenu*>(Watched), static_cast<QKeyEvent*>(Event));
            return Key(Watched, static_cast<QKeyEvent*>(Event));
        case QEvent::KeyRelease:
            // The next key press is a new one, even at the address of the last.
            FLastKey = nullptr;
            return false;
        case QEvent::ContextMenu: return ContextMenu(Watched, static_cast<QContextMenuEvent*>(Event));
        case QEvent::MouseButtonRelease:
            if (auto* m = qobject_cast<QMenu*>(Watched)) return MenuRelease(m, static_cast<QMouseEvent*>(Event));
            return false;
        default: return false;
        }
    }

private:
    static TWinControl* ControlOf(QObject* Watched) {
        if (!Watched->isWidgetType()) return nullptr;
        THostLink* link = HostLink(static_cast<QWidget*>(Watched));
        return link ? link->Control : nullptr;
    }

    bool Key(QObject* Watched, QKeyEvent* E) {
        TWinControl* c = ControlOf(Watched);
        if (!c) return false;
        auto* w = static_cast<QWidget*>(Watched);
        // A key event a child did not take goes on to its parents: it was offered already.
        if (E == FLastKey && FLastReceiver && w != FLastReceiver && w->isAncestorOf(FLastReceiver)) return false;
        FLastKey = E;
        FLastReceiver = w;
        Word key = QtKeyToVirtualKey(E->key(), E->modifiers());
        if (key == 0 || key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
        TShiftState shift = QtToShiftState(E->modifiers(), 0);
        bool handled = false;
        GuardedCall(c, [&] { handled = IsMenuKey(c, key, shift); });
        return handled;
    }

    bool ContextMenu(QObject* Watched, QContextMenuEvent* E) {
        TWinControl* c = ControlOf(Watched);
        if (!c) return false;
        TControl* target = c->ControlAtPos(c->WidgetToClient(TPoint::FromQPoint(E->pos())), false, false);
        if (!target) target = c;
        bool handled = false;
        GuardedCall(target, [&] {
            target->DoContextPopup(target->ScreenToClient(TPoint::FromQPoint(E->globalPos())), handled);
        });
        if (handled) return true;
        for (TControl* t = target; t; t = t->Parent()) {
            auto* pm = dynamic_cast<TCustomPopupMenu*>(t->PopupMenu());
            if (!pm || !pm->AutoPopup()) continue;
            QPoint g = E->globalPos();
            GuardedCall(t, [&] {
                pm->SetPopupComponent(t);
                pm->Popup(g.x(), g.y());
            });
            return true;
        }
        return false;
    }

    bool MenuRelease(QMenu* M, QMouseEvent* E) {
        if (!gShowingPopup) return false;
        TMenuItem* item = ItemOfAction(M->actionAt(E->position().toPoint()));
        bool stay = false;
        GuardedCall(gShowingPopup, [&] { stay = gShowingPopup->ClickWhileOpen(item); });
        if (stay) M->update();
        return stay;
    }

    bool MenuKey(QMenu* M, QKeyEvent* E) {
        if (!gShowingPopup || (E->key() != Qt::Key_Return && E->key() != Qt::Key_Enter)) return false;
        TMenuItem* item = ItemOfAction(M->activeAction());
        bool stay = false;
        GuardedCall(gShowingPopup, [&] { stay = gShowingPopup->ClickWhileOpen(item); });
        if (stay) M->update();
        return stay;
    }

    const QEvent* FLastKey = nullptr;
    QPointer<QWidget> FLastReceiver;
};

// Goes with the Qt application (its parent); a later one gets a filter of its own.
QPointer<TMenuEventFilter> gFilter;

void InstallFilter() {
    if (gFilter || !QCoreApplication::instance()) return;
    gFilter = new TMenuEventFilter;
    gFilter->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(gFilter.data());
}

QIcon IconOfImage(const QImage& Image) { return Image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(Image)); }

}  // namespace

void InstallShortCutHandling() { InstallFilter(); }

// ================================================================================================
// helpers

String StripHotkey(const String& Text) {
    String r;
    r.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] == u'&') {
            if (i + 1 < Text.size() && Text[i + 1] == u'&') {
                r += u'&';
                ++i;
            }
            continue;
        }
        r += Text[i];
    }
    return r;
}

Char GetHotkey(const String& Text) {
    for (qsizetype i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != u'&') continue;
        if (Text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return Text[i + 1].toUpper();
    }
    return Char();
}

TMenuItem* NewItem(const String& ACaption, TShortCut AShortCut, bool AChecked, bool AEnabled, TNotifyEvent AOnClick,
                   const String& AName) {
    auto* item = New<TMenuItem>(nullptr);
    item->SetName(AName);
    item->SetCaption(ACaption);
    item->SetShortCut(AShortCut);
    item->SetChecked(AChecked);
    item->SetEnabled(AEnabled);
    item->OnClick = AOnClick;
    return item;
}

TMenuItem* NewLine() {
    auto* item = New<TMenuItem>(nullptr);
    item->SetCaption(QStringLiteral("-"));
    return item;
}

// ================================================================================================
// TMenuActionLink

TMenuItem* TMenuActionLink::Item() const { return static_cast<TMenuItem*>(FClient); }
void TMenuActionLink::SetCaption(const String& Value) { Item()->SetCaption(Value); }
void TMenuActionLink::SetChecked(bool Value) { Item()->SetChecked(Value); }
void TMenuActionLink::SetEnabled(bool Value) { Item()->SetEnabled(Value); }
void TMenuActionLink::SetGroupIndex(int Value) { Item()->SetGroupIndex(Value); }
void TMenuActionLink::SetHint(const String& Value) { Item()->SetHint(Value); }
void TMenuActionLink::SetImageIndex(int Value) { Item()->SetImageIndex(Value); }
void TMenuActionLink::SetShortCut(TShortCut Value) { Item()->SetShortCut(Value); }
void TMenuActionLink::SetVisible(bool Value) { Item()->SetVisible(Value); }

// ================================================================================================
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    // BeforeDestruction freed the sub-items; the Qt side goes here.
    delete FHandle;
    FHandle = nullptr;
    delete FSubMenu;
    FSubMenu = nullptr;
}

void TMenuItem::BeforeDestruction() {
    Destroying();
    if (FParent) FParent->Remove(this);
    while (!FItems.empty()) FItems.back()->Free();
    FActionLink.reset();
    TComponent::BeforeDestruction();
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
}

void TMenuItem::SetCaption(const String& Value) {
    if (FCaption == Value) return;
    FCaption = Value;
    MenuChanged(false);
}

void TMenuItem::SetChecked(bool Value) {
    if (FChecked == Value) return;
    FChecked = Value;
    if (Value && FRadioItem) TurnSiblingsOff();
    MenuChanged(false);
}

void TMenuItem::TurnSiblingsOff() {
    if (!FParent) return;
    for (TMenuItem* s : FParent->FItems)
        if (s != this && s->FRadioItem && s->FGroupIndex == FGroupIndex && s->FChecked) {
            s->FChecked = false;
            s->MenuChanged(false);
        }
}

void TMenuItem::SetRadioItem(bool Value) {
    if (FRadioItem == Value) return;
    FRadioItem = Value;
    if (FChecked && FRadioItem) TurnSiblingsOff();
    MenuChanged(false);
}

void TMenuItem::SetGroupIndex(int Value) {
    if (FGroupIndex == Value) return;
    FGroupIndex = Value;
    if (FChecked && FRadioItem) TurnSiblingsOff();
}

void TMenuItem::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    MenuChanged(false);
}

void TMenuItem::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    MenuChanged(false);
}

void TMenuItem::SetShortCut(TShortCut Value) {
    if (FShortCut == Value) return;
    FShortCut = Value;
    MenuChanged(false);
}

TBitmap* TMenuItem::Bitmap() {
    if (!FBitmap) FBitmap.reset(New<TBitmap>());
    return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) {
    if (Value) Bitmap()->Assign(Value);
    else FBitmap.reset();
    MenuChanged(false);
}

bool TMenuItem::HasBitmap() const { return FBitmap && !FBitmap->Empty(); }

void TMenuItem::SetImageIndex(int Value) {
    if (FImageIndex == Value) return;
    FImageIndex = Value;
    MenuChanged(false);
}

void TMenuItem::SetDefault(bool Value) {
    if (FDefault == Value) return;
    if (Value && FParent)
        for (TMenuItem* s : FParent->FItems)
            if (s != this && s->FDefault) {
                s->FDefault = false;
                s->MenuChanged(false);
            }
    FDefault = Value;
    MenuChanged(false);
}

void TMenuItem::SetAction(TBasicAction* Value) {
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = NewOwned<TMenuActionLink>(this);
    FActionLink->SetAction(Value);
    FActionLink->AssignFromAction();
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EMenuError(QStringLiteral("Menu index out of range"));
    return FItems[static_cast<size_t>(Index)];
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* r = this;
    while (r->FParent) r = r->FParent;
    return r->FMenu;
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
    if (!FParent) return;
    TMenuItem* p = FParent;
    int count = p->Count();
    Value = std::clamp(Value, 0, count - 1);
    int cur = MenuIndex();
    if (cur == Value) return;
    p->FItems.erase(p->FItems.begin() + cur);
    p->FItems.insert(p->FItems.begin() + Value, this);
    p->MenuChanged(true);
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Add(std::initializer_list<TMenuItem*> AItems) {
    for (TMenuItem* i : AItems) Add(i);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    if (Item->FParent) throw EMenuError(QStringLiteral("Menu inserted twice"));
    if (Index < 0 || Index > Count()) throw EMenuError(QStringLiteral("Menu index out of range"));
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    if (Item->FChecked && Item->FRadioItem) Item->TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    FItems.erase(FItems.begin() + Index);
    item->FParent = nullptr;
    if (item->FHandle && Container()) Container()->removeAction(item->FHandle);
    if (!ComponentState().Contains(csDestroying)) MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* Item) {
    int i = IndexOf(Item);
    if (i < 0) throw EMenuError(QStringLiteral("Sub-menu is not in menu"));
    Delete(i);
}

void TMenuItem::Clear() {
    while (!FItems.empty()) FItems.back()->Free();
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
    String want = StripHotkey(ACaption);
    for (TMenuItem* i : FItems)
        if (StripHotkey(i->FCaption).compare(want, Qt::CaseInsensitive) == 0) return i;
    return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Value) {
    if (Value == 0) return nullptr;
    if (FParent && FShortCut == Value) return this;
    for (TMenuItem* i : FItems)
        if (TMenuItem* r = i->FindShortCut(Value)) return r;
    return nullptr;
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (FAutoCheck) SetChecked(!FChecked);
    TBasicAction* action = Action();
    if (OnClick && action && OnClick != action->OnExecute) OnClick(this);
    else if (FActionLink && action) FActionLink->Execute(this);
    else if (OnClick) OnClick(this);
}

void TMenuItem::InitiateAction() {
    if (FActionLink) FActionLink->Update();
}

String TMenuItem::QtText() const {
    String t = FCaption;
    if (FShortCut != 0) {
        String s = ShortCutToText(FShortCut);
        if (!s.isEmpty()) t += u'\t' + s;
    }
    return t;
}

QWidget* TMenuItem::Container() const {
    if (FMenu) return FMenu->FContainer;
    return FSubMenu;
}

QAction* TMenuItem::Handle() {
    if (!FHandle) {
        FHandle = new QAction;
        FHandle->setData(QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(this)));
        QObject::connect(FHandle, &QAction::triggered, FHandle, [this] {
            // The popup menu runs its chosen item itself, once it has closed.
            if (dynamic_cast<TCustomPopupMenu*>(GetParentMenu())) return;
            QPointer<QAction> self = FHandle;
            GuardedCall(this, [this] { Click(); });
            if (self) UpdateHandle();
        });
        UpdateHandle();
    }
    return FHandle;
}

void TMenuItem::UpdateHandle() {
    if (!FHandle) return;
    FHandle->setSeparator(IsLine());
    FHandle->setText(QtText());
    FHandle->setEnabled(FEnabled);
    FHandle->setVisible(FVisible);
    FHandle->setCheckable(FChecked || FRadioItem || FAutoCheck);
    FHandle->setChecked(FChecked);
    FHandle->setToolTip(FHint);
    FHandle->setStatusTip(FHint);
    QFont f = FHandle->font();
    f.setBold(FDefault);
    FHandle->setFont(f);
    QIcon icon;
    TMenu* menu = GetParentMenu();
    if (menu && menu->Images() && FImageIndex >= 0 && FImageIndex < menu->Images()->Count())
        icon = IconOfImage(menu->Images()->GetImage(FImageIndex));
    else if (HasBitmap())
        icon = IconOfImage(FBitmap->Image());
    FHandle->setIcon(icon);
    if (!FItems.empty()) {
        if (!FSubMenu) {
            FSubMenu = new QMenu;
            if (gFilter) FSubMenu->installEventFilter(gFilter.data());
            // Opening a submenu clicks its item (handlers fill or update the sub-items there) and
            // updates the sub-items' actions.
            QObject::connect(FSubMenu, &QMenu::aboutToShow, FSubMenu, [this] {
                GuardedCall(this, [this] {
                    if (OnClick) OnClick(this);
                    for (TMenuItem* c : std::vector<TMenuItem*>(FItems)) c->InitiateAction();
                });
            });
        }
        FSubMenu->setTitle(FCaption);
        FillContainer(FSubMenu);
        FHandle->setMenu(FSubMenu);
    } else if (FSubMenu) {
        FHandle->setMenu(nullptr);
        delete FSubMenu;
        FSubMenu = nullptr;
    }
}

void TMenuItem::FillContainer(QWidget* C) {
    for (QAction* a : C->actions()) C->removeAction(a);
    for (TMenuItem* i : FItems) C->addAction(i->Handle());
}

void TMenuItem::RebuildContainer() {
    if (FMenu) {
        if (FMenu->FContainer) FillContainer(FMenu->FContainer.data());
    } else if (FHandle) {
        UpdateHandle();
    }
}

void TMenuItem::MenuChanged(bool Rebuild) {
    if (ComponentState().Contains(csDestroying)) return;
    if (Rebuild) RebuildContainer();
    else UpdateHandle();
}

// ================================================================================================
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
    FItems = New<TMenuItem>(nullptr);
    FItems->FMenu = this;
    FImageChangeLink = NewOwned<TChangeLink>();
    FImageChangeLink->OnChange = TNotifyEvent(this, &TMenu::ImageListChange);
    InstallFilter();
}

TMenu::~TMenu() {
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    if (FItems) {  // a constructor that failed
        FItems->FMenu = nullptr;
        FItems->Free();
        FItems = nullptr;
    }
    delete FContainer.data();
    FContainer = nullptr;
}

bool TMenu::HandleAllocated() const {
    return FContainer != nullptr;
}

void TMenu::BeforeDestruction() {
    SetImages(nullptr);
    if (FItems) {
        FItems->FMenu = nullptr;
        TMenuItem* root = FItems;
        FItems = nullptr;
        root->Free();
    }
    TComponent::BeforeDestruction();
}

void TMenu::SetImages(TCustomImageList* Value) {
    if (FImages == Value) return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    ImageListChange(nullptr);
}

void TMenu::ImageListChange(TObject*) {
    if (!FItems) return;
    std::function<void(TMenuItem*)> walk = [&](TMenuItem* i) {
        i->UpdateHandle();
        for (TMenuItem* c : i->FItems) walk(c);
    };
    for (TMenuItem* c : FItems->FItems) walk(c);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        ImageListChange(nullptr);
    }
}

bool TMenu::IsShortCut(TShortCut ShortCut) {
    if (!FItems) return false;
    TMenuItem* item = FItems->FindShortCut(ShortCut);
    if (!item) return false;
    item->InitiateAction();
    for (TMenuItem* i = item; i && i->FParent; i = i->FParent)
        if (!i->Enabled()) return false;
    item->Click();
    return true;
}

// ================================================================================================
// TMainMenu

QWidget* TMainMenu::Handle() {
    if (!FContainer) {
        auto* bar = new QMenuBar;
        // Always in the window, never a desktop's global menu.
        bar->setNativeMenuBar(false);
        bar->setFont(Screen->MenuFont()->QtFont(Screen->PixelsPerInch()));
        FContainer = bar;
        Items()->FillContainer(bar);
    }
    return FContainer;
}

QMenuBar* TMainMenu::MenuBar() { return static_cast<QMenuBar*>(Handle()); }

// ================================================================================================
// TCustomPopupMenu

TCustomPopupMenu::~TCustomPopupMenu() {
    if (gShowingPopup == this) gShowingPopup = nullptr;
}

void TCustomPopupMenu::BeforeDestruction() {
    if (gShowingPopup == this) gShowingPopup = nullptr;
    SetPopupComponent(nullptr);
    TMenu::BeforeDestruction();
}

QWidget* TCustomPopupMenu::Handle() {
    if (!FContainer) {
        auto* m = new QMenu;
        if (gFilter) m->installEventFilter(gFilter.data());
        FContainer = m;
        Items()->FillContainer(m);
    }
    return FContainer;
}

QMenu* TCustomPopupMenu::Menu() { return static_cast<QMenu*>(Handle()); }

void TCustomPopupMenu::SetPopupComponent(TComponent* Value) {
    if (FPopupComponent == Value) return;
    if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
    FPopupComponent = Value;
    if (FPopupComponent) FPopupComponent->FreeNotification(this);
}

void TCustomPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

void TCustomPopupMenu::DoPopup(TObject* Sender) {
    if (OnPopup) OnPopup(Sender);
}

TPopupMenuHook TCustomPopupMenu::SetPopupHook(TPopupMenuHook Hook) {
    TPopupMenuHook old = std::move(PopupHook());
    PopupHook() = std::move(Hook);
    return old;
}

bool TCustomPopupMenu::ClickWhileOpen(TMenuItem* Item) {
    if (!FStayOpenItems || !Item || Item->CloseMenuOnClickRequested() || !Item->Enabled() || Item->Count() > 0)
        return false;
    QPointer<QAction> handle = Item->FHandle;
    Item->Click();
    if (handle) ItemOfAction(handle)->UpdateHandle();
    return true;
}

void TCustomPopupMenu::Popup(int X, int Y) {
    if (FShowing || !Items()) return;
    FShowing = true;
    TCustomPopupMenu* outer = gShowingPopup;
    gShowingPopup = this;
    struct Restore {
        TCustomPopupMenu* Self;
        TCustomPopupMenu* Outer;
        ~Restore() {
            if (gShowingPopup == Self) gShowingPopup = Outer;
            Self->FShowing = false;
        }
    } restore{this, outer};

    DoPopup(this);
    std::function<void(TMenuItem*)> initiate = [&](TMenuItem* i) {
        for (TMenuItem* c : std::vector<TMenuItem*>(i->FItems)) {
            c->InitiateAction();
            initiate(c);
        }
    };
    initiate(Items());

    TMenuItem* chosen = nullptr;
    if (PopupHook()) {
        chosen = PopupHook()(this, X, Y);
    } else {
        QMenu* m = Menu();
        Items()->FillContainer(m);
        QPointer<QAction> a = m->exec(QPoint(X, Y));
        if (a) chosen = ItemOfAction(a);
    }
    if (chosen && chosen->Enabled() && chosen->Count() == 0) chosen->Click();
}

TCustomPopupMenu* ControlPopupMenu(TControl* Control) {
    for (TControl* c = Control; c; c = c->Parent())
        if (auto* pm = dynamic_cast<TCustomPopupMenu*>(c->PopupMenu())) return pm;
    return nullptr;
}

bool IsMenuKey(TWinControl* Control, Word Key, TShiftState Shift) {
    TShortCut sc = ::ShortCut(Key, Shift);
    if (sc == 0 || !Control) return false;
    for (TControl* c = Control; c; c = c->Parent())
        if (auto* pm = dynamic_cast<TCustomPopupMenu*>(c->PopupMenu()); pm && pm->IsShortCut(sc)) return true;
    TCustomForm* form = GetParentForm(Control);
    if (!form && Control->Is<TCustomForm>()) form = static_cast<TCustomForm*>(Control);
    if (!form) return false;
    if (TMainMenu* mm = form->Menu(); mm && mm->IsShortCut(sc)) return true;
    return DispatchActionShortCut(form, sc);
}
