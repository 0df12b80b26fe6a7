// Which popup menu a cell of the data grid offers, and the aggregate menu of a group footer cell.
#include "grid/dbgrid/gridmenusvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include <gtest/gtest.h>

namespace {

class GridMenus : public ::testing::Test {
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
        T->AppendRecord({Variant(u"Втулки"_S), Variant(u"Втулка 12"_S), Variant(100)});
        T->AppendRecord({Variant(u"Валы"_S), Variant(u"Вал 40"_S), Variant(250)});
        T->First();
        auto* src = New<TDataSource>(Form);
        src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 480, 240);
        G->SetParent(Form);
        G->Columns()->BeginUpdate();
        for (const char16_t* f : {u"NG", u"NAME", u"SUMMA"}) G->Columns()->Add()->SetFieldName(String::fromUtf16(f));
        G->Columns()->EndUpdate();
        G->Columns()->SetState(csCustomized);
        G->SetDataSource(src);
        for (auto** m : {&GridMenu, &TitleMenu, &ColumnMenu}) *m = New<TPopupMenu>(Form);
        G->SetPopupMenu(GridMenu);
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Group() {
        TDBGridVzDataGroupsVz* dg = G->DataGrouping();
        Footer = dg->Footers()->Add();
        Footer->SetVisible(true);
        Footer->ColumnItems()->Items(1)->SetValueType(gfvStaticTextVz);
        Footer->ColumnItems()->Items(2)->SetValueType(gfvSumVz);
        dg->GroupLevels()->Add()->SetColumn(G->Columns()->Items(0));
        dg->SetActive(true);
        dg->GroupLevels()->Items(0)->ExpandNodes();
        Form->Show();
        Application->ProcessMessages();
    }
    TGroupDataTreeNodeVz* FirstFooterNode() {
        for (int r = 0; r < G->InstantReadRecordCount(); ++r)
            if (TGroupDataTreeNodeVz* n = G->GroupDataNodeOfRow(r); n && n->NodeType() == dntDataGroupFooterVz) return n;
        return nullptr;
    }
    static String Captions(TCustomPopupMenu* M) {
        String s;
        for (int i = 0; i < M->Items()->Count(); ++i) s += (i ? u","_S : String()) + M->Items()->Items(i)->Caption();
        return s;
    }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDBGridVz* G = nullptr;
    TPopupMenu* GridMenu = nullptr;
    TPopupMenu* TitleMenu = nullptr;
    TPopupMenu* ColumnMenu = nullptr;
    TGridDataGroupFooterVz* Footer = nullptr;
};

TEST_F(GridMenus, TheTitleTheColumnAndTheGridOfferTheirMenusInThatOrder) {
    TColumnVz* withBoth = G->Columns()->Items(1);
    withBoth->Title()->SetPopupMenu(TitleMenu);
    withBoth->SetPopupMenu(ColumnMenu);
    TColumnVz* withColumnMenu = G->Columns()->Items(2);
    withColumnMenu->SetPopupMenu(ColumnMenu);
    const TGridCoord title{2, 0};
    const TGridCoord data{2, 1};
    struct Case { TGridCoord Cell; TColumnVz* Column; TCustomPopupMenu* Want; const char* What; };
    for (const Case& c : {Case{title, withBoth, TitleMenu, "title with its own menu"},
                          Case{data, withBoth, ColumnMenu, "data cell"},
                          Case{title, withColumnMenu, ColumnMenu, "title without its own menu"},
                          Case{data, G->Columns()->Items(0), GridMenu, "column without menus"},
                          Case{TGridCoord{0, 1}, nullptr, GridMenu, "indicator"}})
        EXPECT_EQ(G->GetCellPopupMenu(c.Cell, c.Column, nullptr), c.Want) << c.What;
}

TEST_F(GridMenus, ACustomizableFooterCellOffersTheAggregatesItsColumnAllows) {
    Group();
    TGroupDataTreeNodeVz* footer = FirstFooterNode();
    ASSERT_NE(footer, nullptr);
    TColumnVz* name = G->Columns()->Items(1);
    TColumnVz* summa = G->Columns()->Items(2);
    name->SetPopupMenu(ColumnMenu);
    EXPECT_EQ(G->GetCellPopupMenu(TGridCoord{2, 1}, name, footer), ColumnMenu) << "the footer is not customisable";

    Footer->SetRunTimeCustomizable(true);
    TCustomPopupMenu* m = G->GetCellPopupMenu(TGridCoord{2, 1}, name, footer);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Captions(m), u"Max,Min,Count,(Empty)"_S) << "no sums or averages of a text";
    m = G->GetCellPopupMenu(TGridCoord{3, 1}, summa, footer);
    EXPECT_EQ(Captions(m), u"Sum,Max,Min,Count,Average,(Empty)"_S) << "built anew, nothing gathered";

    m->Items()->Items(3)->Click();
    EXPECT_EQ(Footer->ColumnItems()->Items(2)->ValueType(), gfvCountVz);
    m->Items()->Items(5)->Click();
    EXPECT_EQ(Footer->ColumnItems()->Items(2)->ValueType(), gfvNonVz);

    // Into a menu that has items already: a separator first.
    auto* own = New<TPopupMenu>(Form);
    own->Items()->Add(NewItem(u"Own"_S, 0, false, true, TNotifyEvent()));
    G->BuildGroupFooterPopupMenu(Footer->ColumnItems()->Items(1), own);
    EXPECT_EQ(Captions(own), u"Own,-,Max,Min,Count,(Empty)"_S);
}

TEST(GridMenusAggregates, SumsNeedNumbersOrBooleansAndAveragesNumbers) {
    struct Case { TFieldType Type; TGroupFooterValueTypeVz Kind; bool Allowed; };
    for (const Case& c : {Case{ftInteger, gfvSumVz, true}, Case{ftBoolean, gfvSumVz, true},
                          Case{ftBoolean, gfvAvgVz, false}, Case{ftFloat, gfvAvgVz, true},
                          Case{ftString, gfvSumVz, false}, Case{ftString, gfvMaxVz, true},
                          Case{ftDateTime, gfvCountVz, true}, Case{ftInteger, gfvNonVz, false}}) {
        auto* t = New<TMemTableVz>(nullptr);
        t->FieldDefs()->Add(u"F"_S, c.Type, c.Type == ftString ? 10 : 0);
        t->CreateDataSet();
        EXPECT_EQ(CanApplyAggregateFunctionVz(t->Fields()->Fields(0), c.Kind), c.Allowed) << int(c.Type) << " " << int(c.Kind);
        t->Free();
    }
    EXPECT_FALSE(CanApplyAggregateFunctionVz(nullptr, gfvCountVz));
}

}  // namespace
