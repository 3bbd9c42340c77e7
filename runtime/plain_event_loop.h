// The plain C++ event loop: a queue of calls run by the user-interface thread. Used by headless
// programs and tests; the Qt view replaces it with a backend of its own.
#pragma once

#include "runtime/events.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class PlainEventLoop final : public EventLoopBackend {
  public:
    void post(std::function<void()> call) override;
    int run() override;
    void quit(int code) override;
    void processEvents() override;
    // Drops the pending calls and a pending quit (a new or closed user interface).
    void reset();

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> calls_;
    bool quitRequested_ = false;
    int quitCode_ = 0;
};
