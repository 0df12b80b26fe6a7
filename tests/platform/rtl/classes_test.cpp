#include "platform/rtl/classes.h"

#include <gtest/gtest.h>

namespace {

struct Log {
    std::vector<String> lines;
};

class TProbe : public TComponent {
    SDELKA_CLASS(TProbe, TComponent)
protected:
    TProbe(TComponent* AOwner, Log* log) : TComponent(AOwner), FLog(log) {}
    ~TProbe() override = default;

public:
    TProbe* Ref = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        inherited::Notification(AComponent, Operation);
        if (FLog)
            FLog->lines.push_back(Name() + (Operation == opInsert ? ":ins:" : ":rem:") + AComponent->Name());
        if (Operation == opRemove && AComponent == Ref) Ref = nullptr;
    }

private:
    Log* FLog;
};

}  // namespace

TEST(Component, OwnerFreesChildrenInReverseOrderAndClassNamesHold) {
    Log log;
    auto* owner = New<TProbe>(nullptr, &log);
    owner->SetName("Owner");
    auto* a = New<TProbe>(owner, nullptr);
    a->SetName("A");
    auto* b = New<TProbe>(owner, nullptr);
    b->SetName("B");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(owner->FindComponent("a"), a);
    EXPECT_EQ(a->ClassName(), "TProbe");
    EXPECT_TRUE(a->InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(owner->InheritsFrom(TProbe::StaticClass()) == false);
    EXPECT_THROW(b->SetName("a"), EComponentError);
    EXPECT_THROW(b->SetName("1x"), EComponentError);
    EXPECT_THROW(owner->Components(5), EListError);
    owner->Free();
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners) {
    Log log;
    auto* f1 = New<TComponent>(nullptr);
    auto* f2 = New<TComponent>(nullptr);
    auto* holder = New<TProbe>(f1, &log);
    auto* target = New<TProbe>(f2, nullptr);
    target->SetName("T");
    holder->Ref = target;
    target->FreeNotification(holder);
    f2->Free();
    EXPECT_EQ(holder->Ref, nullptr);
    f1->Free();
}

TEST(Component, DeleteThroughDestructorRunsTheSameSteps) {
    auto owner = TOwned<TComponent>(New<TComponent>(nullptr));
    auto* child = New<TComponent>(owner.get());
    (void)child;
    EXPECT_EQ(owner->ComponentCount(), 1);
    owner.reset();  // no leak under ASan
}

TEST(Persistent, AssignWithoutSupportRaisesConvertError) {
    TPersistent a, b;
    try {
        a.Assign(&b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TPersistent");
    }
}

// ---- class registry, virtual constructors, published properties ---------------------------------

namespace {

enum TTone { tnLow, tnMid, tnHigh };
enum TMark { mkA, mkB, mkC };
using TMarks = TSet<TMark>;

class TBase : public TComponent {
    SDELKA_CLASS(TBase, TComponent)
protected:
    explicit TBase(TComponent* AOwner) : TComponent(AOwner) {}
    ~TBase() override = default;

public:
    static void Published(TPublished<TBase>& P) {
        P.Integer("Width", &TBase::Width, &TBase::SetWidth).Default(10);
        P.Enum("Tone", &TBase::Tone, &TBase::SetTone, {"tnLow", "tnMid", "tnHigh"}).Default(tnMid);
        P.String("Caption", &TBase::Caption, &TBase::SetCaption);
    }
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    TTone Tone() const { return FTone; }
    void SetTone(TTone v) { FTone = v; }
    String Caption() const { return FCaption; }
    void SetCaption(const String& v) { FCaption = v; }
    int FWidth = 10;
    TTone FTone = tnMid;
    String FCaption;
};

class TDerived : public TBase {
    SDELKA_CLASS(TDerived, TBase)
protected:
    explicit TDerived(TComponent* AOwner) : TBase(AOwner) {}
    ~TDerived() override = default;

public:
    static void Published(TPublished<TDerived>& P) {
        // Same name as the inherited one: replaces it in place with another default.
        P.Integer("Width", &TDerived::Width, &TDerived::SetWidth).Default(20);
        P.Set("Marks", &TDerived::Marks, &TDerived::SetMarks, {"mkA", "mkB", "mkC"});
        P.Double("Ratio", &TDerived::Ratio, &TDerived::SetRatio);
        P.Boolean("Active", &TDerived::Active, nullptr);
    }
    TMarks Marks() const { return FMarks; }
    void SetMarks(TMarks v) { FMarks = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    bool Active() const { return true; }
    TMarks FMarks;
    double FRatio = 0;
};

class TAbstractThing : public TComponent {
    SDELKA_CLASS(TAbstractThing, TComponent)
protected:
    explicit TAbstractThing(TComponent* AOwner) : TComponent(AOwner) {}
    ~TAbstractThing() override = default;

public:
    virtual void Run() = 0;
};

class TTarget : public TPersistent {
    SDELKA_CLASS(TTarget, TPersistent)
public:
    explicit TTarget(TObject* ATarget) : Target(ATarget) {}
    TObject* Target;
};

}  // namespace

TEST(ClassRegistry, RegistersAncestorsFindsByNameAndCreatesByVirtualConstructor) {
    RegisterClass(TDerived::StaticClass());
    EXPECT_EQ(GetClass("tderived"), TDerived::StaticClass());
    EXPECT_EQ(GetClass("TBase"), TBase::StaticClass());  // ancestors come along
    EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
    try {
        FindClass("TNoSuchClass");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNoSuchClass not found");
    }

    auto* owner = New<TComponent>(nullptr);
    TComponent* made = FindClass("TDerived")->CreateComponent(owner);
    EXPECT_EQ(made->ClassName(), "TDerived");
    EXPECT_EQ(made->Owner(), owner);
    EXPECT_EQ(static_cast<TDerived*>(made)->Width(), 10);

    // Abstract classes and classes without that constructor refuse.
    EXPECT_EQ(TAbstractThing::StaticClass()->CtorKind, TCtorKind::None);
    EXPECT_THROW(TAbstractThing::StaticClass()->CreateComponent(owner), EComponentError);
    TObject* t = TTarget::StaticClass()->CreateObject(owner);
    EXPECT_EQ(static_cast<TTarget*>(t)->Target, owner);
    t->Free();
    owner->Free();

    UnRegisterClass(TDerived::StaticClass());
    EXPECT_EQ(GetClass("TDerived"), nullptr);
    EXPECT_EQ(GetClass("TBase"), TBase::StaticClass());
    UnRegisterClass(TBase::StaticClass());
}

namespace other {
class TBase : public TComponent {
    SDELKA_CLASS(TBase, TComponent)
public:
    explicit TBase(TComponent* AOwner) : TComponent(AOwner) {}
};
}  // namespace other

TEST(ClassRegistry, AnotherClassUnderATakenNameIsRefused) {
    RegisterClass(::TBase::StaticClass());
    RegisterClass(::TBase::StaticClass());  // the same class again is fine
    try {
        RegisterClass(other::TBase::StaticClass());
        FAIL();
    } catch (const EFilerError& e) {
        EXPECT_EQ(e.Message(), "A class named TBase already exists");
    }
    UnRegisterClass(::TBase::StaticClass());
}

TEST(PropertyTable, InheritedFirstOverridesInPlaceAndLooksUpByName) {
    const TPropList& props = GetPropList(TDerived::StaticClass());
    std::vector<String> names;
    for (PPropInfo p : props) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<String>{"Name", "Tag", "Width", "Tone", "Caption", "Marks", "Ratio", "Active"}));
    EXPECT_EQ(GetPropInfo(TDerived::StaticClass(), "width")->Default, 20);
    EXPECT_EQ(GetPropInfo(TBase::StaticClass(), "Width")->Default, 10);
    EXPECT_FALSE(GetPropInfo(TComponent::StaticClass(), "Name")->IsStored(nullptr));

    auto* d = New<TDerived>(nullptr);
    SetOrdProp(d, "Width", 33);
    EXPECT_EQ(d->Width(), 33);
    SetEnumProp(d, "Tone", "tnHigh");
    EXPECT_EQ(d->Tone(), tnHigh);
    EXPECT_EQ(GetEnumProp(d, "Tone"), "tnHigh");
    SetSetProp(d, "Marks", "[mkA, mkC]");
    EXPECT_TRUE(d->Marks() == (TMarks{mkA, mkC}));
    EXPECT_EQ(GetSetProp(d, "Marks", true), "[mkA,mkC]");
    SetPropText(d, "Ratio", "2.5");
    EXPECT_EQ(d->Ratio(), 2.5);
    SetStrProp(d, "Caption", u"Цех"_S);
    EXPECT_EQ(GetPropText(d, "Caption"), u"Цех"_S);
    EXPECT_EQ(GetPropText(d, "Active"), "True");
    EXPECT_TRUE(IsPublishedProp(d, "marks"));
    EXPECT_FALSE(IsPublishedProp(d, "Colour"));

    try {
        GetOrdProp(d, "Colour");
        FAIL();
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property Colour does not exist");
    }
    EXPECT_THROW(SetOrdProp(d, "Active", 0), EPropertyError);
    EXPECT_THROW(SetEnumProp(d, "Tone", "tnLoud"), EPropertyError);
    d->Free();
}

namespace {
class TFlagged : public TPersistent {
    SDELKA_CLASS(TFlagged, TPersistent)
public:
    TFlagged() = default;
    explicit TFlagged(bool AOwns) : Owns(AOwns) {}
    bool Owns = false;
};
}  // namespace

TEST(ClassRegistry, ABooleanConstructorIsNoObjectConstructor) {
    // A pointer would convert to bool: the class is made without arguments instead.
    EXPECT_EQ(TFlagged::StaticClass()->CtorKind, TCtorKind::Default);
    EXPECT_EQ(TComponent::StaticClass()->CtorKind, TCtorKind::Owner);
    TObject* o = TFlagged::StaticClass()->Create();
    EXPECT_FALSE(static_cast<TFlagged*>(o)->Owns);
    o->Free();
}

TEST(Event, DistinctCallablesHaveDistinctIdentitiesAndCopiesShareOne) {
    TNotifyEvent a = [](TObject*) {};
    TNotifyEvent b = [](TObject*) {};
    TEvent<void(int)> c = [](int) {};
    TNotifyEvent a2 = a;
    EXPECT_NE(a, b);
    EXPECT_EQ(a, a2);
    EXPECT_TRUE(static_cast<bool>(c));
    TNotifyEvent none;
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(a, none);
}
