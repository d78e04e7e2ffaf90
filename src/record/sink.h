// The recorder's one plain interface to its output, whatever the form: a directory of PNG
// frames with a WAV soundtrack (png_writers.h, wav_writer.h) or a video file (ffmpeg_encoder.h).
#pragma once

#include <cstdint>
#include <string>

#include "record/output_check.h"

struct RecordSink;
struct RecordStats;

// For a second interrupt, from a signal handler: the encoder and every unfinished file go.
void abandonRecordingNow();
// Frames of width x height RGB pixels (for .mp4 both even, as yuv420p needs).
RecordSink* openRecordSink(const std::string& outPath, RecordFormat format, int fps, int width, int height,
                           int overwrite, std::string* error);
// Samples, in the demo's sound format, go in before the frame they belong to, so the encoder
// never waits for sound.
int writeRecordAudio(RecordSink* sink, const int16_t* samples, int frames);
int writeRecordFrame(RecordSink* sink, const uint8_t* rgbTopDown);
// Finishes and frees the sink; 1 when the output is complete, -1 when no frame had been
// written and nothing of it is left. Fills the encoder's figures. On failure (0) `error` is
// one sentence that says what became of the output.
int closeRecordSink(RecordSink* sink, RecordStats* stats, std::string* error);
