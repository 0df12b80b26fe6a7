#include "report/rpprinter.h"

#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/rppages.h"
#include "report/rpprgres.h"
#include "report/rpprintersettings.h"
#include "report/rpunits.h"

#include <mutex>

namespace {
// Guards the run errors of every page printer (set from report threads).
std::mutex RunErrorLock;
}  // namespace

TComponentClass PreviewInterfaceClass = TRpPreviewInterface::StaticClass();
std::atomic<bool> PrintFromPagesFlag{false};

namespace {

void ProcessPendingMessages() {
    if (Application) Application->ProcessMessages();
}

// Device units per 0.1 mm of a resolution; an unusable one falls back to the stored default.
Extended FactorOf(int Dpi) {
    const Extended f = Dpi / 254.0L;
    return f < 0.1L ? RpDefaultPixelFactor : f;
}

}  // namespace

// ---- construction ------------------------------------------------------------------------------

TRpPrinter::TRpPrinter(TObject* AParentReport)
    : FXFactor(RpDefaultPixelFactor), FYFactor(RpDefaultPixelFactor) {
    FReport = dynamic_cast<IRpPrinterReport*>(AParentReport);
    FParentReport = FReport ? AParentReport : nullptr;
    FPrinterOK = ::Printer()->Printers()->Count() > 0;
    aPrinterSettings = New<TPrinterSettings>();
    bool useStandard = false;
    if (FReport && FReport->PrinterSettings()) {
        useStandard = FReport->PrinterSettings()->UseStandardprinter();
        aPrinterSettings->SetMemoryLimit(FReport->PrinterSettings()->MemoryLimit());
    }
    aPrinterSettings->SetUseStandardprinter(useStandard);
    if (useStandard) {
        aPrinter = ::Printer();
    } else {
        aPrinter = New<TPrinter>();  // selects the default printer when there is one
        FOwnsPrinter = true;
    }
    if (FPrinterOK) {
        ProcessPendingMessages();
        const int shared = ::Printer()->PrinterIndex();
        if (FOwnsPrinter && shared >= 0 && shared < aPrinter->Printers()->Count() && shared != aPrinter->PrinterIndex())
            aPrinter->SetPrinterIndex(shared);
        aPrinterSettings->SetPrinter(aPrinter);
    }
    FTopWaste = aPrinterSettings->TopOffset();
    FLeftWaste = aPrinterSettings->LeftOffset();
    FPageList = New<TRpPageList>();
}

TRpPrinter::~TRpPrinter() {
    if (OnDestroying) {
        try {
            OnDestroying(this);
        } catch (...) {
        }
    }
    try {
        if (FStatus != mpReady) Cleanup();
    } catch (...) {
    }
    if (FCloseControl) {
        TWinControl* c = FCloseControl;
        FCloseControl = nullptr;
        c->Free();
    }
    if (FOwnsPrinter) FreeAndNil(aPrinter);
    FreeAndNil(aPrinterSettings);
    FreeAndNil(FPageList);  // frees a stream still attached (a failed load)
    FreeAndNil(FPage);
}

// ---- units -------------------------------------------------------------------------------------

int TRpPrinter::XPos(Extended Value) const { return static_cast<int>(Round((Value - FLeftWaste) * FXFactor)); }
int TRpPrinter::YPos(Extended Value) const { return static_cast<int>(Round((Value - FTopWaste) * FYFactor)); }
int TRpPrinter::XSize(Extended Value) const { return static_cast<int>(Round(Value * FXFactor)); }
int TRpPrinter::YSize(Extended Value) const { return static_cast<int>(Round(Value * FYFactor)); }

int TRpPrinter::PaperWidthValue() const {
    return aPrinterSettings->Orientation() == poLandscape ? aPrinterSettings->PaperLength()
                                                          : aPrinterSettings->PaperWidth();
}

int TRpPrinter::PaperLengthValue() const {
    return aPrinterSettings->Orientation() == poLandscape ? aPrinterSettings->PaperWidth()
                                                          : aPrinterSettings->PaperLength();
}

void TRpPrinter::SetFactorsFromScreen() {
    FXFactor = FactorOf(ScreenDC()->LogPixelsX());
    FYFactor = FactorOf(ScreenDC()->LogPixelsY());
}

Extended TRpPrinter::CurrentScreenDPI() const {
    const int dpi = Screen ? Screen->PixelsPerInch() : ScreenDC()->LogPixelsX();
    return dpi / 96.0L;
}

// ---- the document ------------------------------------------------------------------------------

void TRpPrinter::BeginDoc() {
    if (FMetafile) CloseMetafilePage(false);
    FAvailablePages = 0;
    {
        std::lock_guard<std::mutex> Lock(RunErrorLock);
        FRunError.clear();
    }
    FMasterProgressStart = 0;
    FMasterProgressEnd = 0;
    FCancelled = false;
    if (FDestination == rpdPrinter) aPrinterSettings->ApplySettings();
    FTopWaste = TopWaste();
    FLeftWaste = LeftWaste();
    if (FStatus != mpReady) throw ERpError(QStringLiteral("RpPrinter not ready"));
    FPageNumber = 0;
    FPageCount = 0;
    if (FDestination == rpdMetafile) {
        TRpStream* stream = New<TRpStream>(aPrinterSettings->MemoryLimit());
        FPageList->Clear();
        FPageList->SetStream(stream);
        aStream = stream;
        SetFactorsFromScreen();
    } else {
        const HDC dc = aPrinter->Handle();
        FXFactor = FactorOf(dc->LogPixelsX());
        FYFactor = FactorOf(dc->LogPixelsY());
    }
    IsPrinting = false;
    FStatus = mpBusy;
}

bool TRpPrinter::PageInRange(int Page) const {
    return (FFirstPage <= 0 || FFirstPage <= Page) && (FLastpage <= 0 || FLastpage >= Page);
}

void TRpPrinter::NewPage() {
    if (FStatus != mpBusy) throw ERpError(QStringLiteral("Illegal call to NewPage"));
    if (FPageNumber > 0) {
        if (FDestination == rpdMetafile) {
            CloseMetafilePage(true);
        } else if (FMetafile) {
            CloseMetafilePage(false);  // a page outside the range
        } else {
            FCanvas = nullptr;
            if (IsPrinting && aPrinter->Printing() && FPageCount != FLastpage) aPrinter->NewPage();
        }
        SetAvailablePages(FAvailablePages + 1);
    }
    ++FPageCount;
    ++FPageNumber;
    if (FDestination == rpdMetafile || !PageInRange(FPageCount))
        OpenMetafilePage();
    else
        OpenPrinterPage();
}

void TRpPrinter::RestartScratchPage() {
    if (FStatus != mpBusy || !FMetafile) return;
    CloseMetafilePage(false);
    OpenMetafilePage();
}

void TRpPrinter::OpenMetafilePage() {
    SetFactorsFromScreen();
    FMetafile = New<TMetafile>();
    // The page is the paper in screen pixels. (The desktop is not scaled behind the program's
    // back here, so the report's screen-resolution adjustment has nothing to correct.)
    FMetafile->SetWidth(XSize(PaperWidthValue()));
    FMetafile->SetHeight(YSize(PaperLengthValue()));
    FCanvas = New<TMetafileCanvas>(FMetafile, ScreenDC());
}

void TRpPrinter::CloseMetafilePage(bool Store) {
    if (FCanvas && FMetafile) {
        TCanvas* c = FCanvas;
        FCanvas = nullptr;
        c->Free();  // completes the metafile
    }
    TMetafile* page = FMetafile;
    FMetafile = nullptr;
    if (!page) return;
    try {
        if (Store) FPageList->AddPage(page->Data());
    } catch (...) {
        page->Free();
        throw;
    }
    page->Free();
}

void TRpPrinter::OpenPrinterPage() {
    if (IsPrinting && aPrinter->Printing()) {
        FCanvas = aPrinter->Canvas();
        FCanvas->Refresh();
    } else {
        aPrinter->SetTitle(FTitle);
        aPrinter->BeginDoc();
        IsPrinting = aPrinter->Printing();
        if (!IsPrinting) throw ERpError(QStringLiteral("The print job did not start"));
        FCanvas = aPrinter->Canvas();
    }
    const HDC dc = aPrinter->Handle();
    FXFactor = FactorOf(dc->LogPixelsX());
    FYFactor = FactorOf(dc->LogPixelsY());
}

void TRpPrinter::EndDoc() {
    if (FStatus != mpBusy) return;
    if (FDestination == rpdMetafile) {
        if (FPageNumber > 0) CloseMetafilePage(true);
    } else {
        if (FMetafile) CloseMetafilePage(false);
        FCanvas = nullptr;
        if (IsPrinting && aPrinter->Printing()) {
            IsPrinting = false;
            aPrinter->EndDoc();
        }
        IsPrinting = false;
    }
    FStatus = mpFinished;
    SetAvailablePages(FAvailablePages + 1);
    ProcessPendingMessages();
    if (FDestination == rpdMetafile) {
        if (FPageList->Stream()) FPageList->Finish();
    } else if (AfterPrint) {
        AfterPrint(this);
    }
}

void TRpPrinter::AbortDoc() {
    if (FDestination == rpdPrinter) {
        if (FMetafile) CloseMetafilePage(false);
        FCanvas = nullptr;
        if (IsPrinting && aPrinter->Printing()) aPrinter->Abort();
        IsPrinting = false;
    } else if (FMetafile) {
        CloseMetafilePage(!(FReport && FReport->Exporting()));
    }
    FStatus = mpFinished;
}

void TRpPrinter::Cleanup() {
    if (FStatus == mpBusy) {
        FCancelled = true;
        if (FMetafile) CloseMetafilePage(false);
        FCanvas = nullptr;
        if (IsPrinting && aPrinter->Printing()) aPrinter->Abort();
        IsPrinting = false;
    }
    FPageList->SetStream(nullptr);
    FreeAndNil(aStream);
    FPageList->Clear();
    FPageCount = 0;
    FPageNumber = 0;
    FReportLoaded = false;
    FStatus = mpReady;
}

void TRpPrinter::AddOutline(int Level, const String& Caption, const TRect& Target) {
    if (FStatus == mpBusy) FPageList->AddOutline(Level, Caption, FPageNumber, Target);
}

// ---- messages ----------------------------------------------------------------------------------

void TRpPrinter::SetClient(TWinControl* Value) {
    FClient = Value;
    // The handle is taken now, on the UI thread, so that a report thread can post to it; the
    // posts are dropped once the window has gone.
    if (Value && IsUIThread()) Value->HandleNeeded();
    FClientHandle = Value && Value->HandleAllocated() ? Value->Handle() : nullptr;
}

void TRpPrinter::PostToClient(UINT Msg, WPARAM WParam) {
    HWND h = FClientHandle;
    if (!h && FClient && IsUIThread() && FClient->HandleAllocated()) {
        h = FClient->Handle();
        FClientHandle = h;
    }
    // A handle whose window has gone is refused by PostMessage, never delivered.
    if (h) PostMessage(h, Msg, WParam, 0);
}

void TRpPrinter::SetAvailablePages(int Value) {
    FAvailablePages = Value;
    PostToClient(RP_WM_PAGES, static_cast<WPARAM>(Value));
}

String TRpPrinter::RunError() const {
    std::lock_guard<std::mutex> Lock(RunErrorLock);
    return FRunError;
}

void TRpPrinter::SetRunError(const String& Value) {
    {
        std::lock_guard<std::mutex> Lock(RunErrorLock);
        FRunError = Value;
    }
    PostToClient(RP_WM_PAGES, static_cast<WPARAM>(FAvailablePages.load()));
}

void TRpPrinter::SetProgress(int Value) {
    FProgress = Value;
    PostToClient(RP_WM_PROGRESS, static_cast<WPARAM>(Value));
}

void TRpPrinter::SetShowingPreview(bool Value) {
    const bool closing = FShowingPreview && !Value;
    struct TSet {
        std::atomic<bool>& Flag;
        bool Value;
        ~TSet() { Flag = Value; }
    } set{FShowingPreview, Value};
    if (closing) {
        if (FStatus == mpBusy) Cancel();
        if (AfterPreview) AfterPreview(this);
    }
}

void TRpPrinter::ClosePreview(TWinControl* Control) {
    SetShowingPreview(false);
    if (FMaster && FMaster->HandleAllocated())
        SendMessage(FMaster->Handle(), RP_WM_PREVIEWCLOSED, 0, reinterpret_cast<LPARAM>(this));
}

void TRpPrinter::SetPageNumber(int Value) {
    if (FPageNumber >= 1 && FPageNumber <= FPageCount) FPageNumber = Value;
}

// ---- printer properties ------------------------------------------------------------------------

bool TRpPrinter::Compression() const { return FPageList->Compression(); }
void TRpPrinter::SetCompression(bool Value) { FPageList->SetCompression(Value); }
int TRpPrinter::LeftWaste() const { return FDestination == rpdPrinter ? aPrinterSettings->LeftOffset() : 0; }
int TRpPrinter::TopWaste() const { return FDestination == rpdPrinter ? aPrinterSettings->TopOffset() : 0; }
int TRpPrinter::PrinterIndex() const { return aPrinter->PrinterIndex(); }

void TRpPrinter::SetPrinterIndex(int Value) {
    aPrinter->Refresh();
    if (aPrinter->Printers()->Count() == 0 || UseStandardPrinter()) return;
    aPrinter->SetPrinterIndex(Value);
    aPrinterSettings->ReadDeviceSettings();
}

TStrings* TRpPrinter::Printers() const { return aPrinter->Printers(); }
HDC TRpPrinter::PrinterHandle() const { return aPrinter->Handle(); }
int TRpPrinter::Copies() const { return aPrinterSettings->Copies(); }
void TRpPrinter::SetCopies(int Value) { aPrinterSettings->SetCopies(Value); }
bool TRpPrinter::Duplex() const { return aPrinterSettings->Duplex(); }
void TRpPrinter::SetDuplex(bool Value) { aPrinterSettings->SetDuplex(Value); }
TPrinterOrientation TRpPrinter::Orientation() const { return aPrinterSettings->Orientation(); }
void TRpPrinter::SetOrientation(TPrinterOrientation Value) { aPrinterSettings->SetOrientation(Value); }
TRpBin TRpPrinter::OutputBin() const { return aPrinterSettings->OutputBin(); }
void TRpPrinter::SetOutputBin(TRpBin Value) { aPrinterSettings->SetOutputBin(Value); }
TRpPaperSize TRpPrinter::PaperSize() const { return aPrinterSettings->PaperSize(); }
void TRpPrinter::SetPaperSize(TRpPaperSize Value) { aPrinterSettings->SetPaperSize(Value); }
int TRpPrinter::PaperWidth() const { return aPrinterSettings->PaperWidth(); }
void TRpPrinter::SetPaperWidth(int Value) { aPrinterSettings->SetPaperWidth(Value); }
int TRpPrinter::PaperLength() const { return aPrinterSettings->PaperLength(); }
void TRpPrinter::SetPaperLength(int Value) { aPrinterSettings->SetPaperLength(Value); }
bool TRpPrinter::PrintMetafile() const { return aPrinterSettings->PrintMetafile(); }
void TRpPrinter::SetPrintMetafile(bool Value) { aPrinterSettings->SetPrintMetafile(Value); }
bool TRpPrinter::UseStandardPrinter() const { return aPrinterSettings->UseStandardprinter(); }
void TRpPrinter::SetUseStandardPrinter(bool Value) { aPrinterSettings->SetUseStandardprinter(Value); }
bool TRpPrinter::UseExtendedDuplex() const { return aPrinterSettings->UseExtendedDuplex(); }
void TRpPrinter::SetUseExtendedDuplex(bool Value) { aPrinterSettings->SetUseExtendedDuplex(Value); }
int TRpPrinter::ExtendedDuplex() const { return aPrinterSettings->ExtendedDuplex(); }
void TRpPrinter::SetExtendedDuplex(int Value) { aPrinterSettings->SetExtendedDuplex(Value); }
bool TRpPrinter::UseCustomBinCode() const { return aPrinterSettings->UseCustomBinCode(); }
void TRpPrinter::SetUseCustomBinCode(bool Value) { aPrinterSettings->SetUseCustomBinCode(Value); }
int TRpPrinter::CustomBinCode() const { return aPrinterSettings->CustomBinCode(); }
void TRpPrinter::SetCustomBinCode(int Value) { aPrinterSettings->SetCustomBinCode(Value); }
bool TRpPrinter::UseCustomPaperCode() const { return aPrinterSettings->UseCustomPaperCode(); }
void TRpPrinter::SetUseCustomPaperCode(bool Value) { aPrinterSettings->SetUseCustomPaperCode(Value); }
int TRpPrinter::CustomPaperCode() const { return aPrinterSettings->CustomPaperCode(); }
void TRpPrinter::SetCustomPaperCode(int Value) { aPrinterSettings->SetCustomPaperCode(Value); }
int TRpPrinter::PrintQuality() const { return aPrinterSettings->PrintQuality(); }
void TRpPrinter::SetPrintQuality(int Value) { aPrinterSettings->SetPrintQuality(Value); }
int TRpPrinter::Collate() const { return aPrinterSettings->Collate(); }
void TRpPrinter::SetCollate(int Value) { aPrinterSettings->SetCollate(Value); }
int TRpPrinter::ColorOption() const { return aPrinterSettings->ColorOption(); }
void TRpPrinter::SetColorOption(int Value) { aPrinterSettings->SetColorOption(Value); }

// ---- stored pages ------------------------------------------------------------------------------

TMetafile* TRpPrinter::GetPage(int PageNumber) {
    if (FStatus == mpReady || PageNumber < 1 || PageNumber > FPageCount) return nullptr;
    std::optional<QByteArray> bytes = FPageList->GetPage(PageNumber);
    if (!bytes) return nullptr;
    TMetafile* m = New<TMetafile>();
    try {
        m->SetData(*bytes);
    } catch (...) {
        m->Free();
        throw;
    }
    return m;
}

bool TRpPrinter::GetPageEx(int PageNumber, TMetafile*& Metafile, THyperlinkList*& Hyperlinks) {
    Metafile = nullptr;
    Hyperlinks = nullptr;
    QByteArray bytes;
    THyperlinkList* links = nullptr;
    if (!FPageList->GetPageEx(PageNumber, bytes, links)) return false;
    TMetafile* m = New<TMetafile>();
    try {
        m->SetData(bytes);
    } catch (...) {
        m->Free();
        if (links) links->Free();
        throw;
    }
    Metafile = m;
    Hyperlinks = links;
    return true;
}

// ---- page files --------------------------------------------------------------------------------

void TRpPrinter::Save(const String& FileName) {
    if (FStatus != mpFinished || !FPageList->Stream())
        throw ERpError(QStringLiteral("The report is not finished and cannot be saved"));
    FPageList->SaveToFile(FileName);
}

// A file that is refused leaves the pages shown before; only a running document is dropped first.
void TRpPrinter::Load(const String& FileName) {
    if (FStatus == mpBusy) Cleanup();
    FPageList->LoadFromFile(FileName);
    FinishLoad();
}

void TRpPrinter::LoadFromStream(TStream* Stream) {
    if (FStatus == mpBusy) Cleanup();
    FPageList->LoadFromStream(Stream);
    FinishLoad();
}

void TRpPrinter::FinishLoad() {
    // The page list has freed the stream it replaced (the document's own).
    FPageCount = FPageList->PageCount();
    FPageNumber = FPageCount > 0 ? 1 : 0;
    aStream = FPageList->Stream();
    FStatus = mpFinished;
    SetFactorsFromScreen();
    if (FPageCount > 0) GuessPaper();
    OnPrintSetup.Clear();
    OnExportToFilter.Clear();
    FReportLoaded = true;
    PrintFromPagesFlag = true;
}

void TRpPrinter::GuessPaper() {
    // A first page that cannot be read gives no guess; it raises when it is shown.
    TMetafile* first = nullptr;
    try {
        first = GetPage(1);
    } catch (const Exception&) {
        return;
    }
    if (!first) return;
    // The page's size in 0.1 mm, known to half a screen pixel.
    const Extended w = first->Width() / FXFactor, h = first->Height() / FYFactor;
    const Extended dw = 0.5L / FXFactor, dh = 0.5L / FYFactor;
    first->Free();
    // Whole units of 4 mm: a paper matches when its units equal the page's, the page's size
    // taken anywhere within the pixel rounding (a page drawn at screen resolution comes out a
    // little short of its paper as often as not).
    auto units = [](Extended v, Extended d, int t) {
        return static_cast<int>((v - d) / 40) == t || static_cast<int>((v + d) / 40) == t;
    };
    // The first paper that matches, upright or turned.
    for (int p = int(Letter); p <= int(ESheet); ++p) {
        const TRpPaperDimensions d = RpPaperDimensions(TRpPaperSize(p));
        const int tw = static_cast<int>(d.Width / 4);
        const int th = static_cast<int>(d.Length / 4);
        if (units(w, dw, tw) && units(h, dh, th)) {
            aPrinterSettings->SetPaperSize(TRpPaperSize(p));
            aPrinterSettings->SetOrientation(poPortrait);
            return;
        }
        if (units(h, dh, tw) && units(w, dw, th)) {
            aPrinterSettings->SetPaperSize(TRpPaperSize(p));
            aPrinterSettings->SetOrientation(poLandscape);
            return;
        }
    }
    aPrinterSettings->SetOrientation(h < w ? poLandscape : poPortrait);
}

// ---- output ------------------------------------------------------------------------------------

void TRpPrinter::PlayPage(TMetafile* Page, const TRect& Dest) {
    PlayEnhMetaFile(aPrinter->Handle(), Page->Data(), Dest);
}

void TRpPrinter::Print() {
    if (FMaster && !FReportLoaded && !PrintMetafile() && FStatus == mpFinished) {
        if (FMaster->HandleAllocated()) PostMessage(FMaster->Handle(), RP_WM_PRINT, 0, 0);
        return;
    }
    if (FStatus != mpFinished) throw ERpError(QStringLiteral("The report is not finished and cannot be printed"));
    if (!FPrinterOK) throw ERpError(QStringLiteral("No printer is installed"));
    PrintStoredPages();
}

void TRpPrinter::PrintStoredPages() {
    const bool showProgress = FReport && FReport->ShowProgress();
    // A cancel request left from the generation does not stop this print.
    FCancelled = false;
    aPrinter->SetTitle(FTitle);
    if (aPrinter->Printing()) aPrinter->Abort();
    aPrinterSettings->ApplySettings();
    aPrinter->BeginDoc();
    if (!aPrinter->Printing()) throw ERpError(QStringLiteral("The print job did not start"));

    TRpPrinterSettings* rs = FReport ? FReport->PrinterSettings() : nullptr;
    if (rs) {
        FFirstPage = rs->FirstPage();
        FLastpage = rs->LastPage();
    }
    int first = FFirstPage != 0 ? FFirstPage : 1;
    int last = FLastpage != 0 ? FLastpage : FPageCount.load();
    first = std::max(first, 1);
    last = std::min(last, FPageCount.load());

    const TPrinterGeometry g = aPrinter->Geometry();
    TRect dest(0, 0, aPrinter->PageWidth(), aPrinter->PageHeight());
    TRpPage* page = FReport ? FReport->PageSetup() : nullptr;
    if (page && page->NativeValue(3) > 0 && page->NativeValue(1) > 0) {
        // The whole sheet is drawn; the unprintable strips fall outside the printable area.
        const Extended px = g.DpiX / 254.0L, py = g.DpiY / 254.0L;
        const Extended lo = aPrinterSettings->LeftOffset(), to = aPrinterSettings->TopOffset();
        dest = TRect(static_cast<int>(-Round(lo * px)), static_cast<int>(-Round(to * py)),
                     static_cast<int>(Round((page->NativeValue(3) - lo) * px)),
                     static_cast<int>(Round((page->NativeValue(1) - to) * py)));
    }
    // The progress window takes the progress while the pages go out; the window that showed the
    // document gets its messages back afterwards.
    TWinControl* const previousClient = FClient;
    TRpProgressForm* progress = nullptr;
    auto closeProgress = [&] {
        if (!progress) return;
        SetClient(previousClient);
        progress->Hide();
        FreeAndNil(progress);
    };
    if (showProgress && IsUIThread()) {
        progress = New<TRpProgressForm>(nullptr);
        progress->FRpPrinter = this;
        progress->Show();
        SetClient(progress);
    }
    try {
        for (int i = first; i <= last; ++i) {
            ProcessPendingMessages();
            if (showProgress)
                SetProgress(static_cast<int>(Round(Extended(i - first + 1) / Extended(last - first + 1) * 100)));
            SetPageNumber(i);
            if (TMetafile* m = GetPage(i)) {
                try {
                    PlayPage(m, dest);
                } catch (...) {
                    m->Free();
                    throw;
                }
                m->Free();
            }
            if (i < last) aPrinter->NewPage();
            if (FCancelled) {
                aPrinter->Abort();
                break;
            }
        }
        FFirstPage = 0;
        FLastpage = 0;
        if (FReport) {
            FReport->DoAfterPrint();
            if (rs) {
                rs->SetFirstPage(0);
                rs->SetLastPage(0);
            }
        }
        closeProgress();
        if (aPrinter->Printing()) aPrinter->EndDoc();
    } catch (...) {
        // A print that failed half-way hands nothing to the device.
        closeProgress();
        if (aPrinter->Printing()) aPrinter->Abort();
        throw;
    }
}

void TRpPrinter::PrintSetup() {
    if (OnPrintSetup) OnPrintSetup();
}

void TRpPrinter::ExportToFilter(TRpExportFilter* aFilter) {
    if (OnExportToFilter) OnExportToFilter(aFilter);
}

void TRpPrinter::Preview() {
    if (OnPreview) {
        OnPreview(this);
        return;
    }
    TOwned<TObject> pi(PreviewInterfaceClass->CreateObject(nullptr));
    if (auto* i = dynamic_cast<TRpPreviewInterface*>(pi.get())) FPreviewControl = i->Show(this);
}

void TRpPrinter::PreviewModal() {
    if (OnPreview) {
        OnPreview(this);
        return;
    }
    TOwned<TObject> pi(PreviewInterfaceClass->CreateObject(nullptr));
    if (auto* i = dynamic_cast<TRpPreviewInterface*>(pi.get())) i->ShowModal(this);
}

void TRpPrinter::PrintMetafileDirect(const String& FileName, int FromPage, int ToPage) {
    if (FStatus != mpFinished) throw ERpError(QStringLiteral("The report is not finished and cannot be printed"));
    TPrinter* p = ::Printer();
    p->SetTitle(FTitle);
    p->BeginDoc();
    if (!p->Printing()) throw ERpError(QStringLiteral("The print job did not start"));
    try {
        const TPrinterGeometry g = p->Geometry();
        const Extended px = g.DpiX / 254.0L, py = g.DpiY / 254.0L;
        if (FXFactor < 0.1L) FXFactor = RpDefaultPixelFactor;
        if (FYFactor < 0.1L) FYFactor = RpDefaultPixelFactor;
        int w = p->PageWidth(), h = p->PageHeight();
        if (PaperSize() == Custom) {
            w = static_cast<int>(Round(PaperWidth() * px));
            h = static_cast<int>(Round(PaperLength() * py));
        }
        for (int i = FromPage; i <= ToPage; ++i) {
            if (TMetafile* m = GetPage(i)) {
                try {
                    PlayEnhMetaFile(p->Handle(), m->Data(), TRect(0, 0, w, h));
                } catch (...) {
                    m->Free();
                    throw;
                }
                m->Free();
            }
            if (i < ToPage) p->NewPage();
        }
        p->EndDoc();
    } catch (...) {
        if (p->Printing()) p->Abort();
        throw;
    }
}

void TRpPrinter::ExportMetafile(const String& FileName, int FromPage, int ToPage) {
    if (FStatus != mpFinished) throw ERpError(QStringLiteral("The report is not finished and cannot be exported"));
    if (!RpMetafileExport) throw ERpError(QStringLiteral("PDF export is not available"));
    RpMetafileExport(this, FileName, FromPage, ToPage);
}

std::function<void(TRpPrinter*, const String&, int, int)> RpMetafileExport;

TRpPaperSize GetPrinterPaperSize() {
    try {
        TPrinter* p = Printer();
        if (p->Printers()->Count() == 0) return Default;
        String device, driver, port;
        TDeviceMode* mode = nullptr;
        p->GetPrinter(device, driver, port, mode);
        if (!mode || !(mode->dmFields & DM_PAPERSIZE)) return Default;
        for (int k = 0; k < RpPaperSizeCount; ++k)
            if (RpPaperCode(TRpPaperSize(k)) == mode->dmPaperSize) return TRpPaperSize(k);
    } catch (...) {
    }
    return Default;
}
