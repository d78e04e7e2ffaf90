// Frame cost of the intro with its 1000 particles and of the journey, each scene alone and
// the particle pass alone, against a clear-and-swap frame; the particle pass must not allocate.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/gl.h"
#include "platform/platform.h"
#include "render/particles.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "shell/window.h"

namespace {
std::atomic<long> newCalls{0};
}  // namespace

// Every C++ allocation of the process goes through here, so a pass that allocates shows up.
// GCC pairs the replaced new with its built-in delete when inlining and warns; they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    newCalls.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {
// Run from the build directory (data/ below it) to draw with the real textures.
constexpr int32_t calendarStart = 1700000000;
int windowOpen = 0;

int openBenchWindow() {
    if (windowOpen) return 1;
    platformSelectBackend(PLATFORM_OFFSCREEN);
    platformUseVirtualClock(1);
    platformUseAudioCapture(1);
    platformSetVirtualClock(0, calendarStart);
    windowOpen = openWindow("first scenes", 640, 480, 16, 0);
    return windowOpen;
}

// Second 20 of the intro: a one-line caption, no fade.
void placeInIntro() {
    demoClock.demoStart = calendarStart;
    demoClock.demoNow = calendarStart + 20;
    platformSetVirtualClock(0, demoClock.demoNow);
    sceneState.fadeAlpha = 1.0f;
}

void endFrame() {
    glFinish();
    platformSwapBuffers();
}

void clearAndSwap(benchmark::State& bench) {
    if (!openBenchWindow()) return bench.SkipWithError("no offscreen GL context");
    for (auto _ : bench) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        endFrame();
    }
}

void introFrame(benchmark::State& bench) {
    if (!openBenchWindow()) return bench.SkipWithError("no offscreen GL context");
    placeInIntro();
    for (auto _ : bench) {
        frameStep = 1.0f / 60.0f;
        introScene(5);
        endFrame();
    }
}

// The journey alone, its cube kept in flight (it would leave after a few hundred frames).
void journeyFrame(benchmark::State& bench) {
    if (!openBenchWindow()) return bench.SkipWithError("no offscreen GL context");
    for (auto _ : bench) {
        if (sceneState.cubeZ > 15.0f) sceneState.cubeZ = -50.0f;
        frameStep = 5.0f / 60.0f;
        journeyScene(5);
        endFrame();
    }
}

// The fountain alone over a cleared frame, counting allocations and heap growth.
void particlePass(benchmark::State& bench) {
    if (!openBenchWindow()) return bench.SkipWithError("no offscreen GL context");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawParticles(sceneState.rocketX, sceneState.rocketY);  // warm the driver's buffers
    const long newBefore = newCalls.load();
    const size_t heapBefore = mallinfo2().uordblks;
    for (auto _ : bench) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawParticles(sceneState.rocketX, sceneState.rocketY);
        endFrame();
    }
    bench.counters["new_calls"] = static_cast<double>(newCalls.load() - newBefore);
    bench.counters["heap_growth_bytes"] =
        static_cast<double>(static_cast<long long>(mallinfo2().uordblks) - static_cast<long long>(heapBefore));
}
}  // namespace

// llvmpipe renders on its own threads, so wall time is the measure.
BENCHMARK(clearAndSwap)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(introFrame)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(journeyFrame)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(particlePass)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
