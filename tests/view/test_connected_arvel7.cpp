// The Arvel7 panel in the real view (offscreen) connected to a simulated device on a
// pseudo-terminal, used the way a person uses it: the connection status turns green, the light
// sensor shows what the device measures, a new DAC value typed into its box and a sensor gain
// picked from its ring reach the device and change the reading, and the exit button ends the
// link with O:0 then I:.
//
// With CORVANE_SCREENSHOT_DIR set the connected panel is also written there as
// Arvel7-connected.png.
#include "runtime/events.h"
#include "runtime/qt/view.h"
#include "runtime/serial_map.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "shell/startup.h"
#include "tests/serial/sim_process.h"
#include "tests/shell/program_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testpty::SimProcess;

// The simulator's light reading: LED power times the sensor gain of the gain code, over 4, with
// 0.5 % and 2 counts of noise (tools/sim_device.cpp).
constexpr long kSensorGains[] = {1, 2, 4, 8, 48, 96};
long ExpectedLight(long power, int gainCode) {
    return power * kSensorGains[gainCode] / 4;
}

// One line of the simulator's log: direction ("RX", "TX" or "--") and the line without its
// line end.
struct LogLine {
    std::string direction;
    std::string text;
};

std::vector<LogLine> ReadSimLog(const std::string& path) {
    std::ifstream in(path);
    std::vector<LogLine> lines;
    std::string raw;
    while (std::getline(in, raw)) {
        std::istringstream fields(raw);
        std::string stamp;
        LogLine l;
        fields >> stamp >> l.direction;
        std::getline(fields, l.text);
        if (!l.text.empty() && l.text[0] == ' ') l.text.erase(0, 1);
        for (const std::string end : {"\\n", "\\r"}) {
            while (l.text.size() >= 2 && l.text.compare(l.text.size() - 2, 2, end) == 0)
                l.text.erase(l.text.size() - 2);
        }
        lines.push_back(l);
    }
    return lines;
}

// Index of the first received line equal to `text` at or after `from`, or -1.
int FindReceived(const std::vector<LogLine>& log, const std::string& text, size_t from = 0) {
    for (size_t i = from; i < log.size(); ++i) {
        if (log[i].direction == "RX" && log[i].text == text) return static_cast<int>(i);
    }
    return -1;
}

// The light readings (field 0 of the D replies) the simulator sent after line `from`.
std::vector<long> SentReadings(const std::vector<LogLine>& log, size_t from = 0) {
    std::vector<long> readings;
    for (size_t i = from; i < log.size(); ++i) {
        const std::string& t = log[i].text;
        if (log[i].direction != "TX" || t.size() < 6 || t[0] != 'D') continue;
        readings.push_back(std::strtol(t.c_str() + 1, nullptr, 10));
    }
    return readings;
}

std::string LogText(const std::vector<LogLine>& log) {
    std::string out;
    for (const LogLine& l : log)
        out += l.direction + " " + l.text + "\n";
    return out;
}

bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > timeoutMs) return false;
        FlushQtView();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Threads of this process, and whether one of its descriptors is open on `device`.
size_t ThreadCount() {
    std::error_code ec;
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

std::string ThreadNames() {
    std::string names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::ifstream in(it->path() / "comm");
        std::string name;
        std::getline(in, name);
        names += " " + name;
    }
    return names;
}

bool HoldsDevice(const std::string& device) {
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code linkError;
        if (std::filesystem::read_symlink(it->path(), linkError).string() == device) return true;
    }
    return false;
}

int CtrlByName(int panel, const std::string& constantName) {
    return std::max(GetCtrlIdFromConstantName(panel, constantName), 0);
}

class ConnectedArvel7 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(qApp, nullptr);
        ASSERT_TRUE(folder.ok());
        CloseUserInterface();
        CloseQtView();
        ResetUserInterfaceModelForTesting();
        static int viewArgc = 1;
        static char viewName[] = "connected_arvel7";
        static char* viewArgv[] = {viewName, nullptr};
        ASSERT_EQ(InitQtView(viewArgc, viewArgv), 1);
        // The map is the program folder's configuration; the machine's own ports stay out.
        SetSerialMapConfigPath("");
        SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
        SetSerialByIdFolderForTesting(folder.file("by-id"));
    }
    void TearDown() override {
        if (begun) StartUp_End(&state);
        sim.reset();
        CloseQtView();
        ResetUserInterfaceModelForTesting();
        SetSerialDetectorForTesting(nullptr);
        SetSerialByIdFolderForTesting("");
    }

    // The simulated Arvel7 enters itself as COM3 in the program folder's configuration.
    void startDevice() {
        sim = std::make_unique<SimProcess>(
            std::vector<std::string>{"--product", "arvel7", "--config", folder.config(), "--port",
                                     "3", "--log", folder.file("sim.log")});
        ASSERT_TRUE(sim->ok());
    }
    std::vector<LogLine> simLog() const { return ReadSimLog(folder.file("sim.log")); }

    void begin() {
        static char name[] = "corvane-control";
        argv[0] = name;
        argc = 1;
        begun = true;
        ASSERT_EQ(StartUp_Begin(argc, argv, &state), STARTUP_RUN_LOOP);
        FlushQtView();
        QApplication::processEvents();
    }

    ProgramFolder folder;
    std::unique_ptr<SimProcess> sim;
    StartupState state;
    bool begun = false;
    char* argv[2] = {};
    int argc = 0;
};

TEST_F(ConnectedArvel7, PersonSetsTheLedAndGainAndSeesTheSensorFollowThenExits) {
    const size_t threadsBefore = ThreadCount();
    startDevice();
    // The simulator wrote its "Ports" section; the product and the saved port follow it.
    std::ofstream(folder.config(), std::ios::app) << "[Section]\nKey=Arvel7.uir\nPower=3\n";
    begin();
    PortComboRecord* ports = PortCombo_Record();
    ASSERT_EQ(PortWork_Record()->portNumber.load(), 3);
    EXPECT_TRUE(HoldsDevice(sim->path())) << sim->path();

    // The connection panel's status text, as the window shows it.
    const int statusId = CtrlByName(ports->connectionPanel.load(), "CONNECT_STATUS");
    ASSERT_GT(statusId, 0);
    auto* status = qobject_cast<QLabel*>(QtControlWidget(ports->connectionPanel.load(), statusId));
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(WaitFor([&] { return status->text() == "Connected"; }))
        << status->text().toStdString() << "\n"
        << LogText(simLog());
    ASSERT_TRUE(WaitFor([&] {
        return (status->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF) == 0x00FF00;
    })) << std::hex
        << status->palette().color(QPalette::WindowText).rgb();
    EXPECT_FALSE(FindReceived(simLog(), "V:0") < 0) << LogText(simLog());

    const int panel = state.panel;
    auto* light = qobject_cast<QLineEdit*>(QtControlWidget(panel, CtrlByName(panel, "D_S_OUT_0")));
    auto* dac = qobject_cast<QSpinBox*>(QtControlWidget(panel, CtrlByName(panel, "G_D_INQ_0")));
    auto* gain = qobject_cast<QComboBox*>(QtControlWidget(panel, CtrlByName(panel, "G_D_INQ_1")));
    ASSERT_NE(light, nullptr);
    ASSERT_NE(dac, nullptr);
    ASSERT_NE(gain, nullptr);
    ASSERT_TRUE(light->isVisible());
    ASSERT_EQ(gain->currentIndex(), 0);

    // The reading shown is one the device sent (LED off: a few counts of noise around 0).
    ASSERT_TRUE(WaitFor([&] {
        return !light->text().isEmpty() && !SentReadings(simLog()).empty();
    })) << LogText(simLog());
    {
        const long shown = light->text().toLong();
        const std::vector<long> sent = SentReadings(simLog());
        EXPECT_NE(std::find(sent.begin(), sent.end(), shown), sent.end())
            << light->text().toStdString() << "\n"
            << LogText(simLog());
        EXPECT_LE(shown, 10);
    }

    // A new DAC value typed into its box and confirmed with Enter.
    const size_t beforeDac = simLog().size();
    dac->activateWindow();
    dac->setFocus();
    QTest::keyClick(dac, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dac, "2000");
    QTest::keyClick(dac, Qt::Key_Return);
    int dacLine = -1;
    ASSERT_TRUE(WaitFor([&] {
        return (dacLine = FindReceived(simLog(), "G:2000,0", beforeDac)) >= 0;
    })) << LogText(simLog());
    // Once the device has answered data requests after the new setting, the box shows
    // 2000 x 1 / 4 = 500 within the noise, and exactly what the device last sent.
    auto shownFollows = [&](long expected, int fromLine) {
        return WaitFor([&] {
            const long shown = light->text().toLong();
            const std::vector<long> sent = SentReadings(simLog(), static_cast<size_t>(fromLine));
            return sent.size() >= 2 && std::abs(shown - expected) <= expected / 20 + 10 &&
                   std::find(sent.begin(), sent.end(), shown) != sent.end();
        });
    };
    EXPECT_TRUE(shownFollows(ExpectedLight(2000, 0), dacLine))
        << light->text().toStdString() << "\n"
        << LogText(simLog());

    // The gain ring: two steps down with the keyboard pick X2, then X4.
    gain->setFocus();
    QTest::keyClick(gain, Qt::Key_Down);
    QTest::keyClick(gain, Qt::Key_Down);
    EXPECT_EQ(gain->currentText().toStdString(), "X4");
    int gainLine = -1;
    ASSERT_TRUE(WaitFor([&] {
        return (gainLine = FindReceived(simLog(), "G:2000,2", static_cast<size_t>(dacLine))) >= 0;
    })) << LogText(simLog());
    EXPECT_TRUE(shownFollows(ExpectedLight(2000, 2), gainLine))
        << light->text().toStdString() << "\n"
        << LogText(simLog());
    EXPECT_GT(light->text().toLong(), 1500);

    if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR"); dir != nullptr && *dir != '\0') {
        std::filesystem::create_directories(dir);
        const std::string png = std::string(dir) + "/Arvel7-connected.png";
        EXPECT_EQ(SavePanelImage(panel, png), 0) << png;
    }

    // The exit button, pressed inside the program's own loop, ends it in order.
    const int exitId = CtrlByName(ports->connectionPanel.load(), "EXIT_BUTTON");
    auto* exitButton =
        qobject_cast<QPushButton*>(QtControlWidget(ports->connectionPanel.load(), exitId));
    ASSERT_NE(exitButton, nullptr);
    const size_t beforeExit = simLog().size();
    QTimer::singleShot(0, exitButton,
                       [exitButton] { QTest::mouseClick(exitButton, Qt::LeftButton); });
    // Should the button fail to end the loop, the watchdog does, with a result the test notes.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QuitUserInterface(-7); });
    watchdog.start(20000);
    EXPECT_EQ(StartUp_RunLoop(&state), 0);
    watchdog.stop();
    EXPECT_EQ(PortWork_Record()->portNumber.load(), -1);
    const std::vector<LogLine> log = simLog();
    const int stop = FindReceived(log, "O:0", beforeExit);
    ASSERT_GE(stop, 0) << LogText(log);
    EXPECT_GE(FindReceived(log, "I:", static_cast<size_t>(stop)), 0) << LogText(log);

    begun = false;
    StartUp_End(&state);
    // The port side is closed and its threads have ended: the device hears nothing more.
    EXPECT_FALSE(HoldsDevice(sim->path())) << sim->path();
    // (Qt keeps idle workers of its own pool for a while; they are let go first.)
    QThreadPool::globalInstance()->waitForDone(5000);
    EXPECT_TRUE(WaitFor([&] { return ThreadCount() <= threadsBefore; }))
        << ThreadCount() << " threads, " << threadsBefore << " before the start" << ThreadNames();
    const size_t afterEnd = simLog().size();
    QThread::msleep(600);
    EXPECT_EQ(FindReceived(simLog(), "D", afterEnd), -1) << LogText(simLog());
}

} // namespace
