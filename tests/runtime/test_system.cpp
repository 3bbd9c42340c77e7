#include "runtime/system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

namespace {

TEST(SystemTime, WallClockInSecondsWithFractions) {
    double seconds = 0;
    ASSERT_EQ(GetCurrentDateTime(&seconds), 0);
    EXPECT_NEAR(seconds, static_cast<double>(std::time(nullptr)), 2.0);
    // Sub-second resolution: readings 3 ms apart differ by less than a second but not by zero.
    double later = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    GetCurrentDateTime(&later);
    EXPECT_GT(later - seconds, 0.002);
    EXPECT_LT(later - seconds, 1.0);
    EXPECT_LT(GetCurrentDateTime(nullptr), 0);
}

TEST(SystemTime, MonotonicSecondsGrow) {
    double start = MonotonicSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    double elapsed = MonotonicSeconds() - start;
    EXPECT_GE(elapsed, 0.019);
    EXPECT_LT(elapsed, 5.0);
}

TEST(ProgramPath, RealPathAndTestingOverride) {
    std::string real = GetExecutablePath();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real[0], '/');
    EXPECT_NE(real.find("test_system"), std::string::npos);
    SetExecutablePathForTesting("/opt/corvane/CorvaneControl");
    EXPECT_EQ(GetExecutablePath(), "/opt/corvane/CorvaneControl");
    SetExecutablePathForTesting("");
    EXPECT_EQ(GetExecutablePath(), real);
}

} // namespace
