// The device simulator as the program meets it: a pseudo-terminal that answers the device
// protocol per product, its fault modes, its pacing and its entry in the serial-device map.
#include "runtime/inifile.h"
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "tests/serial/sim_process.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using testpty::SimProcess;
using testpty::TempDir;
using testpty::waitFor;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 61;

// Opens the simulator's terminal as a port and talks to it line by line.
class Device {
  public:
    explicit Device(const SimProcess& sim) {
        opened_ = OpenComConfig(kPort, sim.path(), 57600, 0, 8, 1, 512, 512) == 0;
        SetComTime(kPort, 2.0);
    }
    ~Device() { CloseCom(kPort); }
    bool ok() const { return opened_; }

    void send(const std::string& line) {
        const std::string wire = line + "\n";
        ASSERT_EQ(ComWrt(kPort, wire.data(), static_cast<int>(wire.size())),
                  static_cast<int>(wire.size()));
    }
    // The next reply without its CR; "" when none came within the read time-out.
    std::string reply() {
        char buf[512];
        const int n = ComRdTerm(kPort, buf, 511, '\r');
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
    }
    std::string ask(const std::string& line) {
        send(line);
        return reply();
    }
    // Field k (5 digits) of a data reply.
    static long field(const std::string& reply, int k) {
        return std::strtol(reply.substr(1 + 6 * static_cast<size_t>(k), 5).c_str(), nullptr, 10);
    }

  private:
    bool opened_ = false;
};

// --- answers per product ------------------------------------------------------------------

struct Exchange {
    std::string command;
    std::string reply; // the expected reply, '#' standing for any digit; "" = no answer
};

bool matches(const std::string& reply, const std::string& pattern) {
    if (reply.size() != pattern.size()) return false;
    for (size_t i = 0; i < reply.size(); ++i) {
        const bool ok = pattern[i] == '#' ? std::isdigit(static_cast<unsigned char>(reply[i])) != 0
                                          : reply[i] == pattern[i];
        if (!ok) return false;
    }
    return true;
}

struct ProductCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<Exchange> exchanges;
};

class SimulatorProductTest : public ::testing::TestWithParam<ProductCase> {};

TEST_P(SimulatorProductTest, AnswersTheProtocol) {
    const ProductCase& c = GetParam();
    SimProcess sim(c.args);
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok()) << GetComOpenErrorText();
    for (const Exchange& e : c.exchanges) {
        if (e.reply.empty()) {
            SetComTime(kPort, 0.3);
            EXPECT_EQ(device.ask(e.command), "") << "to " << e.command;
            SetComTime(kPort, 2.0);
        } else {
            const std::string r = device.ask(e.command);
            EXPECT_TRUE(matches(r, e.reply)) << e.command << " -> " << r;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Products, SimulatorProductTest,
    ::testing::Values(
        ProductCase{"Arvel7",
                    {"--product", "arvel7"},
                    {{"V:0", "V_1_1"},
                     {"D\r", "D#####,#####,#####"},
                     {"G:40,0", ""},
                     {"E:15", ""},
                     {"Z:1", ""},
                     {"O:0", ""},
                     {"I:", ""}}},
        ProductCase{"Vantril",
                    {"--product", "vantril"},
                    {{"V:0", "V_1_1"},
                     {"J:4,120,5,7", ""},
                     {"D\r", "D00000,00000"},
                     {"O:10,1000,5,0,0,0,7", "B0,1"},
                     {"D\r", "D00001,#####"},
                     {"O:0", "B0,0"},
                     {"D\r", "D00000,00000"}}},
        ProductCase{"Leds",
                    {"--product", "leds", "--channels", "3"},
                    {{"V:0", "V_1_3"},
                     {"D\r", "D00000,00000,00000"},
                     {"P:100,0,4095", ""},
                     {"D\r", "D00100,00000,04095"},
                     {"P:7", ""},
                     {"D\r", "D00007,00000,04095"},
                     {"P:5000,-3,1,9", ""},
                     {"D\r", "D04095,00000,00001"}}},
        ProductCase{"Spectrum",
                    {"--product", "spectrum"},
                    {{"V:0", "V_1_2"}, {"P:300,0", ""}, {"D\r", "D00300,00000"}, {"E:15", ""}}}),
    [](const ::testing::TestParamInfo<ProductCase>& p) { return std::string(p.param.name); });

// The light reading follows the LED power and the sensor gain (1, 2, 4, 8, 48, 96).
TEST(SimulatorArvel7, TheLightFieldFollowsPowerAndGain) {
    SimProcess sim({"--product", "arvel7", "--seed", "7"});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    struct Case {
        const char* command;
        double expected;
    };
    for (const Case& c : {Case{"G:0,0", 0.0}, Case{"G:2000,1", 1000.0}, Case{"G:1000,3", 2000.0},
                          Case{"G:4095,5", 98280.0}, Case{"G:100,4", 1200.0}}) {
        device.send(c.command);
        const std::string r = device.ask("D\r");
        ASSERT_EQ(r.size(), 18u) << r;
        const double light = static_cast<double>(Device::field(r, 0));
        EXPECT_NEAR(light, c.expected, 10.0 + c.expected * 0.03) << c.command << " -> " << r;
    }
}

// --- faults and timing ------------------------------------------------------------------------

TEST(SimulatorFaults, SilenceNeverAnswers) {
    SimProcess sim({"--fault", "silence"});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    SetComTime(kPort, 0.5);
    EXPECT_EQ(device.ask("V:0"), "");
    EXPECT_EQ(device.ask("D\r"), "");
}

TEST(SimulatorFaults, GarbageAnswersOutsideTheProtocol) {
    SimProcess sim({"--fault", "garbage", "--seed", "3"});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    for (int i = 0; i < 5; ++i) {
        const std::string r = device.ask("V:0");
        ASSERT_FALSE(r.empty());
        EXPECT_EQ(r.find_first_of("BDNV"), std::string::npos) << r;
        SetComTime(kPort, 0.2);
        while (!device.reply().empty()) {
        }
        SetComTime(kPort, 2.0);
    }
}

TEST(SimulatorFaults, SlowAnswersLate) {
    SimProcess sim({"--slow", "300"});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    const auto start = Clock::now();
    EXPECT_EQ(device.ask("V:0"), "V_1_1");
    const double waited = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(waited, 0.29);
    EXPECT_LT(waited, 2.0);
}

TEST(SimulatorFaults, HangUpLooksLikeAnUnpluggedDevice) {
    SimProcess sim({"--hangup-after", "0.5"});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    EXPECT_EQ(device.ask("V:0"), "V_1_1");
    static std::atomic<int> lineErrors{0};
    lineErrors = 0;
    InstallComCallback(
        kPort, COM_EVENT_LINE_ERROR, 0, '\r',
        [](int, int events, void*) {
            if ((events & COM_EVENT_LINE_ERROR) != 0) ++lineErrors;
        },
        nullptr);
    ASSERT_TRUE(waitFor([] { return lineErrors.load() > 0; }, 5.0));
    EXPECT_EQ(sim.waitExit(5.0), 0);
    EXPECT_LT(ComWrt(kPort, "V:0\n", 4), 0);
}

TEST(SimulatorFaults, LongLinesAndBinaryJunkDoNotStopIt) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    std::string junk;
    for (int i = 0; i < 5000; ++i)
        junk += static_cast<char>((i * 37) % 256 == '\n' ? 0 : (i * 37) % 256);
    ASSERT_EQ(ComWrt(kPort, junk.data(), static_cast<int>(junk.size())),
              static_cast<int>(junk.size()));
    device.send(std::string("\x00\xff\x80:\r", 5));
    EXPECT_EQ(device.ask("V:0"), "V_1_1");
}

TEST(SimulatorTiming, TheLineRatePacesAStreamAt5760BytesPerSecond) {
    SimProcess sim({"--stream", "1000", "--stream-count", "400", "--line-rate"});
    ASSERT_TRUE(sim.ok());
    Device device(sim);
    ASSERT_TRUE(device.ok());
    FlushInQ(kPort);
    // Every reply is 19 bytes with its CR: 400 of them take 1.3 s at the line rate.
    std::string first = device.reply();
    ASSERT_FALSE(first.empty());
    const auto start = Clock::now();
    long expected = Device::field(first, 0) + 1;
    int received = 1;
    for (std::string r; !(r = device.reply()).empty(); ++received, ++expected) {
        ASSERT_EQ(r.size(), 18u) << r;
        EXPECT_EQ(Device::field(r, 0), expected) << "a reply was lost or reordered";
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count() - 2.0;
    const double bytes = 19.0 * (received - 1);
    EXPECT_GT(received, 100);
    EXPECT_GT(elapsed, bytes / 5760.0 * 0.9) << "faster than the line";
    EXPECT_LT(elapsed, bytes / 5760.0 * 3.0 + 1.0);
}

// --- the map, the log and the command line ------------------------------------------------------

TEST(SimulatorMap, ItPutsItsTerminalIntoTheConfigurationAndTheProgramTalksToIt) {
    TempDir dir;
    const std::string config = dir.file("CRV_Config.ini");
    const std::string log = dir.file("sim.log");
    SimProcess sim(
        {"--product", "leds", "--channels", "4", "--config", config, "--port", "9", "--log", log});
    ASSERT_TRUE(sim.ok());
    char device[256];
    GetPrivateProfileString("Ports", "COM9", "", device, sizeof device, config.c_str());
    EXPECT_EQ(std::string(device), sim.path());

    SetSerialMapConfigPath(config);
    SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
    CYCLICK_BUF_INIT_POINTERS();
    PortWork_INIT_POINTERS();
    PortRecord* record = PortWork_Record();
    ASSERT_EQ(record->init(record, 9), 1) << GetComOpenErrorText();
    EXPECT_EQ(record->write(record, "V:0", WAIT_MODE_ANSWER), 4);
    char piece[256];
    int n = 0;
    ASSERT_TRUE(
        waitFor([&] { return (n = CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255)) > 0; }, 3.0));
    EXPECT_EQ(std::string(piece, static_cast<size_t>(n)), "V_1_4");
    EXPECT_TRUE(waitFor([] { return GetStatusWrite().waiting == 0; }, 1.0))
        << "the answer freed the handshake";
    EXPECT_EQ(record->write(record, "P:10,20,30,40", WAIT_MODE_NONE), 14);
    EXPECT_EQ(record->write(record, "D\r\n", WAIT_MODE_IF_FREE), 3);
    ASSERT_TRUE(
        waitFor([&] { return (n = CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255)) > 0; }, 3.0));
    EXPECT_EQ(std::string(piece, static_cast<size_t>(n)), "D00010,00020,00030,00040");
    record->close(record);
    UninitializeStatusWrite();
    SetSerialMapConfigPath("");
    SetSerialDetectorForTesting(nullptr);

    sim.stop();
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("RX V:0\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("TX V_1_4\\r\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("RX D\n"), std::string::npos)
        << "the CR before LF is not part of the command";
    EXPECT_NE(text.str().find("RX P:10,20,30,40\n"), std::string::npos);
}

TEST(SimulatorMap, WithoutAPortItTakesTheLowestFreeNumber) {
    TempDir dir;
    const std::string config = dir.file("CRV_Config.ini");
    WritePrivateProfileString("Ports", "COM1", "/dev/corvane-gone", config.c_str());
    WritePrivateProfileString("Section", "Power", "3", config.c_str());
    SimProcess sim({"--config", config});
    ASSERT_TRUE(sim.ok());
    char device[256];
    GetPrivateProfileString("Ports", "COM2", "", device, sizeof device, config.c_str());
    EXPECT_EQ(std::string(device), sim.path());
    GetPrivateProfileString("Ports", "COM1", "", device, sizeof device, config.c_str());
    EXPECT_EQ(std::string(device), "/dev/corvane-gone") << "other lines are kept";
    EXPECT_EQ(GetPrivateProfileInt("Section", "Power", 0, config.c_str()), 3);
}

TEST(SimulatorCommandLine, HelpListsEveryOptionAndBadOptionsAreRefused) {
    std::string out;
    ASSERT_EQ(SimProcess::runToEnd({"--help"}, &out), 0);
    for (const char* option : {"--product", "--channels", "--path-file", "--config", "--port",
                               "--log", "--verbose", "--fault", "--slow", "--hangup-after",
                               "--line-rate", "--stream", "--stream-count", "--seed", "--help"}) {
        EXPECT_NE(out.find(option), std::string::npos) << option;
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bogus"},
                                                {"--product", "toaster"},
                                                {"--slow"},
                                                {"--slow", "abc"},
                                                {"--port", "0"},
                                                {"--channels", "99"},
                                                {"--stream", "-1"},
                                                {"--fault", "smoke"}}) {
        EXPECT_EQ(SimProcess::runToEnd(bad, &out), 2) << bad[0];
        EXPECT_NE(out.find("Usage"), std::string::npos);
    }
}

} // namespace
