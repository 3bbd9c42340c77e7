// The connection panel: attaching it to the product panel, its controls, the status display and
// the two layouts of the product panel.
#include "serial/port_combo.h"

#include "engine/app_record.h"
#include "engine/binding.h"
#include "engine/handovers.h"
#include "runtime/inifile.h"
#include "runtime/userint.h"
#include "serial/port_open.h"
#include "serial/port_work.h"
#include "shell/config_path.h"
#include "shell/panel_global.h"

namespace {

PortComboRecord theRecord;

constexpr int kSmallTop = 20; // room for a menu bar above the connection panel
constexpr int kInset = 2;     // the connection panel inside the placeholder's frame

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

int PanelInt(int panel, int attr) {
    int v = 0;
    GetPanelAttribute(panel, attr, &v);
    return v;
}

int CtrlInt(int panel, int control, int attr) {
    int v = 0;
    GetCtrlAttribute(panel, control, attr, &v);
    return v;
}

void Centre(int panel) {
    SetPanelPos(panel, VAL_AUTO_CENTER, VAL_AUTO_CENTER);
}

} // namespace

PortComboRecord* PortCombo_Record() {
    return &theRecord;
}

PortComboRecord* PortCombo_INIT_POINTERS(PortComboRecord* record) {
    PortComboRecord* r = record != nullptr ? record : &theRecord;
    for (std::atomic<int32_t>* field :
         {&r->placeholder, &r->connectionPanel, &r->parentPanel, &r->portRing, &r->ownWidth,
          &r->ownHeight, &r->parentWidth, &r->parentHeight, &r->status}) {
        field->store(0);
    }
    r->setColor = nullptr;
    r->initParentSize = PortCombo_InitParentSize;
    r->restoreAll = PortCombo_RestoreAll;
    PortCombo_ResetShutDown();
    PortCombo_ResetProductRing();
    EngineHandovers& h = MainWorking_Handovers();
    h.portFillRing = PortCombo_InputComboValues;
    h.comSelectOnly = MainWorking_COMSELECT_ONLY;
    return r;
}

int PortCombo_InitPanelUI(PortComboRecord* record, int productPanel, int placeholder) {
    record->setColor = PortCombo_SetColorPort;
    record->parentPanel.store(productPanel);
    record->placeholder.store(placeholder);

    const int panel = LoadPanelGlobalM(PORTCOMBO_PANEL_FILE, productPanel, 1);
    if (panel > 0) {
        record->connectionPanel.store(panel);
        SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 1);
        record->parentWidth.store(PanelInt(productPanel, ATTR_WIDTH));
        record->parentHeight.store(PanelInt(productPanel, ATTR_HEIGHT));
        record->ownWidth.store(PanelInt(panel, ATTR_WIDTH));
        record->ownHeight.store(PanelInt(panel, ATTR_HEIGHT));
        PortCombo_MoveComboSmall(record);
        DisplayPanel(panel);
        PortCombo_InitControl(record, panel);
    }
    // Without its connection panel the product panel keeps its full size; the saved port is
    // still opened so that the product works.

    const std::string config = MainWorking_ConfigFilePath();
    const int port = GetPrivateProfileInt("Section", "Power", -1, config.c_str());
    if (port <= 0) return 0;
    if (PortCombo_OpenPort(port, record->connectionPanel.load(), record->status.load()) != 1) {
        return 0;
    }
    MainWorking_InitAllControlsBegin(&TheAppRecord().mainPanel, productPanel);
    return 1;
}

void PortCombo_InitControl(PortComboRecord* record, int connectionPanel) {
    int id = 0;
    GetPanelAttribute(connectionPanel, ATTR_PANEL_FIRST_CTRL, &id);
    while (id > 0) {
        std::string name;
        GetCtrlAttribute(connectionPanel, id, ATTR_CONSTANT_NAME, &name);
        if (Contains(name, "PORTCOMBO")) {
            InstallCtrlCallback(connectionPanel, id, PortCombo__COMSELECT, record);
            PortCombo_MoveComboSmall(record);
            record->portRing.store(id);
            PortCombo_InputComboValues(connectionPanel, id);
        } else if (Contains(name, "EXIT_BUTTON")) {
            InstallCtrlCallback(connectionPanel, id, PortCombo_ExitCallBak, record);
        } else if (Contains(name, "CONNECT_STATUS")) {
            record->status.store(id);
        }
        if (GetCtrlAttribute(connectionPanel, id, ATTR_NEXT_CTRL, &id) < 0) break;
    }
}

int PortCombo_SetColorPort(PortComboRecord* record, int32_t color) {
    const int panel = record->connectionPanel.load();
    if (panel <= 0) return 1;
    const int status = record->status.load();
    SetCtrlAttribute(panel, status, ATTR_TEXT_COLOR, static_cast<int>(color));
    if (color == PORTCOMBO_RED) {
        SetCtrlVal(panel, status, PORTCOMBO_FAIL_TEXT);
        return 1;
    }
    SetCtrlVal(panel, status, PORTCOMBO_CONNECTED_TEXT);
    SetCtrlAttribute(panel, status, ATTR_TOOLTIP_TEXT, std::string());
    const int open = PortWork_Record()->portNumber.load();
    SetCtrlVal(panel, record->portRing.load(), "COM" + std::to_string(open));
    return 1;
}

void PortCombo_MoveComboSmall(PortComboRecord* record) {
    const int parent = record->parentPanel.load();
    const int panel = record->connectionPanel.load();
    if (parent <= 0 || panel <= 0) return;
    const int w = record->ownWidth.load();
    const int h = record->ownHeight.load();
    SetPanelAttribute(parent, ATTR_HEIGHT, h + kSmallTop);
    SetPanelAttribute(parent, ATTR_WIDTH, w);
    Centre(parent);
    SetPanelAttribute(panel, ATTR_HEIGHT, h);
    SetPanelAttribute(panel, ATTR_WIDTH, w);
    SetPanelAttribute(panel, ATTR_LEFT, 0);
    SetPanelAttribute(panel, ATTR_TOP, kSmallTop);
}

void PortCombo_RestoreAll(PortComboRecord* record) {
    const int parent = record->parentPanel.load();
    const int panel = record->connectionPanel.load();
    if (parent <= 0 || panel <= 0) return;
    SetPanelAttribute(parent, ATTR_WIDTH, record->parentWidth.load());
    SetPanelAttribute(parent, ATTR_HEIGHT, record->parentHeight.load());
    Centre(parent);
    const int place = record->placeholder.load();
    SetPanelAttribute(panel, ATTR_TOP, CtrlInt(parent, place, ATTR_TOP) + kInset);
    SetPanelAttribute(panel, ATTR_LEFT, CtrlInt(parent, place, ATTR_LEFT) + kInset);
    SetPanelAttribute(panel, ATTR_WIDTH, CtrlInt(parent, place, ATTR_WIDTH) - 2 * kInset);
    SetPanelAttribute(panel, ATTR_HEIGHT, CtrlInt(parent, place, ATTR_HEIGHT) - 2 * kInset);
    SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 1);
}

void PortCombo_InitParentSize(PortComboRecord* record, int32_t width, int32_t height,
                              int32_t flags) {
    bool changed = true;
    if ((flags & PORTCOMBO_ONLY_GROW) != 0) {
        changed = false;
        if (width > record->parentWidth.load()) {
            record->parentWidth.store(width);
            changed = true;
        }
        if (height > record->parentHeight.load()) {
            record->parentHeight.store(height);
            changed = true;
        }
    } else {
        record->parentWidth.store(width);
        record->parentHeight.store(height);
    }
    if (changed && (flags & PORTCOMBO_APPLY_FULL_LAYOUT) != 0) PortCombo_RestoreAll(record);
}

void PortCombo_InitPanelSize(PortComboRecord* record, int32_t height, int32_t width) {
    record->ownWidth.store(width);
    record->ownHeight.store(height);
}
