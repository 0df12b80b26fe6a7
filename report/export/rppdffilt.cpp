#include "report/export/rppdffilt.h"

#include "platform/gui/canvas.h"
#include "platform/gui/fontfiles.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/gui/rtf.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "report/export/pdfconst.h"
#include "report/export/rpencoders.h"
#include "report/rperror.h"
#include "report/rpgrimage.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <QMap>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr int NativeWidth = 3, NativeLength = 1;  // TRpPage value indexes

// ---- the process-wide settings ------------------------------------------------------------------

// The system's ANSI code page: this client runs on Russian systems.
String& GCodepage() {
    static String S = QStringLiteral("1251");
    return S;
}
bool GSuppressDateTime = false;
TStringList* GMetaData() {
    static TStringList L;
    return &L;
}

// ---- numbers: always "." as the decimal separator -----------------------------------------------

QByteArray Int(long long V) { return QByteArray::number(V); }
QByteArray Trunc(Extended V) { return Int(static_cast<long long>(std::trunc(V))); }
QByteArray Fixed(Extended V, int Decimals, int Width = 0) {
    QByteArray S = QByteArray::number(double(V), 'f', Decimals);
    if (S.startsWith("-0") && S.toDouble() == 0) S.remove(0, 1);
    while (S.size() < Width) S.prepend(' ');
    return S;
}
QByteArray ColorText(const TRGBColor& C) {
    return Fixed(C.Red / 255.0, 2) + ' ' + Fixed(C.Green / 255.0, 2) + ' ' + Fixed(C.Blue / 255.0, 2);
}
// "F%-2.2d": at least two digits.
QByteArray FontRes(int N) { return N < 10 ? "F0" + Int(N) : "F" + Int(N); }

TRGBColor RGBOf(TColor Color) {
    const COLORREF C = ColorToRGB(Color);
    TRGBColor R;
    R.Red = C & 0xFF;
    R.Green = (C >> 8) & 0xFF;
    R.Blue = (C >> 16) & 0xFF;
    return R;
}

// A literal string's bytes with "\", "(" and ")" escaped, and the line ends that would otherwise
// be read as other line ends.
QByteArray EscapeBytes(const QByteArray& B, int CodePage) {
    QByteArray R;
    R.reserve(B.size() + 8);
    for (char c : B) {
        switch (c) {
            case '\\': R += "\\\\"; break;
            case '(': R += "\\("; break;
            case ')': R += "\\)"; break;
            case '\r': R += "\\r"; break;
            case '\n': R += "\\n"; break;
            default:
                if (CodePage == 1252 && static_cast<unsigned char>(c) == 0x80)
                    R += "\\200";  // the euro sign
                else
                    R += c;
        }
    }
    return R;
}

// A text string of the document information: plain ASCII as an escaped literal, anything else as
// UTF-16BE with its byte-order mark, which every reader shows whatever the system's code page.
QByteArray InfoString(const String& S) {
    bool Ascii = true;
    for (QChar c : S)
        if (c.unicode() >= 0x80) Ascii = false;
    if (Ascii) return '(' + EscapeBytes(S.toLatin1(), 0) + ')';
    QByteArray R = "<FEFF";
    for (QChar c : S) R += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return R + '>';
}

bool FitsCodePage(const String& Text, int CodePage) {
    const QByteArray B = StringToCodePage(Text, CodePage);
    return CodePageToString(B, CodePage) == Text;
}

int CodePageCharset(int CodePage) { return CodePage == 1251 ? RUSSIAN_CHARSET : ANSI_CHARSET; }

int CharsetCodePage(int Charset) {
    switch (Charset) {
        case ANSI_CHARSET: return 1252;
        case RUSSIAN_CHARSET: return 1251;
        default: return 0;
    }
}

int ScreenPPI() { return Screen ? Screen->PixelsPerInch() : ScreenDC()->LogPixelsX(); }

// The fields of a font key.
struct TKeyParts {
    String Name, Style, BaseName;
    int Charset = 0;
    bool Bold = false, Italic = false;
};
TKeyParts SplitKey(const String& Key) {
    const QStringList P = Key.split(QLatin1Char('\t'));
    TKeyParts K;
    K.Name = P.value(0);
    K.Style = P.value(1);
    K.Charset = P.value(2).toInt();
    K.BaseName = P.value(3);
    K.Bold = K.Style.contains(QLatin1Char('B'));
    K.Italic = K.Style.contains(QLatin1Char('I'));
    return K;
}

void Line(QByteArray& Doc, const QByteArray& L) {
    Doc += L;
    Doc += "\r\n";
}

}  // namespace

// ---- the document's pages ------------------------------------------------------------------------

struct TRpPDFDocumentFilter::TDoc {
    // The page being drawn; it goes out whole when the next page starts or the document ends.
    struct TPage {
        Extended PageWidth = 0, PageHeight = 0;
        QByteArray Text, Graphics;  // lines, each ending in CR LF
    };
    TPage Page;
    bool HasPage = false;
    // Pages begun so far (the one being drawn included): page i (from 0) is object 2i+4, its
    // content stream 2i+5.
    int PageCount = 0;
    Extended FirstPageWidth = 0, FirstPageHeight = 0;
    // The code page of each font resource's text, by font number.
    std::vector<int> FontCodePages;
    // The screen bitmap texts are measured on.
    TOwned<TBitmap> Measure;

    // The output: a file written safely (committed only once the document is whole) or the
    // caller's memory stream from the position it had when the document began.
    TOwned<TSafeFileStream> File;
    TStream* Out = nullptr;
    Int64 OutBase = 0;
    bool Begun = false;
    // Bytes not yet handed to the output, and the bytes handed so far.
    QByteArray Buffer;
    Int64 Written = 0;
    // The byte offset of every object by its number; -1 for one not written (yet).
    std::vector<Int64> Offsets;

    Int64 Position() const { return Written + Buffer.size(); }
    void BeginObject(int Number) {
        if (Offsets.size() <= size_t(Number)) Offsets.resize(size_t(Number) + 1, -1);
        Offsets[size_t(Number)] = Position();
    }
    void Flush() {
        if (Buffer.isEmpty()) return;
        Out->WriteBuffer(Buffer.constData(), Integer(Buffer.size()));
        Written += Buffer.size();
        Buffer.resize(0);
    }
    // Writes out what is buffered once it is worth a system call.
    void FlushSome() {
        if (Buffer.size() >= (64 << 10)) Flush();
    }
    // Drops what was written of an unfinished document: the file's temporary copy is removed
    // (the target keeps its old bytes), the memory stream is cut back to where the document began.
    void Discard() {
        if (File) {
            File.reset();
        } else if (Out && Begun) {
            Out->SetSize(OutBase);
            Out->SetPosition(OutBase);
        }
        Buffer.clear();
        Out = nullptr;
        Begun = false;
    }
};

// ---- construction and settings -------------------------------------------------------------------

TRpPDFDocumentFilter::TRpPDFDocumentFilter(const String& AFilename)
    : TRpPAbstractExportFilter(AFilename),
      FCustomWidths(std::make_unique<TDictionary>()),
      FCustomEncodings(std::make_unique<TDictionary>()),
      FPDF(std::make_unique<TDoc>()),
      FReportFonts(NewOwned<TStringList>()),
      FEmbedFonts(NewOwned<TStringList>()),
      FSubstitutedFonts(NewOwned<TStringList>()) {
    BGHFactor = 1.0;
    FSubstitutedFonts->Add(QStringLiteral("Arial:Helvetica"));
    FSubstitutedFonts->Add(QStringLiteral("Times New Roman:Times"));
    FSubstitutedFonts->Add(QStringLiteral("Courier New:Courier"));
    SetDocumentInfo(QStringLiteral("Raport"), String(), String(), String());
}

TRpPDFDocumentFilter::~TRpPDFDocumentFilter() = default;

String TRpPDFDocumentFilter::Codepage() const { return GCodepage(); }
void TRpPDFDocumentFilter::SetCodepage(const String& Value) { GCodepage() = Value; }
bool TRpPDFDocumentFilter::SuppressDateTime() const { return GSuppressDateTime; }
void TRpPDFDocumentFilter::SetSuppressDateTime(bool Value) { GSuppressDateTime = Value; }
TStrings* TRpPDFDocumentFilter::MetaData() const { return GMetaData(); }
void TRpPDFDocumentFilter::SetMetaData(TStrings* Value) {
    if (Value)
        GMetaData()->Assign(Value);
    else
        GMetaData()->Clear();
}

void TRpPDFDocumentFilter::SetDocumentInfo(const String& Creator, const String& Author, const String& Title,
                                           const String& Subject) {
    FDocCreator = Creator;
    FDocAuthor = Author;
    FDocTitle = Title;
    FDocSubject = Subject;
}

void TRpPDFDocumentFilter::AddFontMap(const String& ssmap) {
    const int i = ssmap.indexOf(QLatin1Char(':'));
    const String L = i < 0 ? ssmap.trimmed() : ssmap.left(i).trimmed() + u':' + ssmap.mid(i + 1).trimmed();
    for (int k = 0; k < FSubstitutedFonts->Count(); ++k)
        if (FSubstitutedFonts->Strings(k).compare(L, Qt::CaseInsensitive) == 0) return;
    FSubstitutedFonts->Add(L);
}

void TRpPDFDocumentFilter::AddTTFont(const String& FontName) {
    for (int k = 0; k < FEmbedFonts->Count(); ++k)
        if (FEmbedFonts->Strings(k).compare(FontName, Qt::CaseInsensitive) == 0) return;
    FEmbedFonts->Add(FontName);
}

void TRpPDFDocumentFilter::AddCustomWidths(const String& FontName, const String& widthstr) {
    FCustomWidths->Add(FontName, widthstr);
}

void TRpPDFDocumentFilter::AddCustomEncoding(const String& FontName, const String& encodingstr) {
    FCustomEncodings->Add(FontName, encodingstr);
}

void TRpPDFDocumentFilter::SetPageParams(Extended w, Extended h, Extended tm, Extended tma, Extended lma) {
    FPageWidth = w;
    FPageHeight = h;
    FAdjustTM = tma;
    FAdjustLM = lma;
    if (FPDF->HasPage) {
        FPDF->Page.PageWidth = w;
        FPDF->Page.PageHeight = h;
    }
}

void TRpPDFDocumentFilter::SetParentReport(TRpReport* Value) {
    FParentReport = Value;
    if (Value) {
        FPDFFirstPage = Value->PrinterSettings()->FirstPage();
        FPDFLastPage = Value->PrinterSettings()->LastPage();
    }
}

bool TRpPDFDocumentFilter::pageInRange() {
    if (FPDFFirstPage == 0 || FPDFLastPage == 0 || FReportFinished || !FParentReport) return true;
    const int P = FParentReport->PageNumber();
    return P >= FPDFFirstPage && P <= FPDFLastPage;
}

// ---- fonts ---------------------------------------------------------------------------------------

String TRpPDFDocumentFilter::FontKey(const String& FontName, bool Bold, bool Italic, int Charset) {
    const String Name = FontName.trimmed();
    String Base = Name;
    Base.remove(QLatin1Char(' '));
    if (Bold || Italic) Base += u',';
    if (Bold) Base += QStringLiteral("Bold");
    if (Italic) Base += QStringLiteral("Italic");
    String Style;
    if (Bold) Style += u'B';
    if (Italic) Style += u'I';
    return Name + u'\t' + Style + u'\t' + QString::number(Charset) + u'\t' + Base;
}

int TRpPDFDocumentFilter::RunCodePage(int Charset, const String& Text) const {
    const int Named = CharsetCodePage(Charset);
    if (Named && FitsCodePage(Text, Named)) return Named;
    if (FitsCodePage(Text, 1252)) return 1252;
    bool Ok = false;
    int Setting = Codepage().trimmed().toInt(&Ok);
    if (!Ok || (Setting != 1251 && Setting != 1252)) Setting = 1252;
    if (FitsCodePage(Text, Setting)) return Setting;
    if (FitsCodePage(Text, 1251)) return 1251;
    return Named ? Named : Setting;
}

String TRpPDFDocumentFilter::Base14Name(const String& FontKeyText) const {
    const TKeyParts K = SplitKey(FontKeyText);
    const String Name = K.Name.toLower();
    String Base = QStringLiteral("Courier");
    for (int i = 0; i < FSubstitutedFonts->Count(); ++i) {
        const String L = FSubstitutedFonts->Strings(i);
        if (!L.toLower().startsWith(Name)) continue;
        const int c = L.indexOf(QLatin1Char(':'));
        String B = c < 0 ? String() : L.mid(c + 1);
        if (B.isEmpty()) B = QStringLiteral("Courier");
        const int d = B.indexOf(QLatin1Char('-'));
        if (d >= 0) B = B.left(d);
        Base = QStringLiteral("Courier");
        for (const char* Known : {"Courier", "Helvetica", "Times", "Symbol", "ZapfDingbats"})
            if (B.compare(QLatin1String(Known), Qt::CaseInsensitive) == 0) Base = QLatin1String(Known);
        break;
    }
    if (K.Bold || K.Italic) {
        Base += u'-';
        if (K.Bold) Base += QStringLiteral("Bold");
        if (K.Italic)
            Base += (Base.startsWith(QLatin1String("Helvetica")) || Base.startsWith(QLatin1String("Courier")))
                        ? QStringLiteral("Oblique")
                        : QStringLiteral("Italic");
    }
    return Base;
}

// ---- the run -------------------------------------------------------------------------------------

void TRpPDFDocumentFilter::Start(int PaperWidth, int PaperHeight, TFont* Font) {
    TRpPAbstractExportFilter::Start(PaperWidth, PaperHeight, Font);
    CreateStream(FFilename);
    SetParentReport(dynamic_cast<TRpReport*>(Owner()));
}

void TRpPDFDocumentFilter::CreateStream(const String& FileName) {
    if (!FileName.isEmpty() || FStream) return;
    FStream = New<TMemoryStream>();
    FFreeStream = false;
}

void TRpPDFDocumentFilter::CloseStream() {
    if (FFreeStream && FStream) {
        FStream->Free();
        FStream = nullptr;
    }
}

void TRpPDFDocumentFilter::ComputeFactors() {
    TRpPrinter* P = nullptr;
    if (auto* R = dynamic_cast<TCustomRpReport*>(Owner())) P = R->RpPrinter();
    if (!P) P = OriginalRpPrinter();
    if (P && P->XFactor() > 0 && P->YFactor() > 0) {
        FXFactor = P->XFactor();
        FYFactor = P->YFactor();
    } else {
        FXFactor = FYFactor = ScreenPPI() / 254.0L;
    }
    kx = (1.0L / (FXFactor * 10)) * PointsPerMM;
    ky = (1.0L / (FYFactor * 10)) * PointsPerMM;
    r = FXFactor / (ScreenPPI() / 254.0L);
}

void TRpPDFDocumentFilter::MakePageFiles() {
    ComputeFactors();
    FAdjustTM = 0;
    FAdjustLM = 0;
    ++FPageNumber;
    if (auto* R = dynamic_cast<TCustomRpReport*>(Owner())) {
        FPageWidth = std::round(R->Page()->NativeValue(NativeWidth)) * 0.1L * PointsPerMM;
        FPageHeight = std::round(R->Page()->NativeValue(NativeLength)) * 0.1L * PointsPerMM;
    }
    BeginDocument();
    WritePage();
    FPDF->Page.PageWidth = FPageWidth;
    FPDF->Page.PageHeight = FPageHeight;
    FPDF->HasPage = true;
    if (FPDF->PageCount++ == 0) {
        FPDF->FirstPageWidth = FPageWidth;
        FPDF->FirstPageHeight = FPageHeight;
    }
    FMadeFirstPageFiles = true;
}

void TRpPDFDocumentFilter::ClosePageText() {
    if (!pageInRange() || !FPDF->HasPage) return;
    Line(FPDF->Page.Text, "ET");
}

// The header, the catalog and the outlines, written once the output is open. The catalog names the
// page tree, which is written at the end when all pages are known.
void TRpPDFDocumentFilter::BeginDocument() {
    if (FPDF->Begun) return;
    if (!FFilename.isEmpty()) {
        FPDF->File = NewOwned<TSafeFileStream>(FFilename);
        FPDF->Out = FPDF->File.get();
        FPDF->OutBase = 0;
    } else {
        CreateStream(FFilename);
        FPDF->Out = FStream;
        FPDF->OutBase = FStream->Position();
    }
    FPDF->Begun = true;
    FPDF->Written = 0;
    FPDF->Offsets.clear();
    FPDF->PageCount = 0;
    QByteArray& Doc = FPDF->Buffer;
    Line(Doc, "%PDF-1.3");
    Line(Doc, QByteArray("%\xC5\xAD\x6F\x81"));
    FPDF->BeginObject(1);
    for (const char* L : {"1 0 obj", "<<", "/Type /Catalog", "/Pages 3 0 R", "/Outlines 2 0 R",
                          "/ViewerPreferences << /HideToolbar false /FitWindow true >>", ">>", "endobj"})
        Line(Doc, L);
    FPDF->BeginObject(2);
    for (const char* L : {"2 0 obj", "<<", "/Type /Outlines", "/Count 0", ">>", "endobj"}) Line(Doc, L);
}

// Writes the finished page, its page object and then its content stream, and forgets it.
void TRpPDFDocumentFilter::WritePage() {
    if (!FPDF->HasPage) return;
    TDoc::TPage& Pg = FPDF->Page;
    QByteArray& Doc = FPDF->Buffer;
    const int i = FPDF->PageCount - 1;
    FPDF->BeginObject(2 * i + 4);
    Line(Doc, Int(2 * i + 4) + " 0 obj");
    Line(Doc, "<<");
    Line(Doc, "/Type /Page");
    Line(Doc, "/Parent 3 0 R");
    Line(Doc, "/Contents " + Int(2 * i + 5) + " 0 R");
    Line(Doc, "/MediaBox [0 0 " + Trunc(Pg.PageWidth) + " " + Trunc(Pg.PageHeight) + "]");
    Line(Doc, ">>");
    Line(Doc, "endobj");
    FPDF->BeginObject(2 * i + 5);
    Line(Doc, Int(2 * i + 5) + " 0 obj");
    Line(Doc, "<< /Length " + Int(Pg.Graphics.size() + 4 + Pg.Text.size()) + " >>");
    Line(Doc, "stream");
    if (FTextFirst) {
        Line(Doc, "BT");
        Doc += Pg.Text;
        Doc += Pg.Graphics;
    } else {
        Doc += Pg.Graphics;
        Line(Doc, "BT");
        Doc += Pg.Text;
    }
    Line(Doc, "endstream");
    Line(Doc, "endobj");
    // The blocks keep their room for the next page.
    Pg.Text.resize(0);
    Pg.Graphics.resize(0);
    FPDF->HasPage = false;
    FPDF->FlushSome();
}

void TRpPDFDocumentFilter::NewPage() {
    if (!pageInRange()) return;
    if (FFirstPage) {
        FFirstPage = false;
        return;
    }
    TPDFItemRec Item;
    Item.ItemType = IT_NEWPAGE;
    WriteItem(Item);
}

void TRpPDFDocumentFilter::AddOffsets(TPDFItemRec& Item) {
    Item.XPos += FAdjustLM;
    Item.YPos += FAdjustTM;
}

void TRpPDFDocumentFilter::TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                                   const String& Text) {
    PlaceText(X, Y, Font, Alignment, Text, -1);
}

void TRpPDFDocumentFilter::TextOutMeasured(Extended X, Extended Y, TFont* Font, TColor BGColor,
                                           TAlignment Alignment, const String& Text, int Width) {
    PlaceText(X, Y, Font, Alignment, Text, ScreenPPI() == 96 ? Width : -1);
}

void TRpPDFDocumentFilter::PlaceText(Extended X, Extended Y, TFont* Font, TAlignment Alignment,
                                     const String& Text, int Width) {
    if (!pageInRange() || !Font) return;
    if (!FMadeFirstPageFiles) MakePageFiles();
    TRpPrinter* P = nullptr;
    if (auto* R = dynamic_cast<TCustomRpReport*>(Owner())) P = R->RpPrinter();
    Extended px = P ? P->XPos(X) : std::round(X * FXFactor);
    const Extended py = P ? P->YPos(Y) : std::round(Y * FYFactor);

    // The text measured on the screen (unless its printable did), converted to device units.
    const TFontStyles St = Font->Style();
    const bool Lined = St.Contains(fsUnderline) || St.Contains(fsStrikeOut);
    int w = Width, th = 0;
    if (w < 0 || Lined) {
        if (!FPDF->Measure) {
            FPDF->Measure = NewOwned<TBitmap>();
            FPDF->Measure->SetSize(1, 1);
        }
        TBitmap* Measure = FPDF->Measure.get();
        Measure->Canvas()->Font()->Assign(Font);
        if (w < 0) w = Measure->Canvas()->TextWidth(Text);
        th = Measure->Canvas()->TextHeight(Text);
    }
    const long long c = static_cast<long long>(std::trunc(FXFactor / (ScreenPPI() / 254.0L) * w));
    if (Alignment == taRightJustify)
        px -= c;
    else if (Alignment == taCenter)
        px -= c / 2;

    if (Lined) {
        // One line, at the underline when both are asked for.
        const Extended ly = St.Contains(fsUnderline) ? py + th : py + th / 2;
        TPDFItemRec L;
        L.ItemType = IT_GRAPHIC;
        L.Shape = S_HLINE;
        L.XPos = px * kx;
        L.YPos = ly * ky;
        L.Width = static_cast<long long>(std::trunc(c * 1.05L)) * kx;
        L.Height = 2 * kx;
        L.thickness = std::max(std::abs(Font->Size()) / 12, 1) * kx;
        L.RGBStrokeColor = RGBOf(Font->Color());
        AddOffsets(L);
        WriteItem(L);
    }

    TPDFItemRec Item;
    Item.ItemType = IT_TEXT;
    Item.XPos = px * kx;
    Item.FontSize = std::abs(Font->Size());
    Item.YPos = Item.FontSize + py * ky;
    Item.FText = Text;
    Item.FontName = Font->Name();
    Item.FontCharset = Font->Charset();
    Item.RGBFColor = RGBOf(Font->Color());
    Item.fbold = St.Contains(fsBold);
    Item.fItalic = St.Contains(fsItalic);
    AddOffsets(Item);
    if (FBiDiMode == bdRightToLeft) std::reverse(Item.FText.begin(), Item.FText.end());
    WriteItem(Item);
}

void TRpPDFDocumentFilter::AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) {
    if (!pageInRange() || !GControl) return;
    if (!FMadeFirstPageFiles) MakePageFiles();
    if (auto* Rule = dynamic_cast<TRpHRule*>(GControl)) {
        TPDFItemRec Item;
        Item.ItemType = IT_GRAPHIC;
        Item.Shape = S_HLINE;
        Item.XPos = Xoff * kx;
        Item.YPos = Yoff * ky;
        Item.thickness = Rule->Pen()->Width() * kx;
        Item.RGBStrokeColor = RGBOf(Rule->Pen()->Color());
        Item.Width = Rule->Width() * kx;
        Item.Height = Rule->Height() * kx;
        AddOffsets(Item);
        WriteItem(Item);
        return;
    }
    TRpShapeType Type = rpsRectangle;
    TPen* Pen = nullptr;
    TBrush* Brush = nullptr;
    if (auto* S = dynamic_cast<TRpShape*>(GControl)) {
        Type = S->Shape();
        Pen = S->Pen();
        Brush = S->Brush();
    } else if (auto* PS = dynamic_cast<TRpPDFShape*>(GControl)) {
        Type = PS->ShapeType();
        Pen = PS->Pen();
        Brush = PS->Brush();
    }
    if (Pen && Brush) {
        static const TPDFShapeType Map[] = {S_BOX,       S_CIRCLE,    S_VLINE,    S_HLINE,     S_TOPBOTTOM,
                                            S_LEFTRIGHT, S_BOX,       S_LEFTDIAG, S_RIGHTDIAG};
        TPDFItemRec Item;
        Item.ItemType = IT_GRAPHIC;
        Item.Shape = Map[std::clamp(int(Type), 0, 8)];
        Item.XPos = Xoff * kx;
        Item.YPos = Yoff * ky;
        Item.thickness = Pen->Width() * kx;
        Item.RGBStrokeColor = RGBOf(Pen->Color());
        Item.RGBFColor = RGBOf(Brush->Color());
        Item.Width = GControl->Width() * kx * BGHFactor * r;
        Item.Height = GControl->Height() * kx * r;
        Item.Filled = Brush->Style() != bsClear;
        AddOffsets(Item);
        // A filled shape with a visible pen: the fill, then the outline.
        TPDFItemRec Outline = Item;
        if (Item.Filled) WriteItem(Item);
        if (Pen->Style() != psClear) {
            Outline.Filled = false;
            WriteItem(Outline);
        }
        return;
    }
    CaptureImage(Xoff, Yoff, GControl);
}

void TRpPDFDocumentFilter::CaptureImage(Extended Xoff, Extended Yoff, TControl* GControl) {
    int wd = GControl->Width(), hd = GControl->Height();
    Extended xscale = 1, yscale = 1;
    bool Exact = false;
    TOwned<TBitmap> Bmp = NewOwned<TBitmap>();
    Bmp->SetPixelFormat(pf24bit);
    Bmp->SetSize(std::max(wd, 0), std::max(hd, 0));
    auto Fill = [&] {
        Bmp->Canvas()->Brush()->SetColor(clWhite);
        Bmp->Canvas()->Brush()->SetStyle(bsSolid);
        Bmp->Canvas()->FillRect(TRect(0, 0, Bmp->Width(), Bmp->Height()));
    };
    Fill();

    // Fits a picture of Pw x Ph inside the drawn size, centred on the free side.
    auto FitInside = [&](Extended pw, Extended ph) {
        if (pw / wd >= ph / hd) {
            const int nh = int(std::lround(ph / (pw / wd)));
            Yoff += (hd - nh) / 2;
            hd = nh;
        } else {
            const int nw = int(std::lround(pw / (ph / hd)));
            Xoff += (wd - nw) / 2;
            wd = nw;
        }
    };
    if (auto* Gr = dynamic_cast<TRpGrImage*>(GControl)) {
        TGraphic* G = Gr->Picture()->Graphic();
        if (!G || G->Empty()) return;
        if (Gr->ClipImage())
            Bmp->Canvas()->Draw(0, 0, G);
        else
            Bmp->Canvas()->StretchDraw(TRect(0, 0, Bmp->Width(), Bmp->Height()), G);
    } else if (auto* GrDB = dynamic_cast<TRpGrDBImage*>(GControl)) {
        if (!GrDB->Field()) return;
        GrDB->LoadPicture();
        TGraphic* G = GrDB->Picture()->Graphic();
        // A picture without width or height has no aspect to fit by.
        if (!G || G->Empty() || G->Width() <= 0 || G->Height() <= 0 || wd <= 0 || hd <= 0) return;
        const Extended pw = G->Width(), ph = G->Height(), a = pw / ph;
        if (!GrDB->Stretch()) {
            switch (GrDB->FitMode()) {
                case fmInsideProp: FitInside(pw, ph); break;
                case fmKeepWidth: hd = int(std::trunc(wd / a)); break;
                case fmKeepHeight: wd = int(std::trunc(hd * a)); break;
                case fmProportional:
                    if (pw / wd >= ph / hd)
                        wd = int(std::trunc(hd * a));
                    else
                        hd = int(std::trunc(wd / a));
                    break;
            }
        }
        if (GrDB->ClipImage()) {
            Bmp->Canvas()->Draw(0, 0, G);
        } else {
            Bmp->SetSize(G->Width(), G->Height());
            Fill();
            Bmp->Canvas()->Draw(0, 0, G);
        }
    } else if (auto* Img = dynamic_cast<TRpImage*>(GControl)) {
        TGraphic* G = Img->Picture()->Graphic();
        if (!G || G->Empty()) return;  // a picture without pixels has nothing to show
        if (Img->Tag() == 999) {
            Bmp->SetSize(G->Width(), G->Height());
            Fill();
            Bmp->Canvas()->Draw(0, 0, G);
            xscale = Extended(wd) / Bmp->Width();
            yscale = Extended(hd) / Bmp->Height();
            Exact = true;
        } else if (Img->Stretch()) {
            Bmp->Canvas()->StretchDraw(TRect(0, 0, Bmp->Width(), Bmp->Height()), G);
        } else if (Img->Tag() == 12345) {
            // A picture kept at the default printer's resolution; without a printer, the screen's.
            int Dpi = ScreenPPI();
            try {
                TPrinter* Pr = Printer();
                if (Pr->Printers()->Count() > 0 && Pr->Handle()) Dpi = Pr->Handle()->LogPixelsX();
            } catch (const Exception&) {
            }
            if (Dpi <= 0) Dpi = ScreenPPI();
            const Extended s = Extended(ScreenPPI()) / Dpi;
            xscale = yscale = s;
            hd = int(std::lround(hd * s));
            Bmp->Canvas()->Draw(0, 0, G);
            Exact = true;
        } else {
            Bmp->Canvas()->Draw(0, 0, G);
        }
    } else if (auto* DB = dynamic_cast<TRpDBImage*>(GControl)) {
        if (!DB->Field()) return;
        DB->LoadPicture();
        TGraphic* G = DB->Picture()->Graphic();
        if (!G || G->Empty() || G->Width() <= 0 || G->Height() <= 0 || wd <= 0 || hd <= 0) return;
        // The picture's own pixels, shown over the control (stretched) or fitted inside it with its
        // aspect kept and centred; drawing it unscaled into a control-sized bitmap would squash it
        // into the fitted size.
        if (!DB->Stretch()) FitInside(G->Width(), G->Height());
        Bmp->SetSize(G->Width(), G->Height());
        Fill();
        Bmp->Canvas()->Draw(0, 0, G);
    }
    if (Bmp->Width() <= 0 || Bmp->Height() <= 0 || wd <= 0 || hd <= 0) return;

    // RGB bytes, row by row from the top.
    const QImage Pixels = Bmp->Image().convertToFormat(QImage::Format_RGB888);
    QByteArray Raw;
    Raw.reserve(qsizetype(Pixels.width()) * Pixels.height() * 3);
    for (int y = 0; y < Pixels.height(); ++y)
        Raw.append(reinterpret_cast<const char*>(Pixels.constScanLine(y)), qsizetype(Pixels.width()) * 3);

    TPDFItemRec Item;
    Item.ItemType = IT_IMAGE;
    if (FPDFCompressionOn) {
        Raw = LZWEncode(Raw);
        Item.ImageFilter = QStringLiteral("/ASCII85Decode /LZWDecode");
    } else {
        Item.ImageFilter = QStringLiteral("/ASCII85Decode");
    }
    Item.imgstr = ASCII85Encode(Raw);
    Item.XPos = Xoff * kx;
    Item.YPos = (Yoff + hd * r) * ky;
    Item.Width = Bmp->Width() * kx;
    Item.Height = Bmp->Height() * kx;
    if (!Exact) {
        xscale = Extended(wd) / Bmp->Width() * r;
        yscale = Extended(hd) / Bmp->Height() * r;
    }
    Item.xscale = xscale;
    Item.yscale = yscale;
    Item.pixelWidth = Bmp->Width();
    Item.pixelHeight = Bmp->Height();
    AddOffsets(Item);
    WriteItem(Item);
}

// ---- page items ----------------------------------------------------------------------------------

void TRpPDFDocumentFilter::WriteItem(TPDFItemRec& Item) {
    if (Item.ItemType == IT_INVALID) throw ERpError(QStringLiteral("Internal error: IT_INVALID"));
    if (!FMadeFirstPageFiles) MakePageFiles();
    Item.YPos = FPageHeight - Item.YPos;
    switch (Item.ItemType) {
        case IT_NEWPAGE:
            ClosePageText();
            MakePageFiles();
            break;
        case IT_TEXT: WriteText(Item); break;
        case IT_GRAPHIC: WriteGraphic(Item); break;
        case IT_IMAGE: WriteImage(Item); break;
        default: break;
    }
}

void TRpPDFDocumentFilter::WriteText(TPDFItemRec& Item) {
    const int CodePage = RunCodePage(Item.FontCharset, Item.FText);
    const String Key = FontKey(Item.FontName, Item.fbold, Item.fItalic, CodePageCharset(CodePage));
    int n = -1;
    for (int i = 0; i < FReportFonts->Count(); ++i)
        if (FReportFonts->Strings(i).compare(Key, Qt::CaseInsensitive) == 0) {
            n = i;
            break;
        }
    if (n < 0) {
        n = FReportFonts->Add(Key);
        FPDF->FontCodePages.push_back(CodePage);
    }
    QByteArray& T = FPDF->Page.Text;
    Line(T, ColorText(Item.RGBFColor) + " rg");
    Line(T, "/" + FontRes(n) + " " + Int(Item.FontSize) + " Tf");
    Line(T, " 1 0 0 1 " + Trunc(Item.XPos) + " " + Trunc(Item.YPos) + " Tm (" +
                EscapeBytes(StringToCodePage(Item.FText, CodePage), CodePage) + ") Tj");
}

void TRpPDFDocumentFilter::WriteGraphic(TPDFItemRec& Item) {
    QByteArray& G = FPDF->Page.Graphics;
    const Extended X = Item.XPos, Y = Item.YPos, W = Item.Width, H = Item.Height;
    auto Seg = [&G](Extended x1, Extended y1, Extended x2, Extended y2) {
        Line(G, Trunc(x1) + " " + Trunc(y1) + " m " + Trunc(x2) + " " + Trunc(y2) + " l s");
    };
    const QByteArray Stroke = ColorText(Item.RGBStrokeColor) + " RG";
    const QByteArray Thick = Fixed(Item.thickness, 0, 2) + " w";
    switch (Item.Shape) {
        case S_BOX: {
            Line(G, Fixed(Item.thickness, 2) + " w");
            Line(G, Item.Filled ? ColorText(Item.RGBFColor) + " rg" : Stroke);
            Line(G, Trunc(X) + " " + Trunc(Y - H) + " " + Trunc(W) + " " + Trunc(H) + " re " +
                        (Item.Filled ? "f" : "s"));
            break;
        }
        case S_CIRCLE: {
            Line(G, Thick);
            Line(G, Item.Filled ? ColorText(Item.RGBFColor) + " rg" : Stroke);
            const Extended rx = W / 2, ry = H / 2, k = 0.55229L;
            Line(G, Fixed(X + rx, 1, 6) + " " + Fixed(Y, 1, 6) + " m");
            auto Curve = [&G](Extended x1, Extended y1, Extended x2, Extended y2, Extended d, Extended c,
                              const QByteArray& Tail) {
                QByteArray S;
                for (Extended v : {x1, y1, x2, y2, d, c}) S += " " + Fixed(v, 1, 6) + " ";
                Line(G, S.trimmed() + " c" + Tail);
            };
            Extended a = X + rx, b = Y, d = X + W, c = Y - ry;
            Curve(a + k * rx, b, d, c + k * ry, d, c, "");
            a = d, b = c, d = X + rx, c = Y - H;
            Curve(a, b - k * ry, d + k * rx, c, d, c, "");
            a = d, b = c, d = X, c = Y - ry;
            Curve(a - k * rx, b, d, c - k * ry, d, c, "");
            a = d, b = c, d = X + rx, c = Y;
            Curve(a, b + k * ry, d - k * rx, c, d, c, Item.Filled ? " f" : " s");
            break;
        }
        case S_HLINE:
            Line(G, Thick);
            Line(G, Stroke);
            Seg(X, Y - H / 2, X + W, Y - H / 2);
            break;
        case S_VLINE:
            Line(G, Thick);
            Line(G, Stroke);
            Seg(X + W / 2, Y - H, X + W / 2, Y);
            break;
        case S_TOPBOTTOM:
            Line(G, Thick);
            Line(G, Stroke);
            Seg(X, Y, X + W, Y);
            Seg(X, Y - H, X + W, Y - H);
            break;
        case S_LEFTRIGHT:
            Line(G, Thick);
            Line(G, Stroke);
            Seg(X, Y - H, X, Y);
            Seg(X + W, Y - H, X + W, Y);
            break;
        case S_RIGHTDIAG:
            Line(G, Thick);
            Line(G, Stroke);
            Seg(X, Y, X + W, Y - H);
            break;
        case S_LEFTDIAG:
            Line(G, Thick);
            Line(G, Stroke);
            Seg(X, Y - H, X + W, Y);
            break;
        case S_OBLIQUE: break;
    }
}

void TRpPDFDocumentFilter::WriteImage(TPDFItemRec& Item) {
    QByteArray& G = FPDF->Page.Graphics;
    Line(G, "q " + Trunc(Item.Width * Item.xscale) + " 0 0 " + Trunc(Item.Height * Item.yscale) + " " +
                Trunc(Item.XPos) + " " + Trunc(Item.YPos) + " cm");
    Line(G, "BI");
    Line(G, "/Width " + Int(Item.pixelWidth));
    Line(G, "/Height " + Int(Item.pixelHeight));
    Line(G, "/BitsPerComponent 8");
    Line(G, "/ColorSpace /DeviceRGB");
    Line(G, "/Filter [" + Item.ImageFilter.toLatin1() + "]");
    Line(G, "ID");
    Line(G, Item.imgstr);
    Line(G, "EI");
    Line(G, "Q");
    Item.imgstr.clear();
}

// ---- the document --------------------------------------------------------------------------------

void TRpPDFDocumentFilter::Finish() {
    FReportFinished = true;
    if (FPDFConcatenating) return;
    try {
        if (!FMadeFirstPageFiles) MakePageFiles();
        ClosePageText();
        WritePage();
        WriteDocumentEnd();
        FPDF->Flush();
        if (FPDF->File) {
            FPDF->File->Commit();
            FPDF->File.reset();
        }
        FPDF->Out = nullptr;
        FPDF->Begun = false;
    } catch (...) {
        FPDF->Discard();
        throw;
    }
    CloseStream();
    TRpPAbstractExportFilter::Finish();
}

void TRpPDFDocumentFilter::EndConcat() {
    FPDFConcatenating = false;
    Finish();
}

// The page tree, the fonts, the document information and the procedure set, then the
// cross-reference table by object number and the trailer.
void TRpPDFDocumentFilter::WriteDocumentEnd() {
    QByteArray& Doc = FPDF->Buffer;
    auto Entry = [this](int Number) { FPDF->BeginObject(Number); };
    const int PageCount = FPDF->PageCount;

    // The fonts' object numbers, which the page tree's resources name.
    const int FirstFont = 2 * PageCount + 4;
    // A face in one style is one installed file, loaded once and embedded once: the resources of
    // its code pages (each with its own widths and encoding) share the file's stream object.
    std::vector<int> FontObjects;
    std::vector<bool> FontEmbedded, FontBase14;
    std::vector<std::unique_ptr<TFontFile>> LoadedFiles;
    std::vector<const TFontFile*> FontFiles;
    std::vector<int> FileObjects;    // per resource: the embedded file's stream object, or 0
    std::vector<bool> WritesFile;    // per resource: the file's objects follow this resource's
    std::map<std::tuple<String, bool, bool>, std::pair<const TFontFile*, int>> FileByFace;
    int Next = FirstFont;
    for (int i = 0; i < FReportFonts->Count(); ++i) {
        const TKeyParts K = SplitKey(FReportFonts->Strings(i));
        const int CodePage = FPDF->FontCodePages[size_t(i)];
        FontObjects.push_back(Next);
        const bool Base14 = FFontHandling == fhSubstitute && CodePage == 1252;
        FontBase14.push_back(Base14);
        if (Base14) {
            FontEmbedded.push_back(false);
            FontFiles.push_back(nullptr);
            FileObjects.push_back(0);
            WritesFile.push_back(false);
            ++Next;
            continue;
        }
        const auto Face = std::make_tuple(K.Name.toLower(), K.Bold, K.Italic);
        auto Known = FileByFace.find(Face);
        if (Known == FileByFace.end()) {
            auto File = std::make_unique<TFontFile>();
            if (!File->Load(K.Name, K.Bold, K.Italic))
                throw ERangeError(QStringLiteral("Font widths for \"%1\" not obtainable (%2)")
                                      .arg(K.Name, QStringLiteral("no installed font file")));
            Known = FileByFace.emplace(Face, std::make_pair(File.get(), 0)).first;
            LoadedFiles.push_back(std::move(File));
        }
        const TFontFile* File = Known->second.first;
        bool Embed = FFontHandling == fhAutoEmbed || FFontHandling == fhSubstitute;
        for (int e = 0; e < FEmbedFonts->Count(); ++e)
            if (FEmbedFonts->Strings(e).compare(K.Name, Qt::CaseInsensitive) == 0) Embed = true;
        Embed = Embed && File->IsTrueType();
        FontEmbedded.push_back(Embed);
        FontFiles.push_back(File);
        Next += 2;
        const bool FirstOfFile = Embed && Known->second.second == 0;
        if (FirstOfFile) {
            Known->second.second = Next;
            Next += 2;
        }
        FileObjects.push_back(Embed ? Known->second.second : 0);
        WritesFile.push_back(FirstOfFile);
    }
    const int InfoObject = Next, ProcSetObject = Next + 1;

    Entry(3);
    Line(Doc, "3 0 obj");
    Line(Doc, "<<");
    Line(Doc, "/Type /Pages");
    Line(Doc, "/Count " + Int(PageCount));
    Doc += "/Kids [";
    for (int i = 0; i < PageCount; ++i) {
        if (i) Doc += ' ';
        Doc += Int(2 * i + 4) + " 0 R";
        FPDF->FlushSome();
    }
    Line(Doc, "]");
    Line(Doc, "/MediaBox [0 0 " + Trunc(FPDF->FirstPageWidth) + " " + Trunc(FPDF->FirstPageHeight) + "]");
    Line(Doc, "/Resources << ");
    Line(Doc, "/Font << ");
    for (int i = 0; i < FReportFonts->Count(); ++i)
        Line(Doc, "  /" + FontRes(i) + " " + Int(FontObjects[size_t(i)]) + " 0 R ");
    Line(Doc, "  >>");
    Line(Doc, "/ProcSet " + Int(ProcSetObject) + " 0 R");
    Line(Doc, ">>");
    Line(Doc, ">>");
    Line(Doc, "endobj");

    for (int i = 0; i < FReportFonts->Count(); ++i) {
        const int m = FontObjects[size_t(i)];
        const String Key = FReportFonts->Strings(i);
        if (FontBase14[size_t(i)]) {
            Entry(m);
            Line(Doc, Int(m) + " 0 obj");
            Line(Doc, "<<");
            Line(Doc, "/Type /Font");
            Line(Doc, "/Subtype /Type1");
            Line(Doc, "/Name /" + FontRes(i));
            Line(Doc, "/BaseFont /" + Base14Name(Key).toLatin1());
            Line(Doc, "/Encoding /WinAnsiEncoding");
            Line(Doc, ">>");
            Line(Doc, "endobj");
            continue;
        }
        const TKeyParts K = SplitKey(Key);
        const TFontFile& F = *FontFiles[size_t(i)];
        const int CodePage = FPDF->FontCodePages[size_t(i)];
        // Widths of the codes 0..255 in thousandths of the em.
        std::vector<int> Widths(256, 0);
        if (FCustomWidths->KeyExists(K.BaseName)) {
            const QStringList T = FCustomWidths->Value(K.BaseName).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (T.size() < 256)
                throw ERangeError(QStringLiteral("Not enough Custom widths (%1 < 256) for font \"%2\"  ")
                                      .arg(T.size())
                                      .arg(Key));
            for (int c = 0; c < 256; ++c) Widths[size_t(c)] = StrToInt(T[c]);
        } else {
            QByteArray Codes(256, 0);
            for (int c = 0; c < 256; ++c) Codes[c] = char(c);
            const String Chars = CodePageToString(Codes, CodePage);
            for (int c = 32; c < 256; ++c) Widths[size_t(c)] = F.CharWidth(Chars[c].unicode());
        }
        QByteArray Encoding;
        if (FCustomEncodings->KeyExists(K.BaseName)) {
            Encoding = " <</Type/Encoding /Differences [ " + FCustomEncodings->Value(K.BaseName).toLatin1() + " ]>>";
        } else {
            QByteArray Codes(254, 0);
            for (int c = 2; c < 256; ++c) Codes[c - 2] = char(c);
            const String Chars = CodePageToString(Codes, CodePage);
            Encoding = " <</Type/Encoding /Differences [ 2 ";
            for (QChar ch : Chars) {
                const char* N = PDFGlyphName(ch.unicode());
                Encoding += '/';
                Encoding += *N ? N : "space";
            }
            Encoding += "]>>";
        }
        Entry(m);
        Line(Doc, Int(m) + " 0 obj");
        Line(Doc, "<<");
        Line(Doc, "/Type /Font");
        Line(Doc, "/Subtype /TrueType");
        Line(Doc, "/Name /" + FontRes(i));
        Line(Doc, "/BaseFont /" + K.BaseName.toLatin1());
        Line(Doc, "/FirstChar 0");
        Line(Doc, "/LastChar 255");
        Line(Doc, "/Widths [ ");
        QByteArray WL;
        for (int w : Widths) WL += Int(w) + " ";
        Line(Doc, WL + " ]");
        Line(Doc, "/Encoding " + Encoding);
        Line(Doc, "/FontDescriptor " + Int(m + 1) + " 0 R");
        Line(Doc, ">>");
        Line(Doc, "endobj");

        // The flags by the font's family class: an unclassified face is an ordinary text face
        // (non-symbolic), since its encoding names every glyph it shows.
        int Flags = 34;
        switch (F.FamilyClass()) {
            case 0: Flags = 32; break;
            case 8: Flags = 32; break;
            case 10: Flags = 40; break;
            case 12: Flags = 4; break;
        }
        const bool Embed = FontEmbedded[size_t(i)];
        Entry(m + 1);
        Line(Doc, Int(m + 1) + " 0 obj");
        Line(Doc, "<<");
        Line(Doc, "/Type /FontDescriptor");
        Line(Doc, "/Ascent " + Int(F.Ascent()));
        Line(Doc, "/Descent " + Int(F.Descent()));
        Line(Doc, "/CapHeight " + Int(F.CapHeight()));
        Line(Doc, "/Flags " + Int(Flags));
        Line(Doc, "/FontBBox [ " + Int(F.BBox()[0]) + " " + Int(F.BBox()[1]) + " " + Int(F.BBox()[2]) + " " +
                      Int(F.BBox()[3]) + " ]");
        Line(Doc, "/FontName /" + FontRes(i));
        Line(Doc, "/ItalicAngle " + Fixed(F.ItalicAngle(), 0));
        Line(Doc, "/StemV " + Int(K.Bold ? 120 : 80));
        if (Embed) Line(Doc, "/FontFile2 " + Int(FileObjects[size_t(i)]) + " 0 R");
        Line(Doc, ">>");
        Line(Doc, "endobj");
        if (WritesFile[size_t(i)]) {
            Entry(m + 2);
            Line(Doc, Int(m + 2) + " 0 obj");
            Line(Doc, "<<");
            Line(Doc, "/Length " + Int(m + 3) + " 0 R /Length1 " + Int(m + 3) + " 0 R ");
            Line(Doc, ">>");
            Line(Doc, "stream");
            Doc += F.Data();
            Line(Doc, "\r\nendstream");
            Line(Doc, "endobj");
            Entry(m + 3);
            Line(Doc, Int(m + 3) + " 0 obj");
            Line(Doc, "   " + Int(F.Data().size()));
            Line(Doc, "endobj");
        }
        FPDF->FlushSome();
    }

    Entry(InfoObject);
    Line(Doc, Int(InfoObject) + " 0 obj");
    Line(Doc, "<<");
    if (!GSuppressDateTime) {
        Word Y, Mo, D, H, Mi, S, Ms;
        DecodeDateTime(Now(), Y, Mo, D, H, Mi, S, Ms);
        Line(Doc, "/CreationDate " + InfoString(QString::asprintf("D:%04d%02d%02d%02d%02d%02d", Y, Mo, D, H, Mi, S)));
    }
    Line(Doc, "/Producer (Raport PDF Export)");
    Line(Doc, "/Subject " + InfoString(FDocSubject + u' '));
    Line(Doc, "/Creator " + InfoString(FDocCreator));
    Line(Doc, "/Title " + InfoString(FDocTitle));
    Line(Doc, "/Author " + InfoString(FDocAuthor));
    for (int i = 0; i < GMetaData()->Count(); ++i) {
        const QStringList P = GMetaData()->Strings(i).split(QLatin1Char(','));
        if (P.size() != 2) continue;
        const String Key = P[0].trimmed(), Value = P[1].trimmed();
        if (Key.isEmpty() || Value.isEmpty()) continue;
        // A key is a name: only its plain characters are kept.
        QByteArray Name;
        for (QChar c : Key)
            if (c.unicode() > 32 && c.unicode() < 127 && !QByteArray("()<>[]{}/%#").contains(char(c.unicode())))
                Name += char(c.unicode());
        if (Name.isEmpty()) continue;
        Line(Doc, "/" + Name + InfoString(Value));
    }
    Line(Doc, ">>");
    Line(Doc, "endobj");
    Entry(ProcSetObject);
    Line(Doc, Int(ProcSetObject) + " 0 obj");
    Line(Doc, "[/PDF /Text]");
    Line(Doc, "endobj");

    // Every number up to the procedure set is an object written above.
    const std::vector<Int64>& XRef = FPDF->Offsets;
    const int Size = ProcSetObject + 1;
    for (int n = 1; n < Size; ++n)
        if (size_t(n) >= XRef.size() || XRef[size_t(n)] < 0)
            throw ERpError(QStringLiteral("Internal error: PDF object %1 not written").arg(n));
    const Int64 XRefAt = FPDF->Position();
    Line(Doc, "xref");
    Line(Doc, "0 " + Int(Size));
    Line(Doc, "0000000000 65535 f");
    for (int n = 1; n < Size; ++n) {
        Line(Doc, QByteArray::number(XRef[size_t(n)]).rightJustified(10, '0') + " 00000 n");
        FPDF->FlushSome();
    }
    Line(Doc, "trailer");
    Line(Doc, "<<");
    Line(Doc, "/Size " + Int(Size));
    Line(Doc, "/Root 1 0 R");
    Line(Doc, "/Info " + Int(InfoObject) + " 0 R");
    Line(Doc, ">>");
    Line(Doc, "startxref");
    Line(Doc, Int(XRefAt));
    Line(Doc, "%%EOF");
}

// ---- stored pages as a document ------------------------------------------------------------------

void RpPDFExportMetafile(TRpPrinter* Printer, const String& FileName, int FromPage, int ToPage) {
    TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(FileName);
    // The pages are drawn already: no report drives the run, so no page range applies, and the
    // paper is the printer's.
    F->SetOriginalRpPrinter(Printer);
    F->Start(Printer->PaperWidthValue(), Printer->PaperLengthValue(), nullptr);
    F->SetPageParams(Printer->PaperWidthValue() * 0.1L * PointsPerMM, Printer->PaperLengthValue() * 0.1L * PointsPerMM,
                     0, 0, 0);
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* Image = New<TRpImage>(Root.get());
    Image->SetStretch(true);
    for (int i = std::max(FromPage, 1); i <= ToPage; ++i) {
        TOwned<TMetafile> Page(Printer->GetPage(i));
        if (!Page) break;
        // Each page begins with NewPage, as in a report run: the first one opens the document's
        // first page, every later one breaks to a new page.
        F->NewPage();
        // The page drawn at its size on white, as a bitmap picture of the image.
        TOwned<TBitmap> Pixels = NewOwned<TBitmap>();
        Pixels->SetPixelFormat(pf24bit);
        Pixels->SetSize(Page->Width(), Page->Height());
        Pixels->Canvas()->StretchDraw(TRect(0, 0, Page->Width(), Page->Height()), Page.get());
        Image->Picture()->SetGraphic(Pixels.get());
        Image->SetBounds(0, 0, Page->Width(), Page->Height());
        F->AcceptGraphic(0, 0, Image);
    }
    F->Finish();
}
