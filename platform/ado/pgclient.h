// The PostgreSQL client layer under the ADO components: one libpq connection, statements with
// typed positional parameters, whole results in memory, transactions and the catalog reads the
// components need. Not a framework class: the ADO components (adodb.h) are built on it.
//
// Values travel as text in the server's canonical input form, computed here on the client: dates
// as 'YYYY-MM-DD' (so the session's DateStyle never decides what a date means), numbers with '.',
// booleans as 't'/'f'; bytea goes as binary. Results come back as text and are decoded by type,
// date and time values following the session's DateStyle output format.
#pragma once

#include "platform/db/db.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"
#include "platform/rtl/variant.h"

#include <QByteArray>
#include <QStringList>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;

using TPgOid = unsigned int;

// Type OIDs of the built-in types the client meets.
namespace PgType {
inline constexpr TPgOid Unknown = 0;  // "let the server infer", as a quoted literal would
inline constexpr TPgOid Bool = 16;
inline constexpr TPgOid Bytea = 17;
inline constexpr TPgOid Char = 18;
inline constexpr TPgOid Name = 19;
inline constexpr TPgOid Int8 = 20;
inline constexpr TPgOid Int2 = 21;
inline constexpr TPgOid Int4 = 23;
inline constexpr TPgOid Text = 25;
inline constexpr TPgOid Oid = 26;
inline constexpr TPgOid Json = 114;
inline constexpr TPgOid Float4 = 700;
inline constexpr TPgOid Float8 = 701;
inline constexpr TPgOid BpChar = 1042;
inline constexpr TPgOid VarChar = 1043;
inline constexpr TPgOid Date = 1082;
inline constexpr TPgOid Time = 1083;
inline constexpr TPgOid Timestamp = 1114;
inline constexpr TPgOid TimestampTz = 1184;
inline constexpr TPgOid Interval = 1186;
inline constexpr TPgOid TimeTz = 1266;
inline constexpr TPgOid Numeric = 1700;
inline constexpr TPgOid Uuid = 2950;
}  // namespace PgType

// An error of the server or of the connection: a database error whose Message() is the server's
// primary message (for a connection failure, libpq's text); SqlState() the five-character
// SQLSTATE, empty when the failure is not the server's. A statement the user cancelled, one the
// server or the client gave up on after the statement timeout, and a lost connection carry a
// Russian first line that says the action was not done, with the server's text below it.
class EPgError : public EDatabaseError {
public:
    EPgError(const String& AMessage, const String& ASqlState = String(), const String& ADetail = String(),
             const String& AHint = String());
    String ClassName() const override { return QStringLiteral("EPgError"); }
    const String& SqlState() const { return FSqlState; }
    const String& Detail() const { return FDetail; }
    const String& Hint() const { return FHint; }
    // The connection was lost with the statement (server restarted, session terminated, network
    // cut, a server that did not answer): the statement's outcome on the server is rolled back.
    bool ConnectionLost() const { return FConnectionLost; }
    void SetConnectionLost(bool Value) { FConnectionLost = Value; }

private:
    String FSqlState, FDetail, FHint;
    bool FConnectionLost = false;
};

// The limits on the client's waits, in one place. A value that the PostgreSQL settings of the
// environment or of the service file give (PGCONNECT_TIMEOUT, keepalives in the service,
// statement_timeout in PGOPTIONS or the service's options, or set for the role or the database)
// wins over the value here.
struct TPgWaitLimits {
    int ConnectTimeout = 10;            // seconds to reach the server
    int KeepalivesIdle = 30;            // TCP keepalives: seconds idle, seconds between probes, probes
    int KeepalivesInterval = 10;
    int KeepalivesCount = 3;
    int StatementTimeout = 120000;      // milliseconds a statement may run on the server
    int ServerGrace = 3000;             // milliseconds the client waits beyond the statement timeout, and
                                        // after a cancel, for a server that does not answer at all
    int WaitCursorDelay = 1000;         // milliseconds before a wait shows the wait cursor and listens for Escape
};
// The process's limits; tests shorten them. A change reaches connections opened after it.
TPgWaitLimits& PgWaitLimits();

// Asks the statement that the UI thread is waiting for to be cancelled on the server, as Escape
// does (callable from any thread; a cancel button of a progress window calls it). Nothing happens
// when no statement is running.
void PgCancelRunningStatement();
// True while the UI thread waits for a statement (a timer that would reach the server skips its turn).
bool PgStatementRunning();

// How a value should be sent. Auto takes the kind from the Variant's type.
enum class TPgValueKind {
    Auto, Text, SmallInt, Integer, LargeInt, Float, Numeric, Boolean, Date, Time, DateTime, Bytes
};

// One parameter of a statement, ready for the wire.
struct TPgParam {
    TPgOid Type = PgType::Unknown;
    bool IsNull = true;
    bool Binary = false;
    QByteArray Data;

    // The parameter for a value. Text goes untyped (the server types it from its context, as it
    // would a quoted literal) unless Kind asks for another type; a text given for a date, time or
    // time stamp is read on the client day first ("5.3.2024" is 5 March 2024; ISO "2024-03-05" is
    // accepted too), and for a number with "," or "." as the decimal separator. Null and
    // Unassigned give NULL of the kind's type. Raises EConvertError for a text that is not a
    // value of the kind.
    static TPgParam FromVariant(const Variant& AValue, TPgValueKind AKind = TPgValueKind::Auto);
};

// The server's canonical input text of a date, time and time stamp.
String PgDateText(TDateTime AValue);       // "2024-03-05"
String PgTimeText(TDateTime AValue);       // "14:30:00.250"
String PgTimestampText(TDateTime AValue);  // "2024-03-05 14:30:00.250"
// A date (and time) typed by a person, day first: "5.3.2024", "05/03/2024 14:30", "5-3-24", or
// ISO "2024-03-05[ 14:30[:15]]". Two-digit years follow FormatSettings'
// TwoDigitYearCenturyWindow. False when the text is not a valid date.
bool TryPgUserTextToDateTime(const String& AText, TDateTime& AValue);
// A date, time or time stamp as the server prints it in the given DateStyle ("ISO, DMY",
// "SQL, MDY", "German, DMY", "Postgres, MDY"); offsets of time zones are dropped (the value is the
// session's wall time). False for infinities, BC dates and anything unreadable.
bool TryPgTextToDateTime(const QByteArray& AText, TPgOid AType, const String& ADateStyle, TDateTime& AValue);

// One column of a result.
struct TPgColumn {
    String Name;
    TPgOid Type = 0;
    int TypMod = -1;        // -1: none
    TPgOid Table = 0;       // the table the column comes straight from, 0 when computed
    int TableColumn = 0;    // its attribute number there
    // numeric(p, s): precision and scale from the modifier, 0 without one.
    int Precision() const { return Type == PgType::Numeric && TypMod >= 4 ? ((TypMod - 4) >> 16) & 0xFFFF : 0; }
    int Scale() const { return Type == PgType::Numeric && TypMod >= 4 ? (TypMod - 4) & 0xFFFF : 0; }
    // varchar(n), bpchar(n): n; 0 without a limit.
    int Length() const {
        return (Type == PgType::VarChar || Type == PgType::BpChar) && TypMod >= 4 ? TypMod - 4 : 0;
    }
};

// A whole result, in memory. Move-only.
class TPgResult {
public:
    TPgResult();
    TPgResult(TPgResult&&) noexcept;
    TPgResult& operator=(TPgResult&&) noexcept;
    ~TPgResult();

    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    int RowCount() const;
    const TPgColumn& Column(int ACol) const { return FColumns.at(static_cast<size_t>(ACol)); }
    const std::vector<TPgColumn>& Columns() const { return FColumns; }
    // Index of a column by name (case-insensitive), -1 when none.
    int ColumnIndex(const String& AName) const;
    bool IsNull(int ARow, int ACol) const;
    // The value's text as the server sent it (empty for NULL).
    QByteArray Text(int ARow, int ACol) const;
    // The same text in place (NUL-terminated, valid while the result lives), nullptr for NULL.
    const char* RawText(int ARow, int ACol, int& ALength) const;
    // The library's result, for readers that walk it cell by cell.
    pg_result* Handle() const { return FResult.get(); }
    // The DateStyle the server printed dates and times in.
    const String& DateStyle() const { return FDateStyle; }
    // The value decoded by the column's type: Null; Smallint/Integer/Int64; Double; FMT-BCD for
    // numeric; Boolean; a date-time for date, time and time stamps; a byte array for bytea; text
    // for everything else (and for values that have no Variant form, such as 'infinity').
    Variant Value(int ARow, int ACol) const;
    // Rows inserted, updated, deleted (or selected) by the statement; 0 when it reports none.
    Int64 RowsAffected() const { return FRowsAffected; }
    // The command tag: "INSERT 0 1", "SELECT 3" …
    const String& CommandStatus() const { return FCommandStatus; }

private:
    friend class TPgConnection;
    struct Deleter { void operator()(pg_result* r) const; };
    std::unique_ptr<pg_result, Deleter> FResult;
    std::vector<TPgColumn> FColumns;
    Int64 FRowsAffected = 0;
    String FCommandStatus;
    String FDateStyle;
};

// One connection to a server.
class TPgConnection {
public:
    TPgConnection();
    ~TPgConnection();
    TPgConnection(const TPgConnection&) = delete;
    TPgConnection& operator=(const TPgConnection&) = delete;

    // Connects with an ODBC-form connection string (see PgConnectionParams). Raises EPgError
    // with the library's message when the server cannot be reached or refuses. An open
    // connection is closed first. The connection uses the wait limits (PgWaitLimits): a connect
    // timeout, TCP keepalives and the session's statement timeout.
    void Open(const String& AConnectionString);
    void Close();
    bool Connected() const;
    // Open was called and Close was not (the connection may have been lost since).
    bool Opened() const { return FOpened; }
    // The statement timeout of the session in milliseconds (0: none), as the server has it.
    int StatementTimeout() const { return FStatementTimeout; }

    // Runs one statement. With parameters, "$1" … "$n" in the text take them in order; without,
    // the text may hold several statements and the last one's result is returned. Raises EPgError
    // with the server's message.
    //
    // The wait never blocks the UI for good: after WaitCursorDelay the wait hooks of the
    // application show the wait cursor and keep the windows painted, and Escape (or
    // PgCancelRunningStatement) cancels the statement on the server; a server that does not
    // answer within the statement timeout and ServerGrace is given up, and the connection with it.
    //
    // A lost connection: found before a statement outside a transaction (the server closed the
    // idle session, or an earlier statement lost it), the connection is opened again once and the
    // statement runs as if nothing happened. Lost with a statement in flight, the statement raises
    // an EPgError with ConnectionLost(); inside a transaction every later statement raises the
    // same until Rollback (which then succeeds: the server has rolled the transaction back) or
    // Commit (which raises it once more), and only then does the next statement connect again.
    TPgResult Execute(const String& ASql, const std::vector<TPgParam>& AParams = {});

    // Asks the server to cancel the statement running on this connection (any thread).
    void Cancel();

    // Transactions. Begin inside a transaction, and Commit or Rollback outside one, raise
    // EPgError; Commit of a transaction that failed rolls it back on the server and raises.
    void BeginTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const;

    // A setting the server reports (DateStyle, server_version …).
    String ParameterStatus(const char* AName) const;

    // Catalog. Table names (and views) visible to the user outside the system schemas, sorted;
    // names outside the search path come qualified with their schema.
    QStringList TableNames(bool AWithViews = true);
    // Column names of a table (schema-qualified or on the search path) in their order; an
    // unknown table raises EPgError.
    QStringList FieldNames(const String& ATableName);
    // The table's name as SQL text (quoted and qualified as needed), "" for OID 0 or an
    // unknown table.
    String TableName(TPgOid ATable);
    // The table's primary-key columns in key order; empty when it has none.
    QStringList PrimaryKey(TPgOid ATable);
    // The table's columns as (attribute number, name), in order.
    std::vector<std::pair<int, String>> TableColumns(TPgOid ATable);
    // Attribute numbers of the primary-key columns in key order; empty when there is no key.
    std::vector<int> PrimaryKeyColumns(TPgOid ATable);
    // The OID of a table given by name, 0 when there is none.
    TPgOid TableOid(const String& ATableName);

    pg_conn* Handle() const { return FConn; }

private:
    [[noreturn]] void RaiseConnectionError();
    void CheckConnected() const;
    void Connect();
    void ApplySessionLimits();
    void EnsureAlive();
    bool SendStatement(const QByteArray& ASql, const std::vector<TPgParam>& AParams);
    pg_result* AwaitResult();
    [[noreturn]] void RaiseLost(const String& AReason);
    void DropConnection();
    void GiveUpSession();
    pg_conn* FConn = nullptr;
    struct TCancelHandle;
    std::unique_ptr<TCancelHandle> FCancel;  // made at connect, usable from any thread
    String FConnectionString;
    bool FOpened = false;
    bool FLostInTransaction = false;  // the connection went with a transaction the caller has not ended
    bool FBusy = false;
    bool FServerEnded = false;  // the server said it ends the session
    int FStatementTimeout = 0;
};
