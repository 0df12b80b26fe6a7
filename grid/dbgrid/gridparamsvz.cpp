#include "grid/dbgrid/gridparamsvz.h"

#include "grid/dbgrid/dbgridvz.h"

#include <algorithm>

// ---- the common part ---------------------------------------------------------------------------

TDBGridParamsBaseVz::TDBGridParamsBaseVz(TCustomDBGridVz* AGrid) : FGrid(AGrid) {
    RefreshDefaultFont();
    FFont.OnChange = [this](TObject*) {
        if (FFontSyncing) return;
        if (!GridLoading()) FParentFont = false;
        OwnFontChanged();
    };
}

bool TDBGridParamsBaseVz::GridLoading() const { return FGrid && FGrid->ComponentState().Contains(csLoading); }

void TDBGridParamsBaseVz::Repaint() {
    if (FGrid) FGrid->Invalidate();
}

void TDBGridParamsBaseVz::Relayout() {
    if (FGrid) FGrid->LayoutChanged();
}

void TDBGridParamsBaseVz::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    RefreshDefaultFont();
    Relayout();
}

void TDBGridParamsBaseVz::RefreshDefaultFont() {
    if (!FParentFont || !FGrid) return;
    FFontSyncing = true;
    FFont.Assign(FGrid->Font());
    FFontSyncing = false;
}

void TDBGridParamsBaseVz::SetFillStyle(TCellFillStyleVz Value) {
    if (FFillStyle == Value) return;
    FFillStyle = Value;
    Repaint();
}

void TDBGridParamsBaseVz::SetHorzLineColor(TColor Value) {
    if (FHorzLineColor == Value) return;
    FHorzLineColor = Value;
    Repaint();
}

void TDBGridParamsBaseVz::SetVertLineColor(TColor Value) {
    if (FVertLineColor == Value) return;
    FVertLineColor = Value;
    Repaint();
}

// ---- what titles and the indicator share -------------------------------------------------------

void TDBGridLinedParamsVz::AssignLined(TDBGridLinedParamsVz* S) {
    FColor = S->FColor;
    FColorStored = S->FColorStored;
    FFillStyle = S->FFillStyle;
    FHorzLineColor = S->FHorzLineColor;
    FVertLineColor = S->FVertLineColor;
    FHorzLines = S->FHorzLines;
    FHorzLinesStored = S->FHorzLinesStored;
    FVertLines = S->FVertLines;
    FVertLinesStored = S->FVertLinesStored;
    FParentFont = S->FParentFont;
    if (!FParentFont) FFont.Assign(S->Font());
    else RefreshDefaultFont();
}

TColor TDBGridLinedParamsVz::Color() { return FColorStored ? FColor : (FGrid ? FGrid->FixedColor() : clBtnFace); }

void TDBGridLinedParamsVz::SetColor(TColor Value) {
    if (FColorStored && FColor == Value) return;
    FColor = Value;
    FColorStored = true;
    Repaint();
}

void TDBGridLinedParamsVz::SetColorStored(bool Value) {
    if (Value) FColor = Color();
    FColorStored = Value;
    if (!Value) FColor = Color();
    Repaint();
}

TColor TDBGridLinedParamsVz::GetHorzLineColor() {
    return FHorzLineColor == clDefault && FGrid ? FGrid->GridLineColors()->GetDarkColor() : FHorzLineColor;
}

TColor TDBGridLinedParamsVz::GetVertLineColor() {
    return FVertLineColor == clDefault && FGrid ? FGrid->GridLineColors()->GetDarkColor() : FVertLineColor;
}

bool TDBGridLinedParamsVz::HorzLines() {
    return FHorzLinesStored ? FHorzLines : (FGrid && FGrid->Options().Contains(dgRowLines));
}

void TDBGridLinedParamsVz::SetHorzLines(bool Value) {
    if (FHorzLinesStored && FHorzLines == Value) return;
    FHorzLines = Value;
    FHorzLinesStored = true;
    LinesChanged();
}

bool TDBGridLinedParamsVz::VertLines() {
    return FVertLinesStored ? FVertLines : (FGrid && FGrid->Options().Contains(dgColLines));
}

void TDBGridLinedParamsVz::SetVertLines(bool Value) {
    if (FVertLinesStored && FVertLines == Value) return;
    FVertLines = Value;
    FVertLinesStored = true;
    LinesChanged();
}

// ---- titles ------------------------------------------------------------------------------------

void TDBGridTitleParamsVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TDBGridTitleParamsVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    AssignLined(s);
    FMultiTitle = s->FMultiTitle;
    FRowHeight = s->FRowHeight;
    FRowLines = s->FRowLines;
    FVTitleMargin = s->FVTitleMargin;
    FSortMarkerStyle = s->FSortMarkerStyle;
    FSortMarkerStyleStored = s->FSortMarkerStyleStored;
    FBorderInFillStyle = s->FBorderInFillStyle;
    Relayout();
}

void TDBGridTitleParamsVz::LinesChanged() {
    if (FMultiTitle) Relayout();
    else Repaint();
}

// Classic drawing: no visual themes, so every fill ends solid unless the style allows gradients.
TCellFillStyleVz TDBGridTitleParamsVz::GetActualFillStyle() {
    TCellFillStyleVz s = FillStyle();
    const bool fixed3D = FGrid && FGrid->OptionsVz().Contains(dghFixed3D);
    if (s == cfstDefaultVz) s = cfstSolidVz;
    else if (s == cfstThemedVz) s = fixed3D ? cfstGradientVz : cfstSolidVz;
    if (s == cfstGradientVz && !(FGrid && FGrid->Style() && FGrid->Style()->GradientEnabledInClassicTheme()))
        s = cfstSolidVz;
    return s;
}

void TDBGridTitleParamsVz::SetMultiTitle(bool Value) {
    if (FMultiTitle == Value) return;
    FMultiTitle = Value;
    Relayout();
}

void TDBGridTitleParamsVz::SetRowHeight(int Value) {
    if (FRowHeight == Value) return;
    FRowHeight = Value;
    Relayout();
}

void TDBGridTitleParamsVz::SetRowLines(int Value) {
    if (FRowLines == Value) return;
    FRowLines = Value;
    Relayout();
}

void TDBGridTitleParamsVz::SetVTitleMargin(int Value) {
    if (FVTitleMargin == Value) return;
    FVTitleMargin = Value;
    Relayout();
}

TSortMarkerStyleVz TDBGridTitleParamsVz::SortMarkerStyle() {
    if (FSortMarkerStyleStored) return static_cast<TSortMarkerStyleVz>(FSortMarkerStyle);
    return FGrid && FGrid->Style() ? FGrid->Style()->SortMarkerStyle() : smstDefaultVz;
}

void TDBGridTitleParamsVz::SetSortMarkerStyle(TSortMarkerStyleVz Value) {
    if (FSortMarkerStyleStored && FSortMarkerStyle == Value) return;
    FSortMarkerStyle = Value;
    FSortMarkerStyleStored = true;
    Repaint();
}

void TDBGridTitleParamsVz::SetBorderInFillStyle(bool Value) {
    if (FBorderInFillStyle == Value) return;
    FBorderInFillStyle = Value;
    Relayout();
}

void TDBGridTitleParamsVz::OwnFontChanged() {
    if (FGrid && FGrid->Options().Contains(dgTitles)) Relayout();
    else Repaint();
}

// ---- indicator ---------------------------------------------------------------------------------

void TDBGridIndicatorParamsVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TDBGridIndicatorParamsVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    AssignLined(s);
    FRecNoShowStep = s->FRecNoShowStep;
    Repaint();
}

void TDBGridIndicatorParamsVz::SetRecNoShowStep(int Value) {
    // A step of 0 (or less) would divide by zero when row numbers are picked.
    if (Value < 1) Value = 1;
    if (FRecNoShowStep == Value) return;
    FRecNoShowStep = Value;
    Repaint();
}

// ---- footers -----------------------------------------------------------------------------------

void TDBGridFooterParamsVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TDBGridFooterParamsVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FColor = s->FColor;
    FFillStyle = s->FFillStyle;
    FHorzLineColor = s->FHorzLineColor;
    FVertLineColor = s->FVertLineColor;
    FRowHeight = s->FRowHeight;
    FRowLines = s->FRowLines;
    FParentFont = s->FParentFont;
    if (!FParentFont) FFont.Assign(s->Font());
    else RefreshDefaultFont();
    Relayout();
}

TColor TDBGridFooterParamsVz::Color() { return FColor == clDefault && FGrid ? FGrid->Color() : FColor; }

void TDBGridFooterParamsVz::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    Repaint();
}

void TDBGridFooterParamsVz::SetRowHeight(int Value) {
    if (FRowHeight == Value) return;
    FRowHeight = Value;
    Relayout();
}

void TDBGridFooterParamsVz::SetRowLines(int Value) {
    if (FRowLines == Value) return;
    FRowLines = Value;
    Relayout();
}

// ---- the tree view -----------------------------------------------------------------------------

void TGridTreeViewParamsVz::SetGlyphStyle(TTreeViewGlyphStyleVz Value) {
    if (FGlyphStyle == Value) return;
    FGlyphStyle = Value;
    if (FGrid) FGrid->Invalidate();
}

TTreeViewGlyphStyleVz TGridTreeViewParamsVz::GetActualGlyphStyle() const {
    return FGlyphStyle == tvgsDefaultVz ? tvgsClassicVz : FGlyphStyle;
}

void TGridTreeViewParamsVz::SetShowTreeLines(bool Value) {
    if (FShowTreeLines == Value) return;
    FShowTreeLines = Value;
    if (FGrid) FGrid->Invalidate();
}

void TGridTreeViewParamsVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TGridTreeViewParamsVz*>(Source)) {
        SetGlyphStyle(s->FGlyphStyle);
        SetShowTreeLines(s->FShowTreeLines);
        return;
    }
    TPersistent::Assign(Source);
}

// ---- the background picture --------------------------------------------------------------------

TDBGridBackgroundDataVz::TDBGridBackgroundDataVz(TCustomDBGridVz* AGrid)
    : TGridBackgroundDataVz(AGrid), FDBGrid(AGrid) {}

void TDBGridBackgroundDataVz::SetExclude(bool& Field, bool Value) {
    if (Field == Value) return;
    Field = Value;
    PictureChanged();
}

void TDBGridBackgroundDataVz::SetExcludeTitle(bool Value) { SetExclude(FExcludeTitle, Value); }
void TDBGridBackgroundDataVz::SetExcludeIndicator(bool Value) { SetExclude(FExcludeIndicator, Value); }
void TDBGridBackgroundDataVz::SetExcludeFooter(bool Value) { SetExclude(FExcludeFooter, Value); }

void TDBGridBackgroundDataVz::BoundRect(TRect& Rect) {
    TGridBackgroundDataVz::BoundRect(Rect);
    TGridAxisDataVz* h = FDBGrid->HorzAxis();
    TGridAxisDataVz* v = FDBGrid->VertAxis();
    if (FExcludeFooter) Rect.Bottom = v->ContraStart();
    if (FExcludeIndicator) Rect.Left += h->FixedBoundary() - h->FrozenLen();
    if (FExcludeTitle) Rect.Top += v->FixedBoundary();
}

// ---- the grid's side ---------------------------------------------------------------------------

TGridBackgroundDataVz* TCustomDBGridVz::CreateBackgroundData() { return New<TDBGridBackgroundDataVz>(this); }

void TCustomDBGridVz::AddHighlightTextParams(TGridHighlightTextParamsVz* Params) {
    if (!Params || std::find(FHighlightTextParams.begin(), FHighlightTextParams.end(), Params) != FHighlightTextParams.end())
        return;
    FHighlightTextParams.push_back(Params);
    Invalidate();
}

void TCustomDBGridVz::RemoveHighlightTextParams(TGridHighlightTextParamsVz* Params) {
    auto i = std::find(FHighlightTextParams.begin(), FHighlightTextParams.end(), Params);
    if (i == FHighlightTextParams.end()) return;
    FHighlightTextParams.erase(i);
    Invalidate();
}
