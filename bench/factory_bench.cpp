// The application at factory scale: the windows' own statements and routines over the large
// factory of bench/factory.sql (600 workers, a year of production), each beside the plain
// hand-written SQL that gives the same rows, with checksums over the values on both sides, and
// the longest stretch the event loop did not run during the application's side.
//
//   eval "$(scripts/pg-cluster.sh start build/pg-bench)" && bench/factory.sh
//   build/release/bench/bench_factory [--only=<name part>] [--skip-year]
//
// A checksum is the sum over the rows of a hash of the row's values in a canonical form (numbers
// rounded to 1/1000, dates as yyyy-mm-dd, texts as they are, null apart), so the order of equal
// rows does not matter but every value does. Times are wall-clock, one run each (the data is
// warmed up first by a pass over the tables). The stall is measured over the window's part of an
// operation (a query's open, a rebuild, an export), not over the benchmark's checksum walk after a
// query. BENCH_TIMEOUT (seconds, default 300) stops a statement that runs longer on the server;
// its figure is then printed as "> limit".
#include "app/datamodule.h"
#include "app/excelhelper.h"
#include "app/longwork.h"
#include "app/periodreports.h"
#include "app/timesheetdata.h"
#include "app/timesheetexcel.h"
#include "app/timesheetrebuild.h"
#include "platform/ado/adodb.h"
#include "platform/gui/dialogs.h"
#include "platform/office/excel.h"
#include "platform/rtl/dateutils.h"

#include <libpq-fe.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---- checksums -----------------------------------------------------------------------------------

struct TSum {
    long long Rows = 0;
    unsigned long long Hash = 0;
    bool Failed = false;
    std::string Note;
};

unsigned long long Fnv(const std::string& S, unsigned long long H = 1469598103934665603ULL) {
    for (unsigned char c : S) {
        H ^= c;
        H *= 1099511628211ULL;
    }
    return H;
}

std::string Number(double V) { return std::to_string(std::llround(V * 1000)); }

// The canonical text of a libpq value by its column type.
std::string Canonical(const PGresult* R, int Row, int Col) {
    if (PQgetisnull(R, Row, Col)) return "\x01";
    const char* v = PQgetvalue(R, Row, Col);
    switch (PQftype(R, Col)) {
    case 20: case 21: case 23: case 700: case 701: case 1700: return Number(std::strtod(v, nullptr));
    case 1114: return std::string(v).substr(0, 19);
    default: return v;
    }
}

std::string Canonical(TField* F) {
    if (F->IsNull()) return "\x01";
    switch (F->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc: case ftFloat: case ftCurrency:
    case ftBCD: case ftFMTBcd: return Number(F->AsFloat());
    case ftDate: return FormatDateTime(QStringLiteral("yyyy-mm-dd"), F->AsDateTime()).toStdString();
    case ftDateTime: return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), F->AsDateTime()).toStdString();
    default: return F->AsString().toStdString();
    }
}

TSum SumOf(const PGresult* R) {
    TSum s;
    for (int r = 0; r < PQntuples(R); ++r) {
        unsigned long long h = 1469598103934665603ULL;
        for (int c = 0; c < PQnfields(R); ++c) h = Fnv(Canonical(R, r, c) + '\x02', h);
        s.Hash += h;
        ++s.Rows;
    }
    return s;
}

TSum SumOf(TDataSet* D) {
    TSum s;
    for (D->First(); !D->Eof(); D->Next()) {
        unsigned long long h = 1469598103934665603ULL;
        for (int c = 0; c < D->FieldCount(); ++c) h = Fnv(Canonical(D->Fields()->Fields(c)) + '\x02', h);
        s.Hash += h;
        ++s.Rows;
    }
    return s;
}

// Answers every box at once with its default button, and every dialog with a cancel.
struct TQuietResponder : TResponder {
    int Message(const TMessageRequest& Request) override { return ButtonResult(Request.DefaultButton); }
    void ShowModal(TCustomForm*) override {}
    bool InputQuery(const String&, const String&, String&) override { return false; }
    bool ExecuteDialog(TCommonDialog*) override { return false; }
    bool PrintFileName(const String&, String&) override { return false; }
};

TSum SumOf(TExcelWorksheet* Sheet) {
    TSum s;
    for (const auto& [key, cell] : Sheet->CellData()) {
        s.Hash += Fnv(std::to_string(key.first) + ':' + std::to_string(key.second) + '=' + cell.Value.AsString().toStdString() +
                      (cell.Bold ? "b" : ""));
        ++s.Rows;
    }
    return s;
}

// ---- the plain side: libpq ---------------------------------------------------------------------

PGconn* GPlain = nullptr;

PGresult* Exec(const std::string& Sql, const std::vector<std::string>& Params = {}) {
    std::vector<const char*> p;
    for (const auto& v : Params) p.push_back(v.c_str());
    PGresult* r = Params.empty() ? PQexec(GPlain, Sql.c_str()) : PQexecParams(GPlain, Sql.c_str(), static_cast<int>(p.size()), nullptr, p.data(), nullptr, nullptr, 0);
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
        const std::string msg = PQresultErrorMessage(r);
        PQclear(r);
        throw std::runtime_error(msg);
    }
    return r;
}

TSum Plain(const std::string& Sql, const std::vector<std::string>& Params) {
    try {
        PGresult* r = Exec(Sql, Params);
        TSum s = SumOf(r);
        PQclear(r);
        return s;
    } catch (const std::exception& E) {
        TSum s;
        s.Failed = true;
        s.Note = E.what();
        return s;
    }
}

// ---- the application's side ----------------------------------------------------------------------

TADOConnection* GConn = nullptr;

// Ends the stall measure of the running operation: the window's part is done.
void FreezeStall();

TOwned<TADOQuery> NewQuery(const String& Sql) {
    TOwned<TADOQuery> q = NewOwned<TADOQuery>(nullptr);
    q->SetConnection(GConn);
    q->SetCursorLocation(clUseClient);
    q->SetCursorType(ctStatic);
    q->SQL()->SetText(Sql);
    return q;
}

template <class TBind>
TSum AppQuery(const String& Sql, TBind Bind) {
    TOwned<TADOQuery> q = NewQuery(Sql);
    Bind(q->Parameters());
    // as the windows open their long queries: on a thread of their own, the event loop running
    if (!RunLongOpen(q.get(), GConn, QStringLiteral("Запрос"))) throw Exception(QStringLiteral("cancelled"));
    FreezeStall();
    TSum s = SumOf(q.get());
    q->Close();
    return s;
}

// The rows a rebuild leaves (smena > 0 or = 0) of a month, without their ids.
TSum MonthRows(bool Shift, int Month, int Year) {
    std::string days;
    for (int d = 1; d <= 31; ++d) days += ", d" + std::to_string(d);
    return Plain("select w_id, smena, i_type, i_night, id_nom" + days + " from accounts_dep.h_dizuv where month=$1 and year=$2 and " +
                     (Shift ? "smena>0" : "smena=0"),
                 {std::to_string(Month), std::to_string(Year)});
}

// ---- timing --------------------------------------------------------------------------------------

// The longest stretch without the event loop running, from Start to Stop: a timer of 1 ms ticks
// whenever the loop runs.
class TStallWatch {
public:
    TStallWatch() {
        FTimer.setInterval(1);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        FClock.start();
        FLast = 0;
        FLongest = 0;
        FTimer.start();
    }
    double Stop() {
        if (!FFrozen) Tick();
        FTimer.stop();
        FFrozen = false;
        return FLongest / 1e9;
    }
    // Ends the measure here: what follows is the benchmark's own walk over the values.
    void Freeze() {
        if (FFrozen || !FTimer.isActive()) return;
        Tick();
        FFrozen = true;
        FTimer.stop();
    }

private:
    void Tick() {
        const qint64 now = FClock.nsecsElapsed();
        FLongest = std::max(FLongest, now - FLast);
        FLast = now;
    }
    QTimer FTimer;
    bool FFrozen = false;
    QElapsedTimer FClock;
    qint64 FLast = 0, FLongest = 0;
};

TStallWatch* GWatch = nullptr;

void FreezeStall() {
    if (GWatch) GWatch->Freeze();
}

struct TOp {
    std::string Name;
    std::function<TSum()> App;
    std::function<TSum()> Peer;
    std::string PeerName = "plain SQL";
};

std::string Fmt(double S) {
    char b[32];
    std::snprintf(b, sizeof b, S < 10 ? "%.3f" : "%.1f", S);
    return b;
}

std::string Hex(const TSum& S) {
    if (S.Failed) return "failed";
    char b[40];
    std::snprintf(b, sizeof b, "%llx", S.Hash);
    return std::to_string(S.Rows) + "/" + std::string(b).substr(0, 8);
}

void Run(const TOp& Op) {
    TStallWatch watch;
    GWatch = &watch;
    QElapsedTimer t;
    TSum a;
    watch.Start();
    t.start();
    try {
        a = Op.App();
    } catch (const Exception& E) {
        a.Failed = true;
        a.Note = E.Message().toStdString();
    }
    const double appTime = t.nsecsElapsed() / 1e9;
    const double stall = watch.Stop();
    QCoreApplication::processEvents();
    t.start();
    const TSum p = Op.Peer();
    const double peerTime = t.nsecsElapsed() / 1e9;
    const std::string shown = (a.Failed ? "> " : "") + Fmt(appTime);
    std::printf("%-44s %9s %9s %7s %9s  %-16s %-16s %s\n", Op.Name.c_str(), shown.c_str(), Fmt(peerTime).c_str(), a.Failed || p.Failed ? "-" : Fmt(appTime / std::max(peerTime, 1e-6)).c_str(), Fmt(stall).c_str(),
                Hex(a).c_str(), Hex(p).c_str(),
                a.Failed ? a.Note.substr(0, 60).c_str() : p.Failed ? p.Note.substr(0, 60).c_str()
                : (a.Rows == p.Rows && a.Hash == p.Hash) ? "same" : "DIFFER");
    std::fflush(stdout);
}

String Env(const char* Name, const char* Default) {
    const char* v = std::getenv(Name);
    return QString::fromLocal8Bit(v && *v ? v : Default);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    std::string only;
    bool skipYear = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--only=", 7) == 0) only = argv[i] + 7;
        if (std::strcmp(argv[i], "--skip-year") == 0) skipYear = true;
    }
    const String db = Env("SDELKA_FACTORY_DB", "factory");
    const String host = Env("PGHOST", "/tmp");
    const String timeout = Env("BENCH_TIMEOUT", "300");

    const std::string conninfo = "dbname=" + db.toStdString() + " host=" + host.toStdString() + " options='-c statement_timeout=" +
                                 timeout.toStdString() + "s'";
    GPlain = PQconnectdb(conninfo.c_str());
    if (PQstatus(GPlain) != CONNECTION_OK) {
        std::fprintf(stderr, "cannot connect: %s\n(start the private cluster and run bench/factory.sh)\n", PQerrorMessage(GPlain));
        return 1;
    }
    TOwned<TADOConnection> conn = NewOwned<TADOConnection>(nullptr);
    conn->SetConnectionString(QStringLiteral("DATABASE=%1;SERVER=%2;PORT=%3;UID=%4;PWD=vexplum")
                                  .arg(db, host, Env("PGPORT", "5432"), Env("PGUSER", "sys")));
    conn->SetLoginPrompt(false);
    conn->Open();
    GConn = conn.get();
    conn->Execute(QStringLiteral("set statement_timeout = '%1s'").arg(timeout));
    // the workbooks are shown to nobody, and the box that tells their file is answered at once
    SetExcelFileOpener([](const String&) { return true; });
    static TQuietResponder quiet;
    SetResponder(&quiet);

    // warm the caches
    PQclear(Exec("select count(*), sum(kol_vo) from accounts_dep.smena"));
    PQclear(Exec("select count(*), sum(cnt) from accounts_dep.fatigue"));

    const int month = 3, year = 2025;
    const std::string day = "2025-03-05";
    const std::string first = "2025-03-01", next = "2025-04-01", yearFirst = "2025-01-01", yearNext = "2026-01-01";

    std::vector<TOp> ops;

    // the day's lists of the main work window, one per shift
    for (int shift = 1; shift <= 3; ++shift) {
        const String sql = ShiftListSql(shift);
        // the same columns, the worker joined by his id alone (the code of every worker is his id here)
        std::string plain = sql.toStdString();
        plain = plain.substr(0, plain.find("from cmn_contractor.person")) +
                "from accounts_dep.smena join cmn_contractor.person person on person.id=smena.w_id "
                "join accounts_dep.izdel on izdel.id=smena.i_id join accounts_dep.oper on oper.id=smena.o_id "
                "join accounts_dep.vid_oper on vid_oper.id=oper.vid where smena.smena=" + std::to_string(shift) +
                " and smena.data=$1::date and ok<>$2";
        ops.push_back({"day list, shift " + std::to_string(shift),
                       [sql, day] {
                           return AppQuery(sql, [&](TParameters* P) {
                               P->ParamByName(QStringLiteral("data"))->SetDataType(ftDate);
                               P->ParamByName(QStringLiteral("data"))->SetValue(VarFromDateTime(EncodeDate(2025, 3, 5)));
                               P->ParamByName(QStringLiteral("ok"))->SetDataType(ftString);
                               P->ParamByName(QStringLiteral("ok"))->SetValue(QStringLiteral("ta"));
                           });
                       },
                       [plain, day] { return Plain(plain, {day, "ta"}); }});
    }

    // the rebuilds of the month, and the set-based statement that leaves the same rows
    auto cells = [](const char* Expr, const char* Date) {
        std::string s;
        for (int d = 1; d <= 31; ++d)
            s += std::string(", sum(") + Expr + ") filter (where extract(day from " + Date + ")=" + std::to_string(d) + ")";
        return s;
    };
    std::string dcols;
    for (int d = 1; d <= 31; ++d) dcols += ", d" + std::to_string(d);
    const std::string shiftRebuild =
        "begin; delete from accounts_dep.h_dizuv where smena>0 and month=3 and year=2025; "
        "insert into accounts_dep.h_dizuv(smena, w_id, month, year" + dcols + ") select smena, w_id, 3, 2025" +
        cells("coalesce(time,0)", "data") + " from accounts_dep.smena where data>='2025-03-01' and data<'2025-04-01' group by smena, w_id; commit";
    const std::string auxRebuild =
        "begin; delete from accounts_dep.h_dizuv where smena=0 and month=3 and year=2025; "
        "insert into accounts_dep.h_dizuv(i_type, w_id, i_night, month, year, id_nom" + dcols + ") select id_o, id_p, i_night, 3, 2025, id_nom" +
        cells("coalesce(cnt,0)", "d_date") + " from accounts_dep.fatigue where d_date>='2025-03-01' and d_date<'2025-04-01' "
        "and id_o in (7777, 7778) group by id_p, id_o, i_night, id_nom; commit";
    ops.push_back({"rebuild, shifts",
                   [month, year] {
                       RunLongWork(GConn, QStringLiteral("Перестроение"), [=] { RebuildShiftTimesheet(GConn, month, year); });
                       return MonthRows(true, month, year);
                   },
                   [shiftRebuild, month, year] {
                       PQclear(Exec(shiftRebuild));
                       return MonthRows(true, month, year);
                   }});
    ops.push_back({"rebuild, auxiliary",
                   [month, year] {
                       RunLongWork(GConn, QStringLiteral("Перестроение"), [=] { RebuildAuxiliaryTimesheet(GConn, month, year); });
                       return MonthRows(false, month, year);
                   },
                   [auxRebuild, month, year] {
                       PQclear(Exec(auxRebuild));
                       return MonthRows(false, month, year);
                   }});

    // the monthly timesheet's four modes and the per-shift timesheets
    const std::string daySums = [] {
        std::string s;
        for (int d = 1; d <= 31; ++d) s += ", sum(h.d" + std::to_string(d) + ") as d" + std::to_string(d);
        return s;
    }();
    const std::string hmonth = " from accounts_dep.h_dizuv h join cmn_contractor.person p on p.id=h.w_id where h.year=$3 and h.month=$4";
    const std::string sm = "(select w_id, sum(time) t, sum((kol_vo-brak)*cena)::numeric(10,2) f, case when coalesce(sum(time),0)=0 "
                           "then 0 else coalesce(sum((kol_vo-brak)*cena)/sum(time),0)::numeric(10,2) end a from accounts_dep.smena "
                           "where data>=$1 and data<$2 group by w_id)";
    const std::string fa = "(select id_p, id_o, i_night, sum(cnt) t, sum(cnt*price)::numeric(10,2) f, case when coalesce(sum(cnt),0)=0 "
                           "then 0 else coalesce(sum(cnt*price)/sum(cnt),0)::numeric(10,2) end a from accounts_dep.fatigue "
                           "where d_date>=$1 and d_date<$2 group by id_p, id_o, i_night)";
    const std::string fall = "(select id_p, sum(cnt) t, sum(cnt*price)::numeric(10,2) f from accounts_dep.fatigue where d_date>=$1 and "
                             "d_date<$2 group by id_p)";
    struct TMode {
        int Mode;
        const char* Name;
        std::string Plain;
    };
    const std::vector<TMode> modes = {
        {tmPieceWork, "timesheet, piece work (9)",
         "select p.s_caption fio, p.id, h.i_type, min(s.t) i_time, min(s.f) f_price, min(s.a) average_price" + daySums + hmonth +
             " and h.i_type=0 left join " + sm + " s on s.w_id=p.id group by p.id, p.s_caption, h.i_type"},
        {tmAuxiliary, "timesheet, auxiliary (14)",
         "select p.s_caption fio, p.id, h.i_type, case when h.i_night=0 then 'дн.' else 'ноч.' end s_night, h.i_night, min(f.t) i_time, "
         "min(f.f) f_price, min(f.a) average_price" + daySums + hmonth +
             " and h.i_type=7777 left join " + fa + " f on f.id_p=p.id and f.id_o=7777 and f.i_night=h.i_night "
             "group by p.id, p.s_caption, h.i_type, h.i_night"},
        {tmAverageRate, "timesheet, average rate (15)",
         "select p.s_caption fio, p.id, h.i_type, case when h.i_night=0 then 'дн.' else 'ноч.' end s_night, h.i_night, min(f.t) i_time, "
         "min(f.f) f_price, min(f.a) average_price" + daySums + hmonth +
             " and h.i_type=7778 left join " + fa + " f on f.id_p=p.id and f.id_o=7778 and f.i_night=h.i_night "
             "group by p.id, p.s_caption, h.i_type, h.i_night"},
        {tmTotal, "timesheet, total (17)",
         "select p.s_caption fio, p.id, coalesce(min(s.t),0)+coalesce(min(f.t),0) i_time, coalesce(min(s.f),0)+coalesce(min(f.f),0) f_price" +
             daySums + hmonth + " left join " + sm + " s on s.w_id=p.id left join " + fall + " f on f.id_p=p.id group by p.id, p.s_caption"},
    };
    // hmonth's joins must come before the where: put the left joins in the from clause
    auto placeJoins = [](std::string S) {
        const auto w = S.find(" where h.year=");
        const auto lj = S.find(" left join ", w);
        const auto g = S.rfind(" group by ");
        const std::string joins = S.substr(lj, g - lj);
        S.erase(lj, g - lj);
        S.insert(w, joins);
        return S;
    };
    for (const TMode& m : modes) {
        const String sql = MonthTimesheetSql(m.Mode);
        const std::string plain = placeJoins(m.Plain);
        ops.push_back({m.Name, [sql] { return AppQuery(sql, [](TParameters* P) { BindMonth(P, 3, 2025); }); },
                       [plain, first, next] { return Plain(plain, {first, next, "2025", "3"}); }});
    }
    for (int shift = 1; shift <= 3; ++shift) {
        const String sql = ShiftTimesheetSql(shift);
        std::string summ;
        for (int d = 1; d <= 31; ++d) summ += std::string(d > 1 ? "+" : "") + "coalesce(h.d" + std::to_string(d) + ",0)";
        const std::string plain =
            "select p.s_caption fio, (" + summ + ") summ, (case when (" + summ + ")=0 then 0 else s.c/(" + summ +
            ") end)::numeric(10,2) average_price, s.c::numeric(10,2) cena_all, h.* from accounts_dep.h_dizuv h "
            "join cmn_contractor.person p on p.id=h.w_id join (select w_id, sum(cena*(kol_vo-brak)) c from accounts_dep.smena "
            "where data>=$1 and data<$2 group by w_id) s on s.w_id=h.w_id where h.smena=" + std::to_string(shift) +
            " and h.month=$4 and h.year=$3";
        ops.push_back({"shift timesheet " + std::to_string(shift),
                       [sql] { return AppQuery(sql, [](TParameters* P) { BindMonth(P, 3, 2025); }); },
                       [plain, first, next] { return Plain(plain, {first, next, "2025", "3"}); }});
    }

    // the period reports over a month and a year
    auto bindPeriod = [](TDateTime From, TDateTime To) { return [From, To](TParameters* P) { BindPeriod(P, From, To); }; };
    struct TReport {
        const char* Name;
        String Sql;
        std::string Plain;
    };
    const std::vector<TReport> reports = {
        {"report by workers", WorkersReportSql(),
         "with f as (select id_p, id_nom, sum(cnt*price) filter (where id_o=7777) s7, sum(cnt*price) filter (where id_o=7778) s8 "
         "from accounts_dep.fatigue where d_date>=$1 and d_date<$2 group by id_p, id_nom), "
         "w as (select id_p, sum(cnt*price) s from accounts_dep.fatigue where d_date>=$1 and d_date<$2 group by id_p), "
         "t as (select sum(cnt*price) filter (where id_o=7777) s7, sum(cnt*price) filter (where id_o=7778) s8 from accounts_dep.fatigue "
         "where d_date>=$1 and d_date<$2), "
         "r as (select person.s_caption fio, smena.w_id, izdel.id_nom as nom_id, sum(smena.kol_vo-smena.brak)::numeric(10,2) as kolvo, "
         "vid_oper.vid, sum((kol_vo-brak)*smena.cena)::numeric(10,2) as summa, izdel.nom, oper.naimen, color "
         "from accounts_dep.smena join cmn_contractor.person person on person.id=smena.w_id join accounts_dep.izdel on izdel.id=smena.i_id "
         "join accounts_dep.oper on oper.id=smena.o_id join accounts_dep.vid_oper on vid_oper.id=oper.vid "
         "where smena.data>=$1 and smena.data<$2 group by fio, izdel.nom, vid_oper.vid, smena.w_id, izdel.id_nom, oper.naimen, color) "
         "select r.*, coalesce(f.s7,0)::numeric(10,2) f_sum7, coalesce(f.s8,0)::numeric(10,2) f_sum8, coalesce(w.s,0)::numeric(10,2) f_sum78, "
         "coalesce(t.s7,0)::numeric(10,2) f_sum7_all, coalesce(t.s8,0)::numeric(10,2) f_sum8_all "
         "from r left join f on f.id_p=r.w_id and f.id_nom=r.nom_id left join w on w.id_p=r.w_id cross join t"},
        {"report by products", ProductsReportSql(),
         "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid, izdel.nom, izdel.id_nom as nom_id, oper.naimen, color, "
         "round((izdel.massa*sum(smena.kol_vo-smena.brak))::numeric,2) as mass from accounts_dep.smena join accounts_dep.izdel on izdel.id=smena.i_id "
         "join accounts_dep.oper on oper.id=smena.o_id join accounts_dep.vid_oper on vid_oper.id=oper.vid where smena.data>=$1 and smena.data<$2 "
         "group by izdel.nom, izdel.id_nom, color, oper.naimen, vid_oper.vid, izdel.massa"},
        {"detailed report by workers", DetailedWorkersReportSql(),
         "with a as (select id_p, sum(cnt*price) filter (where id_o=7777 and i_night=0) s7, sum(cnt*price) filter (where id_o=7777 and i_night=1) s7n, "
         "sum(cnt*price) filter (where id_o=7778 and i_night=0) s8, sum(cnt*price) filter (where id_o=7778 and i_night=1) s8n, "
         "sum(cnt) filter (where id_o=7777 and i_night=0) h7, sum(cnt) filter (where id_o=7777 and i_night=1) h7n, "
         "sum(cnt) filter (where id_o=7778 and i_night=0) h8, sum(cnt) filter (where id_o=7778 and i_night=1) h8n "
         "from accounts_dep.fatigue where d_date>=$1 and d_date<$2 group by id_p), "
         "t as (select sum(cnt*price) filter (where id_o=7777) s7, sum(cnt*price) filter (where id_o=7778) s8 from accounts_dep.fatigue where d_date>=$1 and d_date<$2) "
         "select s_caption fio, w_id, izdel.marka, vid_oper.vid, oper.naimen, sum(time) as sum_time, sum(smena.kol_vo)::numeric(10,2) as kolvo, "
         "sum(smena.brak) as brk, sum((kol_vo-brak)*smena.cena)::numeric(10,2) as summa, color, sum(prize*(kol_vo-brak)*smena.cena/100)::numeric(10,2) as s_prize, "
         "coalesce(min(a.s7),0)::numeric(10,2), coalesce(min(a.s7n),0)::numeric(10,2), coalesce(min(a.s8),0)::numeric(10,2), coalesce(min(a.s8n),0)::numeric(10,2), "
         "coalesce(min(a.h7),0)::numeric(10,2), coalesce(min(a.h7n),0)::numeric(10,2), coalesce(min(a.h8),0)::numeric(10,2), coalesce(min(a.h8n),0)::numeric(10,2), "
         "coalesce(min(t.s7),0)::numeric(10,2), coalesce(min(t.s8),0)::numeric(10,2) "
         "from accounts_dep.smena join cmn_contractor.person person on person.id=smena.w_id join accounts_dep.izdel on izdel.id=smena.i_id "
         "join accounts_dep.oper on oper.id=smena.o_id join accounts_dep.vid_oper on vid_oper.id=oper.vid left join a on a.id_p=smena.w_id cross join t "
         "where smena.data>=$1 and smena.data<$2 group by fio, marka, vid_oper.vid, oper.naimen, color, w_id"},
        {"detailed report by products", DetailedProductsReportSql(),
         "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, izdel.id_nom as nom_id, sum(smena.kol_vo)::numeric as kolvo, "
         "sum(smena.brak) as brk, sum((kol_vo-brak)*smena.cena) as summa, color, round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass "
         "from accounts_dep.smena join accounts_dep.izdel on izdel.id=smena.i_id join accounts_dep.oper on oper.id=smena.o_id "
         "join accounts_dep.vid_oper on vid_oper.id=oper.vid where smena.data>=$1 and smena.data<$2 "
         "group by izdel.nom, izdel.id_nom, marka, vid_oper.vid, oper.naimen, color, massa"},
        {"period output (Excel)", PeriodOutputSql(),
         "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid, izdel.nom, oper.naimen, color, izdel.massa*sum(smena.kol_vo-smena.brak) as mass "
         "from accounts_dep.smena join accounts_dep.izdel on izdel.id=smena.i_id join accounts_dep.oper on oper.id=smena.o_id "
         "join accounts_dep.vid_oper on vid_oper.id=oper.vid where smena.data>=$1 and smena.data<$2 group by izdel.nom, color, oper.naimen, vid_oper.vid, izdel.massa"},
    };
    for (bool wholeYear : {false, true}) {
        if (wholeYear && skipYear) continue;
        const TDateTime from = wholeYear ? EncodeDate(2025, 1, 1) : EncodeDate(2025, 3, 1);
        const TDateTime to = wholeYear ? EncodeDate(2026, 1, 1) : EncodeDate(2025, 4, 1);
        const std::string f = wholeYear ? yearFirst : first, n = wholeYear ? yearNext : next;
        for (const TReport& r : reports) {
            const String sql = r.Sql;
            const std::string plain = r.Plain;
            ops.push_back({std::string(r.Name) + (wholeYear ? ", year" : ", month"),
                           [sql, bindPeriod, from, to] { return AppQuery(sql, bindPeriod(from, to)); },
                           [plain, f, n] { return Plain(plain, {f, n}); }});
        }
    }

    // the monthly timesheets written to a workbook, beside the same cells written without fitting
    for (int mode : {tmPieceWork, tmTotal}) {
        auto written = std::make_shared<TExcelApplicationRef>();
        ops.push_back({"workbook, timesheet mode " + std::to_string(mode),
                       [mode, written] {
                           TOwned<TADOQuery> q = NewQuery(MonthTimesheetSql(mode));
                           BindMonth(q->Parameters(), 3, 2025);
                           RunLongOpen(q.get(), GConn, QStringLiteral("Запрос"));
                           *written = TExcelApplicationRef();
                           if (!WriteMonthlySheet(*written, q.get(), mode, QStringLiteral("Табель"))) throw Exception(QStringLiteral("not written"));
                           return SumOf((*written)->Worksheets(1));
                       },
                       [written] {
                           TExcelApplicationRef app = CreateOleObject(QStringLiteral("Excel.Application"));
                           TExcelWorksheet* sheet = app->Workbooks()->Add()->Worksheets(1);
                           for (const auto& [key, cell] : (*written)->Worksheets(1)->CellData()) {
                               TExcelRange r = sheet->Cells(key.first, key.second);
                               if (cell.TextFormat) r.SetNumberFormat(QStringLiteral("@"));
                               r.SetValue(cell.Value);
                               if (cell.Bold) r.Font().SetBold(true);
                           }
                           app->SetVisible(true);
                           TSum s = SumOf(sheet);
                           app->Quit();
                           return s;
                       },
                       "cells, no fitting"});
    }

    // 10 000 rows of 35 cells through the Excel helper, each cell fitting its column, beside the
    // same cells written without fitting
    auto tenThousand = [](bool Fit) {
        TExcelApplicationRef app;
        if (ExcelOpen(app, String()) == -1) throw Exception(QStringLiteral("not opened"));
        for (int row = 1; row <= 10000; ++row)
            for (int col = 1; col <= 35; ++col)
                ExcelWriteCellFormatted(app, 1, col, row,
                                        col == 1 ? QStringLiteral("Рабочий %1").arg(row % 977) : QString::number((row * col) % 13),
                                        false, Fit, row == 1);
        TSum s = SumOf(app->Worksheets(1));
        for (int col = 1; col <= 35; ++col) s.Hash += Fnv(std::to_string(app->Worksheets(1)->Columns(col).ColumnWidth() > 0));
        app->Quit();
        return s;
    };
    ops.push_back({"workbook, 10 000 rows fitted", [tenThousand] { return tenThousand(true); },
                   [tenThousand] {
                       TSum s = tenThousand(false);
                       for (int col = 1; col <= 35; ++col) s.Hash += Fnv(std::to_string(true)) - Fnv(std::to_string(false));
                       return s;
                   },
                   "cells, no fitting"});

    std::printf("Factory: 600 workers, 632 000 records; month 03.2025, day 05.03.2025, year 2025. Times in seconds.\n");
    std::printf("%-44s %9s %9s %7s %9s  %-16s %-16s %s\n", "operation", "window", "peer", "ratio", "stall", "rows/checksum",
                "peer rows/sum", "");
    for (const TOp& op : ops)
        if (only.empty() || op.Name.find(only) != std::string::npos) Run(op);
    PQfinish(GPlain);
    return 0;
}
