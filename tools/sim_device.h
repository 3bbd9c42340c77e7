// The simulated device: what a Corvane product answers to each command line.
#pragma once

#include "tools/sim_options.h"

#include <chrono>
#include <random>
#include <string>
#include <vector>

class SimDevice {
  public:
    SimDevice(SimProduct product, int channels, unsigned seed);

    // The answers to one command line (without its line end), each without its CR.
    std::vector<std::string> answer(const std::string& line);
    // Lines outside the protocol, for the garbage fault.
    std::vector<std::string> garbage();
    // An unprompted data reply of the stream: sequence number and send time in microseconds.
    static std::string streamReply(long sequence, long long sendTimeUs);

    int channels() const { return channels_; }

  private:
    std::string version() const;
    std::string data();
    void setPowers(const std::vector<long>& values);
    std::vector<std::string> pulseCommand(const std::vector<long>& values);

    SimProduct product_;
    int channels_;
    std::mt19937 random_;
    // arvel7: LED power (G position 0) and sensor gain index (G position 1).
    long power_ = 0;
    int gainIndex_ = 0;
    // leds, spectrum: per-channel powers.
    std::vector<long> powers_;
    // vantril: the pulse train.
    bool running_ = false;
    long pulseIntervalUs_ = 1000;
    std::chrono::steady_clock::time_point startedAt_{};
    std::vector<long> onLoadValues_;
    long exposure_ = 0;
};
