#include "platform/rtl/collections.h"

#include <algorithm>

namespace {
[[noreturn]] void IndexError(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}
}  // namespace

// ---- TCollectionItem ---------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* Collection) : FInitialCollection(Collection) {}

void TCollectionItem::AfterConstruction() {
    TPersistent::AfterConstruction();
    if (FInitialCollection) SetCollection(FInitialCollection);
    FInitialCollection = nullptr;
}

void TCollectionItem::BeforeDestruction() {
    if (FDestroyed) return;
    FDestroyed = true;
    SetCollection(nullptr);
}

TCollectionItem::~TCollectionItem() {
    if (!FDestroyed) {
        FDestroyed = true;
        if (FCollection) FCollection->RemoveItem(this);
    }
}

void TCollectionItem::SetCollection(TCollection* Value) {
    if (FCollection == Value) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection) return -1;
    auto& v = FCollection->FItems;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TCollectionItem::SetIndex(int Value) {
    int cur = Index();
    if (cur < 0 || cur == Value) return;
    FCollection->MoveItem(cur, Value);
    Changed(true);
}

String TCollectionItem::GetNamePath() {
    if (FCollection) return QStringLiteral("%1[%2]").arg(FCollection->GetNamePath()).arg(Index());
    return ClassName();
}

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
    if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

// ---- TCollection -------------------------------------------------------------------------------

TCollection::TCollection(TClass ItemClass) : FItemClass(ItemClass) {}

void TCollection::BeforeDestruction() {
    TPersistent::BeforeDestruction();
    FUpdateCount = 1;  // no change notices while the collection goes
    while (!FItems.empty()) FItems.back()->Free();
}

TCollection::~TCollection() {
    // Deleted without Free: the items still go, without calls into descendants.
    while (!FItems.empty()) {
        TCollectionItem* item = FItems.back();
        FItems.pop_back();
        item->FCollection = nullptr;
        item->Free();
    }
}

TCollectionItem* TCollection::Add() {
    if (!FItemClass) throw EComponentError(QStringLiteral("Collection has no item class"));
    TObject* o = FItemClass->CreateItem(this);
    auto* item = static_cast<TCollectionItem*>(o);
    if (item->FCollection != this) InsertItem(item);  // a descendant that did not join by itself
    return item;
}

TCollectionItem* TCollection::Insert(int Index) {
    TCollectionItem* item = Add();
    try {
        item->SetIndex(Index);
    } catch (...) {
        item->Free();
        throw;
    }
    return item;
}

void TCollection::Delete(int Index) {
    TCollectionItem* item = Items(Index);
    Notify(item, cnDeleting);
    item->Free();
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    BeginUpdate();
    try {
        while (!FItems.empty()) FItems.back()->Free();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
    --FUpdateCount;
    Changed();
}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* Source) {
    if (Source && Source->InheritsFrom(TCollection::StaticClass())) {
        auto* src = static_cast<TCollection*>(Source);
        if (src == this) return;
        BeginUpdate();
        try {
            Clear();
            for (TCollectionItem* i : src->FItems) Add()->Assign(i);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

TCollectionItem* TCollection::FindItemID(Integer ID) const {
    for (TCollectionItem* i : FItems)
        if (i->FID == ID) return i;
    return nullptr;
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItem(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }

String TCollection::GetNamePath() {
    String result = ClassName();
    TPersistent* owner = GetOwner();
    if (!owner) return result;
    String s = owner->GetNamePath();
    if (s.isEmpty() || FPropName.isEmpty()) return result;
    return s + u'.' + FPropName;
}

void TCollection::InsertItem(TCollectionItem* Item) {
    if (!Item->InheritsFrom(FItemClass)) throw EListError(QStringLiteral("Invalid property value"));
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    SetItemName(Item);
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
    Notify(Item, cnExtracting);
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it != FItems.end()) FItems.erase(it);
    Item->FCollection = nullptr;
    Changed();
}

void TCollection::MoveItem(int CurIndex, int NewIndex) {
    if (NewIndex < 0 || NewIndex >= Count()) IndexError(NewIndex);
    TCollectionItem* item = FItems[static_cast<size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
}
