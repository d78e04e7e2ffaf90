// Twenty F1 re-creations of the whole demo in one run, with the real scenes and media:
// resident memory must stay flat, and the sanitizer build must find no leak.
#include <gtest/gtest.h>
#include <malloc.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/main_loop.h"
#include "support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
// Freed blocks would otherwise sit in the quarantine and look like growth.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=1"; }
#endif

namespace {
constexpr int recreations = 20;
constexpr int framesPerWindow = 3;

std::vector<long> residentKiB;  // one sample per F1, taken after that many re-creations
int framesDrawn;

long readResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            break;
        }
        std::getline(status, key);
    }
    return value;
}

// Every few frames a sample, then F1 (which the loop clears itself); Escape after the last.
void pressAfterFrames(int, void*) {
    if (++framesDrawn % framesPerWindow != 0) return;
    malloc_trim(0);  // free heap pages go back first: only memory still held is counted
    residentKiB.push_back(readResidentKiB());
    const PlatformMessage key = {PLATFORM_WM_KEYDOWN,
                                 static_cast<uintptr_t>(residentKiB.size() > recreations ? 27 : 112), 0};
    platformPostMessage(&key);
}

int acceptWindowed(const char*, const char*, PlatformButtons buttons, PlatformIcon) {
    return buttons == PLATFORM_BUTTONS_YESNO ? PLATFORM_ANSWER_YES : PLATFORM_ANSWER_OK;
}
}  // namespace

TEST(RecreationSoak, TwentyRecreationsKeepResidentMemoryFlat) {
    ScopedChdir inBuild(QUORVEX_BUILD_DIR);  // where the generated media live
    ASSERT_EQ(platformSelectBackend(PLATFORM_OFFSCREEN), 1);
    platformSetMessageBoxHook(acceptWindowed);
    LoopOptions options;
    options.startFullscreen = 0;
    options.pace = PACE_UNCAPPED;  // nothing to wait for: every call is a frame
    options.callMade = pressAfterFrames;
    EXPECT_EQ(demoMain(options), 0);
    platformSetMessageBoxHook(nullptr);

    ASSERT_EQ(residentKiB.size(), static_cast<size_t>(recreations + 1));
    for (long kib : residentKiB) std::printf("%ld ", kib);
    std::printf("\n");
    const long growthKiB = residentKiB[recreations] - residentKiB[2];
    std::printf("resident memory: after 2 re-creations %ld KiB, after %d %ld KiB (%+ld KiB)\n", residentKiB[2],
                recreations, residentKiB[recreations], growthKiB);
    EXPECT_LE(growthKiB, 2048);
}
