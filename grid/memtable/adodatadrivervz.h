// The ADO data driver: an SQL data driver whose commands run through the ADO components on the
// driver's connection (ADOConnection, a connection of its own made from ConnectionString, or the
// current connection of its ADO connection provider). One apply of cached updates is one
// transaction on that connection; a record that fails is rolled back to its own savepoint and
// stays in the change log.
//
// The ADO connection provider executes the commands of the drivers that share it, on an external
// TADOConnection or on the inline connection it owns (whose connection string may hold
// "%PROJECT_PATH%"), answers schema questions and runs ad-hoc SQL.
#pragma once

#include "grid/memtable/sqldatadrivervz.h"

#include <vector>

class TADOConnection;
class TADOConnectionProviderVz;
class TADODataDriverVz;
class TADOCommandVz;
class TParameter;
class TParameters;

// Runs a command on Connection by its type: a query opened or executed (the rows affected), a
// table opened, a stored procedure executed; the parameters are the command's and the macro
// values of its driver, and come back into the command. An active dataset is handed out as
// Cursor with FreeOnEof.
int ExecuteSQLCommandOnADOConnection(TADOConnection* Connection, TCustomSQLCommandVz* Command, TDataSet*& Cursor,
                                     bool& FreeOnEof, int CommandTimeout = -1);

using TAssignParameterVzEvent =
    TEvent<void(TADODataDriverVz* DataDriver, TADOCommandVz* Command, TMemoryRecordVz* MemRecord,
                TDataValueVersionVz DataValueVersion, TParameter* Parameter)>;

class TADOCommandVz : public TCustomSQLCommandVz {
    SDELKA_CLASS(TADOCommandVz, TCustomSQLCommandVz)
public:
    explicit TADOCommandVz(TADODataDriverVz* ADataDriver);
    ~TADOCommandVz() override;

    TAssignParameterVzEvent OnAssignParameter;
    TParameters* Parameters() const { return FParameters; }
    void SetParameters(TParameters* Value);
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int Value) { FCommandTimeout = Value; }

    // The provider first; else the command runs on the driver's connection.
    int Execute(TDataSet*& Cursor, bool& FreeOnEof) override;
    // A TParams copy of the parameters (owned by the command).
    TParams* GetParams() override;
    void SetParams(TParams* AParams) override;
    void RebuildParams() override;
    void RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) override;
    void Assign(TPersistent* Source) override;

protected:
    void TextChanged() override;
    virtual void DefaultRefreshParameter(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion,
                                         TParameter* Parameter);

private:
    TParameters* FParameters = nullptr;
    TParams* FParams = nullptr;
    int FCommandTimeout = 30;
};

using TADODataDriverGetBackUpdatedValuesVzEvent =
    TEvent<void(TADODataDriverVz* DataDriver, TMemoryRecordVz* MemRec, TADOCommandVz* Command, TDataSet* ResDataSet)>;

class TADODataDriverVz : public TCustomSQLDataDriverVz {
    SDELKA_CLASS(TADODataDriverVz, TCustomSQLDataDriverVz)
protected:
    explicit TADODataDriverVz(TComponent* AOwner) : TCustomSQLDataDriverVz(AOwner) {}
    ~TADODataDriverVz() override;

public:
    // The three connection settings exclude each other: setting one clears the others.
    TADOConnection* ADOConnection() const { return FADOConnection; }
    void SetADOConnection(TADOConnection* Value);
    const String& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const String& Value);
    TADOConnectionProviderVz* ConnectionProvider() const { return FConnectionProvider; }
    void SetConnectionProvider(TADOConnectionProviderVz* Value);
    // The connection commands run on: the provider's current one, ADOConnection, else one the
    // driver opens from ConnectionString (nullptr with none).
    TADOConnection* Connection();

    TAssignParameterVzEvent OnAssignCommandParameter;
    // The ADO driver's own event of this step (in place of the SQL driver's).
    TADODataDriverGetBackUpdatedValuesVzEvent OnGetBackUpdatedValues;

    TADOCommandVz* SelectCommand() const { return static_cast<TADOCommandVz*>(inherited::SelectCommand()); }
    TADOCommandVz* UpdateCommand() const { return static_cast<TADOCommandVz*>(inherited::UpdateCommand()); }
    TADOCommandVz* InsertCommand() const { return static_cast<TADOCommandVz*>(inherited::InsertCommand()); }
    TADOCommandVz* DeleteCommand() const { return static_cast<TADOCommandVz*>(inherited::DeleteCommand()); }
    TADOCommandVz* GetrecCommand() const { return static_cast<TADOCommandVz*>(inherited::GetrecCommand()); }

    IConnectionProviderVz* GetConnectionProvider() const override;
    bool HaveDataConnection() const override;
    // Reading everything (Count -1) from an ADO reader takes all its rows in one block.
    int ReadData(TMemTableDataVz* MemTableData, int Count) override;
    void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet) override;
    // Output parameters that name data fields go into the record, then the SQL driver's chain.
    void DefaultGetUpdatedServerValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                       TDataSet* ResDataSet) override;
    virtual void AssignCommandParameter(TADOCommandVz* Command, TMemoryRecordVz* MemRecord,
                                        TDataValueVersionVz DataValueVersion, TParameter* Parameter);
    // The rule of CommandParamFieldIndex; with ParamCheck the parameter takes the field's type.
    virtual void DefaultAssignCommandParameter(TADOCommandVz* Command, TMemoryRecordVz* MemRecord,
                                               TDataValueVersionVz DataValueVersion, TParameter* Parameter);

protected:
    TCustomSQLCommandVz* CreateCommand() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void BeginApplyUpdates() override;
    void EndApplyUpdates(bool Commit) override;
    void BeginRecordUpdate() override;
    void EndRecordUpdate(bool Success) override;

private:
    TADOConnection* FADOConnection = nullptr;
    String FConnectionString;
    TADOConnectionProviderVz* FConnectionProvider = nullptr;
    TADOConnection* FOwnConnection = nullptr;
    TADOApplyTransactionVz FApply;
    TProviderApplyTransactionVz FProviderApply;
};

// The ADO connection a provider owns. Its connection string may hold "%PROJECT_PATH%", replaced
// by the provider's Path when it connects; datasets that waited for it open once it connects.
class TADOInlineConnectionVz : public TCustomInlineConnectionVz {
    SDELKA_CLASS(TADOInlineConnectionVz, TCustomInlineConnectionVz)
public:
    explicit TADOInlineConnectionVz(TADOConnectionProviderVz* AConnectionProvider);
    ~TADOInlineConnectionVz() override;

    TADOConnection* InlineConnection() const { return FConnection; }
    const String& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const String& Value);
    int CommandTimeout() const;
    void SetCommandTimeout(int Value);
    int ConnectionTimeout() const;
    void SetConnectionTimeout(int Value);
    String DefaultDatabase() const;
    void SetDefaultDatabase(const String& Value);

    // By default the inline connection is used at run time when the provider has no Connection
    // and a connection string is set.
    bool UseAtRunTime() const;
    void SetUseAtRunTime(bool Value);
    bool UseAtRunTimeStored() const { return FUseAtRunTimeStored; }
    void SetUseAtRunTimeStored(bool Value);
    bool UseAtDesignTime() const;
    void SetUseAtDesignTime(bool Value);
    bool UseAtDesignTimeStored() const { return FUseAtDesignTimeStored; }
    void SetUseAtDesignTimeStored(bool Value);

    const std::vector<TDataSet*>& PostponedDataSets() const { return FPostponedDataSets; }
    void AddPostponedDataSet(TDataSet* DataSet);
    void DataSetRemoved(TComponent* AComponent);

protected:
    bool GetConnected() override;
    void InternalSetConnected(bool Value) override;

private:
    void ConnectionBeforeConnect(TObject* Sender);
    void ConnectionAfterConnect(TObject* Sender);

    TADOConnectionProviderVz* FProvider;
    TADOConnection* FConnection = nullptr;
    String FConnectionString;
    bool FUseAtRunTime = false;
    bool FUseAtRunTimeStored = false;
    bool FUseAtDesignTime = false;
    bool FUseAtDesignTimeStored = false;
    std::vector<TDataSet*> FPostponedDataSets;
};

class TADOConnectionProviderVz : public TConnectionProviderVz, public IDatabaseSchemaInfoVz {
    SDELKA_CLASS(TADOConnectionProviderVz, TConnectionProviderVz)
protected:
    explicit TADOConnectionProviderVz(TComponent* AOwner);
    ~TADOConnectionProviderVz() override;

public:
    TADOConnection* Connection() const { return FConnection; }
    void SetConnection(TADOConnection* Value);
    TADOInlineConnectionVz* InlineConnection() const { return FInlineConnection; }
    // Where "%PROJECT_PATH%" points (empty: no project folder is known here).
    String Path() const { return String(); }

    TNotifyEvent InlineConnectionBeforeConnect;
    TNotifyEvent InlineConnectionAfterConnect;

    bool UseInlineConnection() const;
    TADOConnection* CurrentTimeConnection() const;
    // Every "%PROJECT_PATH%" (that letter case only) replaced by Path.
    String UnmacrosConnectionString(const String& MacrosedString) const;
    // The first row of SQLText as values (empty when there is none). ParamValues holds name,
    // value, name, value ...; an odd count raises.
    std::vector<Variant> ExecuteSQLGetRecordAsVarArray(const String& SQLText, const std::vector<Variant>& ParamValues);

    void GetDataReaderForSQL(const String& SQLText, TParams* AParams, TDataSet*& Cursor, bool& FreeOnEof,
                             bool& Processed) override;
    bool ConnectionIsPostponed() override;
    void AddPostponedActivationDataSet(TDataSet* DataSet) override;
    IDatabaseSchemaInfoVz* GetDatabaseSchemaInfo() override { return this; }
    // On the current connection (opened first): BeginTrans unless one runs already.
    bool StartTransaction(TCustomSQLDataDriverVz* SQLDataDriver) override;
    void CommitTransaction(TCustomSQLDataDriverVz* SQLDataDriver) override;
    void RollbackTransaction(TCustomSQLDataDriverVz* SQLDataDriver) override;
    void SetSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) override;
    void ReleaseSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) override;
    void RollbackToSavepoint(TCustomSQLDataDriverVz* SQLDataDriver, const String& Name) override;
    void GetTableFieldNames(const String& TableName, TStrings* List) override;
    void Loaded() override;

protected:
    int DefaultExecuteCommand(TCustomSQLDataDriverVz* SQLDataDriver, TCustomSQLCommandVz* Command, TDataSet*& Cursor,
                              bool& FreeOnEof, bool& Processed) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TADOConnection* FConnection = nullptr;
    TADOInlineConnectionVz* FInlineConnection = nullptr;
    TADOConnection* FTransactionConnection = nullptr;  // the connection of the transaction begun here
};
