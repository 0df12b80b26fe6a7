// The pocket calculator: a display and 23 buttons that send keys into one state machine
// (digits build a number, operators apply the pending operation, "%" takes a percentage of the
// left operand, "S" the square root, "R" the reciprocal, "I" negates, "C" clears). Division by zero
// and the root of a negative number never raise: the display shows "Error" and only "C" leaves it.
// The popup calculator is the drop-down form a number editor opens under itself through
// IPopupCalculatorVz: it takes the current value, and hands a value back when the user closes it
// with Enter, "=" or "Ok" while no operation is pending.
#pragma once

#include "grid/base/toolsvz.h"
#include "grid/editors/dropdownformvz.h"

#include <array>
#include <functional>

class TLabel;
class TPanel;
class TSpeedButtonVz;
class TCalculatorVz;

// csFirstVz: the next digit starts a new number; csValidVz: a number is being typed; csErrorVz:
// the display shows "Error".
enum TCalcStateVz { csFirstVz, csValidVz, csErrorVz };

using TCalcProcessKeyEventVz = TEvent<void(TObject* Sender, Char& Key)>;

class TCalculatorVz : public TCustomControlVz {
    SDELKA_CLASS(TCalculatorVz, TCustomControlVz)
protected:
    explicit TCalculatorVz(TComponent* AOwner);
    ~TCalculatorVz() override = default;

public:
    static constexpr int ButtonCount = 23;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TCalcStateVz Status() const { return FStatus; }
    // The pending operator ('=' after clearing) and the left operand.
    Char Operator() const { return FOperator; }
    Extended Operand() const { return FOperand; }
    String DisplayText() const;
    // 0 in the error state; writing shows the value with 15 significant digits.
    Extended DisplayValue() const;
    void SetDisplayValue(Extended Value);
    int TextHeight() const { return FTextHeight; }
    // A new text height rescales the calculator and its buttons by new/old.
    void SetTextHeight(int Value);
    // 0 reads as the screen's.
    int PixelsPerInch() const;
    void SetPixelsPerInch(int Value);

    TPanel* Panel1() const { return FPanel1; }
    TLabel* TextBox() const { return FTextBox; }
    // The button that sends the key of Tag (1..23), in the order of the keys table.
    TSpeedButtonVz* Button(int Tag) const { return FButtons[Tag - 1]; }
    TSpeedButtonVz* spEqual() const { return FButtons[ButtonCount - 1]; }

    // Upper-cases the key, lets OnProcessKey change it, and runs it unless it became 0.
    virtual void ProcessKey(Char Key);

    TCalcProcessKeyEventVz OnProcessKey;

protected:
    virtual void DefaultProcessKey(Char Key);
    void KeyPress(Char& Key) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void CMBiDiModeChanged();

private:
    void SpeedButtonClick(TObject* Sender);
    void SetDisplayText(const String& Value);
    void StartTyping();
    void Clear();
    void Error();
    void CheckFirst();
    void UpdateEqualButton();
    void ScaleBy(int M, int D);

    TPanel* FPanel1 = nullptr;
    TLabel* FTextBox = nullptr;
    std::array<TSpeedButtonVz*, ButtonCount> FButtons{};
    TFormBorderStyle FBorderStyle = bsNone;
    bool FFlat = true;
    Extended FOperand = 0;
    Char FOperator = u'=';
    int FPixelsPerInch = 0;
    TCalcStateVz FStatus = csFirstVz;
    int FTextHeight = 13;
};

// How a number editor talks to its drop-down calculator.
class IPopupCalculatorVz {
public:
    virtual ~IPopupCalculatorVz() = default;
    // True while the button reads "Ok": Enter or "=" would close the popup.
    virtual bool GetEnterCanClose() = 0;
    virtual bool GetFlat() = 0;
    virtual Variant GetValue() = 0;
    virtual bool WantFocus() = 0;
    virtual void SetFlat(bool Value) = 0;
    virtual void SetValue(const Variant& Value) = 0;
    // A text height that differs from the calculator's rescales it and resizes the form.
    virtual void SetCurTextHeight(const Variant& Value) = 0;
    // Shows the popup at Pos (screen coordinates); Callback hears once whether the user accepted.
    virtual void Show(const TPoint& Pos, std::function<void(TObject* Form, bool Accept)> Callback) = 0;
    virtual void Hide() = 0;
};

class TPopupCalculatorFormVz : public TCustomDropDownFormVz, public IPopupCalculatorVz {
    SDELKA_CLASS(TPopupCalculatorFormVz, TCustomDropDownFormVz)
protected:
    explicit TPopupCalculatorFormVz(TComponent* AOwner);
    ~TPopupCalculatorFormVz() override = default;

public:
    TCalculatorVz* Calculator() const { return FCalculator; }
    // The display value as a double, or Null in the error state (not a number to take back).
    Variant Value() { return GetValue(); }
    bool Flat() { return GetFlat(); }
    bool EnterCanClose() { return GetEnterCanClose(); }

    bool GetEnterCanClose() override;
    bool GetFlat() override;
    Variant GetValue() override;
    bool WantFocus() override { return true; }
    void SetFlat(bool Value) override;
    void SetValue(const Variant& Value) override;
    void SetCurTextHeight(const Variant& Value) override;
    void Show(const TPoint& Pos, std::function<void(TObject* Form, bool Accept)> Callback) override;
    void Hide() override;

    void UpdateSize() override;

    std::function<void(TObject* Form, bool Accept)> OnCloseCallback;

protected:
    void DrawBorder() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;

private:
    void CalculatorProcessKey(TObject* Sender, Char& Key);
    TCalculatorVz* FCalculator = nullptr;
    int FCurFontHeight = 0;
};
