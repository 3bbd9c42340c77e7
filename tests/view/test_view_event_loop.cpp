// The user-interface loop inside Qt's event loop: deferred calls from other threads, quitting,
// nested loops.
#include "tests/view/view_fixture.h"

#include "runtime/events.h"
#include "runtime/qt/view.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

class EventLoopTest : public ViewTest {};

bool OnGuiThread() {
    return QThread::currentThread() == qApp->thread();
}

TEST_F(EventLoopTest, DeferredCallsFromAnotherThreadRunInTheLoop) {
    std::atomic<int> ranOnGui{0};
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            PostDeferredCall([&] { ranOnGui += OnGuiThread() ? 1 : 0; });
        }
        PostDeferredCall([] { QuitUserInterface(5); });
    });
    EXPECT_EQ(RunUserInterface(), 5);
    worker.join();
    EXPECT_EQ(ranOnGui.load(), 100); // in order, all before the quit
}

TEST_F(EventLoopTest, AQuitBeforeTheLoopStartsEndsItAtOnce) {
    std::thread worker([] { QuitUserInterface(3); });
    worker.join();
    EXPECT_EQ(RunUserInterface(), 3);
    // Taken once: the next loop runs until its own quit.
    QTimer::singleShot(20, [] { QuitUserInterface(4); });
    EXPECT_EQ(RunUserInterface(), 4);
}

TEST_F(EventLoopTest, QuitEndsTheLoopAfterTheRunningCallback) {
    std::vector<int> order;
    PostDeferredCall([&] {
        QuitUserInterface(0);
        order.push_back(1); // the callback still finishes
    });
    EXPECT_EQ(RunUserInterface(), 0);
    order.push_back(2);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(EventLoopTest, NestedLoopsEndInnermostFirst) {
    int inner = -1;
    PostDeferredCall([&] {
        PostDeferredCall([] { QuitUserInterface(1); });
        inner = RunUserInterface();
        QuitUserInterface(2);
    });
    EXPECT_EQ(RunUserInterface(), 2);
    EXPECT_EQ(inner, 1);
}

TEST_F(EventLoopTest, RunOnUserInterfaceThreadWaitsForTheCall) {
    std::atomic<bool> returned{false};
    int value = 0;
    std::thread worker([&] {
        RunOnUserInterfaceThread([&] { value = OnGuiThread() ? 42 : -1; });
        returned = true;
    });
    EXPECT_TRUE(waitFor([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_EQ(value, 42);
}

TEST_F(EventLoopTest, ProcessSystemEventsRunsWhatIsPending) {
    int calls = 0;
    PostDeferredCall([&] { ++calls; });
    PostDeferredCall([&] { ++calls; });
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(calls, 2);
}

} // namespace
