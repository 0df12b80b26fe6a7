// Hooks through which code below the window framework reaches the application without knowing
// windows; the window framework installs them when its application object is made.
#pragma once

class TObject;

// Reports the exception being handled (call it inside a catch block) on behalf of Sender the way
// the application does (TApplication::HandleException). Unset, the exception is dropped.
extern void (*ApplicationHandleException)(TObject* Sender);
