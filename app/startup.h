// Start-up of the client: the long-lived windows in their fixed order, and their end.
#pragma once

// Creates the 30 windows through the application's create-form call, main work window first
// (whose creation makes the data module, connects and makes the login window, which thereby
// becomes the application's main window).
void CreateApplicationForms();
// Frees every window and the data module and clears their global references.
void FreeApplicationForms();
