// The composite report: several reports printed, prepared or exported as one document with one
// page numbering. Each report goes on from the page position, page count and column where the
// previous one ended, unless it asks for a new page. The host adds the reports in OnAddReports;
// the composite owns one report printer for the whole run.
//
// The composite reaches its reports through IRpCompositeMember, which the report component
// implements (its composite-mode generation and export).
#pragma once

#include "platform/gui/controls.h"
#include "platform/rtl/lists.h"
#include "report/rpprintersettings.h"

#include <functional>

class TRpPrinter;
class TRpExportFilter;
class TRpCompositeReport;

// What the composite asks of each report it prints.
class IRpCompositeMember {
public:
    virtual ~IRpCompositeMember() = default;
    // The report as a component (its Tag tells the generation which report closes the document).
    virtual TComponent* MemberComponent() = 0;
    virtual void SetParentComposite(TRpCompositeReport* Composite) = 0;
    // The report switches to native units (tenths of a millimetre) for the run.
    virtual void SwitchToNativeUnits() = 0;
    virtual Extended PageLength() = 0;
    virtual Extended PageLeftMargin() = 0;
    virtual int PageColumns() = 0;
    virtual bool StartNewPageInComposite() = 0;
    virtual void SetExportFilter(TRpExportFilter* Filter) = 0;
    virtual void SetRpPrinter(TRpPrinter* Printer) = 0;
    virtual void SetZoom(int Value) = 0;
    // Where the report starts and, after its run, where it ended: vertical and horizontal
    // position (native units), pages so far and current column.
    virtual int CurrentY() = 0;
    virtual void SetCurrentY(int Value) = 0;
    virtual void SetCurrentX(int Value) = 0;
    virtual int PageCount() = 0;
    virtual void SetPageCount(int Value) = 0;
    virtual int CurrentColumn() = 0;
    virtual void SetCurrentColumn(int Value) = 0;
    // The generation as part of a composite document, and the same run through an export filter.
    virtual void GenerateReport(bool PartOfComposite) = 0;
    virtual void ExportComposite(TRpExportFilter* Filter, TRpPrinter* Printer) = 0;
    virtual void DoAfterPrint() = 0;
    virtual bool Cancelled() = 0;
    virtual void Cancel() = 0;
    // The composite's run is over (also after an error): the report lets go of its printer.
    virtual void EndComposite() {}
};

// The XML document viewer's preview of a composite report; the export library installs it
// (RpRegisterExportFilters). Without it PreviewXML shows nothing.
extern std::function<void(TRpCompositeReport* Composite)> RpPreviewCompositeXML;

using TCompositeEvent = TEvent<void(TObject* Sender, TObject* Report, int reportNumber)>;

class TRpCompositePrinterSettings : public TRpPrinterSettings {
    SDELKA_CLASS(TRpCompositePrinterSettings, TRpPrinterSettings)
public:
    TRpCompositePrinterSettings();
};

// The hidden window that receives the preview's print request and close notice.
class TRpCompositeWinControl : public TWinControl {
    SDELKA_CLASS(TRpCompositeWinControl, TWinControl)
protected:
    explicit TRpCompositeWinControl(TComponent* AOwner) : TWinControl(AOwner) {}
    ~TRpCompositeWinControl() override = default;

public:
    void BeforeDestruction() override;
    void Dispatch(TMessage& Message) override;
    TRpCompositeReport* ParentReport = nullptr;
};

class TRpCompositeReport : public TComponent {
    SDELKA_CLASS(TRpCompositeReport, TComponent)
protected:
    explicit TRpCompositeReport(TComponent* AOwner);
    ~TRpCompositeReport() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // Generates into a printer that the composite keeps, so its pages can be read afterwards.
    void Prepare();
    // Generates straight to the printer.
    void Print();
    // Opens the preview and generates into it; returns when the preview no longer shows the
    // document (or the application ends). The preview's print button prints the composite again,
    // its export runs ExportToFilter.
    void Preview();
    void ExportToFilter(TRpExportFilter* AFilter);
    // Asks for the printer, copies, bin and page range (Tag 1 when the dialog is cancelled, 0
    // when confirmed); the choices go to PrinterSettings.
    void PrinterSetup();
    // The document viewer's preview of the composite.
    void PreviewXML();

    // Pages begun by the reports of the running document.
    int GlobalPageCount = 0;

    TListT<TComponent>* Reports() const { return FReports; }
    TRpCompositePrinterSettings* PrinterSettings() const { return FPrinterSettings; }
    TRpPrinter* RpPrinter() const { return FRpPrinter; }
    String ReportTitle() const { return FReportTitle; }
    void SetReportTitle(const String& Value) { FReportTitle = Value; }
    int PageCount() const { return FPagecount; }
    int Index() const { return FIndex; }
    int CurrReport() const { return FCurrReport; }
    bool Generating() const { return FGenerating; }
    bool Exporting() const { return FExporting; }
    TRpExportFilter* ExportFilter() const { return FExportFilter; }
    TWinControl* WinControl() const { return aWinControl; }

    TNotifyEvent OnAddReports;
    TNotifyEvent OnFinished;
    TCompositeEvent OnStartReport;
    TCompositeEvent OnCompositePreview;

private:
    bool RunMember(IRpCompositeMember* R, int Index, bool Last, const std::function<void()>& Work, int& Y,
                   int& Column, int& Pages);
    friend class TRpCompositeWinControl;
    // The members, checked to be reports that can take part.
    std::vector<IRpCompositeMember*> Members();
    void ApplySettings(TRpPrinter* APrinter);
    // The generation into FRpPrinter.
    void Generate();
    void FreePrinter();

    TRpCompositePrinterSettings* FPrinterSettings = nullptr;
    TRpPrinter* FRpPrinter = nullptr;
    TListT<TComponent>* FReports = nullptr;
    int FIndex = 0;
    int FCurrReport = 0;
    String FReportTitle;
    bool FGenerating = false;
    int FPagecount = 0;
    TRpExportFilter* FExportFilter = nullptr;
    bool FExporting = false;
    IRpCompositeMember* aReport = nullptr;
    TRpCompositeWinControl* aWinControl = nullptr;
};
