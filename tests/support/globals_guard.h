// The process-wide settings a test may replace, saved when a test starts and put back when it
// ends, so no test sees what another one left behind: the format settings, the clock and the C and
// Qt locales; in the executables with windows the modal responder, the system metrics, the
// double-click time, the hint pause, the screen's work area, the printer backend, the application's
// printer object (freed, so the next test that prints starts from a fresh one) and the clipboard
// (the object and what it holds); where the office library is linked, the spreadsheet opener and
// whether the spreadsheet application is available. The test entry point keeps one guard around
// every test; a test that changes a setting for part of its body may keep one of its own.
//
// LeftOpen() names the windows a test left showing (a form: its class, name and caption; another
// window: its class and title) and hides them, so that the entry point can fail the test.
#pragma once

#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"

#include <QLocale>
#include <QStringList>
#include <clocale>
#include <string>
#ifdef SDELKA_TEST_WINDOWS
#include "platform/gui/clipbrd.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/hints.h"
#include "platform/gui/messages.h"
#include "platform/gui/printers.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QWidget>
#include <memory>
#endif
#ifdef SDELKA_TEST_OFFICE
#include "platform/office/excel.h"
#endif

namespace sdelka::test {

class TGlobalsGuard {
public:
    TGlobalsGuard()
        : FFormat(FormatSettings), FLocale(), FCLocale(std::setlocale(LC_ALL, nullptr))
#ifdef SDELKA_TEST_WINDOWS
        , FResponder(Responder()), FDoubleClickTime(GetDoubleClickTime()), FHintHidePause(HintHidePause()),
          FPrinterBackend(PrinterBackend()), FClipboard(Clipboard())
#endif
    {
#ifdef SDELKA_TEST_WINDOWS
        FClipboardData = CopyOf(QApplication::clipboard()->mimeData());
#endif
#ifdef SDELKA_TEST_OFFICE
        FExcelOpener = SetExcelFileOpener(nullptr);
        SetExcelFileOpener(FExcelOpener);
        FExcelAvailable = SetExcelAvailable(true);
        SetExcelAvailable(FExcelAvailable);
#endif
    }
    ~TGlobalsGuard() {
        FormatSettings = FFormat;
        SetClock(nullptr);
        if (QLocale() != FLocale) QLocale::setDefault(FLocale);
        if (FCLocale != std::setlocale(LC_ALL, nullptr)) std::setlocale(LC_ALL, FCLocale.c_str());
#ifdef SDELKA_TEST_WINDOWS
        SetResponder(FResponder);
        ResetSystemMetrics();
        SetDoubleClickTime(FDoubleClickTime);
        SetHintHidePause(FHintHidePause);
        if (Screen) Screen->ResetWorkAreaRect();
        SetPrinter(nullptr);
        SetPrinterBackend(FPrinterBackend == QtPrinterBackend() ? nullptr : FPrinterBackend);
        // a clipboard object the test put in place is the test's to free
        SetClipboard(FClipboard);
        QClipboard* Board = QApplication::clipboard();
        if (!SameData(Board->mimeData(), FClipboardData.get())) {
            if (FClipboardData) Board->setMimeData(FClipboardData.release());
            else Board->clear();
        }
#endif
#ifdef SDELKA_TEST_OFFICE
        SetExcelFileOpener(FExcelOpener);
        SetExcelAvailable(FExcelAvailable);
#endif
    }
    TGlobalsGuard(const TGlobalsGuard&) = delete;
    TGlobalsGuard& operator=(const TGlobalsGuard&) = delete;

    // The windows left showing, hidden now ("" when none). A form that released itself goes
    // first (its release is a posted message).
    static std::string LeftOpen() {
        QStringList Names;
#ifdef SDELKA_TEST_WINDOWS
        DispatchPostedMessages();
        for (int i = 0; Screen && i < Screen->FormCount(); ++i) {
            TCustomForm* F = Screen->Forms(i);
            if (!F->Visible()) continue;
            Names << QStringLiteral("%1 \"%2\" (%3)").arg(F->ClassName(), F->Name(), F->Caption());
            F->Hide();
        }
        for (QWidget* W : QApplication::topLevelWidgets()) {
            if (!W->isVisible()) continue;
            Names << QStringLiteral("%1 \"%2\" (%3)")
                         .arg(QString::fromLatin1(W->metaObject()->className()), W->objectName(), W->windowTitle());
            W->hide();
        }
#endif
        return Names.join(QStringLiteral(", ")).toStdString();
    }

private:
#ifdef SDELKA_TEST_WINDOWS
    static std::unique_ptr<QMimeData> CopyOf(const QMimeData* Data) {
        if (!Data || Data->formats().isEmpty()) return nullptr;
        auto Copy = std::make_unique<QMimeData>();
        for (const QString& F : Data->formats()) Copy->setData(F, Data->data(F));
        return Copy;
    }
    static bool SameData(const QMimeData* A, const QMimeData* B) {
        const QStringList FA = A ? A->formats() : QStringList(), FB = B ? B->formats() : QStringList();
        if (FA != FB) return false;
        for (const QString& F : FA)
            if (A->data(F) != B->data(F)) return false;
        return true;
    }
#endif

    TFormatSettings FFormat;
    QLocale FLocale;
    std::string FCLocale;
#ifdef SDELKA_TEST_WINDOWS
    TResponder* FResponder;
    unsigned FDoubleClickTime;
    int FHintHidePause;
    TPrinterBackend* FPrinterBackend;
    TClipboard* FClipboard;
    std::unique_ptr<QMimeData> FClipboardData;
#endif
#ifdef SDELKA_TEST_OFFICE
    TExcelFileOpener FExcelOpener;
    bool FExcelAvailable = true;
#endif
};

}  // namespace sdelka::test
