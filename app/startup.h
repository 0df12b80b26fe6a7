// Start-up of the client: the long-lived windows in their fixed order, and their end.
#pragma once

#include "platform/rtl/system.h"

// The message of a database error that reaches the user: a Russian lead line, then the server's
// own message.
inline const String DatabaseErrorLead = QStringLiteral("Ошибка базы данных: действие не выполнено, ничего не записано.");

// Creates the 30 windows through the application's create-form call, main work window first
// (whose creation makes the data module, connects and makes the login window, which thereby
// becomes the application's main window). Errors that escape an action are shown from then on
// with the caption "Ошибка"; a database error leads with DatabaseErrorLead.
void CreateApplicationForms();
// Frees every window and the data module and clears their global references.
void FreeApplicationForms();
