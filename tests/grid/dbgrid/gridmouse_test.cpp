// The data grid under the mouse: marking records in the indicator, rectangles by Shift+click and
// by dragging, columns in the strip under the titles, copying the selection, sorting by a title
// click, sizing and moving columns.
#include "dbgridfixture.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/titledragwinvz.h"
#include "platform/gui/clipbrd.h"
#include "support/input.h"
#include "support/testutil.h"
#include "platform/testing/scriptedresponder.h"

namespace {

using sdelka::test::MessageOf;
using sdelka::test::SendMouse;

class GridMouse : public DBGridFixture {
protected:
    void SetUp() override {
        Records = 30;
        DBGridFixture::SetUp();
        Customise(G);
        G->SetOptions(G->Options() + dgMultiSelect - dgEditing);
        G->SetEditActions({geaCopyVz});  // Ctrl+C copies only when the grid allows it
        Show();
        W = G->Handle();
    }
    // The middle of a cell of data column DataCol (-1: the indicator) on data row DataRow (-1: the title).
    QPoint At(int DataCol, int DataRow) {
        const TRect r = G->CellRect(DataCol < 0 ? 0 : G->DataColToGridCol(DataCol),
                                    DataRow < 0 ? 0 : G->DataRowToGridRow(DataRow));
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void ClickAt(QPoint P, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        SendMouse(W, QEvent::MouseButtonPress, P, Qt::LeftButton, Mods);
        SendMouse(W, QEvent::MouseButtonRelease, P, Qt::LeftButton, Mods);
    }
    void DragTo(QPoint P, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseMove, QPointF(P), QPointF(W->mapToGlobal(P)), Qt::NoButton, Qt::LeftButton, Mods);
        QCoreApplication::sendEvent(W, &e);
    }
    // The C0 values of the marked records, as "10,20".
    String Marked() {
        String s;
        const TBookmark back = T->Bookmark();
        for (int i = 0; i < G->SelectedRows()->Count(); ++i) {
            T->GotoBookmark(G->SelectedRows()->Items(i));
            s += (i ? u","_S : String()) + T->FieldByName(u"C0"_S)->AsString();
        }
        T->GotoBookmark(back);
        return s;
    }
    int Current() { return T->FieldByName(u"C0"_S)->AsInteger() / 10; }
    TDBGridVzSelection* Sel() { return G->Selection(); }
    QWidget* W = nullptr;
};

TEST_F(GridMouse, IndicatorClicksMarkRecordsAndShiftExtendsFromTheAnchor) {
    ClickAt(At(-1, 1));
    EXPECT_EQ(Marked(), u"10"_S);
    EXPECT_EQ(Current(), 1);
    ClickAt(At(-1, 4), Qt::ShiftModifier);
    EXPECT_EQ(Marked(), u"10,20,30,40"_S);
    EXPECT_EQ(Current(), 4);
    ClickAt(At(-1, 2), Qt::ShiftModifier);
    EXPECT_EQ(Marked(), u"10,20"_S) << "the range narrows back toward the anchor";
    ClickAt(At(-1, 6), Qt::ControlModifier);
    EXPECT_EQ(Marked(), u"10,20,60"_S);
    ClickAt(At(-1, 6), Qt::ControlModifier);
    EXPECT_EQ(Marked(), u"10,20"_S);
    ClickAt(At(-1, 0));
    EXPECT_EQ(Marked(), u"0"_S) << "a plain click starts over";
    EXPECT_EQ(Sel()->SelectionType(), gstRecordBookmarks);

    // Dragging down the indicator marks the rows passed.
    SendMouse(W, QEvent::MouseButtonPress, At(-1, 3));
    DragTo(At(-1, 4));
    DragTo(At(-1, 5));
    SendMouse(W, QEvent::MouseButtonRelease, At(-1, 5));
    EXPECT_EQ(Marked(), u"30,40,50"_S);
}

TEST_F(GridMouse, MovingThePointerOverCellsTracksTheTextUnderIt) {
    TScriptedResponder resp;
    SetResponder(&resp);
    SendMouse(W, QEvent::MouseMove, At(1, 2), Qt::NoButton);
    SendMouse(W, QEvent::MouseMove, At(2, 3), Qt::NoButton);
    SendMouse(W, QEvent::MouseMove, At(2, -1), Qt::NoButton);
    SetResponder(nullptr);
    EXPECT_EQ(resp.MessageCount(), 0) << "no error for a pointer passing over the grid";
    SendMouse(W, QEvent::MouseMove, At(2, 3), Qt::NoButton);
    EXPECT_FALSE(G->MouseCellTextBounds().empty());
}

TEST_F(GridMouse, DraggingFarBelowTheRowsScrollsEightRecordsAStepAtTheShortestInterval) {
    ClickAt(At(-1, 0));
    SendMouse(W, QEvent::MouseButtonPress, At(-1, 2));
    // The data area ends with the last row shown whole.
    const TRect data{0, 0, 0, G->CellRect(0, G->LastFullVisibleRow()).Bottom};
    DragTo(QPoint(At(-1, 2).x(), data.Bottom + 60));  // 61 pixels past the last pixel row
    EXPECT_EQ(Current(), 10) << "eight records a step";
    EXPECT_EQ(Marked(), u"20,30,40,50,60,70,80,90,100"_S);
    ASSERT_NE(G->GridTimer(), nullptr);
    EXPECT_TRUE(G->GridTimer()->Enabled());
    EXPECT_LE(G->GridTimer()->Interval(), TTimer::MinInterval) << "200 - 15 * 61 is below 0: the shortest timer";
    SendMouse(W, QEvent::MouseButtonRelease, QPoint(At(-1, 2).x(), data.Bottom + 60));
    EXPECT_FALSE(G->GridTimer()->Enabled()) << "the release stops the scrolling";
    EXPECT_EQ(G->DBGridVzState(), dgsNormal);
}

TEST_F(GridMouse, ShiftClickAndDraggingSelectARectangleThatCtrlCCopies) {
    ClickAt(At(1, 1));
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    ClickAt(At(3, 3), Qt::ShiftModifier);
    ASSERT_EQ(Sel()->SelectionType(), gstRectangle);
    EXPECT_EQ(Sel()->Rect()->LeftCol(), 1);
    EXPECT_EQ(Sel()->Rect()->RightCol(), 3);
    sdelka::test::SendKey(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), u"11\t12\t13\r\n21\t22\t23\r\n31\t32\t33\r\n"_S);
    EXPECT_EQ(Current(), 3) << "copying leaves the current record";

    // A drag from (4, 6) to (5, 5): a new rectangle, upward.
    SendMouse(W, QEvent::MouseButtonPress, At(4, 6));
    DragTo(At(5, 6));
    DragTo(At(5, 5));
    SendMouse(W, QEvent::MouseButtonRelease, At(5, 5));
    ASSERT_EQ(Sel()->SelectionType(), gstRectangle);
    sdelka::test::SendKey(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), u"54\t55\r\n64\t65\r\n"_S);

    // A plain click drops it; Ctrl+C then copies the current cell.
    ClickAt(At(2, 2));
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    sdelka::test::SendKey(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), u"22"_S);
}

TEST_F(GridMouse, TheStripUnderATitleSelectsColumnsAndMarkedRecordsCopyTheirVisibleColumns) {
    auto strip = [&](int DataCol) {
        const TRect r = G->CellRect(G->DataColToGridCol(DataCol), 0);
        return QPoint((r.Left + r.Right) / 2, r.Bottom - 2);
    };
    ClickAt(strip(2));
    ASSERT_EQ(Sel()->SelectionType(), gstColumns);
    ClickAt(strip(4), Qt::ShiftModifier);
    ClickAt(strip(3), Qt::ControlModifier);
    ASSERT_EQ(Sel()->Columns()->Count(), 2);
    EXPECT_EQ(Sel()->Columns()->Items(0)->FieldName(), u"C2"_S);
    EXPECT_EQ(Sel()->Columns()->Items(1)->FieldName(), u"C4"_S);
    EXPECT_EQ(G->GetCursorAt(TPoint(strip(5).x(), strip(5).y())), crUpArrow);
    sdelka::test::SendKey(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(Clipboard()->AsText().startsWith(u"2\t4\r\n12\t14\r\n"_S)) << sdelka::test::S(Clipboard()->AsText());

    for (int i = 3; i < 10; ++i) G->Columns()->Items(i)->SetVisible(false);
    ClickAt(At(-1, 2));
    ClickAt(At(-1, 0), Qt::ControlModifier);
    sdelka::test::SendKey(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), u"0\t1\t2\r\n20\t21\t22\r\n"_S);
}

TEST_F(GridMouse, TitleClicksSortTheTableAndCtrlCollectsMarkers) {
    G->SetOptionsVz(G->OptionsVz() + dghAutoSortMarking + dghMultiSortMarking);
    G->Columns()->Items(3)->Title()->SetTitleButton(true);
    G->Columns()->Items(5)->Title()->SetTitleButton(true);
    int sortings = 0;
    int titleClicks = 0;
    G->OnTitleBtnClick = [&](TObject*, int, TColumnVz*) { ++titleClicks; };
    ClickAt(At(3, -1));
    EXPECT_EQ(titleClicks, 1);
    EXPECT_NE(G->Columns()->Items(3)->Title()->SortMarker(), smNoneVz);
    T->First();
    const int first = T->FieldByName(u"C3"_S)->AsInteger();
    ClickAt(At(3, -1));
    T->First();
    EXPECT_NE(T->FieldByName(u"C3"_S)->AsInteger(), first) << "the second click turns the order round";
    EXPECT_TRUE(first == 3 || first == 293);

    // With Ctrl the markers gather and nothing is applied yet.
    G->OnSortMarkingChanged = [&](TObject*) { ++sortings; };
    ClickAt(At(5, -1), Qt::ControlModifier);
    EXPECT_EQ(sortings, 0);
    EXPECT_NE(G->Columns()->Items(5)->Title()->SortMarker(), smNoneVz);
    EXPECT_NE(G->Columns()->Items(3)->Title()->SortMarker(), smNoneVz) << "Ctrl keeps the other marker";
    ClickAt(At(5, -1));
    EXPECT_EQ(sortings, 1);

    // A press that leaves the title before the release is no click.
    SendMouse(W, QEvent::MouseButtonPress, At(3, -1));
    SendMouse(W, QEvent::MouseButtonRelease, At(3, 2));
    EXPECT_EQ(titleClicks, 4);
    EXPECT_FALSE(G->TitlePressed(G->DataColToGridCol(3)));
}

TEST_F(GridMouse, AClickOnATitleThatCannotBeSortedEndsThePressBeforeItSaysSo) {
    auto* t = New<TMemTableVz>(Form);
    t->FieldDefs()->Add(u"N"_S, ftInteger);
    t->FieldDefs()->Add(u"P"_S, ftBlob);
    t->CreateDataSet();
    t->AppendRecord({Variant(1), Variant()});
    Src->SetDataSet(t);
    G->Columns()->Clear();
    G->Columns()->Add()->SetFieldName(u"N"_S);
    G->Columns()->Add()->SetFieldName(u"P"_S);
    G->Columns()->Items(1)->Title()->SetTitleButton(true);
    G->SetOptionsVz(G->OptionsVz() + dghAutoSortMarking);
    Application->ProcessMessages();
    int clicks = 0;
    G->OnTitleBtnClick = [&](TObject*, int, TColumnVz*) { ++clicks; };
    // What the grid looks like when the message is shown.
    struct TWatchingResponder : TScriptedResponder {
        std::function<void()> OnMessage;
        int Message(const TMessageRequest& Request) override {
            if (OnMessage) OnMessage();
            return TScriptedResponder::Message(Request);
        }
    } resp;
    bool pressedAtMessage = true;
    bool idleAtMessage = false;
    resp.OnMessage = [&] {
        pressedAtMessage = G->TitlePressed(G->DataColToGridCol(1));
        idleAtMessage = G->DBGridVzState() == dgsNormal && G->GridState() == gsNormalVz;
    };
    SetResponder(&resp);
    SendMouse(W, QEvent::MouseButtonPress, At(1, -1));
    EXPECT_TRUE(G->TitlePressed(G->DataColToGridCol(1)));
    SendMouse(W, QEvent::MouseButtonRelease, At(1, -1));
    SetResponder(nullptr);
    ASSERT_EQ(resp.MessageCount(), 1);
    EXPECT_TRUE(resp.LastCall().Text.startsWith(u"Сортировка по этому полю невозможна"_S)) << sdelka::test::S(resp.LastCall().Text);
    EXPECT_EQ(clicks, 1) << "the title button click came first";
    EXPECT_FALSE(pressedAtMessage);
    EXPECT_TRUE(idleAtMessage);
    EXPECT_EQ(G->Columns()->Items(1)->Title()->SortMarker(), smNoneVz);
    // The grid takes the next press as usual.
    ClickAt(At(0, 0));
    EXPECT_EQ(G->Row(), G->DataRowToGridRow(0));
}

TEST_F(GridMouse, DraggingATitleBorderSizesTheColumnAndDraggingATitleMovesIt) {
    const TRect r = G->CellRect(G->DataColToGridCol(2), 0);
    const int before = G->Columns()->Items(2)->Width();
    SendMouse(W, QEvent::MouseButtonPress, QPoint(r.Right, r.Top + 4));
    DragTo(QPoint(r.Right + 30, r.Top + 4));
    SendMouse(W, QEvent::MouseButtonRelease, QPoint(r.Right + 30, r.Top + 4));
    EXPECT_NEAR(G->Columns()->Items(2)->Width(), before + 30, 2);

    G->Columns()->Items(1)->Title()->SetTitleButton(true);
    const QPoint from = At(1, -1);
    const QPoint to = At(4, -1);
    G->SetOptionsVz(G->OptionsVz() - dghColumnMove);
    SendMouse(W, QEvent::MouseButtonPress, from);
    DragTo(to);
    SendMouse(W, QEvent::MouseButtonRelease, to);
    EXPECT_EQ(G->Columns()->Items(1)->FieldName(), u"C1"_S) << "no moving without dghColumnMove";
    G->SetOptionsVz(G->OptionsVz() + dghColumnMove);
    SendMouse(W, QEvent::MouseButtonPress, from);
    DragTo(QPoint(from.x() + 10, from.y()));
    DragTo(to);
    sdelka::test::Wait(150);  // the grid's timer follows the pointer while a column moves
    // The moved title floats above the titles meanwhile, and is gone once dropped.
    TDBGridTitleDragWin* floating = TDBGridTitleDragWin::GetTitleDragWin();
    EXPECT_TRUE(floating->Visible());
    EXPECT_EQ(floating->DrawObject(), G->Columns()->Items(1)->Title());
    EXPECT_LT(floating->Top(), G->ClientToScreen(TPoint(0, 0)).Y);
    SendMouse(W, QEvent::MouseButtonRelease, to);
    EXPECT_FALSE(floating->Visible());
    EXPECT_NE(G->Columns()->Items(1)->FieldName(), u"C1"_S) << "the column moved";
    EXPECT_EQ(G->DBGridVzState(), dgsNormal);
    EXPECT_EQ(G->GridState(), gsNormalVz);
}

}  // namespace
