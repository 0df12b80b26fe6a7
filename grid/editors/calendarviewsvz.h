// The pages of the date-time calendar picker: each view is a small grid without lines or scroll
// bars, owned by the picker and drawn in the picker's colours. The base answers the picker's
// questions (the header text, the period a value belongs to, the next period, the date under a
// cell); the four date views show decades, years, months and days (the days with week numbers,
// day names from the format settings and holidays, starting on the locale's first weekday).
#pragma once

#include "grid/base/gridsvz.h"
#include "platform/rtl/lists.h"

#include <vector>

class TDateTimeCalendarPickerVz;

// The picker's colours, copied before every paint.
class TCustomCalendarViewPaintBufferVz : public TPersistent {
    SDELKA_CLASS(TCustomCalendarViewPaintBufferVz, TPersistent)
public:
    TCustomCalendarViewPaintBufferVz() = default;
    void Assign(TPersistent* Source) override;

    TColor HolidayFontColor = clRed;
    TColor HolidayOutsidePeriodFontColor = clRed;
    TColor HolidaySelectedFontColor = clRed;
    TColor HotTrackCellBrushColor = clWindow;
    TColor HotTrackCellFontColor = clWindowText;
    TColor InsideHorzFrameColor = clBtnFace;
    TColor InsideVertFrameColor = clBtnFace;
    TColor NormalCellBrushColor = clWindow;
    TColor NormalCellFontColor = clWindowText;
    TColor OutsidePeriodCellFontColor = clGrayText;
    TColor SelectedCellBrushColor = clHighlight;
    TColor SelectedCellFontColor = clHighlightText;
    TColor TodayCellFrameColor = clHighlight;
};

class TCustomCalendarViewVz : public TCustomGridVz {
    SDELKA_CLASS(TCustomCalendarViewVz, TCustomGridVz)
protected:
    explicit TCustomCalendarViewVz(TComponent* AOwner);
    ~TCustomCalendarViewVz() override;

public:
    void AfterConstruction() override;

    TDateTimeCalendarPickerVz* Calendar() const;
    TDateTime DateTime() const { return FDate; }
    void SetDateTime(TDateTime Value);
    bool SelectNextViewOnClick() const { return FSelectNextViewOnClick; }
    void SetSelectNextViewOnClick(bool Value) { FSelectNextViewOnClick = Value; }
    TCustomCalendarViewPaintBufferVz* PaintBuffer() const { return FPaintBuffer.get(); }

    bool CanFocus() const override { return false; }
    // The view after (Forward) or before this one in the picker's chain; False when none.
    virtual bool ShowNextView(bool Forward, bool Animated);
    virtual void UpdateCellSizes();
    virtual void GetRecommendedSize(int& AWidth, int& AHeight) {}
    virtual void DateTimeChanged();
    virtual void UpdatePaintBuffer();
    virtual void SetCellCanvasColors(bool HotTrack, bool Selected);
    virtual void StepCell(bool Forward) {}
    virtual void StepRow(bool Forward) {}
    virtual void DoDateTimeSelected();
    virtual bool DateInViewRange(TDateTime ADateTime) { return true; }
    virtual String GetDateInfoText();
    virtual TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) { return ADateTime; }
    virtual bool ShowTodayInfo() { return true; }
    virtual bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime);
    // The cell that holds the value ((-1, -1) when none): where a zoom starts or ends.
    virtual TGridCoord SelectedCell() { return TGridCoord{-1, -1}; }
    // Stores the pointer's position, so that a view that appears under a still mouse does not
    // count as mouse input.
    void UpdateMousePos();

    // The picker hands its keys to the current view.
    void ViewKeyDown(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }
    // The text of a cell as drawn (tests and hints).
    virtual String CellText(int ACol, int ARow) { return String(); }
    // The cell is drawn in the outside-the-period colour.
    virtual bool CellOutsidePeriod(int ACol, int ARow) { return false; }

protected:
    void Paint() override;
    bool IsCellHotTrackable(int ACol, int ARow) override { return true; }
    void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                        const TPoint& MousePos) override;
    void CellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                       const TPoint& MousePos) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override { return false; }
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override { return false; }
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void Resize() override;
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    // Draws a date cell: background, colours, centred text.
    void DrawDateCell(TRect ARect, TGridDrawState State, const String& Text, bool Selected, bool Outside,
                      bool Today, TColor OutsideColor, TColor InsideColor);
    bool MouseHot(TGridDrawState State);
    // The picker moves its value through its animated setter.
    void MoveDateTime(TDateTime Value);
    // Sets the grid's shape (counts of columns, rows and fixed cells) once the grid exists.
    virtual void InitShape(int Cols, int Rows, int FixedCols, int FixedRows);
    virtual void InitShape() {}

    TDateTime FDate = 0;
    bool FShapeReady = false;
    bool FSelectNextViewOnClick = true;
    TOwned<TCustomCalendarViewPaintBufferVz> FPaintBuffer;
    TPoint FMousePos{-1, -1};
};

class TDecadesCalendarViewVz : public TCustomCalendarViewVz {
    SDELKA_CLASS(TDecadesCalendarViewVz, TCustomCalendarViewVz)
protected:
    explicit TDecadesCalendarViewVz(TComponent* AOwner);
    ~TDecadesCalendarViewVz() override = default;
    void InitShape() override { TCustomCalendarViewVz::InitShape(4, 3, 0, 0); }

public:
    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    bool DateInViewRange(TDateTime ADateTime) override;
    String GetDateInfoText() override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    TGridCoord SelectedCell() override;
    String CellText(int ACol, int ARow) override;
    bool CellOutsidePeriod(int ACol, int ARow) override;
    int CellStart(int ACol, int ARow);

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
};

class TYearsCalendarViewVz : public TCustomCalendarViewVz {
    SDELKA_CLASS(TYearsCalendarViewVz, TCustomCalendarViewVz)
protected:
    explicit TYearsCalendarViewVz(TComponent* AOwner);
    ~TYearsCalendarViewVz() override = default;
    void InitShape() override { TCustomCalendarViewVz::InitShape(4, 3, 0, 0); }

public:
    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    bool DateInViewRange(TDateTime ADateTime) override;
    String GetDateInfoText() override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    TGridCoord SelectedCell() override;
    String CellText(int ACol, int ARow) override;
    bool CellOutsidePeriod(int ACol, int ARow) override;
    int CellYear(int ACol, int ARow);

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
};

class TMonthsCalendarViewVz : public TCustomCalendarViewVz {
    SDELKA_CLASS(TMonthsCalendarViewVz, TCustomCalendarViewVz)
protected:
    explicit TMonthsCalendarViewVz(TComponent* AOwner);
    ~TMonthsCalendarViewVz() override = default;
    void InitShape() override { TCustomCalendarViewVz::InitShape(4, 3, 0, 0); }

public:
    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    bool DateInViewRange(TDateTime ADateTime) override;
    String GetDateInfoText() override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    TGridCoord SelectedCell() override;
    String CellText(int ACol, int ARow) override;

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
};

class TDaysCalendarViewDayInfoItem : public TPersistent {
    SDELKA_CLASS(TDaysCalendarViewDayInfoItem, TPersistent)
public:
    TDaysCalendarViewDayInfoItem() = default;
    bool IsHoliday = false;
};

class TDaysCalendarViewVz : public TCustomCalendarViewVz {
    SDELKA_CLASS(TDaysCalendarViewVz, TCustomCalendarViewVz)
protected:
    explicit TDaysCalendarViewVz(TComponent* AOwner);
    ~TDaysCalendarViewVz() override;
    void InitShape() override { TCustomCalendarViewVz::InitShape(8, 7, 1, 1); }

public:
    void AfterConstruction() override;

    TDateTime StartDate() const { return FStartDate; }
    int FirstWeekDayNum() const { return FFirstWeekDayNum; }
    // Reads the locale's first weekday again (after a change of the system settings).
    void UpdateFirstWeekDay();
    TDaysCalendarViewDayInfoItem* DayInfo(int Index) const { return FDatesInfoList[Index].get(); }

    void StepCell(bool Forward) override;
    void StepRow(bool Forward) override;
    bool DateInViewRange(TDateTime ADateTime) override;
    String GetDateInfoText() override;
    TDateTime GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) override;
    bool TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) override;
    TGridCoord SelectedCell() override;
    void DateTimeChanged() override;
    void UpdateCellSizes() override;
    void GetRecommendedSize(int& AWidth, int& AHeight) override;
    String CellText(int ACol, int ARow) override;
    bool CellOutsidePeriod(int ACol, int ARow) override;

    virtual TDaysCalendarViewDayInfoItem* CreateDayInfoItem();

protected:
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    virtual void DrawDayCell(int ACol, int ARow, TGridDrawState State, TRect ARect);
    virtual void DrawDayNameCell(int ACol, int ARow, TGridDrawState State, TRect ARect);
    virtual void DrawWeekNoCell(int ACol, int ARow, TGridDrawState State, TRect ARect);

private:
    void UpdateStartDate();
    std::vector<TOwned<TDaysCalendarViewDayInfoItem>> FDatesInfoList;
    int FFirstWeekDayNum = 0;
    TDateTime FStartDate = 0;
};

// Columns (rows) share Total equally; the remainder pixels go one each to the first ones.
std::vector<int> ShareLengthVz(int Total, int Count);
