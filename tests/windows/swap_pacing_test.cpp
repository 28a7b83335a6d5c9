#include <gtest/gtest.h>

#include <chrono>

#include "platform/swap_pacing.h"
#include "platform/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(SwapPacing, SwapsThatComeBackAtOnceAreHeldToSixtyASecond) {
    paceFrame();
    const auto start = Clock::now();
    for (int i = 0; i < 30; ++i) paceFrame();
    const long long took = millisecondsSince(start);
    // 30 frames of 1/60 s; Sleep's whole milliseconds even out over them.
    EXPECT_GE(took, 480);
    EXPECT_LT(took, 800);
}

TEST(SwapPacing, LateFrameIsNotWaitedFor) {
    paceFrame();
    Sleep(40);
    const auto start = Clock::now();
    paceFrame();
    EXPECT_LT(millisecondsSince(start), 5);
    // The late frame starts the next period afresh.
    paceFrame();
    EXPECT_GE(millisecondsSince(start), 15);
}
