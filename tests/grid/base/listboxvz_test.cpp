// List boxes and popup lists driven through their windows: items and rows, ItemIndex, the keys
// and the mouse, sizing in whole items, hover selection, the close flag of popup items, the grip's
// corner after placement, and popups that leave the activation and the focus where they were.
#include "grid/base/listboxvz.h"

#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRegion>
#include <QWidget>

using namespace sdelka::test;

namespace {

class TProbeListbox : public TCustomListboxVz {
    SDELKA_CLASS(TProbeListbox, TCustomListboxVz)
protected:
    explicit TProbeListbox(TComponent* AOwner) : TCustomListboxVz(AOwner) {}
    ~TProbeListbox() override = default;
};

// An item that keeps its list open on a click.
class TStayOpenItem : public TPopupListboxItemVz {
    SDELKA_CLASS(TStayOpenItem, TPopupListboxItemVz)
protected:
    TStayOpenItem() = default;
    ~TStayOpenItem() override = default;

public:
    bool CloseOnExecute(TCustomListboxVz*, int) override { return false; }
};

QPoint Mid(const TRect& R) { return QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }

class ListboxVz : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Screen->SetWorkAreaRect(TRect(0, 0, 1000, 800));
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(100, 100, 400, 300);
    }
    void TearDown() override {
        FreeAndNil(Form);
        for (TObject* o : Extra) o->Free();
        Screen->ResetWorkAreaRect();
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    TProbeListbox* List(int Items) {
        auto* l = New<TProbeListbox>(Form);
        l->SetBounds(0, 0, 200, 150);
        l->SetParent(Form);
        for (int i = 0; i < Items; ++i) l->Items()->Add(QStringLiteral("item %1").arg(i));
        return l;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    std::vector<TObject*> Extra;
};

}  // namespace

TEST_F(ListboxVz, RowsFollowTheItemsAndItemIndexStartsUnselected) {
    TProbeListbox* l = List(0);
    EXPECT_EQ(l->RowCount(), 1);
    EXPECT_EQ(l->ItemIndex(), -1);
    EXPECT_EQ(l->Row(), 0);
    for (int i = 0; i < 3; ++i) l->Items()->Add(QStringLiteral("x%1").arg(i));
    EXPECT_EQ(l->RowCount(), 3);
    EXPECT_EQ(l->Count(), 3);
    l->SetItemIndex(2);
    EXPECT_EQ(l->ItemIndex(), 2);
    l->SetItemIndex(-1);
    EXPECT_EQ(l->Row(), 0);
    EXPECT_EQ(l->ItemIndex(), -1);
    l->Items()->Clear();
    EXPECT_EQ(l->RowCount(), 1);
    l->SetSorted(true);
    l->Items()->Add(u"b"_S);
    l->Items()->Add(u"a"_S);
    EXPECT_EQ(l->Items()->Strings(0), u"b"_S);  // the list box never sorts

    EXPECT_THROW(l->SetCount(5), Exception);
    EXPECT_EQ(l->RowCount(), 2);
    l->SetVirtualItems(true);
    EXPECT_EQ(l->RowCount(), 1);  // virtual count 0: still one row
    l->SetCount(40);
    EXPECT_EQ(l->RowCount(), 40);
    l->SetItemHeight(21);
    EXPECT_EQ(l->RowHeights(39), 21);
}

TEST_F(ListboxVz, DownWithNothingSelectedSelectsTheFirstItem) {
    TProbeListbox* l = List(5);
    Form->Show();
    l->SetFocus();
    SendKey(l->Handle(), Qt::Key_Down);
    EXPECT_EQ(l->ItemIndex(), 0);
    SendKey(l->Handle(), Qt::Key_Down);
    EXPECT_EQ(l->ItemIndex(), 1);
    Click(l->Handle(), Mid(l->ItemRect(3)));
    EXPECT_EQ(l->ItemIndex(), 3);
}

TEST_F(ListboxVz, AnEmptyListPaintsOneFilledRowAndTheSelectionInHighlight) {
    TProbeListbox* l = List(0);
    l->SetColor(clWhite);
    Form->Show();
    Application->ProcessMessages();
    QImage empty = l->Handle()->grab().toImage();
    EXPECT_EQ(empty.pixelColor(5, 5), QColor(Qt::white));
    l->Items()->Add(u"один"_S);
    l->Items()->Add(u"два"_S);
    l->SelectionDrawParams()->SetSelectionStyle(gsdsClassicVz);
    l->SetItemIndex(1);
    QImage img = l->Handle()->grab().toImage();
    const TRect r = l->ItemRect(1);
    const QColor hl = QColor::fromRgb(ColorToRGB(clHighlight) & 0xFF, (ColorToRGB(clHighlight) >> 8) & 0xFF,
                                      (ColorToRGB(clHighlight) >> 16) & 0xFF);
    EXPECT_EQ(img.pixelColor(r.Right - 3, r.Top + 1), hl);
    const TRect r0 = l->ItemRect(0);
    EXPECT_EQ(img.pixelColor(r0.Right - 3, r0.Top + 1), QColor(Qt::white));
}

TEST_F(ListboxVz, APopupListSizesItselfInWholeItems) {
    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    EXPECT_EQ(p->BorderWidth(), 2);
    EXPECT_EQ(p->GetBorderSize(), 4);
    p->SetItemHeight(16);
    p->SetBounds(10, 10, 120, 75);
    EXPECT_EQ(p->Height(), 68);
    EXPECT_EQ(p->RowCount(), 4);
    p->SetBounds(10, 10, 120, 10);
    EXPECT_EQ(p->Height(), 20);
    EXPECT_EQ(p->RowCount(), 1);
    p->SetRowCount(6);
    EXPECT_EQ(p->Height(), 100);
    EXPECT_EQ(p->RowCount(), 6);
    p->SetCtl3D(false);
    EXPECT_EQ(p->BorderWidth(), 0);
}

TEST_F(ListboxVz, HoverSelectsTheItemUnderTheMouse) {
    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    p->SetItemHeight(16);
    for (int i = 0; i < 10; ++i) p->Items()->Add(QStringLiteral("v%1").arg(i));
    p->SetBounds(300, 300, 120, 5 * 16 + 4);
    p->Show();
    QWidget* w = p->Handle();
    SendMouse(w, QEvent::MouseMove, Mid(p->ItemRect(2)));
    EXPECT_EQ(p->ItemIndex(), 2);
    EXPECT_EQ(p->MouseIndex(), 2);
    SendMouse(w, QEvent::MouseMove, QPoint(20, p->ClientHeight() + 30));  // below the list
    EXPECT_EQ(p->ItemIndex(), 4);                                         // the last visible item
    // With a button held the item follows, the hover index does not.
    QMouseEvent held(QEvent::MouseMove, QPointF(Mid(p->ItemRect(1))), w->mapToGlobal(QPointF(Mid(p->ItemRect(1)))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &held);
    EXPECT_EQ(p->ItemIndex(), 1);
    EXPECT_EQ(p->MouseIndex(), 4);
}

TEST_F(ListboxVz, PopupItemsDecideWhetherAClickClosesTheList) {
    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    auto* stay = New<TStayOpenItem>();
    Extra.push_back(stay);
    p->SetUseItemObjects(true);
    p->SetItemHeight(16);
    p->Items()->AddObject(u"stay"_S, stay);
    p->Items()->Add(u"plain"_S);
    p->SetBounds(300, 300, 120, 100);
    p->Show();
    int ups = 0;
    p->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    Click(p->Handle(), Mid(p->ItemRect(0)));
    EXPECT_FALSE(p->IsMouseUpCloseListbox());
    EXPECT_EQ(ups, 1);
    Click(p->Handle(), Mid(p->ItemRect(1)));
    EXPECT_TRUE(p->IsMouseUpCloseListbox());
    EXPECT_EQ(p->ItemIndex(), 1);
}

TEST_F(ListboxVz, ThePlacementMessageMovesTheGripAwayFromTheOwner) {
    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    ASSERT_EQ(p->SizeGripPostion(), sgpBottomRight);
    p->Perform(CM_SIZEGRIPCHANGEPOSITIONVz, sgcpToTop, 0);
    EXPECT_EQ(p->SizeGripPostion(), sgpTopRight);
    p->Perform(CM_SIZEGRIPCHANGEPOSITIONVz, sgcpToTop, 0);
    EXPECT_EQ(p->SizeGripPostion(), sgpTopRight);
    p->Perform(CM_SIZEGRIPCHANGEPOSITIONVz, sgcpToLeft, 0);
    EXPECT_EQ(p->SizeGripPostion(), sgpTopLeft);
    p->Perform(CM_SIZEGRIPCHANGEPOSITIONVz, 7, 0);
    EXPECT_EQ(p->SizeGripPostion(), sgpTopLeft);
}

TEST_F(ListboxVz, DropDownsOpenBelowOrAboveTheirOwner) {
    // The owner's bottom is 100 pixels above the work area's bottom (800).
    struct Case {
        int OwnerTop;
        int Height;
        int ExpectedTop;
        int ExpectedHeight;
        TSizeGripPosition Grip;
    };
    const Case cases[] = {
        {500, 200, 300, 200, sgpTopRight},    // 500 above: full height above
        {150, 200, 0, 150, sgpTopRight},      // 150 above: above, cut to 150
        {80, 200, 700, 100, sgpBottomRight},  // 80 above: below, cut to 100
        {300, 60, 700, 60, sgpBottomRight},   // fits below
    };
    for (const Case& c : cases) {
        auto* p = New<TPopupListboxVz>(nullptr);
        Extra.push_back(p);
        p->SetCtl3D(false);
        p->SetItemHeight(1);
        p->SetBounds(0, 0, 100, c.Height);
        const TRect owner(50, c.OwnerTop, 150, 700);
        TPoint pos = CalcDropDownPosForRectVz(owner, p, daLeft);
        EXPECT_EQ(pos.Y, c.ExpectedTop) << c.OwnerTop;
        EXPECT_EQ(p->Height(), c.ExpectedHeight) << c.OwnerTop;
        EXPECT_EQ(pos.X, 50);
        EXPECT_EQ(p->SizeGripPostion(), c.Grip) << c.OwnerTop;
    }
    // Right-aligned and wider than the owner, sticking out on the left: moved to the left edge.
    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    p->SetCtl3D(false);
    p->SetBounds(0, 0, 300, 50);
    p->Perform(CM_SIZEGRIPCHANGEPOSITIONVz, sgcpToLeft, 0);
    ASSERT_EQ(p->SizeGripPostion(), sgpBottomLeft);
    TPoint pos = CalcDropDownPosForRectVz(TRect(20, 100, 120, 120), p, daRight);
    EXPECT_EQ(pos.X, 0);
    EXPECT_EQ(p->SizeGripPostion(), sgpBottomRight);
}

TEST_F(ListboxVz, PopupsLeaveTheActivationAndTheFocusWhereTheyWere) {
    auto* edit = New<TEdit>(Form);
    edit->SetParent(Form);
    edit->SetBounds(10, 10, 100, 20);
    Form->Show();
    edit->SetFocus();
    Application->ProcessMessages();
    ASSERT_EQ(Screen->ActiveForm(), Form);
    ASSERT_EQ(QApplication::focusWidget(), edit->Handle());

    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    p->SetItemHeight(16);
    for (int i = 0; i < 5; ++i) p->Items()->Add(QStringLiteral("v%1").arg(i));
    p->SetBounds(0, 0, 120, 90);
    TPoint pos = CalcDropDownPosForControlVz(edit, p, daLeft);
    p->SetBounds(pos.X, pos.Y, p->Width(), p->Height());
    p->Show();
    Application->ProcessMessages();
    EXPECT_TRUE(p->Handle()->isVisible());
    EXPECT_TRUE(p->Handle()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(p->Handle()->pos(), QPoint(110, 130));
    Click(p->Handle(), Mid(p->ItemRect(3)));
    Application->ProcessMessages();
    EXPECT_EQ(p->ItemIndex(), 3);
    EXPECT_EQ(Screen->ActiveForm(), Form);
    EXPECT_EQ(QApplication::focusWidget(), edit->Handle());
    p->Hide();
    EXPECT_FALSE(p->Handle()->isVisible());

    auto* f = New<TMRUListboxVz>(nullptr);
    Extra.push_back(f);
    f->SetItemHeight(16);
    f->Items()->Add(u"недавнее"_S);
    f->Items()->Add(u"старое"_S);
    f->SetBounds(200, 200, 150, 60);
    EXPECT_EQ(f->RowCount(), 3);
    EXPECT_EQ(f->Height(), 48);
    int ups = 0;
    f->OnMouseUp = [&](TObject* S, TMouseButton, TShiftState, int, int) { ups += S == f; };
    f->Show();
    Application->ProcessMessages();
    EXPECT_TRUE(f->Handle()->isVisible());
    Click(f->ListGrid()->Handle(), Mid(f->ListGrid()->ItemRect(1)));
    EXPECT_EQ(f->ItemIndex(), 1);
    EXPECT_EQ(Screen->ActiveForm(), Form);
    EXPECT_EQ(QApplication::focusWidget(), edit->Handle());
    f->Hide();
    EXPECT_FALSE(f->Handle()->isVisible());
}

TEST_F(ListboxVz, ASizeGripResizesItsHostKeepingTheOppositeEdge) {
    auto* host = New<TPopupListboxFormVz>(nullptr);
    Extra.push_back(host);
    host->SetInternalResizing(true);
    host->SetBounds(300, 300, 200, 100);
    host->Show();
    auto* grip = New<TSizeGripVz>(host);
    grip->SetParent(host);
    grip->SetPosition(sgpBottomLeft);
    grip->HandleNeeded();
    grip->UpdatePosition();
    EXPECT_EQ(grip->Left(), 0);
    EXPECT_EQ(grip->Top(), host->ClientHeight() - grip->Height());
    const int right = host->Left() + host->Width();
    QWidget* w = grip->Handle();
    SendMouse(w, QEvent::MouseButtonPress, QPointF(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(-25, 5), w->mapToGlobal(QPointF(-25, 5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    SendMouse(w, QEvent::MouseButtonRelease, QPointF(-25, 5));
    EXPECT_EQ(host->Width(), 230);
    EXPECT_EQ(host->Left() + host->Width(), right);
    EXPECT_EQ(grip->RegionPolygon(), (std::vector<TPoint>{TPoint(17, 17), TPoint(0, 17), TPoint(0, 0)}));
}

TEST_F(ListboxVz, APopupListGrowsByItsGripInWholeItems) {
    auto* p = New<TPopupListboxVz>(nullptr);
    Extra.push_back(p);
    p->SetItemHeight(16);
    for (int i = 0; i < 20; ++i) p->Items()->Add(QStringLiteral("v%1").arg(i));
    p->SetInternalResizing(true);
    p->SetBounds(300, 200, 150, 5 * 16 + 4);
    p->Show();  // the owner's own sizing and showing do not count as the user's
    Application->ProcessMessages();
    p->SetInternalResizing(false);
    TSizeGripPanelVz* grip = p->CornerScrollBarPanelControl();
    ASSERT_TRUE(grip->Visible());
    ASSERT_TRUE(grip->GripActive());
    EXPECT_FALSE(p->SizeGripResized());
    QWidget* w = grip->Handle();
    SendMouse(w, QEvent::MouseButtonPress, QPointF(3, 3));
    QMouseEvent move(QEvent::MouseMove, QPointF(23, 40), w->mapToGlobal(QPointF(23, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    SendMouse(w, QEvent::MouseButtonRelease, QPointF(23, 40));
    EXPECT_EQ(p->Width(), 170);
    EXPECT_EQ(p->Height(), 7 * 16 + 4);  // 84 + 37 = 121 asked: seven whole items
    EXPECT_EQ(p->RowCount(), 7);
    EXPECT_TRUE(p->SizeGripResized());
    EXPECT_EQ(p->ResizedRowCount(), 7);
    EXPECT_EQ(p->ResizedWidth(), 170);
    EXPECT_EQ(p->Left(), 300);
}

TEST_F(ListboxVz, KeysTypedOverAPopupFormGoToItsMasterAndHintsTakeTheirFont) {
    auto* f = New<TMRUListboxVz>(nullptr);
    Extra.push_back(f);
    auto* master = New<TEdit>(Form);
    master->SetParent(Form);
    std::vector<Word> keys;
    master->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { keys.push_back(Key); };
    f->SetMasterActionsControl(master);
    f->SetBounds(10, 10, 100, 60);
    f->Show();
    SendKey(f->Handle(), Qt::Key_Down);
    EXPECT_EQ(keys, std::vector<Word>{VK_DOWN});
    master->Free();  // forgotten when freed
    EXPECT_EQ(f->MasterActionsControl(), nullptr);
    EXPECT_EQ(f->BorderWidth(), 0);

    auto* hint = New<THintWindowVz>(nullptr);
    Extra.push_back(hint);
    TFont big;
    big.SetSize(20);
    big.SetColor(clRed);
    const TRect small = hint->CalcHintRect(300, u"подсказка"_S);
    const TRect large = hint->CalcHintRect(300, u"подсказка"_S, &big);
    EXPECT_GT(large.Height(), small.Height());
    EXPECT_EQ(hint->Font()->Color(), clWindowText);
    hint->ActivateHintData(TRect(20, 20, 20 + large.Width(), 20 + large.Height()), u"подсказка"_S, &big);
    EXPECT_TRUE(hint->IsHintShowing());
    EXPECT_EQ(hint->Font()->Size(), 20);
    hint->ReleaseHandle();
}

TEST_F(ListboxVz, ATriangleGripIsCutToItsCorner) {
    auto* grip = New<TSizeGripPanelVz>(Form);
    grip->SetParent(Form);
    grip->SetBounds(0, 0, 17, 17);
    grip->HandleNeeded();
    EXPECT_TRUE(grip->Handle()->mask().isEmpty());
    grip->SetTriangleWindow(true);
    QRegion m = grip->Handle()->mask();
    EXPECT_TRUE(m.contains(QPoint(15, 15)));
    EXPECT_FALSE(m.contains(QPoint(1, 1)));
    grip->SetPosition(sgpTopLeft);
    m = grip->Handle()->mask();
    EXPECT_TRUE(m.contains(QPoint(1, 1)));
    EXPECT_FALSE(m.contains(QPoint(15, 15)));
    grip->SetTriangleWindow(false);
    EXPECT_TRUE(grip->Handle()->mask().isEmpty());
}

TEST_F(ListboxVz, ItemsWithImagesDrawTheImageLeftOfTheText) {
    auto* images = New<TImageList>(Form);
    images->SetWidth(8);
    images->SetHeight(8);
    TBitmap img;
    img.SetSize(8, 8);
    img.Canvas()->Brush()->SetColor(clBlue);
    img.Canvas()->FillRect(TRect(0, 0, 8, 8));
    images->Add(&img, nullptr);
    TProbeListbox* l = List(3);
    l->SetColor(clWhite);
    l->SetItemHeight(16);
    l->SetImageList(images);
    l->OnGetImageIndex = [](TObject*, int Index, int& Image) { Image = Index == 0 ? 0 : -1; };
    Form->Show();
    Application->ProcessMessages();
    QImage shot = l->Handle()->grab().toImage();
    const TRect r0 = l->ItemRect(0), r1 = l->ItemRect(1);
    EXPECT_EQ(shot.pixelColor(r0.Left + 6, (r0.Top + r0.Bottom) / 2), QColor(Qt::blue));  // centred in 12 pixels
    EXPECT_EQ(shot.pixelColor(r0.Left + 1, (r0.Top + r0.Bottom) / 2), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(r1.Left + 6, (r1.Top + r1.Bottom) / 2), QColor(Qt::white));  // no image
}
