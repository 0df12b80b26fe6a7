// Copying a value from the previous record, flat and under grouping, and fitting column widths to
// titles, data and footers.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include <gtest/gtest.h>

namespace {

class ValueCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 480, 240);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"NG"_S, ftString, 20);
        T->FieldDefs()->Add(u"NAME"_S, ftString, 60);
        T->FieldDefs()->Add(u"QTY"_S, ftInteger);
        T->CreateDataSet();
        const struct {
            const char16_t* Group;
            const char16_t* Name;
            int Qty;
        } rows[] = {{u"A", u"a1", 1}, {u"B", u"b1", 2}, {u"A", u"a2", 3}, {u"B", u"b2", 4}};
        for (const auto& r : rows)
            T->AppendRecord({Variant(String::fromUtf16(r.Group)), Variant(String::fromUtf16(r.Name)), Variant(r.Qty)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 480, 240);
        G->SetParent(Form);
        G->Columns()->BeginUpdate();
        for (const char16_t* f : {u"NG", u"NAME", u"QTY"}) G->Columns()->Add()->SetFieldName(String::fromUtf16(f));
        G->Columns()->EndUpdate();
        G->Columns()->SetState(csCustomized);
        G->SetDataSource(Src);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    int QtyOf(int RecNo) {
        T->SetRecNo(RecNo);
        return T->FieldByName(u"QTY"_S)->AsInteger();
    }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(ValueCopyTest, CopiesThePreviousRecordsValueOrNothing) {
    G->SetSelectedIndex(2);
    T->SetRecNo(3);
    G->SetValueFromPrevRecord();
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(T->FieldByName(u"QTY"_S)->AsInteger(), 2);
    T->Post();

    T->First();  // the first record has nothing before it
    G->SetValueFromPrevRecord();
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(QtyOf(1), 1);

    G->Columns()->Items(2)->SetReadOnly(true);  // a read-only column takes nothing
    T->SetRecNo(4);
    G->SetValueFromPrevRecord();
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(QtyOf(4), 4);
}

// Grouped by NG the rows read A, a1, a2, B, b1, b2: the record before a2 in the table is b1, not
// a1 on the row above.
TEST_F(ValueCopyTest, UnderGroupingThePreviousRecordIsTheTablesNotTheRowAbove) {
    TDBGridVzDataGroupsVz* dg = G->DataGrouping();
    dg->SetDefaultStateExpanded(true);
    dg->GroupLevels()->Add()->SetColumn(G->Columns()->Items(0));
    dg->SetActive(true);
    ASSERT_TRUE(G->GroupingWorks());
    G->SetSelectedIndex(2);
    T->SetRecNo(3);  // a2
    Application->ProcessMessages();
    G->SetValueFromPrevRecord();
    EXPECT_EQ(T->FieldByName(u"NAME"_S)->AsString().toStdString(), "a2");
    EXPECT_EQ(T->FieldByName(u"QTY"_S)->AsInteger(), 2);
    T->Post();
}

TEST_F(ValueCopyTest, WidthsFollowTitlesDataAndFootersWithinTheirLimits) {
    T->SetRecNo(4);
    T->Edit();
    T->FieldByName(u"NAME"_S)->SetAsString(u"a rather long product name for a narrow column"_S);
    T->Post();
    T->SetRecNo(2);
    TColumnVz* name = G->Columns()->Items(1);
    G->OptimizeAllColsWidth(3, 0);  // the long name lies past the first three records
    const int shortWidth = name->Width();
    EXPECT_LT(shortWidth, 60);
    EXPECT_EQ(T->RecNo(), 2);  // the position is kept
    G->OptimizeAllColsWidth(-1, 0);
    const int longWidth = name->Width();
    EXPECT_GT(longWidth, 200);
    name->SetMaxWidth(80);
    G->OptimizeAllColsWidth(-1, 0);
    EXPECT_EQ(name->Width(), 80);

    // A footer wider than every value widens its column.
    TColumnVz* qty = G->Columns()->Items(2);
    G->OptimizeAllColsWidth(-1, 0);
    const int plain = qty->Width();
    G->SetFooterRowCount(1);
    qty->Footer()->SetValueType(fvtStaticText);
    qty->Footer()->SetValue(u"Итого по всем изделиям"_S);
    G->OptimizeAllColsWidth(-1, 0);
    EXPECT_GT(qty->Width(), plain + 50);
}

}  // namespace
