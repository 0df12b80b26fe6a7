// How long the data grid takes to paint one screen of an in-memory table of a million records,
// beside the practical limit (plain QPainter drawing the data cells the grid painted, at the grid's
// places: fill, two lines, the value) and the peer (Qt's QTableView over a model of the same rows,
// its headers standing for the title row and the indicator column). Each contender reports how
// many data cells it painted and a checksum over the values it showed: the same figures mean the
// same work. The grid also reports how many records it read for the screen: it reads only the
// rows on screen, whatever the table's size.
//   scripts/build.sh release bench_dbgridpaint && build/release/bench/bench_dbgridpaint [rows] [paints]
#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>

#include <set>
#include <vector>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Cols = 8, Width = 800, Height = 600;

int Value(int Row, int Col) { return Row * 10 + Col; }

struct PaintedCell {
    QRect Rect;
    int Value;
};

// Counts the data cells the grid paints and the records it reads for them.
struct TPaintCount {
    long Cells = 0;
    long long Sum = 0;
    std::set<int> Rows;
    std::vector<PaintedCell>* Record = nullptr;
};

class TModel : public QAbstractTableModel {
public:
    explicit TModel(int Rows) : FRows(Rows) {}
    int rowCount(const QModelIndex& = QModelIndex()) const override { return FRows; }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return Cols; }
    QVariant data(const QModelIndex& I, int Role) const override {
        if (Role != Qt::DisplayRole) return QVariant();
        const int v = Value(I.row(), I.column());
        ++Cells;
        Sum += v;
        return QString::number(v);
    }
    QVariant headerData(int Section, Qt::Orientation O, int Role) const override {
        if (Role != Qt::DisplayRole) return QAbstractTableModel::headerData(Section, O, Role);
        return O == Qt::Horizontal ? QStringLiteral("C%1").arg(Section) : QString();
    }
    mutable long Cells = 0;
    mutable long long Sum = 0;

private:
    int FRows;
};

double Ms(QElapsedTimer& T) { return T.nsecsElapsed() / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int paints = argc > 2 ? std::atoi(argv[2]) : 30;
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, Width, Height);

    QElapsedTimer t;
    t.start();
    auto* table = New<TMemTableVz>(form);
    for (int c = 0; c < Cols; ++c) table->FieldDefs()->Add(QStringLiteral("C%1").arg(c), ftInteger);
    table->CreateDataSet();
    table->DisableControls();
    for (int r = 0; r < rows; ++r) {
        table->Append();
        for (int c = 0; c < Cols; ++c) table->Fields()->Fields(c)->SetAsInteger(Value(r, c));
        table->Post();
    }
    table->EnableControls();
    const double fill = Ms(t);
    auto* src = New<TDataSource>(form);
    src->SetDataSet(table);

    // The data grid, at the middle of the table.
    t.restart();
    auto* g = New<TDBGridVz>(form);
    g->SetParent(form);
    g->SetBounds(0, 0, Width, Height);
    g->SetDataSource(src);
    form->Show();
    table->SetRecNo(rows / 2);
    QCoreApplication::processEvents();
    const double bind = Ms(t);
    TPaintCount count;
    for (int c = 0; c < g->Columns()->Count(); ++c)
        g->Columns()->Items(c)->OnGetCellParams = [&count, c](TColumnVz* Col, bool, TColCellParamsVz*) {
            const int v = Col->Field()->AsInteger();
            ++count.Cells;
            count.Sum += v;
            count.Rows.insert(v / 10);
            (void)c;
        };
    g->OnDrawColumnCell = [&count](TObject*, const TRect& R, int, TColumnVz* Col, TGridDrawState) {
        if (count.Record) count.Record->push_back({QRect(R.Left, R.Top, R.Width(), R.Height()), Col->Field()->AsInteger()});
    };
    QImage img(Width, Height, QImage::Format_RGB32);
    g->Handle()->render(&img);  // warm-up
    count = TPaintCount{};
    t.restart();
    for (int i = 0; i < paints; ++i) g->Handle()->render(&img);
    const double gridPaint = Ms(t) / paints;
    const long gridCells = count.Cells / paints;
    const long long gridSum = count.Sum / paints;
    const std::size_t rowsRead = count.Rows.size();
    std::vector<PaintedCell> painted;
    count.Record = &painted;
    g->Handle()->render(&img);
    count.Record = nullptr;

    // The practical limit: the data cells the grid painted, at its places, straight through QPainter.
    long plainCells = 0;
    long long plainSum = 0;
    t.restart();
    for (int i = 0; i < paints; ++i) {
        QPainter p(&img);
        for (const PaintedCell& pc : painted) {
            const QRect& rc = pc.Rect;
            p.setPen(QColor(192, 192, 192));
            p.drawLine(rc.right(), rc.top(), rc.right(), rc.bottom());
            p.drawLine(rc.left(), rc.bottom(), rc.right(), rc.bottom());
            p.fillRect(rc.adjusted(0, 0, -1, -1), Qt::white);
            p.setPen(Qt::black);
            p.drawText(rc.adjusted(2, 2, -3, -1), Qt::AlignRight | Qt::AlignVCenter, QString::number(pc.Value));
            ++plainCells;
            plainSum += pc.Value;
        }
    }
    const double plainPaint = Ms(t) / paints;
    plainCells /= paints;
    plainSum /= paints;

    // The peer: QTableView over a model of the same rows, scrolled so the same rows show.
    TModel model(rows);
    QTableView view;
    view.setModel(&model);
    const int rh = g->StdDataRowHeight();
    view.verticalHeader()->setMinimumSectionSize(rh);
    view.verticalHeader()->setDefaultSectionSize(rh);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setDefaultSectionSize(g->ColWidths(1));
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setFixedHeight(g->RowHeights(0));
    view.verticalHeader()->setFixedWidth(g->ColWidths(0));
    view.setFrameShape(QFrame::NoFrame);
    view.resize(Width, Height);
    view.show();
    view.scrollTo(model.index(g->TopRow() - g->TopDataOffset(), 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    view.render(&img);
    model.Cells = 0;
    model.Sum = 0;
    t.restart();
    for (int i = 0; i < paints; ++i) view.render(&img);
    const double viewPaint = Ms(t) / paints;
    const long viewCells = model.Cells / paints;
    const long long viewSum = model.Sum / paints;

    std::printf("records %d, %d columns, %dx%d pixels, %d paints each; table filled in %.0f ms, grid bound in %.1f ms\n",
                rows, Cols, Width, Height, paints, fill, bind);
    std::printf("data grid:  one screen %.2f ms (%ld data cells, %zu records read, checksum %lld)\n", gridPaint,
                gridCells, rowsRead, gridSum);
    std::printf("QPainter:   one screen %.2f ms (%ld data cells, checksum %lld)  grid/limit %.2f\n", plainPaint,
                plainCells, plainSum, gridPaint / plainPaint);
    std::printf("QTableView: one screen %.2f ms (%ld data cells, checksum %lld)  grid/peer %.2f%s\n", viewPaint,
                viewCells, viewSum, gridPaint / viewPaint,
                gridSum == plainSum && plainSum == viewSum ? "" : "  MISMATCH (the views show different rows)");
    view.hide();
    DoneApplication();
    return 0;
}
