#include "runtime/system.h"

#include <mutex>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {
std::mutex overrideMutex;
std::string overridePath; // empty = the real path
} // namespace

std::string GetExecutablePath() {
    {
        std::lock_guard lock(overrideMutex);
        if (!overridePath.empty()) return overridePath;
    }
    // readlink does not say whether it truncated: grow until the result fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
}

void SetExecutablePathForTesting(const std::string& path) {
    std::lock_guard lock(overrideMutex);
    overridePath = path;
}
