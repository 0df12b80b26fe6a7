// Printer device settings of the report engine.
//
// TPrinterSettings is the report printer's view of one device of a printer object: it reads the
// device's current settings out of its device mode (paper, bin, duplex, copies, resolution,
// physical offsets and size, supported papers) and writes the report's wishes back into the device
// mode before a job. The setters of copies, orientation, duplex, bin and paper only take effect
// when the device supports the field (and a paper only when the device lists it).
//
// TRpPrinterSettings is the report's own persistent set of printer wishes.
//
// The paper table gives every TRpPaperSize its device paper code (the ordinal, Custom 256) and its
// dimensions (RpPaperDimensions); bins their device codes.
#pragma once

#include "platform/gui/printers.h"
#include "platform/rtl/classes.h"
#include "report/rptypes.h"

#include <array>

class TRpPrinter;

enum TRpBin : int {
    First, Upper, Lower, Middle, Manual, Envelope, EnvManual, Auto, Tractor, SmallFormat, LargeFormat,
    LargeCapacity, Cassette, Last
};
constexpr int RpBinCount = int(Last) + 1;

// The device codes of papers and bins.
int RpPaperCode(TRpPaperSize Size);
int RpBinCode(TRpBin Bin);
// The first bin whose code a device's bin code names (a code above 255 is a custom one, 256 more
// than the bin's); false when none does.
bool RpBinOfDeviceCode(int DeviceBin, TRpBin& Bin);

// Width and length of a paper in 0.1 mm, portrait: round(millimetres x 10); 0 for Default, Custom.
int RpPaperWidthNative(TRpPaperSize Size);
int RpPaperLengthNative(TRpPaperSize Size);

using TRpPrinterSettingsEvent = TEvent<void(TObject* Sender, bool& Cancel, TDeviceMode* DevMode)>;
using TPaperSizesSupported = std::array<bool, 69>;

class TPrinterSettings : public TObject {
    SDELKA_CLASS(TPrinterSettings, TObject)
public:
    TPrinterSettings() = default;

    // Binding reads the device's settings when the printer object lists a device.
    TPrinter* Printer() const { return FPrinter; }
    void SetPrinter(TPrinter* Value);

    // Writes the settings into the device mode of the bound printer (before a job).
    void ApplySettings();
    bool GetPaperSizeSupported(TRpPaperSize PaperSize) const;

    String Device() const { return FDevice; }
    String Driver() const { return FDriver; }
    String Port() const { return FPort; }
    int Index() const { return FIndex; }
    int LeftOffset() const { return FLeftOffset; }
    int TopOffset() const { return FTopOffset; }
    int PixelsPerX() const { return FPixelsPerX; }
    int PixelsPerY() const { return FPixelsPerY; }
    int MaxExtentX() const { return FMaxExtentX; }
    int MaxExtentY() const { return FMaxExtentY; }
    int MinExtentX() const { return FMinExtentX; }
    int MinExtentY() const { return FMinExtentY; }

    int Copies() const { return FCopies; }
    void SetCopies(int Value);
    bool Duplex() const { return FDuplex; }
    void SetDuplex(bool Value);
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    TRpBin OutputBin() const { return FOutputBin; }
    void SetOutputBin(TRpBin Value);
    TRpPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TRpPaperSize Value);
    // 0.1 mm: the table's size for a paper other than Default and Custom, else the stored one.
    int PaperWidth() const;
    void SetPaperWidth(int Value) { FPaperWidth = Value; }
    int PaperLength() const;
    void SetPaperLength(int Value) { FPaperLength = Value; }
    String Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }

    bool PrintMetafile() const { return FPrintMetafile; }
    void SetPrintMetafile(bool Value) { FPrintMetafile = Value; }
    bool UseStandardprinter() const { return FUseStandardPrinter; }
    void SetUseStandardprinter(bool Value) { FUseStandardPrinter = Value; }
    bool UseExtendedDuplex() const { return FUseExtendedDuplex; }
    void SetUseExtendedDuplex(bool Value) { FUseExtendedDuplex = Value; }
    int ExtendedDuplex() const { return FExtendedDuplex; }
    void SetExtendedDuplex(int Value) { FExtendedDuplex = Value; }
    bool UseCustomBinCode() const { return FUseCustomBinCode; }
    void SetUseCustomBinCode(bool Value) { FUseCustomBinCode = Value; }
    int CustomBinCode() const { return FCustomBinCode; }
    void SetCustomBinCode(int Value) { FCustomBinCode = Value; }
    bool UseCustomPaperCode() const { return FUseCustomPaperCode; }
    void SetUseCustomPaperCode(bool Value) { FUseCustomPaperCode = Value; }
    int CustomPaperCode() const { return FCustomPaperCode; }
    void SetCustomPaperCode(int Value) { FCustomPaperCode = Value; }
    int MemoryLimit() const { return FmemoryLimit; }
    void SetMemoryLimit(int Value) { FmemoryLimit = Value; }
    int PrintQuality() const { return FPrintQuality; }
    void SetPrintQuality(int Value) { FPrintQuality = Value; }
    int Collate() const { return FCollate; }
    void SetCollate(int Value) { FCollate = Value; }
    int ColorOption() const { return FColorOption; }
    void SetColorOption(int Value) { FColorOption = Value; }

    TRpPrinterSettingsEvent OnGetPrinterSettings;
    TRpPrinterSettingsEvent OnApplyPrinterSettings;

    // Reads the bound device again (after another device was selected).
    void ReadDeviceSettings();
    // True when a device mode was read and the device supports every field of Mask.
    bool SupportsField(unsigned Mask) const;

private:
    void ReadSupportedPapers();

    int FIndex = -1;
    String FDevice, FDriver, FPort;
    bool FHaveDeviceMode = false;
    unsigned FDeviceFields = 0;
    int FCopies = 1;
    bool FDuplex = false;
    bool FPrintMetafile = false;
    bool FUseStandardPrinter = false;
    bool FUseExtendedDuplex = false;
    int FExtendedDuplex = 0;
    bool FUseCustomBinCode = false;
    int FCustomBinCode = 0;
    int FPrintQuality = 0;
    int FCollate = 0;
    int FColorOption = 0;
    int FmemoryLimit = 250000;
    bool FUseCustomPaperCode = false;
    int FCustomPaperCode = 0;
    int FMaxExtentX = 0, FMaxExtentY = 0, FMinExtentX = 0, FMinExtentY = 0;
    TPrinterOrientation FOrientation = poPortrait;
    TRpBin FOutputBin = First;
    TRpPaperSize FPaperSize = A4;
    TPaperSizesSupported FPaperSizes{};
    int FPaperWidth = 0;
    int FPaperLength = 0;
    int FPixelsPerX = 0;
    int FPixelsPerY = 0;
    int FTopOffset = 0;
    int FLeftOffset = 0;
    TPrinter* FPrinter = nullptr;
    String FTitle;
};

// The report's printer wishes, kept with its layout.
class TRpPrinterSettings : public TPersistent {
    SDELKA_CLASS(TRpPrinterSettings, TPersistent)
public:
    TRpPrinterSettings() = default;
    void Assign(TPersistent* Source) override;

    // Selects the printer index when it differs, then sets paper, copies, duplex, orientation, bin
    // and title of the report printer.
    void ApplySettings(TRpPrinter* APrinter);
    // The device wishes to a report printer, in this order: copies, output bin, page range, duplex,
    // standard printer, metafile printing, custom bin and paper codes, print quality, collate,
    // colour and extended duplex.
    void ApplyDeviceSettings(TRpPrinter* APrinter) const;

    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    bool Duplex() const { return FDuplex; }
    void SetDuplex(bool Value) { FDuplex = Value; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value) { FOrientation = Value; }
    TRpBin OutputBin() const { return FOutputBin; }
    void SetOutputBin(TRpBin Value) { FOutputBin = Value; }
    TRpPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TRpPaperSize Value) { FPaperSize = Value; }
    int PrinterIndex() const { return FPrinterIndex; }
    void SetPrinterIndex(int Value) { FPrinterIndex = Value; }
    String Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int Value) { FFirstPage = Value; }
    int LastPage() const { return FLastPage; }
    void SetLastPage(int Value) { FLastPage = Value; }
    bool PrintMetafile() const { return FPrintMetafile; }
    void SetPrintMetafile(bool Value) { FPrintMetafile = Value; }
    bool UseStandardprinter() const { return FUseStandardPrinter; }
    void SetUseStandardprinter(bool Value) { FUseStandardPrinter = Value; }
    bool UseExtendedDuplex() const { return FUseExtendedDuplex; }
    void SetUseExtendedDuplex(bool Value) { FUseExtendedDuplex = Value; }
    int ExtendedDuplex() const { return FExtendedDuplex; }
    void SetExtendedDuplex(int Value) { FExtendedDuplex = Value; }
    int MemoryLimit() const { return FMemoryLimit; }
    void SetMemoryLimit(int Value) { FMemoryLimit = Value; }
    int PrintQuality() const { return FPrintQuality; }
    void SetPrintQuality(int Value) { FPrintQuality = Value; }
    int Collate() const { return FCollate; }
    void SetCollate(int Value) { FCollate = Value; }
    int ColorOption() const { return FColorOption; }
    void SetColorOption(int Value) { FColorOption = Value; }
    bool UseCustomBinCode() const { return FUseCustomBinCode; }
    void SetUseCustomBinCode(bool Value) { FUseCustomBinCode = Value; }
    int CustomBinCode() const { return FCustomBinCode; }
    void SetCustomBinCode(int Value) { FCustomBinCode = Value; }
    bool UseCustomPaperCode() const { return FUseCustomPaperCode; }
    void SetUseCustomPaperCode(bool Value) { FUseCustomPaperCode = Value; }
    int CustomPaperCode() const { return FCustomPaperCode; }
    void SetCustomPaperCode(int Value) { FCustomPaperCode = Value; }

private:
    int FCopies = 1;
    bool FDuplex = false;
    TPrinterOrientation FOrientation = poPortrait;
    TRpBin FOutputBin = Auto;
    TRpPaperSize FPaperSize = Letter;
    int FPrinterIndex = -1;
    String FTitle;
    int FFirstPage = 0;
    int FLastPage = 0;
    bool FPrintMetafile = false;
    bool FUseStandardPrinter = false;
    bool FUseExtendedDuplex = false;
    int FExtendedDuplex = 0;
    int FMemoryLimit = 1000000;
    int FPrintQuality = 0;
    int FCollate = 0;
    int FColorOption = 0;
    bool FUseCustomBinCode = false;
    int FCustomBinCode = 0;
    bool FUseCustomPaperCode = false;
    int FCustomPaperCode = 0;
};
