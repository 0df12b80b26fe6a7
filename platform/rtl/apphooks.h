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

// A long wait of code below the window framework (a statement on the server), on the UI thread.
// LongWaitBegin shows the wait cursor and starts holding back the user's input, watching for
// Escape; LongWaitPoll keeps the windows painted (it handles what is pending and returns at once)
// and answers true once the user has pressed Escape; LongWaitEnd puts things back. Waits may
// nest. Unset (no window framework), a wait simply waits.
extern void (*LongWaitBegin)();
extern bool (*LongWaitPoll)();
extern void (*LongWaitEnd)();
