// The writes of the reference directories: operation kinds, products, nomenclature groups and
// operations. Every write is one transaction on the data module's connection; its duplicate check
// runs inside it under a transaction-scoped advisory lock on the value checked, so two clients
// cannot both store the same name. A duplicate is answered (false), never shown: the window says
// so after the transaction has ended. All values go to the server as bound parameters, and a
// failing statement rolls the whole action back and comes out as the server's EDatabaseError.
#pragma once

#include "platform/ado/adodb.h"

// ---- operation kinds (accounts_dep.vid_oper) -------------------------------------------------

// The windows' messages of a refused duplicate.
inline const String DuplicateKindMessage = QStringLiteral("Такая операция уже заведена!");
inline const String DuplicateProductMessage = QStringLiteral("Такая марка изделия уже заведена!");
inline const String DuplicateOperationMessage = QStringLiteral("Операция с такими параметрами уже заведена!");
// The windows' messages of a refused delete.
inline const String KindInUseMessage = QStringLiteral("Вид операции используется в расценках.");
inline const String OperationInUseMessage = QStringLiteral("По операции есть записи о выработке.");

// Stores a kind: Id 0 inserts a new one, otherwise renames kind Id. A name that another kind
// already has (letter case ignored) writes nothing; the answer is then false.
bool SaveOperationKind(TADOConnection* Connection, int Id, const String& Name);
// Deletes kind Id unless operations use it (false: nothing deleted).
bool DeleteOperationKind(int Id);

// ---- products (cmn_gds_and_srv.gds_and_srv, read through accounts_dep.izdel) -----------------

// Stores a product: Id 0 inserts, otherwise updates goods row Id; s_description is empty and
// id_msm_bs 6; Massa is bound as a number. A mark another product has (letter case ignored)
// writes nothing (false).
bool SaveProduct(TADOConnection* Connection, int Id, const String& Mark, double Massa, const Variant& GroupId);

// What uses a product: its operations, and its production records since StartDate.
struct TProductUse {
    int Operations = 0;
    int Records = 0;
};
TProductUse ProductUse(int Id, TDateTime StartDate);

// Deletes what the user agreed to, in one transaction: the product's operations, its production
// records (their timesheet day cells summed again) and the goods row itself.
void DeleteProductParts(int Id, bool Operations, bool Records, bool Product);

// ---- nomenclature groups (cmn_classifier.item) ------------------------------------------------

// Stores a group: Id 0 inserts, otherwise updates item Id.
void SaveGroup(int Id, const String& Caption, bool Excluded);

// Products of the group, its auxiliary-work rows, and production records of its products.
struct TGroupUse {
    int Products = 0;
    int Auxiliary = 0;
    int Records = 0;
};
TGroupUse GroupUse(int Id);
void DeleteGroup(int Id);

// ---- operations (accounts_dep.oper) -------------------------------------------------------------

// Stores an operation: Id 0 inserts one with cena_new 0, otherwise updates kind, state and
// product of operation Id (cena_new kept). Another operation with the same kind, state and
// product writes nothing (false).
bool SaveOperation(TADOConnection* Connection, int Id, int KindId, int Naimen, int ProductId);
// Deletes the operation through the data module's Oper_del unless production records use it
// (false: nothing deleted).
bool DeleteOperation(int Id);
