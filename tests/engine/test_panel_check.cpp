// The panel checker's report on fixture files and a shipped panel.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/app_record.h"
#include "engine/panel_check.h"
#include "runtime/userint.h"
#include "support_panels.h"

namespace {

class PanelCheck : public EngineTest {};

TEST_F(PanelCheck, ReportsWhatBindingMakesOfEachControl) {
    const std::string file = WriteFixtureFile(
        {{Int("TIME", 250, "Period"), Int("G_D_INQ_0", 1, "Gain"), Int("G_D_INQ_25", 0),
          Text("D_S_OUT_1", ""), Text("V_S_OUO_2", ""), Text("Y_S_INL", ""),
          Toggle("1_G_D_INQ_0", true), Toggle("1_Q_D_INQ_0", false), Button("4_G"),
          Float("5_G_D_INQ_0", 1.0), Float("5_Z_D_INQ_0", 1.0), Toggle("5O_V", false),
          Button("9_STOPCOMAND"), Text("STOPCOMAND", "O:0"), Button("9_NOWHERE"),
          Int("6_G_D_INQ_0", 0), Text("B_OUD_7", "ON=4_G;OFF=;"), Button("PLAIN")}},
        "Check me");
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCheck(file, out, err), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(
        out.str(),
        "panel 1 PANEL \"Check me\"\n"
        "1\tTIME\tnumeric\tPeriod\tkeyword TIME: data period 250 ms\n"
        "2\tG_D_INQ_0\tnumeric\tGain\tcommand group G position 0, send mode Q "
        "(queued-send)\n"
        "3\tG_D_INQ_25\tnumeric\t\tcommand refused: index 25 outside 0..19\n"
        "4\tD_S_OUT_1\tstring\t\treply entry D field 1; names graph trace 1\n"
        "5\tV_S_OUO_2\tstring\t\treply entry V by digit 2\n"
        "6\tY_S_INL\tstring\t\tcommand group Y position 0, send mode L (sent twice)\n"
        "7\t1_G_D_INQ_0\ttoggle button\t\tenable switch of command group G position 0\n"
        "8\t1_Q_D_INQ_0\ttoggle button\t\tenable switch of letter Q: matches nothing\n"
        "9\t4_G\tcommand button\tButton\tqueue button of letter G\n"
        "10\t5_G_D_INQ_0\tnumeric\t\tgroup mapping of command group G position 0\n"
        "11\t5_Z_D_INQ_0\tnumeric\t\tgroup mapping of letter Z: matches nothing\n"
        "12\t5O_V\ttoggle button\t\treply mapping of reply entry 1 (letter V)\n"
        "13\t9_STOPCOMAND\tcommand button\tButton\ttext sender of \"STOPCOMAND\" (control 14)\n"
        "14\tSTOPCOMAND\tstring\t\tnone\n"
        "15\t9_NOWHERE\tcommand button\tButton\ttext sender of \"NOWHERE\": no such control\n"
        "16\t6_G_D_INQ_0\tnumeric\t\tmirror to \"G_D_INQ_0\" (control 2)\n"
        "17\tB_OUD_7\tstring\t\tkeyword B_OUD_: no on/off slot\n"
        "18\tPLAIN\tcommand button\tButton\tnone\n"
        "warning: control 3 \"G_D_INQ_25\": command index 25 outside 0..19; not bound\n"
        "warning: control 17 \"B_OUD_7\": on/off slot digit outside 0..3; the list is not "
        "read\n"
        "warning: control 8 \"1_Q_D_INQ_0\": enable switch: no command group or timed "
        "command has the letter Q\n"
        "warning: control 11 \"5_Z_D_INQ_0\": group mapping: no command group has the "
        "letter Z\n"
        "warning: control 15 \"9_NOWHERE\": text sender: no control named \"NOWHERE\" or a "
        "beginning of it\n");
}

TEST_F(PanelCheck, CheckingChangesNoSharedRecordAndInstallsNothing) {
    AppRecord& app = TheAppRecord();
    const std::string file = WriteFixtureFile(
        {{Int("TIME", 250), Ring("2_ALL", {"Off", "On"}, "0;1"), Int("G_D_INQ_0", 1)}});
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCheck(file, out, err), 0);
    EXPECT_EQ(app.dataPeriodMs.load(), 0);
    EXPECT_EQ(app.pcControl.load(), 1);
    EXPECT_EQ(app.pcControlCtrl.load(), 0);
    EXPECT_EQ(app.mainPanel.table()->groupCount, 0);
    EXPECT_NE(out.str().find("keyword 2_ALL: PC-control switch"), std::string::npos);
}

TEST_F(PanelCheck, EveryPanelOfASetAndTheStopOfBinding) {
    std::vector<FixtureCtrl> second;
    for (char l : std::string("ABCDEFG"))
        second.push_back(Int(std::string(1, l) + "_D_INQ", 0));
    second.push_back(Button("4_A"));
    const std::string file = WriteFixtureFile({{Text("D_S_OUT", "")}, second}, "Set");
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCheck(file, out, err), 0);
    const std::string s = out.str();
    EXPECT_NE(s.find("panel 1 PANEL_1 \"Set 1\"\n1\tD_S_OUT\tstring\t\treply entry D whole line\n"
                     "panel 2 PANEL_2 \"Set 2\"\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("7\tG_D_INQ\tnumeric\t\tbinding stops here: no room for a seventh command "
                     "group\n8\t4_A\tcommand button\tButton\tnone\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("warning: control 7 \"G_D_INQ\": seventh command group; binding stops "
                     "here"),
              std::string::npos)
        << s;
}

TEST_F(PanelCheck, AShippedPanelByItsProgramName) {
    SetPanelFileFolder(CORVANE_BIN_DIR);
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCheck("vantril.uir", out, err), 0); // names match without letter case
    const std::string s = out.str();
    EXPECT_EQ(s.rfind("panel 1 PANEL \"Vantril\"\n", 0), 0u) << s;
    EXPECT_NE(s.find("\t4_O\tcommand button\tStart\tqueue button of letter O\n"), std::string::npos)
        << s;
    EXPECT_NE(s.find("keyword B_OUD_: on/off list slot 0"), std::string::npos);
    EXPECT_EQ(s.find("warning:"), std::string::npos) << s;
}

// A file of several panels is checked panel by panel, without the loader's complaints about a
// panel number past the last.
TEST_F(PanelCheck, EveryPanelOfASetAndNoLoaderMessages) {
    SetPanelFileFolder(CORVANE_BIN_DIR);
    std::ostringstream out, err;
    testing::internal::CaptureStderr();
    const int result = RunPanelCheck("GraphUI.uir", out, err);
    const std::string processErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(processErr.find("requested"), std::string::npos) << processErr;
    EXPECT_EQ(err.str(), "");
    const std::string s = out.str();
    EXPECT_NE(s.find("panel 1 PANELCOMBO"), std::string::npos) << s;
    EXPECT_NE(s.find("panel 2 PANELGRAPH"), std::string::npos) << s;
    EXPECT_EQ(s.find("panel 3"), std::string::npos) << s;
    EXPECT_EQ(GetPanelCountInFile("graphui.uir"), 2);
}

TEST_F(PanelCheck, FilesThatDoNotLoad) {
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCheck("/nonexistent/folder/none.uir", out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "cannot check /nonexistent/folder/none.uir: file not found\n");

    const auto bad = std::filesystem::path(FixtureFolder()) / "broken.uir";
    std::ofstream(bad) << "<ui version=\"4.0\"><widget class=\"QWidget\"";
    std::ostringstream out2, err2;
    EXPECT_EQ(RunPanelCheck(bad.string(), out2, err2), 1);
    EXPECT_EQ(err2.str().rfind("cannot check " + bad.string() + ": ", 0), 0u) << err2.str();
}

} // namespace
