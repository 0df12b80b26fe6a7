#include "grid/memtable/adodatadrivervz.h"

#include "grid/memtable/memtabledatavz.h"
#include "platform/ado/adodb.h"
#include "platform/db/fields.h"
#include "platform/db/params.h"

#include <algorithm>

namespace {

const char* const SOddParamValues = "ExecuteSQLGetRecordAsVarArray needs name/value pairs: %1 elements given";

// Frees a dataset made here unless it is handed out.
struct DataSetGuard {
    TDataSet* DS = nullptr;
    ~DataSetGuard() {
        if (DS) DS->Free();
    }
    TDataSet* Release() { return std::exchange(DS, nullptr); }
};

void BindMacroParams(TCustomSQLCommandVz* Command, TParameters* Into) {
    if (!Command->DataDriver()) return;
    for (const TMacroParamVz& m : Command->DataDriver()->MacroParams())
        if (TParameter* p = Into->FindParam(m.first)) p->SetValue(m.second);
}

}  // namespace

int ExecuteSQLCommandOnADOConnection(TADOConnection* Connection, TCustomSQLCommandVz* Command, TDataSet*& Cursor,
                                     bool& FreeOnEof, int CommandTimeout) {
    Cursor = nullptr;
    FreeOnEof = false;
    int result = -1;
    auto* ado = dynamic_cast<TADOCommandVz*>(Command);
    TParams* params = ado ? nullptr : Command->GetParams();
    if (ado && CommandTimeout < 0) CommandTimeout = ado->CommandTimeout();
    auto fillIn = [&](TParameters* Target) {
        if (ado) {
            Target->AssignValues(ado->Parameters());
        } else if (params) {
            for (int i = 0; i < params->Count(); ++i)
                if (TParameter* p = Target->FindParam(params->Items(i)->Name())) {
                    if (params->Items(i)->DataType() != ftUnknown) p->SetDataType(params->Items(i)->DataType());
                    p->SetValue(params->Items(i)->Value());
                }
        }
        BindMacroParams(Command, Target);
    };
    auto copyBack = [&](TParameters* Source) {
        if (ado) {
            ado->Parameters()->AssignValues(Source);
        } else if (params) {
            for (int i = 0; i < params->Count(); ++i)
                if (TParameter* p = Source->FindParam(params->Items(i)->Name())) params->Items(i)->SetValue(p->Value());
        }
    };
    DataSetGuard guard;
    if (Command->CommandType() == cthTable) {
        auto* t = New<TADOTable>(nullptr);
        guard.DS = t;
        t->SetConnection(Connection);
        t->SetTableName(Command->FinalCommandText());
        if (CommandTimeout >= 0) t->SetCommandTimeout(CommandTimeout);
        t->Open();
    } else if (Command->CommandType() == cthStoredProc) {
        auto* sp = New<TADOStoredProc>(nullptr);
        guard.DS = sp;
        sp->SetConnection(Connection);
        sp->SetProcedureName(Command->FinalCommandText());
        if (CommandTimeout >= 0) sp->SetCommandTimeout(CommandTimeout);
        if (ado) sp->Parameters()->Assign(ado->Parameters());
        else if (params) sp->Parameters()->AssignParams(params);
        sp->ExecProc();
        copyBack(sp->Parameters());
    } else {
        auto* q = New<TADOQuery>(nullptr);
        guard.DS = q;
        q->SetConnection(Connection);
        if (CommandTimeout >= 0) q->SetCommandTimeout(CommandTimeout);
        q->SetParamCheck(Command->ParamCheck());
        q->SQL()->SetText(Command->FinalCommandText());
        fillIn(q->Parameters());
        if (Command->CommandType() == cthUpdateQuery) result = q->ExecSQL();
        else q->Open();
        copyBack(q->Parameters());
    }
    if (guard.DS->Active()) {
        Cursor = guard.Release();
        FreeOnEof = true;
    }
    return result;
}

// ---- TADOCommandVz ------------------------------------------------------------------------------

TADOCommandVz::TADOCommandVz(TADODataDriverVz* ADataDriver)
    : TCustomSQLCommandVz(ADataDriver), FParameters(New<TParameters>(nullptr)) {}

TADOCommandVz::~TADOCommandVz() {
    FParameters->Free();
    if (FParams) FParams->Free();
}

void TADOCommandVz::SetParameters(TParameters* Value) { FParameters->Assign(Value); }

void TADOCommandVz::TextChanged() {
    TCustomSQLCommandVz::TextChanged();
    if (ParamCheck()) FParameters->ParseSQL(CommandText(), true);
}

void TADOCommandVz::RebuildParams() { FParameters->ParseSQL(CommandText(), true); }

TParams* TADOCommandVz::GetParams() {
    if (!FParams) FParams = New<TParams>(nullptr);
    FParameters->AssignToParams(FParams);
    return FParams;
}

void TADOCommandVz::SetParams(TParams* AParams) {
    if (AParams) FParameters->AssignParams(AParams);
}

void TADOCommandVz::Assign(TPersistent* Source) {
    TCustomSQLCommandVz::Assign(Source);
    if (auto* src = dynamic_cast<TADOCommandVz*>(Source)) {
        SetParamCheck(src->ParamCheck());
        FParameters->Assign(src->FParameters);
        FCommandTimeout = src->FCommandTimeout;
    } else if (auto* base = dynamic_cast<TBaseSQLCommandVz*>(Source)) {
        SetParamCheck(base->ParamCheck());
        FParameters->AssignParams(base->Params());
    }
}

void TADOCommandVz::RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) {
    for (int i = 0; i < FParameters->Count(); ++i) {
        TParameter* p = FParameters->Items(i);
        if (OnAssignParameter.Assigned())
            OnAssignParameter(static_cast<TADODataDriverVz*>(DataDriver()), this, MemRecord, DataValueVersion, p);
        else
            DefaultRefreshParameter(MemRecord, DataValueVersion, p);
    }
}

void TADOCommandVz::DefaultRefreshParameter(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion,
                                            TParameter* Parameter) {
    static_cast<TADODataDriverVz*>(DataDriver())->AssignCommandParameter(this, MemRecord, DataValueVersion, Parameter);
}

int TADOCommandVz::Execute(TDataSet*& Cursor, bool& FreeOnEof) {
    Cursor = nullptr;
    FreeOnEof = false;
    SetExecuted(false);
    auto* drv = static_cast<TADODataDriverVz*>(DataDriver());
    if (TADOConnectionProviderVz* p = drv->ConnectionProvider()) {
        bool processed = false;
        const int r = p->ExecuteCommand(drv, this, Cursor, FreeOnEof, processed);
        if (processed) {
            SetExecuted(true);
            return r;
        }
    }
    // Without any connection nothing runs (and the caller is told so by Executed).
    TADOConnection* conn = drv->Connection();
    if (!conn) return -1;
    const int r = ExecuteSQLCommandOnADOConnection(conn, this, Cursor, FreeOnEof, FCommandTimeout);
    SetExecuted(true);
    return r;
}

// ---- TADODataDriverVz ---------------------------------------------------------------------------

TADODataDriverVz::~TADODataDriverVz() {
    if (FOwnConnection) FOwnConnection->Free();
}

TCustomSQLCommandVz* TADODataDriverVz::CreateCommand() { return New<TADOCommandVz>(this); }

void TADODataDriverVz::SetADOConnection(TADOConnection* Value) {
    if (Value == FADOConnection) return;
    if (FADOConnection) FADOConnection->RemoveFreeNotification(this);
    FADOConnection = Value;
    if (Value) {
        Value->FreeNotification(this);
        SetConnectionProvider(nullptr);
    }
}

void TADODataDriverVz::SetConnectionString(const String& Value) {
    if (Value == FConnectionString) return;
    if (!Value.isEmpty()) SetConnectionProvider(nullptr);
    FConnectionString = Value;
    if (FOwnConnection) {
        FOwnConnection->Free();
        FOwnConnection = nullptr;
    }
}

void TADODataDriverVz::SetConnectionProvider(TADOConnectionProviderVz* Value) {
    if (Value == FConnectionProvider) return;
    if (FConnectionProvider) FConnectionProvider->RemoveFreeNotification(this);
    FConnectionProvider = Value;
    if (Value) {
        Value->FreeNotification(this);
        SetADOConnection(nullptr);
        SetConnectionString(String());
    }
}

TADOConnection* TADODataDriverVz::Connection() {
    if (FConnectionProvider) return FConnectionProvider->CurrentTimeConnection();
    if (FADOConnection) return FADOConnection;
    if (FConnectionString.isEmpty()) return nullptr;
    if (!FOwnConnection) {
        FOwnConnection = New<TADOConnection>(nullptr);
        FOwnConnection->SetLoginPrompt(false);
        FOwnConnection->SetConnectionString(FConnectionString);
    }
    return FOwnConnection;
}

IConnectionProviderVz* TADODataDriverVz::GetConnectionProvider() const { return FConnectionProvider; }

bool TADODataDriverVz::HaveDataConnection() const {
    if ((FADOConnection && FADOConnection->Connected()) || !FConnectionString.isEmpty() || FConnectionProvider) return true;
    return TCustomSQLDataDriverVz::HaveDataConnection();
}

void TADODataDriverVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomSQLDataDriverVz::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FADOConnection) FADOConnection = nullptr;
    if (AComponent == FConnectionProvider) FConnectionProvider = nullptr;
}

void TADODataDriverVz::AssignCommandParameter(TADOCommandVz* Command, TMemoryRecordVz* MemRecord,
                                              TDataValueVersionVz DataValueVersion, TParameter* Parameter) {
    if (OnAssignCommandParameter.Assigned()) OnAssignCommandParameter(this, Command, MemRecord, DataValueVersion, Parameter);
    else DefaultAssignCommandParameter(Command, MemRecord, DataValueVersion, Parameter);
}

void TADODataDriverVz::DefaultAssignCommandParameter(TADOCommandVz* Command, TMemoryRecordVz* MemRecord,
                                                     TDataValueVersionVz DataValueVersion, TParameter* Parameter) {
    TMTDataStructVz* ds = MemRecord->DataStruct();
    TDataValueVersionVz version = DataValueVersion;
    const int fi = CommandParamFieldIndex(ds, Parameter->Name(), version);
    if (fi < 0) return;
    if (Command->ParamCheck()) Parameter->SetDataType(ds->GetDataField(fi)->DataType());
    Parameter->SetValue(MemRecord->GetDataValue(fi, version));
}

void TADODataDriverVz::GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) {
    if (OnGetBackUpdatedValues.Assigned())
        OnGetBackUpdatedValues(this, MemRec, static_cast<TADOCommandVz*>(Command), ResDataSet);
    else
        DefaultGetUpdatedServerValues(MemRec, Command, ResDataSet);
}

void TADODataDriverVz::DefaultGetUpdatedServerValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                     TDataSet* ResDataSet) {
    if (auto* ado = dynamic_cast<TADOCommandVz*>(Command)) {
        TMTDataStructVz* ds = MemRec->DataStruct();
        std::vector<std::pair<int, Variant>> values;
        for (int i = 0; i < ado->Parameters()->Count(); ++i) {
            TParameter* p = ado->Parameters()->Items(i);
            const TParameterDirection d = p->Direction();
            if (d != pdOutput && d != pdInputOutput && d != pdReturnValue) continue;
            if (const int fi = ds->FieldIndex(p->Name()); fi >= 0) values.emplace_back(fi, p->Value());
        }
        if (!values.empty()) {
            MemRec->Edit();
            for (const auto& [fi, v] : values) MemRec->SetDataValue(fi, dvvValueVz, v);
            MemRec->Post();
        }
    }
    TCustomSQLDataDriverVz::DefaultGetUpdatedServerValues(MemRec, Command, ResDataSet);
}

int TADODataDriverVz::ReadData(TMemTableDataVz* MemTableData, int Count) {
    auto* reader = dynamic_cast<TCustomADODataSet*>(ReaderDataSet());
    if (!reader || Count != -1 || OnReadRecord.Assigned() || OnAssignFieldValue.Assigned() || ProviderEOF() ||
        !reader->Active())
        return TCustomSQLDataDriverVz::ReadData(MemTableData, Count);
    if (reader->Eof()) {
        SetProviderEOF(true);
        return 0;
    }
    const Variant rows = reader->GetRows(-1);
    if (VarArrayDimCount(rows) != 2) {
        SetProviderEOF(true);
        return 0;
    }
    // Names are matched ignoring letter case, as on the row-by-row path.
    TMTDataStructVz* ds = MemTableData->DataStruct();
    TFieldDefs* defs = reader->FieldDefs();
    std::vector<int> map(static_cast<size_t>(ds->Count()), -1);
    for (int i = 0; i < ds->Count(); ++i)
        for (int j = 0; j < defs->Count(); ++j)
            if (QString::compare(defs->Items(j)->Name(), ds->GetDataField(i)->FieldName(), Qt::CaseInsensitive) == 0) {
                map[static_cast<size_t>(i)] = j;
                break;
            }
    TRecordsListVz* list = MemTableData->RecordsList();
    const int first = VarArrayLowBound(rows, 2), last = VarArrayHighBound(rows, 2);
    int added = 0;
    for (int r = first; r <= last; ++r) {
        TMemoryRecordVz* rec = list->NewRecord();
        try {
            for (size_t i = 0; i < map.size(); ++i)
                if (map[i] >= 0) rec->SetDataValue(static_cast<int>(i), dvvValueVz, VarArrayGet(rows, {map[i], r}));
        } catch (...) {
            rec->Free();
            throw;
        }
        list->FetchRecord(rec);
        ++added;
    }
    SetProviderEOF(true);
    return added;
}

// The transaction is where the writes go: the provider dataset's connection when resolving to
// it, else the connection provider's, else the driver's own connection.
void TADODataDriverVz::BeginApplyUpdates() {
    if (ResolveToDataSet() && ProviderDataSet()) TCustomSQLDataDriverVz::BeginApplyUpdates();
    else if (FConnectionProvider) FProviderApply.Begin(FConnectionProvider, this);
    else FApply.Begin(Connection());
}

void TADODataDriverVz::EndApplyUpdates(bool Commit) {
    FApply.End(Commit);
    FProviderApply.End(Commit);
    TCustomSQLDataDriverVz::EndApplyUpdates(Commit);
}

void TADODataDriverVz::BeginRecordUpdate() {
    FApply.BeginRecord();
    FProviderApply.BeginRecord();
    TCustomSQLDataDriverVz::BeginRecordUpdate();
}

void TADODataDriverVz::EndRecordUpdate(bool Success) {
    FApply.EndRecord(Success);
    FProviderApply.EndRecord(Success);
    TCustomSQLDataDriverVz::EndRecordUpdate(Success);
}

// ---- TADOInlineConnectionVz ---------------------------------------------------------------------

TADOInlineConnectionVz::TADOInlineConnectionVz(TADOConnectionProviderVz* AConnectionProvider)
    : TCustomInlineConnectionVz(AConnectionProvider), FProvider(AConnectionProvider),
      FConnection(New<TADOConnection>(nullptr)) {
    FConnection->SetLoginPrompt(false);
    FConnection->BeforeConnect = TNotifyEvent(this, &TADOInlineConnectionVz::ConnectionBeforeConnect);
    FConnection->AfterConnect = TNotifyEvent(this, &TADOInlineConnectionVz::ConnectionAfterConnect);
}

TADOInlineConnectionVz::~TADOInlineConnectionVz() { FConnection->Free(); }

bool TADOInlineConnectionVz::GetConnected() { return FConnection->Connected(); }

void TADOInlineConnectionVz::InternalSetConnected(bool Value) { FConnection->SetConnected(Value); }

void TADOInlineConnectionVz::SetConnectionString(const String& Value) {
    if (Value == FConnectionString) return;
    FConnection->Close();
    FConnectionString = Value;
    FConnection->SetConnectionString(Value);
}

int TADOInlineConnectionVz::CommandTimeout() const { return FConnection->CommandTimeout(); }
void TADOInlineConnectionVz::SetCommandTimeout(int Value) { FConnection->SetCommandTimeout(Value); }
int TADOInlineConnectionVz::ConnectionTimeout() const { return FConnection->ConnectionTimeout(); }
void TADOInlineConnectionVz::SetConnectionTimeout(int Value) { FConnection->SetConnectionTimeout(Value); }
String TADOInlineConnectionVz::DefaultDatabase() const { return FConnection->DefaultDatabase(); }
void TADOInlineConnectionVz::SetDefaultDatabase(const String& Value) { FConnection->SetDefaultDatabase(Value); }

bool TADOInlineConnectionVz::UseAtRunTime() const {
    if (FUseAtRunTimeStored) return FUseAtRunTime;
    return !FProvider->Connection() && !FConnectionString.isEmpty();
}

void TADOInlineConnectionVz::SetUseAtRunTime(bool Value) {
    if (FUseAtRunTimeStored && Value == FUseAtRunTime) return;
    FUseAtRunTimeStored = true;
    FUseAtRunTime = Value;
}

void TADOInlineConnectionVz::SetUseAtRunTimeStored(bool Value) {
    if (Value == FUseAtRunTimeStored) return;
    const bool current = UseAtRunTime();
    FUseAtRunTimeStored = Value;
    FUseAtRunTime = current;
}

bool TADOInlineConnectionVz::UseAtDesignTime() const {
    if (FUseAtDesignTimeStored) return FUseAtDesignTime;
    return !FConnectionString.isEmpty();
}

void TADOInlineConnectionVz::SetUseAtDesignTime(bool Value) {
    if (FUseAtDesignTimeStored && Value == FUseAtDesignTime) return;
    FUseAtDesignTimeStored = true;
    FUseAtDesignTime = Value;
}

void TADOInlineConnectionVz::SetUseAtDesignTimeStored(bool Value) {
    if (Value == FUseAtDesignTimeStored) return;
    const bool current = UseAtDesignTime();
    FUseAtDesignTimeStored = Value;
    FUseAtDesignTime = current;
}

void TADOInlineConnectionVz::AddPostponedDataSet(TDataSet* DataSet) {
    if (std::find(FPostponedDataSets.begin(), FPostponedDataSets.end(), DataSet) == FPostponedDataSets.end())
        FPostponedDataSets.push_back(DataSet);
}

void TADOInlineConnectionVz::DataSetRemoved(TComponent* AComponent) {
    FPostponedDataSets.erase(std::remove(FPostponedDataSets.begin(), FPostponedDataSets.end(), AComponent),
                             FPostponedDataSets.end());
}

void TADOInlineConnectionVz::ConnectionBeforeConnect(TObject*) {
    FConnection->SetConnectionString(FProvider->UnmacrosConnectionString(FConnectionString));
    if (FProvider->InlineConnectionBeforeConnect) FProvider->InlineConnectionBeforeConnect(this);
}

void TADOInlineConnectionVz::ConnectionAfterConnect(TObject*) {
    const std::vector<TDataSet*> waiting = std::exchange(FPostponedDataSets, {});
    for (TDataSet* d : waiting) d->Open();
    if (FProvider->InlineConnectionAfterConnect) FProvider->InlineConnectionAfterConnect(this);
}

// ---- TADOConnectionProviderVz -------------------------------------------------------------------

TADOConnectionProviderVz::TADOConnectionProviderVz(TComponent* AOwner)
    : TConnectionProviderVz(AOwner), FInlineConnection(New<TADOInlineConnectionVz>(this)) {}

TADOConnectionProviderVz::~TADOConnectionProviderVz() { FInlineConnection->Free(); }

void TADOConnectionProviderVz::SetConnection(TADOConnection* Value) {
    if (Value == FConnection) return;
    if (FConnection) FConnection->RemoveFreeNotification(this);
    FConnection = Value;
    if (Value) Value->FreeNotification(this);
}

bool TADOConnectionProviderVz::UseInlineConnection() const {
    return ComponentState().Contains(csDesigning) ? FInlineConnection->UseAtDesignTime()
                                                  : FInlineConnection->UseAtRunTime();
}

TADOConnection* TADOConnectionProviderVz::CurrentTimeConnection() const {
    return UseInlineConnection() ? FInlineConnection->InlineConnection() : FConnection;
}

String TADOConnectionProviderVz::UnmacrosConnectionString(const String& MacrosedString) const {
    return String(MacrosedString).replace(u"%PROJECT_PATH%"_S, Path(), Qt::CaseSensitive);
}

bool TADOConnectionProviderVz::StartTransaction(TCustomSQLDataDriverVz*) {
    TADOConnection* c = CurrentTimeConnection();
    if (!c || FTransactionConnection) return false;
    c->Open();
    if (c->InTransaction()) return false;
    c->BeginTrans();
    FTransactionConnection = c;
    return true;
}

void TADOConnectionProviderVz::CommitTransaction(TCustomSQLDataDriverVz*) {
    TADOConnection* c = std::exchange(FTransactionConnection, nullptr);
    if (c) c->CommitTrans();
}

void TADOConnectionProviderVz::RollbackTransaction(TCustomSQLDataDriverVz*) {
    TADOConnection* c = std::exchange(FTransactionConnection, nullptr);
    if (c) c->RollbackTrans();
}

void TADOConnectionProviderVz::SetSavepoint(TCustomSQLDataDriverVz*, const String& Name) {
    TADOConnection* c = CurrentTimeConnection();
    if (c && c->InTransaction()) c->Execute(u"savepoint "_S + Name);
}

void TADOConnectionProviderVz::ReleaseSavepoint(TCustomSQLDataDriverVz*, const String& Name) {
    TADOConnection* c = CurrentTimeConnection();
    if (c && c->InTransaction()) c->Execute(u"release savepoint "_S + Name);
}

void TADOConnectionProviderVz::RollbackToSavepoint(TCustomSQLDataDriverVz*, const String& Name) {
    TADOConnection* c = CurrentTimeConnection();
    if (c && c->InTransaction()) c->Execute(u"rollback to savepoint "_S + Name);
}

int TADOConnectionProviderVz::DefaultExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command,
                                                    TDataSet*& Cursor, bool& FreeOnEof, bool& Processed) {
    TConnectionProviderVz::DefaultExecuteCommand(SQLDataDriver, Command, Cursor, FreeOnEof, Processed);
    TADOConnection* c = CurrentTimeConnection();
    if (!c) return -1;
    const int r = ExecuteSQLCommandOnADOConnection(c, Command, Cursor, FreeOnEof);
    Processed = true;
    return r;
}

void TADOConnectionProviderVz::GetDataReaderForSQL(const String& SQLText, TParams* AParams, TDataSet*& Cursor,
                                                   bool& FreeOnEof, bool& Processed) {
    Cursor = nullptr;
    FreeOnEof = false;
    auto* q = New<TADOQuery>(nullptr);
    DataSetGuard guard{q};
    q->SetConnection(CurrentTimeConnection());
    q->SQL()->SetText(SQLText);
    if (AParams)
        for (int i = 0; i < AParams->Count(); ++i)
            if (TParameter* p = q->Parameters()->FindParam(AParams->Items(i)->Name())) p->Assign(AParams->Items(i));
    q->Open();
    if (q->Active()) {
        Cursor = guard.Release();
        FreeOnEof = true;
    }
    Processed = true;
}

std::vector<Variant> TADOConnectionProviderVz::ExecuteSQLGetRecordAsVarArray(const String& SQLText,
                                                                            const std::vector<Variant>& ParamValues) {
    if (ParamValues.size() % 2 != 0)
        throw Exception(QString::fromLatin1(SOddParamValues).arg(ParamValues.size()));
    std::vector<Variant> result;
    auto* q = New<TADOQuery>(nullptr);
    DataSetGuard guard{q};
    q->SetConnection(CurrentTimeConnection());
    q->SQL()->SetText(SQLText);
    for (size_t i = 0; i < ParamValues.size(); i += 2) {
        const String name = ParamValues[i].AsString();
        TParameter* p = q->Parameters()->FindParam(name);
        if (!p) p = q->Parameters()->CreateParameter(name, ftUnknown, pdInput, -1, Variant());
        p->SetDataType(ftUnknown);
        p->SetValue(ParamValues[i + 1]);
    }
    q->Open();
    if (!q->IsEmpty()) {
        q->First();
        for (TField* f : *q->Fields()) result.push_back(f->AsVariant());
    }
    return result;
}

bool TADOConnectionProviderVz::ConnectionIsPostponed() {
    return UseInlineConnection() && !FInlineConnection->Connected();
}

void TADOConnectionProviderVz::AddPostponedActivationDataSet(TDataSet* DataSet) {
    FInlineConnection->AddPostponedDataSet(DataSet);
    DataSet->FreeNotification(this);
}

void TADOConnectionProviderVz::GetTableFieldNames(const String& TableName, TStrings* List) {
    if (TADOConnection* c = CurrentTimeConnection()) c->GetFieldNames(TableName, List);
}

void TADOConnectionProviderVz::Loaded() {
    TConnectionProviderVz::Loaded();
    FInlineConnection->ProviderLoaded();
}

void TADOConnectionProviderVz::Notification(TComponent* AComponent, TOperation Operation) {
    TConnectionProviderVz::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FConnection) FConnection = nullptr;
    FInlineConnection->DataSetRemoved(AComponent);
}
