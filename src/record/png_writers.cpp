// The recorder's PNG writer: one RGB frame per file, compressed by a few threads of its own
// at settings chosen for speed, each file named as a frame only once it is whole.
#include "record/png_writers.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/file_system.h"

struct PngWriters {
    struct Job {
        std::FILE* file = nullptr;
        long frame = 0;
        std::vector<uint8_t> rgb;
    };
    std::string directory;
    int width = 0, height = 0;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> waiting;                  // frames not yet taken by a compressor, oldest first
    std::vector<std::vector<uint8_t>> spare;  // pixel buffers of written frames, for reuse
    size_t inWork = 0;                        // frames taken and not yet finished
    size_t limit = 1;                         // frames waiting or in work at most
    long queued = 0;                          // frames queued so far; the next one's number
    long named = 0;                           // frames 0 .. named - 1 have their own names
    std::set<long> whole;                     // frames written whole, waiting for an earlier one
    bool closing = false;
    long failedFrame = -1;  // the first frame that could not be written whole
    int failedError = 0;
    std::vector<std::thread> threads;
};

namespace {
// On the demo's own frames (every 49th of a 60 fps recording), per frame: zlib level 3 with
// the Sub filter 16 ms and 314 KB; level 1 with Sub 11 ms, 338 KB; run-length matching with
// Paeth 10 ms, 264 KB; with Up 7.6 ms, 308 KB. On two cores shared with the drawing, Paeth's
// extra 2.5 ms a frame would cost the speed that the files save in size.
constexpr int compressionLevel = 1;
constexpr int compressionStrategy = Z_RLE;
constexpr int rowFilter = PNG_FILTER_UP;

// A frame is written under a hidden name and takes its own name once whole, after every
// frame before it: whatever ends the process, the frames it leaves are whole and have no gap.
constexpr char framePrefix[] = "frame_", frameSuffix[] = ".png", unfinishedSuffix[] = ".part";

// What an exit from a signal handler must remove, kept in plain memory: the directory and
// the range of frames that may be unfinished. One set of writers at a time.
char liveDirectory[4096];
std::atomic<long> liveNamed{0}, liveQueued{0};
std::atomic<int> liveStopped{0};  // no frame takes its name any more

// "DIR/frame_NNNNNN.png", hidden and with ".part" while unfinished, without allocating:
// also for a signal handler. 0 when it does not fit.
size_t formatFramePath(char* out, size_t size, const char* directory, long frame, bool unfinished) {
    char number[24];
    int digits = 0;
    for (unsigned long v = static_cast<unsigned long>(frame); v > 0 || digits < 6; v /= 10)
        number[digits++] = static_cast<char>('0' + v % 10);
    size_t at = 0;
    bool fits = true;
    const auto put = [&](const char* text, size_t count) {
        for (size_t i = 0; i < count && fits; ++i) {
            fits = at + 1 < size;
            if (fits) out[at++] = text[i];
        }
    };
    const auto putText = [&](const char* text) { put(text, std::strlen(text)); };
    putText(directory);
    putText(unfinished ? "/." : "/");
    putText(framePrefix);
    while (digits > 0) put(&number[--digits], 1);
    putText(frameSuffix);
    if (unfinished) putText(unfinishedSuffix);
    if (!fits) return 0;
    out[at] = '\0';
    return at;
}

std::string framePath(const std::string& directory, long frame, bool unfinished) {
    std::vector<char> path(directory.size() + 64);
    formatFramePath(path.data(), path.size(), directory.c_str(), frame, unfinished);
    return path.data();
}

// A failed write is reported once, by the recorder, naming the frame: libpng's own line on
// standard error ("libpng error: Write Error") would only come on top of it.
void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quietWarning(png_structp, png_const_charp) {}

// Kept free of C++ objects with destructors: libpng reports errors by longjmp.
int encode(std::FILE* file, const uint8_t* rgb, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, file);
    png_set_compression_level(png, compressionLevel);
    png_set_compression_strategy(png, compressionStrategy);
    png_set_filter(png, 0, rowFilter);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * width * 3));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}

// Frames finish out of order: the earliest that failed is kept.
void noteFailed(PngWriters* writers, long frame, int error) {
    if (writers->failedFrame >= 0 && writers->failedFrame <= frame) return;
    writers->failedFrame = frame;
    writers->failedError = error;
}

bool beforeFailure(const PngWriters* writers, long frame) {
    return writers->failedFrame < 0 || frame < writers->failedFrame;
}

// Under the lock: the whole frames that no earlier frame holds up take their names.
void nameWholeFrames(PngWriters* writers) {
    while (!writers->whole.empty() && *writers->whole.begin() == writers->named && !liveStopped) {
        const long frame = writers->named;
        writers->whole.erase(writers->whole.begin());
        const std::string unfinished = framePath(writers->directory, frame, true);
        if (!platformRenameFile(unfinished, framePath(writers->directory, frame, false), 1)) {
            noteFailed(writers, frame, errno);
            platformRemoveFile(unfinished.c_str());
            return;
        }
        liveNamed = ++writers->named;
    }
}

// After a failure the frames still queued are dropped, and their empty files with them.
void finishJob(PngWriters* writers, PngWriters::Job& job, bool dropped) {
    errno = 0;
    const int ok = !dropped && encode(job.file, job.rgb.data(), writers->width, writers->height);
    int error = errno;
    const bool closed = std::fclose(job.file) == 0;
    if (!closed && !error) error = errno;
    std::lock_guard<std::mutex> held(writers->lock);
    if (!dropped && !(ok && closed)) noteFailed(writers, job.frame, error);
    if (!dropped && ok && closed && beforeFailure(writers, job.frame)) writers->whole.insert(job.frame);
    else platformRemoveFile(framePath(writers->directory, job.frame, true).c_str());  // never a part of a frame
    nameWholeFrames(writers);
    writers->spare.push_back(std::move(job.rgb));
    --writers->inWork;
    writers->changed.notify_all();
}

void compressLoop(PngWriters* writers) {
    for (;;) {
        std::unique_lock<std::mutex> held(writers->lock);
        writers->changed.wait(held, [writers] { return !writers->waiting.empty() || writers->closing; });
        if (writers->waiting.empty()) return;
        PngWriters::Job job = std::move(writers->waiting.front());
        writers->waiting.pop_front();
        ++writers->inWork;
        const bool dropped = writers->failedFrame >= 0;
        held.unlock();
        finishJob(writers, job, dropped);
    }
}
}  // namespace

std::string pngFramePath(const std::string& directory, long frame) { return framePath(directory, frame, false); }

bool isPngFrameName(const char* name, bool* unfinished) {
    // frame_NNNNNN.png, six digits or more; hidden and with .part while unfinished
    const size_t prefix = std::strlen(framePrefix), suffix = std::strlen(frameSuffix);
    const size_t partSuffix = std::strlen(unfinishedSuffix);
    std::string text = name;
    *unfinished = text.size() > partSuffix + 1 && text[0] == '.' &&
                  text.compare(text.size() - partSuffix, partSuffix, unfinishedSuffix) == 0;
    if (*unfinished) text = text.substr(1, text.size() - 1 - partSuffix);
    if (text.size() < prefix + 6 + suffix || text.compare(0, prefix, framePrefix) != 0 ||
        text.compare(text.size() - suffix, suffix, frameSuffix) != 0)
        return false;
    for (size_t i = prefix; i < text.size() - suffix; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

int pngWriterThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 8u));
}

PngWriters* startPngWriters(const std::string& directory, int threads, int width, int height) {
    PngWriters* writers = new PngWriters;
    writers->directory = directory;
    writers->width = width;
    writers->height = height;
    // One frame more than there are compressors, so that none waits for the next.
    writers->limit = static_cast<size_t>(threads) + 1;
    liveStopped = 0;
    liveNamed = liveQueued = 0;
    // A path too long for it only costs the clean-up after a second interrupt.
    const bool fits = directory.size() + 64 < sizeof liveDirectory;
    std::memcpy(liveDirectory, fits ? directory.c_str() : "", fits ? directory.size() + 1 : 1);
    for (int i = 0; i < threads; ++i) writers->threads.emplace_back(compressLoop, writers);
    return writers;
}

int queuePng(PngWriters* writers, const uint8_t* rgb) {
    std::vector<uint8_t> pixels;
    {
        std::unique_lock<std::mutex> held(writers->lock);
        writers->changed.wait(held, [writers] {
            return writers->failedFrame >= 0 || writers->waiting.size() + writers->inWork < writers->limit;
        });
        if (writers->failedFrame >= 0) return 0;
        if (!writers->spare.empty()) {
            pixels = std::move(writers->spare.back());
            writers->spare.pop_back();
        }
    }
    // Files are created in order: a name that cannot be made stops the recording right here.
    PngWriters::Job job;
    job.frame = writers->queued;
    liveQueued = job.frame + 1;  // before the file exists, for abandonPngWritersNow
    job.file = std::fopen(framePath(writers->directory, job.frame, true).c_str(), "wb");
    if (!job.file) return 0;
    ++writers->queued;
    pixels.assign(rgb, rgb + static_cast<size_t>(writers->width) * writers->height * 3);
    job.rgb = std::move(pixels);
    std::lock_guard<std::mutex> held(writers->lock);
    writers->waiting.push_back(std::move(job));
    writers->changed.notify_all();
    return 1;
}

int finishPngWriters(PngWriters* writers, long* failedFrame, int* failedError) {
    {
        std::lock_guard<std::mutex> held(writers->lock);
        writers->closing = true;
        writers->changed.notify_all();
    }
    for (std::thread& thread : writers->threads) thread.join();
    // Whole frames after one that failed never take their names.
    for (long frame : writers->whole) platformRemoveFile(framePath(writers->directory, frame, true).c_str());
    liveDirectory[0] = '\0';
    const int ok = writers->failedFrame < 0;
    if (failedFrame) *failedFrame = writers->failedFrame;
    if (failedError) *failedError = writers->failedError;
    delete writers;
    return ok;
}

void abandonPngWritersNow() {
    liveStopped = 1;
    if (!liveDirectory[0]) return;
    char path[sizeof liveDirectory + 64];
    for (long frame = liveNamed, last = liveQueued; frame <= last; ++frame)
        if (formatFramePath(path, sizeof path, liveDirectory, frame, true)) platformRemoveFile(path);
}
