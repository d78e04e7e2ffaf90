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
    PlatformMessage lastMessage;
    uint32_t lastFrameMs;
} state;

int openDemoWindow() { return openWindow(windowTitle, 640, 480, 16, fullscreen); }

void capFrameRate(int fps) {
    if (fps <= 0) return;
    const uint32_t frameMs = 1000u / static_cast<uint32_t>(fps);
    const uint32_t spent = platformTimerMs() - state.lastFrameMs;
    if (spent < frameMs) platformSleepMs(static_cast<int>(frameMs - spent));
    state.lastFrameMs = platformTimerMs();
}

// The empty-queue branch: draw (when active), then act on F1. Returns 0 when F1's new
// window could not be opened and the program must end at once.
int idlePass(const LoopOptions& options) {
    if ((active && !runSceneChain()) || KeyState[vkEscape]) {
        state.done = 1;
    } else {
        frameStep = readFrameClock();
        if (options.frameDrawn) options.frameDrawn(options.user);
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
            active = ((wParam >> 16) & 0xFFFF) == 0;
            return 0;
        case PLATFORM_WM_SYSCOMMAND:
            return 0;  // screen saver and monitor power-down refused; nothing else arrives here
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
            resizeView(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
            return 0;
        default:
            return 0;
    }
}

int demoMain(const LoopOptions& options) {
    state.done = 0;
    fullscreen = static_cast<unsigned char>(options.startFullscreen);
    if (!openDemoWindow()) return 0;
    for (;;) {
        if (state.done) {
            closeWindow();
            return static_cast<int>(state.lastMessage.wParam);
        }
        PlatformMessage message;
        if (nextMessage(&message)) {
            state.lastMessage = message;
            if (message.message == PLATFORM_WM_QUIT) state.done = 1;
            else windowProcedure(message.message, message.wParam, message.lParam);
            continue;
        }
        if (!idlePass(options)) return 0;
    }
}
