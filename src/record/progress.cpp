// The recorder's progress report on standard error: a bar redrawn in place on a terminal,
// a plain line at every tenth of the demo otherwise.
#include "record/progress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets/demo_timeline.h"
#include "platform/platform.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int barWidth = 30;
constexpr int narrowestBar = 10;
constexpr double redrawSeconds = 0.1;

struct {
    int fps;
    int columns;  // 0 when standard error is no terminal
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
    if (state.columns) {
        char figures[96];
        std::snprintf(figures, sizeof figures, "%5.1f / %d s  %6.1f fps  %s left ", demoDone, demoSeconds, rate,
                      minutesAndSeconds(left).c_str());
        // A line that reaches the terminal's last column wraps, and each redraw would then
        // scroll a new line: the bar narrows, then goes, then the figures are cut.
        const int room = state.columns - 1;
        const int width =
            std::min(barWidth, room - static_cast<int>(sizeof "recording [] " - 1 + std::strlen(figures)));
        std::string line = "recording ";
        if (width >= narrowestBar) {
            std::string bar(static_cast<size_t>(width), '-');
            for (int i = 0; i < static_cast<int>(fraction * width); ++i) bar[static_cast<size_t>(i)] = '#';
            line += "[" + bar + "] ";
        }
        line += figures;
        line.resize(std::min(line.size(), static_cast<size_t>(std::max(room, 0))));
        platformPrint(stderr, "\r%s", line.c_str());
    } else {
        platformPrint(stderr, "recording: %3d%% (%.1f of %d s), %.1f fps, %s left\n",
                      static_cast<int>(fraction * 100 + 0.5), demoDone, demoSeconds, rate,
                      minutesAndSeconds(left).c_str());
    }
    std::fflush(stderr);
}
}  // namespace

void progressStart(int fps, int terminalColumns) {
    state.fps = fps;
    state.columns = std::max(terminalColumns, 0);
    state.totalFrames = static_cast<long>(demoSeconds) * fps;
    state.tenthsShown = 0;
    state.started = Clock::now();
    state.lastDrawn = -redrawSeconds;
}

void progressFrame(long framesDone) {
    if (state.columns) {
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
    if (state.columns) {
        if (completed) draw(framesDone, secondsSince(state.started));
        platformPrint(stderr, "\n");
    } else if (completed && framesDone * 10 / state.totalFrames < 10) {
        draw(framesDone, secondsSince(state.started));  // where an interrupted run stopped
    }
}
