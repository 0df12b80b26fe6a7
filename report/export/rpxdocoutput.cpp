// The XML report document as PDF (its text items, through the PDF export filter) and as HTML (one
// file of absolutely placed blocks, pages one below the other, pictures as JPEG files beside it).
#include "platform/gui/graphics.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/export/rppdffilt.h"
#include "report/export/rpwebfilter.h"
#include "report/export/rpxdocprivate.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace rpxdoc;

namespace {

// Pictures larger than this (pixels a side) are left out of the HTML output.
constexpr int MaxImageSide = 10000;

// The PDF filter of the conversion in progress.
TRpPDFDocumentFilter* GPDFFilter = nullptr;

void WriteHTML(TStream* S, const String& Text) {
    if (!S) return;
    const QByteArray B = Text.toUtf8();
    S->WriteBuffer(B.constData(), Integer(B.size()));
}

String Num(int V) { return String::number(V); }

}  // namespace

// ---- PDF ------------------------------------------------------------------------------------------

void TRpXDocument::SaveAsPDFFile(const String& pdffile) {
    TSafeFileStream F(pdffile);
    SaveAsPDFStream(&F);
    F.Commit();
}

void TRpXDocument::SaveAsPDFStream(TStream* pdfstream) {
    if (!pdfstream) return;
    FStream = pdfstream;
    const Extended SavedZoom = FZoomfactor;
    SetZoomFactor(100);
    const int N = Pagecount();
    TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(String());
    struct TDone {
        TRpXDocument* D;
        Extended Z;
        TStream*& Out;
        ~TDone() {
            GPDFFilter = nullptr;
            Out = nullptr;
            D->SetZoomFactor(Z);
        }
    } Done{this, SavedZoom, FStream};
    GPDFFilter = F.get();
    F->SetOwner(this);
    // The filter takes positions in tenths of a millimetre; the pages are the document's size.
    F->Start(Nearest(FPagewidth * 10), Nearest(FPageheight * 10), nullptr);
    // The PDF the filter builds in memory is ours, and goes whatever fails on the way.
    const TOwned<TStream> Out(F->Stream());
    const Extended W = FPagewidth * PointsPerMM, H = FPageheight * PointsPerMM;
    for (int i = 0; i < N; ++i) {
        F->NewPage();
        F->SetPageParams(W, H, 0, 0, 0);
        PDFOnePage(i);
        F->EndPage();
    }
    F->Finish();
    if (Out) {
        Out->SetPosition(0);
        pdfstream->CopyFrom(Out.get(), 0);
    }
}

void TRpXDocument::PDFOnePage(int pagenum) {
    if (!FDocumentLoaded || !GPDFFilter) return;
    const QDomElement Pg = FDom->Page(pagenum);
    for (int Layer : {3, 2, 1, 0}) {
        for (QDomElement E = Pg.firstChildElement(); !E.isNull(); E = E.nextSiblingElement()) {
            const TGeometry G = ItemGeometry(*FDom, E, FZoomfactor, FPrinterOffsetX, FPrinterOffsetY);
            if (G.LY != Layer || FDom->Attr(E, u"Type"_s).toLower() != u"text"_s) continue;
            try {
                TFont Font;
                Font.SetName(FDom->Attr(E, u"Font"_s));
                Font.SetSize(std::clamp(Nearest(G.H), 1, 2000));
                Font.SetColor(G.Color);
                TFontStyles St;
                if (FDom->Attr(E, u"FW"_s).toLower() == u"bold"_s) St.Include(fsBold);
                // The writer joins its decoration words ("Italic none "): italic is any of them.
                if (FDom->Attr(E, u"Dec"_s).toLower().contains(u"italic"_s)) St.Include(fsItalic);
                Font.SetStyle(St);
                GPDFFilter->TextOut(G.X * 10, G.Y * 10, &Font, TColor(0), taLeftJustify, ItemText(E));
            } catch (const std::exception&) {
            }
        }
    }
}

// ---- HTML -----------------------------------------------------------------------------------------

void TRpXDocument::SaveAsHTMLFile(const String& htmfile) {
    TSafeFileStream F(htmfile);
    const QFileInfo Info(htmfile);
    FImageBase = Info.completeBaseName() + u'_';
    struct TReset {
        String& B;
        ~TReset() { B.clear(); }
    } Reset{FImageBase};
    SaveAsHTMLStream(&F, Info.absolutePath());
    F.Commit();
}

void TRpXDocument::SaveAsHTMLStream(TStream* htmstream, const String& ImageFolder) {
    if (!htmstream) return;
    const int N = FDocumentLoaded ? Pagecount() : 0;
    FNextImage = 0;
    FImagepath = ImageFolder.isEmpty() ? u"."_s : ImageFolder;
    FStream = htmstream;
    struct TReset {
        TStream*& S;
        ~TReset() { S = nullptr; }
    } Reset{FStream};
    WriteHTML(FStream, u"<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n <title>"_s + EscapeHTML(FTitle) +
                           u"</title>\r\n</head>\r\n<body >\r\n"_s);
    for (int i = 0; i < N; ++i) HTMLOnePage(i);
    WriteHTML(FStream, u"</body >\r\n</html>\r\n"_s);
}

void TRpXDocument::HTMLOnePage(int pagenum) {
    if (!FDocumentLoaded) return;
    const double P = PixelsPerMM;
    const int PageTop = Nearest(pagenum * P * FPageheight);
    const QDomElement Pg = FDom->Page(pagenum);
    for (int Layer : {3, 2, 1, 0}) {
        for (QDomElement E = Pg.firstChildElement(); !E.isNull(); E = E.nextSiblingElement()) {
            const TGeometry G = ItemGeometry(*FDom, E, FZoomfactor, FPrinterOffsetX, FPrinterOffsetY);
            if (G.LY != Layer) continue;
            const String Type = FDom->Attr(E, u"Type"_s).toLower();
            try {
                if (Type == u"text"_s) {
                    const bool Bold = FDom->Attr(E, u"FW"_s).toLower() == u"bold"_s;
                    const String Dec = FDom->Attr(E, u"Dec"_s).toLower();
                    const bool Italic = Dec.contains(u"italic"_s);
                    String Deco;
                    if (Dec.contains(u"underline"_s)) Deco += u"underline "_s;
                    if (Dec.contains(u"strike"_s)) Deco += u"line-through "_s;
                    Deco = Deco.trimmed();
                    if (Deco.isEmpty()) Deco = u"none"_s;
                    const String Html =
                        u"<div style=\"position:absolute;top:"_s + Num(PageTop + Nearest(P * G.Y)) + u"px;left:"_s +
                        Num(Nearest(P * G.X)) + u"px;font-family:"_s +
                        EscapeHTML(FDom->Attr(E, u"Font"_s).trimmed()) + u";font-size:"_s +
                        String::asprintf("%-4.1f", G.H).trimmed() + u"pt;color:"_s + ColorHex(G.Color) +
                        u";text-decoration:"_s + Deco +
                        u";text-align:left;background-color:transparent;font-style:"_s +
                        (Italic ? u"italic"_s : u"normal"_s) + u";font-weight :"_s +
                        (Bold ? u"bold"_s : u"normal"_s) + u";white-space:pre;\">"_s;
                    WriteHTML(FStream, Html + u"\r\n"_s + EscapeHTML(ItemText(E)) + u"\r\n"_s + u"</DIV>\r\n"_s);
                } else if (Type == u"graphic"_s) {
                    HTMLGraphic(E, G, PageTop);
                } else if (Type == u"image"_s) {
                    HTMLImage(E, G, pagenum);
                }
            } catch (const std::exception&) {
            }
        }
    }
}

void TRpXDocument::HTMLGraphic(const QDomElement& E, const TGeometry& G, int PageTop) {
    const double P = PixelsPerMM;
    const int L = Nearest(P * G.X);
    const int T = PageTop + Nearest(P * G.Y) - 10;
    const int Wp = Nearest(G.W * P), Hp = Nearest(G.H * P);
    const int SP = ToInt(FDom->Attr(E, u"SP"_s));
    // The line width in pixels, as every other size.
    const int Lw = std::max(1, Nearest(ToFloat(FDom->Attr(E, u"LW"_s)) * P));
    const bool Fill = FDom->Attr(E, u"FT"_s).toLower() == u"fill"_s;
    const String BC = ColorHex(WebColor(FDom->Attr(E, u"BC"_s)));
    const String Pen = ColorHex(G.Color);
    auto Block = [](int Left, int Top, int Width, int Height, const String& Colour) {
        return u"<DIV style=\"position:absolute;left:"_s + Num(Left) + u"px;top:"_s + Num(Top) + u"px;width:"_s +
               Num(Width) + u"px;height:"_s + Num(Height) + u"px;background-color:"_s + Colour +
               u";\"></DIV>\r\n"_s;
    };
    auto Rule = [&](int Left, int Top) {
        return u"<DIV style=\"position:absolute;left:"_s + Num(Left) + u"px;top:"_s + Num(Top) + u"px;height:"_s +
               Num(Lw) + u"px;\"><hr width=\""_s + Num(Wp) + u"\" size=\""_s + Num(Lw) + u"\" color=\""_s + Pen +
               u"\"></div>\r\n"_s;
    };
    String Html;
    switch (SP) {
        case 0:
            if (Fill) {
                Html = Block(L, T, Wp, Hp, BC);
            } else {
                Html = Block(L, T + 10, Lw, Hp, Pen) + Block(L + Wp - Lw, T + 10, Lw, Hp, Pen) + Rule(L, T) +
                       Rule(L, T + Hp);
            }
            break;
        case 2: Html = Rule(L, T); break;
        case 3: Html = Block(L, T + 10, Lw, Hp, Pen); break;
        default: break;
    }
    WriteHTML(FStream, Html);
}

void TRpXDocument::HTMLImage(const QDomElement& E, const TGeometry& G, int pagenum) {
    const double P = PixelsPerMM;
    const double XS = ToFloat(FDom->Attr(E, u"XS"_s)), YS = ToFloat(FDom->Attr(E, u"YS"_s));
    if (XS == 0 || YS == 0) return;
    const int Tw = Nearest(G.W / XS), Th = Nearest(G.H / YS);
    if (Tw <= 0 || Th <= 0 || Tw > MaxImageSide || Th > MaxImageSide) return;
    const int Top = Nearest(pagenum * P * FPageheight + G.Y * P - 5);
    const int Left = Nearest(G.X * P);

    const QByteArray Data = ItemPictureData(FDom->Attr(E, u"Cmp"_s), E.text());
    TBitmap Target;
    Target.SetPixelFormat(pf24bit);
    Target.SetSize(Tw, Th);
    if (!Data.isEmpty()) {
        TBitmap Source;
        TMemoryStream S;
        S.WriteBuffer(Data.constData(), Integer(Data.size()));
        S.SetPosition(0);
        Source.LoadFromStream(&S);  // raises for data that is no bitmap: the item is left out
        if (!Source.Empty()) Target.Canvas()->StretchDraw(TRect(0, 0, Tw, Th), &Source);
    }
    // A name no file beside the output has yet.
    String Name, Path;
    do {
        Name = FImageBase + u"Image%1.jpg"_s.arg(FNextImage++);
        Path = QDir(FImagepath).filePath(Name);
    } while (QFileInfo::exists(Path));
    TJPEGImage Jpeg;
    Jpeg.Assign(&Target);
    Jpeg.SaveToFile(Path);
    WriteHTML(FStream, u"<DIV style=\"position:absolute;left:"_s + Num(Left) + u"px;top:"_s + Num(Top) +
                           u"px;\"><img src=\""_s + EscapeHTML(Name) + u"\"></DIV>\r\n"_s);
}

void TRpXDocument::RLEDecode(TStream* source, TStream* target) {
    if (!source || !target) return;
    source->SetPosition(0);
    target->SetPosition(0);
    QByteArray Buf;
    Buf.reserve(2047);
    auto Put = [&](char B) {
        Buf.append(B);
        if (Buf.size() == 2047) {
            target->WriteBuffer(Buf.constData(), Integer(Buf.size()));
            Buf.clear();
        }
    };
    unsigned char C = 0;
    while (source->Read(&C, 1) == 1) {
        if (C >= 128) {
            unsigned char B = 0;
            if (source->Read(&B, 1) != 1) break;
            const int Count = (1 - int(C)) & 0xFF;
            for (int i = 0; i < Count; ++i) Put(char(B));
        } else {
            for (int i = 0; i <= C; ++i) {
                unsigned char B = 0;
                if (source->Read(&B, 1) != 1) break;
                Put(char(B));
            }
        }
    }
    if (!Buf.isEmpty()) target->WriteBuffer(Buf.constData(), Integer(Buf.size()));
}
