// The recorder's choice of output and its writers behind one interface: the checks made
// before any work, the PNG directory with its WAV soundtrack, and the ffmpeg video forms.
#include "record/sink.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/ascii_case.h"
#include "platform/file_system.h"
#include "record/recorder.h"

struct RecordSink {
    RecordFormat format = RECORD_PNG_DIRECTORY;
    std::string outPath;
    int madeDirectory = 0;
    std::atomic<long> frameIndex{0};
    int width = 0, height = 0;
    WavWriter wav;
    PngWriters* pngs = nullptr;
    uint32_t frameSoundStart = 0;        // PNG: soundtrack bytes before the next frame's sound
    std::vector<uint32_t> soundAtFrame;  // PNG: the same for every frame queued
    long failedFrame = -1;               // PNG: the first frame or sound that could not be written
    std::string failure;                 // why, said as the user needs it
    FfmpegEncoder encoder;
};

namespace {
constexpr char soundtrackName[] = "soundtrack.wav";

// The sink of the recording under way, for an exit from the middle of it.
std::atomic<RecordSink*> openSink{nullptr};
bool endsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (foldAsciiCase(text[text.size() - n + i]) != suffix[i]) return false;
    return true;
}

bool isSeparator(char c) { return std::strchr(platformPathSeparators(), c) != nullptr; }

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && isSeparator(path.back())) path.pop_back();
    return path;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of(platformPathSeparators());
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

bool holdsRecording(const std::string& dir) {
    std::vector<std::string> names;
    if (!platformListDirectory(dir, &names)) return false;
    bool unfinished = false;
    for (const std::string& name : names)
        if ((isPngFrameName(name.c_str(), &unfinished) && !unfinished) || name == soundtrackName) return true;
    return false;
}

// With --overwrite: a shorter recording must not leave older frames after its own. Frames
// an ended process left unfinished go too.
int removeOldFrames(const std::string& dir) {
    std::vector<std::string> names;
    if (!platformListDirectory(dir, &names)) return 0;
    int ok = 1;
    bool unfinished = false;
    for (const std::string& name : names)
        if (isPngFrameName(name.c_str(), &unfinished) && !platformRemoveFile((dir + "/" + name).c_str())) ok = 0;
    return ok;
}

// Permission bits do not say whether a file can be made (root passes access() in /proc, and
// Windows decides by access lists): only making one does. The probe is removed at once.
int canCreateIn(const std::string& dir) {
    const long long tick = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string probe = dir + "/.quorvex-probe-" + std::to_string(tick) + "-" + std::to_string(attempt);
        const int made = platformCreateNewFile(probe);
        if (made < 0) return 0;
        if (made > 0) return platformRemoveFile(probe.c_str());
    }
    return 0;
}

// Video forms we do not write: a name like these would otherwise become a frame directory.
const char* const unwrittenVideoExtensions[] = {".avi", ".webm", ".mov", ".qt",  ".m4v", ".wmv", ".asf", ".flv",
                                                ".f4v", ".ogv",  ".mpg", ".mpeg", ".ts", ".m2ts", ".mts", ".3gp",
                                                ".vob", ".mxf",  ".gif", ".h264", ".hevc", ".y4m"};

int openDirectory(RecordSink* sink, std::string* error) {
    if (platformPathKind(sink->outPath) == PLATFORM_PATH_MISSING) {
        if (!platformMakeDirectory(sink->outPath)) {
            *error = "cannot create the directory '" + sink->outPath + "': " + std::strerror(errno);
            return 0;
        }
        sink->madeDirectory = 1;
    }
    if (!removeOldFrames(sink->outPath)) {
        *error = "cannot clear the old frames in '" + sink->outPath + "'";
        return 0;
    }
    // A new file, never written through a link of that name.
    const std::string sound = sink->outPath + "/" + soundtrackName;
    if (platformPathKind(sound) != PLATFORM_PATH_MISSING) platformRemoveFile(sound.c_str());
    if (!openWav(&sink->wav, sound)) {
        *error = "cannot write '" + sound + "': " + std::strerror(errno);
        return 0;
    }
    sink->pngs = startPngWriters(sink->outPath, pngWriterThreads(), sink->width, sink->height);
    return 1;
}

void noteFailure(RecordSink* sink, long frame, const std::string& path, int error) {
    if (sink->failedFrame >= 0 && sink->failedFrame <= frame) return;
    sink->failedFrame = frame;
    sink->failure = "cannot write '" + path + "': " + std::strerror(error);
}

int queueFrameFile(RecordSink* sink, const uint8_t* rgbTopDown) {
    errno = 0;
    if (!queuePng(sink->pngs, rgbTopDown)) {
        // Without errno a compressor failed: finishFrameFiles names it.
        if (errno) noteFailure(sink, sink->frameIndex, pngFramePath(sink->outPath, sink->frameIndex), errno);
        return 0;
    }
    sink->soundAtFrame.push_back(sink->frameSoundStart);
    sink->frameSoundStart = sink->wav.dataBytes;
    return 1;
}

// After a failure the frames before the first one that failed are kept, and the soundtrack
// is cut back to exactly their sound.
int finishFrameFiles(RecordSink* sink) {
    long failedFrame = -1;
    int failedError = 0;
    if (!finishPngWriters(sink->pngs, &failedFrame, &failedError))
        noteFailure(sink, failedFrame, pngFramePath(sink->outPath, failedFrame), failedError);
    sink->pngs = nullptr;
    if (sink->failedFrame < 0) return 1;
    // A frame refused before it was queued had its sound written all the same.
    const size_t failed = static_cast<size_t>(sink->failedFrame);
    cutWav(&sink->wav, failed < sink->soundAtFrame.size() ? sink->soundAtFrame[failed] : sink->frameSoundStart);
    return 0;
}

// An exit from the middle of a recording (a fatal picture error at start-up) leaves nothing
// of it: the encoder and its hidden file go, and so do the frames, soundtrack and directory
// made so far. The writer thread may still be at work: only files are touched.
void abandonOpenSink() {
    RecordSink* sink = openSink.exchange(nullptr);
    if (!sink) return;
    abandonRecordingNow();
    if (sink->format == RECORD_PNG_DIRECTORY) {
        for (long i = sink->frameIndex; i >= 0; --i) platformRemoveFile(pngFramePath(sink->outPath, i).c_str());
        platformRemoveFile((sink->outPath + "/" + soundtrackName).c_str());
        if (sink->madeDirectory) platformRemoveDirectory(sink->outPath);
    }
    std::fprintf(stderr, "quorvex: the recording to '%s' was abandoned; nothing of it was kept\n",
                 sink->outPath.c_str());
}
}  // namespace

void abandonRecordingNow() {
    abandonEncoderNow();
    abandonPngWritersNow();
}

RecordFormat recordFormatFor(const std::string& outPath) {
    if (endsWithNoCase(outPath, ".mkv")) return RECORD_MKV;
    if (endsWithNoCase(outPath, ".mp4")) return RECORD_MP4;
    return RECORD_PNG_DIRECTORY;
}

std::string checkRecordTarget(const std::string& outPath, RecordFormat format, int overwrite) {
    const std::string path = withoutTrailingSlashes(outPath);
    const std::string quoted = "'" + outPath + "'";
    if (format == RECORD_PNG_DIRECTORY)
        for (const char* extension : unwrittenVideoExtensions)
            if (endsWithNoCase(path, extension))
                return quoted + " asks for a " + extension + " video, which the recorder does not write: name it " +
                       ".mkv (lossless H.264 + FLAC) or .mp4 (H.264 + AAC), or give a directory name for PNG frames";
    const PlatformPathKind kind = platformPathKind(path);
    // Only what the recorder would have made itself is ever replaced.
    if (kind == PLATFORM_PATH_DANGLING)
        return quoted + " is a link to something that does not exist; name a file or directory itself";
    if (kind == PLATFORM_PATH_OTHER)
        return quoted + " is neither a file nor a directory (a device, a pipe or a socket); nothing recorded";
    if (kind == PLATFORM_PATH_DIRECTORY || kind == PLATFORM_PATH_FILE) {
        if (format == RECORD_PNG_DIRECTORY) {
            if (kind != PLATFORM_PATH_DIRECTORY) return quoted + " exists and is not a directory";
            if (!canCreateIn(path)) return "cannot write into " + quoted + ": " + std::strerror(errno);
            if (!overwrite && holdsRecording(path))
                return quoted + " already holds frames or " + soundtrackName + "; add --overwrite to replace them";
            const PlatformPathKind sound = platformPathKind(path + "/" + soundtrackName);
            if (sound != PLATFORM_PATH_MISSING && sound != PLATFORM_PATH_FILE)
                return "'" + path + "/" + soundtrackName + "' is not a file; nothing recorded";
            return "";
        }
        if (kind == PLATFORM_PATH_DIRECTORY) return quoted + " is a directory";
        if (!overwrite) return quoted + " already exists; add --overwrite to replace it";
        // The finished file is renamed over the old one: the directory must take a new file.
        if (!platformCanWriteFile(path) || !canCreateIn(parentOf(path)))
            return "cannot write " + quoted + ": " + std::strerror(errno);
        return "";
    }
    if (kind == PLATFORM_PATH_ERROR) return "cannot write " + quoted + ": " + std::strerror(errno);
    const std::string parent = parentOf(path);
    if (platformPathKind(parent) != PLATFORM_PATH_DIRECTORY)
        return "cannot write " + quoted + ": no directory '" + parent + "'";
    if (!canCreateIn(parent)) return "cannot write " + quoted + ": " + std::strerror(errno);
    return "";
}

RecordSink* openRecordSink(const std::string& outPath, RecordFormat format, int fps, int width, int height,
                           int overwrite, std::string* error) {
    RecordSink* sink = new RecordSink;
    sink->format = format;
    sink->width = width;
    sink->height = height;
    sink->outPath = withoutTrailingSlashes(outPath);
    const int ok = format == RECORD_PNG_DIRECTORY
                       ? openDirectory(sink, error)
                       : openEncoder(&sink->encoder, sink->outPath, format, fps, width, height, overwrite, error);
    if (ok) {
        static const int exitWatched = std::atexit(abandonOpenSink) == 0;
        (void)exitWatched;
        openSink = sink;
        return sink;
    }
    if (sink->wav.file) closeWav(&sink->wav);
    delete sink;
    return nullptr;
}

int writeRecordAudio(RecordSink* sink, const int16_t* samples, int frames) {
    if (frames <= 0) return 1;
    if (sink->format == RECORD_PNG_DIRECTORY) {
        if (writeWav(&sink->wav, samples, frames)) return 1;
        noteFailure(sink, sink->frameIndex, sink->outPath + "/" + soundtrackName, errno);
        return 0;
    }
    return encodeAudio(&sink->encoder, samples, frames);
}

int writeRecordFrame(RecordSink* sink, const uint8_t* rgbTopDown) {
    const int ok = sink->format == RECORD_PNG_DIRECTORY ? queueFrameFile(sink, rgbTopDown)
                                                        : encodeFrame(&sink->encoder, rgbTopDown);
    if (ok) ++sink->frameIndex;
    return ok;
}

int closeRecordSink(RecordSink* sink, RecordStats* stats, std::string* error) {
    openSink = nullptr;
    int ok = 1;
    if (sink->format == RECORD_PNG_DIRECTORY) {
        const int framesWritten = finishFrameFiles(sink);
        const int soundWritten = closeWav(&sink->wav);
        ok = framesWritten && soundWritten;
        if (!framesWritten)
            *error = sink->failure + "; '" + sink->outPath + "' holds the " + std::to_string(sink->failedFrame) +
                     " whole frames before it and their sound";
        else if (!soundWritten)
            *error = "cannot finish '" + sink->outPath + "/" + soundtrackName + "': " + std::strerror(errno) +
                     "; '" + sink->outPath + "' is incomplete";
    } else {
        ok = closeEncoder(&sink->encoder, stats, error);
    }
    delete sink;
    return ok;
}
