// The column filter, the grid filter settings and the behaviour centre, over a grid of a small
// in-memory table.
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/rtl/exceptions.h"

#include "filtergrid.h"

#include <gtest/gtest.h>

namespace {

// An item object of a filter list.
class TTestListItem : public TObject, public ISTFilterListItemVz {
    SDELKA_CLASS(TTestListItem, TObject)
public:
    explicit TTestListItem(bool AData = true) : Data(AData) {}
    bool IsDataItem() const override { return Data; }
    bool Data;
};

struct ColumnFilterFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    std::unique_ptr<TTestFilterGrid> G;
    ColumnFilterFixture() {
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"Kind"_S, ftString, 5);
        T->CreateDataSet();
        const struct {
            int Id;
            const char16_t* Name;
            const char16_t* Kind;
        } rows[] = {{1, u"Иванов", u"1"}, {2, u"Петров", u"0"}, {3, u"Сидоров", u"1"}, {4, u"Иванова", u"0"}, {5, u"", u"1"}};
        for (const auto& r : rows) T->AppendRecord({Variant(r.Id), String::fromUtf16(r.Name), String::fromUtf16(r.Kind)});
        G = std::make_unique<TTestFilterGrid>(T.get(), std::initializer_list<const char16_t*>{u"Id", u"Name", u"Kind"});
    }
    TSTColumnFilterVz* F(int Column) { return G->Column(Column)->Filter.get(); }
};

TEST_F(ColumnFilterFixture, ParsesByTheColumnsFieldAndKeepsTheLastGoodText) {
    TSTColumnFilterVz* f = F(0);
    EXPECT_EQ(f->DropDownListRows(), 15);
    EXPECT_TRUE(f->Visible());
    EXPECT_EQ(f->Expression().Operator1, foNon);
    EXPECT_TRUE(VarIsNull(f->KeyValues()));

    f->SetExpressionStr(u"=5"_S);
    EXPECT_EQ(f->Expression().ExpressionType, botNumber);
    EXPECT_EQ(f->Expression().Operator1, foEqual);
    EXPECT_EQ(f->Expression().Operand1.AsDouble(), 5.0);
    EXPECT_EQ(f->GetExpressionAsText(), u"= 5"_S);
    EXPECT_GT(G->TitleRepaints, 0);

    // A text that does not parse leaves the previous text and condition in force.
    EXPECT_THROW(f->SetExpressionStr(u"=1 =2"_S), Exception);
    EXPECT_THROW(f->SetExpressionStr(u"=abc"_S), EConvertError);
    EXPECT_EQ(f->ExpressionStr(), u"=5"_S);
    EXPECT_EQ(f->Expression().Operator1, foEqual);
    EXPECT_EQ(f->Expression().Operand1.AsDouble(), 5.0);

    // The column's field decides the default operator of a bare value.
    F(1)->SetExpressionStr(u"Иван%"_S);
    EXPECT_EQ(F(1)->Expression().Operator1, foLike);
    G->Center->STFilterDefaultStringOperator = fdoContains;
    F(1)->SetExpressionStr(u"ван"_S);
    EXPECT_EQ(F(1)->Expression().Operator1, foLike);
    EXPECT_EQ(VarToStr(F(1)->Expression().Operand1), u"%ван%"_S);
    G->Center->STFilterDefaultStringOperator = fdoAuto;
    // A filter with a key field always compares equal.
    F(1)->SetKeyField(u"Id"_S);
    F(1)->SetExpressionStr(u"Петров"_S);
    EXPECT_EQ(F(1)->Expression().Operator1, foEqual);
}

TEST_F(ColumnFilterFixture, PickListTextsFilterByTheirKeys) {
    TTestFilterColumn* c = G->Column(2);
    c->PickList->SetCommaText(u"Да,Нет"_S);
    c->KeyList->SetCommaText(u"1,0"_S);
    c->Filter->SetExpressionStr(u"=Нет"_S);
    EXPECT_EQ(c->Filter->Expression().ExpressionType, botString);
    EXPECT_EQ(VarToStr(c->Filter->Expression().Operand1), u"0"_S);
    G->STFilterApply();
    EXPECT_EQ(T->RecordCount(), 2);
    // The drop-down list shows the picked texts of the other columns' rows, sorted.
    F(1)->SetExpressionStr(u"Иван%"_S);
    auto items = NewOwned<TStringList>();
    G->Center->StandardFillSTFilterListDataValues(G.get(), c, items.get());
    EXPECT_EQ(items->CommaText(), u"Да,Нет"_S);
    F(1)->SetExpressionStr(u"Петров"_S);
    items->Clear();
    G->Center->StandardFillSTFilterListDataValues(G.get(), c, items.get());
    EXPECT_EQ(items->CommaText(), u"Нет"_S);
}

TEST_F(ColumnFilterFixture, ValueListLeavesOutTheColumnsOwnFilterOnly) {
    F(1)->SetExpressionStr(u"=Петров"_S);
    F(0)->SetExpressionStr(u">=2"_S);
    auto items = NewOwned<TStringList>();
    G->Center->StandardFillSTFilterListDataValues(G.get(), G->Column(1), items.get());
    // Every name the Id filter lets through (the empty one included), not just "Петров".
    EXPECT_EQ(items->Count(), 4);
    EXPECT_EQ(items->IndexOf(u"Иванов"_S), -1);
    EXPECT_GE(items->IndexOf(u"Сидоров"_S), 0);
    EXPECT_EQ(F(1)->Expression().Operator1, foEqual);  // the own condition is back
}

TEST_F(ColumnFilterFixture, CheckedItemsBecomeAFilterAndBack) {
    auto items = NewOwned<TStringList>();
    TOwned<TTestListItem> data = NewOwned<TTestListItem>(true), command = NewOwned<TTestListItem>(false);
    items->AddObject(u"(Все)"_S, command.get());
    items->AddObject(u"a"_S, data.get());
    items->AddObject(u"b'c"_S, data.get());
    items->AddObject(u""_S, data.get());
    F(1)->SetExpressionFromCheckedItems(items.get(), {true, true, true, false});
    EXPECT_EQ(F(1)->ExpressionStr(), u"in ('a','b''c')"_S);
    std::vector<bool> checked;
    F(1)->SetCheckedItemsFromExpression(items.get(), checked);
    EXPECT_EQ(checked, (std::vector<bool>{false, true, true, false}));
    // Only the empty item on a number column is the Null test.
    F(0)->SetExpressionFromCheckedItems(items.get(), {false, false, false, true});
    EXPECT_EQ(F(0)->ExpressionStr(), u"=Null"_S);
    EXPECT_EQ(F(0)->Expression().Operator1, foNull);
    // With InstantApply the grid applies at once.
    G->Settings->SetLocal(true);
    F(1)->SetExpressionFromCheckedItems(items.get(), {false, true, false, false});
    EXPECT_EQ(T->RecordCount(), 0);
    F(1)->Clear();
    F(0)->Clear();
    G->STFilterApply();
    EXPECT_EQ(T->RecordCount(), 5);
}

TEST_F(ColumnFilterFixture, OperandTextsForDialogsAreQuotedWhenTheyWouldMisread) {
    TSTColumnFilterVz* f = F(1);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u"abc"_S), u"abc"_S);
    EXPECT_EQ(f->GetOperandAsString(foIn, u"a,b"_S), u"'a,b'"_S);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u"a,b"_S), u"a,b"_S);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u" x"_S), u"' x'"_S);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u"it's"_S), u"it's"_S);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u"'q"_S), u"'''q'"_S);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u"black or"_S), u"'black or'"_S);
    EXPECT_EQ(f->GetOperandAsString(foEqual, u"AND"_S), u"'AND'"_S);
}

TEST_F(ColumnFilterFixture, GridFilterSettings) {
    TSTDBGridVzFilter* s = G->Settings.get();
    EXPECT_FALSE(s->Visible());
    EXPECT_FALSE(s->InstantApply());
    s->SetLocal(true);
    EXPECT_TRUE(s->InstantApply());
    s->SetInstantApply(false);
    EXPECT_FALSE(s->InstantApply());  // a stored value wins over Local
    EXPECT_TRUE(s->IsInstantApplyStored());
    EXPECT_TRUE(s->ParentFont());
    EXPECT_EQ(s->Font()->Color(), clBlue);
    s->Font()->SetSize(14);
    EXPECT_FALSE(s->ParentFont());
    const int layouts = G->Layouts;
    s->SetRowLines(2);
    EXPECT_GT(G->Layouts, layouts);
    EXPECT_EQ(s->RowFullRowHeight(15, 18, 16, 3), 30);
    s->SetRowLines(0);
    EXPECT_EQ(s->RowFullRowHeight(15, 18, 16, 3), 19);  // another font size than the grid's
    EXPECT_EQ(s->FilterButtonDrawBackTime(edbtWhenHotVz), edbtWhenHotVz);
    s->SetFilterButtonDrawBackTime(edbtNeverVz);
    EXPECT_EQ(s->FilterButtonDrawBackTime(edbtWhenHotVz), edbtNeverVz);
}

TEST(GridCenterTest, DefaultsAndChangeNotification) {
    auto centre = NewOwned<TDBGridVzCenter>();
    EXPECT_TRUE(centre->IndicatorTitleMenus.Contains(itmVisibleColumnsVz) && centre->IndicatorTitleMenus.Contains(itmSelectAll));
    EXPECT_EQ(centre->STFilterDefaultNumberOperator, fdoAuto);
    EXPECT_EQ(centre->ColWidthsOptimizationMaxWaitingTime, 2000);
    EXPECT_TRUE(centre->UseExtendedScrollingForMemTable);
    EXPECT_TRUE(centre->TryUseViewScroll);
    TTestFilterGrid a(nullptr), b(nullptr);
    a.Center = b.Center = centre.get();
    centre->AddChangeNotification(&a);
    centre->AddChangeNotification(&b);
    centre->AddChangeNotification(&a);
    centre.reset();
    EXPECT_EQ(a.Center, nullptr);
    EXPECT_EQ(b.Center, nullptr);
}

TEST(GridCenterTest, FilterListCommands) {
    TTestFilterGrid g(nullptr, {u"A"});
    auto items = NewOwned<TStringList>();
    g.Center->StandardFillSTFilterListCommandValues(&g, g.Column(0), items.get(), true, true);
    EXPECT_EQ(JoinedVz(items.get()), u"(Очистить фильтр)|(Применить фильтр)|(Условие...)|(Все)|(Не пустые)|(Пустые)"_S);
    g.SortItems = true;
    g.Settings->SetInstantApply(true);
    items->Clear();
    g.Center->StandardFillSTFilterListCommandValues(&g, g.Column(0), items.get(), false, false);
    EXPECT_EQ(JoinedVz(items.get()), u"(Сортировка по возрастанию)|(Сортировка по убыванию)|-|(Очистить фильтр)|(Условие...)|(Все)"_S);
}

}  // namespace
