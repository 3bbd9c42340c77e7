// The connection panel's port ring and the configuration dialog's "COM_POWER" rings: choosing
// a port, refreshing the list.
#include "engine/app_record.h"
#include "engine/binding.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_open.h"
#include "serial/port_work.h"
#include "serial/status_write.h"

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// The value text of the ring's selected item; false when nothing is selected.
bool SelectedValue(int panel, int ring, std::string* text) {
    int index = -1;
    if (GetCtrlIndex(panel, ring, &index) < 0 || index < 0) return false;
    return GetValueFromIndex(panel, ring, index, text) >= 0;
}

// The link is down: the engine threads end, the version query starts again with the next port.
void StopLink(AppRecord& app, PortComboRecord* record) {
    app.versionFlag.store(0);
    app.stopFlag.store(1);
    // The time graphs are cleared here (GraphWorking_DeleteGraphes) once that module is part
    // of the program.
    PortCombo_SetColorPort(record, PORTCOMBO_RED);
}

void ChoosePort(PortComboRecord* record, const std::string& text) {
    const int n = PortCombo_PortNumber(text);
    if (n == PortWork_Record()->portNumber.load()) return;
    AppRecord& app = TheAppRecord();
    StopLink(app, record);
    SleepMs(PORTCOMBO_REOPEN_PAUSE_MS);
    if (PortCombo_OpenPort(n, record->connectionPanel.load(), record->status.load()) == 1) {
        MainWorking_InitAllControlsBegin(&app.mainPanel, record->parentPanel.load());
    } else {
        StopLink(app, record); // the old port is closed as well
    }
}

void Refresh(PortComboRecord* record, int panel, int ring) {
    AppRecord& app = TheAppRecord();
    PortRecord* port = PortWork_Record();
    PortWork_Write(port, "I:", WAIT_MODE_NONE);
    PortCombo_MoveComboSmall(record);
    PortCombo_InputComboValues(panel, ring);
    StopLink(app, record);
    SleepMs(PORTCOMBO_REFRESH_PAUSE_MS);
    PortWork_Close(port);
    app.versionFlag.store(0);
}

} // namespace

// Enter on the ring acts as a commit.
bool PortCombo_IsCommit(int event, int eventData1) {
    return event == EVENT_COMMIT ||
           (event == EVENT_KEYPRESS && (eventData1 & VAL_VKEY_MASK) == VAL_ENTER_VKEY);
}

int PortCombo__COMSELECT(int panel, int control, int event, void* callbackData, int eventData1,
                         int /*eventData2*/) {
    // F1 (VAL_F1_VKEY) opens the debug panel "DebugFile.uir" through the menu module's dialog
    // operation here, once that module is part of the program.
    if (!PortCombo_IsCommit(event, eventData1)) return 0;
    auto* record =
        callbackData != nullptr ? static_cast<PortComboRecord*>(callbackData) : PortCombo_Record();
    std::string text;
    if (!SelectedValue(panel, control, &text)) return 0;
    if (Contains(text, "COM")) {
        ChoosePort(record, text);
    } else if (Contains(text, "Refresh")) {
        Refresh(record, panel, control);
    }
    return 0;
}

int MainWorking_COMSELECT_ONLY(int panel, int control, int event, void* /*callbackData*/,
                               int /*eventData1*/, int /*eventData2*/) {
    if (event != EVENT_COMMIT) return 0;
    std::string text;
    if (!SelectedValue(panel, control, &text)) return 0;
    // A port is only read when the configuration is saved.
    if (!Contains(text, "COM") && Contains(text, "Refresh"))
        PortCombo_InputComboValues(panel, control);
    return 0;
}
