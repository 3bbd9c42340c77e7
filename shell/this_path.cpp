#include "shell/this_path.h"

#include "runtime/system.h"

#include <cstring>
#include <string>

char* GetThisPath(char* buffer, int size) {
    if (buffer == nullptr || size < THIS_PATH_MIN_SIZE) return nullptr;
    std::string path = GetExecutablePath();
    // A cut-off path would name a wrong folder.
    if (path.empty() || path.size() >= static_cast<std::size_t>(size)) return nullptr;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    for (std::size_t i = path.size() - 1; i >= 1; --i) {
        if (buffer[i] == '/' || buffer[i] == '\\') {
            buffer[i] = '\0';
            break;
        }
    }
    return buffer;
}
