#include "grid/editors/dbcheckboxvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/core/coretoolsvz.h"
#include "grid/core/dynvarsvz.h"
#include "platform/db/fields.h"
#include "platform/gui/canvas.h"
#include "platform/gui/drawtext.h"

bool CheckBoxValueMatchesVz(const String& Values, const String& Text) {
    const QStringList items = Values.split(u';');
    for (const String& item : items)
        if (AnsiCompareTextVz(item, Text) == 0) return true;
    return Text.isEmpty() && (Values.isEmpty() || Values.endsWith(u';'));
}

TCustomDBCheckBoxVz::TCustomDBCheckBoxVz(TComponent* AOwner)
    : TCustomControl(AOwner), FDataLink(NewOwned<TFieldDataLinkVz>()) {
    SetBounds(Left(), Top(), 97, 17);
    SetTabStop(true);
    TControlStyle style = ControlStyle();
    style.Exclude(csDoubleClicks);
    style.Include(csClickEvents);
    style.Include(csReplicatable);
    SetControlStyle(style);
    FValueCheck = u"True"_S;
    FValueUncheck = u"False"_S;
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TCustomDBCheckBoxVz::DataChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TCustomDBCheckBoxVz::UpdateData);
    FDynProps = New<TDynVarsVz>(this);
    FDataLink->DataIndependentValue = Variant(false);
}

TCustomDBCheckBoxVz::~TCustomDBCheckBoxVz() = default;

void TCustomDBCheckBoxVz::BeforeDestruction() {
    FDataLink->SetDataSource(nullptr);
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    if (FDynProps) FreeAndNil(FDynProps);
    TCustomControl::BeforeDestruction();
}

void TCustomDBCheckBoxVz::SetDataSource(TDataSource* Value) {
    if (Value == FDataLink->DataSource()) return;
    if (FDataLink->DataSourceFixed() && ComponentState().Contains(csLoading)) return;
    if (FDataLink->DataSource()) FDataLink->DataSource()->RemoveFreeNotification(this);
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TCustomDBCheckBoxVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
}

void TCustomDBCheckBoxVz::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomDBCheckBoxVz::SetAlwaysShowBorder(bool Value) {
    if (FAlwaysShowBorder == Value) return;
    FAlwaysShowBorder = Value;
    Invalidate();
}

void TCustomDBCheckBoxVz::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    Invalidate();
}

void TCustomDBCheckBoxVz::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    Invalidate();
}

void TCustomDBCheckBoxVz::SetValueChecked(const String& Value) {
    FValueCheck = Value;
    DataChange(this);
}

void TCustomDBCheckBoxVz::SetValueUnchecked(const String& Value) {
    FValueUncheck = Value;
    DataChange(this);
}

TCheckBoxState TCustomDBCheckBoxVz::GetFieldState() const {
    if (FDataLink->DataIndepended()) {
        const Variant& v = FDataLink->DataIndependentValue;
        if (VarEqualsVz(v, Variant(true))) return cbChecked;
        if (VarEqualsVz(v, Variant(false))) return cbUnchecked;
        return cbGrayed;
    }
    TField* f = Field();
    if (!f) return cbUnchecked;
    if (f->DataType() == ftBoolean && FValueCheck == u"True"_S && FValueUncheck == u"False"_S) {
        if (f->IsNull()) return cbGrayed;
        return f->AsBoolean() ? cbChecked : cbUnchecked;
    }
    const String text = f->Text();
    if (CheckBoxValueMatchesVz(FValueCheck, text)) return cbChecked;
    if (CheckBoxValueMatchesVz(FValueUncheck, text)) return cbUnchecked;
    return cbGrayed;
}

void TCustomDBCheckBoxVz::DataChange(TObject*) {
    if (ComponentState().Contains(csDestroying)) return;
    InternalSetState(GetFieldState());
    FModified = false;
}

void TCustomDBCheckBoxVz::InternalSetState(TCheckBoxState Value) {
    if (FState == Value) return;
    FState = Value;
    if (!FClicksDisabled) TControl::Click();
    Invalidate();
    FModified = true;
}

void TCustomDBCheckBoxVz::SetState(TCheckBoxState Value) {
    if (!FDataLink->DataIndepended() && FDataLink->DataSet()) FDataLink->DataSet()->Edit();
    try {
        InternalSetState(Value);
        if (!FDataPosting) UpdateData(this);
    } catch (...) {
        FDataLink->Reset();
        throw;
    }
}

void TCustomDBCheckBoxVz::UpdateData(TObject*) {
    bool handled = false;
    if (OnUpdateData) {
        FDataPosting = true;
        try {
            OnUpdateData(this, handled);
        } catch (...) {
            FDataPosting = false;
            throw;
        }
        FDataPosting = false;
    }
    if (!handled) InternalUpdateData();
}

void TCustomDBCheckBoxVz::InternalUpdateData() {
    if (FDataLink->DataIndepended()) {
        FDataLink->SetValue(FState == cbGrayed ? Null() : Variant(FState == cbChecked));
        return;
    }
    TField* f = Field();
    if (!f) return;
    if (FState == cbGrayed) {
        f->Clear();
    } else if (f->DataType() == ftBoolean) {
        f->SetAsBoolean(Checked());
    } else {
        const String& values = Checked() ? FValueCheck : FValueUncheck;
        f->SetText(values.section(u';', 0, 0));
    }
}

void TCustomDBCheckBoxVz::Toggle() {
    if (!FDataLink->Edit()) return;
    switch (FState) {
    case cbUnchecked: InternalSetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: InternalSetState(cbUnchecked); break;
    case cbGrayed: InternalSetState(cbChecked); break;
    }
    FDataLink->Modified();
    Invalidate();
}

void TCustomDBCheckBoxVz::Click() {
    if (FDropClick) {
        FDropClick = false;
        return;
    }
    Toggle();
}

void TCustomDBCheckBoxVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FDropClick = false;
    if (Button == mbLeft && !Focused()) {
        FClicksDisabled = true;
        try {
            SetFocus();
        } catch (...) {
            FClicksDisabled = false;
            FDropClick = true;
            throw;
        }
        FClicksDisabled = false;
        if (!Focused()) {
            FDropClick = true;
            return;
        }
    }
    if (Button == mbLeft) FMousePressed = true;
    Invalidate();
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomDBCheckBoxVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FMousePressed = false;
    Invalidate();
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomDBCheckBoxVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE && Shift.Empty()) {
        FToggleKeyDown = true;
        Invalidate();
    }
}

void TCustomDBCheckBoxVz::KeyUp(Word& Key, TShiftState Shift) {
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && FToggleKeyDown) {
        FToggleKeyDown = false;
        Invalidate();
        Toggle();
    }
}

void TCustomDBCheckBoxVz::KeyPress(Char& Key) {
    TCustomControl::KeyPress(Key);
    if (Key == u'\b' || Key == u' ') {
        FDataLink->Edit();
    } else if (Key == u'\x1b') {
        FDataLink->Reset();
    }
}

void TCustomDBCheckBoxVz::CMMouseEnter(TMessage& Message) {
    TCustomControl::CMMouseEnter(Message);
    FMouseAboveControl = true;
    Invalidate();
}

void TCustomDBCheckBoxVz::CMMouseLeave(TMessage& Message) {
    TCustomControl::CMMouseLeave(Message);
    FMouseAboveControl = false;
    Invalidate();
}

void TCustomDBCheckBoxVz::DoEnter() {
    Invalidate();
    TCustomControl::DoEnter();
}

void TCustomDBCheckBoxVz::DoExit() {
    try {
        FDataLink->UpdateRecord();
    } catch (...) {
        SetFocus();
        throw;
    }
    Invalidate();
    TCustomControl::DoExit();
}

void TCustomDBCheckBoxVz::TextChanged() { Invalidate(); }

void TCustomDBCheckBoxVz::EnabledChanged() {
    TCustomControl::EnabledChanged();
    Invalidate();
}

// ---- painting -----------------------------------------------------------------------------------

void TCustomDBCheckBoxVz::Paint() {
    if (ControlState().Contains(csPaintCopy))
        DrawState(GetFieldState(), false, false, false);
    else
        DrawState(FState, Focused(), FMouseAboveControl, (FMouseAboveControl && FMousePressed) || FToggleKeyDown);
}

void TCustomDBCheckBoxVz::DrawState(TCheckBoxState AState, bool AFocused, bool Hot, bool Pressed) {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
    TRect boxRect, captionRect;
    if (FAlignment == taLeftJustify) {
        boxRect = GetCheckBoxRectVz(ClientRect(), taRightJustify, tlCenter);
        captionRect = TRect(0, 0, boxRect.Left - 5, Height());
    } else {
        boxRect = GetCheckBoxRectVz(ClientRect(), taLeftJustify, tlCenter);
        captionRect = TRect(boxRect.Right + 5, 0, Width(), Height());
    }
    DrawCaption(captionRect, AFocused);
    DrawCheckBox(boxRect, AState, AFocused, Hot, Pressed);
}

void TCustomDBCheckBoxVz::DrawCheckBox(const TRect& ARect, TCheckBoxState AState, bool AFocused, bool Hot,
                                       bool Pressed) {
    Canvas()->Brush()->SetColor(Color());
    PaintEditButtonVz(Canvas(), ARect, clNone, bcsCheckboxVz, Pressed ? 1 : 0, FFlat,
                      Hot || AFocused || FAlwaysShowBorder, Enabled(), AState);
}

void TCustomDBCheckBoxVz::DrawCaption(const TRect& ARect, bool AFocused) {
    TCanvas* c = Canvas();
    c->SetFont(Font());
    c->Brush()->SetStyle(bsClear);
    const String text = Caption();
    TRect calc(ARect.Left, 0, ARect.Right, 0);
    DrawText(c->Handle(), text, calc, DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE));
    const int h = calc.Height(), w = calc.Width();
    TRect textRect(ARect.Left, Height() / 2 - h / 2, ARect.Left + w, Height() / 2 - h / 2 + h);
    const unsigned flags = FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (Enabled()) {
        DrawText(c->Handle(), text, textRect, flags);
    } else {
        TRect shadow = textRect;
        shadow.Offset(1, 1);
        c->Font()->SetColor(clHighlightText);
        DrawText(c->Handle(), text, shadow, flags);
        c->Font()->SetColor(clGrayText);
        DrawText(c->Handle(), text, textRect, flags);
    }
    c->Brush()->SetStyle(bsSolid);
    if (AFocused && !text.isEmpty()) {
        TRect focus(textRect.Left - 1, textRect.Top - 1, textRect.Right + 1, textRect.Bottom + 2);
        focus = TRect(std::max(focus.Left, 0), std::max(focus.Top, 0), std::min(focus.Right, Width()),
                      std::min(focus.Bottom, Height()));
        c->DrawFocusRect(focus);
    }
}
