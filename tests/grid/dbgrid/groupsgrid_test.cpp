// The data grid showing its grouping: one level on a hidden column of an in-memory table and a
// footer with a fixed text and sums, as the wage summaries set it up.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>

namespace {

class GroupsGridFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 480, 240);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"NG"_S, ftString, 20);
        T->FieldDefs()->Add(u"NAME"_S, ftString, 20);
        T->FieldDefs()->Add(u"SUMMA"_S, ftInteger);
        T->CreateDataSet();
        Add(u"Втулки", u"Втулка 12", 100);
        Add(u"Валы", u"Вал 40", 250);
        Add(u"Втулки", u"Втулка 16", 30);
        Add(u"Валы", u"Вал 60", 20);
        Add(u"Валы", u"Вал 80", 5);
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 480, 240);
        G->SetParent(Form);
        G->Columns()->BeginUpdate();
        for (const char16_t* f : {u"NG", u"NAME", u"SUMMA"}) G->Columns()->Add()->SetFieldName(String::fromUtf16(f));
        G->Columns()->EndUpdate();
        G->Columns()->SetState(csCustomized);
        G->Columns()->Items(0)->Title()->SetCaption(u"Номенкл. гр."_S);
        G->Columns()->Items(0)->SetVisible(false);
        G->SetDataSource(Src);

        TDBGridVzDataGroupsVz* dg = G->DataGrouping();
        TGridDataGroupFooterVz* f = dg->Footers()->Add();
        f->SetVisible(true);
        f->ColumnItems()->Items(1)->SetValueType(gfvStaticTextVz);
        f->ColumnItems()->Items(1)->SetText(u"ИТОГО:"_S);
        f->ColumnItems()->Items(2)->SetValueType(gfvSumVz);
        dg->GroupLevels()->Add()->SetColumn(G->Columns()->Items(0));
        dg->SetActive(true);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Add(const char16_t* Group, const char16_t* Name, int Sum) {
        T->AppendRecord({Variant(String::fromUtf16(Group)), Variant(String::fromUtf16(Name)), Variant(Sum)});
    }
    // The grid's data rows as text: a group row's caption, a footer row's cell texts, "r" for a
    // record row.
    std::string Rows() {
        std::string s;
        const int n = G->RowCount() - G->TopDataOffset();
        for (int r = 0; r < n; ++r) {
            TGroupDataTreeNodeVz* node = G->GroupDataNodeOfRow(r);
            if (!s.empty()) s += " / ";
            if (!node) {
                s += "?";
                continue;
            }
            switch (node->NodeType()) {
            case dntDataGroupVz: s += node->DataGroupLevel()->GetGroupRowText(node).toStdString(); break;
            case dntDataGroupFooterVz:
                for (int c = 1; c < 3; ++c) {
                    auto* item = node->DataGroupFooter()->ColumnItems()->Items(c);
                    s += (c > 1 ? "|" : "") + item->ConvertToDisplayText(node->FooterValues(c)).toStdString();
                }
                break;
            case dntDataSetRecordVz: s += "r"; break;
            }
        }
        return s;
    }
    TGridGroupDataTreeVz* Tree() { return G->DataGrouping()->GroupDataTree(); }

    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(GroupsGridFixture, RowsFollowTheGroupTreeAndItsFooters) {
    // Groups start collapsed: one row per group, sorted by the key.
    ASSERT_TRUE(G->GroupingWorks());
    EXPECT_EQ(G->RowCount(), G->TopDataOffset() + 2);
    EXPECT_EQ(Rows(), "Номенкл. гр.: Валы (3) / Номенкл. гр.: Втулки (2)");
    // The first column makes room for the group indent.
    EXPECT_EQ(G->ExtraFirstColumnWidth(), 18);

    // Expanding a group shows its records and its footer.
    Tree()->Root()->Items(0)->SetExpanded(true);
    EXPECT_EQ(G->RowCount(), G->TopDataOffset() + 6);
    EXPECT_EQ(Rows(), "Номенкл. гр.: Валы (3) / r / r / r / ИТОГО:|275 / Номенкл. гр.: Втулки (2)");

    // A record edited in the table moves to its new group and both sums follow at once.
    T->First();
    ASSERT_EQ(T->FieldByName(u"NAME"_S)->AsString(), u"Втулка 12"_S);
    T->Edit();
    T->FieldByName(u"NG"_S)->SetAsString(u"Валы"_S);
    T->Post();
    EXPECT_EQ(Rows(), "Номенкл. гр.: Валы (4) / r / r / r / r / ИТОГО:|375 / Номенкл. гр.: Втулки (1)");

    // Reading a record row enters its record; leaving drops it.
    G->InstantReadEnterRow(2);
    EXPECT_EQ(G->InstantReadCurDataNode(), G->GroupDataNodeOfRow(2));
    EXPECT_EQ(G->Columns()->Items(1)->Field()->AsString(), u"Вал 40"_S);
    G->InstantReadLeaveRow();
    EXPECT_EQ(G->InstantReadCurDataNode(), nullptr);

    // Without grouping the grid shows the records again.
    G->DataGrouping()->SetActive(false);
    EXPECT_FALSE(G->GroupingWorks());
    EXPECT_EQ(G->RowCount(), G->TopDataOffset() + 5);
    EXPECT_EQ(G->ExtraFirstColumnWidth(), 0);
}

TEST_F(GroupsGridFixture, PaintsGroupAndFooterRows) {
    Tree()->Root()->Items(0)->SetExpanded(true);
    G->Invalidate();
    const QImage img = G->Handle()->grab().toImage();
    const QString dir = QDir::temp().filePath(QStringLiteral("sdelka-dbgrid"));
    QDir().mkpath(dir);
    img.save(dir + QStringLiteral("/grouping.png"));
    // The group row's fill is the level's colour, the record row's indent the grid's colour.
    EXPECT_FALSE(img.isNull());
}

}  // namespace

namespace {

TEST_F(GroupsGridFixture, KeysExpandAndCollapseTheCurrentGroup) {
    const int top = G->TopDataOffset();
    G->MoveCurrentCell(G->Col(), top, false, false);
    // The grid's move puts the data set on the record that started the group.
    EXPECT_EQ(T->FieldByName(u"NAME"_S)->AsString(), u"Вал 40"_S);
    struct Case {
        Word Key;
        TShiftState Shift;
        int Rows;
    } Cases[] = {
        {VK_RIGHT, {}, 6}, {VK_RIGHT, {}, 6}, {VK_SUBTRACT, {}, 2}, {VK_ADD, {}, 6}, {VK_LEFT, {}, 2},
        {VK_RIGHT, TShiftState{ssCtrl}, 2},  // not a group key: the grid's own
    };
    for (const Case& c : Cases) {
        Word key = c.Key;
        G->GridKeyDown(key, c.Shift);
        EXPECT_EQ(G->RowCount() - top, c.Rows) << c.Key;
    }
}

TEST_F(GroupsGridFixture, DeletingTheGroupedColumnLeavesTheLevel) {
    TGridDataGroupLevelVz* level = G->DataGrouping()->GroupLevels()->Items(0);
    G->Columns()->Delete(0);
    EXPECT_EQ(level->Column(), nullptr);
    EXPECT_FALSE(G->GroupingWorks());
    EXPECT_EQ(G->RowCount(), G->TopDataOffset() + 5);
}

}  // namespace

namespace {

// The table freed before the grid: the grouping stops listening to it and the grid still closes.
TEST_F(GroupsGridFixture, TableFreedBeforeTheGrid) {
    Tree()->Root()->Items(0)->SetExpanded(true);
    FreeAndNil(T);
    Application->ProcessMessages();
    EXPECT_FALSE(G->GroupingWorks());
}

}  // namespace

namespace {

// The level's key event replaces the column's value: records of the same caption fall into two
// groups, each shown by the caption of the record that starts it.
TEST_F(GroupsGridFixture, KeyEventSplitsGroupsOfTheSameCaption) {
    auto* level = G->DataGrouping()->Level(0);
    int calls = 0;
    level->OnGetKeyValue = [this, &calls](TCustomDBGridVz* Sender, TDBGridVzDataGroupLevelVz*, Variant& Key) {
        EXPECT_EQ(Sender, G);
        EXPECT_EQ(VarToStr(Key), T->FieldByName(u"NG"_S)->AsString());  // the column's value comes in
        ++calls;
        Key = T->FieldByName(u"SUMMA"_S)->AsInteger() >= 100 ? 1 : 0;
    };
    // the level set again: its groups are made anew with the event's keys
    level->SetColumn(nullptr);
    level->SetColumn(G->Columns()->Items(0));
    EXPECT_GT(calls, 0);
    EXPECT_EQ(Rows(), "Номенкл. гр.: Втулки (3) / Номенкл. гр.: Втулки (2)");
    Tree()->Root()->Items(0)->SetExpanded(true);
    EXPECT_EQ(Rows(), "Номенкл. гр.: Втулки (3) / r / r / r / ИТОГО:|55 / Номенкл. гр.: Втулки (2)");
}

}  // namespace
