#include "runtime/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process's umask, read without changing it (umask() would race with other threads).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 022;
}

bool writeAll(int fd, const std::string& content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path, std::string* content) {
    content->clear();
    // Not blocking in open(): a named pipe would wait there for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    // Only regular files: a pipe or a device could block or never end.
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return ReadResult::Failed;
    }
    char buffer[8192];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        content->append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return ReadResult::Ok;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content) {
    std::string target = path;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr) return false;
        target = resolved;
    }
    bool exists = stat(target.c_str(), &info) == 0;
    // Only a regular file is replaced: never a device, a pipe or a folder.
    if (exists && !S_ISREG(info.st_mode)) return false;
    mode_t mode = exists ? (info.st_mode & 07777) : (0666 & ~currentUmask());

    std::size_t slash = target.rfind('/');
    std::string folder =
        slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, mode) == 0 && writeAll(fd, content) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}
