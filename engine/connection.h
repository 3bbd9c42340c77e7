// The calling thread's connection: which generation an engine thread belongs to, and pauses
// that end as soon as that connection is over. Used by the send and reply threads and the
// version check.
#pragma once

#include <cstdint>

struct AppRecord;

// Marks the calling thread as an engine thread of connection `generation` while it lives.
class EngineThreadScope {
  public:
    explicit EngineThreadScope(uint32_t generation);
    ~EngineThreadScope();
    EngineThreadScope(const EngineThreadScope&) = delete;
    EngineThreadScope& operator=(const EngineThreadScope&) = delete;

  private:
    bool wasEngineThread_;
    uint32_t previousGeneration_;
};

// Sleeps `ms` milliseconds in short steps. Returns false at once when the calling thread's
// connection is over, or, with `wake`, true early as soon as wake() holds.
bool MainWorking_PauseWhileCurrent(const AppRecord* app, int ms, bool (*wake)() = nullptr);
