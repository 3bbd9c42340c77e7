#include "runtime/serial_map.h"

#include "runtime/inifile.h"
#include "runtime/serial.h"
#include "runtime/system.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>

#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr const char* kSection = "Ports";
constexpr const char* kConfigName = "/CRV_Config.ini";
constexpr int kSectionBufferSize = 1 << 16;
constexpr const char* kDefaultByIdFolder = "/dev/serial/by-id";

// Guards the overrides and keeps this program's read-change-write passes over the map apart.
std::mutex mapMutex;
std::string configOverride;
std::string byIdFolder = kDefaultByIdFolder;
std::function<std::vector<DetectedSerialPort>()> detectorOverride;

struct MapLine {
    int number;
    std::string device;
};

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// n of a key "COMn" (any letter case), or 0.
int portNumberOfKey(const std::string& key) {
    if (key.size() < 4) return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(key[i])) != "COM"[i]) return 0;
    }
    long n = 0;
    for (size_t i = 3; i < key.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(key[i]))) return 0;
        n = n * 10 + (key[i] - '0');
        if (n > COM_MAX_PORT) return 0;
    }
    return static_cast<int>(n);
}

std::string configPathLocked() {
    if (!configOverride.empty()) return configOverride;
    const std::string exe = GetExecutablePath();
    const auto slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + kConfigName;
}

// The map's lines in file order; malformed lines and repeated numbers (after the first) are
// ignored.
std::vector<MapLine> readMap(const std::string& file) {
    std::vector<char> buffer(kSectionBufferSize);
    const int used =
        GetPrivateProfileSection(kSection, buffer.data(), kSectionBufferSize, file.c_str());
    std::vector<MapLine> lines;
    for (int pos = 0; pos < used && buffer[static_cast<size_t>(pos)] != '\0';) {
        const std::string entry(&buffer[static_cast<size_t>(pos)]);
        pos += static_cast<int>(entry.size()) + 1;
        const auto eq = entry.find('=');
        if (eq == std::string::npos) continue;
        const int number = portNumberOfKey(trimmed(entry.substr(0, eq)));
        const std::string device = trimmed(entry.substr(eq + 1));
        if (number <= 0 || device.empty()) continue;
        const bool repeated = std::any_of(lines.begin(), lines.end(),
                                          [&](const MapLine& l) { return l.number == number; });
        if (!repeated) lines.push_back({number, device});
    }
    return lines;
}

bool present(const std::string& device) {
    struct stat st {};
    return ::stat(device.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool sameDevice(const std::string& a, const std::string& b) {
    if (a == b) return true;
    const std::string ra = realPath(a);
    return !ra.empty() && ra == realPath(b);
}

// The stable name of a device: the entry of the by-id folder that points at it.
std::string stableName(const std::string& device) {
    const std::string target = realPath(device);
    if (target.empty()) return device;
    DIR* dir = ::opendir(byIdFolder.c_str());
    if (dir == nullptr) return device;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end()); // the same choice on every run
    for (const std::string& name : names) {
        const std::string link = byIdFolder + "/" + name;
        if (realPath(link) == target) return link;
    }
    return device;
}

int lowestFreeNumber(const std::vector<MapLine>& lines) {
    for (int n = 1; n <= COM_MAX_PORT; ++n) {
        if (std::none_of(lines.begin(), lines.end(),
                         [&](const MapLine& l) { return l.number == n; })) {
            return n;
        }
    }
    return -1;
}

bool writeLine(const std::string& file, int number, const std::string& device) {
    const std::string key = "COM" + std::to_string(number);
    return WritePrivateProfileString(kSection, key.c_str(), device.c_str(), file.c_str()) == 1;
}

std::string fallbackDescription(const std::string& device) {
    if (device.rfind("/dev/pts/", 0) == 0) return "pseudo-terminal";
    return "serial port";
}

} // namespace

std::string SerialMapConfigPath() {
    std::lock_guard lock(mapMutex);
    return configPathLocked();
}

void SetSerialMapConfigPath(const std::string& path) {
    std::lock_guard lock(mapMutex);
    configOverride = path;
}

void SetSerialDetectorForTesting(std::function<std::vector<DetectedSerialPort>()> detector) {
    std::lock_guard lock(mapMutex);
    detectorOverride = std::move(detector);
}

void SetSerialByIdFolderForTesting(const std::string& folder) {
    std::lock_guard lock(mapMutex);
    byIdFolder = folder.empty() ? kDefaultByIdFolder : folder;
}

std::vector<SerialPortEntry> ListSerialPorts() {
    std::lock_guard lock(mapMutex);
    const std::string file = configPathLocked();
    std::vector<MapLine> lines = readMap(file);
    const std::vector<DetectedSerialPort> detected =
        detectorOverride ? detectorOverride() : DetectSerialPorts();

    std::map<std::string, std::string> descriptions; // by real path
    for (const DetectedSerialPort& d : detected) {
        const std::string real = realPath(d.device);
        if (real.empty()) continue; // vanished since it was listed
        descriptions[real] = d.description;
        const bool known = std::any_of(lines.begin(), lines.end(), [&](const MapLine& l) {
            return sameDevice(l.device, d.device);
        });
        if (known) continue;
        const int number = lowestFreeNumber(lines);
        if (number < 0) break;
        const std::string name = stableName(d.device);
        // Listed even when the file cannot be written; the number then holds for this run only.
        writeLine(file, number, name);
        lines.push_back({number, name});
    }

    std::vector<SerialPortEntry> ports;
    for (const MapLine& l : lines) {
        if (!present(l.device)) continue;
        auto it = descriptions.find(realPath(l.device));
        std::string description = it != descriptions.end() && !it->second.empty()
                                      ? it->second
                                      : fallbackDescription(l.device);
        ports.push_back({l.number, l.device, std::move(description)});
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return a.number < b.number;
    });
    return ports;
}

std::string SerialPortDevice(int number) {
    {
        std::lock_guard lock(mapMutex);
        for (const MapLine& l : readMap(configPathLocked())) {
            if (l.number == number) return present(l.device) ? l.device : std::string();
        }
    }
    // Not in the map yet: a device plugged in since the last listing gets its number now.
    for (const SerialPortEntry& p : ListSerialPorts()) {
        if (p.number == number) return p.device;
    }
    return "";
}

int AssignSerialPort(const std::string& device, int number) {
    std::lock_guard lock(mapMutex);
    const std::string file = configPathLocked();
    const std::vector<MapLine> lines = readMap(file);
    if (number == 0) {
        for (const MapLine& l : lines) {
            if (sameDevice(l.device, device)) return l.number;
        }
        number = lowestFreeNumber(lines);
    }
    if (number < 1 || number > COM_MAX_PORT) return -1;
    return writeLine(file, number, device) ? number : -1;
}
