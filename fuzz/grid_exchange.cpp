// The grid's exchange readers as a paste meets them: the first byte picks the binary grid format,
// tab-separated ANSI text or UTF-16 text, the rest is the clipboard's contents.
#include "fuzz/fuzz_target.h"

#include "grid/addons/textexportvz.h"
#include "grid/addons/textimportvz.h"
#include "grid/addons/vcldbifvz.h"
#include "platform/rtl/streams.h"

namespace {

struct TSink : IGridExchangeSourceVz, IGridExchangeTargetVz {
    std::vector<std::vector<Variant>> Rows;
    int ColCount() const override { return 3; }
    int RowCount() const override { return int(Rows.size()); }
    bool HasTitles() const override { return true; }
    String Title(int Col) const override { return u"Столбец "_S + String::number(Col); }
    int ColumnWidth(int) const override { return 64; }
    String DisplayText(int Row, int Col) const override {
        const Variant& V = Rows[Row][Col];
        return VarIsNullish(V) || (V.VType() & varArray) ? String() : V.AsString();
    }
    Variant Value(int Row, int Col) const override { return Rows[Row][Col]; }
    bool BeginRecord() override {
        Rows.emplace_back(3, Variant::Null());
        return true;
    }
    void SetText(int Col, const String& Text) override { SetValue(Col, Variant(Text)); }
    void SetValue(int Col, const Variant& V) override {
        if (Col == 2 && V.VType() == varUString && V.AsString().contains(u'!')) throw EConvertError(u"refused"_S);
        Rows.back()[Col] = V;
    }
};

TOwned<TDBGridVzImport> Reader(Byte Kind) {
    switch (Kind % 3) {
        case 0: return NewOwned<TDBGridVzImportAsVCLDBIF>();
        case 1: return NewOwned<TDBGridVzImportAsText>();
        default: return NewOwned<TDBGridVzImportAsUnicodeText>();
    }
}

void RunGridExchange(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0) return;
    TSink Sink;
    TOwned<TDBGridVzImport> Import = Reader(Data[0]);
    Import->OnImportError = [](const String&) { return ieaYes; };
    TBytesStream In(TBytes(Data + 1, Data + Size));
    Import->ImportFromStream(&In, &Sink);
}

QByteArray Seed(char Kind, TDBGridVzExport* Export) {
    TSink Sink;
    Sink.Rows = {{Variant(1), Variant(u"Иванов\tИ.И."_S), Variant(2.5)},
                 {Variant::Null(), Variant(u"Ω!"_S), VarByteArrayOf(QByteArray("\0\1", 2))},
                 {Variant(Int64(1) << 40), Variant(String()), Variant(-7)}};
    TBytesStream Out;
    Export->ExportToStream(&Out, &Sink);
    return QByteArray(1, Kind) + QByteArray(reinterpret_cast<const char*>(Out.Bytes().data()),
                                            qsizetype(Out.Bytes().size()));
}

std::vector<QByteArray> GridExchangeSeeds() {
    return {Seed(0, NewOwned<TDBGridVzExportAsVCLDBIF>().get()), Seed(1, NewOwned<TDBGridVzExportAsText>().get()),
            Seed(2, NewOwned<TDBGridVzExportAsUnicodeText>().get()), QByteArray("\1a\t\tb\r\n\r\nc\0", 11),
            QByteArray("\1a\rb", 4)};
}

}  // namespace

SDELKA_FUZZ_TARGET("grid_exchange", RunGridExchange, GridExchangeSeeds)
