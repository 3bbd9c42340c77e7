// Start-up and shut-down run headless in a temporary program folder: which panel file the
// configuration names, the title with the executable's version, the exposure time, which
// control receives port selection, and the loop's end by the close box or an exit button.
#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "engine/handovers.h"
#include "runtime/events.h"
#include "runtime/userint.h"
#include "runtime/version_block.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "shell/main_callbacks.h"
#include "shell/startup.h"
#include "tests/shell/program_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The stand-in program's version block: the one the real program carries.
CORVANE_DEFINE_VERSION_BLOCK(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH,
                             CORVANE_VERSION_TWEAK);

namespace {

const std::string kVersion =
    " - " + std::to_string(CORVANE_VERSION_MAJOR) + "." + std::to_string(CORVANE_VERSION_MINOR) +
    "." + std::to_string(CORVANE_VERSION_PATCH) + "." + std::to_string(CORVANE_VERSION_TWEAK);

std::vector<std::string> ControlNames(int panel) {
    std::vector<std::string> names;
    int id = 0;
    GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id);
    while (id > 0) {
        std::string name;
        GetCtrlAttribute(panel, id, ATTR_CONSTANT_NAME, &name);
        names.push_back(name);
        if (GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &id) < 0) break;
    }
    return names;
}

bool HasControl(int panel, const std::string& name) {
    for (const auto& n : ControlNames(panel))
        if (n == name) return true;
    return false;
}

class StartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ResetUserInterfaceModelForTesting();
    }
    void TearDown() override {
        if (begun) StartUp_End(&state);
        ResetUserInterfaceModelForTesting();
    }

    StartupNext begin(const std::string& argv0 = "corvane-control") {
        program = argv0;
        argvStore[0] = program.data();
        argvStore[1] = nullptr;
        argc = 1;
        begun = true;
        return StartUp_Begin(argc, argvStore, &state);
    }

    // Runs the loop until `action` (run on the user-interface thread) ends it.
    int runLoopAfter(std::function<void()> action) {
        PostDeferredCall(std::move(action));
        return StartUp_RunLoop(&state);
    }

    ProgramFolder folder;
    StartupState state;
    bool begun = false;
    std::string program;
    char* argvStore[2] = {};
    int argc = 0;
};

struct ConfigCase {
    const char* what;
    const char* config; // nullptr: no configuration file
    const char* panelFile;
    const char* controlOfThatPanel;
    int exposeTime;
    const char* title;
};

const ConfigCase kConfigCases[] = {
    {"no configuration file", nullptr, "GetProduct.uir", "SAVE_LOAD", 5, ""},
    {"empty Key", "[Section]\nKey=\n", "GetProduct.uir", "SAVE_LOAD", 5, ""},
    {"two-character Key takes FirstTime", "[Section]\nKey=AB\nFirstTime=Vantril.uir\n",
     "Vantril.uir", "4_O", 5, ""},
    {"two-character Key without FirstTime", "[Section]\nKey=ab\n", "GetProduct.uir", "SAVE_LOAD", 5,
     ""},
    {"Key of three characters or more is the file",
     "[Section]\nKey=Arvel7.uir\nFirstTime=Vantril.uir\n", "Arvel7.uir", "G_D_INQ_0", 5, ""},
    {"letter case of the file name is ignored", "[Section]\nKey=arvel7.UIR\n", "arvel7.UIR",
     "G_D_INQ_0", 5, ""},
    {"ExposeTime present", "[Section]\nKey=Arvel7.uir\nExposeTime=12\n", "Arvel7.uir", "G_D_INQ_0",
     12, ""},
    {"ExposeTime not a number", "[Section]\nExposeTime=x\n", "GetProduct.uir", "SAVE_LOAD", 0, ""},
    {"keys of another section are not read", "[Other]\nKey=Arvel7.uir\nExposeTime=12\n",
     "GetProduct.uir", "SAVE_LOAD", 5, ""},
    {"SoftwareName heads the title", "[Section]\nSoftwareName=Corvane Control\n", "GetProduct.uir",
     "SAVE_LOAD", 5, "Corvane Control"},
};

TEST_F(StartUp, ConfigurationChoosesPanelExposureAndTitle) {
    for (const ConfigCase& c : kConfigCases) {
        SCOPED_TRACE(c.what);
        ResetUserInterfaceModelForTesting();
        std::remove(folder.config().c_str());
        if (c.config != nullptr) folder.writeConfig(c.config);

        ASSERT_EQ(begin(), STARTUP_RUN_LOOP);
        EXPECT_EQ(state.config.panelFile, c.panelFile);
        ASSERT_GT(state.panel, 0);
        EXPECT_TRUE(HasControl(state.panel, c.controlOfThatPanel));
        EXPECT_EQ(TheAppRecord().exposeTime.load(), c.exposeTime);
        std::string title;
        GetPanelAttribute(state.panel, ATTR_TITLE, &title);
        EXPECT_EQ(title, std::string(c.title) + kVersion);
        int visible = 0;
        GetPanelAttribute(state.panel, ATTR_VISIBLE, &visible);
        EXPECT_EQ(visible, 1);
        PanelCallbackPtr fn = nullptr;
        void* data = nullptr;
        GetPanelCallback(state.panel, &fn, &data);
        EXPECT_EQ(fn, &MainWorking_panelCB);
        StartUp_End(&state);
        begun = false;
    }
}

TEST_F(StartUp, FillsEveryModuleTableAndRegistersTheNamedCallbacks) {
    // Tables left over from an earlier start are emptied first, so the check sees this fill.
    PortWork_Record()->write = nullptr;
    PortCombo_Record()->restoreAll = nullptr;
    DinamicControl_Record()->AddGroupLeds = nullptr;
    MainWorking_Handovers().portFillRing = nullptr;
    TheAppRecord().exposeTime.store(99);
    StartUp_FillTables();
    EXPECT_NE(TheAppRecord().ops.InitAllControlsBegin, nullptr);
    EXPECT_EQ(TheAppRecord().exposeTime.load(), -1); // the application record starts afresh
    EXPECT_NE(CYCLIC_ReplyBuffer()->read, nullptr);
    EXPECT_EQ(PortWork_Record()->write, &PortWork_Write);
    EXPECT_EQ(PortCombo_Record()->restoreAll, &PortCombo_RestoreAll);
    EXPECT_EQ(DinamicControl_Record()->AddGroupLeds, &DinamicControl_AddGroupLeds);
    EXPECT_EQ(MainWorking_Handovers().portFillRing, &PortCombo_InputComboValues);
    EXPECT_EQ(MainWorking_Handovers().comSelectOnly, &MainWorking_COMSELECT_ONLY);
    EXPECT_EQ(LookupCallbackName("ExitCallBak"), &ExitCallBak);
    EXPECT_EQ(LookupCallbackName("CloseAllNo"), &CloseAllNoCallback);
}

TEST_F(StartUp, ReadsTheMenuKey) {
    folder.writeConfig("[Section]\nMenu=DEFAULTMENU.UIR\n");
    EXPECT_EQ(StartUp_ReadConfig(folder.config()).menuFile, "DEFAULTMENU.UIR");
    EXPECT_EQ(StartUp_ReadConfig(folder.file("absent.ini")).menuFile, "");
}

TEST_F(StartUp, TitleVersionComesFromTheExecutableNamedByArgvZero) {
    folder.writeConfig("[Section]\nSoftwareName=CRV\n");
    struct Case {
        const char* argv0;
        std::string title;
    } cases[] = {
        {"corvane-control", "CRV" + kVersion},
        {"./some/other/folder/corvane-control", "CRV" + kVersion}, // only its file name counts
        {"GetProduct.uir", "CRV"},                                 // a file without a version block
        {"no-such-program", "CRV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv0);
        ResetUserInterfaceModelForTesting();
        ASSERT_EQ(begin(c.argv0), STARTUP_RUN_LOOP);
        std::string title;
        GetPanelAttribute(state.panel, ATTR_TITLE, &title);
        EXPECT_EQ(title, c.title);
        StartUp_End(&state);
        begun = false;
    }
}

TEST_F(StartUp, PanelFileThatCannotBeLoadedEndsSilentlyNamingTheFile) {
    folder.writeConfig("[Section]\nKey=Missing.uir\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(begin(), STARTUP_CLOSE_PORT);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Missing.uir"), std::string::npos) << err;
    EXPECT_EQ(state.panel, 0);
    StartUp_End(&state);
    begun = false;

    // The whole program: exit code 0, and nothing was shown.
    char name[] = "corvane-control";
    char* argv[] = {name, nullptr};
    int n = 1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(StartUp_Run(n, argv), 0);
    testing::internal::GetCapturedStderr();
}

TEST_F(StartUp, FailedRuntimeInitialisationLoadsNothing) {
    state.hooks.init = [](int&, char**) { return 0; };
    EXPECT_EQ(begin(), STARTUP_CLOSE_PORT);
    EXPECT_EQ(state.panel, 0);
}

TEST_F(StartUp, ClosingTheMainPanelEndsTheLoopAndDiscardsThePanel) {
    ASSERT_EQ(begin(), STARTUP_RUN_LOOP);
    const int panel = state.panel;
    EXPECT_EQ(runLoopAfter([panel] { FirePanelEvent(panel, EVENT_CLOSE); }), 0);
    StartUp_End(&state);
    begun = false;
    EXPECT_FALSE(PanelExists(panel));
}

TEST_F(StartUp, OtherPanelEventsDoNotEndTheLoop) {
    ASSERT_EQ(begin(), STARTUP_RUN_LOOP);
    const int panel = state.panel;
    bool afterwards = false;
    EXPECT_EQ(runLoopAfter([panel, &afterwards] {
                  FirePanelEvent(panel, EVENT_COMMIT);
                  PostDeferredCall([&afterwards] {
                      afterwards = true;
                      QuitUserInterface(0);
                  });
              }),
              0);
    EXPECT_TRUE(afterwards); // the loop was still running after the commit event
}

TEST_F(StartUp, ExitButtonNamedByThePanelFileEndsTheLoop) {
    // COMCombo.uir names "ExitCallBak" on its exit button: start-up registers it before loading.
    ASSERT_EQ(begin(), STARTUP_RUN_LOOP);
    const int combo = LoadPanel(state.panel, "COMCombo.uir", 1);
    ASSERT_GT(combo, 0);
    int exitButton = 0;
    for (int id = 1; id <= 3; ++id) {
        std::string name;
        GetCtrlAttribute(combo, id, ATTR_CONSTANT_NAME, &name);
        if (name == "EXIT_BUTTON") exitButton = id;
    }
    ASSERT_GT(exitButton, 0);
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetCtrlCallback(combo, exitButton, &fn, &data);
    EXPECT_EQ(fn, &ExitCallBak);
    EXPECT_EQ(runLoopAfter([combo, exitButton] { FireCtrlEvent(combo, exitButton, EVENT_COMMIT); }),
              0);
}

// Panels with port-selection candidates in the given order, as a panel file.
std::string PanelWith(const std::vector<std::pair<std::string, std::string>>& controls) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n"
                      " <class>PANEL</class>\n <widget class=\"QWidget\" name=\"PANEL\">\n"
                      "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>400</width>"
                      "<height>300</height></rect></property>\n";
    int top = 10;
    for (const auto& [cls, name] : controls) {
        xml += "  <widget class=\"" + cls + "\" name=\"" + name +
               "\">\n   <property name=\"geometry\"><rect><x>10</x><y>" + std::to_string(top) +
               "</y><width>264</width><height>40</height></rect></property>\n  </widget>\n";
        top += 50;
    }
    return xml + " </widget>\n</ui>\n";
}

TEST_F(StartUp, FirstPortSelectionControlInControlOrderIsTaken) {
    const std::pair<std::string, std::string> frame{"QFrame", "PORTCOMBOUI"};
    const std::pair<std::string, std::string> ring{"QComboBox", "PORTCOMBO"};
    const std::pair<std::string, std::string> other{"QLabel", "TEXTMSG"};
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> controls;
        int expected; // control id, 0 = none
    } cases[] = {
        {"frame before ring", {other, frame, ring}, 2},
        {"ring before frame", {other, ring, frame}, 2},
        {"name containing PORTCOMBOUI", {other, {"QFrame", "X_PORTCOMBOUI_2"}}, 2},
        {"name beginning with PORTCOMBO", {{"QComboBox", "PORTCOMBO_OWN"}, frame}, 1},
        {"PORTCOMBO inside a name is not a ring", {{"QComboBox", "MYPORTCOMBO"}, other}, 0},
        {"no candidate", {other}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetUserInterfaceModelForTesting();
        folder.writeFile("Probe.uir", PanelWith(c.controls));
        folder.writeConfig("[Section]\nKey=Probe.uir\n");
        ASSERT_EQ(begin(), STARTUP_RUN_LOOP);
        EXPECT_EQ(state.portControl, c.expected);
        // The frame receives the connection panel; the ring becomes the panel's own port ring.
        const PortComboRecord* record = PortCombo_Record();
        const bool frameTaken = c.expected > 0 && c.controls[c.expected - 1].first == "QFrame";
        EXPECT_EQ(record->placeholder.load(), frameTaken ? c.expected : 0);
        EXPECT_EQ(record->connectionPanel.load() > 0, frameTaken);
        int id = 0;
        GetPanelAttribute(state.panel, ATTR_PANEL_FIRST_CTRL, &id);
        for (; id > 0; GetCtrlAttribute(state.panel, id, ATTR_NEXT_CTRL, &id)) {
            CtrlCallbackPtr fn = nullptr;
            void* data = nullptr;
            GetCtrlCallback(state.panel, id, &fn, &data);
            const bool ringTaken = id == c.expected && !frameTaken;
            EXPECT_EQ(fn == &Main_COMSELECT, ringTaken) << "control " << id;
        }
        StartUp_End(&state);
        begun = false;
    }
}

} // namespace
