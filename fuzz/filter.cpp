// Dataset filter expressions: parsed and evaluated against a record of fixed values.
#include "fuzz/fuzz_target.h"

#include "platform/db/dbfilter.h"

namespace {

void RunFilter(const std::uint8_t* Data, std::size_t Size) {
    const String text = String::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
    TFilterExpr expr(nullptr, text, {foCaseInsensitive});
    expr.GetFieldValue = [](const String& Name) -> Variant {
        switch (Name.size() % 4) {
            case 0: return Variant(42);
            case 1: return Variant(QStringLiteral("Иванов"));
            case 2: return Variant(3.5);
            default: return Variant::Null();
        }
    };
    (void)expr.Accept();
}

std::vector<QByteArray> FilterSeeds() {
    return {"ID = 5 and NAME like 'Ив%'", "not (A > 1 or B is null) and C in (1, 2, 3)",
            "upper(NAME) = 'ИВАНОВ*' or [Табельный номер] <> 7", "YEAR(D) = 2026 and -X * 2 / 3 + 1 >= 0",
            "SUBSTRING(NAME, 2, 3) = 'ван'"};
}

}  // namespace

SDELKA_FUZZ_TARGET("filter", RunFilter, FilterSeeds)
