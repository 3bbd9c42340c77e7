// The engine against the device simulator: end-to-end latencies, pieces lost at the full line
// rate and the program's CPU time while connected. The engine runs as in the program (binding
// of the shipped Arvel7.uir, the send and reply threads, the termios port on the simulator's
// pseudo-terminal); the main thread plays the user-interface thread.
//
//   bench_engine_link [--part latency|lost|cpu|all] [--samples N] [--lost-seconds S]
//                     [--cpu-seconds S]
//
// latency  commit of G_D_INQ_0 -> the simulator has read the whole command line (its log, put
//          on this machine's monotonic clock with the send times of its stream replies), and
//          the simulator's write of a stream reply -> the value in D_S_OUT_0 (model observer).
// lost     corvane-sim --stream --line-rate for S seconds: pieces that never reached the reply
//          thread's dispatch (by their sequence numbers). Exits with 1 when one was lost.
// cpu      TIME = 100 ms, connected, S seconds: CPU time of this process (getrusage).
#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "engine/binding.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "runtime/events.h"
#include "runtime/model_view.h"
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "tests/serial/sim_process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr long long kTimeModulus = 10000000000LL; // the stream's 10-digit microsecond stamp
constexpr int kPort = 6;

long long NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

long long Modulo(long long v) {
    return ((v % kTimeModulus) + kTimeModulus) % kTimeModulus;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t i =
        std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

double CpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

long Field(const char* piece, int k) {
    return std::strtol(std::string(piece + 1 + 6 * k, 5).c_str(), nullptr, 10);
}

// Stream replies "D<sequence>,<send us / 100000>,<send us % 100000>" (18 bytes).
bool IsStreamReply(const char* piece, int length) {
    return length == 18 && piece[0] == 'D' && piece[6] == ',' && piece[12] == ',';
}

struct LogLine {
    double t = 0.0;
    std::string dir, text;
};

std::vector<LogLine> ReadLog(const std::string& path) {
    std::vector<LogLine> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LogLine l;
        fields >> l.t >> l.dir;
        std::getline(fields, l.text);
        if (!l.text.empty() && l.text[0] == ' ') l.text.erase(0, 1);
        lines.push_back(l);
    }
    return lines;
}

int CtrlNamed(int panel, const std::string& name) {
    const int id = GetCtrlIdFromConstantName(panel, name);
    return id > 0 ? id : -1;
}

// The program side, prepared as start-up does, with a simulator on COM6.
class Link {
  public:
    explicit Link(std::vector<std::string> simArgs) {
        log_ = dir_.file("sim.log");
        simArgs.insert(simArgs.end(), {"--config", dir_.file("CRV_Config.ini"), "--port",
                                       std::to_string(kPort), "--log", log_});
        sim_ = std::make_unique<testpty::SimProcess>(simArgs);
        SetSerialMapConfigPath(dir_.file("CRV_Config.ini"));
        SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
        ResetUserInterfaceModelForTesting();
        MainWorking_Handovers() = EngineHandovers{};
        MainWorking_INIT_POINTERS(&TheAppRecord());
        CYCLICK_BUF_INIT_POINTERS();
        PortWork_INIT_POINTERS();
        DinamicControl_INIT_POINTERS();
        TheAppRecord().exposeTime.store(5);
        InitUserInterface(0, nullptr);
        SetPanelFileFolder(CORVANE_BIN_DIR);
        panel_ = LoadPanel(0, "Arvel7.uir", 1);
    }
    ~Link() {
        TheAppRecord().stopFlag.store(1);
        MainWorking_WaitForEngineThreads(5000);
        PortRecord* port = PortWork_Record();
        port->close(port);
        StatusWriteFinish();
        CloseUserInterface();
        sim_->stop();
    }
    bool ok() const { return sim_->ok() && panel_ > 0; }
    int panel() const { return panel_; }
    const std::string& log() const { return log_; }

    // Opens the port, binds the panel with the data period `timeMs` and waits for the answer.
    bool connect(int timeMs) {
        SetCtrlVal(panel_, CtrlNamed(panel_, "TIME"), timeMs);
        PortRecord* port = PortWork_Record();
        if (port->init(port, kPort) != 1) {
            std::fprintf(stderr, "cannot open COM%d: %s\n", kPort, GetComOpenErrorText().c_str());
            return false;
        }
        MainWorking_InitAllControlsBegin(&TheAppRecord().mainPanel, panel_);
        if (!pump([] { return TheAppRecord().versionFlag.load() == 1; }, 10.0)) return false;
        pumpFor(0.4); // the version answer's completion runs on this thread
        return true;
    }
    template <class Pred> bool pump(Pred pred, double seconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (!pred()) {
            if (Clock::now() > end) return false;
            ProcessSystemEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    void pumpFor(double seconds) {
        pump([] { return false; }, seconds);
    }

  private:
    testpty::TempDir dir_;
    std::string log_;
    std::unique_ptr<testpty::SimProcess> sim_;
    int panel_ = 0;
};

// --- latency ---------------------------------------------------------------------------------

std::atomic<long long> gPieceSentUs{-1}; // send time of the piece being dispatched
std::mutex gReplyMutex;
std::vector<double> gReplyLatencyMs;
int gObservedPanel = 0, gObservedControl = 0;

class ReplyObserver : public ModelObserver {
  public:
    void panelCreated(int) override {}
    void panelChanged(int, uint32_t) override {}
    void panelDiscarded(int) override {}
    void controlCreated(int, int) override {}
    void controlDiscarded(int, int) override {}
    void controlChanged(int panel, int control, uint32_t what) override {
        if (panel != gObservedPanel || control != gObservedControl || !(what & CHANGE_VALUE))
            return;
        const long long sent = gPieceSentUs.load();
        if (sent < 0) return;
        std::lock_guard lock(gReplyMutex);
        gReplyLatencyMs.push_back(static_cast<double>(Modulo(NowUs() - sent)) / 1000.0);
    }
};

void NoteStreamPiece(void*, const char* piece, int length) {
    if (!IsStreamReply(piece, length)) return;
    gPieceSentUs.store(static_cast<long long>(Field(piece, 1)) * 100000 + Field(piece, 2));
}

int RunLatency(int samples) {
    Link link({"--product", "arvel7", "--stream", "20"});
    if (!link.ok()) return 1;
    MainWorking_Handovers().logAddPoints = NoteStreamPiece;
    ReplyObserver observer;
    gObservedPanel = link.panel();
    gObservedControl = CtrlNamed(link.panel(), "D_S_OUT_0");
    SetModelObserver(&observer);
    if (!link.connect(0)) return 1;

    // Commits of G_D_INQ_0 with new values, at random moments against the 50 ms send loop.
    const int power = CtrlNamed(link.panel(), "G_D_INQ_0");
    std::map<int, long long> committedUs;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> gap(40, 100);
    for (int v = 1; v <= samples; ++v) {
        committedUs[v] = NowUs();
        UserSetCtrlVal(link.panel(), power, std::to_string(v));
        link.pumpFor(gap(random) / 1000.0);
    }
    link.pumpFor(0.5);
    SetModelObserver(nullptr);

    // The simulator's log on this clock: its stream replies carry their send time.
    const auto lines = ReadLog(link.log());
    std::vector<long long> offsets;
    for (const auto& l : lines) {
        if (l.dir != "TX" || l.text.size() != 20 || l.text.substr(18) != "\\r") continue;
        if (!IsStreamReply(l.text.c_str(), 18)) continue;
        const long long sent =
            static_cast<long long>(Field(l.text.c_str(), 1)) * 100000 + Field(l.text.c_str(), 2);
        offsets.push_back(Modulo(sent - static_cast<long long>(l.t * 1e6)));
    }
    if (offsets.empty()) {
        std::fprintf(stderr, "no stream replies in the simulator's log\n");
        return 1;
    }
    std::sort(offsets.begin(), offsets.end());
    const long long offset = offsets[offsets.size() / 2];
    std::vector<double> commandMs;
    for (const auto& l : lines) {
        int value = 0, gain = 0;
        if (l.dir != "RX" || std::sscanf(l.text.c_str(), "G:%d,%d", &value, &gain) != 2) continue;
        const auto it = committedUs.find(value);
        if (it == committedUs.end()) continue;
        const long long atSim = Modulo(static_cast<long long>(l.t * 1e6) + offset);
        commandMs.push_back(static_cast<double>(Modulo(atSim - Modulo(it->second))) / 1000.0);
    }
    std::printf(
        "End-to-end latency, Arvel7.uir against corvane-sim (arvel7, 20 stream replies/s)\n");
    std::printf("  commit of G_D_INQ_0 -> command line read by the simulator: %zu samples, "
                "median %.1f ms, 99th percentile %.1f ms, max %.1f ms\n",
                commandMs.size(), Percentile(commandMs, 0.5), Percentile(commandMs, 0.99),
                Percentile(commandMs, 1.0));
    std::lock_guard lock(gReplyMutex);
    std::printf("  simulator's reply write -> value in D_S_OUT_0: %zu samples, median %.1f ms, "
                "99th percentile %.1f ms, max %.1f ms\n",
                gReplyLatencyMs.size(), Percentile(gReplyLatencyMs, 0.5),
                Percentile(gReplyLatencyMs, 0.99), Percentile(gReplyLatencyMs, 1.0));
    return commandMs.size() >= static_cast<size_t>(samples) * 9 / 10 ? 0 : 1;
}

// --- pieces lost at the line rate ------------------------------------------------------------

std::mutex gLostMutex;
long gReceived = 0, gFirst = -1, gLast = -1, gGaps = 0, gOther = 0;

void CountStreamPiece(void*, const char* piece, int length) {
    std::lock_guard lock(gLostMutex);
    if (!IsStreamReply(piece, length)) {
        ++gOther;
        return;
    }
    const long sequence = Field(piece, 0);
    if (gFirst < 0) gFirst = sequence;
    if (gLast >= 0 && sequence != gLast + 1) gGaps += std::max(1L, sequence - gLast - 1);
    gLast = sequence;
    ++gReceived;
}

int RunLost(double seconds) {
    const long count = static_cast<long>(seconds * 5760.0 / 19.0);
    Link link({"--product", "arvel7", "--stream", "1000", "--line-rate", "--stream-count",
               std::to_string(count)});
    if (!link.ok()) return 1;
    MainWorking_Handovers().logAddPoints = CountStreamPiece;
    if (!link.connect(0)) return 1; // a stream reply is taken as the version answer
    const auto start = Clock::now();
    long seen = -1;
    auto quietSince = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - quietSince).count() < 1.0 &&
           std::chrono::duration<double>(Clock::now() - start).count() < seconds * 2 + 10) {
        link.pumpFor(0.1);
        std::lock_guard lock(gLostMutex);
        if (gReceived != seen) {
            seen = gReceived;
            quietSince = Clock::now();
        }
    }
    std::lock_guard lock(gLostMutex);
    const long expected = gFirst < 0 ? count : count - gFirst;
    const long lost = expected - gReceived;
    std::printf("Reply pieces at the full line rate (corvane-sim --stream --line-rate, %ld "
                "replies, %.0f s)\n",
                count, seconds);
    std::printf("  dispatched by the reply thread %ld of %ld after the version answer (first "
                "sequence %ld, last %ld): lost %ld, gaps %ld, other pieces %ld\n",
                gReceived, expected, gFirst, gLast, lost, gGaps, gOther);
    return lost == 0 && gGaps == 0 && gLast == count - 1 ? 0 : 1;
}

// --- CPU time while connected ----------------------------------------------------------------

int RunCpu(double seconds) {
    Link link({"--product", "arvel7"});
    if (!link.ok() || !link.connect(100)) return 1;
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    // The user-interface thread waits in its loop as in the program.
    std::thread quit([seconds] {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        QuitUserInterface(0);
    });
    RunUserInterface();
    quit.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    long requests = 0;
    for (const auto& l : ReadLog(link.log()))
        if (l.dir == "RX" && l.text == "D") ++requests;
    std::printf("CPU while connected, Arvel7.uir with TIME = 100 ms against corvane-sim, %.0f s\n",
                elapsed);
    std::printf("  %.2f s of CPU per minute (%.2f %% of one core); %ld data requests answered\n",
                cpu * 60.0 / elapsed, 100.0 * cpu / elapsed, requests);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string part = "all";
    int samples = 230;
    double lostSeconds = 10.0, cpuSeconds = 60.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--part")
            part = argv[i + 1];
        else if (option == "--samples")
            samples = std::max(10, std::atoi(argv[i + 1]));
        else if (option == "--lost-seconds")
            lostSeconds = std::max(1.0, std::atof(argv[i + 1]));
        else if (option == "--cpu-seconds")
            cpuSeconds = std::max(1.0, std::atof(argv[i + 1]));
    }
    int result = 0;
    if (part == "latency" || part == "all") result |= RunLatency(samples);
    if (part == "lost" || part == "all") result |= RunLost(lostSeconds);
    if (part == "cpu" || part == "all") result |= RunCpu(cpuSeconds);
    return result;
}
