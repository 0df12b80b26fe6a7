#include "platform/gui/stdctrls.h"
#include "platform/gui/qthost.h"

#include "platform/gui/drawtext.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

namespace {
// Timer callbacks running now (a timer freed inside one is deleted later).
int gTimerFiring = 0;
}  // namespace

// ================================================================================================
// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable, csOpaque};
    FWidth = 65;
    FHeight = 17;
}

void TLabel::SetAutoSize(bool Value) {
    if (FAutoSize == Value) return;
    FAutoSize = Value;
    AdjustBounds();
}

void TLabel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout Value) {
    if (FLayout == Value) return;
    FLayout = Value;
    Invalidate();
}

void TLabel::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    if (Value) FControlStyle.Exclude(csOpaque);
    else FControlStyle.Include(csOpaque);
    Invalidate();
}

void TLabel::SetShowAccelChar(bool Value) {
    if (FShowAccelChar == Value) return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetFocusControl(TWinControl* Value) {
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

unsigned TLabel::DrawTextFlags() const {
    unsigned f = DT_EXPANDTABS;
    if (FWordWrap) f |= DT_WORDBREAK;
    if (!FShowAccelChar) f |= DT_NOPREFIX;
    switch (FAlignment) {
    case taRightJustify: f |= DT_RIGHT; break;
    case taCenter: f |= DT_CENTER; break;
    default: break;
    }
    if (UseRightToLeftReading()) f |= DT_RTLREADING;
    return f;
}

void TLabel::DoDrawText(HDC DC, TRect& Rect, unsigned Flags) {
    String text = Caption();
    // An empty caption still measures one line (the framework measures a space).
    if ((Flags & DT_CALCRECT) && (text.isEmpty() || (FShowAccelChar && text.size() == 1 && text[0] == u'&')))
        text += QLatin1Char(' ');
    TCanvas* c = Canvas();
    c->Font()->Assign(Font());
    if (!FEnabled) {
        TRect r = Rect;
        r.Offset(1, 1);
        DC->SetTextColor(ColorToRGB(clBtnHighlight));
        DC->SelectFont(Font()->LogFont());
        DC->SetBkMode(TRANSPARENT);
        DrawText(DC, text, r, Flags);
        DC->SetTextColor(ColorToRGB(clBtnShadow));
        DrawText(DC, text, Rect, Flags);
        return;
    }
    DC->SelectFont(Font()->LogFont());
    DC->SetTextColor(ColorToRGB(Font()->Color()));
    DC->SetBkMode(TRANSPARENT);
    DrawText(DC, text, Rect, Flags);
}

void TLabel::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    if (!FTransparent) {
        TLogBrush b;
        b.lbColor = ColorToRGB(FColor);
        dc->FillRect(r, b);
    }
    unsigned flags = DrawTextFlags();
    if (FLayout != tlTop) {
        TRect calc = r;
        DoDrawText(dc, calc, flags | DT_CALCRECT);
        int h = calc.Height();
        if (FLayout == tlBottom) r.Top = r.Bottom - h;
        else r.Top = (r.Top + r.Bottom - h) / 2;
        r.Bottom = r.Top + h;
    }
    DoDrawText(dc, r, flags);
}

void TLabel::AdjustBounds() {
    if (!FAutoSize || ComponentState().Contains(csLoading)) return;
    TMeasureDC dc(Screen ? Screen->PixelsPerInch() : 96);
    TRect r = ClientRect();
    if (!FWordWrap) r.Right = r.Left + 0x7FFF;
    Canvas()->SetHandle(&dc);
    DoDrawText(&dc, r, DrawTextFlags() | DT_CALCRECT);
    Canvas()->SetHandle(nullptr);
    int x = FLeft;
    if (FAlignment == taRightJustify) x = FLeft + FWidth - r.Width();
    else if (FAlignment == taCenter && !FWordWrap) x = FLeft + (FWidth - r.Width()) / 2;
    SetBounds(x, FTop, r.Width(), r.Height());
}

// ================================================================================================
// TPanel

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                     csDoubleClicks, csReplicatable};
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
    FParentColor = false;
}

void TPanel::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut Value) {
    FBevelInner = Value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
    FBevelOuter = Value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelWidth(int Value) {
    FBevelWidth = std::max(1, Value);
    Realign();
    Invalidate();
}

void TPanel::SetBorderWidth(int Value) {
    FBorderWidth = std::max(0, Value);
    Realign();
    Invalidate();
}

void TPanel::SetBorderStyle(TFormBorderStyle Value) {
    FBorderStyle = Value == bsSingle ? bsSingle : bsNone;
    Realign();
    Invalidate();
}

TRect TPanel::AdjustClientRect() const {
    TRect r = ClientRect();
    int inset = FBorderWidth;
    if (FBorderStyle == bsSingle) inset += 1;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    r.Inflate(-inset, -inset);
    return r;
}

void TPanel::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    if (FBorderStyle == bsSingle) {
        TLogBrush frame;
        frame.lbColor = ColorToRGB(clWindowFrame);
        dc->FrameRect(r, frame);
        r.Inflate(-1, -1);
    }
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        for (int i = 0; i < FBevelWidth; ++i) {
            if (cut == bvSpace) {
                r.Inflate(-1, -1);
                continue;
            }
            DrawEdge(dc, r, cut == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENINNER, BF_RECT | BF_ADJUST);
        }
    };
    bevel(FBevelOuter);
    TLogBrush face;
    face.lbColor = ColorToRGB(FColor);
    if (FBorderWidth > 0) {
        // The border is drawn in the panel's colour.
        TRect inner = r;
        inner.Inflate(-FBorderWidth, -FBorderWidth);
        dc->FillRect(r, face);
        r = inner;
    }
    bevel(FBevelInner);
    dc->FillRect(r, face);
    String text = Caption();
    if (text.isEmpty()) return;
    dc->SelectFont(Font()->LogFont());
    dc->SetTextColor(ColorToRGB(Font()->Color()));
    dc->SetBkMode(TRANSPARENT);
    TTextMetric tm;
    dc->GetTextMetrics(tm);
    int h = tm.tmHeight;
    TRect tr = r;
    tr.Top = (r.Top + r.Bottom - h) / 2;
    tr.Bottom = tr.Top + h;
    unsigned flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
    if (FAlignment == taCenter) flags |= DT_CENTER;
    else if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    DrawText(dc, text, tr, flags);
}

// ================================================================================================
// TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 121;
    FHeight = 21;
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
}

QWidget* TEdit::CreateWidget(QWidget* ParentWidget) { return new TQtHost<QLineEdit>(this, ParentWidget); }

void TEdit::InitWidget() {
    auto* e = static_cast<QLineEdit*>(FHandle);
    e->setText(FText);
    e->setReadOnly(FReadOnly);
    e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
    e->setEchoMode(FPasswordChar.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    e->setFrame(true);
    e->setSelection(FSelStart, FSelLength);
    TWinControl::InitWidget();
    QObject::connect(e, &QLineEdit::textChanged, e, [this](const QString&) {
        GuardedCall(this, [this] { Change(); });
    });
    QObject::connect(e, &QLineEdit::textEdited, e, [this](const QString&) { FModified = true; });
}

void TEdit::DestroyWnd() {
    // The text and selection outlive the window.
    auto* e = static_cast<QLineEdit*>(FHandle);
    FText = e->text();
    FSelStart = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    FSelLength = static_cast<int>(e->selectedText().size());
    TWinControl::DestroyWnd();
}

String TEdit::GetText() const {
    if (FHandle) return static_cast<QLineEdit*>(FHandle)->text();
    return FText;
}

void TEdit::SetTextValue(const String& Value) {
    String v = FMaxLength > 0 ? Value.left(FMaxLength) : Value;
    FText = v;
    if (FHandle) {
        static_cast<QLineEdit*>(FHandle)->setText(v);  // textChanged fires Change
    } else {
        FSelStart = static_cast<int>(v.size());
        FSelLength = 0;
        Change();
    }
    FModified = false;
}

void TEdit::Change() {
    if (OnChange) OnChange(this);
}

void TEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (FHandle) static_cast<QLineEdit*>(FHandle)->setReadOnly(Value);
}

void TEdit::SetPasswordChar(Char Value) {
    FPasswordChar = Value;
    if (FHandle) static_cast<QLineEdit*>(FHandle)->setEchoMode(Value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TEdit::SetMaxLength(int Value) {
    FMaxLength = std::max(0, Value);
    if (FHandle) static_cast<QLineEdit*>(FHandle)->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

int TEdit::SelStart() const {
    if (!FHandle) return FSelStart;
    auto* e = static_cast<QLineEdit*>(FHandle);
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TEdit::SetSelStart(int Value) {
    int len = static_cast<int>(Text().size());
    Value = std::clamp(Value, 0, len);
    if (!FHandle) {
        FSelStart = Value;
        FSelLength = 0;
        return;
    }
    static_cast<QLineEdit*>(FHandle)->setCursorPosition(Value);
}

int TEdit::SelLength() const {
    if (!FHandle) return FSelLength;
    return static_cast<int>(static_cast<QLineEdit*>(FHandle)->selectedText().size());
}

void TEdit::SetSelLength(int Value) {
    int start = SelStart();
    int len = static_cast<int>(Text().size());
    Value = std::clamp(Value, 0, len - start);
    if (!FHandle) {
        FSelLength = Value;
        return;
    }
    static_cast<QLineEdit*>(FHandle)->setSelection(start, Value);
}

String TEdit::SelText() const { return Text().mid(SelStart(), SelLength()); }

void TEdit::SetSelText(const String& Value) {
    if (FHandle) {
        static_cast<QLineEdit*>(FHandle)->insert(Value);
        return;
    }
    String t = FText;
    t.replace(FSelStart, FSelLength, Value);
    int caret = FSelStart + static_cast<int>(Value.size());
    SetTextValue(t);
    FSelStart = caret;
    FSelLength = 0;
}

void TEdit::SelectAll() {
    if (FHandle) static_cast<QLineEdit*>(FHandle)->selectAll();
    else {
        FSelStart = 0;
        FSelLength = static_cast<int>(FText.size());
    }
}

void TEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    }
    TWinControl::Dispatch(Message);
    // Entered by the keyboard (Tab, a shortcut, the form's first control), the text is selected,
    // so typing replaces it; a click puts the caret where it lands right after this.
    if (Message.Msg == CM_ENTER && FAutoSelect && FHandle) SelectAll();
}

// ================================================================================================
// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csSetCaption, csDoubleClicks};
    FWidth = 75;
    FHeight = 25;
    FTabStop = true;
    FColor = clBtnFace;
    FParentColor = false;
}

QWidget* TButton::CreateWidget(QWidget* ParentWidget) { return new TQtHost<QPushButton>(this, ParentWidget); }

void TButton::InitWidget() {
    auto* b = static_cast<QPushButton*>(FHandle);
    b->setText(FText);
    // Enter and Esc are the form's business (CM_DIALOGKEY), not Qt's default-button logic.
    b->setAutoDefault(false);
    b->setDefault(FDefault);
    TWinControl::InitWidget();
    QObject::connect(b, &QPushButton::clicked, b, [this] { GuardedCall(this, [this] { Click(); }); });
}

void TButton::TextChanged() {
    if (FHandle) static_cast<QPushButton*>(FHandle)->setText(FText);
}

void TButton::SetDefault(bool Value) {
    FDefault = Value;
    if (FHandle) static_cast<QPushButton*>(FHandle)->setDefault(Value);
}

void TButton::Click() {
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGKEY) {
        Word key = static_cast<Word>(Message.WParam);
        TShiftState shift = TShiftState::FromBits(static_cast<std::uint64_t>(Message.LParam));
        TCustomForm* f = GetParentForm(this);
        TWinControl* focused = f ? f->ActiveControl() : nullptr;
        // The default button acts on Enter while the focus is on no other button.
        bool active = focused == this || (FDefault && !(focused && focused->Is<TButton>()));
        if (((key == VK_RETURN && active) || (key == VK_ESCAPE && FCancel)) && shift.Empty() && CanFocus()) {
            Click();
            Message.Result = 1;
        }
        return;
    }
    TWinControl::Dispatch(Message);
}

// ================================================================================================
// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csSetCaption, csDoubleClicks};
    FWidth = 97;
    FHeight = 17;
    FTabStop = true;
}

QWidget* TCheckBox::CreateWidget(QWidget* ParentWidget) { return new TQtHost<QCheckBox>(this, ParentWidget); }

void TCheckBox::InitWidget() {
    auto* b = static_cast<QCheckBox*>(FHandle);
    b->setText(FText);
    b->setTristate(FAllowGrayed);
    b->setCheckState(FState == cbChecked ? Qt::Checked : FState == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    b->setLayoutDirection(FAlignment == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
    b->setAutoFillBackground(true);
    TWinControl::InitWidget();
    // A user click: the widget has already toggled; take its state and click.
    QObject::connect(b, &QCheckBox::clicked, b, [this, b] {
        GuardedCall(this, [this, b] {
            Qt::CheckState s = b->checkState();
            FState = s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
            Click();
        });
    });
}

void TCheckBox::SetState(TCheckBoxState Value) {
    if (FState == Value) return;
    FState = Value;
    if (FHandle)
        static_cast<QCheckBox*>(FHandle)->setCheckState(
            Value == cbChecked ? Qt::Checked : Value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    Click();
}

void TCheckBox::SetAllowGrayed(bool Value) {
    FAllowGrayed = Value;
    if (FHandle) static_cast<QCheckBox*>(FHandle)->setTristate(Value);
}

void TCheckBox::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    if (FHandle) FHandle->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::TextChanged() {
    if (FHandle) static_cast<QCheckBox*>(FHandle)->setText(FText);
}

// ================================================================================================
// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csSetCaption, csDoubleClicks};
    FWidth = 113;
    FHeight = 17;
}

QWidget* TRadioButton::CreateWidget(QWidget* ParentWidget) {
    return new TQtHost<QRadioButton>(this, ParentWidget);
}

void TRadioButton::InitWidget() {
    auto* b = static_cast<QRadioButton*>(FHandle);
    b->setText(FText);
    // The group logic is ours: the siblings of the same parent form the group.
    b->setAutoExclusive(false);
    b->setChecked(FChecked);
    b->setLayoutDirection(FAlignment == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
    b->setAutoFillBackground(true);
    TWinControl::InitWidget();
    QObject::connect(b, &QRadioButton::clicked, b, [this, b] {
        GuardedCall(this, [this, b] {
            b->setChecked(true);  // a checked radio button stays checked when clicked again
            SetChecked(true);
        });
    });
}

void TRadioButton::SetChecked(bool Value) {
    if (FChecked == Value) return;
    FChecked = Value;
    FTabStop = Value;
    if (FHandle) static_cast<QRadioButton*>(FHandle)->setChecked(Value);
    if (!Value) return;
    if (FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i) {
            TControl* c = FParent->Controls(i);
            if (c != this && c->Is<TRadioButton>()) static_cast<TRadioButton*>(c)->SetChecked(false);
        }
    Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    if (FHandle) FHandle->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TRadioButton::TextChanged() {
    if (FHandle) static_cast<QRadioButton*>(FHandle)->setText(FText);
}

// ================================================================================================
// TTimer

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { UpdateTimer(); }

TTimer::~TTimer() { DropTimer(); }

void TTimer::BeforeDestruction() {
    FEnabled = false;
    DropTimer();
    inherited::BeforeDestruction();
}

void TTimer::DropTimer() {
    if (!FTimer) return;
    FTimer->stop();
    FTimer->disconnect();
    // Deleting a timer inside its own timeout goes by deleteLater.
    if (gTimerFiring > 0) FTimer->deleteLater();
    else delete FTimer;
    FTimer = nullptr;
}

void TTimer::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
    if (FInterval == Value) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::Loaded() {
    inherited::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (FTimer) FTimer->stop();
    if (!FEnabled || FInterval == 0 || ComponentState().Contains(csLoading) ||
        ComponentState().Contains(csDestroying) || !QCoreApplication::instance())
        return;
    if (!FTimer) {
        FTimer = new QTimer();
        QObject::connect(FTimer, &QTimer::timeout, FTimer, [this] {
            ++gTimerFiring;
            GuardedCall(this, [this] { Timer(); });  // may free this timer
            --gTimerFiring;
        });
    }
    FTimer->start(static_cast<int>(std::max(FInterval, MinInterval)));
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(this);
}
