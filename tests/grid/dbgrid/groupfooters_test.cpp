// Group footers: the aggregates and their display texts, the items following the grid's
// columns, and the configuration objects around them.
#include "groupstestgrid.h"

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

using namespace groupstest;

namespace {

struct GroupFootersFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    TOwned<TTestGroupGrid> G = NewOwned<TTestGroupGrid>(nullptr);

    GroupFootersFixture() {
        FormatSettings.DecimalSeparator = u'.';
        T->FieldDefs()->Add(u"G"_S, ftString, 10);
        T->FieldDefs()->Add(u"V"_S, ftFloat);
        T->FieldDefs()->Add(u"T"_S, ftString, 10);
        T->CreateDataSet();
        for (const char16_t* F : {u"G", u"V", u"T"}) G->Columns->Add(T.get(), String::fromUtf16(F));
        G->Columns->Add(T.get(), String());  // a column without a field
        G->Bind(T.get());
        G->SetName(u"Grid1"_S);
    }
    void Add(const char16_t* Group, const Variant& V, const Variant& Text = Null()) {
        T->AppendRecord({Variant(String::fromUtf16(Group)), V, Text});
    }
    TGridDataGroupFooterColumnItemVz* Item(TGridDataGroupFooterVz* F, int Column) { return F->ColumnItems()->Items(Column); }
    TGroupDataTreeNodeVz* Group(int I) { return G->Tree()->Root()->Items(I); }
    // The text of footer Footer's item Column under group I (-1: the grand totals).
    String Text(int I, int Footer, int Column) {
        TGroupDataTreeNodeVz* N = I < 0 ? G->Tree()->Root() : Group(I);
        TGroupDataTreeNodeVz* F = N->FooterItems(Footer);
        return F->DataGroupFooter()->ColumnItems()->Items(Column)->ConvertToDisplayText(F->FooterValues(Column));
    }
};

TEST_F(GroupFootersFixture, AggregatesAndTheirTexts) {
    Add(u"a", 1.0, u"fig"_S);
    Add(u"a", Null(), u"pear"_S);
    Add(u"a", 2.0, u"apple"_S);
    Add(u"b", Null());
    Add(u"b", Null());
    Add(u"c", 1.0);
    Add(u"c", 2.0);
    Add(u"c", 4.0);
    const TGroupFooterValueTypeVz Types[] = {gfvSumVz, gfvAvgVz, gfvCountVz, gfvMaxVz, gfvMinVz, gfvNonVz};
    for (TGroupFooterValueTypeVz Type : Types) {
        TGridDataGroupFooterVz* F = G->Groups->Footers()->Add();
        Item(F, 1)->SetValueType(Type);
        const bool ForText = Type == gfvCountVz || Type == gfvMaxVz || Type == gfvMinVz;
        Item(F, 2)->SetValueType(ForText ? Type : Type == gfvNonVz ? gfvCustomVz : gfvNonVz);
        Item(F, 3)->SetValueType(gfvStaticTextVz);
        Item(F, 3)->SetText(u"ИТОГО:"_S);
    }
    G->Groups->GroupLevels()->Add()->SetColumn(G->Columns->Items(0));
    G->Groups->SetActive(true);
    struct Case {
        int Footer;
        const char16_t* A;
        const char16_t* B;
        const char16_t* C;
        const char16_t* All;
    } Cases[] = {
        {0, u"3", u"", u"7", u"10"},
        {1, u"1.5", u"", u"2.3333", u"2"},
        {2, u"2", u"0", u"3", u"5"},
        {3, u"2", u"", u"4", u"4"},
        {4, u"1", u"", u"1", u"1"},
        {5, u"", u"", u"", u""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Footer);
        EXPECT_EQ(Text(0, C.Footer, 1), String::fromUtf16(C.A));
        EXPECT_EQ(Text(1, C.Footer, 1), String::fromUtf16(C.B));
        EXPECT_EQ(Text(2, C.Footer, 1), String::fromUtf16(C.C));
        EXPECT_EQ(Text(-1, C.Footer, 1), String::fromUtf16(C.All));
        // The fixed text shows everywhere, also under a column without a field.
        EXPECT_EQ(Text(1, C.Footer, 3), u"ИТОГО:"_S);
        EXPECT_EQ(Text(-1, C.Footer, 3), u"ИТОГО:"_S);
    }
    // Texts by the Variant comparison; a count of texts; a custom value without a handler.
    EXPECT_EQ(Text(0, 3, 2), u"pear"_S);
    EXPECT_EQ(Text(0, 4, 2), u"apple"_S);
    EXPECT_EQ(Text(0, 2, 2), u"3"_S);
    EXPECT_EQ(Text(0, 5, 2), u"Custom"_S);
    // An explicit format of the item wins over the average's own.
    Item(G->Groups->Footers()->Items(1), 1)->SetDisplayFormat(u"0.0"_S);
    EXPECT_EQ(Text(2, 1, 1), u"2.3"_S);

    // The function's name: from the footers' default, unless the footer or item stores its own.
    G->Groups->FootersDefValues()->SetShowFunctionName(true);
    EXPECT_EQ(Text(0, 0, 1), u"Sum = 3"_S);
    EXPECT_EQ(Text(0, 1, 1), u"Avg = 1.5"_S);
    EXPECT_EQ(Text(1, 2, 1), u"Cnt = 0"_S);
    EXPECT_EQ(Text(0, 3, 1), u"Max = 2"_S);
    EXPECT_EQ(Text(0, 5, 2), u"Custom"_S);
    EXPECT_EQ(Text(0, 0, 3), u"ИТОГО:"_S);
    Item(G->Groups->Footers()->Items(0), 1)->SetShowFunctionName(false);
    EXPECT_EQ(Text(0, 0, 1), u"3"_S);
    G->Groups->Footers()->Items(4)->SetShowFunctionName(false);
    EXPECT_EQ(Text(0, 4, 1), u"1"_S);
    G->Groups->Footers()->Items(4)->SetShowFunctionNameStored(false);
    EXPECT_EQ(Text(0, 4, 1), u"Min = 1"_S);

    // A handler that processes the last step decides the value.
    G->Groups->OnFinalize = [](TGridDataGroupFooterColumnItemVz* I, Variant& V) {
        if (I->ValueType() != gfvAvgVz) return false;
        V = Variant(u"n/a"_S);
        return true;
    };
    Item(G->Groups->Footers()->Items(1), 1)->SetValueType(gfvSumVz);
    Item(G->Groups->Footers()->Items(1), 1)->SetValueType(gfvAvgVz);
    EXPECT_EQ(G->Tree()->Root()->FooterItems(1)->FooterValues(1).AsString(), u"n/a"_S);
}

TEST_F(GroupFootersFixture, LevelsWithFootersOfTheirOwn) {
    Add(u"a", 1.0);
    Add(u"b", 2.0);
    TGridDataGroupFooterVz* Shared = G->Groups->Footers()->Add();
    Item(Shared, 1)->SetValueType(gfvSumVz);
    TGridDataGroupLevelVz* L = G->Groups->GroupLevels()->Add();
    L->SetColumn(G->Columns->Items(0));
    G->Groups->SetActive(true);
    EXPECT_EQ(Group(0)->FooterItemCount(), 1);
    L->SetParentFooters(false);
    TGridDataGroupFooterVz* Own = L->Footers()->Add();
    Own->SetVisible(true);
    Item(Own, 1)->SetValueType(gfvCountVz);
    Own = L->Footers()->Add();
    EXPECT_EQ(L->VisibleFootersCount(), 2);
    EXPECT_EQ(L->Footers()->VisibleItemsCount(), 1);
    EXPECT_EQ(Group(1)->FooterItemCount(), 2);
    EXPECT_EQ(Group(1)->FooterItems(0)->DataGroupFooter(), L->Footers()->Items(0));
    EXPECT_EQ(Text(1, 0, 1), u"1"_S);
    // The grand totals keep the grouping object's footers.
    EXPECT_EQ(Text(-1, 0, 1), u"3"_S);
    // Only the footer marked visible is a row.
    EXPECT_EQ(DumpFlat(G->Tree()), "G:a G:b");
    L->ExpandNodes();
    EXPECT_EQ(DumpFlat(G->Tree()), "G:a r0 F G:b r1 F");
    EXPECT_EQ(Own->DisplayName(), u"Grid1.DataGrouping"_S);
    EXPECT_EQ(Shared->DisplayName(), u"Grid1.DataGrouping.Footers[0]"_S);
    EXPECT_EQ(Item(Shared, 1)->DisplayName(), u"Grid1.DataGrouping.Footers[0][V]"_S);
    EXPECT_EQ(L->DisplayName(), u"Grid1.DataGrouping['G']"_S);
}

TEST_F(GroupFootersFixture, ItemsFollowTheGridColumns) {
    Add(u"a", 1.0);
    TGridDataGroupFooterVz* F = G->Groups->Footers()->Add();
    ASSERT_EQ(F->ColumnItems()->Count(), 4);
    EXPECT_EQ(Item(F, 1)->FieldName(), u"V"_S);
    Item(F, 1)->SetValueType(gfvSumVz);
    TGridDataGroupLevelVz* L = G->Groups->GroupLevels()->Add();
    L->SetColumn(G->Columns->Items(0));
    L->SetParentFooters(false);
    TGridDataGroupFooterVz* Own = L->Footers()->Add();
    G->Groups->SetActive(true);
    G->Groups->ColumnsLoaded();
    EXPECT_FALSE(F->UpdateColumnItems(G->Columns.get()));

    // A column moved: its item moves with it; a new field name is taken.
    G->Columns->Items(1)->SetIndex(2);
    G->Groups->ColumnsChanged();
    EXPECT_EQ(Item(F, 2)->FieldName(), u"V"_S);
    EXPECT_EQ(Item(F, 2)->ValueType(), gfvSumVz);
    G->Columns->Items(2)->FieldName = u"T"_S;
    EXPECT_TRUE(F->UpdateColumnItems(G->Columns.get()));
    EXPECT_EQ(Item(F, 2)->FieldName(), u"T"_S);
    G->Columns->Items(2)->FieldName = u"V"_S;
    G->Groups->ColumnsChanged();

    // A removed column loses its item in the grouping object's footers, and the footer nodes
    // follow; the level's own footers are not aligned this way.
    G->Columns->Delete(2);
    G->Groups->ColumnsChanged();
    EXPECT_EQ(F->ColumnItems()->Count(), 3);
    EXPECT_EQ(F->ColumnItems()->ItemIndexByColumn(G->Columns->Items(1)), 1);
    EXPECT_EQ(Own->ColumnItems()->Count(), 4);
    EXPECT_EQ(Own->ColumnItems()->Items(1)->Column(), nullptr);  // it was the V column
    EXPECT_EQ(G->Tree()->Root()->FooterItems(0)->FooterValue().size(), 3u);
    // An item's value is found by its column's place in the grid.
    EXPECT_TRUE(VarIsEmpty(Item(F, 0)->AggrValue(G->Tree()->Root()->FooterItems(0))) ||
                VarIsNull(Item(F, 0)->AggrValue(G->Tree()->Root()->FooterItems(0))));

    // A layout saved with more items than the grid has columns binds the columns that exist.
    F->ColumnItems()->Add();
    F->ColumnItems()->Add();
    EXPECT_NO_THROW(G->Groups->ColumnsLoaded());
    EXPECT_EQ(Item(F, 2)->Column(), G->Columns->Items(2));
    EXPECT_EQ(Item(F, 4)->Column(), nullptr);
    G->Groups->ColumnsChanged();
    EXPECT_EQ(F->ColumnItems()->Count(), 3);
}

TEST_F(GroupFootersFixture, AssignCopiesWhatEachObjectOwns) {
    auto Other = NewOwned<TTestGroupGrid>(nullptr);
    TGridDataGroupsVz* A = G->Groups.get();
    TGridDataGroupsVz* B = Other->Groups.get();
    A->GroupLevels()->Add()->SetColumn(G->Columns->Items(0));
    A->Footers()->Add();
    A->SetGroupPanelVisible(true);
    A->SetColor(clRed);
    A->GroupRowDefValues()->SetRowHeight(30);
    A->GroupRowDefValues()->SetFooterInGroupRow(true);
    A->GroupRowDefValues()->BottomLine()->SetColor(clBlue);
    A->GroupRowDefValues()->BottomLine()->SetWidth(2);
    A->FootersDefValues()->SetShowFunctionName(true);

    // The grouping object: levels, Active and the panel only.
    B->Assign(A);
    EXPECT_EQ(B->GroupLevels()->Count(), 1);
    EXPECT_TRUE(B->GroupPanelVisible());
    EXPECT_EQ(B->Footers()->Count(), 0);
    EXPECT_TRUE(B->ParentColor());
    EXPECT_EQ(B->GroupRowDefValues()->RowHeight(), 0);

    // Row defaults and the bottom line can be assigned in code.
    B->SetGroupRowDefValues(A->GroupRowDefValues());
    EXPECT_EQ(B->GroupRowDefValues()->RowHeight(), 30);
    EXPECT_TRUE(B->GroupRowDefValues()->FooterInGroupRow());
    EXPECT_EQ(B->GroupRowDefValues()->BottomLine()->Color(), clBlue);
    EXPECT_EQ(B->GroupRowDefValues()->BottomLine()->Width(), 2);
    A->GroupRowDefValues()->BottomLine()->SetWidth(3);
    B->GroupRowDefValues()->SetBottomLine(A->GroupRowDefValues()->BottomLine());
    EXPECT_EQ(B->GroupRowDefValues()->BottomLine()->Width(), 3);
    B->SetFootersDefValues(A->FootersDefValues());
    EXPECT_TRUE(B->FootersDefValues()->ShowFunctionName());
    EXPECT_THROW(B->GroupRowDefValues()->Assign(A->FootersDefValues()), EConvertError);

    // A footer copies its appearance and items, an item not its text or column.
    TGridDataGroupFooterVz* F = A->Footers()->Items(0);
    F->SetVisible(true);
    Item(F, 1)->SetValueType(gfvMaxVz);
    Item(F, 1)->SetText(u"x"_S);
    Item(F, 1)->SetDisplayFormat(u"0.00"_S);
    TGridDataGroupFooterVz* F2 = B->Footers()->Add();
    for (int I = 0; I < 4; ++I) F2->ColumnItems()->Add();
    F2->Assign(F);
    EXPECT_TRUE(F2->Visible());
    EXPECT_EQ(F2->ColumnItems()->Items(1)->ValueType(), gfvMaxVz);
    EXPECT_EQ(F2->ColumnItems()->Items(1)->DisplayFormat(), u"0.00"_S);
    EXPECT_EQ(F2->ColumnItems()->Items(1)->Text(), u""_S);
    EXPECT_EQ(F2->ColumnItems()->Items(1)->Column(), nullptr);
}

TEST_F(GroupFootersFixture, SettingsTravelThroughAComponentStream) {
    TGridDataGroupsVz* A = G->Groups.get();
    A->GroupLevels()->Add();
    TGridDataGroupFooterVz* F = A->Footers()->Add();
    F->SetVisible(true);
    Item(F, 0)->SetValueType(gfvStaticTextVz);
    Item(F, 0)->SetText(u"ИТОГО:"_S);
    Item(F, 1)->SetValueType(gfvSumVz);
    Item(F, 1)->SetDisplayFormat(u"0.00"_S);
    Item(F, 1)->SetShowFunctionName(true);
    A->SetDefaultStateExpanded(true);
    A->SetShiftFolldataGroupRow(false);
    A->SetColor(clInfoBk);
    A->GroupRowDefValues()->SetRowHeight(24);
    A->GroupRowDefValues()->BottomLine()->SetColor(clRed);
    A->FootersDefValues()->SetRunTimeCustomizable(true);

    auto Stream = NewOwned<TMemoryStream>();
    WriteComponentToStream(Stream.get(), G.get());
    auto Text = NewOwned<TMemoryStream>();
    Stream->SetPosition(0);
    ObjectBinaryToText(Stream.get(), Text.get());
    const QByteArray Dfm(static_cast<const char*>(Text->Memory()), int(Text->Size()));
    EXPECT_TRUE(Dfm.contains("ValueType = gfvSumVz")) << Dfm.toStdString();
    EXPECT_TRUE(Dfm.contains("Color = clInfoBk")) << Dfm.toStdString();

    auto Copy = NewOwned<TTestGroupGrid>(nullptr);
    Stream->SetPosition(0);
    ReadComponentFromStream(Stream.get(), Copy.get());
    TGridDataGroupsVz* B = Copy->Groups.get();
    EXPECT_EQ(B->GroupLevels()->Count(), 1);
    ASSERT_EQ(B->Footers()->Count(), 1);
    TGridDataGroupFooterVz* F2 = B->Footers()->Items(0);
    EXPECT_TRUE(F2->Visible());
    ASSERT_EQ(F2->ColumnItems()->Count(), 4);
    EXPECT_EQ(F2->ColumnItems()->Items(0)->Text(), u"ИТОГО:"_S);
    EXPECT_EQ(F2->ColumnItems()->Items(1)->ValueType(), gfvSumVz);
    EXPECT_EQ(F2->ColumnItems()->Items(1)->DisplayFormat(), u"0.00"_S);
    EXPECT_TRUE(F2->ColumnItems()->Items(1)->ShowFunctionName());
    EXPECT_FALSE(F2->ColumnItems()->Items(2)->ShowFunctionNameStored());
    EXPECT_TRUE(B->DefaultStateExpanded());
    EXPECT_FALSE(B->ShiftFolldataGroupRow());
    EXPECT_EQ(B->Color(), clInfoBk);
    EXPECT_TRUE(B->ParentFont());
    EXPECT_EQ(B->GroupRowDefValues()->RowHeight(), 24);
    EXPECT_EQ(B->GroupRowDefValues()->BottomLine()->Color(), clRed);
    EXPECT_TRUE(B->FootersDefValues()->RunTimeCustomizable());
}

TEST_F(GroupFootersFixture, AppearanceFollowsTheParentUntilSet) {
    TGridDataGroupsVz* A = G->Groups.get();
    TGridDataGroupLevelVz* L = A->GroupLevels()->Add();
    TGridDataGroupFooterVz* F = A->Footers()->Add();
    TGridDataGroupFooterColumnItemVz* I = Item(F, 1);
    A->SetColor(clYellow);
    EXPECT_FALSE(A->ParentColor());
    EXPECT_EQ(L->Color(), clYellow);
    EXPECT_EQ(I->Color(), clYellow);
    F->SetColor(clGreen);
    EXPECT_EQ(I->Color(), clGreen);
    EXPECT_EQ(L->Color(), clYellow);

    A->Font()->SetName(u"Liberation Serif"_S);
    EXPECT_FALSE(A->ParentFont());
    EXPECT_EQ(L->Font()->Name(), u"Liberation Serif"_S);
    EXPECT_EQ(I->Font()->Name(), u"Liberation Serif"_S);
    EXPECT_TRUE(L->ParentFont());
    I->Font()->SetSize(14);
    EXPECT_FALSE(I->ParentFont());
    A->Font()->SetName(u"DejaVu Sans"_S);
    EXPECT_EQ(F->Font()->Name(), u"DejaVu Sans"_S);
    EXPECT_EQ(I->Font()->Name(), u"Liberation Serif"_S);

    // Level row values: the defaults until the level stores its own.
    A->GroupRowDefValues()->SetRowLines(2);
    EXPECT_EQ(L->RowLines(), 2);
    L->SetRowLines(3);
    EXPECT_TRUE(L->RowLinesStored());
    A->GroupRowDefValues()->SetRowLines(4);
    EXPECT_EQ(L->RowLines(), 3);
    L->SetRowLinesStored(false);
    EXPECT_EQ(L->RowLines(), 4);
}

}  // namespace
