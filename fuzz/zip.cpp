// Zip archives as the workbook opener reads them: the directory, then every member.
#include "fuzz/fuzz_target.h"

#include "platform/office/zipfile.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

void RunZip(const std::uint8_t* Data, std::size_t Size) {
    TZipFile zip;
    zip.Open(TZipBytes(Data, Data + Size));
    for (int i = 0; i < zip.FileCount(); ++i) {
        try {
            (void)zip.Read(i);
        } catch (const EZipException&) {
            // One damaged member does not stop the others from being tried.
        }
    }
}

std::vector<QByteArray> ZipSeeds() {
    QTemporaryDir dir;
    const String name = dir.filePath(QStringLiteral("seed.zip"));
    {
        TZipFile zip;
        zip.Open(name, zmWrite);
        const QByteArray text = QByteArray("<?xml version=\"1.0\"?><sheet>Выработка</sheet>").repeated(20);
        zip.Add(TZipBytes(text.begin(), text.end()), QStringLiteral("xl/worksheets/sheet1.xml"), zcDeflate);
        zip.Add(TZipBytes{1, 2, 3, 4, 5}, QStringLiteral("stored.bin"), zcStored);
        zip.Add(TZipBytes(), QStringLiteral("empty"), zcDeflate);
        zip.Close();
    }
    QFile f(name);
    f.open(QIODevice::ReadOnly);
    return {f.readAll()};
}

}  // namespace

SDELKA_FUZZ_TARGET("zip", RunZip, ZipSeeds)
