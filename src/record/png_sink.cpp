// The recorder's PNG writer: one RGB frame per file, compressed by a few threads of its own
// at settings chosen for speed, since a recording holds thousands of them.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "record/sink.h"

struct PngWriters {
    struct Job {
        std::FILE* file = nullptr;
        std::string path;
        std::vector<uint8_t> rgb;
    };
    int width = 0, height = 0;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> waiting;                  // frames not yet taken by a compressor, oldest first
    std::vector<std::vector<uint8_t>> spare;  // pixel buffers of written frames, for reuse
    size_t inWork = 0;                        // frames taken and not yet finished
    size_t limit = 1;                         // frames waiting or in work at most
    bool closing = false;
    bool failed = false;
    std::string failedPath;  // the first file that could not be written whole
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

// Kept free of C++ objects with destructors: libpng reports errors by longjmp.
int encode(std::FILE* file, const uint8_t* rgb, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
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

// After a failure the frames still queued are dropped, and their empty files with them.
void finishJob(PngWriters* writers, PngWriters::Job& job, bool dropped) {
    errno = 0;
    const int ok = !dropped && encode(job.file, job.rgb.data(), writers->width, writers->height);
    int error = errno;
    const bool closed = std::fclose(job.file) == 0;
    if (!closed && !error) error = errno;
    const bool failed = !dropped && !(ok && closed);
    if (dropped || failed) platformRemoveFile(job.path.c_str());  // never a part of a frame
    std::lock_guard<std::mutex> held(writers->lock);
    // Frames finish out of order: the earliest that failed is kept (names sort as numbers).
    if (failed && (!writers->failed || job.path < writers->failedPath)) {
        writers->failed = true;
        writers->failedPath = job.path;
        writers->failedError = error;
    }
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
        const bool dropped = writers->failed;
        held.unlock();
        finishJob(writers, job, dropped);
    }
}
}  // namespace

int pngWriterThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 8u));
}

PngWriters* startPngWriters(int threads, int width, int height) {
    PngWriters* writers = new PngWriters;
    writers->width = width;
    writers->height = height;
    // One frame more than there are compressors, so that none waits for the next.
    writers->limit = static_cast<size_t>(threads) + 1;
    for (int i = 0; i < threads; ++i) writers->threads.emplace_back(compressLoop, writers);
    return writers;
}

int queuePng(PngWriters* writers, const std::string& path, const uint8_t* rgb) {
    std::vector<uint8_t> pixels;
    {
        std::unique_lock<std::mutex> held(writers->lock);
        writers->changed.wait(
            held, [writers] { return writers->failed || writers->waiting.size() + writers->inWork < writers->limit; });
        if (writers->failed) return 0;
        if (!writers->spare.empty()) {
            pixels = std::move(writers->spare.back());
            writers->spare.pop_back();
        }
    }
    // Files are created in order: a name that cannot be made stops the recording right here.
    PngWriters::Job job;
    job.file = std::fopen(path.c_str(), "wb");
    if (!job.file) return 0;
    job.path = path;
    pixels.assign(rgb, rgb + static_cast<size_t>(writers->width) * writers->height * 3);
    job.rgb = std::move(pixels);
    std::lock_guard<std::mutex> held(writers->lock);
    writers->waiting.push_back(std::move(job));
    writers->changed.notify_all();
    return 1;
}

int finishPngWriters(PngWriters* writers, std::string* failedPath, int* failedError) {
    {
        std::lock_guard<std::mutex> held(writers->lock);
        writers->closing = true;
        writers->changed.notify_all();
    }
    for (std::thread& thread : writers->threads) thread.join();
    const int ok = !writers->failed;
    if (failedPath) *failedPath = writers->failedPath;
    if (failedError) *failedError = writers->failedError;
    delete writers;
    return ok;
}
