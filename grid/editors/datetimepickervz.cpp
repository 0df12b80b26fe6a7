#include "grid/editors/datetimepickervz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/base/vizevmanagervz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/editors/pickerstylevz.h"
#include "grid/editors/timeviewsvz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/modalresults.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The pickers' drop-down class is the popup form unless the settings name another.
struct TDateTimeCalendarPickersUnitVz {
    TDateTimeCalendarPickersUnitVz() {
        if (!GetClass(u"TPopupDateTimeCalendarFormVz"_S)) RegisterClass(TPopupDateTimeCalendarFormVz::StaticClass());
    }
} DateTimeCalendarPickersUnitVz;

void FillLabelBackground(TSpeedButtonVz* Button, TCanvas* Canvas, TDateTimeCalendarPickerVz* Picker, bool Themed) {
    const TRect r(0, 0, Button->Width(), Button->Height());
    Canvas->Brush()->SetStyle(bsSolid);
    if (Button->MouseInControl()) {
        Canvas->Brush()->SetColor(Picker->PaintBuffer()->HotTrackCellBrushColor);
        if (Themed)
            GetDateTimeCalendarPickerDrawStyleVz()->DrawCalendarViewCellBackgraund(nullptr, Canvas, cvcsHotVz, r);
        else Canvas->FillRect(r);
    } else {
        Canvas->Brush()->SetColor(Picker->PaintBuffer()->NormalCellBrushColor);
        Canvas->FillRect(r);
    }
}

} // namespace

// ---- paint buffer and header controls ----------------------------------------------------------

TDateTimePickCalendarPaintBufferVz::TDateTimePickCalendarPaintBufferVz() : FCalendarWeekNoFont(NewOwned<TFont>()) {}
TDateTimePickCalendarPaintBufferVz::~TDateTimePickCalendarPaintBufferVz() = default;

TDateTimeCalendarPickerVz* TDateTimePickCalendarButtonVz::PickCalendar() const {
    return dynamic_cast<TDateTimeCalendarPickerVz*>(Owner());
}
TDateTimeCalendarPickerVz* TDateTimePickCalendarDateInfoLabelVz::PickCalendar() const {
    return dynamic_cast<TDateTimeCalendarPickerVz*>(Owner());
}
TDateTimeCalendarPickerVz* TDateTimePickCalendarTodayInfoLabelVz::PickCalendar() const {
    return dynamic_cast<TDateTimeCalendarPickerVz*>(Owner());
}

void TDateTimePickCalendarButtonVz::Paint() {
    TDateTimeCalendarPickerVz* picker = PickCalendar();
    if (!picker) return;
    picker->UpdatePaintBuffer();
    TCanvas* c = Canvas();
    FillLabelBackground(this, c, picker, true);
    // A solid arrow of four vertical lines (7, 5, 3, 1 pixels) in a 4 x 7 box.
    const int left = (Width() - 4) / 2, top = (Height() - 7) / 2;
    c->Pen()->SetColor(clWindowText);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    for (int i = 0; i < 4; ++i) {
        const int x = FStyle == cmpsPriorPeriodVz ? left + i : left + 3 - i;
        c->MoveTo(x, top + i);
        c->LineTo(x, top + 7 - i);
    }
}

void TDateTimePickCalendarDateInfoLabelVz::Paint() {
    TDateTimeCalendarPickerVz* picker = PickCalendar();
    if (!picker || !picker->CurrentCalendarView()) return;
    picker->UpdatePaintBuffer();
    TCanvas* c = Canvas();
    FillLabelBackground(this, c, picker, true);
    c->SetFont(picker->Font());
    c->Font()->SetColor(picker->PaintBuffer()->NormalCellFontColor);
    WriteCellTextVz(c, TRect(0, 0, Width(), Height()), false, 0, 0, picker->CurrentCalendarView()->GetDateInfoText(),
                    taCenter, tlCenter, false, false, 0, 0, false, true);
}

String TDateTimePickCalendarTodayInfoLabelVz::TodayText() const {
    return GetViZevLanguageConsts()->TodayVz() + QStringLiteral(": ") + DateToStr(Date()) + u' ';
}

void TDateTimePickCalendarTodayInfoLabelVz::Paint() {
    TDateTimeCalendarPickerVz* picker = PickCalendar();
    if (!picker) return;
    picker->UpdatePaintBuffer();
    TCanvas* c = Canvas();
    FillLabelBackground(this, c, picker, false);
    c->SetFont(picker->Font());
    c->Font()->SetColor(picker->PaintBuffer()->NormalCellFontColor);
    const String text = TodayText();
    const TRect r(0, 0, Width(), Height());
    WriteCellTextVz(c, r, false, 0, 0, text, taRightJustify, tlCenter, false, false, 0, 0, false, true);
    // The today frame, the size of a day cell, left of the text.
    TDaysCalendarViewVz* days = picker->DaysView();
    const int cellW = days->ColCount() > 1 ? days->ColWidths(1) : 20;
    const int cellH = std::max((days->RowCount() > 1 ? days->RowHeights(1) : 16) - 1, 1);
    const int right = Width() - c->TextWidth(text) - 5;
    const int top = (Height() - cellH) / 2 + 1;
    const TRect frame(right - cellW, top, right, top + cellH);
    c->Brush()->SetColor(picker->PaintBuffer()->NormalCellBrushColor);
    c->Brush()->SetStyle(bsClear);
    int state = cvcsTodayVz | (MouseInControl() ? cvcsHotVz : 0);
    TColor brush = MouseInControl() ? picker->PaintBuffer()->HotTrackCellBrushColor
                                    : picker->PaintBuffer()->NormalCellBrushColor;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(brush);
    GetDateTimeCalendarPickerDrawStyleVz()->DrawCalendarViewCellBackgraund(nullptr, c, state, frame);
}

// ---- the picker --------------------------------------------------------------------------------

TDateTimeCalendarPickerVz::TDateTimeCalendarPickerVz(TComponent* AOwner)
    : TCustomControlVz(AOwner), FPaintBuffer(NewOwned<TDateTimePickCalendarPaintBufferVz>()) {
    FDateTime = Now();
}

TDateTimeCalendarPickerVz::~TDateTimeCalendarPickerVz() = default;

template <class T>
T* TDateTimeCalendarPickerVz::NewView() {
    T* view = New<T>(this);
    view->SetVisible(false);
    view->SetParent(this);
    return view;
}

void TDateTimeCalendarPickerVz::AfterConstruction() {
    TCustomControlVz::AfterConstruction();
    RegisterCalendarPickerVz(this, true);
    SetTabStop(true);
    SetBounds(Left(), Top(), 250, 220);
    FPriorPeriodButton = New<TDateTimePickCalendarButtonVz>(this);
    FPriorPeriodButton->SetStyle(cmpsPriorPeriodVz);
    FNextPeriodButton = New<TDateTimePickCalendarButtonVz>(this);
    FNextPeriodButton->SetStyle(cmpsNextPeriodVz);
    for (TDateTimePickCalendarButtonVz* b : {FPriorPeriodButton, FNextPeriodButton}) {
        b->SetParent(this);
        b->SetFlat(true);
        b->OnDown = TButtonDownEventVz(this, &TDateTimeCalendarPickerVz::PeriodButtonDown);
    }
    FDateInfo = New<TDateTimePickCalendarDateInfoLabelVz>(this);
    FTodayInfo = New<TDateTimePickCalendarTodayInfoLabelVz>(this);
    for (TSpeedButtonVz* b : std::initializer_list<TSpeedButtonVz*>{FDateInfo, FTodayInfo}) {
        b->SetParent(this);
        b->SetFlat(true);
        b->OnDown = [this](TObject* Sender, bool, bool&, bool& Handled) {
            InfoLabelDown(Sender);
            Handled = true;
        };
    }
    FDecadesView = NewView<TDecadesCalendarViewVz>();
    FYearsView = NewView<TYearsCalendarViewVz>();
    FMonthsView = NewView<TMonthsCalendarViewVz>();
    FDaysView = NewView<TDaysCalendarViewVz>();
    FHours24View = NewView<THours24CalendarViewVz>();
    FHours12View = NewView<THours12CalendarViewVz>();
    FMinutesView = NewView<TMinutesCalendarViewVz>();
    FSecondsView = NewView<TSecondsCalendarViewVz>();
    FTimeView = NewView<TTimeCalendarViewVz>();
    FCurrentCalendarView = FDaysView;
    FDaysView->SetDateTime(FDateTime);
    FDaysView->SetVisible(true);
    FImageTrans = New<TImageTransformatorVz>(this);
    FImageTrans->SetVisible(false);
    FImageTrans->SetParent(this);
    FTimeUnits = TCalendarDateTimeUnitsVz{cdtuYearVz, cdtuMonthVz, cdtuDayVz};
    UpdateCalendarViewList();
    ApplyFontConversion(Font());
    Resize();
}

void TDateTimeCalendarPickerVz::BeforeDestruction() {
    RegisterCalendarPickerVz(this, false);
    FCalendarViewList.clear();
    FCurrentCalendarView = nullptr;
    TCustomControlVz::BeforeDestruction();
}

void TDateTimeCalendarPickerVz::InitWidget() {
    TCustomControlVz::InitWidget();
    SizeToRecommended();
}

void TDateTimeCalendarPickerVz::ApplyFontConversion(TFont* Master) {
    TFont converted;
    GetDateTimeCalendarPickerDrawStyleVz()->SetCalendarFontData(this, Master, &converted);
    FInternalFontSet = true;
    try {
        Font()->Assign(&converted);
    } catch (...) {
        FInternalFontSet = false;
        throw;
    }
    FInternalFontSet = false;
    UpdatePaintBuffer();
}

void TDateTimeCalendarPickerVz::SetPickerFont(TFont* Master) {
    ApplyFontConversion(Master);
    SizeToRecommended();
}

void TDateTimeCalendarPickerVz::SizeToRecommended() {
    int w = Width(), h = Height();
    CalcRecommendedSize(w, h);
    SetBounds(Left(), Top(), w, h);
}

TDaysCalendarViewDayInfoItem* TDateTimeCalendarPickerVz::CreateDayInfoItem() {
    return New<TDaysCalendarViewDayInfoItem>();
}

void TDateTimeCalendarPickerVz::FillDayInfo(TDaysCalendarViewDayInfoItem* Item, TDateTime ADate) {
    Item->IsHoliday = !GetWorkingTimeCalendarVz()->IsWorkday(ADate);
}

bool TDateTimeCalendarPickerVz::CanAnimate() const { return HandleAllocated() && Showing(); }

void TDateTimeCalendarPickerVz::SetDateTime(TDateTime Value) {
    if (FDateTime == Value) return;
    FDateTime = Value;
    if (FCurrentCalendarView) FCurrentCalendarView->SetDateTime(Value);
    Invalidate();
    if (HandleAllocated() && FDateInfo) FDateInfo->Invalidate();
}

void TDateTimeCalendarPickerVz::SetDateTimeAnimated(TDateTime Value) {
    if (FDateTime == Value || !FCurrentCalendarView) return;
    if (FCurrentCalendarView->DateInViewRange(Value) || !CanAnimate()) {
        SetDateTime(Value);
        return;
    }
    FImageTrans->SetTransformStyle(Value <= FCurrentCalendarView->DateTime() ? itsLeftToRightTransformVz
                                                                              : itsRightToLeftTransformVz);
    FImageTrans->Reset(FCurrentCalendarView, nullptr);
    SetDateTime(Value);
    FCurrentCalendarView->PaintTo(FImageTrans->Bitmap2()->Canvas()->Handle());
    FImageTrans->SetTransformTime(250);
    FImageTrans->BringToFront();
    FImageTrans->SetVisible(true);
    FImageTrans->AnimatedTransform();
    FImageTrans->SetVisible(false);
    Invalidate();
}

void TDateTimeCalendarPickerVz::SetTimeUnits(TCalendarDateTimeUnitsVz Value) {
    if (FTimeUnits == Value) return;
    FTimeUnits = Value;
    UpdateCalendarViewList();
    ResetStartCalendarView();
}

void TDateTimeCalendarPickerVz::SetInputMethod(TInteractiveInputMethodVz Value) {
    if (FInputMethod == Value) return;
    FInputMethod = Value;
    Invalidate();
    if (FCurrentCalendarView) FCurrentCalendarView->Invalidate();
}

void TDateTimeCalendarPickerVz::UpdateCalendarViewList() {
    FCalendarViewList.clear();
    const TCalendarDateTimeUnitsVz u = FTimeUnits;
    if (u.Contains(cdtuYearVz)) {
        FCalendarViewList.push_back(FDecadesView);
        FCalendarViewList.push_back(FYearsView);
    }
    if (u.Contains(cdtuMonthVz)) FCalendarViewList.push_back(FMonthsView);
    if (u.Contains(cdtuDayVz)) FCalendarViewList.push_back(FDaysView);
    if ((u.Contains(cdtuHourVz) || u.Contains(cdtuMinuteVz) || u.Contains(cdtuSecondVz)) &&
        GetViZevManager()->DateTimeCalendarPickerShowTimeSelectionPage())
        FCalendarViewList.push_back(FTimeView);
    FTimeView->ResetGrid();
    const bool dates = u.Contains(cdtuYearVz) || u.Contains(cdtuMonthVz) || u.Contains(cdtuDayVz);
    FPriorPeriodButton->SetVisible(dates);
    FNextPeriodButton->SetVisible(dates);
    FDateInfo->SetVisible(dates);
}

void TDateTimeCalendarPickerVz::ResetStartCalendarView() {
    for (TCustomCalendarViewVz* v : std::initializer_list<TCustomCalendarViewVz*>{
             FDaysView, FMonthsView, FYearsView, FDecadesView, FTimeView, FHours24View, FHours12View, FMinutesView,
             FSecondsView}) {
        if (std::find(FCalendarViewList.begin(), FCalendarViewList.end(), v) == FCalendarViewList.end()) continue;
        if (FCurrentCalendarView && FCurrentCalendarView != v) FCurrentCalendarView->SetVisible(false);
        FCurrentCalendarView = v;
        v->SetVisible(true);
        v->SetDateTime(FDateTime);
        UpdateTodayInfoVisibility();
        return;
    }
}

void TDateTimeCalendarPickerVz::UpdateTodayInfoVisibility() {
    if (FTodayInfo && FCurrentCalendarView) FTodayInfo->SetVisible(FCurrentCalendarView->ShowTodayInfo());
    Invalidate();
}

void TDateTimeCalendarPickerVz::ShowCalendarView(TCustomCalendarViewVz* View, bool ZoomIn, bool Animated) {
    if (!View || View == FCurrentCalendarView) return;
    TCustomCalendarViewVz* old = FCurrentCalendarView;
    Animated = Animated && CanAnimate() && old;
    if (Animated) {
        View->SetDateTime(FDateTime);
        View->SetBoundsRect(old->BoundsRect());
        FImageTrans->Reset(old, View);
        FImageTrans->SetTransformTime(300);
        const TGridCoord cell = old->SelectedCell();
        if (ZoomIn && cell.X >= 0) {
            FImageTrans->SetTransformStyle(itsZoomInTransformVz);
            FImageTrans->SetZoomWinRect(old->CellRect(cell.X, cell.Y));
        } else {
            FImageTrans->SetTransformStyle(itsTransparentTransformVz);
        }
        FImageTrans->BringToFront();
        FImageTrans->SetVisible(true);
    }
    if (old) old->SetVisible(false);
    FCurrentCalendarView = View;
    View->SetVisible(true);
    View->SetDateTime(FDateTime);
    View->UpdateMousePos();
    UpdateTodayInfoVisibility();
    if (FDateInfo) FDateInfo->Invalidate();
    if (Animated) {
        const TGridCoord cell = View->SelectedCell();
        if (!ZoomIn && cell.X >= 0) {
            FImageTrans->SetTransformStyle(itsZoomOutTransformVz);
            FImageTrans->SetZoomWinRect(View->CellRect(cell.X, cell.Y));
        }
        FImageTrans->AnimatedTransform();
        FImageTrans->SetVisible(false);
    }
    int w = Width(), h = Height();
    CalcRecommendedSize(w, h);
    AnimateHeight(h);
}

void TDateTimeCalendarPickerVz::AnimateHeight(int NewHeight) {
    if (CanAnimate()) {
        while (std::abs(Height() - NewHeight) > 2) {
            SetHeight(Height() + (NewHeight > Height() ? 2 : -2));
            Repaint();
        }
    }
    SetHeight(NewHeight);
}

int TDateTimeCalendarPickerVz::LineHeight() {
    TCanvas* c = GetScreenCanvasVz();
    c->SetFont(Font());
    return c->TextHeight(QStringLiteral("Wg"));
}

void TDateTimeCalendarPickerVz::CalcRecommendedSize(int& AWidth, int& AHeight) {
    if (!HandleAllocated()) return;
    const int H = LineHeight(), B = RoundToInt(1.5 * H);
    AHeight = AHeight - 2 * H - B;
    FDaysView->HandleNeeded();
    FDaysView->GetRecommendedSize(AWidth, AHeight);
    AHeight = 2 * H + AHeight + B + 2;
}

void TDateTimeCalendarPickerVz::Resize() {
    TCustomControlVz::Resize();
    if (!FDaysView) return;
    TCanvas* c = GetScreenCanvasVz();
    c->SetFont(Font());
    const int H = c->TextHeight(QStringLiteral("Wg")), B = RoundToInt(1.5 * H);
    const int M = c->TextWidth(QStringLiteral("0")) / 2, W3 = c->TextWidth(QStringLiteral("000"));
    const int cw = ClientWidth(), ch = ClientHeight();
    const TRect viewRect(M, 2 * H, cw - M, ch - B);
    for (TControl* v : std::initializer_list<TControl*>{FDecadesView, FYearsView, FMonthsView, FDaysView, FHours24View,
                                                       FHours12View, FMinutesView, FSecondsView, FTimeView, FImageTrans})
        v->SetBounds(viewRect.Left, viewRect.Top, std::max(viewRect.Width(), 0), std::max(viewRect.Height(), 0));
    const int top = (2 * H - B) / 2;
    FPriorPeriodButton->SetBounds(5, top, W3, B);
    FNextPeriodButton->SetBounds(cw - W3 - 5, top, W3, B);
    FDateInfo->SetBounds(W3 + 5, top, std::max(cw - 2 * (W3 + 5), 0), B);
    FTodayInfo->SetBounds(W3 + 5, ch - B, std::max(cw - 2 * (W3 + 5), 0), std::max(B - 5, 0));
}

void TDateTimeCalendarPickerVz::Paint() {
    UpdatePaintBuffer();
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(clWindow);
    Canvas()->FillRect(TRect(0, 0, Width(), Height()));
    Canvas()->Brush()->SetColor(clWindowFrame);
    Canvas()->FrameRect(TRect(0, 0, Width(), Height()));
}

void TDateTimeCalendarPickerVz::UpdatePaintBuffer() {
    TDateTimeCalendarPickerDrawStyleVz* s = GetDateTimeCalendarPickerDrawStyleVz();
    TDateTimePickCalendarPaintBufferVz& b = *FPaintBuffer;
    b.HolidayFontColor = s->GetHolidayFontColor();
    b.HolidayOutsidePeriodFontColor = s->GetHolidayOutsidePeriodFontColor();
    b.HolidaySelectedFontColor = s->GetHolidaySelectedFontColor();
    b.HotTrackCellBrushColor = s->GetHotTrackCellBrushColor();
    b.HotTrackCellFontColor = s->GetHotTrackCellFontColor();
    b.InsideHorzFrameColor = s->GetInsideHorzFrameColor();
    b.InsideVertFrameColor = s->GetInsideVertFrameColor();
    b.NormalCellBrushColor = s->GetNormalCellBrushColor();
    b.NormalCellFontColor = s->GetNormalCellFontColor();
    b.OutsidePeriodCellFontColor = s->GetOutsidePeriodCellFontColor();
    b.SelectedCellBrushColor = s->GetSelectedCellBrushColor();
    b.SelectedCellFontColor = s->GetSelectedCellFontColor();
    b.TodayCellFrameColor = s->GetTodayCellFrameColor();
    s->SetCalendarWeekNoFontData(this, Font(), b.CalendarWeekNoFont());
}

void TDateTimeCalendarPickerVz::InfoLabelDown(TObject* Sender) {
    if (Sender == FDateInfo) {
        if (FCurrentCalendarView) FCurrentCalendarView->ShowNextView(false, true);
    } else if (Sender == FTodayInfo) {
        if (!IsSameDay(FDateTime, Date())) {
            TDateTime today = Date();
            ReplaceTimePartVz(today, FDateTime);
            SetDateTime(today);
        } else {
            DateTimeUnitChosen(7);
        }
    }
}

void TDateTimeCalendarPickerVz::PeriodButtonDown(TObject* Sender, bool, bool&, bool& Handled) {
    if (Sender == FNextPeriodButton) NextPeriod(true);
    else PriorPeriod(true);
    Handled = true;
}

void TDateTimeCalendarPickerVz::NextPeriod(bool Animated) {
    if (!FCurrentCalendarView) return;
    const TDateTime v = FCurrentCalendarView->GetNextPeriodDate(true, FDateTime);
    Animated ? SetDateTimeAnimated(v) : SetDateTime(v);
}

void TDateTimeCalendarPickerVz::PriorPeriod(bool Animated) {
    if (!FCurrentCalendarView) return;
    const TDateTime v = FCurrentCalendarView->GetNextPeriodDate(false, FDateTime);
    Animated ? SetDateTimeAnimated(v) : SetDateTime(v);
}

void TDateTimeCalendarPickerVz::DateTimeUnitChosen(int NextUnit) {
    if (NextUnit == 7) DoDateTimeSelected();
}

void TDateTimeCalendarPickerVz::DoDateTimeSelected() {
    if (OnDateTimeSelected) OnDateTimeSelected(this);
}

void TDateTimeCalendarPickerVz::SystemSettingsChanged() {
    FDaysView->UpdateFirstWeekDay();
    FTimeView->UpdateLocaleTimeFormat();
}

void TDateTimeCalendarPickerVz::KeyDown(Word& Key, TShiftState Shift) {
    SetInputMethod(iimKeyboardVz);
    if (FCurrentCalendarView) FCurrentCalendarView->ViewKeyDown(Key, Shift);
    if (Key != 0) TCustomControlVz::KeyDown(Key, Shift);
}

void TDateTimeCalendarPickerVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    SetInputMethod(iimMouseVz);
    TCustomControlVz::MouseDown(Button, Shift, X, Y);
    if (FCurrentCalendarView) FCurrentCalendarView->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(this));
}

void TDateTimeCalendarPickerVz::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControlVz::MouseMove(Shift, X, Y);
}

bool TDateTimeCalendarPickerVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControlVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (WheelDelta == 0 || !FCurrentCalendarView) return false;
    const bool down = WheelDelta < 0;
    // A turn of several notches at once moves without sliding.
    const bool animated = std::abs(WheelDelta) <= 120;
    if (Shift.Contains(ssCtrl)) FCurrentCalendarView->ShowNextView(!down, true);
    else if (down) NextPeriod(animated);
    else PriorPeriod(animated);
    return true;
}

// ---- the popup form ----------------------------------------------------------------------------

TPopupDateTimeCalendarFormVz::TPopupDateTimeCalendarFormVz(TComponent* AOwner) : TCustomDropDownFormVz(AOwner) {}

TPopupDateTimeCalendarFormVz::~TPopupDateTimeCalendarFormVz() = default;

void TPopupDateTimeCalendarFormVz::AfterConstruction() {
    TCustomDropDownFormVz::AfterConstruction();
    SetFormElements({});
    SetBorderWidth(0);
    SetKeyPreview(true);
    SetFormStyle(fsStayOnTop);
    FCalendar = New<TDateTimeCalendarPickerVz>(this);
    FCalendar->SetName(u"Calendar"_S);
    FCalendar->SetBounds(0, 0, FCalendar->Width(), FCalendar->Height());
    FCalendar->SetParent(this);
    FCalendar->SetDateTime(Now());
    FCalendar->SetTimeUnits(TCalendarDateTimeUnitsVz{cdtuYearVz, cdtuMonthVz, cdtuDayVz, cdtuHourVz, cdtuMinuteVz,
                                                     cdtuSecondVz});
    FCalendar->OnDateTimeSelected = TNotifyEvent(this, &TPopupDateTimeCalendarFormVz::CalendarDateTimeSelected);
}

TDateTime TPopupDateTimeCalendarFormVz::DateTime() const { return FCalendar->DateTime(); }
void TPopupDateTimeCalendarFormVz::SetDateTime(TDateTime Value) { FCalendar->SetDateTime(Value); }
TCalendarDateTimeUnitsVz TPopupDateTimeCalendarFormVz::TimeUnits() const { return FCalendar->TimeUnits(); }
void TPopupDateTimeCalendarFormVz::SetTimeUnits(TCalendarDateTimeUnitsVz Units) { FCalendar->SetTimeUnits(Units); }

void TPopupDateTimeCalendarFormVz::SetPickerFont(TFont* Font) { FCalendar->SetPickerFont(Font); }

void TPopupDateTimeCalendarFormVz::CalendarDateTimeSelected(TObject*) {
    SetModalResult(mrOk);
    Close();
}

void TPopupDateTimeCalendarFormVz::ClosePicker() {
    SetModalResult(mrCancel);
    Close();
}

void TPopupDateTimeCalendarFormVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomDropDownFormVz::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE) {
        SetModalResult(mrCancel);
        Close();
        Key = 0;
    }
}

void TPopupDateTimeCalendarFormVz::UpdateSize() {
    TCustomDropDownFormVz::UpdateSize();
    FCalendar->HandleNeeded();
    FCalendar->SizeToRecommended();
    SetClientWidth(FCalendar->Width());
    SetClientHeight(FCalendar->Height());
}

void TPopupDateTimeCalendarFormVz::ShowPicker(const TPoint& Pos, TPopupDateTimePickerCloseProcVz CloseCallback,
                                              TObject* CallbackData, TDateTime ADateTime) {
    FCalendar->SetDateTime(ADateTime);
    FCalendar->ResetStartCalendarView();
    FCloseCallback = std::move(CloseCallback);
    FCallbackData = CallbackData;
    FDynVars.reset(New<TDynVarsVz>(nullptr));
    FSysParams.reset(New<TEditControlDropDownFormSysParams>());
    ExecuteNomodal(TRect(Pos.X, Pos.Y, Pos.X, Pos.Y), nullptr, daLeft, FDynVars.get(), FSysParams.get(),
                   [this](TCustomForm*, bool Accept, TDynVarsVz*, TDropDownFormSysParams*) {
                       // The parameters go first: the callback may open the picker again.
                       TOwned<TDynVarsVz> vars = std::move(FDynVars);
                       TOwned<TEditControlDropDownFormSysParams> sys = std::move(FSysParams);
                       TPopupDateTimePickerCloseProcVz callback = FCloseCallback;
                       if (callback) callback(this, Accept, FCallbackData);
                   });
}
