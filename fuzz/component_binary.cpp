// Binary component streams (forms, language files): read into a root, and converted to text.
#include "fuzz/fuzz_target.h"

#include "fuzz/component_widget.h"

namespace {

void RunComponentBinary(const std::uint8_t* Data, std::size_t Size) {
    RegisterFuzzWidget();
    {
        auto in = NewOwned<TMemoryStream>();
        if (Size) in->WriteBuffer(Data, Integer(Size));
        in->SetPosition(0);
        auto out = NewOwned<TMemoryStream>();
        try {
            ObjectBinaryToText(in.get(), out.get());
        } catch (const Exception&) {
        }
    }
    auto in = NewOwned<TMemoryStream>();
    if (Size) in->WriteBuffer(Data, Integer(Size));
    in->SetPosition(0);
    TOwned<TFuzzWidget> root = NewOwned<TFuzzWidget>(nullptr);
    ReadComponentFromStream(in.get(), root.get());
}

std::vector<QByteArray> ComponentBinarySeeds() { return {FuzzWidgetStream()}; }

}  // namespace

SDELKA_FUZZ_TARGET("component-binary", RunComponentBinary, ComponentBinarySeeds)
