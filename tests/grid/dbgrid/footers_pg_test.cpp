// The grid's footers over 10 000 rows read from the server equal the server's aggregates: the
// column footers (total, average, count through the grid's sum list) and the grouping's grand
// totals (total, average, count, minimum, maximum), after loading, inserts, edits, a delete the
// application refuses and a delete that happens.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/dbgrid/sumlistvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/rtl/exceptions.h"

#include "pgrows.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

class FootersPgTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists ft_src;"
            "create table ft_src (id int primary key, ws int not null, amount numeric(12,2));"
            "insert into ft_src select g, g % 7 + 1,"
            " case when g % 6 = 0 then null else ((g * 37) % 100000) / 100.0 - 150 end"
            " from generate_series(1, 10000) g;");

        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 640, 300);
        T = New<TMemTableVz>(Form);
        ASSERT_EQ(PgRows.LoadInto(T, Db().OdbcConnectionString(), u"select id, ws, amount from ft_src order by id"_S), 10000);
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 640, 300);
        G->SetParent(Form);
        G->Columns()->BeginUpdate();
        for (const char16_t* f : {u"id", u"ws", u"amount"}) G->Columns()->Add()->SetFieldName(String::fromUtf16(f));
        G->Columns()->EndUpdate();
        G->Columns()->SetState(csCustomized);
        G->SetDataSource(Src);
        G->SumList()->SetActive(true);
        G->SetFooterRowCount(3);
        TColumnVz* amount = G->Columns()->Items(2);
        amount->Footer()->SetValueType(fvtSum);
        amount->Footers()->Add()->SetValueType(fvtSum);
        amount->Footers()->Add()->SetValueType(fvtAvg);
        amount->Footers()->Add()->SetValueType(fvtCount);

        // Grand totals: one visible grouping footer per function under the amount column.
        TDBGridVzDataGroupsVz* dg = G->DataGrouping();
        for (TGroupFooterValueTypeVz t : {gfvSumVz, gfvAvgVz, gfvCountVz, gfvMinVz, gfvMaxVz}) {
            TGridDataGroupFooterVz* f = dg->Footers()->Add();
            f->SetVisible(true);
            f->ColumnItems()->Items(2)->SetValueType(t);
        }
        dg->GroupLevels()->Add()->SetColumn(G->Columns()->Items(1));
        dg->SetActive(true);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        PgRows.Reset();
    }
    static std::string Num(double V) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.4f", V);
        return buf;
    }
    // "column sum|avg|count || grand sum|avg|count|min|max".
    std::string Ours() {
        TColumnVz* amount = G->Columns()->Items(2);
        std::string s;
        for (int r = 0; r < 3; ++r) s += (r ? "|" : "") + Num(amount->UsedFooter(r)->SumValue().AsCurrency().ToDouble());
        s += " || ";
        TGroupDataTreeNodeVz* root = G->DataGrouping()->GroupDataTree()->Root();
        for (int i = 0; i < root->FooterItemCount(); ++i)
            s += (i ? "|" : "") + Num(root->FooterItems(i)->FooterValues(2).AsExtended());
        return s;
    }
    std::string Server() {
        const char* f = "'FM999999999990.0000'";
        const std::string sql = std::string("select to_char(coalesce(sum(amount), 0), ") + f + ") || '|' ||" +
                                " to_char(coalesce(round(avg(amount), 4), 0), " + f + ") || '|' ||" +
                                " to_char(count(*), " + f + ") || ' || ' ||" +
                                " to_char(coalesce(sum(amount), 0), " + f + ") || '|' ||" +
                                " to_char(coalesce(round(avg(amount), 4), 0), " + f + ") || '|' ||" +
                                " to_char(count(amount), " + f + ") || '|' ||" +
                                " to_char(min(amount), " + f + ") || '|' || to_char(max(amount), " + f + ")" +
                                " from ft_src";
        return Db().Value(sql);
    }

    TPgRowsVz PgRows;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(FootersPgTest, FootersEqualTheServersAggregatesThroughChanges) {
    ASSERT_EQ(G->GetFullFooterRowCount(), 8);
    EXPECT_EQ(Ours(), Server());
    // The shown texts are those values in the footer's format.
    G->Columns()->Items(2)->Footers()->Items(0)->SetDisplayFormat(u"0.00"_S);
    EXPECT_EQ(G->GetFooterValue(0, G->Columns()->Items(2)).replace(u',', u'.').toStdString(),
              Db().Value("select to_char(sum(amount), 'FM999999999990.00') from ft_src"));

    // Inserts: a new minimum, a Null, a new maximum.
    T->AppendRecord({Variant(20001), Variant(3), Variant(-5000.25)});
    T->AppendRecord({Variant(20002), Variant(4), Null()});
    T->AppendRecord({Variant(20003), Variant(9), Variant(99999.99)});
    Db().Exec("insert into ft_src values (20001, 3, -5000.25), (20002, 4, null), (20003, 9, 99999.99)");
    EXPECT_EQ(Ours(), Server());

    // Edits: a value changed, one cleared, a Null given a value, one moved to another group.
    const struct {
        int Id;
        const char* Sql;
        std::function<void(TDataSet*)> Set;
    } edits[] = {
        {10, "update ft_src set amount = -99.99 where id = 10", [](TDataSet* D) { D->FieldByName(u"amount"_S)->SetAsFloat(-99.99); }},
        {11, "update ft_src set amount = null where id = 11", [](TDataSet* D) { D->FieldByName(u"amount"_S)->Clear(); }},
        {12, "update ft_src set amount = 0.5 where id = 12", [](TDataSet* D) { D->FieldByName(u"amount"_S)->SetAsFloat(0.5); }},
        {13, "update ft_src set ws = 2, amount = 777 where id = 13", [](TDataSet* D) {
             D->FieldByName(u"ws"_S)->SetAsInteger(2);
             D->FieldByName(u"amount"_S)->SetAsFloat(777);
         }},
    };
    for (const auto& e : edits) {
        ASSERT_TRUE(T->Locate(u"id"_S, e.Id, {}));
        T->Edit();
        e.Set(T);
        T->Post();
        Db().Exec(e.Sql);
        EXPECT_EQ(Ours(), Server()) << e.Sql;
    }

    // A delete that the application refuses leaves every footer as it was.
    const TDataSetNotifyEvent chained = T->BeforeDelete;
    T->BeforeDelete = [&](TDataSet* D) {
        if (chained) chained(D);
        throw Exception(u"refused"_S);
    };
    ASSERT_TRUE(T->Locate(u"id"_S, 20003, {}));
    EXPECT_THROW(T->Delete(), Exception);
    EXPECT_EQ(Ours(), Server());
    T->BeforeDelete = chained;

    ASSERT_TRUE(T->Locate(u"id"_S, 20003, {}));
    T->Delete();
    Db().Exec("delete from ft_src where id = 20003");
    EXPECT_EQ(Ours(), Server());
}

}  // namespace
