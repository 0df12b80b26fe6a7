#include "grid/memtable/recordsviewvz.h"

#include "platform/rtl/collation.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <unordered_map>

// ---- TMemRecViewVz ------------------------------------------------------------------------------

// One item per stored record: kept to four words, so that a chunk of them is a power of two.
static_assert(sizeof(TMemRecViewVz) == kViewItemBytesVz);
static_assert((kViewItemChunkBytesVz & (kViewItemChunkBytesVz - 1)) == 0);

TRecordsViewVz* TMemRecViewVz::RecordsView() const {
    TRecordsViewVz* v = View();
    if (v->InStoreOrder(this) || TViewSortedListVz::OfBlock(v->SortedBlockOf(this)) || TViewRowsListVz::OfBlock(FViewBlock))
        return v;
    return nullptr;
}

void TSortedSlotTrackerVz::Placed(TMemRecViewVz* Item, TBlockVz* Block) {
    std::vector<TBlockVz*>& blocks = Item->View()->FSortedBlocks;
    if (Item->FId >= blocks.size()) blocks.resize(std::max<size_t>(Item->View()->FItemSlots, Item->FId + 1));
    blocks[Item->FId] = Block;
}

TBlockVz* TSortedSlotTrackerVz::Block(const TMemRecViewVz* Item) { return Item->View()->SortedBlockOf(Item); }

const TMemRecViewVz::TExtra* TMemRecViewVz::Ext() const {
    if (!FHasExtra) return nullptr;
    const TRecordsViewVz* v = RecordsView();
    return v ? v->Ext(this) : nullptr;
}

TMemRecViewVz::TExtra& TMemRecViewVz::Extra() {
    TRecordsViewVz* v = RecordsView();
    if (!v) throw Exception("The view item is in no view");
    return v->ExtraOf(this);
}

TMemRecViewVz* TMemRecViewVz::NodeParent() const {
    const TExtra* e = Ext();
    return e ? e->NodeParent : nullptr;
}

int TMemRecViewVz::NodesCount() const {
    const TExtra* e = Ext();
    return e ? static_cast<int>(e->NodeItems.size()) : 0;
}

int TMemRecViewVz::NodeLevel() const {
    const TExtra* e = Ext();
    return e ? e->NodeLevel : 0;
}

bool TMemRecViewVz::NodeExpanded() const {
    const TExtra* e = Ext();
    return e && e->NodeExpanded;
}

bool TMemRecViewVz::NodeVisible() const {
    const TExtra* e = Ext();
    return e && e->NodeVisible;
}

int TMemRecViewVz::InSortedListIndex() const {
    const TRecordsViewVz* v = View();
    if (v->InStoreOrder(this)) return v->StoreOrderIndex(this);
    const TViewSortedListVz* l = TViewSortedListVz::OfBlock(v->SortedBlockOf(this));
    return l ? l->IndexOf(this) : -1;
}

const std::vector<TMemRecViewVz*>& TMemRecViewVz::NodeItems() const {
    static const std::vector<TMemRecViewVz*> none;
    const TExtra* e = Ext();
    return e ? e->NodeItems : none;
}

// ---- TRecordsViewOrderByList --------------------------------------------------------------------

namespace {
// FindFieldIndex answers a dataset-only field as this plus its index in the dataset.
constexpr int kDataSetFieldBaseVz = 1 << 24;
}  // namespace

bool IsTextSortTypeVz(TFieldType T) {
    switch (T) {
        case ftString: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftWideString: case ftOraClob:
        case ftFixedWideChar: case ftWideMemo:
            return true;
        default:
            return false;
    }
}

int TRecordsViewOrderByList::FindFieldIndex(const String& FieldName) {
    TMemTableDataVz* store = FRecordsView->MemTableData();
    const int i = store && store->DataStruct() ? store->DataStruct()->FieldIndex(FieldName) : -1;
    if (i >= 0) return i;
    if (TDataSet* ds = FRecordsView->DataSet())
        if (TField* f = ds->FindField(FieldName); f && f->FieldKind() != fkData && f->FieldKind() != fkAggregate)
            return kDataSetFieldBaseVz + f->Index();
    return -1;
}

void TRecordsViewOrderByList::SetItemFieldIndex(TOrderByItemVz* Item, int FieldIndex) {
    TDataSet* ds = FRecordsView->DataSet();
    if (FieldIndex >= kDataSetFieldBaseVz) {
        Item->MTFieldIndex = -1;
        Item->FieldIndex = FieldIndex - kDataSetFieldBaseVz;
        Item->DataType = ds->Fields()->Fields(Item->FieldIndex)->DataType();
        return;
    }
    Item->MTFieldIndex = FieldIndex;
    TMTDataFieldVz* df = FRecordsView->MemTableData()->DataStruct()->GetDataField(FieldIndex);
    Item->DataType = df->DataType();
    TField* f = ds ? ds->FindField(df->FieldName()) : nullptr;
    Item->FieldIndex = f ? f->Index() : -1;
}

// ---- TRecordsViewVz -----------------------------------------------------------------------------

TRecordsViewVz::TRecordsViewVz(TDataSet* ADataSet)
    : TRecordsListNotificatorVz(nullptr), FOrderByList(NewOwned<TRecordsViewOrderByList>(this)),
      FDataSet(ADataSet) {
    FAggregates = NewOwned<TMTAggregatesVz>(this);
}

TRecordsViewVz::~TRecordsViewVz() {
    FreeSortedItems();
    DestroyItemSlots();
}

void TRecordsViewVz::BeforeDestruction() {
    if (TMemTableDataVz* store = MemTableData()) store->ReleaseViewTags(this);
    SetDataObject(nullptr);
    while (FNotificators->Count() > 0)
        static_cast<TRecordsListNotificatorVz*>(FNotificators->Last())->SetDataObject(nullptr);
    ViewClear();
    FreeSortedItems();
    TRecordsListNotificatorVz::BeforeDestruction();
}

// Every item goes; the slots stay made and are handed out again from the first, so the items of
// a store rebuilt in the same order get the same numbers.
void TRecordsViewVz::FreeSortedItems() {
    FSorderViewList.Clear();
    DropSortedBlocks();
    FSortedIsStore = false;
    FStoreItems = 0;
    for (unsigned id = 1; id < FItemsUsed; ++id) {
        if (!IsItemId(id)) continue;
        TMemRecViewVz* item = ItemSlot(id);
        item->FRec = nullptr;
        item->FViewBlock = nullptr;
        item->FMark = false;
        DropExtra(item);
    }
    FItems.clear();
    FItemsUsed = 1;
    FFreeIds.clear();
}

void TRecordsViewVz::DestroyItemSlots() {
    for (unsigned id = 1; id < FItemSlots; ++id)
        if (IsItemId(id)) ItemSlot(id)->~TMemRecViewVz();
    for (std::byte* first : FItemGroups) ::operator delete(first, std::align_val_t(kViewItemChunkBytesVz));
    FItemGroups.clear();
    FItemChunks.clear();
    FSpareChunks.clear();
    FExtras.clear();
    DropSortedBlocks();
    FItemSlots = FItemsUsed = 1;
    FFreeIds.clear();
}

// A chunk's first slot names the view. Groups double up to 32 chunks (256 KB of items): few
// aligned allocations for a long view, little unused room for a short one.
void TRecordsViewVz::AddItemChunk() {
    if (FSpareChunks.empty()) AddItemGroup(std::min<size_t>(std::max<size_t>(FItemChunks.size(), 1), 32));
    std::byte* chunk = FSpareChunks.back();
    FSpareChunks.pop_back();
    std::memset(chunk, 0, kViewItemBytesVz);
    *reinterpret_cast<TRecordsViewVz**>(chunk) = this;
    FItemChunks.push_back(chunk);
}

void TRecordsViewVz::AddItemGroup(size_t Chunks) {
    auto* first = static_cast<std::byte*>(::operator new(Chunks * kViewItemChunkBytesVz, std::align_val_t(kViewItemChunkBytesVz)));
    FItemGroups.push_back(first);
    for (size_t i = Chunks; i-- > 0;) FSpareChunks.push_back(first + i * kViewItemChunkBytesVz);
}

void TRecordsViewVz::ReserveItems(size_t Count) {
    const size_t used = FItemsUsed + Count + Count / kItemChunkMask + 1;  // headers included
    const size_t chunks = (used + kItemChunkMask) >> kItemChunkBits;
    if (chunks > FItemChunks.size() + FSpareChunks.size()) AddItemGroup(chunks - FItemChunks.size() - FSpareChunks.size());
    while (FItemChunks.size() < chunks) AddItemChunk();
}

bool TRecordsViewVz::OwnsViewTags(TMemTableDataVz* Store) const { return Store && Store->ClaimViewTags(this); }

TMemRecViewVz* TRecordsViewVz::NewItemSlow(TMemoryRecordVz* Rec, bool OwnsTags) {
    TMemRecViewVz* item;
    if (!FFreeIds.empty()) {
        item = ItemSlot(FFreeIds.back());
        FFreeIds.pop_back();
    } else if (FItemsUsed < FItemSlots) {
        if (!IsItemId(FItemsUsed)) ++FItemsUsed;
        item = ItemSlot(FItemsUsed++);
    } else {
        unsigned id = FItemSlots;
        if (!IsItemId(id)) ++id;
        if ((id >> kItemChunkBits) >= FItemChunks.size()) AddItemChunk();
        item = new (ItemSlot(id)) TMemRecViewVz(id);
        FItemSlots = FItemsUsed = id + 1;
    }
    item->FRec = Rec;
    if (Rec) {
        if (OwnsTags) Rec->SetViewTag(item->FId);
        else FItems.insert(Rec, item);
    }
    return item;
}

void TRecordsViewVz::FreeItem(TMemRecViewVz* Item) {
    if (Item->FRec && !FItems.isEmpty()) {
        auto it = FItems.find(Item->FRec);
        if (it != FItems.end() && it.value() == Item) FItems.erase(it);
    }
    Item->FRec = nullptr;
    Item->FViewBlock = nullptr;
    if (Item->FId < FSortedBlocks.size()) FSortedBlocks[Item->FId] = nullptr;
    Item->FMark = false;
    DropExtra(Item);
    FFreeIds.push_back(Item->FId);
}

// A record that has its item keeps it, and so its number (bookmarks name items by it); the items
// of records no longer stored go, and new records get one. The sorted list takes storage order.
void TRecordsViewVz::RemakeItems(TMemTableDataVz* Store, TRecordsListVz* List, std::vector<TMemRecViewVz*>* Made) {
    FSorderViewList.Clear();
    DropSortedBlocks();
    FSortedIsStore = false;
    FStoreItems = 0;
    const int n = List ? List->Count() : 0;
    std::vector<TMemRecViewVz*> items(static_cast<size_t>(n));
    std::vector<TMemoryRecordVz*> recs;  // the stored records in order (walked once, block by block)
    recs.reserve(static_cast<size_t>(n));
    bool nils = false;
    if (List)
        List->ForEachRecAhead(1, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) {
            nils |= rec == nullptr;
            TMemRecViewVz* item = rec ? ItemOfLiveRec(rec) : nullptr;
            if (item && !item->FMark) {
                item->FMark = true;
                items[recs.size()] = item;
            }
            recs.push_back(rec);
        });
    if (nils) {
        // Records left as nil slots get items of their own: everything is made anew.
        for (TMemRecViewVz*& item : items) item = nullptr;
        FreeSortedItems();
    } else {
        for (unsigned id = 1; id < FItemsUsed; ++id) {
            if (!IsItemId(id)) continue;
            TMemRecViewVz* item = ItemSlot(id);
            if (item->FMark) {
                item->FMark = false;
                DropExtra(item);
            } else if (item->FRec) {
                FreeItem(item);
            }
        }
    }
    if (!List) return;
    const bool ownsTags = OwnsViewTags(Store);
    if (ownsTags) {
        FItems.clear();
    } else {
        FItems.reserve(n);
    }
    for (int i = 0; i < n; ++i) {
        TMemRecViewVz*& item = items[static_cast<size_t>(i)];
        if (!item) item = NewItem(recs[static_cast<size_t>(i)], ownsTags);
        else if (ownsTags) item->FRec->SetViewTag(item->FId);
    }
    if (!nils && FSortOrder.isEmpty() && !FViewAsTreeList) {
        // Storage order with a record in every slot: the records list serves as the sorted list.
        FSortedIsStore = true;
        FStoreItems = n;
        if (Made) *Made = std::move(items);
        return;
    }
    FSorderViewList.Assign(items);
}

TRecordsListVz* TRecordsViewVz::StoreList() const {
    TMemTableDataVz* store = MemTableData();
    return store ? store->RecordsList() : nullptr;
}

void TRecordsViewVz::MaterializeSorted() {
    if (!FSortedIsStore) return;
    TRecordsListVz* list = StoreList();
    std::vector<TMemRecViewVz*> items;
    items.reserve(static_cast<size_t>(FStoreItems));
    if (list)
        list->ForEachRecAhead(1, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) {
            TMemRecViewVz* item = ItemOfLiveRec(rec);
            if (item && InStoreOrder(item)) items.push_back(item);
        });
    // Items whose records are no longer stored would be lost with the mode: none may be left.
    if (static_cast<int>(items.size()) != FStoreItems) FItemsStale = true;
    FSortedIsStore = false;
    FStoreItems = 0;
    FSortedBlocks.assign(FItemSlots, nullptr);
    FSorderViewList.Assign(items);
}

int TRecordsViewVz::StoreOrderIndex(const TMemRecViewVz* Item) const {
    TRecordsListVz* list = StoreList();
    return list && Item->Rec() ? list->IndexOf(Item->Rec()) : -1;
}

TMemRecViewVz* TRecordsViewVz::GetSortedListItem(int Index) const {
    if (!FSortedIsStore) return FSorderViewList.Items(Index);
    TRecordsListVz* list = StoreList();
    return list && Index >= 0 && Index < list->Count() ? ItemOfLiveRec(list->Rec(Index)) : nullptr;
}

std::vector<TMemRecViewVz*> TRecordsViewVz::SortedItems() const {
    if (!FSortedIsStore) return FSorderViewList.ToVector();
    TRecordsListVz* list = StoreList();
    std::vector<TMemRecViewVz*> items;
    items.reserve(static_cast<size_t>(FStoreItems));
    if (list)
        list->ForEachRecAhead(1, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) {
            if (TMemRecViewVz* item = ItemOfLiveRec(rec)) items.push_back(item);
        });
    return items;
}

TMemRecViewVz::TExtra& TRecordsViewVz::ExtraOf(TMemRecViewVz* Item) {
    if (FExtras.size() <= Item->FId) FExtras.resize(FItemSlots);
    std::unique_ptr<TMemRecViewVz::TExtra>& e = FExtras[Item->FId];
    if (!e) e = std::make_unique<TMemRecViewVz::TExtra>();
    Item->FHasExtra = true;
    return *e;
}

TMemRecViewVz* TRecordsViewVz::ItemOfLiveRec(TMemoryRecordVz* Rec) const {
    if (!Rec) return nullptr;
    if (TMemRecViewVz* item = ItemById(Rec->ViewTag(), Rec)) return item;
    return FItems.isEmpty() ? nullptr : FItems.value(Rec, nullptr);
}

int TRecordsViewVz::IndexOfLiveRec(TMemoryRecordVz* Rec) const {
    const int n = FMemoryViewList.Count();
    if (Rec == FHintRec && FHintIndex >= 0 && FHintIndex < n && ViewRec(FHintIndex) == Rec) return FHintIndex;
    // A view in storage order that shows every stored record: the row is the record's position.
    if (Rec && FSortOrder.isEmpty() && !FViewAsTreeList && Rec->RecordsList() && n == Rec->RecordsList()->Count()) {
        const int at = Rec->Index();
        if (at >= 0 && at < n && ViewRec(at) == Rec) return at;
    }
    if (TMemRecViewVz* item = ItemOfLiveRec(Rec)) return FMemoryViewList.IndexOf(item);
    return IndexOfRec(Rec);
}

int TRecordsViewVz::IndexOfStoredRec(const TRecordsListVz* List, int StoreIndex) const {
    const int n = FMemoryViewList.Count();
    TMemoryRecordVz* rec = List->Rec(StoreIndex);
    // The row's item and the list's slot are read side by side; the record is not read.
    if (n == List->Count() && StoreIndex < n && FSortOrder.isEmpty() && !FViewAsTreeList && ViewRec(StoreIndex) == rec)
        return StoreIndex;
    return IndexOfLiveRec(rec);
}

void TRecordsViewVz::ViewInsert(int Index, TMemRecViewVz* Item) {
    if (Index >= FMemoryViewList.Count()) FMemoryViewList.Add(Item);
    else FMemoryViewList.Insert(Index, Item);
}

void TRecordsViewVz::ViewAdd(TMemRecViewVz* Item) { FMemoryViewList.Add(Item); }

void TRecordsViewVz::ViewDelete(int Index) { FMemoryViewList.Delete(Index); }

// The items keep a pointer to a block that no longer holds them: that reads as "not shown".
void TRecordsViewVz::ViewClear() { FMemoryViewList.Clear(); }

void TRecordsViewVz::SortedInsert(int Index, TMemRecViewVz* Item) {
    if (Index >= FSorderViewList.Count()) FSorderViewList.Add(Item);
    else FSorderViewList.Insert(Index, Item);
}

void TRecordsViewVz::SortedAdd(TMemRecViewVz* Item) { FSorderViewList.Add(Item); }

void TRecordsViewVz::SortedDelete(int Index) { FSorderViewList.Delete(Index); }

TMemoryRecordVz* TRecordsViewVz::ViewRec(int Index) const { return GetRecordView(Index)->Rec(); }

int TRecordsViewVz::IndexOfRec(TMemoryRecordVz* Rec) const {
    const int n = FMemoryViewList.Count();
    if (Rec == FHintRec && FHintIndex >= 0 && FHintIndex < n && ViewRec(FHintIndex) == Rec) return FHintIndex;
    if (!FItems.isEmpty())
        if (TMemRecViewVz* item = FItems.value(Rec, nullptr)) return FMemoryViewList.IndexOf(item);
    for (int i = 0; i < n; ++i)
        if (ViewRec(i) == Rec) return i;
    return -1;
}

int TRecordsViewVz::SortedIndexOfLiveRec(TMemoryRecordVz* Rec) const {
    if (FSortedIsStore) {
        TMemRecViewVz* item = ItemOfLiveRec(Rec);
        return item && InStoreOrder(item) ? StoreOrderIndex(item) : -1;
    }
    if (TMemRecViewVz* item = ItemOfLiveRec(Rec)) {
        const int i = FSorderViewList.IndexOf(item);
        if (i >= 0) return i;
    }
    return IndexOfSortedListRec(Rec);
}

int TRecordsViewVz::IndexOfSortedListRec(TMemoryRecordVz* Rec) const {
    if (FSortedIsStore) {
        // The record may be gone: it is only compared, never read.
        TRecordsListVz* list = StoreList();
        int at = -1, i = 0;
        if (list)
            list->ForEachRecAhead(1, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) {
                if (at < 0 && rec == Rec) at = i;
                ++i;
            });
        if (at < 0) return -1;
        const TMemRecViewVz* item = ItemOfLiveRec(Rec);
        return item && InStoreOrder(item) ? at : -1;
    }
    if (TMemRecViewVz* item = FItems.isEmpty() ? nullptr : FItems.value(Rec, nullptr)) {
        const int i = FSorderViewList.IndexOf(item);
        if (i >= 0) return i;
    }
    const int n = FSorderViewList.Count();
    for (int i = 0; i < n; ++i)
        if (GetSortedListItem(i)->Rec() == Rec) return i;
    return -1;
}

// ---- properties ---------------------------------------------------------------------------------

void TRecordsViewVz::SetSortOrder(const String& Value) {
    if (Value == FSortOrder) return;
    FOrderByList->ParseOrderByStr(Value);  // an unknown name raises and keeps the old order
    for (int i = 0; i < FOrderByList->Count(); ++i)
        FOrderByList->Items(i)->CaseIns = FSortOrderCaseInsensitive && IsTextSortTypeVz(FOrderByList->Items(i)->DataType);
    FSortOrder = Value;
    SortChanged();
}

void TRecordsViewVz::SetSortOrderCaseInsensitive(bool Value) {
    if (Value == FSortOrderCaseInsensitive) return;
    FSortOrderCaseInsensitive = Value;
    for (int i = 0; i < FOrderByList->Count(); ++i)
        FOrderByList->Items(i)->CaseIns = Value && IsTextSortTypeVz(FOrderByList->Items(i)->DataType);
    SortChanged();
}

void TRecordsViewVz::SetStatusFilter(TUpdateStatusSet Value) {
    if (Value == FStatusFilter) return;
    FStatusFilter = Value;
    RefreshFilteredRecsList(true);
}

void TRecordsViewVz::SetTreeViewKeyFieldName(const String& Value) {
    if (Value == FTreeViewKeyFieldName) return;
    FTreeViewKeyFieldName = Value;
    UpdateFields();
}

void TRecordsViewVz::SetTreeViewRefParentFieldName(const String& Value) {
    if (Value == FTreeViewRefParentFieldName) return;
    FTreeViewRefParentFieldName = Value;
    UpdateFields();
}

void TRecordsViewVz::UpdateFields() {
    TMemTableDataVz* store = MemTableData();
    TMTDataStructVz* s = store ? store->DataStruct() : nullptr;
    FTreeViewKeyFields = s && !FTreeViewKeyFieldName.isEmpty() ? s->FieldsIndex(FTreeViewKeyFieldName) : TIntArrayVz();
    FTreeViewRefParentFields =
        s && !FTreeViewRefParentFieldName.isEmpty() ? s->FieldsIndex(FTreeViewRefParentFieldName) : TIntArrayVz();
}

void TRecordsViewVz::DoStructChanged(TMemTableDataVz* AMemTableData) {
    TRecordsListNotificatorVz::DoStructChanged(AMemTableData);
    UpdateFields();
}

// ---- receivers of the view ----------------------------------------------------------------------

bool TRecordsViewVz::RegisterNotificator(TRecordsListNotificatorVz* Receiver) {
    if (FNotificators->IndexOf(Receiver) < 0) FNotificators->Add(Receiver);
    return true;
}

void TRecordsViewVz::UnregisterNotificator(TRecordsListNotificatorVz* Receiver) { FNotificators->Remove(Receiver); }

void TRecordsViewVz::DoViewDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    FCatchChanged = true;
    if (FAggregates->Count() > 0 && Action != rlnListChangingVz) FAggregates->Recalc();
    if (OnViewDataEvent.Assigned()) OnViewDataEvent(MemRec, Index, Action);
    for (int i = 0; i < FNotificators->Count(); ++i)
        static_cast<TRecordsListNotificatorVz*>(FNotificators->Items(i))->DoDataEvent(MemRec, Index, Action);
}

void TRecordsViewVz::DoViewRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) {
    if (OnViewRecordMovedEvent.Assigned()) OnViewRecordMovedEvent(Item, OldIndex, NewIndex);
    for (int i = 0; i < FNotificators->Count(); ++i)
        static_cast<TRecordsListNotificatorVz*>(FNotificators->Items(i))->DoRecordMoved(Item, OldIndex, NewIndex);
}

// ---- filter and order ---------------------------------------------------------------------------

bool TRecordsViewVz::RecordPassesFilter(TMemoryRecordVz* Rec, TMemRecViewVz* Node) {
    if (!FStatusFilter.Contains(Rec->UpdateStatus())) return false;
    if (OnFilterRecord.Assigned()) return OnFilterRecord(Rec, Node);
    return true;
}

// With a sort order the dataset's comparison decides (it breaks ties by storage position);
// without one, or without a comparison, storage order is the view order.
int TRecordsViewVz::CompareRecs(TMemoryRecordVz* Rec1, TMemoryRecordVz* Rec2) const {
    if (!FSortOrder.isEmpty() && OnCompareRecords.Assigned()) return OnCompareRecords(Rec1, Rec2, FOrderByList.get());
    return Rec1->Index() - Rec2->Index();
}

int TRecordsViewVz::FindFilteredPos(TMemoryRecordVz* Rec, int Hint) const {
    const int n = FMemoryViewList.Count();
    if (n == 0 || CompareRecs(ViewRec(0), Rec) > 0) return 0;
    if (CompareRecs(ViewRec(n - 1), Rec) < 0) return n;
    if (Hint >= 0 && Hint <= n && (Hint == 0 || CompareRecs(ViewRec(Hint - 1), Rec) <= 0) &&
        (Hint == n || CompareRecs(ViewRec(Hint), Rec) >= 0))
        return Hint;
    int hi = n - 1, lo = 0, mid = hi / 2;
    for (;;) {
        const int c = CompareRecs(ViewRec(mid), Rec);
        if (c == 0) return mid;
        int next;
        if (c < 0) {
            next = (mid + hi) / 2;
            lo = mid;
        } else {
            next = (mid + lo) / 2;
            hi = mid;
        }
        if (next == mid) return mid + 1;
        mid = next;
    }
}

int TRecordsViewVz::FindSortedPos(TMemoryRecordVz* Rec) const {
    int lo = 0, hi = FSorderViewList.Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (CompareRecs(GetSortedListItem(mid)->Rec(), Rec) < 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

void TRecordsViewVz::KeepSortedPlace(TMemRecViewVz* Item) {
    MaterializeSorted();
    const int s = FSorderViewList.IndexOf(Item);
    if (s < 0) return;
    const int n = FSorderViewList.Count();
    TMemoryRecordVz* rec = Item->Rec();
    if ((s == 0 || CompareRecs(GetSortedListItem(s - 1)->Rec(), rec) <= 0) &&
        (s + 1 >= n || CompareRecs(rec, GetSortedListItem(s + 1)->Rec()) <= 0))
        return;
    FSorderViewList.Delete(s);
    FSorderViewList.Insert(FindSortedPos(rec), Item);
}

void TRecordsViewVz::CalcLookupBuffer(TMemRecViewVz* Item) {
    if (OnCalcLookupBuffer.Assigned()) OnCalcLookupBuffer(Item->Rec(), Item);
}

void TRecordsViewVz::UpdateAllLookupBuffer() {
    FMemoryViewList.ForEach([this](TMemRecViewVz* item) {
        if (TMemRecViewVz::TExtra* e = Ext(item)) e->LookupBuffer.clear();
        CalcLookupBuffer(item);
    });
}

// ---- full refresh -------------------------------------------------------------------------------

namespace {

// A walk over many records asks for what it will read some steps before it reads it, one step of
// the chain per stage: the view item, then its record, then the record's values. Each pointer
// is read only once what holds it has had a stage's time to arrive.
constexpr int kAheadStageVz = 16;
template <int Stage = kAheadStageVz>
class TRecPrefetchVz {
public:
    // Values: whether the walk reads the records' values.
    explicit TRecPrefetchVz(bool Values = true) : FValues(Values) {}
    // Rec is the record Stage * 2 places ahead.
    void AheadRec(const TMemoryRecordVz* Rec) {
        if (const TMemoryRecordVz* p = FRecs[FRecAt % Stage]; p && FValues) p->PrefetchValues();
        FRecs[FRecAt++ % Stage] = Rec;
        if (Rec) Rec->Prefetch();    }
    // Item is the view item Stage * 3 places ahead (twice, without the values).
    void AheadItem(const TMemRecViewVz* Item) {
        const TMemRecViewVz* p = FItems[FItemAt % Stage];
        AheadRec(p ? p->Rec() : nullptr);
        FItems[FItemAt++ % Stage] = Item;
        if (Item) __builtin_prefetch(Item);
    }

private:
    const TMemoryRecordVz* FRecs[Stage] = {};
    const TMemRecViewVz* FItems[Stage] = {};
    unsigned FRecAt = 0, FItemAt = 0;
    bool FValues;
};

}  // namespace

int TRecordsViewVz::TestStoredRecords(TRecordsListVz* List, unsigned char* Passes, TTestedByIdVz* ById) {
    FFilterAborted = false;
    const TRecordsTestVz how = OnFilterRecords.Assigned() ? OnFilterRecords(nullptr, 0, nullptr)
                                                          : (OnFilterRecord.Assigned() ? rtOneByOneVz : rtAllPassVz);
    const size_t ids = ById ? FItemSlots : 0;
    if (ById) {
        ById->Recs.assign(ids, nullptr);
        ById->Passes.assign(ids, 0);
    }
    // The record (its line is at hand) and its answer by its item's number.
    auto byId = [&](const TMemoryRecordVz* R, unsigned char Pass) {
        if (const unsigned id = R->ViewTag(); id < ids) {
            ById->Recs[id] = R;
            ById->Passes[id] = Pass;
        }
    };
    size_t at = 0;
    int count = 0;
    if (how == rtOneByOneVz) {
        TRecPrefetchVz<> ahead;
        List->ForEachRecAhead(kAheadStageVz * 2, [&](TMemoryRecordVz* r, TMemoryRecordVz* next) {
            ahead.AheadRec(next);
            if (r && !FFilterAborted) {
                const unsigned char pass = RecordPassesFilter(r, nullptr) ? 1 : 0;
                Passes[at] = pass;
                count += pass;
                if (ids) byId(r, pass);
            }
            ++at;
        });
        return count;
    }
    // The records the status filter lets through go to the filter in chunks; the chunk is tested
    // while its records and values, asked for as it was gathered, are at hand.
    const bool everyStatus = FStatusFilter.Contains(usUnmodified) && FStatusFilter.Contains(usModified) &&
                             FStatusFilter.Contains(usInserted) && FStatusFilter.Contains(usDeleted);
    // A chunk is tested in a burst: the records are asked for two chunks ahead, their values one.
    constexpr int chunk = 64;
    TRecPrefetchVz<chunk> ahead(how == rtTestedVz);
    TMemoryRecordVz* recs[chunk];
    size_t places[chunk];
    unsigned char results[chunk];
    int k = 0;
    auto flush = [&] {
        if (how == rtTestedVz) OnFilterRecords(recs, k, results);
        else std::memset(results, 1, static_cast<size_t>(k));
        for (int i = 0; i < k; ++i) {
            Passes[places[i]] = results[i];
            count += results[i];
            if (ids) byId(recs[i], results[i]);
        }
        k = 0;
    };
    List->ForEachRecAhead(chunk * 2, [&](TMemoryRecordVz* r, TMemoryRecordVz* next) {
        ahead.AheadRec(next);
        if (r) {
            if (everyStatus || FStatusFilter.Contains(r->UpdateStatus())) {
                recs[k] = r;
                places[k++] = at;
                if (k == chunk) flush();
            } else if (ids) {
                byId(r, 0);
            }
        }
        ++at;
    });
    if (k > 0) flush();
    return count;
}

bool TRecordsViewVz::KeepItemsOfStoredRecords(TRecordsListVz* List) {
    // With no item handed out there is nothing to keep (nil slots are then found as the items
    // are made).
    if (FItemsUsed == 1 && FItems.isEmpty()) return true;
    bool nils = false;
    List->ForEachRecAhead(1, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) {
        nils |= rec == nullptr;
        TMemRecViewVz* item = rec ? ItemOfLiveRec(rec) : nullptr;
        if (item) item->FMark = true;
    });
    if (nils) {
        FreeSortedItems();
        return false;
    }
    for (unsigned id = 1; id < FItemsUsed; ++id) {
        if (!IsItemId(id)) continue;
        TMemRecViewVz* item = ItemSlot(id);
        if (!item->FMark && item->FRec) FreeItem(item);
    }
    return true;
}

bool TRecordsViewVz::FillStoreOrderRows(TMemTableDataVz* Store, TRecordsListVz* List, bool Remake) {
    FFilterAborted = false;
    const TRecordsTestVz how = OnFilterRecords.Assigned() ? OnFilterRecords(nullptr, 0, nullptr)
                                                          : (OnFilterRecord.Assigned() ? rtOneByOneVz : rtAllPassVz);
    const bool everyStatus = FStatusFilter.Contains(usUnmodified) && FStatusFilter.Contains(usModified) &&
                             FStatusFilter.Contains(usInserted) && FStatusFilter.Contains(usDeleted);
    const bool fresh = FItemsUsed == 1 && FItems.isEmpty();
    const bool ownsTags = Remake && OwnsViewTags(Store);
    if (fresh && Remake) ReserveItems(static_cast<size_t>(List->Count()));
    if (Remake) {
        FSorderViewList.Clear();
        DropSortedBlocks();
        FSortedIsStore = false;
        FStoreItems = 0;
        if (ownsTags) FItems.clear();
        else FItems.reserve(List->Count());
    }
    // The record's item: kept (marked by KeepItemsOfStoredRecords) or made.
    bool nils = false;
    auto itemOf = [&](TMemoryRecordVz* rec) -> TMemRecViewVz* {
        if (!rec) {
            nils = true;
            return nullptr;
        }
        TMemRecViewVz* item = fresh ? nullptr : ItemOfLiveRec(rec);
        if (!Remake) return item;
        if (item && item->FMark) {
            item->FMark = false;
            DropExtra(item);
            if (ownsTags) rec->SetViewTag(item->FId);
        } else {
            item = NewItem(rec, ownsTags);
        }
        ++FStoreItems;
        return item;
    };
    // A list with nil slots is left to the general rebuild (all the items made here go again).
    auto giveUp = [&] {
        FreeSortedItems();
        ViewClear();
        return false;
    };
    if (how == rtOneByOneVz) {
        // The dataset's handler sees the view whole: the items first, then the records one by one.
        if (Remake) {
            List->ForEachRecAhead(1, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) { itemOf(rec); });
            if (nils) return giveUp();
            FSortedIsStore = true;
        }
        std::vector<TMemRecViewVz*> passed;
        TRecPrefetchVz<> ahead;
        List->ForEachRecAhead(kAheadStageVz * 2, [&](TMemoryRecordVz* rec, TMemoryRecordVz* next) {
            ahead.AheadRec(next);
            if (FFilterAborted || !RecordPassesFilter(rec, nullptr)) return;
            if (TMemRecViewVz* item = ItemOfLiveRec(rec)) passed.push_back(item);
        });
        if (FFilterAborted) return true;
        FMemoryViewList.Assign(passed);
    } else {
        TViewRowsListVz::TFiller rows(FMemoryViewList);
        // A chunk of records goes to the compiled filter at once, while its records and values,
        // asked for as it was gathered, are at hand.
        constexpr int chunk = 64;
        TRecPrefetchVz<chunk> ahead(how == rtTestedVz);
        TMemoryRecordVz* recs[chunk];
        TMemRecViewVz* items[chunk];
        unsigned char results[chunk];
        int k = 0;
        auto flush = [&] {
            OnFilterRecords(recs, k, results);
            for (int i = 0; i < k; ++i)
                if (results[i]) rows.Add(items[i]);
            k = 0;
        };
        // A first rebuild makes the items one after another in the slots reserved for them (from
        // the first: a view whose items all went hands the same numbers out again).
        const bool inPlace = fresh && Remake && ownsTags;
        unsigned nextId = FItemsUsed;
        auto counted = [&] {
            FItemsUsed = nextId;
            FItemSlots = std::max(FItemSlots, nextId);
        };
        // The slots hold the items made so far whatever happens (a filter may raise).
        try {
            List->ForEachRecAhead(chunk * 2, [&](TMemoryRecordVz* rec, TMemoryRecordVz* next) {
                ahead.AheadRec(next);
                TMemRecViewVz* item;
                if (inPlace) {
                    if (!rec) {
                        nils = true;
                        return;
                    }
                    if (!IsItemId(nextId)) ++nextId;
                    item = new (ItemSlot(nextId)) TMemRecViewVz(nextId);
                    item->FRec = rec;
                    rec->SetViewTag(nextId++);
                } else {
                    item = itemOf(rec);
                    if (!item) return;
                }
                if (!everyStatus && !FStatusFilter.Contains(rec->UpdateStatus())) return;
                if (how == rtAllPassVz) {
                    rows.Add(item);
                } else {
                    recs[k] = rec;
                    items[k++] = item;
                    if (k == chunk) flush();
                }
            });
            if (k > 0) flush();
        } catch (...) {
            if (inPlace) counted();
            throw;
        }
        rows.Finish();
        if (inPlace) {
            counted();
            FStoreItems = List->Count();
        }
        if (nils && Remake) return giveUp();
        if (Remake) FSortedIsStore = true;
        if (FFilterAborted) {
            ViewClear();
            return true;
        }
    }
    if (OnCalcLookupBuffer.Assigned()) FMemoryViewList.ForEach([this](TMemRecViewVz* item) { CalcLookupBuffer(item); });
    return true;
}

void TRecordsViewVz::RefreshFilteredRecsList(bool NotifyListChanged) {
    // The rows go; the items need not be told (their row block no longer holds them).
    ViewClear();
    TMemTableDataVz* store = MemTableData();
    TRecordsListVz* list = store ? store->RecordsList() : nullptr;
    if (list) list->SettlePositions();
    // The items are kept while they mirror the store: a filter change neither frees them nor
    // sorts again, it passes once over the sorted order there is.
    if (FSortedIsStore && (!FSortOrder.isEmpty() || FViewAsTreeList)) MaterializeSorted();
    const bool remake = FItemsStale || !list || SortedListItemCount() != list->Count();
    // Storage order over a list without nil slots: the records list is the sorted list, and one
    // walk over it makes the items, tests them and fills the rows.
    if (list && FSortOrder.isEmpty() && !FViewAsTreeList && !OnGetPrefilteredList.Assigned() &&
        (remake ? KeepItemsOfStoredRecords(list) : FSortedIsStore) && FillStoreOrderRows(store, list, remake)) {
        FItemsStale = false;
        FSortedInOrder = true;
        if (NotifyListChanged) DoViewDataEvent(nullptr, -1, rlnListChangedVz);
        else if (FAggregates->Count() > 0) FAggregates->Recalc();
        return;
    }
    std::vector<TMemRecViewVz*> made;  // the items just made, in storage order
    if (remake) {
        RemakeItems(store, list, &made);
        FItemsStale = false;
        FSortedInOrder = FSortOrder.isEmpty();
    }
    if (!FSortedInOrder) {
        SortSortedList();
        FSortedInOrder = true;
    }
    if (store && !FViewAsTreeList) {
        TObjectList* candidates = OnGetPrefilteredList.Assigned() ? OnGetPrefilteredList() : nullptr;
        const bool prefiltered = candidates != nullptr;
        FFilterAborted = false;
        std::vector<TMemRecViewVz*> passed;
        if (prefiltered) {
            passed.reserve(static_cast<size_t>(candidates->Count()));
            for (int i = 0; i < candidates->Count() && !FFilterAborted; ++i) {
                auto* item = static_cast<TMemRecViewVz*>(candidates->Items(i));
                if (RecordPassesFilter(item->Rec(), nullptr)) passed.push_back(item);
            }
        } else if (!list) {
            passed.reserve(static_cast<size_t>(FSorderViewList.Count()));
            FSorderViewList.ForEach([&](TMemRecViewVz* item) {
                if (!FFilterAborted && RecordPassesFilter(item->Rec(), nullptr)) passed.push_back(item);
            });
        } else {
            // The records are tested in storage order (the order they lie in memory), then the
            // items are picked in the sorted list's order: no re-sort, and no walk through the
            // records in a scattered order while the filter reads them.
            const int n = list->Count();
            std::vector<unsigned char> passes(static_cast<size_t>(n), 0);
            const bool inStorageOrder = FSortOrder.isEmpty() && SortedListItemCount() == n;
            TTestedByIdVz byId;
            const int count = TestStoredRecords(list, passes.data(), inStorageOrder ? nullptr : &byId);
            if (!FFilterAborted) {
                if (inStorageOrder) {
                    // In storage order the sorted list holds one item per record, in the records'
                    // order: the i-th item is the i-th record's, and no item need be read.
                    // One slot more than the passes: every item is written, and the place moves on
                    // past those that pass (no branch to mispredict on a filter's answers).
                    passed.resize(static_cast<size_t>(count) + 1);
                    TMemRecViewVz** to = passed.data();
                    TMemRecViewVz** const last = to + count;
                    const unsigned char* pass = passes.data();
                    auto take = [&](TMemRecViewVz* item) {
                        *to = item;
                        to += *pass++;
                        if (to > last) to = last;
                    };
                    if (FSortedIsStore && made.size() == static_cast<size_t>(n)) {
                        for (TMemRecViewVz* item : made) take(item);
                    } else if (FSortedIsStore) {
                        // Block by block, not by position (a position is a search of its own).
                        list->ForEachRecAhead(kAheadStageVz, [&](TMemoryRecordVz* rec, TMemoryRecordVz*) {
                            TMemRecViewVz* item = rec ? ItemById(rec->ViewTag(), rec) : nullptr;
                            if (!item) item = ItemOfLiveRec(rec);
                            if (item) take(item);
                            else ++pass;
                        });
                    } else {
                        FSorderViewList.ForEach(take);
                    }
                    passed.resize(static_cast<size_t>(to - passed.data()));
                } else {
                    // Each item's answer is found by its number, checked against its record; an
                    // item the numbers do not answer for reads its record's position.
                    passed.resize(static_cast<size_t>(count) + 1);
                    TMemRecViewVz** to = passed.data();
                    TMemRecViewVz** const last = to + count;
                    const size_t ids = byId.Recs.size();
                    FSorderViewList.ForEachAhead(kAheadStageVz * 4, [&](TMemRecViewVz* item, TMemRecViewVz* next) {
                        if (next) __builtin_prefetch(next);
                        const unsigned id = item->Id();
                        const TMemoryRecordVz* rec = item->Rec();
                        unsigned char pass;
                        if (id < ids && byId.Recs[id] == rec) {
                            pass = byId.Passes[id];
                        } else {
                            const int at = rec->Index();
                            pass = at >= 0 && at < n && passes[static_cast<size_t>(at)];
                        }
                        *to = item;
                        to += pass;
                        if (to > last) to = last;
                    });
                    passed.resize(static_cast<size_t>(to - passed.data()));
                }
            }
        }
        if (!FFilterAborted) {
            if (prefiltered) KeyedSort(passed);
            FMemoryViewList.Assign(passed);
            if (OnCalcLookupBuffer.Assigned())
                for (TMemRecViewVz* item : passed) CalcLookupBuffer(item);
        }
    }
    if (FViewAsTreeList) RebuildTree();
    if (NotifyListChanged) DoViewDataEvent(nullptr, -1, rlnListChangedVz);
    else if (FAggregates->Count() > 0) FAggregates->Recalc();
}

// ---- sorting ------------------------------------------------------------------------------------

void TRecordsViewVz::SortChanged() {
    if (FViewAsTreeList) {
        RebuildTree();
        DoViewDataEvent(nullptr, -1, rlnListChangedVz);
        return;
    }
    SortFlatList();
}

void TRecordsViewVz::SortFlatList() {
    // The sorted list takes the new order once; the rows are the shown items in that order.
    SortSortedList();
    FSortedInOrder = true;
    std::vector<TMemRecViewVz*> shown;
    if (FMemoryViewList.Count() == SortedListItemCount()) {
        shown = SortedItems();
    } else {
        shown.reserve(static_cast<size_t>(FMemoryViewList.Count()));
        FMemoryViewList.ForEach([](TMemRecViewVz* v) { v->FMark = true; });
        for (TMemRecViewVz* v : SortedItems()) {
            if (v->FMark) shown.push_back(v);
            v->FMark = false;
        }
    }
    FMemoryViewList.Assign(shown);
    DoViewDataEvent(nullptr, -1, rlnListChangedVz);
}

void TRecordsViewVz::SortSortedList() {
    // The records list is in storage order already.
    if (FSortedIsStore && FSortOrder.isEmpty() && !FViewAsTreeList) return;
    MaterializeSorted();
    // Ties go by storage position: positions are read many times while sorting.
    if (TMemTableDataVz* store = MemTableData()) store->RecordsList()->SettlePositions();
    std::vector<TMemRecViewVz*> items = FSorderViewList.ToVector();
    if (FStandardCompare || FSortOrder.isEmpty() || !OnCompareRecords.Assigned()) {
        KeyedSort(items);
    } else {
        std::sort(items.begin(), items.end(),
                  [this](TMemRecViewVz* a, TMemRecViewVz* b) { return CompareRecs(a->Rec(), b->Rec()) < 0; });
    }
    FSorderViewList.Assign(items);
}

namespace {
// One part of a record's sort key.
struct TSortPartVz {
    signed char Kind = 0;  // 0 Null, 1 text, 2 number, 3 any other value
    double Num = 0;
    int Text = -1;
};

// The standard comparison of two values of one part: Null first, texts by the locale, then
// Variants (an incomparable pair counts as equal); the case-insensitive flag compares texts.
int CompareOneValueVz(const Variant& A, const Variant& B, bool CaseIns) {
    const bool na = VarIsNull(A) || VarIsEmpty(A), nb = VarIsNull(B) || VarIsEmpty(B);
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    if (!CaseIns && VarIsStr(A) && VarIsStr(B)) return AnsiCompareStr(A.AsString(), B.AsString());
    if (CaseIns) {
        const int t = AnsiCompareText(VarToStr(A), VarToStr(B));
        return t == 0 ? 0 : (t < 0 ? -1 : 1);
    }
    try {
        switch (VarCompareValue(A, B)) {
            case vrLessThan: return -1;
            case vrGreaterThan: return 1;
            default: return 0;
        }
    } catch (const Exception&) {
        return 0;
    }
}
}  // namespace

void TRecordsViewVz::KeyedSort(std::vector<TMemRecViewVz*>& Items) const {
    if (TMemTableDataVz* store = MemTableData()) store->RecordsList()->SettlePositions();  // ties go by position
    const int parts = FSortOrder.isEmpty() ? 0 : FOrderByList->Count();
    if (parts == 0) {
        std::sort(Items.begin(), Items.end(),
                  [](TMemRecViewVz* a, TMemRecViewVz* b) { return a->Rec()->Index() < b->Rec()->Index(); });
        return;
    }
    const size_t np = static_cast<size_t>(parts);
    std::vector<int> fields(np);
    std::vector<char> desc(np), caseIns(np);
    for (size_t k = 0; k < np; ++k) {
        fields[k] = FOrderByList->Items(static_cast<int>(k))->MTFieldIndex;
        desc[k] = FOrderByList->Items(static_cast<int>(k))->Desc;
        caseIns[k] = FOrderByList->Items(static_cast<int>(k))->CaseIns;
    }
    const size_t n = Items.size();
    std::vector<TSortPartVz> keys(n * np);
    std::vector<String> texts;  // shared copies: no text is duplicated
    texts.reserve(n);
    // The values of parts that are not stored (calculated and lookup fields), read once a record.
    bool computed = false;
    for (size_t k = 0; k < np; ++k) computed = computed || (fields[k] < 0 && OnGetSortValue.Assigned());
    std::vector<Variant> values(computed ? n * np : 0);
    auto valueOf = [&](size_t i, size_t k) -> Variant {
        return fields[k] < 0 ? values[i * np + k] : Items[i]->Rec()->Value(fields[k]);
    };
    for (size_t i = 0; i < n; ++i) {
        TMemoryRecordVz* rec = Items[i]->Rec();
        for (size_t k = 0; k < np; ++k) {
            TSortPartVz& p = keys[i * np + k];
            const int f = fields[k];
            if (f < 0 && computed) values[i * np + k] = OnGetSortValue(rec, FOrderByList->Items(static_cast<int>(k)));
            else if (f < 0 || f >= rec->ValueCount()) continue;
            const Variant v = valueOf(i, k);
            switch (VarType(v)) {
                case varEmpty: case varNull: p.Kind = 0; break;
                case varString: case varUString: case varOleStr:
                    p.Kind = 1;
                    p.Text = static_cast<int>(texts.size());
                    texts.push_back(v.AsString());
                    break;
                case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
                case varShortInt: case varByte: case varWord: case varLongWord:
                    p.Kind = caseIns[k] ? 3 : 2;
                    p.Num = v.AsDouble();
                    break;
                default: p.Kind = 3; break;
            }
        }
    }
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (size_t k = 0; k < np; ++k) {
            const TSortPartVz& x = keys[a * np + k];
            const TSortPartVz& y = keys[b * np + k];
            int c;
            if (x.Kind == 0 || y.Kind == 0) c = x.Kind == y.Kind ? 0 : (x.Kind == 0 ? -1 : 1);
            else if (x.Kind == 1 && y.Kind == 1) c = CollateCompare(texts[static_cast<size_t>(x.Text)], texts[static_cast<size_t>(y.Text)], caseIns[k] != 0);
            else if (x.Kind == 2 && y.Kind == 2) c = x.Num < y.Num ? -1 : (x.Num > y.Num ? 1 : 0);
            else c = CompareOneValueVz(valueOf(a, k), valueOf(b, k), caseIns[k]);
            if (c != 0) return desc[k] ? c > 0 : c < 0;
        }
        return Items[a]->Rec()->Index() < Items[b]->Rec()->Index();
    });
    std::vector<TMemRecViewVz*> sorted(n);
    for (size_t i = 0; i < n; ++i) sorted[i] = Items[order[i]];
    Items.swap(sorted);
}

void TRecordsViewVz::SortData(TObject* ParamSort, const TCompareRecords& Compare) {
    MaterializeSorted();  // the order given is no longer storage order
    if (TMemTableDataVz* store = MemTableData()) store->RecordsList()->SettlePositions();
    auto sortItems = [&](std::vector<TMemRecViewVz*> items) {
        std::sort(items.begin(), items.end(),
                  [&](TMemRecViewVz* a, TMemRecViewVz* b) { return Compare(a->Rec(), b->Rec(), ParamSort) < 0; });
        return items;
    };
    FMemoryViewList.Assign(sortItems(FMemoryViewList.ToVector()));
    FSorderViewList.Assign(sortItems(FSorderViewList.ToVector()));
    DoViewDataEvent(nullptr, -1, rlnListChangedVz);
}

void TRecordsViewVz::QuickSort(TObjectListVz& ViewList, int L, int R, TObject* ParamSort, const TCompareRecords& Compare) {
    auto rec = [&ViewList](int i) { return static_cast<TMemRecViewVz*>(ViewList.Items(i))->Rec(); };
    do {
        int i = L, j = R;
        TMemoryRecordVz* pivot = rec((L + R) / 2);
        do {
            while (Compare(rec(i), pivot, ParamSort) < 0) ++i;
            while (Compare(rec(j), pivot, ParamSort) > 0) --j;
            if (i <= j) {
                if (i != j) ViewList.Exchange(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSort(ViewList, L, j, ParamSort, Compare);
        L = i;
    } while (L < R);
}

// ---- incremental maintenance --------------------------------------------------------------------

void TRecordsViewVz::DoDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    TRecordsListNotificatorVz::DoDataEvent(MemRec, Index, Action);
    if (FDisableFilterCount > 0) return;

    struct {
        bool Defined = false;
        TMemoryRecordVz* Rec = nullptr;
        int Index = -1;
        TRecordsListNotification Action = rlnListChangedVz;
    } pending;
    auto post = [&pending](TMemoryRecordVz* Rec, int Pos, TRecordsListNotification Act) {
        if (pending.Defined && pending.Action != Act && Act != rlnListChangedVz)
            throw Exception("PostNotifyInfo already defined");
        pending = {true, Rec, Pos, Act};
    };

    if (FViewAsTreeList) {
        MaterializeSorted();
        // The tree is rebuilt as a whole after a change of a record.
        switch (Action) {
        case rlnRecAddedVz: {
            auto* item = NewItem(MemRec);
            const int pos = MemRec->Index();
            SortedInsert(pos < 0 ? FSorderViewList.Count() : pos, item);
            break;
        }
        case rlnRecDeletedVz: {
            FToggledNodes.remove(MemRec);
            const int viewPos = IndexOfLiveRec(MemRec);
            if (viewPos >= 0) ViewDelete(viewPos);
            const int sp = SortedIndexOfLiveRec(MemRec);
            if (sp >= 0) {
                TMemRecViewVz* item = GetSortedListItem(sp);
                SortedDelete(sp);
                FreeItem(item);
            }
            break;
        }
        case rlnListChangedVz:
            FItemsStale = true;
            break;
        case rlnRecChangedVz:
        case rlnRecMarkedForDelVz:
            break;
        default:
            return;
        }
        if (Action == rlnListChangedVz) RefreshFilteredRecsList(false);
        else RebuildTree();
        DoViewDataEvent(nullptr, -1, rlnListChangedVz);
        return;
    }

    switch (Action) {
    case rlnRecAddedVz: {
        // The sorted list becomes a list of its own first when the records list cannot serve
        // (the new item, held in storage order from the start, is not to be in it twice).
        if (FSortedIsStore && (!FSortOrder.isEmpty() || MemRec->RecordsList() != MemTableData()->RecordsList() ||
                               MemTableData()->RecordsList()->IndexOf(MemRec) < 0))
            MaterializeSorted();
        auto* item = NewItem(MemRec);
        const int pos = MemRec->Index();
        const bool passes = RecordPassesFilter(MemRec, nullptr);
        const bool allShown = FMemoryViewList.Count() == SortedListItemCount();
        const int p = passes ? std::min(FindFilteredPos(MemRec, -1), FMemoryViewList.Count()) : -1;
        // The sorted list stays in order: in storage order at the record's position, by a sort
        // order at its place (the row's place when every item is shown).
        if (FSortedIsStore) {
            // Already in the records list, which is the sorted list.
            ++FStoreItems;
        } else if (FSortOrder.isEmpty() && pos >= 0 && pos < FSorderViewList.Count()) {
            SortedInsert(pos, item);
        } else if (!FSortOrder.isEmpty() && FSortedInOrder) {
            SortedInsert(passes && allShown ? p : FindSortedPos(MemRec), item);
        } else {
            SortedAdd(item);
            if (!FSortOrder.isEmpty()) FSortedInOrder = false;
        }
        if (passes) {
            ViewInsert(p, item);
            CalcLookupBuffer(item);
            post(MemRec, p, rlnRecAddedVz);
        }
        break;
    }
    case rlnRecChangedVz:
    case rlnRecMarkedForDelVz: {
        const int oldPos = IndexOfLiveRec(MemRec);
        TMemRecViewVz* item = nullptr;
        if (oldPos >= 0) {
            item = GetRecordView(oldPos);
        } else {
            const int s = SortedIndexOfLiveRec(MemRec);
            if (s >= 0) item = GetSortedListItem(s);
        }
        if (!item) break;  // a record the view does not hold
        const bool passes = RecordPassesFilter(MemRec, nullptr);
        // Every item shown in the sorted list's order: the rows are that list, and a record that
        // still sorts between its neighbours keeps its place in both (one check serves both).
        if (oldPos >= 0 && passes && !FSortOrder.isEmpty() && FSortedInOrder &&
            FMemoryViewList.Count() == SortedListItemCount()) {
            const int n = FMemoryViewList.Count();
            if ((oldPos == 0 || CompareRecs(ViewRec(oldPos - 1), MemRec) <= 0) &&
                (oldPos + 1 >= n || CompareRecs(MemRec, ViewRec(oldPos + 1)) <= 0)) {
                post(MemRec, oldPos, Action);
                break;
            }
        }
        // The sorted list keeps its order: the record takes its new place there too.
        if (!FSortOrder.isEmpty() && FSortedInOrder) KeepSortedPlace(item);
        if (oldPos >= 0 && passes) {
            // A record that still sorts between its neighbours keeps its row: no list moves.
            const int n = FMemoryViewList.Count();
            if ((oldPos == 0 || CompareRecs(ViewRec(oldPos - 1), MemRec) <= 0) &&
                (oldPos + 1 >= n || CompareRecs(MemRec, ViewRec(oldPos + 1)) <= 0)) {
                post(MemRec, oldPos, Action);
                break;
            }
        }
        if (oldPos >= 0) ViewDelete(oldPos);
        int newPos = -1;
        if (passes) {
            newPos = std::min(FindFilteredPos(MemRec, oldPos), FMemoryViewList.Count());
            ViewInsert(newPos, item);
        }
        if (oldPos >= 0 && newPos >= 0) {
            if (oldPos != newPos) DoViewRecordMoved(MemRec, oldPos, newPos);
            post(MemRec, newPos, Action);
        } else if (newPos >= 0) {
            CalcLookupBuffer(item);
            post(MemRec, newPos, rlnRecAddedVz);
        } else if (oldPos >= 0) {
            post(MemRec, oldPos, rlnRecDeletedVz);
        }
        break;
    }
    case rlnRecDeletedVz: {
        const int viewPos = IndexOfLiveRec(MemRec);
        if (viewPos >= 0) {
            ViewDelete(viewPos);
            post(MemRec, viewPos, rlnRecDeletedVz);
        }
        if (FSortedIsStore) {
            TMemRecViewVz* item = ItemOfLiveRec(MemRec);
            if (item && InStoreOrder(item)) {
                FreeItem(item);
                --FStoreItems;
            }
            break;
        }
        // In storage order the record's sorted-list place is the storage position it had.
        const bool atIndex = FSortOrder.isEmpty() && Index >= 0 && Index < FSorderViewList.Count() &&
                             GetSortedListItem(Index)->Rec() == MemRec;
        const int s = atIndex ? Index : SortedIndexOfLiveRec(MemRec);
        if (s >= 0) {
            TMemRecViewVz* item = GetSortedListItem(s);
            SortedDelete(s);
            FreeItem(item);
        }
        break;
    }
    case rlnListChangedVz:
        FItemsStale = true;
        RefreshFilteredRecsList(false);
        post(MemRec, Index, rlnListChangedVz);
        break;
    default:
        break;
    }
    if (pending.Defined) DoViewDataEvent(pending.Rec, pending.Index, pending.Action);
}

// A record moved in storage: a visible record takes the place its new position gives it among
// the visible ones (in storage order, or by the sort order whose ties go by storage position).
void TRecordsViewVz::DoRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) {
    TRecordsListNotificatorVz::DoRecordMoved(Item, OldIndex, NewIndex);
    if (FViewAsTreeList) {
        // Siblings follow the storage order (unless sorted): the tree is built again.
        if (FSortOrder.isEmpty()) {
            MaterializeSorted();
            SortSortedList();
            FSortedInOrder = true;
        }
        RebuildTree();
        DoViewDataEvent(nullptr, -1, rlnListChangedVz);
        return;
    }
    // Ties go by storage position: the record may now sort elsewhere among its equals.
    if (!FSortOrder.isEmpty() && FSortedInOrder)
        if (TMemRecViewVz* v = ItemOfLiveRec(Item)) KeepSortedPlace(v);
    const int source = IndexOfLiveRec(Item);
    if (source < 0) return;
    TMemRecViewVz* item = GetRecordView(source);
    ViewDelete(source);
    const int target = std::min(FindFilteredPos(Item, source), FMemoryViewList.Count());
    ViewInsert(target, item);
    if (FSortOrder.isEmpty()) FSortedInOrder = false;
    DoViewDataEvent(nullptr, -1, rlnListChangingVz);
}

// ---- editing through view positions -------------------------------------------------------------

TMemoryRecordVz* TRecordsViewVz::NewRecord() { return MemTableData()->RecordsList()->NewRecord(); }

int TRecordsViewVz::AddRecord(TMemoryRecordVz* Rec) { return MemTableData()->RecordsList()->AddRecord(Rec); }

void TRecordsViewVz::InsertRecord(int Index, TMemoryRecordVz* Rec) {
    TRecordsListVz* list = MemTableData()->RecordsList();
    if (Count() == 0) list->InsertRecord(0, Rec);
    else if (Index >= Count()) list->AddRecord(Rec);  // past the last row: at the end of the store
    else list->InsertRecord(GetRec(std::max(Index, 0))->Index(), Rec);
}

void TRecordsViewVz::DeleteRecord(int Index) { MemTableData()->RecordsList()->DeleteRecord(GetRec(Index)->Index()); }

Variant TRecordsViewVz::GetValue(int RecNo, int ValNo) const {
    return MemTableData()->RecordsList()->GetValue(GetRec(RecNo)->Index(), ValNo);
}

void TRecordsViewVz::SetValue(int RecNo, int ValNo, const Variant& Value) {
    MemTableData()->RecordsList()->SetValue(GetRec(RecNo)->Index(), ValNo, Value);
}

void TRecordsViewVz::SetRec(int Index, TMemoryRecordVz* Value) {
    MemTableData()->RecordsList()->SetRec(GetRec(Index)->Index(), Value);
}

void TRecordsViewVz::RevertRecord(int Index) { MemTableData()->RecordsList()->RevertRecord(GetRec(Index)->Index()); }

void TRecordsViewVz::RefreshRecord(int Index, TMemoryRecordVz* Rec) {
    MemTableData()->RecordsList()->RefreshRecord(GetRec(Index)->Index(), Rec);
}

TRecDataValues TRecordsViewVz::GetOldRecVals(int Index) const { return GetRec(Index)->OldData(); }

void TRecordsViewVz::MergeChangeLog() { MemTableData()->RecordsList()->MergeChangeLog(); }

void TRecordsViewVz::CancelUpdates() { MemTableData()->RecordsList()->CancelUpdates(); }

// ---- cached-update locks ------------------------------------------------------------------------

void TRecordsViewVz::LockCachedUpdates() {
    ++FCachedUpdatesLockCount;
    if (TMemTableDataVz* store = MemTableData()) store->RecordsList()->SetCachedUpdates(false);
}

void TRecordsViewVz::UnlockCachedUpdates() {
    if (FCachedUpdatesLockCount == 0) return;
    if (--FCachedUpdatesLockCount == 0)
        if (TMemTableDataVz* store = MemTableData()) store->RecordsList()->SetCachedUpdates(FCachedUpdates);
}

// ---- simple aggregates --------------------------------------------------------------------------

Variant TRecordsViewVz::CalcAggrFieldFunc(const String& FieldName, const String& AggrFuncName) const {
    if (FieldName == QLatin1String("*") && AggrFuncName == QLatin1String("COUNT")) return Variant(Count());
    TMemTableDataVz* store = MemTableData();
    const int field = store ? store->DataStruct()->FieldIndex(FieldName) : -1;
    if (field < 0) throw Exception("Invalid field name: " + FieldName);
    enum { aSum, aCount, aMin, aMax, aAvg } kind;
    if (AggrFuncName == QLatin1String("SUM")) kind = aSum;
    else if (AggrFuncName == QLatin1String("COUNT")) kind = aCount;
    else if (AggrFuncName == QLatin1String("MIN")) kind = aMin;
    else if (AggrFuncName == QLatin1String("MAX")) kind = aMax;
    else if (AggrFuncName == QLatin1String("AVG")) kind = aAvg;
    else throw Exception("Unsupported aggrigate function: " + AggrFuncName);
    Variant result(0);
    Variant extreme = Variant::Null();
    for (int i = 0; i < Count(); ++i) {
        const Variant v = GetRec(i)->GetDataValue(field, dvvValueVz);
        if (VarIsNull(v)) continue;
        switch (kind) {
        case aSum:
        case aAvg: result = result + v; break;
        case aCount: result = result + Variant(1); break;
        case aMin:
            if (VarIsNull(extreme) || v < extreme) extreme = v;
            break;
        case aMax:
            if (VarIsNull(extreme) || v > extreme) extreme = v;
            break;
        }
    }
    if (kind == aMin || kind == aMax) return extreme;
    if (kind == aAvg) return Count() == 0 ? Variant::Null() : result / Variant(Count());
    return result;
}

// ---- tree mode ----------------------------------------------------------------------------------

bool TMemRecViewVz::NodeHasVisibleChildren() const {
    for (TMemRecViewVz* c : NodeItems())
        if (c->NodeVisible()) return true;
    return false;
}

int TMemRecViewVz::VisibleNodesCount() const {
    int n = 0;
    for (TMemRecViewVz* c : NodeItems())
        if (c->NodeVisible()) ++n;
    return n;
}

TMemRecViewVz* TMemRecViewVz::NextVisibleSibling() const {
    const TExtra* e = Ext();
    if (!e || e->NodeIndex < 0) return nullptr;
    const std::vector<TMemRecViewVz*>& sib = e->NodeParent ? e->NodeParent->NodeItems() : RecordsView()->FTreeTop;
    for (size_t i = static_cast<size_t>(e->NodeIndex) + 1; i < sib.size(); ++i)
        if (sib[i]->NodeVisible()) return sib[i];
    return nullptr;
}

TMemRecViewVz* TMemRecViewVz::PriorVisibleSibling() const {
    const TExtra* e = Ext();
    if (!e || e->NodeIndex < 0) return nullptr;
    const std::vector<TMemRecViewVz*>& sib = e->NodeParent ? e->NodeParent->NodeItems() : RecordsView()->FTreeTop;
    for (int i = e->NodeIndex - 1; i >= 0; --i)
        if (sib[static_cast<size_t>(i)]->NodeVisible()) return sib[static_cast<size_t>(i)];
    return nullptr;
}

void TRecordsViewVz::SetViewAsTreeList(bool Value) {
    if (Value == FViewAsTreeList) return;
    FViewAsTreeList = Value;
    if (!Value) {
        FTreeTop.clear();
        FTreeFlat.clear();
        FTreeVisible.clear();
    }
    RefreshFilteredRecsList(true);
}

void TRecordsViewVz::SetDefaultNodeExpanded(bool Value) {
    if (Value == FDefaultNodeExpanded) return;
    FDefaultNodeExpanded = Value;
    FToggledNodes.clear();
}

void TRecordsViewVz::SetFilterNodeIfParentVisible(bool Value) {
    if (Value == FFilterNodeIfParentVisible) return;
    FFilterNodeIfParentVisible = Value;
    if (FViewAsTreeList) RefreshFilteredRecsList(true);
}

// The key of a record over some fields as one text (Null when every value is Null).
String TRecordsViewVz::TreeKeyText(TMemoryRecordVz* Rec, const TIntArrayVz& Fields) const {
    String k;
    bool any = false;
    for (int f : Fields) {
        const Variant v = Rec->Value(f);
        if (VarIsNull(v) || VarIsEmpty(v)) {
            k += u'\x01';
        } else {
            any = true;
            k += VarIsNumeric(v) ? u'n' : u's';
            k += VarToStr(v);
        }
        k += u'\x02';
    }
    return any ? k : String();
}

void TRecordsViewVz::RebuildTree() {
    ViewClear();
    FTreeTop.clear();
    FTreeFlat.clear();
    FTreeVisible.clear();
    MaterializeSorted();
    std::vector<TMemRecViewVz*> nodes;
    nodes.reserve(static_cast<size_t>(FSorderViewList.Count()));
    FSorderViewList.ForEach([&](TMemRecViewVz* n) {
        TMemRecViewVz::TExtra& e = ExtraOf(n);
        e.NodeParent = nullptr;
        e.NodeItems.clear();
        e.NodeVisible = false;
        e.NodeLevel = 0;
        e.NodeIndex = -1;
        if (FStatusFilter.Contains(n->Rec()->UpdateStatus())) nodes.push_back(n);
    });
    // Parents by key.
    if (!FTreeViewKeyFields.empty() && !FTreeViewRefParentFields.empty()) {
        QHash<String, TMemRecViewVz*> byKey;
        byKey.reserve(static_cast<int>(nodes.size()));
        for (TMemRecViewVz* n : nodes) {
            const String k = TreeKeyText(n->Rec(), FTreeViewKeyFields);
            if (!k.isNull() && !byKey.contains(k)) byKey.insert(k, n);
        }
        for (TMemRecViewVz* n : nodes) {
            const String pk = TreeKeyText(n->Rec(), FTreeViewRefParentFields);
            TMemRecViewVz* p = pk.isNull() ? nullptr : byKey.value(pk, nullptr);
            Ext(n)->NodeParent = p == n ? nullptr : p;
        }
        // A reference loop among records would leave them without a way to the top: the node
        // where a walk meets itself again goes to the top level.
        std::unordered_map<TMemRecViewVz*, int> state;
        for (TMemRecViewVz* n : nodes) {
            std::vector<TMemRecViewVz*> path;
            TMemRecViewVz* c = n;
            while (c && state[c] == 0) {
                state[c] = 1;
                path.push_back(c);
                c = Ext(c)->NodeParent;
            }
            if (c && state[c] == 1) Ext(c)->NodeParent = nullptr;
            for (TMemRecViewVz* q : path) state[q] = 2;
        }
    }
    for (TMemRecViewVz* n : nodes) (Ext(n)->NodeParent ? Ext(Ext(n)->NodeParent)->NodeItems : FTreeTop).push_back(n);
    const bool sorted = !FSortOrder.isEmpty() && OnCompareRecords.Assigned();
    auto arrange = [&](std::vector<TMemRecViewVz*>& list) {
        if (sorted)
            std::stable_sort(list.begin(), list.end(), [this](TMemRecViewVz* a, TMemRecViewVz* b) {
                return CompareRecs(a->Rec(), b->Rec()) < 0;
            });
        for (size_t i = 0; i < list.size(); ++i) Ext(list[i])->NodeIndex = static_cast<int>(i);
    };
    arrange(FTreeTop);
    for (TMemRecViewVz* n : nodes) arrange(Ext(n)->NodeItems);
    // Depth-first order (iterative: chains may be deep).
    std::vector<std::pair<TMemRecViewVz*, int>> stack;
    for (auto it = FTreeTop.rbegin(); it != FTreeTop.rend(); ++it) stack.emplace_back(*it, 1);
    while (!stack.empty()) {
        auto [n, level] = stack.back();
        stack.pop_back();
        Ext(n)->NodeLevel = level;
        Ext(n)->NodeExpanded = FDefaultNodeExpanded != FToggledNodes.contains(n->Rec());
        FTreeFlat.push_back(n);
        for (auto it = Ext(n)->NodeItems.rbegin(); it != Ext(n)->NodeItems.rend(); ++it) stack.emplace_back(*it, level + 1);
    }
    // Visibility: a node passes the filter, or a descendant does (children come after their parent
    // in the flat order, so a backward walk sees them first); optionally the subtree of a passing
    // node.
    std::vector<char> passes(FTreeFlat.size(), 0);
    std::unordered_map<TMemRecViewVz*, size_t> at;
    at.reserve(FTreeFlat.size());
    for (size_t i = 0; i < FTreeFlat.size(); ++i) at[FTreeFlat[i]] = i;
    FFilterAborted = false;
    for (size_t i = 0; i < FTreeFlat.size() && !FFilterAborted; ++i)
        passes[i] = RecordPassesFilter(FTreeFlat[i]->Rec(), FTreeFlat[i]) ? 1 : 0;
    for (size_t i = FTreeFlat.size(); i-- > 0;) {
        TMemRecViewVz* n = FTreeFlat[i];
        if (passes[i]) Ext(n)->NodeVisible = true;
        if (Ext(n)->NodeVisible && Ext(n)->NodeParent) Ext(Ext(n)->NodeParent)->NodeVisible = true;
    }
    if (!FFilterNodeIfParentVisible)
        for (size_t i = 0; i < FTreeFlat.size(); ++i) {
            TMemRecViewVz* n = FTreeFlat[i];
            if (Ext(n)->NodeParent && Ext(Ext(n)->NodeParent)->NodeVisible && passes[at[Ext(n)->NodeParent]]) {
                Ext(n)->NodeVisible = true;
                passes[i] = 1;
            }
        }
    // Rows: visible nodes whose ancestors are visible and expanded.
    for (size_t i = 0; i < FTreeFlat.size(); ++i) {
        TMemRecViewVz* n = FTreeFlat[i];
        bool shown = Ext(n)->NodeVisible, listed = Ext(n)->NodeVisible;
        for (TMemRecViewVz* p = Ext(n)->NodeParent; p && (shown || listed); p = Ext(p)->NodeParent) {
            if (!Ext(p)->NodeVisible) shown = listed = false;
            if (!Ext(p)->NodeExpanded) shown = false;
        }
        if (listed) FTreeVisible.push_back(n);
        if (shown) {
            ViewAdd(n);
            CalcLookupBuffer(n);
        }
    }
}

bool TRecordsViewVz::SetNodeExpanded(TMemRecViewVz* Node, bool Value) {
    if (!Node || Node->NodeExpanded() == Value) return true;
    if (Value && OnTreeNodeExpanding.Assigned() && !OnTreeNodeExpanding(Node)) return false;
    if (Value != FDefaultNodeExpanded) FToggledNodes.insert(Node->Rec());
    else FToggledNodes.remove(Node->Rec());
    ExtraOf(Node).NodeExpanded = Value;
    // Only the rows of the node's subtree change, and only when the node itself is a row.
    const int row = Ext(Node)->NodeVisible ? IndexOfItem(Node) : -1;
    if (row >= 0) {
        if (Value) {
            // The visible descendants under expanded nodes, depth first, go in after the node.
            int at = row + 1;
            std::vector<TMemRecViewVz*> stack(Node->NodeItems().rbegin(), Node->NodeItems().rend());
            while (!stack.empty()) {
                TMemRecViewVz* n = stack.back();
                stack.pop_back();
                if (!Ext(n)->NodeVisible) continue;
                ViewInsert(at++, n);
                CalcLookupBuffer(n);
                if (Ext(n)->NodeExpanded) stack.insert(stack.end(), Ext(n)->NodeItems.rbegin(), Ext(n)->NodeItems.rend());
            }
        } else {
            // The rows after the node that lie deeper than it are its subtree.
            const int level = Ext(Node)->NodeLevel;
            while (row + 1 < FMemoryViewList.Count() && Ext(GetRecordView(row + 1))->NodeLevel > level) ViewDelete(row + 1);
        }
    }
    DoViewDataEvent(nullptr, -1, rlnListChangedVz);
    if (Value && OnTreeNodeExpanded.Assigned()) OnTreeNodeExpanded(Node);
    return true;
}

void TRecordsViewVz::FullExpand() {
    FToggledNodes.clear();
    if (!FDefaultNodeExpanded)
        for (TMemRecViewVz* n : FTreeFlat) FToggledNodes.insert(n->Rec());
    RebuildTree();
    DoViewDataEvent(nullptr, -1, rlnListChangedVz);
}

void TRecordsViewVz::FullCollapse() {
    FToggledNodes.clear();
    if (FDefaultNodeExpanded)
        for (TMemRecViewVz* n : FTreeFlat) FToggledNodes.insert(n->Rec());
    RebuildTree();
    DoViewDataEvent(nullptr, -1, rlnListChangedVz);
}

bool TRecordsViewVz::CheckReferenceLoop(TMemoryRecordVz* Rec, const Variant& NewRefValue) const {
    if (FTreeViewKeyFields.empty() || FTreeViewRefParentFields.empty()) return false;
    String ref;
    if (VarIsEmpty(NewRefValue)) {
        ref = TreeKeyText(Rec, FTreeViewRefParentFields);
    } else {
        const bool arr = VarIsArray(NewRefValue);
        bool any = false;
        for (size_t i = 0; i < FTreeViewRefParentFields.size(); ++i) {
            const Variant v = arr ? NewRefValue.GetElement(VarArrayLowBound(NewRefValue, 1) + static_cast<int>(i)) : NewRefValue;
            if (VarIsNull(v) || VarIsEmpty(v)) {
                ref += u'\x01';
            } else {
                any = true;
                ref += VarIsNumeric(v) ? u'n' : u's';
                ref += VarToStr(v);
            }
            ref += u'\x02';
        }
        if (!any) ref = String();
    }
    if (ref.isNull() || ref == TreeKeyText(Rec, FTreeViewKeyFields)) return false;
    // The node the reference names, and its ancestors.
    TMemRecViewVz* p = nullptr;
    for (TMemRecViewVz* n : FTreeFlat)
        if (TreeKeyText(n->Rec(), FTreeViewKeyFields) == ref) {
            p = n;
            break;
        }
    for (; p; p = p->NodeParent())
        if (p->Rec() == Rec) return true;
    return false;
}
