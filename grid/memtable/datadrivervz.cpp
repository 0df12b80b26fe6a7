#include "grid/memtable/datadrivervz.h"

#include "grid/core/valueutilsvz.h"
#include "grid/memtable/memtabledatavz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/db/fields.h"
#include "platform/rtl/filer.h"

#include <QStringList>

#include <memory>

namespace {

const char* const SKeyFieldsRequired = "It is required to set DataDriver.KeyFields to refresh record values";
const char* const SKeyNotFound = "Key is not found in ProviderDataSet";
const char* const SRecordNotLocated = "The record to write is not found in ProviderDataSet";
const char* const SCircularProvider = "Circular of ProviderDataSet and TMemTableVz.DataDriver assigning is not allowed";

bool KeyCapable(TFieldType T) {
    switch (T) {
        case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
        case ftTypedBinary: case ftCursor: case ftDataSet: case ftOraBlob: case ftOraClob: case ftConnection:
        case ftParams: case ftStream: case ftTimeStampOffset: case ftObject:
            return false;
        default:
            return true;
    }
}

// Returns the provider to its bookmark at the end when that row still exists.
struct BookmarkKeeper {
    TDataSet* DS;
    TBookmark Mark;
    explicit BookmarkKeeper(TDataSet* D) : DS(D), Mark(D->GetBookmark()) {}
    ~BookmarkKeeper() {
        try {
            if (!Mark.empty() && DS->Active() && DS->BookmarkValid(Mark)) DS->GotoBookmark(Mark);
        } catch (...) {
        }
    }
};

}  // namespace

TDataDriverVz::~TDataDriverVz() { SetProviderEOF(true); }

void TDataDriverVz::SetProviderDataSet(TDataSet* Value) {
    if (Value == FProviderDataSet) return;
    // The table would read itself through its own driver without end.
    if (auto* t = dynamic_cast<TCustomMemTableVz*>(Value); t && t->DataDriver() == this)
        DatabaseError(QString::fromLatin1(SCircularProvider), this);
    if (FProviderDataSet) FProviderDataSet->RemoveFreeNotification(this);
    FProviderDataSet = Value;
    if (Value) Value->FreeNotification(this);
    StructChanged();
}

void TDataDriverVz::StructChanged() {
    if (auto* t = dynamic_cast<TCustomMemTableVz*>(FConsumer)) t->DriverStructChanged();
}

void TDataDriverVz::SetSideParent(TComponent* AComponent) {
    if (!FSideParentable || AComponent == FSideParent) return;
    if (FSideParent) FSideParent->RemoveFreeNotification(this);
    FSideParent = AComponent;
    if (AComponent) AComponent->FreeNotification(this);
}

void TDataDriverVz::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    if (!FSideParentable) return;
    Filer->DefineProperty(
        u"SideParentName"_S, [this](TReader* R) { FSideParentName = R->ReadString(); },
        [this](TWriter* W) { W->WriteString(FSideParent ? FSideParent->Name() : String()); }, FSideParent != nullptr);
}

void TDataDriverVz::Loaded() {
    TComponent::Loaded();
    if (!FSideParentName.isEmpty() && Owner()) SetSideParent(Owner()->FindComponent(FSideParentName));
    FSideParentName.clear();
}

void TDataDriverVz::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FSideParent) FSideParent = nullptr;
    if (AComponent == FProviderDataSet) SetProviderDataSet(nullptr);
    if (AComponent == FReaderDataSet) {
        FReaderDataSet = nullptr;
        FReaderDataSetFreeOnEof = false;
    }
}

void TDataDriverVz::SetProviderEOF(bool Value) {
    if (Value == FProviderEOF) return;
    FProviderEOF = Value;
    if (Value && FReaderDataSet && FReaderDataSetFreeOnEof) {
        TDataSet* r = FReaderDataSet;
        FReaderDataSet = nullptr;
        FReaderDataSetFreeOnEof = false;
        r->Free();
    }
}

TDataSet* TDataDriverVz::GetDataReader() {
    FDataToRecFields.clear();
    if (FReaderDataSet && !FProviderEOF) return FReaderDataSet;
    FReaderDataSetFreeOnEof = false;
    SetProviderEOF(false);
    if (OnProduceDataReader.Assigned()) OnProduceDataReader(this, FReaderDataSet, FReaderDataSetFreeOnEof);
    else DefaultProduceDataReader(FReaderDataSet, FReaderDataSetFreeOnEof);
    return FReaderDataSet;
}

void TDataDriverVz::DefaultProduceDataReader(TDataSet*& DataReader, bool& FreeOnEof) {
    if (!FProviderDataSet) return;
    FProviderDataSet->Open();
    FProviderDataSet->First();
    FreeOnEof = false;
    DataReader = FProviderDataSet;
}

void TDataDriverVz::BuildDataStruct(TMTDataStructVz* DataStruct) {
    if (OnBuildDataStruct.Assigned()) {
        OnBuildDataStruct(this, DataStruct);
    } else if (OnProduceDataReader.Assigned()) {
        if (TDataSet* r = GetDataReader()) DataStruct->BuildStructFromFields(r->Fields());
    } else {
        DefaultBuildDataStruct(DataStruct);
    }
}

void TDataDriverVz::DefaultBuildDataStruct(TMTDataStructVz* DataStruct) {
    if (FReaderDataSet) {
        DataStruct->BuildStructFromFields(FReaderDataSet->Fields());
        AdjustDataStruct(FReaderDataSet->Fields(), DataStruct);
    } else if (FProviderDataSet) {
        if (FProviderDataSet->Fields()->Count() == 0) {
            FProviderDataSet->Open();
            DataStruct->BuildStructFromFields(FProviderDataSet->Fields());
            FProviderDataSet->Close();
        } else {
            DataStruct->BuildStructFromFields(FProviderDataSet->Fields());
        }
        AdjustDataStruct(FProviderDataSet->Fields(), DataStruct);
    }
}

int TDataDriverVz::ReadData(TMemTableDataVz* MemTableData, int Count) {
    if (FProviderEOF || Count == 0) return 0;
    TRecordsListVz* list = MemTableData->RecordsList();
    int added = 0;
    for (;;) {
        TMemoryRecordVz* rec = list->NewRecord();
        bool eof = false;
        try {
            if (OnReadRecord.Assigned()) OnReadRecord(this, MemTableData, rec, eof);
            else DefaultReadRecord(MemTableData, rec, eof);
        } catch (...) {
            rec->Free();
            throw;
        }
        SetProviderEOF(eof);
        if (eof) {
            rec->Free();
            break;
        }
        list->FetchRecord(rec);
        ++added;
        if (--Count == 0) break;
    }
    return added;
}

void TDataDriverVz::DefaultReadRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec, bool& ProviderEOF) {
    TDataSet* r = FReaderDataSet;
    ProviderEOF = !r || !r->Active() || r->Eof();
    if (ProviderEOF) return;
    const int n = MemRec->DataStruct()->Count();
    for (int i = 0; i < n; ++i) AssignFieldValue(MemTableData, MemRec, i, dvvValueVz, r);
    r->Next();
}

void TDataDriverVz::AssignFieldValue(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec, int DataFieldIndex,
                                     TDataValueVersionVz DataValueVersion, TDataSet* ReaderDataSet) {
    if (OnAssignFieldValue.Assigned())
        OnAssignFieldValue(this, MemTableData, MemRec, DataFieldIndex, DataValueVersion, ReaderDataSet);
    else
        DefaultAssignFieldValue(MemTableData, MemRec, DataFieldIndex, DataValueVersion, ReaderDataSet);
}

void TDataDriverVz::DefaultAssignFieldValue(TMemTableDataVz*, TMemoryRecordVz* MemRec, int DataFieldIndex,
                                            TDataValueVersionVz DataValueVersion, TDataSet* ReaderDataSet) {
    TMTDataStructVz* ds = MemRec->DataStruct();
    TFields* fields = ReaderDataSet->Fields();
    if (FDataToRecFields.empty()) {
        FDataToRecFields.assign(static_cast<size_t>(ds->Count()), -1);
        for (int i = 0; i < ds->Count(); ++i) {
            const String& name = ds->GetDataField(i)->FieldName();
            for (int j = 0; j < fields->Count(); ++j)
                if (QString::compare(fields->Fields(j)->FieldName(), name, Qt::CaseInsensitive) == 0) {
                    FDataToRecFields[static_cast<size_t>(i)] = j;
                    break;
                }
        }
    }
    if (DataFieldIndex < 0 || DataFieldIndex >= static_cast<int>(FDataToRecFields.size())) return;
    const int j = FDataToRecFields[static_cast<size_t>(DataFieldIndex)];
    if (j < 0) return;
    if (DataValueVersion == dvvValueVz) MemRec->SetFieldValue(DataFieldIndex, fields->Fields(j));
    else MemRec->SetDataValue(DataFieldIndex, DataValueVersion, fields->Fields(j)->AsVariant());
}

int TDataDriverVz::ApplyUpdates(TMemTableDataVz* MemTableData) {
    TRecordsListVz* list = MemTableData->RecordsList();
    const int n = list->DeltaList()->Count();
    std::vector<TMemoryRecordVz*> written;
    int result = 0;
    BeginApplyUpdates();
    try {
        for (int i = 0; i < n; ++i) {
            auto* rec = static_cast<TMemoryRecordVz*>(list->DeltaList()->Items(i));
            if (!rec) continue;
            TUpdateErrorActionVz action = ueaBreakRaiseVz;
            bool ok = false;
            for (;;) {
                BeginRecordUpdate();
                try {
                    UpdateRecord(MemTableData, rec);
                    EndRecordUpdate(true);
                    ok = true;
                    break;
                } catch (const EDatabaseError& E) {
                    EndRecordUpdate(false);
                    if (OnUpdateError.Assigned()) OnUpdateError(this, MemTableData, rec, action);
                    else DefaultUpdateError(MemTableData, rec, action);
                    if (action == ueaBreakRaiseVz) throw;
                    rec->SetUpdateError(New<TUpdateErrorVz>(std::make_unique<EDatabaseError>(E)));
                    if (action != ueaRetryVz) break;
                } catch (...) {
                    EndRecordUpdate(false);
                    throw;
                }
            }
            if (ok) ++result;
            if (action == ueaBreakAbortVz && !ok) break;
            // A skipped record keeps its change and its error; a continued one counts as done.
            if (ok || action == ueaCountinueVz) written.push_back(rec);
        }
    } catch (...) {
        EndApplyUpdates(false);
        throw;
    }
    EndApplyUpdates(true);
    // Merged only once the writes are final, so a failed commit leaves every change in the log.
    for (TMemoryRecordVz* rec : written) rec->MergeChanges();
    list->CleanupChangedRecs();
    return result;
}

// ---- TADOApplyTransactionVz ---------------------------------------------------------------------

void TADOApplyTransactionVz::Begin(TADOConnection* Connection) {
    FConnection = Connection;
    FOwnTransaction = false;
    if (!FConnection) return;
    FConnection->Open();
    if (!FConnection->InTransaction()) {
        FConnection->BeginTrans();
        FOwnTransaction = true;
    }
}

void TADOApplyTransactionVz::End(bool Commit) {
    TADOConnection* c = std::exchange(FConnection, nullptr);
    if (!c || !std::exchange(FOwnTransaction, false)) return;
    if (Commit) {
        c->CommitTrans();
    } else {
        try {
            c->RollbackTrans();
        } catch (...) {
        }
    }
}

void TADOApplyTransactionVz::BeginRecord() {
    if (FConnection) FConnection->Execute(u"savepoint sdelka_record"_S);
}

void TADOApplyTransactionVz::EndRecord(bool Success) {
    if (!FConnection) return;
    if (Success) FConnection->Execute(u"release savepoint sdelka_record"_S);
    else FConnection->Execute(u"rollback to savepoint sdelka_record"_S);
}

// ---- the resolve-to-dataset path's transaction --------------------------------------------------

void TDataDriverVz::BeginApplyUpdates() {
    auto* p = FResolveToDataSet ? dynamic_cast<TCustomADODataSet*>(FProviderDataSet) : nullptr;
    FResolveApply.Begin(p ? p->Connection() : nullptr);
}

void TDataDriverVz::EndApplyUpdates(bool Commit) {
    const bool own = FResolveApply.OwnTransaction();
    FResolveApply.End(Commit);
    if (!Commit && own && FProviderDataSet && FProviderDataSet->Active()) {
        try {
            FProviderDataSet->Refresh();
        } catch (...) {
        }
    }
}

void TDataDriverVz::BeginRecordUpdate() { FResolveApply.BeginRecord(); }
void TDataDriverVz::EndRecordUpdate(bool Success) { FResolveApply.EndRecord(Success); }

void TDataDriverVz::UpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec) {
    if (OnUpdateRecord.Assigned()) OnUpdateRecord(this, MemTableData, MemRec);
    else DefaultUpdateRecord(MemTableData, MemRec);
}

void TDataDriverVz::DefaultUpdateError(TMemTableDataVz*, TMemoryRecordVz*, TUpdateErrorActionVz& Action) {
    Action = ueaBreakRaiseVz;
}

String TDataDriverVz::ProviderKeyFields() const {
    if (!FKeyFields.isEmpty() || !FProviderDataSet) return FKeyFields;
    QStringList names;
    for (TField* f : *FProviderDataSet->Fields())
        if (KeyCapable(f->DataType())) names << f->FieldName();
    return names.join(u';');
}

bool TDataDriverVz::DefaultUpdateRecord(TMemTableDataVz*, TMemoryRecordVz* MemRec) {
    if (!FResolveToDataSet || !FProviderDataSet) return false;
    TDataSet* p = FProviderDataSet;
    auto keeper = std::make_unique<BookmarkKeeper>(p);
    const TUpdateStatus status = MemRec->UpdateStatus();
    if (status == usModified || status == usDeleted) {
        const String keys = ProviderKeyFields();
        if (keys.isEmpty()) DatabaseError(QString::fromLatin1(SRecordNotLocated), this);
        if (!p->Locate(keys, MemRec->GetDataValues(keys, dvvOldestValue), TLocateOptions()))
            DatabaseError(QString::fromLatin1(SRecordNotLocated), this);
        if (status == usDeleted && !keeper->Mark.empty() && p->CompareBookmarks(p->GetBookmark(), keeper->Mark) == 0)
            keeper->Mark.clear();
    }
    if (status == usModified) p->Edit();
    else if (status == usInserted) p->Insert();
    else if (status == usDeleted) {
        p->Delete();
        return true;
    } else {
        return false;
    }
    TMTDataStructVz* ds = MemRec->DataStruct();
    try {
        for (int i = 0; i < ds->Count(); ++i) {
            TField* f = p->FindField(ds->GetDataField(i)->FieldName());
            if (f && !f->ReadOnly()) f->SetAsVariant(MemRec->GetDataValue(i, dvvValueVz));
        }
        p->Post();
    } catch (const EDatabaseError&) {
        if (p->State() == dsEdit || p->State() == dsInsert || p->State() == dsSetKey) p->Cancel();
        throw;
    }
    MemRec->Edit();
    for (int i = 0; i < ds->Count(); ++i)
        if (TField* f = p->FindField(ds->GetDataField(i)->FieldName()))
            MemRec->SetFieldValue(i, f);
    MemRec->Post();
    return true;
}

void TDataDriverVz::RefreshRecord(TMemoryRecordVz* MemRec) {
    if (OnRefreshRecord.Assigned()) OnRefreshRecord(this, MemRec->RecordsList()->MemTableData(), MemRec);
    else DefaultRefreshRecord(MemRec);
}

void TDataDriverVz::DefaultRefreshRecord(TMemoryRecordVz* MemRec) {
    if (!FProviderDataSet) return;
    if (FKeyFields.isEmpty()) throw Exception(QString::fromLatin1(SKeyFieldsRequired));
    TDataSet* p = FProviderDataSet;
    BookmarkKeeper keeper(p);
    const TDataValueVersionVz v = MemRec->UpdateStatus() == usModified ? dvvOldValueVz : dvvValueVz;
    if (!p->Locate(FKeyFields, MemRec->GetDataValues(FKeyFields, v), TLocateOptions()))
        throw Exception(QString::fromLatin1(SKeyNotFound));
    FDataToRecFields.clear();
    for (int i = 0; i < MemRec->DataStruct()->Count(); ++i)
        AssignFieldValue(MemRec->RecordsList()->MemTableData(), MemRec, i, dvvRefreshValue, p);
    FDataToRecFields.clear();
}

void TDataDriverVz::RefreshReader() {
    if (!FProviderDataSet) return;
    FProviderDataSet->Refresh();
    FProviderDataSet->First();
}

void TDataDriverVz::ConsumerClosed(TDataSet*) {
    if (FProviderDataSet) FProviderDataSet->Close();
    SetProviderEOF(true);
}

void TDataDriverVz::SetReaderParamsFromCursor(TDataSet* DataSet) {
    auto* p = dynamic_cast<TCustomADODataSet*>(FProviderDataSet);
    if (!p || !DataSet || p->Parameters()->Count() == 0) return;
    DataSet->FieldDefs()->Update();
    for (int i = 0; i < p->Parameters()->Count(); ++i) {
        TParameter* prm = p->Parameters()->Items(i);
        prm->SetValue(DataSet->FieldByName(prm->Name())->AsVariant());
    }
}

bool TDataDriverVz::RefreshReaderParamsFromCursor(TDataSet* DataSet) {
    auto* p = dynamic_cast<TCustomADODataSet*>(FProviderDataSet);
    if (!p || !DataSet) return false;
    for (int i = 0; i < p->Parameters()->Count(); ++i) {
        TParameter* prm = p->Parameters()->Items(i);
        if (TField* f = DataSet->FindField(prm->Name()); f && !VarEqualsVz(f->AsVariant(), prm->Value())) return true;
    }
    return false;
}
