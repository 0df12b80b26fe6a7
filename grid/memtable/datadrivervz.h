// The data-driver link of the in-memory dataset: what a dataset asks of the driver that reads its
// records and writes its changes back. Every step is a pair: an event that, when assigned,
// replaces the step, and the virtual Default... method that runs otherwise. The base driver
// reads a ProviderDataSet and writes changes back into it; the SQL drivers (sqldatadrivervz.h)
// and the ADO driver (adodatadrivervz.h) derive from it.
#pragma once

#include "grid/memtable/memtabledatavz.h"
#include "platform/db/db.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

#include <vector>

class TDataSet;
class TFields;
class TMTDataStructVz;
class TMemTableDataVz;
class TMemoryRecordVz;
class TDataDriverVz;
class TADOConnection;

// One apply of cached updates on an ADO connection: one transaction (unless the caller holds one
// already), each record behind a savepoint of its own so that a failing record is undone alone.
class TADOApplyTransactionVz {
public:
    void Begin(TADOConnection* Connection);
    void End(bool Commit);
    void BeginRecord();
    void EndRecord(bool Success);
    bool OwnTransaction() const { return FOwnTransaction; }

private:
    TADOConnection* FConnection = nullptr;
    bool FOwnTransaction = false;
};

enum TUpdateErrorActionVz { ueaBreakAbortVz, ueaBreakRaiseVz, ueaCountinueVz, ueaRetryVz, ueaCountinueSkip };

using TDataDriverProduceDataReaderVzEvent =
    TEvent<void(TDataDriverVz* DataDriver, TDataSet*& DataReader, bool& FreeOnEof)>;
using TDataDriverBuildDataStructVzEvent = TEvent<void(TDataDriverVz* DataDriver, TMTDataStructVz* DataStruct)>;
using TDataDriverReadRecordVzEvent = TEvent<void(TDataDriverVz* DataDriver, TMemTableDataVz* MemTableData,
                                                 TMemoryRecordVz* MemRec, bool& ProviderEOF)>;
using TDataDriverAssignFieldValueVzEvent =
    TEvent<void(TDataDriverVz* DataDriver, TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec,
                int DataFieldIndex, TDataValueVersionVz DataValueVersion, TDataSet* ReaderDataSet)>;
using TDataDriverRecordVzEvent =
    TEvent<void(TDataDriverVz* DataDriver, TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec)>;
using TDataDriverUpdateErrorVzEvent = TEvent<void(TDataDriverVz* DataDriver, TMemTableDataVz* MemTableData,
                                                  TMemoryRecordVz* MemRec, TUpdateErrorActionVz& Action)>;

// What a data driver offers its consumer: the dataset it serves (one at a time).
class IDataDriverConsumerVz {
public:
    virtual void SetDataDriverConsumer(TObject* Consumer) = 0;
    virtual TObject* GetDataDriverConsumer() = 0;

protected:
    ~IDataDriverConsumerVz() = default;
};

// A component that another component owns on the designer's side (its side parent).
class ISideOwnedComponentVz {
public:
    virtual bool IsSideParent(TComponent* AComponent) = 0;
    virtual void SetSideParent(TComponent* AComponent) = 0;

protected:
    ~ISideOwnedComponentVz() = default;
};

class TDataDriverVz : public TComponent, public IDataDriverConsumerVz, public ISideOwnedComponentVz {
    SDELKA_CLASS(TDataDriverVz, TComponent)
protected:
    explicit TDataDriverVz(TComponent* AOwner) : TComponent(AOwner) {}
    ~TDataDriverVz() override;

public:
    // The dataset this driver serves (one at a time), or nullptr.
    TDataSet* ConsumerDataSet() const { return FConsumer; }
    void SetConsumerDataSet(TDataSet* Value) { FConsumer = Value; }
    void SetDataDriverConsumer(TObject* Consumer) override { FConsumer = dynamic_cast<TDataSet*>(Consumer); }
    TObject* GetDataDriverConsumer() override { return FConsumer; }
    // The side owner: only while SideParentable is set (nothing here sets it). It is streamed
    // by name ("SideParentName") and found among the owner's components after loading.
    bool SideParentable() const { return FSideParentable; }
    void SetSideParentable(bool Value) { FSideParentable = Value; }
    TComponent* SideParent() const { return FSideParent; }
    bool IsSideParent(TComponent* AComponent) override { return FSideParentable && AComponent == FSideParent; }
    void SetSideParent(TComponent* AComponent) override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    // The consumer hears that the structure the driver gives may have changed.
    void StructChanged();

    // Key field names separated by ";" (used to locate records in the provider dataset).
    const String& KeyFields() const { return FKeyFields; }
    void SetKeyFields(const String& Value) { FKeyFields = Value; }
    TDataSet* ProviderDataSet() const { return FProviderDataSet; }
    // A dataset that reads through this driver itself is refused.
    virtual void SetProviderDataSet(TDataSet* Value);
    TDataSet* ReaderDataSet() const { return FReaderDataSet; }
    bool ResolveToDataSet() const { return FResolveToDataSet; }
    void SetResolveToDataSet(bool Value) { FResolveToDataSet = Value; }

    TDataDriverAssignFieldValueVzEvent OnAssignFieldValue;
    TDataDriverBuildDataStructVzEvent OnBuildDataStruct;
    TDataDriverProduceDataReaderVzEvent OnProduceDataReader;
    TDataDriverReadRecordVzEvent OnReadRecord;
    TDataDriverRecordVzEvent OnRefreshRecord;
    TDataDriverUpdateErrorVzEvent OnUpdateError;
    TDataDriverRecordVzEvent OnUpdateRecord;

    // The dataset the driver reads from while the consumer is open (may be nullptr).
    virtual TDataSet* GetDataReader();
    // Fills the structure of the store from the reader's fields.
    virtual void BuildDataStruct(TMTDataStructVz* DataStruct);
    // Reads up to Count records (-1: all) into the store; answers the number read.
    virtual int ReadData(TMemTableDataVz* MemTableData, int Count);
    // True once the reader has no more records.
    bool ProviderEOF() const { return FProviderEOF; }
    // Becoming True frees a reader the driver owns.
    void SetProviderEOF(bool Value);
    // Writes the changes held by the store's change log; answers the number of records written.
    // A record that fails stays in the change log with its error and is not counted.
    virtual int ApplyUpdates(TMemTableDataVz* MemTableData);
    virtual void UpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec);
    virtual void AssignFieldValue(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec, int DataFieldIndex,
                                  TDataValueVersionVz DataValueVersion, TDataSet* ReaderDataSet);
    // Re-reads one record from the provider.
    virtual void RefreshRecord(TMemoryRecordVz* MemRec);
    // Re-opens the reader (the dataset's Refresh).
    virtual void RefreshReader();
    // The consumer closed: the reader may be released.
    virtual void ConsumerClosed(TDataSet* Consumer);
    // Whether opening has to wait for a connection that is not there yet; a dataset that has to
    // wait registers itself and is opened once the connection is made.
    virtual bool ConnectionIsPostponed() { return false; }
    virtual void AddPostponedActivationDataSet(TDataSet* /*ADataSet*/) {}
    // Master-detail on the reader's side: the reader's parameters take the values of the master
    // fields of the same names; the refresh answers whether one of those values changed.
    virtual void SetReaderParamsFromCursor(TDataSet* DataSet);
    virtual bool RefreshReaderParamsFromCursor(TDataSet* DataSet);

    // Writes one record into the provider dataset; raises EDatabaseError when the record cannot
    // be located there. False when the driver has nowhere to write (no provider, or
    // ResolveToDataSet off): the change then stays local, as with no driver.
    virtual bool DefaultUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec);
    virtual void DefaultUpdateError(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec,
                                    TUpdateErrorActionVz& Action);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void AdjustDataStruct(TFields* /*Fields*/, TMTDataStructVz* /*DataStruct*/) {}
    virtual void DefaultProduceDataReader(TDataSet*& DataReader, bool& FreeOnEof);
    virtual void DefaultBuildDataStruct(TMTDataStructVz* DataStruct);
    virtual void DefaultReadRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec, bool& ProviderEOF);
    virtual void DefaultAssignFieldValue(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec, int DataFieldIndex,
                                         TDataValueVersionVz DataValueVersion, TDataSet* ReaderDataSet);
    virtual void DefaultRefreshRecord(TMemoryRecordVz* MemRec);
    // The frame of one apply: a driver writing to a server opens its transaction in
    // BeginApplyUpdates, makes each record atomic in the record hooks, and commits or rolls back
    // in EndApplyUpdates. Records are merged only once EndApplyUpdates(true) returned.
    // Here the resolve-to-dataset path: the writes go into ProviderDataSet, so the transaction is
    // its connection's (an ADO dataset's); a rolled back apply reads the provider dataset again,
    // whose rows would otherwise show what the server undid.
    virtual void BeginApplyUpdates();
    virtual void EndApplyUpdates(bool Commit);
    virtual void BeginRecordUpdate();
    virtual void EndRecordUpdate(bool Success);
    // KeyFields, or the provider's key-capable fields joined with ";".
    String ProviderKeyFields() const;

    std::vector<int> FDataToRecFields;

private:
    TDataSet* FConsumer = nullptr;
    String FKeyFields;
    TDataSet* FProviderDataSet = nullptr;
    bool FProviderEOF = true;
    TDataSet* FReaderDataSet = nullptr;
    bool FReaderDataSetFreeOnEof = false;
    bool FResolveToDataSet = true;
    TADOApplyTransactionVz FResolveApply;
    bool FSideParentable = false;
    TComponent* FSideParent = nullptr;
    String FSideParentName;
};
