// Common controls: status bar panels painted (and grabbed), progress bar steps, page control
// changes, tool buttons in groups.
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProgressBar>
#include <QWidget>

namespace {

class ComCtrlsTest : public ::testing::Test {
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
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

// Columns of a rectangle of the image that have a pixel darker than the face colour.
int DarkColumns(const QImage& Img, const TRect& R) {
    int n = 0;
    for (int x = R.Left; x < R.Right; ++x)
        for (int y = R.Top; y < R.Bottom; ++y)
            if (qGray(Img.pixel(x, y)) < 100) {
                ++n;
                break;
            }
    return n;
}

TEST_F(ComCtrlsTest, StatusBarPaintsPanelTextAlignedAndOwnerDrawnPanels) {
    auto* sb = New<TStatusBar>(Form);
    sb->SetParent(Form);
    sb->SetSizeGrip(false);
    TStatusPanel* left = sb->Panels()->Add();
    left->SetText(u"Смена 2"_S);
    left->SetWidth(120);
    TStatusPanel* right = sb->Panels()->Add();
    right->SetText(u"Итого"_S);
    right->SetWidth(120);
    right->SetAlignment(taRightJustify);
    TStatusPanel* drawn = sb->Panels()->Add();
    drawn->SetStyle(psOwnerDraw);
    TRect drawnRect;
    sb->OnDrawPanel = [&](TStatusBar* bar, TStatusPanel* p, const TRect& r) {
        EXPECT_EQ(p, drawn);
        drawnRect = r;
        bar->Canvas()->Brush()->SetColor(clRed);
        bar->Canvas()->FillRect(r);
    };
    Form->Show();
    EXPECT_EQ(sb->Top(), 240 - 19) << "aligned to the bottom";
    QImage img = sb->Handle()->grab().toImage();
    img.save(QDir::temp().filePath(QStringLiteral("sdelka_statusbar.png")));
    TRect r0 = sb->PanelRect(0), r1 = sb->PanelRect(1);
    EXPECT_EQ(r0, Rect(0, 2, 118, 19));
    EXPECT_EQ(r1.Left, 120);
    // Left panel: text near its left edge; right panel: near its right edge.
    EXPECT_GT(DarkColumns(img, Rect(r0.Left + 2, 4, r0.Left + 30, 17)), 5);
    EXPECT_EQ(DarkColumns(img, Rect(r0.Right - 40, 4, r0.Right - 2, 17)), 0);
    EXPECT_GT(DarkColumns(img, Rect(r1.Right - 30, 4, r1.Right - 2, 17)), 5);
    EXPECT_EQ(DarkColumns(img, Rect(r1.Left + 2, 4, r1.Left + 40, 17)), 0);
    // The owner-drawn panel got its rectangle and its red fill.
    EXPECT_FALSE(drawnRect.IsEmpty());
    QColor c = img.pixelColor(drawnRect.CenterPoint().X, drawnRect.CenterPoint().Y);
    EXPECT_EQ(c, QColor(255, 0, 0));
    // SimplePanel shows the simple text over the panels.
    sb->SetSimplePanel(true);
    sb->SetSimpleText(u"Загрузка"_S);
    QImage simple = sb->Handle()->grab().toImage();
    EXPECT_NE(simple.pixelColor(drawnRect.CenterPoint().X, drawnRect.CenterPoint().Y), QColor(255, 0, 0));
    EXPECT_GT(DarkColumns(simple, Rect(2, 4, 40, 17)), 5);
}

TEST_F(ComCtrlsTest, ProgressBarStepsAndWrapsWithinItsRange) {
    auto* pb = New<TProgressBar>(Form);
    pb->SetParent(Form);
    pb->SetMin(10);
    pb->SetMax(40);
    pb->SetStep(15);
    EXPECT_EQ(pb->Position(), 10);
    pb->StepIt();
    EXPECT_EQ(pb->Position(), 25);
    pb->StepIt();
    EXPECT_EQ(pb->Position(), 40);
    pb->StepIt();  // past the end: starts again from Min
    EXPECT_EQ(pb->Position(), 25);
    pb->SetPosition(99);
    EXPECT_EQ(pb->Position(), 40);
    pb->SetMax(30);
    EXPECT_EQ(pb->Position(), 30);
    Form->Show();
    EXPECT_EQ(static_cast<QProgressBar*>(pb->Handle())->value(), 30);
    pb->StepBy(-5);
    EXPECT_EQ(static_cast<QProgressBar*>(pb->Handle())->value(), 25);
}

TEST_F(ComCtrlsTest, PageControlChangesPagesAndAsksFirst) {
    auto* pc = New<TPageControl>(Form);
    pc->SetParent(Form);
    std::vector<TTabSheet*> pages;
    for (int i = 0; i < 3; ++i) {
        auto* p = New<TTabSheet>(Form);
        p->SetCaption(QStringLiteral("Стр %1").arg(i));
        p->SetPageControl(pc);
        pages.push_back(p);
    }
    EXPECT_EQ(pc->PageCount(), 3);
    EXPECT_EQ(pc->ActivePage(), pages[0]);
    EXPECT_TRUE(pages[0]->Visible());
    EXPECT_FALSE(pages[1]->Visible());
    bool allow = false;
    int changes = 0;
    pc->OnChanging = [&](TObject*, bool& a) { a = allow; };
    pc->OnChange = [&](TObject*) { ++changes; };
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), pages[0]);
    allow = true;
    pages[1]->SetTabVisible(false);
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), pages[2]) << "a hidden tab is skipped";
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pages[2]->TabIndex(), 1);
    pc->SetActivePageIndex(1);  // by code: no events
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(pages[1]->Visible());
    EXPECT_FALSE(pages[2]->Visible());
    pages[1]->Free();
    EXPECT_EQ(pc->PageCount(), 2);
    EXPECT_NE(pc->ActivePage(), nullptr);
}

TEST_F(ComCtrlsTest, ToolButtonsCheckGroupsAndDropDownMenu) {
    auto* tb = New<TToolBar>(Form);
    tb->SetParent(Form);
    std::vector<TToolButton*> b;
    for (int i = 0; i < 3; ++i) {
        auto* t = New<TToolButton>(Form);
        t->SetParent(tb);
        t->SetStyle(tbsCheck);
        t->SetGrouped(true);
        b.push_back(t);
    }
    auto* sep = New<TToolButton>(Form);
    sep->SetParent(tb);
    sep->SetStyle(tbsSeparator);
    auto* drop = New<TToolButton>(Form);
    drop->SetParent(tb);
    EXPECT_EQ(tb->ButtonCount(), 5);
    EXPECT_EQ(b[1]->Left(), 23);
    EXPECT_EQ(drop->Left(), 3 * 23 + 8);
    b[0]->Click();
    b[2]->Click();
    EXPECT_FALSE(b[0]->Down());
    EXPECT_TRUE(b[2]->Down());
    b[2]->Click();  // the last down one of a group stays down
    EXPECT_TRUE(b[2]->Down());

    auto* pm = New<TCustomPopupMenu>(Form);
    auto* item = New<TMenuItem>(Form);
    item->SetCaption(u"Вариант"_S);
    pm->Items()->Add(item);
    int itemClicks = 0;
    item->OnClick = [&](TObject*) { ++itemClicks; };
    drop->SetDropdownMenu(pm);
    TCustomPopupMenu::SetPopupHook([&](TCustomPopupMenu* m, int, int) -> TMenuItem* {
        EXPECT_EQ(m->PopupComponent(), drop);
        return item;
    });
    drop->Click();
    EXPECT_EQ(itemClicks, 1);
    // A button tied to a menu item clicks the item.
    auto* viaItem = New<TToolButton>(Form);
    viaItem->SetParent(tb);
    viaItem->SetMenuItem(item);
    EXPECT_EQ(viaItem->Caption(), u"Вариант"_S);
    viaItem->Click();
    EXPECT_EQ(itemClicks, 2);
}

}  // namespace
