// Test helper: runs a program as a child process with its own environment and its output in a
// file, waits for it with a time limit and never lets it outlive the test.
#pragma once

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class ChildProcess {
  public:
    // Starts `args` (args[0] is the program path) with exactly `env`; stdout and stderr go to
    // outputFile. Extra descriptors in `keepFds` are passed on unchanged.
    ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 const std::string& outputFile, const std::vector<int>& keepFds = {})
        : output_(outputFile) {
        std::vector<char*> argv, envp;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(126);
            const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                ::dup2(out, STDOUT_FILENO);
                ::dup2(out, STDERR_FILENO);
            }
            const int in = ::open("/dev/null", O_RDONLY);
            if (in >= 0) ::dup2(in, STDIN_FILENO);
            for (int fd : keepFds)
                ::fcntl(fd, F_SETFD, 0);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            finish(status);
            return false;
        }
        return true;
    }

    // The exit code once the process has ended by itself within `seconds`; -1 when it is still
    // running (it is left running), -2 when it ended by a signal.
    int waitExit(double seconds) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(seconds));
        while (running()) {
            if (std::chrono::steady_clock::now() >= deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return code_;
    }

    void signal(int sig) {
        if (pid_ > 0) ::kill(pid_, sig);
    }
    // SIGTERM, then SIGKILL when it has not ended within 3 s.
    void stop() {
        if (pid_ <= 0) return;
        signal(SIGTERM);
        if (waitExit(3.0) == -1) kill();
    }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    std::string output() const {
        std::ifstream in(output_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    void finish(int status) {
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        pid_ = -1;
    }

    std::string output_;
    pid_t pid_ = -1;
    int code_ = -1;
};

// The environment of this process without the variables named, plus `extra`.
inline std::vector<std::string> EnvironmentWithout(const std::vector<std::string>& names,
                                                   const std::vector<std::string>& extra = {}) {
    extern char** environ;
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool drop = false;
        for (const auto& n : names)
            if (entry.compare(0, n.size() + 1, n + "=") == 0) drop = true;
        if (!drop) env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}
