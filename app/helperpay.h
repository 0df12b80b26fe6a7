// The helper additional pay of a production record: further workers ("Подсобный рабочий",
// "Оператор покраски") paid from the record's hourly earnings. Helpers are collected in
// accounts_dep.person_temp under the record card's key; saving turns each into a row of
// accounts_dep.smena with the operation 7779 and removes the collected rows, in one transaction.
#pragma once

#include "platform/ado/adodb.h"

class TForm11;

inline constexpr int HelperOperation = 7779;

// Messages of the helper section.
inline const String HelperNotSavedMessage = QStringLiteral("Невозможно сохранить данные в БД!");
inline const String HelperNoRecordHoursMessage = QStringLiteral("Время по позиции должно быть больше 0!");

// The factor of a helper kind: 0.7 for "Подсобный рабочий" (0), 1.2 for "Оператор покраски" (1).
double HelperFactor(int Kind);
// A helper's rate per hour: factor x piece price x (quantity - defects) / record hours, rounded to
// 2 decimals (ties to even). Hours must be above 0.
double HelperRate(int Kind, double Price, int Quantity, int Defects, int Hours);

// Collects a helper under a record card's key.
void AddHelper(TADOConnection* Connection, int RecordKey, int PersonId, double Rate, int Hours);
// Removes one collected helper (the row's key).
void RemoveHelper(TADOConnection* Connection, int TempId);
// Removes every helper still collected under a key.
void DropHelpers(TADOConnection* Connection, int RecordKey);

// The record the helpers are paid on.
struct THelperRecord {
    int RecordKey = 0;
    int ProductId = 0;
    TDateTime Date = 0;
    int Shift = 1;
    int Colour = 0;
    int DocId = 0;
    int DocItemId = 0;
    double QtyUse = 0;
    int GdsUse = 0;
    int ConsUse = 0;
    TDateTime Today = 0;
};
// Turns every helper collected under the record's key into a record row (worker the helper,
// operation 7779, price hours x rate, quantity 1, defects 0, hours the helper's hours, acceptance
// "no") and removes the collected rows, in one transaction. Returns the rows written.
int SaveHelpers(TADOConnection* Connection, const THelperRecord& Rec);

// Wires the record card's helper section: "Доп. оплата", "Добавить" (refused while the record has
// no hours, before a worker is picked; the pick asks the helper's hours), "Удалить", "Сохранить"
// and the removal of the collected helpers when the card closes.
void WireHelperSection(TForm11* Card);
