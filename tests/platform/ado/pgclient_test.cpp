// The libpq layer against the private cluster.
#include "platform/ado/pgclient.h"
#include "platform/ado/pgsqltext.h"
#include "platform/rtl/bcd.h"
#include "platform/rtl/dateutils.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

class PgClientTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Conn.Open(QString::fromStdString(Db().OdbcConnectionString()));
        Db().Exec(
            "drop table if exists pgc_t;"
            "create table pgc_t (id serial primary key, name text, price numeric(10,2), d date, ts timestamp,"
            " ok bool, data bytea, n int, note varchar(20), code char(3), big numeric, f float8)");
    }
    std::string Q(const std::string& sql) { return Db().Value(sql); }

    TPgConnection Conn;
};

const char* kInsert =
    "insert into pgc_t (name, price, d, ts, ok, data, n, note, code, big, f) "
    "values (:name, :price, :d, :ts, :ok, :data, :n, :note, :code, :big, :f) returning id";

TEST_F(PgClientTest, StoresAndReadsBackEveryTypeAsTheServerPrintsIt) {
    const TPgParsedSql sql = ParsePgSqlParams(QString::fromUtf8(kInsert));
    ASSERT_EQ(sql.Names.size(), 11);
    const String name = QStringLiteral("Иванов И.И. O'Brien'); drop table pgc_t;--");
    const TPgResult ins = Conn.Execute(
        sql.Sql, {TPgParam::FromVariant(Variant(name)),
                  TPgParam::FromVariant(Variant(QStringLiteral("1234,5")), TPgValueKind::Numeric),
                  TPgParam::FromVariant(Variant(QStringLiteral("5.3.2024")), TPgValueKind::Date),
                  TPgParam::FromVariant(VarFromDateTime(EncodeDateTime(2024, 3, 5, 14, 30, 15, 250))),
                  TPgParam::FromVariant(Variant(true)),
                  TPgParam::FromVariant(VarByteArrayOf(QByteArray("\0\x01\\'\xff", 5))),
                  TPgParam::FromVariant(Variant(-7)),
                  TPgParam::FromVariant(Variant(QStringLiteral("ёлка"))),
                  TPgParam::FromVariant(Variant(QStringLiteral("ab"))),
                  TPgParam::FromVariant(Variant(QStringLiteral("12345678901234567890.123456789")), TPgValueKind::Numeric),
                  TPgParam::FromVariant(Variant(0.1))});
    ASSERT_EQ(ins.RowCount(), 1);
    EXPECT_EQ(ins.RowsAffected(), 1);
    const std::string id = ins.Text(0, 0).toStdString();
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values (null)"));

    // what the server holds, as psql prints it
    EXPECT_EQ(Q("select name from pgc_t where id=" + id), name.toStdString());
    EXPECT_EQ(Q("select price from pgc_t where id=" + id), "1234.50");
    EXPECT_EQ(Q("select d from pgc_t where id=" + id), "2024-03-05");
    EXPECT_EQ(Q("select ts from pgc_t where id=" + id), "2024-03-05 14:30:15.25");
    EXPECT_EQ(Q("select data from pgc_t where id=" + id), "\\x00015c27ff");
    EXPECT_EQ(Q("select code from pgc_t where id=" + id), "ab ");
    EXPECT_EQ(Q("select big from pgc_t where id=" + id), "12345678901234567890.123456789");
    EXPECT_EQ(Q("select count(*) from pgc_t"), "2");

    const TPgResult r = Conn.Execute(QStringLiteral("select * from pgc_t order by id"));
    ASSERT_EQ(r.RowCount(), 2);
    const int price = r.ColumnIndex(QStringLiteral("PRICE"));
    EXPECT_EQ(r.Column(price).Type, PgType::Numeric);
    EXPECT_EQ(r.Column(price).Precision(), 10);
    EXPECT_EQ(r.Column(price).Scale(), 2);
    EXPECT_EQ(r.Column(r.ColumnIndex(QStringLiteral("big"))).Precision(), 0);
    EXPECT_EQ(r.Column(r.ColumnIndex(QStringLiteral("note"))).Length(), 20);
    EXPECT_EQ(r.Column(r.ColumnIndex(QStringLiteral("code"))).Type, PgType::BpChar);
    EXPECT_NE(r.Column(0).Table, 0u);
    EXPECT_EQ(r.Column(price).TableColumn, 3);

    auto v = [&](int row, const char* col) { return r.Value(row, r.ColumnIndex(QString::fromLatin1(col))); };
    EXPECT_EQ(v(0, "name").AsString(), name);
    EXPECT_EQ(BcdToStr(v(0, "price").AsBcd()), QStringLiteral("1234,5"));
    EXPECT_EQ(v(0, "d").AsDateTime(), EncodeDate(2024, 3, 5));
    EXPECT_EQ(PgTimestampText(v(0, "ts").AsDateTime()), QStringLiteral("2024-03-05 14:30:15.250"));
    EXPECT_TRUE(v(0, "ok").AsBoolean());
    EXPECT_EQ(VarByteArrayToBytes(v(0, "data")), QByteArray("\0\x01\\'\xff", 5));
    EXPECT_EQ(v(0, "n").AsInteger(), -7);
    EXPECT_EQ(v(0, "note").AsString(), QStringLiteral("ёлка"));
    EXPECT_EQ(v(0, "code").AsString(), QStringLiteral("ab "));
    EXPECT_EQ(BcdToStr(v(0, "big").AsBcd()), QStringLiteral("12345678901234567890,123456789"));
    EXPECT_DOUBLE_EQ(v(0, "f").AsDouble(), 0.1);
    for (const char* col : {"name", "price", "d", "ts", "ok", "data", "n", "note", "code", "big", "f"}) {
        EXPECT_TRUE(r.IsNull(1, r.ColumnIndex(QString::fromLatin1(col)))) << col;
        EXPECT_TRUE(VarIsNull(v(1, col))) << col;
    }
}

TEST_F(PgClientTest, DateParameterGivenAsTextMeansDayFirstWhateverTheDateStyle) {
    for (const char* style : {"MDY", "SQL, MDY", "Postgres, MDY", "German, DMY"}) {
        Conn.Execute(QStringLiteral("set DateStyle = '%1'").arg(QString::fromLatin1(style)));
        Conn.Execute(QStringLiteral("delete from pgc_t"));
        Conn.Execute(QStringLiteral("insert into pgc_t (d, ts) values ($1, $2)"),
                     {TPgParam::FromVariant(Variant(QStringLiteral("5.3.2024")), TPgValueKind::Date),
                      TPgParam::FromVariant(Variant(QStringLiteral("5.3.2024 7:08")), TPgValueKind::DateTime)});
        EXPECT_EQ(Q("select to_char(d, 'YYYY-MM-DD') from pgc_t"), "2024-03-05") << style;
        // and it reads back as 5 March in that style's output
        const TPgResult r = Conn.Execute(QStringLiteral("select d, ts from pgc_t"));
        EXPECT_EQ(r.Value(0, 0).AsDateTime(), EncodeDate(2024, 3, 5)) << style << " " << r.Text(0, 0).toStdString();
        EXPECT_EQ(PgTimestampText(r.Value(0, 1).AsDateTime()), QStringLiteral("2024-03-05 07:08:00.000")) << style;
    }
}

TEST_F(PgClientTest, ServerErrorsCarryTheServersMessageAndState) {
    try {
        Conn.Execute(QStringLiteral("select * from no_such_table"));
        FAIL() << "no error";
    } catch (const EPgError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("relation \"no_such_table\" does not exist"));
        EXPECT_EQ(e.SqlState(), QStringLiteral("42P01"));
    }
    Conn.Execute(QStringLiteral("insert into pgc_t (id) values (1)"));
    try {
        Conn.Execute(QStringLiteral("insert into pgc_t (id) values ($1)"), {TPgParam::FromVariant(Variant(1))});
        FAIL() << "no error";
    } catch (const EPgError& e) {
        EXPECT_EQ(e.SqlState(), QStringLiteral("23505"));
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("duplicate key value violates unique constraint")));
        EXPECT_EQ(e.Detail(), QStringLiteral("Key (id)=(1) already exists."));
    }
    // the connection goes on working
    EXPECT_EQ(Conn.Execute(QStringLiteral("select 1")).Text(0, 0), QByteArray("1"));

    TPgConnection bad;
    const String cs = QStringLiteral("DATABASE=no_such_db_x;SERVER=%1;PORT=%2;UID=%3")
                          .arg(QString::fromStdString(sdelka::test::PgDatabase::Host()),
                               QString::fromStdString(sdelka::test::PgDatabase::Port()),
                               QString::fromStdString(sdelka::test::PgDatabase::User()));
    try {
        bad.Open(cs);
        FAIL() << "connected";
    } catch (const EPgError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("database \"no_such_db_x\" does not exist"))) << e.what();
    }
    EXPECT_FALSE(bad.Connected());
    EXPECT_THROW(bad.Execute(QStringLiteral("select 1")), EPgError);
}

TEST_F(PgClientTest, TransactionsCommitRollBackAndNeverReportAFailedCommitAsSuccess) {
    EXPECT_FALSE(Conn.InTransaction());
    EXPECT_THROW(Conn.Commit(), EPgError);  // nothing to commit is no success either
    EXPECT_THROW(Conn.Rollback(), EPgError);
    Conn.BeginTransaction();
    EXPECT_TRUE(Conn.InTransaction());
    EXPECT_THROW(Conn.BeginTransaction(), EPgError);
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('a')"));
    Conn.Rollback();
    EXPECT_FALSE(Conn.InTransaction());
    EXPECT_EQ(Q("select count(*) from pgc_t"), "0");

    Conn.BeginTransaction();
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('b')"));
    Conn.Commit();
    EXPECT_EQ(Q("select count(*) from pgc_t"), "1");

    Conn.BeginTransaction();
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('c')"));
    EXPECT_THROW(Conn.Execute(QStringLiteral("insert into pgc_t (id) values ('x')")), EPgError);
    EXPECT_TRUE(Conn.InTransaction());
    EXPECT_THROW(Conn.Commit(), EPgError);
    EXPECT_FALSE(Conn.InTransaction());
    EXPECT_EQ(Q("select count(*) from pgc_t"), "1");
}

TEST_F(PgClientTest, ReadsTheCatalogAndCountsAffectedRows) {
    const TPgResult multi = Conn.Execute(QStringLiteral(
        "insert into pgc_t (name) values ('a'), ('b'), ('c'); update pgc_t set n = 1 where name <> 'b'"));
    EXPECT_EQ(multi.RowsAffected(), 2);
    EXPECT_EQ(Conn.Execute(QStringLiteral("delete from pgc_t where n = 5")).RowsAffected(), 0);

    const QStringList tables = Conn.TableNames();
    EXPECT_TRUE(tables.contains(QStringLiteral("pgc_t")));
    EXPECT_FALSE(tables.contains(QStringLiteral("pg_class")));
    EXPECT_EQ(Conn.FieldNames(QStringLiteral("pgc_t")).mid(0, 3),
              QStringList({QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("price")}));
    EXPECT_THROW(Conn.FieldNames(QStringLiteral("nope")), EPgError);

    const TPgOid oid = Conn.TableOid(QStringLiteral("pgc_t"));
    ASSERT_NE(oid, 0u);
    EXPECT_EQ(Conn.TableOid(QStringLiteral("nope")), 0u);
    EXPECT_EQ(Conn.TableName(oid), QStringLiteral("pgc_t"));
    EXPECT_EQ(Conn.PrimaryKey(oid), QStringList{QStringLiteral("id")});

    Db().Exec("create schema if not exists pgc_s; create table pgc_s.\"Two Key\" (b int, a int, v text, primary key (a, b));"
              "create table pgc_s.nokey (v text)");
    const TPgOid two = Conn.TableOid(QStringLiteral("pgc_s.\"Two Key\""));
    EXPECT_EQ(Conn.TableName(two), QStringLiteral("pgc_s.\"Two Key\""));
    EXPECT_EQ(Conn.PrimaryKey(two), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(Conn.PrimaryKey(Conn.TableOid(QStringLiteral("pgc_s.nokey"))).isEmpty());
    EXPECT_TRUE(Conn.TableNames().contains(QStringLiteral("pgc_s.nokey")));
}

// ---- lost connections, statement timeouts, cancels ----------------------------------------------

// Shortened waits for one test, put back when it ends.
struct TShortWaits {
    TPgWaitLimits Saved = PgWaitLimits();
    TShortWaits(int AStatementTimeout, int AGrace) {
        PgWaitLimits().StatementTimeout = AStatementTimeout;
        PgWaitLimits().ServerGrace = AGrace;
    }
    ~TShortWaits() { PgWaitLimits() = Saved; }
};

class PgLostConnectionTest : public PgClientTest {
protected:
    std::string Pid() { return Conn.Execute(QStringLiteral("select pg_backend_pid()")).Text(0, 0).toStdString(); }
    void Terminate(const std::string& APid) {
        Db().Exec("select pg_terminate_backend(" + APid + ")");
        // the session is gone once the server no longer lists it
        for (int i = 0; i < 200 && Db().Value("select count(*) from pg_stat_activity where pid = " + APid) != "0"; ++i)
            usleep(10000);
    }
};

TEST_F(PgLostConnectionTest, AnIdleSessionTheServerEndedIsOpenedAgainForTheNextStatement) {
    const std::string before = Pid();
    Terminate(before);
    // nothing was in flight: the statement runs on a new session as if nothing happened
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('after')"));
    EXPECT_NE(Pid(), before);
    EXPECT_EQ(Q("select count(*) from pgc_t where name = 'after'"), "1");
    EXPECT_EQ(Conn.StatementTimeout(), PgWaitLimits().StatementTimeout);  // the new session has its limits
}

TEST_F(PgLostConnectionTest, ATransactionLostWithItsSessionRaisesUntilTheCallerEndsIt) {
    Conn.BeginTransaction();
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('half')"));
    Terminate(Pid());
    for (int i = 0; i < 2; ++i) {
        try {
            Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('other half')"));
            FAIL() << "the statement ran outside the lost transaction";
        } catch (const EPgError& e) {
            EXPECT_TRUE(e.ConnectionLost());
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Связь с сервером базы данных потеряна, действие не выполнено.\n")))
                << e.what();
        }
    }
    EXPECT_TRUE(Conn.InTransaction());
    EXPECT_NO_THROW(Conn.Rollback());  // the server has rolled it back with the session
    EXPECT_FALSE(Conn.InTransaction());
    Conn.BeginTransaction();
    Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('next')"));
    Conn.Commit();
    EXPECT_EQ(Q("select string_agg(name, ',') from pgc_t"), "next");

    // Commit of a lost transaction says so, once
    Conn.BeginTransaction();
    Terminate(Pid());
    try {
        Conn.Commit();
        FAIL() << "a lost transaction committed";
    } catch (const EPgError& e) {
        EXPECT_TRUE(e.ConnectionLost());
    }
    EXPECT_EQ(Conn.Execute(QStringLiteral("select 2")).Text(0, 0), QByteArray("2"));
}

TEST_F(PgLostConnectionTest, AStatementEndsAtTheStatementTimeoutAndOnACancel) {
    TShortWaits waits(300, 2000);
    Conn.Open(QString::fromStdString(Db().OdbcConnectionString()));
    EXPECT_EQ(Conn.StatementTimeout(), 300);
    try {
        Conn.Execute(QStringLiteral("select pg_sleep(5)"));
        FAIL() << "no timeout";
    } catch (const EPgError& e) {
        EXPECT_EQ(e.SqlState(), QStringLiteral("57014"));
        EXPECT_FALSE(e.ConnectionLost());
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Сервер не выполнил запрос за 1 с, действие не выполнено.\n")))
            << e.what();
    }
    EXPECT_EQ(Conn.Execute(QStringLiteral("select 3")).Text(0, 0), QByteArray("3"));

    // a cancel asked from another thread (a progress window's button) reaches the server
    PgWaitLimits().StatementTimeout = 0;
    Conn.Open(QString::fromStdString(Db().OdbcConnectionString()));
    EXPECT_EQ(Conn.StatementTimeout(), 0);
    std::atomic<bool> stop{false};
    std::thread canceller([&] {
        while (!stop && !PgStatementRunning()) usleep(1000);
        usleep(100000);
        PgCancelRunningStatement();
    });
    try {
        Conn.Execute(QStringLiteral("select pg_sleep(20)"));
        FAIL() << "not cancelled";
    } catch (const EPgError& e) {
        EXPECT_EQ(e.SqlState(), QStringLiteral("57014"));
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Запрос отменён, действие не выполнено.\n"))) << e.what();
    }
    stop = true;
    canceller.join();
    EXPECT_FALSE(PgStatementRunning());
    EXPECT_EQ(Conn.Execute(QStringLiteral("select 4")).Text(0, 0), QByteArray("4"));
}

TEST_F(PgLostConnectionTest, AServerThatDoesNotAnswerIsGivenUpAfterTheTimeoutAndItsGrace) {
    TShortWaits waits(300, 700);
    Conn.Open(QString::fromStdString(Db().OdbcConnectionString()));
    const pid_t backend = static_cast<pid_t>(std::stoi(Pid()));
    ASSERT_EQ(::kill(backend, SIGSTOP), 0);
    const auto start = std::chrono::steady_clock::now();
    try {
        Conn.Execute(QStringLiteral("insert into pgc_t (name) values ('frozen')"));
        ADD_FAILURE() << "a stopped server answered";
    } catch (const EPgError& e) {
        EXPECT_TRUE(e.ConnectionLost());
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Сервер базы данных не отвечает"))) << e.what();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    ::kill(backend, SIGCONT);
    EXPECT_LT(waited, std::chrono::seconds(5));
    // the stopped session ends once it runs again, before it reads the statement it was sent
    for (int i = 0; i < 300 && Db().Value("select count(*) from pg_stat_activity where pid = " + std::to_string(backend)) != "0"; ++i)
        usleep(10000);
    // the next statement runs on a new session; the frozen one wrote nothing
    EXPECT_EQ(Conn.Execute(QStringLiteral("select count(*) from pgc_t where name = 'frozen'")).Text(0, 0), QByteArray("0"));
}

TEST_F(PgLostConnectionTest, TheEnvironmentsStatementTimeoutWins) {
    const char* old = std::getenv("PGOPTIONS");
    const std::string saved = old ? old : "";
    setenv("PGOPTIONS", "-c statement_timeout=4321", 1);
    TPgConnection c;
    c.Open(QString::fromStdString(Db().OdbcConnectionString()));
    if (old) setenv("PGOPTIONS", saved.c_str(), 1); else unsetenv("PGOPTIONS");
    EXPECT_EQ(c.StatementTimeout(), 4321);
}

}  // namespace
