// The fuzz targets: one small entry per reader of outside input. Feeding a target bytes may end
// in the project's own error (that is what damaged input should give); a sanitizer report, a
// crash, another kind of exception, a hang or a runaway allocation is a fault.
//
// The same targets are linked three ways: into the replay test that CI runs (seeds made by the
// project's own writers, and every file under fuzz/regressions/<target>/), into the same program's
// simple mutation loop (`test_fuzz --fuzz TARGET SECONDS [DIR]`), and, when configured with
// clang and SDELKA_FUZZ=ON, into one libFuzzer program per target.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

struct TFuzzTarget {
    const char* Name;
    void (*Run)(const std::uint8_t* Data, std::size_t Size);
    std::vector<QByteArray> (*Seeds)();
};

std::vector<const TFuzzTarget*>& FuzzTargets();

struct TFuzzRegistration {
    explicit TFuzzRegistration(const TFuzzTarget* Target) { FuzzTargets().push_back(Target); }
};

#define SDELKA_FUZZ_TARGET(Name, Run, Seeds)                                     \
    namespace {                                                                  \
    const TFuzzTarget FuzzTargetOf_##Run{Name, Run, Seeds};                      \
    const TFuzzRegistration FuzzRegistrationOf_##Run{&FuzzTargetOf_##Run};       \
    }

// Runs one input: the project's errors are swallowed, anything else goes on.
void RunFuzzInput(const TFuzzTarget& Target, const std::uint8_t* Data, std::size_t Size);
// A GUI application for the readers that draw (fonts need one); made once.
void EnsureFuzzApplication();
