// The simulator's traffic log: one line per received or sent line, with the seconds since the
// simulator started; bytes outside printable ASCII are written as \r, \n or \xNN.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

class SimLog {
  public:
    SimLog() = default;
    ~SimLog();
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    bool open(const std::string& file, bool toStderr, std::string* error);
    void line(const char* direction, const std::string& bytes);
    void note(const std::string& text);

    static std::string escaped(const std::string& bytes);

  private:
    void write(const std::string& text);

    std::FILE* file_ = nullptr;
    bool toStderr_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
