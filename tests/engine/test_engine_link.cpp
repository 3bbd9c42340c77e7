// The engine against a device on a pseudo-terminal: the real send and reply threads, the panel
// model, the termios port and the device simulator (or the test playing the device). The
// assertions are on the lines the device received, in order and with generous time tolerances,
// and on the controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "engine/binding.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "runtime/events.h"
#include "runtime/popups.h"
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "runtime/system.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "support_panels.h"
#include "tests/serial/sim_process.h"

namespace {

using testpty::PtyPair;
using testpty::SimProcess;
using testpty::TempDir;

// One line of the simulator's log: seconds since its start, "RX" (received) or "TX" (sent),
// the line without its end.
struct LogLine {
    double t = 0.0;
    std::string dir;
    std::string text;
};

std::vector<LogLine> ReadLog(const std::string& path, const char* dir) {
    std::vector<LogLine> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LogLine l;
        fields >> l.t >> l.dir;
        if (l.dir != dir) continue;
        std::getline(fields, l.text);
        if (!l.text.empty() && l.text[0] == ' ') l.text.erase(0, 1);
        lines.push_back(l);
    }
    return lines;
}

std::vector<std::string> Texts(const std::vector<LogLine>& lines) {
    std::vector<std::string> v;
    for (const auto& l : lines)
        v.push_back(l.text);
    return v;
}

std::vector<LogLine> Only(const std::vector<LogLine>& lines, const std::string& text) {
    std::vector<LogLine> v;
    for (const auto& l : lines)
        if (l.text == text) v.push_back(l);
    return v;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<double> Intervals(const std::vector<LogLine>& lines) {
    std::vector<double> v;
    for (size_t i = 1; i < lines.size(); ++i)
        v.push_back(lines[i].t - lines[i - 1].t);
    return v;
}

std::string Shown(int panel, int control) {
    std::string s;
    GetCtrlVal(panel, control, &s);
    return s;
}

int Attr(int panel, int control, int attr) {
    int v = -1;
    GetCtrlAttribute(panel, control, attr, &v);
    return v;
}

class EngineLink : public ::testing::Test {
  protected:
    AppRecord& app = TheAppRecord();
    TempDir dir;
    std::string config = dir.file("CRV_Config.ini");
    std::vector<std::unique_ptr<SimProcess>> sims;
    double boundAt = 0.0;

    void SetUp() override {
        ResetUserInterfaceModelForTesting();
        ResetScriptedPopups();
        MainWorking_Handovers() = EngineHandovers{};
        MainWorking_INIT_POINTERS(&app);
        CYCLICK_BUF_INIT_POINTERS();
        PortWork_INIT_POINTERS();
        DinamicControl_INIT_POINTERS();
        app.exposeTime.store(5);
        SetSerialMapConfigPath(config);
        SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
        ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    }
    void TearDown() override {
        app.stopFlag.store(1);
        EXPECT_EQ(MainWorking_WaitForEngineThreads(5000), 1) << "every engine thread ended";
        EXPECT_EQ(CmtRunningThreadPoolFunctions(), 0);
        ProcessSystemEvents();
        PortRecord* port = PortWork_Record();
        port->close(port);
        UninitializeStatusWrite();
        CloseUserInterface();
        sims.clear();
        SetSerialMapConfigPath("");
        SetSerialDetectorForTesting(nullptr);
        MainWorking_Handovers() = EngineHandovers{};
        MainWorking_INIT_POINTERS(&app);
        ResetUserInterfaceModelForTesting();
    }

    // A simulator as COM`port`, logging into sim<port>.log.
    void StartSim(int port, std::vector<std::string> args) {
        args.insert(args.end(),
                    {"--config", config, "--port", std::to_string(port), "--log", Log(port)});
        sims.push_back(std::make_unique<SimProcess>(args));
        ASSERT_TRUE(sims.back()->ok());
    }
    std::string Log(int port) const { return dir.file("sim" + std::to_string(port) + ".log"); }
    std::vector<LogLine> Received(int port) const { return ReadLog(Log(port), "RX"); }

    // Opens COM`port` and binds the panel as port selection does.
    void Connect(int panel, int port) {
        ASSERT_GT(panel, 0);
        PortRecord* record = PortWork_Record();
        ASSERT_EQ(record->init(record, port), 1) << GetComOpenErrorText();
        boundAt = MonotonicSeconds();
        MainWorking_InitAllControlsBegin(&app.mainPanel, panel);
    }
    // Runs the user-interface thread until pred() holds (or `seconds` pass).
    bool Pump(const std::function<bool()>& pred, double seconds) {
        const double end = MonotonicSeconds() + seconds;
        for (;;) {
            ProcessSystemEvents();
            if (pred()) return true;
            if (MonotonicSeconds() >= end) return false;
            SleepMs(5);
        }
    }
    void PumpFor(double seconds) {
        Pump([] { return false; }, seconds);
    }
    bool Connected(double seconds = 5.0) {
        return Pump([&] { return app.versionFlag.load() == 1; }, seconds);
    }
    // Waits until the device has received `count` lines equal to `text`.
    bool DeviceGot(int port, const std::string& text, size_t count = 1, double seconds = 5.0) {
        return Pump([&] { return Only(Received(port), text).size() >= count; }, seconds);
    }
};

// --- version query, exposure and data requests ------------------------------------------------

TEST_F(EngineLink, VersionQueryThenExposureThenDataRequestsEveryPeriod) {
    StartSim(3, {"--product", "leds", "--channels", "4"});
    const int panel = LoadFixturePanel({Int("TIME", 200), Text("D_S_OUT_0", "-")});
    SetCtrlVal(panel, CtrlId(panel, "TIME"), 200);
    Connect(panel, 3);
    ASSERT_TRUE(Connected());
    const double answeredAfter = MonotonicSeconds() - boundAt;
    EXPECT_GE(answeredAfter, 0.45) << "the first query goes 500 ms after binding";
    EXPECT_LT(answeredAfter, 2.0);
    EXPECT_EQ(app.channelCount.load(), 4);
    ASSERT_TRUE(DeviceGot(3, "D", 8));

    const auto rx = Received(3);
    ASSERT_GE(rx.size(), 10u);
    EXPECT_EQ(rx[0].text, "V:0");
    EXPECT_EQ(rx[1].text, "E:15");
    for (size_t i = 2; i < rx.size(); ++i)
        EXPECT_EQ(rx[i].text, "D") << i;
    const double period = Median(Intervals(Only(rx, "D")));
    EXPECT_GT(period, 0.17);
    EXPECT_LT(period, 0.35);
    EXPECT_EQ(Texts(ReadLog(Log(3), "TX")).front(), "V_1_4\\r") << "replies end with CR";
    EXPECT_TRUE(Pump([&] { return Shown(panel, CtrlId(panel, "D_S_OUT_0")) == "00000"; }, 3.0));
}

TEST_F(EngineLink, ExposureCarriesTheConfiguredTime) {
    StartSim(3, {"--product", "leds", "--channels", "4"});
    app.exposeTime.store(12);
    Connect(LoadFixturePanel({Text("D_S_OUT_0", "-")}), 3);
    ASSERT_TRUE(DeviceGot(3, "E:112"));
    EXPECT_EQ(Texts(Received(3)), (std::vector<std::string>{"V:0", "E:112"}));
}

TEST_F(EngineLink, SilentDeviceGetsTheQueryAboutOncePerSecond) {
    StartSim(3, {"--fault", "silence"});
    Connect(LoadFixturePanel({Int("TIME", 100)}), 3);
    ASSERT_TRUE(DeviceGot(3, "V:0", 3, 6.0));
    const auto queries = Received(3);
    EXPECT_EQ(Texts(queries), (std::vector<std::string>{"V:0", "V:0", "V:0"}));
    for (double interval : Intervals(queries)) {
        EXPECT_GT(interval, 0.95) << "each query waits for the claim of the one before";
        EXPECT_LT(interval, 1.6);
    }
    EXPECT_EQ(app.versionFlag.load(), 0);
}

// --- commands and replies ----------------------------------------------------------------------

TEST_F(EngineLink, CommittedGroupReachesTheDeviceAndItsRepliesTheControls) {
    StartSim(3, {"--product", "arvel7"});
    const int panel = LoadShippedPanel("Arvel7.uir");
    SetCtrlVal(panel, CtrlId(panel, "TIME"), 200);
    Connect(panel, 3);
    ASSERT_TRUE(Connected());
    const int power = CtrlId(panel, "G_D_INQ_0");
    SetCtrlVal(panel, power, 40);
    FireCtrlEvent(panel, power, EVENT_COMMIT);
    ASSERT_TRUE(DeviceGot(3, "G:40,0"));
    // The light reading follows the power (40 / 4 with noise), then the temperature field.
    const int reading = CtrlId(panel, "D_S_OUT_0");
    ASSERT_TRUE(Pump(
        [&] {
            const std::string r = Shown(panel, reading);
            return r.size() == 5 && r != "00000" && std::stoi(r) >= 5 && std::stoi(r) <= 15;
        },
        5.0))
        << Shown(panel, reading) << " " << testing::PrintToString(Texts(Received(3)));
    int temperature = 0; // field 1 as an integer
    GetCtrlVal(panel, CtrlId(panel, "D_D_OUT_1"), &temperature);
    EXPECT_NEAR(temperature, 2500, 50);
    const std::string whole = Shown(panel, CtrlId(panel, "D_S_OUT"));
    EXPECT_EQ(whole.size(), 18u) << whole;
    EXPECT_EQ(whole[0], 'D');
}

TEST_F(EngineLink, RepeatGroupIsWrittenTwicePerPass) {
    StartSim(3, {"--product", "arvel7"});
    const int panel = LoadFixturePanel({Int("A_D_INL_0", 5)});
    Connect(panel, 3);
    ASSERT_TRUE(Connected());
    ASSERT_TRUE(DeviceGot(3, "E:15"));
    ASSERT_EQ(UserSetCtrlVal(panel, CtrlId(panel, "A_D_INL_0"), "7"), 0);
    ASSERT_TRUE(DeviceGot(3, "A:7", 2));
    PumpFor(0.3);
    EXPECT_EQ(Texts(Received(3)), (std::vector<std::string>{"V:0", "E:15", "A:7", "A:7"}));
}

TEST_F(EngineLink, TimedCommandGoesOncePerPeriodWhileItsSwitchIsOn) {
    StartSim(3, {"--product", "arvel7"});
    const int panel = LoadShippedPanel("TESTOPTIONS.UIR");
    SetCtrlVal(panel, CtrlId(panel, "W_D_AL0_0"), 400); // the period is read at binding
    Connect(panel, 3);
    ASSERT_TRUE(DeviceGot(3, "E:15"));
    PumpFor(0.5);
    EXPECT_TRUE(Only(Received(3), "W").empty()) << "not while its switch is off";

    const int enable = CtrlId(panel, "1_W_D_AL0_0");
    ASSERT_EQ(UserSetCtrlVal(panel, enable, "1"), 0);
    ASSERT_TRUE(DeviceGot(3, "W", 6, 6.0));
    ASSERT_EQ(UserSetCtrlVal(panel, enable, "0"), 0);
    const size_t atOff = Only(Received(3), "W").size();
    PumpFor(1.0);
    const auto sent = Only(Received(3), "W");
    EXPECT_LE(sent.size(), atOff + 1) << "switching off stops it";
    const double period = Median(Intervals(sent));
    EXPECT_GT(period, 0.37);
    EXPECT_LT(period, 0.6);
}

TEST_F(EngineLink, NothingIsSentAndNoReplyShownWhilePcControlIsOff) {
    StartSim(3, {"--product", "arvel7", "--stream", "20"});
    // Pieces handed to the data log (on the reply thread).
    static std::atomic<int> logged{0};
    logged.store(0);
    MainWorking_Handovers().logAddPoints = [](void*, const char*, int) { ++logged; };
    const int panel = LoadShippedPanel("Nodal.uir");
    const int reply = NewCtrl(panel, CTRL_STRING, "Reply", 10, 10);
    SetCtrlAttribute(panel, reply, ATTR_CONSTANT_NAME, std::string("D_S_OUT_0"));
    SetCtrlVal(panel, reply, "-");
    SetCtrlVal(panel, CtrlId(panel, "TIME"), 200);
    Connect(panel, 3);
    ASSERT_TRUE(Connected());
    EXPECT_EQ(app.pcControl.load(), 0) << "binding switched PC control off";
    ASSERT_EQ(UserSetCtrlVal(panel, CtrlId(panel, "I_D_INR_0"), "30"), 0);
    PumpFor(1.2);
    for (const auto& line : Texts(Received(3)))
        EXPECT_TRUE(line == "V:0" || line == "E:15") << line;
    EXPECT_EQ(Shown(panel, reply), "-");
    EXPECT_EQ(logged.load(), 0);

    ASSERT_EQ(UserSetCtrlVal(panel, CtrlId(panel, "2_ALL"), "1"), 0);
    EXPECT_EQ(app.pcControl.load(), 1);
    ASSERT_TRUE(Pump(
        [&] {
            for (const auto& line : Texts(Received(3)))
                if (line.rfind("I:", 0) == 0) return true;
            return false;
        },
        5.0));
    ASSERT_TRUE(DeviceGot(3, "D"));
    EXPECT_TRUE(Pump([&] { return Shown(panel, reply) != "-"; }, 5.0));
    EXPECT_GT(logged.load(), 0);
}

TEST_F(EngineLink, OnOffReportOfTheDeviceSwitchesTheVantrilList) {
    StartSim(3, {"--product", "vantril"});
    const int panel = LoadShippedPanel("Vantril.uir");
    Connect(panel, 3);
    ASSERT_TRUE(Connected());
    const int start = CtrlId(panel, "4_O"), stop = CtrlId(panel, "9_STOPCOMAND");
    ASSERT_EQ(UserSetCtrlVal(panel, start, ""), 0);
    ASSERT_TRUE(Pump([&] { return Attr(panel, start, ATTR_DIMMED) == 1; }, 5.0))
        << "B0,1 dims the on list";
    EXPECT_EQ(Attr(panel, stop, ATTR_DIMMED), 0);
    const auto rx = Received(3);
    EXPECT_TRUE(std::any_of(rx.begin(), rx.end(), [](const LogLine& l) {
        return l.text.rfind("O:", 0) == 0 && l.text != "O:0";
    }));

    ASSERT_EQ(UserSetCtrlVal(panel, stop, ""), 0);
    ASSERT_TRUE(DeviceGot(3, "O:0"));
    ASSERT_TRUE(Pump([&] { return Attr(panel, start, ATTR_DIMMED) == 0; }, 5.0));
    EXPECT_EQ(Attr(panel, stop, ATTR_DIMMED), 1);
}

// Reads what the program wrote until it ends with `end` (or `seconds` pass).
std::string ReceiveUntil(PtyPair& device, const std::string& end, double seconds) {
    std::string got;
    const double deadline = MonotonicSeconds() + seconds;
    while (MonotonicSeconds() < deadline &&
           (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0))
        got += device.receive(1, 0.1);
    return got;
}

// The test plays the device: exact bytes on the wire, fields and digit-addressed replies.
TEST_F(EngineLink, ExactBytesAndRepliesFromAPlayedDevice) {
    PtyPair device;
    ASSERT_TRUE(device.ok());
    ASSERT_EQ(AssignSerialPort(device.slavePath(), 7), 7);
    const int panel =
        LoadFixturePanel({Int("TIME", 300), Text("D_S_OUT_0", "-"), Text("D_S_OUT_1", "-"),
                          Text("V_S_OUO_1", "-"), Text("V_S_OUO_0", "-")});
    Connect(panel, 7);
    EXPECT_EQ(device.receive(4, 3.0), "V:0\n");
    // A reply that is no version answer frees the handshake: the query comes again 100 ms later.
    ASSERT_TRUE(device.send("#1\r"));
    EXPECT_EQ(device.receive(4, 3.0), "V:0\n");
    EXPECT_EQ(app.versionFlag.load(), 0);
    ASSERT_TRUE(device.send("V_1_2\r"));
    std::string got = ReceiveUntil(device, "E:15\n", 3.0);
    while (got.rfind("V:0\n", 0) == 0) // a query may have crossed the answer
        got.erase(0, 4);
    EXPECT_EQ(got, "E:15\n");
    EXPECT_EQ(device.receive(3, 3.0), "D\r\n");
    ASSERT_TRUE(device.send("V1ABC\rD00010,00020\r"));
    EXPECT_TRUE(Pump([&] { return Shown(panel, CtrlId(panel, "D_S_OUT_1")) == "00020"; }, 3.0));
    EXPECT_EQ(Shown(panel, CtrlId(panel, "D_S_OUT_0")), "00010");
    EXPECT_EQ(Shown(panel, CtrlId(panel, "V_S_OUO_1")), "ABC");
    EXPECT_EQ(Shown(panel, CtrlId(panel, "V_S_OUO_0")), "-");
    EXPECT_EQ(device.receive(3, 3.0), "D\r\n") << "the next request once data came";
}

// --- the dynamic LED group ----------------------------------------------------------------------

TEST_F(EngineLink, DynamicLedPanelGetsAGroupForTheDevicesChannels) {
    StartSim(3, {"--product", "leds", "--channels", "4"});
    const int panel = LoadShippedPanel("DINAMIC_LEDS.uir");
    Connect(panel, 3);
    LedGroupRecord* leds = DinamicControl_Record();
    ASSERT_TRUE(Pump([&] { return leds->count == 8; }, 5.0));
    // The marker: left 10, top 150, 900 wide; four channels need 600, centred: x0 = 160.
    for (int k = 0; k < 4; ++k) {
        const std::string suffix = "_" + std::to_string(k);
        const int slide = CtrlId(panel, "P_F_INW" + suffix);
        const int button = CtrlId(panel, "1_P_F_INW" + suffix);
        ASSERT_GT(slide, 0) << k;
        ASSERT_GT(button, 0) << k;
        EXPECT_EQ(Attr(panel, slide, ATTR_LEFT), 160 + 113 * k);
        EXPECT_EQ(Attr(panel, slide, ATTR_TOP), 150);
        EXPECT_EQ(Attr(panel, button, ATTR_LEFT), 127 + 113 * k);
        EXPECT_EQ(Attr(panel, button, ATTR_TOP), 495);
        std::string label;
        GetCtrlAttribute(panel, slide, ATTR_LABEL_TEXT, &label);
        EXPECT_EQ(label, "Power" + suffix);
    }
    // Channel 1 switched on and its slide moved to 50 %: the P command carries 2047 there.
    ASSERT_EQ(UserSetCtrlVal(panel, CtrlId(panel, "1_P_F_INW_1"), "1"), 0);
    ASSERT_EQ(UserSetCtrlVal(panel, CtrlId(panel, "P_F_INW_1"), "50"), 0);
    EXPECT_TRUE(DeviceGot(3, "P:0,2047,0,0")) << testing::PrintToString(Texts(Received(3)));
}

// --- a port change while the threads run ---------------------------------------------------------

TEST_F(EngineLink, PortChangeLeavesNoStrayThreadAndTheOldOneNeverWritesToTheNewPort) {
    StartSim(3, {"--fault", "silence"});
    StartSim(4, {"--product", "arvel7"});
    const int panel = LoadFixturePanel({Int("TIME", 100), Text("D_S_OUT_0", "-")});
    Connect(panel, 3);
    // The first query goes at 0.5 s; the second waits for its claim until about 1.5 s.
    ASSERT_TRUE(DeviceGot(3, "V:0", 1, 3.0));
    PumpFor(0.3);

    // Port selection: stop, open the other port, bind again (no pause, so the old send thread
    // is still inside its handshake wait).
    app.versionFlag.store(0);
    app.stopFlag.store(1);
    PortRecord* port = PortWork_Record();
    ASSERT_EQ(port->init(port, 4), 1);
    boundAt = MonotonicSeconds();
    MainWorking_InitAllControlsBegin(&app.mainPanel, panel);
    EXPECT_NE(app.senderThreadId.load(), 0);
    EXPECT_NE(app.replyThreadId.load(), 0);

    ASSERT_TRUE(Connected());
    EXPECT_GE(MonotonicSeconds() - boundAt, 0.45)
        << "only the new thread queried, 500 ms after binding";
    ASSERT_TRUE(DeviceGot(4, "D", 3));
    PumpFor(1.5); // the old sender's wait is long over
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 2) << "the new send and reply threads only";
    EXPECT_EQ(Only(Received(3), "V:0").size(), 1u) << "the old port got no second query";
    const auto rx = Texts(Received(4));
    EXPECT_EQ(std::count(rx.begin(), rx.end(), "V:0"), 1);
    EXPECT_EQ(rx[1], "E:15");
    EXPECT_TRUE(Pump([&] { return Shown(panel, CtrlId(panel, "D_S_OUT_0")) != "-"; }, 3.0));
}

} // namespace
