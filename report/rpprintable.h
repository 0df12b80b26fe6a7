// The printable base: every control a report layout places on a band.
//
// A printable keeps its position and size twice: as the control's pixel bounds, and,
// authoritatively, in native units (tenths of a millimetre) in its TRpPrintableSize, so that a
// layout keeps its geometry whatever the screen resolution and zoom. At design time it paints
// itself with corner ticks and its frame; during a report run the report calls Prepare on every
// printable, the bands call Print(OfsX, OfsY) with the band's offset in native units, and the
// report calls Unprepare after the run. A printable that could not put out everything on a page
// leaves PrintFinished false; its band prints it again on the next page and it goes on from where
// it stopped.
//
// The report component, its bands and panels are reached through the small interfaces below
// (IRpReport, IRpBand, IRpPanel, IRpNotifyMaster), which those classes implement: a printable
// finds them by asking its parent control.
#pragma once

#include "platform/gui/controls.h"
#include "report/rpexportfilter.h"
#include "report/rpunits.h"

#include <functional>

class TRpFrame;
class TRpPrinter;
class TRpExportFilter;
class TRpLinkPage;
class TRpEvEnvironment;
class TRpPrintable;
class TDataSet;
template <class T, class Base>
class TListT;
class TList;
using TRpDataSetList = TListT<TDataSet, TList>;

// A report panel (the report's design surface or a band): the zoom it shows the layout at.
class IRpPanel {
public:
    virtual ~IRpPanel() = default;
    virtual int PanelZoom() const = 0;
};

// A component whose records drive the aggregation of expression printables (the report and
// its sub-details): it notifies its registered printables after every record.
class IRpNotifyMaster {
public:
    virtual ~IRpNotifyMaster() = default;
    virtual void AddNotifyClient(TRpPrintable* Printable) = 0;
};

// What a printable asks of the report it belongs to. The report component implements it.
class IRpReport : public IRpUnitsReport, public IRpNotifyMaster {
public:
    // The report as a component (for removal notices and class tests).
    virtual TComponent* ReportComponent() = 0;
    virtual TRpUnit ReportUnits() = 0;
    virtual int ReportZoom() = 0;
    // Pages are drawn (true except while exporting).
    virtual bool FinalPass() = 0;
    virtual bool Exporting() = 0;
    virtual TRpExportFilter* ExportFilter() = 0;
    // The page printer of the current document; nullptr when none.
    virtual TRpPrinter* RpPrinter() = 0;
    // Text extent in screen pixels, measured on a screen-compatible memory device context.
    virtual int TextWidth(TFont* Font, const String& Text) = 0;
    virtual int TextHeight(TFont* Font, const String& Text) = 0;
    // The layout changed.
    virtual void Modify() = 0;
    virtual bool PreparingDesignTime() = 0;
    // Page-link records are collected while generating, into the current link page.
    virtual bool UsePreviewLinks() = 0;
    virtual TRpLinkPage* CurrLinkPage() = 0;
    virtual int PageNumber() = 0;
    virtual String ReportTitle() = 0;
    // True for a report bound to one dataset, which knows its record count and number.
    virtual bool IsDataReport() = 0;
    virtual int RecordCount() = 0;
    virtual int RecordNumber() = 0;
    // During a run: every dataset the expressions may read.
    virtual TRpDataSetList* AllDataSets() = 0;
    // The report's expression environment.
    virtual TRpEvEnvironment* Functions() = 0;
    // The state of the report's current run.
    virtual TRpRunState& RunState() = 0;
};

// What a printable asks of the band it sits on. The band implements it.
class IRpBand {
public:
    virtual ~IRpBand() = default;
    // The report the band belongs to; nullptr when none.
    virtual IRpReport* BandReport() = 0;
    virtual TRpUnit BandUnits() = 0;
    // Growth during a run, in native units: whether the band may grow by Height on this page,
    // and growing it, which answers the band's total expansion so far.
    virtual bool CanExpand(Extended Height) = 0;
    virtual Extended ExpandBand(Extended Height) = 0;
};

// Position and size of a printable in native units; shown in the current units.
class TRpPrintableSize : public TRpUnitBase {
    SDELKA_CLASS(TRpPrintableSize, TRpUnitBase)
public:
    explicit TRpPrintableSize(TRpPrintable* AParent = nullptr);
    static void Published(TPublished<TRpPrintableSize>& P);

    // Index 0 Height, 1 Left, 2 Top, 3 Width, in the current units.
    Extended GetValue(int Index);
    void SetValue(int Index, Extended Value);
    Extended Height() { return GetValue(0); }
    void SetHeight(Extended V) { SetValue(0, V); }
    Extended Left() { return GetValue(1); }
    void SetLeft(Extended V) { SetValue(1, V); }
    Extended Top() { return GetValue(2); }
    void SetTop(Extended V) { SetValue(2, V); }
    Extended Width() { return GetValue(3); }
    void SetWidth(Extended V) { SetValue(3, V); }

    // Native values.
    Extended NativeHeight() const { return FHeight; }
    Extended NativeLeft() const { return FLeft; }
    Extended NativeTop() const { return FTop; }
    Extended NativeWidth() const { return FWidth; }

    // The control takes the pixel bounds of the native values.
    void ApplyToParent() override;
    void LoadStoredValues(TReader* Reader) override;
    void SaveStoredValues(TWriter* Writer) override;
    void Assign(TPersistent* Source) override;

    TRpPrintable* Parent() const { return FParent; }

private:
    Extended FHeight = 20;
    Extended FLeft = 20;
    Extended FTop = 20;
    Extended FWidth = 20;
    TRpPrintable* FParent = nullptr;
};

class TRpPrintable : public TCustomControl {
    SDELKA_CLASS(TRpPrintable, TCustomControl)
protected:
    explicit TRpPrintable(TComponent* AOwner);
    ~TRpPrintable() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpPrintable>& P);

    // True unless the control is disabled and visible.
    virtual bool IsPrintEnabled();
    // The class of the design-time editor.
    virtual TClass GetEditorClass();
    virtual void AlignInBand();
    // Sets IsPrinting and takes the report's printer.
    virtual void Prepare();
    // Prints at the band's offset (native units). The base draws the frame in the final pass.
    virtual void Print(int OfsX, int OfsY);
    // A data controller's notice: 2 re-aligns the control in its band.
    virtual void ControllerNotify(int Operation);
    virtual void SetAlignment(TAlignment Value);
    virtual void Unprepare();
    // The height the control needs, in screen pixels; the base leaves the value unchanged.
    virtual void GetExpandedHeight(Extended& NewHeight);
    virtual String GetFieldString();
    // How far a control that continues on the next page got (a line, a character); the band compares
    // it across pages to see whether the control makes progress.
    virtual int ContinuationMark() const { return 0; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetParent(TWinControl* AParent) override;
    void Loaded() override;

    TAlignment Alignment() const { return FAlignment; }
    bool AlignToBand() const { return FAlignToBand; }
    void SetAlignToBand(bool Value);
    TRpFrame* Frame() const { return FFrame; }
    // Copies the frame.
    void SetFrame(TRpFrame* Value);
    TRpPrintableSize* Size() const { return FSize; }
    void SetSize(TRpPrintableSize* Value);
    bool Transparent() const;
    void SetTransparent(bool Value);
    int Zoom() const;
    void SetZoom(int Value);
    bool IsPrinting() const { return FIsPrinting; }
    bool PrintFinished() const { return FPrintFinished; }
    void SetPrintFinished(bool Value) { FPrintFinished = Value; }
    IRpReport* ParentReport() const { return FParentReport; }
    TRpPrinter* RpPrinter() const { return FRpPrinter; }
    void SetRpPrinter(TRpPrinter* Value) { FRpPrinter = Value; }
    TExportType ExportAs() const { return FExportAs; }
    void SetExportAs(TExportType Value) { FExportAs = Value; }
    int XLColumn() const { return FXLColumn; }
    void SetXLColumn(int Value) { FXLColumn = Value; }
    TXLNumFormat XLNumFormat() const { return FXLNumFormat; }
    void SetXLNumFormat(TXLNumFormat Value) { FXLNumFormat = Value; }
    bool ActiveInPreview() const { return FActiveInPreview; }
    void SetActiveInPreview(bool Value) { FActiveInPreview = Value; }
    bool ButtonDown = false;
    TClass EditorClass() { return GetEditorClass(); }

    // The band the control sits on, or nullptr.
    IRpBand* ParentBand() const;
    // The control belongs to the report (a band that joins a report passes it on).
    void AttachReport(IRpReport* Report) { AttachToReport(Report); }

    String FAPriority, FAColumn, FAShrinkMode;

protected:
    void Paint() override;
    // L-shaped ticks at the four corners.
    void PaintCorners();
    // The page rectangle of the control at a band offset, in device units of the printer.
    TRect PrintRect(int OfsX, int OfsY) const;
    void AttachToReport(IRpReport* Report);

    bool AlignUpdating = false;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignToBand = false;
    TRpFrame* FFrame = nullptr;
    bool FIsPrinting = false;
    IRpReport* FParentReport = nullptr;
    bool FPrintFinished = true;
    TRpPrinter* FRpPrinter = nullptr;
    TRpPrintableSize* FSize = nullptr;
    int LoadedTop = 0, LoadedWidth = 0, LoadedHeight = 0, LoadedLeft = 0;
    TExportType FExportAs = exptText;
    int FXLColumn = 0;
    TXLNumFormat FXLNumFormat = nfGeneral;
    bool FActiveInPreview = false;
};

// Base of the design-time editors of printables.
class TRpPrintableEditor : public TObject {
    SDELKA_CLASS(TRpPrintableEditor, TObject)
public:
    explicit TRpPrintableEditor(TObject* AControl) : FControl(static_cast<TRpPrintable*>(AControl)) {}
    virtual TColor GetColor() { return TColor(0); }
    virtual TFont* GetFont() { return nullptr; }
    virtual TClass GetPrintableClass() { return TRpPrintable::StaticClass(); }
    virtual String GetValue() { return String(); }
    virtual String GetGlyphResName() { return String(); }
    virtual String GetControlName() { return String(); }
    virtual TAlignment GetAlignment() { return taLeftJustify; }
    virtual void SetAlignment(TAlignment) {}
    virtual void SetColor(TColor) {}
    virtual void SetFont(TFont*) {}
    virtual void SetValue(const String& Value) = 0;
    // Shows the editor's dialog; true when it was closed with OK (the control has been changed).
    virtual bool ShowEditor() = 0;
    TColor Color() { return GetColor(); }
    TFont* Font() { return GetFont(); }
    TClass PrintableClass() { return GetPrintableClass(); }
    String Value() { return GetValue(); }
    String GlyphResName() { return GetGlyphResName(); }
    String ControlName() { return GetControlName(); }
    TAlignment Alignment() { return GetAlignment(); }
    TRpPrintable* Control() const { return FControl; }

protected:
    TRpPrintable* FControl;
};

// ---- the report unit's start-up -----------------------------------------------------------------

// Colours and pen styles of the design surface (rulers, margins, band outlines).
struct TRpDesignPalette {
    TPenStyle RulerMinorPenStyle;
    TPenStyle RulerMajorPenStyle;
    TColor RulerMinorPenColor;
    TColor RulerMajorPenColor;
    const char* RulerFontName;
    TColor RulerFontColor;
    int RulerFontSize;
    TPenStyle MarginPenStyle;
    TColor MarginPenColor;
    TPenStyle BandFramePenStyle;
    TColor BandFramePenColor;
};

// The palette for a screen of NumColors colours: above 256 or negative (true colour) the
// high-colour set, else the low-colour one.
const TRpDesignPalette& RpDesignPaletteFor(int NumColors);
// The palette chosen at start-up for this screen.
const TRpDesignPalette& DesignPalette();
// Runs the report unit's start-up once: the palette by the screen's colour depth, and the
// measurement flag (UsesUSMeasurement) from the locale.
void RpReportUnitStartup();
