// A report and a band for printable tests: they implement what a printable asks of them, record
// what it asked, and print through a real report printer into metafile pages.
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/lists.h"
#include "report/rpevenvironment.h"
#include "report/rppageinfo.h"
#include "report/rppages.h"
#include "report/rpprintable.h"
#include "report/rpexportfilter.h"
#include "report/rpprinter.h"

#include <optional>
#include <vector>

// Text widths either from the screen's metrics or fixed: CharWidth pixels per character.
class TTestReport : public TCustomControl, public IRpReport, public IRpPanel {
    SDELKA_CLASS(TTestReport, TCustomControl)
protected:
    explicit TTestReport(TComponent* AOwner) : TCustomControl(AOwner) {}
    ~TTestReport() override = default;

public:
    void AfterConstruction() override {
        inherited::AfterConstruction();
        FEnv = New<TRpEvEnvironment>();
        FDataSets = New<TRpDataSetList>();
        FLinkPage = New<TRpLinkPage>();
    }
    void BeforeDestruction() override {
        inherited::BeforeDestruction();
        EndDocument();
        FreeAndNil(FEnv);
        FreeAndNil(FDataSets);
        FreeAndNil(FLinkPage);
    }

    // IRpUnitsReport
    void SetPageExtent(int, int) override {}
    void SetBandValues() override {}
    void RepaintPage() override {}
    void SetPrinterOrientation(TPrinterOrientation) override {}
    void SetReportUnits(TRpUnit) override {}
    int ReportFontSize() const override { return 10; }
    // IRpNotifyMaster
    void AddNotifyClient(TRpPrintable* P) override { NotifyClients.push_back(P); }
    // IRpReport
    TComponent* ReportComponent() override { return this; }
    TRpUnit ReportUnits() override { return Units; }
    int ReportZoom() override { return ZoomValue; }
    bool FinalPass() override { return !IsExporting; }
    bool Exporting() override { return IsExporting; }
    TRpExportFilter* ExportFilter() override { return Filter; }
    TRpPrinter* RpPrinter() override { return FPrinter; }
    int TextWidth(TFont* Font, const String& Text) override {
        if (CharWidth > 0) return CharWidth * int(Text.size());
        DC.SelectFont(Font->LogFont());
        return DC.GetTextExtent(Text).cx;
    }
    int TextHeight(TFont* Font, const String& Text) override {
        if (CharWidth > 0) return CharHeight;
        DC.SelectFont(Font->LogFont());
        return DC.GetTextExtent(Text).cy;
    }
    void Modify() override { ++Modifications; }
    bool PreparingDesignTime() override { return false; }
    bool UsePreviewLinks() override { return PreviewLinks; }
    TRpLinkPage* CurrLinkPage() override { return FLinkPage; }
    int PageNumber() override { return FPrinter ? FPrinter->PageNumber() : 0; }
    String ReportTitle() override { return Title; }
    bool IsDataReport() override { return DataReport; }
    int RecordCount() override { return Records; }
    int RecordNumber() override { return RecordNo; }
    TRpDataSetList* AllDataSets() override { return FDataSets; }
    TRpEvEnvironment* Functions() override { return FEnv; }
    TRpRunState& RunState() override { return Run; }
    TRpRunState Run;
    // IRpPanel
    int PanelZoom() const override { return ZoomValue; }

    // A document of metafile pages; the first page is open.
    void BeginDocument() {
        EndDocument();
        FPrinter = New<TRpPrinter>(nullptr);
        FPrinter->BeginDoc();
        FPrinter->NewPage();
    }
    void NewPage() { FPrinter->NewPage(); }
    void EndDocument() {
        if (!FPrinter) return;
        FPrinter->EndDoc();
        for (int i = 1; i <= FPrinter->PageList()->PageCount(); ++i) {
            TOwned<TMetafile> Page(FPrinter->GetPage(i));
            Pages.push_back(Page->Data());
        }
        FreeAndNil(FPrinter);
    }
    TRpPrinter* Printer() const { return FPrinter; }

    // The text records of a page, in order.
    std::vector<TEnhMetaText> PageTexts(int Index) const {
        std::vector<TEnhMetaText> R;
        EnumEnhMetaFile(Pages[size_t(Index)], [&R](const TEnhMetaRecord& Rec) {
            TEnhMetaText T;
            if (DecodeExtTextOutW(Rec, T)) R.push_back(T);
            return true;
        });
        return R;
    }
    std::vector<String> PageStrings(int Index) const {
        std::vector<String> R;
        for (auto& T : PageTexts(Index)) R.push_back(T.Text);
        return R;
    }
    // Count of records of a type on a page.
    int CountRecords(int Index, unsigned Type) const {
        int N = 0;
        EnumEnhMetaFile(Pages[size_t(Index)], [&N, Type](const TEnhMetaRecord& Rec) {
            if (Rec.Type == Type) ++N;
            return true;
        });
        return N;
    }

    TRpUnit Units = Native;
    int ZoomValue = 100;
    bool IsExporting = false;
    TRpExportFilter* Filter = nullptr;
    int CharWidth = 0;
    int CharHeight = 12;
    int Modifications = 0;
    bool PreviewLinks = false;
    String Title;
    bool DataReport = true;
    int Records = 0;
    int RecordNo = 0;
    std::vector<TRpPrintable*> NotifyClients;
    std::vector<QByteArray> Pages;
    TRpLinkPage* LinkPage() const { return FLinkPage; }

private:
    TMeasureDC DC{96};
    TRpPrinter* FPrinter = nullptr;
    TRpEvEnvironment* FEnv = nullptr;
    TRpDataSetList* FDataSets = nullptr;
    TRpLinkPage* FLinkPage = nullptr;
};

// A band that may grow by up to MaxExpansion native units on the current page.
class TTestBand : public TCustomControl, public IRpBand, public IRpPanel {
    SDELKA_CLASS(TTestBand, TCustomControl)
protected:
    explicit TTestBand(TComponent* AOwner) : TCustomControl(AOwner) {}
    ~TTestBand() override = default;

public:
    IRpReport* BandReport() override { return Report; }
    TRpUnit BandUnits() override { return Report ? Report->ReportUnits() : Native; }
    bool CanExpand(Extended Height) override { return Expansion + Height <= MaxExpansion; }
    Extended ExpandBand(Extended Height) override {
        Expansion += Height;
        return Expansion;
    }
    int PanelZoom() const override { return Zoom; }
    // A new page: the band has not grown on it.
    void ResetExpansion() { Expansion = 0; }

    IRpReport* Report = nullptr;
    Extended Expansion = 0;
    Extended MaxExpansion = 0;
    int Zoom = 100;
};

// A report with one band 500 pixels wide, both owned by the report.
struct TPrintableFixture {
    TTestReport* Report = nullptr;
    TTestBand* Band = nullptr;
    TPrintableFixture() {
        Report = New<TTestReport>(nullptr);
        Report->SetBounds(0, 0, 800, 1100);
        Band = New<TTestBand>(Report);
        Band->Report = Report;
        Band->SetBounds(0, 0, 500, 200);
        Band->SetParent(Report);
    }
    ~TPrintableFixture() { Report->Free(); }
    template <class T>
    T* Add(const char* Name) {
        T* P = New<T>(Report);
        P->SetName(QString::fromLatin1(Name));
        P->SetParent(Band);
        return P;
    }
};
