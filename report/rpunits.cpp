#include "report/rpunits.h"

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/rtlmath.h"

#include <cmath>

// ---- TRpUnitBase ---------------------------------------------------------------------------------

TRpUnitBase::TRpUnitBase() {
    FUnits = UsesUSMeasurement() ? Inches : MM;
    SavedUnits = FUnits;
    FResolution = Screen ? Screen->PixelsPerInch() : 96;
}

namespace {

// Font size of the report for character units; a report without a font size counts as 10 points.
Extended CharacterFontSize(IRpUnitsReport* Report) {
    int Size = Report ? std::abs(Report->ReportFontSize()) : 0;
    return Size > 0 ? Size : 10;
}

}  // namespace

Extended TRpUnitBase::NativeToUnits(TRpUnit AUnits, bool Horizontal, Extended X) {
    switch (AUnits) {
        case MM: return X / 10;
        case Inches: return X / 254;
        case Pixels: return X / (254.0L / FResolution) * FZoom / 100;
        case Characters: {
            Extended F = CharacterFontSize(FParentReport);
            return Horizontal ? X / CharWidthFactor(F) / 10 : X / CharHeightFactor(F) / 10;
        }
        case Native: break;
    }
    return X;
}

Extended TRpUnitBase::UnitsToNative(TRpUnit AUnits, bool Horizontal, Extended X) {
    switch (AUnits) {
        case MM: return X * 10;
        case Inches: return X * 254;
        case Pixels: return X * (254.0L / FResolution) / FZoom * 100;
        case Characters: {
            Extended F = CharacterFontSize(FParentReport);
            return Horizontal ? X * CharWidthFactor(F) * 10 : X * CharHeightFactor(F) * 10;
        }
        case Native: break;
    }
    return X;
}

void TRpUnitBase::DefineProperties(TFiler* Filer) {
    inherited::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("Values"), [this](TReader* Reader) { LoadStoredValues(Reader); },
        [this](TWriter* Writer) { SaveStoredValues(Writer); }, true);
}

void TRpUnitBase::SetZoom(int Value) {
    if (Value > 0) FZoom = Value;
}

void TRpUnitBase::SwitchToPixels() {
    SavedUnits = GetUnits();
    SetUnits(Pixels);
}

void TRpUnitBase::RestoreUnits() { SetUnits(SavedUnits); }

// ---- TRpBandSize ---------------------------------------------------------------------------------

void TRpBandSize::Published(TPublished<TRpBandSize>& P) {
    P.Extended("Height", &TRpBandSize::Height, &TRpBandSize::SetHeight).Stored(false);
    P.Extended("Width", &TRpBandSize::Width, &TRpBandSize::SetWidth).Stored(false);
}

Extended TRpBandSize::GetValue(int Index) {
    if (Index == 0) return NativeToUnits(GetUnits(), false, FLength);
    return NativeToUnits(GetUnits(), true, FWidth);
}

void TRpBandSize::SetValue(int Index, Extended Value) {
    if (Index == 0)
        FLength = UnitsToNative(GetUnits(), false, Value);
    else
        FWidth = UnitsToNative(GetUnits(), true, Value);
    ApplyToParent();
}

void TRpBandSize::ApplyToParent() {
    if (!FParent) return;
    FParentUpdating = true;
    try {
        FParent->SetBounds(FParent->Left(), FParent->Top(), int(Round(NativeToUnits(Pixels, true, FWidth))),
                           int(Round(NativeToUnits(Pixels, false, FLength))));
    } catch (...) {
        FParentUpdating = false;
        throw;
    }
    FParentUpdating = false;
}

void TRpBandSize::LoadStoredValues(TReader* Reader) {
    Reader->ReadListBegin();
    FLength = Reader->ReadFloat();
    FWidth = Reader->ReadFloat();
    Reader->ReadListEnd();
}

void TRpBandSize::SaveStoredValues(TWriter* Writer) {
    Writer->WriteListBegin();
    Writer->WriteFloat(FLength);
    Writer->WriteFloat(FWidth);
    Writer->WriteListEnd();
}

// ---- TRpPage -------------------------------------------------------------------------------------

TRpPage::TRpPage(IRpUnitsReport* AParent) {
    FParentReport = AParent;
    // Defaults are set field by field: the report being built is not asked to lay out yet.
    TRpPaperSize Paper = A4;
    Extended Margin = 100;  // 10 mm
    if (UsesUSMeasurement()) {
        FUnits = Inches;
        Paper = Letter;
        Margin = 127;  // 0.5 in
    } else {
        FUnits = MM;
    }
    SavedUnits = FUnits;
    TRpPaperDimensions D = RpPaperDimensions(Paper);
    FPaperSize = Paper;
    FWidth = D.Width * 10;
    FLength = D.Length * 10;
    FTopMargin = FBottomMargin = FLeftMargin = FRightMargin = Margin;
    FColumnSpace = 0;
    FRuler = true;
    FColumns = 1;
    FPrintOrder = ColByCol;
    FContinuous = false;
}

void TRpPage::Published(TPublished<TRpPage>& P) {
    P.Extended("BottomMargin", &TRpPage::BottomMargin, &TRpPage::SetBottomMargin).Stored(false);
    P.Extended("Length", &TRpPage::Length, &TRpPage::SetLength).Stored(false);
    P.Extended("TopMargin", &TRpPage::TopMargin, &TRpPage::SetTopMargin).Stored(false);
    P.Extended("Width", &TRpPage::Width, &TRpPage::SetWidth).Stored(false);
    P.Extended("LeftMargin", &TRpPage::LeftMargin, &TRpPage::SetLeftMargin).Stored(false);
    P.Extended("RightMargin", &TRpPage::RightMargin, &TRpPage::SetRightMargin).Stored(false);
    P.Extended("ColumnSpace", &TRpPage::ColumnSpace, &TRpPage::SetColumnSpace).Stored(false);
    P.Integer("Columns", &TRpPage::Columns, &TRpPage::SetColumns);
    P.Enum("Orientation", &TRpPage::Orientation, &TRpPage::SetOrientation, {"poPortrait", "poLandscape"});
    {
        TPropBuilder b = P.Enum("PaperSize", &TRpPage::PaperSize, &TRpPage::SetPaperSize, {});
        for (auto n : RpPaperSizeNames) b.Info().EnumNames.push_back(QString::fromLatin1(n));
    }
    P.Boolean("Ruler", &TRpPage::Ruler, &TRpPage::SetRuler).Default(1);
    P.Boolean("Continuous", &TRpPage::Continuous, &TRpPage::SetContinuous).Default(0);
}

Extended& TRpPage::Field(int Index) {
    switch (Index) {
        case 0: return FBottomMargin;
        case 1: return FLength;
        case 2: return FTopMargin;
        case 3: return FWidth;
        case 4: return FLeftMargin;
        case 5: return FRightMargin;
        default: return FColumnSpace;
    }
}

Extended TRpPage::NativeValue(int Index) const { return const_cast<TRpPage*>(this)->Field(Index); }

Extended TRpPage::GetValue(int Index) {
    bool Horizontal = Index > 2;
    return NativeToUnits(GetUnits(), Horizontal, Field(Index));
}

void TRpPage::LayOut() {
    if (FParentReport) FParentReport->SetBandValues();
}

void TRpPage::Repaint() {
    if (FParentReport) FParentReport->RepaintPage();
}

void TRpPage::SetValue(int Index, Extended Value) {
    if ((Index == 1 || Index == 3) && FPaperSize != Custom) return;
    Extended Native = UnitsToNative(GetUnits(), Index > 2, Value);
    Field(Index) = Native;
    if (Index <= 1 || Index == 3) {
        ApplyToParent();
        LayOut();
    } else {
        LayOut();
        Repaint();
    }
}

void TRpPage::ApplyToParent() {
    if (FParentUpdating || !FParentReport) return;
    FParentUpdating = true;
    try {
        FParentReport->SetPageExtent(int(Round(NativeToUnits(Pixels, true, FWidth))),
                                     int(Round(NativeToUnits(Pixels, false, FLength))));
    } catch (...) {
        FParentUpdating = false;
        throw;
    }
    FParentUpdating = false;
}

void TRpPage::SetPaperSize(TRpPaperSize Value) {
    if (Value != Default && Value != Custom) {
        SwitchToPixels();
        SetUnits(MM);
        FPaperSize = Custom;
        TRpPaperDimensions D = RpPaperDimensions(Value);
        if (FOrientation == poPortrait) {
            SetValue(3, D.Width);
            SetValue(1, D.Length);
        } else {
            SetValue(3, D.Length);
            SetValue(1, D.Width);
        }
        RestoreUnits();
        LayOut();
    }
    FPaperSize = Value;
}

void TRpPage::SetOrientation(TPrinterOrientation Value) {
    if (FPaperSize == Custom && Value != FOrientation) {
        std::swap(FWidth, FLength);
        ApplyToParent();
    }
    FOrientation = Value;
    if (FParentReport) FParentReport->SetPrinterOrientation(Value);
    SetPaperSize(FPaperSize);
}

void TRpPage::SetColumns(int Value) {
    if (Value == FColumns || Value <= 0) return;
    FColumns = Value;
    if (FParentReport) {
        LayOut();
        Repaint();
    }
}

void TRpPage::SetRuler(bool Value) {
    if (Value == FRuler) return;
    FRuler = Value;
    if (FParentReport) {
        Repaint();
        FParentReport->SetReportUnits(GetUnits());
    }
}

void TRpPage::SetUnits(TRpUnit Value) {
    FUnits = Value;
    Repaint();
}

void TRpPage::LoadStoredValues(TReader* Reader) {
    Reader->ReadListBegin();
    for (int i = 0; i < 7 && !Reader->EndOfList(); ++i) Field(i) = Reader->ReadFloat();
    while (!Reader->EndOfList()) Reader->ReadFloat();
    Reader->ReadListEnd();
    ApplyToParent();
}

void TRpPage::SaveStoredValues(TWriter* Writer) {
    Writer->WriteListBegin();
    for (int i = 0; i < 7; ++i) Writer->WriteFloat(Field(i));
    Writer->WriteListEnd();
}
