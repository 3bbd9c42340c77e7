// Test helper: runs the device simulator (corvane-sim from the program folder) as a child
// process and ends it with the test.
#pragma once

#include "tests/serial/pty_pair.h"

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testpty {

inline std::string simulatorPath() {
    return std::string(CORVANE_BIN_DIR) + "/corvane-sim";
}

class SimProcess {
  public:
    // Starts the simulator with these arguments and --path-file; waits for its terminal.
    explicit SimProcess(std::vector<std::string> args, double startSeconds = 10.0) {
        pathFile_ = dir_.file("sim.path");
        args.insert(args.begin(), simulatorPath());
        args.push_back("--path-file");
        args.push_back(pathFile_);
        pid_ = spawn(args);
        if (pid_ <= 0) return;
        waitFor(
            [&] {
                std::ifstream in(pathFile_);
                return static_cast<bool>(std::getline(in, path_)) && !path_.empty();
            },
            startSeconds);
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return pid_ > 0 && !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return dir_.file(name); }
    pid_t pid() const { return pid_; }

    // Waits for the process to end by itself; returns its exit status, or -1.
    int waitExit(double seconds) {
        int status = -1;
        const bool ended = waitFor(
            [&] {
                if (pid_ <= 0) return true;
                pid_t r = ::waitpid(pid_, &status, WNOHANG);
                if (r == pid_) pid_ = -1;
                return r == pid_ || pid_ < 0;
            },
            seconds);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        if (waitExit(5.0) < 0 && pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    // Runs the simulator to its end (for --help and bad options): exit status and output.
    static int runToEnd(const std::vector<std::string>& args, std::string* output) {
        TempDir dir;
        const std::string out = dir.file("out.txt");
        std::vector<std::string> all{simulatorPath()};
        all.insert(all.end(), args.begin(), args.end());
        pid_t pid = spawn(all, out);
        int status = 0;
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
        std::ifstream in(out);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    static pid_t spawn(const std::vector<std::string>& args, const std::string& outputFile = "") {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
            if (::getppid() != parent) ::_exit(126);
            const int out = outputFile.empty()
                                ? ::open("/dev/null", O_WRONLY)
                                : ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                ::dup2(out, STDOUT_FILENO);
                ::dup2(out, STDERR_FILENO);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }

    TempDir dir_;
    std::string pathFile_;
    std::string path_;
    pid_t pid_ = -1;
};

} // namespace testpty
