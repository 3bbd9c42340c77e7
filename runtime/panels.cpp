// Panels: showing, hiding, activating, discarding, attributes and the panel callback.
#include "runtime/attr_access.h"
#include "runtime/model_store.h"

#include <algorithm>
#include <cmath>

using namespace corvane::model;

namespace {

int Scaled(int v, int newSize, int oldSize) {
    return static_cast<int>(std::lround(static_cast<double>(v) * newSize / oldSize));
}

// Scales the panel's controls and child panels to a new panel size (scale contents on resize).
void ScaleContents(Panel& p, int oldWidth, int oldHeight) {
    if (!p.scaleContents || oldWidth <= 0 || oldHeight <= 0) return;
    if (p.width == oldWidth && p.height == oldHeight) return;
    for (Control& c : p.controls) {
        c.left = Scaled(c.left, p.width, oldWidth);
        c.width = Scaled(c.width, p.width, oldWidth);
        c.top = Scaled(c.top, p.height, oldHeight);
        c.height = Scaled(c.height, p.height, oldHeight);
        if (c.labelLeft != VAL_AUTO_CENTER) c.labelLeft = Scaled(c.labelLeft, p.width, oldWidth);
        c.digDispLeft = Scaled(c.digDispLeft, p.width, oldWidth);
        NotifyControlChanged(p.handle, c.id, CHANGE_GEOMETRY);
    }
    for (int h : p.children) {
        if (Panel* child = FindPanel(h)) {
            child->left = Scaled(child->left, p.width, oldWidth);
            child->width = Scaled(child->width, p.width, oldWidth);
            child->top = Scaled(child->top, p.height, oldHeight);
            child->height = Scaled(child->height, p.height, oldHeight);
            NotifyPanelChanged(h, CHANGE_GEOMETRY);
        }
    }
}

void CollectTree(int handle, std::vector<int>* out) {
    if (Panel* p = FindPanel(handle)) {
        for (int child : p->children)
            CollectTree(child, out);
        out->push_back(handle);
    }
}

int PanelField(Panel& p, AttrAccess& a, int attr) {
    switch (attr) {
    case ATTR_DIMMED:
        return a.BoolField(p.dimmed, CHANGE_APPEARANCE);
    case ATTR_CONSTANT_NAME:
        return a.ReadOnlyText(p.constantName);
    case ATTR_VISIBLE:
        return a.BoolField(p.visible, CHANGE_APPEARANCE);
    case ATTR_LEFT:
    case ATTR_TOP: {
        int& field = attr == ATTR_LEFT ? p.left : p.top;
        if (a.set && a.v->type == AttrValue::Int && a.v->i == VAL_AUTO_CENTER) {
            p.centerOnScreen = true;
            a.changed |= CHANGE_GEOMETRY;
            return 0;
        }
        return a.IntField(field, CHANGE_GEOMETRY);
    }
    case ATTR_WIDTH:
    case ATTR_HEIGHT: {
        int oldWidth = p.width, oldHeight = p.height;
        int st = a.NonNegativeField(attr == ATTR_WIDTH ? p.width : p.height, CHANGE_GEOMETRY);
        if (st == 0 && a.set) ScaleContents(p, oldWidth, oldHeight);
        return st;
    }
    case ATTR_TITLE:
        return a.TextField(p.title, CHANGE_APPEARANCE);
    case ATTR_PANEL_FIRST_CTRL:
        return a.ReadOnly(p.controls.empty() ? 0 : p.controls.front().id);
    case ATTR_SCALE_CONTENTS_ON_RESIZE:
        return a.BoolField(p.scaleContents, CHANGE_APPEARANCE);
    case ATTR_PANEL_PARENT:
        return a.ReadOnly(p.parent);
    default:
        return UIE_BadAttribute;
    }
}

int Access(int panel, int attr, AttrValue* v, bool set) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    AttrAccess a;
    a.set = set;
    a.v = v;
    int st = PanelField(*p, a, attr);
    if (st == 0) NotifyPanelChanged(panel, a.changed);
    return st;
}

int SetVisible(int panel, bool visible) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    if (p->visible != visible) {
        p->visible = visible;
        NotifyPanelChanged(panel, CHANGE_APPEARANCE);
    }
    return 0;
}

} // namespace

int DiscardPanel(int panel) {
    auto lock = LockModel();
    Model& m = TheModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    if (Panel* parent = FindPanel(p->parent)) {
        auto& c = parent->children;
        c.erase(std::remove(c.begin(), c.end(), panel), c.end());
    } else {
        m.topLevel.erase(std::remove(m.topLevel.begin(), m.topLevel.end(), panel),
                         m.topLevel.end());
    }
    std::vector<int> tree; // children before their parents
    CollectTree(panel, &tree);
    for (int h : tree) {
        // The panel's menu bar goes with it.
        for (auto it = m.menuBars.begin(); it != m.menuBars.end();) {
            if (it->second->panel == h)
                it = m.menuBars.erase(it);
            else
                ++it;
        }
        if (m.activePanel == h) m.activePanel = 0;
        m.panels.erase(h);
        NotifyPanelDiscarded(h);
    }
    return 0;
}

int DisplayPanel(int panel) {
    return SetVisible(panel, true);
}
int HidePanel(int panel) {
    return SetVisible(panel, false);
}

int SetActivePanel(int panel) {
    auto lock = LockModel();
    if (!FindPanel(panel)) return UIE_BadPanelHandle;
    Model& m = TheModel();
    if (m.activePanel != panel) {
        int old = m.activePanel;
        m.activePanel = panel;
        if (old) NotifyPanelChanged(old, CHANGE_APPEARANCE);
        NotifyPanelChanged(panel, CHANGE_APPEARANCE);
    }
    return 0;
}

int GetActivePanel() {
    auto lock = LockModel();
    return TheModel().activePanel;
}

int SetPanelPos(int panel, int top, int left) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    if (top == VAL_AUTO_CENTER || left == VAL_AUTO_CENTER) p->centerOnScreen = true;
    if (top != VAL_AUTO_CENTER) p->top = top;
    if (left != VAL_AUTO_CENTER) p->left = left;
    NotifyPanelChanged(panel, CHANGE_GEOMETRY);
    return 0;
}

int GetPanelAttribute(int panel, int attr, int* value) {
    if (!value) return UIE_BadArgument;
    AttrValue v;
    v.type = AttrValue::Int;
    int st = Access(panel, attr, &v, false);
    if (st == 0) *value = v.i;
    return st;
}

int GetPanelAttribute(int panel, int attr, double* value) {
    if (!value) return UIE_BadArgument;
    AttrValue v;
    v.type = AttrValue::Double;
    int st = Access(panel, attr, &v, false);
    if (st == 0) *value = v.d;
    return st;
}

int GetPanelAttribute(int panel, int attr, std::string* value) {
    if (!value) return UIE_BadArgument;
    AttrValue v;
    v.type = AttrValue::Text;
    int st = Access(panel, attr, &v, false);
    if (st == 0) *value = std::move(v.s);
    return st;
}

int SetPanelAttribute(int panel, int attr, int value) {
    AttrValue v;
    v.type = AttrValue::Int;
    v.i = value;
    return Access(panel, attr, &v, true);
}

int SetPanelAttribute(int panel, int attr, double value) {
    AttrValue v;
    v.type = AttrValue::Double;
    v.d = value;
    return Access(panel, attr, &v, true);
}

int SetPanelAttribute(int panel, int attr, const std::string& value) {
    AttrValue v;
    v.type = AttrValue::Text;
    v.s = value;
    return Access(panel, attr, &v, true);
}

int InstallPanelCallback(int panel, PanelCallbackPtr fn, void* callbackData) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    p->callback = fn;
    p->callbackData = callbackData;
    return 0;
}

int GetPanelCallback(int panel, PanelCallbackPtr* fn, void** callbackData) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    if (fn) *fn = p->callback;
    if (callbackData) *callbackData = p->callbackData;
    return 0;
}

bool PanelExists(int panel) {
    auto lock = LockModel();
    return FindPanel(panel) != nullptr;
}

void NoteUserResize(int panel, int width, int height) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p || width < 0 || height < 0) return;
    int oldWidth = p->width, oldHeight = p->height;
    p->width = width;
    p->height = height;
    ScaleContents(*p, oldWidth, oldHeight);
}
