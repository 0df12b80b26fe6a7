// The printer object: the printers of the system and print jobs on them.
//
// A printer backend lists the devices and runs the jobs. The standard backend is Qt print support
// (the CUPS printers of the machine) plus a built-in "PDF file" printer, always present, that writes
// each job to a PDF file; so printing works on a machine with no printer. Tests install the fake
// backend of the testing library (platform/testing/fakeprinter.h).
//
// Each device keeps a device mode: the driver's settings of paper, orientation, copies, bin,
// duplex, quality, colour and collation, with the mask of the fields the device supports. Code
// reads and changes it through GetPrinter/SetPrinter; BeginDoc prints with it. Lengths of the
// device mode are in tenths of a millimetre; paper, bin and duplex codes are the classic driver
// codes (DMPAPER_A4 = 9, DMBIN_AUTO = 7, DMDUP_VERTICAL = 2 ...), mapped to Qt page sizes and paper
// sources by the standard backend.
//
// TPrinter is used on the UI thread; a report thread may print on its own private TPrinter.
#pragma once

#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

class TCanvas;
class TDeviceContext;
class TStrings;
using HDC = TDeviceContext*;

enum TPrinterOrientation { poPortrait, poLandscape };

// ---- the device mode ---------------------------------------------------------------------------
constexpr unsigned DM_ORIENTATION = 0x00000001;
constexpr unsigned DM_PAPERSIZE = 0x00000002;
constexpr unsigned DM_PAPERLENGTH = 0x00000004;
constexpr unsigned DM_PAPERWIDTH = 0x00000008;
constexpr unsigned DM_COPIES = 0x00000100;
constexpr unsigned DM_DEFAULTSOURCE = 0x00000200;
constexpr unsigned DM_PRINTQUALITY = 0x00000400;
constexpr unsigned DM_COLOR = 0x00000800;
constexpr unsigned DM_DUPLEX = 0x00001000;
constexpr unsigned DM_COLLATE = 0x00008000;

constexpr int DMORIENT_PORTRAIT = 1;
constexpr int DMORIENT_LANDSCAPE = 2;
constexpr int DMDUP_SIMPLEX = 1;
constexpr int DMDUP_VERTICAL = 2;    // two-sided, flipped on the long edge
constexpr int DMDUP_HORIZONTAL = 3;  // two-sided, flipped on the short edge
constexpr int DMCOLOR_MONOCHROME = 1;
constexpr int DMCOLOR_COLOR = 2;
constexpr int DMCOLLATE_FALSE = 0;
constexpr int DMCOLLATE_TRUE = 1;
constexpr int DMRES_DRAFT = -1;
constexpr int DMRES_LOW = -2;
constexpr int DMRES_MEDIUM = -3;
constexpr int DMRES_HIGH = -4;
constexpr int DMPAPER_LETTER = 1;
constexpr int DMPAPER_A4 = 9;
constexpr int DMPAPER_USER = 256;
constexpr int DMBIN_ONLYONE = 1;
constexpr int DMBIN_UPPER = 1;
constexpr int DMBIN_LOWER = 2;
constexpr int DMBIN_MIDDLE = 3;
constexpr int DMBIN_MANUAL = 4;
constexpr int DMBIN_ENVELOPE = 5;
constexpr int DMBIN_ENVMANUAL = 6;
constexpr int DMBIN_AUTO = 7;
constexpr int DMBIN_TRACTOR = 8;
constexpr int DMBIN_SMALLFMT = 9;
constexpr int DMBIN_LARGEFMT = 10;
constexpr int DMBIN_LARGECAPACITY = 11;
constexpr int DMBIN_CASSETTE = 14;
constexpr int DMBIN_FORMSOURCE = 15;

struct TDeviceMode {
    String dmDeviceName;
    unsigned dmFields = 0;  // the fields the device supports (and that were set)
    int dmOrientation = DMORIENT_PORTRAIT;
    int dmPaperSize = DMPAPER_A4;
    int dmPaperLength = 0;  // 0.1 mm; used with DMPAPER_USER or when no paper code is set
    int dmPaperWidth = 0;
    int dmCopies = 1;
    int dmDefaultSource = DMBIN_AUTO;
    int dmPrintQuality = DMRES_HIGH;  // DMRES_* or dots per inch
    int dmColor = DMCOLOR_COLOR;
    int dmDuplex = DMDUP_SIMPLEX;
    int dmCollate = DMCOLLATE_FALSE;
};

// Width and length in millimetres (portrait) of a device paper code; false for an unknown code.
bool DevicePaperDimensions(int Code, double& Width, double& Length);

// What a device is and can do.
struct TPrinterDevice {
    String Name;
    String Driver;
    String Port;
    unsigned Fields = 0;       // device-mode fields the device supports
    std::vector<int> Papers;   // paper codes the device offers
    std::vector<int> Bins;     // bin codes
    int DpiX = 600;
    int DpiY = 600;
    int MarginX = 0;           // unprintable left and top strips, 0.1 mm
    int MarginY = 0;
    TDeviceMode Defaults;      // the device mode a fresh printer object starts with
    bool WritesFile = false;   // the job goes to a file (the "PDF file" printer)
};

// One job on a device.
class TPrintJob {
public:
    virtual ~TPrintJob() = default;
    // The device context of the current sheet: origin at the printable area's top left.
    virtual HDC DC() = 0;
    virtual void NewPage() = 0;
    // Hands the job over; false when the device refused it.
    virtual bool End() = 0;
    virtual void Abort() = 0;
};

class TPrinterBackend {
public:
    virtual ~TPrinterBackend() = default;
    // The devices, in the order the printer object lists them.
    virtual std::vector<TPrinterDevice> Devices() = 0;
    // The index of the system's default printer (-1 without devices).
    virtual int DefaultDevice() = 0;
    // Begins a job. FileName: the output of a device that writes a file. Nullptr when the job
    // cannot start.
    virtual std::unique_ptr<TPrintJob> BeginJob(const TPrinterDevice& Device, const TDeviceMode& Mode,
                                                const String& Title, const String& FileName) = 0;
};

// Every device-mode field the printer object knows.
constexpr unsigned AllDeviceModeFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES |
                                         DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_COLLATE;

// The standard backend: Qt print support over CUPS, then the "PDF file" printer.
TPrinterBackend* QtPrinterBackend();
// The name of the built-in PDF printer.
String PdfFilePrinterName();
// The backend new printer objects use (the standard one unless replaced); not owned.
TPrinterBackend* PrinterBackend();
// Installs a backend (nullptr: the standard one); returns the previous one. Existing printer
// objects refresh their list on their next Refresh.
TPrinterBackend* SetPrinterBackend(TPrinterBackend* Backend);

// Sheet geometry of a device with a device mode, in device pixels.
struct TPrinterGeometry {
    int DpiX = 600, DpiY = 600;
    TSize Physical;  // the whole sheet as oriented
    TPoint Offset;   // unprintable left and top strips
    TSize Printable; // the printable area (the canvas's extent)
};
TPrinterGeometry PrinterGeometry(const TPrinterDevice& Device, const TDeviceMode& Mode);

// ---- the printer object ------------------------------------------------------------------------

class TPrinter : public TObject {
    SDELKA_CLASS(TPrinter, TObject)
public:
    // Lists the devices of the current backend and selects the default one.
    TPrinter();
    ~TPrinter() override;

    // Names of the devices.
    TStrings* Printers();
    // The selected device (-1 without devices). Setting -1 selects the default device; an index
    // outside the list raises EPrinter "Printer index out of range".
    int PrinterIndex() const { return FPrinterIndex; }
    void SetPrinterIndex(int Value);
    // Reads the list of devices again, keeping the selected device when it is still there.
    void Refresh();

    String Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }
    // Output file of a device that writes files. Empty: BeginDoc asks the responder for one
    // (PrintFileName, with "<title>.pdf" suggested); cancelling raises EAbort.
    String FileName() const { return FFileName; }
    void SetFileName(const String& Value) { FFileName = Value; }

    // A job: EPrinter "Printing in progress" when one runs, "No printers installed" without a
    // device. When the device does not start the job, Printing stays false (nothing raised).
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return static_cast<bool>(FJob); }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    // The canvas of the current sheet while printing; otherwise a measuring canvas at the device's
    // resolution. Its font's PixelsPerInch is the device's: a size in points comes out in points.
    TCanvas* Canvas();
    HDC Handle();

    // Printable area in device pixels, and device capabilities.
    int PageWidth() const;
    int PageHeight() const;
    TPrinterGeometry Geometry() const;
    int Copies() const { return FMode.dmCopies; }
    void SetCopies(int Value);
    TPrinterOrientation Orientation() const;
    void SetOrientation(TPrinterOrientation Value);

    // The selected device and its device mode. GetPrinter hands out the printer object's own device
    // mode (nullptr without a device); SetPrinter selects the named device and takes a copy of the
    // mode (none: the device's defaults).
    void GetPrinter(String& Device, String& Driver, String& Port, TDeviceMode*& DeviceMode);
    void SetPrinter(const String& Device, const String& Driver, const String& Port, const TDeviceMode* DeviceMode);
    // The selected device's description (nullptr without devices).
    const TPrinterDevice* Device() const;
    // The device-mode fields, paper codes and bin codes the selected device supports.
    unsigned SupportedFields() const;
    std::vector<int> Papers() const;
    std::vector<int> Bins() const;

private:
    void SelectDevice(int Index);
    void ReleaseCanvas();
    // Puts the canvas on a device context and gives its font the context's resolution.
    void AttachCanvas(HDC DC);

    std::vector<TPrinterDevice> FDevices;
    TStrings* FPrinters = nullptr;
    int FPrinterIndex = -1;
    TDeviceMode FMode;
    String FTitle;
    String FFileName;
    std::unique_ptr<TPrintJob> FJob;
    bool FAborted = false;
    int FPageNumber = 0;
    TCanvas* FCanvas = nullptr;
    std::unique_ptr<TDeviceContext> FInfoDC;
};

SDELKA_EXCEPTION(EPrinter, Exception)

// The application-wide printer object (created on first use).
TPrinter* Printer();
// Replaces it (the old one is freed; nullptr: a fresh one next time).
void SetPrinter(TPrinter* Value);
