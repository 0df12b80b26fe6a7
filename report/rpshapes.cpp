#include "report/rpshapes.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "report/rpframe.h"
#include "report/rppageinfo.h"
#include "report/rpprinter.h"
#include "report/rplabels.h"

#include <cmath>

namespace {

int ScreenDpi() { return Screen ? Screen->PixelsPerInch() : 96; }

void AddImageLink(IRpReport* Report, TRpPrintable* Control, const TRect& R) {
    if (!Report || !Report->UsePreviewLinks() || !Control->ActiveInPreview() || !Report->CurrLinkPage()) return;
    auto Item = New<TPageItemRec>();
    Item->controlname = Control->Name();
    Item->controlclass = Control->ClassName();
    Item->recordnumber = Report->RunState().CurrentRecordNumber;
    Item->left = R.Left;
    Item->top = R.Top;
    Item->width = R.Width();
    Item->height = R.Height();
    Report->CurrLinkPage()->addItemRec(Item);
}

}  // namespace

// The picture of a blob field's bytes; false (and an empty picture) when the field holds nothing
// or no picture of a known kind.
bool RpPictureFromField(TPicture* Picture, TField* Field) {
    Picture->SetGraphic(nullptr);
    if (!Field || !Field->Is<TBlobField>() || Field->IsNull()) return false;
    TBytes Bytes = Field->Is<TGraphicField>() ? static_cast<TGraphicField*>(Field)->GraphicData() : Field->AsBytes();
    if (Bytes.empty()) return false;
    TOwned<TMemoryStream> S = NewOwned<TMemoryStream>();
    S->Write(Bytes.data(), Integer(Bytes.size()));
    S->SetPosition(0);
    try {
        Picture->LoadFromStream(S.get());
    } catch (const Exception&) {
        Picture->SetGraphic(nullptr);
        return false;
    }
    return Picture->Graphic() && !Picture->Graphic()->Empty();
}

void RpDrawPictureClipped(TCanvas* C, TGraphic* Graphic, const TRect& Box, Extended XFactor, Extended YFactor,
                          bool Center) {
    if (!Graphic || Graphic->Empty()) return;
    HDC DC = C->Handle();
    const int Saved = DC->SaveDC();
    DC->IntersectClipRect(Box);
    const int Dpi = ScreenDpi();
    const int W = int(Round(Extended(Graphic->Width()) / Dpi * 254 * XFactor));
    const int H = int(Round(Extended(Graphic->Height()) / Dpi * 254 * YFactor));
    int X = Box.Left, Y = Box.Top;
    if (Center) {
        X += (Box.Width() - W) / 2;
        Y += (Box.Height() - H) / 2;
    }
    C->StretchDraw(TRect(X, Y, X + W, Y + H), Graphic);
    DC->RestoreDC(Saved);
}

// ---- TRpShape ------------------------------------------------------------------------------------

TRpShape::TRpShape(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpShape::~TRpShape() = default;

void TRpShape::AfterConstruction() {
    inherited::AfterConstruction();
    SetBounds(Left(), Top(), 65, 65);
    FPen = New<TPen>();
    FPen->OnChange = [this](TObject* S) { StyleChanged(S); };
    FBrush = New<TBrush>();
    FBrush->OnChange = [this](TObject* S) { StyleChanged(S); };
}

void TRpShape::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPen);
    FreeAndNil(FBrush);
}

void TRpShape::Published(TPublished<TRpShape>& P) {
    P.Object("Brush", &TRpShape::Brush, &TRpShape::SetBrush);
    P.Object("Pen", &TRpShape::Pen, &TRpShape::SetPen);
    P.Enum("Shape", &TRpShape::Shape, &TRpShape::SetShape,
           {"rpsRectangle", "rpsCircle", "rpsVertLine", "rpsHorLine", "rpsTopAndBottom", "rpsRightAndLeft",
            "rpsRoundRect", "rpsLeftDiagonal", "rpsRightDiagonal"})
        .Default(rpsRectangle);
    P.Single("RoundFactor", &TRpShape::RoundFactor, &TRpShape::SetRoundFactor);
    P.Integer("VertAdjust", &TRpShape::VertAdjust, &TRpShape::SetVertAdjust).Default(0);
}

void TRpShape::StyleChanged(TObject*) { Invalidate(); }

void TRpShape::SetShape(TRpShapeType Value) {
    if (Value == FShape) return;
    FShape = Value;
    Invalidate();
}

void TRpShape::SetBrush(TBrush* Value) {
    if (Value && Value != FBrush) FBrush->Assign(Value);
}

void TRpShape::SetPen(TPen* Value) {
    if (Value && Value != FPen) FPen->Assign(Value);
}

void TRpShape::SetRoundFactor(Single Value) {
    if (Value == FRoundFactor) return;
    FRoundFactor = Value;
    Invalidate();
}

void TRpShape::DrawFigure(TCanvas* C, const TRect& B, int MidX, int MidY, int Corner, bool Device) {
    // On the page the edges are the converted positions; on the control the last pixel row and
    // column of the edge lines stay inside the control.
    const int Inner = Device ? 0 : 1;
    switch (FShape) {
        case rpsRectangle: C->Rectangle(B); break;
        case rpsCircle: C->Ellipse(B); break;
        case rpsVertLine:
            C->MoveTo(MidX, B.Top);
            C->LineTo(MidX, B.Bottom);
            break;
        case rpsHorLine:
            C->MoveTo(B.Left, MidY);
            C->LineTo(B.Right, MidY);
            break;
        case rpsTopAndBottom:
            C->MoveTo(B.Left, B.Top);
            C->LineTo(B.Right, B.Top);
            C->MoveTo(B.Left, B.Bottom - Inner);
            C->LineTo(B.Right, B.Bottom - Inner);
            break;
        case rpsRightAndLeft:
            C->MoveTo(B.Left, B.Top);
            C->LineTo(B.Left, B.Bottom);
            C->MoveTo(B.Right - Inner, B.Top);
            C->LineTo(B.Right - Inner, B.Bottom);
            break;
        case rpsRoundRect: C->RoundRect(B.Left, B.Top, B.Right, B.Bottom, Corner, Corner); break;
        case rpsLeftDiagonal:
            C->MoveTo(B.Right, B.Top);
            C->LineTo(B.Left, B.Bottom);
            break;
        case rpsRightDiagonal:
            C->MoveTo(B.Left, B.Top);
            C->LineTo(B.Right, B.Bottom);
            break;
    }
}

void TRpShape::Paint() {
    inherited::Paint();
    TCanvas* C = Canvas();
    C->SetPen(FPen);
    C->SetBrush(FBrush);
    const int W = Width(), H = Height();
    DrawFigure(C, TRect(0, 0, W, H), W / 2, H / 2, int(std::trunc(W * FRoundFactor)), false);
}

void TRpShape::Print(int OfsX, int OfsY) {
    if (!FParentReport) return;
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    if (!FRpPrinter) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P) return;
    if (FParentReport->Exporting() && IsPrintEnabled() && FParentReport->ExportFilter())
        FParentReport->ExportFilter()->AcceptGraphic(P->XPos(L), P->YPos(T), this);
    if (!FParentReport->FinalPass() || !IsPrintEnabled()) return;
    TCanvas* C = P->Canvas();
    C->SetBrush(FBrush);
    C->SetPen(FPen);
    // The corner is measured in the control's pixels and scaled to the page like every other size.
    const Extended CornerNative = ScreenPixelsToNative(std::trunc(Width() * FRoundFactor));
    DrawFigure(C, TRect(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H)), P->XPos(L + W / 2),
               P->YPos(T + H / 2), P->XSize(CornerNative), true);
}

// ---- TRpImage ------------------------------------------------------------------------------------

TRpImage::TRpImage(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpImage::~TRpImage() = default;

void TRpImage::AfterConstruction() {
    FPicture = New<TPicture>();
    FPicture->OnChange = [this](TObject* S) { PictureChanged(S); };
    inherited::AfterConstruction();
    SetBounds(Left(), Top(), 105, 105);
}

void TRpImage::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPicture);
}

void TRpImage::Published(TPublished<TRpImage>& P) {
    P.Boolean("AutoSize", &TRpImage::AutoSize, &TRpImage::SetAutoSize).Default(0);
    P.Boolean("Center", &TRpImage::Center, &TRpImage::SetCenter).Default(0);
    P.Object("Picture", &TRpImage::Picture, &TRpImage::SetPicture);
    P.Boolean("Stretch", &TRpImage::Stretch, &TRpImage::SetStretch).Default(0);
    P.Boolean("Visible", &TRpImage::Visible, &TRpImage::SetVisible).Default(1);
}

void TRpImage::PictureChanged(TObject*) {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    TGraphic* G = FPicture->Graphic();
    const bool Opaque = G && G->Is<TBitmap>() && G->Width() >= Width() && G->Height() >= Height();
    TControlStyle S = ControlStyle();
    if (Opaque)
        S.Include(csOpaque);
    else
        S.Exclude(csOpaque);
    SetControlStyle(S);
    Invalidate();
}

void TRpImage::SetPicture(TPicture* Value) {
    if (Value != FPicture) FPicture->Assign(Value);
}

void TRpImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    PictureChanged(this);
}

void TRpImage::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    PictureChanged(this);
}

void TRpImage::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    PictureChanged(this);
}

TCanvas* TRpImage::Canvas() {
    if (!FPicture->Graphic()) {
        TOwned<TBitmap> B = NewOwned<TBitmap>();
        B->SetSize(Width(), Height());
        FPicture->SetGraphic(B.get());
    }
    if (FPicture->Graphic()->Is<TBitmap>()) return static_cast<TBitmap*>(FPicture->Graphic())->Canvas();
    return nullptr;
}

void TRpImage::GetExpandedHeight(Extended& NewHeight) { NewHeight = Height(); }

void TRpImage::Paint() {
    TCanvas* C = TRpPrintable::Canvas();
    C->Pen()->SetStyle(psDash);
    C->Brush()->SetStyle(bsClear);
    C->Rectangle(0, 0, Width(), Height());
    if (!FPicture->Graphic()) return;
    TRect R;
    if (FStretch) {
        R = ClientRect();
    } else if (FCenter) {
        const int X = (Width() - FPicture->Width()) / 2, Y = (Height() - FPicture->Height()) / 2;
        R = TRect(X, Y, X + FPicture->Width(), Y + FPicture->Height());
    } else {
        R = TRect(0, 0, FPicture->Width(), FPicture->Height());
    }
    if (Zoom() != 100) {
        R.Right = R.Left + R.Width() * Zoom() / 100;
        R.Bottom = R.Top + R.Height() * Zoom() / 100;
    }
    C->StretchDraw(R, FPicture->Graphic());
}

void TRpImage::Print(int OfsX, int OfsY) {
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P) return;
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    if (FParentReport && FParentReport->Exporting() && FParentReport->ExportFilter())
        FParentReport->ExportFilter()->AcceptGraphic(P->XPos(L), P->YPos(T), this);
    const TRect Box(P->XPos(L), P->YPos(T), P->XPos(L + FSize->NativeWidth()), P->YPos(T + FSize->NativeHeight()));
    TGraphic* G = FPicture->Graphic();
    TCanvas* C = P->Canvas();
    TRect Drawn = Box;
    if (G && !G->Empty()) {
        if (FStretch) {
            C->StretchDraw(Box, G);
        } else {
            RpDrawPictureClipped(C, G, Box, P->XFactor(), P->YFactor(), FCenter);
            const int W = int(Round(Extended(G->Width()) / ScreenDpi() * 254 * P->XFactor()));
            const int H = int(Round(Extended(G->Height()) / ScreenDpi() * 254 * P->YFactor()));
            int X = Box.Left, Y = Box.Top;
            if (FCenter) {
                X += (Box.Width() - W) / 2;
                Y += (Box.Height() - H) / 2;
            }
            Drawn = TRect(X, Y, X + W, Y + H);
        }
    }
    inherited::Print(OfsX, OfsY);
    AddImageLink(FParentReport, this, Drawn);
}

// ---- TRpDBImage ----------------------------------------------------------------------------------

TRpDBImage::TRpDBImage(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpDBImage::~TRpDBImage() = default;

void TRpDBImage::AfterConstruction() {
    FPicture = New<TPicture>();
    FPicture->OnChange = [this](TObject*) {
        FPictureLoaded = true;
        Invalidate();
    };
    inherited::AfterConstruction();
    TControlStyle S = ControlStyle();
    S.Include(csFramed);
    S.Include(csOpaque);
    SetControlStyle(S);
    SetBounds(Left(), Top(), 105, 105);
    FCenter = true;
}

void TRpDBImage::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPicture);
}

void TRpDBImage::Published(TPublished<TRpDBImage>& P) {
    P.Boolean("Center", &TRpDBImage::Center, &TRpDBImage::SetCenter).Default(1);
    P.String("DataField", &TRpDBImage::DataField, &TRpDBImage::SetDataField);
    P.Component("DataSet", &TRpDBImage::DataSet, &TRpDBImage::SetDataSet);
    P.Boolean("Stretch", &TRpDBImage::Stretch, &TRpDBImage::SetStretch).Default(0);
}

void TRpDBImage::SetDataSet(TDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) FDataSet->RemoveFreeNotification(this);
    FDataSet = Value;
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TRpDBImage::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

void TRpDBImage::SetPicture(TPicture* Value) {
    if (Value != FPicture) FPicture->Assign(Value);
}

void TRpDBImage::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    Invalidate();
}

void TRpDBImage::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    Invalidate();
}

void TRpDBImage::Prepare() {
    inherited::Prepare();
    FField = FDataSet ? FDataSet->FindField(FDataField) : nullptr;
}

void TRpDBImage::Unprepare() {
    FField = nullptr;
    inherited::Unprepare();
}

void TRpDBImage::LoadPicture() {
    if (FPictureLoaded || !FField || !FField->Is<TBlobField>()) return;
    RpPictureFromField(FPicture, FField);
}

void TRpDBImage::GetExpandedHeight(Extended& NewHeight) {
    NewHeight = Height();
    if (FField && FField->Is<TBlobField>()) {
        TOwned<TPicture> Pic = NewOwned<TPicture>();
        if (RpPictureFromField(Pic.get(), FField)) NewHeight = Pic->Height();
    }
}

void TRpDBImage::Paint() {
    TCanvas* C = TRpPrintable::Canvas();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->SetFont(Font());
    const String S = QStringLiteral("(") + (FField ? FField->DisplayLabel() : Name()) + QStringLiteral(")");
    const TSize E = C->TextExtent(S);
    C->TextRect(ClientRect(), (Width() - E.cx) / 2, (Height() - E.cy) / 2, S);
    inherited::Paint();
}

void TRpDBImage::Print(int OfsX, int OfsY) {
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P) return;
    TCanvas* C = P->Canvas();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    if (FField && FField->Is<TBlobField>()) {
        TOwned<TPicture> Pic = NewOwned<TPicture>();
        const bool HasPicture = RpPictureFromField(Pic.get(), FField);
        const TRect Box(P->XPos(L), P->YPos(T), P->XPos(L + FSize->NativeWidth()),
                        P->YPos(T + FSize->NativeHeight()));
        if (FStretch) {
            if (!HasPicture)
                C->FillRect(Box);
            else
                C->StretchDraw(Box, Pic->Graphic());
        } else if (HasPicture) {
            RpDrawPictureClipped(C, Pic->Graphic(), Box, P->XFactor(), P->YFactor(), FCenter);
        }
    }
    inherited::Print(OfsX, OfsY);
    if (FParentReport && FParentReport->Exporting() && FParentReport->ExportFilter())
        FParentReport->ExportFilter()->AcceptGraphic(P->XPos(L), P->YPos(T), this);
}

// ---- TRpHTMLImage and TRpFrameline ---------------------------------------------------------------

void TRpHTMLImage::Published(TPublished<TRpHTMLImage>& P) {
    P.String("ImageURL", &TRpHTMLImage::ImageURL, &TRpHTMLImage::SetImageURL);
    P.Boolean("Visible", &TRpHTMLImage::Visible, &TRpHTMLImage::SetVisible).Default(1);
}

void TRpHTMLImage::Print(int OfsX, int OfsY) {
    if (!FParentReport || !FParentReport->Exporting()) return;
    TRpExportFilter* F = FParentReport->ExportFilter();
    TRpPrinter* P = FRpPrinter ? FRpPrinter : FParentReport->RpPrinter();
    if (F && P) F->AcceptImageURL(this, P->XPos(Size()->NativeLeft() + OfsX), P->YPos(Size()->NativeTop() + OfsY));
}

void TRpFrameline::Published(TPublished<TRpFrameline>& P) {
    P.Integer("Left", &TRpFrameline::Left, &TRpFrameline::SetLeft);
}

void TRpFrameline::Paint() {
    inherited::Paint();
    TCanvas* C = TRpPrintable::Canvas();
    C->MoveTo(Width() / 2, 0);
    C->LineTo(Width() / 2, Height());
}
