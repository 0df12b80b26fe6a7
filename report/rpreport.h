// The report component, its bands, groups and sub-details, and the controllers that run the data
// loop.
//
// A report run (GenerateReport) begins a document in the report's page printer, lets the report's
// controller walk its dataset (or ask OnNeedData) and prints bands at the report's current
// position: CurrentX/CurrentY in native units (tenths of a millimetre). A band that does not fit
// begins a new column, and after the last column a new page, which ends the previous one with its
// page footer. Groups print their header when the value of their expression changes and their
// footer when a run of equal values ends; sub-details run a data loop of their own once per record
// of their master.
#pragma once

#include "platform/gui/forms.h"
#include "report/rpcomposite.h"
#include "report/rpprintable.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "report/rptypes.h"
#include "report/rpunits.h"

class TDataSet;
class TRpEvaluator;
class TRpEvElement;
class TRpPrinterSettings;
class TRpCustomController;
class TRpController;
class TRpCustomBand;
class TRpChildBand;
class TRpGroup;
class TCustomRpReport;
class TRpReport;
class TRpProgressForm;
class TRpPageInfoList;
struct TRpEvResult;

enum TRpBandType : Byte {
    rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbGroupHeader, rbGroupFooter,
    rbSubDetail, rbColumnHeader, rbOverlay, rbWild, rbChild
};
enum TCBPrintOrder : Byte { cboBeforeParent, cboAfterParent, cboBeforeAndAfter };
enum TRpReportOption : Byte { FirstPageHeader, LastPageFooter, Compression };
using TRpReportOptions = TSet<TRpReportOption>;

// The caption shown on a band of the type at design time, and the stem new bands are named by.
String RpBandTypeCaption(TRpBandType Type);
String RpBandNameStem(TRpBandType Type);

using TRpBandBeforePrintEvent = TEvent<void(TObject* Sender, bool& PrintBand)>;
using TRpBandAfterPrintEvent = TEvent<void(TObject* Sender, bool BandPrinted)>;
using TRpOnNeedDataEvent = TEvent<void(TObject* Sender, bool& MoreData)>;
using TRpReportBeforePrintEvent = TEvent<void(TObject* Sender, bool& PrintReport)>;
// Asked before an export; a handler that sets ExportHandled did the export itself.
using TRpExportEvent = TEvent<void(TObject* Sender, bool& ExportHandled)>;

// The preview window's default save type, and the events it raises through the report.
enum TPrevSaveType { stRpP, stPDF, stXL, stHTML, stRTF, stCSV, stASCII, stXML, stXLSX };
enum TStandPrevEventType : int { spOpen, spClose, spCopy, spPrint, spPrintSetup, spLoad, spSave, spCancel };
// The XML document viewer's clicks on controls and bands, mouse movement over them, and its print
// and save buttons, raised on the report of the document.
enum TPrevEventType {
    etPrintButton, etSaveButton, etControlClick, etLoadButton, etPrintSetup, etMouseOver, etMouseOut, etBandClick
};
using TRpPreviewXEvent =
    TEvent<void(TObject* Sender, TPrevEventType eventNum, const String& cName, const String& CText, int rec)>;
// Sender is the preview window; a handler that sets Handled vetoes the command.
using TRpStandPrevEvent = TEvent<void(TObject* Sender, TStandPrevEventType EventType, const String& Name, bool& Handled)>;
// The mouse over the preview's page, for a report that keeps preview links: a click on a printed
// control, the mouse over one, or off every control of the page (Item nullptr).
enum TStandPrevMouseEventType { meMouseClick, meMouseOver, meMouseOut };
class TPageItemRec;
using TRpStandPrevMouseEvent = TEvent<void(TObject* Sender, TStandPrevMouseEventType EventType, TPageItemRec* Item)>;
// The extension (with the dot) of a save type: ".RPP", ".PDF", ...
String PrevSaveTypeExtension(TPrevSaveType Type);

// The options of the standard preview window, set on a component that reports refer to.
class TRpPreviewController : public TComponent {
    SDELKA_CLASS(TRpPreviewController, TComponent)
protected:
    explicit TRpPreviewController(TComponent* AOwner) : TComponent(AOwner) {}
    ~TRpPreviewController() override = default;

public:
    bool ShowMinimise = true, ShowMaximise = true, ShowSysMenu = true;
    bool ShowSaveReportButton = true, ShowLoadReportButton = true, ShowPrintButton = true;
    bool ShowPrintSetupButton = true, ShowFindButton = true, ShowCopyButton = true, ShowGotoButton = true;
    bool ShowZoomFitButton = true, ShowZoom100Button = true, ShowZoomToWidthButton = true;
    bool ShowCancelButton = true, ShowZoomPickButton = true;
    bool ShowFirstButton = true, ShowNextButton = true, ShowPrevButton = true, ShowLastButton = true;
    bool ShowThumbs = true;
    int PagesInPreview = 0;
    int prevInitWidth = 800;
    int prevInitHeight = 640;
    int PrevInitLeft = 0;
    int PrevInitTop = 0;
    TPrevSaveType PrevDefaultSaveType = stRpP;
    TFormStyle PrevWindowStyle = fsNormal;
    TWindowState PrevInitState = wsNormal;
    TRpZoomState PrevInitZoom = rpZoomToFit;
};

// ---- the base panel -----------------------------------------------------------------------------

// A report panel: the report's design surface and every band. It shows the layout at a zoom.
class TRpFrame;
class TStrings;

class TRpBasePanel : public TCustomControl, public IRpPanel {
    SDELKA_CLASS(TRpBasePanel, TCustomControl)
protected:
    explicit TRpBasePanel(TComponent* AOwner);
    ~TRpBasePanel() override;

public:
    int PanelZoom() const override { return FZoom; }
    // The panel's frame; on a report it is painted around the printable area of every page.
    TRpFrame* Frame() const { return FFrame; }
    // Copies the given frame into the panel's own.
    void SetFrame(TRpFrame* Value);
    int Zoom() const { return FZoom; }
    // Zooms outside 1..300 are ignored.
    virtual void SetZoom(int Value);

protected:
    void Paint() override;
    int FZoom = 100;
    TRpFrame* FFrame = nullptr;
};

// ---- bands --------------------------------------------------------------------------------------

class TRpCustomBand : public TRpBasePanel, public IRpBand {
    SDELKA_CLASS(TRpCustomBand, TRpBasePanel)
protected:
    explicit TRpCustomBand(TComponent* AOwner);
    ~TRpCustomBand() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // IRpBand
    IRpReport* BandReport() override;
    TRpUnit BandUnits() override;
    // Room on the page for growing by Height beyond what the band grew already.
    bool CanExpand(Extended Height) override;
    // Grows the band; answers its expansion so far.
    Extended ExpandBand(Extended Height) override;

    void SetParent(TWinControl* AParent) override;

    TRpBandType BandType() const { return FRpBandType; }
    void SetBandType(TRpBandType Value);
    TCustomRpReport* ParentReport() const { return FParentReport; }
    virtual void SetParentReport(TCustomRpReport* Value);
    TRpBandSize* Size() const { return FSize; }
    // Copies the size.
    void SetSize(TRpBandSize* Value);
    // The band's height in native units.
    Extended NativeHeight() const;
    void SetNativeHeight(Extended Value);
    Extended Expanded() const { return FExpanded; }
    bool BandEnabled() const { return FEnabled; }
    void SetBandEnabled(bool Value);
    // A band that must fit on the page together with this one. A circular chain is refused.
    TRpCustomBand* LinkBand() const { return FLinkBand; }
    void SetLinkBand(TRpCustomBand* Value);
    // The first child band of the report whose parent band this is.
    TRpChildBand* ChildBand() const;
    bool HasChild() const { return ChildBand() != nullptr; }
    void SetHasChild(bool Value);
    // The height the band needs for its stretching printables, native units.
    void ExpandedHeight(Extended& NewHeight);
    // A new printable of the class on the band, owned by the band's owner, 10 pixels right of the
    // rightmost printable (at 1 on an empty band).
    TRpPrintable* AddPrintable(TClass PrintableClass);
    // The size decides the height; the report lays the bands out. A change from code or the
    // designer goes through the size; while loading only a height other than 40 is remembered.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Loaded() override;
    // Prints the band at the report's position (the report's PrintBand calls it).
    virtual void DoPrint();

    bool AlignToBottom = false;
    bool ForceNewColumn = false;
    bool ForceNewPage = false;
    bool TransparentBand = true;
    bool KeepOnOnePage = false;
    bool PreCaluculateBandHeight = false;
    bool PrintedInHeader = false;
    bool SuppressBeforePrint = false;
    bool AutoActivateChild = false;
    TRpCustomController* NotifyController = nullptr;
    TRpBandBeforePrintEvent BeforePrint;
    TRpBandAfterPrintEvent AfterPrint;

protected:
    friend class TCustomRpReport;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    // Asked before the band prints (not at design time): the layout's BeforePrint may veto.
    virtual void DoBeforePrint(bool& PrintIt) {
        if (BeforePrint) BeforePrint(this, PrintIt);
    }
    // Makes room for the band: a new column (or page) when it does not fit.
    void MakeSpace();
    Extended LinkedHeight() const;
    // The type the band prints as: a child band the type of the first non-child up its chain.
    TRpBandType EffectiveType() const;

    TRpBandType FRpBandType = rbDetail;
    TCustomRpReport* FParentReport = nullptr;
    TRpBandSize* FSize = nullptr;
    TRpCustomBand* FLinkBand = nullptr;
    Extended FExpanded = 0;
    Extended FExpandedHeight = 0;
    bool FEnabled = true;
    bool FParentUpdating = false;  // set while the report lays the band out
    int LoadedHeight = 40;
    TRect BandFrameRect;
};

class TRpBand : public TRpCustomBand {
    SDELKA_CLASS(TRpBand, TRpCustomBand)
protected:
    ~TRpBand() override = default;
    explicit TRpBand(TComponent* AOwner) : TRpCustomBand(AOwner) {}
};

// A band that prints right before or after its parent band.
class TRpChildBand : public TRpCustomBand {
    SDELKA_CLASS(TRpChildBand, TRpCustomBand)
protected:
    explicit TRpChildBand(TComponent* AOwner);
    ~TRpChildBand() override = default;

public:
    TRpCustomBand* ParentBand() const { return FParentBand; }
    // A chain of parents leading back to this band is refused.
    void SetParentBand(TRpCustomBand* Value);
    TCBPrintOrder PrintOrder = cboAfterParent;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TRpCustomBand* FParentBand = nullptr;
};

// ---- groups and sub-details ---------------------------------------------------------------------

// A group header band: prints when the value of Expression changes; its footer band prints when a
// run of equal values ends.
class TRpGroup : public TRpCustomBand {
    SDELKA_CLASS(TRpGroup, TRpCustomBand)
protected:
    explicit TRpGroup(TComponent* AOwner);
    ~TRpGroup() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    void SetParent(TWinControl* AParent) override;

    String Expression() const { return FExpression; }
    void SetExpression(const String& Value) { FExpression = Value; }
    TRpCustomBand* FooterBand() const { return FFooterBand; }
    void SetFooterBand(TRpCustomBand* Value);
    // The report or controller band whose data loop the group belongs to.
    TComponent* Master() const { return FMaster; }
    void SetMaster(TComponent* Value);
    bool ReprintOnNewPage = false;
    int GroupIndex = 0;

    // Run operations of the controller.
    void PrepareRun();
    void UnprepareRun();
    void CheckChange();
    // Forces a change: the value is evaluated and stored.
    void ForceChange();
    void PrintHeader();
    void PrintFooter();
    bool Changed() const { return FReprint; }
    void SetChanged(bool Value) { FReprint = Value; }
    bool InGroup() const { return FInGroup; }
    void SetInGroup(bool Value) { FInGroup = Value; }
    void ClearResult() { FHasResult = false; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TRpEvaluator* FEvaluator = nullptr;
    TRpEvResult* FGroupValue = nullptr;
    String FExpression;
    TRpCustomBand* FFooterBand = nullptr;
    TComponent* FMaster = nullptr;
    bool FReprint = false;
    bool FHasResult = false;
    bool FInGroup = false;
    int PrintPageNumber = 1;
    int PrintColumnNumber = 1;
};

// A band carrying a data loop of its own, run once per record of its master.
class TRpControllerBand : public TRpCustomBand, public IRpNotifyMaster {
    SDELKA_CLASS(TRpControllerBand, TRpCustomBand)
protected:
    explicit TRpControllerBand(TComponent* AOwner);
    ~TRpControllerBand() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    void SetParent(TWinControl* AParent) override;

    TRpController* Controller() const { return FController; }
    TComponent* Master() const { return FMaster; }
    // A master chain leading back to this band is refused.
    void SetMaster(TComponent* Value);
    bool PrintBefore() const;
    void SetPrintBefore(bool Value);
    bool PrintIfEmpty() const;
    void SetPrintIfEmpty(bool Value);
    void AddNotifyClient(TRpPrintable* Printable) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TRpController* FController = nullptr;
    TComponent* FMaster = nullptr;
};

class TRpSubDetail;

// The band switches of a sub-detail: whether it has a header and a footer band. Writing true
// creates the band through the report's CreateBand; writing false frees it.
class TRpSubDetailGroupBands : public TPersistent {
    SDELKA_CLASS(TRpSubDetailGroupBands, TPersistent)
public:
    explicit TRpSubDetailGroupBands(TRpSubDetail* AOwner = nullptr) : FOwner(AOwner) {}
    bool HasHeader() const;
    void SetHasHeader(bool Value);
    bool HasFooter() const;
    void SetHasFooter(bool Value);

private:
    TRpSubDetail* FOwner;
};

// A sub-detail: prints once per record of its own dataset, between optional header and footer.
class TRpSubDetail : public TRpControllerBand {
    SDELKA_CLASS(TRpSubDetail, TRpControllerBand)
protected:
    explicit TRpSubDetail(TComponent* AOwner);
    ~TRpSubDetail() override = default;

public:
    void BeforeDestruction() override;
    TRpSubDetailGroupBands* Bands() const { return FBands; }
    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* Value);
    TRpCustomBand* HeaderBand() const;
    void SetHeaderBand(TRpCustomBand* Value);
    TRpCustomBand* FooterBand() const;
    void SetFooterBand(TRpCustomBand* Value);
    void SetOnNeedData(const TRpOnNeedDataEvent& Value);

private:
    TRpSubDetailGroupBands* FBands = nullptr;
};

// ---- controllers --------------------------------------------------------------------------------

class TRpCustomController : public TComponent {
    SDELKA_CLASS(TRpCustomController, TComponent)
protected:
    explicit TRpCustomController(TComponent* AOwner);
    ~TRpCustomController() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    virtual void PrepareLists();
    virtual void RunDataLoop();
    virtual void BeginRun();
    virtual void EndRun();
    virtual void RunAfterControllers();
    virtual void RunBeforeControllers();
    virtual void PrintEmpty();
    virtual void RegisterBands(TList* List) {}
    virtual void RegisterDataSets() {}

    void AddNotifyClient(TRpPrintable* Printable);
    void NotifyClients(int Operation);
    bool CheckGroups();
    void PrintGroupHeaders();
    void PrintGroupFooters();
    void InvertGroupChanges();

    TComponent* OrgOwner() const { return FOrgOwner; }
    // The controller of a band or a report (AMaker), owned by no component: the maker frees it.
    static TRpCustomController* NewFor(TComponent* AMaker, bool AWithDataSet);
    TComponent* Master() const { return FMaster; }
    void SetMaster(TComponent* Value);
    TComponent* SelfCheck() const { return FSelfCheck; }
    void SetSelfCheck(TComponent* Value) { FSelfCheck = Value; }
    TCustomRpReport* ParentReport() const { return FParentReport; }
    void SetParentReport(TCustomRpReport* Value) { FParentReport = Value; }
    bool PrintIfEmpty = true;
    bool PrintBefore = false;
    TList* GroupList() const { return FGroupList; }
    // Bands reprinted as column headers on every new page or column.
    std::vector<TRpCustomBand*> ColHeaders;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TComponent* FOrgOwner = nullptr;
    TComponent* FMaster = nullptr;
    TComponent* FSelfCheck = nullptr;
    TCustomRpReport* FParentReport = nullptr;
    TList* PrintAfterList = nullptr;
    TList* PrintBeforeList = nullptr;
    TList* FGroupList = nullptr;
    TList* NotifyList = nullptr;
};

// A controller over a dataset (or OnNeedData) with a header, a detail and a footer band.
class TRpController : public TRpCustomController {
    SDELKA_CLASS(TRpController, TRpCustomController)
protected:
    explicit TRpController(TComponent* AOwner) : TRpCustomController(AOwner) {}
    ~TRpController() override = default;

public:
    void RunDataLoop() override;
    void PrintEmpty() override;
    void RegisterBands(TList* List) override;
    void RegisterDataSets() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);
    TRpCustomBand* Header = nullptr;
    TRpCustomBand* Detail = nullptr;
    TRpCustomBand* Footer = nullptr;
    TRpOnNeedDataEvent OnNeedData;
    int DetailNumber = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TDataSet* FDataSet = nullptr;
};

// ---- the report ---------------------------------------------------------------------------------

// The band switches of a report: whether it has a band of each kind, and the first band of each kind.
class TRpReportBands : public TPersistent {
    SDELKA_CLASS(TRpReportBands, TPersistent)
public:
    explicit TRpReportBands(TCustomRpReport* AOwner = nullptr) : FOwner(AOwner) {}
    // Index 1 title, 2 page header, 3 column header, 4 detail, 5 column footer (there is no such
    // band: always nil), 6 page footer, 7 summary.
    TRpCustomBand* GetBand(int Index) const;
    bool HasBand(int Index) const { return GetBand(Index) != nullptr; }
    // True creates a band of the kind when there is none; false frees the first one.
    void SetHasBand(int Index, bool Value);
    bool HasTitle() const { return HasBand(1); }
    void SetHasTitle(bool V) { SetHasBand(1, V); }
    bool HasPageHeader() const { return HasBand(2); }
    void SetHasPageHeader(bool V) { SetHasBand(2, V); }
    bool HasColumnHeader() const { return HasBand(3); }
    void SetHasColumnHeader(bool V) { SetHasBand(3, V); }
    bool HasDetail() const { return HasBand(4); }
    void SetHasDetail(bool V) { SetHasBand(4, V); }
    bool HasPageFooter() const { return HasBand(6); }
    void SetHasPageFooter(bool V) { SetHasBand(6, V); }
    bool HasSummary() const { return HasBand(7); }
    void SetHasSummary(bool V) { SetHasBand(7, V); }

private:
    TCustomRpReport* FOwner;
};

// What a report is doing, for the designer and the application.
enum TRpState : int { rpAvailable, rpPrepare, rpPreview, rpPrint, rpEdit };

class TCustomRpReport : public TRpBasePanel, public IRpReport, public IRpPrinterReport {
    SDELKA_CLASS(TCustomRpReport, TRpBasePanel)
protected:
    explicit TCustomRpReport(TComponent* AOwner);
    ~TCustomRpReport() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // IRpUnitsReport
    void SetPageExtent(int Width, int Height) override;
    void SetBandValues() override;
    void RepaintPage() override { Invalidate(); }
    void SetPrinterOrientation(TPrinterOrientation Value) override;
    void SetReportUnits(TRpUnit Value) override { SetUnits(Value); }
    int ReportFontSize() const override;
    // IRpNotifyMaster
    void AddNotifyClient(TRpPrintable* Printable) override;
    // IRpReport
    TComponent* ReportComponent() override { return this; }
    TRpUnit ReportUnits() override { return FUnits; }
    int ReportZoom() override { return FZoom; }
    bool FinalPass() override { return FFinalPass; }
    bool Exporting() override { return FExportFilter != nullptr; }
    TRpExportFilter* ExportFilter() override { return FExportFilter; }
    TRpPrinter* RpPrinter() override { return FRpPrinter; }
    // Measured at 96 dpi through one measuring context per font, kept while the report lives; the height is
    // the font's line height (ascent and descent), whatever the text.
    int TextWidth(TFont* Font, const String& Text) override;
    int TextHeight(TFont* Font, const String& Text) override;
    // Off: every measure takes a fresh context, as reports once did (a reference for comparisons).
    static void SetSharedMeasuring(bool On);
    void Modify() override;
    bool PreparingDesignTime() override { return FPreparingDesignTime; }
    // Page-link records are collected while generating (PageLinkInfoList: page N at index N).
    bool UsePreviewLinks() override { return FUsePreviewLinks; }
    void SetUsePreviewLinks(bool Value) { FUsePreviewLinks = Value; }
    TRpPageInfoList* PageLinkInfoList() const { return FPageLinkInfoList; }
    TRpLinkPage* CurrLinkPage() override { return FCurrLinkPage; }
    int PageNumber() override { return FPageNumber; }
    String ReportTitle() override { return FReportTitle; }
    bool IsDataReport() override { return false; }
    int RecordCount() override { return 1; }
    int RecordNumber() override { return 0; }
    TRpDataSetList* AllDataSets() override { return FAllDataSets; }
    TRpEvEnvironment* Functions() override { return FFunctions; }
    // The state of the report's run, which its bands, printables and export filter read.
    TRpRunState& RunState() override { return FRunState; }
    // IRpPrinterReport
    TRpPrinterSettings* PrinterSettings() override;
    TRpPage* PageSetup() override { return FPage; }
    bool ShowProgress() override { return FShowProgress; }
    // Printing and exporting show a progress window that can cancel the run.
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool AdjustScreenRes() override { return true; }
    void DoAfterPrint() override;

    void SetZoom(int Value) override;
    virtual void SetUnits(TRpUnit Value);
    virtual void RunController();
    virtual void GenerateReport(bool PartOfComposite);
    virtual void AssignControllerBands() {}

    // Generates into a new page printer without showing anything; RpPrinter then holds the pages.
    void Prepare();
    // Opens the preview of the pages generated.
    void Preview();
    // Generates straight to the printer; a failure to print is reported.
    void Print();
    // Generates straight to the printer in a report thread and returns at once; the UI thread
    // stays free. Refused while this report or any other runs.
    void PrintBackground();
    // A report thread of this report (background print or preview) has not finished yet.
    bool RunningInBackground() const { return FBackgroundRuns.load() > 0; }
    // Asks for the printer, copies and page range (the report's Tag becomes 1 when the dialog is
    // cancelled, 0 when confirmed); the choices go to PrinterSettings and UserPrinterSettings.
    void PrinterSetup();
    // Opens the preview window and generates into it; waits until the preview closes.
    void PreviewModal();
    void PreviewModeless();
    // Generates in a report thread while the preview window shows the pages as they come.
    void PreviewInBackground(bool Modal);
    // Generates through an export filter; the pages of the run are discarded.
    void ExportToFilter(TRpExportFilter* AFilter);
    // Exports as a member of a composite report: through AFilter into the composite's printer,
    // the report's own printer set aside for the run.
    void ExportComposite(TRpExportFilter* AFilter, TRpPrinter* ExportPrinter);
    // The document viewer's preview of the report (the export library installs the viewer).
    void PreviewXML(bool Modal);
    // The report as a member of a composite report.
    IRpCompositeMember* CompositeMember();
    // In a composite report the report begins a new page.
    bool StartNewPageInComposite = false;
    // Exports into an HTML filter as a web form: scripts on, the web controls made interactive;
    // any other filter is left alone.
    void ExportWebForm(TRpExportFilter* AFilter);
    // Set while a web-form export runs.
    bool g_lob = false;
    void Cancel();

    TRpBand* CreateBand(TRpBandType BandType);
    void AddBand(TRpCustomBand* Band);
    void RemoveBand(TRpCustomBand* Band);
    void RebuildBandList();
    void PrintBand(TRpCustomBand* Band);
    // Room left on the page, native units; 0 outside a run or before the first page.
    int AvailableSpace();
    void NewColumn();
    void NewPage(bool PrintColumnHeaders);
    void EndPage();
    void ResetPageFooterSize();
    // Prints the column-header entries of the report's controller.
    void PrintColumnHeaders();

    TRpPage* Page() const { return FPage; }
    TRpReportBands* Bands() const { return FBands; }
    TRpCustomController* Controller() const { return FController; }
    TList* BandList() const { return FBandList; }
    TRpCustomBand* FirstBand(TRpBandType Type) const;
    bool Available() const { return FAvailable; }
    bool Cancelled() const { return FCancelled; }
    TRpReportOptions Options = {FirstPageHeader, LastPageFooter};
    bool PrintIfEmpty() const;
    void SetPrintIfEmpty(bool Value);
    void SetReportTitle(const String& Value) { FReportTitle = Value; }
    int CurrentX = 0;
    int CurrentY = -1;
    int CurrentColumn = 1;
    int ColumnTopPosition = 0;
    int PagesInPreview = 0;
    int RotateBands = 0;
    // Stop request of the preview, read by a run that may go on in a report thread.
    std::atomic<bool> UserCancel{false};
    bool FLastPage = false;
    bool NoForceNewPage = false;
    TColor BackgroundColor = TColor(0xFFFFFF);
    TRpReportBeforePrintEvent BeforePrint;
    TNotifyEvent OnStartPage;
    TNotifyEvent OnEndPage;
    TRpAfterPrintEvent AfterPrintEvent;
    TRpExportEvent OnExport;
    // The name of a picture placed on the report itself that every page shows as its background.
    String BackImageControl;
    // A free description of the report; writing copies the lines given.
    TStrings* Description() const { return FDescription; }
    void SetDescription(TStrings* Value);
    // The designer lays the bands out below the page instead of on it.
    bool HideBands() const { return FHideBands; }
    void SetHideBands(bool Value);
    TRpState State = rpAvailable;
    // The designer snaps controls to its grid.
    bool SnapToGrid = true;

    // ---- the preview window's settings
    TFormStyle PrevFormStyle = fsNormal;
    TWindowState PreviewInitialState = wsNormal;
    // Read as 500 when not above 0.
    int PreviewWidth() const { return FPreviewWidth > 0 ? FPreviewWidth : 500; }
    void SetPreviewWidth(int Value) { FPreviewWidth = Value; }
    int PreviewHeight() const { return FPreviewHeight > 0 ? FPreviewHeight : 500; }
    void SetPreviewHeight(int Value) { FPreviewHeight = Value; }
    int PreviewLeft = 0;
    int PreviewTop = 0;
    bool PrevShowThumbs = true;
    bool PrevShowSearch = true;
    TRpZoomState PrevInitialZoom = rpZoomToFit;
    TPrevSaveType PreviewDefaultSaveType = stPDF;
    bool CreateInBGThread = false;
    // The preview's printer-setup button prints after a confirmed setup.
    bool PrintAfterSetup = false;
    TRpPreviewController* PreviewController() const { return FPreviewSetup; }
    void SetPreviewController(TRpPreviewController* Value);
    TRpPrinterSettings* ReportPrinterSettings() const { return FPrinterSettings; }
    // The choices of the last printer-setup dialog.
    TRpPrinterSettings* UserPrinterSettings() const { return FUserPrinterSettings; }
    // The composite report this report belongs to; none when standalone.
    TObject* ParentComposite = nullptr;
    TRpStandPrevEvent OnStandPrevEvent;
    TRpStandPrevMouseEvent onStandPrevMouseEvent;
    // The XML document viewer's events (Sender: the document).
    TRpPreviewXEvent OnPrevXEvent;
    // Raised with the device mode when the page printer reads the device's settings and when it
    // writes the report's wishes into them before a job; Cancel keeps the device mode as it was.
    TRpPrinterSettingsEvent OnGetPrinterSettings;
    TRpPrinterSettingsEvent OnApplyPrinterSettings;
    TNotifyEvent BeforePreview;
    TRpAfterPreviewEvent AfterPreview;
    TRpAfterPreviewEvent OnPreviewShowing;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The page printer's print request (WM_USER + 2) and preview-closed notice (WM_USER + 4).
    void Dispatch(TMessage& Message) override;
    void Paint() override;
    // The page's background: its colour and the background picture, on the page and to the filter.
    void PrintPageBackground();
    // With ShowProgress, on the UI thread: a progress window as the client of the run's printer,
    // for the caller to free; nullptr otherwise. An empty caption keeps the window's own.
    TRpProgressForm* ShowProgressWindow(const String& Caption);
    // Creates and hooks a page printer for a preview; false when a run is going on.
    bool PreparePreviewPrinter();
    // Waits, handling messages, while the printer shows its preview.
    void WaitForPreview(TRpPrinter* Printer);
    bool CreatePrinter();
    // Puts a new page printer in place of the report's, which goes to Saved: false (the old one
    // back) when none is made; ERpError "No printer is installed" when the printer is not ready.
    bool ReplacePrinterForPrinting(TRpPrinter*& Saved);
    void HookPrinter();
    void ApplyPrinterSettings();
    // Every printable on the report and its bands, depth first.
    void ForEachPrintable(const std::function<void(TRpPrintable*)>& Fn);
    // Starts a report thread that generates into the report's printer.
    void StartReportThread();
    // On the UI thread, once the last report thread of the report has ended.
    virtual void BackgroundRunEnded() {}

    TRpPage* FPage = nullptr;
    TRpRunState FRunState;
    TRpReportBands* FBands = nullptr;
    TRpCustomController* FController = nullptr;
    TList* FBandList = nullptr;
    TRpEvEnvironment* FFunctions = nullptr;
    TRpPrinterSettings* FPrinterSettings = nullptr;
    TRpPrinter* FRpPrinter = nullptr;
    TRpExportFilter* FExportFilter = nullptr;
    TRpDataSetList* FAllDataSets = nullptr;
    TRpLinkPage* FCurrLinkPage = nullptr;
    // The current link record is the list's once EndPage added it.
    bool FCurrLinkListed = false;
    bool FUsePreviewLinks = false;
    TRpPageInfoList* FPageLinkInfoList = nullptr;
    // The picture named by BackImageControl, found when a run starts.
    TRpPrintable* FBackgroundControl = nullptr;
    TRpEvElement* EvPageNum = nullptr;
    TRpEvElement* EvColNum = nullptr;
    TRpUnit FUnits = MM;
    String FReportTitle;
    int FPageNumber = 0;
    int PageFooterSize = 0;
    bool FAvailable = true;
    bool FCancelled = false;
    bool FFinalPass = true;
    bool FShowProgress = true;
    bool FPreparingDesignTime = false;
    bool FModified = false;
    bool FDestroying = false;
    bool FHideBands = false;
    TStrings* FDescription = nullptr;
    // Report threads started and not yet finished; the report waits for them before it goes.
    std::atomic<int> FBackgroundRuns{0};
    int FPreviewWidth = 0;
    int FPreviewHeight = 0;
    TRpPreviewController* FPreviewSetup = nullptr;
    TRpPrinterSettings* FUserPrinterSettings = nullptr;
    // As a member of a composite: the adapter, and the report's own printer set aside meanwhile.
    friend class TRpReportCompositeMember;
    std::unique_ptr<IRpCompositeMember> FCompositeMember;
    TRpPrinter* FOwnPrinter = nullptr;
    bool FInComposite = false;
    struct TMeasuring;
    std::unique_ptr<TMeasuring> FMeasuring;
};

// The XML document viewer's preview of a report; the export library installs it
// (RpRegisterExportFilters). Without it PreviewXML shows nothing.
extern std::function<void(TCustomRpReport* Report, bool Modal)> RpPreviewReportXML;

// The report bound to one dataset: its title, detail and summary bands are the header, detail and
// footer of its data controller.
class TRpReport : public TCustomRpReport {
    SDELKA_CLASS(TRpReport, TCustomRpReport)
protected:
    explicit TRpReport(TComponent* AOwner) : TCustomRpReport(AOwner) {}
    ~TRpReport() override = default;

public:
    void AfterConstruction() override;

    bool IsDataReport() override { return true; }
    int RecordCount() override;
    int RecordNumber() override;
    void AssignControllerBands() override;
    void RunController() override;

    TRpController* DataController() const;
    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* Value);
    TRpOnNeedDataEvent OnNeedData;
    int ReplaceRecordCount = 0;
    // RecordCount does not move the dataset: it answers the dataset's own count as it stands.
    bool usePassiveRecordCount = false;
};
