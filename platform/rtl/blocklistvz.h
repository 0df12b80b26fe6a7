// A list of pointers for long lists that change in the middle: the items sit in blocks of at most
// BlockSize slots and the blocks' counts in a Fenwick tree, so inserting or deleting at a position
// moves at most one block's slots and costs O(BlockSize + log(blocks)) whatever the list's length.
// Reading by position is O(1) for a walk (the block of the previous read is kept) and
// O(log(blocks)) otherwise.
//
// An item can know its block: a Tracker with `static void Placed(T*, TBlockVz*)` is told whenever
// an item is put into a block, and `static TBlockVz* Block(const T*)` answers what it was last told.
// IndexOf is then O(BlockSize + log(blocks)). A Tracker that also has
// `static void PlacedSlot(T*, int)` and `static int SlotHint(const T*)` keeps the slot an item was
// put in: IndexOf looks there and around it first (slots of a block drift by one for every change
// in front of them, and are exact again after Assign or a split), so a lookup reads a few slots. A block is never given back to the heap while the
// list lives (emptied blocks wait for reuse), so a stale block pointer kept by an item that left
// the list still points at a block, which then simply does not hold the item: items need not be
// told that they left.
#pragma once

#include <algorithm>
#include <concepts>
#include <cassert>
#include <cstring>
#include <memory>
#include <vector>

struct TBlockVz {
    static constexpr int Size = 256;
    int Count = 0;
    int Ordinal = -1;              // place in the list's block order, -1 while spare
    const void* Owner = nullptr;   // the list whose order holds the block, nil while spare
    void* Items[Size];
};

template <class Tracker, class T>
concept TSlotHintTrackerVz = requires(T* Item, const T* CItem, int Slot) {
    Tracker::PlacedSlot(Item, Slot);
    { Tracker::SlotHint(CItem) } -> std::convertible_to<int>;
};

// No item knows its block; IndexOf walks the list.
struct TNoBlockTrackerVz {
    static constexpr bool Tracks = false;
    template <class T>
    static void Placed(T*, TBlockVz*) {}
    template <class T>
    static TBlockVz* Block(const T*) { return nullptr; }
};

template <class T, class Tracker = TNoBlockTrackerVz>
class TBlockListVz {
public:
    TBlockListVz() = default;
    TBlockListVz(const TBlockListVz&) = delete;
    TBlockListVz& operator=(const TBlockListVz&) = delete;

    int Count() const { return FCount; }
    bool Empty() const { return FCount == 0; }

    static constexpr bool HintsSlots = TSlotHintTrackerVz<Tracker, T>;

    T* Items(int Index) const {
        assert(Index >= 0 && Index < FCount);
        const int b = Seek(Index);
        return static_cast<T*>(FOrder[static_cast<size_t>(b)]->Items[Index - FSeekStart]);
    }
    T* operator[](int Index) const { return Items(Index); }
    T* Last() const { return FCount ? Items(FCount - 1) : nullptr; }

    void SetItems(int Index, T* Item) {
        const int b = Seek(Index);
        TBlockVz* blk = FOrder[static_cast<size_t>(b)];
        blk->Items[Index - FSeekStart] = Item;
        if (Item) Place(Item, blk, Index - FSeekStart);
    }

    int Add(T* Item) {
        if (FOrder.empty() || FOrder.back()->Count == TBlockVz::Size) AppendBlock();
        TBlockVz* blk = FOrder.back();
        if (Item) Place(Item, blk, blk->Count);
        blk->Items[blk->Count++] = Item;
        FenwickAdd(static_cast<int>(FOrder.size()) - 1, 1);
        return FCount++;
    }

    void Insert(int Index, T* Item) {
        assert(Index >= 0 && Index <= FCount);
        if (Index == FCount) {
            Add(Item);
            return;
        }
        int b = Seek(Index);
        int at = Index - FSeekStart;
        // At the first slot of a block, the end of the previous block will do when it has room.
        if (at == 0 && b > 0 && FOrder[static_cast<size_t>(b - 1)]->Count < TBlockVz::Size) {
            --b;
            at = FOrder[static_cast<size_t>(b)]->Count;
        }
        TBlockVz* blk = FOrder[static_cast<size_t>(b)];
        if (static_cast<size_t>(b) + 1 != FOrder.size()) FUniform = false;
        if (blk->Count == TBlockVz::Size) {
            Split(b);
            if (at > blk->Count) {
                at -= blk->Count;
                blk = FOrder[static_cast<size_t>(++b)];
            }
        }
        std::memmove(&blk->Items[at + 1], &blk->Items[at], sizeof(void*) * static_cast<size_t>(blk->Count - at));
        blk->Items[at] = Item;
        ++blk->Count;
        if (Item) Place(Item, blk, at);
        FenwickAdd(b, 1);
        ++FCount;
        Moved(b);
    }

    void Delete(int Index) {
        assert(Index >= 0 && Index < FCount);
        const int b = Seek(Index);
        const int at = Index - FSeekStart;
        TBlockVz* blk = FOrder[static_cast<size_t>(b)];
        if (static_cast<size_t>(b) + 1 != FOrder.size()) FUniform = false;
        std::memmove(&blk->Items[at], &blk->Items[at + 1], sizeof(void*) * static_cast<size_t>(blk->Count - at - 1));
        --blk->Count;
        FenwickAdd(b, -1);
        --FCount;
        Moved(b);
        if (blk->Count < TBlockVz::Size / 4) Merge(b);
    }

    // The item is in the list (Tracker only: its block is searched).
    int IndexOf(const T* Item) const {
        if constexpr (Tracker::Tracks) {
            const TBlockVz* blk = Item ? Tracker::Block(Item) : nullptr;
            if (!blk || blk->Owner != this) return -1;
            int at;
            if constexpr (HintsSlots) at = FindNear(blk, Item, Tracker::SlotHint(Item));
            else at = Find(blk, Item);
            return at < 0 ? -1 : Start(blk->Ordinal) + at;
        } else {
            int i = 0;
            for (const TBlockVz* blk : FOrder) {
                for (int k = 0; k < blk->Count; ++k)
                    if (blk->Items[k] == Item) return i + k;
                i += blk->Count;
            }
            return -1;
        }
    }

    // IndexOf, trying the position Hint first: when the item's block holds Hint, only that slot is
    // read.
    int IndexOfNear(const T* Item, int Hint) const {
        if constexpr (Tracker::Tracks) {
            if (Item && Hint >= 0 && Hint < FCount) {
                const int b = Seek(Hint);
                const TBlockVz* blk = FOrder[static_cast<size_t>(b)];
                if (blk == Tracker::Block(Item) && blk->Items[Hint - FSeekStart] == Item) return Hint;
            }
        }
        return IndexOf(Item);
    }

    void Move(int CurIndex, int NewIndex) {
        if (CurIndex == NewIndex) return;
        T* item = Items(CurIndex);
        Delete(CurIndex);
        Insert(NewIndex, item);
    }

    void Exchange(int Index1, int Index2) {
        T* a = Items(Index1);
        T* b = Items(Index2);
        SetItems(Index1, b);
        SetItems(Index2, a);
    }

    // Empties the list; the blocks stay for reuse.
    void Clear() {
        for (TBlockVz* blk : FOrder) Retire(blk);
        FOrder.clear();
        FTree.clear();
        FCount = 0;
        FSeekBlock = -1;
        FUniform = true;
        FUniformSize = TBlockVz::Size;
    }

    // The list takes the items in this order (blocks filled to 7/8, so later inserts seldom split).
    void Assign(const std::vector<T*>& Items) {
        Clear();
        constexpr int fill = TBlockVz::Size - TBlockVz::Size / 8;
        for (size_t i = 0; i < Items.size();) {
            TBlockVz* blk = TakeBlock();
            blk->Ordinal = static_cast<int>(FOrder.size());
            FOrder.push_back(blk);
            const size_t n = std::min(Items.size() - i, static_cast<size_t>(fill));
            for (size_t k = 0; k < n; ++k) {
                T* item = Items[i + k];
                blk->Items[k] = item;
                if (item) Place(item, blk, static_cast<int>(k));
            }
            blk->Count = static_cast<int>(n);
            i += n;
        }
        FCount = static_cast<int>(Items.size());
        RebuildTree();
        FUniformSize = fill;
    }

    std::vector<T*> ToVector() const {
        std::vector<T*> out;
        out.reserve(static_cast<size_t>(FCount));
        ForEach([&out](T* Item) { out.push_back(Item); });
        return out;
    }

    // Calls F(item) for every item in order.
    template <class F>
    void ForEach(F&& Fn) const {
        for (const TBlockVz* blk : FOrder)
            for (int k = 0; k < blk->Count; ++k) Fn(static_cast<T*>(blk->Items[k]));
    }

    // Calls Fn(item, ahead) for every item in order, ahead being the item Distance places further
    // on (nullptr near the end): a walk that asks for what it will read before it reads it.
    template <class F>
    void ForEachAhead(int Distance, F&& Fn) const {
        const size_t nb = FOrder.size();
        size_t ab = 0;
        int ak = 0;
        while (ab < nb && FOrder[ab]->Count == 0) ++ab;
        auto advance = [&] {
            if (++ak < FOrder[ab]->Count) return;
            ak = 0;
            while (++ab < nb && FOrder[ab]->Count == 0) {
            }
        };
        for (int d = 0; d < Distance && ab < nb; ++d) advance();
        for (const TBlockVz* blk : FOrder)
            for (int k = 0; k < blk->Count; ++k) {
                T* ahead = nullptr;
                if (ab < nb) {
                    ahead = static_cast<T*>(FOrder[ab]->Items[ak]);
                    advance();
                }
                Fn(static_cast<T*>(blk->Items[k]), ahead);
            }
    }

    // Drops the nil items.
    void Pack() {
        std::vector<T*> items;
        items.reserve(static_cast<size_t>(FCount));
        ForEach([&items](T* Item) {
            if (Item) items.push_back(Item);
        });
        if (static_cast<int>(items.size()) != FCount) Assign(items);
    }

private:
    static void Place(T* Item, TBlockVz* Block, int Slot) {
        Tracker::Placed(Item, Block);
        if constexpr (HintsSlots) Tracker::PlacedSlot(Item, Slot);
    }

    // The slot of Item in the block, or -1: the hinted slot and a few around it first.
    static int FindNear(const TBlockVz* Block, const void* Item, int Hint) {
        const int n = Block->Count;
        const void* const* items = Block->Items;
        if (Hint >= 0 && Hint < n && items[Hint] == Item) return Hint;
        constexpr int reach = 8;
        const int lo = std::max(0, Hint - reach), hi = std::min(n, Hint + reach + 1);
        for (int i = lo; i < hi; ++i)
            if (items[i] == Item) return i;
        return Find(Block, Item);
    }

    // The slot of Item in the block, or -1. Eight slots are compared at a time without a branch
    // between them (the compiler makes vector compares of them).
    static int Find(const TBlockVz* Block, const void* Item) {
        const int n = Block->Count;
        const void* const* items = Block->Items;
        int i = 0;
        for (; i + 8 <= n; i += 8) {
            bool hit = false;
            for (int k = 0; k < 8; ++k) hit |= items[i + k] == Item;
            if (hit) break;
        }
        for (; i < n; ++i)
            if (items[i] == Item) return i;
        return -1;
    }

    // The sum of the counts of the blocks before block B.
    int Start(int B) const {
        if (FUniform) return B * FUniformSize;
        int s = 0;
        for (int i = B; i > 0; i -= i & -i) s += FTree[static_cast<size_t>(i - 1)];
        return s;
    }

    // The block that holds position Index; FSeekStart is then its first position.
    int Seek(int Index) const {
        // Every block but the last holds the same number of items: the block is a division away.
        if (FUniform) {
            const int b = std::min(Index / FUniformSize, static_cast<int>(FOrder.size()) - 1);
            FSeekStart = b * FUniformSize;
            return b;
        }
        if (FSeekBlock >= 0 && static_cast<size_t>(FSeekBlock) < FOrder.size()) {
            if (Index >= FSeekStart && Index < FSeekStart + FOrder[static_cast<size_t>(FSeekBlock)]->Count)
                return FSeekBlock;
            // The next block: a walk.
            const int next = FSeekStart + FOrder[static_cast<size_t>(FSeekBlock)]->Count;
            if (Index >= next && static_cast<size_t>(FSeekBlock) + 1 < FOrder.size() &&
                Index < next + FOrder[static_cast<size_t>(FSeekBlock) + 1]->Count) {
                FSeekStart = next;
                return ++FSeekBlock;
            }
        }
        // Fenwick descent: the last block whose start is <= Index.
        const int n = static_cast<int>(FTree.size());
        int pos = 0, rest = Index;
        int step = 1;
        while (step * 2 <= n) step *= 2;
        for (; step > 0; step /= 2)
            if (pos + step <= n && FTree[static_cast<size_t>(pos + step - 1)] <= rest) {
                pos += step;
                rest -= FTree[static_cast<size_t>(pos - 1)];
            }
        FSeekBlock = pos;
        FSeekStart = Index - rest;
        return pos;
    }

    // A change of count in block B: a kept seek point after it moved.
    void Moved(int B) {
        if (FSeekBlock > B) FSeekBlock = -1;
    }

    void FenwickAdd(int B, int Delta) {
        for (int i = B + 1, n = static_cast<int>(FTree.size()); i <= n; i += i & -i) FTree[static_cast<size_t>(i - 1)] += Delta;
    }

    void RebuildTree() {
        const size_t n = FOrder.size();
        FTree.assign(n, 0);
        for (size_t i = 0; i < n; ++i) {
            FTree[i] += FOrder[i]->Count;
            const size_t parent = i + ((i + 1) & (~i));  // (i+1) + lowbit(i+1), zero-based
            if (parent < n) FTree[parent] += FTree[i];
        }
        FSeekBlock = -1;
    }

    void Renumber(size_t From) {
        for (size_t i = From; i < FOrder.size(); ++i) FOrder[i]->Ordinal = static_cast<int>(i);
    }

    TBlockVz* TakeBlock() {
        TBlockVz* blk;
        if (!FSpare.empty()) {
            blk = FSpare.back();
            FSpare.pop_back();
        } else {
            FAll.push_back(std::make_unique<TBlockVz>());
            blk = FAll.back().get();
        }
        blk->Owner = this;
        return blk;
    }

    void Retire(TBlockVz* Block) {
        Block->Count = 0;
        Block->Ordinal = -1;
        Block->Owner = nullptr;
        FSpare.push_back(Block);
    }

    void AppendBlock() {
        if (!FOrder.empty() && FOrder.back()->Count != FUniformSize) FUniform = false;
        TBlockVz* blk = TakeBlock();
        blk->Ordinal = static_cast<int>(FOrder.size());
        FOrder.push_back(blk);
        // The new Fenwick node covers (k - lowbit(k), k]: the nodes below it and its own empty block.
        const int k = static_cast<int>(FOrder.size());
        int sum = 0;
        for (int j = k - 1; j > k - (k & -k); j -= j & -j) sum += FTree[static_cast<size_t>(j - 1)];
        FTree.push_back(sum);
    }

    // Moves the upper half of full block B into a new block after it.
    void Split(int B) {
        FUniform = false;
        TBlockVz* blk = FOrder[static_cast<size_t>(B)];
        TBlockVz* nb = TakeBlock();
        const int keep = blk->Count / 2;
        nb->Count = blk->Count - keep;
        std::memcpy(nb->Items, &blk->Items[keep], sizeof(void*) * static_cast<size_t>(nb->Count));
        blk->Count = keep;
        for (int i = 0; i < nb->Count; ++i)
            if (nb->Items[i]) Place(static_cast<T*>(nb->Items[i]), nb, i);
        FOrder.insert(FOrder.begin() + B + 1, nb);
        Renumber(static_cast<size_t>(B) + 1);
        RebuildTree();
    }

    // A block that got small joins a neighbour when both fit in half a block; an empty one goes.
    void Merge(int B) {
        TBlockVz* blk = FOrder[static_cast<size_t>(B)];
        int into = -1;
        if (B > 0 && FOrder[static_cast<size_t>(B - 1)]->Count + blk->Count <= TBlockVz::Size / 2) into = B - 1;
        else if (static_cast<size_t>(B) + 1 < FOrder.size() &&
                 FOrder[static_cast<size_t>(B + 1)]->Count + blk->Count <= TBlockVz::Size / 2)
            into = B + 1;
        if (into < 0 && blk->Count > 0) return;
        FUniform = false;
        if (into >= 0 && blk->Count > 0) {
            TBlockVz* dst = FOrder[static_cast<size_t>(into)];
            if (into < B) {
                std::memcpy(&dst->Items[dst->Count], blk->Items, sizeof(void*) * static_cast<size_t>(blk->Count));
            } else {
                std::memmove(&dst->Items[blk->Count], dst->Items, sizeof(void*) * static_cast<size_t>(dst->Count));
                std::memcpy(dst->Items, blk->Items, sizeof(void*) * static_cast<size_t>(blk->Count));
            }
            const int first = into < B ? dst->Count : 0;
            for (int i = 0; i < blk->Count; ++i)
                if (blk->Items[i]) Place(static_cast<T*>(blk->Items[i]), dst, first + i);
            dst->Count += blk->Count;
        }
        FOrder.erase(FOrder.begin() + B);
        Retire(blk);
        Renumber(static_cast<size_t>(B));
        RebuildTree();
    }

    std::vector<TBlockVz*> FOrder;  // the blocks in list order
    std::vector<int> FTree;         // Fenwick tree over the blocks' counts
    std::vector<std::unique_ptr<TBlockVz>> FAll;
    std::vector<TBlockVz*> FSpare;
    int FCount = 0;
    mutable int FSeekBlock = -1;
    mutable int FSeekStart = 0;
    // While only the last block's count differs from FUniformSize, positions map to blocks by
    // division (a list filled by Add or Assign and changed only at its end).
    bool FUniform = true;
    int FUniformSize = TBlockVz::Size;
};
