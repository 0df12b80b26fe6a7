// Forms and the application: the main-form rule, activation once per showing, modal loops and
// Terminate, exceptions from Qt entries shown through the responder, default and cancel buttons,
// the close protocol, data modules and the screen.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace {

using sdelka::test::Click;
using sdelka::test::ClickWindow;
using sdelka::test::SendKey;
using sdelka::test::SendKeyToWindow;

// Every test starts with no responder override and an application that runs.
class FormsTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetResponder(nullptr);
        Application->CancelTerminate();
        Application->OnException = nullptr;
        Application->ProcessMessages();
    }
};

// ---- the main-form rule ------------------------------------------------------------------------

class TLoginForm;
class TWorkForm;
class TDataModuleX;
TLoginForm* LoginForm = nullptr;
TWorkForm* WorkForm = nullptr;
TDataModuleX* DataModuleX = nullptr;

class TDataModuleX : public TDataModule {
    SDELKA_CLASS(TDataModuleX, TDataModule)
protected:
    ~TDataModuleX() override = default;

private:
public:
    using TDataModule::TDataModule;
};

class TLoginForm : public TForm {
    SDELKA_CLASS(TLoginForm, TForm)
protected:
    ~TLoginForm() override = default;

private:
public:
    using TForm::TForm;
};

// Like the work window of the application: its OnCreate creates the data module and the login
// window, which therefore finishes first.
class TWorkForm : public TForm {
    SDELKA_CLASS(TWorkForm, TForm)
protected:
    explicit TWorkForm(TComponent* AOwner) : TForm(AOwner) {
        OnCreate = [this](TObject*) {
            SawOwnReference = WorkForm == this;
            Application->CreateForm(DataModuleX);
            Application->CreateForm(LoginForm);
        };
    }
    ~TWorkForm() override = default;

public:
    bool SawOwnReference = false;
};

class TBrokenForm : public TForm {
    SDELKA_CLASS(TBrokenForm, TForm)
protected:
    explicit TBrokenForm(TComponent* AOwner) : TForm(AOwner) {
        OnCreate = [](TObject*) { throw Exception(u"Подключение к БД отсутсвует!!!"_S); };
        OnDestroy = [](TObject*) { ++Destroyed; };
    }
    ~TBrokenForm() override = default;

public:
    static inline int Destroyed = 0;
};

TEST_F(FormsTest, FirstFormToFinishConstructionBecomesMainForm) {
    ASSERT_EQ(Application->MainForm(), nullptr);
    TBrokenForm* broken = reinterpret_cast<TBrokenForm*>(1);
    EXPECT_THROW(Application->CreateForm(broken), Exception);
    EXPECT_EQ(broken, nullptr);
    EXPECT_EQ(TBrokenForm::Destroyed, 1);
    EXPECT_EQ(Application->MainForm(), nullptr);

    Application->CreateForm(WorkForm);
    EXPECT_TRUE(WorkForm->SawOwnReference);  // the reference is set before OnCreate
    EXPECT_EQ(Application->MainForm(), LoginForm);
    EXPECT_EQ(WorkForm->Owner(), Application);
    EXPECT_EQ(Screen->DataModuleCount(), 1);
    EXPECT_EQ(Screen->DataModules(0), DataModuleX);

    FreeAndNil(LoginForm);
    EXPECT_EQ(Application->MainForm(), nullptr);
    FreeAndNil(WorkForm);
    FreeAndNil(DataModuleX);
    EXPECT_EQ(Screen->DataModuleCount(), 0);
}

// ---- activation --------------------------------------------------------------------------------

struct Counted {
    TForm* Form;
    int Activations = 0;
    int Deactivations = 0;
    explicit Counted(const String& Caption) : Form(New<TForm>(nullptr)) {
        Form->SetCaption(Caption);
        Form->OnActivate = [this](TObject*) { ++Activations; };
        Form->OnDeactivate = [this](TObject*) { ++Deactivations; };
    }
    ~Counted() { Form->Free(); }
};

TEST_F(FormsTest, OnActivateRunsOncePerShowing) {
    TScriptedResponder r;
    SetResponder(&r);
    Counted main(u"Табель"_S), card(u"Карточка"_S);
    main.Form->Show();
    EXPECT_EQ(main.Activations, 1);
    EXPECT_EQ(Screen->ActiveForm(), main.Form);

    r.AnswerModal([&](TCustomForm* f) {
        EXPECT_EQ(Screen->ActiveForm(), f);
        MessageDlg(u"Удалить позицию из списка?"_S, mtConfirmation, mbYesNo, 0);
        f->SetModalResult(mrOk);
    });
    EXPECT_EQ(card.Form->ShowModal(), mrOk);
    EXPECT_EQ(card.Activations, 1);
    EXPECT_FALSE(card.Form->Visible());
    EXPECT_EQ(Screen->ActiveForm(), main.Form);
    ShowMessage(u"Готово"_S);
    EXPECT_EQ(main.Activations, 1);  // neither the modal card nor the boxes activated it again
    EXPECT_EQ(main.Deactivations, 1);

    main.Form->Hide();
    main.Form->Show();
    EXPECT_EQ(main.Activations, 2);
    EXPECT_EQ(card.Form->ShowModal(), mrCancel);  // no scripted answer: cancel
    EXPECT_EQ(card.Activations, 2);
}

TEST_F(FormsTest, OnActivateOncePerShowingWithRealNestedModalLoops) {
    Counted main(u"Главное"_S), child(u"Дочернее"_S);
    int childResult = -1;
    main.Form->OnShow = [&](TObject*) {
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] { child.Form->SetModalResult(mrYes); });
            childResult = child.Form->ShowModal();
            QTimer::singleShot(0, [&] { main.Form->SetModalResult(mrOk); });
        });
    };
    EXPECT_EQ(main.Form->ShowModal(), mrOk);
    EXPECT_EQ(childResult, mrYes);
    EXPECT_EQ(main.Activations, 1);
    EXPECT_EQ(child.Activations, 1);
}

// ---- modality ----------------------------------------------------------------------------------

// A confirmation asked from a button's click, with the real message box: while it is up, clicks
// and keys reach no other window of the application, so the button cannot stack a second box.
// The box is modal to the application, not to the window it came from: under an X server (with
// or without a window manager) a box modal to its window only let both through.
TEST_F(FormsTest, AMessageBoxBlocksEveryOtherWindowUntilItIsAnswered) {
    TForm* form = New<TForm>(nullptr);
    form->SetBounds(10, 10, 300, 200);
    auto* del = New<TButton>(form);
    del->SetParent(form);
    del->SetBounds(10, 10, 90, 25);
    del->SetCaption(u"Удалить"_S);
    TForm* other = New<TForm>(nullptr);
    other->SetBounds(350, 10, 200, 100);
    auto* other_button = New<TButton>(other);
    other_button->SetParent(other);
    int clicks = 0, otherClicks = 0, answer = -1;
    bool boxSeen = false;
    Qt::WindowModality modality = Qt::NonModal;
    other_button->OnClick = [&](TObject*) { ++otherClicks; };
    del->OnClick = [&](TObject*) {
        ++clicks;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            boxSeen = box != nullptr;
            if (box) modality = box->windowModality();
            ClickWindow(del->Handle());           // the same button again
            ClickWindow(other_button->Handle());  // a window made before the box
            SendKeyToWindow(form->Handle(), Qt::Key_Space);
            if (box) SendKeyToWindow(box, Qt::Key_Escape);
        });
        answer = MessageDlg(u"Удалить запись?"_S, mtConfirmation, {mbYes, mbNo}, 0);
    };
    form->Show();
    other->Show();
    ClickWindow(del->Handle());
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(otherClicks, 0);
    EXPECT_EQ(answer, mrNo);
    // Answered, the windows take input again.
    ClickWindow(other_button->Handle());
    EXPECT_EQ(otherClicks, 1);
    other->Free();
    form->Free();
}

// A modal form blocks the windows behind it the same way.
TEST_F(FormsTest, AModalFormBlocksEveryOtherWindowUntilItCloses) {
    TForm* form = New<TForm>(nullptr);
    form->SetBounds(10, 10, 300, 200);
    auto* button = New<TButton>(form);
    button->SetParent(form);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    TForm* dialog = New<TForm>(nullptr);
    dialog->SetBounds(50, 50, 200, 100);
    form->Show();
    QTimer::singleShot(0, [&] {
        ClickWindow(button->Handle());
        dialog->SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(clicks, 0);
    ClickWindow(button->Handle());
    EXPECT_EQ(clicks, 1);
    dialog->Free();
    form->Free();
}

// A window shown from a modal form's handler (a report preview the handler waits for) belongs to
// that form: it is transient for it, takes input while the form does not, and ends its
// modality when it hides; the form takes input again.
TEST_F(FormsTest, AWindowShownFromAModalFormIsModalOverIt) {
    TForm* dialog = New<TForm>(nullptr);
    dialog->SetBounds(50, 50, 200, 100);
    auto* open = New<TButton>(dialog);
    open->SetParent(dialog);
    open->SetBounds(10, 10, 90, 25);
    int dialogClicks = 0, previewClicks = 0;
    TForm* preview = New<TForm>(nullptr);
    preview->SetBounds(0, 0, 400, 300);
    auto* next = New<TButton>(preview);
    next->SetParent(preview);
    next->SetBounds(10, 10, 90, 25);
    next->OnClick = [&](TObject*) { ++previewClicks; };
    QWindow* owner = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    bool waitEnded = false;
    open->OnClick = [&](TObject*) {
        if (++dialogClicks > 1) return;
        preview->Show();
        owner = preview->Handle()->windowHandle()->transientParent();
        modality = preview->Handle()->windowModality();
        QTimer::singleShot(0, [&] {
            ClickWindow(next->Handle());   // the preview takes input
            ClickWindow(open->Handle());   // the dialog beneath waits
            SendKeyToWindow(preview->Handle(), Qt::Key_Escape);
            preview->Close();
        });
        // the handler waits for the preview, as a report's preview wait does
        while (preview->Visible() && !Application->Terminated()) Application->HandleMessage();
        waitEnded = true;
    };
    QTimer::singleShot(0, [&] {
        ClickWindow(open->Handle());
        QTimer::singleShot(0, [&] {
            ClickWindow(open->Handle());  // after the preview: the dialog takes input again
            dialog->SetModalResult(mrOk);
        });
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(owner, dialog->Handle()->windowHandle());
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_TRUE(waitEnded);
    EXPECT_EQ(previewClicks, 1);
    EXPECT_EQ(dialogClicks, 2);
    // Shown again with no modal window running, it is a plain window of its own.
    preview->Show();
    EXPECT_EQ(preview->Handle()->windowHandle()->transientParent(), nullptr);
    EXPECT_EQ(preview->Handle()->windowModality(), Qt::NonModal);
    preview->Free();
    dialog->Free();
}

// A message box asked from a modal form belongs to it.
TEST_F(FormsTest, AMessageBoxFromAModalFormIsTransientForIt) {
    TForm* dialog = New<TForm>(nullptr);
    dialog->SetBounds(50, 50, 200, 100);
    QWindow* owner = nullptr;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                owner = box->windowHandle()->transientParent();
                SendKeyToWindow(box, Qt::Key_Escape);
            }
        });
        ShowMessage(u"Готово"_S);
        dialog->SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(owner, dialog->Handle()->windowHandle());
    dialog->Free();
}

// ---- Terminate ---------------------------------------------------------------------------------

TEST_F(FormsTest, TerminateEndsEveryNestedModalLoopAndMessageBox) {
    Counted outer(u"Внешнее"_S), inner(u"Внутреннее"_S);
    TTimer* timer = New<TTimer>(outer.Form);
    timer->SetInterval(30);
    timer->SetEnabled(false);
    timer->OnTimer = [&](TObject*) { Application->Terminate(); };
    int innerResult = -1, boxResult = -1;
    outer.Form->OnActivate = [&](TObject*) {
        QTimer::singleShot(0, [&] {
            inner.Form->OnActivate = [&](TObject*) {
                QTimer::singleShot(0, [&] {
                    timer->SetEnabled(true);
                    // The box is open when the timer fires: it ends too.
                    boxResult = MessageDlg(u"Версия программы не соответсвует БД!"_S, mtError, {mbOK}, 0);
                });
            };
            innerResult = inner.Form->ShowModal();
        });
    };
    EXPECT_EQ(outer.Form->ShowModal(), mrCancel);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_EQ(boxResult, mrNone);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Application->LoopDepth(), 0);
    // Once terminated, a modal show returns at once.
    inner.Form->OnActivate = nullptr;
    EXPECT_EQ(inner.Form->ShowModal(), mrCancel);
}

TEST_F(FormsTest, RunEndsWhenTheMainFormCloses) {
    TLoginForm* login = nullptr;
    Application->CreateForm(login);
    ASSERT_EQ(Application->MainForm(), login);
    int shown = 0;
    login->OnShow = [&](TObject*) { ++shown; };
    login->OnActivate = [&](TObject*) { QTimer::singleShot(0, [&] { login->Close(); }); };
    Application->Run();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Application->Terminated());
    FreeAndNil(login);
}

// ---- exceptions from Qt entries ----------------------------------------------------------------

TEST_F(FormsTest, ExceptionInAClickHandlerIsShownAndTheProgramGoesOn) {
    TScriptedResponder r;
    SetResponder(&r);
    Application->SetTitle(u"Сделка"_S);
    TForm* f = New<TForm>(nullptr);
    TButton* b = New<TButton>(f);
    b->SetParent(f);
    b->SetBounds(10, 10, 75, 25);
    int clicks = 0;
    b->OnClick = [&](TObject*) {
        ++clicks;
        if (clicks == 1) throw EConvertError(u"'abc' is not a valid integer value"_S);
        if (clicks == 2) Abort();
    };
    f->Show();
    Click(b->Handle());
    ASSERT_EQ(r.CallCount(), 1);
    EXPECT_EQ(r.LastCall().Caption, u"Сделка"_S);
    EXPECT_EQ(r.LastCall().Text, u"'abc' is not a valid integer value."_S);
    EXPECT_EQ(r.LastCall().DlgType, mtError);
    EXPECT_EQ(r.LastCall().Buttons, TMsgDlgButtons{mbOK});

    Click(b->Handle());  // EAbort: silent
    EXPECT_EQ(r.CallCount(), 1);
    Click(b->Handle());
    EXPECT_EQ(clicks, 3);

    // OnException replaces the box.
    String seen;
    Application->OnException = [&](TObject* Sender, const Exception& E) { seen = E.ClassName() + u": "_S + E.Message(); };
    b->OnClick = [](TObject*) { throw EDivByZero(u"Division by zero"_S); };
    Click(b->Handle());
    EXPECT_EQ(seen, u"EDivByZero: Division by zero"_S);
    EXPECT_EQ(r.CallCount(), 1);
    f->Free();
}

TEST_F(FormsTest, AFormMayBeFreedInsideItsOwnEvents) {
    TForm* f = New<TForm>(nullptr);
    TButton* b = New<TButton>(f);
    b->SetParent(f);
    b->SetBounds(10, 10, 75, 25);
    TEdit* e = New<TEdit>(f);
    e->SetParent(f);
    e->SetBounds(10, 40, 75, 21);
    bool destroyed = false;
    f->OnDestroy = [&](TObject*) { destroyed = true; };
    b->OnClick = [&](TObject*) { f->Free(); };
    f->Show();
    QPointer<QWidget> w = f->Handle();
    Click(b->Handle());
    EXPECT_TRUE(destroyed);
    Application->ProcessMessages();
    EXPECT_TRUE(w.isNull());  // the widgets went once the event was over

    f = New<TForm>(nullptr);
    e = New<TEdit>(f);
    e->SetParent(f);
    e->OnKeyDown = [&](TObject*, Word&, TShiftState) { f->Free(); };
    f->Show();
    SendKey(e->Handle(), Qt::Key_A, Qt::NoModifier, u"a"_S);
    Application->ProcessMessages();
}

TEST_F(FormsTest, ShowExceptionAddsAFullStopAfterALetterOrDigit) {
    TScriptedResponder r;
    SetResponder(&r);
    const std::pair<String, String> cases[] = {
        {u"Нет связи"_S, u"Нет связи."_S},     {u"Готово."_S, u"Готово."_S},
        {u"Ошибка!!!"_S, u"Ошибка!!!"_S},       {u"Код 5"_S, u"Код 5."_S},
        {u"Что?"_S, u"Что?."_S},                 {String(), String()},
    };
    for (auto& [msg, shown] : cases) Application->ShowException(Exception(msg));
    ASSERT_EQ(r.CallCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.Calls()[static_cast<size_t>(i)].Text, cases[i].second);
}

// ---- default and cancel buttons ----------------------------------------------------------------

class DialogForm {
public:
    DialogForm() {
        F = New<TForm>(nullptr);
        F->SetBounds(0, 0, 300, 120);
        Edit = Make<TEdit>(10, 10);
        Ok = Make<TButton>(10, 50);
        Ok->SetCaption(u"OK"_S);
        Ok->SetDefault(true);
        Ok->SetModalResult(mrOk);
        Cancel = Make<TButton>(100, 50);
        Cancel->SetCaption(u"Выход"_S);
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        Ok->OnClick = [this](TObject*) { Log << "ok"; };
        Cancel->OnClick = [this](TObject*) { Log << "cancel"; };
    }
    ~DialogForm() { F->Free(); }
    template <class T>
    T* Make(int L, int T_) {
        T* c = New<T>(F);
        c->SetParent(F);
        c->SetBounds(L, T_, 75, 25);
        return c;
    }
    TForm* F;
    TEdit* Edit;
    TButton* Ok;
    TButton* Cancel;
    QStringList Log;
};

TEST_F(FormsTest, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
    DialogForm d;
    d.F->Show();
    ASSERT_EQ(d.F->ActiveControl(), d.Edit);
    SendKey(d.Edit->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    SendKey(d.Edit->Handle(), Qt::Key_Escape, Qt::NoModifier, u"\x1b"_S);
    SendKey(d.Edit->Handle(), Qt::Key_Return, Qt::ControlModifier, u"\n"_S);  // with a modifier: no
    EXPECT_EQ(d.Log, QStringList({"ok", "cancel"}));

    // On another button, Enter presses that one.
    d.Log.clear();
    d.Cancel->SetFocus();
    SendKey(d.Cancel->Handle(), Qt::Key_Return, Qt::NoModifier, u"\r"_S);
    EXPECT_EQ(d.Log, QStringList({"cancel"}));
    d.F->Hide();
}

TEST_F(FormsTest, DefaultAndCancelButtonsEndARealModalLoop) {
    for (auto [key, expected] : {std::pair{int(Qt::Key_Return), mrOk}, std::pair{int(Qt::Key_Escape), mrCancel}}) {
        DialogForm d;
        d.F->OnActivate = [&d, key = key](TObject*) {
            QTimer::singleShot(0, [&d, key] {
                SendKey(d.Edit->Handle(), Qt::Key_A, Qt::NoModifier, u"a"_S);
                SendKey(d.Edit->Handle(), key, Qt::NoModifier, key == Qt::Key_Return ? u"\r"_S : u"\x1b"_S);
            });
        };
        EXPECT_EQ(d.F->ShowModal(), expected);
        EXPECT_FALSE(d.F->Visible());
        EXPECT_EQ(d.Edit->Text(), u"a"_S);
    }
}

// ---- closing -----------------------------------------------------------------------------------

TEST_F(FormsTest, CloseAsksOnCloseQueryThenActsOnOnClose) {
    TScriptedResponder r;
    SetResponder(&r);
    TForm* f = New<TForm>(nullptr);
    bool allow = false;
    TCloseAction action = caHide;
    QStringList log;
    f->OnCloseQuery = [&](TObject*, bool& CanClose) {
        log << "query";
        CanClose = allow;
    };
    f->OnClose = [&](TObject*, TCloseAction& A) {
        log << "close";
        A = action;
    };
    f->OnHide = [&](TObject*) { log << "hide"; };
    f->OnDestroy = [&](TObject*) { log << "destroy"; };
    f->Show();
    f->Close();
    EXPECT_TRUE(f->Visible());
    allow = true;
    action = caNone;
    f->Close();
    EXPECT_TRUE(f->Visible());
    action = caHide;
    f->Close();
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(log, QStringList({"query", "query", "close", "query", "close", "hide"}));

    // caFree: the form goes once the current event is over.
    log.clear();
    f->Show();
    action = caFree;
    f->Close();
    EXPECT_EQ(log, QStringList({"query", "close"}));
    Application->ProcessMessages();
    EXPECT_EQ(log, QStringList({"query", "close", "destroy"}));
}

TEST_F(FormsTest, ModalResultClosesUnlessOnCloseQueryRefuses) {
    DialogForm d;
    int queries = 0;
    d.F->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++queries > 1; };
    d.F->OnActivate = [&](TObject*) {
        QTimer::singleShot(0, [&] {
            Click(d.Ok->Handle());  // refused: the loop goes on
            QTimer::singleShot(0, [&] { Click(d.Ok->Handle()); });
        });
    };
    EXPECT_EQ(d.F->ShowModal(), mrOk);
    EXPECT_EQ(queries, 2);
    EXPECT_EQ(d.Log, QStringList({"ok", "ok"}));
    d.F->OnActivate = nullptr;
    EXPECT_THROW({
        d.F->Show();
        d.F->ShowModal();
    }, EInvalidOperation);
    d.F->Hide();
}

// ---- data modules and the screen ---------------------------------------------------------------

QStringList* gModuleLog = nullptr;

// Its handlers are set in the constructor, as a module read from its form file has them.
class TLoggingModule : public TDataModule {
    SDELKA_CLASS(TLoggingModule, TDataModule)
protected:
    ~TLoggingModule() override = default;
    explicit TLoggingModule(TComponent* AOwner) : TDataModule(AOwner) {
        OnCreate = [](TObject*) { *gModuleLog << "create"; };
        OnDestroy = [](TObject*) { *gModuleLog << "destroy"; };
    }
};

TEST_F(FormsTest, DataModuleEventsAndRegistration) {
    QStringList log;
    gModuleLog = &log;
    auto* dm = New<TLoggingModule>(nullptr);
    EXPECT_EQ(log, QStringList({"create"}));
    EXPECT_EQ(Screen->DataModuleCount(), 1);
    dm->Free();
    EXPECT_EQ(Screen->DataModuleCount(), 0);
    EXPECT_EQ(log, QStringList({"create", "destroy"}));
}

TEST_F(FormsTest, ScreenCursorWorkAreaAndCentering) {
    Screen->SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crSQLWait);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    Screen->SetWorkAreaRect(TRect(0, 0, 1000, 700));
    TForm* f = New<TForm>(nullptr);
    f->SetBounds(5, 5, 400, 300);
    f->SetPosition(poScreenCenter);
    f->Show();
    EXPECT_EQ(f->BoundsRect(), Bounds(300, 200, 400, 300));
    f->Free();
    Screen->ResetWorkAreaRect();
    EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

TEST_F(FormsTest, ClientSizeLeavesOutFrameAndCaption) {
    SetSystemMetric(SM_CYCAPTION, 20);
    TForm* f = New<TForm>(nullptr);
    f->SetBorderStyle(bsSingle);
    f->SetClientWidth(200);
    f->SetClientHeight(100);
    EXPECT_EQ(f->Width(), 200 + 2 * GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_EQ(f->Height(), 100 + 2 * GetSystemMetrics(SM_CYDLGFRAME) + 20);
    EXPECT_EQ(f->Handle()->size(), QSize(200, 100));
    f->Free();
    ResetSystemMetrics();
}

}  // namespace
