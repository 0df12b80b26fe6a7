#include "app/timesheetrebuild.h"

#include "app/daycell.h"
#include "app/sqlrun.h"
#include "app/timesheetdata.h"
#include "platform/ado/adodb.h"

namespace {

// ", d1, d2, ... d31".
String DayColumns() {
    QStringList days;
    for (int d = 1; d <= 31; ++d) days << QStringLiteral("d%1").arg(d);
    return QStringLiteral(", ") + days.join(QStringLiteral(", "));
}

// ", sum(Hours) filter (where extract(day from Date)=1), ..." up to 31: the hours of each day of a
// key, null on a day without rows, 0 on a day whose rows carry no hours.
String HourSumsByDay(const String& Hours, const String& Date) {
    QStringList days;
    for (int d = 1; d <= 31; ++d)
        days << QStringLiteral("sum(coalesce(%1,0)) filter (where extract(day from %2)=%3)").arg(Hours, Date).arg(d);
    return QStringLiteral(", ") + days.join(QStringLiteral(", "));
}

// Deletes the month's rows of one kind and writes them again from one grouped select over the
// month's source rows: a row per key that has rows in the month, made in the order the keys first
// appear (by day, then by key).
void Rebuild(TADOConnection* Connection, int Month, int Year, const String& DeleteSql, const String& InsertSql,
             const TRebuildProgress& Progress) {
    const int days = DaysOfMonth(Month, Year);
    const TSqlValues month = {{QStringLiteral("month"), Month}, {QStringLiteral("year"), Year}};
    const TSqlTypes types = {{QStringLiteral("month"), ftSmallint}, {QStringLiteral("year"), ftSmallint},
                             {QStringLiteral("first"), ftDate}, {QStringLiteral("next"), ftDate}};
    TSqlValues period = month;
    period.push_back({QStringLiteral("first"), VarFromDateTime(MonthStart(Month, Year))});
    period.push_back({QStringLiteral("next"), VarFromDateTime(NextMonthStart(Month, Year))});
    TTransactionScope transaction(Connection);
    LockForTransaction(Connection, TimesheetMonthLockName(Month, Year));
    SqlExecute(Connection, DeleteSql, month, types);
    SqlExecute(Connection, InsertSql, period, types);
    transaction.Commit();
    if (Progress) Progress(days, days);
}

}  // namespace

void RebuildShiftTimesheet(TADOConnection* Connection, int Month, int Year, const TRebuildProgress& Progress) {
    Rebuild(Connection, Month, Year,
            QStringLiteral("delete from accounts_dep.h_dizuv where smena>0 and month=:month and year=:year"),
            QStringLiteral("insert into accounts_dep.h_dizuv(smena, w_id, month, year") + DayColumns() +
                QStringLiteral(") select smena, w_id, :month, :year") + HourSumsByDay(QStringLiteral("time"), QStringLiteral("data")) +
                QStringLiteral(" from accounts_dep.smena where data>=:first and data<:next group by smena, w_id "
                               "order by min(data), w_id, smena"),
            Progress);
}

void RebuildAuxiliaryTimesheet(TADOConnection* Connection, int Month, int Year, const TRebuildProgress& Progress) {
    // both kinds, whatever the window shows; hours of no known kind make no timesheet row
    Rebuild(Connection, Month, Year,
            QStringLiteral("delete from accounts_dep.h_dizuv where smena=0 and month=:month and year=:year"),
            QStringLiteral("insert into accounts_dep.h_dizuv(i_type, w_id, i_night, month, year, id_nom") + DayColumns() +
                QStringLiteral(") select f.id_o, f.id_p, f.i_night, :month, :year, f.id_nom") +
                HourSumsByDay(QStringLiteral("f.cnt"), QStringLiteral("f.d_date")) +
                QStringLiteral(" from accounts_dep.fatigue f where f.d_date>=:first and f.d_date<:next and f.id_o in (7777, 7778) "
                               "group by f.id_p, f.id_o, f.i_night, f.id_nom order by min(f.d_date), f.id_p, f.id_o, f.i_night, f.id_nom"),
            Progress);
}
