// The demo's heartbeat: one message per pass, a paced chain call when the queue is empty and
// the window is active, the frame clock read between the chain and the swap, Escape and F1.
#include "shell/main_loop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "shell/frame_stats.h"
#include "shell/window.h"

unsigned char active = 1;
unsigned char fullscreen = 1;
unsigned char KeyState[256];
FrameClock frameClock;

namespace {
constexpr int minimizedWaitMs = 10;
const char* const windowTitle = "Quorvex Dalmera";

struct {
    int done;
    int exitCode;  // the quit message's code; every other normal end is 0
    PaceMode pace;
    int picturesPerSecond;
} state;

// QUORVEX_DRAW_HIDDEN_SCENES=1 draws finished scenes in full, to compare against culling.
int hiddenScenesUndrawn() {
    const char* value = std::getenv("QUORVEX_DRAW_HIDDEN_SCENES");
    return !value || !*value || std::strcmp(value, "0") == 0;
}

// Live, swaps wait for the refreshes that present the pictures at their rate; the pace's
// deadlines keep the rate where the driver does not wait. Each new window starts a new
// schedule: its start-up took time that no call should make up for.
int openDemoWindow() {
    if (!openWindow(windowTitle, demoWidth, demoHeight, 16, fullscreen)) return 0;
    if (state.pace == PACE_LIVE)
        platformSetSwapInterval(paceSwapInterval(platformDisplayRefreshHz(), state.picturesPerSecond));
    paceRestart();
    statsPause();
    return 1;
}

// A picture goes to the screen, unless a scene predicted finished turned out to be running:
// that picture lacks it, so the last one stays up and the scene is drawn from the next call.
void present() {
    if (hiddenSceneMispredicted) {
        hiddenSceneMispredicted = 0;
        return;
    }
    platformSwapBuffers();
    statsPresented(lastShownScene(), platformPreciseSeconds());
}

// One call of the scene chain as the pace asks for it. Returns 0 when it ends the demo.
int pacedCall(const LoopOptions& options) {
    const PacedCall call = paceNextCall();
    setChainUndrawn(call.pictures == 0);
    const int running = runSceneChain();
    setChainUndrawn(0);
    // The chain draws even on the call where Escape is seen; that picture is never shown.
    if (!running || KeyState[PLATFORM_VK_ESCAPE]) return 0;
    frameStep = readFrameClock();
    paceCallMade();
    if (call.madeUp) statsMadeUp(lastShownScene());
    if (options.callMade) options.callMade(call.pictures, options.user);
    if (call.pictures) present();
    return 1;
}

// Minimized, nothing is drawn; the clock is still read and the buffers swapped, and the
// schedule starts afresh once the window is back.
void minimizedPass() {
    frameStep = readFrameClock();
    platformSwapBuffers();
    paceRestart();
    statsPause();
}

// The empty-queue branch: a call (when active), then F1. Returns 0 when F1's new window
// could not be opened and the program must end at once.
int idlePass(const LoopOptions& options) {
    if (active) {
        if (!pacedCall(options)) state.done = 1;
    } else if (KeyState[PLATFORM_VK_ESCAPE]) {
        state.done = 1;
    } else {
        minimizedPass();
    }
    if (KeyState[PLATFORM_VK_F1]) {
        KeyState[PLATFORM_VK_F1] = 0;
        closeWindow();
        fullscreen = !fullscreen;
        if (!openDemoWindow()) return 0;
    }
    return 1;
}

// Culling ends with the run: whatever drives the chain next starts from the plain state.
int finishRun(int exitCode) {
    setHiddenScenesUndrawn(0);
    return exitCode;
}

// While minimized nothing is drawn, so waiting briefly for a message spares a core.
int nextMessage(PlatformMessage* message) {
    if (!active) return platformWaitMessage(message, minimizedWaitMs);
    return platformPeekMessage(message);
}
}  // namespace

float readFrameClock() {
    if (frameClock.previousMs == 0) frameClock.previousMs = platformTimerMs();
    frameClock.currentMs = platformTimerMs();
    frameClock.lastDeltaMs = static_cast<float>(frameClock.currentMs - frameClock.previousMs);
    frameClock.previousMs = frameClock.currentMs;
    return frameClock.lastDeltaMs / 1000.0f;
}

intptr_t windowProcedure(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case PLATFORM_WM_ACTIVATE:
            // Only the minimized state counts: a window that merely loses the focus keeps drawing.
            active = ((wParam >> 16) & 0xFFFF) == 0;
            return 0;
        case PLATFORM_WM_SYSCOMMAND:
            if (wParam == PLATFORM_SC_SCREENSAVE || wParam == PLATFORM_SC_MONITORPOWER) return 0;
            return platformDefWindowProc(message, wParam, lParam);
        case PLATFORM_WM_CLOSE: platformPostQuitMessage(0); return 0;
        case PLATFORM_WM_KEYDOWN: KeyState[wParam & 0xFF] = 1; return 0;
        case PLATFORM_WM_KEYUP: KeyState[wParam & 0xFF] = 0; return 0;
        case PLATFORM_WM_SIZE:
            sizeView(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
            return 0;
        default: return platformDefWindowProc(message, wParam, lParam);
    }
}

int demoMain(const LoopOptions& options) {
    state.done = 0;
    state.exitCode = 0;
    state.pace = options.pace;
    state.picturesPerSecond = options.picturesPerSecond;
    paceStart(options.pace, options.picturesPerSecond);
    statsStart(options.pace == PACE_LIVE ? std::min(options.picturesPerSecond, demoCallsPerSecond)
                                         : demoCallsPerSecond);
    setHiddenScenesUndrawn(hiddenScenesUndrawn());
    fullscreen = static_cast<unsigned char>(options.startFullscreen);
    if (!openDemoWindow()) return finishRun(0);
    for (;;) {
        if (state.done) {
            closeWindow();
            return finishRun(state.exitCode);
        }
        PlatformMessage message;
        if (nextMessage(&message)) {
            if (message.message == PLATFORM_WM_QUIT) {
                state.done = 1;
                state.exitCode = static_cast<int>(message.wParam);
            } else {
                windowProcedure(message.message, message.wParam, message.lParam);
            }
            continue;
        }
        if (!idlePass(options)) return finishRun(0);
    }
}
