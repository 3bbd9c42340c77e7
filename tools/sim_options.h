// Command-line options of the device simulator.
#pragma once

#include <string>

enum class SimProduct { Arvel7, Vantril, Leds, Spectrum };
enum class SimFault { None, Silence, Garbage };

struct SimOptions {
    SimProduct product = SimProduct::Arvel7;
    int channels = 0; // 0: the product's own count
    std::string pathFile;
    std::string configFile;
    int port = 0; // 0: the number the device has in the map, or the lowest free one
    std::string logFile;
    bool verbose = false;
    SimFault fault = SimFault::None;
    int slowMs = 0;
    double hangupAfterS = -1.0; // < 0: never
    bool lineRate = false;
    double streamHz = 0.0;
    long streamCount = -1; // < 0: no limit
    unsigned seed = 0;
    bool seeded = false;
    bool help = false;
};

// Parses argv. Returns true, or false with a message in *error.
bool ParseSimOptions(int argc, char** argv, SimOptions* options, std::string* error);
const char* SimUsage();
const char* SimProductName(SimProduct product);
