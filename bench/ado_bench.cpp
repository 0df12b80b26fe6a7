// The ADO dataset over the client layer against its practical limit (raw libpq: one PQexec and a
// walk over PQgetvalue, decoding each value once the way a tight loop would: digits by hand, the
// date by calendar arithmetic, a text's length counted over its bytes, no Qt object made) and against Qt's peer (QSqlQuery over the QPSQL
// driver, when it is installed), on the same rows, in one run. Every contender's walk is reduced
// to a checksum printed next to its time, so a figure only counts when the checksums agree.
//
//   bench_ado [rows] [--growth] [--big]     (BENCH_MALLOC_DEFAULT=1: see main)
//     rows      rows of the side-by-side table (default 100000)
//     --growth  also GotoBookmark, Delete, Insert and Locate as the table grows (10 000 and 100 000 rows,
//               and 1 000 000 with --big)
//     --growth-only  only those
//
// The server is the one libpq finds through PGHOST / PGPORT / PGUSER (scripts/pg-cluster.sh);
// the rows go to a database of the bench's own ("sdelka_bench", created when missing).
#include "platform/ado/adodb.h"
#include "platform/db/fields.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

long HeapKb() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<long>((m.uordblks + m.hblkhd) / 1024);
}

const char* const DbName = "sdelka_bench";

std::string Env(const char* Name, const char* Default = "") {
    const char* v = std::getenv(Name);
    return v && *v ? v : Default;
}

std::string ConnInfo(const std::string& Db) {
    std::string s = "dbname=" + Db;
    if (!Env("PGHOST").empty()) s += " host=" + Env("PGHOST");
    if (!Env("PGPORT").empty()) s += " port=" + Env("PGPORT");
    if (!Env("PGUSER").empty()) s += " user=" + Env("PGUSER");
    return s;
}

PGconn* Connect(const std::string& Db) {
    PGconn* c = PQconnectdb(ConnInfo(Db).c_str());
    if (PQstatus(c) != CONNECTION_OK) {
        std::fprintf(stderr, "bench_ado: %s", PQerrorMessage(c));
        std::exit(1);
    }
    PQclear(PQexec(c, "set client_min_messages = warning"));
    return c;
}

void Exec(PGconn* C, const std::string& Sql) {
    PGresult* r = PQexec(C, Sql.c_str());
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "bench_ado: %s", PQerrorMessage(C));
        std::exit(1);
    }
    PQclear(r);
}

// A table of N rows × 8 columns (integer, text, date, float, integer, text, boolean, numeric).
void MakeTable(const std::string& Table, int N) {
    PGconn* c = Connect("postgres");
    PGresult* r = PQexec(c, (std::string("select 1 from pg_database where datname = '") + DbName + "'").c_str());
    const bool exists = PQntuples(r) > 0;
    PQclear(r);
    if (!exists) Exec(c, std::string("create database ") + DbName);
    PQfinish(c);
    c = Connect(DbName);
    Exec(c, "drop table if exists " + Table);
    Exec(c, "create table " + Table +
                " (id int primary key, name text, d date, amount float8, qty int, code varchar(10), flag bool,"
                " price numeric(15,4))");
    Exec(c, "insert into " + Table +
                " select i, (array['Иванов','петров','O''Brien','Сидорова','ёлкин','Adams','Ёжиков','Кузнецова',"
                "'смирнов','Zhukov','Попов','волкова'])[1 + (i::bigint * 7919) % 12] || ' ' || ((i::bigint * 104729) % 997),"
                " date '2023-03-15' + (i * 31) % 730, ((i::bigint * 2654435761) % 1000000) / 100.0, (i * 17) % 20,"
                " to_hex(((i::bigint * 48271) % 100000)::int), i % 2 = 0, ((i::bigint * 40503) % 10000000) / 100.0"
                " from generate_series(1, " + std::to_string(N) + ") i");
    Exec(c, "analyze " + Table);
    PQfinish(c);
}

// What every contender adds up over a walk: the ids, quantities, days, flags, text lengths and
// whole amounts, so a missed or misread value shows.
struct Sum {
    long long V = 0;
    void Add(long long X) { V = V * 31 + X; }
};

// ---- the limit: libpq ---------------------------------------------------------------------------

// Days since 1899-12-30 of a "YYYY-MM-DD" text, by the civil calendar's arithmetic (no date object).
int DaysOfIso(const char* S) {
    auto digits = [S](int From, int Count) {
        int v = 0;
        for (int i = From; i < From + Count; ++i) v = v * 10 + (S[i] - '0');
        return v;
    };
    int y = digits(0, 4);
    const int m = digits(5, 2), d = digits(8, 2);
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // days since 1970-01-01, moved to 1899-12-30
}

// The length in UTF-16 code units of a UTF-8 text, counted over its bytes (no string made).
long long Utf16Length(const char* S, int Bytes) {
    long long n = 0;
    for (int i = 0; i < Bytes; ++i) {
        const unsigned char b = static_cast<unsigned char>(S[i]);
        n += (b & 0xC0) != 0x80;
        n += b >= 0xF0;  // four bytes: a surrogate pair
    }
    return n;
}

// The time of the last open (the statement and the fetch), for the profile mode's split.
double LastOpenMs = 0;

long long WalkLibpq(PGconn* C, const std::string& Table, long* HeapDelta) {
    const long h0 = HeapKb();
    const auto t0 = Clock::now();
    PGresult* r = PQexec(C, ("select * from " + Table + " order by id").c_str());
    LastOpenMs = Ms(t0, Clock::now());
    const long h1 = HeapKb();
    Sum s;
    const int n = PQntuples(r);
    for (int i = 0; i < n; ++i) {
        s.Add(std::atoi(PQgetvalue(r, i, 0)));
        s.Add(Utf16Length(PQgetvalue(r, i, 1), PQgetlength(r, i, 1)));
        s.Add(DaysOfIso(PQgetvalue(r, i, 2)));
        s.Add(static_cast<long long>(std::floor(std::strtod(PQgetvalue(r, i, 3), nullptr))));
        s.Add(std::atoi(PQgetvalue(r, i, 4)));
        s.Add(Utf16Length(PQgetvalue(r, i, 5), PQgetlength(r, i, 5)));
        s.Add(PQgetvalue(r, i, 6)[0] == 't');
        s.Add(static_cast<long long>(std::floor(std::strtod(PQgetvalue(r, i, 7), nullptr))));
    }
    if (HeapDelta) *HeapDelta = h1 - h0;
    PQclear(r);
    return s.V;
}

// ---- the project: TADOQuery ---------------------------------------------------------------------

// Every field of every row of an open dataset, from the first.
long long WalkFields(TDataSet* q) {
    TField* f[8];
    for (int i = 0; i < 8; ++i) f[i] = q->Fields()->Fields(i);
    Sum s;
    for (q->First(); !q->Eof(); q->Next()) {
        s.Add(f[0]->AsInteger());
        s.Add(f[1]->AsString().size());
        s.Add(static_cast<long long>(f[2]->AsDateTime()));
        s.Add(static_cast<long long>(std::floor(f[3]->AsFloat())));
        s.Add(f[4]->AsInteger());
        s.Add(f[5]->AsString().size());
        s.Add(f[6]->AsBoolean());
        s.Add(static_cast<long long>(std::floor(f[7]->AsFloat())));
    }
    return s.V;
}

long long WalkAdo(TADOConnection* Conn, const std::string& Table, long* HeapDelta) {
    const long h0 = HeapKb();
    TADOQuery* q = New<TADOQuery>(nullptr);
    q->SetConnection(Conn);
    q->SQL()->SetText(QString::fromStdString("select * from " + Table + " order by id"));
    const auto t0 = Clock::now();
    q->Open();
    LastOpenMs = Ms(t0, Clock::now());
    const long h1 = HeapKb();
    const long long s = WalkFields(q);
    if (HeapDelta) *HeapDelta = h1 - h0;
    q->Free();
    return s;
}

// ---- the peer: QPSQL ----------------------------------------------------------------------------

long long WalkQt(const std::string& Table, long* HeapDelta) {
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("bench"));
    const long h0 = HeapKb();
    QSqlQuery q(db);
    q.setForwardOnly(false);
    const auto t0 = Clock::now();
    q.exec(QString::fromStdString("select * from " + Table + " order by id"));
    LastOpenMs = Ms(t0, Clock::now());
    const long h1 = HeapKb();
    Sum s;
    const QDate base(1899, 12, 30);
    while (q.next()) {
        s.Add(q.value(0).toInt());
        s.Add(q.value(1).toString().size());
        s.Add(base.daysTo(q.value(2).toDate()));
        s.Add(static_cast<long long>(std::floor(q.value(3).toDouble())));
        s.Add(q.value(4).toInt());
        s.Add(q.value(5).toString().size());
        s.Add(q.value(6).toBool());
        s.Add(static_cast<long long>(std::floor(q.value(7).toDouble())));
    }
    if (HeapDelta) *HeapDelta = h1 - h0;
    return s.V;
}

double Median(int Runs, const std::function<void()>& Fn) {
    std::vector<double> t;
    for (int i = 0; i < Runs; ++i) {
        const auto a = Clock::now();
        Fn();
        t.push_back(Ms(a, Clock::now()));
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

double MedianOf(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V.empty() ? 0.0 : V[V.size() / 2];
}

// The contenders take turns, one run each a round in a rotating order, so a change in the
// machine's load falls on all of them alike; each round also gives the ratios of its own runs.
void SideBySide(TADOConnection* Conn, bool HaveQt, int N) {
    const int rounds = std::max(3, std::atoi(Env("BENCH_ROUNDS", "7").c_str()));
    std::printf("== ADO open + walk every field, %d rows x 8 columns: project | raw libpq | QPSQL (medians of %d turns)\n",
                N, rounds);
    const std::string table = "bench_ado_" + std::to_string(N);
    MakeTable(table, N);
    PGconn* pc = Connect(DbName);
    long mOurs = 0, mLimit = 0, mPeer = 0;
    long long cOurs = 0, cLimit = 0, cPeer = 0;
    std::vector<double> tOurs, tLimit, tPeer, rLimit, rPeer, oOurs, oLimit, oPeer;
    auto timed = [](const std::function<void()>& Fn) {
        const auto a = Clock::now();
        Fn();
        return Ms(a, Clock::now());
    };
    for (int round = 0; round < rounds; ++round) {
        double t[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            switch ((round + k) % 3) {
                case 0:
                    t[0] = timed([&] { cOurs = WalkAdo(Conn, table, &mOurs); });
                    oOurs.push_back(LastOpenMs);
                    break;
                case 1:
                    t[1] = timed([&] { cLimit = WalkLibpq(pc, table, &mLimit); });
                    oLimit.push_back(LastOpenMs);
                    break;
                case 2:
                    if (HaveQt) {
                        t[2] = timed([&] { cPeer = WalkQt(table, &mPeer); });
                        oPeer.push_back(LastOpenMs);
                    }
                    break;
            }
        }
        tOurs.push_back(t[0]);
        tLimit.push_back(t[1]);
        rLimit.push_back(t[0] / t[1]);
        if (HaveQt) {
            tPeer.push_back(t[2]);
            rPeer.push_back(t[0] / t[2]);
        }
    }
    double tPeerNoTz = 0;
    if (HaveQt) {
        const QByteArray tz = qgetenv("TZ");
        qunsetenv("TZ");
        tzset();
        tPeerNoTz = Median(3, [&] { WalkQt(table, nullptr); });
        qputenv("TZ", tz);
        tzset();
    }
    PQfinish(pc);
    const double ours = MedianOf(tOurs), limit = MedianOf(tLimit), peer = MedianOf(tPeer);
    std::printf("%-26s %10.1f ms %10.1f ms %10.1f ms   x%5.2f of limit  x%5.2f of peer   checksums %lld %lld %lld%s\n",
                "open + walk", ours, limit, peer, ours / limit, peer > 0 ? ours / peer : 0.0, cOurs, cLimit, cPeer,
                cOurs == cLimit && (!HaveQt || cLimit == cPeer) ? "" : "  MISMATCH");
    std::printf("%-26s %44s   x%5.2f of limit  x%5.2f of peer   (median of the rounds' own ratios)\n", "", "",
                MedianOf(rLimit), HaveQt ? MedianOf(rPeer) : 0.0);
    std::printf("%-26s %10.1f ms %10.1f ms %10.1f ms   (the open or exec alone: statement and fetch)\n", "  of which open",
                MedianOf(oOurs), MedianOf(oLimit), MedianOf(oPeer));
    if (HaveQt) std::printf("%-26s %10s    %10s    %10.1f ms   (the peer without TZ set)\n", "", "", "", tPeerNoTz);
    std::printf("%-26s %10ld KB %10ld KB %10ld KB   x%5.2f of limit\n", "memory after open", mOurs, mLimit, mPeer,
                mLimit > 0 ? double(mOurs) / mLimit : 0.0);
}

// GotoBookmark, Delete and Insert in the middle (the row goes to and from the server too) and
// Locate on an integer key, per operation, as the table grows.
void Growth(TADOConnection* Conn, const std::vector<int>& Sizes) {
    std::printf("== ADO per operation as the table grows (microseconds)\n");
    std::printf("%-10s %14s %14s %14s %14s %16s\n", "rows", "GotoBookmark", "Delete", "Insert", "Locate(id)", "Locate/row(ns)");
    for (int n : Sizes) {
        const std::string table = "bench_ado_g" + std::to_string(n);
        MakeTable(table, n);
        TADOQuery* q = New<TADOQuery>(nullptr);
        q->SetConnection(Conn);
        q->SQL()->SetText(QString::fromStdString("select * from " + table + " order by id"));
        q->Open();
        std::mt19937 gen(5);
        auto pick = [&] { return 1 + static_cast<int>(gen() % static_cast<unsigned>(q->RecordCount())); };
        std::vector<TBookmark> bms;
        for (int i = 0; i < 500; ++i) {
            q->SetRecNo(pick());
            bms.push_back(q->GetBookmark());
        }
        auto a = Clock::now();
        for (const TBookmark& b : bms) q->GotoBookmark(b);
        const double gotoBm = Ms(a, Clock::now()) * 1000.0 / bms.size();
        const int reps = 100;
        a = Clock::now();
        for (int i = 0; i < reps; ++i) {
            q->SetRecNo(pick());
            q->Delete();
        }
        const double del = Ms(a, Clock::now()) * 1000.0 / reps;
        a = Clock::now();
        for (int i = 0; i < reps; ++i) {
            q->SetRecNo(pick());
            q->Insert();
            q->FieldByName(u"id"_S)->SetAsInteger(n + 1 + i);
            q->FieldByName(u"name"_S)->SetAsString(u"Новиков"_S);
            q->Post();
        }
        const double ins = Ms(a, Clock::now()) * 1000.0 / reps;
        // Keys spread over the table: the time per row scanned shows a scan, a flat time a lookup.
        const int lreps = 50;
        long long scanned = 0;
        a = Clock::now();
        for (int i = 0; i < lreps; ++i) {
            const int key = 1 + static_cast<int>(gen() % static_cast<unsigned>(n));
            q->First();
            q->Locate(u"id"_S, Variant(key), {});
            scanned += q->RecNo();
        }
        const double loc = Ms(a, Clock::now()) * 1000.0 / lreps;
        std::printf("%-10d %14.1f %14.1f %14.1f %14.1f %16.1f\n", n, gotoBm, del, ins, loc,
                    scanned > 0 ? loc * 1000.0 * lreps / scanned : 0.0);
        q->Free();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // Freed memory stays in the process: otherwise whether the allocator hands a fetch's tens of
    // megabytes back to the system (and the next fetch, of any contender, faults them in again)
    // turns on the order of the last frees, and one contender's layout moves the others' times.
    // BENCH_MALLOC_DEFAULT=1 keeps the allocator's own behaviour.
    if (Env("BENCH_MALLOC_DEFAULT").empty()) {
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
    }
    QCoreApplication app(argc, argv);
    int rows = 100000;
    bool growth = false, big = false, table = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--growth") == 0) growth = true;
        else if (std::strcmp(argv[i], "--growth-only") == 0) growth = true, table = false;
        else if (std::strcmp(argv[i], "--big") == 0) big = true;
        else rows = std::max(1000, std::atoi(argv[i]));
    }
    if (Env("PGHOST").empty()) {
        std::fprintf(stderr, "bench_ado: start the cluster first: eval \"$(scripts/pg-cluster.sh start build/pg-bench)\"\n");
        return 1;
    }
    // The peer converts every date through local time unless TZ is set: give it its best case.
    if (qgetenv("TZ").isEmpty()) qputenv("TZ", "UTC");
    tzset();
    { PGconn* c = Connect("postgres"); PQfinish(c); }
    MakeTable("bench_ado_probe", 1);
    const bool haveQt = QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"));
    if (haveQt) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench"));
        db.setDatabaseName(QString::fromLatin1(DbName));
        db.setHostName(QString::fromStdString(Env("PGHOST")));
        if (!Env("PGPORT").empty()) db.setPort(std::atoi(Env("PGPORT").c_str()));
        db.setUserName(QString::fromStdString(Env("PGUSER")));
        if (!db.open()) {
            std::fprintf(stderr, "bench_ado: QPSQL did not connect, the peer is left out\n");
        }
    } else {
        std::printf("(the QPSQL driver is not installed: the peer's column stays 0)\n");
    }
    TADOConnection* conn = New<TADOConnection>(nullptr);
    conn->SetLoginPrompt(false);
    std::string cs = std::string("DATABASE=") + DbName + ";SERVER=" + Env("PGHOST") + ";PORT=" + Env("PGPORT", "5432") + ";";
    if (!Env("PGUSER").empty()) cs += "UID=" + Env("PGUSER") + ";";
    conn->SetConnectionString(QString::fromStdString(cs));
    conn->Open();
    // BENCH_PROFILE=walk|libpq|qt: one contender's open + walk in a loop, for a profiler; walkonly:
    // the project's walk over one open dataset.
    if (const std::string prof = Env("BENCH_PROFILE"); !prof.empty()) {
        const std::string t = "bench_ado_" + std::to_string(rows);
        MakeTable(t, rows);
        PGconn* pc = Connect(DbName);
        if (prof == "walkonly") {  // the walk alone, over one open dataset
            TADOQuery* q = New<TADOQuery>(nullptr);
            q->SetConnection(conn);
            q->SQL()->SetText(QString::fromStdString("select * from " + t + " order by id"));
            q->Open();
            const int reps = std::max(1, std::atoi(Env("BENCH_REPS", "20").c_str()));
            long long c = 0;
            const auto a = Clock::now();
            for (int i = 0; i < reps; ++i) c += WalkFields(q);
            std::printf("walkonly: %.2f ms a walk, checksum %lld\n", Ms(a, Clock::now()) / reps, c);
            q->Free();
            conn->Free();
            return 0;
        }
        long long c = 0;
        double open = 0;
        const int reps = std::max(1, std::atoi(Env("BENCH_REPS", "20").c_str()));
        const auto a = Clock::now();
        const std::clock_t cpu0 = std::clock();
        for (int i = 0; i < reps; ++i) {
            c += prof == "libpq" ? WalkLibpq(pc, t, nullptr) : prof == "qt" ? WalkQt(t, nullptr) : WalkAdo(conn, t, nullptr);
            open += LastOpenMs;
        }
        const double all = Ms(a, Clock::now()) / reps;
        const double cpu = 1000.0 * static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC / reps;
        std::printf("%s: %.1f ms a run (open %.1f, walk %.1f; this process's CPU %.1f), checksum %lld\n", prof.c_str(), all,
                    open / reps, all - open / reps, cpu, c);
        PQfinish(pc);
        conn->Free();
        return 0;
    }
    if (table) SideBySide(conn, haveQt && QSqlDatabase::database(QStringLiteral("bench")).isOpen(), rows);
    if (growth) {
        std::vector<int> sizes{10000, 100000};
        if (big) sizes.push_back(1000000);
        Growth(conn, sizes);
    }
    conn->Free();
    return 0;
}
