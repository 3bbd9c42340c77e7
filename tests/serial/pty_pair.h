// Test helper: a pseudo-terminal pair. The test plays the device on the master side; the
// program under test opens the slave path like a serial device. A slave descriptor is held
// open (in raw mode) so that the master keeps working while the program closes and reopens.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace testpty {

class PtyPair {
  public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) return;
        slavePath_ = name;
        heldSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (heldSlave_ >= 0 && ::tcgetattr(heldSlave_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(heldSlave_, TCSANOW, &tio);
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && heldSlave_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }
    int heldSlave() const { return heldSlave_; }

    // Writes all bytes to the program (as the device does).
    bool send(const std::string& bytes) {
        size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return false;
            } else {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 50);
            }
        }
        return done == bytes.size();
    }

    // Reads what the program wrote: until `count` bytes, or until `seconds` have passed.
    std::string receive(size_t count, double seconds) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(seconds));
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char buf[4096];
            ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - got.size()));
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
        return got;
    }

    // Unplugs the device: the program's side sees a hang-up.
    void hangUp() {
        if (master_ >= 0) ::close(master_);
        if (heldSlave_ >= 0) ::close(heldSlave_);
        master_ = heldSlave_ = -1;
    }

  private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

// Waits until pred() holds or `seconds` pass; returns pred().
template <typename Pred> bool waitFor(Pred pred, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A temporary folder removed with its contents at the end of the test.
class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/corvane-test-XXXXXX";
        if (::mkdtemp(tmpl) != nullptr) path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

} // namespace testpty
