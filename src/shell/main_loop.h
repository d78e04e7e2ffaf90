// The entry function's loop: one window message per pass, a frame whenever the queue is
// empty, the frame clock, Escape and F1; plus the key table and the flags it reads.
#pragma once

#include <cstdint>

#include "assets/demo_timeline.h"
#include "platform/platform.h"
#include "shell/pace.h"

struct FrameClock {
    uint32_t previousMs;
    uint32_t currentMs;
    float lastDeltaMs;
};

extern unsigned char active;
extern unsigned char fullscreen;
extern unsigned char KeyState[256];
extern FrameClock frameClock;

// Settings of the command line that the loop honours.
struct LoopOptions {
    int startFullscreen = 1;  // --windowed clears it
    // Pictures a second: live, how many are presented (at most one a call); recorded, how
    // many are written. The chain runs at demoCallsPerSecond either way (pace.h).
    int picturesPerSecond = demoCallsPerSecond;
    PaceMode pace = PACE_LIVE;  // --uncapped: PACE_UNCAPPED; the recorder: PACE_VIRTUAL
    // Called after every chain call that did not end the demo, after the frame clock is read
    // and before any swap, with the number of pictures that show the call (0: made undrawn).
    // The recorder reads the frame back here and moves its virtual clock to the next call.
    void (*callMade)(int pictures, void* user) = nullptr;
    void* user = nullptr;
};

// Runs the demo and returns the exit code: openWindow (ending in runStartup), the loop,
// closeWindow (starting with runShutdown); F1 closes and opens again in the other mode.
int demoMain(const LoopOptions& options);
intptr_t windowProcedure(uint32_t message, uintptr_t wParam, intptr_t lParam);
float readFrameClock();
