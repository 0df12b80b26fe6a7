// The in-memory dataset filled from the private cluster, checked against what the server computes.
#include "grid/memtable/memtablevz.h"
#include "grid/memtable/recordsviewvz.h"
#include "platform/ado/adodb.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include "support/pg_fixture.h"
#include "support/tools.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

class MemTablePgTest : public sdelka::test::PgSuite<> {
protected:
    static constexpr int Rows = 10000;

    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists mt_src;"
            "create table mt_src (id int primary key, name text, d date, amount numeric(12,2), qty int, parent int);"
            "insert into mt_src select g,"
            " case when g % 7 = 0 then null else"
            "  (array['Иванов','петров','O''Brien','Сидорова','ёлкин','Adams','Ёжиков'])[1 + g % 7] || ' ' || (g % 13) end,"
            " case when g % 11 = 0 then null else date '2024-01-01' + (g % 400) end,"
            " case when g % 5 = 0 then null else ((g * 37) % 100000) / 100.0 - 200 end,"
            " g % 17,"
            " case when g <= 10 then null else g / 10 end"
            " from generate_series(1, 10000) g;");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        auto q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(Conn.get());
        q->SQL()->SetText(u"select id, name, d, amount, qty, parent from mt_src order by id"_S);
        T = NewOwned<TMemTableVz>(nullptr);
        ASSERT_EQ(T->LoadFromDataSet(q.get(), 0, lmCopy, false), Rows);
    }
    void TearDown() override {
        T.reset();
        Conn.reset();
    }

    // psql's unaligned, tuples-only lines.
    QStringList Psql(const std::string& Sql) {
        sdelka::test::TRun R;
        QStringList Lines = sdelka::test::PsqlLines(QString::fromStdString(Db().ConnInfo()), QString::fromStdString(Sql), &R);
        EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
        return Lines;
    }
    // The current record as psql prints it: "|" between fields, Null as nothing.
    String DumpLine() {
        QStringList parts;
        for (TField* f : *T->Fields()) {
            if (f->IsNull()) {
                parts << String();
            } else if (f->DataType() == ftDate || f->DataType() == ftDateTime) {
                parts << FormatDateTime(u"yyyy-mm-dd"_S, f->AsDateTime());
            } else if (f->DataType() == ftBCD) {
                parts << QString::number(f->AsCurrency().ToDouble(), 'f', 2);
            } else {
                parts << f->AsString();
            }
        }
        return parts.join(u'|');
    }
    QStringList Dump() {
        QStringList r;
        T->First();
        while (!T->Eof()) {
            r << DumpLine();
            T->Next();
        }
        return r;
    }

    TOwned<TADOConnection> Conn;
    TOwned<TMemTableVz> T;
};

TEST_F(MemTablePgTest, DumpEqualsPsqlLineForLine) {
    EXPECT_EQ(T->RecordCount(), Rows);
    EXPECT_EQ(T->FieldByName(u"amount"_S)->DataType(), ftBCD);
    const QStringList ours = Dump();
    const QStringList server = Psql("select id, name, d, amount, qty, parent from mt_src order by id");
    ASSERT_EQ(ours.size(), server.size());
    for (int i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i].toStdString(), server[i].toStdString()) << "row " << i;
}

TEST_F(MemTablePgTest, TwoKeySortEqualsOrderByNullsLast) {
    // Nulls sort first ascending, so a descending order puts them last, as the server does. The
    // server's Russian collation with Latin before Cyrillic orders these names as the word sort does.
    T->SetSortOrder(u"name DESC; d DESC; id"_S);
    const QStringList ours = Dump();
    Db().Exec("create collation if not exists ru_latin_first (provider = icu, locale = 'ru-u-kr-latn-cyrl');");
    const QStringList server = Psql(
        "select id, name, d, amount, qty, parent from mt_src"
        " order by name collate ru_latin_first desc nulls last, d desc nulls last, id");
    ASSERT_EQ(ours.size(), server.size());
    for (int i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i].toStdString(), server[i].toStdString()) << "row " << i;
}

// With texts compared without case, every other kind still sorts by its value: integers,
// numerics and dates beside Nulls come in the server's order, not as texts (9 before 10, dates by
// day, not as dd.mm.yyyy text). Half the names are upper-cased so that case decides nothing.
TEST_F(MemTablePgTest, CaseInsensitiveSortsEqualOrderByForEveryKind) {
    Db().Exec("update mt_src set name = upper(name) where id % 2 = 0;"
              "create collation if not exists ru_latin_first_ci"
              " (provider = icu, locale = 'ru-u-kr-latn-cyrl-ks-level2', deterministic = false);");
    auto q = NewOwned<TADOQuery>(nullptr);
    q->SetConnection(Conn.get());
    q->SQL()->SetText(u"select id, name, d, amount, qty, parent from mt_src order by id"_S);
    T = NewOwned<TMemTableVz>(nullptr);
    ASSERT_EQ(T->LoadFromDataSet(q.get(), 0, lmCopy, false), Rows);
    T->SetOptions({mtoTextFieldsCaseInsensitive});
    struct Case {
        const char16_t* SortOrder;
        const char* OrderBy;
    };
    const Case cases[] = {
        {u"qty; id", "qty, id"},
        {u"qty DESC; id", "qty desc, id"},
        {u"amount; id", "amount nulls first, id"},
        {u"amount DESC; id", "amount desc nulls last, id"},
        {u"d; id", "d nulls first, id"},
        {u"d DESC; id", "d desc nulls last, id"},
        {u"name; id", "name collate ru_latin_first_ci nulls first, id"},
        {u"name DESC; qty; id", "name collate ru_latin_first_ci desc nulls last, qty, id"},
        {u"parent DESC; amount; id", "parent desc nulls last, amount nulls first, id"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.SortOrder).toStdString());
        T->SetSortOrder(QString::fromUtf16(c.SortOrder));
        const QStringList ours = Dump();
        const QStringList server =
            Psql(std::string("select id, name, d, amount, qty, parent from mt_src order by ") + c.OrderBy);
        ASSERT_EQ(ours.size(), server.size());
        for (int i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i].toStdString(), server[i].toStdString()) << "row " << i;
        // The one-time sort of the store gives the same order.
        T->SetSortOrder(String());
        T->SortByFields(QString::fromUtf16(c.SortOrder));
        const QStringList once = Dump();
        for (int i = 0; i < once.size(); ++i) ASSERT_EQ(once[i].toStdString(), server[i].toStdString()) << "row " << i;
    }
    // An edited row takes its place among the others by its value.
    T->SetSortOrder(u"qty; id"_S);
    ASSERT_TRUE(T->Locate(u"id"_S, Variant(17), {}));
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(10);
    T->Post();
    Db().Exec("update mt_src set qty = 10 where id = 17");
    const QStringList ours = Dump();
    const QStringList server = Psql("select id, name, d, amount, qty, parent from mt_src order by qty, id");
    ASSERT_EQ(ours.size(), server.size());
    for (int i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i].toStdString(), server[i].toStdString()) << "row " << i;
}

TEST_F(MemTablePgTest, FilteredViewAndRangeAggregatesEqualTheServers) {
    T->SetFilter(u"qty > 3 and name like '%ё%'"_S);
    T->SetFiltered(true);
    EXPECT_EQ(QString::number(T->RecordCount()).toStdString(),
              Db().Value("select count(*) from mt_src where qty > 3 and name like '%ё%'"));

    T->SetFiltered(false);
    TAggrResultsVz r;
    const TAggrFunctionsVz all{agfSumVz, agfCountVz, agfAvg, agfMin, agfMax};
    T->SetRecNo(1000);
    const TBookmark from = T->GetBookmark();
    T->SetRecNo(2500);
    const TBookmark to = T->GetBookmark();
    T->GetAggregatedValuesForRange(from, to, u"amount"_S, r, all);
    const QStringList server =
        Psql("select sum(amount), min(amount), max(amount), count(amount) from mt_src where id between 1000 and 2500");
    ASSERT_EQ(server.size(), 1);
    const QStringList s = server[0].split(u'|');
    EXPECT_EQ(QString::number(r[agfSumVz].AsCurrency().ToDouble(), 'f', 2), s[0]);
    EXPECT_EQ(QString::number(r[agfMin].AsCurrency().ToDouble(), 'f', 2), s[1]);
    EXPECT_EQ(QString::number(r[agfMax].AsCurrency().ToDouble(), 'f', 2), s[2]);
    EXPECT_EQ(QString::number(r[agfCountVz].AsInteger()), s[3]);
    EXPECT_NEAR(r[agfAvg].AsDouble(), std::stod(Db().Value(
                    "select avg(amount) from mt_src where id between 1000 and 2500")), 1e-9);

    // A key lookup and an edit written back in the view's order.
    EXPECT_TRUE(T->Locate(u"id"_S, Variant(7777), {}));
    EXPECT_EQ(T->RecNo(), 7777);
    T->Edit();
    T->FieldByName(u"name"_S)->SetAsString(u"Д'Артаньян"_S);
    T->Post();
    EXPECT_EQ(T->Lookup(u"id"_S, Variant(7777), u"name"_S).AsString(), u"Д'Артаньян"_S);
}

TEST_F(MemTablePgTest, TreeModeRowsFollowTheRecursiveQuerysPathOrder) {
    T->TreeList()->SetKeyFieldName(u"id"_S);
    T->TreeList()->SetRefParentFieldName(u"parent"_S);
    T->TreeList()->SetDefaultNodeExpanded(true);
    T->TreeList()->SetActive(true);
    const QStringList ours = Dump();
    const QStringList server = Psql(
        "with recursive t(id, path) as ("
        "  select id, array[id] from mt_src where parent is null"
        "  union all select c.id, t.path || c.id from mt_src c join t on c.parent = t.id)"
        " select s.id, s.name, s.d, s.amount, s.qty, s.parent from t join mt_src s using (id) order by t.path");
    ASSERT_EQ(ours.size(), server.size());
    for (int i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i].toStdString(), server[i].toStdString()) << "row " << i;
    // Levels are the path lengths.
    T->Locate(u"id"_S, Variant(1234), {});
    EXPECT_EQ(T->TreeNodeLevel(), 4);
}

}  // namespace
