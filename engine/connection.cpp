#include "engine/connection.h"

#include <algorithm>
#include <atomic>

#include "engine/engine_threads.h"
#include "runtime/system.h"
#include "runtime/threads.h"
#include "serial/port_work.h"
#include "serial/status_write.h"

namespace {

// Pauses are cut into steps of this length so that a stopping connection ends them soon.
constexpr int kPauseStepMs = 10;

std::atomic<uint32_t> gGeneration{1};

thread_local bool tEngineThread = false;
thread_local uint32_t tGeneration = 0;

} // namespace

EngineThreadScope::EngineThreadScope(uint32_t generation)
    : wasEngineThread_(tEngineThread), previousGeneration_(tGeneration) {
    tEngineThread = true;
    tGeneration = generation;
}

EngineThreadScope::~EngineThreadScope() {
    tEngineThread = wasEngineThread_;
    tGeneration = previousGeneration_;
}

void MainWorking_BeginConnection() {
    gGeneration.fetch_add(1, std::memory_order_acq_rel);
}

uint32_t MainWorking_ConnectionGeneration() {
    return gGeneration.load(std::memory_order_acquire);
}

bool MainWorking_ConnectionIsCurrent(const AppRecord* app) {
    if (app == nullptr || app->stopFlag.load() != 0) return false;
    return !tEngineThread || tGeneration == gGeneration.load(std::memory_order_acquire);
}

int MainWorking_WriteForConnection(AppRecord* app, const char* text, int32_t waitMode) {
    PortRecord* port = PortWork_Record();
    if (!MainWorking_ConnectionIsCurrent(app) || port->write == nullptr) return -1;
    if (waitMode != WAIT_MODE_NONE) {
        // The handshake is waited for here rather than inside the port's write, so that a thread
        // that waited into another connection can still drop its line.
        if (SetWaitCom(waitMode) == 0) return -1;
        if (!MainWorking_ConnectionIsCurrent(app)) {
            FinishWaitCom(); // nothing was sent: no answer is owed for this claim
            return -1;
        }
    }
    return port->write(port, text, WAIT_MODE_NONE);
}

bool MainWorking_PauseWhileCurrent(const AppRecord* app, int ms, bool (*wake)()) {
    const double end = MonotonicSeconds() + ms / 1000.0;
    for (;;) {
        if (!MainWorking_ConnectionIsCurrent(app)) return false;
        if (wake != nullptr && wake()) return true;
        const double left = end - MonotonicSeconds();
        if (left <= 0.0) return true;
        SleepMs(std::max(1, std::min(kPauseStepMs, static_cast<int>(left * 1000.0 + 0.5))));
    }
}
