// The link label: a text printable whose caption becomes a link or a named anchor in an HTML
// export. On pages and in the preview it prints its caption as one line of plain text (no tags
// are interpreted); while exporting to the HTML filter it hands the filter the placeholder
// "%!" + its name + "!%", which the filter replaces by the caption, escaped and wrapped according
// to LinkText and LinkType.
#pragma once

#include "report/rplabels.h"

enum TLinkDef { ldHTTPJump, ldNameJump, ldNameLabel };

class TRpCustomHTMLLabel : public TRpPrintable {
    SDELKA_CLASS(TRpCustomHTMLLabel, TRpPrintable)
protected:
    explicit TRpCustomHTMLLabel(TComponent* AOwner);
    ~TRpCustomHTMLLabel() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    virtual bool GetCaptionBased() { return FCaptionBased; }
    // Draws the caption's line into the box (native units); the base draws nothing.
    virtual void DrawHTMLText(TCanvas* ACanvas, bool MayGrow, Extended LineHeight, Extended AHeight, Extended AWidth,
                              Extended ATop, Extended ALeft) {}
    // Breaks the caption into the formatted lines (design view and auto-size).
    virtual void FormatLines();

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void SetParent(TWinControl* AParent) override;
    void SetName(const String& Value) override;
    void Loaded() override;
    void DefineProperties(TFiler* Filer) override;

    String Caption() const { return FCaption; }
    void SetCaption(const String& Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool AutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool ShowOnDocs() const { return FShowOnDocs; }
    void SetShowOnDocs(bool Value) { FShowOnDocs = Value; }
    TStrings* Lines() const;
    void SetLines(TStrings* Value);
    TStrings* FormattedLines() const;
    bool CaptionBased() { return GetCaptionBased(); }

    TRpLabelOnPrintEvent OnPrint;

protected:
    void Paint() override;
    void FontChanged() override;
    int MeasureWidth(const String& Text);
    int MeasureHeight(const String& Text);

    bool FCaptionBased = true;
    bool DoneFormat = false;
    bool FAutoSize = true;
    bool FAutoStretch = false;
    String FCaption;
    String FPrintCaption;
    int FFontSize = 0;
    TStringList* FFormattedLines = nullptr;
    TStringList* FLines = nullptr;
    bool FWordWrap = true;
    bool FShowOnDocs = true;
    bool UpdatingBounds = false;
};

class TRpHTMLLabel : public TRpCustomHTMLLabel {
    SDELKA_CLASS(TRpHTMLLabel, TRpCustomHTMLLabel)
protected:
    explicit TRpHTMLLabel(TComponent* AOwner) : TRpCustomHTMLLabel(AOwner) {}
    ~TRpHTMLLabel() override = default;

public:
    static void Published(TPublished<TRpHTMLLabel>& P);
    // The label editor (TRpLabelEditor).
    TClass GetEditorClass() override;
    void DrawHTMLText(TCanvas* ACanvas, bool MayGrow, Extended LineHeight, Extended AHeight, Extended AWidth,
                      Extended ATop, Extended ALeft) override;

    TColor Flashcolor() const { return FFlashColor; }
    void SetFlashcolor(TColor Value) { FFlashColor = Value; }
    String LinkText() const { return FLinkText; }
    void SetLinkText(const String& Value) { FLinkText = Value; }
    TLinkDef LinkType() const { return FLinkType; }
    void SetLinkType(TLinkDef Value) { FLinkType = Value; }

private:
    TColor FFlashColor = TColor(0);
    String FLinkText;
    TLinkDef FLinkType = ldHTTPJump;
};
