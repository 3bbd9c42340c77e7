// The configuration file beside the program: the program folder followed by "/CRV_Config.ini".
#pragma once

#include <string>

constexpr const char* CONFIG_FILE_NAME = "/CRV_Config.ini";
constexpr const char* CONFIG_SECTION = "Section";
// Size of every text buffer that start-up reads a configuration key into.
constexpr int CONFIG_VALUE_SIZE = 500;

// The path of the configuration file, or "" when the program folder cannot be found (every
// key then reads as its default).
std::string MainWorking_ConfigFilePath();
