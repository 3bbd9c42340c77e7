// Test helper: a private X display (Xvfb on a display number it picks itself), finding windows
// by title with xdotool, and asking a window to close as a window manager's close box does
// (WM_DELETE_WINDOW), through libX11 loaded at run time.
#pragma once

#include "tests/app/child_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

inline std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// The output of a shell command (stdout only).
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

class XDisplay {
  public:
    // Starts Xvfb; ok() is false when Xvfb is missing or did not come up within 20 s.
    explicit XDisplay(const std::string& logFile) {
        const std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) return;
        int fds[2];
        if (::pipe(fds) != 0) return;
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "1280x1024x24", "-nolisten", "tcp"},
            EnvironmentWithout({}), logFile, std::vector<int>{fds[1]});
        ::close(fds[1]);
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char c;
            const ssize_t n = ::read(fds[0], &c, 1);
            if (n <= 0) break;
            if (c == '\n') break;
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }

    bool ok() const { return !display_.empty(); }
    const std::string& name() const { return display_; }

    // The ids of the windows whose title matches `regex` exactly (xdotool search).
    std::string searchTitle(const std::string& regex) const {
        return CommandOutput("DISPLAY=" + display_ + " xdotool search --name '" + regex +
                             "' 2>/dev/null");
    }
    // Waits for a window titled by `regex`; returns its id or 0.
    unsigned long waitForWindow(const std::string& regex, double seconds) const {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(seconds));
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string ids = searchTitle(regex);
            if (!ids.empty()) return std::strtoul(ids.c_str(), nullptr, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }

    // The window's size as xdotool reports it; false when it cannot be read.
    bool windowSize(unsigned long window, int* width, int* height) const {
        const std::string out =
            CommandOutput("DISPLAY=" + display_ + " xdotool getwindowgeometry " +
                          std::to_string(window) + " 2>/dev/null");
        const size_t at = out.find("Geometry: ");
        if (at == std::string::npos) return false;
        return std::sscanf(out.c_str() + at, "Geometry: %dx%d", width, height) == 2;
    }

    // Sends WM_DELETE_WINDOW to the window, as a window manager's close box does.
    bool requestClose(unsigned long window) const {
        void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (x11 == nullptr) return false;
        using OpenFn = void* (*)(const char*);
        using AtomFn = unsigned long (*)(void*, const char*, int);
        using SendFn = int (*)(void*, unsigned long, int, long, void*);
        using DisplayFn = int (*)(void*);
        auto open = reinterpret_cast<OpenFn>(::dlsym(x11, "XOpenDisplay"));
        auto atom = reinterpret_cast<AtomFn>(::dlsym(x11, "XInternAtom"));
        auto send = reinterpret_cast<SendFn>(::dlsym(x11, "XSendEvent"));
        auto flush = reinterpret_cast<DisplayFn>(::dlsym(x11, "XFlush"));
        auto close = reinterpret_cast<DisplayFn>(::dlsym(x11, "XCloseDisplay"));
        bool sent = false;
        if (open && atom && send && flush && close) {
            if (void* dpy = open(display_.c_str())) {
                // XClientMessageEvent inside the 24-long XEvent union.
                struct ClientMessage {
                    int type;
                    unsigned long serial;
                    int sendEvent;
                    void* display;
                    unsigned long window;
                    unsigned long messageType;
                    int format;
                    long data[5];
                };
                union Event {
                    ClientMessage message;
                    long pad[24];
                } event{};
                constexpr int kClientMessage = 33;
                event.message.type = kClientMessage;
                event.message.display = dpy;
                event.message.window = window;
                event.message.messageType = atom(dpy, "WM_PROTOCOLS", 0);
                event.message.format = 32;
                event.message.data[0] = static_cast<long>(atom(dpy, "WM_DELETE_WINDOW", 0));
                event.message.data[1] = 0; // CurrentTime
                sent = send(dpy, window, 0, 0, &event) != 0;
                flush(dpy);
                close(dpy);
            }
        }
        ::dlclose(x11);
        return sent;
    }

  private:
    std::unique_ptr<ChildProcess> server_;
    std::string display_;
};
