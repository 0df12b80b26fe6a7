// Two companions of the date-time calendar picker: the transition surface that animates the
// change between two pictures of a view (cross-fade, slide, zoom) for a fixed time, and the
// process-wide draw style that decides the picker's colours and fonts and draws the background of
// calendar cells.
#pragma once

#include "grid/base/toolsvz.h"
#include "platform/gui/graphics.h"
#include "platform/gui/imaging.h"

class TCanvas;
class TWinControl;
class TCustomCalendarViewVz;

enum TImageTransformStyleVz {
    itsTransparentTransformVz, itsLeftToRightTransformVz, itsRightToLeftTransformVz, itsZoomInTransformVz,
    itsZoomOutTransformVz
};

class TImageTransformatorVz : public TCustomControlVz {
    SDELKA_CLASS(TImageTransformatorVz, TCustomControlVz)
protected:
    explicit TImageTransformatorVz(TComponent* AOwner);
    ~TImageTransformatorVz() override;

public:
    TBitmap* Bitmap1() const { return FBitmap1.get(); }
    TBitmap* Bitmap2() const { return FBitmap2.get(); }
    TBitmap* ResultBitmap() const { return FResultBitmap.get(); }
    TImageTransformStyleVz TransformStyle() const { return FTransformStyle; }
    void SetTransformStyle(TImageTransformStyleVz Value) { FTransformStyle = Value; }
    int TransformTime() const { return FTransformTime; }
    void SetTransformTime(int Value) { FTransformTime = Value; }
    TRect ZoomWinRect() const { return FZoomWinRect; }
    void SetZoomWinRect(const TRect& Value) { FZoomWinRect = Value; }
    // Traces the steps of each transition (one debug line each).
    bool OutputDebugString() const { return FOutputDebugString; }
    void SetOutputDebugString(bool Value) { FOutputDebugString = Value; }
    // The number of frames the last transition drew.
    int LastFrameCount() const { return FLastFrameCount; }

    // The old picture from Control1, the new one (also the shown frame) from Control2; either
    // may be nil.
    void Reset(TWinControl* Control1, TWinControl* Control2);
    // Runs the transition to its end on the calling thread, frame after frame, each painted at once.
    void AnimatedTransform();
    // Draws the frame of elapsed time Elapsed (out of TransformTime) into the result bitmap.
    void DrawFrame(int Elapsed);

protected:
    void Paint() override;

private:
    void DrawZoom(TBitmap* Big, TBitmap* Small, double S, int SmallAlpha);
    TOwned<TBitmap> FBitmap1;
    int FBitmap1Transparency = 0;
    TOwned<TBitmap> FBitmap2;
    int FBitmap2Transparency = 255;
    TOwned<TBitmap> FResultBitmap;
    TImageTransformStyleVz FTransformStyle = itsTransparentTransformVz;
    int FTransformTime = 1000;
    TRect FZoomWinRect;
    bool FOutputDebugString = false;
    int FLastFrameCount = 0;
};

// Cell state bits of DrawCalendarViewCellBackgraund.
constexpr int cvcsSelectedVz = 1;
constexpr int cvcsHotVz = 2;
constexpr int cvcsTodayVz = 8;

class TDateTimeCalendarPickerDrawStyleVz : public TObject {
    SDELKA_CLASS(TDateTimeCalendarPickerDrawStyleVz, TObject)
protected:
    TDateTimeCalendarPickerDrawStyleVz() = default;
    ~TDateTimeCalendarPickerDrawStyleVz() override = default;

public:
    TColor HolidayBaseFontColor() { return GetHolidayBaseFontColor(); }
    // A change makes every open picker repaint.
    void SetHolidayBaseFontColor(TColor Value);

    virtual TColor GetHolidayBaseFontColor() { return FHolidayBaseFontColor; }
    virtual TColor GetHolidayFontColor();
    virtual TColor GetHolidayOutsidePeriodFontColor();
    virtual TColor GetHolidaySelectedFontColor();
    virtual TColor GetHotTrackCellBrushColor();
    virtual TColor GetHotTrackCellFontColor();
    virtual TColor GetInsideHorzFrameColor();
    virtual TColor GetInsideVertFrameColor();
    virtual TColor GetNormalCellBrushColor();
    virtual TColor GetNormalCellFontColor();
    virtual TColor GetOutsidePeriodCellFontColor();
    virtual TColor GetSelectedCellBrushColor();
    virtual TColor GetSelectedCellFontColor();
    virtual TColor GetTodayCellFrameColor();
    // Themed selection is never drawn: the look is classic.
    virtual bool CanDrawSelectionByStyle() { return false; }
    // State: cvcsSelectedVz, cvcsHotVz, cvcsTodayVz; CalendarView may be nil.
    virtual void DrawCalendarViewCellBackgraund(TCustomCalendarViewVz* CalendarView, TCanvas* Canvas, int State,
                                                const TRect& ARect);
    virtual void SetCalendarFontData(TControl* Calendar, TFont* MasterFont, TFont* CalendarFont);
    virtual void SetCalendarWeekNoFontData(TControl* Calendar, TFont* CalendarFont, TFont* CalendarWeekNoFont);

private:
    TColor FHolidayBaseFontColor = clDefault;
    TColor FHotTrackCellBrushColor = clNone;
    TColor FHotTrackCellBrushColor1 = clNone;
    TColor FHotTrackCellBrushColor2 = clNone;
};

TDateTimeCalendarPickerDrawStyleVz* GetDateTimeCalendarPickerDrawStyleVz();
// Installs another draw style (nil: the unit's own one again) and returns the previous one; an
// installed style stays its caller's to free after it has been replaced.
TDateTimeCalendarPickerDrawStyleVz* SetDateTimeCalendarPickerDrawStyleVz(TDateTimeCalendarPickerDrawStyleVz* Value);

// The pickers alive, so that a change of the draw style repaints them.
void RegisterCalendarPickerVz(TControl* Picker, bool Register);
