// Named manual- and auto-reset events. Creating an event under a name that is already open
// returns a new handle to the same event (as the platform's named events do); an empty name
// makes a private event. Closing a handle wakes the waits on that handle with a failure.
#include "runtime/threads.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr int kBadHandle = -1;

struct Event {
    std::mutex mutex;
    std::condition_variable changed;
    bool manualReset = false;
    bool signalled = false;
    // Guarded by the registry's mutex:
    std::string name;
    int openHandles = 0;
};

struct Handle {
    std::shared_ptr<Event> event;
    bool closed = false; // guarded by event->mutex
};

struct Registry {
    std::mutex mutex;
    std::map<int, std::shared_ptr<Handle>> handles;
    std::map<std::string, std::shared_ptr<Event>> names; // while a handle is open
    int nextHandle = 1;

    std::shared_ptr<Handle> find(int handle) {
        std::lock_guard lock(mutex);
        auto it = handles.find(handle);
        return it == handles.end() ? nullptr : it->second;
    }
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

} // namespace

int CreateNamedEvent(const std::string& name, bool manualReset, bool initiallySignalled) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::shared_ptr<Event> event;
    if (!name.empty()) {
        auto it = r.names.find(name);
        if (it != r.names.end()) event = it->second;
    }
    if (!event) {
        event = std::make_shared<Event>();
        event->manualReset = manualReset;
        event->signalled = initiallySignalled;
        event->name = name;
        if (!name.empty()) r.names[name] = event;
    }
    ++event->openHandles;
    auto handle = std::make_shared<Handle>();
    handle->event = std::move(event);
    int id = r.nextHandle++;
    r.handles.emplace(id, std::move(handle));
    return id;
}

int SetNamedEvent(int handle) {
    std::shared_ptr<Handle> h = registry().find(handle);
    if (!h) return kBadHandle;
    {
        std::lock_guard lock(h->event->mutex);
        h->event->signalled = true;
    }
    // Every waiter checks again; for an auto-reset event the first one takes the signal.
    h->event->changed.notify_all();
    return 0;
}

int ResetNamedEvent(int handle) {
    std::shared_ptr<Handle> h = registry().find(handle);
    if (!h) return kBadHandle;
    std::lock_guard lock(h->event->mutex);
    h->event->signalled = false;
    return 0;
}

int WaitForNamedEvent(int handle, int timeoutMs) {
    std::shared_ptr<Handle> h = registry().find(handle);
    if (!h) return kBadHandle;
    Event& e = *h->event;
    std::unique_lock lock(e.mutex);
    auto ready = [&] { return h->closed || e.signalled; };
    if (timeoutMs < 0) {
        e.changed.wait(lock, ready);
    } else if (!e.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return 0;
    }
    if (h->closed) return kBadHandle;
    if (!e.manualReset) e.signalled = false;
    return 1;
}

int CloseNamedEvent(int handle) {
    Registry& r = registry();
    std::shared_ptr<Handle> h;
    {
        std::lock_guard lock(r.mutex);
        auto it = r.handles.find(handle);
        if (it == r.handles.end()) return kBadHandle;
        h = std::move(it->second);
        r.handles.erase(it);
        // The name is free again once its last handle is closed.
        if (--h->event->openHandles == 0 && !h->event->name.empty()) r.names.erase(h->event->name);
    }
    {
        std::lock_guard lock(h->event->mutex);
        h->closed = true;
    }
    h->event->changed.notify_all();
    return 0;
}
