#include "grid/core/datalinkvz.h"

void TDataLinkVz::DataEvent(TDataEvent Event, NativeInt Info) {
    TDataLink::DataEvent(Event, Info);
    if (OnDataEvent) OnDataEvent(Event, Info);
}

TDatasetFieldValueListVz::TDatasetFieldValueListVz()
    : FDataLink(NewOwned<TDataLinkVz>()), FValues(NewOwned<TStringList>()) {
    FValues->SetSorted(true);
    FValues->SetDuplicates(dupIgnore);
    FDataSource = New<TDataSource>(nullptr);
    FDataLink->OnDataEvent = TDataEventVz(this, &TDatasetFieldValueListVz::DataEvent);
}

TDatasetFieldValueListVz::~TDatasetFieldValueListVz() {
    FDataLink->SetDataSource(nullptr);
    FDataSource->SetDataSet(nullptr);
    FDataSource->Free();
}

void TDatasetFieldValueListVz::DataEvent(TDataEvent Event, NativeInt /*Info*/) {
    if (Event == deDataSetChange || Event == dePropertyChange || Event == deFieldListChange) FDataObsoleted = true;
}

void TDatasetFieldValueListVz::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    FDataObsoleted = true;
    FFieldName = Value;
}

void TDatasetFieldValueListVz::SetDataSet(TDataSet* Value) {
    if (FDataLink->DataSource() != FDataSource) SetDataSource(nullptr);
    FDataLink->SetDataSource(FDataSource);
    if (FDataLink->DataSet() != Value) {
        FDataObsoleted = true;
        FDataSource->SetDataSet(Value);
    }
}

void TDatasetFieldValueListVz::SetDataSource(TDataSource* Value) {
    if (FDataLink->DataSource() == Value) return;
    FDataObsoleted = true;
    FDataLink->SetDataSource(Value);
}

TStrings* TDatasetFieldValueListVz::GetValues() {
    if (FDataObsoleted) RefreshValues();
    return FValues.get();
}

void TDatasetFieldValueListVz::SetFilter(const String& /*Filter*/) {}

void TDatasetFieldValueListVz::RefreshValues() {
    FValues->Clear();
    if (!FDataLink->Active()) return;
    TDataSet* ds = FDataLink->DataSet();
    TField* field = ds->FindField(FFieldName);
    if (!field) return;
    ds->DisableControls();
    const TBookmark bm = ds->GetBookmark();
    auto restore = [&] {
        if (!bm.empty() && ds->BookmarkValid(bm)) ds->GotoBookmark(bm);
        ds->EnableControls();
    };
    try {
        FValues->BeginUpdate();
        ds->First();
        while (!ds->Eof()) {
            FValues->Add(field->AsString());
            ds->Next();
        }
        FValues->EndUpdate();
    } catch (...) {
        FValues->EndUpdate();
        restore();
        throw;
    }
    restore();
    // The walk itself sends data events; the list is current from here on.
    FDataObsoleted = false;
}
