// What the view needs of the panel model: change notifications and consistent snapshots.
// Plain C++; the Qt view in runtime/qt/ implements ModelObserver.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What changed. Notifications are sent on the thread that made the change, while the model
// holds its lock: an observer only records the change (no model calls from inside) and
// applies it later on the user-interface thread from snapshots.
enum ModelChange : uint32_t {
    CHANGE_VALUE = 1u << 0,      // value, ring selection, text-box text
    CHANGE_APPEARANCE = 1u << 1, // dimmed, visible, mode, colours, label, texts, fonts, ranges
    CHANGE_GEOMETRY = 1u << 2,   // left, top, width, height
    CHANGE_ITEMS = 1u << 3,      // ring items
    CHANGE_PLOTS = 1u << 4,      // graph plots, axes, graph attributes (after RefreshGraph or immediate draws)
    CHANGE_SCROLL = 1u << 5,     // text-box scroll position
    CHANGE_ALL = 0xFFFFFFFFu,
};

class ModelObserver {
  public:
    virtual ~ModelObserver() = default;
    virtual void panelCreated(int panel) = 0;   // loaded, not yet visible
    virtual void panelChanged(int panel, uint32_t what) = 0; // title, geometry, visible, active, menu bar
    virtual void panelDiscarded(int panel) = 0;
    virtual void controlCreated(int panel, int control) = 0;
    virtual void controlChanged(int panel, int control, uint32_t what) = 0;
    virtual void controlDiscarded(int panel, int control) = 0;
};

// One observer at a time (the view); nullptr removes it.
void SetModelObserver(ModelObserver* observer);

struct ListItemSnapshot {
    std::string label;
    std::string valueText;
};

struct PlotSnapshot {
    int handle = 0;
    std::vector<double> x, y;
    int plotStyle = 0, pointStyle = 0, lineStyle = 0, pointFrequency = 1;
    int color = 0;
    std::string legendText;
};

struct AxisSnapshot {
    int mode = 1; // AxisScaling
    double min = 0.0, max = 10.0;
};

struct ControlSnapshot {
    int id = 0;
    std::string constantName;
    int style = 0;
    int kind = 0;
    int dataType = 0;
    std::string label;
    std::string tooltip;
    bool labelVisible = true;
    int labelLeft = 0;      // VAL_AUTO_CENTER (0x80000000) = centred over the control
    int labelWidth = 0;     // 0 = as wide as its text
    bool sizeToText = false;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true, dimmed = false;
    bool indicator = false; // display only: the person cannot change the value
    int textColor = 0x000000;
    int ctrlColor = -1;     // -1 = the toolkit's default
    int pointSize = 0;      // 0 = default
    int onOffPointSize = 0; // two-state texts; 0 = default
    std::string valueText;  // value as text (numbers formatted with the control's precision)
    double numericValue = 0.0;
    double minValue = 0.0, maxValue = 0.0;
    int precision = 0;
    bool showDigitalDisplay = true; // slides
    int digDispLeft = 0;            // slides: left of the digital display
    int fillColor = -1;             // slides; -1 = the toolkit's default
    bool on = false;                // two-state controls: in the on state
    double onValue = 1.0, offValue = 0.0;
    std::string onText, offText;
    int onColor = -1, offColor = -1;
    std::vector<ListItemSnapshot> items; // rings
    int selectedIndex = -1;
    int firstVisibleLine = -1;           // text boxes: -1 = follow the end
    // graphs
    std::vector<PlotSnapshot> plots;
    AxisSnapshot xAxis, yAxis;
    int xFormat = 0;
    double xOffset = 0.0;
    bool legendVisible = false;
    int legendVisibleItems = 0;
    bool zoomAndPan = false;
    std::map<int, int> cursorModes; // cursor number -> ATTR_CURSOR_MODE
    std::string xName, yName;
    uint64_t plotsRevision = 0; // grows with every drawn change of the plots
};

struct MenuItemSnapshot {
    int id = 0;
    std::string constantName, label;
    bool hasCallback = false;
};
struct MenuSnapshot {
    int id = 0;
    std::string constantName, label;
    std::vector<MenuItemSnapshot> items;
};

struct PanelSnapshot {
    int handle = 0;
    int parent = 0;
    std::string constantName, title;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = false, dimmed = false, scaleContents = false;
    bool centerOnScreen = false; // SetPanelPos with VAL_AUTO_CENTER since the last snapshot
    bool active = false;         // the active panel (SetActivePanel)
    int menuBar = 0;
    std::vector<MenuSnapshot> menus;
    std::vector<int> controls; // control ids in control order
    std::vector<int> childPanels;
};

// Copies taken under the model lock. Return false for a bad handle.
bool GetPanelSnapshot(int panel, PanelSnapshot* out);
bool GetControlSnapshot(int panel, int control, ControlSnapshot* out);
std::vector<int> GetTopLevelPanels();

// The view reports a scroll made by the person (no callback, no notification back).
void NoteUserScroll(int panel, int control, int firstVisibleLine);
// The view reports a size change made by the person (no notification back).
void NoteUserResize(int panel, int width, int height);
