#include "platform/gui/hints.h"
#include "platform/gui/qthost.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace {

int gHintHidePause = 2500;

// The hint control the mouse rests over, the pause timer, and the window.
class THintManager : public QObject {
public:
    THintManager() {
        FShowTimer.setSingleShot(true);
        FHideTimer.setSingleShot(true);
        QObject::connect(&FShowTimer, &QTimer::timeout, this, [this] { Show(); });
        QObject::connect(&FHideTimer, &QTimer::timeout, this, [this] { Hide(); });
    }
    ~THintManager() override;

    bool eventFilter(QObject* Watched, QEvent* E) override {
        switch (E->type()) {
        case QEvent::ToolTip:
            // The framework's windows show their hints through the manager, not Qt's tool tips.
            return Watched->isWidgetType() && HostLink(static_cast<QWidget*>(Watched));
        case QEvent::MouseMove: {
            TWinControl* c = ControlOf(Watched);
            if (!c) return false;
            auto* me = static_cast<QMouseEvent*>(E);
            if (me->buttons() != Qt::NoButton) return false;
            TPoint p = c->WidgetToClient(TPoint::FromQPoint(me->position().toPoint()));
            TControl* over = c->ControlAtPos(p, false, false);
            if (!over) over = c;
            TPoint local = over == c ? p : TPoint(p.X - over->Left(), p.Y - over->Top());
            MouseOver(over, local, TPoint::FromQPoint(me->globalPosition().toPoint()));
            return false;
        }
        case QEvent::Leave:
            if (ControlOf(Watched) && FControl) {
                // Leaving a window for one of its children is not leaving the hint control.
                QWidget* under = QApplication::widgetAt(QCursor::pos());
                if (!under || !static_cast<QWidget*>(Watched)->isAncestorOf(under)) Cancel();
            }
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::Wheel:
            if (FControl || FShowTimer.isActive()) Cancel(E->type() == QEvent::KeyPress || E->type() == QEvent::Wheel);
            return false;
        default: return false;
        }
    }

    void MouseOver(TControl* Over, const TPoint& Local, const TPoint& Screen) {
        TControl* hc = GetHintControl(Over);
        FCursor = Screen;
        if (hc == FControl) {
            // Still over the same control: a hint shown for a part (CursorRect) is redone when the
            // mouse leaves that part.
            if (FShowing && !FCursorRect.IsEmpty()) {
                TPoint p = hc->ScreenToClient(Screen);
                if (!FCursorRect.Contains(p)) {
                    Hide();
                    FShowTimer.start(std::max(10, Application ? Application->HintPause() : 500));
                }
            }
            return;
        }
        Hide();
        SetControl(hc);
        (void)Local;
        if (hc) FShowTimer.start(std::max(10, Application ? Application->HintPause() : 500));
        else FShowTimer.stop();
    }

    void ActivateAt(const TPoint& Screen) {
        FCursor = Screen;
        QWidget* w = QApplication::widgetAt(Screen.ToQPoint());
        TControl* over = nullptr;
        for (; w && !over; w = w->parentWidget()) {
            if (THostLink* l = HostLink(w); l && l->Control) {
                TPoint p = l->Control->ScreenToClient(Screen);
                over = l->Control->ControlAtPos(p, false, false);
                if (!over) over = l->Control;
            }
        }
        Hide();
        SetControl(GetHintControl(over));
        Show();
    }

    void Show() {
        FShowTimer.stop();
        TControl* c = FControl;
        if (!c) return;
        THintInfo info;
        info.HintControl = c;
        info.CursorPos = c->ScreenToClient(FCursor);
        info.CursorRect = c->ClientRect();
        info.HintMaxWidth = Screen ? std::min(300, Screen->Width() > 0 ? Screen->Width() : 300) : 300;
        info.HintPos = TPoint(FCursor.X, FCursor.Y + 20);
        info.HintStr = GetShortHint(c->Hint());
        info.HideTimeout = gHintHidePause;
        LRESULT refused = 0;
        GuardedCall(c, [&] { refused = c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)); });
        if (refused != 0 || info.HintStr.isEmpty() || FControl != c) return;
        THintWindow* hw = HintWindow();
        hw->SetColor(info.HintColor);
        TRect r = hw->CalcHintRect(info.HintMaxWidth, info.HintStr);
        r.Offset(info.HintPos.X, info.HintPos.Y);
        hw->ActivateHint(r, info.HintStr);
        FShowing = true;
        FCursorRect = info.CursorRect;
        if (info.HideTimeout > 0) FHideTimer.start(info.HideTimeout);
    }

    void Hide() {
        FHideTimer.stop();
        if (FShowing && gWindow) gWindow->ReleaseHandle();
        FShowing = false;
    }

    void Cancel(bool KeepControl = false) {
        FShowTimer.stop();
        Hide();
        if (!KeepControl) SetControl(nullptr);
    }

    void SetControl(TControl* C) {
        if (FControl == C) return;
        if (FControl) FControl->RemoveFreeNotification(FWatcher);
        FControl = C;
        if (FControl) FControl->FreeNotification(FWatcher);
    }

    void ControlFreed(TComponent* C) {
        if (C == FControl) {
            FControl = nullptr;
            Cancel();
        }
        if (C == gWindow) gWindow = nullptr;
    }

    static TWinControl* ControlOf(QObject* Watched) {
        if (!Watched->isWidgetType()) return nullptr;
        THostLink* l = HostLink(static_cast<QWidget*>(Watched));
        if (!l || !l->Control || l->Control->Is<THintWindow>()) return nullptr;
        return l->Control;
    }

    TComponent* FWatcher = nullptr;
    static inline THintWindow* gWindow = nullptr;

private:
    QTimer FShowTimer;
    QTimer FHideTimer;
    TControl* FControl = nullptr;
    TPoint FCursor;
    TRect FCursorRect;
    bool FShowing = false;
};

THintManager* gManager = nullptr;

// Clears the manager's references to freed components.
class THintWatcher : public TComponent {
    SDELKA_CLASS(THintWatcher, TComponent)
protected:
    THintWatcher() : TComponent(nullptr) {}
    ~THintWatcher() override = default;

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && gManager) gManager->ControlFreed(AComponent);
    }
};

THintManager::~THintManager() {
    if (gManager == this) gManager = nullptr;
    TComponent* w = FWatcher;
    FWatcher = nullptr;
    FControl = nullptr;
    if (w) w->Free();
}

THintManager* Manager() {
    InstallHintHandling();
    return gManager;
}

}  // namespace

void InstallHintHandling() {
    if (gManager || !QCoreApplication::instance()) return;
    gManager = new THintManager;
    gManager->setParent(QCoreApplication::instance());
    gManager->FWatcher = New<THintWatcher>();
    QCoreApplication::instance()->installEventFilter(gManager);
}

String GetShortHint(const String& Hint) {
    qsizetype i = Hint.indexOf(u'|');
    return i < 0 ? Hint : Hint.left(i);
}

String GetLongHint(const String& Hint) {
    qsizetype i = Hint.indexOf(u'|');
    return i < 0 ? Hint : Hint.mid(i + 1);
}

TControl* GetHintControl(TControl* Control) {
    TControl* c = Control;
    while (c && !c->ShowHint()) c = c->Parent();
    if (c && c->ComponentState().Contains(csDesigning)) c = nullptr;
    return c;
}

void ActivateHint(const TPoint& CursorPos) {
    if (THintManager* m = Manager()) m->ActivateAt(CursorPos);
}

void CancelHint() {
    if (gManager) gManager->Cancel();
}

THintWindow* HintWindow() {
    if (!THintManager::gWindow) {
        THintManager::gWindow = New<THintWindow>(Application);
        if (THintManager* m = Manager()) THintManager::gWindow->FreeNotification(m->FWatcher);
    }
    return THintManager::gWindow;
}

// The manager watches from the start of the program.
Q_COREAPP_STARTUP_FUNCTION(InstallHintHandling)

int HintHidePause() { return gHintHidePause; }
void SetHintHidePause(int Value) { gHintHidePause = Value; }

// ================================================================================================
// THintWindow

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    FColor = clInfoBk;
    FParentColor = false;
    FParentFont = false;
    if (Screen) FFont->Assign(Screen->HintFont());
    FFont->SetColor(clInfoText);
    FVisible = false;
    InstallHintHandling();
}

QWidget* THintWindow::CreateWidget(QWidget* ParentWidget) {
    QWidget* w = TCustomControl::CreateWidget(ParentWidget);
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    return w;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const String& AHint) {
    TMeasureDC dc(Screen ? Screen->PixelsPerInch() : 96);
    dc.SelectFont(Font()->LogFont());
    TRect r(0, 0, MaxWidth, 0);
    DrawText(&dc, AHint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void THintWindow::ActivateHint(const TRect& Rect, const String& AHint) {
    SetCaption(AHint);
    TRect r = Rect;
    // Kept on the screen's work area.
    if (Screen) {
        TRect wa = Screen->WorkAreaRect();
        if (!wa.IsEmpty()) {
            if (r.Right > wa.Right) r.Offset(wa.Right - r.Right, 0);
            if (r.Left < wa.Left) r.Offset(wa.Left - r.Left, 0);
            if (r.Bottom > wa.Bottom) r.Offset(0, wa.Bottom - r.Bottom);
            if (r.Top < wa.Top) r.Offset(0, wa.Top - r.Top);
        }
    }
    SetBoundsRect(r);
    QWidget* w = Handle();
    w->setGeometry(r.ToQRect());
    FVisible = true;
    w->show();
    w->update();
}

void THintWindow::ReleaseHandle() {
    FVisible = false;
    if (HandleAllocated()) Handle()->hide();
}

bool THintWindow::IsHintShowing() const { return FHandle && FHandle->isVisible(); }

void THintWindow::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    TLogBrush frame;
    frame.lbColor = ColorToRGB(clWindowFrame);
    dc->FrameRect(r, frame);
    r.Inflate(-1, -1);
    TLogBrush face;
    face.lbColor = ColorToRGB(FColor);
    dc->FillRect(r, face);
    dc->SelectFont(Font()->LogFont());
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(ColorToRGB(Font()->Color()));
    TRect t = ClientRect();
    t.Left += 2;
    t.Top += 1;
    DrawText(dc, Caption(), t, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
