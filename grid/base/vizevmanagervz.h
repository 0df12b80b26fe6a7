// Library-wide settings (the default popup form classes of date and number editors, the working
// days of the week, the alternative decimal separator) and the working-time calendar that calendar
// pickers consult. Both are process-wide: the unit makes one of each on first use and frees it at
// shutdown; another instance may be installed in its place.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/system.h"

#include <vector>

enum TWeekDayVz { wwdMondayVz, wwdTuesdayVz, wwdWednesdayVz, wwdThursdayVz, wwdFridayVz, wwdSaturdayVz, wwdSundayVz };
using TWeekDaysVz = TSet<TWeekDayVz, 7>;

// A class reference of a windowed control (the popup forms); nullptr until the layer that
// defines the popup forms installs its classes.
using TWinControlClass = TClass;

class TViZevManager : public TPersistent {
    SDELKA_CLASS(TViZevManager, TPersistent)
public:
    TViZevManager() = default;

    Char AltDecimalSeparator() const { return FAltDecimalSeparator; }
    void SetAltDecimalSeparator(Char Value) { FAltDecimalSeparator = Value; }
    // Changing it makes open date pickers repaint.
    bool DateTimeCalendarPickerHighlightHolidays() const { return FDateTimeCalendarPickerHighlightHolidays; }
    void SetDateTimeCalendarPickerHighlightHolidays(bool Value);
    bool DateTimeCalendarPickerShowTimeSelectionPage() const { return FDateTimeCalendarPickerShowTimeSelectionPage; }
    void SetDateTimeCalendarPickerShowTimeSelectionPage(bool Value) { FDateTimeCalendarPickerShowTimeSelectionPage = Value; }
    TWinControlClass PopupDateTimePickerClass() const { return FPopupDateTimePickerClass; }
    void SetPopupDateTimePickerClass(TWinControlClass Value) { FPopupDateTimePickerClass = Value; }
    TWinControlClass PopupCalculatorClass() const { return FPopupCalculatorClass; }
    void SetPopupCalculatorClass(TWinControlClass Value) { FPopupCalculatorClass = Value; }
    // Changing it makes open date pickers repaint.
    TWeekDaysVz WeekWorkingDays() const { return FWeekWorkingDays; }
    void SetWeekWorkingDays(TWeekDaysVz Value);
    // The look is classic (no themes), so alpha blending never uses the alpha format.
    bool UseAlphaFormatInAlphaBlend() const { return FUseAlphaFormatInAlphaBlend; }
    void SetUseAlphaFormatInAlphaBlend(bool Value) { FUseAlphaFormatInAlphaBlend = Value; }

private:
    void SettingsForDrawingChanged();

    Char FAltDecimalSeparator = Char('.');
    bool FDateTimeCalendarPickerHighlightHolidays = true;
    TWinControlClass FPopupDateTimePickerClass = nullptr;
    TWinControlClass FPopupCalculatorClass = nullptr;
    TWeekDaysVz FWeekWorkingDays{wwdMondayVz, wwdTuesdayVz, wwdWednesdayVz, wwdThursdayVz, wwdFridayVz};
    bool FDateTimeCalendarPickerShowTimeSelectionPage = true;
    bool FUseAlphaFormatInAlphaBlend = false;
};

// The current manager (the unit's own one unless another was installed).
TViZevManager* GetViZevManager();
// Installs another manager (nullptr: the unit's own one again) and returns the previous one. An
// installed manager stays its caller's to free, after it has been replaced.
TViZevManager* SetViZevManager(TViZevManager* Value);

struct TTimeRangeVz {
    TDateTime StartTime = 0;
    TDateTime FinishTime = 0;
};
using TTimeRangesVz = std::vector<TTimeRangeVz>;

class TWorkingTimeCalendarVz : public TComponent {
    SDELKA_CLASS(TWorkingTimeCalendarVz, TComponent)
protected:
    explicit TWorkingTimeCalendarVz(TComponent* AOwner) : TComponent(AOwner) {}
    ~TWorkingTimeCalendarVz() override = default;

public:
    // Whether the weekday of ADate is one of the manager's working days.
    virtual bool IsWorkday(TDateTime ADate);
    // One range, 8:00 to 17:00, for every date.
    virtual void GetWorkingTime(TDateTime ADate, TTimeRangesVz& ATimeRanges);
};

// The current calendar (the unit's own one unless another was installed).
TWorkingTimeCalendarVz* GetWorkingTimeCalendarVz();
// Installs another calendar (nullptr: the unit's own one again) and returns the previous one.
TWorkingTimeCalendarVz* SetWorkingTimeCalendarVz(TWorkingTimeCalendarVz* Value);
