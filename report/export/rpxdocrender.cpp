// Drawing a page of the XML report document on a canvas.
#include "platform/gui/canvas.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/export/rpxdocprivate.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace rpxdoc;

namespace {

enum TItemKind { ikNone, ikText, ikGraphic, ikImage, ikBand, ikVector };

TItemKind KindOf(const TRpXDocument::TDom& Dom, const QDomElement& E) {
    const String T = Dom.Attr(E, u"Type"_s).toLower();
    if (T == u"text"_s) return ikText;
    if (T == u"graphic"_s) return ikGraphic;
    if (T == u"image"_s) return ikImage;
    if (T == u"band"_s) return ikBand;
    if (T == u"vector"_s) return ikVector;
    return ikNone;
}

// The layer of an item; an item whose layer is no number is in none.
bool LayerOf(const TRpXDocument::TDom& Dom, const QDomElement& E, int& Layer) {
    bool Has = false;
    const String V = Dom.Attr(E, u"LY"_s, &Has);
    if (!Has) {
        Layer = 0;
        return true;
    }
    bool Ok = false;
    Layer = V.trimmed().toInt(&Ok);
    return Ok;
}

int DBRecordOf(const TRpXDocument::TDom& Dom, const QDomElement& E) {
    bool Has = false;
    const String V = Dom.Attr(E, u"DBR"_s, &Has);
    if (!Has) return 0;
    bool Ok = false;
    const int R = V.trimmed().toInt(&Ok);
    return Ok ? R : 0;
}

// One render: the canvas, the zoom and where drawn items are recorded (nowhere when null).
struct TPagePainter {
    const TRpXDocument::TDom& Dom;
    TCanvas* C;
    double Zoom;
    double OffsetX, OffsetY;
    double PPM;
    String SearchLower;
    TStringList* Items = nullptr;
    TStringList* Bands = nullptr;

    TGeometry Geometry(const QDomElement& E) const { return ItemGeometry(Dom, E, Zoom, OffsetX, OffsetY); }
    int Px(double V) const { return Nearest(V * PPM); }

    void Record(TStringList* List, const QDomElement& E, int X, int Y, int W, int H, const String& Text) {
        if (!List) return;
        bool Has = false;
        const String Cid = Dom.Attr(E, u"CID"_s, &Has);
        if (!Has) return;
        auto* P = New<TPageItem>();
        P->xpos = X;
        P->ypos = Y;
        P->width = W;
        P->height = H;
        P->controlID = Cid;
        P->cText = Text;
        P->DBRecord = DBRecordOf(Dom, E);
        List->AddObject(Cid, P);
    }

    void Text(const QDomElement& E) {
        try {
            const TGeometry G = Geometry(E);
            const String FontName = Dom.Attr(E, u"Font"_s);
            const bool Bold = Dom.Attr(E, u"FW"_s).compare(u"bold"_s, Qt::CaseInsensitive) == 0;
            bool HasFr = false;
            const String FrText = Dom.Attr(E, u"FR"_s, &HasFr);
            const int FR = HasFr ? ToInt(FrText) : 0;
            const String Dec = Dom.Attr(E, u"Dec"_s).toLower();
            const String S = ItemText(E);

            TFont* F = C->Font();
            F->SetName(FontName);
            F->SetPixelsPerInch(C->Handle()->LogPixelsY());
            F->SetSize(std::clamp(Nearest(G.H), 1, 2000));
            F->SetColor(G.Color);
            TFontStyles St;
            if (Dec.contains(u"italic"_s)) St.Include(fsItalic);
            if (Bold) St.Include(fsBold);
            if (Dec.contains(u"underline"_s)) St.Include(fsUnderline);
            if (Dec.contains(u"strike"_s)) St.Include(fsStrikeOut);
            F->SetStyle(St);
            F->SetOrientation(FR);

            const int x = Px(G.X), y = Px(G.Y);
            const int Tw = C->TextWidth(S);
            const int Mh = C->TextHeight(u"M"_s);
            if (!SearchLower.isEmpty() && S.toLower().contains(SearchLower)) {
                C->Pen()->SetColor(TColor(0x0000FF));
                C->Pen()->SetStyle(psSolid);
                C->Brush()->SetStyle(bsClear);
                C->Rectangle(x, y, x + Tw, y + Mh);
            }
            SetBkMode(C->Handle(), TRANSPARENT);
            C->Brush()->SetStyle(bsClear);
            C->TextOut(x, y, S);
            F->SetOrientation(0);
            Record(Items, E, x, y, Tw, Mh, S);
        } catch (const std::exception&) {
        }
    }

    void Graphic(const QDomElement& E) {
        try {
            const TGeometry G = Geometry(E);
            bool Has = false;
            const TColor BC = WebColor(Dom.Attr(E, u"BC"_s, &Has));
            const String FT = Dom.Attr(E, u"FT"_s).toLower();
            const double LW = ToFloat(Dom.Attr(E, u"LW"_s));
            const int SP = ToInt(Dom.Attr(E, u"SP"_s));
            double Lw = LW * PPM * Zoom / 100;
            if (Lw < 1) Lw = 1;
            C->Pen()->SetColor(G.Color);
            C->Brush()->SetColor(BC);
            C->Pen()->SetStyle(psSolid);
            C->Pen()->SetWidth(std::min(Nearest(Lw), 1000));
            C->Brush()->SetStyle(bsSolid);
            const bool Closed = SP == 0 || SP == 1 || SP == 6;
            if (Closed) {
                if (FT == u"fill"_s)
                    C->Pen()->SetStyle(psClear);
                else if (FT == u"out"_s)
                    C->Brush()->SetStyle(bsClear);
            }
            const int L = Px(G.X), T = Px(G.Y), R = Px(G.X + G.W), B = Px(G.Y + G.H);
            auto Line = [this](int X1, int Y1, int X2, int Y2) {
                C->MoveTo(X1, Y1);
                C->LineTo(X2, Y2);
            };
            switch (SP) {
                case 0: C->Rectangle(L, T, R, B); break;
                case 1: C->Ellipse(L, T, R, B); break;
                case 2: Line(L, T, R, T); break;
                case 3: Line(L, T, L, B); break;
                case 4:  // lines along the top and bottom edges
                    Line(L, T, R, T);
                    Line(L, B, R, B);
                    break;
                case 5:  // lines along the left and right edges
                    Line(L, T, L, B);
                    Line(R, T, R, B);
                    break;
                case 6: {
                    const int Corner = std::max(std::min(R - L, B - T) / 4, 1);
                    C->RoundRect(L, T, R, B, Corner, Corner);
                    break;
                }
                case 7: Line(R, T, L, B); break;
                case 8: Line(L, T, R, B); break;
                default: break;
            }
            Record(Items, E, L, T, Px(G.W), Px(G.H), String());
        } catch (const std::exception&) {
        }
    }

    // The picture of an image item: empty when there is no data; false when the data is no bitmap.
    bool LoadPicture(const QDomElement& E, TBitmap& Bmp) {
        const QByteArray Data = ItemPictureData(Dom.Attr(E, u"Cmp"_s), E.text());
        if (Data.isEmpty()) return true;
        try {
            TMemoryStream S;
            S.WriteBuffer(Data.constData(), Integer(Data.size()));
            S.SetPosition(0);
            Bmp.LoadFromStream(&S);
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

    void Image(const QDomElement& E) {
        const TGeometry G = Geometry(E);
        const double x = G.X * PPM, y = G.Y * PPM;
        try {
            TBitmap Bmp;
            if (!LoadPicture(E, Bmp)) return;
            if (!Bmp.Empty()) {
                const int Target = C->Handle()->LogPixelsX();
                const int Own = Bmp.Canvas()->Handle()->LogPixelsX();
                if (Own == Target && Zoom == 100) {
                    C->Draw(Trunc(x), Trunc(y), &Bmp);
                } else {
                    const double K = Own > 0 ? double(Target) / Own : 1;
                    C->StretchDraw(TRect(Trunc(x), Trunc(y), Trunc(x) + Trunc(G.W * K), Trunc(y) + Trunc(G.H * K)),
                                   &Bmp);
                }
            }
            Record(Items, E, Nearest(x), Nearest(y), Nearest(G.W), Nearest(G.H), String());
        } catch (const std::exception&) {
            try {
                C->TextOut(Trunc(x), Trunc(y), u"Image not available"_s);
            } catch (const std::exception&) {
            }
        }
    }

    void Placeholder(const QDomElement& E) {
        const TGeometry G = Geometry(E);
        const double x = G.X * PPM, y = G.Y * PPM;
        C->Brush()->SetColor(TColor(0xC0C0C0));
        C->Brush()->SetStyle(bsSolid);
        C->Pen()->SetColor(clBlack);
        C->Pen()->SetStyle(psSolid);
        C->Pen()->SetWidth(1);
        C->Rectangle(Nearest(x), Nearest(y), Nearest(x + G.W), Nearest(y + G.H));
    }

    void Band(const QDomElement& E) {
        if (!Bands) return;
        const TGeometry G = Geometry(E);
        Record(Bands, E, Nearest(PPM * G.X / 10), Nearest(PPM * G.Y / 10), Nearest(G.W), Nearest(G.H), u"band"_s);
    }

    // Field i of a command; a command short of it is no command.
    static const String& Field(const QStringList& F, int i) {
        if (i >= F.size()) throw EConvertError(QStringLiteral("Vector command without field %1").arg(i));
        return F[i];
    }
    int Scale(const QStringList& F, int i) const { return Nearest(ToInt(Field(F, i)) * Zoom / 100); }

    // Commands separated by "!", fields by "?"; coordinates are device units, zoomed only.
    void Vector(const QDomElement& E) {
        try {
            for (const String& Cmd : SplitList(E.text(), u'!')) {
                const QStringList F = SplitList(Cmd, u'?');
                if (F.isEmpty()) continue;
                switch (ToInt(Field(F, 0)) & 0x7F) {
                    case 1: C->MoveTo(Scale(F, 1), Scale(F, 2)); break;
                    case 2: C->LineTo(Scale(F, 1), Scale(F, 2)); break;
                    case 3: C->Ellipse(Scale(F, 1), Scale(F, 2), Scale(F, 3), Scale(F, 4)); break;
                    case 4: C->Rectangle(Scale(F, 1), Scale(F, 2), Scale(F, 3), Scale(F, 4)); break;
                    case 5: C->Pen()->SetColor(TColor(ToInt(Field(F, 1)))); break;
                    case 6: C->Brush()->SetColor(TColor(ToInt(Field(F, 1)))); break;
                    case 7: C->Pen()->SetStyle(TPenStyle(std::clamp(ToInt(Field(F, 1)), 0, int(psInsideFrame)))); break;
                    case 8: C->Brush()->SetStyle(TBrushStyle(std::clamp(ToInt(Field(F, 1)), 0, int(bsDiagCross)))); break;
                    case 9: C->Pen()->SetWidth(std::clamp(Scale(F, 1), 0, 1000)); break;
                    case 10: C->TextOut(Scale(F, 1), Scale(F, 2), Field(F, 3)); break;
                    case 11: C->Font()->SetName(Field(F, 1)); break;
                    case 12: C->Font()->SetSize(std::clamp(Scale(F, 1), 1, 2000)); break;
                    default: break;
                }
            }
        } catch (const std::exception&) {
            // a command that is no command ends the item
        }
    }

    // Layers 2, 1, 0 in document order; Thumb skips bands and draws images as asked.
    void Page(const QDomElement& Pg, bool Thumb, bool ThumbImages, bool Vectors) {
        for (int Layer : {2, 1, 0}) {
            for (QDomElement E = Pg.firstChildElement(); !E.isNull(); E = E.nextSiblingElement()) {
                int L = 0;
                if (!LayerOf(Dom, E, L) || L != Layer) continue;
                switch (KindOf(Dom, E)) {
                    case ikText: Text(E); break;
                    case ikGraphic: Graphic(E); break;
                    case ikImage:
                        if (Thumb && !ThumbImages)
                            Placeholder(E);
                        else
                            Image(E);
                        break;
                    case ikBand:
                        if (!Thumb) Band(E);
                        break;
                    case ikVector:
                        if (Vectors) Vector(E);
                        break;
                    default: break;
                }
            }
        }
    }
};

}  // namespace

void TRpXDocument::RenderPage(int pagenum) {
    if (!FDocumentLoaded || pagenum < 0 || pagenum >= FPagecount) return;
    PixelsPerMM = 96.0 / 25.4;
    RenderPageToCanvas(pagenum, Nearest(FPagewidth * PixelsPerMM), Nearest(FPageheight * PixelsPerMM), false,
                       nullptr);
}

void TRpXDocument::RenderPageToCanvas(int pagenum, int width, int height, bool printing, TCanvas* PrinterCanvas) {
    const Extended SavedZoom = FZoomfactor;
    if (FPrintZoom <= 0) FPrintZoom = 100;
    TOwned<TBitmap> Bmp = NewOwned<TBitmap>();
    Bmp->SetSize(1, 1);  // a canvas to ask for its resolution
    TCanvas* C = printing ? PrinterCanvas : Bmp->Canvas();
    if (!C) return;
    struct TRestore {
        TRpXDocument* D;
        Extended Z;
        ~TRestore() { D->FZoomfactor = Z; }
    } Restore{this, SavedZoom};
    PixelsPerMM = C->Handle()->LogPixelsX() / 25.4;
    if (!FDocumentLoaded) return;
    if (!printing) {
        ClearPageLists();
        FPrinterOffsetX = FPrinterOffsetY = 0;
        const int W = std::max(Nearest(FZoomfactor / 100 * width), 1);
        const int H = std::max(Nearest(FZoomfactor / 100 * height), 1);
        if (qint64(W) * H > MaxPagePixels) return;
        Bmp->SetSize(W, H);
        C->Brush()->SetColor(clWhite);
        C->Brush()->SetStyle(bsSolid);
        C->Rectangle(0, 0, W, H);
    } else {
        FZoomfactor = FPrintZoom;
    }
    TPagePainter P{*FDom, C, double(FZoomfactor), double(FPrinterOffsetX), double(FPrinterOffsetY), PixelsPerMM,
                   FSearchText.toLower()};
    if (!printing) {
        P.Items = FPageItems.get();
        P.Bands = FPageBands.get();
    }
    P.Page(FDom->Page(pagenum), false, true, true);
    // Without a viewer there is no image to hand the page to.
    if (!printing && FImageControl) {
        FImageControl->SetWidth(Bmp->Width());
        FImageControl->SetHeight(Bmp->Height());
        FImageControl->Picture()->SetGraphic(Bmp.get());
    }
}

TOwned<TBitmap> TRpXDocument::RenderThumbnail(int pagenum, const TRect& thumbRect) {
    if (!FDocumentLoaded || pagenum < 0 || pagenum >= FPagecount) return nullptr;
    if (pagenum > 5 && !FDisplayFinished) return nullptr;
    return RenderOneThumb(pagenum, Nearest(FPagewidth * PixelsPerMM), Nearest(FPageheight * PixelsPerMM), thumbRect);
}

TOwned<TBitmap> TRpXDocument::RenderOneThumb(int pagenum, int fpagewidth, int fpageheight, const TRect& thRect) {
    TOwned<TBitmap> Bmp = NewOwned<TBitmap>();
    Bmp->SetSize(1, 1);
    TCanvas* C = Bmp->Canvas();
    PixelsPerMM = C->Handle()->LogPixelsX() / 25.4;
    if (!FDocumentLoaded || fpagewidth <= 0) return Bmp;
    const double Zoom = double(thRect.Right - thRect.Left) * 80 / fpagewidth;
    const int W = std::max(Nearest(fpagewidth * Zoom / 100), 1), H = std::max(Nearest(fpageheight * Zoom / 100), 1);
    if (qint64(W) * H > MaxPagePixels) return Bmp;
    Bmp->SetSize(W, H);
    C->Brush()->SetColor(clWhite);
    C->Brush()->SetStyle(bsSolid);
    C->Rectangle(0, 0, W - 1, H - 1);
    // Thumbnails record nothing: their items are not where the page image has them.
    TPagePainter P{*FDom, C, Zoom, 0, 0, PixelsPerMM, FSearchText.toLower()};
    P.Page(FDom->Page(pagenum), true, ShowImagesInThumbs, true);
    return Bmp;
}

void TRpXDocument::RenderPageToBM(TBitmap* pagemap, int pagenum) {
    if (!pagemap) return;
    if (pagemap->Empty()) pagemap->SetSize(1, 1);
    TCanvas* C = pagemap->Canvas();
    PixelsPerMM = C->Handle()->LogPixelsX() / 25.4;
    if (!FDocumentLoaded) return;
    const int W = std::max(Nearest(FPagewidth * PixelsPerMM), 1), H = std::max(Nearest(FPageheight * PixelsPerMM), 1);
    if (qint64(W) * H > MaxPagePixels) return;
    pagemap->SetSize(W, H);
    C = pagemap->Canvas();
    C->Brush()->SetColor(clWhite);
    C->Brush()->SetStyle(bsSolid);
    C->Rectangle(0, 0, W, H);
    TPagePainter P{*FDom, C, 100, 0, 0, PixelsPerMM, FSearchText.toLower()};
    P.Page(FDom->Page(pagenum), false, true, false);
}

void TRpXDocument::RenderPageToMetafile(TMetafileCanvas* metacanvas, int pagenum) {
    if (!metacanvas) return;
    PixelsPerMM = metacanvas->Handle()->LogPixelsX() / 25.4;
    if (!FDocumentLoaded) return;
    metacanvas->Rectangle(0, 0, Nearest(FPagewidth * PixelsPerMM), Nearest(FPageheight * PixelsPerMM));
    metacanvas->Brush()->SetColor(clWhite);
    TPagePainter P{*FDom, metacanvas, 100, 0, 0, PixelsPerMM, FSearchText.toLower()};
    P.Page(FDom->Page(pagenum), false, true, false);
}
