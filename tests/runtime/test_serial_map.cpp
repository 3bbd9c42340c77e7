// The serial-device map: numbering of detected devices, stable by-id names, persistence in
// the configuration file, absent devices, and opening ports by number.
#include "runtime/inifile.h"
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "runtime/system.h"
#include "tests/serial/pty_pair.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace {

using testpty::PtyPair;
using testpty::TempDir;

class SerialMapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(a.ok() && b.ok() && c.ok());
        config = dir.file("CRV_Config.ini");
        SetSerialMapConfigPath(config);
        SetSerialByIdFolderForTesting(dir.path() + "/by-id");
        SetSerialDetectorForTesting([this] { return detected; });
    }
    void TearDown() override {
        SetSerialMapConfigPath("");
        SetSerialByIdFolderForTesting("");
        SetSerialDetectorForTesting(nullptr);
    }

    std::string line(int number) {
        char value[512];
        const std::string key = "COM" + std::to_string(number);
        GetPrivateProfileString("Ports", key.c_str(), "", value, sizeof value, config.c_str());
        return value;
    }
    std::vector<int> numbers() {
        std::vector<int> n;
        for (const SerialPortEntry& e : ListSerialPorts())
            n.push_back(e.number);
        return n;
    }

    TempDir dir;
    std::string config;
    PtyPair a, b, c;
    std::vector<DetectedSerialPort> detected;
};

TEST_F(SerialMapTest, WithoutDevicesOrFileTheListIsEmptyAndNothingIsWritten) {
    EXPECT_TRUE(ListSerialPorts().empty());
    EXPECT_EQ(SerialPortDevice(1), "");
    EXPECT_FALSE(std::ifstream(config).good()) << "listing nothing created the file";
}

TEST_F(SerialMapTest, DetectedDevicesGetTheLowestFreeNumbersAndKeepThem) {
    detected = {{a.slavePath(), "USB serial A"}, {b.slavePath(), "USB serial B"}};
    std::vector<SerialPortEntry> ports = ListSerialPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].number, 1);
    EXPECT_EQ(ports[0].device, a.slavePath());
    EXPECT_EQ(ports[0].description, "USB serial A");
    EXPECT_EQ(ports[1].number, 2);
    EXPECT_EQ(line(1), a.slavePath());
    EXPECT_EQ(line(2), b.slavePath());

    // Another run, the devices listed in the other order: the same numbers, nothing added.
    detected = {{b.slavePath(), "USB serial B"}, {a.slavePath(), "USB serial A"}};
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(line(3), "");
}

TEST_F(SerialMapTest, AbsentDevicesKeepTheirNumberButAreNotListed) {
    WritePrivateProfileString("Ports", "COM1", "/dev/corvane-unplugged", config.c_str());
    WritePrivateProfileString("Ports", "COM3", c.slavePath().c_str(), config.c_str());
    detected = {{a.slavePath(), "A"}};
    std::vector<SerialPortEntry> ports = ListSerialPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].number, 2) << "1 and 3 are taken";
    EXPECT_EQ(ports[0].device, a.slavePath());
    EXPECT_EQ(ports[1].number, 3);
    EXPECT_EQ(ports[1].description, "pseudo-terminal");
    EXPECT_EQ(line(1), "/dev/corvane-unplugged") << "an absent device keeps its line";
    EXPECT_EQ(SerialPortDevice(1), "");
    EXPECT_EQ(SerialPortDevice(3), c.slavePath());
}

TEST_F(SerialMapTest, ADeviceIsStoredUnderItsStableByIdName) {
    ASSERT_EQ(mkdir((dir.path() + "/by-id").c_str(), 0755), 0);
    const std::string stable = dir.path() + "/by-id/usb-Corvane_Arvel7_0042-if00-port0";
    ASSERT_EQ(symlink(a.slavePath().c_str(), stable.c_str()), 0);
    detected = {{a.slavePath(), "Arvel7"}};
    std::vector<SerialPortEntry> ports = ListSerialPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].device, stable);
    EXPECT_EQ(ports[0].description, "Arvel7");
    EXPECT_EQ(line(1), stable);

    // Re-plugged: the kernel gives it another name, its stable name follows it.
    ASSERT_EQ(unlink(stable.c_str()), 0);
    ASSERT_EQ(symlink(b.slavePath().c_str(), stable.c_str()), 0);
    detected = {{b.slavePath(), "Arvel7"}};
    ports = ListSerialPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].number, 1) << "the device kept its number";
    EXPECT_EQ(line(2), "");
    EXPECT_EQ(SerialPortDevice(1), stable);
}

TEST_F(SerialMapTest, HandWrittenLinesAreReadWhateverTheirFormAndMalformedOnesIgnored) {
    {
        std::ofstream out(config);
        out << "[Section]\nPower=3\n[Ports]\ncom4 = " << a.slavePath()
            << "\nCOMX=/dev/null\nCOM=/dev/null\n"
            << "COM5=\nCOM0=" << b.slavePath() << "\nCOM1000=" << b.slavePath()
            << "\nCOM6=" << c.slavePath() << "\nCOM6=" << b.slavePath() << "\n";
    }
    std::vector<SerialPortEntry> ports = ListSerialPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].number, 4);
    EXPECT_EQ(ports[0].device, a.slavePath());
    EXPECT_EQ(ports[1].number, 6);
    EXPECT_EQ(ports[1].device, c.slavePath()) << "the first line of a number counts";
}

TEST_F(SerialMapTest, AssignPutsADeviceUnderANumber) {
    EXPECT_EQ(AssignSerialPort(a.slavePath(), 0), 1);
    EXPECT_EQ(AssignSerialPort(a.slavePath(), 0), 1) << "a known device keeps its number";
    EXPECT_EQ(AssignSerialPort(b.slavePath(), 0), 2);
    EXPECT_EQ(AssignSerialPort(c.slavePath(), 2), 2) << "an explicit number is replaced";
    EXPECT_EQ(line(2), c.slavePath());
    EXPECT_EQ(AssignSerialPort(c.slavePath(), 1000), -1);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
}

TEST_F(SerialMapTest, APortOpensByItsNumberAndANumberWithoutADeviceFailsLikeAMissingPort) {
    ASSERT_EQ(AssignSerialPort(a.slavePath(), 12), 12);
    WritePrivateProfileString("Ports", "COM13", "/dev/corvane-unplugged", config.c_str());
    ASSERT_EQ(OpenComConfig(12, "", 57600, 0, 8, 1, 512, 512), 0) << GetComOpenErrorText();
    ASSERT_TRUE(a.send("hello\r"));
    SetComTime(12, 2.0);
    char buf[16];
    EXPECT_EQ(ComRdTerm(12, buf, 15, '\r'), 5);
    EXPECT_EQ(CloseCom(12), 0);

    ASSERT_EQ(OpenComConfig(14, "COM12", 57600, 0, 8, 1, 512, 512), 0)
        << "a device name COMn uses the map";
    EXPECT_EQ(CloseCom(14), 0);

    for (int missing : {13, 14}) {
        EXPECT_EQ(OpenComConfig(missing, "", 57600, 0, 8, 1, 512, 512), COM_ERR_NO_DEVICE);
        EXPECT_NE(GetComOpenErrorText().find("COM" + std::to_string(missing)), std::string::npos);
        EXPECT_NE(GetComOpenErrorText().find("no serial device"), std::string::npos)
            << GetComOpenErrorText();
    }
}

TEST_F(SerialMapTest, ADeviceDetectedAtOpenTimeGetsItsNumberThen) {
    detected = {{b.slavePath(), "B"}};
    ASSERT_EQ(OpenComConfig(1, "", 57600, 0, 8, 1, 512, 512), 0) << GetComOpenErrorText();
    EXPECT_EQ(line(1), b.slavePath());
    CloseCom(1);
}

TEST(SerialMapPath, TheDefaultConfigurationIsBesideTheProgram) {
    SetSerialMapConfigPath("");
    SetExecutablePathForTesting("/opt/corvane/bin/CorvaneControl");
    EXPECT_EQ(SerialMapConfigPath(), "/opt/corvane/bin/CRV_Config.ini");
    SetSerialMapConfigPath("/tmp/x.ini");
    EXPECT_EQ(SerialMapConfigPath(), "/tmp/x.ini");
    SetSerialMapConfigPath("");
    SetExecutablePathForTesting("");
}

} // namespace
