// The pace: which chain calls the pictures show, and live, when each call is due and which
// calls are made up undrawn after the machine fell behind.
#include "shell/pace.h"

#include <cmath>
#include <cstdint>

#include "assets/demo_timeline.h"
#include "platform/platform.h"

namespace {
struct {
    PaceMode mode;
    int fps;
    long calls;     // made since paceStart
    int scheduled;  // the live schedule has an origin
    double originSeconds;
    long originCall;  // the call due at originSeconds
    int madeUpInRow;  // made-up calls since the last drawn one
} state;

int64_t ceilDiv(int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

double dueSeconds(long call) {
    return state.originSeconds + static_cast<double>(call - state.originCall) / demoCallsPerSecond;
}

void startScheduleAt(double now) {
    state.originSeconds = now;
    state.originCall = state.calls;
    state.scheduled = 1;
}

// Whole milliseconds, rounded up, so the wait never ends before the call is due.
void waitUntil(double due) {
    const double now = platformPreciseSeconds();
    if (now < due) platformSleepMs(static_cast<int>(std::ceil((due - now) * 1000.0)));
}

PacedCall nextLiveCall() {
    if (!state.scheduled) startScheduleAt(platformPreciseSeconds());
    waitUntil(dueSeconds(state.calls));
    const double now = platformPreciseSeconds();
    const int pictures = picturesOfCall(state.calls, state.fps);
    if (!pictures) return {0, 0};  // between two pictures: undrawn whether late or not
    const int behind = now >= dueSeconds(state.calls + 1);
    if (behind && state.madeUpInRow < maxMadeUpCalls) {
        ++state.madeUpInRow;
        return {0, 1};
    }
    if (behind) startScheduleAt(now);  // hopelessly behind: slow down from here
    state.madeUpInRow = 0;
    return {pictures, 0};
}
}  // namespace

long firstPictureOfCall(long call, int fps) {
    const int64_t first = ceilDiv(int64_t{fps} * (2 * int64_t{call} - 1), 2 * demoCallsPerSecond);
    return first > 0 ? static_cast<long>(first) : 0;
}

int picturesOfCall(long call, int fps) {
    return static_cast<int>(firstPictureOfCall(call + 1, fps) - firstPictureOfCall(call, fps));
}

void paceStart(PaceMode mode, int fps) {
    state = {};
    state.mode = mode;
    state.fps = fps > 0 ? fps : demoCallsPerSecond;
    // Live, a call is shown at most once: more pictures than calls would repeat them.
    if (mode == PACE_LIVE && state.fps > demoCallsPerSecond) state.fps = demoCallsPerSecond;
}

void paceRestart() {
    state.scheduled = 0;
    state.madeUpInRow = 0;
}

PacedCall paceNextCall() {
    switch (state.mode) {
        case PACE_UNCAPPED: return {1, 0};
        case PACE_VIRTUAL: return {picturesOfCall(state.calls, state.fps), 0};
        case PACE_LIVE:
        default: return nextLiveCall();
    }
}

void paceCallMade() { ++state.calls; }

long paceCalls() { return state.calls; }

int paceSwapInterval(int refreshHz, int fps) {
    if (refreshHz <= 0 || fps <= 0) return 1;
    const int interval = static_cast<int>(std::lround(static_cast<double>(refreshHz) / fps));
    // 59.94 Hz counts as 60; 144 Hz is no whole multiple of 60 and keeps waiting for each refresh.
    if (interval < 1 || std::fabs(refreshHz - static_cast<double>(interval) * fps) > 0.02 * refreshHz) return 1;
    return interval;
}
