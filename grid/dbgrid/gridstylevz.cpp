#include "grid/dbgrid/gridstylevz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "platform/gui/forms.h"

#include <algorithm>

TDBGridVzStyle::TDBGridVzStyle(TComponent* AOwner) : TComponent(AOwner) {}

void TDBGridVzStyle::AddChangeNotification(TCustomDBGridVz* Grid) {
    if (!GridInChangeNotification(Grid)) FGrids.push_back(Grid);
}

void TDBGridVzStyle::RemoveChangeNotification(TCustomDBGridVz* Grid) {
    FGrids.erase(std::remove(FGrids.begin(), FGrids.end(), Grid), FGrids.end());
}

bool TDBGridVzStyle::GridInChangeNotification(TCustomDBGridVz* Grid) const {
    return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

void TDBGridVzStyle::Changed() {
    const std::vector<TCustomDBGridVz*> grids = FGrids;  // a grid may leave while it relays out
    for (TCustomDBGridVz* g : grids)
        if (GridInChangeNotification(g)) g->DrawStyleChanged();
}

void TDBGridVzStyle::SetGradientEnabledInClassicTheme(bool Value) {
    if (FGradientEnabledInClassicTheme == Value) return;
    FGradientEnabledInClassicTheme = Value;
    Changed();
}

bool TDBGridVzStyle::IsDrawFocusRect() const { return FIsDrawFocusRectStored ? FIsDrawFocusRect : true; }

void TDBGridVzStyle::SetIsDrawFocusRect(bool Value) {
    const bool changed = IsDrawFocusRect() != Value;
    FIsDrawFocusRect = Value;
    FIsDrawFocusRectStored = true;
    if (changed) Changed();
}

void TDBGridVzStyle::SetLuminateSelection(bool Value) {
    if (FLuminateSelection == Value) return;
    FLuminateSelection = Value;
    Changed();
}

void TDBGridVzStyle::SetSelectionColor(TColor Value) {
    if (FSelectionColor == Value) return;
    FSelectionColor = Value;
    Changed();
}

void TDBGridVzStyle::SetSelectionFontColor(TColor Value) {
    if (FSelectionFontColor == Value) return;
    FSelectionFontColor = Value;
    Changed();
}

void TDBGridVzStyle::SetSortMarkerStyle(TSortMarkerStyleVz Value) {
    if (FSortMarkerStyle == Value) return;
    FSortMarkerStyle = Value;
    Changed();
}

TColor TDBGridVzStyle::GetSelectionColor() { return FSelectionColor == clDefault ? clHighlight : FSelectionColor; }

TColor TDBGridVzStyle::GetSelectionFontColor() {
    return FSelectionFontColor == clDefault ? clHighlightText : FSelectionFontColor;
}

TColor TDBGridVzStyle::GetSelectionInactiveColor() {
    return FSelectionInactiveColor == clDefault ? ColorToGrayVz(GetSelectionColor()) : FSelectionInactiveColor;
}

TColor TDBGridVzStyle::GetColumnColor(TColumnVz* Column) { return Column->Color(); }

TColor TDBGridVzStyle::GetColumnFontColor(TColumnVz* Column, bool) { return Column->Font()->Color(); }

TColor TDBGridVzStyle::DefaultGetSubtitleRowColor(TCustomDBGridVz* Grid) {
    return BlendColorsVz(Grid->Color(), Grid->FixedColor(), 8);
}

TColor TDBGridVzStyle::GetSubtitleRowColor(TCustomDBGridVz* Grid) {
    TColor c = DefaultGetSubtitleRowColor(Grid);
    if (OnGetSubtitleRowColor) OnGetSubtitleRowColor(Grid, c);
    return c;
}

TSortMarkerStyleVz TDBGridVzStyle::ResolveSortMarkerStyle(TSortMarkerStyleVz Style) const {
    if (Style == smstDefaultVz) Style = FDefaultSortMarkerStyle;
    // Markers defined by a visual theme fall back to the frame (classic drawing has no theme).
    if (Style == smstThemeDefinedVz || Style == smstDefaultVz) Style = smstFrameVz;
    return Style;
}

TSize TDBGridVzStyle::GetSortMarkerSize(TSortMarkerStyleVz Style) {
    switch (ResolveSortMarkerStyle(Style)) {
    case smstFrameVz: return TSize{7, 8};
    case smstSolidVz: return TSize{9, 5};
    default: return TSize{8, 7};
    }
}

void TDBGridVzStyle::DrawSortMarker(TCanvas* Canvas, TSortMarkerStyleVz Style, const TRect& R, bool Selected,
                                    TSortMarkerVz SortMarker, TColor DarkColor, TColor BrightColor) {
    if (SortMarker == smNoneVz) return;
    const TColor oldPen = Canvas->Pen()->Color();
    const int cx = (R.Left + R.Right) / 2;
    switch (ResolveSortMarkerStyle(Style)) {
    case smstSolidVz: {
        const TColor c = Selected ? GetSelectionFontColor() : BlendColorsVz(DarkColor, BrightColor, 128);
        Canvas->Pen()->SetColor(c);
        for (int i = 0; i < 5; ++i) {
            const int y = SortMarker == smUpVz ? R.Top + 4 - i : R.Top + i;
            Canvas->MoveTo(R.Left + i, y);
            Canvas->LineTo(R.Left + 9 - i, y);
        }
        break;
    }
    case smst3DFrameVz: {
        const TColor shadow = BlendColorsVz(DarkColor, cl3DDkShadow, 85);
        if (SortMarker == smUpVz) {
            Canvas->Pen()->SetColor(clWindow);
            Canvas->Polyline({TPoint{R.Left + 1, R.Bottom}, TPoint{R.Right, R.Bottom}, TPoint{cx + 1, R.Top - 1}});
            Canvas->Pen()->SetColor(shadow);
            Canvas->MoveTo(R.Left, R.Bottom);
            Canvas->LineTo(cx, R.Top - 1);
        } else {
            Canvas->Pen()->SetColor(shadow);
            Canvas->Polyline({TPoint{cx, R.Bottom}, TPoint{R.Left, R.Top}, TPoint{R.Right, R.Top}});
            Canvas->Pen()->SetColor(clWindow);
            Canvas->MoveTo(cx + 1, R.Bottom);
            Canvas->LineTo(R.Right + 1, R.Top - 1);
        }
        break;
    }
    default: {
        Canvas->Pen()->SetColor(Selected ? GetSelectionFontColor() : BlendColorsVz(DarkColor, cl3DDkShadow, 50));
        if (SortMarker == smUpVz)
            Canvas->Polyline({TPoint{cx, R.Top}, TPoint{R.Right, R.Bottom}, TPoint{R.Left, R.Bottom}, TPoint{cx, R.Top}});
        else
            Canvas->Polyline({TPoint{cx, R.Bottom}, TPoint{R.Left, R.Top}, TPoint{R.Right, R.Top}, TPoint{cx, R.Bottom}});
        break;
    }
    }
    Canvas->Pen()->SetColor(oldPen);
}

TDBGridVzStyle* DBGridVzDefaultStyle() {
    static TOwned<TDBGridVzStyle> style = NewOwned<TDBGridVzStyle>(nullptr);
    return style.get();
}

// ---- unit routines -----------------------------------------------------------------------------

String GetComponentPathNameVz(TComponent* Component) {
    if (!Component) return String();
    if (dynamic_cast<TCustomForm*>(Component)) return Component->ClassName();
    String path = Component->Name();
    TComponent* o = Component->Owner();
    while (o && !dynamic_cast<TCustomForm*>(o)) {
        path = o->Name() + u"."_S + path;
        o = o->Owner();
    }
    if (o) path = o->ClassName() + path;
    return path;
}

void TransposeRectVz(TRect& Rect) {
    const int w = Rect.Right - Rect.Left, h = Rect.Bottom - Rect.Top;
    Rect.Right = Rect.Left + h;
    Rect.Bottom = Rect.Top + w;
}

namespace {
int GWaitCursorCount = 0;
TCursor GSavedCursor = crDefault;
}  // namespace

void StartWaitCursorVz() {
    if (GWaitCursorCount == 0 && Screen) {
        GSavedCursor = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
    }
    ++GWaitCursorCount;
}

void StopWaitCursorVz() {
    if (GWaitCursorCount <= 0) return;
    if (--GWaitCursorCount == 0 && Screen) Screen->SetCursor(GSavedCursor);
}
