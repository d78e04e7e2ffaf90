// rand() as the GNU C library draws it, for builds whose C library draws differently: the
// particles take their paths from it, so every build must draw the same numbers.
#pragma once

#include <cstdint>

constexpr int glibcRandLags = 34;

// The default generator's state: the last 34 values of r[i] = r[i-31] + r[i-3] (mod 2^32).
struct GlibcRand {
    uint32_t ring[glibcRandLags];
    uint64_t next;  // i of the next value
};

// srand(seed): the ring filled from a multiplicative congruential sequence, then the first
// 310 values drawn and dropped, as the library does.
void glibcRandSeed(GlibcRand* g, unsigned seed);
// rand(): the next value, 0 to RAND_MAX (2^31 - 1).
int glibcRandNext(GlibcRand* g);
