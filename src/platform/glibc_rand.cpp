// The GNU C library's default rand() generator (its additive feedback one), built on every
// platform so the native tests can hold it against the library's own rand().
#include "platform/glibc_rand.h"

namespace {
constexpr int64_t modulus = 2147483647;  // 2^31 - 1
constexpr int dropped = 310;
}  // namespace

void glibcRandSeed(GlibcRand* g, unsigned seed) {
    // The library keeps the seed as a signed 32-bit word, and 0 would make every value 0.
    int32_t word = static_cast<int32_t>(seed ? seed : 1u);
    g->ring[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < 31; ++i) {
        int64_t product = int64_t{16807} * word % modulus;
        if (product < 0) product += modulus;
        word = static_cast<int32_t>(product);
        g->ring[i] = static_cast<uint32_t>(word);
    }
    for (int i = 31; i < glibcRandLags; ++i) g->ring[i] = g->ring[i - 31];
    g->next = glibcRandLags;
    for (int i = 0; i < dropped; ++i) glibcRandNext(g);
}

int glibcRandNext(GlibcRand* g) {
    const uint64_t i = g->next++;
    // The slot of r[i-34] takes r[i]; the lags sit 3 and 31 slots on in the ring.
    uint32_t& slot = g->ring[i % glibcRandLags];
    slot = g->ring[(i + 3) % glibcRandLags] + g->ring[(i + 31) % glibcRandLags];
    return static_cast<int>(slot >> 1);
}
