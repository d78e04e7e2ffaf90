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
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "record/recorder.h"

extern char** environ;

namespace {
// The child reads video on descriptor 3 and sound on 4; its stdin stays away from us.
constexpr int childVideoFd = 3;
constexpr int childAudioFd = 4;

std::vector<std::string> encoderArguments(const std::string& program, const std::string& outPath,
                                          RecordFormat format, int fps) {
    const std::string size = std::to_string(recordWidth) + "x" + std::to_string(recordHeight);
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
    const std::vector<std::string> mkv = {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "gbrp", "-slices", "4",
                                          "-slicecrc", "0", "-g", "1", "-threads", "2",
                                          "-c:a", "flac", "-f", "matroska"};
    const std::vector<std::string> mp4 = {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18",
                                          "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k",
                                          "-movflags", "+faststart", "-f", "mp4"};
    const std::vector<std::string>& codec = format == RECORD_MKV ? mkv : mp4;
    args.insert(args.end(), codec.begin(), codec.end());
    args.push_back(outPath);
    return args;
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

// Writes both buffers, whichever pipe has room first. ffmpeg reads its two inputs in its
// own order (while probing, one at a time), so blocking on one pipe could wait forever.
int writeBoth(int videoFd, const uint8_t* video, size_t videoSize, int audioFd, const uint8_t* audio,
              size_t audioSize) {
    while (videoSize > 0 || audioSize > 0) {
        pollfd fds[2] = {{videoFd, POLLOUT, 0}, {audioFd, POLLOUT, 0}};
        fds[0].events = videoSize > 0 ? POLLOUT : 0;
        fds[1].events = audioSize > 0 ? POLLOUT : 0;
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) return 0;  // ffmpeg is gone
            const uint8_t*& data = i == 0 ? video : audio;
            size_t& size = i == 0 ? videoSize : audioSize;
            const ssize_t n = write(fds[i].fd, data, size);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return 0;
            data += n;
            size -= static_cast<size_t>(n);
        }
    }
    return 1;
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

    // Its own process group keeps a terminal's Ctrl-C away from the encoder: we finish the
    // file ourselves. Our ignored SIGPIPE and our SIGINT handler are not passed on.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
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

int openEncoder(FfmpegEncoder* encoder, const std::string& outPath, RecordFormat format, int fps,
                std::string* error) {
    const std::string program = findProgram("ffmpeg");
    if (program.empty()) {
        *error = "the ffmpeg program is missing";
        return 0;
    }
    int videoRead = -1, audioRead = -1;
    if (!makePipe(&videoRead, &encoder->videoFd, 1)) {
        *error = "cannot create a pipe to ffmpeg";
        return 0;
    }
    if (!makePipe(&audioRead, &encoder->audioFd, 0)) {
        close(videoRead);
        close(encoder->videoFd);
        *error = "cannot create a pipe to ffmpeg";
        return 0;
    }
    encoder->pid = spawnEncoder(encoderArguments(program, outPath, format, fps), videoRead, audioRead);
    close(videoRead);
    close(audioRead);
    if (encoder->pid < 0) {
        close(encoder->videoFd);
        close(encoder->audioFd);
        *error = "cannot start " + program;
        return 0;
    }
    return 1;
}

int encodeAudio(FfmpegEncoder* encoder, const int16_t* samples, int frames) {
    // Held back until its frame comes, then both go out together.
    encoder->pendingAudio.insert(encoder->pendingAudio.end(), samples,
                                 samples + static_cast<size_t>(frames) * recordChannels);
    return 1;
}

int encodeFrame(FfmpegEncoder* encoder, const uint8_t* rgb) {
    const int ok = writeBoth(encoder->videoFd, rgb, static_cast<size_t>(recordWidth) * recordHeight * 3,
                             encoder->audioFd, reinterpret_cast<const uint8_t*>(encoder->pendingAudio.data()),
                             encoder->pendingAudio.size() * sizeof(int16_t));
    encoder->pendingAudio.clear();
    return ok;
}

int closeEncoder(FfmpegEncoder* encoder, RecordStats* stats, std::string* error) {
    // End of both inputs: ffmpeg drains, writes the index and trailer, and exits.
    close(encoder->videoFd);
    close(encoder->audioFd);
    int status = 0;
    struct rusage usage = {};
    pid_t waited;
    do {
        waited = wait4(encoder->pid, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    if (stats) {
        stats->encoderCpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        stats->encoderPeakRssKb = usage.ru_maxrss;
    }
    if (waited < 0) {
        *error = "lost track of the ffmpeg process";
        return 0;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 1;
    *error = WIFEXITED(status) ? "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status))
                               : "ffmpeg was killed by signal " + std::to_string(WTERMSIG(status));
    return 0;
}
