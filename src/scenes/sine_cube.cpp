// Sine-cube scene: a chain of 1000 small cubes, each placed on top of the one before it,
// coiling through space as the two shared angles grow from cube to cube.
#include <cmath>

#include "assets/demo_timeline.h"
#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/cube_lists.h"
#include "render/facing_quad.h"
#include "render/font.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

Position3 sineCubes[1000];

namespace {
constexpr int cubeCount = 1000;

void drawBackdrop() {
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    bindSlot(calmBlobsSlot);
    glTranslatef(0.0f, 0.0f, -90.0f);
    drawFacingQuad(screenBackdropQuad);
}

// No matrix reset between cubes: every cube's placement stacks on all the ones before it,
// which is what turns a row of cubes into a coil.
void drawCubeChain(int speed) {
    for (Position3& cube : sineCubes) {
        cube.y = static_cast<float>(std::sin(static_cast<double>(cube.x)));
        glTranslatef(cube.x, cube.y, cube.z);
        glRotatef(sceneState.angleX, cube.y, 1.0f, cube.z);
        glRotatef(sceneState.cubeSpin, 1.0f, cube.y, cube.z);
        glCallList(smallCubeList);
        // The drift is per frame on purpose: the speed factor, not the frame time.
        cube.x += static_cast<float>(speed) * 0.03f;
        sceneState.angleX += 0.001f;
        sceneState.cubeSpin += 0.001f;
        if (cube.x > 4.0f) cube.x = -4.0f;
    }
}
}  // namespace

void initSineCubes() {
    for (int i = 0; i < cubeCount; ++i) {
        sineCubes[i].x = static_cast<float>(i / 1000.0 * 4.0);
        sineCubes[i].y = 0.0f;
        sineCubes[i].z = -2.0f;
    }
}

int sineCubeScene(int speed) {
    // Draw; the cubes advance as they are drawn.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // With the chain's speed of 0 this also stills every later scene of the frame.
    frameStep = static_cast<float>(speed) * frameStep;

    glLoadIdentity();
    bindSlot(blobsSlot);
    drawCubeChain(speed);
    drawBackdrop();

    // End test, on the second the intro refreshed earlier in this frame.
    const int running = demoElapsed() < sineCubeEndSecond;
    demoClock.demoNow = platformCalendarSeconds();
    drawCaption(sceneTitleX, sceneTitleY, "THE BLOMP SINECUBE");
    return running;
}
