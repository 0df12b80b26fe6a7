// The report's expression evaluator against plain C++: typical expressions of a report (arithmetic
// on fields, a function with two or three arguments, a comparison under IF, a field of a named
// dataset, text work) evaluated over the records of an in-memory dataset. Each prints the
// nanoseconds per evaluation of the prepared expression beside the same result computed in C++
// through the dataset's fields (the practical limit of a report that reads its data through
// fields) and from plain values in vectors (no dataset at all), the ratios, and a checksum of
// the results of each contender.
//
//   bench_evaluator [evaluations per expression]     (default 400000; best of three runs)
//   BENCH_PROFILE=<case number, from 1>: only the evaluator's side of that case, repeated, for
//   a profiler.
#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/rtl/sysutils.h"
#include "report/rpevaluator.h"
#include "report/rpevfunctions.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

namespace {
std::size_t NewCalls = 0;
}

void* operator new(std::size_t Size) {
    ++NewCalls;
    if (void* p = std::malloc(Size ? Size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Rows = 256;

// Keeps the compiler from computing a value once for all the evaluations of a record.
template <class T>
inline void Opaque(T& Value) {
    asm volatile("" : "+m"(Value));
}

// What every contender adds up: numbers by value, texts by length and characters, booleans as 1.
struct TChecksum {
    double Sum = 0;
    void Add(double V) { Sum += V; }
    void Add(bool V) { Sum += V ? 1 : 0; }
    void Add(const String& S) {
        Sum += static_cast<double>(S.size());
        for (QChar c : S) Sum += c.unicode() * 1e-3;
    }
    void Add(const TRpEvResult& R) {
        switch (R.Kind) {
            case resInt: Add(static_cast<double>(R.intResult)); break;
            case resDouble: Add(R.dblResult); break;
            case resString: Add(R.StringVal); break;
            case resBool: Add(R.booResult); break;
            default: Sum += 1e9; break;  // an error never matches the C++ side
        }
    }
};

struct TBenchFields {
    TField* Qty;
    TField* Price;
    TField* Bonus;
    TField* Name;
};

struct TValues {
    std::vector<Integer> Qty;
    std::vector<double> Price;
    std::vector<double> Bonus;
    std::vector<String> Name;
};

struct TCase {
    const char* Title;
    const char* Expression;
    // Through the dataset's fields, reading what the expression reads.
    std::function<void(const TBenchFields&, TChecksum&)> ByFields;
    std::function<void(const TValues&, int Row, TChecksum&)> ByValues;
};

std::vector<TCase> Cases() {
    const String mask = QStringLiteral("#,##0.00");
    return {
        {"arithmetic on fields", "QTY*PRICE+BONUS",
         [](const TBenchFields& F, TChecksum& C) { C.Add(F.Qty->AsInteger() * F.Price->AsFloat() + F.Bonus->AsFloat()); },
         [](const TValues& V, int r, TChecksum& C) {
             Integer q = V.Qty[r];
             double p = V.Price[r], b = V.Bonus[r];
             Opaque(q), Opaque(p), Opaque(b);
             C.Add(q * p + b);
         }},
        {"COPY, three arguments", "COPY(NAME,2,4)",
         [](const TBenchFields& F, TChecksum& C) { C.Add(F.Name->AsString().mid(1, 4)); },
         [](const TValues& V, int r, TChecksum& C) {
             const String* s = &V.Name[r];
             Opaque(s);
             C.Add(s->mid(1, 4));
         }},
        {"comparison under IF", "IF(QTY>5,PRICE*QTY,0)",
         // The same reads as the expression: it names QTY twice and evaluates every argument.
         [](const TBenchFields& F, TChecksum& C) {
             const bool more = F.Qty->AsInteger() > 5;
             const double product = F.Price->AsFloat() * F.Qty->AsInteger();
             C.Add(more ? product : 0.0);
         },
         [](const TValues& V, int r, TChecksum& C) {
             Integer q = V.Qty[r];
             double p = V.Price[r];
             Opaque(q), Opaque(p);
             C.Add(q > 5 ? p * q : 0.0);
         }},
        {"rounding, INT of a sum", "INT(PRICE*QTY+0.5)",
         [](const TBenchFields& F, TChecksum& C) {
             C.Add(static_cast<double>(static_cast<Integer>(std::trunc(F.Price->AsFloat() * F.Qty->AsInteger() + 0.5))));
         },
         [](const TValues& V, int r, TChecksum& C) {
             Integer q = V.Qty[r];
             double p = V.Price[r];
             Opaque(q), Opaque(p);
             C.Add(static_cast<double>(static_cast<Integer>(std::trunc(p * q + 0.5))));
         }},
        {"field of a named dataset", "DETAIL.PRICE",
         [](const TBenchFields& F, TChecksum& C) { C.Add(F.Price->AsFloat()); },
         [](const TValues& V, int r, TChecksum& C) {
             double p = V.Price[r];
             Opaque(p);
             C.Add(p);
         }},
        {"text field", "NAME",
         [](const TBenchFields& F, TChecksum& C) { C.Add(F.Name->AsString()); },
         [](const TValues& V, int r, TChecksum& C) {
             const String* s = &V.Name[r];
             Opaque(s);
             C.Add(*s);
         }},
        {"FORMATNUMERIC, two arguments", "FORMATNUMERIC('#,##0.00',PRICE*QTY)",
         [mask](const TBenchFields& F, TChecksum& C) {
             C.Add(FormatFloat(mask, static_cast<Extended>(F.Price->AsFloat() * F.Qty->AsInteger())));
         },
         [mask](const TValues& V, int r, TChecksum& C) {
             Integer q = V.Qty[r];
             double p = V.Price[r];
             Opaque(q), Opaque(p);
             C.Add(FormatFloat(mask, static_cast<Extended>(p * q)));
         }},
        {"text functions joined", "UPPER(NAME)+' '+STR(QTY)",
         [](const TBenchFields& F, TChecksum& C) {
             C.Add(AnsiUpperCase(F.Name->AsString()) + u' ' + IntToStr(F.Qty->AsInteger()));
         },
         [](const TValues& V, int r, TChecksum& C) {
             const String* s = &V.Name[r];
             Integer q = V.Qty[r];
             Opaque(s), Opaque(q);
             C.Add(AnsiUpperCase(*s) + u' ' + IntToStr(q));
         }},
    };
}

// Walks the records, Per evaluations on each, until N evaluations are done.
template <class F>
double Walk(TDataSet* Data, int N, F Body) {
    const int per = std::max(1, N / Rows);
    const auto t0 = Clock::now();
    int done = 0;
    while (done < N) {
        Data->First();
        for (int r = 0; r < Rows && done < N; ++r, Data->Next())
            for (int k = 0; k < per && done < N; ++k, ++done) Body(r);
    }
    return std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / N;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int N = argc > 1 ? std::max(Rows, std::atoi(argv[1])) : 400000;
    Application->Initialize(argc, argv);
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ThousandSeparator = u' ';
    {
        TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
        auto Data = New<TTestTableDataSet>(Root.get());
        Data->SetName(QStringLiteral("DETAIL"));
        Data->FieldDefs()->Add(QStringLiteral("QTY"), ftInteger);
        Data->FieldDefs()->Add(QStringLiteral("PRICE"), ftFloat);
        Data->FieldDefs()->Add(QStringLiteral("BONUS"), ftFloat);
        Data->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Data->CreateDataSet();
        TValues V;
        for (int i = 0; i < Rows; ++i) {
            V.Qty.push_back(i % 11);
            V.Price.push_back(12.5 + (i * 37 % 1000) / 8.0);
            V.Bonus.push_back((i % 5) * 0.25);
            V.Name.push_back(QStringLiteral("Деталь %1 цех %2").arg(i + 1).arg(i % 7));
            Data->AppendRecord({V.Qty.back(), V.Price.back(), V.Bonus.back(), V.Name.back()});
        }
        const TBenchFields F{Data->FieldByName(QStringLiteral("QTY")), Data->FieldByName(QStringLiteral("PRICE")),
                        Data->FieldByName(QStringLiteral("BONUS")), Data->FieldByName(QStringLiteral("NAME"))};
        TOwned<TRpDataSetList> Sets = NewOwned<TRpDataSetList>();
        Sets->Add(Data);

        const std::vector<TCase> cases = Cases();
        if (const char* p = std::getenv("BENCH_PROFILE")) {
            const int i = std::atoi(p) - 1;
            if (i < 0 || i >= static_cast<int>(cases.size())) return 2;
            TOwned<TRpEvaluator> Ev = NewOwned<TRpEvaluator>();
            Ev->SetDataSets(Sets.get());
            Ev->Prepare(QString::fromLatin1(cases[i].Expression));
            TChecksum c;
            TRpEvResult r;
            const double ns = Walk(Data, N * 10, [&](int) { Ev->Value(r), c.Add(r); });
            std::printf("%s: %.1f ns per evaluation (checksum %.6g)\n", cases[i].Expression, ns, c.Sum);
            return 0;
        }

        std::printf("report evaluator, %d evaluations per expression over %d records (best of 3)\n", N, Rows);
        std::printf("%-38s %10s %8s %10s %10s %9s %9s  %s\n", "expression", "evaluator", "new/eval", "C++ field",
                    "C++ value", "x field", "x value", "checksums");
        for (const TCase& K : cases) {
            TOwned<TRpEvaluator> Ev = NewOwned<TRpEvaluator>();
            Ev->SetDataSets(Sets.get());
            Ev->Prepare(QString::fromLatin1(K.Expression));
            double best[3] = {1e30, 1e30, 1e30};
            TChecksum sums[3];
            double news = 0;
            for (int rep = 0; rep < 3; ++rep) {
                TChecksum c[3];
                TRpEvResult r;
                const std::size_t before = NewCalls;
                best[0] = std::min(best[0], Walk(Data, N, [&](int) { Ev->Value(r), c[0].Add(r); }));
                news = static_cast<double>(NewCalls - before) / N;
                best[1] = std::min(best[1], Walk(Data, N, [&](int) { K.ByFields(F, c[1]); }));
                best[2] = std::min(best[2], Walk(Data, N, [&](int row) { K.ByValues(V, row, c[2]); }));
                for (int j = 0; j < 3; ++j) sums[j] = c[j];
            }
            const bool same = std::fabs(sums[0].Sum - sums[1].Sum) <= 1e-9 * std::fabs(sums[1].Sum) &&
                              std::fabs(sums[1].Sum - sums[2].Sum) <= 1e-9 * std::fabs(sums[1].Sum);
            std::printf("%-38s %8.1fns %8.2f %8.1fns %8.1fns %8.1fx %8.1fx  %.10g %s\n", K.Expression, best[0], news,
                        best[1], best[2], best[0] / best[1], best[0] / best[2], sums[0].Sum,
                        same ? "same" : "DIFFER");
        }
    }
    return 0;
}
