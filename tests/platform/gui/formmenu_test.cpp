// A form's main menu: the menu bar across the top of the window, the client area below it (child
// windows, graphic controls' painting and mouse input), the client size kept when the menu comes
// and goes, and the bar working as a menu.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

namespace {

void SendMouse(QWidget* W, QEvent::Type Type, QPoint P) {
    Qt::MouseButtons buttons = Type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(Type, QPointF(P), QPointF(W->mapToGlobal(P)), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(W, &e);
}

class FormMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsSingle);
        Form->SetBounds(0, 0, 400, 400);
        Form->SetClientWidth(300);
        Form->SetClientHeight(200);
        Menu = New<TMainMenu>(Form);
        File = Item(Menu->Items(), u"&Файл"_S);
        Open = Item(File, u"&Открыть"_S);
        Item(Menu->Items(), u"&Справочники"_S);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    TMenuItem* Item(TMenuItem* Parent, const String& Caption) {
        auto* i = New<TMenuItem>(Form);
        i->SetCaption(Caption);
        Parent->Add(i);
        return i;
    }
    QWidget* Bar() const { return Menu->Handle(); }

    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMainMenu* Menu = nullptr;
    TMenuItem* File = nullptr;
    TMenuItem* Open = nullptr;
};

TEST_F(FormMenuTest, TheMenuBarTakesItsHeightAboveAClientAreaThatKeepsItsSize) {
    const int menuH = GetSystemMetrics(SM_CYMENU);
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    auto* button = New<TButton>(Form);
    button->SetBounds(0, 0, 75, 25);
    button->SetParent(Form);
    auto* bottom = New<TPanel>(Form);
    bottom->SetHeight(30);
    bottom->SetAlign(alBottom);
    bottom->SetParent(Form);

    // Attached before the window exists, as a form's constructor does.
    Form->SetMenu(Menu);
    EXPECT_EQ(Form->Menu(), Menu);
    EXPECT_EQ(Form->ClientHeight(), 200);
    EXPECT_EQ(Form->ClientWidth(), 300);
    EXPECT_EQ(Form->Height(), 200 + 2 * frame + caption + menuH);
    EXPECT_EQ(bottom->Top(), 170) << "aligned controls use the client area";
    Form->Show();
    QWidget* w = Form->Handle();
    EXPECT_EQ(w->size(), QSize(300, 200 + menuH));
    EXPECT_EQ(Bar()->parentWidget(), w);
    EXPECT_TRUE(Bar()->isVisible());
    EXPECT_EQ(Bar()->geometry(), QRect(0, 0, 300, menuH));
    EXPECT_EQ(button->Handle()->geometry(), QRect(0, menuH, 75, 25));
    EXPECT_EQ(bottom->Handle()->geometry(), QRect(0, menuH + 170, 300, 30));
    EXPECT_EQ(Form->ClientOrigin(), TPoint::FromQPoint(w->mapToGlobal(QPoint(0, menuH))));
    EXPECT_EQ(button->ClientOrigin(), Form->ClientOrigin());

    // Taken off while shown: the window shrinks by the bar, the controls move up with the client
    // area, and the bar leaves the window.
    Form->SetMenu(nullptr);
    EXPECT_EQ(Form->ClientHeight(), 200);
    EXPECT_EQ(Form->Height(), 200 + 2 * frame + caption);
    EXPECT_EQ(w->size(), QSize(300, 200));
    EXPECT_EQ(button->Handle()->geometry(), QRect(0, 0, 75, 25));
    EXPECT_EQ(Bar()->parentWidget(), nullptr);

    // Put back while shown, then the menu freed: the form forgets it and shrinks again.
    Form->SetMenu(Menu);
    EXPECT_EQ(button->Handle()->geometry(), QRect(0, menuH, 75, 25));
    EXPECT_EQ(Bar()->parentWidget(), w);
    FreeAndNil(Menu);
    EXPECT_EQ(Form->Menu(), nullptr);
    EXPECT_EQ(Form->ClientHeight(), 200);
    EXPECT_EQ(w->size(), QSize(300, 200));
    EXPECT_EQ(button->Handle()->geometry(), QRect(0, 0, 75, 25));
}

TEST_F(FormMenuTest, GraphicControlsPaintAndTakeTheMouseBelowTheBar) {
    const int menuH = GetSystemMetrics(SM_CYMENU);
    Form->SetColor(clWhite);
    auto* label = New<TLabel>(Form);
    label->SetAutoSize(false);
    label->SetBounds(10, 0, 120, 40);
    label->SetColor(clYellow);
    label->SetCaption(u"Метка вверху"_S);
    label->SetParent(Form);
    QStringList log;
    label->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
        log << QStringLiteral("down %1,%2").arg(X).arg(Y);
    };
    label->OnClick = [&](TObject*) { log << "click"; };
    Form->SetMenu(Menu);
    Form->Show();
    QWidget* w = Form->Handle();

    QImage img = w->grab().toImage();
    img.save(QDir::temp().filePath(QStringLiteral("sdelka-formmenu.png")));
    EXPECT_EQ(img.size(), QSize(300, 200 + menuH));
    const QColor yellow(255, 255, 0);
    EXPECT_EQ(img.pixelColor(12, menuH + 1), yellow) << "the label's top-left corner is just below the bar";
    EXPECT_EQ(img.pixelColor(128, menuH + 38), yellow);
    EXPECT_NE(img.pixelColor(12, menuH - 2), yellow) << "nothing of the label under the bar";
    EXPECT_EQ(img.pixelColor(200, menuH + 100), QColor(255, 255, 255)) << "the client background";

    // A click at the label's client point (5, 5) is at (15, menuH + 5) in the window.
    SendMouse(w, QEvent::MouseButtonPress, QPoint(15, menuH + 5));
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(15, menuH + 5));
    EXPECT_EQ(log, QStringList({"down 5,5", "click"}));
    // Below the label (client y 45) is the form's.
    log.clear();
    SendMouse(w, QEvent::MouseButtonPress, QPoint(15, menuH + 45));
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(15, menuH + 45));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(FormMenuTest, AClickOnAMenuTitleOpensItsMenuAndAnItemRunsItsClick) {
    int clicks = 0;
    Open->OnClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, Open);
        ++clicks;
    };
    Form->SetMenu(Menu);
    Form->Show();
    auto* bar = qobject_cast<QMenuBar*>(Bar());
    ASSERT_NE(bar, nullptr);
    QAction* title = File->Handle();
    QRect r = bar->actionGeometry(title);
    ASSERT_FALSE(r.isEmpty());
    EXPECT_LE(r.bottom(), GetSystemMetrics(SM_CYMENU));
    SendMouse(bar, QEvent::MouseButtonPress, r.center());
    QMenu* sub = title->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isVisible());
    sub->hide();
    Open->Handle()->trigger();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
