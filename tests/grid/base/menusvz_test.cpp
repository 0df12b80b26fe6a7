// Popup menus whose items may keep the menu open, played through the popup test seam.
#include "grid/base/menusvz.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class PopupMenuVz : public ::testing::Test {
protected:
    void TearDown() override {
        TCustomPopupMenu::SetPopupHook(nullptr);
        for (TComponent* c : Free) c->Free();
    }
    template <class TMenu>
    TMenu* Menu() {
        auto* m = New<TMenu>(nullptr);
        Free.push_back(m);
        return m;
    }
    // A ticking option item: each click toggles Checked and is counted.
    template <class TItem>
    TItem* Option(TCustomPopupMenu* M, const String& Caption) {
        auto* i = New<TItem>(M);
        i->SetCaption(Caption);
        i->OnClick = [this, i](TObject*) {
            i->SetChecked(!i->Checked());
            Clicks.push_back(i);
        };
        M->Items()->Add(i);
        return i;
    }
    // Plays the user: clicks each item while the menu is open, then chooses Final (or dismisses).
    // Records for each click whether the menu stayed open.
    void Play(std::vector<TMenuItem*> OpenClicks, TMenuItem* Final) {
        TCustomPopupMenu::SetPopupHook([=, this](TCustomPopupMenu* M, int, int) -> TMenuItem* {
            for (TMenuItem* i : OpenClicks) StayedOpen.push_back(M->ClickWhileOpen(i));
            return Final;
        });
    }
    std::vector<TComponent*> Free;
    std::vector<TMenuItem*> Clicks;
    std::vector<bool> StayedOpen;
};

TEST_F(PopupMenuVz, StayOpenItemsTickWithoutClosingTheMenu) {
    auto* m = Menu<TPopupMenuVz>();
    TMenuItemVz* a = Option<TMenuItemVz>(m, u"Сортировка"_S);
    TMenuItemVz* b = Option<TMenuItemVz>(m, u"Фильтр"_S);
    EXPECT_TRUE(a->CloseMenuOnClick());
    a->SetCloseMenuOnClick(false);
    b->SetCloseMenuOnClick(false);

    Play({a, b, a}, nullptr);
    m->Popup(10, 10);
    EXPECT_EQ(StayedOpen, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(Clicks, (std::vector<TMenuItem*>{a, b, a}));
    EXPECT_FALSE(a->Checked());  // ticked and unticked while open
    EXPECT_TRUE(b->Checked());
}

TEST_F(PopupMenuVz, OrdinaryItemsCloseTheMenuAndRunOnce) {
    auto* m = Menu<TPopupMenuVz>();
    TMenuItemVz* closing = Option<TMenuItemVz>(m, u"Закрыть"_S);  // CloseMenuOnClick True
    TMenuItem* plain = Option<TMenuItem>(m, u"Обычный"_S);
    for (TMenuItem* chosen : {static_cast<TMenuItem*>(closing), plain}) {
        Clicks.clear();
        StayedOpen.clear();
        Play({chosen}, chosen);
        m->Popup(0, 0);
        EXPECT_EQ(StayedOpen, std::vector<bool>{false});
        EXPECT_EQ(Clicks, std::vector<TMenuItem*>{chosen});
    }
}

TEST_F(PopupMenuVz, AStayOpenItemInAPlainPopupMenuClosesItLikeAnyItem) {
    auto* m = Menu<TPopupMenu>();
    TMenuItemVz* a = Option<TMenuItemVz>(m, u"Опция"_S);
    a->SetCloseMenuOnClick(false);
    Play({a}, a);
    m->Popup(0, 0);
    EXPECT_EQ(StayedOpen, std::vector<bool>{false});
    EXPECT_EQ(Clicks, std::vector<TMenuItem*>{a});
}

}  // namespace
