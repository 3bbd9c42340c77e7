#include "shell/config_path.h"

#include "shell/this_path.h"

std::string MainWorking_ConfigFilePath() {
    char folder[CONFIG_VALUE_SIZE];
    if (GetThisPath(folder, sizeof folder) == nullptr) return {};
    return std::string(folder) + CONFIG_FILE_NAME;
}
