// The grid over an in-memory table viewed as a tree by parent keys shows its rows in the order and
// at the levels a recursive server query gives; a press on a node's button collapses it, a press on
// the lines before it only takes the click.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include "pgrows.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>

namespace {

class TreeAreaPgTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Parents always have smaller ids, so the tree has no cycles; four levels deep.
        Db().Exec(
            "drop table if exists ta_src;"
            "create table ta_src (id int primary key, parent_id int, name text);"
            "insert into ta_src select g, case when g <= 3 then null else g / 3 end,"
            " 'узел ' || g from generate_series(1, 60) g;");
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 420, 1300);
        T = New<TMemTableVz>(Form);
        ASSERT_EQ(PgRows.LoadInto(T, Db().OdbcConnectionString(), u"select id, parent_id, name from ta_src order by id"_S), 60);
        T->TreeList()->SetKeyFieldName(u"id"_S);
        T->TreeList()->SetRefParentFieldName(u"parent_id"_S);
        T->TreeList()->SetDefaultNodeExpanded(true);
        T->TreeList()->SetActive(true);
        T->TreeList()->FullExpand();
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 420, 1300);  // every row on screen: no scrolling
        G->SetParent(Form);
        G->Columns()->BeginUpdate();
        for (const char16_t* f : {u"name", u"id"}) G->Columns()->Add()->SetFieldName(String::fromUtf16(f));
        G->Columns()->EndUpdate();
        G->Columns()->Items(0)->SetWidth(200);
        G->Columns()->SetState(csCustomized);
        G->SetDataSource(Src);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        PgRows.Reset();
    }
    // The grid's rows as "id:level,...", read through the grid's reading window.
    std::string Rows() {
        std::string s;
        for (int r = 0; r < G->InstantReadRecordCount(); ++r) {
            G->InstantReadEnterRow(r);
            s += (r ? "," : "") + std::to_string(T->FieldByName(u"id"_S)->AsInteger()) + ":" +
                 std::to_string(G->GetCellTreeElmentsAreaWidth() / 18);
            G->InstantReadLeaveRow();
        }
        return s;
    }
    // The server's depth-first order by sibling id, leaving out the descendants of Collapsed.
    std::string Server(int Collapsed = 0) {
        return Db().Value(
            "with recursive t(id, path) as ("
            " select id, array[id] from ta_src where parent_id is null"
            " union all select c.id, t.path || c.id from ta_src c join t on c.parent_id = t.id where t.id <> " +
            std::to_string(Collapsed) +
            ") select string_agg(id || ':' || array_length(path, 1), ',' order by path) from t");
    }
    int RowOf(int Id) {
        for (int r = 0; r < G->InstantReadRecordCount(); ++r) {
            G->InstantReadEnterRow(r);
            const int id = T->FieldByName(u"id"_S)->AsInteger();
            G->InstantReadLeaveRow();
            if (id == Id) return r;
        }
        return -1;
    }

    TPgRowsVz PgRows;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(TreeAreaPgTest, RowsFollowTheRecursiveQueryAndButtonsCollapseNodes) {
    ASSERT_TRUE(G->TreeViewMode());
    EXPECT_EQ(Rows(), Server());
    G->Invalidate();
    const QImage img = G->Handle()->grab().toImage();
    const QString dir = QDir::temp().filePath(QStringLiteral("sdelka-dbgrid"));
    QDir().mkpath(dir);
    img.save(dir + QStringLiteral("/treearea.png"));

    // A node of the third level: its area is 54 pixels; the first 36 only take the click.
    const std::string rows = Rows();
    int deep = 0, deepRow = -1;
    for (int r = 0; r < G->InstantReadRecordCount() && deepRow < 0; ++r) {
        G->InstantReadEnterRow(r);
        if (G->GetCellTreeElmentsAreaWidth() == 54 && T->GetTreeNodeHasVisibleChildren()) {
            deep = T->FieldByName(u"id"_S)->AsInteger();
            deepRow = r;
        }
        G->InstantReadLeaveRow();
    }
    ASSERT_GE(deepRow, 0) << rows;
    const int gridRow = G->TopDataOffset() + deepRow;
    TRect cell = G->CellRect(G->DataColToGridCol(0), gridRow);
    ASSERT_GT(cell.Height(), 0);
    const int y = (cell.Top + cell.Bottom) / 2;
    EXPECT_TRUE(G->CellTreeElementMouseDown(cell.Left + 20, y, false));
    EXPECT_EQ(Rows(), rows);
    EXPECT_FALSE(G->CellTreeElementMouseDown(cell.Left + 60, y, true));  // past the area: the cell's text
    EXPECT_TRUE(G->CellTreeElementMouseDown(cell.Left + 45, y, false));   // the node's button
    EXPECT_EQ(Rows(), Server(deep));

    // A root collapsed by its button while the current record lies inside it: the current record
    // becomes the root.
    ASSERT_TRUE(T->Locate(u"id"_S, 60, {}));
    int above = T->FieldByName(u"parent_id"_S)->AsInteger();
    while (above != 0) {
        ASSERT_TRUE(T->Locate(u"id"_S, above, {}));
        above = T->FieldByName(u"parent_id"_S)->IsNull() ? 0 : T->FieldByName(u"parent_id"_S)->AsInteger();
    }
    const int top = T->FieldByName(u"id"_S)->AsInteger();
    ASSERT_TRUE(T->Locate(u"id"_S, 60, {}));
    const int topRow = RowOf(top);
    ASSERT_GE(topRow, 0);
    cell = G->CellRect(G->DataColToGridCol(0), G->TopDataOffset() + topRow);
    EXPECT_TRUE(G->CellTreeElementMouseDown(cell.Left + 9, (cell.Top + cell.Bottom) / 2, false));
    EXPECT_EQ(T->FieldByName(u"id"_S)->AsInteger(), top);
}

}  // namespace
