#include "grid/editors/calculatorvz.h"

#include "grid/base/buttonsvz.h"
#include "grid/base/popupformvz.h"
#include "grid/base/vizevmanagervz.h"
#include "grid/core/dynvarsvz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/rtlmath.h"

#include <cmath>

namespace {

// The buttons in the order of their tags: caption, place and size, and the key each one sends.
struct TCalcButtonDefVz {
    const char16_t* Name;
    const char16_t* Caption;
    int Left, Top, Width, Height;
    char16_t Key;
};

constexpr TCalcButtonDefVz CalcButtonDefsVz[TCalculatorVz::ButtonCount] = {
    {u"SpeedButton1", u"7", 6, 29, 34, 28, u'7'},      {u"SpeedButton12", u"8", 43, 29, 34, 28, u'8'},
    {u"SpeedButton11", u"9", 81, 29, 34, 28, u'9'},    {u"SpeedButton16", u"/", 118, 29, 34, 28, u'/'},
    {u"SpeedButton20", u"sqrt", 156, 29, 34, 28, u'S'}, {u"SpeedButton23", u"C", 194, 29, 34, 59, u'C'},
    {u"SpeedButton10", u"4", 6, 60, 34, 28, u'4'},     {u"SpeedButton9", u"5", 43, 60, 34, 28, u'5'},
    {u"SpeedButton8", u"6", 81, 60, 34, 28, u'6'},     {u"SpeedButton15", u"*", 118, 60, 34, 28, u'*'},
    {u"SpeedButton19", u"%", 156, 60, 34, 28, u'%'},   {u"SpeedButton24", u"Cancel", 197, 52, 27, 23, u'A'},
    {u"SpeedButton7", u"1", 6, 91, 34, 28, u'1'},      {u"SpeedButton6", u"2", 43, 91, 34, 28, u'2'},
    {u"SpeedButton5", u"3", 81, 91, 34, 28, u'3'},     {u"SpeedButton14", u"-", 118, 91, 34, 28, u'-'},
    {u"SpeedButton18", u"1/x", 156, 91, 34, 28, u'R'}, {u"SpeedButton22", u"<-", 194, 91, 34, 28, u'\b'},
    {u"SpeedButton4", u"0", 6, 122, 34, 28, u'0'},     {u"SpeedButton3", u"+/-", 43, 122, 34, 28, u'I'},
    {u"SpeedButton2", u".", 81, 122, 34, 28, u'.'},    {u"SpeedButton13", u"+", 118, 122, 34, 28, u'+'},
    {u"spEqual", u"Ok", 156, 122, 72, 28, u'='},
};

constexpr int CalcClientWidthVz = 233;
constexpr int CalcClientHeightVz = 154;
const String CalcErrorTextVz = u"Error"_S;

bool IsCalcOperatorVz(Char Key) {
    switch (Key.unicode()) {
    case 13: case u'%': case u'*': case u'+': case u'-': case u'/': case u'=': return true;
    default: return false;
    }
}

bool IsArithmeticOperatorVz(Char Key) {
    return Key == u'+' || Key == u'-' || Key == u'*' || Key == u'/';
}

}  // namespace

// ---- TCalculatorVz --------------------------------------------------------------------------------

TCalculatorVz::TCalculatorVz(TComponent* AOwner) : TCustomControlVz(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
    SetTabStop(true);
    SetBounds(Left(), Top(), CalcClientWidthVz, CalcClientHeightVz);
    SetColor(clBtnFace);
    SetParentColor(false);
    SetParentFont(false);
    Font()->SetName(u"Tahoma"_S);
    Font()->SetHeight(-11);

    FPanel1 = New<TPanel>(this);
    FPanel1->SetName(u"Panel1"_S);
    FPanel1->SetParent(this);
    FPanel1->SetBounds(6, 4, 222, 21);
    FPanel1->SetBevelOuter(bvNone);
    FPanel1->SetBorderWidth(2);
    FPanel1->SetParentColor(false);
    FPanel1->SetColor(clWindow);
    FPanel1->SetCaption(String());
    FTextBox = New<TLabel>(this);
    FTextBox->SetName(u"TextBox"_S);
    FTextBox->SetParent(FPanel1);
    FTextBox->SetAutoSize(false);
    FTextBox->SetAlign(alClient);
    FTextBox->SetAlignment(UseRightToLeftReading() ? taLeftJustify : taRightJustify);
    FTextBox->SetLayout(tlCenter);
    FTextBox->SetCaption(u"0"_S);

    for (int i = 0; i < ButtonCount; ++i) {
        const TCalcButtonDefVz& d = CalcButtonDefsVz[i];
        TSpeedButtonVz* b = New<TSpeedButtonVz>(this);
        b->SetName(String::fromUtf16(d.Name));
        b->SetParent(this);
        b->SetBounds(d.Left, d.Top, d.Width, d.Height);
        b->SetCaption(String::fromUtf16(d.Caption));
        b->SetTag(i + 1);
        b->SetStyle(ebsGlyphVz);
        b->SetAdvancedPaint(false);
        b->SetFlat(FFlat);
        // Flat: the caption on the calculator's face, the button's look only under the mouse.
        b->SetDrawBackTime(edbtWhenHotVz);
        b->SetParentFont(false);
        b->Font()->Assign(Font());
        const bool red = d.Key == u'A' || d.Key == u'+' || d.Key == u'-' || d.Key == u'*' || d.Key == u'/' ||
                         d.Key == u'=' || d.Key == u'\b' || d.Key == u'C';
        b->Font()->SetColor(red ? clRed : clBlue);
        b->OnClick = TNotifyEvent(this, &TCalculatorVz::SpeedButtonClick);
        FButtons[i] = b;
    }
    // "Cancel" lies under "C", out of sight.
    FButtons[11]->SetVisible(false);
}

void TCalculatorVz::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    Invalidate();
}

void TCalculatorVz::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    for (TSpeedButtonVz* b : FButtons) b->SetFlat(Value);
}

String TCalculatorVz::DisplayText() const { return FTextBox->Caption(); }

void TCalculatorVz::SetDisplayText(const String& Value) { FTextBox->SetCaption(Value); }

Extended TCalculatorVz::DisplayValue() const {
    if (FStatus == csErrorVz) return 0;
    return StrToFloat(DisplayText().trimmed());
}

void TCalculatorVz::SetDisplayValue(Extended Value) { SetDisplayText(FloatToStrF(Value, ffGeneral, 15, 0)); }

int TCalculatorVz::PixelsPerInch() const { return FPixelsPerInch ? FPixelsPerInch : Screen->PixelsPerInch(); }

void TCalculatorVz::SetPixelsPerInch(int Value) {
    if (Value == 0 || Value > 35) FPixelsPerInch = Value;
}

void TCalculatorVz::SetTextHeight(int Value) {
    if (Value <= 0 || Value == FTextHeight) return;
    const int old = FTextHeight;
    FTextHeight = Value;
    ScaleBy(Value, old);
}

void TCalculatorVz::ScaleBy(int M, int D) {
    auto scale = [M, D](int V) { return MulDiv(V, M, D); };
    SetBounds(Left(), Top(), scale(Width()), scale(Height()));
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(scale(c->Left()), scale(c->Top()), scale(c->Width()), scale(c->Height()));
    }
    Font()->SetHeight(scale(Font()->Height()));
    for (TSpeedButtonVz* b : FButtons) b->Font()->SetHeight(Font()->Height());
}

void TCalculatorVz::SpeedButtonClick(TObject* Sender) {
    const int tag = static_cast<TComponent*>(Sender)->Tag();
    if (tag >= 1 && tag <= ButtonCount) ProcessKey(Char(CalcButtonDefsVz[tag - 1].Key));
}

void TCalculatorVz::KeyPress(Char& Key) {
    TCustomControlVz::KeyPress(Key);
    if (!Key.isNull()) ProcessKey(Key);
}

void TCalculatorVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControlVz::KeyDown(Key, Shift);
    if (Key == VK_DELETE) ProcessKey(Char(u'C'));
}

bool TCalculatorVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControlVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (FStatus != csErrorVz) SetDisplayValue(DisplayValue() + (WheelDelta > 0 ? 1 : -1));
    return true;
}

void TCalculatorVz::ProcessKey(Char Key) {
    Key = Key.toUpper();
    if (OnProcessKey) OnProcessKey(this, Key);
    if (!Key.isNull()) DefaultProcessKey(Key);
}

void TCalculatorVz::StartTyping() {
    if (FStatus == csFirstVz) {
        FStatus = csValidVz;
        SetDisplayText(u"0"_S);
    }
}

void TCalculatorVz::Clear() {
    FStatus = csFirstVz;
    SetDisplayValue(0);
    FOperator = u'=';
    FOperand = 0;
}

void TCalculatorVz::Error() {
    FStatus = csErrorVz;
    SetDisplayText(CalcErrorTextVz);
}

void TCalculatorVz::CheckFirst() { StartTyping(); }

void TCalculatorVz::UpdateEqualButton() {
    const bool pending = FOperand != 0 && FStatus == csValidVz && IsArithmeticOperatorVz(FOperator);
    spEqual()->SetCaption(pending ? u"="_S : u"Ok"_S);
}

void TCalculatorVz::DefaultProcessKey(Char Key) {
    if (FStatus == csErrorVz && Key != u'C') return;
    const Char decimal = FormatSettings.DecimalSeparator;
    if (Key == decimal || Key == u'.' || Key == u',') {
        CheckFirst();
        if (!DisplayText().contains(decimal)) SetDisplayText(DisplayText() + decimal);
        return;
    }
    const char16_t k = Key.unicode();
    if (k == 3) {
        Clipboard()->SetAsText(DisplayText());
    } else if (k == 8) {
        CheckFirst();
        const String s = DisplayText();
        if (s.size() == 1 || (s.size() == 2 && s[0] == u'-'))
            SetDisplayText(u"0"_S);
        else
            SetDisplayText(s.left(s.size() - 1));
    } else if (IsCalcOperatorVz(Key)) {
        if (FStatus == csValidVz) {
            FStatus = csFirstVz;
            Extended v = DisplayValue();
            if (Key == u'%') {
                if (FOperator == u'*' || FOperator == u'/')
                    v = v / 100;
                else if (FOperator == u'+' || FOperator == u'-')
                    v = v * FOperand / 100;
            }
            switch (FOperator.unicode()) {
            case u'*': SetDisplayValue(FOperand * v); break;
            case u'+': SetDisplayValue(FOperand + v); break;
            case u'-': SetDisplayValue(FOperand - v); break;
            case u'/':
                if (v == 0)
                    Error();
                else
                    SetDisplayValue(FOperand / v);
                break;
            default: break;
            }
        }
        FOperator = Key;
        FOperand = DisplayValue();
    } else if (k == 22) {
        if (Clipboard()->HasFormat(CF_TEXT)) SetDisplayValue(StrToFloat(Clipboard()->AsText().trimmed()));
    } else if (k == 27 || Key == u'C') {
        Clear();
    } else if (k >= u'0' && k <= u'9') {
        CheckFirst();
        String s = DisplayText();
        if (s == u"0"_S) s.clear();
        if (!s.contains(u'E')) {
            const int limit = !s.isEmpty() && s[0] == u'-' ? 16 : 15;
            if (s.size() < limit) s += Key;
            SetDisplayText(s);
        }
    } else if (Key == u'I') {
        SetDisplayValue(-DisplayValue());
    } else if (Key == u'R') {
        FStatus = csFirstVz;
        const Extended v = DisplayValue();
        if (v == 0)
            Error();
        else
            SetDisplayValue(1 / v);
    } else if (Key == u'S') {
        FStatus = csFirstVz;
        const Extended v = DisplayValue();
        if (v < 0)
            Error();
        else
            SetDisplayValue(std::sqrt(v));
    }
    UpdateEqualButton();
}

// ---- TPopupCalculatorFormVz -----------------------------------------------------------------------

TPopupCalculatorFormVz::TPopupCalculatorFormVz(TComponent* AOwner) : TCustomDropDownFormVz(AOwner) {
    SetBorderIcons({});
    SetBorderWidth(2);
    SetKeyPreview(true);
    SetFormStyle(fsStayOnTop);
    SetFormElements({});
    FCalculator = New<TCalculatorVz>(this);
    FCalculator->SetParent(this);
    FCalculator->SetBounds(0, 0, FCalculator->Width(), FCalculator->Height());
    FCalculator->SetDisplayValue(0);
    FCalculator->OnProcessKey = TCalcProcessKeyEventVz(this, &TPopupCalculatorFormVz::CalculatorProcessKey);
    FCurFontHeight = Font()->Height();
    UpdateSize();
}

bool TPopupCalculatorFormVz::GetEnterCanClose() { return FCalculator->spEqual()->Caption() == u"Ok"_S; }

bool TPopupCalculatorFormVz::GetFlat() { return FCalculator->Flat(); }

void TPopupCalculatorFormVz::SetFlat(bool Value) { FCalculator->SetFlat(Value); }

Variant TPopupCalculatorFormVz::GetValue() {
    // The error state gives no number (the framework's error Variant has no counterpart here).
    if (FCalculator->Status() == csErrorVz) return Variant::Null();
    return Variant(static_cast<double>(FCalculator->DisplayValue()));
}

void TPopupCalculatorFormVz::SetValue(const Variant& Value) {
    FCalculator->ProcessKey(Char(u'C'));
    FCalculator->SetDisplayValue(VarIsNullish(Value) ? 0.0 : Value.AsDouble());
}

void TPopupCalculatorFormVz::SetCurTextHeight(const Variant& Value) {
    if (VarIsNullish(Value)) return;
    const int h = Value.AsInteger();
    if (h != FCalculator->TextHeight()) {
        FCalculator->SetTextHeight(h);
        UpdateSize();
    }
}

void TPopupCalculatorFormVz::UpdateSize() {
    if (!FCalculator) return;
    const int bw = BorderWidth();
    SetClientWidth(FCalculator->Width() + 2 * bw);
    SetClientHeight(FCalculator->Height() + 2 * bw);
    FCalculator->SetBounds(bw, bw, FCalculator->Width(), FCalculator->Height());
}

void TPopupCalculatorFormVz::AlignControls(TControl* AControl, TRect& Rect) {
    TCustomDropDownFormVz::AlignControls(AControl, Rect);
    UpdateSize();
}

void TPopupCalculatorFormVz::DrawBorder() {
    TRect r = ClientRect();
    Canvas()->Brush()->SetColor(cl3DDkShadow);
    Canvas()->FrameRect(r);
    r.Inflate(-1, -1);
    DrawEdge(Canvas()->Handle(), r, BDR_RAISEDINNER, BF_RECT);
}

void TPopupCalculatorFormVz::CalculatorProcessKey(TObject*, Char& Key) {
    const bool enter = Key.unicode() == 13 || Key == u'=';
    if (enter && GetEnterCanClose()) {
        SetModalResult(mrOk);
        Close();
    } else if (Key.unicode() == 27) {
        SetModalResult(mrCancel);
        Close();
    }
}

void TPopupCalculatorFormVz::Show(const TPoint& Pos, std::function<void(TObject* Form, bool Accept)> Callback) {
    OnCloseCallback = std::move(Callback);
    TDynVarsVz* params = New<TDynVarsVz>(nullptr);
    TEditControlDropDownFormSysParams* sys = New<TEditControlDropDownFormSysParams>();
    ExecuteNomodal(TRect(Pos.X, Pos.Y, Pos.X, Pos.Y), nullptr, daLeft, params, sys,
                   [this](TCustomForm* Form, bool Accept, TDynVarsVz* D, TDropDownFormSysParams* S) {
                       D->Free();
                       S->Free();
                       if (OnCloseCallback) {
                           auto cb = std::move(OnCloseCallback);
                           OnCloseCallback = nullptr;
                           cb(Form, Accept);
                       }
                   });
    if (FCalculator->CanFocus()) SetActiveControl(FCalculator);
}

void TPopupCalculatorFormVz::Hide() {
    // Closing (not just hiding) lets the close callback run and free the opening's parameters.
    if (!Visible()) return;
    if (ModalResult() == mrNone) SetModalResult(mrCancel);
    Close();
}

namespace {

struct TCalculatorUnitVz {
    TCalculatorUnitVz() {
        RegisterClass(TPopupCalculatorFormVz::StaticClass());
        if (!GetViZevManager()->PopupCalculatorClass())
            GetViZevManager()->SetPopupCalculatorClass(TPopupCalculatorFormVz::StaticClass());
    }
} CalculatorUnitVz;

}  // namespace
