// Frame statistics of live play: every interval between two presented pictures is kept
// (98 s at 60 Hz is some 6000 floats), so the percentiles are exact.
#include "shell/frame_stats.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "scenes/director.h"

namespace {
// A picture is late when it follows the one before by more than one and a half of the
// intended intervals: at least one refresh of a 60 Hz display was missed.
constexpr double lateFactor = 1.5;

struct SceneFigures {
    long presented = 0;
    long madeUp = 0;
    long late = 0;
    std::vector<float> intervalsMs;
};

struct {
    double intendedMs = 0;
    double lastPresented = -1;  // < 0: the next picture starts a new interval
    SceneFigures scenes[sceneChainLength];
} state;

bool inChain(int scene) { return scene >= 0 && scene < sceneChainLength; }

// The value below which `share` of the sorted values lie (nearest rank).
float percentile(std::vector<float> values, double share) {
    std::sort(values.begin(), values.end());
    size_t rank = static_cast<size_t>(share * static_cast<double>(values.size()) + 0.999999);
    rank = std::min(std::max<size_t>(rank, 1), values.size());
    return values[rank - 1];
}

std::string sceneLine(int scene, const SceneFigures& figures) {
    char line[256];
    const char* name = sceneChain[scene].name ? sceneChain[scene].name : "scene";
    if (figures.intervalsMs.empty()) {
        std::snprintf(line, sizeof line, "  %-10s %6ld pictures, %5ld calls made up\n", name, figures.presented,
                      figures.madeUp);
    } else {
        std::snprintf(line, sizeof line,
                      "  %-10s %6ld pictures, %5ld calls made up, frame time %5.1f ms median, %5.1f ms 99th "
                      "percentile, %ld late\n",
                      name, figures.presented, figures.madeUp, percentile(figures.intervalsMs, 0.5),
                      percentile(figures.intervalsMs, 0.99), figures.late);
    }
    return line;
}
}  // namespace

void statsStart(int fps) {
    for (SceneFigures& figures : state.scenes) figures = SceneFigures();
    state.intendedMs = 1000.0 / (fps > 0 ? fps : 60);
    state.lastPresented = -1;
}

void statsMadeUp(int scene) {
    if (inChain(scene)) ++state.scenes[scene].madeUp;
}

void statsPresented(int scene, double nowSeconds) {
    if (!inChain(scene)) return;
    SceneFigures& figures = state.scenes[scene];
    ++figures.presented;
    if (state.lastPresented >= 0) {
        const double ms = (nowSeconds - state.lastPresented) * 1000.0;
        figures.intervalsMs.push_back(static_cast<float>(ms));
        if (ms > lateFactor * state.intendedMs) ++figures.late;
    }
    state.lastPresented = nowSeconds;
}

void statsPause() { state.lastPresented = -1; }

std::string statsReport() {
    std::string report;
    for (int i = 0; i < sceneChainLength; ++i)
        if (state.scenes[i].presented) report += sceneLine(i, state.scenes[i]);
    return report;
}
