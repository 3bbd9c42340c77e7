// The model's records, its lock, look-ups and observer notifications.
#include "runtime/model_store.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>

namespace corvane::model {

Model& TheModel() {
    static Model model;
    return model;
}

std::unique_lock<std::mutex> LockModel() {
    return std::unique_lock<std::mutex>(TheModel().mutex);
}

Panel* FindPanel(int handle) {
    auto& panels = TheModel().panels;
    auto it = panels.find(handle);
    return it == panels.end() ? nullptr : it->second.get();
}

Control* FindControl(Panel* panel, int id) {
    if (!panel) return nullptr;
    for (auto& c : panel->controls)
        if (c.id == id) return &c;
    return nullptr;
}

MenuBar* FindMenuBar(int handle) {
    auto& bars = TheModel().menuBars;
    auto it = bars.find(handle);
    return it == bars.end() ? nullptr : it->second.get();
}

MenuNode* FindMenuNode(MenuBar* bar, int id) {
    if (!bar || id < 1 || id > static_cast<int>(bar->nodes.size())) return nullptr;
    return &bar->nodes[static_cast<size_t>(id - 1)];
}

int LookupControl(int panel, int control, Panel** p, Control** c) {
    *p = FindPanel(panel);
    if (!*p) return UIE_BadPanelHandle;
    *c = FindControl(*p, control);
    if (!*c) return UIE_BadControlId;
    return 0;
}

void NotifyPanelCreated(int panel) {
    if (auto* o = TheModel().observer) o->panelCreated(panel);
}
void NotifyPanelChanged(int panel, uint32_t what) {
    if (auto* o = TheModel().observer; o && what) o->panelChanged(panel, what);
}
void NotifyPanelDiscarded(int panel) {
    if (auto* o = TheModel().observer) o->panelDiscarded(panel);
}
void NotifyControlCreated(int panel, int control) {
    if (auto* o = TheModel().observer) o->controlCreated(panel, control);
}
void NotifyControlChanged(int panel, int control, uint32_t what) {
    if (auto* o = TheModel().observer; o && what) o->controlChanged(panel, control, what);
}
void NotifyControlDiscarded(int panel, int control) {
    if (auto* o = TheModel().observer) o->controlDiscarded(panel, control);
}

int AddPanel(std::unique_ptr<Panel> panel, int parent, std::unique_ptr<MenuBar> bar) {
    auto lock = LockModel();
    Model& m = TheModel();
    Panel* parentPanel = nullptr;
    if (parent != 0) {
        parentPanel = FindPanel(parent);
        if (!parentPanel) return UIE_BadPanelHandle;
    }
    int handle = m.nextPanel++;
    panel->handle = handle;
    panel->parent = parent;
    if (parentPanel)
        parentPanel->children.push_back(handle);
    else
        m.topLevel.push_back(handle);
    if (bar) {
        int barHandle = m.nextMenuBar++;
        bar->handle = barHandle;
        bar->panel = handle;
        panel->menuBar = barHandle;
        m.menuBars.emplace(barHandle, std::move(bar));
    }
    m.panels.emplace(handle, std::move(panel));
    NotifyPanelCreated(handle);
    return handle;
}

void RemoveMenuBarLocked(int handle) {
    Model& m = TheModel();
    MenuBar* bar = FindMenuBar(handle);
    if (!bar) return;
    if (Panel* p = FindPanel(bar->panel); p && p->menuBar == handle) {
        p->menuBar = 0;
        NotifyPanelChanged(p->handle, CHANGE_ITEMS);
    }
    m.menuBars.erase(handle);
}

int AddMenuBar(std::unique_ptr<MenuBar> bar, int panel) {
    auto lock = LockModel();
    Model& m = TheModel();
    Panel* p = nullptr;
    if (panel != 0) {
        p = FindPanel(panel);
        if (!p) return UIE_BadPanelHandle;
        if (p->menuBar) RemoveMenuBarLocked(p->menuBar);
    }
    int handle = m.nextMenuBar++;
    bar->handle = handle;
    bar->panel = panel;
    m.menuBars.emplace(handle, std::move(bar));
    if (p) {
        p->menuBar = handle;
        NotifyPanelChanged(panel, CHANGE_ITEMS);
    }
    return handle;
}

void ReportProblem(const std::string& where, const std::string& reason) {
    std::fprintf(stderr, "corvane: %s: %s\n", where.c_str(), reason.c_str());
}

bool IsKnownStyle(int style) {
    switch (style) {
    case CTRL_NUMERIC:
    case CTRL_STRING:
    case CTRL_TEXT_BOX:
    case CTRL_COMMAND_BUTTON:
    case CTRL_RING:
    case CTRL_TEXT_MSG:
    case CTRL_DECORATION:
    case CTRL_GRAPH:
    case CTRL_NUMERIC_SLIDE:
    case CTRL_NUMERIC_VSLIDE:
    case CTRL_SQUARE_BUTTON:
        return true;
    default:
        return style >= 280 && style <= 289;
    }
}

Control MakeControl(int style) {
    Control c;
    c.style = style;
    c.kind = KindOfStyle(style);
    switch (c.kind) {
    case KIND_NUMERIC:
        c.dataType = VAL_DOUBLE;
        c.minValue = -DBL_MAX;
        c.maxValue = DBL_MAX;
        c.precision = 2;
        c.width = 80;
        c.height = 20;
        break;
    case KIND_NUMERIC_SLIDE:
        c.dataType = VAL_DOUBLE;
        c.minValue = 0.0;
        c.maxValue = 10.0;
        c.precision = 2;
        c.width = style == CTRL_NUMERIC_VSLIDE ? 40 : 150;
        c.height = style == CTRL_NUMERIC_VSLIDE ? 150 : 40;
        break;
    case KIND_STRING:
        c.dataType = VAL_STRING;
        c.width = 120;
        c.height = 20;
        break;
    case KIND_TEXT_BOX:
        c.dataType = VAL_STRING;
        c.width = 200;
        c.height = 100;
        break;
    case KIND_TEXT_MSG:
        c.dataType = VAL_STRING;
        c.width = 100;
        c.height = 16;
        break;
    case KIND_COMMAND_BUTTON:
        c.dataType = VAL_INTEGER;
        c.width = 80;
        c.height = 24;
        break;
    case KIND_TOGGLE_BUTTON:
    case KIND_BINARY_SWITCH:
    case KIND_CHECK_BOX:
        c.dataType = VAL_INTEGER;
        c.width = 60;
        c.height = 24;
        break;
    case KIND_RING:
        c.dataType = VAL_INTEGER;
        c.width = 120;
        c.height = 20;
        break;
    case KIND_DECORATION:
        c.dataType = VAL_INTEGER;
        c.width = 100;
        c.height = 100;
        break;
    case KIND_GRAPH:
        c.dataType = VAL_DOUBLE;
        c.width = 300;
        c.height = 200;
        break;
    }
    return c;
}

} // namespace corvane::model

using namespace corvane::model;

CtrlKind KindOfStyle(int style) {
    switch (style) {
    case CTRL_NUMERIC:
        return KIND_NUMERIC;
    case CTRL_STRING:
        return KIND_STRING;
    case CTRL_TEXT_BOX:
        return KIND_TEXT_BOX;
    case CTRL_COMMAND_BUTTON:
        return KIND_COMMAND_BUTTON;
    case CTRL_RING:
        return KIND_RING;
    case CTRL_TEXT_MSG:
        return KIND_TEXT_MSG;
    case CTRL_DECORATION:
        return KIND_DECORATION;
    case CTRL_GRAPH:
        return KIND_GRAPH;
    case CTRL_NUMERIC_SLIDE:
    case CTRL_NUMERIC_VSLIDE:
        return KIND_NUMERIC_SLIDE;
    case CTRL_SQUARE_BUTTON:
    case CTRL_TOGGLE_BUTTON:
        return KIND_TOGGLE_BUTTON;
    case CTRL_BINARY_SWITCH:
        return KIND_BINARY_SWITCH;
    case CTRL_CHECK_BOX:
        return KIND_CHECK_BOX;
    default:
        return style > CTRL_CHECK_BOX && style <= 289 ? KIND_TOGGLE_BUTTON : KIND_NUMERIC;
    }
}

void SetModelObserver(ModelObserver* observer) {
    auto lock = LockModel();
    TheModel().observer = observer;
}

void ResetUserInterfaceModelForTesting() {
    auto lock = LockModel();
    Model& m = TheModel();
    m.panels.clear();
    m.menuBars.clear();
    m.topLevel.clear();
    m.activePanel = 0;
    m.observer = nullptr;
}
