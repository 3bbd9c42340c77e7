// The orderly shut-down of the link: the device is told to stop ("O:0") and to leave PC
// control ("I:"), then the port and the write handshake are closed. It runs once.
#include "engine/app_record.h"
#include "runtime/events.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "serial/status_write.h"

#include <atomic>

namespace {

std::atomic<bool> shutDownDone{false};

} // namespace

bool PortCombo_ShutDownDone() {
    return shutDownDone.load();
}

void PortCombo_ResetShutDown() {
    shutDownDone.store(false);
}

void PortCombo_CloseAll() {
    if (shutDownDone.load()) return;
    // The spectrum run closes here (MainWorking_CloseSpectrum) and the time graphs stop running
    // once those modules are part of the program.
    TheAppRecord().stopFlag.store(1);
    PortRecord* port = PortWork_Record();
    PortWork_Write(port, "O:0", WAIT_MODE_NONE);
    SleepMs(PORTCOMBO_SHUTDOWN_PAUSE_MS);
    PortWork_Write(port, "I:", WAIT_MODE_NONE);
    SleepMs(PORTCOMBO_SHUTDOWN_PAUSE_MS);
    // The data log closes here (LogFile_Close) once that module is part of the program.
    PortWork_Close(port);
    StatusWriteFinish();
    shutDownDone.store(true);
}

int PortCombo_ExitCallBak(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
                          int /*eventData1*/, int /*eventData2*/) {
    if (event != EVENT_COMMIT) return 0;
    PortCombo_CloseAll();
    QuitUserInterface(0);
    return 0;
}
