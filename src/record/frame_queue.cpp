// The recorder's writer thread and the ring of frame slots it empties in order. The slots
// and the composed frame are made once, so memory stays flat however long the recording runs.
#include "record/frame_queue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/process.h"
#include "record/sink.h"

struct FrameQueue {
    RecordSink* sink = nullptr;
    int width = 0, height = 0;
    ViewBox box = {0, 0, 0, 0};
    std::vector<FrameSlot> slots;
    std::vector<uint8_t> topDown;  // the whole frame; only the box is ever written
    std::mutex lock;
    std::condition_variable changed;
    size_t fillIndex = 0;   // the slot the drawing thread fills next
    size_t writeIndex = 0;  // the slot the writer takes next
    size_t queued = 0;      // slots submitted and not yet written
    bool closing = false;
    std::atomic<int> failed{0};
    FrameQueueFigures figures;
    std::thread writer;
};

namespace {
// GL's rows run bottom up, the sink's top down.
void compose(FrameQueue* queue, const FrameSlot& slot) {
    const ViewBox& box = queue->box;
    const size_t boxRow = static_cast<size_t>(box.width) * 3, frameRow = static_cast<size_t>(queue->width) * 3;
    for (int y = 0; y < box.height; ++y) {
        const size_t frameY = static_cast<size_t>(queue->height - 1 - (box.y + y));
        std::memcpy(&queue->topDown[frameY * frameRow + static_cast<size_t>(box.x) * 3],
                    &slot.boxBottomUp[static_cast<size_t>(y) * boxRow], boxRow);
    }
}

void writeSlot(FrameQueue* queue, const FrameSlot& slot) {
    compose(queue, slot);
    if (writeRecordAudio(queue->sink, slot.samples.data(), slot.sampleFrames) &&
        writeRecordFrame(queue->sink, queue->topDown.data())) {
        ++queue->figures.frames;
        queue->figures.sampleFrames += slot.sampleFrames;
    } else {
        queue->failed = 1;
    }
}

void writerLoop(FrameQueue* queue) {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        std::unique_lock<std::mutex> held(queue->lock);
        queue->changed.wait(held, [queue] { return queue->queued > 0 || queue->closing; });
        if (queue->queued == 0) break;
        const FrameSlot& slot = queue->slots[queue->writeIndex];
        held.unlock();

        const Clock::time_point start = Clock::now();
        if (!queue->failed) writeSlot(queue, slot);
        queue->figures.writerBusySeconds += std::chrono::duration<double>(Clock::now() - start).count();

        held.lock();
        queue->writeIndex = (queue->writeIndex + 1) % queue->slots.size();
        --queue->queued;
        queue->changed.notify_all();
    }
    queue->figures.writerCpuSeconds = platformThreadCpuSeconds();
}
}  // namespace

FrameQueue* startFrameQueue(RecordSink* sink, int slots, int width, int height, ViewBox box) {
    FrameQueue* queue = new FrameQueue;
    queue->sink = sink;
    queue->width = width;
    queue->height = height;
    queue->box = box;
    queue->slots.resize(static_cast<size_t>(slots > 0 ? slots : 1));
    for (FrameSlot& slot : queue->slots) slot.boxBottomUp.assign(static_cast<size_t>(box.width) * box.height * 3, 0);
    queue->topDown.assign(static_cast<size_t>(width) * height * 3, 0);
    queue->writer = std::thread(writerLoop, queue);
    return queue;
}

FrameSlot* nextFreeSlot(FrameQueue* queue) {
    std::unique_lock<std::mutex> held(queue->lock);
    queue->changed.wait(held, [queue] { return queue->queued < queue->slots.size(); });
    return &queue->slots[queue->fillIndex];
}

void submitSlot(FrameQueue* queue) {
    std::lock_guard<std::mutex> held(queue->lock);
    queue->fillIndex = (queue->fillIndex + 1) % queue->slots.size();
    ++queue->queued;
    queue->changed.notify_all();
}

int frameQueueFailed(const FrameQueue* queue) { return queue->failed; }

int finishFrameQueue(FrameQueue* queue, FrameQueueFigures* figures) {
    {
        std::lock_guard<std::mutex> held(queue->lock);
        queue->closing = true;
        queue->changed.notify_all();
    }
    queue->writer.join();
    const int ok = !queue->failed;
    if (figures) *figures = queue->figures;
    delete queue;
    return ok;
}
