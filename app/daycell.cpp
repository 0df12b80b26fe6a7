#include "app/daycell.h"

#include "app/sqlrun.h"
#include "platform/rtl/dateutils.h"

#include <algorithm>

// ---- transactions ------------------------------------------------------------------------------

TTransactionScope::TTransactionScope(TADOConnection* Connection) : FConnection(Connection) {
    if (!FConnection->InTransaction()) {
        FConnection->BeginTrans();
        FOwned = true;
    }
}

TTransactionScope::~TTransactionScope() {
    if (FOwned && !FDone) {
        try {
            FConnection->RollbackTrans();
        } catch (const Exception&) {
            // the connection is gone: the server has dropped the transaction with it
        }
    }
}

void TTransactionScope::Commit() {
    if (FDone) return;
    FDone = true;
    if (FOwned) FConnection->CommitTrans();
}

void LockForTransaction(TADOConnection* Connection, const String& Name, bool Shared) {
    SqlSelectValue(Connection,
                   Shared ? QStringLiteral("select pg_advisory_xact_lock_shared(hashtextextended(:name, 0))")
                          : QStringLiteral("select pg_advisory_xact_lock(hashtextextended(:name, 0))"),
                   {{QStringLiteral("name"), Name}});
}

String TimesheetMonthLockName(int Month, int Year) {
    return QStringLiteral("accounts_dep.h_dizuv month|month=%1|year=%2").arg(Month).arg(Year);
}

// ---- cells -------------------------------------------------------------------------------------

namespace {

String KeyText(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V) ? QStringLiteral("null") : V.AsString(); }

String DayColumn(int Day) {
    if (Day < 1 || Day > 31) throw EDatabaseError(QStringLiteral("Day %1 is not a day of a month").arg(Day));
    return QStringLiteral("d%1").arg(Day);
}

// "w_id=:w_id and smena=:smena ..." over the month row's keys.
String KeyWhere(const TDayCell& Cell) {
    QStringList parts;
    for (const auto& [column, value] : Cell.Keys) parts << column + QStringLiteral("=:") + column;
    return parts.join(QStringLiteral(" and "));
}

}  // namespace

String TDayCell::LockName() const {
    QStringList parts;
    for (const auto& [column, value] : Keys) parts << column + u'=' + KeyText(value);
    return QStringLiteral("accounts_dep.h_dizuv|") + parts.join(u'|');
}

bool TDayCell::SameCell(const TDayCell& Other) const { return Day == Other.Day && LockName() == Other.LockName(); }

TDayCell ProductionDayCell(int WorkerId, int Shift, TDateTime Date) {
    TDayCell cell;
    cell.Keys = {{QStringLiteral("w_id"), WorkerId},
                 {QStringLiteral("smena"), Shift},
                 {QStringLiteral("month"), static_cast<int>(MonthOf(Date))},
                 {QStringLiteral("year"), static_cast<int>(YearOf(Date))}};
    cell.Day = DayOf(Date);
    cell.HoursSql = QStringLiteral(
        "select sum(coalesce(time,0)) as tim from accounts_dep.smena where w_id=:w_id and smena=:smena and data=:data");
    cell.HoursParams = {{QStringLiteral("w_id"), WorkerId},
                        {QStringLiteral("smena"), Shift},
                        {QStringLiteral("data"), VarFromDateTime(DateOf(Date))}};
    return cell;
}

TDayCell AuxiliaryDayCell(int WorkerId, int Kind, const Variant& GroupId, int Night, TDateTime Date) {
    TDayCell cell;
    cell.Keys = {{QStringLiteral("w_id"), WorkerId},
                 {QStringLiteral("i_type"), Kind},
                 {QStringLiteral("month"), static_cast<int>(MonthOf(Date))},
                 {QStringLiteral("year"), static_cast<int>(YearOf(Date))},
                 {QStringLiteral("id_nom"), GroupId},
                 {QStringLiteral("i_night"), Night}};
    cell.Day = DayOf(Date);
    cell.HoursSql = QStringLiteral(
        "select sum(coalesce(f.cnt,0)) as tim from accounts_dep.fatigue f where f.id_p=:id_p and f.id_o=:id_o and "
        "f.i_night=:i_night and f.id_nom=:id_nom and f.d_date=:d_date");
    cell.HoursParams = {{QStringLiteral("id_p"), WorkerId},
                        {QStringLiteral("id_o"), Kind},
                        {QStringLiteral("i_night"), Night},
                        {QStringLiteral("id_nom"), GroupId},
                        {QStringLiteral("d_date"), VarFromDateTime(DateOf(Date))}};
    return cell;
}

Variant DayCellHours(TADOConnection* Connection, const TDayCell& Cell) {
    const Variant sum = SqlSelectValue(Connection, Cell.HoursSql, Cell.HoursParams);
    if (VarIsNull(sum) || VarIsEmpty(sum)) return Null();
    return sum.AsInteger();
}

void WriteDayCell(TADOConnection* Connection, const TDayCell& Cell, const Variant& Hours) {
    const String day = DayColumn(Cell.Day);
    const String where = KeyWhere(Cell);
    TSqlValues params(Cell.Keys.begin(), Cell.Keys.end());
    const Variant rows = SqlSelectValue(
        Connection, QStringLiteral("select count(w_id) as cnt from accounts_dep.h_dizuv where ") + where, params);
    const bool none = VarIsNull(Hours) || VarIsEmpty(Hours);
    if (rows.AsInteger() == 0) {
        if (none) return;  // nothing to keep and no row to keep it in
        QStringList columns, values;
        for (const auto& [column, value] : Cell.Keys) {
            columns << column;
            values << u':' + column;
        }
        columns << day;
        values << QStringLiteral(":hours");
        params.push_back({QStringLiteral("hours"), Hours});
        SqlExecute(Connection,
                   QStringLiteral("insert into accounts_dep.h_dizuv(") + columns.join(QStringLiteral(", ")) +
                       QStringLiteral(") values(") + values.join(QStringLiteral(", ")) + u')',
                   params, {{QStringLiteral("hours"), ftSmallint}});
        return;
    }
    TSqlValues update = params;
    update.push_back({QStringLiteral("hours"), none ? Null() : Hours});
    SqlExecute(Connection,
               QStringLiteral("update accounts_dep.h_dizuv set ") + day + QStringLiteral("=:hours where ") + where,
               update, {{QStringLiteral("hours"), ftSmallint}});
    if (!none) return;
    // The month row goes only when none of its days has a cell any more (a day whose records carry
    // no hours keeps a 0, and with it the worker's row).
    QStringList empty;
    for (int d = 1; d <= 31; ++d) empty << QStringLiteral("d%1 is null").arg(d);
    SqlExecute(Connection,
               QStringLiteral("delete from accounts_dep.h_dizuv where ") + where + QStringLiteral(" and ") +
                   empty.join(QStringLiteral(" and ")),
               params);
}

void RecomputeDayCells(TADOConnection* Connection, std::vector<TDayCell> Cells) {
    // one recompute per cell, locks in the order of their names (no two clients wait on each other)
    std::vector<TDayCell> cells;
    for (auto& c : Cells) {
        const bool seen = std::any_of(cells.begin(), cells.end(), [&](const TDayCell& k) { return k.SameCell(c); });
        if (!seen) cells.push_back(std::move(c));
    }
    std::sort(cells.begin(), cells.end(), [](const TDayCell& a, const TDayCell& b) {
        const String la = a.LockName(), lb = b.LockName();
        return la != lb ? la < lb : a.Day < b.Day;
    });
    // the months first (shared: only a rebuild of a month waits for them), in their order
    std::vector<String> months;
    for (const auto& c : cells) {
        Variant month, year;
        for (const auto& [column, value] : c.Keys) {
            if (column == u"month") month = value;
            if (column == u"year") year = value;
        }
        const String name = TimesheetMonthLockName(month.AsInteger(), year.AsInteger());
        if (std::find(months.begin(), months.end(), name) == months.end()) months.push_back(name);
    }
    std::sort(months.begin(), months.end());
    TTransactionScope transaction(Connection);
    for (const String& name : months) LockForTransaction(Connection, name, true);
    String locked;
    for (const auto& c : cells) {
        const String name = c.LockName();
        if (name != locked) LockForTransaction(Connection, name);
        locked = name;
    }
    for (const auto& c : cells) WriteDayCell(Connection, c, DayCellHours(Connection, c));
    transaction.Commit();
}
