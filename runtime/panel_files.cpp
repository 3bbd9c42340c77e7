// The panel folder and the case-insensitive look-up of panel file names.
#include "runtime/panel_files.h"

#include "runtime/system.h"
#include "runtime/userint.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::mutex folderMutex;
std::string folderSet; // empty = the program folder

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// The entry of `folder` named `part`: the exact name when it exists, else the first (by byte
// order) whose name differs only in letter case.
bool FindEntry(const fs::path& folder, const std::string& part, fs::path* out) {
    std::error_code ec;
    if (fs::exists(folder / part, ec)) {
        *out = folder / part;
        return true;
    }
    std::string best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (SameIgnoringCase(entry, part) && (best.empty() || entry < best)) best = entry;
    }
    if (best.empty()) return false;
    *out = folder / best;
    return true;
}

} // namespace

void SetPanelFileFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(folderMutex);
    folderSet = folder;
}

std::string GetPanelFileFolder() {
    {
        std::lock_guard<std::mutex> lock(folderMutex);
        if (!folderSet.empty()) return folderSet;
    }
    std::string exe = GetExecutablePath();
    if (exe.empty()) return ".";
    std::string folder = fs::path(exe).parent_path().string();
    return folder.empty() ? "." : folder;
}

namespace corvane::model {

bool ResolvePanelFile(const std::string& name, std::string* path, std::string* where) {
    fs::path given(name);
    fs::path folder;
    std::vector<std::string> parts;
    if (given.is_absolute()) {
        folder = given.parent_path();
        parts.push_back(given.filename().string());
    } else {
        folder = GetPanelFileFolder();
        for (const auto& part : given)
            parts.push_back(part.string());
    }
    *where = folder.string();
    if (name.empty()) return false;
    fs::path current = folder;
    for (const auto& part : parts) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            current /= part;
            continue;
        }
        fs::path next;
        if (!FindEntry(current, part, &next)) return false;
        current = next;
    }
    std::error_code ec;
    if (!fs::is_regular_file(current, ec)) return false;
    *path = current.string();
    return true;
}

bool ReadPanelFile(const std::string& path, std::string* bytes, std::string* reason) {
    constexpr std::uintmax_t kMaxSize = 16u << 20; // far above any panel file
    std::error_code ec;
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        *reason = "cannot read the file: " + ec.message();
        return false;
    }
    if (size > kMaxSize) {
        *reason = "the file is too large for a panel file (" + std::to_string(size) + " bytes)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *reason = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    bytes->assign(static_cast<size_t>(size), '\0');
    in.read(bytes->data(), static_cast<std::streamsize>(size));
    bytes->resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        *reason = "cannot read the file";
        return false;
    }
    return true;
}

} // namespace corvane::model
