#include "shell/window_title.h"

#include "runtime/system.h"
#include "shell/this_path.h"

#include <cstdio>
#include <cstring>

std::string MainWorking_TitleText(const std::string& softwareName, const char* argv0) {
    std::string title = softwareName;
    if (argv0 == nullptr || *argv0 == '\0') return title;
    char folder[THIS_PATH_MIN_SIZE * 2];
    if (GetThisPath(folder, sizeof folder) == nullptr) return title;
    // Only the file name of argv[0]: the program may have been started by a relative path.
    const char* slash = std::strrchr(argv0, '/');
    const std::string executable = std::string(folder) + "/" + (slash ? slash + 1 : argv0);

    FileVersion v;
    if (!ReadFileVersion(executable, &v)) return title;
    char version[64];
    std::snprintf(version, sizeof version, " - %u.%u.%u.%u", v.major, v.minor, v.patch, v.build);
    return title + version;
}
