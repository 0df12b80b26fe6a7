#include "platform/gui/rangectrls.h"
#include "platform/gui/qthost.h"

#include "platform/gui/dialogs.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QValidator>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>
#include <cmath>

// ================================================================================================
// TScrollBar

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csFramed, csDoubleClicks, csOpaque};
    FWidth = 121;
    FHeight = GetSystemMetrics(SM_CYHSCROLL);
    FTabStop = true;
}

QScrollBar* TScrollBar::Bar() const { return static_cast<QScrollBar*>(FHandle); }

QWidget* TScrollBar::CreateWidget(QWidget* ParentWidget) {
    return new TQtHost<QScrollBar>(this, FKind == sbHorizontal ? Qt::Horizontal : Qt::Vertical, ParentWidget);
}

int TScrollBar::MaxPosition() const { return FPageSize > 0 ? std::max(FMin, FMax - FPageSize + 1) : FMax; }

void TScrollBar::UpdateWidget() {
    if (!FHandle) return;
    ++FSyncing;
    QScrollBar* b = Bar();
    b->setRange(FMin, MaxPosition());
    b->setSingleStep(std::max(1, FSmallChange));
    // The thumb covers PageSize positions (Qt sizes it by the page step).
    b->setPageStep(std::max(1, FPageSize > 0 ? FPageSize : FLargeChange));
    b->setValue(FPosition);
    --FSyncing;
}

void TScrollBar::InitWidget() {
    QScrollBar* b = Bar();
    UpdateWidget();
    TWinControl::InitWidget();
    QObject::connect(b, &QAbstractSlider::actionTriggered, b, [this, b](int Action) {
        if (FSyncing) return;
        GuardedCall(this, [this, b, Action] {
            TScrollCode code;
            switch (Action) {
            case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
            case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
            case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
            case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
            case QAbstractSlider::SliderToMinimum: code = scTop; break;
            case QAbstractSlider::SliderToMaximum: code = scBottom; break;
            case QAbstractSlider::SliderMove: code = scTrack; break;
            default: return;
            }
            DoScroll(code, b->sliderPosition());
            // Key actions end at once; mouse actions when the button is released.
            if (code != scTrack && QApplication::mouseButtons() == Qt::NoButton) DoScroll(scEndScroll);
        });
        // Our position wins over the one Qt computed.
        if (FHandle == b) {
            ++FSyncing;
            b->setSliderPosition(FPosition);
            --FSyncing;
        }
    });
    QObject::connect(b, &QAbstractSlider::sliderReleased, b, [this, b] {
        GuardedCall(this, [this, b] {
            DoScroll(scPosition, b->sliderPosition());
            DoScroll(scEndScroll);
        });
    });
}

bool TScrollBar::HostEvent(QEvent* Event) {
    bool r = TWinControl::HostEvent(Event);
    if (Event->type() == QEvent::MouseButtonRelease && FHandle && !Bar()->isSliderDown()) DoScroll(scEndScroll);
    return r;
}

void TScrollBar::SetKind(TScrollBarKind Value) {
    if (FKind == Value) return;
    FKind = Value;
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
    if (AMax < AMin || AMax - AMin + 1 < FPageSize)
        throw EInvalidOperation(QStringLiteral("Scroll bar property out of range"));
    FMin = AMin;
    FMax = AMax;
    APosition = std::clamp(APosition, FMin, MaxPosition());
    bool moved = APosition != FPosition;
    FPosition = APosition;
    UpdateWidget();
    if (moved) Change();
}

void TScrollBar::SetPageSize(int Value) {
    if (Value == FPageSize) return;
    if (Value < 0 || Value > FMax - FMin + 1) throw EInvalidOperation(QStringLiteral("Scroll bar property out of range"));
    FPageSize = Value;
    SetParams(FPosition, FMin, FMax);
}

void TScrollBar::DoScroll(TScrollCode Code, int TrackPos) {
    int pos = FPosition;
    switch (Code) {
    case scLineUp: pos -= FSmallChange; break;
    case scLineDown: pos += FSmallChange; break;
    case scPageUp: pos -= FLargeChange; break;
    case scPageDown: pos += FLargeChange; break;
    case scPosition:
    case scTrack: pos = TrackPos; break;
    case scTop: pos = FMin; break;
    case scBottom: pos = MaxPosition(); break;
    case scEndScroll: break;
    }
    pos = std::clamp(pos, FMin, MaxPosition());
    Scroll(Code, pos);
    SetPosition(pos);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos) {
    if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::Change() {
    if (OnChange) OnChange(this);
}

// ================================================================================================
// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = 45;
    FTabStop = true;
}

QSlider* TTrackBar::Slider() const { return static_cast<QSlider*>(FHandle); }

QWidget* TTrackBar::CreateWidget(QWidget* ParentWidget) { return new TQtHost<QSlider>(this, ParentWidget); }

void TTrackBar::UpdateWidget() {
    if (!FHandle) return;
    ++FSyncing;
    QSlider* s = Slider();
    s->setOrientation(FOrientation == trHorizontal ? Qt::Horizontal : Qt::Vertical);
    // A vertical track bar has its minimum at the top.
    s->setInvertedAppearance(FOrientation == trVertical);
    s->setRange(FMin, FMax);
    s->setSingleStep(FLineSize);
    s->setPageStep(FPageSize);
    s->setTickInterval(FFrequency);
    QSlider::TickPosition tp = QSlider::NoTicks;
    if (FTickStyle != tsNone) {
        switch (FTickMarks) {
        case tmBottomRight: tp = QSlider::TicksBelow; break;
        case tmTopLeft: tp = QSlider::TicksAbove; break;
        case tmBoth: tp = QSlider::TicksBothSides; break;
        }
    }
    s->setTickPosition(tp);
    s->setValue(FPosition);
    --FSyncing;
}

void TTrackBar::InitWidget() {
    UpdateWidget();
    TWinControl::InitWidget();
    QSlider* s = Slider();
    QObject::connect(s, &QSlider::valueChanged, s, [this](int V) {
        if (FSyncing || V == FPosition) return;
        GuardedCall(this, [this, V] {
            FPosition = V;
            Changed();
        });
    });
}

void TTrackBar::SetMin(int Value) {
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    UpdateWidget();
    SetPosition(FPosition);
}

void TTrackBar::SetMax(int Value) {
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    UpdateWidget();
    SetPosition(FPosition);
}

void TTrackBar::SetPosition(int Value) {
    Value = std::clamp(Value, FMin, FMax);
    if (Value == FPosition) return;
    FPosition = Value;
    UpdateWidget();
    Changed();
}

void TTrackBar::SetFrequency(int Value) { FFrequency = Value; UpdateWidget(); }
void TTrackBar::SetLineSize(int Value) { FLineSize = Value; UpdateWidget(); }
void TTrackBar::SetPageSize(int Value) { FPageSize = Value; UpdateWidget(); }
void TTrackBar::SetTickStyle(TTickStyle Value) { FTickStyle = Value; UpdateWidget(); }
void TTrackBar::SetTickMarks(TTickMark Value) { FTickMarks = Value; UpdateWidget(); }

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
    if (FOrientation == Value) return;
    FOrientation = Value;
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    UpdateWidget();
}

void TTrackBar::Changed() {
    if (OnChange) OnChange(this);
}

// ================================================================================================
// TUpDown

namespace {
String GroupThousands(int Value) {
    String digits = QString::number(std::abs(static_cast<long long>(Value)));
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, FormatSettings.ThousandSeparator);
    return Value < 0 ? u'-' + digits : digits;
}
}  // namespace

TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csCaptureMouse, csOpaque};
    FWidth = GetSystemMetrics(SM_CXVSCROLL);
    FHeight = GetSystemMetrics(SM_CYVSCROLL) * 2;
    FColor = clBtnFace;
    FParentColor = false;
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

void TUpDown::SetAssociate(TWinControl* Value) {
    if (Value == FAssociate) return;
    if (Value) {
        if (Value == this || Value->ContainsControl(this) || Value->Is<TCustomForm>())
            throw EInvalidOperation(QStringLiteral("Cannot associate an up-down with '%1'").arg(Value->Name()));
        if (FParent)
            for (int i = 0; i < FParent->ControlCount(); ++i) {
                auto* other = dynamic_cast<TUpDown*>(FParent->Controls(i));
                if (other && other != this && other->Associate() == Value)
                    throw Exception(QStringLiteral("'%1' is already associated with '%2'").arg(Value->Name(), other->Name()));
            }
    }
    FAssociate = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    PlaceBeside();
    UpdateAssociate();
}

void TUpDown::PlaceBeside() {
    if (!FAssociate || FOrientation != udVertical) return;
    TWinControl* a = FAssociate;
    int w = FWidth;
    if (FAlignButton == udRight) {
        a->SetWidth(a->Width() - w);
        SetBounds(a->Left() + a->Width(), a->Top(), w, a->Height());
    } else {
        SetBounds(a->Left(), a->Top(), w, a->Height());
        a->SetBounds(a->Left() + w, a->Top(), a->Width() - w, a->Height());
    }
}

void TUpDown::UpdateAssociate() {
    if (!FAssociate) return;
    FAssociate->SetText(FThousands ? GroupThousands(FPosition) : IntToStr(FPosition));
}

void TUpDown::ReadAssociate() {
    if (!FAssociate) return;
    String t = FAssociate->Text();
    t.remove(FormatSettings.ThousandSeparator);
    t.remove(u' ');
    t.remove(QChar(0x00A0));
    int v;
    if (TryStrToInt(t, v)) FPosition = std::clamp(v, FMin, FMax);
}

int TUpDown::Position() const {
    const_cast<TUpDown*>(this)->ReadAssociate();
    return FPosition;
}

void TUpDown::SetPosition(int Value) {
    FPosition = std::clamp(Value, FMin, FMax);
    UpdateAssociate();
}

void TUpDown::SetMin(int Value) {
    FMin = Value;
    if (FPosition < FMin) SetPosition(FMin);
    Invalidate();
}

void TUpDown::SetMax(int Value) {
    FMax = Value;
    if (FPosition > FMax) SetPosition(FMax);
    Invalidate();
}

void TUpDown::SetThousands(bool Value) {
    FThousands = Value;
    UpdateAssociate();
}

void TUpDown::SetAlignButton(TUDAlignButton Value) { FAlignButton = Value; }

void TUpDown::SetOrientation(TUDOrientation Value) {
    if (FOrientation == Value) return;
    FOrientation = Value;
    SetBounds(FLeft, FTop, FHeight, FWidth);
    Invalidate();
}

bool TUpDown::CanChange(int NewValue, TUpDownDirection Direction) {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (OnChangingEx) OnChangingEx(this, allow, static_cast<SmallInt>(NewValue), Direction);
    return allow;
}

void TUpDown::DoButtonClick(TUDBtnType Button) {
    ReadAssociate();
    long long nv = static_cast<long long>(FPosition) + (Button == btNext ? FIncrement : -FIncrement);
    if (nv > FMax) nv = FWrap ? FMin : FMax;
    if (nv < FMin) nv = FWrap ? FMax : FMin;
    if (!CanChange(static_cast<int>(nv), Button == btNext ? updUp : updDown)) return;
    FPosition = static_cast<int>(nv);
    UpdateAssociate();
    ClickButton(Button);
}

void TUpDown::ClickButton(TUDBtnType Button) {
    if (OnClick) OnClick(this, Button);
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FEnabled) return;
    TUDBtnType b;
    if (FOrientation == udVertical) b = Y < FHeight / 2 ? btNext : btPrev;
    else b = X < FWidth / 2 ? btPrev : btNext;
    FPressed = b;
    Invalidate();
    DoButtonClick(b);
}

void TUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FPressed = -1;
    Invalidate();
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TUpDown::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r1, r2;  // first: up or left; second: down or right
    unsigned k1, k2;
    int p1, p2;
    if (FOrientation == udVertical) {
        r1 = TRect(0, 0, FWidth, FHeight / 2);
        r2 = TRect(0, FHeight / 2, FWidth, FHeight);
        k1 = DFCS_SCROLLUP;
        k2 = DFCS_SCROLLDOWN;
        p1 = btNext;
        p2 = btPrev;
    } else {
        r1 = TRect(0, 0, FWidth / 2, FHeight);
        r2 = TRect(FWidth / 2, 0, FWidth, FHeight);
        k1 = DFCS_SCROLLLEFT;
        k2 = DFCS_SCROLLRIGHT;
        p1 = btPrev;
        p2 = btNext;
    }
    unsigned dis = FEnabled ? 0 : DFCS_INACTIVE;
    DrawFrameControl(dc, r1, DFC_SCROLL, k1 | dis | (FPressed == p1 ? DFCS_PUSHED : 0));
    DrawFrameControl(dc, r2, DFC_SCROLL, k2 | dis | (FPressed == p2 ? DFCS_PUSHED : 0));
}

// ================================================================================================
// TDateTimePicker

namespace {
// The edit with its inner line edit reachable (for the check box margin).
class TPickerHost : public TQtHost<QDateTimeEdit> {
public:
    TPickerHost(TWinControl* C, QWidget* Parent) : TQtHost<QDateTimeEdit>(C, Parent) {}
    QLineEdit* Line() const { return lineEdit(); }
};
}  // namespace

// Watches the calendar's popup window: shown is the drop-down, hidden the close-up.
class TPickerPopupWatch : public QObject {
public:
    TPickerPopupWatch(QObject* Parent, TDateTimePicker* P) : QObject(Parent), FPicker(P) {}
    TDateTimePicker* FPicker;

protected:
    bool eventFilter(QObject* W, QEvent* E) override {
        auto* link = HostLink(static_cast<QWidget*>(parent()));
        if (!link || !link->Control) return QObject::eventFilter(W, E);
        if (E->type() == QEvent::Show && !FPicker->FDroppedDown) {
            FPicker->FDroppedDown = true;
            FPicker->DropTyping();
            GuardedCall(FPicker, [this] { FPicker->DropDown(); });
        } else if (E->type() == QEvent::Hide && FPicker->FDroppedDown) {
            FPicker->FDroppedDown = false;
            // The pick has been taken over by now (the calendar sets the date before closing).
            GuardedCall(FPicker, [this] { FPicker->CloseUp(); });
        }
        return QObject::eventFilter(W, E);
    }
};

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 186;
    FHeight = 21;
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
    FDateTime = Now();
}

QDateTimeEdit* TDateTimePicker::Edit() const { return static_cast<QDateTimeEdit*>(FHandle); }

QWidget* TDateTimePicker::CreateWidget(QWidget* ParentWidget) { return new TPickerHost(this, ParentWidget); }

String TDateTimePicker::QtDisplayFormat(const String& Format) {
    String out;
    bool afterHour = false;
    for (int i = 0; i < Format.size();) {
        Char c = Format[i];
        Char lc = c.toLower();
        int n = 1;
        while (i + n < Format.size() && Format[i + n].toLower() == lc && lc != u'\'' && lc != u'"') ++n;
        if (c == u'\'' || c == u'"') {
            int j = static_cast<int>(Format.indexOf(c, i + 1));
            if (j < 0) j = static_cast<int>(Format.size());
            out += u'\'' + Format.mid(i + 1, j - i - 1) + u'\'';
            i = j + 1;
            continue;
        }
        if (lc == u'd') out += String(std::min(n, 4), u'd');
        else if (lc == u'm') out += afterHour ? String(std::min(n, 2), u'm') : String(std::min(n, 4), u'M');
        else if (lc == u'y') out += n <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
        else if (lc == u'h') out += String(std::min(n, 2), u'h');
        else if (lc == u'n') out += String(std::min(n, 2), u'm');
        else if (lc == u's') out += String(std::min(n, 2), u's');
        else if (lc == u'z') out += n >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
        else if (c == u'/') out += FormatSettings.DateSeparator;
        else if (c == u':') out += FormatSettings.TimeSeparator;
        else if (c.isLetter()) out += u'\'' + String(n, c) + u'\'';
        else out += String(n, c);
        if (lc == u'h') afterHour = true;
        else if (lc != u'm' && c.isLetter()) afterHour = false;
        i += n;
    }
    return out;
}

void TDateTimePicker::UpdateWidget() {
    if (!FHandle) return;
    DropTyping();
    ++FSyncing;
    QDateTimeEdit* e = Edit();
    QDateTime q = DateTimeToQDateTime(FDateTime);
    e->setMinimumDate(FMinDate != 0 ? DateTimeToQDateTime(FMinDate).date() : QDate(100, 1, 1));
    e->setMaximumDate(FMaxDate != 0 ? DateTimeToQDateTime(FMaxDate).date() : QDate(9999, 12, 31));
    e->setDate(q.date());
    e->setTime(q.time());
    --FSyncing;
}

void TDateTimePicker::InitWidget() {
    QDateTimeEdit* e = Edit();
    ++FSyncing;
    e->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    e->setCalendarPopup(FKind == dtkDate && FDateMode == dmComboBox);
    String fmt = FKind == dtkTime ? FormatSettings.LongTimeFormat
                                  : (FDateFormat == dfShort ? FormatSettings.ShortDateFormat : FormatSettings.LongDateFormat);
    e->setDisplayFormat(QtDisplayFormat(fmt));
    --FSyncing;
    UpdateWidget();
    if (FShowCheckbox) {
        auto* box = new QCheckBox(e);
        box->setChecked(FChecked);
        box->setGeometry(3, std::max(0, (FHeight - 16) / 2), 16, 16);
        static_cast<TPickerHost*>(e)->Line()->setTextMargins(18, 0, 0, 0);
        QObject::connect(box, &QCheckBox::toggled, e, [this](bool On) {
            if (FSyncing) return;
            GuardedCall(this, [this, On] {
                FChecked = On;
                Change();
            });
        });
    }
    TWinControl::InitWidget();
    if (e->calendarPopup()) {
        QCalendarWidget* cal = e->calendarWidget();
        cal->setFirstDayOfWeek(Qt::Monday);
        cal->window()->installEventFilter(new TPickerPopupWatch(e, this));
    }
    QObject::connect(e, &QDateTimeEdit::dateTimeChanged, e, [this](const QDateTime&) {
        if (!FSyncing) GuardedCall(this, [this] { WidgetChanged(); });
    });
}

void TDateTimePicker::WidgetChanged() {
    QDateTimeEdit* e = Edit();
    TDateTime d = QDateToDateTime(e->date());
    TDateTime t = static_cast<double>(e->time().msecsSinceStartOfDay()) / MSecsPerDay;
    TDateTime v = FKind == dtkDate ? d + TimeOf(FDateTime) : DateOf(FDateTime) + t;
    if (d < 0) v = d - TimeOf(FDateTime);
    if (v == FDateTime) return;
    FDateTime = v;
    Change();
}

void TDateTimePicker::CheckRange(TDateTime Value) const {
    double day = std::floor(Value);
    if (FMaxDate != 0 && day > std::floor(FMaxDate))
        throw EDateTimeError(QStringLiteral("Date exceeds maximum of %1").arg(DateToStr(FMaxDate)));
    if (FMinDate != 0 && day < std::floor(FMinDate))
        throw EDateTimeError(QStringLiteral("Date is less than minimum of %1").arg(DateToStr(FMinDate)));
}

void TDateTimePicker::SetDateTime(TDateTime Value) {
    CheckRange(Value);
    FDateTime = Value;
    UpdateWidget();
}

TDate TDateTimePicker::Date() const { return DateOf(FDateTime); }
void TDateTimePicker::SetDate(TDate Value) { SetDateTime(DateOf(Value) + TimeOf(FDateTime)); }
TTime TDateTimePicker::Time() const { return TimeOf(FDateTime); }
void TDateTimePicker::SetTime(TTime Value) { SetDateTime(DateOf(FDateTime) + TimeOf(Value)); }

void TDateTimePicker::SetKind(TDateTimeKind Value) {
    if (FKind == Value) return;
    FKind = Value;
    RecreateWnd();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat Value) {
    if (FDateFormat == Value) return;
    FDateFormat = Value;
    RecreateWnd();
}

void TDateTimePicker::SetDateMode(TDTDateMode Value) {
    if (FDateMode == Value) return;
    FDateMode = Value;
    RecreateWnd();
}

void TDateTimePicker::SetMinDate(TDate Value) {
    if (Value != 0 && FMaxDate != 0 && Value > FMaxDate)
        throw EDateTimeError(QStringLiteral("Date exceeds maximum of %1").arg(DateToStr(FMaxDate)));
    FMinDate = Value;
    if (Value != 0 && FDateTime < DateOf(Value)) FDateTime = DateOf(Value) + TimeOf(FDateTime);
    UpdateWidget();
}

void TDateTimePicker::SetMaxDate(TDate Value) {
    if (Value != 0 && FMinDate != 0 && Value < FMinDate)
        throw EDateTimeError(QStringLiteral("Date is less than minimum of %1").arg(DateToStr(FMinDate)));
    FMaxDate = Value;
    if (Value != 0 && std::floor(FDateTime) > std::floor(Value)) FDateTime = DateOf(Value) + TimeOf(FDateTime);
    UpdateWidget();
}

void TDateTimePicker::SetShowCheckbox(bool Value) {
    if (FShowCheckbox == Value) return;
    FShowCheckbox = Value;
    RecreateWnd();
}

void TDateTimePicker::SetChecked(bool Value) {
    FChecked = Value;
    if (FHandle)
        if (auto* box = FHandle->findChild<QCheckBox*>()) {
            ++FSyncing;
            box->setChecked(Value);
            --FSyncing;
        }
}

void TDateTimePicker::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS;
        return;
    }
    TWinControl::Dispatch(Message);
}

// ---- typing a date section by section

namespace {
int DaysInMonth(int Month, int Year) {
    if (Month < 1 || Month > 12) return 31;
    const QDate d(Year >= 1 ? Year : 2000, Month, 1);
    return d.isValid() ? d.daysInMonth() : 31;
}
}  // namespace

bool TDateTimePicker::TypesSections() const {
    if (FKind != dtkDate || FDateFormat != dfShort || !FHandle) return false;
    QDateTimeEdit* e = Edit();
    const String fmt = e->displayFormat();
    if (fmt.contains(QStringLiteral("ddd")) || fmt.contains(QStringLiteral("MMM"))) return false;
    for (int i = 0; i < e->sectionCount(); ++i) {
        const QDateTimeEdit::Section k = e->sectionAt(i);
        if (k != QDateTimeEdit::DaySection && k != QDateTimeEdit::MonthSection && k != QDateTimeEdit::YearSection) return false;
    }
    return e->sectionCount() > 0;
}

bool TDateTimePicker::HostEvent(QEvent* Event) {
    if (!TypesSections()) return TWinControl::HostEvent(Event);
    switch (Event->type()) {
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(Event);
        // Enter with a date that does not exist: refused here, the default button is not pressed
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && FTyping) {
            RefuseTyped();
            return true;
        }
        if (TWinControl::HostEvent(Event)) return true;
        return TypeKey(k);
    }
    case QEvent::KeyRelease:
        // the edit would read a date that does not exist back into one of its own
        if (TWinControl::HostEvent(Event)) return true;
        return FTyping;
    case QEvent::FocusOut:
        // before the edit reads its own text back
        if (FTyping) RefuseTyped();
        FDigits.clear();
        FRun = false;
        return TWinControl::HostEvent(Event);
    case QEvent::FocusIn:
        FDigits.clear();
        FRun = false;
        return TWinControl::HostEvent(Event);
    default: return TWinControl::HostEvent(Event);
    }
}

void TDateTimePicker::StartTyping() {
    if (!FRun) {
        FRun = true;
        FRunFrom = Edit()->date().toJulianDay();
    }
    if (FTyping) return;
    const QDate d = Edit()->date();
    FTypedDay = d.day();
    FTypedMonth = d.month();
    FTypedYear = d.year();
    FYearPartial = false;
    if (FDigits.isEmpty()) FSection = std::max(0, Edit()->currentSectionIndex());
}

bool TDateTimePicker::TypeKey(QKeyEvent* E) {
    if (E->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    QDateTimeEdit* e = Edit();
    const int key = E->key();
    const int last = e->sectionCount() - 1;
    StartTyping();
    FSection = std::clamp(FSection, 0, last);
    const QDateTimeEdit::Section kind = e->sectionAt(FSection);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        FDigits += QChar(u'0' + (key - Qt::Key_0));
        const int n = FDigits.toInt();
        bool done;
        if (kind == QDateTimeEdit::YearSection) {
            FTypedYear = n;
            done = FDigits.size() >= 4;
            FYearPartial = !done;
        } else {
            const int max = kind == QDateTimeEdit::DaySection ? 31 : 12;
            (kind == QDateTimeEdit::DaySection ? FTypedDay : FTypedMonth) = n;
            done = FDigits.size() >= 2 || n * 10 > max;
        }
        const bool lastDone = done && FSection == last;
        if (done) {
            FDigits.clear();
            FSection = std::min(FSection + 1, last);
        }
        Settle(lastDone);
        return true;
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = key == Qt::Key_Up ? 1 : -1;
        if (FYearPartial) {
            FTypedYear = e->date().year();
            FYearPartial = false;
        }
        FDigits.clear();
        if (kind == QDateTimeEdit::DaySection) {
            const int days = DaysInMonth(FTypedMonth, FTypedYear);
            const int d = std::clamp(FTypedDay, 1, days);
            FTypedDay = (d - 1 + step + days) % days + 1;
        } else if (kind == QDateTimeEdit::MonthSection) {
            const int m = std::clamp(FTypedMonth, 1, 12);
            FTypedMonth = (m - 1 + step + 12) % 12 + 1;
            FTypedDay = std::clamp(FTypedDay, 1, DaysInMonth(FTypedMonth, FTypedYear));
        } else {
            const int y = FTypedYear + step;
            if (y < e->minimumDate().year() || y > e->maximumDate().year()) return true;
            FTypedYear = y;
            FTypedDay = std::clamp(FTypedDay, 1, DaysInMonth(FTypedMonth, FTypedYear));
        }
        Settle(false);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
        FDigits.clear();
        FSection = std::clamp(FSection + (key == Qt::Key_Right ? 1 : -1), 0, last);
        Settle(false);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        const int section = FSection;
        DropTyping();
        FSection = section;
        Settle(false);
        return true;
    }
    default: break;
    }
    const String text = E->text();
    if (text.isEmpty() || text[0] < QChar(32)) return false;  // Home, End, Escape … as the edit has them
    // a separator ends the section typed into; any other character is not part of a date
    if (!FDigits.isEmpty() && !text[0].isLetterOrNumber()) {
        FDigits.clear();
        const bool lastDone = FSection == last;
        FSection = std::min(FSection + 1, last);
        Settle(lastDone);
    }
    return true;
}

bool TDateTimePicker::TypedDateValid() const {
    if (FYearPartial || !QDate::isValid(FTypedYear, FTypedMonth, FTypedDay)) return false;
    const QDate d(FTypedYear, FTypedMonth, FTypedDay);
    return d >= Edit()->minimumDate() && d <= Edit()->maximumDate();
}

void TDateTimePicker::Settle(bool Last) {
    QDateTimeEdit* e = Edit();
    if (!TypedDateValid()) {
        if (Last) {
            RefuseTyped();
            return;
        }
        FTyping = true;
        ShowTyped();
        return;
    }
    const bool was = FTyping;
    FTyping = false;
    if (Last) FRun = false;
    const QDate d(FTypedYear, FTypedMonth, FTypedDay);
    auto* line = static_cast<TPickerHost*>(e)->Line();
    if (was) {
        QPalette p = line->palette();
        p.setColor(QPalette::Text, e->palette().color(QPalette::Text));
        line->setPalette(p);
    }
    if (e->date() != d) {
        e->setDate(d);  // the user's edit: OnChange through the edit's own signal
    } else if (was) {
        const QSignalBlocker block(line);
        line->setText(e->locale().toString(d, e->displayFormat()));
    }
    if (!FHandle) return;  // an OnChange handler may have taken the window away
    e->setCurrentSectionIndex(FSection);
    e->setSelectedSection(e->sectionAt(FSection));
}

String TDateTimePicker::TypedText(int* SectionStart, int* SectionLength) const {
    const String fmt = Edit()->displayFormat();
    String out;
    int section = 0;
    for (int i = 0; i < fmt.size();) {
        const QChar c = fmt[i];
        if (c == u'\'') {
            int j = static_cast<int>(fmt.indexOf(u'\'', i + 1));
            if (j < 0) j = static_cast<int>(fmt.size());
            out += fmt.mid(i + 1, j - i - 1);
            i = j + 1;
            continue;
        }
        int n = 1;
        while (i + n < fmt.size() && fmt[i + n] == c) ++n;
        String part;
        if (c == u'd') part = QString::number(FTypedDay).rightJustified(n >= 2 ? 2 : 1, u'0');
        else if (c == u'M') part = QString::number(FTypedMonth).rightJustified(n >= 2 ? 2 : 1, u'0');
        else if (c == u'y') {
            if (FYearPartial) part = FDigits;
            else if (n >= 4) part = QString::number(FTypedYear).rightJustified(4, u'0');
            else part = QString::number(FTypedYear % 100).rightJustified(2, u'0');
        } else {
            out += String(n, c);
            i += n;
            continue;
        }
        if (section == FSection) {
            if (SectionStart) *SectionStart = static_cast<int>(out.size());
            if (SectionLength) *SectionLength = static_cast<int>(part.size());
        }
        out += part;
        ++section;
        i += n;
    }
    return out;
}

void TDateTimePicker::ShowTyped() {
    auto* line = static_cast<TPickerHost*>(Edit())->Line();
    int start = 0, length = 0;
    const String text = TypedText(&start, &length);
    // the edit must neither read a half-typed date as its value nor mend it into one of its own
    const QSignalBlocker block(line);
    const QValidator* validator = line->validator();
    line->setValidator(nullptr);
    line->setText(text);
    line->setValidator(validator);
    QPalette p = line->palette();
    p.setColor(QPalette::Text, Qt::red);
    line->setPalette(p);
    line->setSelection(start, length);
}

void TDateTimePicker::DropTyping() {
    FDigits.clear();
    FRun = false;
    if (!FTyping && !FYearPartial) return;
    FTyping = false;
    FYearPartial = false;
    if (!FHandle) return;
    QDateTimeEdit* e = Edit();
    auto* line = static_cast<TPickerHost*>(e)->Line();
    const QSignalBlocker block(line);
    QPalette p = line->palette();
    p.setColor(QPalette::Text, e->palette().color(QPalette::Text));
    line->setPalette(p);
    line->setText(e->locale().toString(e->date(), e->displayFormat()));
    const QDate d = e->date();
    FTypedDay = d.day();
    FTypedMonth = d.month();
    FTypedYear = d.year();
}

void TDateTimePicker::RefuseTyped() {
    const String typed = TypedText();
    const bool run = FRun;
    DropTyping();
    // the date from before the typing comes back (a change again when a part was taken meanwhile)
    if (run && FHandle && Edit()->date().toJulianDay() != FRunFrom) Edit()->setDate(QDate::fromJulianDay(FRunFrom));
    if (FHandle) {
        Edit()->setCurrentSectionIndex(FSection);
        Edit()->setSelectedSection(Edit()->sectionAt(FSection));
    }
    MessageBox(nullptr, QStringLiteral("Неверная дата: %1").arg(typed), QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
}

void TDateTimePicker::Change() {
    if (OnChange) OnChange(this);
}

void TDateTimePicker::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

void TDateTimePicker::DropDown() {
    if (OnDropDown) OnDropDown(this);
}
