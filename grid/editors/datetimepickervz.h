// The date-time calendar picker: one control that stacks the calendar views (decades, years,
// months, days, the time page and its unit pages), shows one at a time under a header (prior
// period, the period's text, next period) and above a today line, zooms between coarser and finer
// views and slides between periods. The popup form hosts a picker as a drop-down and is what the
// editors open through IPopupDateTimePickerVz.
#pragma once

#include "grid/base/buttonsvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/base/toolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/editors/calendarviewsvz.h"
#include "grid/editors/dropdownformvz.h"

#include <vector>

class TImageTransformatorVz;
class TTimeCalendarViewVz;
class THours24CalendarViewVz;
class THours12CalendarViewVz;
class TMinutesCalendarViewVz;
class TSecondsCalendarViewVz;
class TDateTimeCalendarPickerVz;
class TDynVarsVz;

enum TInteractiveInputMethodVz { iimKeyboardVz, iimMouseVz };
enum TDateTimePickCalendarButtonStyleVz { cmpsPriorPeriodVz, cmpsNextPeriodVz };

class TDateTimePickCalendarPaintBufferVz : public TCustomCalendarViewPaintBufferVz {
    SDELKA_CLASS(TDateTimePickCalendarPaintBufferVz, TCustomCalendarViewPaintBufferVz)
public:
    TDateTimePickCalendarPaintBufferVz();
    ~TDateTimePickCalendarPaintBufferVz() override;
    TFont* CalendarWeekNoFont() const { return FCalendarWeekNoFont.get(); }

private:
    TOwned<TFont> FCalendarWeekNoFont;
};

// The header's period buttons.
class TDateTimePickCalendarButtonVz : public TSpeedButtonVz {
    SDELKA_CLASS(TDateTimePickCalendarButtonVz, TSpeedButtonVz)
protected:
    explicit TDateTimePickCalendarButtonVz(TComponent* AOwner) : TSpeedButtonVz(AOwner) {}
    ~TDateTimePickCalendarButtonVz() override = default;

public:
    TDateTimeCalendarPickerVz* PickCalendar() const;
    TDateTimePickCalendarButtonStyleVz Style() const { return FStyle; }
    void SetStyle(TDateTimePickCalendarButtonStyleVz Value) { FStyle = Value; }

protected:
    void Paint() override;

private:
    TDateTimePickCalendarButtonStyleVz FStyle = cmpsPriorPeriodVz;
};

// The header's text of the shown period; a press zooms out.
class TDateTimePickCalendarDateInfoLabelVz : public TSpeedButtonVz {
    SDELKA_CLASS(TDateTimePickCalendarDateInfoLabelVz, TSpeedButtonVz)
protected:
    explicit TDateTimePickCalendarDateInfoLabelVz(TComponent* AOwner) : TSpeedButtonVz(AOwner) {}
    ~TDateTimePickCalendarDateInfoLabelVz() override = default;

public:
    TDateTimeCalendarPickerVz* PickCalendar() const;

protected:
    void Paint() override;
};

// The today line: the first press moves to today, a press on today chooses it.
class TDateTimePickCalendarTodayInfoLabelVz : public TSpeedButtonVz {
    SDELKA_CLASS(TDateTimePickCalendarTodayInfoLabelVz, TSpeedButtonVz)
protected:
    explicit TDateTimePickCalendarTodayInfoLabelVz(TComponent* AOwner) : TSpeedButtonVz(AOwner) {}
    ~TDateTimePickCalendarTodayInfoLabelVz() override = default;

public:
    TDateTimeCalendarPickerVz* PickCalendar() const;
    String TodayText() const;

protected:
    void Paint() override;
};

class TDateTimeCalendarPickerVz : public TCustomControlVz {
    SDELKA_CLASS(TDateTimeCalendarPickerVz, TCustomControlVz)
protected:
    explicit TDateTimeCalendarPickerVz(TComponent* AOwner);
    ~TDateTimeCalendarPickerVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TDateTime DateTime() const { return FDateTime; }
    void SetDateTime(TDateTime Value);
    // Slides to a value outside the shown period; a value inside it is set at once.
    void SetDateTimeAnimated(TDateTime Value);
    TCalendarDateTimeUnitsVz TimeUnits() const { return FTimeUnits; }
    void SetTimeUnits(TCalendarDateTimeUnitsVz Value);
    TInteractiveInputMethodVz InputMethod() const { return FInputMethod; }
    void SetInputMethod(TInteractiveInputMethodVz Value);
    TCustomCalendarViewVz* CurrentCalendarView() const { return FCurrentCalendarView; }
    // The zoom chain, coarse to fine.
    const std::vector<TCustomCalendarViewVz*>& CalendarViewList() const { return FCalendarViewList; }
    TDateTimePickCalendarPaintBufferVz* PaintBuffer() const { return FPaintBuffer.get(); }

    TDecadesCalendarViewVz* DecadesView() const { return FDecadesView; }
    TYearsCalendarViewVz* YearsView() const { return FYearsView; }
    TMonthsCalendarViewVz* MonthsView() const { return FMonthsView; }
    TDaysCalendarViewVz* DaysView() const { return FDaysView; }
    TTimeCalendarViewVz* TimeView() const { return FTimeView; }
    THours24CalendarViewVz* Hours24View() const { return FHours24View; }
    THours12CalendarViewVz* Hours12View() const { return FHours12View; }
    TMinutesCalendarViewVz* MinutesView() const { return FMinutesView; }
    TSecondsCalendarViewVz* SecondsView() const { return FSecondsView; }
    TDateTimePickCalendarButtonVz* PriorPeriodButton() const { return FPriorPeriodButton; }
    TDateTimePickCalendarButtonVz* NextPeriodButton() const { return FNextPeriodButton; }
    TDateTimePickCalendarDateInfoLabelVz* DateInfo() const { return FDateInfo; }
    TDateTimePickCalendarTodayInfoLabelVz* TodayInfo() const { return FTodayInfo; }
    TImageTransformatorVz* ImageTrans() const { return FImageTrans; }

    virtual TDaysCalendarViewDayInfoItem* CreateDayInfoItem();
    virtual TFont* GetMasterFont() { return Font(); }
    virtual void AnimateHeight(int NewHeight);
    virtual void UpdateTodayInfoVisibility();
    virtual void InfoLabelDown(TObject* Sender);
    virtual void CalcRecommendedSize(int& AWidth, int& AHeight);
    virtual void PeriodButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    // 7 (past the last unit): the value is chosen.
    virtual void DateTimeUnitChosen(int NextUnit);
    virtual void UpdatePaintBuffer();
    virtual void ShowCalendarView(TCustomCalendarViewVz* View, bool ZoomIn, bool Animated);
    virtual void NextPeriod(bool Animated);
    virtual void PriorPeriod(bool Animated);
    virtual void UpdateCalendarViewList();
    virtual void DoDateTimeSelected();
    virtual void FillDayInfo(TDaysCalendarViewDayInfoItem* Item, TDateTime ADate);

    void ResetStartCalendarView();
    // Takes the font of the editor and converts it to the picker's own (larger) font.
    void SetPickerFont(TFont* Master);
    // The size the picker wants: the days view's plus the header and the today line.
    void RecomndedSize(int& RecClientWidth, int& RecClientHeight) {}
    // Sizes the picker to its recommended size, keeping its place.
    void SizeToRecommended();
    // Reads the system settings again (first weekday, clock).
    void SystemSettingsChanged();

    // With Ctrl the wheel zooms (down: out), without it it pages (down: the next period).
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

    TNotifyEvent OnDateTimeSelected;

protected:
    void Paint() override;
    void Resize() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void InitWidget() override;

private:
    template <class T>
    T* NewView();
    bool CanAnimate() const;
    void ApplyFontConversion(TFont* Master);
    int LineHeight();

    std::vector<TCustomCalendarViewVz*> FCalendarViewList;
    TCustomCalendarViewVz* FCurrentCalendarView = nullptr;
    TDateTimePickCalendarDateInfoLabelVz* FDateInfo = nullptr;
    TDateTime FDateTime = 0;
    TDaysCalendarViewVz* FDaysView = nullptr;
    TDecadesCalendarViewVz* FDecadesView = nullptr;
    THours12CalendarViewVz* FHours12View = nullptr;
    THours24CalendarViewVz* FHours24View = nullptr;
    TMinutesCalendarViewVz* FMinutesView = nullptr;
    TMonthsCalendarViewVz* FMonthsView = nullptr;
    TSecondsCalendarViewVz* FSecondsView = nullptr;
    TTimeCalendarViewVz* FTimeView = nullptr;
    TYearsCalendarViewVz* FYearsView = nullptr;
    TImageTransformatorVz* FImageTrans = nullptr;
    TInteractiveInputMethodVz FInputMethod = iimKeyboardVz;
    bool FInternalFontSet = false;
    TDateTimePickCalendarButtonVz* FNextPeriodButton = nullptr;
    TDateTimePickCalendarButtonVz* FPriorPeriodButton = nullptr;
    TOwned<TDateTimePickCalendarPaintBufferVz> FPaintBuffer;
    TCalendarDateTimeUnitsVz FTimeUnits;
    TDateTimePickCalendarTodayInfoLabelVz* FTodayInfo = nullptr;
};

// The drop-down form that hosts a picker.
class TPopupDateTimeCalendarFormVz : public TCustomDropDownFormVz, public IPopupDateTimePickerVz {
    SDELKA_CLASS(TPopupDateTimeCalendarFormVz, TCustomDropDownFormVz)
protected:
    explicit TPopupDateTimeCalendarFormVz(TComponent* AOwner);
    ~TPopupDateTimeCalendarFormVz() override;

public:
    void AfterConstruction() override;

    TDateTimeCalendarPickerVz* Calendar() const { return FCalendar; }
    TDateTime DateTime() const;
    void SetDateTime(TDateTime Value);
    TCalendarDateTimeUnitsVz TimeUnits() const;

    // IPopupDateTimePickerVz
    TDateTime GetDateTime() override { return DateTime(); }
    TCalendarDateTimeUnitsVz GetTimeUnits() override { return TimeUnits(); }
    bool IsDropDownPicker() override { return true; }
    bool GetWantFocus() override { return true; }
    void ClosePicker() override;
    void SetTimeUnits(TCalendarDateTimeUnitsVz Units) override;
    void SetPickerFont(TFont* Font) override;
    void ShowPicker(const TPoint& Pos, TPopupDateTimePickerCloseProcVz CloseCallback, TObject* CallbackData,
                    TDateTime ADateTime) override;
    void UpdatePickerSize() override { UpdateSize(); }

    void UpdateSize() override;

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;

private:
    void CalendarDateTimeSelected(TObject* Sender);
    TDateTimeCalendarPickerVz* FCalendar = nullptr;
    TPopupDateTimePickerCloseProcVz FCloseCallback;
    TObject* FCallbackData = nullptr;
    TOwned<TDynVarsVz> FDynVars;
    TOwned<TEditControlDropDownFormSysParams> FSysParams;
};
