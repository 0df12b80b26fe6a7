#include "report/rpgrimage.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpframe.h"
#include "report/rpprinter.h"

#include <cmath>

namespace {

int ScreenDpi() { return Screen ? Screen->PixelsPerInch() : 96; }

void MoveRect(TRect& R, int DX, int DY) {
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
}

// The picture at its natural size on the page, centred in the control's box when asked.
void ClipToNaturalSize(TRpPrinter* P, TRect& R, Extended W, Extended H, int Pw, int Ph, bool Center) {
    const int Dpi = ScreenDpi();
    const int NW = RoundToInt(Extended(Pw) * 254 / Dpi * P->XFactor());
    const int NH = RoundToInt(Extended(Ph) * 254 / Dpi * P->YFactor());
    R.Right = R.Left + NW;
    R.Bottom = R.Top + NH;
    if (Center) MoveRect(R, (P->XSize(W) - NW) / 2, (P->YSize(H) - NH) / 2);
}

}  // namespace

TRect RpFitPicture(TRpPrinter* P, const TRect& Box, Extended L, Extended T, Extended W, Extended H, int Pw, int Ph,
                   int Cw, int Ch, TFitMode Mode, bool Center, bool& KeepWidth, bool& KeepHeight) {
    TRect R = Box;
    KeepWidth = false;
    KeepHeight = false;
    if (Pw <= 0 || Ph <= 0 || Cw <= 0 || Ch <= 0) return R;
    const Extended Aspect = Extended(Pw) / Ph;
    const bool Wider = Extended(Pw) / Cw >= Extended(Ph) / Ch;
    switch (Mode) {
        case fmKeepWidth: KeepWidth = true; break;
        case fmKeepHeight: KeepHeight = true; break;
        case fmInsideProp:
            // The picture's aspect inside the page rectangle, in page units.
            if (Wider) {
                const int Old = R.Height();
                R.Bottom = R.Top + RoundToInt(Extended(R.Width()) * Ph / Pw);
                MoveRect(R, 0, (Old - R.Height()) / 2);
            } else {
                const int Old = R.Width();
                R.Right = R.Left + RoundToInt(Extended(R.Height()) * Pw / Ph);
                MoveRect(R, (Old - R.Width()) / 2, 0);
            }
            break;
        case fmProportional:
            if (Wider)
                KeepHeight = true;
            else
                KeepWidth = true;
            break;
    }
    if (KeepWidth) {
        R.Bottom = P->YPos(T + W / Aspect);
        if (Center) MoveRect(R, 0, -RoundToInt((Ph - Ch) / 2.0L));
    } else if (KeepHeight) {
        R.Right = P->XPos(L + H * Aspect);
        if (Center) MoveRect(R, -RoundToInt((Pw - Cw) / 2.0L), 0);
    }
    return R;
}

// ---- TRpHRule ------------------------------------------------------------------------------------

TRpHRule::TRpHRule(TComponent* AOwner) : TRpPrintable(AOwner) {}
TRpHRule::~TRpHRule() = default;

void TRpHRule::AfterConstruction() {
    inherited::AfterConstruction();
    SetBounds(Left(), Top(), 100, 10);
    FPen = New<TPen>();
    FPen->OnChange = [this](TObject*) { Invalidate(); };
    FBrush = New<TBrush>();
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

void TRpHRule::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPen);
    FreeAndNil(FBrush);
}

void TRpHRule::Published(TPublished<TRpHRule>& P) {
    P.Integer("VertAdjust", &TRpHRule::VertAdjust, &TRpHRule::SetVertAdjust).Default(0);
    P.Object("Brush", &TRpHRule::Brush, &TRpHRule::SetBrush);
    P.Object("Pen", &TRpHRule::Pen, &TRpHRule::SetPen);
}

void TRpHRule::SetBrush(TBrush* Value) {
    if (Value && Value != FBrush) FBrush->Assign(Value);
}

void TRpHRule::SetPen(TPen* Value) {
    if (Value && Value != FPen) FPen->Assign(Value);
}

void TRpHRule::Print(int OfsX, int OfsY) {
    if (!FParentReport) return;
    if (!FRpPrinter) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P) return;
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    TRpExportFilter* F = FParentReport->Exporting() ? FParentReport->ExportFilter() : nullptr;
    if (F && F->TakesRules())
        F->AcceptGraphic(P->XPos(L), P->YPos(T), this);
    if (!FParentReport->FinalPass() || !IsPrintEnabled() || !P->Canvas()) return;
    TCanvas* C = P->Canvas();
    C->SetBrush(FBrush);
    C->SetPen(FPen);
    const int Y = P->YPos(T + FSize->NativeHeight() / 2);
    C->MoveTo(P->XPos(L), Y);
    C->LineTo(P->XPos(L + FSize->NativeWidth()), Y);
}

void TRpHRule::Paint() {
    inherited::Paint();
    TCanvas* C = Canvas();
    C->SetPen(FPen);
    C->MoveTo(0, Height() / 2);
    C->LineTo(Width(), Height() / 2);
}

// ---- TRpPDFShape ---------------------------------------------------------------------------------

TRpPDFShape::TRpPDFShape(TComponent* AOwner) : TRpPrintable(AOwner) {}
TRpPDFShape::~TRpPDFShape() = default;

void TRpPDFShape::AfterConstruction() {
    inherited::AfterConstruction();
    SetBounds(Left(), Top(), 100, 10);
    FPen = New<TPen>();
    FPen->OnChange = [this](TObject*) { Invalidate(); };
    FBrush = New<TBrush>();
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

void TRpPDFShape::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPen);
    FreeAndNil(FBrush);
}

void TRpPDFShape::Published(TPublished<TRpPDFShape>& P) {
    P.Integer("VertAdjust", &TRpPDFShape::VertAdjust, &TRpPDFShape::SetVertAdjust).Default(0);
    P.Object("Brush", &TRpPDFShape::Brush, &TRpPDFShape::SetBrush);
    P.Enum("ShapeType", &TRpPDFShape::ShapeType, &TRpPDFShape::SetShapeType,
           {"rpsRectangle", "rpsCircle", "rpsVertLine", "rpsHorLine", "rpsTopAndBottom", "rpsRightAndLeft",
            "rpsRoundRect", "rpsLeftDiagonal", "rpsRightDiagonal"})
        .Default(rpsRectangle);
    P.Object("Pen", &TRpPDFShape::Pen, &TRpPDFShape::SetPen);
}

void TRpPDFShape::SetBrush(TBrush* Value) {
    if (Value && Value != FBrush) FBrush->Assign(Value);
}

void TRpPDFShape::SetPen(TPen* Value) {
    if (Value && Value != FPen) FPen->Assign(Value);
}

void TRpPDFShape::SetShapeType(TRpShapeType Value) {
    FShapeType = Value;
    Invalidate();
}

void TRpPDFShape::Print(int OfsX, int OfsY) {
    if (!FParentReport) return;
    if (!FRpPrinter) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P) return;
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    TRpExportFilter* F = FParentReport->Exporting() ? FParentReport->ExportFilter() : nullptr;
    if (IsPrintEnabled() && F && F->TakesPDFShapes()) F->AcceptGraphic(P->XPos(L), P->YPos(T), this);
    if (!FParentReport->FinalPass() || !IsPrintEnabled() || !P->Canvas()) return;
    TCanvas* C = P->Canvas();
    C->SetBrush(FBrush);
    C->SetPen(FPen);
    auto Line = [&](Extended X1, Extended Y1, Extended X2, Extended Y2) {
        C->MoveTo(P->XPos(X1), P->YPos(Y1));
        C->LineTo(P->XPos(X2), P->YPos(Y2));
    };
    const TRect R(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H));
    switch (FShapeType) {
        case rpsRectangle: C->Rectangle(R); break;
        case rpsCircle: C->Ellipse(R); break;
        case rpsVertLine: Line(L + W / 2, T, L + W / 2, T + H); break;
        case rpsHorLine: Line(L, T + H / 2, L + W, T + H / 2); break;
        case rpsTopAndBottom:
            Line(L, T, L + W, T);
            Line(L, T + H, L + W, T + H);
            break;
        case rpsRightAndLeft:
            Line(L, T, L, T + H);
            Line(L + W, T, L + W, T + H);
            break;
        default: break;  // drawn by the PDF export only
    }
}

void TRpPDFShape::Paint() {
    inherited::Paint();
    TCanvas* C = Canvas();
    C->SetPen(FPen);
    C->SetBrush(FBrush);
    const int Cw = Width(), Ch = Height(), Pw = FPen->Width();
    auto Line = [C](int X1, int Y1, int X2, int Y2) {
        C->MoveTo(X1, Y1);
        C->LineTo(X2, Y2);
    };
    switch (FShapeType) {
        case rpsRectangle: C->Rectangle(Pw, Pw, Cw, Ch); break;
        case rpsCircle: C->Ellipse(0, 0, Cw, Ch); break;
        case rpsVertLine: Line(Cw / 2, 0, Cw / 2, Ch); break;
        case rpsHorLine: Line(0, Ch / 2, Cw, Ch / 2); break;
        case rpsTopAndBottom:
            Line(0, 0, Cw, 0);
            Line(0, Ch - 1, Cw, Ch - 1);
            break;
        case rpsRightAndLeft:
            Line(0, 0, 0, Ch);
            Line(Cw - 1, 0, Cw - 1, Ch);
            break;
        default: break;
    }
}

// ---- TRpGrImage ----------------------------------------------------------------------------------

TRpGrImage::TRpGrImage(TComponent* AOwner) : TRpPrintable(AOwner) {}
TRpGrImage::~TRpGrImage() = default;

void TRpGrImage::AfterConstruction() {
    FPicture = New<TPicture>();
    FPicture->OnChange = [this](TObject* S) { PictureChanged(S); };
    inherited::AfterConstruction();
    SetBounds(Left(), Top(), 105, 105);
}

void TRpGrImage::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPicture);
}

void TRpGrImage::Published(TPublished<TRpGrImage>& P) {
    P.Boolean("ClipImage", &TRpGrImage::ClipImage, &TRpGrImage::SetClipImage).Default(0);
    P.Boolean("AutoSize", &TRpGrImage::AutoSize, &TRpGrImage::SetAutoSize).Default(0);
    P.Boolean("Center", &TRpGrImage::Center, &TRpGrImage::SetCenter).Default(0);
    P.Object("Picture", &TRpGrImage::Picture, &TRpGrImage::SetPicture);
    P.Boolean("Stretch", &TRpGrImage::Stretch, &TRpGrImage::SetStretch).Default(0);
    P.Enum("FitMode", &TRpGrImage::FitMode, &TRpGrImage::SetFitMode,
           {"fmProportional", "fmKeepWidth", "fmKeepHeight", "fmInsideProp"})
        .Default(fmProportional);
}

void TRpGrImage::PictureChanged(TObject*) {
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

void TRpGrImage::SetPicture(TPicture* Value) {
    if (Value != FPicture) FPicture->Assign(Value);
}

void TRpGrImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    PictureChanged(this);
}

void TRpGrImage::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    PictureChanged(this);
}

void TRpGrImage::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    PictureChanged(this);
}

TCanvas* TRpGrImage::Canvas() {
    if (!FPicture->Graphic()) {
        TOwned<TBitmap> B = NewOwned<TBitmap>();
        B->SetSize(Width(), Height());
        FPicture->SetGraphic(B.get());
    }
    if (FPicture->Graphic()->Is<TBitmap>()) return static_cast<TBitmap*>(FPicture->Graphic())->Canvas();
    return nullptr;
}

void TRpGrImage::Paint() {
    TCanvas* C = TRpPrintable::Canvas();
    C->Pen()->SetStyle(psDash);
    C->Brush()->SetStyle(bsClear);
    C->Rectangle(0, 0, Width(), Height());
    if (!FPicture->Graphic()) return;
    const int Pw = FPicture->Width(), Ph = FPicture->Height();
    TRect R;
    if (FStretch)
        R = ClientRect();
    else if (FCenter)
        R = TRect((Width() - Pw) / 2, (Height() - Ph) / 2, (Width() - Pw) / 2 + Pw, (Height() - Ph) / 2 + Ph);
    else
        R = TRect(0, 0, Pw, Ph);
    if (Zoom() != 100) {
        R.Right = R.Left + R.Width() * Zoom() / 100;
        R.Bottom = R.Top + R.Height() * Zoom() / 100;
    }
    C->StretchDraw(R, FPicture->Graphic());
}

void TRpGrImage::Print(int OfsX, int OfsY) {
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P || !P->Canvas()) return;
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    TRect R(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H));
    TGraphic* G = FPicture->Graphic();
    TCanvas* C = P->Canvas();
    if (G && !G->Empty()) {
        if (FStretch) {
            C->StretchDraw(R, G);
        } else {
            if (G->Is<TBitmap>()) {
                bool KW, KH;
                R = RpFitPicture(P, R, L, T, W, H, G->Width(), G->Height(), Width(), Height(), FFitMode, FCenter, KW, KH);
            }
            HDC DC = C->Handle();
            const int Saved = DC->SaveDC();
            DC->IntersectClipRect(R);
            if (FClipImage) ClipToNaturalSize(P, R, W, H, G->Width(), G->Height(), FCenter);
            C->StretchDraw(R, G);
            DC->RestoreDC(Saved);
        }
    }
    FDrawnRect = R;
    inherited::Print(OfsX, OfsY);
    if (FParentReport && FParentReport->Exporting() && FParentReport->ExportFilter())
        FParentReport->ExportFilter()->AcceptGraphic(P->XPos(L), P->YPos(T), this);
}

// ---- TRpGrDBImage --------------------------------------------------------------------------------

TRpGrDBImage::TRpGrDBImage(TComponent* AOwner) : TRpPrintable(AOwner) {}
TRpGrDBImage::~TRpGrDBImage() = default;

void TRpGrDBImage::AfterConstruction() {
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

void TRpGrDBImage::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPicture);
}

void TRpGrDBImage::Published(TPublished<TRpGrDBImage>& P) {
    P.Boolean("Center", &TRpGrDBImage::Center, &TRpGrDBImage::SetCenter).Default(1);
    P.String("DataField", &TRpGrDBImage::DataField, &TRpGrDBImage::SetDataField);
    P.Component("DataSet", &TRpGrDBImage::DataSet, &TRpGrDBImage::SetDataSet);
    P.Boolean("Stretch", &TRpGrDBImage::Stretch, &TRpGrDBImage::SetStretch).Default(0);
    P.Boolean("ClipImage", &TRpGrDBImage::ClipImage, &TRpGrDBImage::SetClipImage).Default(0);
    P.Enum("FitMode", &TRpGrDBImage::FitMode, &TRpGrDBImage::SetFitMode,
           {"fmProportional", "fmKeepWidth", "fmKeepHeight", "fmInsideProp"})
        .Default(fmProportional);
}

void TRpGrDBImage::SetDataSet(TDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) FDataSet->RemoveFreeNotification(this);
    FDataSet = Value;
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TRpGrDBImage::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

void TRpGrDBImage::SetPicture(TPicture* Value) {
    if (Value != FPicture) FPicture->Assign(Value);
}

void TRpGrDBImage::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    Invalidate();
}

void TRpGrDBImage::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    Invalidate();
}

void TRpGrDBImage::Prepare() {
    inherited::Prepare();
    FField = FDataSet ? FDataSet->FindField(FDataField) : nullptr;
    if (FField && FField->Is<TBlobField>()) SetText(String());
}

void TRpGrDBImage::Unprepare() {
    FField = nullptr;
    inherited::Unprepare();
}

void TRpGrDBImage::LoadPicture() {
    if (FPictureLoaded || !FField || !FField->Is<TBlobField>()) return;
    RpPictureFromField(FPicture, FField);
}

void TRpGrDBImage::Paint() {
    TCanvas* C = TRpPrintable::Canvas();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->FillRect(ClientRect());
    C->SetFont(Font());
    const String S = QStringLiteral("(") + (FField ? FField->DisplayLabel() : Name()) + QStringLiteral(")");
    const TSize E = C->TextExtent(S);
    C->TextRect(ClientRect(), (Width() - E.cx) / 2, (Height() - E.cy) / 2, S);
    inherited::Paint();
}

void TRpGrDBImage::Print(int OfsX, int OfsY) {
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P || !P->Canvas()) return;
    TCanvas* C = P->Canvas();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    if (FField && FField->Is<TBlobField>()) {
        TOwned<TPicture> Pic = NewOwned<TPicture>();
        const bool HasPicture = RpPictureFromField(Pic.get(), FField);
        TRect R(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H));
        TGraphic* G = HasPicture ? Pic->Graphic() : nullptr;
        if (G && !FStretch)
            R = RpFitPicture(P, R, L, T, W, H, G->Width(), G->Height(), Width(), Height(), FFitMode, FCenter, FKeepWidth,
                             FKeepHeight);
        if (FStretch) {
            if (!G)
                C->FillRect(R);
            else
                C->StretchDraw(R, G);
        } else if (G) {
            HDC DC = C->Handle();
            const int Saved = DC->SaveDC();
            DC->IntersectClipRect(R);
            if (FClipImage) ClipToNaturalSize(P, R, W, H, G->Width(), G->Height(), FCenter);
            C->StretchDraw(R, G);
            DC->RestoreDC(Saved);
        }
    }
    inherited::Print(OfsX, OfsY);
    if (FParentReport && FParentReport->Exporting() && FParentReport->ExportFilter())
        FParentReport->ExportFilter()->AcceptGraphic(P->XPos(L), P->YPos(T), this);
}
