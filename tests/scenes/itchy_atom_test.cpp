// The itchy atom on a real GL context: the nucleus frame, the spikes' directions and the
// electron (matrices recorded at the quadric calls), the sprites' motion and shape, the
// state it leaves and its end mark.
#include <gtest/gtest.h>

#include <cmath>

#include "scene_gl_recorder.h"
#include "scenes/scenes.h"

namespace {
constexpr double spriteLift = 0.7802547510025539;

class AtomTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        initAtomSprites();
    }
};

// Window coordinates of a point of a recorded modelview under the current projection.
Vec3 project(const Matrix& modelview, Vec3 p) {
    GLdouble model[16], projection[16], window[3];
    GLint viewport[4];
    for (int i = 0; i < 16; ++i) model[i] = modelview[i];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(p.x, p.y, p.z, model, projection, viewport, &window[0], &window[1], &window[2]);
    return {window[0], window[1], window[2]};
}

int redAt(const Vec3& window) {
    uint8_t rgb[3];
    readTestPixel(static_cast<int>(window.x), static_cast<int>(window.y), rgb);
    return rgb[0];
}
}  // namespace

TEST_F(AtomTest, NucleusTurnsByTheSharedAnglesAndItsSpikesPointAlongTheSixAxes) {
    sceneState.angleY = 35.0f;
    sceneState.angleX = 20.0f;
    sceneState.angleZ = -50.0f;
    itchyAtomScene(5);
    const auto spheres = callsOf(SPHERE);
    const auto spikes = callsOf(CYLINDER);
    ASSERT_EQ(spheres.size(), 2u);
    ASSERT_EQ(spikes.size(), 6u);
    const Matrix& nucleus = spheres[0].modelview;
    EXPECT_DOUBLE_EQ(spheres[0].size, 0.5);

    // Camera at z 15 and the scene's own step back of 3: the centre sits 18 in front of the eye.
    EXPECT_VEC_NEAR(transform(nucleus, {0, 0, 0}), 0.0, 0.0, -18.0, 1e-4);
    const Vec3 z = rotated(rotated(rotated({0, 0, 1}, -50.0, {0, 0, 1}), 20.0, {1, 0, 0}), 35.0, {0, 1, 0});
    EXPECT_VEC_NEAR(transform(nucleus, {0, 0, 1}, 0.0), z.x, z.y, z.z, 1e-5);

    const Vec3 directions[6] = {{0, 0, 1}, {0, -1, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_VEC_NEAR(inFrame(nucleus, spikes[i].modelview, {0, 0, 1}, 0.0), directions[i].x, directions[i].y,
                        directions[i].z, 1e-5);
        EXPECT_VEC_NEAR(inFrame(nucleus, spikes[i].modelview, {0, 0, 0}), 0.0, 0.0, 0.0, 1e-5);
        EXPECT_TRUE(spikes[i].texGen) << "spikes are sphere-mapped";
    }
    EXPECT_TRUE(spheres[0].texGen);
}

TEST_F(AtomTest, ElectronSitsOnItsOrbitAndKeepsItsPlaceWhileTheStepIsZero) {
    sceneState.orbitPhase = 0.7f;
    itchyAtomScene(5);
    sceneState.angleY = 80.0f;  // turned by the other scenes, not by the atom's own step
    itchyAtomScene(5);
    EXPECT_EQ(sceneState.orbitPhase, 0.7f);
    const auto spheres = callsOf(SPHERE);
    ASSERT_EQ(spheres.size(), 4u);
    const double phase = 0.7f;
    for (int frame = 0; frame < 2; ++frame) {
        const RecordedCall& nucleus = spheres[2 * frame];
        const RecordedCall& electron = spheres[2 * frame + 1];
        EXPECT_DOUBLE_EQ(electron.size, 0.2);
        EXPECT_TRUE(electron.texGen);
        EXPECT_VEC_NEAR(inFrame(nucleus.modelview, electron.modelview, {0, 0, 0}), 0.0, 3 * std::sin(phase),
                        -3 * std::cos(phase), 1e-5);
    }
    EXPECT_NE(spheres[1].modelview, spheres[3].modelview);
}

TEST_F(AtomTest, TimedMotionFollowsTheScaledStep) {
    frameStep = 0.1f;
    itchyAtomScene(5);
    const float step = 0.5f;
    EXPECT_EQ(frameStep, step);
    EXPECT_FLOAT_EQ(sceneState.angleY, 0.9f * step);
    EXPECT_FLOAT_EQ(sceneState.angleX, 40 * 0.001f - 0.7f * step);
    EXPECT_FLOAT_EQ(sceneState.angleZ, -step);
    EXPECT_FLOAT_EQ(sceneState.orbitPhase, 0.005f * step);
    EXPECT_FLOAT_EQ(sceneState.cubeSpin, 40 * 0.001f);
}

TEST_F(AtomTest, FirstFrameDrawsEachSpriteAtItsStartXAndItsFirstHeight) {
    itchyAtomScene(5);
    const auto sprites = callsOf(BEGIN_BLOCK, GL_TRIANGLE_STRIP);
    ASSERT_EQ(sprites.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        const double startX = i * 0.5;
        const float height = static_cast<float>(std::sin(startX) + spriteLift);
        EXPECT_EQ(atomSprites[i].y, height);
        const Matrix& m = sprites[i].modelview;  // from the identity, no camera
        EXPECT_EQ(m[12], static_cast<float>(startX));
        EXPECT_EQ(m[13], height);
        EXPECT_EQ(m[14], -10.0f);
        // The ones that start at 10 and beyond wrap at once and travel together from -10.
        EXPECT_EQ(atomSprites[i].x, i < 20 ? static_cast<float>(startX) + 0.05f : -10.0f);
    }
}

TEST_F(AtomTest, HeightFeedsOnThePreviousHeight) {
    atomSprites[3].y = 0.25f;
    drawAtomSprites();
    const double x = 1.5;
    EXPECT_EQ(atomSprites[3].y, static_cast<float>(std::sin(x) + spriteLift - 2 * std::sin(0.25)));
}

TEST_F(AtomTest, ASpriteReachesTenUnwrappedAndWrapsToMinusTenOnTheFrameAfter) {
    atomSprites[0].x = 9.95f;
    drawAtomSprites();
    EXPECT_EQ(atomSprites[0].x, 10.0f);
    drawAtomSprites();
    EXPECT_EQ(atomSprites[0].x, -10.0f);
    recordedCalls.clear();
    drawAtomSprites();
    const auto sprites = callsOf(BEGIN_BLOCK, GL_TRIANGLE_STRIP);
    ASSERT_FALSE(sprites.empty());
    EXPECT_EQ(sprites[0].modelview[12], -10.0f);
}

// The four corners in the given strip order leave the left quarter of the square open and
// cover the right quarter twice, which the additive blend makes brighter.
TEST_F(AtomTest, SpriteStripLeavesTheLeftQuarterOpenAndDoublesTheRightOne) {
    for (Position3& sprite : atomSprites) sprite.x = -9.5f;  // off screen
    atomSprites[0] = {0.0f, 0.0f, -10.0f};
    glDisable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawAtomSprites();
    glEnable(GL_TEXTURE_2D);
    const auto sprites = callsOf(BEGIN_BLOCK, GL_TRIANGLE_STRIP);
    ASSERT_EQ(sprites.size(), 40u);
    const Matrix& m = sprites[0].modelview;
    EXPECT_LT(redAt(project(m, {-0.1, 0, 0})), 20) << "left quarter";
    EXPECT_GT(redAt(project(m, {0.1, 0, 0})), 230) << "right quarter, twice";
    EXPECT_NEAR(redAt(project(m, {0, 0.1, 0})), 128, 12) << "upper quarter, once";
    EXPECT_NEAR(redAt(project(m, {0, -0.1, 0})), 128, 12) << "lower quarter, once";
    EXPECT_LT(redAt(project(m, {0.3, 0, 0})), 20) << "outside the square";
}

TEST_F(AtomTest, ReturnsWithGenerationAndBlendingOffAndDepthTestOn) {
    glDisable(GL_DEPTH_TEST);
    itchyAtomScene(5);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // The backdrop is drawn flat, after generation is switched off.
    const auto quads = callsOf(BEGIN_BLOCK, GL_QUADS);
    ASSERT_FALSE(quads.empty());
    EXPECT_FALSE(quads[0].texGen);
    EXPECT_EQ(quads[0].modelview[14], -90.0f);
}

TEST_F(AtomTest, RunsThroughSecond82AfterItsOwnRefresh) { expectRefreshedEndAfter(itchyAtomScene, 5, 82); }

TEST_F(AtomTest, ANewStartupPutsTheSpritesBackButKeepsTheAngles) {
    itchyAtomScene(5);
    const float angle = sceneState.cubeSpin;
    initAtomSprites();
    EXPECT_EQ(atomSprites[25].x, 12.5f);
    EXPECT_EQ(atomSprites[25].y, 0.0f);
    EXPECT_EQ(atomSprites[25].z, -10.0f);
    EXPECT_EQ(sceneState.cubeSpin, angle);
}
