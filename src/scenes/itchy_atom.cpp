// Itchy-atom scene: a chrome nucleus with six spikes and an electron, a backdrop, and a row
// of 40 additive sprites that drift to the right and jitter up and down.
#include <cmath>

#include "assets/demo_timeline.h"
#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/facing_quad.h"
#include "render/font.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

Position3 atomSprites[40];

namespace {
constexpr int spriteCount = 40;
// Lifts the sprites' jitter so the row sits a little above the centre line.
constexpr double spriteLift = 0.7802547510025539;

void drawSpike() { gluCylinder(quadric, 0.25, 0.0, 2.0, 32, 32); }

// The rotations between spikes accumulate, so the six cones point along
// +z, -y, -z, +y, +x and -x of the nucleus, and the electron is placed in the frame
// that the last rotation leaves.
void drawNucleus() {
    glPushMatrix();
    glRotatef(sceneState.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(sceneState.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(sceneState.angleZ, 0.0f, 0.0f, 1.0f);
    gluSphere(quadric, 0.5, 32, 32);

    drawSpike();
    for (int i = 0; i < 3; ++i) {
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
        drawSpike();
    }
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    drawSpike();
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    drawSpike();

    bindSlot(blobsSlot);
    const double phase = sceneState.orbitPhase;
    glTranslatef(static_cast<float>(3.0 * std::sin(phase)), static_cast<float>(3.0 * std::cos(phase)), 0.0f);
    gluSphere(quadric, 0.2, 32, 32);
    glPopMatrix();
}

void drawBackdrop() {
    glColor3f(1.0f, 1.0f, 1.0f);
    bindSlot(electricArcsSlot);
    glLoadIdentity();
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -90.0f);
    drawFacingQuad(screenBackdropQuad);
    glPopMatrix();
}
}  // namespace

void initAtomSprites() {
    for (int i = 0; i < spriteCount; ++i) {
        atomSprites[i].x = static_cast<float>(i / 40.0 * 20.0);
        atomSprites[i].y = 0.0f;
        atomSprites[i].z = -10.0f;
    }
}

void drawAtomSprites() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    bindSlot(sparkSlot);
    glColor4ub(128, 128, 128, 255);
    for (Position3& sprite : atomSprites) {
        glLoadIdentity();
        // The new height feeds on the old one, which is what makes the sprites itch.
        sprite.y = static_cast<float>(std::sin(static_cast<double>(sprite.x)) + spriteLift -
                                      2.0 * std::sin(static_cast<double>(sprite.y)));
        glTranslatef(sprite.x, sprite.y, sprite.z);
        // Four corners in strip order 1-2-3-4, not the zig-zag of a full square: one quarter
        // stays open and the opposite one is covered twice, brighter under the additive blend.
        glBegin(GL_TRIANGLE_STRIP);
        // Kept as written, one corner a line with its texture coordinate beside it:
        // clang-format off
        glTexCoord2f(0.0f, 0.0f); glVertex3f(-0.2f, -0.2f, 0.0f);
        glTexCoord2f(1.0f, 0.0f); glVertex3f(0.2f, -0.2f, 0.0f);
        glTexCoord2f(1.0f, 1.0f); glVertex3f(0.2f, 0.2f, 0.0f);
        glTexCoord2f(0.0f, 1.0f); glVertex3f(-0.2f, 0.2f, 0.0f);
        // clang-format on
        glEnd();
        sprite.x += 0.05f;
        sceneState.angleX += 0.001f;
        sceneState.cubeSpin += 0.001f;
        if (sprite.x > 10.0f) sprite.x = -10.0f;
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

int itchyAtomScene(int speed) {
    // Draw; the sprites advance as they are drawn.
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 15.0, 0.0, 0.0, 0.0, 0.0, 0.5, 0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Sphere-mapped coordinates give the nucleus, spikes and electron their chrome look.
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
    glTranslatef(0.0f, 0.0f, -3.0f);
    glColor4ub(255, 255, 255, 255);
    bindSlot(chromeSlot);
    drawNucleus();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);

    drawBackdrop();
    glLoadIdentity();
    glPushMatrix();
    drawAtomSprites();
    glPopMatrix();

    // Advance.
    frameStep = static_cast<float>(speed) * frameStep;
    glDisable(GL_BLEND);
    sceneState.angleY += 0.9f * frameStep;
    sceneState.angleX += -0.7f * frameStep;
    sceneState.angleZ += -1.0f * frameStep;
    sceneState.orbitPhase += 0.005f * frameStep;

    // End test, on a second taken just now.
    demoClock.demoNow = platformCalendarSeconds();
    const int running = demoElapsed() < itchyAtomEndSecond;
    drawCaption(sceneTitleX, sceneTitleY, "THE ITCHY ATOM");
    return running;
}
