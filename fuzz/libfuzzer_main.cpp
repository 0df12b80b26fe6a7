// The libFuzzer entry of a program built from exactly one target.
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    RunFuzzInput(*FuzzTargets().front(), Data, Size);
    return 0;
}
