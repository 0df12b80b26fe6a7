#include "report/rpcomposite.h"

#include "platform/gui/forms.h"
#include "platform/rtl/rtlmath.h"
#include "report/rperror.h"
#include "report/rpexportfilter.h"
#include "report/rpprinter.h"
#include "report/rpprnsu.h"
#include "report/rpreport.h"

std::function<void(TRpCompositeReport* Composite)> RpPreviewCompositeXML;

// ---- TRpCompositePrinterSettings -----------------------------------------------------------------

TRpCompositePrinterSettings::TRpCompositePrinterSettings() {
    SetMemoryLimit(250000);
    SetPrintQuality(600);
}

// ---- TRpCompositeWinControl ----------------------------------------------------------------------

void TRpCompositeWinControl::BeforeDestruction() {
    if (ParentReport && ParentReport->aWinControl == this) ParentReport->aWinControl = nullptr;
    inherited::BeforeDestruction();
}

void TRpCompositeWinControl::Dispatch(TMessage& Message) {
    if (ParentReport && Message.Msg == RP_WM_PRINT) {
        ParentReport->Print();
        return;
    }
    if (ParentReport && Message.Msg == RP_WM_PREVIEWCLOSED) {
        if (ParentReport->FGenerating && ParentReport->aReport)
            ParentReport->aReport->Cancel();
        else
            ParentReport->FreePrinter();
        return;
    }
    inherited::Dispatch(Message);
}

// ---- TRpCompositeReport --------------------------------------------------------------------------

TRpCompositeReport::TRpCompositeReport(TComponent* AOwner) : TComponent(AOwner) {}

TRpCompositeReport::~TRpCompositeReport() = default;

void TRpCompositeReport::AfterConstruction() {
    inherited::AfterConstruction();
    FReports = New<TListT<TComponent>>();
    FPrinterSettings = New<TRpCompositePrinterSettings>();
    FGenerating = false;
    aWinControl = New<TRpCompositeWinControl>(nullptr);
    aWinControl->ParentReport = this;
}

void TRpCompositeReport::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreePrinter();
    if (aWinControl) {
        TRpCompositeWinControl* W = aWinControl;
        aWinControl = nullptr;
        W->ParentReport = nullptr;
        W->Free();
    }
    FreeAndNil(FReports);
    FreeAndNil(FPrinterSettings);
}

void TRpCompositeReport::FreePrinter() { FreeAndNil(FRpPrinter); }

std::vector<IRpCompositeMember*> TRpCompositeReport::Members() {
    std::vector<IRpCompositeMember*> R;
    for (int i = 0; i < FReports->Count(); ++i) {
        TComponent* C = FReports->Items(i);
        auto M = dynamic_cast<IRpCompositeMember*>(C);
        if (!M)
            if (auto* Report = dynamic_cast<TCustomRpReport*>(C)) M = Report->CompositeMember();
        if (!M) throw ERpError(QStringLiteral("Only reports can be part of a composite report"));
        R.push_back(M);
    }
    return R;
}

void TRpCompositeReport::ApplySettings(TRpPrinter* P) {
    TRpCompositePrinterSettings* S = FPrinterSettings;
    if (P->PrinterIndex() != S->PrinterIndex() && S->PrinterIndex() >= 0) P->SetPrinterIndex(S->PrinterIndex());
    P->SetPaperSize(S->PaperSize());
    P->SetOrientation(S->Orientation());
    P->SetTitle(S->Title());
    S->ApplyDeviceSettings(P);
}

// Runs one member report inside the composite: the last one is tagged 999 so it closes the
// document, its own Tag comes back whatever happens, and the position it ended at carries on to the
// next member. Answers whether the member was cancelled.
bool TRpCompositeReport::RunMember(IRpCompositeMember* R, int Index, bool Last, const std::function<void()>& Work,
                                   int& Y, int& Column, int& Pages) {
    TComponent* C = R->MemberComponent();
    const Integer SavedTag = C->Tag();
    if (Last) C->SetTag(999);
    try {
        if (OnStartReport) OnStartReport(this, C, Index);
        Work();
        R->DoAfterPrint();
    } catch (...) {
        C->SetTag(SavedTag);
        throw;
    }
    C->SetTag(SavedTag);
    if (R->Cancelled()) return true;
    if (OnFinished) OnFinished(C);
    Y = R->CurrentY();
    Column = R->CurrentColumn();
    Pages = R->PageCount();
    return false;
}

void TRpCompositeReport::Generate() {
    FReports->Clear();
    if (aWinControl && Owner() && Owner()->Is<TWinControl>()) aWinControl->SetParent(static_cast<TWinControl*>(Owner()));
    if (OnAddReports) OnAddReports(this);
    std::vector<IRpCompositeMember*> List = Members();
    if (!List.empty()) {
        for (auto M : List) M->SetParentComposite(this);
        ApplySettings(FRpPrinter);
        FRpPrinter->BeginDoc();
        List[0]->SwitchToNativeUnits();
        int Y = int(Round(List[0]->PageLength()));
        int Pages = 0;
        int Column = List[0]->PageColumns();
        GlobalPageCount = 0;
        FGenerating = true;
        bool Cancelled = false;
        auto EndMembers = [&List] {
            for (auto M : List) M->EndComposite();
        };
        try {
            for (size_t i = 0; i < List.size(); ++i) {
                IRpCompositeMember* R = List[i];
                FCurrReport = int(i);
                aReport = R;
                R->SetExportFilter(nullptr);
                R->SetRpPrinter(FRpPrinter);
                R->SetCurrentY(R->StartNewPageInComposite() ? FRpPrinter->PaperLengthValue() : Y);
                R->SetPageCount(Pages);
                R->SetCurrentColumn(Column);
                if (RunMember(R, int(i), i + 1 == List.size(), [R] { R->GenerateReport(true); }, Y, Column, Pages)) {
                    Cancelled = true;
                    break;
                }
            }
        } catch (...) {
            EndMembers();
            FGenerating = false;
            aReport = nullptr;
            throw;
        }
        EndMembers();
        aReport = nullptr;
        if (Cancelled)
            FreePrinter();
        else
            FRpPrinter->EndDoc();
        FPagecount = GlobalPageCount;
        FGenerating = false;
    }
    if (OnFinished) OnFinished(this);
}

void TRpCompositeReport::Prepare() {
    FreePrinter();
    FRpPrinter = New<TRpPrinter>(nullptr);
    Generate();
}

void TRpCompositeReport::Print() {
    FReports->Clear();
    if (OnAddReports) OnAddReports(this);
    std::vector<IRpCompositeMember*> List = Members();
    if (List.empty()) return;
    TRpPrinter* Saved = FRpPrinter;
    FRpPrinter = New<TRpPrinter>(nullptr);
    try {
        FRpPrinter->SetTitle(FReportTitle);
        FRpPrinter->SetFirstPage(FPrinterSettings->FirstPage());
        FRpPrinter->SetLastPage(FPrinterSettings->LastPage());
        FRpPrinter->SetDestination(rpdPrinter);
        FPrinterSettings->SetTitle(FReportTitle);
        Generate();
    } catch (...) {
        FreePrinter();
        FRpPrinter = Saved;
        throw;
    }
    FreePrinter();
    FRpPrinter = Saved;
}

void TRpCompositeReport::Preview() {
    TRpPrinter* Saved = FRpPrinter;
    FRpPrinter = New<TRpPrinter>(nullptr);
    auto Restore = [this, Saved] {
        FreePrinter();
        FRpPrinter = Saved;
    };
    try {
        FRpPrinter->SetTitle(FReportTitle);
        FRpPrinter->SetMaster(aWinControl);
        FRpPrinter->OnExportToFilter = [this](TRpExportFilter* F) { ExportToFilter(F); };
        if (OnCompositePreview) OnCompositePreview(this, this, FReports->Count());
        TRpPrinter* P = FRpPrinter;
        P->Preview();
        Generate();
        // A cancelled run has freed the printer.
        if (FRpPrinter == P) {
            P->SetReportLoaded(true);
            // Blocking on the message queue: a message at a time, no busy loop.
            while (FRpPrinter == P && P->ShowingPreview() && Application && !Application->Terminated())
                Application->HandleMessage();
        }
    } catch (...) {
        Restore();
        throw;
    }
    Restore();
}

void TRpCompositeReport::ExportToFilter(TRpExportFilter* AFilter) {
    TRpPrinter* Saved = FRpPrinter;
    FRpPrinter = New<TRpPrinter>(nullptr);
    FRpPrinter->SetDestination(rpdPrinter);
    FExporting = true;
    FExportFilter = AFilter;
    FReports->Clear();
    if (aWinControl && Owner() && Owner()->Is<TWinControl>()) aWinControl->SetParent(static_cast<TWinControl*>(Owner()));
    if (FPrinterSettings->PrinterIndex() >= 0) FRpPrinter->SetPrinterIndex(FPrinterSettings->PrinterIndex());
    std::vector<IRpCompositeMember*> List;
    auto Restore = [this, Saved, &List] {
        for (auto M : List) M->EndComposite();
        FGenerating = false;
        aReport = nullptr;
        FreePrinter();
        FRpPrinter = Saved;
    };
    try {
        if (OnAddReports) OnAddReports(this);
        List = Members();
        for (auto M : List) M->SetParentComposite(this);
        if (!List.empty()) {
            ApplySettings(FRpPrinter);
            FRpPrinter->SetDestination(rpdMetafile);
            FRpPrinter->BeginDoc();
            FRpPrinter->NewPage();
            List[0]->SwitchToNativeUnits();
            int Y = int(Round(List[0]->PageLength()));
            int Pages = 0;
            int Column = List[0]->PageColumns();
            FGenerating = true;
            bool Cancelled = false;
            for (size_t i = 0; i < List.size(); ++i) {
                IRpCompositeMember* R = List[i];
                FCurrReport = int(i);
                aReport = R;
                R->SetZoom(100);
                R->SetRpPrinter(FRpPrinter);
                R->SetCurrentY(R->StartNewPageInComposite() ? FRpPrinter->PaperLengthValue() : Y);
                R->SetPageCount(Pages);
                R->SetCurrentColumn(Column);
                R->SetCurrentX(int(R->PageLeftMargin()));
                if (RunMember(R, int(i), i + 1 == List.size(), [&] { R->ExportComposite(AFilter, FRpPrinter); }, Y,
                              Column, Pages)) {
                    Cancelled = true;
                    break;
                }
            }
            if (!Cancelled) FRpPrinter->EndDoc();
        }
    } catch (...) {
        Restore();
        throw;
    }
    Restore();
    if (OnFinished) OnFinished(this);
}

void TRpCompositeReport::PrinterSetup() {
    TPrinter* Pr = ::Printer();
    Pr->Refresh();
    TOwned<TRpPrintDialog> D = NewOwned<TRpPrintDialog>(Application);
    D->MinPage = 0;
    D->MaxPage = 9999;
    if (FRpPrinter && FRpPrinter->Status() == mpFinished) {
        D->MinPage = 1;
        D->MaxPage = FRpPrinter->PageCount();
        D->FromPage = 1;
        D->ToPage = FRpPrinter->PageCount();
    }
    D->Options = {poPageNums, poWarning};
    Pr->SetOrientation(FPrinterSettings->Orientation());
    D->SetCopies(FPrinterSettings->Copies());
    if (!D->Execute()) {
        SetTag(1);
        return;
    }
    TRpCompositePrinterSettings* S = FPrinterSettings;
    S->SetCopies(D->Copies());
    S->SetPrinterIndex(Pr->PrinterIndex());
    S->SetCustomBinCode(D->OutputBin);
    S->SetExtendedDuplex(D->DuplexCode);
    if (TRpBin bin; RpBinOfDeviceCode(D->OutputBin, bin)) S->SetOutputBin(bin);
    if (D->PrintRange == prPageNums) {
        S->SetFirstPage(D->FromPage);
        S->SetLastPage(D->ToPage);
    } else {
        S->SetFirstPage(0);
        S->SetLastPage(0);
    }
    SetTag(0);
}

void TRpCompositeReport::PreviewXML() {
    if (RpPreviewCompositeXML) RpPreviewCompositeXML(this);
}
