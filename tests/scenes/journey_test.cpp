// The journey on a real context: the opaque backdrop whatever the intro left, the cube,
// the bubble while the moved cube is beyond depth -20, the end past 20, the caption always.
#include <gtest/gtest.h>

#include "render/test_textures.h"
#include "scenes/scenes.h"

using namespace testkit;

namespace {
class JourneyTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
        frameStep = 0.0f;
    }
    void TearDown() override { platformUseVirtualClock(0); }

    // Inside the bubble, clear of the rocket quad beside it.
    static Rgb bubbleSpot() {
        int px, py;
        project(sceneState.rocket2X + 2.5, sceneState.rocket2Y + 2.3, sceneState.rocketZ + 1.0, &px, &py);
        return pixel(px, py);
    }
};
}  // namespace

TEST_F(JourneyTest, BackdropIsOpaqueEvenUnderTheIntrosFadeState) {
    sceneState.fadeAlpha = 0.3f;
    fadeOut(&sceneState.fadeAlpha);
    journeyScene(5);
    const Rgb backdrop = pixel(600, 100);
    EXPECT_NEAR(backdrop.g, 128, 6);
    EXPECT_EQ(backdrop.b, 0);
}

TEST_F(JourneyTest, BubbleOnlyWhileTheMovedCubeIsBeyondMinus20) {
    sceneState.cubeZ = -20.0f;
    journeyScene(5);
    EXPECT_EQ(bubbleSpot().b, 0) << "exactly -20: no bubble";

    sceneState.cubeZ = -19.9f;
    journeyScene(5);
    EXPECT_NEAR(bubbleSpot().b, 120, 8);
    EXPECT_NEAR(bubbleSpot().g, 128, 6) << "added onto the backdrop";

    // The test uses the depth after this call's motion: 0.1 s at speed 5 moves it 0.25.
    sceneState.cubeZ = -20.1f;
    frameStep = 0.1f;
    journeyScene(5);
    EXPECT_FLOAT_EQ(sceneState.cubeZ, -19.85f);
    EXPECT_NEAR(bubbleSpot().b, 120, 8);
}

TEST_F(JourneyTest, RunsWhileTheMovedCubeIsAtMost20AndCaptionsEveryCall) {
    sceneState.cubeZ = 20.0f;
    EXPECT_EQ(journeyScene(5), 1);
    EXPECT_EQ(readCaption(sceneTitleX, sceneTitleY, 11), "THE JOURNEY");

    sceneState.cubeZ = 19.9f;
    frameStep = 0.1f;
    EXPECT_EQ(journeyScene(5), 0);
    EXPECT_EQ(readCaption(sceneTitleX, sceneTitleY, 11), "THE JOURNEY") << "also in the call that ends it";
    frameStep = 0.0f;
    EXPECT_EQ(journeyScene(0), 0) << "a still call keeps the last result";
}

TEST_F(JourneyTest, MovesWithTheScaledStepAndTurnsOnlyAboutY) {
    frameStep = 0.2f;
    sceneState.angleX = 3.0f;
    journeyScene(5);
    EXPECT_FLOAT_EQ(frameStep, 1.0f);
    EXPECT_FLOAT_EQ(sceneState.cubeZ, -50.0f + 0.5f);
    EXPECT_FLOAT_EQ(sceneState.rocket2Y, -3.8f + 0.04f);
    EXPECT_FLOAT_EQ(sceneState.angleY, -0.3f);
    EXPECT_EQ(sceneState.angleX, 3.0f);
    EXPECT_EQ(sceneState.rocketY, -3.8f) << "the intro's rocket is not this scene's";
    EXPECT_EQ(sceneState.backdropY, 0.0f);
}

TEST_F(JourneyTest, CubeIsDrawnOpaqueWithItsPictureAtItsDepth) {
    sceneState.cubeZ = -6.0f;
    journeyScene(5);
    int px, py;
    project(1.0, 1.2, -6.0 + 0.2, &px, &py);
    const Rgb centre = pixel(px, py);
    EXPECT_GT(centre.g, 240);
    EXPECT_GT(centre.b, 240);
    // Half-size 0.2 at depth 6: about 16 pixels out from the centre lies the backdrop again.
    const Rgb beside = pixel(px + 25, py);
    EXPECT_EQ(beside.b, 0);
}

TEST_F(JourneyTest, LeavesTheCaptionsState) {
    sceneState.cubeZ = -10.0f;  // the bubble left blending on; the caption turns it off
    journeyScene(5);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    float colour[4];
    currentColour(colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
}
