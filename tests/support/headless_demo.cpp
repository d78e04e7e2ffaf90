// Runs demoMain on the offscreen backend with the virtual clock and audio capture on,
// so a test drives the same loop, start-up and scenes as the live demo.
#include "support/headless_demo.h"

#include "shell/main_loop.h"

int runHeadlessDemo(void (*frameDrawn)(void* user), void* user, PlatformMessageBoxHook answer) {
    platformSetMessageBoxHook(answer);
    platformSelectBackend(PLATFORM_OFFSCREEN);
    platformUseVirtualClock(1);
    platformUseAudioCapture(1);
    LoopOptions loop;
    loop.startFullscreen = 0;
    loop.frameDrawn = frameDrawn;
    loop.user = user;
    const int exitCode = demoMain(loop);
    platformUseAudioCapture(0);
    platformUseVirtualClock(0);
    platformSetMessageBoxHook(nullptr);
    return exitCode;
}
