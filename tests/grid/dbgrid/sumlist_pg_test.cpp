// The sum list over 10 000 rows equals the server's aggregates, and stays equal after inserts,
// edits, a delete and a delete that fails.
#include "grid/dbgrid/sumlistvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/rtl/exceptions.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

class SumListPgTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists sl_src;"
            "create table sl_src (id int primary key, amount numeric(12,2), qty int);"
            "insert into sl_src select g,"
            " case when g % 6 = 0 then null else ((g * 37) % 100000) / 100.0 - 150 end,"
            " case when g % 9 = 0 then null else g % 23 end"
            " from generate_series(1, 10000) g;");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Q = NewOwned<TADOQuery>(nullptr);
        Q->SetConnection(Conn.get());
        Q->SQL()->SetText(u"select id, amount, qty from sl_src order by id"_S);
    }
    void TearDown() override {
        P.reset();
        T.reset();
        Q.reset();
        Conn.reset();
    }
    void Define() {
        P = NewOwned<TDBSumListProducer>(nullptr);
        P->SumCollection()->BeginUpdate();
        const struct {
            TGroupOperation Op;
            const char16_t* Field;
        } defs[] = {{goSum, u"amount"}, {goAvg, u"amount"}, {goCount, u""}, {goCount, u"amount"}, {goSum, u"qty"}, {goAvg, u"qty"}};
        for (const auto& d : defs) {
            TDBSum* s = P->SumCollection()->Add();
            s->SetGroupOperation(d.Op);
            s->SetFieldName(String::fromUtf16(d.Field));
        }
        P->SumCollection()->EndUpdate();
    }
    // The producer's values and the server's, as "sum|avg|count|count|sum|avg" with four decimals.
    std::string Ours() {
        std::string s;
        for (int i = 0; i < P->SumCollection()->Count(); ++i) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.4f", P->SumCollection()->Items(i)->SumValue.ToDouble());
            s += (i ? "|" : "") + std::string(buf);
        }
        return s;
    }
    std::string Server() {
        return Db().Value(
            "select to_char(coalesce(sum(amount), 0), 'FM999999999990.0000') || '|' ||"
            " to_char(coalesce(round(avg(amount), 4), 0), 'FM999999999990.0000') || '|' ||"
            " to_char(count(*), 'FM999999999990.0000') || '|' || to_char(count(amount), 'FM999999999990.0000') || '|' ||"
            " to_char(coalesce(sum(qty), 0), 'FM999999999990.0000') || '|' ||"
            " to_char(coalesce(round(avg(qty), 4), 0), 'FM999999999990.0000') from sl_src");
    }

    TOwned<TADOConnection> Conn;
    TOwned<TADOQuery> Q;
    TOwned<TMemTableVz> T;
    TOwned<TDBSumListProducer> P;
};

TEST_F(SumListPgTest, ScanOfAQueryEqualsTheServersAggregates) {
    Q->Open();
    Define();
    P->SetDataSet(Q.get());
    EXPECT_EQ(Ours(), Server());
    EXPECT_EQ(Q->FieldByName(u"id"_S)->AsInteger(), 1);  // the scan leaves the cursor where it was
}

TEST_F(SumListPgTest, InMemoryTableSumsFollowInsertsEditsAndDeletes) {
    T = NewOwned<TMemTableVz>(nullptr);
    ASSERT_EQ(T->LoadFromDataSet(Q.get(), 0, lmCopy, false), 10000);
    int chained = 0;
    T->AfterPost = [&](TDataSet*) { ++chained; };
    Define();
    P->SetDataSet(T.get());
    ASSERT_EQ(Ours(), Server());

    // Inserts: one with values, one with Nulls.
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(20001);
    T->FieldByName(u"amount"_S)->SetAsFloat(12.34);
    T->FieldByName(u"qty"_S)->SetAsInteger(7);
    T->Post();
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(20002);
    T->Post();
    Db().Exec("insert into sl_src values (20001, 12.34, 7), (20002, null, null)");
    EXPECT_EQ(Ours(), Server());
    EXPECT_EQ(chained, 2);  // the application's own handler still runs

    // Edits: a value changed, a value cleared, a Null given a value, an edit cancelled.
    ASSERT_TRUE(T->Locate(u"id"_S, 10, {}));
    T->Edit();
    T->FieldByName(u"amount"_S)->SetAsFloat(-99.99);
    T->Post();
    ASSERT_TRUE(T->Locate(u"id"_S, 11, {}));
    T->Edit();
    T->FieldByName(u"amount"_S)->Clear();
    T->FieldByName(u"qty"_S)->Clear();
    T->Post();
    ASSERT_TRUE(T->Locate(u"id"_S, 12, {}));
    T->Edit();
    T->FieldByName(u"amount"_S)->SetAsFloat(0.5);
    T->FieldByName(u"qty"_S)->SetAsInteger(100);
    T->Post();
    ASSERT_TRUE(T->Locate(u"id"_S, 13, {}));
    T->Edit();
    T->FieldByName(u"amount"_S)->SetAsFloat(1e6);
    T->Cancel();
    Db().Exec("update sl_src set amount = -99.99 where id = 10;"
              "update sl_src set amount = null, qty = null where id = 11;"
              "update sl_src set amount = 0.5, qty = 100 where id = 12");
    EXPECT_EQ(Ours(), Server());

    // A delete that a later handler refuses leaves every value as it was.
    const TDataSetNotifyEvent producers = T->BeforeDelete;
    T->BeforeDelete = [&](TDataSet* D) {
        producers(D);
        throw Exception(u"refused"_S);
    };
    ASSERT_TRUE(T->Locate(u"id"_S, 20, {}));
    EXPECT_THROW(T->Delete(), Exception);
    EXPECT_EQ(Ours(), Server());
    T->BeforeDelete = producers;

    // A delete that happens.
    ASSERT_TRUE(T->Locate(u"id"_S, 21, {}));
    T->Delete();
    Db().Exec("delete from sl_src where id = 21");
    EXPECT_EQ(Ours(), Server());

    // A fresh count over the table gives the same as the corrections did.
    const std::string corrected = Ours();
    P->RecalcAll();
    EXPECT_EQ(Ours(), corrected);
}

TEST_F(SumListPgTest, ExternalRecalcLeavesTheValuesToTheOwner) {
    Q->Open();
    Define();
    int recalc = 0, after = 0;
    P->OnRecalcAll = [&](TObject*) { ++recalc; };
    P->OnAfterRecalcAll = [&](TObject*) { ++after; };
    P->SetExternalRecalc(true);
    P->SetDataSet(Q.get());
    EXPECT_EQ(Ours(), "0.0000|0.0000|0.0000|0.0000|0.0000|0.0000");
    EXPECT_GE(recalc, 1);
    EXPECT_EQ(after, 0);
}

}  // namespace
