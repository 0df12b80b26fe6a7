// Rebuilds of one month of the timesheet accounts_dep.h_dizuv from the daily records, for when the
// day cells and the records have drifted apart:
//   the shift rows (smena > 0: one per worker and shift) from the production records
//   accounts_dep.smena (sum of time per worker, shift and day);
//   the auxiliary rows (smena = 0: one per worker, kind 7777 or 7778, day/night and group) from
//   the auxiliary and average-rate hours accounts_dep.fatigue (sum of cnt).
// A rebuild deletes the month's rows it owns and writes them again in one statement, a row per key
// that has source rows in the month with a cell per day (the day's sum, 0 when its rows carry no
// hours, null on a day without rows), leaving the rows of the other kind alone. It runs in one transaction (rolled back on any failure, so the month's
// rows stay as they were) and holds the month's lock alone (TimesheetMonthLockName): two rebuilds
// of one month, or a rebuild and a save of a record of that month, run one after the other.
#pragma once

#include "platform/rtl/system.h"

#include <functional>

class TADOConnection;

// Told when the month is written (Day = Days, the days of the month).
using TRebuildProgress = std::function<void(int Day, int Days)>;

void RebuildShiftTimesheet(TADOConnection* Connection, int Month, int Year, const TRebuildProgress& Progress = {});
void RebuildAuxiliaryTimesheet(TADOConnection* Connection, int Month, int Year,
                               const TRebuildProgress& Progress = {});
