// A recording steps exactly as the live loop: its first frames are the live loop's first
// frames on the same clock, where the first two see a step of 0 and the third one frame's.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "recording_files.h"
#include "support/headless_demo.h"
#include "support/temp_dir.h"

namespace {
constexpr int fps = 60;  // one picture a call, as the live loop draws them
constexpr long framesCompared = 6;

// The live loop's clock: the timer somewhere past its start, the calendar where the
// recorder's begins, both moved on by one frame after every frame.
struct {
    long frame;
    std::vector<std::vector<uint8_t>> pictures;  // top row first, as the recorder writes
} live;

void setLiveClock(long n) {
    platformSetVirtualClock(static_cast<uint32_t>(54321 + n * 1000 / fps), 1700000000 + static_cast<int32_t>(n / fps));
}

void onLiveFrame(void*) {
    std::vector<uint8_t> bottomUp(640 * 480 * 3), topDown(bottomUp.size());
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < 480; ++y)
        std::copy_n(&bottomUp[static_cast<size_t>(y) * 640 * 3], 640 * 3, &topDown[static_cast<size_t>(479 - y) * 640 * 3]);
    live.pictures.push_back(topDown);
    if (++live.frame == framesCompared) {
        const PlatformMessage close = {PLATFORM_WM_CLOSE, 0, 0};
        platformPostMessage(&close);
    }
    setLiveClock(live.frame);
}
}  // namespace

TEST(RecordingFirstFrames, StepAsTheLiveLoopFromTheFirstFrame) {
    // The recording first: this process has not drawn yet, so both start from the same
    // random numbers and scene state.
    TempDir dir;
    const std::string out = dir.file("frames");
    RunOptions options;
    options.interruptWhen = [&](const std::string&) { return pathExists(frameName(out, framesCompared)); };
    const RunResult run = runQuorvex({"--record", out, "--fps", std::to_string(fps)}, options);
    ASSERT_EQ(run.status, 130) << run.stderrText;

    ScopedChdir inBuild(buildDir());
    live.frame = 0;
    setLiveClock(0);
    ASSERT_EQ(runHeadlessDemo(onLiveFrame, nullptr, nullptr), 0);
    ASSERT_EQ(live.pictures.size(), static_cast<size_t>(framesCompared));

    for (long n = 0; n < framesCompared; ++n) {
        int width = 0, height = 0;
        const std::vector<uint8_t> recorded = readPngRgb(frameName(out, n), &width, &height);
        EXPECT_TRUE(recorded == live.pictures[static_cast<size_t>(n)]) << "frame " << n;
    }
}
