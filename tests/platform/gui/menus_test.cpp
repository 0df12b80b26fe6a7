// Menus: shortcuts reached through the form's keys, radio groups, the synchronous popup with its
// test seam, and the automatic popup on a right click.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QImage>
#include <QMenu>
#include <QMenuBar>

namespace {

using sdelka::test::SendKey;

class MenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
    }
    void TearDown() override {
        TCustomPopupMenu::SetPopupHook(nullptr);
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    TMenuItem* Item(TMenuItem* Parent, const String& Caption, TShortCut Sc = 0) {
        auto* i = New<TMenuItem>(Form);
        i->SetCaption(Caption);
        i->SetShortCut(Sc);
        Parent->Add(i);
        return i;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

TEST_F(MenusTest, MainMenuShortCutFiresThroughAKeyOnTheFormAndNotWhenDisabled) {
    auto* menu = New<TMainMenu>(Form);
    TMenuItem* file = Item(menu->Items(), u"&Файл"_S);
    TMenuItem* save = Item(file, u"&Сохранить"_S, ShortCut('S', {ssCtrl}));
    Form->SetMenu(menu);
    auto* edit = New<TEdit>(Form);
    edit->SetBounds(10, 10, 100, 21);
    edit->SetParent(Form);
    int clicks = 0;
    save->OnClick = [&](TObject* s) { EXPECT_EQ(s, save); ++clicks; };
    Word keyDownSeen = 0;
    edit->OnKeyDown = [&](TObject*, Word& k, TShiftState) { keyDownSeen = k; };
    Form->Show();
    SendKey(edit->Handle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(keyDownSeen, 0) << "the shortcut is taken before the control's KeyDown";
    // Disabled (the item or its parent): the key goes on to the control.
    file->SetEnabled(false);
    SendKey(edit->Handle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(keyDownSeen, 'S');
    file->SetEnabled(true);
    SendKey(Form->Handle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(Form->Menu(), menu);
    // The menu bar shows the shortcut text beside the caption.
    menu->Handle();
    EXPECT_EQ(save->Handle()->text(), u"&Сохранить\tCtrl+S"_S);
}

TEST_F(MenusTest, DisabledItemsOfTheMainMenuWriteInTheGreyTextColour) {
    auto* menu = New<TMainMenu>(Form);
    TMenuItem* file = Item(menu->Items(), u"Файл"_S);
    TMenuItem* edit = Item(menu->Items(), u"Правка"_S);
    Item(file, u"Сохранить"_S);
    Item(edit, u"Вырезать"_S);
    edit->SetEnabled(false);
    Form->SetMenu(menu);
    Form->Show();
    QMenuBar* bar = menu->MenuBar();
    ASSERT_TRUE(bar);
    const QImage img = bar->grab().toImage();
    // The darkest pixel of each item's rectangle is the colour of its caption.
    auto darkest = [&](TMenuItem* I) {
        const QRect r = bar->actionGeometry(I->Handle()).adjusted(2, 2, -2, -2);
        int best = 255 * 3;
        QRgb found = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb px = img.pixel(x, y);
                if (qRed(px) + qGreen(px) + qBlue(px) < best) {
                    best = qRed(px) + qGreen(px) + qBlue(px);
                    found = px;
                }
            }
        return found;
    };
    const QRgb on = darkest(file), off = darkest(edit);
    EXPECT_LT(qRed(on) + qGreen(on) + qBlue(on), 3 * 24) << std::hex << on;
    EXPECT_GT(qRed(off) + qGreen(off) + qBlue(off), 3 * 96) << std::hex << off;  // grey, not black
}

TEST_F(MenusTest, PopupMenuOfTheFocusedControlTakesItsShortCuts) {
    auto* pm = New<TCustomPopupMenu>(Form);
    TMenuItem* del = Item(pm->Items(), u"Удалить"_S, ShortCut(VK_F8, {}));
    int clicks = 0;
    del->OnClick = [&](TObject*) { ++clicks; };
    auto* edit = New<TEdit>(Form);
    edit->SetParent(Form);
    edit->SetPopupMenu(pm);
    Form->Show();
    SendKey(edit->Handle(), Qt::Key_F8, Qt::NoModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(MenusTest, RadioItemsOfAGroupUncheckEachOtherOnlyWithinTheirGroup) {
    auto* pm = New<TCustomPopupMenu>(Form);
    TMenuItem* parent = pm->Items();
    std::vector<TMenuItem*> items;
    const int groups[] = {1, 1, 1, 2, 2};
    for (int g : groups) {
        TMenuItem* i = Item(parent, u"Пункт"_S);
        i->SetRadioItem(true);
        i->SetGroupIndex(g);
        items.push_back(i);
    }
    items[0]->SetChecked(true);
    items[3]->SetChecked(true);
    items[1]->SetChecked(true);
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_FALSE(items[2]->Checked());
    EXPECT_TRUE(items[3]->Checked()) << "another group keeps its check";
    // AutoCheck with a click, and the QAction follows.
    items[4]->SetAutoCheck(true);
    QAction* a = items[4]->Handle();
    items[4]->Click();
    EXPECT_TRUE(items[4]->Checked());
    EXPECT_FALSE(items[3]->Checked());
    EXPECT_TRUE(a->isChecked());
    EXPECT_FALSE(items[3]->Handle()->isChecked());
    // A plain (non-radio) checked item in the same group is left alone.
    TMenuItem* plain = Item(parent, u"Флажок"_S);
    plain->SetGroupIndex(1);
    plain->SetChecked(true);
    items[2]->SetChecked(true);
    EXPECT_TRUE(plain->Checked());
    EXPECT_FALSE(items[1]->Checked());
}

TEST_F(MenusTest, ItemTreeOperations) {
    auto* pm = New<TCustomPopupMenu>(Form);
    TMenuItem* root = pm->Items();
    TMenuItem* a = Item(root, u"&Открыть"_S);
    TMenuItem* line = Item(root, u"-"_S);
    TMenuItem* b = Item(root, u"Вы&ход"_S);
    EXPECT_TRUE(line->IsLine());
    EXPECT_EQ(root->Find(u"выход"_S), b);
    EXPECT_EQ(root->Find(u"Открыть"_S), a);
    EXPECT_EQ(root->IndexOf(b), 2);
    EXPECT_THROW(root->Add(a), EMenuError);
    root->Remove(line);
    EXPECT_EQ(root->Count(), 2);
    EXPECT_EQ(line->Parent(), nullptr);
    line->Free();
    b->SetMenuIndex(0);
    EXPECT_EQ(root->Items(0), b);
    EXPECT_EQ(a->GetParentMenu(), pm);
    // Freeing a parent frees its sub-items.
    TMenuItem* sub = Item(a, u"Файл"_S);
    (void)sub;
    int before = Form->ComponentCount();
    a->Free();
    EXPECT_EQ(Form->ComponentCount(), before - 2);
    EXPECT_EQ(root->Count(), 1);
    EXPECT_EQ(StripHotkey(u"Вы&ход && вход"_S), u"Выход & вход"_S);
    EXPECT_EQ(GetHotkey(u"Вы&ход"_S), QChar(u'Х'));
}

TEST_F(MenusTest, OpeningASubmenuClicksItsItemAndUpdatesTheSubItemsActions) {
    auto* menu = New<TMainMenu>(Form);
    TMenuItem* file = Item(menu->Items(), u"&Файл"_S);
    TMenuItem* print = Item(file, u"Печать"_S);
    auto* act = New<TAction>(Form);
    bool canPrint = false;
    act->OnExecute = [](TObject*) {};
    act->OnUpdate = [&](TObject*) { act->SetEnabled(canPrint); };
    print->SetAction(act);
    int opened = 0;
    file->OnClick = [&](TObject*) {
        ++opened;
        canPrint = true;
    };
    menu->Handle();
    QMenu* sub = file->Handle()->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->actions().size(), 1);
    emit sub->aboutToShow();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(print->Enabled());
    EXPECT_TRUE(print->Handle()->isEnabled());
    // Removing the last sub-item takes the submenu away.
    file->Remove(print);
    EXPECT_EQ(file->Handle()->menu(), nullptr);
    print->Free();
}

TEST_F(MenusTest, PopupIsSynchronousAndTheSeamChoosesAnItem) {
    auto* pm = New<TCustomPopupMenu>(Form);
    TMenuItem* one = Item(pm->Items(), u"Один"_S);
    TMenuItem* two = Item(pm->Items(), u"Два"_S);
    QStringList log;
    pm->OnPopup = [&](TObject*) { log << "popup"; };
    one->OnClick = [&](TObject*) { log << "one"; };
    two->OnClick = [&](TObject*) { log << "two"; };
    TCustomPopupMenu::SetPopupHook([&](TCustomPopupMenu* m, int X, int Y) -> TMenuItem* {
        EXPECT_TRUE(m->Showing());
        log << QStringLiteral("shown %1,%2").arg(X).arg(Y);
        return two;
    });
    pm->Popup(30, 40);
    log << "returned";
    EXPECT_EQ(log, QStringList({"popup", "shown 30,40", "two", "returned"}));
    EXPECT_FALSE(pm->Showing());
    // Dismissed, or a disabled item chosen: nothing runs.
    log.clear();
    two->SetEnabled(false);
    TCustomPopupMenu::SetPopupHook([&](TCustomPopupMenu*, int, int) { return two; });
    pm->Popup(0, 0);
    TCustomPopupMenu::SetPopupHook([&](TCustomPopupMenu*, int, int) -> TMenuItem* { return nullptr; });
    pm->Popup(0, 0);
    EXPECT_EQ(log, QStringList({"popup", "popup"}));
}

// An item that asks the menu to stay open, as the grids' option menus do.
class TStayOpenItem : public TMenuItem {
    SDELKA_CLASS(TStayOpenItem, TMenuItem)
protected:
    using TMenuItem::TMenuItem;
    ~TStayOpenItem() override = default;

public:
    bool CloseMenuOnClickRequested() const override { return false; }
};

TEST_F(MenusTest, ItemsThatAskForItRunWhileTheMenuStaysOpen) {
    auto* pm = New<TCustomPopupMenu>(Form);
    auto* tick = New<TStayOpenItem>(Form);
    tick->SetCaption(u"Флажок"_S);
    tick->SetAutoCheck(true);
    pm->Items()->Add(tick);
    TMenuItem* plain = Item(pm->Items(), u"Обычный"_S);
    int plainClicks = 0;
    plain->OnClick = [&](TObject*) { ++plainClicks; };
    std::vector<bool> stayed;
    TCustomPopupMenu::SetPopupHook([&](TCustomPopupMenu* m, int, int) -> TMenuItem* {
        stayed.push_back(m->ClickWhileOpen(tick));
        stayed.push_back(m->ClickWhileOpen(tick));
        stayed.push_back(m->ClickWhileOpen(plain));
        return plain;
    });
    // A plain popup menu closes on every item.
    pm->Popup(0, 0);
    EXPECT_EQ(stayed, std::vector<bool>({false, false, false}));
    EXPECT_FALSE(tick->Checked());
    EXPECT_EQ(plainClicks, 1);
    stayed.clear();
    pm->SetStayOpenItems(true);
    pm->Popup(0, 0);
    EXPECT_EQ(stayed, std::vector<bool>({true, true, false}));
    EXPECT_FALSE(tick->Checked()) << "toggled twice";
    EXPECT_EQ(plainClicks, 2) << "the closing item runs once";
}

TEST_F(MenusTest, RightClickPopsUpTheMenuOfTheControlOrItsParent) {
    auto* pm = New<TCustomPopupMenu>(Form);
    Item(pm->Items(), u"Один"_S);
    auto* panel = New<TPanel>(Form);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetParent(Form);
    auto* edit = New<TEdit>(Form);
    edit->SetBounds(10, 10, 100, 21);
    edit->SetParent(panel);
    panel->SetPopupMenu(pm);
    Form->Show();
    int popups = 0;
    TComponent* seenComponent = nullptr;
    pm->OnPopup = [&](TObject*) {
        ++popups;
        seenComponent = pm->PopupComponent();
    };
    TCustomPopupMenu::SetPopupHook([](TCustomPopupMenu*, int, int) -> TMenuItem* { return nullptr; });
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 105));
    QCoreApplication::sendEvent(edit->Handle(), &e);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(seenComponent, panel) << "the control whose menu it is";
    pm->SetAutoPopup(false);
    QContextMenuEvent e2(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 105));
    QCoreApplication::sendEvent(edit->Handle(), &e2);
    EXPECT_EQ(popups, 1);
    panel->Free();
    EXPECT_EQ(pm->PopupComponent(), nullptr);
}

TEST_F(MenusTest, ActionDrivesItsMenuItems) {
    auto* list = New<TActionList>(Form);
    auto* act = New<TAction>(Form);
    act->SetActionList(list);
    act->SetCaption(u"Печать"_S);
    act->SetShortCut(ShortCut('P', {ssCtrl}));
    int runs = 0;
    act->OnExecute = [&](TObject* s) {
        EXPECT_EQ(s, act);
        ++runs;
    };
    auto* menu = New<TMainMenu>(Form);
    TMenuItem* item = Item(menu->Items(), u"?"_S);
    item->SetAction(act);
    EXPECT_EQ(item->Caption(), u"Печать"_S);
    EXPECT_EQ(item->ShortCut(), ShortCut('P', {ssCtrl}));
    act->SetEnabled(false);
    EXPECT_FALSE(item->Enabled());
    item->Click();
    EXPECT_EQ(runs, 0);
    act->SetEnabled(true);
    act->SetChecked(true);
    EXPECT_TRUE(item->Enabled());
    EXPECT_TRUE(item->Checked());
    item->Click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(act->ActionComponent(), nullptr);
    // An OnClick of the item's own wins over the action.
    struct TOwn {
        int Count = 0;
        void Click(TObject*) { ++Count; }
    } ownHandler;
    item->OnClick = TNotifyEvent(&ownHandler, &TOwn::Click);
    int& own = ownHandler.Count;
    item->Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(runs, 1);
    // The action freed: the item keeps its look and no longer runs anything.
    act->Free();
    EXPECT_EQ(item->Action(), nullptr);
    EXPECT_EQ(item->Caption(), u"Печать"_S);
}

}  // namespace
