// Data drivers that read a select command into an in-memory dataset and write its changes back
// with update, insert and delete commands, one per changed record. A parameter named as a data
// field takes the record's value; one named "OLD_" and a field name takes the value the record
// had when it was read. Command texts may hold macros; the filter and sort-order macros are only
// ever filled with generated text (names checked and quoted, values bound as parameters).
//
// Where a command runs: the driver's connection provider, else the process-wide resolver, else
// the command itself (dynasqlvz.h). TSQLDataDriverVz runs commands only through a provider or the
// resolver; the ADO driver (adodatadrivervz.h) runs them on its own connection as well.
//
// Writing is strict: a change that no command writes, a command that runs nothing and an update or
// delete that touches no row raise EDatabaseError, which the apply loop hands to OnUpdateError;
// such a record stays in the change log.
#pragma once

#include "grid/memtable/datadrivervz.h"
#include "grid/memtable/dynasqlvz.h"

#include <memory>
#include <utility>
#include <vector>

class TParams;
class TParam;
class TStringVarsVz;
class TCustomSQLDataDriverVz;
class TBaseSQLDataDriverVz;

enum TSQLCommandTypeVz { cthSelectQuery, cthUpdateQuery, cthTable, cthStoredProc };
enum TDynaSQLOptionVz { dsoDynamicSQLInsertVz, dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz };
using TDynaSQLOptionsVz = TSet<TDynaSQLOptionVz>;
enum TTableFieldListSourceVz { tflsListPropertyVz, tflsDataBaseSchemaVz };

enum TSpecMacrosUsageVz {
    smuUseFilterMacroVz, smuFilterAsWhereClauseVz, smuFilterWithANDPrecedingVz,
    smuUseSortOrderMacroVz, smuSortOrderAsOrderByClauseVz, smuSortOrderWithCommaPrecedingVz
};
using TSpecMacrosUsagesVz = TSet<TSpecMacrosUsageVz>;

// Replaces every occurrence of MacroName (case-sensitive) by MacroValue; inserted values are not
// searched again.
String SubstituteMacro(const String& Text, const String& MacroName, const String& MacroValue);

// A parameter value that a generated macro text refers to (":name").
using TMacroParamVz = std::pair<String, Variant>;

// A filter in the datasets' filter syntax ("name = 'x' and qty > 5 or d is null") as SQL: field
// names checked and double-quoted, every constant a parameter ":FILTER_VALUE_n" whose value goes
// to Params. A text compared with a date, number or Boolean field of FieldTypes (when given) is
// read as that type, as the dataset's own filter reads it. Anything SQL could not say the same
// way raises EDatabaseError.
String FilterTextToSQL(const String& FilterText, std::vector<TMacroParamVz>& Params, TComponent* Owner = nullptr,
                       TDataSet* FieldTypes = nullptr);
// The data field a command parameter stands for: a field of the parameter's name (Version
// unchanged), else for "OLD_" and a field name (prefix in any letter case) that field with
// Version dvvOldestValue; -1 for any other parameter.
int CommandParamFieldIndex(TMTDataStructVz* DataStruct, const String& ParamName, TDataValueVersionVz& Version);
// A checked name in double quotes (a table may be qualified by its schema); anything but a plain
// identifier raises EDatabaseError.
String QuotedSQLName(const String& Name, bool Qualified, TComponent* Owner = nullptr);

// The two special macros of a select text: where the filter and the sort order go.
class TSpecMacrosVz : public TPersistent {
    SDELKA_CLASS(TSpecMacrosVz, TPersistent)
public:
    TSpecMacrosVz() = default;
    String FilterMacroName = u"%Filter%"_S;
    String SortOrderMacroName = u"%SortOrder%"_S;
    String FilterMacroValue;
    String SortOrderMacroValue;
    // The values FilterMacroValue refers to.
    std::vector<TMacroParamVz> FilterParams;
    // Copies the two names.
    void Assign(TPersistent* Source) override;
};

// The macros of a driver's command texts: named text variables substituted in list order after
// the special macros.
class TMacroVarsVz : public TPersistent {
    SDELKA_CLASS(TMacroVarsVz, TPersistent)
public:
    explicit TMacroVarsVz(TCustomSQLDataDriverVz* ADataDriver = nullptr);
    ~TMacroVarsVz() override;
    TCustomSQLDataDriverVz* DataDriver() const { return FDataDriver; }
    TStringVarsVz* Macros() const { return FMacros; }
    TSpecMacrosVz* SpecMacros() const { return FSpecMacros; }
    TSpecMacrosUsagesVz SpecMacrosUsages{smuFilterAsWhereClauseVz, smuSortOrderAsOrderByClauseVz};
    String Apply(const String& Text) const;
    void Assign(TPersistent* Source) override;

private:
    TCustomSQLDataDriverVz* FDataDriver;
    TStringVarsVz* FMacros = nullptr;
    TSpecMacrosVz* FSpecMacros = nullptr;
};

// What generated insert, update and delete statements write: the table, the fields (comma text)
// and the key fields that find the row (comma text).
class TDynaSQLParamsVz : public TPersistent {
    SDELKA_CLASS(TDynaSQLParamsVz, TPersistent)
public:
    explicit TDynaSQLParamsVz(TCustomSQLDataDriverVz* ADataDriver = nullptr) : FDataDriver(ADataDriver) {}
    TCustomSQLDataDriverVz* DataDriver() const { return FDataDriver; }
    String UpdateTable;
    String UpdateFields;
    String KeyFields;
    bool SkipUnchangedFields = false;
    TDynaSQLOptionsVz Options;
    TTableFieldListSourceVz UpdateFieldListSource = tflsListPropertyVz;
    // The fields to write: UpdateFields, or with tflsDataBaseSchemaVz the columns of UpdateTable
    // the provider's schema names that are data fields and not key fields (in data-field order).
    void GetUpdateFields(QStringList& List, TMemoryRecordVz* MemRec) const;
    void Assign(TPersistent* Source) override;

private:
    TCustomSQLDataDriverVz* FDataDriver;
};

class TCustomSQLCommandVz : public TPersistent {
    SDELKA_CLASS(TCustomSQLCommandVz, TPersistent)
public:
    explicit TCustomSQLCommandVz(TCustomSQLDataDriverVz* ADataDriver) : FDataDriver(ADataDriver) {}

    TCustomSQLDataDriverVz* DataDriver() const { return FDataDriver; }
    const String& CommandText() const { return FCommandText; }
    void SetCommandText(const String& Value);
    TSQLCommandTypeVz CommandType() const { return FCommandType; }
    void SetCommandType(TSQLCommandTypeVz Value) { FCommandType = Value; }
    virtual TSQLCommandTypeVz DefaultCommandType() const;
    virtual bool ParamCheck() const { return FParamCheck; }
    virtual void SetParamCheck(bool Value) { FParamCheck = Value; }

    // The command text with the driver's macros substituted.
    String FinalCommandText() const;
    // Runs the command: answers the rows affected (-1 for a cursor or when nothing ran); a cursor
    // handed out with FreeOnEof belongs to the caller. The plain command runs through the driver's
    // connection provider, else the resolver; with neither nothing runs.
    virtual int Execute(TDataSet*& Cursor, bool& FreeOnEof);
    // Whether the last execution ran the command somewhere.
    bool Executed() const { return FExecuted; }
    void SetExecuted(bool Value) { FExecuted = Value; }

    // The parameters as the data layer's list (nullptr when the command has none).
    virtual TParams* GetParams() { return nullptr; }
    // Takes the values of AParams for the parameters of the same names.
    virtual void SetParams(TParams* /*AParams*/) {}
    virtual void RebuildParams() {}
    // Fills the parameters from a record.
    virtual void RefreshParams(TMemoryRecordVz* /*MemRecord*/, TDataValueVersionVz /*DataValueVersion*/) {}
    // Copies the text and the type.
    void Assign(TPersistent* Source) override;

protected:
    virtual void TextChanged();

private:
    TCustomSQLDataDriverVz* FDataDriver;
    String FCommandText;
    TSQLCommandTypeVz FCommandType = cthSelectQuery;
    bool FParamCheck = true;
    bool FExecuted = false;
};

class TBaseSQLCommandVz;
using TAssignParamVzEvent = TEvent<void(TCustomSQLCommandVz* Command, TMemoryRecordVz* MemRecord,
                                        TDataValueVersionVz DataValueVersion, TParam* Param)>;

// A command whose parameters are the data layer's TParams.
class TBaseSQLCommandVz : public TCustomSQLCommandVz {
    SDELKA_CLASS(TBaseSQLCommandVz, TCustomSQLCommandVz)
public:
    explicit TBaseSQLCommandVz(TCustomSQLDataDriverVz* ADataDriver);
    ~TBaseSQLCommandVz() override;

    TParams* Params() const { return FParams; }
    TAssignParamVzEvent OnAssignParam;

    TParams* GetParams() override { return FParams; }
    void SetParams(TParams* AParams) override;
    // Parses the text for ":name" parameters, keeping the values of those that were there.
    void RebuildParams() override;
    void RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) override;
    void Assign(TPersistent* Source) override;

protected:
    void TextChanged() override;
    virtual void DefaultRefreshParam(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion, TParam* Param);

private:
    TParams* FParams = nullptr;
};

class TSQLCommandVz : public TBaseSQLCommandVz {
    SDELKA_CLASS(TSQLCommandVz, TBaseSQLCommandVz)
public:
    explicit TSQLCommandVz(TCustomSQLDataDriverVz* ADataDriver) : TBaseSQLCommandVz(ADataDriver) {}
};

using TDataDriverExecuteCommandVzEvent =
    TEvent<int(TCustomSQLDataDriverVz* DataDriver, TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof)>;
using TDataDriverGetBackUpdatedValuesVzEvent =
    TEvent<void(TCustomSQLDataDriverVz* DataDriver, TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                TDataSet* ResDataSet)>;

class TCustomSQLDataDriverVz : public TDataDriverVz {
    SDELKA_CLASS(TCustomSQLDataDriverVz, TDataDriverVz)
protected:
    explicit TCustomSQLDataDriverVz(TComponent* AOwner);
    ~TCustomSQLDataDriverVz() override;

public:
    void AfterConstruction() override;

    TCustomSQLCommandVz* SelectCommand() const { return FSelectCommand; }
    TCustomSQLCommandVz* UpdateCommand() const { return FUpdateCommand; }
    TCustomSQLCommandVz* InsertCommand() const { return FInsertCommand; }
    TCustomSQLCommandVz* DeleteCommand() const { return FDeleteCommand; }
    TCustomSQLCommandVz* GetrecCommand() const { return FGetrecCommand; }
    // The commands' texts, and their final texts with the macros substituted.
    String SelectSQL() const { return FSelectCommand->CommandText(); }
    void SetSelectSQL(const String& Value) { FSelectCommand->SetCommandText(Value); }
    String UpdateSQL() const { return FUpdateCommand->CommandText(); }
    void SetUpdateSQL(const String& Value) { FUpdateCommand->SetCommandText(Value); }
    String InsertSQL() const { return FInsertCommand->CommandText(); }
    void SetInsertSQL(const String& Value) { FInsertCommand->SetCommandText(Value); }
    String DeleteSQL() const { return FDeleteCommand->CommandText(); }
    void SetDeleteSQL(const String& Value) { FDeleteCommand->SetCommandText(Value); }
    String GetrecSQL() const { return FGetrecCommand->CommandText(); }
    void SetGetrecSQL(const String& Value) { FGetrecCommand->SetCommandText(Value); }
    String FinalSelectSQL() const { return FSelectCommand->FinalCommandText(); }
    String FinalUpdateSQL() const { return FUpdateCommand->FinalCommandText(); }
    String FinalInsertSQL() const { return FInsertCommand->FinalCommandText(); }
    String FinalDeleteSQL() const { return FDeleteCommand->FinalCommandText(); }
    String FinalGetrecSQL() const { return FGetrecCommand->FinalCommandText(); }
    // Name=value pairs: "AUTO_INCREMENT_FIELD" names a numeric field the server numbers;
    // "SEQUENCE" and "SEQUENCE_FIELD" a sequence an inserted record takes its key from.
    TStrings* SpecParams() const { return FSpecParams; }
    TDynaSQLParamsVz* DynaSQLParams() const { return FDynaSQLParams; }
    TMacroVarsVz* MacroVars() const { return FMacroVars; }
    // Not owned; nullptr: the resolver's, else the plain ones.
    TServerSpecOperationsVz* ServerSpecOperations() const { return FServerSpecOperations; }
    void SetServerSpecOperations(TServerSpecOperationsVz* Value) { FServerSpecOperations = Value; }
    // The command that runs generated statements and key queries.
    TCustomSQLCommandVz* ServiceCommand() const { return FServiceCommand; }

    TDataDriverExecuteCommandVzEvent OnExecuteCommand;
    TDataDriverGetBackUpdatedValuesVzEvent OnGetBackUpdatedValues;

    bool FilterTextSupported() const { return FMacroVars->SpecMacrosUsages.Contains(smuUseFilterMacroVz); }
    bool OrderByTextSupported() const { return FMacroVars->SpecMacrosUsages.Contains(smuUseSortOrderMacroVz); }
    // Sets the filter macro from a filter in the datasets' syntax (FilterTextToSQL, field types
    // from the consuming dataset): "WHERE ..." or "AND (...)" by SpecMacrosUsages; an empty text
    // clears the macro.
    void ApplyFilterText(const String& FilterText);
    // Sets the sort-order macro from "field [asc|desc], ...": the names are checked and quoted,
    // anything else is refused (an empty text clears the macro).
    void ApplyOrderByText(const String& OrderByText);
    // The values the macro texts refer to (every command's execution binds them).
    const std::vector<TMacroParamVz>& MacroParams() const { return FMacroVars->SpecMacros()->FilterParams; }

    // Writes the statement for the record's change into Command (empty text: nothing to write).
    virtual void GenerateDynamicSQLCommand(TMemoryRecordVz* MemRecord, TCustomSQLCommandVz* Command);
    virtual int ExecuteCommand(TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof);
    virtual int DefaultExecuteCommand(TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof);
    // An inserted record does not send the auto-increment field.
    virtual bool CanUpdateField(TUpdateStatus UpdateStatus, const String& FieldName) const;
    virtual IConnectionProviderVz* GetConnectionProvider() const { return nullptr; }
    virtual bool HaveDataConnection() const { return GetConnectionProvider() != nullptr; }
    bool ConnectionIsPostponed() override;
    void AddPostponedActivationDataSet(TDataSet* ADataSet) override;

    // Offers the record to the connection provider, the resolver, the server-specific operations,
    // and writes it with DoUpdateRecord when nobody took it.
    bool DefaultUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec) override;
    // Writes one record with the command of its change (or a generated one); raises
    // EDatabaseError when no command is set for it, the command runs nothing or touches no row.
    virtual bool DoUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec);
    virtual void GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command, TDataSet* ResDataSet);
    virtual void DefaultGetUpdatedServerValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                               TDataSet* ResDataSet);

    void SetReaderParamsFromCursor(TDataSet* DataSet) override;
    bool RefreshReaderParamsFromCursor(TDataSet* DataSet) override;

protected:
    virtual TCustomSQLCommandVz* CreateCommand() = 0;
    virtual TCustomSQLCommandVz* CreateSelectCommand() { return CreateCommand(); }
    virtual TCustomSQLCommandVz* CreateUpdateCommand() { return CreateCommand(); }
    virtual TCustomSQLCommandVz* CreateInsertCommand() { return CreateCommand(); }
    virtual TCustomSQLCommandVz* CreateDeleteCommand() { return CreateCommand(); }
    virtual TCustomSQLCommandVz* CreateGetrecCommand() { return CreateCommand(); }

public:
    virtual TSQLCommandTypeVz DefaultCommandTypeFor(const TCustomSQLCommandVz* Command) const;
    // A new select text gives the consumer another structure.
    virtual void CommandTextChanged(TCustomSQLCommandVz* Command);

protected:
    void AdjustDataStruct(TFields* Fields, TMTDataStructVz* DataStruct) override;
    void DefaultProduceDataReader(TDataSet*& DataReader, bool& FreeOnEof) override;
    void DefaultBuildDataStruct(TMTDataStructVz* DataStruct) override;
    void DefaultRefreshRecord(TMemoryRecordVz* MemRec) override;
    // The operations that generate statements: the driver's, the resolver's, or the plain ones.
    TServerSpecOperationsVz* EffectiveServerSpecOperations() const;

private:
    TCustomSQLCommandVz* FSelectCommand = nullptr;
    TCustomSQLCommandVz* FUpdateCommand = nullptr;
    TCustomSQLCommandVz* FInsertCommand = nullptr;
    TCustomSQLCommandVz* FDeleteCommand = nullptr;
    TCustomSQLCommandVz* FGetrecCommand = nullptr;
    TStrings* FSpecParams = nullptr;
    TDynaSQLParamsVz* FDynaSQLParams = nullptr;
    TCustomSQLCommandVz* FServiceCommand = nullptr;
    TMacroVarsVz* FMacroVars = nullptr;
    TServerSpecOperationsVz* FServerSpecOperations = nullptr;
};

using TSQLDataDriverAssignParamVzEvent =
    TEvent<void(TBaseSQLDataDriverVz* DataDriver, TBaseSQLCommandVz* Command, TMemoryRecordVz* MemRecord,
                TDataValueVersionVz DataValueVersion, TParam* Param)>;

// An SQL driver whose commands carry TParams.
class TBaseSQLDataDriverVz : public TCustomSQLDataDriverVz {
    SDELKA_CLASS(TBaseSQLDataDriverVz, TCustomSQLDataDriverVz)
protected:
    explicit TBaseSQLDataDriverVz(TComponent* AOwner) : TCustomSQLDataDriverVz(AOwner) {}

public:
    TSQLDataDriverAssignParamVzEvent OnAssignCommandParam;

    TBaseSQLCommandVz* SelectCommand() const { return static_cast<TBaseSQLCommandVz*>(inherited::SelectCommand()); }
    TBaseSQLCommandVz* UpdateCommand() const { return static_cast<TBaseSQLCommandVz*>(inherited::UpdateCommand()); }
    TBaseSQLCommandVz* InsertCommand() const { return static_cast<TBaseSQLCommandVz*>(inherited::InsertCommand()); }
    TBaseSQLCommandVz* DeleteCommand() const { return static_cast<TBaseSQLCommandVz*>(inherited::DeleteCommand()); }
    TBaseSQLCommandVz* GetrecCommand() const { return static_cast<TBaseSQLCommandVz*>(inherited::GetrecCommand()); }

    virtual void AssignCommandParam(TBaseSQLCommandVz* Command, TMemoryRecordVz* MemRecord,
                                    TDataValueVersionVz DataValueVersion, TParam* Param);
    // A parameter named as a data field takes its value in the given version; "OLD_" and a
    // field name (prefix in any letter case) the value read from the server; with ParamCheck the
    // parameter takes the field's type. Any other parameter keeps its value.
    virtual void DefaultAssignCommandParam(TBaseSQLCommandVz* Command, TMemoryRecordVz* MemRecord,
                                           TDataValueVersionVz DataValueVersion, TParam* Param);
    // The chain of the SQL driver, then output parameters and the result row's fields that name
    // data fields go into the record.
    void DefaultGetUpdatedServerValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                       TDataSet* ResDataSet) override;

protected:
    TCustomSQLCommandVz* CreateCommand() override;
};

// The SQL driver that runs its commands through a connection provider (or the resolver).
class TSQLDataDriverVz : public TBaseSQLDataDriverVz {
    SDELKA_CLASS(TSQLDataDriverVz, TBaseSQLDataDriverVz)
protected:
    explicit TSQLDataDriverVz(TComponent* AOwner);
    ~TSQLDataDriverVz() override;

public:
    TConnectionProviderVz* ConnectionProvider() const { return FConnectionProvider; }
    void SetConnectionProvider(TConnectionProviderVz* Value);
    IConnectionProviderVz* GetConnectionProvider() const override { return FConnectionProvider; }

protected:
    TCustomSQLCommandVz* CreateSelectCommand() override;
    TCustomSQLCommandVz* CreateUpdateCommand() override;
    TCustomSQLCommandVz* CreateInsertCommand() override;
    TCustomSQLCommandVz* CreateDeleteCommand() override;
    TCustomSQLCommandVz* CreateGetrecCommand() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // With an ADO connection provider one apply is one transaction on its current connection.
    void BeginApplyUpdates() override;
    void EndApplyUpdates(bool Commit) override;
    void BeginRecordUpdate() override;
    void EndRecordUpdate(bool Success) override;

private:
    TConnectionProviderVz* FConnectionProvider = nullptr;
    TProviderApplyTransactionVz FProviderApply;
};
