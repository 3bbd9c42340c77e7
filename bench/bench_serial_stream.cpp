// Streams data replies from the device simulator at the full line rate (57600 baud: 5760
// bytes/s) into the real serial layer (termios port, reader thread, receive callback, reply
// buffer) and reports pieces received versus sent and the latency from the simulator's write
// to the piece being stored by the receive callback.
//
//   bench_serial_stream [--seconds S]       (default 12)
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "tests/serial/sim_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 5;
constexpr double kRepliesPerSecond = 5760.0 / 19.0; // "D#####,#####,#####" + CR = 19 bytes
constexpr long long kTimeModulus = 10000000000LL;   // the stream's 10-digit microsecond stamp

struct Results {
    std::mutex mutex;
    std::vector<double> latencyMs;
    long received = 0;
    long firstSequence = -1;
    long lastSequence = -1;
    long gaps = 0;
    long malformed = 0;
    long long firstSentUs = -1; // send times of the first and last piece, from the stream
    long long lastSentUs = -1;
};
Results g_results;

long field(const char* piece, int k) {
    return std::strtol(std::string(piece + 1 + 6 * k, 5).c_str(), nullptr, 10);
}

// The port's receive callback plus the bookkeeping: the pieces that ComCallback stored are
// taken out of the reply buffer right away and timed.
void timedCallback(int port, int events, void* data) {
    ComCallback(port, events, data);
    const long long now =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
            .count() %
        kTimeModulus;
    char piece[256];
    int n;
    std::lock_guard lock(g_results.mutex);
    while ((n = CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255)) != 0) {
        if (n < 0 || n != 18 || piece[0] != 'D') {
            ++g_results.malformed;
            if (n < 0) break;
            continue;
        }
        const long sequence = field(piece, 0);
        const long long sent = static_cast<long long>(field(piece, 1)) * 100000 + field(piece, 2);
        const long long latencyUs = ((now - sent) % kTimeModulus + kTimeModulus) % kTimeModulus;
        g_results.latencyMs.push_back(static_cast<double>(latencyUs) / 1000.0);
        if (g_results.firstSequence < 0) {
            g_results.firstSequence = sequence;
            g_results.firstSentUs = sent;
        }
        g_results.lastSentUs = sent;
        if (g_results.lastSequence >= 0 && sequence != g_results.lastSequence + 1) ++g_results.gaps;
        g_results.lastSequence = sequence;
        ++g_results.received;
    }
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t i =
        std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

double cpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 12.0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") seconds = std::max(1.0, std::atof(argv[++i]));
    }
    const long count = static_cast<long>(seconds * kRepliesPerSecond);

    testpty::TempDir dir;
    const std::string config = dir.file("CRV_Config.ini");
    testpty::SimProcess sim({"--stream", "1000", "--line-rate", "--stream-count",
                             std::to_string(count), "--config", config, "--port",
                             std::to_string(kPort)});
    if (!sim.ok()) {
        std::fprintf(stderr, "cannot start %s\n", testpty::simulatorPath().c_str());
        return 1;
    }
    SetSerialMapConfigPath(config);
    SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
    CYCLICK_BUF_INIT_POINTERS();
    PortWork_INIT_POINTERS();
    PortRecord* record = PortWork_Record();
    if (record->init(record, kPort) != 1) {
        std::fprintf(stderr, "cannot open COM%d: %s\n", kPort, GetComOpenErrorText().c_str());
        return 1;
    }
    InstallComCallback(kPort, PORT_EVENT_MASK, PORT_NOTIFY_COUNT, PORT_EVENT_CHARACTER,
                       timedCallback, record);

    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    // The stream ends by itself; wait until it has been quiet for a second.
    long seen = -1;
    auto quietSince = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - quietSince).count() < 1.0 &&
           std::chrono::duration<double>(Clock::now() - start).count() < seconds * 2 + 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard lock(g_results.mutex);
        if (g_results.received != seen) {
            seen = g_results.received;
            quietSince = Clock::now();
        }
    }
    const double elapsed = std::chrono::duration<double>(quietSince - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    record->close(record);
    StatusWriteFinish();
    sim.stop();

    std::lock_guard lock(g_results.mutex);
    const long sent = g_results.firstSequence < 0 ? 0 : count - g_results.firstSequence;
    std::printf("Receive side at the line rate: corvane-sim --stream --line-rate, %.1f s\n",
                elapsed);
    const double sendSeconds =
        static_cast<double>(
            ((g_results.lastSentUs - g_results.firstSentUs) % kTimeModulus + kTimeModulus) %
            kTimeModulus) /
        1e6;
    std::printf("  sent      %ld pieces after the port opened, at %.0f bytes/s on the line\n", sent,
                static_cast<double>(std::max(0L, sent - 1)) * 19.0 / std::max(sendSeconds, 1e-9));
    std::printf("  received  %ld pieces, lost %ld, sequence gaps %ld, malformed %ld\n",
                g_results.received, sent - g_results.received, g_results.gaps, g_results.malformed);
    std::printf("  latency   simulator write -> stored by ComCallback: median %.3f ms, 99th "
                "percentile %.3f ms, "
                "max %.3f ms\n",
                percentile(g_results.latencyMs, 0.5), percentile(g_results.latencyMs, 0.99),
                percentile(g_results.latencyMs, 1.0));
    std::printf("  CPU       %.1f %% of one core for this process\n",
                100.0 * cpu / std::max(elapsed, 1e-9));
    return g_results.received == sent && g_results.gaps == 0 ? 0 : 1;
}
