// The panel-file loader: good files, every refusal with its message, file-name case, panel
// sets, child panels, menu bars and callbacks named in the file.
#include "model_fixture.h"

#include <filesystem>

namespace {

int ExitCallBak(int, int, int, void*, int, int) {
    return 5;
}

std::string ProductPanelDoc() {
    std::string body = Geometry(0, 0, 800, 600) + StringProp("windowTitle", "Arvel7");
    body += Widget("QSpinBox", "TIME",
                   Geometry(10, 20, 60, 22) + NumberProp("maximum", "10000") +
                       NumberProp("value", "500") + StringProp("label", "Period", true));
    body += Widget("QLabel", "LED_LEFTPIX",
                   Geometry(20, 50, 400, 16) + StringProp("text", "Text Message") +
                       BoolProp("visible", false, true));
    body += Widget("QPushButton", "RESIZE_V_920",
                   Geometry(500, 10, 60, 24) + BoolProp("checkable", true) +
                       BoolProp("checked", true) + NumberProp("style", "281") +
                       StringProp("onText", "Less", true) + StringProp("offText", "More", true));
    body += Widget("QLineEdit", "D_S_OUT_0",
                   Geometry(10, 80, 60, 22) + BoolProp("enabled", false) +
                       StringProp("textColor", "0x00FF00", true) +
                       StringProp("label", "Light Sensor", true));
    body += Widget("QComboBox", "G_D_INQ_0",
                   Geometry(10, 110, 60, 22) + StringProp("itemValues", "0;1;2;3;4;5", true) +
                       NumberProp("currentIndex", "2") + StringProp("label", "Sensor Gain", true) +
                       "<item><property name=\"text\"><string>X1</string></property></item>"
                       "<item><property name=\"text\"><string>X2</string></property></item>"
                       "<item><property name=\"text\"><string>X4</string></property></item>"
                       "<item><property name=\"text\"><string>X8</string></property></item>"
                       "<item><property name=\"text\"><string>X48</string></property></item>"
                       "<item><property name=\"text\"><string>X96</string></property></item>\n");
    body += Widget("QPushButton", "EXIT_BUTTON",
                   Geometry(10, 140, 60, 22) + StringProp("text", "__Exit") +
                       StringProp("callbackFunction", "ExitCallBak", true));
    body += Widget("QSlider", "P_D_INQ_0",
                   Geometry(100, 140, 20, 200) + NumberProp("maximum", "100") +
                       NumberProp("value", "30") + StringProp("dataType", "float", true));
    body += Widget("QSlider", "HSLIDE",
                   Geometry(100, 360, 200, 20) +
                       "<property name=\"orientation\"><enum>Qt::Horizontal</enum></property>\n");
    body +=
        Widget("QCheckBox", "DIGIT",
               Geometry(300, 140, 60, 22) + StringProp("constantName", "1_I_D_INR_0", true) +
                   StringProp("onValue", "7", true) + NumberProp("offValue", "2") +
                   "<property name=\"font\"><font><pointsize>12</pointsize></font></property>\n");
    body +=
        Widget("QPlainTextEdit", "J_D_ONE",
               Geometry(300, 200, 200, 60) + StringProp("plainText", ";4;O_D_IN0_6;5;O_D_IN0_4;"));
    body += Widget("QFrame", "DECORATION", Geometry(0, 0, 800, 5));
    body += Widget("QCustomPlot", "GRAPHUI_0_1",
                   Geometry(400, 300, 380, 280) + StringProp("xName", "Time", true) +
                       StringProp("yName", "Counts", true));
    return UiDoc(
        Widget("QWidget", "PANEL", body) +
        " <customwidgets><customwidget><class>QCustomPlot</class><extends>QWidget</extends>"
        "<header>qcustomplot.h</header></customwidget></customwidgets>\n");
}

class Loader : public ModelTest {};

TEST_F(Loader, LoadsAPanelWithItsControlsInFileOrder) {
    RegisterCallbackName("ExitCallBak", ExitCallBak);
    int panel = load(ProductPanelDoc(), "Arvel7.uir");
    ASSERT_GT(panel, 0);

    PanelSnapshot ps;
    ASSERT_TRUE(GetPanelSnapshot(panel, &ps));
    EXPECT_EQ(ps.constantName, "PANEL");
    EXPECT_EQ(ps.title, "Arvel7");
    EXPECT_EQ(ps.width, 800);
    EXPECT_EQ(ps.height, 600);
    EXPECT_FALSE(ps.visible);
    EXPECT_EQ(ps.controls, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    struct Expect {
        int id;
        const char* name;
        int style;
        int dataType;
        const char* label;
        const char* value;
    };
    const Expect expected[] = {
        {1, "TIME", CTRL_NUMERIC, VAL_INTEGER, "Period", "500"},
        {2, "LED_LEFTPIX", CTRL_TEXT_MSG, VAL_STRING, "Text Message", "Text Message"},
        {3, "RESIZE_V_920", CTRL_BINARY_SWITCH, VAL_INTEGER, "", "1"},
        {4, "D_S_OUT_0", CTRL_STRING, VAL_STRING, "Light Sensor", ""},
        {5, "G_D_INQ_0", CTRL_RING, VAL_INTEGER, "Sensor Gain", "2"},
        {6, "EXIT_BUTTON", CTRL_COMMAND_BUTTON, VAL_INTEGER, "__Exit", ""},
        {7, "P_D_INQ_0", CTRL_NUMERIC_VSLIDE, VAL_FLOAT, "", "30"},
        {8, "HSLIDE", CTRL_NUMERIC_SLIDE, VAL_INTEGER, "", "0"},
        {9, "1_I_D_INR_0", CTRL_CHECK_BOX, VAL_INTEGER, "", "2"},
        {10, "J_D_ONE", CTRL_TEXT_BOX, VAL_STRING, "", ";4;O_D_IN0_6;5;O_D_IN0_4;"},
        {11, "DECORATION", CTRL_DECORATION, VAL_INTEGER, "", ""},
        {12, "GRAPHUI_0_1", CTRL_GRAPH, VAL_DOUBLE, "", ""},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        ControlSnapshot cs;
        ASSERT_TRUE(GetControlSnapshot(panel, e.id, &cs));
        EXPECT_EQ(cs.constantName, e.name);
        EXPECT_EQ(cs.style, e.style);
        EXPECT_EQ(cs.kind, KindOfStyle(e.style));
        EXPECT_EQ(cs.dataType, e.dataType);
        EXPECT_EQ(cs.label, e.label);
        EXPECT_EQ(cs.valueText, e.value);
    }

    int i = 0;
    GetCtrlAttribute(panel, 2, ATTR_VISIBLE, &i);
    EXPECT_EQ(i, 0);
    GetCtrlAttribute(panel, 4, ATTR_DIMMED, &i);
    EXPECT_EQ(i, 1);
    GetCtrlAttribute(panel, 4, ATTR_TEXT_COLOR, &i);
    EXPECT_EQ(i, 0x00FF00);
    GetCtrlAttribute(panel, 1, ATTR_LEFT, &i);
    EXPECT_EQ(i, 10);
    GetCtrlAttribute(panel, 1, ATTR_TOP, &i);
    EXPECT_EQ(i, 20);
    GetCtrlAttribute(panel, 9, ATTR_TEXT_POINT_SIZE, &i);
    EXPECT_EQ(i, 12);
    GetCtrlAttribute(panel, 9, ATTR_ON_VALUE, &i);
    EXPECT_EQ(i, 7);
    double max = 0;
    GetCtrlAttribute(panel, 1, ATTR_MAX_VALUE, &max);
    EXPECT_EQ(max, 10000.0);
    GetCtrlAttribute(panel, 8, ATTR_MAX_VALUE, &max);
    EXPECT_EQ(max, 99.0); // Designer's default range
    std::string s;
    GetCtrlAttribute(panel, 3, ATTR_ON_TEXT, &s);
    EXPECT_EQ(s, "Less");
    std::string label;
    GetLabelFromIndex(panel, 5, 4, &label);
    EXPECT_EQ(label, "X48");
    ControlSnapshot graph;
    GetControlSnapshot(panel, 12, &graph);
    EXPECT_EQ(graph.xName, "Time");
    EXPECT_EQ(graph.yName, "Counts");

    CtrlCallbackPtr fn = nullptr;
    GetCtrlCallback(panel, 6, &fn, nullptr);
    EXPECT_EQ(fn, &ExitCallBak);
    EXPECT_EQ(FireCtrlEvent(panel, 6, EVENT_COMMIT), 5);
    RegisterCallbackName("ExitCallBak", nullptr);
}

TEST_F(Loader, AnUnregisteredCallbackNameWarnsAndLeavesTheControlWithoutCallback) {
    folder.write(
        "p.uir",
        UiDoc(Widget("QWidget", "PANEL",
                     Widget("QPushButton", "QUIT",
                            "\n" + StringProp("callbackFunction", "NoSuchCallback", true)))));
    testing::internal::CaptureStderr();
    int panel = LoadPanel(0, "p.uir", 1);
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_GT(panel, 0);
    EXPECT_NE(err.find("corvane: " + folder.path() +
                       "/p.uir:7: warning: callback function 'NoSuchCallback'"),
              std::string::npos)
        << err;
    CtrlCallbackPtr fn = &ExitCallBak;
    GetCtrlCallback(panel, 1, &fn, nullptr);
    EXPECT_EQ(fn, nullptr);
}

// Designer's readOnly marks a display: the control loads as an indicator.
TEST_F(Loader, ReadOnlyInTheFileMakesAnIndicator) {
    std::string body = Geometry(0, 0, 400, 300);
    body += Widget("QSpinBox", "Y_D_OUT_0", Geometry(10, 10, 60, 22) + BoolProp("readOnly", true));
    body += Widget("QDoubleSpinBox", "F_D_OUT_0",
                   Geometry(10, 40, 60, 22) + BoolProp("readOnly", true));
    body += Widget("QLineEdit", "D_S_OUT_0", Geometry(10, 70, 60, 22) + BoolProp("readOnly", true));
    body += Widget("QPlainTextEdit", "ctrl_3_ALL_OUT",
                   Geometry(10, 100, 200, 60) + StringProp("constantName", "3_ALL_OUT", true) +
                       BoolProp("readOnly", true));
    body +=
        Widget("QLineEdit", "COMMANDSEND", Geometry(10, 170, 60, 22) + BoolProp("readOnly", false));
    body += Widget("QComboBox", "G_D_INQ_0", Geometry(10, 200, 60, 22));
    const int panel = load(UiDoc(Widget("QWidget", "PANEL", body)));
    ASSERT_GT(panel, 0);

    const std::pair<int, int> expected[] = {{1, VAL_INDICATOR}, {2, VAL_INDICATOR},
                                            {3, VAL_INDICATOR}, {4, VAL_INDICATOR},
                                            {5, VAL_HOT},       {6, VAL_HOT}};
    for (const auto& [id, mode] : expected) {
        SCOPED_TRACE(id);
        int m = -1;
        ASSERT_EQ(GetCtrlAttribute(panel, id, ATTR_CTRL_MODE, &m), 0);
        EXPECT_EQ(m, mode);
        ControlSnapshot cs;
        ASSERT_TRUE(GetControlSnapshot(panel, id, &cs));
        EXPECT_EQ(cs.indicator, mode == VAL_INDICATOR);
    }
    // Neither dimmed nor hidden: an indicator shows the program's values as usual.
    int dimmed = 1;
    GetCtrlAttribute(panel, 3, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    EXPECT_EQ(SetCtrlVal(panel, 3, std::string("1017")), 0);
    std::string text;
    GetCtrlVal(panel, 3, &text);
    EXPECT_EQ(text, "1017");
    EXPECT_EQ(UserSetCtrlVal(panel, 3, "typed"), UIE_BadArgument);
    EXPECT_EQ(UserSetCtrlVal(panel, 4, "typed"), UIE_BadArgument);
    EXPECT_EQ(UserSetCtrlVal(panel, 5, "V:0"), 0);

    // A readOnly that is no bool refuses the file.
    folder.write("bad.uir", UiDoc(Widget("QWidget", "P",
                                         Widget("QLineEdit", "S",
                                                "<property name=\"readOnly\"><string>yes</string>"
                                                "</property>"))));
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(0, "bad.uir", 1), UIE_BadFileFormat);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("property 'readOnly' must be true or false"), std::string::npos) << err;
}

// Each refused file: the result, a message with file and line, and no panel in the model.
TEST_F(Loader, RefusedFilesGiveAnErrorAMessageAndNoPanel) {
    struct Case {
        const char* what;
        std::string content; // empty: no file written
        int panelNumber;
        int status;
        std::string message; // expected in stderr after "corvane: "
    };
    const std::string dir = folder.path() + "/";
    const std::string okControl = Widget("QSpinBox", "A", Geometry(0, 0, 10, 10));
    const Case cases[] = {
        {"missing file", "", 1, UIE_FileNotFound,
         "missing.uir: panel file not found in " + folder.path()},
        {"empty file", " ", 1, UIE_BadFileFormat, dir + "bad.uir:1: malformed XML"},
        {"unclosed element",
         "<?xml version=\"1.0\"?>\n<ui version=\"4.0\">\n<widget class=\"QWidget\" name=\"P\">\n"
         "<widget class=\"QSpinBox\" name=\"A\">\n</ui>\n",
         1, UIE_BadFileFormat, dir + "bad.uir:5: malformed XML"},
        {"not a ui file", "<?xml version=\"1.0\"?>\n<html></html>\n", 1, UIE_BadFileFormat,
         dir + "bad.uir:2: not a Designer file"},
        {"unknown class", UiDoc(Widget("QWidget", "P", okControl + Widget("QDial", "KNOB", ""))), 1,
         UIE_BadFileFormat, dir + "bad.uir:8: unknown widget class 'QDial' of control 'KNOB'"},
        {"duplicate control name", UiDoc(Widget("QWidget", "P", okControl + okControl)), 1,
         UIE_BadFileFormat, "constant name 'A' is used twice in panel 'P'"},
        {"bad constant name",
         UiDoc(Widget("QWidget", "P",
                      Widget("QSpinBox", "A", StringProp("constantName", "4 O", true)))),
         1, UIE_BadFileFormat, "'4 O' is not a valid constant name"},
        {"duplicate panel",
         UiDoc(Widget("QWidget", "ROOT",
                      BoolProp("panelSet", true, true) + Widget("QWidget", "PANEL", "") +
                          Widget("QWidget", "PANEL", ""))),
         1, UIE_BadFileFormat, "panel name 'PANEL' is used twice in the file"},
        {"panel number too high", UiDoc(Widget("QWidget", "P", okControl)), 2, UIE_PanelNotFound,
         dir + "bad.uir:4: panel 2 requested; the file has 1"},
        {"panel number 0", UiDoc(Widget("QWidget", "P", okControl)), 0, UIE_PanelNotFound,
         "panel 0 requested"},
        {"control inside a control",
         UiDoc(Widget("QWidget", "P", Widget("QFrame", "BOX", okControl))), 1, UIE_BadFileFormat,
         "control 'BOX' contains widgets"},
        {"layout", UiDoc(Widget("QWidget", "P", "<layout class=\"QVBoxLayout\" name=\"l\"/>\n")), 1,
         UIE_BadFileFormat, "has a layout"},
        {"bad item values",
         UiDoc(Widget(
             "QWidget", "P",
             Widget("QComboBox", "R",
                    StringProp("itemValues", "1;2", true) +
                        "<item><property name=\"text\"><string>a</string></property></item>"))),
         1, UIE_BadFileFormat, "ring 'R' has 1 items but 2 itemValues"},
        {"bad data type",
         UiDoc(Widget("QWidget", "P",
                      Widget("QSpinBox", "N", StringProp("dataType", "string", true)))),
         1, UIE_BadFileFormat, "dataType 'string' does not fit class 'QSpinBox'"},
        {"style of another kind",
         UiDoc(Widget("QWidget", "P", Widget("QLineEdit", "S", NumberProp("style", "281")))), 1,
         UIE_BadFileFormat, "style 281 does not fit class 'QLineEdit'"},
        {"bad colour",
         UiDoc(Widget("QWidget", "P",
                      Widget("QLineEdit", "S", StringProp("textColor", "red", true)))),
         1, UIE_BadFileFormat, "textColor 'red' is not a colour 0xRRGGBB"},
        {"bad number",
         UiDoc(Widget(
             "QWidget", "P",
             Widget("QSpinBox", "N", "<property name=\"value\"><number>x</number></property>"))),
         1, UIE_BadFileFormat, "property 'value' must be a number"},
        {"panel of a wrong class", UiDoc(Widget("QLabel", "P", "")), 1, UIE_BadFileFormat,
         "panel 'P' must be a QWidget or a QMainWindow"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = c.content.empty() ? "missing.uir" : "bad.uir";
        if (!c.content.empty()) folder.write(name, c.content);
        testing::internal::CaptureStderr();
        int status = LoadPanel(0, name, c.panelNumber);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(err.rfind("corvane: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_TRUE(GetTopLevelPanels().empty());
    }
}

TEST_F(Loader, ARefusedChildPanelLeavesTheParentUntouched) {
    int parent = emptyPanel();
    RecordingObserver observer;
    SetModelObserver(&observer);
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        load(UiDoc(Widget("QWidget", "P", Widget("QSpinBox", "A", "") + Widget("QDial", "B", ""))),
             "child.uir", parent),
        UIE_BadFileFormat);
    EXPECT_EQ(LoadPanel(9999, "child.uir", 1), UIE_BadPanelHandle);
    EXPECT_EQ(LoadMenuBar(9999, "child.uir", 1), UIE_BadPanelHandle);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(observer.take().empty());
    PanelSnapshot snap;
    GetPanelSnapshot(parent, &snap);
    EXPECT_TRUE(snap.childPanels.empty());
    SetModelObserver(nullptr);
}

TEST_F(Loader, FileNamesMatchWithoutRegardToLetterCase) {
    folder.write("COMCombo.uir", EmptyPanelDoc("COMBO"));
    for (const char* name : {"COMCombo.uir", "comcombo.uir", "COMCOMBO.UIR", "ComCombo.Uir"}) {
        SCOPED_TRACE(name);
        EXPECT_GT(LoadPanel(0, name, 1), 0);
    }
    // An absolute path: its last part is matched so too.
    EXPECT_GT(LoadPanel(0, folder.path() + "/COMCOMBO.uir", 1), 0);
    // A subfolder of the panel folder.
    std::filesystem::create_directory(folder.path() + "/Dialogs");
    folder.write("Dialogs/AboutSoft.uir", EmptyPanelDoc("ABOUT"));
    EXPECT_GT(LoadPanel(0, "dialogs/ABOUTSOFT.UIR", 1), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(0, "COMCombo.ui", 1), UIE_FileNotFound);
    EXPECT_EQ(LoadPanel(0, "", 1), UIE_FileNotFound);
    EXPECT_EQ(LoadPanel(0, "Dialogs", 1), UIE_FileNotFound); // a folder is not a panel file
    testing::internal::GetCapturedStderr();
}

TEST_F(Loader, ThePanelFolderDefaultsToTheProgramFolder) {
    SetPanelFileFolder("");
    std::string exe = std::filesystem::canonical("/proc/self/exe").string();
    EXPECT_EQ(GetPanelFileFolder(), std::filesystem::path(exe).parent_path().string());
    SetPanelFileFolder(folder.path());
    EXPECT_EQ(GetPanelFileFolder(), folder.path());
}

TEST_F(Loader, PanelSetsChildPanelsAndMainWindows) {
    std::string set =
        UiDoc(Widget("QWidget", "GRAPHUI",
                     BoolProp("panelSet", true, true) +
                         Widget("QWidget", "PANELGRAPH",
                                Geometry(0, 0, 500, 300) +
                                    Widget("QCustomPlot", "GRAPH1", Geometry(0, 0, 400, 300)) +
                                    Widget("QSpinBox", "TIME_GRAPH", Geometry(410, 10, 60, 20))) +
                         Widget("QWidget", "PANELCOMBO",
                                Geometry(30, 40, 200, 100) +
                                    Widget("QComboBox", "PORTCOMBO", Geometry(5, 5, 100, 20)))));
    folder.write("GraphUI.uir", set);
    int host = emptyPanel(800, 600);
    int combo = LoadPanel(host, "GraphUI.uir", 2);
    ASSERT_GT(combo, 0);
    PanelSnapshot snap;
    GetPanelSnapshot(combo, &snap);
    EXPECT_EQ(snap.constantName, "PANELCOMBO");
    EXPECT_EQ(snap.parent, host);
    EXPECT_EQ(snap.left, 30); // inside the parent, by its own geometry
    EXPECT_EQ(snap.top, 40);
    EXPECT_EQ(snap.controls.size(), 1u);
    int graphPanel = LoadPanel(host, "GraphUI.uir", 1);
    GetPanelSnapshot(graphPanel, &snap);
    EXPECT_EQ(snap.constantName, "PANELGRAPH");
    EXPECT_EQ(snap.controls.size(), 2u);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(host, "GraphUI.uir", 3), UIE_PanelNotFound);
    testing::internal::GetCapturedStderr();

    // A main window: controls from its central widget, its own menu bar attached.
    std::string window = UiDoc(
        Widget("QMainWindow", "ABOUTFILE",
               Geometry(0, 0, 300, 200) + StringProp("windowTitle", "About Hardware") +
                   Widget("QWidget", "centralwidget",
                          Widget("QLineEdit", "V_S_IN1", Geometry(5, 5, 100, 20)) +
                              Widget("QPushButton", "EXIT_PAGE", Geometry(5, 30, 100, 20))) +
                   Widget("QMenuBar", "menubar",
                          Widget("QMenu", "MENU1",
                                 StringProp("title", "Help") + "<addaction name=\"ABOUT\"/>\n") +
                              "<addaction name=\"MENU1\"/>\n") +
                   Widget("QStatusBar", "statusbar", "") + "<action name=\"ABOUT\">" +
                   StringProp("text", "About") + "</action>\n"));
    folder.write("AboutFile.uir", window);
    int about = LoadPanel(0, "AboutFile.uir", 1);
    ASSERT_GT(about, 0);
    GetPanelSnapshot(about, &snap);
    EXPECT_EQ(snap.title, "About Hardware");
    EXPECT_EQ(snap.controls.size(), 2u);
    ASSERT_EQ(snap.menus.size(), 1u);
    EXPECT_EQ(snap.menus[0].label, "Help");
    ASSERT_EQ(snap.menus[0].items.size(), 1u);
    EXPECT_EQ(snap.menus[0].items[0].constantName, "ABOUT");
    EXPECT_GT(GetPanelMenuBar(about), 0);

    // Menu bar number n of a file is the n-th QMenuBar; a missing one is refused.
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadMenuBar(host, "AboutFile.uir", 2), UIE_PanelNotFound);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("menu bar 2 requested; the file has 1"), std::string::npos) << err;
    EXPECT_GT(LoadMenuBar(host, "AboutFile.uir", 1), 0);
}

TEST_F(Loader, APanelSetMayCarryMenuBarsBesideItsPanels) {
    std::string bar = Widget(
        "QMenuBar", "MENUBAR",
        Widget("QMenu", "MENU1", StringProp("title", "File") + "<addaction name=\"EXIT_ALL\"/>\n") +
            "<addaction name=\"MENU1\"/>\n");
    folder.write("set.uir",
                 UiDoc(Widget("QWidget", "ROOT",
                              BoolProp("panelSet", true, true) + Widget("QWidget", "FIRST", "") +
                                  bar + Widget("QWidget", "SECOND", Widget("QLabel", "MSG", "")) +
                                  "<action name=\"EXIT_ALL\">" + StringProp("text", "Exit") +
                                  "</action>\n")));
    int second = LoadPanel(0, "set.uir", 2);
    ASSERT_GT(second, 0);
    PanelSnapshot snap;
    GetPanelSnapshot(second, &snap);
    EXPECT_EQ(snap.constantName, "SECOND");
    EXPECT_EQ(snap.controls.size(), 1u);
    int bar1 = LoadMenuBar(second, "set.uir", 1);
    ASSERT_GT(bar1, 0);
    int menu = 0;
    GetMenuBarAttribute(bar1, 0, ATTR_FIRST_MENU_ID, &menu);
    std::string label;
    GetMenuBarAttribute(bar1, menu, ATTR_MENU_NAME, &label);
    EXPECT_EQ(label, "File");
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(0, "set.uir", 3), UIE_PanelNotFound);
    testing::internal::GetCapturedStderr();
}

TEST_F(Loader, MenuBarNamingAnUnknownActionIsRefused) {
    folder.write("menu.uir",
                 UiDoc(Widget("QMainWindow", "W",
                              Widget("QMenuBar", "BAR",
                                     Widget("QMenu", "MENU1", "<addaction name=\"NOPE\"/>\n") +
                                         "<addaction name=\"MENU1\"/>\n"))));
    int panel = emptyPanel();
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadMenuBar(panel, "menu.uir", 1), UIE_BadFileFormat);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("menu 'MENU1' lists 'NOPE'"), std::string::npos) << err;
    EXPECT_EQ(GetPanelMenuBar(panel), 0);
}

} // namespace
