// Helpers of the report printer tests: a fake printer backend installed for one test, and the
// texts of a page metafile.
#pragma once

#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/testing/fakeprinter.h"

#include <QStringList>

// Installs a fake backend with the given devices (the application-wide printer object is made
// again over it) and puts the previous backend back afterwards.
class TFakePrinterScope {
public:
    explicit TFakePrinterScope(std::vector<TPrinterDevice> Devices = {TFakePrinterBackend::Device(QStringLiteral("Fake A"))}) {
        Backend.Table = std::move(Devices);
        FPrevious = SetPrinterBackend(&Backend);
        SetPrinter(nullptr);
    }
    ~TFakePrinterScope() {
        SetPrinter(nullptr);
        SetPrinterBackend(FPrevious == QtPrinterBackend() ? nullptr : FPrevious);
    }
    TFakePrinterScope(const TFakePrinterScope&) = delete;
    TFakePrinterScope& operator=(const TFakePrinterScope&) = delete;

    TFakePrinterBackend Backend;

private:
    TPrinterBackend* FPrevious;
};

// The strings of the text records of a metafile, in order.
inline QStringList MetafileTexts(const QByteArray& Data) {
    QStringList texts;
    EnumEnhMetaFile(Data, [&texts](const TEnhMetaRecord& R) {
        TEnhMetaText t;
        if (DecodeExtTextOutW(R, t)) texts << t.Text;
        return true;
    });
    return texts;
}
