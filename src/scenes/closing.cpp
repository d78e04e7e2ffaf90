// Closing picture scene. (Stub until the scene lands.)
#include <GL/gl.h>

#include "scenes/scene_state.h"
#include "scenes/scenes.h"

int closingScene() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return demoElapsed() < 98;
}
