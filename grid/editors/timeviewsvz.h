// The time pages of the date-time calendar picker: the time page (hour, minute and second fields
// with up and down arrows, an AM/PM field and an OK button) and the unit pages opened from it
// (24-hour, 12-hour, minutes, seconds), which always lead back to the time page. A held arrow
// steps once at once, again after 400 ms, then every 100 ms while the pointer stays on it.
#pragma once

#include "grid/editors/calendarviewsvz.h"

class TTimer;

enum TTimeCalendarViewColTypeVz { tcvctHourVz, tcvctMinuteVz, tcvctSecondVz, tcvctAmPmVz, tcvctColonVz, tcvctBlankVz };
enum TTimeCalendarViewActiveRegionVz { tcarHoursVz, tcarMinutesVz, tcarSecondsVz, tcarOKButtonVz };
enum TTimeCalendarViewPressedButtonTypeVz {
    tcpbtHoursUpVz, tcpbtHoursDownVz, tcpbtMinutesUpVz, tcpbtMinutesDownVz, tcpbtSecondsUpVz, tcpbtSecondsDownVz
};

// Base of the unit pages: backward (and Enter) leads to the time page; there is no finer page.
class TTimeUnitCalendarViewVz : public TCustomCalendarViewVz {
    SDELKA_CLASS(TTimeUnitCalendarViewVz, TCustomCalendarViewVz)
protected:
    explicit TTimeUnitCalendarViewVz(TComponent* AOwner);
    ~TTimeUnitCalendarViewVz() override = default;

public:
    bool ShowNextView(bool Forward, bool Animated) override;
    bool ShowTodayInfo() override { return false; }
    String GetDateInfoText() override;

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    // Back to the time page, animated.
    void BackToTimePage();
    // Forward to another unit page, animated.
    void GoToPage(TCustomCalendarViewVz* Page);
};

class THours24CalendarViewVz : public TTimeUnitCalendarViewVz {
    SDELKA_CLASS(THours24CalendarViewVz, TTimeUnitCalendarViewVz)
protected:
    explicit THours24CalendarViewVz(TComponent* AOwner);
    ~THours24CalendarViewVz() override = default;
    void InitShape() override { TCustomCalendarViewVz::InitShape(8, 3, 0, 0); }

public:
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    bool DateInViewRange(TDateTime ADateTime) override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    TGridCoord SelectedCell() override;
    String CellText(int ACol, int ARow) override;

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                        const TPoint& MousePos) override;
};

class THours12CalendarViewVz : public TTimeUnitCalendarViewVz {
    SDELKA_CLASS(THours12CalendarViewVz, TTimeUnitCalendarViewVz)
protected:
    explicit THours12CalendarViewVz(TComponent* AOwner);
    ~THours12CalendarViewVz() override = default;
    void InitShape() override { TCustomCalendarViewVz::InitShape(6, 6, 0, 0); }

public:
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    bool DateInViewRange(TDateTime ADateTime) override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    TGridCoord SelectedCell() override;
    String CellText(int ACol, int ARow) override;
    // The hour of an hour cell, -1 for the label rows.
    static int CellHour(int ACol, int ARow);

protected:
    void Paint() override;
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                        const TPoint& MousePos) override;

private:
    void DrawLabelRow(int ARow);
    bool FRow0Drawn = false;
    bool FRow3Drawn = false;
};

class TMinutesCalendarViewVz : public TTimeUnitCalendarViewVz {
    SDELKA_CLASS(TMinutesCalendarViewVz, TTimeUnitCalendarViewVz)
protected:
    explicit TMinutesCalendarViewVz(TComponent* AOwner);
    ~TMinutesCalendarViewVz() override = default;
    void InitShape() override { TCustomCalendarViewVz::InitShape(4, 3, 0, 0); }

public:
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    String GetDateInfoText() override;
    bool DateInViewRange(TDateTime ADateTime) override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    TGridCoord SelectedCell() override;
    String CellText(int ACol, int ARow) override;

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                        const TPoint& MousePos) override;
    // The minute (second) this page shows of a value.
    virtual int UnitOf(TDateTime Value);
    // Steps by N units, then snaps to the nearest multiple of 5 (carrying into the next unit).
    virtual void StepSnapped(int N);
};

class TSecondsCalendarViewVz : public TMinutesCalendarViewVz {
    SDELKA_CLASS(TSecondsCalendarViewVz, TMinutesCalendarViewVz)
protected:
    explicit TSecondsCalendarViewVz(TComponent* AOwner) : TMinutesCalendarViewVz(AOwner) {}
    ~TSecondsCalendarViewVz() override = default;

public:
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    String GetDateInfoText() override;
    bool DateInViewRange(TDateTime ADateTime) override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;

protected:
    int UnitOf(TDateTime Value) override;
    void StepSnapped(int N) override;
};

// A step by N minutes (seconds) snapped to the nearest multiple of 5; 58 and 59 carry into the
// next hour (minute).
TDateTime StepMinutesSnappedVz(TDateTime Value, int N);
TDateTime StepSecondsSnappedVz(TDateTime Value, int N);

class TTimeCalendarViewVz : public TCustomCalendarViewVz {
    SDELKA_CLASS(TTimeCalendarViewVz, TCustomCalendarViewVz)
protected:
    explicit TTimeCalendarViewVz(TComponent* AOwner);
    ~TTimeCalendarViewVz() override;

public:
    void AfterConstruction() override;

    TTimeCalendarViewActiveRegionVz ActiveRegion() const { return FActiveRegion; }
    const std::vector<TTimeCalendarViewColTypeVz>& ColTypes() const { return FColTypes; }
    const std::vector<TTimeCalendarViewActiveRegionVz>& VisibleRegions() const { return FVisibleRegions; }
    int OkButtonCol() const { return FOkButtonCol; }
    bool AmPm12() const { return FHoursFormat == 0; }
    // Reads the locale's clock again (after a change of the system settings).
    void UpdateLocaleTimeFormat();
    TTimer* Timer() const { return FTimer; }

    void DateTimeChanged() override;
    String GetDateInfoText() override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    bool ShowTodayInfo() override { return false; }
    void UpdateCellSizes() override;
    String CellText(int ACol, int ARow) override;

    // The column under a screen point: hour, minute or second ± 1. A turn outside those columns
    // changes nothing; the wheel is handled either way.
    virtual bool MouseWheelAt(const TPoint& MousePos, bool Up);
    // Action 0: one down, 1: one up, 2: open the unit's page (OK: the value is chosen).
    virtual void HoursRegionAction(int Action);
    virtual void MinutesRegionAction(int Action);
    virtual void SecondsRegionAction(int Action);
    virtual void OkRegionAction(int Action);
    virtual void StartButtonRepeat(const TGridCoord& Cell, TTimeCalendarViewPressedButtonTypeVz ButtonType);
    virtual void MoveActiveRegion(bool Forward);
    virtual void RepeatTimer(TObject* Sender);

    void IncrementHour(int N);
    void IncrementMinute(int N);
    void IncrementSecond(int N);
    // Lays the page out for the picker's units and the clock.
    void ResetGrid();
    void ResetRegion();

protected:
    void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                        const TPoint& MousePos) override;
    void CellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                       const TPoint& MousePos) override;
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override { return MouseWheelAt(MousePos, false); }
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override { return MouseWheelAt(MousePos, true); }

private:
    void RunRegionAction(TTimeCalendarViewActiveRegionVz Region, int Action);
    void RunPressedButton();
    // The units the page shows, fallen back to hours, minutes and seconds for a set it has no
    // layout for.
    int LayoutUnits() const;
    TTimeCalendarViewActiveRegionVz FActiveRegion = tcarHoursVz;
    bool FAmPmPos = false;
    std::vector<TTimeCalendarViewColTypeVz> FColTypes;
    int FHoursFormat = 1;
    int FOkButtonCol = 5;
    TTimeCalendarViewPressedButtonTypeVz FPressedButtonType = tcpbtHoursUpVz;
    TGridCoord FPressedCell{-1, -1};
    TTimer* FTimer = nullptr;
    std::vector<TTimeCalendarViewActiveRegionVz> FVisibleRegions;
};
