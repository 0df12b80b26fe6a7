// How long the base grid takes to lay out ten million rows, scroll to the last one and paint one
// screen, beside the practical limit (plain QPainter drawing the same cells: fill, two lines, a
// text) and the peer (Qt's QTableView over a model of as many rows) painting the same area.
// Each contender reports how many cells it painted: the same number means the same work.
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

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Cols = 8, ColWidth = 50, RowHeight = 20, Width = 800, Height = 600;

class TCountingGrid : public TCustomGridVz {
    SDELKA_CLASS(TCountingGrid, TCustomGridVz)
public:
    explicit TCountingGrid(TComponent* AOwner) : TCustomGridVz(AOwner) {}
    long Cells = 0;

protected:
    void PaintCell(int ACol, int ARow, TGridDrawState State, TRect ARect) override {
        ++Cells;
        TCustomGridVz::PaintCell(ACol, ARow, State, ARect);
    }
};

class TModel : public QAbstractTableModel {
public:
    explicit TModel(int Rows) : FRows(Rows) {}
    int rowCount(const QModelIndex& = QModelIndex()) const override { return FRows; }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return Cols; }
    QVariant data(const QModelIndex& I, int Role) const override {
        if (Role != Qt::DisplayRole) return QVariant();
        ++Cells;
        return QString::number(I.column()) + QLatin1Char(':') + QString::number(I.row());
    }
    mutable long Cells = 0;

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
    t.restart();
    for (int i = 0; i < paints; ++i) g->Handle()->render(&img);
    const double gridPaint = Ms(t) / paints;
    const long gridCells = g->Cells / paints;

    // The practical limit: the same cells straight through QPainter.
    const int visRows = (Height - 17 + RowHeight - 1) / RowHeight;
    long plainCells = 0;
    t.restart();
    for (int i = 0; i < paints; ++i) {
        QPainter p(&img);
        for (int r = 0; r < visRows; ++r)
            for (int c = 0; c <= Cols; ++c) {
                QRect rc(c * ColWidth, r * RowHeight, ColWidth, RowHeight);
                p.setPen(QColor(192, 192, 192));
                p.drawLine(rc.right(), rc.top(), rc.right(), rc.bottom());
                p.drawLine(rc.left(), rc.bottom(), rc.right(), rc.bottom());
                p.fillRect(rc.adjusted(0, 0, -1, -1), c == 0 || r == 0 ? QColor(192, 220, 192) : Qt::white);
                p.setPen(Qt::black);
                p.drawText(rc.adjusted(2, 2, -1, -1), Qt::AlignLeft | Qt::AlignTop,
                           QString::number(c) + QLatin1Char(':') + QString::number(rows - visRows + r));
                ++plainCells;
            }
    }
    const double plainPaint = Ms(t) / paints;
    plainCells /= paints;

    // The peer: QTableView over a model of as many rows.
    TModel model(rows);
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setDefaultSectionSize(RowHeight);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setDefaultSectionSize(ColWidth);
    view.resize(Width, Height);
    t.restart();
    view.show();
    view.scrollToBottom();
    QCoreApplication::processEvents();
    const double viewScroll = Ms(t);
    view.render(&img);
    model.Cells = 0;
    t.restart();
    for (int i = 0; i < paints; ++i) view.render(&img);
    const double viewPaint = Ms(t) / paints;
    const long viewCells = model.Cells / paints;

    std::printf("rows %d, %d columns, %dx%d pixels, %d paints each\n", rows, Cols + 1, Width, Height, paints);
    std::printf("base grid:  layout %.1f ms, scroll to the last row %.2f ms, one screen %.2f ms (%ld cells)\n", layout,
                scroll, gridPaint, gridCells);
    std::printf("QPainter:   one screen %.2f ms (%ld cells)  grid/limit %.2f\n", plainPaint, plainCells,
                gridPaint / plainPaint);
    std::printf("QTableView: show and scroll %.1f ms, one screen %.2f ms (%ld data cells, headers apart)  grid/peer %.2f\n", viewScroll,
                viewPaint, viewCells, gridPaint / viewPaint);
    view.hide();
    DoneApplication();
    return 0;
}
