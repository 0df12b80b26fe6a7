// The printed reports of the client: the month's hours of all shifts (TForm15) and the four period
// reports (TForm16, TForm17, TForm20, TForm21), each a report layout over one query, and what
// fills them: the period bound as dates into the odd (start) and even (end) date parameters of a
// query, the product-kind filter, the period titles.
//
// The layouts group by the worker's or product's id and print the name, so two workers (or
// products) of the same name keep their own blocks and totals. Every run closes its query again,
// also when the generation raises, so the next run starts from a closed query.
#pragma once

#include "platform/rtl/system.h"
#include "platform/rtl/sysutils.h"

class TDataSet;
class TParameters;

// The period's dates into a query's parameters data1, data2, ...: odd ones the start, even ones
// the end (excluded), both as dates.
void BindPeriod(TParameters* Parameters, TDateTime Start, TDateTime End);
// The product-kind choice of the period windows (0 all, 1 finished products, 2 blanks) as a
// filter on the query's naimen column.
void ApplyProductKind(TDataSet* Data, int KindIndex);

// The queries of the period reports: by workers, by products, detailed by workers, detailed by
// products; and the period's output for the spreadsheet.
String WorkersReportSql();
String ProductsReportSql();
String DetailedWorkersReportSql();
String DetailedProductsReportSql();
String PeriodOutputSql();

// The month's hours of all shifts, one line per worker, prepared and previewed with the title
// given ("Март 2024 г."); the query is closed again afterwards.
void PrintMonthHours(int Month, int Year, const String& Title);
