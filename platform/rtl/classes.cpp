#include "platform/rtl/classes.h"

#include <algorithm>

void TObject::Free() {
    BeforeDestruction();
    delete this;
}

// ---- TPersistent -------------------------------------------------------------------------------

void TPersistent::Assign(TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
    String from = Source ? Source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(from, ClassName()));
}

String TPersistent::GetNamePath() { return ClassName(); }

// ---- TComponent --------------------------------------------------------------------------------

bool IsValidIdent(const String& Ident) {
    if (Ident.isEmpty()) return false;
    for (int i = 0; i < Ident.size(); ++i) {
        QChar c = Ident[i];
        bool ok = c == u'_' || c.isLetter() || (i > 0 && c.isDigit());
        if (!ok) return false;
    }
    return true;
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {}

void TComponent::AfterConstruction() {
    TComponent* owner = FOwner;
    FOwner = nullptr;
    if (owner) owner->InsertComponent(this);
}

void TComponent::BeforeDestruction() {
    if (FDestroyed) return;
    FDestroyed = true;
    FreeNotificationsAndChildren();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent::~TComponent() {
    if (!FDestroyed) {
        FDestroyed = true;
        FreeNotificationsAndChildren();
        if (FOwner) FOwner->RemoveComponent(this);
    }
}

void TComponent::FreeNotificationsAndChildren() {
    Destroying();
    while (!FFreeNotifies.empty()) {
        TComponent* c = FFreeNotifies.back();
        c->Notification(this, opRemove);
        // A descendant that does not call the inherited Notification still must not loop.
        if (!FFreeNotifies.empty() && FFreeNotifies.back() == c) RemoveFreeNotification(c);
    }
    DestroyComponents();
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& v = FOwner->FComponents;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TComponent::SetComponentIndex(int Value) {
    if (!FOwner) return;
    auto& v = FOwner->FComponents;
    int cur = ComponentIndex();
    if (cur < 0) return;
    Value = std::clamp(Value, 0, static_cast<int>(v.size()) - 1);
    if (Value == cur) return;
    v.erase(v.begin() + cur);
    v.insert(v.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const String& AName) const {
    if (AName.isEmpty()) return nullptr;
    for (TComponent* c : FComponents)
        if (c->FName.compare(AName, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

void TComponent::SetName(const String& NewName) {
    if (FName == NewName) return;
    if (!NewName.isEmpty() && !IsValidIdent(NewName))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(NewName));
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) {
    if (AComponent && CurName.compare(NewName, Qt::CaseInsensitive) != 0 && AComponent->FOwner == this &&
        FindComponent(NewName))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(NewName));
}

void TComponent::Insert(TComponent* AComponent) {
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
    auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it != FComponents.end()) FComponents.erase(it);
    AComponent->FOwner = nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    AComponent->ValidateContainer(this);
    ValidateRename(AComponent, String(), AComponent->FName);
    ValidateInsert(AComponent);
    Insert(AComponent);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    ValidateRename(AComponent, AComponent->FName, String());
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        if (c->FComponentState.Contains(csFreeNotification))
            RemoveComponent(c);
        else
            Remove(c);
        c->Free();
    }
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Children hear of every insertion and removal among their siblings; a child may remove
    // itself or others while being told, so walk from the end and re-check the bound.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (i >= ComponentCount()) continue;
        FComponents[static_cast<size_t>(i)]->Notification(AComponent, Operation);
    }
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (!FOwner || AComponent->FOwner != FOwner) {
        if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
            FFreeNotifies.push_back(AComponent);
            AComponent->FreeNotification(this);
        }
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::SetLoading(bool v) { v ? FComponentState.Include(csLoading) : FComponentState.Exclude(csLoading); }
void TComponent::SetReading(bool v) { v ? FComponentState.Include(csReading) : FComponentState.Exclude(csReading); }
void TComponent::SetWriting(bool v) { v ? FComponentState.Include(csWriting) : FComponentState.Exclude(csWriting); }
void TComponent::SetDesigning(bool v) {
    // The system never runs inside a form designer: csDesigning stays off.
    (void)v;
}
void TComponent::SetInline(bool v) { v ? FComponentState.Include(csInline) : FComponentState.Exclude(csInline); }
void TComponent::SetUpdating(bool v) { v ? FComponentState.Include(csUpdating) : FComponentState.Exclude(csUpdating); }
