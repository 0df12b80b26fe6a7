// The draw style all data grids share: selection colours, the look of sort markers, the focus frame
// and the timings of the loading overlay. Grids register with it and relay out when it changes. The
// unit routines beside it: the component path that names a grid's layout section, a rectangle
// transposition and the nested busy cursor.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

#include <vector>

class TCanvas;
class TCustomDBGridVz;
class TColumnVz;
enum TSortMarkerVz : int;

enum TSortMarkerStyleVz : int {
    smstDefaultVz, smstClassicVz, smstFrameVz, smst3DFrameVz, smstSolidVz, smstThemeDefinedVz
};

using TDBGridVzGetColorEvent = TEvent<void(TCustomDBGridVz* Grid, TColor& Color)>;

class TDBGridVzStyle : public TComponent {
    SDELKA_CLASS(TDBGridVzStyle, TComponent)
protected:
    explicit TDBGridVzStyle(TComponent* AOwner);
    ~TDBGridVzStyle() override = default;

public:
    // ---- grids told of a change
    void AddChangeNotification(TCustomDBGridVz* Grid);
    void RemoveChangeNotification(TCustomDBGridVz* Grid);
    bool GridInChangeNotification(TCustomDBGridVz* Grid) const;
    void Changed();

    // ---- properties
    int DataCellHorzOffset() const { return FDataCellHorzOffset; }
    void SetDataCellHorzOffset(int Value) { FDataCellHorzOffset = Value; }
    TSortMarkerStyleVz DefaultSortMarkerStyle() const { return FDefaultSortMarkerStyle; }
    void SetDefaultSortMarkerStyle(TSortMarkerStyleVz Value) { FDefaultSortMarkerStyle = Value; }
    int FinishLoadingStatusRenderDuration() const { return FFinishLoadingStatusRenderDuration; }
    void SetFinishLoadingStatusRenderDuration(int Value) { FFinishLoadingStatusRenderDuration = Value; }
    int StartLoadingStatusRenderDuration() const { return FStartLoadingStatusRenderDuration; }
    void SetStartLoadingStatusRenderDuration(int Value) { FStartLoadingStatusRenderDuration = Value; }
    bool GradientEnabledInClassicTheme() const { return FGradientEnabledInClassicTheme; }
    void SetGradientEnabledInClassicTheme(bool Value);
    bool IsDrawFocusRect() const;
    void SetIsDrawFocusRect(bool Value);
    bool LuminateSelection() const { return FLuminateSelection; }
    void SetLuminateSelection(bool Value);
    TColor SelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor Value);
    TColor SelectionFontColor() const { return FSelectionFontColor; }
    void SetSelectionFontColor(TColor Value);
    TColor SelectionInactiveColor() const { return FSelectionInactiveColor; }
    void SetSelectionInactiveColor(TColor Value) { FSelectionInactiveColor = Value; }
    TSortMarkerStyleVz SortMarkerStyle() const { return FSortMarkerStyle; }
    void SetSortMarkerStyle(TSortMarkerStyleVz Value);
    unsigned TitleStartColumnMovingAnimationTime() const { return FTitleStartColumnMovingAnimationTime; }
    unsigned TitleFinishColumnMovingAnimationTime() const { return FTitleFinishColumnMovingAnimationTime; }
    void SetTitleStartColumnMovingAnimationTime(unsigned Value) { FTitleStartColumnMovingAnimationTime = Value; }
    void SetTitleFinishColumnMovingAnimationTime(unsigned Value) { FTitleFinishColumnMovingAnimationTime = Value; }

    // ---- colours
    virtual TColor GetSelectionColor();
    virtual TColor GetSelectionFontColor();
    virtual TColor GetSelectionInactiveColor();
    virtual TColor GetColumnColor(TColumnVz* Column);
    virtual TColor GetColumnFontColor(TColumnVz* Column, bool Selected);
    virtual TColor GetSubtitleRowColor(TCustomDBGridVz* Grid);
    TColor DefaultGetSubtitleRowColor(TCustomDBGridVz* Grid);
    virtual int GetDataCellHorzOffset() { return FDataCellHorzOffset < 0 ? 3 : FDataCellHorzOffset; }

    // ---- sort markers
    TSortMarkerStyleVz ResolveSortMarkerStyle(TSortMarkerStyleVz Style) const;
    virtual TSize GetSortMarkerSize(TSortMarkerStyleVz Style);
    // The marker's shape in Rect (its size from GetSortMarkerSize); the pen colour is kept.
    void DrawSortMarker(TCanvas* Canvas, TSortMarkerStyleVz Style, const TRect& Rect, bool Selected,
                        TSortMarkerVz SortMarker, TColor DarkColor, TColor BrightColor);

    TDBGridVzGetColorEvent OnGetSubtitleRowColor;

private:
    std::vector<TCustomDBGridVz*> FGrids;
    int FDataCellHorzOffset = -1;
    TSortMarkerStyleVz FDefaultSortMarkerStyle = smstFrameVz;
    int FFinishLoadingStatusRenderDuration = 500;
    int FStartLoadingStatusRenderDuration = 300;
    bool FGradientEnabledInClassicTheme = false;
    bool FIsDrawFocusRect = true;
    bool FIsDrawFocusRectStored = false;
    bool FLuminateSelection = true;
    TColor FSelectionColor = clDefault;
    TColor FSelectionFontColor = clDefault;
    TColor FSelectionInactiveColor = clDefault;
    TSortMarkerStyleVz FSortMarkerStyle = smstDefaultVz;
    unsigned FTitleStartColumnMovingAnimationTime = 120;
    unsigned FTitleFinishColumnMovingAnimationTime = 150;
};

// The style every data grid shares; made on first use, freed at exit.
TDBGridVzStyle* DBGridVzDefaultStyle();

// "FormClassName" + owners' names up to the form, each followed by ".", + the component's name
// (a grid G on a frame F on a form of class T1 gives T1F.G); a form gives its class name.
String GetComponentPathNameVz(TComponent* Component);
// Keeps Left and Top; the width and height change places.
void TransposeRectVz(TRect& Rect);
// Nested busy cursor: the first start saves the screen's cursor, the last stop puts it back.
void StartWaitCursorVz();
void StopWaitCursorVz();
