#include "platform/gui/printers.h"

#include "platform/gui/canvas.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/lists.h"

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

namespace {

// Paper codes 1..68 of the device mode: width and length in millimetres, portrait.
struct TPaperRow {
    double Width, Length;
};
constexpr TPaperRow PaperTable[68] = {
    {215.9, 279.4}, {215.9, 279.4}, {279.4, 431.8}, {431.8, 279.4}, {215.9, 355.6}, {139.7, 215.9},
    {190.5, 254},   {297, 420},     {210, 297},     {210, 297},     {148, 210},     {250, 354},
    {182, 257},     {215.9, 330.2}, {215, 275},     {254, 355.6},   {279.4, 431.8}, {215.9, 279.4},
    {98.43, 225.4}, {104.8, 241.3}, {114.3, 263.5}, {120.7, 279.4}, {127, 292.1},   {431.8, 558.8},
    {558.8, 863.6}, {863.6, 1117.6}, {110, 220},    {162, 229},     {324, 458},     {229, 324},
    {114, 162},     {114, 229},     {250, 353},     {176, 250},     {176, 125},     {110, 230},
    {98.43, 190.5}, {92.01, 165.1}, {377.8, 279.4}, {215.9, 304.8}, {215.9, 330.2}, {250, 353},
    {100, 148},     {228.6, 279.4}, {254, 279.4},   {381, 279.4},   {220, 220},     {100, 100},
    {100, 100},     {241.3, 304.8}, {241.3, 381},   {296.9, 457.2}, {236, 322},     {279.4, 215.9},
    {297, 210},     {304.8, 241.3}, {227, 356},     {305, 487},     {215.9, 322.3}, {210, 330},
    {210, 148},     {257, 182},     {322, 445},     {174, 235},     {201, 276},     {420, 594},
    {420, 297},     {445, 322}};

constexpr unsigned AllFields = AllDeviceModeFields;

// The paper of a device mode in millimetres, portrait.
void ModePaper(const TDeviceMode& Mode, double& W, double& L) {
    if (Mode.dmPaperSize != DMPAPER_USER && DevicePaperDimensions(Mode.dmPaperSize, W, L)) return;
    if (Mode.dmPaperWidth > 0 && Mode.dmPaperLength > 0) {
        W = Mode.dmPaperWidth / 10.0;
        L = Mode.dmPaperLength / 10.0;
        return;
    }
    W = 210;
    L = 297;
}

// The first paper code with these dimensions (within half a millimetre), or 0.
int PaperCodeOf(double W, double L) {
    for (int i = 0; i < 68; ++i) {
        if (std::fabs(PaperTable[i].Width - W) < 0.5 && std::fabs(PaperTable[i].Length - L) < 0.5) return i + 1;
    }
    return 0;
}

// ---- the standard backend ----------------------------------------------------------------------

QPrinter::PaperSource PaperSourceOf(int Bin) {
    if (Bin >= DMBIN_UPPER && Bin <= DMBIN_LARGECAPACITY) return static_cast<QPrinter::PaperSource>(Bin - 1);
    if (Bin == DMBIN_CASSETTE) return QPrinter::Cassette;
    if (Bin == DMBIN_FORMSOURCE) return QPrinter::FormSource;
    return QPrinter::Auto;
}

class TQtPrintJob : public TPrintJob {
public:
    TQtPrintJob(std::unique_ptr<QPrinter> APrinter, String AFile) : FPrinter(std::move(APrinter)), FFile(std::move(AFile)) {}
    bool Start() {
        if (!FPainter.begin(FPrinter.get())) return false;
        FDC = std::make_unique<TPainterDC>(&FPainter);
        return true;
    }
    ~TQtPrintJob() override {
        FDC.reset();
        if (FPainter.isActive()) FPainter.end();
    }
    HDC DC() override { return FDC.get(); }
    void NewPage() override {
        // A fresh sheet starts from the default drawing state, as a new page of a device does.
        FDC.reset();
        FPrinter->newPage();
        FDC = std::make_unique<TPainterDC>(&FPainter);
    }
    bool End() override {
        FDC.reset();
        return FPainter.end();
    }
    void Abort() override {
        FDC.reset();
        FPrinter->abort();
        if (FPainter.isActive()) FPainter.end();
        if (!FFile.isEmpty()) QFile::remove(FFile);
    }

private:
    std::unique_ptr<QPrinter> FPrinter;
    QPainter FPainter;
    std::unique_ptr<TPainterDC> FDC;
    String FFile;
};

class TQtPrinterBackend : public TPrinterBackend {
public:
    std::vector<TPrinterDevice> Devices() override {
        std::vector<TPrinterDevice> result;
        for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
            TPrinterDevice d;
            d.Name = info.printerName();
            d.Driver = info.makeAndModel();
            d.Port = info.location();
            d.Fields = AllFields;
            for (const QPageSize& ps : info.supportedPageSizes()) {
                const QSizeF mm = ps.size(QPageSize::Millimeter);
                const int code = PaperCodeOf(mm.width(), mm.height());
                if (code && std::find(d.Papers.begin(), d.Papers.end(), code) == d.Papers.end()) d.Papers.push_back(code);
            }
            if (info.supportsCustomPageSizes()) d.Papers.push_back(DMPAPER_USER);
            d.Bins = {DMBIN_AUTO, DMBIN_UPPER, DMBIN_LOWER, DMBIN_MANUAL};
            int dpi = 0;
            for (int r : info.supportedResolutions()) dpi = std::max(dpi, r);
            d.DpiX = d.DpiY = dpi > 0 ? std::min(dpi, 1200) : 600;
            {
                QPrinter p(info, QPrinter::HighResolution);
                const QMarginsF m = p.pageLayout().minimumMargins();
                const double toTenths = p.pageLayout().units() == QPageLayout::Millimeter ? 10.0 : 254.0 / 72.0;
                d.MarginX = static_cast<int>(std::lround(m.left() * toTenths));
                d.MarginY = static_cast<int>(std::lround(m.top() * toTenths));
            }
            const QSizeF mm = info.defaultPageSize().size(QPageSize::Millimeter);
            const int code = PaperCodeOf(mm.width(), mm.height());
            d.Defaults.dmPaperSize = code ? code : DMPAPER_USER;
            d.Defaults.dmPaperWidth = static_cast<int>(std::lround(mm.width() * 10));
            d.Defaults.dmPaperLength = static_cast<int>(std::lround(mm.height() * 10));
            switch (info.defaultDuplexMode()) {
            case QPrinter::DuplexLongSide: d.Defaults.dmDuplex = DMDUP_VERTICAL; break;
            case QPrinter::DuplexShortSide: d.Defaults.dmDuplex = DMDUP_HORIZONTAL; break;
            default: d.Defaults.dmDuplex = DMDUP_SIMPLEX; break;
            }
            d.Defaults.dmColor = info.defaultColorMode() == QPrinter::GrayScale ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR;
            result.push_back(std::move(d));
        }
        TPrinterDevice pdf;
        pdf.Name = PdfFilePrinterName();
        pdf.Driver = QStringLiteral("PDF");
        pdf.Port = QStringLiteral("FILE:");
        pdf.Fields = AllFields;
        for (int code = 1; code <= 68; ++code) pdf.Papers.push_back(code);
        pdf.Papers.push_back(DMPAPER_USER);
        pdf.Bins = {DMBIN_AUTO};
        pdf.WritesFile = true;
        result.push_back(std::move(pdf));
        return result;
    }

    int DefaultDevice() override {
        const String name = QPrinterInfo::defaultPrinterName();
        const auto list = QPrinterInfo::availablePrinterNames();
        const int i = static_cast<int>(list.indexOf(name));
        return i >= 0 ? i : static_cast<int>(list.size());  // the PDF printer stands after the others
    }

    std::unique_ptr<TPrintJob> BeginJob(const TPrinterDevice& Device, const TDeviceMode& Mode, const String& Title,
                                        const String& FileName) override {
        std::unique_ptr<QPrinter> p;
        if (Device.WritesFile) {
            p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(FileName);
            p->setResolution(Device.DpiX);
        } else {
            p = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(Device.Name), QPrinter::HighResolution);
            if (!p->isValid()) return nullptr;
            p->setOutputFormat(QPrinter::NativeFormat);
            p->setResolution(Mode.dmPrintQuality > 0 ? Mode.dmPrintQuality : Device.DpiX);
        }
        p->setDocName(Title);
        double w, l;
        ModePaper(Mode, w, l);
        const QPageSize size(QSizeF(w, l), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
        const QPageLayout layout(size,
                                 Mode.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait,
                                 QMarginsF(Device.MarginX / 10.0, Device.MarginY / 10.0, Device.MarginX / 10.0,
                                           Device.MarginY / 10.0),
                                 QPageLayout::Millimeter);
        p->setPageLayout(layout);
        p->setFullPage(false);
        p->setCopyCount(std::max(1, Mode.dmCopies));
        p->setCollateCopies(Mode.dmCollate == DMCOLLATE_TRUE);
        p->setColorMode(Mode.dmColor == DMCOLOR_MONOCHROME ? QPrinter::GrayScale : QPrinter::Color);
        p->setDuplex(Mode.dmDuplex == DMDUP_VERTICAL     ? QPrinter::DuplexLongSide
                     : Mode.dmDuplex == DMDUP_HORIZONTAL ? QPrinter::DuplexShortSide
                                                         : QPrinter::DuplexNone);
        if (!Device.WritesFile) p->setPaperSource(PaperSourceOf(Mode.dmDefaultSource));
        auto job = std::make_unique<TQtPrintJob>(std::move(p), Device.WritesFile ? FileName : String());
        if (!job->Start()) return nullptr;
        return job;
    }
};

TPrinterBackend* GBackend = nullptr;
TPrinter* GPrinter = nullptr;

}  // namespace

bool DevicePaperDimensions(int Code, double& Width, double& Length) {
    if (Code < 1 || Code > 68) return false;
    Width = PaperTable[Code - 1].Width;
    Length = PaperTable[Code - 1].Length;
    return true;
}

TPrinterGeometry PrinterGeometry(const TPrinterDevice& Device, const TDeviceMode& Mode) {
    TPrinterGeometry g;
    g.DpiX = Device.DpiX > 0 ? Device.DpiX : 600;
    g.DpiY = Device.DpiY > 0 ? Device.DpiY : 600;
    double w, l;
    ModePaper(Mode, w, l);
    if (Mode.dmOrientation == DMORIENT_LANDSCAPE) std::swap(w, l);
    g.Physical = TSize(static_cast<int>(std::lround(w / 25.4 * g.DpiX)), static_cast<int>(std::lround(l / 25.4 * g.DpiY)));
    g.Offset = TPoint(static_cast<int>(std::lround(Device.MarginX / 254.0 * g.DpiX)),
                      static_cast<int>(std::lround(Device.MarginY / 254.0 * g.DpiY)));
    g.Printable = TSize(std::max(1, g.Physical.cx - 2 * g.Offset.X), std::max(1, g.Physical.cy - 2 * g.Offset.Y));
    return g;
}

String PdfFilePrinterName() { return QStringLiteral("PDF file"); }

TPrinterBackend* QtPrinterBackend() {
    static TQtPrinterBackend backend;
    return &backend;
}

TPrinterBackend* PrinterBackend() { return GBackend ? GBackend : QtPrinterBackend(); }

TPrinterBackend* SetPrinterBackend(TPrinterBackend* Backend) {
    TPrinterBackend* old = PrinterBackend();
    GBackend = Backend;
    return old;
}

// ---- TPrinter ----------------------------------------------------------------------------------

TPrinter::TPrinter() {
    FPrinters = New<TStringList>();
    Refresh();
    SetPrinterIndex(-1);
}

TPrinter::~TPrinter() {
    if (FJob) {
        try {
            FJob->Abort();
        } catch (...) {
        }
        FJob.reset();
    }
    ReleaseCanvas();
    FreeAndNil(FPrinters);
}

void TPrinter::ReleaseCanvas() {
    if (FCanvas) FCanvas->SetHandle(nullptr);
    FreeAndNil(FCanvas);
    FInfoDC.reset();
}

TStrings* TPrinter::Printers() { return FPrinters; }

void TPrinter::Refresh() {
    if (FJob) return;  // the list stays while a job runs on it
    const String current = Device() ? Device()->Name : String();
    FDevices = PrinterBackend()->Devices();
    FPrinters->Clear();
    for (const TPrinterDevice& d : FDevices) FPrinters->Add(d.Name);
    int keep = -1;
    for (size_t i = 0; i < FDevices.size(); ++i)
        if (!current.isEmpty() && FDevices[i].Name == current) keep = static_cast<int>(i);
    if (keep >= 0) {
        FPrinterIndex = keep;
    } else if (FPrinterIndex >= 0) {
        SetPrinterIndex(-1);
    }
}

void TPrinter::SetPrinterIndex(int Value) {
    if (FJob) throw EPrinter(QStringLiteral("Printing in progress"));
    if (Value == -1) {
        if (FDevices.empty()) {
            FPrinterIndex = -1;
            return;
        }
        Value = PrinterBackend()->DefaultDevice();
        if (Value < 0 || Value >= static_cast<int>(FDevices.size())) Value = 0;
    }
    if (Value < 0 || Value >= static_cast<int>(FDevices.size()))
        throw EPrinter(QStringLiteral("Printer index out of range"));
    SelectDevice(Value);
}

void TPrinter::SelectDevice(int Index) {
    FPrinterIndex = Index;
    FMode = FDevices[Index].Defaults;
    FMode.dmDeviceName = FDevices[Index].Name;
    FMode.dmFields = FDevices[Index].Fields;
    FInfoDC.reset();
    if (FCanvas) FCanvas->SetHandle(nullptr);
}

const TPrinterDevice* TPrinter::Device() const {
    if (FPrinterIndex < 0 || FPrinterIndex >= static_cast<int>(FDevices.size())) return nullptr;
    return &FDevices[FPrinterIndex];
}

unsigned TPrinter::SupportedFields() const { return Device() ? Device()->Fields : 0; }
std::vector<int> TPrinter::Papers() const { return Device() ? Device()->Papers : std::vector<int>(); }
std::vector<int> TPrinter::Bins() const { return Device() ? Device()->Bins : std::vector<int>(); }

TPrinterGeometry TPrinter::Geometry() const {
    if (!Device()) return TPrinterGeometry{};
    return PrinterGeometry(*Device(), FMode);
}

int TPrinter::PageWidth() const { return Geometry().Printable.cx; }
int TPrinter::PageHeight() const { return Geometry().Printable.cy; }

void TPrinter::SetCopies(int Value) {
    if (FJob) throw EPrinter(QStringLiteral("Printing in progress"));
    FMode.dmCopies = std::max(1, Value);
}

TPrinterOrientation TPrinter::Orientation() const {
    return FMode.dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation Value) {
    if (FJob) throw EPrinter(QStringLiteral("Printing in progress"));
    FMode.dmOrientation = Value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    FInfoDC.reset();
    if (FCanvas) FCanvas->SetHandle(nullptr);
}

void TPrinter::GetPrinter(String& ADevice, String& Driver, String& Port, TDeviceMode*& DeviceMode) {
    const TPrinterDevice* d = Device();
    ADevice = d ? d->Name : String();
    Driver = d ? d->Driver : String();
    Port = d ? d->Port : String();
    DeviceMode = d ? &FMode : nullptr;
}

void TPrinter::SetPrinter(const String& ADevice, const String& Driver, const String& Port, const TDeviceMode* DeviceMode) {
    if (FJob) throw EPrinter(QStringLiteral("Printing in progress"));
    for (size_t i = 0; i < FDevices.size(); ++i) {
        if (FDevices[i].Name != ADevice) continue;
        if (static_cast<int>(i) != FPrinterIndex || !DeviceMode) SelectDevice(static_cast<int>(i));
        if (DeviceMode) {
            FMode = *DeviceMode;
            FMode.dmDeviceName = FDevices[i].Name;
        }
        FInfoDC.reset();
        if (FCanvas) FCanvas->SetHandle(nullptr);
        return;
    }
    throw EPrinter(QStringLiteral("Printer \"%1\" is not installed").arg(ADevice));
}

HDC TPrinter::Handle() {
    if (FJob) return FJob->DC();
    if (!FInfoDC) {
        const TPrinterGeometry g = Geometry();
        FInfoDC = std::make_unique<TMeasureDC>(g.DpiX, g.Printable);
    }
    return FInfoDC.get();
}

TCanvas* TPrinter::Canvas() {
    if (!FCanvas) FCanvas = New<TCanvas>();
    HDC dc = Handle();
    if (FCanvas->HandleAllocated() ? FCanvas->Handle() != dc : true) AttachCanvas(dc);
    return FCanvas;
}

void TPrinter::AttachCanvas(HDC DC) {
    FCanvas->SetHandle(DC);
    if (!DC) return;
    // The font is measured in the device's pixels: its size in points stays, its height in pixels
    // follows the device's resolution.
    TFont* font = FCanvas->Font();
    const int dpi = DC->LogPixelsY();
    const int old = font->PixelsPerInch();
    if (dpi <= 0 || dpi == old) return;
    const int size = font->Size();
    const int height = font->Height();
    font->SetPixelsPerInch(dpi);
    if (height < 0)
        font->SetSize(size);
    else
        font->SetHeight(static_cast<int>(std::lround(double(height) * dpi / old)));
}

void TPrinter::BeginDoc() {
    if (FJob) throw EPrinter(QStringLiteral("Printing in progress"));
    const TPrinterDevice* d = Device();
    if (!d) throw EPrinter(QStringLiteral("No printers installed"));
    String file = FFileName;
    if (d->WritesFile && file.isEmpty()) {
        // The device opens no window: the responder asks the user where the file goes.
        file = FTitle.isEmpty() ? QStringLiteral("document.pdf") : FTitle + QStringLiteral(".pdf");
        if (!Responder()->PrintFileName(FTitle, file)) ::Abort();  // silent
    }
    FAborted = false;
    if (FCanvas) FCanvas->SetHandle(nullptr);
    FJob = PrinterBackend()->BeginJob(*d, FMode, FTitle, file);
    if (!FJob) return;
    FPageNumber = 1;
    if (FCanvas) AttachCanvas(FJob->DC());
}

void TPrinter::NewPage() {
    if (!FJob) throw EPrinter(QStringLiteral("Printer is not currently printing"));
    if (FCanvas) FCanvas->SetHandle(nullptr);
    FJob->NewPage();
    ++FPageNumber;
    if (FCanvas) AttachCanvas(FJob->DC());
}

void TPrinter::EndDoc() {
    if (!FJob) throw EPrinter(QStringLiteral("Printer is not currently printing"));
    if (FCanvas) FCanvas->SetHandle(nullptr);
    std::unique_ptr<TPrintJob> job = std::move(FJob);
    FPageNumber = 0;
    if (!job->End()) throw EPrinter(QStringLiteral("The printer did not accept the job"));
}

void TPrinter::Abort() {
    if (!FJob) return;
    if (FCanvas) FCanvas->SetHandle(nullptr);
    std::unique_ptr<TPrintJob> job = std::move(FJob);
    FPageNumber = 0;
    FAborted = true;
    job->Abort();
}

TPrinter* Printer() {
    if (!GPrinter) GPrinter = New<TPrinter>();
    return GPrinter;
}

void SetPrinter(TPrinter* Value) {
    if (GPrinter == Value) return;
    TPrinter* old = GPrinter;
    GPrinter = Value;
    if (old) old->Free();
}
