// The control callbacks of bound panels and the on/off lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/binding.h"
#include "engine/callbacks.h"
#include "engine/handovers.h"
#include "engine/on_off_lists.h"
#include "engine/pending_letters.h"
#include "runtime/userint.h"
#include "support_panels.h"

namespace {

std::string Letters(const PanelContext& ctx) {
    std::string s;
    for (const auto& l : ctx.pendingLetters)
        s += l.load() ? l.load() : '.';
    return s;
}

std::vector<int> TextSlots(const PanelContext& ctx) {
    std::vector<int> v;
    for (const auto& t : ctx.pendingTextCtrls)
        v.push_back(t.load());
    return v;
}

int Dimmed(int panel, int ctrl) {
    int d = -1;
    GetCtrlAttribute(panel, ctrl, ATTR_DIMMED, &d);
    return d;
}

class Callbacks : public EngineTest {
  protected:
    AppRecord& app = TheAppRecord();
    // Binds panel as the main panel.
    void BindMain(int panel) {
        ASSERT_GT(panel, 0);
        app.mainPanel.panel.store(panel);
        MainWorking_InitAllControls(&app.mainPanel, panel, nullptr);
    }
};

TEST_F(Callbacks, SixthLetterIsDropped) {
    const int panel = LoadFixturePanel({Int("G_D_INW_0", 1), Int("H_D_INQ_0", 1)});
    BindMain(panel);
    const int g = CtrlId(panel, "G_D_INW_0");
    for (int i = 0; i < 6; ++i)
        FireCtrlEvent(panel, g, EVENT_COMMIT);
    EXPECT_EQ(Letters(app.mainPanel), "GGGGG");
    EXPECT_EQ(app.mainPanel.pending.load(), 1);
    FireCtrlEvent(panel, CtrlId(panel, "H_D_INQ_0"), EVENT_COMMIT);
    EXPECT_EQ(Letters(app.mainPanel), "GGGGG");

    // Once the sender took a copy, the next commit finds that slot.
    app.mainPanel.pendingLetters[2].store(0);
    FireCtrlEvent(panel, CtrlId(panel, "H_D_INQ_0"), EVENT_COMMIT);
    EXPECT_EQ(Letters(app.mainPanel), "GGHGG");
}

TEST_F(Callbacks, OnlyTheCommitEventQueues) {
    const int panel = LoadFixturePanel({Int("G_D_INQ_0", 1)});
    BindMain(panel);
    const int g = CtrlId(panel, "G_D_INQ_0");
    for (int event : {EVENT_KEYPRESS, EVENT_LOST_FOCUS, EVENT_VAL_CHANGED})
        FireCtrlEvent(panel, g, event);
    EXPECT_EQ(Letters(app.mainPanel), ".....");
    EXPECT_EQ(app.mainPanel.pending.load(), 0);
}

TEST_F(Callbacks, QueueButtonAndEnableSwitchQueueTheLetterAfterTheDigit) {
    const int panel = LoadFixturePanel(
        {Int("I_D_INW_0", 1), Toggle("1_I_D_INR_0", true), Button("4_O"), Int("O_D_IN0_0", 3)});
    BindMain(panel);
    FireCtrlEvent(panel, CtrlId(panel, "4_O"), EVENT_COMMIT);
    FireCtrlEvent(panel, CtrlId(panel, "1_I_D_INR_0"), EVENT_COMMIT);
    EXPECT_EQ(Letters(app.mainPanel), "OI...");
}

TEST_F(Callbacks, AddToBufWithAndWithoutTheLock) {
    PanelContext& ctx = app.mainPanel;
    EXPECT_FALSE(MainWorking_PendingLetterLockExists());
    EXPECT_EQ(MainWorking_AddToBuf(&ctx, "4_P_SPC"), 1);
    MainWorking_CreatePendingLetterLock();
    EXPECT_TRUE(MainWorking_PendingLetterLockExists());
    EXPECT_EQ(MainWorking_AddToBuf(&ctx, "Q_D_INQ_0"), 1);
    EXPECT_EQ(MainWorking_AddToBuf(&ctx, "4"), 0); // no letter to queue
    EXPECT_EQ(Letters(ctx), "PQ...");
    MainWorking_DeletePendingLetterLock();
    EXPECT_FALSE(MainWorking_PendingLetterLockExists());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(MainWorking_AddToBuf(&ctx, "4_P_SPC"), 1);
    EXPECT_EQ(MainWorking_AddToBuf(&ctx, "4_P_SPC"), 0);
    EXPECT_EQ(Letters(ctx), "PQPPP");
}

// Two writers (the user-interface thread and the spectrum run) never take the same slot, and
// every letter that was reported queued is in a slot once.
TEST_F(Callbacks, ConcurrentWritersNeverShareASlot) {
    PanelContext& ctx = app.mainPanel;
    MainWorking_CreatePendingLetterLock();
    for (int round = 0; round < 200; ++round) {
        ctx.clearQueues();
        std::atomic<int> queuedA{0}, queuedB{0};
        std::thread a([&] {
            for (int i = 0; i < 4; ++i)
                queuedA += MainWorking_AddToBuf(&ctx, "A");
        });
        std::thread b([&] {
            for (int i = 0; i < 4; ++i)
                queuedB += MainWorking_AddToBuf(&ctx, "4_B");
        });
        a.join();
        b.join();
        const std::string l = Letters(ctx);
        ASSERT_EQ(queuedA + queuedB, 5) << l;
        EXPECT_EQ(std::count(l.begin(), l.end(), 'A'), queuedA.load()) << l;
        EXPECT_EQ(std::count(l.begin(), l.end(), 'B'), queuedB.load()) << l;
    }
    MainWorking_DeletePendingLetterLock();
}

TEST_F(Callbacks, PlainControlOfTheDialogMarksTheMainPanel) {
    const int main = LoadFixturePanel({Int("G_D_INQ_0", 1)});
    BindMain(main);
    const int dialog = LoadFixturePanel({Text("V_S_IN2", "2")});
    ExitHandler exit;
    MainWorking_InitOtherPanel(&app, &exit, dialog);
    FireCtrlEvent(dialog, CtrlId(dialog, "V_S_IN2"), EVENT_COMMIT);
    EXPECT_EQ(app.mainPanel.pending.load(), 1);
    EXPECT_EQ(app.otherPanel.pending.load(), 0);
}

TEST_F(Callbacks, PcControlSwitchDimsAndUndimsTheVisibleControls) {
    const int panel =
        LoadFixturePanel({Int("I_D_INR_0", 5), Ring("2_ALL", {"Off", "On", "Auto"}, "0;1;2"),
                          Hidden(Int("TIME", 100)), Button("OTHER")});
    BindMain(panel);
    EXPECT_EQ(app.pcControl.load(), 0);
    const int sw = CtrlId(panel, "2_ALL");
    const int cmd = CtrlId(panel, "I_D_INR_0");
    const int hidden = CtrlId(panel, "TIME");
    const int other = CtrlId(panel, "OTHER");
    SetCtrlAttribute(panel, hidden, ATTR_DIMMED, 0);

    const struct {
        int value, pcControl, dimmed;
    } steps[] = {{1, 1, 0}, {0, 0, 1}, {1, 1, 0}, {2, 2, 1}};
    for (const auto& s : steps) {
        SCOPED_TRACE("switch " + std::to_string(s.value));
        ASSERT_GE(SetCtrlVal(panel, sw, s.value), 0);
        FireCtrlEvent(panel, sw, EVENT_COMMIT);
        EXPECT_EQ(app.pcControl.load(), s.pcControl);
        EXPECT_EQ(Dimmed(panel, cmd), s.dimmed);
        EXPECT_EQ(Dimmed(panel, other), s.dimmed);
        EXPECT_EQ(Dimmed(panel, sw), 0);
        EXPECT_EQ(Dimmed(panel, hidden), 0); // hidden controls keep their state
    }
    // The switch is not a plain control: it never marks the panel.
    EXPECT_EQ(app.mainPanel.pending.load(), 0);
}

TEST_F(Callbacks, AControlWithTheSwitchIdOnAnotherPanelIsNoSwitch) {
    const int panel = LoadFixturePanel({Ring("2_ALL", {"Off", "On"}, "0;1"), Int("X", 0)});
    BindMain(panel);
    const int dialog = LoadFixturePanel({Int("V_D_IN0_0", 0), Int("V_D_IN0_1", 0)});
    ExitHandler exit;
    MainWorking_InitOtherPanel(&app, &exit, dialog);
    ASSERT_EQ(CtrlId(dialog, "V_D_IN0_0"), CtrlId(panel, "2_ALL"));
    SetCtrlVal(dialog, CtrlId(dialog, "V_D_IN0_0"), 1);
    FireCtrlEvent(dialog, CtrlId(dialog, "V_D_IN0_0"), EVENT_COMMIT);
    EXPECT_EQ(app.pcControl.load(), 0);
    EXPECT_EQ(app.mainPanel.pending.load(), 1);
}

TEST_F(Callbacks, ResizeTogglesGrowAndShrinkThePanel) {
    const int panel = LoadFixturePanel(
        {Toggle("RESIZE_V_920", false), Toggle("RESIZE_H_300", false), Button("RESIZE_V_50")},
        "Fixture", 400, 300);
    BindMain(panel);
    auto size = [&] {
        int w = 0, h = 0;
        GetPanelAttribute(panel, ATTR_WIDTH, &w);
        GetPanelAttribute(panel, ATTR_HEIGHT, &h);
        return std::make_pair(w, h);
    };
    const int v = CtrlId(panel, "RESIZE_V_920");
    const int h = CtrlId(panel, "RESIZE_H_300");
    SetCtrlVal(panel, v, 1);
    EXPECT_EQ(FireCtrlEvent(panel, v, EVENT_COMMIT), 1);
    EXPECT_EQ(size(), std::make_pair(1320, 300));
    int scale = -1;
    GetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, &scale);
    EXPECT_EQ(scale, 0);
    SetCtrlVal(panel, v, 0);
    EXPECT_EQ(FireCtrlEvent(panel, v, EVENT_COMMIT), 1);
    EXPECT_EQ(size(), std::make_pair(400, 300));
    SetCtrlVal(panel, h, 1);
    EXPECT_EQ(FireCtrlEvent(panel, h, EVENT_COMMIT), 1);
    EXPECT_EQ(size(), std::make_pair(400, 600));
    // Not a two-state control: nothing happens.
    EXPECT_EQ(FireCtrlEvent(panel, CtrlId(panel, "RESIZE_V_50"), EVENT_COMMIT), 0);
    EXPECT_EQ(size(), std::make_pair(400, 600));
}

TEST_F(Callbacks, TextSenderQueuesItsTargetUpToFiveTimes) {
    const int panel = LoadFixturePanel({Button("9_STOPCOMAND"), Text("STOPCOMAND", "O:0")});
    BindMain(panel);
    const int sender = CtrlId(panel, "9_STOPCOMAND");
    const int target = CtrlId(panel, "STOPCOMAND");
    for (int i = 0; i < 6; ++i)
        FireCtrlEvent(panel, sender, EVENT_COMMIT);
    EXPECT_EQ(TextSlots(app.mainPanel), std::vector<int>(5, target));
    EXPECT_EQ(app.mainPanel.pending.load(), 1);
    // A panel that is neither bound panel queues nothing.
    PanelContext& other = app.otherPanel;
    MainWorking_ControNmPointer(panel + 1000, sender, EVENT_COMMIT, CtrlIdData(target), 0, 0);
    EXPECT_EQ(TextSlots(other), std::vector<int>(5, 0));
}

TEST_F(Callbacks, MirrorCopiesTheIntegerValue) {
    const int panel = LoadFixturePanel({Int("6_P_D_INQ_0", 0), Int("P_D_INQ_0", 0)});
    BindMain(panel);
    SetCtrlVal(panel, CtrlId(panel, "6_P_D_INQ_0"), 42);
    FireCtrlEvent(panel, CtrlId(panel, "6_P_D_INQ_0"), EVENT_COMMIT);
    int v = 0;
    GetCtrlVal(panel, CtrlId(panel, "P_D_INQ_0"), &v);
    EXPECT_EQ(v, 42);
}

// The data-log switch drives the log through its hand-over.
struct FakeLog {
    std::vector<std::string> calls;
    int beginResult = 1;
};
FakeLog* gLog = nullptr;

TEST_F(Callbacks, LogSwitchStartsAndStopsTheLog) {
    FakeLog log;
    gLog = &log;
    EngineHandovers& h = MainWorking_Handovers();
    h.logRecord = &log;
    h.logInit = [](void*, int, int, const std::string& name) {
        gLog->calls.push_back("init " + name);
    };
    h.logSetTimeColumn = [](void*, int on) { gLog->calls.push_back("time " + std::to_string(on)); };
    h.logBeginWork = [](void* r) {
        gLog->calls.push_back("begin");
        return static_cast<FakeLog*>(r)->beginResult;
    };
    h.logStopWork = [](void*) {
        gLog->calls.push_back("stop");
        return 1;
    };
    const int panel = LoadFixturePanel({Toggle("LGFILE_1_2", false)});
    BindMain(panel);
    const int sw = CtrlId(panel, "LGFILE_1_2");
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetCtrlCallback(panel, sw, &fn, &data);
    EXPECT_EQ(fn, &MainWorking_BrowseCB);
    EXPECT_EQ(data, &log);

    SetCtrlVal(panel, sw, 1);
    FireCtrlEvent(panel, sw, EVENT_COMMIT);
    SetCtrlVal(panel, sw, 0);
    FireCtrlEvent(panel, sw, EVENT_COMMIT);
    log.beginResult = -1; // the user cancels the file dialog
    SetCtrlVal(panel, sw, 1);
    FireCtrlEvent(panel, sw, EVENT_COMMIT);
    int v = -1;
    GetCtrlVal(panel, sw, &v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"time 0", "init LGFILE_1_2", "begin", "stop", "begin"}));
    gLog = nullptr;
}

TEST_F(Callbacks, LogSwitchWithoutALogModuleGetsNoCallback) {
    const int panel = LoadFixturePanel({Toggle("LGFILD_1_2_0", false)});
    BindMain(panel);
    CtrlCallbackPtr fn = &MainWorking_Resize;
    void* data = nullptr;
    GetCtrlCallback(panel, CtrlId(panel, "LGFILD_1_2_0"), &fn, &data);
    EXPECT_EQ(fn, nullptr);
}

class OnOffLists : public Callbacks {
  protected:
    int Build(const std::string& listText, const std::string& listName = "B_OUD_0") {
        panel =
            LoadFixturePanel({Button("4_O"), Button("9_STOPCOMAND"), Text("STOPCOMAND", "O:0"),
                              Int("A", 0), Int("B", 0), Int("C", 0), Int("D", 0), Int("E", 0),
                              Int("F", 0), Int("NAME_OF_THIRTY_CHARACTERS_XXXX", 0),
                              Int("NAME_OF_TWENTY_NINE_CHARS_XXX", 0), Text(listName, listText)});
        BindMain(panel);
        return panel;
    }
    int Id(const std::string& name) { return CtrlId(panel, name); }
    OnOffSlot Slot(int n) { return TheBWorkingTable().slot(n); }
    void Report(const char* text) { B_working_SetOnOff(&TheBWorkingTable(), &app.mainPanel, text); }
    int panel = 0;
};

TEST_F(OnOffLists, ReportsDimTheOnListAndTheOffListOpposite) {
    Build("ON=4_O;OFF=9_STOPCOMAND;");
    const int on = Id("4_O"), off = Id("9_STOPCOMAND");
    EXPECT_EQ(Slot(0).on[0], on);
    EXPECT_EQ(Slot(0).on[1], 0);
    EXPECT_EQ(Slot(0).off[0], off);
    EXPECT_EQ(Slot(0).off[1], 0);
    const struct {
        const char* report;
        int on, off;
    } steps[] = {{"B0,1", 1, 0}, {"B0,0", 0, 1}, {"B0,2", 1, 1}, {"B0,3", 1, 1}};
    for (const auto& s : steps) {
        Report(s.report);
        EXPECT_EQ(Dimmed(panel, on) != 0, s.on != 0) << s.report;
        EXPECT_EQ(Dimmed(panel, off) != 0, s.off != 0) << s.report;
    }
}

TEST_F(OnOffLists, BadReportsChangeNothing) {
    Build("ON=4_O;OFF=9_STOPCOMAND;");
    Report("B0,0");
    const int on = Id("4_O"), off = Id("9_STOPCOMAND");
    for (const char* bad : {"B1,1", "B4,1", "B9,1", "B/,1", "B0,x", "B0,", "B0", "B", "", "Bx,1"}) {
        Report(bad);
        EXPECT_EQ(Dimmed(panel, on), 0) << bad;
        EXPECT_NE(Dimmed(panel, off), 0) << bad;
    }
    B_working_SetOnOff(&TheBWorkingTable(), &app.mainPanel, nullptr);
}

TEST_F(OnOffLists, ListTexts) {
    const struct {
        const char* text;
        std::vector<std::string> on, off;
    } cases[] = {
        {"ON=;OFF=;", {}, {}},
        {"ON=A;B;OFF=C;D", {"A", "B"}, {"C"}},   // the last off name lacks its ";"
        {"ON=A;B;C", {"A", "B", "C"}, {}},       // no ";OFF=": all names are on names
        {"ON=A;;B;OFF=;;C;", {"A", "B"}, {"C"}}, // empty names name nothing
        {"ON=A;B;C;D;E;F;OFF=", {"A", "B", "C", "D", "E"}, {}},
        {"ON=NAME_OF_THIRTY_CHARACTERS_XXXX;NAME_OF_TWENTY_NINE_CHARS_XXX;OFF=;",
         {"NAME_OF_TWENTY_NINE_CHARS_XXX"},
         {}},
        {"ON=NOPE;A;OFF=NOPE;B;", {"A"}, {"B"}}, // unknown names are skipped
        {"", {}, {}},
        {"ON", {}, {}},
        {";OFF=A;", {}, {"A"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ResetUserInterfaceModelForTesting();
        Build(c.text);
        const OnOffSlot s = Slot(0);
        std::vector<int> on, off;
        for (int i = 0; i < kOnOffNames && s.on[i]; ++i)
            on.push_back(s.on[i]);
        for (int i = 0; i < kOnOffNames && s.off[i]; ++i)
            off.push_back(s.off[i]);
        std::vector<int> wantOn, wantOff;
        for (const auto& n : c.on)
            wantOn.push_back(Id(n));
        for (const auto& n : c.off)
            wantOff.push_back(Id(n));
        EXPECT_EQ(on, wantOn);
        EXPECT_EQ(off, wantOff);
    }
}

TEST_F(OnOffLists, SlotDigitsSelectTheSlotAndOthersAreIgnored) {
    Build("ON=A;OFF=B;", "B_OUD_3");
    EXPECT_EQ(Slot(3).on[0], Id("A"));
    EXPECT_EQ(Slot(0).on[0], 0);
    Report("B3,1");
    EXPECT_NE(Dimmed(panel, Id("A")), 0);
    EXPECT_EQ(Dimmed(panel, Id("B")), 0);

    ResetUserInterfaceModelForTesting();
    B_working_INIT_POINTERS(&TheBWorkingTable());
    Build("ON=A;OFF=B;", "B_OUD_7");
    for (int n = 0; n < kOnOffSlots; ++n)
        EXPECT_EQ(Slot(n).on[0], 0);
    B_working_InitB_Command(&TheBWorkingTable(), &app.mainPanel, Id("B_OUD_7"), -1, 0);
    B_working_InitB_Command(&TheBWorkingTable(), &app.mainPanel, Id("B_OUD_7"), 4, 0);
    for (int n = 0; n < kOnOffSlots; ++n)
        EXPECT_EQ(Slot(n).on[0], 0);
}

TEST_F(OnOffLists, ShippedSpectrumList) {
    panel = LoadShippedPanel("MAINUISPECTRA.UIR");
    BindMain(panel);
    const OnOffSlot s = Slot(0);
    EXPECT_EQ(std::vector<int>(s.on, s.on + 5),
              (std::vector<int>{CtrlId(panel, "SPC_1"), CtrlId(panel, "SPC_2"),
                                CtrlId(panel, "6_P_D_INQ_1"), CtrlId(panel, "6_P_D_INQ_0"), 0}));
    EXPECT_EQ(s.off[0], 0);
    B_working_SetOnOff(&TheBWorkingTable(), &app.mainPanel, "B0,1");
    EXPECT_NE(Dimmed(panel, CtrlId(panel, "SPC_1")), 0);
    EXPECT_EQ(Dimmed(panel, CtrlId(panel, "SPC_PREF")), 0);
}

} // namespace
