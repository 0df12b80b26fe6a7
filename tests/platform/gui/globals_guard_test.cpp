// The test entry point's guard: what a test changed comes back, and a window a test left showing
// is named (the entry point then fails the test) and hidden; and the check of a window's picture.
#include "support/globals_guard.h"
#include "support/windowcheck.h"

#include "platform/gui/clipbrd.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

#include <QApplication>
#include <QClipboard>
#include <QLocale>
#include <QWidget>
#include <clocale>
#include <memory>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using sdelka::test::TGlobalsGuard;

TEST(GlobalsGuard, NamesTheFormsAndWindowsLeftShowingAndHidesThem) {
    TOwned<TForm> Form = NewOwned<TForm>(nullptr);
    Form->SetName(u"OrdersForm"_S);
    Form->SetCaption(u"Наряды"_S);
    TOwned<TForm> Hidden = NewOwned<TForm>(nullptr);
    auto Bare = std::make_unique<QWidget>();
    Bare->setObjectName(QStringLiteral("bare"));
    Bare->setWindowTitle(QStringLiteral("Окно"));

    EXPECT_EQ(TGlobalsGuard::LeftOpen(), "");
    Form->Show();
    Bare->show();
    const std::string Open = TGlobalsGuard::LeftOpen();
    EXPECT_NE(Open.find("TForm \"OrdersForm\" (Наряды)"), std::string::npos) << Open;
    EXPECT_NE(Open.find("QWidget \"bare\" (Окно)"), std::string::npos) << Open;
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Bare->isVisible());
    EXPECT_EQ(TGlobalsGuard::LeftOpen(), "");
}

TEST(GlobalsGuard, PutsBackTheClipboardAndTheLocales) {
    Clipboard()->SetAsText(u"before"_S);
    TClipboard* Own = Clipboard();
    const QLocale Locale;
    const std::string CLocale = std::setlocale(LC_ALL, nullptr);
    TOwned<TClipboard> Replacement = NewOwned<TClipboard>();
    {
        TGlobalsGuard Guard;
        Clipboard()->SetAsText(u"during"_S);
        SetClipboard(Replacement.get());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "C.UTF-8");
    }
    EXPECT_EQ(Clipboard(), Own);
    EXPECT_EQ(Clipboard()->AsText(), u"before"_S);
    EXPECT_EQ(QLocale(), Locale);
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), CLocale);

    {
        TGlobalsGuard Guard;
        Clipboard()->SetAsText(u"during"_S);
        Clipboard()->Clear();
    }
    EXPECT_EQ(Clipboard()->AsText(), u"before"_S);
    Clipboard()->Clear();
    {
        TGlobalsGuard Guard;
        Clipboard()->SetAsText(u"during"_S);
    }
    EXPECT_EQ(Clipboard()->AsText(), String());
}

// The check that tests of whole windows make on the window's picture.
TEST(WindowCheck, CatchesAControlOutsideItsWindowAndAnUnpaintedArea) {
    TOwned<TForm> Form = NewOwned<TForm>(nullptr);
    Form->SetBounds(10, 10, 300, 200);
    auto* Button = New<TButton>(Form.get());
    Button->SetParent(Form.get());
    Button->SetName(u"Save"_S);
    Button->SetBounds(10, 10, 90, 25);
    Form->Show();
    sdelka::test::ExpectWindowPaintedWhole(Form.get(), QStringLiteral("check_whole"));

    Button->SetLeft(Form->ClientWidth() - 20);
    EXPECT_NONFATAL_FAILURE(sdelka::test::ExpectWindowPaintedWhole(Form.get(), QStringLiteral("check_outside")),
                            "controls outside the window");
    Button->SetLeft(10);

    // a child that says it paints every pixel and paints none
    QWidget Blank(Form->Handle());
    Blank.setAttribute(Qt::WA_OpaquePaintEvent);
    Blank.setGeometry(150, 50, 40, 40);
    Blank.show();
    EXPECT_NONFATAL_FAILURE(sdelka::test::ExpectWindowPaintedWhole(Form.get(), QStringLiteral("check_blank")),
                            "pixels not painted");
    Blank.hide();
    Blank.setParent(nullptr);
    Form->Hide();
}
