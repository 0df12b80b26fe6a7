// A data link that reports every data event to a handler, and the sorted list of one field's
// values in a data set that the filter drop-downs of grid columns show.
#pragma once

#include "platform/db/datasource.h"
#include "platform/rtl/events.h"
#include "platform/rtl/lists.h"

#include <memory>

using TDataEventVz = TEvent<void(TDataEvent Event, NativeInt Info)>;

class TDataLinkVz : public TDataLink {
    SDELKA_CLASS(TDataLinkVz, TDataLink)
public:
    TDataLinkVz() = default;
    void DataEvent(TDataEvent Event, NativeInt Info) override;
    TDataEventVz OnDataEvent;
};

// What an in-memory dataset asks of a value list.
class IMemTableDataFieldValueListVz {
public:
    virtual ~IMemTableDataFieldValueListVz() = default;
    virtual TStrings* GetValues() = 0;
    virtual void SetFilter(const String& Filter) = 0;
};

// The distinct values (AsString) of one field, sorted; rebuilt on demand after the data set
// changed, its properties or field list changed, or another field, data set or source was set.
class TDatasetFieldValueListVz : public TObject, public IMemTableDataFieldValueListVz {
    SDELKA_CLASS(TDatasetFieldValueListVz, TObject)
public:
    TDatasetFieldValueListVz();
    ~TDatasetFieldValueListVz() override;

    bool CaseSensitive() const { return FValues->CaseSensitive(); }
    void SetCaseSensitive(bool Value) { FValues->SetCaseSensitive(Value); }
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TDataSet* DataSet() const { return FDataSource->DataSet(); }
    void SetDataSet(TDataSet* Value);
    TStrings* Values() { return GetValues(); }
    bool DataObsoleted() const { return FDataObsoleted; }

    TStrings* GetValues() override;
    void SetFilter(const String& Filter) override;

protected:
    virtual void DataEvent(TDataEvent Event, NativeInt Info);

private:
    void RefreshValues();

    TOwned<TDataLinkVz> FDataLink;
    bool FDataObsoleted = true;
    TDataSource* FDataSource = nullptr;  // owned, without an owner component
    String FFieldName;
    TOwned<TStringList> FValues;
};
