// Deleting one production record of accounts_dep.smena with the upkeep of its timesheet day cell.
#pragma once

#include "platform/ado/adodb.h"

// The confirmation the main work window asks before a delete.
inline const String DeleteRecordQuestion = QStringLiteral("Удалить позицию из списка?");
inline const String DeleteRecordCaption = QStringLiteral("Удаление");

// Deletes the record Id, the temporary helper rows still kept under it (accounts_dep.person_temp,
// id_smena) and sums again the day cell of the worker, shift and date the record had, all in one
// transaction (the caller's when one runs, else its own): the cell then holds the hours of the
// day's remaining records, null when none is left, and the month row goes once none of its days
// holds hours. A failure of any statement rolls the whole delete back and raises the server's
// error. Returns false when no record Id exists (another client deleted it): nothing is written.
bool DeleteProductionRecord(TADOConnection* Connection, int Id);
