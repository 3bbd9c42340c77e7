// Control callbacks that panel files name by function name.
#include "runtime/userint.h"

#include <map>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, CtrlCallbackPtr> names;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

void RegisterCallbackName(const std::string& name, CtrlCallbackPtr fn) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (fn)
        r.names[name] = fn;
    else
        r.names.erase(name);
}

CtrlCallbackPtr LookupCallbackName(const std::string& name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.names.find(name);
    return it == r.names.end() ? nullptr : it->second;
}
