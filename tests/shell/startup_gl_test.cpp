// The OpenGL state every scene starts from, after the start-up sequence on a real context,
// here with no media and no music at all: nothing may depend on having them.
#include <gtest/gtest.h>

#include "platform/gl.h"
#include "platform/platform.h"
#include "render/particles.h"
#include "scenes/scene_state.h"
#include "shell/startup.h"
#include "support/gl_test_context.h"
#include "support/temp_dir.h"

namespace {
int quietBox(const char*, const char*, PlatformButtons buttons, PlatformIcon) {
    return buttons == PLATFORM_BUTTONS_YESNO ? PLATFORM_ANSWER_NO : PLATFORM_ANSWER_OK;
}

class StartupTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        platformSetMessageBoxHook(quietBox);
        platformUseVirtualClock(1);
        platformSetVirtualClock(5000, 1234567);
    }
    void TearDown() override {
        platformUseVirtualClock(0);
        platformSetMessageBoxHook(nullptr);
    }
    TempDir empty;  // no data directory: every load fails and the music cannot start
};

void expectLight(GLenum parameter, const GLfloat (&expected)[4]) {
    GLfloat value[4] = {-9, -9, -9, -9};
    glGetLightfv(GL_LIGHT1, parameter, value);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(value[i], expected[i]) << "component " << i;
}

TEST_F(StartupTest, LeavesTheStateEverySceneStartsFrom) {
    ScopedChdir into(empty.path);
    EXPECT_EQ(runStartup(), 1);

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_EQ(clear[1], 0.0f);
    EXPECT_EQ(clear[2], 0.0f);
    EXPECT_NEAR(clear[3], 0.5f, 1e-6);
    GLfloat clearDepth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0f);
    GLint shade = 0, hint = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(hint, GL_NICEST);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));

    expectLight(GL_AMBIENT, {0.5f, 0.5f, 0.5f, 1.0f});
    expectLight(GL_DIFFUSE, {1.0f, 1.0f, 1.0f, 1.0f});
    expectLight(GL_POSITION, {0.0f, 0.0f, 2.0f, 1.0f});  // identity modelview: eye = object
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(StartupTest, SetsTheSphereMapModeEvenWhenTheMusicCannotPlay) {
    ScopedChdir into(empty.path);
    runStartup();
    GLint modeS = 0, modeT = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &modeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &modeT);
    EXPECT_EQ(modeS, GL_SPHERE_MAP);
    EXPECT_EQ(modeT, GL_SPHERE_MAP);
}

// Each run takes a new demo start and a new quadric; the old quadric is freed (the
// sanitizer build reports it as a leak otherwise), the particles are born at the rocket's
// present height, and the scene state carries on.
TEST_F(StartupTest, EveryRunRestartsTheDemoClockAndReplacesTheQuadric) {
    ScopedChdir into(empty.path);
    sceneState.rocketY = 3.0f;
    runStartup();
    EXPECT_EQ(demoClock.demoStart, 1234567);
    ASSERT_NE(quadric, nullptr);
    platformSetVirtualClock(9000, 1234600);
    runStartup();
    EXPECT_EQ(demoClock.demoStart, 1234600);
    EXPECT_NE(quadric, nullptr);
    EXPECT_EQ(sceneState.rocketY, 3.0f);
    EXPECT_FLOAT_EQ(particles[0].y, 3.0f - 7.5f);
    runShutdown();
    EXPECT_EQ(quadric, nullptr);
}
}  // namespace
