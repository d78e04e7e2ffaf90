// The recorder's choice of output and its writers behind one interface: the checks made
// before any work, the PNG directory with its WAV soundtrack, and the ffmpeg video forms.
#include "record/sink.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "record/recorder.h"

struct RecordSink {
    RecordFormat format = RECORD_PNG_DIRECTORY;
    std::string outPath;
    long frameIndex = 0;
    int width = 0, height = 0;
    WavWriter wav;
    PngWriters* pngs = nullptr;
    FfmpegEncoder encoder;
};

namespace {
bool endsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
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

bool isFrameName(const char* name) {
    // frame_NNNNNN.png, six digits or more
    const size_t n = std::strlen(name);
    if (n < 16 || std::strncmp(name, "frame_", 6) != 0 || std::strcmp(name + n - 4, ".png") != 0) return false;
    for (size_t i = 6; i < n - 4; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

bool holdsRecording(const std::string& dir) {
    std::vector<std::string> names;
    if (!platformListDirectory(dir, &names)) return false;
    for (const std::string& name : names)
        if (isFrameName(name.c_str()) || name == "soundtrack.wav") return true;
    return false;
}

// With --overwrite: a shorter recording must not leave older frames after its own.
int removeOldFrames(const std::string& dir) {
    std::vector<std::string> names;
    if (!platformListDirectory(dir, &names)) return 0;
    int ok = 1;
    for (const std::string& name : names)
        if (isFrameName(name.c_str()) && !platformRemoveFile((dir + "/" + name).c_str())) ok = 0;
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

std::string framePath(const RecordSink* sink) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06ld.png", sink->frameIndex);
    return sink->outPath + name;
}

int openDirectory(RecordSink* sink, std::string* error) {
    if (platformPathKind(sink->outPath) == PLATFORM_PATH_MISSING && !platformMakeDirectory(sink->outPath)) {
        *error = "cannot create the directory '" + sink->outPath + "': " + std::strerror(errno);
        return 0;
    }
    if (!removeOldFrames(sink->outPath)) {
        *error = "cannot clear the old frames in '" + sink->outPath + "'";
        return 0;
    }
    if (!openWav(&sink->wav, sink->outPath + "/soundtrack.wav")) {
        *error = "cannot write '" + sink->outPath + "/soundtrack.wav': " + std::strerror(errno);
        return 0;
    }
    sink->pngs = startPngWriters(pngWriterThreads(), sink->width, sink->height);
    return 1;
}
}  // namespace

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
    if (kind == PLATFORM_PATH_DIRECTORY || kind == PLATFORM_PATH_FILE) {
        if (format == RECORD_PNG_DIRECTORY) {
            if (kind != PLATFORM_PATH_DIRECTORY) return quoted + " exists and is not a directory";
            if (!canCreateIn(path)) return "cannot write into " + quoted + ": " + std::strerror(errno);
            if (!overwrite && holdsRecording(path))
                return quoted + " already holds frames or soundtrack.wav; add --overwrite to replace them";
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
    if (ok) return sink;
    if (sink->wav.file) closeWav(&sink->wav);
    delete sink;
    return nullptr;
}

int writeRecordAudio(RecordSink* sink, const int16_t* samples, int frames) {
    if (frames <= 0) return 1;
    if (sink->format == RECORD_PNG_DIRECTORY) return writeWav(&sink->wav, samples, frames);
    return encodeAudio(&sink->encoder, samples, frames);
}

int writeRecordFrame(RecordSink* sink, const uint8_t* rgbTopDown) {
    const int ok = sink->format == RECORD_PNG_DIRECTORY
                       ? queuePng(sink->pngs, framePath(sink), rgbTopDown)
                       : encodeFrame(&sink->encoder, rgbTopDown);
    if (ok) ++sink->frameIndex;
    return ok;
}

int closeRecordSink(RecordSink* sink, RecordStats* stats, std::string* error) {
    int ok = 1;
    if (sink->format == RECORD_PNG_DIRECTORY) {
        const int framesWritten = finishPngWriters(sink->pngs);
        const int soundWritten = closeWav(&sink->wav);
        ok = framesWritten && soundWritten;
        if (!framesWritten)
            *error = "cannot write every frame into '" + sink->outPath + "'; '" + sink->outPath + "' is incomplete";
        else if (!soundWritten)
            *error = "cannot finish '" + sink->outPath + "/soundtrack.wav'; '" + sink->outPath + "' is incomplete";
    } else {
        ok = closeEncoder(&sink->encoder, stats, error);
    }
    delete sink;
    return ok;
}
