// The generator against the C library's rand(): on Linux that is the GNU library's own; in the
// browser and Windows builds it is the stand-in, which must be the one linked, since musl's and
// msvcrt's draw otherwise.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/glibc_rand.h"

TEST(GlibcRand, DrawsWhatTheLibraryDrawsForEverySeed) {
    // 0 counts as 1; seeds from 2^31 up are negative words inside the library.
    for (unsigned seed : {1u, 0u, 2u, 42u, 12345u, 0x7fffffffu, 0x80000000u, 0xdeadbeefu, 0xffffffffu}) {
        std::srand(seed);
        GlibcRand g;
        glibcRandSeed(&g, seed);
        for (int i = 0; i < 5000; ++i) ASSERT_EQ(std::rand(), glibcRandNext(&g)) << "seed " << seed << ", value " << i;
    }
    // The first values of the unseeded library, which the particles draw.
    std::srand(1);
    for (int expected : {1804289383, 846930886, 1681692777, 1714636915, 1957747793}) EXPECT_EQ(std::rand(), expected);
}
