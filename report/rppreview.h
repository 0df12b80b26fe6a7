// The preview control: a scroll box that shows one stored page of a report printer at a zoom, as
// a white sheet with a black border and a drop shadow.
//
// The control attaches itself to a report printer as the printer's client window: the printer
// posts it progress (WM_USER) and the number of finished pages (WM_USER + 1) while a report is
// generated, possibly in a report thread, and the control loads the shown page once it is stored.
// Pages are read from the page list only after the printer announced them, so a page being drawn
// is never read. Everything here runs on the UI thread.
//
// Zoom is a percentage of the paper at the screen's resolution (the printer's XSize/YSize of the
// paper's tenths of a millimetre), from 2 to 2000; the zoom states to fit and to width recompute
// it whenever the control is resized.
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/extctrls.h"
#include "report/rpprinter.h"
#include "report/rptypes.h"

class TMetafile;
class TRpPrinter;
class TCanvas;

enum TRpHyperlinkEventType { heCursorMoveOver, heCursorMoveAway, heGoto, heGotoNewWindow };

using TRpPageAvailableEvent = TEvent<void(TObject* Sender, int PageNum)>;
using TRpProgressUpdateEvent = TEvent<void(TObject* Sender, int Progress)>;
using TRpPreviewHyperlinkEvent =
    TEvent<void(TObject* Sender, TRpHyperlinkEventType EventType, const String& Link, bool& Handled)>;

// When set, PaintPage clips the page's drawing to the sheet (the preview window's thumbnails).
extern bool ClipPagePainting;

// Draws a page into R: the sheet, the page's metafile stretched onto R, the border and the shadow.
// Without a metafile only a framed empty sheet is drawn, and nothing at all unless Framed.
void PaintPage(TMetafile* Metafile, TCanvas* Canvas, const TRect& R, bool Framed);

// The page of the preview control: draws its metafile over its whole client area.
class TRpPreviewImage : public TGraphicControl {
    SDELKA_CLASS(TRpPreviewImage, TGraphicControl)
protected:
    explicit TRpPreviewImage(TComponent* AOwner);
    ~TRpPreviewImage() override;

public:
    int PageNumber() const { return FPageNumber; }
    // Loads the page from the printer (none when it is not stored yet) and repaints at once.
    void SetPageNumber(int Value);
    TRpPrinter* RpPrinter() const { return FRpPrinter; }
    void SetRpPrinter(TRpPrinter* Value) { FRpPrinter = Value; }
    TMetafile* Metafile() const { return FMetafile; }
    int Zoom() const { return FZoom; }
    void SetZoom(int Value) { FZoom = Value; }
    bool ImageOK() const { return FMetafile != nullptr; }
    bool HyperlinksOK() const { return false; }
    TRpPreviewHyperlinkEvent OnHyperlink;

protected:
    void Paint() override;

private:
    TRpPrinter* FRpPrinter = nullptr;
    int FPageNumber = 1;
    TMetafile* FMetafile = nullptr;
    int FZoom = 100;
};

class TRpPreview : public TScrollBox {
    SDELKA_CLASS(TRpPreview, TScrollBox)
protected:
    explicit TRpPreview(TComponent* AOwner);
    ~TRpPreview() override;

public:
    void BeforeDestruction() override;

    // Reloads the shown page once the printer has stored it (it was not loaded before).
    void UpdateImage();
    // Sizes and centres the page for the zoom, scrolled to its top left.
    void UpdateZoom();
    void ZoomToFit();
    void ZoomToWidth();
    // Runs the zoom state again (installed as the resize and focus-enter handler).
    void ApplyZoomState(TObject* Sender = nullptr);

    TRpPreviewImage* PreviewImage() const { return FPreviewImage; }
    TRpPrinter* RpPrinter() const { return FRpPrinter; }
    // Attaches the printer: the control becomes its client and shows its page 1; the printer
    // attached before stops showing a preview (which cancels its running generation).
    void SetRpPrinter(TRpPrinter* Value);
    int PageNumber() const { return FPageNumber; }
    // Pages outside 1..PageCount are ignored.
    void SetPageNumber(int Value);
    int Zoom() const { return FZoom; }
    // Zooms outside 2..2000 are ignored; the state becomes rpZoomOther.
    void SetZoom(int Value);
    TRpZoomState ZoomState() const { return FZoomState; }
    void SetZoomState(TRpZoomState Value) { FZoomState = Value; }

    TRpPageAvailableEvent OnPageAvailable;
    TRpProgressUpdateEvent OnProgressUpdate;

protected:
    void Dispatch(TMessage& Message) override;

private:
    void Detach();
    // The paper at the zoom, in screen pixels (Letter taken as pixels without a printer).
    int PaperPixelsX(Extended Percent) const;
    int PaperPixelsY(Extended Percent) const;
    TRpPreviewImage* FPreviewImage = nullptr;
    int FPageNumber = 1;
    TRpPrinter* FRpPrinter = nullptr;
    int FZoom = 100;
    TRpZoomState FZoomState = rpZoomOther;
};
