// The appearance objects of the data grid: the titles, the indicator column and the footers. Each
// value follows the grid until it is set: a colour of clDefault reads as the grid's colour, a value
// with a stored flag reads as the grid's rule while not stored, and an owned font follows the
// grid's font while ParentFont is on (a change made to it by anything else turns ParentFont off).
#pragma once

#include "grid/base/buttonpaintvz.h"
#include "grid/base/gridsvz.h"
#include "grid/dbgrid/columnsvz.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/classes.h"

#include <vector>

class TCustomDBGridVz;
enum TSortMarkerStyleVz : int;

enum TCellFillStyleVz { cfstDefaultVz, cfstSolidVz, cfstGradientVz, cfstThemedVz };

// The common part: the grid, a repaint or relayout of it, and the owned font with ParentFont.
class TDBGridParamsBaseVz : public TPersistent {
    SDELKA_CLASS(TDBGridParamsBaseVz, TPersistent)
public:
    explicit TDBGridParamsBaseVz(TCustomDBGridVz* AGrid);
    TCustomDBGridVz* Grid() const { return FGrid; }

    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    // The grid's font changed: a font that follows it takes the new one silently.
    void RefreshDefaultFont();
    // The fill and the line colours (clDefault: the grid lines' dark colour).
    TCellFillStyleVz FillStyle() const { return FFillStyle; }
    void SetFillStyle(TCellFillStyleVz Value);
    TColor HorzLineColor() const { return FHorzLineColor; }
    void SetHorzLineColor(TColor Value);
    TColor VertLineColor() const { return FVertLineColor; }
    void SetVertLineColor(TColor Value);

protected:
    void Repaint();
    void Relayout();
    virtual void OwnFontChanged() { Relayout(); }
    bool GridLoading() const;

    TCustomDBGridVz* FGrid;
    TFont FFont;
    bool FParentFont = true;
    bool FFontSyncing = false;
    TCellFillStyleVz FFillStyle = cfstDefaultVz;
    TColor FHorzLineColor = clDefault;
    TColor FVertLineColor = clDefault;
};

// The part titles and the indicator share: a colour that follows the grid's fixed colour until
// set, a fill style, line colours that follow the grid lines' dark colour, and horizontal and
// vertical lines that follow dgRowLines and dgColLines until set.
class TDBGridLinedParamsVz : public TDBGridParamsBaseVz {
    SDELKA_CLASS(TDBGridLinedParamsVz, TDBGridParamsBaseVz)
public:
    explicit TDBGridLinedParamsVz(TCustomDBGridVz* AGrid) : TDBGridParamsBaseVz(AGrid) {}

    TColor Color();
    void SetColor(TColor Value);
    bool ColorStored() const { return FColorStored; }
    void SetColorStored(bool Value);
    TColor GetHorzLineColor();
    TColor GetVertLineColor();
    bool HorzLines();
    void SetHorzLines(bool Value);
    bool VertLines();
    void SetVertLines(bool Value);

protected:
    void AssignLined(TDBGridLinedParamsVz* Source);
    // A line setting changed: a repaint here.
    virtual void LinesChanged() { Repaint(); }

private:
    TColor FColor = clDefault;
    bool FColorStored = false;
    bool FHorzLines = true;
    bool FHorzLinesStored = false;
    bool FVertLines = true;
    bool FVertLinesStored = false;
};

class TDBGridTitleParamsVz : public TDBGridLinedParamsVz {
    SDELKA_CLASS(TDBGridTitleParamsVz, TDBGridLinedParamsVz)
public:
    explicit TDBGridTitleParamsVz(TCustomDBGridVz* AGrid) : TDBGridLinedParamsVz(AGrid) {}
    void Assign(TPersistent* Source) override;

    TCellFillStyleVz GetActualFillStyle();
    bool MultiTitle() const { return FMultiTitle; }
    void SetMultiTitle(bool Value);
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    int RowLines() const { return FRowLines; }
    void SetRowLines(int Value);
    int VTitleMargin() const { return FVTitleMargin; }
    void SetVTitleMargin(int Value);
    TSortMarkerStyleVz SortMarkerStyle();
    void SetSortMarkerStyle(TSortMarkerStyleVz Value);
    bool BorderInFillStyle() const { return FBorderInFillStyle; }
    void SetBorderInFillStyle(bool Value);

protected:
    void OwnFontChanged() override;
    // The multi-level titles lay their lines out: a relayout then.
    void LinesChanged() override;

private:
    bool FMultiTitle = false;
    int FRowHeight = 0;
    int FRowLines = 0;
    int FVTitleMargin = 10;
    int FSortMarkerStyle = 0;
    bool FSortMarkerStyleStored = false;
    bool FBorderInFillStyle = false;
};

class TDBGridIndicatorParamsVz : public TDBGridLinedParamsVz {
    SDELKA_CLASS(TDBGridIndicatorParamsVz, TDBGridLinedParamsVz)
public:
    explicit TDBGridIndicatorParamsVz(TCustomDBGridVz* AGrid) : TDBGridLinedParamsVz(AGrid) {}
    void Assign(TPersistent* Source) override;

    // Every how many records a row number is shown; a step below 1 counts as 1.
    int RecNoShowStep() const { return FRecNoShowStep; }
    void SetRecNoShowStep(int Value);

private:
    int FRecNoShowStep = 1;
};

class TDBGridFooterParamsVz : public TDBGridParamsBaseVz {
    SDELKA_CLASS(TDBGridFooterParamsVz, TDBGridParamsBaseVz)
public:
    explicit TDBGridFooterParamsVz(TCustomDBGridVz* AGrid) : TDBGridParamsBaseVz(AGrid) {}
    void Assign(TPersistent* Source) override;

    // The grid's colour while not set.
    TColor Color();
    void SetColor(TColor Value);
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    int RowLines() const { return FRowLines; }
    void SetRowLines(int Value);
    // The heights the layout computed for each footer row.
    std::vector<int>& CalculatedRowHeights() { return FCalculatedRowHeights; }

private:
    TColor FColor = clDefault;
    int FRowHeight = 0;
    int FRowLines = 0;
    std::vector<int> FCalculatedRowHeights;
};

// The tree of a tree-mode memory table shown in the grid: the glyph style of its expand signs and
// whether the tree lines are drawn.
class TGridTreeViewParamsVz : public TPersistent {
    SDELKA_CLASS(TGridTreeViewParamsVz, TPersistent)
public:
    explicit TGridTreeViewParamsVz(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    TCustomDBGridVz* Grid() const { return FGrid; }
    TTreeViewGlyphStyleVz GlyphStyle() const { return FGlyphStyle; }
    void SetGlyphStyle(TTreeViewGlyphStyleVz Value);
    // The style the signs are drawn in: the one set, or the classic one (no visual themes here).
    TTreeViewGlyphStyleVz GetActualGlyphStyle() const;
    bool ShowTreeLines() const { return FShowTreeLines; }
    void SetShowTreeLines(bool Value);
    void Assign(TPersistent* Source) override;

private:
    TCustomDBGridVz* FGrid;
    TTreeViewGlyphStyleVz FGlyphStyle = tvgsDefaultVz;
    bool FShowTreeLines = true;
};

// The grid's background picture, which can leave the titles, the indicator and the footers out.
class TDBGridBackgroundDataVz : public TGridBackgroundDataVz {
    SDELKA_CLASS(TDBGridBackgroundDataVz, TGridBackgroundDataVz)
public:
    explicit TDBGridBackgroundDataVz(TCustomDBGridVz* AGrid);
    TCustomDBGridVz* DBGrid() const { return FDBGrid; }
    bool ExcludeTitle() const { return FExcludeTitle; }
    void SetExcludeTitle(bool Value);
    bool ExcludeIndicator() const { return FExcludeIndicator; }
    void SetExcludeIndicator(bool Value);
    bool ExcludeFooter() const { return FExcludeFooter; }
    void SetExcludeFooter(bool Value);
    void BoundRect(TRect& Rect) override;

private:
    void SetExclude(bool& Field, bool Value);
    TCustomDBGridVz* FDBGrid;
    bool FExcludeTitle = false;
    bool FExcludeIndicator = false;
    bool FExcludeFooter = false;
};

// A text the application asks the grid to show highlighted in some of its columns; registered
// with the grid's AddHighlightTextParams. The list of columns does not own them; a column that
// is deleted leaves the lists of the grid's registered objects.
class TGridHighlightTextParamsVz : public TPersistent {
    SDELKA_CLASS(TGridHighlightTextParamsVz, TPersistent)
public:
    TGridHighlightTextParamsVz() = default;
    const String& Text() const { return FText; }
    void SetText(const String& Value) { FText = Value; }
    bool CaseInsensitivity() const { return FCaseInsensitivity; }
    void SetCaseInsensitivity(bool Value) { FCaseInsensitivity = Value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TColumnsVzList& ColumnsList() { return FColumnsList; }
    void SetColumnsList(const TColumnsVzList& Value) { FColumnsList = Value; }

private:
    String FText;
    bool FCaseInsensitivity = false;
    TColor FColor = clDefault;
    TColumnsVzList FColumnsList;
};
