// The client's entry point: sdelka DBNAME SERVER.
#include "app/datamodule.h"
#include "app/startup.h"
#include "platform/gui/forms.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool HasDisplay() {
    auto set = [](const char* Name) {
        const char* v = std::getenv(Name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "sdelka: no display (DISPLAY and WAYLAND_DISPLAY are unset); run it under Xvfb "
                     "(xvfb-run -a scripts/run.sh) or with QT_QPA_PLATFORM=offscreen\n");
        return 1;
    }
    Application->Initialize(argc, argv);
    std::vector<String> args;
    for (int i = 0; i < argc; ++i) args.push_back(QString::fromLocal8Bit(argv[i]));
    SetCommandLineArguments(std::move(args));

    try {
        try {
            Application->SetMainFormOnTaskBar(true);
            CreateApplicationForms();
            Application->Run();
        } catch (const Exception&) {
            throw;
        } catch (...) {
            throw Exception(String());
        }
    } catch (...) {
        Application->HandleException(Application);
    }
    try {
        FreeApplicationForms();
    } catch (...) {
    }
    DoneApplication();
    return 0;
}
