// The PNG frame writers: frames compressed on several threads come back pixel for pixel,
// and a write that fails on the disk stops the recording without leaving empty frames.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "record/sink.h"
#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
constexpr int width = 96, height = 40;

// Flat areas, ramps and noise, so that every filter path and long runs are exercised.
std::vector<uint8_t> testFrame(int n) {
    std::mt19937 random(static_cast<unsigned>(n));
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int value = y < height / 3 ? 0 : y < 2 * height / 3 ? (x * (c + 1) + n) : int(random());
                rgb[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<uint8_t>(value);
            }
    return rgb;
}

std::string frameName(const TempDir& dir, int n) { return dir.file("frame_" + std::to_string(100 + n) + ".png"); }
}  // namespace

TEST(PngWriters, FramesFromSeveralCompressorsComeBackExactly) {
    TempDir dir;
    constexpr int frames = 24;
    PngWriters* writers = startPngWriters(3, width, height);
    for (int n = 0; n < frames; ++n) ASSERT_EQ(queuePng(writers, frameName(dir, n), testFrame(n).data()), 1);
    ASSERT_EQ(finishPngWriters(writers), 1);
    for (int n = 0; n < frames; ++n) {
        int w = 0, h = 0;
        EXPECT_EQ(readPngRgb(frameName(dir, n), &w, &h), testFrame(n)) << "frame " << n;
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
    }
}

// Frame 3's file is a full disk. Frames before it are whole; the recording is refused
// from then on, and what was queued after it leaves no file behind.
TEST(PngWriters, FullDiskStopsTheFramesAndLeavesNoEmptyOnes) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
    TempDir dir;
    constexpr int failing = 3, tries = 200;
    ASSERT_EQ(symlink("/dev/full", frameName(dir, failing).c_str()), 0);
    PngWriters* writers = startPngWriters(2, width, height);
    int accepted = 0;
    while (accepted < tries && queuePng(writers, frameName(dir, accepted), testFrame(accepted).data())) ++accepted;
    EXPECT_EQ(finishPngWriters(writers), 0);
    EXPECT_GT(accepted, failing);
    EXPECT_LT(accepted, tries) << "the failure was never reported";
    for (int n = 0; n < accepted; ++n) {
        if (n == failing) continue;
        const bool exists = pathExists(frameName(dir, n));
        int w = 0, h = 0;
        if (n < failing || exists) {
            EXPECT_EQ(readPngRgb(frameName(dir, n), &w, &h), testFrame(n)) << "frame " << n << " is not whole";
        }
    }
}
