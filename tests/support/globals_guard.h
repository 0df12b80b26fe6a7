// The process-wide settings a test may replace, saved when a test starts and put back when it
// ends, so no test sees what another one left behind: the format settings and the clock, and in
// the executables with windows the modal responder, the system metrics, the double-click time,
// the hint pause, the screen's work area, the printer backend and the application's printer object
// (freed, so the next test that prints starts from a fresh one). The test entry point keeps one guard around every
// test; a test that changes a setting for part of its body may keep one of its own.
#pragma once

#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#ifdef SDELKA_TEST_WINDOWS
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/hints.h"
#include "platform/gui/printers.h"
#endif

namespace sdelka::test {

class TGlobalsGuard {
public:
    TGlobalsGuard()
        : FFormat(FormatSettings)
#ifdef SDELKA_TEST_WINDOWS
        , FResponder(Responder()), FDoubleClickTime(GetDoubleClickTime()), FHintHidePause(HintHidePause()),
          FPrinterBackend(PrinterBackend())
#endif
    {
    }
    ~TGlobalsGuard() {
        FormatSettings = FFormat;
        SetClock(nullptr);
#ifdef SDELKA_TEST_WINDOWS
        SetResponder(FResponder);
        ResetSystemMetrics();
        SetDoubleClickTime(FDoubleClickTime);
        SetHintHidePause(FHintHidePause);
        if (Screen) Screen->ResetWorkAreaRect();
        SetPrinter(nullptr);
        SetPrinterBackend(FPrinterBackend == QtPrinterBackend() ? nullptr : FPrinterBackend);
#endif
    }
    TGlobalsGuard(const TGlobalsGuard&) = delete;
    TGlobalsGuard& operator=(const TGlobalsGuard&) = delete;

private:
    TFormatSettings FFormat;
#ifdef SDELKA_TEST_WINDOWS
    TResponder* FResponder;
    unsigned FDoubleClickTime;
    int FHintHidePause;
    TPrinterBackend* FPrinterBackend;
#endif
};

}  // namespace sdelka::test
