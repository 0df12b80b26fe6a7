#include "app/recorddelete.h"

#include "app/daycell.h"
#include "app/sqlrun.h"

bool DeleteProductionRecord(TADOConnection* Connection, int Id) {
    TTransactionScope transaction(Connection);
    const TSqlValues id{{QStringLiteral("id"), Id}};
    // the cell the record leaves: its worker, shift and date as stored, not as some list showed them
    const std::vector<Variant> row = SqlSelectRow(
        Connection, QStringLiteral("delete from accounts_dep.smena where id=:id returning w_id, smena, data"), id);
    if (row.empty()) return false;  // the scope rolls back: nothing was written
    SqlExecute(Connection, QStringLiteral("delete from accounts_dep.person_temp where id_smena=:id"), id);
    if (!VarIsNull(row[0]) && !VarIsNull(row[1]) && !VarIsNull(row[2]))
        RecomputeDayCell(Connection, ProductionDayCell(row[0].AsInteger(), row[1].AsInteger(), VarToDateTime(row[2])));
    transaction.Commit();
    return true;
}
