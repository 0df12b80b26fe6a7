// From a key press in the grid's filter row to the repainted grid: Enter pressed in the filter
// editor of a data grid over an in-memory table of 1 000 000 rows (the typed text parsed, the
// table filtered, the grid repainted), beside its practical limit (std::copy_if over plain vectors
// and the same screen of cells drawn with QPainter) and the Qt peer (Return in a QLineEdit that
// sets a QSortFilterProxyModel's filter, and its QTableView repainted). Each contender's checksum
// is the count of rows it keeps and the sum of the ids of the first screen's rows, so a time only
// counts when the checksums agree. Nothing here asserts a time.
//
//   bench_filterrowkey [rows]     (default 1000000; runs on the offscreen platform unless one is set)
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(int Runs, const std::function<void()>& Fn, const std::function<void()>& Prepare) {
    std::vector<double> t;
    for (int i = 0; i < Runs; ++i) {
        Prepare();
        const auto a = Clock::now();
        Fn();
        t.push_back(Ms(a, Clock::now()));
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void PressReturn(QWidget* W) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(W, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(W, &release);
}

struct Rows {
    std::vector<int> Id, Qty;
    std::vector<QString> Name;
};

// The peer's model: the same rows as plain vectors.
class TRowsModel : public QAbstractTableModel {
public:
    explicit TRowsModel(const Rows& R) : FRows(R) {}
    int rowCount(const QModelIndex& = QModelIndex()) const override { return int(FRows.Id.size()); }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return 3; }
    QVariant data(const QModelIndex& I, int Role) const override {
        if (Role != Qt::DisplayRole) return QVariant();
        const size_t r = size_t(I.row());
        switch (I.column()) {
            case 0: return FRows.Id[r];
            case 1: return FRows.Qty[r];
            default: return FRows.Name[r];
        }
    }

private:
    const Rows& FRows;
};

struct Sum {
    long long Count = 0, Ids = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application->Initialize(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    constexpr int ScreenRows = 20;
    Rows rows;
    for (int i = 1; i <= n; ++i) {
        rows.Id.push_back(i);
        rows.Qty.push_back(i % 17);
        rows.Name.push_back(QStringLiteral("Деталь %1").arg(i % 1000));
    }

    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetBounds(0, 0, 640, 480);
    auto* t = New<TMemTableVz>(form);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Qty"_S, ftInteger);
    t->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
    t->CreateDataSet();
    t->DisableControls();
    for (int i = 0; i < n; ++i) {
        const size_t k = size_t(i);
        t->AppendRecord({Variant(rows.Id[k]), Variant(rows.Qty[k]), Variant(rows.Name[k])});
    }
    t->First();
    t->EnableControls();
    auto* src = New<TDataSource>(form);
    src->SetDataSet(t);
    auto* grid = New<TDBGridVz>(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetDataSource(src);
    grid->STFilter()->SetVisible(true);
    form->Show();
    Application->ProcessMessages();
    grid->StartFilterEdit(1);
    TInplaceFilterEditVz* edit = grid->FilterEdit();
    TSTColumnFilterVz* filter = grid->Columns()->Items(1)->STFilter();

    std::printf("bench_filterrowkey: %d rows; Enter in a filter cell to the repainted grid, ms (median of 5)\n", n);
    std::printf("%-12s %12s %12s %12s   %-20s %-20s %-20s\n", "typed", "grid", "limit", "Qt peer", "checksum grid",
                "checksum limit", "checksum Qt peer");
    std::fflush(stdout);
    for (const char* typed : {"5", ">=15", "in (1,2)"}) {
        const String text = QString::fromUtf8(typed);
        const double tGrid = Median(
            5,
            [&] {
                PressReturn(edit->Handle());
                grid->Handle()->repaint();
            },
            [&] {
                filter->Clear();
                grid->ApplyFilter();
                grid->StartFilterEdit(1);
                edit->SetText(text);
            });
        Sum ours;
        ours.Count = t->RecordCount();
        t->DisableControls();
        t->First();
        for (int i = 0; i < ScreenRows && !t->Eof(); ++i, t->Next()) ours.Ids += t->FieldByName(u"Id"_S)->AsInteger();
        t->First();
        t->EnableControls();

        // The limit: the condition over plain vectors, and one screen of cells drawn.
        std::function<bool(int)> keep;
        if (text == u"5") keep = [](int q) { return q == 5; };
        else if (text == u">=15") keep = [](int q) { return q >= 15; };
        else keep = [](int q) { return q == 1 || q == 2; };
        std::vector<size_t> order(static_cast<size_t>(n)), kept;
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        QImage screen(640, 480, QImage::Format_RGB32);
        const double tLimit = Median(
            5,
            [&] {
                std::copy_if(order.begin(), order.end(), std::back_inserter(kept),
                             [&](size_t i) { return keep(rows.Qty[i]); });
                QPainter p(&screen);
                p.fillRect(screen.rect(), Qt::white);
                for (int r = 0; r < ScreenRows && r < int(kept.size()); ++r) {
                    const size_t k = kept[size_t(r)];
                    p.drawText(QRect(0, 40 + r * 18, 60, 18), QString::number(rows.Id[k]));
                    p.drawText(QRect(64, 40 + r * 18, 60, 18), QString::number(rows.Qty[k]));
                    p.drawText(QRect(128, 40 + r * 18, 200, 18), rows.Name[k]);
                }
            },
            [&] {
                kept.clear();
                kept.reserve(order.size());
            });
        Sum limit;
        limit.Count = (long long)kept.size();
        for (int r = 0; r < ScreenRows && r < int(kept.size()); ++r) limit.Ids += rows.Id[kept[size_t(r)]];

        // The Qt peer: Return in a line edit filters a proxy over the rows; its view repaints.
        TRowsModel model(rows);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&model);
        proxy.setFilterKeyColumn(1);
        QWidget peer;
        peer.resize(640, 480);
        QLineEdit line(&peer);
        line.setGeometry(0, 0, 640, 22);
        QTableView view(&peer);
        view.setGeometry(0, 22, 640, 458);
        view.verticalHeader()->setDefaultSectionSize(18);
        view.setModel(&proxy);
        QObject::connect(&line, &QLineEdit::returnPressed, [&] {
            const QString s = line.text();
            QString re;
            if (s == u"5") re = QStringLiteral("^5$");
            else if (s == u">=15") re = QStringLiteral("^(15|16)$");
            else re = QStringLiteral("^(1|2)$");
            proxy.setFilterRegularExpression(re);
        });
        peer.show();
        QApplication::processEvents();
        const double tPeer = Median(
            5,
            [&] {
                PressReturn(&line);
                view.viewport()->repaint();
            },
            [&] {
                proxy.setFilterRegularExpression(QString());
                line.setText(text);
            });
        Sum theirs;
        theirs.Count = proxy.rowCount();
        for (int r = 0; r < ScreenRows && r < proxy.rowCount(); ++r) theirs.Ids += proxy.index(r, 0).data().toInt();

        char a[48], b[48], c[48];
        std::snprintf(a, sizeof a, "%lld/%lld", ours.Count, ours.Ids);
        std::snprintf(b, sizeof b, "%lld/%lld", limit.Count, limit.Ids);
        std::snprintf(c, sizeof c, "%lld/%lld", theirs.Count, theirs.Ids);
        const bool same = ours.Count == limit.Count && ours.Ids == limit.Ids && theirs.Count == limit.Count &&
                          theirs.Ids == limit.Ids;
        std::printf("%-12s %12.1f %12.1f %12.1f   %-20s %-20s %-20s%s\n", typed, tGrid, tLimit, tPeer, a, b, c,
                    same ? "" : "  CHECKSUMS DIFFER");
        std::fflush(stdout);
    }
    form->Free();
    DoneApplication();
    return 0;
}
