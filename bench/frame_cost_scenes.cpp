// Frame cost of each scene of the chain at 640 x 480, against a clear-and-swap frame in the
// same context. A scene's frame also calls every scene before it, as the demo's frames do:
// second argument 0 draws them in full as the live loop does, 1 undraws them as recordings do.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/gl.h"
#include "platform/platform.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "shell/window.h"

namespace {
// Run from the build directory (data/ below it) to draw with the real textures.
constexpr int32_t calendarStart = 1700000000;
constexpr float frameSeconds = 1.0f / 60.0f;
const char* const sceneNames[sceneChainLength] = {"intro", "journey", "sine_cube", "itchy_atom", "vader", "closing"};
// A second of the demo clock inside each scene's stretch of the timeline.
constexpr int secondShowing[sceneChainLength] = {20, 50, 60, 75, 88, 95};

int windowOpen = 0;

int openBenchWindow() {
    if (windowOpen) return 1;
    platformSelectBackend(PLATFORM_OFFSCREEN);
    platformUseVirtualClock(1);
    platformUseAudioCapture(1);
    platformSetVirtualClock(0, calendarStart);
    windowOpen = openWindow("frame cost", 640, 480, 16, 0);
    return windowOpen;
}

// Puts the timeline where `scene` is the first one still running: the scenes before it are
// done (the intro's fade spent, the journey's cube gone) and the clock sits in its stretch.
void placeTimeline(int scene) {
    demoClock.demoStart = calendarStart;
    platformSetVirtualClock(0, calendarStart + secondShowing[scene]);
    demoClock.demoNow = calendarStart + secondShowing[scene];
    sceneState.fadeAlpha = scene > 0 ? -1.0f : 1.0f;
    sceneState.cubeZ = scene > 1 ? 100.0f : -50.0f;
}

void drawFrame(int scene) {
    frameStep = frameSeconds;
    // The journey would end by itself after a few hundred frames; keep its cube in flight.
    if (scene == 1 && sceneState.cubeZ > 15.0f) sceneState.cubeZ = -50.0f;
    runSceneChain();
    glFinish();
    platformSwapBuffers();
}

void sceneFrame(benchmark::State& bench) {
    const int scene = static_cast<int>(bench.range(0));
    const int undrawHidden = static_cast<int>(bench.range(1));
    if (!openBenchWindow()) {
        bench.SkipWithError("no offscreen GL context");
        return;
    }
    setHiddenScenesUndrawn(undrawHidden);
    placeTimeline(scene);
    drawFrame(scene);  // the intro compares the clock of the frame before; the chain learns who finished
    if (lastShownScene() != scene) {
        bench.SkipWithError("the timeline did not stop at this scene");
        return;
    }
    for (auto _ : bench) drawFrame(scene);
    if (lastShownScene() != scene) bench.SkipWithError("the timeline moved past this scene");
    if (hiddenSceneMispredicted) bench.SkipWithError("a scene drawn hidden was still running");
    setHiddenScenesUndrawn(0);
    bench.SetLabel(std::string(sceneNames[scene]) + (undrawHidden ? ", hidden undrawn" : ", all drawn"));
}

void clearAndSwap(benchmark::State& bench) {
    if (!openBenchWindow()) {
        bench.SkipWithError("no offscreen GL context");
        return;
    }
    for (auto _ : bench) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        platformSwapBuffers();
    }
}
}  // namespace

// llvmpipe renders on its own threads, so wall time is the measure. On a busy machine,
// LP_NUM_THREADS=0 moves all rendering onto this thread and makes the CPU column the cost.
BENCHMARK(clearAndSwap)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(sceneFrame)
    ->ArgsProduct({benchmark::CreateDenseRange(0, sceneChainLength - 1, 1), {0, 1}})
    ->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
