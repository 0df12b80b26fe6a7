// TDataModule6: the application's data module. It owns the database connection ADO_DB and the
// datasets and commands that several windows share, the duplicate check CheckCount and the
// number normaliser FixDecimalSeparator.
#pragma once

#include "platform/ado/adodb.h"
#include "platform/gui/forms.h"

#include <utility>
#include <vector>

// Named values bound to the ":name" parameters of a statement.
using TSqlParams = std::vector<std::pair<String, Variant>>;

// The address of the factory's database server, used when the command line names none.
inline const String BuiltInServer = QStringLiteral("127.0.0.1");
inline const String BuiltInDatabase = QStringLiteral("mervadb");

// The connection string for a database on a server (a host name, an address or a socket
// folder). An empty server gives the built-in string (database mervadb on the built-in server),
// whatever the database name says.
String SdelkaConnectionString(const String& DbName, const String& Server);

// The command line as the program was started (argument 0 is the program); the entry point sets
// it. An argument that is not there reads as an empty text.
void SetCommandLineArguments(std::vector<String> Arguments);
String CommandLineArgument(int Index);

class TDataModule6 : public TDataModule {
    SDELKA_CLASS(TDataModule6, TDataModule)
protected:
    explicit TDataModule6(TComponent* AOwner);
    ~TDataModule6() override = default;

public:
    void AfterConstruction() override;

    TADOConnection* ADO_DB = nullptr;

    // The day lists of the four shifts (parameters data: date, ok: text).
    TADOQuery* Smena1 = nullptr;
    TADOQuery* Smena2 = nullptr;
    TADOQuery* Smena3 = nullptr;
    TADOQuery* Smena4 = nullptr;
    TADOQuery* Workers = nullptr;
    TADOQuery* Izdel = nullptr;
    TADOQuery* Oper = nullptr;
    TADOQuery* Vid_oper = nullptr;
    // Counts and sums; its SQL is set by the callers.
    TADOQuery* Control = nullptr;
    // Commands whose text the callers set.
    TADOCommand* DelSmena = nullptr;
    TADOCommand* H_Dizuv_ins = nullptr;
    TADOCommand* SQL_exec = nullptr;
    TADOCommand* Oper_ins = nullptr;
    TADOCommand* Oper_ed = nullptr;
    TADOCommand* Oper_del = nullptr;
    // Per-shift monthly timesheets (mnth, yea: integer; date1, date2: date).
    TADOQuery* H_Dizuv_1 = nullptr;
    TADOQuery* H_Dizuv_2 = nullptr;
    TADOQuery* H_Dizuv_3 = nullptr;

    // The database's decimal separator, read from the stamp row by the build-stamp check.
    String SqlDecimalSeparator;

    // The shift query of a shift number: 2, 3, 4 give Smena2..Smena4, anything else Smena1.
    TADOQuery* ShiftQuery(int Shift) const;

    // Runs a count statement (one row, an integer column cnt) with its parameters bound. When the
    // count is above 0, shows Message captioned "Ошибка" and returns 1; otherwise returns 0.
    int CheckCount(const String& Statement, const String& Message, const TSqlParams& Params = {});

    // The text with its first "," (or, when there is none, its first ".") replaced by
    // SqlDecimalSeparator ("." when that is empty).
    String FixDecimalSeparator(const String& Text);

private:
    TADOQuery* NewQuery(const String& Name, const String& Sql);
    TADOCommand* NewCommand(const String& Name, const String& Text);
};

extern TDataModule6* DataModule6;

// A window's query: owned by Owner, on the data module's connection (when the module exists),
// with a static cursor on the client.
TADOQuery* NewWindowQuery(TComponent* Owner, const char* Name, const String& Sql);

// The SQL texts of the shared lists.
String ShiftListSql(int Shift);
String OperListSql();
String ShiftTimesheetSql(int Shift);

// Binds values to the parameters of a query or a command by name.
void BindParams(TParameters* Parameters, const TSqlParams& Params);
