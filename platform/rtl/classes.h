// TObject, class references, TPersistent and TComponent: the component model every framework
// and system class stands on.
//
// Construction is two-phase. A constructor only initialises fields and wires sub-objects; the
// factory New<T>(args...) then calls the virtual AfterConstruction(), where virtual factories of
// descendants may run. Destruction starts with Free() (or the owner, or a TOwned going out of
// scope, which call Free), which marks the object as destroying, calls the virtual
// BeforeDestruction() once while the whole object is still alive (components notify, free their
// owned components there), then deletes. Constructors and destructors of components and of every
// class whose AfterConstruction/BeforeDestruction does work are protected, and only the factory
// (TObjectFactory, befriended by SDELKA_CLASS) may run them, so no other path compiles.
#pragma once

#include "platform/rtl/currency.h"
#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"

#include <functional>
#include <memory>
#include <initializer_list>
#include <type_traits>
#include <utility>
#include <vector>

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TFiler;
class TReader;
class TWriter;
class TPropertyTable;

SDELKA_EXCEPTION(EPropertyError, Exception)

// How a class can be made from its class reference (the framework's virtual constructors):
// a component from its owner, a collection item from its collection, an object from one object
// argument (e.g. an interceptor from its target), or with no argument.
enum class TCtorKind : std::uint8_t { None, Owner, Object, Collection, Default };

// Run-time class information: the framework's class reference.
struct TClassInfo {
    const char* Name;
    const TClassInfo* Parent;
    TCtorKind CtorKind = TCtorKind::None;
    TObject* (*Ctor)(void* Arg, bool Loading) = nullptr;
    // Declares the class's own published properties (see TPublished below); nullptr when none.
    void (*Publish)(TPropertyTable&) = nullptr;

    String ClassName() const { return QString::fromLatin1(Name); }
    bool InheritsFrom(const TClassInfo* other) const {
        for (auto c = this; c; c = c->Parent)
            if (c == other) return true;
        return false;
    }
    const TClassInfo* ClassParent() const { return Parent; }

    // Virtual constructors. Each raises EComponentError when the class has no constructor of
    // that shape (an abstract class or one built another way).
    TComponent* CreateComponent(TComponent* AOwner) const;
    TObject* CreateObject(TObject* Arg) const;
    TObject* CreateItem(TCollection* ACollection) const;
    TObject* Create() const;
};
using TClass = const TClassInfo*;
using TPersistentClass = TClass;
using TComponentClass = TClass;

template <class Cls>
class TPublished;

namespace sdelka_detail {
struct TObjectFactory;
template <class Cls>
constexpr auto PublishOf() -> void (*)(TPropertyTable&);
}  // namespace sdelka_detail

// Declares the class information of a class; put it first in the class body. A class that has
// published properties also declares
//     static void Published(TPublished<Cls>& P);
// and a class with a constructor of one of the TCtorKind shapes can be created by name. The
// factory may run the class's protected constructors and destructor.
#define SDELKA_CLASS(Cls, Base)                                                             \
    friend struct ::sdelka_detail::TObjectFactory;                                          \
                                                                                            \
public:                                                                                     \
    using inherited = Base;                                                                 \
    static TClass StaticClass() {                                                           \
        static const TClassInfo info{#Cls, Base::StaticClass(),                             \
                                     ::sdelka_detail::TObjectFactory::CtorKindOf<Cls>(),    \
                                     &::sdelka_detail::TObjectFactory::ConstructAs<Cls>,    \
                                     ::sdelka_detail::PublishOf<Cls>()};                    \
        return &info;                                                                       \
    }                                                                                       \
    TClass ClassType() const override { return StaticClass(); }                             \
                                                                                            \
private:

class TObject {
    friend struct ::sdelka_detail::TObjectFactory;

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
    // Frees the object: marks it as destroying, runs BeforeDestruction, then deletes it. Whichever
    // path starts the destruction first (Free, the owner, a TOwned) runs it; a Free while the
    // object is already being destroyed (an OnDestroy handler freeing its own form, a child freeing
    // its owner's owner) does nothing. Safe on nullptr through FreeAndNil.
    void Free();
    // True from the moment the destruction started.
    bool ObjectDestroying() const { return FDestroying; }

protected:
    // Only the factory allocates framework objects and only Free deletes them: new, delete,
    // std::make_unique and std::unique_ptr with its default deleter do not compile elsewhere.
    static void* operator new(std::size_t Size) { return ::operator new(Size); }
    static void operator delete(void* P) { ::operator delete(P); }

private:
    bool FDestroying = false;
};

namespace sdelka_detail {
// Arguments that convert to exactly one pointer type, so a constructor taking bool (or another
// pointer) does not pass for a virtual constructor.
template <class P>
struct ExactArg {
    template <class T, class = std::enable_if_t<std::is_same_v<T, P>>>
    operator T() const { return nullptr; }
};

// The one place that runs constructors: New<T>, NewOwned<T>, the class registry's virtual
// constructors and TApplication::CreateForm go through it. Every class of the framework befriends
// it (SDELKA_CLASS), so constructors and destructors can be protected.
struct TObjectFactory {
    // Constructs and completes construction (AfterConstruction); an object whose completion
    // fails is freed. Before runs between the two (CreateForm sets the caller's reference there).
    template <class T, class Before, class... A>
    static T* Make(Before&& before, A&&... args) {
        T* p = new T(std::forward<A>(args)...);
        try {
            before(p);
            p->AfterConstruction();
        } catch (...) {
            p->Free();
            throw;
        }
        return p;
    }

    template <class Cls, class... A>
    static constexpr bool CanConstruct = requires(A&&... a) { new Cls(std::forward<A>(a)...); };

    template <class Cls>
    static constexpr TCtorKind CtorKindOf() {
        if constexpr (std::is_abstract_v<Cls>) return TCtorKind::None;
        else if constexpr (std::is_base_of_v<TComponent, Cls> && CanConstruct<Cls, ExactArg<TComponent*>>)
            return TCtorKind::Owner;
        else if constexpr (CanConstruct<Cls, ExactArg<TObject*>>) return TCtorKind::Object;
        else if constexpr (CanConstruct<Cls, ExactArg<TCollection*>>) return TCtorKind::Collection;
        else if constexpr (CanConstruct<Cls>) return TCtorKind::Default;
        else return TCtorKind::None;
    }

    template <class Cls>
    static TObject* ConstructAs(void* arg, bool loading);
};
}  // namespace sdelka_detail

// Creates an object and completes its construction.
template <class T, class... A>
T* New(A&&... args) {
    return sdelka_detail::TObjectFactory::Make<T>([](T*) {}, std::forward<A>(args)...);
}

// Owns an object of the framework held directly as a member or a local: it is freed through
// Free (BeforeDestruction, then delete), never deleted behind the framework's back.
struct TFreeDeleter {
    void operator()(TObject* p) const;
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;

// New<T> held by a TOwned.
template <class T, class... A>
TOwned<T> NewOwned(A&&... args) {
    return TOwned<T>(New<T>(std::forward<A>(args)...));
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
    virtual void DefineProperties(TFiler* /*Filer*/) {}
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

// Text alignment and reading order, shared by controls, fields and printables.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
using TLeftRight = TAlignment;
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
    SDELKA_CLASS(TComponent, TPersistent)
protected:
    explicit TComponent(TComponent* AOwner);
    // A component goes through Free (or its owner). The destructor only cleans up after a
    // constructor that failed: what the component already owns is freed.
    ~TComponent() override;

public:
    // Published: Name (not stored: the stream keeps it in the object header), Tag (default 0).
    static void Published(TPublished<TComponent>& P);

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
    virtual void Updating() { SetUpdating(true); }
    virtual void Updated() { SetUpdating(false); }

    // Component streaming. GetChildren lists the components written as this one's children
    // (none here; containers list theirs). A component with a parent component other than its
    // owner answers HasParent true; the reader then hands it the parent it was read under.
    virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    // Where the reader puts the children of this component: their owner (nullptr: the root)
    // and the parent it passes on (this component).
    virtual TComponent* GetChildOwner() { return nullptr; }
    virtual TComponent* GetChildParent() { return this; }
    // Reads or writes this component's properties (the object header and children are the
    // reader's and writer's part).
    virtual void ReadState(TReader* Reader);
    virtual void WriteState(TWriter* Writer);

protected:
    friend class TReader;
    friend class TWriter;
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
    virtual void ValidateInsert(TComponent* /*AComponent*/) {}
    virtual void ValidateContainer(TComponent* /*AComponent*/) {}
    virtual void SetChildOrder(TComponent* /*Child*/, int /*Order*/) {}
    virtual void SetParentComponent(TComponent* /*Value*/) {}

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
};

// True when Name is a valid identifier (letters, digits, underscore; not starting with a digit).
bool IsValidIdent(const String& Ident);

// ---- Class registry ----------------------------------------------------------------------------
// Streams and registries create objects by class name. Registering a class registers its
// ancestors up to TPersistent as well; a different class under a name already taken raises
// EFilerError "A class named %s already exists".
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> AClasses);
void UnRegisterClass(TClass AClass);
void UnRegisterClasses(std::initializer_list<TClass> AClasses);
// The registered class of that name (not case-sensitive), or nullptr.
TClass GetClass(const String& AClassName);
// The same; EClassNotFound "Class %s not found" when there is none.
TClass FindClass(const String& ClassName);
template <class... T>
void RegisterClassesOf() { (RegisterClass(T::StaticClass()), ...); }

// ---- Published properties ----------------------------------------------------------------------
// Each class declares its published properties in a small table (its static Published function);
// the tables of the ancestors come first, in declaration order, and a class that declares a
// property of the same name replaces the inherited entry at its place (to change its default or
// storage rule). The component stream and property lookups by name use these tables.

enum TPropKind : std::uint8_t {
    pkInteger, pkInt64, pkChar, pkBoolean, pkEnum, pkSet,     // ordinal (GetOrd/SetOrd)
    pkSingle, pkDouble, pkExtended, pkDate,                   // floating (GetFloat/SetFloat)
    pkCurrency,                                               // ordinal: the value x 10 000
    pkString,                                                 // GetStr/SetStr
    pkClass,       // an owned TPersistent sub-object (TFont, TStrings, TCollection ...): GetObj/SetObj
    pkComponent,   // a reference to a component not owned: GetObj/SetObj, fixed up by name on reading
    pkEvent        // an event handler, streamed by its method name: GetStr/SetStr
};

struct TPropInfo {
    String Name;
    TPropKind Kind = pkInteger;
    TClass DeclaringClass = nullptr;
    TClass PropClass = nullptr;          // pkClass/pkComponent: the class the value must be of
    std::vector<String> EnumNames;       // pkEnum: value names; pkSet: element names
    std::function<Int64(TObject*)> GetOrd;
    std::function<void(TObject*, Int64)> SetOrd;
    std::function<Extended(TObject*)> GetFloat;
    std::function<void(TObject*, Extended)> SetFloat;
    std::function<String(TObject*)> GetStr;
    std::function<void(TObject*, const String&)> SetStr;
    std::function<TObject*(TObject*)> GetObj;
    std::function<void(TObject*, TObject*)> SetObj;
    // Ordinal default: a property equal to it is not written. Without one (the framework's
    // "nodefault") the value is always written. Strings are written when not empty, floats when
    // not zero, references when assigned.
    bool HasDefault = false;
    Int64 Default = 0;
    std::function<bool(TObject*)> StoredFn;  // empty: stored
    bool StoredConst = true;
    // Integer properties with named values (colours, cursors): the stream writes the name when
    // IntToIdent knows the value, and reads either.
    std::function<bool(Int64 Value, String& Ident)> IntToIdent;
    std::function<bool(const String& Ident, Int64& Value)> IdentToInt;

    bool IsOrdinal() const { return Kind <= pkSet || Kind == pkCurrency; }
    bool IsFloat() const { return Kind >= pkSingle && Kind <= pkDate; }
    bool IsWritable() const { return SetOrd || SetFloat || SetStr || SetObj; }
    bool IsStored(TObject* Instance) const { return StoredConst && (!StoredFn || StoredFn(Instance)); }
    // True when the value equals the property's default (and so is not written).
    bool IsDefaultValue(TObject* Instance) const;
};
using PPropInfo = const TPropInfo*;
using TPropList = std::vector<PPropInfo>;

class TPropertyTable {
public:
    explicit TPropertyTable(TClass AClass) : FClass(AClass) {}
    TPropInfo& Add(TPropInfo Info);
    TClass ClassType() const { return FClass; }
    const std::vector<std::unique_ptr<TPropInfo>>& Own() const { return FOwn; }

private:
    TClass FClass;
    std::vector<std::unique_ptr<TPropInfo>> FOwn;
};

// Fluent access to one declared property: P.Integer(...).Default(0).Stored(false).
class TPropBuilder {
public:
    explicit TPropBuilder(TPropInfo& Info) : FInfo(Info) {}
    TPropBuilder& Default(Int64 Value) { FInfo.HasDefault = true; FInfo.Default = Value; return *this; }
    TPropBuilder& NoDefault() { FInfo.HasDefault = false; return *this; }
    TPropBuilder& Stored(bool Value) { FInfo.StoredConst = Value; return *this; }
    TPropBuilder& Stored(std::function<bool(TObject*)> Fn) { FInfo.StoredFn = std::move(Fn); return *this; }
    TPropBuilder& Idents(std::function<bool(Int64, String&)> ToIdent, std::function<bool(const String&, Int64&)> ToInt) {
        FInfo.IntToIdent = std::move(ToIdent);
        FInfo.IdentToInt = std::move(ToInt);
        return *this;
    }
    TPropInfo& Info() { return FInfo; }

private:
    TPropInfo& FInfo;
};

// The declaration side of a class's property table. Getters and setters are member functions of
// Cls (or of an ancestor); a property without a setter is read-only (a sub-object property is
// written through its object).
template <class Cls>
class TPublished {
public:
    explicit TPublished(TPropertyTable& T) : FTable(T) {}

    template <class G, class S = std::nullptr_t>
    TPropBuilder Integer(const char* Name, G Get, S Set = nullptr) { return Ord(Name, pkInteger, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Int64(const char* Name, G Get, S Set = nullptr) { return Ord(Name, pkInt64, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Boolean(const char* Name, G Get, S Set = nullptr) { return Ord(Name, pkBoolean, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Char(const char* Name, G Get, S Set = nullptr) {
        TPropInfo i = Base(Name, pkChar);
        i.GetOrd = [Get](TObject* o) -> ::Int64 { return Call(Get, o).unicode(); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetOrd = [Set](TObject* o, ::Int64 v) { Apply(Set, o, QChar(static_cast<char16_t>(v))); };
        return TPropBuilder(FTable.Add(std::move(i)));
    }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Enum(const char* Name, G Get, S Set, std::initializer_list<const char*> Names) {
        TPropBuilder b = Ord(Name, pkEnum, Get, Set);
        for (auto n : Names) b.Info().EnumNames.push_back(QString::fromLatin1(n));
        return b;
    }
    // A set property: the getter answers a TSet<E>; Names are the element names of E.
    template <class G, class S = std::nullptr_t>
    TPropBuilder Set(const char* Name, G Get, S Set_, std::initializer_list<const char*> Names) {
        TPropInfo i = Base(Name, pkSet);
        using V = std::decay_t<decltype(Call(Get, nullptr))>;
        i.GetOrd = [Get](TObject* o) -> ::Int64 { return static_cast<::Int64>(Call(Get, o).ToBits()); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetOrd = [Set_](TObject* o, ::Int64 v) { Apply(Set_, o, V::FromBits(static_cast<std::uint64_t>(v))); };
        for (auto n : Names) i.EnumNames.push_back(QString::fromLatin1(n));
        return TPropBuilder(FTable.Add(std::move(i)));
    }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Single(const char* Name, G Get, S Set = nullptr) { return Flt(Name, pkSingle, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Double(const char* Name, G Get, S Set = nullptr) { return Flt(Name, pkDouble, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Extended(const char* Name, G Get, S Set = nullptr) { return Flt(Name, pkExtended, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Date(const char* Name, G Get, S Set = nullptr) { return Flt(Name, pkDate, Get, Set); }
    template <class G, class S = std::nullptr_t>
    TPropBuilder Currency(const char* Name, G Get, S Set = nullptr) {
        TPropInfo i = Base(Name, pkCurrency);
        i.GetOrd = [Get](TObject* o) -> ::Int64 { return ::Currency(Call(Get, o)).Raw(); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetOrd = [Set](TObject* o, ::Int64 v) { Apply(Set, o, ::Currency::FromRaw(v)); };
        return TPropBuilder(FTable.Add(std::move(i)));
    }
    template <class G, class S = std::nullptr_t>
    TPropBuilder String(const char* Name, G Get, S Set = nullptr) { return Str(Name, pkString, Get, Set); }
    // An event property streamed by handler name: the getter answers the name, the setter binds it.
    template <class G, class S = std::nullptr_t>
    TPropBuilder Event(const char* Name, G Get, S Set = nullptr) { return Str(Name, pkEvent, Get, Set); }
    // An owned sub-object (TPersistent descendant); with a setter, reading assigns into it.
    template <class G, class S = std::nullptr_t>
    TPropBuilder Object(const char* Name, G Get, S Set = nullptr) { return Obj(Name, pkClass, Get, Set); }
    // A reference to another component (fixed up by name when read from a stream).
    template <class G, class S = std::nullptr_t>
    TPropBuilder Component(const char* Name, G Get, S Set = nullptr) { return Obj(Name, pkComponent, Get, Set); }

private:
    template <class G>
    static decltype(auto) Call(G Get, TObject* o) {
        return std::invoke(Get, static_cast<Cls*>(o));
    }
    template <class S, class V>
    static void Apply(S Set, TObject* o, V&& v) {
        std::invoke(Set, static_cast<Cls*>(o), std::forward<V>(v));
    }
    TPropInfo Base(const char* Name, TPropKind Kind) {
        TPropInfo i;
        i.Name = QString::fromLatin1(Name);
        i.Kind = Kind;
        i.DeclaringClass = Cls::StaticClass();
        return i;
    }
    template <class G, class S>
    TPropBuilder Ord(const char* Name, TPropKind Kind, G Get, S Set) {
        TPropInfo i = Base(Name, Kind);
        using V = std::decay_t<decltype(Call(Get, nullptr))>;
        i.GetOrd = [Get](TObject* o) -> ::Int64 { return static_cast<::Int64>(Call(Get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetOrd = [Set](TObject* o, ::Int64 v) { Apply(Set, o, static_cast<V>(v)); };
        return TPropBuilder(FTable.Add(std::move(i)));
    }
    template <class G, class S>
    TPropBuilder Flt(const char* Name, TPropKind Kind, G Get, S Set) {
        TPropInfo i = Base(Name, Kind);
        using V = std::decay_t<decltype(Call(Get, nullptr))>;
        i.GetFloat = [Get](TObject* o) -> ::Extended { return static_cast<::Extended>(Call(Get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetFloat = [Set](TObject* o, ::Extended v) { Apply(Set, o, static_cast<V>(v)); };
        return TPropBuilder(FTable.Add(std::move(i)));
    }
    template <class G, class S>
    TPropBuilder Str(const char* Name, TPropKind Kind, G Get, S Set) {
        TPropInfo i = Base(Name, Kind);
        i.GetStr = [Get](TObject* o) -> ::String { return ::String(Call(Get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetStr = [Set](TObject* o, const ::String& v) { Apply(Set, o, v); };
        return TPropBuilder(FTable.Add(std::move(i)));
    }
    template <class G, class S>
    TPropBuilder Obj(const char* Name, TPropKind Kind, G Get, S Set) {
        TPropInfo i = Base(Name, Kind);
        using P = std::remove_pointer_t<std::decay_t<decltype(Call(Get, nullptr))>>;
        i.PropClass = P::StaticClass();
        i.GetObj = [Get](TObject* o) -> TObject* { return Call(Get, o); };
        if constexpr (!std::is_null_pointer_v<S>)
            i.SetObj = [Set](TObject* o, TObject* v) { Apply(Set, o, static_cast<P*>(v)); };
        return TPropBuilder(FTable.Add(std::move(i)));
    }

    TPropertyTable& FTable;
};

// The published properties of a class, ancestors' first.
const TPropList& GetPropList(TClass AClass);
inline const TPropList& GetPropList(const TObject* Instance) { return GetPropList(Instance->ClassType()); }
// The property of that name (not case-sensitive), or nullptr.
PPropInfo GetPropInfo(TClass AClass, const String& PropName);
inline PPropInfo GetPropInfo(const TObject* Instance, const String& PropName) {
    return GetPropInfo(Instance->ClassType(), PropName);
}
bool IsPublishedProp(const TObject* Instance, const String& PropName);

// Reading and writing through the table. The by-name forms raise EPropertyError
// "Property %s does not exist" for an unknown name; writing a read-only property raises
// EPropertyError "Property %s is read-only".
Int64 GetOrdProp(TObject* Instance, PPropInfo PropInfo);
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value);
Extended GetFloatProp(TObject* Instance, PPropInfo PropInfo);
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, Extended Value);
String GetStrProp(TObject* Instance, PPropInfo PropInfo);
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const String& Value);
TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo);
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value);
Int64 GetOrdProp(TObject* Instance, const String& PropName);
void SetOrdProp(TObject* Instance, const String& PropName, Int64 Value);
Extended GetFloatProp(TObject* Instance, const String& PropName);
void SetFloatProp(TObject* Instance, const String& PropName, Extended Value);
String GetStrProp(TObject* Instance, const String& PropName);
void SetStrProp(TObject* Instance, const String& PropName, const String& Value);
TObject* GetObjectProp(TObject* Instance, const String& PropName);
void SetObjectProp(TObject* Instance, const String& PropName, TObject* Value);
// Enumerations and sets by name: GetEnumProp answers the value's name, SetEnumProp takes one
// (EPropertyError "Invalid property value" for an unknown name); sets as "a,b" (brackets
// optional on input).
String GetEnumProp(TObject* Instance, const String& PropName);
void SetEnumProp(TObject* Instance, const String& PropName, const String& Value);
String GetSetProp(TObject* Instance, const String& PropName, bool Brackets = false);
void SetSetProp(TObject* Instance, const String& PropName, const String& Value);
// The name of an enumeration value, or its decimal text when out of range; the value of a name
// (not case-sensitive), or -1. Booleans answer False/True.
String GetEnumName(PPropInfo PropInfo, Int64 Value);
int GetEnumValue(PPropInfo PropInfo, const String& Name);
// Any property as text (enumerations and sets by name, booleans as False/True, floats with "."
// as decimal separator, references by component name) and back.
String GetPropText(TObject* Instance, const String& PropName);
void SetPropText(TObject* Instance, const String& PropName, const String& Value);

// ---- class-information helpers used by SDELKA_CLASS ---------------------------------------------
template <class Cls>
TObject* sdelka_detail::TObjectFactory::ConstructAs(void* arg, bool loading) {
    constexpr TCtorKind k = CtorKindOf<Cls>();
    if constexpr (k == TCtorKind::None) {
        (void)arg; (void)loading;
        return nullptr;
    } else {
        auto before = [loading](Cls* p) {
            if constexpr (std::is_base_of_v<TComponent, Cls>) {
                if (loading) p->SetLoading(true);
            } else {
                (void)p; (void)loading;
            }
        };
        if constexpr (k == TCtorKind::Owner) return Make<Cls>(before, static_cast<TComponent*>(arg));
        else if constexpr (k == TCtorKind::Object) return Make<Cls>(before, static_cast<TObject*>(arg));
        else if constexpr (k == TCtorKind::Collection) return Make<Cls>(before, static_cast<TCollection*>(arg));
        else return Make<Cls>(before);
    }
}

namespace sdelka_detail {
template <class Cls>
constexpr auto PublishOf() -> void (*)(TPropertyTable&) {
    if constexpr (requires(TPublished<Cls>& p) { Cls::Published(p); })
        return [](TPropertyTable& t) {
            TPublished<Cls> p(t);
            Cls::Published(p);
        };
    else
        return nullptr;
}
}  // namespace sdelka_detail
