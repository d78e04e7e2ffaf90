// The writer thread behind the recorder: frames reach the sink in order, the right way up,
// framed by black bars, with their samples, however far the drawing side runs ahead; and a
// refused write is reported with the frames after it dropped.
#include <gtest/gtest.h>

#include <string>

#include "assets/demo_timeline.h"
#include "record/frame_queue.h"
#include "record/recorder.h"
#include "record/sink.h"
#include "recording_files.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
// A 10 x 6 frame with the demo's box 4 x 4 at (3, 1) from the bottom left.
constexpr int width = 10, height = 6;
constexpr ViewBox box = {3, 1, 4, 4};

// Frame n: every box byte n, except the box's bottom row (first in the slot): 200 + n.
void fill(FrameSlot* slot, int n) {
    for (uint8_t& byte : slot->boxBottomUp) byte = static_cast<uint8_t>(n);
    for (int x = 0; x < box.width * 3; ++x) slot->boxBottomUp[static_cast<size_t>(x)] = static_cast<uint8_t>(200 + n);
    slot->sampleFrames = 100 + n;
    slot->samples.assign(static_cast<size_t>(slot->sampleFrames) * audioChannels, static_cast<int16_t>(n));
}

uint8_t redAt(const std::vector<uint8_t>& rgb, int x, int yFromTop) {
    return rgb[(static_cast<size_t>(yFromTop) * width + static_cast<size_t>(x)) * 3];
}

std::string frameFile(const TempDir& dir, int n) { return dir.file("frames/frame_00000" + std::to_string(n) + ".png"); }

// Frames 0 .. count - 1 through a two-slot ring, so the drawing side must wait for the
// writer and never overwrite; finishFrameQueue's answer.
int queueFrames(RecordSink* sink, int count, FrameQueueFigures* figures) {
    FrameQueue* queue = startFrameQueue(sink, 2, width, height, box);
    for (int n = 0; n < count; ++n) {
        fill(nextFreeSlot(queue), n);
        submitSlot(queue);
    }
    return finishFrameQueue(queue, figures);
}
}  // namespace

TEST(FrameQueue, WritesEveryFrameInOrderTopRowFirstInsideBlackBarsWithItsSamples) {
    TempDir dir;
    std::string error;
    RecordSink* sink = openRecordSink(dir.file("frames"), RECORD_PNG_DIRECTORY, 10, width, height, 0, &error);
    ASSERT_NE(sink, nullptr) << error;
    FrameQueueFigures figures;
    EXPECT_EQ(queueFrames(sink, 7, &figures), 1);
    EXPECT_EQ(closeRecordSink(sink, nullptr, &error), 1) << error;
    EXPECT_EQ(figures.frames, 7);
    EXPECT_EQ(figures.sampleFrames, 7 * 100 + 21);

    for (int n = 0; n < 7; ++n) {
        int w = 0, h = 0;
        const std::vector<uint8_t> rgb = readPngRgb(frameFile(dir, n), &w, &h);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(width) * height * 3) << "frame " << n;
        // Box rows from the top: 1..4; its bottom row (GL's first) is row 4.
        EXPECT_EQ(redAt(rgb, 3, 1), n) << "frame " << n;
        EXPECT_EQ(redAt(rgb, 6, 4), 200 + n) << "frame " << n << ": the box's bottom row must come last";
        for (int x : {0, 2, 7, 9}) EXPECT_EQ(redAt(rgb, x, 2), 0) << "side bar at x " << x;
        for (int x : {0, 4, 9}) {
            EXPECT_EQ(redAt(rgb, x, 0), 0) << "top bar at x " << x;
            EXPECT_EQ(redAt(rgb, x, 5), 0) << "bottom bar at x " << x;
        }
    }
    WavData wav;
    ASSERT_TRUE(readWav(dir.file("frames/soundtrack.wav"), &wav));
    ASSERT_EQ(wav.samples.size(), 2u * (7 * 100 + 21));
    EXPECT_EQ(wav.samples.front(), 0);
    EXPECT_EQ(wav.samples[2 * 100], 1) << "frame 1's samples follow frame 0's";
    EXPECT_EQ(wav.samples.back(), 6);
}

TEST(FrameQueue, RefusedWriteIsReportedAndLaterFramesDropped) {
    TempDir dir;
    std::string error;
    RecordSink* sink = openRecordSink(dir.file("frames"), RECORD_PNG_DIRECTORY, 10, width, height, 0, &error);
    ASSERT_NE(sink, nullptr) << error;
    // The second frame's file cannot be created: a directory stands in its place.
    makeTestDirectories(dir.file("frames/.frame_000001.png.part"));
    FrameQueueFigures figures;
    EXPECT_EQ(queueFrames(sink, 5, &figures), 0);
    EXPECT_EQ(closeRecordSink(sink, nullptr, &error), 0);
    EXPECT_EQ(figures.frames, 1);
    EXPECT_EQ(error.rfind("cannot write '" + frameFile(dir, 1) + "'", 0), 0u) << error;
    EXPECT_EQ(listDir(dir.file("frames")),
              (std::vector<std::string>{".frame_000001.png.part", "frame_000000.png", "soundtrack.wav"}));
    WavData wav;
    ASSERT_TRUE(readWav(dir.file("frames/soundtrack.wav"), &wav));
    EXPECT_EQ(wav.samples.size(), 2u * 100) << "exactly the first frame's sound";
}
