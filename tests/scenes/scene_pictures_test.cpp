// The scenes' pictures read back at a few points each: every bank slot holds a colour of its
// own, so a probe tells which picture a surface shows and on which side of an outline it lies.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/particles.h"
#include "render/test_textures.h"
#include "scene_gl_recorder.h"
#include "scenes/scenes.h"
#include "support/portable.h"

namespace {
using testkit::Rgb;

// One colour per slot. Slots that are blended stay clear of saturation; the rocket's slot holds
// four quadrants instead, so a corner shows which texture coordinate it was given.
constexpr Rgb slotColours[textureSlotCount] = {
    {200, 40, 120}, {40, 120, 200}, {150, 150, 30}, {90, 30, 30},   {30, 90, 30},    {30, 30, 90},
    {0, 0, 0},      {255, 128, 255}, {30, 200, 30}, {230, 230, 60}, {60, 60, 160},   {200, 100, 30},
    {90, 200, 200}, {160, 90, 30},  {220, 170, 240}, {20, 60, 90},  {160, 30, 90},   {30, 160, 90},
    {90, 160, 30},  {30, 90, 160},  {90, 30, 160},  {160, 160, 90}, {200, 200, 100}, {90, 160, 160},
    {160, 90, 160}, {250, 250, 250}, {110, 110, 110}, {180, 180, 180}, {50, 50, 50}};
// Picture rows top first, as the bank uploads them: upper-left, upper-right, lower-left, lower-right.
constexpr Rgb rocketQuadrants[4] = {{100, 0, 0}, {0, 100, 0}, {0, 0, 50}, {100, 100, 0}};
constexpr Rgb black = {0, 0, 0};
constexpr Rgb grey = {128, 128, 128};

Rgb slot(TextureSlot n) { return slotColours[n]; }
int clamp(int v) { return v > 255 ? 255 : v; }
Rgb plus(Rgb a, Rgb b) {
    return {static_cast<unsigned char>(clamp(a.r + b.r)), static_cast<unsigned char>(clamp(a.g + b.g)),
            static_cast<unsigned char>(clamp(a.b + b.b))};
}
Rgb times(Rgb a, Rgb b) {
    return {static_cast<unsigned char>(a.r * b.r / 255), static_cast<unsigned char>(a.g * b.g / 255),
            static_cast<unsigned char>(a.b * b.b / 255)};
}

// A point in the frame of one recorded drawing call and the colour the frame shows there.
struct Probe {
    const char* what;
    RecordedKind kind;
    GLenum mode;
    size_t index;  // among the scene's calls of that kind
    Vec3 local;
    Rgb expected;
};

struct Picture {
    const char* name;
    void (*arrange)();
    int (*draw)();
    std::vector<Probe> probes;
};

// The rocket quad, 4 x 8: inside each corner its own quadrant over the masked backdrop,
// and the backdrop alone just beyond either edge that meets there.
std::vector<Probe> rocketCornerProbes() {
    const Rgb backdrop = slot(moonBaseSlot), masked = times(slot(moonBaseSlot), slot(rocketMaskSlot));
    const struct {
        const char* name;
        double x, y;
        int quadrant;
    } corners[4] = {
        {"lower-left", -2, -4, 2}, {"lower-right", 2, -4, 3}, {"upper-right", 2, 4, 1}, {"upper-left", -2, 4, 0}};
    std::vector<Probe> probes;
    for (const auto& c : corners) {
        const double sx = c.x > 0 ? 0.2 : -0.2, sy = c.y > 0 ? 0.2 : -0.2;
        const Rgb rocket = plus(masked, rocketQuadrants[c.quadrant]);
        probes.push_back({c.name, BEGIN_BLOCK, GL_QUADS, 2, {c.x - sx, c.y - sy, 1}, rocket});
        probes.push_back({c.name, BEGIN_BLOCK, GL_QUADS, 2, {c.x + sx, c.y - sy, 1}, backdrop});
        probes.push_back({c.name, BEGIN_BLOCK, GL_QUADS, 2, {c.x - sx, c.y + sy, 1}, backdrop});
    }
    return probes;
}

int intro() { return introScene(5); }
int sineCube() { return sineCubeScene(0); }
int atom() { return itchyAtomScene(5); }
int vader() { return vaderScene(8); }

const std::vector<Picture>& pictures() {
    // Sprites are added at colour 128 over the atom's backdrop; their strip covers one quarter twice.
    const Rgb sprite = times(slot(sparkSlot), grey);
    const Rgb spriteOnce = plus(slot(electricArcsSlot), sprite), spriteTwice = plus(spriteOnce, sprite);
    const Rgb halfStrut = times(slot(battleSkySlot), grey);
    static const std::vector<Picture> table = {
        {"intro, backdrop's upper-left corner in view",
         [] {
             sceneState.backdropX = 60;
             sceneState.backdropY = -160;
             sceneState.rocketX = 30;  // out of view
         }, intro,
         {{"inside the top edge at 170", BEGIN_BLOCK, GL_QUADS, 0, {-50, 165, 10}, slot(moonBaseSlot)},
          {"beyond the left edge at -55", BEGIN_BLOCK, GL_QUADS, 0, {-60, 165, 10}, black},
          {"above the top edge", BEGIN_BLOCK, GL_QUADS, 0, {-50, 175, 10}, black}}},
        {"intro, backdrop's lower-right corner in view",
         [] {
             sceneState.backdropX = -60;
             sceneState.backdropY = 20;
             sceneState.rocketX = 30;
         }, intro,
         {{"inside the bottom edge at -38.5", BEGIN_BLOCK, GL_QUADS, 0, {50, -33.5, 10}, slot(moonBaseSlot)},
          {"beyond the right edge at 55", BEGIN_BLOCK, GL_QUADS, 0, {60, -33.5, 10}, black},
          {"below the bottom edge", BEGIN_BLOCK, GL_QUADS, 0, {50, -43.5, 10}, black}}},
        {"intro, rocket over the backdrop", [] { sceneState.rocketY = 0; }, intro, rocketCornerProbes()},
        {"sine cube", [] {}, sineCube,
         {{"first cube's front face", CALL_LIST, 0, 0, {0, 0, 0.2}, slot(blobsSlot)},
          {"backdrop", BEGIN_BLOCK, GL_QUADS, 0, {-30, -22, 20}, slot(calmBlobsSlot)}}},
        {"itchy atom, electron above the nucleus",
         [] { sceneState.orbitPhase = static_cast<float>(testPi / 2); }, atom,
         {{"chrome nucleus", SPHERE, 0, 0, {0, 0, 0}, slot(chromeSlot)},
          {"electron", SPHERE, 0, 1, {0, 0, 0}, slot(blobsSlot)},
          {"backdrop", BEGIN_BLOCK, GL_QUADS, 0, {-30, -22, 20}, slot(electricArcsSlot)},
          {"sprite's upper quarter", BEGIN_BLOCK, GL_TRIANGLE_STRIP, 2, {0, 0.12, 0}, spriteOnce},
          {"sprite's right quarter", BEGIN_BLOCK, GL_TRIANGLE_STRIP, 2, {0.12, 0, 0}, spriteTwice},
          {"sprite's open left quarter", BEGIN_BLOCK, GL_TRIANGLE_STRIP, 2, {-0.12, 0, 0},
           slot(electricArcsSlot)}}},
        {"vader, unturned", [] {}, vader,
         {{"first strut, textured at half brightness", BEGIN_BLOCK, GL_QUADS, 6, {0, 0, 0.6}, halfStrut},
          {"second strut, textured at half brightness", BEGIN_BLOCK, GL_QUADS, 7, {0, 0, -0.6}, halfStrut},
          {"grey untextured body", SPHERE, 0, 0, {0, 0, 0}, grey},
          {"backdrop", BEGIN_BLOCK, GL_QUADS, 8, {-30, -22, 20}, slot(battleSkySlot)}}},
        // Unturned, the panels are seen edge-on; at 60 degrees they face the eye.
        {"vader, turned to show its wings", [] { sceneState.angleY = 60; }, vader,
         {{"first wing panel", BEGIN_BLOCK, GL_QUADS, 1, {1.5, 0.5, 0}, slot(hexPanelSlot)},
          {"second wing panel", BEGIN_BLOCK, GL_QUADS, 4, {-1.5, 0.5, 0}, slot(hexPanelSlot)}}},
    };
    return table;
}

// Window pixel of a point in the frame of a recorded call, under the current projection.
void windowOf(const Matrix& modelview, Vec3 p, int* x, int* y) {
    GLdouble model[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    for (int i = 0; i < 16; ++i) model[i] = modelview[static_cast<size_t>(i)];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(p.x, p.y, p.z, model, projection, viewport, &wx, &wy, &wz);
    *x = static_cast<int>(wx);
    *y = static_cast<int>(wy);
}

class ScenePicturesTest : public SceneTest {
protected:
    static void SetUpTestSuite() {
        SceneTest::SetUpTestSuite();
        glGenTextures(textureSlotCount, textureBank.names);
        for (int n = 0; n < textureSlotCount; ++n) testkit::uploadSolid(textureBank.names[n], slotColours[n]);
        std::vector<unsigned char> quadrants;
        for (const Rgb& c : rocketQuadrants) {
            quadrants.push_back(c.r);
            quadrants.push_back(c.g);
            quadrants.push_back(c.b);
        }
        testkit::uploadTexture(textureBank.names[rocketSlot], 2, 2, quadrants);
    }
    void SetUp() override {
        SceneTest::SetUp();
        testkit::setStartupGlState();
        initSineCubes();
        initAtomSprites();
        initParticles(sceneState.rocketX, sceneState.rocketY);
        for (Particle& p : particles) p.alive = false;  // the fountain would cover the probes
    }
};
}  // namespace

TEST_F(ScenePicturesTest, EachSceneShowsItsPicturesInsideTheirOutlines) {
    for (const Picture& picture : pictures()) {
        SCOPED_TRACE(picture.name);
        resetSceneState();
        picture.arrange();
        recordedCalls.clear();
        picture.draw();
        for (const Probe& probe : picture.probes) {
            const std::vector<RecordedCall> calls = callsOf(probe.kind, probe.mode);
            ASSERT_LT(probe.index, calls.size()) << probe.what;
            int x, y;
            windowOf(calls[probe.index].modelview, probe.local, &x, &y);
            ASSERT_TRUE(x >= 0 && x < 640 && y >= 0 && y < 480) << probe.what;
            const Rgb seen = testkit::pixel(x, y);
            EXPECT_TRUE(std::abs(seen.r - probe.expected.r) <= 6 && std::abs(seen.g - probe.expected.g) <= 6 &&
                        std::abs(seen.b - probe.expected.b) <= 6)
                << probe.what << " at (" << x << ", " << y << "): " << int{seen.r} << " " << int{seen.g} << " "
                << int{seen.b} << ", expected " << int{probe.expected.r} << " " << int{probe.expected.g} << " "
                << int{probe.expected.b};
        }
    }
}

// Sizes and facets of the quadric shapes: the nucleus, its six cones and the electron, then
// the Vader body's coarse four-by-four solid.
TEST_F(ScenePicturesTest, QuadricsHaveTheirSizesAndFacets) {
    itchyAtomScene(5);
    vaderScene(8);
    using Shape = std::array<double, 5>;
    std::vector<Shape> expected = {{0.5, 32, 32, 0, 0}};
    for (int i = 0; i < 6; ++i) expected.push_back({0.25, 0, 2, 32, 32});
    expected.push_back({0.2, 32, 32, 0, 0});
    expected.push_back({1.3, 4, 4, 0, 0});
    std::vector<Shape> drawn;
    for (const RecordedCall& call : recordedCalls)
        if (call.kind == SPHERE || call.kind == CYLINDER) drawn.push_back(call.shape);
    EXPECT_EQ(drawn, expected);
}

// A particle that dies in the intro is reborn below and to the left of the rocket as it
// stands after this frame's climb.
TEST_F(ScenePicturesTest, IntroRebirthsParticlesAtItsRocket) {
    Particle& p = particles[0];
    p.alive = true;
    p.life = 0.01f;
    p.fade = 1.0f;
    sceneState.rocketX = 1.0f;
    sceneState.rocketY = 2.0f;
    frameStep = 1.0f;
    introScene(5);
    EXPECT_FLOAT_EQ(sceneState.rocketY, 2.05f);
    EXPECT_EQ(p.life, 1.0f);
    EXPECT_EQ(p.x, 1.0f - 3.4f);
    EXPECT_EQ(p.y, sceneState.rocketY - 7.5f);
}
