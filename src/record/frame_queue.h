// The hand-over from the drawing thread to the writer thread: a fixed ring of frame slots, so
// drawing and reading back the next frame overlap with composing and writing this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell/window.h"

struct RecordSink;

struct FrameSlot {
    std::vector<uint8_t> boxBottomUp;  // the demo's box in RGB, as glReadPixels leaves it
    std::vector<int16_t> samples;      // the frame's share of the soundtrack, interleaved
    int sampleFrames = 0;
};

struct FrameQueueFigures {
    long frames = 0;               // frames the sink took
    long sampleFrames = 0;         // sample frames the sink took
    double writerBusySeconds = 0;  // wall time the writer spent composing and writing
    double writerCpuSeconds = 0;   // CPU time of the writer thread
};

struct FrameQueue;
// Starts the writer thread on `slots` slots, allocated once: frames are width x height, the
// demo's box inside them is read back and the bars around it stay black.
FrameQueue* startFrameQueue(RecordSink* sink, int slots, int width, int height, ViewBox box);
// The next slot to fill; waits only while every slot is still queued for the writer.
FrameSlot* nextFreeSlot(FrameQueue* queue);
void submitSlot(FrameQueue* queue);
// Set once the sink refused a write; later slots are dropped unwritten.
int frameQueueFailed(const FrameQueue* queue);
// Writes what is queued, stops the thread, frees the queue; 1 when every frame was written.
int finishFrameQueue(FrameQueue* queue, FrameQueueFigures* figures);
