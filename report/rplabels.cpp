#include "report/rplabels.h"

#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpframe.h"
#include "report/rppageinfo.h"
#include "report/rpprinter.h"
#include "report/rpshapes.h"

#include <cmath>


namespace {

// A measuring context at the screen's resolution, one per thread (a background report measures
// while the screen paints).
TDeviceContext* MeasureDC() {
    thread_local TMeasureDC DC(96);
    return &DC;
}

int ScreenTextWidth(TFont* Font, const String& Text) {
    TDeviceContext* DC = MeasureDC();
    DC->SelectFont(Font->LogFont());
    return DC->GetTextExtent(Text).cx;
}

int ScreenTextHeight(TFont* Font, const String&) {
    TDeviceContext* DC = MeasureDC();
    DC->SelectFont(Font->LogFont());
    return DC->LineHeight();
}

bool IsBlank(const String& S) { return S.trimmed().isEmpty(); }

// Words of a justified line: the pieces before each blank, trimmed, when not empty, and the rest
// after the last blank as it is.
QStringList SplitWords(const String& Line) {
    QStringList Words;
    int Start = 0;
    for (int i = 0; i < Line.size(); ++i) {
        if (Line[i] == QLatin1Char(' ')) {
            String W = Line.mid(Start, i - Start).trimmed();
            if (!W.isEmpty()) Words << W;
            Start = i + 1;
        }
    }
    String Rest = Line.mid(Start);
    if (!Rest.isEmpty()) Words << Rest;
    return Words;
}

}  // namespace

// ---- TRpCustomLabel ------------------------------------------------------------------------------

TRpCustomLabel::TRpCustomLabel(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpCustomLabel::~TRpCustomLabel() {
    FreeAndNil(FFormattedLines);
    FreeAndNil(FLines);
}

void TRpCustomLabel::AfterConstruction() {
    FFormattedLines = New<TStringList>();
    FLines = New<TStringList>();
    inherited::AfterConstruction();
    FAutoSize = true;
    FAutoStretch = false;
    FWordWrap = true;
    DoneFormat = false;
    FCaption.clear();
    FPrintCaption.clear();
    SetTransparent(false);
    UpdatingBounds = false;
    FFontSize = 0;
    FCaptionBased = true;
    FWrapStyle = BreakOnSpaces;
    FMaxBreakChars = 5;
}

bool TRpCustomLabel::GetCaptionBased() { return FCaptionBased; }

TStrings* TRpCustomLabel::Lines() const { return FLines; }
TStrings* TRpCustomLabel::FormattedLines() const { return FFormattedLines; }

void TRpCustomLabel::SetCaption(const String& Value) {
    FCaption = Value;
    FPrintCaption = Value;
    DoneFormat = false;
    FormatLines();
    Invalidate();
}

void TRpCustomLabel::SetWidecaption(const String& Value) {
    FWidecaption = Value;
    FWideprintcaption = Value;
    DoneFormat = false;
    FormatLines();
    Invalidate();
}

void TRpCustomLabel::SetLines(TStrings* Value) {
    if (Value != FLines) FLines->Assign(Value);
    DoneFormat = false;
    Invalidate();
}

void TRpCustomLabel::SetAutoSize(bool Value) {
    FAutoSize = Value;
    DoneFormat = false;
    Invalidate();
}

void TRpCustomLabel::SetAutoStretch(bool Value) {
    FAutoStretch = Value;
    Invalidate();
}

void TRpCustomLabel::SetWordWrap(bool Value) {
    FWordWrap = Value;
    Invalidate();
}

void TRpCustomLabel::SetWrapStyle(TWrapStyle Value) {
    FWrapStyle = Value;
    DoneFormat = false;
    Invalidate();
}

void TRpCustomLabel::SetFullJustify(bool Value) {
    FFullJustify = Value;
    Invalidate();
}

void TRpCustomLabel::SetVerticalAlignment(TTextLayout Value) {
    FVerticalAlignment = Value;
    Invalidate();
}

void TRpCustomLabel::SetAlignment(TAlignment Value) {
    const bool Changed = Value != Alignment();
    inherited::SetAlignment(Value);
    // An auto-sized text is anchored again in its placed box.
    if (Changed && FAutoSize && FFormattedLines) {
        DoneFormat = false;
        FormatLines();
    }
}

void TRpCustomLabel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (UpdatingBounds) return;
    HasPlacedBox = true;
    PlacedLeft = Left();
    PlacedWidth = Width();
}

void TRpCustomLabel::SetName(const String& Value) {
    if (FCaption.isEmpty() || FCaption == Name()) SetCaption(Value);
    inherited::SetName(Value);
}

void TRpCustomLabel::SetParent(TWinControl* AParent) {
    inherited::SetParent(AParent);
    FormatLines();
}

void TRpCustomLabel::FontChanged() {
    inherited::FontChanged();
    if (!FFormattedLines) return;
    DoneFormat = false;
    FormatLines();
}

void TRpCustomLabel::DefineProperties(TFiler* Filer) {
    inherited::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("FontSize"), [this](TReader* R) { ReadFontSize(R); }, [this](TWriter* W) { WriteFontSize(W); },
        true);
}

void TRpCustomLabel::ReadFontSize(TReader* Reader) { FFontSize = Reader->ReadInteger(); }

void TRpCustomLabel::WriteFontSize(TWriter* Writer) { Writer->WriteInteger(Font()->Size()); }

void TRpCustomLabel::Loaded() {
    inherited::Loaded();
    if (FFontSize > 0) Font()->SetSize(FFontSize);
}

int TRpCustomLabel::MeasureWidth(const String& Text) {
    if (FParentReport) return MulDiv(FParentReport->TextWidth(Font(), Text), Zoom(), 100);
    return ScreenTextWidth(Font(), Text);
}

int TRpCustomLabel::MeasureHeight(const String& Text) {
    if (FParentReport) return FParentReport->TextHeight(Font(), Text) * Zoom() / 100;
    return ScreenTextHeight(Font(), Text);
}

TAlignment TRpCustomLabel::EffectiveAlignment() const {
    if (!MirrorsAlignment()) return FAlignment;
    switch (FAlignment) {
        case taLeftJustify: return taRightJustify;
        case taRightJustify: return taLeftJustify;
        default: return taCenter;
    }
}

// ---- layout --------------------------------------------------------------------------------------

void TRpCustomLabel::FormatParagraph(const String& Paragraph) {
    const int Avail = Width();
    String Line;
    if (FAutoSize) {
        FFormattedLines->Add(Paragraph);
        return;
    }
    if (FWrapStyle == BreakAnywhere) {
        for (QChar Ch : Paragraph) {
            if (MeasureWidth(Line + Ch) > Avail) {
                FFormattedLines->Add(Line);
                Line.clear();
            }
            Line += Ch;
        }
        if (!IsBlank(Line)) FFormattedLines->Add(Line);
        return;
    }
    // Words end after a blank, a hyphen or a carriage return; the break character stays.
    QStringList Words;
    {
        String W;
        for (QChar Ch : Paragraph) {
            W += Ch;
            if (Ch == QLatin1Char(' ') || Ch == QLatin1Char('-') || Ch == QLatin1Char('\r')) {
                Words << W;
                W.clear();
            }
        }
        if (!W.isEmpty()) Words << W;
    }
    bool Complete = false;
    for (String Word : Words) {
        if (MeasureWidth(Line + Word) <= Avail) {
            Line += Word;
            continue;
        }
        if (Line.isEmpty()) {
            // Only the leading characters that keep the line narrower than the width stay.
            int i = 0;
            while (i < Word.size() && MeasureWidth(Line + Word[i]) < Avail) Line += Word[i++];
            Word.clear();
        }
        FFormattedLines->Add(Line);
        Line.clear();
        if (MeasureWidth(Word) > Avail) {
            if (Avail <= 0) {
                Word.clear();
            } else {
                while (!Word.isEmpty() && MeasureWidth(Word) > Avail) Word.chop(1);
            }
            FFormattedLines->Add(Word);
            Word.clear();
        }
        if (FWordWrap) {
            Line = Word;
        } else {
            Complete = true;
        }
    }
    if (!Complete) FFormattedLines->Add(Line);
}

void TRpCustomLabel::FormatText(const String& Text) {
    String T = Text;
    T.remove(QLatin1Char('\n'));
    if (T.contains(QLatin1Char('\r'))) {
        for (const String& Piece : T.split(QLatin1Char('\r'))) FormatParagraph(Piece);
        return;
    }
    FormatParagraph(T);
}

void TRpCustomLabel::FormatLines() {
    if (!FFormattedLines) return;
    if (!Parent()) {
        DoneFormat = true;
        return;
    }
    FFormattedLines->Clear();
    FMeasuredLines.clear();
    bool NoLines = false;
    auto RaiseHeight = [this](const String& Sample) {
        if (UpdatingBounds || !FParentReport) return;
        int H = MeasureHeight(Sample) + 1;
        if (Height() < H) {
            UpdatingBounds = true;
            try {
                SetHeight(H);
            } catch (...) {
                UpdatingBounds = false;
                throw;
            }
            UpdatingBounds = false;
        }
    };
    if (GetCaptionBased()) {
        FormatText(FPrintCaption);
        RaiseHeight(QStringLiteral("Wp"));
    } else if (FLines->Count() > 0) {
        for (int i = 0; i < FLines->Count(); ++i) {
            if (FAutoSize)
                FFormattedLines->Add(FLines->Strings(i));
            else
                FormatText(FLines->Strings(i));
        }
    } else if (!FIsPrinting) {
        // At design time an empty memo shows its name.
        NoLines = true;
        FormatText(FPrintCaption);
        RaiseHeight(QStringLiteral("Wp"));
    }
    if (FAutoSize && !UpdatingBounds && FParentReport) {
        int W = 0;
        for (int i = 0; i < FFormattedLines->Count(); ++i) {
            const String L = FFormattedLines->Strings(i);
            const int LW = FParentReport->TextWidth(Font(), L);
            W = std::max(W, MulDiv(LW, Zoom(), 100));
            // The report's measure is the text's extent and one pixel.
            FMeasuredLines.emplace_back(L, LW - 1);
        }
        if (FFrame->AnyFrame() && FFrame->Width() > 0) {
            if (FFrame->DrawLeft()) W += FFrame->Width();
            if (FFrame->DrawRight()) W += FFrame->Width();
        }
        UpdatingBounds = true;
        try {
            // Anchored in the placed box, not in the box an earlier fit left behind: a text that
            // was fitted before its alignment was set would otherwise drift off its edge.
            const int BoxLeft = HasPlacedBox ? PlacedLeft : Left();
            const int BoxWidth = HasPlacedBox ? PlacedWidth : Width();
            int L = BoxLeft;
            switch (EffectiveAlignment()) {
                case taRightJustify: L += BoxWidth - W; break;
                case taCenter: L += (BoxWidth - W) / 2; break;
                default: break;
            }
            int H = MeasureHeight(QStringLiteral("W")) + 1;
            int NewH = Height();
            if (NoLines) NewH = H;
            if (NewH < H) NewH = H;
            SetBounds(L, Top(), W, NewH);
        } catch (...) {
            UpdatingBounds = false;
            throw;
        }
        UpdatingBounds = false;
    }
    DoneFormat = true;
}

// ---- printing ------------------------------------------------------------------------------------

void TRpCustomLabel::Prepare() {
    inherited::Prepare();
    SetCaption(FCaption);
}

void TRpCustomLabel::Print(int OfsX, int OfsY) {
    if (!IsPrintEnabled()) return;
    if (!FRpPrinter) {
        // A text that a descendant computed for this print stays.
        const String Text = FPrintCaption;
        Prepare();
        FPrintCaption = Text;
    }
    if (!FRpPrinter) return;
    TCanvas* C = FRpPrinter->Canvas();
    C->SetFont(Font());
    const Extended LineHeight = C->TextHeight(QStringLiteral("W")) / FRpPrinter->YFactor();
    PrintLines(C, FSize->NativeLeft() + OfsX, FSize->NativeTop() + OfsY, FSize->NativeWidth(), FSize->NativeHeight(),
               LineHeight, FAutoStretch);
}

void TRpCustomLabel::GetExpandedHeight(Extended& NewHeight) {
    FormatLines();
    int LineHeight = FParentReport ? MulDiv(FParentReport->TextHeight(Font(), QStringLiteral("W")), Zoom(), 100)
                                   : ScreenTextHeight(Font(), QStringLiteral("W"));
    NewHeight = Extended(LineHeight) * FFormattedLines->Count();
}

void TRpCustomLabel::PrintLines(TCanvas* C, Extended ALeft, Extended ATop, Extended AWidth, Extended AHeight,
                                Extended ALineHeight, bool MayGrow) {
    TRpPrinter* P = FRpPrinter;
    const bool FinalPass = FParentReport && FParentReport->FinalPass();
    const bool Exporting = FParentReport && FParentReport->Exporting();
    if (FParentReport) FParentReport->RunState().CurrentControlName = Name();

    const Extended LeftBefore = FSize->NativeLeft();
    // The host may change the text just before it prints.
    bool TextChanged = false;
    String SavedCaption;
    if (OnPrint) {
        String V = FPrintCaption;
        OnPrint(this, V);
        C->SetFont(Font());
        AHeight = FSize->NativeHeight();
        ALineHeight = C->TextHeight(QStringLiteral("W")) / P->YFactor();
        if (V != FPrintCaption) {
            SavedCaption = FPrintCaption;
            TextChanged = true;
            FPrintCaption = V;
            DoneFormat = false;
            FormatLines();
        }
    }

    Extended W0 = AWidth;
    FormatLines();
    AWidth = FSize->NativeWidth();
    if (FAutoSize) {
        // The fit may have moved the control: the text follows it to the edge it is anchored to.
        ALeft += FSize->NativeLeft() - LeftBefore;
        W0 = AWidth;
    }
    const bool Opaque = !Transparent();
    // Only an opaque right-aligned label needs the caption's width on the run's canvas.
    const Extended CaptionWidth =
        Opaque && FAlignment == taRightJustify ? C->TextWidth(FPrintCaption) / P->XFactor() : 0;

    // The background of an exported label goes to the filter as a filled shape.
    if (Exporting && Opaque && Color() != TColor(0xFFFFFF) && FParentReport->ExportFilter()) {
        Extended BL = ALeft, BW = AWidth;
        if (FAlignment == taRightJustify) {
            BL = ALeft + W0 - CaptionWidth;
            BW = CaptionWidth;
        }
        TOwned<TRpShape> Shape = NewOwned<TRpShape>(nullptr);
        Shape->Brush()->SetStyle(bsSolid);
        Shape->Brush()->SetColor(Color());
        Shape->Pen()->SetStyle(psClear);
        Shape->SetBounds(P->XPos(BL), P->YPos(ATop), P->XPos(BW), P->YPos(AHeight));
        FParentReport->ExportFilter()->AcceptGraphic(Shape->Left(), Shape->Top(), Shape.get());
    }

    if (FinalPass && Opaque) {
        C->Pen()->SetWidth(0);
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        Extended FL = ALeft, FR = ALeft + AWidth;
        if (FAlignment == taRightJustify) {
            FL = std::max(ALeft, ALeft + W0 - CaptionWidth);
            FR = ALeft + W0;
        }
        C->FillRect(TRect(P->XPos(FL), P->YPos(ATop), P->XPos(FR), P->YPos(ATop + AHeight)));
    }

    Extended FW = 0;
    if (FFrame->AnyFrame()) {
        FW = Round(Extended(FFrame->Width()) / 72 * 254);
        if (FFrame->DrawTop()) ATop += FW;
        if (FFrame->DrawLeft()) ALeft += FW;
    }

    const TRect Clip(0, 0, P->XSize(AWidth), P->YSize(ALineHeight));

    Extended X = ALeft;
    if (FAutoSize) {
        if (FAlignment == taRightJustify)
            X = ALeft - (AWidth - W0);
        else if (FAlignment == taCenter)
            X = ALeft - (AWidth - W0) / 2;
    }
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    unsigned Options = 0;
    unsigned Align = TA_LEFT | TA_TOP;
    if (UseRightToLeftReading()) {
        Options |= ETO_RTLREADING;
        Align |= TA_RTLREADING;
    }
    switch (EffectiveAlignment()) {
        case taRightJustify:
            Align = (Align & TA_RTLREADING) | TA_RIGHT | TA_TOP;
            X += AWidth;
            break;
        case taCenter:
            Align = (Align & TA_RTLREADING) | TA_CENTER | TA_TOP;
            X += AWidth / 2;
            break;
        default: break;
    }
    SetTextAlign(DC, Align);

    Extended Y = ATop;
    if (FFormattedLines->Count() == 1 && FVerticalAlignment != tlTop) {
        const Extended Spare =
            (FSize->NativeHeight() * P->YFactor() - C->TextHeight(QStringLiteral("Wp"))) / P->YFactor();
        Y += FVerticalAlignment == tlCenter ? Spare / 2 : Spare;
    }

    Extended Bottom = ATop + AHeight + 1;
    Extended Expansion = 0;
    if (FPrintFinished) FCurrentLine = 0;
    IRpBand* Band = ParentBand();
    while (FCurrentLine >= 0 && FCurrentLine < FFormattedLines->Count()) {
        if (Bottom < Y + ALineHeight) {
            if (!MayGrow || !Band || !Band->CanExpand(ALineHeight)) break;
            const Extended Previous = Expansion;
            Expansion = Band->ExpandBand(ALineHeight);
            Bottom = ATop + AHeight + 1 + Expansion;
            if (FinalPass && Opaque) {
                C->Brush()->SetStyle(bsSolid);
                C->Brush()->SetColor(Color());
                C->FillRect(TRect(P->XPos(ALeft), P->YPos(ATop + AHeight + Previous), P->XPos(ALeft + AWidth),
                                  P->YPos(ATop + AHeight + Expansion)));
                DC = C->Handle();
            }
            if (Bottom < Y + ALineHeight) {
                if (Expansion <= Previous) break;  // the band did not grow: nothing more fits
                continue;
            }
        }
        PrintOneLine(C, FFormattedLines->Strings(FCurrentLine), X, Y, AWidth, AHeight, ALeft, ATop, Options, Clip);
        // A line may have changed the text alignment (justified words are placed from the left).
        SetTextAlign(C->Handle(), Align);
        ++FCurrentLine;
        Y += ALineHeight;
    }
    FPrintFinished = !(FCurrentLine < FFormattedLines->Count() && FAutoStretch);

    SelectClipRgn(C->Handle(), nullptr);
    if (TextChanged) {
        FPrintCaption = SavedCaption;
        DoneFormat = false;
    }

    if ((FinalPass || Exporting) && FFrame->AnyFrame()) {
        FFrame->PaintIt(C,
                        TRect(P->XPos(ALeft - FW), P->YPos(ATop - FW), P->XPos(ALeft + AWidth),
                              P->YPos(FSize->NativeHeight() + ATop + Expansion)),
                        P->XFactor(), P->YFactor());
    }
}

void TRpCustomLabel::PrintOneLine(TCanvas* C, const String& Line, Extended X, Extended Y, Extended Width,
                                  Extended Height, Extended Left, Extended Top, unsigned Options,
                                  const TRect& Clip) {
    TRpPrinter* P = FRpPrinter;
    const bool FinalPass = FParentReport && FParentReport->FinalPass();
    const bool Exporting = FParentReport && FParentReport->Exporting();
    if (FinalPass && !Line.isEmpty()) {
        if (FFullJustify) {
            PrintJustified(C, Line, X, Y);
        } else if (Visible()) {
            ExtTextOut(C->Handle(), P->XPos(X), P->YPos(Y), Options, &Clip, Line);
        }
        if (FParentReport->UsePreviewLinks() && FActiveInPreview && FParentReport->CurrLinkPage()) {
            auto Item = New<TPageItemRec>();
            Item->controlname = Name();
            Item->controlclass = ClassName();
            Item->recordnumber = FParentReport->RunState().CurrentRecordNumber;
            Item->textcontent = Line;
            double XL = double(X);
            if (EffectiveAlignment() == taRightJustify)
                XL = double(X - Width);
            else if (EffectiveAlignment() == taCenter)
                XL = double(X - Width / 2);
            Item->left = XL * 96 / 254;
            Item->top = double(Y) * 96 / 254;
            Item->width = this->Width();
            Item->height = this->Height();
            FParentReport->CurrLinkPage()->addItemRec(Item);
        }
    }
    if (Exporting && FParentReport->ExportFilter()) {
        TRpExportFilter* F = FParentReport->ExportFilter();
        if (FFullJustify) {
            PrintJustified(C, Line, X, Y);
        } else if (F->TakesExportInfo()) {
            TExportInfoRec R;
            R.Xpos = X;
            R.Ypos = Y;
            R.Font = Font();
            R.BGColor = Color();
            R.Alignment = EffectiveAlignment();
            R.Text = Line;
            R.Column = FXLColumn;
            R.ExportAs = FExportAs;
            R.ControlName = Name();
            R.ControlWidth = Width;
            R.controlHeight = Height;
            R.controlLeft = Left;
            R.controlTop = Top;
            R.XLNumFormat = FXLNumFormat;
            R.VAlignment = FVerticalAlignment;
            F->TextOutRec(R);
        } else if (FCurrentLine >= 0 && size_t(FCurrentLine) < FMeasuredLines.size() &&
                   FMeasuredLines[size_t(FCurrentLine)].first == Line) {
            F->TextOutMeasured(X, Y, Font(), Color(), EffectiveAlignment(), Line,
                               FMeasuredLines[size_t(FCurrentLine)].second);
        } else {
            F->TextOut(X, Y, Font(), Color(), EffectiveAlignment(), Line);
        }
    }
}

void TRpCustomLabel::PrintJustified(TCanvas* C, const String& Line, Extended X, Extended Y) {
    TRpPrinter* P = FRpPrinter;
    const bool Exporting = FParentReport && FParentReport->Exporting();
    const QStringList Words = SplitWords(Line);
    const Extended Scale = P->YPos(100000) / 100000.0L / RpDefaultPixelFactor;
    Extended Sum = 0;
    std::vector<int> Widths;
    for (const String& W : Words) {
        Widths.push_back(C->TextWidth(W));
        Sum += Widths.back();
    }
    const Extended Available = Width() * Scale;
    const Extended Blank = C->TextWidth(QStringLiteral(" "));
    Extended Gap = Blank;
    if (Words.size() >= 2 && Sum < Available) Gap = (Available - Sum) / (Words.size() - 1);
    if (Blank > 0 && FMaxBreakChars < Gap / Blank) Gap = Blank;
    Extended DX = P->XPos(X);
    const int DY = P->YPos(Y);
    HDC DC = C->Handle();
    SetTextAlign(DC, TA_LEFT | TA_TOP | (UseRightToLeftReading() ? TA_RTLREADING : 0));
    for (int i = 0; i < Words.size(); ++i) {
        if (Exporting) {
            if (TRpExportFilter* F = FParentReport->ExportFilter())
                F->TextOut(Round(DX / RpDefaultPixelFactor), Y, Font(), Color(), EffectiveAlignment(), Words[i]);
        } else if (Visible()) {
            ExtTextOut(DC, int(Round(DX)), DY, UseRightToLeftReading() ? ETO_RTLREADING : 0, nullptr, Words[i]);
        }
        DX += Widths[size_t(i)] + Gap;
    }
}

// ---- design-time drawing -------------------------------------------------------------------------

void TRpCustomLabel::Paint() {
    TCanvas* C = Canvas();
    C->SetFont(Font());
    const int Size = int(Round(Extended(Font()->Size()) * Zoom() / 100));
    if (C->Font()->Size() != Size) C->Font()->SetSize(Size);
    inherited::Paint();
    if (FIsPrinting) return;
    FormatLines();
    const int LineHeight = C->TextHeight(QStringLiteral("W"));
    const TRect R = ClientRect();
    if (!Transparent()) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(R);
    }
    const int Dpi = Screen ? Screen->PixelsPerInch() : 96;
    int Top = R.Top, X = R.Left;
    if (FFrame->Width() > 0) {
        const int Ofs = int(Round(Extended(Zoom()) * (Extended(FFrame->Width()) / 72 * Dpi) / 100));
        if (FFrame->DrawTop()) Top += Ofs;
        if (FFrame->DrawLeft()) X += Ofs;
    }
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    unsigned Align = TA_LEFT | TA_TOP;
    switch (EffectiveAlignment()) {
        case taRightJustify: Align = TA_RIGHT | TA_TOP; X = R.Right; break;
        case taCenter: Align = TA_CENTER | TA_TOP; X = (X + R.Right) / 2; break;
        default: break;
    }
    SetTextAlign(DC, Align);
    const int N = FFormattedLines->Count();
    if (N == 1) {
        int Y = Top;
        const int Spare = R.Height() - C->TextHeight(QStringLiteral("Wq"));
        if (FVerticalAlignment == tlCenter) Y += Spare / 2;
        if (FVerticalAlignment == tlBottom) Y += Spare;
        if (!FFormattedLines->Strings(0).isEmpty()) ExtTextOut(DC, X, Y, 0, nullptr, FFormattedLines->Strings(0));
    } else {
        for (int i = 0; i < N; ++i) {
            const String& L = FFormattedLines->Strings(i);
            if (!L.isEmpty()) ExtTextOut(DC, X, Top + i * LineHeight, 0, nullptr, L);
        }
    }
    PaintCorners();
}

// ---- TRpLabel and TRpMemo ------------------------------------------------------------------------

void TRpLabel::Published(TPublished<TRpLabel>& P) {
    PublishLabelCommon(P);
    P.Boolean("AutoStretch", &TRpLabel::AutoStretch, &TRpLabel::SetAutoStretch).Default(0);
    P.Boolean("WordWrap", &TRpLabel::WordWrap, &TRpLabel::SetWordWrap).Default(1);
    P.Integer("XLColumn", &TRpLabel::XLColumn, &TRpLabel::SetXLColumn).Default(0);
    P.String("Caption", &TRpLabel::Caption, &TRpLabel::SetCaption);
    P.String("Widecaption", &TRpLabel::Widecaption, &TRpLabel::SetWidecaption);
    P.Enum("ExportAs", &TRpLabel::ExportAs, &TRpLabel::SetExportAs, {"exptText", "exptNumeric", "exptFormula"})
        .Default(exptText);
    P.Enum("WrapStyle", &TRpLabel::WrapStyle, &TRpLabel::SetWrapStyle, {"BreakOnSpaces", "BreakAnywhere"})
        .Default(BreakOnSpaces);
    P.Enum("VerticalAlignment", &TRpLabel::VerticalAlignment, &TRpLabel::SetVerticalAlignment,
           {"tlTop", "tlCenter", "tlBottom"})
        .Default(tlTop);
}

void TRpMemo::Published(TPublished<TRpMemo>& P) {
    PublishLabelCommon(P);
    P.Boolean("AutoStretch", &TRpMemo::AutoStretch, &TRpMemo::SetAutoStretch).Default(0);
    P.Boolean("WordWrap", &TRpMemo::WordWrap, &TRpMemo::SetWordWrap).Default(1);
    P.Object("Lines", &TRpMemo::Lines, &TRpMemo::SetLines);
    P.Boolean("FullJustify", &TRpMemo::FullJustify, &TRpMemo::SetFullJustify).Default(0);
    P.Integer("MaxBreakChars", &TRpMemo::MaxBreakChars, &TRpMemo::SetMaxBreakChars).Default(5);
}

void TRpMemo::Print(int OfsX, int OfsY) {
    SetCaption(String());
    inherited::Print(OfsX, OfsY);
    SetCaption(Name());
}

void TRpMemo::Paint() {
    if (FLines->Count() > 0 && !FCaption.isEmpty()) SetCaption(String());
    inherited::Paint();
}
