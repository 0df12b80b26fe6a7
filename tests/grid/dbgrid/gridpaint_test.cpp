// The data grid's painting, checked on grabs of its window: data cells and the current cell,
// titles with sort markers on one and on two levels, the indicator with its arrow and row numbers,
// footer rows, rows selected by bookmark, the empty-data text, and reading only the rows on screen.
#include "dbgridfixture.h"

#include "platform/gui/stdctrls.h"

#include <set>

namespace {

class GridPaint : public DBGridFixture {
protected:
    // Pixels in R whose colour is C.
    static int Count(const QImage& Img, const TRect& R, QRgb C) {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                if (Img.pixel(x, y) == C) ++n;
        return n;
    }
    // Pixels in R that are neither of two colours (text, markers, lines).
    static int Ink(const QImage& Img, const TRect& R, QRgb Back, QRgb Other) {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                if (Img.pixel(x, y) != Back && Img.pixel(x, y) != Other) ++n;
        return n;
    }
    static TRect Inner(TRect R, int D = 2) { return TRect{R.Left + D, R.Top + D, R.Right - D, R.Bottom - D}; }
};

TEST_F(GridPaint, DataCellsAndTheCurrentCell) {
    Show();
    G->SetFocus();
    G->SetSelectedIndex(2);
    T->SetRecNo(3);
    Application->ProcessMessages();
    const QImage img = Grab(G);
    Save(img, "cells.png");
    const TRect cur = G->CellRect(3, 3), other = G->CellRect(4, 3);
    EXPECT_GT(Count(img, Inner(cur), Rgb(clHighlight)), cur.Width() * cur.Height() / 2);
    EXPECT_GT(Ink(img, Inner(cur), Rgb(clHighlight), Rgb(clHighlight)), 0);  // the value, in the highlight text colour
    EXPECT_EQ(Count(img, Inner(other), Rgb(clHighlight)), 0);
    EXPECT_GT(Count(img, Inner(other), Rgb(clWindow)), 0);
    EXPECT_GT(Ink(img, Inner(other), Rgb(clWindow), Rgb(clWindow)), 0);  // "23" is written
    // Numbers sit on the right of their cells.
    const TRect right{other.Right - other.Width() / 2, other.Top, other.Right, other.Bottom};
    const TRect left{other.Left, other.Top, other.Left + other.Width() / 2, other.Bottom};
    EXPECT_GT(Ink(img, right, Rgb(clWindow), Rgb(clBtnFace)), Ink(img, left, Rgb(clWindow), Rgb(clBtnFace)));
}

TEST_F(GridPaint, TitlesWithSortMarkersOnOneAndTwoLevels) {
    Customise(G);
    G->SetOptionsVz(G->OptionsVz() + dghMultiSortMarking);
    for (int i = 0; i < 10; ++i) G->Columns()->Items(i)->SetWidth(60);
    Show();
    const TRect plainTitle = G->CellRect(2, 0);
    const QImage before = Grab(G);
    G->Columns()->Items(1)->Title()->SetSortMarker(smDownVz);
    G->Columns()->Items(3)->Title()->SetSortMarker(smUpVz);
    const QImage marked = Grab(G);
    Save(marked, "titles-markers.png");
    // The marker appears on the right of the title and nothing changes on its left.
    const TRect markerArea{plainTitle.Right - 18, plainTitle.Top + 2, plainTitle.Right - 2, plainTitle.Bottom - 2};
    EXPECT_EQ(Ink(before, markerArea, Rgb(clBtnFace), Rgb(clBtnHighlight)), 0);
    EXPECT_GT(Ink(marked, markerArea, Rgb(clBtnFace), Rgb(clBtnHighlight)), 4);
    const TRect textArea{plainTitle.Left, plainTitle.Top, plainTitle.Right - 20, plainTitle.Bottom};
    EXPECT_EQ(marked.copy(textArea.Left, textArea.Top, textArea.Width(), textArea.Height()),
              before.copy(textArea.Left, textArea.Top, textArea.Width(), textArea.Height()));

    // Two levels: the super-title spans its columns, the leaves sit under it at the same height.
    for (int i = 0; i < 10; ++i)
        G->Columns()->Items(i)->Title()->SetCaption((i < 4 ? u"Смена 1|C"_S : u"Смена 2|C"_S) + IntToStr(i));
    G->SetUseMultiTitle(true);
    const QImage two = Grab(G);
    Save(two, "titles-two-levels.png");
    const TRect t1 = G->CellRect(1, 0), t4 = G->CellRect(4, 0), t5 = G->CellRect(5, 0);
    const int band = G->LeafFieldArr()[0]->ParentNode()->Height;
    EXPECT_GT(G->RowHeights(0), plainTitle.Height());
    // Between leaves 0 and 1 the vertical line stops at the band; between groups it runs through.
    const int lineX = t1.Right - 1;
    EXPECT_NE(two.pixel(lineX, t1.Top + band / 2), two.pixel(lineX, t1.Bottom - 4));
    EXPECT_EQ(two.pixel(t4.Right - 1, t4.Top + band / 2), two.pixel(t4.Right - 1, t4.Bottom - 4));
    // The super-title's text is written once over its span (the middle of the span, not each cell).
    const TRect superMid{(t1.Left + t4.Right) / 2 - 20, t1.Top + 1, (t1.Left + t4.Right) / 2 + 20, t1.Top + band - 2};
    EXPECT_GT(Ink(two, superMid, Rgb(clBtnFace), Rgb(clBtnHighlight)), 10);
    (void)t5;
}

TEST_F(GridPaint, IndicatorArrowRowNumbersAndFooters) {
    G->SetOptionsVz(G->OptionsVz() + dghShowRecNo);
    G->IndicatorParams()->SetRecNoShowStep(2);
    G->SetFooterRowCount(1);
    G->SetFooterColor(clYellow);
    Show();
    T->SetRecNo(1);
    Application->ProcessMessages();
    ASSERT_EQ(G->RowCount(), 1 + Records);  // the footer row is pinned past the rows
    ASSERT_EQ(G->FullRowCount(), 1 + Records + 1);
    ASSERT_EQ(G->ContraRowCount(), 1);
    const QImage img = Grab(G);
    Save(img, "indicator-footer.png");
    const QRgb face = Rgb(clBtnFace);
    const TRect arrowRow = G->CellRect(0, 1), r2 = G->CellRect(0, 2), r3 = G->CellRect(0, 3);
    EXPECT_GT(Count(img, TRect{arrowRow.Right - 11, arrowRow.Top, arrowRow.Right, arrowRow.Bottom}, qRgb(0, 0, 0)), 6);
    EXPECT_EQ(Count(img, TRect{r2.Right - 11, r2.Top + 1, r2.Right - 1, r2.Bottom - 1}, qRgb(0, 0, 0)), 0);
    // Every second record shows its number: row 2 (record 2) has one, row 3 (record 3) none.
    EXPECT_GT(Ink(img, Inner(r2), face, Rgb(clBtnHighlight)), 0);
    EXPECT_EQ(Ink(img, Inner(r3), face, Rgb(clBtnHighlight)), 0);
    const TRect foot = G->CellRect(2, G->RowCount());
    EXPECT_GT(Count(img, Inner(foot), Rgb(clYellow)), foot.Width() * foot.Height() / 2);
}

TEST_F(GridPaint, SelectedRowsAreHighlighted) {
    G->SetOptions(G->Options() + dgMultiSelect);
    Show();
    T->SetRecNo(2);
    G->SelectedRows()->SetCurrentRowSelectedValue(true);
    T->SetRecNo(4);
    G->SelectedRows()->SetCurrentRowSelectedValue(true);
    T->SetRecNo(1);
    Application->ProcessMessages();
    ASSERT_EQ(G->SelectedRows()->Count(), 2);
    const QImage img = Grab(G);
    Save(img, "selected-rows.png");
    const QRgb inactive = Rgb(G->ContainsFocus() ? G->Style()->GetSelectionColor() : G->Style()->GetSelectionInactiveColor());
    EXPECT_GT(Count(img, Inner(G->CellRect(5, 2)), inactive), 0);
    EXPECT_GT(Count(img, Inner(G->CellRect(5, 4)), inactive), 0);
    EXPECT_EQ(Count(img, Inner(G->CellRect(5, 3)), inactive), 0);
    // Deselecting a row gives it its own colour back.
    T->SetRecNo(2);
    G->SelectedRows()->SetCurrentRowSelectedValue(false);
    T->SetRecNo(1);
    EXPECT_EQ(Count(Grab(G), Inner(G->CellRect(5, 2)), inactive), 0);
}

TEST_F(GridPaint, EmptyTableShowsTheEmptyDataText) {
    G->EmptyDataInfo()->SetActive(true);
    G->EmptyDataInfo()->SetText(u"Нет записей за этот месяц"_S);
    T->EmptyTable();
    Show();
    const QImage img = Grab(G);
    Save(img, "empty.png");
    const TRect mid{200, 110, 440, 150};
    EXPECT_GT(Ink(img, mid, Rgb(clWindow), Rgb(clWindow)), 20);
    G->EmptyDataInfo()->SetActive(false);
    EXPECT_EQ(Ink(Grab(G), mid, Rgb(clWindow), Rgb(clWindow)), 0);
}

TEST_F(GridPaint, PaintingReadsOnlyTheRowsOnScreen) {
    for (int r = Records; r < 1000; ++r) {
        T->Append();
        T->Fields()->Fields(0)->SetAsInteger(r * 10);
        T->Post();
    }
    T->SetRecNo(500);
    Show();
    std::set<int> read;
    G->Columns()->Items(0)->OnGetCellParams = [&](TColumnVz* C, bool, TColCellParamsVz*) {
        read.insert(C->Field()->AsInteger() / 10);
    };
    Grab(G);
    EXPECT_EQ(G->RowCount(), 1001);
    ASSERT_FALSE(read.empty());
    EXPECT_LE(static_cast<int>(read.size()), G->VisibleRowCount() + 1);
    EXPECT_TRUE(read.count(499));  // record 500 is on screen
    EXPECT_EQ(T->RecNo(), 500);    // and the table has not moved
}

TEST_F(GridPaint, LeavingTheGridDropsOnlyAnUntouchedNewRecord) {
    auto* edit = New<TEdit>(Form);
    edit->SetParent(Form);
    edit->SetBounds(0, 240, 100, 20);
    G->SetBounds(0, 0, 640, 230);
    Show();
    G->SetFocus();
    T->Append();
    edit->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->RecordCount(), Records);
    G->SetFocus();
    T->Append();
    T->Fields()->Fields(0)->SetAsInteger(777);
    edit->SetFocus();
    Application->ProcessMessages();
    // A record with something typed in stays, with what was typed.
    EXPECT_EQ(T->State(), dsInsert);
    EXPECT_EQ(T->Fields()->Fields(0)->AsInteger(), 777);
}

}  // namespace

namespace {

// A row is entered once for all its cells: every cell still shows its own record's value, the
// current record's row included, through the memory-table rows and through the link's buffer.
TEST_F(GridPaint, EachCellShowsItsOwnRecordWithRowsEnteredOnce) {
    for (bool memTable : {true, false}) {
        SCOPED_TRACE(memTable);
        G->SetTryUseMemTableInt(memTable);
        T->SetRecNo(3);
        Show();
        int cells = 0, wrong = 0;
        G->OnDrawColumnCell = [&](TObject*, const TRect& Rect, int DataCol, TColumnVz* Column, TGridDrawState) {
            const int dataRow = G->MouseCoord(Rect.Left + 1, Rect.Top + 1).Y - G->TopDataOffset();
            ++cells;
            if (Column->Field()->AsInteger() != dataRow * 10 + DataCol) ++wrong;
        };
        Grab(G);
        G->OnDrawColumnCell = nullptr;
        EXPECT_GE(cells, Records * 5);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(T->RecNo(), 3);
        EXPECT_EQ(T->FieldByName(u"C0"_S)->AsInteger(), 20);
    }
}

}  // namespace
