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

TEST(SwapPacing, SwapsAreHeldToSixtyASecondButALateOneIsNotWaitedFor) {
    paceFrame();
    const auto start = Clock::now();
    for (int i = 0; i < 30; ++i) paceFrame();
    const long long took = millisecondsSince(start);
    // 30 frames of 1/60 s; Sleep's whole milliseconds even out over them.
    EXPECT_GE(took, 480);
    EXPECT_LT(took, 800);

    // A late frame is not waited for, and starts the next period afresh.
    Sleep(40);
    const auto late = Clock::now();
    paceFrame();
    EXPECT_LT(millisecondsSince(late), 5);
    paceFrame();
    EXPECT_GE(millisecondsSince(late), 15);
}
