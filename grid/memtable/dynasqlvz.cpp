#include "grid/memtable/dynasqlvz.h"

#include "grid/core/valueutilsvz.h"
#include "grid/memtable/sqldatadrivervz.h"
#include "platform/db/fields.h"
#include "platform/db/params.h"
#include "platform/rtl/lists.h"

#include <utility>

namespace {

const char* const SNoKeyFields = "DynaSQLParams.KeyFields is empty: a generated update or delete would touch every row";
const char* const SInvalidFieldName = "Invalid field name \"%1\" in field list \"%2\"";
const char* const SServerTypeRegistered = "Server type w ith name: \"%1\" is already registered";
const char* const SServerTypeMissing = "Server type w ith name \"%1\" does not exist.";

QStringList CommaList(const String& Text) {
    TStringList l;
    l.SetCommaText(Text);
    QStringList r;
    for (int i = 0; i < l.Count(); ++i)
        if (!l.Strings(i).trimmed().isEmpty()) r << l.Strings(i).trimmed();
    return r;
}

struct TServerTypeRegistry {
    std::vector<std::pair<String, TServerSpecOperationsFactoryVz>> Items;
    TServerSpecOperationsVz* Default = nullptr;
    TServerTypeRegistry() {
        Items.emplace_back(TServerSpecOperationsVz::GetServerTypeName(),
                           [] { return New<TServerSpecOperationsVz>(); });
        Add<TOracleSpecOperationsVz>();
        Add<TMSSQLSpecOperationsVz>();
        Add<TInterbaseSpecOperationsVz>();
        Add<TInfromixSpecOperationsVz>();
        Add<TDB2SpecOperationsVz>();
        Add<TSybaseSpecOperationsVz>();
        Add<TMSAccessSpecOperationsVz>();
        Add<TPostgreSQLSpecOperationsVz>();
        Default = New<TServerSpecOperationsVz>();
    }
    ~TServerTypeRegistry() { Default->Free(); }
    template <class T>
    void Add() {
        Items.emplace_back(T::GetServerTypeName(), [] { return static_cast<TServerSpecOperationsVz*>(New<T>()); });
    }
    int IndexOf(const String& Name) const {
        for (size_t i = 0; i < Items.size(); ++i)
            if (QString::compare(Items[i].first, Name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        return -1;
    }
};

TServerTypeRegistry& Registry() {
    static TServerTypeRegistry r;
    return r;
}

struct TResolverHolder {
    TSQLDataDriverResolver* Resolver = New<TSQLDataDriverResolver>();
    ~TResolverHolder() {
        if (Resolver) Resolver->Free();
    }
};

TResolverHolder& Resolver() {
    static TResolverHolder h;
    return h;
}

}  // namespace

// ---- registry -----------------------------------------------------------------------------------

void RegisterServerSpecOperationsClass(const String& ServerTypeName, TServerSpecOperationsFactoryVz Factory) {
    TServerTypeRegistry& r = Registry();
    if (r.IndexOf(ServerTypeName) >= 0) throw Exception(QString::fromLatin1(SServerTypeRegistered).arg(ServerTypeName));
    r.Items.emplace_back(ServerTypeName, Factory);
}

int ServerSpecOperationsCount() { return static_cast<int>(Registry().Items.size()); }

String ServerSpecOperationsName(int Index) { return Registry().Items.at(static_cast<size_t>(Index)).first; }

TServerSpecOperationsVz* CreateServerSpecOperations(const String& ServerTypeName) {
    const int i = Registry().IndexOf(ServerTypeName);
    if (i < 0) throw Exception(QString::fromLatin1(SServerTypeMissing).arg(ServerTypeName));
    return Registry().Items[static_cast<size_t>(i)].second();
}

TServerSpecOperationsVz* DefaultServerSpecOperations() { return Registry().Default; }

// ---- TServerSpecOperationsVz --------------------------------------------------------------------

void TServerSpecOperationsVz::AddWhereClause(QStringList& Lines, const QStringList& Keys, TComponent* Owner) {
    if (Keys.isEmpty()) return;
    Lines << u"where"_S;
    for (int i = 0; i < Keys.size(); ++i)
        Lines << u" "_S + QuotedSQLName(Keys[i], false, Owner) + u" = :OLD_"_S + Keys[i] +
                     (i + 1 < Keys.size() ? u" and"_S : String());
}

QStringList TServerSpecOperationsVz::GetChangedFields(const QStringList& Fields, TMemoryRecordVz* MemRec) {
    TMTDataStructVz* ds = MemRec->DataStruct();
    QStringList changed;
    for (const String& f : Fields) {
        const int i = ds->FieldIndex(f);
        if (i < 0) throw Exception(QString::fromLatin1(SInvalidFieldName).arg(f, Fields.join(u',')));
        if (!VarEqualsVz(MemRec->GetDataValue(i, dvvValueVz), MemRec->GetDataValue(i, dvvOldValueVz))) changed << f;
    }
    return changed;
}

bool TServerSpecOperationsVz::UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                           TMemoryRecordVz* MemRec) {
    return SQLDataDriver->DoUpdateRecord(MemTableData, MemRec);
}

void TServerSpecOperationsVz::GenerateDynaSQLCommand(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command) {
    TCustomSQLDataDriverVz* drv = Command->DataDriver();
    TDynaSQLParamsVz* d = drv->DynaSQLParams();
    Command->SetCommandType(cthUpdateQuery);
    const TUpdateStatus status = MemRec->UpdateStatus();
    QStringList fields;
    d->GetUpdateFields(fields, MemRec);
    if (d->SkipUnchangedFields && status == usModified) fields = GetChangedFields(fields, MemRec);
    QStringList keys = CommaList(d->KeyFields);
    // A name written in another case than the record's field (KeyFields "ID" over a field "id")
    // is quoted as the field is spelled: a quoted name is matched by the server exactly.
    TMTDataStructVz* ds = MemRec->DataStruct();
    for (QStringList* names : {&keys, &fields})
        for (String& n : *names)
            if (TMTDataFieldVz* f = ds ? ds->FindField(n) : nullptr) n = f->FieldName();
    // Never a statement that would touch every row of the table.
    if ((status == usModified || status == usDeleted) && keys.isEmpty())
        DatabaseError(QString::fromLatin1(SNoKeyFields), drv);
    QStringList lines;
    auto columnList = [&](bool AsParams) {
        String line = u"  ("_S;
        String sep;
        auto walk = [&](const QStringList& Names, auto Accept) {
            for (int i = 0; i < Names.size(); ++i) {
                if (!Accept(Names[i])) continue;
                line += sep + (AsParams ? u':' + Names[i] : QuotedSQLName(Names[i], false, drv));
                sep = u", "_S;
                if (line.size() > 70 && i + 1 < Names.size()) {
                    lines << line;
                    line = u"   "_S;
                }
            }
        };
        walk(keys, [&](const String& k) {
            return drv->CanUpdateField(status, k) && !fields.contains(k, Qt::CaseInsensitive);
        });
        walk(fields, [&](const String& f) { return drv->CanUpdateField(status, f); });
        lines << line + u')';
    };
    if (status == usInserted) {
        lines << u"insert into "_S + QuotedSQLName(d->UpdateTable.trimmed(), true, drv);
        columnList(false);
        lines << u"values"_S;
        columnList(true);
    } else if (status == usModified) {
        if (!fields.isEmpty()) {
            lines << u"update "_S + QuotedSQLName(d->UpdateTable.trimmed(), true, drv) << u"set"_S;
            for (int i = 0; i < fields.size(); ++i)
                lines << u" "_S + QuotedSQLName(fields[i], false, drv) + u" = :"_S + fields[i] +
                             (i + 1 < fields.size() ? u","_S : String());
            AddWhereClause(lines, keys, drv);
        }
    } else if (status == usDeleted) {
        lines << u"delete from "_S + QuotedSQLName(d->UpdateTable.trimmed(), true, drv);
        AddWhereClause(lines, keys, drv);
    }
    Command->SetCommandText(lines.join(u'\n'));
}

Variant TServerSpecOperationsVz::ServiceQueryValue(TCustomSQLDataDriverVz* Driver, const String& SQL, TParams* Params) {
    TCustomSQLCommandVz* cmd = Driver->ServiceCommand();
    cmd->SetCommandType(cthSelectQuery);
    cmd->SetCommandText(SQL);
    if (Params) cmd->SetParams(Params);
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    Variant result;
    try {
        cmd->Execute(cursor, freeOnEof);
        if (cursor && cursor->Active() && !cursor->IsEmpty() && cursor->Fields()->Count() > 0)
            result = cursor->Fields()->Fields(0)->AsVariant();
    } catch (...) {
        if (cursor && freeOnEof) cursor->Free();
        throw;
    }
    if (cursor && freeOnEof) cursor->Free();
    return result;
}

void TServerSpecOperationsVz::StoreRecordValue(TMemoryRecordVz* MemRec, const String& FieldName, const Variant& Value) {
    const int fi = MemRec->DataStruct()->FieldIndex(FieldName);
    if (fi < 0) return;
    MemRec->Edit();
    MemRec->SetDataValue(fi, dvvValueVz, Value);
    MemRec->Post();
}

void TServerSpecOperationsVz::QueryIntoField(TCustomSQLDataDriverVz* Driver, TMemoryRecordVz* MemRec,
                                             const String& NameParam, const String& Format, const String& FieldParam) {
    if (MemRec->UpdateStatus() != usInserted) return;
    TStrings* sp = Driver->SpecParams();
    const String name = NameParam.isEmpty() ? String() : sp->Values(NameParam).trimmed();
    if (!NameParam.isEmpty() && name.isEmpty()) return;
    const String field = sp->Values(FieldParam);
    if (field.isEmpty() || MemRec->DataStruct()->FieldIndex(field) < 0) return;
    if (!name.isEmpty()) QuotedSQLName(name, true, Driver);  // refuses what is not a plain name
    const Variant v = ServiceQueryValue(Driver, name.isEmpty() ? Format : Format.arg(name), nullptr);
    if (!VarIsEmpty(v)) StoreRecordValue(MemRec, field, v);
}

// ---- the other server types ---------------------------------------------------------------------

bool TOracleSpecOperationsVz::UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                           TMemoryRecordVz* MemRec) {
    QueryIntoField(SQLDataDriver, MemRec, u"SEQUENCE"_S, u"SELECT %1.curval FROM dual"_S, u"SEQUENCE_FIELD"_S);
    return SQLDataDriver->DoUpdateRecord(MemTableData, MemRec);
}

void TMSSQLSpecOperationsVz::GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet*) {
    QueryIntoField(Command->DataDriver(), MemRec, String(), u"SELECT @@IDENTITY"_S, u"AUTO_INCREMENT_FIELD"_S);
}

bool TInterbaseSpecOperationsVz::UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                              TMemoryRecordVz* MemRec) {
    QueryIntoField(SQLDataDriver, MemRec, u"GENERATOR"_S, u"SELECT GEN_ID(%1, 1) FROM RDB$DATABASE"_S,
                   u"GENERATOR_FIELD"_S);
    return SQLDataDriver->DoUpdateRecord(MemTableData, MemRec);
}

void TInterbaseSpecOperationsVz::GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                      TDataSet*) {
    QueryIntoField(Command->DataDriver(), MemRec, u"GENERATOR"_S, u"SELECT GEN_ID(%1, 0) FROM RDB$DATABASE"_S,
                   u"GENERATOR_FIELD"_S);
}

void TInfromixSpecOperationsVz::GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                     TDataSet*) {
    QueryIntoField(Command->DataDriver(), MemRec, String(),
                   u"select DBINFO(\"sqlca.sqlerrd1\") from systables where tabid=1"_S, u"AUTO_INCREMENT_FIELD"_S);
}

// ---- PostgreSQL ---------------------------------------------------------------------------------

bool TPostgreSQLSpecOperationsVz::UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                               TMemoryRecordVz* MemRec) {
    TStrings* sp = SQLDataDriver->SpecParams();
    const String sequence = sp->Values(u"SEQUENCE"_S);
    const String field = sp->Values(u"SEQUENCE_FIELD"_S);
    if (MemRec->UpdateStatus() == usInserted && !sequence.isEmpty() && MemRec->DataStruct()->FieldIndex(field) >= 0) {
        TParams* params = New<TParams>(nullptr);
        Variant v;
        try {
            params->CreateParam(ftWideString, u"SEQUENCE_NAME"_S, ptInput)->SetValue(Variant(sequence));
            v = ServiceQueryValue(SQLDataDriver, u"select nextval(cast(:SEQUENCE_NAME as regclass))"_S, params);
        } catch (...) {
            params->Free();
            throw;
        }
        params->Free();
        if (!VarIsEmpty(v)) StoreRecordValue(MemRec, field, v);
    }
    return SQLDataDriver->DoUpdateRecord(MemTableData, MemRec);
}

void TPostgreSQLSpecOperationsVz::GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                       TDataSet*) {
    TCustomSQLDataDriverVz* drv = Command->DataDriver();
    const String field = drv->SpecParams()->Values(u"AUTO_INCREMENT_FIELD"_S);
    if (MemRec->UpdateStatus() != usInserted || field.isEmpty() || MemRec->DataStruct()->FieldIndex(field) < 0) return;
    // A statement that sent the field's value itself made no value of the server's.
    if (TParams* sent = Command->GetParams(); sent && sent->FindParam(field)) return;
    const String table = drv->DynaSQLParams()->UpdateTable.trimmed();
    TParams* params = New<TParams>(nullptr);
    Variant v;
    try {
        String sql = u"select lastval()"_S;
        if (!table.isEmpty()) {
            // The column's own sequence: a value another table drew in between is never taken.
            sql = u"select currval(pg_get_serial_sequence(:TABLE_NAME, :FIELD_NAME))"_S;
            params->CreateParam(ftWideString, u"TABLE_NAME"_S, ptInput)->SetValue(Variant(QuotedSQLName(table, true, drv)));
            params->CreateParam(ftWideString, u"FIELD_NAME"_S, ptInput)->SetValue(Variant(field));
        }
        v = ServiceQueryValue(drv, sql, params);
    } catch (...) {
        params->Free();
        throw;
    }
    params->Free();
    if (!VarIsEmpty(v) && !VarIsNull(v)) StoreRecordValue(MemRec, field, v);
}

// ---- the resolver -------------------------------------------------------------------------------

TSQLDataDriverResolver* GetSQLDataDriverResolver() { return Resolver().Resolver; }

TSQLDataDriverResolver* SetSQLDataDriverResolver(TSQLDataDriverResolver* Value) {
    return std::exchange(Resolver().Resolver, Value);
}

int TSQLDataDriverResolver::ExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command,
                                           TDataSet*& Cursor, bool& FreeOnEof, bool& Processed) {
    if (OnExecuteCommand.Assigned()) return OnExecuteCommand(SQLDataDriver, Command, Cursor, FreeOnEof, Processed);
    Processed = false;
    return -1;
}

TServerSpecOperationsVz* TSQLDataDriverResolver::GetServerSpecOperations(bool& Processed) {
    if (OnGetServerSpecOperations.Assigned()) {
        TServerSpecOperationsVz* ops = nullptr;
        OnGetServerSpecOperations(Processed, ops);
        return ops;
    }
    if (ServerSpecOperations) {
        Processed = true;
        return ServerSpecOperations;
    }
    return nullptr;
}

void TSQLDataDriverResolver::DefaultGetUpdatedServerValues(TCustomSQLDataDriverVz* SQLDataDriver,
                                                           TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                           TDataSet* ResDataSet, bool& Processed) {
    TServerSpecOperationsVz* ops = ServerSpecOperations ? ServerSpecOperations : SQLDataDriver->ServerSpecOperations();
    if (!ops) return;
    ops->GetBackUpdatedValues(MemRec, Command, ResDataSet);
    Processed = true;
}

void TSQLDataDriverResolver::DefaultUpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                                 TMemoryRecordVz* MemRec, bool& Processed) {
    if (ServerSpecOperations) ServerSpecOperations->UpdateRecord(SQLDataDriver, MemTableData, MemRec);
    else if (SQLDataDriver->ServerSpecOperations())
        SQLDataDriver->ServerSpecOperations()->UpdateRecord(SQLDataDriver, MemTableData, MemRec);
    else SQLDataDriver->DoUpdateRecord(MemTableData, MemRec);
    Processed = true;
}

void TSQLDataDriverResolver::GetBackUpdatedValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                                                  TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed) {
    if (OnGetBackUpdatedValues.Assigned()) OnGetBackUpdatedValues(SQLDataDriver, MemRec, Command, ResDataSet, Processed);
    else DefaultGetUpdatedServerValues(SQLDataDriver, MemRec, Command, ResDataSet, Processed);
}

void TSQLDataDriverResolver::UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                          TMemoryRecordVz* MemRec, bool& Processed) {
    if (OnUpdateRecord.Assigned()) OnUpdateRecord(SQLDataDriver, MemTableData, MemRec, Processed);
    if (!Processed) DefaultUpdateRecord(SQLDataDriver, MemTableData, MemRec, Processed);
}

// ---- inline connection --------------------------------------------------------------------------

void TCustomInlineConnectionVz::SetConnected(bool Value) {
    if (Value && FConnectionProvider && FConnectionProvider->ComponentState().Contains(csLoading)) {
        FReadingTimeConnected = true;
        return;
    }
    InternalSetConnected(Value);
}

// ---- TConnectionProviderVz ----------------------------------------------------------------------

TConnectionProviderVz::~TConnectionProviderVz() {
    if (FServerSpecOperations) FServerSpecOperations->Free();
}

String TConnectionProviderVz::GetServerType() const {
    return FServerSpecOperations ? FServerSpecOperations->ServerTypeName() : String();
}

void TConnectionProviderVz::SetServerType(const String& Value) {
    if (Value == GetServerType()) return;
    if (FServerSpecOperations) {
        FServerSpecOperations->Free();
        FServerSpecOperations = nullptr;
    }
    if (!Value.isEmpty()) FServerSpecOperations = CreateServerSpecOperations(Value);
}

int TConnectionProviderVz::ExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command,
                                          TDataSet*& Cursor, bool& FreeOnEof, bool& Processed) {
    if (OnExecuteCommand.Assigned()) return OnExecuteCommand(SQLDataDriver, Command, Cursor, FreeOnEof, Processed);
    return DefaultExecuteCommand(SQLDataDriver, Command, Cursor, FreeOnEof, Processed);
}

bool TConnectionProviderVz::ExecuteTransactionStatement(TCustomSQLDataDriverVz* SQLDataDriver, const String& SQLText) {
    TCustomSQLCommandVz* cmd = SQLDataDriver ? SQLDataDriver->ServiceCommand() : nullptr;
    if (!cmd) return false;
    cmd->SetCommandType(cthUpdateQuery);
    cmd->SetCommandText(SQLText);
    TDataSet* cursor = nullptr;
    bool freeOnEof = false, processed = false;
    ExecuteCommand(SQLDataDriver, cmd, cursor, freeOnEof, processed);
    if (cursor && freeOnEof) cursor->Free();
    return processed;
}

bool TConnectionProviderVz::StartTransaction(TCustomSQLDataDriverVz* SQLDataDriver) {
    if (FInTransaction) return false;
    FInTransaction = ExecuteTransactionStatement(SQLDataDriver, u"begin"_S);
    return FInTransaction;
}

void TConnectionProviderVz::CommitTransaction(TCustomSQLDataDriverVz* SQLDataDriver) {
    if (!FInTransaction) return;
    ExecuteTransactionStatement(SQLDataDriver, u"commit"_S);
    FInTransaction = false;
}

void TConnectionProviderVz::RollbackTransaction(TCustomSQLDataDriverVz* SQLDataDriver) {
    if (!FInTransaction) return;
    FInTransaction = false;
    ExecuteTransactionStatement(SQLDataDriver, u"rollback"_S);
}

void TConnectionProviderVz::SetSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) {
    if (FInTransaction) ExecuteTransactionStatement(SQLDataDriver, u"savepoint "_S + Name);
}

void TConnectionProviderVz::ReleaseSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) {
    if (FInTransaction) ExecuteTransactionStatement(SQLDataDriver, u"release savepoint "_S + Name);
}

void TConnectionProviderVz::RollbackToSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) {
    if (FInTransaction) ExecuteTransactionStatement(SQLDataDriver, u"rollback to savepoint "_S + Name);
}

// ---- TProviderApplyTransactionVz ----------------------------------------------------------------

void TProviderApplyTransactionVz::Begin(IConnectionProviderVz* Provider, TCustomSQLDataDriverVz* Driver) {
    FProvider = Provider;
    FDriver = Driver;
    FOwnTransaction = Provider && Provider->StartTransaction(Driver);
}

void TProviderApplyTransactionVz::End(bool Commit) {
    IConnectionProviderVz* p = std::exchange(FProvider, nullptr);
    if (!p || !std::exchange(FOwnTransaction, false)) return;
    if (Commit) {
        p->CommitTransaction(FDriver);
    } else {
        try {
            p->RollbackTransaction(FDriver);
        } catch (...) {
        }
    }
}

void TProviderApplyTransactionVz::BeginRecord() {
    if (FProvider) FProvider->SetSavepoint(FDriver, u"sdelka_record"_S);
}

void TProviderApplyTransactionVz::EndRecord(bool Success) {
    if (!FProvider) return;
    if (Success) FProvider->ReleaseSavepoint(FDriver, u"sdelka_record"_S);
    else FProvider->RollbackToSavepoint(FDriver, u"sdelka_record"_S);
}

int TConnectionProviderVz::DefaultExecuteCommand(TCustomSQLDataDriverVz*, TCustomSQLCommandVz*, TDataSet*&, bool&,
                                                 bool& Processed) {
    Processed = false;
    return -1;
}

void TConnectionProviderVz::GetDataReaderForSQL(const String&, TParams*, TDataSet*&, bool&, bool& Processed) {
    Processed = false;
}

void TConnectionProviderVz::FillMemTableForSQL(const String& SQLText, TParams* AParams, TMemTableDataVz* MemTableData,
                                               bool& Processed) {
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    Processed = false;
    GetDataReaderForSQL(SQLText, AParams, cursor, freeOnEof, Processed);
    if (!Processed || !cursor) return;
    try {
        MemTableData->DestroyTable();
        MemTableData->DataStruct()->BuildStructFromFields(cursor->Fields());
        TRecordsListVz* list = MemTableData->RecordsList();
        const int n = cursor->Fields()->Count();
        for (cursor->First(); !cursor->Eof(); cursor->Next()) {
            TMemoryRecordVz* rec = list->NewRecord();
            try {
                for (int i = 0; i < n; ++i) rec->SetFieldValue(i, cursor->Fields()->Fields(i));
            } catch (...) {
                rec->Free();
                throw;
            }
            list->FetchRecord(rec);
        }
    } catch (...) {
        if (freeOnEof) cursor->Free();
        throw;
    }
    if (freeOnEof) cursor->Free();
}

int TConnectionProviderVz::ExecuteSQL(const String&, TParams*, bool& Processed) {
    Processed = false;
    return 0;
}

TServerSpecOperationsVz* TConnectionProviderVz::GetServerSpecOperations() {
    if (OnGetServerSpecOperations.Assigned()) {
        bool processed = false;
        TServerSpecOperationsVz* ops = nullptr;
        OnGetServerSpecOperations(processed, ops);
        if (processed) return ops;
    }
    return FServerSpecOperations;
}

void TConnectionProviderVz::UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                         TMemoryRecordVz* MemRec, bool& Processed) {
    if (OnUpdateRecord.Assigned()) OnUpdateRecord(SQLDataDriver, MemTableData, MemRec, Processed);
    if (!Processed) DefaultUpdateRecord(SQLDataDriver, MemTableData, MemRec, Processed);
}

void TConnectionProviderVz::DefaultUpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                                TMemoryRecordVz* MemRec, bool& Processed) {
    if (TServerSpecOperationsVz* ops = GetServerSpecOperations()) ops->UpdateRecord(SQLDataDriver, MemTableData, MemRec);
    else if (SQLDataDriver->ServerSpecOperations())
        SQLDataDriver->ServerSpecOperations()->UpdateRecord(SQLDataDriver, MemTableData, MemRec);
    else SQLDataDriver->DoUpdateRecord(MemTableData, MemRec);
    Processed = true;
}

void TConnectionProviderVz::GetBackUpdatedValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                                                 TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed) {
    if (OnGetBackUpdatedValues.Assigned()) OnGetBackUpdatedValues(SQLDataDriver, MemRec, Command, ResDataSet, Processed);
    else DefaultGetUpdatedServerValues(SQLDataDriver, MemRec, Command, ResDataSet, Processed);
}

void TConnectionProviderVz::DefaultGetUpdatedServerValues(TCustomSQLDataDriverVz* SQLDataDriver,
                                                          TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                          TDataSet* ResDataSet, bool& Processed) {
    TServerSpecOperationsVz* ops = GetServerSpecOperations();
    if (!ops) ops = SQLDataDriver->ServerSpecOperations();
    if (!ops) return;
    ops->GetBackUpdatedValues(MemRec, Command, ResDataSet);
    Processed = true;
}
