// The timesheet's day cells: the hours of a worker on one day, kept in the day columns d1..d31 of
// the worker's month row of accounts_dep.h_dizuv. After a change of the source rows a day is
// summed again and its cell rewritten: the month row is inserted when it is missing, a day
// without source rows gets a null cell (a day whose rows carry no hours a 0, so a worker who books
// his work without hours has his row), and a month row is deleted once none of its days has a
// cell.
//
// Two kinds of month rows:
//   production rows (w_id, smena, month, year), summed from accounts_dep.smena (time);
//   auxiliary rows (w_id, i_type, month, year, id_nom, i_night), summed from
//   accounts_dep.fatigue (cnt) of the same kind, group and night flag.
//
// Every recompute runs in one transaction (the caller's when one runs, else its own) and holds a
// transaction-scoped advisory lock on each month row it touches, taken in a fixed order, so two
// clients never both insert the same month row and never write a stale sum over a newer one. Before
// those it holds the month's lock shared, which a rebuild of the month takes alone.
#pragma once

#include "platform/ado/adodb.h"

#include <utility>
#include <vector>

// One user action's transaction on a connection. Begins one when none runs and then commits or
// rolls back itself; inside a running transaction it joins it and leaves the end to its owner.
// Leaving the scope without Commit rolls back an owned transaction.
class TTransactionScope {
public:
    explicit TTransactionScope(TADOConnection* Connection);
    ~TTransactionScope();
    TTransactionScope(const TTransactionScope&) = delete;
    TTransactionScope& operator=(const TTransactionScope&) = delete;

    void Commit();
    bool Owned() const { return FOwned; }

private:
    TADOConnection* FConnection;
    bool FOwned = false;
    bool FDone = false;
};

// Takes the transaction-scoped advisory lock named by a text (its 64-bit hash). Must run inside a
// transaction; waits while another transaction holds the same lock (or, Shared, holds it alone).
void LockForTransaction(TADOConnection* Connection, const String& Name, bool Shared = false);

// The lock of a month of the timesheet: every recompute of day cells holds it shared for the
// months of its cells, a rebuild of the month holds it alone, so a rebuild never runs beside a
// save of the same month nor beside another rebuild of it.
String TimesheetMonthLockName(int Month, int Year);

// A day cell: the identity of its month row, its day, and the sum that fills it.
struct TDayCell {
    // Columns that identify the month row, with their values (month and year included).
    std::vector<std::pair<String, Variant>> Keys;
    int Day = 0;  // 1..31
    // A select returning one row with one column (the day's hours, null for none) and its
    // ":name" parameters.
    String HoursSql;
    std::vector<std::pair<String, Variant>> HoursParams;
    // The name of the month row's lock.
    String LockName() const;
    // Same month row and day.
    bool SameCell(const TDayCell& Other) const;
};

// The production cell of a worker, shift (1..4) and date.
TDayCell ProductionDayCell(int WorkerId, int Shift, TDateTime Date);
// The auxiliary cell of a worker, kind (7777, 7778), nomenclature group, night flag and date.
TDayCell AuxiliaryDayCell(int WorkerId, int Kind, const Variant& GroupId, int Night, TDateTime Date);

// The day's hours from the source rows: Null when the day has no rows, 0 when they carry none.
Variant DayCellHours(TADOConnection* Connection, const TDayCell& Cell);

// Writes Hours (Null: none) into the cell: updates the month row, or inserts it when it is
// missing and there are hours (0 included); deletes the month row when afterwards none of its days
// has a cell. Runs in the caller's transaction; takes no lock.
void WriteDayCell(TADOConnection* Connection, const TDayCell& Cell, const Variant& Hours);

// Sums the cells' days again and writes them, in one transaction (the caller's or its own), under
// the advisory locks of their month rows (taken in a fixed order). The same cell named twice is
// recomputed once.
void RecomputeDayCells(TADOConnection* Connection, std::vector<TDayCell> Cells);
inline void RecomputeDayCell(TADOConnection* Connection, const TDayCell& Cell) { RecomputeDayCells(Connection, {Cell}); }
