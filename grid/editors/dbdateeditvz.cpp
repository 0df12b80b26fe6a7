#include "grid/editors/dbdateeditvz.h"

#include "grid/base/popupformvz.h"
#include "grid/base/vizevmanagervz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/editors/datetimepickervz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QWidget>

TCustomDBDateTimeEditVz::TCustomDBDateTimeEditVz(TComponent* AOwner) : TCustomDBEditVz(AOwner) {}

TCustomDBDateTimeEditVz::~TCustomDBDateTimeEditVz() = default;

void TCustomDBDateTimeEditVz::AfterConstruction() {
    TCustomDBEditVz::AfterConstruction();
    UpdateFourDigitYear();
    UpdateMask();
}

void TCustomDBDateTimeEditVz::BeforeDestruction() {
    if (FCalendarVisible) {
        FCalendarVisible = false;
        if (IPopupDateTimePickerVz* p = Picker()) p->ClosePicker();
    }
    TCustomDBEditVz::BeforeDestruction();
}

// ---- format and mask

void TCustomDBDateTimeEditVz::UpdateFourDigitYear() {
    const bool four = LocaleFourDigitYearVz();
    if (four == FFourDigitYear) return;
    FFourDigitYear = four;
    UpdateMask();
}

void TCustomDBDateTimeEditVz::UpdateMask() {
    if (FKind != dtkCustomVz) FEditFormat = DefaultEditFormatVz(FKind, FFourDigitYear);
    if (FEditFormat.isEmpty()) {
        FDateTimeFormat.clear();
        FDateTimeMaskPos = TDateTimeElementsMaskPosVz();
        TCustomMaskEdit::SetEditMask(String());
        return;
    }
    TDateTimeElementsMaskPosVz pos;
    const String mask = EditFormatToEditMaskVz(FEditFormat, pos);
    FDateTimeFormat = EditFormatToDisplayFormatVz(FEditFormat);
    FDateTimeMaskPos = pos;
    TCustomMaskEdit::SetEditMask(mask);
}

void TCustomDBDateTimeEditVz::RefreshAfterFormatChange() {
    if (DataIndepended() || Field()) DataLinkDataChanged();
    else InternalSetValue(FValue);
}

void TCustomDBDateTimeEditVz::SetKind(TDateTimeKindVz Value) {
    if (FKind == Value) return;
    FKind = Value;
    UpdateMask();
    RefreshAfterFormatChange();
}

void TCustomDBDateTimeEditVz::SetEditFormat(const String& Value) {
    // Checked first, so that a bad format leaves the edit as it was.
    TDateTimeElementsMaskPosVz pos;
    if (!Value.isEmpty()) EditFormatToEditMaskVz(Value, pos);
    FKind = dtkCustomVz;
    if (FEditFormat == Value) return;
    FEditFormat = Value;
    UpdateMask();
    RefreshAfterFormatChange();
}

bool TCustomDBDateTimeEditVz::IsEmpty() const {
    if (IsMasked()) return EditText() == FormatMaskTextVz(EditMask(), String());
    return Text().isEmpty();
}

// ---- text and value

bool TCustomDBDateTimeEditVz::TryTextToValue(const String& AText, Variant& Value, bool Correct) {
    TDateTimeElementValuesVz values;
    TextToElementsVz(AText, FDateTimeMaskPos, values);
    return ElementsToValueVz(values, FDateTimeMaskPos, Value, Correct);
}

void TCustomDBDateTimeEditVz::InternalSetDisplayText(const String& AText) {
    if (FInternalTextSetting) return;
    FInternalTextSetting = true;
    try {
        TCustomDBEditVz::InternalSetText(AText);
    } catch (...) {
        FInternalTextSetting = false;
        throw;
    }
    FInternalTextSetting = false;
}

void TCustomDBDateTimeEditVz::InternalSetText(const String& AText) {
    Variant v = FValue;
    if (!IsMasked()) {
        v = AText.trimmed().isEmpty() ? Null() : VarFromDateTime(StrToDateTime(AText));
    } else if (!TryTextToValue(FormatMaskTextVz(EditMask(), AText), v, false)) {
        throw Exception(QStringLiteral("Invalid datetime: \"%1\"").arg(AText));
    }
    FValue = v;
    InternalSetDisplayText(AText);
}

void TCustomDBDateTimeEditVz::InternalSetValue(const Variant& AValue) {
    if (VarIsNullish(AValue)) {
        FValue = Null();
        InternalSetDisplayText(String());
        return;
    }
    const TDateTime d = VarToDateTime(AValue);
    FValue = VarFromDateTime(d);
    InternalSetDisplayText(IsMasked() ? FormatDateTime(FDateTimeFormat, d) : DateTimeToStr(d));
}

void TCustomDBDateTimeEditVz::Change() {
    if (!FInternalTextSetting && !ComponentState().Contains(csDestroying)) {
        try {
            if (IsMasked()) {
                Variant v = FValue;
                if (!TryTextToValue(EditText(), v, false)) v = Null();
                FValue = v;
            } else {
                TDateTime d;
                FValue = TryStrToDateTime(Text(), d) ? VarFromDateTime(d) : Null();
            }
        } catch (const EConvertError&) {
            FValue = Null();
        }
    }
    TCustomDBEditVz::Change();
}

void TCustomDBDateTimeEditVz::ValidateEdit() {
    if (FEditValidating) return;
    FEditValidating = true;
    try {
        TCustomDBEditVz::ValidateEdit();
        if (IsMasked()) {
            Variant v = FValue;
            TryTextToValue(EditText(), v, true);
            FValue = v;
            InternalSetDisplayText(VarIsNullish(v) ? String() : FormatDateTime(FDateTimeFormat, VarToDateTime(v)));
        }
    } catch (...) {
        FEditValidating = false;
        throw;
    }
    FEditValidating = false;
}

void TCustomDBDateTimeEditVz::DataLinkDataChanged() {
    TField* f = Field();
    Variant value;
    if (f) {
        bool handled = false;
        if (OnGetFieldData) OnGetFieldData(this, value, handled);
        if (!handled) value = f->AsVariant();
    } else if (DataIndepended()) {
        value = DataLink()->DataIndependentValue;
    } else {
        value = Null();
    }
    InternalSetValue(value);
    UpdateControlReadOnly();
    SetModified(false);
    DataLink()->SetModified(false);
}

void TCustomDBDateTimeEditVz::InternalUpdateData() {
    const Variant v = FValue;
    Variant base = Field() ? Field()->AsVariant() : DataLink()->DataIndependentValue;
    if (IsMasked()) {
        ElementsToValueVz(ValueToElementsVz(v), FDateTimeMaskPos, base, true);
    } else {
        base = Text().trimmed().isEmpty() ? Null() : VarFromDateTime(StrToDateTime(Text()));
    }
    DataLink()->SetValue(base);
}

void TCustomDBDateTimeEditVz::MarkModified() {
    DataLink()->Modified();
    SetModified(true);
}

String TCustomDBDateTimeEditVz::GetDisplayTextForPaintCopy() {
    if (ComponentState().Contains(csDesigning) && !DataLink()->Active()) return Name();
    if (ControlState().Contains(csPaintCopy) && Field()) {
        if (Field()->IsNull()) return String();
        const TDateTime d = Field()->AsDateTime();
        return IsMasked() ? FormatDateTime(FDateTimeFormat, d) : DateTimeToStr(d);
    }
    return EditText();
}

// ---- stepping and keys

void TCustomDBDateTimeEditVz::IncrementElementAtCaret(bool Increment) {
    String text = EditText();
    int start = 0, length = 0;
    if (!IncrementTextElementVz(text, EditFormatToElementLayoutVz(FEditFormat), SelStart() + 1, Increment, start,
                                length))
        return;
    TCustomMaskEdit::SetEditText(text);
    // The shown text changed without typing: read it into the value.
    Variant v = FValue;
    if (!TryTextToValue(EditText(), v, false)) v = Null();
    FValue = v;
    MarkModified();
    SetSelStart(start - 1);
    SetSelLength(length);
}

void TCustomDBDateTimeEditVz::KeyDown(Word& Key, TShiftState Shift) {
    if (FCalendarVisible) {
        if (auto* form = dynamic_cast<TPopupDateTimeCalendarFormVz*>(FDropDownCalendar)) {
            if (Key != VK_RETURN && Key != VK_ESCAPE && !(Key == VK_DOWN && Shift == TShiftState{ssAlt})) {
                form->Calendar()->DoKeyDown(Key, Shift);
                Key = 0;
                return;
            }
        }
    }
    if (Key == VK_DOWN && Shift == TShiftState{ssAlt} && FCalendarVisible) {
        CloseUp(false);
        Key = 0;
        return;
    }
    // A paste over the first character alone takes the whole text.
    if (((Key == 'V' && Shift == TShiftState{ssCtrl}) || (Key == VK_INSERT && Shift == TShiftState{ssShift})) &&
        SelStart() == 0 && SelLength() == 1 && !QApplication::clipboard()->text().isEmpty())
        SelectAll();
    const bool arrow = Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT;
    if (IsMasked() && Shift.Empty() && arrow) {
        // The holder of an in-place editor sees these keys first.
        if (auto* holder = dynamic_cast<IInplaceEditHolderVz*>(InplaceEditHolder())) {
            holder->HandleEditorKeyDown(this, Key, Shift);
            if (Key == 0) return;
        }
        if ((Key == VK_UP || Key == VK_DOWN) && !ReadOnly()) {
            if (DataLink()->Edit()) IncrementElementAtCaret(Key == VK_UP);
            Key = 0;
            return;
        }
        if ((Key == VK_LEFT || Key == VK_RIGHT) && SelLength() > 1) {
            const int pos = Key == VK_LEFT ? SelStart() : SelStart() + SelLength();
            SetSelStart(pos);
            SetSelLength(0);
            Key = 0;
            return;
        }
    }
    TCustomDBEditVz::KeyDown(Key, Shift);
}

void TCustomDBDateTimeEditVz::KeyPress(Char& Key) {
    if (FCalendarVisible && (Key == u'\r' || Key == Char(27))) {
        CloseUp(Key == u'\r');
        Key = Char();
        return;
    }
    if (IsMasked() && (Key == FormatSettings.DateSeparator || Key == FormatSettings.TimeSeparator)) {
        const String text = EditText();
        const int next = text.indexOf(Key, SelStart());
        const int p = next < 0 ? 1 : next + 2;
        Char letter;
        int start = 0, length = 0;
        if (FindLayoutElementVz(EditFormatToElementLayoutVz(FEditFormat), p, letter, start, length)) {
            SetSelStart(start - 1);
            SetSelLength(length);
        } else {
            SetSelStart(p - 1);
            SetSelLength(0);
        }
        Key = Char();
        return;
    }
    TCustomDBEditVz::KeyPress(Key);
}

bool TCustomDBDateTimeEditVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (FCalendarVisible) {
        if (auto* form = dynamic_cast<TPopupDateTimeCalendarFormVz*>(FDropDownCalendar))
            if (form->Calendar()->DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    }
    if (TCustomDBEditVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (WheelDelta == 0 || !Shift.Empty() || ReadOnly() || !IsMasked() || !DataLink()->Edit()) return false;
    IncrementElementAtCaret(WheelDelta > 0);
    return true;
}

void TCustomDBDateTimeEditVz::DoEnter() {
    UpdateFourDigitYear();
    TCustomDBEditVz::DoEnter();
}

namespace {
// The control is the form or one of its direct children.
bool IsFormOrChild(TControl* Control, TWinControl* Form) {
    return Control && Form && (Control == Form || Control->Parent() == Form);
}
} // namespace

void TCustomDBDateTimeEditVz::DoExit() {
    if (FCalendarVisible) {
        QWidget* focus = QApplication::focusWidget();
        QWidget* calendar = FDropDownCalendar && FDropDownCalendar->HandleAllocated()
                                ? static_cast<QWidget*>(FDropDownCalendar->Handle())
                                : nullptr;
        if (!(focus && calendar && (focus == calendar || calendar->isAncestorOf(focus)))) CloseUp(false);
    }
    TCustomDBEditVz::DoExit();
}

void TCustomDBDateTimeEditVz::CMCancelMode(TMessage& Message) {
    TCustomDBEditVz::CMCancelMode(Message);
    if (!FCalendarVisible) return;
    auto* sender = reinterpret_cast<TControl*>(Message.LParam);
    if (sender == this || (sender && ContainsControl(sender)) || IsFormOrChild(sender, FDropDownCalendar)) return;
    CloseUp(false);
}

// ---- the calendar

// ---- buttons

TEditButtonVz* TCustomDBDateTimeEditVz::CreateEditButton() { return NewEditButtonVz<TVisibleEditButtonVz>(this); }

void TCustomDBDateTimeEditVz::EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) {
    if (AControl) AControl->SetAlwaysDown(true);
    TCustomDBEditVz::EditButtonDropDown(AEditButton, AControl);
    FIgnoreMouseScreenRect = AControl ? TRect(AControl->ClientToScreen(TPoint(0, 0)),
                                              AControl->ClientToScreen(TPoint(AControl->Width(), AControl->Height())))
                                      : TRect();
    DropDown();
    if (FCalendarVisible) SetDroppedDownState(AEditButton, AControl);
    else if (AControl) AControl->SetAlwaysDown(false);
}

void TCustomDBDateTimeEditVz::EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                                          bool& Handled) {
    if (IsUpDownStyleVz(AEditButton->Style())) {
        if (IsMasked() && !ReadOnly() && DataLink()->Edit())
            IncrementElementAtCaret(AControl && AControl->ButtonNum() == 1);
        Handled = true;
        return;
    }
    if (FCalendarVisible) return;
    EditButtonDropDown(AEditButton, AControl);
    FNoClickCloseUp = true;
    Handled = true;
}

void TCustomDBDateTimeEditVz::FilterMRUItem(const String& AText, bool& Accept) {
    String prefix = EditText();
    while (!prefix.isEmpty() && (prefix.back() == u' ' || prefix.back() == FormatSettings.DateSeparator))
        prefix.chop(1);
    Accept = AnsiCompareText(AText.left(prefix.size()), prefix) == 0;
    if (MRUList()->OnFilterItem) MRUList()->OnFilterItem(this, Accept);
}

TWinControl* TCustomDBDateTimeEditVz::GetDropDownCalendar() {
    TClass cls = GetViZevManager()->PopupDateTimePickerClass();
    if (!cls) cls = TPopupDateTimeCalendarFormVz::StaticClass();
    if (FDropDownCalendar && FDropDownCalendar->ClassType() != cls) {
        TWinControl* old = FDropDownCalendar;
        FDropDownCalendar = nullptr;
        old->Free();
    }
    if (!FDropDownCalendar) FDropDownCalendar = static_cast<TWinControl*>(cls->CreateComponent(this));
    return FDropDownCalendar;
}

IPopupDateTimePickerVz* TCustomDBDateTimeEditVz::Picker() {
    return FDropDownCalendar ? dynamic_cast<IPopupDateTimePickerVz*>(FDropDownCalendar) : nullptr;
}

void TCustomDBDateTimeEditVz::DropDown() {
    if (FCalendarVisible) return;
    if (!FIgnoreNextDropDown) {
        if (OnDropDown) OnDropDown(this);
        const TDateTime start = VarIsNullish(FValue) ? Date() : VarToDateTime(FValue);
        TWinControl* form = GetDropDownCalendar();
        IPopupDateTimePickerVz* picker = dynamic_cast<IPopupDateTimePickerVz*>(form);
        if (picker) {
            form->HandleNeeded();
            picker->SetTimeUnits(GetDateTimeFormatElementsVz(FEditFormat));
            picker->SetPickerFont(Font());
            picker->UpdatePickerSize();
            const TPoint pos =
                CalcDropDownPosForControlVz(this, form, UseRightToLeftAlignment() ? daRight : daLeft);
            FCalendarVisible = true;
            picker->ShowPicker(pos, [this](TObject*, bool Accept, TObject*) { PickerClosed(Accept); }, this, start);
        }
    }
    FIgnoreNextDropDown = false;
}

void TCustomDBDateTimeEditVz::PickerClosed(bool Accept) {
    // The press on the drop-down button that closed the calendar must not open it again.
    if (QApplication::mouseButtons() != Qt::NoButton && FIgnoreMouseScreenRect.Contains(TPoint::FromQPoint(QCursor::pos())))
        FIgnoreNextDropDown = true;
    FClosingFromPicker = true;
    try {
        CloseUp(Accept);
    } catch (...) {
        FClosingFromPicker = false;
        throw;
    }
    FClosingFromPicker = false;
}

void TCustomDBDateTimeEditVz::CloseUp(bool Accept) {
    if (!FCalendarVisible) return;
    FCalendarVisible = false;
    IPopupDateTimePickerVz* picker = Picker();
    if (!picker) return;
    if (!FClosingFromPicker) picker->ClosePicker();
    if (HandleAllocated()) {
        if (Accept && !ReadOnly() && DataLink()->Edit()) {
            Variant v = FValue;
            ElementsToValueVz(ValueToElementsVz(VarFromDateTime(picker->GetDateTime())), FDateTimeMaskPos, v, true);
            InternalSetValue(v);
            MarkModified();
            if (Focused()) SelectAll();
        }
    }
    ClearDroppedDownState();
    if (OnCloseUp) OnCloseUp(this, Accept);
}
