// The write handshake: claims, refusals, the one-second take-over, release by arriving data,
// and shut-down. Timings use tolerances that hold on a loaded two-core machine.
#include "serial/status_write.h"

#include "runtime/system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class StatusWriteTest : public ::testing::Test {
  protected:
    void SetUp() override { InitializeStatusWrite(); }
    void TearDown() override { UninitializeStatusWrite(); }
};

TEST_F(StatusWriteTest, BothFieldsStartAtZero) {
    const StatusWrite s = GetStatusWrite();
    EXPECT_EQ(s.waiting, 0);
    EXPECT_EQ(s.claimTime, 0.0);
}

TEST_F(StatusWriteTest, TheFirstWaitingWriteClaimsAtOnce) {
    const double before = MonotonicSeconds();
    const auto start = Clock::now();
    EXPECT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    EXPECT_LT(secondsSince(start), 0.2);
    const StatusWrite s = GetStatusWrite();
    EXPECT_EQ(s.waiting, 1);
    EXPECT_GE(s.claimTime, before);
    EXPECT_LE(s.claimTime, MonotonicSeconds());
}

// The immediate answers of each mode on a free and on a claimed handshake.
struct ModeCase {
    int32_t mode;
    bool claimedBefore;
    int expected;
};

class StatusWriteModeTest : public StatusWriteTest,
                            public ::testing::WithParamInterface<ModeCase> {};

TEST_P(StatusWriteModeTest, AnswersWithoutWaitingWhenFreeOrRefused) {
    const ModeCase c = GetParam();
    if (c.claimedBefore) SetStatusWrite(1, MonotonicSeconds());
    const auto start = Clock::now();
    EXPECT_EQ(SetWaitCom(c.mode), c.expected);
    EXPECT_LT(secondsSince(start), 0.2);
    EXPECT_EQ(GetStatusWrite().waiting, 1)
        << "a claimed handshake stays claimed, a free one is claimed";
}

INSTANTIATE_TEST_SUITE_P(Modes, StatusWriteModeTest,
                         ::testing::Values(ModeCase{WAIT_MODE_ANSWER, false, 1},
                                           ModeCase{WAIT_MODE_IF_FREE, false, 1},
                                           ModeCase{WAIT_MODE_NONE, false, 1},
                                           ModeCase{7, false, 1},
                                           ModeCase{WAIT_MODE_IF_FREE, true, 0}),
                         [](const ::testing::TestParamInfo<ModeCase>& p) {
                             const std::string mode = p.param.mode < 0
                                                          ? "Minus" + std::to_string(-p.param.mode)
                                                          : std::to_string(p.param.mode);
                             return "Mode" + mode + (p.param.claimedBefore ? "Claimed" : "Free");
                         });

TEST_F(StatusWriteTest, WithoutAnAnswerTheNextWaitingWriteGoesOutAfterOneSecond) {
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    const auto first = Clock::now();
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    const double waited = secondsSince(first);
    EXPECT_GE(waited, 1.0);
    EXPECT_LE(waited, 1.3);
    EXPECT_EQ(GetStatusWrite().waiting, 1) << "a take-over leaves the answer owed";
}

TEST_F(StatusWriteTest, AnyModeOtherThanIfFreeWaitsLikeModeOne) {
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    const auto first = Clock::now();
    ASSERT_EQ(SetWaitCom(WAIT_MODE_NONE), 1);
    EXPECT_GE(secondsSince(first), 1.0);
}

TEST_F(StatusWriteTest, AWaitingWriteGoesOutSoonAfterTheAnswerArrives) {
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    std::atomic<double> answeredAt{0.0};
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        answeredAt = MonotonicSeconds();
        FinishWaitCom();
    });
    const double start = MonotonicSeconds();
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    const double done = MonotonicSeconds();
    device.join();
    EXPECT_GE(done, answeredAt.load()) << "went out before the answer";
    EXPECT_LT(done - answeredAt.load(), 0.25) << "the answer did not free the waiting write";
    EXPECT_LT(done - start, 0.9);
    EXPECT_EQ(GetStatusWrite().waiting, 1) << "the waiting write is the new claimant";
}

TEST_F(StatusWriteTest, AnAnswerAfterATakeOverFreesTheNextWriter) {
    SetStatusWrite(1, MonotonicSeconds() - 2.0); // an old claim
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);  // take-over at once
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 0);
    FinishWaitCom(); // the late answer to the old command
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 1);
}

TEST_F(StatusWriteTest, ArrivingDataFreesTheHandshake) {
    ASSERT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 1);
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 0);
    FinishWaitCom();
    EXPECT_EQ(GetStatusWrite().waiting, 0);
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 1);
}

TEST_F(StatusWriteTest, SetAndGetReplaceAndCopyTheRecord) {
    SetStatusWrite(1, 42.5);
    StatusWrite s = GetStatusWrite();
    EXPECT_EQ(s.waiting, 1);
    EXPECT_EQ(s.claimTime, 42.5);
    SetStatusWrite(0, 7.0);
    s = GetStatusWrite();
    EXPECT_EQ(s.waiting, 0);
    EXPECT_EQ(s.claimTime, 7.0);
}

TEST_F(StatusWriteTest, ThePointerHoldsTheLockUntilReleased) {
    StatusWrite* record = GetPointerToStatusWrite();
    ASSERT_NE(record, nullptr);
    record->waiting = 1;
    std::atomic<bool> cleared{false};
    std::thread other([&] {
        FinishWaitCom();
        cleared = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(cleared.load()) << "another thread changed the record while it was locked";
    EXPECT_EQ(record->waiting, 1);
    ReleasePointerToStatusWrite();
    other.join();
    EXPECT_TRUE(cleared.load());
    EXPECT_EQ(GetStatusWrite().waiting, 0);
}

TEST_F(StatusWriteTest, FinishWaitsForTheClaimAndThenRefusesEveryWaitingWrite) {
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    const auto start = Clock::now();
    StatusWriteFinish();
    const double waited = secondsSince(start);
    EXPECT_GE(waited, 1.0);
    EXPECT_LE(waited, 1.3);

    const auto after = Clock::now();
    EXPECT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 0);
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 0);
    EXPECT_LT(secondsSince(after), 0.2) << "a refused write must not wait";
    FinishWaitCom(); // harmless without the variable
    EXPECT_EQ(GetPointerToStatusWrite(), nullptr);
    EXPECT_EQ(GetStatusWrite().waiting, 0);
}

TEST_F(StatusWriteTest, FinishOnAFreeHandshakeReturnsAtOnce) {
    const auto start = Clock::now();
    StatusWriteFinish();
    EXPECT_LT(secondsSince(start), 0.2);
    EXPECT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 0);
}

TEST_F(StatusWriteTest, AWriterWaitingWhenTheVariableIsDiscardedIsRefused) {
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    std::thread closer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        UninitializeStatusWrite();
    });
    const auto start = Clock::now();
    EXPECT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 0);
    EXPECT_LT(secondsSince(start), 0.9);
    closer.join();
}

TEST(StatusWriteLifetime, WithoutTheVariableEveryWaitingWriteIsRefused) {
    UninitializeStatusWrite();
    EXPECT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 0);
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 0);
    InitializeStatusWrite();
    EXPECT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    InitializeStatusWrite(); // a new variable starts free
    EXPECT_EQ(GetStatusWrite().waiting, 0);
    UninitializeStatusWrite();
}

} // namespace
