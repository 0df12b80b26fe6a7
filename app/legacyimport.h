// The hidden import of the older database: seven tables copied into the client's tables, each
// replacing the target's rows with an id above 0. The older database and the client's own are
// reached by data source names, which the connection layer reads as connection service names
// (an entry of the user's or the system's pg_service.conf, or of the file PGSERVICEFILE names),
// so the older database can be any database a service names.
//
// Each table is one step: the source is read whole, then the target's clearing, the copy of
// every row and the move of the target's id sequence past the copied ids run in one transaction
// on the target connection. A failing step leaves its target as it was and stops the import;
// the steps before it stay done.
#pragma once

#include "platform/ado/adodb.h"

#include <functional>
#include <vector>

// The connections of the import (no login prompt: a service names the user).
inline const String LegacyTargetConnectionString =
    QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;User ID=sys;Data Source=Dizuv_PgSQL;");
inline const String LegacySourceConnectionString =
    QStringLiteral("Provider=MSDASQL.1;Password=quondarit;Persist Security Info=True;Data Source=Dizuv");

// How a value is read from the source and bound for the target. A Null stays Null.
enum TLegacyCopy {
    lcInteger,  // a whole number
    lcText,     // a text
    lcFloat,    // a floating-point number
    lcAsIs      // the source field's own kind (a date stays a date)
};

struct TLegacyColumn {
    String Name;
    TLegacyCopy Copy;
};

struct TLegacyStep {
    String Source;       // the older database's table
    String Target;       // the client's table (as the lists read it)
    bool SortById;       // the source is read in id order
    String ClearSql;     // removes the target's rows with an id above 0
    String InsertSql;    // one row, with a :name parameter per column
    String SequenceSql;  // moves the target's id sequence past the copied ids; empty: none
    std::vector<TLegacyColumn> Columns;
};

// The seven steps in their order: timesheet rows, products, nomenclature, operations, operation
// kinds, workers, production records.
const std::vector<TLegacyStep>& LegacyImportSteps();

// Progress of a step after each row: the source table, rows copied so far, rows in the source.
using TLegacyProgress = std::function<void(const String& Table, int Count, int Total)>;

// Runs one step (see above); returns the rows copied. A failure comes out as the server's
// EDatabaseError after the step's transaction was rolled back.
int ImportLegacyStep(TADOConnection* Source, TADOConnection* Target, const TLegacyStep& Step,
                     const TLegacyProgress& Progress = {});

// The step that failed, for the message that ends the import.
class ELegacyImportError : public EDatabaseError {
public:
    ELegacyImportError(const TLegacyStep& Step, int Number, const String& ServerMessage);
    String ClassName() const override { return QStringLiteral("ELegacyImportError"); }
    const TLegacyStep& Step() const { return *FStep; }
    int Number() const { return FNumber; }

private:
    const TLegacyStep* FStep;
    int FNumber;
};

// Runs the seven steps in order; the first failing one stops the import with an
// ELegacyImportError whose message leads with the step and ends with the server's message.
void ImportLegacyData(TADOConnection* Source, TADOConnection* Target, const TLegacyProgress& Progress = {});
