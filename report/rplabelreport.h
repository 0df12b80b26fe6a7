// Label sheets and conditional bands.
//
// TRpPRpReport is a report with label settings: printing can start at any label position of a
// sheet (FirstLabel, counted from 1). Before a run it places invisible skip bands ahead of the
// label band (the owner's component named "LabelBand", else "DetailBand"): a group band and two
// child bands, the last as high as the labels to skip in the first column; whole columns to skip
// become forced column breaks. With PrepareAutomatically it first prepares the report once to know
// the total page count (PAGECOUNT answers it during the run). Every output operation prepares,
// runs and takes the skip bands away again; Prepare alone leaves them until a later operation.
//
// TRpPChildBand prints only when its expression holds, counts its prints per page, and as the
// row-space band ("RowSpace") of a label sheet leaves itself out after the last label of each
// column. When its height changes it moves bottom-fixed printables and stretches stretching ones.
#pragma once

#include "report/rpreport.h"

class TLabelSettings : public TPersistent {
    SDELKA_CLASS(TLabelSettings, TPersistent)
public:
    TLabelSettings() = default;
    static void Published(TPublished<TLabelSettings>& P);
    void Assign(TPersistent* Source) override;

    int FirstLabel() const { return fFirstLabel; }
    void SetFirstLabel(int Value) { fFirstLabel = Value; }
    int LabelCount() const { return fLabelCount; }
    void SetLabelCount(int Value) { fLabelCount = Value; }

private:
    int fFirstLabel = 0;
    int fLabelCount = 0;
};

class TRpPRpReport : public TRpReport {
    SDELKA_CLASS(TRpPRpReport, TRpReport)
protected:
    explicit TRpPRpReport(TComponent* AOwner);
    ~TRpPRpReport() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpPRpReport>& P);

    // Each prepares the label run, runs the report's operation, and ends the label run.
    void Print();
    void Preview();
    void PrintBackground();
    void ExportToFilter(TRpExportFilter* AFilter);
    void PreviewModal();
    // Generates in a report thread; the label run ends when the thread is done.
    void PreviewModeless();
    // Prepares the label run and the report; the skip bands stay until a later operation ends it.
    void Prepare();

    virtual bool PrepareReportPrint();
    virtual void DoneReportPrint();

protected:
    void BackgroundRunEnded() override;

public:

    TLabelSettings* LabelSettings() const { return FLabelSettings; }
    void SetLabelSettings(TLabelSettings* Value);
    bool PrepareAutomatically() const { return FPrepareAutomatically; }
    void SetPrepareAutomatically(bool Value) { FPrepareAutomatically = Value; }
    bool ReportPrintPrepared() const { return FReportPrintPrepared; }
    TRpCustomBand* SkipLabelsBand1() const { return FSkipLabelsBand1; }
    TRpChildBand* SkipLabelsBand2() const { return FSkipLabelsBand2; }
    TRpChildBand* SkipLabelsBand3() const { return FSkipLabelsBand3; }
    // Labels that fit one column for a label band and an optional row-space band (0 when not even
    // one fits).
    int LabelsPerColumn(TRpCustomBand* LabelBand, TRpCustomBand* RowSpace);

    // The page count of the automatic preparation; 0 outside a label run.
    int TotalPageCount = 0;

private:
    template <class Fn>
    void Run(Fn Operation);

    TLabelSettings* FLabelSettings = nullptr;
    bool FPrepareAutomatically = false;
    bool FReportPrintPrepared = false;
    TRpCustomBand* FSkipLabelsBand1 = nullptr;
    TRpChildBand* FSkipLabelsBand2 = nullptr;
    TRpChildBand* FSkipLabelsBand3 = nullptr;
};

// A child band that prints only when its expression holds (an empty one always holds), counts its
// prints per page, leaves itself out after the last label of a column when it is the row-space
// band ("RowSpace") of a label sheet, and keeps bottom-fixed and stretching printables in place
// when its height changes. The layout's own BeforePrint handler runs after those tests, and only
// when they let the band print.
class TRpPChildBand : public TRpChildBand {
    SDELKA_CLASS(TRpPChildBand, TRpChildBand)
protected:
    explicit TRpPChildBand(TComponent* AOwner);
    ~TRpPChildBand() override = default;

public:
    static void Published(TPublished<TRpPChildBand>& P);

    // The expression test, the page count and the row-space rule, then the layout's BeforePrint.
    virtual void BandBeforePrint(TObject* Sender, bool& PrintBand);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    String Expression() const { return FExpression; }
    void SetExpression(const String& Value) { FExpression = Value; }
    int PagePrints() const { return FPagePrints; }
    void SetPagePrints(int Value) { FPagePrints = Value; }
    bool NotOnFirstPage() const { return FNotOnFirstPage; }
    void SetNotOnFirstPage(bool Value) { FNotOnFirstPage = Value; }
    bool NotOnLastPage() const { return FNotOnLastPage; }
    void SetNotOnLastPage(bool Value) { FNotOnLastPage = Value; }

protected:
    void DoBeforePrint(bool& PrintIt) override { BandBeforePrint(this, PrintIt); }

private:
    bool FNotOnFirstPage = false;
    bool FNotOnLastPage = false;
    String FExpression;
    int FPagePrints = 0;
    int LastPage = 0;
    bool InSetBounds = false;
};
