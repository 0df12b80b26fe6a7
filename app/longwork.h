// Database work that may take longer than a window may stand still (a period report's query, a
// timesheet's opening query, a month's rebuild). It runs on a thread of its own while the UI thread
// keeps its event loop: a small window with the work's caption and "Отмена" shows from the start,
// the windows take no input meanwhile, and Escape or "Отмена" asks the data layer to cancel the
// statement on the server (through the canceller installed below). Cancelled work leaves
// everything as it was (a dataset it opened stays closed, a transaction it began is rolled back by
// its own scope) and says nothing; any other error is raised again on the UI thread.
//
// The work must touch no window: it opens datasets that no control watches (RunLongOpen) and runs
// statements. While it runs, the connection belongs to it: LongWorkRunning tells the UI
// thread's own timers to leave the database alone.
#pragma once

#include "platform/rtl/system.h"

#include <functional>

class TADOConnection;
class TDataSet;

// Cancels the statement running on a connection, from the UI thread while another thread waits
// for it; the waiting call then fails.
using TStatementCanceller = std::function<void(TADOConnection* Connection)>;
// Installs the data layer's cancel; returns the previous one. Without one, "Отмена" only stops
// the waiting once the statement has ended, and the work's result is dropped.
TStatementCanceller SetStatementCanceller(TStatementCanceller Canceller);

// Runs Work as above; true when it ran to its end, false when the user cancelled it.
bool RunLongWork(TADOConnection* Connection, const String& Caption, const std::function<void()>& Work);

// Opens a dataset as long work, its data sources (and so its controls) let go of it while it
// opens and given it back after; a cancelled open leaves it closed. True when it is open.
bool RunLongOpen(TDataSet* Data, TADOConnection* Connection, const String& Caption);

// Whether long work runs (its connection is taken).
bool LongWorkRunning();
