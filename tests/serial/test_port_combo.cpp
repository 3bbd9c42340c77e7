// Port selection with the real start-up, panel model and termios ports against device
// simulators on pseudo-terminals: the saved port at start, choosing and refreshing ports, the
// exit button's shut-down on the wire, failures with their reasons, the configuration dialog's
// rings and a port ring on the product panel itself.
#include "engine/app_record.h"
#include "engine/binding.h"
#include "runtime/events.h"
#include "runtime/inifile.h"
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "runtime/system.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "shell/main_callbacks.h"
#include "shell/startup.h"
#include "tests/serial/sim_process.h"
#include "tests/shell/program_folder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using testpty::SimProcess;
using testpty::waitFor;
using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Lines the simulator received, with its time stamps, from its log.
struct Received {
    double time;
    std::string line;
};
std::vector<Received> ReceivedLines(const std::string& logFile) {
    std::vector<Received> lines;
    std::istringstream in(ReadFile(logFile));
    std::string row;
    while (std::getline(in, row)) {
        std::istringstream fields(row);
        double t = 0;
        std::string direction;
        if (!(fields >> t >> direction) || direction != "RX") continue;
        std::string rest;
        std::getline(fields, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        lines.push_back({t, rest});
    }
    return lines;
}

int CountReceived(const std::string& logFile, const std::string& line) {
    int n = 0;
    for (const auto& r : ReceivedLines(logFile))
        n += r.line == line ? 1 : 0;
    return n;
}

std::string CtrlText(int panel, int control) {
    std::string s;
    GetCtrlVal(panel, control, &s);
    return s;
}
std::string Tooltip(int panel, int control) {
    std::string s;
    GetCtrlAttribute(panel, control, ATTR_TOOLTIP_TEXT, &s);
    return s;
}
int CtrlInt(int panel, int control, int attr) {
    int v = -12345;
    GetCtrlAttribute(panel, control, attr, &v);
    return v;
}
int PanelInt(int panel, int attr) {
    int v = -12345;
    GetPanelAttribute(panel, attr, &v);
    return v;
}

struct Item {
    std::string label, value;
};
std::vector<Item> Items(int panel, int ring) {
    std::vector<Item> items;
    int n = 0;
    GetNumListItems(panel, ring, &n);
    for (int i = 0; i < n; ++i) {
        Item it;
        GetLabelFromIndex(panel, ring, i, &it.label);
        GetValueFromIndex(panel, ring, i, &it.value);
        items.push_back(it);
    }
    return items;
}
int IndexOfValue(int panel, int ring, const std::string& value) {
    const auto items = Items(panel, ring);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].value == value) return static_cast<int>(i);
    return -1;
}

int ControlNamed(int panel, const std::string& name) {
    return std::max(GetCtrlIdFromConstantName(panel, name), 0);
}

class PortSelection : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ResetUserInterfaceModelForTesting();
        SetSerialMapConfigPath("");
        ASSERT_EQ(SerialMapConfigPath(), folder.config());
        SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
        SetSerialByIdFolderForTesting(folder.file("by-id"));
    }
    void TearDown() override {
        if (begun) StartUp_End(&state);
        sims.clear();
        ResetUserInterfaceModelForTesting();
        SetSerialDetectorForTesting(nullptr);
        SetSerialByIdFolderForTesting("");
    }

    // A simulator that puts itself into the program folder's configuration as COM`port`.
    SimProcess& sim(int port, const std::string& product = "arvel7") {
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{
            "--product", product, "--config", folder.config(), "--port", std::to_string(port),
            "--log", folder.file("sim" + std::to_string(port) + ".log")}));
        EXPECT_TRUE(sims.back()->ok());
        return *sims.back();
    }
    std::string simLog(int port) const {
        return folder.file("sim" + std::to_string(port) + ".log");
    }

    void setKey(const char* key, const std::string& value) {
        WritePrivateProfileString("Section", key, value.c_str(), folder.config().c_str());
    }

    void begin() {
        static char name[] = "corvane-control";
        argv[0] = name;
        argc = 1;
        begun = true;
        ASSERT_EQ(StartUp_Begin(argc, argv, &state), STARTUP_RUN_LOOP);
        record = PortCombo_Record();
        combo = record->connectionPanel.load();
        ring = record->portRing.load();
        status = record->status.load();
    }

    // Selects the item with this value on a ring and commits, as a person does.
    void choose(int panel, int control, const std::string& value) {
        const int index = IndexOfValue(panel, control, value);
        ASSERT_GE(index, 0) << value;
        SetCtrlIndex(panel, control, index);
        FireCtrlEvent(panel, control, EVENT_COMMIT);
    }

    int openPort() const { return PortWork_Record()->portNumber.load(); }
    AppRecord& app() const { return TheAppRecord(); }

    ProgramFolder folder;
    std::vector<std::unique_ptr<SimProcess>> sims;
    StartupState state;
    bool begun = false;
    char* argv[2] = {};
    int argc = 0;
    PortComboRecord* record = nullptr;
    int combo = 0, ring = 0, status = 0;
};

TEST_F(PortSelection, SavedPowerPortOpensAtStartAndBindsTheProductPanel) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    SimProcess& device = sim(3);
    begin();

    EXPECT_EQ(openPort(), 3);
    EXPECT_EQ(app().mainPanel.panel.load(), state.panel);
    EXPECT_GT(app().mainPanel.table()->groupCount, 0);
    EXPECT_EQ(app().stopFlag.load(), 0);

    // The connection panel is a child of the product panel, in the small layout.
    ASSERT_GT(combo, 0);
    EXPECT_EQ(PanelInt(combo, ATTR_PANEL_PARENT), state.panel);
    EXPECT_EQ(PanelInt(state.panel, ATTR_WIDTH), record->ownWidth.load());
    EXPECT_EQ(PanelInt(state.panel, ATTR_HEIGHT), record->ownHeight.load() + 20);
    EXPECT_EQ(PanelInt(combo, ATTR_LEFT), 0);
    EXPECT_EQ(PanelInt(combo, ATTR_TOP), 20);
    EXPECT_EQ(PanelInt(combo, ATTR_SCALE_CONTENTS_ON_RESIZE), 1);
    EXPECT_GT(record->parentWidth.load(), record->ownWidth.load());

    // The status keeps its designed text until the device answers; the list names the port
    // and its device, with the refresh item first and selected.
    EXPECT_EQ(CtrlText(combo, status), "Not connected");
    EXPECT_EQ(Tooltip(combo, status), "");
    const auto items = Items(combo, ring);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].label, "Select Port / Refresh");
    EXPECT_EQ(items[0].value, "Select Port / Refresh");
    EXPECT_EQ(items[1].value, "COM3");
    EXPECT_EQ(items[1].label.rfind("COM3", 0), 0u);
    EXPECT_NE(items[1].label.find(device.path()), std::string::npos) << items[1].label;
    int index = -1;
    GetCtrlIndex(combo, ring, &index);
    EXPECT_EQ(index, 0);

    // The connection panel's controls got their callbacks.
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetCtrlCallback(combo, ring, &fn, &data);
    EXPECT_EQ(fn, &PortCombo__COMSELECT);
    GetCtrlCallback(combo, ControlNamed(combo, "EXIT_BUTTON"), &fn, &data);
    EXPECT_EQ(fn, &PortCombo_ExitCallBak);
}

TEST_F(PortSelection, WithoutASavedPortNothingOpensAndTheRefreshItemIsSelected) {
    for (const char* config : std::initializer_list<const char*>{
             "[Section]\nKey=Arvel7.uir\nPower=-1\n", "[Section]\nKey=Arvel7.uir\n", nullptr}) {
        SCOPED_TRACE(config ? config : "no configuration file");
        ResetUserInterfaceModelForTesting();
        std::remove(folder.config().c_str());
        if (config) folder.writeConfig(config);
        begin();
        EXPECT_EQ(openPort(), -1);
        EXPECT_EQ(app().mainPanel.panel.load(), 0);
        int index = -1;
        GetCtrlIndex(combo, ring, &index);
        EXPECT_EQ(index, 0);
        EXPECT_EQ(Items(combo, ring).at(0).value, "Select Port / Refresh");
        StartUp_End(&state);
        begun = false;
    }
}

TEST_F(PortSelection, ChoosingAnotherPortStopsTheLinkWaitsThenOpensAndBinds) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    sim(5);
    begin();
    ASSERT_EQ(openPort(), 3);
    app().versionFlag.store(1);

    // During the pause the old threads are already told to stop.
    std::atomic<int> stopDuringPause{-1}, versionDuringPause{-1};
    std::thread observer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        stopDuringPause = app().stopFlag.load();
        versionDuringPause = app().versionFlag.load();
    });
    const auto start = Clock::now();
    choose(combo, ring, "COM5");
    const double took = SecondsSince(start);
    observer.join();

    EXPECT_GE(took, 0.49);
    EXPECT_LT(took, 5.0);
    EXPECT_EQ(stopDuringPause.load(), 1);
    EXPECT_EQ(versionDuringPause.load(), 0);
    EXPECT_EQ(openPort(), 5);
    EXPECT_EQ(app().mainPanel.panel.load(), state.panel);
    EXPECT_EQ(app().stopFlag.load(), 0); // cleared by binding
    EXPECT_EQ(CtrlText(combo, status), "Fail connect");
    EXPECT_EQ(CtrlInt(combo, status, ATTR_TEXT_COLOR), 0xFF0000);

    // The port that is open already: nothing happens, at once.
    app().stopFlag.store(0);
    SetCtrlVal(combo, status, "untouched");
    const auto again = Clock::now();
    choose(combo, ring, "COM5");
    EXPECT_LT(SecondsSince(again), 0.4);
    EXPECT_EQ(openPort(), 5);
    EXPECT_EQ(CtrlText(combo, status), "untouched");
    EXPECT_EQ(app().stopFlag.load(), 0);
}

TEST_F(PortSelection, EnterOnTheRingChoosesLikeACommitAndOtherKeysDoNot) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    sim(5);
    begin();
    SetCtrlIndex(combo, ring, IndexOfValue(combo, ring, "COM5"));
    FireCtrlEvent(combo, ring, EVENT_KEYPRESS, 'a');
    FireCtrlEvent(combo, ring, EVENT_LOST_FOCUS);
    EXPECT_EQ(openPort(), 3);
    FireCtrlEvent(combo, ring, EVENT_KEYPRESS, VAL_ENTER_VKEY);
    EXPECT_EQ(openPort(), 5);
}

TEST_F(PortSelection, RefreshTellsTheDeviceClosesThePortShrinksAndListsAgain) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    begin();
    ASSERT_EQ(openPort(), 3);
    PortCombo_RestoreAll(record); // as after the device's answer
    ASSERT_EQ(PanelInt(state.panel, ATTR_WIDTH), record->parentWidth.load());
    app().versionFlag.store(1);
    sim(4); // a device plugged in meanwhile

    const auto start = Clock::now();
    choose(combo, ring, "Select Port / Refresh");
    const double took = SecondsSince(start);

    EXPECT_GE(took, 0.09);
    EXPECT_TRUE(waitFor([&] { return CountReceived(simLog(3), "I:") == 1; }, 5.0));
    EXPECT_EQ(openPort(), -1);
    EXPECT_EQ(app().stopFlag.load(), 1);
    EXPECT_EQ(app().versionFlag.load(), 0);
    EXPECT_EQ(CtrlText(combo, status), "Fail connect");
    EXPECT_EQ(CtrlInt(combo, status, ATTR_TEXT_COLOR), 0xFF0000);
    EXPECT_EQ(PanelInt(state.panel, ATTR_WIDTH), record->ownWidth.load());
    EXPECT_EQ(PanelInt(state.panel, ATTR_HEIGHT), record->ownHeight.load() + 20);
    const auto items = Items(combo, ring);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].value, "COM3");
    EXPECT_EQ(items[2].value, "COM4");
    int index = -1;
    GetCtrlIndex(combo, ring, &index);
    EXPECT_EQ(index, 0);

    // After the refresh the same port can be chosen again and opens.
    choose(combo, ring, "COM3");
    EXPECT_EQ(openPort(), 3);
}

TEST_F(PortSelection, ExitButtonSendsStopThenLeaveAndASecondShutDownDoesNothing) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    begin();
    ASSERT_EQ(openPort(), 3);

    FireCtrlEvent(combo, ControlNamed(combo, "EXIT_BUTTON"), EVENT_COMMIT);
    EXPECT_TRUE(PortCombo_ShutDownDone());
    EXPECT_EQ(openPort(), -1);
    EXPECT_EQ(app().stopFlag.load(), 1);
    ASSERT_TRUE(waitFor([&] { return CountReceived(simLog(3), "I:") == 1; }, 5.0));
    const auto lines = ReceivedLines(simLog(3));
    ASSERT_GE(lines.size(), 2u);
    const Received& stop = lines[lines.size() - 2];
    const Received& leave = lines.back();
    EXPECT_EQ(stop.line, "O:0");
    EXPECT_EQ(leave.line, "I:");
    EXPECT_GE(leave.time - stop.time, 0.15);
    EXPECT_LT(leave.time - stop.time, 1.5);

    // The loop ends: the quit is waiting for it.
    EXPECT_EQ(RunUserInterface(), 0);

    // A second shut-down (the end of start-up) writes nothing and does not pause.
    const auto again = Clock::now();
    PortCombo_CloseAll();
    EXPECT_LT(SecondsSince(again), 0.1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(CountReceived(simLog(3), "O:0"), 1);
    EXPECT_EQ(CountReceived(simLog(3), "I:"), 1);
}

TEST_F(PortSelection, ShutDownAtTheEndOfStartUpTellsTheDeviceOnce) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    begin();
    const int panel = state.panel;
    PostDeferredCall([panel] { FirePanelEvent(panel, EVENT_CLOSE); });
    EXPECT_EQ(StartUp_RunLoop(&state), 0);
    StartUp_End(&state);
    begun = false;
    EXPECT_EQ(openPort(), -1);
    ASSERT_TRUE(waitFor([&] { return CountReceived(simLog(3), "I:") == 1; }, 5.0));
    EXPECT_EQ(CountReceived(simLog(3), "O:0"), 1);
}

TEST_F(PortSelection, CloseAllNoLeavesPcControlAndClosesThePortOnce) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    begin();
    ASSERT_EQ(openPort(), 3);
    // By name from a panel file: only a commit stops the link.
    CtrlCallbackPtr byName = LookupCallbackName("CloseAllNo");
    ASSERT_NE(byName, nullptr);
    byName(state.panel, 1, EVENT_LOST_FOCUS, nullptr, 0, 0);
    byName(state.panel, 1, EVENT_KEYPRESS, nullptr, 'x', 0);
    EXPECT_EQ(openPort(), 3);

    const auto start = Clock::now();
    byName(state.panel, 1, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_GE(SecondsSince(start), 0.19);
    EXPECT_EQ(openPort(), -1);
    EXPECT_EQ(app().stopFlag.load(), 1);
    ASSERT_TRUE(waitFor([&] { return CountReceived(simLog(3), "I:") == 1; }, 5.0));

    const auto again = Clock::now();
    CloseAllNo();
    EXPECT_LT(SecondsSince(again), 0.1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(CountReceived(simLog(3), "I:"), 1);
    EXPECT_EQ(CountReceived(simLog(3), "O:0"), 0);
}

TEST_F(PortSelection, APortThatCannotBeOpenedShowsFailConnectWithTheReason) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    SimProcess& gone = sim(6);
    SimProcess& shared = sim(7);
    begin();
    ASSERT_EQ(openPort(), 3);
    // COM8 names the same device as COM7, which another port of this program holds open.
    ASSERT_EQ(AssignSerialPort(shared.path(), 8), 8);
    PortCombo_InputComboValues(combo, ring);
    ASSERT_EQ(OpenComConfig(7, "", 57600, 0, 8, 1, 512, 512), 0);

    struct Case {
        const char* what;
        std::function<void()> prepare;
        const char* value;
        const char* reason;
    } cases[] = {
        {"the device vanished after the list was made", [&] { gone.stop(); }, "COM6",
         "no serial device"},
        {"the device is busy", [] {}, "COM8", "busy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        app().versionFlag.store(1);
        testing::internal::CaptureStderr();
        choose(combo, ring, c.value);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(openPort(), -1); // the old port is closed as well
        EXPECT_EQ(app().stopFlag.load(), 1);
        EXPECT_EQ(app().versionFlag.load(), 0);
        EXPECT_EQ(CtrlText(combo, status), "Fail connect");
        EXPECT_EQ(CtrlInt(combo, status, ATTR_TEXT_COLOR), 0xFF0000);
        EXPECT_NE(Tooltip(combo, status).find(c.reason), std::string::npos)
            << Tooltip(combo, status);
        EXPECT_NE(Tooltip(combo, status).find(std::string("COM") + (c.value + 3)),
                  std::string::npos);
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    }
    CloseCom(7);

    // A later successful open clears the reason.
    choose(combo, ring, "COM3");
    EXPECT_EQ(openPort(), 3);
    EXPECT_EQ(Tooltip(combo, status), "");
}

TEST_F(PortSelection, SavedPortMissingAtStartKeepsTheStatusTextAndGivesTheReason) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=9\n");
    testing::internal::CaptureStderr();
    begin();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(openPort(), -1);
    EXPECT_EQ(app().mainPanel.panel.load(), 0);
    EXPECT_EQ(CtrlText(combo, status), "Not connected");
    EXPECT_NE(Tooltip(combo, status).find("COM9"), std::string::npos) << Tooltip(combo, status);
    EXPECT_NE(err.find("COM9"), std::string::npos) << err;
}

TEST_F(PortSelection, StatusDisplayFollowsTheColourGiven) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    begin();
    struct Case {
        int color;
        const char* text;
        const char* ringValue; // nullptr: the ring is not changed
    } cases[] = {
        {0x00FF00, "Connected", "COM3"},
        {0xFF0000, "Fail connect", nullptr},
        {0x0000FF, "Connected", "COM3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SetCtrlIndex(combo, ring, 0);
        EXPECT_EQ(record->setColor(record, c.color), 1);
        EXPECT_EQ(CtrlText(combo, status), c.text);
        EXPECT_EQ(CtrlInt(combo, status, ATTR_TEXT_COLOR), c.color);
        EXPECT_EQ(CtrlText(combo, ring), c.ringValue ? c.ringValue : "Select Port / Refresh");
    }

    // A record without a connection panel shows nothing and still answers 1.
    PortComboRecord fresh;
    PortCombo_INIT_POINTERS(&fresh);
    EXPECT_EQ(fresh.setColor, nullptr);
    EXPECT_EQ(PortCombo_SetColorPort(&fresh, 0x00FF00), 1);
}

TEST_F(PortSelection, ParentSizeReplacesOrGrowsAndAppliesTheFullLayoutWhenAsked) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\n");
    begin();
    const int w0 = record->parentWidth.load(), h0 = record->parentHeight.load();
    const int smallWidth = PanelInt(state.panel, ATTR_WIDTH);
    struct Case {
        const char* what;
        int width, height, flags;
        int expectWidth, expectHeight;
        bool fullLayout; // the product panel shows the parent size afterwards
    } cases[] = {
        {"grow only, smaller", w0 - 10, h0 - 10, 3, w0, h0, false},
        {"grow only, wider", w0 + 40, h0 - 10, 2, w0 + 40, h0, false},
        {"grow only, taller, applied", w0, h0 + 30, 3, w0 + 40, h0 + 30, true},
        {"replace", 500, 400, 0, 500, 400, false},
        {"replace, applied", 520, 410, 1, 520, 410, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PortCombo_MoveComboSmall(record);
        record->initParentSize(record, c.width, c.height, c.flags);
        EXPECT_EQ(record->parentWidth.load(), c.expectWidth);
        EXPECT_EQ(record->parentHeight.load(), c.expectHeight);
        EXPECT_EQ(PanelInt(state.panel, ATTR_WIDTH), c.fullLayout ? c.expectWidth : smallWidth);
    }

    // The full layout puts the connection panel into the placeholder, inset by 2.
    const int place = ControlNamed(state.panel, "PORTCOMBOUI");
    record->restoreAll(record);
    EXPECT_EQ(PanelInt(combo, ATTR_TOP), CtrlInt(state.panel, place, ATTR_TOP) + 2);
    EXPECT_EQ(PanelInt(combo, ATTR_LEFT), CtrlInt(state.panel, place, ATTR_LEFT) + 2);
    EXPECT_EQ(PanelInt(combo, ATTR_WIDTH), CtrlInt(state.panel, place, ATTR_WIDTH) - 4);
    EXPECT_EQ(PanelInt(combo, ATTR_HEIGHT), CtrlInt(state.panel, place, ATTR_HEIGHT) - 4);

    PortCombo_InitPanelSize(record, 70, 200);
    EXPECT_EQ(record->ownHeight.load(), 70);
    EXPECT_EQ(record->ownWidth.load(), 200);
}

TEST_F(PortSelection, ConfigurationDialogRingListsPortsAndRefreshesOnly) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\n");
    sim(3);
    begin();
    const int dialog = LoadPanel(0, "GetProductIn.uir", 1);
    ASSERT_GT(dialog, 0);
    MainWorking_InitOtherPanel(&app(), nullptr, dialog);
    const int comPower = ControlNamed(dialog, "COM_POWER");
    ASSERT_GT(comPower, 0);
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetCtrlCallback(dialog, comPower, &fn, &data);
    EXPECT_EQ(fn, &MainWorking_COMSELECT_ONLY);
    auto items = Items(dialog, comPower);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].value, "Select Port / Refresh");
    EXPECT_EQ(items[1].value, "COM3");

    choose(dialog, comPower, "COM3"); // read only when the configuration is saved
    EXPECT_EQ(openPort(), -1);
    EXPECT_EQ(CtrlText(dialog, comPower), "COM3");

    sim(4);
    choose(dialog, comPower, "Select Port / Refresh");
    items = Items(dialog, comPower);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2].value, "COM4");
    EXPECT_EQ(openPort(), -1);
}

// A product panel that carries its own port ring instead of the connection panel.
const char* kRingPanel = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>PANEL</class>
 <widget class="QWidget" name="PANEL">
  <property name="geometry"><rect><x>0</x><y>0</y><width>420</width><height>300</height></rect></property>
  <widget class="QSpinBox" name="TIME">
   <property name="geometry"><rect><x>10</x><y>200</y><width>80</width><height>24</height></rect></property>
   <property name="value"><number>500</number></property>
   <property name="maximum"><number>100000</number></property>
  </widget>
  <widget class="QComboBox" name="PORTCOMBO">
   <property name="geometry"><rect><x>120</x><y>140</y><width>180</width><height>24</height></rect></property>
   <property name="dataType" stdset="0"><string>string</string></property>
  </widget>
  <widget class="QFrame" name="PORTCOMBOUI">
   <property name="geometry"><rect><x>10</x><y>30</y><width>264</width><height>94</height></rect></property>
  </widget>
 </widget>
</ui>
)";

TEST_F(PortSelection, ProductPanelRingChoosesAtOnceAndRefreshesWithoutTellingTheDevice) {
    folder.writeFile("Ring.uir", kRingPanel);
    folder.writeConfig("[Section]\nKey=Ring.uir\nPower=3\n");
    sim(3);
    sim(5);
    begin();
    const int panel = state.panel;
    const int own = ControlNamed(panel, "PORTCOMBO");
    ASSERT_EQ(state.portControl, own);
    EXPECT_EQ(combo, 0);       // no connection panel
    EXPECT_EQ(openPort(), -1); // no port is opened at start in this case

    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetCtrlCallback(panel, own, &fn, &data);
    EXPECT_EQ(fn, &Main_COMSELECT);
    const auto items = Items(panel, own);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].value, "COM3");
    EXPECT_EQ(items[1].value, "COM5");
    EXPECT_EQ(items[2].value, "Refresh");
    // Small layout: the ring at 50,50 in a panel 50 larger than the ring.
    EXPECT_EQ(CtrlInt(panel, own, ATTR_TOP), 50);
    EXPECT_EQ(CtrlInt(panel, own, ATTR_LEFT), 50);
    EXPECT_EQ(PanelInt(panel, ATTR_WIDTH), 230);
    EXPECT_EQ(PanelInt(panel, ATTR_HEIGHT), 74);

    // Refreshing twice in a row keeps the full layout for the next connection.
    for (int i = 0; i < 2; ++i) {
        const auto start = Clock::now();
        choose(panel, own, "Refresh");
        EXPECT_GE(SecondsSince(start), 0.09);
        EXPECT_EQ(CtrlInt(panel, own, ATTR_CTRL_COLOR), 0xFF0000);
        EXPECT_EQ(app().stopFlag.load(), 1);
    }

    const auto start = Clock::now();
    choose(panel, own, "COM3");
    EXPECT_LT(SecondsSince(start), 0.45); // no pause before opening
    EXPECT_EQ(openPort(), 3);
    EXPECT_EQ(app().mainPanel.panel.load(), panel);
    EXPECT_EQ(app().stopFlag.load(), 0);
    EXPECT_EQ(PanelInt(panel, ATTR_WIDTH), 420);
    EXPECT_EQ(PanelInt(panel, ATTR_HEIGHT), 300);
    EXPECT_EQ(CtrlInt(panel, own, ATTR_TOP), 140);
    EXPECT_EQ(CtrlInt(panel, own, ATTR_LEFT), 120);
    EXPECT_NE(CtrlInt(panel, own, ATTR_CTRL_COLOR), 0xFF0000);

    // Refresh closes the port without a word to the device.
    choose(panel, own, "Refresh");
    EXPECT_EQ(openPort(), -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(CountReceived(simLog(3), "I:"), 0);

    // A failed open: red ring with the reason as its tooltip.
    sims.front()->stop();
    testing::internal::CaptureStderr();
    choose(panel, own, "COM3");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(openPort(), -1);
    EXPECT_EQ(CtrlInt(panel, own, ATTR_CTRL_COLOR), 0xFF0000);
    EXPECT_NE(Tooltip(panel, own).find("COM3"), std::string::npos) << Tooltip(panel, own);
}

TEST(PortNumbers, NumberFromTheFourthCharacterAndItemLabels) {
    struct Case {
        const char* text;
        int number;
    } cases[] = {{"COM3", 3}, {"COM12", 12}, {"COM", 0}, {"COMx", 0}, {"", 0}, {"COM7 extra", 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PortCombo_PortNumber(c.text), c.number);
    }
    EXPECT_EQ(PortCombo_ItemLabel(3, "/dev/ttyUSB0", "FT232R USB UART"),
              "COM3  FT232R USB UART (/dev/ttyUSB0)");
    EXPECT_EQ(PortCombo_ItemLabel(4, "/dev/pts/7", ""), "COM4 (/dev/pts/7)");
}

} // namespace
