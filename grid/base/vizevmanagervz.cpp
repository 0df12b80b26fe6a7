#include "grid/base/vizevmanagervz.h"

#include "grid/base/toolsvz.h"
#include "platform/rtl/dateutils.h"

#include <memory>

namespace {

// Open controls that draw with these settings (the date pickers) repaint on WM_THEMECHANGED
// posted once to the application window.
void PostThemeChangedOnce() { PostApplicationMessageOnceVz(WM_THEMECHANGED, 0, 0); }

TOwned<TViZevManager> OwnManager;
TViZevManager* CurrentManager = nullptr;

TOwned<TWorkingTimeCalendarVz> OwnCalendar;
TWorkingTimeCalendarVz* CurrentCalendar = nullptr;

TViZevManager* UnitManager() {
    if (!OwnManager) OwnManager.reset(New<TViZevManager>());
    return OwnManager.get();
}

TWorkingTimeCalendarVz* UnitCalendar() {
    if (!OwnCalendar) OwnCalendar.reset(New<TWorkingTimeCalendarVz>(nullptr));
    return OwnCalendar.get();
}

}  // namespace

void TViZevManager::SettingsForDrawingChanged() { PostThemeChangedOnce(); }

void TViZevManager::SetDateTimeCalendarPickerHighlightHolidays(bool Value) {
    if (FDateTimeCalendarPickerHighlightHolidays == Value) return;
    FDateTimeCalendarPickerHighlightHolidays = Value;
    SettingsForDrawingChanged();
}

void TViZevManager::SetWeekWorkingDays(TWeekDaysVz Value) {
    if (FWeekWorkingDays == Value) return;
    FWeekWorkingDays = Value;
    SettingsForDrawingChanged();
}

TViZevManager* GetViZevManager() {
    if (!CurrentManager) CurrentManager = UnitManager();
    return CurrentManager;
}

TViZevManager* SetViZevManager(TViZevManager* Value) {
    TViZevManager* previous = GetViZevManager();
    CurrentManager = Value;
    return previous;
}

bool TWorkingTimeCalendarVz::IsWorkday(TDateTime ADate) {
    // DayOfTheWeek counts Monday 1 .. Sunday 7.
    const auto day = static_cast<TWeekDayVz>(DayOfTheWeek(ADate) - 1);
    return GetViZevManager()->WeekWorkingDays().Contains(day);
}

void TWorkingTimeCalendarVz::GetWorkingTime(TDateTime /*ADate*/, TTimeRangesVz& ATimeRanges) {
    ATimeRanges = {TTimeRangeVz{EncodeTime(8, 0, 0, 0), EncodeTime(17, 0, 0, 0)}};
}

TWorkingTimeCalendarVz* GetWorkingTimeCalendarVz() {
    if (!CurrentCalendar) CurrentCalendar = UnitCalendar();
    return CurrentCalendar;
}

TWorkingTimeCalendarVz* SetWorkingTimeCalendarVz(TWorkingTimeCalendarVz* Value) {
    TWorkingTimeCalendarVz* previous = GetWorkingTimeCalendarVz();
    CurrentCalendar = Value;
    return previous;
}
