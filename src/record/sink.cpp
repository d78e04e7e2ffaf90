// The recorder's output behind one interface: a PNG directory with its WAV soundtrack, kept
// whole frame for frame, or a video file from the ffmpeg encoder.
#include "record/sink.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "record/ffmpeg_encoder.h"
#include "record/png_writers.h"
#include "record/wav_writer.h"

struct RecordSink {
    RecordFormat format = RECORD_PNG_DIRECTORY;
    std::string outPath;
    int madeDirectory = 0;
    std::atomic<long> frameIndex{0};
    int width = 0, height = 0;
    WavWriter wav;
    intptr_t soundHold = -1;  // tells another recording that this directory is being written
    PngWriters* pngs = nullptr;
    uint32_t frameSoundStart = 0;        // PNG: soundtrack bytes before the next frame's sound
    std::vector<uint32_t> soundAtFrame;  // PNG: the same for every frame queued
    long failedFrame = -1;               // PNG: the first frame or sound that could not be written
    std::string failure;                 // why, said as the user needs it
    FfmpegEncoder* encoder = nullptr;
};

namespace {
// The sink of the recording under way, for an exit from the middle of it.
std::atomic<RecordSink*> openSink{nullptr};

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
    const std::string sound = sink->outPath + "/" + recordSoundtrackName;
    if (platformPathKind(sound) != PLATFORM_PATH_MISSING) platformRemoveFile(sound.c_str());
    if (!openWav(&sink->wav, sound)) {
        *error = "cannot write '" + sound + "': " + std::strerror(errno);
        return 0;
    }
    sink->soundHold = platformHoldFile(sound);
    sink->pngs = startPngWriters(sink->outPath, pngWriterThreads(), sink->width, sink->height);
    return 1;
}

int openVideo(RecordSink* sink, RecordFormat format, int fps, int overwrite, std::string* error) {
    sink->encoder = openEncoder(sink->outPath, format, fps, sink->width, sink->height, overwrite, error);
    return sink->encoder != nullptr;
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

// The frames, the soundtrack and the directory, when the recorder made it.
void removeFrameDirectory(RecordSink* sink) {
    for (long i = sink->frameIndex; i >= 0; --i) platformRemoveFile(pngFramePath(sink->outPath, i).c_str());
    platformRemoveFile((sink->outPath + "/" + recordSoundtrackName).c_str());
    if (sink->madeDirectory) platformRemoveDirectory(sink->outPath);
}

// An exit from the middle of a recording (a fatal picture error at start-up) leaves nothing
// of it: the encoder and its hidden file go, and so do the frames, soundtrack and directory
// made so far. The writer thread may still be at work: only files are touched.
void abandonOpenSink() {
    RecordSink* sink = openSink.exchange(nullptr);
    if (!sink) return;
    abandonRecordingNow();
    if (sink->format == RECORD_PNG_DIRECTORY) removeFrameDirectory(sink);
    platformPrint(stderr, "quorvex: the recording to '%s' was abandoned; nothing of it was kept\n",
                  sink->outPath.c_str());
}
}  // namespace

void abandonRecordingNow() {
    abandonEncoderNow();
    abandonPngWritersNow();
}

RecordSink* openRecordSink(const std::string& outPath, RecordFormat format, int fps, int width, int height,
                           int overwrite, std::string* error) {
    RecordSink* sink = new RecordSink;
    sink->format = format;
    sink->width = width;
    sink->height = height;
    sink->outPath = recordOutputPath(outPath);
    const int ok =
        format == RECORD_PNG_DIRECTORY ? openDirectory(sink, error) : openVideo(sink, format, fps, overwrite, error);
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
        noteFailure(sink, sink->frameIndex, sink->outPath + "/" + recordSoundtrackName, errno);
        return 0;
    }
    return encodeAudio(sink->encoder, samples, frames);
}

int writeRecordFrame(RecordSink* sink, const uint8_t* rgbTopDown) {
    const int ok = sink->format == RECORD_PNG_DIRECTORY ? queueFrameFile(sink, rgbTopDown)
                                                        : encodeFrame(sink->encoder, rgbTopDown);
    if (ok) ++sink->frameIndex;
    return ok;
}

int closeRecordSink(RecordSink* sink, RecordStats* stats, std::string* error) {
    openSink = nullptr;
    int ok = 1;
    if (sink->format == RECORD_PNG_DIRECTORY) {
        const int framesWritten = finishFrameFiles(sink);
        const int soundWritten = closeWav(&sink->wav);
        platformReleaseFile(sink->soundHold);
        ok = framesWritten && soundWritten;
        const long kept = framesWritten ? sink->frameIndex.load() : sink->failedFrame;
        // Without a frame there is no recording: a lone soundtrack would only stand in the
        // way of the next try.
        if (kept == 0) removeFrameDirectory(sink);
        if (!framesWritten)
            *error = sink->failure + "; '" + sink->outPath + "' " +
                     (kept ? "holds the " + std::to_string(kept) + " whole frames before it and their sound"
                           : "keeps nothing of this recording");
        else if (kept == 0) ok = -1;
        else if (!soundWritten)
            *error = "cannot finish '" + sink->outPath + "/" + recordSoundtrackName + "': " + std::strerror(errno) +
                     "; '" + sink->outPath + "' is incomplete";
    } else {
        ok = closeEncoder(sink->encoder, stats, error);
    }
    delete sink;
    return ok;
}
