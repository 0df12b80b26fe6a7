#include "platform/testing/fakeprinter.h"

#include "platform/gui/metafile.h"

#include <cmath>

namespace {

class TFakePrintJob : public TPrintJob {
public:
    TFakePrintJob(TFakePrinterBackend* ABackend, size_t AIndex, TPrinterGeometry AGeometry)
        : FBackend(ABackend), FIndex(AIndex), FGeometry(AGeometry) {
        Open();
    }
    HDC DC() override { return FRecorder.get(); }
    void NewPage() override {
        Close();
        Open();
        if (FBackend->OnNewSheet) FBackend->OnNewSheet(static_cast<int>(FBackend->Jobs[FIndex].Sheets.size()));
    }
    bool End() override {
        Close();
        FBackend->Jobs[FIndex].Ended = true;
        return true;
    }
    void Abort() override {
        FRecorder.reset();
        FBackend->Jobs[FIndex].Aborted = true;
    }

private:
    void Open() {
        FRecorder = std::make_unique<TMetafileDC>(FGeometry.DpiX, FGeometry.DpiY, FGeometry.Printable);
    }
    void Close() {
        if (!FRecorder) return;
        const TRect frame(0, 0, static_cast<int>(std::lround(FGeometry.Printable.cx * 2540.0 / FGeometry.DpiX)),
                          static_cast<int>(std::lround(FGeometry.Printable.cy * 2540.0 / FGeometry.DpiY)));
        FBackend->Jobs[FIndex].Sheets.push_back(FRecorder->Finish(&frame));
        FRecorder.reset();
    }

    TFakePrinterBackend* FBackend;
    size_t FIndex;
    TPrinterGeometry FGeometry;
    std::unique_ptr<TMetafileDC> FRecorder;
};

}  // namespace

TPrinterDevice TFakePrinterBackend::Device(const String& Name, std::vector<int> Papers, std::vector<int> Bins) {
    TPrinterDevice d;
    d.Name = Name;
    d.Driver = QStringLiteral("Fake");
    d.Port = QStringLiteral("FAKE:");
    d.Fields = AllDeviceModeFields;
    d.Papers = std::move(Papers);
    d.Bins = std::move(Bins);
    d.MarginX = d.MarginY = 40;
    return d;
}

std::unique_ptr<TPrintJob> TFakePrinterBackend::BeginJob(const TPrinterDevice& Device, const TDeviceMode& Mode,
                                                         const String& Title, const String& FileName) {
    if (RefuseJobs) return nullptr;
    TJob job;
    job.Device = Device.Name;
    job.Title = Title;
    job.FileName = FileName;
    job.Mode = Mode;
    Jobs.push_back(job);
    return std::make_unique<TFakePrintJob>(this, Jobs.size() - 1, PrinterGeometry(Device, Mode));
}
