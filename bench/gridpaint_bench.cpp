// How long the base grid takes to lay out ten million rows, scroll to the last one and paint one
// screen, beside the practical limit (plain QPainter drawing the cells the grid painted, at the
// grid's places: fill, two lines, the cell's "column:row" text) and the peer (Qt's QTableView over
// a model of as many rows, its headers standing for the fixed row and column, every cell and
// header showing the same "column:row" text in the same sizes). Each contender reports how many
// cells it painted and a checksum over the cells it painted (column and row of each data cell):
// the same figures mean the same cells.
//   scripts/build.sh release bench_gridpaint && build/release/bench/bench_gridpaint [rows] [paints]
#include "grid/base/gridsvz.h"
#include "platform/gui/forms.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>

#include <vector>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Cols = 8, ColWidth = 50, RowHeight = 20, Width = 800, Height = 600;

// A data cell (past the fixed row and column) in a checksum that does not depend on the order.
long long CellSum(int Col, int Row) { return Col >= 1 && Row >= 1 ? Col * 1000003LL + Row : 0; }

struct PaintedCell {
    int Col, Row;
    QRect Rect;
};

class TCountingGrid : public TCustomGridVz {
    SDELKA_CLASS(TCountingGrid, TCustomGridVz)
public:
    explicit TCountingGrid(TComponent* AOwner) : TCustomGridVz(AOwner) {}
    long Cells = 0;
    long long Sum = 0;
    std::vector<PaintedCell>* Record = nullptr;

protected:
    void PaintCell(int ACol, int ARow, TGridDrawState State, TRect ARect) override {
        ++Cells;
        Sum += CellSum(ACol, ARow);
        if (Record) Record->push_back({ACol, ARow, QRect(ARect.Left, ARect.Top, ARect.Width(), ARect.Height())});
        TCustomGridVz::PaintCell(ACol, ARow, State, ARect);
    }
};

// The peer's model: its cells are the grid's data cells (columns and rows from 1), its headers the
// grid's fixed column and row, with the grid's texts.
class TModel : public QAbstractTableModel {
public:
    explicit TModel(int Rows) : FRows(Rows) {}
    int rowCount(const QModelIndex& = QModelIndex()) const override { return FRows; }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return Cols; }
    QVariant data(const QModelIndex& I, int Role) const override {
        if (Role != Qt::DisplayRole) return QVariant();
        ++Cells;
        Sum += CellSum(I.column() + 1, I.row() + 1);
        return QString::number(I.column() + 1) + QLatin1Char(':') + QString::number(I.row() + 1);
    }
    QVariant headerData(int Section, Qt::Orientation O, int Role) const override {
        if (Role != Qt::DisplayRole) return QAbstractTableModel::headerData(Section, O, Role);
        return O == Qt::Horizontal ? QString::number(Section + 1) + QLatin1String(":0")
                                   : QLatin1String("0:") + QString::number(Section + 1);
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
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10'000'000;
    const int paints = argc > 2 ? std::atoi(argv[2]) : 50;
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, Width, Height);

    // The base grid.
    QElapsedTimer t;
    t.start();
    auto* g = New<TCountingGrid>(form);
    g->SetParent(form);
    g->SetBounds(0, 0, Width, Height);
    g->SetColCount(Cols + 1);
    g->SetRowCount(rows + 1);
    g->HorzAxis()->GridClientStart();  // lays it out: the row positions are built here
    const double layout = Ms(t);
    form->Show();
    t.restart();
    g->SetCol(Cols);
    g->SetRow(rows);  // the last row: scrolls to the end
    const double scroll = Ms(t);
    QImage img(Width, Height, QImage::Format_RGB32);
    g->Handle()->render(&img);  // warm-up
    g->Cells = 0;
    g->Sum = 0;
    t.restart();
    for (int i = 0; i < paints; ++i) g->Handle()->render(&img);
    const double gridPaint = Ms(t) / paints;
    const long gridCells = g->Cells / paints;
    const long long gridSum = g->Sum / paints;
    std::vector<PaintedCell> painted;  // the cells of one screen, for the limit
    g->Record = &painted;
    g->Handle()->render(&img);
    g->Record = nullptr;

    // The practical limit: the cells the grid painted, at its places, straight through QPainter.
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
            p.fillRect(rc.adjusted(0, 0, -1, -1), pc.Col == 0 || pc.Row == 0 ? QColor(192, 220, 192) : Qt::white);
            p.setPen(Qt::black);
            p.drawText(rc.adjusted(2, 2, -1, -1), Qt::AlignLeft | Qt::AlignTop,
                       QString::number(pc.Col) + QLatin1Char(':') + QString::number(pc.Row));
            ++plainCells;
            plainSum += CellSum(pc.Col, pc.Row);
        }
    }
    const double plainPaint = Ms(t) / paints;
    plainCells /= paints;
    plainSum /= paints;

    // The peer: QTableView over a model of as many rows.
    TModel model(rows);
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setMinimumSectionSize(RowHeight);  // the style's minimum is taller than the grid's rows
    view.verticalHeader()->setDefaultSectionSize(RowHeight);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setDefaultSectionSize(ColWidth);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setFixedHeight(RowHeight);
    view.verticalHeader()->setFixedWidth(ColWidth);
    view.setFrameShape(QFrame::NoFrame);
    view.resize(Width, Height);
    t.restart();
    view.show();
    view.scrollToBottom();
    QCoreApplication::processEvents();
    const double viewScroll = Ms(t);
    view.render(&img);
    model.Cells = 0;
    model.Sum = 0;
    t.restart();
    for (int i = 0; i < paints; ++i) view.render(&img);
    const double viewPaint = Ms(t) / paints;
    const long viewCells = model.Cells / paints;
    const long long viewSum = model.Sum / paints;

    std::printf("rows %d, %d columns, %dx%d pixels, %d paints each\n", rows, Cols + 1, Width, Height, paints);
    std::printf("base grid:  layout %.1f ms, scroll to the last row %.2f ms, one screen %.2f ms (%ld cells, data cells' checksum %lld)\n",
                layout, scroll, gridPaint, gridCells, gridSum);
    std::printf("QPainter:   one screen %.2f ms (%ld cells, data cells' checksum %lld)  grid/limit %.2f\n", plainPaint, plainCells,
                plainSum, gridPaint / plainPaint);
    std::printf("QTableView: show and scroll %.1f ms, one screen %.2f ms (%ld data cells, headers apart, checksum %lld)  grid/peer %.2f%s\n",
                viewScroll, viewPaint, viewCells, viewSum, gridPaint / viewPaint,
                gridSum == plainSum && plainSum == viewSum ? "" : "  MISMATCH");
    view.hide();
    DoneApplication();
    return 0;
}
