// The user-interface run-time: panels, controls, menu bars and graphs held in a thread-safe
// model. Every operation may be called from any thread unless noted; callbacks run on the
// user-interface thread. Handles are ints; a negative result is a failure (see UiError).
#pragma once

#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------------------------
// Results
// ---------------------------------------------------------------------------------------------
enum UiError : int {
    UIE_NoError = 0,
    UIE_BadPanelHandle = -4,
    UIE_BadControlId = -13,
    UIE_BadAttribute = -14,
    UIE_BadAttributeValue = -15,
    UIE_BadArgument = -16,
    UIE_WrongControlKind = -17,
    UIE_IndexOutOfRange = -18,
    UIE_FileNotFound = -20,
    UIE_BadFileFormat = -21,
    UIE_PanelNotFound = -22,
    UIE_BadMenuHandle = -23,
    UIE_BadPlotHandle = -24,
    UIE_NotRunning = -30,
    UIE_OutOfMemory = -12,
};

// ---------------------------------------------------------------------------------------------
// Events (second argument of panel callbacks, third of control callbacks)
// ---------------------------------------------------------------------------------------------
enum UiEvent : int {
    EVENT_COMMIT = 1,
    EVENT_KEYPRESS = 7,
    EVENT_LOST_FOCUS = 9,
    EVENT_CLOSE = 11,
    EVENT_VAL_CHANGED = 2, // offered to callbacks when a value changes without commit (not used)
};

// Key codes of EVENT_KEYPRESS (eventData1). The virtual-key part is (code & 0xFF00).
enum UiKey : int {
    VAL_VKEY_MASK = 0xFF00,
    VAL_ENTER_VKEY = 0x0500, // Enter / Return: commits
    VAL_F1_VKEY = 0x1800,    // F1: the key code that opens the debug panel from a port ring
};

// ---------------------------------------------------------------------------------------------
// Control kinds and styles. The style (ATTR_CTRL_STYLE) is an int code; the kind follows from
// it. Two-state controls have styles 280..289.
// ---------------------------------------------------------------------------------------------
enum CtrlKind : int {
    KIND_NUMERIC = 1,
    KIND_NUMERIC_SLIDE,
    KIND_STRING,
    KIND_TEXT_BOX,
    KIND_COMMAND_BUTTON,
    KIND_TOGGLE_BUTTON, // two states, on/off values and texts
    KIND_BINARY_SWITCH,
    KIND_CHECK_BOX,
    KIND_RING,
    KIND_TEXT_MSG,
    KIND_DECORATION,
    KIND_GRAPH,
};

enum CtrlStyle : int {
    CTRL_NUMERIC = 100,
    CTRL_STRING = 101,
    CTRL_TEXT_BOX = 102,
    CTRL_COMMAND_BUTTON = 103,
    CTRL_RING = 104,
    CTRL_TEXT_MSG = 105,
    CTRL_DECORATION = 106,
    CTRL_GRAPH = 107,
    CTRL_NUMERIC_SLIDE = 108,          // horizontal slide
    CTRL_NUMERIC_VSLIDE = 128,         // vertical pointer slide (dynamic LED power)
    CTRL_SQUARE_BUTTON = 243,          // two-state square button with state colours
    CTRL_TOGGLE_BUTTON = 280,          // 280..289: two-state controls
    CTRL_BINARY_SWITCH = 281,
    CTRL_CHECK_BOX = 282,
};

CtrlKind KindOfStyle(int style); // KIND_NUMERIC for an unknown style

// ---------------------------------------------------------------------------------------------
// Data types of control values (ATTR_DATA_TYPE)
// ---------------------------------------------------------------------------------------------
enum DataType : int {
    VAL_INTEGER = 3,
    VAL_FLOAT = 4,
    VAL_DOUBLE = 5,
    VAL_STRING = 7,
};

// ---------------------------------------------------------------------------------------------
// Attributes. Codes of the attributes the system names, plus the view's own.
// Type per attribute: I = int, D = double, S = text.
// ---------------------------------------------------------------------------------------------
enum UiAttr : int {
    ATTR_DIMMED = 500,               // I, controls and panels
    ATTR_CONSTANT_NAME = 501,        // S, controls and panels (read-only for panels)
    ATTR_DATA_TYPE = 516,            // I (DataType), read-only
    ATTR_LABEL_TEXT = 519,           // S, controls
    ATTR_VISIBLE = 530,              // I, controls and panels
    ATTR_LEFT = 531,                 // I
    ATTR_TOP = 532,                  // I
    ATTR_WIDTH = 533,                // I
    ATTR_HEIGHT = 540,               // I
    ATTR_TITLE = 573,                // S, panels
    ATTR_CTRL_STYLE = 611,           // I (CtrlStyle), read-only
    ATTR_PANEL_FIRST_CTRL = 612,     // I, panels: first control id, 0 when none
    ATTR_NEXT_CTRL = 613,            // I, controls: next control id, 0 after the last
    ATTR_SCALE_CONTENTS_ON_RESIZE = 618, // I, panels
    ATTR_TEXT_POINT_SIZE = 646,      // I
    ATTR_LABEL_VISIBLE = 649,        // I
    ATTR_LABEL_WIDTH = 660,          // I
    ATTR_LABEL_LEFT = 670,           // I; VAL_AUTO_CENTER centres the label over the control
    ATTR_CTRL_COLOR = 674,           // I, RGB: ring / frame colour of the control
    ATTR_ON_OFF_TEXT_POINT_SIZE = 686, // I
    ATTR_TEXT_COLOR = 690,           // I, RGB
    ATTR_PRECISION = 710,            // I, digits after the decimal point
    ATTR_MAX_VALUE = 730,            // D
    ATTR_MIN_VALUE = 731,            // D
    ATTR_DFLT_VALUE = 732,           // D (numerics), the value DefaultCtrl restores
    ATTR_SHOW_DIGITAL_DISPLAY = 735, // I
    ATTR_STRING_TEXT_LENGTH = 770,   // I, read-only: length of the value text (string, ring, text box)
    ATTR_FIRST_VISIBLE_LINE = 790,   // I, text boxes: scroll position
    ATTR_SIZE_TO_TEXT = 801,         // I
    ATTR_ON_VALUE = 900,             // I/D, two-state controls
    ATTR_OFF_VALUE = 901,            // I/D, two-state controls
    ATTR_ON_COLOR = 920,             // I, RGB
    ATTR_OFF_COLOR = 921,            // I, RGB
    ATTR_ON_TEXT = 940,              // S
    ATTR_OFF_TEXT = 941,             // S
    ATTR_DIG_DISP_LEFT = 971,        // I
    ATTR_FILL_COLOR = 985,           // I, RGB (slide fill)
    // graphs
    ATTR_XFORMAT = 1089,             // I; VAL_ABSOLUTE_TIME_FORMAT shows x as elapsed time
    ATTR_XAXIS_OFFSET = 1126,        // D, added to x values for display
    ATTR_ENABLE_ZOOM_AND_PAN = 1140, // I
    ATTR_LEGEND_NUM_VISIBLE_ITEMS = 1167, // I
    ATTR_LEGEND_VISIBLE = 1169,      // I
    ATTR_XNAME = 1180,               // S, x axis caption
    ATTR_YNAME = 1181,               // S, y axis caption
    // cursors (SetCursorAttribute)
    ATTR_CURSOR_MODE = 1200,         // I
    // plots (SetPlotAttribute)
    ATTR_PLOT_LG_TEXT = 1276,        // S, legend text
    ATTR_TRACE_COLOR = 1278,         // I, RGB
    // panels: the panel's own callback is set with InstallPanelCallback
    ATTR_PANEL_PARENT = 1400,        // I, read-only: parent panel handle, 0 for top-level
    // controls: the text shown when the pointer rests on the control ("" = none)
    ATTR_TOOLTIP_TEXT = 1410,        // S
    // controls: whether a person may operate the control (CtrlMode); default VAL_HOT
    ATTR_CTRL_MODE = 1411,           // I
};

// Values of ATTR_CTRL_MODE. An indicator only shows values set by the program: the view
// shows it read-only and UserSetCtrlVal refuses it.
enum CtrlMode : int { VAL_INDICATOR = 0, VAL_HOT = 1 };

constexpr int VAL_AUTO_CENTER = static_cast<int>(0x80000000u); // SetPanelPos / label left
constexpr int VAL_ABSOLUTE_TIME_FORMAT = 0xFFF4;
constexpr int VAL_RED = 0xFF0000;
constexpr int VAL_GREEN = 0x00FF00;

// Graph constants
enum GraphAxis : int { VAL_XAXIS = 0, VAL_LEFT_YAXIS = 1, VAL_RIGHT_YAXIS = 2 };
enum AxisScaling : int { VAL_MANUAL = 0, VAL_AUTOSCALE = 1 };
enum GraphRefresh : int { VAL_DELAYED_DRAW = 0, VAL_IMMEDIATE_DRAW = 1 };
enum PlotStyle : int { VAL_THIN_LINE = 0, VAL_CONNECTED_POINTS = 5, VAL_SCATTER = 6 };
enum PointStyle : int { VAL_NO_POINT = 0, VAL_SOLID_SQUARE = 2, VAL_SMALL_SOLID_SQUARE = 18 };
enum LineStyle : int { VAL_SOLID = 0, VAL_DASH = 1, VAL_DOT = 2 };

// Menu bar attributes (GetMenuBarAttribute)
enum MenuAttr : int {
    ATTR_FIRST_MENU_ID = 2001,  // menu bar (menuOrItem 0): first menu id, 0 when none
    ATTR_NEXT_MENU_ID = 2002,   // menu: next menu id, 0 after the last
    ATTR_FIRST_ITEM_ID = 2003,  // menu: first item id, 0 when none
    ATTR_NEXT_ITEM_ID = 2004,   // item: next item id in its menu, 0 after the last
    ATTR_MENU_NAME = 2005,      // S, menu or item label
    ATTR_MENU_CONSTANT_NAME = 2006, // S, menu or item constant name
    ATTR_SUBMENU_ID = 2007,     // item: its submenu id, 0 when none
};

// ---------------------------------------------------------------------------------------------
// Callbacks
// ---------------------------------------------------------------------------------------------
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
using PanelCallbackPtr = int (*)(int panel, int event, void* callbackData, int eventData1,
                                 int eventData2);
using MenuCallbackPtr = void (*)(int menuBar, int menuItem, void* callbackData, int panel);

// Names that panel files may give as a control's callback ("ExitCallBak", ...). Modules
// register their functions before panels are loaded; a name that is not registered when a
// panel is loaded leaves the control without a callback (with a warning on stderr).
void RegisterCallbackName(const std::string& name, CtrlCallbackPtr fn);
CtrlCallbackPtr LookupCallbackName(const std::string& name); // nullptr when unknown

// ---------------------------------------------------------------------------------------------
// Panels
// ---------------------------------------------------------------------------------------------
// Folder in which LoadPanel / LoadMenuBar look for relative file names. Defaults to the
// program folder (also after SetPanelFileFolder("")). File names are matched without regard
// to letter case.
void SetPanelFileFolder(const std::string& folder);
std::string GetPanelFileFolder();

// Loads panel number `panelNumber` (1-based, in file order) of `file` as a child of
// `parentPanel` (0 = top-level). Returns the new panel handle (> 0) or a negative UiError;
// the reason is also printed on stderr with the file name and line.
int LoadPanel(int parentPanel, const std::string& file, int panelNumber);
// The number of panels in a panel file, or a negative UiError (reason on stderr).
int GetPanelCountInFile(const std::string& file);
int DiscardPanel(int panel);   // also discards its child panels and menu bar
int DisplayPanel(int panel);   // makes it visible
int HidePanel(int panel);
int SetActivePanel(int panel);
int GetActivePanel();
int SetPanelPos(int panel, int top, int left); // VAL_AUTO_CENTER centres on the screen
int GetPanelAttribute(int panel, int attr, int* value);
int GetPanelAttribute(int panel, int attr, double* value);
int GetPanelAttribute(int panel, int attr, std::string* value);
int SetPanelAttribute(int panel, int attr, int value);
int SetPanelAttribute(int panel, int attr, double value);
int SetPanelAttribute(int panel, int attr, const std::string& value);
int InstallPanelCallback(int panel, PanelCallbackPtr fn, void* callbackData);
int GetPanelCallback(int panel, PanelCallbackPtr* fn, void** callbackData);
bool PanelExists(int panel);

// ---------------------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------------------
// Values are converted between the caller's type and the control's data type: numbers to
// numbers (toward zero for integers), numbers to and from their decimal text. A ring's value
// is the value of its selected item; setting a ring selects the first item with that value.
// SetCtrlVal on a text box appends the text.
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, float* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, std::string* value);
// Copies at most size-1 bytes and a terminating zero; returns the control status.
int GetCtrlValText(int panel, int control, char* buffer, int size);
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, float value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const std::string& value);
int SetCtrlVal(int panel, int control, const char* value);
int ResetTextBox(int panel, int control, const std::string& text); // replaces a text box's text
int DefaultCtrl(int panel, int control); // value back to its default (ATTR_DFLT_VALUE / file value)

int GetCtrlAttribute(int panel, int control, int attr, int* value);
int GetCtrlAttribute(int panel, int control, int attr, double* value);
int GetCtrlAttribute(int panel, int control, int attr, std::string* value);
int SetCtrlAttribute(int panel, int control, int attr, int value);
int SetCtrlAttribute(int panel, int control, int attr, double value);
int SetCtrlAttribute(int panel, int control, int attr, const std::string& value);

int InstallCtrlCallback(int panel, int control, CtrlCallbackPtr fn, void* callbackData);
int GetCtrlCallback(int panel, int control, CtrlCallbackPtr* fn, void** callbackData);

// Creates a control of the given style at the end of the panel's control order. Returns its
// id (> 0). Ids are never reused within a panel.
int NewCtrl(int panel, int style, const std::string& label, int top, int left);
int DiscardCtrl(int panel, int control);
// The first control, in control order, whose constant name is exactly `constantName`; 0 when no
// control has it, a negative UiError for a bad panel.
int GetCtrlIdFromConstantName(int panel, const std::string& constantName);
CtrlKind GetCtrlKind(int panel, int control, int* status = nullptr);

// Rings (list controls)
int ClearListCtrl(int panel, int control);
// Inserts at index (-1 = at the end). The value has the ring's data type.
int InsertListItem(int panel, int control, int index, const std::string& label, int value);
int InsertListItem(int panel, int control, int index, const std::string& label,
                   const std::string& value);
int GetNumListItems(int panel, int control, int* count);
int SetCtrlIndex(int panel, int control, int index);
int GetCtrlIndex(int panel, int control, int* index); // -1 when the list is empty
int GetValueLengthFromIndex(int panel, int control, int index, int* length);
int GetValueFromIndex(int panel, int control, int index, std::string* value);
int GetLabelFromIndex(int panel, int control, int index, std::string* label);

// ---------------------------------------------------------------------------------------------
// Graphs: plots are stored in the model; the view draws them.
// ---------------------------------------------------------------------------------------------
// Draws y against x (n points). Returns the plot handle (> 0).
int PlotXY(int panel, int control, const double* x, const double* y, int n, int plotStyle,
           int pointStyle, int lineStyle, int pointFrequency, int color);
int DeleteGraphPlot(int panel, int control, int plot /* -1 = all */, int refresh);
int RefreshGraph(int panel, int control);
int SetPlotAttribute(int panel, int control, int plot, int attr, int value);
int SetPlotAttribute(int panel, int control, int plot, int attr, const std::string& value);
int GetPlotAttribute(int panel, int control, int plot, int attr, int* value);
int GetPlotAttribute(int panel, int control, int plot, int attr, std::string* value);
int GetNumGraphPlots(int panel, int control, int* count);
int GetAxisScalingMode(int panel, int control, int axis, int* mode, double* min, double* max);
int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max);
int SetCursorAttribute(int panel, int control, int cursor, int attr, int value);

// ---------------------------------------------------------------------------------------------
// Menu bars
// ---------------------------------------------------------------------------------------------
// Loads menu bar number `menuBarNumber` (1-based, in file order) of `file` onto `panel`.
// Returns the menu bar handle (> 0) or a negative UiError (message on stderr).
int LoadMenuBar(int panel, const std::string& file, int menuBarNumber);
int DiscardMenuBar(int menuBar);
int GetPanelMenuBar(int panel); // 0 when the panel has none
// menuOrItem 0 with ATTR_FIRST_MENU_ID reads the bar's first menu.
int GetMenuBarAttribute(int menuBar, int menuOrItem, int attr, int* value);
int GetMenuBarAttribute(int menuBar, int menuOrItem, int attr, std::string* value);
int InstallMenuCallback(int menuBar, int menuItem, MenuCallbackPtr fn, void* callbackData);
int GetMenuCallback(int menuBar, int menuItem, MenuCallbackPtr* fn, void** callbackData);

// ---------------------------------------------------------------------------------------------
// User actions. The view (or a test standing in for the user) reports what a person did;
// these run on the user-interface thread and call the installed callback there.
// ---------------------------------------------------------------------------------------------
// Calls the control's callback with the event; returns the callback's result, 0 when none.
int FireCtrlEvent(int panel, int control, int event, int eventData1 = 0, int eventData2 = 0);
int FirePanelEvent(int panel, int event, int eventData1 = 0, int eventData2 = 0);
int FireMenuItem(int menuBar, int menuItem);
// Sets the value as a person does and, when it changed or the control is a button, commits.
int UserSetCtrlVal(int panel, int control, const std::string& valueText);

// Discards every panel and menu bar and removes the observer, without notifications (tests
// start each case from an empty model). Handles are not reused afterwards.
void ResetUserInterfaceModelForTesting();
