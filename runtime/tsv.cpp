// Thread-safe variables: a zeroed block of bytes behind a lock that the owning thread may take
// again (nested Get/Release pairs). Discarding wakes every waiter with a failure; a block that
// is locked by another thread stays alive until that thread releases it.
#include "runtime/threads.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace {

constexpr int kBadHandle = -1;
constexpr int kBadArgument = -2;
constexpr int kOutOfMemory = -3;
constexpr int kNotOwner = -4;

struct Tsv {
    std::mutex mutex;
    std::condition_variable released;
    std::unique_ptr<std::max_align_t[]> block;
    std::thread::id owner;
    int depth = 0;
    bool discarded = false;
};

struct Registry {
    std::mutex mutex;
    std::map<int, std::shared_ptr<Tsv>> variables;
    int nextHandle = 1;

    std::shared_ptr<Tsv> find(int handle) {
        std::lock_guard lock(mutex);
        auto it = variables.find(handle);
        return it == variables.end() ? nullptr : it->second;
    }
    void erase(int handle, const std::shared_ptr<Tsv>& tsv) {
        std::lock_guard lock(mutex);
        auto it = variables.find(handle);
        if (it != variables.end() && it->second == tsv) variables.erase(it);
    }
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

} // namespace

int CmtNewTSV(std::size_t size, int* handle) {
    if (handle == nullptr) return kBadArgument;
    auto tsv = std::make_shared<Tsv>();
    std::size_t units = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    tsv->block.reset(new (std::nothrow) std::max_align_t[units == 0 ? 1 : units]());
    if (!tsv->block) return kOutOfMemory;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    *handle = r.nextHandle++;
    r.variables.emplace(*handle, std::move(tsv));
    return 0;
}

int CmtGetTSVPtr(int handle, void** block) {
    if (block == nullptr) return kBadArgument;
    std::shared_ptr<Tsv> tsv = registry().find(handle);
    if (!tsv) return kBadHandle;
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(tsv->mutex);
    tsv->released.wait(lock,
                       [&] { return tsv->discarded || tsv->depth == 0 || tsv->owner == self; });
    if (tsv->discarded) return kBadHandle;
    tsv->owner = self;
    ++tsv->depth;
    *block = tsv->block.get();
    return 0;
}

int CmtReleaseTSVPtr(int handle) {
    std::shared_ptr<Tsv> tsv = registry().find(handle);
    if (!tsv) return kBadHandle;
    bool forget = false;
    {
        std::lock_guard lock(tsv->mutex);
        if (tsv->depth == 0 || tsv->owner != std::this_thread::get_id()) return kNotOwner;
        if (--tsv->depth == 0) {
            tsv->owner = {};
            forget = tsv->discarded; // discarded while we held it
        }
    }
    tsv->released.notify_all();
    if (forget) registry().erase(handle, tsv);
    return 0;
}

int CmtDiscardTSV(int handle) {
    std::shared_ptr<Tsv> tsv = registry().find(handle);
    if (!tsv) return kBadHandle;
    bool forget = false;
    {
        std::lock_guard lock(tsv->mutex);
        if (tsv->discarded) return kBadHandle;
        tsv->discarded = true;
        // Held by another thread: its block stays valid until it releases it.
        forget = tsv->depth == 0 || tsv->owner == std::this_thread::get_id();
    }
    tsv->released.notify_all();
    if (forget) registry().erase(handle, tsv);
    return 0;
}
