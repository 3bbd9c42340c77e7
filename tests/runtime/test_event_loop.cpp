#include "runtime/events.h"
#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

class EventLoop : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(InitUserInterface(0, nullptr), 1); }
    void TearDown() override { CloseUserInterface(); }
};

TEST(EventLoopLifecycle, NothingWorksBeforeInitialisation) {
    EXPECT_LT(RunUserInterface(), 0);
    EXPECT_LT(QuitUserInterface(0), 0);
    EXPECT_LT(PostDeferredCall([] {}), 0);
    EXPECT_LT(ProcessSystemEvents(), 0);
    EXPECT_FALSE(IsUserInterfaceThread());
    // Without a user-interface thread the call runs on the caller's.
    bool ran = false;
    RunOnUserInterfaceThread([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(EventLoopLifecycle, InitialiseAgainAfterClose) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(InitUserInterface(0, nullptr), 1);
        EXPECT_EQ(InitUserInterface(0, nullptr), 1); // again on the same thread: harmless
        EXPECT_TRUE(IsUserInterfaceThread());
        EXPECT_EQ(CmtGetMainThreadID(), CmtGetCurrentThreadID());
        int fromOtherThread = -1;
        std::thread([&] { fromOtherThread = InitUserInterface(0, nullptr); }).join();
        EXPECT_EQ(fromOtherThread, 0);
        ASSERT_EQ(PostDeferredCall([round] { QuitUserInterface(round); }), 0);
        EXPECT_EQ(RunUserInterface(), round);
        CloseUserInterface();
        EXPECT_FALSE(IsUserInterfaceThread());
    }
}

TEST_F(EventLoop, UserInterfaceThreadIsTheInitialisingThread) {
    EXPECT_TRUE(IsUserInterfaceThread());
    bool onOther = true;
    unsigned otherId = 0;
    std::thread([&] {
        onOther = IsUserInterfaceThread();
        otherId = CmtGetCurrentThreadID();
    }).join();
    EXPECT_FALSE(onOther);
    EXPECT_NE(otherId, CmtGetMainThreadID());
    EXPECT_EQ(CmtGetMainThreadID(), CmtGetCurrentThreadID());
}

TEST_F(EventLoop, CallsRunInOrderOnTheUserInterfaceThread) {
    std::vector<int> order;
    bool allOnUiThread = true;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(PostDeferredCall([&, i] {
                      order.push_back(i);
                      allOnUiThread = allOnUiThread && IsUserInterfaceThread();
                  }),
                  0);
    }
    ASSERT_EQ(PostDeferredCall([] { QuitUserInterface(7); }), 0);
    EXPECT_EQ(RunUserInterface(), 7);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(allOnUiThread);
}

TEST_F(EventLoop, CallsPostedFromOtherThreadsRunOnTheUserInterfaceThread) {
    std::atomic<int> ran{0};
    std::atomic<bool> allOnUiThread{true};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                PostDeferredCall([&] {
                    if (!IsUserInterfaceThread()) allOnUiThread = false;
                    if (++ran == 200) QuitUserInterface(1);
                });
            }
        });
    }
    EXPECT_EQ(RunUserInterface(), 1);
    for (auto& t : posters)
        t.join();
    EXPECT_EQ(ran.load(), 200);
    EXPECT_TRUE(allOnUiThread.load());
}

TEST_F(EventLoop, QuitEndsTheLoopAfterTheRunningCall) {
    bool firstFinished = false, secondRan = false;
    PostDeferredCall([&] {
        QuitUserInterface(3);
        firstFinished = true; // the call runs to its end
    });
    PostDeferredCall([&] { secondRan = true; });
    EXPECT_EQ(RunUserInterface(), 3);
    EXPECT_TRUE(firstFinished);
    EXPECT_FALSE(secondRan);
    // The call left in the queue runs with the next processing.
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_TRUE(secondRan);
}

TEST_F(EventLoop, QuitFromAnotherThreadEndsAnIdleLoop) {
    std::thread quitter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QuitUserInterface(42);
    });
    EXPECT_EQ(RunUserInterface(), 42);
    quitter.join();
}

TEST_F(EventLoop, QuitBeforeTheLoopRunsIsNotLost) {
    std::thread([] { QuitUserInterface(5); }).join();
    EXPECT_EQ(RunUserInterface(), 5);
    // Consumed: the next run waits for its own quit.
    PostDeferredCall([] { QuitUserInterface(6); });
    EXPECT_EQ(RunUserInterface(), 6);
}

TEST_F(EventLoop, RunUserInterfaceOnlyOnItsThread) {
    int result = 0;
    std::thread([&] { result = RunUserInterface(); }).join();
    EXPECT_LT(result, 0);
}

TEST_F(EventLoop, ProcessSystemEventsRunsOnlyWhatIsPending) {
    int reposts = 0;
    std::function<void()> again = [&] {
        ++reposts;
        PostDeferredCall(again);
    };
    PostDeferredCall(again);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(reposts, 1);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(reposts, 2);
    // From another thread it runs nothing.
    int fromOther = -1;
    std::thread([&] { fromOther = ProcessSystemEvents(); }).join();
    EXPECT_EQ(fromOther, 0);
    EXPECT_EQ(reposts, 2);
    EXPECT_LT(PostDeferredCall(nullptr), 0);
}

TEST_F(EventLoop, RunOnUserInterfaceThreadWaitsForTheCall) {
    // On the user-interface thread it runs at once.
    bool direct = false;
    RunOnUserInterfaceThread([&] { direct = true; });
    EXPECT_TRUE(direct);

    int value = 0;
    bool ranOnUi = false;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        RunOnUserInterfaceThread([&] {
            ranOnUi = IsUserInterfaceThread();
            value = 99;
        });
        // The call has finished when RunOnUserInterfaceThread returns.
        EXPECT_EQ(value, 99);
        returned = true;
        QuitUserInterface(0);
    });
    EXPECT_EQ(RunUserInterface(), 0);
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_TRUE(ranOnUi);
}

TEST_F(EventLoop, CloseWakesAThreadWaitingForADroppedCall) {
    std::atomic<bool> started{false}, ranOnUi{false};
    std::thread worker([&] {
        started = true;
        RunOnUserInterfaceThread([&] { ranOnUi = IsUserInterfaceThread(); });
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the call is queued by now
    // The loop never runs: without the close the worker would wait for ever.
    CloseUserInterface();
    worker.join();
    EXPECT_FALSE(ranOnUi.load());
    ASSERT_EQ(InitUserInterface(0, nullptr), 1); // for TearDown
}

TEST_F(EventLoop, CloseDropsPendingCalls) {
    bool ran = false;
    PostDeferredCall([&] { ran = true; });
    CloseUserInterface();
    ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_FALSE(ran);
}

// A backend that queues calls itself, standing in for the view's.
class RecordingBackend final : public EventLoopBackend {
  public:
    void post(std::function<void()> call) override { calls.push_back(std::move(call)); }
    int run() override {
        while (!quitRequested && !calls.empty()) {
            auto call = std::move(calls.front());
            calls.erase(calls.begin());
            call();
        }
        return quitCode;
    }
    void quit(int code) override {
        quitRequested = true;
        quitCode = code;
    }
    void processEvents() override { ++processed; }

    std::vector<std::function<void()>> calls;
    bool quitRequested = false;
    int quitCode = -100;
    int processed = 0;
};

TEST(EventLoopBackendSwitch, InstalledBackendRunsTheCalls) {
    RecordingBackend backend;
    SetEventLoopBackend(&backend);
    ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    bool ran = false;
    EXPECT_EQ(PostDeferredCall([&] {
                  ran = true;
                  QuitUserInterface(11);
              }),
              0);
    EXPECT_EQ(backend.calls.size(), 1u);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(backend.processed, 1);
    EXPECT_EQ(RunUserInterface(), 11);
    EXPECT_TRUE(ran);
    CloseUserInterface();
    SetEventLoopBackend(nullptr);

    // The plain backend is back.
    ASSERT_EQ(InitUserInterface(0, nullptr), 1);
    PostDeferredCall([] { QuitUserInterface(12); });
    EXPECT_EQ(RunUserInterface(), 12);
    EXPECT_TRUE(backend.calls.empty());
    CloseUserInterface();
}

} // namespace
