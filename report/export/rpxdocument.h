// The XML report document component: one ".RPX" document held in an XML DOM, and everything done
// with it.
//
// Loading (a file, a stream or a text) reads the header: page size in millimetres, paper name,
// orientation and the number of pages. A document loaded from outside is outside input: a damaged
// or truncated file leaves DocumentLoaded false and never raises out of a load. Items with
// attributes left out take the defaults that the document's own type definition declares.
//
// Drawing (rpxdocrender.cpp) puts one page on a canvas: on a bitmap handed to the viewer's image
// control (RenderPage), on a printer (Print), a caller's bitmap or metafile canvas, and on
// thumbnails. Layers are drawn 2, 1, 0 (0 on top); each drawn item with a control id is recorded as
// a page item so that the viewer can tell which control or band lies under the mouse.
//
// The text index and search (rpxdocsearch.cpp) list every text item with its page and position;
// search results are copies that stay valid until ClearSearchResults, whatever is drawn meanwhile.
// The rewrites (ReplaceToken, ReNumberpages) change text only and keep the old document when the
// result would not parse.
//
// Output (rpxdocoutput.cpp): PDF through the PDF export filter (text items only), and one HTML file
// of absolutely placed blocks, UTF-8, with its pictures as JPEG files beside it.
//
// Positions: item coordinates in millimetres, zoomed by ZoomFactor (per cent) and turned into
// pixels with PixelsPerMM, the horizontal resolution of the last canvas drawn on per millimetre.
// UI thread only; one viewing operation at a time (CurrentXMLPreview is process-wide).
#pragma once

#include "platform/gui/controls.h"  // TMouseEvent
#include "platform/gui/forms.h"     // TWindowState
#include "platform/gui/printers.h"  // TPrinterOrientation
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"
#include "report/export/rpxmlfilter.h"  // IRpXPageReceiver
#include "report/rpprinter.h"            // TRpZoomState
#include "report/rpreport.h"             // TPrevEventType

#include <memory>

class QDomElement;
class QDomNode;
class TBitmap;
class TCanvas;
class TImage;
class TMetafileCanvas;
class TStream;
class TStrings;
class TStringList;
class TCustomRpReport;
class TRpCompositeReport;
class TRpXDocument;
namespace rpxdoc {
struct TGeometry;
}

// One drawn item, band or indexed text. Positions in device pixels of the canvas it was drawn on.
class TPageItem : public TObject {
    SDELKA_CLASS(TPageItem, TObject)
public:
    TPageItem() = default;
    int xpos = 0, ypos = 0, width = 0, height = 0;
    int DBRecord = 0;
    String controlID, cText;
};

class THintItem : public TObject {
    SDELKA_CLASS(THintItem, TObject)
public:
    THintItem() = default;
    String controlID, hint;
};

enum THTMLMode { hmSinglePage, hmMultipage };

using TButtonEvent = TEvent<void(TObject* sender)>;

// What the document talks to while it is viewed; the base does nothing.
class TRpXMLPreviewInterface : public TComponent {
    SDELKA_CLASS(TRpXMLPreviewInterface, TComponent)
protected:
    explicit TRpXMLPreviewInterface(TComponent* AOwner) : TComponent(AOwner) {}
    ~TRpXMLPreviewInterface() override = default;

public:
    virtual void Show() {}
    virtual void ShowModal() {}
    virtual TImage* GetImageControl() { return nullptr; }
    virtual void SetDocument(TRpXDocument* aDoc) {}
    virtual void newpage(int pnum) {}
    virtual void ReportCompleted(int pnum) {}
};

// Makes the preview interface a viewing operation talks to (the owner is nil).
using TRpXMLPreviewInterfaceClass = TRpXMLPreviewInterface* (*)(TComponent* AOwner);
// The standard viewer's interface once RpRegisterExportFilters has run; the silent base before.
extern TRpXMLPreviewInterfaceClass RpXMLPreviewInterfaceClass;
// The interface of the viewing operation in progress, nil outside one.
extern TRpXMLPreviewInterface* CurrentXMLPreview;

class TRpXDocument : public TComponent, public IRpXPageReceiver {
    SDELKA_CLASS(TRpXDocument, TComponent)
protected:
    explicit TRpXDocument(TComponent* AOwner);
    ~TRpXDocument() override;

public:
    void BeforeDestruction() override;
    static void Published(TPublished<TRpXDocument>& P);

    // ---- loading and saving
    void LoadFromFile(const String& filename);
    // Loads, and gives the document a report of its own for printing, setup and events.
    void ExternalLoadFromFile(const String& filename);
    // The stream from its start: a byte-order signature or the declaration chooses the encoding.
    void LoadFromStream(TStream* instream);
    // Loads a document from its text; false (and DocumentLoaded false) when it is no document.
    bool LoadDocumentText(const String& Text);
    // An empty document of the given page size (millimetres); true when it loaded.
    bool InitialiseDoc(const String& title, double pagewidth, double pageheight, const String& papername,
                       const String& orient, const String& stylesheetURI);
    void SaveToFile(const String& filename);
    // The root element's XML text, UTF-8, without declaration and type definition.
    void SaveToStream(TStream* outstr);
    void SaveReportAsXML(TCustomRpReport* RReport, const String& fileName);

    // ---- pages
    int Pagecount() const;
    // The page element (null when Pagenum is outside the document).
    QDomElement GetPage(int Pagenum);
    // Appends a deep copy of a page element.
    void AddPage(const QDomNode& pagenode);
    void acceptPage(TStringList* plist) override;
    void FinishReport() override;

    // ---- hints and events
    void AddHint(const String& controlName, const String& hintText);
    String GetHint(const String& cName) const;
    void FireEvent(TPrevEventType eventNum, const String& cName, const String& CText, int rec);

    // ---- zoom
    Extended ZoomFactor() const { return FZoomfactor; }
    void SetZoomFactor(Extended value);
    Extended GetZoom() const { return FZoomfactor; }
    void ZoomToWidth(Extended reqWidth);
    void ZoomToHeight(Extended reqHeight);

    // ---- viewing
    void ViewReport(TCustomRpReport* RReport);
    void ViewReportModal(TCustomRpReport* RReport);
    void ViewCompositeReport(TRpCompositeReport* CReport);
    void ViewDocument(bool modal);
    void LoadAndViewXML(const String& filename, TStream* inStream, bool modal);
    void ShowConnectionDlg() {}

    // ---- printing and hit tests
    void Print(TPrinter* aprinter);
    String GetControlFromPosition(int x, int y, String& cText, int& DBRecordNum) const;
    String GetBandFromPosition(int x, int y, String& cText, int& DBRecordNum) const;
    void SetImageControl(TImage* iCont);
    TImage* ImageControl() const { return FImageControl; }

    // ---- drawing
    void RenderPage(int pagenum);
    // Thumbnails: the caller owns the bitmap; null when there is nothing to draw.
    TOwned<TBitmap> RenderThumbnail(int pagenum, const TRect& thumbRect);
    TOwned<TBitmap> RenderOneThumb(int pagenum, int fpagewidth, int fpageheight, const TRect& thRect);
    void RenderPageToMetafile(TMetafileCanvas* metacanvas, int pagenum);
    void RenderPageToBM(TBitmap* pagemap, int pagenum);

    // ---- text index, search and rewrites
    void MakeTextIndex();
    void IndexOnePage(int pn);
    // Appends copies of the matching index entries (their texts, pages and positions) to resList;
    // the copies are kept by the document until ClearSearchResults.
    void FindText(const String& cText, bool matchCase, TStrings* resList);
    void ClearSearchResults();
    String SearchText() const { return FSearchText; }
    void SetSearchText(const String& value) { FSearchText = value; }
    // Replaces a token in the document's texts (never in its markup or attributes); true when the
    // document was rewritten.
    bool ReplaceToken(const String& token, const String& replacement);
    // Numbers the pages: the page token becomes the page's number, the count token the page count.
    bool ReNumberpages(const String& pagetoken, const String& counttoken);
    // The text index: strings = texts, objects = TPageItem (DBRecord = page index).
    TStringList* TextIndex() const { return FTextindex.get(); }

    // ---- output
    void SaveAsPDFFile(const String& pdffile);
    void SaveAsPDFStream(TStream* pdfstream);
    // HTML with its pictures as JPEG files in the output file's folder.
    void SaveAsHTMLFile(const String& htmfile);
    // HTML into a stream; pictures go to ImageFolder (the current folder when empty).
    void SaveAsHTMLStream(TStream* htmstream, const String& ImageFolder = String());
    // Decodes run-length data: a control byte c >= 128 repeats the next byte (1 - c) mod 256 times,
    // c < 128 copies the next c + 1 bytes.
    static void RLEDecode(TStream* source, TStream* target);

    // ---- properties
    bool DocumentLoaded() const { return FDocumentLoaded; }
    String DocumentFile() const { return FDocumentFile; }
    void SetDocumentFile(const String& Value);
    String ReportTitle() const { return FTitle; }
    void SetReportTitle(const String& Value) { FTitle = Value; }
    int CurrentPage() const { return FCurrentPage; }
    void SetCurrentPage(int Value);
    double Pagewidth() const { return FPagewidth; }
    double Pageheight() const { return FPageheight; }
    String PaperName() const { return FPapername; }
    TPrinterOrientation Orientation() const { return FPOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    // 0 portrait, 1 landscape: from the document's Orientation element, used for printing.
    int PrintOrientation() const { return FOrientation; }
    TCustomRpReport* RpReport() const { return FCurrentRp; }
    void SetRpReport(TCustomRpReport* Value);
    Extended PrintZoom() const { return FPrintZoom; }
    void SetPrintZoom(Extended Value) { FPrintZoom = Value; }
    bool LoadedFromFile() const { return FLoadedFromFile; }
    bool DisplayFinished() const { return FDisplayFinished; }
    int FirstPage = 1, LastPage = 0;
    bool PageHasChanged = false;
    THTMLMode HTMLExportMode = hmSinglePage;
    String CurrentFile;
    String HTMLImageURL;

    bool ShowImagesInThumbs = true;
    bool ShowSaveButton = true, ShowLoadButton = true, ShowPrintButtons = true, ShowToolbar = true;
    bool Showthumbs = false, ShowSearch = false;
    int InitViewerWidth = 700, InitViewerHeight = 650, InitViewerTop = 50, InitViewerLeft = 50;
    Extended InitViewerZoom = 100;
    TRpZoomState InitViewerZoomState = rpZoomOther;
    TWindowState InitViewerState = wsNormal;
    bool ShowProgress = false;

    TMouseEvent OnClick, OnBandClick, OnMouseOver, OnMouseOut;
    TButtonEvent OnPrintClicked, OnPrintSetupClicked, OnSaveClicked, OnLoadClicked;
    // The viewer's events: clicks on controls and bands, mouse over and out, print and save.
    TRpPreviewXEvent OnPrevXEvent;

    // Device pixels per millimetre of the last canvas drawn on (96 / 25.4 at first).
    static double PixelsPerMM;

    // Implementation of the drawing and the output, shared by the units of the document.
    struct TDom;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool LoadDocumentFile(const String& FileName);
    bool ReadDocumentHeader();
    void ClearPageLists();
    void ClearTextIndex();
    void ShowReport(TCustomRpReport* RReport);
    void ShowCompositeReport(TRpCompositeReport* CReport, bool modal);
    // Loads a rewritten text, keeping the current document when it does not parse.
    bool SwapInText(const String& Text);
    void RenderPageToCanvas(int pagenum, int width, int height, bool printing, TCanvas* PrinterCanvas);
    void PDFOnePage(int pagenum);
    void HTMLOnePage(int pagenum);
    void HTMLGraphic(const QDomElement& E, const rpxdoc::TGeometry& G, int PageTop);
    void HTMLImage(const QDomElement& E, const rpxdoc::TGeometry& G, int pagenum);

    std::unique_ptr<TDom> FDom;
    TCustomRpReport* FCurrentRp = nullptr;
    TCustomRpReport* FOwnReport = nullptr;  // the empty report ExternalLoadFromFile made
    String FDocumentFile;
    int FCurrentPage = 0;
    double FPagewidth = 0, FPageheight = 0;
    int FPagecount = 0;
    TImage* FImageControl = nullptr;
    TOwned<TStringList> FPageItems, FPageBands, FHintlist, FTextindex, FSearchResults;
    Extended FZoomfactor = 100;
    Extended FPrintZoom = 0;
    TStream* FStream = nullptr;
    int FNextImage = 0;
    String FImagepath;
    String FImageBase;  // what the picture file names begin with (the HTML file's name)
    bool FDocumentLoaded = false;
    String FTitle;
    String FPapername;
    String FSearchText;
    int FOrientation = 0;
    TPrinterOrientation FPOrientation = poPortrait;
    Extended FPrinterOffsetX = 0, FPrinterOffsetY = 0;
    Extended FPixelsPerX = 0, FPixelsPerY = 0;
    bool FDisplayFinished = false;
    bool FLoadedFromFile = false;
};
