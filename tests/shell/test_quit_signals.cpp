// SIGINT and SIGTERM end the user-interface loop with code 0, from the user-interface thread,
// also when the signal comes before the loop exists; afterwards the signals act as by default.
#include "runtime/events.h"
#include "shell/quit_signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <unistd.h>

namespace {

constexpr int kWatchdogCode = 77;

// Ends the loop with kWatchdogCode if nothing else ended it in time, so a failure cannot hang.
class Watchdog {
  public:
    Watchdog()
        : thread_([this] {
              for (int i = 0; i < 200 && !done_; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              if (!done_) QuitUserInterface(kWatchdogCode);
          }) {}
    ~Watchdog() {
        done_ = true;
        thread_.join();
    }

  private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class QuitSignals : public ::testing::TestWithParam<int> {
  protected:
    void TearDown() override {
        QuitSignals_Remove();
        CloseUserInterface();
    }
};

TEST_P(QuitSignals, SignalEndsTheRunningLoopWithCodeZero) {
    ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    ASSERT_EQ(QuitSignals_Install(), 0);
    const int sig = GetParam();
    std::thread sender([sig] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(::getpid(), sig);
    });
    Watchdog watchdog;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunUserInterface(), 0);
    sender.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_P(QuitSignals, SignalBeforeTheUserInterfaceExistsEndsTheLoopOnceItRuns) {
    ASSERT_EQ(QuitSignals_Install(), 0);
    ::kill(::getpid(), GetParam());
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    Watchdog watchdog;
    EXPECT_EQ(RunUserInterface(), 0);
}

TEST_P(QuitSignals, RemoveRestoresTheDefaultAction) {
    ASSERT_EQ(QuitSignals_Install(), 0);
    struct sigaction current {};
    ::sigaction(GetParam(), nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_DFL);
    QuitSignals_Remove();
    ::sigaction(GetParam(), nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    QuitSignals_Remove(); // a second removal is harmless
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitSignals, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& param) {
                             return std::string(param.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

} // namespace
