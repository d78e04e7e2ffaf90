// The browser build's rand() and srand(): the GNU C library's generator in place of the C
// library's own, so the particles fly as in the Linux program and its recordings.
#include <cstdlib>

#include "platform/glibc_rand.h"

namespace {
GlibcRand generator;
bool seeded = false;
}  // namespace

extern "C" void srand(unsigned seed) {
    glibcRandSeed(&generator, seed);
    seeded = true;
}

// Unseeded, the library draws as if seeded with 1.
extern "C" int rand() {
    if (!seeded) srand(1);
    return glibcRandNext(&generator);
}
