#include "report/rplabelreport.h"

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpevaluator.h"
#include "report/rpevenvironment.h"
#include "report/rpevextra.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Page values by index, in native units.
enum { pgBottom = 0, pgLength = 1, pgTop = 2 };

TRpCustomBand* OwnedBand(TComponent* Owner, const String& Name) {
    if (!Owner) return nullptr;
    return dynamic_cast<TRpCustomBand*>(Owner->FindComponent(Name));
}

// Labels of height LabelHeight with a spacing of Space that fit a printable height; 0 when not
// even one fits (or the heights are no heights at all).
int FitCount(Extended Printable, Extended LabelHeight, Extended Space) {
    if (LabelHeight + Space <= 0) return 0;
    return std::max(0, RoundToInt((Printable + Space) / (LabelHeight + Space)));
}

}  // namespace

// ---- TLabelSettings ------------------------------------------------------------------------------

void TLabelSettings::Published(TPublished<TLabelSettings>& P) {
    P.Integer("FirstLabel", &TLabelSettings::FirstLabel, &TLabelSettings::SetFirstLabel);
    P.Integer("LabelCount", &TLabelSettings::LabelCount, &TLabelSettings::SetLabelCount);
}

void TLabelSettings::Assign(TPersistent* Source) {
    if (auto S = dynamic_cast<TLabelSettings*>(Source)) {
        fFirstLabel = S->fFirstLabel;
        fLabelCount = S->fLabelCount;
        return;
    }
    inherited::Assign(Source);
}

// ---- TRpPRpReport --------------------------------------------------------------------------------

TRpPRpReport::TRpPRpReport(TComponent* AOwner) : TRpReport(AOwner) {}

TRpPRpReport::~TRpPRpReport() = default;

void TRpPRpReport::AfterConstruction() {
    inherited::AfterConstruction();
    FLabelSettings = New<TLabelSettings>();
    // PAGECOUNT answers the page count of the automatic preparation.
    TRpEvReportAccess& A = RpEvReportAccess();
    if (!A.PageCount) {
        A.PageCountReportClass = TRpPRpReport::StaticClass();
        A.PageCount = [](TComponent* C) { return static_cast<TRpPRpReport*>(C)->TotalPageCount; };
    }
}

void TRpPRpReport::BeforeDestruction() {
    DoneReportPrint();
    inherited::BeforeDestruction();
    FreeAndNil(FLabelSettings);
}

void TRpPRpReport::Published(TPublished<TRpPRpReport>& P) {
    P.Object("LabelSettings", &TRpPRpReport::LabelSettings, &TRpPRpReport::SetLabelSettings);
    P.Boolean("PrepareAutomatically", &TRpPRpReport::PrepareAutomatically, &TRpPRpReport::SetPrepareAutomatically)
        .Default(0);
}

void TRpPRpReport::SetLabelSettings(TLabelSettings* Value) {
    if (Value && Value != FLabelSettings) FLabelSettings->Assign(Value);
}

template <class Fn>
void TRpPRpReport::Run(Fn Operation) {
    // A run in a report thread uses the skip bands until it ends: the label run ends then
    // (BackgroundRunEnded), and no other operation starts meanwhile.
    if (RunningInBackground()) return;
    if (!PrepareReportPrint()) return;
    try {
        Operation();
    } catch (...) {
        if (!RunningInBackground()) DoneReportPrint();
        throw;
    }
    if (!RunningInBackground()) DoneReportPrint();
}

void TRpPRpReport::Print() {
    Run([this] { inherited::Print(); });
}

void TRpPRpReport::Preview() {
    Run([this] { inherited::Preview(); });
}

void TRpPRpReport::PrintBackground() {
    Run([this] { inherited::PrintBackground(); });
}

void TRpPRpReport::ExportToFilter(TRpExportFilter* AFilter) {
    Run([this, AFilter] { inherited::ExportToFilter(AFilter); });
}

void TRpPRpReport::PreviewModal() {
    Run([this] { inherited::PreviewModal(); });
}

void TRpPRpReport::PreviewModeless() {
    Run([this] { inherited::PreviewModeless(); });
}

void TRpPRpReport::Prepare() {
    if (PrepareReportPrint()) inherited::Prepare();
}

void TRpPRpReport::BackgroundRunEnded() { DoneReportPrint(); }

int TRpPRpReport::LabelsPerColumn(TRpCustomBand* LabelBand, TRpCustomBand* RowSpace) {
    if (!LabelBand) return 0;
    const Extended Printable = FPage->NativeValue(pgLength) - FPage->NativeValue(pgTop) - FPage->NativeValue(pgBottom);
    return FitCount(Printable, LabelBand->NativeHeight(), RowSpace ? RowSpace->NativeHeight() : 0);
}

bool TRpPRpReport::PrepareReportPrint() {
    if (FReportPrintPrepared) return true;
    FReportPrintPrepared = true;
    TComponent* Own = Owner();
    TRpCustomBand* LabelBand = OwnedBand(Own, u"LabelBand"_s);
    if (!LabelBand) LabelBand = OwnedBand(Own, u"DetailBand"_s);
    if (FLabelSettings->FirstLabel() > 1 && LabelBand) {
        int Skip = FLabelSettings->FirstLabel() - 1;
        auto Group = New<TRpGroup>(Own);
        Group->SetParent(this);
        Group->SetNativeHeight(0);
        FSkipLabelsBand1 = Group;
        FSkipLabelsBand2 = New<TRpPChildBand>(Own);
        FSkipLabelsBand2->SetParent(this);
        FSkipLabelsBand2->SetParentBand(Group);
        FSkipLabelsBand2->SetNativeHeight(0);
        FSkipLabelsBand3 = New<TRpPChildBand>(Own);
        FSkipLabelsBand3->SetParent(this);
        FSkipLabelsBand3->SetParentBand(FSkipLabelsBand2);
        TRpCustomBand* RowSpace = OwnedBand(Own, u"RowSpace"_s);
        const int N = LabelsPerColumn(LabelBand, RowSpace);
        // Whole columns are skipped by breaks, one per skip band; what is left of the first label
        // column is the height of the last one. Without a label that fits a column nothing is
        // skipped by columns.
        int Columns = 0;
        if (N > 0) {
            while (N <= Skip && Columns < 2) {
                Skip -= N;
                ++Columns;
            }
        }
        FSkipLabelsBand2->ForceNewColumn = Columns >= 1;
        FSkipLabelsBand3->ForceNewColumn = Columns >= 2;
        const Extended Space = RowSpace ? RowSpace->NativeHeight() : 0;
        FSkipLabelsBand3->SetNativeHeight(Skip * (LabelBand->NativeHeight() + Space));
    }
    if (FPrepareAutomatically) {
        if (Screen) Screen->SetCursor(crHourGlass);
        try {
            inherited::Prepare();
        } catch (...) {
            if (Screen) Screen->SetCursor(crDefault);
            throw;
        }
        if (Screen) Screen->SetCursor(crDefault);
        TotalPageCount = RpPrinter() ? RpPrinter()->PageCount() : 0;
    }
    return true;
}

void TRpPRpReport::DoneReportPrint() {
    if (!FReportPrintPrepared) return;
    FReportPrintPrepared = false;
    FreeAndNil(FSkipLabelsBand3);
    FreeAndNil(FSkipLabelsBand2);
    FreeAndNil(FSkipLabelsBand1);
    TotalPageCount = 0;
}

// ---- TRpPChildBand -------------------------------------------------------------------------------

TRpPChildBand::TRpPChildBand(TComponent* AOwner) : TRpChildBand(AOwner) {}

void TRpPChildBand::Published(TPublished<TRpPChildBand>& P) {
    P.Integer("PagePrints", &TRpPChildBand::PagePrints, &TRpPChildBand::SetPagePrints);
    P.String("Expression", &TRpPChildBand::Expression, &TRpPChildBand::SetExpression);
    P.Boolean("NotOnFirstPage", &TRpPChildBand::NotOnFirstPage, &TRpPChildBand::SetNotOnFirstPage).Default(0);
    P.Boolean("NotOnLastPage", &TRpPChildBand::NotOnLastPage, &TRpPChildBand::SetNotOnLastPage).Default(0);
}

void TRpPChildBand::BandBeforePrint(TObject* Sender, bool& PrintBand) {
    TCustomRpReport* R = ParentReport();
    bool Holds = true;
    if (!FExpression.isEmpty() && R) {
        TOwned<TRpEvaluator> E = NewOwned<TRpEvaluator>();
        E->SetDataSets(R->AllDataSets());
        E->SetEnvironment(R->Functions());
        if (TRpEvEnvironment* F = R->Functions()) E->SetContext(F->Context());
        E->Prepare(FExpression);
        TRpEvResult V;
        E->Value(V);
        if (V.Kind == resBool) Holds = V.booResult;
        E->UnPrepare();
    }
    PrintBand = Holds;
    if (!PrintBand) return;
    const int Page = R ? R->PageNumber() : 0;
    if (LastPage != Page) {
        FPagePrints = 1;
        LastPage = Page;
    } else {
        ++FPagePrints;
    }
    TRpCustomBand* Parent = ParentBand();
    if (Name() == u"RowSpace"_s && Parent && R) {
        TRpPage* Pg = R->Page();
        const Extended Printable = Pg->NativeValue(pgLength) - Pg->NativeValue(pgTop) - Pg->NativeValue(pgBottom);
        // Without a label that fits a column there is no column end to leave the space out at.
        const int N = FitCount(Printable, Parent->NativeHeight(), NativeHeight());
        if (N > 0) {
            if (LastPage == 1) {
                auto L = dynamic_cast<TRpPRpReport*>(R);
                const int First = L ? std::max(1, L->LabelSettings()->FirstLabel()) : 1;
                PrintBand = (FPagePrints + First - 1) % N != 0;
            } else {
                PrintBand = FPagePrints % N != 0;
            }
        }
    }
    if (BeforePrint) BeforePrint(Sender, PrintBand);
}

void TRpPChildBand::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool Adjust = !InSetBounds;
    const int Old = Height();
    InSetBounds = true;
    try {
        inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
    } catch (...) {
        InSetBounds = false;
        throw;
    }
    const int Delta = Height() - Old;
    if (Adjust && Delta != 0) {
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* C = Controls(i);
            PPropInfo Fix = GetPropInfo(C, u"FixBottomPosition"_s);
            if (Fix && Fix->Kind == pkBoolean && GetOrdProp(C, Fix) != 0) C->SetTop(std::max(0, C->Top() + Delta));
            PPropInfo Stretch = GetPropInfo(C, u"StretchHeightWithBand"_s);
            if (Stretch && Stretch->Kind == pkBoolean && GetOrdProp(C, Stretch) != 0)
                C->SetHeight(std::max(0, C->Height() + Delta));
        }
    }
    InSetBounds = false;
}
