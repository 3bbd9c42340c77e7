#include "tools/sim_log.h"

#include <cerrno>
#include <cstring>

SimLog::~SimLog() {
    if (file_ != nullptr) std::fclose(file_);
}

bool SimLog::open(const std::string& file, bool toStderr, std::string* error) {
    toStderr_ = toStderr;
    if (file.empty()) return true;
    file_ = std::fopen(file.c_str(), "a");
    if (file_ == nullptr) {
        *error = "cannot open the log " + file + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string SimLog::escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void SimLog::write(const std::string& text) {
    if (file_ == nullptr && !toStderr_) return;
    const double t =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.6f ", t);
    const std::string out = stamp + text + "\n";
    if (file_ != nullptr) {
        std::fputs(out.c_str(), file_);
        std::fflush(file_);
    }
    if (toStderr_) std::fputs(out.c_str(), stderr);
}

void SimLog::line(const char* direction, const std::string& bytes) {
    write(std::string(direction) + " " + escaped(bytes));
}

void SimLog::note(const std::string& text) {
    write("-- " + text);
}
