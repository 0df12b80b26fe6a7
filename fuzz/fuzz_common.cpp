#include "fuzz/fuzz_target.h"

#include "platform/rtl/exceptions.h"

#include <QApplication>

std::vector<const TFuzzTarget*>& FuzzTargets() {
    static std::vector<const TFuzzTarget*> targets;
    return targets;
}

void RunFuzzInput(const TFuzzTarget& Target, const std::uint8_t* Data, std::size_t Size) {
    try {
        Target.Run(Data, Size);
    } catch (const Exception&) {
        // The reader refused the input with the project's own error: the sound outcome.
    }
}

void EnsureFuzzApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}
