// The tool controls' data lists against the private cluster: the value list of a field holds what
// the server counts as distinct values ignoring case, and a bookmark list built with inserts and
// deletes inside an update bracket deletes exactly the rows it holds.
#include "grid/core/bmlistvz.h"
#include "grid/core/datalinkvz.h"
#include "platform/ado/adodb.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class TQueryBMListVz : public TBMListVz {
    SDELKA_CLASS(TQueryBMListVz, TBMListVz)
protected:
    explicit TQueryBMListVz(TDataSet* DataSet) : FDataSet(DataSet) {}
    ~TQueryBMListVz() override = default;

public:
    TDataSet* GetDataSet() override { return FDataSet; }

private:
    TDataSet* FDataSet;
};

class ToolListsPgTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // 1 000 names: seven stems in three spellings each (lower, upper, capitalised), numbered
        // 0..29, so each value comes back in several cases.
        Db().Exec(
            "drop table if exists tl_names;"
            "create table tl_names (id int primary key, v text not null);"
            "insert into tl_names select g,"
            " (case g % 3 when 0 then lower(s) when 1 then upper(s) else s end) || ' ' || (g % 30)"
            " from generate_series(1, 1000) g,"
            " lateral (select (array['Иванов','Петрова','Ёлкин','Сидоров','O''Brien','Щукин','Adams'])[1 + g % 7] s) x;");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Q = NewOwned<TADOQuery>(nullptr);
        Q->SetConnection(Conn.get());
        Q->SQL()->SetText(u"select id, v from tl_names order by id"_S);
        Q->Open();
    }
    void TearDown() override {
        Q.reset();
        Conn.reset();
    }
    TBookmark BookmarkOf(int Id) {
        EXPECT_TRUE(Q->Locate(u"id"_S, Id, {}));
        return Q->GetBookmark();
    }
    TOwned<TADOConnection> Conn;
    TOwned<TADOQuery> Q;
};

}  // namespace

TEST_F(ToolListsPgTest, TheValueListHoldsTheDistinctValuesIgnoringCase) {
    auto list = NewOwned<TDatasetFieldValueListVz>();
    list->SetDataSet(Q.get());
    list->SetFieldName(u"v"_S);
    Q->Locate(u"id"_S, 500, {});
    TStrings* values = list->Values();
    const int distinct = std::stoi(Db().Value("select count(distinct lower(v)) from tl_names"));
    ASSERT_GT(distinct, 100);
    ASSERT_LT(distinct, 1000);
    EXPECT_EQ(values->Count(), distinct);
    EXPECT_EQ(Q->FieldByName(u"id"_S)->AsInteger(), 500);  // the cursor is back where it was
    // Sorted without duplicates in the platform's own order.
    for (int i = 1; i < values->Count(); ++i)
        EXPECT_LT(AnsiCompareText(values->Strings(i - 1), values->Strings(i)), 0) << i;
    // A change of the data makes the list obsolete; it is rebuilt on the next read.
    Q->Append();
    Q->FieldByName(u"id"_S)->SetAsInteger(5000);
    Q->FieldByName(u"v"_S)->SetAsString(u"Новое значение"_S);
    Q->Post();
    EXPECT_EQ(list->Values()->Count(), distinct + 1);
}

TEST_F(ToolListsPgTest, SelectedBookmarksDeleteExactlyTheirRows) {
    auto bm = NewOwned<TQueryBMListVz>(Q.get());
    bm->SetLinkActive(true);
    std::set<int> chosen;
    bm->BeginUpdate();
    // Fifteen rows chosen out of order, five of them dropped again, with finds in between: the
    // find cache must never answer with a position from before a change.
    const int ids[] = {913, 17, 402, 88, 655, 3, 999, 250, 731, 120, 540, 77, 860, 301, 45};
    for (int id : ids) {
        TBookmark b = BookmarkOf(id);
        int index = -1;
        EXPECT_FALSE(bm->Find(b, index));
        bm->AppendBookmark(b);
        EXPECT_TRUE(bm->Find(b, index));
        chosen.insert(id);
    }
    for (int id : {402, 3, 540, 860, 45}) {
        TBookmark b = BookmarkOf(id);
        int index = -1;
        EXPECT_TRUE(bm->Find(b, index));
        EXPECT_TRUE(bm->DeleteBookmark(b));
        EXPECT_FALSE(bm->Find(b, index));
        chosen.erase(id);
    }
    bm->EndUpdate();
    ASSERT_EQ(bm->Count(), 10);
    for (int i = 1; i < bm->Count(); ++i) EXPECT_LT(Q->CompareBookmarks(bm->Items(i - 1), bm->Items(i)), 0);

    bm->Delete();
    EXPECT_EQ(bm->Count(), 0);
    EXPECT_EQ(Db().Value("select count(*) from tl_names"), "990");
    std::string left;
    for (int id : chosen) left += (left.empty() ? "" : ",") + std::to_string(id);
    EXPECT_EQ(Db().Value("select count(*) from tl_names where id in (" + left + ")"), "0");
    EXPECT_EQ(Db().Value("select count(*) from tl_names where id in (402, 3, 540, 860, 45)"), "5");
}
