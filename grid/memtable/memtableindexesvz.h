// In-memory indexes of a record list: sorted (key, record position) entries over one or more
// fields, kept in step with the list's notifications and rebuilt after bulk changes. The entries
// lie in one array; while every key is an integer, a second array holds the keys as plain numbers
// and the searches run over it; each number sits next to its record position, so a search ends on
// the line that names the record.
#pragma once

#include "grid/memtable/memtabledatavz.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/variant.h"

#include <algorithm>
#include <utility>
#include <vector>

class TMTIndexesVz;

// One entry: the key (the field's value, or an array of the values of several fields in the
// listed order) and the record's position in the record list. Entries are held by their index; a
// pointer to one is valid until the index changes.
struct TIndexItemVz {
    TIndexItemVz() = default;
    TIndexItemVz(Variant AValue, int ARecIndex) : Value(std::move(AValue)), RecIndex(ARecIndex) {}
    Variant Value;
    int RecIndex = -1;
};

class TMTIndexVz : public TCollectionItem {
    SDELKA_CLASS(TMTIndexVz, TCollectionItem)
protected:
    explicit TMTIndexVz(TCollection* Collection);
    ~TMTIndexVz() override;

public:
    // An index outside any collection, over ARecordsList; the caller owns it and hands it the
    // list's notifications.
    static TMTIndexVz* CreateApart(TRecordsListVz* ARecordsList);

    bool Active() const { return FActive; }
    // True rebuilds; a rebuild that finds a unique-key violation leaves the index inactive.
    void SetActive(bool Value);
    const String& Fields() const { return FFields; }
    void SetFields(const String& Value);
    bool Primary() const { return FPrimary; }
    void SetPrimary(bool Value);
    bool Unical() const { return FUnical; }
    void SetUnical(bool Value);

    void ClearIndex();
    void RebuildIndex();
    void QuickSort(int L, int R);
    // Binary search; Index receives the position of an equal entry or the insertion position.
    bool FindKeyValueIndex(const Variant& Value, int& Index) const;
    // As FindKeyValueIndex, Index receiving the record position of the entry found.
    bool FindRecordIndexByKey(const Variant& Value, int& Index) const;
    // Append every entry with an equal key (as TIndexItemVz*, or as the TMemoryRecordVz* at its
    // position): those before the one found, walking backwards, then it and those after it.
    void FillMatchedKeyList(const Variant& Value, TList* List) const;
    void FillMatchedRecsList(const Variant& Value, TList* List) const;
    // Visit(TMemoryRecordVz*) for the same records in the same order, without building lists.
    template <class Fn>
    void ForEachMatchedRec(const Variant& Value, Fn&& Visit) const {
        int pos = 0;
        if (!FindKeyValueIndex(Value, pos)) return;
        TRecordsListVz* list = RecordsList();
        for (int i = pos - 1; i >= 0 && KeyEquals(i, Value); --i) Visit(list->Rec(FEntries[static_cast<size_t>(i)].RecIndex));
        for (int i = pos; i < Count() && KeyEquals(i, Value); ++i) Visit(list->Rec(FEntries[static_cast<size_t>(i)].RecIndex));
    }
    // Visit(int RecIndex) with the record position of the same entries (an integer key: converted
    // once, searched over the numbers, its entries visited in index order; otherwise in
    // ForEachMatchedRec's order).
    template <class Fn>
    void ForEachMatchedRecIndex(const Variant& Value, Fn&& Visit) const {
        Int64 key = 0;
        if (IntSearch(Value, key)) {
            // The first entry not below the key, as FindKeyValueIndex finds it: no equal entry
            // lies before it.
            const TIntKeyVz* end = FIntKeys.data() + FIntKeys.size();
            for (const TIntKeyVz* k = IntLowerBound(key); k != end && k->Key == key; ++k) Visit(k->RecIndex);
            return;
        }
        int pos = 0;
        if (!FindKeyValueIndex(Value, pos)) return;
        for (int i = pos - 1; i >= 0 && KeyEquals(i, Value); --i) Visit(FEntries[static_cast<size_t>(i)].RecIndex);
        for (int i = pos; i < Count() && KeyEquals(i, Value); ++i) Visit(FEntries[static_cast<size_t>(i)].RecIndex);
    }
    // The entry's key equals Value.
    bool KeyEquals(int Index, const Variant& Value) const;
    Variant GetKeyValue(int Index) const { return Items(Index)->Value; }
    int Count() const { return static_cast<int>(FEntries.size()); }
    // The entry at Index (EListError outside the entries).
    TIndexItemVz* Items(int Index) const;
    TRecordsListVz* RecordsList() const;
    // Raises the unique-key violation for the first two equal non-Null neighbouring keys.
    void CheckUnical() const;

    // Follows one change of the record list.
    void Notify(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);
    // Inserts an entry at Index; Index = Count appends.
    virtual void InsertEntry(int Index, TIndexItemVz Entry);

private:
    bool Maintained() const { return FActive && !FFields.isEmpty(); }
    bool MustBeUnique() const { return FUnical || FPrimary; }
    Variant RecordKey(const TMemoryRecordVz* Rec, TDataValueVersionVz Version) const;
    // The entry of the record at RecIndex among the entries equal to Key.
    bool FindRecordEntry(const Variant& Key, int RecIndex, int& Index) const;
    // True when an entry equal to Key belongs to another record than RecIndex.
    bool KeyHeldByOther(const Variant& Key, int RecIndex) const;
    void ShiftRecIndexes(int From, int Delta);
    // The entries change only through these, which keep the integer keys in step.
    void EraseEntry(int Index);
    void MoveEntry(int From, int To);
    void SetEntryKey(int Index, const Variant& Key);
    void ExchangeEntries(int A, int B);
    // The integer keys are in use and Value is an integer: its number in Key.
    bool IntSearch(const Variant& Value, Int64& Key) const;
    [[noreturn]] void UniqueKeyViolation(const Variant& Key) const;

    bool FActive = false;
    String FFields;
    // FFields resolved to structure positions (names are not looked up per record).
    mutable TIntArrayVz FFieldIdx;
    mutable String FFieldIdxOf;
    mutable const TMTDataStructVz* FFieldIdxStruct = nullptr;
    mutable int FFieldIdxCount = -1;
    Variant FOldValue;
    bool FPrimary = false;
    std::vector<TIndexItemVz> FEntries;
    // The keys as numbers with the entries' record positions, entry by entry, while FIntKeysValid
    // (every key an integer). The positions change together with FEntries' own.
    struct TIntKeyVz {
        Int64 Key;
        int RecIndex;
    };
    std::vector<TIntKeyVz> FIntKeys;
    // The first integer key not below Key (the end when none). The keys' spread gives a guess
    // first, kept when it is that key (keys numbered without gaps are found at once, reading one
    // line); otherwise a search without branches that asks for both of the next probes' lines
    // ahead, so that the misses of a large index overlap.
    const TIntKeyVz* IntLowerBound(Int64 Key) const {
        const TIntKeyVz* base = FIntKeys.data();
        size_t n = FIntKeys.size();
        if (n == 0 || Key <= base[0].Key) return base;
        if (Key > base[n - 1].Key) return base + n;
        const double spread = static_cast<double>(base[n - 1].Key) - static_cast<double>(base[0].Key);
        const double at = (static_cast<double>(Key) - static_cast<double>(base[0].Key)) / spread * static_cast<double>(n - 1);
        const size_t guess = std::min(n - 1, static_cast<size_t>(std::max(0.0, at)));
        if (base[guess].Key >= Key && (guess == 0 || base[guess - 1].Key < Key)) return base + guess;
        while (n > 1) {
            const size_t half = n / 2;
            __builtin_prefetch(base + half / 2);
            __builtin_prefetch(base + half + half / 2);
            base = base[half].Key < Key ? base + half : base;
            n -= half;
        }
        return base + (base->Key < Key ? 1 : 0);
    }
    bool FIntKeysValid = true;
    TRecordsListVz* FRecordsList = nullptr;
    bool FUnical = false;
};

class TMTIndexesVz : public TCollection {
    SDELKA_CLASS(TMTIndexesVz, TCollection)
protected:
    explicit TMTIndexesVz(TRecordsListVz* ARecList);
    ~TMTIndexesVz() override = default;

public:
    TMTIndexVz* Add() { return static_cast<TMTIndexVz*>(TCollection::Add()); }
    TMTIndexVz* Items(int Index) const { return ItemsAs<TMTIndexVz>(Index); }
    TRecordsListVz* RecList() const { return FRecList; }
    // The first index whose Fields equal the text (ASCII case-insensitive, whole text), or nullptr.
    TMTIndexVz* GetIndexForFields(const String& Fields) const;
    // Every index rebuilds (a list-changed notification).
    void UpdateIndexes();
    void ClearIndexes();
    // Passes a record-list change to every index in collection order.
    void Notify(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);

protected:
    using TCollection::Notify;

private:
    TRecordsListVz* FRecList = nullptr;
};
