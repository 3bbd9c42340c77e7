#include "engine/engine_threads.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

#include "engine/connection.h"
#include "engine/engine_thread_bodies.h"
#include "runtime/system.h"
#include "runtime/threads.h"

namespace {

// One scheduled engine thread: what it runs, for which connection, and the id field it
// clears when it ends (unless a successor's id is there by then).
struct Launch {
    AppRecord* app = nullptr;
    uint32_t generation = 0;
    int (*body)(AppRecord*, uint32_t) = nullptr;
    std::atomic<int32_t>* idField = nullptr;
    int id = 0; // written by the pool before the thread starts
};

// Guards the id fields' hand-over, the generations of the threads in them and the tracked ids.
std::mutex gMutex;
uint32_t gSenderGeneration = 0;
uint32_t gReplyGeneration = 0;
std::set<int> gTracked;
std::set<AppRecord*> gApps;

// At exit, before the records the threads use are destroyed: stop them and wait for them.
struct ExitGuard {
    ~ExitGuard() {
        std::vector<AppRecord*> apps;
        {
            std::lock_guard guard(gMutex);
            apps.assign(gApps.begin(), gApps.end());
        }
        for (AppRecord* app : apps)
            app->stopFlag.store(1);
        MainWorking_WaitForEngineThreads(ENGINE_THREADS_END_MS);
    }
};

int RunLaunch(void* data) {
    Launch* launch = static_cast<Launch*>(data);
    launch->body(launch->app, launch->generation);
    {
        std::lock_guard guard(gMutex);
        if (launch->idField->load() == launch->id) launch->idField->store(0);
    }
    delete launch;
    return 0;
}

// Schedules one thread unless one of this connection already runs. Called with gMutex held.
void StartOne(AppRecord* app, std::atomic<int32_t>* idField, uint32_t* fieldGeneration,
              uint32_t generation, int (*body)(AppRecord*, uint32_t)) {
    if (idField->load() != 0 && *fieldGeneration == generation) return;
    idField->store(1);
    *fieldGeneration = generation;
    auto* launch = new Launch{app, generation, body, idField, 0};
    if (CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, RunLaunch, launch, &launch->id) <
        0) {
        delete launch;
        idField->store(0);
        return;
    }
    // The thread needs gMutex to clear its id, so `launch` is still alive here.
    idField->store(launch->id);
    gTracked.insert(launch->id);
}

} // namespace

void MainWorking_ScheduleEngineThreads(AppRecord* app) {
    if (app == nullptr) return;
    static ExitGuard exitGuard; // constructed after the records it protects
    const uint32_t generation = MainWorking_ConnectionGeneration();
    std::lock_guard guard(gMutex);
    gApps.insert(app);
    StartOne(app, &app->replyThreadId, &gReplyGeneration, generation, MainWorking_RunReplyThread);
    StartOne(app, &app->senderThreadId, &gSenderGeneration, generation, MainWorking_RunSendThread);
}

void MainWorking_TrackPoolFunction(int functionId) {
    if (functionId <= 0) return;
    std::lock_guard guard(gMutex);
    gTracked.insert(functionId);
}

int MainWorking_WaitForEngineThreads(int timeoutMs) {
    const double deadline = MonotonicSeconds() + timeoutMs / 1000.0;
    for (;;) {
        std::vector<int> ids;
        {
            std::lock_guard guard(gMutex);
            ids.assign(gTracked.begin(), gTracked.end());
        }
        if (ids.empty()) return 1;
        for (int id : ids) {
            int wait = -1;
            if (timeoutMs >= 0)
                wait = std::max(0, static_cast<int>((deadline - MonotonicSeconds()) * 1000.0));
            if (CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, wait) < 0)
                return 0;
            std::lock_guard guard(gMutex);
            gTracked.erase(id);
        }
    }
}
