// The writers behind the recorder: a directory of PNG frames with a WAV soundtrack, or a
// video file encoded by the ffmpeg program through two pipes. One plain interface for both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/demo_timeline.h"

struct RecordStats;

constexpr int recordWidth = 640;
constexpr int recordHeight = 480;
constexpr int recordRate = audioSampleRate;  // the mixer's: frame n carries exactly its share
constexpr int recordChannels = audioChannels;

enum RecordFormat { RECORD_PNG_DIRECTORY = 0, RECORD_MKV = 1, RECORD_MP4 = 2 };

// The format an output name asks for: by its extension, any case; anything else is a directory.
RecordFormat recordFormatFor(const std::string& outPath);
// The full path of an executable program found on PATH, or "" when there is none.
std::string findProgram(const std::string& name);
// "" when the output can be created (or replaced) without touching anything, else the reason.
std::string checkRecordTarget(const std::string& outPath, RecordFormat format);

// A streaming 16-bit stereo WAV file: the header's sizes are filled in when it is closed.
struct WavWriter {
    std::FILE* file = nullptr;
    uint32_t dataBytes = 0;
};
int openWav(WavWriter* wav, const std::string& path);
int writeWav(WavWriter* wav, const int16_t* samples, int frames);
int closeWav(WavWriter* wav);  // 1 when every byte and the header reached the disk

// The ffmpeg process behind the video forms: two input pipes, fed, then waited for.
struct FfmpegEncoder {
    int pid = -1;
    int videoFd = -1;
    int audioFd = -1;
    std::vector<int16_t> pendingAudio;  // the samples of the frame on its way
};
int openEncoder(FfmpegEncoder* encoder, const std::string& outPath, RecordFormat format, int fps,
                std::string* error);
int encodeAudio(FfmpegEncoder* encoder, const int16_t* samples, int frames);
int encodeFrame(FfmpegEncoder* encoder, const uint8_t* rgb);
int closeEncoder(FfmpegEncoder* encoder, RecordStats* stats, std::string* error);

// One RGB frame, top row first, as an 8-bit PNG; 1 on success.
int writePng(const std::string& path, const uint8_t* rgb, int width, int height);

struct RecordSink;
RecordSink* openRecordSink(const std::string& outPath, RecordFormat format, int fps, std::string* error);
// Samples go in before the frame they belong to, so the encoder never waits for sound.
int writeRecordAudio(RecordSink* sink, const int16_t* samples, int frames);
int writeRecordFrame(RecordSink* sink, const uint8_t* rgbTopDown);
// Finishes and frees the sink; 1 when the output is complete. Fills the encoder's figures.
int closeRecordSink(RecordSink* sink, RecordStats* stats, std::string* error);
