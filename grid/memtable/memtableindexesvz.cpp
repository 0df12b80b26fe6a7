#include "grid/memtable/memtableindexesvz.h"

#include "grid/core/valueutilsvz.h"
#include "platform/db/db.h"
#include "platform/rtl/exceptions.h"

#include <algorithm>
#include <vector>

namespace {

const char* const SValuesNotComparable = "TMTIndexVz.FindKeyValueIndex: values is not comparable.";

// ASCII-only case folding, so that non-ASCII letters compare exactly.
bool SameTextAscii(const String& A, const String& B) {
    if (A.size() != B.size()) return false;
    if (A.constData() == B.constData()) return true;
    for (qsizetype i = 0; i < A.size(); ++i) {
        char16_t a = A[i].unicode(), b = B[i].unicode();
        if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
        if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - 32);
        if (a != b) return false;
    }
    return true;
}

// CompareVarValuesVz with a shortcut for two keys of one integer or floating kind (the common
// single-field key): the same answer without the general conversion rules.
TVariantRelationship CompareKeysVz(const Variant& A, const Variant& B) {
    const TVarType ta = A.VType();
    if (ta == B.VType()) {
        switch (ta) {
            case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
            case varInt64: {
                const Int64 a = A.AsInt64(), b = B.AsInt64();
                return a < b ? vrLessThan : (b < a ? vrGreaterThan : vrEqual);
            }
            case varDouble: case varDate: {
                const double a = A.AsDouble(), b = B.AsDouble();
                if (a < b) return vrLessThan;
                if (b < a) return vrGreaterThan;
                if (a == b) return vrEqual;
                break;  // NaN: the general rule
            }
            default: break;
        }
    }
    return CompareVarValuesVz(A, B);
}

}  // namespace

// ---- TMTIndexVz ---------------------------------------------------------------------------------

namespace {

// An integer key (of any integer kind: they compare as numbers) in Out.
bool IntKeyOf(const Variant& V, Int64& Out) {
    switch (V.VType()) {
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
        case varInt64:
            Out = V.AsInt64();
            return true;
        default:
            return false;
    }
}

}  // namespace

TMTIndexVz::TMTIndexVz(TCollection* Collection) : TCollectionItem(Collection) {}

TMTIndexVz::~TMTIndexVz() = default;

TMTIndexVz* TMTIndexVz::CreateApart(TRecordsListVz* ARecordsList) {
    auto* idx = New<TMTIndexVz>(static_cast<TCollection*>(nullptr));
    idx->FRecordsList = ARecordsList;
    return idx;
}

TIndexItemVz* TMTIndexVz::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return const_cast<TIndexItemVz*>(&FEntries[static_cast<size_t>(Index)]);
}

TRecordsListVz* TMTIndexVz::RecordsList() const {
    if (FRecordsList) return FRecordsList;
    TCollection* c = Collection();
    if (!c) return nullptr;
    // The usual owner is checked by its class alone (this runs on every lookup).
    if (c->ClassType() == TMTIndexesVz::StaticClass()) return static_cast<TMTIndexesVz*>(c)->RecList();
    auto* ix = dynamic_cast<TMTIndexesVz*>(c);
    return ix ? ix->RecList() : nullptr;
}

void TMTIndexVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (!Value) {
        ClearIndex();
        return;
    }
    try {
        RebuildIndex();
    } catch (...) {
        // An index whose keys break its uniqueness is not put to use.
        FActive = false;
        ClearIndex();
        throw;
    }
}

void TMTIndexVz::SetFields(const String& Value) {
    if (FFields == Value) return;
    FFields = Value;
    RebuildIndex();
}

void TMTIndexVz::SetPrimary(bool Value) {
    if (FPrimary == Value) return;
    FPrimary = Value;
    RebuildIndex();
}

void TMTIndexVz::SetUnical(bool Value) {
    if (FUnical == Value) return;
    FUnical = Value;
    RebuildIndex();
}

void TMTIndexVz::ClearIndex() {
    std::vector<TIndexItemVz>().swap(FEntries);
    std::vector<TIntKeyVz>().swap(FIntKeys);
    FIntKeysValid = true;
}

Variant TMTIndexVz::RecordKey(const TMemoryRecordVz* Rec, TDataValueVersionVz Version) const {
    const TMTDataStructVz* st = Rec->DataStruct();
    if (!st) return Rec->GetDataValues(FFields, Version);
    if (FFieldIdxOf != FFields || FFieldIdxStruct != st || FFieldIdxCount != st->Count()) {
        FFieldIdx = st->FieldsIndex(FFields);
        FFieldIdxOf = FFields;
        FFieldIdxStruct = st;
        FFieldIdxCount = st->Count();
    }
    if (FFieldIdx.empty()) return Rec->GetDataValues(FFields, Version);  // raises for an unknown name
    return Rec->GetDataIndexValues(FFieldIdx, Version);
}

void TMTIndexVz::RebuildIndex() {
    ClearIndex();
    TRecordsListVz* list = RecordsList();
    if (!Maintained() || !list) return;
    std::vector<TIndexItemVz>& entries = FEntries;
    entries.reserve(static_cast<size_t>(list->Count()));
    try {
        for (int i = 0; i < list->Count(); ++i) {
            TMemoryRecordVz* r = list->Rec(i);
            // Records flagged deleted have no entry, as after the mark itself, so that a rebuild
            // does not change what the index answers.
            if (!r || r->UpdateStatus() == usDeleted) continue;
            entries.emplace_back(RecordKey(r, dvvValueVz), i);
        }
    } catch (...) {
        ClearIndex();
        throw;
    }
    // Equal keys keep the records' order. Integer keys sort as plain numbers; a merge sort over
    // the general rule stays sound even where it finds two keys incomparable.
    std::vector<Int64> ints(entries.size());
    bool integers = true;
    for (size_t i = 0; i < entries.size() && integers; ++i) integers = IntKeyOf(entries[i].Value, ints[i]);
    std::vector<int> order;
    if (integers) {
        if (!std::is_sorted(ints.begin(), ints.end())) {
            // (key, position) pairs: the position breaks ties, so an unstable sort keeps the order.
            std::vector<std::pair<Int64, int>> keyed(entries.size());
            for (size_t i = 0; i < entries.size(); ++i) keyed[i] = {ints[i], static_cast<int>(i)};
            std::sort(keyed.begin(), keyed.end());
            order.resize(keyed.size());
            for (size_t i = 0; i < keyed.size(); ++i) {
                order[i] = keyed[i].second;
                ints[i] = keyed[i].first;
            }
        }
    } else {
        order.resize(entries.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return CompareKeysVz(entries[static_cast<size_t>(a)].Value, entries[static_cast<size_t>(b)].Value) == vrLessThan;
        });
    }
    if (!order.empty()) {
        std::vector<TIndexItemVz> sorted;
        sorted.reserve(entries.size());
        for (int i : order) sorted.push_back(std::move(entries[static_cast<size_t>(i)]));
        entries.swap(sorted);
    }
    FIntKeysValid = integers;
    if (integers) {
        FIntKeys.resize(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) FIntKeys[i] = {ints[i], entries[i].RecIndex};
    }
    if (MustBeUnique()) CheckUnical();
}

void TMTIndexVz::QuickSort(int L, int R) {
    while (L < R) {
        int i = L, j = R;
        // The pivot is an entry, not a copied key: it follows its position.
        int pivot = (L + R) / 2;
        do {
            while (CompareKeysVz(FEntries[static_cast<size_t>(i)].Value, FEntries[static_cast<size_t>(pivot)].Value) == vrLessThan) ++i;
            while (CompareKeysVz(FEntries[static_cast<size_t>(j)].Value, FEntries[static_cast<size_t>(pivot)].Value) == vrGreaterThan) --j;
            if (i <= j) {
                if (i != j) {
                    ExchangeEntries(i, j);
                    if (pivot == i) pivot = j;
                    else if (pivot == j) pivot = i;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSort(L, j);
        L = i;
    }
}

bool TMTIndexVz::IntSearch(const Variant& Value, Int64& Key) const { return FIntKeysValid && IntKeyOf(Value, Key); }

bool TMTIndexVz::FindKeyValueIndex(const Variant& Value, int& Index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    Int64 key = 0;
    if (IntSearch(Value, key)) {
        // The same probes as below, over the numbers.
        const TIntKeyVz* keys = FIntKeys.data();
        while (hi >= lo) {
            const int mid = (lo + hi) / 2;
            if (keys[mid].Key < key) {
                lo = mid + 1;
            } else {
                hi = mid - 1;
                if (keys[mid].Key == key) {
                    lo = mid;
                    found = true;
                }
            }
        }
        Index = lo;
        return found;
    }
    while (hi >= lo) {
        const int mid = (lo + hi) / 2;
        const TVariantRelationship c = CompareKeysVz(FEntries[static_cast<size_t>(mid)].Value, Value);
        if (c == vrNotEqual) throw Exception(QString::fromLatin1(SValuesNotComparable));
        if (c == vrLessThan) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == vrEqual) {
                lo = mid;
                found = true;
            }
        }
    }
    Index = lo;
    return found;
}

bool TMTIndexVz::FindRecordIndexByKey(const Variant& Value, int& Index) const {
    const bool found = FindKeyValueIndex(Value, Index);
    if (found) Index = FEntries[static_cast<size_t>(Index)].RecIndex;
    return found;
}

void TMTIndexVz::FillMatchedKeyList(const Variant& Value, TList* List) const {
    int pos = 0;
    if (!FindKeyValueIndex(Value, pos)) return;
    for (int i = pos - 1; i >= 0 && KeyEquals(i, Value); --i) List->Add(Items(i));
    for (int i = pos; i < Count() && KeyEquals(i, Value); ++i) List->Add(Items(i));
}

bool TMTIndexVz::KeyEquals(int Index, const Variant& Value) const {
    Int64 key = 0;
    if (IntSearch(Value, key)) return FIntKeys[static_cast<size_t>(Index)].Key == key;
    return CompareKeysVz(FEntries[static_cast<size_t>(Index)].Value, Value) == vrEqual;
}

void TMTIndexVz::FillMatchedRecsList(const Variant& Value, TList* List) const {
    ForEachMatchedRec(Value, [&](TMemoryRecordVz* Rec) { List->Add(Rec); });
}

void TMTIndexVz::UniqueKeyViolation(const Variant& Key) const {
    DatabaseError(u"Unique key violation \r\n FieldNames: "_S + FFields + u"\r\n Value: \""_S + VarArrayToStrVz(Key) +
                  u"\""_S);
}

void TMTIndexVz::CheckUnical() const {
    for (int i = 0; i + 1 < Count(); ++i) {
        const Variant& key = FEntries[static_cast<size_t>(i)].Value;
        if (FIntKeysValid ? FIntKeys[static_cast<size_t>(i)].Key == FIntKeys[static_cast<size_t>(i) + 1].Key
                          : !VarIsNull(key) && CompareKeysVz(key, FEntries[static_cast<size_t>(i) + 1].Value) == vrEqual)
            UniqueKeyViolation(key);
    }
}

bool TMTIndexVz::FindRecordEntry(const Variant& Key, int RecIndex, int& Index) const {
    int pos = 0;
    if (VarIsEmpty(Key) || !FindKeyValueIndex(Key, pos)) return false;
    // With duplicate keys the search lands on any equal entry: look for the record's own.
    for (int i = pos; i >= 0 && KeyEquals(i, Key); --i)
        if (FEntries[static_cast<size_t>(i)].RecIndex == RecIndex) {
            Index = i;
            return true;
        }
    for (int i = pos + 1; i < Count() && KeyEquals(i, Key); ++i)
        if (FEntries[static_cast<size_t>(i)].RecIndex == RecIndex) {
            Index = i;
            return true;
        }
    return false;
}

bool TMTIndexVz::KeyHeldByOther(const Variant& Key, int RecIndex) const {
    // Null keys may repeat in a unique index.
    if (VarIsNull(Key)) return false;
    int pos = 0;
    if (!FindKeyValueIndex(Key, pos)) return false;
    for (int i = pos; i >= 0 && KeyEquals(i, Key); --i)
        if (FEntries[static_cast<size_t>(i)].RecIndex != RecIndex) return true;
    for (int i = pos + 1; i < Count() && KeyEquals(i, Key); ++i)
        if (FEntries[static_cast<size_t>(i)].RecIndex != RecIndex) return true;
    return false;
}

void TMTIndexVz::ShiftRecIndexes(int From, int Delta) {
    for (TIndexItemVz& e : FEntries)
        if (e.RecIndex >= From) e.RecIndex += Delta;
    for (TIntKeyVz& e : FIntKeys)
        if (e.RecIndex >= From) e.RecIndex += Delta;
}

void TMTIndexVz::InsertEntry(int Index, TIndexItemVz Entry) {
    if (Index < 0 || Index > Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    Int64 key = 0;
    if (FIntKeysValid) {
        if (IntKeyOf(Entry.Value, key)) {
            FIntKeys.insert(FIntKeys.begin() + Index, TIntKeyVz{key, Entry.RecIndex});
        } else {
            FIntKeysValid = false;
            std::vector<TIntKeyVz>().swap(FIntKeys);
        }
    }
    FEntries.insert(FEntries.begin() + Index, std::move(Entry));
}

void TMTIndexVz::EraseEntry(int Index) {
    FEntries.erase(FEntries.begin() + Index);
    if (FIntKeysValid) FIntKeys.erase(FIntKeys.begin() + Index);
}

void TMTIndexVz::MoveEntry(int From, int To) {
    if (From == To) return;
    auto move = [&](auto& V) {
        if (From < To) std::rotate(V.begin() + From, V.begin() + From + 1, V.begin() + To + 1);
        else std::rotate(V.begin() + To, V.begin() + From, V.begin() + From + 1);
    };
    move(FEntries);
    if (FIntKeysValid) move(FIntKeys);
}

void TMTIndexVz::SetEntryKey(int Index, const Variant& Key) {
    FEntries[static_cast<size_t>(Index)].Value = Key;
    Int64 k = 0;
    if (!FIntKeysValid) return;
    if (IntKeyOf(Key, k)) {
        FIntKeys[static_cast<size_t>(Index)].Key = k;
    } else {
        FIntKeysValid = false;
        std::vector<TIntKeyVz>().swap(FIntKeys);
    }
}

void TMTIndexVz::ExchangeEntries(int A, int B) {
    std::swap(FEntries[static_cast<size_t>(A)], FEntries[static_cast<size_t>(B)]);
    if (FIntKeysValid) std::swap(FIntKeys[static_cast<size_t>(A)], FIntKeys[static_cast<size_t>(B)]);
}

void TMTIndexVz::Notify(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    if (!Maintained()) return;
    switch (Action) {
        case rlnRecAddingVz:
            if (MustBeUnique()) {
                const Variant key = RecordKey(MemRec, dvvValueVz);
                if (KeyHeldByOther(key, -1)) UniqueKeyViolation(key);
            }
            break;
        case rlnRecAddedVz: {
            Variant key = RecordKey(MemRec, dvvValueVz);
            int pos = 0;
            FindKeyValueIndex(key, pos);
            // Every entry at or after the new position moves down, however many entries the
            // index holds (records flagged deleted have none).
            ShiftRecIndexes(Index, 1);
            InsertEntry(pos, TIndexItemVz(std::move(key), Index));
            break;
        }
        case rlnRecChangingVz:
            FOldValue = RecordKey(MemRec, dvvCurValueVz);
            if (MustBeUnique()) {
                const Variant key = RecordKey(MemRec, dvvValueVz);
                int own = 0;
                // A record without an entry (flagged deleted, being reverted) is checked even
                // when its key stays the same.
                const bool check = !VarEqualsVz(key, FOldValue) || !FindRecordEntry(FOldValue, MemRec->Index(), own);
                if (check && KeyHeldByOther(key, MemRec->Index())) UniqueKeyViolation(key);
            }
            break;
        case rlnRecChangedVz: {
            Variant key = RecordKey(MemRec, dvvValueVz);
            int o = 0, n = 0;
            // A change that came without a changing notice (a refresh edit) left no old key:
            // the record's entry is then looked up by its position.
            bool found = FindRecordEntry(FOldValue, MemRec->Index(), o);
            for (int i = 0; !found && i < Count(); ++i)
                if (FEntries[static_cast<size_t>(i)].RecIndex == MemRec->Index()) {
                    o = i;
                    found = true;
                }
            FOldValue = Variant();
            if (!found) {
                // No entry: a record flagged deleted. Once reverted it is indexed again.
                if (MemRec->UpdateStatus() != usDeleted) {
                    FindKeyValueIndex(key, n);
                    InsertEntry(n, TIndexItemVz(std::move(key), MemRec->Index()));
                }
                break;
            }
            // The insertion place is found while the entry still holds its old key.
            FindKeyValueIndex(key, n);
            SetEntryKey(o, key);
            if (o < n) --n;
            MoveEntry(o, n);
            break;
        }
        case rlnRecDeletedVz: {
            int o = 0;
            if (FindRecordEntry(RecordKey(MemRec, dvvValueVz), Index, o)) EraseEntry(o);
            ShiftRecIndexes(Index, -1);
            break;
        }
        case rlnRecMarkedForDelVz: {
            int o = 0;
            if (FindRecordEntry(RecordKey(MemRec, dvvValueVz), Index, o)) EraseEntry(o);
            break;
        }
        case rlnListChangedVz:
            RebuildIndex();
            break;
        default:
            break;
    }
}

void TMTIndexVz::NotifyRecordMoved(TMemoryRecordVz* /*Item*/, int OldIndex, int NewIndex) {
    if (OldIndex == NewIndex) return;
    auto follow = [&](int& r) {
        if (r == OldIndex) r = NewIndex;
        else if (NewIndex < OldIndex && r >= NewIndex && r < OldIndex) ++r;
        else if (NewIndex > OldIndex && r > OldIndex && r <= NewIndex) --r;
    };
    for (TIndexItemVz& e : FEntries) follow(e.RecIndex);
    for (TIntKeyVz& e : FIntKeys) follow(e.RecIndex);
}

// ---- TMTIndexesVz -------------------------------------------------------------------------------

TMTIndexesVz::TMTIndexesVz(TRecordsListVz* ARecList) : TCollection(TMTIndexVz::StaticClass()), FRecList(ARecList) {}

TMTIndexVz* TMTIndexesVz::GetIndexForFields(const String& Fields) const {
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(Items(i)->Fields(), Fields)) return Items(i);
    return nullptr;
}

void TMTIndexesVz::UpdateIndexes() { Notify(nullptr, -1, rlnListChangedVz); }

void TMTIndexesVz::ClearIndexes() {
    for (int i = 0; i < Count(); ++i) Items(i)->ClearIndex();
}

void TMTIndexesVz::Notify(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    for (int i = 0; i < Count(); ++i) Items(i)->Notify(MemRec, Index, Action);
}

void TMTIndexesVz::NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) {
    for (int i = 0; i < Count(); ++i) Items(i)->NotifyRecordMoved(Item, OldIndex, NewIndex);
}
