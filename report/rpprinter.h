// The report printer: stands between a report generation and its output.
//
// The generating report opens a document (BeginDoc), asks for pages (NewPage), draws on the page
// canvas (Canvas) through the unit conversions, and closes the document (EndDoc or AbortDoc).
// With destination rpdMetafile every page is recorded as an enhanced metafile into the page list
// (then previewed, searched, saved to a page file, printed later); with rpdPrinter the pages in the
// page range go straight to the printer object and the others into throw-away metafiles.
//
// Units: report positions are native units (tenths of a millimetre); XPos/YPos/XSize/YSize give
// device units of the page, round((v - waste) x factor) with halves to even. The factors are the
// device's pixels per inch / 254: the screen's for recorded pages, the printer's for direct printing.
//
// Document states: mpReady -> BeginDoc -> mpBusy -> EndDoc/AbortDoc -> mpFinished -> Cleanup ->
// mpReady. Load/LoadFromStream end in mpFinished with ReportLoaded set.
//
// Threads: a report may generate in a background thread (BeginDoc, NewPage, EndDoc and drawing
// there) while the UI thread reads pages (GetPage) and shows them. Page storage and page reads are
// serialized by the page list's lock; status, page counts and the cancel flag are atomic. Progress
// (WM_USER, percent) and page counts (WM_USER + 1) are posted to the client window's handle, which
// drops them when the window is gone. WM_USER + 2 is posted to the master to print the report
// again; WM_USER + 4 is sent to the master when the preview of this document closed.
#pragma once

#include "platform/gui/messages.h"
#include "platform/gui/printers.h"
#include "platform/rtl/classes.h"
#include "report/rperror.h"
#include "report/rptypes.h"

#include <atomic>
#include <functional>

class TCanvas;
class TMetafile;
class TStream;
class TWinControl;
class TRpPageList;
class TRpStream;
class TPrinterSettings;
class TRpPrinterSettings;
class TRpExportFilter;
class TRpPage;
class THyperlink;
template <class T, class Base>
class TListT;
class TObjectList;
enum TRpBin : int;

enum TRpPrinterDestination { rpdMetafile, rpdPrinter };
enum TRpPrinterStatus { mpReady, mpBusy, mpFinished };
// How a preview sizes the page: to fit, to the window's width, at a chosen zoom, at 100%.
enum TRpZoomState { rpZoomToFit, rpZoomToWidth, rpZoomOther, rpZoom100 };

// Messages of the report printer (to its client and master windows).
constexpr UINT RP_WM_PROGRESS = WM_USER;             // posted to the client: percent
constexpr UINT RP_WM_PAGES = WM_USER + 1;            // posted to the client: available pages
constexpr UINT RP_WM_PRINT = WM_USER + 2;            // posted to the master: print the report again
constexpr UINT RP_WM_PREVIEWCLOSED = WM_USER + 4;    // sent to the master: lParam the report printer
constexpr UINT RP_WM_BACKGROUNDENDED = WM_USER + 5;  // posted to a report: its report thread ended

// What the report printer asks of the report (or composite report) that made it. The report
// component implements it; a report printer without a parent works with its own defaults.
class IRpPrinterReport {
public:
    virtual ~IRpPrinterReport() = default;
    virtual TRpPrinterSettings* PrinterSettings() = 0;
    // The report's page setup (paper size in native units), read when stored pages are printed.
    virtual TRpPage* PageSetup() = 0;
    virtual bool ShowProgress() = 0;
    virtual bool AdjustScreenRes() = 0;
    // An export run is going on (an aborted page is then not stored).
    virtual bool Exporting() = 0;
    // The report's AfterPrint event.
    virtual void DoAfterPrint() = 0;
};

class TRpPrinter;

// The factory of preview windows: Show/ShowModal return the window that shows the document.
// The base shows nothing; RpInstallStandardPreview (report/rpprev.h) installs the standard window.
class TRpPreviewInterface : public TComponent {
    SDELKA_CLASS(TRpPreviewInterface, TComponent)
protected:
    explicit TRpPreviewInterface(TComponent* AOwner) : TComponent(AOwner) {}
    ~TRpPreviewInterface() override = default;

public:
    virtual TWinControl* Show(TRpPrinter* ARpPrinter) { return nullptr; }
    virtual TWinControl* ShowModal(TRpPrinter* ARpPrinter) { return nullptr; }
};
extern TComponentClass PreviewInterfaceClass;

using TRpAfterPrintEvent = TEvent<void(TObject* Sender)>;
using TRpAfterPreviewEvent = TEvent<void(TObject* Sender)>;
using TRpExportToFilterEvent = TEvent<void(TRpExportFilter* aFilter)>;
using TRpPrintSetupEvent = TEvent<void()>;

class TRpPrinter : public TPersistent {
    SDELKA_CLASS(TRpPrinter, TPersistent)
public:
    // AParentReport: the report or composite report (an IRpPrinterReport), or none.
    explicit TRpPrinter(TObject* AParentReport = nullptr);
    ~TRpPrinter() override;

    // ---- the document
    // ERpError "RpPrinter not ready" unless mpReady. With destination printer the device settings
    // are applied first.
    void BeginDoc();
    // ERpError "Illegal call to NewPage" unless mpBusy. Closes the open page (stores it) and opens
    // the next one.
    void NewPage();
    // Stores the open page, mpFinished, writes the final page count. Nothing unless mpBusy.
    void EndDoc();
    void AbortDoc();
    // Sets the cancel flag that the generation loop polls.
    void Cancel() { FCancelled = true; }
    // Drops the pages and returns to mpReady.
    void Cleanup();

    // ---- units (argument in 0.1 mm, result in device units of the page)
    int XPos(Extended Value) const;
    int YPos(Extended Value) const;
    int XSize(Extended Value) const;
    int YSize(Extended Value) const;
    // The paper as oriented, in 0.1 mm.
    int PaperWidthValue() const;
    int PaperLengthValue() const;

    // ---- stored pages
    // A new metafile that the caller frees, or nullptr when the page is not stored (yet).
    TMetafile* GetPage(int PageNumber);
    // Metafile and hyperlinks (both the caller's, nullptr when absent); false when not stored.
    bool GetPageEx(int PageNumber, TMetafile*& Metafile, TListT<THyperlink, TObjectList>*& Hyperlinks);

    // ---- page files
    // ERpError when the document is not finished.
    void Save(const String& FileName);
    void Load(const String& FileName);
    void LoadFromStream(TStream* Stream);

    // ---- output
    // Prints the stored pages (or asks the master to run the report again for the printer); with
    // the report's ShowProgress a progress window shows the pages going out and can cancel.
    // ERpError when there is no printer, the document is not finished or the job does not start.
    void Print();
    void PrintSetup();
    void Preview();
    void PreviewModal();
    void ClosePreview(TWinControl* Control);
    void ExportToFilter(TRpExportFilter* aFilter);
    // Prints stored pages FromPage..ToPage on the application-wide printer, stretched to its page.
    void PrintMetafileDirect(const String& FileName, int FromPage, int ToPage);
    // The stored pages FromPage..ToPage as a PDF file through the PDF export filter.
    void ExportMetafile(const String& FileName, int FromPage, int ToPage);

    void AddOutline(int Level, const String& Caption, const TRect& Target);
    void AddHyperlink(const TRect& Rect, const String& Link) {}
    void FreeHyperlinks() {}

    // ---- properties
    TObject* ParentReport() const { return FParentReport; }
    bool ReportLoaded() const { return FReportLoaded; }
    void SetReportLoaded(bool Value) { FReportLoaded = Value; }
    TCanvas* Canvas() const { return FCanvas; }
    // Starts the unstored page of a pass that keeps no pages (an export) afresh, so that what the
    // printables drew on the pages before is let go; nothing when no such page is open.
    void RestartScratchPage();
    TRpPrinterDestination Destination() const { return FDestination; }
    void SetDestination(TRpPrinterDestination Value) { FDestination = Value; }
    int AvailablePages() const { return FAvailablePages; }
    void SetAvailablePages(int Value);
    int Progress() const { return FProgress; }
    void SetProgress(int Value);
    bool ShowingPreview() const { return FShowingPreview; }
    void SetShowingPreview(bool Value);
    int PageNumber() const { return FPageNumber; }
    void SetPageNumber(int Value);
    int PageCount() const { return FPageCount; }
    void SetPageCount(int Value) { FPageCount = Value; }
    TRpPrinterStatus Status() const { return FStatus; }
    bool Cancelled() const { return FCancelled; }
    void SetCancelled(bool Value) { FCancelled = Value; }
    // The error that cut a run in a report thread short: the document is incomplete. Empty for a
    // whole document. Setting it (from any thread) notifies the client as a page count does.
    String RunError() const;
    void SetRunError(const String& Value);
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int Value) { FFirstPage = Value; }
    int LastPage() const { return FLastpage; }
    void SetLastPage(int Value) { FLastpage = Value; }
    String Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }
    Extended XFactor() const { return FXFactor; }
    void SetXFactor(Extended Value) { FXFactor = Value; }
    Extended YFactor() const { return FYFactor; }
    void SetYFactor(Extended Value) { FYFactor = Value; }
    bool PrinterOK() const { return FPrinterOK; }
    int MasterProgressStart() const { return FMasterProgressStart; }
    void SetMasterProgressStart(int Value) { FMasterProgressStart = Value; }
    int MasterProgressEnd() const { return FMasterProgressEnd; }
    void SetMasterProgressEnd(int Value) { FMasterProgressEnd = Value; }
    TRpPageList* PageList() const { return FPageList; }
    TMetafile* Page() const { return FPage; }
    TWinControl* PreviewControl() const { return FPreviewControl; }
    void SetPreviewControl(TWinControl* Value) { FPreviewControl = Value; }
    // The window that receives progress and page counts. Setting it on the UI thread makes its
    // window handle, so that a report thread can post to it.
    TWinControl* Client() const { return FClient; }
    void SetClient(TWinControl* Value);
    TWinControl* Master() const { return FMaster; }
    void SetMaster(TWinControl* Value) { FMaster = Value; }
    bool Compression() const;
    void SetCompression(bool Value);
    // The unprintable margins (0.1 mm) when the destination is the printer, else 0.
    int LeftWaste() const;
    int TopWaste() const;
    int PrinterIndex() const;
    void SetPrinterIndex(int Value);
    TStrings* Printers() const;
    HDC PrinterHandle() const;
    Extended CurrentScreenDPI() const;
    // The printer object in use.
    TPrinter* PrinterObject() const { return aPrinter; }
    TPrinterSettings* PrinterSettings() const { return aPrinterSettings; }

    int Copies() const;
    void SetCopies(int Value);
    bool Duplex() const;
    void SetDuplex(bool Value);
    TPrinterOrientation Orientation() const;
    void SetOrientation(TPrinterOrientation Value);
    TRpBin OutputBin() const;
    void SetOutputBin(TRpBin Value);
    TRpPaperSize PaperSize() const;
    void SetPaperSize(TRpPaperSize Value);
    int PaperWidth() const;
    void SetPaperWidth(int Value);
    int PaperLength() const;
    void SetPaperLength(int Value);
    bool PrintMetafile() const;
    void SetPrintMetafile(bool Value);
    bool UseStandardPrinter() const;
    void SetUseStandardPrinter(bool Value);
    // Plain reads and writes of the device settings' raw values (see TPrinterSettings).
    bool UseExtendedDuplex() const;
    void SetUseExtendedDuplex(bool Value);
    int ExtendedDuplex() const;
    void SetExtendedDuplex(int Value);
    bool UseCustomBinCode() const;
    void SetUseCustomBinCode(bool Value);
    int CustomBinCode() const;
    void SetCustomBinCode(int Value);
    bool UseCustomPaperCode() const;
    void SetUseCustomPaperCode(bool Value);
    int CustomPaperCode() const;
    void SetCustomPaperCode(int Value);
    int PrintQuality() const;
    void SetPrintQuality(int Value);
    int Collate() const;
    void SetCollate(int Value);
    int ColorOption() const;
    void SetColorOption(int Value);

    TRpAfterPrintEvent AfterPrint;
    TRpAfterPreviewEvent AfterPreview;
    TRpExportToFilterEvent OnExportToFilter;
    TNotifyEvent OnPreview;
    TRpPrintSetupEvent OnPrintSetup;
    // Called first when the report printer is destroyed (a preview attached to it lets go).
    TEvent<void(TRpPrinter* Sender)> OnDestroying;

private:
    IRpPrinterReport* Report() const { return FReport; }
    void OpenMetafilePage();
    void OpenPrinterPage();
    void CloseMetafilePage(bool Store);
    bool PageInRange(int Page) const;
    void SetFactorsFromScreen();
    void PostToClient(UINT Msg, WPARAM WParam);
    void PrintStoredPages();
    void GuessPaper();
    void FinishLoad();
    void PlayPage(TMetafile* Page, const TRect& Dest);

    TPrinter* aPrinter = nullptr;
    bool FOwnsPrinter = false;
    TObject* FParentReport = nullptr;
    IRpPrinterReport* FReport = nullptr;
    TRpStream* aStream = nullptr;
    std::atomic<int> FAvailablePages{0};
    std::atomic<bool> FCancelled{false};
    TCanvas* FCanvas = nullptr;
    TWinControl* FCloseControl = nullptr;
    TRpPrinterDestination FDestination = rpdMetafile;
    int FFirstPage = 0;
    int FLastpage = 0;
    int FLeftWaste = 0;
    TWinControl* FClient = nullptr;
    std::atomic<HWND> FClientHandle{nullptr};
    TWinControl* FMaster = nullptr;
    TMetafile* FMetafile = nullptr;
    TMetafile* FPage = nullptr;
    std::atomic<int> FPageCount{0};
    std::atomic<int> FPageNumber{0};
    bool FPrinterOK = false;
    std::atomic<int> FProgress{0};
    int FMasterProgressStart = 0;
    int FMasterProgressEnd = 0;
    String FTitle;
    String FRunError;
    int FTopWaste = 0;
    std::atomic<bool> FShowingPreview{false};
    std::atomic<TRpPrinterStatus> FStatus{mpReady};
    Extended FXFactor;
    Extended FYFactor;
    TRpPageList* FPageList = nullptr;
    TWinControl* FPreviewControl = nullptr;
    bool FReportLoaded = false;
    TPrinterSettings* aPrinterSettings = nullptr;
    bool IsPrinting = false;
};

// The paper of the application-wide printer's device mode, Default when unknown.
TRpPaperSize GetPrinterPaperSize();

// Set when stored pages were loaded from a page file: the preview's print command then prints the
// stored pages instead of running the report again.
extern std::atomic<bool> PrintFromPagesFlag;

// The export of stored pages FromPage..ToPage to a PDF file (ExportMetafile); installed by the PDF
// export filter's unit. Without it ExportMetafile raises ERpError.
extern std::function<void(TRpPrinter* Printer, const String& FileName, int FromPage, int ToPage)> RpMetafileExport;
