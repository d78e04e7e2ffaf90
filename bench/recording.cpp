// Recording throughput of the whole demo in each form at 60 fps (.mkv, .mp4, PNG frames), as
// multiples of real time, with the CPU of every party, the drawing thread's split and memory;
// how close the .mp4 is to the lossless frames and whether the .mkv is lossless; the .mkv
// with hidden scenes drawn, compared frame for frame; the cost of a frame at larger sizes
// beside 640 x 480; and a 1920 x 1080 .mp4.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "record/recorder.h"
#include "shell/window.h"

namespace {
// Run from the build directory (data/ below it). QUORVEX_BENCH_FPS overrides every rate,
// e.g. to compare memory at two lengths of recording.
const char* const forms[] = {"demo.mkv", "demo.mp4", "frames"};

struct Scratch {
    std::string dir;
    Scratch() {
        char name[] = "/tmp/quorvex-bench-XXXXXX";
        if (mkdtemp(name)) dir = name;
    }
    ~Scratch() {
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
};
Scratch scratch;

int rateFor(int asked) {
    const char* fpsText = std::getenv("QUORVEX_BENCH_FPS");
    return fpsText ? std::atoi(fpsText) : asked;
}

double fileMegabytes(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return 0;
    if (!S_ISDIR(info.st_mode)) return static_cast<double>(info.st_size) / 1e6;
    std::FILE* du = popen(("du -sb '" + path + "'").c_str(), "r");
    double bytes = 0;
    if (du && std::fscanf(du, "%lf", &bytes) != 1) bytes = 0;
    if (du) pclose(du);
    return bytes / 1e6;
}

void report(benchmark::State& bench, const RecordStats& stats, int fps, const std::string& out) {
    const double demo = double(stats.frames) / fps;
    const double others = stats.processCpuSeconds - stats.drawingThreadCpuSeconds - stats.writerCpuSeconds;
    const double cpu = stats.processCpuSeconds + stats.encoderCpuSeconds;
    const double perFrame = stats.frames ? 1000 * cpu / double(stats.frames) : 0;
    bench.counters["fps"] = fps;
    bench.counters["frames"] = double(stats.frames);
    bench.counters["x_realtime"] = stats.wallSeconds > 0 ? demo / stats.wallSeconds : 0;
    bench.counters["cpu_s"] = cpu;
    bench.counters["peak_rss_MB"] = stats.peakRssKb / 1024.0;
    bench.counters["size_MB"] = fileMegabytes(out);
    std::fprintf(stderr,
                 "\n%s at %d fps: %ld frames in %.1f s wall = %.2f x real time\n"
                 "  CPU: %.1f s in all = %.2f ms per frame; ours %.1f s (drawing thread %.1f, renderer and PNG threads %.1f,"
                 " writer thread %.1f), ffmpeg %.1f s\n"
                 "  drawing thread wall: drawing %.1f s, reading back %.1f s, waiting for the writer %.1f s;"
                 " writer busy %.1f s\n"
                 "  memory: peak %.0f MB, at a tenth %.0f MB, at the end %.0f MB; ffmpeg peak %.0f MB;"
                 " output %.0f MB\n",
                 out.c_str(), fps, stats.frames, stats.wallSeconds, stats.wallSeconds > 0 ? demo / stats.wallSeconds : 0,
                 cpu, perFrame, stats.processCpuSeconds, stats.drawingThreadCpuSeconds, others, stats.writerCpuSeconds,
                 stats.encoderCpuSeconds, stats.drawSeconds, stats.readbackSeconds, stats.writeSeconds,
                 stats.writerBusySeconds, stats.peakRssKb / 1024.0, stats.rssAtTenthKb / 1024.0,
                 stats.rssAtEndKb / 1024.0, stats.encoderPeakRssKb / 1024.0, fileMegabytes(out));
}

// ffmpeg's PSNR over the whole of `a` against `b`: in YUV (the lossless frames converted to
// the video's 4:2:0 by ffmpeg) or in RGB (the video decoded to the drawn pixels' format).
double psnr(const std::string& a, const std::string& b, bool inRgb) {
    const std::string graph = inRgb ? "[0:v]format=rgb24[a];[1:v]format=rgb24[b];[a][b]psnr" : "[0:v][1:v]psnr";
    const std::string command =
        "ffmpeg -nostdin -i '" + a + "' -i '" + b + "' -lavfi '" + graph + "' -f null - 2>&1 | grep -o 'average:[0-9.]*'";
    std::FILE* p = popen(command.c_str(), "r");
    double db = 0;
    if (p && std::fscanf(p, "average:%lf", &db) != 1) db = 0;
    if (p) pclose(p);
    return db;
}

// One checksum line per frame, decoded to RGB whatever the file stores.
std::vector<std::string> rgbChecksums(const std::string& input) {
    std::vector<std::string> lines;
    const std::string command = "ffmpeg -v error " + input + " -map 0:v -pix_fmt rgb24 -f framemd5 - 2>/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return lines;
    char line[256];
    while (std::fgets(line, sizeof line, p))
        if (line[0] != '#') lines.push_back(line);
    pclose(p);
    return lines;
}

// Frames of two decodes that differ, or -1 when their counts do.
long differingFrames(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    long differing = a.size() == b.size() ? 0 : -1;
    for (size_t i = 0; differing >= 0 && i < a.size(); ++i) differing += a[i] != b[i];
    return differing;
}

// After the .mp4, its closeness to the .mkv recorded before it; after the PNG frames, the
// .mkv against them: the same pixels when the .mkv is lossless.
void compareForms(benchmark::State& bench, const std::string& out) {
    const std::string mkv = scratch.dir + "/demo.mkv";
    if (out == scratch.dir + "/demo.mp4") {
        const double yuv = psnr(out, mkv, false), rgb = psnr(out, mkv, true);
        bench.counters["psnr_yuv_dB"] = yuv;
        bench.counters["psnr_rgb_dB"] = rgb;
        std::fprintf(stderr, "  against the lossless frames: PSNR %.2f dB in YUV, %.2f dB in RGB\n", yuv, rgb);
    } else if (out == scratch.dir + "/frames") {
        const std::vector<std::string> video = rgbChecksums("-i '" + mkv + "'");
        const std::vector<std::string> frames = rgbChecksums("-framerate 60 -i '" + out + "/frame_%06d.png'");
        const long differing = differingFrames(video, frames);
        bench.counters["mkv_frames_compared"] = double(frames.size());
        bench.counters["mkv_frames_differing"] = double(differing);
        std::fprintf(stderr, "  .mkv against the PNG frames: %zu frames compared, %ld differ\n", frames.size(),
                     differing);
    }
}

bool recordInto(benchmark::State& bench, const std::string& out, int fps, RecordStats* stats) {
    if (scratch.dir.empty() || recordDemo(out, fps, 1, stats) != 0) {
        bench.SkipWithError("the recording failed");
        return false;
    }
    bench.SetIterationTime(stats->wallSeconds);
    return true;
}

// Argument 0: the form (0 .mkv, 1 .mp4, 2 PNG directory); argument 1: frames per second.
void recordWholeDemo(benchmark::State& bench) {
    const std::string out = scratch.dir + "/" + forms[bench.range(0)];
    const int fps = rateFor(static_cast<int>(bench.range(1)));
    RecordStats stats;
    for (auto _ : bench)
        if (!recordInto(bench, out, fps, &stats)) return;
    report(bench, stats, fps, out);
    compareForms(bench, out);
    bench.SetLabel(forms[bench.range(0)]);
}

// The .mp4 at 1920 x 1080, 60 fps: llvmpipe's fill rate bounds it.
void recordHdVideo(benchmark::State& bench) {
    const std::string out = scratch.dir + "/hd.mp4";
    const int fps = rateFor(60);
    setFrameSize(1920, 1080);
    RecordStats stats;
    bool ok = true;
    for (auto _ : bench)
        if (!(ok = recordInto(bench, out, fps, &stats))) break;
    setFrameSize(0, 0);
    if (!ok) return;
    report(bench, stats, fps, out);
    bench.SetLabel("hd.mp4, 1920 x 1080");
}

// The same .mkv with every hidden scene drawn, as the live demo draws them: its cost, and
// how many of its frames differ from the recording that leaves them undrawn (must be 0).
void hiddenScenesDrawn(benchmark::State& bench) {
    const int fps = rateFor(static_cast<int>(bench.range(0)));
    const std::string undrawn = scratch.dir + "/undrawn.mkv", drawn = scratch.dir + "/drawn.mkv";
    RecordStats stats, skipped;
    for (auto _ : bench) {
        setenv("QUORVEX_DRAW_HIDDEN_SCENES", "1", 1);
        const bool ok = recordInto(bench, drawn, fps, &stats);
        unsetenv("QUORVEX_DRAW_HIDDEN_SCENES");
        if (!ok) return;
    }
    report(bench, stats, fps, drawn);
    if (recordDemo(undrawn, fps, 1, &skipped) != 0) {
        bench.SkipWithError("the recording without hidden scenes failed");
        return;
    }
    const std::vector<std::string> a = rgbChecksums("-i '" + drawn + "'"), b = rgbChecksums("-i '" + undrawn + "'");
    const long differing = differingFrames(a, b);
    bench.counters["frames_compared"] = double(a.size());
    bench.counters["frames_differing"] = double(differing);
    std::fprintf(stderr, "  hidden scenes drawn vs undrawn: %zu frames compared, %ld differ\n", a.size(), differing);
    bench.SetLabel("demo.mkv, hidden scenes drawn");
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
    const std::string out = scratch.dir + "/sized.mkv";
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
BENCHMARK(recordWholeDemo)
    ->Args({0, 60})
    ->Args({1, 60})
    ->Args({2, 60})
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(recordHdVideo)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(hiddenScenesDrawn)->Arg(60)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
