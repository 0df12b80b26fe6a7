// Saving one production record of accounts_dep.smena with its timesheet day cells. The duplicate
// check, the insert or update and the recompute of the day cells run as one transaction under a
// transaction-scoped advisory lock on the record's identity (worker, operation, product, date,
// shift, colour), so two clients cannot both insert the same record; a failure of any statement
// rolls the whole save back and raises the server's error.
#pragma once

#include "platform/ado/adodb.h"

// The message of a refused duplicate.
inline const String DuplicateRecordMessage = QStringLiteral("Позиция с такими параметрами уже заведена!");
// The most hours a worker can have on one date in one shift, all his records together.
constexpr int MaxShiftHours = 24;
// The message of a record whose hours would take its worker's date and shift past MaxShiftHours:
// the hours the other records hold, and the total with this record.
String ShiftHoursMessage(int Others, int Total);

// One record as the record card gives it.
struct TProductionRecord {
    int WorkerId = 0;
    int ProductId = 0;
    int OperationId = 0;
    double Price = 0;       // price per piece; written rounded to 4 decimals (ties to even)
    int Quantity = 0;
    int Defects = 0;
    int Hours = 0;
    TDateTime Date = 0;     // the day of work (a time of day is dropped)
    int Shift = 1;          // 1..4
    int Colour = 0;         // 0 none
};

// What a save did.
struct TRecordSaveResult {
    bool Saved = false;     // false: refused, nothing written
    String Refusal;         // why it was refused: DuplicateRecordMessage or ShiftHoursMessage
    int Id = 0;             // the record's id (the new one after an insert)
};

// Saves Rec: EditId 0 inserts a new record (new and copy) with ok "no"; any other id updates that
// record (its ok stays). A duplicate (another record with the same worker, operation, product,
// date, shift and colour) is refused: nothing is written and Saved is false (the window shows
// DuplicateRecordMessage), and so is a record whose hours, with those of the worker's other records
// of that date and shift (helper rows included, as the day cell counts them), come to more than
// MaxShiftHours. The day cells of the record's worker, shift and date are
// recomputed, and for an update those the record had before as well. vvod gets Today.
TRecordSaveResult SaveProductionRecord(TADOConnection* Connection, const TProductionRecord& Rec, int EditId,
                                       TDateTime Today);
TRecordSaveResult SaveProductionRecord(TADOConnection* Connection, const TProductionRecord& Rec, int EditId);
