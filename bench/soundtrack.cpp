// Soundtrack costs: decoding the whole track as a share of its playing time, and the delay
// from the unpause to the first music sample written by a paced SDL device (the disk driver).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/mp3_decoder.h"
#include "audio/sound.h"
#include "audio/soundtrack.h"
#include "platform/platform.h"
#include "support/temp_dir.h"
#ifdef QUORVEX_BENCH_CAN_ENCODE
#include "audio/mp3_fixture.h"
#endif

namespace {
using Clock = std::chrono::steady_clock;

// The generated soundtrack when the build has made one (run from the build directory),
// otherwise a synthesized track of the demo's length.
const std::vector<unsigned char>& track() {
    static std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> file;
        struct stat info;
        if (stat("data/muhsik.mp3", &info) == 0 && info.st_size > 0) file = readFile("data/muhsik.mp3");
#ifdef QUORVEX_BENCH_CAN_ENCODE
        if (file.empty()) file = encodeTestMp3(98.0);
#endif
        return file;
    }();
    return bytes;
}

// Seconds of work per second of music, in per cent, over all iterations.
void reportShare(benchmark::State& bench, double busySeconds, long framesPerIteration) {
    const double playing = static_cast<double>(framesPerIteration) / 44100.0;
    bench.counters["track_s"] = playing;
    if (playing > 0.0 && bench.iterations() > 0)
        bench.counters["share_of_playing_time_%"] =
            100.0 * busySeconds / (playing * static_cast<double>(bench.iterations()));
}

void decodeWholeTrack(benchmark::State& bench) {
    const std::vector<unsigned char>& mp3 = track();
    if (mp3.empty()) {
        bench.SkipWithError("no track: no data/muhsik.mp3 and no encoder");
        return;
    }
    std::vector<int16_t> block(4096 * 2);
    long frames = 0;
    double busy = 0.0;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        Mp3Decoder* decoder = mp3Open(mp3.data(), mp3.size(), 44100);
        frames = 0;
        for (int got; (got = mp3Read(decoder, block.data(), 4096)) > 0;) frames += got;
        mp3Close(decoder);
        busy += std::chrono::duration<double>(Clock::now() - start).count();
    }
    reportShare(bench, busy, frames);
}

// The whole playback path as the device thread runs it: stream, mixer, 1024-frame pulls.
void playWholeTrackThroughMixer(benchmark::State& bench) {
    const std::vector<unsigned char>& mp3 = track();
    if (mp3.empty()) {
        bench.SkipWithError("no track: no data/muhsik.mp3 and no encoder");
        return;
    }
    TempDir dir;
    mkdir(dir.file("data").c_str(), 0755);
    writeFile(dir.file("data/muhsik.mp3"), mp3);
    ScopedChdir chdir(dir.path);
    platformUseAudioCapture(1);
    std::vector<int16_t> block(1024 * 2);
    long pulled = 0;
    double busy = 0.0;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        if (!startMusic()) {
            bench.SkipWithError("the soundtrack did not start");
            break;
        }
        pulled = 0;
        while (soundIsPlaying(soundtrack.musicChannel)) {
            platformPullAudio(block.data(), 1024);
            pulled += 1024;
        }
        stopMusic();
        busy += std::chrono::duration<double>(Clock::now() - start).count();
    }
    platformUseAudioCapture(0);
    reportShare(bench, busy, pulled);
}

// First sample after byte `from` of the device file that is not silence; -1 while none is.
long firstSoundAfter(const std::string& path, long from) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return -1;
    std::fseek(file, from, SEEK_SET);
    int16_t sample = 0;
    long at = -1;
    for (long offset = from; std::fread(&sample, sizeof sample, 1, file) == 1; offset += 2) {
        if (sample != 0) {
            at = offset;
            break;
        }
    }
    std::fclose(file);
    return at;
}

long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

void unpauseToFirstSampleAtTheDevice(benchmark::State& bench) {
    const std::vector<unsigned char>& mp3 = track();
    if (mp3.empty()) {
        bench.SkipWithError("no track: no data/muhsik.mp3 and no encoder");
        return;
    }
    TempDir dir;
    const std::string out = dir.file("device.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");  // paced like a real device: one buffer per buffer's length
    double worst = 0.0;
    double heardTotal = 0.0;
    double heardWorst = 0.0;
    for (auto _ : bench) {
        if (!soundInit(44100, 32, 0)) {
            bench.SkipWithError("the disk device did not open");
            break;
        }
        SoundStream* stream = soundStreamOpen(mp3.data(), SOUND_LOADMEMORY, static_cast<int>(mp3.size()));
        const int channel = soundStreamPlay(SOUND_FREE, stream, nullptr, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));  // the device runs, silent
        const long before = fileSize(out);
        const Clock::time_point unpaused = Clock::now();
        soundSetPaused(channel, 0);
        long sound = -1;
        while ((sound = firstSoundAfter(out, before)) < 0 && Clock::now() - unpaused < std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double seconds = std::chrono::duration<double>(Clock::now() - unpaused).count();
        worst = std::max(worst, seconds);
        bench.SetIterationTime(seconds);
        // The device file is paced in real time, so the silence it took in before the music
        // is the delay as the listener hears it, free of this thread's polling and scheduling.
        const double heard = sound < 0 ? 2.0 : static_cast<double>(sound - before) / (4.0 * 44100.0);
        heardTotal += heard;
        heardWorst = std::max(heardWorst, heard);
        soundStreamClose(stream);
        soundClose();
    }
    bench.counters["worst_ms"] = worst * 1000.0;
    if (bench.iterations() > 0) bench.counters["device_mean_ms"] = 1000.0 * heardTotal / static_cast<double>(bench.iterations());
    bench.counters["device_worst_ms"] = heardWorst * 1000.0;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}
}  // namespace

BENCHMARK(decodeWholeTrack)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(playWholeTrackThroughMixer)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(unpauseToFirstSampleAtTheDevice)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK_MAIN();
