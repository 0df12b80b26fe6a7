// The grid's selection: kinds and their transitions, the cell rectangle between two records, the
// column list with its Shift ranges, and the errors of a grid without data.
#include "dbgridfixture.h"
#include "grid/dbgrid/gridselectvz.h"
#include "support/testutil.h"

namespace {

using sdelka::test::MessageOf;

class GridSelection : public DBGridFixture {
protected:
    void SetUp() override {
        Records = 8;
        DBGridFixture::SetUp();
        Customise(G);
        G->SetOptions(G->Options() + dgMultiSelect);
        G->OnSelectionChanged = [this](TObject*) { ++Changes; };
        Show();
    }
    TBookmark Bm(int RecordIndex) {
        T->First();
        T->MoveBy(RecordIndex);
        return T->Bookmark();
    }
    TDBGridVzSelection* Sel() { return G->Selection(); }
    TColumnVz* Col(int I) { return G->Columns()->Items(I); }
    // The selected columns as "C1,C3".
    String Cols() {
        String s;
        for (int i = 0; i < Sel()->Columns()->Count(); ++i)
            s += (i ? u","_S : String()) + Sel()->Columns()->Items(i)->FieldName();
        return s;
    }
    int Changes = 0;
};

TEST_F(GridSelection, RectangleFromOneCellToAnotherCoversTheCellsBetweenInBookmarkOrder) {
    TDBGridVzSelectionRect* r = Sel()->Rect();
    r->Select(4, Bm(5), false);
    EXPECT_EQ(Sel()->SelectionType(), gstNon) << "one cell is no selection";
    r->Select(2, Bm(2), true);  // extended up and left
    EXPECT_EQ(Sel()->SelectionType(), gstRectangle);
    EXPECT_EQ(r->LeftCol(), 2);
    EXPECT_EQ(r->RightCol(), 4);
    EXPECT_EQ(r->TopRow(), Bm(2));
    EXPECT_EQ(r->BottomRow(), Bm(5));
    struct Case { int Col, Rec; bool In; };
    for (const Case& c : {Case{2, 2, true}, Case{4, 5, true}, Case{3, 4, true}, Case{1, 3, false}, Case{5, 3, false},
                          Case{3, 1, false}, Case{3, 6, false}})
        EXPECT_EQ(Sel()->DataCellSelected(c.Col, Bm(c.Rec)), c.In) << c.Col << "," << c.Rec;
    EXPECT_FALSE(Sel()->DataCellSelected(-1, Bm(3))) << "the indicator is never in a rectangle";
    // Grid cells: past the indicator column and the title row.
    EXPECT_EQ(Sel()->SelectionToGridRect(), (TGridRect{3, 3, 5, 6}));
    // Back onto the anchor: no selection again.
    r->Select(4, Bm(5), true);
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
}

TEST_F(GridSelection, AGridWithoutOpenDataSaysSoForEachRectangleQuestion) {
    Sel()->Rect()->Select(1, Bm(1), false);
    Sel()->Rect()->Select(2, Bm(3), true);
    T->Close();
    TDBGridVzSelectionRect* r = Sel()->Rect();
    EXPECT_EQ(MessageOf<Exception>([&] { r->TopRow(); }), u"Error in TDBGridVzSelectionRect.GetBottomRow"_S);
    EXPECT_EQ(MessageOf<Exception>([&] { r->LeftCol(); }), u"Error in TDBGridVzSelectionRect.GetBottomRow"_S);
    EXPECT_EQ(MessageOf<Exception>([&] { r->DataCellSelected(1, TBookmark{1}); }),
              u"Error in function TDBGridVzSelectionRect.CellSelected"_S);
    // The grid rectangle looks at the data first and names what is missing.
    EXPECT_EQ(MessageOf<Exception>([&] { r->SelectionToGridRect(); }), u"Selection rectangle: the grid's data set is not open"_S);
    G->SetDataSource(nullptr);
    EXPECT_EQ(MessageOf<Exception>([&] { r->SelectionToGridRect(); }), u"Selection rectangle: the grid has no data set"_S);
}

TEST_F(GridSelection, KindsReplaceEachOtherAndEmptyPartsFallBackToNone) {
    EXPECT_EQ(Sel()->SelectionType(), gstNon) << "the open data link cleared the new selection";
    T->First();
    G->SelectedRows()->SetCurrentRowSelected(true);
    EXPECT_EQ(Sel()->SelectionType(), gstRecordBookmarks);
    EXPECT_TRUE(Sel()->DataCellSelected(3, Bm(0)));
    EXPECT_FALSE(Sel()->DataCellSelected(3, Bm(1)));

    Sel()->Columns()->Select(Col(2), false);
    EXPECT_EQ(Sel()->SelectionType(), gstColumns);
    EXPECT_EQ(G->SelectedRows()->Count(), 0) << "the records were dropped";
    EXPECT_TRUE(Sel()->DataCellSelected(2, Bm(6)));
    EXPECT_FALSE(Sel()->DataCellSelected(3, Bm(6)));
    EXPECT_EQ(Sel()->SelectionToGridRect(), (TGridRect{3, 0, 3, G->RowCount() - 1}));

    Sel()->SelectAll();
    EXPECT_EQ(Sel()->SelectionType(), gstAll);
    EXPECT_EQ(Sel()->Columns()->Count(), 0);
    EXPECT_TRUE(Sel()->DataCellSelected(9, Bm(7)));

    T->First();
    G->SelectedRows()->SetCurrentRowSelected(true);
    EXPECT_EQ(Sel()->SelectionType(), gstRecordBookmarks);
    G->SelectedRows()->SetCurrentRowSelected(false);
    EXPECT_EQ(Sel()->SelectionType(), gstNon) << "an emptied record list is no selection";

    Sel()->Columns()->InvertSelect(Col(4));
    Sel()->Columns()->InvertSelect(Col(4));
    EXPECT_EQ(Sel()->SelectionType(), gstNon);

    Sel()->Columns()->Select(Col(1), false);
    T->Close();
    EXPECT_EQ(Sel()->SelectionType(), gstNon) << "closing the data set drops the selection";
}

TEST_F(GridSelection, AllowedKindsFollowOptionsAndNarrowingThemDropsTheSelection) {
    struct Case { TDBGridOptions Options; TDBGridVzSelectionType Kind; bool Allowed; };
    const TDBGridOptions multi{dgMultiSelect};
    const TDBGridOptions rows{dgMultiSelect, dgRowSelect};
    for (const Case& c : {Case{{}, gstRecordBookmarks, false}, Case{{}, gstNon, true}, Case{multi, gstRectangle, true},
                          Case{rows, gstRectangle, false}, Case{rows, gstColumns, false},
                          Case{rows, gstRecordBookmarks, true}, Case{rows, gstAll, true}}) {
        G->SetOptions(c.Options + dgTitles + dgIndicator);
        EXPECT_EQ(G->IsSelectionTypeAllowed(c.Kind), c.Allowed) << int(c.Kind);
    }
    G->SetOptions(G->Options() - dgRowSelect + dgMultiSelect);
    G->SetAllowedSelections({gstRecordBookmarks, gstColumns});
    EXPECT_FALSE(G->IsSelectionTypeAllowed(gstRectangle));
    Sel()->Columns()->Select(Col(3), false);
    G->SetAllowedSelections({gstRecordBookmarks, gstColumns, gstAll});
    EXPECT_EQ(Sel()->SelectionType(), gstColumns) << "still allowed";
    G->SetAllowedSelections({gstRecordBookmarks});
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    EXPECT_EQ(Sel()->Columns()->Count(), 0);
}

TEST_F(GridSelection, ShiftRangesOfColumnsFollowTheAnchorAndTakeBackOnlyWhatTheyAdded) {
    TDBGridVzSelectionCols* c = Sel()->Columns();
    // Widen right, narrow back past the anchor to the left: the range flips over it.
    c->Select(Col(3), false);
    c->SelectShift(Col(6));
    EXPECT_EQ(Cols(), u"C3,C4,C5,C6"_S);
    c->SelectShift(Col(4));
    EXPECT_EQ(Cols(), u"C3,C4"_S);
    c->SelectShift(Col(1));
    EXPECT_EQ(Cols(), u"C1,C2,C3"_S);

    // Columns chosen before the range stay when the range narrows.
    c->Select(Col(5), false);
    c->InvertSelect(Col(8));
    c->InvertSelect(Col(2));  // anchor now C2
    c->SelectShift(Col(6));
    EXPECT_EQ(Cols(), u"C2,C3,C4,C5,C6,C8"_S);
    c->SelectShift(Col(3));
    EXPECT_EQ(Cols(), u"C2,C3,C5,C8"_S) << "C5 was selected before the range";

    // Ctrl+click a selected column (it becomes the unselected anchor), then Shift+click: the range unselects.
    c->Select(Col(1), false);
    c->SelectShift(Col(7));
    c->InvertSelect(Col(4));
    EXPECT_EQ(Cols(), u"C1,C2,C3,C5,C6,C7"_S);
    c->SelectShift(Col(6));
    EXPECT_EQ(Cols(), u"C1,C2,C3,C7"_S);
    c->SelectShift(Col(5));
    EXPECT_EQ(Cols(), u"C1,C2,C3,C6,C7"_S) << "narrowing gives back what the range took";

    // Hidden columns are not taken by a range.
    Col(2)->SetVisible(false);
    c->Select(Col(0), false);
    c->SelectShift(Col(3));
    EXPECT_EQ(Cols(), u"C0,C1,C3"_S);
}

TEST_F(GridSelection, ChangesAreAnnouncedOnceAfterAnUpdateAndDeletedColumnsLeaveTheList) {
    Sel()->BeginUpdate();
    Changes = 0;
    Sel()->Columns()->Select(Col(1), false);
    Sel()->Columns()->SelectShift(Col(5));
    EXPECT_EQ(Changes, 0);
    Sel()->EndUpdate();
    EXPECT_EQ(Changes, 1);

    Col(3)->Free();
    EXPECT_EQ(Cols(), u"C1,C2,C4,C5"_S);
    Col(0)->SetIndex(4);  // C1 C2 C4 C5 C0 ...: the list follows the new order after the layout
    G->LayoutChanged();
    EXPECT_EQ(Cols(), u"C1,C2,C4,C5"_S);
    EXPECT_EQ(Sel()->SelectionToGridRect().Left, G->DataColToGridCol(0));
}

TEST_F(GridSelection, SelectedCellsArePaintedInTheSelectionColour) {
    Sel()->Rect()->Select(1, Bm(1), false);
    Sel()->Rect()->Select(2, Bm(2), true);
    const QImage img = Grab(G);
    auto at = [&](int ACol, int ARow) {
        const TRect r = G->CellRect(ACol, ARow);
        return img.pixel(r.Left + 3, r.Top + 3);
    };
    const QRgb inside = at(G->DataColToGridCol(1), G->DataRowToGridRow(1));
    EXPECT_EQ(inside, at(G->DataColToGridCol(2), G->DataRowToGridRow(2)));
    EXPECT_NE(inside, at(G->DataColToGridCol(3), G->DataRowToGridRow(2)));
    EXPECT_NE(inside, at(G->DataColToGridCol(1), G->DataRowToGridRow(3)));
}

}  // namespace
