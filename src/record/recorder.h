// The recorder: the whole demo rendered offline on a virtual clock, frame for frame,
// into a video file or a directory of PNG frames, with its soundtrack.
#pragma once

#include <string>

// Where the time of a recording went, for the benchmark and the closing summary.
struct RecordStats {
    long frames = 0;         // frames written
    long sampleFrames = 0;   // stereo sample frames written
    double wallSeconds = 0;  // whole run, start-up included
    // Wall time of the drawing thread, in three parts:
    double drawSeconds = 0;              // the demo's own frames: chain, start-up, swap, glFinish
    double writeSeconds = 0;             // waiting for a free slot (the writer a whole ring behind)
    double readbackSeconds = 0;          // glReadPixels, the frame's samples, handing the slot over
    double writerBusySeconds = 0;        // wall time of the writer thread: composing, sink, pipes
    double drawingThreadCpuSeconds = 0;  // CPU time of the drawing thread
    double writerCpuSeconds = 0;         // CPU time of the writer thread
    double processCpuSeconds = 0;        // all our threads, the renderer's own included
    double encoderCpuSeconds = 0;        // CPU time of the ffmpeg process, user + system
    long peakRssKb = 0;                  // of this process
    long encoderPeakRssKb = 0;           // of the ffmpeg process
    long rssAtTenthKb = 0;               // resident size when a tenth of the demo was done
    long rssAtEndKb = 0;                 // resident size after the last frame
    int interrupted = 0;                 // Ctrl-C, SIGTERM or SIGHUP ended the run early
};

// The recorder's word on the media chosen at start-up: when any is missing it refuses (one
// line, exit status 2) unless `allowMissingMedia`, when it warns and lets the recording go on.
// Returns -1 to go on, else the exit status.
int checkRecordMedia(int allowMissingMedia);

// Returns the process exit status: 0 on success, 2 for bad arguments, a missing encoder or
// an output that exists without `overwrite`, 1 when writing failed, 128 + the signal when
// interrupted (130 for Ctrl-C; the output is still complete up to that point).
int recordDemo(const std::string& outPath, int fps, int overwrite);
int recordDemo(const std::string& outPath, int fps, int overwrite, RecordStats* stats);
