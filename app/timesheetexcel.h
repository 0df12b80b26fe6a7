// The timesheet windows' Excel sheets: the month shown, written cell by cell into a new workbook
// through the Excel helper and left open in the spreadsheet application. Row 1 holds the title,
// row 2 the header, then one row per timesheet row with the worker's name, the 31 day cells
// (blank where there are no hours) and the totals. Values are the fields' display texts, so
// numbers reach the sheet as numbers.
//
// Both writers open the workbook, keep the application hidden while they fill it, tell Progress
// after the header and after every row (rows done, rows in all) and show the application at the
// end. They stop early when the workbook cannot be opened, and at the first cell that cannot be
// written (the helper has shown its message, once), showing the cells written so far; then they
// answer false.
#pragma once

#include "app/excelhelper.h"

#include <functional>

class TDataSet;

using TSheetProgress = std::function<void(int Done, int Total)>;

// The monthly timesheet of a mode (TTimesheetMode) from its open query: name, day/night label
// (modes 14 and 15), d1..d31, "Итого (ч.)", "Итого (р.)" and, but in mode 17, "Час (р.)". The
// dataset comes back to the record it was on, and its controls do not follow the export.
bool WriteMonthlySheet(TExcelApplicationRef& App, TDataSet* Data, int Mode, const String& Title,
                       const TSheetProgress& Progress = {});

// The hours of all shifts and kinds from an open query of AllShiftHoursSql: name, sd1..sd31 and
// their sum (written also when it is 0).
bool WriteAllShiftSheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title,
                        const TSheetProgress& Progress = {});

// The nomenclature-group sheets. Row 1 holds the title, row 2 the header, row 3 the first group's
// caption; then one row per record, and where the group id changes the group's "ИТОГО:" row and
// the next group's caption; after the last record the last group's "ИТОГО:" row and, below it,
// "ИТОГО:" with the grand total. Totals are summed exactly in kopecks.

// The wage summary from an open query of WageSummarySql: "Фамилия И.О.", "Сумма (р.)" and
// "Сумма без РК (р.)" in columns 2 to 4; a group's total sums its rows.
bool WriteWageSummarySheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title,
                           const TSheetProgress& Progress = {});

// The timesheet by nomenclature group from an open query of GroupTimesheetSql: name, day/night,
// d1..d31 in columns 4 to 34, "Итого (ч.)", "Итого (р.)", "Час (р.)"; SheetTitle in cell A2. A
// group's total is its f_price_nom, everybody's earnings in the group.
bool WriteGroupTimesheetSheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title,
                              const String& SheetTitle, const TSheetProgress& Progress = {});
