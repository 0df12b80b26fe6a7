// The LZW decoder as the XML report document reads the stored pictures of a document: any code
// stream, well formed or not.
#include "fuzz/fuzz_target.h"

#include "report/export/rpencoders.h"

namespace {

void RunLzw(const std::uint8_t* Data, std::size_t Size) {
    (void)LZWDecode(QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size)));
}

std::vector<QByteArray> LzwSeeds() {
    QByteArray Bitmap("BM");
    for (int i = 0; i < 3000; ++i) Bitmap += char(i % 7 == 0 ? i : 0xFF);
    return {LZWEncode(QByteArray()), LZWEncode(QByteArray("Выработка за смену, Выработка за месяц")),
            LZWEncode(Bitmap), LZWEncode(QByteArray(9000, 'x'))};
}

}  // namespace

SDELKA_FUZZ_TARGET("lzw", RunLzw, LzwSeeds)
