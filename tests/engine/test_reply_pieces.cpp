// What the reply thread makes of each piece: the entry rule (fixed fields, digit-addressed
// entries, whole lines, the traffic view), on/off reports, the version phase, PC control and the
// hand-overs to the data log and the graphs; and the thread taking every waiting piece.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/binding.h"
#include "engine/engine_thread_bodies.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "runtime/system.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/cyclic_buffer.h"
#include "support_panels.h"

namespace {

std::vector<std::string> gCalls;

void RecordVersion(AppRecord*, const char* line, int) {
    gCalls.push_back(std::string("version ") + line);
}
void RecordLog(void*, const char* piece, int length) {
    gCalls.push_back("log " + std::string(piece, static_cast<size_t>(length)));
}
void RecordGraph(void*, const char* piece, int length) {
    gCalls.push_back("graph " + std::string(piece, static_cast<size_t>(length)));
}

FixtureCtrl TextBox(const std::string& name) {
    return {"QPlainTextEdit", name, ""};
}

std::string Shown(int panel, int control) {
    std::string s;
    GetCtrlVal(panel, control, &s);
    return s;
}

class ReplyPieces : public EngineTest {
  protected:
    AppRecord& app = TheAppRecord();
    void SetUp() override {
        EngineTest::SetUp();
        gCalls.clear();
        app.ops.CheckVersionStatus = RecordVersion;
        app.versionFlag.store(1);
        CYCLICK_BUF_INIT_POINTERS();
    }
    int BindMain(const std::vector<FixtureCtrl>& controls) {
        const int panel = LoadFixturePanel(controls);
        EXPECT_GT(panel, 0);
        app.mainPanel.panel.store(panel);
        MainWorking_InitAllControls(&app.mainPanel, panel, nullptr);
        return panel;
    }
    void Dispatch(const std::string& piece) {
        MainWorking_DispatchPiece(&app, piece.c_str(), static_cast<int>(piece.size()));
    }
};

struct EntryCase {
    const char* what;
    std::string piece;
    std::vector<std::pair<const char*, std::string>> expected; // control -> text afterwards
};

TEST_F(ReplyPieces, EntriesTakeTheirFieldsOfThePiece) {
    const std::vector<FixtureCtrl> controls = {Text("D_S_OUT_0", "-"), Text("D_S_OUT_1", "-"),
                                               Text("D_S_OUT", "-"),   Text("D_S_OUT_2", "-"),
                                               Int("D_D_OUT_1", -1),   Text("V_S_OUO_1", "-"),
                                               Text("V_S_OUO_0", "-"), Text("B_S_OUT", "-")};
    const std::vector<EntryCase> cases = {
        {"fixed fields and the whole line",
         "D00010,00020",
         {{"D_S_OUT_0", "00010"},
          {"D_S_OUT_1", "00020"},
          {"D_S_OUT", "D00010,00020"},
          {"D_S_OUT_2", "-"},
          {"D_D_OUT_1", "20"}}},
        {"three fields", "D01234,00567,01000", {{"D_S_OUT_1", "00567"}, {"D_S_OUT_2", "01000"}}},
        {"a short last field takes what is there", "D01234,005", {{"D_S_OUT_1", "005"}}},
        {"a field starting at the end leaves the control", "D00010,", {{"D_S_OUT_1", "-"}}},
        {"a field beyond the end leaves the control",
         "D1",
         {{"D_S_OUT_0", "1"}, {"D_S_OUT_1", "-"}}},
        {"another separator is kept in the whole line",
         "D00010;00020",
         {{"D_S_OUT_0", "00010"}, {"D_S_OUT", "D00010;00020"}}},
        {"digit-addressed", "V1ABC", {{"V_S_OUO_1", "ABC"}, {"V_S_OUO_0", "-"}}},
        {"another digit", "V0xy", {{"V_S_OUO_1", "-"}, {"V_S_OUO_0", "xy"}}},
        {"a digit-addressed piece of one character", "V", {{"V_S_OUO_1", "-"}, {"V_S_OUO_0", "-"}}},
        {"another letter changes nothing", "X00001,00002", {{"D_S_OUT_0", "-"}, {"D_S_OUT", "-"}}},
        {"on/off reports reach no entry", "B0,1", {{"B_S_OUT", "-"}}},
    };
    for (const auto& c : cases) {
        ResetUserInterfaceModelForTesting();
        const int panel = BindMain(controls);
        Dispatch(c.piece);
        for (const auto& [name, text] : c.expected)
            EXPECT_EQ(Shown(panel, CtrlId(panel, name)), text) << c.what << ": " << name;
    }
}

TEST_F(ReplyPieces, ThePieceReachesBothPanelsAndTheHandOversFirst) {
    MainWorking_Handovers().logAddPoints = RecordLog;
    MainWorking_Handovers().graphAddPoints = RecordGraph;
    const int panel = BindMain({Text("D_S_OUT_0", "")});
    const int dialog = LoadFixturePanel({Text("D_S_OUT_1", "")});
    MainWorking_InitOtherPanel(&app, nullptr, dialog);
    Dispatch("D00001,00002");
    EXPECT_EQ(Shown(panel, CtrlId(panel, "D_S_OUT_0")), "00001");
    EXPECT_EQ(Shown(dialog, CtrlId(dialog, "D_S_OUT_1")), "00002");
    Dispatch("B0,1");
    EXPECT_EQ(gCalls, (std::vector<std::string>{"log D00001,00002", "graph D00001,00002",
                                                "log B0,1", "graph B0,1"}));
}

TEST_F(ReplyPieces, OnOffReportSwitchesTheLists) {
    const int panel = BindMain({Button("4_O"), Button("9_STOPCOMAND"), Text("STOPCOMAND", "O:0"),
                                Text("B_OUD_0", "ON=4_O;OFF=9_STOPCOMAND;")});
    auto dimmed = [&](const char* name) {
        int d = -1;
        GetCtrlAttribute(panel, CtrlId(panel, name), ATTR_DIMMED, &d);
        return d;
    };
    Dispatch("B0,1");
    EXPECT_EQ(dimmed("4_O"), 1);
    EXPECT_EQ(dimmed("9_STOPCOMAND"), 0);
    Dispatch("B0,0");
    EXPECT_EQ(dimmed("4_O"), 0);
    EXPECT_EQ(dimmed("9_STOPCOMAND"), 1);
}

TEST_F(ReplyPieces, BeforeTheVersionAnswerEveryPieceGoesToTheVersionCheck) {
    MainWorking_Handovers().logAddPoints = RecordLog;
    const int panel = BindMain({Text("D_S_OUT_0", "-")});
    app.versionFlag.store(0);
    Dispatch("D01234");
    EXPECT_EQ(Shown(panel, CtrlId(panel, "D_S_OUT_0")), "-");
    EXPECT_EQ(gCalls, (std::vector<std::string>{"version D01234"}));
}

TEST_F(ReplyPieces, WithoutPcControlPiecesAreDropped) {
    MainWorking_Handovers().logAddPoints = RecordLog;
    MainWorking_Handovers().graphAddPoints = RecordGraph;
    const int panel = BindMain({Text("D_S_OUT_0", "-")});
    app.pcControl.store(0);
    Dispatch("D01234");
    EXPECT_EQ(Shown(panel, CtrlId(panel, "D_S_OUT_0")), "-");
    EXPECT_TRUE(gCalls.empty());
}

TEST_F(ReplyPieces, AStoppedConnectionChangesNoControl) {
    const int panel = BindMain({Text("D_S_OUT_0", "-")});
    app.stopFlag.store(1);
    Dispatch("D01234");
    EXPECT_EQ(Shown(panel, CtrlId(panel, "D_S_OUT_0")), "-");
}

TEST_F(ReplyPieces, TrafficViewGetsATimeStampLineAndEveryPiece) {
    BindMain({Text("D_S_OUT_0", "")});
    const int dialog = LoadFixturePanel({TextBox("3_ALL_OUT"), Toggle("5O_3_ALL_OUT", false)});
    MainWorking_InitOtherPanel(&app, nullptr, dialog);
    const int view = CtrlId(dialog, "3_ALL_OUT");
    double now = 0.0;
    GetCurrentDateTime(&now);
    app.startTime.store(now - 2.0);
    Dispatch("D00001");
    Dispatch("X");
    const std::string text = Shown(dialog, view);
    // "\n<seconds>  ,    <piece>" per piece, the seconds counted from startTime.
    ASSERT_EQ(text.rfind("\n", 0), 0u) << text;
    const size_t second = text.find('\n', 1);
    ASSERT_NE(second, std::string::npos) << text;
    const std::string first = text.substr(1, second - 1);
    const size_t comma = first.find("  ,    ");
    ASSERT_NE(comma, std::string::npos) << first;
    EXPECT_EQ(first.substr(comma + 7), "D00001");
    const double seconds = std::stod(first.substr(0, comma));
    EXPECT_GE(seconds, 2.0);
    EXPECT_LT(seconds, 30.0);
    EXPECT_EQ(first.substr(0, comma).size(), 8u) << "%f gives six decimals";
    EXPECT_NE(text.find("  ,    X", second), std::string::npos);
}

TEST_F(ReplyPieces, KeepViewFlagPutsTheScrollPositionBack) {
    BindMain({});
    const int dialog = LoadFixturePanel({TextBox("3_ALL_OUT"), Toggle("5O_3_ALL_OUT", true)});
    MainWorking_InitOtherPanel(&app, nullptr, dialog);
    const int view = CtrlId(dialog, "3_ALL_OUT");
    for (int i = 0; i < 5; ++i)
        Dispatch("D0000" + std::to_string(i));
    ASSERT_EQ(SetCtrlAttribute(dialog, view, ATTR_FIRST_VISIBLE_LINE, 2), 0);
    Dispatch("D00009");
    int line = -1;
    GetCtrlAttribute(dialog, view, ATTR_FIRST_VISIBLE_LINE, &line);
    EXPECT_EQ(line, 2) << "Stop Autoscroll keeps the view";

    // Switched off (its mapping callback copies the value): the view follows the end again.
    const int keep = CtrlId(dialog, "5O_3_ALL_OUT");
    SetCtrlVal(dialog, keep, 0);
    FireCtrlEvent(dialog, keep, EVENT_COMMIT);
    Dispatch("D00010");
    GetCtrlAttribute(dialog, view, ATTR_FIRST_VISIBLE_LINE, &line);
    EXPECT_GT(line, 2);
}

TEST_F(ReplyPieces, ArriveOutBufStoresAPieceAsTheReceiveCallbackDoes) {
    const char raw[] = {'\xC4', '1', '2'};
    EXPECT_EQ(MainWorking_ArriveOutBuf(nullptr, raw, 3), 1);
    EXPECT_EQ(app.ops.ArriveOutBuf(nullptr, "D9", 2 + 256), 1) << "length modulo 256";
    EXPECT_EQ(MainWorking_ArriveOutBuf(nullptr, "x", -1), -1);
    char piece[256];
    ASSERT_EQ(CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255), 3);
    EXPECT_STREQ(piece, "D12") << "bit 7 cleared";
    ASSERT_EQ(CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255), 2);
    EXPECT_STREQ(piece, "D9");
}

std::vector<double> gTimes;
TEST_F(ReplyPieces, ReplyThreadTakesEveryWaitingPieceAtOnce) {
    MainWorking_Handovers().logAddPoints = [](void*, const char* piece, int length) {
        RecordLog(nullptr, piece, length);
        gTimes.push_back(MonotonicSeconds());
    };
    gTimes.clear();
    const int panel = BindMain({Text("D_S_OUT_0", "")});
    // 20 pieces of 18 bytes (19 places each) and an empty piece fill the 399-byte ring.
    std::vector<std::string> sent;
    for (int i = 0; i < 20; ++i) {
        char piece[32];
        std::snprintf(piece, sizeof piece, "D%05d,00000,00000", i);
        sent.push_back(std::string("log ") + piece);
        ASSERT_EQ(MainWorking_ArriveOutBuf(nullptr, piece, 18), 1) << i;
        if (i == 9) {
            ASSERT_EQ(MainWorking_ArriveOutBuf(nullptr, "", 0), 1);
        }
    }
    std::thread reader(
        [&] { MainWorking_RunReplyThread(&app, MainWorking_ConnectionGeneration()); });
    const double end = MonotonicSeconds() + 10.0;
    while (Shown(panel, CtrlId(panel, "D_S_OUT_0")) != "00019" && MonotonicSeconds() < end)
        SleepMs(5);
    app.stopFlag.store(1);
    reader.join();
    EXPECT_EQ(gCalls, sent);
    ASSERT_EQ(gTimes.size(), 20u);
    // Taken in one wake-up: one piece per 50 ms would spread them over 950 ms.
    EXPECT_LT(gTimes.back() - gTimes.front(), 0.4);
}

} // namespace
