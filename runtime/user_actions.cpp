// What a person does, reported by the view (or a test): callbacks run outside the model lock
// on the calling thread, the user-interface thread.
#include "runtime/model_store.h"
#include "runtime/value_text.h"

using namespace corvane::model;

namespace {

bool SameValue(const Control& c, const Value& v, const std::string& text) {
    if (c.dataType == VAL_STRING) return v.text == text;
    double n = 0.0;
    return ParseNumber(text, &n) && CoerceToDataType(n, c.dataType) == v.num;
}

// Sets the value as the person chose it; a text that names no state or item is refused.
int UserWrite(Control& c, const std::string& text, uint32_t* changed) {
    switch (c.kind) {
    case KIND_COMMAND_BUTTON:
        return 0;
    case KIND_DECORATION:
    case KIND_GRAPH:
    case KIND_TEXT_MSG:
        return UIE_WrongControlKind;
    case KIND_TEXT_BOX:
        if (c.value.text != text) {
            c.value.text = text;
            *changed |= CHANGE_VALUE;
        }
        return 0;
    case KIND_TOGGLE_BUTTON:
    case KIND_BINARY_SWITCH:
    case KIND_CHECK_BOX: {
        bool on;
        if (SameValue(c, c.onValue, text) || (!c.onText.empty() && text == c.onText))
            on = true;
        else if (SameValue(c, c.offValue, text) || (!c.offText.empty() && text == c.offText))
            on = false;
        else
            return UIE_BadAttributeValue;
        if (on != c.on) {
            c.on = on;
            *changed |= CHANGE_VALUE;
        }
        return 0;
    }
    case KIND_RING:
        for (size_t i = 0; i < c.items.size(); ++i) {
            if (SameValue(c, c.items[i].value, text) || c.items[i].label == text) {
                if (c.selected != static_cast<int>(i)) {
                    c.selected = static_cast<int>(i);
                    *changed |= CHANGE_VALUE;
                }
                return 0;
            }
        }
        return UIE_BadAttributeValue;
    default:
        return WriteText(c, text, changed);
    }
}

} // namespace

int FireCtrlEvent(int panel, int control, int event, int eventData1, int eventData2) {
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    {
        auto lock = LockModel();
        Panel* p = nullptr;
        Control* c = nullptr;
        int st = LookupControl(panel, control, &p, &c);
        if (st < 0) return st;
        fn = c->callback;
        data = c->callbackData;
    }
    return fn ? fn(panel, control, event, data, eventData1, eventData2) : 0;
}

int FirePanelEvent(int panel, int event, int eventData1, int eventData2) {
    PanelCallbackPtr fn = nullptr;
    void* data = nullptr;
    {
        auto lock = LockModel();
        Panel* p = FindPanel(panel);
        if (!p) return UIE_BadPanelHandle;
        fn = p->callback;
        data = p->callbackData;
    }
    return fn ? fn(panel, event, data, eventData1, eventData2) : 0;
}

int FireMenuItem(int menuBar, int menuItem) {
    MenuCallbackPtr fn = nullptr;
    void* data = nullptr;
    int panel = 0;
    {
        auto lock = LockModel();
        MenuBar* bar = FindMenuBar(menuBar);
        if (!bar) return UIE_BadMenuHandle;
        MenuNode* node = FindMenuNode(bar, menuItem);
        if (!node || node->isMenu) return UIE_BadMenuHandle;
        fn = node->callback;
        data = node->callbackData;
        panel = bar->panel;
    }
    if (fn) fn(menuBar, menuItem, data, panel);
    return 0;
}

int UserSetCtrlVal(int panel, int control, const std::string& valueText) {
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    bool commit = false;
    {
        auto lock = LockModel();
        Panel* p = nullptr;
        Control* c = nullptr;
        int st = LookupControl(panel, control, &p, &c);
        if (st < 0) return st;
        // A person cannot operate a control that is dimmed, hidden or only an indicator.
        if (c->dimmed || p->dimmed || !c->visible || c->indicator) return UIE_BadArgument;
        uint32_t changed = 0;
        st = UserWrite(*c, valueText, &changed);
        if (st < 0) return st;
        NotifyControlChanged(panel, control, changed);
        commit = changed != 0 || c->kind == KIND_COMMAND_BUTTON;
        fn = c->callback;
        data = c->callbackData;
    }
    if (commit && fn) fn(panel, control, EVENT_COMMIT, data, 0, 0);
    return 0;
}
