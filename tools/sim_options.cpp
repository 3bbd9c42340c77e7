#include "tools/sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool toLong(const char* text, long low, long high, long* value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

bool toDouble(const char* text, double low, double high, double* value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < low || v > high) return false;
    *value = v;
    return true;
}

} // namespace

const char* SimUsage() {
    return "Usage: corvane-sim [options]\n"
           "Plays a Corvane device on a new pseudo-terminal and prints the terminal's path.\n"
           "\n"
           "Device:\n"
           "  --product NAME      arvel7 (light sensor, default), vantril (pulse generator),\n"
           "                      leds (dynamic LED channels), spectrum (two LEDs)\n"
           "  --channels N        channel count of the version answer V_1_<N> (leds: default 4)\n"
           "\n"
           "Where the program finds it:\n"
           "  --path-file FILE    write the terminal's path into FILE\n"
           "  --config FILE       put the terminal into the section \"Ports\" of this\n"
           "                      configuration file (CRV_Config.ini) as COMn\n"
           "  --port N            the number n of COMn (default: the number the terminal already\n"
           "                      has there, else the lowest free one)\n"
           "\n"
           "Logging (every line received and sent, with seconds since the start):\n"
           "  --log FILE          append the log to FILE\n"
           "  -v, --verbose       log to standard error as well\n"
           "\n"
           "Faults and timing:\n"
           "  --fault silence     never answer\n"
           "  --fault garbage     answer every line with random lines outside the protocol\n"
           "  --slow MS           answer MS milliseconds late\n"
           "  --hangup-after S    after S seconds close the terminal, as an unplugged device\n"
           "  --line-rate         pace the output at 5760 bytes/s (57600 baud)\n"
           "  --stream HZ         send data replies unprompted HZ times a second:\n"
           "                      D<sequence>,<send time us / 100000>,<send time us % 100000>\n"
           "                      (CLOCK_MONOTONIC, both parts 5 digits)\n"
           "  --stream-count N    stop the stream after N replies\n"
           "  --seed N            seed of the noise and garbage generator\n"
           "  -h, --help          this text\n"
           "\n"
           "Replies end with CR. Commands: V:0 (version), D (data), G:power,gain (arvel7),\n"
           "P:v0,v1,... (leds, spectrum), O:... start / O:0 stop with B0,1 / B0,0 (vantril),\n"
           "J:... on-load values, E:1<n> exposure and I: leave (answered silently).\n";
}

const char* SimProductName(SimProduct product) {
    switch (product) {
    case SimProduct::Arvel7:
        return "arvel7";
    case SimProduct::Vantril:
        return "vantril";
    case SimProduct::Leds:
        return "leds";
    case SimProduct::Spectrum:
        return "spectrum";
    }
    return "?";
}

bool ParseSimOptions(int argc, char** argv, SimOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needs = [&](const char* what) {
            *error = arg + " needs " + what;
            return false;
        };
        long n = 0;
        if (arg == "-h" || arg == "--help") {
            o->help = true;
        } else if (arg == "-v" || arg == "--verbose") {
            o->verbose = true;
        } else if (arg == "--line-rate") {
            o->lineRate = true;
        } else if (arg == "--product") {
            if (value == nullptr) return needs("a product name");
            const std::string p = value;
            if (p == "arvel7")
                o->product = SimProduct::Arvel7;
            else if (p == "vantril")
                o->product = SimProduct::Vantril;
            else if (p == "leds")
                o->product = SimProduct::Leds;
            else if (p == "spectrum")
                o->product = SimProduct::Spectrum;
            else
                return needs("arvel7, vantril, leds or spectrum");
            ++i;
        } else if (arg == "--channels") {
            if (!toLong(value, 1, 25, &n)) return needs("a channel count from 1 to 25");
            o->channels = static_cast<int>(n);
            ++i;
        } else if (arg == "--path-file" || arg == "--config" || arg == "--log") {
            if (value == nullptr || *value == '\0') return needs("a file name");
            (arg == "--path-file" ? o->pathFile
             : arg == "--config"  ? o->configFile
                                  : o->logFile) = value;
            ++i;
        } else if (arg == "--port") {
            if (!toLong(value, 1, 999, &n)) return needs("a port number from 1 to 999");
            o->port = static_cast<int>(n);
            ++i;
        } else if (arg == "--fault") {
            if (value != nullptr && std::strcmp(value, "silence") == 0)
                o->fault = SimFault::Silence;
            else if (value != nullptr && std::strcmp(value, "garbage") == 0)
                o->fault = SimFault::Garbage;
            else
                return needs("silence or garbage");
            ++i;
        } else if (arg == "--slow") {
            if (!toLong(value, 0, 600000, &n)) return needs("milliseconds from 0 to 600000");
            o->slowMs = static_cast<int>(n);
            ++i;
        } else if (arg == "--hangup-after") {
            if (!toDouble(value, 0.0, 1e6, &o->hangupAfterS)) return needs("seconds (0 or more)");
            ++i;
        } else if (arg == "--stream") {
            if (!toDouble(value, 0.001, 100000.0, &o->streamHz))
                return needs("a rate in Hz (0.001 to 100000)");
            ++i;
        } else if (arg == "--stream-count") {
            if (!toLong(value, 0, 1000000000L, &o->streamCount))
                return needs("a count (0 or more)");
            ++i;
        } else if (arg == "--seed") {
            if (!toLong(value, 0, 4294967295L, &n)) return needs("a number");
            o->seed = static_cast<unsigned>(n);
            o->seeded = true;
            ++i;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}
