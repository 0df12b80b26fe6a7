#include "app/auxwork.h"

#include "app/daycell.h"
#include "app/sqlrun.h"
#include "platform/rtl/dateutils.h"

double AuxHourPrice(double NormPrice, bool Weekend, bool Night) {
    double p = NormPrice;
    if (Weekend) p = 2 * p;
    if (Night) p = 1.2 * p;
    return p;
}

namespace {

// A stored row's worker, kind, group, night flag and day, locked for the action (empty when the
// row does not exist).
std::vector<Variant> LockedRow(TADOConnection* Connection, int Id) {
    return SqlSelectRow(
        Connection,
        QStringLiteral("select id_p, id_o, id_nom, i_night, d_date from accounts_dep.fatigue where id=:id for update"),
        {{QStringLiteral("id"), Id}});
}

// The day cell a stored row counts in; false when a part of its identity is missing.
bool RowCell(const std::vector<Variant>& Row, TDayCell& Cell) {
    for (const Variant& v : Row)
        if (VarIsNull(v) || VarIsEmpty(v)) return false;
    Cell = AuxiliaryDayCell(Row[0].AsInteger(), Row[1].AsInteger(), Row[2].AsInteger(), Row[3].AsInteger(),
                            VarToDateTime(Row[4]));
    return true;
}

}  // namespace

int SaveAuxEntry(TADOConnection* Connection, const TAuxEntry& Entry, int EditId) {
    TTransactionScope transaction(Connection);
    std::vector<TDayCell> cells;
    TSqlValues values{{QStringLiteral("id_nom"), Entry.GroupId},
                      {QStringLiteral("id_o"), Entry.Kind},
                      {QStringLiteral("id_p"), Entry.PersonId},
                      {QStringLiteral("cnt"), Entry.Hours},
                      {QStringLiteral("price"), Entry.Price},
                      {QStringLiteral("i_holiday"), Entry.Holiday ? 1 : 0},
                      {QStringLiteral("i_night"), Entry.Night ? 1 : 0}};
    const TSqlTypes types{{QStringLiteral("price"), ftFloat}};
    int id = EditId;
    Variant day = VarFromDateTime(DateOf(Entry.Date));
    if (EditId == 0) {
        values.push_back({QStringLiteral("d_date"), day});
        values.push_back({QStringLiteral("i_mnth"), static_cast<int>(MonthOf(Entry.Date))});
        values.push_back({QStringLiteral("i_year"), static_cast<int>(YearOf(Entry.Date))});
        values.push_back({QStringLiteral("i_smena"), Entry.Shift});
        id = SqlSelectValue(Connection,
                            QStringLiteral("INSERT INTO accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, "
                                           "i_year, i_smena, cnt, price, i_holiday, i_night) VALUES(:id_nom, :id_o, "
                                           ":id_p, :d_date, :i_mnth, :i_year, :i_smena, :cnt, :price, :i_holiday, "
                                           ":i_night) returning id"),
                            values, types)
                 .AsInteger();
    } else {
        const std::vector<Variant> old = LockedRow(Connection, EditId);
        if (old.empty())
            DatabaseError(QStringLiteral("Row cannot be located for updating. Some values may have been changed "
                                         "since it was last read."));
        // the cell the row leaves keeps only the hours of the rows that stay in it
        TDayCell leaving;
        if (RowCell(old, leaving)) cells.push_back(leaving);
        day = old[4];  // the edited row keeps its day
        values.push_back({QStringLiteral("id"), EditId});
        SqlExecute(Connection,
                   QStringLiteral("UPDATE accounts_dep.fatigue SET id_nom=:id_nom, id_o=:id_o, id_p=:id_p, cnt=:cnt, "
                                  "price=:price, i_holiday=:i_holiday, i_night=:i_night where id=:id"),
                   values, types);
    }
    if (!VarIsNull(day) && !VarIsEmpty(day))
        cells.push_back(
            AuxiliaryDayCell(Entry.PersonId, Entry.Kind, Entry.GroupId, Entry.Night ? 1 : 0, VarToDateTime(day)));
    RecomputeDayCells(Connection, std::move(cells));
    transaction.Commit();
    return id;
}

bool DeleteAuxEntry(TADOConnection* Connection, int Id) {
    TTransactionScope transaction(Connection);
    const std::vector<Variant> row = LockedRow(Connection, Id);
    if (row.empty()) return false;
    SqlExecute(Connection, QStringLiteral("delete from accounts_dep.fatigue where id=:id"), {{QStringLiteral("id"), Id}});
    TDayCell cell;
    if (RowCell(row, cell)) RecomputeDayCell(Connection, cell);
    transaction.Commit();
    return true;
}

int RecomputeAveragePieceRate(TADOConnection* Connection, int Month, int Year) {
    const TDateTime from = EncodeDate(static_cast<Word>(Year), static_cast<Word>(Month), 1);
    const TDateTime to = IncMonth(from, 1);
    TTransactionScope transaction(Connection);
    const int rows = SqlExecute(
        Connection,
        QStringLiteral(
            "update accounts_dep.fatigue f set price = coalesce((select case when "
            "coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else  "
            "coalesce(sum((s.kol_vo-s.brak)*((s.cena+s.cena*f.i_night*0.2)*(case when f.i_holiday = 0 then 1 else 2 "
            "end)))/sum(time),0)::numeric(10,2) end from accounts_dep.smena s, accounts_dep.person p where "
            "p.id=s.w_id and p.id=f.id_p and s.data >= :date1 and s.data < :date2 group by p.id), 0) "
            "where i_mnth = :mnth and i_year = :yea and id_o =7778"),
        {{QStringLiteral("date1"), VarFromDateTime(from)},
         {QStringLiteral("date2"), VarFromDateTime(to)},
         {QStringLiteral("mnth"), Month},
         {QStringLiteral("yea"), Year}});
    transaction.Commit();
    return rows;
}
