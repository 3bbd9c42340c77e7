// Binding of the shipped panels and of small fixture panels: control tables, installed
// callbacks, hand-overs to other modules and the refusals of what the tables cannot hold.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/binding.h"
#include "engine/callbacks.h"
#include "engine/conversion.h"
#include "engine/handovers.h"
#include "engine/on_off_lists.h"
#include "runtime/userint.h"
#include "support_panels.h"

namespace {

struct GroupWant {
    char letter;
    int flags;
    int waitReply;
    std::map<int, std::string> positions; // position -> constant name
};

struct ReplyWant {
    char letter;
    char valueType;
    int index;
    int byDigit;
    std::string name;
};

struct Installed {
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
};

Installed CallbackOf(int panel, int ctrl) {
    Installed i;
    GetCtrlCallback(panel, ctrl, &i.fn, &i.data);
    return i;
}

void ExpectGroup(int panel, const CommandGroup& g, const GroupWant& want) {
    SCOPED_TRACE(std::string("group ") + want.letter);
    EXPECT_EQ(g.letter, want.letter);
    EXPECT_EQ(g.flags, want.flags);
    EXPECT_EQ(g.waitReply, want.waitReply);
    for (int i = 0; i < kPositions; ++i) {
        auto it = want.positions.find(i);
        if (it == want.positions.end()) {
            EXPECT_EQ(g.ctrl[i], 0) << "position " << i;
            continue;
        }
        EXPECT_EQ(g.ctrl[i], CtrlId(panel, it->second)) << it->second;
        EXPECT_EQ(g.valueType[i], it->second[2]) << it->second;
        EXPECT_EQ(g.scale[i].load(), 1.0f) << it->second;
    }
}

void ExpectReplies(int panel, const ControlTable& t, const std::vector<ReplyWant>& wants) {
    ASSERT_EQ(t.replyCount, static_cast<int>(wants.size()));
    for (std::size_t r = 0; r < wants.size(); ++r) {
        SCOPED_TRACE(wants[r].name);
        const ReplyEntry& e = t.replies[r];
        EXPECT_EQ(e.letter, wants[r].letter);
        EXPECT_EQ(e.valueType, wants[r].valueType);
        EXPECT_EQ(e.index, wants[r].index);
        EXPECT_EQ(e.byDigit, wants[r].byDigit);
        EXPECT_EQ(e.ctrl, CtrlId(panel, wants[r].name));
    }
}

// Records what binding hands to the graph, spectrum, port and saved-value modules.
std::vector<std::string>* gCalls = nullptr;
void Record(const std::string& s) {
    if (gCalls) gCalls->push_back(s);
}

int TestCallback(int, int, int, void*, int, int) {
    return 0;
}
int TestCallback2(int, int, int, void*, int, int) {
    return 0;
}

class Binding : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        gCalls = &calls;
    }
    void TearDown() override {
        gCalls = nullptr;
        EngineTest::TearDown();
    }
    void FillHandovers() {
        EngineHandovers& h = MainWorking_Handovers();
        h.graphRecord = &graphRecord;
        h.graphIsBound = [](void* r) { return *static_cast<int*>(r); };
        h.graphInit = [](void* r, int, int control, int a, int b, int c, const std::string& n) {
            *static_cast<int*>(r) = 1;
            Record("graphInit " + std::to_string(control) + " " + std::to_string(a) + "," +
                   std::to_string(b) + "," + std::to_string(c) + " " + n);
        };
        h.graphInitAndUI = [](void* r, int, int control, int a, int b, int c,
                              const std::string& n) {
            *static_cast<int*>(r) = 1;
            Record("graphInitAndUI " + std::to_string(control) + " " + std::to_string(a) + "," +
                   std::to_string(b) + "," + std::to_string(c) + " " + n);
        };
        h.graphInitName = [](void*, const std::string& label, int key) {
            Record("traceName " + std::to_string(key) + " " + label);
        };
        h.specInitParams = [](const std::string& name, PanelContext*, int control) {
            Record("want " + name + " " + std::to_string(control));
        };
        h.portFillRing = [](int, int control) { Record("portFill " + std::to_string(control)); };
        h.comSelectOnly = TestCallback;
        h.saveAndReload = TestCallback;
        h.saveAndReload2 = TestCallback2;
        h.initSaveAndSendOne = [](PanelContext*, int flag) {
            Record("initSaveAndSendOne " + std::to_string(flag));
        };
        h.scheduleEngineThreads = [](AppRecord* a) {
            Record("schedule stopFlag=" + std::to_string(a->stopFlag.load()));
        };
        h.debugClosePanel = [] { Record("debugClosePanel"); };
    }
    int BindMain(int panel) {
        EXPECT_GT(panel, 0);
        app.mainPanel.panel.store(panel);
        return MainWorking_InitAllControls(&app.mainPanel, panel, nullptr);
    }
    std::shared_ptr<ControlTable> Table() const { return app.mainPanel.table(); }
    void ExpectCb(int panel, const std::string& name, CtrlCallbackPtr fn, void* data) {
        const Installed i = CallbackOf(panel, CtrlId(panel, name));
        EXPECT_EQ(i.fn, fn) << name;
        EXPECT_EQ(i.data, data) << name;
    }
    void ExpectNoCb(int panel, const std::string& name) {
        EXPECT_EQ(CallbackOf(panel, CtrlId(panel, name)).fn, nullptr) << name;
    }

    AppRecord& app = TheAppRecord();
    PanelContext* main = &TheAppRecord().mainPanel;
    std::vector<std::string> calls;
    int graphRecord = 0;
};

// ----- shipped panels -----

TEST_F(Binding, Arvel7) {
    FillHandovers();
    const int p = LoadShippedPanel("Arvel7.uir");
    EXPECT_EQ(BindMain(p), 0);
    const auto t = Table();
    EXPECT_EQ(t->panel, p);
    ASSERT_EQ(t->groupCount, 3);
    ExpectGroup(p, t->groups[0], {'Z', GROUP_QUEUED_SEND, 0, {{0, "Z_D_INQ"}}});
    ExpectGroup(p, t->groups[1], {'G', GROUP_QUEUED_SEND, 0, {{0, "G_D_INQ_0"}, {1, "G_D_INQ_1"}}});
    ExpectGroup(p, t->groups[2], {'Y', GROUP_REPEAT, 0, {{0, "Y_S_INL"}}});
    EXPECT_EQ(t->timedCount, 0);
    ExpectReplies(p, *t,
                  {{'D', 'S', 0, 0, "D_S_OUT_0"},
                   {'D', 'S', -1, 0, "D_S_OUT"},
                   {'Y', 'D', 0, 0, "Y_D_OUT_0"},
                   {'D', 'D', 1, 0, "D_D_OUT_1"}});
    EXPECT_EQ(app.dataPeriodMs.load(), 500);
    EXPECT_EQ(app.ledLeftPixCtrl.load(), CtrlId(p, "LED_LEFTPIX"));
    EXPECT_EQ(app.pcControl.load(), 1); // no PC-control switch on this panel
    ExpectCb(p, "Z_D_INQ", MainWorking_CallBackSetSend, main);
    ExpectCb(p, "G_D_INQ_0", MainWorking_CallBackSetSend, main);
    ExpectCb(p, "G_D_INQ_1", MainWorking_CallBackSetSend, main);
    ExpectCb(p, "Y_S_INL", MainWorking_CallBackAllIN, main);
    ExpectCb(p, "RESIZE_V_920", MainWorking_Resize, main);
    ExpectNoCb(p, "LGFILD_1_2_0"); // no data-log module in this test
    ExpectNoCb(p, "D_S_OUT_0");
    EXPECT_EQ(calls, (std::vector<std::string>{"graphInitAndUI 13 -1,50,50 GRAPHUI_0_1",
                                               "traceName 0 Light Sensor", "traceName 1 On"}));
}

TEST_F(Binding, Arvel7Stbl) {
    const int p = LoadShippedPanel("Arvel7-STBL.uir");
    BindMain(p);
    const auto t = Table();
    ASSERT_EQ(t->groupCount, 3);
    ExpectGroup(p, t->groups[2], {'Y', 0, 1, {{0, "Y_S_INR"}}});
    ExpectReplies(p, *t,
                  {{'D', 'S', 0, 0, "D_S_OUT_0"},
                   {'D', 'S', 1, 0, "D_S_OUT_1"},
                   {'D', 'S', -1, 0, "D_S_OUT"},
                   {'Y', 'D', 0, 0, "Y_D_OUT_0"}});
    ExpectCb(p, "Y_S_INR", MainWorking_CallBackAllIN, main);
}

TEST_F(Binding, Vantril) {
    const int p = LoadShippedPanel("Vantril.uir");
    EXPECT_EQ(BindMain(p), 1); // J_D_ONE
    const auto t = Table();
    ASSERT_EQ(t->groupCount, 1);
    ExpectGroup(p, t->groups[0],
                {'O',
                 GROUP_QUEUED_SEND, // by the queue button 4_O
                 0,
                 {{0, "O_F_IN0_0"},
                  {1, "O_D_IN0_1"},
                  {2, "O_D_IN0_2"},
                  {3, "O_D_IN0_3"},
                  {4, "O_D_IN0_4"},
                  {5, "O_F_IN0_5"},
                  {6, "O_D_IN0_6"}}});
    EXPECT_EQ(t->replyCount, 0);
    EXPECT_EQ(app.dataPeriodMs.load(), 1000);
    for (const char* n : {"O_F_IN0_5", "O_F_IN0_0", "O_D_IN0_1", "O_D_IN0_2", "O_D_IN0_6",
                          "O_D_IN0_3", "O_D_IN0_4"})
        ExpectCb(p, n, MainWorking_CallBackAllIN, main);
    ExpectCb(p, "4_O", MainWorking_CallBackSetSend, main);
    ExpectCb(p, "9_STOPCOMAND", MainWorking_ControNmPointer, CtrlIdData(CtrlId(p, "STOPCOMAND")));
    ExpectCb(p, "5_O_F_IN0_5", MainWorking_Mapping, &t->groups[0].scale[5]);
    ExpectCb(p, "5_O_F_IN0_0", MainWorking_Mapping, &t->groups[0].scale[0]);
    ExpectCb(p, "5_O_F_IN0_1", MainWorking_Mapping, &t->groups[0].scale[1]);
    const OnOffSlot s = TheBWorkingTable().slot(0);
    EXPECT_EQ(s.on[0], CtrlId(p, "4_O"));
    EXPECT_EQ(s.on[1], 0);
    EXPECT_EQ(s.off[0], CtrlId(p, "9_STOPCOMAND"));
    EXPECT_EQ(s.off[1], 0);

    // The mapping control changes the scale the sender uses.
    const int map0 = CtrlId(p, "5_O_F_IN0_0");
    SetCtrlVal(p, map0, 0.5f);
    FireCtrlEvent(p, map0, EVENT_COMMIT);
    EXPECT_EQ(t->groups[0].scale[0].load(), 0.5f);
    SetCtrlVal(p, CtrlId(p, "O_F_IN0_0"), 10.0f);
    char text[32];
    MainWorking_GetCtrlValAsChar(p, 0, t->groups[0], text, sizeof text);
    EXPECT_STREQ(text, "5");
}

TEST_F(Binding, Nodal) {
    const int p = LoadShippedPanel("Nodal.uir");
    app.pcControl.store(1);
    BindMain(p);
    const auto t = Table();
    ASSERT_EQ(t->groupCount, 1);
    ExpectGroup(p, t->groups[0],
                {'I', 0, 1, {{0, "I_D_INR_0"}, {1, "I_D_INR_1"}, {2, "I_D_INR_2"}}});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t->groups[0].enableCtrl[i], CtrlId(p, "1_I_D_INR_" + std::to_string(i)));
    EXPECT_EQ(t->groups[0].enableCtrl[3], 0);
    for (const char* n : {"I_D_INR_0", "I_D_INR_1", "I_D_INR_2", "1_I_D_INR_0", "1_I_D_INR_1",
                          "1_I_D_INR_2", "2_ALL"})
        ExpectCb(p, n, MainWorking_CallBackAllIN, main);
    EXPECT_EQ(app.pcControl.load(), 0);
    EXPECT_EQ(app.pcControlCtrl.load(), CtrlId(p, "2_ALL"));
    ExpectNoCb(p, "LG_FILD_1_2_0"); // not a data-log name
    EXPECT_EQ(t->replyCount, 0);
}

TEST_F(Binding, SpectrumPanel) {
    FillHandovers();
    const int p = LoadShippedPanel("MAINUISPECTRA.UIR");
    BindMain(p);
    const auto t = Table();
    ASSERT_EQ(t->groupCount, 1);
    ExpectGroup(p, t->groups[0], {'P', GROUP_QUEUED_SEND, 0, {{0, "P_D_INQ_0"}, {1, "P_D_INQ_1"}}});
    ExpectReplies(p, *t, {{'D', 'S', 0, 0, "D_S_OUT_0"}});
    ExpectCb(p, "6_P_D_INQ_0", MainWorking_UpdateValOtherCnrl, CtrlIdData(CtrlId(p, "P_D_INQ_0")));
    ExpectCb(p, "6_P_D_INQ_1", MainWorking_UpdateValOtherCnrl, CtrlIdData(CtrlId(p, "P_D_INQ_1")));
    std::vector<std::string> expected = {"graphInitAndUI 2 -1,50,50 GRAPH_SPC"};
    int id = 0;
    GetPanelAttribute(p, ATTR_PANEL_FIRST_CTRL, &id);
    for (; id > 0; GetCtrlAttribute(p, id, ATTR_NEXT_CTRL, &id)) {
        std::string n;
        GetCtrlAttribute(p, id, ATTR_CONSTANT_NAME, &n);
        if (n.rfind("SPC_", 0) == 0) expected.push_back("want " + n + " " + std::to_string(id));
    }
    expected.push_back("traceName 0 Device Data");
    EXPECT_EQ(calls, expected);
}

TEST_F(Binding, TestOptionsTimedCommand) {
    const int p = LoadShippedPanel("TESTOPTIONS.UIR");
    BindMain(p);
    const auto t = Table();
    EXPECT_EQ(t->groupCount, 0);
    ASSERT_EQ(t->timedCount, 1);
    const CommandGroup& w = t->timed[0];
    EXPECT_EQ(w.letter, 'W');
    EXPECT_EQ(w.valueType[0], 'D');
    EXPECT_EQ(w.ctrl[0], CtrlId(p, "W_D_AL0_0"));
    EXPECT_EQ(w.enableCtrl[0], CtrlId(p, "1_W_D_AL0_0"));
    EXPECT_EQ(w.scale[0].load(), 0.0f);
    EXPECT_EQ(w.periodMs, 1000);
    EXPECT_EQ(w.flags, 0);
    EXPECT_EQ(w.waitReply, 0);
    EXPECT_EQ(w.nextDue.load(), 0.0);
    ExpectNoCb(p, "1_W_D_AL0_0");
    ExpectNoCb(p, "W_D_AL0_0");
}

TEST_F(Binding, DebugDialog) {
    FillHandovers();
    app.ops.DEBUG_OPT = TestCallback2;
    const int p = LoadShippedPanel("DebugFile.uir");
    ExitHandler exit{TestCallback};
    MainWorking_InitOtherPanel(&app, &exit, p);
    PanelContext* other = &app.otherPanel;
    EXPECT_EQ(other->panel.load(), p);
    EXPECT_EQ(other->app, &app);
    const auto t = other->table();
    EXPECT_EQ(t->groupCount, 0);
    ExpectReplies(p, *t, {{'3', 'A', 0, 0, "3_ALL_OUT"}, {'5', '_', 0, 0, "5O_3_ALL_OUT"}});
    ExpectCb(p, "EXIT_PAGE", TestCallback, &exit);
    ExpectCb(p, "DEBUG_OPT", TestCallback2, other);
    ExpectCb(p, "9_COMMANDSEND", MainWorking_ControNmPointer, CtrlIdData(CtrlId(p, "COMMANDSEND")));
    ExpectCb(p, "5O_3_ALL_OUT", MainWorking_Mapping, &t->replies[0].scale);
    EXPECT_EQ(t->replies[0].scale.load(), 0.0f); // the switch is off

    // "Stop Autoscroll" sets the keep-view flag of the traffic entry.
    const int keep = CtrlId(p, "5O_3_ALL_OUT");
    UserSetCtrlVal(p, keep, "1");
    EXPECT_EQ(t->replies[0].scale.load(), 1.0f);

    // Closing the dialog unbinds it.
    other->pending.store(1);
    other->pendingLetters[0].store('V');
    other->pendingTextCtrls[1].store(4);
    MainWorking_CloseOtherPanel(&app);
    EXPECT_EQ(other->panel.load(), 0);
    EXPECT_EQ(other->pending.load(), 0);
    EXPECT_EQ(other->table()->replyCount, 0);
    EXPECT_EQ(other->table()->groupCount, 0);
    EXPECT_EQ(other->pendingLetters[0].load(), 0);
    EXPECT_EQ(other->pendingTextCtrls[1].load(), 0);
    EXPECT_EQ(calls.back(), "debugClosePanel");
}

TEST_F(Binding, ConfigurationDialog) {
    FillHandovers();
    const int p = LoadShippedPanel("GetProductIn.uir");
    ExitHandler exit;
    MainWorking_InitOtherPanel(&app, &exit, p);
    PanelContext* other = &app.otherPanel;
    const auto t = other->table();
    EXPECT_EQ(other->pending.load(), 1); // SAVE2_LOAD
    ExpectCb(p, "SAVE2_LOAD", TestCallback2, other);
    ExpectReplies(p, *t, {{'V', 'D', 2, 1, "V_D_OUO_2"}, {'-', 'S', 0, 0, "COM_POWER"}});
    ExpectCb(p, "COM_POWER", TestCallback, other);
    ASSERT_EQ(t->groupCount, 1);
    ExpectGroup(p, t->groups[0], {'V', 0, 0, {{0, "V_S_IN2"}}});
    ExpectCb(p, "V_S_IN2", MainWorking_CallBackAllIN, other);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"portFill " + std::to_string(CtrlId(p, "COM_POWER"))}));
    EXPECT_EQ(app.mainPanel.pending.load(), 0);
}

TEST_F(Binding, AboutDialogShowsTheMainTitle) {
    const int mainPanel = LoadFixturePanel({Int("X", 0)}, "Corvane Control - 1.0.0.0");
    app.mainPanel.panel.store(mainPanel);
    const int p = LoadShippedPanel("AboutSoft.uir");
    MainWorking_InitOtherPanel(&app, nullptr, p); // no exit handler: EXIT_PAGE keeps none
    std::string shown;
    GetCtrlVal(p, CtrlId(p, "SET_SOFTNAME"), &shown);
    EXPECT_EQ(shown, "Corvane Control - 1.0.0.0");
    ExpectNoCb(p, "EXIT_PAGE");
}

TEST_F(Binding, MainPanelBindingStartsTheEngine) {
    FillHandovers();
    app.stopFlag.store(1);
    const int p = LoadShippedPanel("Vantril.uir");
    MainWorking_InitAllControlsBegin(main, p);
    EXPECT_EQ(main->panel.load(), p);
    EXPECT_EQ(app.stopFlag.load(), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"initSaveAndSendOne 1", "schedule stopFlag=0"}));
    EXPECT_EQ(Table()->groupCount, 1);
}

TEST_F(Binding, OperationTableHoldsTheEngineOperations) {
    const MainWorkingOps& ops = app.ops;
    EXPECT_EQ(ops.InitAllControls, &MainWorking_InitAllControls);
    EXPECT_EQ(ops.InitAllControlsBegin, &MainWorking_InitAllControlsBegin);
    EXPECT_EQ(ops.GetCtrlValAsInt, &MainWorking_GetCtrlValAsInt);
    EXPECT_EQ(ops.GetCtrlValAsChar, &MainWorking_GetCtrlValAsChar);
    EXPECT_EQ(ops.SetCtrlValAsChar, &MainWorking_SetCtrlValAsChar);
    EXPECT_EQ(ops.GetIdCtrlFromName, &MainWorking_GetIdCtrlFromName);
    EXPECT_EQ(ops.BrowseCB, &MainWorking_BrowseCB);
    EXPECT_EQ(ops.CallBackAllIN, &MainWorking_CallBackAllIN);
    EXPECT_EQ(ops.Resize, &MainWorking_Resize);
    EXPECT_EQ(ops.Mapping, &MainWorking_Mapping);
    EXPECT_EQ(ops.CloseOtherPanel, &MainWorking_CloseOtherPanel);
    EXPECT_EQ(ops.InitOtherPanel, &MainWorking_InitOtherPanel);
    EXPECT_EQ(app.mainPanel.app, &app);
    EXPECT_EQ(app.otherPanel.app, &app);
    EXPECT_EQ(app.pcControl.load(), 1);
    EXPECT_EQ(app.exposeTime.load(), -1);
}

// ----- fixtures -----

TEST_F(Binding, ShortNamesOpenGroupsAndLongNamesJoinThem) {
    const int p = LoadFixturePanel(
        {Text("Y_S_INL", "a"), Int("Z_D_INQ", 1), Int("Y_D_INR_3", 2), Int("Z_D_INQ_2", 3)});
    BindMain(p);
    const auto t = Table();
    ASSERT_EQ(t->groupCount, 2);
    ExpectGroup(p, t->groups[0], {'Y', GROUP_REPEAT, 1, {{0, "Y_S_INL"}, {3, "Y_D_INR_3"}}});
    ExpectGroup(p, t->groups[1], {'Z', GROUP_QUEUED_SEND, 0, {{0, "Z_D_INQ"}, {2, "Z_D_INQ_2"}}});
    ExpectCb(p, "Y_D_INR_3", MainWorking_CallBackAllIN, main);
}

TEST_F(Binding, AShortNameAlwaysOpensANewGroup) {
    const int p = LoadFixturePanel({Int("Z_D_INQ", 1), Text("Z_S_INR", "")});
    BindMain(p);
    EXPECT_EQ(Table()->groupCount, 2);
}

TEST_F(Binding, GapsStayEmpty) {
    const int p = LoadFixturePanel({Int("G_D_INQ_0", 1), Int("G_D_INQ_1", 2), Int("G_D_INQ_3", 3)});
    BindMain(p);
    ExpectGroup(
        p, Table()->groups[0],
        {'G', GROUP_QUEUED_SEND, 0, {{0, "G_D_INQ_0"}, {1, "G_D_INQ_1"}, {3, "G_D_INQ_3"}}});
}

TEST_F(Binding, SeventhLetterStopsBinding) {
    const int p = LoadFixturePanel({Int("A_D_INQ", 0), Int("B_D_INQ", 0), Int("C_D_INQ", 0),
                                    Int("D_D_INQ", 0), Int("E_D_INQ", 0), Int("F_D_INQ", 0),
                                    Int("TIME", 100), Int("A_D_INQ_1", 0), Int("G_D_INQ_ONE", 0),
                                    Int("H_S_OUT", 0), Button("4_A"), Int("5_A_D_INQ_1", 3)});
    EXPECT_EQ(BindMain(p), 0); // the "_ONE" of the control that stops binding does not count
    const auto t = Table();
    EXPECT_EQ(t->groupCount, 6);
    EXPECT_EQ(t->groups[0].ctrl[1], CtrlId(p, "A_D_INQ_1")); // joins A before the stop
    EXPECT_EQ(app.dataPeriodMs.load(), 100);
    for (int g = 0; g < 6; ++g)
        EXPECT_NE(t->groups[g].letter, 'G');
    EXPECT_EQ(t->replyCount, 0);
    ExpectNoCb(p, "G_D_INQ_ONE");
    ExpectNoCb(p, "4_A");
    ExpectNoCb(p, "5_A_D_INQ_1");
    EXPECT_EQ(t->groups[0].flags, GROUP_QUEUED_SEND);
    EXPECT_EQ(t->groups[0].scale[1].load(), 1.0f); // the second walk never ran
}

TEST_F(Binding, EleventhReplyStopsBinding) {
    std::vector<FixtureCtrl> controls;
    for (int i = 0; i < 10; ++i)
        controls.push_back(Text("D_S_OUT_" + std::to_string(i), ""));
    controls.push_back(Text("E_S_OUT", ""));
    controls.push_back(Int("G_D_INQ_0", 0));
    controls.push_back(Int("TIME", 250));
    const int p = LoadFixturePanel(controls);
    BindMain(p);
    const auto t = Table();
    EXPECT_EQ(t->replyCount, 10);
    EXPECT_EQ(t->groupCount, 0);
    EXPECT_EQ(app.dataPeriodMs.load(), 0);
}

TEST_F(Binding, PortRingFindsNoFreeReplyEntry) {
    std::vector<FixtureCtrl> controls;
    for (int i = 0; i < 10; ++i)
        controls.push_back(Text("D_S_OUT_" + std::to_string(i), ""));
    controls.push_back(Ring("COM_POWER", {"Select Port / Refresh"}, ""));
    controls.push_back(Int("G_D_INQ_0", 0));
    const int p = LoadFixturePanel(controls);
    BindMain(p);
    const auto t = Table();
    EXPECT_EQ(t->replyCount, 10);
    for (int r = 0; r < 10; ++r)
        EXPECT_NE(t->replies[r].letter, '-');
    EXPECT_EQ(t->groupCount, 1); // binding went on
}

TEST_F(Binding, EnableSwitchBeforeAndAfterTheQueueButton) {
    const int p =
        LoadFixturePanel({Int("X_D_IN0_0", 0), Int("Y_D_IN0_0", 0), Toggle("1_X_D_IN0_0", true),
                          Button("4_X"), Button("4_Y"), Toggle("1_Y_D_IN0_0", true)});
    BindMain(p);
    ExpectCb(p, "1_X_D_IN0_0", MainWorking_CallBackAllIN, main);
    ExpectCb(p, "1_Y_D_IN0_0", MainWorking_CallBackSetSend, main);
    ExpectCb(p, "4_X", MainWorking_CallBackSetSend, main);
    const auto t = Table();
    EXPECT_EQ(t->groups[0].flags, GROUP_QUEUED_SEND);
    EXPECT_EQ(t->groups[1].flags, GROUP_QUEUED_SEND);
    EXPECT_EQ(t->groups[0].enableCtrl[0], CtrlId(p, "1_X_D_IN0_0"));
    EXPECT_EQ(t->groups[1].enableCtrl[0], CtrlId(p, "1_Y_D_IN0_0"));
}

TEST_F(Binding, PrefixesThatMatchNothingGetNoCallback) {
    const int p = LoadFixturePanel({Int("G_D_INQ_0", 0), Toggle("1_Q_D_INQ_0", false),
                                    Float("5_Q_D_INQ_0", 2.0), Toggle("5O_Q", false),
                                    Int("6_NOWHERE", 0), Button("9_NOWHERE")});
    BindMain(p);
    for (const char* n : {"1_Q_D_INQ_0", "5_Q_D_INQ_0", "5O_Q", "6_NOWHERE", "9_NOWHERE"})
        ExpectNoCb(p, n);
    EXPECT_EQ(Table()->groups[0].scale[0].load(), 1.0f);
}

TEST_F(Binding, IndexesOutsideTheGroupAreRefused) {
    const int p = LoadFixturePanel({Int("G_D_INQ_0", 0), Int("G_D_INQ_20", 0), Int("H_D_INQ_25", 0),
                                    Int("G_D_INQ_19", 0), Float("5_G_D_INQ_20", 2.0),
                                    Float("5_G_D_INQ_19", 1.0), Toggle("1_G_D_INQ_20", true),
                                    Int("TIME", 300)});
    BindMain(p);
    const auto t = Table();
    ASSERT_EQ(t->groupCount, 1); // H opened no group
    ExpectGroup(p, t->groups[0],
                {'G', GROUP_QUEUED_SEND, 0, {{0, "G_D_INQ_0"}, {19, "G_D_INQ_19"}}});
    for (const char* n : {"G_D_INQ_20", "H_D_INQ_25", "5_G_D_INQ_20", "1_G_D_INQ_20"})
        ExpectNoCb(p, n);
    ExpectCb(p, "5_G_D_INQ_19", MainWorking_Mapping, &t->groups[0].scale[19]);
    for (int i = 0; i < kPositions; ++i)
        EXPECT_EQ(t->groups[0].enableCtrl[i], 0);
    EXPECT_EQ(app.dataPeriodMs.load(), 300); // binding went on
}

TEST_F(Binding, SeventhTimedCommandIsRefused) {
    std::vector<FixtureCtrl> controls;
    for (char l = 'A'; l <= 'G'; ++l)
        controls.push_back(Int(std::string(1, l) + "_D_AL0_0", 100));
    controls.push_back(Int("Q_D_INQ_0", 0));
    const int p = LoadFixturePanel(controls);
    BindMain(p);
    const auto t = Table();
    EXPECT_EQ(t->timedCount, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(t->timed[i].letter, 'A' + i);
    EXPECT_EQ(t->groupCount, 1);
}

TEST_F(Binding, TimedPeriodUsesThePercentCounts) {
    const int p = LoadFixturePanel({Int("P_D_AL0_0", 100), Int("W_D_AL0_0", 750)});
    BindMain(p);
    EXPECT_EQ(Table()->timed[0].periodMs, 4095);
    EXPECT_EQ(Table()->timed[1].periodMs, 750);
}

TEST_F(Binding, RepliesAndTraceNames) {
    FillHandovers();
    const int p = LoadFixturePanel({Text("D_S_OUT", ""), Int("D_S_OUT_0", 0, "Power"),
                                    Int("D_S_OUT_1", 0, "Temp"), Text("V_S_OUO_1", "")});
    BindMain(p);
    ExpectReplies(p, *Table(),
                  {{'D', 'S', -1, 0, "D_S_OUT"},
                   {'D', 'S', 0, 0, "D_S_OUT_0"},
                   {'D', 'S', 1, 0, "D_S_OUT_1"},
                   {'V', 'S', 1, 1, "V_S_OUO_1"}});
    EXPECT_EQ(calls, (std::vector<std::string>{"traceName 0 Power", "traceName 1 Temp"}));
}

TEST_F(Binding, GraphIsBoundOnceThenNamesGoOn) {
    FillHandovers();
    const int p = LoadFixturePanel({Int("GRAPH_A", 0), Int("G_D_INQ_GRAPH", 0)});
    BindMain(p);
    EXPECT_EQ(calls, (std::vector<std::string>{"graphInit 1 -1,50,50 GRAPH_A"}));
    EXPECT_EQ(Table()->groupCount, 1);
    EXPECT_EQ(Table()->groups[0].ctrl[0], CtrlId(p, "G_D_INQ_GRAPH"));
}

TEST_F(Binding, RebindingSetsPcControlBackToOff) {
    const int p = LoadFixturePanel({Ring("2_ALL", {"Off", "On"}, "0;1"), Int("I_D_INR_0", 0)});
    BindMain(p);
    SetCtrlVal(p, CtrlId(p, "2_ALL"), 1);
    FireCtrlEvent(p, CtrlId(p, "2_ALL"), EVENT_COMMIT);
    EXPECT_EQ(app.pcControl.load(), 1);
    BindMain(p);
    EXPECT_EQ(app.pcControl.load(), 0);
}

TEST_F(Binding, RebindingKeepsQueuesAndBuildsAFreshTable) {
    const int p = LoadFixturePanel({Int("G_D_INQ_0", 0), Float("5_G_D_INQ_0", 2.0)});
    BindMain(p);
    const auto first = Table();
    main->pendingLetters[0].store('G');
    main->pending.store(1);
    BindMain(p);
    const auto second = Table();
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(main->pendingLetters[0].load(), 'G');
    EXPECT_EQ(main->pending.load(), 1);
    EXPECT_EQ(second->groups[0].scale[0].load(), 2.0f);
    ExpectCb(p, "5_G_D_INQ_0", MainWorking_Mapping, &second->groups[0].scale[0]);
}

// A mapping callback whose control was not bound again (binding stopped before the second
// walk) keeps pointing into the earlier table: that table stays alive for it.
TEST_F(Binding, MappingAddressOutlivesARebinding) {
    const int p = LoadFixturePanel({Int("A_D_INQ_0", 0), Float("5_A_D_INQ_0", 2.0)});
    BindMain(p);
    std::weak_ptr<ControlTable> first = Table();
    const int map = CtrlId(p, "5_A_D_INQ_0");
    const Installed before = CallbackOf(p, map);
    ASSERT_EQ(before.fn, &MainWorking_Mapping);

    // Six more command letters make the next binding stop before the second walk.
    for (char l : std::string("BCDEFG")) {
        const int c = NewCtrl(p, CTRL_NUMERIC, "", 0, 0);
        ASSERT_GT(c, 0);
        SetCtrlAttribute(p, c, ATTR_CONSTANT_NAME, std::string(1, l) + "_D_INQ");
    }
    BindMain(p);
    EXPECT_EQ(Table()->groupCount, 6);
    const Installed after = CallbackOf(p, map);
    EXPECT_EQ(after.data, before.data);
    EXPECT_FALSE(first.expired());
    EXPECT_EQ(main->retiredTableCount(), 1u);
    SetCtrlVal(p, map, 4.0f);
    FireCtrlEvent(p, map, EVENT_COMMIT); // writes into the kept table, never freed memory
    EXPECT_EQ(first.lock()->groups[0].scale[0].load(), 4.0f);

    // Once the control is bound again elsewhere, the old table is released.
    DiscardCtrl(p, CtrlId(p, "G_D_INQ"));
    BindMain(p);
    EXPECT_NE(CallbackOf(p, map).data, before.data);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(main->retiredTableCount(), 0u);
}

TEST_F(Binding, TextSenderTakesTheLastMatchingControl) {
    const int p = LoadFixturePanel({Button("9_STOPCOMAND"), Text("STOPCOMAND", "O:0"),
                                    Text("STOP", "S"), Text("STOPCOMANDX", "X")});
    BindMain(p);
    ExpectCb(p, "9_STOPCOMAND", MainWorking_ControNmPointer, CtrlIdData(CtrlId(p, "STOP")));
}

TEST_F(Binding, LookupByNameIsExact) {
    const int p = LoadFixturePanel({Text("STOPCOMAND", ""), Text("STOP", ""), Text("STOPX", "")});
    main->panel.store(p);
    EXPECT_EQ(MainWorking_GetIdCtrlFromName(main, "STOP"), 2);
    EXPECT_EQ(MainWorking_GetIdCtrlFromName(main, "STOPCOMAND"), 1);
    EXPECT_EQ(MainWorking_GetIdCtrlFromName(main, "STOPCOMA"), -1);
    EXPECT_EQ(MainWorking_GetIdCtrlFromName(main, ""), -1);
    main->panel.store(0);
    EXPECT_EQ(MainWorking_GetIdCtrlFromName(main, "STOP"), -1);
}

TEST_F(Binding, NamesWithSeveralMeaningsKeepTheLastCallback) {
    // A command name that is also a resize toggle and a reply.
    const int p = LoadFixturePanel({Toggle("X_D_IN0_RESIZE_V_OUT", false)});
    BindMain(p);
    ExpectCb(p, "X_D_IN0_RESIZE_V_OUT", MainWorking_CallBackAllIN, main);
    EXPECT_EQ(Table()->groupCount, 1);
    EXPECT_EQ(Table()->replyCount, 1);
}

} // namespace
