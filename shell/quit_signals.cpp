#include "shell/quit_signals.h"

#include "runtime/events.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr char kStopByte = 0; // from QuitSignals_Remove; any other byte is a signal number
constexpr int kRetryMs = 50;  // a signal before the user interface exists is retried

int pipeFds[2] = {-1, -1};
std::thread watcher;
const int kSignals[] = {SIGINT, SIGTERM};

void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    // Non-blocking: a full pipe already holds a request, so the byte is not needed.
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

// Asks the user-interface thread to end the loop; false while there is no user interface yet.
bool RequestQuit() {
    return PostDeferredCall([] { QuitUserInterface(0); }) == 0;
}

void Watch(int readFd) {
    bool pending = false;
    for (;;) {
        pollfd p{readFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, pending ? kRetryMs : -1);
        if (ready < 0 && errno != EINTR) return;
        if (ready > 0) {
            char byte = 0;
            const ssize_t n = ::read(readFd, &byte, 1);
            if (n == 0) return; // the write end is gone
            if (n == 1) {
                if (byte == kStopByte) return;
                pending = true;
            }
        }
        if (pending && RequestQuit()) pending = false;
    }
}

void CloseFds() {
    for (int& fd : pipeFds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

} // namespace

int QuitSignals_Install() {
    if (watcher.joinable()) return 0;
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    ::fcntl(pipeFds[1], F_SETFL, ::fcntl(pipeFds[1], F_GETFL) | O_NONBLOCK);
    try {
        watcher = std::thread(Watch, pipeFds[0]);
    } catch (...) {
        CloseFds();
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals) {
        if (::sigaction(sig, &action, nullptr) != 0) {
            QuitSignals_Remove();
            return -1;
        }
    }
    return 0;
}

void QuitSignals_Remove() {
    if (!watcher.joinable()) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        ::sigaction(sig, &action, nullptr);
    // Blocking write of the stop byte: the watcher drains the pipe, so it gets through.
    ::fcntl(pipeFds[1], F_SETFL, ::fcntl(pipeFds[1], F_GETFL) & ~O_NONBLOCK);
    const char stop = kStopByte;
    while (::write(pipeFds[1], &stop, 1) < 0 && errno == EINTR) {
    }
    watcher.join();
    CloseFds();
}
