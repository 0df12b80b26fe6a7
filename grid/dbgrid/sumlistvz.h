// The sum list producer: totals, averages and counts of a dataset's fields kept up to date for
// the grid's footers. One pass over the data when the dataset opens, its filter or master record
// changes or the definitions change; afterwards each edit, insert, post and delete corrects the
// values by the record's share, without rescanning. Over the in-memory table the table's own
// aggregates compute everything. Optionally it keeps every record's bookmark (virtual records),
// which gives record numbers to datasets that have none.
#pragma once

#include "grid/core/bmlistvz.h"
#include "platform/db/db.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/currency.h"

enum TGroupOperation { goSum, goAvg, goCount };

class TDBSumListProducer;

class TDBSum : public TCollectionItem {
    SDELKA_CLASS(TDBSum, TCollectionItem)
protected:
    explicit TDBSum(TCollection* Collection);
    ~TDBSum() override = default;

public:
    static void Published(TPublished<TDBSum>& P);
    void Assign(TPersistent* Source) override;

    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    TGroupOperation GroupOperation() const { return FGroupOperation; }
    void SetGroupOperation(TGroupOperation Value);

    Currency Value;               // the current record's share, taken when editing or inserting begins
    Variant VarValue = Null();    // goAvg: the field's value when editing began (Null for a new record)
    Currency SumValue;            // the total, average or count
    int FNotNullRecordCount = 0;  // goAvg
    Currency FSumValueAsSum;      // goAvg

private:
    String FFieldName;
    TGroupOperation FGroupOperation = goSum;
};

class TDBSumCollection : public TCollection {
    SDELKA_CLASS(TDBSumCollection, TCollection)
protected:
    explicit TDBSumCollection(TDBSumListProducer* AOwner = nullptr);
    ~TDBSumCollection() override = default;

public:
    TDBSum* Items(int Index) const { return ItemsAs<TDBSum>(Index); }
    TDBSum* Add() { return static_cast<TDBSum*>(TCollection::Add()); }
    TDBSum* GetSumByOpAndFName(TGroupOperation AGroupOperation, const String& AFieldName) const;
    TPersistent* GetOwner() override;

protected:
    void Update(TCollectionItem* Item) override;

private:
    TDBSumListProducer* FOwner;
};

class TSLBookmarkListVz : public TBMListVz {
    SDELKA_CLASS(TSLBookmarkListVz, TBMListVz)
protected:
    explicit TSLBookmarkListVz(TDBSumListProducer* ASumListProducer = nullptr) : FProducer(ASumListProducer) {}
    ~TSLBookmarkListVz() override = default;

public:
    TDataSet* GetDataSet() override;
    // Items kept in the dataset's order as the producer puts them (no sorting of its own).
    void InsertAt(int Index, const TBookmark& Item) { InsertItem(Index, Item); }

private:
    TDBSumListProducer* FProducer;
};

class TDBSumListProducer : public TPersistent {
    SDELKA_CLASS(TDBSumListProducer, TPersistent)
protected:
    explicit TDBSumListProducer(TComponent* AOwner = nullptr);
    ~TDBSumListProducer() override;

public:
    TComponent* Owner() const { return FOwner; }
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    bool ExternalRecalc() const { return FExternalRecalc; }
    void SetExternalRecalc(bool Value);
    bool VirtualRecords() const { return FVirtualRecords; }
    void SetVirtualRecords(bool Value);
    TDBSumCollection* SumCollection() const { return FSumCollection.get(); }
    TSLBookmarkListVz* VirtualRecList() const { return FVirtualRecList.get(); }

    TNotifyEvent SumListChanged;
    TNotifyEvent OnRecalcAll;
    TNotifyEvent OnAfterRecalcAll;

    void Activate(bool ARecalcAll);
    void Deactivate(bool AClearSumValues);
    void ActivateAfterLoading();
    void ClearSumValues();
    void NotifySumListChanged();
    virtual void RecalcAll();
    void RecalcAllSilently();
    void SumCollectionChanged();

    int GetRecNo();
    void SetRecNo(int Value);
    int RecordCount();
    bool IsSequenced();
    int IndexOfVirtualRecord(const TBookmark& Bookmark);
    bool BookmarkInVisibleView(const TBookmark& Bookmark);

protected:
    virtual void SetDataSetEvents();
    virtual void RestoreDataSetEvents();
    void RecalcAllForIntMemTable();
    bool OwnerLoading() const;
    bool OwnerDesigning() const;

    bool FDesignTimeWork = false;
    bool FEventsOverloaded = false;
    bool FActive = false;

private:
    void DataSetAfterEdit(TDataSet* DataSet);
    void DataSetAfterInsert(TDataSet* DataSet);
    void DataSetAfterOpen(TDataSet* DataSet);
    void DataSetAfterPost(TDataSet* DataSet);
    void DataSetAfterScroll(TDataSet* DataSet);
    void DataSetBeforeDelete(TDataSet* DataSet);
    void DataSetAfterDelete(TDataSet* DataSet);
    void DataSetAfterClose(TDataSet* DataSet);
    void DataSetAfterCancel(TDataSet* DataSet);
    void MasterDataSetAfterScroll(TDataSet* DataSet);
    // The definitions that read the data: goCount ones and those with a field.
    bool Reads(TDBSum* Sum) const { return Sum->GroupOperation() == goCount || !Sum->FieldName().isEmpty(); }
    void InsertVirtualRecord(const TBookmark& Bookmark);

    bool Changing = false;
    TDataSet* FDataSet = nullptr;
    bool FExternalRecalc = false;
    String Filter;
    bool Filtered = false;
    TDataSet* FMasterDataset = nullptr;
    int FOldRecNo = -1;
    TComponent* FOwner;
    bool FRecalcAllSilently = false;
    TOwned<TDBSumCollection> FSumCollection;
    bool FTryedInsert = false;
    bool FVirtualRecords = false;
    TOwned<TSLBookmarkListVz> FVirtualRecList;
    bool FDataSetChanging = false;
    // A delete whose share is taken off once the dataset has really deleted the record.
    struct TPendingDeleteVz {
        bool Pending = false;
        std::vector<Currency> Shares;
        std::vector<bool> NotNull;
        TBookmark Bookmark;
    } FPendingDelete;
    TDataSetNotifyEvent OldAfterCancel, OldAfterClose, OldAfterEdit, OldAfterInsert, OldAfterOpen, OldAfterPost,
        OldAfterScroll, OldBeforeDelete, OldAfterDelete, OldMasterAfterScroll;
};

// The data grid's producer: inactive until its Active is set; while the grid is designed it
// computes sums without replacing the dataset's handlers.
class TDBGridVzSumList : public TDBSumListProducer {
    SDELKA_CLASS(TDBGridVzSumList, TDBSumListProducer)
protected:
    explicit TDBGridVzSumList(TComponent* AOwner = nullptr);
    ~TDBGridVzSumList() override = default;

public:
    void RecalcAll() override;

protected:
    void SetDataSetEvents() override;
    void RestoreDataSetEvents() override;
};
