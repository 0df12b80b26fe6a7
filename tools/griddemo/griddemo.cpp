// A base grid on a form, to look at and drive under a real X server:
//   griddemo [--cols N] [--rows N] [--fixed-cols N] [--frozen-cols N] [--contra-cols N]
//            [--contra-rows N] [--width W] [--height H] [--range-select] [--tabs] [--smooth]
// Cells show "col:row" until edited; each edit, current-cell move and column or row move is
// printed on standard output, one line each, so a script that drives the window can check it:
//   cell C R            the current cell
//   edit C R TEXT       a cell received TEXT from the editor
//   widths W0 W1 ...    the column widths after a column was sized
//   moved col FROM TO   a column was moved
// With --shot FILE, F12 saves a screenshot of the whole screen to FILE (PNG).
#include "grid/base/gridsvz.h"
#include "platform/gui/forms.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

class TDemoGrid : public TCustomGridVz {
    SDELKA_CLASS(TDemoGrid, TCustomGridVz)
public:
    explicit TDemoGrid(TComponent* AOwner) : TCustomGridVz(AOwner) {}

protected:
    // Columns keep their identity through moves: texts are kept by the column's original number.
    String GetCellEditText(int ACol, int ARow) override { return CellText(ACol, ARow); }
    void SetCellEditText(int ACol, int ARow, const String& Value) override {
        if (CellText(ACol, ARow) == Value) return;
        FTexts[{Ident(ACol), ARow}] = Value;
        std::printf("edit %d %d %s\n", ACol, ARow, Value.toUtf8().constData());
        std::fflush(stdout);
    }
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override {
        TCanvas* c = Canvas();
        const bool fixed = ACol < FixedColCount() - FrozenColCount() || ARow < FixedRowCount() - FrozenRowCount();
        c->Font()->SetColor(clWindowText);
        c->Brush()->SetColor(fixed ? clBtnFace : clWindow);
        if (State.Contains(gdSelected)) {
            c->Font()->SetColor(clHighlightText);
            c->Brush()->SetColor(IsActiveControl() ? clHighlight : clBtnShadow);
        }
        c->FillRect(ARect);
        c->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, CellText(ACol, ARow));
    }
    void CurrentCellMoved(const TGridCoord&) override {
        std::printf("cell %d %d\n", Col(), Row());
        std::fflush(stdout);
    }
    void ApplyColSizing(int Index, int Len) override {
        TCustomGridVz::ApplyColSizing(Index, Len);
        std::printf("widths");
        for (int i = 0; i < FullColCount(); ++i) std::printf(" %d", ColWidths(i));
        std::printf("\n");
        std::fflush(stdout);
    }
    void NotifyColumnMoved(int FromIndex, int ToIndex) override {
        TCustomGridVz::NotifyColumnMoved(FromIndex, ToIndex);
        int id = FIdent.count(FromIndex) ? FIdent[FromIndex] : FromIndex;
        std::map<int, int> next;
        for (int i = 0; i < ColCount(); ++i) {
            int src = i;  // where column i was before the move
            if (i == ToIndex) src = FromIndex;
            else if (FromIndex < ToIndex && i >= FromIndex && i < ToIndex) src = i + 1;
            else if (ToIndex < FromIndex && i > ToIndex && i <= FromIndex) src = i - 1;
            next[i] = Ident(src);
        }
        FIdent = next;
        std::printf("moved col %d %d (column %d)\n", FromIndex, ToIndex, id);
        std::fflush(stdout);
    }

private:
    int Ident(int ACol) { return FIdent.count(ACol) ? FIdent[ACol] : ACol; }
    String CellText(int ACol, int ARow) {
        auto it = FTexts.find({Ident(ACol), ARow});
        if (it != FTexts.end()) return it->second;
        return QString::number(Ident(ACol)) + QLatin1Char(':') + QString::number(ARow);
    }
    std::map<std::pair<int, int>, String> FTexts;
    std::map<int, int> FIdent;
};

int Arg(int argc, char** argv, const char* Name, int Default) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], Name) == 0) return std::atoi(argv[i + 1]);
    return Default;
}

bool Flag(int argc, char** argv, const char* Name) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], Name) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption(QStringLiteral("Grid"));
    form->SetBounds(0, 0, Arg(argc, argv, "--width", 640), Arg(argc, argv, "--height", 400));
    auto* grid = New<TDemoGrid>(form);
    grid->SetName(QStringLiteral("Grid"));
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetFixedColCount(Arg(argc, argv, "--fixed-cols", 1));
    grid->SetFrozenColCount(Arg(argc, argv, "--frozen-cols", 0));
    grid->SetColCount(grid->FixedColCount() + Arg(argc, argv, "--cols", 12));
    grid->SetRowCount(grid->FixedRowCount() + Arg(argc, argv, "--rows", 100));
    grid->SetContraColCount(Arg(argc, argv, "--contra-cols", 0));
    grid->SetContraRowCount(Arg(argc, argv, "--contra-rows", 0));
    TGridOptionsVz o = grid->Options();
    if (Flag(argc, argv, "--range-select")) o += goRangeSelectVz;
    if (Flag(argc, argv, "--tabs")) o += goTabsVz;
    grid->SetOptions(o);
    grid->VertScrollBar()->SetSmoothStep(Flag(argc, argv, "--smooth"));
    form->OnActivate = [grid](TObject*) { grid->SetFocus(); };
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0) {
            const QString file = QString::fromLocal8Bit(argv[i + 1]);
            form->SetKeyPreview(true);
            form->OnKeyDown = [file](TObject*, Word& Key, TShiftState) {
                if (Key != VK_F12) return;
                Key = 0;
                QGuiApplication::primaryScreen()->grabWindow(0).save(file);
                std::printf("shot %s\n", file.toLocal8Bit().constData());
                std::fflush(stdout);
            };
        }
    std::printf("cell %d %d\n", grid->Col(), grid->Row());
    std::fflush(stdout);
    Application->Run();
    DoneApplication();
    return 0;
}
