// Auxiliary works (kind 7777) and hours paid at the average piece rate (kind 7778): the rows of
// accounts_dep.fatigue with their auxiliary timesheet day cells, and the monthly recalculation of
// the average piece rate. Each write is one transaction: a failing statement rolls the whole
// action back and raises the server's error.
#pragma once

#include "platform/ado/adodb.h"

inline constexpr int AuxWorkKind = 7777;       // "Хоз. работы"
inline constexpr int AveragePieceKind = 7778;  // "Ср. сдельная"

// One entry of the auxiliary-work card.
struct TAuxEntry {
    int GroupId = 0;     // nomenclature group (cmn_classifier.item.id)
    int Kind = AuxWorkKind;
    int PersonId = 0;
    int Hours = 0;
    double Price = 0;    // price of one hour, weekend and night factors applied
    bool Holiday = false;
    bool Night = false;
    TDateTime Date = 0;  // the day (a new row only; an edited row keeps its day)
    int Shift = 1;
};

// The price of one hour: the kind's norm price, doubled on a weekend, then times 1.2 at night.
double AuxHourPrice(double NormPrice, bool Weekend, bool Night);

// Writes an entry: EditId 0 inserts a new row, any other id updates that row (its date, month,
// year and shift stay). The day cells of the row's worker, kind, group, night flag and day are
// summed again, for an update both the cell the row leaves and the one it goes to. Returns the
// row's id. Raises EDatabaseError when the edited row no longer exists.
int SaveAuxEntry(TADOConnection* Connection, const TAuxEntry& Entry, int EditId);

// Deletes the row Id and sums its day cell again (the hours of the day's remaining rows of the
// same worker, kind, group and night flag; the other days of the month row stay). Returns false
// when no such row exists (nothing written).
bool DeleteAuxEntry(TADOConnection* Connection, int Id);

// Sets the price of every average-piece-rate row (kind 7778) of the month from the worker's
// piece work of that month (accounts_dep.smena, helper rows included): the sum of
// (quantity - defects) x piece price x (1 + 0.2 x night flag) x (2 on a weekend row, else 1)
// over the sum of their hours, as numeric(10,2); 0 when the worker has no piece work or no hours.
// Rows of kind 7777 keep their price. Returns the rows updated.
int RecomputeAveragePieceRate(TADOConnection* Connection, int Month, int Year);
