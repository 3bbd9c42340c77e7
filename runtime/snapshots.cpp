// Consistent copies of panels and controls for the view, and the person's scrolls.
#include "runtime/model_store.h"
#include "runtime/value_text.h"

using namespace corvane::model;

namespace {

MenuSnapshot SnapshotMenu(const MenuBar& bar, const MenuNode& menu) {
    MenuSnapshot s;
    s.id = menu.id;
    s.constantName = menu.constantName;
    s.label = menu.label;
    for (int id : menu.items) {
        const MenuNode& item = bar.nodes[static_cast<size_t>(id - 1)];
        s.items.push_back({item.id, item.constantName, item.label, item.callback != nullptr});
    }
    return s;
}

std::string ValueText(const Value& v, int dataType) {
    return dataType == VAL_STRING ? v.text : FormatNumber(v.num, dataType);
}

} // namespace

bool GetPanelSnapshot(int panel, PanelSnapshot* out) {
    if (!out) return false;
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return false;
    PanelSnapshot s;
    s.handle = p->handle;
    s.parent = p->parent;
    s.constantName = p->constantName;
    s.title = p->title;
    s.left = p->left;
    s.top = p->top;
    s.width = p->width;
    s.height = p->height;
    s.visible = p->visible;
    s.dimmed = p->dimmed;
    s.scaleContents = p->scaleContents;
    s.centerOnScreen = p->centerOnScreen;
    p->centerOnScreen = false; // reported once
    s.active = TheModel().activePanel == p->handle;
    s.menuBar = p->menuBar;
    if (MenuBar* bar = FindMenuBar(p->menuBar)) {
        for (int id : bar->menus)
            s.menus.push_back(SnapshotMenu(*bar, *FindMenuNode(bar, id)));
    }
    for (const auto& c : p->controls)
        s.controls.push_back(c.id);
    s.childPanels = p->children;
    *out = std::move(s);
    return true;
}

bool GetControlSnapshot(int panel, int control, ControlSnapshot* out) {
    if (!out) return false;
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* cp = nullptr;
    if (LookupControl(panel, control, &p, &cp) < 0) return false;
    const Control& c = *cp;
    ControlSnapshot s;
    s.id = c.id;
    s.constantName = c.constantName;
    s.style = c.style;
    s.kind = c.kind;
    s.dataType = c.dataType;
    s.label = c.label;
    s.tooltip = c.tooltip;
    s.labelVisible = c.labelVisible;
    s.labelLeft = c.labelLeft;
    s.labelWidth = c.labelWidth;
    s.sizeToText = c.sizeToText;
    s.left = c.left;
    s.top = c.top;
    s.width = c.width;
    s.height = c.height;
    s.visible = c.visible;
    s.dimmed = c.dimmed;
    s.indicator = c.indicator;
    s.textColor = c.textColor;
    s.ctrlColor = c.ctrlColor;
    s.pointSize = c.pointSize;
    s.onOffPointSize = c.onOffPointSize;
    s.valueText = DisplayText(c);
    double n = 0.0;
    if (ReadNumber(c, &n) == 0) s.numericValue = n;
    s.minValue = c.minValue;
    s.maxValue = c.maxValue;
    s.precision = c.precision;
    s.showDigitalDisplay = c.showDigitalDisplay;
    s.digDispLeft = c.digDispLeft;
    s.fillColor = c.fillColor;
    s.onValue = c.dataType == VAL_STRING ? 0.0 : c.onValue.num;
    s.offValue = c.dataType == VAL_STRING ? 0.0 : c.offValue.num;
    s.on = c.on;
    s.onText = c.onText;
    s.offText = c.offText;
    s.onColor = c.onColor;
    s.offColor = c.offColor;
    for (const auto& item : c.items)
        s.items.push_back({item.label, ValueText(item.value, c.dataType)});
    s.selectedIndex = c.selected;
    s.firstVisibleLine = c.firstVisibleLine;
    const GraphData& g = c.graph;
    for (const auto& plot : g.plots) {
        PlotSnapshot ps;
        ps.handle = plot.handle;
        ps.x = plot.x;
        ps.y = plot.y;
        ps.plotStyle = plot.plotStyle;
        ps.pointStyle = plot.pointStyle;
        ps.lineStyle = plot.lineStyle;
        ps.pointFrequency = plot.pointFrequency;
        ps.color = plot.color;
        ps.legendText = plot.legendText;
        s.plots.push_back(std::move(ps));
    }
    s.xAxis = {g.x.mode, g.x.min, g.x.max};
    s.yAxis = {g.y.mode, g.y.min, g.y.max};
    s.xFormat = g.xFormat;
    s.xOffset = g.xOffset;
    s.legendVisible = g.legendVisible;
    s.legendVisibleItems = g.legendVisibleItems;
    s.zoomAndPan = g.zoomAndPan;
    s.cursorModes = g.cursorModes;
    s.xName = g.xName;
    s.yName = g.yName;
    s.plotsRevision = g.revision;
    *out = std::move(s);
    return true;
}

std::vector<int> GetTopLevelPanels() {
    auto lock = LockModel();
    return TheModel().topLevel;
}

void NoteUserScroll(int panel, int control, int firstVisibleLine) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    if (LookupControl(panel, control, &p, &c) < 0 || c->kind != KIND_TEXT_BOX) return;
    if (firstVisibleLine < -1) return;
    c->firstVisibleLine = firstVisibleLine;
}
