#include "platform/rtl/collections.h"

#include <gtest/gtest.h>

namespace {

struct TLogEntry {
    String What;
    String Item;
};

class TNamedItem : public TCollectionItem {
    SDELKA_CLASS(TNamedItem, TCollectionItem)
protected:
    explicit TNamedItem(TCollection* C) : TCollectionItem(C) {}
    ~TNamedItem() override = default;

public:
    const String& Caption() const { return FCaption; }
    void SetCaption(const String& v) {
        FCaption = v;
        Changed(false);
    }
    void Assign(TPersistent* Source) override {
        if (auto* s = dynamic_cast<TNamedItem*>(Source)) {
            FCaption = s->FCaption;
            return;
        }
        TCollectionItem::Assign(Source);
    }

protected:
    String GetDisplayName() override { return FCaption.isEmpty() ? TCollectionItem::GetDisplayName() : FCaption; }

private:
    String FCaption;
};

class TLoggingCollection : public TOwnedCollection {
    SDELKA_CLASS(TLoggingCollection, TOwnedCollection)
protected:
    TLoggingCollection(TPersistent* AOwner, std::vector<TLogEntry>* log)
        : TOwnedCollection(AOwner, TNamedItem::StaticClass()), Log(log) {}
    ~TLoggingCollection() override = default;

public:
    std::vector<TLogEntry>* Log;

protected:
    static String NameOf(TCollectionItem* i) { return i ? static_cast<TNamedItem*>(i)->Caption() : u"*"_S; }
    void Update(TCollectionItem* Item) override { Log->push_back({"update", NameOf(Item)}); }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
        static const char* names[] = {"added", "extracting", "deleting"};
        Log->push_back({names[Action], NameOf(Item)});
    }
};

std::vector<String> Captions(TCollection* c) {
    std::vector<String> v;
    for (int i = 0; i < c->Count(); ++i) v.push_back(c->ItemsAs<TNamedItem>(i)->Caption());
    return v;
}

}  // namespace

TEST(Collection, ReorderInsideUpdateBracketsFiresOneChange) {
    std::vector<TLogEntry> log;
    auto* owner = New<TComponent>(nullptr);
    owner->SetName("Grid");
    auto* c = New<TLoggingCollection>(owner, &log);
    c->SetPropName("Columns");
    for (const char* n : {"A", "B", "C"}) static_cast<TNamedItem*>(c->Add())->SetCaption(n);
    log.clear();

    c->BeginUpdate();
    c->BeginUpdate();  // nested
    c->Items(0)->SetIndex(2);
    c->Items(0)->SetIndex(1);
    static_cast<TNamedItem*>(c->Items(0))->SetCaption("C2");
    c->EndUpdate();
    EXPECT_TRUE(log.empty());
    c->EndUpdate();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].What, "update");
    EXPECT_EQ(log[0].Item, "*");  // nullptr: every item may have changed
    EXPECT_EQ(Captions(c), (std::vector<String>{"C2", "B", "A"}));

    // Outside brackets: a move is a change of all items, a caption a change of one item.
    log.clear();
    c->Items(2)->SetIndex(0);
    static_cast<TNamedItem*>(c->Items(0))->SetCaption("A1");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].Item, "*");
    EXPECT_EQ(log[1].Item, "A1");
    EXPECT_THROW(c->Items(0)->SetIndex(3), EListError);

    EXPECT_EQ(c->GetNamePath(), "Grid.Columns");
    EXPECT_EQ(c->Items(1)->GetNamePath(), "Grid.Columns[1]");
    EXPECT_EQ(c->Items(1)->DisplayName(), "C2");
    EXPECT_EQ(c->Items(1)->GetOwner(), c);
    c->Free();
    owner->Free();
}

TEST(Collection, AddInsertDeleteClearNotifyAndIDs) {
    std::vector<TLogEntry> log;
    auto* c = New<TLoggingCollection>(nullptr, &log);
    auto* a = static_cast<TNamedItem*>(c->Add());
    a->SetCaption("a");
    auto* b = static_cast<TNamedItem*>(c->Insert(0));
    b->SetCaption("b");
    EXPECT_EQ(Captions(c), (std::vector<String>{"b", "a"}));
    EXPECT_EQ(a->ID(), 0);
    EXPECT_EQ(b->ID(), 1);
    EXPECT_EQ(c->FindItemID(1), b);
    EXPECT_EQ(c->FindItemID(7), nullptr);

    log.clear();
    c->Delete(1);  // "a"
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].What, "deleting");
    EXPECT_EQ(log[1].What, "extracting");
    EXPECT_EQ(log[2].What, "update");
    EXPECT_THROW(c->Delete(5), EListError);

    // A new item never reuses an ID.
    EXPECT_EQ(c->Add()->ID(), 2);

    // Moving an item to another collection.
    std::vector<TLogEntry> log2;
    auto* d = New<TLoggingCollection>(nullptr, &log2);
    b->SetCollection(d);
    EXPECT_EQ(c->Count(), 1);
    EXPECT_EQ(d->Count(), 1);
    EXPECT_EQ(b->Collection(), d);

    log.clear();
    c->Add();
    c->Clear();  // one update for the whole clearing
    int updates = 0;
    for (auto& e : log) updates += e.What == "update";
    EXPECT_EQ(updates, 2);  // the add, then the clear
    EXPECT_EQ(c->Count(), 0);

    // Freeing an item directly takes it out of its collection.
    b->Free();
    EXPECT_EQ(d->Count(), 0);
    c->Free();
    d->Free();
}

TEST(Collection, AssignCopiesItemsAndRefusesOtherClasses) {
    std::vector<TLogEntry> log;
    auto* src = New<TLoggingCollection>(nullptr, &log);
    auto* dst = New<TLoggingCollection>(nullptr, &log);
    for (const char* n : {"x", "y"}) static_cast<TNamedItem*>(src->Add())->SetCaption(n);
    dst->Add();
    log.clear();
    dst->Assign(src);
    EXPECT_EQ(Captions(dst), (std::vector<String>{"x", "y"}));
    int updates = 0;
    for (auto& e : log) updates += e.What == "update";
    EXPECT_EQ(updates, 1);
    TPersistent other;
    EXPECT_THROW(dst->Assign(&other), EConvertError);
    src->Free();
    dst->Free();
}
