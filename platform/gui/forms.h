// Forms, data modules, the application object and the screen.
//
// Application (global) runs the message loop over Qt's, creates the long-lived forms, and shows
// every exception that escapes a call from Qt through the responder. Screen (global) knows the
// forms and data modules, the active form, the cursor, and the injectable screen values
// (pixels per inch, work area).
//
// Form events: OnCreate in AfterConstruction (after the constructor built the controls), OnShow
// before the window appears, OnActivate once per showing (a modal child or a message box closing
// over the form does not run it again), OnDeactivate when another form takes the activation or the
// form hides, OnHide, OnCloseQuery/OnClose on Close, OnDestroy first thing when freed.
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/modalresults.h"

#include <functional>
#include <memory>
#include <vector>

class QApplication;
class QEventLoop;
class TMainMenu;
struct TCursorHandle;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon, 4>;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsActivated };
using TFormState = TSet<TFormStateItem, 8>;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
    SDELKA_CLASS(TCustomForm, TWinControl)
protected:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- window
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // Icon by resource name; an unknown name keeps the default icon silently.
    const String& IconName() const { return FIconName; }
    void SetIconName(const String& Name);
    const TFormState& FormState() const { return FFormState; }
    // The main menu, shown as a menu bar across the top of the window, above the client area.
    // Attaching or removing it keeps the client size: the window grows or shrinks by the menu
    // bar's height (SM_CYMENU).
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* Value);
    // Client area: the window less its frame, caption and menu bar (GetSystemMetrics).
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    // Below the menu bar when the form has a menu.
    TPoint ClientOffset() const override;
    bool Showing() const override;

    // ---- showing and closing
    void Show();
    void Hide() { SetVisible(false); }
    void Close();
    virtual bool CloseQuery();
    // Shows the form modally through the responder and returns its ModalResult.
    virtual int ShowModal();
    int ModalResult() const { return FModalResult; }
    // Setting a non-zero result on a modal form ends its modal loop.
    void SetModalResult(int Value);
    // The modal loop of the default responder: runs until ModalResult is set and the form agrees
    // to close, or the application terminates (then mrCancel).
    void RunModalLoop();
    // Asks OnCloseQuery/OnClose whether the modal form may go; resets ModalResult when not.
    void CloseModal();
    // Frees the form once the current event is done.
    void Release();
    bool Active() const { return FActive; }

    // ---- focus
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    // The focus moved to Control: CM_EXIT (DoExit) to the old chain, which may refuse by raising,
    // then CM_ENTER (DoEnter) to the new one, outermost first.
    bool SetFocusedControl(TWinControl* Control);
    void FocusControl(TWinControl* Control);
    void DefocusControl(TWinControl* Control, bool Removing);
    bool Focused() const override;
    void SetFocus() override;

    bool CanFocus() const override;
    bool HostEvent(QEvent* Event) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void Dispatch(TMessage& Message) override;
    void BoundsChanged() override;
    void VisibleChanged() override;
    void TextChanged() override;
    void ColorChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();

private:
    friend class TScreen;
    friend class TApplication;
    void NonClient(int& Frame, int& Caption) const;
    int MenuHeight() const;
    // The size of the widget: the client area and the menu bar above it.
    QSize WidgetSize() const;
    // Puts the menu's bar into the window, across the top.
    void PlaceMenuBar();
    // The menu was attached or removed.
    void MenuChanged(bool HadMenu);
    void PlaceWindow();
    void ApplyWindowFlags();
    void SetWindowFocus();
    void ActivateOnce();
    void SetActive(bool Value);
    // Gives the window its owner before it shows (AttachToOwnerWindow) and, shown from a modal
    // window, modality of its own; LeaveOwnerWindow undoes both when it hides.
    void JoinOwnerWindow();
    void LeaveOwnerWindow();

    TMainMenu* FMenu = nullptr;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    String FIconName;
    TFormState FFormState;
    int FModalResult = 0;
    bool FActive = false;
    bool FActivatedThisShowing = false;
    bool FJoinedModality = false;  // made modal by JoinOwnerWindow for this showing
    bool FOwnedAsDialog = false;   // shown as a dialog window by JoinOwnerWindow
    TWinControl* FActiveControl = nullptr;   // the control that has or will get the focus
    TWinControl* FFocusedControl = nullptr;  // the control that was last entered (DoEnter)
    QEventLoop* FModalLoop = nullptr;
};

class TForm : public TCustomForm {
    SDELKA_CLASS(TForm, TCustomForm)
protected:
    ~TForm() override = default;
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

class TDataModule : public TComponent {
    SDELKA_CLASS(TDataModule, TComponent)
protected:
    explicit TDataModule(TComponent* AOwner) : TComponent(AOwner) {}
    ~TDataModule() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
};

using TExceptionEvent = TEvent<void(TObject* Sender, const Exception& E)>;
using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
    SDELKA_CLASS(TApplication, TComponent)
protected:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

public:
    // Classic look: the plain built-in widget style, so drawing does not follow the desktop theme;
    // the hint manager and the shortcut handling of menus and action lists watch the input.
    void Initialize();
    // The same for the program's entry point: first makes the Qt application from the command line
    // when there is none yet (DoneApplication frees it).
    void Initialize(int& argc, char** argv);
    // Creates a form or data module owned by the application. The reference is set before the
    // instance's AfterConstruction (so OnCreate of the instance already sees it), and cleared when
    // construction fails. The first form whose construction finishes becomes the main form: a form
    // created from another form's OnCreate finishes first and wins.
    template <class T>
    void CreateForm(T*& Reference) {
        try {
            T* Instance = sdelka_detail::TObjectFactory::Make<T>([&](T* p) { Reference = p; }, this);
            InstanceCreated(Instance);
        } catch (...) {
            Reference = nullptr;
            throw;
        }
    }
    // Shows the main form and runs the message loop until Terminate (closing the main form).
    void Run();
    // Ends the message loop and every nested modal or message-box loop.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // A new run after a terminated one (tests, restarts).
    void CancelTerminate() { FTerminated = false; }
    // Handles the waiting events and posted messages; a no-op off the UI thread.
    void ProcessMessages();
    // Waits for one event and handles it (and the idle work).
    void HandleMessage();
    // Shows the exception being handled (call inside a catch block): OnException, or ShowException;
    // EAbort is silent.
    void HandleException(TObject* Sender);
    // A message box with the application's title, the message (a full stop added when it ends in a
    // letter or digit) and the error icon.
    void ShowException(const Exception& E);
    int MessageBox(const String& Text, const String& Caption, unsigned Flags = MB_OK);

    const String& Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }
    TCustomForm* MainForm() const { return FMainForm; }
    // The application window: the main form's window stands for it on this platform (nullptr until
    // the main form has one). WM_THEMECHANGED there repaints every open form.
    HWND Handle() const;
    bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
    void SetMainFormOnTaskBar(bool Value) { FMainFormOnTaskBar = Value; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }
    int HintPause() const { return FHintPause; }
    void SetHintPause(int Value) { FHintPause = Value; }
    const String& ExeName() const;

    // Runs a nested loop that Terminate ends as well; returns at once when already terminated.
    void ExecLoop(QEventLoop& Loop);
    int LoopDepth() const { return static_cast<int>(FLoops.size()); }

    TExceptionEvent OnException;
    TIdleEvent OnIdle;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void InstanceCreated(TComponent* Instance);
    void DoIdle();
    String FTitle;
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FMainFormOnTaskBar = false;
    bool FShowMainForm = true;
    int FHintPause = 500;
    bool FHandlingException = false;
    std::vector<QEventLoop*> FLoops;
    std::unique_ptr<QApplication> FQtApplication;  // made by Initialize(argc, argv)
    friend void DoneApplication();
};

// The end of the program, after the main loop: frees what the application owns (its forms and
// data modules) and then the Qt application that Initialize(argc, argv) made.
void DoneApplication();

// During a long wait below the framework (a statement on the server, see LongWaitBegin in
// platform/rtl/apphooks.h) the application shows the wait cursor, keeps painting and holds back
// the user's input, watching for Escape; a top-level window whose widget has this property set
// to true (a progress window with a Cancel button) keeps its input during such waits.
inline constexpr const char* LiveInLongWaitsProperty = "sdelkaLiveInLongWaits";

class TScreen : public TComponent {
    SDELKA_CLASS(TScreen, TComponent)
protected:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

public:
    // The forms, most recently activated first.
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int Index) const;
    int CustomFormCount() const { return FormCount(); }
    TCustomForm* CustomForms(int Index) const { return Forms(Index); }
    int DataModuleCount() const { return static_cast<int>(FDataModules.size()); }
    TDataModule* DataModules(int Index) const;

    TCustomForm* ActiveForm() const { return FActiveForm; }
    TCustomForm* ActiveCustomForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const;

    // The application-wide cursor: anything but crDefault overrides every window's cursor until
    // set back to crDefault.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // The table of numbered cursors (platform/gui/cursors.h): index 0 is the default arrow, and
    // every index nobody registered answers that same handle. Setting an index hands the handle to
    // the screen, which destroys the one it replaces (and its own at the end); setting nullptr puts
    // the default back. Controls showing that number pick up the new cursor.
    TCursorHandle* Cursors(int Index) const;
    void SetCursors(int Index, TCursorHandle* Handle);

    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    int Width() const;
    int Height() const;
    // The work area of the primary monitor (the desktop less task bars); injectable.
    TRect WorkAreaRect() const;
    void SetWorkAreaRect(const TRect& R) { FWorkArea = R; FWorkAreaSet = true; }
    void ResetWorkAreaRect() { FWorkAreaSet = false; }
    TFont* HintFont() const;
    TFont* MenuFont() const;

private:
    friend class TCustomForm;
    friend class TDataModule;
    void AddForm(TCustomForm* F);
    void RemoveForm(TCustomForm* F);
    void AddDataModule(TDataModule* D);
    void RemoveDataModule(TDataModule* D);
    void SetActiveForm(TCustomForm* F);

    std::vector<TCustomForm*> FForms;
    std::vector<TDataModule*> FDataModules;
    TCustomForm* FActiveForm = nullptr;
    TCursor FCursor = crDefault;
    std::vector<std::pair<int, TCursorHandle*>> FCursorTable;  // sorted by index
    mutable TCursorHandle* FDefaultCursor = nullptr;
    int FPixelsPerInch = 96;
    TRect FWorkArea;
    bool FWorkAreaSet = false;
    TOwned<TFont> FHintFont;
    TOwned<TFont> FMenuFont;
};

extern TApplication* Application;
extern TScreen* Screen;

// ---- system metrics (injectable) ---------------------------------------------------------------
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME;
constexpr int SM_CYFIXEDFRAME = SM_CYDLGFRAME;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CYMENU = 15;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;

// Fixed classic values (screen size from Screen); SetSystemMetric overrides one, ResetSystemMetrics
// puts the defaults back.
int GetSystemMetrics(int Index);
void SetSystemMetric(int Index, int Value);
void ResetSystemMetrics();
unsigned GetDoubleClickTime();
void SetDoubleClickTime(unsigned Milliseconds);
