// The real program as a process: its options without a display, and under a private X display
// its window, its title, its silent end on a panel file that cannot be loaded, and its orderly
// end by the window's close box and by SIGTERM and SIGINT.
#include "tests/app/child_process.h"
#include "tests/app/x_display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(CORVANE_BIN_DIR) + "/corvane-control";
const std::string kVersion =
    std::to_string(CORVANE_VERSION_MAJOR) + "." + std::to_string(CORVANE_VERSION_MINOR) + "." +
    std::to_string(CORVANE_VERSION_PATCH) + "." + std::to_string(CORVANE_VERSION_TWEAK);
// The window title with an empty software name, as a regular expression for xdotool.
const std::string kBareTitle = "^ - " + std::to_string(CORVANE_VERSION_MAJOR) + "\\." +
                               std::to_string(CORVANE_VERSION_MINOR) + "\\." +
                               std::to_string(CORVANE_VERSION_PATCH) + "\\." +
                               std::to_string(CORVANE_VERSION_TWEAK) + "$";

// How long the program may take from the close request to its end: the port side's pauses
// (400 ms) and a loaded machine.
constexpr double kEndSeconds = 3.0;
constexpr double kWindowSeconds = 30.0;

// A copy of the program folder: the executable (copied, so that it finds its files beside the
// copy), the panel files and, when written, a configuration file.
class ProgramCopy {
  public:
    ProgramCopy() {
        char pattern[] = "/tmp/corvane-program-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(CORVANE_BIN_DIR, ec)) {
            std::string ext = entry.path().extension().string();
            for (char& c : ext)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (ext == ".uir") fs::copy_file(entry.path(), file(entry.path().filename()), ec);
        }
        ok_ = fs::copy_file(kProgram, program(), ec);
    }
    ~ProgramCopy() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    bool ok() const { return ok_; }
    std::string program() const { return file("corvane-control"); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void writeConfig(const std::string& text) const {
        std::ofstream(file("CRV_Config.ini")) << text;
    }

  private:
    std::string path_;
    bool ok_ = false;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---------------------------------------------------------------------------------------------
// Options: no window, no display needed.
// ---------------------------------------------------------------------------------------------

class ProgramOptions : public ::testing::Test {
  protected:
    int run(const std::vector<std::string>& args, std::string* output) {
        std::vector<std::string> all{kProgram};
        all.insert(all.end(), args.begin(), args.end());
        ChildProcess p(all, EnvironmentWithout({"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}),
                       out.file("out.txt"));
        const int code = p.waitExit(60.0);
        *output = p.output();
        return code;
    }
    ProgramCopy out; // a private folder for the output file
};

TEST_F(ProgramOptions, HelpVersionAndPanelCheckNeedNoDisplay) {
    std::string output;
    EXPECT_EQ(run({"--help"}, &output), 0);
    EXPECT_NE(output.find("Usage: corvane-control"), std::string::npos) << output;
    EXPECT_NE(output.find("--check-panel FILE"), std::string::npos) << output;

    EXPECT_EQ(run({"--version"}, &output), 0);
    EXPECT_EQ(output, "corvane-control " + kVersion + "\n");

    EXPECT_EQ(run({"--check-panel", "Arvel7.uir"}, &output), 0);
    EXPECT_NE(output.find("panel 1 PANEL \"Arvel7\"\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\tG_D_INQ_0\t"), std::string::npos) << output;
    EXPECT_NE(output.find("\tPORTCOMBOUI\t"), std::string::npos) << output;
}

TEST_F(ProgramOptions, PanelCheckOfAFileThatCannotBeLoadedFails) {
    std::string output;
    EXPECT_EQ(run({"--check-panel", "NoSuchPanel.uir"}, &output), 1);
    EXPECT_NE(output.find("NoSuchPanel.uir"), std::string::npos) << output;
    EXPECT_EQ(run({"--check-panel"}, &output), 2);
    EXPECT_NE(output.find("needs one panel file"), std::string::npos) << output;
}

TEST_F(ProgramOptions, WithoutADisplayTheProgramEndsQuietlyWithZero) {
    std::string output;
    EXPECT_EQ(run({}, &output), 0);
    EXPECT_NE(output.find("no display"), std::string::npos) << output;
}

// ---------------------------------------------------------------------------------------------
// The window under a private X display.
// ---------------------------------------------------------------------------------------------

class ProgramWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty()) return;
        logs = new ProgramCopy;
        display = new XDisplay(logs->file("xvfb.log"));
    }
    static void TearDownTestSuite() {
        delete display;
        display = nullptr;
        delete logs;
        logs = nullptr;
    }
    void SetUp() override {
        if (display == nullptr) GTEST_SKIP() << "Xvfb or xdotool is not installed";
        ASSERT_TRUE(display->ok()) << ReadFile(logs->file("xvfb.log"));
        ASSERT_TRUE(folder.ok());
    }

    std::unique_ptr<ChildProcess> start() {
        auto p = std::make_unique<ChildProcess>(
            std::vector<std::string>{folder.program()},
            EnvironmentWithout({"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
                               {"DISPLAY=" + display->name()}),
            folder.file("out.txt"));
        return p;
    }

    static ProgramCopy* logs;
    static XDisplay* display;
    ProgramCopy folder;
};

ProgramCopy* ProgramWindow::logs = nullptr;
XDisplay* ProgramWindow::display = nullptr;

TEST_F(ProgramWindow, WithoutConfigurationTheProductSelectionWindowAppears) {
    auto p = start();
    const unsigned long window = display->waitForWindow(kBareTitle, kWindowSeconds);
    ASSERT_NE(window, 0u) << p->output();
    // The product-selection panel's own controls are in the program's panel, not another one.
    EXPECT_TRUE(p->running());
    p->signal(SIGTERM);
    EXPECT_EQ(p->waitExit(kEndSeconds), 0) << p->output();
}

TEST_F(ProgramWindow, KeyNamesTheProductPanelAndSoftwareNameHeadsTheTitle) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nSoftwareName=Arvel Seven\n");
    auto p = start();
    const unsigned long window =
        display->waitForWindow("^Arvel Seven - " + kBareTitle.substr(4), kWindowSeconds);
    ASSERT_NE(window, 0u) << p->output();
    EXPECT_EQ(p->output().find("cannot load"), std::string::npos) << p->output();
    p->signal(SIGTERM);
    EXPECT_EQ(p->waitExit(kEndSeconds), 0) << p->output();
}

TEST_F(ProgramWindow, SavedPortConnectsToTheDeviceAndTheFullPanelAppears) {
    // A simulated Arvel7 enters itself into the program folder's configuration as COM3.
    const std::string simLog = folder.file("sim.log");
    ChildProcess device({std::string(CORVANE_BIN_DIR) + "/corvane-sim", "--product", "arvel7",
                         "--config", folder.file("CRV_Config.ini"), "--port", "3", "--path-file",
                         folder.file("sim.path"), "--log", simLog},
                        EnvironmentWithout({}), folder.file("sim.out"));
    for (int i = 0; i < 200 && ReadFile(folder.file("sim.path")).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(ReadFile(folder.file("sim.path")).empty()) << device.output();
    std::ofstream(folder.file("CRV_Config.ini"), std::ios::app)
        << "[Section]\nKey=Arvel7.uir\nPower=3\n";

    auto p = start();
    const unsigned long window = display->waitForWindow(kBareTitle, kWindowSeconds);
    ASSERT_NE(window, 0u) << p->output();
    // Until the device answers the window holds the connection panel alone (260 x 110); the
    // answer restores the whole product panel.
    int width = 0, height = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        display->windowSize(window, &width, &height);
        if (width > 300 && height > 200) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GT(width, 300);
    EXPECT_GT(height, 200);
    EXPECT_NE(ReadFile(simLog).find(" RX V:0"), std::string::npos) << ReadFile(simLog);

    p->signal(SIGTERM);
    EXPECT_EQ(p->waitExit(kEndSeconds + 2.0), 0) << p->output();
    // The device was told to stop and to leave PC control, in that order, at the end.
    const std::string log = ReadFile(simLog);
    const size_t stop = log.rfind(" RX O:0");
    const size_t leave = log.rfind(" RX I:");
    ASSERT_NE(stop, std::string::npos) << log;
    ASSERT_NE(leave, std::string::npos) << log;
    EXPECT_LT(stop, leave);
}

TEST_F(ProgramWindow, KeyNamingNoPanelFileEndsWithZeroNamingTheFile) {
    folder.writeConfig("[Section]\nKey=NoSuchProduct.uir\n");
    auto p = start();
    EXPECT_EQ(p->waitExit(kWindowSeconds), 0) << p->output();
    EXPECT_NE(p->output().find("NoSuchProduct.uir"), std::string::npos) << p->output();
}

TEST_F(ProgramWindow, ClosingTheWindowEndsTheProgramWithZero) {
    auto p = start();
    const unsigned long window = display->waitForWindow(kBareTitle, kWindowSeconds);
    ASSERT_NE(window, 0u) << p->output();
    ASSERT_TRUE(display->requestClose(window));
    EXPECT_EQ(p->waitExit(kEndSeconds), 0) << p->output();
}

TEST_F(ProgramWindow, TerminationSignalsEndTheProgramInOrderWithZero) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
        auto p = start();
        ASSERT_NE(display->waitForWindow(kBareTitle, kWindowSeconds), 0u) << p->output();
        p->signal(sig);
        EXPECT_EQ(p->waitExit(kEndSeconds), 0) << p->output();
        // The window is gone with the process.
        EXPECT_EQ(display->searchTitle(kBareTitle), "");
    }
}

} // namespace
