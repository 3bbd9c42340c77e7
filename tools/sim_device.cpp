#include "tools/sim_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr long kSensorGains[] = {1, 2, 4, 8, 48, 96};
constexpr long kMaxCounts = 4095;
constexpr long kMaxField = 99999;

// The numbers of "X:a,b,c" (after the colon); a field that is no number counts as 0.
std::vector<long> numbersAfterColon(const std::string& line) {
    std::vector<long> values;
    const auto colon = line.find(':');
    if (colon == std::string::npos) return values;
    size_t pos = colon + 1;
    while (pos <= line.size()) {
        const auto comma = line.find(',', pos);
        const std::string field =
            line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        errno = 0;
        char* end = nullptr;
        long v = std::strtol(field.c_str(), &end, 10);
        if (errno != 0 || end == field.c_str()) v = 0;
        values.push_back(v);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return values;
}

std::string field(long value) {
    char text[16];
    std::snprintf(text, sizeof text, "%05ld", std::clamp(value, 0L, kMaxField));
    return text;
}

} // namespace

SimDevice::SimDevice(SimProduct product, int channels, unsigned seed)
    : product_(product), random_(seed) {
    if (channels <= 0) {
        channels = product == SimProduct::Leds ? 4 : product == SimProduct::Spectrum ? 2 : 1;
    }
    channels_ = channels;
    powers_.assign(static_cast<size_t>(channels_), 0);
}

std::string SimDevice::version() const {
    return "V_1_" + std::to_string(channels_);
}

std::string SimDevice::streamReply(long sequence, long long sendTimeUs) {
    const long long t = sendTimeUs % 10000000000LL;
    return "D" + field(sequence % 100000) + "," + field(static_cast<long>(t / 100000)) + "," +
           field(static_cast<long>(t % 100000));
}

std::string SimDevice::data() {
    std::normal_distribution<double> noise(0.0, 1.0);
    switch (product_) {
    case SimProduct::Arvel7: {
        // The light reading follows the LED power and the sensor gain, with 0.5 % noise.
        const double light = static_cast<double>(power_ * kSensorGains[gainIndex_]) / 4.0;
        const long reading =
            std::lround(light * (1.0 + 0.005 * noise(random_)) + 2.0 * noise(random_));
        const long temperature = 2500 + std::lround(5.0 * noise(random_)); // 0.01 degC
        const long supply = 12000 + std::lround(10.0 * noise(random_));    // mV
        return "D" + field(reading) + "," + field(temperature) + "," + field(supply);
    }
    case SimProduct::Vantril: {
        long pulses = 0;
        if (running_) {
            const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - startedAt_)
                                .count();
            pulses = static_cast<long>(us / std::max(1L, pulseIntervalUs_)) % 100000;
        }
        return "D" + field(running_ ? 1 : 0) + "," + field(pulses);
    }
    case SimProduct::Leds:
    case SimProduct::Spectrum: {
        std::string reply = "D";
        for (size_t k = 0; k < powers_.size(); ++k)
            reply += (k > 0 ? "," : "") + field(powers_[k]);
        return reply;
    }
    }
    return "D";
}

void SimDevice::setPowers(const std::vector<long>& values) {
    for (size_t k = 0; k < powers_.size() && k < values.size(); ++k) {
        powers_[k] = std::clamp(values[k], 0L, kMaxCounts);
    }
}

std::vector<std::string> SimDevice::pulseCommand(const std::vector<long>& values) {
    if (values.size() == 1 && values[0] == 0) {
        running_ = false;
        return {"B0,0"};
    }
    // O:<duration>,<interval>,... configures the train and starts it.
    if (values.size() > 1 && values[1] > 0) pulseIntervalUs_ = values[1];
    running_ = true;
    startedAt_ = std::chrono::steady_clock::now();
    return {"B0,1"};
}

std::vector<std::string> SimDevice::answer(const std::string& line) {
    if (line.empty()) return {};
    if (line == "D") return {data()};
    if (line.rfind("V:", 0) == 0) return {version()};
    if (line.rfind("E:", 0) == 0) {
        const auto v = numbersAfterColon(line);
        if (!v.empty()) exposure_ = v[0];
        return {};
    }
    if (line.rfind("I:", 0) == 0) return {};
    if (line.rfind("J:", 0) == 0) {
        onLoadValues_ = numbersAfterColon(line);
        return {};
    }
    switch (product_) {
    case SimProduct::Arvel7:
        if (line.rfind("G:", 0) == 0) {
            const auto v = numbersAfterColon(line);
            if (!v.empty()) power_ = std::clamp(v[0], 0L, kMaxCounts);
            if (v.size() > 1) gainIndex_ = static_cast<int>(std::clamp(v[1], 0L, 5L));
        }
        return {};
    case SimProduct::Vantril:
        if (line.rfind("O:", 0) == 0) return pulseCommand(numbersAfterColon(line));
        return {};
    case SimProduct::Leds:
    case SimProduct::Spectrum:
        if (line.rfind("P:", 0) == 0) setPowers(numbersAfterColon(line));
        return {};
    }
    return {};
}

std::vector<std::string> SimDevice::garbage() {
    // Printable characters that start no reply of the protocol (no letters at all).
    static const char kChars[] = "#%&*+-=?@^~!0123456789 .;/<>[]{}|";
    std::uniform_int_distribution<int> lines(1, 2), length(1, 30);
    std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
    std::vector<std::string> out;
    for (int i = lines(random_); i > 0; --i) {
        std::string s(1, '#');
        for (int k = length(random_); k > 0; --k)
            s += kChars[pick(random_)];
        out.push_back(s);
    }
    return out;
}
