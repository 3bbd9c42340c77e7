// Starting programs detached from this one: a new session of their own, none of our open
// files (a serial port must not stay open in the program we start), and a thread that reaps
// the process when it ends so that it never lingers as a zombie.
#include "runtime/system.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kNotStarted = -1;
constexpr int kBadArgument = -2;

int spawnDetached(const char* program, char* const argv[], bool searchPath) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return kNotStarted;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return kNotStarted;
    }
    // Only standard input, output and error are passed on.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int error = searchPath ? posix_spawnp(&pid, program, &actions, &attributes, argv, environ)
                           : posix_spawn(&pid, program, &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return kNotStarted;

    try {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // Started all the same; it stays a zombie until this program ends.
    }
    return 0;
}

} // namespace

int LaunchExecutable(const std::string& path) {
    if (path.empty()) return kBadArgument;
    std::string program = path;
    char* const argv[] = {program.data(), nullptr};
    return spawnDetached(program.c_str(), argv, false);
}

int OpenDocumentInDefaultViewer(const std::string& documentOrAddress, int /*windowMode*/) {
    if (documentOrAddress.empty()) return kBadArgument;
    std::string opener = "xdg-open";
    std::string document = documentOrAddress;
    char* const argv[] = {opener.data(), document.data(), nullptr};
    return spawnDetached(opener.c_str(), argv, true);
}
