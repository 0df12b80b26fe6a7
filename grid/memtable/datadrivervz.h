// The data-driver link of the in-memory dataset: what a dataset asks of the driver that reads its
// records and writes its changes back. A concrete driver (SQL, ADO) derives from TDataDriverVz
// and fills these steps; the base answers as a driver with nothing to read.
#pragma once

#include "platform/rtl/classes.h"

class TDataSet;
class TMTDataStructVz;
class TMemTableDataVz;
class TMemoryRecordVz;

class TDataDriverVz : public TComponent {
    SDELKA_CLASS(TDataDriverVz, TComponent)
public:
    explicit TDataDriverVz(TComponent* AOwner) : TComponent(AOwner) {}

    // The dataset this driver serves (one at a time), or nullptr.
    TDataSet* ConsumerDataSet() const { return FConsumer; }
    void SetConsumerDataSet(TDataSet* Value) { FConsumer = Value; }

    // The dataset the driver reads from while the consumer is open (may be nullptr).
    virtual TDataSet* GetDataReader() { return nullptr; }
    // Fills the structure of the store from the reader's fields.
    virtual void BuildDataStruct(TMTDataStructVz* /*DataStruct*/) {}
    // Reads up to Count records (-1: all) into the store; answers the number read.
    virtual int ReadData(TMemTableDataVz* /*MemTableData*/, int /*Count*/) { return 0; }
    // True once the reader has no more records.
    virtual bool ProviderEOF() const { return true; }
    // Writes the changes held by the store's change log (or the one change of a write-through
    // store); answers the number of errors.
    virtual int ApplyUpdates(TMemTableDataVz* /*MemTableData*/) { return 0; }
    // Re-reads one record from the provider.
    virtual void RefreshRecord(TMemoryRecordVz* /*MemRec*/) {}
    // Re-opens the reader (the dataset's Refresh).
    virtual void RefreshReader() {}
    // The consumer closed: the reader may be released.
    virtual void ConsumerClosed(TDataSet* /*Consumer*/) {}

private:
    TDataSet* FConsumer = nullptr;
};
