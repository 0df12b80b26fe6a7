#include "report/rppreview.h"

#include "platform/gui/canvas.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"

bool ClipPagePainting = false;

void PaintPage(TMetafile* Metafile, TCanvas* Canvas, const TRect& R, bool Framed) {
    if (!Metafile && !Framed) return;
    const int W = R.Width(), H = R.Height();
    Canvas->Brush()->SetColor(clWhite);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Pen()->SetColor(clWhite);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
    const TRect sheet(R.Left + 1, R.Top + 1, R.Left + W - 3, R.Top + H - 3);
    Canvas->Rectangle(sheet);
    if (Metafile) {
        HDC dc = Canvas->Handle();
        if (ClipPagePainting) {
            TRegion clip(sheet);
            dc->SelectClipRgn(&clip);
        }
        try {
            PlayEnhMetaFile(dc, Metafile->Data(), R);
        } catch (...) {
            if (ClipPagePainting) dc->SelectClipRgn(nullptr);
            throw;
        }
        if (ClipPagePainting) dc->SelectClipRgn(nullptr);
    }
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Pen()->SetWidth(1);
    Canvas->MoveTo(R.Left, R.Top);
    Canvas->LineTo(R.Left, R.Top + H - 3);
    Canvas->LineTo(R.Left + W - 3, R.Top + H - 3);
    Canvas->LineTo(R.Left + W - 3, R.Top);
    Canvas->LineTo(R.Left, R.Top);
    Canvas->Brush()->SetColor(clBlack);
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Rectangle(R.Left + W - 2, R.Top + 2, R.Right, R.Bottom);
    Canvas->Rectangle(R.Left + 2, R.Top + H - 2, R.Right, R.Bottom);
}

// ---- the page ----------------------------------------------------------------------------------

TRpPreviewImage::TRpPreviewImage(TComponent* AOwner) : TGraphicControl(AOwner) {}

TRpPreviewImage::~TRpPreviewImage() { FreeAndNil(FMetafile); }

void TRpPreviewImage::SetPageNumber(int Value) {
    FPageNumber = Value;
    FreeAndNil(FMetafile);
    if (FRpPrinter) FMetafile = FRpPrinter->GetPage(Value);
    Repaint();
}

void TRpPreviewImage::Paint() {
    PaintPage(FMetafile, Canvas(), TRect(0, 0, Width(), Height()), ComponentState().Contains(csDesigning));
}

// ---- the control -------------------------------------------------------------------------------

TRpPreview::TRpPreview(TComponent* AOwner) : TScrollBox(AOwner) {
    FPreviewImage = New<TRpPreviewImage>(this);
    FPreviewImage->SetParent(this);
    FPreviewImage->SetBounds(0, 0, FPreviewImage->Width(), FPreviewImage->Height());
    OnResize = TNotifyEvent(this, &TRpPreview::ApplyZoomState);
    OnEnter = TNotifyEvent(this, &TRpPreview::ApplyZoomState);
    SetBounds(Left(), Top(), 250, 250);
}

TRpPreview::~TRpPreview() = default;

void TRpPreview::BeforeDestruction() {
    Detach();
    inherited::BeforeDestruction();
}

void TRpPreview::Detach() {
    TRpPrinter* old = FRpPrinter;
    if (!old) return;
    FRpPrinter = nullptr;
    if (FPreviewImage) FPreviewImage->SetRpPrinter(nullptr);
    old->OnDestroying.Clear();
    if (old->Client() == this) {
        old->SetClient(nullptr);
        old->SetShowingPreview(false);
    }
}

void TRpPreview::SetRpPrinter(TRpPrinter* Value) {
    if (Value == FRpPrinter) return;
    Detach();
    FRpPrinter = Value;
    FPreviewImage->SetRpPrinter(Value);
    if (Value) {
        Value->SetClient(this);
        Value->SetShowingPreview(true);
        // A printer freed while shown lets go of the control first.
        Value->OnDestroying = [this](TRpPrinter* P) {
            if (P == FRpPrinter) {
                FRpPrinter = nullptr;
                FPreviewImage->SetRpPrinter(nullptr);
                FPreviewImage->SetPageNumber(FPageNumber);  // drops the page
                if (P->Client() == this) P->SetClient(nullptr);
                P->SetShowingPreview(false);
            }
        };
    }
    FPageNumber = 1;
    FPreviewImage->SetPageNumber(1);
    Invalidate();
    // The owner receives the mouse over the page, in the page's coordinates.
    FPreviewImage->OnClick = OnClick;
    FPreviewImage->OnDblClick = OnDblClick;
    FPreviewImage->OnMouseDown = OnMouseDown;
    FPreviewImage->OnMouseMove = OnMouseMove;
    FPreviewImage->OnMouseUp = OnMouseUp;
}

void TRpPreview::SetPageNumber(int Value) {
    if (Value == FPageNumber && FPreviewImage->ImageOK()) return;
    if (Value <= 0 || !FRpPrinter || Value > FRpPrinter->PageCount()) return;
    FPreviewImage->SetPageNumber(Value);
    FPageNumber = Value;
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
}

void TRpPreview::Dispatch(TMessage& Message) {
    if (Message.Msg == RP_WM_PAGES) {
        const int pages = static_cast<int>(Message.WParam & 0xFFFF);
        if (pages == FPageNumber) UpdateImage();
        if (OnPageAvailable) OnPageAvailable(this, pages);
        return;
    }
    if (Message.Msg == RP_WM_PROGRESS) {
        if (OnProgressUpdate) OnProgressUpdate(this, static_cast<int>(Message.WParam & 0xFFFF));
        return;
    }
    inherited::Dispatch(Message);
}

void TRpPreview::UpdateImage() {
    if (!FPreviewImage || FPreviewImage->ImageOK() || !FRpPrinter) return;
    if (FRpPrinter->AvailablePages() < FPreviewImage->PageNumber()) return;
    if (auto* report = dynamic_cast<TCustomRpReport*>(FRpPrinter->ParentReport());
        report && report->PrevInitialZoom == rpZoomToWidth)
        ZoomToWidth();
    FPreviewImage->SetPageNumber(FPreviewImage->PageNumber());
}

int TRpPreview::PaperPixelsX(Extended Percent) const {
    if (FRpPrinter) return FRpPrinter->XSize(FRpPrinter->PaperWidthValue() / 100.0L * Percent);
    return static_cast<int>(Round(215.9L / 100 * Percent));
}

int TRpPreview::PaperPixelsY(Extended Percent) const {
    if (FRpPrinter) return FRpPrinter->YSize(FRpPrinter->PaperLengthValue() / 100.0L * Percent);
    return static_cast<int>(Round(279.4L / 100 * Percent));
}

void TRpPreview::UpdateZoom() {
    // Back to the top left first: the scroll box moves its children when it scrolls.
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
    const int w = PaperPixelsX(FZoom) + 4;
    const int h = PaperPixelsY(FZoom) + 4;
    const int left = w < Width() ? (Width() - w) / 2 : 0;
    const int top = h < Height() ? (Height() - h) / 2 : 0;
    FPreviewImage->SetBounds(left, top, w, h);
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
    FPreviewImage->SetZoom(FZoom);
}

void TRpPreview::SetZoom(int Value) {
    if (Value < 2 || Value > 2000) return;
    FZoomState = rpZoomOther;
    FZoom = Value;
    UpdateZoom();
}

void TRpPreview::ZoomToFit() {
    const Extended pw = FRpPrinter ? FRpPrinter->XSize(FRpPrinter->PaperWidthValue()) : 215.9L;
    const Extended pl = FRpPrinter ? FRpPrinter->YSize(FRpPrinter->PaperLengthValue()) : 279.4L;
    const int a = pw > 0 ? static_cast<int>(Round(Width() / pw * 95)) : FZoom;
    const int b = pl > 0 ? static_cast<int>(Round(Height() / pl * 95)) : FZoom;
    SetZoom(std::min(a, b));
    UpdateZoom();
    FZoomState = rpZoomToFit;
}

void TRpPreview::ZoomToWidth() {
    int z = FZoom;
    if (FRpPrinter) {
        const int pw = FRpPrinter->XSize(FRpPrinter->PaperWidthValue());
        if (pw > 0) z = static_cast<int>(Round(Extended(Width()) / pw * 90));
    } else {
        z = static_cast<int>(Round(Width() / 215.9L * 95));
    }
    SetZoom(z);
    UpdateZoom();
    FZoomState = rpZoomToWidth;
}

void TRpPreview::ApplyZoomState(TObject*) {
    if (FZoomState == rpZoomToFit)
        ZoomToFit();
    else if (FZoomState == rpZoomToWidth)
        ZoomToWidth();
    UpdateZoom();
}
