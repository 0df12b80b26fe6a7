#include "report/rpprintersettings.h"

#include "platform/gui/forms.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpprinter.h"

#include <cmath>

namespace {

constexpr int BinCodes[RpBinCount] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};

int RoundTenths(double Pixels, int Dpi) {
    if (Dpi <= 0) return 0;
    return static_cast<int>(Round(Pixels / Dpi * 254.0L));
}


}  // namespace

int RpPaperCode(TRpPaperSize Size) { return Size == Custom ? DMPAPER_USER : int(Size); }

int RpBinCode(TRpBin Bin) {
    const int i = int(Bin);
    return i >= 0 && i < RpBinCount ? BinCodes[i] : BinCodes[int(Auto)];
}

bool RpBinOfDeviceCode(int DeviceBin, TRpBin& Bin) {
    const int code = DeviceBin > 255 ? DeviceBin - 256 : DeviceBin;
    for (int b = 0; b < RpBinCount; ++b)
        if (BinCodes[b] == code) {
            Bin = TRpBin(b);
            return true;
        }
    return false;
}

int RpPaperWidthNative(TRpPaperSize Size) { return int(Round(RpPaperDimensions(Size).Width * 10)); }
int RpPaperLengthNative(TRpPaperSize Size) { return int(Round(RpPaperDimensions(Size).Length * 10)); }

// ---- TPrinterSettings --------------------------------------------------------------------------

void TPrinterSettings::SetPrinter(TPrinter* Value) {
    FPrinter = Value;
    FHaveDeviceMode = false;
    if (FPrinter && FPrinter->Printers()->Count() > 0) ReadDeviceSettings();
}

bool TPrinterSettings::SupportsField(unsigned Mask) const {
    return FPrinter && FHaveDeviceMode && (FDeviceFields & Mask) == Mask;
}

void TPrinterSettings::ReadDeviceSettings() {
    if (!FPrinter) return;
    FHaveDeviceMode = false;
    TDeviceMode* mode = nullptr;
    try {
        if (Application) Application->ProcessMessages();
        FPrinter->GetPrinter(FDevice, FDriver, FPort, mode);
        if (!mode) FPrinter->GetPrinter(FDevice, FDriver, FPort, mode);
    } catch (...) {
        return;
    }
    if (!mode) return;
    TDeviceMode copy = *mode;
    if (OnGetPrinterSettings) {
        bool cancel = false;
        OnGetPrinterSettings(this, cancel, &copy);
        if (cancel) return;
    }
    try {
        FHaveDeviceMode = true;
        FDeviceFields = FPrinter->SupportedFields();
        const TPrinterGeometry g = FPrinter->Geometry();
        FPixelsPerX = g.DpiX;
        FPixelsPerY = g.DpiY;
        FCopies = SupportsField(DM_COPIES) ? copy.dmCopies : 1;
        FOutputBin = First;
        if (SupportsField(DM_DEFAULTSOURCE)) {
            for (int b = 0; b < RpBinCount; ++b) {
                if (BinCodes[b] == copy.dmDefaultSource) {
                    FOutputBin = TRpBin(b);
                    break;
                }
            }
        }
        if (SupportsField(DM_DUPLEX)) {
            FDuplex = copy.dmDuplex != DMDUP_SIMPLEX;
            FExtendedDuplex = copy.dmDuplex;
        }
        FLeftOffset = RoundTenths(g.Offset.X, g.DpiX);
        FTopOffset = RoundTenths(g.Offset.Y, g.DpiY);
        FPaperSize = Default;
        if (SupportsField(DM_PAPERSIZE)) {
            for (int p = 1; p < RpPaperSizeCount; ++p) {
                if (RpPaperCode(TRpPaperSize(p)) == copy.dmPaperSize) {
                    FPaperSize = TRpPaperSize(p);
                    break;
                }
            }
        }
        FPaperWidth = RoundTenths(g.Physical.cx, g.DpiX);
        FPaperLength = RoundTenths(g.Physical.cy, g.DpiY);
        ReadSupportedPapers();
        FPrintQuality = copy.dmPrintQuality;
        FCollate = copy.dmCollate;
        FColorOption = copy.dmColor;
        FIndex = FPrinter->PrinterIndex();
    } catch (...) {
        FPrinter = nullptr;
        FHaveDeviceMode = false;
    }
}

void TPrinterSettings::ReadSupportedPapers() {
    if (!FPrinter || !FPrinter->Device()) return;  // the device cannot tell: the table stays
    FPaperSizes.fill(false);
    for (int code : FPrinter->Papers()) {
        for (int p = 1; p < RpPaperSizeCount; ++p) {
            if (RpPaperCode(TRpPaperSize(p)) == code) {
                FPaperSizes[p - 1] = true;
                break;
            }
        }
    }
    FPaperSizes[int(Custom) - 1] = true;
}

bool TPrinterSettings::GetPaperSizeSupported(TRpPaperSize PaperSize) const {
    const int k = int(PaperSize);
    return k >= 1 && k <= 69 && FPaperSizes[k - 1];
}

int TPrinterSettings::PaperWidth() const {
    return FPaperSize != Default && FPaperSize != Custom ? RpPaperWidthNative(FPaperSize) : FPaperWidth;
}

int TPrinterSettings::PaperLength() const {
    return FPaperSize != Default && FPaperSize != Custom ? RpPaperLengthNative(FPaperSize) : FPaperLength;
}

void TPrinterSettings::SetCopies(int Value) {
    if (SupportsField(DM_COPIES)) FCopies = Value;
}

void TPrinterSettings::SetDuplex(bool Value) {
    if (SupportsField(DM_DUPLEX)) FDuplex = Value;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation Value) {
    if (SupportsField(DM_ORIENTATION)) FOrientation = Value;
}

void TPrinterSettings::SetOutputBin(TRpBin Value) {
    if (SupportsField(DM_DEFAULTSOURCE)) FOutputBin = Value;
}

void TPrinterSettings::SetPaperSize(TRpPaperSize Value) {
    if (Value == Default || GetPaperSizeSupported(Value)) FPaperSize = Value;
}

void TPrinterSettings::ApplySettings() {
    if (!FPrinter) return;
    TDeviceMode* current = nullptr;
    String device, driver, port;
    FPrinter->GetPrinter(device, driver, port, current);
    if (!current) return;
    TDeviceMode mode = *current;
    mode.dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    mode.dmPaperLength = PaperLength();
    mode.dmPaperWidth = PaperWidth();
    if (SupportsField(DM_PAPERSIZE) && FPaperSize != Default) {
        mode.dmFields |= DM_PAPERSIZE;
        mode.dmPaperSize = FUseCustomPaperCode ? FCustomPaperCode : RpPaperCode(FPaperSize);
    }
    mode.dmFields |= DM_COPIES;
    mode.dmCopies = FCopies;
    if (SupportsField(DM_DUPLEX)) {
        if (FExtendedDuplex != 0)
            mode.dmDuplex = FExtendedDuplex;
        else
            mode.dmDuplex = FDuplex ? DMDUP_HORIZONTAL : DMDUP_SIMPLEX;
    }
    mode.dmFields |= DM_DEFAULTSOURCE;
    mode.dmDefaultSource = FUseCustomBinCode ? FCustomBinCode : RpBinCode(FOutputBin);
    mode.dmFields |= DM_ORIENTATION;
    mode.dmOrientation = FOrientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (SupportsField(DM_COLLATE)) mode.dmCollate = FCollate;
    if (SupportsField(DM_PRINTQUALITY)) mode.dmPrintQuality = FPrintQuality;
    if (SupportsField(DM_COLOR)) mode.dmColor = FColorOption;
    if (OnApplyPrinterSettings) {
        bool cancel = false;
        OnApplyPrinterSettings(this, cancel, &mode);
        if (cancel) return;
    }
    FPrinter->SetPrinter(device, driver, port, &mode);
}

// ---- TRpPrinterSettings ------------------------------------------------------------------------

void TRpPrinterSettings::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TRpPrinterSettings*>(Source)) {
        FCopies = s->FCopies;
        FDuplex = s->FDuplex;
        FOrientation = s->FOrientation;
        FOutputBin = s->FOutputBin;
        FPaperSize = s->FPaperSize;
        FPrinterIndex = s->FPrinterIndex;
        FTitle = s->FTitle;
        FFirstPage = s->FFirstPage;
        FLastPage = s->FLastPage;
        FPrintMetafile = s->FPrintMetafile;
        FUseStandardPrinter = s->FUseStandardPrinter;
        FUseExtendedDuplex = s->FUseExtendedDuplex;
        FExtendedDuplex = s->FExtendedDuplex;
        FMemoryLimit = s->FMemoryLimit;
        FPrintQuality = s->FPrintQuality;
        FCollate = s->FCollate;
        FColorOption = s->FColorOption;
        FUseCustomBinCode = s->FUseCustomBinCode;
        FCustomBinCode = s->FCustomBinCode;
        FUseCustomPaperCode = s->FUseCustomPaperCode;
        FCustomPaperCode = s->FCustomPaperCode;
        return;
    }
    TPersistent::Assign(Source);
}

void TRpPrinterSettings::ApplySettings(TRpPrinter* APrinter) {
    if (!APrinter) return;
    if (APrinter->PrinterIndex() != FPrinterIndex) APrinter->SetPrinterIndex(FPrinterIndex);
    APrinter->SetPaperSize(FPaperSize);
    APrinter->SetCopies(FCopies);
    APrinter->SetDuplex(FDuplex);
    APrinter->SetOrientation(FOrientation);
    APrinter->SetOutputBin(FOutputBin);
    APrinter->SetTitle(FTitle);
}

void TRpPrinterSettings::ApplyDeviceSettings(TRpPrinter* APrinter) const {
    if (!APrinter) return;
    APrinter->SetCopies(FCopies);
    APrinter->SetOutputBin(FOutputBin);
    APrinter->SetFirstPage(FFirstPage);
    APrinter->SetLastPage(FLastPage);
    APrinter->SetDuplex(FDuplex);
    APrinter->SetUseStandardPrinter(FUseStandardPrinter);
    APrinter->SetPrintMetafile(FPrintMetafile);
    APrinter->SetUseCustomBinCode(FUseCustomBinCode);
    APrinter->SetCustomBinCode(FCustomBinCode);
    APrinter->SetUseCustomPaperCode(FUseCustomPaperCode);
    APrinter->SetCustomPaperCode(FCustomPaperCode);
    APrinter->SetPrintQuality(FPrintQuality);
    APrinter->SetCollate(FCollate);
    APrinter->SetColorOption(FColorOption);
    APrinter->SetUseExtendedDuplex(FUseExtendedDuplex);
    APrinter->SetExtendedDuplex(FExtendedDuplex);
}
