// The recorder's video writer: an ffmpeg process fed raw frames on one pipe and raw
// PCM on another, encoding as it goes, so nothing piles up in memory or on disk.
#include "record/ffmpeg_encoder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "assets/demo_timeline.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "record/recorder.h"
#include "record/yuv420.h"

// The ffmpeg process and what waits for its two pipes.
struct FfmpegEncoder {
    PlatformChild* child = nullptr;
    int pipeOpen[2] = {0, 0};                       // video, sound: not yet closed by us
    std::deque<std::vector<uint8_t>> video;         // frames not yet wholly in the pipe, oldest first
    size_t videoSent = 0;                           // bytes of the oldest one already written
    size_t videoBacklog = 0;                        // frames that may wait here before the recorder does
    std::vector<std::vector<uint8_t>> spareFrames;  // buffers of written frames, for reuse
    std::vector<uint8_t> audio;                     // sound not yet taken by ffmpeg, from audioSent on
    size_t audioSent = 0;
    long stallMs = 0;          // how long ffmpeg may take nothing before it counts as stuck
    std::string shownPath;     // the output as the user named it, for messages
    std::string finalPath;     // the same, absolute; the link's target with --overwrite
    std::string partPath;      // the file being encoded
    std::string progressPath;  // ffmpeg's running account of it, beside it
    intptr_t partHold = -1;    // tells another recording that this file is being made
    int replace = 0;           // the user's name may be replaced (--overwrite)
    std::string failure;       // why ffmpeg was given up; "" while it works
    int gone = 0;              // ffmpeg closed its inputs before the end
    int width = 0, height = 0;
    int convertToYuv = 0;   // .mp4: frames go as 4:2:0, converted here
    size_t frameBytes = 0;  // one frame as sent
    long framesTaken = 0;   // frames handed to the encoder
};

namespace {
// An encoder that takes no data (or, at the end, does no work) for this long is stuck.
// QUORVEX_ENCODER_STALL_SECONDS shortens it for tests.
constexpr long encoderStallSeconds = 30;
constexpr int videoPipe = 0, audioPipe = 1;

// What a second interrupt must remove from inside a signal handler, kept in plain memory:
// the unfinished file and ffmpeg's account of it. One encoder at a time.
char livePartPath[4096], liveProgressPath[4096 + 16];

long stallLimitMs() {
    const char* text = std::getenv("QUORVEX_ENCODER_STALL_SECONDS");
    const long seconds = text ? std::atol(text) : 0;
    return (seconds > 0 ? seconds : encoderStallSeconds) * 1000;
}

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ffmpeg takes a name for a protocol ("pipe:1.mkv"), a URL or an option ("-x.mkv") when it
// can; an absolute path behind "file:" is only ever a file (the pipes too are opened by name).
std::string plainFileUrl(const std::string& absolute) { return "file:" + absolute; }

std::vector<std::string> encoderArguments(const std::string& program, const FfmpegEncoder* encoder, RecordFormat format,
                                          int fps, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    // Kept as written, each option beside its value and grouped as ffmpeg reads them:
    // clang-format off
    std::vector<std::string> args = {
        program, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
        // What ffmpeg has put in the file, for when a signal stops it before the end of its input.
        "-progress", plainFileUrl(encoder->progressPath),
        // Small probes: both inputs are fully described, and a large probe would wait for
        // sound that the next frames have not produced yet.
        "-f", "rawvideo", "-pixel_format", format == RECORD_MP4 ? "yuv420p" : "rgb24", "-video_size", size,
        "-framerate", std::to_string(fps),
        "-thread_queue_size", "64", "-probesize", "32", "-analyzeduration", "0",
        "-i", plainFileUrl(platformChildPipeName(encoder->child, videoPipe)),
        "-f", "s16le", "-sample_rate", std::to_string(audioSampleRate), "-channels", std::to_string(audioChannels),
        "-thread_queue_size", "256", "-probesize", "32", "-analyzeduration", "0",
        "-i", plainFileUrl(platformChildPipeName(encoder->child, audioPipe)),
        "-map", "0:v", "-map", "1:a", "-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact"};
    // Lossless H.264 on the RGB planes themselves (qp 0, no colour conversion): of the lossless
    // codecs measured on the demo's frames it gives the smallest files, smaller than FFV1's, for
    // a quarter of FFV1's CPU, and every libavcodec-based player decodes it.
    const std::vector<std::string> mkv = {"-c:v", "libx264rgb", "-preset", "ultrafast", "-qp", "0",
                                          "-pix_fmt", "rgb24", "-c:a", "flac", "-f", "matroska"};
    // Plays anywhere (ultrafast keeps to the Constrained Baseline profile), for about half of
    // superfast's encoding CPU in larger files; the CPU goes to the drawing instead. The frames
    // arrive converted (yuv420.h), tagged with that conversion's matrix, range and siting so
    // that players undo it exactly, whatever the frame size. CRF 17.5 keeps them as close to
    // the drawn frames as ffmpeg's own conversion did at CRF 18 (38.8 dB PSNR over the demo
    // in YUV, 38.3 dB in RGB against 38.1), in files 7 % larger.
    const std::vector<std::string> mp4 = {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "17.5",
                                          "-pix_fmt", "yuv420p", "-colorspace", "smpte170m", "-color_range", "tv",
                                          "-chroma_sample_location", "center", "-c:a", "aac", "-b:a", "192k",
                                          "-movflags", "+faststart", "-f", "mp4"};
    // clang-format on
    const std::vector<std::string>& codec = format == RECORD_MKV ? mkv : mp4;
    args.insert(args.end(), codec.begin(), codec.end());
    args.push_back(plainFileUrl(encoder->partPath));
    return args;
}

std::string randomSuffix() {
    static std::mt19937 pick{std::random_device{}()};
    const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(partSuffixLength, ' ');
    for (char& c : suffix) c = letters[pick() % (sizeof letters - 1)];
    return suffix;
}

// The hidden file ffmpeg writes, beside the output so that the final rename stays on one
// file system. With --overwrite a link at the output's name is followed, as writing would.
int createPartFile(FfmpegEncoder* encoder, std::string* error) {
    std::string target = platformAbsolutePath(encoder->finalPath);
    if (target.empty()) {
        *error = "cannot find the working directory: " + std::string(std::strerror(errno));
        return 0;
    }
    if (encoder->replace) target = platformFollowLink(target);
    encoder->finalPath = target;
    const std::string prefix = partFilePrefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = prefix + randomSuffix();
        const int made = platformCreateNewFile(name);
        if (made < 0) break;
        if (made == 0) continue;  // taken: another name
        encoder->partPath = name;
        encoder->progressPath = name + ".progress";
        encoder->partHold = platformHoldFile(name);
        if (name.size() < sizeof livePartPath) {
            std::memcpy(livePartPath, name.c_str(), name.size() + 1);
            std::memcpy(liveProgressPath, encoder->progressPath.c_str(), encoder->progressPath.size() + 1);
        }
        return 1;
    }
    *error = "cannot create a file beside '" + encoder->finalPath + "': " + std::strerror(errno);
    return 0;
}

void releasePartFile(FfmpegEncoder* encoder) {
    platformReleaseFile(encoder->partHold);
    encoder->partHold = -1;
}

void removePartFile(FfmpegEncoder* encoder) {
    releasePartFile(encoder);
    livePartPath[0] = '\0';
    if (!encoder->partPath.empty()) platformRemoveFile(encoder->partPath.c_str());
    encoder->partPath.clear();
}

// The frames ffmpeg reports in its last account, once it has finished the file ("frame=N"
// in the block that ends "progress=end"); -1 when it gave none. Only the file's tail is read.
long reportedFrames(const std::string& progressPath) {
    std::FILE* file = std::fopen(progressPath.c_str(), "rb");
    if (!file) return -1;
    char tail[4096];
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    const long from = size > static_cast<long>(sizeof tail) ? size - static_cast<long>(sizeof tail) : 0;
    const size_t got = size >= 0 && std::fseek(file, from, SEEK_SET) == 0 ? std::fread(tail, 1, sizeof tail, file) : 0;
    std::fclose(file);
    const std::string text = "\n" + std::string(tail, got);
    const size_t end = text.rfind("\nprogress=end");
    const size_t frame = end == std::string::npos ? end : text.rfind("\nframe=", end);
    if (frame == std::string::npos) return -1;
    const char* digits = text.c_str() + frame + 7;
    char* after = nullptr;
    const long frames = std::strtol(digits, &after, 10);
    return after != digits && *after == '\n' && frames >= 0 ? frames : -1;
}

void removeProgressFile(FfmpegEncoder* encoder) {
    liveProgressPath[0] = '\0';
    if (!encoder->progressPath.empty()) platformRemoveFile(encoder->progressPath.c_str());
    encoder->progressPath.clear();
}

// The finished file takes the user's name; without --overwrite never over a file that
// appeared there meanwhile.
int publishPartFile(FfmpegEncoder* encoder, std::string* error) {
    releasePartFile(encoder);
    livePartPath[0] = '\0';
    if (!platformRenameFile(encoder->partPath, encoder->finalPath, encoder->replace)) {
        *error = "cannot name the finished recording '" + encoder->shownPath + "' (" + std::strerror(errno) +
                 "); it was left in '" + encoder->partPath + "'";
        return 0;
    }
    encoder->partPath.clear();
    return 1;
}

void dropSentAudio(FfmpegEncoder* encoder) {
    if (encoder->audioSent == encoder->audio.size()) {
        encoder->audio.clear();
        encoder->audioSent = 0;
    } else if (encoder->audioSent >= (1u << 20)) {
        encoder->audio.erase(encoder->audio.begin(), encoder->audio.begin() + static_cast<long>(encoder->audioSent));
        encoder->audioSent = 0;
    }
}

int stopFeeding(FfmpegEncoder* encoder, const std::string& reason) {
    if (encoder->failure.empty()) encoder->failure = reason;
    return 0;
}

// ffmpeg closed its end of a pipe: it has ended, or is about to.
int encoderGone(FfmpegEncoder* encoder) {
    encoder->gone = 1;
    return 0;
}

// Before its reading threads start, ffmpeg takes a whole block of 1024 sample frames from
// the sound pipe while the video pipe holds about one frame: at high rates that block spans
// several frames, whose video must wait here. Room for twice that.
constexpr long soundBlockSampleFrames = 1024;

size_t videoBacklogFor(int fps) {
    return static_cast<size_t>(2 + (2 * soundBlockSampleFrames * fps + audioSampleRate - 1) / audioSampleRate);
}

enum PumpUntil { BACKLOG_FITS, VIDEO_SENT, ALL_SENT };

bool stillWaiting(const FfmpegEncoder* encoder, PumpUntil until) {
    switch (until) {
        case BACKLOG_FITS: return encoder->video.size() > encoder->videoBacklog;
        case VIDEO_SENT: return !encoder->video.empty();
        default: return !encoder->video.empty() || encoder->audioSent < encoder->audio.size();
    }
}

// Both pipes are written whenever they have room, and the recorder waits only while more
// video is queued than `until` allows. ffmpeg reads its inputs in its own order: x264's
// look-ahead at a low frame rate wants seconds of video before it takes more sound, and
// start-up at a high rate wants several frames of sound before it takes more video. Waiting
// on one pipe alone would deadlock in either case. Sound is small and always queued.
int pump(FfmpegEncoder* encoder, PumpUntil until) {
    long long lastProgress = nowMs();
    for (;;) {
        const size_t audioSize = encoder->audio.size() - encoder->audioSent;
        const bool waiting = stillWaiting(encoder, until);
        int wanted[2] = {encoder->pipeOpen[videoPipe] && !encoder->video.empty(),
                         encoder->pipeOpen[audioPipe] && audioSize > 0};
        if (!wanted[0] && !wanted[1]) return 1;
        const long long left = lastProgress + encoder->stallMs - nowMs();
        if (waiting && left <= 0)
            return stopFeeding(encoder, "ffmpeg took no data for " + std::to_string(encoder->stallMs / 1000) + " s");
        int ready[2] = {0, 0};
        const int found = platformWaitChildPipes(encoder->child, wanted, waiting ? static_cast<int>(left) : 0, ready);
        if (found < 0) return stopFeeding(encoder, std::string("cannot wait for ffmpeg: ") + std::strerror(errno));
        if (found == 0 && !waiting) return 1;  // a timeout, or an interrupt: the frame is still finished
        for (int i = 0; i < 2; ++i) {
            if (!ready[i]) continue;
            const uint8_t* data = i == videoPipe ? encoder->video.front().data() + encoder->videoSent
                                                 : encoder->audio.data() + encoder->audioSent;
            const size_t size = i == videoPipe ? encoder->video.front().size() - encoder->videoSent : audioSize;
            const long n = platformWriteChildPipe(encoder->child, i, data, size);
            if (n < 0) return encoderGone(encoder);
            if (n == 0) continue;
            if (i == videoPipe) {
                encoder->videoSent += static_cast<size_t>(n);
                if (encoder->videoSent == encoder->video.front().size()) {
                    encoder->spareFrames.push_back(std::move(encoder->video.front()));
                    encoder->video.pop_front();
                    encoder->videoSent = 0;
                }
            } else {
                encoder->audioSent += static_cast<size_t>(n);
                dropSentAudio(encoder);
            }
            lastProgress = nowMs();
        }
    }
}

long long fileSize(const std::string& path) { return platformFileSize(path); }

// Waits for ffmpeg to end. While it uses CPU or its file grows it is working; after
// `stallMs` of neither, or at once when `stopNow`, it and everything it started are killed.
int reapEncoder(FfmpegEncoder* encoder, bool stopNow, PlatformChildEnd* end) {
    if (stopNow) platformKillChild(encoder->child);
    long long lastProgress = nowMs(), lastSize = -1;
    double lastCpu = -1;
    for (;;) {
        const int state = platformPollChild(encoder->child, end);
        if (state != 0) return state;
        const double cpu = platformChildCpuSeconds(encoder->child);
        const long long size = fileSize(encoder->partPath);
        if (cpu != lastCpu || size != lastSize) lastProgress = nowMs();
        lastCpu = cpu;
        lastSize = size;
        if (nowMs() - lastProgress > encoder->stallMs) {
            platformKillChild(encoder->child);
            stopFeeding(encoder, "ffmpeg did nothing for " + std::to_string(encoder->stallMs / 1000) +
                                     " s while finishing the file");
            int killed;
            while ((killed = platformPollChild(encoder->child, end)) == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return killed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string exitText(const PlatformChildEnd& end) {
    return end.exited ? "with exit status " + std::to_string(end.code) : "by signal " + std::to_string(end.code);
}

// One sentence: what went wrong, and that the user's name was left alone.
std::string failureText(const FfmpegEncoder* encoder, const PlatformChildEnd& end, bool reaped) {
    std::string what = encoder->failure;
    if (!reaped) what = "lost track of the ffmpeg process";
    else if (what.empty() && encoder->gone) what = "ffmpeg ended " + exitText(end) + " before the recording was done";
    else if (what.empty()) what = "ffmpeg failed " + exitText(end);
    const bool existed = fileSize(encoder->finalPath) >= 0;
    return what + "; '" + encoder->shownPath + "' was " + (existed ? "left as it was" : "not written");
}

void closePipe(FfmpegEncoder* encoder, int index) {
    if (encoder->pipeOpen[index]) platformCloseChildPipe(encoder->child, index);
    encoder->pipeOpen[index] = 0;
}
}  // namespace

namespace {
int startEncoder(FfmpegEncoder* encoder, const std::string& outPath, RecordFormat format, int fps, int width,
                 int height, int overwrite, std::string* error) {
    const std::string program = findProgram("ffmpeg");
    if (program.empty()) {
        *error = "the ffmpeg program is missing";
        return 0;
    }
    encoder->shownPath = outPath;
    encoder->finalPath = outPath;
    encoder->replace = overwrite;
    encoder->stallMs = stallLimitMs();
    encoder->videoBacklog = videoBacklogFor(fps);
    encoder->width = width;
    encoder->height = height;
    encoder->convertToYuv = format == RECORD_MP4;
    encoder->frameBytes = encoder->convertToYuv ? yuv420Bytes(width, height) : static_cast<size_t>(width) * height * 3;
    if (!createPartFile(encoder, error)) return 0;
    // A big video pipe means fewer wake-ups; a smaller one works too.
    const size_t buffers[2] = {1 << 20, 1 << 16};
    encoder->child = platformCreateChild(2, buffers);
    if (!encoder->child) {
        removePartFile(encoder);
        *error = "cannot create a pipe to ffmpeg";
        return 0;
    }
    if (!platformStartChild(encoder->child, encoderArguments(program, encoder, format, fps, width, height))) {
        platformFreeChild(encoder->child);
        encoder->child = nullptr;
        removePartFile(encoder);
        removeProgressFile(encoder);
        *error = "cannot start " + program;
        return 0;
    }
    encoder->pipeOpen[videoPipe] = encoder->pipeOpen[audioPipe] = 1;
    return 1;
}
}  // namespace

FfmpegEncoder* openEncoder(const std::string& outPath, RecordFormat format, int fps, int width, int height,
                           int overwrite, std::string* error) {
    std::unique_ptr<FfmpegEncoder> encoder(new FfmpegEncoder);
    if (!startEncoder(encoder.get(), outPath, format, fps, width, height, overwrite, error)) return nullptr;
    return encoder.release();
}

int encodeAudio(FfmpegEncoder* encoder, const int16_t* samples, int frames) {
    // Queued, and sent with the frame or whenever the sound pipe has room.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(samples);
    encoder->audio.insert(encoder->audio.end(), bytes,
                          bytes + static_cast<size_t>(frames) * audioChannels * sizeof(int16_t));
    return 1;
}

int encodeFrame(FfmpegEncoder* encoder, const uint8_t* rgb) {
    if (encoder->gone || !encoder->failure.empty()) return 0;
    std::vector<uint8_t> frame;
    if (!encoder->spareFrames.empty()) {
        frame = std::move(encoder->spareFrames.back());
        encoder->spareFrames.pop_back();
    }
    frame.resize(encoder->frameBytes);
    if (encoder->convertToYuv) rgbToYuv420(rgb, encoder->width, encoder->height, frame.data());
    else std::memcpy(frame.data(), rgb, encoder->frameBytes);
    encoder->video.push_back(std::move(frame));
    ++encoder->framesTaken;
    return pump(encoder, BACKLOG_FITS);
}

int closeEncoder(FfmpegEncoder* encoder, RecordStats* stats, std::string* error) {
    const std::unique_ptr<FfmpegEncoder> owned(encoder);
    // The rest of the video, end of the video, the rest of the sound, end of the sound:
    // ffmpeg drains, writes the index and trailer, and exits.
    if (!encoder->gone && encoder->failure.empty()) pump(encoder, VIDEO_SENT);
    closePipe(encoder, videoPipe);
    if (!encoder->gone && encoder->failure.empty()) pump(encoder, ALL_SENT);
    closePipe(encoder, audioPipe);
    const bool stuck = !encoder->failure.empty();
    PlatformChildEnd end;
    const bool reaped = reapEncoder(encoder, stuck, &end) > 0;
    platformFreeChild(encoder->child);
    encoder->child = nullptr;
    if (stats && reaped) {
        stats->encoderCpuSeconds = end.cpuSeconds;
        stats->encoderPeakRssKb = end.peakResidentKb;
    }
    // ffmpeg ends on SIGTERM, SIGINT or SIGHUP as at the end of its input, with status 255:
    // when a signal stopped us too (our whole process group, or a session ending), the file
    // it finished is the recording up to there.
    const int interrupt = platformCaughtInterrupt();
    const bool finishedOnSignal = interrupt && end.exited && end.code == 255;
    const bool succeeded =
        reaped && end.exited && (end.code == 0 ? !encoder->gone : finishedOnSignal) && encoder->failure.empty();
    // Then the frames still in the pipes never reached the file: say what it holds.
    const long reported = succeeded && finishedOnSignal ? reportedFrames(encoder->progressPath) : -1;
    if (stats && reported >= 0 && reported < stats->frames) stats->frames = reported;
    removeProgressFile(encoder);
    // A file without a frame is no recording, whatever ffmpeg made of its empty input. So is
    // one whose ffmpeg the same signal ended before it could catch signals at all.
    const bool diedOfOurSignal = interrupt && reaped && !end.exited && end.code == interrupt;
    if ((succeeded && (encoder->framesTaken == 0 || reported == 0)) || diedOfOurSignal) {
        if (stats) stats->frames = 0;
        removePartFile(encoder);
        return -1;
    }
    if (succeeded) return publishPartFile(encoder, error);
    removePartFile(encoder);
    *error = failureText(encoder, end, reaped);
    return 0;
}

void abandonEncoderNow() {
    platformKillChildrenNow();
    if (livePartPath[0]) platformRemoveFile(livePartPath);
    if (liveProgressPath[0]) platformRemoveFile(liveProgressPath);
}
