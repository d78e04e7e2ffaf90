// The real demo loop run offscreen on the virtual clock with captured sound, for tests that
// watch whole runs frame by frame; the platform is put back to its defaults afterwards.
#pragma once

#include "platform/platform.h"

// Starts windowed, answers message boxes with `answer`, calls `frameDrawn(user)` after every
// drawn frame (where the caller moves the virtual clock on) and returns demoMain's exit code.
int runHeadlessDemo(void (*frameDrawn)(void* user), void* user, PlatformMessageBoxHook answer);
// The same at `picturesPerSecond`, seeing every call of the chain: `callMade(pictures, user)`
// after each, where `pictures` is 0 for a call run undrawn between two pictures.
int runSampledHeadlessDemo(int picturesPerSecond, void (*callMade)(int pictures, void* user), void* user);

// The virtual clock of frame `n` at 60 frames a second, from calendar second 1700000000.
constexpr int headlessFps = 60;
void setHeadlessClock(long n);
