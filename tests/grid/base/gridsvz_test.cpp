// The base grid driven the way a user reaches it: Qt key and mouse events on its window, pixels of
// the grabbed window, and the scroll requests its scroll bars send. A small grid class gives the
// cells texts (so the in-place editor has something to edit) and counts the per-cell events.
#include "grid/base/gridsvz.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <map>
#include <vector>

namespace {

class TTestGrid : public TCustomGridVz {
    SDELKA_CLASS(TTestGrid, TCustomGridVz)
protected:
    explicit TTestGrid(TComponent* AOwner) : TCustomGridVz(AOwner) {}
    ~TTestGrid() override = default;

public:
    std::map<std::pair<int, int>, String> Texts;
    int MaxLength = 0;
    bool FailOnWrite = false;
    std::vector<std::pair<TGridCoord, bool>> CellEvents;  // (cell, true = click)
    std::vector<TShiftState> ClickShifts;
    bool RefuseDblClick = false;
    bool RefuseRowDrag = false;
    int Writes = 0;

    String GetCellEditText(int ACol, int ARow) override { return Texts[{ACol, ARow}]; }
    void SetCellEditText(int ACol, int ARow, const String& Value) override {
        ++Writes;
        if (FailOnWrite) throw Exception(QStringLiteral("write refused"));
        Texts[{ACol, ARow}] = Value;
    }
    int GetCellEditMaxLength(int, int) override { return MaxLength; }
    void CellMouseDown(const TGridCoord& Cell, TMouseButton B, TShiftState S, const TPoint& P, const TPoint& M) override {
        CellEvents.push_back({Cell, false});
        TCustomGridVz::CellMouseDown(Cell, B, S, P, M);
    }
    void CellMouseClick(const TGridCoord& Cell, TMouseButton B, TShiftState S, const TPoint& P, const TPoint& M) override {
        CellEvents.push_back({Cell, true});
        ClickShifts.push_back(S);
        TCustomGridVz::CellMouseClick(Cell, B, S, P, M);
    }
    bool CellAcceptsDblClick(const TGridCoord&, TMouseButton, const TPoint&, const TPoint&, TShiftState) override {
        return !RefuseDblClick;
    }
    bool BeginRowDrag(int&, int&, const TPoint&) override { return !RefuseRowDrag; }

    // The grid timer's tick, as the timer would run it.
    void Tick() { GridTimerEvent(nullptr); }
    using TCustomGridVz::CalcMaxTopLeft;
    using TCustomGridVz::DetectSizingAt;
    using TCustomGridVz::GetCellBorder;
    using TCustomGridVz::ModifyScrollBar;
    using TCustomGridVz::PanGesture;
    using TCustomGridVz::ScrollAxisByCells;
};

void Key(QWidget* W, int QtKey, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = QString()) {
    QKeyEvent press(QEvent::KeyPress, QtKey, Mods, Text);
    QCoreApplication::sendEvent(W, &press);
    QKeyEvent release(QEvent::KeyRelease, QtKey, Mods, Text);
    QCoreApplication::sendEvent(W, &release);
}

void Mouse(QWidget* W, QEvent::Type T, QPoint P, Qt::MouseButtons Buttons, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QMouseEvent e(T, P, W->mapToGlobal(P), Qt::LeftButton, Buttons, Mods);
    QCoreApplication::sendEvent(W, &e);
}

void Click(QWidget* W, QPoint P) {
    Mouse(W, QEvent::MouseButtonPress, P, Qt::LeftButton);
    Mouse(W, QEvent::MouseButtonRelease, P, Qt::NoButton);
}

QPoint Center(const TRect& R) { return QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }

// The widget that holds the keyboard focus now (the grid or its editor's core).
QWidget* FocusWidget() { return QApplication::focusWidget(); }

class GridVz : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 520, 360);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        Application->ProcessMessages();
    }
    TTestGrid* MakeGrid(int W = 400, int H = 200, bool Show = true) {
        auto* g = New<TTestGrid>(Form);
        g->SetBounds(0, 0, W, H);
        g->SetParent(Form);
        if (Show) {
            Form->Show();
            g->SetFocus();
            Application->ProcessMessages();
        }
        return g;
    }
    static QImage Grab(TTestGrid* G) {
        G->Invalidate();
        return G->Handle()->grab().toImage();
    }
    static void Save(const QImage& Img, const char* Name) {
        QString dir = QDir::temp().filePath(QStringLiteral("sdelka-grid"));
        QDir().mkpath(dir);
        Img.save(dir + QLatin1Char('/') + QLatin1String(Name));
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

QRgb Rgb(TColor C) {
    COLORREF c = ColorToRGB(C);
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// ---- structure, options and geometry -----------------------------------------------------------

TEST_F(GridVz, ANewGridHasSixBySixCellsOfDefaultSizeAndTheDefaultOptions) {
    auto* g = New<TTestGrid>(Form);
    EXPECT_EQ(g->ColCount(), 6);
    EXPECT_EQ(g->RowCount(), 6);
    EXPECT_EQ(g->FixedColCount(), 1);
    EXPECT_EQ(g->DefaultColWidth(), 50);
    EXPECT_EQ(g->DefaultRowHeight(), 20);
    EXPECT_EQ(g->Width(), 300);
    EXPECT_EQ(g->Height(), 120);
    EXPECT_EQ(g->Options().ToBits(), 0x183FFu);
    EXPECT_EQ(g->HorzScrollBarPanelControl()->Name(), QStringLiteral("HorzScrollBarPanelControl"));

    g->SetOptions(g->Options() + goRowSelectVz + goAlwaysShowEditorVz);
    EXPECT_TRUE(g->Options().Contains(goRowSelectVz));
    EXPECT_FALSE(g->Options().Contains(goAlwaysShowEditorVz));
}

TEST_F(GridVz, CellExtentsCheckTheirIndexes) {
    auto* g = MakeGrid();
    g->SetContraColCount(1);
    g->SetColWidths(6, 30);  // the contra column: absolute index past the rolling ones
    EXPECT_EQ(g->ColWidths(6), 30);
    for (int bad : {-1, 7}) {
        EXPECT_THROW(g->ColWidths(bad), EInvalidGridOperationVz);
        EXPECT_THROW(g->SetColWidths(bad, 10), EInvalidGridOperationVz);
        EXPECT_THROW(g->RowHeights(bad - (bad > 0 ? 1 : 0)), EInvalidGridOperationVz);
    }
    try {
        g->SetRowHeights(99, 5);
        FAIL();
    } catch (const EInvalidGridOperationVz& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Grid index out of range"));
    }
}

TEST_F(GridVz, PointsAndCellsMapBothWays) {
    auto* g = MakeGrid(400, 200);
    g->SetColCount(21);
    g->SetRowCount(21);
    // Left of the cells, below the last row, right of the last rolling column: -1 for that axis.
    g->SetColCount(4);
    g->SetRowCount(4);
    EXPECT_EQ(g->MouseCoord(-3, 30).X, -1);
    EXPECT_EQ(g->MouseCoord(60, 30).X, 1);
    EXPECT_EQ(g->MouseCoord(60, 30).Y, 1);
    EXPECT_EQ(g->MouseCoord(60, 95).Y, -1);   // rows end at 80
    EXPECT_EQ(g->MouseCoord(250, 30).X, -1);  // columns end at 200
    // A rolling column scrolled completely out is empty; one half out starts at the fixed boundary.
    g->SetColCount(21);
    g->SetHorzRolStartVisPos(75);
    EXPECT_TRUE(g->CellRect(1, 1).IsEmpty());
    TRect half = g->CellRect(2, 1);
    EXPECT_EQ(half.Left, g->HorzAxis()->FixedBoundary());
    EXPECT_EQ(half.Right, 50 + 100 - 75);
    EXPECT_EQ(g->CellRectAbs(1, 1).Left, 50 - 75);
}

TEST_F(GridVz, MovingColumnsAndShrinkingCountsKeepTheCurrentCellValid) {
    auto* g = MakeGrid();
    g->SetColCount(8);
    g->SetCol(4);
    g->MoveColumn(2, 5);
    EXPECT_EQ(g->Col(), 3);
    EXPECT_EQ(g->AnchorCell(), (TGridCoord{3, g->Row()}));

    g->SetCol(7);
    g->SetColCount(5);
    EXPECT_EQ(g->Col(), 4);
    EXPECT_EQ(g->AnchorCell().X, 4);

    g->SetContraColCount(1);
    EXPECT_THROW(g->MoveCurrentCell(g->ColCount(), 1, true, true), EInvalidGridOperationVz);
    EXPECT_EQ(g->Col(), 4);

    g->SetFrozenColCount(1);
    g->SetCol(1);
    g->SetFixedColCount(3);
    EXPECT_GE(g->Col(), 2);
}

// ---- painting ----------------------------------------------------------------------------------

TEST_F(GridVz, ZonesPaintWithTheirColoursAndLines) {
    auto* g = MakeGrid(400, 200);
    g->SetColor(clAqua);  // the empty area shows the grid's colour, cells their own
    g->SetFixedColCount(2);
    g->SetFrozenColCount(1);
    g->SetColCount(5);  // two fixed, three rolling of 50: cells end at x 250
    g->SetContraColCount(1);
    g->SetRow(4);
    QImage img = Grab(g);
    Save(img, "zones.png");
    const int cs = g->HorzAxis()->ContraStart();
    ASSERT_EQ(cs, 400 - 51);  // one contra column and its boundary line
    const int y = 75;         // inside row 3, away from the texts
    struct Probe {
        int X, Y;
        TColor Colour;
        const char* What;
    } probes[] = {
        {40, y, clMoneyGreen, "indicator column cell"},
        {49, y, clGray, "indicator column's right line"},
        {90, y, clWindow, "frozen column cell"},
        {99, y, clGray, "frozen column's right line (last fixed column)"},
        {140, y, clWindow, "data cell"},
        {149, y, clSilver, "data cell's right line"},
        {140, 79, clSilver, "data cell's bottom line"},
        {140, 15, clMoneyGreen, "fixed row cell"},
        {140, 19, clGray, "fixed row's bottom line"},
        {300, y, clAqua, "empty area right of the rolling columns"},
        {cs, y, clGray, "contra boundary line along a data row"},
        {cs, 10, clGray, "contra boundary line along the fixed row"},
        {375, y, clWindow, "contra cell"},
        {399, y, clSilver, "contra cell's right line"},
        {140, 150, clAqua, "empty area below the rows"},
        {cs, 150, clAqua, "the boundary line's place below the rows"},
        {375, 150, clAqua, "empty area below the contra cells"},
    };
    for (const Probe& p : probes) EXPECT_EQ(img.pixel(p.X, p.Y), Rgb(p.Colour)) << p.What;
}

TEST_F(GridVz, TheDarkerLineOwnsASharedCorner) {
    auto* g = MakeGrid(300, 120);
    g->SetFrozenRowCount(1);
    // A frozen fixed row's cell: its bottom line is dark, its right line bright: the corner is dark.
    QImage img = Grab(g);
    EXPECT_EQ(img.pixel(99, 19), Rgb(clGray));
    // A data cell: both lines bright: bright corner.
    EXPECT_EQ(img.pixel(99, 39), Rgb(clSilver));
    // Equal luminance with different colours gives the corner to the vertical line.
    g->GridLineColors()->SetBrightColor(TColor(0x0000FF));  // pure red, luminance 76
    g->GridLineColors()->SetDarkColor(TColor(0x4C4C4C));    // grey of the same luminance
    img = Grab(g);
    EXPECT_EQ(img.pixel(99, 19), Rgb(TColor(0x0000FF)));
}

TEST_F(GridVz, DrawStatesFollowTheCurrentCellFocusAndRowSelection) {
    struct TStateGrid : TTestGrid {
        using TTestGrid::TTestGrid;
        std::map<std::pair<int, int>, TGridDrawState> States;
        void PaintCell(int C, int R, TGridDrawState S, TRect Rc) override {
            States[{C, R}] = S;
            TTestGrid::PaintCell(C, R, S, Rc);
        }
    };
    auto* g = New<TStateGrid>(Form);
    g->SetBounds(0, 0, 400, 200);
    g->SetParent(Form);
    Form->Show();
    g->SetFocus();
    g->SetOptions(g->Options() + goRowSelectVz);
    g->SetCol(2);
    g->SetRow(3);
    g->Handle()->grab();
    EXPECT_TRUE(g->States[std::pair(2, 3)].Contains(gdCurrent));
    EXPECT_TRUE(g->States[std::pair(2, 3)].Contains(gdFocused));
    EXPECT_TRUE(g->States[std::pair(4, 3)].Contains(gdRowSelected));
    EXPECT_FALSE(g->States[std::pair(4, 3)].Contains(gdCurrent));
    EXPECT_FALSE(g->States[std::pair(2, 2)].Contains(gdRowSelected));
    EXPECT_TRUE(g->States[std::pair(0, 3)].Contains(gdFixed));
}

TEST_F(GridVz, MarginsAndTheBackgroundPicturePlaceThemselves) {
    auto* g = MakeGrid(400, 300);
    TGridOutBoundaryDataVz* m = g->OutBoundaryData();
    m->SetTopIndent(10);
    m->SetLeftIndent(8);
    TRect r;
    ASSERT_TRUE(m->GetOutBoundaryRect(r, cbtTopVz));
    EXPECT_EQ(r, TRect(0, 0, 400, 10));
    ASSERT_TRUE(m->GetOutBoundaryRect(r, cbtLeftVz));
    EXPECT_EQ(r, TRect(0, 10, 8, 300));
    m->SetLeftTopDrawPriority(crpVerticalDataPriorityVz);
    m->GetOutBoundaryRect(r, cbtTopVz);
    EXPECT_EQ(r.Left, 8);
    m->GetOutBoundaryRect(r, cbtLeftVz);
    EXPECT_EQ(r.Top, 0);
    EXPECT_FALSE(m->GetOutBoundaryRect(r, cbtBottomVz));
    EXPECT_EQ(g->HorzAxis()->GridClientStart(), 8);
    EXPECT_EQ(g->VertAxis()->GridClientStart(), 10);
    EXPECT_EQ(g->CellRect(0, 0).Left, 8);
    QImage img = Grab(g);
    EXPECT_EQ(img.pixel(3, 150), Rgb(clBtnFace));  // the margin in the fixed colour

    // A 200 x 100 picture in the 400 x 300 cell area.
    m->SetTopIndent(0);
    m->SetLeftIndent(0);
    auto* bmp = New<TBitmap>();
    bmp->SetSize(200, 100);
    TGridBackgroundDataVz* b = g->BackgroundData();
    b->Picture()->SetGraphic(bmp);
    bmp->Free();
    struct Case {
        TImagePlacementVz P;
        TRect Want;
    } cases[] = {
        {ipFitVz, TRect(0, 50, 400, 250)},
        {ipFillVz, TRect(-100, 0, 500, 300)},
        {ipCenterCenterVz, TRect(100, 100, 300, 200)},
        {ipStretchVz, TRect(0, 0, 400, 300)},
        {ipBottomRightVz, TRect(200, 200, 400, 300)},
    };
    for (const Case& c : cases) {
        b->SetPlacement(c.P);
        b->CalcPictureRect(r);
        EXPECT_EQ(r, c.Want) << int(c.P);
    }
    b->SetHorzMargin(20);
    b->CalcPictureRect(r);
    EXPECT_EQ(r.Left, 220);  // the margin shifts the origin only
}

// ---- scrolling ---------------------------------------------------------------------------------

TEST_F(GridVz, PageDownByCellsStartsAtTheLastPartlyOrNextRow) {
    for (auto [height, want] : {std::pair{190, 9}, std::pair{200, 10}}) {
        auto* g = MakeGrid(300, 400);
        g->SetFixedRowCount(0);
        g->SetRowCount(40);
        g->HorzScrollBar()->SetVisible(false);
        g->SetHeight(height);
        g->ModifyScrollBar(SB_VERT, SB_PAGEDOWN, 0, true);
        EXPECT_EQ(g->VertAxis()->RolStartVisCel(), want) << height;
        g->ModifyScrollBar(SB_VERT, SB_BOTTOM, 0, true);
        EXPECT_EQ(g->VertRolStartVisPos(), 800 - g->VertAxis()->RolClientLen()) << height;
        g->Free();
    }
}

TEST_F(GridVz, ThumbTrackingFollowsTheSettingAndReleasingAtTheEndShowsTheEnd) {
    auto* g = MakeGrid(300, 200);
    g->SetRowCount(50);
    g->ModifyScrollBar(SB_VERT, SB_THUMBTRACK, 95, true);
    EXPECT_EQ(g->VertRolStartVisPos(), 100);  // the nearer row start
    g->VertScrollBar()->SetTracking(false);
    g->ModifyScrollBar(SB_VERT, SB_THUMBTRACK, 300, true);
    EXPECT_EQ(g->VertRolStartVisPos(), 100);
    const int end = static_cast<int>(g->VertAxis()->RolLen() - g->VertAxis()->RolClientLen());
    g->ModifyScrollBar(SB_VERT, SB_THUMBPOSITION, end, true);
    EXPECT_EQ(g->VertRolStartVisPos(), end);
}

TEST_F(GridVz, ScrollBarsShowWhenThereIsSomethingToScroll) {
    auto* g = MakeGrid(300, 200);
    EXPECT_FALSE(g->VertScrollBar()->IsScrollBarShowing());
    g->SetRowCount(30);
    EXPECT_TRUE(g->VertScrollBar()->IsScrollBarShowing());
    EXPECT_EQ(g->VertScrollBarPanelControl()->Width(), g->VertScrollBar()->ActualSize());
    EXPECT_EQ(g->HorzAxis()->GridClientStop(), 300 - g->VertScrollBar()->ActualSize());
    g->VertScrollBar()->SetVisible(false);
    EXPECT_EQ(g->VertScrollBar()->VisibleMode(), sbNeverShowVz);
    EXPECT_EQ(g->HorzAxis()->GridClientStop(), 300);
    g->HorzScrollBar()->SetVisibleMode(sbAlwaysShowVz);
    EXPECT_TRUE(g->HorzScrollBar()->IsScrollBarShowing());
    // The bar itself moves the grid.
    g->VertScrollBar()->SetVisible(true);
    TScrollBar* bar = g->VertScrollBarPanelControl()->ScrollBar();
    bar->DoScroll(scLineDown);
    EXPECT_EQ(g->TopRow(), 2);
    EXPECT_EQ(bar->Position(), 20);
}

TEST_F(GridVz, ScrollingACellIntoViewAndClampingAfterAResize) {
    auto* g = MakeGrid(300, 200);
    g->SetColCount(10);
    g->SetColWidths(6, 400);  // wider than the viewport
    g->SetCol(6);
    EXPECT_EQ(g->HorzRolStartVisPos(), 250);  // its left edge shows
    g->SetCol(9);
    g->SetWidth(2000);
    Int64 h, v;
    g->CalcMaxTopLeft(h, v, true, true);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(g->HorzRolStartVisPos(), 0);
}

TEST_F(GridVz, TenMillionRowsScrollToTheLastRowAndPaintIt) {
    auto* g = MakeGrid(400, 300);
    g->SetRowCount(10'000'001);
    g->SetCol(1);
    Key(g->Handle(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g->Row(), 10'000'000);
    EXPECT_EQ(g->VertRolStartVisPos(), g->VertAxis()->RolLen() - g->VertAxis()->RolClientLen());
    TRect last = g->CellRect(g->Col(), g->Row());
    EXPECT_EQ(last.Bottom, g->VertAxis()->ContraStart());
    QImage img = Grab(g);
    Save(img, "ten-million.png");
    // The last row is painted as current (selected) right above the horizontal scroll bar.
    EXPECT_EQ(img.pixel(last.Right - 5, last.Bottom - 5), Rgb(clHighlight));
}

TEST_F(GridVz, AnAxisLongerThanAScrollBarIsScaledOntoIt) {
    auto* g = MakeGrid(400, 300);
    g->SetDefaultRowHeight(400);
    g->SetRowCount(10'000'001);  // 4e9 pixels: beyond 32-bit positions
    g->VertScrollBar()->SetSmoothStep(true);
    int pos, mn, mx, pg;
    g->GetVertScrollBarParams(pos, mn, mx, pg);
    EXPECT_GT(mx, 0);
    EXPECT_LE(mx, 0x3FFFFFFF);
    EXPECT_GE(pg, 1);
    g->ModifyScrollBar(SB_VERT, SB_THUMBPOSITION, mx / 2, true);
    EXPECT_NEAR(double(g->VertRolStartVisPos()), 2e9, 1e4);
    g->ModifyScrollBar(SB_VERT, SB_THUMBPOSITION, mx - pg + 1, true);
    EXPECT_EQ(g->VertRolStartVisPos(), g->VertAxis()->RolLen() - g->VertAxis()->RolClientLen());
}

TEST_F(GridVz, APanOverZeroHeightRowsDoesNotDivideByZero) {
    auto* g = MakeGrid(300, 200);
    g->SetRowCount(40);
    g->VertScrollBar()->SetSmoothStep(true);
    g->SetRowHeights(g->TopRow(), 0);
    g->PanGesture(true, TPoint(50, 150));
    g->PanGesture(false, TPoint(50, 140));
    EXPECT_GT(g->VertRolStartVisPos(), 0);
}

// ---- keyboard ----------------------------------------------------------------------------------

TEST_F(GridVz, PageKeysMoveByAPageOfRows) {
    auto* g = MakeGrid(300, 200 + GetSystemMetrics(SM_CYHSCROLL));
    g->SetFixedRowCount(0);
    g->SetRowCount(30);
    g->SetColCount(12);  // a horizontal bar takes its height off the rows
    g->HorzAxis()->GridClientStart();  // lays the grid out after the count changes
    ASSERT_EQ(g->VertAxis()->RolClientLen(), 200);
    g->SetRow(0);
    Key(g->Handle(), Qt::Key_PageDown);
    EXPECT_EQ(g->Row(), 19);
    Key(g->Handle(), Qt::Key_PageDown);
    Key(g->Handle(), Qt::Key_PageDown);
    EXPECT_EQ(g->Row(), 29);
    Key(g->Handle(), Qt::Key_PageDown);  // no page left: one row down is not there either
    EXPECT_EQ(g->Row(), 29);
    Key(g->Handle(), Qt::Key_PageUp);
    EXPECT_LT(g->Row(), 29);
}

TEST_F(GridVz, HomeEndTabAndArrows) {
    auto* g = MakeGrid(400, 200);
    g->SetContraColCount(1);
    g->SetOptions(g->Options() + goTabsVz);
    Key(g->Handle(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g->Col(), 5);  // the last non-contra column
    EXPECT_EQ(g->Row(), 5);
    Key(g->Handle(), Qt::Key_Tab);  // wraps to the first data cell
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 1);
    Key(g->Handle(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g->Col(), 5);
    EXPECT_EQ(g->Row(), 5);
    Key(g->Handle(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 1);
    Key(g->Handle(), Qt::Key_Left);  // the indicator column is not a data column
    EXPECT_EQ(g->Col(), 1);
    Key(g->Handle(), Qt::Key_Right);
    Key(g->Handle(), Qt::Key_Down);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Row(), 2);
}

TEST_F(GridVz, ShiftArrowsGrowTheSelectionByTheAnchor) {
    auto* g = MakeGrid(400, 200);
    g->SetOptions(g->Options() + goRangeSelectVz + goTabsVz);
    g->SetCol(2);
    g->SetRow(2);
    Key(g->Handle(), Qt::Key_Right, Qt::ShiftModifier);
    Key(g->Handle(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->AnchorCell(), (TGridCoord{3, 3}));
    EXPECT_EQ(g->GetSelection(), (TGridRect{2, 2, 3, 3}));
    Key(g->Handle(), Qt::Key_Backtab, Qt::ShiftModifier);  // nothing with range selection
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->AnchorCell(), (TGridCoord{3, 3}));
}

TEST_F(GridVz, LeftAndRightScrollInRowSelection) {
    auto* g = MakeGrid(300, 200);
    g->SetColCount(20);
    g->SetOptions(g->Options() + goRowSelectVz);
    int col = g->Col();
    Key(g->Handle(), Qt::Key_Right);
    EXPECT_EQ(g->Col(), col);
    EXPECT_EQ(g->LeftCol(), 2);
}

// ---- mouse -------------------------------------------------------------------------------------

TEST_F(GridVz, ClicksFireCellEventsOnlyWhenPressAndReleaseShareACell) {
    auto* g = MakeGrid(400, 200);
    QWidget* w = g->Handle();
    Click(w, Center(g->CellRect(2, 2)));
    EXPECT_EQ(g->Col(), 2);
    ASSERT_EQ(g->CellEvents.size(), 2u);
    EXPECT_FALSE(g->CellEvents[0].second);
    EXPECT_TRUE(g->CellEvents[1].second);
    g->CellEvents.clear();
    Mouse(w, QEvent::MouseButtonPress, Center(g->CellRect(3, 3)), Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, Center(g->CellRect(4, 4)), Qt::NoButton);
    ASSERT_EQ(g->CellEvents.size(), 1u);
    EXPECT_FALSE(g->CellEvents[0].second);
}

TEST_F(GridVz, ARefusedDoubleClickArrivesAsAPlainPress) {
    auto* g = MakeGrid(400, 200);
    QWidget* w = g->Handle();
    int dbl = 0;
    g->OnDblClick = [&](TObject*) { ++dbl; };
    QPoint p = Center(g->CellRect(2, 2));
    auto doubleClick = [&] {
        Click(w, p);
        Mouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton);
        Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
    };
    doubleClick();
    EXPECT_EQ(dbl, 1);
    g->RefuseDblClick = true;
    doubleClick();
    EXPECT_EQ(dbl, 1);
    for (std::size_t i = 0; i < g->ClickShifts.size(); ++i)
        if (i >= 3) {
            EXPECT_FALSE(g->ClickShifts[i].Contains(ssDouble)) << i;  // the refused pair
        }
}

TEST_F(GridVz, DraggingACellRangeSelectsIt) {
    auto* g = MakeGrid(400, 200);
    g->SetOptions(g->Options() - goEditingVz + goRangeSelectVz);
    QWidget* w = g->Handle();
    Mouse(w, QEvent::MouseButtonPress, Center(g->CellRect(1, 1)), Qt::LeftButton);
    EXPECT_EQ(g->GridState(), gsSelectingVz);
    Mouse(w, QEvent::MouseMove, Center(g->CellRect(3, 4)), Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, Center(g->CellRect(3, 4)), Qt::NoButton);
    EXPECT_EQ(g->GetSelection(), (TGridRect{1, 1, 3, 4}));
    EXPECT_EQ(g->GridState(), gsNormalVz);
    EXPECT_FALSE(g->GridTimer()->Enabled());
}

// ---- sizing and moving -------------------------------------------------------------------------

TEST_F(GridVz, LinesAreHitForSizingWithinTheirTolerance) {
    auto* g = MakeGrid(400, 200);
    TGridStateVz st;
    int index, pos, ofs;
    // The line between columns 2 and 3 is at x 150; in the fixed row.
    for (int x = 140; x <= 160; ++x) {
        g->DetectSizingAt(x, 10, st, index, pos, ofs);
        const bool want = x >= 147 && x <= 154;
        EXPECT_EQ(st == gsColSizingVz, want) << x;
        if (want) {
            EXPECT_EQ(index, 2);
            EXPECT_EQ(pos, 150);
            EXPECT_EQ(ofs, 150 - x);
        }
    }
    // The line between rows 2 and 3 is at y 60; in the indicator column.
    for (int y = 50; y <= 70; ++y) {
        g->DetectSizingAt(10, y, st, index, pos, ofs);
        EXPECT_EQ(st == gsRowSizingVz, y >= 58 && y <= 63) << y;
    }
    // The indicator column itself is not sizable; a frozen fixed column is.
    g->DetectSizingAt(50, 10, st, index, pos, ofs);
    EXPECT_EQ(st, gsNormalVz);
    g->SetFixedColCount(2);
    g->SetFrozenColCount(1);
    g->DetectSizingAt(100, 10, st, index, pos, ofs);
    EXPECT_EQ(st, gsColSizingVz);
    EXPECT_EQ(index, 1);
}

TEST_F(GridVz, DraggingABorderResizesAndAPressThereIsNoMouseDown) {
    auto* g = MakeGrid(400, 200);
    int downs = 0;
    g->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    QWidget* w = g->Handle();
    Mouse(w, QEvent::MouseButtonPress, QPoint(150, 10), Qt::LeftButton);
    EXPECT_EQ(g->GridState(), gsColSizingVz);
    EXPECT_EQ(downs, 0);
    Mouse(w, QEvent::MouseMove, QPoint(180, 10), Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, QPoint(180, 10), Qt::NoButton);
    EXPECT_EQ(g->ColWidths(2), 80);
    EXPECT_EQ(g->GridState(), gsNormalVz);
    // To within one pixel of the column's left edge: ignored.
    Mouse(w, QEvent::MouseButtonPress, QPoint(180, 10), Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, QPoint(101, 10), Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, QPoint(101, 10), Qt::NoButton);
    EXPECT_EQ(g->ColWidths(2), 80);
    // A contra column is sized by its left edge: moving it left widens the column.
    g->SetContraColCount(1);
    const int cs = g->HorzAxis()->ContraStart();
    Mouse(w, QEvent::MouseButtonPress, QPoint(cs + 1, 10), Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, QPoint(cs - 19, 10), Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, QPoint(cs - 19, 10), Qt::NoButton);
    EXPECT_EQ(g->ColWidths(g->ColCount()), 70);
}

TEST_F(GridVz, DraggingATitleMovesTheColumn) {
    auto* g = MakeGrid(500, 200);
    g->SetColCount(8);
    QWidget* w = g->Handle();
    for (auto [half, want] : {std::pair{-10, 4}, std::pair{10, 5}}) {
        std::vector<int> order;
        g->SetColWidths(2, 51);  // marks the moved column
        const TRect target = g->CellRect(5, 0);
        const QPoint to(Center(target).x() + half, 10);
        Mouse(w, QEvent::MouseButtonPress, Center(g->CellRect(2, 0)), Qt::LeftButton);
        ASSERT_EQ(g->GridState(), gsColMovingVz);
        Mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
        g->Tick();
        Mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
        EXPECT_EQ(g->ColWidths(want), 51) << half;
        g->SetColWidths(want, 50);
    }
    // A row press on its indicator cell does not start moving when the begin hook refuses.
    g->RefuseRowDrag = true;
    Mouse(w, QEvent::MouseButtonPress, QPoint(10, 50), Qt::LeftButton);
    EXPECT_EQ(g->GridState(), gsNormalVz);
    Mouse(w, QEvent::MouseButtonRelease, QPoint(10, 50), Qt::NoButton);
}

// ---- the in-place editor -----------------------------------------------------------------------

TEST_F(GridVz, TypingOpensTheEditorAndEveryChangeReachesTheCell) {
    auto* g = MakeGrid(400, 200);
    g->Texts[std::pair(1, 1)] = QStringLiteral("old");
    Key(g->Handle(), Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    ASSERT_TRUE(g->EditorMode());
    ASSERT_NE(g->InplaceEditor(), nullptr);
    EXPECT_TRUE(g->InplaceEditor()->Visible());
    EXPECT_EQ(g->InplaceEditor()->Text(), QStringLiteral("a"));
    EXPECT_EQ(g->Texts[std::pair(1, 1)], QStringLiteral("a"));  // written before the editor closes
    Key(FocusWidget(), Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    EXPECT_EQ(g->Texts[std::pair(1, 1)], QStringLiteral("ab"));
    Key(FocusWidget(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));  // closes it
    EXPECT_FALSE(g->EditorMode());
    EXPECT_FALSE(g->InplaceEditor()->Visible());
    Key(g->Handle(), Qt::Key_F2);
    EXPECT_TRUE(g->InplaceEditor()->Visible());
    EXPECT_EQ(g->InplaceEditor()->Text(), QStringLiteral("ab"));
    EXPECT_EQ(g->InplaceEditor()->SelLength(), 2);
    Key(FocusWidget(), Qt::Key_F2);  // F2 in the editor leaves the caret, not a selection
    EXPECT_EQ(g->InplaceEditor()->SelLength(), 0);
}

TEST_F(GridVz, EnterAlternatesTheSelectionWhenTheEditorAlwaysShows) {
    auto* g = MakeGrid(400, 200);
    g->Texts[std::pair(1, 1)] = QStringLiteral("hello");
    g->SetOptions(g->Options() + goAlwaysShowEditorVz);
    GridsVz::TInplaceEdit* e = g->InplaceEditor();
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(e->Visible());
    EXPECT_EQ(e->SelLength(), 5);
    Key(FocusWidget(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(e->SelLength(), 0);
    Key(FocusWidget(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(e->SelLength(), 5);
    // Right at the end of the text goes to the next cell, which loads into the same editor.
    g->Texts[std::pair(2, 1)] = QStringLiteral("next");
    e->SetSel(5, 0);
    Key(FocusWidget(), Qt::Key_Right);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_TRUE(e->Visible());
    EXPECT_EQ(e->Text(), QStringLiteral("next"));
    e->SetSel(1, 0);
    Key(FocusWidget(), Qt::Key_Right);  // in the middle: the caret moves
    EXPECT_EQ(g->Col(), 2);
}

TEST_F(GridVz, AReadOnlyCellRefusesTyping) {
    auto* g = MakeGrid(400, 200);
    g->Texts[std::pair(1, 1)] = QStringLiteral("keep");
    g->MaxLength = -1;
    Key(g->Handle(), Qt::Key_F2);
    GridsVz::TInplaceEdit* e = g->InplaceEditor();
    ASSERT_TRUE(e->Visible());
    EXPECT_FALSE(g->CanModifyCellText());
    Key(FocusWidget(), Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    Key(FocusWidget(), Qt::Key_Delete);
    Key(FocusWidget(), Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    Key(FocusWidget(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(e->Text(), QStringLiteral("keep"));
    EXPECT_EQ(g->Texts[std::pair(1, 1)], QStringLiteral("keep"));
}

TEST_F(GridVz, AFailedWriteStillClosesTheEditor) {
    auto* g = MakeGrid(400, 200);
    Key(g->Handle(), Qt::Key_F2);
    ASSERT_TRUE(g->InplaceEditor()->Visible());
    g->FailOnWrite = true;
    EXPECT_THROW(g->SetEditorMode(false), Exception);
    EXPECT_FALSE(g->InplaceEditor()->Visible());
    g->FailOnWrite = false;
}

TEST_F(GridVz, TheEditorShowsTheCellAndNoRed) {
    auto* g = MakeGrid(400, 200);
    g->Texts[std::pair(2, 2)] = QStringLiteral("42");
    g->SetCol(2);
    g->SetRow(2);
    Key(g->Handle(), Qt::Key_F2);
    Application->ProcessMessages();
    QImage img = g->Handle()->grab().toImage();
    Save(img, "editor.png");
    TRect r = g->CellDataRect(2, 2);
    EXPECT_EQ(g->InplaceEditor()->BoundsRect(), r);
    for (int x = r.Left; x < r.Right; ++x)
        for (int y = r.Top; y < r.Bottom; ++y) ASSERT_NE(img.pixel(x, y), qRgb(255, 0, 0));
}

}  // namespace

namespace {

// Every pixel of the client area is painted, whatever zones the grid has: rendered over a colour
// no grid paints, none of it may show.
TEST_F(GridVz, PaintingCoversTheWholeClientArea) {
    struct Case {
        int Fixed, Frozen, Contra, ContraRows, Indent;
        bool Lines;
    } cases[] = {
        {1, 0, 0, 0, 0, true}, {2, 1, 1, 0, 0, true}, {2, 1, 1, 2, 0, true}, {1, 0, 2, 1, 6, false}, {0, 0, 1, 1, 3, true},
    };
    for (const Case& c : cases) {
        auto* g = MakeGrid(420, 260);
        g->SetFixedColCount(c.Fixed);
        g->SetFrozenColCount(c.Frozen);
        g->SetContraColCount(c.Contra);
        g->SetContraRowCount(c.ContraRows);
        g->OutBoundaryData()->SetLeftIndent(c.Indent);
        g->OutBoundaryData()->SetBottomIndent(c.Indent);
        if (!c.Lines) g->SetOptions(g->Options() - goContraVertBoundaryLineVz - goContraHorzBoundaryLineVz);
        g->HorzAxis()->GridClientStart();
        QImage img(g->Width(), g->Height(), QImage::Format_RGB32);
        img.fill(qRgb(255, 0, 255));
        g->Handle()->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        int holes = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) holes += img.pixel(x, y) == qRgb(255, 0, 255);
        EXPECT_EQ(holes, 0) << c.Fixed << " " << c.Contra << " " << c.ContraRows << " " << c.Indent;
        if (holes) Save(img, "holes.png");
        g->Free();
    }
}

}  // namespace

namespace {

TEST_F(GridVz, CellExtentsAreStreamedOnlyWhenAsked) {
    auto* g = MakeGrid(300, 200, false);
    g->SetColWidths(2, 77);
    g->SetRowHeights(3, 33);
    auto roundTrip = [&](bool Save) {
        g->SetSaveCellExtents(Save);
        auto stream = NewOwned<TMemoryStream>();
        WriteComponentToStream(stream.get(), g);
        stream->SetPosition(0);
        auto* copy = New<TTestGrid>(Form);
        copy->SetSaveCellExtents(true);
        ReadComponentFromStream(stream.get(), copy);
        std::pair<int, int> r{copy->ColWidths(2), copy->RowHeights(3)};
        copy->Free();
        return r;
    };
    EXPECT_EQ(roundTrip(true), std::pair(77, 33));
    EXPECT_EQ(roundTrip(false), std::pair(50, 20));
}

}  // namespace

namespace {

// A descendant whose data cells react to the mouse: the cells entering and leaving the hot state
// are repainted, nothing else.
TEST_F(GridVz, HotTrackingRepaintsTheCellsThatEnterAndLeaveTheHotState) {
    struct THotGrid : TTestGrid {
        using TTestGrid::TTestGrid;
        std::vector<TGridCoord> Repainted;
        bool IsCellHotTrackable(int ACol, int ARow) override { return ACol >= 1 && ARow >= 1; }
        void InvalidateHotTrackSpot(TGridHotTrackSpotVz* Spot) override {
            Repainted.push_back({Spot->Col(), Spot->Row()});
            TTestGrid::InvalidateHotTrackSpot(Spot);
        }
    };
    auto* g = New<THotGrid>(Form);
    g->SetBounds(0, 0, 400, 200);
    g->SetParent(Form);
    Form->Show();
    QWidget* w = g->Handle();
    Mouse(w, QEvent::MouseMove, Center(g->CellRect(2, 2)), Qt::NoButton);
    EXPECT_EQ(g->HotTrackCell(), (TGridCoord{2, 2}));
    EXPECT_EQ(g->Repainted, (std::vector<TGridCoord>{{2, 2}}));
    Mouse(w, QEvent::MouseMove, Center(g->CellRect(2, 2)) + QPoint(3, 1), Qt::NoButton);  // same cell
    EXPECT_EQ(g->Repainted.size(), 1u);
    EXPECT_EQ(g->HotTrackInCellPos(), TPoint(28, 11));
    Mouse(w, QEvent::MouseMove, Center(g->CellRect(3, 2)), Qt::NoButton);
    EXPECT_EQ(g->Repainted, (std::vector<TGridCoord>{{2, 2}, {3, 2}, {2, 2}}));
    Mouse(w, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton);  // a fixed cell: not hot-trackable
    EXPECT_EQ(g->HotTrackCell(), (TGridCoord{-1, -1}));
    EXPECT_EQ(g->Repainted.back(), (TGridCoord{3, 2}));
    // The plain grid tracks nothing.
    auto* plain = MakeGrid();
    Mouse(plain->Handle(), QEvent::MouseMove, Center(plain->CellRect(2, 2)), Qt::NoButton);
    EXPECT_EQ(plain->HotTrackCell(), (TGridCoord{-1, -1}));
}

TEST_F(GridVz, ATiledEmptyPictureDrawsNothing) {
    auto* g = MakeGrid(300, 200);
    g->BackgroundData()->SetPlacement(ipTileVz);
    g->BackgroundData()->SetVisible(true);
    EXPECT_TRUE(g->BackgroundData()->Showing());
    QImage img = Grab(g);  // returns: no endless tiling
    EXPECT_EQ(img.pixel(45, 16), Rgb(clMoneyGreen));
}

}  // namespace
