// Private-profile reading and writing of configuration files (see inifile.h).
#include "runtime/inifile.h"
#include "runtime/atomic_file.h"
#include "runtime/ini_document.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

namespace {

// Writers read, change and replace the whole file: one at a time in this program.
std::mutex writeMutex;

std::optional<std::string> lookUp(const char* section, const char* key, const char* file) {
    std::string content;
    if (ReadWholeFile(file, &content) != ReadResult::Ok) return std::nullopt;
    return IniDocument(content).value(TrimBlanks(section), TrimBlanks(key));
}

int copyOut(const std::string& text, char* out, int size) {
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

} // namespace

int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int size, const char* file) {
    if (out == nullptr || size < 1) return 0;
    if (section == nullptr || key == nullptr || file == nullptr) {
        out[0] = '\0';
        return 0;
    }
    std::optional<std::string> value = lookUp(section, key, file);
    return copyOut(value ? *value : std::string(defaultValue != nullptr ? defaultValue : ""), out,
                   size);
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file) {
    if (section == nullptr || key == nullptr || file == nullptr) return 0;
    std::optional<std::string> value = lookUp(section, key, file);
    // An empty value counts as missing, as with the platform's reader.
    if (!value || value->empty()) return defaultValue;
    long number = std::strtol(value->c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(number, INT_MIN, INT_MAX));
}

int GetPrivateProfileSection(const char* section, char* out, int size, const char* file) {
    if (out == nullptr || size < 1) return 0;
    out[0] = '\0';
    if (size > 1) out[1] = '\0';
    if (section == nullptr || file == nullptr) return 0;
    std::string content;
    if (ReadWholeFile(file, &content) != ReadResult::Ok) return 0;
    std::size_t room = static_cast<std::size_t>(size);
    std::size_t used = 0;
    for (const std::string& entry : IniDocument(content).entries(TrimBlanks(section))) {
        // The entry, its zero and the list's closing zero must fit.
        if (used + entry.size() + 2 > room) break;
        std::memcpy(out + used, entry.data(), entry.size());
        used += entry.size();
        out[used++] = '\0';
    }
    out[used] = '\0';
    return static_cast<int>(used);
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* file) {
    if (section == nullptr || key == nullptr || value == nullptr || file == nullptr ||
        *file == '\0')
        return 0;
    std::string sectionName = TrimBlanks(section);
    std::string keyName = TrimBlanks(key);
    std::string text = value;
    // What would break the file's structure is refused: a line break anywhere, a key that
    // would read back as another key, a comment or a section, a section name with "]".
    if (sectionName.empty() || keyName.empty() || hasLineBreak(sectionName) ||
        hasLineBreak(keyName) || hasLineBreak(text) || sectionName.find(']') != std::string::npos ||
        keyName.find('=') != std::string::npos || keyName[0] == '[' || keyName[0] == ';')
        return 0;

    std::lock_guard lock(writeMutex);
    std::string content;
    // A file that exists but cannot be read is left alone rather than overwritten.
    if (ReadWholeFile(file, &content) == ReadResult::Failed) return 0;
    IniDocument document(content);
    if (!document.set(sectionName, keyName, text)) return 1;
    return ReplaceFileAtomically(file, document.text()) ? 1 : 0;
}
