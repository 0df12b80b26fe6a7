// Report expressions: compiled and evaluated.
#include "fuzz/fuzz_target.h"

#include "report/rpevaluator.h"

namespace {

void RunExpression(const std::uint8_t* Data, std::size_t Size) {
    const String text = String::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
    TOwned<TRpEvaluator> ev = NewOwned<TRpEvaluator>();
    ev->Prepare(text);
    TRpEvResult r;
    ev->Value(r);
}

std::vector<QByteArray> ExpressionSeeds() {
    return {"1+2*(3-4)/5", "'Наряд '+'№'+STR(12)", "(1<2) and not (3>=4) or 5<>6", "UPPERCASE('abc')",
            "IIF(1=1,'да','нет')", "-(-3.25e2)", "[Поле]", "ROUND(2.5,0)", "FORMATSTR('%d',7)"};
}

}  // namespace

SDELKA_FUZZ_TARGET("expression", RunExpression, ExpressionSeeds)
