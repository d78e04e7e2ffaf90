// The recorder's progress report on standard error: a bar redrawn in place on a terminal,
// a plain line at every tenth of the demo otherwise.
#include "record/progress.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "assets/demo_timeline.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int barWidth = 30;
constexpr double redrawSeconds = 0.1;

struct {
    int fps;
    int terminal;
    long totalFrames;
    int tenthsShown;
    Clock::time_point started;
    double lastDrawn;
} state;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string minutesAndSeconds(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

void draw(long framesDone, double wall) {
    const double fraction = framesDone >= state.totalFrames ? 1.0 : double(framesDone) / double(state.totalFrames);
    const double rate = wall > 0 ? double(framesDone) / wall : 0.0;
    const double left = rate > 0 ? double(state.totalFrames - framesDone) / rate : 0.0;
    const double demoDone = double(framesDone) / state.fps;
    if (state.terminal) {
        std::string bar(barWidth, '-');
        for (int i = 0; i < static_cast<int>(fraction * barWidth); ++i) bar[static_cast<size_t>(i)] = '#';
        std::fprintf(stderr, "\rrecording [%s] %5.1f / %d s  %6.1f fps  %s left ", bar.c_str(), demoDone, demoSeconds,
                     rate, minutesAndSeconds(left).c_str());
    } else {
        std::fprintf(stderr, "recording: %3d%% (%.1f of %d s), %.1f fps, %s left\n",
                     static_cast<int>(fraction * 100 + 0.5), demoDone, demoSeconds, rate,
                     minutesAndSeconds(left).c_str());
    }
    std::fflush(stderr);
}
}  // namespace

void progressStart(int fps, int terminal) {
    state.fps = fps;
    state.terminal = terminal;
    state.totalFrames = static_cast<long>(demoSeconds) * fps;
    state.tenthsShown = 0;
    state.started = Clock::now();
    state.lastDrawn = -redrawSeconds;
}

void progressFrame(long framesDone) {
    if (state.terminal) {
        const double wall = secondsSince(state.started);
        if (wall - state.lastDrawn < redrawSeconds) return;
        state.lastDrawn = wall;
        draw(framesDone, wall);
        return;
    }
    const int tenths = static_cast<int>(framesDone * 10 / state.totalFrames);
    if (tenths <= state.tenthsShown || tenths > 10) return;
    state.tenthsShown = tenths;
    draw(framesDone, secondsSince(state.started));
}

void progressFinish(long framesDone, int completed) {
    if (state.terminal) {
        if (completed) draw(framesDone, secondsSince(state.started));
        std::fputc('\n', stderr);
    } else if (completed && framesDone * 10 / state.totalFrames < 10) {
        draw(framesDone, secondsSince(state.started));  // where an interrupted run stopped
    }
}
