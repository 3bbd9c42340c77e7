// corvane-sim: a Corvane device on a pseudo-terminal, for tests, benchmarks and the demo.
#include "runtime/serial_map.h"
#include "tools/sim_device.h"
#include "tools/sim_log.h"
#include "tools/sim_options.h"
#include "tools/sim_pty.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <random>
#include <string>

#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxLine = 512;               // longer command lines are discarded
constexpr double kLineBytesPerSecond = 5760.0; // 57600 baud, 10 bits per byte
constexpr size_t kMaxPendingReplies = 256;     // a reader that stopped reading: drop beyond this

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}

struct Reply {
    Clock::time_point due;
    std::string text;    // without CR
    long streamSequence; // >= 0: a stream reply, formatted with its send time
};

long long monotonicMicros(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

// Time from now until t, at least 0 and at most a minute.
Clock::duration until(Clock::time_point t, Clock::time_point now) {
    if (t <= now) return Clock::duration::zero();
    return std::min<Clock::duration>(t - now, std::chrono::minutes(1));
}

bool writePathFile(const std::string& file, const std::string& path, std::string* error) {
    // Written aside and renamed, so that a reader never sees half a path.
    const std::string temp = file + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << path << "\n";
        if (!out.good()) {
            *error = "cannot write " + temp;
            return false;
        }
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        *error = "cannot write " + file + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

class Simulator {
  public:
    Simulator(const SimOptions& options, SimPty& pty, SimLog& log)
        : options_(options), pty_(pty), log_(log),
          device_(options.product, options.channels,
                  options.seeded ? options.seed : std::random_device{}()) {}

    int run();

  private:
    void received(const char* bytes, size_t n);
    void command(const std::string& line);
    void queue(const std::vector<std::string>& answers, Clock::time_point now);
    void tickStream(Clock::time_point now);
    bool sendNext(Clock::time_point now); // false on a fatal error
    Clock::duration timeout(Clock::time_point now) const;

    const SimOptions& options_;
    SimPty& pty_;
    SimLog& log_;
    SimDevice device_;

    std::string line_;
    size_t discarding_ = 0; // bytes of an overlong line being dropped

    std::deque<Reply> replies_;
    std::string sending_; // the reply being written, with its CR
    size_t sendingOffset_ = 0;
    Clock::time_point lineFree_{};

    bool streaming_ = false;
    Clock::time_point nextTick_{};
    Clock::duration tickPeriod_{};
    long streamed_ = 0;

    long linesReceived_ = 0;
    long linesSent_ = 0;
};

void Simulator::received(const char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\n') {
            if (discarding_ > 0) {
                log_.note("discarded an overlong line of " + std::to_string(discarding_) +
                          " bytes");
                discarding_ = 0;
            } else {
                std::string line = line_;
                while (!line.empty() && line.back() == '\r')
                    line.pop_back();
                command(line);
            }
            line_.clear();
        } else if (discarding_ > 0) {
            ++discarding_;
        } else if (line_.size() >= kMaxLine) {
            discarding_ = line_.size() + 1;
            line_.clear();
        } else {
            line_ += c;
        }
    }
}

void Simulator::command(const std::string& line) {
    ++linesReceived_;
    log_.line("RX", line);
    std::vector<std::string> answers = device_.answer(line);
    if (options_.fault == SimFault::Silence) answers.clear();
    if (options_.fault == SimFault::Garbage) answers = device_.garbage();
    queue(answers, Clock::now());
}

void Simulator::queue(const std::vector<std::string>& answers, Clock::time_point now) {
    for (const std::string& a : answers) {
        if (replies_.size() >= kMaxPendingReplies) {
            log_.note("nobody reads: dropped " + SimLog::escaped(a));
            continue;
        }
        replies_.push_back({now + std::chrono::milliseconds(options_.slowMs), a, -1});
    }
}

void Simulator::tickStream(Clock::time_point now) {
    if (!streaming_) return;
    while (nextTick_ <= now) {
        if (options_.streamCount >= 0 && streamed_ >= options_.streamCount) {
            streaming_ = false;
            log_.note("stream ended after " + std::to_string(streamed_) + " replies");
            return;
        }
        // A device cannot send faster than its line: while replies wait, the tick is skipped.
        if (replies_.size() < 2) replies_.push_back({now, "", streamed_++});
        nextTick_ += tickPeriod_;
        if (nextTick_ + std::chrono::seconds(1) < now) nextTick_ = now; // no burst after a stall
    }
}

bool Simulator::sendNext(Clock::time_point now) {
    if (sending_.empty()) {
        if (replies_.empty() || replies_.front().due > now) return true;
        if (options_.lineRate && lineFree_ > now) return true;
        Reply r = std::move(replies_.front());
        replies_.pop_front();
        if (r.streamSequence >= 0)
            r.text = SimDevice::streamReply(r.streamSequence, monotonicMicros(Clock::now()));
        sending_ = r.text + "\r";
        sendingOffset_ = 0;
        log_.line("TX", sending_);
    }
    while (sendingOffset_ < sending_.size()) {
        const ssize_t n = ::write(pty_.master(), sending_.data() + sendingOffset_,
                                  sending_.size() - sendingOffset_);
        if (n > 0) {
            sendingOffset_ += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true; // the program's side is full: wait for room
        log_.note(std::string("cannot write to the terminal: ") + std::strerror(errno));
        return false;
    }
    if (options_.lineRate) {
        const auto duration = std::chrono::duration<double>(static_cast<double>(sending_.size()) /
                                                            kLineBytesPerSecond);
        // A line that stayed busy goes on from where it was free, so that late wake-ups do not
        // slow it down; an idle line starts now.
        const Clock::time_point from =
            lineFree_ + std::chrono::milliseconds(5) >= now ? lineFree_ : now;
        lineFree_ = from + std::chrono::duration_cast<Clock::duration>(duration);
    }
    ++linesSent_;
    sending_.clear();
    return true;
}

Clock::duration Simulator::timeout(Clock::time_point now) const {
    Clock::duration wait = std::chrono::minutes(1);
    if (sending_.empty() && !replies_.empty()) {
        Clock::time_point next = replies_.front().due;
        if (options_.lineRate) next = std::max(next, lineFree_);
        wait = std::min(wait, until(next, now));
    }
    if (streaming_) wait = std::min(wait, until(nextTick_, now));
    return wait;
}

int Simulator::run() {
    const Clock::time_point start = Clock::now();
    const bool hangup = options_.hangupAfterS >= 0.0;
    const Clock::time_point hangupAt =
        start + std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(std::max(0.0, options_.hangupAfterS)));
    if (options_.streamHz > 0.0) {
        streaming_ = true;
        tickPeriod_ = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / options_.streamHz));
        nextTick_ = start;
    }

    sigset_t blocked, original;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGHUP);
    sigprocmask(SIG_BLOCK, &blocked, &original);

    int result = 0;
    while (g_stop == 0) {
        Clock::time_point now = Clock::now();
        if (hangup && now >= hangupAt) {
            log_.note("hang-up: the terminal is closed");
            pty_.close();
            break;
        }
        tickStream(now);
        if (!sendNext(now)) {
            result = 1;
            break;
        }
        Clock::duration wait = timeout(now);
        if (hangup) wait = std::min(wait, until(hangupAt, now));

        pollfd p{pty_.master(), static_cast<short>(POLLIN | (sending_.empty() ? 0 : POLLOUT)), 0};
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        const timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        const int ready = ::ppoll(&p, 1, &ts, &original);
        if (ready < 0) {
            if (errno == EINTR) continue;
            log_.note(std::string("poll failed: ") + std::strerror(errno));
            result = 1;
            break;
        }
        if (ready > 0 && (p.revents & POLLIN) != 0) {
            char bytes[4096];
            const ssize_t n = ::read(pty_.master(), bytes, sizeof bytes);
            if (n > 0) {
                received(bytes, static_cast<size_t>(n));
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                log_.note(std::string("cannot read the terminal: ") + std::strerror(errno));
                result = 1;
                break;
            }
        }
    }
    log_.note("received " + std::to_string(linesReceived_) + " lines, sent " +
              std::to_string(linesSent_) + " lines");
    return result;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "corvane-sim: %s\n\n%s", error.c_str(), SimUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return 0;
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimLog log;
    SimPty pty;
    if (!log.open(options.logFile, options.verbose, &error) || !pty.open(&error)) {
        std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
        return 1;
    }
    int number = 0;
    if (!options.configFile.empty()) {
        SetSerialMapConfigPath(options.configFile);
        number = AssignSerialPort(pty.path(), options.port);
        if (number < 0) {
            std::fprintf(stderr, "corvane-sim: cannot write %s\n", options.configFile.c_str());
            return 1;
        }
    }
    if (!options.pathFile.empty() && !writePathFile(options.pathFile, pty.path(), &error)) {
        std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", pty.path().c_str());
    if (number > 0) std::printf("COM%d\n", number);
    std::fflush(stdout);
    log.note(std::string(SimProductName(options.product)) + " on " + pty.path() +
             (number > 0 ? " as COM" + std::to_string(number) : std::string()));

    Simulator simulator(options, pty, log);
    return simulator.run();
}
