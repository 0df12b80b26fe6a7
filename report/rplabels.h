// Text printables: the label base with its line layout and printing, the label and the memo.
//
// A text is broken into lines that fit the control's width (on blanks and hyphens, or anywhere),
// optionally grows the control to fit (AutoSize), and prints line by line onto the page canvas in
// native units with horizontal and vertical alignment and optional full justification. A label
// that may stretch asks its band for one more line at a time; what does not fit the page is
// printed by the next call, starting at the first line not yet printed. The same layout feeds the
// design-time drawing, the band's stretch computation and the export filters.
#pragma once

#include "report/rpprintable.h"

#include <memory>
#include <utility>
#include <vector>

class TStrings;
class TStringList;
class TCanvas;

enum TWrapStyle { BreakOnSpaces, BreakAnywhere };

using TRpLabelOnPrintEvent = TEvent<void(TObject* Sender, String& Value)>;

class TRpCustomLabel : public TRpPrintable {
    SDELKA_CLASS(TRpCustomLabel, TRpPrintable)
protected:
    explicit TRpCustomLabel(TComponent* AOwner);
    ~TRpCustomLabel() override;

public:
    void AfterConstruction() override;

    // Where the text comes from: the caption (true) or the lines.
    virtual bool GetCaptionBased();
    // Breaks the print text (or the lines) into the formatted lines.
    virtual void FormatLines();

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void SetAlignment(TAlignment Value) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void GetExpandedHeight(Extended& NewHeight) override;
    void SetParent(TWinControl* AParent) override;
    void SetName(const String& Value) override;
    void Loaded() override;
    void DefineProperties(TFiler* Filer) override;

    String Caption() const { return FCaption; }
    void SetCaption(const String& Value);
    String Widecaption() const { return FWidecaption; }
    void SetWidecaption(const String& Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Stores the flag without laying the text out again (the next layout follows it).
    void StoreAutoSize(bool Value) { FAutoSize = Value; }
    bool AutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TWrapStyle WrapStyle() const { return FWrapStyle; }
    void SetWrapStyle(TWrapStyle Value);
    bool FullJustify() const { return FFullJustify; }
    void SetFullJustify(bool Value);
    int MaxBreakChars() const { return FMaxBreakChars; }
    void SetMaxBreakChars(int Value) { FMaxBreakChars = Value; }
    TTextLayout VerticalAlignment() const { return FVerticalAlignment; }
    void SetVerticalAlignment(TTextLayout Value);
    TStrings* Lines() const;
    void SetLines(TStrings* Value);
    bool CaptionBased() { return GetCaptionBased(); }

    // The text that is formatted and printed, and its lines.
    String PrintCaption() const { return FPrintCaption; }
    void SetPrintCaption(const String& Value) { FPrintCaption = Value; }
    TStrings* FormattedLines() const;
    int CurrentLine() const { return FCurrentLine; }
    int ContinuationMark() const override { return FCurrentLine; }

    TRpLabelOnPrintEvent OnPrint;

protected:
    virtual void ReadFontSize(TReader* Reader);
    virtual void WriteFontSize(TWriter* Writer);
    void Paint() override;
    void FontChanged() override;

    // Prints the formatted lines into the box (native units) with the given line height.
    void PrintLines(TCanvas* ACanvas, Extended ALeft, Extended ATop, Extended AWidth, Extended AHeight,
                    Extended ALineHeight, bool MayGrow);
    // Breaks one text (with line ends) into formatted lines.
    void FormatText(const String& Text);
    void FormatParagraph(const String& Paragraph);
    // Text extent in the control's pixels: the report's measure scaled by the zoom, else the
    // screen's measure.
    int MeasureWidth(const String& Text);
    int MeasureHeight(const String& Text);
    // The alignment after right-to-left mirroring.
    TAlignment EffectiveAlignment() const;
    // Whether right-to-left alignment mirrors the text's alignment.
    virtual bool MirrorsAlignment() const { return UseRightToLeftAlignment(); }

    bool FCaptionBased = true;
    bool DoneFormat = false;
    bool FAutoSize = true;
    bool FAutoStretch = false;
    String FCaption;
    String FWidecaption;
    TWrapStyle FWrapStyle = BreakOnSpaces;
    int FCurrentLine = 0;
    String FPrintCaption;
    String FWideprintcaption;
    int FFontSize = 0;
    TStringList* FFormattedLines = nullptr;
    TStringList* FLines = nullptr;
    bool FWordWrap = true;
    bool FFullJustify = false;
    int FMaxBreakChars = 5;
    TTextLayout FVerticalAlignment = tlTop;
    bool UpdatingBounds = false;
    // The box the control was placed in (pixels), before auto-size fitted it to its text: the
    // fitted text keeps this box's right edge or centre whatever the order of the changes.
    bool HasPlacedBox = false;
    int PlacedLeft = 0;
    int PlacedWidth = 0;
    // The formatted lines auto-size measured, with their widths at 96 dpi, for the export filter.
    std::vector<std::pair<String, int>> FMeasuredLines;

private:
    // One formatted line at (X, Y), native units, with the text calls' options and alignment.
    void PrintOneLine(TCanvas* C, const String& Line, Extended X, Extended Y, Extended Width, Extended Height,
                      Extended Left, Extended Top, unsigned Options, const TRect& Clip);
    void PrintJustified(TCanvas* C, const String& Line, Extended X, Extended Y);
};

// A fixed caption.
class TRpLabel : public TRpCustomLabel {
    SDELKA_CLASS(TRpLabel, TRpCustomLabel)
protected:
    ~TRpLabel() override = default;

private:
public:
    using TRpCustomLabel::TRpCustomLabel;
    static void Published(TPublished<TRpLabel>& P);
    // The label editor (TRpLabelEditor).
    TClass GetEditorClass() override;
};

// Several designed lines.
class TRpMemo : public TRpCustomLabel {
    SDELKA_CLASS(TRpMemo, TRpCustomLabel)
protected:
    ~TRpMemo() override = default;

private:
public:
    using TRpCustomLabel::TRpCustomLabel;
    static void Published(TPublished<TRpMemo>& P);
    bool GetCaptionBased() override { return false; }
    void Print(int OfsX, int OfsY) override;

protected:
    void Paint() override;
};

// Publishes the properties every text printable shares (the label, memo and the data texts).
template <class C>
void PublishLabelCommon(TPublished<C>& P) {
    P.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(taLeftJustify);
    P.Boolean("AlignToBand", &C::AlignToBand, &C::SetAlignToBand).Default(0);
    P.Boolean("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(1);
    P.Enum("BiDiMode", &C::BiDiMode, &C::SetBiDiMode,
           {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"})
        .Default(bdLeftToRight);
    P.Integer("Color", &C::Color, &C::SetColor).NoDefault();
    P.Object("Font", &C::Font, &C::SetFont);
    P.Boolean("ParentFont", &C::ParentFont, &C::SetParentFont).Default(1);
    P.Boolean("Transparent", &C::Transparent, &C::SetTransparent).Default(0);
}
