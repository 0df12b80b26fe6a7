// Object lifetime: a form and a data module run OnDestroy exactly once and free each of their
// children once, however they go: Free, their owner, an owning form, or the application at
// shutdown. Free while the destruction is already under way does nothing.
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <type_traits>

namespace {

// Nothing but the factory makes a framework object and nothing but Free deletes one.
template <class T, class... A>
constexpr bool Newable = requires(A... a) { new T(a...); };
template <class T>
constexpr bool Deletable = requires(T* p) { delete p; };
static_assert(!Newable<TForm, TComponent*> && !Newable<TDataModule, TComponent*> && !Newable<TStringList>);
static_assert(!Deletable<TForm> && !Deletable<TDataModule> && !Deletable<TButton> && !Deletable<TList>);
static_assert(!std::is_constructible_v<TForm, TComponent*> && !std::is_constructible_v<TList>);
static_assert(!std::is_destructible_v<TComponent> && !std::is_destructible_v<TCustomForm>);

QStringList gLifeLog;

// A component that reports its destruction (steps and the destructor itself) under the name of
// the owner it was made for (an owner takes its children out of its list before freeing them).
class TProbe : public TComponent {
    SDELKA_CLASS(TProbe, TComponent)
protected:
    explicit TProbe(TComponent* AOwner) : TComponent(AOwner), FMadeFor(AOwner) {}
    ~TProbe() override { gLifeLog << "delete " + FOwnerName + ".probe"; }

public:
    void BeforeDestruction() override {
        FOwnerName = FMadeFor ? FMadeFor->Name() : QString();
        gLifeLog << "free " + FOwnerName + ".probe";
        inherited::BeforeDestruction();
    }

private:
    TComponent* FMadeFor;
    QString FOwnerName;
};

class TProbeForm : public TForm {
    SDELKA_CLASS(TProbeForm, TForm)
protected:
    explicit TProbeForm(TComponent* AOwner) : TForm(AOwner) {
        OnDestroy = [this](TObject*) {
            // The form and its children are whole here, and a Free from the handler is harmless.
            gLifeLog << "OnDestroy " + Name() + " with " + QString::number(ComponentCount());
            Free();
        };
    }
    ~TProbeForm() override = default;

public:
    void AfterConstruction() override {
        inherited::AfterConstruction();
        New<TProbe>(this);
        New<TButton>(this)->SetParent(this);
    }
};

class TProbeModule : public TDataModule {
    SDELKA_CLASS(TProbeModule, TDataModule)
protected:
    explicit TProbeModule(TComponent* AOwner) : TDataModule(AOwner) {
        OnDestroy = [this](TObject*) {
            gLifeLog << "OnDestroy " + Name() + " with " + QString::number(ComponentCount());
            Free();
        };
    }
    ~TProbeModule() override = default;

public:
    void AfterConstruction() override {
        inherited::AfterConstruction();
        New<TProbe>(this);
    }
};

struct LifetimeCase {
    const char* Name;
    // Makes the object under test (named "X") and answers the function that ends its life.
    std::function<std::function<void()>(std::function<TComponent*(TComponent* Owner)> Make)> Setup;
};

template <class T>
TComponent* MakeNamed(TComponent* Owner) {
    T* x = New<T>(Owner);
    x->SetName(QStringLiteral("X"));
    gLifeLog.clear();
    return x;
}

template <class T>
void MakeByApplication(const QString& Name) {
    T* x = nullptr;
    Application->CreateForm(x);
    x->SetName(Name);
}

class LifetimeTest : public ::testing::TestWithParam<LifetimeCase> {};

// OnDestroy of X once, while its children are all there (Children of them), then its probe is
// freed and deleted once.
void ExpectOneDestruction(int Children) {
    const std::string log = gLifeLog.join(" | ").toStdString();
    EXPECT_EQ(gLifeLog.filter("OnDestroy X ").size(), 1) << log;
    EXPECT_EQ(gLifeLog.count("OnDestroy X with " + QString::number(Children)), 1) << log;
    EXPECT_EQ(gLifeLog.count("free X.probe"), 1) << log;
    EXPECT_EQ(gLifeLog.count("delete X.probe"), 1) << log;
    EXPECT_LT(gLifeLog.indexOf("OnDestroy X with " + QString::number(Children)), gLifeLog.indexOf("free X.probe")) << log;
}

const LifetimeCase kCases[] = {
    {"Free", [](auto Make) {
         TComponent* x = Make(nullptr);
         return std::function<void()>([x] { x->Free(); });
     }},
    {"Owner", [](auto Make) {
         TProbe* owner = New<TProbe>(nullptr);
         Make(owner);
         return std::function<void()>([owner] { owner->Free(); });
     }},
    {"OwningForm", [](auto Make) {
         TProbeForm* owner = New<TProbeForm>(nullptr);
         owner->SetName(QStringLiteral("Owner"));
         Make(owner);
         return std::function<void()>([owner] { owner->Free(); });
     }},
    {"TOwned", [](auto Make) {
         auto holder = std::make_shared<TOwned<TComponent>>(Make(nullptr));
         return std::function<void()>([holder] { holder->reset(); });
     }},
};

TEST_P(LifetimeTest, FormRunsOnDestroyOnceAndFreesItsChildrenOnce) {
    auto end = GetParam().Setup([](TComponent* Owner) { return MakeNamed<TProbeForm>(Owner); });
    int forms = Screen->FormCount();
    end();
    ExpectOneDestruction(2);
    EXPECT_LT(Screen->FormCount(), forms);
}

TEST_P(LifetimeTest, DataModuleRunsOnDestroyOnceAndFreesItsChildrenOnce) {
    auto end = GetParam().Setup([](TComponent* Owner) { return MakeNamed<TProbeModule>(Owner); });
    int modules = Screen->DataModuleCount();
    end();
    ExpectOneDestruction(1);
    EXPECT_EQ(Screen->DataModuleCount(), modules - 1);
}

INSTANTIATE_TEST_SUITE_P(Paths, LifetimeTest, ::testing::ValuesIn(kCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(LifetimeShutdownTest, ApplicationShutdownRunsOnDestroyOnceForEachFormAndDataModule) {
    MakeByApplication<TProbeModule>(QStringLiteral("X"));
    MakeByApplication<TProbeForm>(QStringLiteral("Y"));
    EXPECT_NE(Application->MainForm(), nullptr);
    gLifeLog.clear();
    DoneApplication();
    const std::string log = gLifeLog.join(" | ").toStdString();
    EXPECT_EQ(gLifeLog.filter("OnDestroy").size(), 2) << log;
    EXPECT_EQ(gLifeLog.count("OnDestroy X with 1"), 1) << log;
    EXPECT_EQ(gLifeLog.count("OnDestroy Y with 2"), 1) << log;
    EXPECT_EQ(gLifeLog.count("delete X.probe"), 1) << log;
    EXPECT_EQ(gLifeLog.count("delete Y.probe"), 1) << log;
    // The form, made last, goes first.
    EXPECT_LT(gLifeLog.indexOf("OnDestroy Y with 2"), gLifeLog.indexOf("OnDestroy X with 1")) << log;
    EXPECT_EQ(Application->ComponentCount(), 0);
    EXPECT_EQ(Application->MainForm(), nullptr);
}

}  // namespace
