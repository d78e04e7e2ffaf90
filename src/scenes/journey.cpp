// Journey scene. (Stub until the scene lands.)
#include <GL/gl.h>

#include "scenes/scene_state.h"
#include "scenes/scenes.h"

int journeyScene(int speed) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frameStep *= static_cast<float>(speed);
    sceneState.cubeZ += 0.5f * frameStep;
    return sceneState.cubeZ <= 20.0f;
}
