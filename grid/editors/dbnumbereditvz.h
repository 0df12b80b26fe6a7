// The number edit: a floating-point value (a double or Null) that the text is derived from. It
// lets only numeric input through, inserts thousand separators while the user types (when the edit
// format asks for them), shows the display format when not focused, clamps and rounds the value
// to MinValue/MaxValue and DecimalPlaces, steps it by Increment with the arrow keys and the wheel,
// and drops the popup calculator down from its button (or Alt+Down). A text whose decimal point cannot be told
// ("1.5.2") is refused and the old value stays.
#pragma once

#include "grid/editors/dbeditvz.h"

class IPopupCalculatorVz;

enum TDBNumberValue { evDisplayFormatVz, evCurrencyVz, evMaxValueVz, evMinValueVz };
using TDBNumberValues = TSet<TDBNumberValue>;

class TCustomDBNumberEditVz : public TCustomDBEditVz {
    SDELKA_CLASS(TCustomDBNumberEditVz, TCustomDBEditVz)
protected:
    explicit TCustomDBNumberEditVz(TComponent* AOwner);
    ~TCustomDBNumberEditVz() override = default;

public:
    void BeforeDestruction() override;

    TDBNumberValues AssignedValues() const { return FAssignedValues; }
    unsigned DecimalPlaces() const { return FDecimalPlaces; }
    void SetDecimalPlaces(unsigned Value);
    Extended Increment() const { return FIncrement; }
    void SetIncrement(Extended Value) { FIncrement = Value; }
    // Given, or the bound field's.
    String DisplayFormat() const;
    void SetDisplayFormat(const String& Value);
    bool Currency() const;
    void SetCurrency(bool Value);
    Extended MinValue() const;
    void SetMinValue(Extended Value);
    Extended MaxValue() const;
    void SetMaxValue(Extended Value);
    const String& EditFormat() const { return FEditFormat; }
    bool CalculatorVisible() const { return FCalculatorVisible; }

    // Steps the value by Increment (a Null value becomes Increment in both directions).
    virtual void IncrementValue(bool IsIncrease);
    // The text shown when not editing.
    virtual String GetDisplayText() const;
    // The popup calculator, made on first use with the editor as owner.
    virtual IPopupCalculatorVz* GetDropDownCalculator();
    virtual void DropDown();
    void CloseUp(bool Accept) override;
    // Clamped into the limits and rounded to DecimalPlaces.
    Extended ClampAndRound(Extended X) const;

    TNotifyEvent OnDropDown;
    TEvent<void(TObject* Sender, bool Accept)> OnCloseUp;

protected:
    TAlignment DefaultAlignment() const override { return taRightJustify; }
    bool IsValidChar(Char Key) const override;
    Variant InternalGetValue() const override { return FValue; }
    void InternalSetText(const String& AText) override;
    void InternalSetValue(const Variant& AValue) override;
    void InternalUpdateData() override;
    void DataLinkDataChanged() override;
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void DoExit() override;
    // The main button: a drop-down button (Alt+Down) that opens the calculator; the up-down
    // styles step the value instead.
    TEditButtonVz* CreateEditButton() override;
    void EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) override;
    void EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl, bool& Handled) override;
    void EditButtonDefaultActionClick(TEditButtonVz*, TEditButtonControlVz*, bool&) override {}

    void UpdateEditText(String S);
    void UpdateValueFromText();
    // Pastes the clipboard's number (cleaned, clamped, rounded); a text that is no number
    // restores the previous text.
    void PasteNumber();

private:
    void GuardedSetText(const String& S);
    void UpdateEditFormat();
    Variant FValue = Null();
    TDBNumberValues FAssignedValues;
    unsigned FDecimalPlaces = 2;
    Extended FIncrement = 1.0;
    Extended FMinValue = 0, FMaxValue = 0;
    String FDisplayFormat;
    bool FCurrency = false;
    String FEditFormat;
    int FGuard = 0;
    TWinControl* FCalculator = nullptr;
    bool FCalculatorVisible = false;
};

class TDBNumberEditVz : public TCustomDBNumberEditVz {
    SDELKA_CLASS(TDBNumberEditVz, TCustomDBNumberEditVz)
protected:
    explicit TDBNumberEditVz(TComponent* AOwner) : TCustomDBNumberEditVz(AOwner) {}
    ~TDBNumberEditVz() override = default;
};
