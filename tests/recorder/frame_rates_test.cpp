// ffmpeg reads its two inputs in its own order. At one to three frames per second x264
// wants seconds of video before it takes more sound; at 240 ffmpeg's start-up wants several
// frames of sound before it takes more video. Either way the recorder must feed the pipe
// ffmpeg is reading. Each run goes well past where such a stall would come, then stops.
#include <gtest/gtest.h>

#include "recording_files.h"

// H.264 is where the low rates stalled; both forms open their inputs alike at 240. The
// lossless form at low rates runs with the slow whole-demo recordings.
TEST(FrameRates, EncodedVideoArrivesAtOneTwoThreeAnd240FramesPerSecond) {
    for (int fps : {1, 2, 3, 240}) expectRecordingPastStartAt("rate.mp4", fps);
    expectRecordingPastStartAt("rate.mkv", 240);
}
