// corvane-control: the program entry. Options that need no window are handled before the
// view exists; otherwise the view is put in front of the run-time and start-up runs.
#include "engine/panel_check.h"
#include "runtime/events.h"
#include "runtime/qt/view.h"
#include "runtime/version_block.h"
#include "shell/main_callbacks.h"
#include "shell/quit_signals.h"
#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

CORVANE_DEFINE_VERSION_BLOCK(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH,
                             CORVANE_VERSION_TWEAK);

namespace {

const char* kUsage =
    "Usage: corvane-control [options]\n"
    "Drives a Corvane instrument on a serial port. The product panel, the port and the saved\n"
    "values come from CRV_Config.ini beside the program.\n"
    "\n"
    "Options:\n"
    "  --check-panel FILE  print what the program makes of every control of a panel file\n"
    "                      (FILE is a path, or a panel file name of the program folder)\n"
    "  --version           print the program's version\n"
    "  -h, --help          this text\n"
    "Other options go to Qt (for example -platform offscreen).\n";

// Qt aborts when it cannot reach a display; the program ends quietly instead.
bool DisplayAvailable() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

int InitViewAndRuntime(int& argc, char** argv) {
    if (!DisplayAvailable()) {
        std::cerr << "corvane-control: no display (DISPLAY is not set)\n";
        return 0;
    }
    if (InitQtView(argc, argv) != 1) return 0;
    return InitUserInterface(argc, argv);
}

void ReleaseRuntimeAndView() {
    CloseUserInterface();
    CloseQtView();
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        const char* option = argv[1];
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (std::strcmp(option, "--version") == 0) {
            std::printf("corvane-control %d.%d.%d.%d\n", CORVANE_VERSION_MAJOR,
                        CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH, CORVANE_VERSION_TWEAK);
            return 0;
        }
        if (std::strcmp(option, "--check-panel") == 0) {
            if (argc != 3) {
                std::cerr << "corvane-control: --check-panel needs one panel file\n" << kUsage;
                return 2;
            }
            // The callbacks that panel files name resolve as they do in the program.
            MainWorking_RegisterCallbacks();
            return RunPanelCheck(argv[2], std::cout, std::cerr);
        }
    }

    QuitSignals_Install();
    RuntimeHooks hooks;
    hooks.init = InitViewAndRuntime;
    hooks.release = ReleaseRuntimeAndView;
    const int result = StartUp_Run(argc, argv, hooks);
    QuitSignals_Remove();
    return result;
}
