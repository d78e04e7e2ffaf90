// The demo's two clocks: the wrapping millisecond timer and calendar seconds.
// A virtual clock can stand in for both, so tests and the recorder set the time themselves.
#include "platform/platform.h"

#include <SDL.h>

#include <ctime>

namespace {
struct {
    int virtualOn;
    uint32_t timerMs;
    int32_t calendarSeconds;
} state;
}  // namespace

uint32_t platformTimerMs() {
    if (state.virtualOn) return state.timerMs;
    // A 32-bit millisecond count wraps every 49.7 days; the frame clock's unsigned difference
    // of two readings stays right across the wrap.
    return static_cast<uint32_t>(SDL_GetTicks64());
}

int32_t platformCalendarSeconds() {
    if (state.virtualOn) return state.calendarSeconds;
    return static_cast<int32_t>(std::time(nullptr));
}

void platformUseVirtualClock(int on) { state.virtualOn = on; }

void platformSetVirtualClock(uint32_t timerMs, int32_t calendarSeconds) {
    state.timerMs = timerMs;
    state.calendarSeconds = calendarSeconds;
}

void platformSleepMs(int ms) {
    if (ms > 0) SDL_Delay(static_cast<uint32_t>(ms));
}
