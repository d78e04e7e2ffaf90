// The writers behind the recorder: a directory of PNG frames with a WAV soundtrack, or a
// video file encoded by the ffmpeg program through two pipes. One plain interface for both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "assets/demo_timeline.h"

struct PlatformChild;
struct RecordStats;

constexpr int recordRate = audioSampleRate;  // the mixer's: frame n carries exactly its share
constexpr int recordChannels = audioChannels;

enum RecordFormat { RECORD_PNG_DIRECTORY = 0, RECORD_MKV = 1, RECORD_MP4 = 2 };

// The format an output name asks for: by its extension, any case; anything else is a directory.
RecordFormat recordFormatFor(const std::string& outPath);
// The full path of an executable program found on PATH, or "" when there is none.
std::string findProgram(const std::string& name);
// "" when the output can be created without touching anything, else the reason. Something
// the user already has there (a file, earlier frames) is only replaced with `overwrite`.
std::string checkRecordTarget(const std::string& outPath, RecordFormat format, int overwrite);

// A streaming 16-bit stereo WAV file: the header's sizes are filled in when it is closed.
struct WavWriter {
    std::FILE* file = nullptr;
    uint32_t dataBytes = 0;
};
int openWav(WavWriter* wav, const std::string& path);
int writeWav(WavWriter* wav, const int16_t* samples, int frames);
int closeWav(WavWriter* wav);  // 1 when every byte and the header reached the disk
// Cuts the data back to its first `dataBytes` bytes, the header with it.
int cutWav(WavWriter* wav, uint32_t dataBytes);

// The ffmpeg process behind the video forms: two input pipes, fed, then waited for. It
// writes a hidden file beside the output, renamed to the output's name once complete.
struct FfmpegEncoder {
    PlatformChild* child = nullptr;
    int pipeOpen[2] = {0, 0};                // video, sound: not yet closed by us
    std::deque<std::vector<uint8_t>> video;  // frames not yet wholly in the pipe, oldest first
    size_t videoSent = 0;                    // bytes of the oldest one already written
    size_t videoBacklog = 0;                 // frames that may wait here before the recorder does
    std::vector<std::vector<uint8_t>> spareFrames;  // buffers of written frames, for reuse
    std::vector<uint8_t> audio;  // sound not yet taken by ffmpeg, from audioSent on
    size_t audioSent = 0;
    long stallMs = 0;            // how long ffmpeg may take nothing before it counts as stuck
    std::string shownPath;       // the output as the user named it, for messages
    std::string finalPath;       // the same, absolute; the link's target with --overwrite
    std::string partPath;        // the file being encoded
    std::string progressPath;    // ffmpeg's running account of it, beside it
    int replace = 0;             // the user's name may be replaced (--overwrite)
    std::string failure;         // why ffmpeg was given up; "" while it works
    int gone = 0;                // ffmpeg closed its inputs before the end
    int width = 0, height = 0;
    int convertToYuv = 0;        // .mp4: frames go as 4:2:0, converted here
    size_t frameBytes = 0;       // one frame as sent
};
int openEncoder(FfmpegEncoder* encoder, const std::string& outPath, RecordFormat format, int fps, int width,
                int height, int overwrite, std::string* error);
int encodeAudio(FfmpegEncoder* encoder, const int16_t* samples, int frames);
int encodeFrame(FfmpegEncoder* encoder, const uint8_t* rgb);
// Ends the input, waits for ffmpeg and puts the file under its name; after any failure the
// unfinished file is removed and the user's name left as it was.
int closeEncoder(FfmpegEncoder* encoder, RecordStats* stats, std::string* error);
// For a second interrupt, from a signal handler: stops the encoder at once and removes its
// unfinished file. Only async-signal-safe calls on POSIX.
void abandonEncoderNow();

// PNG frames of width x height RGB pixels, top row first, numbered from 0 in the order
// queued and compressed by threads of their own. Each file is created by the caller, in
// order, so a name that cannot be made stops the recording at that very frame. A frame is
// written under a hidden name and takes its own (pngFramePath) once it and every frame
// before it are whole; after a failed write the frames still queued are dropped.
struct PngWriters;
int pngWriterThreads();  // how many compressors this machine is given
PngWriters* startPngWriters(const std::string& directory, int threads, int width, int height);
// Copies the frame; waits while every compressor is busy and one frame already waits.
int queuePng(PngWriters* writers, const uint8_t* rgb);
// Waits for the queued frames and frees the writers; 1 when every frame reached its file.
// Else the first frame that failed (none from it on are kept) and the error, when asked.
int finishPngWriters(PngWriters* writers, long* failedFrame = nullptr, int* failedError = nullptr);
// For a second interrupt, as abandonEncoderNow: no frame takes its name any more and the
// unfinished ones are removed.
void abandonPngWritersNow();
std::string pngFramePath(const std::string& directory, long frame);
// Whether a directory entry is a frame file, and whether an unfinished one.
bool isPngFrameName(const char* name, bool* unfinished);

struct RecordSink;
// For a second interrupt, from a signal handler: the encoder and every unfinished file go.
void abandonRecordingNow();
// Frames of width x height RGB pixels (for .mp4 both even, as yuv420p needs).
RecordSink* openRecordSink(const std::string& outPath, RecordFormat format, int fps, int width, int height,
                           int overwrite, std::string* error);
// Samples go in before the frame they belong to, so the encoder never waits for sound.
int writeRecordAudio(RecordSink* sink, const int16_t* samples, int frames);
int writeRecordFrame(RecordSink* sink, const uint8_t* rgbTopDown);
// Finishes and frees the sink; 1 when the output is complete. Fills the encoder's figures.
// On failure `error` is one sentence that says what became of the output.
int closeRecordSink(RecordSink* sink, RecordStats* stats, std::string* error);
