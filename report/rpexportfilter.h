// The export-filter protocol: the seam through which a report run hands its output to a writer of
// another document format. While a report is generated for export the engine calls, in order:
// Start (paper size in 0.1 mm, the report's font), then per page NewPage, the page's output
// (AcceptGraphic for graphic printables at device positions of the run's report printer; TextOut or
// TextOutRec for text lines at positions in 0.1 mm), EndPage; finally Finish. The controls and fonts
// handed over stay the caller's. The base does nothing but keep Active.
//
// The registry of filter classes (RpExportFilterLibrary) is what the preview's save command offers:
// a filter class appears there once someone registers it with AddFilter. The filters of
// report/export register themselves through RpRegisterExportFilters (report/export/rpexportfilters.h),
// which the application and the tests call.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/stdctrls.h"  // TTextLayout
#include "platform/rtl/classes.h"

#include <vector>

class TControl;
class TFont;
class TRpPrinter;
class TStringList;

enum TExportType { exptText, exptNumeric, exptFormula };
enum TXLNumFormat {
    nfGeneral, nfInteger, nfDec2, nfIntRound, nfCurrencyNS, nfCurrency, nfCurrency2, nfCurrencyDec,
    nfCurrencyDec2, nfPercent, nfPercentDec2, nfFraction, nfFraction2, nfDate1, nfDate2, nfDate3, nfDate4,
    nfTime1, nfTime2, nfTime3, nfTime4, nfDateTime
};

// One text line with the printable's extra data.
struct TExportInfoRec {
    Extended Xpos = 0;
    Extended Ypos = 0;
    TFont* Font = nullptr;
    TColor BGColor = clWhite;
    TAlignment Alignment = taLeftJustify;
    String Text;
    int Column = 0;
    TExportType ExportAs = exptText;
    String ControlName;
    Extended ControlWidth = 0;
    Extended controlHeight = 0;
    Extended controlLeft = 0;
    Extended controlTop = 0;
    TXLNumFormat XLNumFormat = nfGeneral;
    TTextLayout VAlignment = tlTop;
};

// The state of the report run that drives a filter: the band and text printable being printed and
// the record number of the data loop. Each run owns its own; a filter reads the one of the run
// that drives it (RunState).
struct TRpRunState {
    // A page or column break caused by a detail band is in progress.
    bool DetailBreak = false;
    // The run is part of a composite report.
    bool CompositeRun = false;
    String CurrentBandName;
    String CurrentControlName;
    int CurrentRecordNumber = 0;
};

class TRpExportFilter : public TObject {
    SDELKA_CLASS(TRpExportFilter, TObject)
protected:
    // The protocol's constructor: an empty name means the filter writes into a stream of its own.
    explicit TRpExportFilter(const String& AFilename = String());
    ~TRpExportFilter() override;

public:
    virtual String GetDescription() { return QStringLiteral("Abstract non-working export filter"); }
    virtual String GetFileExtension() { return String(); }
    virtual String GetName() { return QStringLiteral("Abstract filter"); }
    virtual String GetVendor() { return QStringLiteral("Sdelka report engine"); }
    virtual bool GetStreaming() { return false; }

    virtual void Start(int PaperWidth, int PaperHeight, TFont* Font) { FActive = true; }
    virtual void EndPage() {}
    virtual void Finish() { FActive = false; }
    virtual void NewPage() {}
    virtual void AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) {}
    virtual void AcceptTextControl(Extended Xoff, Extended Yoff, TControl* GControl) {}
    virtual void AcceptBand(TControl* aBand, Extended Xoff, Extended Yoff, Extended Expanded) {}
    virtual void TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                         const String& Text) {}
    // A text line whose width the printable measured already: Width is in pixels at 96 dpi (the
    // report's own measure, TCustomRpReport::TextWidth less its one pixel of slack). A filter that
    // places text by its width takes it instead of measuring the text again; the others get TextOut.
    virtual void TextOutMeasured(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                                 const String& Text, int Width) {
        TextOut(X, Y, Font, BGColor, Alignment, Text);
    }
    virtual void TextOutRec(TExportInfoRec ExportInfo) {}

    // Optional parts of the protocol, which the filter families that have them answer:
    // text lines go as TextOutRec with the printable's extra data (HTML, XML document, workbook);
    virtual bool TakesExportInfo() { return false; }
    // the grid printable's cells go as TextOutRec (workbook);
    virtual bool TakesGridCells() { return false; }
    // rules are handed over as graphics (HTML, PDF); PDF shapes too (PDF);
    virtual bool TakesRules() { return false; }
    virtual bool TakesPDFShapes() { return false; }
    // the link label's placeholder text and the band placeholders (acceptHTMLTag: the element's
    // text with "!xx!" for its top, and the band's top in pixels) (HTML);
    virtual bool TakesHTMLTags() { return false; }
    virtual void AcceptHTMLTag(const String& Tag, int Top) {}
    // an HTML image's reference at its device position (HTML);
    virtual void AcceptImageURL(TControl* Image, int XPos, int YPos) {}
    // the switch to a web form for the report (scripts on, its web controls looked up); false
    // when the filter makes no web forms.
    virtual bool EnableWebForm(TComponent* Report) { return false; }

    // The state of the run that drives the filter; an empty one outside a run.
    const TRpRunState& RunState() const { return FRunState ? *FRunState : NoRun(); }
    void SetRunState(const TRpRunState* Value) { FRunState = Value; }

    String Description() { return GetDescription(); }
    String FileExtension() { return GetFileExtension(); }
    String Name() { return GetName(); }
    String Vendor() { return GetVendor(); }
    bool Streaming() { return GetStreaming(); }

    TRpPrinter* OriginalRpPrinter() const { return FOriginalRpPrinter; }
    void SetOriginalRpPrinter(TRpPrinter* Value) { FOriginalRpPrinter = Value; }
    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    String Filename() const { return FFilename; }
    TComponent* Owner() const { return FOwner; }
    void SetOwner(TComponent* Value) { FOwner = Value; }
    // The output lines of text-based filters, written out at Finish.
    TStringList* FinalDoc() const { return finalDoc.get(); }

protected:
    TRpPrinter* FOriginalRpPrinter = nullptr;
    bool FActive = false;
    String FFilename;
    TComponent* FOwner = nullptr;
    TOwned<TStringList> finalDoc;

private:
    static const TRpRunState& NoRun();
    const TRpRunState* FRunState = nullptr;
};

// A filter class reference: the class and its virtual constructor taking the file name.
struct TRpExportFilterClassInfo {
    TClass Class;
    TRpExportFilter* (*Create)(const String& Filename);
};
using TRpExportFilterClass = const TRpExportFilterClassInfo*;

// The class reference of filter class T (one per class).
template <class T>
TRpExportFilterClass RpExportFilterClass() {
    static const TRpExportFilterClassInfo Info{T::StaticClass(),
                                               [](const String& Filename) -> TRpExportFilter* { return New<T>(Filename); }};
    return &Info;
}

// One registered filter: its class, its Name and its FileExtension (without the dot).
struct TRpExportFilterLibraryEntry {
    TRpExportFilterClass ExportFilterClass = nullptr;
    String FilterName;
    String Extension;
};

// The registry of the filter classes that the preview's save command offers, in registration order.
class TRpExportFilterLibrary : public TObject {
    SDELKA_CLASS(TRpExportFilterLibrary, TObject)
protected:
    TRpExportFilterLibrary();
    ~TRpExportFilterLibrary() override;

public:
    // Appends the class unless a class of the same name is registered already.
    void AddFilter(TRpExportFilterClass AFilter);
    // Removes the first entry whose name equals the class's Name (case-sensitive); raises nothing.
    void RemoveFilter(TRpExportFilterClass AFilter);
    // The first entry whose extension equals fext ignoring case; nullptr when none.
    TRpExportFilterLibraryEntry* GetFilterByExtension(const String& fext);
    // "Raport file(*.RPP)|*.RPP", then "|Name (*.EXT)|*.EXT" per entry.
    String SaveDialogFilterString() const;

    int Count() const { return static_cast<int>(FFilters.size()); }
    TRpExportFilterLibraryEntry* Filters(int Index) const { return FFilters.at(static_cast<size_t>(Index)).get(); }

private:
    std::vector<std::unique_ptr<TRpExportFilterLibraryEntry>> FFilters;
};

// The process-wide registry: created empty on first use, freed at exit.
TRpExportFilterLibrary* RpExportFilterLibrary();
