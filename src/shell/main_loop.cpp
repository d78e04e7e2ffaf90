// The demo's heartbeat: one message per pass, a frame when the queue is empty and the
// window is active, the frame clock read between the chain and the swap, Escape and F1.
#include "shell/main_loop.h"

#include "platform/platform.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "shell/window.h"

unsigned char active = 1;
unsigned char fullscreen = 1;
unsigned char KeyState[256];
FrameClock frameClock;

namespace {
constexpr int vkEscape = 27;
constexpr int vkF1 = 112;
constexpr int minimizedWaitMs = 10;
const char* const windowTitle = "Quorvex Dalmera";

struct {
    int done;
    int exitCode;         // the quit message's code; every other normal end is 0
    int capStarted;
    uint32_t lastTimerMs;
    double timerTotalMs;  // the wrapping timer, unwrapped for the frame cap
    double deadlineMs;    // when the next capped frame may be presented
} state;

int openDemoWindow() { return openWindow(windowTitle, demoWidth, demoHeight, 16, fullscreen); }

double unwrappedTimerMs() {
    const uint32_t now = platformTimerMs();
    state.timerTotalMs += static_cast<double>(static_cast<uint32_t>(now - state.lastTimerMs));
    state.lastTimerMs = now;
    return state.timerTotalMs;
}

// Paces frames to an average of `fps` with a running deadline, so whole-millisecond sleeps
// do not round the rate; after a long stall the schedule starts afresh instead of racing.
void capFrameRate(int fps) {
    if (fps <= 0) return;
    const double frameMs = 1000.0 / fps;
    if (!state.capStarted) {
        state.lastTimerMs = platformTimerMs();
        state.timerTotalMs = 0.0;
    }
    const double now = unwrappedTimerMs();
    if (!state.capStarted || now - state.deadlineMs > frameMs) {
        state.deadlineMs = now;
        state.capStarted = 1;
    } else if (now < state.deadlineMs) {
        platformSleepMs(static_cast<int>(state.deadlineMs - now));
    }
    state.deadlineMs += frameMs;
}

// The empty-queue branch: draw (when active), then act on F1. Returns 0 when F1's new
// window could not be opened and the program must end at once.
int idlePass(const LoopOptions& options) {
    const int drawn = active;
    // The chain draws even on the frame where Escape is seen; that frame is never shown.
    if ((active && !runSceneChain()) || KeyState[vkEscape]) {
        state.done = 1;
    } else {
        frameStep = readFrameClock();
        if (drawn && options.frameDrawn) options.frameDrawn(options.user);
        platformSwapBuffers();
        capFrameRate(options.fpsCap);
    }
    if (KeyState[vkF1]) {
        KeyState[vkF1] = 0;
        closeWindow();
        fullscreen = !fullscreen;
        if (!openDemoWindow()) return 0;
    }
    return 1;
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
        case PLATFORM_WM_CLOSE:
            platformPostQuitMessage(0);
            return 0;
        case PLATFORM_WM_KEYDOWN:
            KeyState[wParam & 0xFF] = 1;
            return 0;
        case PLATFORM_WM_KEYUP:
            KeyState[wParam & 0xFF] = 0;
            return 0;
        case PLATFORM_WM_SIZE:
            sizeView(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
            return 0;
        default:
            return platformDefWindowProc(message, wParam, lParam);
    }
}

int demoMain(const LoopOptions& options) {
    state.done = 0;
    state.exitCode = 0;
    state.capStarted = 0;
    fullscreen = static_cast<unsigned char>(options.startFullscreen);
    if (!openDemoWindow()) return 0;
    for (;;) {
        if (state.done) {
            closeWindow();
            return state.exitCode;
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
        if (!idlePass(options)) return 0;
    }
}
