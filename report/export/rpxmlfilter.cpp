#include "report/export/rpxmlfilter.h"

#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/graphics.h"
#include "platform/gui/imaging.h"
#include "platform/gui/rtf.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/rpgrimage.h"
#include "report/rplabels.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"
#include "report/rptypes.h"

#include <QFile>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

TTextEncoding GTextEncoding = UTF8Encoding;

constexpr int ImageBytesPerLine = 2048;

// Numbers are written with "." whatever the format settings, so the document reads the same
// everywhere.
String F42(Extended V) { return String::asprintf("%-4.2f", double(V)); }
String F62(Extended V) { return String::asprintf("%6.2f", double(V)); }
String F63(Extended V) { return String::asprintf("%6.3f", double(V)); }

String ColorText(TColor C) {
    const COLORREF Rgb = ColorToRGB(C);
    return String::asprintf("#%02X%02X%02X", unsigned(Rgb & 0xFF), unsigned((Rgb >> 8) & 0xFF),
                            unsigned((Rgb >> 16) & 0xFF));
}

// Characters that XML 1.0 allows in a document.
bool XmlChar(char32_t U) {
    return U == 0x9 || U == 0xA || U == 0xD || (U >= 0x20 && U <= 0xD7FF) || (U >= 0xE000 && U <= 0xFFFD) ||
           (U >= 0x10000 && U <= 0x10FFFF);
}

// Escapes element text and attribute values; characters XML cannot carry at all (control
// characters, unpaired surrogates) are left out.
String Escape(const String& S) {
    String R;
    R.reserve(S.size() + 8);
    for (qsizetype i = 0; i < S.size(); ++i) {
        const QChar C = S[i];
        if (C.isHighSurrogate() && i + 1 < S.size() && S[i + 1].isLowSurrogate()) {
            R += C;
            R += S[++i];
            continue;
        }
        if (C.isSurrogate() || !XmlChar(C.unicode())) continue;
        switch (C.unicode()) {
            case u'&': R += u"&amp;"_s; break;
            case u'<': R += u"&lt;"_s; break;
            case u'>': R += u"&gt;"_s; break;
            case u'\'': R += u"&apos;"_s; break;
            case u'"': R += u"&quot;"_s; break;
            default: R += C;
        }
    }
    return R;
}

int ScreenPpi() { return Screen && Screen->PixelsPerInch() > 0 ? Screen->PixelsPerInch() : 96; }

Extended PixelsToMM(Extended Pixels) { return Pixels * 25.4L / ScreenPpi(); }

QByteArray Utf7(const String& Text) {
    static const char B64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto Direct = [](char16_t C) {
        if (C >= 0x80) return false;
        if ((C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z') || (C >= u'0' && C <= u'9')) return true;
        return String(u"'(),-./:? \t\r\n!\"#$%&*;<=>@[]^_`{|}"_s).contains(QChar(C));
    };
    QByteArray Out;
    qsizetype i = 0;
    while (i < Text.size()) {
        const char16_t C = Text[i].unicode();
        if (C == u'+') {
            Out += "+-";
            ++i;
        } else if (Direct(C)) {
            Out += char(C);
            ++i;
        } else {
            Out += '+';
            uint32_t Bits = 0;
            int Count = 0;
            while (i < Text.size() && Text[i].unicode() != u'+' && !Direct(Text[i].unicode())) {
                Bits = (Bits << 16) | Text[i].unicode();
                Count += 16;
                while (Count >= 6) {
                    Count -= 6;
                    Out += B64[(Bits >> Count) & 0x3F];
                }
                Bits &= (1u << Count) - 1;
                ++i;
            }
            if (Count > 0) Out += B64[(Bits << (6 - Count)) & 0x3F];
            Out += '-';
        }
    }
    return Out;
}

// Single-byte code pages: what the page cannot hold becomes a character reference.
QByteArray SingleByte(const String& Text, int CodePage) {
    QByteArray Out;
    Out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar C = Text[i];
        if (C.unicode() < 0x80) {
            Out += char(C.unicode());
            continue;
        }
        char32_t U = C.unicode();
        if (C.isHighSurrogate() && i + 1 < Text.size() && Text[i + 1].isLowSurrogate()) {
            U = QChar::surrogateToUcs4(C, Text[i + 1]);
            ++i;
        } else if (CodePage != 0) {
            const QByteArray B = StringToCodePage(String(C), CodePage);
            if (B.size() == 1 && CodePageToString(B, CodePage) == String(C)) {
                Out += B;
                continue;
            }
        }
        Out += "&#" + QByteArray::number(quint32(U)) + ';';
    }
    return Out;
}

// A picture from a field: without Stretch fitted proportionally into the control-sized bitmap from
// its top-left corner (WD or HD shrink to the fitted size); with Stretch the bitmap becomes a
// copy of the picture (WD, HD its size).
void DrawFieldPicture(TBitmap& Bmp, TGraphic* G, bool Stretch, Extended& WD, Extended& HD) {
    if (!G || G->Empty()) return;
    const Extended PW = G->Width(), PH = G->Height();
    if (!Stretch) {
        if (PW / WD >= PH / HD) HD = Round(PH / (PW / WD));
        else WD = Round(PW / (PH / HD));
        Bmp.Canvas()->StretchDraw(TRect(0, 0, int(WD), int(HD)), G);
    } else {
        Bmp.SetSize(G->Width(), G->Height());
        Bmp.Canvas()->Draw(0, 0, G);
        WD = G->Width();
        HD = G->Height();
    }
}

TRpPrinter* OwnerPrinter(TComponent* Owner) {
    if (auto* R = dynamic_cast<TCustomRpReport*>(Owner)) return R->RpPrinter();
    return nullptr;
}

}  // namespace

String RpXEncodingName(TTextEncoding Encoding) {
    switch (Encoding) {
        case AnsiEncoding: return u"windows-1252"_s;
        case ASCIIEncoding: return u"US-ASCII"_s;
        case BigEndianUnicodeEncoding:
        case UnicodeEncoding: return u"UTF-16"_s;
        case DefaultEncoding: return u"windows-1251"_s;
        case UTF7Encoding: return u"UTF-7"_s;
        case UTF8Encoding: break;
    }
    return u"UTF-8"_s;
}

QByteArray RpXEncodeDocument(const String& Text, TTextEncoding Encoding) {
    switch (Encoding) {
        case AnsiEncoding: return SingleByte(Text, 1252);
        case ASCIIEncoding: return SingleByte(Text, 0);
        case DefaultEncoding: return SingleByte(Text, 1251);
        case UTF7Encoding: return Utf7(Text);
        case UnicodeEncoding: {
            QByteArray Out("\xFF\xFE", 2);
            for (QChar C : Text) Out += char(C.unicode() & 0xFF), Out += char(C.unicode() >> 8);
            return Out;
        }
        case BigEndianUnicodeEncoding: {
            QByteArray Out("\xFE\xFF", 2);
            for (QChar C : Text) Out += char(C.unicode() >> 8), Out += char(C.unicode() & 0xFF);
            return Out;
        }
        case UTF8Encoding: break;
    }
    return QByteArray("\xEF\xBB\xBF", 3) + Text.toUtf8();
}

// ---- TRpXAbstractExportFilter ---------------------------------------------------------------------

TRpXAbstractExportFilter::TRpXAbstractExportFilter(const String& AFilename) : TRpExportFilter(AFilename) {}

TRpXAbstractExportFilter::~TRpXAbstractExportFilter() = default;

void TRpXAbstractExportFilter::Start(int PaperWidth, int PaperHeight, TFont* Font) {
    CreateStream(FFilename);
    FFont = NewOwned<TFont>();
    if (Font) FFont->Assign(Font);
    FActiveFont = NewOwned<TFont>();
    FCharWidth = FFont->Size() * 3.5277777777777777778L;
    FCharHeight = FCharWidth;
    FPaperWidth = PaperWidth;
    FPaperHeight = PaperHeight;
    FLineCount = FCharHeight > 0 ? int(Round(FPaperHeight / FCharHeight)) : 0;
    FPageProcessed = false;
    TRpExportFilter::Start(PaperWidth, PaperHeight, Font);
}

void TRpXAbstractExportFilter::NewPage() {
    FPageProcessed = false;
    FActiveFont = NewOwned<TFont>();
}

void TRpXAbstractExportFilter::EndPage() { ProcessPage(); }

void TRpXAbstractExportFilter::Finish() {
    FFont.reset();
    FActiveFont.reset();
    CloseStream();
    TRpExportFilter::Finish();
}

void TRpXAbstractExportFilter::CreateStream(const String& FileName) {
    FStream.reset(New<TSafeFileStream>(FileName));
}

void TRpXAbstractExportFilter::CloseStream() {
    // A file replaces the old one only when finished; freed unfinished, it leaves the old one be.
    if (auto* file = dynamic_cast<TSafeFileStream*>(FStream.get())) file->Commit();
    FStream.reset();
}

void TRpXAbstractExportFilter::ProcessPage() {
    FPageProcessed = true;
    StorePage();
}

void TRpXAbstractExportFilter::AddLine(const String& S) {
    if (!S.isEmpty()) finalDoc->Add(S);
}

// ---- TRpXDocumentFilter ---------------------------------------------------------------------------

TTextEncoding TRpXDocumentFilter::TextEncoding() { return GTextEncoding; }
void TRpXDocumentFilter::SetTextEncoding(TTextEncoding Value) { GTextEncoding = Value; }

TRpXDocumentFilter::TRpXDocumentFilter(const String& AFilename)
    : TRpXAbstractExportFilter(AFilename), Creator(u"RpXDocumentFilter"_s), DocDate(DateToStr(Date())),
      Orientation(u"Portrait"_s) {}

TRpXDocumentFilter::~TRpXDocumentFilter() = default;

void TRpXDocumentFilter::CreateStream(const String&) { FStream.reset(New<TMemoryStream>()); }

void TRpXDocumentFilter::SetDocumentProperties(const String& AAuthor, const String& ATitle, const String& ACopyright) {
    Author = AAuthor;
    Title = ATitle;
    Copyright = ACopyright;
}

void TRpXDocumentFilter::LoadDTD(TStringList* dlist) {
    static const char* const Dtd[] = {
        "<!DOCTYPE RpXDocument [",
        "<!ELEMENT RpXDocument (Header, Page*)>",
        "<!ELEMENT Header (Title*, DocType*, Creator*, Author*, Date*, Copyright*, Orientation*)>",
        "<!ELEMENT DocType (#PCDATA)>",
        "<!ELEMENT Title (#PCDATA)>",
        "<!ELEMENT Creator (#PCDATA)>",
        "<!ELEMENT Author (#PCDATA)>",
        "<!ELEMENT Date (#PCDATA)>",
        "<!ELEMENT Copyright (#PCDATA)>",
        "<!ELEMENT Orientation (#PCDATA)>",
        "<!ELEMENT Page (Item*)>",
        "<!ELEMENT Item (#PCDATA)>",
        "<!ELEMENT Contents (#PCDATA)>",
        "<!ATTLIST Header Units CDATA \"mm\">",
        "<!ATTLIST Header Pagewidth CDATA \"210\">",
        "<!ATTLIST Header Pageheight CDATA \"297\">",
        "<!ATTLIST Header PaperName CDATA \"A4\">",
        "<!ATTLIST Header Layers CDATA \"3\">",
        "<!ATTLIST Item Type CDATA \"Text\">",
        "<!ATTLIST Item X CDATA \"0\">",
        "<!ATTLIST Item Y CDATA \"0\">",
        "<!ATTLIST Item Font CDATA \"Arial\">",
        "<!ATTLIST Item Height CDATA \"12\">",
        "<!ATTLIST Item Color CDATA \"#000000\">",
        "<!ATTLIST Item BC CDATA \"#FFFFFF\">",
        "<!ATTLIST Item FW CDATA \"Normal\">",
        "<!ATTLIST Item FR CDATA \"0\">",
        "<!ATTLIST Item Dec CDATA \"None\">",
        "<!ATTLIST Item Width CDATA \"1\">",
        "<!ATTLIST Item SP CDATA \"0\">",
        "<!ATTLIST Item CID CDATA \"000000\">",
        "<!ATTLIST Item DBR CDATA \"0\">",
        "<!-- 0=rect, 1=ellipse, 2=hline,3=vline,4=roundrect,5=rightdiag,6=leftdiag-->",
        "<!ATTLIST Item LW CDATA \"1\">",
        "<!ATTLIST Item FT CDATA \"0\">",
        "<!ATTLIST Item HA CDATA \"L\">",
        "<!ATTLIST Item VA CDATA \"T\">",
        "<!ATTLIST Item IW CDATA \"10\">",
        "<!ATTLIST Item IH CDATA \"10\">",
        "<!ATTLIST Item OX CDATA \"10\">",
        "<!ATTLIST Item OY CDATA \"10\">",
        "<!ATTLIST Item LY CDATA \"0\">",
        "<!ATTLIST Item Op CDATA \"1\">",
        "<!ATTLIST Item ImageFile CDATA \"\">",
        "<!ATTLIST Item Cmp CDATA \"None\">",
        "<!ATTLIST Item XS CDATA \"1.0\">",
        "<!ATTLIST Item YS CDATA \"1.0\">",
        "<!ATTLIST Item Extra CDATA \"\">",
        "<!ATTLIST Page Number CDATA \"1\">",
        "]>",
    };
    // The declaration names the encoding the document is saved in.
    dlist->Add(u"<?xml version=\"1.0\" encoding=\""_s + RpXEncodingName(GTextEncoding) + u"\"?>"_s);
    const String Style = XLStyleURL.trimmed().isEmpty() ? u"RpXDStylesheet.xsl"_s : XLStyleURL;
    dlist->Add(u"<?xml-stylesheet type=\"text/xsl\" href=\""_s + Escape(Style) + u"\"?>"_s);
    for (const char* Line : Dtd) dlist->Add(String::fromLatin1(Line));
}

void TRpXDocumentFilter::AddHeader(TStringList* List, const String& Width, const String& Height) {
    List->Add(u"<Header Pagewidth=\""_s + Width + u"\" Pageheight=\""_s + Height +
              u"\" PaperName=\"A4\" Units=\"mm\">"_s);
    const std::pair<const char16_t*, const String*> Children[] = {
        {u"Title", &Title},   {u"DocType", &DocType},     {u"Creator", &Creator},        {u"Author", &Author},
        {u"Date", &DocDate},  {u"Copyright", &Copyright}, {u"Orientation", &Orientation},
    };
    for (const auto& [Tag, Value] : Children) {
        const String T = String::fromUtf16(Tag);
        List->Add(u"   <"_s + T + u'>' + Escape(*Value) + u"</"_s + T + u'>');
    }
    List->Add(u"</Header>\r\n"_s);
}

void TRpXDocumentFilter::NewDocument(TStringList* doclist, double PaperWidth, double PaperHeight,
                                     const String& Papername, const String& orient) {
    LoadDTD(doclist);
    doclist->Add(u"<RpXDocument>"_s);
    AddHeader(doclist, F62(PaperWidth), F62(PaperHeight));
    doclist->Add(u"</RpXDocument>"_s);
}

void TRpXDocumentFilter::Start(int PaperWidth, int PaperHeight, TFont* Font) {
    TRpXAbstractExportFilter::Start(PaperWidth, PaperHeight, Font);
    if (FSinglePageMode) return;
    LoadDTD(finalDoc.get());
    AddLine(u"<RpXDocument>"_s);
    AddHeader(finalDoc.get(), F62(PaperWidth * 0.1L), F62(PaperHeight * 0.1L));
}

void TRpXDocumentFilter::ClosePage(TStringList* List) {
    if (!FPageOpen) return;
    List->Add(u"</Page>"_s);
    FPageOpen = false;
}

void TRpXDocumentFilter::NewPage() {
    TRpXAbstractExportFilter::NewPage();
    if (!FSinglePageMode) ClosePage(finalDoc.get());
    AddLine(u"<Page Number=\""_s + String::number(FPagenumber) + u"\">"_s);
    FPageOpen = true;
    ++FPagenumber;
}

void TRpXDocumentFilter::EndPage() {
    TRpXAbstractExportFilter::EndPage();
    if (!FSinglePageMode) return;
    ClosePage(finalDoc.get());
    if (finalDoc->Count() > 0 && FRpXDocument) FRpXDocument->acceptPage(finalDoc.get());
    finalDoc->Clear();
}

void TRpXDocumentFilter::TextOutRec(TExportInfoRec ExportInfo) {
    FOX = ExportInfo.controlLeft / 10;
    FOY = ExportInfo.controlTop / 10;
    FIW = ExportInfo.ControlWidth;
    FIH = ExportInfo.controlHeight;
    FVAlignment = ExportInfo.VAlignment;
    TextOut(ExportInfo.Xpos, ExportInfo.Ypos, ExportInfo.Font, ExportInfo.BGColor, ExportInfo.Alignment,
            ExportInfo.Text);
}

void TRpXDocumentFilter::TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                                 const String& Text) {
    TFont Default;
    if (!Font) Font = &Default;
    Extended XX = X / 10 + LeftMarginAdjust;
    const Extended YY = Y / 10;
    String HA = u"L"_s;
    if (Alignment == taRightJustify || Alignment == taCenter) {
        // The run's left edge: the reference point less the text's width (half of it when centred),
        // measured on the page printer's canvas.
        TRpPrinter* P = OwnerPrinter(FOwner);
        Extended Factor = P ? P->XFactor() : RpDefaultPixelFactor;
        if (Factor <= 0) Factor = RpDefaultPixelFactor;
        const Extended Px = P ? Extended(P->XPos(X)) : Round(X * Factor);
        TCanvas* C = P ? P->Canvas() : nullptr;
        TBitmap Scratch;
        if (!C) {
            Scratch.SetSize(1, 1);
            C = Scratch.Canvas();
        }
        TFont Saved;
        Saved.Assign(C->Font());
        C->Font()->Assign(Font);
        const Extended W = C->TextWidth(Text.trimmed());
        C->Font()->Assign(&Saved);
        if (Alignment == taRightJustify) {
            XX = Round(Px - W) * 0.1L / Factor;
            HA = u"R"_s;
        } else {
            XX = Round(Px - W / 2) * 0.1L / Factor;
            HA = u"C"_s;
        }
    }
    const String VA = FVAlignment == tlCenter ? u"C"_s : FVAlignment == tlBottom ? u"B"_s : u"T"_s;
    const TFontStyles S = Font->Style();
    const String FW = S.Contains(fsBold) ? u"Bold"_s : u"normal"_s;
    const String Dec = (S.Contains(fsItalic) ? u"Italic"_s : u"none"_s) + u' ' +
                       (S.Contains(fsUnderline) ? u"Underline"_s : u"none"_s) + u' ' +
                       (S.Contains(fsStrikeOut) ? u"Strike"_s : String());
    AddLine(u"<Item Type=\"Text\" LY=\"0\" Font=\""_s + Escape(Font->Name()) + u"\" X=\""_s + F42(XX) +
            u"\" Y=\""_s + F42(YY) + u"\" Height=\""_s + String::number(Font->Size()) + u"\" Color=\""_s +
            ColorText(Font->Color()) + u"\" FR=\""_s + String::asprintf("%3d", Font->Orientation()) +
            u"\" FW=\""_s + FW + u"\" Dec=\""_s + Dec + u"\" CID=\""_s + Escape(RunState().CurrentControlName) +
            u"\" DBR=\""_s + String::number(RunState().CurrentRecordNumber) + u"\" HA=\""_s + HA + u"\" VA=\""_s + VA +
            u"\" OX=\""_s + F42(FOX) + u"\" OY=\""_s + F42(FOY) + u"\" IW=\""_s + F42(FIW) + u"\" IH=\""_s +
            F42(FIH) + u"\">"_s);
    AddLine(Escape(Text));
    AddLine(u"</Item>"_s);
}

void TRpXDocumentFilter::AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) {
    if (!GControl) return;
    Extended X = PixelsToMM(Xoff) + LeftMarginAdjust;
    Extended Y = PixelsToMM(Yoff);
    auto* Shape = dynamic_cast<TRpShape*>(GControl);
    if (!Shape) {
        AddImage(X, Y, GControl);
        return;
    }
    Y += VertLineAdjust;
    X += HorizLineAdjust;
    String FT = u"Out"_s, LY = u"1"_s;
    if (Shape->Shape() == rpsRectangle || Shape->Shape() == rpsCircle) {
        const bool Filled = Shape->Brush()->Style() != bsClear;
        const bool Outlined = Shape->Pen()->Style() != psClear;
        if (Filled) {
            FT = Outlined ? u"SF"_s : u"Fill"_s;
            LY = u"2"_s;
        }
    }
    int SP = int(Shape->Shape());
    if (SP == rpsVertLine) SP = rpsHorLine;
    else if (SP == rpsHorLine) SP = rpsVertLine;
    const Extended W = std::max<Extended>(0.5L, PixelsToMM(GControl->Width()));
    const Extended H = std::max<Extended>(0.5L, PixelsToMM(GControl->Height()));
    AddLine(u"<Item Type=\"Graphic\" LY=\""_s + LY + u"\" X=\""_s + F42(X) + u"\" Y=\""_s + F42(Y) + u"\" LW=\""_s +
            F42(PixelsToMM(Shape->Pen()->Width())) + u"\" SP=\""_s + String::number(SP) + u"\" Width=\""_s + F42(W) +
            u"\" Height=\""_s + F42(H) + u"\" Color=\""_s + ColorText(Shape->Pen()->Color()) + u"\" BC=\""_s +
            ColorText(Shape->Brush()->Color()) + u"\" FT=\""_s + FT + u"\" CID=\""_s + Escape(GControl->Name()) +
            u"\" DBR=\""_s + String::number(RunState().CurrentRecordNumber) + u"\">"_s);
    AddLine(u"</Item>"_s);
}

void TRpXDocumentFilter::AddImage(Extended X, Extended Y, TControl* GControl) {
    const int CW = std::max(1, GControl->Width());
    const int CH = std::max(1, GControl->Height());
    TBitmap Bmp;
    Bmp.SetPixelFormat(pf24bit);
    Bmp.SetSize(CW, CH);
    Extended WD = CW, HD = CH, SX = 1, SY = 1;
    const Extended WidthMM = PixelsToMM(GControl->Width());
    const Extended HeightMM = PixelsToMM(GControl->Height());
    if (auto* Img = dynamic_cast<TRpImage*>(GControl)) {
        TGraphic* G = Img->Picture()->Graphic();
        if (G && !G->Empty()) {
            if (Img->Stretch()) Bmp.Canvas()->StretchDraw(TRect(0, 0, CW, CH), G);
            else Bmp.Canvas()->Draw(0, 0, G);
        }
        SX = WidthMM / Bmp.Width();
        SY = HeightMM / Bmp.Height();
    } else if (auto* Gr = dynamic_cast<TRpGrImage*>(GControl)) {
        TGraphic* G = Gr->Picture()->Graphic();
        if (G && !G->Empty()) {
            if (!Gr->Stretch() && Gr->FitMode() == fmInsideProp) {
                // proportional fit, centred in the box: the bitmap takes the fitted size
                const Extended GW = G->Width(), GH = G->Height();
                if (GH / HD > GW / WD) {
                    const Extended NW = Round(GW / (GH / HD));
                    X += PixelsToMM(WD - NW) / 2;
                    WD = NW;
                } else {
                    const Extended NH = Round(GH / (GW / WD));
                    Y += PixelsToMM(HD - NH) / 2;
                    HD = NH;
                }
                Bmp.SetSize(std::max(1, int(WD)), std::max(1, int(HD)));
            }
            Bmp.Canvas()->StretchDraw(TRect(0, 0, Bmp.Width(), Bmp.Height()), G);
        }
        SX = WidthMM / Bmp.Width();
        SY = HeightMM / Bmp.Height();
    } else if (auto* DB = dynamic_cast<TRpDBImage*>(GControl); DB && DB->Field()) {
        DB->LoadPicture();
        DrawFieldPicture(Bmp, DB->Picture()->Graphic(), DB->Stretch(), WD, HD);
        SX = WidthMM / Bmp.Width();
        SY = HeightMM / Bmp.Height();
    } else if (auto* GDB = dynamic_cast<TRpGrDBImage*>(GControl); GDB && GDB->Field()) {
        // the add-on picture from a field keeps its picture as the plain one does
        GDB->LoadPicture();
        DrawFieldPicture(Bmp, GDB->Picture()->Graphic(), GDB->Stretch(), WD, HD);
        SX = WidthMM / Bmp.Width();
        SY = HeightMM / Bmp.Height();
    }
    const String Cmp = CompressImages ? u"lzw"_s : u"None"_s;
    const Extended XS = WD / Bmp.Width() * SX;
    const Extended YS = HD / Bmp.Height() * SY;
    const String Tag = u"<Item Type=\"Image\" X=\""_s + F42(X) + u"\" Y=\""_s + F42(Y) + u"\" Width=\""_s +
                       String::number(Bmp.Width()) + u"\" Height=\""_s + String::number(Bmp.Height()) +
                       u"\" LY=\"1\" XS=\""_s + F63(XS) + u"\" YS=\""_s + F63(YS) + u"\" Cmp=\""_s + Cmp + u'"';
    String URL;
    bool ByRef = false;
    if (OnImageURLNeeded) OnImageURLNeeded(this, GControl, URL, ByRef);
    if (ByRef) {
        AddLine(Tag + u" ImageFile=\""_s + Escape(URL) + u"\">"_s);
    } else {
        AddLine(Tag + u" CID=\""_s + Escape(GControl->Name()) + u"\" DBR=\""_s + String::number(RunState().CurrentRecordNumber) +
                u"\">"_s);
        if (DoImages) {
            TMemoryStream Raw;
            Bmp.SaveToStream(&Raw);
            QByteArray Bytes(static_cast<const char*>(Raw.Memory()), qsizetype(Raw.Size()));
            if (CompressImages) Bytes = LZWEncode(Bytes);
            for (qsizetype i = 0; i < Bytes.size(); i += ImageBytesPerLine)
                AddLine(String::fromLatin1(Bytes.mid(i, ImageBytesPerLine).toHex().toUpper()));
        }
    }
    AddLine(u"</Item>"_s);
}

void TRpXDocumentFilter::AcceptBand(TControl* aBand, Extended Xoff, Extended Yoff, Extended Expanded) {
    if (!aBand) return;
    AddLine(u"<Item Type=\"Band\" X=\""_s + F42(Xoff) + u"\" Y=\""_s + F42(Yoff) + u"\" Width=\""_s +
            String::number(aBand->Width()) + u"\" Height=\""_s +
            String::number(int(Round(Expanded)) + aBand->Height()) +
            u"\" LY=\"1\" XS=\" 1.000\" YS=\" 1.000\" Cmp=\"none\" CID=\""_s + Escape(aBand->Name()) +
            u"\" DBR=\""_s + String::number(RunState().CurrentRecordNumber) + u"\"></Item>\r\n"_s);
}

void TRpXDocumentFilter::AcceptVector(TStringList* comms) {
    AddLine(u"<Item Type=\"Vector\">"_s);
    if (comms && comms->Count() > 0) {
        QStringList Parts;
        for (int i = 0; i < comms->Count(); ++i) Parts << Escape(comms->Strings(i));
        AddLine(u' ' + Parts.join(u'!'));
    }
    AddLine(u"</Item>"_s);
}

void TRpXDocumentFilter::AddToStream(TStringList* xmlInlist) {
    if (!xmlInlist) return;
    for (int i = 0; i < xmlInlist->Count(); ++i) AddLine(xmlInlist->Strings(i));
}

void TRpXDocumentFilter::EndConcat() {
    Concatenating = false;
    Finish();
}

void TRpXDocumentFilter::Finish() {
    if (Concatenating) return;
    if (FSinglePageMode) {
        if (FRpXDocument) FRpXDocument->FinishReport();
        return;
    }
    ClosePage(finalDoc.get());
    AddLine(u"</RpXDocument>"_s);
    Save();
}

void TRpXDocumentFilter::Save() {
    String Text;
    for (int i = 0; i < finalDoc->Count(); ++i) Text += finalDoc->Strings(i) + u"\r\n"_s;
    const QByteArray Bytes = RpXEncodeDocument(Text, GTextEncoding);
    if (!FFilename.isEmpty()) {
        SaveBytesToFileSafely(FFilename, Bytes.constData(), Bytes.size());
        return;
    }
    if (!FStream) CreateStream(String());
    FStream->WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
}
