#include "platform/rtl/blocklistvz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Item {
    int Id = 0;
    TBlockVz* Block = nullptr;
    int Slot = -1;
};

struct ItemTracker {
    static constexpr bool Tracks = true;
    static void Placed(Item* I, TBlockVz* B) { I->Block = B; }
    static TBlockVz* Block(const Item* I) { return I->Block; }
};

using TrackedList = TBlockListVz<Item, ItemTracker>;

// Also keeps the slot: IndexOf looks there first.
struct SlotTracker : ItemTracker {
    static void PlacedSlot(Item* I, int Slot) { I->Slot = Slot; }
    static int SlotHint(const Item* I) { return I->Slot; }
};
static_assert(TBlockListVz<Item, SlotTracker>::HintsSlots && !TrackedList::HintsSlots);

template <class L>
void ExpectSame(const L& List, const std::vector<Item*>& Model) {
    ASSERT_EQ(List.Count(), static_cast<int>(Model.size()));
    EXPECT_EQ(List.ToVector(), Model);
    // Reads out of order too (not only walks).
    for (size_t i = Model.size(); i-- > 0;) ASSERT_EQ(List.Items(static_cast<int>(i)), Model[i]) << i;
    // A walk that looks ahead sees every item with the one Distance places on, across blocks.
    for (size_t d : {size_t(0), size_t(1), size_t(37), size_t(300)}) {
        size_t i = 0;
        List.ForEachAhead(static_cast<int>(d), [&](Item* It, Item* Ahead) {
            ASSERT_LT(i, Model.size());
            ASSERT_EQ(It, Model[i]) << i;
            ASSERT_EQ(Ahead, i + d < Model.size() ? Model[i + d] : nullptr) << i << " ahead by " << d;
            ++i;
        });
        EXPECT_EQ(i, Model.size());
    }
}

}  // namespace

// Random inserts, deletes, moves and exchanges over several block splits and merges: the list
// agrees with a plain vector, and every item's place is found through its block.
// With slot hints the hints drift as items are put in front of others; the places found must
// stay exact.
template <class Tracker>
void AgreeWithAVector() {
    std::vector<std::unique_ptr<Item>> pool;
    for (int i = 0; i < 6000; ++i) pool.push_back(std::make_unique<Item>(Item{i, nullptr}));
    TBlockListVz<Item, Tracker> list;
    std::vector<Item*> model;
    std::mt19937 gen(5);
    size_t next = 0;
    for (int step = 0; step < 12000; ++step) {
        const unsigned op = gen() % 10;
        const int n = static_cast<int>(model.size());
        // Grow in the first half, shrink in the second, so blocks split and then merge.
        const bool grow = step < 6000 ? op < 7 : op < 2;
        if (grow && next < pool.size()) {
            const int at = n == 0 ? 0 : static_cast<int>(gen() % static_cast<unsigned>(n + 1));
            Item* it = pool[next++].get();
            list.Insert(at, it);
            model.insert(model.begin() + at, it);
        } else if (n > 0 && op < 9) {
            const int at = static_cast<int>(gen() % static_cast<unsigned>(n));
            list.Delete(at);
            model.erase(model.begin() + at);
        } else if (n > 1 && op == 9) {
            const int a = static_cast<int>(gen() % static_cast<unsigned>(n)), b = static_cast<int>(gen() % static_cast<unsigned>(n));
            if (gen() % 2 == 0) {
                list.Move(a, b);
                Item* it = model[static_cast<size_t>(a)];
                model.erase(model.begin() + a);
                model.insert(model.begin() + b, it);
            } else {
                list.Exchange(a, b);
                std::swap(model[static_cast<size_t>(a)], model[static_cast<size_t>(b)]);
            }
        }
        if (step % 1500 == 0) ExpectSame(list, model);
    }
    ExpectSame(list, model);
    for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list.IndexOf(model[i]), static_cast<int>(i));
    // Items that left the list are not found, though they still point at a block.
    for (size_t i = 0; i < next; ++i) {
        if (std::find(model.begin(), model.end(), pool[i].get()) == model.end()) {
            ASSERT_EQ(list.IndexOf(pool[i].get()), -1);
        }
    }
}

TEST(BlockListVz, AgreesWithAVectorThroughSplitsAndMerges) {
    AgreeWithAVector<ItemTracker>();
    AgreeWithAVector<SlotTracker>();
}

// Many inserts at the front of one block push every hint far off: places are still found, and
// after Assign the hints are exact again.
TEST(BlockListVz, SlotHintsFarOffStillFindTheItem) {
    std::vector<std::unique_ptr<Item>> pool;
    for (int i = 0; i < 200; ++i) pool.push_back(std::make_unique<Item>(Item{i, nullptr}));
    TBlockListVz<Item, SlotTracker> list;
    for (int i = 100; i < 200; ++i) list.Add(pool[static_cast<size_t>(i)].get());
    for (int i = 99; i >= 0; --i) list.Insert(0, pool[static_cast<size_t>(i)].get());
    EXPECT_EQ(pool[199]->Slot, 99);  // the slot it was put in; it now sits at 199
    for (int i = 0; i < 200; ++i) ASSERT_EQ(list.IndexOf(pool[static_cast<size_t>(i)].get()), i);
    list.Assign(list.ToVector());
    for (int i = 0; i < 200; ++i) ASSERT_EQ(pool[static_cast<size_t>(i)]->Slot, i % (TBlockVz::Size - TBlockVz::Size / 8));
}

TEST(BlockListVz, AssignPackClearAndReuse) {
    std::vector<std::unique_ptr<Item>> pool;
    std::vector<Item*> items;
    for (int i = 0; i < 1000; ++i) {
        pool.push_back(std::make_unique<Item>(Item{i, nullptr}));
        items.push_back(pool.back().get());
    }
    TrackedList list;
    list.Assign(items);
    ExpectSame(list, items);
    EXPECT_EQ(list.IndexOf(items[999]), 999);
    // Nil slots are dropped by Pack.
    std::vector<Item*> kept;
    for (int i = 0; i < 1000; ++i) {
        if (i % 3 == 0) list.SetItems(i, nullptr);
        else kept.push_back(items[static_cast<size_t>(i)]);
    }
    list.Pack();
    ExpectSame(list, kept);
    EXPECT_EQ(list.IndexOf(items[0]), -1);
    EXPECT_EQ(list.IndexOf(items[1]), 0);
    // A cleared list knows none of its former items and fills again from its spare blocks.
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf(items[1]), -1);
    for (Item* it : items) list.Add(it);
    ExpectSame(list, items);
    EXPECT_EQ(list.IndexOf(items[500]), 500);
}

// A list filled at its end maps positions to blocks by division; a change in the middle, or an
// end that outgrows the filled blocks, goes back to the counted blocks.
TEST(BlockListVz, ListsChangedOnlyAtTheEndAndThenInTheMiddle) {
    std::vector<std::unique_ptr<Item>> pool;
    for (int i = 0; i < 3000; ++i) pool.push_back(std::make_unique<Item>(Item{i, nullptr}));
    std::vector<Item*> model;
    TrackedList list;
    for (int i = 0; i < 1000; ++i) {
        list.Add(pool[static_cast<size_t>(i)].get());
        model.push_back(pool[static_cast<size_t>(i)].get());
    }
    list.Delete(999);
    model.pop_back();
    ExpectSame(list, model);
    EXPECT_EQ(list.IndexOf(model[700]), 700);
    // Filled by Assign (blocks not full), then grown at the end past a block.
    list.Assign(model);
    for (int i = 1000; i < 1600; ++i) {
        list.Add(pool[static_cast<size_t>(i)].get());
        model.push_back(pool[static_cast<size_t>(i)].get());
    }
    ExpectSame(list, model);
    for (size_t i = 0; i < model.size(); i += 37) ASSERT_EQ(list.IndexOf(model[i]), static_cast<int>(i));
    list.Insert(300, pool[2000].get());
    model.insert(model.begin() + 300, pool[2000].get());
    list.Delete(5);
    model.erase(model.begin() + 5);
    ExpectSame(list, model);
    for (size_t i = 0; i < model.size(); i += 37) ASSERT_EQ(list.IndexOf(model[i]), static_cast<int>(i));
}

// Without a tracker, IndexOf walks the list.
TEST(BlockListVz, UntrackedIndexOf) {
    int a = 1, b = 2, c = 3;
    TBlockListVz<int> list;
    list.Add(&a);
    list.Add(&b);
    list.Insert(1, &c);
    EXPECT_EQ(list.IndexOf(&b), 2);
    EXPECT_EQ(list.IndexOf(&c), 1);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(&a), -1);
    EXPECT_EQ(list.Last(), &b);
}
