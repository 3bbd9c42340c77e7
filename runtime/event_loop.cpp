// The user-interface event loop: which thread is the user-interface thread, which backend runs
// the calls, and the operations that reach it from any thread.
#include "runtime/events.h"
#include "runtime/main_thread.h"
#include "runtime/plain_event_loop.h"

#include <future>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <utility>

namespace {

constexpr int kNotInitialised = -1;
constexpr int kBadArgument = -2;
constexpr int kWrongThread = -3;

struct LoopState {
    // Shared by post/quit (any thread), exclusive for init/close/backend changes: once
    // CloseUserInterface has returned no thread is inside a backend's post() or quit().
    std::shared_mutex mutex;
    EventLoopBackend* installed = nullptr; // the view's backend, or none
    EventLoopBackend* active = nullptr;    // the backend of the initialised user interface
    std::thread::id uiThread;
    bool initialised = false;
};

// Never destroyed: threads that still run at exit may post.
LoopState& state() {
    static LoopState* s = new LoopState;
    return *s;
}

PlainEventLoop& plainLoop() {
    static PlainEventLoop* loop = new PlainEventLoop;
    return *loop;
}

} // namespace

int InitUserInterface(int /*argc*/, char** /*argv*/) {
    LoopState& s = state();
    std::unique_lock lock(s.mutex);
    if (s.initialised) return s.uiThread == std::this_thread::get_id() ? 1 : 0;
    if (s.installed != nullptr) {
        s.active = s.installed;
    } else {
        plainLoop().reset();
        s.active = &plainLoop();
    }
    s.uiThread = std::this_thread::get_id();
    s.initialised = true;
    RecordMainThread();
    return 1;
}

void CloseUserInterface() {
    LoopState& s = state();
    std::unique_lock lock(s.mutex);
    if (!s.initialised) return;
    s.initialised = false;
    s.active = nullptr;
    s.uiThread = {};
    lock.unlock();
    // Calls still queued are dropped; a thread waiting in RunOnUserInterfaceThread wakes up.
    plainLoop().reset();
}

void SetEventLoopBackend(EventLoopBackend* backend) {
    LoopState& s = state();
    std::unique_lock lock(s.mutex);
    s.installed = backend; // used from the next InitUserInterface on
}

bool IsUserInterfaceThread() {
    LoopState& s = state();
    std::shared_lock lock(s.mutex);
    return s.initialised && s.uiThread == std::this_thread::get_id();
}

int RunUserInterface() {
    LoopState& s = state();
    EventLoopBackend* backend = nullptr;
    {
        std::shared_lock lock(s.mutex);
        if (!s.initialised) return kNotInitialised;
        if (s.uiThread != std::this_thread::get_id()) return kWrongThread;
        backend = s.active;
    }
    // Run without the lock: the calls post, quit and ask which thread they are on.
    return backend->run();
}

int QuitUserInterface(int code) {
    LoopState& s = state();
    std::shared_lock lock(s.mutex);
    if (!s.initialised) return kNotInitialised;
    s.active->quit(code);
    return 0;
}

int ProcessSystemEvents() {
    LoopState& s = state();
    EventLoopBackend* backend = nullptr;
    {
        std::shared_lock lock(s.mutex);
        if (!s.initialised) return kNotInitialised;
        // Calls belong to the user-interface thread; elsewhere there is nothing to process.
        if (s.uiThread != std::this_thread::get_id()) return 0;
        backend = s.active;
    }
    backend->processEvents();
    return 0;
}

int PostDeferredCall(std::function<void()> fn) {
    if (!fn) return kBadArgument;
    LoopState& s = state();
    std::shared_lock lock(s.mutex);
    if (!s.initialised) return kNotInitialised;
    s.active->post(std::move(fn));
    return 0;
}

void RunOnUserInterfaceThread(const std::function<void()>& fn) {
    if (!fn) return;
    // On the user-interface thread itself, or with no user interface at all, there is no
    // other thread to wait for.
    if (IsUserInterfaceThread()) {
        fn();
        return;
    }
    auto promise = std::make_shared<std::promise<void>>();
    std::future<void> finished = promise->get_future();
    // The call alone owns the promise: dropped unrun, it breaks the promise and wakes us. So fn
    // may be captured by reference: it runs before this function returns, or never.
    int posted = PostDeferredCall([&fn, done = std::move(promise)] {
        fn();
        done->set_value();
    });
    if (posted < 0) {
        fn();
        return;
    }
    try {
        finished.get();
    } catch (const std::future_error&) {
        // Dropped by CloseUserInterface: the call did not run.
    }
}
