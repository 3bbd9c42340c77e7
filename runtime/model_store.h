// Internal records of the panel model and the one lock that guards them. Only the runtime's
// model sources include this header; everyone else goes through userint.h and model_view.h.
#pragma once

#include "runtime/model_view.h"
#include "runtime/userint.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::model {

// A value in a control's data type: `num` for VAL_INTEGER / VAL_FLOAT / VAL_DOUBLE, `text`
// for VAL_STRING.
struct Value {
    double num = 0.0;
    std::string text;
};

struct RingItem {
    std::string label;
    Value value;
};

struct PlotData {
    int handle = 0;
    std::vector<double> x, y;
    int plotStyle = 0, pointStyle = 0, lineStyle = 0, pointFrequency = 1;
    int color = 0;
    std::string legendText;
};

struct AxisData {
    int mode = VAL_AUTOSCALE;
    double min = 0.0, max = 10.0;
};

struct GraphData {
    std::vector<PlotData> plots;
    int nextPlot = 1;
    AxisData x, y;
    int xFormat = 0;
    double xOffset = 0.0;
    bool legendVisible = false;
    int legendVisibleItems = 0;
    bool zoomAndPan = false;
    std::string xName, yName;
    std::map<int, int> cursorModes; // cursor number -> ATTR_CURSOR_MODE
    uint64_t revision = 0;
};

struct Control {
    int id = 0;
    std::string constantName;
    int style = CTRL_NUMERIC;
    CtrlKind kind = KIND_NUMERIC;
    int dataType = VAL_DOUBLE;
    std::string label;
    std::string tooltip;
    bool labelVisible = true;
    int labelLeft = 0;  // VAL_AUTO_CENTER = centred over the control
    int labelWidth = 0; // 0 = as wide as the text
    bool sizeToText = false;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true, dimmed = false;
    bool indicator = false; // ATTR_CTRL_MODE is VAL_INDICATOR: display only
    int textColor = 0x000000;
    int ctrlColor = -1;
    int pointSize = 0;
    int onOffPointSize = 0;
    // numerics, strings, text boxes, text messages
    Value value, defaultValue;
    double minValue = 0.0, maxValue = 0.0;
    int precision = 0;
    bool showDigitalDisplay = true;
    int digDispLeft = 0;
    int fillColor = -1;
    // two-state controls: the state picks the on or the off value
    bool on = false, defaultOn = false;
    Value onValue{1.0, "1"}, offValue{0.0, "0"};
    std::string onText, offText;
    int onColor = -1, offColor = -1;
    // rings
    std::vector<RingItem> items;
    int selected = -1, defaultIndex = -1;
    // text boxes: -1 follows the end of the text
    int firstVisibleLine = -1;
    GraphData graph;
    CtrlCallbackPtr callback = nullptr;
    void* callbackData = nullptr;
};

struct Panel {
    int handle = 0;
    int parent = 0;
    std::string constantName, title;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = false, dimmed = false, scaleContents = false, centerOnScreen = false;
    PanelCallbackPtr callback = nullptr;
    void* callbackData = nullptr;
    std::vector<Control> controls; // in control order
    int nextCtrlId = 1;
    int menuBar = 0;
    std::vector<int> children;
};

// A menu or a menu item of a menu bar; ids are 1.. in the bar, menus and items alike.
struct MenuNode {
    int id = 0;
    bool isMenu = false;
    std::string constantName, label;
    std::vector<int> items; // menus: item ids in order
    int submenu = 0;        // items: id of the menu they open, 0 = none
    MenuCallbackPtr callback = nullptr;
    void* callbackData = nullptr;
};

struct MenuBar {
    int handle = 0;
    int panel = 0;
    std::vector<int> menus;      // ids of the bar's own menus in order
    std::vector<MenuNode> nodes; // node with id k at index k - 1
};

struct Model {
    std::mutex mutex;
    std::map<int, std::unique_ptr<Panel>> panels;
    std::map<int, std::unique_ptr<MenuBar>> menuBars;
    std::vector<int> topLevel; // top-level panels in load order
    int nextPanel = 1;
    int nextMenuBar = 1;
    int activePanel = 0;
    ModelObserver* observer = nullptr;
};

Model& TheModel();
std::unique_lock<std::mutex> LockModel();

// Look-ups; call with the model locked.
Panel* FindPanel(int handle);
Control* FindControl(Panel* panel, int id);
MenuBar* FindMenuBar(int handle);
MenuNode* FindMenuNode(MenuBar* bar, int id);
// Status of the look-up of a control: 0, UIE_BadPanelHandle or UIE_BadControlId.
int LookupControl(int panel, int control, Panel** p, Control** c);

// Notifications to the observer; call with the model locked.
void NotifyPanelCreated(int panel);
void NotifyPanelChanged(int panel, uint32_t what);
void NotifyPanelDiscarded(int panel);
void NotifyControlCreated(int panel, int control);
void NotifyControlChanged(int panel, int control, uint32_t what);
void NotifyControlDiscarded(int panel, int control);

// Adds a panel built aside (controls numbered, callbacks resolved) to the model in one step.
// A menu bar built with it (the panel's own bar in its file) is attached in the same step.
// Returns its handle, or UIE_BadPanelHandle when the parent no longer exists.
int AddPanel(std::unique_ptr<Panel> panel, int parent, std::unique_ptr<MenuBar> bar = nullptr);
// Attaches a menu bar built aside to a panel (0 = none), replacing the panel's old bar.
int AddMenuBar(std::unique_ptr<MenuBar> bar, int panel);
// Removes a menu bar; model locked.
void RemoveMenuBarLocked(int handle);

// A control of the given style with the defaults of its kind.
bool IsKnownStyle(int style);
Control MakeControl(int style);

// Value access in the caller's terms; model locked. `srcType` is the data type of the
// caller's number (decides its text form).
int ReadNumber(const Control& c, double* out);
int ReadText(const Control& c, std::string* out);
int WriteNumber(Control& c, double v, int srcType, uint32_t* changed);
int WriteText(Control& c, const std::string& text, uint32_t* changed);
// The control's value as the view shows it (numbers with the control's precision).
std::string DisplayText(const Control& c);
int LineCount(const std::string& text);
// Text-box scroll position as GetCtrlAttribute reports it.
int ReportedFirstVisibleLine(const Control& c);

// Prints "corvane: <where>: <reason>" on stderr.
void ReportProblem(const std::string& where, const std::string& reason);

} // namespace corvane::model
