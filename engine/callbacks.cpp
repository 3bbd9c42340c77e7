#include "engine/callbacks.h"

#include <string>

#include "engine/control_name.h"
#include "engine/handovers.h"
#include "engine/pending_letters.h"

namespace {

bool IsTwoState(int panel, int control) {
    int style = 0;
    if (GetCtrlAttribute(panel, control, ATTR_CTRL_STYLE, &style) < 0) return false;
    return style >= 280 && style <= 289;
}

// The on value and the current value of a two-state control, as integers.
bool ReadOnAndValue(int panel, int control, int* on, int* value) {
    return GetCtrlAttribute(panel, control, ATTR_ON_VALUE, on) >= 0 &&
           GetCtrlVal(panel, control, value) >= 0;
}

} // namespace

int MainWorking_CallBackSetSend(int panel, int control, int event, void* ctx, int, int) {
    if (event != EVENT_COMMIT || ctx == nullptr) return 0;
    std::string name;
    if (GetCtrlAttribute(panel, control, ATTR_CONSTANT_NAME, &name) < 0) return 0;
    MainWorking_AddToBuf(static_cast<PanelContext*>(ctx), name);
    return 0;
}

int MainWorking_CallBackAllIN(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    AppRecord& app = TheAppRecord();
    const int pcCtrl = app.pcControlCtrl.load();
    if (pcCtrl != 0 && control == pcCtrl && panel == app.pcControlPanel.load()) {
        int value = 0;
        GetCtrlVal(panel, control, &value);
        app.pcControl.store(value);
        MainWorking_SetDimmedAll(&app, control, value == 1 ? 0 : 1);
        return 0;
    }
    app.mainPanel.pending.store(1);
    return 0;
}

int MainWorking_ControNmPointer(int panel, int, int event, void* target, int, int) {
    if (event != EVENT_COMMIT) return 0;
    AppRecord& app = TheAppRecord();
    PanelContext* ctx = nullptr;
    if (app.mainPanel.panel.load() == panel)
        ctx = &app.mainPanel;
    else if (app.otherPanel.panel.load() == panel)
        ctx = &app.otherPanel;
    if (ctx != nullptr) MainWorking_QueueTextCommand(ctx, CtrlIdFromData(target));
    return 0;
}

int MainWorking_UpdateValOtherCnrl(int panel, int control, int event, void* target, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int value = 0;
    if (GetCtrlVal(panel, control, &value) < 0) value = 0;
    SetCtrlVal(panel, CtrlIdFromData(target), value);
    return 0;
}

int MainWorking_Resize(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT || !IsTwoState(panel, control)) return 0;
    std::string name;
    GetCtrlAttribute(panel, control, ATTR_CONSTANT_NAME, &name);
    SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 0);
    int on = 0, value = 0;
    if (!ReadOnAndValue(panel, control, &on, &value)) return 0;
    const int attr = control_name::Contains(name, "RESIZE_V") ? ATTR_WIDTH : ATTR_HEIGHT;
    const int amount = name.size() > 9 ? control_name::NumberAt(name, 9) : 0;
    int size = 0;
    if (GetPanelAttribute(panel, attr, &size) < 0) return 0;
    const long long next = static_cast<long long>(size) + (value == on ? amount : -amount);
    if (next < 0 || next > INT32_MAX) return 0;
    return SetPanelAttribute(panel, attr, static_cast<int>(next)) >= 0 ? 1 : 0;
}

int MainWorking_BrowseCB(int panel, int control, int event, void* logRecord, int, int) {
    if (event != EVENT_COMMIT || !IsTwoState(panel, control)) return 0;
    int on = 0, value = 0;
    if (!ReadOnAndValue(panel, control, &on, &value)) return 0;
    const EngineHandovers& h = MainWorking_Handovers();
    if (value != on) {
        if (h.logStopWork) h.logStopWork(logRecord);
    } else if (h.logBeginWork && h.logBeginWork(logRecord) < 0) {
        SetCtrlVal(panel, control, on ^ 1);
    }
    return 0;
}

int MainWorking_SetDimmedAll(AppRecord* app, int except, int dimmed) {
    if (app == nullptr) return 0;
    const int panel = app->mainPanel.panel.load();
    int id = 0;
    if (GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id) < 0) return 0;
    while (id > 0) {
        if (id != except) {
            int visible = 1;
            if (GetCtrlAttribute(panel, id, ATTR_VISIBLE, &visible) < 0) visible = 1;
            if (visible) SetCtrlAttribute(panel, id, ATTR_DIMMED, dimmed);
        }
        int next = 0;
        if (GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &next) < 0) break;
        id = next;
    }
    return 0;
}
