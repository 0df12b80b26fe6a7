#include "app/timesheetrebuild.h"

#include "app/daycell.h"
#include "app/sqlrun.h"
#include "app/timesheetdata.h"
#include "platform/ado/adodb.h"

#include <vector>

namespace {

// One row of a day's hours: the month row's key columns with their values, and the hours.
struct TDayHours {
    TSqlValues Keys;
    Variant Hours;
};

Variant IdOrNull(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V) ? Null() : Variant(V.AsInt64()); }

// The day's hours of every key that has some (a sum of 0 or none makes no cell).
template <class TKeysOf>
std::vector<TDayHours> DayHours(TADOConnection* Connection, const String& Sql, TDateTime Day, TKeysOf KeysOf) {
    TOwned<TADOQuery> q = NewOwned<TADOQuery>(nullptr);
    q->SetConnection(Connection);
    q->SQL()->SetText(Sql);
    BindSqlValues(q->Parameters(), {{QStringLiteral("data"), VarFromDateTime(Day)}});
    q->Open();
    std::vector<TDayHours> rows;
    for (q->First(); !q->Eof(); q->Next()) {
        const Variant tim = q->FieldByName(QStringLiteral("tim"))->AsVariant();
        if (VarIsNull(tim) || tim.AsInt64() == 0) continue;
        rows.push_back({KeysOf(q.get()), tim.AsInt64()});
    }
    q->Close();
    return rows;
}

// Writes the day's cell of each row: the month row's cell when the row exists (all of them when
// there are several), else a new month row with only that day.
void WriteDay(TADOConnection* Connection, int Day, const std::vector<TDayHours>& Rows, const TSqlTypes& Types) {
    const String cell = QStringLiteral("d%1").arg(Day);
    for (const TDayHours& r : Rows) {
        QStringList where, columns, values;
        for (const auto& [column, value] : r.Keys) {
            // month and year are never null (and keep to the index); a key of the others may be
            const bool plain = column == u"month" || column == u"year";
            where << column + (plain ? QStringLiteral("=:") : QStringLiteral(" is not distinct from :")) + column;
            columns << column;
            values << u':' + column;
        }
        TSqlValues params = r.Keys;
        params.push_back({QStringLiteral("tim"), r.Hours});
        const int updated = SqlExecute(Connection,
                                       QStringLiteral("update accounts_dep.h_dizuv set ") + cell +
                                           QStringLiteral("=:tim where ") + where.join(QStringLiteral(" and ")),
                                       params, Types);
        if (updated > 0) continue;
        SqlExecute(Connection,
                   QStringLiteral("insert into accounts_dep.h_dizuv(") + columns.join(QStringLiteral(", ")) + QStringLiteral(", ") +
                       cell + QStringLiteral(") values(") + values.join(QStringLiteral(", ")) + QStringLiteral(", :tim)"),
                   params, Types);
    }
}

template <class TKeysOf>
void Rebuild(TADOConnection* Connection, int Month, int Year, const String& DeleteSql, const String& DaySql,
             TKeysOf KeysOf, const TSqlTypes& Types, const TRebuildProgress& Progress) {
    TTransactionScope transaction(Connection);
    LockForTransaction(Connection, TimesheetMonthLockName(Month, Year));
    SqlExecute(Connection, DeleteSql, {{QStringLiteral("month"), Month}, {QStringLiteral("year"), Year}},
               {{QStringLiteral("month"), ftSmallint}, {QStringLiteral("year"), ftSmallint}});
    const int days = DaysOfMonth(Month, Year);
    const TDateTime first = MonthStart(Month, Year);
    for (int d = 1; d <= days; ++d) {
        WriteDay(Connection, d, DayHours(Connection, DaySql, first + (d - 1), KeysOf), Types);
        if (Progress) Progress(d, days);
    }
    transaction.Commit();
}

}  // namespace

void RebuildShiftTimesheet(TADOConnection* Connection, int Month, int Year, const TRebuildProgress& Progress) {
    Rebuild(
        Connection, Month, Year,
        QStringLiteral("delete from accounts_dep.h_dizuv where smena>0 and month=:month and year=:year"),
        QStringLiteral("select smena, w_id, sum(time) as tim from accounts_dep.smena where data=:data "
                       "group by smena, w_id order by w_id, smena"),
        [Month, Year](TADOQuery* q) {
            return TSqlValues{{QStringLiteral("smena"), q->FieldByName(QStringLiteral("smena"))->AsVariant()},
                              {QStringLiteral("w_id"), q->FieldByName(QStringLiteral("w_id"))->AsVariant()},
                              {QStringLiteral("month"), Month},
                              {QStringLiteral("year"), Year}};
        },
        {{QStringLiteral("smena"), ftSmallint}, {QStringLiteral("w_id"), ftInteger}, {QStringLiteral("month"), ftSmallint},
         {QStringLiteral("year"), ftSmallint}, {QStringLiteral("tim"), ftSmallint}},
        Progress);
}

void RebuildAuxiliaryTimesheet(TADOConnection* Connection, int Month, int Year, const TRebuildProgress& Progress) {
    // both kinds, whatever the window shows; hours of no known kind make no timesheet row
    Rebuild(
        Connection, Month, Year,
        QStringLiteral("delete from accounts_dep.h_dizuv where smena=0 and month=:month and year=:year"),
        QStringLiteral("select f.id_p, f.id_o, f.i_night, sum(f.cnt) as tim, f.id_nom from accounts_dep.fatigue f "
                       "where f.d_date=:data and f.id_o in (7777, 7778) group by f.id_p, f.id_o, f.i_night, f.id_nom "
                       "order by id_p, id_o, i_night, id_nom"),
        [Month, Year](TADOQuery* q) {
            return TSqlValues{{QStringLiteral("w_id"), IdOrNull(q->FieldByName(QStringLiteral("id_p"))->AsVariant())},
                              {QStringLiteral("i_type"), IdOrNull(q->FieldByName(QStringLiteral("id_o"))->AsVariant())},
                              {QStringLiteral("i_night"), q->FieldByName(QStringLiteral("i_night"))->AsVariant()},
                              {QStringLiteral("month"), Month},
                              {QStringLiteral("year"), Year},
                              {QStringLiteral("id_nom"), IdOrNull(q->FieldByName(QStringLiteral("id_nom"))->AsVariant())}};
        },
        {{QStringLiteral("w_id"), ftInteger}, {QStringLiteral("i_type"), ftInteger}, {QStringLiteral("i_night"), ftInteger},
         {QStringLiteral("month"), ftSmallint}, {QStringLiteral("year"), ftSmallint}, {QStringLiteral("id_nom"), ftLargeint},
         {QStringLiteral("tim"), ftSmallint}},
        Progress);
}
