#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(NamedEvent, WaitTimesOutWhenNotSignalled) {
    int e = CreateNamedEvent("", true, false);
    ASSERT_GT(e, 0);
    auto start = Clock::now();
    EXPECT_EQ(WaitForNamedEvent(e, 80), 0);
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(75));
    EXPECT_LT(elapsed, milliseconds(5000));
    EXPECT_EQ(WaitForNamedEvent(e, 0), 0); // a poll
    EXPECT_EQ(CloseNamedEvent(e), 0);
}

TEST(NamedEvent, ManualResetStaysSignalledUntilReset) {
    int e = CreateNamedEvent("", true, false);
    EXPECT_EQ(SetNamedEvent(e), 0);
    EXPECT_EQ(WaitForNamedEvent(e, 0), 1);
    EXPECT_EQ(WaitForNamedEvent(e, 0), 1);
    EXPECT_EQ(ResetNamedEvent(e), 0);
    EXPECT_EQ(WaitForNamedEvent(e, 0), 0);
    CloseNamedEvent(e);

    int initially = CreateNamedEvent("", true, true);
    EXPECT_EQ(WaitForNamedEvent(initially, 0), 1);
    CloseNamedEvent(initially);
}

TEST(NamedEvent, AutoResetReleasesOneWait) {
    int e = CreateNamedEvent("", false, true);
    EXPECT_EQ(WaitForNamedEvent(e, 0), 1);
    EXPECT_EQ(WaitForNamedEvent(e, 0), 0);
    SetNamedEvent(e);
    SetNamedEvent(e); // not counted: one signal
    EXPECT_EQ(WaitForNamedEvent(e, 0), 1);
    EXPECT_EQ(WaitForNamedEvent(e, 10), 0);
    CloseNamedEvent(e);
}

TEST(NamedEvent, AutoResetWakesExactlyOneOfTwoWaiters) {
    int e = CreateNamedEvent("", false, false);
    std::atomic<int> released{0}, timedOut{0};
    auto wait = [&] {
        int r = WaitForNamedEvent(e, 1500);
        (r == 1 ? released : timedOut)++;
    };
    std::thread a(wait), b(wait);
    std::this_thread::sleep_for(milliseconds(50));
    SetNamedEvent(e);
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 1);
    EXPECT_EQ(timedOut.load(), 1);
    CloseNamedEvent(e);
}

TEST(NamedEvent, SignalFromAnotherThreadEndsAnUnlimitedWait) {
    int e = CreateNamedEvent("EventSpectra", true, false);
    std::thread sender([e] {
        std::this_thread::sleep_for(milliseconds(50));
        SetNamedEvent(e);
    });
    EXPECT_EQ(WaitForNamedEvent(e, -1), 1);
    sender.join();
    CloseNamedEvent(e);
}

TEST(NamedEvent, SameNameIsTheSameEvent) {
    int spectrum = CreateNamedEvent("EventSpectra", true, false);
    int sender = CreateNamedEvent("EventSpectra", true, false);
    int other = CreateNamedEvent("Other", true, false);
    int unnamed1 = CreateNamedEvent("", true, false);
    int unnamed2 = CreateNamedEvent("", true, false);
    EXPECT_NE(spectrum, sender);
    SetNamedEvent(sender);
    EXPECT_EQ(WaitForNamedEvent(spectrum, 0), 1);
    EXPECT_EQ(WaitForNamedEvent(other, 0), 0);
    SetNamedEvent(unnamed1);
    EXPECT_EQ(WaitForNamedEvent(unnamed2, 0), 0);
    // Closing one handle leaves the event to the other.
    CloseNamedEvent(sender);
    EXPECT_EQ(WaitForNamedEvent(spectrum, 0), 1);
    CloseNamedEvent(spectrum);
    // Once every handle is closed the name makes a new event.
    int fresh = CreateNamedEvent("EventSpectra", true, false);
    EXPECT_EQ(WaitForNamedEvent(fresh, 0), 0);
    for (int h : {fresh, other, unnamed1, unnamed2})
        CloseNamedEvent(h);
}

TEST(NamedEvent, CloseWakesAWaiterWithAFailure) {
    int e = CreateNamedEvent("closing", true, false);
    std::atomic<int> result{1};
    std::thread waiter([&] { result = WaitForNamedEvent(e, -1); });
    std::this_thread::sleep_for(milliseconds(50));
    auto start = Clock::now();
    EXPECT_EQ(CloseNamedEvent(e), 0);
    waiter.join();
    EXPECT_LT(Clock::now() - start, milliseconds(5000));
    EXPECT_LT(result.load(), 0);
}

TEST(NamedEvent, BadHandlesAreRefused) {
    EXPECT_LT(SetNamedEvent(0), 0);
    EXPECT_LT(ResetNamedEvent(-3), 0);
    EXPECT_LT(WaitForNamedEvent(123456, -1), 0); // at once, not a wait for ever
    EXPECT_LT(CloseNamedEvent(123456), 0);
    int e = CreateNamedEvent("", true, true);
    CloseNamedEvent(e);
    EXPECT_LT(WaitForNamedEvent(e, -1), 0);
    EXPECT_LT(CloseNamedEvent(e), 0);
}

} // namespace
