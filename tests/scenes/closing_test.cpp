// The closing picture on a real context: it fills the height of the frame with thin borders
// left and right, runs through second 97 and ends the chain, and the demo, at 98.
#include <gtest/gtest.h>

#include "render/test_textures.h"
#include "scenes/director.h"
#include "scenes/scenes.h"

using namespace testkit;

namespace {
int finished(int) { return 0; }

class ClosingTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
    }
    void TearDown() override {
        for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = defaultSceneChain[i];
        platformUseVirtualClock(0);
    }
};

bool isPicture(Rgb c) { return c.g > 150 && c.r < 30 && c.b < 30; }
}  // namespace

TEST_F(ClosingTest, PictureFillsTheHeightWithThinBordersLeftAndRight) {
    // Whatever the scene before left: the caption's state, a stray translation.
    glTranslatef(5, 5, 5);
    setElapsed(90);
    closingScene();
    // 70 of about 70.4 visible units: at most a pixel or two uncovered at top and bottom.
    int bottom = -1, top = -1;
    for (int y = 0; y < 480; ++y) {
        if (!isPicture(pixel(320, y))) continue;
        if (bottom < 0) bottom = y;
        top = y;
    }
    EXPECT_LE(bottom, 2);
    EXPECT_GE(top, 477);
    int first = -1, last = -1;
    for (int x = 0; x < 640; ++x) {
        if (!isPicture(pixel(x, 240))) continue;
        if (first < 0) first = x;
        last = x;
    }
    // 92 of about 93.9 visible units: about 6.5 pixels of border on each side.
    EXPECT_GE(first, 4);
    EXPECT_LE(first, 9);
    EXPECT_GE(639 - last, 4);
    EXPECT_LE(639 - last, 9);
    EXPECT_LE(std::abs(first - (639 - last)), 1);
    const Rgb border = pixel(1, 240);
    EXPECT_EQ(border.r + border.g + border.b, 0) << "the clear colour";
}

TEST_F(ClosingTest, RunsAt97AndFinishesAt98WithoutRefreshingTheClock) {
    setElapsed(97);
    platformSetVirtualClock(0, demoClock.demoStart + 98);
    EXPECT_EQ(closingScene(), 1);
    EXPECT_EQ(demoElapsed(), 97) << "the closing scene reads the second, it never takes it";
    setElapsed(98);
    EXPECT_EQ(closingScene(), 0);
    setElapsed(120);
    EXPECT_EQ(closingScene(), 0);
}

TEST_F(ClosingTest, ChainReportsNoSceneRunningInTheFrameItFinishes) {
    for (int i = 0; i < sceneChainLength - 1; ++i) sceneChain[i] = {finished, 0};
    setElapsed(97);
    EXPECT_EQ(runSceneChain(), 1);
    EXPECT_EQ(lastShownScene(), sceneChainLength - 1);
    EXPECT_TRUE(isPicture(pixel(320, 240)));
    setElapsed(98);
    EXPECT_EQ(runSceneChain(), 0);
    EXPECT_EQ(lastShownScene(), -1);
}
