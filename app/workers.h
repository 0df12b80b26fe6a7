// The statements of the workers directory (accounts_dep.person): the worker card's save and the
// list's delete, with bound values (a name or position text is stored exactly as typed).
#pragma once

#include "platform/ado/adodb.h"

#include <optional>

// Id 0 inserts a worker, any other id updates that worker. Position is the department text the
// card shows; without one (the card's department lookup was not touched) an update keeps the
// stored position text and an insert stores an empty one.
void SaveWorker(TADOConnection* Connection, int Id, const String& Name, const std::optional<String>& Position);
// Deletes the worker unless production records or auxiliary works name them (false: nothing
// deleted).
bool DeleteWorker(TADOConnection* Connection, int Id);
// The list's message of a refused delete.
inline const String WorkerInUseMessage = QStringLiteral("У работника есть записи о выработке.");
