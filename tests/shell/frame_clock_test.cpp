// The frame clock: starts at 0, measures wrap-safe differences of the millisecond timer.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "shell/main_loop.h"

namespace {
struct VirtualClock {
    VirtualClock() { platformUseVirtualClock(1); }
    ~VirtualClock() { platformUseVirtualClock(0); }
};
}  // namespace

TEST(FrameClock, FirstReadingIsZeroThenMeasuresTheTimerAcrossItsWrap) {
    VirtualClock clock;
    frameClock = {};
    platformSetVirtualClock(0xFFFFFFF0u, 0);
    EXPECT_EQ(readFrameClock(), 0.0f);
    platformSetVirtualClock(0x00000010u, 0);  // 32 ms later, across the wrap
    EXPECT_FLOAT_EQ(readFrameClock(), 0.032f);
    platformSetVirtualClock(0x00000010u + 1000u, 0);
    EXPECT_FLOAT_EQ(readFrameClock(), 1.0f);
}
