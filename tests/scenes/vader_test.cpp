// The Vader ship on a real GL context: where wings, body and struts sit (matrices recorded at
// each block and sphere), the shared tumble angle, the state it leaves and its end mark.
#include <gtest/gtest.h>

#include "scene_gl_recorder.h"
#include "scenes/scenes.h"

namespace {
// Indices of the GL_QUADS blocks in one call: three per wing, one per strut, the backdrop.
constexpr int firstWing = 0, secondWing = 3, firstStrut = 6, secondStrut = 7, backdrop = 8;

class VaderTest : public SceneTest {
protected:
    // The frame after the camera and the step back: where the ship's layout is measured.
    static Matrix shipFrame() {
        glPushMatrix();
        glLoadIdentity();
        gluLookAt(0, 0, 30, 0, 0, 0, 0, 0.5, 0);
        glTranslatef(0, 0, -3);
        Matrix m;
        glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
        glPopMatrix();
        return m;
    }
    static std::vector<RecordedCall> quads() { return callsOf(BEGIN_BLOCK, GL_QUADS); }
};

Vec3 tumbled(Vec3 p, double angle) { return rotated(rotated(p, angle, {1, 0, 1}), angle, {0, -1, 0}); }
}  // namespace

TEST_F(VaderTest, UnturnedShipHasItsWingsBodyAndStrutsInARowAlongX) {
    vaderScene(8);
    const auto blocks = quads();
    ASSERT_EQ(blocks.size(), 9u);
    const Matrix frame = shipFrame();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(blocks[firstWing + i].modelview, blocks[firstWing].modelview);
        EXPECT_EQ(blocks[secondWing + i].modelview, blocks[secondWing].modelview);
    }
    EXPECT_VEC_NEAR(inFrame(frame, blocks[firstWing].modelview, {0, 0, 0}), 0.0, 0.0, 5.0, 1e-5);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[secondWing].modelview, {0, 0, 0}), 5.0, 0.0, 5.0, 1e-5);
    // Bevels (local +z) face each other; both panels upright.
    EXPECT_VEC_NEAR(inFrame(frame, blocks[firstWing].modelview, {0, 0, 1}, 0.0), 1.0, 0.0, 0.0, 1e-6);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[secondWing].modelview, {0, 0, 1}, 0.0), -1.0, 0.0, 0.0, 1e-6);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[secondWing].modelview, {0, 1, 0}, 0.0), 0.0, 1.0, 0.0, 1e-6);

    const auto spheres = callsOf(SPHERE);
    ASSERT_EQ(spheres.size(), 1u);
    EXPECT_DOUBLE_EQ(spheres[0].size, 1.3);
    EXPECT_VEC_NEAR(inFrame(frame, spheres[0].modelview, {0, 0, 0}), 2.5, 0.0, 5.0, 1e-5);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[firstStrut].modelview, {0, 0, 0}), 1.2, 0.0, 5.0, 1e-5);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[secondStrut].modelview, {0, 0, 0}), 3.9, 0.0, 5.0, 1e-5);
    EXPECT_NEAR(std::fabs(inFrame(frame, blocks[firstStrut].modelview, {0, 0, 1}, 0.0).x), 1.0, 1e-6);
}

TEST_F(VaderTest, BothTumbleRotationsTakeTheSameAngle) {
    sceneState.angleY = 40.0f;
    vaderScene(8);
    const auto blocks = quads();
    ASSERT_EQ(blocks.size(), 9u);
    const Matrix frame = shipFrame();
    const Vec3 first = tumbled({0, 0, 5}, 40.0), second = tumbled({5, 0, 5}, 40.0);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[firstWing].modelview, {0, 0, 0}), first.x, first.y, first.z, 1e-4);
    EXPECT_VEC_NEAR(inFrame(frame, blocks[secondWing].modelview, {0, 0, 0}), second.x, second.y, second.z, 1e-4);
}

TEST_F(VaderTest, ShipTumblesThroughTheJourneysTurnWhileItsOwnStepIsZero) {
    sceneState.cubeZ = 100.0f;  // the journey long finished, still turning angleY each frame
    frameStep = 0.02f;
    journeyScene(5);
    sineCubeScene(0);
    const float turned = sceneState.angleY;
    EXPECT_LT(turned, 0.0f);
    vaderScene(8);
    EXPECT_EQ(sceneState.angleY, turned) << "its own update adds nothing at step 0";

    const auto blocks = quads();
    ASSERT_GE(blocks.size(), 9u);
    const Vec3 wing = tumbled({0, 0, 5}, turned);
    const RecordedCall& firstWingBlock = blocks[blocks.size() - 9];
    EXPECT_VEC_NEAR(inFrame(shipFrame(), firstWingBlock.modelview, {0, 0, 0}), wing.x, wing.y, wing.z, 1e-4);
}

TEST_F(VaderTest, OwnStepTurnsTheShipWhenNotStilled) {
    frameStep = 0.05f;
    vaderScene(8);
    EXPECT_FLOAT_EQ(frameStep, 0.4f);
    EXPECT_FLOAT_EQ(sceneState.angleY, 0.36f);
}

TEST_F(VaderTest, ShipIsSphereMappedAndTheBackdropIsNot) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    vaderScene(8);
    const auto blocks = quads();
    ASSERT_EQ(blocks.size(), 9u);
    for (int i = 0; i < backdrop; ++i) EXPECT_TRUE(blocks[i].texGen) << "block " << i;
    EXPECT_TRUE(callsOf(SPHERE)[0].texGen);
    EXPECT_FALSE(blocks[backdrop].texGen);
    EXPECT_EQ(blocks[backdrop].modelview[14], -100.0f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "switched back on after the grey body";
}

TEST_F(VaderTest, RunsThroughSecond92AfterItsOwnRefresh) { expectRefreshedEndAfter(vaderScene, 8, 92); }

// The box is the cube's face table stretched to 0.6 x 0.34 x 2: drawn face-on from straight
// ahead with an orthographic view, it covers exactly its 0.6 x 0.34 end.
TEST_F(VaderTest, StrutBoxIsTheStretchedCube) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -5, 5);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    drawStrutBox();
    glEnable(GL_TEXTURE_2D);
    uint8_t rgb[3];
    auto litAt = [&](double x, double y) {
        readTestPixel(static_cast<int>((x + 1) * 320), static_cast<int>((y + 1) * 240), rgb);
        return rgb[0] > 200;
    };
    EXPECT_TRUE(litAt(0.28, 0.15));
    EXPECT_TRUE(litAt(-0.28, -0.15));
    EXPECT_FALSE(litAt(0.32, 0.0));
    EXPECT_FALSE(litAt(0.0, 0.19));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
