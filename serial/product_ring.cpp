// A port ring on the product panel itself (a control whose name begins with "PORTCOMBO"): the
// panel shrinks to the ring until a port opens, and the ring turns red when one fails.
#include "engine/app_record.h"
#include "engine/binding.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_open.h"
#include "serial/port_work.h"

namespace {

constexpr int kSmallMargin = 50;

// What the small layout changed, to be put back. Only the user-interface thread uses it.
struct RingLayout {
    bool small = false;
    int panel = 0, ring = 0;
    int panelWidth = 0, panelHeight = 0;
    int ringTop = 0, ringLeft = 0;
    int ringColor = -1; // the ring's colour before it first turned red
    bool red = false;
} layout;

int CtrlInt(int panel, int control, int attr) {
    int v = 0;
    GetCtrlAttribute(panel, control, attr, &v);
    return v;
}

void ShowRed(int panel, int ring) {
    if (!layout.red) layout.ringColor = CtrlInt(panel, ring, ATTR_CTRL_COLOR);
    layout.red = true;
    SetCtrlAttribute(panel, ring, ATTR_CTRL_COLOR, PORTCOMBO_RED);
}

void ClearRed(int panel, int ring) {
    if (!layout.red) return;
    layout.red = false;
    SetCtrlAttribute(panel, ring, ATTR_CTRL_COLOR, layout.ringColor);
}

void StopLink(AppRecord& app, int panel, int ring) {
    app.versionFlag.store(0);
    app.stopFlag.store(1);
    // The time graphs are cleared here (GraphWorking_DeleteGraphes) once that module is part
    // of the program.
    ShowRed(panel, ring);
}

} // namespace

void MoveCOmboSmall(int panel, int ring) {
    // The full layout is remembered only while it is shown: a second refresh in a row must not
    // take the small layout for the full one.
    if (!layout.small || layout.panel != panel || layout.ring != ring) {
        layout.panel = panel;
        layout.ring = ring;
        GetPanelAttribute(panel, ATTR_WIDTH, &layout.panelWidth);
        GetPanelAttribute(panel, ATTR_HEIGHT, &layout.panelHeight);
        layout.ringTop = CtrlInt(panel, ring, ATTR_TOP);
        layout.ringLeft = CtrlInt(panel, ring, ATTR_LEFT);
    }
    SetCtrlAttribute(panel, ring, ATTR_TOP, kSmallMargin);
    SetCtrlAttribute(panel, ring, ATTR_LEFT, kSmallMargin);
    SetPanelAttribute(panel, ATTR_WIDTH, CtrlInt(panel, ring, ATTR_WIDTH) + kSmallMargin);
    SetPanelAttribute(panel, ATTR_HEIGHT, CtrlInt(panel, ring, ATTR_HEIGHT) + kSmallMargin);
    layout.small = true;
}

void RestoreAll(int panel) {
    if (!layout.small || layout.panel != panel) return;
    SetPanelAttribute(panel, ATTR_WIDTH, layout.panelWidth);
    SetPanelAttribute(panel, ATTR_HEIGHT, layout.panelHeight);
    SetCtrlAttribute(panel, layout.ring, ATTR_TOP, layout.ringTop);
    SetCtrlAttribute(panel, layout.ring, ATTR_LEFT, layout.ringLeft);
    layout.small = false;
}

int Main_COMSELECT(int panel, int control, int event, void* /*callbackData*/, int eventData1,
                   int /*eventData2*/) {
    // F1 (VAL_F1_VKEY) opens the debug panel "DebugFile.uir" here once the menu module is part
    // of the program.
    if (!PortCombo_IsCommit(event, eventData1)) return 0;
    std::string text;
    if (GetCtrlVal(panel, control, &text) < 0) return 0;
    AppRecord& app = TheAppRecord();

    if (text.find("COM") != std::string::npos) {
        const int n = PortCombo_PortNumber(text);
        if (n == PortWork_Record()->portNumber.load()) return 0;
        if (PortCombo_OpenPort(n, panel, control) == 1) {
            ClearRed(panel, control);
            RestoreAll(panel);
            MainWorking_InitAllControlsBegin(&app.mainPanel, panel);
        } else {
            StopLink(app, panel, control);
        }
    } else if (text.find("Refresh") != std::string::npos) {
        MoveCOmboSmall(panel, control);
        InputComboValues(panel, control);
        StopLink(app, panel, control);
        SleepMs(PORTCOMBO_REFRESH_PAUSE_MS);
        PortWork_Close(PortWork_Record());
        app.versionFlag.store(0);
    }
    return 0;
}

void PortCombo_ResetProductRing() {
    layout = RingLayout{};
}
