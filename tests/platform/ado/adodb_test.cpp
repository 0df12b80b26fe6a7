// The ADO components against the private cluster.
#include "platform/ado/adodb.h"
#include "platform/ado/pgclient.h"
#include "platform/rtl/bcd.h"
#include "platform/rtl/dateutils.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

template <class T>
struct Freer {
    void operator()(T* p) const { p->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, Freer<T>>;

class AdoTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        SavedSettings = FormatSettings;
        Conn.reset(New<TADOConnection>(nullptr));
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Db().Exec(
            "drop table if exists ado_t, ado_nokey;"
            "create table ado_t (id serial primary key, name text, price numeric(10,2), d date, ts timestamp,"
            " ok bool, data bytea, n int, note varchar(20), code char(3), big numeric, qty numeric(28,6), s smallint,"
            " l bigint, f float8);"
            "create table ado_nokey (a int, b text);");
    }
    void TearDown() override {
        Conn.reset();
        FormatSettings = SavedSettings;
    }
    std::string Q(const std::string& sql) { return Db().Value(sql); }
    Owned<TADOQuery> Query(const String& sql) {
        Owned<TADOQuery> q(New<TADOQuery>(nullptr));
        q->SetConnection(Conn.get());
        q->SQL()->SetText(sql);
        return q;
    }

    Owned<TADOConnection> Conn;
    TFormatSettings SavedSettings;
};

TEST_F(AdoTest, ReadsBackFieldByFieldAsPsqlPrintsIt) {
    Db().Exec(
        "insert into ado_t (name, price, d, ts, ok, data, n, note, code, big, qty, s, l, f) values "
        "(E'Иванов O''Brien', 1234.5, '2024-03-05', '2024-03-05 14:30:15', true, '\\x00ff27', -7, 'ёлка', 'ab',"
        " 12345678901234567890.125, 2.5, 3, 9000000000, 0.25),"
        "(null, null, null, null, null, null, null, null, null, null, null, null, null, null)");
    FormatSettings.DecimalSeparator = u'.';
    FormatSettings.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    FormatSettings.DateSeparator = u'-';
    FormatSettings.LongTimeFormat = QStringLiteral("hh:nn:ss");

    auto q = Query(QStringLiteral("select * from ado_t order by id"));
    q->Open();
    ASSERT_EQ(q->RecordCount(), 2);
    struct {
        const char* column;
        TFieldType type;
        const char* asString;  // the field's text with ISO date settings
    } cases[] = {
        {"name", ftWideString, "Иванов O'Brien"},
        {"price", ftBCD, "1234.5"},
        {"d", ftDate, "2024-03-05"},
        {"ts", ftDateTime, "2024-03-05 14:30:15"},
        {"ok", ftBoolean, "True"},
        {"n", ftInteger, "-7"},
        {"note", ftWideString, "ёлка"},
        {"code", ftFixedChar, "ab "},
        {"big", ftFMTBcd, "12345678901234567890.125"},
        {"qty", ftFMTBcd, "2.5"},
        {"s", ftSmallint, "3"},
        {"l", ftLargeint, "9000000000"},
        {"f", ftFloat, "0.25"},
    };
    for (const auto& c : cases) {
        TField* f = q->FieldByName(QString::fromLatin1(c.column));
        EXPECT_EQ(f->DataType(), c.type) << c.column;
        EXPECT_EQ(f->AsString(), QString::fromUtf8(c.asString)) << c.column;
    }
    // the same values as the server prints them
    EXPECT_EQ(q->FieldByName(QStringLiteral("name"))->AsString().toStdString(), Q("select name from ado_t where n = -7"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("d"))->AsString().toStdString(), Q("select d from ado_t where n = -7"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("ts"))->AsString().toStdString(), Q("select ts from ado_t where n = -7"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("code"))->AsString().toStdString(), Q("select code from ado_t where n = -7"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("big"))->AsString().toStdString(), Q("select big from ado_t where n = -7"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("data"))->AsBytes(), (TBytes{0x00, 0xff, 0x27}));
    auto* price = static_cast<TBCDField*>(q->FieldByName(QStringLiteral("price")));
    EXPECT_EQ(price->Precision(), 10);
    EXPECT_EQ(price->Size(), 2);
    EXPECT_EQ(static_cast<TFMTBCDField*>(q->FieldByName(QStringLiteral("qty")))->Precision(), 28);
    EXPECT_EQ(q->FieldByName(QStringLiteral("note"))->Size(), 20);

    q->Next();
    for (const auto& c : cases) EXPECT_TRUE(q->FieldByName(QString::fromLatin1(c.column))->IsNull()) << c.column;
    EXPECT_TRUE(q->FieldByName(QStringLiteral("data"))->IsNull());
}

TEST_F(AdoTest, ParametersSkipCastsAndQuotesAndNeverGoIntoTheText) {
    auto q = Query(QStringLiteral("select :a::int + 1 as x, ':b' as lit, :c as c, :A as again -- :d\n"));
    ASSERT_EQ(q->Parameters()->Count(), 2);
    q->Parameters()->ParamByName(QStringLiteral("a"))->SetValue(Variant(41));
    q->Parameters()->ParamByName(QStringLiteral("C"))->SetValue(Variant(QStringLiteral("it's")));
    EXPECT_THROW(q->Parameters()->ParamByName(QStringLiteral("d")), EDatabaseError);
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("x"))->AsInteger(), 42);
    EXPECT_EQ(q->FieldByName(QStringLiteral("lit"))->AsString(), QStringLiteral(":b"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("c"))->AsString(), QStringLiteral("it's"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("again"))->AsInteger(), 41);
    q->Close();

    // changing the text keeps the values of parameters that stay
    q->SQL()->SetText(QStringLiteral("insert into ado_t (name, n) values (:c, :n)"));
    ASSERT_EQ(q->Parameters()->Count(), 2);
    EXPECT_EQ(q->Parameters()->ParamByName(QStringLiteral("c"))->Value().AsString(), QStringLiteral("it's"));
    const String evil = QStringLiteral("x'); drop table ado_t;--");
    q->Parameters()->ParamByName(QStringLiteral("c"))->SetValue(Variant(evil));
    q->Parameters()->ParamByName(QStringLiteral("n"))->SetValue(Variant(5));
    EXPECT_EQ(q->ExecSQL(), 1);
    EXPECT_EQ(Q("select name from ado_t where n = 5"), evil.toStdString());

    Owned<TADOCommand> cmd(New<TADOCommand>(nullptr));
    cmd->SetConnection(Conn.get());
    cmd->SetCommandText(QStringLiteral("update ado_t set note = :note where n = :n or n = :n"));
    ASSERT_EQ(cmd->Parameters()->Count(), 2);
    cmd->Parameters()->ParamByName(QStringLiteral("note"))->SetValue(Variant(QStringLiteral("'--")));
    cmd->Parameters()->ParamByName(QStringLiteral("n"))->SetValue(Variant(5));
    int affected = -1;
    cmd->Execute(affected);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(Q("select note from ado_t where n = 5"), "'--");
}

TEST_F(AdoTest, TextGivenToADateParameterIsDayFirstWhateverTheDateStyle) {
    Conn->Execute(QStringLiteral("set DateStyle = 'MDY'"));
    auto q = Query(QStringLiteral("insert into ado_t (d, ts, n) values (:d, :ts, 1) returning id, d"));
    q->Parameters()->ParamByName(QStringLiteral("d"))->SetDataType(ftDate);
    q->Parameters()->ParamByName(QStringLiteral("d"))->SetValue(Variant(QStringLiteral("5.3.2024")));
    q->Parameters()->ParamByName(QStringLiteral("ts"))->SetDataType(ftDateTime);
    q->Parameters()->ParamByName(QStringLiteral("ts"))->SetValue(VarFromDateTime(EncodeDate(2024, 3, 5) + EncodeTime(8, 0, 0, 0)));
    q->Open();  // an insert with RETURNING opens as a dataset
    EXPECT_EQ(q->FieldByName(QStringLiteral("d"))->AsDateTime(), EncodeDate(2024, 3, 5));
    EXPECT_GT(q->FieldByName(QStringLiteral("id"))->AsInteger(), 0);
    q->Close();
    EXPECT_EQ(Q("select to_char(d, 'DD Mon YYYY') || ' ' || to_char(ts, 'DD Mon HH24:MI') from ado_t where n = 1"),
              "05 Mar 2024 05 Mar 08:00");

    // a date-time parameter carrying a day selects that day's rows
    auto sel = Query(QStringLiteral("select count(*) as cnt from ado_t where d = :data"));
    sel->Parameters()->ParamByName(QStringLiteral("data"))->SetDataType(ftDateTime);
    sel->Parameters()->ParamByName(QStringLiteral("data"))->SetValue(VarFromDateTime(EncodeDate(2024, 3, 5)));
    sel->Open();
    EXPECT_EQ(sel->FieldByName(QStringLiteral("cnt"))->AsInteger(), 1);
}

TEST_F(AdoTest, ServerErrorsReachTheCallerAsDatabaseErrorsWithTheServersText) {
    auto q = Query(QStringLiteral("select * from no_such_table"));
    try {
        q->Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("relation \"no_such_table\" does not exist"));
    }
    EXPECT_FALSE(q->Active());

    Owned<TADOConnection> bad(New<TADOConnection>(nullptr));
    bad->SetConnectionString(QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=no_such_db;SERVER=%1;PORT=%2;UID=%3")
                                 .arg(QString::fromStdString(sdelka::test::PgDatabase::Host()),
                                      QString::fromStdString(sdelka::test::PgDatabase::Port()),
                                      QString::fromStdString(sdelka::test::PgDatabase::User())));
    try {
        bad->Open();
        FAIL() << "connected";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("database \"no_such_db\" does not exist"))) << e.what();
    }
    EXPECT_FALSE(bad->Connected());

    // a statement that returns no rows cannot be opened; ExecSQL runs it
    auto ins = Query(QStringLiteral("insert into ado_t (n) values (1)"));
    EXPECT_THROW(ins->Open(), EDatabaseError);
}

TEST_F(AdoTest, EditsResolveToExactlyOneRowByPrimaryKey) {
    Db().Exec("insert into ado_t (name, n, price) values ('a', 1, 1.5), ('a', 2, 2.5)");
    auto q = Query(QStringLiteral("select id, name, n, price, d from ado_t order by n"));
    q->Open();
    q->Edit();
    q->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Петров'); drop table ado_t;--"));
    q->FieldByName(QStringLiteral("price"))->SetAsString(QStringLiteral("7,25"));  // the user's decimal comma
    q->Post();
    EXPECT_EQ(Q("select name || '|' || price from ado_t where n = 1"), "Петров'); drop table ado_t;--|7.25");
    EXPECT_EQ(Q("select name || '|' || price from ado_t where n = 2"), "a|2.50");

    // insert: the generated key comes back
    q->Append();
    q->FieldByName(QStringLiteral("n"))->SetAsInteger(3);
    q->FieldByName(QStringLiteral("d"))->SetAsDateTime(EncodeDate(2024, 12, 31));
    q->Post();
    const int id = q->FieldByName(QStringLiteral("id"))->AsInteger();
    EXPECT_EQ(Q("select id from ado_t where n = 3"), std::to_string(id));
    EXPECT_EQ(Q("select d from ado_t where n = 3"), "2024-12-31");
    EXPECT_EQ(q->RecordCount(), 3);

    // delete removes that one row
    ASSERT_TRUE(q->Locate(QStringLiteral("n"), Variant(2), {}));
    q->Delete();
    EXPECT_EQ(Q("select string_agg(n::text, ',' order by n) from ado_t"), "1,3");
    EXPECT_EQ(q->RecordCount(), 2);

    // a row deleted by someone else meanwhile is not found: the post raises, nothing is written
    q->First();
    Db().Exec("delete from ado_t where n = 1");
    q->Edit();
    q->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("gone"));
    EXPECT_THROW(q->Post(), EDatabaseError);
    q->Cancel();
    EXPECT_EQ(Q("select count(*) from ado_t where name = 'gone'"), "0");
}

TEST_F(AdoTest, ATableWithoutKeyIsEditedByAllOriginalValuesAndNeverTouchesTwoRows) {
    Db().Exec("insert into ado_nokey values (1, 'dup'), (1, 'dup'), (2, null)");
    auto q = Query(QStringLiteral("select a, b from ado_nokey order by a"));
    q->Open();
    q->Edit();  // the first of two identical rows
    q->FieldByName(QStringLiteral("b"))->SetAsString(QStringLiteral("changed"));
    EXPECT_THROW(q->Post(), EDatabaseError);
    q->Cancel();
    EXPECT_EQ(Q("select count(*) from ado_nokey where b = 'dup'"), "2");
    q->First();
    EXPECT_THROW(q->Delete(), EDatabaseError);
    EXPECT_EQ(Q("select count(*) from ado_nokey"), "3");

    // the row with a NULL is found with IS NOT DISTINCT FROM
    ASSERT_TRUE(q->Locate(QStringLiteral("a"), Variant(2), {}));
    q->Edit();
    q->FieldByName(QStringLiteral("b"))->SetAsString(QStringLiteral("was null"));
    q->Post();
    EXPECT_EQ(Q("select b from ado_nokey where a = 2"), "was null");

    // the same inside the caller's transaction: the failed statement is undone, the rest stays
    Conn->BeginTrans();
    ASSERT_TRUE(q->Locate(QStringLiteral("a"), Variant(2), {}));
    q->Delete();
    q->First();
    q->Edit();
    q->FieldByName(QStringLiteral("b"))->SetAsString(QStringLiteral("x"));
    EXPECT_THROW(q->Post(), EDatabaseError);
    q->Cancel();
    EXPECT_TRUE(Conn->InTransaction());
    Conn->CommitTrans();
    EXPECT_EQ(Q("select count(*) from ado_nokey"), "2");
    EXPECT_EQ(Q("select count(*) from ado_nokey where b = 'dup'"), "2");
}

TEST_F(AdoTest, FilterSortLocateAndRecordNumbers) {
    Db().Exec("insert into ado_t (name, n) values ('Иванов', 3), ('иванова', 1), ('Петров', 2), ('Сидоров', null)");
    auto q = Query(QStringLiteral("select name, n from ado_t order by id"));
    q->Open();
    EXPECT_EQ(q->RecordCount(), 4);
    q->SetFilter(QStringLiteral("name like 'иван%'"));
    q->SetFiltered(true);
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(q->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Иванов"));
    q->SetFilter(QStringLiteral("n=2 or n=3"));
    EXPECT_EQ(q->RecordCount(), 2);
    q->SetFilter(QStringLiteral("name like 'П%' and n=2"));
    EXPECT_EQ(q->RecordCount(), 1);
    q->SetFilter(QStringLiteral("[name] like '*ВАНОВ*'"));  // the lookup box's wildcard
    EXPECT_EQ(q->RecordCount(), 2);
    q->SetFilter(QStringLiteral("name like 'П%' and n=2"));
    EXPECT_THROW(q->SetFilter(QStringLiteral("name like 'O'Br%'")), EDatabaseError);
    EXPECT_EQ(q->RecordCount(), 1);
    q->SetFiltered(false);
    EXPECT_EQ(q->RecordCount(), 4);

    q->SetSort(QStringLiteral("n DESC"));
    QStringList order;
    for (q->First(); !q->Eof(); q->Next()) order << q->FieldByName(QStringLiteral("name"))->AsString() + u'/' + QString::number(q->RecNo());
    EXPECT_EQ(order.join(u','), QStringLiteral("Иванов/1,Петров/2,иванова/3,Сидоров/4"));
    q->SetSort(QStringLiteral("n"));
    q->First();
    EXPECT_EQ(q->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Сидоров"));  // Null first

    EXPECT_TRUE(q->Locate(QStringLiteral("name"), Variant(QStringLiteral("петр")), {loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(q->RecNo(), 3);
    q->SetRecNo(2);
    EXPECT_EQ(q->FieldByName(QStringLiteral("n"))->AsInteger(), 1);
    EXPECT_FALSE(q->Locate(QStringLiteral("n"), Variant(99), {}));

    q->First();
    const Variant rows = q->GetRows();
    EXPECT_EQ(VarArrayHighBound(rows, 1), 1);  // two fields
    EXPECT_EQ(VarArrayHighBound(rows, 2), 3);  // four rows
    EXPECT_EQ(VarArrayGet(rows, {1, 3}).AsInteger(), 3);
    EXPECT_TRUE(q->Eof());

    Db().Exec("insert into ado_t (name, n) values ('Новый', 4)");
    q->Requery();
    EXPECT_EQ(q->RecordCount(), 5);

    // OnFilterRecord, already on when the dataset opens
    auto even = Query(QStringLiteral("select name, n from ado_t order by n"));
    even->SetOnFilterRecord([](TDataSet* ds, bool& accept) {
        accept = !ds->FieldByName(QStringLiteral("n"))->IsNull() && ds->FieldByName(QStringLiteral("n"))->AsInteger() % 2 == 0;
    });
    even->SetFiltered(true);
    even->Open();
    EXPECT_EQ(even->RecordCount(), 2);
    EXPECT_EQ(even->FieldByName(QStringLiteral("n"))->AsInteger(), 2);
}

// A bookmark goes back to its row, with the row's record number in the view of the moment,
// through sorting, unsorting, filtering, deleting and inserting.
TEST_F(AdoTest, BookmarksFindTheirRowsThroughViewChanges) {
    Db().Exec("insert into ado_t (n) select i from generate_series(1, 8) i");
    auto q = Query(QStringLiteral("select id, n from ado_t order by id"));
    q->Open();
    std::vector<std::pair<TBookmark, int>> marks;  // bookmark, n of its row
    for (q->First(); !q->Eof(); q->Next()) marks.emplace_back(q->GetBookmark(), q->FieldByName(QStringLiteral("n"))->AsInteger());
    std::set<int> deleted;
    auto check = [&](const char* step) {
        // where each row stands in the view now
        std::map<int, int> recNo;
        for (q->First(); !q->Eof(); q->Next()) recNo[q->FieldByName(QStringLiteral("n"))->AsInteger()] = q->RecNo();
        for (const auto& [mark, n] : marks) {
            if (deleted.count(n) || !recNo.count(n)) {
                EXPECT_FALSE(q->BookmarkValid(mark)) << step << " n=" << n;
                continue;
            }
            ASSERT_TRUE(q->BookmarkValid(mark)) << step << " n=" << n;
            q->GotoBookmark(mark);
            EXPECT_EQ(q->FieldByName(QStringLiteral("n"))->AsInteger(), n) << step;
            EXPECT_EQ(q->RecNo(), recNo[n]) << step << " n=" << n;
        }
    };
    check("opened");
    q->SetSort(QStringLiteral("n DESC"));
    check("sorted down");
    q->SetSort(QString());
    check("server's order");
    q->SetFilter(QStringLiteral("n > 3"));
    q->SetFiltered(true);
    check("filtered");
    q->SetFiltered(false);
    check("unfiltered");
    q->GotoBookmark(marks[2].first);
    q->Delete();
    deleted.insert(marks[2].second);
    check("one deleted");
    q->GotoBookmark(marks[5].first);
    q->Insert();
    q->FieldByName(QStringLiteral("n"))->SetAsInteger(100);
    q->Post();
    marks.emplace_back(q->GetBookmark(), 100);
    check("one inserted");
    q->SetSort(QStringLiteral("n"));
    check("sorted up");
    q->SetSort(QString());
    check("server's order again");
    q->Requery();
    marks.clear();
    for (q->First(); !q->Eof(); q->Next()) marks.emplace_back(q->GetBookmark(), q->FieldByName(QStringLiteral("n"))->AsInteger());
    deleted.clear();
    check("requeried");
}

// Deletes and inserts in the middle of a long filtered and sorted view (long enough for the view to
// keep its rows in several blocks, and for the inserts at one place to split one): after each, the
// walk gives the expected rows with their record numbers, and bookmarks go to their rows, compare
// in the view's order, and are invalid for deleted and filtered-out rows.
TEST_F(AdoTest, DeletesAndInsertsInTheMiddleOfALongViewKeepPlacesAndBookmarks) {
    Db().Exec("insert into ado_t (name, n) select case when i % 3 = 0 then 'b' else 'a' end, i from generate_series(1, 1500) i");
    auto q = Query(QStringLiteral("select id, name, n from ado_t order by id"));
    q->Open();
    std::vector<int> all;                 // every row's n: the server's order, then the inserted ones
    std::map<int, bool> isA;              // n -> the row passes the filter (name = 'a')
    std::set<int> deleted;
    std::map<int, TBookmark> marks;
    for (q->First(); !q->Eof(); q->Next()) {
        const int n = q->FieldByName(QStringLiteral("n"))->AsInteger();
        all.push_back(n);
        isA[n] = q->FieldByName(QStringLiteral("name"))->AsString() == QStringLiteral("a");
        marks[n] = q->GetBookmark();
    }
    bool filtered = false;
    int sort = 0;  // 0 the server's order, 1 by n, -1 by n descending
    std::vector<int> view;  // what the dataset should show
    auto rebuilt = [&] {
        view.clear();
        for (int n : all)
            if (!deleted.count(n) && (!filtered || isA[n])) view.push_back(n);
        if (sort) std::stable_sort(view.begin(), view.end(), [&](int a, int b) { return sort > 0 ? a < b : a > b; });
    };
    int step = 0;
    auto check = [&](const std::string& what) {
        ++step;
        SCOPED_TRACE(what);
        ASSERT_EQ(q->RecordCount(), static_cast<int>(view.size()));
        int i = 0;
        for (q->First(); !q->Eof(); q->Next(), ++i) {
            ASSERT_LT(i, static_cast<int>(view.size()));
            ASSERT_EQ(q->FieldByName(QStringLiteral("n"))->AsInteger(), view[static_cast<size_t>(i)]) << "at " << i;
            ASSERT_EQ(q->RecNo(), i + 1);
        }
        ASSERT_EQ(i, static_cast<int>(view.size()));
        std::map<int, int> place;
        for (size_t k = 0; k < view.size(); ++k) place[view[k]] = static_cast<int>(k);
        // a different seventh of the bookmarks each time, and every one now and then
        const TBookmark* previous = nullptr;
        int previousPlace = -1;
        for (const auto& [n, mark] : marks) {
            if (step % 10 != 0 && (n + step) % 7 != 0) continue;
            const auto it = place.find(n);
            if (it == place.end()) {
                EXPECT_FALSE(q->BookmarkValid(mark)) << "n=" << n;
                continue;
            }
            ASSERT_TRUE(q->BookmarkValid(mark)) << "n=" << n;
            q->GotoBookmark(mark);
            ASSERT_EQ(q->FieldByName(QStringLiteral("n"))->AsInteger(), n);
            ASSERT_EQ(q->RecNo(), it->second + 1) << "n=" << n;
            if (previous) {
                const int expected = previousPlace < it->second ? -1 : (previousPlace > it->second ? 1 : 0);
                ASSERT_EQ(q->CompareBookmarks(*previous, mark), expected) << "n=" << n;
            }
            previous = &mark;
            previousPlace = it->second;
        }
    };
    std::mt19937 gen(31);
    auto remove = [&](int recNo) {
        q->SetRecNo(recNo);
        const int n = view[static_cast<size_t>(recNo - 1)];
        ASSERT_EQ(q->FieldByName(QStringLiteral("n"))->AsInteger(), n);
        q->Delete();
        view.erase(view.begin() + (recNo - 1));
        deleted.insert(n);
        EXPECT_EQ(q->RecNo(), std::min(recNo, static_cast<int>(view.size())));
        check("deleted n=" + std::to_string(n) + " at " + std::to_string(recNo));
    };
    int next = 10000;
    auto insert = [&](int recNo, bool a) {  // before the row at recNo; 0 appends
        const int n = next++;
        if (recNo > 0) {
            q->SetRecNo(recNo);
            q->Insert();
        } else {
            q->Append();
        }
        q->FieldByName(QStringLiteral("name"))->SetAsString(a ? QStringLiteral("a") : QStringLiteral("b"));
        q->FieldByName(QStringLiteral("n"))->SetAsInteger(n);
        q->Post();
        const int at = recNo > 0 ? recNo - 1 : static_cast<int>(view.size());
        view.insert(view.begin() + at, n);
        all.push_back(n);
        isA[n] = a;
        marks[n] = q->GetBookmark();
        EXPECT_EQ(q->RecNo(), at + 1);
        check("inserted n=" + std::to_string(n) + " at " + std::to_string(at + 1));
    };
    auto middle = [&] { return 2 + static_cast<int>(gen() % (view.size() - 2)); };

    filtered = true;
    q->SetFilter(QStringLiteral("name = 'a'"));
    q->SetFiltered(true);
    sort = -1;
    q->SetSort(QStringLiteral("n DESC"));
    rebuilt();
    check("filtered and sorted down");
    for (int k = 0; k < 12; ++k) remove(middle());
    for (int k = 0; k < 40; ++k) insert(400, k % 2 == 0);  // one place: its block splits
    for (int k = 0; k < 12; ++k) {
        insert(middle(), true);
        remove(middle());
    }
    insert(0, true);
    remove(1);
    remove(static_cast<int>(view.size()));
    sort = 1;
    q->SetSort(QStringLiteral("n"));
    rebuilt();  // the inserted rows of name 'b' leave the view
    check("sorted up");
    for (int k = 0; k < 10; ++k) {
        remove(middle());
        insert(middle(), k % 3 == 0);
    }
    filtered = false;
    q->SetFiltered(false);
    rebuilt();
    check("unfiltered");
    sort = 0;
    q->SetSort(QString());
    rebuilt();
    check("the server's order");
    for (int k = 0; k < 10; ++k) {
        insert(middle(), true);
        remove(middle());
    }
    // The inserted rows stand last in the server's order: most of them go, and those left (and
    // the rows inserted after) are still found.
    for (int k = 0; k < 60; ++k) remove(static_cast<int>(view.size()) - 1);
    insert(middle(), true);
    insert(0, true);
    EXPECT_EQ(Q("select count(*) from ado_t"), std::to_string(all.size() - deleted.size()));
}

TEST_F(AdoTest, TablesDataSetsStoredProceduresAndBlobs) {
    Db().Exec("create or replace function ado_add(a int, b int) returns int language sql as 'select a + b'");
    Owned<TADOTable> t(New<TADOTable>(nullptr));
    t->SetConnection(Conn.get());
    t->SetTableName(QStringLiteral("ado_t"));
    t->Open();
    EXPECT_EQ(t->RecordCount(), 0);
    t->Insert();
    t->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("blob"));
    t->FieldByName(QStringLiteral("data"))->SetAsBytes(TBytes{0x00, 0x27, 0x5c, 0xff});
    t->Post();
    EXPECT_EQ(Q("select data from ado_t where name = 'blob'"), "\\x00275cff");
    t->Edit();
    t->FieldByName(QStringLiteral("data"))->SetAsBytes(TBytes{0x01});
    t->Post();
    EXPECT_EQ(Q("select data from ado_t where name = 'blob'"), "\\x01");
    EXPECT_FALSE(t->FieldByName(QStringLiteral("id"))->IsNull());

    Owned<TADODataSet> ds(New<TADODataSet>(nullptr));
    ds->SetConnection(Conn.get());
    ds->SetCommandText(QStringLiteral("select name from ado_t where name = :name"));
    ds->Parameters()->ParamByName(QStringLiteral("name"))->SetValue(Variant(QStringLiteral("blob")));
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 1);

    Owned<TADOStoredProc> sp(New<TADOStoredProc>(nullptr));
    sp->SetConnection(Conn.get());
    sp->SetProcedureName(QStringLiteral("ado_add"));
    sp->Parameters()->CreateParameter(QStringLiteral("a"), ftInteger, pdInput, 0, Variant(40));
    sp->Parameters()->CreateParameter(QStringLiteral("b"), ftInteger, pdInput, 0, Variant(2));
    TParameter* result = sp->Parameters()->CreateParameter(QStringLiteral("ado_add"), ftInteger, pdReturnValue, 0, Null());
    sp->ExecProc();
    EXPECT_EQ(result->Value().AsInteger(), 42);

    // asking a closed "insert … returning" for its fields writes nothing
    auto ins = Query(QStringLiteral("insert into ado_t (name) values ('ghost') returning id, name"));
    ins->FieldDefs()->Update();
    EXPECT_EQ(ins->FieldDefs()->Count(), 2);
    EXPECT_EQ(Q("select count(*) from ado_t where name = 'ghost'"), "0");
}

TEST_F(AdoTest, PersistentFieldsTakeTheColumnsValuesInTheirTypes) {
    Db().Exec("insert into ado_t (name, price, n, big) values ('x', 12.75, 7, 3)");
    auto q = Query(QStringLiteral("select id, price, n, big::numeric kol_vo from ado_t"));
    auto* id = New<TIntegerField>(q.get());
    id->SetFieldName(QStringLiteral("id"));
    id->SetDataSet(q.get());
    auto* price = New<TFloatField>(q.get());
    price->SetFieldName(QStringLiteral("price"));
    price->SetDataSet(q.get());
    auto* n = New<TSmallintField>(q.get());
    n->SetFieldName(QStringLiteral("n"));
    n->SetDataSet(q.get());
    auto* kol = New<TFMTBCDField>(q.get());
    kol->SetFieldName(QStringLiteral("kol_vo"));
    kol->SetPrecision(28);
    kol->SetDataSet(q.get());
    q->Open();
    EXPECT_EQ(q->FieldCount(), 4);
    EXPECT_DOUBLE_EQ(price->AsFloat(), 12.75);
    EXPECT_EQ(n->AsInteger(), 7);
    EXPECT_EQ(kol->AsInteger(), 3);
    q->Edit();
    price->SetAsFloat(1.5);
    q->Post();
    EXPECT_EQ(Q("select price from ado_t"), "1.50");
}

// A fetched value reads the same whichever way it is decoded: the dataset's quick readers for the
// common kinds against the client's decoding by type cast to the field's kind, over the edges of
// each kind, Nulls, empty texts, values the quick readers leave alone, persistent fields of
// another kind and a DateStyle that is not ISO.
TEST_F(AdoTest, FetchedValuesReadTheSameAsTheClientDecodesThem) {
    const String sql = QStringLiteral(
        "select * from (values"
        " (int2 '-32768', int4 '-2147483648', int8 '-9223372036854775808', float8 '-0', text 'Иванов O''Brien',"
        "  date '0001-01-01', numeric(18,4) '-99999999999999.9999', bool 't', varchar(5) 'ab', char(3) 'x',"
        "  numeric '12.34567', int8 '5', int4 '7', float4 '1.1', numeric(10,2) '0'),"
        " (32767, 2147483647, 9223372036854775807, 1e308, '', '9999-12-31', 99999999999999.9999, false, '', '',"
        "  'NaN', 2147483648, 40000, '-Infinity', '-0.0001'),"
        " (0, -1, 0, 'NaN', '😀 ё\u00a0\u0430', '2024-02-29', 0.5, null, 'ёжик', 'ёж',"
        "  '123456789012345.5', -2147483649, -40000, 'Infinity', 12.5),"
        " (null, null, null, 'Infinity', null, '1899-12-30', null, true, null, null,"
        "  null, null, null, 3.4028235e38, null),"
        " (1, 2, 3, 2.2250738585072014e-308, E'a\\tb\\nc', '1899-12-29', -0.0001, false, 'x', 'xyz',"
        "  '-5', 0, 0, 1e-45, null)"
        ") v(s, i, l, f, t, d, c, b, vc, ch, big, l2, i2, f4, c18)");
    // every column in its own kind, and some in persistent fields of other kinds
    auto q = Query(sql);
    auto other = Query(sql);
    auto* big = New<TBCDField>(other.get());
    big->SetFieldName(QStringLiteral("big"));
    big->SetDataSet(other.get());
    auto* l2 = New<TIntegerField>(other.get());
    l2->SetFieldName(QStringLiteral("l2"));
    l2->SetDataSet(other.get());
    auto* i2 = New<TSmallintField>(other.get());
    i2->SetFieldName(QStringLiteral("i2"));
    i2->SetDataSet(other.get());

    TPgConnection client;
    client.Open(QString::fromStdString(Db().OdbcConnectionString()));
    auto same = [](const Variant& a, const Variant& b) {
        if (VarType(a) != VarType(b)) return false;
        if (VarType(a) == varDouble) {
            const double x = a.AsDouble(), y = b.AsDouble();
            return (std::isnan(x) && std::isnan(y)) || (x == y && std::signbit(x) == std::signbit(y));
        }
        return VarIsNull(a) || a == b;
    };
    int compared = 0;
    for (const char* style : {"ISO, DMY", "SQL, DMY", "German, DMY"}) {
        const String set = QStringLiteral("set datestyle to '%1'").arg(QLatin1String(style));
        Conn->Execute(set);
        client.Execute(set);
        const TPgResult r = client.Execute(sql);
        for (TADOQuery* ds : {q.get(), other.get()}) {
            ds->Close();
            ds->Open();
            ASSERT_EQ(ds->RecordCount(), r.RowCount());
            for (int row = 0; !ds->Eof(); ds->Next(), ++row) {
                for (int c = 0; c < ds->FieldCount(); ++c) {
                    TField* f = ds->Fields()->Fields(c);
                    const int col = r.ColumnIndex(f->FieldName());
                    ASSERT_GE(col, 0);
                    Variant expected = r.Value(row, col);
                    if (!VarIsNull(expected)) {
                        try {
                            expected = VarAsType(expected, FieldTypeVarMap(f->DataType()));
                        } catch (const Exception&) {
                            EXPECT_THROW(f->AsVariant(), Exception) << style << " row " << row << " " << f->FieldName().toStdString();
                            continue;
                        }
                    }
                    Variant got;
                    if (!f->GetData(got)) got = Null();
                    ++compared;
                    EXPECT_TRUE(same(got, expected)) << style << " row " << row << " " << f->FieldName().toStdString() << ": "
                                                     << VarToStr(got).toStdString() << " / " << VarToStr(expected).toStdString();
                }
            }
        }
    }
    EXPECT_GT(compared, 3 * 5 * 15);
}

TEST_F(AdoTest, ConnectionEventsTransactionsAndCatalog) {
    QStringList log;
    Conn->BeforeConnect = [&](TObject*) { log << QStringLiteral("before connect"); };
    Conn->AfterConnect = [&](TObject*) { log << QStringLiteral("after connect"); };
    Conn->BeforeDisconnect = [&](TObject*) { log << QStringLiteral("before disconnect"); };
    Conn->AfterDisconnect = [&](TObject*) { log << QStringLiteral("after disconnect"); };
    auto q = Query(QStringLiteral("select 1 as one"));
    q->Open();  // connects on demand
    EXPECT_TRUE(Conn->Connected());
    EXPECT_EQ(Conn->DataSetCount(), 1);
    Conn->Close();  // closes its datasets
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(log.join(u','), QStringLiteral("before connect,after connect,before disconnect,after disconnect"));

    Conn->Open();
    EXPECT_EQ(Conn->BeginTrans(), 1);
    EXPECT_TRUE(Conn->InTransaction());
    Conn->Execute(QStringLiteral("insert into ado_t (n) values (10)"));
    Conn->RollbackTrans();
    EXPECT_FALSE(Conn->InTransaction());
    int affected = -1;
    Conn->BeginTrans();
    Conn->Execute(QStringLiteral("insert into ado_t (n) values (11), (12)"), affected);
    Conn->CommitTrans();
    EXPECT_EQ(affected, 2);
    EXPECT_EQ(Q("select string_agg(n::text, ',' order by n) from ado_t"), "11,12");

    Owned<TStringList> names(New<TStringList>());
    Conn->GetTableNames(names.get());
    EXPECT_GE(names->IndexOf(QStringLiteral("ado_t")), 0);
    Conn->GetFieldNames(QStringLiteral("ado_nokey"), names.get());
    EXPECT_EQ(names->CommaText(), QStringLiteral("a,b"));

    // a connection freed under a dataset leaves it closed and unattached
    Conn.reset();
    EXPECT_EQ(q->Connection(), nullptr);
    EXPECT_THROW(q->Open(), EDatabaseError);
}

}  // namespace
