// The export-filter protocol: the seam through which a report run hands its output to a writer of
// another document format. While a report is generated for export the engine calls, in order:
// Start (paper size in 0.1 mm, the report's font), then per page NewPage, the page's output
// (AcceptGraphic for graphic printables at device positions of the run's report printer; TextOut or
// TextOutRec for text lines at positions in 0.1 mm), EndPage; finally Finish. The controls and fonts
// handed over stay the caller's. The base does nothing but keep Active.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/stdctrls.h"  // TTextLayout
#include "platform/rtl/classes.h"

class TControl;
class TFont;
class TRpPrinter;
class TStrings;

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

class TRpExportFilter : public TObject {
    SDELKA_CLASS(TRpExportFilter, TObject)
public:
    // An empty name: the filter writes into a stream of its own.
    explicit TRpExportFilter(const String& AFilename = String()) : FFilename(AFilename) {}

    virtual String GetDescription() { return QStringLiteral("Abstract non-working export filter"); }
    virtual String GetFileExtension() { return String(); }
    virtual String GetName() { return QStringLiteral("Abstract filter"); }
    virtual String GetVendor() { return String(); }
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
    virtual void TextOutRec(TExportInfoRec ExportInfo) {}

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

protected:
    TRpPrinter* FOriginalRpPrinter = nullptr;
    bool FActive = false;
    String FFilename;
    TComponent* FOwner = nullptr;
};
