// The HTML export: a generated report as HTML pages. Every text, picture, rule and shape of a page
// becomes an absolutely positioned element, placed in CSS pixels (96 per inch). Two layouts: one
// file for the whole report, where page N starts (N - 1) page heights below page 1; or one file
// per page (MultiPage), with navigation links (PageLinks) that name only pages that exist.
//
// Exported as a web form (TCustomRpReport::ExportWebForm) the document also carries the script
// library in its head and the scripts of the web controls (rpwebcontrols.h), gathered while the
// pages are written and inserted into the head at the end. Report texts are escaped wherever they
// land: in the HTML as character entities, inside script strings as script escapes.
//
// The document is kept as lines and written once complete (a page file once its report is done),
// in the encoding of TextEncoding (UTF-8 unless set), which its head declares. Pictures are
// written as JPEG files into PictureDir, or beside the output file when that is blank; without a
// file name the document goes into the memory stream Stream and pictures into PictureDir (the
// current folder when blank). The finder's highlighter script "rphilitor.js" is written beside a
// document that uses it.
#pragma once

#include "report/export/rpxmlfilter.h"  // TTextEncoding
#include "report/rpexportfilter.h"

#include <QStringList>

#include <memory>
#include <vector>

class TStream;
class TCustomRpReport;
class TRpHTMLImage;
class TRpHTMLLabel;

// "#rrggbb" of a colour, system colours resolved.
String HTMLColor(TColor Color);
// "&", "<", ">", "'", the double quote and "£" as character entities.
String EscapeHTML(const String& S);
// The part of a file name (its folder left out) before its first ".".
String BaseFileName(const String& S);
// A text as a script string literal's content, for either quote: quotes, backslashes, line ends
// and "</" (which would end the script element) escaped.
String EscapeJS(const String& S);

// The family base: output stream, report font and the page-processed flag.
class TRpGAbstractExportFilter : public TRpExportFilter {
    SDELKA_CLASS(TRpGAbstractExportFilter, TRpExportFilter)
protected:
    explicit TRpGAbstractExportFilter(const String& AFilename = String());
    ~TRpGAbstractExportFilter() override;

public:
    String GetDescription() override { return String(); }
    String GetFileExtension() override { return String(); }
    String GetName() override { return QStringLiteral("RpAbstract"); }

    virtual void CreateStream(const String& FileName) {}
    virtual void CloseStream() {}
    virtual void ProcessPage();
    virtual void StorePage() {}
    // Appends one line to the document.
    void AddLine(const String& S) { FLines->append(S); }

protected:
    TStream* FStream = nullptr;
    Extended FCharWidth = 0, FCharHeight = 0;
    Extended FPaperWidth = 0, FPaperHeight = 0;
    int FLineCount = 0, FColCount = 0;
    bool FPageProcessed = false;
    TOwned<TFont> FFont;
    TOwned<TFont> FActiveFont;
    String FControlName;
    QStringList FDoc;              // the single-file document
    QStringList* FLines = &FDoc;   // where lines go: the document or the current page
};

class TRpGHTMLDocumentFilter : public TRpGAbstractExportFilter {
    SDELKA_CLASS(TRpGHTMLDocumentFilter, TRpGAbstractExportFilter)
protected:
    explicit TRpGHTMLDocumentFilter(const String& AFilename = String());
    ~TRpGHTMLDocumentFilter() override;

public:
    String GetDescription() override { return QStringLiteral("HTML document for web publishing"); }
    String GetFileExtension() override { return QStringLiteral("HTM"); }
    String GetName() override { return QStringLiteral("HTML document"); }
    bool GetStreaming() override { return false; }

    void Start(int PaperWidth, int PaperHeight, TFont* Font) override;
    void NewPage() override;
    void EndPage() override;
    void Finish() override;
    void TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment, const String& Text) override;
    void TextOutRec(TExportInfoRec ExportInfo) override;
    void AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) override;
    bool TakesExportInfo() override { return true; }
    bool TakesRules() override { return true; }
    bool TakesHTMLTags() override { return true; }
    void AcceptHTMLTag(const String& Tag, int Top) override { acceptHTMLTag(Tag, Top); }
    void AcceptImageURL(TControl* Image, int XPos, int YPos) override;
    // Scripts on, the report's web controls looked up.
    bool EnableWebForm(TComponent* Report) override;

    void CreateStream(const String& FileName) override;
    void CloseStream() override;
    void ProcessPage() override;

    // Scripts on when the program-wide switch HTMLScriptsEnabled is; the report's web controls
    // are looked up in rpep.
    void EnableJavascript(TCustomRpReport* rpep);
    void SetHTMLBody(TColor BodyCol, const String& BGPic, const String& BExtra);
    // Ends a concatenation: the reports exported so far are written as one document.
    void EndConcat();
    // A band placeholder element: "!xx!" becomes yp plus the page's offset.
    void acceptHTMLTag(const String& anstr, int yp);
    void acceptImageURL(TRpHTMLImage* htmlImg, int xp, int yp);
    // The element and script of one web control (rpwebcontrols.h).
    void AcceptControl(Extended Xoff, Extended Yoff, TControl* GControl);

    // The memory stream of a filter without a file name; it stays the caller's after Finish.
    TStream* Stream() const { return FStream; }
    bool FreeStream() const { return FFreeStream; }
    void SetFreeStream(bool Value) { FFreeStream = Value; }
    int PageLength() const { return FPageLength; }
    void SetPageLength(int Value) { FPageLength = Value; }
    int PageNumber() const { return FPageNumber; }
    bool ScriptsOn() const { return FEnableJavascript; }
    // The document's lines so far (the current page's in multi-page mode).
    const QStringList& Lines() const { return *FLines; }

    // Page offset of the current page, in pixels.
    int PageOffset() const;

    // Settings shared by every filter of the process.
    static bool TransparentTextBG;
    static String PictureDir;
    static bool MultiPage;
    static bool PageLinks;
    static int FinalPage;
    static bool FirstLastLinks;
    static bool Concat;
    static int ConcatCount;
    static int LinkFontSize;
    static String LinkFontName;
    static TTextEncoding TextEncoding;

    // Gathered while the controls are written (rpwebcontrols.cpp).
    QStringList javalist;
    QStringList FSplittersToClose;
    QStringList FDropDownsToLoad;
    QStringList FStylesheet;
    bool SearchCode = false, IndexCode = false, PostCode = false, GetCode = false, zoomCode = false;
    // Script parts written once per document.
    bool DoneExtractPage = false, DoneCrossTab = false, DoneFinder = false, DoneWebData = false;
    TCustomRpReport* parentreport = nullptr;

    // Where a picture file goes and what the page calls it.
    void PictureFile(const String& Name, String& Path, String& Src) const;

private:
    struct TPageFile;
    // The link label whose placeholder the text is, if any.
    TRpHTMLLabel* FindHTMLLabel(const String& Text) const;
    void WriteHead(const String& Title, bool Charset);
    void WriteHeadScripts();
    void WriteHintBox();
    void InsertScriptsAndStyles(QStringList& Doc);
    void CloseBody(QStringList& Doc);
    void SaveLines(const QStringList& Doc, const String& FileName);
    void WriteFinder();
    void FinishPages();
    String BodyAttributes() const;
    String OutputFolder() const;

    bool FFreeStream = false;
    int FPageLength = 2500;
    TColor FBodyColor = TColor(0xFFFFFF);
    String FBackgroundPic;
    bool FFirstReport = true;
    int FReportNumber = 1;
    String FExtraBody;
    int FPageNumber = 1;
    int FNextPicnum = 0;
    int FNextTextNum = 0;
    int FPageMaxY = 0;
    bool HTMFirstPage = true;
    bool HTMLastPage = false;
    bool FEnableJavascript = false;
    bool doneHintBox = false;
    bool FPageOpen = false;
    std::vector<TPageFile> FPages;  // multi-page: the pages written, kept until the document ends
    TOwned<TStream> FMemoryStream;
};

// The program-wide switch that the web-form export sets before it exports.
extern bool HTMLScriptsEnabled;
extern Extended HTMLPixelsPerMM;
