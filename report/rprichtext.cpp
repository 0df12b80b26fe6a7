#include "report/rprichtext.h"

#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/gui/rtf.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpexportfilter.h"
#include "report/rpprinter.h"
#include "report/rpshapes.h"

#include <QRect>
#include <QTextDocument>

namespace {

// Device pixels of a native length on a measuring device without a printer (96 per inch).
constexpr Extended MeasureFactor = 96 / 254.0L;

}  // namespace

TRpCustomRichText::TRpCustomRichText(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpCustomRichText::~TRpCustomRichText() = default;

void TRpCustomRichText::AfterConstruction() {
    inherited::AfterConstruction();
    FRichEdit = New<TRpRichEdit>(this);
    FRichEdit->SetBorderStyle(bsNone);
    FRichEdit->SetParent(this);
    FAutoStretch = false;
    FPrintFinished = true;
    FYIncrement = 50;
    SetBounds(Left(), Top(), 100, 100);
}

void TRpCustomRichText::Published(TPublished<TRpCustomRichText>& P) {
    P.Enum("Alignment", &TRpCustomRichText::GetTextAlignment, &TRpCustomRichText::SetAlignment,
           {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(taLeftJustify);
    P.Boolean("AutoStretch", &TRpCustomRichText::AutoStretch, &TRpCustomRichText::SetAutoStretch).Default(0);
    P.Integer("Color", &TRpCustomRichText::TextColor, &TRpCustomRichText::SetTextColor).NoDefault();
    P.Object("Font", &TRpCustomRichText::TextFont, &TRpCustomRichText::SetTextFont);
    P.Boolean("HiresExport", &TRpCustomRichText::HiresExport, &TRpCustomRichText::SetHiresExport).Default(0);
    P.Integer("XLColumn", &TRpCustomRichText::XLColumn, &TRpCustomRichText::SetXLColumn).Default(0);
    P.Boolean("Transparent", &TRpCustomRichText::TransparentProp, &TRpCustomRichText::SetTransparentProp)
        .Default(0);
    P.Integer("YIncrement", &TRpCustomRichText::YIncrement, &TRpCustomRichText::SetYIncrement).Default(50);
}

void TRpCustomRichText::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FRichEdit) FRichEdit->SetBounds(1, 1, Width() - 2, Height() - 2);
}

TAlignment TRpCustomRichText::GetTextAlignment() const { return FRichEdit ? FRichEdit->Alignment() : FAlignment; }

void TRpCustomRichText::SetAlignment(TAlignment Value) {
    inherited::SetAlignment(Value);
    if (FRichEdit) FRichEdit->SetAlignment(Value);
}

TColor TRpCustomRichText::TextColor() const { return FRichEdit ? FRichEdit->Color() : Color(); }

void TRpCustomRichText::SetTextColor(TColor Value) {
    if (FRichEdit) FRichEdit->SetColor(Value);
}

TFont* TRpCustomRichText::TextFont() const { return FRichEdit ? FRichEdit->Font() : Font(); }

void TRpCustomRichText::SetTextFont(TFont* Value) {
    if (FRichEdit && Value) FRichEdit->SetFont(Value);
}

void TRpCustomRichText::SetParentRichEdit(TCustomRichEdit* Value) {
    if (Value == FParentRichEdit) return;
    if (FParentRichEdit) FParentRichEdit->RemoveFreeNotification(this);
    FParentRichEdit = Value;
    if (FParentRichEdit) FParentRichEdit->FreeNotification(this);
}

void TRpCustomRichText::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FParentRichEdit) FParentRichEdit = nullptr;
    if (AComponent == FRichEdit) FRichEdit = nullptr;
}

void TRpCustomRichText::Print(int OfsX, int OfsY) {
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    TCustomRichEdit* Edit = Source();
    if (!P || !Edit) return;
    const QTextDocument& Doc = *Edit->Document();
    TCanvas* C = P->Canvas();
    HDC DC = C->Handle();
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    TRect Box(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H));
    const int Length = DocumentTextLength(Doc);
    const bool Draw = !FParentReport || FParentReport->FinalPass();
    const int DpiX = DC->LogPixelsX(), DpiY = DC->LogPixelsY();
    auto Measure = [&](const TRect& R) {
        return RichTextFormatRange(Doc, LastChar, -1, QRect(R.Left, R.Top, R.Width(), R.Height()), DpiX, DpiY);
    };

    if (FPrintFinished) LastChar = 0;
    const int From = LastChar;
    Extended Expansion = 0;
    int Next = Measure(Box);
    IRpBand* Band = ParentBand();
    if (Next < Length && FAutoStretch && Band && Length > 0) {
        FPrintFinished = false;
        // The band grows step by step until the rest fits or the page is full; a step below 1
        // counts as 1, and a band that does not grow ends the growing.
        const Extended Step = std::max<Extended>(FYIncrement, 1);
        while (Next < Length && Band->CanExpand(Step)) {
            const Extended Grown = Band->ExpandBand(Step);
            if (Grown <= Expansion) break;
            Expansion = Grown;
            Box.Bottom = P->YPos(T + H + Expansion);
            Next = Measure(Box);
        }
        const int Answer = Draw ? RichTextFormatRangeDC(Doc, LastChar, -1, Box, DC) : Next;
        if (Answer >= Length || Answer < 0) {
            LastChar = Length;
            FPrintFinished = true;
        } else {
            LastChar = Answer;
        }
    } else {
        LastChar = Draw ? RichTextFormatRangeDC(Doc, LastChar, -1, Box, DC) : Next;
        FPrintFinished = true;
        inherited::Print(OfsX, OfsY);
    }
    if (FParentReport && FParentReport->Exporting() && FParentReport->ExportFilter())
        ExportPicture(From, Box, OfsX, OfsY);
}

void TRpCustomRichText::ExportPicture(int From, const TRect& Box, int OfsX, int OfsY) {
    TRpPrinter* P = FRpPrinter;
    TCustomRichEdit* Edit = Source();
    HDC Reference = P->Canvas()->Handle();
    const int W = Box.Width(), H = Box.Height();
    TOwned<TRpImage> Image = NewOwned<TRpImage>(nullptr);
    Image->SetName(Name() + QStringLiteral("_") + QString::number(++ExportCounter));
    Image->SetAutoSize(true);
    TOwned<TMetafile> Picture = NewOwned<TMetafile>();
    Picture->SetMMWidth(int(Round(Extended(W) * 2540 / Reference->LogPixelsX())));
    Picture->SetMMHeight(int(Round(Extended(H) * 2540 / Reference->LogPixelsY())));
    {
        TOwned<TMetafileCanvas> MC = NewOwned<TMetafileCanvas>(Picture.get(), Reference);
        RichTextFormatRangeDC(*Edit->Document(), From, -1, TRect(0, 0, W, H), MC->Handle());
    }
    Image->Picture()->SetGraphic(Picture.get());
    Image->Size()->Assign(FSize);
    Image->SetBounds(Left(), Top(), Width(), Height());
    FParentReport->ExportFilter()->AcceptGraphic(P->XPos(Image->Size()->NativeLeft() + OfsX),
                                                 P->YPos(Image->Size()->NativeTop() + OfsY), Image.get());
}

void TRpCustomRichText::GetExpandedHeight(Extended& NewHeight) {
    TCustomRichEdit* Edit = Source();
    if (!Edit) return;
    const QTextDocument& Doc = *Edit->Document();
    TRpPrinter* P = FRpPrinter ? FRpPrinter : (FParentReport ? FParentReport->RpPrinter() : nullptr);
    const int Dpi = P && P->Canvas() ? P->Canvas()->Handle()->LogPixelsY() : 96;
    const int DpiX = P && P->Canvas() ? P->Canvas()->Handle()->LogPixelsX() : 96;
    const Extended XF = P && P->Canvas() ? P->XFactor() : MeasureFactor;
    const Extended YF = P && P->Canvas() ? P->YFactor() : MeasureFactor;
    const int Left = int(Round(FSize->NativeLeft() * XF)), Top = int(Round(FSize->NativeTop() * YF));
    QRect R(Left, Top, int(Round(FSize->NativeWidth() * XF)), int(Round(FSize->NativeHeight() * YF)));
    LastChar = 0;
    const int Length = DocumentTextLength(Doc);
    int Next = RichTextFormatRange(Doc, 0, -1, R, DpiX, Dpi);
    // Grows in steps until all the text fits; a text that never fits (a line taller than any
    // height) stops after a bounded number of steps.
    Extended Step = 50;
    for (int Guard = 0; Next < Length && Length > 0 && Guard < 2000; ++Guard) {
        const int Before = R.height();
        R.setHeight(R.height() + int(Round(Step * YF)));
        if (R.height() == Before) Step += 20;
        Next = RichTextFormatRange(Doc, 0, -1, R, DpiX, Dpi);
    }
    NewHeight = Extended(R.height()) / Dpi * 96;
}
