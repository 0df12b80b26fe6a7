// A fresh PostgreSQL database per GoogleTest suite, loaded from db/schema.sql (and optionally
// db/demo.sql), on the private cluster that scripts/test.sh starts (scripts/pg-cluster.sh).
//
//   class SmenaTest : public sdelka::test::PgSuite<> {};          // schema only
//   class ReportTest : public sdelka::test::PgSuite<true> {};     // schema and demo data
//   TEST_F(SmenaTest, Insert) {
//       Db().Exec("insert into accounts_dep.vid_oper(vid) values ('Резка')");
//       EXPECT_EQ(Db().Value("select count(*) from accounts_dep.vid_oper"), "1");
//       connect with Db().ConnInfo() (libpq) or Db().OdbcConnectionString() (ADO) ...
//   }
//
// The cluster is found through PGHOST, PGPORT and PGUSER. Without PGHOST every test of the suite
// is skipped with a message that says how to start the cluster. The database is dropped when the
// suite ends (also when connections are left open). db/ is found through SDELKA_SOURCE_DIR (set by
// CTest), else relative to this header.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace sdelka::test {

// Environment value or empty.
inline std::string PgEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// Quotes a conninfo value: 'a b' -> 'a b' with backslashes and quotes escaped.
inline std::string PgConnValue(const std::string& v) {
    std::string r = "'";
    for (char c : v) {
        if (c == '\'' || c == '\\') r += '\\';
        r += c;
    }
    return r + "'";
}

// Folder that holds db/schema.sql.
inline std::string PgSourceDir() {
    std::string dir = PgEnv("SDELKA_SOURCE_DIR");
    if (!dir.empty()) return dir;
    std::string here = __FILE__;                        // <root>/tests/support/pg_fixture.h
    for (int up = 0; up < 3; ++up) {
        auto slash = here.find_last_of('/');
        if (slash == std::string::npos) return ".";
        here.erase(slash);
    }
    return here.empty() ? "/" : here;
}

// Reads a SQL file; psql meta-command lines (starting with a backslash) are dropped so that a
// file written for psql can be sent whole in one simple query.
inline std::string PgReadSqlFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::string out, line;
    while (std::getline(in, line)) {
        size_t i = line.find_first_not_of(" \t");
        if (i != std::string::npos && line[i] == '\\') continue;
        out += line;
        out += '\n';
    }
    return out;
}

// One open libpq connection; throws std::runtime_error with the server's message.
class PgConnection {
public:
    explicit PgConnection(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string msg = conn_ ? PQerrorMessage(conn_) : "out of memory";
            PQfinish(conn_);
            conn_ = nullptr;
            throw std::runtime_error("cannot connect (" + conninfo + "): " + msg);
        }
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    }
    ~PgConnection() { PQfinish(conn_); }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    PGconn* Handle() const { return conn_; }

    // Runs one or more statements (no parameters); returns nothing.
    void Exec(const std::string& sql) { Check(PQexec(conn_, sql.c_str()), sql); }

    // First column of the first row as text ("" for NULL or no row).
    std::string Value(const std::string& sql) {
        PGresult* r = PQexec(conn_, sql.c_str());
        Check(r, sql, /*keep=*/true);
        std::string v = (PQntuples(r) > 0 && PQnfields(r) > 0 && !PQgetisnull(r, 0, 0))
                            ? PQgetvalue(r, 0, 0) : "";
        PQclear(r);
        return v;
    }

private:
    void Check(PGresult* r, const std::string& sql, bool keep = false) {
        ExecStatusType st = PQresultStatus(r);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            std::string msg = PQerrorMessage(conn_);
            PQclear(r);
            std::string head = sql.size() > 200 ? sql.substr(0, 200) + "..." : sql;
            throw std::runtime_error(msg + "  in: " + head);
        }
        if (!keep) PQclear(r);
    }

    PGconn* conn_ = nullptr;
};

// A database of its own on the private cluster, created from db/schema.sql (and db/demo.sql)
// and dropped by the destructor.
class PgDatabase {
public:
    // Why database tests cannot run here, or "" when the cluster is configured.
    static std::string Unavailable() {
        if (PgEnv("PGHOST").empty())
            return "PGHOST is not set: database tests need the private cluster. Run scripts/test.sh, "
                   "or first: eval \"$(scripts/pg-cluster.sh start build/pg-test)\"";
        return "";
    }

    // Creates "sdelka_t_<tag>_<pid>_<n>" and loads the schema (and the demo data).
    explicit PgDatabase(const std::string& tag, bool demo = false) {
        static std::atomic<int> counter{0};
        std::string clean;
        for (char c : tag) {
            if (std::isalnum(static_cast<unsigned char>(c))) clean += char(std::tolower(static_cast<unsigned char>(c)));
            if (clean.size() >= 30) break;
        }
        name_ = "sdelka_t_" + clean + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        {
            PgConnection admin(ServerConnInfo("postgres"));
            admin.Exec("CREATE DATABASE \"" + name_ + "\" TEMPLATE template0 ENCODING 'UTF8'");
        }
        created_ = true;
        try {
            conn_ = std::make_unique<PgConnection>(ConnInfo());
            const std::string root = PgSourceDir();
            conn_->Exec(PgReadSqlFile(root + "/db/schema.sql"));
            if (demo) conn_->Exec(PgReadSqlFile(root + "/db/demo.sql"));
            // Settings of the database (DateStyle) apply to the sessions opened from now on.
            conn_ = std::make_unique<PgConnection>(ConnInfo());
        } catch (...) {
            Drop();
            throw;
        }
    }

    ~PgDatabase() { Drop(); }
    PgDatabase(const PgDatabase&) = delete;
    PgDatabase& operator=(const PgDatabase&) = delete;

    const std::string& Name() const { return name_; }
    static std::string Host() { return PgEnv("PGHOST"); }
    static std::string Port() { return PgEnv("PGPORT").empty() ? "5432" : PgEnv("PGPORT"); }
    static std::string User() { return PgEnv("PGUSER"); }

    // libpq conninfo of this database.
    std::string ConnInfo() const { return ServerConnInfo(name_); }

    // The client's ODBC-style connection string for this database (SERVER is the socket folder).
    std::string OdbcConnectionString() const {
        std::string s = "DATABASE=" + name_ + ";SERVER=" + Host() + ";PORT=" + Port() + ";";
        if (!User().empty()) s += "UID=" + User() + ";";
        return s;
    }

    // A connection of the fixture to this database, for preparing and checking rows.
    PgConnection& Conn() { return *conn_; }
    void Exec(const std::string& sql) { conn_->Exec(sql); }
    std::string Value(const std::string& sql) { return conn_->Value(sql); }

private:
    static std::string ServerConnInfo(const std::string& db) {
        std::string ci = "host=" + PgConnValue(Host()) + " port=" + PgConnValue(Port()) +
                         " dbname=" + PgConnValue(db);
        if (!User().empty()) ci += " user=" + PgConnValue(User());
        return ci;
    }

    void Drop() {
        conn_.reset();
        if (!created_) return;
        created_ = false;
        try {
            PgConnection admin(ServerConnInfo("postgres"));
            admin.Exec("DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pg_fixture: could not drop %s: %s\n", name_.c_str(), e.what());
        }
    }

    std::string name_;
    bool created_ = false;
    std::unique_ptr<PgConnection> conn_;
};

// Base of a database test suite: one database for all tests of the suite, made in
// SetUpTestSuite and dropped in TearDownTestSuite. Demo = true also loads db/demo.sql.
// Tests are skipped when the cluster is not configured and fail when the database cannot be made.
template <bool Demo = false>
class PgSuite : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        error_.clear();
        skip_ = PgDatabase::Unavailable();
        if (!skip_.empty()) return;
        const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
        try {
            db_ = std::make_unique<PgDatabase>(suite ? suite->name() : "suite", Demo);
        } catch (const std::exception& e) {
            error_ = e.what();
        }
    }
    static void TearDownTestSuite() { db_.reset(); }

protected:
    void SetUp() override {
        if (!skip_.empty()) GTEST_SKIP() << skip_;
        if (!db_) FAIL() << "cannot create the test database: " << error_;
    }

    static PgDatabase& Db() { return *db_; }

private:
    static inline std::unique_ptr<PgDatabase> db_;
    static inline std::string skip_;
    static inline std::string error_;
};

}  // namespace sdelka::test
