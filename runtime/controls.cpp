// Creating and discarding controls, their kind and their callbacks.
#include "runtime/model_store.h"

#include <algorithm>

using namespace corvane::model;

int NewCtrl(int panel, int style, const std::string& label, int top, int left) {
    if (!IsKnownStyle(style)) return UIE_BadAttributeValue;
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    Control c = MakeControl(style);
    c.id = p->nextCtrlId++;
    c.label = label;
    c.top = top;
    c.left = left;
    c.labelLeft = left;
    c.digDispLeft = left;
    p->controls.push_back(std::move(c));
    NotifyControlCreated(panel, p->controls.back().id);
    return p->controls.back().id;
}

int DiscardCtrl(int panel, int control) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    auto it = std::find_if(p->controls.begin(), p->controls.end(),
                           [&](const Control& c) { return c.id == control; });
    if (it == p->controls.end()) return UIE_BadControlId;
    p->controls.erase(it);
    NotifyControlDiscarded(panel, control);
    return 0;
}

int GetCtrlIdFromConstantName(int panel, const std::string& constantName) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    for (const Control& c : p->controls)
        if (c.constantName == constantName) return c.id;
    return 0;
}

CtrlKind GetCtrlKind(int panel, int control, int* status) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (status) *status = st;
    return st < 0 ? KIND_NUMERIC : c->kind;
}

int InstallCtrlCallback(int panel, int control, CtrlCallbackPtr fn, void* callbackData) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (st < 0) return st;
    c->callback = fn;
    c->callbackData = callbackData;
    return 0;
}

int GetCtrlCallback(int panel, int control, CtrlCallbackPtr* fn, void** callbackData) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (st < 0) return st;
    if (fn) *fn = c->callback;
    if (callbackData) *callbackData = c->callbackData;
    return 0;
}
