#include "platform/rtl/classes.h"

#include <gtest/gtest.h>

namespace {

struct Log {
    std::vector<String> lines;
};

class TProbe : public TComponent {
    SDELKA_CLASS(TProbe, TComponent)
public:
    TProbe(TComponent* AOwner, Log* log) : TComponent(AOwner), FLog(log) {}
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
    auto owner = std::unique_ptr<TComponent>(New<TComponent>(nullptr));
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
