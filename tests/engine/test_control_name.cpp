// Classification of constant names: one table over the grammar's edge cases and every control
// name of the shipped panels, with both walks of the binding.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

#include "engine/control_name.h"
#include "runtime/userint.h"

// Shown by GoogleTest when a descriptor differs.
void PrintTo(const CommandDescriptor& d, std::ostream* os);

namespace {

using K = ControlKind;
using W = Keyword;

std::string Show(char c) {
    return c ? std::string(1, c) : std::string("\\0");
}

// Builders of the expected descriptors.
CommandDescriptor None() {
    return {};
}
CommandDescriptor Kw(KeywordSet k) {
    CommandDescriptor d;
    d.kind = K::Keyword;
    d.keywords = k;
    return d;
}
CommandDescriptor Cmd(char letter, char type, char mode, int index, KeywordSet k = {}) {
    CommandDescriptor d;
    d.kind = K::Command;
    d.letter = letter;
    d.valueType = type;
    d.sendMode = mode;
    d.index = index;
    d.keywords = k;
    return d;
}
CommandDescriptor Timed(char letter, char type) {
    CommandDescriptor d;
    d.kind = K::Timed;
    d.letter = letter;
    d.valueType = type;
    return d;
}
CommandDescriptor Rep(char letter, char type, int index, bool byDigit = false) {
    CommandDescriptor d;
    d.kind = K::Reply;
    d.letter = letter;
    d.valueType = type;
    d.index = index;
    d.byDigit = byDigit;
    d.reply = true;
    d.replyIndex = index;
    return d;
}
// A command name that also declares a reply.
CommandDescriptor AndReply(CommandDescriptor d, int replyIndex, bool byDigit = false) {
    d.reply = true;
    d.replyIndex = replyIndex;
    d.byDigit = byDigit;
    return d;
}
CommandDescriptor Prefixed(K kind, char letter, char type, int index, const char* target = "") {
    CommandDescriptor d;
    d.kind = kind;
    d.letter = letter;
    d.valueType = type;
    d.index = index;
    d.target = target;
    return d;
}
CommandDescriptor Enable(char letter, char type, int index) {
    return Prefixed(K::EnableSwitch, letter, type, index);
}
CommandDescriptor Sender(const char* target) {
    return Prefixed(K::TextSender, 0, 0, 0, target);
}
CommandDescriptor Queue(char letter, char type = 0) {
    return Prefixed(K::QueueButton, letter, type, 0);
}
CommandDescriptor GroupMap(char letter, char type, int index) {
    return Prefixed(K::GroupMapping, letter, type, index);
}
CommandDescriptor ReplyMap(char letter, char type) {
    return Prefixed(K::ReplyMapping, letter, type, 0);
}
CommandDescriptor Mirror(const char* target) {
    return Prefixed(K::Mirror, 0, 0, 0, target);
}

struct Row {
    std::string name;
    bool graphBound;
    CommandDescriptor first;
    CommandDescriptor prefix;
};

const std::vector<Row>& Table() {
    static const std::vector<Row> rows = {
        // --- shipped product panels ---
        {"TIME", false, Kw({W::Time}), None()},
        {"LED_LEFTPIX", false, Kw({W::LedLeftPix}), None()},
        {"RESIZE_V_920", false, Kw({W::Resize}), None()},
        {"D_S_OUT_0", false, Rep('D', 'S', 0), None()},
        {"D_S_OUT_1", false, Rep('D', 'S', 1), None()},
        {"D_S_OUT", false, Rep('D', 'S', -1), None()},
        {"D_D_OUT_1", false, Rep('D', 'D', 1), None()},
        {"Y_D_OUT_0", false, Rep('Y', 'D', 0), None()},
        {"Z_D_INQ", false, Cmd('Z', 'D', 'Q', 0), None()},
        {"PORTCOMBOUI", false, None(), None()},
        {"PORTCOMBO", false, None(), None()},
        {"G_D_INQ_0", false, Cmd('G', 'D', 'Q', 0), None()},
        {"G_D_INQ_1", false, Cmd('G', 'D', 'Q', 1), None()},
        {"LGFILD_1_2_0", false, Kw({W::LgFil}), None()},
        {"Y_S_INL", false, Cmd('Y', 'S', 'L', 0), None()},
        {"Y_S_INR", false, Cmd('Y', 'S', 'R', 0), None()},
        {"DECORATION", false, None(), None()},
        {"GRAPHUI_0_1", false, Kw({W::Graph, W::GraphUi}), None()},
        {"GRAPHUI_0_1", true, None(), None()},
        {"I_D_INR_0", false, Cmd('I', 'D', 'R', 0), None()},
        {"I_D_INR_1", false, Cmd('I', 'D', 'R', 1), None()},
        {"I_D_INR_2", false, Cmd('I', 'D', 'R', 2), None()},
        {"LG_FILD_1_2_0", false, None(), None()},
        {"1_I_D_INR_0", false, None(), Enable('I', 'D', 0)},
        {"1_I_D_INR_1", false, None(), Enable('I', 'D', 1)},
        {"1_I_D_INR_2", false, None(), Enable('I', 'D', 2)},
        {"2_ALL", false, Kw({W::TwoAll}), None()},
        {"COMMANDBUTTON", false, None(), None()},
        {"COMMANDBUTTON_2", false, None(), None()},
        {"TOGGLEBUTTON", false, None(), None()},
        {"NUMERICSLIDE", false, None(), None()},
        {"O_F_IN0_0", false, Cmd('O', 'F', '0', 0), None()},
        {"O_F_IN0_5", false, Cmd('O', 'F', '0', 5), None()},
        {"O_D_IN0_1", false, Cmd('O', 'D', '0', 1), None()},
        {"O_D_IN0_2", false, Cmd('O', 'D', '0', 2), None()},
        {"O_D_IN0_3", false, Cmd('O', 'D', '0', 3), None()},
        {"O_D_IN0_4", false, Cmd('O', 'D', '0', 4), None()},
        {"O_D_IN0_6", false, Cmd('O', 'D', '0', 6), None()},
        {"9_STOPCOMAND", false, None(), Sender("STOPCOMAND")},
        {"4_O", false, None(), Queue('O')},
        {"5_O_F_IN0_0", false, None(), GroupMap('O', 'F', 0)},
        {"5_O_F_IN0_1", false, None(), GroupMap('O', 'F', 1)},
        {"5_O_F_IN0_5", false, None(), GroupMap('O', 'F', 5)},
        {"STOPCOMAND", false, None(), None()},
        {"B_OUD_0", false, Kw({W::BOud}), None()},
        {"J_D_ONE", false, Kw({W::One}), None()},
        {"TEXTMSG", false, None(), None()},
        {"GRAPH_SPC", false, Kw({W::Graph, W::GraphSpc}), None()},
        {"GRAPH_SPC", true, None(), None()},
        {"SPC_1", false, Kw({W::Spc}), None()},
        {"SPC_2", false, Kw({W::Spc}), None()},
        {"SPC_DRK0", false, Kw({W::Spc}), None()},
        {"SPC_DRK1", false, Kw({W::Spc}), None()},
        {"SPC_DTCT0", false, Kw({W::Spc}), None()},
        {"SPC_DTCT1", false, Kw({W::Spc}), None()},
        {"SPC_INT_TIM0", false, Kw({W::Spc}), None()}, // "_IN" at 3, but "SPC_" stops first
        {"SPC_INT_TIM1", false, Kw({W::Spc}), None()},
        {"SPC_BXWDITH0", false, Kw({W::Spc}), None()},
        {"SPC_BXWDITH1", false, Kw({W::Spc}), None()},
        {"SPC_SCN_AVRG0", false, Kw({W::Spc}), None()},
        {"SPC_SCN_AVRG1", false, Kw({W::Spc}), None()},
        {"SPC_SYCL", false, Kw({W::Spc}), None()},
        {"SPC_PREF", false, Kw({W::Spc}), None()},
        {"SPC_1SAVE_FILE", false, Kw({W::Spc}), None()},
        {"SPC_TIMEBT", false, Kw({W::Spc}), None()},
        {"SPC_WORKON_0", false, Kw({W::Spc}), None()},
        {"SPC_WORKON_1", false, Kw({W::Spc}), None()},
        {"SPC_WAVELENGTH_0", false, Kw({W::Spc}), None()},
        {"SPC_WAVELENGTH_1", false, Kw({W::Spc}), None()},
        {"SPC_WIDTHW_0", false, Kw({W::Spc}), None()},
        {"SPC_WIDTHW_1", false, Kw({W::Spc}), None()},
        {"SPC_CALCULATE_0", false, Kw({W::Spc}), None()},
        {"SPC_CALCULATE_1", false, Kw({W::Spc}), None()},
        {"6_P_D_INQ_0", false, None(), Mirror("P_D_INQ_0")},
        {"6_P_D_INQ_1", false, None(), Mirror("P_D_INQ_1")},
        {"DECORATION_2", false, None(), None()},
        {"DECORATION_3", false, None(), None()},
        {"DECORATION_4", false, None(), None()},
        {"DECORATION_5", false, None(), None()},
        {"TEXTMSG_2", false, None(), None()},
        {"TEXTMSG_3", false, None(), None()},
        {"TEXTMSG_4", false, None(), None()},
        {"TEXTMSG_5", false, None(), None()},
        {"TEXTMSG_6", false, None(), None()},
        {"P_D_INQ_0", false, Cmd('P', 'D', 'Q', 0), None()},
        {"P_D_INQ_1", false, Cmd('P', 'D', 'Q', 1), None()},
        {"W_D_AL0_0", false, Timed('W', 'D'), None()},
        {"1_W_D_AL0_0", false, None(), Enable('W', 'D', 0)},
        {"SAVE_LOAD", false, Kw({W::SaveLoad}), None()},
        {"SAVE2_LOAD", false, Kw({W::Save2Load}), None()},
        {"V_D_OUO_2", false, Rep('V', 'D', 2, true), None()},
        {"V_S_IN2", false, Cmd('V', 'S', '2', 0), None()},
        // --- dialogs and fixed panels ---
        {"COM_POWER", false, Kw({W::ComPower}), None()},
        {"EXIT_PAGE", false, Kw({W::ExitPage}), None()},
        {"SET_SOFTNAME", false, Kw({W::SetSoftName}), None()},
        {"V_S_IN0", false, Cmd('V', 'S', '0', 0), None()},
        {"V_S_IN1", false, Cmd('V', 'S', '1', 0), None()},
        {"V_S_OUO_0", false, Rep('V', 'S', 0, true), None()},
        {"V_S_OUO_1", false, Rep('V', 'S', 1, true), None()},
        {"QQQQ", false, None(), None()},
        // 9 characters with a letter at position 8: index 0, not -1.
        {"3_ALL_OUT", false, Rep('3', 'A', 0), None()},
        {"DEBUG_OPT", false, Kw({W::DebugOpt}), None()},
        {"COMMANDSEND", false, None(), None()},
        {"9_COMMANDSEND", false, None(), Sender("COMMANDSEND")},
        // Also a reply control with the letter at position 0.
        {"5O_3_ALL_OUT", false, Rep('5', '_', 0), ReplyMap('3', 'A')},
        {"EXIT_BUTTON", false, None(), None()},
        {"CONNECT_STATUS", false, None(), None()},
        {"GRAPH1", false, Kw({W::Graph}), None()},
        {"GRAPH1", true, None(), None()},
        {"TIME_GRAPH", false, Kw({W::Graph}), None()},
        {"CLEAR_GRAPH", false, Kw({W::Graph}), None()},
        {"RUN_STOP_GRAPH", false, Kw({W::Graph}), None()},
        {"AUTO_SCAL", false, None(), None()},
        {"GRAPH_ADD_FILE", false, Kw({W::Graph}), None()},
        {"4_P", false, None(), Queue('P')},

        // --- grammar edge cases ---
        {"Z_D_IN", false, Cmd('Z', 'D', '\0', 0), None()},     // 6 characters: the terminator
        {"ID_INR_0", false, None(), None()},                   // "_IN" first at 2
        {"I_DD_INR_0", false, None(), None()},                 // "_IN" first at 4
        {"A_D_XIN_IN", false, None(), None()},                 // only at 7
        {"I_D_INR_INQ", false, Cmd('I', 'D', 'R', 0), None()}, // at 3 and again later
        {"D_S_OUT_X", false, Rep('D', 'S', 0), None()},
        {"G_D_INQ_20", false, Cmd('G', 'D', 'Q', 20), None()},
        {"G_D_INQ_-1", false, Cmd('G', 'D', 'Q', -1), None()},
        {"G_D_INQ_ 7", false, Cmd('G', 'D', 'Q', 7), None()},
        {"G_D_INQ_99999999999", false, Cmd('G', 'D', 'Q', INT_MAX), None()},
        {"G_D_INQ_-99999999999", false, Cmd('G', 'D', 'Q', INT_MIN), None()},
        {"X_D_IN0_OUT", false, AndReply(Cmd('X', 'D', '0', 0), 0), None()},
        {"X_D_IN0_OUO_3", false, AndReply(Cmd('X', 'D', '0', 0), 0, true), None()},
        {"W_D_AL0_4_OUT", false, AndReply(Timed('W', 'D'), 4), None()},
        {"W_D_AL1_0", false, None(), None()},
        {"N_Q_XYZ", false, None(), None()},
        {"N_Q_OUT", false, Rep('N', 'Q', -1), None()}, // any value type is accepted
        {"TIMEX", false, None(), None()},
        {"LGFILE_1_2", false, Kw({W::LgFil, W::LgFile}), None()},
        {"X_D_IN0_LGFIL", false, Kw({W::LgFil}), None()},        // no further test
        {"X_D_INQ_DEBUG_OPT", false, Kw({W::DebugOpt}), None()}, // no other test
        {"EXIT_PAGE_2", false, Kw({W::ExitPage}), None()},
        {"MY_EXIT_PAGE", false, None(), None()},
        {"COM_POWER_2", false, Kw({W::ComPower}), None()},
        {"XCOM_POWER", false, None(), None()},
        {"RESIZE_H_300", false, Kw({W::Resize}), None()},
        {"SAVE_LOAD_ONE", false, Kw({W::SaveLoad, W::One}), None()},
        {"G_D_INQ_GRAPH", false, Kw({W::Graph}), None()},
        {"G_D_INQ_GRAPH", true, Cmd('G', 'D', 'Q', 0), None()},
        {"P_D_INQ_GRAPH_SPC", false, Cmd('P', 'D', 'Q', 0, {W::Graph, W::GraphSpc}), None()},
        {"X_D_IN0_2_ALL", false, Cmd('X', 'D', '0', 2, {W::TwoAll}), None()},
        {"J_D_IN0_ONE", false, Cmd('J', 'D', '0', 0, {W::One}), None()},
        {"SPC_X_D_INQ_0", false, Kw({W::Spc}), None()},
        {"B_OUD_5", false, Kw({W::BOud}), None()},
        {"", false, None(), None()},
        {"1_", false, None(), Enable('\0', '\0', 0)},
        {"4_", false, None(), Queue('\0')},
        {"5_", false, None(), GroupMap('\0', '\0', 0)},
        {"5O_", false, None(), ReplyMap('\0', '\0')},
        {"9_", false, None(), Sender("")},
        {"5_O_F_IN0_25", false, None(), GroupMap('O', 'F', 25)},
        {"5_O_F_IN0", false, None(), GroupMap('O', 'F', 0)}, // base name shorter than 9
        {"1_G_D_INQ_-3", false, None(), Enable('G', 'D', -3)},
        {"1_I_D_INR_0_OUT", false, Rep('1', 'I', 0), Enable('I', 'D', 0)},
    };
    return rows;
}

TEST(ControlName, ClassifiesEveryTableName) {
    for (const Row& row : Table()) {
        SCOPED_TRACE("name \"" + row.name + "\" graphBound " + std::to_string(row.graphBound));
        const ControlClassification c = Classify(row.name, row.graphBound);
        EXPECT_EQ(c.first, row.first);
        EXPECT_EQ(c.prefix, row.prefix);
        EXPECT_EQ(ClassifyFirstWalk(row.name, row.graphBound), row.first);
        EXPECT_EQ(ClassifyPrefix(row.name), row.prefix);
    }
}

// Every control name of every shipped panel file has a row, so a new or renamed control is
// noticed here.
TEST(ControlName, TableCoversEveryShippedControlName) {
    std::set<std::string> known;
    for (const Row& row : Table())
        known.insert(row.name);
    const std::filesystem::path folder = CORVANE_BIN_DIR;
    SetPanelFileFolder(folder.string());
    int files = 0, names = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        std::string lower = file;
        for (char& ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (!lower.ends_with(".uir")) continue;
        ++files;
        for (int n = 1;; ++n) {
            const int panel = LoadPanel(0, file, n);
            if (panel < 0) break;
            int id = 0;
            GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id);
            while (id > 0) {
                std::string name;
                GetCtrlAttribute(panel, id, ATTR_CONSTANT_NAME, &name);
                EXPECT_TRUE(known.count(name)) << file << " panel " << n << ": " << name;
                ++names;
                GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &id);
            }
            DiscardPanel(panel);
        }
    }
    EXPECT_GE(files, 8);
    EXPECT_GE(names, 100); // the shipped panels hold well over a hundred controls
}

TEST(ControlName, NumberAtFollowsTheDecimalConversion) {
    using control_name::NumberAt;
    const struct {
        const char* text;
        std::size_t pos;
        int value;
    } cases[] = {
        {"RESIZE_V_920", 9, 920}, {"X_D_INQ_12ab", 8, 12}, {"X_D_INQ_ab", 8, 0},
        {"X_D_INQ_+4", 8, 4},     {"X_D_INQ_\t-4", 8, -4}, {"short", 9, 0},
        {"X_D_INQ_- 4", 8, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberAt(c.text, c.pos), c.value) << c.text;
}

TEST(ControlName, QueuedLetterSkipsADigitPrefix) {
    EXPECT_EQ(control_name::QueuedLetter("4_O"), 'O');
    EXPECT_EQ(control_name::QueuedLetter("1_I_D_INR_0"), 'I');
    EXPECT_EQ(control_name::QueuedLetter("4_P_SPC"), 'P');
    EXPECT_EQ(control_name::QueuedLetter("G_D_INQ_0"), 'G');
    EXPECT_EQ(control_name::QueuedLetter("4"), '\0');
    EXPECT_EQ(control_name::QueuedLetter(""), '\0');
}

} // namespace

void PrintTo(const CommandDescriptor& d, std::ostream* os) {
    *os << "{" << ControlKindText(d.kind) << " letter=" << Show(d.letter)
        << " type=" << Show(d.valueType) << " mode=" << Show(d.sendMode) << " index=" << d.index
        << " byDigit=" << d.byDigit << " reply=" << d.reply << " replyIndex=" << d.replyIndex
        << " target=\"" << d.target << "\" keywords=[" << d.keywords.toString() << "]}";
}
