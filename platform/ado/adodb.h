// The ADO components over libpq: TADOConnection, the datasets TADOQuery, TADOTable, TADODataSet
// and TADOStoredProc (a static client cursor: the whole result in memory, a bookmark is the row),
// TADOCommand, and the parameter collection TParameters.
//
// - Parameters: ":name" in the text becomes a typed "$n" (see ParsePgSqlParams); values never go
//   into SQL text. A parameter's DataType decides how its value is sent (TPgParam::FromVariant):
//   a text given to a date parameter is read day first and sent as a date.
// - Field types from the server's types: int2 ftSmallint, int4 ftInteger, int8 ftLargeint,
//   numeric(p,s) ftBCD when p <= 18 and s <= 4 (else ftFMTBcd), numeric without a modifier
//   ftFMTBcd with precision 28 and 6 decimals, float4/float8 ftFloat, text ftWideString (8190),
//   varchar(n) ftWideString (n; 255 without one), bpchar ftFixedChar, date ftDate, timestamp
//   ftDateTime, time ftTime, bool ftBoolean, bytea ftBlob, anything else ftWideString (255).
//   A persistent data field of another type takes the column's values converted into its type.
// - Edits (Edit/Insert/Append/Post/Delete) are written at once, as one parameterised statement on
//   the single table the edited columns come from: by primary key (read from the catalog), or,
//   for a table without one, by the original values of all its columns (IS NOT DISTINCT FROM).
//   A statement that would touch other than exactly one row is undone and raises
//   EDatabaseError. Inserted and updated rows are read back with RETURNING (generated keys,
//   defaults, triggers).
// - Errors of the server raise EPgError, an EDatabaseError with the server's message.
#pragma once

#include "platform/ado/pgclient.h"
#include "platform/db/db.h"
#include "platform/db/dbfilter.h"
#include "platform/rtl/blocklistvz.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/lists.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TADOConnection;
class TCustomADODataSet;
class TADOCommand;

enum TParameterDirection { pdUnknown, pdInput, pdOutput, pdInputOutput, pdReturnValue };
enum TCommandType { cmdUnknown, cmdText, cmdTable, cmdStoredProc, cmdFile, cmdTableDirect };
enum TCursorLocation { clUseServer, clUseClient };
enum TCursorType { ctUnspecified, ctOpenForwardOnly, ctKeyset, ctDynamic, ctStatic };
enum TADOLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };

// ---- parameters --------------------------------------------------------------------------------
class TParameter : public TCollectionItem {
    SDELKA_CLASS(TParameter, TCollectionItem)
protected:
    explicit TParameter(TCollection* ACollection);
    ~TParameter() override = default;

public:
    const String& Name() const { return FName; }
    void SetName(const String& Value) { FName = Value; Changed(false); }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType Value) { FDataType = Value; }
    TParameterDirection Direction() const { return FDirection; }
    void SetDirection(TParameterDirection Value) { FDirection = Value; }
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }
    int NumericScale() const { return FNumericScale; }
    void SetNumericScale(int Value) { FNumericScale = Value; }
    const Variant& Value() const { return FValue; }
    // A parameter without a type takes one from the value's kind.
    void SetValue(const Variant& Value);
    // Assign from a TParameter or a TParam.
    void Assign(TPersistent* Source) override;
    // The value ready for the wire.
    TPgParam PgParam() const;

protected:
    String GetDisplayName() override { return FName.isEmpty() ? inherited::GetDisplayName() : FName; }

private:
    String FName;
    TFieldType FDataType = ftUnknown;
    TParameterDirection FDirection = pdInput;
    int FSize = -1;
    int FPrecision = 0;
    int FNumericScale = 0;
    Variant FValue;
};

class TParameters : public TOwnedCollection {
    SDELKA_CLASS(TParameters, TOwnedCollection)
protected:
    explicit TParameters(TPersistent* AOwner = nullptr);
    ~TParameters() override = default;

public:
    TParameter* Items(int Index) const { return ItemsAs<TParameter>(Index); }
    TParameter* operator[](int Index) const { return Items(Index); }
    TParameter* AddParameter() { return static_cast<TParameter*>(Add()); }
    TParameter* CreateParameter(const String& Name, TFieldType DataType, TParameterDirection Direction,
                                int Size, const Variant& Value);
    // Case-insensitive; ParamByName raises EDatabaseError "Parameter '%s' not found".
    TParameter* FindParam(const String& Value) const;
    TParameter* ParamByName(const String& Value) const;
    // One value, or a Variant array for ";"-separated names.
    Variant ParamValues(const String& ParamName) const;
    void SetParamValues(const String& ParamName, const Variant& Value);
    // Finds the ":name" parameters of SQL; with DoCreate the collection is rebuilt with one
    // parameter per name, in order, keeping type and value of those that were there already.
    // Returns the text with "$n" in place of the names.
    String ParseSQL(const String& SQL, bool DoCreate);
    // Copies type and value of the parameters of Source whose names are here.
    void AssignValues(TParameters* Source);
    // Copies TParams in (and out).
    void AssignParams(TParams* Source);
    void AssignToParams(TParams* Dest) const;
};

// The parameters for a "$n" text: PgParams(Names) gives them in the order of Names
// ("Parameter '%s' not found" for a missing one).
std::vector<TPgParam> PgParamsByName(TParameters* Parameters, const QStringList& Names);
// How a value of a field type goes to the server.
TPgValueKind PgValueKindOf(TFieldType DataType);

// ---- connection --------------------------------------------------------------------------------
class TADOConnection : public TComponent {
    SDELKA_CLASS(TADOConnection, TComponent)
protected:
    explicit TADOConnection(TComponent* AOwner);
    ~TADOConnection() override;

public:
    void BeforeDestruction() override;

    const String& ConnectionString() const { return FConnectionString; }
    // Closes an open connection first.
    void SetConnectionString(const String& Value);
    // Used when the connection string names no DATABASE.
    const String& DefaultDatabase() const { return FDefaultDatabase; }
    void SetDefaultDatabase(const String& Value) { FDefaultDatabase = Value; }
    // There is no login dialog: the connection string carries the user and password.
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int Value) { FCommandTimeout = Value; }
    int ConnectionTimeout() const { return FConnectionTimeout; }
    void SetConnectionTimeout(int Value) { FConnectionTimeout = Value; }

    bool Connected() const;
    void SetConnected(bool Value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    void Loaded() override;

    // Runs a statement; returns nothing. RecordsAffected gets the row count.
    void Execute(const String& CommandText);
    void Execute(const String& CommandText, int& RecordsAffected);

    // Transactions (one level: the server has no nested ones). BeginTrans returns the level.
    int BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const;

    void GetTableNames(TStrings* List, bool SystemTables = false);
    void GetFieldNames(const String& TableName, TStrings* List);

    // Datasets and commands that use the connection.
    int DataSetCount() const { return static_cast<int>(FDataSets.size()); }
    TCustomADODataSet* DataSets(int Index) const { return FDataSets[static_cast<size_t>(Index)]; }

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

    // The client connection, connected on demand.
    TPgConnection& Client();

private:
    friend class TCustomADODataSet;
    friend class TADOCommand;
    void RegisterClient(TObject* Client);
    void UnRegisterClient(TObject* Client);
    void DoConnect();
    void DoDisconnect();

    String FConnectionString;
    String FDefaultDatabase;
    bool FLoginPrompt = true;
    bool FStreamedConnected = false;
    int FCommandTimeout = 30;
    int FConnectionTimeout = 15;
    TPgConnection FClient;
    std::vector<TCustomADODataSet*> FDataSets;
    std::vector<TADOCommand*> FCommands;
};

// ---- the datasets ------------------------------------------------------------------------------
class TCustomADODataSet : public TDataSet {
    SDELKA_CLASS(TCustomADODataSet, TDataSet)
protected:
    explicit TCustomADODataSet(TComponent* AOwner);
    ~TCustomADODataSet() override;

public:
    void BeforeDestruction() override;

    TADOConnection* Connection() const { return FConnection; }
    void SetConnection(TADOConnection* Value);
    // A connection of the dataset's own; a non-empty text detaches it from Connection.
    const String& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const String& Value);
    TParameters* Parameters() const { return FParameters.get(); }
    void SetParameters(TParameters* Value) { FParameters->Assign(Value); }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool Value) { FParamCheck = Value; }
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int Value) { FCommandTimeout = Value; }
    TCursorLocation CursorLocation() const { return FCursorLocation; }
    void SetCursorLocation(TCursorLocation Value) { FCursorLocation = Value; }
    TCursorType CursorType() const { return FCursorType; }
    void SetCursorType(TCursorType Value) { FCursorType = Value; }
    TADOLockType LockType() const { return FLockType; }
    void SetLockType(TADOLockType Value) { FLockType = Value; }
    // Rows the last ExecSQL touched (-1 before any).
    int RowsAffected() const { return FRowsAffected; }

    // "id ASC", "marka DESC, vid": sorts the rows in memory (Nulls first), keeping the current
    // record; an empty text gives back the server's order.
    const String& Sort() const { return FSort; }
    void SetSort(const String& Value);
    // Runs the command again and goes to the first row.
    void Requery();
    // The values of Rows rows (-1: all) from the current one, as a Variant array indexed
    // [field, row]; the cursor moves past them.
    Variant GetRows(int Rows = -1);

    bool GetFieldData(TField* Field, Variant& Value) override;
    void SetFieldData(TField* Field, const Variant& Value) override;
    bool BookmarkValid(const TBookmark& Bookmark) override;
    int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) override;
    void SetFiltered(bool Value) override;
    void SetOnFilterRecord(const TFilterRecordEvent& Value) override;
    void SetFilterOptions(TFilterOptions Value) override;
    TUpdateStatus UpdateStatus() override;

protected:
    // A row of the dataset. A fetched row keeps its values in the fetched result (its row there is
    // its Id's place among the fetched Ids) and is decoded when read; a row that was written or
    // inserted holds them in Values.
    struct TRow {
        int Id = 0;
        std::uint16_t ViewSlot = 0;     // its slot in ViewBlock when last placed there
        bool Fetched = false;           // lives in a block of FFetchedRows, not on its own
        bool Deleted = false;           // deleted (its block, or FRows, keeps it a while)
        TBlockVz* ViewBlock = nullptr;  // the view's block it was last placed in
        // By field definition; none while the result holds them (a fetched row stays small).
        std::unique_ptr<std::vector<Variant>> Values;
    };
    // Tells a row where the view put it, so its place is found without a search of the view.
    struct TRowViewTracker {
        static constexpr bool Tracks = true;
        static void Placed(TRow* Row, TBlockVz* Block) { Row->ViewBlock = Block; }
        static TBlockVz* Block(const TRow* Row) { return Row->ViewBlock; }
        static void PlacedSlot(TRow* Row, int Slot) { Row->ViewSlot = static_cast<std::uint16_t>(Slot); }
        static int SlotHint(const TRow* Row) { return Row->ViewSlot; }
    };
    using TRowView = TBlockListVz<TRow, TRowViewTracker>;
    static_assert(TBlockVz::Size <= 65536, "a view slot is kept in 16 bits");
    // A row made on its own (a fetched row goes with the block of FFetchedRows it was made in).
    using TRowPtr = std::unique_ptr<TRow>;
    struct TRecBuf {
        int RowId = -1;
        TRow* Row = nullptr;  // the row shown, read through while Values is empty
        TBookmarkFlag Flag = bfCurrent;
        int RecNo = -1;
        std::vector<Variant> Values;
        std::vector<Variant> Calc;  // calculated and lookup fields by field Index
    };

    // The statement the dataset runs (with ":name" parameters) and its command type.
    virtual String CommandTextForOpen() const = 0;
    TCommandType FCommandType = cmdText;

    // Executes a statement that returns no rows; the rows affected.
    int ExecuteCommand();
    // Rebuilds the parameters from a changed text (ParamCheck).
    void CommandTextChanged(const String& Text);

    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& Buffer) override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) override;
    void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalGotoBookmark(const TBookmark& Bookmark) override;
    void InternalSetToRecord(TRecordBuffer Buffer) override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalRefresh() override;
    void InternalHandleException() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoValue(int Value) override;
    bool GetCanModify() override { return FLockType != ltReadOnly; }
    void ClearCalcFields(TRecordBuffer Buffer) override;
    void SetFilterText(const String& Value) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The client connection (Connection's, or the dataset's own from ConnectionString).
    TPgConnection& Client();

private:
    friend class TADOConnection;
    struct TColumnInfo;
    struct TTableInfo;
    TRecBuf* Buf(TRecordBuffer Buffer) const { return reinterpret_cast<TRecBuf*>(Buffer); }
    TRecBuf* ActiveRecBuf();
    // The same for a state the caller read (only this dataset's own source calls it).
    TRecBuf* ActiveRecBuf(TDataSetState State);
    TRow* FindRow(int Id) const;
    int ViewIndexOf(int Id) const;
    int ViewIndexOfRow(const TRow* Row) const;
    // A fetched row's row in FResult.
    int ResultRowOf(const TRow& Row) const { return Row.Id - FFetchedFirstId; }
    // The rows in the view's order (none while closed).
    int ViewCount() const { return FView ? FView->Count() : 0; }
    TRow* ViewRow(int Index) const { return FView->Items(Index); }
    // A deleted row made on its own leaves FRows (in time).
    void DropOwnRow(TRow* Row);
    void FillBuffer(TRecBuf* B, int ViewIndex);
    TPgResult Run();
    void DefineFields(const TPgResult& Result);
    void LoadRows(TPgResult&& Result);
    // A value of a row by field definition (Null past the end).
    Variant CellValue(const TRow& Row, size_t Col) const;
    // The same into Value; false (Value untouched or Null) for Null.
    bool ReadCell(const TRow& Row, size_t Col, Variant& Value) const;
    // The values a buffer shows.
    std::vector<Variant>& BufferValues(TRecBuf* B) const;
    void ForgetRow(const TRow* Row);
    Variant ToFieldType(const Variant& Value, int DefIndex) const;
    void RebuildView();
    void ParseFilter();
    bool RowAccepted(TRow* Row);
    // Writing edits back.
    const TTableInfo& TableFor(TPgOid Table);
    TPgOid TargetTable(const std::vector<int>& Columns) const;
    void ResolveInsert(std::vector<Variant>& Values);
    void ResolveUpdate(const TRow& Row, std::vector<Variant>& Values);
    void ResolveDelete(const TRow& Row);
    String WhereOfRow(const TTableInfo& Table, const TRow& Row, std::vector<TPgParam>& Params);
    TPgResult ExecuteOneRow(const String& Sql, const std::vector<TPgParam>& Params);
    void ApplyReturned(const TPgResult& Result, TPgOid Table, std::vector<Variant>& Values);
    String ColumnSql(int DefIndex) const;

    TADOConnection* FConnection = nullptr;
    String FConnectionString;
    std::unique_ptr<TPgConnection> FOwnClient;
    TOwned<TParameters> FParameters;
    bool FParamCheck = true;
    int FCommandTimeout = 30;
    TCursorLocation FCursorLocation = clUseClient;
    TCursorType FCursorType = ctStatic;
    TADOLockType FLockType = ltOptimistic;
    int FRowsAffected = -1;
    String FSort;

    std::vector<TColumnInfo> FColumns;       // by field definition
    std::vector<TTableInfo> FTables;         // catalog of tables written to
    // The fetched rows, in blocks of a few hundred (small enough to come from the heap and go back
    // to it, not from the system).
    std::vector<std::unique_ptr<TRow[]>> FFetchedRows;
    static constexpr int FetchedBlockRows = 512;
    int FFetchedFirstId = 0, FFetchedEndId = 0;  // the fetched rows' Ids, in their order
    std::vector<TRowPtr> FRows;              // the rows made on their own (inserts), in Id order
    int FDeadRows = 0;                       // deleted rows FRows still holds
    // Sorted and filtered: blocks of rows, so a delete or an insert anywhere moves only a block's
    // slots and a row finds its place through its block.
    std::optional<TRowView> FView;
    std::unique_ptr<TPgResult> FResult;      // the fetched rows' values
    size_t FResultColumns = 0;               // its columns that have a field definition
    int FNextId = 1;
    int FCurrent = -1;                       // cursor in FView: -1 before, size() after
    bool FCursorOpen = false;
    bool FHaveResult = false;
    std::unique_ptr<TPgResult> FPendingResult;  // fetched for field definitions, not loaded yet
    std::unique_ptr<TFilterExpr> FFilterExpr;
    TRecBuf* FFilterRec = nullptr;           // the record OnFilterRecord is looking at
    std::vector<TRecBuf*> FAllocated;
};

class TADOQuery : public TCustomADODataSet {
    SDELKA_CLASS(TADOQuery, TCustomADODataSet)
protected:
    explicit TADOQuery(TComponent* AOwner);
    ~TADOQuery() override;

public:
    TStrings* SQL() const { return FSQL.get(); }
    void SetSQL(TStrings* Value) { FSQL->Assign(Value); }
    // Runs a statement that returns no rows: the rows affected.
    int ExecSQL();

protected:
    String CommandTextForOpen() const override { return FSQL->Text(); }

private:
    void SQLChanged(TObject* Sender);
    TOwned<TStringList> FSQL;
};

class TADODataSet : public TCustomADODataSet {
    SDELKA_CLASS(TADODataSet, TCustomADODataSet)
protected:
    explicit TADODataSet(TComponent* AOwner);
    ~TADODataSet() override = default;

public:
    const String& CommandText() const { return FCommandText; }
    void SetCommandText(const String& Value);
    TCommandType CommandType() const { return FCommandType; }
    void SetCommandType(TCommandType Value) { FCommandType = Value; }

protected:
    String CommandTextForOpen() const override;

private:
    String FCommandText;
};

class TADOTable : public TCustomADODataSet {
    SDELKA_CLASS(TADOTable, TCustomADODataSet)
protected:
    explicit TADOTable(TComponent* AOwner);
    ~TADOTable() override = default;

public:
    const String& TableName() const { return FTableName; }
    void SetTableName(const String& Value);
    bool ReadOnly() const { return LockType() == ltReadOnly; }
    void SetReadOnly(bool Value) { SetLockType(Value ? ltReadOnly : ltOptimistic); }

protected:
    String CommandTextForOpen() const override;

private:
    String FTableName;
};

// A server function: Open reads the rows of "select * from name($1, …)", ExecProc runs it and
// puts the first row's columns into output parameters of the same names.
class TADOStoredProc : public TCustomADODataSet {
    SDELKA_CLASS(TADOStoredProc, TCustomADODataSet)
protected:
    explicit TADOStoredProc(TComponent* AOwner);
    ~TADOStoredProc() override = default;

public:
    const String& ProcedureName() const { return FProcedureName; }
    void SetProcedureName(const String& Value) { FProcedureName = Value; }
    void ExecProc();

protected:
    String CommandTextForOpen() const override;

private:
    String FProcedureName;
};

// ---- command -----------------------------------------------------------------------------------
class TADOCommand : public TComponent {
    SDELKA_CLASS(TADOCommand, TComponent)
protected:
    explicit TADOCommand(TComponent* AOwner);
    ~TADOCommand() override;

public:
    void BeforeDestruction() override;

    TADOConnection* Connection() const { return FConnection; }
    void SetConnection(TADOConnection* Value);
    const String& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const String& Value);
    const String& CommandText() const { return FCommandText; }
    // With ParamCheck the parameters are rebuilt from the text.
    void SetCommandText(const String& Value);
    TCommandType CommandType() const { return FCommandType; }
    void SetCommandType(TCommandType Value) { FCommandType = Value; }
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int Value) { FCommandTimeout = Value; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool Value) { FParamCheck = Value; }
    TParameters* Parameters() const { return FParameters.get(); }
    void SetParameters(TParameters* Value) { FParameters->Assign(Value); }

    // Runs the command.
    void Execute();
    void Execute(int& RecordsAffected);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TADOConnection;
    TPgConnection& Client();

    TADOConnection* FConnection = nullptr;
    String FConnectionString;
    std::unique_ptr<TPgConnection> FOwnClient;
    String FCommandText;
    TCommandType FCommandType = cmdText;
    int FCommandTimeout = 30;
    bool FParamCheck = true;
    TOwned<TParameters> FParameters;
};
