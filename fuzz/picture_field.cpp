// Pictures read from a blob field of a data set: the graphic header, the providers' choice of the
// image kind and the bitmap reader behind them.
#include "fuzz/fuzz_target.h"

#include "grid/base/picturevz.h"
#include "platform/db/fields.h"
#include "platform/testing/memdata.h"

namespace {

void RunPictureField(const std::uint8_t* Data, std::size_t Size) {
    EnsureFuzzApplication();
    auto ds = NewOwned<TTestTableDataSet>(nullptr);
    ds->FieldDefs()->Add(QStringLiteral("PIC"), ftGraphic);
    ds->FieldDefs()->Add(QStringLiteral("BLOB"), ftBlob);
    ds->CreateDataSet();
    ds->Append();
    const TBytes bytes(Data, Data + Size);
    ds->FieldByName(QStringLiteral("PIC"))->SetAsBytes(bytes);
    ds->FieldByName(QStringLiteral("BLOB"))->SetAsBytes(bytes);
    ds->Post();
    for (const char* name : {"PIC", "BLOB"}) {
        TOwned<TGraphic> g = GetGraphicFromFieldVz(ds->FieldByName(QString::fromLatin1(name)));
        if (g && !g->Empty()) (void)g->ToImage();
    }
}

std::vector<QByteArray> PictureFieldSeeds() {
    EnsureFuzzApplication();
    auto b = NewOwned<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(5, 3);
    auto s = NewOwned<TMemoryStream>();
    b->SaveToStream(s.get());
    const QByteArray bmp(static_cast<const char*>(s->Memory()), int(s->Size()));
    QByteArray header(8, '\0');
    header[0] = 1;
    header[3] = 1;
    const quint32 n = quint32(bmp.size());
    for (int i = 0; i < 4; ++i) header[4 + i] = char((n >> (8 * i)) & 0xFF);
    return {bmp, header + bmp, QByteArray("BM"), QByteArray()};
}

}  // namespace

SDELKA_FUZZ_TARGET("picture_field", RunPictureField, PictureFieldSeeds)
