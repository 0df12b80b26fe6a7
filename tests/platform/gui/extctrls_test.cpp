// Group boxes, radio groups, bevels, shapes, images, splitters and scroll boxes; and a form holding
// several of the standard controls, grabbed to an image.
#include "platform/gui/dialogs.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/forms.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/memo.h"
#include "platform/rtl/dateutils.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>

namespace {

void SendButtons(QWidget* W, QEvent::Type T, QPoint P, Qt::MouseButtons Buttons) {
    QMouseEvent e(T, P, W->mapToGlobal(P), Qt::LeftButton, Buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(W, &e);
}

class ExtCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
        Form->SetColor(clBtnFace);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    template <class T>
    T* Add(int L, int T_, int W, int H, TWinControl* Parent = nullptr) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Parent ? Parent : Form);
        return c;
    }
    QImage Grab() { return Form->Handle()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // A plain panel over the whole form: the parent that paints graphic controls in these tests.
    TPanel* Back() {
        auto* p = Add<TPanel>(0, 0, Form->ClientWidth(), Form->ClientHeight());
        p->SetBevelOuter(bvNone);
        return p;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

QColor Sys(TColor C) { return ColorToQColor(C); }

// ---- radio group -------------------------------------------------------------------------------

TEST_F(ExtCtrlsTest, RadioGroupItemsButtonsAndClicks) {
    auto* rg = Add<TRadioGroup>(10, 10, 200, 80);
    rg->SetCaption(u"Подсобный"_S);
    std::vector<int> clicks;
    rg->OnClick = [&](TObject*) { clicks.push_back(rg->ItemIndex()); };
    rg->Items()->Add(u"Подсобный рабочий"_S);
    rg->Items()->Add(u"Оператор покраски"_S);
    ASSERT_EQ(rg->ButtonCount(), 2);
    EXPECT_EQ(rg->Buttons(1)->Caption(), u"Оператор покраски"_S);
    rg->SetItemIndex(0);  // by code: the button is clicked, so is the group
    EXPECT_TRUE(rg->Buttons(0)->Checked());
    Form->Show();
    QWidget* b1 = rg->Buttons(1)->Handle();
    QPoint p(8, b1->height() / 2);
    SendButtons(b1, QEvent::MouseButtonPress, p, Qt::LeftButton);
    SendButtons(b1, QEvent::MouseButtonRelease, p, Qt::NoButton);
    EXPECT_EQ(rg->ItemIndex(), 1);
    EXPECT_FALSE(rg->Buttons(0)->Checked());
    EXPECT_EQ(clicks, (std::vector<int>{0, 1}));
    rg->SetColumns(2);
    EXPECT_EQ(rg->Buttons(0)->Top(), rg->Buttons(1)->Top());
    EXPECT_GT(rg->Buttons(1)->Left(), rg->Buttons(0)->Left());
    rg->Items()->Delete(1);  // the chosen item goes: the index follows the items
    EXPECT_EQ(rg->ItemIndex(), 0);
    rg->SetEnabled(false);
    EXPECT_FALSE(rg->Buttons(0)->Enabled());
    EXPECT_EQ(clicks.size(), 2u);
}

// ---- bevel, shape, image -----------------------------------------------------------------------

TEST_F(ExtCtrlsTest, BevelAndShapePixels) {
    TPanel* back = Back();
    Add<TBevel>(10, 10, 20, 10, back);
    auto* line = Add<TBevel>(40, 10, 20, 10, back);
    line->SetShape(bsTopLine);
    line->SetStyle(bsRaised);
    auto* circle = Add<TShape>(70, 10, 40, 20, back);
    circle->SetShape(stCircle);
    circle->Brush()->SetColor(clRed);
    circle->Pen()->SetColor(clBlue);
    Form->Show();
    QImage img = Grab();
    auto at = [&](int X, int Y) { return img.pixelColor(X, Y); };
    // A lowered box: shadow on the left and top, highlight on the right and bottom.
    EXPECT_EQ(at(10 + 0, 10 + 5), Sys(clBtnShadow));
    EXPECT_EQ(at(10 + 10, 10 + 0), Sys(clBtnShadow));
    EXPECT_EQ(at(10 + 19, 10 + 5), Sys(clBtnHighlight));
    EXPECT_EQ(at(10 + 10, 10 + 9), Sys(clBtnHighlight));
    EXPECT_EQ(at(10 + 10, 10 + 5), Sys(clBtnFace));
    // A raised top line: highlight above shadow.
    EXPECT_EQ(at(50, 10), Sys(clBtnHighlight));
    EXPECT_EQ(at(50, 11), Sys(clBtnShadow));
    // A circle is centred in its bounds: 20 across, from x 80 to 99.
    EXPECT_EQ(at(90, 20), QColor(Qt::red));
    EXPECT_EQ(at(75, 20), Sys(clBtnFace));
    EXPECT_EQ(at(80, 20), QColor(Qt::blue));
    circle->Brush()->SetStyle(bsClear);  // a change of the brush repaints
    EXPECT_EQ(Grab().pixelColor(90, 20), Sys(clBtnFace));
}

TEST_F(ExtCtrlsTest, ImageCanvasAndPlacementOfThePicture) {
    auto* im = Add<TImage>(0, 0, 100, 50, Back());
    TCanvas* c = im->Canvas();  // an empty picture gets a bitmap of the control's size
    EXPECT_EQ(im->Picture()->Width(), 100);
    EXPECT_EQ(im->Picture()->Height(), 50);
    c->Brush()->SetColor(clLime);
    c->FillRect(TRect(0, 0, 100, 50));
    struct Case {
        int PicW, PicH;
        bool Stretch, Proportional, Center;
        TRect Expected;
    } cases[] = {
        {40, 20, false, false, false, TRect(0, 0, 40, 20)},
        {40, 20, false, false, true, TRect(30, 15, 70, 35)},
        {40, 20, true, false, false, TRect(0, 0, 100, 50)},
        {40, 10, true, true, true, TRect(0, 12, 100, 37)},
        {400, 100, false, true, false, TRect(0, 0, 100, 25)},  // proportional shrinks a big picture
        {20, 80, false, true, true, TRect(44, 0, 56, 50)},
    };
    for (const Case& k : cases) {
        TBitmap* b = New<TBitmap>();
        b->SetSize(k.PicW, k.PicH);
        im->Picture()->SetGraphic(b);
        b->Free();
        im->SetStretch(k.Stretch);
        im->SetProportional(k.Proportional);
        im->SetCenter(k.Center);
        EXPECT_EQ(im->DestRect(), k.Expected) << k.PicW << "x" << k.PicH;
    }
    TIcon* icon = New<TIcon>();
    im->Picture()->SetGraphic(icon);
    icon->Free();
    EXPECT_THROW(im->Canvas(), EInvalidOperation);
    im->Picture()->SetGraphic(nullptr);
    im->SetAutoSize(true);
    TBitmap* b = New<TBitmap>();
    b->SetSize(30, 12);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(TRect(0, 0, 30, 12));
    im->Picture()->SetGraphic(b);
    b->Free();
    EXPECT_EQ(im->Width(), 30);
    Form->Show();
    EXPECT_EQ(Grab().pixelColor(15, 6), QColor(Qt::red));
}

// ---- splitter and scroll box -------------------------------------------------------------------

TEST_F(ExtCtrlsTest, SplitterResizesTheControlBeforeItWithinLimits) {
    auto* left = Add<TPanel>(0, 0, 100, 240);
    left->SetAlign(alLeft);
    auto* sp = Add<TSplitter>(100, 0, 3, 240);
    sp->SetAlign(alLeft);
    auto* rest = Add<TPanel>(103, 0, 100, 240);
    rest->SetAlign(alClient);
    sp->SetMinSize(40);
    int moved = 0;
    sp->OnMoved = [&](TObject*) { ++moved; };
    Form->Show();
    EXPECT_EQ(sp->FindControl(), left);
    QWidget* w = Form->Handle();
    auto drag = [&](int FromX, int ToX) {
        SendButtons(w, QEvent::MouseButtonPress, QPoint(FromX, 50), Qt::LeftButton);
        SendButtons(w, QEvent::MouseMove, QPoint(ToX, 50), Qt::LeftButton);
        SendButtons(w, QEvent::MouseButtonRelease, QPoint(ToX, 50), Qt::NoButton);
    };
    drag(101, 151);  // resized when released (the default style)
    EXPECT_EQ(left->Width(), 150);
    EXPECT_EQ(sp->Left(), 150);
    EXPECT_EQ(rest->Left(), 153);
    drag(151, 400);  // leaves MinSize to the rest: 320 - 3 - 40
    EXPECT_EQ(left->Width(), 277);
    sp->SetAutoSnap(false);
    drag(278, 5);  // no less than MinSize
    EXPECT_EQ(left->Width(), 40);
    EXPECT_EQ(moved, 3);
    sp->SetResizeStyle(rsUpdate);  // follows the mouse
    SendButtons(w, QEvent::MouseButtonPress, QPoint(41, 50), Qt::LeftButton);
    SendButtons(w, QEvent::MouseMove, QPoint(61, 50), Qt::LeftButton);
    EXPECT_EQ(left->Width(), 60);
    SendButtons(w, QEvent::MouseButtonRelease, QPoint(61, 50), Qt::NoButton);
}

TEST_F(ExtCtrlsTest, ScrollBoxRangesFollowChildrenAndPositionsMoveThem) {
    auto* sb = Add<TScrollBox>(0, 0, 200, 100);
    auto* a = Add<TPanel>(10, 10, 50, 50, sb);
    auto* b = Add<TPanel>(10, 250, 50, 50, sb);
    Form->Show();
    EXPECT_EQ(sb->VertScrollBar()->Range(), 300);
    EXPECT_TRUE(sb->VertScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(sb->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(sb->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
    sb->VertScrollBar()->SetPosition(150);
    EXPECT_EQ(a->Top(), -140);
    EXPECT_EQ(b->Top(), 100);
    EXPECT_EQ(sb->VertScrollBar()->Range(), 300);  // the range does not move with the children
    sb->VertScrollBar()->SetPosition(1000);        // no farther than the last page
    EXPECT_EQ(sb->VertScrollBar()->Position(), 200);
    sb->ScrollInView(a);
    EXPECT_EQ(a->Top(), 0);
    EXPECT_EQ(sb->VertScrollBar()->Position(), 10);
    b->SetTop(b->Top() - 200);  // the contents shrink: nothing left to scroll
    EXPECT_FALSE(sb->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(sb->VertScrollBar()->Position(), 0);
    EXPECT_EQ(a->Top(), 10);
}

// ---- a form with the controls, grabbed ----------------------------------------------------------

TEST_F(ExtCtrlsTest, FormWithStandardControlsGrabsToPng) {
    Form->SetBounds(0, 0, 420, 300);
    auto* gb = Add<TGroupBox>(8, 8, 200, 120);
    gb->SetCaption(u"Работа"_S);
    auto* cb = Add<TComboBox>(10, 20, 180, 21, gb);
    cb->SetStyle(csDropDownList);
    for (auto s : {u"Январь"_S, u"Февраль"_S}) cb->Items()->Add(s);
    cb->SetItemIndex(1);
    auto* dt = Add<TDateTimePicker>(10, 50, 180, 21, gb);
    dt->SetDate(EncodeDate(2024, 2, 15));
    auto* lb = Add<TListBox>(10, 80, 180, 34, gb);
    lb->Items()->Add(u"Иванов И. И."_S);
    lb->Items()->Add(u"Петров П. П."_S);
    lb->SetItemIndex(0);
    auto* rg = Add<TRadioGroup>(216, 8, 196, 70);
    rg->SetCaption(u"Доплата"_S);
    rg->Items()->Add(u"Подсобный рабочий"_S);
    rg->Items()->Add(u"Оператор покраски"_S);
    rg->SetItemIndex(1);
    auto* memo = Add<TMemo>(216, 86, 196, 60);
    memo->Lines()->Add(u"Примечание к наряду"_S);
    TPanel* back = Add<TPanel>(0, 130, 420, 170);
    back->SetBevelOuter(bvNone);
    auto* bevel = Add<TBevel>(8, 6, 404, 2, back);
    bevel->SetShape(bsTopLine);
    auto* shape = Add<TShape>(8, 16, 40, 40, back);
    shape->SetShape(stRoundRect);
    shape->Brush()->SetColor(clYellow);
    auto* me = Add<TMaskEdit>(56, 20, 100, 21, back);
    me->SetEditMask(u"!99/99/0000;1;_"_S);
    me->SetText(u"01.02.2024"_S);
    Form->Show();
    QImage img = Grab();
    QString path = QDir::tempPath() + "/sdelka_gui_s_form.png";
    ASSERT_TRUE(img.save(path));
    EXPECT_EQ(img.size(), QSize(420, 300));
    EXPECT_EQ(img.pixelColor(28, 166), QColor(Qt::yellow));  // inside the shape
}

}  // namespace
