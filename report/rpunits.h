#pragma once
// Unit-converting size storage of reports, bands and printables: the unit base, the band size and
// the page setup.

#include "platform/rtl/classes.h"
#include "report/rptypes.h"

class TReader;
class TWriter;
class TControl;

// What a page asks of the report it belongs to. The report component implements it.
class IRpUnitsReport {
public:
    virtual ~IRpUnitsReport() = default;
    // The report's design surface takes the page's size in screen pixels.
    virtual void SetPageExtent(int Width, int Height) = 0;
    // The report lays out its bands again.
    virtual void SetBandValues() = 0;
    // The report repaints its design surface.
    virtual void RepaintPage() = 0;
    // The report's printer settings take the page's orientation.
    virtual void SetPrinterOrientation(TPrinterOrientation Value) = 0;
    // The report's units writer, which passes the units on to every band and printable.
    virtual void SetReportUnits(TRpUnit Value) = 0;
    // Absolute size of the report's font, in points (used by Characters units).
    virtual int ReportFontSize() const = 0;
};

// Lengths stored in native units (tenths of a millimetre) and shown in the chosen units.
class TRpUnitBase : public TPersistent {
    SDELKA_CLASS(TRpUnitBase, TPersistent)
public:
    TRpUnitBase();

    virtual Extended NativeToUnits(TRpUnit AUnits, bool Horizontal, Extended X);
    virtual Extended UnitsToNative(TRpUnit AUnits, bool Horizontal, Extended X);
    virtual TRpUnit GetUnits() { return FUnits; }
    // After the layout was read: the object applies its values to its parent.
    virtual void AfterLoad() { ApplyToParent(); }
    virtual void LoadStoredValues(TReader* /*Reader*/) {}
    virtual void ApplyToParent() {}
    virtual void SetUnits(TRpUnit Value) { FUnits = Value; }
    virtual void SaveStoredValues(TWriter* /*Writer*/) {}

    // The stored property "Values" (always written).
    void DefineProperties(TFiler* Filer) override;

    TRpUnit Units() { return GetUnits(); }
    int Resolution() const { return FResolution; }
    void SetResolution(int Value) { FResolution = Value; }
    int Zoom() const { return FZoom; }
    // A zoom of 0 or below is ignored (it would make pixel lengths infinite).
    void SetZoom(int Value);
    IRpUnitsReport* ParentReport() const { return FParentReport; }
    void SetParentReport(IRpUnitsReport* Value) { FParentReport = Value; }
    bool ParentUpdating() const { return FParentUpdating; }
    void SetParentUpdating(bool Value) { FParentUpdating = Value; }

    // Units := Pixels, remembering the current ones; RestoreUnits brings them back.
    void SwitchToPixels();
    void RestoreUnits();

protected:
    int FResolution = 96;
    TRpUnit FUnits = MM;
    TRpUnit SavedUnits = MM;
    IRpUnitsReport* FParentReport = nullptr;
    bool FParentUpdating = false;
    int FZoom = 100;
};

// Height and width of a band.
class TRpBandSize : public TRpUnitBase {
    SDELKA_CLASS(TRpBandSize, TRpUnitBase)
public:
    TRpBandSize() = default;
    static void Published(TPublished<TRpBandSize>& P);

    // Index 0 the length (vertical), any other the width (horizontal), in the current units.
    Extended GetValue(int Index);
    // Converts to native, stores and applies to the band.
    void SetValue(int Index, Extended Value);
    Extended Height() { return GetValue(0); }
    void SetHeight(Extended Value) { SetValue(0, Value); }
    Extended Width() { return GetValue(1); }
    void SetWidth(Extended Value) { SetValue(1, Value); }
    // The length in native units.
    Extended Length() const { return FLength; }
    Extended NativeWidth() const { return FWidth; }

    // The band takes the size in screen pixels, keeping its left and top.
    void ApplyToParent() override;
    void LoadStoredValues(TReader* Reader) override;
    void SaveStoredValues(TWriter* Writer) override;

    TControl* Parent() const { return FParent; }
    void SetParent(TControl* Value) { FParent = Value; }

private:
    Extended FWidth = 40;
    Extended FLength = 20;
    TControl* FParent = nullptr;
};

// Page setup of a report: paper, orientation, margins, columns, ruler.
class TRpPage : public TRpUnitBase {
    SDELKA_CLASS(TRpPage, TRpUnitBase)
public:
    // The defaults follow the system's measurement (see UsesUSMeasurement).
    explicit TRpPage(IRpUnitsReport* AParent = nullptr);
    static void Published(TPublished<TRpPage>& P);

    // Index: 0 bottom margin, 1 length, 2 top margin, 3 width, 4 left margin, 5 right margin,
    // 6 column space; values in the current units.
    Extended GetValue(int Index);
    void SetValue(int Index, Extended Value);

    Extended BottomMargin() { return GetValue(0); }
    void SetBottomMargin(Extended V) { SetValue(0, V); }
    Extended Length() { return GetValue(1); }
    void SetLength(Extended V) { SetValue(1, V); }
    Extended TopMargin() { return GetValue(2); }
    void SetTopMargin(Extended V) { SetValue(2, V); }
    Extended Width() { return GetValue(3); }
    void SetWidth(Extended V) { SetValue(3, V); }
    Extended LeftMargin() { return GetValue(4); }
    void SetLeftMargin(Extended V) { SetValue(4, V); }
    Extended RightMargin() { return GetValue(5); }
    void SetRightMargin(Extended V) { SetValue(5, V); }
    Extended ColumnSpace() { return GetValue(6); }
    void SetColumnSpace(Extended V) { SetValue(6, V); }

    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    TRpPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TRpPaperSize Value);
    bool Ruler() const { return FRuler; }
    void SetRuler(bool Value);
    bool Continuous() const { return FContinuous; }
    void SetContinuous(bool Value) { FContinuous = Value; }
    TRpPrintOrder PrintOrder() const { return FPrintOrder; }

    // The native value of an index (tenths of a millimetre).
    Extended NativeValue(int Index) const;

    void SetUnits(TRpUnit Value) override;
    void ApplyToParent() override;
    void LoadStoredValues(TReader* Reader) override;
    void SaveStoredValues(TWriter* Writer) override;

    IRpUnitsReport* Parent() const { return FParentReport; }

private:
    Extended& Field(int Index);
    void LayOut();
    void Repaint();

    Extended FBottomMargin = 0;
    Extended FColumnSpace = 0;
    int FColumns = 1;
    Extended FLeftMargin = 0;
    Extended FLength = 0;
    TPrinterOrientation FOrientation = poPortrait;
    TRpPaperSize FPaperSize = Default;
    TRpPrintOrder FPrintOrder = ColByCol;
    Extended FRightMargin = 0;
    bool FRuler = true;
    Extended FTopMargin = 0;
    Extended FWidth = 0;
    bool FContinuous = false;
};
