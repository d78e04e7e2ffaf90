// The sine-cube coil on a real GL context: where each cube is drawn (matrices recorded at
// every cube-list call), the drift and wrap of the positions, the angles, the end mark.
#include <gtest/gtest.h>

#include <cmath>

#include "scene_gl_recorder.h"
#include "scenes/scenes.h"

namespace {
class SineCubeTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        initSineCubes();
    }
};

float angleAfterAdditions(float start, int count) {
    for (int i = 0; i < count; ++i) start += 0.001f;
    return start;
}
}  // namespace

TEST_F(SineCubeTest, AtSpeedZeroTwoFramesKeepThePositionsAndOnlyTurnTheAngles) {
    sineCubeScene(0);
    Position3 first[1000];
    for (int i = 0; i < 1000; ++i) first[i] = sineCubes[i];
    EXPECT_EQ(sineCubes[500].y, static_cast<float>(std::sin(static_cast<double>(sineCubes[500].x))));
    const float angleAfterFirst = sceneState.angleX;
    EXPECT_EQ(angleAfterFirst, angleAfterAdditions(0.0f, 1000));
    EXPECT_EQ(sceneState.cubeSpin, angleAfterFirst);

    sineCubeScene(0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(sineCubes[i].x, first[i].x) << "cube " << i;
        ASSERT_EQ(sineCubes[i].y, first[i].y) << "cube " << i;
    }
    EXPECT_EQ(sceneState.angleX, angleAfterAdditions(angleAfterFirst, 1000));
    EXPECT_EQ(sceneState.cubeSpin, sceneState.angleX);

    const auto cubes = callsOf(CALL_LIST);
    ASSERT_EQ(cubes.size(), 2000u);
    // Same first placement in both frames, different turn.
    EXPECT_VEC_NEAR(transform(cubes[1000].modelview, {0, 0, 0}), 0.0, 0.0, -2.0, 1e-6);
    EXPECT_NE(cubes[0].modelview, cubes[1000].modelview);
}

TEST_F(SineCubeTest, EachCubeIsPlacedInTheTurnedFrameOfTheCubeBeforeIt) {
    sceneState.angleX = 30.0f;
    sceneState.cubeSpin = 50.0f;
    sineCubeScene(0);
    const auto cubes = callsOf(CALL_LIST);
    ASSERT_EQ(cubes.size(), 1000u);

    EXPECT_VEC_NEAR(transform(cubes[0].modelview, {0, 0, 0}), 0.0, 0.0, -2.0, 1e-6);
    // Cube 0 turns by angleX about (y, 1, z) = (0, 1, -2), then by cubeSpin about (1, y, z).
    const Vec3 step = {0.004f, static_cast<float>(std::sin(static_cast<double>(0.004f))), -2.0};
    const Vec3 turned = rotated(rotated(step, 50.0, {1, 0, -2}), 30.0, {0, 1, -2});
    EXPECT_VEC_NEAR(transform(cubes[1].modelview, {0, 0, 0}), turned.x, turned.y, turned.z - 2.0, 1e-5);
}

TEST_F(SineCubeTest, DriftIsPerFrameAndACubePastFourComesBackAtExactlyMinusFour) {
    sineCubes[1].x = 4.0f;
    sineCubeScene(0);
    EXPECT_EQ(sineCubes[1].x, 4.0f) << "x of exactly 4 does not wrap";

    sineCubes[0].x = 3.95f;
    frameStep = 0.5f;  // the drift must not depend on the frame time
    sineCubeScene(2);
    EXPECT_EQ(sineCubes[0].x, -4.0f);
    EXPECT_EQ(sineCubes[1].x, -4.0f) << "the overshoot is dropped";
    EXPECT_FLOAT_EQ(sineCubes[2].x, 0.008f + 0.06f);

    recordedCalls.clear();
    sineCubeScene(2);
    const auto cubes = callsOf(CALL_LIST);
    ASSERT_FALSE(cubes.empty());
    const Matrix& m = cubes[0].modelview;
    EXPECT_EQ(m[12], -4.0f);
    EXPECT_EQ(m[13], static_cast<float>(std::sin(-4.0)));
    EXPECT_EQ(m[14], -2.0f);
    EXPECT_EQ(sineCubes[0].y, static_cast<float>(std::sin(-4.0)));
}

TEST_F(SineCubeTest, RunsThroughSecond67AndComparesTheClockFromBeforeItsRefresh) {
    demoClock.demoNow = 1067;
    setCalendar(1070);
    EXPECT_EQ(sineCubeScene(0), 1);
    EXPECT_EQ(demoClock.demoNow, 1070);
    EXPECT_EQ(sineCubeScene(0), 0);
    // The caption goes on in both passes on every call, the last one included.
    EXPECT_EQ(callsOf(TEXT_LISTS).size(), 4u);

    demoClock.demoNow = 1068;
    setCalendar(1000);
    EXPECT_EQ(sineCubeScene(0), 0);
}

TEST_F(SineCubeTest, SpeedZeroStillsTheTimedMotionOfTheScenesAfterIt) {
    frameStep = 0.016f;
    sceneState.angleY = 12.0f;
    sineCubeScene(0);
    EXPECT_EQ(frameStep, 0.0f);
    itchyAtomScene(5);
    vaderScene(8);
    EXPECT_EQ(frameStep, 0.0f);
    EXPECT_EQ(sceneState.angleY, 12.0f);
    EXPECT_EQ(sceneState.angleZ, 0.0f);
    EXPECT_EQ(sceneState.orbitPhase, 0.0f);
    // Only the per-call increments remain: 1000 from the cubes and 40 from the sprites.
    EXPECT_EQ(sceneState.angleX, angleAfterAdditions(0.0f, 1040));
}

TEST_F(SineCubeTest, ANewStartupPutsTheCubesBackButKeepsTheAngles) {
    sineCubeScene(3);
    const float angle = sceneState.angleX;
    initSineCubes();
    EXPECT_EQ(sineCubes[250].x, 1.0f);
    EXPECT_EQ(sineCubes[999].x, static_cast<float>(999 / 1000.0 * 4.0));
    for (const Position3& cube : sineCubes) {
        ASSERT_EQ(cube.y, 0.0f);
        ASSERT_EQ(cube.z, -2.0f);
    }
    EXPECT_EQ(sceneState.angleX, angle);
}

TEST_F(SineCubeTest, LeavesBlendingOffDepthTestOnAndWhite) {
    glEnable(GL_BLEND);
    sineCubeScene(0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
}
