// The particle fountain on a real context: birth from the rocket with rand() in its fixed
// order, the draw-then-advance step, the life-exactly-0 rule, the flat spray at depth -40.
#include <gtest/gtest.h>

#include <cstdlib>

#include "render/particles.h"
#include "render/test_textures.h"

using namespace testkit;

namespace {
class ParticlesTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        uploadSolid(textureBank.names[6], {255, 255, 255});
        glBindTexture(GL_TEXTURE_2D, textureBank.names[6]);
        initParticles(sceneState.rocketX, sceneState.rocketY);
    }
    // Every particle but the first is switched off, so one quad can be found in the frame.
    Particle& only() {
        for (Particle& p : particles) p.alive = false;
        particles[0].alive = true;
        return particles[0];
    }
    // Brightness of the particle's expected square centre at eye-space (x, y, -40).
    Rgb at(float x, float y) {
        int px, py;
        project(x, y, -40.0, &px, &py);
        return pixel(px, py);
    }
};
}  // namespace

TEST_F(ParticlesTest, BirthUsesRandInItsFixedOrderFromTheEmitter) {
    std::srand(7);
    int draws[8];
    for (int& d : draws) d = std::rand();
    std::srand(7);
    initParticles(-2.5f, 1.0f);
    const Particle& p = particles[0];
    EXPECT_FLOAT_EQ(p.fade, static_cast<float>(draws[0] % 100) / 1000.0f + 0.003f);
    EXPECT_EQ(p.vx, static_cast<float>((draws[1] % 50 - 26) * 10));
    EXPECT_EQ(p.vy, static_cast<float>((draws[2] % 50 - 25) * 10));
    EXPECT_EQ(p.vz, static_cast<float>((draws[3] % 50 - 25) * 10));
    EXPECT_FLOAT_EQ(particles[1].fade, static_cast<float>(draws[4] % 100) / 1000.0f + 0.003f);
    EXPECT_EQ(particles[1].vx, static_cast<float>((draws[5] % 50 - 26) * 10));
    for (const Particle& q : particles) {
        ASSERT_TRUE(q.alive);
        ASSERT_EQ(q.life, 1.0f);
        ASSERT_FLOAT_EQ(q.x, -2.5f - 3.4f);
        ASSERT_FLOAT_EQ(q.y, 1.0f - 7.5f);
        ASSERT_EQ(q.z, -40.0f);
        ASSERT_GE(q.fade, 0.003f);
        ASSERT_LE(q.fade, 0.1021f);
        ASSERT_GE(q.vx, -260.0f);
        ASSERT_LE(q.vx, 230.0f);
        ASSERT_EQ(q.gy, -15.8f);
        ASSERT_EQ(q.r, 1.0f);
        ASSERT_EQ(q.g, 0.5f);
    }
}

TEST_F(ParticlesTest, DrawsAtTheEntryStateThenAdvancesOneStep) {
    Particle& p = only();
    p.x = 2.0f;
    p.y = 1.0f;
    p.vx = 200.0f;
    p.vy = 100.0f;
    p.vz = 0.0f;
    p.life = 1.0f;
    p.fade = 0.25f;
    drawParticles(0, 0);
    const Rgb drawn = at(2.0f, 1.0f);
    EXPECT_EQ(drawn.r, 255);   // red 1 at alpha 1, added onto black
    EXPECT_NEAR(drawn.g, 128, 8);
    EXPECT_FLOAT_EQ(p.x, 2.1f);
    EXPECT_FLOAT_EQ(p.y, 1.05f);
    EXPECT_FLOAT_EQ(p.vy, 100.0f - 15.8f);
    EXPECT_FLOAT_EQ(p.life, 0.75f);
}

TEST_F(ParticlesTest, LifeOfExactlyZeroIsDrawnOnceMoreThenReborn) {
    Particle& p = only();
    p.x = 0.0f;
    p.y = 0.0f;
    p.vx = p.vy = p.vz = p.gy = 0.0f;
    p.life = 0.5f;
    p.fade = 0.5f;
    drawParticles(10, 10);
    EXPECT_EQ(p.life, 0.0f);
    EXPECT_EQ(p.x, 0.0f) << "reborn at life 0";

    glClear(GL_COLOR_BUFFER_BIT);
    p.g = 0.0f;
    std::srand(11);
    int draws[4];
    for (int& d : draws) d = std::rand();
    std::srand(11);
    drawParticles(10, 10);
    const Rgb invisible = at(0.0f, 0.0f);
    EXPECT_EQ(invisible.r, 0) << "drawn with alpha 0";
    EXPECT_EQ(p.life, 1.0f);
    EXPECT_FLOAT_EQ(p.x, 10.0f - 3.4f);
    EXPECT_FLOAT_EQ(p.y, 10.0f - 7.5f);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(p.gy, 0.0f) << "the pull keeps its value through a rebirth";
    // Reborn about ten times slower than at birth, with rand() in its fixed order.
    EXPECT_FLOAT_EQ(p.fade, static_cast<float>(draws[0] % 100) / 1000.0f + 0.003f);
    EXPECT_EQ(p.vx, static_cast<float>(draws[1] % 60 - 32));
    EXPECT_EQ(p.vy, static_cast<float>(draws[2] % 60 - 30));
    EXPECT_EQ(p.vz, static_cast<float>(draws[3] % 60 - 30));
    EXPECT_EQ(p.g, 0.5f) << "the colour comes back";
}

TEST_F(ParticlesTest, RebornParticleIsFirstDrawnOnTheNextCallAtTheEmitter) {
    Particle& p = only();
    p.x = -6.0f;
    p.y = 4.0f;
    p.vx = p.vy = p.vz = 0.0f;
    p.life = 0.9f;
    p.fade = 1.0f;
    drawParticles(9.4f, 5.5f);  // reborn around (6, -2)
    EXPECT_NEAR(at(-6.0f, 4.0f).r, 0.9 * 255, 9) << "drawn where it died, at its last alpha";
    EXPECT_EQ(at(6.0f, -2.0f).r, 0) << "not yet at its new place";

    glClear(GL_COLOR_BUFFER_BIT);
    p.vx = p.vy = p.vz = 0.0f;
    drawParticles(-100.0f, -100.0f);  // a moved emitter does not move a live particle
    EXPECT_EQ(at(6.0f, -2.0f).r, 255);
    EXPECT_EQ(at(-6.0f, 4.0f).r, 0);
}

TEST_F(ParticlesTest, EveryDrawIsPinnedToDepthMinus40) {
    Particle& p = only();
    p.x = 3.0f;
    p.y = 0.0f;
    p.z = 25.0f;  // behind the eye, were it drawn where the record says
    p.vz = 5000.0f;
    p.gz = 3000.0f;
    p.life = 1.0f;
    p.fade = 0.0f;
    for (int call = 0; call < 3; ++call) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawParticles(0, 0);
        EXPECT_EQ(at(3.0f, 0.0f).r, 255) << "call " << call;
        // One unit at depth 40 is about 14.5 pixels: the square's edge lies 7 pixels out.
        int px, py;
        project(3.0, 0.0, -40.0, &px, &py);
        EXPECT_EQ(pixel(px + 10, py).r, 0);
        EXPECT_EQ(pixel(px + 5, py).r, 255);
    }
    EXPECT_FLOAT_EQ(p.z, -40.0f + (5000.0f + 2 * 3000.0f) / 2000.0f);
}

TEST_F(ParticlesTest, ReturnsWithBlendOffDepthOnWhiteAndIdentity) {
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glTranslatef(4, 5, 6);
    drawParticles(0, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint source, destination;
    blendFunc(&source, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE);
    float colour[4];
    currentColour(colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_EQ(boundTexture(), static_cast<GLint>(textureBank.names[6])) << "binds no texture";
}
