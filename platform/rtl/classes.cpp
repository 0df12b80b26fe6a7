#include "platform/rtl/classes.h"

#include "platform/rtl/filer.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

void TFreeDeleter::operator()(TObject* p) const {
    if (p) p->Free();
}

void TObject::Free() {
    if (FDestroying) return;
    FDestroying = true;
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
    FreeNotificationsAndChildren();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent::~TComponent() {
    // Reached without Free only when a constructor failed: the components it already made for
    // this one are whole and go; nothing else has heard of this component yet.
    if (!ObjectDestroying()) {
        FComponentState.Include(csDestroying);
        while (!FComponents.empty()) {
            TComponent* c = FComponents.back();
            Remove(c);
            c->Free();
        }
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

void TComponent::GetChildren(const TGetChildProc& /*Proc*/, TComponent* /*Root*/) {}

void TComponent::ReadState(TReader* Reader) { Reader->ReadData(this); }

void TComponent::WriteState(TWriter* Writer) { Writer->WriteData(this); }

void TComponent::Published(TPublished<TComponent>& P) {
    P.String("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
    P.Integer("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

// ---- Virtual constructors ----------------------------------------------------------------------

namespace {
[[noreturn]] void NoConstructor(TClass c, const char* shape) {
    throw EComponentError(QStringLiteral("Class %1 cannot be created %2").arg(c->ClassName(), QString::fromLatin1(shape)));
}
}  // namespace

TComponent* TClassInfo::CreateComponent(TComponent* AOwner) const {
    if (CtorKind != TCtorKind::Owner) NoConstructor(this, "with an owner");
    return static_cast<TComponent*>(Ctor(AOwner, false));
}

TObject* TClassInfo::CreateObject(TObject* Arg) const {
    if (CtorKind == TCtorKind::Owner) {
        auto* owner = Arg && Arg->InheritsFrom(TComponent::StaticClass()) ? static_cast<TComponent*>(Arg) : nullptr;
        if (Arg && !owner) NoConstructor(this, "from a non-component");
        return Ctor(owner, false);
    }
    if (CtorKind != TCtorKind::Object) NoConstructor(this, "from an object");
    return Ctor(Arg, false);
}

TObject* TClassInfo::CreateItem(TCollection* ACollection) const {
    if (CtorKind != TCtorKind::Collection) NoConstructor(this, "as a collection item");
    return Ctor(ACollection, false);
}

TObject* TClassInfo::Create() const {
    if (CtorKind == TCtorKind::Default) return Ctor(nullptr, false);
    if (CtorKind == TCtorKind::Owner) return Ctor(nullptr, false);
    NoConstructor(this, "without arguments");
}

// ---- Class registry ----------------------------------------------------------------------------

namespace {
struct TClassRegistry {
    std::recursive_mutex Lock;
    std::vector<TClass> Classes;
};
TClassRegistry& Registry() {
    static TClassRegistry r;
    return r;
}
TClass FindRegistered(const String& name) {
    for (TClass c : Registry().Classes)
        if (c->ClassName().compare(name, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}
}  // namespace

void RegisterClass(TClass AClass) {
    auto& r = Registry();
    std::lock_guard g(r.Lock);
    for (TClass c = AClass; c; c = c->Parent) {
        TClass known = FindRegistered(c->ClassName());
        if (known == c) break;
        if (known)
            throw EFilerError(QStringLiteral("A class named %1 already exists").arg(c->ClassName()));
        r.Classes.push_back(c);
        if (c == TPersistent::StaticClass()) break;
    }
}

void RegisterClasses(std::initializer_list<TClass> AClasses) {
    for (TClass c : AClasses) RegisterClass(c);
}

void UnRegisterClass(TClass AClass) {
    auto& r = Registry();
    std::lock_guard g(r.Lock);
    r.Classes.erase(std::remove(r.Classes.begin(), r.Classes.end(), AClass), r.Classes.end());
}

void UnRegisterClasses(std::initializer_list<TClass> AClasses) {
    for (TClass c : AClasses) UnRegisterClass(c);
}

TClass GetClass(const String& AClassName) {
    auto& r = Registry();
    std::lock_guard g(r.Lock);
    return FindRegistered(AClassName);
}

TClass FindClass(const String& ClassName) {
    TClass c = GetClass(ClassName);
    if (!c) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(ClassName));
    return c;
}

// ---- Property tables ---------------------------------------------------------------------------

TPropInfo& TPropertyTable::Add(TPropInfo Info) {
    FOwn.push_back(std::make_unique<TPropInfo>(std::move(Info)));
    return *FOwn.back();
}

bool TPropInfo::IsDefaultValue(TObject* Instance) const {
    switch (Kind) {
        case pkInteger: case pkInt64: case pkChar: case pkBoolean: case pkEnum: case pkSet: case pkCurrency:
            return HasDefault && GetOrd(Instance) == Default;
        case pkSingle: case pkDouble: case pkExtended: case pkDate:
            return GetFloat(Instance) == 0;
        case pkString: case pkEvent:
            return GetStr(Instance).isEmpty();
        case pkComponent:
            return GetObj(Instance) == nullptr;
        case pkClass:
            return false;
    }
    return false;
}

namespace {
struct TPropTables {
    std::mutex Lock;
    std::unordered_map<TClass, std::unique_ptr<TPropertyTable>> Own;
    std::unordered_map<TClass, std::unique_ptr<TPropList>> Merged;
};
TPropTables& PropTables() {
    static TPropTables t;
    return t;
}
const TPropList& MergedLocked(TPropTables& t, TClass c) {
    auto it = t.Merged.find(c);
    if (it != t.Merged.end()) return *it->second;
    auto list = std::make_unique<TPropList>();
    if (c->Parent) *list = MergedLocked(t, c->Parent);
    if (c->Publish) {
        auto table = std::make_unique<TPropertyTable>(c);
        c->Publish(*table);
        for (auto& p : table->Own()) {
            auto same = std::find_if(list->begin(), list->end(), [&](PPropInfo q) {
                return q->Name.compare(p->Name, Qt::CaseInsensitive) == 0;
            });
            if (same != list->end())
                *same = p.get();
            else
                list->push_back(p.get());
        }
        t.Own[c] = std::move(table);
    }
    return *(t.Merged[c] = std::move(list));
}

[[noreturn]] void NoProperty(const String& name) {
    throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(name));
}
PPropInfo NeedProp(TObject* o, const String& name) {
    PPropInfo p = o ? GetPropInfo(o, name) : nullptr;
    if (!p) NoProperty(name);
    return p;
}
[[noreturn]] void ReadOnly(PPropInfo p) {
    throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(p->Name));
}
}  // namespace

const TPropList& GetPropList(TClass AClass) {
    auto& t = PropTables();
    std::lock_guard g(t.Lock);
    return MergedLocked(t, AClass);
}

PPropInfo GetPropInfo(TClass AClass, const String& PropName) {
    for (PPropInfo p : GetPropList(AClass))
        if (p->Name.compare(PropName, Qt::CaseInsensitive) == 0) return p;
    return nullptr;
}

bool IsPublishedProp(const TObject* Instance, const String& PropName) {
    return Instance && GetPropInfo(Instance, PropName) != nullptr;
}

Int64 GetOrdProp(TObject* Instance, PPropInfo PropInfo) {
    if (!PropInfo->GetOrd) throw EPropertyError(QStringLiteral("Invalid property type: %1").arg(PropInfo->Name));
    return PropInfo->GetOrd(Instance);
}
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value) {
    if (!PropInfo->SetOrd) ReadOnly(PropInfo);
    PropInfo->SetOrd(Instance, Value);
}
Extended GetFloatProp(TObject* Instance, PPropInfo PropInfo) {
    if (PropInfo->Kind == pkCurrency) return static_cast<Extended>(PropInfo->GetOrd(Instance)) / 10000;
    if (!PropInfo->GetFloat) throw EPropertyError(QStringLiteral("Invalid property type: %1").arg(PropInfo->Name));
    return PropInfo->GetFloat(Instance);
}
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, Extended Value) {
    if (PropInfo->Kind == pkCurrency) {
        if (!PropInfo->SetOrd) ReadOnly(PropInfo);
        PropInfo->SetOrd(Instance, static_cast<Int64>(std::llround(Value * 10000)));
        return;
    }
    if (!PropInfo->SetFloat) ReadOnly(PropInfo);
    PropInfo->SetFloat(Instance, Value);
}
String GetStrProp(TObject* Instance, PPropInfo PropInfo) {
    if (!PropInfo->GetStr) throw EPropertyError(QStringLiteral("Invalid property type: %1").arg(PropInfo->Name));
    return PropInfo->GetStr(Instance);
}
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const String& Value) {
    if (!PropInfo->SetStr) ReadOnly(PropInfo);
    PropInfo->SetStr(Instance, Value);
}
TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo) {
    if (!PropInfo->GetObj) throw EPropertyError(QStringLiteral("Invalid property type: %1").arg(PropInfo->Name));
    return PropInfo->GetObj(Instance);
}
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value) {
    if (Value && PropInfo->PropClass && !Value->InheritsFrom(PropInfo->PropClass))
        throw EPropertyError(QStringLiteral("Invalid property value"));
    if (PropInfo->SetObj) {
        PropInfo->SetObj(Instance, Value);
        return;
    }
    // A sub-object without a setter takes the value by assignment.
    TObject* cur = PropInfo->GetObj ? PropInfo->GetObj(Instance) : nullptr;
    if (PropInfo->Kind == pkClass && cur && Value) {
        static_cast<TPersistent*>(cur)->Assign(static_cast<TPersistent*>(Value));
        return;
    }
    ReadOnly(PropInfo);
}

Int64 GetOrdProp(TObject* Instance, const String& PropName) { return GetOrdProp(Instance, NeedProp(Instance, PropName)); }
void SetOrdProp(TObject* Instance, const String& PropName, Int64 Value) { SetOrdProp(Instance, NeedProp(Instance, PropName), Value); }
Extended GetFloatProp(TObject* Instance, const String& PropName) { return GetFloatProp(Instance, NeedProp(Instance, PropName)); }
void SetFloatProp(TObject* Instance, const String& PropName, Extended Value) { SetFloatProp(Instance, NeedProp(Instance, PropName), Value); }
String GetStrProp(TObject* Instance, const String& PropName) { return GetStrProp(Instance, NeedProp(Instance, PropName)); }
void SetStrProp(TObject* Instance, const String& PropName, const String& Value) { SetStrProp(Instance, NeedProp(Instance, PropName), Value); }
TObject* GetObjectProp(TObject* Instance, const String& PropName) { return GetObjectProp(Instance, NeedProp(Instance, PropName)); }
void SetObjectProp(TObject* Instance, const String& PropName, TObject* Value) { SetObjectProp(Instance, NeedProp(Instance, PropName), Value); }

String GetEnumName(PPropInfo PropInfo, Int64 Value) {
    if (PropInfo->Kind == pkBoolean) return Value ? QStringLiteral("True") : QStringLiteral("False");
    if (Value >= 0 && Value < static_cast<Int64>(PropInfo->EnumNames.size()))
        return PropInfo->EnumNames[static_cast<size_t>(Value)];
    return QString::number(Value);
}

int GetEnumValue(PPropInfo PropInfo, const String& Name) {
    if (PropInfo->Kind == pkBoolean) {
        if (Name.compare(u"False", Qt::CaseInsensitive) == 0) return 0;
        if (Name.compare(u"True", Qt::CaseInsensitive) == 0) return 1;
        return -1;
    }
    for (size_t i = 0; i < PropInfo->EnumNames.size(); ++i)
        if (PropInfo->EnumNames[i].compare(Name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

String GetEnumProp(TObject* Instance, const String& PropName) {
    PPropInfo p = NeedProp(Instance, PropName);
    return GetEnumName(p, GetOrdProp(Instance, p));
}

void SetEnumProp(TObject* Instance, const String& PropName, const String& Value) {
    PPropInfo p = NeedProp(Instance, PropName);
    int v = GetEnumValue(p, Value.trimmed());
    if (v < 0) throw EPropertyError(QStringLiteral("Invalid property value"));
    SetOrdProp(Instance, p, v);
}

String GetSetProp(TObject* Instance, const String& PropName, bool Brackets) {
    PPropInfo p = NeedProp(Instance, PropName);
    auto bits = static_cast<std::uint64_t>(GetOrdProp(Instance, p));
    QStringList names;
    for (int i = 0; i < 64; ++i)
        if (bits >> i & 1u) names << GetEnumName(p, i);
    String s = names.join(u',');
    return Brackets ? u'[' + s + u']' : s;
}

void SetSetProp(TObject* Instance, const String& PropName, const String& Value) {
    PPropInfo p = NeedProp(Instance, PropName);
    String v = Value.trimmed();
    if (v.startsWith(u'[')) v = v.mid(1);
    if (v.endsWith(u']')) v.chop(1);
    std::uint64_t bits = 0;
    for (const String& part : v.split(u',', Qt::SkipEmptyParts)) {
        int e = GetEnumValue(p, part.trimmed());
        if (e < 0 || e >= 64) throw EPropertyError(QStringLiteral("Invalid property value"));
        bits |= std::uint64_t(1) << e;
    }
    SetOrdProp(Instance, p, static_cast<Int64>(bits));
}

String GetPropText(TObject* Instance, const String& PropName) {
    PPropInfo p = NeedProp(Instance, PropName);
    switch (p->Kind) {
        case pkBoolean: case pkEnum: return GetEnumName(p, GetOrdProp(Instance, p));
        case pkSet: return GetSetProp(Instance, PropName, true);
        case pkChar: return String(QChar(static_cast<char16_t>(GetOrdProp(Instance, p))));
        case pkInteger: case pkInt64: return QString::number(GetOrdProp(Instance, p));
        case pkCurrency: case pkSingle: case pkDouble: case pkExtended: case pkDate:
            return QString::number(static_cast<double>(GetFloatProp(Instance, p)), 'g', 17);
        case pkString: case pkEvent: return GetStrProp(Instance, p);
        case pkComponent: {
            TObject* o = GetObjectProp(Instance, p);
            return o ? static_cast<TComponent*>(o)->Name() : String();
        }
        case pkClass: {
            TObject* o = GetObjectProp(Instance, p);
            return o ? o->ClassName() : String();
        }
    }
    return String();
}

void SetPropText(TObject* Instance, const String& PropName, const String& Value) {
    PPropInfo p = NeedProp(Instance, PropName);
    bool ok = true;
    switch (p->Kind) {
        case pkBoolean: case pkEnum: SetEnumProp(Instance, PropName, Value); return;
        case pkSet: SetSetProp(Instance, PropName, Value); return;
        case pkChar:
            if (Value.size() != 1) ok = false; else SetOrdProp(Instance, p, Value[0].unicode());
            break;
        case pkInteger: case pkInt64: {
            qlonglong v = Value.trimmed().toLongLong(&ok);
            if (ok) SetOrdProp(Instance, p, v);
            break;
        }
        case pkCurrency: case pkSingle: case pkDouble: case pkExtended: case pkDate: {
            double v = Value.trimmed().toDouble(&ok);
            if (ok) SetFloatProp(Instance, p, v);
            break;
        }
        case pkString: case pkEvent: SetStrProp(Instance, p, Value); return;
        case pkComponent: case pkClass: ok = false; break;
    }
    if (!ok) throw EPropertyError(QStringLiteral("Invalid property value"));
}
