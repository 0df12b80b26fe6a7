#include "report/rphtmllabel.h"

#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpframe.h"
#include "report/rpprinter.h"

using namespace Qt::StringLiterals;

namespace {

int ScreenMeasure(TFont* Font, const String& Text, bool Height) {
    thread_local TMeasureDC DC(96);
    DC.SelectFont(Font->LogFont());
    const TSize S = DC.GetTextExtent(Text);
    return Height ? S.cy : S.cx;
}

}  // namespace

TRpCustomHTMLLabel::TRpCustomHTMLLabel(TComponent* AOwner) : TRpPrintable(AOwner) {}
TRpCustomHTMLLabel::~TRpCustomHTMLLabel() = default;

void TRpCustomHTMLLabel::AfterConstruction() {
    FFormattedLines = New<TStringList>();
    FLines = New<TStringList>();
    inherited::AfterConstruction();
    FAutoSize = true;
    FAutoStretch = false;
    FWordWrap = true;
    DoneFormat = false;
    SetCaption(String());
    SetTransparent(false);
    FCaptionBased = true;
    FShowOnDocs = true;
}

void TRpCustomHTMLLabel::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FFormattedLines);
    FreeAndNil(FLines);
}

void TRpHTMLLabel::Published(TPublished<TRpHTMLLabel>& P) {
    P.Integer("Flashcolor", &TRpHTMLLabel::Flashcolor, &TRpHTMLLabel::SetFlashcolor).NoDefault();
    P.String("LinkText", &TRpHTMLLabel::LinkText, &TRpHTMLLabel::SetLinkText);
    P.Enum("LinkType", &TRpHTMLLabel::LinkType, &TRpHTMLLabel::SetLinkType, {"ldHTTPJump", "ldNameJump", "ldNameLabel"})
        .Default(ldHTTPJump);
    PublishLabelCommon(P);
    P.Boolean("AutoStretch", &TRpHTMLLabel::AutoStretch, &TRpHTMLLabel::SetAutoStretch).Default(0);
    P.String("Caption", &TRpHTMLLabel::Caption, &TRpHTMLLabel::SetCaption);
    P.Boolean("WordWrap", &TRpHTMLLabel::WordWrap, &TRpHTMLLabel::SetWordWrap).Default(1);
    P.Boolean("ShowOnDocs", &TRpHTMLLabel::ShowOnDocs, &TRpHTMLLabel::SetShowOnDocs).Default(1);
}

TStrings* TRpCustomHTMLLabel::Lines() const { return FLines; }
TStrings* TRpCustomHTMLLabel::FormattedLines() const { return FFormattedLines; }

void TRpCustomHTMLLabel::SetCaption(const String& Value) {
    FCaption = Value;
    FPrintCaption = Value;
    DoneFormat = false;
    FormatLines();
    Invalidate();
}

void TRpCustomHTMLLabel::SetLines(TStrings* Value) {
    if (Value && Value != FLines) FLines->Assign(Value);
    DoneFormat = false;
    Invalidate();
}

void TRpCustomHTMLLabel::SetAutoSize(bool Value) {
    FAutoSize = Value;
    DoneFormat = false;
    FormatLines();
    Invalidate();
}

void TRpCustomHTMLLabel::SetAutoStretch(bool Value) {
    FAutoStretch = Value;
    Invalidate();
}

void TRpCustomHTMLLabel::SetWordWrap(bool Value) {
    FWordWrap = Value;
    Invalidate();
}

void TRpCustomHTMLLabel::SetName(const String& Value) {
    if (FCaption.isEmpty() || FCaption == Name()) SetCaption(Value);
    inherited::SetName(Value);
}

void TRpCustomHTMLLabel::SetParent(TWinControl* AParent) {
    inherited::SetParent(AParent);
    FormatLines();
}

void TRpCustomHTMLLabel::FontChanged() {
    inherited::FontChanged();
    if (!FFormattedLines) return;
    DoneFormat = false;
    FormatLines();
}

void TRpCustomHTMLLabel::DefineProperties(TFiler* Filer) {
    inherited::DefineProperties(Filer);
    Filer->DefineProperty(
        u"FontSize"_s, [this](TReader* R) { FFontSize = R->ReadInteger(); },
        [this](TWriter* W) { W->WriteInteger(Font()->Size()); }, true);
}

void TRpCustomHTMLLabel::Loaded() {
    inherited::Loaded();
    if (FFontSize > 0) Font()->SetSize(FFontSize);
}

int TRpCustomHTMLLabel::MeasureWidth(const String& Text) {
    if (FParentReport) return MulDiv(FParentReport->TextWidth(Font(), Text), Zoom(), 100);
    return ScreenMeasure(Font(), Text, false);
}

int TRpCustomHTMLLabel::MeasureHeight(const String& Text) {
    if (FParentReport) return FParentReport->TextHeight(Font(), Text) * Zoom() / 100;
    return ScreenMeasure(Font(), Text, true);
}

void TRpCustomHTMLLabel::FormatLines() {
    if (!FFormattedLines || !FSize || UpdatingBounds) return;
    FFormattedLines->Clear();
    const String Text = FPrintCaption;
    const QStringList Paragraphs = String(Text).replace(u"\r\n"_s, u"\r"_s).replace(u'\n', u'\r').split(u'\r');
    const int Avail = Width();
    for (const String& Para : Paragraphs) {
        if (FAutoSize) {
            FFormattedLines->Add(Para);
            continue;
        }
        // Words broken at blanks; without word wrap a word that overflows is dropped, and the
        // words after it collect in a line that is kept only when a later word overflows it.
        const QStringList Words = Para.split(u' ');
        String Line;
        bool Dropping = false;
        for (const String& Word : Words) {
            const String Try = Line.isEmpty() ? Word : Line + u' ' + Word;
            if (Line.isEmpty() || MeasureWidth(Try) <= Avail) {
                Line = Try;
                continue;
            }
            if (FWordWrap || Dropping) FFormattedLines->Add(Line);
            Dropping = !FWordWrap;
            Line = FWordWrap ? Word : String();
        }
        if (FWordWrap || !Dropping) FFormattedLines->Add(Line);
    }
    DoneFormat = true;
    if (FAutoSize && !FCaption.isEmpty()) {
        int Widest = 0;
        for (int i = 0; i < FFormattedLines->Count(); ++i) Widest = std::max(Widest, MeasureWidth(FFormattedLines->Strings(i)));
        UpdatingBounds = true;
        try {
            if (Widest > 0 && Widest != Width()) SetWidth(Widest);
        } catch (...) {
            UpdatingBounds = false;
            throw;
        }
        UpdatingBounds = false;
    }
    const int MinHeight = MeasureHeight(u"W"_s) * Zoom() / 100 + 1;
    if (!FCaption.isEmpty() && Height() < MinHeight) {
        UpdatingBounds = true;
        SetHeight(MinHeight);
        UpdatingBounds = false;
    }
}

void TRpCustomHTMLLabel::Prepare() {
    inherited::Prepare();
    SetCaption(String(FCaption));
}

void TRpCustomHTMLLabel::Print(int OfsX, int OfsY) {
    if (!IsPrintEnabled()) return;
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    if (!FRpPrinter || !FRpPrinter->Canvas()) return;
    TCanvas* C = FRpPrinter->Canvas();
    C->SetFont(Font());
    DrawHTMLText(C, FAutoStretch, C->TextHeight(u"W"_s) / FRpPrinter->YFactor(), FSize->NativeHeight(),
                 FSize->NativeWidth(), FSize->NativeTop() + OfsY, FSize->NativeLeft() + OfsX);
}

void TRpCustomHTMLLabel::Paint() {
    if (FIsPrinting) return;
    TCanvas* C = Canvas();
    TOwned<TFont> F = NewOwned<TFont>();
    F->Assign(Font());
    F->SetSize(RoundToInt(Extended(Font()->Size()) * Zoom() / 100));
    inherited::Paint();
    C->SetFont(F.get());
    const int LineHeight = C->TextHeight(u"W"_s);
    if (!Transparent()) {
        C->Brush()->SetColor(Color());
        C->Brush()->SetStyle(bsSolid);
        C->FillRect(ClientRect());
    }
    C->Brush()->SetStyle(bsClear);
    const int Fw = FFrame->AnyFrame() ? std::max(FFrame->Width(), 0) : 0;
    const int Top = FFrame->DrawTop() ? Fw : 0;
    const int Left = FFrame->DrawLeft() ? Fw : 0;
    for (int i = 0; i < FFormattedLines->Count(); ++i) {
        const String L = FFormattedLines->Strings(i);
        int X = Left;
        if (FAlignment == taRightJustify)
            X = Width() - C->TextWidth(L);
        else if (FAlignment == taCenter)
            X = (Width() - C->TextWidth(L)) / 2;
        C->TextOut(X, Top + i * LineHeight, L);
    }
    PaintCorners();
}

void TRpHTMLLabel::DrawHTMLText(TCanvas* C, bool MayGrow, Extended LH, Extended Hh, Extended Ww, Extended ATop,
                                Extended ALeft) {
    TRpPrinter* P = FRpPrinter;
    if (!P) return;
    const bool FinalPass = FParentReport && FParentReport->FinalPass();
    TRpExportFilter* Filter = FParentReport && FParentReport->Exporting() ? FParentReport->ExportFilter() : nullptr;
    if (!FCaption.isEmpty()) {
        C->SetFont(Font());
        Hh = FSize->NativeHeight();
        LH = C->TextHeight(u"W"_s) / P->YFactor();
    }
    const Extended W0 = Ww;
    Ww = FSize->NativeWidth();
    auto Fill = [&](Extended Y1, Extended Y2) {
        C->Pen()->SetWidth(0);
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(TRect(P->XPos(ALeft), P->YPos(Y1), P->XPos(ALeft + Ww), P->YPos(Y2)));
    };
    if (FinalPass && !Transparent()) Fill(ATop, ATop + Hh);
    const int Fw = RoundToInt(Extended(std::max(FFrame->Width(), 0)) / 72 * 254);
    const Extended Top0 = ATop, Left0 = ALeft;
    if (FFrame->DrawTop()) ATop += Fw;
    if (FFrame->DrawLeft()) ALeft += Fw;
    Extended X = ALeft;
    if (FAutoSize) {
        if (FAlignment == taRightJustify)
            X = ALeft - (Ww - W0);
        else if (FAlignment == taCenter)
            X = ALeft - (Ww - W0) / 2;
    }
    HDC DC = C->Handle();
    DC->SetBkMode(TRANSPARENT);
    Extended Bottom = ATop + Hh + 1;
    Extended E = 0;
    bool Fits = Bottom >= ATop + LH;
    if (!Fits && MayGrow) {
        if (IRpBand* Band = ParentBand(); Band && Band->CanExpand(LH)) {
            const Extended Previous = E;
            E = Band->ExpandBand(LH);
            Bottom = ATop + Hh + 1 + E;
            if (FinalPass && !Transparent()) Fill(ATop + Hh + Previous, ATop + Hh + E);
            Fits = true;
        }
    }
    if (Fits) {
        if (FinalPass && !FCaption.isEmpty() && FShowOnDocs)
            ExtTextOut(C->Handle(), P->XPos(X), P->YPos(ATop), 0, nullptr, FCaption);
        if (Filter && Filter->TakesHTMLTags())
            Filter->TextOut(X, ATop, Font(), Color(), FAlignment, u"%!"_s + Name() + u"!%"_s);
        FPrintFinished = true;
    }
    C->Handle()->SelectClipRgn(nullptr);
    if (FinalPass && FFrame->AnyFrame()) {
        Extended Width = Ww;
        if (FFrame->DrawRight()) Width += 3 * Fw;
        FFrame->PaintIt(C, TRect(P->XPos(Left0), P->YPos(Top0), P->XPos(Left0 + Width), P->YPos(Top0 + FSize->NativeHeight() + E)),
                        P->XFactor(), P->YFactor());
    }
}
