// The video forms' encoder: the ffmpeg program fed raw frames and sound through two pipes,
// behind an opaque handle. It writes a hidden file beside the output, named once complete.
#pragma once

#include <cstdint>
#include <string>

#include "record/output_check.h"

struct FfmpegEncoder;
struct RecordStats;

// Starts ffmpeg on frames of width x height pixels (for .mp4 both even); null with the
// reason in `error` when it cannot.
FfmpegEncoder* openEncoder(const std::string& outPath, RecordFormat format, int fps, int width, int height,
                           int overwrite, std::string* error);
int encodeAudio(FfmpegEncoder* encoder, const int16_t* samples, int frames);
int encodeFrame(FfmpegEncoder* encoder, const uint8_t* rgb);
// Ends the input, waits for ffmpeg, puts the file under its name and frees the encoder;
// after any failure the unfinished file is removed and the user's name left as it was.
// 1 when the file took its name, 0 on failure (`error` says why), -1 when it held no frame
// and was removed.
int closeEncoder(FfmpegEncoder* encoder, RecordStats* stats, std::string* error);
// For a second interrupt, from a signal handler: stops the encoder at once and removes its
// unfinished file. Only async-signal-safe calls on POSIX.
void abandonEncoderNow();
