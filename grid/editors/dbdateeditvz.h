// The data-aware date/time edit. Its text is governed by an edit mask made from an edit format
// (by Kind: the locale's short date with its year length, a time, or both; or a format of its
// own), its value is a date-time Variant kept apart from the text (Null when empty), the element
// under the caret steps with the arrows and the wheel, and Alt+Down drops down the calendar
// picker. While typing the value follows the text uncorrected; leaving the control corrects it
// (a day past the month's end becomes its last day) and rewrites the text. Parts of the field's
// value that the mask does not show (a date-only edit over a date-time field) are kept.
#pragma once

#include "grid/base/buttonsvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/editors/dbdateeditvzroutines.h"
#include "grid/editors/dbeditvz.h"

using TCloseUpEventVz = TEvent<void(TObject* Sender, bool Accept)>;

class TCustomDBDateTimeEditVz : public TCustomDBEditVz {
    SDELKA_CLASS(TCustomDBDateTimeEditVz, TCustomDBEditVz)
protected:
    explicit TCustomDBDateTimeEditVz(TComponent* AOwner);
    ~TCustomDBDateTimeEditVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    bool CalendarVisible() const { return FCalendarVisible; }
    const String& DateTimeFormat() const { return FDateTimeFormat; }
    TDateTimeKindVz Kind() const { return FKind; }
    void SetKind(TDateTimeKindVz Value);
    const String& EditFormat() const { return FEditFormat; }
    // Makes Kind custom; a bad format raises and leaves the edit as it was.
    void SetEditFormat(const String& Value);
    const TDateTimeElementsMaskPosVz& DateTimeMaskPos() const { return FDateTimeMaskPos; }
    bool FourDigitYear() const { return FFourDigitYear; }

    // The drop-down calendar (made on first use, owned by the edit).
    TWinControl* GetDropDownCalendar();
    IPopupDateTimePickerVz* Picker();
    // Opens the calendar with the value (today when empty); nothing when it is open.
    virtual void DropDown();
    // Closes the calendar; with Accept the picked parts of the value go into it.
    void CloseUp(bool Accept) override;
    // An MRU item matches when it starts with the text less its trailing blanks and separators.
    void FilterMRUItem(const String& AText, bool& Accept) override;
    // Steps the element under the caret by one (wrapping within its range) and selects it.
    virtual void IncrementElementAtCaret(bool Increment);
    virtual bool TryTextToValue(const String& AText, Variant& Value, bool Correct);
    virtual void UpdateFourDigitYear();
    virtual void UpdateMask();
    void ValidateEdit() override;
    bool IsEmpty() const override;
    // With the calendar open the wheel goes to it; otherwise it steps the element at the caret.
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

    TCloseUpEventVz OnCloseUp;
    TNotifyEvent OnDropDown;

protected:
    String DefaultEditMask() const override { return EditMask(); }
    Variant InternalGetValue() const override { return FValue; }
    void InternalSetText(const String& AText) override;
    void InternalSetValue(const Variant& AValue) override;
    void InternalUpdateData() override;
    void DataLinkDataChanged() override;
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void DoEnter() override;
    // Leaving closes the calendar unless the focus went into it.
    void DoExit() override;
    // A press elsewhere closes the calendar.
    void CMCancelMode(TMessage& Message) override;
    // The main button: visible, Alt+Down.
    TEditButtonVz* CreateEditButton() override;
    void EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) override;
    void EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                     bool& Handled) override;
    void EditButtonDefaultActionClick(TEditButtonVz*, TEditButtonControlVz*, bool&) override {}
    // A copy painted for a field shows its value in the edit's display format.
    String GetDisplayTextForPaintCopy() override;
    // Writes the control's own display text (the text is then not parsed).
    virtual void InternalSetDisplayText(const String& AText);

private:
    void RefreshAfterFormatChange();
    void PickerClosed(bool Accept);
    void MarkModified();

    bool FCalendarVisible = false;
    String FDateTimeFormat;
    TWinControl* FDropDownCalendar = nullptr;
    String FEditFormat;
    bool FEditValidating = false;
    bool FInternalTextSetting = false;
    TDateTimeKindVz FKind = dtkDateVz;
    TRect FIgnoreMouseScreenRect;
    bool FIgnoreNextDropDown = false;
    bool FClosingFromPicker = false;
    TDateTimeElementsMaskPosVz FDateTimeMaskPos;
    bool FFourDigitYear = false;
    Variant FValue;
};

class TDBDateTimeEditVz : public TCustomDBDateTimeEditVz {
    SDELKA_CLASS(TDBDateTimeEditVz, TCustomDBDateTimeEditVz)
protected:
    explicit TDBDateTimeEditVz(TComponent* AOwner) : TCustomDBDateTimeEditVz(AOwner) {}
    ~TDBDateTimeEditVz() override = default;
};
