// The in-memory dataset: a TDataSet whose records live in a record store (TMemTableDataVz) and are
// seen through one records view (TRecordsViewVz) that filters and sorts them.
//
// Record buffers are handles into a pool of TMTRecBuf objects (handle = pool index + 1). A buffer
// filled from a stored record reads through to it (UseMemRec) until the first write of a data
// field copies the values, so browsing costs no copy per row. A bookmark is the stored record
// plus two hints (its row in the view and in the view's sorted list); the record is the identity
// and the hints make GotoBookmark O(1) while they hold.
//
// Grids read any row without moving the cursor through instant reads (InstantReadEnter/Leave)
// and hear of single-row changes through view events sent to the registered receivers.
#pragma once

#include "grid/memtable/datadrivervz.h"
#include "grid/memtable/memtabledatavz.h"
#include "grid/memtable/mtexprparservz.h"
#include "grid/core/datalinkvz.h"
#include "platform/db/db.h"
#include "platform/rtl/collections.h"

#include <array>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TRecordsViewVz;
class TMemRecViewVz;
class TCustomMemTableVz;
class TBMListVz;
class TOrderByItemVz;

enum TMemTableOptionVz { mtoPersistentStructVz, mtoTextFieldsCaseInsensitive };
using TMemTableOptionsVz = TSet<TMemTableOptionVz>;
enum TMasterDetailSideVz { mdsOnSelfVz, mdsOnProviderVz, mdsOnSelfAfterProviderVz };
enum TMTViewEventTypeVz { mtRowInsertedVz, mtRowChangedVz, mtRowDeletedVz, mtRowMovedVz, mtViewDataChangedVz };
enum TLoadMode { lmCopy, lmAppend, lmCopyStructureOnly };
enum TMemTableLoadOptionVz { tloUseCachedUpdatesVz, tloDisregardFilterVz, tloOpenOnLoad };
using TMemTableLoadOptionsVz = TSet<TMemTableLoadOptionVz>;
enum TDfmStreamFormatVz { dfmBinaryVz, dfmTextVz };
enum TAggrFunctionVz { agfSumVz, agfCountVz, agfAvg, agfMin, agfMax };
using TAggrFunctionsVz = TSet<TAggrFunctionVz>;
// Sum, count, average, minimum, maximum.
using TAggrResultsVz = std::array<Variant, 5>;

using TMemTableChangeFieldValueEventVz = TEvent<void(TCustomMemTableVz* MemTable, TField* Field, Variant& Value)>;

// A receiver of the dataset's view events (a grid): one call per change of the rows.
class IMTEventReceiverVz {
public:
    virtual ~IMTEventReceiverVz() = default;
    virtual void MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int OldRowNum) = 0;
};

// The bookmark bytes.
struct TBookmarkDataVz {
    TMemoryRecordVz* MemRec = nullptr;
    Integer RecViewIndex = -1;
    Integer InSortedListIndex = -1;
    // The number of the view's item of the record: found again at once when the row moved (it
    // is checked against MemRec, which is never read through).
    unsigned ItemId = 0;
    // Where that item was: only prefetched while the item is checked, never read through.
    const void* ItemHint = nullptr;
};

// One pooled record buffer.
class TMTRecBuf : public TObject {
    SDELKA_CLASS(TMTRecBuf, TObject)
public:
    TMTRecBuf() = default;
    bool InUse = false;
    TBookmarkDataVz BookmarkData;
    TBookmarkFlag BookmarkFlag = bfCurrent;
    int RecordStatus = -2;
    int RecordNumber = -2;
    bool NewTreeNodeExpanded = false;
    bool NewTreeNodeHasChildren = false;
    TMemRecViewVz* RecView = nullptr;
    TMemoryRecordVz* MemRec = nullptr;
    std::vector<Variant> Values;  // by the dataset field's Index
    bool UseMemRec = false;
    bool NeedUpdateCalcFields = false;

    int ValueCount() const { return static_cast<int>(Values.size()); }
    void SetLength(int Len);
    void Clear();
};

using TMTTreeNodeExpandingEventVz = TEvent<void(TObject* Sender, int RecNo, bool& AllowExpansion)>;
using TRecordsViewTreeNodeExpandingEventVz = TEvent<void(TObject* Sender, TMemRecViewVz* Node, bool& AllowExpansion)>;
using TRecordsViewTreeNodeExpandedEventVz = TEvent<void(TObject* Sender, TMemRecViewVz* Node)>;
// Asked before a tree-mode move: False refuses it.
using TRecordsViewCheckMoveNodeEventVz =
    TEvent<bool(TObject* Sender, TMemRecViewVz* SourceNode, TMemRecViewVz* AppointedParent, int AppointedIndex)>;

// Tree-mode settings of the dataset, kept in its records view.
class TMemTableTreeListVz : public TPersistent {
    SDELKA_CLASS(TMemTableTreeListVz, TPersistent)
public:
    explicit TMemTableTreeListVz(TCustomMemTableVz* AMemTable) : FMemTable(AMemTable) {}

    bool Active() const;
    void SetActive(bool Value);
    const String& KeyFieldName() const;
    void SetKeyFieldName(const String& Value);
    const String& RefParentFieldName() const;
    void SetRefParentFieldName(const String& Value);
    bool DefaultNodeExpanded() const;
    void SetDefaultNodeExpanded(bool Value);
    bool DefaultNodeHasChildren() const;
    void SetDefaultNodeHasChildren(bool Value);
    bool FullBuildCheck() const;
    void SetFullBuildCheck(bool Value);
    bool FilterNodeIfParentVisible() const;
    void SetFilterNodeIfParentVisible(bool Value);
    void FullExpand();
    void FullCollapse();
    // Finds a record in the whole tree (collapsed branches too), expands its ancestors and moves
    // the dataset to it.
    bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options);

private:
    TCustomMemTableVz* FMemTable;
};

// ---- extra filters ------------------------------------------------------------------------------
// Filters beside Filter/OnFilterRecord (the grid's column filters): an item is in force while it
// is active and has a text or an event; a record is shown when every item in force accepts it.
class TMemTableFilterItemVz : public TCollectionItem {
    SDELKA_CLASS(TMemTableFilterItemVz, TCollectionItem)
protected:
    explicit TMemTableFilterItemVz(TCollection* Collection);
    ~TMemTableFilterItemVz() override;

public:
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    const String& Filter() const { return FFilter; }
    void SetFilter(const String& Value);
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    void SetOnFilterRecord(const TFilterRecordEvent& Value);
    // Active with a text or an event.
    bool Filtered() const { return FActive && (!FFilter.isEmpty() || FOnFilterRecord.Assigned()); }
    // The event was changed in place: the records are tested again.
    void FilterProcChanged();
    bool IsCurRecordInFilter(TMemoryRecordVz* Rec);
    void RecreateFilterExpr();

private:
    TCustomMemTableVz* MemTable() const;
    TOwned<TDataSetExprParserVz> FFilterExpr;
    bool FActive = false;
    String FFilter;
    TFilterRecordEvent FOnFilterRecord;
};

class TMemTableFiltersVz : public TCollection {
    SDELKA_CLASS(TMemTableFiltersVz, TCollection)
protected:
    explicit TMemTableFiltersVz(TCustomMemTableVz* AMemTable)
        : TCollection(TMemTableFilterItemVz::StaticClass()), FMemTable(AMemTable) {}
    ~TMemTableFiltersVz() override = default;

public:
    TCustomMemTableVz* MemTable() const { return FMemTable; }
    TMemTableFilterItemVz* Items(int Index) const { return ItemsAs<TMemTableFilterItemVz>(Index); }
    int ActiveFilterCount() const { return static_cast<int>(FActiveItems.size()); }
    int IndexOfFilter(TMemTableFilterItemVz* Item) const;
    bool HasEventActiveFilter() const;
    bool IsCurRecordInFilter(TMemoryRecordVz* Rec);
    void Update(TCollectionItem* Item) override;

private:
    TCustomMemTableVz* FMemTable;
    std::vector<TMemTableFilterItemVz*> FActiveItems;
};

// A list of values kept in ascending order by CompareVarValuesVz (the master values whose detail
// records were already read from the provider).
class TSortedVarItemVz : public TObject {
    SDELKA_CLASS(TSortedVarItemVz, TObject)
public:
    TSortedVarItemVz() = default;
    explicit TSortedVarItemVz(const Variant& AValue) : Value(AValue) {}
    Variant Value;
};

class TSortedVarlistVz : public TObjectListVz {
    SDELKA_CLASS(TSortedVarlistVz, TObjectListVz)
protected:
    TSortedVarlistVz() : TObjectListVz(true) {}
    ~TSortedVarlistVz() override = default;

public:
    TSortedVarItemVz* Items(int Index) const { return static_cast<TSortedVarItemVz*>(TObjectListVz::Items(Index)); }
    // Binary search: True when found (Index: the first equal item), else Index is where the
    // value would go. Values that do not compare raise.
    bool FindKeyValueIndex(const Variant& Value, int& Index) const;
    // Insert at the sorted place (the index given to Insert is not used); the list owns the item.
    int Add(TSortedVarItemVz* Item);
    int Insert(int Index, TSortedVarItemVz* Item);
};

// A value list is a framework object: the pointer frees it through Free.
struct TFieldValueListDeleterVz {
    void operator()(IMemTableDataFieldValueListVz* P) const;
};
using TFieldValueListPtrVz = std::unique_ptr<IMemTableDataFieldValueListVz, TFieldValueListDeleterVz>;

class TMemTableFilterItemVz;

// How grids, lookups and grouping read an in-memory dataset beside the dataset protocol:
// instant reads of any row, read-ahead, tree nodes, record moving, range aggregates, value
// lists and view-event receivers. The Boolean tree queries answer False without a current row.
class IMemTableVz {
public:
    virtual int FetchRecords(int Count) = 0;
    virtual int GetInstantReadCurRow() = 0;
    virtual bool GetReservedFlagA() = 0;
    virtual bool GetTreeNodeExpanded() = 0;
    virtual bool GetTreeNodeHasVisibleChildren() = 0;
    virtual int GetTreeNodeLevel() = 0;
    virtual int GetPriorRowTreeNodeLevel() = 0;
    virtual int GetNextRowTreeNodeLevel() = 0;
    virtual TMemoryRecordVz* GetRec() = 0;
    virtual int InstantReadIndexOfBookmark(const TBookmark& Bookmark) = 0;
    virtual int InstantReadRowCount() = 0;
    virtual int InstantReadViewRow() = 0;
    virtual bool GetReservedFlagB() = 0;
    virtual bool GetViewAsTreeList() const = 0;
    virtual TMemTableFilterItemVz* AddFilter(const String& FilterText, const TFilterRecordEvent& FilterProc) = 0;
    virtual bool UpdateFilter(TMemTableFilterItemVz* Item, const String& FilterText, const TFilterRecordEvent& FilterProc) = 0;
    virtual bool DeleteFilter(TMemTableFilterItemVz* Item) = 0;
    virtual bool AncestorHasNextSibling(int Level) = 0;
    virtual bool AncestorHasPriorSibling(int Level) = 0;
    virtual bool GotoRec(TMemoryRecordVz* Rec) = 0;
    virtual int SetRowTreeNodeExpanded(int RowNum, bool Expanded) = 0;
    virtual TFieldValueListPtrVz GetFieldValueList(const String& FieldName) = 0;
    virtual bool MoveRecords(TBMListVz* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) = 0;
    virtual String GetLikeWildcardOneChar() = 0;
    virtual String GetLikeWildcardAnyChars() = 0;
    virtual bool BookmarkInVisibleView(const TBookmark& Bookmark) = 0;
    virtual void GetAggregatedValuesForRange(const TBookmark& FromBM, const TBookmark& ToBM, const String& FieldName,
                                             TAggrResultsVz& Results, TAggrFunctionsVz Functions) = 0;
    virtual void MTDisableControls() = 0;
    virtual void MTEnableControls(bool ForceUpdateState) = 0;
    virtual void InstantReadEnter(int RowNum) = 0;
    virtual void InstantReadLeave() = 0;
    virtual void RegisterEventReceiver(TComponent* Receiver) = 0;
    virtual int UnregisterEventReceiver(TComponent* Receiver) = 0;
    virtual void SetFilterAborted() = 0;

protected:
    ~IMemTableVz() = default;
};

// A field whose value is an object reference (the store's object-reference fields, of the
// unknown type). Value reads and writes the object through its dataset; the Variant form keeps the
// reference as an object Variant. Without a dataset the field raises "Field '%s' has no dataset".
class TRefObjectField : public TField {
    SDELKA_CLASS(TRefObjectField, TField)
protected:
    explicit TRefObjectField(TComponent* AOwner);
    ~TRefObjectField() override = default;

public:
    TObject* Value() const;
    void SetValue(TObject* Value);
    Variant AsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    String AsString() const override;
    Variant NativeValue(const Variant& Value) const override { return Value; }
};

class TCustomMemTableVz : public TDataSet, public IMemTableVz {
    SDELKA_CLASS(TCustomMemTableVz, TDataSet)
protected:
    explicit TCustomMemTableVz(TComponent* AOwner);
    ~TCustomMemTableVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    // Opening also sets up the aggregates of the aggregate fields.
    void SetActive(bool Value) override;

    // ---- structure
    void CreateDataSet();
    void DestroyTable();
    void EmptyTable();
    void CopyStructure(TDataSet* Source);
    // The store the dataset shows: its own, or ExternalMemData's.
    TMemTableDataVz* MemTableData() const {
        return FExternalMemData ? FExternalMemData->FInternMemTableData.get() : FInternMemTableData.get();
    }
    // Shows the records of another dataset's store (nullptr: its own again); the dataset closes
    // and reopens around the change. Refused for the dataset itself and while a data driver is
    // attached; the other dataset's freeing detaches it.
    TCustomMemTableVz* ExternalMemData() const { return FExternalMemData; }
    void SetExternalMemData(TCustomMemTableVz* Value);
    // Index definitions: made into the store's indexes (CreateIndexesFromDefs) on open and by
    // CreateDataSet.
    TIndexDefs* IndexDefs();
    void SetIndexDefs(TIndexDefs* Value);
    virtual void CreateIndexesFromDefs();
    TRecordsViewVz* RecordsView() const { return FRecordsView.get(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TMemTableOptionsVz Options() const { return FOptions; }
    void SetOptions(TMemTableOptionsVz Value);
    bool FetchAllOnOpen() const { return FFetchAllOnOpen; }
    void SetFetchAllOnOpen(bool Value) { FFetchAllOnOpen = Value; }
    // The aggregates of the records view are computed (off at creation).
    bool AggregatesActive() const;
    void SetAggregatesActive(bool Value);

    // ---- positions
    bool IsSequenced() override { return true; }
    TMemoryRecordVz* Rec();
    TMemRecViewVz* RecView();

    // ---- bookmarks
    TBookmark GetBookmark() override;
    bool BookmarkValid(const TBookmark& Bookmark) override;
    int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) override;
    TBookmark RecToBookmark(TMemoryRecordVz* Rec) const;
    TMemoryRecordVz* BookmarkToRec(const TBookmark& Bookmark) const;
    int BookmarkToRecNo(const TBookmark& Bookmark);
    bool BookmarkInVisibleView(const TBookmark& Bookmark) override;
    int InstantReadIndexOfBookmark(const TBookmark& Bookmark) override;
    bool GotoRec(TMemoryRecordVz* Rec) override;

    // ---- filters, search and sort
    void SetFiltered(bool Value) override;
    void SetOnFilterRecord(const TFilterRecordEvent& Value) override;
    void SetFilterOptions(TFilterOptions Value) override;
    bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
    Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) override;
    Variant LookupAll(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);
    // The view row of the first match from StartRecIndex on, or -1.
    int FindRec(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options, int StartRecIndex,
                bool TryUseIndex);
    const String& SortOrder() const { return FSortOrder; }
    void SetSortOrder(const String& Value);
    // Reorders the store once by the text (the new physical order).
    void SortByFields(const String& SortText);
    // Reorders the store once by values Proc computes: for every record (read through an
    // instant read) Proc(Value, i) gives the value of the i-th key, one key per direction
    // (True: descending); texts compare without case under mtoTextFieldsCaseInsensitive.
    using TGetOrderVarValueProcVz = std::function<void(Variant& VarValue, int Index)>;
    void SortWithExternalProc(const std::vector<bool>& DescDirections, const TGetOrderVarValueProcVz& Proc);
    virtual int CompareRecords(TMemoryRecordVz* Rec1, TMemoryRecordVz* Rec2, TObject* ParamSort);
    // The value a record sorts by for an item whose field is not stored (a calculated or lookup
    // field): read through an instant read of the record.
    Variant SortValue(TMemoryRecordVz* Rec, const TOrderByItemVz* Item);
    virtual void RefreshFilteredView();
    TMemTableFiltersVz* ExtraFilters() const { return FExtraFilters.get(); }
    // Adds an active filter item with the text and the event; the item stays the collection's.
    TMemTableFilterItemVz* AddFilter(const String& FilterText, const TFilterRecordEvent& FilterProc) override;
    bool UpdateFilter(TMemTableFilterItemVz* Item, const String& FilterText, const TFilterRecordEvent& FilterProc) override;
    bool DeleteFilter(TMemTableFilterItemVz* Item) override;
    bool IsRecordAccepted(TMemoryRecordVz* Rec, TMemRecViewVz* ViewItem);
    // IsRecordAccepted over many records at once, where only the filter text decides (no event,
    // no record buffer, no further filter): the records view's OnFilterRecords.
    TRecordsTestVz AcceptRecords(TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes);

    // ---- editing, cached updates, driver
    bool CachedUpdates() const;
    void SetCachedUpdates(bool Value);
    virtual int ApplyUpdates(int MaxErrors);
    virtual int ApplyUpdatesToDriver(TMemTableDataVz* AMemTableData, int MaxErrors);
    void CancelUpdates();
    void MergeChangeLog();
    bool HasCachedChanges() const;
    void RevertRecord();
    void RefreshRecord();
    TUpdateStatus UpdateStatus() override;
    TUpdateErrorVz* UpdateError();
    TUpdateStatusSet StatusFilter() const;
    void SetStatusFilter(TUpdateStatusSet Value);
    // ---- master-detail: the view shows the records whose DetailFields equal the master's
    // current MasterFields (all records stay in the store); a new record takes the master's values.
    TDataSource* MasterSource() const;
    void SetMasterSource(TDataSource* Value);
    const String& MasterFields() const;
    void SetMasterFields(const String& Value);
    const String& DetailFields() const { return FDetailFields; }
    void SetDetailFields(const String& Value);
    // mdsOnSelfVz: the view shows the store's records that match the master. mdsOnProviderVz:
    // the driver reads the master's details alone (its reader's parameters from the master's
    // fields of the same names) and the dataset reopens when they change. mdsOnSelfAfterProviderVz:
    // each new master's details are read once and added to the store, which is then filtered.
    TMasterDetailSideVz MasterDetailSide() const { return FMasterDetailSide; }
    void SetMasterDetailSide(TMasterDetailSideVz Value);
    bool DetailMode() const { return FDetailMode; }
    TDataSource* DataSource() const override { return MasterSource(); }
    TDataDriverVz* DataDriver() const { return FDataDriver; }
    // One driver serves one dataset: a driver another dataset consumes leaves that one first.
    // Refused while ExternalMemData is set.
    void SetDataDriver(TDataDriverVz* Value);
    // The driver's structure settings changed: the property-change data event.
    void DriverStructChanged() { DataEvent(dePropertyChange, 0); }
    int FetchRecords(int Count) override;
    int FetchFromDriver(int Count);
    TAutoIncrementVz* AutoIncrement() const;

    // ---- loading, copying, saving
    int LoadFromDataSet(TDataSet* Source, int RecordCount, TLoadMode Mode, bool UseCachedUpdates);
    int LoadFromMemTableVz(TCustomMemTableVz* Source, int RecordCount, TLoadMode Mode, TMemTableLoadOptionsVz Options);
    int SaveToDataSet(TDataSet* Dest, int RecordCount);
    void SaveToStream(TStream* Stream, TDfmStreamFormatVz Format = dfmBinaryVz);
    void LoadFromStream(TStream* Stream);
    void SaveToFile(const String& FileName, TDfmStreamFormatVz Format = dfmBinaryVz);
    void LoadFromFile(const String& FileName);

    // ---- the grid's side (IMemTableVz: instant reads, view events)
    bool GetReservedFlagA() override { return false; }
    bool GetReservedFlagB() override { return true; }
    bool GetTreeNodeExpanded() override { return TreeNodeExpanded(); }
    bool GetTreeNodeHasVisibleChildren() override { return TreeNodeHasVisibleChildren(); }
    int GetTreeNodeLevel() override { return TreeNodeLevel(); }
    TMemoryRecordVz* GetRec() override { return Rec(); }
    String GetLikeWildcardOneChar() override { return u"_"_S; }
    String GetLikeWildcardAnyChars() override { return u"%"_S; }
    // The view stops filtering (a long filter pass given up).
    void SetFilterAborted() override;
    int GetInstantReadCurRow() override;
    void InstantReadEnter(int RowNum) override;
    // The internal entry forms: a stored record with its view item (or none) and a row number.
    void InstantReadEnter(TMemoryRecordVz* Rec, TMemRecViewVz* Item, int RowNum);
    void InstantReadLeave() override;
    int InstantReadViewRow() override;
    int InstantReadRowCount() override;
    bool InstantReadMode() const { return !FInstantBuffers.empty(); }
    void RegisterEventReceiver(TComponent* Receiver) override;
    int UnregisterEventReceiver(TComponent* Receiver) override;
    void MTDisableControls() override { DisableControls(); }
    void MTEnableControls(bool ForceUpdateState) override;
    virtual void MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int OldRowNum);
    void BeginViewUpdate() { ++FRecordsViewUpdating; }
    void EndViewUpdate(bool Resync);

    // ---- tree mode
    TMemTableTreeListVz* TreeList() const { return FTreeList.get(); }
    bool GetViewAsTreeList() const override;
    TMemRecViewVz* TreeNode();
    int TreeNodeLevel();
    bool TreeNodeExpanded();
    void SetTreeNodeExpanded(bool Value);
    bool TreeNodeHasChildren();
    bool TreeNodeHasVisibleChildren();
    int TreeNodeChildCount();
    int GetPriorRowTreeNodeLevel() override;
    int GetNextRowTreeNodeLevel() override;
    bool AncestorHasNextSibling(int Level) override;
    bool AncestorHasPriorSibling(int Level) override;
    // Expands or collapses the node of a row; when that hides the current record, the row + 1 of
    // its nearest shown ancestor, else -1.
    int SetRowTreeNodeExpanded(int RowNum, bool Expanded) override;
    // Before a collapsed node expands (the node's record is what the fields show: the current
    // record, or an instant read of the node's row) and after; OnRecordsViewTreeNodeExpanding
    // is asked first, with the node itself.
    TMTTreeNodeExpandingEventVz OnTreeNodeExpanding;
    TRecordsViewTreeNodeExpandingEventVz OnRecordsViewTreeNodeExpanding;
    TRecordsViewTreeNodeExpandedEventVz OnRecordsViewTreeNodeExpanded;
    TRecordsViewCheckMoveNodeEventVz OnRecordsViewCheckMoveNode;

    // ---- record moving, range aggregates, value lists
    // Moves the row FromIndex to the row ToIndex (0-based). In tree mode the row goes to level
    // TreeLevel beside or under the rows around the gap: its parent field changes and, beside a
    // node, its place in the store follows that node. False when OnRecordsViewCheckMoveNode
    // refuses or the new parent would make the node its own ancestor (CheckOnly: only asks).
    bool MoveRecord(int FromIndex, int ToIndex, int TreeLevel, bool CheckOnly);
    bool MoveRecords(TBMListVz* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) override;
    void GetAggregatedValuesForRange(const TBookmark& FromBM, const TBookmark& ToBM, const String& FieldName,
                                     TAggrResultsVz& Results, TAggrFunctionsVz Functions) override;
    // The distinct values of a field as texts (the column filter drop-downs); nullptr for a field
    // the dataset does not have.
    TFieldValueListPtrVz GetFieldValueList(const String& FieldName) override;

    // ---- field values
    bool GetFieldData(TField* Field, Variant& Value) override;
    // The value of an aggregate field's aggregate (Null while aggregates are off or no row is shown).
    Variant GetAggregateValue(TField* Field) override;
    // The aggregate of the field takes the field's definition and is recalculated.
    void ResetAggField(TField* Field) override;
    void SetFieldData(TField* Field, const Variant& Value) override;
    // The object a field's value references (after OnGetFieldValue); nil and false for Null or
    // no current buffer.
    virtual bool GetFieldDataAsObject(TField* Field, TObject*& Value);
    // Stores an object reference as the field's value (nil stores Null): the edit-state check,
    // OnSetFieldValue and the field-change event as for any write, without the field's validation.
    virtual void SetFieldDataAsObject(TField* Field, TObject* Value);
    // TRefObjectField for the unknown type (the store's object-reference fields).
    TClass GetFieldClass(TFieldType FieldType) const override;
    TMemTableChangeFieldValueEventVz OnGetFieldValue;
    TMemTableChangeFieldValueEventVz OnSetFieldValue;

    TMTRecBuf* GetRecBuf(TRecordBuffer Handle) const;
    virtual bool GetActiveRecBuf(TMTRecBuf*& Buf, bool IgnoreInstantRead = false);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& Buffer) override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) override;
    void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalHandleException() override;
    void InternalGotoBookmark(const TBookmark& Bookmark) override;
    void InternalSetToRecord(TRecordBuffer Buffer) override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalEdit() override;
    void InternalInsert() override;
    void InternalRefresh() override;
    bool IsCursorOpen() const override { return FActive; }
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoValue(int Value) override;
    bool GetCanModify() override { return !FReadOnly; }
    void ClearCalcFields(TRecordBuffer Buffer) override;
    void SetFilterText(const String& Value) override;
    void OpenCursor(bool InfoQuery) override;
    void CalculateFields(TRecordBuffer Buffer) override;
    void DataEventHook(TDataEvent Event, NativeInt Info) override;
    void DoOnNewRecord() override;
    virtual void CopyBufferToRecord(TMTRecBuf* Buffer, TMemoryRecordVz* Rec);

private:
    friend class TMemTableTreeListVz;
    // OnSetFieldValue, then the value into the buffer and the field-change event (the state
    // checks and validation are the caller's).
    void StoreFieldValue(TMTRecBuf* Buf, TField* Field, Variant Value, TDataSetState State);
    friend class TMemTableFilterItemVz;
    // A filter expression over this dataset that reads the record *Current points to.
    TOwned<TDataSetExprParserVz> MakeRecordFilter(const String& Text);
    void FillBufferFromRecord(TMemoryRecordVz* MemRec, int RowNum, TMTRecBuf* Buf);
    void ResyncView();
    void AfterTreeChange();
    void UpdateDetailMode(bool Refresh);
    void MasterChanged();
    // The driver's reader parameters from the master's current record (master-detail on the
    // provider's side).
    void SetReaderParamsFromMaster();
    void ProviderMasterChanged();
    bool ProviderSide() const { return FMasterDetailSide == mdsOnProviderVz || FMasterDetailSide == mdsOnSelfAfterProviderVz; }
    Variant CurrentMasterValues() const;
    void ParseFilterExpr();
    void ViewDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action);
    void ViewRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex);
    bool MoveTreeNode(int FromIndex, int ToIndex, int TreeLevel, bool CheckOnly);
    // The store's field-calculation hook while open with internal-calculated fields.
    void CalcInternalFields(TMemoryRecordVz* MemRec, std::vector<Variant>& FieldValues);
    int GridRowOfViewIndex(int Index) const;
    // The row of a bookmark's record after checking (and refreshing) its hints; -1 when hidden.
    // The bookmark's row (-1 when the view hides the record); its hints are brought up to date,
    // the sorted-list place only when NeedSortedPlace (or the record is hidden).
    int RefreshBookmarkHints(TBookmarkDataVz& Data, bool NeedSortedPlace = true) const;
    static bool ReadBookmark(const TBookmark& Bookmark, TBookmarkDataVz& Data);
    Variant StoredKeyValue(TMemoryRecordVz* Rec, const std::vector<int>& StoreFields) const;
    int FetchAll();
    // The fields of a key list (as GetFieldList), resolved again only when the text or the
    // fields change.
    const std::vector<TField*>& KeyFieldList(const String& KeyFields);

    bool FStateInsert = false;
    int FStateInsertRowNum = -1;
    std::vector<TComponent*> FEventReceivers;
    std::vector<TMTRecBuf*> FRecordCache;  // the pool, owned
    std::vector<int> FFreeBuffers;         // pool slots handed back
    bool FActive = false;
    TDataDriverVz* FDataDriver = nullptr;
    TDataSet* FDataSetReader = nullptr;
    bool FFetchAllOnOpen = false;
    TOwned<TDataSetExprParserVz> FFilterExpr;
    String FKeyFieldsText;
    std::vector<TField*> FKeyFields;
    std::vector<String> FKeyFieldNames;
    std::vector<TRecordBuffer> FInstantBuffers;
    int FInstantReadCurRowNum = -1;
    bool FReadOnly = false;
    int FRecordPos = -1;
    TOwned<TRecordsViewVz> FRecordsView;
    TOwned<TMemTableTreeListVz> FTreeList;
    TOwned<TMemTableFiltersVz> FExtraFilters;
    TOwned<TMasterDataLink> FMasterDataLink;
    String FDetailFields;
    std::vector<int> FDetailStoreFields;
    // FMasterValues taken apart, one key per detail field (made again when stale).
    std::vector<Variant> FMasterKeys;
    bool FMasterKeysStale = true;
    TMasterDetailSideVz FMasterDetailSide = mdsOnSelfVz;
    bool FDetailMode = false;
    Variant FMasterValues;
    TOwned<TSortedVarlistVz> FMasterValList = NewOwned<TSortedVarlistVz>();
    TOwned<TMemTableDataVz> FInternMemTableData;
    int FRecordsViewUpdating = 0;
    bool FRecordsViewUpdated = false;
    String FSortOrder;
    int FMTViewDataEventInactiveCount = 0;
    int FInactiveEventRowNum = -1;
    TMTViewEventTypeVz FInactiveEvent = mtViewDataChangedVz;
    int FInactiveEventOldRowNum = -1;
    bool FOldActive = false;
    TMemTableOptionsVz FOptions;
    String FAutoIncrementFieldName;
    bool FInViewEvent = false;
    TCustomMemTableVz* FExternalMemData = nullptr;
    TOwned<TIndexDefs> FIndexDefs;
    // While SortWithExternalProc runs: the routine and each stored record's key.
    TGetOrderVarValueProcVz FGetOrderVarValueProc;
    std::unordered_map<const TMemoryRecordVz*, Variant> FSortingValues;
};

// The distinct values of one field of a store (or of the rows of a records view) as texts: texts
// sorted without duplicates, other types in key order through a temporary index. Rebuilt on
// demand after any change of the data.
class TMemTableDataFieldValueListVz : public TObject, public IMemTableDataFieldValueListVz {
    SDELKA_CLASS(TMemTableDataFieldValueListVz, TObject)
public:
    explicit TMemTableDataFieldValueListVz(TCustomMemTableVz* ADataSet);
    ~TMemTableDataFieldValueListVz() override;

    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    TComponent* DataObject() const;
    void SetDataObject(TComponent* Value);
    TStrings* Values() { return GetValues(); }
    TStrings* GetValues() override;
    void SetFilter(const String& Filter) override;

private:
    void Rebuild();
    bool Passes(TMemoryRecordVz* Rec);

    bool FDataObsoleted = true;
    TCustomMemTableVz* FDataSet;
    String FFieldName;
    String FFilter;
    TOwned<TDataSetExprParserVz> FFilterExpr;
    TOwned<TRecordsListNotificatorVz> FNotificator;
    TOwned<TStringList> FValues;
};

class TMemTableVz : public TCustomMemTableVz {
    SDELKA_CLASS(TMemTableVz, TCustomMemTableVz)
protected:
    ~TMemTableVz() override = default;
    explicit TMemTableVz(TComponent* AOwner) : TCustomMemTableVz(AOwner) {}
};
