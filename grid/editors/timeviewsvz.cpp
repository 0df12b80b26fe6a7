#include "grid/editors/timeviewsvz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/base/toolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/editors/datetimepickervz.h"
#include "grid/editors/pickerstylevz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

namespace {

TDateTime WithHour(TDateTime Value, int Hour) {
    Word h, n, s, ms;
    DecodeTime(Value, h, n, s, ms);
    TDateTime result = DateOf(Value);
    ReplaceTimePartVz(result, EncodeTime(Word(Hour), n, s, ms));
    return result;
}

TDateTime WithMinute(TDateTime Value, int Minute) {
    Word h, n, s, ms;
    DecodeTime(Value, h, n, s, ms);
    TDateTime result = DateOf(Value);
    ReplaceTimePartVz(result, EncodeTime(h, Word(Minute), s, ms));
    return result;
}

TDateTime WithSecond(TDateTime Value, int Second) {
    Word h, n, s, ms;
    DecodeTime(Value, h, n, s, ms);
    TDateTime result = DateOf(Value);
    ReplaceTimePartVz(result, EncodeTime(h, n, Word(Second), ms));
    return result;
}

// The nearest multiple of 5 minus the value (-2..2).
int SnapOffset(int Value) { return ((Value + 2) / 5) * 5 - Value; }

void DrawArrow(TCanvas* Canvas, const TRect& R, bool Up) {
    const int left = R.Left + (R.Width() - 7) / 2, top = R.Top + (R.Height() - 4) / 2;
    Canvas->Pen()->SetColor(clWindowText);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
    for (int i = 0; i < 4; ++i) {
        const int y = Up ? top + 3 - i : top + i;
        Canvas->MoveTo(left + i, y);
        Canvas->LineTo(left + 7 - i, y);
    }
}

bool Contains(const TCalendarDateTimeUnitsVz& Units, TCalendarDateTimeUnitVz Unit) { return Units.Contains(Unit); }

} // namespace

TDateTime StepMinutesSnappedVz(TDateTime Value, int N) {
    const TDateTime stepped = IncMinute(Value, N);
    return IncMinute(stepped, SnapOffset(MinuteOf(stepped)));
}

TDateTime StepSecondsSnappedVz(TDateTime Value, int N) {
    const TDateTime stepped = IncSecond(Value, N);
    return IncSecond(stepped, SnapOffset(SecondOf(stepped)));
}

// ---- unit pages --------------------------------------------------------------------------------

TTimeUnitCalendarViewVz::TTimeUnitCalendarViewVz(TComponent* AOwner) : TCustomCalendarViewVz(AOwner) {
    FSelectNextViewOnClick = false;
}

bool TTimeUnitCalendarViewVz::ShowNextView(bool Forward, bool Animated) {
    if (Forward) return false;
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->ShowCalendarView(picker->TimeView(), false, Animated);
    return true;
}

String TTimeUnitCalendarViewVz::GetDateInfoText() { return DateToStr(FDate); }

void TTimeUnitCalendarViewVz::BackToTimePage() { ShowNextView(false, true); }

void TTimeUnitCalendarViewVz::GoToPage(TCustomCalendarViewVz* Page) {
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->ShowCalendarView(Page, true, true);
}

void TTimeUnitCalendarViewVz::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_RETURN) {
        TDateTimeCalendarPickerVz* picker = Calendar();
        BackToTimePage();
        if (picker && !Shift.Contains(ssCtrl)) picker->TimeView()->MoveActiveRegion(true);
        Key = 0;
    }
    TCustomCalendarViewVz::KeyDown(Key, Shift);
}

// ---- 24 hours ----------------------------------------------------------------------------------

THours24CalendarViewVz::THours24CalendarViewVz(TComponent* AOwner) : TTimeUnitCalendarViewVz(AOwner) {}

String THours24CalendarViewVz::CellText(int ACol, int ARow) { return FormatFloat("0", ARow * 8 + ACol); }

TGridCoord THours24CalendarViewVz::SelectedCell() {
    const int h = HourOf(FDate);
    return TGridCoord{h % 8, h / 8};
}

void THours24CalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    DrawDateCell(ARect, State, CellText(ACol, ARow), ARow * 8 + ACol == HourOf(FDate), false, false, clNone, clNone);
}

bool THours24CalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    const int h = Cell.Y * 8 + Cell.X;
    ADateTime = FDate;
    if (h < 0 || h > 23) return false;
    ADateTime = WithHour(FDate, h);
    return true;
}

bool THours24CalendarViewVz::DateInViewRange(TDateTime ADateTime) { return IsSameDay(ADateTime, FDate); }
TDateTime THours24CalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return IncDay(ADateTime, MoveForward ? 1 : -1);
}
void THours24CalendarViewVz::StepCell(bool Forward) { MoveDateTime(IncHour(FDate, Forward ? 1 : -1)); }
void THours24CalendarViewVz::StepRow(bool Forward) { MoveDateTime(IncHour(FDate, Forward ? 8 : -8)); }

void THours24CalendarViewVz::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                            const TPoint& InCellPos, const TPoint& MousePos) {
    TTimeUnitCalendarViewVz::CellMouseClick(Cell, Button, Shift, InCellPos, MousePos);
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (!picker) return;
    const TCalendarDateTimeUnitsVz units = picker->TimeUnits();
    if (Button == mbLeft && Contains(units, cdtuMinuteVz) && !Contains(units, cdtuSecondVz))
        GoToPage(picker->MinutesView());
    else if (Button == mbLeft || Button == mbRight)
        BackToTimePage();
}

// ---- 12 hours ----------------------------------------------------------------------------------

THours12CalendarViewVz::THours12CalendarViewVz(TComponent* AOwner) : TTimeUnitCalendarViewVz(AOwner) {}

int THours12CalendarViewVz::CellHour(int ACol, int ARow) {
    if (ARow != 1 && ARow != 2 && ARow != 4 && ARow != 5) return -1;
    return ACol + ARow * 6 + (ARow < 4 ? 6 : 0) - 12;
}

String THours12CalendarViewVz::CellText(int ACol, int ARow) {
    if (ARow == 0) return ACol == 0 ? QStringLiteral("AM") : String();
    if (ARow == 3) return ACol == 0 ? QStringLiteral("PM") : String();
    const int h = CellHour(ACol, ARow) % 12;
    return IntToStr(h == 0 ? 12 : h);
}

TGridCoord THours12CalendarViewVz::SelectedCell() {
    const int h = HourOf(FDate);
    const int row = (h < 12 ? 1 : 4) + (h % 12) / 6;
    return TGridCoord{h % 6, row};
}

void THours12CalendarViewVz::Paint() {
    FRow0Drawn = false;
    FRow3Drawn = false;
    TTimeUnitCalendarViewVz::Paint();
}

void THours12CalendarViewVz::DrawLabelRow(int ARow) {
    bool& drawn = ARow == 0 ? FRow0Drawn : FRow3Drawn;
    if (drawn) return;
    drawn = true;
    TRect r = CellRect(0, ARow);
    for (int c = 1; c < ColCount(); ++c) r.Right += ColWidths(c);
    Canvas()->SetFont(Font());
    SetCellCanvasColors(false, false);
    Canvas()->FillRect(r);
    WriteCellTextVz(Canvas(), r, false, 0, 0, CellText(0, ARow), taCenter, tlCenter, false, false, 0, 0, false, true);
}

void THours12CalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    if (ARow == 0 || ARow == 3) {
        DrawLabelRow(ARow);
        return;
    }
    DrawDateCell(ARect, State, CellText(ACol, ARow), CellHour(ACol, ARow) == HourOf(FDate), false, false, clNone,
                 clNone);
}

bool THours12CalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    ADateTime = FDate;
    const int h = CellHour(Cell.X, Cell.Y);
    if (h < 0 || h > 23) return false;
    ADateTime = WithHour(FDate, h);
    return true;
}

bool THours12CalendarViewVz::DateInViewRange(TDateTime ADateTime) { return IsSameDay(ADateTime, FDate); }
TDateTime THours12CalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return IncDay(ADateTime, MoveForward ? 1 : -1);
}
void THours12CalendarViewVz::StepCell(bool Forward) { MoveDateTime(IncHour(FDate, Forward ? 1 : -1)); }
void THours12CalendarViewVz::StepRow(bool Forward) { MoveDateTime(IncHour(FDate, Forward ? 6 : -6)); }

// Picking an hour goes on to the finest unit shown after it, once.
void THours12CalendarViewVz::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                            const TPoint& InCellPos, const TPoint& MousePos) {
    TTimeUnitCalendarViewVz::CellMouseClick(Cell, Button, Shift, InCellPos, MousePos);
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (!picker) return;
    const TCalendarDateTimeUnitsVz units = picker->TimeUnits();
    if (Button == mbLeft && CellHour(Cell.X, Cell.Y) >= 0) {
        if (Contains(units, cdtuMinuteVz)) GoToPage(picker->MinutesView());
        else if (Contains(units, cdtuSecondVz)) GoToPage(picker->SecondsView());
        else BackToTimePage();
    } else if (Button == mbRight) {
        BackToTimePage();
    }
}

// ---- minutes and seconds -----------------------------------------------------------------------

TMinutesCalendarViewVz::TMinutesCalendarViewVz(TComponent* AOwner) : TTimeUnitCalendarViewVz(AOwner) {}

int TMinutesCalendarViewVz::UnitOf(TDateTime Value) { return MinuteOf(Value); }
int TSecondsCalendarViewVz::UnitOf(TDateTime Value) { return SecondOf(Value); }

String TMinutesCalendarViewVz::CellText(int ACol, int ARow) { return FormatFloat("00", (ARow * 4 + ACol) * 5); }

TGridCoord TMinutesCalendarViewVz::SelectedCell() {
    const int v = UnitOf(FDate);
    if (v % 5 != 0) return TGridCoord{-1, -1};
    return TGridCoord{(v / 5) % 4, (v / 5) / 4};
}

void TMinutesCalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    DrawDateCell(ARect, State, CellText(ACol, ARow), (ARow * 4 + ACol) * 5 == UnitOf(FDate), false, false, clNone,
                 clNone);
}

bool TMinutesCalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    const int v = (Cell.Y * 4 + Cell.X) * 5;
    ADateTime = FDate;
    if (v < 0 || v > 55) return false;
    ADateTime = WithMinute(FDate, v);
    return true;
}

bool TSecondsCalendarViewVz::TryDateFromCell(const TGridCoord& Cell, TDateTime& ADateTime) {
    const int v = (Cell.Y * 4 + Cell.X) * 5;
    ADateTime = FDate;
    if (v < 0 || v > 55) return false;
    ADateTime = WithSecond(FDate, v);
    return true;
}

String TMinutesCalendarViewVz::GetDateInfoText() {
    return DateToStr(FDate) + u' ' + FormatDateTime(QStringLiteral("HH"), FDate) + QStringLiteral(":(M)");
}
String TSecondsCalendarViewVz::GetDateInfoText() {
    return DateToStr(FDate) + u' ' + FormatDateTime(QStringLiteral("HH:NN"), FDate) + QStringLiteral(":(S)");
}

bool TMinutesCalendarViewVz::DateInViewRange(TDateTime ADateTime) {
    return IsSameDay(ADateTime, FDate) && HourOf(ADateTime) == HourOf(FDate);
}
bool TSecondsCalendarViewVz::DateInViewRange(TDateTime ADateTime) {
    return TMinutesCalendarViewVz::DateInViewRange(ADateTime) && MinuteOf(ADateTime) == MinuteOf(FDate);
}

TDateTime TMinutesCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return IncHour(ADateTime, MoveForward ? 1 : -1);
}
TDateTime TSecondsCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return IncMinute(ADateTime, MoveForward ? 1 : -1);
}

void TMinutesCalendarViewVz::StepSnapped(int N) { MoveDateTime(StepMinutesSnappedVz(FDate, N)); }
void TSecondsCalendarViewVz::StepSnapped(int N) { MoveDateTime(StepSecondsSnappedVz(FDate, N)); }
void TMinutesCalendarViewVz::StepCell(bool Forward) { StepSnapped(Forward ? 5 : -5); }
void TMinutesCalendarViewVz::StepRow(bool Forward) { StepSnapped(Forward ? 20 : -20); }

void TMinutesCalendarViewVz::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                            const TPoint& InCellPos, const TPoint& MousePos) {
    TTimeUnitCalendarViewVz::CellMouseClick(Cell, Button, Shift, InCellPos, MousePos);
    if (Button == mbLeft || Button == mbRight) BackToTimePage();
}

// ---- the time page -----------------------------------------------------------------------------

TTimeCalendarViewVz::TTimeCalendarViewVz(TComponent* AOwner) : TCustomCalendarViewVz(AOwner) {}

TTimeCalendarViewVz::~TTimeCalendarViewVz() = default;

void TTimeCalendarViewVz::AfterConstruction() {
    TCustomCalendarViewVz::AfterConstruction();
    bool is24 = true, amPmFirst = false;
    GetLocaleTimeFormatVz(is24, amPmFirst);
    FHoursFormat = is24 ? 1 : 0;
    FAmPmPos = amPmFirst;
    FSelectNextViewOnClick = false;
    FTimer = New<TTimer>(this);
    FTimer->SetEnabled(false);
    FTimer->OnTimer = [this](TObject* Sender) { RepeatTimer(Sender); };
    ResetGrid();
    FActiveRegion = tcarHoursVz;
}

void TTimeCalendarViewVz::UpdateLocaleTimeFormat() {
    bool is24 = true, amPmFirst = false;
    GetLocaleTimeFormatVz(is24, amPmFirst);
    const int format = is24 ? 1 : 0;
    if (format == FHoursFormat && amPmFirst == FAmPmPos) return;
    FHoursFormat = format;
    FAmPmPos = amPmFirst;
    ResetGrid();
}

int TTimeCalendarViewVz::LayoutUnits() const {
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (!picker) return 0;
    const TCalendarDateTimeUnitsVz u = picker->TimeUnits();
    const bool h = u.Contains(cdtuHourVz), m = u.Contains(cdtuMinuteVz), s = u.Contains(cdtuSecondVz);
    if (h && m && !s) return 1;
    if (h && !m && !s) return 2;
    return 0;
}

void TTimeCalendarViewVz::ResetGrid() {
    SetFixedColCount(0);
    SetFixedRowCount(0);
    SetRowCount(6);
    const int units = LayoutUnits();
    if (AmPm12()) {
        SetColCount(units == 0 ? 9 : 6);
        FOkButtonCol = units == 0 ? 7 : 4;
    } else {
        SetColCount(7);
        FOkButtonCol = 5;
    }
    using T = TTimeCalendarViewColTypeVz;
    const T B = tcvctBlankVz, H = tcvctHourVz, C = tcvctColonVz, M = tcvctMinuteVz, S = tcvctSecondVz,
            A = tcvctAmPmVz;
    if (units == 0) {
        FColTypes = AmPm12() ? std::vector<T>{B, H, C, M, C, S, B, A, B} : std::vector<T>{B, H, C, M, C, S, B};
        FVisibleRegions = {tcarHoursVz, tcarMinutesVz, tcarSecondsVz, tcarOKButtonVz};
    } else if (units == 1) {
        FColTypes = AmPm12() ? std::vector<T>{B, H, C, M, A, B} : std::vector<T>{B, B, H, C, M, B, B};
        FVisibleRegions = {tcarHoursVz, tcarMinutesVz, tcarOKButtonVz};
    } else {
        FColTypes = AmPm12() ? std::vector<T>{B, B, H, A, B, B} : std::vector<T>{B, B, B, H, B, B, B};
        FVisibleRegions = {tcarHoursVz, tcarOKButtonVz};
    }
    if (std::find(FVisibleRegions.begin(), FVisibleRegions.end(), FActiveRegion) == FVisibleRegions.end())
        FActiveRegion = tcarHoursVz;
    UpdateCellSizes();
}

void TTimeCalendarViewVz::UpdateCellSizes() {
    const int n = ColCount();
    if (n != int(FColTypes.size()) || ClientWidth() <= 0) return;
    TCanvas* c = GetScreenCanvasVz();
    c->SetFont(Font());
    const int W = c->TextWidth(QStringLiteral("00"));
    const int units = LayoutUnits();
    std::vector<bool> fixed(n, false);
    if (units == 0) {
        for (int i = 0; i < n; i += 2) fixed[i] = true;
    } else if (units == 1) {
        if (AmPm12()) fixed[0] = fixed[2] = fixed[n - 1] = true;
        else fixed[0] = fixed[3] = fixed[n - 1] = true;
    } else {
        if (AmPm12()) fixed[0] = fixed[n - 1] = true;
        else fixed[0] = fixed[2] = fixed[4] = fixed[n - 1] = true;
    }
    int fixedCount = int(std::count(fixed.begin(), fixed.end(), true));
    const std::vector<int> shared = ShareLengthVz(ClientWidth() - fixedCount * W, n - fixedCount);
    std::vector<int> widths(n);
    for (int i = 0, k = 0; i < n; ++i) widths[i] = fixed[i] ? W : shared[k++];
    if (units == 0 && AmPm12()) {
        widths[6] = 0;
        widths[1] += W / 3;
        widths[3] += (2 * W) / 3 - W / 3;
        widths[5] += W - (2 * W) / 3;
    }
    for (int i = 0; i < n; ++i) SetColWidths(i, std::max(widths[i], 0));
    std::vector<int> rows = ShareLengthVz(ClientHeight(), 6);
    const int half = rows[4] / 2;
    rows[4] -= half;
    rows[5] += half;
    for (int i = 0; i < 6; ++i) SetRowHeights(i, rows[i]);
}

String TTimeCalendarViewVz::CellText(int ACol, int ARow) {
    if (ACol < 0 || ACol >= int(FColTypes.size())) return String();
    if (ARow == 5 && ACol == FOkButtonCol) return QStringLiteral("OK");
    if (ARow != 2) return String();
    switch (FColTypes[ACol]) {
    case tcvctHourVz: {
        const int h = HourOf(FDate);
        if (!AmPm12()) return FormatFloat("0", h);
        return IntToStr(h % 12 == 0 ? 12 : h % 12);
    }
    case tcvctMinuteVz: return FormatFloat("00", MinuteOf(FDate));
    case tcvctSecondVz: return FormatFloat("00", SecondOf(FDate));
    case tcvctAmPmVz: return FormatDateTime(QStringLiteral("AMPM"), FDate);
    case tcvctColonVz: return QStringLiteral(":");
    default: return String();
    }
}

void TTimeCalendarViewVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    if (ACol < 0 || ACol >= int(FColTypes.size())) return;
    const TTimeCalendarViewColTypeVz type = FColTypes[ACol];
    const bool unitCol = type == tcvctHourVz || type == tcvctMinuteVz || type == tcvctSecondVz;
    const bool okCell = ACol == FOkButtonCol && ARow == 5;
    bool hot = MouseHot(State) && ((unitCol && ARow >= 1 && ARow <= 3) || okCell);
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (picker && picker->InputMethod() == iimKeyboardVz) {
        const bool activeValue = ARow == 2 && ((type == tcvctHourVz && FActiveRegion == tcarHoursVz) ||
                                               (type == tcvctMinuteVz && FActiveRegion == tcarMinutesVz) ||
                                               (type == tcvctSecondVz && FActiveRegion == tcarSecondsVz));
        if (activeValue || (okCell && FActiveRegion == tcarOKButtonVz)) hot = true;
    }
    Canvas()->SetFont(Font());
    SetCellCanvasColors(hot, false);
    GetDateTimeCalendarPickerDrawStyleVz()->DrawCalendarViewCellBackgraund(this, Canvas(), hot ? cvcsHotVz : 0, ARect);
    if (unitCol && (ARow == 1 || ARow == 3)) {
        DrawArrow(Canvas(), ARect, ARow == 1);
        return;
    }
    const String text = CellText(ACol, ARow);
    if (!text.isEmpty())
        WriteCellTextVz(Canvas(), ARect, false, 0, 0, text, taCenter, tlCenter, false, false, 0, 0, false, true);
}

void TTimeCalendarViewVz::DateTimeChanged() { Invalidate(); }
String TTimeCalendarViewVz::GetDateInfoText() { return DateToStr(FDate); }
TDateTime TTimeCalendarViewVz::GetNextPeriodDate(bool MoveForward, TDateTime ADateTime) {
    return IncDay(ADateTime, MoveForward ? 1 : -1);
}

void TTimeCalendarViewVz::IncrementHour(int N) {
    if (N == 0) return;
    const int h = HourOf(FDate);
    const int nh = h + N >= 24 ? 0 : h + N < 0 ? h + N + 24 : h + N;
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetDateTime(WithHour(FDate, nh));
}

void TTimeCalendarViewVz::IncrementMinute(int N) {
    if (N == 0) return;
    const int m = MinuteOf(FDate);
    const int nm = m + N >= 60 ? 0 : m + N < 0 ? 59 : m + (N > 0 ? 1 : -1);
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetDateTime(WithMinute(FDate, nm));
}

void TTimeCalendarViewVz::IncrementSecond(int N) {
    if (N == 0) return;
    const int s = SecondOf(FDate);
    const int ns = s + N >= 60 ? 0 : s + N < 0 ? 59 : s + (N > 0 ? 1 : -1);
    if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->SetDateTime(WithSecond(FDate, ns));
}

void TTimeCalendarViewVz::HoursRegionAction(int Action) {
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (Action == 0) IncrementHour(-1);
    else if (Action == 1) IncrementHour(1);
    else if (Action == 2 && picker)
        picker->ShowCalendarView(AmPm12() ? static_cast<TCustomCalendarViewVz*>(picker->Hours12View())
                                          : picker->Hours24View(),
                                 true, true);
}

void TTimeCalendarViewVz::MinutesRegionAction(int Action) {
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (Action == 0) IncrementMinute(-1);
    else if (Action == 1) IncrementMinute(1);
    else if (Action == 2 && picker) picker->ShowCalendarView(picker->MinutesView(), true, true);
}

void TTimeCalendarViewVz::SecondsRegionAction(int Action) {
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (Action == 0) IncrementSecond(-1);
    else if (Action == 1) IncrementSecond(1);
    else if (Action == 2 && picker) picker->ShowCalendarView(picker->SecondsView(), true, true);
}

void TTimeCalendarViewVz::OkRegionAction(int Action) {
    if (Action == 2)
        if (TDateTimeCalendarPickerVz* picker = Calendar()) picker->DateTimeUnitChosen(7);
}

void TTimeCalendarViewVz::RunRegionAction(TTimeCalendarViewActiveRegionVz Region, int Action) {
    switch (Region) {
    case tcarHoursVz: HoursRegionAction(Action); break;
    case tcarMinutesVz: MinutesRegionAction(Action); break;
    case tcarSecondsVz: SecondsRegionAction(Action); break;
    case tcarOKButtonVz: OkRegionAction(Action); break;
    }
}

void TTimeCalendarViewVz::MoveActiveRegion(bool Forward) {
    if (FVisibleRegions.empty()) return;
    auto it = std::find(FVisibleRegions.begin(), FVisibleRegions.end(), FActiveRegion);
    int index = it == FVisibleRegions.end() ? 0 : int(it - FVisibleRegions.begin());
    const int n = int(FVisibleRegions.size());
    index = (index + (Forward ? 1 : n - 1)) % n;
    FActiveRegion = FVisibleRegions[index];
    Invalidate();
}

void TTimeCalendarViewVz::ResetRegion() {
    FActiveRegion = tcarHoursVz;
    Invalidate();
}

void TTimeCalendarViewVz::StartButtonRepeat(const TGridCoord& Cell, TTimeCalendarViewPressedButtonTypeVz ButtonType) {
    FPressedCell = Cell;
    FPressedButtonType = ButtonType;
    if (!FTimer->Enabled() || FTimer->Interval() != 400) {
        FTimer->SetInterval(400);
        FTimer->SetEnabled(true);
    }
}

void TTimeCalendarViewVz::RunPressedButton() {
    switch (FPressedButtonType) {
    case tcpbtHoursUpVz: IncrementHour(1); break;
    case tcpbtHoursDownVz: IncrementHour(-1); break;
    case tcpbtMinutesUpVz: IncrementMinute(1); break;
    case tcpbtMinutesDownVz: IncrementMinute(-1); break;
    case tcpbtSecondsUpVz: IncrementSecond(1); break;
    case tcpbtSecondsDownVz: IncrementSecond(-1); break;
    }
}

void TTimeCalendarViewVz::RepeatTimer(TObject*) {
    if (FTimer->Interval() == 400) FTimer->SetInterval(100);
    if (HotTrackCell() == FPressedCell) RunPressedButton();
}

void TTimeCalendarViewVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomCalendarViewVz::MouseUp(Button, Shift, X, Y);
    FTimer->SetEnabled(false);
}

void TTimeCalendarViewVz::CellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                        const TPoint& InCellPos, const TPoint& MousePos) {
    TCustomCalendarViewVz::CellMouseDown(Cell, Button, Shift, InCellPos, MousePos);
    if (Button != mbLeft || Cell.X < 0 || Cell.X >= int(FColTypes.size()) || (Cell.Y != 1 && Cell.Y != 3)) return;
    const bool up = Cell.Y == 1;
    switch (FColTypes[Cell.X]) {
    case tcvctHourVz:
        IncrementHour(up ? 1 : -1);
        StartButtonRepeat(Cell, up ? tcpbtHoursUpVz : tcpbtHoursDownVz);
        FActiveRegion = tcarHoursVz;
        break;
    case tcvctMinuteVz:
        IncrementMinute(up ? 1 : -1);
        StartButtonRepeat(Cell, up ? tcpbtMinutesUpVz : tcpbtMinutesDownVz);
        FActiveRegion = tcarMinutesVz;
        break;
    case tcvctSecondVz:
        IncrementSecond(up ? 1 : -1);
        StartButtonRepeat(Cell, up ? tcpbtSecondsUpVz : tcpbtSecondsDownVz);
        FActiveRegion = tcarSecondsVz;
        break;
    default: break;
    }
    Invalidate();
}

void TTimeCalendarViewVz::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                         const TPoint& InCellPos, const TPoint& MousePos) {
    TCustomCalendarViewVz::CellMouseClick(Cell, Button, Shift, InCellPos, MousePos);
    TDateTimeCalendarPickerVz* picker = Calendar();
    if (!picker) return;
    if (Button == mbRight) {
        const auto& list = picker->CalendarViewList();
        if (std::find(list.begin(), list.end(), picker->DaysView()) != list.end())
            picker->ShowCalendarView(picker->DaysView(), false, true);
        return;
    }
    if (Button != mbLeft || Cell.X < 0 || Cell.X >= int(FColTypes.size())) return;
    if (Cell.X == FOkButtonCol && Cell.Y == 5) {
        OkRegionAction(2);
        return;
    }
    if (Cell.Y != 2) return;
    switch (FColTypes[Cell.X]) {
    case tcvctHourVz: HoursRegionAction(2); break;
    case tcvctMinuteVz: MinutesRegionAction(2); break;
    case tcvctSecondVz: SecondsRegionAction(2); break;
    default: break;
    }
}

void TTimeCalendarViewVz::KeyDown(Word& Key, TShiftState Shift) {
    const bool ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_RETURN:
        if (ctrl) ShowNextView(false, true);
        else RunRegionAction(FActiveRegion, 2);
        Key = 0;
        break;
    case VK_UP: RunRegionAction(FActiveRegion, 1); Key = 0; break;
    case VK_DOWN: RunRegionAction(FActiveRegion, 0); Key = 0; break;
    case VK_LEFT: MoveActiveRegion(false); Key = 0; break;
    case VK_RIGHT: MoveActiveRegion(true); Key = 0; break;
    default: break;
    }
    TCustomCalendarViewVz::KeyDown(Key, Shift);
}

bool TTimeCalendarViewVz::MouseWheelAt(const TPoint& MousePos, bool Up) {
    const TPoint p = ScreenToClient(MousePos);
    const TGridCoord cell = MouseCoord(p.X, p.Y);
    if (cell.X < 0 || cell.X >= int(FColTypes.size()) || cell.Y < 0) return true;
    switch (FColTypes[cell.X]) {
    case tcvctHourVz: IncrementHour(Up ? 1 : -1); break;
    case tcvctMinuteVz: IncrementMinute(Up ? 1 : -1); break;
    case tcvctSecondVz: IncrementSecond(Up ? 1 : -1); break;
    default: break;
    }
    return true;
}
