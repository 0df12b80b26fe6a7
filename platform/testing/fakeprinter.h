// The fake printer backend: a test double of the printer backend (platform/gui/printers.h).
#pragma once

#include "platform/gui/printers.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

// A backend for tests: the devices of its table; every job's sheets recorded as metafiles.
class TFakePrinterBackend : public TPrinterBackend {
public:
    struct TJob {
        String Device;
        String Title;
        String FileName;
        TDeviceMode Mode;
        std::vector<QByteArray> Sheets;  // one enhanced metafile per sheet, at the device resolution
        bool Ended = false;
        bool Aborted = false;
    };
    std::vector<TPrinterDevice> Table;
    int Default = 0;
    bool RefuseJobs = false;        // BeginJob fails
    // Called after each sheet a job finished by moving to the next one, with the job's sheet count.
    std::function<void(int Sheets)> OnNewSheet;
    std::vector<TJob> Jobs;

    // A device of the table with every field supported, the given papers and bins, 600 dpi and
    // margins of 4 mm.
    static TPrinterDevice Device(const String& Name, std::vector<int> Papers = {1, 9, 11, 8},
                                 std::vector<int> Bins = {DMBIN_AUTO, DMBIN_UPPER, DMBIN_LOWER, DMBIN_CASSETTE});

    std::vector<TPrinterDevice> Devices() override { return Table; }
    int DefaultDevice() override { return Table.empty() ? -1 : Default; }
    std::unique_ptr<TPrintJob> BeginJob(const TPrinterDevice& Device, const TDeviceMode& Mode, const String& Title,
                                        const String& FileName) override;
};
