// The records view of the in-memory dataset: a receiver attached to the record store that keeps
// one view item per stored record and, from them, the filtered list in view order (records whose
// update status passes StatusFilter and that the dataset's filter accepts, sorted by SortOrder or
// in storage order). The store's notifications keep it in step record by record; every change of
// the visible rows goes on to the dataset as a view event.
#pragma once

#include "grid/memtable/memtabledatavz.h"
#include "grid/memtable/mtexprparservz.h"
#include "platform/rtl/blocklistvz.h"
#include "grid/core/orderbyvz.h"

#include <QHash>
#include <QSet>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class TRecordsViewVz;
class TMemRecViewVz;

using TRecordsViewFilterEventVz = TEvent<bool(TMemoryRecordVz* Rec, TMemRecViewVz* Node)>;
// Tests Count stored records (none nil) at once, as OnFilterRecord would one by one: Passes[i]
// becomes 1 for each record the filter takes, 0 for the others. With Count 0 it only tells
// whether it can (rtTestedVz) or what it would answer.
using TRecordsViewFilterRecordsEventVz =
    TEvent<TRecordsTestVz(TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes)>;
// Answers a smaller list of candidate view items, or nullptr for all of them (the list stays the
// caller's).
using TGetPrefilteredListEventVz = TEvent<TObjectList*()>;
using TRecordsListCalcLookupBufferEventVz = TEvent<void(TMemoryRecordVz* Item, TMemRecViewVz* RecView)>;

// The items of a view live in chunks of 2^kViewItemChunkBitsVz slots, each chunk aligned to its
// size; the first slot of a chunk holds the view, so an item finds its view from its own address.
inline constexpr unsigned kViewItemChunkBitsVz = 8;
inline constexpr std::size_t kViewItemBytesVz = 32;
inline constexpr std::size_t kViewItemChunkBytesVz = kViewItemBytesVz << kViewItemChunkBitsVz;

// One view item: the record and the block of the rows that holds it (a row is then found in
// O(log n)). The block of the view's sorted list that holds an item is kept by the view, and only
// while the view keeps a sorted list of its own. The tree-mode fields and the lookup buffer sit in
// a side block made only in tree mode or when a lookup buffer is filled, so a plain item is four
// words. Items live in their view's slots and are made and dropped by the view alone; an item's
// number is its slot.
class TMemRecViewVz : public TObject {
    SDELKA_CLASS(TMemRecViewVz, TObject)
public:
    TMemoryRecordVz* Rec() const { return FRec; }
    // The view whose lists hold the item (nullptr when it is in neither).
    TRecordsViewVz* RecordsView() const;
    // The item's number in its view (a bookmark keeps it; see TRecordsViewVz::ItemById).
    unsigned Id() const { return FId; }
    // The place in the view's sorted list (-1 when not in it): a search in the item's block.
    int InSortedListIndex() const;
    // The place when it is known without a search: never, places are searched for on demand
    // (a caller keeping hints asks InSortedListIndex when it needs one).
    int KnownSortedListIndex() const { return -1; }
    TRecDataValues& LookupBuffer() { return Extra().LookupBuffer; }
    void SetLookupBufferLength(int NewLength) { Extra().LookupBuffer.resize(static_cast<size_t>(NewLength)); }

    // ---- tree mode (the view's tree of records, see TRecordsViewVz::ViewAsTreeList) ----
    TMemRecViewVz* NodeParent() const;
    const std::vector<TMemRecViewVz*>& NodeItems() const;
    int NodesCount() const;
    // Top nodes are on level 1.
    int NodeLevel() const;
    bool NodeExpanded() const;
    bool NodeVisible() const;
    bool NodeHasVisibleChildren() const;
    int VisibleNodesCount() const;
    // The next / prior visible node with the same parent, or nullptr.
    TMemRecViewVz* NextVisibleSibling() const;
    TMemRecViewVz* PriorVisibleSibling() const;

    // Only the view makes and drops items, in its own slots.
    void Free() = delete;

private:
    friend class TRecordsViewVz;
    friend struct TViewSlotTrackerVz;
    friend struct TSortedSlotTrackerVz;
    explicit TMemRecViewVz(unsigned AId) : FId(AId) {}
    // The view whose chunk holds the item.
    TRecordsViewVz* View() const {
        return *reinterpret_cast<TRecordsViewVz* const*>(reinterpret_cast<std::uintptr_t>(this) &
                                                         ~static_cast<std::uintptr_t>(kViewItemChunkBytesVz - 1));
    }
    ~TMemRecViewVz() override = default;
    static void* operator new(std::size_t, void* Where) noexcept { return Where; }
    static void operator delete(void*, void*) noexcept {}
    static void operator delete(void*) noexcept {}
    struct TExtra {
        TMemRecViewVz* NodeParent = nullptr;
        std::vector<TMemRecViewVz*> NodeItems;
        int NodeIndex = -1;
        int NodeLevel = 0;
        bool NodeExpanded = false;
        bool NodeVisible = false;
        TRecDataValues LookupBuffer;
    };
    // The side block (kept by the view under the item's number), nullptr when there is none;
    // Extra makes it.
    const TExtra* Ext() const;
    TExtra& Extra();
    // The small fields fit beside the base's flag.
    bool FMark : 1 = false;             // scratch for walks over both lists
    bool FHasExtra : 1 = false;         // the view keeps a side block for the item
    unsigned char FViewSlot = 0;        // the slot of FViewBlock it was last put in (a hint)
    unsigned char FSortedSlot = 0;      // the same in the block of the sorted list
    unsigned FId = 0;                   // the item's slot in its view (never 0)
    TMemoryRecordVz* FRec = nullptr;    // nullptr while the slot is free
    TBlockVz* FViewBlock = nullptr;    // the block of the rows that holds the item, if any
};

// The blocks of the view's lists tell their items where they are.
struct TViewSlotTrackerVz {
    static constexpr bool Tracks = true;
    static void Placed(TMemRecViewVz* Item, TBlockVz* Block) { Item->FViewBlock = Block; }
    static TBlockVz* Block(const TMemRecViewVz* Item) { return Item->FViewBlock; }
    static void PlacedSlot(TMemRecViewVz* Item, int Slot) { Item->FViewSlot = static_cast<unsigned char>(Slot); }
    static int SlotHint(const TMemRecViewVz* Item) { return Item->FViewSlot; }
};
// The sorted list's blocks are kept by the view, by item number.
struct TSortedSlotTrackerVz {
    static constexpr bool Tracks = true;
    static void Placed(TMemRecViewVz* Item, TBlockVz* Block);
    static TBlockVz* Block(const TMemRecViewVz* Item);
    static void PlacedSlot(TMemRecViewVz* Item, int Slot) { Item->FSortedSlot = static_cast<unsigned char>(Slot); }
    static int SlotHint(const TMemRecViewVz* Item) { return Item->FSortedSlot; }
};
// A list of the view's items that knows its view (a block's owner is the list: an item finds its
// view through the blocks that hold it).
template <class Tracker>
struct TViewItemListVz : TBlockListVz<TMemRecViewVz, Tracker> {
    explicit TViewItemListVz(TRecordsViewVz* AView) : View(AView) {}
    TRecordsViewVz* const View;
    // The list that owns a block, or nullptr for a spare block.
    static const TViewItemListVz* OfBlock(const TBlockVz* Block) {
        return Block && Block->Owner
                   ? static_cast<const TViewItemListVz*>(static_cast<const TBlockListVz<TMemRecViewVz, Tracker>*>(Block->Owner))
                   : nullptr;
    }
};
using TViewRowsListVz = TViewItemListVz<TViewSlotTrackerVz>;
using TViewSortedListVz = TViewItemListVz<TSortedSlotTrackerVz>;

// The view's sort list: names resolve in the store's structure.
// ftString, ftMemo, ftFmtMemo, ftFixedChar, ftWideString, ftOraClob and the other text kinds:
// the only sort parts that compare without case when asked to.
bool IsTextSortTypeVz(TFieldType T);

class TRecordsViewOrderByList : public TOrderByList {
    SDELKA_CLASS(TRecordsViewOrderByList, TOrderByList)
protected:
    explicit TRecordsViewOrderByList(TRecordsViewVz* ARecordsView) : TOrderByList(true), FRecordsView(ARecordsView) {}
    ~TRecordsViewOrderByList() override = default;

protected:
    // A stored field, else a field of the view's dataset (calculated and lookup fields sort
    // too: their values come from OnGetSortValue). An item gets the stored field's index
    // (MTFieldIndex, -1 for a dataset-only field), the dataset field's index (FieldIndex) and the
    // data type; it compares texts without case only for a text type.
    int FindFieldIndex(const String& FieldName) override;
    void SetItemFieldIndex(TOrderByItemVz* Item, int FieldIndex) override;

private:
    TRecordsViewVz* FRecordsView;
};

class TRecordsViewVz : public TRecordsListNotificatorVz {
    SDELKA_CLASS(TRecordsViewVz, TRecordsListNotificatorVz)
protected:
    explicit TRecordsViewVz(TDataSet* ADataSet);
    ~TRecordsViewVz() override;

public:
    void BeforeDestruction() override;

    TDataSet* DataSet() const { return FDataSet; }
    // The aggregates of the view, recalculated before every change the view reports.
    TMTAggregatesVz* Aggregates() const { return FAggregates.get(); }
    TMemTableDataVz* MemTableData() const { return dynamic_cast<TMemTableDataVz*>(DataObject()); }
    void SetMemTableData(TMemTableDataVz* Value) { SetDataObject(Value); }

    bool CatchChanged() const { return FCatchChanged; }
    void SetCatchChanged(bool Value) { FCatchChanged = Value; }
    bool FilterAborted() const { return FFilterAborted; }
    void SetFilterAborted(bool Value) { FFilterAborted = Value; }
    // Sorted-list places are found on demand: never out of date.
    bool SortedListIndexesObsolete() const { return false; }
    const String& SortOrder() const { return FSortOrder; }
    void SetSortOrder(const String& Value);
    bool SortOrderCaseInsensitive() const { return FSortOrderCaseInsensitive; }
    void SetSortOrderCaseInsensitive(bool Value);
    TRecordsViewOrderByList* OrderByList() const { return FOrderByList.get(); }
    TUpdateStatusSet StatusFilter() const { return FStatusFilter; }
    void SetStatusFilter(TUpdateStatusSet Value);
    const String& TreeViewKeyFieldName() const { return FTreeViewKeyFieldName; }
    void SetTreeViewKeyFieldName(const String& Value);
    const TIntArrayVz& TreeViewKeyFields() const { return FTreeViewKeyFields; }
    const String& TreeViewRefParentFieldName() const { return FTreeViewRefParentFieldName; }
    void SetTreeViewRefParentFieldName(const String& Value);
    const TIntArrayVz& TreeViewRefParentFields() const { return FTreeViewRefParentFields; }

    TCompareRecords OnCompareRecords;
    TRecordsViewFilterEventVz OnFilterRecord;
    // The same filter over many records at once (a whole pass asks it first).
    TRecordsViewFilterRecordsEventVz OnFilterRecords;
    TGetPrefilteredListEventVz OnGetPrefilteredList;
    TRecordsListNotificatorDataEventVz OnViewDataEvent;
    TRecordsListRecordMovedEventVz OnViewRecordMovedEvent;
    TRecordsListCalcLookupBufferEventVz OnCalcLookupBuffer;
    // The value of a sort item whose field is not stored (a calculated or lookup field of the
    // dataset) for a record.
    TEvent<Variant(TMemoryRecordVz* Rec, const TOrderByItemVz* Item)> OnGetSortValue;

    // ---- positions ----
    int Count() const { return FMemoryViewList.Count(); }
    int ViewItemsCount() const { return Count(); }
    int AccountableItemsCount() const { return Count(); }
    TMemoryRecordVz* GetRec(int Index) const { return GetRecordView(Index)->Rec(); }
    TMemoryRecordVz* GetViewRecord(int Index) const { return GetRec(Index); }
    TMemRecViewVz* GetRecordView(int Index) const { return FMemoryViewList.Items(Index); }
    TMemoryRecordVz* GetAccountableRecord(int Index) const { return GetRec(Index); }
    // The view position of a record, -1 when it is not shown. A hint given by SetIndexHint is
    // tried first.
    int IndexOfRec(TMemoryRecordVz* Rec) const;
    // The same for a record known to be alive (a stored record, one a notification or an index
    // names): its item is found through the word the view keeps in it.
    int IndexOfLiveRec(TMemoryRecordVz* Rec) const;
    // The same for the record at StoreIndex of List (an index names records so): a view in
    // storage order that shows them all has it at that row (checked).
    int IndexOfStoredRec(const TRecordsListVz* List, int StoreIndex) const;
    // The item of a live record, or nullptr.
    TMemRecViewVz* ItemOfLiveRec(TMemoryRecordVz* Rec) const;
    // An item by its number (a bookmark keeps it), checked against the record it should hold:
    // nullptr when that item is gone or holds another record. Rec is only compared, never read.
    TMemRecViewVz* ItemById(unsigned Id, const TMemoryRecordVz* Rec) const {
        if (!IsItemId(Id) || Id >= FItemSlots || !Rec) return nullptr;
        TMemRecViewVz* item = ItemSlot(Id);
        return item->FRec == Rec ? item : nullptr;
    }
    // The row of an item (-1 when not shown).
    int IndexOfItem(const TMemRecViewVz* Item) const { return FMemoryViewList.IndexOf(Item); }
    // The same, trying the row Hint first.
    int IndexOfItem(const TMemRecViewVz* Item, int Hint) const { return FMemoryViewList.IndexOfNear(Item, Hint); }
    // Where a record is believed to be (the next IndexOfRec of it checks there first).
    void SetIndexHint(TMemoryRecordVz* Rec, int Index) const {
        FHintRec = Rec;
        FHintIndex = Index;
    }
    TMemRecViewVz* GetSortedListItem(int Index) const;
    int SortedListItemCount() const { return FSortedIsStore ? FStoreItems : FSorderViewList.Count(); }
    int IndexOfSortedListRec(TMemoryRecordVz* Rec) const;
    int SortedIndexOfLiveRec(TMemoryRecordVz* Rec) const;
    void UpdateSortedListIndexes() {}
    // The record comparison is the standard rule (Null first, texts by the locale, ties by storage
    // position): whole lists are then sorted by keys made once per record.
    void SetStandardCompare(bool Value) { FStandardCompare = Value; }

    // ---- editing through view positions ----
    TMemoryRecordVz* NewRecord();
    int AddRecord(TMemoryRecordVz* Rec);
    void InsertRecord(int Index, TMemoryRecordVz* Rec);
    void DeleteRecord(int Index);
    Variant GetValue(int RecNo, int ValNo) const;
    void SetValue(int RecNo, int ValNo, const Variant& Value);
    void SetRec(int Index, TMemoryRecordVz* Value);
    void RevertRecord(int Index);
    void RefreshRecord(int Index, TMemoryRecordVz* Rec);
    TRecDataValues GetOldRecVals(int Index) const;
    void MergeChangeLog();
    void CancelUpdates();

    // ---- tree mode ----
    // The records as a tree: a record's parent is the record whose TreeViewKeyFieldName values
    // equal its TreeViewRefParentFieldName values (top level when there is none, when it names
    // itself or when the reference would close a loop). Rows are then the visible nodes whose
    // ancestors are all expanded, depth first; siblings keep storage order, or the sort order.
    // A node is visible when its record passes the filter or a descendant does (with
    // FilterNodeIfParentVisible False, also when an ancestor passes).
    bool ViewAsTreeList() const { return FViewAsTreeList; }
    void SetViewAsTreeList(bool Value);
    bool DefaultNodeExpanded() const { return FDefaultNodeExpanded; }
    void SetDefaultNodeExpanded(bool Value);
    bool DefaultNodeHasChildren() const { return FDefaultNodeHasChildren; }
    void SetDefaultNodeHasChildren(bool Value) { FDefaultNodeHasChildren = Value; }
    bool FilterNodeIfParentVisible() const { return FFilterNodeIfParentVisible; }
    void SetFilterNodeIfParentVisible(bool Value);
    bool FullBuildCheck() const { return FFullBuildCheck; }
    void SetFullBuildCheck(bool Value) { FFullBuildCheck = Value; }
    // Expands or collapses a node; False when OnTreeNodeExpanding refused. The rows follow.
    bool SetNodeExpanded(TMemRecViewVz* Node, bool Value);
    void FullExpand();
    void FullCollapse();
    // Every node, depth first, expanded or not; the visible ones (accountable rows).
    const std::vector<TMemRecViewVz*>& TreeFlatItems() const { return FTreeFlat; }
    const std::vector<TMemRecViewVz*>& TreeVisibleItems() const { return FTreeVisible; }
    const std::vector<TMemRecViewVz*>& TreeTopNodes() const { return FTreeTop; }
    // True when giving Rec the parent reference NewRefValue (Empty: its own) would make it its
    // own ancestor.
    bool CheckReferenceLoop(TMemoryRecordVz* Rec, const Variant& NewRefValue) const;
    // Asked before a node expands (answer False to refuse) and told after.
    TEvent<bool(TMemRecViewVz* Node)> OnTreeNodeExpanding;
    TEvent<void(TMemRecViewVz* Node)> OnTreeNodeExpanded;

    // ---- refresh, sort, locks ----
    void RefreshFilteredRecsList(bool NotifyListChanged);
    void SortData(TObject* ParamSort, const TCompareRecords& Compare);
    void QuickSort(TObjectListVz& ViewList, int L, int R, TObject* ParamSort, const TCompareRecords& Compare);
    void LockCachedUpdates();
    void UnlockCachedUpdates();
    void InstantDisableFilter() { ++FDisableFilterCount; }
    void InstantEnableFilter() { if (FDisableFilterCount > 0) --FDisableFilterCount; }
    void UpdateAllLookupBuffer();
    Variant CalcAggrFieldFunc(const String& FieldName, const String& AggrFuncName) const;

    virtual bool RecordPassesFilter(TMemoryRecordVz* Rec, TMemRecViewVz* Node);
    bool RegisterNotificator(TRecordsListNotificatorVz* Receiver) override;
    void UnregisterNotificator(TRecordsListNotificatorVz* Receiver) override;
    virtual void DoViewDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    virtual void DoViewRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);
    virtual void SortChanged();
    virtual void SortFlatList();
    virtual void UpdateFields();

    void DoDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) override;
    void DoRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) override;
    void DoStructChanged(TMemTableDataVz* AMemTableData) override;

private:
    friend class TMemRecViewVz;
    int CompareRecs(TMemoryRecordVz* Rec1, TMemoryRecordVz* Rec2) const;
    // The place of a record in the filtered list (binary search, Hint tried first).
    int FindFilteredPos(TMemoryRecordVz* Rec, int Hint) const;
    // The place of a record in the sorted list (binary search by the comparison).
    int FindSortedPos(TMemoryRecordVz* Rec) const;
    // Moves an item of the sorted list to where its record now sorts.
    void KeepSortedPlace(TMemRecViewVz* Item);
    void CalcLookupBuffer(TMemRecViewVz* Item);
    // The stored records tested against the view's filters in storage order: Passes[i] for the
    // record at i (0 for a nil slot); a pass stopped by FilterAborted leaves the rest 0. Where
    // ById is given it also gets, by the number a record keeps for its item, the record and its
    // answer (a reader checks the record). Answers how many passed.
    struct TTestedByIdVz {
        std::vector<const TMemoryRecordVz*> Recs;
        std::vector<unsigned char> Passes;
    };
    int TestStoredRecords(TRecordsListVz* List, unsigned char* Passes, TTestedByIdVz* ById);
    void FreeSortedItems();
    // Before the items are made again in storage order: marks the items of stored records
    // (FMark) and frees the others. False when the list has nil slots (every item then went).
    bool KeepItemsOfStoredRecords(TRecordsListVz* List);
    // The rows of a view in storage order in one walk over the records: each record's item is
    // found (or, with Remake, kept or made, and the records list becomes the sorted list), tested
    // and placed. False (and no items) when a list with nil slots was found instead.
    bool FillStoreOrderRows(TMemTableDataVz* Store, TRecordsListVz* List, bool Remake);
    TMemoryRecordVz* ViewRec(int Index) const;

    bool FCachedUpdates = true;
    int FCachedUpdatesLockCount = 0;
    bool FCatchChanged = false;
    bool FFilterAborted = false;
    TViewRowsListVz FMemoryViewList{this};  // the rows
    TOwned<TObjectListVz> FNotificators = NewOwned<TObjectListVz>();
    TOwned<TRecordsViewOrderByList> FOrderByList;
    TViewSortedListVz FSorderViewList{this};  // every item, in the sort order (or storage order)
    // In storage order the records list is the sorted list: FSorderViewList stays empty, and
    // every item with a record is held in storage order.
    bool FSortedIsStore = false;
    int FStoreItems = 0;  // items made for stored records while FSortedIsStore
    // The block of FSorderViewList that an item was last put in, by item number (empty while the
    // records list is the sorted list). A block that no longer holds the item reads as "not in it".
    friend struct TSortedSlotTrackerVz;
    std::vector<TBlockVz*> FSortedBlocks;
    TBlockVz* SortedBlockOf(const TMemRecViewVz* Item) const {
        return Item->FId < FSortedBlocks.size() ? FSortedBlocks[Item->FId] : nullptr;
    }
    void DropSortedBlocks() { std::vector<TBlockVz*>().swap(FSortedBlocks); }
    String FSortOrder;
    bool FSortOrderCaseInsensitive = false;
    TUpdateStatusSet FStatusFilter{usUnmodified, usModified, usInserted};
    String FTreeViewKeyFieldName;
    TIntArrayVz FTreeViewKeyFields;
    String FTreeViewRefParentFieldName;
    TIntArrayVz FTreeViewRefParentFields;
    TDataSet* FDataSet = nullptr;
    TOwned<TMTAggregatesVz> FAggregates;
    int FDisableFilterCount = 0;
    // Keeping the lists: every change goes through these, which keep the item map. Both lists are
    // block lists whose items know their block: a change and a position lookup cost O(log n).
    void ViewInsert(int Index, TMemRecViewVz* Item);
    void ViewAdd(TMemRecViewVz* Item);
    void ViewDelete(int Index);
    void ViewClear();
    void SortedInsert(int Index, TMemRecViewVz* Item);
    void SortedAdd(TMemRecViewVz* Item);
    void SortedDelete(int Index);
    // Sorts items by the order-by list with sort keys made once per item (texts through collation
    // keys), ties by storage position: the same order as the standard record comparison.
    void KeyedSort(std::vector<TMemRecViewVz*>& Items) const;
    void SortSortedList();
    // The sorted list as a list of its own (the records list's order is copied into it).
    // The records list of the store the view shows, or nullptr.
    TRecordsListVz* StoreList() const;
    void MaterializeSorted();
    // The place of an item held in storage order (-1 when its record is not stored).
    int StoreOrderIndex(const TMemRecViewVz* Item) const;
    bool InStoreOrder(const TMemRecViewVz* Item) const { return FSortedIsStore && Item->FRec; }
    std::vector<TMemRecViewVz*> SortedItems() const;
    void RebuildTree();
    String TreeKeyText(TMemoryRecordVz* Rec, const TIntArrayVz& Fields) const;
    bool FViewAsTreeList = false;
    bool FDefaultNodeExpanded = false;
    bool FDefaultNodeHasChildren = false;
    bool FFilterNodeIfParentVisible = true;
    bool FFullBuildCheck = true;
    std::vector<TMemRecViewVz*> FTreeTop;
    std::vector<TMemRecViewVz*> FTreeFlat;
    std::vector<TMemRecViewVz*> FTreeVisible;
    // Records whose node is not in the default expansion state.
    QSet<TMemoryRecordVz*> FToggledNodes;
    // The items live in chunks of slots that stay put while the view lives, so an item's number
    // is its slot and a stale item pointer still points at an item (one whose record differs).
    // Slot 0 is never used; freed slots are used again first. A record's word and a bookmark name
    // an item by its number, and are checked against the item's record.
    // The first slot of each chunk holds the view instead (no item has a number of it). Chunks are
    // allocated a group at a time (the groups grow), each group aligned to the chunk size.
    static constexpr unsigned kItemChunkBits = kViewItemChunkBitsVz;
    static constexpr unsigned kItemChunkMask = (1u << kItemChunkBits) - 1;
    static bool IsItemId(unsigned Id) { return (Id & kItemChunkMask) != 0; }
    std::vector<std::byte*> FItemChunks;
    std::vector<std::byte*> FItemGroups;   // the allocations
    std::vector<std::byte*> FSpareChunks;  // chunks allocated and not yet in use, the next last
    void AddItemChunk();
    void AddItemGroup(size_t Chunks);
    // Makes room for Count more items at once (one allocation for a whole load).
    void ReserveItems(size_t Count);
    unsigned FItemSlots = 1;  // slots holding a made item (free or in use), headers included
    unsigned FItemsUsed = 1;  // slots below this were handed out since all items last went
    std::vector<unsigned> FFreeIds;
    TMemRecViewVz* ItemSlot(unsigned Id) const {
        return reinterpret_cast<TMemRecViewVz*>(FItemChunks[Id >> kItemChunkBits] +
                                                (Id & kItemChunkMask) * sizeof(TMemRecViewVz));
    }
    // The store's records carry this view's item numbers (the first view over a store claims
    // them); a view that does not keeps its items in FItems instead.
    bool OwnsViewTags(TMemTableDataVz* Store) const;
    QHash<TMemoryRecordVz*, TMemRecViewVz*> FItems;
    // An item for Rec in a free slot; OwnsTags: OwnsViewTags, decided once by a caller making many.
    TMemRecViewVz* NewItem(TMemoryRecordVz* Rec, bool OwnsTags) {
        // The common case, a slot never used before in a chunk there is, is made here.
        const unsigned id = FItemSlots;
        if (OwnsTags && Rec && FFreeIds.empty() && FItemsUsed == id && IsItemId(id) &&
            (id >> kItemChunkBits) < FItemChunks.size()) {
            TMemRecViewVz* item = new (ItemSlot(id)) TMemRecViewVz(id);
            FItemSlots = FItemsUsed = id + 1;
            item->FRec = Rec;
            Rec->SetViewTag(id);
            return item;
        }
        return NewItemSlow(Rec, OwnsTags);
    }
    TMemRecViewVz* NewItemSlow(TMemoryRecordVz* Rec, bool OwnsTags);
    TMemRecViewVz* NewItem(TMemoryRecordVz* Rec) { return NewItem(Rec, OwnsViewTags(MemTableData())); }
    void FreeItem(TMemRecViewVz* Item);
    void DestroyItemSlots();
    // Made, when given, receives the items in storage order when the records list becomes the
    // sorted list.
    void RemakeItems(TMemTableDataVz* Store, TRecordsListVz* List, std::vector<TMemRecViewVz*>* Made = nullptr);
    // The items' side blocks by item number (made with the first one).
    std::vector<std::unique_ptr<TMemRecViewVz::TExtra>> FExtras;
    TMemRecViewVz::TExtra& ExtraOf(TMemRecViewVz* Item);
    TMemRecViewVz::TExtra* Ext(const TMemRecViewVz* Item) const {
        return Item->FHasExtra ? FExtras[Item->FId].get() : nullptr;
    }
    void DropExtra(TMemRecViewVz* Item) {
        if (Item->FHasExtra) FExtras[Item->FId].reset();
        Item->FHasExtra = false;
    }
    bool FItemsStale = true;      // the items no longer mirror the store's records
    bool FSortedInOrder = false;  // the sorted list is in the view's current order
    bool FStandardCompare = false;
    mutable TMemoryRecordVz* FHintRec = nullptr;
    mutable int FHintIndex = -1;
};
