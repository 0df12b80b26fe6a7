// Variant's own cost: making, copying, moving and destroying a vector of Variants of integers,
// doubles, strings and FMT-BCD numbers, comparing and adding neighbours, and the size of one Variant. The figures are medians of several runs; a
// checksum printed next to each shows the work was done.
//
//   bench_variant [count]    count of Variants per vector (default 1 000 000)
#include "platform/rtl/variant.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(int Runs, const std::function<void()>& Fn) {
    std::vector<double> t;
    for (int i = 0; i < Runs; ++i) {
        const auto a = Clock::now();
        Fn();
        t.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Keeps the optimiser from dropping the work.
volatile long long gSink = 0;

long long Sum(const std::vector<Variant>& v) {
    long long s = 0;
    for (const Variant& x : v) s += x.VType();
    return s;
}

struct Kind {
    const char* Name;
    std::function<Variant(int)> Make;
};

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = 7;
    // Freed vectors stay with the allocator, so a run times the Variants and not the kernel
    // handing out fresh pages.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::printf("sizeof(Variant) = %zu bytes\n", sizeof(Variant));
    std::printf("%d Variants a vector, median of %d runs (ms)\n", n, runs);
    std::printf("%-8s %10s %10s %10s %10s %10s %10s %10s %12s\n", "kind", "make", "copy", "move", "destroy",
                "default", "compare", "add", "checksum");

    // Strings of the kind a table holds: short, distinct, made once so only the Variant's work
    // (sharing the text) is timed.
    std::vector<String> texts;
    texts.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) texts.push_back(QStringLiteral("name %1").arg(i));

    const Kind kinds[] = {
        {"int", [](int i) { return Variant(i); }},
        {"double", [](int i) { return Variant(i * 0.5); }},
        {"string", [&texts](int i) { return Variant(texts[std::size_t(i)]); }},
        {"fmtbcd", [](int i) { return Variant(IntegerToBcd(i)); }},
    };
    for (const Kind& k : kinds) {
        long long check = 0;
        const double make = Median(runs, [&] {
            std::vector<Variant> v;
            v.reserve(std::size_t(n));
            for (int i = 0; i < n; ++i) v.push_back(k.Make(i));
            check = Sum(v);
        });
        std::vector<Variant> src;
        src.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i) src.push_back(k.Make(i));
        const double copy = Median(runs, [&] {
            std::vector<Variant> v(src);
            gSink = gSink + v.back().VType();
        });
        // Destroying alone (the copy that makes the vector is not timed).
        std::vector<double> dt;
        for (int r = 0; r < runs; ++r) {
            auto* v = new std::vector<Variant>(src);
            const auto t0 = Clock::now();
            delete v;
            dt.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        std::sort(dt.begin(), dt.end());
        // Moves alone (the copy that feeds them excluded).
        std::vector<double> mt;
        for (int r = 0; r < runs; ++r) {
            std::vector<Variant> a(src);
            std::vector<Variant> b;
            const auto t0 = Clock::now();
            for (Variant& x : a) b.push_back(std::move(x));
            mt.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            gSink = gSink + b.size();
        }
        std::sort(mt.begin(), mt.end());
        const double dflt = Median(runs, [&] {
            std::vector<Variant> v(static_cast<std::size_t>(n));
            gSink = gSink + v.size();
        });
        // Ordering of each value against its neighbour, and the sum of the two.
        const double compare = Median(runs, [&] {
            long long less = 0;
            for (std::size_t i = 1; i < src.size(); ++i) less += src[i - 1] < src[i];
            check += less;
        });
        const double add = Median(runs, [&] {
            long long kinds = 0;
            for (std::size_t i = 1; i < src.size(); ++i) kinds += (src[i - 1] + src[i]).VType();
            check += kinds;
        });
        std::printf("%-8s %10.2f %10.2f %10.2f %10.2f %10.2f %10.2f %10.2f %12lld\n", k.Name, make, copy,
                    mt[mt.size() / 2], dt[dt.size() / 2], dflt, compare, add, check);
    }
    return 0;
}
