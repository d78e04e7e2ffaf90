// The live calendar clock: its whole seconds tick one second apart on the precise clock, the
// first a second after the first reading, so marks timed in seconds fall where the
// virtual clock of a recording puts them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"

TEST(LiveCalendar, SecondsTickAWholeSecondAfterTheFirstReading) {
    const double first = platformPreciseSeconds();
    const int32_t start = platformCalendarSeconds();
    std::vector<double> ticks;  // precise seconds at which the calendar second changed
    int32_t last = start;
    while (ticks.size() < 2 && platformPreciseSeconds() - first < 3.5) {
        const int32_t now = platformCalendarSeconds();
        if (now != last) ticks.push_back(platformPreciseSeconds());
        EXPECT_LE(now - last, 1);
        last = now;
        platformSleepMs(2);
    }
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_NEAR(ticks[0] - first, 1.0, 0.05) << "time() would tick at any fraction of the first second";
    EXPECT_NEAR(ticks[1] - ticks[0], 1.0, 0.05);
}
