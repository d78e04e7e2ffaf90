// The recorder's video writer: an ffmpeg process fed raw RGB frames on one pipe and raw
// PCM on another, encoding as it goes, so nothing piles up in memory or on disk.
#include "record/sink.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "record/recorder.h"

extern char** environ;

namespace {
// The child reads video on descriptor 3 and sound on 4; its stdin stays away from us.
constexpr int childVideoFd = 3;
constexpr int childAudioFd = 4;
// An encoder that takes no data (or, at the end, does no work) for this long is stuck.
// QUORVEX_ENCODER_STALL_SECONDS shortens it for tests.
constexpr long encoderStallSeconds = 30;

// What a second interrupt must undo from inside a signal handler, kept in plain memory:
// the running encoder's process group and its unfinished file. One encoder at a time.
volatile sig_atomic_t liveEncoderGroup = 0;
char livePartPath[PATH_MAX];

long stallLimitMs() {
    const char* text = std::getenv("QUORVEX_ENCODER_STALL_SECONDS");
    const long seconds = text ? std::atol(text) : 0;
    return (seconds > 0 ? seconds : encoderStallSeconds) * 1000;
}

long long nowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return "";
    return std::string(cwd) + "/" + path;
}

// ffmpeg takes a name for a protocol ("pipe:1.mkv"), a URL or an option ("-x.mkv") when it
// can; an absolute path behind "file:" is only ever a file.
std::string plainFileUrl(const std::string& absolute) { return "file:" + absolute; }

std::vector<std::string> encoderArguments(const std::string& program, const std::string& outPath,
                                          RecordFormat format, int fps, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {
        program, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
        // Small probes: both inputs are fully described, and a large probe would wait for
        // sound that the next frames have not produced yet.
        "-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size, "-framerate", std::to_string(fps),
        "-thread_queue_size", "64", "-probesize", "32", "-analyzeduration", "0",
        "-i", "pipe:" + std::to_string(childVideoFd),
        "-f", "s16le", "-sample_rate", std::to_string(recordRate), "-channels", std::to_string(recordChannels),
        "-thread_queue_size", "256", "-probesize", "32", "-analyzeduration", "0",
        "-i", "pipe:" + std::to_string(childAudioFd),
        "-map", "0:v", "-map", "1:a", "-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact"};
    // Lossless H.264 on the RGB planes themselves (qp 0, no colour conversion): of the lossless
    // codecs measured on the demo's frames it gives the smallest files, smaller than FFV1's, for
    // a quarter of FFV1's CPU, and every libavcodec-based player decodes it.
    const std::vector<std::string> mkv = {"-c:v", "libx264rgb", "-preset", "ultrafast", "-qp", "0",
                                          "-pix_fmt", "rgb24", "-c:a", "flac", "-f", "matroska"};
    // Plays nearly anywhere; superfast costs about two thirds of veryfast's CPU here at the
    // same visual quality for CRF 18.
    const std::vector<std::string> mp4 = {"-c:v", "libx264", "-preset", "superfast", "-crf", "18",
                                          "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k",
                                          "-movflags", "+faststart", "-f", "mp4"};
    const std::vector<std::string>& codec = format == RECORD_MKV ? mkv : mp4;
    args.insert(args.end(), codec.begin(), codec.end());
    args.push_back(plainFileUrl(outPath));
    return args;
}

// The hidden file ffmpeg writes, beside the output so that the final rename stays on one
// file system. With --overwrite a link at the output's name is followed, as writing would.
int createPartFile(FfmpegEncoder* encoder, std::string* error) {
    std::string target = absolutePath(encoder->finalPath);
    char resolved[PATH_MAX];
    struct stat info;
    if (encoder->replace && lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        realpath(target.c_str(), resolved))
        target = resolved;
    if (target.empty()) {
        *error = "cannot find the working directory: " + std::string(std::strerror(errno));
        return 0;
    }
    encoder->finalPath = target;
    const size_t slash = target.find_last_of('/');
    const std::string base = target.substr(slash + 1);
    const std::string pattern =
        target.substr(0, slash + 1) + "." + (base.size() + 13 <= NAME_MAX ? base : "quorvex") + ".part-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot create a file beside '" + encoder->finalPath + "': " + std::strerror(errno);
        return 0;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);  // as a file ffmpeg created itself
    close(fd);
    encoder->partPath = name.data();
    if (name.size() <= sizeof livePartPath) std::memcpy(livePartPath, name.data(), name.size());
    return 1;
}

void removePartFile(FfmpegEncoder* encoder) {
    livePartPath[0] = '\0';
    if (!encoder->partPath.empty()) unlink(encoder->partPath.c_str());
    encoder->partPath.clear();
}

// The finished file takes the user's name; without --overwrite never over a file that
// appeared there meanwhile.
int publishPartFile(FfmpegEncoder* encoder, std::string* error) {
    const char* from = encoder->partPath.c_str();
    const char* to = encoder->finalPath.c_str();
    int renamed = encoder->replace ? rename(from, to) : renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    if (renamed != 0 && !encoder->replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace flag: a hard link fails on an existing name too.
        renamed = link(from, to);
        if (renamed == 0) unlink(from);
    }
    if (renamed != 0) {
        *error = "cannot name the finished recording '" + encoder->shownPath + "' (" + std::strerror(errno) +
                 "); it was left in '" + encoder->partPath + "'";
        livePartPath[0] = '\0';
        return 0;
    }
    livePartPath[0] = '\0';
    encoder->partPath.clear();
    return 1;
}

// A pipe whose write end stays with us and whose read end is handed to the child.
int makePipe(int* readEnd, int* writeEnd, int bigBuffer) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return 0;
    // Moved above the child's fixed numbers so the dup2 calls cannot trample each other.
    *readEnd = fcntl(fds[0], F_DUPFD_CLOEXEC, 10);
    close(fds[0]);
    *writeEnd = fds[1];
    if (*readEnd < 0) {
        close(fds[1]);
        return 0;
    }
    if (bigBuffer) fcntl(*writeEnd, F_SETPIPE_SZ, 1 << 20);  // fewer wake-ups; a smaller pipe works too
    fcntl(*writeEnd, F_SETFL, fcntl(*writeEnd, F_GETFL) | O_NONBLOCK);
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
    return static_cast<size_t>(2 + (2 * soundBlockSampleFrames * fps + recordRate - 1) / recordRate);
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
        pollfd fds[2] = {{encoder->videoFd, static_cast<short>(encoder->video.empty() ? 0 : POLLOUT), 0},
                         {encoder->audioFd, static_cast<short>(audioSize > 0 ? POLLOUT : 0), 0}};
        if (!fds[0].events && !fds[1].events) return 1;
        const long long left = lastProgress + encoder->stallMs - nowMs();
        if (waiting && left <= 0)
            return stopFeeding(encoder, "ffmpeg took no data for " + std::to_string(encoder->stallMs / 1000) + " s");
        const int ready = poll(fds, 2, waiting ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR) continue;  // an interrupt: the frame is still finished
        if (ready < 0) return stopFeeding(encoder, std::string("cannot wait for ffmpeg: ") + std::strerror(errno));
        if (ready == 0 && !waiting) return 1;
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) return encoderGone(encoder);
            const uint8_t* data = i == 0 ? encoder->video.front().data() + encoder->videoSent
                                         : encoder->audio.data() + encoder->audioSent;
            const size_t size = i == 0 ? encoder->video.front().size() - encoder->videoSent : audioSize;
            const ssize_t n = write(fds[i].fd, data, size);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return encoderGone(encoder);  // EPIPE
            if (i == 0) {
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

pid_t spawnEncoder(const std::vector<std::string>& args, int videoRead, int audioRead) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, videoRead, childVideoFd);
    posix_spawn_file_actions_adddup2(&actions, audioRead, childAudioFd);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    // Its own process group keeps a terminal's Ctrl-C and hang-up away from the encoder: we
    // finish the file ourselves, and can stop the whole group when it is stuck. Our ignored
    // SIGPIPE and our interrupt handlers are not passed on.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// CPU time the process has used so far, in clock ticks; -1 when it cannot be read.
long long cpuTicks(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    std::FILE* file = std::fopen(path, "r");
    if (!file) return -1;
    char text[1024];
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = '\0';
    const char* field = std::strrchr(text, ')');  // the command name may hold spaces
    unsigned long long user = 0, system = 0;
    if (!field || std::sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system) != 2)
        return -1;
    return static_cast<long long>(user + system);
}

long long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// Waits for ffmpeg to end. While it uses CPU or its file grows it is working; after
// `stallMs` of neither, or at once when `stopNow`, its whole group is killed.
pid_t reapEncoder(FfmpegEncoder* encoder, bool stopNow, int* status, struct rusage* usage) {
    if (stopNow) kill(-encoder->pid, SIGKILL);
    long long lastProgress = nowMs(), lastCpu = -1, lastSize = -1;
    for (;;) {
        const pid_t waited = wait4(encoder->pid, status, WNOHANG, usage);
        if (waited != 0 && !(waited < 0 && errno == EINTR)) return waited;
        const long long cpu = cpuTicks(encoder->pid), size = fileSize(encoder->partPath);
        if (cpu != lastCpu || size != lastSize) lastProgress = nowMs();
        lastCpu = cpu;
        lastSize = size;
        if (nowMs() - lastProgress > encoder->stallMs) {
            kill(-encoder->pid, SIGKILL);
            stopFeeding(encoder, "ffmpeg did nothing for " + std::to_string(encoder->stallMs / 1000) +
                                     " s while finishing the file");
            pid_t killed;
            do {
                killed = wait4(encoder->pid, status, 0, usage);
            } while (killed < 0 && errno == EINTR);
            return killed;
        }
        const timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

std::string exitText(int status) {
    return WIFEXITED(status) ? "with exit status " + std::to_string(WEXITSTATUS(status))
                             : "by signal " + std::to_string(WTERMSIG(status));
}

// One sentence: what went wrong, and that the user's name was left alone.
std::string failureText(const FfmpegEncoder* encoder, int status, bool reaped) {
    std::string what = encoder->failure;
    if (!reaped)
        what = "lost track of the ffmpeg process";
    else if (what.empty() && encoder->gone)
        what = "ffmpeg ended " + exitText(status) + " before the recording was done";
    else if (what.empty())
        what = "ffmpeg failed " + exitText(status);
    const bool existed = fileSize(encoder->finalPath) >= 0;
    return what + "; '" + encoder->shownPath + "' was " + (existed ? "left as it was" : "not written");
}

void forgetEncoder(FfmpegEncoder* encoder) {
    liveEncoderGroup = 0;
    encoder->pid = -1;
}
}  // namespace

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return "";
    const std::string dirs = path;
    size_t start = 0;
    for (;;) {
        const size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos) return "";
        start = end + 1;
    }
}

int openEncoder(FfmpegEncoder* encoder, const std::string& outPath, RecordFormat format, int fps, int width,
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
    if (!createPartFile(encoder, error)) return 0;
    int videoRead = -1, audioRead = -1;
    if (!makePipe(&videoRead, &encoder->videoFd, 1)) {
        removePartFile(encoder);
        *error = "cannot create a pipe to ffmpeg";
        return 0;
    }
    if (!makePipe(&audioRead, &encoder->audioFd, 0)) {
        close(videoRead);
        close(encoder->videoFd);
        removePartFile(encoder);
        *error = "cannot create a pipe to ffmpeg";
        return 0;
    }
    encoder->frameBytes = static_cast<size_t>(width) * height * 3;
    encoder->pid =
        spawnEncoder(encoderArguments(program, encoder->partPath, format, fps, width, height), videoRead, audioRead);
    close(videoRead);
    close(audioRead);
    if (encoder->pid < 0) {
        close(encoder->videoFd);
        close(encoder->audioFd);
        removePartFile(encoder);
        *error = "cannot start " + program;
        return 0;
    }
    liveEncoderGroup = encoder->pid;
    return 1;
}

int encodeAudio(FfmpegEncoder* encoder, const int16_t* samples, int frames) {
    // Queued, and sent with the frame or whenever the sound pipe has room.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(samples);
    encoder->audio.insert(encoder->audio.end(), bytes,
                          bytes + static_cast<size_t>(frames) * recordChannels * sizeof(int16_t));
    return 1;
}

int encodeFrame(FfmpegEncoder* encoder, const uint8_t* rgb) {
    if (encoder->gone || !encoder->failure.empty()) return 0;
    std::vector<uint8_t> frame;
    if (!encoder->spareFrames.empty()) {
        frame = std::move(encoder->spareFrames.back());
        encoder->spareFrames.pop_back();
    }
    frame.assign(rgb, rgb + encoder->frameBytes);
    encoder->video.push_back(std::move(frame));
    return pump(encoder, BACKLOG_FITS);
}

int closeEncoder(FfmpegEncoder* encoder, RecordStats* stats, std::string* error) {
    // The rest of the video, end of the video, the rest of the sound, end of the sound:
    // ffmpeg drains, writes the index and trailer, and exits.
    if (!encoder->gone && encoder->failure.empty()) pump(encoder, VIDEO_SENT);
    close(encoder->videoFd);
    encoder->videoFd = -1;
    if (!encoder->gone && encoder->failure.empty()) pump(encoder, ALL_SENT);
    close(encoder->audioFd);
    encoder->audioFd = -1;
    const bool stuck = !encoder->failure.empty();
    int status = 0;
    struct rusage usage = {};
    const pid_t waited = reapEncoder(encoder, stuck, &status, &usage);
    forgetEncoder(encoder);
    if (stats) {
        stats->encoderCpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        stats->encoderPeakRssKb = usage.ru_maxrss;
    }
    const bool succeeded =
        waited > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && !encoder->gone && encoder->failure.empty();
    if (succeeded) return publishPartFile(encoder, error);
    removePartFile(encoder);
    *error = failureText(encoder, status, waited > 0);
    return 0;
}

void abandonEncoderNow() {
    if (liveEncoderGroup > 0) kill(-liveEncoderGroup, SIGKILL);
    if (livePartPath[0]) unlink(livePartPath);
}
