// The in-memory dataset against its practical limit (a plain std::vector of rows with
// std::stable_sort) and against Qt's peer (QStandardItemModel with QSortFilterProxyModel, and a
// QHash from the keys to their rows for the index and the lookups), on the
// same generated rows, in one run. Every contender's result is reduced to a checksum printed next
// to its time, so a figure only counts when the checksums agree.
//
//   bench_memtable [rows] [--growth] [--big]     (BENCH_MALLOC_DEFAULT=1: see main)
//     rows      rows of the side-by-side table (default 100000)
//     --growth  also the per-operation figures at 10 000 and 100 000 rows (and 1 000 000 with --big),
//               AppendRecord per row at 10 000, 100 000 and 1 000 000 rows, and one tree node's
//               expand and collapse at 300 000 rows against a rebuild of the tree
//     --growth-only  only those
#include "grid/memtable/memtableindexesvz.h"
#include "grid/memtable/memtablevz.h"
#include "grid/memtable/recordsviewvz.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/sysutils.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QLocale>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Median of Runs timings of Fn (milliseconds); Prepare runs untimed before each.
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

// Bytes the allocator has handed out (the heap in use), in KB.
long RssKb() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<long>((m.uordblks + m.hblkhd) / 1024);
}

// ---- the rows ----------------------------------------------------------------------------------

struct Source {
    std::vector<int> Id, Qty;
    std::vector<QString> Name, Code;
    std::vector<double> Date, Amount;
    std::vector<bool> Flag;
    std::vector<qint64> Price;  // currency, scaled by 10 000
    int Count() const { return static_cast<int>(Id.size()); }
};

Source Generate(int N) {
    static const char16_t* words[] = {u"Иванов", u"петров", u"O'Brien", u"Сидорова", u"ёлкин", u"Adams", u"Ёжиков",
                                      u"Кузнецова", u"смирнов", u"Zhukov", u"Попов", u"волкова"};
    std::mt19937 gen(12345);
    Source s;
    for (int i = 0; i < N; ++i) {
        s.Id.push_back(i + 1);
        s.Name.push_back(QString::fromUtf16(words[gen() % 12]) + u' ' + QString::number(gen() % 997));
        s.Date.push_back(45000 + static_cast<int>(gen() % 730));
        s.Amount.push_back(static_cast<double>(gen() % 1000000) / 100.0);
        s.Qty.push_back(static_cast<int>(gen() % 20));
        s.Code.push_back(QString::number(gen() % 100000, 36));
        s.Flag.push_back(gen() % 2 == 0);
        s.Price.push_back(static_cast<qint64>(gen() % 10000000) * 100);
    }
    return s;
}

// ---- the in-memory dataset ---------------------------------------------------------------------

TOwned<TMemTableVz> MakeTable() {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Name"_S, ftWideString, 40);
    t->FieldDefs()->Add(u"D"_S, ftDate);
    t->FieldDefs()->Add(u"Amount"_S, ftFloat);
    t->FieldDefs()->Add(u"Qty"_S, ftInteger);
    t->FieldDefs()->Add(u"Code"_S, ftWideString, 10);
    t->FieldDefs()->Add(u"Flag"_S, ftBoolean);
    t->FieldDefs()->Add(u"Price"_S, ftBCD, 4);
    t->CreateDataSet();
    return t;
}

// What a data driver does: fetched records straight into the store, one list update around them,
// each value written by its kind (Variants: each through a Variant, as a driver that has only
// Variants does).
void LoadTable(TMemTableVz* T, const Source& S, int From = 0, int To = -1, bool Bulk = true, bool Variants = false) {
    TRecordsListVz* list = T->MemTableData()->RecordsList();
    if (To < 0) To = S.Count();
    if (Bulk) list->BeginUpdate();
    for (int i = From; i < To; ++i) {
        TMemoryRecordVz* r = list->NewRecord();
        if (Variants) {
            r->SetDataValue(0, dvvValueVz, Variant(S.Id[i]));
            r->SetDataValue(1, dvvValueVz, Variant(S.Name[i]));
            r->SetDataValue(2, dvvValueVz, VarFromDateTime(S.Date[i]));
            r->SetDataValue(3, dvvValueVz, Variant(S.Amount[i]));
            r->SetDataValue(4, dvvValueVz, Variant(S.Qty[i]));
            r->SetDataValue(5, dvvValueVz, Variant(S.Code[i]));
            r->SetDataValue(6, dvvValueVz, Variant(static_cast<bool>(S.Flag[i])));
            r->SetDataValue(7, dvvValueVz, Variant(Currency::FromRaw(S.Price[i])));
        } else {
            r->SetIntegerValue(0, S.Id[i]);
            r->SetTextValue(1, S.Name[i]);
            r->SetDateTimeValue(2, S.Date[i]);
            r->SetFloatValue(3, S.Amount[i]);
            r->SetIntegerValue(4, S.Qty[i]);
            r->SetTextValue(5, S.Code[i]);
            r->SetBooleanValue(6, S.Flag[i]);
            r->SetCurrencyValue(7, Currency::FromRaw(S.Price[i]));
        }
        list->FetchRecord(r);
    }
    if (Bulk) list->EndUpdate();
}

// The ids of a view's rows, each times its place: equal only for the same rows in the same order.
long long RowsChecksum(const std::function<int(int)>& IdAt, int Count) {
    long long c = 0;
    for (int i = 0; i < Count; ++i) c += static_cast<long long>(i + 1) * IdAt(i);
    return c;
}

// The same over the first 1000 rows: enough for a sorted order.
long long OrderChecksum(const std::function<int(int)>& IdAt, int Count) { return RowsChecksum(IdAt, std::min(Count, 1000)); }

long long ViewChecksum(TMemTableVz* T) {
    TRecordsViewVz* v = T->RecordsView();
    return OrderChecksum([v](int i) { return v->GetRec(i)->Value(0).AsInteger(); }, v->Count());
}

// One row's stored values folded into a checksum: equal only for the same values in the same order.
struct ValueSum {
    long long V = 0;
    void Add(long long X) { V = V * 31 + X; }
    void Row(int Id, const QString& Name, double Date, double Amount, int Qty, const QString& Code, bool Flag, qint64 Price) {
        Add(Id);
        Add(static_cast<long long>(qHash(Name)));
        Add(static_cast<long long>(Date));
        Add(std::llround(Amount * 100));
        Add(Qty);
        Add(static_cast<long long>(qHash(Code)));
        Add(Flag);
        Add(Price);
    }
};

long long StoredChecksum(TMemTableVz* T) {
    TRecordsListVz* list = T->MemTableData()->RecordsList();
    ValueSum s;
    for (int i = 0; i < list->Count(); ++i) {
        TMemoryRecordVz* r = list->Rec(i);
        s.Row(r->Value(0).AsInteger(), r->Value(1).AsString(), r->Value(2).AsDouble(), r->Value(3).AsDouble(),
              r->Value(4).AsInteger(), r->Value(5).AsString(), r->Value(6).AsBoolean(), r->Value(7).AsCurrency().Raw());
    }
    return s.V;
}

// ---- the Qt peer -------------------------------------------------------------------------------

class TwoKeyProxy : public QSortFilterProxyModel {
public:
    int MinQty = -1;
    void Refilter(int Min) {
        MinQty = Min;
        invalidateFilter();
    }

protected:
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override {
        const QAbstractItemModel* m = sourceModel();
        const int c = CollateCompare(m->data(m->index(a.row(), 1)).toString(), m->data(m->index(b.row(), 1)).toString(), false);
        if (c != 0) return c < 0;
        return m->data(m->index(a.row(), 2)).toDouble() < m->data(m->index(b.row(), 2)).toDouble();
    }
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        if (MinQty < 0) return true;
        return sourceModel()->data(sourceModel()->index(row, 4)).toInt() > MinQty;
    }
};

void LoadModel(QStandardItemModel& M, const Source& S) {
    M.clear();
    M.setColumnCount(8);
    M.setRowCount(S.Count());
    for (int i = 0; i < S.Count(); ++i) {
        M.setItem(i, 0, new QStandardItem(QString()));
        M.item(i, 0)->setData(S.Id[i], Qt::DisplayRole);
        auto put = [&](int col, const QVariant& v) {
            auto* it = new QStandardItem;
            it->setData(v, Qt::DisplayRole);
            M.setItem(i, col, it);
        };
        put(1, S.Name[i]);
        put(2, S.Date[i]);
        put(3, S.Amount[i]);
        put(4, S.Qty[i]);
        put(5, S.Code[i]);
        put(6, static_cast<bool>(S.Flag[i]));
        put(7, S.Price[i]);
    }
}

long long StoredChecksum(const QStandardItemModel& M) {
    ValueSum s;
    auto at = [&M](int Row, int Col) { return M.data(M.index(Row, Col)); };
    for (int i = 0; i < M.rowCount(); ++i)
        s.Row(at(i, 0).toInt(), at(i, 1).toString(), at(i, 2).toDouble(), at(i, 3).toDouble(), at(i, 4).toInt(),
              at(i, 5).toString(), at(i, 6).toBool(), at(i, 7).toLongLong());
    return s.V;
}

// ---- the limit ---------------------------------------------------------------------------------

struct Row {
    int Id;
    QString Name;
    double Date;
    double Amount;
    int Qty;
    QString Code;
    bool Flag;
    qint64 Price;
};

void Print(const char* What, double Ours, double Limit, double Peer, long long C1, long long C2, long long C3,
           const char* Unit = "ms") {
    std::printf("%-28s %10.2f %s %10.2f %s %10.2f %s   x%6.2f of limit  x%6.2f of peer   checksums %lld %lld %lld%s\n",
                What, Ours, Unit, Limit, Unit, Peer, Unit, Limit > 0 ? Ours / Limit : 0.0, Peer > 0 ? Ours / Peer : 0.0,
                C1, C2, C3, (C1 == C2 && C2 == C3) ? "" : "  MISMATCH");
}

// BENCH_PROFILE=append (2000 appends at [rows]) or load|loadvariants|copy|sort|filter|sortedfilter|index|lookup|randomlookup|keylookup|gotobookmark|editsorted|delete|loadsorted: only the project's side of one operation,
// repeated, for a profiler.
void ProfileOne(const char* What, int N) {
    const Source S = Generate(N);
    auto T = MakeTable();
    T->Close();
    LoadTable(T.get(), S);
    T->Open();
    const std::string w = What;
    if (w == "sortedfilter") T->SetSortOrder(u"Name; D"_S);
    T->SetFilter(u"Qty > 10"_S);
    TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
    ix->SetFields(u"Id"_S);
    if (w == "lookup" || w == "randomlookup" || w == "keylookup") ix->SetActive(true);
    std::mt19937 gen(99);
    auto pick = [&] { return 1 + static_cast<int>(gen() % static_cast<unsigned>(N)); };
    std::vector<TBookmark> bms;
    if (w == "gotobookmark") {
        for (int k = 0; k < 100000; ++k) {
            T->SetRecNo(pick());
            bms.push_back(T->GetBookmark());
        }
        T->SetSortOrder(u"Name; D"_S);
    }
    if (w == "editsorted") T->SetSortOrder(u"Name; D"_S);
    // BENCH_ROUNDS=<n> repeats the operation n times (20 by default).
    const char* roundsText = std::getenv("BENCH_ROUNDS");
    const int rounds = roundsText && std::atoi(roundsText) > 0 ? std::atoi(roundsText) : 20;
    const auto a = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        if (w == "sort") {
            T->SetSortOrder(u"Name; D"_S);
            T->SetSortOrder(String());
        } else if (w == "filter" || w == "sortedfilter") {
            T->SetFiltered(true);
            T->SetFiltered(false);
        } else if (w == "index") {
            ix->SetActive(true);
            ix->SetActive(false);
        } else if (w == "delete") {
            // Twenty rounds delete half of the table.
            for (int k = 0; k < std::max(1, N / 40) && T->RecordCount() > 0; ++k) {
                T->SetRecNo(1 + (k * 7919) % T->RecordCount());
                T->Delete();
            }
        } else if (w == "lookup") {
            for (int k = 1; k <= N; k += 7) T->Locate(u"Id"_S, Variant(k), {});
        } else if (w == "randomlookup") {
            for (int k = 0; k < 20000; ++k) T->Locate(u"Id"_S, Variant(pick()), {});
        } else if (w == "keylookup") {
            // As the side-by-side table: 2000 keys, each found and one field read.
            std::mt19937 g(7);
            long long sum = 0;
            for (int r = 0; r < 10; ++r)
                for (int k = 0; k < 2000; ++k)
                    if (T->Locate(u"Id"_S, Variant(1 + static_cast<int>(g() % static_cast<unsigned>(N))), {}))
                        sum += T->FieldByName(u"Qty"_S)->AsInteger();
            if (sum == 42) std::printf("-\n");
        } else if (w == "gotobookmark") {
            for (const TBookmark& b : bms) T->GotoBookmark(b);
        } else if (w == "editsorted") {
            for (int k = 0; k < 20000; ++k) {
                T->SetRecNo(pick());
                T->Edit();
                T->FieldByName(u"Amount"_S)->SetAsFloat(k);
                T->Post();
            }
        } else if (w == "load" || w == "loadvariants") {
            auto U = MakeTable();
            U->Close();
            LoadTable(U.get(), S, 0, -1, true, w == "loadvariants");
        } else if (w == "copy") {
            // A copy of the whole table through its fields (what a load from another dataset does).
            auto U = NewOwned<TMemTableVz>(nullptr);
            U->LoadFromDataSet(T.get(), 0, lmCopy, false);
        } else if (w == "loadsorted") {
            // Records arriving one by one into a sorted view.
            auto U = MakeTable();
            U->SetSortOrder(u"Name; D"_S);
            U->BeginViewUpdate();
            LoadTable(U.get(), S, 0, N, false);
            U->EndViewUpdate(true);
        }
    }
    std::printf("%s: %.2f ms per round\n", What, Ms(a, Clock::now()) / rounds);
}

void SideBySide(int N) {
    std::printf("== %d rows x 8 columns: in-memory dataset | std::vector limit | Qt peer (medians)\n", N);
    const Source S = Generate(N);

    // Load: the median of five, as the first load of a process faults its pages in and a later one
    // can find the freed heap cut up by the previous table's pieces (on a virtual machine a
    // page fault costs some 15 us: a few hundred of them double a load's time).
    constexpr int LoadRuns = 5;
    long rss0 = RssKb();
    TOwned<TMemTableVz> T;
    const double tLoad = Median(LoadRuns, [&] { LoadTable(T.get(), S); }, [&] {
        T.reset();
        T = MakeTable();
        T->Close();
        rss0 = RssKb();
    });
    T->Open();
    const long memOurs = RssKb() - rss0;
    // The same load through a Variant per value (the checksum: the stored values agree).
    TOwned<TMemTableVz> V;
    const double tLoadV = Median(LoadRuns, [&] { LoadTable(V.get(), S, 0, -1, true, true); }, [&] {
        V.reset();
        V = MakeTable();
        V->Close();
    });
    V->Open();
    const long long sumV = StoredChecksum(V.get()), sumT = StoredChecksum(T.get());
    V.reset();

    std::vector<Row> rows;
    long rss1 = 0;
    const double lLoad = Median(LoadRuns, [&] {
        rows.reserve(static_cast<size_t>(N));
        for (int i = 0; i < N; ++i)
            rows.push_back({S.Id[i], S.Name[i], S.Date[i], S.Amount[i], S.Qty[i], S.Code[i], static_cast<bool>(S.Flag[i]), S.Price[i]});
    }, [&] {
        std::vector<Row>().swap(rows);
        rss1 = RssKb();
    });
    const long memLimit = RssKb() - rss1;

    QStandardItemModel model;
    long rss2 = 0;
    const double pLoad = Median(LoadRuns, [&] { LoadModel(model, S); }, [&] {
        model.clear();
        rss2 = RssKb();
    });
    const long memPeer = RssKb() - rss2;
    ValueSum sumRows;
    for (const Row& r : rows) sumRows.Row(r.Id, r.Name, r.Date, r.Amount, r.Qty, r.Code, r.Flag, r.Price);
    const long long sumModel = StoredChecksum(model);
    Print("load", tLoad, lLoad, pLoad, sumT, sumRows.V, sumModel);
    Print("load (Variant values)", tLoadV, lLoad, pLoad, sumV, sumRows.V, sumModel);
    std::printf("%-28s %10ld KB %10ld KB %10ld KB   x%6.2f of limit\n", "memory after load", memOurs, memLimit, memPeer,
                memLimit > 0 ? double(memOurs) / memLimit : 0.0);

    // Two-key sort (text by the word sort, then date).
    long long cOurs = 0, cLimit = 0, cPeer = 0;
    const double tSort = Median(5, [&] { T->SetSortOrder(u"Name; D"_S); }, [&] { T->SetSortOrder(String()); });
    cOurs = ViewChecksum(T.get());
    std::vector<int> order;
    const double lSort = Median(5, [&] {
        order.resize(rows.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = CollateCompare(rows[static_cast<size_t>(a)].Name, rows[static_cast<size_t>(b)].Name, false);
            if (c != 0) return c < 0;
            return rows[static_cast<size_t>(a)].Date < rows[static_cast<size_t>(b)].Date;
        });
    });
    cLimit = OrderChecksum([&](int i) { return rows[static_cast<size_t>(order[static_cast<size_t>(i)])].Id; }, N);
    TwoKeyProxy proxy;
    proxy.setSourceModel(&model);
    proxy.setDynamicSortFilter(false);
    const double pSort = Median(5, [&] { proxy.sort(0); }, [&] { proxy.sort(-1); });
    cPeer = OrderChecksum([&](int i) { return proxy.data(proxy.index(i, 0)).toInt(); }, proxy.rowCount());
    Print("two-key sort", tSort, lSort, pSort, cOurs, cLimit, cPeer);

    // Filter on the sorted view, then unsorted.
    for (bool sorted : {true, false}) {
        if (!sorted) {
            T->SetSortOrder(String());
            proxy.sort(-1);
        }
        T->SetFilter(u"Qty > 10"_S);
        const double tF = Median(5, [&] { T->SetFiltered(true); }, [&] { T->SetFiltered(false); });
        TRecordsViewVz* view = T->RecordsView();
        cOurs = RowsChecksum([view](int i) { return view->GetRec(i)->Value(0).AsInteger(); }, view->Count());
        T->SetFiltered(false);
        std::vector<int> picked;
        const double lF = Median(5, [&] {
            picked.clear();
            if (sorted) {
                for (int i : order)
                    if (rows[static_cast<size_t>(i)].Qty > 10) picked.push_back(i);
            } else {
                for (size_t i = 0; i < rows.size(); ++i)
                    if (rows[i].Qty > 10) picked.push_back(static_cast<int>(i));
            }
        });
        cLimit = RowsChecksum([&](int i) { return rows[static_cast<size_t>(picked[static_cast<size_t>(i)])].Id; },
                              static_cast<int>(picked.size()));
        const double pF = Median(5, [&] { proxy.Refilter(10); }, [&] { proxy.Refilter(-1); });
        cPeer = RowsChecksum([&](int i) { return proxy.data(proxy.index(i, 0)).toInt(); }, proxy.rowCount());
        proxy.Refilter(-1);
        Print(sorted ? "filter on a sorted view" : "filter unsorted", tF, lF, pF, cOurs, cLimit, cPeer);
    }

    // Index build and key lookups.
    TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
    ix->SetFields(u"Id"_S);
    const double tIx = Median(5, [&] { ix->SetActive(true); }, [&] { ix->SetActive(false); });
    std::vector<std::pair<int, int>> lix;
    const double lIx = Median(5, [&] {
        lix.clear();
        lix.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) lix.emplace_back(rows[i].Id, static_cast<int>(i));
        std::sort(lix.begin(), lix.end());
    });
    // The peer: Qt's own hash from the model's keys to their rows.
    QHash<int, int> pix;
    const double pIx = Median(5, [&] {
        pix = QHash<int, int>();
        pix.reserve(model.rowCount());
        for (int i = 0; i < model.rowCount(); ++i) pix.insert(model.data(model.index(i, 0)).toInt(), i);
    });
    // Each key times its row plus one, over every entry: equal only for the same keys to the same rows.
    long long ixOurs = 0, ixLimit = 0, ixPeer = 0;
    for (int i = 0; i < ix->Count(); ++i)
        ixOurs += static_cast<long long>(ix->Items(i)->Value.AsInteger()) * (ix->Items(i)->RecIndex + 1);
    for (const auto& [k, r] : lix) ixLimit += static_cast<long long>(k) * (r + 1);
    for (auto it = pix.cbegin(); it != pix.cend(); ++it) ixPeer += static_cast<long long>(it.key()) * (it.value() + 1);
    Print("index build", tIx, lIx, pIx, ixOurs, ixLimit, ixPeer);

    std::mt19937 gen(7);
    std::vector<int> keys(2000);
    for (int& k : keys) k = 1 + static_cast<int>(gen() % static_cast<unsigned>(N));
    long long sOurs = 0, sLimit = 0, sPeer = 0;
    // Each round is about a millisecond: many rounds keep the median steady on a shared machine.
    const double tLk = Median(21, [&] {
        sOurs = 0;
        for (int k : keys)
            if (T->Locate(u"Id"_S, Variant(k), {})) sOurs += T->FieldByName(u"Qty"_S)->AsInteger();
    }) * 1000.0 / keys.size();
    const double lLk = Median(21, [&] {
        sLimit = 0;
        for (int k : keys) {
            auto it = std::lower_bound(lix.begin(), lix.end(), std::make_pair(k, -1));
            if (it != lix.end() && it->first == k) sLimit += rows[static_cast<size_t>(it->second)].Qty;
        }
    }) * 1000.0 / keys.size();
    const double pLk = Median(21, [&] {
        sPeer = 0;
        for (int k : keys) {
            const auto hit = pix.constFind(k);
            if (hit != pix.cend()) sPeer += model.data(model.index(hit.value(), 4)).toInt();
        }
    }) * 1000.0 / keys.size();
    Print("key lookup (Locate)", tLk, lLk, pLk, sOurs, sLimit, sPeer, "us");
}

// Per-operation times as the table grows, each next to its limit: a std::vector of rows doing the
// same random touches per operation (pick the row, read it, write a value; a delete is a
// swap-and-pop, a bookmark is the row's number mapped to its place in the sorted order through an
// array, a key lookup a binary search over (key, row) pairs). The growth from the smallest to the
// largest table is printed for both: what the limit shows is the memory hierarchy's part.
// Checksums are taken after the timed loops (the same work replayed or the stored values summed),
// so the timed loops are the operations alone.
void Growth(const std::vector<int>& Sizes) {
    enum { kEdit, kEditSorted, kDelete, kGoto, kLocate, kLoadSorted, kOps };
    static const char* names[kOps] = {"edit", "edit sorted", "delete", "GotoBookmark", "Locate(idx)", "load sorted/row"};
    std::printf("== per operation as the table grows (microseconds; limit = std::vector of rows, same touches)\n");
    std::printf("%-10s %-6s", "rows", "");
    for (const char* n : names) std::printf(" %15s", n);
    std::printf("\n");
    std::vector<std::array<double, kOps>> ours, limit;
    bool allMatch = true;
    for (int n : Sizes) {
        const Source S = Generate(n);
        auto T = MakeTable();
        T->Close();
        LoadTable(T.get(), S);
        T->Open();
        std::vector<Row> rows;
        rows.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            rows.push_back({S.Id[i], S.Name[i], S.Date[i], S.Amount[i], S.Qty[i], S.Code[i], static_cast<bool>(S.Flag[i]), S.Price[i]});
        std::array<double, kOps> o{}, l{};
        std::array<long long, kOps> co{}, cl{};
        const int reps = 2000;
        auto picker = [](int Seed) { return std::mt19937(static_cast<unsigned>(Seed)); };
        auto pickIn = [](std::mt19937& G, int Count) { return 1 + static_cast<int>(G() % static_cast<unsigned>(Count)); };
        // Sum of the stored Amounts (the edits' checksum), ours and the limit's.
        auto amountsOurs = [&] {
            double sum = 0;
            TRecordsListVz* list = T->MemTableData()->RecordsList();
            for (int i = 0; i < list->Count(); ++i) sum += list->Rec(i)->Value(3).AsDouble();
            return static_cast<long long>(sum * 100);
        };
        auto amountsLimit = [&] {
            double sum = 0;
            for (const Row& r : rows) sum += r.Amount;
            return static_cast<long long>(sum * 100);
        };
        auto editMany = [&](int Seed) {
            auto g = picker(Seed);
            const auto a = Clock::now();
            for (int i = 0; i < reps; ++i) {
                T->SetRecNo(pickIn(g, T->RecordCount()));
                T->Edit();
                T->FieldByName(u"Amount"_S)->SetAsFloat(i);
                T->Post();
            }
            return Ms(a, Clock::now()) * 1000.0 / reps;
        };
        // The limit's view order: its rows by position (storage order, then the sorted view's).
        std::vector<int> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
        auto editLimit = [&](int Seed) {
            auto g = picker(Seed);
            const auto a = Clock::now();
            for (int i = 0; i < reps; ++i) {
                Row& r = rows[static_cast<size_t>(order[static_cast<size_t>(pickIn(g, n) - 1)])];
                if (r.Id > 0) r.Amount = i;
            }
            return Ms(a, Clock::now()) * 1000.0 / reps;
        };
        o[kEdit] = editMany(1);
        l[kEdit] = editLimit(1);
        co[kEdit] = amountsOurs();
        cl[kEdit] = amountsLimit();
        T->SetSortOrder(u"Name; D"_S);
        // The sorted order, ties by storage position, as the view has it (taken from the view: the
        // sort itself is measured elsewhere).
        for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = T->RecordsView()->GetRec(i)->Value(0).AsInteger() - 1;
        o[kEditSorted] = editMany(2);
        l[kEditSorted] = editLimit(2);
        co[kEditSorted] = amountsOurs();
        cl[kEditSorted] = amountsLimit();
        T->SetSortOrder(String());
        // Bookmarks taken in storage order, then followed in the sorted view.
        std::vector<TBookmark> bms;
        std::vector<int> bmRows;
        auto gb = picker(3);
        for (int i = 0; i < reps; ++i) {
            const int r = pickIn(gb, n);
            T->SetRecNo(r);
            bms.push_back(T->GetBookmark());
            bmRows.push_back(r - 1);
        }
        T->SetSortOrder(u"Name; D"_S);  // the hints go stale: the bookmarks must find their rows again
        auto a = Clock::now();
        for (const TBookmark& b : bms) T->GotoBookmark(b);
        o[kGoto] = Ms(a, Clock::now()) * 1000.0 / bms.size();
        TField* fId = T->FieldByName(u"Id"_S);
        for (const TBookmark& b : bms) {
            T->GotoBookmark(b);
            co[kGoto] += static_cast<long long>(T->RecNo()) * fId->AsInteger();
        }
        std::vector<int> placeOf(static_cast<size_t>(n));  // a row's place in the sorted order
        for (int i = 0; i < n; ++i) placeOf[static_cast<size_t>(order[static_cast<size_t>(i)])] = i;
        long long sum = 0;
        a = Clock::now();
        for (int r : bmRows) {
            const int place = placeOf[static_cast<size_t>(r)];
            sum += static_cast<long long>(place + 1) * rows[static_cast<size_t>(order[static_cast<size_t>(place)])].Id;
        }
        l[kGoto] = Ms(a, Clock::now()) * 1000.0 / bmRows.size();
        cl[kGoto] = sum;
        T->SetSortOrder(String());

        TMTIndexVz* ix = T->MemTableData()->RecordsList()->Indexes()->Add();
        ix->SetFields(u"Id"_S);
        ix->SetActive(true);
        auto gl = picker(4);
        a = Clock::now();
        for (int i = 0; i < reps; ++i) T->Locate(u"Id"_S, Variant(pickIn(gl, n)), {});
        o[kLocate] = Ms(a, Clock::now()) * 1000.0 / reps;
        TField* fQty = T->FieldByName(u"Qty"_S);
        gl = picker(4);
        for (int i = 0; i < reps; ++i)
            if (T->Locate(u"Id"_S, Variant(pickIn(gl, n)), {})) co[kLocate] += fQty->AsInteger();
        ix->SetActive(false);
        std::vector<std::pair<int, int>> keyed(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) keyed[static_cast<size_t>(i)] = {rows[static_cast<size_t>(i)].Id, i};
        std::sort(keyed.begin(), keyed.end());
        gl = picker(4);
        sum = 0;
        a = Clock::now();
        for (int i = 0; i < reps; ++i) {
            const int k = pickIn(gl, n);
            auto it = std::lower_bound(keyed.begin(), keyed.end(), std::make_pair(k, -1));
            if (it != keyed.end() && it->first == k) sum += rows[static_cast<size_t>(it->second)].Qty;
        }
        l[kLocate] = Ms(a, Clock::now()) * 1000.0 / reps;
        cl[kLocate] = sum;

        auto gd = picker(5);
        a = Clock::now();
        for (int i = 0; i < reps; ++i) {
            T->SetRecNo(pickIn(gd, T->RecordCount()));
            T->Delete();
        }
        o[kDelete] = Ms(a, Clock::now()) * 1000.0 / reps;
        co[kDelete] = T->RecordCount();
        gd = picker(5);
        a = Clock::now();
        for (int i = 0; i < reps; ++i) {
            const size_t at = static_cast<size_t>(pickIn(gd, static_cast<int>(rows.size())) - 1);
            if (at + 1 != rows.size()) rows[at] = std::move(rows.back());
            rows.pop_back();
        }
        l[kDelete] = Ms(a, Clock::now()) * 1000.0 / reps;
        cl[kDelete] = static_cast<long long>(rows.size());

        // Records arriving one by one into a sorted view (a driver reading on demand), against
        // rows appended and sorted once.
        auto U = MakeTable();
        U->SetSortOrder(u"Name; D"_S);
        const int m = std::min(n, 100000);
        a = Clock::now();
        U->BeginViewUpdate();
        LoadTable(U.get(), S, 0, m, false);
        U->EndViewUpdate(true);
        o[kLoadSorted] = Ms(a, Clock::now()) * 1000.0 / m;
        co[kLoadSorted] = ViewChecksum(U.get());
        std::vector<Row> fresh;
        std::vector<int> sorted;
        a = Clock::now();
        fresh.reserve(static_cast<size_t>(m));
        for (int i = 0; i < m; ++i)
            fresh.push_back({S.Id[i], S.Name[i], S.Date[i], S.Amount[i], S.Qty[i], S.Code[i], static_cast<bool>(S.Flag[i]), S.Price[i]});
        sorted.resize(static_cast<size_t>(m));
        for (int i = 0; i < m; ++i) sorted[static_cast<size_t>(i)] = i;
        std::stable_sort(sorted.begin(), sorted.end(), [&](int x, int y) {
            const Row& rx = fresh[static_cast<size_t>(x)];
            const Row& ry = fresh[static_cast<size_t>(y)];
            const int c = CollateCompare(rx.Name, ry.Name, false);
            if (c != 0) return c < 0;
            return rx.Date < ry.Date;
        });
        l[kLoadSorted] = Ms(a, Clock::now()) * 1000.0 / m;
        cl[kLoadSorted] = OrderChecksum([&](int i) { return fresh[static_cast<size_t>(sorted[static_cast<size_t>(i)])].Id; }, m);

        std::printf("%-10d %-6s", n, "ours");
        for (double v : o) std::printf(" %15.2f", v);
        std::printf("\n%-10s %-6s", "", "limit");
        for (double v : l) std::printf(" %15.2f", v);
        std::printf("\n%-10s %-6s", "", "x");
        for (int k = 0; k < kOps; ++k) std::printf(" %15.2f", l[k] > 0 ? o[k] / l[k] : 0.0);
        std::printf("\n");
        for (int k = 0; k < kOps; ++k)
            if (co[k] != cl[k]) {
                std::printf("  checksum MISMATCH in %s: %lld %lld\n", names[k], co[k], cl[k]);
                allMatch = false;
            }
        ours.push_back(o);
        limit.push_back(l);
    }
    if (Sizes.size() > 1) {
        std::printf("%-10s %-6s", (std::to_string(Sizes.back() / 1000) + "k/" + std::to_string(Sizes.front() / 1000) + "k").c_str(), "ours");
        for (int k = 0; k < kOps; ++k) std::printf(" %15.2f", ours.front()[k] > 0 ? ours.back()[k] / ours.front()[k] : 0.0);
        std::printf("\n%-10s %-6s", "growth", "limit");
        for (int k = 0; k < kOps; ++k) std::printf(" %15.2f", limit.front()[k] > 0 ? limit.back()[k] / limit.front()[k] : 0.0);
        std::printf("\n");
    }
    std::printf("checksums %s\n", allMatch ? "agree" : "MISMATCH");
}

// Appends through the dataset (Append, the values, Post) into an open table of Start rows; the
// figure is the time per row. Kept out of line so that a profiler can count this part alone
// (valgrind --tool=callgrind --toggle-collect='*AppendRows*').
[[gnu::noinline]] void AppendRows(TMemTableVz* T, const Source& S, int From, int Count) {
    for (int i = From; i < From + Count; ++i)
        T->AppendRecord({Variant(S.Id[i]), Variant(S.Name[i]), VarFromDateTime(S.Date[i]), Variant(S.Amount[i]),
                         Variant(S.Qty[i]), Variant(S.Code[i]), Variant(static_cast<bool>(S.Flag[i])),
                         Variant(Currency::FromRaw(S.Price[i]))});
}

// AppendRecord per row at each size, beside a std::vector's push_back of the same rows; the
// checksum is the sum of the appended Ids read back from the view's last rows.
void AppendGrowth(const std::vector<int>& Sizes) {
    constexpr int kAppends = 2000;
    std::printf("== AppendRecord per row into a table of N rows (microseconds; limit = std::vector push_back)\n");
    std::vector<double> per;
    for (int n : Sizes) {
        const Source S = Generate(n + kAppends);
        auto T = MakeTable();
        T->Close();
        LoadTable(T.get(), S, 0, n);
        T->Open();
        T->Last();
        const auto a = Clock::now();
        AppendRows(T.get(), S, n, kAppends);
        const double ours = Ms(a, Clock::now()) * 1000.0 / kAppends;
        long long cOurs = 0, cLimit = 0;
        for (int i = n; i < n + kAppends; ++i) cOurs += T->RecordsView()->GetRec(i)->Value(0).AsInteger();
        std::vector<Row> rows;
        rows.reserve(static_cast<size_t>(n + kAppends));
        for (int i = 0; i < n; ++i)
            rows.push_back({S.Id[i], S.Name[i], S.Date[i], S.Amount[i], S.Qty[i], S.Code[i], static_cast<bool>(S.Flag[i]), S.Price[i]});
        const auto b = Clock::now();
        for (int i = n; i < n + kAppends; ++i)
            rows.push_back({S.Id[i], S.Name[i], S.Date[i], S.Amount[i], S.Qty[i], S.Code[i], static_cast<bool>(S.Flag[i]), S.Price[i]});
        const double limit = Ms(b, Clock::now()) * 1000.0 / kAppends;
        for (size_t i = static_cast<size_t>(n); i < rows.size(); ++i) cLimit += rows[i].Id;
        std::printf("%-10d %10.2f us/row %10.3f us/row   x%8.1f of limit   checksums %lld %lld%s\n", n, ours, limit,
                    limit > 0 ? ours / limit : 0.0, cOurs, cLimit, cOurs == cLimit ? "" : "  MISMATCH");
        per.push_back(ours);
    }
    if (per.size() > 1)
        std::printf("growth %dk/%dk: x%.2f (flat is x1)\n", Sizes.back() / 1000, Sizes.front() / 1000,
                    per.front() > 0 ? per.back() / per.front() : 0.0);
}

// A tree of N records (Groups top nodes, the rest their children), every node collapsed: one
// node's expand and collapse against a rebuild of the whole tree. The checksum is the row count
// after the expand, which a rebuild with that node expanded must give too.
void TreeExpand(int N) {
    constexpr int kGroups = 1000;
    auto T = NewOwned<TMemTableVz>(nullptr);
    T->FieldDefs()->Add(u"Id"_S, ftInteger);
    T->FieldDefs()->Add(u"Parent"_S, ftInteger);
    T->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
    T->CreateDataSet();
    T->Close();
    TRecordsListVz* list = T->MemTableData()->RecordsList();
    list->BeginUpdate();
    for (int i = 1; i <= N; ++i) {
        TMemoryRecordVz* r = list->NewRecord();
        r->SetIntegerValue(0, i);
        if (i <= kGroups) r->SetNullValue(1);
        else r->SetIntegerValue(1, 1 + (i - kGroups - 1) % kGroups);
        r->SetTextValue(2, u"node "_S + String::number(i));
        list->FetchRecord(r);
    }
    list->EndUpdate();
    T->Open();
    T->TreeList()->SetKeyFieldName(u"Id"_S);
    T->TreeList()->SetRefParentFieldName(u"Parent"_S);
    T->TreeList()->SetActive(true);
    const int row = kGroups / 2;
    const double tExpand = Median(5, [&] { T->SetRowTreeNodeExpanded(row, true); }, [&] { T->SetRowTreeNodeExpanded(row, false); });
    const long long cExpand = T->RecordCount();
    const double tCollapse = Median(5, [&] { T->SetRowTreeNodeExpanded(row, false); }, [&] { T->SetRowTreeNodeExpanded(row, true); });
    T->SetRowTreeNodeExpanded(row, true);
    const double tRebuild = Median(5, [&] { T->RecordsView()->RefreshFilteredRecsList(true); });
    const long long cRebuild = T->RecordCount();
    std::printf("== one tree node of %d records (%d top nodes, %d children each)\n", N, kGroups, (N - kGroups) / kGroups);
    std::printf("%-28s %10.3f ms %10.3f ms (collapse)   whole-tree rebuild %10.2f ms   x%8.1f faster   checksums %lld %lld%s\n",
                "expand", tExpand, tCollapse, tRebuild, tExpand > 0 ? tRebuild / tExpand : 0.0, cExpand, cRebuild,
                cExpand == cRebuild ? "" : "  MISMATCH");
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // Freed memory stays in the process: otherwise whether the allocator hands a freed table's
    // megabytes back to the system (and the next load faults them in again) turns on the order of
    // the last frees and on the sizes of the pieces, not on the work measured. The memory figures
    // count the bytes in use and do not change. BENCH_MALLOC_DEFAULT=1 keeps the allocator's own
    // behaviour.
    if (!std::getenv("BENCH_MALLOC_DEFAULT")) {
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int rows = 100000;
    bool growth = false, big = false, table = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--growth") == 0) growth = true;
        else if (std::strcmp(argv[i], "--growth-only") == 0) growth = true, table = false;
        else if (std::strcmp(argv[i], "--big") == 0) big = true;
        else rows = std::max(1000, std::atoi(argv[i]));
    }
    if (const char* p = std::getenv("BENCH_PROFILE")) {
        if (std::strcmp(p, "append") == 0) {
            // The appends alone at the given size: instructions per row through callgrind.
            const Source S = Generate(rows + 2000);
            auto T = MakeTable();
            T->Close();
            LoadTable(T.get(), S, 0, rows);
            T->Open();
            T->Last();
            AppendRows(T.get(), S, rows, 2000);
            return 0;
        }
        ProfileOne(p, rows);
        return 0;
    }
    if (table) SideBySide(rows);
    if (growth) {
        std::vector<int> sizes{10000, 100000};
        if (big) sizes.push_back(1000000);
        Growth(sizes);
        AppendGrowth({10000, 100000, 1000000});
        TreeExpand(300000);
    }
    return 0;
}
