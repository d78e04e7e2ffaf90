// Runs demoMain on the offscreen backend with the virtual clock and audio capture on,
// so a test drives the same loop, start-up and scenes as the live demo.
#include "support/headless_demo.h"

#include "shell/main_loop.h"

namespace {
void (*drawnHook)(void* user);

// At 60 pictures a second every call is drawn, so every call is a frame to the caller.
void onCallMade(int pictures, void* user) {
    if (pictures && drawnHook) drawnHook(user);
}
}  // namespace

void setHeadlessClock(long n) {
    platformSetVirtualClock(static_cast<uint32_t>(n * 1000 / headlessFps),
                            1700000000 + static_cast<int32_t>(n / headlessFps));
}

int runSampledHeadlessDemo(int picturesPerSecond, void (*callMade)(int pictures, void* user), void* user) {
    platformSelectBackend(PLATFORM_OFFSCREEN);
    platformUseVirtualClock(1);
    platformUseAudioCapture(1);
    LoopOptions loop;
    loop.startFullscreen = 0;
    loop.pace = PACE_VIRTUAL;
    loop.picturesPerSecond = picturesPerSecond;
    loop.callMade = callMade;
    loop.user = user;
    const int exitCode = demoMain(loop);
    platformUseAudioCapture(0);
    platformUseVirtualClock(0);
    return exitCode;
}

int runHeadlessDemo(void (*frameDrawn)(void* user), void* user, PlatformMessageBoxHook answer) {
    platformSetMessageBoxHook(answer);
    drawnHook = frameDrawn;
    const int exitCode = runSampledHeadlessDemo(headlessFps, onCallMade, user);
    drawnHook = nullptr;
    platformSetMessageBoxHook(nullptr);
    return exitCode;
}
