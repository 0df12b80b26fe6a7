// The date-time calendar picker and its views: what the date views show around month and year
// ends, picking by click (a 29 February keeps a valid day), keys, the wheel, the zoom chain by
// units, the today line, the time page and its unit pages (wrap-around, snapping that carries,
// the 12-hour page, the region cycle) and the popup form's close callback.
#include "grid/base/vizevmanagervz.h"
#include "grid/editors/datetimepickervz.h"
#include "grid/editors/pickerstylevz.h"
#include "grid/editors/timeviewsvz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/messages.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"

#include <gtest/gtest.h>

namespace datetimepicker_test {

TDateTime DT(int Y, int M, int D, int H = 0, int N = 0, int S = 0) { return EncodeDateTime(Y, M, D, H, N, S, 0); }

std::string Str(TDateTime V) { return FormatDateTime("yyyy-mm-dd hh:nn:ss", V).toStdString(); }

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = FormatSettings;
        SetClock([] { return DT(2026, 12, 11, 14, 30); });
        Picker = New<TDateTimeCalendarPickerVz>(nullptr);
        Picker->OnDateTimeSelected = [this](TObject*) { ++Selected; };
    }
    void TearDown() override {
        Picker->Free();
        FormatSettings = Saved;
        SetClock(nullptr);
    }
    // A press and release of the left (or right) button in the middle of a cell of the current view.
    void Click(int Col, int Row, TMouseButton Button = mbLeft) {
        TCustomCalendarViewVz* v = Picker->CurrentCalendarView();
        const TRect r = v->CellRect(Col, Row);
        const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
        v->DoMouseDown(Button, {}, x, y);
        v->DoMouseUp(Button, {}, x, y);
    }
    void Key(Word K, TShiftState Shift = {}) { Picker->CurrentCalendarView()->ViewKeyDown(K, Shift); }

    TFormatSettings Saved;
    TDateTimeCalendarPickerVz* Picker = nullptr;
    int Selected = 0;
};

TEST_F(PickerTest, DaysViewStartsOnTheLocaleFirstWeekday) {
    struct Case {
        TDateTime date;
        int firstDayOfWeek;  // as the format settings count: 0 Sunday, 1 Monday
        TDateTime start;
        const char* firstName;
        const char* firstWeek;
    };
    const Case cases[] = {
        {DT(2024, 1, 15), 1, DT(2024, 1, 1), "Пн", "1"},
        {DT(2024, 1, 15), 0, DT(2023, 12, 31), "Вс", "52"},
        {DT(2024, 9, 1), 1, DT(2024, 8, 26), "Пн", "35"},
        // The month starts on the locale's first weekday: a whole week of August comes first.
        {DT(2024, 9, 30), 0, DT(2024, 8, 25), "Вс", "34"},
        {DT(2024, 2, 29), 1, DT(2024, 1, 29), "Пн", "5"},
    };
    for (const Case& c : cases) {
        FormatSettings.FirstDayOfWeek = Byte(c.firstDayOfWeek);
        Picker->SystemSettingsChanged();
        Picker->SetDateTime(c.date);
        TDaysCalendarViewVz* days = Picker->DaysView();
        EXPECT_EQ(Str(days->StartDate()), Str(c.start)) << Str(c.date);
        EXPECT_EQ(days->CellText(1, 0), String(c.firstName)) << Str(c.date);
        EXPECT_EQ(days->CellText(0, 1), String(c.firstWeek)) << Str(c.date);
        const TGridCoord sel = days->SelectedCell();
        EXPECT_EQ(days->CellText(sel.X, sel.Y), IntToStr(DayOf(c.date))) << Str(c.date);
    }
}

TEST_F(PickerTest, CoarseViewsShowTheirPeriodAndMarkCellsOutsideIt) {
    Picker->SetTimeUnits({cdtuYearVz, cdtuMonthVz, cdtuDayVz});
    Picker->SetDateTime(DT(2026, 6, 15));
    TYearsCalendarViewVz* years = Picker->YearsView();
    years->SetDateTime(Picker->DateTime());
    EXPECT_EQ(years->CellText(0, 0), String("2019"));
    EXPECT_TRUE(years->CellOutsidePeriod(0, 0));
    EXPECT_EQ(years->CellText(3, 2), String("2030"));
    EXPECT_TRUE(years->CellOutsidePeriod(3, 2));
    EXPECT_FALSE(years->CellOutsidePeriod(1, 0));
    EXPECT_EQ(years->GetDateInfoText(), String("2020-2029"));
    TDecadesCalendarViewVz* decades = Picker->DecadesView();
    decades->SetDateTime(Picker->DateTime());
    EXPECT_EQ(decades->CellText(0, 0), String("1990-\r\n1999  "));
    EXPECT_TRUE(decades->CellOutsidePeriod(0, 0));
    EXPECT_EQ(decades->CellStart(3, 2), 2100);
    EXPECT_TRUE(decades->CellOutsidePeriod(3, 2));
    EXPECT_FALSE(decades->CellOutsidePeriod(3, 1));
    EXPECT_EQ(decades->GetDateInfoText(), String("2000-2099"));
    EXPECT_EQ(Picker->MonthsView()->CellText(0, 0), FormatSettings.ShortMonthNames[0]);
}

TEST_F(PickerTest, ClickingACellPicksItsDateAndZoomsIn) {
    struct Case {
        const char* what;
        int view;  // 0 decades, 1 years, 2 months, 3 days
        TDateTime from;
        int col, row;
        TDateTime picked;
        int nextView;  // the view shown after the click
    };
    const Case cases[] = {
        {"year 2030", 1, DT(2026, 6, 15, 9), 3, 2, DT(2030, 6, 15, 9), 2},
        {"29 Feb into a common year", 1, DT(2024, 2, 29, 10), 2, 1, DT(2025, 2, 28, 10), 2},
        {"29 Feb into a leap year", 1, DT(2024, 2, 29, 10), 1, 2, DT(2028, 2, 29, 10), 2},
        {"29 Feb into another decade", 0, DT(2024, 2, 29, 10), 0, 1, DT(2034, 2, 28, 10), 1},
        {"31 March to April", 2, DT(2026, 3, 31, 8, 15), 3, 0, DT(2026, 4, 30, 8, 15), 3},
        {"31 January to February of a leap year", 2, DT(2024, 1, 31), 1, 0, DT(2024, 2, 29), 3},
    };
    for (const Case& c : cases) {
        TCustomCalendarViewVz* views[] = {Picker->DecadesView(), Picker->YearsView(), Picker->MonthsView(),
                                          Picker->DaysView()};
        Picker->SetDateTime(c.from);
        Picker->ShowCalendarView(views[c.view], false, false);
        Click(c.col, c.row);
        EXPECT_EQ(Str(Picker->DateTime()), Str(c.picked)) << c.what;
        EXPECT_EQ(Picker->CurrentCalendarView(), views[c.nextView]) << c.what;
    }
    // A day is the finest view of a date: picking it chooses the value, keeping the time.
    Picker->SetDateTime(DT(2024, 2, 10, 17, 45));
    Picker->ShowCalendarView(Picker->DaysView(), false, false);
    Click(4, 5);  // Thursday of the fifth week: 29 February
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2024, 2, 29, 17, 45)));
    EXPECT_EQ(Selected, 1);
    // The right button zooms out.
    Click(1, 1, mbRight);
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->MonthsView());
}

TEST_F(PickerTest, KeysStepAndPageAroundMonthEnds) {
    struct Case {
        const char* what;
        TDateTime from;
        Word key;
        TDateTime to;
    };
    const Case cases[] = {
        {"Page Down from 31 January, leap year", DT(2024, 1, 31, 12), VK_NEXT, DT(2024, 2, 29, 12)},
        {"Page Down from 31 January", DT(2025, 1, 31, 12), VK_NEXT, DT(2025, 2, 28, 12)},
        {"Page Up from 31 March", DT(2026, 3, 31), VK_PRIOR, DT(2026, 2, 28)},
        {"Left from the 1st", DT(2024, 1, 1, 8), VK_LEFT, DT(2023, 12, 31, 8)},
        {"Right from 28 February, leap year", DT(2024, 2, 28), VK_RIGHT, DT(2024, 2, 29)},
        {"Down from 25 December", DT(2026, 12, 25), VK_DOWN, DT(2027, 1, 1)},
        {"Up from 3 March, leap year", DT(2024, 3, 3), VK_UP, DT(2024, 2, 25)},
    };
    for (const Case& c : cases) {
        Picker->SetDateTime(c.from);
        Key(c.key);
        EXPECT_EQ(Str(Picker->DateTime()), Str(c.to)) << c.what;
        EXPECT_EQ(Str(Picker->DaysView()->DateTime()), Str(c.to)) << c.what;
    }
    // Left from the 1st of a month shows the previous month.
    Picker->SetDateTime(DT(2024, 1, 1));
    Key(VK_LEFT);
    EXPECT_EQ(Str(Picker->DaysView()->StartDate()), Str(DT(2023, 11, 27)));
    Key(VK_RETURN, {ssCtrl});
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->MonthsView());
    Key(VK_RIGHT);  // a month on
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2024, 1, 31)));
    Key(VK_RETURN);
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->DaysView());
    EXPECT_EQ(Selected, 0);
    Key(VK_RETURN);
    EXPECT_EQ(Selected, 1);
}

TEST_F(PickerTest, WheelPagesAndWithCtrlZooms) {
    Picker->SetDateTime(DT(2024, 1, 31, 6));
    const TPoint p(0, 0);
    Picker->DoMouseWheel({}, -120, p);
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2024, 2, 29, 6)));
    Picker->DoMouseWheel({}, 120, p);
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2024, 1, 29, 6)));
    Picker->DoMouseWheel({ssCtrl}, -120, p);
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->MonthsView());
    Picker->DoMouseWheel({}, -120, p);  // a year on in the months view
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2025, 1, 29, 6)));
    Picker->DoMouseWheel({ssCtrl}, 120, p);
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->DaysView());
}

TEST_F(PickerTest, UnitsDecideTheChainAndTheStartView) {
    struct Case {
        TCalendarDateTimeUnitsVz units;
        int chainLength;
        int start;  // 0 decades .. 3 days, 4 time page
        bool header;
    };
    const Case cases[] = {
        {{cdtuYearVz, cdtuMonthVz, cdtuDayVz}, 4, 3, true},
        {{cdtuYearVz, cdtuMonthVz}, 3, 2, true},
        {{cdtuYearVz, cdtuMonthVz, cdtuDayVz, cdtuHourVz, cdtuMinuteVz}, 5, 3, true},
        {{cdtuHourVz, cdtuMinuteVz, cdtuSecondVz}, 1, 4, false},
        {{cdtuMinuteVz}, 1, 4, false},
    };
    for (const Case& c : cases) {
        Picker->SetTimeUnits(c.units);
        TCustomCalendarViewVz* views[] = {Picker->DecadesView(), Picker->YearsView(), Picker->MonthsView(),
                                          Picker->DaysView(), Picker->TimeView()};
        EXPECT_EQ(int(Picker->CalendarViewList().size()), c.chainLength);
        EXPECT_EQ(Picker->CurrentCalendarView(), views[c.start]);
        EXPECT_EQ(Picker->DateInfo()->Visible(), c.header);
        EXPECT_EQ(Picker->TodayInfo()->Visible(), c.start != 4);
    }
    // Year and month only: Enter on the months view chooses the value.
    Picker->SetTimeUnits({cdtuYearVz, cdtuMonthVz});
    Key(VK_RETURN);
    EXPECT_EQ(Selected, 1);
}

TEST_F(PickerTest, TodayLineMovesToTodayThenChoosesIt) {
    Picker->SetDateTime(DT(2020, 5, 5, 7, 20));
    Picker->InfoLabelDown(Picker->TodayInfo());
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 12, 11, 7, 20)));
    EXPECT_EQ(Selected, 0);
    Picker->InfoLabelDown(Picker->TodayInfo());
    EXPECT_EQ(Selected, 1);
    Picker->InfoLabelDown(Picker->DateInfo());
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->MonthsView());
}

// ---- time pages --------------------------------------------------------------------------------

TEST_F(PickerTest, TimePageArrowsWrapWithinTheirUnit) {
    Picker->SetTimeUnits({cdtuHourVz, cdtuMinuteVz, cdtuSecondVz});
    TTimeCalendarViewVz* t = Picker->TimeView();
    struct Case {
        const char* what;
        TDateTime from;
        void (TTimeCalendarViewVz::*action)(int);
        int n;
        TDateTime to;
    };
    const Case cases[] = {
        {"hour up at 23", DT(2024, 2, 29, 23, 59, 59), &TTimeCalendarViewVz::IncrementHour, 1, DT(2024, 2, 29, 0, 59, 59)},
        {"hour down at 0", DT(2024, 3, 1, 0, 10), &TTimeCalendarViewVz::IncrementHour, -1, DT(2024, 3, 1, 23, 10)},
        {"minute up at 59", DT(2026, 1, 1, 23, 59), &TTimeCalendarViewVz::IncrementMinute, 1, DT(2026, 1, 1, 23, 0)},
        {"second down at 0", DT(2026, 1, 1, 10, 0, 0), &TTimeCalendarViewVz::IncrementSecond, -1, DT(2026, 1, 1, 10, 0, 59)},
    };
    for (const Case& c : cases) {
        Picker->SetDateTime(c.from);
        (t->*c.action)(c.n);
        EXPECT_EQ(Str(Picker->DateTime()), Str(c.to)) << c.what;
    }
    // Pressing an arrow steps at once and makes its region active.
    Picker->SetDateTime(DT(2026, 1, 1, 10, 0, 0));
    Click(3, 1);
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 1, 1, 10, 1, 0)));
    EXPECT_EQ(t->ActiveRegion(), tcarMinutesVz);
    EXPECT_TRUE(t->Timer()->Enabled() == false);  // released
    // The wheel steps the column under the pointer; outside the value columns nothing changes.
    const TRect minuteCell = t->CellRect(3, 2), blankCell = t->CellRect(0, 2);
    EXPECT_TRUE(t->MouseWheelAt(t->ClientToScreen(TPoint(minuteCell.Left + 1, minuteCell.Top + 1)), true));
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 1, 1, 10, 2, 0)));
    EXPECT_TRUE(t->MouseWheelAt(t->ClientToScreen(TPoint(blankCell.Left + 1, blankCell.Top + 1)), true));
    EXPECT_TRUE(t->MouseWheelAt(t->ClientToScreen(TPoint(-50, -50)), false));
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 1, 1, 10, 2, 0)));
}

TEST_F(PickerTest, SnappedStepsStayOnTheMinutesPageCells) {
    struct Case {
        TDateTime from;
        int n;
        TDateTime to;
    };
    const Case cases[] = {
        {DT(2026, 1, 1, 10, 37), 5, DT(2026, 1, 1, 10, 40)},
        {DT(2026, 1, 1, 10, 53), 5, DT(2026, 1, 1, 11, 0)},      // 58 carries into the hour
        {DT(2026, 1, 1, 10, 58), 5, DT(2026, 1, 1, 11, 5)},
        {DT(2026, 12, 31, 23, 57), 1, DT(2027, 1, 1, 0, 0)},     // and into the next day
        {DT(2026, 1, 1, 10, 2), -5, DT(2026, 1, 1, 9, 55)},
        {DT(2026, 1, 1, 10, 40), 20, DT(2026, 1, 1, 11, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(StepMinutesSnappedVz(c.from, c.n)), Str(c.to)) << Str(c.from);
        const int m = MinuteOf(StepMinutesSnappedVz(c.from, c.n));
        EXPECT_TRUE(m % 5 == 0 && m <= 55) << Str(c.from);
    }
    EXPECT_EQ(Str(StepSecondsSnappedVz(DT(2026, 1, 1, 10, 0, 54), 5)), Str(DT(2026, 1, 1, 10, 1, 0)));
    // The minutes page on 10:37 selects no cell; Right moves to 10:40.
    Picker->SetTimeUnits({cdtuHourVz, cdtuMinuteVz});
    Picker->SetDateTime(DT(2026, 1, 1, 10, 37));
    Picker->ShowCalendarView(Picker->MinutesView(), true, false);
    EXPECT_EQ(Picker->MinutesView()->SelectedCell().X, -1);
    Key(VK_RIGHT);
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 1, 1, 10, 40)));
    EXPECT_EQ(Picker->MinutesView()->SelectedCell().X, 0);
    // Any click returns to the time page with the clicked minute.
    Click(3, 2);
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 1, 1, 10, 55)));
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->TimeView());
}

TEST_F(PickerTest, TwelveHourPageTurnsHoursIntoTheDayAndGoesOnOnce) {
    FormatSettings.ShortTimeFormat = "h:nn AMPM";
    Picker->SystemSettingsChanged();
    Picker->SetTimeUnits({cdtuHourVz, cdtuMinuteVz, cdtuSecondVz});
    TTimeCalendarViewVz* t = Picker->TimeView();
    EXPECT_TRUE(t->AmPm12());
    EXPECT_EQ(t->ColCount(), 9);
    EXPECT_EQ(t->OkButtonCol(), 7);
    EXPECT_EQ(t->ColWidths(6), 0);
    THours12CalendarViewVz* h12 = Picker->Hours12View();
    EXPECT_EQ(h12->CellText(0, 1), String("12"));
    EXPECT_EQ(THours12CalendarViewVz::CellHour(0, 1), 0);
    EXPECT_EQ(h12->CellText(0, 4), String("12"));
    EXPECT_EQ(THours12CalendarViewVz::CellHour(0, 4), 12);
    EXPECT_EQ(THours12CalendarViewVz::CellHour(5, 5), 23);
    EXPECT_EQ(THours12CalendarViewVz::CellHour(3, 3), -1);
    Picker->SetDateTime(DT(2026, 1, 1, 9, 30));
    // Enter on the hours region opens the 12-hour page; a click picks 12:30 and shows the minutes.
    Key(VK_RETURN);
    ASSERT_EQ(Picker->CurrentCalendarView(), h12);
    Click(0, 4);
    EXPECT_EQ(Str(Picker->DateTime()), Str(DT(2026, 1, 1, 12, 30)));
    EXPECT_EQ(Picker->CurrentCalendarView(), Picker->MinutesView());
}

TEST_F(PickerTest, RegionsCycleOverWhatTheLayoutShows) {
    struct Case {
        TCalendarDateTimeUnitsVz units;
        std::vector<TTimeCalendarViewActiveRegionVz> cycle;
        int cols;
    };
    const Case cases[] = {
        {{cdtuHourVz, cdtuMinuteVz}, {tcarMinutesVz, tcarOKButtonVz, tcarHoursVz}, 7},
        {{cdtuHourVz}, {tcarOKButtonVz, tcarHoursVz}, 7},
        {{cdtuHourVz, cdtuMinuteVz, cdtuSecondVz}, {tcarMinutesVz, tcarSecondsVz, tcarOKButtonVz, tcarHoursVz}, 7},
        // A set the page has no layout for shows hours, minutes and seconds.
        {{cdtuMinuteVz, cdtuSecondVz}, {tcarMinutesVz, tcarSecondsVz, tcarOKButtonVz, tcarHoursVz}, 7},
    };
    for (const Case& c : cases) {
        Picker->SetTimeUnits(c.units);
        TTimeCalendarViewVz* t = Picker->TimeView();
        t->ResetRegion();
        EXPECT_EQ(t->ColCount(), c.cols);
        for (TTimeCalendarViewActiveRegionVz expected : c.cycle) {
            Key(VK_RIGHT);
            EXPECT_EQ(t->ActiveRegion(), expected);
        }
    }
    // Enter on OK chooses the value.
    Picker->SetTimeUnits({cdtuHourVz});
    Picker->TimeView()->ResetRegion();
    Key(VK_RIGHT);
    Key(VK_RETURN);
    EXPECT_EQ(Selected, 1);
}

// ---- the popup form ----------------------------------------------------------------------------

TEST_F(PickerTest, PopupFormReportsTheChosenValueOnce) {
    TPopupDateTimeCalendarFormVz* form = New<TPopupDateTimeCalendarFormVz>(nullptr);
    IPopupDateTimePickerVz* intf = form;
    std::vector<std::pair<bool, TDateTime>> calls;
    auto callback = [&](TObject*, bool Accept, TObject*) { calls.emplace_back(Accept, intf->GetDateTime()); };
    intf->SetTimeUnits({cdtuYearVz, cdtuMonthVz, cdtuDayVz});
    intf->UpdatePickerSize();
    EXPECT_EQ(form->ClientWidth(), form->Calendar()->Width());
    intf->ShowPicker(TPoint(10, 10), callback, nullptr, DT(2024, 2, 10));
    form->Calendar()->SetDateTime(DT(2024, 2, 29));
    form->Calendar()->DateTimeUnitChosen(7);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].first);
    EXPECT_EQ(Str(calls[0].second), Str(DT(2024, 2, 29)));
    intf->ShowPicker(TPoint(10, 10), callback, nullptr, DT(2024, 3, 1));
    intf->ClosePicker();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[1].first);
    form->Free();
}

// The days view painted into a bitmap: the chosen day on the highlight colour, today framed.
TEST_F(PickerTest, DaysViewPaintsTheChosenDayHighlightedAndTodayFramed) {
    Picker->SetDateTime(DT(2026, 12, 5, 10));
    TDaysCalendarViewVz* days = Picker->DaysView();
    TBitmap bmp;
    bmp.SetSize(days->Width(), days->Height());
    days->PaintTo(bmp.Canvas()->Handle());
    const TGridCoord sel = days->SelectedCell();
    const TRect s = days->CellRect(sel.X, sel.Y);
    EXPECT_EQ(bmp.Canvas()->Pixels(s.Left + 1, s.Top + 1), ColorToRGB(clHighlight));
    // 11 December is six days after the 5th, in the next row.
    const TRect t = days->CellRect(sel.X - 1, sel.Y + 1);
    EXPECT_EQ(days->CellText(sel.X - 1, sel.Y + 1), String("11"));
    TDateTimeCalendarPickerDrawStyleVz* style = GetDateTimeCalendarPickerDrawStyleVz();
    EXPECT_EQ(bmp.Canvas()->Pixels(t.Left, t.Top), ColorToRGB(style->GetTodayCellFrameColor()));
    EXPECT_EQ(bmp.Canvas()->Pixels(t.Left + 2, t.Top + 2), ColorToRGB(clWindow));
    // A plain day has neither.
    const TRect p = days->CellRect(sel.X, sel.Y + 2);
    EXPECT_EQ(bmp.Canvas()->Pixels(p.Left, p.Top), ColorToRGB(clWindow));
}

TEST(PickerDrawStyle, ClassicColoursAndFonts) {
    TDateTimeCalendarPickerDrawStyleVz* s = GetDateTimeCalendarPickerDrawStyleVz();
    EXPECT_FALSE(s->CanDrawSelectionByStyle());
    EXPECT_EQ(s->GetSelectedCellBrushColor(), clHighlight);
    EXPECT_EQ(s->GetSelectedCellFontColor(), clHighlightText);
    TFont master, calendar, weekNo;
    master.SetSize(9);
    s->SetCalendarFontData(nullptr, &master, &calendar);
    EXPECT_EQ(calendar.Size(), 10);
    s->SetCalendarWeekNoFontData(nullptr, &calendar, &weekNo);
    EXPECT_EQ(weekNo.Size(), 8);
    master.SetSize(4);  // 4.4 and 3.2: the week-number font still comes out one point smaller
    s->SetCalendarFontData(nullptr, &master, &calendar);
    s->SetCalendarWeekNoFontData(nullptr, &calendar, &weekNo);
    EXPECT_EQ(calendar.Size() - weekNo.Size(), 1);
}

TEST(ImageTransformator, ShortTransitionsDrawNoFrame) {
    TImageTransformatorVz* t = New<TImageTransformatorVz>(nullptr);
    t->SetBounds(0, 0, 40, 30);
    t->Reset(nullptr, nullptr);
    for (int time : {0, 1}) {
        t->SetTransformTime(time);
        t->AnimatedTransform();
        EXPECT_EQ(t->LastFrameCount(), 0) << time;
    }
    t->Free();
}

} // namespace
