#include "grid/editors/dbnumbereditvz.h"

#include "grid/base/popupformvz.h"
#include "grid/base/vizevmanagervz.h"
#include "grid/editors/calculatorvz.h"
#include "grid/editors/numbertextvz.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/messages.h"

#include <cmath>

TCustomDBNumberEditVz::TCustomDBNumberEditVz(TComponent* AOwner) : TCustomDBEditVz(AOwner) {
    SetMaxLength(0);
    UpdateEditFormat();
    DataLinkDataChanged();
}

void TCustomDBNumberEditVz::BeforeDestruction() {
    if (FCalculatorVisible) CloseUp(false);
    TCustomDBEditVz::BeforeDestruction();
}

// ---- settings

String TCustomDBNumberEditVz::DisplayFormat() const {
    if (FAssignedValues.Contains(evDisplayFormatVz)) return FDisplayFormat;
    if (auto* f = dynamic_cast<TNumericField*>(Field())) return f->DisplayFormat();
    return String();
}

bool TCustomDBNumberEditVz::Currency() const {
    if (FAssignedValues.Contains(evCurrencyVz)) return FCurrency;
    if (auto* f = dynamic_cast<TFloatField*>(Field())) return f->Currency();
    return false;
}

Extended TCustomDBNumberEditVz::MinValue() const {
    if (FAssignedValues.Contains(evMinValueVz)) return FMinValue;
    if (auto* f = dynamic_cast<TFloatField*>(Field())) return f->MinValue();
    return 0;
}

Extended TCustomDBNumberEditVz::MaxValue() const {
    if (FAssignedValues.Contains(evMaxValueVz)) return FMaxValue;
    if (auto* f = dynamic_cast<TFloatField*>(Field())) return f->MaxValue();
    return 0;
}

void TCustomDBNumberEditVz::SetDecimalPlaces(unsigned Value) {
    if (FDecimalPlaces == Value) return;
    FDecimalPlaces = Value;
    DataLinkDataChanged();
    Invalidate();
}

void TCustomDBNumberEditVz::SetDisplayFormat(const String& Value) {
    FDisplayFormat = Value;
    FAssignedValues.Include(evDisplayFormatVz);
    Invalidate();
    DataLinkDataChanged();
}

void TCustomDBNumberEditVz::SetCurrency(bool Value) {
    FCurrency = Value;
    FAssignedValues.Include(evCurrencyVz);
    Invalidate();
    DataLinkDataChanged();
}

void TCustomDBNumberEditVz::SetMinValue(Extended Value) {
    if (FAssignedValues.Contains(evMinValueVz) && FMinValue == Value) return;
    FMinValue = Value;
    FAssignedValues.Include(evMinValueVz);
    if (DataIndepended() && !ComponentState().Contains(csLoading)) UpdateData();
}

void TCustomDBNumberEditVz::SetMaxValue(Extended Value) {
    if (FAssignedValues.Contains(evMaxValueVz) && FMaxValue == Value) return;
    FMaxValue = Value;
    FAssignedValues.Include(evMaxValueVz);
    if (DataIndepended() && !ComponentState().Contains(csLoading)) UpdateData();
}

Extended TCustomDBNumberEditVz::ClampAndRound(Extended X) const {
    return ClampAndRoundNumberVz(X, MinValue(), MaxValue(), FDecimalPlaces);
}

void TCustomDBNumberEditVz::UpdateEditFormat() { FEditFormat = EditFormatFromDisplayFormatVz(DisplayFormat(), Currency()); }

// ---- value and text

String TCustomDBNumberEditVz::GetDisplayText() const {
    if (VarIsNullish(FValue)) return String();
    const Extended x = FValue.AsDouble();
    const String fmt = DisplayFormat();
    if (!fmt.isEmpty()) return FormatFloat(fmt, x);
    if (Currency()) return FloatToStrF(x, ffCurrency, 15, FormatSettings.CurrencyDecimals);
    return FloatToStr(x);
}

void TCustomDBNumberEditVz::GuardedSetText(const String& S) {
    if (FGuard > 0) return;
    ++FGuard;
    try {
        TCustomDBEditVz::InternalSetText(S);
    } catch (...) {
        --FGuard;
        throw;
    }
    --FGuard;
}

void TCustomDBNumberEditVz::InternalSetValue(const Variant& AValue) {
    if (VarIsNullish(AValue)) {
        FValue = Null();
        GuardedSetText(String());
        return;
    }
    FValue = Variant(AValue.AsDouble());
    DataLink()->Modified();
    if (Focused() && DataLink()->CanModify())
        UpdateEditText(FormatFloat(FEditFormat, FValue.AsDouble()));
    else
        GuardedSetText(GetDisplayText());
}

void TCustomDBNumberEditVz::InternalSetText(const String& AText) {
    if (AText.isEmpty()) {
        InternalSetValue(Null());
        return;
    }
    // "1.5.2" is no number: refused rather than read as 152.
    if (NumberTextIsAmbiguousVz(AText))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(AText));
    InternalSetValue(Variant(static_cast<double>(StrToFloat(CleanNumberTextVz(AText)))));
}

void TCustomDBNumberEditVz::InternalUpdateData() { DataLink()->SetValue(FValue); }

void TCustomDBNumberEditVz::DataLinkDataChanged() {
    if (ComponentState().Contains(csDestroying)) return;
    UpdateEditFormat();
    TField* f = Field();
    if (f) {
        bool handled = false;
        Variant v;
        if (OnGetFieldData) OnGetFieldData(this, v, handled);
        InternalSetValue(handled ? v : f->AsVariant());
    } else if (DataIndepended()) {
        InternalSetValue(DataLink()->DataIndependentValue);
    } else {
        InternalSetValue(Null());
    }
    UpdateControlReadOnly();
    SetModified(false);
    DataLink()->SetModified(false);
}

void TCustomDBNumberEditVz::UpdateEditText(String S) {
    if (!S.isEmpty() && S != u"-"_S) S = CleanNumberTextVz(S);
    S = InsertThousandSeparatorsVz(S, FEditFormat.contains(u','));
    if (S == Text()) return;
    const int fromEnd = static_cast<int>(Text().size()) - SelStart();
    GuardedSetText(S);
    if (Focused() && !ComponentState().Contains(csDesigning))
        SetSelStart(std::max(0, static_cast<int>(S.size()) - fromEnd));
}

void TCustomDBNumberEditVz::UpdateValueFromText() {
    const String raw = Text();
    if (NumberTextIsAmbiguousVz(raw)) return;  // the old value stays
    const String s = CleanNumberTextVz(raw);
    if (s.isEmpty()) {
        FValue = Null();
        GuardedSetText(String());
    } else if (s == u"+"_S || s == u"-"_S) {
        FValue = Variant(static_cast<double>(ClampAndRound(0)));
    } else {
        FValue = Variant(static_cast<double>(ClampAndRound(StrToFloat(s))));
    }
}

void TCustomDBNumberEditVz::Change() {
    if (FGuard == 0 && !ComponentState().Contains(csDestroying)) {
        UpdateEditText(Text());
        UpdateValueFromText();
    }
    TCustomDBEditVz::Change();
}

// ---- typing

bool TCustomDBNumberEditVz::IsValidChar(Char Key) const {
    const Char decimal = FormatSettings.DecimalSeparator;
    const String text = EditText();
    if (Key.isDigit() && SelLength() == 0) {
        int before = 0;
        for (Char c : text) {
            if (c == decimal) break;
            if (c.isDigit()) ++before;
        }
        if (before >= 17 - static_cast<int>(FDecimalPlaces)) return false;
    }
    if (Key == decimal && FDecimalPlaces == 0) return false;
    const String s = CleanNumberTextVz(text.left(SelStart()) + Key + text.mid(SelStart() + SelLength()));
    const int dot = static_cast<int>(s.indexOf(decimal));
    if (dot >= 0) {
        int e = static_cast<int>(s.indexOf(u'E', dot, Qt::CaseInsensitive));
        const int digits = (e >= 0 ? e : static_cast<int>(s.size())) - dot - 1;
        if (digits > static_cast<int>(FDecimalPlaces)) return false;
    }
    if (s.isEmpty()) return true;
    Extended v = 0;
    if (!TryNumberTextToFloatVz(s, v)) return false;
    if (v < 0 && FMinValue >= 0 && FMaxValue > 0) return false;
    return true;
}

void TCustomDBNumberEditVz::KeyPress(Char& Key) {
    const char16_t k = Key.unicode();
    if (FCalculatorVisible) {
        if (k == 27) {
            CloseUp(false);
        } else if (k == 8 || k == 13 || (k >= 32 && k <= 126)) {
            if (auto* popup = dynamic_cast<TPopupCalculatorFormVz*>(FCalculator)) popup->Calculator()->ProcessKey(Key);
        }
        Key = Char();
        return;
    }
    if (k == 8 && SelLength() == 0 && SelStart() > 0 && Text()[SelStart() - 1] == FormatSettings.ThousandSeparator) {
        SetSelStart(SelStart() - 1);
        Key = Char();
        return;
    }
    if (Key == u'.' || Key == u',') Key = FormatSettings.DecimalSeparator;
    if (k >= 32 && !IsValidChar(Key)) {
        Key = Char();
        return;
    }
    TCustomDBEditVz::KeyPress(Key);
}

void TCustomDBNumberEditVz::KeyDown(Word& Key, TShiftState Shift) {
    if ((Key == 'V' && Shift == TShiftState{ssCtrl}) || (Key == VK_INSERT && Shift == TShiftState{ssShift})) {
        PasteNumber();
        Key = 0;
        return;
    }
    if (Key == VK_DOWN && Shift == TShiftState{ssAlt}) {
        if (FCalculatorVisible)
            CloseUp(true);
        else
            DropDown();
        Key = 0;
        return;
    }
    TCustomDBEditVz::KeyDown(Key, Shift);
    if ((Key == VK_UP || Key == VK_DOWN) && !ReadOnly()) {
        IncrementValue(Key == VK_UP);
        Key = 0;
    }
}

bool TCustomDBNumberEditVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomDBEditVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (FCalculatorVisible) return true;
    const bool shift = Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt);
    if (shift || ReadOnly() || !DataLink()->Edit()) return false;
    IncrementValue(WheelDelta > 0);
    return true;
}

void TCustomDBNumberEditVz::IncrementValue(bool IsIncrease) {
    if (FIncrement == 0 || !EditCanModify()) return;
    Extended v = VarIsNullish(FValue) ? FIncrement : FValue.AsDouble() + (IsIncrease ? FIncrement : -FIncrement);
    InternalSetValue(Variant(static_cast<double>(ClampAndRound(v))));
    if (Focused()) SelectAll();
}

void TCustomDBNumberEditVz::PasteNumber() {
    if (!EditCanModify()) return;
    const String previous = Text();
    try {
        const String clip = Clipboard()->AsText();
        if (NumberTextIsAmbiguousVz(clip))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(clip));
        SetValue(Variant(static_cast<double>(ClampAndRound(StrToFloat(CleanNumberTextVz(clip))))));
        UpdateValueFromText();
    } catch (const Exception&) {
        GuardedSetText(previous);
        SelectAll();
        if (CanFocus()) SetFocus();
    }
}

void TCustomDBNumberEditVz::DoExit() {
    if (FCalculatorVisible) CloseUp(false);
    TCustomDBEditVz::DoExit();
}

// ---- the calculator

TEditButtonVz* TCustomDBNumberEditVz::CreateEditButton() {
    TEditButtonVz* b = NewEditButtonVz<TDropDownEditButtonVz>(this);
    b->SetShortCut(ShortCut(VK_DOWN, {ssAlt}));
    return b;
}

void TCustomDBNumberEditVz::EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                                        bool& Handled) {
    if (IsUpDownStyleVz(AEditButton->Style())) {
        if (!ReadOnly() && DataLink()->Edit()) IncrementValue(AControl && AControl->ButtonNum() == 1);
        Handled = true;
        return;
    }
    if (FCalculatorVisible) return;
    EditButtonDropDown(AEditButton, AControl);
    FNoClickCloseUp = true;
    Handled = true;
}

void TCustomDBNumberEditVz::EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) {
    if (AControl) AControl->SetAlwaysDown(true);
    TCustomDBEditVz::EditButtonDropDown(AEditButton, AControl);
    DropDown();
    if (FCalculatorVisible)
        SetDroppedDownState(AEditButton, AControl);
    else if (AControl)
        AControl->SetAlwaysDown(false);
}

IPopupCalculatorVz* TCustomDBNumberEditVz::GetDropDownCalculator() {
    if (!FCalculator) {
        TClass cls = GetViZevManager()->PopupCalculatorClass();
        if (!cls) cls = TPopupCalculatorFormVz::StaticClass();
        FCalculator = static_cast<TWinControl*>(cls->CreateComponent(this));
    }
    return dynamic_cast<IPopupCalculatorVz*>(FCalculator);
}

void TCustomDBNumberEditVz::DropDown() {
    if (FCalculatorVisible) return;
    if (OnDropDown) OnDropDown(this);
    IPopupCalculatorVz* calc = GetDropDownCalculator();
    if (!calc) return;
    calc->SetValue(VarIsNullish(FValue) ? Variant(0.0) : FValue);
    calc->SetCurTextHeight(Variant(GetFontTextHeightVz(nullptr, Font(), true)));
    const TPoint pos = CalcDropDownPosForControlVz(this, FCalculator, UseRightToLeftAlignment() ? daRight : daLeft);
    FCalculatorVisible = true;
    calc->Show(pos, [this](TObject*, bool Accept) { CloseUp(Accept); });
    SetSelLength(0);
}

void TCustomDBNumberEditVz::CloseUp(bool Accept) {
    if (!FCalculatorVisible) return;
    FCalculatorVisible = false;
    IPopupCalculatorVz* calc = dynamic_cast<IPopupCalculatorVz*>(FCalculator);
    if (calc) calc->Hide();
    if (Accept && calc && !ReadOnly() && DataLink()->Edit()) {
        const Variant v = calc->GetValue();
        switch (v.VType()) {
        case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
            InternalSetValue(v);
            if (Focused()) SelectAll();
            break;
        default: break;
        }
    }
    if (OnCloseUp) OnCloseUp(this, Accept);
    ClearDroppedDownState();
}
