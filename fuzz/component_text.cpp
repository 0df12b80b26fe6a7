// The text form of component streams: parsed to the binary form, then read into a root.
#include "fuzz/fuzz_target.h"

#include "fuzz/component_widget.h"

namespace {

void RunComponentText(const std::uint8_t* Data, std::size_t Size) {
    RegisterFuzzWidget();
    auto in = NewOwned<TMemoryStream>();
    if (Size) in->WriteBuffer(Data, Integer(Size));
    in->SetPosition(0);
    auto bin = NewOwned<TMemoryStream>();
    ObjectTextToBinary(in.get(), bin.get());
    bin->SetPosition(0);
    TOwned<TFuzzWidget> root = NewOwned<TFuzzWidget>(nullptr);
    ReadComponentFromStream(bin.get(), root.get());
}

std::vector<QByteArray> ComponentTextSeeds() {
    const QByteArray bin = FuzzWidgetStream();
    auto in = NewOwned<TMemoryStream>();
    in->WriteBuffer(bin.constData(), Integer(bin.size()));
    in->SetPosition(0);
    auto out = NewOwned<TMemoryStream>();
    ObjectBinaryToText(in.get(), out.get());
    return {QByteArray(static_cast<const char*>(out->Memory()), qsizetype(out->Size()))};
}

}  // namespace

SDELKA_FUZZ_TARGET("component-text", RunComponentText, ComponentTextSeeds)
