// The user-interface loop inside Qt's event loop: deferred calls are queued calls on the
// application object, the loop is a QEventLoop (nested loops allowed).
#pragma once

#include "runtime/events.h"

#include <mutex>
#include <vector>

class QEventLoop;

class QtEventLoopBackend final : public EventLoopBackend {
  public:
    void post(std::function<void()> call) override; // any thread
    int run() override;                             // user-interface thread
    void quit(int code) override;                   // any thread
    void processEvents() override;                  // user-interface thread

  private:
    // Ends the innermost running loop when a quit is pending (user-interface thread).
    void deliverQuit();

    std::mutex mutex_;
    bool quitRequested_ = false; // kept until a running loop or the next run() takes it
    int quitCode_ = 0;
    std::vector<QEventLoop*> loops_; // running loops, innermost last (user-interface thread)
};
