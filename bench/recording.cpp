// Recording throughput: the whole demo written to a lossless .mkv at 60 fps, as a multiple
// of real time, with the time split between drawing, reading back and encoding.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "record/recorder.h"

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
}  // namespace

BENCHMARK(recordWholeDemo)->Arg(60)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
