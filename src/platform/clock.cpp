// The demo's clocks: the wrapping millisecond timer, calendar seconds and a precise steady
// clock. A virtual clock can stand in for all three, with a simulated display for tests.
#include "platform/platform.h"

#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <ctime>

#include "platform/virtual_display.h"
#if defined(__EMSCRIPTEN__)
#include "platform/browser_web.h"
#endif

namespace {
struct {
    int virtualOn;
    double virtualMs;       // the virtual timer, unwrapped and with its fraction
    double setAtMs;         // where the last platformSetVirtualClock put it
    int32_t calendarAtSet;  // the calendar second given then: it moves on a second per 1000 ms
    int displayHz;          // simulated display; 0 when none
    int displayVsync;
    int calendarAnchored;  // live: the first reading sets where the whole seconds tick
    int32_t calendarAnchor;
    double preciseAnchor;
} state;
}  // namespace

uint32_t platformTimerMs() {
    // A 32-bit millisecond count wraps every 49.7 days; the frame clock's unsigned difference
    // of two readings stays right across the wrap.
    if (state.virtualOn) return static_cast<uint32_t>(static_cast<uint64_t>(std::floor(state.virtualMs)));
    return static_cast<uint32_t>(SDL_GetTicks64());
}

// Live, the seconds tick a whole number of seconds after the first reading, as they do on the
// virtual clock from its start. time() alone ticks at whatever fraction of a second the demo
// happened to start, moving every mark the scenes time in whole seconds up to a second early.
int32_t platformCalendarSeconds() {
    if (!state.virtualOn) {
        if (!state.calendarAnchored) {
            state.calendarAnchored = 1;
            state.calendarAnchor = static_cast<int32_t>(std::time(nullptr));
            state.preciseAnchor = platformPreciseSeconds();
        }
        return state.calendarAnchor + static_cast<int32_t>(std::floor(platformPreciseSeconds() - state.preciseAnchor));
    }
    return state.calendarAtSet + static_cast<int32_t>(std::floor((state.virtualMs - state.setAtMs) / 1000.0));
}

double platformPreciseSeconds() {
    if (state.virtualOn) return state.virtualMs / 1000.0;
    static const double ticksPerSecond = static_cast<double>(SDL_GetPerformanceFrequency());
    return static_cast<double>(SDL_GetPerformanceCounter()) / ticksPerSecond;
}

void platformUseVirtualClock(int on) { state.virtualOn = on; }

void platformSetVirtualClock(uint32_t timerMs, int32_t calendarSeconds) {
    state.virtualMs = timerMs;
    state.setAtMs = timerMs;
    state.calendarAtSet = calendarSeconds;
}

void platformSleepMs(int ms) {
    if (ms <= 0) return;
    if (state.virtualOn) state.virtualMs += ms;
#if defined(__EMSCRIPTEN__)
    else platformWebSleep(ms);  // the page runs meanwhile
#else
    else SDL_Delay(static_cast<uint32_t>(ms));
#endif
}

void platformSimulateDisplay(int refreshHz, int vsync) {
    state.displayHz = refreshHz > 0 ? refreshHz : 0;
    state.displayVsync = vsync;
}

int simulatedDisplayHz() { return state.virtualOn ? state.displayHz : 0; }

// The display refreshes at every whole multiple of its period from virtual time 0; a swap
// with vsync returns at the `interval`-th refresh after now, as a driver's would.
void simulatedSwap(int interval) {
    if (!simulatedDisplayHz() || !state.displayVsync || interval <= 0) return;
    const double periodMs = 1000.0 / state.displayHz;
    const double refreshes =
        std::floor(state.virtualMs / periodMs + 1e-6) + interval;  // on a refresh counts as past it
    state.virtualMs = refreshes * periodMs;
}
