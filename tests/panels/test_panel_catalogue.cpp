// The shipped panel files against the catalogue of panels: every file loads through the
// program's own loader and holds the panels, controls, texts, callbacks and menu bars that the
// program relies on, with the value types their constant names declare and a tidy layout.
#include "engine/control_name.h"
#include "runtime/userint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// The catalogue
// ---------------------------------------------------------------------------------------------

struct CtrlEntry {
    CtrlEntry(const char* name_, CtrlKind kind_, const char* label_ = nullptr,
              const char* value_ = nullptr, const char* callback_ = nullptr,
              const char* onText_ = nullptr, const char* offText_ = nullptr,
              std::vector<const char*> items_ = {})
        : name(name_), kind(kind_), label(label_), value(value_), callback(callback_),
          onText(onText_), offText(offText_), items(std::move(items_)) {}
    const char* name;
    CtrlKind kind;
    const char* label;    // the label the catalogue ties to this control
    const char* value;    // value text the program reads
    const char* callback; // callback function named in the file
    const char* onText;
    const char* offText;
    std::vector<const char*> items; // ring item labels
};

struct PanelEntry {
    PanelEntry(const char* file_, int number_, const char* name_, const char* title_,
               std::vector<CtrlEntry> controls_, std::vector<const char*> labels_ = {},
               bool product_ = false, bool bound_ = false)
        : file(file_), number(number_), name(name_), title(title_), controls(std::move(controls_)),
          labels(std::move(labels_)), product(product_), bound(bound_) {}
    const char* file;
    int number;
    const char* name;
    const char* title; // nullptr: the catalogue gives none
    std::vector<CtrlEntry> controls;
    // Labels the catalogue lists for the panel as a set: each must be carried by one control
    // (an entry listed twice by two controls).
    std::vector<const char*> labels;
    bool product; // a product panel (named by the configuration)
    bool bound;   // bound to the device: its names must refer to controls it holds
};

constexpr CtrlKind NUM = KIND_NUMERIC, SLIDE = KIND_NUMERIC_SLIDE, STR = KIND_STRING,
                   BOX = KIND_TEXT_BOX, CMD = KIND_COMMAND_BUTTON, TOG = KIND_TOGGLE_BUTTON,
                   CHK = KIND_CHECK_BOX, RING = KIND_RING, MSG = KIND_TEXT_MSG,
                   DECO = KIND_DECORATION, GRAPH = KIND_GRAPH;

const std::vector<const char*> kGainItems = {"X1", "X2", "X4", "X8", "X48", "X96"};

// clang-format off
std::vector<PanelEntry> Catalogue() {
    return {
        {"Arvel7.uir", 1, "PANEL", nullptr,
         {{"TIME", NUM},
          {"LED_LEFTPIX", MSG},
          {"RESIZE_V_920", TOG},
          {"D_S_OUT_0", STR, "Light Sensor"},
          {"Z_D_INQ", TOG},
          {"PORTCOMBOUI", DECO},
          {"D_S_OUT", STR},
          {"G_D_INQ_1", RING, "Sensor Gain", nullptr, nullptr, nullptr, nullptr, kGainItems},
          {"G_D_INQ_0", NUM},
          {"LGFILD_1_2_0", TOG},
          {"Y_S_INL", STR},
          {"DECORATION", DECO},
          {"GRAPHUI_0_1", DECO},
          {"Y_D_OUT_0", NUM},
          {"D_D_OUT_1", NUM}},
         {"Light Sensor", "Sensor Gain", "DAC", "Data Log", "PC Control", "Led Left", "Y SEND", "On"},
         true, true},
        {"Arvel7-STBL.uir", 1, "PANEL", nullptr,
         {{"TIME", NUM},
          {"LED_LEFTPIX", MSG},
          {"RESIZE_V_920", TOG},
          {"D_S_OUT_0", STR, "Light Sensor"},
          {"D_S_OUT_1", STR},
          {"Z_D_INQ", TOG},
          {"PORTCOMBOUI", DECO},
          {"D_S_OUT", STR},
          {"G_D_INQ_1", RING, "Sensor Gain", nullptr, nullptr, nullptr, nullptr, kGainItems},
          {"G_D_INQ_0", NUM},
          {"LGFILD_1_2_0", TOG},
          {"Y_S_INR", STR},
          {"DECORATION", DECO},
          {"GRAPHUI_0_1", DECO},
          {"Y_D_OUT_0", NUM}},
         {"Light Sensor", "Sensor Gain", "DAC", "Data Log", "PC Control", "Led Left", "On"},
         true, true},
        {"DINAMIC_LEDS.uir", 1, "PANEL", nullptr,
         {{"PORTCOMBOUI", DECO},
          {"LED_LEFTPIX", MSG, nullptr, "Text Message"}},
         {}, true, true},
        {"Nodal.uir", 1, "PANEL", "Nodal",
         {{"I_D_INR_2", SLIDE},
          {"I_D_INR_1", SLIDE, "LED 1"},
          {"I_D_INR_0", SLIDE, "LED 0"},
          {"TIME", NUM},
          {"LG_FILD_1_2_0", TOG},
          {"1_I_D_INR_2", TOG},
          {"1_I_D_INR_1", TOG},
          {"2_ALL", TOG, nullptr, nullptr, nullptr, "ON All", "OFF All"},
          {"1_I_D_INR_0", TOG},
          {"COMMANDBUTTON", CMD},
          {"TOGGLEBUTTON", TOG},
          {"COMMANDBUTTON_2", CMD},
          {"NUMERICSLIDE", SLIDE},
          {"PORTCOMBOUI", DECO}},
         {"LED 0", "LED 1", "Log file", "ON"},
         true, true},
        {"Vantril.uir", 1, "PANEL", nullptr,
         {{"TIME", NUM},
          {"O_F_IN0_5", NUM},
          {"O_F_IN0_0", NUM},
          {"O_D_IN0_1", NUM},
          {"9_STOPCOMAND", CMD, "Stop"},
          {"4_O", CMD, "Start"},
          {"PORTCOMBOUI", DECO},
          {"O_D_IN0_2", NUM},
          {"5_O_F_IN0_5", NUM},
          {"5_O_F_IN0_0", NUM},
          {"5_O_F_IN0_1", NUM},
          {"STOPCOMAND", STR, "StopCommand", "O:0"},
          {"O_D_IN0_6", TOG},
          {"O_D_IN0_3", RING},
          {"O_D_IN0_4", TOG},
          {"B_OUD_0", STR, "_B_OUD_0", "ON=4_O;OFF=9_STOPCOMAND;"},
          {"DECORATION", DECO},
          {"J_D_ONE", STR, "J ON LOAD", ";4;O_D_IN0_6;5;O_D_IN0_4;"},
          {"TEXTMSG", MSG}},
         {"Pulse Durration (uS)", "Pulse Interval (uS)", "Number of Pulses", "Start", "OffMaping",
          "maping IN", "Stop", "StopCommand", "Trigger", "Pulse Invert", "_B_OUD_0", "Sync. Delay",
          "Sync. Invert", " Sync Out ", "J ON LOAD"},
         true, true},
        {"MAINUISPECTRA.UIR", 1, "PANEL", nullptr,
         {{"PORTCOMBOUI", DECO},
          {"GRAPH_SPC", DECO},
          {"D_S_OUT_0", STR},
          {"SPC_2", CMD, "Take BackGround"},
          {"SPC_1", CMD, "Take Graph"},
          {"SPC_DRK1", CHK},
          {"SPC_DTCT1", CHK},
          {"SPC_INT_TIM1", NUM},
          {"SPC_BXWDITH1", NUM},
          {"SPC_SCN_AVRG1", NUM},
          {"SPC_DRK0", CHK},
          {"SPC_DTCT0", CHK},
          {"SPC_INT_TIM0", NUM},
          {"SPC_BXWDITH0", NUM},
          {"SPC_SCN_AVRG0", NUM},
          {"6_P_D_INQ_0", NUM},
          {"SPC_SYCL", NUM},
          {"6_P_D_INQ_1", NUM},
          {"DECORATION_2", DECO},
          {"TEXTMSG_3", MSG},
          {"DECORATION_4", DECO},
          {"TEXTMSG_5", MSG},
          {"DECORATION_3", DECO},
          {"TEXTMSG_4", MSG},
          {"DECORATION_5", DECO},
          {"TEXTMSG_6", MSG},
          {"DECORATION", DECO},
          {"TEXTMSG_2", MSG},
          {"P_D_INQ_0", NUM},
          {"P_D_INQ_1", NUM},
          {"SPC_PREF", STR, "PrefixFileName"},
          {"SPC_1SAVE_FILE", CMD, "Save to File"},
          {"SPC_TIMEBT", NUM, "TImeBetween(ms)"},
          {"SPC_WORKON_1", RING},
          {"SPC_WAVELENGTH_1", NUM},
          {"SPC_WIDTHW_1", NUM},
          {"SPC_CALCULATE_1", CMD, "Calculate"},
          {"B_OUD_0", STR, nullptr, "ON=SPC_1;SPC_2;6_P_D_INQ_1;6_P_D_INQ_0;OFF=;"},
          {"SPC_WORKON_0", RING},
          {"SPC_WAVELENGTH_0", NUM},
          {"SPC_WIDTHW_0", NUM},
          {"SPC_CALCULATE_0", CMD, "Calculate"}},
         {"LED Power", "LED Power", "HIDE LED0", "HIDE LED1", "Take Graph", "Take BackGround",
          "DarkCorrect", "DarkCorrect", "DetectorNonlinearity", "DetectorNonlinearity",
          "IntegrationTime(msec)", "IntegrationTime(msec)", "BoxWidth", "BoxWidth",
          "ScanToAvarage", "ScanToAvarage", "Sycle number", "  LED   0  ", "  LED  1  ", "FOR_ANME",
          "PrefixFileName", "Save to File", "TImeBetween(ms)", "Aritmetic  LED   0  ",
          "Aritmetic  LED   1", "Last Group/Selected Files", "Last Group/Selected Files",
          "Wavelength", "Wavelength", "FWHM", "FWHM", "Calculate", "Calculate", "Work Options"},
         true, true},
        {"TESTOPTIONS.UIR", 1, "PANEL", nullptr,
         {{"PORTCOMBOUI", DECO},
          {"LED_LEFTPIX", MSG},
          {"W_D_AL0_0", NUM, "TImeSend  ( ms)"},
          {"1_W_D_AL0_0", TOG, "Send W", nullptr, nullptr, "SEND", "STOP"}},
         {}, true, true},
        {"GetProduct.uir", 1, "PANEL", nullptr,
         {{"PORTCOMBOUI", DECO},
          {"SAVE_LOAD", CMD, "Save Configuration and Reload"},
          {"V_D_OUO_2", CHK, "Include PhotoSensor"},
          {"V_S_IN2", STR},
          {"TEXTMSG", MSG, nullptr, "Configration Hardware"}},
         {}, true, true},
        {"GetProductIn.uir", 1, "PANEL", "Configuration",
         {{"SAVE2_LOAD", CMD, "Save Configuration and Reload"},
          {"V_D_OUO_2", CHK, "Include PhotoSensor"},
          {"COM_POWER", RING, "Select COM port"},
          {"V_S_IN2", STR},
          {"TEXTMSG", MSG, nullptr, "Configration Hardware"}},
         {}, false, true},
        {"AboutSoft.uir", 1, "PANEL", "About software",
         {{"EXIT_PAGE", CMD, "__OK"},
          {"TEXTMSG", MSG},
          {"TEXTMSG_3", MSG},
          {"SET_SOFTNAME", MSG}},
         {}, false, true},
        {"AboutFile.uir", 1, "PANEL", "About Hardware",
         {{"V_S_IN1", STR},
          {"V_S_OUO_1", STR},
          {"V_S_IN0", STR},
          {"EXIT_PAGE", CMD},
          {"QQQQ", DECO},
          {"TEXTMSG", MSG},
          {"V_S_OUO_0", STR},
          {"TEXTMSG_3", MSG}},
         {"Firmware Version", "Product Name"},
         false, true},
        {"DebugFile.uir", 1, "PANEL", nullptr,
         {{"3_ALL_OUT", BOX, "Output"},
          {"EXIT_PAGE", CMD, "Close"},
          {"DEBUG_OPT", NUM, "OptDebug"},
          {"COMMANDSEND", STR, "Command:"},
          {"9_COMMANDSEND", CMD, "Send"},
          {"5O_3_ALL_OUT", TOG, "Stop Autoscroll"}},
         {}, false, true},
        {"COMCombo.uir", 1, "PANEL", nullptr,
         {{"EXIT_BUTTON", CMD, "__Exit", nullptr, "ExitCallBak"},
          {"PORTCOMBO", RING, "Select COM port"},
          {"CONNECT_STATUS", MSG}}},
        {"GraphUI.uir", 1, "PANELCOMBO", nullptr,
         {{"EXIT_BUTTON", CMD, nullptr, nullptr, "ExitCallBak"},
          {"PORTCOMBO", RING, "Select COM port"},
          {"CONNECT_STATUS", MSG}}},
        {"GraphUI.uir", 2, "PANELGRAPH", nullptr,
         {{"GRAPH1", GRAPH},
          {"TIME_GRAPH", NUM, "X Scale Min."},
          {"CLEAR_GRAPH", CMD, "Clear Chart"},
          {"RUN_STOP_GRAPH", TOG, nullptr, nullptr, nullptr, "Graph ON", "Graph OFF"},
          {"AUTO_SCAL", TOG, "Y Axis Auto"}}},
        {"GraphSpectrum.uir", 1, "PANEL", nullptr,
         {{"GRAPH1", GRAPH},
          {"CLEAR_GRAPH", CMD, "Clear Chart"},
          {"AUTO_SCAL", TOG, "Axis Auto"},
          {"4_P", CMD},
          {"GRAPH_ADD_FILE", CMD, "Add File"}}},
    };
}

struct ItemEntry {
    const char* name;
    const char* label;
};
struct MenuEntry {
    const char* name; // nullptr: the catalogue gives none
    const char* label;
    std::vector<ItemEntry> items;
};
struct MenuBarEntry {
    const char* file;
    std::vector<MenuEntry> menus;
};

std::vector<MenuBarEntry> MenuBars() {
    return {
        {"DEFAULTMENU.UIR",
         {{"MENU1", "File", {{"EXIT_ALL", "Exit"}}},
          {"MENU2", "Options", {{"LOAD0_GetProductIn", "Configuration"},
                                {"EXEC_2", "Firmware Update"}}},
          {"MENU3", "About", {{"LOAD0_AboutSoft", "About Software..."},
                              {"LOAD0_AboutFile", "About Hardware..."},
                              {"EXEC_4", "Hardware User Manual"},
                              {"EXEC_3", "Software User Manual"},
                              {"EXEC_1", "Corvane WebSite"}}}}},
        {"Arvel7-STBL.uir",
         {{nullptr, "File", {{"EXIT_ALL", "Exit"}}},
          {nullptr, "Options", {{"EXEC_2", "Firmware Update"}}},
          {nullptr, "About", {{"LOAD0_AboutSoft", "About Software..."},
                              {"LOAD0_AboutFile", "About Hardware..."},
                              {"EXEC_4", "Hardware User Manul"},
                              {"EXEC_3", "Software User Manul"},
                              {"EXEC_1", "Corvane WebSite"}}}}},
        {"Vantril.uir",
         {{"MENU1", "File", {{"EXIT_ALL", "Exit"}}},
          {"MENU2", "About", {{"LOAD0_AboutSoft", "About Software..."},
                              {"LOAD0_AboutFile", "About Hardware..."},
                              {"EXEC_5", "User Manual"},
                              {"EXEC_1", "Corvane WebSite"}}}}},
        {"Nodal.uir",
         {{"MENU1", "Menu 1", {{"ITEM1", "Item 1"}}},
          {"MENU2", "Menu 2", {{"ITEM2", "Item 2"}}},
          {"MENU3", "Menu 3", {{"ITEM3", "Item 3"}}}}},
        {"AboutFile.uir",
         {{"MENU1", "Help", {{"ABOUT", "About"}}},
          {nullptr, "File", {{"EXIT", "Exit"}}}}},
    };
}

// Every shipped panel file, with the number of panels it holds.
const std::vector<std::pair<const char*, int>> kFiles = {
    {"Arvel7.uir", 1},      {"Arvel7-STBL.uir", 1},   {"DINAMIC_LEDS.uir", 1},
    {"Nodal.uir", 1},       {"Vantril.uir", 1},       {"MAINUISPECTRA.UIR", 1},
    {"TESTOPTIONS.UIR", 1}, {"GetProduct.uir", 1},    {"GetProductIn.uir", 1},
    {"AboutSoft.uir", 1},   {"AboutFile.uir", 1},     {"DebugFile.uir", 1},
    {"COMCombo.uir", 1},    {"GraphUI.uir", 2},       {"GraphSpectrum.uir", 1},
    {"DEFAULTMENU.UIR", 1}};
// clang-format on

// ---------------------------------------------------------------------------------------------
// Model helpers
// ---------------------------------------------------------------------------------------------

int ExitCallBakStandIn(int, int, int, void*, int, int) {
    return 0;
}

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool overlaps(const Rect& o) const {
        return left < o.left + o.width && o.left < left + width && top < o.top + o.height &&
               o.top < top + height;
    }
};

struct Ctrl {
    int id = 0;
    std::string name, label, value, onText, offText;
    CtrlKind kind = KIND_NUMERIC;
    int dataType = 0;
    bool visible = true;
    Rect rect;
};

int IntAttr(int panel, int control, int attr) {
    int v = -12345;
    EXPECT_EQ(GetCtrlAttribute(panel, control, attr, &v), 0) << "attribute " << attr;
    return v;
}

std::string TextAttr(int panel, int control, int attr) {
    std::string v;
    EXPECT_EQ(GetCtrlAttribute(panel, control, attr, &v), 0) << "attribute " << attr;
    return v;
}

// The controls of a panel in control order, read through the run-time's operations.
std::vector<Ctrl> Controls(int panel) {
    std::vector<Ctrl> out;
    int id = 0;
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id), 0);
    while (id > 0 && out.size() < 200) {
        Ctrl c;
        c.id = id;
        c.name = TextAttr(panel, id, ATTR_CONSTANT_NAME);
        c.label = TextAttr(panel, id, ATTR_LABEL_TEXT);
        c.kind = GetCtrlKind(panel, id);
        c.dataType = IntAttr(panel, id, ATTR_DATA_TYPE);
        c.visible = IntAttr(panel, id, ATTR_VISIBLE) != 0;
        c.rect = {IntAttr(panel, id, ATTR_LEFT), IntAttr(panel, id, ATTR_TOP),
                  IntAttr(panel, id, ATTR_WIDTH), IntAttr(panel, id, ATTR_HEIGHT)};
        int items = 1;
        if (c.kind == KIND_RING) {
            EXPECT_EQ(GetNumListItems(panel, id, &items), 0);
        }
        // A ring without items (a port ring filled at run time) has no value yet.
        if (c.kind != KIND_DECORATION && c.kind != KIND_GRAPH && c.kind != KIND_COMMAND_BUTTON &&
            items > 0) {
            EXPECT_EQ(GetCtrlVal(panel, id, &c.value), 0) << c.name;
        }
        if (c.kind == KIND_TOGGLE_BUTTON || c.kind == KIND_CHECK_BOX ||
            c.kind == KIND_BINARY_SWITCH) {
            c.onText = TextAttr(panel, id, ATTR_ON_TEXT);
            c.offText = TextAttr(panel, id, ATTR_OFF_TEXT);
        }
        out.push_back(std::move(c));
        EXPECT_EQ(GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &id), 0);
    }
    return out;
}

const Ctrl* Find(const std::vector<Ctrl>& controls, const std::string& name) {
    for (const auto& c : controls)
        if (c.name == name) return &c;
    return nullptr;
}

int PanelInt(int panel, int attr) {
    int v = -1;
    EXPECT_EQ(GetPanelAttribute(panel, attr, &v), 0);
    return v;
}

class PanelCatalogue : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetUserInterfaceModelForTesting();
        RegisterCallbackName("ExitCallBak", ExitCallBakStandIn);
        SetPanelFileFolder(CORVANE_BIN_DIR);
    }
    void TearDown() override {
        ResetUserInterfaceModelForTesting();
        SetPanelFileFolder("");
    }

    int load(const char* file, int number) {
        int panel = LoadPanel(0, file, number);
        EXPECT_GT(panel, 0) << file << " panel " << number;
        return panel;
    }
};

// ---------------------------------------------------------------------------------------------
// Panels and controls
// ---------------------------------------------------------------------------------------------

TEST_F(PanelCatalogue, EveryPanelHoldsTheCatalogueControlsInOrder) {
    for (const PanelEntry& p : Catalogue()) {
        SCOPED_TRACE(std::string(p.file) + " panel " + std::to_string(p.number));
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;

        std::string text;
        ASSERT_EQ(GetPanelAttribute(panel, ATTR_CONSTANT_NAME, &text), 0);
        EXPECT_EQ(text, p.name);
        if (p.title) {
            ASSERT_EQ(GetPanelAttribute(panel, ATTR_TITLE, &text), 0);
            EXPECT_EQ(text, p.title);
        }

        const std::vector<Ctrl> controls = Controls(panel);
        ASSERT_EQ(controls.size(), p.controls.size());
        for (size_t i = 0; i < controls.size(); ++i) {
            const Ctrl& c = controls[i];
            const CtrlEntry& want = p.controls[i];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(c.id, static_cast<int>(i) + 1);
            EXPECT_EQ(c.name, want.name);
            EXPECT_EQ(c.kind, want.kind);
            if (want.label) {
                EXPECT_EQ(c.label, want.label);
            }
            if (want.value) {
                EXPECT_EQ(c.value, want.value);
            }
            if (want.onText) {
                EXPECT_EQ(c.onText, want.onText);
            }
            if (want.offText) {
                EXPECT_EQ(c.offText, want.offText);
            }

            CtrlCallbackPtr fn = nullptr;
            void* data = nullptr;
            ASSERT_EQ(GetCtrlCallback(panel, c.id, &fn, &data), 0);
            if (want.callback)
                EXPECT_EQ(fn, LookupCallbackName(want.callback));
            else
                EXPECT_EQ(fn, nullptr) << "a callback that the catalogue does not name";

            if (!want.items.empty()) {
                int count = 0;
                ASSERT_EQ(GetNumListItems(panel, c.id, &count), 0);
                ASSERT_EQ(count, static_cast<int>(want.items.size()));
                for (int k = 0; k < count; ++k) {
                    std::string label;
                    EXPECT_EQ(GetLabelFromIndex(panel, c.id, k, &label), 0);
                    EXPECT_EQ(label, want.items[static_cast<size_t>(k)]);
                }
            }
        }
    }
}

TEST_F(PanelCatalogue, EveryListedLabelIsShownByAControl) {
    for (const PanelEntry& p : Catalogue()) {
        if (p.labels.empty()) continue;
        SCOPED_TRACE(p.file);
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;
        std::multiset<std::string> carried;
        for (const Ctrl& c : Controls(panel))
            carried.insert(c.label);
        std::multiset<std::string> listed(p.labels.begin(), p.labels.end());
        for (const std::string& label : listed) {
            EXPECT_GE(carried.count(label), listed.count(label)) << "label \"" << label << "\"";
        }
    }
}

// The engine reads and writes a control by the value type at position 2 of its name; a control
// that holds another type would send or show the wrong thing.
TEST_F(PanelCatalogue, ControlsHoldTheValueTypeTheirNameDeclares) {
    for (const auto& [file, panels] : kFiles) {
        for (int number = 1; number <= panels; ++number) {
            SCOPED_TRACE(std::string(file) + " panel " + std::to_string(number));
            const int panel = load(file, number);
            if (panel <= 0) continue;
            for (const Ctrl& c : Controls(panel)) {
                SCOPED_TRACE(c.name);
                const ControlClassification cls = Classify(c.name);
                const CommandDescriptor& first = cls.first;
                const bool valued = first.kind == ControlKind::Command ||
                                    first.kind == ControlKind::Timed || first.reply;
                if (valued && first.valueType == 'D') {
                    EXPECT_EQ(c.dataType, VAL_INTEGER);
                }
                if (valued && first.valueType == 'F') {
                    EXPECT_EQ(c.dataType, VAL_FLOAT);
                }
                if (valued && first.valueType == 'S') {
                    EXPECT_EQ(c.dataType, VAL_STRING);
                }
                if (first.kind == ControlKind::Timed || first.keywords.has(Keyword::Time)) {
                    EXPECT_EQ(c.dataType, VAL_INTEGER);
                }
                // A mapping is read as a single-precision scale factor.
                if (cls.prefix.kind == ControlKind::GroupMapping ||
                    cls.prefix.kind == ControlKind::ReplyMapping) {
                    EXPECT_EQ(c.dataType, VAL_FLOAT);
                }
                // Port rings hold port names as texts.
                if (c.name.starts_with("PORTCOMBO") && c.kind == KIND_RING) {
                    EXPECT_EQ(c.dataType, VAL_STRING);
                }
                if (first.keywords.has(Keyword::ComPower)) {
                    EXPECT_EQ(c.dataType, VAL_STRING);
                }
                // Spectrum settings are read as integers, the file prefix as a text.
                if (first.keywords.has(Keyword::Spc) && c.kind != KIND_COMMAND_BUTTON) {
                    EXPECT_EQ(c.dataType, c.name == "SPC_PREF" ? VAL_STRING : VAL_INTEGER);
                }
            }
        }
    }
}

// Numbers and texts that show a reply (_OUT, _OUO in the name) are indicators: a person reads
// them and cannot type over them. Every other control, reply check boxes and toggles among
// them, is operated by the person.
TEST_F(PanelCatalogue, ReplyDisplaysAreIndicatorsAndEveryOtherControlIsHot) {
    int indicators = 0;
    for (const auto& [file, panels] : kFiles) {
        for (int number = 1; number <= panels; ++number) {
            SCOPED_TRACE(std::string(file) + " panel " + std::to_string(number));
            const int panel = load(file, number);
            if (panel <= 0) continue;
            for (const Ctrl& c : Controls(panel)) {
                SCOPED_TRACE(c.name);
                const bool replyName = c.name.find("_OUT") != std::string::npos ||
                                       c.name.find("_OUO") != std::string::npos;
                const bool display =
                    c.kind == KIND_NUMERIC || c.kind == KIND_STRING || c.kind == KIND_TEXT_BOX;
                const int mode = IntAttr(panel, c.id, ATTR_CTRL_MODE);
                EXPECT_EQ(mode, replyName && display ? VAL_INDICATOR : VAL_HOT);
                if (mode == VAL_INDICATOR) ++indicators;
            }
        }
    }
    EXPECT_GE(indicators, 12);

    struct Known {
        const char* file;
        const char* name;
        int mode;
    };
    const Known known[] = {
        {"Arvel7.uir", "D_S_OUT_0", VAL_INDICATOR},
        {"Arvel7.uir", "G_D_INQ_0", VAL_HOT},
        {"Arvel7.uir", "Y_D_OUT_0", VAL_INDICATOR},
        {"DebugFile.uir", "3_ALL_OUT", VAL_INDICATOR},
        {"DebugFile.uir", "5O_3_ALL_OUT", VAL_HOT},
        {"GetProduct.uir", "V_D_OUO_2", VAL_HOT},
        {"AboutFile.uir", "V_S_OUO_0", VAL_INDICATOR},
    };
    for (const Known& k : known) {
        SCOPED_TRACE(std::string(k.file) + " " + k.name);
        const int panel = load(k.file, 1);
        if (panel <= 0) continue;
        const std::vector<Ctrl> controls = Controls(panel);
        const Ctrl* c = Find(controls, k.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(IntAttr(panel, c->id, ATTR_CTRL_MODE), k.mode);
    }
}

TEST_F(PanelCatalogue, StopAutoscrollIsAScaleOfOneWhenOn) {
    const int panel = load("DebugFile.uir", 1);
    ASSERT_GT(panel, 0);
    const std::vector<Ctrl> controls = Controls(panel);
    const Ctrl* c = Find(controls, "5O_3_ALL_OUT");
    ASSERT_NE(c, nullptr);
    double on = 0.0, off = 1.0;
    EXPECT_EQ(GetCtrlAttribute(panel, c->id, ATTR_ON_VALUE, &on), 0);
    EXPECT_EQ(GetCtrlAttribute(panel, c->id, ATTR_OFF_VALUE, &off), 0);
    EXPECT_EQ(on, 1.0);
    EXPECT_EQ(off, 0.0);
    float value = -1.0f;
    EXPECT_EQ(GetCtrlVal(panel, c->id, &value), 0);
    EXPECT_EQ(value, 0.0f) << "autoscroll is on when the panel opens";
}

// The names that configuration texts and prefixed controls refer to must exist on the same
// panel; binding skips a missing name silently, so a typo would only show as a dead control.
TEST_F(PanelCatalogue, NamesReferToControlsOfTheirPanel) {
    for (const PanelEntry& p : Catalogue()) {
        if (!p.bound) continue;
        SCOPED_TRACE(p.file);
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;
        const std::vector<Ctrl> controls = Controls(panel);
        auto isCommand = [&](const std::string& name, char letter) {
            const Ctrl* c = Find(controls, name);
            if (!c) return false;
            CommandDescriptor d = ClassifyFirstWalk(name);
            return d.kind == ControlKind::Command && (letter == 0 || d.letter == letter);
        };
        auto commandWithLetter = [&](char letter) {
            return std::any_of(controls.begin(), controls.end(),
                               [&](const Ctrl& c) { return isCommand(c.name, letter); });
        };
        for (const Ctrl& c : controls) {
            SCOPED_TRACE(c.name);
            const ControlClassification cls = Classify(c.name);
            if (cls.first.keywords.has(Keyword::BOud)) {
                // "ON=" name ";" ... ";OFF=" name ";" ...
                ASSERT_TRUE(c.value.starts_with("ON=")) << c.value;
                const size_t off = c.value.find(";OFF=");
                ASSERT_NE(off, std::string::npos) << c.value;
                ASSERT_EQ(c.value.back(), ';') << c.value;
                std::string names = c.value.substr(3, off - 3) + ";" + c.value.substr(off + 5);
                size_t start = 0;
                for (size_t end; (end = names.find(';', start)) != std::string::npos;
                     start = end + 1) {
                    std::string name = names.substr(start, end - start);
                    if (!name.empty()) {
                        EXPECT_NE(Find(controls, name), nullptr) << name;
                    }
                }
            }
            if (cls.first.keywords.has(Keyword::One)) {
                // ";" index ";" command control ";" ...
                ASSERT_TRUE(c.value.starts_with(";")) << c.value;
                ASSERT_TRUE(c.value.ends_with(";")) << c.value;
                std::vector<std::string> tokens;
                size_t start = 1;
                for (size_t end; (end = c.value.find(';', start)) != std::string::npos;
                     start = end + 1) {
                    tokens.push_back(c.value.substr(start, end - start));
                }
                ASSERT_EQ(tokens.size() % 2, 0u) << c.value;
                for (size_t i = 0; i < tokens.size(); i += 2) {
                    EXPECT_FALSE(tokens[i].empty());
                    EXPECT_TRUE(isCommand(tokens[i + 1], 0)) << tokens[i + 1];
                }
            }
            switch (cls.prefix.kind) {
            case ControlKind::TextSender:
            case ControlKind::Mirror:
                EXPECT_NE(Find(controls, cls.prefix.target), nullptr) << cls.prefix.target;
                break;
            case ControlKind::EnableSwitch:
            case ControlKind::GroupMapping: {
                // A position of a command group of that letter, or (enable switch) a timed
                // command of that letter.
                const bool found =
                    std::any_of(controls.begin(), controls.end(), [&](const Ctrl& t) {
                        const CommandDescriptor d = ClassifyFirstWalk(t.name);
                        return (d.kind == ControlKind::Command && d.letter == cls.prefix.letter &&
                                d.index == cls.prefix.index) ||
                               (cls.prefix.kind == ControlKind::EnableSwitch &&
                                d.kind == ControlKind::Timed && d.letter == cls.prefix.letter);
                    });
                EXPECT_TRUE(found) << "nothing of letter " << cls.prefix.letter << " at position "
                                   << cls.prefix.index;
                break;
            }
            case ControlKind::QueueButton:
                EXPECT_TRUE(commandWithLetter(cls.prefix.letter)) << cls.prefix.letter;
                break;
            case ControlKind::ReplyMapping:
                EXPECT_TRUE(std::any_of(controls.begin(), controls.end(),
                                        [&](const Ctrl& r) {
                                            const CommandDescriptor d = ClassifyFirstWalk(r.name);
                                            return d.reply && d.letter == cls.prefix.letter;
                                        }))
                    << "no reply control of letter " << cls.prefix.letter;
                break;
            default:
                break;
            }
        }
    }
}

// Binding has room for 6 command groups and 10 reply entries and stops at the first control
// that finds no room, leaving the rest of the panel unbound; a group has 20 positions.
TEST_F(PanelCatalogue, BindingHasRoomForEveryControl) {
    for (const PanelEntry& p : Catalogue()) {
        if (!p.bound) continue;
        SCOPED_TRACE(p.file);
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;
        std::vector<char> groups;
        int replies = 0;
        for (const Ctrl& c : Controls(panel)) {
            SCOPED_TRACE(c.name);
            const ControlClassification cls = Classify(c.name);
            const CommandDescriptor& d = cls.first;
            if (d.kind == ControlKind::Command) {
                EXPECT_GE(d.index, 0);
                EXPECT_LT(d.index, 20);
                const bool joins = c.name.size() >= 9 && std::find(groups.begin(), groups.end(),
                                                                   d.letter) != groups.end();
                if (!joins) groups.push_back(d.letter);
            }
            if (d.reply || d.keywords.has(Keyword::ComPower)) ++replies;
            if (cls.prefix.kind == ControlKind::EnableSwitch ||
                cls.prefix.kind == ControlKind::GroupMapping) {
                EXPECT_GE(cls.prefix.index, 0);
                EXPECT_LT(cls.prefix.index, 20);
            }
            if (d.keywords.has(Keyword::BOud)) {
                EXPECT_GE(c.name[6], '0');
                EXPECT_LE(c.name[6], '3');
            }
            // The spectrum settings name their LED, 0 or 1, by their last character.
            for (const char* setting :
                 {"SPC_DRK", "SPC_SCN_AVRG", "SPC_DTCT", "SPC_INT_TIM", "SPC_BXWDITH"}) {
                if (c.name.find(setting) != std::string::npos) {
                    EXPECT_TRUE(c.name.back() == '0' || c.name.back() == '1');
                }
            }
        }
        EXPECT_LE(groups.size(), 6u);
        EXPECT_LE(replies, 10);
    }
}

// ---------------------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------------------

// Every product panel carries the place of the connection panel, and it is the first control
// that start-up looks for, so the connection panel (not a port ring) is laid into it.
TEST_F(PanelCatalogue, ProductPanelsHoldAPlaceForTheConnectionPanel) {
    const int ports = load("COMCombo.uir", 1);
    ASSERT_GT(ports, 0);
    const int width = PanelInt(ports, ATTR_WIDTH), height = PanelInt(ports, ATTR_HEIGHT);
    for (const PanelEntry& p : Catalogue()) {
        if (!p.product) continue;
        SCOPED_TRACE(p.file);
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;
        const std::vector<Ctrl> controls = Controls(panel);
        auto first = std::find_if(controls.begin(), controls.end(), [](const Ctrl& c) {
            return c.name.find("PORTCOMBOUI") != std::string::npos ||
                   c.name.starts_with("PORTCOMBO");
        });
        ASSERT_NE(first, controls.end());
        EXPECT_EQ(first->name, "PORTCOMBOUI");
        EXPECT_TRUE(first->visible);
        // The connection panel takes the place inset by 2 on every side.
        EXPECT_GE(first->rect.width - 4, width);
        EXPECT_GE(first->rect.height - 4, height);
        // Top left, clear of a menu bar laid over the panel's top.
        EXPECT_LE(first->rect.left, 20);
        EXPECT_GE(first->rect.top, 25);
        EXPECT_LE(first->rect.top, 40);
    }
}

// Visible controls lie inside their panel (a panel with a RESIZE_V toggle counts the width it
// can grow by) and do not cover one another.
TEST_F(PanelCatalogue, VisibleControlsFitTheirPanelWithoutOverlapping) {
    for (const auto& [file, panels] : kFiles) {
        for (int number = 1; number <= panels; ++number) {
            SCOPED_TRACE(std::string(file) + " panel " + std::to_string(number));
            const int panel = load(file, number);
            if (panel <= 0) continue;
            const std::vector<Ctrl> controls = Controls(panel);
            int width = PanelInt(panel, ATTR_WIDTH);
            const int height = PanelInt(panel, ATTR_HEIGHT);
            EXPECT_LE(height, 760) << "taller than a 1280 x 800 screen leaves room for";
            EXPECT_LE(width, 1270);
            for (const Ctrl& c : controls) {
                if (c.name.starts_with("RESIZE_V") && c.kind == KIND_TOGGLE_BUTTON)
                    width += control_name::NumberAt(c.name, 9);
            }
            EXPECT_LE(width, 1270);
            for (size_t i = 0; i < controls.size(); ++i) {
                const Ctrl& a = controls[i];
                if (!a.visible) continue;
                EXPECT_GT(a.rect.width, 0) << a.name;
                EXPECT_GT(a.rect.height, 0) << a.name;
                EXPECT_GE(a.rect.left, 0) << a.name;
                EXPECT_GE(a.rect.top, 0) << a.name;
                EXPECT_LE(a.rect.left + a.rect.width, width) << a.name;
                EXPECT_LE(a.rect.top + a.rect.height, height) << a.name;
                for (size_t j = i + 1; j < controls.size(); ++j) {
                    const Ctrl& b = controls[j];
                    if (b.visible) {
                        EXPECT_FALSE(a.rect.overlaps(b.rect)) << a.name << " and " << b.name;
                    }
                }
            }
        }
    }
}

// Labels are drawn above numerics, strings, text boxes and rings: the 18 pixels above such a
// control stay free of other controls.
TEST_F(PanelCatalogue, LabelsAboveControlsHaveRoom) {
    for (const auto& [file, panels] : kFiles) {
        for (int number = 1; number <= panels; ++number) {
            SCOPED_TRACE(std::string(file) + " panel " + std::to_string(number));
            const int panel = load(file, number);
            if (panel <= 0) continue;
            const std::vector<Ctrl> controls = Controls(panel);
            for (const Ctrl& a : controls) {
                const bool labelAbove = a.kind == KIND_NUMERIC || a.kind == KIND_NUMERIC_SLIDE ||
                                        a.kind == KIND_STRING || a.kind == KIND_TEXT_BOX ||
                                        a.kind == KIND_RING;
                if (!a.visible || !labelAbove || a.label.empty() ||
                    !IntAttr(panel, a.id, ATTR_LABEL_VISIBLE))
                    continue;
                const Rect room{a.rect.left, a.rect.top - 18, a.rect.width, 18};
                EXPECT_GE(room.top, 0) << a.name;
                for (const Ctrl& b : controls) {
                    if (b.visible && b.id != a.id) {
                        EXPECT_FALSE(room.overlaps(b.rect))
                            << "label of " << a.name << " under " << b.name;
                    }
                }
            }
        }
    }
}

// The LED group is built at the top of the LED_LEFTPIX marker: 300-high slides with their
// buttons 345 below and 28 high must fit in the panel.
TEST_F(PanelCatalogue, LedGroupAreaFitsItsPanel) {
    int panelsWithArea = 0;
    for (const PanelEntry& p : Catalogue()) {
        SCOPED_TRACE(p.file);
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;
        const std::vector<Ctrl> controls = Controls(panel);
        for (const Ctrl& c : controls) {
            if (c.name.find("LED_LEFTPIX") == std::string::npos) continue;
            ++panelsWithArea;
            EXPECT_GE(c.rect.top, 20) << "the slide labels sit above the area";
            EXPECT_LE(c.rect.top + 345 + 28, PanelInt(panel, ATTR_HEIGHT));
            // The area lies below the connection panel's place.
            const Ctrl* port = Find(controls, "PORTCOMBOUI");
            if (port && c.rect.left < port->rect.left + port->rect.width) {
                EXPECT_GE(c.rect.top - 18, port->rect.top + port->rect.height);
            }
        }
    }
    EXPECT_EQ(panelsWithArea, 4); // Arvel7, Arvel7-STBL, DINAMIC_LEDS, TESTOPTIONS
    const int panel = load("DINAMIC_LEDS.uir", 1);
    ASSERT_GT(panel, 0);
    const std::vector<Ctrl> leds = Controls(panel);
    const Ctrl* area = Find(leds, "LED_LEFTPIX");
    ASSERT_NE(area, nullptr);
    EXPECT_GE(area->rect.width, 900);
}

// A graph panel laid over its placeholder takes the placeholder inset by 2 and scales its
// contents: the placeholder keeps the graph panel's proportions, so the graph is not distorted.
TEST_F(PanelCatalogue, GraphPlaceholdersKeepTheGraphPanelsProportions) {
    struct Case {
        const char* host;
        const char* file;
        int number;
    };
    for (const Case& k :
         {Case{"Arvel7.uir", "GraphUI.uir", 2}, Case{"Arvel7-STBL.uir", "GraphUI.uir", 2},
          Case{"MAINUISPECTRA.UIR", "GraphSpectrum.uir", 1}}) {
        SCOPED_TRACE(k.host);
        const int graph = load(k.file, k.number);
        const int host = load(k.host, 1);
        if (graph <= 0 || host <= 0) continue;
        const Ctrl* place = nullptr;
        const std::vector<Ctrl> controls = Controls(host);
        for (const Ctrl& c : controls) {
            if (c.name.find("GRAPH") != std::string::npos && !place) place = &c;
        }
        ASSERT_NE(place, nullptr);
        const double sx = (place->rect.width - 4) / double(PanelInt(graph, ATTR_WIDTH));
        const double sy = (place->rect.height - 4) / double(PanelInt(graph, ATTR_HEIGHT));
        EXPECT_NEAR(sx / sy, 1.0, 0.05);
        EXPECT_GE(sx, 1.0) << "the graph panel is not shrunk";
    }
}

// ---------------------------------------------------------------------------------------------
// Menu bars
// ---------------------------------------------------------------------------------------------

TEST_F(PanelCatalogue, MenuBarsHoldTheCatalogueItems) {
    for (const MenuBarEntry& m : MenuBars()) {
        SCOPED_TRACE(m.file);
        const int panel = load("COMCombo.uir", 1);
        ASSERT_GT(panel, 0);
        const int bar = LoadMenuBar(panel, m.file, 1);
        ASSERT_GT(bar, 0);
        int menu = 0;
        ASSERT_EQ(GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &menu), 0);
        for (const MenuEntry& menuWanted : m.menus) {
            SCOPED_TRACE(menuWanted.label);
            ASSERT_GT(menu, 0) << "missing menu";
            std::string text;
            EXPECT_EQ(GetMenuBarAttribute(bar, menu, ATTR_MENU_NAME, &text), 0);
            EXPECT_EQ(text, menuWanted.label);
            if (menuWanted.name) {
                EXPECT_EQ(GetMenuBarAttribute(bar, menu, ATTR_MENU_CONSTANT_NAME, &text), 0);
                EXPECT_EQ(text, menuWanted.name);
            }
            int item = 0;
            ASSERT_EQ(GetMenuBarAttribute(bar, menu, ATTR_FIRST_ITEM_ID, &item), 0);
            for (const ItemEntry& itemWanted : menuWanted.items) {
                ASSERT_GT(item, 0) << "missing item " << itemWanted.name;
                EXPECT_EQ(GetMenuBarAttribute(bar, item, ATTR_MENU_CONSTANT_NAME, &text), 0);
                EXPECT_EQ(text, itemWanted.name);
                EXPECT_EQ(GetMenuBarAttribute(bar, item, ATTR_MENU_NAME, &text), 0);
                EXPECT_EQ(text, itemWanted.label);
                int submenu = -1;
                EXPECT_EQ(GetMenuBarAttribute(bar, item, ATTR_SUBMENU_ID, &submenu), 0);
                EXPECT_EQ(submenu, 0);
                ASSERT_EQ(GetMenuBarAttribute(bar, item, ATTR_NEXT_ITEM_ID, &item), 0);
            }
            EXPECT_EQ(item, 0) << "an item the catalogue does not list";
            ASSERT_EQ(GetMenuBarAttribute(bar, menu, ATTR_NEXT_MENU_ID, &menu), 0);
        }
        EXPECT_EQ(menu, 0) << "a menu the catalogue does not list";
        // A file holds one menu bar.
        EXPECT_LT(LoadMenuBar(panel, m.file, 2), 0);
    }
}

// The panels with a menu bar of their own bring it along when they are loaded; the others
// have none until the program installs one.
TEST_F(PanelCatalogue, OnlyPanelsWithTheirOwnMenuBarBringOne) {
    const std::vector<std::string> own = {"Arvel7-STBL.uir", "Vantril.uir", "Nodal.uir",
                                          "AboutFile.uir"};
    for (const PanelEntry& p : Catalogue()) {
        SCOPED_TRACE(p.file);
        const int panel = load(p.file, p.number);
        if (panel <= 0) continue;
        const bool hasOwn = std::find(own.begin(), own.end(), p.file) != own.end();
        if (hasOwn)
            EXPECT_GT(GetPanelMenuBar(panel), 0);
        else
            EXPECT_EQ(GetPanelMenuBar(panel), 0);
    }
}

// Files are found whatever the letter case of the name the configuration gives.
TEST_F(PanelCatalogue, FileNamesMatchWithoutRegardToLetterCase) {
    for (const char* name : {"arvel7.UIR", "MainUiSpectra.uir", "comcombo.UIR", "graphui.UIR"})
        EXPECT_GT(LoadPanel(0, name, 1), 0) << name;
    const int panel = load("COMCombo.uir", 1);
    EXPECT_GT(LoadMenuBar(panel, "defaultmenu.uir", 1), 0);
}

} // namespace
