// TCollection and TCollectionItem: an owned, ordered list of items of one item class, with
// update brackets and change notification, streamed as a vaCollection value.
#pragma once

#include "platform/rtl/classes.h"

#include <vector>

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
    SDELKA_CLASS(TCollectionItem, TPersistent)
protected:
    // The item joins Collection (when given) in AfterConstruction, at the end.
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TCollection* Collection() const { return FCollection; }
    // Moves the item to another collection (removing it from its own); nullptr detaches it.
    virtual void SetCollection(TCollection* Value);
    Integer ID() const { return FID; }
    // The position in the collection (-1 when detached). Setting it moves the item and
    // signals a change of all items; EListError for a position out of range.
    int Index() const;
    virtual void SetIndex(int Value);
    String DisplayName() { return GetDisplayName(); }
    void SetDisplayName(const String& Value) { DoSetDisplayName(Value); }
    // "Collection's name path[Index]", or the class name when detached.
    String GetNamePath() override;
    TPersistent* GetOwner() override;

protected:
    // Tells the collection about a change: of this item, or of all (AllItems); nothing while the
    // collection is being updated.
    void Changed(bool AllItems);
    virtual String GetDisplayName() { return ClassName(); }
    virtual void DoSetDisplayName(const String& /*Value*/) { Changed(false); }

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    TCollection* FInitialCollection = nullptr;
    Integer FID = 0;
    bool FDestroyed = false;
};

class TCollection : public TPersistent {
    SDELKA_CLASS(TCollection, TPersistent)
protected:
    // ItemClass must be a TCollectionItem class with a public constructor from TCollection*.
    explicit TCollection(TClass ItemClass);
    ~TCollection() override;

public:
    void BeforeDestruction() override;

    TCollectionItem* Add();
    // A new item at Index (Add, then the item's Index).
    TCollectionItem* Insert(int Index);
    // Frees the item at Index (cnDeleting, then cnExtracting as it leaves).
    void Delete(int Index);
    // Frees every item, last first, inside one update bracket.
    void Clear();
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // Clears and copies every item of a source collection (each through the item's Assign).
    void Assign(TPersistent* Source) override;
    TCollectionItem* FindItemID(Integer ID) const;

    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem* Items(int Index) const;
    void SetItem(int Index, TCollectionItem* Value);  // Items[Index].Assign(Value)
    template <class T>
    T* ItemsAs(int Index) const { return static_cast<T*>(Items(Index)); }
    TClass ItemClass() const { return FItemClass; }
    // The property name under which the owner publishes the collection (for GetNamePath).
    const String& PropName() const { return FPropName; }
    void SetPropName(const String& Value) { FPropName = Value; }
    // "Owner's name path.PropName", or the class name without an owner.
    String GetNamePath() override;

protected:
    // Update with nullptr when every item may have changed (the framework's Changed).
    void Changed();
    virtual void Update(TCollectionItem* /*Item*/) {}
    virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}
    virtual void SetItemName(TCollectionItem* /*Item*/) {}

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);
    void MoveItem(int CurIndex, int NewIndex);

    TClass FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FUpdateCount = 0;
    Integer FNextID = 0;
    String FPropName;
};

// A collection that knows the persistent that publishes it.
class TOwnedCollection : public TCollection {
    SDELKA_CLASS(TOwnedCollection, TCollection)
protected:
    TOwnedCollection(TPersistent* AOwner, TClass ItemClass) : TCollection(ItemClass), FOwner(AOwner) {}
    ~TOwnedCollection() override = default;

public:
    TPersistent* GetOwner() override { return FOwner; }

private:
    TPersistent* FOwner;
};
