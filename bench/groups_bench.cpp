// The data grid's grouping against its practical limit (a hash GROUP BY over a plain array of the
// same rows: one pass, no tree, no rows to show) and against the server (GROUP BY ROLLUP over the
// same rows in the private cluster, statement and fetch), grouping by two columns with a footer
// that sums a money column and counts an integer column. Every contender's groups and sums are
// reduced to one checksum printed next to its time: a figure only counts when they agree. Then
// the cost of one edit inside a group (the tree follows it without a rebuild), of an insert and of
// a delete, beside a full rebuild.
//
//   bench_groups [rows]      (default 1 000 000; needs the cluster for the server's column:
//                             eval "$(scripts/pg-cluster.sh start build/pg-bench)")
#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/groupsvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/sysutils.h"

#include <libpq-fe.h>

#include <QGuiApplication>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(int Runs, const std::function<void()>& Fn, const std::function<void()>& After = {}) {
    std::vector<double> t;
    for (int i = 0; i < Runs; ++i) {
        const auto a = Clock::now();
        Fn();
        t.push_back(Ms(a, Clock::now()));
        if (After) After();
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// ---- the rows: one formula, so that the server makes the same rows itself ----------------------

const char* const Shops[] = {"Механический", "Сборочный", "Литейный", "Кузнечный",
                             "Инструментальный", "Малярный", "Термический", "Прессовый"};
const char* const Parts[] = {"Валы", "Втулки", "Корпуса", "Шестерни", "Фланцы", "Крышки", "Оси", "Рамы", "Кронштейны", "Пружины"};

// Row g (1-based): shop g % 8 (Null every 101st), nomenclature group (g / 7) % 10 and g % 6,
// sum ((g * 7919) % 250000) / 100 (Null every 17th), quantity g % 40 (Null every 13th).
struct Row {
    bool ShopNull, SumNull, QtyNull;
    int Shop, Part, Sub, Qty;
    long long Cents;
};

Row MakeRow(long long g) {
    Row r;
    r.ShopNull = g % 101 == 0;
    r.Shop = int(g % 8);
    r.Part = int((g / 7) % 10);
    r.Sub = int(g % 6);
    r.SumNull = g % 17 == 0;
    r.Cents = (g * 7919) % 250000;
    r.QtyNull = g % 13 == 0;
    r.Qty = int(g % 40);
    return r;
}

QString ShopText(const Row& r) { return QString::fromUtf8(Shops[r.Shop]); }
QString PartText(const Row& r) { return QString::fromUtf8(Parts[r.Part]) + QStringLiteral(" гр.") + QString::number(r.Sub); }

const char* ServerRowsSql =
    "insert into bench_groups select g,"
    " case when g % 101 = 0 then null else"
    "  (array['Механический','Сборочный','Литейный','Кузнечный','Инструментальный','Малярный','Термический','Прессовый'])"
    "[1 + g % 8] end,"
    " (array['Валы','Втулки','Корпуса','Шестерни','Фланцы','Крышки','Оси','Рамы','Кронштейны','Пружины'])[1 + (g / 7) % 10]"
    " || ' гр.' || (g % 6),"
    " case when g % 17 = 0 then null else ((g::bigint * 7919) % 250000) / 100.0 end,"
    " case when g % 13 = 0 then null else g % 40 end"
    " from generate_series(1, %d) g";

// The checksum of a grouping: over every group of both levels and the grand totals, the number
// of groups, the sum in cents and the count, mixed so that a group of the wrong size shows.
struct Check {
    long long Groups = 0, Cents = 0, Counts = 0, Mix = 0;
    void Add(long long C, long long N, long long Rows) {
        ++Groups;
        Cents += C;
        Counts += N;
        Mix = Mix * 31 + C * 7 + N * 3 + Rows;
        Mix &= 0xffffffffffffLL;
    }
};

// ---- the project: the in-memory table and the grouping ----------------------------------------

class TBenchColumn : public TCollectionItem, public IDataGroupsColumnVz {
    SDELKA_CLASS(TBenchColumn, TCollectionItem)
protected:
    explicit TBenchColumn(TCollection* Collection) : TCollectionItem(Collection) {}

public:
    TField* FieldRef = nullptr;
    TField* GroupingField() override { return FieldRef; }
    String GroupingFieldName() override { return FieldRef ? FieldRef->FieldName() : String(); }
    String GroupingDisplayFormat() override { return String(); }
};

class TBenchColumns : public TCollection {
    SDELKA_CLASS(TBenchColumns, TCollection)
protected:
    TBenchColumns() : TCollection(TBenchColumn::StaticClass()) {}
};

class TBenchGroups : public TGridDataGroupsVz {
    SDELKA_CLASS(TBenchGroups, TGridDataGroupsVz)
protected:
    explicit TBenchGroups(TComponent* AGrid) : TGridDataGroupsVz(AGrid) {}

public:
    TMemTableVz* Table = nullptr;
    TBenchColumns* Columns = nullptr;
    IMemTableVz* GridMemTable() override { return Table; }
    TDataSet* GridDataSet() override { return Table; }
    TCollection* GridColumns() override { return Columns; }
    bool IsGroupingWorks() override { return Active() && Table && Table->Active(); }
    bool FooterAggregateEventsAssigned() override { return false; }
    void ActiveChanged() override {
        if (IsGroupingWorks()) GroupDataTree()->RebuildDataTreeEx(Table);
    }
};

class TBenchGrid : public TComponent, public IMTEventReceiverVz {
    SDELKA_CLASS(TBenchGrid, TComponent)
protected:
    explicit TBenchGrid(TComponent* AOwner) : TComponent(AOwner) {}

public:
    TBenchGroups* Groups = nullptr;
    int Rebuilds = 0;
    void MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int) override {
        if (!Groups || !Groups->IsGroupingWorks()) return;
        TGridGroupDataTreeVz* T = Groups->GroupDataTree();
        switch (Event) {
        case mtRowInsertedVz: T->RecordInserted(RowNum); break;
        case mtRowChangedVz: T->RecordChanged(RowNum); break;
        case mtRowDeletedVz: T->RecordDeleted(RowNum); break;
        default:
            ++Rebuilds;
            T->RebuildDataTreeEx(Groups->Table);
            break;
        }
    }
};

Check TreeCheck(TGridGroupDataTreeVz* T) {
    Check c;
    auto footer = [&](TGroupDataTreeNodeVz* N, long long Rows) {
        const Variant S = N->FooterItems(0)->FooterValues(3);
        const Variant K = N->FooterItems(0)->FooterValues(4);
        c.Add(VarIsNullish(S) ? 0 : S.AsCurrency().Raw() / 100, K.AsInt64(), Rows);
    };
    TGroupDataTreeNodeVz* Root = T->Root();
    long long All = 0;
    for (Integer i = 0; i < Root->Count(); ++i) {
        TGroupDataTreeNodeVz* Shop = Root->Items(i);
        long long InShop = 0;
        for (Integer j = 0; j < Shop->Count(); ++j) {
            TGroupDataTreeNodeVz* Part = Shop->Items(j);
            footer(Part, Part->Count());
            InShop += Part->Count();
        }
        footer(Shop, InShop);
        All += InShop;
    }
    footer(Root, All);
    return c;
}

// ---- the limit: a hash GROUP BY over the plain rows ---------------------------------------------

struct Agg {
    long long Cents = 0, Count = 0, Rows = 0;
};

Check HashGroupBy(const std::vector<Row>& Rows, const std::vector<QString>& ShopT, const std::vector<QString>& PartT) {
    QHash<QString, QHash<QString, Agg>> Detail;
    QHash<QString, Agg> ByShop;
    Agg All;
    const QString NullKey = QStringLiteral("\x01");
    for (std::size_t i = 0; i < Rows.size(); ++i) {
        const Row& r = Rows[i];
        const QString& s = r.ShopNull ? NullKey : ShopT[i];
        Agg& d = Detail[s][PartT[i]];
        Agg& b = ByShop[s];
        for (Agg* a : {&d, &b, &All}) {
            if (!r.SumNull) a->Cents += r.Cents;
            if (!r.QtyNull) ++a->Count;
            ++a->Rows;
        }
    }
    // The same order as the tree (keys sorted, Null first), so that the mixed checksum agrees.
    Check c;
    QStringList shops = ByShop.keys();
    std::sort(shops.begin(), shops.end(), [&](const QString& a, const QString& b) {
        if (a == NullKey || b == NullKey) return a == NullKey && b != NullKey;
        return CompareVarValuesVz(Variant(a), Variant(b)) == vrLessThan;
    });
    for (const QString& s : shops) {
        QStringList parts = Detail[s].keys();
        std::sort(parts.begin(), parts.end(),
                  [](const QString& a, const QString& b) { return CompareVarValuesVz(Variant(a), Variant(b)) == vrLessThan; });
        for (const QString& p : parts) {
            const Agg& a = Detail[s][p];
            c.Add(a.Cents, a.Count, a.Rows);
        }
        const Agg& a = ByShop[s];
        c.Add(a.Cents, a.Count, a.Rows);
    }
    c.Add(All.Cents, All.Count, All.Rows);
    return c;
}

// ---- the server -----------------------------------------------------------------------------------

std::string Env(const char* Name) {
    const char* v = std::getenv(Name);
    return v && *v ? v : "";
}

PGconn* Connect(const std::string& Db) {
    std::string s = "dbname=" + Db;
    if (!Env("PGHOST").empty()) s += " host=" + Env("PGHOST");
    if (!Env("PGPORT").empty()) s += " port=" + Env("PGPORT");
    if (!Env("PGUSER").empty()) s += " user=" + Env("PGUSER");
    PGconn* c = PQconnectdb(s.c_str());
    if (PQstatus(c) != CONNECTION_OK) {
        std::fprintf(stderr, "bench_groups: %s", PQerrorMessage(c));
        PQfinish(c);
        return nullptr;
    }
    PQclear(PQexec(c, "set client_min_messages = warning"));
    return c;
}

bool Exec(PGconn* C, const std::string& Sql) {
    PGresult* r = PQexec(C, Sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok) std::fprintf(stderr, "bench_groups: %s", PQerrorMessage(C));
    PQclear(r);
    return ok;
}

// The server's rollup in the tree's order (the checksum mixes in the order).
const char* RollupSql =
    "select grouping(ceh), grouping(nom), ceh, nom, coalesce(round(sum(summa) * 100), 0)::bigint, count(kol), count(*)"
    " from bench_groups group by rollup (ceh, nom)"
    " order by grouping(ceh), ceh collate \"C\" nulls first, grouping(nom), nom collate \"C\" nulls first";

Check ServerCheck(PGresult* R) {
    // Rows come as detail, subtotal per shop, then the total: put them in the tree's order by
    // the variant comparison, as the limit does.
    struct Line {
        QString Shop, Part;
        bool ShopNull, Sub;
        long long C, N, Rows;
    };
    std::vector<Line> lines;
    Line total{};
    for (int i = 0; i < PQntuples(R); ++i) {
        Line l;
        const bool gShop = std::atoi(PQgetvalue(R, i, 0)) == 1, gNom = std::atoi(PQgetvalue(R, i, 1)) == 1;
        l.ShopNull = PQgetisnull(R, i, 2);
        l.Shop = QString::fromUtf8(PQgetvalue(R, i, 2));
        l.Part = QString::fromUtf8(PQgetvalue(R, i, 3));
        l.Sub = gNom;
        l.C = std::atoll(PQgetvalue(R, i, 4));
        l.N = std::atoll(PQgetvalue(R, i, 5));
        l.Rows = std::atoll(PQgetvalue(R, i, 6));
        if (gShop) total = l;
        else lines.push_back(l);
    }
    auto less = [](const QString& a, const QString& b) { return CompareVarValuesVz(Variant(a), Variant(b)) == vrLessThan; };
    std::sort(lines.begin(), lines.end(), [&](const Line& a, const Line& b) {
        if (a.ShopNull != b.ShopNull) return a.ShopNull;
        if (a.Shop != b.Shop) return less(a.Shop, b.Shop);
        if (a.Sub != b.Sub) return !a.Sub;
        return less(a.Part, b.Part);
    });
    Check c;
    for (const Line& l : lines) c.Add(l.C, l.N, l.Rows);
    c.Add(total.C, total.N, total.Rows);
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // The grouping's fonts need the GUI library, not a screen.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int N = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000000;

    // The rows, and the table the grid shows.
    std::vector<Row> rows(static_cast<std::size_t>(N));
    std::vector<QString> shopT(rows.size()), partT(rows.size());
    for (int g = 1; g <= N; ++g) {
        rows[std::size_t(g - 1)] = MakeRow(g);
        shopT[std::size_t(g - 1)] = ShopText(rows[std::size_t(g - 1)]);
        partT[std::size_t(g - 1)] = PartText(rows[std::size_t(g - 1)]);
    }
    auto table = NewOwned<TMemTableVz>(nullptr);
    table->FieldDefs()->Add(u"id"_S, ftInteger);
    table->FieldDefs()->Add(u"ceh"_S, ftString, 40);
    table->FieldDefs()->Add(u"nom"_S, ftString, 40);
    table->FieldDefs()->Add(u"summa"_S, ftCurrency);
    table->FieldDefs()->Add(u"kol"_S, ftInteger);
    table->CreateDataSet();
    auto t0 = Clock::now();
    table->DisableControls();
    for (int g = 1; g <= N; ++g) {
        const Row& r = rows[std::size_t(g - 1)];
        table->AppendRecord({Variant(g), r.ShopNull ? Null() : Variant(shopT[std::size_t(g - 1)]), Variant(partT[std::size_t(g - 1)]),
                             r.SumNull ? Null() : Variant(Currency::FromRaw(r.Cents * 100)), r.QtyNull ? Null() : Variant(r.Qty)});
    }
    table->EnableControls();
    const double tLoad = Ms(t0, Clock::now());

    auto grid = NewOwned<TBenchGrid>(nullptr);
    auto columns = NewOwned<TBenchColumns>();
    for (const char16_t* f : {u"id", u"ceh", u"nom", u"summa", u"kol"})
        static_cast<TBenchColumn*>(columns->Add())->FieldRef = table->FieldByName(String::fromUtf16(f));
    auto groups = NewOwned<TBenchGroups>(grid.get());
    groups->Table = table.get();
    groups->Columns = columns.get();
    grid->Groups = groups.get();
    table->RegisterEventReceiver(grid.get());
    TGridDataGroupFooterVz* footer = groups->Footers()->Add();
    footer->SetVisible(true);
    footer->ColumnItems()->Items(1)->SetValueType(gfvStaticTextVz);
    footer->ColumnItems()->Items(1)->SetText(u"ИТОГО:"_S);
    footer->ColumnItems()->Items(3)->SetValueType(gfvSumVz);
    footer->ColumnItems()->Items(4)->SetValueType(gfvCountVz);
    groups->GroupLevels()->Add()->SetColumn(columns->Items(1));
    groups->GroupLevels()->Add()->SetColumn(columns->Items(2));
    groups->SetDefaultStateExpanded(true);

    std::printf("== grouping %d rows by two columns with a footer (sum of money, count): project | limit | server\n", N);
    std::printf("   (rows loaded into the in-memory table in %.0f ms, not counted)\n", tLoad);
    Check ours;
    const double tOurs = Median(3, [&] {
        groups->SetActive(true);
        ours = TreeCheck(groups->GroupDataTree());
    }, [&] { groups->SetActive(false); });
    groups->SetActive(true);
    Check limit;
    const double tLimit = Median(3, [&] { limit = HashGroupBy(rows, shopT, partT); });

    double tServer = 0;
    Check server;
    bool haveServer = false;
    if (!Env("PGHOST").empty()) {
        if (PGconn* c = Connect("postgres")) {
            PGresult* r = PQexec(c, "select 1 from pg_database where datname = 'sdelka_bench'");
            const bool exists = PQntuples(r) > 0;
            PQclear(r);
            if (!exists) Exec(c, "create database sdelka_bench");
            PQfinish(c);
        }
        if (PGconn* c = Connect("sdelka_bench")) {
            char sql[1024];
            std::snprintf(sql, sizeof sql, ServerRowsSql, N);
            haveServer = Exec(c, "drop table if exists bench_groups") &&
                         Exec(c, "create table bench_groups (id int primary key, ceh text, nom text, summa numeric(12,2), kol int)") &&
                         Exec(c, sql) && Exec(c, "analyze bench_groups");
            if (haveServer)
                tServer = Median(3, [&] {
                    PGresult* r = PQexec(c, RollupSql);
                    server = ServerCheck(r);
                    PQclear(r);
                });
            PQfinish(c);
        }
    } else {
        std::printf("   (no cluster: eval \"$(scripts/pg-cluster.sh start build/pg-bench)\" for the server's column)\n");
    }
    std::printf("%-28s %10.1f ms %10.1f ms %10.1f ms   x%6.2f of limit  x%5.2f of server\n", "group + footers", tOurs, tLimit,
                tServer, tOurs / tLimit, haveServer ? tOurs / tServer : 0.0);
    std::printf("%-28s %13lld %13lld %13lld   (groups %lld | %lld | %lld)%s\n", "checksums", ours.Mix, limit.Mix, server.Mix,
                ours.Groups, limit.Groups, server.Groups,
                ours.Mix == limit.Mix && (!haveServer || ours.Mix == server.Mix) ? "" : "   MISMATCH");

    // One change at a time: the tree follows it, the footers are summed again.
    TGridGroupDataTreeVz* tree = groups->GroupDataTree();
    std::vector<TGroupDataTreeNodeVz*> before;
    for (TGroupDataTreeNodeVz* n = tree->GetFirst(); n; n = tree->GetNext(n))
        if (n->NodeType() != dntDataSetRecordVz) before.push_back(n);
    int turn = 0;
    const double tEdit = Median(5, [&] {
        table->SetRecNo(N / 2 + turn);
        table->Edit();
        table->FieldByName(u"summa"_S)->SetValue(Variant(Currency::FromRaw(10000LL * (++turn))));
        table->Post();
    });
    std::vector<TGroupDataTreeNodeVz*> after;
    for (TGroupDataTreeNodeVz* n = tree->GetFirst(); n; n = tree->GetNext(n))
        if (n->NodeType() != dntDataSetRecordVz) after.push_back(n);
    const double tInsert = Median(3, [&] {
        table->AppendRecord({Variant(N + 1 + turn++), Variant(u"Сборочный"_S), Variant(u"Валы гр.1"_S), Variant(Currency(1.5)), Variant(1)});
    });
    const double tDelete = Median(3, [&] {
        table->Last();
        table->Delete();
    });
    const double tRebuild = Median(3, [&] { tree->RebuildDataTreeEx(table.get()); });
    const double tFooters = Median(3, [&] { tree->RecalculateFootersValues(); });
    std::printf("== one change at %d rows (medians)\n", N);
    std::printf("%-28s %10.1f ms   (the same group nodes before and after: %s; full rebuilds: %d)\n", "edit inside a group",
                tEdit, before == after ? "yes" : "NO", grid->Rebuilds);
    std::printf("%-28s %10.1f ms\n", "insert (append)", tInsert);
    std::printf("%-28s %10.1f ms\n", "delete", tDelete);
    std::printf("%-28s %10.1f ms   (of which summing the footers again: %.1f ms)\n", "full rebuild, for scale", tRebuild,
                tFooters);
    table->UnregisterEventReceiver(grid.get());
    return 0;
}
