#include "platform/gui/actnlist.h"

#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/menus.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>

// ================================================================================================
// links

TBasicActionLink::~TBasicActionLink() {
    if (FAction) FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* Value) {
    if (Value == FAction) return;
    if (FAction) FAction->UnRegisterChanges(this);
    FAction = Value;
    if (FAction) FAction->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
    if (!FAction) return false;
    FAction->SetActionComponent(AComponent);
    struct Reset {
        TBasicAction* A;
        ~Reset() { if (A) A->SetActionComponent(nullptr); }
    } reset{FAction};
    bool r = FAction->Execute();
    return r;
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::Change() {
    if (OnChange) OnChange(FClient);
}

bool TActionLink::Linked() const { return FAction && FAction->Is<TCustomAction>(); }
bool TActionLink::IsCaptionLinked() const { return Linked(); }
bool TActionLink::IsCheckedLinked() const { return Linked(); }
bool TActionLink::IsEnabledLinked() const { return Linked(); }
bool TActionLink::IsGroupIndexLinked() const { return Linked(); }
bool TActionLink::IsHintLinked() const { return Linked(); }
bool TActionLink::IsImageIndexLinked() const { return Linked(); }
bool TActionLink::IsShortCutLinked() const { return Linked(); }
bool TActionLink::IsVisibleLinked() const { return Linked(); }
bool TActionLink::IsOnExecuteLinked() const { return FAction != nullptr; }

void TActionLink::AssignFromAction() {
    if (!Linked()) return;
    auto* a = static_cast<TCustomAction*>(FAction);
    if (IsCaptionLinked()) SetCaption(a->Caption());
    if (IsCheckedLinked()) SetChecked(a->Checked());
    if (IsEnabledLinked()) SetEnabled(a->Enabled());
    if (IsGroupIndexLinked()) SetGroupIndex(a->GroupIndex());
    if (IsHintLinked()) SetHint(a->Hint());
    if (IsImageIndexLinked()) SetImageIndex(a->ImageIndex());
    if (IsShortCutLinked()) SetShortCut(a->ShortCut());
    if (IsVisibleLinked()) SetVisible(a->Visible());
}

void TControlActionLink::SetCaption(const String& Value) { Control()->SetCaption(Value); }
void TControlActionLink::SetEnabled(bool Value) { Control()->SetEnabled(Value); }
void TControlActionLink::SetHint(const String& Value) { Control()->SetHint(Value); }
void TControlActionLink::SetVisible(bool Value) { Control()->SetVisible(Value); }

// ================================================================================================
// TBasicAction

TBasicAction::~TBasicAction() {
    for (TBasicActionLink* l : FClients) l->FAction = nullptr;
}

void TBasicAction::BeforeDestruction() {
    // The clients lose the action (their properties stay as they are).
    std::vector<TBasicActionLink*> clients;
    clients.swap(FClients);
    for (TBasicActionLink* l : clients) {
        l->FAction = nullptr;
        l->Change();
    }
    TComponent::BeforeDestruction();
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::SetActionComponent(TComponent* Value) {
    if (FActionComponent == Value) return;
    if (FActionComponent) FActionComponent->RemoveFreeNotification(this);
    FActionComponent = Value;
    if (FActionComponent) FActionComponent->FreeNotification(this);
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActionComponent) FActionComponent = nullptr;
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
    if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) FClients.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Value), FClients.end());
}

void TBasicAction::Change() {
    if (OnChange) OnChange(this);
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->Change();
}

// ================================================================================================
// TContainedAction

namespace {

// The control the routed actions work on: the active control of the active form, else the form.
bool RouteToTarget(TBasicAction* Action, bool Execute) {
    if (!Screen) return false;
    TCustomForm* form = Screen->ActiveForm();
    if (!form) return false;
    for (TObject* target : {static_cast<TObject*>(form->ActiveControl()), static_cast<TObject*>(form)}) {
        if (!target || !Action->HandlesTarget(target)) continue;
        if (Execute) Action->ExecuteTarget(target);
        else Action->UpdateTarget(target);
        return true;
    }
    return false;
}

}  // namespace

void TContainedAction::BeforeDestruction() {
    if (FActionList) FActionList->RemoveAction(this);
    TBasicAction::BeforeDestruction();
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
    if (Value == FActionList) return;
    if (FActionList) FActionList->RemoveAction(this);
    if (Value) Value->AddAction(this);
}

int TContainedAction::Index() const {
    if (!FActionList) return -1;
    const auto& v = FActionList->FActions;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

bool TContainedAction::Execute() {
    if (FActionList && FActionList->ExecuteAction(this)) return true;
    if (TBasicAction::Execute()) return true;
    return RouteToTarget(this, true);
}

bool TContainedAction::Update() {
    if (FActionList && FActionList->UpdateAction(this)) return true;
    if (TBasicAction::Update()) return true;
    return RouteToTarget(this, false);
}

// ================================================================================================
// TCustomAction

void TCustomAction::SetCaption(const String& Value) {
    if (Value == FCaption) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsCaptionLinked()) al->SetCaption(Value);
    FCaption = Value;
    TBasicAction::Change();
}

void TCustomAction::SetChecked(bool Value) {
    if (FChecking || Value == FChecked) return;
    FChecking = true;
    struct Done {
        bool& F;
        ~Done() { F = false; }
    } done{FChecking};
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsCheckedLinked()) al->SetChecked(Value);
    FChecked = Value;
    if (Value && FGroupIndex > 0 && ActionList()) {
        for (int i = 0; i < ActionList()->ActionCount(); ++i) {
            auto* a = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
            if (a && a != this && a->FGroupIndex == FGroupIndex) a->SetChecked(false);
        }
    }
    TBasicAction::Change();
}

void TCustomAction::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsEnabledLinked()) al->SetEnabled(Value);
    FEnabled = Value;
    TBasicAction::Change();
}

void TCustomAction::SetVisible(bool Value) {
    if (Value == FVisible) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsVisibleLinked()) al->SetVisible(Value);
    FVisible = Value;
    TBasicAction::Change();
}

void TCustomAction::SetHint(const String& Value) {
    if (Value == FHint) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsHintLinked()) al->SetHint(Value);
    FHint = Value;
    TBasicAction::Change();
}

void TCustomAction::SetShortCut(TShortCut Value) {
    if (Value == FShortCut) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsShortCutLinked()) al->SetShortCut(Value);
    FShortCut = Value;
    TBasicAction::Change();
}

void TCustomAction::SetImageIndex(int Value) {
    if (Value == FImageIndex) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsImageIndexLinked()) al->SetImageIndex(Value);
    FImageIndex = Value;
    TBasicAction::Change();
}

void TCustomAction::SetGroupIndex(int Value) {
    if (Value == FGroupIndex) return;
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
        if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsGroupIndexLinked()) al->SetGroupIndex(Value);
    FGroupIndex = Value;
    TBasicAction::Change();
}

bool TCustomAction::Execute() {
    Update();
    if (!FEnabled) return false;
    if (FAutoCheck && !(FChecked && FGroupIndex > 0)) SetChecked(!FChecked);
    return TContainedAction::Execute();
}

bool TCustomAction::Update() {
    if (TContainedAction::Update()) return true;
    if (FDisableIfNoHandler && !OnExecute) SetEnabled(false);
    return false;
}

// ================================================================================================
// TCustomActionList

namespace {

std::vector<TCustomActionList*>& ActionLists() {
    static std::vector<TCustomActionList*> lists;
    return lists;
}

bool gUpdating = false;

// Updates the action lists; on idle, those of hidden forms wait until their form shows.
void UpdateActionLists(bool OnIdle) {
    if (gUpdating) return;
    gUpdating = true;
    for (TCustomActionList* l : std::vector<TCustomActionList*>(ActionLists())) {
        auto& v = ActionLists();
        if (std::find(v.begin(), v.end(), l) == v.end()) continue;
        if (l->ComponentState().Contains(csDestroying) || l->ComponentState().Contains(csLoading)) continue;
        if (auto* f = dynamic_cast<TCustomForm*>(l->Owner()); OnIdle && f && !f->Visible()) continue;
        GuardedCall(l, [l] { l->UpdateActions(); });
    }
    gUpdating = false;
}

void HookIdle() {
    static bool hooked = false;
    if (hooked || !QCoreApplication::instance()) return;
    auto* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (!dispatcher) return;
    hooked = true;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(),
                     [] { UpdateActionLists(true); });
}

}  // namespace

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {
    ActionLists().push_back(this);
    HookIdle();
    InstallShortCutHandling();
}

TCustomActionList::~TCustomActionList() {
    auto& v = ActionLists();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void TCustomActionList::BeforeDestruction() {
    auto& v = ActionLists();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    // The list frees its actions, last first.
    while (!FActions.empty()) {
        TContainedAction* a = FActions.back();
        a->Free();
    }
    TComponent::BeforeDestruction();
}

TContainedAction* TCustomActionList::Actions(int Index) const {
    if (Index < 0 || Index >= ActionCount())
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {Index});
    return FActions[static_cast<size_t>(Index)];
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
    if (FImages == Value) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (FImages) FImages->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FImages) FImages = nullptr;
}

void TCustomActionList::AddAction(TContainedAction* Action) {
    FActions.push_back(Action);
    Action->FActionList = this;
    if (OnChange) OnChange(this);
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
    FActions.erase(std::remove(FActions.begin(), FActions.end(), Action), FActions.end());
    if (Action->FActionList == this) Action->FActionList = nullptr;
    if (OnChange && !ComponentState().Contains(csDestroying)) OnChange(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
    bool handled = false;
    if (OnExecute) OnExecute(Action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
    bool handled = false;
    if (OnUpdate) OnUpdate(Action, handled);
    return handled;
}

bool TCustomActionList::IsShortCut(TShortCut ShortCut) {
    if (ShortCut == 0 || FState != asNormal) return false;
    for (TContainedAction* a : std::vector<TContainedAction*>(FActions)) {
        auto* ca = dynamic_cast<TCustomAction*>(a);
        if (!ca || ca->ShortCut() != ShortCut) continue;
        // A disabled action, or one nobody handles, lets the key go on to the control.
        return ca->Execute();
    }
    return false;
}

void TCustomActionList::UpdateActions() {
    if (FState != asNormal) return;
    for (TContainedAction* a : std::vector<TContainedAction*>(FActions)) a->Update();
}

void UpdateAllActions() { UpdateActionLists(false); }

bool DispatchActionShortCut(TComponent* FormOrOwner, TShortCut ShortCut) {
    if (!FormOrOwner || ShortCut == 0) return false;
    for (int i = 0; i < FormOrOwner->ComponentCount(); ++i) {
        auto* l = dynamic_cast<TCustomActionList*>(FormOrOwner->Components(i));
        if (l && l->IsShortCut(ShortCut)) return true;
    }
    return false;
}

// ================================================================================================
// edit actions

namespace {

QLineEdit* LineEditOf(TObject* Target) {
    auto* c = dynamic_cast<TWinControl*>(Target);
    if (!c || !c->HandleAllocated()) return nullptr;
    return qobject_cast<QLineEdit*>(c->Handle());
}

// A multi-line text widget: QTextEdit or QPlainTextEdit (or one inside the control's widget).
QWidget* TextEditOf(TObject* Target) {
    auto* c = dynamic_cast<TWinControl*>(Target);
    if (!c || !c->HandleAllocated()) return nullptr;
    QWidget* w = c->Handle();
    if (qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) return w;
    return nullptr;
}

struct TEditOps {
    QLineEdit* Line = nullptr;
    QTextEdit* Text = nullptr;
    QPlainTextEdit* Plain = nullptr;
    explicit TEditOps(TObject* Target) {
        Line = LineEditOf(Target);
        if (QWidget* w = Line ? nullptr : TextEditOf(Target)) {
            Text = qobject_cast<QTextEdit*>(w);
            Plain = qobject_cast<QPlainTextEdit*>(w);
        }
    }
    bool Valid() const { return Line || Text || Plain; }
    bool HasSelection() const {
        if (Line) return Line->hasSelectedText();
        if (Text) return Text->textCursor().hasSelection();
        return Plain && Plain->textCursor().hasSelection();
    }
    bool ReadOnly() const {
        if (Line) return Line->isReadOnly();
        if (Text) return Text->isReadOnly();
        return !Plain || Plain->isReadOnly();
    }
    bool AllSelected() const {
        if (Line) return Line->selectedText().size() == Line->text().size();
        if (Text) return Text->textCursor().selectedText().size() == Text->toPlainText().size();
        return Plain && Plain->textCursor().selectedText().size() == Plain->toPlainText().size();
    }
    bool Empty() const {
        if (Line) return Line->text().isEmpty();
        if (Text) return Text->document()->isEmpty();
        return !Plain || Plain->document()->isEmpty();
    }
    void Copy() { if (Line) Line->copy(); else if (Text) Text->copy(); else if (Plain) Plain->copy(); }
    void Cut() { if (Line) Line->cut(); else if (Text) Text->cut(); else if (Plain) Plain->cut(); }
    void Paste() { if (Line) Line->paste(); else if (Text) Text->paste(); else if (Plain) Plain->paste(); }
    void SelectAll() { if (Line) Line->selectAll(); else if (Text) Text->selectAll(); else if (Plain) Plain->selectAll(); }
    void ClearSelection() {
        if (Line) Line->del();
        else if (Text) Text->textCursor().removeSelectedText();
        else if (Plain) Plain->textCursor().removeSelectedText();
    }
};

bool ClipboardHasText() {
    QClipboard* cb = QGuiApplication::clipboard();
    const QMimeData* md = cb ? cb->mimeData() : nullptr;
    return md && md->hasText();
}

}  // namespace

void TEditAction::SetControl(TWinControl* Value) {
    if (FControl == Value) return;
    if (FControl) FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (FControl) FControl->FreeNotification(this);
}

void TEditAction::Notification(TComponent* AComponent, TOperation Operation) {
    TAction::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) FControl = nullptr;
}

bool TEditAction::HandlesTarget(TObject* Target) {
    if (FControl && Target != FControl) return false;
    if (!TEditOps(Target).Valid()) return false;
    // Routing hands over the active control of the active form; a named control must be it.
    auto* c = static_cast<TWinControl*>(Target);
    TCustomForm* f = GetParentForm(c);
    return f && f->ActiveControl() == c;
}

TEditCopy::TEditCopy(TComponent* AOwner) : TEditAction(AOwner) {
    SetCaption(u"&Копировать"_S);
    SetHint(u"Копировать|Копировать выделенное в буфер обмена"_S);
    SetShortCut(::ShortCut('C', {ssCtrl}));
}
void TEditCopy::UpdateTarget(TObject* Target) { SetEnabled(TEditOps(Target).HasSelection()); }
void TEditCopy::ExecuteTarget(TObject* Target) { TEditOps(Target).Copy(); }

TEditCut::TEditCut(TComponent* AOwner) : TEditAction(AOwner) {
    SetCaption(u"&Вырезать"_S);
    SetHint(u"Вырезать|Вырезать выделенное в буфер обмена"_S);
    SetShortCut(::ShortCut('X', {ssCtrl}));
}
void TEditCut::UpdateTarget(TObject* Target) {
    TEditOps ops(Target);
    SetEnabled(ops.HasSelection() && !ops.ReadOnly());
}
void TEditCut::ExecuteTarget(TObject* Target) { TEditOps(Target).Cut(); }

TEditPaste::TEditPaste(TComponent* AOwner) : TEditAction(AOwner) {
    SetCaption(u"Вст&авить"_S);
    SetHint(u"Вставить|Вставить содержимое буфера обмена"_S);
    SetShortCut(::ShortCut('V', {ssCtrl}));
}
void TEditPaste::UpdateTarget(TObject* Target) { SetEnabled(!TEditOps(Target).ReadOnly() && ClipboardHasText()); }
void TEditPaste::ExecuteTarget(TObject* Target) { TEditOps(Target).Paste(); }

TEditSelectAll::TEditSelectAll(TComponent* AOwner) : TEditAction(AOwner) {
    SetCaption(u"Выделить &всё"_S);
    SetHint(u"Выделить всё|Выделить весь текст"_S);
    SetShortCut(::ShortCut('A', {ssCtrl}));
}
void TEditSelectAll::UpdateTarget(TObject* Target) {
    TEditOps ops(Target);
    SetEnabled(!ops.Empty() && !ops.AllSelected());
}
void TEditSelectAll::ExecuteTarget(TObject* Target) { TEditOps(Target).SelectAll(); }

TEditDelete::TEditDelete(TComponent* AOwner) : TEditAction(AOwner) {
    SetCaption(u"&Удалить"_S);
    SetHint(u"Удалить|Удалить выделенное"_S);
}
void TEditDelete::UpdateTarget(TObject* Target) {
    TEditOps ops(Target);
    SetEnabled(ops.HasSelection() && !ops.ReadOnly());
}
void TEditDelete::ExecuteTarget(TObject* Target) { TEditOps(Target).ClearSelection(); }
