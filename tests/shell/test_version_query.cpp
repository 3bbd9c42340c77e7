// The version check of the reply thread and its completion on the user-interface thread: the
// accepted answers, the channel count, the exposure command, the status colour, and the LED
// group with the binding that follow 200 ms later.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "runtime/events.h"
#include "runtime/popups.h"
#include "runtime/system.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "shell/version_query.h"

namespace {

std::vector<std::string> gCalls;

int RecordingWrite(PortRecord*, const char* text, int32_t waitMode) {
    gCalls.push_back("write " + std::string(text) + " mode " + std::to_string(waitMode));
    return 1;
}
int RecordColor(PortComboRecord*, int32_t color) {
    char text[32];
    std::snprintf(text, sizeof text, "color %06X", static_cast<unsigned>(color));
    gCalls.push_back(text);
    return 1;
}
void RecordRestore(PortComboRecord*) {
    gCalls.push_back("restoreAll");
}
void RecordSaved(PanelContext*, int flag) {
    gCalls.push_back("initSaveAndSendOne " + std::to_string(flag));
}

class VersionQuery : public ::testing::Test {
  protected:
    AppRecord& app = TheAppRecord();
    PortComboRecord* ports = PortCombo_Record();

    void SetUp() override {
        ResetUserInterfaceModelForTesting();
        ResetScriptedPopups();
        MainWorking_Handovers() = EngineHandovers{};
        MainWorking_INIT_POINTERS(&app);
        DinamicControl_INIT_POINTERS();
        app.exposeTime.store(5);
        gCalls.clear();
        PortWork_Record()->write = RecordingWrite;
        PortCombo_INIT_POINTERS();
        ports->setColor = RecordColor;
        ports->restoreAll = RecordRestore;
        ports->initParentSize = nullptr;
        MainWorking_Handovers().initSaveAndSendOne = RecordSaved;
        ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    }
    void TearDown() override {
        MainWorking_WaitForEngineThreads(5000);
        ProcessSystemEvents();
        CloseUserInterface();
        PortWork_Record()->write = PortWork_Write;
        PortCombo_INIT_POINTERS();
        MainWorking_Handovers() = EngineHandovers{};
        MainWorking_INIT_POINTERS(&app);
        DinamicControl_INIT_POINTERS();
        ResetUserInterfaceModelForTesting();
    }
    void Check(const char* line) { app.ops.CheckVersionStatus(&app, line, 0); }
    // Runs the user-interface thread's calls until the completion has run (or 5 s).
    bool RunUntilRestored() {
        const double end = MonotonicSeconds() + 5.0;
        while (MonotonicSeconds() < end) {
            ProcessSystemEvents();
            for (const auto& c : gCalls)
                if (c == "restoreAll") return true;
            SleepMs(5);
        }
        return false;
    }
};

struct AnswerCase {
    const char* line;
    int exposeTime;
    int channelCount;
    const char* exposure;
};

TEST_F(VersionQuery, AnAnswerGivesTheChannelCountAndSendsTheExposure) {
    const std::vector<AnswerCase> cases = {
        {"V_1_4", 5, 4, "E:15"},     {"V_1_4", 12, 4, "E:112"}, {"V_7", 5, -1, "E:15"},
        {"N_2_16_9", 5, 16, "E:15"}, {"D01234", 5, -1, "E:15"}, {"V", 0, -1, "E:10"},
    };
    for (const auto& c : cases) {
        gCalls.clear();
        app.versionFlag.store(0);
        app.channelCount.store(0);
        app.exposeTime.store(c.exposeTime);
        Check(c.line);
        EXPECT_EQ(app.versionFlag.load(), 1) << c.line;
        EXPECT_EQ(app.channelCount.load(), c.channelCount) << c.line;
        EXPECT_EQ(gCalls, (std::vector<std::string>{"color 00FF00", std::string("write ") +
                                                                        c.exposure + " mode 0"}))
            << c.line;
        ASSERT_TRUE(RunUntilRestored()) << c.line;
    }
}

TEST_F(VersionQuery, OtherLinesShowAFailureUntilAnAnswerCame) {
    Check("OK");
    Check("#12");
    EXPECT_EQ(app.versionFlag.load(), 0);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"color FF0000", "color FF0000"}));
    gCalls.clear();
    Check("N_1_2");
    EXPECT_EQ(app.versionFlag.load(), 1);
    EXPECT_EQ(gCalls.front(), "color 00FF00");
    ASSERT_TRUE(RunUntilRestored());
    gCalls.clear();
    Check("OK");
    EXPECT_TRUE(gCalls.empty()) << "no red once connected";
}

TEST_F(VersionQuery, CompletionBuildsTheLedGroupAndBindsThePanelAgain) {
    SetPanelFileFolder(CORVANE_BIN_DIR);
    const int panel = LoadPanel(0, "DINAMIC_LEDS.uir", 1);
    ASSERT_GT(panel, 0);
    app.mainPanel.panel.store(panel);
    app.ops.InitAllControls(&app.mainPanel, panel, nullptr);
    ASSERT_GT(app.ledLeftPixCtrl.load(), 0);
    EXPECT_EQ(app.mainPanel.table()->groupCount, 0);

    const double answered = MonotonicSeconds();
    Check("V_1_4");
    ASSERT_TRUE(RunUntilRestored());
    const double completed = MonotonicSeconds();
    EXPECT_GE(completed - answered, 0.19) << "about 200 ms after the answer";
    EXPECT_EQ(DinamicControl_Record()->count, 8);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"color 00FF00", "write E:15 mode 0",
                                                "initSaveAndSendOne 1", "restoreAll"}));
    // The new controls are bound: one P group with four positions and their switches.
    const auto table = app.mainPanel.table();
    ASSERT_EQ(table->groupCount, 1);
    EXPECT_EQ(table->groups[0].letter, 'P');
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(table->groups[0].ctrl[k], DinamicControl_Record()->created[k]) << k;
        EXPECT_EQ(table->groups[0].enableCtrl[k], DinamicControl_Record()->created[4 + k]) << k;
    }
    EXPECT_EQ(table->groups[0].ctrl[4], 0);
}

TEST_F(VersionQuery, CompletionOfAnOldConnectionDoesNothing) {
    SetPanelFileFolder(CORVANE_BIN_DIR);
    const int panel = LoadPanel(0, "DINAMIC_LEDS.uir", 1);
    app.mainPanel.panel.store(panel);
    app.ops.InitAllControls(&app.mainPanel, panel, nullptr);
    Check("V_1_4");
    MainWorking_BeginConnection(); // the port changed within the 200 ms
    MainWorking_WaitForEngineThreads(5000);
    const double end = MonotonicSeconds() + 0.3;
    while (MonotonicSeconds() < end) {
        ProcessSystemEvents();
        SleepMs(5);
    }
    EXPECT_EQ(DinamicControl_Record()->count, 0);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"color 00FF00", "write E:15 mode 0"}));
}

TEST_F(VersionQuery, NoDacMessageWhenTheAnswerHasNoChannelCount) {
    SetPanelFileFolder(CORVANE_BIN_DIR);
    const int panel = LoadPanel(0, "DINAMIC_LEDS.uir", 1);
    app.mainPanel.panel.store(panel);
    app.ops.InitAllControls(&app.mainPanel, panel, nullptr);
    Check("V_7");
    ASSERT_TRUE(RunUntilRestored());
    const auto shown = TakeShownPopups();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Error occured");
    EXPECT_EQ(shown[0].text, "No DAC\nCheck switch power on");
    EXPECT_EQ(DinamicControl_Record()->count, 0);
}

} // namespace
