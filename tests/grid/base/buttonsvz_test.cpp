#include "grid/base/buttonsvz.h"

#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// ---- the collection and its owner ---------------------------------------------------------------

// An editor-like owner: records the collection's change notifications and answers the default
// draw-back time.
class TButtonsOwner : public TComponent, public IEditButtonsOwnerVz {
    SDELKA_CLASS(TButtonsOwner, TComponent)
protected:
    explicit TButtonsOwner(TComponent* AOwner) : TComponent(AOwner) {}
    ~TButtonsOwner() override = default;

public:
    TEditButtonDrawBackTimeVz GetEditButtonsDefaultDrawBackTime() override { return Default; }
    TEditButtonDrawBackTimeVz Default = edbtWhenHotVz;
};

class EditButtonsVz : public ::testing::Test {
protected:
    void SetUp() override {
        Owner = New<TButtonsOwner>(nullptr);
        Buttons = NewOwned<TEditButtonsVz>(Owner, TEditButtonVz::StaticClass());
        Buttons->OnChanged = [this](TObject* Item) { Changes.push_back(Item); };
    }
    void TearDown() override {
        Buttons.reset();
        Owner->Free();
    }
    TButtonsOwner* Owner = nullptr;
    TOwned<TEditButtonsVz> Buttons;
    std::vector<TObject*> Changes;
};

TEST_F(EditButtonsVz, AddingChangingAndDeletingNotifyTheOwnerOncePerRealChange) {
    TEditButtonVz* b = Buttons->Add();
    ASSERT_EQ(Changes.size(), 1u);  // the collection as a whole, once
    EXPECT_EQ(Changes[0], nullptr);
    EXPECT_TRUE(b->Enabled());
    EXPECT_FALSE(b->Visible());
    EXPECT_EQ(b->NumGlyphs(), 1);
    EXPECT_EQ(b->EditControl(), nullptr);
    EXPECT_TRUE(b->Glyph()->Transparent());

    Changes.clear();
    b->SetVisible(true);
    b->SetVisible(true);  // same value: nothing
    b->SetWidth(20);
    b->SetStyle(ebsEllipsisVz);
    b->SetShortCut(ShortCut(VK_F4, {}));  // written without notification
    EXPECT_EQ(Changes, (std::vector<TObject*>{b, b, b}));

    // The button's own OnChanged takes the notification instead of the collection.
    Changes.clear();
    int own = 0;
    b->OnChanged = [&](TObject* Sender) { EXPECT_EQ(Sender, b); ++own; };
    b->SetHint(u"Выбрать"_S);
    EXPECT_EQ(own, 1);
    EXPECT_TRUE(Changes.empty());

    Buttons->Delete(0);
    EXPECT_EQ(Buttons->Count(), 0);
}

TEST_F(EditButtonsVz, NumGlyphsIsClampedAndImageIndexesNotifyTheButton) {
    TEditButtonVz* b = Buttons->Add();
    for (auto [in, out] : std::vector<std::pair<int, int>>{{0, 1}, {-3, 1}, {3, 3}, {9, 4}}) {
        b->SetNumGlyphs(in);
        EXPECT_EQ(b->NumGlyphs(), out) << in;
    }
    Changes.clear();
    b->Images()->SetHotIndex(2);
    EXPECT_EQ(Changes, (std::vector<TObject*>{b}));

    // An image list is a referenced component: the collection's OnRefComponentChanged hears it.
    TCustomImageList* list = New<TCustomImageList>(nullptr);
    TComponent* heard = nullptr;
    Buttons->OnRefComponentChanged = [&](TObject*, TComponent* Ref) { heard = Ref; };
    b->Images()->SetNormalImages(list);
    EXPECT_EQ(heard, list);
    b->Images()->SetNormalImages(nullptr);
    list->Free();
}

TEST_F(EditButtonsVz, DrawBackTimeFollowsTheOwnerUntilStored) {
    TEditButtonVz* b = Buttons->Add();
    EXPECT_EQ(b->DrawBackTime(), edbtWhenHotVz);  // the owner's default
    Owner->Default = edbtNeverVz;
    EXPECT_EQ(b->DrawBackTime(), edbtNeverVz);

    b->SetDrawBackTimeStored(true);  // copies the default
    Owner->Default = edbtAlwaysVz;
    EXPECT_EQ(b->DrawBackTime(), edbtNeverVz);
    b->SetDrawBackTime(edbtWhenHotVz);
    EXPECT_EQ(b->DrawBackTime(), edbtWhenHotVz);
    b->SetDrawBackTimeStored(false);
    EXPECT_EQ(b->DrawBackTime(), edbtAlwaysVz);

    // Without a collection (a button made for one control) the default is edbtAlwaysVz.
    TEditButtonVz* alone = NewEditButtonVz(nullptr);
    EXPECT_EQ(alone->DrawBackTime(), edbtAlwaysVz);
    alone->Free();
}

TEST_F(EditButtonsVz, AssignCopiesTheButtonButNotDrawBackTimeOrDefaultAction) {
    TEditButtonVz* src = Buttons->Add();
    TEditButtonVz* dst = Buttons->Add();
    src->SetEnabled(false);
    src->SetHint(u"Подсказка"_S);
    src->SetNumGlyphs(2);
    src->SetShortCut(ShortCut(VK_F2, {}));
    src->SetStyle(ebsPlusVz);
    src->SetVisible(true);
    src->SetWidth(15);
    src->SetDrawBackTime(edbtNeverVz);
    src->SetDefaultAction(true);
    src->Images()->SetPressedIndex(5);
    int clicks = 0;
    src->OnClick = [&](TObject*, bool&) { ++clicks; };

    dst->Assign(src);
    EXPECT_FALSE(dst->Enabled());
    EXPECT_EQ(dst->Hint(), u"Подсказка"_S);
    EXPECT_EQ(dst->NumGlyphs(), 2);
    EXPECT_EQ(dst->ShortCut(), ShortCut(VK_F2, {}));
    EXPECT_EQ(dst->Style(), ebsPlusVz);
    EXPECT_TRUE(dst->Visible());
    EXPECT_EQ(dst->Width(), 15);
    EXPECT_EQ(dst->Images()->PressedIndex(), 5);
    bool handled = false;
    dst->Click(dst, handled);
    EXPECT_EQ(clicks, 1);

    EXPECT_FALSE(dst->DrawBackTimeStored());
    EXPECT_EQ(dst->DrawBackTime(), edbtWhenHotVz);
    EXPECT_FALSE(dst->DefaultActionStored());
    EXPECT_FALSE(dst->DefaultAction());
    dst->SetParentDefinedDefaultAction(true);
    EXPECT_TRUE(dst->DefaultAction());
}

TEST_F(EditButtonsVz, DropDownButtonsDefaultToAltDown) {
    auto* dd = New<TDropDownEditButtonVz>(nullptr);
    auto* vis = New<TVisibleEditButtonVz>(nullptr);
    EXPECT_EQ(dd->ShortCut(), ShortCut(VK_DOWN, {ssAlt}));
    EXPECT_FALSE(dd->Visible());
    EXPECT_EQ(vis->ShortCut(), ShortCut(VK_DOWN, {ssAlt}));
    EXPECT_TRUE(vis->Visible());
    dd->Free();
    vis->Free();
}

TEST_F(EditButtonsVz, AFreedDropDownMenuIsForgotten) {
    TEditButtonVz* b = Buttons->Add();
    TPopupMenu* menu = New<TPopupMenu>(nullptr);
    b->SetDropdownMenu(menu);
    EXPECT_EQ(b->DropdownMenu(), menu);
    menu->Free();
    EXPECT_EQ(b->DropdownMenu(), nullptr);
}

// ---- click and action ----------------------------------------------------------------------------

TEST_F(EditButtonsVz, ClickRunsOnClickAloneElseTheActionWithTheTarget) {
    TEditButtonVz* b = Buttons->Add();
    TCustomAction* action = New<TCustomAction>(nullptr);
    TComponent* target = nullptr;
    int executed = 0;
    action->OnExecute = [&](TObject* Sender) {
        ++executed;
        target = static_cast<TBasicAction*>(Sender)->ActionComponent();
    };
    b->SetAction(action);

    bool handled = false;
    b->Click(b, handled);
    EXPECT_EQ(executed, 1);
    EXPECT_TRUE(handled);
    EXPECT_EQ(target, Owner);  // no edit control: the collection's owner

    int own = 0;
    b->OnClick = [&](TObject*, bool& H) { ++own; H = false; };
    handled = false;
    b->Click(b, handled);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(executed, 1);
    EXPECT_FALSE(handled);

    b->SetAction(nullptr);
    action->Free();
}

TEST_F(EditButtonsVz, TheActionGivesEnabledHintShortCutAndVisible) {
    TEditButtonVz* b = Buttons->Add();
    TCustomAction* action = New<TCustomAction>(nullptr);
    action->SetHint(u"Из действия"_S);
    action->SetShortCut(ShortCut(VK_F3, {}));
    action->SetVisible(true);
    b->SetAction(action);
    EXPECT_EQ(b->Hint(), u"Из действия"_S);
    EXPECT_EQ(b->ShortCut(), ShortCut(VK_F3, {}));
    EXPECT_TRUE(b->Visible());
    EXPECT_FALSE(b->IsHintStored());

    action->SetEnabled(false);
    EXPECT_FALSE(b->Enabled());
    action->SetHint(u"Новая"_S);
    EXPECT_EQ(b->Hint(), u"Новая"_S);

    // A button value of its own is streamed again.
    b->SetHint(u"Своя"_S);
    EXPECT_TRUE(b->IsHintStored());

    action->Free();  // the link lets go of a freed action
    EXPECT_EQ(b->Action(), nullptr);
}

// ---- the button control ------------------------------------------------------------------------

struct TDownCall {
    bool Top;
};

class EditButtonControlVz : public ::testing::Test {
protected:
    void SetUp() override {
        Btn = New<TEditButtonControlVz>(nullptr);
        Btn->SetBounds(0, 0, 15, 17);
        Btn->OnDown = [this](TObject*, bool Top, bool& AutoRepeat, bool&) {
            Downs.push_back({Top});
            if (StopAfter && int(Downs.size()) >= StopAfter) AutoRepeat = false;
        };
        Btn->OnClick = [this](TObject*) { ++Clicks; };
    }
    void TearDown() override { Btn->Free(); }
    void Tick() { Btn->RepeatTimer()->OnTimer(Btn->RepeatTimer()); }
    TEditButtonControlVz* Btn = nullptr;
    std::vector<TDownCall> Downs;
    int StopAfter = 0;
    int Clicks = 0;
};

TEST_F(EditButtonControlVz, UpDownPressPicksTheHalfUnderTheMouse) {
    Btn->SetStyle(ebsUpDownVz);
    struct Case {
        int Y;
        int Num;
        bool Top;
    };
    for (Case c : {Case{8, 0, false}, Case{3, 1, true}, Case{12, 2, false}}) {
        Downs.clear();
        Btn->DoMouseDown(mbLeft, {}, 5, c.Y);
        EXPECT_EQ(Btn->ButtonNum(), c.Num) << c.Y;
        ASSERT_EQ(Downs.size(), 1u);
        EXPECT_EQ(Downs[0].Top, c.Top) << c.Y;
        Btn->DoMouseUp(mbLeft, {}, 5, c.Y);
        EXPECT_EQ(Btn->ButtonNum(), 0);
    }
}

TEST_F(EditButtonControlVz, HoldingAnUpDownButtonRepeatsAfter400ThenEvery100) {
    Btn->SetStyle(ebsUpDownVz);
    EXPECT_EQ(Btn->RepeatTimer(), nullptr);
    StopAfter = 4;
    Btn->DoMouseDown(mbLeft, {}, 5, 3);
    ASSERT_NE(Btn->RepeatTimer(), nullptr);
    EXPECT_TRUE(Btn->RepeatTimer()->Enabled());
    EXPECT_EQ(Btn->RepeatTimer()->Interval(), 400u);
    Tick();
    EXPECT_EQ(Btn->RepeatTimer()->Interval(), 100u);
    Tick();
    EXPECT_EQ(Downs.size(), 3u);
    Tick();  // the handler says no more
    EXPECT_EQ(Downs.size(), 4u);
    EXPECT_FALSE(Btn->RepeatTimer()->Enabled());
    Btn->DoMouseUp(mbLeft, {}, 5, 3);
    EXPECT_EQ(Clicks, 1);

    // A plain drop-down button does not repeat.
    Btn->SetStyle(ebsDropDownVz);
    Downs.clear();
    Btn->DoMouseDown(mbLeft, {}, 5, 3);
    EXPECT_FALSE(Btn->RepeatTimer()->Enabled());
    Btn->DoMouseUp(mbLeft, {}, 5, 3);
}

TEST_F(EditButtonControlVz, ReleasingOverTheOtherHalfDoesNotClick) {
    Btn->SetStyle(ebsUpDownVz);
    Btn->DoMouseDown(mbLeft, {}, 5, 3);
    Btn->DoMouseMove({ssLeft}, 5, 14);
    EXPECT_FALSE(Btn->IsPressed());
    EXPECT_EQ(Btn->State(), ebstNormalVz);
    Btn->DoMouseUp(mbLeft, {}, 5, 14);
    EXPECT_EQ(Clicks, 0);

    // Back over the pressed half the button is pressed again and clicks.
    Btn->DoMouseDown(mbLeft, {}, 5, 3);
    Btn->DoMouseMove({ssLeft}, 5, 14);
    Btn->DoMouseMove({ssLeft}, 5, 2);
    EXPECT_TRUE(Btn->IsPressed());
    Btn->DoMouseUp(mbLeft, {}, 5, 2);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(EditButtonControlVz, AlwaysDownHoldsTheButtonDown) {
    Btn->SetAlwaysDown(true);
    EXPECT_TRUE(Btn->Down());
    EXPECT_EQ(Btn->ButtonNum(), 1);
    EXPECT_EQ(Btn->State(), ebstPressedVz);
    Btn->SetAlwaysDown(false);
    EXPECT_FALSE(Btn->Down());
    EXPECT_EQ(Btn->GroupIndex(), 0);
    EXPECT_EQ(Btn->ButtonNum(), 0);
    EXPECT_EQ(Btn->State(), ebstNormalVz);
}

// Paints the control on a bitmap and answers the colour of one pixel.
class EditButtonPaintVz : public EditButtonControlVz {
protected:
    void SetUp() override {
        EditButtonControlVz::SetUp();
        Btn->SetParentColor(false);
        Btn->SetColor(clRed);
        Bmp = New<TBitmap>();
        Bmp->SetSize(15, 17);
    }
    void TearDown() override {
        Bmp->Free();
        EditButtonControlVz::TearDown();
    }
    COLORREF Paint(int X, int Y) {
        Bmp->Canvas()->Brush()->SetColor(clLime);
        Bmp->Canvas()->FillRect(TRect(0, 0, 15, 17));
        Btn->PaintTo(Bmp->Canvas()->Handle());
        return ColorToRGB(Bmp->Canvas()->Pixels(X, Y));
    }
    TBitmap* Bmp = nullptr;
};

TEST_F(EditButtonPaintVz, WhenHotDrawsTheBackOnlyWhileHotOrPressed) {
    Btn->SetDrawBackTime(edbtWhenHotVz);
    const COLORREF red = ColorToRGB(clRed);
    const COLORREF face = ColorToRGB(clBtnFace);
    EXPECT_EQ(Paint(2, 2), red);  // no back: the control's colour
    Btn->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Paint(2, 2), face);  // the raised push button's face
    Btn->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(Paint(2, 2), red);
    Btn->DoMouseDown(mbLeft, {}, 5, 5);
    EXPECT_EQ(Paint(2, 2), face);
    Btn->DoMouseUp(mbLeft, {}, 5, 5);
    Btn->SetDrawBackTime(edbtNeverVz);
    Btn->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Paint(2, 2), red);
    // Without its back a drop-down button draws no arrow; with it the arrow sits in the middle
    // in the button text colour.
    EXPECT_EQ(Paint(7, 8), red);
    Btn->SetDrawBackTime(edbtAlwaysVz);
    EXPECT_EQ(Paint(7, 8), ColorToRGB(clBtnText));
}

TEST_F(EditButtonPaintVz, AGlyphButtonWithAGlyphAlwaysDrawsItsBack) {
    Btn->SetStyle(ebsGlyphVz);
    Btn->SetDrawBackTime(edbtNeverVz);
    TBitmap* g = New<TBitmap>();
    g->SetSize(4, 4);
    g->Canvas()->Brush()->SetColor(clBlue);
    g->Canvas()->FillRect(TRect(0, 0, 4, 4));
    g->Canvas()->SetPixels(0, 3, clWhite);  // the transparent colour
    Btn->SetGlyph(g);
    g->Free();
    // The framework's button: a raised frame (white inner top-left edge) around the glyph.
    EXPECT_EQ(Paint(1, 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(Paint(2, 2), ColorToRGB(clBtnFace));
    Paint(0, 0);
    int blue = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 15; ++x) blue += ColorToRGB(Bmp->Canvas()->Pixels(x, y)) == ColorToRGB(clBlue);
    EXPECT_EQ(blue, 15);
}

TEST_F(EditButtonPaintVz, HotStateWithoutHotListDrawsTheNormalListWithTheHotIndex) {
    TCustomImageList* list = New<TCustomImageList>(nullptr);
    list->SetWidth(3);
    list->SetHeight(3);
    for (TColor c : {clBlue, clYellow}) {
        TBitmap* img = New<TBitmap>();
        img->SetSize(3, 3);
        img->Canvas()->Brush()->SetColor(c);
        img->Canvas()->FillRect(TRect(0, 0, 3, 3));
        list->Add(img, nullptr);
        img->Free();
    }
    Btn->SetStyle(ebsGlyphVz);
    Btn->ButtonImages()->SetNormalImages(list);
    Btn->ButtonImages()->SetNormalIndex(0);
    Btn->ButtonImages()->SetHotIndex(1);
    EXPECT_EQ(Btn->ButtonImages()->GetStateImages(ebstHotVz), list);
    EXPECT_EQ(Btn->ButtonImages()->GetStateIndex(ebstControlHotVz), -1);
    // Centred: (15 - 3) / 2 = 6, (17 - 3) / 2 = 7.
    Paint(0, 0);
    int blue = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 15; ++x) blue += ColorToRGB(Bmp->Canvas()->Pixels(x, y)) == ColorToRGB(clBlue);
    EXPECT_EQ(blue, 9);  // the whole 3 x 3 image
    EXPECT_EQ(ColorToRGB(Bmp->Canvas()->Pixels(6, 7)), ColorToRGB(clBlue));
    EXPECT_EQ(ColorToRGB(Bmp->Canvas()->Pixels(8, 9)), ColorToRGB(clBlue));
    Btn->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Btn->State(), ebstHotVz);
    EXPECT_EQ(Paint(7, 8), ColorToRGB(clYellow));
    Btn->ButtonImages()->SetNormalImages(nullptr);
    list->Free();
}

TEST_F(EditButtonControlVz, ButtonControlMadeForAnEditControl) {
    TCustomControl* edit = New<TCustomControl>(nullptr);
    TEditButtonVz* b = NewEditButtonVz(edit);
    TEditButtonControlVz* c = b->CreateEditButtonControl();
    EXPECT_EQ(c->Owner(), edit);
    EXPECT_EQ(c->Parent(), edit);
    EXPECT_EQ(c->Width(), 10);
    EXPECT_EQ(c->Height(), 17);
    EXPECT_TRUE(c->ControlStyle().Contains(csReplicatable));
    EXPECT_FALSE(c->Transparent());
    b->Free();
    edit->Free();
}

// ---- the tool-panel speed button ---------------------------------------------------------------

TEST(CustomSpeedButtonVz, AutoRepeatClicksWhileHeldAndStopsOnAnException) {
    auto* b = New<TCustomSpeedButtonVz>(nullptr);
    b->SetBounds(0, 0, 20, 20);
    EXPECT_EQ(b->Color(), clMenu);
    b->SetAutoRepeat(true);
    int clicks = 0;
    bool fail = false;
    b->OnClick = [&](TObject*) {
        ++clicks;
        if (fail) throw std::runtime_error("stop");
    };
    b->DoMouseDown(mbLeft, {}, 5, 5);
    TTimer* t = b->RepeatTimer();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Interval(), 400u);
    t->OnTimer(t);
    EXPECT_EQ(t->Interval(), 100u);
    EXPECT_EQ(clicks, 1);
    fail = true;
    EXPECT_THROW(t->OnTimer(t), std::runtime_error);
    EXPECT_FALSE(t->Enabled());
    fail = false;
    b->DoMouseUp(mbLeft, {}, 5, 5);
    EXPECT_EQ(clicks, 3);  // and the release's own click
    b->Free();
}

TEST(EditButtonSizesVz, HeightAndDefaultWidth) {
    EXPECT_EQ(GetEditButtonHeightVz(15, true), 20);
    EXPECT_EQ(GetEditButtonHeightVz(16, true), 21);
    EXPECT_EQ(GetEditButtonHeightVz(15, false), 15);
    int w = GetDefaultEditButtonWidthVz();
    EXPECT_GT(w, 0);
    EXPECT_LE(w, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(DefaultEditButtonWidthVz(), w);
}

}  // namespace
