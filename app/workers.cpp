#include "app/workers.h"

#include "app/daycell.h"
#include "app/sqlrun.h"

void SaveWorker(TADOConnection* Connection, int Id, const String& Name, const std::optional<String>& Position) {
    if (Id == 0) {
        SqlExecute(Connection,
                   QStringLiteral("INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES(:fio, :pos)"),
                   {{QStringLiteral("fio"), Name}, {QStringLiteral("pos"), Position.value_or(String())}});
    } else if (Position) {
        SqlExecute(Connection,
                   QStringLiteral("UPDATE accounts_dep.person SET fio=:fio, s_staffpos_hl=:pos where "
                                  "accounts_dep.person.id=:id"),
                   {{QStringLiteral("fio"), Name}, {QStringLiteral("pos"), *Position}, {QStringLiteral("id"), Id}});
    } else {
        SqlExecute(Connection, QStringLiteral("UPDATE accounts_dep.person SET fio=:fio where accounts_dep.person.id=:id"),
                   {{QStringLiteral("fio"), Name}, {QStringLiteral("id"), Id}});
    }
}

bool DeleteWorker(TADOConnection* Connection, int Id) {
    TTransactionScope transaction(Connection);
    // the worker's production records and auxiliary works would vanish from every list
    if (SqlSelectValue(Connection,
                       QStringLiteral("select (select count(*) from accounts_dep.smena where w_id=:id) + "
                                      "(select count(*) from accounts_dep.fatigue where id_p=:id2)"),
                       {{QStringLiteral("id"), Id}, {QStringLiteral("id2"), Id}})
            .AsInteger() > 0)
        return false;
    SqlExecute(Connection, QStringLiteral("delete from accounts_dep.person where id =:id"), {{QStringLiteral("id"), Id}});
    transaction.Commit();
    return true;
}
