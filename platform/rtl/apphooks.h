// Hooks through which code below the window framework reaches the application without knowing
// windows; the window framework installs them when its application object is made.
#pragma once

class TObject;

// Reports the exception being handled (call it inside a catch block) on behalf of Sender the way
// the application does (TApplication::HandleException). Unset, the exception is dropped.
extern void (*ApplicationHandleException)(TObject* Sender);

// Sends a message with no parameters to every form on the screen and to every control that a
// form owns, at any depth (how a change of language or settings reaches the windows). Unset, when
// no window framework is linked, there is no window to tell.
extern void (*ApplicationBroadcastToForms)(unsigned Msg);
