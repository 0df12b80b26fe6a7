// The XML report document filter: turns a report run into an XML report document (".RPX"), a text
// file holding every page as a list of positioned items. Start writes the prolog (XML declaration,
// stylesheet reference, the inline document type definition) and the header; each page becomes a
// Page element with one Item per text line, shape and image; Finish closes the document and saves
// its lines, each ending with CR LF, in the chosen text encoding.
//
// Units in the document: positions and sizes in millimetres ("%-4.2f", always with a "." whatever
// the format settings), font sizes in points, image sizes in pixels; colours "#RRGGBB". Element
// text and attribute values are escaped, and characters the chosen encoding cannot hold are
// written as character references, so the document stays well formed and loses no text. Images
// are stored as device-independent bitmap files (LZW-compressed when CompressImages), in
// hexadecimal lines of 2,048 bytes.
//
// With a file name the document goes to that file at Finish; without one it goes into Stream(),
// which the caller reads before freeing the filter. In single-page mode (driven by an XML report
// document) each finished page is handed to the document instead.
#pragma once

#include "report/rpexportfilter.h"

class TFont;
class TMemoryStream;
class TStream;

enum TTextEncoding {
    AnsiEncoding, ASCIIEncoding, BigEndianUnicodeEncoding, DefaultEncoding, UnicodeEncoding, UTF7Encoding,
    UTF8Encoding
};

// What an XML report document offers the filter when it receives a report page by page.
class IRpXPageReceiver {
public:
    // One finished page: the lines of its Page element.
    virtual void acceptPage(TStringList* plist) = 0;
    // The report is complete.
    virtual void FinishReport() = 0;

protected:
    ~IRpXPageReceiver() = default;
};

// The base of the XML document filters: the output stream, the report font and the page flag.
class TRpXAbstractExportFilter : public TRpExportFilter {
    SDELKA_CLASS(TRpXAbstractExportFilter, TRpExportFilter)
protected:
    explicit TRpXAbstractExportFilter(const String& AFilename = String());
    ~TRpXAbstractExportFilter() override;

public:
    String GetName() override { return QStringLiteral("RpAbstract"); }
    String GetDescription() override { return String(); }
    String GetFileExtension() override { return String(); }

    void Start(int PaperWidth, int PaperHeight, TFont* Font) override;
    void NewPage() override;
    void EndPage() override;
    void Finish() override;

    // The output stream for the given name: here a new file.
    virtual void CreateStream(const String& FileName);
    // Releases the output stream.
    virtual void CloseStream();
    // Marks the page as processed and stores it.
    virtual void ProcessPage();
    virtual void StorePage() {}

    bool SinglePageMode() const { return FSinglePageMode; }
    void SetSinglePageMode(bool Value) { FSinglePageMode = Value; }
    IRpXPageReceiver* RpXDocument() const { return FRpXDocument; }
    void SetRpXDocument(IRpXPageReceiver* Value) { FRpXDocument = Value; }

protected:
    // Appends a line to the document unless it is empty.
    void AddLine(const String& S);

    TOwned<TStream> FStream;
    Extended FCharWidth = 0;
    Extended FCharHeight = 0;
    Extended FPaperWidth = 0;
    Extended FPaperHeight = 0;
    int FLineCount = 0;
    int FColCount = 0;
    bool FPageProcessed = false;
    TOwned<TFont> FFont;
    TOwned<TFont> FActiveFont;
    bool FSinglePageMode = false;
    IRpXPageReceiver* FRpXDocument = nullptr;
};

// Lets the caller reference an image by URL instead of storing it: set IncludeByRef and ImageURL.
using TRpXImageURLNeeded = TEvent<void(TObject* Sender, TControl* ImageCtrl, String& ImageURL, bool& IncludeByRef)>;

class TRpXDocumentFilter : public TRpXAbstractExportFilter {
    SDELKA_CLASS(TRpXDocumentFilter, TRpXAbstractExportFilter)
protected:
    explicit TRpXDocumentFilter(const String& AFilename = String());
    ~TRpXDocumentFilter() override;

public:
    String GetName() override { return QStringLiteral("RPX document (XML)"); }
    String GetDescription() override { return QStringLiteral("RPX document (XML)"); }
    String GetFileExtension() override { return QStringLiteral("RPX"); }
    bool GetStreaming() override { return false; }

    void Start(int PaperWidth, int PaperHeight, TFont* Font) override;
    void NewPage() override;
    void EndPage() override;
    void TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                 const String& Text) override;
    void TextOutRec(TExportInfoRec ExportInfo) override;
    void AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) override;
    void AcceptBand(TControl* aBand, Extended Xoff, Extended Yoff, Extended Expanded) override;
    bool TakesExportInfo() override { return true; }
    // Closes the document and saves it (nothing while Concatenating). The filter stays Active, so a
    // further report run into it does not start a second document.
    void Finish() override;
    // A memory stream, whatever the name: with a name the document is saved to the file at Finish.
    void CreateStream(const String& FileName) override;
    // The stream stays for the caller to read; the destructor frees it.
    void CloseStream() override {}

    void SetDocumentProperties(const String& Author, const String& Title, const String& Copyright);
    // Appends the prolog: the XML declaration, the stylesheet reference and the document type.
    void LoadDTD(TStringList* dlist);
    // Writes an empty document (no pages) into doclist; sizes in millimetres.
    void NewDocument(TStringList* doclist, double PaperWidth, double PaperHeight, const String& Papername,
                     const String& orient);
    // A vector item made of the given command lines.
    void AcceptVector(TStringList* comms);
    // Adds every non-empty line of the list to the document.
    void AddToStream(TStringList* xmlInlist);
    // Ends a concatenation and finishes the document.
    void EndConcat();

    // The output stream when no file name was given.
    TStream* Stream() const { return FStream.get(); }

    String DocType, Creator, Title, Author, DocDate, Copyright, Orientation;
    String XLStyleURL;
    bool Concatenating = false;
    bool CompressImages = true;
    bool DoImages = true;
    Double VertLineAdjust = 0;
    Double HorizLineAdjust = 0;
    Double LeftMarginAdjust = 0;
    TRpXImageURLNeeded OnImageURLNeeded;

    // The encoding of saved documents, one setting for the whole process (UTF-8 at start).
    static TTextEncoding TextEncoding();
    static void SetTextEncoding(TTextEncoding Value);

private:
    void AddHeader(TStringList* List, const String& Width, const String& Height);
    void AddImage(Extended X, Extended Y, TControl* GControl);
    // Closes the open Page element, if any.
    void ClosePage(TStringList* List);
    void Save();

    int FPagenumber = 1;
    bool FPageOpen = false;
    // The box of the printable whose text comes next (TextOutRec hands it to TextOut).
    Extended FOX = 0, FOY = 0, FIW = 0, FIH = 0;
    TTextLayout FVAlignment = tlTop;
};

// The document's text in the given encoding, byte-order signature first when the encoding has
// one; characters the encoding cannot hold become character references.
QByteArray RpXEncodeDocument(const String& Text, TTextEncoding Encoding);
// The name the XML declaration gives the encoding.
String RpXEncodingName(TTextEncoding Encoding);
