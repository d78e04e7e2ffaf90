// The PNG frame writers: frames compressed on several threads come back pixel for pixel,
// and a write that fails on the disk stops the recording, leaving only the whole frames before it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "record/png_writers.h"
#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
constexpr int width = 96, height = 40;
std::vector<uint8_t> testFrame(int n) { return testPicture(width, height, static_cast<unsigned>(n)); }
}  // namespace

TEST(PngWriters, FramesFromSeveralCompressorsComeBackExactly) {
    TempDir dir;
    constexpr int frames = 24;
    PngWriters* writers = startPngWriters(dir.path, 3, width, height);
    for (int n = 0; n < frames; ++n) ASSERT_EQ(queuePng(writers, testFrame(n).data()), 1);
    ASSERT_EQ(finishPngWriters(writers), 1);
    EXPECT_EQ(listDir(dir.path).size(), static_cast<size_t>(frames));  // nothing unfinished left over
    for (int n = 0; n < frames; ++n) {
        int w = 0, h = 0;
        EXPECT_EQ(readPngRgb(frameName(dir.path, n), &w, &h), testFrame(n)) << "frame " << n;
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
    }
}

// Frame 3's file is a full disk. The frames before it are whole and are all that is left;
// the recording is refused from then on.
TEST(PngWriters, FullDiskStopsTheFramesAndLeavesOnlyWholeOnesBeforeIt) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
    TempDir dir;
    constexpr int failing = 3, tries = 200;
    ASSERT_EQ(symlink("/dev/full", dir.file(".frame_000003.png.part").c_str()), 0);
    PngWriters* writers = startPngWriters(dir.path, 2, width, height);
    int accepted = 0;
    while (accepted < tries && queuePng(writers, testFrame(accepted).data())) ++accepted;
    long failedFrame = -1;
    int failedError = 0;
    EXPECT_EQ(finishPngWriters(writers, &failedFrame, &failedError), 0);
    EXPECT_LT(accepted, tries) << "the failure was never reported";
    EXPECT_EQ(failedFrame, failing);
    EXPECT_EQ(failedError, ENOSPC);
    EXPECT_EQ(listDir(dir.path),
              (std::vector<std::string>{"frame_000000.png", "frame_000001.png", "frame_000002.png"}));
    for (int n = 0; n < failing; ++n) {
        int w = 0, h = 0;
        EXPECT_EQ(readPngRgb(frameName(dir.path, n), &w, &h), testFrame(n)) << "frame " << n << " is not whole";
    }
}
