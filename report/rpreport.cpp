#include "report/rpreport.h"

#include "platform/db/db.h"
#include "platform/gui/canvas.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/graphics.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpcomposite.h"
#include "report/rperror.h"
#include "report/rpevaluator.h"
#include "report/rpevenvironment.h"
#include "report/rpframe.h"
#include "report/rplabels.h"
#include "report/rppageinfo.h"
#include "report/rpprgres.h"
#include "report/rpprintersettings.h"
#include "report/rprichtext.h"
#include "report/rpshapes.h"
#include "report/rpprnsu.h"
#include "platform/rtl/threads.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>
#include <cmath>

using namespace Qt::StringLiterals;


namespace {

// One report run at a time in the process: the run state above is shared by all reports.
std::atomic<bool> RunInProgress{false};

// Page values by index, in native units.
enum { pgBottom = 0, pgLength = 1, pgTop = 2, pgWidth = 3, pgLeft = 4, pgRight = 5, pgColSpace = 6 };

const char* const BandCaptions[] = {"Title", "Page Header", "Detail", "Page Footer", "Summary", "Group Header",
                                    "Group Footer", "Sub Detail", "Column Header", "Overlay", "Wild", "Child"};
const char* const BandStems[] = {"TitleBand", "PageHeaderBand", "DetailBand", "PageFooterBand",
                                 "SummaryBand", "GroupHeaderBand", "GroupFooterBand", "SubDetailBand",
                                 "ColumnHeaderBand", "OverlayBand", "WildBand", "ChildBand"};

void CircularLink(TComponent* C) {
    if (C->ComponentState().Contains(csDesigning)) ShowMessage(u"Circular linking not allowed"_s);
}

} // namespace

String RpBandTypeCaption(TRpBandType Type) { return String::fromLatin1(BandCaptions[Type]); }
String RpBandNameStem(TRpBandType Type) { return String::fromLatin1(BandStems[Type]); }

// ---- TRpBasePanel -------------------------------------------------------------------------------

TRpBasePanel::TRpBasePanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FFrame = New<TRpFrame>();
    FFrame->SetParent(this);
}

TRpBasePanel::~TRpBasePanel() { FreeAndNil(FFrame); }

void TRpBasePanel::SetFrame(TRpFrame* Value) {
    if (Value && Value != FFrame) FFrame->Assign(Value);
    Invalidate();
}

void TRpBasePanel::SetZoom(int Value) {
    if (Value < 1 || Value > 300) return;
    FZoom = Value;
    Invalidate();
}

void TRpBasePanel::Paint() {
    TCanvas* C = Canvas();
    C->Brush()->SetColor(Color());
    C->Brush()->SetStyle(bsSolid);
    C->FillRect(ClientRect());
}

// ---- TRpCustomBand ------------------------------------------------------------------------------

TRpCustomBand::TRpCustomBand(TComponent* AOwner) : TRpBasePanel(AOwner) {}

void TRpCustomBand::AfterConstruction() {
    inherited::AfterConstruction();
    FSize = New<TRpBandSize>();
    FSize->SetParent(this);
    SetColor(TColor(0xFFFFFF));
    inherited::SetBounds(0, 0, 100, 40);
}

void TRpCustomBand::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (ComponentState().Contains(csLoading)) {
        if (AHeight != 40) LoadedHeight = AHeight;
        return;
    }
    if (!FParentReport) inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!FSize) return;
    if (FSize->ParentUpdating()) {
        inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
        if (!FParentUpdating && FParentReport) FParentReport->SetBandValues();
        for (int i = 0; i < ControlCount(); ++i)
            if (auto P = dynamic_cast<TRpPrintable*>(Controls(i)); P && P->AlignToBand()) P->ControllerNotify(2);
        return;
    }
    FSize->SwitchToPixels();
    try {
        if (RoundToInt(FSize->GetValue(0)) != AHeight) FSize->SetValue(0, AHeight);
        if (ALeft != Left() || ATop != Top()) inherited::SetBounds(ALeft, ATop, Width(), Height());
    } catch (...) {
        FSize->RestoreUnits();
        throw;
    }
    FSize->RestoreUnits();
    if (FParentReport) FParentReport->Modify();
}

void TRpCustomBand::Loaded() {
    inherited::Loaded();
    if (FSize) FSize->AfterLoad();
    if (LoadedHeight != 40 && Height() == 40) SetBounds(Left(), Top(), Width(), LoadedHeight);
}

TRpPrintable* TRpCustomBand::AddPrintable(TClass PrintableClass) {
    auto P = dynamic_cast<TRpPrintable*>(PrintableClass->CreateObject(Owner()));
    if (!P) return nullptr;
    int X = 1;
    bool Any = false;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto Q = dynamic_cast<TRpPrintable*>(Controls(i)); Q && Q != P) {
            if (!Any || Q->Left() + Q->Width() > X) X = Q->Left() + Q->Width() + 10;
            Any = true;
        }
    P->SetParent(this);
    P->SetLeft(X);
    return P;
}

void TRpCustomBand::BeforeDestruction() {
    // Marked first, so that the band lists rebuilt on its removal leave it out (a group would
    // otherwise register itself again while it is being freed).
    Destroying();
    if (FParentReport) FParentReport->RemoveBand(this);
    FParentReport = nullptr;
    inherited::BeforeDestruction();
    FreeAndNil(FSize);
}

IRpReport* TRpCustomBand::BandReport() { return FParentReport; }
TRpUnit TRpCustomBand::BandUnits() { return FSize ? FSize->Units() : Native; }

Extended TRpCustomBand::NativeHeight() const { return FSize ? FSize->Length() : 0; }

void TRpCustomBand::SetNativeHeight(Extended Value) {
    const TRpUnit U = FSize->Units();
    FSize->SetUnits(Native);
    FSize->SetHeight(Value);
    FSize->SetUnits(U);
}

void TRpCustomBand::SetSize(TRpBandSize* Value) {
    if (Value && Value != FSize) {
        FSize->Assign(Value);
        FSize->ApplyToParent();
    }
}

bool TRpCustomBand::CanExpand(Extended Height) {
    if (!FParentReport) return false;
    return Int64(RoundToInt(NativeHeight() + FExpanded + Height)) <= Int64(FParentReport->AvailableSpace());
}

Extended TRpCustomBand::ExpandBand(Extended Height) {
    FExpanded += Height;
    return FExpanded;
}

void TRpCustomBand::SetParent(TWinControl* AParent) {
    if (auto Band = dynamic_cast<TRpCustomBand*>(AParent)) AParent = Band->Parent();
    if (FParentReport && AParent != FParentReport) {
        FParentReport->RemoveBand(this);
        FParentReport = nullptr;
    }
    inherited::SetParent(AParent);
    if (auto Report = dynamic_cast<TCustomRpReport*>(AParent)) {
        FSize->SetUnits(Report->ReportUnits());
        SetParentReport(Report);
        FSize->SetParentReport(Report);
        SetZoom(Report->Zoom());
        Report->AddBand(this);
    }
}

void TRpCustomBand::SetParentReport(TCustomRpReport* Value) {
    FParentReport = Value;
    if (!Value) return;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto P = dynamic_cast<TRpPrintable*>(Controls(i))) P->AttachReport(Value);
}

void TRpCustomBand::SetBandType(TRpBandType Value) {
    FRpBandType = Value;
    if (FParentReport) FParentReport->RebuildBandList();
}

void TRpCustomBand::SetBandEnabled(bool Value) {
    FEnabled = Value;
    Invalidate();
}

void TRpCustomBand::SetLinkBand(TRpCustomBand* Value) {
    for (TRpCustomBand* B = Value; B; B = B->FLinkBand)
        if (B == this) {
            CircularLink(this);
            return;
        }
    FLinkBand = Value;
    if (Value) Value->FreeNotification(this);
}

TRpChildBand* TRpCustomBand::ChildBand() const {
    if (!FParentReport) return nullptr;
    TList* L = FParentReport->BandList();
    for (int i = 0; i < L->Count(); ++i) {
        auto B = static_cast<TRpCustomBand*>(L->Items(i));
        if (B->BandType() != rbChild) continue;
        if (auto C = dynamic_cast<TRpChildBand*>(B); C && C->ParentBand() == this) return C;
    }
    return nullptr;
}

void TRpCustomBand::SetHasChild(bool Value) {
    if (Value == HasChild()) return;
    if (Value) {
        auto C = New<TRpChildBand>(Owner());
        C->SetParent(Parent());
        C->SetParentBand(this);
    } else {
        TRpChildBand* C = ChildBand();
        if (TRpChildBand* G = C->ChildBand()) G->SetParentBand(this);
        C->Free();
    }
}

void TRpCustomBand::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLinkBand) FLinkBand = nullptr;
}

TRpBandType TRpCustomBand::EffectiveType() const {
    const TRpCustomBand* B = this;
    while (auto C = dynamic_cast<const TRpChildBand*>(B)) {
        if (!C->ParentBand()) break;
        B = C->ParentBand();
    }
    return B->BandType();
}

Extended TRpCustomBand::LinkedHeight() const {
    // Native heights only: a page break must not depend on the screen's resolution or zoom.
    Extended H = NativeHeight();
    int Guard = 0;
    for (TRpCustomBand* L = FLinkBand; L && L != this && Guard < 1000; L = L->FLinkBand, ++Guard)
        H += L->NativeHeight();
    return H;
}

void TRpCustomBand::ExpandedHeight(Extended& NewHeight) {
    FExpandedHeight = NativeHeight();
    Extended Below = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        auto P = dynamic_cast<TRpPrintable*>(Controls(i));
        if (!P || !P->Enabled()) continue;
        // The stretching printables: texts (data texts and memos among them), rich texts and
        // pictures read from a field.
        if (!P->InheritsFrom(TRpCustomLabel::StaticClass()) && !P->InheritsFrom(TRpCustomRichText::StaticClass()) &&
            !P->InheritsFrom(TRpDBImage::StaticClass()))
            continue;
        Extended H = P->Height();
        P->GetExpandedHeight(H);
        const Extended Bottom = (P->Top() + H) / 0.37795;
        if (Bottom > FExpandedHeight) {
            FExpandedHeight = Bottom;
            Below = (Height() - P->Top() - P->Height() + 1) / 0.37795;
        }
    }
    if (Below < 0) Below = 0;
    NewHeight = FExpandedHeight + Below;
}

void TRpCustomBand::MakeSpace() {
    TCustomRpReport* R = FParentReport;
    TRpPage* Pg = R->Page();
    if (Pg->PrintOrder() == RowByRow && Pg->Columns() > 1) return;
    const int Needed = RoundToInt(LinkedHeight());
    const Extended Printable = Pg->NativeValue(pgLength) - Pg->NativeValue(pgTop) - Pg->NativeValue(pgBottom);
    const bool PageExists = R->PageNumber() > 0;
    const bool Fits = FRpBandType == rbPageFooter || Needed <= R->AvailableSpace() || Needed > Printable;
    if (Fits && PageExists) {
        if (FRpBandType == rbDetail) R->RunState().DetailBreak = false;
        return;
    }
    R->RunState().DetailBreak = FRpBandType == rbDetail;
    if (!(Pg->Continuous() && PageExists)) R->NewColumn();
}

void TRpCustomBand::DoPrint() {
    TCustomRpReport* R = FParentReport;
    if (!R) return;
    TRpPrinter* P = R->RpPrinter();
    if (P->Cancelled() && P->Destination() == rpdPrinter) return;
    const bool Designing = ComponentState().Contains(csDesigning);
    bool PrintIt = FEnabled;
    if (PrintIt && !Designing && !SuppressBeforePrint) DoBeforePrint(PrintIt);
    TRpPage* Pg = R->Page();
    auto DataCtl = dynamic_cast<TRpController*>(R->Controller());
    const int DetailNumber = DataCtl ? DataCtl->DetailNumber : 0;

    if (PrintIt) {
        // Summary on a page of several columns
        if (FRpBandType == rbSummary && Pg->Columns() > 1) {
            if (!AlignToBottom) {
                const int Cols = Pg->Columns();
                const Extended CW = (Pg->NativeValue(pgWidth) - (Pg->NativeValue(pgLeft) + Pg->NativeValue(pgRight)) -
                                     Pg->NativeValue(pgColSpace) * (Cols - 1)) / Cols;
                R->CurrentX = RoundToInt(Pg->NativeValue(pgLeft) + (R->CurrentColumn - 1) * CW) +
                              RoundToInt(Pg->NativeValue(pgColSpace) * (R->CurrentColumn - 1));
                const TRpUnit U = FSize->Units();
                FSize->SetUnits(Native);
                FSize->SetWidth(CW);
                FSize->SetUnits(U);
            } else {
                R->NewPage(true);
            }
        }
        // Child printed before
        TRpChildBand* Child = ChildBand();
        if (Child && (Child->PrintOrder == cboBeforeParent || Child->PrintOrder == cboBeforeAndAfter)) {
            if (FRpBandType == rbPageFooter) Child->FRpBandType = rbPageFooter;
            R->PrintBand(Child);
            Child->FRpBandType = rbChild;
        }
        if (Child && AutoActivateChild && FRpBandType == rbGroupHeader) Child->SetBandEnabled(true);

        // Breaks
        const auto& ColHeaders = R->Controller()->ColHeaders;
        const bool NoColumnHeaders = ColHeaders.empty() && R->PageNumber() == 0;
        const bool FirstDetail = !ColHeaders.empty() && DetailNumber < 2;
        const bool BreakType = FRpBandType == rbSummary || FRpBandType == rbGroupHeader ||
                               FRpBandType == rbGroupFooter || FRpBandType == rbSubDetail ||
                               FRpBandType == rbWild || FRpBandType == rbChild;
        const bool IsColHeader = std::find(ColHeaders.begin(), ColHeaders.end(), this) != ColHeaders.end();
        auto Group = dynamic_cast<TRpGroup*>(this);
        bool EndsHere = false;
        if ((ForceNewPage || ForceNewColumn) && FRpBandType == rbDetail && !NoColumnHeaders && !FirstDetail) {
            if (ForceNewPage)
                R->NewPage(true);
            else
                R->NewColumn();
        } else if (ForceNewPage && !R->RunState().DetailBreak && BreakType && DetailNumber > 1 &&
                   !(FRpBandType == rbGroupHeader && Group && Group->InGroup())) {
            SuppressBeforePrint = true;
            try {
                R->NewPage(true);
            } catch (...) {
                SuppressBeforePrint = false;
                throw;
            }
            SuppressBeforePrint = false;
            R->RunState().DetailBreak = false;
            EndsHere = IsColHeader;
        } else if (ForceNewColumn && BreakType && R->PageNumber() > 0) {
            SuppressBeforePrint = true;
            try {
                R->NewColumn();
            } catch (...) {
                SuppressBeforePrint = false;
                throw;
            }
            SuppressBeforePrint = false;
            EndsHere = IsColHeader;
        } else {
            MakeSpace();
            EndsHere = (FRpBandType == rbGroupHeader && PrintedInHeader) || R->Cancelled();
        }
        if (EndsHere) {
            R->RunState().DetailBreak = false;
            return;
        }

        if (NotifyController && DetailNumber > 0) NotifyController->NotifyClients(0);

        if (KeepOnOnePage) {
            Extended H = 0;
            ExpandedHeight(H);
            if (H > R->AvailableSpace()) R->NewColumn();
        }

        // Background
        const bool FinalOrExport = R->FinalPass() || R->Exporting();
        const Extended SavedHeight = NativeHeight();
        auto FrameRect = [&](Extended H) {
            return TRect(P->XPos(R->CurrentX), P->YPos(R->CurrentY), P->XPos(FSize->NativeWidth() + R->CurrentX),
                         P->YPos(H + R->CurrentY));
        };
        if (!TransparentBand && FEnabled) {
            Extended H = SavedHeight;
            if (PreCaluculateBandHeight) ExpandedHeight(H);
            BandFrameRect = FrameRect(H);
            // An export gets the band's background as a filled rectangle.
            if (R->Exporting() && R->ExportFilter()) {
                TOwned<TRpShape> Shape = NewOwned<TRpShape>(nullptr);
                Shape->Brush()->SetStyle(bsSolid);
                Shape->Brush()->SetColor(Color());
                Shape->Pen()->SetStyle(psClear);
                Shape->SetBounds(BandFrameRect.Left, BandFrameRect.Top, BandFrameRect.Right - BandFrameRect.Left,
                                 BandFrameRect.Bottom - BandFrameRect.Top);
                R->ExportFilter()->AcceptGraphic(BandFrameRect.Left, BandFrameRect.Top, Shape.get());
            }
        }

        // Printables
        FExpanded = 0;
        if (Height() > 0) {
            if (R->FinalPass() && !TransparentBand && P->Canvas()) {
                P->Canvas()->Brush()->SetColor(Color());
                P->Canvas()->Brush()->SetStyle(bsSolid);
                P->Canvas()->FillRect(BandFrameRect);
            }
            Extended MaxExpanded = 0;
            bool FirstPass = true;
            bool AllFinished;
            // A printable that cannot put out anything on a fresh page is given up after a page, so a
            // report never makes pages without end.
            int FreshPagesWithoutProgress = 0;
            do {
                AllFinished = true;
                bool AnyPrinted = false;
                for (int i = 0; i < ControlCount(); ++i) {
                    auto Pr = dynamic_cast<TRpPrintable*>(Controls(i));
                    if (!Pr || !Pr->Enabled()) continue;
                    FExpanded = 0;
                    if (FirstPass || !Pr->PrintFinished()) {
                        const int Mark = Pr->ContinuationMark();
                        Pr->Print(R->CurrentX, R->CurrentY);
                        AnyPrinted = AnyPrinted || Pr->PrintFinished() || Pr->ContinuationMark() != Mark;
                    }
                    AllFinished = AllFinished && Pr->PrintFinished();
                    MaxExpanded = std::max(MaxExpanded, FExpanded);
                }
                FExpanded = MaxExpanded;
                if (FinalOrExport && P->Canvas()) {
                    BandFrameRect = FrameRect(SavedHeight + FExpanded + 1);
                    // The frame and its frame lines, on the page and to an export.
                    FFrame->PaintIt(P->Canvas(), BandFrameRect, P->XFactor(), P->YFactor());
                }
                if (!AllFinished) {
                    // nothing moved on a fresh page: the rest can never fit, the control is finished
                    if (!FirstPass && !AnyPrinted) {
                        if (++FreshPagesWithoutProgress > 0) {
                            for (int i = 0; i < ControlCount(); ++i)
                                if (auto Pr = dynamic_cast<TRpPrintable*>(Controls(i))) Pr->SetPrintFinished(true);
                            AllFinished = true;
                            break;
                        }
                    } else {
                        FreshPagesWithoutProgress = 0;
                    }
                    R->RunState().DetailBreak = true;
                    R->NewColumn();
                    R->RunState().DetailBreak = false;
                    FExpanded = 0;
                    MaxExpanded = 0;
                }
                FirstPass = false;
            } while (!AllFinished);
        }
        // An HTML export marks where the band lies on the page with a hidden element.
        if (R->Exporting() && R->ExportFilter()->TakesHTMLTags()) {
            const TRect Box = FrameRect(SavedHeight + FExpanded);
            R->ExportFilter()->AcceptHTMLTag(
                QStringLiteral("<DIV id=\"%1\" name=\"%2\" class=\"rpband\" style=\"visibility:hidden;position:absolute;"
                               "left:%3px;top:!xx!px;width:%4px;height:%5px;\"></div>")
                    .arg(Name(), RpBandTypeCaption(FRpBandType).toHtmlEscaped())
                    .arg(Box.Left)
                    .arg(Box.Right - Box.Left)
                    .arg(Box.Bottom - Box.Top),
                Box.Top);
        }
        R->CurrentY += RoundToInt(SavedHeight + FExpanded);
    }
    if (!PrintIt && NotifyController && !FEnabled) NotifyController->NotifyClients(0);

    if (AfterPrint && !Designing) AfterPrint(this, PrintIt);

    // The child printed after the band prints also when the band's BeforePrint vetoed the band.
    if (FEnabled) {
        TRpChildBand* Child = ChildBand();
        if (Child && (Child->PrintOrder == cboAfterParent || Child->PrintOrder == cboBeforeAndAfter)) {
            if (FRpBandType == rbGroupFooter) Child->FRpBandType = rbGroupFooter;
            if (FRpBandType == rbPageFooter) Child->FRpBandType = rbPageFooter;
            R->RunState().DetailBreak = false;
            R->PrintBand(Child);
            Child->FRpBandType = rbChild;
            if (AutoActivateChild) Child->SetBandEnabled(false);
        }
    }
    R->RunState().DetailBreak = false;
}

void TRpCustomBand::Paint() {
    inherited::Paint();
    TCanvas* C = Canvas();
    C->Pen()->SetColor(DesignPalette().BandFramePenColor);
    C->Pen()->SetStyle(DesignPalette().BandFramePenStyle);
    C->Pen()->SetWidth(1);
    const int W = Width(), H = Height();
    C->Polyline({TPoint(0, 0), TPoint(W - 1, 0), TPoint(W - 1, H - 1), TPoint(0, H - 1), TPoint(0, 0)});
    const Extended F = ScreenDC()->LogPixelsX() / 254.0L;
    FFrame->PaintIt(C, TRect(0, 0, W - 1, H - 1), F, F);
    C->Brush()->SetStyle(bsClear);
    C->Font()->SetName(String::fromLatin1(DesignPalette().RulerFontName));
    C->Font()->SetSize(DesignPalette().RulerFontSize);
    C->Font()->SetColor(DesignPalette().RulerFontColor);
    C->TextOut(2, H - C->TextHeight(u"W"_s) - 4, RpBandTypeCaption(FRpBandType));
}

// ---- TRpChildBand -------------------------------------------------------------------------------

TRpChildBand::TRpChildBand(TComponent* AOwner) : TRpCustomBand(AOwner) { FRpBandType = rbChild; }

void TRpChildBand::SetParentBand(TRpCustomBand* Value) {
    for (TRpCustomBand* B = Value; B;) {
        if (B == this) {
            CircularLink(this);
            return;
        }
        auto C = dynamic_cast<TRpChildBand*>(B);
        B = C ? C->FParentBand : nullptr;
    }
    if (!FParentReport) return;
    FParentBand = Value;
    if (Value) Value->FreeNotification(this);
    FParentReport->RebuildBandList();
}

void TRpChildBand::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FParentBand) FParentBand = nullptr;
}

// ---- TRpGroup -----------------------------------------------------------------------------------

TRpGroup::TRpGroup(TComponent* AOwner) : TRpCustomBand(AOwner) { FRpBandType = rbGroupHeader; }

void TRpGroup::AfterConstruction() {
    inherited::AfterConstruction();
    FEvaluator = New<TRpEvaluator>();
    FGroupValue = new TRpEvResult();
}

void TRpGroup::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FEvaluator);
    delete FGroupValue;
    FGroupValue = nullptr;
}

void TRpGroup::SetParent(TWinControl* AParent) {
    inherited::SetParent(AParent);
    if (!FMaster)
        if (auto R = dynamic_cast<TCustomRpReport*>(Parent())) SetMaster(R);
}

void TRpGroup::SetFooterBand(TRpCustomBand* Value) {
    FFooterBand = Value;
    if (Value) {
        Value->SetBandType(rbGroupFooter);
        Value->FreeNotification(this);
    }
    if (FParentReport) FParentReport->RebuildBandList();
}

void TRpGroup::SetMaster(TComponent* Value) {
    if (Value && !dynamic_cast<TCustomRpReport*>(Value) && !dynamic_cast<TRpControllerBand*>(Value)) return;
    FMaster = Value;
    if (Value) Value->FreeNotification(this);
    if (FParentReport) FParentReport->RebuildBandList();
}

void TRpGroup::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FFooterBand) FFooterBand = nullptr;
    if (AComponent == FMaster) FMaster = nullptr;
}

void TRpGroup::PrepareRun() {
    FEvaluator->SetDataSets(FParentReport->AllDataSets());
    FEvaluator->SetEnvironment(FParentReport->Functions());
    if (TRpEvEnvironment* f = FParentReport->Functions()) FEvaluator->SetContext(f->Context());
    FEvaluator->Prepare(FExpression);
    FHasResult = false;
    FInGroup = false;
    PrintPageNumber = 1;
}

void TRpGroup::UnprepareRun() { FEvaluator->UnPrepare(); }

namespace {
bool ResultsDiffer(const TRpEvResult& A, const TRpEvResult& B) {
    if (A.Kind != B.Kind) return true;
    switch (A.Kind) {
        case resInt: return A.intResult != B.intResult;
        case resDouble: return !(A.dblResult == B.dblResult);
        case resString: return A.StringVal != B.StringVal;
        case resBool: return A.booResult != B.booResult;
        case resError: return false;
    }
    return false;
}
} // namespace

void TRpGroup::ForceChange() {
    FEvaluator->Value(*FGroupValue);
    FReprint = true;
    FHasResult = true;
}

void TRpGroup::CheckChange() {
    FReprint = false;
    if (!FHasResult) {
        ForceChange();
        return;
    }
    TRpEvResult V;
    FEvaluator->Value(V);
    if (ResultsDiffer(*FGroupValue, V)) {
        *FGroupValue = V;
        FReprint = true;
    }
}

void TRpGroup::PrintHeader() {
    FParentReport->PrintBand(this);
    FInGroup = true;
    PrintPageNumber = FParentReport->PageNumber();
    PrintColumnNumber = FParentReport->CurrentColumn;
}

void TRpGroup::PrintFooter() {
    if (FFooterBand) FParentReport->PrintBand(FFooterBand);
    FInGroup = false;
}

// ---- controller bands ---------------------------------------------------------------------------

TRpControllerBand::TRpControllerBand(TComponent* AOwner) : TRpCustomBand(AOwner) {}

void TRpControllerBand::AfterConstruction() {
    FController = static_cast<TRpController*>(TRpCustomController::NewFor(this, true));
    FController->Detail = this;
    FController->SetSelfCheck(this);
    FController->PrintBefore = false;
    inherited::AfterConstruction();
}

void TRpControllerBand::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FController);
}

void TRpControllerBand::SetParent(TWinControl* AParent) {
    inherited::SetParent(AParent);
    if (!FMaster)
        if (auto R = dynamic_cast<TCustomRpReport*>(Parent())) SetMaster(R);
}

void TRpControllerBand::SetMaster(TComponent* Value) {
    if (Value == this) return;
    for (TComponent* M = Value; M;) {
        if (M == this) {
            CircularLink(this);
            return;
        }
        auto B = dynamic_cast<TRpControllerBand*>(M);
        M = B ? B->FMaster : nullptr;
    }
    FMaster = Value;
    FController->SetMaster(Value);
    if (Value) Value->FreeNotification(this);
    if (FParentReport) FParentReport->RebuildBandList();
}

bool TRpControllerBand::PrintBefore() const { return FController->PrintBefore; }
void TRpControllerBand::SetPrintBefore(bool Value) {
    if (Value == FController->PrintBefore) return;
    FController->PrintBefore = Value;
    if (FParentReport) FParentReport->RebuildBandList();
}
bool TRpControllerBand::PrintIfEmpty() const { return FController->PrintIfEmpty; }
void TRpControllerBand::SetPrintIfEmpty(bool Value) { FController->PrintIfEmpty = Value; }
void TRpControllerBand::AddNotifyClient(TRpPrintable* Printable) { FController->AddNotifyClient(Printable); }

void TRpControllerBand::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMaster) FMaster = nullptr;
}

TRpSubDetail::TRpSubDetail(TComponent* AOwner) : TRpControllerBand(AOwner) {
    FRpBandType = rbSubDetail;
    FBands = New<TRpSubDetailGroupBands>(this);
}
void TRpSubDetail::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FBands);
}

bool TRpSubDetailGroupBands::HasHeader() const { return FOwner && FOwner->HeaderBand(); }
bool TRpSubDetailGroupBands::HasFooter() const { return FOwner && FOwner->FooterBand(); }
void TRpSubDetailGroupBands::SetHasHeader(bool Value) {
    if (!FOwner || !FOwner->ParentReport() || Value == HasHeader()) return;
    if (Value) {
        FOwner->SetHeaderBand(FOwner->ParentReport()->CreateBand(rbGroupHeader));
    } else {
        TRpCustomBand* B = FOwner->HeaderBand();
        FOwner->SetHeaderBand(nullptr);
        B->Free();
    }
}
void TRpSubDetailGroupBands::SetHasFooter(bool Value) {
    if (!FOwner || !FOwner->ParentReport() || Value == HasFooter()) return;
    if (Value) {
        FOwner->SetFooterBand(FOwner->ParentReport()->CreateBand(rbGroupFooter));
    } else {
        TRpCustomBand* B = FOwner->FooterBand();
        FOwner->SetFooterBand(nullptr);
        B->Free();
    }
}
TDataSet* TRpSubDetail::DataSet() const { return FController->DataSet(); }
void TRpSubDetail::SetDataSet(TDataSet* Value) { FController->SetDataSet(Value); }
TRpCustomBand* TRpSubDetail::HeaderBand() const { return FController->Header; }
void TRpSubDetail::SetHeaderBand(TRpCustomBand* Value) {
    FController->Header = Value;
    if (Value) {
        Value->SetBandType(rbGroupHeader);
        Value->FreeNotification(FController);
    }
}
TRpCustomBand* TRpSubDetail::FooterBand() const { return FController->Footer; }
void TRpSubDetail::SetFooterBand(TRpCustomBand* Value) {
    FController->Footer = Value;
    if (Value) {
        Value->SetBandType(rbGroupFooter);
        Value->FreeNotification(FController);
    }
}
void TRpSubDetail::SetOnNeedData(const TRpOnNeedDataEvent& Value) { FController->OnNeedData = Value; }

// ---- TRpCustomController ------------------------------------------------------------------------

// A controller made by a band or a report for itself has no owner (its maker frees it and keeps
// it out of component streams); one made with an owner, as a component stream makes it, belongs
// to that owner.
TRpCustomController::TRpCustomController(TComponent* AOwner) : TComponent(AOwner), FOrgOwner(AOwner) {}

TRpCustomController* TRpCustomController::NewFor(TComponent* AMaker, bool AWithDataSet) {
    TRpCustomController* c = AWithDataSet ? New<TRpController>(nullptr) : New<TRpCustomController>(nullptr);
    c->FOrgOwner = AMaker;
    return c;
}

void TRpCustomController::AfterConstruction() {
    inherited::AfterConstruction();
    PrintAfterList = New<TList>();
    PrintBeforeList = New<TList>();
    FGroupList = New<TList>();
    NotifyList = New<TList>();
}

void TRpCustomController::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(PrintAfterList);
    FreeAndNil(PrintBeforeList);
    FreeAndNil(FGroupList);
    FreeAndNil(NotifyList);
}

void TRpCustomController::SetMaster(TComponent* Value) {
    if (Value == this) return;
    FMaster = Value;
    if (Value) Value->FreeNotification(this);
}

void TRpCustomController::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMaster) FMaster = nullptr;
}

void TRpCustomController::PrepareLists() {
    if (ComponentState().Contains(csDestroying)) return;
    PrintAfterList->Clear();
    PrintBeforeList->Clear();
    FGroupList->Clear();
    TComponent* Sets[2] = {nullptr, FSelfCheck};
    if (auto C = dynamic_cast<TRpCustomController*>(FSelfCheck))
        Sets[0] = C->OrgOwner();
    else if (FSelfCheck)
        Sets[0] = FSelfCheck->Owner();
    for (int s = 0; s < 2; ++s) {
        TComponent* Holder = Sets[s];
        if (!Holder || (s == 1 && Holder == Sets[0])) continue;
        for (int i = 0; i < Holder->ComponentCount(); ++i) {
            TComponent* C = Holder->Components(i);
            TRpCustomController* Sub = dynamic_cast<TRpCustomController*>(C);
            if (auto CB = dynamic_cast<TRpControllerBand*>(C)) Sub = CB->Controller();
            if (Sub && Sub != this && Sub->Master() == FSelfCheck) {
                Sub->SetParentReport(FParentReport);
                (Sub->PrintBefore ? PrintBeforeList : PrintAfterList)->Add(Sub);
                Sub->PrepareLists();
            } else if (auto G = dynamic_cast<TRpGroup*>(C);
                       G && G->Master() == FSelfCheck && !G->ComponentState().Contains(csDestroying)) {
                G->GroupIndex = FGroupList->Add(G);
                if (FParentReport && G->ParentReport() != FParentReport) G->SetParentReport(FParentReport);
            }
        }
    }
    RegisterDataSets();
}

void TRpCustomController::RunDataLoop() {
    if (PrintIfEmpty) PrintEmpty();
}

void TRpCustomController::BeginRun() {
    NotifyList->Clear();
    for (int i = 0; i < PrintBeforeList->Count(); ++i) static_cast<TRpCustomController*>(PrintBeforeList->Items(i))->BeginRun();
    for (int i = 0; i < PrintAfterList->Count(); ++i) static_cast<TRpCustomController*>(PrintAfterList->Items(i))->BeginRun();
    for (int i = 0; i < FGroupList->Count(); ++i) static_cast<TRpGroup*>(FGroupList->Items(i))->PrepareRun();
}

void TRpCustomController::EndRun() {
    for (int i = 0; i < PrintBeforeList->Count(); ++i) static_cast<TRpCustomController*>(PrintBeforeList->Items(i))->EndRun();
    for (int i = 0; i < PrintAfterList->Count(); ++i) static_cast<TRpCustomController*>(PrintAfterList->Items(i))->EndRun();
    for (int i = 0; i < FGroupList->Count(); ++i) static_cast<TRpGroup*>(FGroupList->Items(i))->UnprepareRun();
}

void TRpCustomController::RunAfterControllers() {
    for (int i = 0; i < PrintAfterList->Count(); ++i)
        static_cast<TRpCustomController*>(PrintAfterList->Items(i))->RunDataLoop();
}

void TRpCustomController::RunBeforeControllers() {
    for (int i = 0; i < PrintBeforeList->Count(); ++i)
        static_cast<TRpCustomController*>(PrintBeforeList->Items(i))->RunDataLoop();
}

void TRpCustomController::PrintEmpty() {
    RunBeforeControllers();
    RunAfterControllers();
}

void TRpCustomController::AddNotifyClient(TRpPrintable* Printable) { NotifyList->Add(Printable); }

void TRpCustomController::NotifyClients(int Operation) {
    for (int i = 0; i < NotifyList->Count(); ++i) static_cast<TRpPrintable*>(NotifyList->Items(i))->ControllerNotify(Operation);
}

bool TRpCustomController::CheckGroups() {
    for (int i = 0; i < FGroupList->Count(); ++i) {
        auto G = static_cast<TRpGroup*>(FGroupList->Items(i));
        G->CheckChange();
        if (G->Changed()) {
            for (int j = i + 1; j < FGroupList->Count(); ++j) static_cast<TRpGroup*>(FGroupList->Items(j))->ForceChange();
            return true;
        }
    }
    return false;
}

void TRpCustomController::PrintGroupHeaders() {
    for (int i = 0; i < FGroupList->Count(); ++i) {
        auto G = static_cast<TRpGroup*>(FGroupList->Items(i));
        if (!G->Changed()) continue;
        if (!G->PrintedInHeader) G->PrintHeader();
        G->PrintedInHeader = false;
        // the group is open even when its header was just printed as a column header
        G->SetInGroup(true);
    }
}

void TRpCustomController::PrintGroupFooters() {
    for (int i = FGroupList->Count() - 1; i >= 0; --i) {
        auto G = static_cast<TRpGroup*>(FGroupList->Items(i));
        if (!G->Changed()) continue;
        G->PrintFooter();
        G->PrintedInHeader = false;
    }
}

void TRpCustomController::InvertGroupChanges() {
    for (int i = 0; i < FGroupList->Count(); ++i) {
        auto G = static_cast<TRpGroup*>(FGroupList->Items(i));
        G->SetChanged(!G->Changed());
    }
}

// ---- TRpController ------------------------------------------------------------------------------

void TRpController::SetDataSet(TDataSet* Value) {
    FDataSet = Value;
    if (Value) Value->FreeNotification(this);
}

void TRpController::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == Header) Header = nullptr;
    if (AComponent == Detail) Detail = nullptr;
    if (AComponent == Footer) Footer = nullptr;
    if (AComponent == FDataSet) FDataSet = nullptr;
}

void TRpController::RegisterDataSets() {
    if (FDataSet && FDataSet->Active() && FParentReport && FParentReport->AllDataSets() &&
        FParentReport->AllDataSets()->IndexOf(FDataSet) < 0)
        FParentReport->AllDataSets()->Add(FDataSet);
}

void TRpController::RegisterBands(TList* List) {
    auto Reg = [List](TRpCustomBand* B) {
        if (B && List->IndexOf(B) < 0) List->Add(B);
    };
    Reg(Header);
    for (int i = 0; i < FGroupList->Count(); ++i) Reg(static_cast<TRpGroup*>(FGroupList->Items(i)));
    for (int i = 0; i < PrintBeforeList->Count(); ++i) static_cast<TRpCustomController*>(PrintBeforeList->Items(i))->RegisterBands(List);
    Reg(Detail);
    for (int i = 0; i < PrintAfterList->Count(); ++i) static_cast<TRpCustomController*>(PrintAfterList->Items(i))->RegisterBands(List);
    for (int i = FGroupList->Count() - 1; i >= 0; --i) Reg(static_cast<TRpGroup*>(FGroupList->Items(i))->FooterBand());
    Reg(Footer);
}

void TRpController::PrintEmpty() {
    TCustomRpReport* R = FParentReport;
    if (Header) R->PrintBand(Header);
    // A group without an expression spans the whole run (a report header with its summary): it
    // opens and closes once with no record too; a group over values has none to print.
    std::vector<TRpGroup*> whole;
    for (int i = 0; i < FGroupList->Count(); ++i) {
        auto G = static_cast<TRpGroup*>(FGroupList->Items(i));
        if (!Trim(G->Expression()).isEmpty()) continue;
        whole.push_back(G);
        G->PrintHeader();
    }
    RunBeforeControllers();
    if (Detail) R->PrintBand(Detail);
    RunAfterControllers();
    for (auto it = whole.rbegin(); it != whole.rend(); ++it) (*it)->PrintFooter();
    if (Footer) R->PrintBand(Footer);
}

void TRpController::RunDataLoop() {
    TCustomRpReport* R = FParentReport;
    int RecordCount = 1;
    ColHeaders.clear();
    if (R) {
        TRpCustomBand* CH = R->FirstBand(rbColumnHeader);
        if (CH && CH->BandEnabled() && FSelfCheck == R) ColHeaders.push_back(CH);
    }
    for (int i = 0; i < FGroupList->Count(); ++i) {
        auto G = static_cast<TRpGroup*>(FGroupList->Items(i));
        G->ClearResult();
        if (G->ReprintOnNewPage) ColHeaders.push_back(G);
    }
    const bool HasData = FDataSet && FDataSet->Active();
    if ((!HasData && !OnNeedData) || !R) {
        if (PrintIfEmpty && R) PrintEmpty();
        return;
    }
    const bool Designing = R->ComponentState().Contains(csDesigning);
    bool MoreData = true;
    if (HasData) {
        FDataSet->First();
        MoreData = !FDataSet->Eof();
        auto Rep = dynamic_cast<TRpReport*>(R);
        if (Rep && Rep->DataSet() == FDataSet) RecordCount = Rep->RecordCount();
        if (!MoreData && PrintIfEmpty) PrintEmpty();
    } else if (!Designing) {
        OnNeedData(FSelfCheck, MoreData);
    }
    DetailNumber = 0;
    if (Detail) Detail->NotifyController = this;
    if (!MoreData) return;

    Application->ProcessMessages();
    if (R->Cancelled()) return;
    R->PrintBand(Header);
    if (FSelfCheck == R) R->NoForceNewPage = true;
    if ((R->PageNumber() <= 1 || R->RunState().CompositeRun) && FSelfCheck == R) {
        R->PrintColumnHeaders();
        R->NoForceNewPage = true;
    }
    CheckGroups();
    R->UserCancel = false;
    TRpPrinter* P = R->RpPrinter();
    while (MoreData) {
        Application->ProcessMessages();
        if (P->Cancelled() || R->Cancelled()) return;
        if (R->PreparingDesignTime() && R->PageNumber() > 1) return;
        R->RunState().CurrentRecordNumber = DetailNumber;
        ++DetailNumber;
        PrintGroupHeaders();
        RunBeforeControllers();
        R->PrintBand(Detail);
        RunAfterControllers();
        if (HasData) {
            FDataSet->Next();
            MoreData = !FDataSet->Eof();
        } else {
            MoreData = false;
            if (!Designing) OnNeedData(FSelfCheck, MoreData);
        }
        if (CheckGroups()) {
            if (HasData && MoreData) FDataSet->Prior();
            PrintGroupFooters();
            if (HasData && MoreData) FDataSet->Next();
        }
        auto Rep = dynamic_cast<TRpReport*>(R);
        if (Rep && HasData && Rep->DataSet() == FDataSet && RecordCount != 0)
            P->SetProgress(DetailNumber * 100 / RecordCount);
        MoreData = MoreData && !R->UserCancel;
        if (R->PagesInPreview > 0) MoreData = MoreData && P->PageNumber() <= R->PagesInPreview;
    }
    InvertGroupChanges();
    PrintGroupFooters();
    P->SetProgress(100);
    if (Footer) {
        if (R->PageNumber() == 0) R->NewPage(true);
        if (Footer->NativeHeight() > R->AvailableSpace()) R->NewColumn();
        R->PrintBand(Footer);
    }
}

// ---- TRpReportBands -----------------------------------------------------------------------------

namespace {
bool BandTypeOfSwitch(int Index, TRpBandType& Type) {
    static const TRpBandType Types[] = {rbTitle, rbPageHeader, rbColumnHeader, rbDetail, rbDetail, rbPageFooter, rbSummary};
    if (Index < 1 || Index > 7 || Index == 5) return false;
    Type = Types[Index - 1];
    return true;
}
} // namespace

TRpCustomBand* TRpReportBands::GetBand(int Index) const {
    TRpBandType T;
    if (!FOwner || !BandTypeOfSwitch(Index, T)) return nullptr;
    return FOwner->FirstBand(T);
}

void TRpReportBands::SetHasBand(int Index, bool Value) {
    TRpBandType T;
    if (!FOwner || !BandTypeOfSwitch(Index, T)) return;
    TRpCustomBand* B = FOwner->FirstBand(T);
    if (Value && !B)
        FOwner->CreateBand(T);
    else if (!Value && B)
        B->Free();
}

// ---- TCustomRpReport ----------------------------------------------------------------------------

TCustomRpReport::TCustomRpReport(TComponent* AOwner) : TRpBasePanel(AOwner) {}

void TCustomRpReport::AfterConstruction() {
    inherited::AfterConstruction();
    FController = TRpCustomController::NewFor(this, false);
    FController->SetParentReport(this);
    FController->SetSelfCheck(this);
    FBandList = New<TList>();
    FFunctions = New<TRpEvEnvironment>();
    FFunctions->AddFunction(u"PAGENUMBER"_s, u"0"_s);
    FFunctions->AddFunction(u"COLUMNNUMBER"_s, u"0"_s);
    FFunctions->AddFunction(u"REPORTTITLE"_s, u"''"_s);
    FPrinterSettings = New<TRpPrinterSettings>();
    FUserPrinterSettings = New<TRpPrinterSettings>();
    FPage = New<TRpPage>(this);
    FBands = New<TRpReportBands>(this);
    FUnits = FPage->Units();
    FCurrLinkPage = New<TRpLinkPage>();
    FPageLinkInfoList = New<TRpPageInfoList>();
    FDescription = New<TStringList>();
    SetColor(TColor(0xFFFFFF));
    // A new report starts on the paper the printer holds now.
    try {
        FPage->SetPaperSize(GetPrinterPaperSize());
    } catch (...) {
        FPage->SetPaperSize(Default);
    }
    Font()->SetName(u"Arial"_s);
    Font()->SetSize(10);
    FPage->ApplyToParent();
    PrintFromPagesFlag = false;
}

void TCustomRpReport::BeforeDestruction() {
    // A report thread still running uses the report: it is stopped and waited for. (The run may
    // only just be starting, so the stop request is repeated until the thread is done.)
    while (RunningInBackground()) {
        Cancel();
        UserCancel = true;
        TThread::Sleep(1);
    }
    FDestroying = true;
    for (int i = 0; i < FBandList->Count(); ++i) static_cast<TRpCustomBand*>(FBandList->Items(i))->SetParentReport(nullptr);
    inherited::BeforeDestruction();
    FreeAndNil(FRpPrinter);
    FreeAndNil(FFunctions);
    FreeAndNil(FPrinterSettings);
    FreeAndNil(FUserPrinterSettings);
    FreeAndNil(FPage);
    FreeAndNil(FBands);
    FreeAndNil(FBandList);
    FreeAndNil(FController);
    if (FCurrLinkListed)
        FCurrLinkPage = nullptr;  // the list's
    else
        FreeAndNil(FCurrLinkPage);
    FreeAndNil(FPageLinkInfoList);
    FreeAndNil(FDescription);
}

void TCustomRpReport::SetDescription(TStrings* Value) {
    if (Value != FDescription) FDescription->Assign(Value);
}

void TCustomRpReport::SetHideBands(bool Value) {
    if (Value == FHideBands) return;
    FHideBands = Value;
    SetBandValues();
}

void TCustomRpReport::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPreviewSetup) FPreviewSetup = nullptr;
}

void TCustomRpReport::SetPreviewController(TRpPreviewController* Value) {
    if (FPreviewSetup) FPreviewSetup->RemoveFreeNotification(this);
    FPreviewSetup = Value;
    if (Value) Value->FreeNotification(this);
}

String PrevSaveTypeExtension(TPrevSaveType Type) {
    static const char* const Ext[] = {".RPP", ".PDF", ".XLS", ".HTML", ".RTF", ".CSV", ".TXT", ".XML", ".XLSX"};
    const int i = static_cast<int>(Type);
    return QString::fromLatin1(i >= 0 && i < 9 ? Ext[i] : Ext[1]);
}

void TCustomRpReport::Dispatch(TMessage& Message) {
    if (Message.Msg == RP_WM_PRINT) {
        Print();
        return;
    }
    if (Message.Msg == RP_WM_BACKGROUNDENDED) {
        if (!RunningInBackground()) BackgroundRunEnded();
        return;
    }
    if (Message.Msg == RP_WM_PREVIEWCLOSED) {
        if (!FAvailable || RunningInBackground()) {
            Cancel();
        } else if (FRpPrinter && reinterpret_cast<TRpPrinter*>(Message.LParam) == FRpPrinter) {
            // The printer of this report's document: no preview shows it any more.
            if (FRpPrinter->ShowingPreview()) FRpPrinter->SetShowingPreview(false);
            FreeAndNil(FRpPrinter);
        }
        return;
    }
    inherited::Dispatch(Message);
}

void TCustomRpReport::SetPageExtent(int Width, int Height) { SetBounds(Left(), Top(), Width, Height); }

void TCustomRpReport::SetPrinterOrientation(TPrinterOrientation Value) { FPrinterSettings->SetOrientation(Value); }

int TCustomRpReport::ReportFontSize() const { return Font()->Size(); }

TRpPrinterSettings* TCustomRpReport::PrinterSettings() { return FPrinterSettings; }

void TCustomRpReport::DoAfterPrint() {
    if (AfterPrintEvent) AfterPrintEvent(this);
}

void TCustomRpReport::AddNotifyClient(TRpPrintable* Printable) { FController->AddNotifyClient(Printable); }

void TCustomRpReport::SetZoom(int Value) {
    if (Value < 1 || Value > 300) return;
    inherited::SetZoom(Value);
    if (FPage) FPage->SetZoom(Value);
}

void TCustomRpReport::SetUnits(TRpUnit Value) {
    FUnits = Value;
    if (FPage) FPage->SetUnits(Value);
    for (int i = 0; FBandList && i < FBandList->Count(); ++i) {
        auto B = static_cast<TRpCustomBand*>(FBandList->Items(i));
        B->Size()->SetUnits(Value);
        for (int j = 0; j < B->ControlCount(); ++j)
            if (auto P = dynamic_cast<TRpPrintable*>(B->Controls(j))) P->Size()->SetUnits(Value);
    }
    for (int j = 0; j < ControlCount(); ++j)
        if (auto P = dynamic_cast<TRpPrintable*>(Controls(j))) P->Size()->SetUnits(Value);
}

// The measuring contexts of a run, one per font; a report thread and the screen may measure at once.
struct TCustomRpReport::TMeasuring {
    std::mutex Lock;
    std::vector<std::unique_ptr<TMeasureDC>> Contexts;
    std::vector<TLogFont> Fonts;

    template <class Fn>
    auto With(TFont* Font, Fn&& Measure) {
        const TLogFont LF = Font->LogFont();
        std::lock_guard<std::mutex> Hold(Lock);
        size_t i = 0;
        while (i < Fonts.size() && !(Fonts[i] == LF)) ++i;
        if (i == Fonts.size()) {
            Fonts.push_back(LF);
            Contexts.push_back(std::make_unique<TMeasureDC>(96));
            Contexts.back()->SelectFont(LF);
        }
        return Measure(*Contexts[i]);
    }
};

namespace {
std::atomic<bool> SharedMeasuring{true};
}

void TCustomRpReport::SetSharedMeasuring(bool On) { SharedMeasuring = On; }

TCustomRpReport::~TCustomRpReport() = default;

int TCustomRpReport::TextWidth(TFont* Font, const String& Text) {
    if (!SharedMeasuring) {
        TMeasureDC DC(96);
        DC.SelectFont(Font->LogFont());
        return DC.GetTextExtent(Text).cx + 1;
    }
    if (!FMeasuring) FMeasuring = std::make_unique<TMeasuring>();
    return FMeasuring->With(Font, [&](TMeasureDC& DC) { return DC.GetTextExtent(Text).cx + 1; });
}

int TCustomRpReport::TextHeight(TFont* Font, const String&) {
    if (!SharedMeasuring) {
        TMeasureDC DC(96);
        DC.SelectFont(Font->LogFont());
        return DC.GetTextExtent(u"A"_s).cy;
    }
    if (!FMeasuring) FMeasuring = std::make_unique<TMeasuring>();
    return FMeasuring->With(Font, [](TMeasureDC& DC) { return DC.LineHeight(); });
}

void TCustomRpReport::Modify() {
    if (FModified || FPreparingDesignTime) return;
    FModified = true;
    Invalidate();
}

bool TCustomRpReport::PrintIfEmpty() const { return FController->PrintIfEmpty; }
void TCustomRpReport::SetPrintIfEmpty(bool Value) { FController->PrintIfEmpty = Value; }

TRpCustomBand* TCustomRpReport::FirstBand(TRpBandType Type) const {
    for (int i = 0; i < FBandList->Count(); ++i) {
        auto B = static_cast<TRpCustomBand*>(FBandList->Items(i));
        if (B->BandType() == Type) return B;
    }
    return nullptr;
}

TRpBand* TCustomRpReport::CreateBand(TRpBandType BandType) {
    TComponent* BandOwner = Owner() ? Owner() : this;
    auto B = New<TRpBand>(BandOwner);
    B->SetParent(this);
    B->SetBandType(BandType);
    const String Stem = RpBandNameStem(BandType);
    for (int n = 1;; ++n) {
        const String Name = Stem + String::number(n);
        if (!BandOwner->FindComponent(Name)) {
            B->SetName(Name);
            break;
        }
    }
    return B;
}

void TCustomRpReport::AddBand(TRpCustomBand* Band) {
    if (FBandList->IndexOf(Band) < 0) FBandList->Add(Band);
    RebuildBandList();
}

void TCustomRpReport::RemoveBand(TRpCustomBand* Band) {
    if (FDestroying || FBandList->IndexOf(Band) < 0) return;
    FBandList->Remove(Band);
    RebuildBandList();
}

void TCustomRpReport::RebuildBandList() {
    if (FDestroying) return;
    AssignControllerBands();
    FController->PrepareLists();
    std::vector<TRpCustomBand*> Old;
    for (int i = 0; i < FBandList->Count(); ++i) Old.push_back(static_cast<TRpCustomBand*>(FBandList->Items(i)));
    TOwned<TList> L = NewOwned<TList>();
    auto Register = [&](TRpCustomBand* B) {
        for (int Guard = 0; B && Guard < 1000; ++Guard) {
            if (L->IndexOf(B) >= 0 || B->ComponentState().Contains(csDestroying)) return;
            L->Add(B);
            B = B->ChildBand();
        }
    };
    auto RegisterType = [&](TRpBandType T) {
        for (TRpCustomBand* B : Old)
            if (B->BandType() == T) Register(B);
    };
    RegisterType(rbPageHeader);
    RegisterType(rbTitle);
    RegisterType(rbColumnHeader);
    {
        TOwned<TList> CB = NewOwned<TList>();
        FController->RegisterBands(CB.get());
        for (int i = 0; i < CB->Count(); ++i) Register(static_cast<TRpCustomBand*>(CB->Items(i)));
    }
    RegisterType(rbPageFooter);
    for (TRpCustomBand* B : Old) Register(B);
    FBandList->Clear();
    for (int i = 0; i < L->Count(); ++i) FBandList->Add(L->Items(i));
    for (int r = 0; r < RotateBands && FBandList->Count() > 0; ++r) FBandList->Move(0, FBandList->Count() - 1);
    SetBandValues();
}

void TCustomRpReport::SetBandValues() {
    if (!FPage || !FBandList || FDestroying || ComponentState().Contains(csLoading)) return;
    const Extended PxPer = FPage->Resolution() / 254.0 * FZoom / 100.0;
    int y = RoundToInt(FPage->NativeValue(pgTop) * PxPer);
    const int W = Width() - RoundToInt((FPage->NativeValue(pgLeft) + FPage->NativeValue(pgRight)) * PxPer);
    const int Cols = std::max(1, FPage->Columns());
    const int CW = (W - RoundToInt(FPage->NativeValue(pgColSpace) * PxPer) * (Cols - 1)) / Cols;
    for (int i = 0; i < FBandList->Count(); ++i) {
        auto B = static_cast<TRpCustomBand*>(FBandList->Items(i));
        if (B->ComponentState().Contains(csDestroying)) continue;
        B->Size()->SetParentUpdating(true);
        B->FParentUpdating = true;
        TRpBandType E = B->BandType();
        for (const TRpCustomBand* X = B; X && X->BandType() == rbChild;) {
            auto C = dynamic_cast<const TRpChildBand*>(X);
            X = C ? C->ParentBand() : nullptr;
            if (X) E = X->BandType();
        }
        const bool Full = E == rbTitle || E == rbPageHeader || E == rbPageFooter || E == rbSummary || E == rbOverlay ||
                          ((E == rbGroupHeader || E == rbGroupFooter) && FPage->PrintOrder() == RowByRow);
        const int BW = std::max(1, Full ? W : CW);
        B->Size()->SwitchToPixels();
        B->Size()->SetWidth(BW);
        B->Size()->RestoreUnits();
        B->SetBounds(RoundToInt(FPage->NativeValue(pgLeft) * PxPer),
                     FHideBands ? RoundToInt(FPage->NativeValue(pgLength) * PxPer) : y, BW, B->Height());
        y += B->Height();
        B->FParentUpdating = false;
        B->Size()->SetParentUpdating(false);
    }
}

void TCustomRpReport::Paint() {
    inherited::Paint();
    // the margin rectangle of the page
    const Extended PxPer = FPage->Resolution() / 254.0 * FZoom / 100.0;
    TCanvas* C = Canvas();
    C->Pen()->SetColor(DesignPalette().MarginPenColor);
    C->Pen()->SetStyle(DesignPalette().MarginPenStyle);
    C->Brush()->SetStyle(bsClear);
    C->Rectangle(TRect(RoundToInt(FPage->NativeValue(pgLeft) * PxPer), RoundToInt(FPage->NativeValue(pgTop) * PxPer),
                       Width() - RoundToInt(FPage->NativeValue(pgRight) * PxPer),
                       Height() - RoundToInt(FPage->NativeValue(pgBottom) * PxPer)));
}

void TCustomRpReport::ForEachPrintable(const std::function<void(TRpPrintable*)>& Fn) {
    std::function<void(TWinControl*)> Walk = [&](TWinControl* W) {
        for (int i = 0; i < W->ControlCount(); ++i) {
            TControl* C = W->Controls(i);
            if (auto P = dynamic_cast<TRpPrintable*>(C))
                Fn(P);
            else if (auto WC = dynamic_cast<TWinControl*>(C))
                Walk(WC);
        }
    };
    Walk(this);
}

bool TCustomRpReport::CreatePrinter() {
    if (!FAvailable || RunningInBackground()) return false;
    FRpPrinter = New<TRpPrinter>(this);
    FRpPrinter->AfterPrint = TRpAfterPrintEvent([this](TObject*) { DoAfterPrint(); });
    FRpPrinter->AfterPreview = TRpAfterPreviewEvent([this](TObject*) {
        if (AfterPreview) AfterPreview(this);
    });
    return true;
}

void TCustomRpReport::HookPrinter() {
    FRpPrinter->SetDestination(rpdMetafile);
    FRpPrinter->SetMaster(this);
    FRpPrinter->SetTitle(FReportTitle);
    FRpPrinter->OnPrintSetup = TRpPrintSetupEvent([this] { PrinterSetup(); });
    FRpPrinter->OnExportToFilter = TRpExportToFilterEvent([this](TRpExportFilter* F) { ExportToFilter(F); });
    // The master's handle now, so that the preview's close notice reaches the report.
    if (IsUIThread()) HandleNeeded();
}

void TCustomRpReport::ApplyPrinterSettings() {
    TRpPrinter* P = FRpPrinter;
    // The report's printer-settings events, raised with the report as sender when the device's
    // settings are read and when they are written before a job.
    if (TPrinterSettings* D = P->PrinterSettings()) {
        D->OnGetPrinterSettings = [this](TObject*, bool& Cancel, TDeviceMode* Mode) {
            if (OnGetPrinterSettings) OnGetPrinterSettings(this, Cancel, Mode);
        };
        D->OnApplyPrinterSettings = [this](TObject*, bool& Cancel, TDeviceMode* Mode) {
            if (OnApplyPrinterSettings) OnApplyPrinterSettings(this, Cancel, Mode);
        };
    }
    P->SetPrinterIndex(FPrinterSettings->PrinterIndex());
    P->SetPaperSize(FPage->PaperSize());
    P->SetOrientation(FPage->Orientation());
    if (P->PaperSize() == Custom) {
        int W = RoundToInt(FPage->NativeValue(pgWidth)), L = RoundToInt(FPage->NativeValue(pgLength));
        if (FPage->Orientation() == poLandscape) std::swap(W, L);
        P->SetPaperWidth(W);
        P->SetPaperLength(L);
    }
    FPrinterSettings->ApplyDeviceSettings(P);
}

void TCustomRpReport::Prepare() {
    if (!FAvailable) return;
    TRpPrinter* Old = FRpPrinter;
    FRpPrinter = nullptr;
    if (!CreatePrinter()) {
        FRpPrinter = Old;
        return;
    }
    // a replaced page printer that shows no preview is not needed any more
    if (Old && !Old->ShowingPreview()) Old->Free();
    HookPrinter();
    GenerateReport(false);
    FRpPrinter->SetReportLoaded(true);
}

bool TCustomRpReport::PreparePreviewPrinter() {
    TRpPrinter* Old = FRpPrinter;
    FRpPrinter = nullptr;
    if (!CreatePrinter()) {
        FRpPrinter = Old;
        return false;
    }
    // a replaced page printer that shows no preview is not needed any more
    if (Old && !Old->ShowingPreview()) Old->Free();
    HookPrinter();
    ApplyPrinterSettings();
    return true;
}

void TCustomRpReport::WaitForPreview(TRpPrinter* Printer) {
    while (FRpPrinter == Printer && Printer->ShowingPreview() && Application && !Application->Terminated())
        Application->HandleMessage();
}

void TCustomRpReport::Preview() {
    PrintFromPagesFlag = PrintFromPagesFlag || FPrinterSettings->PrintMetafile();
    if (FRpPrinter && FRpPrinter->ShowingPreview()) return;
    if (BeforePreview) BeforePreview(this);
    if (Application) Application->ProcessMessages();
    if (CreateInBGThread) {
        PreviewInBackground(false);
        return;
    }
    if (!PreparePreviewPrinter()) return;
    TRpPrinter* P = FRpPrinter;
    try {
        // The window shows the pages while they are generated.
        P->Preview();
        GenerateReport(false);
    } catch (Exception& E) {
        if (FRpPrinter == P) {
            if (auto* W = dynamic_cast<TCustomForm*>(P->PreviewControl())) W->Free();
            FreeAndNil(FRpPrinter);
        }
        ShowMessage(E.Message());
        return;
    }
    if (FRpPrinter != P) return;  // the preview closed and let go of the document
    P->SetReportLoaded(true);
    if (OnPreviewShowing) OnPreviewShowing(this);
    if (FCancelled) {
        if (FRpPrinter == P) FreeAndNil(FRpPrinter);
        return;
    }
    WaitForPreview(P);
}

void TCustomRpReport::PreviewModal() {
    PrintFromPagesFlag = PrintFromPagesFlag || FPrinterSettings->PrintMetafile();
    if (BeforePreview) BeforePreview(this);
    if (CreateInBGThread) {
        PreviewInBackground(false);
        return;
    }
    if (FRpPrinter && FRpPrinter->ShowingPreview()) return;
    if (!PreparePreviewPrinter()) return;
    TRpPrinter* P = FRpPrinter;
    try {
        GenerateReport(false);
    } catch (...) {
        if (FRpPrinter == P) FreeAndNil(FRpPrinter);
        throw;
    }
    P->SetReportLoaded(true);
    if (OnPreviewShowing) OnPreviewShowing(this);
    if (FCancelled) {
        FreeAndNil(FRpPrinter);
        return;
    }
    P->PreviewModal();
}

void TCustomRpReport::PrinterSetup() {
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
    D->Options = {poPageNums};
    D->Collate = 1;
    Pr->SetOrientation(FPage->Orientation());
    D->SetCopies(FPrinterSettings->Copies());
    if (!D->Execute()) {
        SetTag(1);
        return;
    }
    FPrinterSettings->SetCopies(D->Copies());
    FPrinterSettings->SetPrinterIndex(Pr->PrinterIndex());
    FPage->SetOrientation(D->Orientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait);
    TRpPrinterSettings* U = FUserPrinterSettings;
    U->SetCustomBinCode(D->OutputBin);
    U->SetExtendedDuplex(D->DuplexCode);
    U->SetPrintQuality(D->PrintQuality);
    U->SetCollate(D->Collate);
    U->SetColorOption(D->ColorOption);
    U->SetCopies(D->Copies());
    U->SetOrientation(D->Orientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait);
    U->SetFirstPage(D->FromPage);
    U->SetLastPage(D->ToPage);
    // The bin of the report's settings, unless the device's code names one of ours.
    U->SetOutputBin(FPrinterSettings->OutputBin());
    if (TRpBin bin; RpBinOfDeviceCode(D->OutputBin, bin)) U->SetOutputBin(bin);
    U->SetCustomPaperCode(D->PaperSize);
    U->SetPrinterIndex(Pr->PrinterIndex());
    U->SetDuplex(D->Duplex);
    if (D->PrintRange == prPageNums) {
        FPrinterSettings->SetFirstPage(D->FromPage);
        FPrinterSettings->SetLastPage(D->ToPage);
    } else {
        FPrinterSettings->SetFirstPage(0);
        FPrinterSettings->SetLastPage(0);
    }
    SetTag(0);
}

void TCustomRpReport::PreviewModeless() { PreviewInBackground(false); }

namespace {

// Generates a report in a thread of its own and frees itself when done. A cancelled run drops its
// page printer (on the UI thread, where the preview lets go of it). The report's count of running
// threads drops when the run is over: the thread touches the report no more afterwards.
class TRpCreateReportThread : public TThread {
    SDELKA_CLASS(TRpCreateReportThread, TThread)
protected:
    TRpCreateReportThread(TCustomRpReport* Report, TRpPrinter* Printer, std::atomic<int>* Runs)
        : TThread(true), FRpReport(Report), FRpPrinter(Printer), FRuns(Runs) {
        SetFreeOnTerminate(true);
        if (Report->HandleAllocated()) FHandle = Report->Handle();
    }
    ~TRpCreateReportThread() override = default;

    void Execute() override {
        String Error;
        try {
            FRpReport->GenerateReport(false);
        } catch (const Exception& E) {
            Error = E.Message();
        } catch (const std::exception& E) {
            Error = String::fromLocal8Bit(E.what());
        } catch (...) {
            Error = u"The report run failed"_s;
        }
        if (!Error.isEmpty()) {
            // The document ends where the error stopped it: the preview shows what was made and
            // says it is incomplete, and the user is told why on the UI thread.
            FRpPrinter->SetRunError(Error);
            TThread::Queue(nullptr, [Error] {
                if (Application) Application->ShowException(Exception(Error));
            });
        }
        // The report hears of the end on the UI thread (a report already gone has no window).
        if (FHandle) PostMessage(FHandle, RP_WM_BACKGROUNDENDED, 0, 0);
        --*FRuns;
    }

private:
    TCustomRpReport* FRpReport;
    TRpPrinter* FRpPrinter;
    std::atomic<int>* FRuns;
    HWND FHandle = nullptr;
};

}  // namespace

void TCustomRpReport::StartReportThread() {
    if (IsUIThread()) HandleNeeded();
    TThread* T = New<TRpCreateReportThread>(this, FRpPrinter, &FBackgroundRuns);
    ++FBackgroundRuns;
    try {
        T->Start();
    } catch (...) {
        --FBackgroundRuns;
        T->Free();
        throw;
    }
}

void TCustomRpReport::PreviewInBackground(bool Modal) {
    if (FRpPrinter && FRpPrinter->ShowingPreview()) return;
    if (!PreparePreviewPrinter()) return;
    TRpPrinter* P = FRpPrinter;
    // Taken here so that the run, once in its thread, finds the report busy.
    P->SetReportLoaded(false);
    // The window first: it is the printer's client before the first page is posted.
    if (Modal) {
        StartReportThread();
        P->PreviewModal();
    } else {
        P->Preview();
        StartReportThread();
    }
}

bool TCustomRpReport::ReplacePrinterForPrinting(TRpPrinter*& Saved) {
    Saved = FRpPrinter;
    FRpPrinter = nullptr;
    if (!CreatePrinter()) {
        FRpPrinter = Saved;
        return false;
    }
    if (!FRpPrinter->PrinterOK()) {
        FreeAndNil(FRpPrinter);
        FRpPrinter = Saved;
        throw ERpError(u"No printer is installed"_s);
    }
    return true;
}

void TCustomRpReport::Print() {
    // A report of a composite report prints the whole composite.
    if (auto* Composite = dynamic_cast<TRpCompositeReport*>(ParentComposite)) {
        Composite->Print();
        return;
    }
    if (!FAvailable) return;
    TRpPrinter* Saved = nullptr;
    if (!ReplacePrinterForPrinting(Saved)) return;
    TRpProgressForm* Progress = nullptr;
    auto Restore = [&] {
        FreeAndNil(FRpPrinter);
        FRpPrinter = Saved;
        FPrinterSettings->SetFirstPage(0);
        FPrinterSettings->SetLastPage(0);
        if (Progress) {
            Progress->Hide();
            FreeAndNil(Progress);
        }
    };
    try {
        FRpPrinter->SetDestination(rpdPrinter);
        FRpPrinter->SetMaster(this);
        // With ShowProgress the progress window follows the run and can cancel it.
        Progress = ShowProgressWindow(String());
        GenerateReport(false);
    } catch (...) {
        Restore();
        throw;
    }
    Restore();
}

TRpProgressForm* TCustomRpReport::ShowProgressWindow(const String& Caption) {
    if (!FRpPrinter) return nullptr;
    if (!FShowProgress || !IsUIThread()) {
        FRpPrinter->SetClient(nullptr);
        return nullptr;
    }
    TRpProgressForm* Progress = New<TRpProgressForm>(nullptr);
    Progress->FRpPrinter = FRpPrinter;
    if (!Caption.isEmpty()) Progress->SetCaption(Caption);
    Progress->Show();
    FRpPrinter->SetClient(Progress);
    return Progress;
}

void TCustomRpReport::PrintBackground() {
    if (!FAvailable || RunningInBackground()) return;
    if (RunInProgress) throw ERpError(u"Another report is being generated"_s);
    TRpPrinter* Saved = nullptr;
    if (!ReplacePrinterForPrinting(Saved)) return;
    // a replaced page printer that shows no preview is not needed any more
    if (Saved && !Saved->ShowingPreview()) Saved->Free();
    FRpPrinter->SetDestination(rpdPrinter);
    FRpPrinter->SetMaster(this);
    FRpPrinter->SetClient(nullptr);
    StartReportThread();
}

void TCustomRpReport::ExportToFilter(TRpExportFilter* AFilter) {
    SetZoom(100);
    if (OnExport) {
        bool Handled = false;
        OnExport(this, Handled);
        if (Handled) return;
    }
    TRpPrinter* Saved = FRpPrinter;
    FExportFilter = AFilter;
    // The filter reads the report (page size, page count, the run's printer) through its owner,
    // and the run's state from the run.
    AFilter->SetOwner(this);
    AFilter->SetRunState(&FRunState);
    AFilter->SetOriginalRpPrinter(Saved);
    FFinalPass = false;
    FRpPrinter = nullptr;
    TRpProgressForm* Progress = nullptr;
    auto Restore = [&] {
        FreeAndNil(FRpPrinter);
        if (Progress) Progress->Free();
        AFilter->SetRunState(nullptr);
        FExportFilter = nullptr;
        FFinalPass = true;
        FRpPrinter = Saved;
    };
    try {
        // A report still generating (in a report thread, say) cannot export meanwhile.
        if (!CreatePrinter()) throw ERpError(u"The report is being generated and cannot be exported"_s);
        Progress = ShowProgressWindow(u"Export Progress"_s);
        GenerateReport(false);
    } catch (...) {
        Restore();
        throw;
    }
    Restore();
}

void TCustomRpReport::ExportWebForm(TRpExportFilter* AFilter) {
    if (!AFilter || !AFilter->EnableWebForm(this)) return;
    g_lob = true;
    try {
        ExportToFilter(AFilter);
    } catch (...) {
        g_lob = false;
        throw;
    }
    g_lob = false;
}

// ---- the report as a member of a composite report ------------------------------------------------

std::function<void(TCustomRpReport* Report, bool Modal)> RpPreviewReportXML;

class TRpReportCompositeMember : public IRpCompositeMember {
public:
    explicit TRpReportCompositeMember(TCustomRpReport* Report) : R(Report) {}
    TComponent* MemberComponent() override { return R; }
    void SetParentComposite(TRpCompositeReport* Composite) override { R->ParentComposite = Composite; }
    // The report reads its page in native units whatever units it shows, so the designer's units
    // stay as they are.
    void SwitchToNativeUnits() override {}
    Extended PageLength() override { return R->FPage->NativeValue(pgLength); }
    Extended PageLeftMargin() override { return R->FPage->NativeValue(pgLeft); }
    int PageColumns() override { return std::max(1, R->FPage->Columns()); }
    bool StartNewPageInComposite() override { return R->StartNewPageInComposite; }
    void SetExportFilter(TRpExportFilter* Filter) override { R->FExportFilter = Filter; }
    // The composite's printer for the run; the report's own one comes back at EndComposite.
    void SetRpPrinter(TRpPrinter* Printer) override {
        if (!R->FInComposite) {
            R->FOwnPrinter = R->FRpPrinter;
            R->FInComposite = true;
        }
        R->FRpPrinter = Printer;
    }
    void EndComposite() override {
        if (!R->FInComposite) return;
        R->FRpPrinter = R->FOwnPrinter;
        R->FOwnPrinter = nullptr;
        R->FInComposite = false;
    }
    void SetZoom(int Value) override { R->SetZoom(Value); }
    int CurrentY() override { return R->CurrentY; }
    void SetCurrentY(int Value) override { R->CurrentY = Value; }
    void SetCurrentX(int Value) override { R->CurrentX = Value; }
    int PageCount() override { return R->FPageNumber; }
    void SetPageCount(int Value) override { R->FPageNumber = Value; }
    int CurrentColumn() override { return R->CurrentColumn; }
    void SetCurrentColumn(int Value) override { R->CurrentColumn = Value; }
    void GenerateReport(bool PartOfComposite) override { R->GenerateReport(PartOfComposite); }
    void ExportComposite(TRpExportFilter* Filter, TRpPrinter* Printer) override { R->ExportComposite(Filter, Printer); }
    void DoAfterPrint() override { R->DoAfterPrint(); }
    bool Cancelled() override { return R->FCancelled; }
    void Cancel() override { R->Cancel(); }

private:
    TCustomRpReport* R;
};

IRpCompositeMember* TCustomRpReport::CompositeMember() {
    if (!FCompositeMember) FCompositeMember = std::make_unique<TRpReportCompositeMember>(this);
    return FCompositeMember.get();
}

void TCustomRpReport::ExportComposite(TRpExportFilter* AFilter, TRpPrinter* ExportPrinter) {
    TRpPrinter* Saved = FRpPrinter;
    FExportFilter = AFilter;
    AFilter->SetOwner(this);
    AFilter->SetOriginalRpPrinter(Saved);
    AFilter->SetRunState(&FRunState);
    FFinalPass = false;
    FRpPrinter = ExportPrinter;
    TRpProgressForm* Progress = nullptr;
    auto Restore = [&] {
        if (Progress) {
            ExportPrinter->SetClient(nullptr);
            Progress->Free();
        }
        AFilter->SetRunState(nullptr);
        FExportFilter = nullptr;
        FFinalPass = true;
        FRpPrinter = Saved;
    };
    try {
        Progress = ShowProgressWindow(u"Export Progress"_s);
        GenerateReport(true);
    } catch (...) {
        Restore();
        throw;
    }
    Restore();
}

void TCustomRpReport::PreviewXML(bool Modal) {
    if (BeforePreview) BeforePreview(this);
    if (RpPreviewReportXML) RpPreviewReportXML(this, Modal);
}

void TCustomRpReport::Cancel() {
    if (FAvailable && !RunningInBackground()) return;
    FCancelled = true;
    if (FRpPrinter) FRpPrinter->Cancel();
}

void TCustomRpReport::RunController() { FController->RunDataLoop(); }

void TCustomRpReport::PrintColumnHeaders() {
    for (TRpCustomBand* B : FController->ColHeaders) {
        const TRpBandType T = B->BandType();
        B->FRpBandType = rbColumnHeader;
        try {
            PrintBand(B);
        } catch (...) {
            B->FRpBandType = T;
            throw;
        }
        B->FRpBandType = T;
        B->PrintedInHeader = true;
    }
}

void TCustomRpReport::PrintBand(TRpCustomBand* Band) {
    if (!Band) return;
    if (Band->AlignToBottom) {
        if (Band->BandType() == rbSummary && !Options.Contains(LastPageFooter)) PageFooterSize = 0;
        const int Needed = RoundToInt(Band->NativeHeight() + FPage->NativeValue(pgBottom) + PageFooterSize);
        const int Paper = FRpPrinter->PaperLengthValue();
        if (Paper - CurrentY >= Needed)
            CurrentY = Paper - RoundToInt(Band->NativeHeight()) - RoundToInt(FPage->NativeValue(pgBottom) + PageFooterSize);
    }
    FRunState.CurrentBandName = Band->Name();
    Band->DoPrint();
}

void TCustomRpReport::ResetPageFooterSize() {
    Extended Size = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        auto B = dynamic_cast<TRpCustomBand*>(Controls(i));
        if (!B || B->BandType() != rbPageFooter || !B->BandEnabled()) continue;
        Size += B->NativeHeight();
        int Guard = 0;
        for (TRpChildBand* C = B->ChildBand(); C && Guard < 1000; C = C->ChildBand(), ++Guard)
            if (C->BandEnabled()) Size += C->NativeHeight();
    }
    PageFooterSize = RoundToInt(Size);
}

int TCustomRpReport::AvailableSpace() {
    if (FAvailable || CurrentY == -1 || !FRpPrinter) return 0;
    if (FExportFilter && FExportFilter->Streaming()) return FRpPrinter->PaperLengthValue();
    return RoundToInt(FRpPrinter->PaperLengthValue() - FPage->NativeValue(pgBottom) - PageFooterSize - CurrentY);
}

void TCustomRpReport::NewColumn() {
    const int Cols = std::max(1, FPage->Columns());
    if (CurrentColumn >= Cols) {
        CurrentColumn = 1;
        CurrentX = RoundToInt(FPage->NativeValue(pgLeft));
        NewPage(false);
    } else {
        Int64 CW;
        if (TRpCustomBand* D = FirstBand(rbDetail))
            CW = RoundToInt(D->Size()->NativeWidth());
        else
            CW = (Int64(RoundToInt(FPage->NativeValue(pgWidth) - (FPage->NativeValue(pgLeft) + FPage->NativeValue(pgRight)))) -
                  Int64(RoundToInt(FPage->NativeValue(pgColSpace))) * (Cols - 1)) / Cols;
        CurrentX = int(CurrentX + CW + RoundToInt(FPage->NativeValue(pgColSpace)));
        CurrentY = ColumnTopPosition;
        ++CurrentColumn;
    }
    if (EvColNum) TRpEvEnvironment::SetIntegerConstant(EvColNum, CurrentColumn);
    if (!(CurrentColumn == 1 && FPageNumber == 1)) PrintColumnHeaders();
}

void TCustomRpReport::NewPage(bool PrintColHeaders) {
    EndPage();
    // The page's link record: where its printables are, for the preview's mouse.
    if (FUsePreviewLinks) {
        if (!FCurrLinkListed) FCurrLinkPage->Free();
        FCurrLinkPage = New<TRpLinkPage>();
        FCurrLinkListed = false;
    }
    ++FPageNumber;
    if (FExportFilter) FExportFilter->NewPage();
    if (FRunState.CompositeRun)
        if (auto* C = dynamic_cast<TRpCompositeReport*>(ParentComposite)) ++C->GlobalPageCount;
    if (EvPageNum) TRpEvEnvironment::SetIntegerConstant(EvPageNum, FPageNumber);
    if (FFinalPass || FPageNumber == 1)
        FRpPrinter->NewPage();
    else if (FExportFilter)
        FRpPrinter->RestartScratchPage();  // an export keeps no page: the last one's drawing goes
    CurrentY = RoundToInt(FPage->NativeValue(pgTop));
    if (OnStartPage && !ComponentState().Contains(csDesigning)) OnStartPage(this);
    PrintPageBackground();
    if (FPageNumber > 1 || Options.Contains(FirstPageHeader)) {
        for (int i = 0; i < FBandList->Count(); ++i) {
            auto B = static_cast<TRpCustomBand*>(FBandList->Items(i));
            if (B->BandType() == rbPageHeader) PrintBand(B);
        }
    }
    ColumnTopPosition = CurrentY;
    CurrentColumn = 1;
    if (FPageNumber == 1)
        if (TRpCustomBand* T = FirstBand(rbTitle)) ColumnTopPosition += RoundToInt(T->NativeHeight());
    if (FPageNumber > 1 && PrintColHeaders) PrintColumnHeaders();
}

void TCustomRpReport::PrintPageBackground() {
    TRpPrinter* P = FRpPrinter;
    if (BackgroundColor != TColor(0xFFFFFF)) {
        const TRect Sheet(0, 0, RoundToInt(FPage->NativeValue(pgWidth) * P->XFactor()),
                          RoundToInt(FPage->NativeValue(pgLength) * P->YFactor()));
        if (FFinalPass && P->Canvas()) {
            TCanvas* C = P->Canvas();
            C->Brush()->SetColor(BackgroundColor);
            C->Brush()->SetStyle(bsSolid);
            C->FillRect(Sheet);
        }
        if (FExportFilter) {
            TOwned<TRpShape> Shape = NewOwned<TRpShape>(nullptr);
            Shape->Brush()->SetStyle(bsSolid);
            Shape->Brush()->SetColor(BackgroundColor);
            Shape->Pen()->SetStyle(psClear);
            Shape->SetBounds(0, 0, Sheet.Width(), Sheet.Height());
            FExportFilter->AcceptGraphic(0, 0, Shape.get());
        }
    }
    auto Image = dynamic_cast<TRpImage*>(FBackgroundControl);
    if (!Image) return;
    TRpPrintableSize* S = Image->Size();
    const int L = P->XPos(S->NativeLeft()), T = P->YPos(S->NativeTop());
    if (FExportFilter) FExportFilter->AcceptGraphic(L, T, Image);
    TGraphic* G = Image->Picture()->Graphic();
    if ((FFinalPass || FPageNumber == 1) && P->Canvas() && G && !G->Empty())
        P->Canvas()->StretchDraw(TRect(L, T, L + RoundToInt(S->NativeWidth() * P->XFactor()),
                                       T + RoundToInt(S->NativeHeight() * P->YFactor())),
                                 G);
}

void TCustomRpReport::EndPage() {
    if (FPageNumber > 0) {
        CurrentY = RoundToInt(FPage->NativeValue(pgLength) - FPage->NativeValue(pgBottom) - PageFooterSize);
        CurrentX = RoundToInt(FPage->NativeValue(pgLeft));
        if (!(FLastPage && !Options.Contains(LastPageFooter))) {
            for (int i = 0; i < FBandList->Count(); ++i) {
                auto B = static_cast<TRpCustomBand*>(FBandList->Items(i));
                if (B->BandType() == rbPageFooter) PrintBand(B);
            }
        }
        for (int i = 0; i < ControlCount(); ++i)
            if (auto P = dynamic_cast<TRpPrintable*>(Controls(i)); P && P != FBackgroundControl) P->Print(0, 0);
        // the report's frame around the printable area
        if ((FFinalPass || FExportFilter) && FFrame->AnyFrame() && FRpPrinter && FRpPrinter->Canvas()) {
            const TRect R(FRpPrinter->XPos(FPage->NativeValue(pgLeft)), FRpPrinter->YPos(FPage->NativeValue(pgTop)),
                          FRpPrinter->XPos(FPage->NativeValue(pgWidth) - FPage->NativeValue(pgRight)),
                          FRpPrinter->YPos(FPage->NativeValue(pgLength) - FPage->NativeValue(pgBottom)));
            FFrame->PaintIt(FRpPrinter->Canvas(), R, FRpPrinter->XFactor(), FRpPrinter->YFactor());
        }
        if (OnEndPage && !ComponentState().Contains(csDesigning)) OnEndPage(this);
    }
    // The link record of the page goes to the list (the record of no page first, so that page N
    // has index N).
    if (FUsePreviewLinks && !FCurrLinkListed) {
        FPageLinkInfoList->addPageRec(FCurrLinkPage);
        FCurrLinkListed = true;
    }
    if (FExportFilter) FExportFilter->EndPage();
}

void TCustomRpReport::GenerateReport(bool PartOfComposite) {
    if (!FAvailable) return;
    bool Expected = false;
    if (!RunInProgress.compare_exchange_strong(Expected, true))
        throw ERpError(u"Another report is being generated"_s);
    struct RunGuard {
        ~RunGuard() { RunInProgress = false; }
    } Guard;

    if (FPage->NativeValue(pgWidth) - FPage->NativeValue(pgLeft) - FPage->NativeValue(pgRight) < 0) {
        FPage->SetLeftMargin(0);
        FPage->SetRightMargin(0);
    }
    if (FPage->NativeValue(pgLength) - FPage->NativeValue(pgTop) - FPage->NativeValue(pgBottom) < 0) {
        FPage->SetTopMargin(0);
        FPage->SetBottomMargin(0);
    }
    FCancelled = false;
    FLastPage = false;
    NoForceNewPage = false;
    UserCancel = false;
    FRunState.DetailBreak = false;
    if (FUsePreviewLinks && !PartOfComposite) {
        // A fresh list; the current record leaves it first when it is the list's.
        if (FCurrLinkListed) {
            FCurrLinkPage = New<TRpLinkPage>();
            FCurrLinkListed = false;
        }
        FPageLinkInfoList->pilist->Clear();
    }
    if (BeforePrint && !ComponentState().Contains(csDesigning)) {
        bool PrintReport = true;
        BeforePrint(this, PrintReport);
        if (!PrintReport) return;
    }
    FAvailable = false;
    FAllDataSets = New<TRpDataSetList>();
    bool DocBegun = false;
    bool Prepared = false;
    try {
        // every dataset of the form that holds the report
        TComponent* Form = this;
        while (Form && !dynamic_cast<TCustomForm*>(Form)) Form = Form->Owner();
        if (!Form) Form = Owner();
        std::function<void(TComponent*)> Collect = [&](TComponent* Holder) {
            for (int i = 0; i < Holder->ComponentCount(); ++i) {
                TComponent* C = Holder->Components(i);
                        if (auto D = dynamic_cast<TDataSet*>(C); D && FAllDataSets->IndexOf(D) < 0) FAllDataSets->Add(D);
                if (dynamic_cast<TWinControl*>(C)) Collect(C);
            }
        };
        if (Form) Collect(Form);
        // the background picture: the first picture on the report of the name asked for
        FBackgroundControl = nullptr;
        if (!BackImageControl.isEmpty())
            for (int i = 0; i < ControlCount() && !FBackgroundControl; ++i)
                if (auto I = dynamic_cast<TRpImage*>(Controls(i)); I && I->Name() == BackImageControl) FBackgroundControl = I;

        if (!PartOfComposite) {
            ApplyPrinterSettings();
            FRpPrinter->SetTitle(FReportTitle);
            FRpPrinter->SetCompression(Options.Contains(Compression));
            FRpPrinter->BeginDoc();
            DocBegun = true;
            CurrentY = -1;
            FPageNumber = 0;
        }
        CurrentColumn = std::max(1, FPage->Columns());
        if (FExportFilter && !FExportFilter->Active())
            FExportFilter->Start(RoundToInt(FPage->NativeValue(pgWidth)), RoundToInt(FPage->NativeValue(pgLength)), Font());
        ResetPageFooterSize();
        for (int i = 0; i < ControlCount(); ++i) {
            if (auto B = dynamic_cast<TRpCustomBand*>(Controls(i))) B->SetParentReport(this);
            if (auto P = dynamic_cast<TRpPrintable*>(Controls(i))) P->AttachReport(this);
        }
        CurrentX = RoundToInt(FPage->NativeValue(pgLeft));
        RebuildBandList();
        FFunctions->SetDatasets(FAllDataSets);
        FFunctions->Prepare();
        EvPageNum = FFunctions->GetConstant(u"PAGENUMBER"_s);
        EvColNum = FFunctions->GetConstant(u"COLUMNNUMBER"_s);
        if (TRpEvElement* T = FFunctions->GetConstant(u"REPORTTITLE"_s)) TRpEvEnvironment::SetStringConstant(T, FReportTitle);
        FController->BeginRun();
        Prepared = true;
        ForEachPrintable([](TRpPrintable* P) { P->Prepare(); });
        FRunState.CompositeRun = PartOfComposite;
        RunController();
        if (!PartOfComposite) {
            CurrentX = RoundToInt(FPage->NativeValue(pgLeft));
            FLastPage = true;
            if (!FCancelled) EndPage();
            if (FExportFilter) FExportFilter->Finish();
        } else if (Tag() == 999) {
            FLastPage = true;
            EndPage();
            if (FExportFilter) FExportFilter->Finish();
        }
    } catch (...) {
        // the report stays usable after a failed run
        if (Prepared) {
            try {
                ForEachPrintable([](TRpPrintable* P) { P->Unprepare(); });
                FController->EndRun();
                FFunctions->Unprepare();
            } catch (...) {
            }
        }
        if (DocBegun) {
            try {
                FRpPrinter->AbortDoc();
            } catch (...) {
            }
        }
        FFunctions->SetDatasets(nullptr);
        EvPageNum = EvColNum = nullptr;
        FreeAndNil(FAllDataSets);
        FBackgroundControl = nullptr;
        FAvailable = true;
        throw;
    }
    ForEachPrintable([](TRpPrintable* P) { P->Unprepare(); });
    FController->EndRun();
    FFunctions->Unprepare();
    FFunctions->SetDatasets(nullptr);
    EvPageNum = EvColNum = nullptr;
    if (DocBegun) {
        if (FCancelled)
            FRpPrinter->AbortDoc();
        else if (FFinalPass)
            FRpPrinter->EndDoc();
        else
            FRpPrinter->AbortDoc();
    }
    FreeAndNil(FAllDataSets);
    FBackgroundControl = nullptr;
    FAvailable = true;
}

// ---- TRpReport ----------------------------------------------------------------------------------

void TRpReport::AfterConstruction() {
    inherited::AfterConstruction();
    FreeAndNil(FController);
    FController = TRpCustomController::NewFor(this, true);
    FController->SetParentReport(this);
    FController->SetSelfCheck(this);
}

TRpController* TRpReport::DataController() const { return dynamic_cast<TRpController*>(FController); }
TDataSet* TRpReport::DataSet() const { return DataController() ? DataController()->DataSet() : nullptr; }
void TRpReport::SetDataSet(TDataSet* Value) {
    if (DataController()) DataController()->SetDataSet(Value);
}

int TRpReport::RecordCount() {
    TDataSet* D = DataSet();
    if (!D || !D->Active()) return 1;
    if (ReplaceRecordCount > 0) return ReplaceRecordCount;
    try {
        if (usePassiveRecordCount) return D->RecordCount();
        D->Last();
        const int N = D->RecordCount();
        D->First();
        return N;
    } catch (...) {
        return 1;
    }
}

int TRpReport::RecordNumber() { return DataController() ? DataController()->DetailNumber : 0; }

void TRpReport::AssignControllerBands() {
    if (auto C = DataController()) {
        C->Detail = FirstBand(rbDetail);
        C->Header = FirstBand(rbTitle);
        C->Footer = FirstBand(rbSummary);
    }
}

void TRpReport::RunController() {
    AssignControllerBands();
    if (auto C = DataController()) C->OnNeedData = OnNeedData;
    inherited::RunController();
}
