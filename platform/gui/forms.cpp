#include "platform/gui/forms.h"
#include "platform/gui/cursors.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/qthost.h"
#include "platform/rtl/apphooks.h"

#include "platform/gui/hints.h"
#include "platform/gui/menus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QStyleFactory>
#include <QWindow>

#include <algorithm>
#include <map>

namespace {

// The top-level host of a form.
class TFormWidget : public TQtHost<QWidget> {
public:
    explicit TFormWidget(TWinControl* C) : TQtHost<QWidget>(C, nullptr) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        SelfPainted = true;
    }
};

const std::map<int, int>& DefaultMetrics() {
    static const std::map<int, int> m = {
        {SM_CXVSCROLL, 17}, {SM_CYHSCROLL, 17}, {SM_CYVSCROLL, 17}, {SM_CXHSCROLL, 17},
        {SM_CYVTHUMB, 17}, {SM_CXHTHUMB, 17}, {SM_CYCAPTION, 19}, {SM_CXBORDER, 1},
        {SM_CYBORDER, 1}, {SM_CXDLGFRAME, 3}, {SM_CYDLGFRAME, 3}, {SM_CXFRAME, 4},
        {SM_CYFRAME, 4}, {SM_CXICON, 32}, {SM_CYICON, 32}, {SM_CYMENU, 19},
        {SM_CXDOUBLECLK, 4}, {SM_CYDOUBLECLK, 4}, {SM_CXEDGE, 2}, {SM_CYEDGE, 2},
        {SM_CYSMCAPTION, 15}, {SM_CXDRAG, 4}, {SM_CYDRAG, 4},
    };
    return m;
}

std::map<int, int> gMetricOverrides;
unsigned gDoubleClickTime = 500;

bool gPostRoutineAdded = false;

// Brings a top-level window to the front (the offscreen platform has no stacking to change).
void RaiseWindow(QWidget* W) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) W->raise();
    W->activateWindow();
}

// The visible top-level window of W, or nullptr.
QWidget* ShownWindow(QWidget* W) {
    W = W ? W->window() : nullptr;
    return W && W->isVisible() ? W : nullptr;
}

void QtApplicationGoing() {
    // The Qt application is going: free what the application owns while widgets can still go.
    if (Application) Application->DestroyComponents();
}

void EnsurePostRoutine() {
    if (gPostRoutineAdded || !QCoreApplication::instance()) return;
    gPostRoutineAdded = true;
    qAddPostRoutine(QtApplicationGoing);
}

}  // namespace

TScreen* Screen = New<TScreen>(nullptr);
TApplication* Application = New<TApplication>(nullptr);

namespace {
// Sends the message to every component owned by Component, at any depth, that is a control.
void PerformOnOwned(TComponent* Component, UINT Msg) {
    for (int i = 0; i < Component->ComponentCount(); ++i) {
        TComponent* c = Component->Components(i);
        if (c->Is<TControl>()) static_cast<TControl*>(c)->Perform(Msg, 0, 0);
        PerformOnOwned(c, Msg);
    }
}

// A long wait below the framework (a statement on the server): the windows keep painting, the
// user's input is held back except in windows marked live for waits (a progress window with its
// own Cancel button), and Escape asks for the wait to be cancelled.
class TLongWaitFilter : public QObject {
public:
    bool Escape = false;

    bool eventFilter(QObject* Object, QEvent* Event) override {
        switch (Event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::Close:
                break;
            default:
                return false;
        }
        if (auto* w = qobject_cast<QWidget*>(Object); w && w->window()->property(LiveInLongWaitsProperty).toBool())
            return false;
        if (Event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape)
            Escape = true;
        Event->ignore();
        return true;
    }
};

int gLongWaitDepth = 0;
TLongWaitFilter* gLongWaitFilter = nullptr;

void BeginLongWait() {
    if (!IsUIThread() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    if (gLongWaitDepth++ == 0) {
        gLongWaitFilter = new TLongWaitFilter;
        QCoreApplication::instance()->installEventFilter(gLongWaitFilter);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

bool PollLongWait() {
    if (!gLongWaitFilter || !IsUIThread()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // the filter may have gone with a wait that nested and ended inside the processing
    if (!gLongWaitFilter) return false;
    const bool escape = gLongWaitFilter->Escape;
    gLongWaitFilter->Escape = false;
    return escape;
}

void EndLongWait() {
    if (!gLongWaitFilter || !IsUIThread()) return;
    QApplication::restoreOverrideCursor();
    if (--gLongWaitDepth == 0) {
        delete gLongWaitFilter;
        gLongWaitFilter = nullptr;
    }
}

const bool gApplicationHandlesExceptions = [] {
    ApplicationHandleException = [](TObject* Sender) { Application->HandleException(Sender); };
    ApplicationBroadcastToForms = [](unsigned Msg) {
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* form = Screen->Forms(i);
            form->Perform(Msg, 0, 0);
            PerformOnOwned(form, Msg);
        }
    };
    LongWaitBegin = &BeginLongWait;
    LongWaitPoll = &PollLongWait;
    LongWaitEnd = &EndLongWait;
    return true;
}();
}  // namespace

// ---- system metrics ----------------------------------------------------------------------------

int GetSystemMetrics(int Index) {
    if (auto it = gMetricOverrides.find(Index); it != gMetricOverrides.end()) return it->second;
    if (Index == SM_CXSCREEN) return Screen->Width();
    if (Index == SM_CYSCREEN) return Screen->Height();
    auto& d = DefaultMetrics();
    auto it = d.find(Index);
    return it == d.end() ? 0 : it->second;
}

void SetSystemMetric(int Index, int Value) { gMetricOverrides[Index] = Value; }
void ResetSystemMetrics() { gMetricOverrides.clear(); }
unsigned GetDoubleClickTime() { return gDoubleClickTime; }
void SetDoubleClickTime(unsigned Milliseconds) { gDoubleClickTime = Milliseconds; }

// ---- owner windows -----------------------------------------------------------------------------

static QWidget* OwnerWindowFor(QWidget* Window, bool Modal) {
    QWidget* owner = ShownWindow(QApplication::activeModalWidget());
    if (!owner && Modal) {
        owner = ShownWindow(QApplication::activeWindow());
        if (!owner && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
            owner = ShownWindow(Screen->ActiveForm()->Handle());
    }
    if (!owner || owner == Window) return nullptr;
    // Never a loop of owners: a window that this one already owns cannot own it.
    for (QWindow* p = owner->windowHandle(); p; p = p->transientParent())
        if (p == Window->windowHandle()) return nullptr;
    return owner;
}

static void SetOwnerWindow(QWidget* Window, QWidget* Owner) {
    // A transient parent is given to the native window of a top-level widget.
    Window->winId();
    if (Owner) Owner->winId();
    if (QWindow* self = Window->windowHandle()) self->setTransientParent(Owner ? Owner->windowHandle() : nullptr);
}

QWidget* AttachToOwnerWindow(QWidget* Window, bool Modal) {
    QWidget* owner = OwnerWindowFor(Window, Modal);
    SetOwnerWindow(Window, owner);
    return owner;
}

void ReleaseOwnerWindow(QWidget* Window) {
    if (QWindow* self = Window->windowHandle()) self->setTransientParent(nullptr);
}

// ================================================================================================
// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
    FVisible = false;
    FColor = clBtnFace;
    FParentColor = false;
    FParentFont = false;
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 320;
    FHeight = 240;
    FFormState.Include(fsCreating);
}

TCustomForm::~TCustomForm() {
    if (Screen) Screen->RemoveForm(this);
}

void TCustomForm::AfterConstruction() {
    inherited::AfterConstruction();
    Screen->AddForm(this);
    FFormState.Exclude(fsCreating);
    DoCreate();
}

void TCustomForm::BeforeDestruction() {
    // OnDestroy runs while the form and its controls are whole, however the form goes (Free, its
    // owner, the application at shutdown).
    GuardedCall(this, [&] { DoDestroy(); });
    if (FModalLoop) FModalLoop->exit(0);
    Screen->RemoveForm(this);
    inherited::BeforeDestruction();
}

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
    if (OnDestroy) OnDestroy(this);
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

QWidget* TCustomForm::CreateWidget(QWidget*) { return new TFormWidget(this); }

void TCustomForm::InitWidget() {
    TWinControl::InitWidget();
    FHandle->setWindowTitle(FText);
    ApplyWindowFlags();
    BoundsChanged();
    SetIconName(FIconName);
}

int TCustomForm::MenuHeight() const { return FMenu ? GetSystemMetrics(SM_CYMENU) : 0; }

TPoint TCustomForm::ClientOffset() const { return TPoint(0, MenuHeight()); }

QSize TCustomForm::WidgetSize() const {
    TRect r = ClientRect();
    return QSize(std::max(1, r.Width()), std::max(1, r.Height() + MenuHeight()));
}

void TCustomForm::SetMenu(TMainMenu* Value) {
    if (FMenu == Value) return;
    bool hadMenu = FMenu != nullptr;
    if (FMenu) {
        FMenu->RemoveFreeNotification(this);
        if (FMenu->HandleAllocated() && FHandle && FMenu->Handle()->parentWidget() == FHandle) {
            FMenu->Handle()->hide();
            FMenu->Handle()->setParent(nullptr);
        }
    }
    FMenu = Value;
    if (FMenu) FMenu->FreeNotification(this);
    MenuChanged(hadMenu);
}

void TCustomForm::MenuChanged(bool HadMenu) {
    if (ComponentState().Contains(csDestroying)) return;
    // The client size stays: the window takes the menu bar's height on or off.
    if (HadMenu != (FMenu != nullptr)) {
        int delta = GetSystemMetrics(SM_CYMENU);
        SetBounds(FLeft, FTop, FWidth, FHeight + (FMenu ? delta : -delta));
        ClientOffsetChanged();
    }
    BoundsChanged();
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMenu) {
        // The menu is going and takes its bar with it.
        FMenu = nullptr;
        MenuChanged(true);
    }
}

void TCustomForm::PlaceMenuBar() {
    if (!FHandle || !FMenu) return;
    QWidget* bar = FMenu->Handle();
    if (bar->parentWidget() != FHandle) {
        if (auto* mb = qobject_cast<QMenuBar*>(bar)) mb->setNativeMenuBar(false);
        bar->setParent(FHandle);
    }
    bar->setGeometry(0, 0, std::max(1, ClientWidth()), MenuHeight());
    bar->raise();
    bar->show();
}

void TCustomForm::NonClient(int& Frame, int& Caption) const {
    switch (FBorderStyle) {
    case bsNone: Frame = 0; Caption = 0; return;
    case bsSingle:
    case bsDialog: Frame = GetSystemMetrics(SM_CXDLGFRAME); Caption = GetSystemMetrics(SM_CYCAPTION); return;
    case bsToolWindow: Frame = GetSystemMetrics(SM_CXDLGFRAME); Caption = GetSystemMetrics(SM_CYSMCAPTION); return;
    case bsSizeToolWin: Frame = GetSystemMetrics(SM_CXFRAME); Caption = GetSystemMetrics(SM_CYSMCAPTION); return;
    case bsSizeable: Frame = GetSystemMetrics(SM_CXFRAME); Caption = GetSystemMetrics(SM_CYCAPTION); return;
    }
}

TRect TCustomForm::ClientRect() const {
    int frame = 0, caption = 0;
    NonClient(frame, caption);
    return TRect(0, 0, std::max(0, FWidth - 2 * frame), std::max(0, FHeight - 2 * frame - caption - MenuHeight()));
}

TPoint TCustomForm::ClientOrigin() const {
    if (FHandle && FHandle->isVisible()) return TPoint::FromQPoint(FHandle->mapToGlobal(QPoint(0, MenuHeight())));
    int frame = 0, caption = 0;
    NonClient(frame, caption);
    return TPoint(FLeft + frame, FTop + frame + caption + MenuHeight());
}

bool TCustomForm::Showing() const { return FVisible && FHandle && FHandle->isVisible(); }

void TCustomForm::BoundsChanged() {
    if (!FHandle) return;
    FHandle->move(FLeft, FTop);
    if (FBorderStyle != bsSizeable && FBorderStyle != bsSizeToolWin) FHandle->setFixedSize(WidgetSize());
    else FHandle->resize(WidgetSize());
    PlaceMenuBar();
}

void TCustomForm::ApplyWindowFlags() {
    if (!FHandle) return;
    Qt::WindowFlags f = Qt::Window;
    switch (FBorderStyle) {
    case bsNone: f |= Qt::FramelessWindowHint; break;
    case bsDialog: f = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint; break;
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint; break;
    default:
        f |= Qt::WindowTitleHint;
        if (FBorderIcons.Contains(biSystemMenu)) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (FBorderIcons.Contains(biMinimize)) f |= Qt::WindowMinimizeButtonHint;
        if (FBorderIcons.Contains(biMaximize) && FBorderStyle == bsSizeable) f |= Qt::WindowMaximizeButtonHint;
        break;
    }
    if (FFormStyle == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    bool wasVisible = FHandle->isVisible();
    FHandle->setWindowFlags(f);
    if (FBorderStyle != bsSizeable && FBorderStyle != bsSizeToolWin) {
        FHandle->setFixedSize(WidgetSize());
    } else {
        FHandle->setMinimumSize(0, 0);
        FHandle->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (wasVisible) FHandle->show();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    ApplyWindowFlags();
    BoundsChanged();
    Realign();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    FBorderIcons = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (FFormStyle == Value) return;
    FFormStyle = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState Value) {
    FWindowState = Value;
    if (!FHandle || !FHandle->isVisible()) return;
    switch (Value) {
    case wsNormal: FHandle->showNormal(); break;
    case wsMinimized: FHandle->showMinimized(); break;
    case wsMaximized: FHandle->showMaximized(); break;
    }
}

void TCustomForm::SetIconName(const String& Name) {
    FIconName = Name;
    if (!FHandle || Name.isEmpty()) return;
    // Resource icons live in the Qt resource system (":/icons/<name>.png"); a missing one leaves
    // the default icon.
    for (const char* ext : {".png", ".ico", ".svg"}) {
        QString path = QStringLiteral(":/icons/") + Name + QString::fromLatin1(ext);
        if (QFileInfo::exists(path)) {
            FHandle->setWindowIcon(QIcon(path));
            return;
        }
    }
}

void TCustomForm::TextChanged() {
    if (FHandle) FHandle->setWindowTitle(FText);
}

void TCustomForm::ColorChanged() {
    TWinControl::ColorChanged();
}

void TCustomForm::PlaceWindow() {
    TRect wa = Screen->WorkAreaRect();
    auto centerOn = [&](const TRect& r) {
        SetBounds(r.Left + (r.Width() - FWidth) / 2, r.Top + (r.Height() - FHeight) / 2, FWidth, FHeight);
    };
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter: centerOn(wa); break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* over = FPosition == poMainFormCenter ? Application->MainForm() : nullptr;
        if (FPosition == poOwnerFormCenter && Owner() && Owner()->Is<TCustomForm>())
            over = static_cast<TCustomForm*>(Owner());
        if (over && over != this && over->Visible()) centerOn(over->BoundsRect());
        else centerOn(wa);
        break;
    }
    default: break;
    }
}

void TCustomForm::VisibleChanged() {
    if (FVisible) {
        HandleNeeded();
        FFormState.Include(fsShowing);
        try {
            PlaceWindow();
            DoShow();
        } catch (...) {
            FFormState.Exclude(fsShowing);
            FVisible = false;
            throw;
        }
        FFormState.Exclude(fsShowing);
        if (!FVisible || !FHandle) return;  // OnShow hid or freed the form
        JoinOwnerWindow();
        switch (FWindowState) {
        case wsMinimized: FHandle->showMinimized(); break;
        case wsMaximized: FHandle->showMaximized(); break;
        default: FHandle->show(); break;
        }
        RaiseWindow(FHandle);
        ActivateOnce();
    } else {
        bool wasShown = FHandle && FHandle->isVisible();
        if (wasShown) {
            FFormState.Include(fsShowing);
            try {
                DoHide();
            } catch (...) {
                FFormState.Exclude(fsShowing);
                FHandle->hide();
                FActivatedThisShowing = false;
                throw;
            }
            FFormState.Exclude(fsShowing);
            if (FHandle) FHandle->hide();
        }
        LeaveOwnerWindow();
        FActivatedThisShowing = false;
        if (Screen->ActiveForm() == this) {
            // The activation goes back to the form shown before; it does not run its OnActivate.
            TCustomForm* next = nullptr;
            for (int i = 0; i < Screen->FormCount(); ++i) {
                TCustomForm* f = Screen->Forms(i);
                if (f != this && f->Showing()) {
                    next = f;
                    break;
                }
            }
            Screen->SetActiveForm(next);
            if (next && next->FHandle) {
                next->FHandle->activateWindow();
                if (next->FFocusedControl && next->FFocusedControl->HandleAllocated())
                    next->FFocusedControl->Handle()->setFocus();
            }
        }
    }
}

void TCustomForm::JoinOwnerWindow() {
    const bool modal = FFormState.Contains(fsModal);
    QWidget* owner = OwnerWindowFor(FHandle, modal);
    // Under X11 the window manager learns a window's owner (WM_TRANSIENT_FOR) only for dialog
    // windows: an owned plain window shows as a dialog while it is owned.
    if (owner && (FHandle->windowFlags() & Qt::WindowType_Mask) == Qt::Window) {
        FHandle->setWindowFlags((FHandle->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
        FOwnedAsDialog = true;
    }
    SetOwnerWindow(FHandle, owner);
    // Shown from a modal window, the form is modal in its turn: the window beneath waits for it
    // (its handler may be waiting for this form to close), as a modal form shown over it would.
    if (owner && !modal && FHandle->windowModality() == Qt::NonModal) {
        FHandle->setWindowModality(Qt::ApplicationModal);
        FJoinedModality = true;
    }
}

void TCustomForm::LeaveOwnerWindow() {
    if (!FHandle) return;
    if (FJoinedModality) FHandle->setWindowModality(Qt::NonModal);
    FJoinedModality = false;
    ReleaseOwnerWindow(FHandle);
    if (FOwnedAsDialog) {
        FOwnedAsDialog = false;
        ApplyWindowFlags();
    }
}

void TCustomForm::ActivateOnce() {
    if (FActivatedThisShowing) return;
    FActivatedThisShowing = true;
    Screen->SetActiveForm(this);
    SetWindowFocus();
    Activate();
}

void TCustomForm::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (!Value) Deactivate();
}

void TCustomForm::SetWindowFocus() {
    TWinControl* c = FActiveControl;
    if (!c || !c->CanFocus()) c = FindNextControl(nullptr, true, true, false);
    if (!c) return;
    if (SetFocusedControl(c) && c->HandleAllocated()) c->Handle()->setFocus(Qt::OtherFocusReason);
}

void TCustomForm::Show() {
    SetVisible(true);
    if (FHandle && FVisible) RaiseWindow(FHandle);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FFormState.Contains(fsModal)) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

void TCustomForm::CloseModal() {
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
        if (action == caNone) FModalResult = mrNone;
        else if (action == caFree) Release();
    } catch (...) {
        FModalResult = mrNone;
        Application->HandleException(this);
    }
}

void TCustomForm::Release() {
    if (!PostMessage(Handle(), CM_RELEASE, 0, 0)) Free();
}

void TCustomForm::SetModalResult(int Value) {
    FModalResult = Value;
    if (Value != mrNone && FFormState.Contains(fsModal) && FModalLoop) FModalLoop->exit(0);
}

int TCustomForm::ShowModal() {
    if (FVisible || !FEnabled || FFormState.Contains(fsModal))
        throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    HandleNeeded();
    FFormState.Include(fsModal);
    FModalResult = mrNone;
    FHandle->setWindowModality(Qt::ApplicationModal);
    auto finish = [this] {
        FFormState.Exclude(fsModal);
        if (FHandle) FHandle->setWindowModality(Qt::NonModal);
    };
    try {
        Show();
        Responder()->ShowModal(this);
        Hide();
    } catch (...) {
        if (FVisible) {
            try {
                Hide();
            } catch (...) {
            }
        }
        finish();
        throw;
    }
    finish();
    return FModalResult;
}

void TCustomForm::RunModalLoop() {
    QEventLoop loop;
    FModalLoop = &loop;
    for (;;) {
        if (Application->Terminated()) {
            FModalResult = mrCancel;
            break;
        }
        if (FModalResult != mrNone) {
            CloseModal();
            if (FModalResult != mrNone) break;
            continue;
        }
        if (!FVisible) {  // hidden by its own code: the modal show is over
            if (FModalResult == mrNone) FModalResult = mrCancel;
            break;
        }
        Application->ExecLoop(loop);
    }
    FModalLoop = nullptr;
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    if (FActiveControl == Control) return;
    if (Control && (Control == this || GetParentForm(Control) != this ||
                    (!ComponentState().Contains(csLoading) && !Control->CanFocus())))
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    if (FActive && Control) {
        // SetFocusedControl moves ActiveControl, or keeps the old one when the exit is refused.
        if (SetFocusedControl(Control) && Control->HandleAllocated()) Control->Handle()->setFocus(Qt::OtherFocusReason);
    } else {
        FActiveControl = Control;
    }
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
    if (Control == FFocusedControl) {
        FActiveControl = Control;
        return true;
    }
    TWinControl* old = FFocusedControl;
    TWinControl* oldActive = FActiveControl;
    FFocusedControl = Control;
    FActiveControl = Control;
    try {
        for (TWinControl* c = old; c && c != this && !(Control && c->ContainsControl(Control)); c = c->Parent())
            c->Perform(CM_EXIT);
    } catch (...) {
        // The exit handler refused: the focus stays where it was.
        FFocusedControl = old;
        FActiveControl = oldActive;
        if (old && old->HandleAllocated()) old->Handle()->setFocus(Qt::OtherFocusReason);
        throw;
    }
    std::vector<TWinControl*> enter;
    for (TWinControl* c = Control; c && c != this && !(old && c->ContainsControl(old)); c = c->Parent())
        enter.push_back(c);
    for (auto it = enter.rbegin(); it != enter.rend(); ++it) {
        if (FFocusedControl != Control) break;  // an enter handler moved the focus on
        (*it)->Perform(CM_ENTER);
    }
    return true;
}

void TCustomForm::FocusControl(TWinControl* Control) {
    bool wasActive = FActive;
    SetActiveControl(Control);
    if (!wasActive) SetFocus();
    else if (Control && FFocusedControl != Control) {
        if (SetFocusedControl(Control) && Control->HandleAllocated()) Control->Handle()->setFocus(Qt::OtherFocusReason);
    }
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
    if (!Control) return;
    if (Control->ContainsControl(FActiveControl)) FActiveControl = Removing ? nullptr : Control->Parent();
    if (Control->ContainsControl(FFocusedControl)) FFocusedControl = nullptr;
    if (FActiveControl == this) FActiveControl = nullptr;
}

bool TCustomForm::Focused() const { return FActive && !FFocusedControl; }

void TCustomForm::SetFocus() {
    if (!FActive) {
        if (!(FVisible && FEnabled))
            throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
        Screen->SetActiveForm(this);
        if (FHandle) FHandle->activateWindow();
        SetWindowFocus();
    }
}

bool TCustomForm::CanFocus() const { return FVisible && FEnabled; }

void TCustomForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGKEY: {
        Word key = static_cast<Word>(Message.WParam);
        TShiftState shift = TShiftState::FromBits(static_cast<std::uint64_t>(Message.LParam));
        if (key == VK_TAB && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
            SelectNext(FActiveControl, !shift.Contains(ssShift), true);
            Message.Result = 1;
            return;
        }
        if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
            if (FActiveControl && FActiveControl->Parent()) {
                FActiveControl->Parent()->SelectNext(FActiveControl, key == VK_RIGHT || key == VK_DOWN, false);
                Message.Result = 1;
            }
            return;
        }
        TWinControl::Dispatch(Message);
        return;
    }
    case CM_RELEASE: Free(); return;
    case WM_THEMECHANGED:
        if (Application && Application->MainForm() == this && Screen)
            for (int i = 0; i < Screen->FormCount(); ++i) {
                TCustomForm* f = Screen->Forms(i);
                if (!f->HandleAllocated()) continue;
                f->Handle()->update();
                for (QWidget* w : f->Handle()->findChildren<QWidget*>()) w->update();
            }
        TWinControl::Dispatch(Message);
        return;
    default: TWinControl::Dispatch(Message); return;
    }
}

bool TCustomForm::HostEvent(QEvent* Event) {
    switch (Event->type()) {
    case QEvent::Close:
        // The window's close button: the framework's Close decides.
        Event->ignore();
        Close();
        return true;
    case QEvent::WindowActivate:
        if (FVisible) {
            if (!FActivatedThisShowing) ActivateOnce();
            else Screen->SetActiveForm(this);
        }
        return false;
    case QEvent::Resize:
        if (Event->spontaneous()) {
            int frame = 0, caption = 0;
            NonClient(frame, caption);
            QSize s = FHandle->size();
            SetBounds(FLeft, FTop, s.width() + 2 * frame, s.height() + 2 * frame + caption);
        }
        return false;
    case QEvent::Move:
        if (Event->spontaneous()) {
            QPoint p = FHandle->pos();
            FLeft = p.x();
            FTop = p.y();
        }
        return false;
    default: return TWinControl::HostEvent(Event);
    }
}

// ================================================================================================
// TDataModule

void TDataModule::AfterConstruction() {
    inherited::AfterConstruction();
    Screen->AddDataModule(this);
    if (OnCreate) OnCreate(this);
}

void TDataModule::BeforeDestruction() {
    GuardedCall(this, [&] {
        if (OnDestroy) OnDestroy(this);
    });
    Screen->RemoveDataModule(this);
    inherited::BeforeDestruction();
}

// ================================================================================================
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

void TApplication::Initialize(int& argc, char** argv) {
    if (!QCoreApplication::instance()) FQtApplication.reset(new QApplication(argc, argv));
    Initialize();
}

void TApplication::Initialize() {
    EnsurePostRoutine();
    // Both are made on first use as well (the first hint window, menu or action list); the
    // application starts them so that input is watched from the first window on.
    InstallHintHandling();
    InstallShortCutHandling();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // The classic look: Qt's plain built-in style, not the desktop's theme.
        if (QStyle* s = QStyleFactory::create(QStringLiteral("Windows"))) app->setStyle(s);
    }
    if (FTitle.isEmpty() && QCoreApplication::instance()) FTitle = QCoreApplication::applicationName();
}

void TApplication::InstanceCreated(TComponent* Instance) {
    EnsurePostRoutine();
    if (!FMainForm && Instance->Is<TCustomForm>()) FMainForm = static_cast<TCustomForm*>(Instance);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
    EnsurePostRoutine();
    if (FTerminated) return;
    if (FMainForm && FShowMainForm) {
        try {
            FMainForm->Show();
        } catch (...) {
            HandleException(this);
        }
    }
    QEventLoop loop;
    while (!FTerminated) ExecLoop(loop);
}

void TApplication::Terminate() {
    FTerminated = true;
    for (QEventLoop* l : FLoops) l->exit(0);
}

void TApplication::ExecLoop(QEventLoop& Loop) {
    if (FTerminated) return;
    FLoops.push_back(&Loop);
    Loop.exec();
    FLoops.erase(std::remove(FLoops.begin(), FLoops.end(), &Loop), FLoops.end());
}

void TApplication::ProcessMessages() {
    if (!QCoreApplication::instance() || !IsUIThread()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (HostEventDepth() == 0) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TApplication::HandleMessage() {
    if (!QCoreApplication::instance() || !IsUIThread()) return;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    DoIdle();
}

void TApplication::DoIdle() {
    if (!OnIdle) return;
    bool done = true;
    GuardedCall(this, [&] { OnIdle(this, done); });
}

void TApplication::HandleException(TObject* Sender) {
    auto report = [&](const Exception& E) {
        try {
            if (OnException) OnException(Sender, E);
            else ShowException(E);
        } catch (...) {
            // Showing the error failed as well: nothing more can be done here.
        }
    };
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const Exception& E) {
        report(E);
    } catch (const std::exception& E) {
        report(Exception(QString::fromUtf8(E.what())));
    } catch (...) {
        report(Exception(String()));
    }
}

void TApplication::ShowException(const Exception& E) {
    String msg = E.Message();
    if (!msg.isEmpty() && msg.back() > QLatin1Char('.')) msg += QLatin1Char('.');
    MessageBox(msg, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const String& Text, const String& Caption, unsigned Flags) {
    return Responder()->Message(MessageBoxRequest(Text, Caption, Flags));
}

const String& TApplication::ExeName() const {
    static String name;
    if (name.isEmpty() && QCoreApplication::instance()) name = QCoreApplication::applicationFilePath();
    return name;
}

void DoneApplication() {
    if (!Application) return;
    Application->DestroyComponents();
    // The owner frees its components without telling itself: the main form is gone as well.
    Application->FMainForm = nullptr;
    // Deleting the Qt application runs its post routines, which find nothing more to free.
    Application->FQtApplication.reset();
}

void HandleGuardedException(TObject* Sender) {
    if (Application) Application->HandleException(Sender);
}

// ================================================================================================
// TScreen

HWND TApplication::Handle() const {
    return FMainForm && FMainForm->HandleAllocated() ? const_cast<TCustomForm*>(FMainForm)->Handle() : nullptr;
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() {
    for (auto& [index, handle] : FCursorTable) DestroyCursor(handle);
    DestroyCursor(FDefaultCursor);
}

TCursorHandle* TScreen::Cursors(int Index) const {
    auto it = std::lower_bound(FCursorTable.begin(), FCursorTable.end(), Index,
                               [](const auto& e, int i) { return e.first < i; });
    if (it != FCursorTable.end() && it->first == Index) return it->second;
    // Made on first use: the screen exists before the Qt application does.
    if (!FDefaultCursor) FDefaultCursor = LoadCursor(nullptr, IDC_ARROW);
    return FDefaultCursor;
}

void TScreen::SetCursors(int Index, TCursorHandle* Handle) {
    auto it = std::lower_bound(FCursorTable.begin(), FCursorTable.end(), Index,
                               [](const auto& e, int i) { return e.first < i; });
    bool found = it != FCursorTable.end() && it->first == Index;
    if (found && it->second == Handle) return;
    if (Index == 0 || (!found && !Handle)) {
        if (Index == 0 && Handle) {
            DestroyCursor(FDefaultCursor);
            FDefaultCursor = Handle;
        }
    } else if (found) {
        DestroyCursor(it->second);
        if (Handle) it->second = Handle;
        else FCursorTable.erase(it);
    } else {
        FCursorTable.insert(it, {Index, Handle});
    }
    // Windows showing this number (or, for the default, any registered-free number) change now.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        for (QWidget* w : QApplication::allWidgets())
            if (auto* c = FindControl(w); c && c->Cursor() > 0 && (Index == 0 || c->Cursor() == Index))
                w->setCursor(CursorToQCursor(c->Cursor()));
}

TCustomForm* TScreen::Forms(int Index) const {
    if (Index < 0 || Index >= FormCount()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FForms[static_cast<size_t>(Index)];
}

TDataModule* TScreen::DataModules(int Index) const {
    if (Index < 0 || Index >= DataModuleCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FDataModules[static_cast<size_t>(Index)];
}

TWinControl* TScreen::ActiveControl() const { return FActiveForm ? FActiveForm->ActiveControl() : nullptr; }

void TScreen::AddForm(TCustomForm* F) {
    if (std::find(FForms.begin(), FForms.end(), F) == FForms.end()) FForms.push_back(F);
}

void TScreen::RemoveForm(TCustomForm* F) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), F), FForms.end());
    if (FActiveForm == F) FActiveForm = nullptr;
}

void TScreen::AddDataModule(TDataModule* D) { FDataModules.push_back(D); }

void TScreen::RemoveDataModule(TDataModule* D) {
    FDataModules.erase(std::remove(FDataModules.begin(), FDataModules.end(), D), FDataModules.end());
}

void TScreen::SetActiveForm(TCustomForm* F) {
    if (FActiveForm == F) return;
    TCustomForm* old = FActiveForm;
    FActiveForm = F;
    if (F) {
        // The most recently activated form goes first.
        FForms.erase(std::remove(FForms.begin(), FForms.end(), F), FForms.end());
        FForms.insert(FForms.begin(), F);
        F->FActive = true;
    }
    if (old) old->SetActive(false);
}

void TScreen::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui && FCursor != crDefault) QGuiApplication::restoreOverrideCursor();
    FCursor = Value;
    if (gui && Value != crDefault)
        QGuiApplication::setOverrideCursor(CursorToQCursor(Value));
}

int TScreen::Width() const {
    if (auto* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr)
        return s->geometry().width();
    return 1024;
}

int TScreen::Height() const {
    if (auto* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr)
        return s->geometry().height();
    return 768;
}

TRect TScreen::WorkAreaRect() const {
    if (FWorkAreaSet) return FWorkArea;
    if (auto* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr)
        return TRect::FromQRect(s->availableGeometry());
    return TRect(0, 0, 1024, 768);
}

TFont* TScreen::HintFont() const {
    if (!FHintFont) const_cast<TScreen*>(this)->FHintFont.reset(New<TFont>());
    return FHintFont.get();
}

TFont* TScreen::MenuFont() const {
    if (!FMenuFont) const_cast<TScreen*>(this)->FMenuFont.reset(New<TFont>());
    return FMenuFont.get();
}
