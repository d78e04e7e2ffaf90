// Vader scene: a small ship of two wing panels, a faceted body and two struts, tumbling
// about a point beside it in front of a backdrop.
#include "assets/demo_timeline.h"
#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/cube_lists.h"
#include "render/facing_quad.h"
#include "render/font.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

namespace {
constexpr float strutScale[3] = {0.3f, 0.17f, 1.0f};

struct WingQuad {
    float corners[4][3];
};
// Lower bevel, flat panel, upper bevel; the bevels lean towards local +z.
constexpr WingQuad wingQuads[3] = {
    {{{-2.5f, -1.0f, 0.0f}, {2.5f, -1.0f, 0.0f}, {1.5f, -2.0f, 1.0f}, {-1.5f, -2.0f, 1.0f}}},
    {{{-2.5f, -1.0f, 0.0f}, {2.5f, -1.0f, 0.0f}, {2.5f, 1.0f, 0.0f}, {-2.5f, 1.0f, 0.0f}}},
    {{{2.5f, 1.0f, 0.0f}, {-2.5f, 1.0f, 0.0f}, {-1.5f, 2.0f, 1.0f}, {1.5f, 2.0f, 1.0f}}},
};
constexpr float wingTexCoords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

void drawBackdrop() {
    glColor3f(1.0f, 1.0f, 1.0f);
    bindSlot(battleSkySlot);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -100.0f);
    drawFacingQuad(screenBackdropQuad);
}

// Both wings, the body and the struts hang off one chain of transforms, so the ship
// swings around the tumble point instead of spinning about its own centre.
void drawShip() {
    glRotatef(sceneState.angleY, 0.0f, -1.0f, 0.0f);
    glRotatef(sceneState.angleY, 1.0f, 0.0f, 1.0f);

    glTranslatef(0.0f, 0.0f, 5.0f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    drawWingPanel();
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -5.0f);
    drawWingPanel();

    glTranslatef(0.0f, 0.0f, 2.5f);
    glDisable(GL_TEXTURE_2D);
    glColor3ub(128, 128, 128);
    gluSphere(quadric, 1.3, 4, 4);
    glEnable(GL_TEXTURE_2D);

    // Still grey: the strut texture shows at half brightness.
    glTranslatef(0.0f, 0.0f, 1.3f);
    drawStrutBox();
    glTranslatef(0.0f, 0.0f, -2.7f);
    drawStrutBox();
}
}  // namespace

// No normals of its own: under sphere mapping the panel takes the current normal.
void drawWingPanel() {
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    for (const WingQuad& quad : wingQuads) {
        glBegin(GL_QUADS);
        for (int corner = 0; corner < 4; ++corner) {
            glTexCoord2f(wingTexCoords[corner][0], wingTexCoords[corner][1]);
            glVertex3f(quad.corners[corner][0], quad.corners[corner][1], quad.corners[corner][2]);
        }
        glEnd();
    }
}

// The cube's face table stretched into a 0.6 x 0.34 x 2 box, without normals.
void drawStrutBox() {
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    bindSlot(battleSkySlot);  // the struts wear the backdrop's picture
    glBegin(GL_QUADS);
    for (const CubeFace& face : cubeFaces) {
        for (const auto& corner : face.corners) {
            glTexCoord2f(corner[0], corner[1]);
            glVertex3f(corner[2] * strutScale[0], corner[3] * strutScale[1], corner[4] * strutScale[2]);
        }
    }
    glEnd();
}

int vaderScene(int speed) {
    // Draw.
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 30.0, 0.0, 0.0, 0.0, 0.0, 0.5, 0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The whole ship takes sphere-mapped coordinates; its own ones have no effect.
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
    glTranslatef(0.0f, 0.0f, -3.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    bindSlot(hexPanelSlot);
    drawShip();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);

    drawBackdrop();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);

    // Advance.
    frameStep = static_cast<float>(speed) * frameStep;
    sceneState.angleY += 0.9f * frameStep;

    // End test, on a second taken just now.
    demoClock.demoNow = platformCalendarSeconds();
    const int running = demoElapsed() < vaderEndSecond;
    drawCaption(sceneTitleX, sceneTitleY, "CAN YOU SE THE VADER");
    return running;
}
