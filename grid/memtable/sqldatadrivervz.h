// Data drivers that read a select command into an in-memory dataset and write its changes back
// with parameterised update, insert and delete commands. A parameter named as a data field takes
// the record's value; one named "OLD_" and a field name takes the value the record had when it was
// read. TADODataDriverVz runs its commands through the ADO components and writes one apply in
// one transaction (a failing record is rolled back to its savepoint and stays in the change log).
#pragma once

#include "grid/memtable/datadrivervz.h"

class TADOConnection;
class TParameters;
class TStringVarsVz;
class TCustomSQLDataDriverVz;

enum TSQLCommandTypeVz { cthSelectQuery, cthUpdateQuery, cthTable, cthStoredProc };
enum TDynaSQLOptionVz { dsoDynamicSQLInsertVz, dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz };
using TDynaSQLOptionsVz = TSet<TDynaSQLOptionVz>;

enum TSpecMacrosUsageVz {
    smuUseFilterMacroVz, smuFilterAsWhereClauseVz, smuFilterWithANDPrecedingVz,
    smuUseSortOrderMacroVz, smuSortOrderAsOrderByClauseVz, smuSortOrderWithCommaPrecedingVz
};
using TSpecMacrosUsagesVz = TSet<TSpecMacrosUsageVz>;

// Replaces every occurrence of MacroName (case-sensitive) by MacroValue; inserted values are not
// searched again.
String SubstituteMacro(const String& Text, const String& MacroName, const String& MacroValue);

// The two special macros of a select text: where the filter and the sort order go.
class TSpecMacrosVz : public TPersistent {
    SDELKA_CLASS(TSpecMacrosVz, TPersistent)
public:
    TSpecMacrosVz() = default;
    String FilterMacroName = u"%Filter%"_S;
    String SortOrderMacroName = u"%SortOrder%"_S;
    String FilterMacroValue;
    String SortOrderMacroValue;
    // Copies the two names.
    void Assign(TPersistent* Source) override;
};

// The macros of a driver's command texts: named text variables substituted in list order after
// the special macros.
class TMacroVarsVz : public TPersistent {
    SDELKA_CLASS(TMacroVarsVz, TPersistent)
public:
    TMacroVarsVz();
    ~TMacroVarsVz() override;
    TStringVarsVz* Macros() const { return FMacros; }
    TSpecMacrosVz* SpecMacros() const { return FSpecMacros; }
    TSpecMacrosUsagesVz SpecMacrosUsages{smuFilterAsWhereClauseVz, smuSortOrderAsOrderByClauseVz};
    String Apply(const String& Text) const;
    void Assign(TPersistent* Source) override;

private:
    TStringVarsVz* FMacros = nullptr;
    TSpecMacrosVz* FSpecMacros = nullptr;
};

// What generated insert, update and delete statements write: the table, the fields (comma text)
// and the key fields that find the row (comma text). Names are checked and quoted; values are
// always parameters. An update or delete without key fields is refused.
class TDynaSQLParamsVz : public TPersistent {
    SDELKA_CLASS(TDynaSQLParamsVz, TPersistent)
public:
    TDynaSQLParamsVz() = default;
    String UpdateTable;
    String UpdateFields;
    String KeyFields;
    bool SkipUnchangedFields = false;
    TDynaSQLOptionsVz Options;
    void Assign(TPersistent* Source) override;
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
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool Value) { FParamCheck = Value; }

    // The command text with the driver's macros substituted.
    String FinalCommandText() const;
    // Runs the command: answers the rows affected (-1 when nothing ran or for a cursor); a cursor
    // handed out with FreeOnEof belongs to the caller.
    virtual int Execute(TDataSet*& Cursor, bool& FreeOnEof);
    // Fills the parameters from a record.
    virtual void RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) {}

protected:
    virtual void TextChanged() {}

private:
    TCustomSQLDataDriverVz* FDataDriver;
    String FCommandText;
    TSQLCommandTypeVz FCommandType = cthSelectQuery;
    bool FParamCheck = true;
};

class TCustomSQLDataDriverVz : public TDataDriverVz {
    SDELKA_CLASS(TCustomSQLDataDriverVz, TDataDriverVz)
public:
    explicit TCustomSQLDataDriverVz(TComponent* AOwner);
    ~TCustomSQLDataDriverVz() override;
    void AfterConstruction() override;

    TCustomSQLCommandVz* SelectCommand() const { return FSelectCommand; }
    TCustomSQLCommandVz* UpdateCommand() const { return FUpdateCommand; }
    TCustomSQLCommandVz* InsertCommand() const { return FInsertCommand; }
    TCustomSQLCommandVz* DeleteCommand() const { return FDeleteCommand; }
    TCustomSQLCommandVz* GetrecCommand() const { return FGetrecCommand; }
    // Name=value pairs; "AUTO_INCREMENT_FIELD" names a numeric field the server numbers.
    TStrings* SpecParams() const { return FSpecParams; }
    TDynaSQLParamsVz* DynaSQLParams() const { return FDynaSQLParams; }
    TMacroVarsVz* MacroVars() const { return FMacroVars; }
    bool OrderByTextSupported() const { return FMacroVars->SpecMacrosUsages.Contains(smuUseSortOrderMacroVz); }
    // Sets the sort-order macro from "field [asc|desc], ...": the names are checked and quoted,
    // anything else is refused (an empty text clears the macro).
    void ApplyOrderByText(const String& OrderByText);
    // The command that runs generated statements.
    TCustomSQLCommandVz* ServiceCommand() const { return FServiceCommand; }
    // Writes the statement for the record's change into Command (empty text: nothing to write).
    virtual void GenerateDynamicSQLCommand(TMemoryRecordVz* MemRecord, TCustomSQLCommandVz* Command);

    virtual int ExecuteCommand(TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof);
    // An inserted record does not send the auto-increment field.
    bool CanUpdateField(TUpdateStatus UpdateStatus, const String& FieldName) const;
    // Writes one record with the command of its change; raises EDatabaseError when no command
    // is set for it or the command touches no row.
    bool DefaultUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec) override;

protected:
    virtual TCustomSQLCommandVz* CreateCommand() = 0;
    void AdjustDataStruct(TFields* Fields, TMTDataStructVz* DataStruct) override;
    void DefaultProduceDataReader(TDataSet*& DataReader, bool& FreeOnEof) override;
    void DefaultBuildDataStruct(TMTDataStructVz* DataStruct) override;
    void DefaultRefreshRecord(TMemoryRecordVz* MemRec) override;

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
};

class TADODataDriverVz;

class TADOCommandVz : public TCustomSQLCommandVz {
    SDELKA_CLASS(TADOCommandVz, TCustomSQLCommandVz)
public:
    explicit TADOCommandVz(TADODataDriverVz* ADataDriver);
    ~TADOCommandVz() override;

    TParameters* Parameters() const { return FParameters; }
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int Value) { FCommandTimeout = Value; }

    int Execute(TDataSet*& Cursor, bool& FreeOnEof) override;
    void RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) override;

protected:
    void TextChanged() override;

private:
    TParameters* FParameters = nullptr;
    int FCommandTimeout = 30;
};

class TADODataDriverVz : public TCustomSQLDataDriverVz {
    SDELKA_CLASS(TADODataDriverVz, TCustomSQLDataDriverVz)
public:
    explicit TADODataDriverVz(TComponent* AOwner) : TCustomSQLDataDriverVz(AOwner) {}
    ~TADODataDriverVz() override;

    TADOConnection* ADOConnection() const { return FADOConnection; }
    void SetADOConnection(TADOConnection* Value);
    const String& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const String& Value);
    // The connection commands run on: ADOConnection, else one the driver opens from
    // ConnectionString (nullptr with neither).
    TADOConnection* Connection();

    TADOCommandVz* SelectCommand() const { return static_cast<TADOCommandVz*>(inherited::SelectCommand()); }
    TADOCommandVz* UpdateCommand() const { return static_cast<TADOCommandVz*>(inherited::UpdateCommand()); }
    TADOCommandVz* InsertCommand() const { return static_cast<TADOCommandVz*>(inherited::InsertCommand()); }
    TADOCommandVz* DeleteCommand() const { return static_cast<TADOCommandVz*>(inherited::DeleteCommand()); }
    TADOCommandVz* GetrecCommand() const { return static_cast<TADOCommandVz*>(inherited::GetrecCommand()); }

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
    TADOConnection* FOwnConnection = nullptr;
    TADOConnection* FApplyConnection = nullptr;
    bool FOwnTransaction = false;
};
