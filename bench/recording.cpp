// Recording throughput: the whole demo written to a lossless .mkv at 60 fps, as a multiple
// of real time, with the time split between drawing, reading back and encoding; and the
// cost of a frame at larger sizes beside 640 x 480.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "record/recorder.h"
#include "shell/window.h"

namespace {
// Run from the build directory (data/ below it). QUORVEX_BENCH_FPS overrides the rate,
// e.g. to compare memory at two lengths of recording.
void recordWholeDemo(benchmark::State& bench) {
    const char* fpsText = std::getenv("QUORVEX_BENCH_FPS");
    const int fps = fpsText ? std::atoi(fpsText) : static_cast<int>(bench.range(0));
    char dir[] = "/tmp/quorvex-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        bench.SkipWithError("no temporary directory");
        return;
    }
    const std::string out = std::string(dir) + "/demo.mkv";
    RecordStats stats;
    for (auto _ : bench) {
        if (recordDemo(out, fps, 1, &stats) != 0) {
            bench.SkipWithError("the recording failed");
            break;
        }
        bench.SetIterationTime(stats.wallSeconds);
    }
    std::remove(out.c_str());
    rmdir(dir);
    const double demo = double(stats.frames) / fps;
    bench.counters["fps"] = fps;
    bench.counters["frames"] = double(stats.frames);
    bench.counters["x_realtime"] = stats.wallSeconds > 0 ? demo / stats.wallSeconds : 0;
    bench.counters["draw_s"] = stats.drawSeconds;
    bench.counters["readback_s"] = stats.readbackSeconds;
    bench.counters["write_wait_s"] = stats.writeSeconds;
    bench.counters["ffmpeg_cpu_s"] = stats.encoderCpuSeconds;
    bench.counters["peak_rss_MB"] = stats.peakRssKb / 1024.0;
    bench.counters["ffmpeg_peak_rss_MB"] = stats.encoderPeakRssKb / 1024.0;
    bench.counters["rss_at_10pct_MB"] = stats.rssAtTenthKb / 1024.0;
    bench.counters["rss_at_end_MB"] = stats.rssAtEndKb / 1024.0;
}

double cpuSecondsOfThisProcess() {
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The whole demo at 10 fps into a lossless .mkv at width x height: wall and CPU time per
// frame, ours (drawing threads included) and the encoder's, and both per megapixel, which
// stays flat while the cost grows no faster than the pixel count.
void recordAtSize(benchmark::State& bench) {
    constexpr int fps = 10;
    const int width = static_cast<int>(bench.range(0)), height = static_cast<int>(bench.range(1));
    char dir[] = "/tmp/quorvex-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        bench.SkipWithError("no temporary directory");
        return;
    }
    const std::string out = std::string(dir) + "/demo.mkv";
    setFrameSize(width, height);
    RecordStats stats;
    double cpu = 0;
    for (auto _ : bench) {
        const double cpuBefore = cpuSecondsOfThisProcess();
        if (recordDemo(out, fps, 1, &stats) != 0) {
            bench.SkipWithError("the recording failed");
            break;
        }
        cpu = cpuSecondsOfThisProcess() - cpuBefore;
        bench.SetIterationTime(stats.wallSeconds);
    }
    setFrameSize(0, 0);
    std::remove(out.c_str());
    rmdir(dir);
    const double frames = stats.frames > 0 ? double(stats.frames) : 1.0;
    const double megapixels = width * double(height) / 1e6;
    bench.counters["frames"] = double(stats.frames);
    bench.counters["x_realtime"] = stats.wallSeconds > 0 ? stats.frames / double(fps) / stats.wallSeconds : 0;
    bench.counters["wall_ms_per_frame"] = 1000 * stats.wallSeconds / frames;
    bench.counters["draw_ms_per_frame"] = 1000 * stats.drawSeconds / frames;
    bench.counters["readback_ms_per_frame"] = 1000 * stats.readbackSeconds / frames;
    bench.counters["cpu_ms_per_frame"] = 1000 * cpu / frames;
    bench.counters["ffmpeg_cpu_ms_per_frame"] = 1000 * stats.encoderCpuSeconds / frames;
    bench.counters["wall_ms_per_MP"] = 1000 * stats.wallSeconds / frames / megapixels;
    bench.counters["cpu_ms_per_MP"] = 1000 * (cpu + stats.encoderCpuSeconds) / frames / megapixels;
}
}  // namespace

BENCHMARK(recordAtSize)
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Args({1920, 1080})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(recordWholeDemo)->Arg(60)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
