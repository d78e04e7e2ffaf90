// The entry function's loop: one window message per pass, a frame whenever the queue is
// empty, the frame clock, Escape and F1; plus the key table and the flags it reads.
#pragma once

#include <cstdint>

#include "platform/platform.h"

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
    int fpsCap = 0;           // --fps N caps live frames per second; 0 = uncapped
    // Called after every drawn frame, after the frame clock is read and before the swap:
    // the recorder reads the frame back, takes its samples and moves its virtual clock on.
    void (*frameDrawn)(void* user) = nullptr;
    void* user = nullptr;
};

// Runs the demo and returns the exit code: openWindow (ending in runStartup), the loop,
// closeWindow (ending in runShutdown); F1 closes and opens again in the other mode.
int demoMain(const LoopOptions& options);
intptr_t windowProcedure(uint32_t message, uintptr_t wParam, intptr_t lParam);
float readFrameClock();
