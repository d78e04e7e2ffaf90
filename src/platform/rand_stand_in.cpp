// rand() and srand() of the browser and Windows builds: the GNU C library's generator in place
// of the C library's own, so the particles fly as in the Linux program and its recordings.
#include <cstdlib>

#include "platform/glibc_rand.h"

namespace {
GlibcRand seededWith(unsigned seed) {
    GlibcRand g;
    glibcRandSeed(&g, seed);
    return g;
}
GlibcRand generator = seededWith(1);  // unseeded, the library draws as if seeded with 1
}  // namespace

extern "C" void srand(unsigned seed) { glibcRandSeed(&generator, seed); }

extern "C" int rand() { return glibcRandNext(&generator); }
