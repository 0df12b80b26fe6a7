#include "report/rpprintable.h"

#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpframe.h"
#include "report/rpprinter.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {

// Values read back through unit conversions are compared with a little slack: a pixel length
// stored as native units does not always come back bit for bit.
bool Differs(Extended A, Extended B) { return std::fabs(A - B) > 1e-7L; }

int ToPixels(Extended V) { return int(Round(V)); }

}  // namespace

// ---- TRpPrintableSize ----------------------------------------------------------------------------

TRpPrintableSize::TRpPrintableSize(TRpPrintable* AParent) : FParent(AParent) {}

void TRpPrintableSize::Published(TPublished<TRpPrintableSize>& P) {
    P.Extended("Height", &TRpPrintableSize::Height, &TRpPrintableSize::SetHeight).Stored(false);
    P.Extended("Left", &TRpPrintableSize::Left, &TRpPrintableSize::SetLeft).Stored(false);
    P.Extended("Top", &TRpPrintableSize::Top, &TRpPrintableSize::SetTop).Stored(false);
    P.Extended("Width", &TRpPrintableSize::Width, &TRpPrintableSize::SetWidth).Stored(false);
}

Extended TRpPrintableSize::GetValue(int Index) {
    Extended R = 0;
    switch (Index) {
        case 0: R = NativeToUnits(GetUnits(), false, FHeight); break;
        case 1: R = NativeToUnits(GetUnits(), true, FLeft); break;
        case 2: R = NativeToUnits(GetUnits(), false, FTop); break;
        case 3: R = NativeToUnits(GetUnits(), true, FWidth); break;
        default: return 0;
    }
    if (GetUnits() == Pixels && FParent) {
        if (auto Panel = dynamic_cast<IRpPanel*>(FParent->Parent())) R = R * Panel->PanelZoom() / 100;
    }
    return R;
}

void TRpPrintableSize::SetValue(int Index, Extended Value) {
    switch (Index) {
        case 0: FHeight = UnitsToNative(GetUnits(), false, Value); break;
        case 1: FLeft = UnitsToNative(GetUnits(), true, Value); break;
        case 2: FTop = UnitsToNative(GetUnits(), false, Value); break;
        case 3: FWidth = UnitsToNative(GetUnits(), true, Value); break;
        default: break;
    }
    ApplyToParent();
}

void TRpPrintableSize::ApplyToParent() {
    if (!FParent) return;
    FParentUpdating = true;
    try {
        FParent->SetBounds(ToPixels(NativeToUnits(Pixels, true, FLeft)), ToPixels(NativeToUnits(Pixels, false, FTop)),
                           ToPixels(NativeToUnits(Pixels, true, FWidth)),
                           ToPixels(NativeToUnits(Pixels, false, FHeight)));
    } catch (...) {
        FParentUpdating = false;
        throw;
    }
    FParentUpdating = false;
}

void TRpPrintableSize::LoadStoredValues(TReader* Reader) {
    Reader->ReadListBegin();
    Extended* Fields[4] = {&FHeight, &FLeft, &FTop, &FWidth};
    for (int i = 0; i < 4 && !Reader->EndOfList(); ++i) *Fields[i] = Reader->ReadFloat();
    while (!Reader->EndOfList()) Reader->ReadFloat();
    Reader->ReadListEnd();
}

void TRpPrintableSize::SaveStoredValues(TWriter* Writer) {
    Writer->WriteListBegin();
    Writer->WriteFloat(FHeight);
    Writer->WriteFloat(FLeft);
    Writer->WriteFloat(FTop);
    Writer->WriteFloat(FWidth);
    Writer->WriteListEnd();
}

void TRpPrintableSize::Assign(TPersistent* Source) {
    if (Source && Source->Is<TRpPrintableSize>()) {
        auto S = static_cast<TRpPrintableSize*>(Source);
        FHeight = S->FHeight;
        FLeft = S->FLeft;
        FTop = S->FTop;
        FWidth = S->FWidth;
        ApplyToParent();
        return;
    }
    inherited::Assign(Source);
}

// ---- TRpPrintable --------------------------------------------------------------------------------

TRpPrintable::TRpPrintable(TComponent* AOwner) : TCustomControl(AOwner) {}

TRpPrintable::~TRpPrintable() = default;

void TRpPrintable::AfterConstruction() {
    inherited::AfterConstruction();
    FSize = New<TRpPrintableSize>(this);
    FFrame = New<TRpFrame>();
    FFrame->SetParent(this);
    SetColor(TColor(0xFFFFFF));
    ButtonDown = false;
    FAlignment = taLeftJustify;
    FAlignToBand = false;
    AlignUpdating = false;
    FPrintFinished = true;
    FIsPrinting = false;
    LoadedTop = LoadedWidth = LoadedHeight = LoadedLeft = 0;
    SetBounds(Left(), Top(), 10, 10);
}

void TRpPrintable::BeforeDestruction() {
    inherited::BeforeDestruction();
    // The size object is gone first: bounds changes while the control is taken apart go nowhere.
    TRpPrintableSize* S = FSize;
    FSize = nullptr;
    if (S) S->Free();
    FreeAndNil(FFrame);
}

void TRpPrintable::Published(TPublished<TRpPrintable>& P) {
    P.Boolean("Enabled", &TRpPrintable::Enabled, &TRpPrintable::SetEnabled).Default(1);
    P.Object("Frame", &TRpPrintable::Frame, &TRpPrintable::SetFrame);
    P.Object("Size", &TRpPrintable::Size, &TRpPrintable::SetSize);
    P.Integer("XLColumn", &TRpPrintable::XLColumn, &TRpPrintable::SetXLColumn).Default(0);
    P.Enum("XLNumFormat", &TRpPrintable::XLNumFormat, &TRpPrintable::SetXLNumFormat,
           {"nfGeneral", "nfInteger", "nfDec2", "nfIntRound", "nfCurrencyNS", "nfCurrency", "nfCurrency2",
            "nfCurrencyDec", "nfCurrencyDec2", "nfPercent", "nfPercentDec2", "nfFraction", "nfFraction2", "nfDate1",
            "nfDate2", "nfDate3", "nfDate4", "nfTime1", "nfTime2", "nfTime3", "nfTime4", "nfDateTime"})
        .Default(nfGeneral);
    P.Boolean("ActiveInPreview", &TRpPrintable::ActiveInPreview, &TRpPrintable::SetActiveInPreview).Default(0);
}

bool TRpPrintable::IsPrintEnabled() { return Enabled() || !Visible(); }

TClass TRpPrintable::GetEditorClass() { return TRpPrintableEditor::StaticClass(); }

IRpBand* TRpPrintable::ParentBand() const { return dynamic_cast<IRpBand*>(Parent()); }

void TRpPrintable::AlignInBand() {
    if (!FAlignToBand) return;
    AlignUpdating = true;
    try {
        IRpBand* Band = ParentBand();
        switch (FAlignment) {
            case taLeftJustify: SetLeft(0); break;
            case taRightJustify:
                if (Band) SetLeft(Parent()->Width() - Width());
                break;
            case taCenter:
                if (Band) SetLeft((Parent()->Width() - Width()) / 2);
                break;
        }
    } catch (...) {
        AlignUpdating = false;
        throw;
    }
    AlignUpdating = false;
}

void TRpPrintable::Prepare() {
    FIsPrinting = true;
    FRpPrinter = FParentReport ? FParentReport->RpPrinter() : nullptr;
}

void TRpPrintable::Unprepare() {
    FIsPrinting = false;
    // The run's printer goes with the run.
    FRpPrinter = nullptr;
}

TRect TRpPrintable::PrintRect(int OfsX, int OfsY) const {
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    return TRect(FRpPrinter->XPos(L), FRpPrinter->YPos(T), FRpPrinter->XPos(L + FSize->NativeWidth()),
                 FRpPrinter->YPos(T + FSize->NativeHeight()));
}

void TRpPrintable::Print(int OfsX, int OfsY) {
    if (!FParentReport || !(FParentReport->FinalPass() || FParentReport->Exporting()) || !FFrame->AnyFrame() ||
        !FRpPrinter || !FRpPrinter->Canvas())
        return;
    FFrame->PaintIt(FRpPrinter->Canvas(), PrintRect(OfsX, OfsY), FRpPrinter->XFactor(), FRpPrinter->YFactor());
}

void TRpPrintable::ControllerNotify(int Operation) {
    if (Operation == 2) AlignInBand();
}

void TRpPrintable::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    if (FAlignToBand) AlignInBand();
    Invalidate();
}

void TRpPrintable::SetAlignToBand(bool Value) {
    FAlignToBand = Value;
    AlignInBand();
}

void TRpPrintable::SetFrame(TRpFrame* Value) {
    if (Value && Value != FFrame) FFrame->Assign(Value);
    Invalidate();
}

void TRpPrintable::SetSize(TRpPrintableSize* Value) {
    if (Value && Value != FSize) FSize->Assign(Value);
}

void TRpPrintable::GetExpandedHeight(Extended& NewHeight) { (void)NewHeight; }

String TRpPrintable::GetFieldString() { return String(); }

bool TRpPrintable::Transparent() const { return !ControlStyle().Contains(csOpaque); }

void TRpPrintable::SetTransparent(bool Value) {
    if (Value == Transparent()) return;
    TControlStyle S = ControlStyle();
    if (Value)
        S.Exclude(csOpaque);
    else
        S.Include(csOpaque);
    SetControlStyle(S);
    Invalidate();
}

int TRpPrintable::Zoom() const { return FSize ? FSize->Zoom() : 100; }

void TRpPrintable::SetZoom(int Value) {
    if (!FSize) return;
    FSize->SetZoom(Value);
    FSize->ApplyToParent();
}

void TRpPrintable::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!FSize || FSize->ParentUpdating()) {
        inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
        if (FSize && FParentReport) FParentReport->Modify();
    } else if (ComponentState().Contains(csLoading) || (FParentReport && FParentReport->PreparingDesignTime())) {
        if (ALeft != 0) LoadedLeft = ALeft;
        if (ATop != 0) LoadedTop = ATop;
        if (AWidth != 0) LoadedWidth = AWidth;
        if (AHeight != 0) LoadedHeight = AHeight;
    } else {
        FSize->SwitchToPixels();
        try {
            if (Differs(FSize->GetValue(0), AHeight)) FSize->SetValue(0, AHeight);
            if (Differs(FSize->GetValue(3), AWidth)) FSize->SetValue(3, AWidth);
            if (Differs(FSize->GetValue(2), ATop)) FSize->SetValue(2, ATop);
            if (Differs(FSize->GetValue(1), ALeft)) FSize->SetValue(1, ALeft);
        } catch (...) {
            FSize->RestoreUnits();
            throw;
        }
        FSize->RestoreUnits();
    }
    if (FAlignToBand && !AlignUpdating) AlignInBand();
}

void TRpPrintable::Loaded() {
    inherited::Loaded();
    FSize->AfterLoad();
    int L = Left(), T = Top(), W = Width(), H = Height();
    if (L == 0 && LoadedLeft != 0) L = LoadedLeft;
    if (T == 0 && LoadedTop != 0) T = LoadedTop;
    if (W == 0 && LoadedWidth != 0) W = LoadedWidth;
    if (H == 0 && LoadedHeight != 0) H = LoadedHeight;
    if (L != Left() || T != Top() || W != Width() || H != Height()) SetBounds(L, T, W, H);
}

void TRpPrintable::AttachToReport(IRpReport* Report) {
    FParentReport = Report;
    FSize->SetParentReport(Report);
    Extended T = FSize->Top();
    Extended L = FSize->Left();
    SetZoom(Report->ReportZoom());
    FSize->SetTop(T);
    FSize->SetLeft(L);
}

void TRpPrintable::SetParent(TWinControl* AParent) {
    inherited::SetParent(AParent);
    if (!FSize || !AParent) return;
    if (auto Report = dynamic_cast<IRpReport*>(AParent)) {
        FSize->SetUnits(Report->ReportUnits());
        AttachToReport(Report);
    } else if (auto Band = dynamic_cast<IRpBand*>(AParent)) {
        FSize->SetUnits(Band->BandUnits());
        if (IRpReport* R = Band->BandReport()) AttachToReport(R);
        FSize->SetTop(FSize->Top());
        FSize->SetLeft(FSize->Left());
    }
}

void TRpPrintable::PaintCorners() {
    TCanvas* C = Canvas();
    C->Pen()->SetColor(clBlack);
    C->Pen()->SetStyle(psSolid);
    C->Pen()->SetWidth(1);
    const int W = Width(), H = Height();
    C->Polyline({TPoint(0, 3), TPoint(0, 0), TPoint(3, 0)});
    C->Polyline({TPoint(0, H - 4), TPoint(0, H - 1), TPoint(3, H - 1)});
    C->Polyline({TPoint(W - 4, 0), TPoint(W - 1, 0), TPoint(W - 1, 3)});
    C->Polyline({TPoint(W - 4, H - 1), TPoint(W - 1, H - 1), TPoint(W - 1, H - 4)});
}

void TRpPrintable::Paint() {
    if (FIsPrinting) return;
    TCanvas* C = Canvas();
    if (!Transparent()) {
        C->Brush()->SetColor(clWhite);
        C->Brush()->SetStyle(bsSolid);
        C->FillRect(ClientRect());
    }
    PaintCorners();
    const int Dpi = Screen ? Screen->PixelsPerInch() : 96;
    const Extended F = Extended(Zoom()) * (Dpi / 254.0L) / 100;
    TRect R = ClientRect();
    R.Right -= 1;
    R.Bottom -= 1;
    FFrame->PaintIt(C, R, F, F);
}

// ---- the report unit's start-up ------------------------------------------------------------------

namespace {

const TRpDesignPalette HighColourPalette{psSolid, psSolid, TColor(0xF9F9F9), TColor(0xF0F0F0), "Small Fonts",
                                         TColor(0x707070), 6, psDot, TColor(0xFF8080), psDot, TColor(0x606060)};
const TRpDesignPalette LowColourPalette{psDot, psSolid, TColor(0xC0C0C0), TColor(0xC0C0C0), "Small Fonts",
                                        TColor(0xC0C0C0), 6, psDash, TColor(0x808080), psSolid, TColor(0x808080)};
const TRpDesignPalette* ChosenPalette = nullptr;

// The screen's colour count as the device capability reports it: -1 above 8 bits per pixel.
int ScreenNumColors() {
    QScreen* S = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                               : nullptr;
    int Depth = S ? S->depth() : 32;
    return Depth > 8 ? -1 : (1 << Depth);
}

}  // namespace

const TRpDesignPalette& RpDesignPaletteFor(int NumColors) {
    return (NumColors > 256 || NumColors < 0) ? HighColourPalette : LowColourPalette;
}

void RpReportUnitStartup() {
    if (ChosenPalette) return;
    ChosenPalette = &RpDesignPaletteFor(ScreenNumColors());
    (void)UsesUSMeasurement();
}

const TRpDesignPalette& DesignPalette() {
    RpReportUnitStartup();
    return *ChosenPalette;
}
