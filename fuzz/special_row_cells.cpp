// The cell texts of a lookup list's special row, split from one text at semicolons outside quotes.
#include "fuzz/fuzz_target.h"

#include "grid/base/specrowvz.h"

namespace {

void RunSpecialRowCells(const std::uint8_t* Data, std::size_t Size) {
    TSpecRowVz row(nullptr);
    row.SetCellsText(QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size)));
    for (int i = 0; i < row.CellsStrings()->Count(); ++i) (void)row.GetCellText(i);
}

std::vector<QByteArray> SpecialRowCellsSeeds() {
    return {QByteArray("a;\"b;c\"; d"), QByteArray("  (none);\"say \"\"yes\"\"\""), QByteArray("x;\r\ny\tz"),
            QByteArray("\""), QByteArray("\"\"\";;;")};
}

}  // namespace

SDELKA_FUZZ_TARGET("special_row_cells", RunSpecialRowCells, SpecialRowCellsSeeds)
