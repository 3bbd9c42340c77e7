#include "shell/main_callbacks.h"

#include "engine/app_record.h"
#include "runtime/events.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "serial/status_write.h"

#include <atomic>

namespace {

std::atomic<bool> closeAllNoDone{false};

} // namespace

int MainWorking_panelCB(int /*panel*/, int event, void* /*callbackData*/, int /*eventData1*/,
                        int /*eventData2*/) {
    if (event == EVENT_CLOSE) QuitUserInterface(0);
    return 0;
}

int ExitCallBak(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
                int /*eventData1*/, int /*eventData2*/) {
    if (event == EVENT_COMMIT) {
        PortCombo_CloseAll();
        QuitUserInterface(0);
    }
    return 0;
}

void CloseAllNo() {
    if (closeAllNoDone.exchange(true)) return;
    TheAppRecord().stopFlag.store(1);
    PortRecord* port = PortWork_Record();
    PortWork_Write(port, "I:", WAIT_MODE_NONE);
    SleepMs(200);
    // The data log closes here once that module is part of the program (LogFile_Close).
    PortWork_Close(port);
    StatusWriteFinish();
}

int CloseAllNoCallback(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
                       int /*eventData1*/, int /*eventData2*/) {
    // Only a commit: a key press or a focus change on the control must not stop the link.
    if (event == EVENT_COMMIT) CloseAllNo();
    return 0;
}

void MainWorking_RegisterCallbacks() {
    closeAllNoDone.store(false);
    RegisterCallbackName("ExitCallBak", ExitCallBak);
    RegisterCallbackName("CloseAllNo", CloseAllNoCallback);
}
