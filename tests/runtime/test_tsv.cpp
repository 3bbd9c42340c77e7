#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct Shared {
    int32_t counter;
    double values[4];
};

TEST(ThreadSafeVariable, BlockIsZeroedAndKeepsItsContents) {
    int handle = 0;
    ASSERT_EQ(CmtNewTSV(sizeof(Shared), &handle), 0);
    EXPECT_GT(handle, 0);
    void* block = nullptr;
    ASSERT_EQ(CmtGetTSVPtr(handle, &block), 0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    auto* shared = static_cast<Shared*>(block);
    EXPECT_EQ(shared->counter, 0);
    EXPECT_EQ(shared->values[3], 0.0);
    shared->counter = 17;
    ASSERT_EQ(CmtReleaseTSVPtr(handle), 0);
    ASSERT_EQ(CmtGetTSVPtr(handle, &block), 0);
    EXPECT_EQ(static_cast<Shared*>(block)->counter, 17);
    ASSERT_EQ(CmtReleaseTSVPtr(handle), 0);
    EXPECT_EQ(CmtDiscardTSV(handle), 0);
}

TEST(ThreadSafeVariable, LockKeepsThreadsApart) {
    int handle = 0;
    ASSERT_EQ(CmtNewTSV(sizeof(Shared), &handle), 0);
    constexpr int kThreads = 4, kRounds = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([handle] {
            for (int i = 0; i < kRounds; ++i) {
                void* block = nullptr;
                if (CmtGetTSVPtr(handle, &block) != 0) return;
                auto* shared = static_cast<Shared*>(block);
                int32_t seen = shared->counter;
                std::this_thread::yield();
                shared->counter = seen + 1; // lost updates show when the lock does not hold
                CmtReleaseTSVPtr(handle);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    void* block = nullptr;
    ASSERT_EQ(CmtGetTSVPtr(handle, &block), 0);
    EXPECT_EQ(static_cast<Shared*>(block)->counter, kThreads * kRounds);
    CmtReleaseTSVPtr(handle);
    CmtDiscardTSV(handle);
}

TEST(ThreadSafeVariable, OwnerMayLockAgainAndOthersWait) {
    int handle = 0;
    ASSERT_EQ(CmtNewTSV(4, &handle), 0);
    void* outer = nullptr;
    void* inner = nullptr;
    ASSERT_EQ(CmtGetTSVPtr(handle, &outer), 0);
    ASSERT_EQ(CmtGetTSVPtr(handle, &inner), 0); // nested
    EXPECT_EQ(outer, inner);

    std::atomic<bool> otherGotIt{false};
    std::atomic<int> otherRelease{1};
    std::thread other([&] {
        void* block = nullptr;
        if (CmtGetTSVPtr(handle, &block) == 0) {
            otherGotIt = true;
            CmtReleaseTSVPtr(handle);
        }
    });
    // A release by a thread that does not hold it fails.
    std::thread([&] { otherRelease = CmtReleaseTSVPtr(handle); }).join();
    EXPECT_LT(otherRelease.load(), 0);

    ASSERT_EQ(CmtReleaseTSVPtr(handle), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherGotIt.load()); // still held once
    ASSERT_EQ(CmtReleaseTSVPtr(handle), 0);
    other.join();
    EXPECT_TRUE(otherGotIt.load());
    EXPECT_LT(CmtReleaseTSVPtr(handle), 0); // not held any more
    CmtDiscardTSV(handle);
}

TEST(ThreadSafeVariable, DiscardedHandleFailsAtOnce) {
    int handle = 0;
    ASSERT_EQ(CmtNewTSV(8, &handle), 0);
    ASSERT_EQ(CmtDiscardTSV(handle), 0);
    void* block = reinterpret_cast<void*>(0x1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_LT(CmtGetTSVPtr(handle, &block), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_LT(CmtReleaseTSVPtr(handle), 0);
    EXPECT_LT(CmtDiscardTSV(handle), 0);
    EXPECT_LT(CmtGetTSVPtr(987654, &block), 0);
    EXPECT_LT(CmtGetTSVPtr(handle, nullptr), 0);
    EXPECT_LT(CmtNewTSV(8, nullptr), 0);
}

TEST(ThreadSafeVariable, DiscardWhileAnotherThreadWaitsWakesItWithAFailure) {
    int handle = 0;
    ASSERT_EQ(CmtNewTSV(sizeof(Shared), &handle), 0);
    void* block = nullptr;
    ASSERT_EQ(CmtGetTSVPtr(handle, &block), 0); // held by this thread

    std::atomic<int> waiterResult{1};
    std::atomic<bool> waiterDone{false};
    std::thread waiter([&] {
        void* mine = nullptr;
        waiterResult = CmtGetTSVPtr(handle, &mine);
        waiterDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the waiter is blocked
    EXPECT_FALSE(waiterDone.load());

    std::thread discarder([&] { EXPECT_EQ(CmtDiscardTSV(handle), 0); });
    discarder.join();
    waiter.join();
    EXPECT_LT(waiterResult.load(), 0);
    // The holder's block stays usable until it lets go.
    static_cast<Shared*>(block)->counter = 5;
    EXPECT_EQ(CmtReleaseTSVPtr(handle), 0);
    EXPECT_LT(CmtGetTSVPtr(handle, &block), 0);
}

} // namespace
