// The PDF export filter: turns a report run into a PDF 1.3 document.
//
// Every text line and graphic of the run becomes a page item, written at once as content-stream
// operators into the page's text or graphics block. The document goes out as the run goes: the
// header, catalog and outlines with the first page; each page, as soon as the next one starts, as
// its page object (2i+4 for page i from 0) and its content stream (2i+5), after which only its
// offsets are kept. Finish writes the page tree (object 3), the fonts, the document information
// and the procedure set, then the cross-reference table by object number and the trailer. A file
// is written through a TSafeFileStream and committed by Finish, so a run that fails or a Finish
// that raises leaves the old file as it was and no part of the new one; a memory stream is cut
// back to where the document began. Positions are in points from the page's bottom left.
//
// Text: each distinct font (face, bold, italic, code page) is one font resource. A text run is
// written in one single-byte code page, the one its font's character set names; a font with the
// default character set takes Western (1252) for text that fits it and the filter's Codepage
// otherwise (Cyrillic, 1251, by default). The font's encoding (/Differences) is derived from that
// same page. With FontHandling fhSubstitute, Western text uses a standard base-14 font through the
// font map; any other text, and every font in the other modes, is a TrueType font measured from the
// installed file that stands for the layout's face (TFontFile), embedded with fhAutoEmbed, for the
// faces named with AddTTFont, and always for text a base-14 font cannot show. A file is embedded
// once: the resources of one face and style in several code pages share its stream.
//
// Pictures are captured as RGB bitmaps, compressed with LZW (CompressionOn) and written as inline
// images in ASCII85.
//
// Only one run at a time may use a filter; separate filters are independent, but the settings
// Codepage, SuppressDateTime and MetaData are process-wide.
#pragma once

#include "report/rpexportfilter.h"

#include <QByteArray>
#include <memory>

class TMemoryStream;
class TStream;
class TStrings;
class TStringList;
class TRpReport;
class TRpPrinter;
class TDictionary;

// PDF points (1/72 inch) in a millimetre.
constexpr Extended PointsPerMM = 72.0L / 25.4L;

// The base of the PDF family: an output stream, the page-processed flag and the page geometry.
class TRpPAbstractExportFilter : public TRpExportFilter {
    SDELKA_CLASS(TRpPAbstractExportFilter, TRpExportFilter)
protected:
    explicit TRpPAbstractExportFilter(const String& AFilename = String()) : TRpExportFilter(AFilename) {}
    ~TRpPAbstractExportFilter() override = default;

public:
    String GetName() override { return QStringLiteral("RpAbstract"); }
    String GetDescription() override { return String(); }
    String GetFileExtension() override { return String(); }

    virtual void CreateStream(const String& FileName) {}
    virtual void CloseStream() {}
    virtual void ProcessPage() {
        FPageProcessed = true;
        StorePage();
    }
    virtual void StorePage() {}

protected:
    TStream* FStream = nullptr;
    int FCharWidth = 0;
    int FCharHeight = 0;
    Extended FPaperWidth = 0;
    Extended FPaperHeight = 0;
    int FLineCount = 0;
    int FColCount = 0;
    bool FPageProcessed = false;
    Extended BGHFactor = 1.0;
};

enum TFontHandling { fhSubstitute, fhAutoEmbed, fhNoEmbedding };
enum TPDFItemType { IT_INVALID, IT_TEXT, IT_NEWPAGE, IT_GRAPHIC, IT_IMAGE };
enum TPDFShapeType { S_BOX, S_CIRCLE, S_HLINE, S_VLINE, S_OBLIQUE, S_TOPBOTTOM, S_LEFTRIGHT, S_RIGHTDIAG, S_LEFTDIAG };

struct TRGBColor {
    unsigned char Red = 0, Green = 0, Blue = 0;
};

// One page item. Positions and sizes in points; YPos from the page's top until it is written.
struct TPDFItemRec {
    TPDFItemType ItemType = IT_INVALID;
    Extended XPos = 0, YPos = 0;
    String FontName;
    String FText;
    int FontCharset = 0;
    int FontSize = 0;
    bool fbold = false, fItalic = false;
    int FAlignment = 0;
    bool Filled = false;
    bool staticimage = false;
    Extended Width = 0, Height = 0, thickness = 0, xscale = 1, yscale = 1;
    QByteArray imgstr;  // the encoded image bytes
    String ImageFilter;
    TPDFShapeType Shape = S_BOX;
    int pixelWidth = 0, pixelHeight = 0;
    TRGBColor RGBStrokeColor, RGBFColor;
};

class TRpPDFDocumentFilter : public TRpPAbstractExportFilter {
    SDELKA_CLASS(TRpPDFDocumentFilter, TRpPAbstractExportFilter)
protected:
    explicit TRpPDFDocumentFilter(const String& AFilename = String());
    ~TRpPDFDocumentFilter() override;

public:
    String GetName() override { return QStringLiteral("PDF document"); }
    String GetDescription() override { return QStringLiteral("PDF document filter"); }
    String GetFileExtension() override { return QStringLiteral("PDF"); }
    bool GetStreaming() override { return false; }

    void Start(int PaperWidth, int PaperHeight, TFont* Font) override;
    void NewPage() override;
    void EndPage() override {}
    void TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                 const String& Text) override;
    // Places the text by the width handed over when the screen measures at 96 dpi (the width
    // the filter would measure itself), and measures it otherwise.
    void TextOutMeasured(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                         const String& Text, int Width) override;
    void AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) override;
    bool TakesRules() override { return true; }
    bool TakesPDFShapes() override { return true; }
    // Writes the document (unless concatenating) and raises what the font writer raises; nothing
    // is saved then.
    void Finish() override;
    void CreateStream(const String& FileName) override;
    void CloseStream() override;

    void SetDocumentInfo(const String& Creator, const String& Author, const String& Title, const String& Subject);
    // "Font name:base font", e.g. "Verdana:Helvetica".
    void AddFontMap(const String& ssmap);
    void AddTTFont(const String& FontName);
    // At least 256 widths (codes 0..255, thousandths of the em) separated by blanks, for a base
    // name ("Arial", "Arial,Bold").
    void AddCustomWidths(const String& FontName, const String& widthstr);
    // The content of the font's /Differences array.
    void AddCustomEncoding(const String& FontName, const String& encodingstr);
    // The current page's size (points) and the offsets of its items; the next page start replaces them.
    void SetPageParams(Extended w, Extended h, Extended tm, Extended tma, Extended lma);
    void EndConcat();
    bool pageInRange();

    // The memory stream the document is written to when the file name is empty (the caller's,
    // after Finish).
    TStream* Stream() const { return FStream; }
    bool TextOnTop() const { return !FTextFirst; }
    void SetTextOnTop(bool Value) { FTextFirst = !Value; }
    bool Concatenating() const { return FPDFConcatenating; }
    void SetConcatenating(bool Value) { FPDFConcatenating = Value; }
    bool CompressionOn() const { return FPDFCompressionOn; }
    void SetCompressionOn(bool Value) { FPDFCompressionOn = Value; }
    TFontHandling FontHandling() const { return FFontHandling; }
    void SetFontHandling(TFontHandling Value) { FFontHandling = Value; }
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value) { FBiDiMode = Value; }
    TRpReport* ParentReport() const { return FParentReport; }
    void SetParentReport(TRpReport* Value);
    int PDFFirstPage() const { return FPDFFirstPage; }
    int PDFLastPage() const { return FPDFLastPage; }
    int PageNumber() const { return FPageNumber; }

    // Process-wide settings.
    String Codepage() const;
    void SetCodepage(const String& Value);
    bool SuppressDateTime() const;
    void SetSuppressDateTime(bool Value);
    // Lines "key,value": each adds "/key(value)" to the document information.
    TStrings* MetaData() const;
    void SetMetaData(TStrings* Value);

    // The lines of the font map, "Arial:Helvetica" first.
    TStringList* SubstitutedFonts() const { return FSubstitutedFonts.get(); }
    // The base-14 font for a font key (fhSubstitute): "Helvetica-BoldOblique".
    String Base14Name(const String& FontKey) const;
    // The font key of a face in a style and character set:
    // name TAB style letters TAB charset TAB base name.
    static String FontKey(const String& FontName, bool Bold, bool Italic, int Charset);
    // The code page a text run takes in a font of a character set.
    int RunCodePage(int Charset, const String& Text) const;

private:
    struct TDoc;
    void MakePageFiles();
    void ClosePageText();
    // Width: the text's width in screen pixels, or -1 to measure it here.
    void PlaceText(Extended X, Extended Y, TFont* Font, TAlignment Alignment, const String& Text, int Width);
    void WriteItem(TPDFItemRec& Item);
    void WriteText(TPDFItemRec& Item);
    void WriteGraphic(TPDFItemRec& Item);
    void WriteImage(TPDFItemRec& Item);
    void AddOffsets(TPDFItemRec& Item);
    void CaptureImage(Extended Xoff, Extended Yoff, TControl* GControl);
    void ComputeFactors();
    void BeginDocument();
    void WritePage();
    void WriteDocumentEnd();

    bool FFreeStream = false;
    bool FFirstPage = true;
    int FPageNumber = 0;
    bool FPDFConcatenating = false;
    TFontHandling FFontHandling = fhNoEmbedding;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FMadeFirstPageFiles = false;
    bool FTextFirst = false;
    String FDocSubject, FDocCreator, FDocTitle, FDocAuthor;
    std::unique_ptr<TDictionary> FCustomWidths, FCustomEncodings;
    bool FPDFCompressionOn = true;
    std::unique_ptr<TDoc> FPDF;
    TOwned<TStringList> FReportFonts;
    TOwned<TStringList> FEmbedFonts;
    TOwned<TStringList> FSubstitutedFonts;
    Extended FPageWidth = 595, FPageHeight = 840;
    Extended FAdjustTM = 0, FAdjustLM = 0;
    TRpReport* FParentReport = nullptr;
    int FPDFFirstPage = 0, FPDFLastPage = 0;
    bool FReportFinished = false;
    // Points per device pixel of the run's printer, device pixels per screen pixel.
    Extended kx = 72.0 / 96.0, ky = 72.0 / 96.0, r = 1.0;
    Extended FXFactor = 96.0 / 254.0, FYFactor = 96.0 / 254.0;
};

// Writes the stored pages FromPage..ToPage of a report printer as a PDF file, one picture of each
// page per page (the report printer's ExportMetafile, installed by RpRegisterExportFilters).
void RpPDFExportMetafile(TRpPrinter* Printer, const String& FileName, int FromPage, int ToPage);
