// A value typed into the grid's filter row, applied to an in-memory table of 1 000 000 rows (the
// text parsed, the table's filter built from the column conditions and the view filtered), beside
// its practical limit: std::copy_if of the same condition over plain vectors of the same values.
// Each contender's result is reduced to a checksum (count and sum of the ids it keeps), so a time
// only counts when the checksums agree. Nothing here asserts a time.
//
//   bench_filterrow [rows]     (default 1000000)
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/rtl/formatsettings.h"

#include "tests/grid/dbgrid/filtergrid.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(int Runs, const std::function<void()>& Fn, const std::function<void()>& Prepare = {}) {
    std::vector<double> t;
    for (int i = 0; i < Runs; ++i) {
        if (Prepare) Prepare();
        const auto a = Clock::now();
        Fn();
        t.push_back(Ms(a, Clock::now()));
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

struct Rows {
    std::vector<int> Id;
    std::vector<std::optional<int>> Qty;
    std::vector<std::optional<double>> Amount;
    std::vector<QString> Name;
};

const char16_t* const BenchNames[] = {u"Иванов", u"Петров", u"O'Brien", u"Сидорова", u"Ёжиков", u"Adams", u"Кузнецов"};

Rows MakeRows(int N) {
    Rows r;
    r.Id.reserve(size_t(N));
    for (int g = 1; g <= N; ++g) {
        r.Id.push_back(g);
        r.Qty.push_back(g % 13 == 0 ? std::nullopt : std::optional<int>(g % 17));
        r.Amount.push_back(g % 5 == 0 ? std::nullopt : std::optional<double>((g % 4000) * 0.25));
        r.Name.push_back(String::fromUtf16(BenchNames[g % 7]) + u' ' + QString::number(g % 100));
    }
    return r;
}

struct Sum {
    long long Count = 0, Ids = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    FormatSettings.DecimalSeparator = u',';
    const Rows rows = MakeRows(n);

    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Qty"_S, ftInteger);
    t->FieldDefs()->Add(u"Amount"_S, ftFloat);
    t->FieldDefs()->Add(u"Name"_S, ftString, 30);
    t->CreateDataSet();
    t->DisableControls();
    for (int i = 0; i < n; ++i) {
        const size_t k = size_t(i);
        t->AppendRecord({Variant(rows.Id[k]), rows.Qty[k] ? Variant(*rows.Qty[k]) : Null(),
                         rows.Amount[k] ? Variant(*rows.Amount[k]) : Null(), rows.Name[k]});
    }
    t->EnableControls();
    TTestFilterGrid grid(t.get(), {u"Id", u"Qty", u"Amount", u"Name"});

    struct Case {
        const char* Label;
        int Column;
        const char16_t* Text;
        std::function<bool(size_t)> Keep;
    };
    const std::vector<Case> cases = {
        {"qty = 5", 1, u"5", [&](size_t i) { return rows.Qty[i] == 5; }},
        {"qty in (3,5,7,null)", 1, u"in (3,5,7,null)",
         [&](size_t i) { return !rows.Qty[i] || *rows.Qty[i] == 3 || *rows.Qty[i] == 5 || *rows.Qty[i] == 7; }},
        {"amount >= 100.5 and < 200", 2, u">=100.5 AND <200",
         [&](size_t i) { return rows.Amount[i] && *rows.Amount[i] >= 100.5 && *rows.Amount[i] < 200; }},
        {"name like 'Иванов%'", 3, u"Иванов%", [&](size_t i) { return rows.Name[i].startsWith(u"Иванов"); }},
    };

    std::printf("bench_filterrow: %d rows; times in ms (median of 5)\n", n);
    std::printf("%-28s %12s %12s   %-24s %-24s\n", "typed filter", "grid filter", "copy_if", "checksum grid",
                "checksum copy_if");
    for (const Case& c : cases) {
        TSTColumnFilterVz* f = grid.Column(c.Column)->Filter.get();
        const double tGrid = Median(
            5,
            [&] {
                f->SetExpressionStr(String::fromUtf16(c.Text));
                grid.STFilterApply();
            },
            [&] {
                f->Clear();
                grid.STFilterApply();
            });
        Sum ours;
        f->SetExpressionStr(String::fromUtf16(c.Text));
        grid.STFilterApply();
        TField* id = t->FieldByName(u"Id"_S);
        t->DisableControls();
        for (t->First(); !t->Eof(); t->Next()) {
            ++ours.Count;
            ours.Ids += id->AsInteger();
        }
        t->EnableControls();
        f->Clear();
        grid.STFilterApply();

        std::vector<size_t> order(static_cast<size_t>(n));
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::vector<size_t> kept;
        const double tLimit = Median(
            5, [&] { std::copy_if(order.begin(), order.end(), std::back_inserter(kept), c.Keep); }, [&] {
                kept.clear();
                kept.reserve(order.size());
            });
        Sum limit;
        for (size_t i : kept) {
            ++limit.Count;
            limit.Ids += rows.Id[i];
        }
        char a[64], b[64];
        std::snprintf(a, sizeof a, "%lld/%lld", ours.Count, ours.Ids);
        std::snprintf(b, sizeof b, "%lld/%lld", limit.Count, limit.Ids);
        std::printf("%-28s %12.1f %12.1f   %-24s %-24s%s\n", c.Label, tGrid, tLimit, a, b,
                    ours.Count == limit.Count && ours.Ids == limit.Ids ? "" : "  CHECKSUMS DIFFER");
    }
    return 0;
}
