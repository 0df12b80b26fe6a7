// How an SQL data driver's work reaches the database server: the server-specific operations that
// write generated insert, update and delete statements and read back the keys the server makes,
// the registry of server types, the process-wide resolver whose events may take over command
// execution and record writing for every SQL driver, and the connection provider that several
// drivers share (with the inline connection it owns).
//
// A driver asks, in this order: its connection provider, the resolver, its own server-specific
// operations, and finally its own commands.
//
// Besides the plain "AnsiServer" operations the registry holds one class per server type (see the
// classes below), "PostgreSQL" last, whose operations take a key from a sequence before an insert ("SEQUENCE",
// "SEQUENCE_FIELD") and read the generated key of a serial or identity column back after it
// ("AUTO_INCREMENT_FIELD"), with the server's own sequence functions.
#pragma once

#include "grid/memtable/memtabledatavz.h"
#include "platform/db/db.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

#include <QStringList>

#include <vector>

class TCustomSQLCommandVz;
class TCustomSQLDataDriverVz;
class TParams;
class TStrings;

// ---- server-specific operations ---------------------------------------------------------------

class TServerSpecOperationsVz : public TObject {
    SDELKA_CLASS(TServerSpecOperationsVz, TObject)
public:
    TServerSpecOperationsVz() = default;
    ~TServerSpecOperationsVz() override = default;

    static String GetServerTypeName() { return u"AnsiServer"_S; }
    virtual String ServerTypeName() const { return GetServerTypeName(); }

    // Adds the where clause over Keys (nothing when Keys is empty).
    virtual void AddWhereClause(QStringList& Lines, const QStringList& Keys, TComponent* Owner);
    // The names of Fields whose current value differs from the old one; a name that is not a
    // data field raises "Invalid field name ...".
    virtual QStringList GetChangedFields(const QStringList& Fields, TMemoryRecordVz* MemRec);
    // Writes one record: the driver's DoUpdateRecord (true when written).
    virtual bool UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                              TMemoryRecordVz* MemRec);
    // After a write: values the server made (nothing here).
    virtual void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) {}
    // Writes the statement for the record's change into Command: names checked and quoted,
    // values as parameters; an empty text when there is nothing to write. An update or delete
    // without key fields is refused.
    virtual void GenerateDynaSQLCommand(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command);

protected:
    // Runs a one-value query in the driver's service command; Empty when it gives no row.
    static Variant ServiceQueryValue(TCustomSQLDataDriverVz* Driver, const String& SQL, TParams* Params);
    // For an inserted record with SpecParams' NameParam set: the query made from Format (with
    // the name for %1) is run and a value it gives goes into the data field FieldParam names.
    // The name must be a plain identifier (dotted parts allowed): it stands in the SQL text.
    static void QueryIntoField(TCustomSQLDataDriverVz* Driver, TMemoryRecordVz* MemRec, const String& NameParam,
                               const String& Format, const String& FieldParam);
    // Stores Value into the record's field FieldName (nothing when there is no such field).
    static void StoreRecordValue(TMemoryRecordVz* MemRec, const String& FieldName, const Variant& Value);
};

class TPostgreSQLSpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TPostgreSQLSpecOperationsVz, TServerSpecOperationsVz)
public:
    TPostgreSQLSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"PostgreSQL"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
    // An inserted record first takes the next value of "SEQUENCE" into "SEQUENCE_FIELD".
    bool UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                      TMemoryRecordVz* MemRec) override;
    // An inserted record reads the value the server gave its "AUTO_INCREMENT_FIELD": the
    // current value of that column's sequence in UpdateTable, or the session's last one.
    void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) override;
};

// The other server types. Their key queries name a sequence or generator from the driver's
// SpecParams in the SQL text (a name that is not a plain identifier is refused); what they read
// goes into the field SpecParams names, for inserted records only.
//   Oracle     before the insert: "SELECT <SEQUENCE>.curval FROM dual" into "SEQUENCE_FIELD"
//   MSSQL      after it: "SELECT @@IDENTITY" into "AUTO_INCREMENT_FIELD" (MSAccess the same)
//   Interbase  before: "SELECT GEN_ID(<GENERATOR>, 1) FROM RDB$DATABASE" into "GENERATOR_FIELD",
//              after: the same with 0
//   Infromix   after: the DBINFO query into "AUTO_INCREMENT_FIELD"
//   DB2, Sybase nothing of their own
class TOracleSpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TOracleSpecOperationsVz, TServerSpecOperationsVz)
public:
    TOracleSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"Oracle"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
    bool UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                      TMemoryRecordVz* MemRec) override;
};

class TMSSQLSpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TMSSQLSpecOperationsVz, TServerSpecOperationsVz)
public:
    TMSSQLSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"MSSQL"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
    void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) override;
};

class TInterbaseSpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TInterbaseSpecOperationsVz, TServerSpecOperationsVz)
public:
    TInterbaseSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"Interbase"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
    bool UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                      TMemoryRecordVz* MemRec) override;
    void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) override;
};

class TInfromixSpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TInfromixSpecOperationsVz, TServerSpecOperationsVz)
public:
    TInfromixSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"Infromix"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
    void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) override;
};

class TDB2SpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TDB2SpecOperationsVz, TServerSpecOperationsVz)
public:
    TDB2SpecOperationsVz() = default;
    static String GetServerTypeName() { return u"DB2"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
};

class TSybaseSpecOperationsVz : public TServerSpecOperationsVz {
    SDELKA_CLASS(TSybaseSpecOperationsVz, TServerSpecOperationsVz)
public:
    TSybaseSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"Sybase"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
};

class TMSAccessSpecOperationsVz : public TMSSQLSpecOperationsVz {
    SDELKA_CLASS(TMSAccessSpecOperationsVz, TMSSQLSpecOperationsVz)
public:
    TMSAccessSpecOperationsVz() = default;
    static String GetServerTypeName() { return u"MSAccess"_S; }
    String ServerTypeName() const override { return GetServerTypeName(); }
};

using TServerSpecOperationsFactoryVz = TServerSpecOperationsVz* (*)();

// Registers a class of operations under its server type name (case-insensitive); a name that is
// there already raises.
void RegisterServerSpecOperationsClass(const String& ServerTypeName, TServerSpecOperationsFactoryVz Factory);
template <class T>
void RegisterServerSpecOperationsClass() {
    RegisterServerSpecOperationsClass(T::GetServerTypeName(), [] { return static_cast<TServerSpecOperationsVz*>(New<T>()); });
}
int ServerSpecOperationsCount();
String ServerSpecOperationsName(int Index);
// A new operations object of the named type (the caller owns it); an unknown name raises.
TServerSpecOperationsVz* CreateServerSpecOperations(const String& ServerTypeName);
// The process-wide plain operations.
TServerSpecOperationsVz* DefaultServerSpecOperations();

// ---- the process-wide resolver ------------------------------------------------------------------

using TResolverExecuteCommandVzEvent =
    TEvent<int(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command, TDataSet*& Cursor,
               bool& FreeOnEof, bool& Processed)>;
using TResolverGetBackUpdatedValuesVzEvent =
    TEvent<void(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                TDataSet* ResDataSet, bool& Processed)>;
using TResolverGetServerSpecOperationsVz = TEvent<void(bool& Processed, TServerSpecOperationsVz*& ServerSpecOperations)>;
using TResolverUpdateRecordVzEvent =
    TEvent<void(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec,
                bool& Processed)>;

class TSQLDataDriverResolver : public TPersistent {
    SDELKA_CLASS(TSQLDataDriverResolver, TPersistent)
public:
    TSQLDataDriverResolver() = default;

    TServerSpecOperationsVz* ServerSpecOperations = nullptr;  // not owned
    TResolverExecuteCommandVzEvent OnExecuteCommand;
    TResolverGetBackUpdatedValuesVzEvent OnGetBackUpdatedValues;
    TResolverGetServerSpecOperationsVz OnGetServerSpecOperations;
    TResolverUpdateRecordVzEvent OnUpdateRecord;

    virtual int ExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command,
                               TDataSet*& Cursor, bool& FreeOnEof, bool& Processed);
    virtual TServerSpecOperationsVz* GetServerSpecOperations(bool& Processed);
    virtual void DefaultGetUpdatedServerValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                                               TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed);
    virtual void DefaultUpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                     TMemoryRecordVz* MemRec, bool& Processed);
    virtual void GetBackUpdatedValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                                      TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed);
    virtual void UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                              TMemoryRecordVz* MemRec, bool& Processed);
};

TSQLDataDriverResolver* GetSQLDataDriverResolver();
// Installs a resolver (or none) and returns the previous one, which the caller then owns.
TSQLDataDriverResolver* SetSQLDataDriverResolver(TSQLDataDriverResolver* Value);

// ---- connection providers -----------------------------------------------------------------------

// Field names of a table.
class IDatabaseSchemaInfoVz {
public:
    virtual void GetTableFieldNames(const String& TableName, TStrings* List) = 0;

protected:
    ~IDatabaseSchemaInfoVz() = default;
};

// What SQL drivers ask of a connection provider.
class IConnectionProviderVz {
public:
    virtual int ExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command,
                               TDataSet*& Cursor, bool& FreeOnEof, bool& Processed) = 0;
    virtual void GetDataReaderForSQL(const String& SQLText, TParams* AParams, TDataSet*& Cursor, bool& FreeOnEof,
                                     bool& Processed) = 0;
    virtual void FillMemTableForSQL(const String& SQLText, TParams* AParams, TMemTableDataVz* MemTableData,
                                    bool& Processed) = 0;
    virtual int ExecuteSQL(const String& SQLText, TParams* AParams, bool& Processed) = 0;
    virtual void UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                              TMemoryRecordVz* MemRec, bool& Processed) = 0;
    virtual void GetBackUpdatedValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                                      TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed) = 0;
    virtual void AddPostponedActivationDataSet(TDataSet* DataSet) = 0;
    virtual bool ConnectionIsPostponed() = 0;
    virtual IDatabaseSchemaInfoVz* GetDatabaseSchemaInfo() = 0;
    // The transaction of one apply of cached updates on the provider's connection. Start answers
    // False when a transaction runs there already (the caller's own), which the apply then joins
    // without ending it. Savepoints make each record of the apply atomic on its own.
    virtual bool StartTransaction(TCustomSQLDataDriverVz* SQLDataDriver) = 0;
    virtual void CommitTransaction(TCustomSQLDataDriverVz* SQLDataDriver) = 0;
    virtual void RollbackTransaction(TCustomSQLDataDriverVz* SQLDataDriver) = 0;
    virtual void SetSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) = 0;
    virtual void ReleaseSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) = 0;
    virtual void RollbackToSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) = 0;

protected:
    ~IConnectionProviderVz() = default;
};

// One apply of cached updates through a connection provider: one transaction (unless the caller
// holds one already), each record behind a savepoint of its own, so that a failing record is
// undone alone and a failing apply leaves nothing written.
class TProviderApplyTransactionVz {
public:
    void Begin(IConnectionProviderVz* Provider, TCustomSQLDataDriverVz* Driver);
    void End(bool Commit);
    void BeginRecord();
    void EndRecord(bool Success);
    bool Active() const { return FProvider != nullptr; }

private:
    IConnectionProviderVz* FProvider = nullptr;
    TCustomSQLDataDriverVz* FDriver = nullptr;
    bool FOwnTransaction = false;
};

class TConnectionProviderVz;

// A connection owned by a provider. A Connected set while the provider is read from a stream is
// only remembered: at run time nothing connects until the connection is used.
class TCustomInlineConnectionVz : public TPersistent {
    SDELKA_CLASS(TCustomInlineConnectionVz, TPersistent)
public:
    explicit TCustomInlineConnectionVz(TConnectionProviderVz* AConnectionProvider)
        : FConnectionProvider(AConnectionProvider) {}

    TConnectionProviderVz* ConnectionProvider() const { return FConnectionProvider; }
    bool Connected() { return GetConnected(); }
    void SetConnected(bool Value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    bool ReadingTimeConnected() const { return FReadingTimeConnected; }
    // Called by the provider once it is loaded.
    virtual void ProviderLoaded() {}

protected:
    virtual bool GetConnected() { return false; }
    virtual void InternalSetConnected(bool /*Value*/) {}

private:
    TConnectionProviderVz* FConnectionProvider;
    bool FReadingTimeConnected = false;
};

class TConnectionProviderVz : public TComponent, public IConnectionProviderVz {
    SDELKA_CLASS(TConnectionProviderVz, TComponent)
protected:
    explicit TConnectionProviderVz(TComponent* AOwner) : TComponent(AOwner) {}
    ~TConnectionProviderVz() override;

public:
    TResolverExecuteCommandVzEvent OnExecuteCommand;
    TResolverGetBackUpdatedValuesVzEvent OnGetBackUpdatedValues;
    TResolverGetServerSpecOperationsVz OnGetServerSpecOperations;
    TResolverUpdateRecordVzEvent OnUpdateRecord;

    TServerSpecOperationsVz* ServerSpecOperations() const { return FServerSpecOperations; }
    // The server type of the operations ("" without); setting an unknown name raises and leaves
    // the provider without operations.
    virtual String GetServerType() const;
    virtual void SetServerType(const String& Value);
    String ServerType() const { return GetServerType(); }
    static int ServerTypesCount() { return ServerSpecOperationsCount(); }
    static String ServerTypes(int AIndex) { return ServerSpecOperationsName(AIndex); }

    int ExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command, TDataSet*& Cursor,
                       bool& FreeOnEof, bool& Processed) override;
    void GetDataReaderForSQL(const String& SQLText, TParams* AParams, TDataSet*& Cursor, bool& FreeOnEof,
                             bool& Processed) override;
    void FillMemTableForSQL(const String& SQLText, TParams* AParams, TMemTableDataVz* MemTableData,
                            bool& Processed) override;
    int ExecuteSQL(const String& SQLText, TParams* AParams, bool& Processed) override;
    void UpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec,
                      bool& Processed) override;
    void GetBackUpdatedValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                              TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed) override;
    void AddPostponedActivationDataSet(TDataSet*) override {}
    bool ConnectionIsPostponed() override { return false; }
    IDatabaseSchemaInfoVz* GetDatabaseSchemaInfo() override { return nullptr; }
    // Here the statements ("begin", "commit", "rollback", "savepoint ...") run as the provider
    // runs any command (its OnExecuteCommand): a provider that executes nothing has no
    // transaction to keep, and the apply then runs without one.
    bool StartTransaction(TCustomSQLDataDriverVz* SQLDataDriver) override;
    void CommitTransaction(TCustomSQLDataDriverVz* SQLDataDriver) override;
    void RollbackTransaction(TCustomSQLDataDriverVz* SQLDataDriver) override;
    void SetSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) override;
    void ReleaseSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) override;
    void RollbackToSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) override;

    virtual TServerSpecOperationsVz* GetServerSpecOperations();

protected:
    virtual int DefaultExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command,
                                      TDataSet*& Cursor, bool& FreeOnEof, bool& Processed);
    virtual void DefaultGetUpdatedServerValues(TCustomSQLDataDriverVz* SQLDataDriver, TMemoryRecordVz* MemRec,
                                               TCustomSQLCommandVz* Command, TDataSet* ResDataSet, bool& Processed);
    virtual void DefaultUpdateRecord(TCustomSQLDataDriverVz* SQLDataDriver, TMemTableDataVz* MemTableData,
                                     TMemoryRecordVz* MemRec, bool& Processed);

    // Runs one transaction statement through ExecuteCommand; False when nothing ran it.
    bool ExecuteTransactionStatement(TCustomSQLDataDriverVz* SQLDataDriver, const String& SQLText);

private:
    TServerSpecOperationsVz* FServerSpecOperations = nullptr;
    bool FInTransaction = false;
};
