// Controls: alignment and anchors, parent font and colour, ownership, windows on demand, input
// routing (keys, mouse, focus) as the framework delivers it.
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

using sdelka::test::ClickWindow;
using sdelka::test::SendKey;
using sdelka::test::SendKeyToWindow;
using sdelka::test::SendMouse;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 300, 200);
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    template <class T>
    T* Add(TWinControl* Parent, int L, int T_, int W, int H) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Parent);
        return c;
    }
    TForm* Form = nullptr;
};

TEST_F(ControlsTest, AlignPlacesTopBottomLeftRightThenClient) {
    auto* p = Add<TPanel>(Form, 0, 0, 200, 100);
    p->SetBevelOuter(bvNone);
    auto* top = Add<TPanel>(p, 5, 5, 10, 20);
    auto* bottom = Add<TPanel>(p, 5, 5, 10, 10);
    auto* left = Add<TPanel>(p, 5, 5, 30, 10);
    auto* right = Add<TPanel>(p, 5, 5, 40, 10);
    auto* client = Add<TPanel>(p, 0, 0, 1, 1);
    client->SetAlign(alClient);
    right->SetAlign(alRight);
    left->SetAlign(alLeft);
    bottom->SetAlign(alBottom);
    top->SetAlign(alTop);

    EXPECT_EQ(top->BoundsRect(), TRect(0, 0, 200, 20));
    EXPECT_EQ(bottom->BoundsRect(), TRect(0, 90, 200, 100));
    EXPECT_EQ(left->BoundsRect(), TRect(0, 20, 30, 90));
    EXPECT_EQ(right->BoundsRect(), TRect(160, 20, 200, 90));
    EXPECT_EQ(client->BoundsRect(), TRect(30, 20, 160, 90));

    // Two top-aligned controls stack in the order of their Top; resizing the parent re-aligns.
    auto* top2 = Add<TPanel>(p, 0, 50, 10, 15);
    top2->SetAlign(alTop);
    EXPECT_EQ(top2->BoundsRect(), TRect(0, 20, 200, 35));
    p->SetBounds(0, 0, 300, 120);
    EXPECT_EQ(top->BoundsRect(), TRect(0, 0, 300, 20));
    EXPECT_EQ(client->BoundsRect(), TRect(30, 35, 260, 110));

    // Bevels and borders narrow the area children align in.
    p->SetBevelOuter(bvRaised);
    p->SetBorderWidth(2);
    EXPECT_EQ(top->BoundsRect(), TRect(3, 3, 297, 23));
}

TEST_F(ControlsTest, AnchorsKeepDistancesToAnchoredEdges) {
    auto* p = Add<TPanel>(Form, 0, 0, 200, 100);
    p->SetBevelOuter(bvNone);
    auto* ok = Add<TButton>(p, 110, 70, 75, 25);
    ok->SetAnchors({akRight, akBottom});
    auto* edit = Add<TEdit>(p, 10, 10, 180, 21);
    edit->SetAnchors({akLeft, akTop, akRight});
    auto* fixed = Add<TEdit>(p, 10, 40, 50, 21);

    p->SetBounds(0, 0, 260, 150);
    EXPECT_EQ(ok->BoundsRect(), Bounds(170, 120, 75, 25));
    EXPECT_EQ(edit->BoundsRect(), Bounds(10, 10, 240, 21));
    EXPECT_EQ(fixed->BoundsRect(), Bounds(10, 40, 50, 21));

    // Moving a control by code sets its new distances.
    ok->SetLeft(100);
    p->SetBounds(0, 0, 300, 150);
    EXPECT_EQ(ok->Left(), 140);
}

TEST_F(ControlsTest, ParentFontAndColourReachChildrenThatInheritThem) {
    auto* p = Add<TPanel>(Form, 0, 0, 100, 50);
    auto* inherits = Add<TLabel>(p, 0, 0, 10, 10);
    auto* own = Add<TLabel>(p, 0, 20, 10, 10);
    own->Font()->SetName(u"Courier New"_S);
    EXPECT_FALSE(own->ParentFont());

    p->Font()->SetName(u"Arial"_S);
    p->Font()->SetStyle({fsBold});
    EXPECT_EQ(inherits->Font()->Name(), u"Arial"_S);
    EXPECT_TRUE(inherits->Font()->Style().Contains(fsBold));
    EXPECT_TRUE(inherits->ParentFont());
    EXPECT_EQ(own->Font()->Name(), u"Courier New"_S);

    p->SetColor(clYellow);
    EXPECT_EQ(inherits->Color(), clYellow);
    own->SetColor(clRed);
    p->SetColor(clAqua);
    EXPECT_EQ(inherits->Color(), clAqua);
    EXPECT_EQ(own->Color(), clRed);
    own->SetParentColor(true);
    EXPECT_EQ(own->Color(), clAqua);
}

TEST_F(ControlsTest, OwnerFreesParentDoesNot) {
    TComponent* holder = New<TComponent>(nullptr);
    auto* p = New<TPanel>(Form);
    p->SetParent(Form);
    auto* child = New<TButton>(holder);
    child->SetParent(p);
    p->HandleNeeded();
    EXPECT_TRUE(child->HandleAllocated());

    p->Free();  // the child belongs to holder: it survives, orphaned and without a window
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_FALSE(child->HandleAllocated());
    EXPECT_EQ(Form->ControlCount(), 0);

    child->SetParent(Form);
    EXPECT_EQ(Form->ControlCount(), 1);
    holder->Free();  // freeing the owner frees the child, which leaves its parent
    EXPECT_EQ(Form->ControlCount(), 0);
}

TEST_F(ControlsTest, WindowIsCreatedOnDemandWithItsParents) {
    auto* p = Add<TPanel>(Form, 0, 0, 100, 50);
    auto* e = Add<TEdit>(p, 5, 5, 50, 20);
    EXPECT_FALSE(Form->HandleAllocated());
    EXPECT_FALSE(e->HandleAllocated());
    QWidget* w = e->Handle();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(Form->HandleAllocated());
    EXPECT_TRUE(p->HandleAllocated());
    EXPECT_EQ(w->parentWidget(), p->Handle());
    EXPECT_EQ(w->geometry(), QRect(5, 5, 50, 20));
    EXPECT_EQ(FindControl(w), e);
    e->SetText(u"abc"_S);
    e->RecreateWnd();
    EXPECT_NE(e->Handle(), nullptr);
    EXPECT_EQ(e->Text(), u"abc"_S);
}

// A custom control that logs its input.
class TLogControl : public TCustomControl {
    SDELKA_CLASS(TLogControl, TCustomControl)
protected:
    explicit TLogControl(TComponent* AOwner) : TCustomControl(AOwner) { FTabStop = true; }
    ~TLogControl() override = default;

public:
    QStringList Log;
    LRESULT DlgCode = 0;

protected:
    void Dispatch(TMessage& M) override {
        if (M.Msg == WM_GETDLGCODE) {
            M.Result = DlgCode;
            return;
        }
        TCustomControl::Dispatch(M);
    }
};

class InputTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        SetResponder(&Resp);
    }
    void TearDown() override {
        ControlsTest::TearDown();
        SetResponder(nullptr);
    }
    TScriptedResponder Resp;
};

TEST_F(InputTest, KeyDownThenKeyPressAndConsumption) {
    auto* e = Add<TEdit>(Form, 10, 10, 100, 21);
    QStringList log;
    e->OnKeyDown = [&](TObject*, Word& Key, TShiftState Shift) {
        log << QStringLiteral("down %1%2").arg(Key).arg(Shift.Contains(ssShift) ? "+shift" : "");
    };
    e->OnKeyPress = [&](TObject*, Char& Key) {
        log << QStringLiteral("press %1").arg(Key.unicode());
        if (Key == u',') Key = u'.';     // replaced: the edit gets the new character
        if (Key == u'x') Key = Char();   // swallowed
    };
    e->OnKeyUp = [&](TObject*, Word& Key, TShiftState) { log << QStringLiteral("up %1").arg(Key); };
    Form->Show();
    QWidget* w = e->Handle();

    SendKey(w, Qt::Key_A, Qt::ShiftModifier, u"A"_S);
    SendKey(w, Qt::Key_Comma, Qt::NoModifier, u","_S);
    SendKey(w, Qt::Key_X, Qt::NoModifier, u"x"_S);
    EXPECT_EQ(e->Text(), u"A."_S);
    EXPECT_EQ(log, QStringList({"down 65+shift", "press 65", "up 65", "down 188", "press 44", "up 188", "down 88",
                                "press 120", "up 88"}));

    // A KeyDown handler that zeroes the key keeps it from the widget.
    e->OnKeyDown = [](TObject*, Word& Key, TShiftState) {
        if (Key == VK_BACK) Key = 0;
    };
    SendKey(w, Qt::Key_Backspace, Qt::NoModifier, u"\b"_S);
    EXPECT_EQ(e->Text(), u"A."_S);
}

TEST_F(InputTest, KeyPreviewLetsTheFormSeeKeysFirst) {
    auto* e = Add<TEdit>(Form, 10, 10, 100, 21);
    QStringList log;
    Form->OnKeyPress = [&](TObject*, Char& Key) {
        log << "form";
        if (Key == u'q') Key = Char();
    };
    e->OnKeyPress = [&](TObject*, Char&) { log << "edit"; };
    Form->Show();
    SendKey(e->Handle(), Qt::Key_Q, Qt::NoModifier, u"q"_S);
    EXPECT_EQ(log, QStringList({"edit"}));
    log.clear();
    Form->SetKeyPreview(true);
    SendKey(e->Handle(), Qt::Key_Q, Qt::NoModifier, u"q"_S);
    SendKey(e->Handle(), Qt::Key_W, Qt::NoModifier, u"w"_S);
    EXPECT_EQ(log, QStringList({"form", "form", "edit"}));
    EXPECT_EQ(e->Text(), u"qw"_S);
}

TEST_F(InputTest, TabMovesFocusInTabOrderUnlessTheControlWantsIt) {
    auto* a = Add<TEdit>(Form, 0, 0, 50, 20);
    auto* b = Add<TEdit>(Form, 0, 30, 50, 20);
    auto* c = Add<TLogControl>(Form, 0, 60, 50, 20);
    c->SetTabOrder(0);  // c, a, b
    c->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { c->Log << QString::number(Key); };
    Form->Show();
    EXPECT_EQ(Form->ActiveControl(), c);  // the first in tab order gets the focus when shown

    SendKey(c->Handle(), Qt::Key_Tab);
    EXPECT_EQ(Form->ActiveControl(), a);
    EXPECT_TRUE(a->Focused());
    SendKey(a->Handle(), Qt::Key_Tab);
    EXPECT_EQ(Form->ActiveControl(), b);
    SendKey(b->Handle(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Form->ActiveControl(), a);
    EXPECT_TRUE(c->Log.isEmpty());

    c->SetFocus();
    c->DlgCode = DLGC_WANTTAB | DLGC_WANTARROWS;
    SendKey(c->Handle(), Qt::Key_Tab);
    SendKey(c->Handle(), Qt::Key_Down);
    EXPECT_EQ(Form->ActiveControl(), c);
    EXPECT_EQ(c->Log, QStringList({QString::number(VK_TAB), QString::number(VK_DOWN)}));
}

TEST_F(InputTest, TabbingIntoAnEditSelectsItsTextSoTypingReplacesIt) {
    auto* a = Add<TEdit>(Form, 0, 0, 80, 21);
    auto* b = Add<TEdit>(Form, 0, 30, 80, 21);
    auto* c = Add<TEdit>(Form, 0, 60, 80, 21);
    b->SetText(u"12"_S);
    c->SetText(u"12"_S);
    c->SetAutoSelect(false);
    Form->Show();
    Form->SetFocus();
    a->SetFocus();
    SendKeyToWindow(Form->Handle(), Qt::Key_Tab);
    ASSERT_EQ(Form->ActiveControl(), b);
    EXPECT_EQ(b->SelLength(), 2);
    SendKeyToWindow(Form->Handle(), Qt::Key_2, Qt::NoModifier, u"2"_S);
    SendKeyToWindow(Form->Handle(), Qt::Key_0, Qt::NoModifier, u"0"_S);
    EXPECT_EQ(b->Text(), u"20"_S);  // not "1220"
    // Without AutoSelect the caret stays where it was and typing adds.
    SendKeyToWindow(Form->Handle(), Qt::Key_Tab);
    ASSERT_EQ(Form->ActiveControl(), c);
    SendKeyToWindow(Form->Handle(), Qt::Key_0, Qt::NoModifier, u"0"_S);
    EXPECT_EQ(c->Text(), u"120"_S);
    // The edit part of a combo box alike.
    auto* d = Add<TComboBox>(Form, 0, 90, 80, 21);
    d->SetText(u"12"_S);
    c->SetFocus();
    SendKeyToWindow(Form->Handle(), Qt::Key_Tab);
    ASSERT_EQ(Form->ActiveControl(), d);
    SendKeyToWindow(Form->Handle(), Qt::Key_7, Qt::NoModifier, u"7"_S);
    EXPECT_EQ(d->Text(), u"7"_S);
}

TEST_F(InputTest, EnterRunsTheDefaultButtonOnceEvenWhenItsClickRaises) {
    auto* p = Add<TPanel>(Form, 0, 0, 200, 100);
    auto* inner = Add<TPanel>(p, 5, 5, 150, 60);
    auto* e = Add<TEdit>(inner, 5, 5, 80, 21);
    auto* ok = Add<TButton>(Form, 10, 150, 75, 25);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TObject*) {
        ++clicks;
        throw Exception(u"Ошибка сохранения"_S);
    };
    Form->Show();
    Form->SetFocus();
    e->SetFocus();
    SendKeyToWindow(Form->Handle(), Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Resp.MessageCount(), 1);  // the error shown once
    // A click that does not raise runs once too.
    ok->OnClick = [&](TObject*) { ++clicks; };
    SendKeyToWindow(Form->Handle(), Qt::Key_Return);
    EXPECT_EQ(clicks, 2);
}

TEST_F(InputTest, DisabledButtonsWriteTheirCaptionInTheGreyTextColour) {
    auto* on = Add<TButton>(Form, 0, 0, 90, 30);
    auto* off = Add<TButton>(Form, 100, 0, 90, 30);
    on->SetCaption(u"Удалить"_S);
    off->SetCaption(u"Удалить"_S);
    off->SetEnabled(false);
    Form->Show();
    // The darkest pixel of each face is the caption's colour.
    auto darkest = [](TWinControl* C) {
        const QImage img = C->Handle()->grab().toImage();
        int best = 255 * 3;
        QRgb found = 0;
        for (int y = 4; y < img.height() - 4; ++y)
            for (int x = 4; x < img.width() - 4; ++x) {
                const QRgb px = img.pixel(x, y);
                const int sum = qRed(px) + qGreen(px) + qBlue(px);
                if (sum < best) {
                    best = sum;
                    found = px;
                }
            }
        return found;
    };
    // Black for the enabled caption, the classic table's grey (128, 128, 128) for the disabled one,
    // give or take the smoothing of the glyphs' edges.
    auto near = [](QRgb Px, int Level) {
        return std::abs(qRed(Px) - Level) <= 8 && std::abs(qGreen(Px) - Level) <= 8 && std::abs(qBlue(Px) - Level) <= 8;
    };
    const QRgb enabled = darkest(on), disabled = darkest(off);
    EXPECT_TRUE(near(enabled, 0)) << std::hex << enabled;
    EXPECT_TRUE(near(disabled, 128)) << std::hex << disabled;
}

TEST_F(InputTest, EnterAndExitInOrderAndAnExitHandlerMayRefuse) {
    auto* a = Add<TEdit>(Form, 0, 0, 50, 20);
    auto* p = Add<TPanel>(Form, 0, 30, 100, 50);
    auto* b = Add<TEdit>(p, 5, 5, 50, 20);
    QStringList log;
    auto track = [&](TWinControl* c, const char* name) {
        c->OnEnter = [&log, name](TObject*) { log << QStringLiteral("enter %1").arg(name); };
        c->OnExit = [&log, name](TObject*) { log << QStringLiteral("exit %1").arg(name); };
    };
    track(a, "a");
    track(p, "p");
    track(b, "b");
    Form->Show();
    EXPECT_EQ(log, QStringList({"enter a"}));
    log.clear();
    b->SetFocus();
    EXPECT_EQ(log, QStringList({"exit a", "enter p", "enter b"}));
    log.clear();

    bool refuse = true;
    b->OnExit = [&](TObject*) {
        log << "exit b";
        if (refuse) throw Exception(u"Заполните поле"_S);
    };
    // The user clicks into a: Qt moves its focus, the framework asks b, which refuses.
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(a->Handle(), &in);
    EXPECT_EQ(Form->ActiveControl(), b);
    EXPECT_EQ(log, QStringList({"exit b"}));
    ASSERT_EQ(Resp.MessageCount(), 1);
    EXPECT_EQ(Resp.LastCall().Text, u"Заполните поле."_S);

    // Abort refuses silently.
    log.clear();
    b->OnExit = [&](TObject*) { Abort(); };
    EXPECT_THROW(a->SetFocus(), EAbort);
    EXPECT_EQ(Form->ActiveControl(), b);
    EXPECT_EQ(Resp.MessageCount(), 1);

    b->OnExit = nullptr;
    a->SetFocus();
    EXPECT_EQ(Form->ActiveControl(), a);
    EXPECT_EQ(log, QStringList({"exit p", "enter a"}));
}

// A graphic control that logs its mouse input.
class TMouseLog : public TGraphicControl {
    SDELKA_CLASS(TMouseLog, TGraphicControl)
protected:
    ~TMouseLog() override = default;

private:
public:
    using TGraphicControl::TGraphicControl;
};

TEST_F(InputTest, ParentRoutesMouseToGraphicControlsWithCaptureClickAndDoubleClick) {
    auto* p = Add<TPanel>(Form, 0, 0, 200, 100);
    auto* g = Add<TMouseLog>(p, 50, 20, 40, 30);
    QStringList log;
    g->OnMouseDown = [&](TObject*, TMouseButton B, TShiftState S, int X, int Y) {
        log << QStringLiteral("down %1 %2,%3%4").arg(int(B)).arg(X).arg(Y).arg(S.Contains(ssDouble) ? " dbl" : "");
    };
    g->OnMouseMove = [&](TObject*, TShiftState, int X, int Y) { log << QStringLiteral("move %1,%2").arg(X).arg(Y); };
    g->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int X, int Y) { log << QStringLiteral("up %1,%2").arg(X).arg(Y); };
    g->OnClick = [&](TObject*) { log << "click"; };
    g->OnDblClick = [&](TObject*) { log << "dblclick"; };
    g->OnMouseEnter = [&](TObject*) { log << "enter"; };
    g->OnMouseLeave = [&](TObject*) { log << "leave"; };
    int panelClicks = 0;
    p->OnClick = [&](TObject*) { ++panelClicks; };
    Form->Show();
    QWidget* w = p->Handle();

    SendMouse(w, QEvent::MouseMove, QPoint(60, 30));
    SendMouse(w, QEvent::MouseButtonPress, QPoint(60, 30));
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(61, 31));
    SendMouse(w, QEvent::MouseButtonDblClick, QPoint(61, 31));
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(61, 31));
    // Captured: the move and release outside still go to g, and a release outside is no click.
    SendMouse(w, QEvent::MouseButtonPress, QPoint(60, 30));
    SendMouse(w, QEvent::MouseMove, QPoint(150, 90));
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(150, 90));
    SendMouse(w, QEvent::MouseMove, QPoint(150, 90));
    EXPECT_EQ(log, QStringList({"enter", "move 10,10", "down 0 10,10", "click", "up 11,11", "dblclick",
                                "down 0 11,11 dbl", "up 11,11", "down 0 10,10", "move 100,70", "up 100,70",
                                "leave"}));
    EXPECT_EQ(panelClicks, 0);
    SendMouse(w, QEvent::MouseButtonPress, QPoint(10, 10));
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(10, 10));
    EXPECT_EQ(panelClicks, 1);
}

TEST_F(InputTest, WheelGoesUpTheParentsUntilHandled) {
    auto* p = Add<TPanel>(Form, 0, 0, 200, 100);
    auto* c = Add<TLogControl>(p, 10, 10, 50, 50);
    int seen = 0;
    p->OnMouseWheel = [&](TObject*, TShiftState, int Delta, TPoint, bool& Handled) {
        seen = Delta;
        Handled = true;
    };
    Form->Show();
    QWheelEvent e(QPointF(5, 5), QPointF(15, 15), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(c->Handle(), &e);
    EXPECT_EQ(seen, -120);
}

}  // namespace
