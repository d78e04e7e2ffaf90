// The intro on a real context: its caption timetable read back from the frame, the second
// that lands one frame late, the fade carried into the next frame's backdrop, and its end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/particles.h"
#include "render/test_textures.h"
#include "scenes/director.h"
#include "scenes/scenes.h"

using namespace testkit;

namespace {
struct Line {
    const char* text;
    int x, y;
};

// What the frame must show at each elapsed second.
std::vector<Line> expectedCaption(int e) {
    if (e < 4) return {{"PEOPLE SAID", 350, 400}};
    if (e > 4 && e < 8) return {{"SPACE WAS", 350, 400}, {"   THE", 350, 360}};
    if (e > 8 && e < 12) return {{" SPINAL", 355, 400}, {"FRONTIER", 355, 360}};
    if (e > 12 && e < 16) return {{"THEY WERE", 355, 400}};
    if (e > 16 && e < 20) return {{"WRONG", 355, 400}};
    if (e > 20 && e < 24) return {{"PEOPLE SAID", 320, 400}};
    if (e > 24 && e < 28) return {{" WE WERE ", 355, 400}, {"HARMLESS", 355, 360}};
    if (e > 28 && e < 32) return {{"THEY WERE", 355, 400}};
    if (e > 32 && e < 36) return {{"RIGHT", 355, 400}};
    if (e > 36 && e < 40) return {{"NOW WE ARE", 355, 400}};
    if (e > 40 && e < 44) return {{"BRINGING IT ON", 260, 400}};
    if (e > 44 && e < 48) return {{"DALMERA", 355, 400}};
    return {};
}

// Glyph-covered pixels across the row of a caption at x, inside the 640-wide frame:
// blanks cover nothing, every other glyph its 32-wide cell.
int glyphPixels(const char* text, int x) {
    std::vector<bool> covered(640, false);
    for (int i = 0; text[i]; ++i) {
        if (text[i] == ' ') continue;
        for (int px = x + 26 * i; px < x + 26 * i + 32 && px < 640; ++px) covered[static_cast<size_t>(px)] = true;
    }
    int pixels = 0;
    for (bool c : covered) pixels += c;
    return pixels;
}

class IntroTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
        initParticles(sceneState.rocketX, sceneState.rocketY);
    }
    void TearDown() override { platformUseVirtualClock(0); }

    // A backdrop pixel clear of the rocket, the particles and the captions.
    static Rgb backdrop() { return pixel(600, 100); }
};
}  // namespace

TEST_F(IntroTest, CaptionTimetableWithStrictBoundsOnEverySecond) {
    std::vector<int> seconds = {-1000000, -1};
    for (int e = 0; e <= 52; ++e) seconds.push_back(e);
    for (int e : seconds) {
        sceneState.fadeAlpha = 1.0f;
        setElapsed(e);
        introScene(5);
        const std::vector<Line> lines = expectedCaption(e);
        int expectedTop = 0, expectedBottom = 0;
        for (const Line& line : lines) {
            const int n = static_cast<int>(std::strlen(line.text));
            EXPECT_EQ(readCaption(line.x, line.y, n), line.text) << "second " << e;
            (line.y == 400 ? expectedTop : expectedBottom) += glyphPixels(line.text, line.x);
        }
        EXPECT_EQ(captionPixelsInRow(416), expectedTop) << "second " << e;
        EXPECT_EQ(captionPixelsInRow(376), expectedBottom) << "second " << e;
    }
}

TEST_F(IntroTest, FirstFrameWithDemoNowStillZeroShowsTheFirstCaption) {
    demoClock.demoStart = 1700000000;
    demoClock.demoNow = 0;
    platformSetVirtualClock(0, 1700000000);
    EXPECT_EQ(introScene(5), 1);
    EXPECT_EQ(readCaption(350, 400, 11), "PEOPLE SAID");
    EXPECT_EQ(demoClock.demoNow, 1700000000);
}

TEST_F(IntroTest, EachSecondTakesEffectOneFrameLate) {
    setElapsed(3);
    platformSetVirtualClock(0, demoClock.demoStart + 4);
    introScene(5);
    EXPECT_EQ(readCaption(350, 400, 11), "PEOPLE SAID") << "still second 3 in this frame";
    EXPECT_EQ(demoElapsed(), 4);
    introScene(5);
    EXPECT_EQ(captionPixelsInRow(416), 0);

    setElapsed(46);
    platformSetVirtualClock(0, demoClock.demoStart + 47);
    EXPECT_EQ(introScene(5), 1);
    EXPECT_EQ(sceneState.fadeAlpha, 1.0f) << "no fade step on the frame that reads 47";
    EXPECT_EQ(introScene(5), 1);
    EXPECT_EQ(sceneState.fadeAlpha, 1.0f - 0.005f);
    EXPECT_EQ(readCaption(355, 400, 7), "DALMERA");
}

TEST_F(IntroTest, FadeDarkensTheNextFramesBackdropOnlyWhenNoCaptionFollows) {
    setElapsed(46);
    introScene(5);
    introScene(5);
    const Rgb full = backdrop();
    EXPECT_GT(full.b, 240);
    EXPECT_EQ(sceneState.fadeAlpha, 1.0f);

    // Second 47: the fade runs, but the caption after it puts the opaque state back.
    setElapsed(47);
    sceneState.fadeAlpha = 0.5f;
    introScene(5);
    introScene(5);
    EXPECT_GT(backdrop().b, 240);
    EXPECT_LT(sceneState.fadeAlpha, 0.5f);

    // From second 48 nothing resets it: each backdrop carries the previous call's alpha.
    setElapsed(48);
    sceneState.fadeAlpha = 0.5f;
    introScene(5);
    EXPECT_GT(backdrop().b, 240) << "the fade starts showing only in the next frame";
    introScene(5);
    EXPECT_NEAR(backdrop().b, 128, 10);
    sceneState.fadeAlpha = 0.25f;
    introScene(5);
    EXPECT_NEAR(backdrop().b, 0.495 * 255, 10);
    introScene(5);
    EXPECT_NEAR(backdrop().b, 64, 10);
    EXPECT_EQ(backdrop().r, 0);
}

TEST_F(IntroTest, MovesWithTheScaledStepAndLeavesTheStepScaled) {
    setElapsed(10);
    frameStep = 0.2f;
    introScene(5);
    EXPECT_FLOAT_EQ(frameStep, 1.0f);
    EXPECT_FLOAT_EQ(sceneState.rocketY, -3.8f + 0.01f);
    EXPECT_FLOAT_EQ(sceneState.backdropY, -0.3f);
    EXPECT_EQ(sceneState.rocketX, -2.5f);
    EXPECT_EQ(sceneState.backdropX, 0.0f);

    // The backdrop is drawn where backdropY puts it: here its lower edge is in view.
    setElapsed(48);
    sceneState.backdropY = 30.0f;
    frameStep = 0.0f;
    introScene(5);
    int px, py;
    project(0.0, -38.5 + 30.0, -94.0, &px, &py);
    EXPECT_EQ(pixel(600, py + 3).b > 200, true);
    EXPECT_EQ(pixel(600, py - 3).b, 0) << "below the backdrop's lower edge";
}

TEST_F(IntroTest, The201stFadeCallEndsTheIntroAndTheJourneyIsShownInThatFrame) {
    setElapsed(48);
    frameStep = 0.0f;
    for (int frame = 1; frame <= 200; ++frame) {
        ASSERT_EQ(runSceneChain(), 1);
        ASSERT_EQ(lastShownScene(), 0) << "frame " << frame;
    }
    ASSERT_EQ(runSceneChain(), 1);
    EXPECT_EQ(lastShownScene(), 1);
    // The journey's backdrop is opaque although the intro just left its fade state set.
    const Rgb journey = backdrop();
    EXPECT_EQ(journey.b, 0);
    EXPECT_NEAR(journey.g, 128, 6);
    EXPECT_EQ(readCaption(5, 435, 11), "THE JOURNEY");
    EXPECT_EQ(introScene(5), 0) << "and stays finished";
}
