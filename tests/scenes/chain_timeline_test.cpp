// The whole timeline through the real main loop on a virtual clock at 60 frames per second:
// which scene is on screen in each second, and the demo's own end at second 98.
// A full run of the demo; labelled "slow".
#include <gtest/gtest.h>

#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "scenes/director.h"
#include "shell/main_loop.h"
#include "support/headless_demo.h"
#include "support/interpose.h"
#include "support/temp_dir.h"

namespace {
constexpr int fps = headlessFps;

struct {
    long frame;
    std::vector<int> shown;  // scene on screen, per drawn frame
} run;

void onFrameDrawn(void*) {
    if (run.frame == 0) pinLoadedLibraries();
    run.shown.push_back(lastShownScene());
    ++run.frame;
    setHeadlessClock(run.frame);
    // Only the timeline matters here, not the pixels: a tiny viewport keeps the fill cheap.
    glViewport(0, 0, 64, 48);
}

int answerOk(const char*, const char*, PlatformButtons, PlatformIcon) { return PLATFORM_ANSWER_OK; }

// First and last drawn frame on which `scene` was on screen; -1 when never.
std::pair<long, long> framesShowing(int scene) {
    long first = -1, last = -1;
    for (long i = 0; i < static_cast<long>(run.shown.size()); ++i) {
        if (run.shown[i] != scene) continue;
        if (first < 0) first = i;
        last = i;
    }
    return {first, last};
}

double seconds(long frame) { return static_cast<double>(frame) / fps; }
}  // namespace

TEST(ChainTimeline, EachSceneHoldsTheScreenInItsWindowAndTheDemoEndsAtSecond98) {
    TempDir dir;
    ScopedChdir inside(dir.path);  // no media: empty texture slots and no sound keep it fast
    run.frame = 0;
    setHeadlessClock(0);
    EXPECT_EQ(runHeadlessDemo(onFrameDrawn, nullptr, answerOk), 0);

    // The chain only ever moves on: never back to an earlier scene.
    for (size_t i = 1; i < run.shown.size(); ++i) ASSERT_GE(run.shown[i], run.shown[i - 1]) << "frame " << i;
    // The last drawn frame is in second 97; the frame at 98 ends the demo instead.
    EXPECT_EQ(static_cast<long>(run.shown.size()), 98L * fps);

    const auto intro = framesShowing(0), journey = framesShowing(1), sineCube = framesShowing(2),
               atom = framesShowing(3), vader = framesShowing(4), closing = framesShowing(5);
    EXPECT_EQ(intro.first, 0);
    // Captions until 47, then 200 frames of fade.
    EXPECT_NEAR(seconds(intro.second), 50.35, 0.1);
    EXPECT_EQ(journey.first, intro.second + 1);
    // The cube from -50 past 20 at 12.5 units per second of frame time.
    EXPECT_NEAR(seconds(journey.second - journey.first), 5.6, 0.1);
    EXPECT_EQ(sineCube.first, journey.second + 1);
    // The second marks are absolute: the last frame of each scene is the last of its second.
    EXPECT_EQ(sineCube.second, 68L * fps - 1);
    EXPECT_EQ(atom.first, 68L * fps);
    EXPECT_EQ(atom.second, 83L * fps - 1);
    EXPECT_EQ(vader.first, 83L * fps);
    EXPECT_EQ(vader.second, 93L * fps - 1);
    EXPECT_EQ(closing.first, 93L * fps);
    EXPECT_EQ(closing.second, 98L * fps - 1);
}
