// The monthly timesheets as the windows read them: the statements of the monthly timesheet's four
// modes, of its sums line and of its year list, the month's bounds bound as dates, and the month's
// calendar (length, weekends). Every month statement covers the half-open range from the first day
// of the month to the first day of the next one (December runs to 1 January of the next year).
#pragma once

#include "platform/rtl/system.h"

class TParameters;

// The modes of the monthly timesheet window (its Tag).
enum TTimesheetMode {
    tmPieceWork = 9,     // production records
    tmAuxiliary = 14,    // auxiliary works (7777), by day and night
    tmAverageRate = 15,  // average piece rate (7778), by day and night
    tmTotal = 17         // all timesheet rows of a worker
};

// The statement of a mode's query: one row per worker (and day/night kind in modes 14 and 15) with
// fio, the day sums d1..d31, the month's hours i_time, earnings f_price and, but in mode 17, the
// hourly rate average_price (0 without hours).
String MonthTimesheetSql(int Mode);

// The sums line under the monthly timesheet, each a one-row statement with one column price.
enum TMonthTotal {
    mtAverageRate,  // "Ср. сдел.:"
    mtAuxiliary,    // "Хоз. работы:"
    mtPieceWork,    // "Сделка:"
    mtAll           // "Итого:", production records and all auxiliary hours
};
String MonthTotalSql(TMonthTotal Total);

// The wage summary of a month: per nomenclature group and worker the earnings of both views, the
// auxiliary-work pay (data1/data2) and the piece-work pay (data3/data4), with the regional
// coefficient (sum_all) and without it (sum_all_12); columns fio, s_nom, id_nom, sum_all,
// sum_all_12, sorted by group caption, group id and worker name. Groups and workers are told
// apart by their ids, and the same amount in both views counts twice.
String WageSummarySql();

// The monthly timesheet of an operation (7777 auxiliary works, 7778 average piece rate) by
// nomenclature group: one row per group, worker and day/night with s_nom, fio, id_nom, s_night,
// i_night, the worker's hours i_time and earnings f_price in the group, his hourly rate over all
// groups average_price (0 without hours), everybody's earnings in the group f_price_nom, the day
// sums d1..d31, the worker id and i_type; sorted by group caption, group id and worker name.
String GroupTimesheetSql(int Operation);

// The years that have timesheet rows (column year).
String TimesheetYearsSql();

// The statement of the printed monthly hours and the all-shift sheet: per worker name the day sums
// sd1..sd31 of all his timesheet rows of a month (parameters mnth, yea).
String AllShiftHoursSql();

// The month's first day and the first day of the next month.
TDateTime MonthStart(int Month, int Year);
TDateTime NextMonthStart(int Month, int Year);
int DaysOfMonth(int Month, int Year);
// Saturday or Sunday.
bool IsWeekendDayOfMonth(int Month, int Year, int Day);

// Binds a month to the parameters a statement has, by their names: i_month and mnth the month,
// i_year and yea the year (integers); d_date2, d_date4, ... and date1 the month's first day,
// d_date1, d_date3, ... and date2 the first day of the next month, data1 and data3 the month's
// first day, data2 and data4 the first day of the next month (dates).
void BindMonth(TParameters* Parameters, int Month, int Year);
