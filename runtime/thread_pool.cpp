// The default thread pool: every scheduled function runs on a thread of its own (the engine's
// functions run for a whole connection). Finished threads are joined by the next call that
// schedules, waits or counts, so none is left behind.
#include "runtime/events.h"
#include "runtime/threads.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kBadArgument = -1;
constexpr int kNoThread = -2;
constexpr int kTimeout = -3;
constexpr int kWaitOnItself = -4;

struct PoolFunction {
    std::thread thread;
    bool done = false;
};

class Pool {
  public:
    int schedule(ThreadFunctionPtr fn, void* data, ThreadFunctionCallbackPtr callback,
                 unsigned eventMask, void* callbackData, unsigned callbackThreadId,
                 int* functionId);
    int wait(int functionId, int timeoutMs);
    int running();
    // At exit: joins what has finished, leaves what still runs (it may run until the end).
    void release();

  private:
    void finish(int functionId);
    // Takes the finished threads out of the table; the caller joins them unlocked.
    std::vector<std::thread> takeFinished();

    std::mutex mutex_;
    std::condition_variable finished_;
    std::map<int, std::shared_ptr<PoolFunction>> functions_;
    int nextId_ = 1;
};

Pool& pool() {
    // Never destroyed: a function that still runs at exit must find its pool.
    static Pool* p = new Pool;
    return *p;
}

void joinAll(std::vector<std::thread>& threads) {
    for (std::thread& t : threads)
        t.join();
}

void notify(ThreadFunctionCallbackPtr callback, unsigned event, int functionId, int value,
            void* callbackData, unsigned callbackThreadId) {
    if (callbackThreadId == CmtGetMainThreadID()) {
        int posted = PostDeferredCall(
            [=] { callback(DEFAULT_THREAD_POOL_HANDLE, functionId, event, value, callbackData); });
        if (posted == 0) return;
        // No user-interface loop to run it: rather here than never.
    }
    callback(DEFAULT_THREAD_POOL_HANDLE, functionId, event, value, callbackData);
}

int Pool::schedule(ThreadFunctionPtr fn, void* data, ThreadFunctionCallbackPtr callback,
                   unsigned eventMask, void* callbackData, unsigned callbackThreadId,
                   int* functionId) {
    std::vector<std::thread> finished;
    int id = 0;
    {
        std::lock_guard lock(mutex_);
        finished = takeFinished();
        id = nextId_++;
        // The id is known before the function starts: a function that clears its own id when
        // it ends must not race with this write.
        if (functionId != nullptr) *functionId = id;
        auto entry = std::make_shared<PoolFunction>();
        try {
            entry->thread = std::thread([=] {
                if (callback != nullptr && (eventMask & EVENT_TP_THREAD_FUNCTION_BEGIN) != 0)
                    notify(callback, EVENT_TP_THREAD_FUNCTION_BEGIN, id, 0, callbackData,
                           callbackThreadId);
                int value = fn(data);
                if (callback != nullptr && (eventMask & EVENT_TP_THREAD_FUNCTION_END) != 0)
                    notify(callback, EVENT_TP_THREAD_FUNCTION_END, id, value, callbackData,
                           callbackThreadId);
                pool().finish(id);
            });
        } catch (const std::system_error&) {
            if (functionId != nullptr) *functionId = 0;
            id = kNoThread;
        }
        if (id > 0) functions_.emplace(id, std::move(entry));
    }
    joinAll(finished);
    return id > 0 ? 0 : id;
}

void Pool::finish(int functionId) {
    {
        std::lock_guard lock(mutex_);
        auto it = functions_.find(functionId);
        if (it != functions_.end()) it->second->done = true;
    }
    finished_.notify_all();
}

std::vector<std::thread> Pool::takeFinished() {
    std::vector<std::thread> threads;
    for (auto it = functions_.begin(); it != functions_.end();) {
        if (it->second->done) {
            threads.push_back(std::move(it->second->thread));
            it = functions_.erase(it);
        } else {
            ++it;
        }
    }
    return threads;
}

int Pool::wait(int functionId, int timeoutMs) {
    std::thread finishedThread;
    {
        std::unique_lock lock(mutex_);
        auto it = functions_.find(functionId);
        if (it == functions_.end()) {
            // Ids that were handed out and are no longer listed belong to finished functions.
            return functionId > 0 && functionId < nextId_ ? 0 : kBadArgument;
        }
        std::shared_ptr<PoolFunction> entry = it->second;
        if (entry->thread.get_id() == std::this_thread::get_id()) return kWaitOnItself;
        auto isDone = [&entry] { return entry->done; };
        if (timeoutMs < 0) {
            finished_.wait(lock, isDone);
        } else if (!finished_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isDone)) {
            return kTimeout;
        }
        // Another waiter may have joined it already.
        it = functions_.find(functionId);
        if (it != functions_.end() && it->second == entry) {
            finishedThread = std::move(entry->thread);
            functions_.erase(it);
        }
    }
    if (finishedThread.joinable()) finishedThread.join();
    return 0;
}

int Pool::running() {
    std::vector<std::thread> finished;
    int count = 0;
    {
        std::lock_guard lock(mutex_);
        finished = takeFinished();
        count = static_cast<int>(functions_.size());
    }
    joinAll(finished);
    return count;
}

void Pool::release() {
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(mutex_);
        finished = takeFinished();
        for (auto& [id, entry] : functions_)
            entry->thread.detach();
        functions_.clear();
    }
    joinAll(finished);
}

// Runs at exit, after main() has returned.
struct PoolRelease {
    ~PoolRelease() { pool().release(); }
} poolRelease;

} // namespace

int CmtScheduleThreadPoolFunction(int poolHandle, ThreadFunctionPtr fn, void* data,
                                  int* functionId) {
    return CmtScheduleThreadPoolFunctionAdv(poolHandle, fn, data, THREAD_PRIORITY_NORMAL, nullptr,
                                            0, nullptr, 0, functionId);
}

int CmtScheduleThreadPoolFunctionAdv(int poolHandle, ThreadFunctionPtr fn, void* data,
                                     int /*priority*/, ThreadFunctionCallbackPtr callback,
                                     unsigned int callbackEventMask, void* callbackData,
                                     unsigned int callbackThreadId, int* functionId) {
    if (poolHandle != DEFAULT_THREAD_POOL_HANDLE || fn == nullptr) return kBadArgument;
    return pool().schedule(fn, data, callback, callbackEventMask, callbackData, callbackThreadId,
                           functionId);
}

int CmtWaitForThreadPoolFunctionCompletion(int poolHandle, int functionId, int timeoutMs) {
    if (poolHandle != DEFAULT_THREAD_POOL_HANDLE) return kBadArgument;
    return pool().wait(functionId, timeoutMs);
}

int CmtRunningThreadPoolFunctions() {
    return pool().running();
}
