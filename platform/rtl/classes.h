// TObject, class references, TPersistent and TComponent: the component model every framework
// and system class stands on.
//
// Construction is two-phase. A constructor only initialises fields and wires sub-objects; the
// factory New<T>(args...) then calls the virtual AfterConstruction(), where virtual factories of
// descendants may run. Destruction starts with Free(), which calls the virtual
// BeforeDestruction() while the whole object is still alive (components notify, free their owned
// components there), then deletes. A component deleted directly (unique_ptr, stack) does the
// same steps from its destructor.
#pragma once

#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"

#include <functional>
#include <utility>
#include <vector>

class TObject;
class TComponent;
class TFiler;

// Run-time class information: the framework's class reference.
struct TClassInfo {
    const char* Name;
    const TClassInfo* Parent;
    String ClassName() const { return QString::fromLatin1(Name); }
    bool InheritsFrom(const TClassInfo* other) const {
        for (auto c = this; c; c = c->Parent)
            if (c == other) return true;
        return false;
    }
};
using TClass = const TClassInfo*;

// Declares the class information of a class; put it first in the class body.
#define SDELKA_CLASS(Cls, Base)                                                             \
public:                                                                                     \
    using inherited = Base;                                                                 \
    static TClass StaticClass() {                                                           \
        static const TClassInfo info{#Cls, Base::StaticClass()};                             \
        return &info;                                                                       \
    }                                                                                       \
    TClass ClassType() const override { return StaticClass(); }                             \
                                                                                            \
private:

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static TClass StaticClass() {
        static const TClassInfo info{"TObject", nullptr};
        return &info;
    }
    virtual TClass ClassType() const { return StaticClass(); }
    String ClassName() const { return ClassType()->ClassName(); }
    bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
    template <class T>
    bool Is() const { return InheritsFrom(T::StaticClass()); }

    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() {}
    // Frees the object: BeforeDestruction, then delete. Safe on nullptr through FreeAndNil.
    void Free();
};

// Creates an object and completes its construction.
template <class T, class... A>
T* New(A&&... args) {
    T* p = new T(std::forward<A>(args)...);
    try {
        p->AfterConstruction();
    } catch (...) {
        p->Free();
        throw;
    }
    return p;
}

template <class T>
void FreeAndNil(T*& p) {
    T* q = p;
    p = nullptr;
    if (q) q->Free();
}

// Checked downcast of the framework's "as": raises EInvalidCast.
template <class T>
T* As(TObject* o) {
    if (!o) return nullptr;
    if (!o->InheritsFrom(T::StaticClass())) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    return static_cast<T*>(o);
}

class TPersistent : public TObject {
    SDELKA_CLASS(TPersistent, TObject)
public:
    // Copies the contents of Source; the default asks Source to AssignTo this, and fails with
    // "Cannot assign a %s to a %s".
    virtual void Assign(TPersistent* Source);
    // Published-property stream support: a persistent writes the properties it stores beyond its
    // published ones (the framework's DefineProperties).
    virtual void DefineProperties(TFiler* Filer) {}
    virtual TPersistent* GetOwner() { return nullptr; }
    virtual String GetNamePath();

protected:
    virtual void AssignTo(TPersistent* Dest);
    [[noreturn]] void AssignError(TPersistent* Source);
};

enum class TComponentStateItem {
    csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating,
    csFixups, csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;
constexpr auto csLoading = TComponentStateItem::csLoading;
constexpr auto csReading = TComponentStateItem::csReading;
constexpr auto csWriting = TComponentStateItem::csWriting;
constexpr auto csDestroying = TComponentStateItem::csDestroying;
constexpr auto csDesigning = TComponentStateItem::csDesigning;
constexpr auto csAncestor = TComponentStateItem::csAncestor;
constexpr auto csUpdating = TComponentStateItem::csUpdating;
constexpr auto csFixups = TComponentStateItem::csFixups;
constexpr auto csFreeNotification = TComponentStateItem::csFreeNotification;
constexpr auto csInline = TComponentStateItem::csInline;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    SDELKA_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    void AfterConstruction() override;
    void BeforeDestruction() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    int ComponentIndex() const;
    void SetComponentIndex(int Value);
    TComponent* FindComponent(const String& AName) const;

    const String& Name() const { return FName; }
    virtual void SetName(const String& NewName);
    NativeInt Tag() const { return FTag; }
    void SetTag(NativeInt v) { FTag = v; }
    const TComponentState& ComponentState() const { return FComponentState; }

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();
    void Destroying();

    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    TPersistent* GetOwner() override { return FOwner; }
    String GetNamePath() override { return FName; }

    // Loading protocol: the component stream reader sets csLoading/csReading and calls Loaded
    // once every component of the stream has its properties.
    virtual void Loaded();
    void SetLoading(bool v);
    void SetReading(bool v);
    void SetWriting(bool v);
    void SetDesigning(bool v);
    void SetInline(bool v);
    void SetUpdating(bool v);

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
    virtual void ValidateInsert(TComponent* AComponent) {}
    virtual void ValidateContainer(TComponent* AComponent) {}
    virtual void SetChildOrder(TComponent* Child, int Order) {}
    virtual void SetParentComponent(TComponent* Value) {}

    TComponentState FComponentState;

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void RemoveNotification(TComponent* AComponent);
    void FreeNotificationsAndChildren();

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    String FName;
    NativeInt FTag = 0;
    bool FDestroyed = false;  // destruction steps already run
};

// True when Name is a valid identifier (letters, digits, underscore; not starting with a digit).
bool IsValidIdent(const String& Ident);
