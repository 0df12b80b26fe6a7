// The plain grids driven through Qt key and mouse events on their widgets: keyboard and mouse
// navigation, range selection, a cell refused by OnSelectCell, the in-place editor, the draw
// states OnDrawCell receives, column sizing and moving by dragging, scrolling, and the string
// grid's cells and row/column views.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <map>
#include <tuple>

namespace {

void Key(QWidget* W, int QtKey, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = QString()) {
    QKeyEvent press(QEvent::KeyPress, QtKey, Mods, Text);
    QCoreApplication::sendEvent(W, &press);
    QKeyEvent release(QEvent::KeyRelease, QtKey, Mods, Text);
    QCoreApplication::sendEvent(W, &release);
}

void TypeKeys(QWidget* W, const QString& Text) {
    for (QChar c : Text) Key(W, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

void MouseWith(QWidget* W, QEvent::Type T, QPoint P, Qt::MouseButtons Buttons, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QMouseEvent e(T, P, W->mapToGlobal(P), Qt::LeftButton, Buttons, Mods);
    QCoreApplication::sendEvent(W, &e);
}

QPoint Center(const TRect& R) { return QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }

void ClickAt(QWidget* W, QPoint P, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    MouseWith(W, QEvent::MouseButtonPress, P, Qt::LeftButton, Mods);
    MouseWith(W, QEvent::MouseButtonRelease, P, Qt::NoButton, Mods);
}

void Drag(QWidget* W, QPoint From, QPoint To) {
    MouseWith(W, QEvent::MouseButtonPress, From, Qt::LeftButton);
    MouseWith(W, QEvent::MouseMove, (From + To) / 2, Qt::LeftButton);
    MouseWith(W, QEvent::MouseMove, To, Qt::LeftButton);
    MouseWith(W, QEvent::MouseButtonRelease, To, Qt::NoButton);
}

class GridsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 420, 300);
        Back = New<TPanel>(Form);
        Back->SetBevelOuter(bvNone);
        Back->SetBounds(0, 0, 420, 300);
        Back->SetParent(Form);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    // A 10 x 20 string grid of 300 x 200 pixels, shown and focused.
    TStringGrid* MakeGrid(TGridOptions Options = DefaultGridOptions) {
        auto* g = New<TStringGrid>(Form);
        g->SetBounds(10, 10, 300, 200);
        g->SetColCount(10);
        g->SetRowCount(20);
        g->SetOptions(Options);
        g->SetParent(Back);
        Form->Show();
        g->SetFocus();
        Application->ProcessMessages();
        return g;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TPanel* Back = nullptr;
};

// ---- keyboard ----------------------------------------------------------------------------------

TEST_F(GridsTest, KeysMoveTheCurrentCellAndScrollItIntoView) {
    TStringGrid* g = MakeGrid();
    QWidget* w = g->Handle();
    const int vis = g->VisibleRowCount();
    ASSERT_GT(vis, 2);
    ASSERT_LT(vis, 18);
    int topChanges = 0;
    g->OnTopLeftChanged = [&](TObject*) { ++topChanges; };

    struct Step {
        int Key;
        Qt::KeyboardModifiers Mods;
        int Col, Row, TopRow;
    };
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 2, 1, 1},
        {Qt::Key_Down, Qt::NoModifier, 2, 2, 1},
        {Qt::Key_Up, Qt::NoModifier, 2, 1, 1},
        {Qt::Key_Up, Qt::NoModifier, 2, 1, 1},  // the first row after the fixed one stays
        {Qt::Key_End, Qt::NoModifier, 9, 1, 1},
        {Qt::Key_Home, Qt::NoModifier, 1, 1, 1},
        {Qt::Key_PageDown, Qt::NoModifier, 1, 1 + vis, 1 + vis},
        {Qt::Key_PageUp, Qt::NoModifier, 1, 1, 1},
        {Qt::Key_End, Qt::ControlModifier, 9, 19, 20 - vis},
        {Qt::Key_Home, Qt::ControlModifier, 1, 1, 1},
    };
    for (const Step& s : steps) {
        Key(w, s.Key, s.Mods);
        EXPECT_EQ(g->Col(), s.Col) << "key " << s.Key;
        EXPECT_EQ(g->Row(), s.Row) << "key " << s.Key;
        EXPECT_EQ(g->TopRow(), s.TopRow) << "key " << s.Key;
    }
    EXPECT_GT(topChanges, 0);

    // Down past the last full row scrolls by one row.
    for (int i = 0; i < vis; ++i) Key(w, Qt::Key_Down);
    EXPECT_EQ(g->Row(), 1 + vis);
    EXPECT_EQ(g->TopRow(), 2);
}

TEST_F(GridsTest, TabMovesAcrossRowsOnlyWithGoTabs) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goTabs});
    QWidget* w = g->Handle();
    g->SetCol(9);
    Key(w, Qt::Key_Tab);
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 2);
    Key(w, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g->Col(), 9);
    EXPECT_EQ(g->Row(), 1);

    // Without goTabs Tab leaves the grid for the next control.
    auto* edit = New<TEdit>(Form);
    edit->SetBounds(320, 10, 80, 24);
    edit->SetParent(Back);
    g->SetOptions(DefaultGridOptions);
    g->SetFocus();
    Key(w, Qt::Key_Tab);
    EXPECT_EQ(g->Col(), 9);
    EXPECT_EQ(Form->ActiveControl(), edit);
}

TEST_F(GridsTest, ShiftWithKeysSelectsARangeOnlyWithGoRangeSelect) {
    TStringGrid* g = MakeGrid();
    QWidget* w = g->Handle();
    Key(w, Qt::Key_Down, Qt::ShiftModifier);
    Key(w, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(g->Selection(), (TGridRect{1, 1, 2, 2}));
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Row(), 2);
    Key(w, Qt::Key_Down);
    EXPECT_EQ(g->Selection(), (TGridRect{2, 3, 2, 3}));

    g->SetOptions(DefaultGridOptions - TGridOptions{goRangeSelect});
    Key(w, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(g->Selection(), (TGridRect{2, 4, 2, 4}));

    // goRowSelect: whole rows, Left and Right move between rows.
    g->SetOptions(DefaultGridOptions + TGridOptions{goRowSelect});
    Key(w, Qt::Key_Right);
    EXPECT_EQ(g->Row(), 5);
    EXPECT_EQ(g->Selection(), (TGridRect{1, 5, 9, 5}));
}

// ---- mouse -------------------------------------------------------------------------------------

TEST_F(GridsTest, MouseSelectsACellAndDragsARange) {
    TStringGrid* g = MakeGrid();
    QWidget* w = g->Handle();
    int clicks = 0;
    g->OnClick = [&](TObject*) { ++clicks; };
    ClickAt(w, Center(g->CellRect(3, 2)));
    EXPECT_EQ(g->Col(), 3);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_GE(clicks, 1);

    // Dragging moves the far corner; the current cell stays where the button went down.
    Drag(w, Center(g->CellRect(2, 2)), Center(g->CellRect(3, 5)));
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_EQ(g->Selection(), (TGridRect{2, 2, 3, 5}));

    // Shift+click extends from the current cell.
    ClickAt(w, Center(g->CellRect(1, 1)), Qt::ShiftModifier);
    EXPECT_EQ(g->Selection(), (TGridRect{1, 1, 2, 2}));

    // A click on a fixed cell does not move.
    ClickAt(w, Center(g->CellRect(0, 3)));
    EXPECT_EQ(g->Row(), 2);

    int c = 0, r = 0;
    TRect cell = g->CellRect(2, 3);
    g->MouseToCell(cell.Left + 1, cell.Top + 1, c, r);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 3);
    g->MouseToCell(g->ClientWidth() + 5, 1, c, r);
    EXPECT_EQ(c, -1);
}

TEST_F(GridsTest, OnSelectCellRefusingKeepsTheOldCell) {
    TStringGrid* g = MakeGrid();
    QWidget* w = g->Handle();
    std::vector<std::pair<int, int>> asked;
    g->OnSelectCell = [&](TObject*, int ACol, int ARow, bool& CanSelect) {
        asked.emplace_back(ACol, ARow);
        if (ACol == 3) CanSelect = false;
    };
    Key(w, Qt::Key_Right);
    ASSERT_EQ(g->Col(), 2);
    Key(w, Qt::Key_Right);
    EXPECT_EQ(g->Col(), 2);
    // A refused click neither moves nor drags a range to the refused cell.
    ClickAt(w, Center(g->CellRect(3, 4)));
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Row(), 1);
    EXPECT_EQ(g->Selection(), (TGridRect{2, 1, 2, 1}));
    g->SetCol(3);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Selection(), (TGridRect{2, 1, 2, 1}));
    ASSERT_GE(asked.size(), 3u);
    EXPECT_EQ(asked[1], std::make_pair(3, 1));
    EXPECT_EQ(asked[2], std::make_pair(3, 4));
}

TEST_F(GridsTest, DraggingAFixedLineSizesTheColumn) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goColSizing, goRowSizing});
    QWidget* w = g->Handle();
    std::vector<int> changes;
    TRect title = g->CellRect(1, 0);
    // The line after column 1, in the fixed row.
    Drag(w, QPoint(title.Right, title.Top + 5), QPoint(title.Right + 30, title.Top + 5));
    EXPECT_EQ(g->ColWidths(1), 64 + 30);
    EXPECT_EQ(g->ColWidths(2), 64);
    EXPECT_EQ(g->Col(), 1);  // no selection moved
    EXPECT_EQ(g->CellRect(2, 1).Left, title.Left + 94 + 1);

    // A row by the line in the fixed column.
    TRect fixed = g->CellRect(0, 2);
    Drag(w, QPoint(fixed.Left + 5, fixed.Bottom), QPoint(fixed.Left + 5, fixed.Bottom - 10));
    EXPECT_EQ(g->RowHeights(2), 14);

    // Without goColSizing the same drag selects nothing and sizes nothing.
    g->SetOptions(DefaultGridOptions);
    title = g->CellRect(3, 0);
    Drag(w, QPoint(title.Right, title.Top + 5), QPoint(title.Right + 30, title.Top + 5));
    EXPECT_EQ(g->ColWidths(3), 64);
}

TEST_F(GridsTest, DraggingATitleMovesTheColumnWithItsCells) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goColMoving});
    QWidget* w = g->Handle();
    for (int c = 0; c < 5; ++c) g->SetCells(c, 1, QString("c%1").arg(c));
    g->SetColWidths(1, 50);
    std::vector<std::pair<int, int>> moved;
    g->OnColumnMoved = [&](TObject*, int From, int To) { moved.emplace_back(From, To); };
    Drag(w, Center(g->CellRect(1, 0)), Center(g->CellRect(3, 0)));
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0], std::make_pair(1, 3));
    EXPECT_EQ(g->Rows(1)->CommaText(), "c0,c2,c3,c1,c4,,,,,");
    EXPECT_EQ(g->ColWidths(3), 50);
    EXPECT_EQ(g->ColWidths(1), 64);
    EXPECT_EQ(g->Col(), 3);

    // Rows move by their fixed cell with goRowMoving.
    g->SetOptions(DefaultGridOptions + TGridOptions{goRowMoving});
    g->Cols(0)->SetCommaText("t,r1,r2,r3,r4");
    g->SetRowHeights(2, 30);
    std::vector<std::pair<int, int>> rows;
    g->OnRowMoved = [&](TObject*, int From, int To) { rows.emplace_back(From, To); };
    Drag(w, Center(g->CellRect(0, 2)), Center(g->CellRect(0, 4)));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], std::make_pair(2, 4));
    EXPECT_EQ(g->Cols(0)->CommaText().left(14), "t,r1,r3,r4,r2,");
    EXPECT_EQ(g->RowHeights(4), 30);
    EXPECT_EQ(g->Row(), 4);
}

// ---- scrolling ---------------------------------------------------------------------------------

TEST_F(GridsTest, ScrollMessagesMoveTheTopRowOverTheFrameworksRange) {
    TStringGrid* g = MakeGrid();
    const int maxTop = 20 - g->VisibleRowCount();
    EXPECT_LT(g->ClientWidth(), 300);  // both bars take room
    EXPECT_LT(g->ClientHeight(), 200);
    g->Perform(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(g->TopRow(), 2);
    EXPECT_EQ(g->Row(), 1);  // scrolling does not move the current cell
    g->Perform(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(g->TopRow(), maxTop);
    g->Perform(WM_VSCROLL, SB_THUMBPOSITION | (0 << 16));
    EXPECT_EQ(g->TopRow(), 1);
    // Positions run 0..127: the middle of the bar is the middle of the scrollable rows.
    g->Perform(WM_VSCROLL, SB_THUMBPOSITION | (64 << 16));
    EXPECT_EQ(g->TopRow(), 1 + (64 * (maxTop - 1) + 63) / 127);
    // Tracking scrolls only with goThumbTracking.
    g->Perform(WM_VSCROLL, SB_THUMBTRACK | (127 << 16));
    EXPECT_NE(g->TopRow(), maxTop);
    g->SetOptions(DefaultGridOptions + TGridOptions{goThumbTracking});
    g->Perform(WM_VSCROLL, SB_THUMBTRACK | (127 << 16));
    EXPECT_EQ(g->TopRow(), maxTop);
    const int visCols = g->VisibleColCount();
    EXPECT_EQ(visCols, 3);  // 65 pixels each after the fixed column, in 283
    g->Perform(WM_HSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(g->LeftCol(), 1 + visCols);

    // The bars drive the grid and show where it is.
    QScrollBar* vbar = nullptr;
    for (QScrollBar* b : g->Handle()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) vbar = b;
    ASSERT_NE(vbar, nullptr);
    EXPECT_TRUE(vbar->isVisibleTo(g->Handle()));
    EXPECT_EQ(vbar->maximum(), 127);
    EXPECT_EQ(vbar->value(), 127);
    vbar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(g->TopRow(), maxTop - g->VisibleRowCount());
    EXPECT_EQ(vbar->value(), (127 * (g->TopRow() - 1) + (maxTop - 1) / 2) / (maxTop - 1));
    vbar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(g->TopRow(), 1);
    EXPECT_EQ(vbar->value(), 0);

    // Everything fits: no bars, the whole client area is the grid's.
    g->SetRowCount(3);
    g->SetColCount(3);
    EXPECT_EQ(g->ClientWidth(), 300);
    EXPECT_EQ(g->ClientHeight(), 200);
    EXPECT_EQ(g->TopRow(), 1);
    EXPECT_EQ(g->LeftCol(), 1);
}

// ---- editing -----------------------------------------------------------------------------------

TEST_F(GridsTest, EditingACellThroughTheInplaceEditor) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goEditing});
    QWidget* w = g->Handle();
    g->SetCells(1, 1, "abc");
    g->SetCells(1, 2, "second");
    std::vector<QString> set;
    g->OnSetEditText = [&](TObject*, int, int, const String& V) { set.push_back(V); };

    Key(w, Qt::Key_F2);
    TInplaceEdit* ed = g->InplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(g->EditorMode());
    EXPECT_TRUE(ed->Visible());
    EXPECT_EQ(ed->Text(), "abc");
    EXPECT_EQ(ed->BoundsRect(), g->CellRect(1, 1));
    QWidget* ew = ed->Handle();
    TypeKeys(ew, "xy");  // the text was all selected: typing replaces it
    EXPECT_EQ(g->Cells(1, 1), "xy");
    Key(ew, Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_FALSE(g->EditorMode());
    EXPECT_FALSE(ed->Visible());
    EXPECT_EQ(g->Cells(1, 1), "xy");
    ASSERT_FALSE(set.empty());
    EXPECT_EQ(set.back(), "xy");

    // A character typed on the grid opens the editor with it; Down ends the edit and moves.
    TypeKeys(w, "q");
    EXPECT_TRUE(ed->Visible());
    EXPECT_EQ(ed->Text(), "q");
    Key(ed->Handle(), Qt::Key_Down);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_EQ(g->Cells(1, 1), "q");
    EXPECT_FALSE(ed->Visible());

    // Esc drops what was typed.
    Key(w, Qt::Key_Return, Qt::NoModifier, "\r");
    ASSERT_TRUE(ed->Visible());
    EXPECT_EQ(ed->Text(), "second");
    TypeKeys(ed->Handle(), "zzz");
    EXPECT_EQ(g->Cells(1, 2), "zzz");
    Key(ed->Handle(), Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
    EXPECT_FALSE(ed->Visible());
    EXPECT_FALSE(g->EditorMode());
    EXPECT_EQ(g->Cells(1, 2), "second");
    EXPECT_EQ(set.back(), "second");

    // Without goEditing the keys do not open it.
    g->SetOptions(DefaultGridOptions);
    Key(w, Qt::Key_F2);
    TypeKeys(w, "k");
    EXPECT_FALSE(ed->Visible());
    EXPECT_EQ(g->Cells(1, 2), "second");
}

TEST_F(GridsTest, AlwaysShowEditorFollowsTheCurrentCell) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goEditing, goAlwaysShowEditor});
    g->SetCells(1, 2, "two");
    Key(g->Handle(), Qt::Key_Down);  // the grid had the focus before the option showed the editor
    TInplaceEdit* ed = g->InplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->Visible());
    EXPECT_EQ(g->Row(), 2);
    EXPECT_EQ(ed->Text(), "two");
    TypeKeys(ed->Handle(), "2");
    Key(ed->Handle(), Qt::Key_Down);
    EXPECT_EQ(g->Cells(1, 2), "2");
    EXPECT_EQ(g->Row(), 3);
    EXPECT_TRUE(ed->Visible());
    EXPECT_EQ(ed->BoundsRect(), g->CellRect(1, 3));

    // Rows removed under the editor: the grid carries on with a cell that exists.
    TypeKeys(ed->Handle(), "x");
    g->SetRowCount(3);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_EQ(g->Cells(1, 2), "2");
}

TEST_F(GridsTest, EditMaskFromOnGetEditMaskDrivesTheEditor) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goEditing});
    g->OnGetEditMask = [](TObject*, int ACol, int, String& Value) {
        if (ACol == 2) Value = "00.00;1;_";
    };
    g->SetCol(2);
    Key(g->Handle(), Qt::Key_F2);
    TInplaceEdit* ed = g->InplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->IsMasked());
    EXPECT_EQ(ed->EditText(), "__.__");
    TypeKeys(ed->Handle(), "12a34");  // the letter is refused by the mask
    EXPECT_EQ(g->Cells(2, 1), "12.34");
    Key(ed->Handle(), Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_EQ(g->Cells(2, 1), "12.34");

    // The next column has no mask.
    Key(g->Handle(), Qt::Key_Right);
    Key(g->Handle(), Qt::Key_F2);
    EXPECT_FALSE(ed->IsMasked());
}

// ---- drawing -----------------------------------------------------------------------------------

TEST_F(GridsTest, OnDrawCellReceivesFixedSelectedAndFocusedStates) {
    auto* g = New<TDrawGrid>(Form);
    g->SetBounds(10, 10, 300, 200);
    g->SetParent(Back);
    Form->Show();
    g->SetFocus();
    g->SetSelection(TGridRect{1, 1, 2, 2});  // the current cell is (2, 2)
    std::map<std::pair<int, int>, TGridDrawState> states;
    std::map<std::pair<int, int>, TRect> rects;
    g->OnDrawCell = [&](TObject*, int C, int R, TRect Rect, TGridDrawState S) {
        states[{C, R}] = S;
        rects[{C, R}] = Rect;
    };
    auto St = [&](int C, int R) { return states[std::make_pair(C, R)]; };
    Form->Handle()->grab();
    ASSERT_EQ(states.size(), 25u);
    EXPECT_EQ(St(0, 0), TGridDrawState{gdFixed});
    EXPECT_EQ(St(3, 0), TGridDrawState{gdFixed});
    EXPECT_EQ(St(0, 2), TGridDrawState{gdFixed});
    EXPECT_EQ(St(1, 1), TGridDrawState{gdSelected});
    EXPECT_EQ(St(2, 2), (TGridDrawState{gdSelected, gdFocused}));
    EXPECT_EQ(St(3, 3), TGridDrawState{});
    EXPECT_EQ(rects[std::make_pair(2, 2)], g->CellRect(2, 2));
    EXPECT_EQ(g->CellRect(2, 2), Bounds(2 * 65, 2 * 25, 64, 24));

    // Another control takes the focus: no focused cell.
    auto* edit = New<TEdit>(Form);
    edit->SetBounds(320, 10, 80, 24);
    edit->SetParent(Back);
    edit->SetFocus();
    states.clear();
    Form->Handle()->grab();
    EXPECT_EQ(St(2, 2), TGridDrawState{gdSelected});
}

TEST_F(GridsTest, StringGridGrabsToPng) {
    TStringGrid* g = MakeGrid(DefaultGridOptions + TGridOptions{goEditing});
    g->SetFixedColor(clBtnFace);
    g->SetColWidths(0, 30);
    for (int c = 1; c < 10; ++c) g->SetCells(c, 0, QString("Кол %1").arg(c));
    for (int r = 1; r < 20; ++r) {
        g->SetCells(0, r, QString::number(r));
        for (int c = 1; c < 10; ++c) g->SetCells(c, r, QString::number(r * c));
    }
    g->SetSelection(TGridRect{1, 2, 2, 3});
    QImage img = Form->Handle()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QString path = QDir::temp().filePath("sdelka_grids_test.png");
    ASSERT_TRUE(img.save(path));
    // Fixed cells in the button face, selection in the highlight colour, normal cells in the
    // window colour, the grid line between them in silver.
    TPoint o(10, 10);
    auto at = [&](TRect R) { return img.pixelColor(o.X + R.Left + 1, o.Y + R.Bottom - 3); };
    EXPECT_EQ(at(g->CellRect(3, 0)), ColorToQColor(clBtnFace));
    EXPECT_EQ(at(g->CellRect(1, 2)), ColorToQColor(clHighlight));
    EXPECT_EQ(at(g->CellRect(4, 4)), ColorToQColor(clWindow));
    TRect c = g->CellRect(3, 4);
    EXPECT_EQ(img.pixelColor(o.X + c.Right, o.Y + c.Top + 5), ColorToQColor(clSilver));
}

// ---- string grid -------------------------------------------------------------------------------

TEST_F(GridsTest, StringGridCellsFollowSizeAndViewsReadAndWriteThem) {
    auto* g = New<TStringGrid>(Form);
    g->SetColCount(3);
    g->SetRowCount(3);
    g->Rows(1)->SetCommaText("a,b,c");
    EXPECT_EQ(g->Cells(1, 1), "b");
    EXPECT_EQ(g->Cols(2)->Count(), 3);
    EXPECT_EQ(g->Cols(2)->Strings(1), "c");
    g->Cols(0)->SetText("x\ny");
    EXPECT_EQ(g->Cells(0, 0), "x");
    EXPECT_EQ(g->Cells(0, 1), "y");
    EXPECT_EQ(g->Cells(0, 2), "");
    TObject marker;
    g->SetObjects(2, 2, &marker);
    EXPECT_EQ(g->Rows(2)->Objects(2), &marker);

    // Growing keeps the cells; shrinking drops the ones that went.
    g->SetColCount(5);
    EXPECT_EQ(g->Cells(1, 1), "b");
    EXPECT_EQ(g->Cells(4, 1), "");
    g->SetRowCount(2);
    EXPECT_EQ(g->Rows(1)->CommaText(), "y,b,c,,");
    EXPECT_THROW(g->Cells(0, 2), EInvalidGridOperation);
    EXPECT_THROW(g->SetCells(5, 0, "z"), EInvalidGridOperation);
    EXPECT_THROW(g->Rows(1)->Delete(0), EInvalidGridOperation);

    EXPECT_THROW(g->SetFixedCols(5), EInvalidGridOperation);
    g->SetColCount(1);
    EXPECT_EQ(g->FixedCols(), 0);
    EXPECT_THROW(g->SetCol(3), EInvalidGridOperation);
}

}  // namespace
