#include "grid/editors/calendarviewsvz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/base/toolsvz.h"
#include "grid/base/vizevmanagervz.h"
#include "grid/core/coretoolsvz.h"
#include "grid/editors/datetimepickervz.h"
#include "grid/editors/pickerstylevz.h"
#include "platform/gui/canvas.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

std::vector<int> ShareLengthVz(int Total, int Count) {
    std::vector<int> result(std::max(Count, 0), 0);
    if (Count <= 0) return result;
    Total = std::max(Total, 0);
    for (int i = 0; i < Count; ++i) result[i] = Total / Count + (i < Total % Count ? 1 : 0);
    return result;
}

namespace {

// Adds months to the date part keeping the time; a date out of 1..9999 leaves the value as it was.
TDateTime AddMonthsKeepingTime(TDateTime Value, int Months) {
    Word y, m, d;
    DecodeDate(Value, y, m, d);
    int total = y * 12 + (m - 1) + Months;
    const int ny = total / 12, nm = total % 12 + 1;
    if (total < 12 || ny > 9999) return Value;
    const int nd = std::min<int>(d, DaysInAMonth(Word(ny), Word(nm)));
    TDateTime result = 0;
    if (!TryEncodeDate(Word(ny), Word(nm), Word(nd), result)) return Value;
    ReplaceTimePartVz(result, Value);
    return result;
}

TDateTime AddDaysChecked(TDateTime Value, int Days) {
    const TDateTime result = IncDay(Value, Days);
    return (result < MinDateTime || result > MaxDateTime) ? Value : result;
}

// The same month, day and time in another year; the day is clamped to the month's length
// (29 February in a common year becomes the 28th).
bool DateWithYear(TDateTime Value, int Year, TDateTime& Result) {
    if (Year < 1 || Year > 9999) return false;
    Word y, m, d;
    DecodeDate(Value, y, m, d);
    const Word nd = std::min<Word>(d, DaysInAMonth(Word(Year), m));
    if (!TryEncodeDate(Word(Year), m, nd, Result)) return false;
    ReplaceTimePartVz(Result, Value);
    return true;
}

int FloorDiv(int A, int B) { return A >= 0 ? A / B : -((-A + B - 1) / B); }

} // namespace

// ---- paint buffer ------------------------------------------------------------------------------

void TCustomCalendarViewPaintBufferVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TCustomCalendarViewPaintBufferVz*>(Source);
    if (!s) return TPersistent::Assign(Source);
    HolidayFontColor = s->HolidayFontColor;
    HolidayOutsidePeriodFontColor = s->HolidayOutsidePeriodFontColor;
    HolidaySelectedFontColor = s->HolidaySelectedFontColor;
    HotTrackCellBrushColor = s->HotTrackCellBrushColor;
    HotTrackCellFontColor = s->HotTrackCellFontColor;
    InsideHorzFrameColor = s->InsideHorzFrameColor;
    InsideVertFrameColor = s->InsideVertFrameColor;
    NormalCellBrushColor = s->NormalCellBrushColor;
    NormalCellFontColor = s->NormalCellFontColor;
    OutsidePeriodCellFontColor = s->OutsidePeriodCellFontColor;
    SelectedCellBrushColor = s->SelectedCellBrushColor;
    SelectedCellFontColor = s->SelectedCellFontColor;
    TodayCellFrameColor = s->TodayCellFrameColor;
}

// ---- the view base -----------------------------------------------------------------------------

TCustomCalendarViewVz::TCustomCalendarViewVz(TComponent* AOwner)
    : TCustomGridVz(AOwner), FPaintBuffer(NewOwned<TCustomCalendarViewPaintBufferVz>()) {
    FDate = Now();
}

TCustomCalendarViewVz::~TCustomCalendarViewVz() = default;

void TCustomCalendarViewVz::AfterConstruction() {
    TCustomGridVz::AfterConstruction();
    SetOptions(TGridOptionsVz{goDrawFocusSelectedVz});
    SetParentFont(true);
    SetBorderStyle(bsNone);
    HorzScrollBar()->SetVisibleMode(sbNeverShowVz);
    VertScrollBar()->SetVisibleMode(sbNeverShowVz);
    InitShape();
    FShapeReady = true;
    UpdateCellSizes();
}

void TCustomCalendarViewVz::InitShape(int Cols, int Rows, int FixedCols, int FixedRows) {
    SetFixedColCount(0);
    SetFixedRowCount(0);
    SetColCount(Cols);
    SetRowCount(Rows);
    SetFixedColCount(FixedCols);
    SetFixedRowCount(FixedRows);
}

TDateTimeCalendarPickerVz* TCustomCalendarViewVz::Calendar() const {
    return dynamic_cast<TDateTimeCalendarPickerVz*>(Owner());
}

void TCustomCalendarViewVz::SetDateTime(TDateTime Value) {
    if (FDate == Value) return;
    FDate = Value;
    DateTimeChanged();
}

void TCustomCalendarViewVz::DateTimeChanged() { Invalidate(); }

bool TCustomCalendarViewVz::ShowNextView(bool Forward, bool Animated) {
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (!picker) return false;
    const auto& list = picker->CalendarViewList();
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return false;
    const auto index = it - list.begin() + (Forward ? 1 : -1);
    if (index < 0 || index >= Integer(list.size())) return false;
    picker->ShowCalendarView(list[index], Forward, Animated);
    return true;
}

void TCustomCalendarViewVz::UpdateCellSizes() {
    const std::vector<int> cols = ShareLengthVz(ClientWidth(), ColCount());
    const std::vector<int> rows = ShareLengthVz(ClientHeight(), RowCount());
    for (int i = 0; i < int(cols.size()); ++i) SetColWidths(i, cols[i]);
    for (int i = 0; i < int(rows.size()); ++i) SetRowHeights(i, rows[i]);
}

void TCustomCalendarViewVz::Resize() {
    TCustomGridVz::Resize();
    if (FShapeReady) UpdateCellSizes();
}

void TCustomCalendarViewVz::UpdatePaintBuffer() {
    if (TDateTimeCalendarPickerVz* picker = Calendar()) {
        picker->UpdatePaintBuffer();
        FPaintBuffer->Assign(picker->PaintBuffer());
    }
}

void TCustomCalendarViewVz::Paint() {
    UpdatePaintBuffer();
    TCustomGridVz::Paint();
}

void TCustomCalendarViewVz::SetCellCanvasColors(bool HotTrack, bool Selected) {
    const TCustomCalendarViewPaintBufferVz& b = *FPaintBuffer;
    Canvas()->Brush()->SetStyle(bsSolid);
    if (Selected) {
        Canvas()->Brush()->SetColor(b.SelectedCellBrushColor);
        Canvas()->Font()->SetColor(b.SelectedCellFontColor);
    } else if (HotTrack) {
        Canvas()->Brush()->SetColor(b.HotTrackCellBrushColor);
        Canvas()->Font()->SetColor(b.HotTrackCellFontColor);
    } else {
        Canvas()->Brush()->SetColor(b.NormalCellBrushColor);
        Canvas()->Font()->SetColor(b.NormalCellFontColor);
    }
}

void TCustomCalendarViewVz::DoDateTimeSelected() {
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->DateTimeUnitChosen(7);
}

String TCustomCalendarViewVz::GetDateInfoText() { return QStringLiteral("TCustomCalendarViewVz.GetDateInfoText"); }

bool TCustomCalendarViewVz::TryDateFromCell(const TGridCoord&, TDateTime& ADateTime) {
    ADateTime = FDate;
    return false;
}

// The pointer's place is not known until it reports itself: its first report only sets the place.
void TCustomCalendarViewVz::UpdateMousePos() { FMousePos = TPoint(-2, -2); }

void TCustomCalendarViewVz::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                           const TPoint& InCellPos, const TPoint& MousePos) {
    TCustomGridVz::CellMouseClick(Cell, Button, Shift, InCellPos, MousePos);
    if (!FSelectNextViewOnClick) return;
    if (Button == mbLeft && Cell.X >= FixedColCount() && Cell.Y >= FixedRowCount()) {
        if (!ShowNextView(true, true)) DoDateTimeSelected();
    } else if (Button == mbRight) {
        ShowNextView(false, true);
    }
}

void TCustomCalendarViewVz::CellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                          const TPoint& InCellPos, const TPoint& MousePos) {
    TCustomGridVz::CellMouseDown(Cell, Button, Shift, InCellPos, MousePos);
    TDateTime d;
    if (Button == mbLeft && TryDateFromCell(Cell, d))
        if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetDateTime(d);
}

void TCustomCalendarViewVz::KeyDown(Word& Key, TShiftState Shift) {
    TDateTimeCalendarPickerVz* picker = Calendar();
    const bool ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_RETURN:
        if (ctrl) {
            if (ShowNextView(false, true)) Key = 0;
        } else if (!ShowNextView(true, true)) {
            DoDateTimeSelected();
            Key = 0;
        }
        break;
    case VK_PRIOR:
        if (picker) picker->PriorPeriod(true);
        Key = 0;
        break;
    case VK_NEXT:
        if (picker) picker->NextPeriod(true);
        Key = 0;
        break;
    case VK_LEFT: StepCell(false); Key = 0; break;
    case VK_RIGHT: StepCell(true); Key = 0; break;
    case VK_UP: StepRow(false); Key = 0; break;
    case VK_DOWN: StepRow(true); Key = 0; break;
    default: break;
    }
}

void TCustomCalendarViewVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetInputMethod(iimMouseVz);
    TCustomGridVz::MouseDown(Button, Shift, X, Y);
}

void TCustomCalendarViewVz::MouseMove(TShiftState Shift, int X, int Y) {
    if (FMousePos == TPoint(-2, -2)) FMousePos = TPoint(X, Y);
    if (FMousePos != TPoint(X, Y)) {
        FMousePos = TPoint(X, Y);
        if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetInputMethod(iimMouseVz);
    }
    TCustomGridVz::MouseMove(Shift, X, Y);
}

bool TCustomCalendarViewVz::MouseHot(TGridDrawState State) {
    TDateTimeCalendarPickerVz* picker = Calendar();
    return State.Contains(gdHotTrack) && picker && picker->InputMethod() == iimMouseVz;
}

void TCustomCalendarViewVz::MoveDateTime(TDateTime Value) {
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetDateTimeAnimated(Value);
}

void TCustomCalendarViewVz::DrawCellData(int, int, TGridDrawState, TRect ARect) {
    Canvas()->Brush()->SetColor(FPaintBuffer->NormalCellBrushColor);
    Canvas()->FillRect(ARect);
}

void TCustomCalendarViewVz::DrawDateCell(TRect ARect, TGridDrawState State, const String& Text, bool Selected,
                                         bool Outside, bool Today, TColor OutsideColor, TColor InsideColor) {
    Canvas()->SetFont(Font());
    const bool hot = MouseHot(State);
    SetCellCanvasColors(hot, Selected);
    int bits = 0;
    if (Selected) bits |= cvcsSelectedVz;
    if (hot) bits |= cvcsHotVz;
    if (Today) bits |= cvcsTodayVz;
    GetDateTimeCalendarPickerDrawStyleVz()->DrawCalendarViewCellBackgraund(this, Canvas(), bits, ARect);
    if (Outside) Canvas()->Font()->SetColor(OutsideColor);
    else if (InsideColor != clNone) Canvas()->Font()->SetColor(InsideColor);
    WriteCellTextVz(Canvas(), ARect, false, 0, 0, Text, taCenter, tlCenter, Text.contains(u'\n'), false, 0, 0,
                    false, !Text.contains(u'\n'));
}

// ---- decades -----------------------------------------------------------------------------------

TDecadesCalendarViewVz::TDecadesCalendarViewVz(TComponent* AOwner) : TCustomCalendarViewVz(AOwner) {}

int TDecadesCalendarViewVz::CellStart(int ACol, int ARow) {
    return (YearOf(FDate) / 100) * 100 + ARow * 40 + ACol * 10 - 10;
}

String TDecadesCalendarViewVz::CellText(int ACol, int ARow) {
    const int start = CellStart(ACol, ARow);
    return QStringLiteral("%1-\r\n%2  ").arg(start).arg(start + 9);
}

bool TDecadesCalendarViewVz::CellOutsidePeriod(int ACol, int ARow) {
    return FloorDiv(CellStart(ACol, ARow), 100) != YearOf(FDate) / 100;
}

TGridCoord TDecadesCalendarViewVz::SelectedCell() {
    const int index = (YearOf(FDate) % 100) / 10 + 1;
    return TGridCoord{index % 4, index / 4};
}

void TDecadesCalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    const int start = CellStart(ACol, ARow), y = YearOf(FDate);
    DrawDateCell(ARect, State, CellText(ACol, ARow), start <= y && y <= start + 9, CellOutsidePeriod(ACol, ARow),
                 false, FPaintBuffer->OutsidePeriodCellFontColor, clNone);
}

bool TDecadesCalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    const int y = YearOf(FDate);
    ADateTime = FDate;
    return DateWithYear(FDate, (y / 100) * 100 + Cell.Y * 40 + Cell.X * 10 + y % 10 - 10, ADateTime);
}

String TDecadesCalendarViewVz::GetDateInfoText() {
    const int c = (YearOf(FDate) / 100) * 100;
    return QStringLiteral("%1-%2").arg(c).arg(c + 99);
}

bool TDecadesCalendarViewVz::DateInViewRange(TDateTime ADateTime) {
    const int c = (YearOf(FDate) / 100) * 100, y = YearOf(ADateTime);
    return c <= y && y < c + 100;
}

TDateTime TDecadesCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return AddMonthsKeepingTime(ADateTime, MoveForward ? 1200 : -1200);
}

void TDecadesCalendarViewVz::StepCell(bool Forward) { MoveDateTime(AddMonthsKeepingTime(FDate, Forward ? 120 : -120)); }
void TDecadesCalendarViewVz::StepRow(bool Forward) { MoveDateTime(AddMonthsKeepingTime(FDate, Forward ? 480 : -480)); }

// ---- years -------------------------------------------------------------------------------------

TYearsCalendarViewVz::TYearsCalendarViewVz(TComponent* AOwner) : TCustomCalendarViewVz(AOwner) {}

int TYearsCalendarViewVz::CellYear(int ACol, int ARow) { return ACol + ARow * 4 + (YearOf(FDate) / 10) * 10 - 1; }

String TYearsCalendarViewVz::CellText(int ACol, int ARow) { return IntToStr(CellYear(ACol, ARow)); }

bool TYearsCalendarViewVz::CellOutsidePeriod(int ACol, int ARow) {
    return FloorDiv(CellYear(ACol, ARow), 10) != YearOf(FDate) / 10;
}

TGridCoord TYearsCalendarViewVz::SelectedCell() {
    const int index = YearOf(FDate) % 10 + 1;
    return TGridCoord{index % 4, index / 4};
}

void TYearsCalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    DrawDateCell(ARect, State, CellText(ACol, ARow), CellYear(ACol, ARow) == YearOf(FDate),
                 CellOutsidePeriod(ACol, ARow), false, FPaintBuffer->OutsidePeriodCellFontColor, clNone);
}

bool TYearsCalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    ADateTime = FDate;
    return DateWithYear(FDate, 4 * Cell.Y + (YearOf(FDate) / 10) * 10 + Cell.X - 1, ADateTime);
}

String TYearsCalendarViewVz::GetDateInfoText() {
    const int d = (YearOf(FDate) / 10) * 10;
    return QStringLiteral("%1-%2").arg(d).arg(d + 9);
}

bool TYearsCalendarViewVz::DateInViewRange(TDateTime ADateTime) {
    return YearOf(ADateTime) / 10 == YearOf(FDate) / 10;
}

TDateTime TYearsCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return AddMonthsKeepingTime(ADateTime, MoveForward ? 120 : -120);
}

void TYearsCalendarViewVz::StepCell(bool Forward) { MoveDateTime(AddMonthsKeepingTime(FDate, Forward ? 12 : -12)); }
void TYearsCalendarViewVz::StepRow(bool Forward) { MoveDateTime(AddMonthsKeepingTime(FDate, Forward ? 48 : -48)); }

// ---- months ------------------------------------------------------------------------------------

TMonthsCalendarViewVz::TMonthsCalendarViewVz(TComponent* AOwner) : TCustomCalendarViewVz(AOwner) {}

String TMonthsCalendarViewVz::CellText(int ACol, int ARow) {
    return FormatSettings.ShortMonthNames[ACol + ARow * 4];
}

TGridCoord TMonthsCalendarViewVz::SelectedCell() {
    const int index = MonthOf(FDate) - 1;
    return TGridCoord{index % 4, index / 4};
}

void TMonthsCalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    DrawDateCell(ARect, State, CellText(ACol, ARow), ACol + ARow * 4 + 1 == MonthOf(FDate), false, false,
                 FPaintBuffer->OutsidePeriodCellFontColor, clNone);
}

bool TMonthsCalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    Word y, m, d;
    DecodeDate(FDate, y, m, d);
    const Word month = Word(Cell.X + Cell.Y * 4 + 1);
    ADateTime = FDate;
    if (month < 1 || month > 12) return false;
    TDateTime result;
    if (!TryEncodeDate(y, month, std::min<Word>(d, DaysInAMonth(y, month)), result)) return false;
    ReplaceTimePartVz(result, FDate);
    ADateTime = result;
    return true;
}

String TMonthsCalendarViewVz::GetDateInfoText() { return IntToStr(YearOf(FDate)); }

bool TMonthsCalendarViewVz::DateInViewRange(TDateTime ADateTime) { return YearOf(ADateTime) == YearOf(FDate); }

TDateTime TMonthsCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return AddMonthsKeepingTime(ADateTime, MoveForward ? 12 : -12);
}

void TMonthsCalendarViewVz::StepCell(bool Forward) { MoveDateTime(AddMonthsKeepingTime(FDate, Forward ? 1 : -1)); }
void TMonthsCalendarViewVz::StepRow(bool Forward) { MoveDateTime(AddMonthsKeepingTime(FDate, Forward ? 4 : -4)); }

// ---- days --------------------------------------------------------------------------------------

TDaysCalendarViewVz::TDaysCalendarViewVz(TComponent* AOwner) : TCustomCalendarViewVz(AOwner) {}

TDaysCalendarViewVz::~TDaysCalendarViewVz() {
    while (!FDatesInfoList.empty()) FDatesInfoList.pop_back();
}

void TDaysCalendarViewVz::AfterConstruction() {
    TCustomCalendarViewVz::AfterConstruction();
    for (int i = 0; i < 42; ++i) FDatesInfoList.emplace_back(CreateDayInfoItem());
    FFirstWeekDayNum = GetLocaleFirstDayOfWeekVz();
    DateTimeChanged();
}

TDaysCalendarViewDayInfoItem* TDaysCalendarViewVz::CreateDayInfoItem() {
    if (TDateTimeCalendarPickerVz* picker = Calendar()) return picker->CreateDayInfoItem();
    return New<TDaysCalendarViewDayInfoItem>();
}

void TDaysCalendarViewVz::UpdateFirstWeekDay() {
    const int first = GetLocaleFirstDayOfWeekVz();
    if (first != FFirstWeekDayNum) {
        FFirstWeekDayNum = first;
        UpdateStartDate();
    }
    DateTimeChanged();
    Invalidate();
}

void TDaysCalendarViewVz::UpdateStartDate() {
    FStartDate = StartOfTheWeek(StartOfTheMonth(FDate));
    if (FFirstWeekDayNum != 0) FStartDate = IncDay(FStartDate, FFirstWeekDayNum - 7);
}

void TDaysCalendarViewVz::DateTimeChanged() {
    TCustomCalendarViewVz::DateTimeChanged();
    UpdateStartDate();
    TDateTimeCalendarPickerVz* picker = Calendar();
    for (int i = 0; i < int(FDatesInfoList.size()); ++i) {
        if (picker) picker->FillDayInfo(FDatesInfoList[i].get(), IncDay(FStartDate, i));
        else FDatesInfoList[i]->IsHoliday = !GetWorkingTimeCalendarVz()->IsWorkday(IncDay(FStartDate, i));
    }
}

String TDaysCalendarViewVz::CellText(int ACol, int ARow) {
    if (ARow == 0) {
        if (ACol == 0) return String();
        int d = ACol + FFirstWeekDayNum + 1;
        if (d > 7) d -= 7;
        return FormatSettings.ShortDayNames[d - 1];
    }
    if (ACol == 0) {
        const TDateTime first = IncDay(FStartDate, (ARow - 1) * 7);
        return first > MaxDateTime ? String() : IntToStr(WeekOf(first));
    }
    return FormatDateTime(QStringLiteral("D"), IncDay(FStartDate, (ARow - 1) * 7 + (ACol - 1)));
}

bool TDaysCalendarViewVz::CellOutsidePeriod(int ACol, int ARow) {
    if (ACol < 1 || ARow < 1) return false;
    return MonthOf(IncDay(FStartDate, (ARow - 1) * 7 + (ACol - 1))) != MonthOf(FDate);
}

TGridCoord TDaysCalendarViewVz::SelectedCell() {
    const int index = int(DaysBetween(DateOf(FDate), DateOf(FStartDate)));
    if (index < 0 || index >= 42) return TGridCoord{-1, -1};
    return TGridCoord{index % 7 + 1, index / 7 + 1};
}

void TDaysCalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    if (ARow == 0) DrawDayNameCell(ACol, ARow, State, ARect);
    else if (ACol == 0) DrawWeekNoCell(ACol, ARow, State, ARect);
    else DrawDayCell(ACol, ARow, State, ARect);
}

void TDaysCalendarViewVz::DrawDayCell(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    const int index = (ARow - 1) * 7 + (ACol - 1);
    const TDateTime date = IncDay(FStartDate, index);
    const bool selected = IsSameDay(date, FDate);
    const bool outside = MonthOf(date) != MonthOf(FDate);
    const TCustomCalendarViewPaintBufferVz& b = *FPaintBuffer;
    TColor outsideColor = b.OutsidePeriodCellFontColor, insideColor = clNone;
    if (GetViZevManager()->DateTimeCalendarPickerHighlightHolidays() && FDatesInfoList[index]->IsHoliday) {
        outsideColor = b.HolidayOutsidePeriodFontColor;
        insideColor = selected ? b.HolidaySelectedFontColor : b.HolidayFontColor;
    }
    DrawDateCell(ARect, State, CellText(ACol, ARow), selected, outside && !selected, IsSameDay(date, Now()),
                 outsideColor, insideColor);
}

void TDaysCalendarViewVz::DrawDayNameCell(int ACol, int ARow, TGridDrawState, TRect ARect) {
    const TCustomCalendarViewPaintBufferVz& b = *FPaintBuffer;
    Canvas()->SetFont(Font());
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(b.NormalCellBrushColor);
    Canvas()->FillRect(ARect);
    if (ACol == 0) return;
    Canvas()->Font()->SetColor(b.NormalCellFontColor);
    const int weekDay = (ACol - 1 + FFirstWeekDayNum) % 7;
    if (GetViZevManager()->DateTimeCalendarPickerHighlightHolidays() &&
        !GetViZevManager()->WeekWorkingDays().Contains(TWeekDayVz(weekDay)))
        Canvas()->Font()->SetColor(b.HolidayFontColor);
    WriteCellTextVz(Canvas(), ARect, false, 0, 0, CellText(ACol, ARow), taCenter, tlCenter, false, false, 0, 0,
                    false, true);
    int left = ARect.Left, right = ARect.Right;
    if (ACol == 1) left += RoundToInt(ARect.Width() * 0.15);
    if (ACol == ColCount() - 1) right -= RoundToInt(ARect.Width() * 0.15);
    Canvas()->Pen()->SetColor(b.InsideHorzFrameColor);
    Canvas()->Pen()->SetStyle(psSolid);
    Canvas()->Pen()->SetWidth(1);
    Canvas()->MoveTo(left, ARect.Bottom - 1);
    Canvas()->LineTo(right, ARect.Bottom - 1);
}

void TDaysCalendarViewVz::DrawWeekNoCell(int ACol, int ARow, TGridDrawState, TRect ARect) {
    const TCustomCalendarViewPaintBufferVz& b = *FPaintBuffer;
    TDateTimeCalendarPickerVz* picker = Calendar();
    Canvas()->SetFont(picker ? picker->PaintBuffer()->CalendarWeekNoFont() : Font());
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(b.NormalCellBrushColor);
    Canvas()->FillRect(ARect);
    Canvas()->Font()->SetColor(b.NormalCellFontColor);
    WriteCellTextVz(Canvas(), ARect, false, 0, 0, CellText(ACol, ARow), taCenter, tlCenter, false, false, 0, 0,
                    false, true);
    int top = ARect.Top, bottom = ARect.Bottom;
    if (ARow == 1) top += RoundToInt(ARect.Height() * 0.25);
    if (ARow == RowCount() - 1) bottom -= RoundToInt(ARect.Height() * 0.25);
    Canvas()->Pen()->SetColor(b.InsideVertFrameColor);
    Canvas()->Pen()->SetStyle(psSolid);
    Canvas()->Pen()->SetWidth(1);
    Canvas()->MoveTo(ARect.Right - 1, top);
    Canvas()->LineTo(ARect.Right - 1, bottom);
}

bool TDaysCalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    ADateTime = FDate;
    if (Cell.X < 1 || Cell.Y < 1) return false;
    TDateTime d = IncDay(FStartDate, (Cell.Y - 1) * 7 + (Cell.X - 1));
    ReplaceTimePartVz(d, FDate);
    if (d < MinDateTime || d > MaxDateTime) return false;
    ADateTime = d;
    return true;
}

String TDaysCalendarViewVz::GetDateInfoText() { return FormatDateTime(QStringLiteral("MMMM YYYY"), FDate); }

bool TDaysCalendarViewVz::DateInViewRange(TDateTime ADateTime) {
    return YearOf(ADateTime) == YearOf(FDate) && MonthOf(ADateTime) == MonthOf(FDate);
}

TDateTime TDaysCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return AddMonthsKeepingTime(ADateTime, MoveForward ? 1 : -1);
}

void TDaysCalendarViewVz::StepCell(bool Forward) { MoveDateTime(AddDaysChecked(FDate, Forward ? 1 : -1)); }
void TDaysCalendarViewVz::StepRow(bool Forward) { MoveDateTime(AddDaysChecked(FDate, Forward ? 7 : -7)); }

void TDaysCalendarViewVz::UpdateCellSizes() {
    UpdatePaintBuffer();
    TCanvas* c = GetScreenCanvasVz();
    c->SetFont(Font());
    const int first = std::min(c->TextWidth(QStringLiteral("000")), ClientWidth());
    SetColWidths(0, first);
    const std::vector<int> cols = ShareLengthVz(ClientWidth() - first, 7);
    for (int i = 0; i < 7; ++i) SetColWidths(i + 1, cols[i]);
    const std::vector<int> rows = ShareLengthVz(ClientHeight(), RowCount());
    for (int i = 0; i < int(rows.size()); ++i) SetRowHeights(i, rows[i]);
}

void TDaysCalendarViewVz::GetRecommendedSize(int& AWidth, int& AHeight) {
    if (!HandleAllocated()) return;
    TCanvas* c = GetScreenCanvasVz();
    c->SetFont(Font());
    AHeight = c->TextHeight(QStringLiteral("Wg")) * 7;
    int w = c->TextWidth(QStringLiteral("0000"));
    for (const String& name : FormatSettings.ShortDayNames) w = std::max(w, c->TextWidth(name));
    AWidth = 8 * (w + 2 * c->TextWidth(QStringLiteral(" ")));
}
