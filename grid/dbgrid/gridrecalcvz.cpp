// Layout recalculation: row heights fitted to text lines and scaling to another resolution.
#include "grid/dbgrid/gridrecalcvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "platform/rtl/rtlmath.h"

int FitRowHeightToTextVz(int Height, int TextHeight, int Border) {
    if (TextHeight <= 0) return Height;
    const int d = Height - Border;
    const int g = d / TextHeight, r = d % TextHeight;
    return (r <= TextHeight / 2 && g > 0 ? g : g + 1) * TextHeight + Border;
}

void ScaleWidthsCumulativeVz(std::vector<int>& Widths, int M, int D) {
    if (D == 0) return;
    int before = 0;
    for (int& w : Widths) {
        const int after = before + w;
        w = MulDiv(after, M, D) - MulDiv(before, M, D);
        before = after;
    }
}

void TCustomDBGridVz::ChangeScale(int M, int D) {
    if (M != D && D != 0) {
        // A footer font of its own scales here; one that follows the grid's font follows it.
        if (!FooterParams()->ParentFont()) FooterParams()->Font()->SetSize(MulDiv(FooterParams()->Font()->Size(), M, D));
        Columns()->BeginUpdate();
        try {
            std::vector<int> widths;
            for (int i = 0; i < Columns()->Count(); ++i) widths.push_back(Columns()->Items(i)->Width());
            ScaleWidthsCumulativeVz(widths, M, D);
            for (int i = 0; i < Columns()->Count(); ++i) {
                TColumnVz* c = Columns()->Items(i);
                c->SetWidth(widths[static_cast<std::size_t>(i)]);
                if (CanAutoFitColWidths()) c->SetInitWidth(widths[static_cast<std::size_t>(i)]);
            }
        } catch (...) {
            Columns()->EndUpdate();
            throw;
        }
        Columns()->EndUpdate();
    }
    TCustomDBAxisGridVz::ChangeScale(M, D);
}
