// The command passes of the send thread: group lines built from the control table, queued and
// repeated groups, text commands, retries and the spectrum hand-over. The port record's write
// operation is replaced by a recorder, which also tells whether the write claimed the handshake
// (wait modes 1 and -2) and then frees it, as an answering device would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/binding.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "engine/pending_letters.h"
#include "runtime/userint.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "support_panels.h"

namespace {

struct Written {
    std::string text;
    bool claimed; // the handshake was claimed for this write
    bool operator==(const Written&) const = default;
};
std::vector<Written> gWritten;
int gFailures = 0; // the next writes that fail

int RecordingWrite(PortRecord*, const char* text, int32_t waitMode) {
    EXPECT_EQ(waitMode, WAIT_MODE_NONE) << "the handshake is waited for before the write";
    gWritten.push_back({text, GetStatusWrite().waiting == 1});
    FinishWaitCom();
    if (gFailures > 0) {
        --gFailures;
        return -4;
    }
    return static_cast<int>(std::string(text).size()) + 1;
}

std::vector<std::string> Texts() {
    std::vector<std::string> v;
    for (const auto& w : gWritten)
        v.push_back(w.text);
    return v;
}

class SendCommands : public EngineTest {
  protected:
    AppRecord& app = TheAppRecord();
    PortRecord* port = PortWork_Record();

    void SetUp() override {
        EngineTest::SetUp();
        InitializeStatusWrite();
        gWritten.clear();
        gFailures = 0;
        port->write = RecordingWrite;
    }
    void TearDown() override {
        port->write = PortWork_Write;
        UninitializeStatusWrite();
        EngineTest::TearDown();
    }
    int BindMain(const std::vector<FixtureCtrl>& controls) {
        const int panel = LoadFixturePanel(controls);
        EXPECT_GT(panel, 0);
        app.mainPanel.panel.store(panel);
        MainWorking_InitAllControls(&app.mainPanel, panel, nullptr);
        return panel;
    }
    const CommandGroup* Group(char letter) {
        table_ = app.mainPanel.table();
        for (int g = 0; g < table_->groupCount; ++g)
            if (table_->groups[g].letter == letter) return &table_->groups[g];
        return nullptr;
    }
    void Commit(int panel, const std::string& name) {
        FireCtrlEvent(panel, CtrlId(panel, name), EVENT_COMMIT);
    }

  private:
    std::shared_ptr<ControlTable> table_;
};

// --- group lines ---------------------------------------------------------------------------

struct LineCase {
    const char* what;
    std::vector<FixtureCtrl> controls;
    char letter;
    std::string line;
};

TEST_F(SendCommands, GroupLinesFollowThePositionsOfTheGroup) {
    const std::string longText(300, 'a');
    const std::vector<LineCase> cases = {
        {"two positions", {Int("G_D_INQ_0", 50), Int("G_D_INQ_1", 0)}, 'G', "G:50,0"},
        {"enable switch off sends 0",
         {Int("G_D_INQ_0", 50), Int("G_D_INQ_1", 7), Toggle("1_G_D_INQ_1", false)},
         'G',
         "G:50,0"},
        {"enable switch on sends the value",
         {Int("G_D_INQ_0", 50), Int("G_D_INQ_1", 7), Toggle("1_G_D_INQ_1", true)},
         'G',
         "G:50,7"},
        {"a gap ends the line",
         {Int("G_D_INQ_0", 1), Int("G_D_INQ_1", 2), Int("G_D_INQ_3", 4)},
         'G',
         "G:1,2"},
        {"empty position 0 gives the bare letter", {Int("Z_D_INQ_1", 9)}, 'Z', "Z"},
        {"text value", {Text("Y_S_INL", "abc")}, 'Y', "Y:abc"},
        {"percent counts of P",
         {Float("P_F_INW_0", 50.0), Float("P_F_INW_1", 100.0)},
         'P',
         "P:2047,4095"},
        {"over-long text is cut to 249 characters",
         {Text("Y_S_INL", longText)},
         'Y',
         "Y:" + longText.substr(0, 247)},
    };
    for (const auto& c : cases) {
        ResetUserInterfaceModelForTesting();
        const int panel = BindMain(c.controls);
        const CommandGroup* group = Group(c.letter);
        ASSERT_NE(group, nullptr) << c.what;
        EXPECT_EQ(MainWorking_BuildGroupLine(panel, *group), c.line) << c.what;
    }
}

TEST_F(SendCommands, ManyLongValuesAreCutAtTheLineLimitWithoutOverrun) {
    std::vector<FixtureCtrl> controls;
    for (int i = 0; i < 20; ++i)
        controls.push_back(Text("Y_S_INL_" + std::to_string(i), std::string(40, 'a' + i % 26)));
    const int panel = BindMain(controls);
    const CommandGroup* group = Group('Y');
    ASSERT_NE(group, nullptr);
    const std::string line = MainWorking_BuildGroupLine(panel, *group);
    ASSERT_EQ(line.size(), static_cast<size_t>(kGroupLineLimit));
    // "Y:", then 41 characters per value with its comma: the seventh value keeps one character.
    EXPECT_EQ(line.substr(0, 45), "Y:" + std::string(40, 'a') + ",bb");
    EXPECT_EQ(line.substr(kGroupLineLimit - 4), "ff,g");
}

// --- passes ----------------------------------------------------------------------------------

TEST_F(SendCommands, QueuedGroupGoesOnlyWithItsLetterAndTakesOneCopy) {
    const int panel = BindMain({Int("G_D_INQ_0", 40), Int("G_D_INQ_1", 0), Int("H_D_IN0_0", 3)});
    app.mainPanel.pending.store(1);
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"H:3"})) << "a plain group goes on every run";
    EXPECT_EQ(app.mainPanel.pending.load(), 0);

    gWritten.clear();
    Commit(panel, "G_D_INQ_0");
    Commit(panel, "G_D_INQ_1");
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"G:40,0", "H:3"}));
    EXPECT_EQ(app.mainPanel.pendingLetters[0].load(), 0) << "the first copy was taken";
    EXPECT_EQ(app.mainPanel.pendingLetters[1].load(), 'G') << "the second waits for a later run";

    gWritten.clear();
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"G:40,0", "H:3"}));
    for (const auto& slot : app.mainPanel.pendingLetters)
        EXPECT_EQ(slot.load(), 0);
}

TEST_F(SendCommands, RepeatGroupIsWrittenTwiceAroundTheTextCommands) {
    const int panel =
        BindMain({Int("A_D_INL_0", 5), Int("C_D_IN0_0", 6), Text("CMD", "X:1"), Button("9_CMD")});
    Commit(panel, "9_CMD");
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"A:5", "C:6", "X:1", "A:5"}));
}

TEST_F(SendCommands, WaitModesFollowTheGroupsWaitReply) {
    const int panel = BindMain({Int("R_D_INR_0", 1), Int("Q_D_INQ_0", 2), Int("W_D_INW_0", 3)});
    Commit(panel, "Q_D_INQ_0");
    Commit(panel, "W_D_INW_0");
    MainWorking_SendInComands(&app);
    EXPECT_EQ(gWritten, (std::vector<Written>{{"R:1", true}, {"Q:2", false}, {"W:3", true}}));
}

TEST_F(SendCommands, TextCommandsAreSentOnceInSlotOrderAndCut) {
    const std::string longText(250, 'x');
    const int panel = BindMain({Text("ONE", "O:1"), Button("9_ONE"), Text("TWO", longText),
                                Button("9_TWO"), Text("THREE", ""), Button("9_THREE")});
    Commit(panel, "9_TWO");
    Commit(panel, "9_ONE");
    Commit(panel, "9_THREE");
    gFailures = 3; // a failed text command is not tried again
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{longText.substr(0, kTextCommandLimit), "O:1", ""}));
    for (const auto& slot : app.mainPanel.pendingTextCtrls)
        EXPECT_EQ(slot.load(), 0);
}

TEST_F(SendCommands, FailingGroupLineIsTriedElevenTimesAtMost) {
    BindMain({Int("H_D_IN0_0", 3), Int("J_D_IN0_0", 4)});
    app.mainPanel.pending.store(1);
    gFailures = 3;
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"H:3", "H:3", "H:3", "H:3", "J:4"}));

    gWritten.clear();
    gFailures = 100;
    MainWorking_SendInComands(&app);
    ASSERT_EQ(gWritten.size(), 22u);
    EXPECT_EQ(gWritten.front().text, "H:3");
    EXPECT_EQ(gWritten[11].text, "J:4") << "dropped after 11 attempts";
}

TEST_F(SendCommands, DialogPanelIsSentOnlyWhenItIsPending) {
    BindMain({Int("H_D_IN0_0", 3)});
    const int dialog = LoadFixturePanel({Int("K_D_IN0_0", 8)});
    MainWorking_InitOtherPanel(&app, nullptr, dialog);
    app.mainPanel.pending.store(1);
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"H:3"}));
    gWritten.clear();
    app.otherPanel.pending.store(1);
    MainWorking_SendInComands(&app);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"H:3", "K:8"}));
    EXPECT_EQ(app.otherPanel.pending.load(), 0);
}

int gSpectrumSignals = 0;
TEST_F(SendCommands, SpectrumHookOnlyAfterTheQueuedPGroupWasWritten) {
    gSpectrumSignals = 0;
    MainWorking_Handovers().spectrumLedCommandSent = [](AppRecord*) { ++gSpectrumSignals; };
    BindMain({Int("P_D_INQ_0", 10), Int("P_D_INQ_1", 20), Int("H_D_IN0_0", 3)});
    app.mainPanel.pending.store(1);
    MainWorking_SendInComands(&app);
    EXPECT_EQ(gSpectrumSignals, 0) << "no P letter was taken";
    ASSERT_EQ(MainWorking_AddToBuf(&app.mainPanel, "4_P_SPC"), 1);
    MainWorking_SendInComands(&app);
    EXPECT_EQ(gSpectrumSignals, 1);
    EXPECT_EQ(Texts().back(), "H:3");
    EXPECT_EQ(Texts()[Texts().size() - 2], "P:409,819") << "percent counts of P";
}

TEST_F(SendCommands, NothingIsWrittenOnceStopFlagIsSet) {
    BindMain({Int("H_D_IN0_0", 3)});
    app.stopFlag.store(1);
    app.mainPanel.pending.store(1);
    MainWorking_SendInComands(&app);
    EXPECT_TRUE(gWritten.empty());
}

TEST_F(SendCommands, AddToBufQueuesTheLetterAfterTheDigitPrefix) {
    EXPECT_EQ(MainWorking_AddToBuf(&app.mainPanel, "4_P_SPC"), 1);
    EXPECT_EQ(app.mainPanel.pendingLetters[0].load(), 'P');
    EXPECT_EQ(app.mainPanel.pending.load(), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(MainWorking_AddToBuf(&app.mainPanel, "G"), 1);
    EXPECT_EQ(MainWorking_AddToBuf(&app.mainPanel, "G"), 0) << "all five slots are taken";
}

} // namespace
