// corvane-screenshot: renders a product panel as the program shows it once a device has
// answered (full layout, the connection panel laid in) into a PNG file. It runs the program's
// own start-up on a temporary copy of the program folder with no saved port, so nothing is
// opened. Meant for the offscreen platform (QT_QPA_PLATFORM=offscreen).
#include "runtime/qt/view.h"
#include "runtime/serial_map.h"
#include "runtime/system.h"
#include "serial/port_combo.h"
#include "shell/startup.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const char* kUsage = "Usage: corvane-screenshot PANEL_FILE OUTPUT.png [SOFTWARE_NAME]\n"
                     "Renders a product panel of the program folder with its connection panel.\n";

// A temporary program folder: links to the panel files beside this tool and a configuration
// that names the panel. Removed at the end.
class TempProgramFolder {
  public:
    TempProgramFolder(const fs::path& programFolder, const std::string& panel,
                      const std::string& softwareName) {
        char pattern[] = "/tmp/corvane-screenshot-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(programFolder, ec)) {
            std::string ext = entry.path().extension().string();
            for (char& c : ext)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (ext == ".uir")
                fs::create_symlink(entry.path(), path_ / entry.path().filename(), ec);
        }
        std::ofstream(path_ / "CRV_Config.ini")
            << "[Section]\nKey=" << panel << "\nSoftwareName=" << softwareName << "\n";
    }
    ~TempProgramFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    bool ok() const { return !path_.empty(); }
    fs::path program() const { return path_ / "corvane-control"; }

  private:
    fs::path path_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string panel = argv[1];
    const std::string output = fs::absolute(argv[2]).string();
    const std::string softwareName = argc == 4 ? argv[3] : "Corvane Control";

    const fs::path programFolder = fs::path(GetExecutablePath()).parent_path();
    TempProgramFolder folder(programFolder, panel, softwareName);
    if (!folder.ok()) {
        std::cerr << "corvane-screenshot: cannot make a temporary folder\n";
        return 1;
    }
    SetExecutablePathForTesting(folder.program().string());
    // The picture lists no serial port of this machine.
    SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    if (InitQtView(qtArgc, qtArgv) != 1) return 1;

    static char programName[] = "corvane-control";
    char* startArgv[] = {programName, nullptr};
    int startArgc = 1;
    StartupState state;
    int result = 1;
    if (StartUp_Begin(startArgc, startArgv, &state) == STARTUP_RUN_LOOP) {
        PortCombo_RestoreAll(PortCombo_Record());
        if (SavePanelImage(state.panel, output) == 0) {
            result = 0;
        } else {
            std::cerr << "corvane-screenshot: cannot write " << output << "\n";
        }
    }
    StartUp_End(&state);
    CloseQtView();
    return result;
}
