// Journey scene: the second rocket and its bubble over the second backdrop, and the
// small cube that spins out of the depth; it ends once the cube has passed depth 20.
#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "render/cube_lists.h"
#include "render/facing_quad.h"
#include "render/font.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

namespace {
const QuadCorner bubbleQuad[4] = {{0, 1, -1, -1, 1}, {1, 1, 1, -1, 1}, {1, 0, 1, 1, 1}, {0, 0, -1, 1, 1}};

void drawRocket(GLenum sourceFactor, GLenum destinationFactor, TextureSlot slot) {
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(sourceFactor, destinationFactor);
    bindSlot(slot);
    glTranslatef(sceneState.rocket2X, sceneState.rocket2Y, sceneState.rocketZ);
    drawFacingQuad(rocketQuad);
}

void drawCube() {
    glLoadIdentity();
    glTranslatef(1.0f, 1.2f, sceneState.cubeZ);
    glRotatef(sceneState.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(sceneState.angleY, 0.0f, 1.0f, 0.0f);
    bindSlot(blobsSlot);
    glCallList(smallCubeList);
}

// Added onto the picture up and to the right of the rocket, depth-tested; blending stays on.
void drawBubble() {
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    bindSlot(wowBubbleSlot);
    glTranslatef(sceneState.rocket2X + 2.0f, sceneState.rocket2Y + 2.0f, sceneState.rocketZ);
    drawFacingQuad(bubbleQuad);
}
}  // namespace

int journeyScene(int speed) {
    // Draw.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Opaque white whatever blend state the intro's fade left behind.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glLoadIdentity();

    bindSlot(deepSpaceSlot);
    glTranslatef(sceneState.backdropX, sceneState.backdropY, sceneState.backdropZ);
    drawFacingQuad(slidingBackdropQuad);

    drawRocket(GL_DST_COLOR, GL_ZERO, rocketMaskSlot);
    drawRocket(GL_SRC_ALPHA, GL_ONE, rocketSlot);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    drawCube();

    // Advance.
    frameStep *= static_cast<float>(speed);
    sceneState.cubeZ += 0.5f * frameStep;
    sceneState.rocket2Y += 0.04f * frameStep;
    sceneState.angleY -= 0.3f * frameStep;

    // The bubble and the end test both go by the cube's new depth.
    if (sceneState.cubeZ > -20.0f) drawBubble();
    const int running = sceneState.cubeZ <= 20.0f;
    drawCaption(sceneTitleX, sceneTitleY, "THE JOURNEY");
    return running;
}
